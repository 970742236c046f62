#include "signal/SLBlockBuffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "math/buffer_helpers.h"
#include "signal/SLRealBuffer.h"

namespace tavrel {
namespace {

using B = std::vector<uint8_t>;

class BlockBufferTest : public testing::Test {
 protected:
  Ref<TSLBlockBuffer> Make(const B& v) { return TSLBlockBuffer::CreateData(v.data(), v.size(), pool_); }
  static B Values(const TSLBlockBuffer& b) { return B(b.Read(), b.Read() + b.GetSize()); }
  TSLSmartBufferManager pool_;
};

TEST_F(BlockBufferTest, SaturatingByteArithmetic) {
  using Op = std::function<void(TSLBlockBuffer&, TSLBlockBuffer&)>;
  const struct {
    const char* name;
    Op op;
    B d, r, expect;
  } cases[] = {
      {"add", [](auto& a, auto& b) { a.Add(b); }, {200, 1, 9}, {100, 2}, {255, 3, 9}},
      {"subtract", [](auto& a, auto& b) { a.Subtract(b); }, {50, 9}, {100, 4}, {0, 5}},
      {"multiply", [](auto& a, auto& b) { a.Multiply(b); }, {16, 3}, {16, 4}, {255, 12}},
      {"divide", [](auto& a, auto& b) { a.Divide(b); }, {7, 255, 8}, {2, 255}, {3, 1, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto d = Make(c.d);
    auto sharer = TSLBlockBuffer::CreateEx(*d);
    auto r = Make(c.r);
    c.op(*d, *r);
    EXPECT_EQ(Values(*d), c.expect);
    EXPECT_EQ(Values(*sharer), c.d);
  }
}

TEST_F(BlockBufferTest, DivisionByAZeroByteRaisesWithTheBufferUnchanged) {
  auto d = Make({8, 9, 10});
  EXPECT_THROW(d->Divide(*Make({2, 0, 1})), EDivByZero);
  EXPECT_EQ(Values(*d), (B{8, 9, 10}));
}

TEST_F(BlockBufferTest, WrappingARealBufferSharesItsBytesUntilAWrite) {
  const double v[] = {1.0, 2.0};
  auto reals = TSLRealBuffer::CreateData(v, 2, pool_);
  auto bytes = TSLBlockBuffer::CreateUniversal(*reals);
  EXPECT_EQ(bytes->GetSize(), 16u);
  EXPECT_EQ(reinterpret_cast<const void*>(bytes->Read()), reinterpret_cast<const void*>(reals->Read()));
  bytes->SetItem(7, 0xFF);
  EXPECT_EQ(reals->GetItem(0), 1.0);
  EXPECT_FALSE(bytes->IsEqual(*TSLBlockBuffer::CreateUniversal(*reals)));
  try {
    bytes->GetItem(16);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), "Index out of range = 16");
  }
  EXPECT_THROW(bytes->SetItem(-1, 0), ERangeError);
}

TEST_F(BlockBufferTest, FillsAndComparisons) {
  auto b = TSLBlockBuffer::CreateValue(5, 7, pool_);
  EXPECT_TRUE(b->IsEqualToValue(7));
  b->Zero();
  EXPECT_TRUE(b->IsEqualToValue(0));
  EXPECT_TRUE(TSLBlockBuffer::Create(pool_)->IsEqualToValue(9));
  EXPECT_FALSE(b->IsEqual(*TSLRealBuffer::CreateUniversal(*b)));
}

}  // namespace
}  // namespace tavrel
