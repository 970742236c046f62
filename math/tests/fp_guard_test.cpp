// The handled edge cases (zero divisors, NaN and out-of-range conversions,
// tiny divisors) must not raise the invalid or divide-by-zero flag: with the
// traps enabled, as the kernels were designed for, they would fault.
#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include "math/buffer_helpers.h"
#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(FloatingPointGuard, HandledEdgeCasesRaiseNoFlag) {
  struct Case { const char* name; std::function<void()> run; };
  const Case cases[] = {
      {"Div_64f_I by zeros", [] {
         const double x[] = {0.0, -0.0, 0.0, 0.0};
         double y[] = {1.0, -1.0, 0.0, kNaN};
         ippsDiv_64f_I(x, y, 4);
       }},
      {"Div_64fc_I by zero", [] {
         const Ipp64fc x[] = {{0, 0}, {1e-160, 0}};
         Ipp64fc y[] = {{1, 1}, {1, 1}};
         ippsDiv_64fc_I(x, y, 2);
       }},
      {"DivC by zero", [] {
         double d[] = {1.0};
         ippsDivC_64f_I(0.0, d, 1);
         ippsDivC_64f(d, -0.0, d, 1);
         Ipp64fc c[] = {{1, 1}};
         ippsDivC_64fc_I({0, 0}, c, 1);
         ippsDivC_64fc(c, {1e-160, 1e-170}, c, 1);
       }},
      {"Normalize_64fc tiny divisors", [] {
         Ipp64fc c[] = {{1, 1}};
         ippsNormalize_64fc(c, c, 1, {0, 0}, 0.0);
         ippsNormalize_64fc(c, c, 1, {0, 0}, kNaN);
         ippsNormalize_64fc(c, c, 1, {0, 0}, 1e-310);
       }},
      {"Convert to 32s out of range", [] {
         const double x[] = {kNaN, kInf, -kInf, 3e9, -3e9, 1e300, 2147483647.5};
         Ipp32s d[7];
         for (int mode : {0, 1})
           for (int sf : {0, 1, -1, 40, -40, INT_MAX, INT_MIN})
             ippsConvert_64f32s_Sfs(x, d, 7, static_cast<IppRoundMode>(mode), sf);
         const float f[] = {std::numeric_limits<float>::quiet_NaN(), 3e9f, -1e38f, std::numeric_limits<float>::infinity()};
         for (int sf : {0, -200, 200}) ippsConvert_32f32s_Sfs(f, d, 4, ippRndNear, sf);
       }},
      {"Convert_64f32f saturation and NaN", [] {
         const double x[] = {kNaN, 1e39, -1e39, kInf, -kInf, std::nextafter(double(FLT_MAX), 0.0)};
         float d[6];
         ippsConvert_64f32f(x, d, 6);
       }},
      {"Threshold_64fc zero elements", [] {
         Ipp64fc c[] = {{0, 0}, {0, -0.0}};
         Ipp64fc d[2];
         ippsThreshold_64fc(c, d, 2, 2.0, ippCmpLess);
         ippsThreshold_64fc_I(c, 2, 0.0, ippCmpLess);
         ippsThreshold_64fc_I(c, 2, 0.0, ippCmpGreater);
       }},
      {"integer division limits", [] {
         const Ipp32s x[] = {0, -1, 0};
         Ipp32s y[] = {5, INT_MIN, 0};
         ippsDiv_32s_ISfs(x, y, 3, 0);
         Ipp32s z[] = {INT_MIN};
         DivConstInt32InPlace(-1, z, 1);
       }},
      {"norm of huge values", [] {
         const Ipp64fc c[] = {{1e300, 1e300}};
         double n;
         ippsNorm_L2_64fc64f(c, 1, &n);
       }},
  };
  for (const auto& c : cases) {
    std::feclearexcept(FE_ALL_EXCEPT);
    c.run();
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID), 0) << c.name;
  }
}

}  // namespace
}  // namespace tavrel::kernels
