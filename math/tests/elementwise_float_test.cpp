#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }
constexpr std::uint64_t kDivNaN = 0xFFF8000000000000ull;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Div64f, ZeroDivisorsGiveInfinityOrNaNAndAWarning) {
  struct Case { double divisor, dividend; std::uint64_t expected; };
  const Case cases[] = {
      {-0.0, 1.0, Bits(kInf)},  {0.0, 1.0, Bits(kInf)},       {0.0, -2.0, Bits(-kInf)},
      {-0.0, -2.0, Bits(-kInf)}, {0.0, 0.0, kDivNaN},          {0.0, -0.0, kDivNaN},
      {0.0, kNaN, kDivNaN},     {0.0, kInf, Bits(kInf)},      {4.0, 1.0, Bits(0.25)},
      {-0.5, 3.0, Bits(-6.0)},  {kInf, 1.0, Bits(0.0)},       {3.0, kNaN, Bits(kNaN)},
  };
  for (const auto& c : cases) {
    double y = c.dividend;
    EXPECT_EQ(ippsDiv_64f_I(&c.divisor, &y, 1), c.divisor == 0.0 ? ippStsDivByZero : ippStsNoErr);
    EXPECT_EQ(Bits(y), c.expected) << c.dividend << " / " << c.divisor;
  }
  const double divisors[] = {0.0, 2.0, 0.0};
  double data[] = {1.0, 5.0, -1.0};
  EXPECT_EQ(ippsDiv_64f_I(divisors, data, 3), ippStsDivByZero);
  EXPECT_EQ(data[1], 2.5);  // the elements after a zero divisor are still divided
  EXPECT_EQ(data[2], -kInf);
}

TEST(Div64fc, ComplexDivisionKeepsItsRangeForTinyAndHugeDivisors) {
  struct Case { Ipp64fc divisor, dividend, expected; };
  const Case cases[] = {
      {{1e-160, 0}, {1, 1}, {1e160, 1e160}},
      {{0, 1e-160}, {1, 0}, {0, -1e160}},
      {{1e200, 1e200}, {1e200, 0}, {0.5, -0.5}},
      {{1e-200, 1e-200}, {1e-200, -1e-200}, {0, -1}},
      {{3, 4}, {-5, 10}, {1, 2}},
  };
  for (const auto& c : cases) {
    Ipp64fc y = c.dividend;
    EXPECT_EQ(ippsDiv_64fc_I(&c.divisor, &y, 1), ippStsNoErr);
    EXPECT_NEAR(y.re, c.expected.re, 4e-16 * std::fabs(c.expected.re)) << c.divisor.re << "," << c.divisor.im;
    EXPECT_NEAR(y.im, c.expected.im, 4e-16 * std::fabs(c.expected.im)) << c.divisor.re << "," << c.divisor.im;
  }
  const Ipp64fc zero[] = {{0, -0.0}, {2, 0}};
  Ipp64fc data[] = {{1, 1}, {4, 2}};
  EXPECT_EQ(ippsDiv_64fc_I(zero, data, 2), ippStsDivByZero);
  EXPECT_EQ(Bits(data[0].re), kDivNaN);
  EXPECT_EQ(Bits(data[0].im), kDivNaN);
  EXPECT_EQ(data[1].re, 2.0);
  EXPECT_EQ(data[1].im, 1.0);
}

TEST(DivC64fc, TinyAndHugeConstantsAreNotRefused) {
  const Ipp64fc src[] = {{1, 1}, {2e-100, 0}};
  Ipp64fc dst[2];
  EXPECT_EQ(ippsDivC_64fc(src, {1e-160, 0}, dst, 2), ippStsNoErr);
  EXPECT_DOUBLE_EQ(dst[0].re, 1e160);
  EXPECT_DOUBLE_EQ(dst[0].im, 1e160);
  EXPECT_DOUBLE_EQ(dst[1].re, 2e60);
  EXPECT_EQ(ippsDivC_64fc(src, {1e200, 1e200}, dst, 2), ippStsNoErr);
  EXPECT_DOUBLE_EQ(dst[0].re, 1e-200);
  EXPECT_EQ(dst[0].im, 0.0);
  Ipp64fc in[] = {{-5, 10}};
  EXPECT_EQ(ippsDivC_64fc_I({3, 4}, in, 1), ippStsNoErr);
  EXPECT_DOUBLE_EQ(in[0].re, 1.0);
  EXPECT_DOUBLE_EQ(in[0].im, 2.0);
}

