#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "math/buffer_helpers.h"
#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

TEST(Sum64f, TwoAccumulatorsInTheirFixedOrder) {
  const double big = std::ldexp(1.0, 70);
  // A gets x0, x2 and the tail x4; B gets x1 and x3. Any other grouping
  // loses the small terms against 2^70.
  const double five[] = {big, 1, -big, 1, 1};
  double sum = 0;
  EXPECT_EQ(ippsSum_64f(five, 5, &sum), ippStsNoErr);
  EXPECT_EQ(sum, 3.0);
  const double tail[] = {1, big, 1, -big, 1, 1, 1};  // tail 1+1+1 joins A
  EXPECT_EQ(ippsSum_64f(tail, 7, &sum), ippStsNoErr);
  EXPECT_EQ(sum, 5.0);
  const double one[] = {0.25};
  EXPECT_EQ(ippsSum_64f(one, 1, &sum), ippStsNoErr);
  EXPECT_EQ(sum, 0.25);
}

TEST(MaxMin64f, RunningExtremesFromTheFirstElement) {
  const double one[] = {-7.5};
  double m = 0;
  EXPECT_EQ(ippsMax_64f(one, 1, &m), ippStsNoErr);
  EXPECT_EQ(m, -7.5);
  EXPECT_EQ(ippsMin_64f(one, 1, &m), ippStsNoErr);
  EXPECT_EQ(m, -7.5);
  const double v[] = {3, -1, 8, 8, -4, 2};
  EXPECT_EQ(ippsMax_64f(v, 6, &m), ippStsNoErr);
  EXPECT_EQ(m, 8);
  EXPECT_EQ(ippsMin_64f(v, 6, &m), ippStsNoErr);
  EXPECT_EQ(m, -4);
  const double zeros[] = {0.0, -0.0};  // equal values keep the first
  EXPECT_EQ(ippsMax_64f(zeros, 2, &m), ippStsNoErr);
  EXPECT_FALSE(std::signbit(m));
  EXPECT_EQ(ippsMin_64f(zeros, 2, &m), ippStsNoErr);
  EXPECT_FALSE(std::signbit(m));
}

TEST(DotProd64fc, AccumulatesInExtendedPrecision) {
  const double big = std::ldexp(1.0, 60);
  const Ipp64fc a[] = {{1, 2}, {big, 0}, {1, 0}, {-big, 0}};
  const Ipp64fc b[] = {{3, 4}, {1, 1}, {1, 0}, {1, 1}};
  Ipp64fc dp{};
  EXPECT_EQ(ippsDotProd_64fc(a, b, 4, &dp), ippStsNoErr);
  // (1+2i)(3+4i) = -5+10i; the ±2^60 terms cancel only after the 1 was kept.
  EXPECT_EQ(dp.re, -4.0);
  EXPECT_EQ(dp.im, 10.0);
}

TEST(Threshold64fc, MagnitudeLimitsKeepThePhase) {
  struct Case { Ipp64fc x; double level; IppCmpOp op; Ipp64fc expected; };
  const Case cases[] = {
      {{0, 0}, 2, ippCmpLess, {2, 0}},
      {{1, 0}, 2, ippCmpLess, {2, 0}},
      {{0, -1}, 2, ippCmpLessEq, {0, -2}},  // every relation but "greater" limits from below
      {{0, 3}, 2, ippCmpLess, {0, 3}},
      {{3, 4}, 1, ippCmpGreater, {0.6, 0.8}},
      {{0.3, 0.4}, 1, ippCmpGreater, {0.3, 0.4}},
      {{0, 0}, 0, ippCmpLess, {0, 0}},
      {{1e200, 1e200}, 1, ippCmpGreater, {std::sqrt(0.5), std::sqrt(0.5)}},
      {{1e-200, 0}, 1, ippCmpLess, {1, 0}},
  };
  for (const auto& c : cases) {
    Ipp64fc d{99, 99}, in = c.x;
    EXPECT_EQ(ippsThreshold_64fc(&c.x, &d, 1, c.level, c.op), ippStsNoErr);
    EXPECT_EQ(ippsThreshold_64fc_I(&in, 1, c.level, c.op), ippStsNoErr);
    for (const Ipp64fc& r : {d, in}) {
      EXPECT_NEAR(r.re, c.expected.re, 1e-15) << c.x.re << "," << c.x.im << " level " << c.level;
      EXPECT_NEAR(r.im, c.expected.im, 1e-15) << c.x.re << "," << c.x.im << " level " << c.level;
    }
  }
  // The in-place form writes only the real part of a zero element.
  Ipp64fc z{0.0, -0.0};
  EXPECT_EQ(ippsThreshold_64fc_I(&z, 1, 3, ippCmpLess), ippStsNoErr);
  EXPECT_EQ(z.re, 3);
  EXPECT_TRUE(std::signbit(z.im));
}

TEST(Normalize64fc, SubtractsThenMultipliesByTheReciprocal) {
  const Ipp64fc src[] = {{3, 5}, {-1, 1}};
  Ipp64fc dst[2];
  EXPECT_EQ(ippsNormalize_64fc(src, dst, 2, {1, 1}, 2.0), ippStsNoErr);
  EXPECT_EQ(dst[0].re, 1);
  EXPECT_EQ(dst[0].im, 2);
  EXPECT_EQ(dst[1].re, -1);
  EXPECT_EQ(dst[1].im, 0);
  EXPECT_EQ(ippsNormalize_64fc(src, dst, 2, {0, 0}, std::numeric_limits<double>::min()), ippStsNoErr);
  EXPECT_DOUBLE_EQ(dst[0].re, 3 / std::numeric_limits<double>::min());
}

TEST(NormL2_64fc64f, EvenAndOddPartialSums) {
  const Ipp64fc one[] = {{3, 4}};
  double norm = -1;
  EXPECT_EQ(ippsNorm_L2_64fc64f(one, 1, &norm), ippStsNoErr);
  EXPECT_EQ(norm, 5.0);
  const Ipp64fc three[] = {{1, 0}, {0, 1}, {1, 1}};
  EXPECT_EQ(ippsNorm_L2_64fc64f(three, 3, &norm), ippStsNoErr);
  EXPECT_EQ(norm, 2.0);
  const Ipp64fc huge[] = {{1e200, 1e200}, {1e-200, 0}};
  EXPECT_EQ(ippsNorm_L2_64fc64f(huge, 2, &norm), ippStsNoErr);
  EXPECT_DOUBLE_EQ(norm, std::sqrt(2.0) * 1e200);
  norm = -1;
  EXPECT_EQ(ippsNorm_L2_64fc64f(one, 0, &norm), ippStsSizeErr);
  EXPECT_EQ(norm, -1);
  EXPECT_EQ(ippsNorm_L2_64fc64f(nullptr, 1, &norm), ippStsNullPtrErr);
  EXPECT_EQ(ippsNorm_L2_64fc64f(one, 1, nullptr), ippStsNullPtrErr);
}

}  // namespace
}  // namespace tavrel::kernels
