// The argument checks of every element-wise routine: a nil pointer gives -8
// before a bad length gives -6, and a refused call writes nothing.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "math/buffer_helpers.h"
#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

// Pointer arguments are handed out from separate regions of one buffer; the
// one numbered `nullAt` is nil instead.
class Arena {
 public:
  static constexpr int kRegion = 64;
  static constexpr Ipp8u kFill = 0x5A;
  void Reset(int nullAt) {
    std::memset(bytes_, kFill, sizeof bytes_);
    nullAt_ = nullAt;
    next_ = 0;
  }
  template <class T>
  T* p() {
    const int index = next_++;
    return index == nullAt_ ? nullptr : reinterpret_cast<T*>(bytes_ + index * kRegion);
  }
  bool Untouched() const {
    for (Ipp8u b : bytes_)
      if (b != kFill) return false;
    return true;
  }

 private:
  alignas(32) Ipp8u bytes_[4 * kRegion];
  int nullAt_ = -1, next_ = 0;
};

struct CheckCase {
  const char* name;
  int pointers;
  std::function<IppStatus(Arena&, int len)> call;
  IppStatus nilWithBadLength = ippStsNullPtrErr;  // the complex sums test the length first
};

#define ROW(name, pointers, ...) \
  CheckCase { #name, pointers, [](Arena& a, int len) { return name(__VA_ARGS__); } }
#define ROW_LENGTH_FIRST(name, pointers, ...) \
  CheckCase { #name, pointers, [](Arena& a, int len) { return name(__VA_ARGS__); }, ippStsSizeErr }

const Ipp64fc kC{3.0, -1.0};

const CheckCase kCases[] = {
    ROW(ippsAdd_64f, 3, a.p<Ipp64f>(), a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW(ippsAdd_64f_I, 2, a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW_LENGTH_FIRST(ippsAdd_64fc, 3, a.p<Ipp64fc>(), a.p<Ipp64fc>(), a.p<Ipp64fc>(), len),
    ROW_LENGTH_FIRST(ippsAdd_64fc_I, 2, a.p<Ipp64fc>(), a.p<Ipp64fc>(), len),
    ROW(ippsSub_64f_I, 2, a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW(ippsSub_32f_I, 2, a.p<Ipp32f>(), a.p<Ipp32f>(), len),
    ROW_LENGTH_FIRST(ippsSub_64fc_I, 2, a.p<Ipp64fc>(), a.p<Ipp64fc>(), len),
    ROW(ippsMul_64f, 3, a.p<Ipp64f>(), a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW(ippsMul_32f, 3, a.p<Ipp32f>(), a.p<Ipp32f>(), a.p<Ipp32f>(), len),
    ROW(ippsMul_64f_I, 2, a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW(ippsMul_32f_I, 2, a.p<Ipp32f>(), a.p<Ipp32f>(), len),
    ROW(ippsMul_64fc_I, 2, a.p<Ipp64fc>(), a.p<Ipp64fc>(), len),
    ROW(ippsDiv_64f_I, 2, a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW(ippsDiv_64fc_I, 2, a.p<Ipp64fc>(), a.p<Ipp64fc>(), len),
    ROW(ippsAddC_64f, 2, a.p<Ipp64f>(), 2.0, a.p<Ipp64f>(), len),
    ROW(ippsAddC_64f, 2, a.p<Ipp64f>(), 0.0, a.p<Ipp64f>(), len),
    ROW(ippsAddC_64f_I, 1, 2.0, a.p<Ipp64f>(), len),
    ROW(ippsAddC_64f_I, 1, 0.0, a.p<Ipp64f>(), len),
    ROW(ippsSubC_64f, 2, a.p<Ipp64f>(), 2.0, a.p<Ipp64f>(), len),
    ROW(ippsSubC_64f, 2, a.p<Ipp64f>(), 0.0, a.p<Ipp64f>(), len),
    ROW(ippsSubC_64f_I, 1, 2.0, a.p<Ipp64f>(), len),
    ROW(ippsSubCRev_64f, 2, a.p<Ipp64f>(), 2.0, a.p<Ipp64f>(), len),
    ROW(ippsMulC_64f, 2, a.p<Ipp64f>(), 2.0, a.p<Ipp64f>(), len),
    ROW(ippsMulC_64f, 2, a.p<Ipp64f>(), 1.0, a.p<Ipp64f>(), len),
    ROW(ippsMulC_64f, 2, a.p<Ipp64f>(), 0.0, a.p<Ipp64f>(), len),
    ROW(ippsMulC_64f_I, 1, 0.0, a.p<Ipp64f>(), len),
    ROW(ippsMulC_32f_I, 1, 0.0f, a.p<Ipp32f>(), len),
    ROW(ippsDivC_64f, 2, a.p<Ipp64f>(), 0.0, a.p<Ipp64f>(), len),
    ROW(ippsDivC_64f_I, 1, 0.0, a.p<Ipp64f>(), len),
    ROW(ippsAddC_64fc, 2, a.p<Ipp64fc>(), kC, a.p<Ipp64fc>(), len),
    ROW(ippsAddC_64fc_I, 1, kC, a.p<Ipp64fc>(), len),
    ROW(ippsSubC_64fc, 2, a.p<Ipp64fc>(), kC, a.p<Ipp64fc>(), len),
    ROW(ippsSubC_64fc_I, 1, kC, a.p<Ipp64fc>(), len),
    ROW(ippsSubCRev_64fc, 2, a.p<Ipp64fc>(), kC, a.p<Ipp64fc>(), len),
    ROW(ippsMulC_64fc, 2, a.p<Ipp64fc>(), kC, a.p<Ipp64fc>(), len),
    ROW(ippsMulC_64fc_I, 1, kC, a.p<Ipp64fc>(), len),
    ROW(ippsDivC_64fc, 2, a.p<Ipp64fc>(), (Ipp64fc{0, 0}), a.p<Ipp64fc>(), len),
    ROW(ippsDivC_64fc_I, 1, (Ipp64fc{0, 0}), a.p<Ipp64fc>(), len),
    ROW(ippsAdd_8u_ISfs, 2, a.p<Ipp8u>(), a.p<Ipp8u>(), len, 10),
    ROW(ippsSub_8u_ISfs, 2, a.p<Ipp8u>(), a.p<Ipp8u>(), len, 0),
    ROW(ippsMul_8u_ISfs, 2, a.p<Ipp8u>(), a.p<Ipp8u>(), len, 17),
    ROW(ippsAdd_32s_ISfs, 2, a.p<Ipp32s>(), a.p<Ipp32s>(), len, 40),
    ROW(ippsSub_32s_ISfs, 2, a.p<Ipp32s>(), a.p<Ipp32s>(), len, 1),
    ROW(ippsMul_32s_ISfs, 2, a.p<Ipp32s>(), a.p<Ipp32s>(), len, 63),
    ROW(ippsAddC_32s_ISfs, 1, 0, a.p<Ipp32s>(), len, 0),
    ROW(ippsAddC_32s_Sfs, 2, a.p<Ipp32s>(), 0, a.p<Ipp32s>(), len, 0),
    ROW(ippsAddC_32s_Sfs, 2, a.p<Ipp32s>(), 5, a.p<Ipp32s>(), len, 33),
    ROW(ippsSubC_32s_ISfs, 1, 0, a.p<Ipp32s>(), len, 0),
    ROW(ippsSubC_32s_Sfs, 2, a.p<Ipp32s>(), 0, a.p<Ipp32s>(), len, 0),
    ROW(ippsSubCRev_32s_Sfs, 2, a.p<Ipp32s>(), 5, a.p<Ipp32s>(), len, 40),
    ROW(ippsMulC_32s_ISfs, 1, 0, a.p<Ipp32s>(), len, 0),
    ROW(ippsMulC_32s_Sfs, 2, a.p<Ipp32s>(), 1, a.p<Ipp32s>(), len, 0),
    ROW(ippsMulC_32s_Sfs, 2, a.p<Ipp32s>(), 0, a.p<Ipp32s>(), len, 0),
    ROW(ippsDiv_32s_ISfs, 2, a.p<Ipp32s>(), a.p<Ipp32s>(), len, 0),
    ROW(ippsAndC_32u, 2, a.p<Ipp32u>(), 0u, a.p<Ipp32u>(), len),
    ROW(ippsAndC_32u, 2, a.p<Ipp32u>(), 7u, a.p<Ipp32u>(), len),
    ROW(ippsOrC_32u, 2, a.p<Ipp32u>(), 0u, a.p<Ipp32u>(), len),
    ROW(ippsOrC_32u, 2, a.p<Ipp32u>(), 7u, a.p<Ipp32u>(), len),
    ROW(ippsXorC_32u, 2, a.p<Ipp32u>(), 7u, a.p<Ipp32u>(), len),
    ROW(ippsLShiftC_32s, 2, a.p<Ipp32s>(), 0, a.p<Ipp32s>(), len),
    ROW(ippsLShiftC_32s, 2, a.p<Ipp32s>(), 32, a.p<Ipp32s>(), len),
    ROW(ippsLShiftC_32s, 2, a.p<Ipp32s>(), -1, a.p<Ipp32s>(), len),
    ROW(ippsRShiftC_32s, 2, a.p<Ipp32s>(), -1, a.p<Ipp32s>(), len),
    ROW(ippsRShiftC_32s, 2, a.p<Ipp32s>(), 40, a.p<Ipp32s>(), len),
    ROW(ippsLShiftC_32s_I, 1, 40, a.p<Ipp32s>(), len),
    ROW(ippsLShiftC_32s_I, 1, -1, a.p<Ipp32s>(), len),
    ROW(ippsRShiftC_32s_I, 1, -1, a.p<Ipp32s>(), len),
    ROW(ippsZero_8u, 1, a.p<Ipp8u>(), len),
    ROW(ippsZero_16s, 1, a.p<Ipp16s>(), len),
    ROW(ippsZero_32s, 1, a.p<Ipp32s>(), len),
    ROW(ippsZero_32f, 1, a.p<Ipp32f>(), len),
    ROW(ippsZero_64f, 1, a.p<Ipp64f>(), len),
    ROW(ippsZero_64fc, 1, a.p<Ipp64fc>(), len),
    ROW(ippsSet_8u, 1, Ipp8u{1}, a.p<Ipp8u>(), len),
    ROW(ippsSet_32s, 1, 1, a.p<Ipp32s>(), len),
    ROW(ippsSet_32f, 1, 1.0f, a.p<Ipp32f>(), len),
    ROW(ippsSet_64f, 1, 1.0, a.p<Ipp64f>(), len),
    ROW(ippsSet_64fc, 1, kC, a.p<Ipp64fc>(), len),
    ROW(ippsCopy_8u, 2, a.p<Ipp8u>(), a.p<Ipp8u>(), len),
    ROW(ippsCopy_32f, 2, a.p<Ipp32f>(), a.p<Ipp32f>(), len),
    ROW(ippsCopy_64f, 2, a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW(ippsMove_64f, 2, a.p<Ipp64f>(), a.p<Ipp64f>(), len),
    ROW(ippiCopy_32s_C1R, 2, a.p<Ipp32s>(), 16, a.p<Ipp32s>(), 16, (IppiSize{len, 1})),
    ROW(ippiCopy_32s_C1R, 2, a.p<Ipp32s>(), 16, a.p<Ipp32s>(), 16, (IppiSize{1, len})),
    ROW(ippsConvert_32f64f, 2, a.p<Ipp32f>(), a.p<Ipp64f>(), len),
    ROW(ippsConvert_32s64f, 2, a.p<Ipp32s>(), a.p<Ipp64f>(), len),
    ROW(ippsConvert_32s32f, 2, a.p<Ipp32s>(), a.p<Ipp32f>(), len),
    ROW(ippsConvert_64f32f, 2, a.p<Ipp64f>(), a.p<Ipp32f>(), len),
    ROW(ippsConvert_64f32s_Sfs, 2, a.p<Ipp64f>(), a.p<Ipp32s>(), len, ippRndNear, 0),
    ROW(ippsConvert_32f32s_Sfs, 2, a.p<Ipp32f>(), a.p<Ipp32s>(), len, ippRndZero, 3),
    ROW(ippsSwapBytes_16u, 2, a.p<Ipp16u>(), a.p<Ipp16u>(), len),
    ROW(ippsSwapBytes_24u, 2, a.p<Ipp8u>(), a.p<Ipp8u>(), len),
    ROW(ippsSwapBytes_32u, 2, a.p<Ipp32u>(), a.p<Ipp32u>(), len),
    ROW(ippsSwapBytes_32u_I, 1, a.p<Ipp32u>(), len),
    ROW(ippsReal_64fc, 2, a.p<Ipp64fc>(), a.p<Ipp64f>(), len),
    ROW(ippsImag_64fc, 2, a.p<Ipp64fc>(), a.p<Ipp64f>(), len),
    ROW(ippsConjCcs_64fc_I, 1, a.p<Ipp64fc>(), len),
    ROW(ippsSum_64f, 2, a.p<Ipp64f>(), len, a.p<Ipp64f>()),
    ROW(ippsMax_64f, 2, a.p<Ipp64f>(), len, a.p<Ipp64f>()),
    ROW(ippsMin_64f, 2, a.p<Ipp64f>(), len, a.p<Ipp64f>()),
    ROW(ippsDotProd_64fc, 3, a.p<Ipp64fc>(), a.p<Ipp64fc>(), len, a.p<Ipp64fc>()),
    ROW(ippsThreshold_64fc, 2, a.p<Ipp64fc>(), a.p<Ipp64fc>(), len, -1.0, ippCmpLess),
    ROW(ippsThreshold_64fc_I, 1, a.p<Ipp64fc>(), len, -1.0, ippCmpGreater),
    ROW(ippsNormalize_64fc, 2, a.p<Ipp64fc>(), a.p<Ipp64fc>(), len, kC, 0.0),
    ROW(ippsNorm_L2_64fc64f, 2, a.p<Ipp64fc>(), len, a.p<Ipp64f>()),
    // The run-time module's kernels follow the same order.
    ROW(ippsMove_8u, 2, a.p<Ipp8u>(), a.p<Ipp8u>(), len),
};

TEST(ElementwiseChecks, NilPointerFirstThenLengthAndNothingWritten) {
  Arena arena;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    for (int nullAt = 0; nullAt < c.pointers; ++nullAt) {
      SCOPED_TRACE("nil pointer " + std::to_string(nullAt));
      for (int len : {0, -3}) {
        arena.Reset(nullAt);
        EXPECT_EQ(c.call(arena, len), c.nilWithBadLength);
        EXPECT_TRUE(arena.Untouched());
      }
      arena.Reset(nullAt);
      EXPECT_EQ(c.call(arena, 4), ippStsNullPtrErr);
      EXPECT_TRUE(arena.Untouched());
    }
    for (int len : {0, -1, INT32_MIN}) {
      arena.Reset(-1);
      EXPECT_EQ(c.call(arena, len), ippStsSizeErr) << "length " << len;
      EXPECT_TRUE(arena.Untouched());
    }
  }
}

// Own argument errors come after the common checks and write nothing.
TEST(ElementwiseChecks, OwnArgumentErrors) {
  Arena arena;
  struct Own { const char* name; IppStatus expected; std::function<IppStatus(Arena&)> call; };
  const Own cases[] = {
      {"DivC_64f by 0", ippStsDivByZeroErr, [](Arena& a) { return ippsDivC_64f(a.p<Ipp64f>(), 0.0, a.p<Ipp64f>(), 4); }},
      {"DivC_64f by -0", ippStsDivByZeroErr, [](Arena& a) { return ippsDivC_64f(a.p<Ipp64f>(), -0.0, a.p<Ipp64f>(), 4); }},
      {"DivC_64f_I by 0", ippStsDivByZeroErr, [](Arena& a) { return ippsDivC_64f_I(0.0, a.p<Ipp64f>(), 4); }},
      {"DivC_64fc by 0", ippStsDivByZeroErr,
       [](Arena& a) { return ippsDivC_64fc(a.p<Ipp64fc>(), {0.0, -0.0}, a.p<Ipp64fc>(), 4); }},
      {"DivC_64fc_I by 0", ippStsDivByZeroErr, [](Arena& a) { return ippsDivC_64fc_I({0.0, 0.0}, a.p<Ipp64fc>(), 4); }},
      {"LShiftC_32s -1", ippStsShiftErr, [](Arena& a) { return ippsLShiftC_32s(a.p<Ipp32s>(), -1, a.p<Ipp32s>(), 4); }},
      {"RShiftC_32s -1", ippStsShiftErr, [](Arena& a) { return ippsRShiftC_32s(a.p<Ipp32s>(), -1, a.p<Ipp32s>(), 4); }},
      {"LShiftC_32s_I -1", ippStsShiftErr, [](Arena& a) { return ippsLShiftC_32s_I(-1, a.p<Ipp32s>(), 4); }},
      {"RShiftC_32s_I -1", ippStsShiftErr, [](Arena& a) { return ippsRShiftC_32s_I(-1, a.p<Ipp32s>(), 4); }},
      {"Threshold_64fc level -1", ippStsThreshNegLevelErr,
       [](Arena& a) { return ippsThreshold_64fc(a.p<Ipp64fc>(), a.p<Ipp64fc>(), 4, -1.0, ippCmpLess); }},
      {"Threshold_64fc_I level -1e-300", ippStsThreshNegLevelErr,
       [](Arena& a) { return ippsThreshold_64fc_I(a.p<Ipp64fc>(), 4, -1e-300, ippCmpGreater); }},
      {"Normalize_64fc by 0", ippStsDivByZeroErr,
       [](Arena& a) { return ippsNormalize_64fc(a.p<Ipp64fc>(), a.p<Ipp64fc>(), 4, kC, 0.0); }},
      {"Normalize_64fc by a subnormal", ippStsDivByZeroErr,
       [](Arena& a) { return ippsNormalize_64fc(a.p<Ipp64fc>(), a.p<Ipp64fc>(), 4, kC, -1e-310); }},
      {"Normalize_64fc by NaN", ippStsDivByZeroErr,
       [](Arena& a) { return ippsNormalize_64fc(a.p<Ipp64fc>(), a.p<Ipp64fc>(), 4, kC, std::nan("")); }},
  };
  for (const auto& c : cases) {
    arena.Reset(-1);
    EXPECT_EQ(c.call(arena), c.expected) << c.name;
    EXPECT_TRUE(arena.Untouched()) << c.name;
  }
}

TEST(ElementwiseChecks, RealToCplxNeedsTheDestinationAndOneSource) {
  Ipp64f re[2] = {1, 2}, im[2] = {3, 4};
  Ipp64fc dst[2] = {{9, 9}, {9, 9}};
  EXPECT_EQ(ippsRealToCplx_64f(re, im, nullptr, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsRealToCplx_64f(nullptr, nullptr, dst, 0), ippStsSizeErr);
  EXPECT_EQ(ippsRealToCplx_64f(nullptr, nullptr, dst, 2), ippStsNullPtrErr);
  EXPECT_EQ(dst[0].re, 9);
  EXPECT_EQ(ippsRealToCplx_64f(nullptr, im, dst, 2), ippStsNoErr);
  EXPECT_EQ(dst[1].re, 0.0);
  EXPECT_EQ(dst[1].im, 4.0);
  EXPECT_EQ(ippsRealToCplx_64f(re, nullptr, dst, 2), ippStsNoErr);
  EXPECT_EQ(dst[0].re, 1.0);
  EXPECT_EQ(dst[0].im, 0.0);

  Ipp32f fre[1] = {-1.5f};
  Ipp32fc fdst[1] = {{7, 7}};
  EXPECT_EQ(ippsRealToCplx_32f(nullptr, nullptr, fdst, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippsRealToCplx_32f(fre, nullptr, fdst, 1), ippStsNoErr);
  EXPECT_EQ(fdst[0].re, -1.5f);
  EXPECT_EQ(std::bit_cast<Ipp32u>(fdst[0].im), 0u);
}

}  // namespace
}  // namespace tavrel::kernels