TEST(DivC64f, IsMultiplicationByTheReciprocal) {
  const double src[] = {1.0, -3.0, 0.1, 1e308};
  double a[4], b[4];
  EXPECT_EQ(ippsDivC_64f(src, 4.0, a, 4), ippStsNoErr);
  EXPECT_EQ(ippsMulC_64f(src, 0.25, b, 4), ippStsNoErr);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Bits(a[i]), Bits(b[i]));
  EXPECT_EQ(ippsDivC_64f(src, 3.0, a, 4), ippStsNoErr);
  EXPECT_EQ(Bits(a[2]), Bits(0.1 * (1.0 / 3.0)));
  double in[] = {6.0, 1.0};
  EXPECT_EQ(ippsDivC_64f_I(-2.0, in, 2), ippStsNoErr);
  EXPECT_EQ(in[0], -3.0);
  EXPECT_EQ(in[1], -0.5);
}

TEST(MulC, ShortcutsForOneAndZero) {
  const double sNaN = std::bit_cast<double>(0x7FF0000000000001ull);  // multiplying would quiet it
  double data[] = {sNaN, -0.0, 3.0};
  EXPECT_EQ(ippsMulC_64f_I(1.0, data, 3), ippStsNoErr);
  EXPECT_EQ(Bits(data[0]), 0x7FF0000000000001ull);
  EXPECT_EQ(Bits(data[1]), Bits(-0.0));

  double dst[3] = {9, 9, 9};
  EXPECT_EQ(ippsMulC_64f(data, 1.0, dst, 3), ippStsNoErr);
  EXPECT_EQ(Bits(dst[0]), 0x7FF0000000000001ull);
  EXPECT_EQ(ippsMulC_64f(data, 0.0, dst, 3), ippStsNoErr);  // zero fill, even of NaN
  for (double d : dst) EXPECT_EQ(Bits(d), 0u);
  double inf[] = {kInf, -2.0};
  EXPECT_EQ(ippsMulC_64f_I(-0.0, inf, 2), ippStsNoErr);
  EXPECT_EQ(Bits(inf[0]), 0u);
  EXPECT_EQ(Bits(inf[1]), 0u);

  float f[] = {std::numeric_limits<float>::infinity(), -1.0f};
  EXPECT_EQ(ippsMulC_32f_I(0.0f, f, 2), ippStsNoErr);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(f[0]), 0u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(f[1]), 0u);
  float g[] = {1.5f, -2.0f};
  EXPECT_EQ(ippsMulC_32f_I(2.0f, g, 2), ippStsNoErr);
  EXPECT_EQ(g[0], 3.0f);
  EXPECT_EQ(g[1], -4.0f);
}

TEST(AddSubC, ZeroConstantCopiesOrLeavesTheData) {
  const double src[] = {-0.0, 1.5};
  double dst[2] = {7, 7};
  EXPECT_EQ(ippsAddC_64f(src, 0.0, dst, 2), ippStsNoErr);  // a copy keeps -0.0
  EXPECT_EQ(Bits(dst[0]), Bits(-0.0));
  EXPECT_EQ(ippsSubC_64f(src, 0.0, dst, 2), ippStsNoErr);
  EXPECT_EQ(Bits(dst[0]), Bits(-0.0));
  double in[] = {-0.0, 1.5};
  EXPECT_EQ(ippsAddC_64f_I(0.0, in, 2), ippStsNoErr);
  EXPECT_EQ(ippsSubC_64f_I(0.0, in, 2), ippStsNoErr);
  EXPECT_EQ(Bits(in[0]), Bits(-0.0));
  EXPECT_EQ(ippsAddC_64f(src, 2.0, dst, 2), ippStsNoErr);
  EXPECT_EQ(dst[1], 3.5);
  EXPECT_EQ(ippsSubC_64f(src, 2.0, dst, 2), ippStsNoErr);
  EXPECT_EQ(dst[1], -0.5);
  EXPECT_EQ(ippsSubCRev_64f(src, 2.0, dst, 2), ippStsNoErr);
  EXPECT_EQ(dst[1], 0.5);
  EXPECT_EQ(ippsAddC_64f_I(1.0, in, 2), ippStsNoErr);
  EXPECT_EQ(ippsSubC_64f_I(0.5, in, 2), ippStsNoErr);
  EXPECT_EQ(in[1], 2.0);
}

