#include "signal/SLComplexBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace tavrel {
namespace {

using Z = std::vector<TOWRealComplex>;

class ComplexBufferTest : public testing::Test {
 protected:
  Ref<TSLComplexBuffer> Make(const Z& v) { return TSLComplexBuffer::CreateData(v.data(), v.size(), pool_); }
  Ref<TSLRealBuffer> Reals(const std::vector<double>& v) { return TSLRealBuffer::CreateData(v.data(), v.size(), pool_); }
  static Z Values(const TSLComplexBuffer& b) { return Z(b.Read(), b.Read() + b.GetSize()); }
  static std::vector<double> Values(const TSLRealBuffer& b) { return {b.Read(), b.Read() + b.GetSize()}; }
  TSLSmartBufferManager pool_;
};

TEST_F(ComplexBufferTest, OperationTable) {
  using Op = std::function<void(TSLComplexBuffer&, TSLComplexBuffer&)>;
  const struct {
    const char* name;
    Op op;
    Z d, r, expect;
  } cases[] = {
      {"add, shorter right", [](auto& a, auto& b) { a.Add(b); }, {{1, 2}, {3, 4}}, {{1, 1}}, {{2, 3}, {3, 4}}},
      {"subtract", [](auto& a, auto& b) { a.Subtract(b); }, {{1, 2}}, {{3, 5}}, {{-2, -3}}},
      {"multiply", [](auto& a, auto& b) { a.Multiply(b); }, {{1, 1}}, {{1, 1}}, {{0, 2}}},
      {"divide", [](auto& a, auto& b) { a.Divide(b); }, {{0, 2}}, {{1, 1}}, {{1, 1}}},
      {"add a constant, 0 included", [](auto& a, auto&) { a.AddValue(0, 1); }, {{1, 2}}, {}, {{1, 3}}},
      {"multiply by 1 still runs", [](auto& a, auto&) { a.MultiplyValue(1, 0); }, {{1, 2}}, {}, {{1, 2}}},
      {"set", [](auto& a, auto&) { a.SetValue({7, -7}); }, {{1, 2}, {0, 0}}, {}, {{7, -7}, {7, -7}}},
      {"zero", [](auto& a, auto&) { a.Zero(); }, {{1, 2}}, {}, {{0, 0}}},
      {"square", [](auto& a, auto&) { a.Sqr(); }, {{1, 1}}, {}, {{0, 2}}},
      {"normalize", [](auto& a, auto&) { a.Normalize({1, 1}, 2); }, {{3, 5}}, {}, {{1, 2}}},
      {"normalize by 0 changes nothing", [](auto& a, auto&) { a.Normalize({1, 1}, 0); }, {{3, 5}}, {}, {{3, 5}}},
      {"threshold on the magnitude", [](auto& a, auto&) { a.Threshold(1.0, TSLThresholdType::ttGreaterThan); },
       {{3, 4}, {0.5, 0}}, {}, {{0.6, 0.8}, {0.5, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto d = Make(c.d);
    auto sharer = TSLComplexBuffer::CreateEx(*d);
    auto r = Make(c.r);
    c.op(*d, *r);
    const Z got = Values(*d);
    ASSERT_EQ(got.size(), c.expect.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(got[i].Real, c.expect[i].Real, 1e-15) << i;
      EXPECT_NEAR(got[i].Imaginary, c.expect[i].Imaginary, 1e-15) << i;
    }
    EXPECT_EQ(Values(*sharer), c.d);
  }
}

TEST_F(ComplexBufferTest, BuiltFromPartsAndTakenApart) {
  auto z = TSLComplexBuffer::Create(pool_);
  z->SetBuffer(*Reals({3, -1, 0, 9}), *Reals({4, -2, 1}));
  EXPECT_EQ(Values(*z), (Z{{3, 4}, {-1, -2}, {0, 1}}));
  EXPECT_EQ(Values(*z->GetReal()), (std::vector<double>{3, -1, 0}));
  EXPECT_EQ(Values(*z->GetImaginary()), (std::vector<double>{4, -2, 1}));
  EXPECT_EQ(z->Magnitude()->GetItem(0), 5.0);
  EXPECT_EQ(z->PowerSpectrum()->GetItem(0), 25.0);
  EXPECT_NEAR(z->Phase()->GetItem(2), M_PI / 2, 1e-15);
  EXPECT_EQ(TSLComplexBuffer::Create(pool_)->GetReal()->GetSize(), 0u);
}

TEST_F(ComplexBufferTest, MeanDotAndComparisons) {
  const TOWRealComplex mean = Make({{3, 4}, {-1, -2}})->Mean();
  EXPECT_EQ(mean, (TOWRealComplex{2, 3}));
  EXPECT_EQ(Make({{1, 1}})->Dot(*Make({{1, 1}})), (TOWRealComplex{0, 2}));
  EXPECT_TRUE(Make({{1, 2}, {1, 2}})->IsEqualToValue({1, 2}));
  EXPECT_FALSE(Make({{1, 2}, {1, 3}})->IsEqualToValue({1, 2}));
  EXPECT_TRUE(TSLComplexBuffer::Create(pool_)->IsEqualToValue({1, 2}));
}

TEST_F(ComplexBufferTest, CopyRangeCountsBytes) {
  auto src = Make({{1, 2}, {3, 4}});
  auto dst = Make({{0, 0}, {0, 0}});
  src->CopyRange(16, *dst, 0, 16);
  EXPECT_EQ(Values(*dst), (Z{{3, 4}, {0, 0}}));
  EXPECT_THROW(src->GetItem(2), ERangeError);
  EXPECT_THROW(src->ThresholdFrom(*Make({{1, 1}}), 1, TSLThresholdType::ttLessThan), ERangeError);
}

}  // namespace
}  // namespace tavrel
