#include "signal/SLRealBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "signal/SLBlockBuffer.h"
#include "signal/SLIntegerBuffer.h"

namespace tavrel {
namespace {

using D = std::vector<double>;

class RealBufferTest : public testing::Test {
 protected:
  Ref<TSLRealBuffer> Make(const D& v) { return TSLRealBuffer::CreateData(v.data(), v.size(), pool_); }
  static D Values(const TSLRealBuffer& b) { return D(b.Read(), b.Read() + b.GetSize()); }
  TSLSmartBufferManager pool_;
};

TEST_F(RealBufferTest, ConstructorShapes) {
  EXPECT_EQ(TSLRealBuffer::Create(pool_)->GetSize(), 0u);
  EXPECT_EQ(Values(*TSLRealBuffer::CreateValue(2.5, 3, pool_)), (D{2.5, 2.5, 2.5}));
  const uint16_t words[] = {0, 65535};
  EXPECT_EQ(Values(*TSLRealBuffer::CreateWordData(words, 2, pool_)), (D{0, 65535}));
  const int16_t shorts[] = {-32768, 7};
  EXPECT_EQ(Values(*TSLRealBuffer::CreateSmallIntData(shorts, 2, pool_)), (D{-32768, 7}));
  const uint32_t cards[] = {4294967295u, 1};
  EXPECT_EQ(Values(*TSLRealBuffer::CreateCardinalData(cards, 2, pool_)), (D{4294967295.0, 1}));
  const int32_t ints[] = {INT32_MIN, -1};
  EXPECT_EQ(Values(*TSLRealBuffer::CreateIntegerData(ints, 2, pool_)), (D{-2147483648.0, -1}));
  const int64_t longs[] = {(int64_t{1} << 53) + 1, -3};
  EXPECT_EQ(Values(*TSLRealBuffer::CreateInt64Data(longs, 2, pool_)), (D{9007199254740992.0, -3}));
  const uint64_t ulongs[] = {UINT64_MAX};
  EXPECT_EQ(Values(*TSLRealBuffer::CreateUInt64Data(ulongs, 1, pool_)), (D{18446744073709551616.0}));
  const float singles[] = {0.5f, -1.25f};
  EXPECT_EQ(Values(*TSLRealBuffer::CreateSingleData(singles, 2, pool_)), (D{0.5, -1.25}));
  EXPECT_THROW(TSLRealBuffer::CreateSize((uint64_t{1} << 27) + 1, pool_), EOutOfMemory);
}

TEST_F(RealBufferTest, CreateUniversalReadsAnotherBuffersBytes) {
  auto ints = TSLIntegerBuffer::CreateSize(6, pool_);
  auto reals = TSLRealBuffer::CreateUniversal(*ints);
  EXPECT_EQ(reals->GetSize(), 3u);
  EXPECT_EQ(reinterpret_cast<const void*>(reals->Read()), reinterpret_cast<const void*>(ints->Read()));
  EXPECT_FALSE(reals->IsEqual(*ints));  // same bytes, another class
}

TEST_F(RealBufferTest, ArithmeticTable) {
  using Op = std::function<void(TSLRealBuffer&, const TSLRealBuffer&)>;
  const struct {
    const char* name;
    Op op;
    D d, r, expect;
  } cases[] = {
      {"add, shorter right", [](auto& a, auto& b) { a.Add(b); }, {1, 2, 3, 4, 5}, {10, 10, 10}, {11, 12, 13, 4, 5}},
      {"subtract", [](auto& a, auto& b) { a.Subtract(b); }, {1, 2}, {3, 5, 7}, {-2, -3}},
      {"multiply", [](auto& a, auto& b) { a.Multiply(b); }, {1.5, -2}, {2, 4}, {3, -8}},
      {"divide with the zero-divisor pass", [](auto& a, auto& b) { a.Divide(b); }, {5, -5, 0, 6},
       {0, 0, 0, 3}, {1e15, -1e14, 0.0, 2}},
      {"divide by NaN during the pass", [](auto& a, auto& b) { a.Divide(b); }, {1, 4}, {0, NAN}, {1e15, 0.0}},
      {"dot is not a write", [](auto& a, auto& b) { EXPECT_EQ(a.Dot(b), 11.0); }, {1, 2}, {3, 4, 5}, {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto d = Make(c.d);
    auto sharer = RefCast<TSLRealBuffer>(d->MakeCopy());
    c.op(*d, *Make(c.r));
    EXPECT_EQ(Values(*d), c.expect);
    EXPECT_EQ(Values(*sharer), c.d);
  }
}

TEST_F(RealBufferTest, NeutralConstantsKeepASharedContainerShared) {
  using Op = std::function<void(TSLRealBuffer&)>;
  const struct {
    const char* name;
    Op op;
    D expect;  // empty: unchanged and still shared
  } cases[] = {
      {"add 0", [](auto& b) { b.AddValue(0.0); }, {}},
      {"subtract 0", [](auto& b) { b.SubtractValue(0.0); }, {}},
      {"multiply 1", [](auto& b) { b.MultiplyValue(1.0); }, {}},
      {"divide 1", [](auto& b) { b.DivideValue(1.0); }, {}},
      {"divide 0", [](auto& b) { b.DivideValue(0.0); }, {}},
      {"normalize by 0", [](auto& b) { b.Normalize(1.0, 0.0); }, {}},
      {"add 1", [](auto& b) { b.AddValue(1.0); }, {3, -1}},
      {"subtract 1", [](auto& b) { b.SubtractValue(1.0); }, {1, -3}},
      {"multiply 3", [](auto& b) { b.MultiplyValue(3.0); }, {6, -6}},
      {"divide 4", [](auto& b) { b.DivideValue(4.0); }, {0.5, -0.5}},
      {"set", [](auto& b) { b.SetValue(7.0); }, {7, 7}},
      {"zero", [](auto& b) { b.Zero(); }, {0, 0}},
      {"normalize", [](auto& b) { b.Normalize(1.0, 2.0); }, {0.5, -1.5}},
      {"threshold greater", [](auto& b) { b.Threshold(0.0, TSLThresholdType::ttGreaterThan); }, {0, -2}},
      {"threshold less", [](auto& b) { b.Threshold(0.0, TSLThresholdType::ttLessThan); }, {2, 0}},
      {"sqr", [](auto& b) { b.Sqr(); }, {4, 4}},
      {"abs", [](auto& b) { b.Abs(); }, {2, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = Make({2, -2});
    auto sharer = RefCast<TSLRealBuffer>(b->MakeCopy());
    c.op(*b);
    if (c.expect.empty()) {
      EXPECT_EQ(&b->DataContainer(), &sharer->DataContainer());
      EXPECT_EQ(Values(*b), (D{2, -2}));
    } else {
      EXPECT_EQ(Values(*b), c.expect);
      EXPECT_NE(&b->DataContainer(), &sharer->DataContainer());
    }
    EXPECT_EQ(Values(*sharer), (D{2, -2}));
  }
}

TEST_F(RealBufferTest, FromOperationsReadTheSourceEvenWhenItIsThisBuffer) {
  auto src = Make({4, 9, 16});
  auto d = Make({0, 0});
  d->SqrtFrom(*src);
  EXPECT_EQ(Values(*d), (D{2, 3}));
  src->SqrtFrom(*src);
  EXPECT_EQ(Values(*src), (D{2, 3, 4}));
  auto a = Make({1, 2, 3});
  a->AutoCorr(*a, TSLAutoCorrType::actNormal);
  EXPECT_EQ(Values(*a), (D{14, 8, 3}));
  auto t = Make({0, 0, 0});
  t->ThresholdFrom(*Make({1, 5, -3}), 2.0, TSLThresholdType::ttGreaterThan);
  EXPECT_EQ(Values(*t), (D{1, 2, -3}));
  EXPECT_THROW(t->ThresholdFrom(*Make({1, 2}), 2.0, TSLThresholdType::ttLessThan), ERangeError);
  EXPECT_THROW(t->AutoCorr(*Make({1}), TSLAutoCorrType::actBiased), ERangeError);
  EXPECT_THROW(t->Norm(*Make({1}), TSLNormType::ntL1Norm), ERangeError);
  EXPECT_EQ(Make({1, 2})->Norm(*Make({4, -2}), TSLNormType::ntL1Norm), 7.0);
  EXPECT_EQ(Make({1, 2})->Norm(*Make({4, -2}), TSLNormType::ntCNorm), 4.0);
}

TEST_F(RealBufferTest, Conversions) {
  auto b = Make({2.5, 3.5, -2.5, -1.9, 40000, -40000, NAN});
  int16_t shorts[7];
  b->ToShort(shorts, true);
  const int16_t rounded[] = {2, 4, -2, -2, 32767, -32768, 0};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(shorts[i], rounded[i]) << i;
  b->ToShort(shorts, false);
  const int16_t truncated[] = {2, 3, -2, -1, 32767, -32768, 0};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(shorts[i], truncated[i]) << i;
  auto c = Make({2.5, 1e10});
  int32_t ints[2];
  c->ToInt(ints, true);
  EXPECT_EQ(ints[0], 2);
  EXPECT_EQ(ints[1], INT32_MAX);
  const int16_t in[] = {-5, 6};
  c->FromShort(in);
  EXPECT_EQ(Values(*c), (D{-5, 6}));
}

TEST_F(RealBufferTest, MinimaAndMaximaOverClampedRanges) {
  auto b = Make({5, 3, 8, 1, 9, 2, 7, 4, 6, 0.5});
  const struct {
    int begin, end;
    double min, max;
  } cases[] = {{2, 2, 0.0, 0.0}, {-5, 100, 0.5, 9}, {0, 3, 3, 8}, {4, 5, 9, 9}, {20, 30, 0.5, 0.5}, {5, 3, 0, 0}};  // a begin past the end takes the last
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.begin << ".." << c.end);
    EXPECT_EQ(b->GetMin(c.begin, c.end), c.min);
    EXPECT_EQ(b->GetMax(c.begin, c.end), c.max);
  }
  auto empty = TSLRealBuffer::Create(pool_);
  EXPECT_EQ(empty->GetMin(0, 5), 0.0);
  EXPECT_EQ(empty->GetMinValue(), 0.0);
  int index = 7;
  EXPECT_EQ(empty->GetMinIndex(index), 0.0);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(b->GetMaxIndex(index), 9.0);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(empty->Mean(), 0.0);
}

TEST_F(RealBufferTest, RestrictedExtremaSkipTheMarkers) {
  auto b = Make({1.0, 1.7e308, 3.0, -1.7e308, 2.0, 0.5, 4.0, 1.5, 2.5, 3.5});
  EXPECT_EQ(b->GetMaxRestricted(0, 9), 4.0);
  EXPECT_EQ(b->GetMinRestricted(0, 9), 0.5);
  EXPECT_EQ(b->GetMinRestricted(0, 4), 1.0);
  // A marker first: start from the first other value, not from 0.0.
  auto m = Make({-1.7e308, 5.0, 6.0, 1.7e308});
  EXPECT_EQ(m->GetMinRestricted(0, 3), 5.0);
  EXPECT_EQ(m->GetMaxRestricted(-3, 30), 6.0);
  EXPECT_EQ(Make({1.7e308, -1.7e308})->GetMaxRestricted(0, 1), 0.0);
  EXPECT_EQ(m->GetMinRestricted(3, 1), 0.0);
}

TEST_F(RealBufferTest, ConvolveResizes) {
  auto b = Make({0});
  b->Convolve(*Make({1, 2, 3, 4}), *Make({1, 1, 1}));
  EXPECT_EQ(Values(*b), (D{1, 3, 6, 9, 7, 4}));
  b->Convolve(*b, *Make({2}));  // from itself
  EXPECT_EQ(Values(*b), (D{2, 6, 12, 18, 14, 8}));
  b->Convolve(*Make({}), *Make({1, 2}));
  EXPECT_EQ(b->GetSize(), 0u);
}

TEST_F(RealBufferTest, CopyRangeCountsDoublesIntoRealBuffers) {
  auto src = Make({1, 2, 3, 4, 5});
  auto dst = Make({0, 0, 0, 0, 0, 0});
  src->CopyRange(1, *dst, 2, 3);
  EXPECT_EQ(Values(*dst), (D{0, 0, 2, 3, 4, 0}));
  EXPECT_THROW(src->CopyRange(3, *dst, 0, 3), ERangeError);
  auto block = TSLBlockBuffer::CreateValue(16, 0, pool_);
  src->CopyRange(1, *block, 2, 3);  // bytes into another class
  const uint8_t* from = reinterpret_cast<const uint8_t*>(src->Read());
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block->Read()[i], i >= 2 && i < 5 ? from[i - 1] : 0) << i;
}

TEST_F(RealBufferTest, ItemsAreRangeChecked) {
  auto b = Make({1, 2});
  auto sharer = RefCast<TSLRealBuffer>(b->MakeCopy());
  EXPECT_EQ(b->GetItem(1), 2.0);
  EXPECT_THROW(b->GetItem(2), ERangeError);
  EXPECT_THROW(b->GetItem(-1), ERangeError);
  try {
    b->SetItem(2, 5.0);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), "Index out of range = 2");
  }
  EXPECT_NE(&b->DataContainer(), &sharer->DataContainer());
  EXPECT_TRUE(b->IsEqualToValue(1.0) == false);
  EXPECT_TRUE(TSLRealBuffer::Create(pool_)->IsEqualToValue(3.0));
}

TEST_F(RealBufferTest, VectorJaehneWithANegativeMagnitudeChangesNothing) {
  auto b = Make({1, 2, 3, 4});
  auto sharer = RefCast<TSLRealBuffer>(b->MakeCopy());
  b->VectorJaehne(-1.0);
  EXPECT_EQ(Values(*b), (D{1, 2, 3, 4}));
  b->VectorJaehne(2.0);
  EXPECT_EQ(b->GetItem(0), 0.0);
  EXPECT_NEAR(b->GetItem(2), 2.0 * std::sin(M_PI * 4 / 8), 1e-12);
  EXPECT_EQ(Values(*sharer), (D{1, 2, 3, 4}));
}

}  // namespace
}  // namespace tavrel
