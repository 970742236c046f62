#include "signal/SLIntegerBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

#include "math/buffer_helpers.h"

namespace tavrel {
namespace {

using I = std::vector<int32_t>;

class IntegerBufferTest : public testing::Test {
 protected:
  Ref<TSLIntegerBuffer> Make(const I& v) { return TSLIntegerBuffer::CreateData(v.data(), v.size(), pool_); }
  static I Values(const TSLIntegerBuffer& b) { return I(b.Read(), b.Read() + b.GetSize()); }
  TSLSmartBufferManager pool_;
};

TEST_F(IntegerBufferTest, OperationTable) {
  using Op = std::function<void(TSLIntegerBuffer&, TSLIntegerBuffer&)>;
  const struct {
    const char* name;
    Op op;
    I d, r, expect;
  } cases[] = {
      {"add saturates", [](auto& a, auto& b) { a.Add(b); }, {INT_MAX, 1, 5}, {1, -1}, {INT_MAX, 0, 5}},
      {"subtract", [](auto& a, auto& b) { a.Subtract(b); }, {INT_MIN, 5}, {1, 7}, {INT_MIN, -2}},
      {"multiply saturates", [](auto& a, auto& b) { a.Multiply(b); }, {65536, 3}, {65536, -3}, {INT_MAX, -9}},
      {"divide", [](auto& a, auto& b) { a.Divide(b); }, {12, -12}, {4, 5}, {3, -2}},
      {"mod signs", [](auto& a, auto& b) { a.ModBuffer(b); }, {-7, 7, INT_MIN}, {3, -3, -1}, {-1, 1, 0}},
      {"and", [](auto& a, auto& b) { a.AndBuffer(b); }, {0xF0, -1}, {0x3C, 5}, {0x30, 5}},
      {"or", [](auto& a, auto& b) { a.OrBuffer(b); }, {0xF0, 0}, {0x0F, 0}, {0xFF, 0}},
      {"xor", [](auto& a, auto& b) { a.XorBuffer(b); }, {0xFF, -1}, {0x0F, -1}, {0xF0, 0}},
      {"left shift, low 5 bits of the count", [](auto& a, auto& b) { a.LShift(b); }, {1, 1, 3}, {33, 32, 2},
       {2, 1, 12}},
      {"right shift is logical", [](auto& a, auto& b) { a.RShift(b); }, {-8, -8}, {1, 32}, {2147483644, -8}},
      {"dot, not a write", [](auto& a, auto& b) { EXPECT_EQ(a.Dot(b), 11); }, {1, 2}, {3, 4, 5}, {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto d = Make(c.d);
    auto sharer = RefCast<TSLIntegerBuffer>(d->MakeCopy());
    auto r = Make(c.r);
    c.op(*d, *r);
    EXPECT_EQ(Values(*d), c.expect);
    EXPECT_EQ(Values(*sharer), c.d);
  }
}

TEST_F(IntegerBufferTest, ConstantTable) {
  using Op = std::function<void(TSLIntegerBuffer&)>;
  const struct {
    const char* name;
    Op op;
    I in, expect;
    bool detaches;
  } cases[] = {
      {"add 0 does nothing", [](auto& b) { b.AddValue(0); }, {1, 2}, {1, 2}, false},
      {"subtract 0 still runs", [](auto& b) { b.SubtractValue(0); }, {1, 2}, {1, 2}, true},
      {"multiply 1 does nothing", [](auto& b) { b.MultiplyValue(1); }, {1, 2}, {1, 2}, false},
      {"divide 0 does nothing", [](auto& b) { b.DivideValue(0); }, {1, 2}, {1, 2}, false},
      {"divide 1 does nothing", [](auto& b) { b.DivideValue(1); }, {1, 2}, {1, 2}, false},
      {"add saturates", [](auto& b) { b.AddValue(1); }, {INT_MAX, 2}, {INT_MAX, 3}, true},
      {"divide truncates", [](auto& b) { b.DivideValue(2); }, {-7, 7}, {-3, 3}, true},
      {"INT_MIN / -1", [](auto& b) { b.DivideValue(-1); }, {INT_MIN, 5}, {INT_MAX, -5}, true},
      {"mod", [](auto& b) { b.ModValue(-3); }, {7, -7}, {1, -1}, true},
      {"INT_MIN mod -1", [](auto& b) { b.ModValue(-1); }, {INT_MIN, 5}, {0, 0}, true},
      {"and", [](auto& b) { b.AndValue(6); }, {3, 12}, {2, 4}, true},
      {"xor", [](auto& b) { b.XorValue(-1); }, {0, -1}, {-1, 0}, true},
      {"arithmetic right shift", [](auto& b) { b.RShiftValue(1); }, {-8, 8}, {-4, 4}, true},
      {"left shift", [](auto& b) { b.LShiftValue(3); }, {1, -1}, {8, -8}, true},
      {"zero", [](auto& b) { b.Zero(); }, {5, 6, 7}, {0, 0, 0}, true},
      {"set", [](auto& b) { b.SetValue(-9); }, {5, 6}, {-9, -9}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = Make(c.in);
    auto sharer = RefCast<TSLIntegerBuffer>(b->MakeCopy());
    c.op(*b);
    EXPECT_EQ(Values(*b), c.expect);
    EXPECT_EQ(&b->DataContainer() != &sharer->DataContainer(), c.detaches);
    EXPECT_EQ(Values(*sharer), c.in);
    // The same on a buffer of its own.
    auto own = Make(c.in);
    c.op(*own);
    EXPECT_EQ(Values(*own), c.expect);
  }
}

TEST_F(IntegerBufferTest, ZeroDivisorsRaiseBeforeAnythingChanges) {
  auto b = Make({7, 8, 9});
  auto sharer = RefCast<TSLIntegerBuffer>(b->MakeCopy());
  EXPECT_THROW(b->ModBuffer(*Make({2, 0, 1})), EDivByZero);
  EXPECT_THROW(b->ModValue(0), EDivByZero);
  EXPECT_EQ(Values(*b), (I{7, 8, 9}));
  EXPECT_EQ(&b->DataContainer(), &sharer->DataContainer());
  // Element division by zero: the routine saturates by the dividend's sign.
  b->Divide(*Make({0, 0, 1}));
  EXPECT_EQ(Values(*b), (I{INT_MAX, INT_MAX, 9}));
  Make({})->ModValue(0);  // nothing to divide
}

TEST_F(IntegerBufferTest, ItemsExtremaAndCopies) {
  auto b = Make({5, -2, 9});
  EXPECT_EQ(b->GetMinValue(), -2);
  EXPECT_EQ(b->GetMaxValue(), 9);
  EXPECT_EQ(Make({})->GetMinValue(), 0);
  EXPECT_THROW(b->GetItem(3), ERangeError);
  EXPECT_THROW(b->SetItem(-1, 0), ERangeError);
  b->SetItem(2, 4);
  EXPECT_EQ(b->GetItem(2), 4);
  EXPECT_TRUE(Make({3, 3})->IsEqualToValue(3));
  EXPECT_FALSE(b->IsEqualToValue(5));
  auto dst = TSLIntegerBuffer::CreateValue(0, 4, pool_);
  b->CopyRange(1, *dst, 0, 2);
  EXPECT_EQ(Values(*dst), (I{-2, 4, 0, 0}));
}

}  // namespace
}  // namespace tavrel
