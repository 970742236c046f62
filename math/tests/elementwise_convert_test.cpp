#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct ToInt { double x; int mode; int sf; Ipp32s expected; };
const ToInt kToInt[] = {
    {2.5, ippRndNear, 0, 2},          {3.5, ippRndNear, 0, 4},          {-2.5, ippRndNear, 0, -2},
    {-3.5, ippRndNear, 0, -4},        {-0.5, ippRndNear, 0, 0},         {0.5000001, ippRndNear, 0, 1},
    {-2.7, ippRndZero, 0, -2},        {-2.7, ippRndNear, 0, -3},        {2.7, 7, 0, 2},
    {kNaN, ippRndNear, 0, INT_MIN},   {kNaN, ippRndZero, 3, INT_MIN},   {3e9, ippRndZero, 0, INT_MAX},
    {-3e9, ippRndNear, 0, INT_MIN},   {kInf, ippRndNear, 0, INT_MAX},   {-kInf, ippRndZero, -5, INT_MIN},
    {2147483647.0, ippRndZero, 0, INT_MAX}, {2147483646.5, ippRndNear, 0, 2147483646},
    {2147483646.9, ippRndZero, 0, 2147483646}, {-2147483648.0, ippRndNear, 0, INT_MIN},
    {-2147483647.5, ippRndNear, 0, INT_MIN},   {-2147483647.5, ippRndZero, 0, -2147483647},
    {5.0, ippRndNear, 1, 2},          {7.0, ippRndNear, 1, 4},          {5.0, ippRndZero, 1, 2},
    {3.0, ippRndNear, -2, 12},        {1.0, ippRndNear, -31, INT_MAX},  {-1.0, ippRndNear, -31, INT_MIN},
    {1e-300, ippRndNear, INT_MIN, INT_MAX}, {-1e-300, ippRndNear, INT_MIN, INT_MIN},
    {0.0, ippRndNear, INT_MIN, 0},    {1e300, ippRndNear, INT_MAX, 0},  {1e300, ippRndNear, 1000, 0},  {1e-300, ippRndNear, -1000, 11},  {1e-200, ippRndNear, -1000, INT_MAX},
    {1.5, ippRndNear, 2001, 0},
};

TEST(ConvertTo32s, RoundingSaturationAndScale) {
  for (const auto& c : kToInt) {
    Ipp32s d = 12345;
    EXPECT_EQ(ippsConvert_64f32s_Sfs(&c.x, &d, 1, static_cast<IppRoundMode>(c.mode), c.sf), ippStsNoErr);
    EXPECT_EQ(d, c.expected) << c.x << " mode " << c.mode << " sf " << c.sf;
    if (std::isfinite(c.x) && (std::fabs(c.x) > FLT_MAX || static_cast<double>(static_cast<float>(c.x)) != c.x))
      continue;  // not a single-precision value
    const float f = static_cast<float>(c.x);
    d = 12345;
    EXPECT_EQ(ippsConvert_32f32s_Sfs(&f, &d, 1, static_cast<IppRoundMode>(c.mode), c.sf), ippStsNoErr);
    EXPECT_EQ(d, c.expected) << "single " << c.x << " mode " << c.mode << " sf " << c.sf;
  }
}

TEST(ConvertWidening, ExactOrRoundedToNearest) {
  const Ipp32s ints[] = {INT_MIN, -1, 16777217, INT_MAX};
  double d[4];
  float f[4];
  EXPECT_EQ(ippsConvert_32s64f(ints, d, 4), ippStsNoErr);
  EXPECT_EQ(d[0], -2147483648.0);
  EXPECT_EQ(d[2], 16777217.0);
  EXPECT_EQ(ippsConvert_32s32f(ints, f, 4), ippStsNoErr);
  EXPECT_EQ(f[2], 16777216.0f);  // tie to even
  EXPECT_EQ(f[3], 2147483648.0f);
  const float floats[] = {0.1f, -FLT_MAX, std::numeric_limits<float>::denorm_min()};
  EXPECT_EQ(ippsConvert_32f64f(floats, d, 3), ippStsNoErr);
  EXPECT_EQ(d[0], static_cast<double>(0.1f));
  EXPECT_EQ(d[1], -static_cast<double>(FLT_MAX));
  EXPECT_EQ(d[2], std::ldexp(1.0, -149));
}

TEST(SwapBytes, SixteenTwentyFourAndThirtyTwoBits) {
  const Ipp16u s16[] = {0x1234, 0xFF00};
  Ipp16u d16[2];
  EXPECT_EQ(ippsSwapBytes_16u(s16, d16, 2), ippStsNoErr);
  EXPECT_EQ(d16[0], 0x3412);
  EXPECT_EQ(d16[1], 0x00FF);
  Ipp8u b24[] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(ippsSwapBytes_24u(b24, b24, 2), ippStsNoErr);  // in place works
  EXPECT_EQ(std::vector<Ipp8u>(b24, b24 + 7), (std::vector<Ipp8u>{3, 2, 1, 6, 5, 4, 7}));
  const Ipp32u s32[] = {0x11223344u};
  Ipp32u d32[1];
  EXPECT_EQ(ippsSwapBytes_32u(s32, d32, 1), ippStsNoErr);
  EXPECT_EQ(d32[0], 0x44332211u);
  EXPECT_EQ(ippsSwapBytes_32u_I(d32, 1), ippStsNoErr);
  EXPECT_EQ(d32[0], 0x11223344u);
}

TEST(ComplexParts, RealImagAndConjugateCompletion) {
  const Ipp64fc src[] = {{1, -1}, {2, -2}, {3, -3}};
  double re[3], im[3];
  EXPECT_EQ(ippsReal_64fc(src, re, 3), ippStsNoErr);
  EXPECT_EQ(ippsImag_64fc(src, im, 3), ippStsNoErr);
  EXPECT_EQ(re[2], 3);
  EXPECT_EQ(im[2], -3);

  for (int n : {1, 2}) {
    std::vector<Ipp64fc> v = {{1, 2}, {3, 4}};
    EXPECT_EQ(ippsConjCcs_64fc_I(v.data(), n), ippStsNoErr);
    EXPECT_EQ(v[1].im, 4) << n;
  }
  std::vector<Ipp64fc> eight(8, {99, 99});
  for (int k = 0; k <= 4; ++k) eight[k] = {double(k), double(10 + k)};
  EXPECT_EQ(ippsConjCcs_64fc_I(eight.data(), 8), ippStsNoErr);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(eight[8 - k].re, k);
    EXPECT_EQ(eight[8 - k].im, -(10 + k));
  }
  EXPECT_EQ(eight[4].im, 14);  // the middle element stays
  std::vector<Ipp64fc> seven(7, {99, 99});
  for (int k = 0; k <= 3; ++k) seven[k] = {double(k), double(10 + k)};
  EXPECT_EQ(ippsConjCcs_64fc_I(seven.data(), 7), ippStsNoErr);
  EXPECT_EQ(seven[4].im, -13);
  EXPECT_EQ(seven[6].im, -11);
  EXPECT_EQ(seven[3].im, 13);
}

}  // namespace
}  // namespace tavrel::kernels