TEST(VectorArithmetic, RealAndComplexForms) {
  const double a[] = {1, 2, 3, 4}, b[] = {0.5, -1, 8, 0};
  double d[4];
  EXPECT_EQ(ippsAdd_64f(a, b, d, 4), ippStsNoErr);
  EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{1.5, 1, 11, 4}));
  EXPECT_EQ(ippsMul_64f(a, b, d, 4), ippStsNoErr);
  EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{0.5, -2, 24, 0}));
  std::copy(b, b + 4, d);
  EXPECT_EQ(ippsSub_64f_I(a, d, 4), ippStsNoErr);  // y - x
  EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{-0.5, -3, 5, -4}));
  EXPECT_EQ(ippsAdd_64f_I(a, d, 4), ippStsNoErr);
  EXPECT_EQ(ippsMul_64f_I(a, d, 4), ippStsNoErr);
  EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{0.5, -2, 24, 0}));

  const float fa[] = {1, 2}, fb[] = {3, -4};
  float fd[2] = {10, 10};
  EXPECT_EQ(ippsMul_32f(fa, fb, fd, 2), ippStsNoErr);
  EXPECT_EQ(fd[1], -8.0f);
  EXPECT_EQ(ippsMul_32f_I(fa, fd, 2), ippStsNoErr);
  EXPECT_EQ(fd[1], -16.0f);
  EXPECT_EQ(ippsSub_32f_I(fb, fd, 2), ippStsNoErr);
  EXPECT_EQ(fd[1], -12.0f);

  const Ipp64fc x[] = {{1, 2}, {0, -1}}, y[] = {{3, 4}, {2, 5}};
  Ipp64fc z[2];
  EXPECT_EQ(ippsAdd_64fc(x, y, z, 2), ippStsNoErr);
  EXPECT_EQ(z[1].re, 2);
  EXPECT_EQ(z[1].im, 4);
  EXPECT_EQ(ippsSub_64fc_I(x, z, 2), ippStsNoErr);
  EXPECT_EQ(z[0].re, 3);
  EXPECT_EQ(z[0].im, 4);
  EXPECT_EQ(ippsAdd_64fc_I(x, z, 2), ippStsNoErr);
  EXPECT_EQ(ippsMul_64fc_I(y, z, 2), ippStsNoErr);  // (4+6i)(3+4i) = -12+34i
  EXPECT_EQ(z[0].re, -12);
  EXPECT_EQ(z[0].im, 34);

  Ipp64fc c[] = {{1, 2}};
  EXPECT_EQ(ippsMulC_64fc_I({3, 4}, c, 1), ippStsNoErr);
  EXPECT_EQ(c[0].re, -5);
  EXPECT_EQ(c[0].im, 10);
  EXPECT_EQ(ippsAddC_64fc_I({1, -1}, c, 1), ippStsNoErr);
  EXPECT_EQ(ippsSubC_64fc_I({0.5, 0.5}, c, 1), ippStsNoErr);
  EXPECT_EQ(c[0].re, -4.5);
  EXPECT_EQ(c[0].im, 8.5);
  EXPECT_EQ(ippsSubCRev_64fc(c, {0, 0}, z, 1), ippStsNoErr);
  EXPECT_EQ(z[0].re, 4.5);
  EXPECT_EQ(z[0].im, -8.5);
  EXPECT_EQ(ippsAddC_64fc(c, {1, 1}, z, 1), ippStsNoErr);
  EXPECT_EQ(z[0].im, 9.5);
  EXPECT_EQ(ippsSubC_64fc(c, {1, 1}, z, 1), ippStsNoErr);
  EXPECT_EQ(z[0].im, 7.5);
  EXPECT_EQ(ippsMulC_64fc(c, {0, 1}, z, 1), ippStsNoErr);
  EXPECT_EQ(z[0].re, -8.5);
  EXPECT_EQ(z[0].im, -4.5);
}

TEST(VectorArithmetic, ComplexProductsRoundOnceFromExtendedPrecision) {
  // re = 1*1 - eps*eps needs more than 53 bits before its single rounding.
  const double e = std::ldexp(1.0, -30);
  const Ipp64fc x[] = {{1 + e, 1 - e}};
  Ipp64fc y[] = {{1 + e, 1 + e}};
  EXPECT_EQ(ippsMul_64fc_I(x, y, 1), ippStsNoErr);
  const long double xr = 1 + e, xi = 1 - e, yr = 1 + e, yi = 1 + e;
  EXPECT_EQ(y[0].re, static_cast<double>(yr * xr - yi * xi));
  EXPECT_EQ(y[0].im, static_cast<double>(xr * yi + yr * xi));
}

}  // namespace
}  // namespace tavrel::kernels
