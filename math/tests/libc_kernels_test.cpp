#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "math/runtime.h"

namespace tavrel::kernels {
namespace {

TEST(SubCRev32sISfs, ScalesRoundsAndSaturates) {
  struct Case { Ipp32s value, x; int sf; Ipp32s expected; };
  const Case cases[] = {
      {0, INT_MIN, 0, INT_MAX},
      {INT_MIN, 1, 0, INT_MIN},
      {5, 2, 1, 2},  // 1.5 to even
      {7, 2, 1, 2},  // 2.5 to even
      {9, 2, 1, 4},  // 3.5 to even
      {-1, 2, 1, -2},
      {INT_MAX, INT_MIN, 1, INT_MAX},
      {INT_MAX, INT_MIN, 32, 1},
      {INT_MAX, INT_MIN, 33, 0},
      {100, 1, 2, 25},
      {100, 2, 2, 24},  // 24.5 to even
      {3, 1, -30, INT_MAX},
      {1, 2, -30, -(1 << 30)},
      {1, 4, -30, INT_MIN},
      {1, 2, -3, -8},
      {7, 7, -31, 0},
      {8, 7, -31, INT_MAX},
      {6, 7, -200, INT_MIN},
  };
  for (const auto& c : cases) {
    Ipp32s data[2] = {c.x, c.x};
    ASSERT_EQ(ippsSubCRev_32s_ISfs(c.value, data, 2, c.sf), ippStsNoErr);
    EXPECT_EQ(data[0], c.expected) << c.value << " - " << c.x << " sf " << c.sf;
    EXPECT_EQ(data[1], c.expected);
  }
  Ipp32s data[3] = {1, -5, INT_MIN};
  EXPECT_EQ(ippsSubCRev_32s_ISfs(INT_MAX, data, 3, 40), ippStsNoErr);
  EXPECT_EQ(data[0] | data[1] | data[2], 0);
}

TEST(LibCKernels, ChecksPointersThenLengthAndWritesNothing) {
  Ipp32s i32[2] = {5, 6};
  Ipp64f f64[2] = {1, 2};
  Ipp32f f32[2] = {1, 2};
  Ipp8u bytes[2] = {1, 2};
  EXPECT_EQ(ippsSubCRev_32s_ISfs(1, nullptr, 0, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsSubCRev_32s_ISfs(1, i32, 0, 40), ippStsSizeErr);
  EXPECT_EQ(ippsSubCRev_64f_I(1, nullptr, -1), ippStsNullPtrErr);
  EXPECT_EQ(ippsSubCRev_64f_I(1, f64, -1), ippStsSizeErr);
  EXPECT_EQ(ippsSubCRev_32f_I(1, f32, 0), ippStsSizeErr);
  EXPECT_EQ(ippsThreshold_LT_32s_I(i32, 0, 100), ippStsSizeErr);
  EXPECT_EQ(ippsThreshold_GT_32s_I(nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_64f32f(f64, nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsConvert_64f32f(f64, f32, 0), ippStsSizeErr);
  EXPECT_EQ(ippsMove_8u(nullptr, bytes, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsMove_8u(bytes, bytes + 1, 0), ippStsSizeErr);
  EXPECT_EQ(i32[0], 5);
  EXPECT_EQ(f64[0], 1);
  EXPECT_EQ(f32[0], 1);
  EXPECT_EQ(bytes[1], 2);
}

TEST(LibCKernels, SubCRevAndThresholds) {
  Ipp64f d[3] = {1.5, -2, 0};
  EXPECT_EQ(ippsSubCRev_64f_I(1.0, d, 3), ippStsNoErr);
  EXPECT_EQ(d[0], -0.5);
  EXPECT_EQ(d[1], 3.0);
  EXPECT_EQ(d[2], 1.0);
  Ipp32f f[2] = {1e-8f, 3.0f};
  EXPECT_EQ(ippsSubCRev_32f_I(1.0f, f, 2), ippStsNoErr);
  EXPECT_EQ(f[0], static_cast<float>(1.0L - 1e-8f));
  EXPECT_EQ(f[1], -2.0f);

  Ipp32s lt[4] = {-5, 0, 3, 10};
  EXPECT_EQ(ippsThreshold_LT_32s_I(lt, 4, 3), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp32s>(lt, lt + 4), (std::vector<Ipp32s>{3, 3, 3, 10}));
  Ipp32s gt[4] = {-5, 0, 3, 10};
  EXPECT_EQ(ippsThreshold_GT_32s_I(gt, 4, 0), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp32s>(gt, gt + 4), (std::vector<Ipp32s>{-5, 0, 0, 0}));
}

TEST(Convert64f32f, SaturatesAndMapsNaNToTheLowestFloat) {
  const double below = std::nextafter(static_cast<double>(FLT_MAX), 0.0);
  const double src[] = {1e39, -1e39, std::numeric_limits<double>::quiet_NaN(), -INFINITY, INFINITY,
                        FLT_MAX, -static_cast<double>(FLT_MAX), below, 0.1, -0.0};
  const float expected[] = {FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, FLT_MAX,
                            FLT_MAX, -FLT_MAX, FLT_MAX, 0.1f, -0.0f};
  constexpr int n = sizeof src / sizeof src[0];
  float dst[n];
  EXPECT_EQ(ippsConvert_64f32f(src, dst, n), ippStsNoErr);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(dst[i], expected[i]) << i;
    EXPECT_EQ(std::signbit(dst[i]), std::signbit(expected[i])) << i;
  }
}

TEST(Move8u, OverlapInEitherDirectionDoesNotSmear) {
  Ipp8u up[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(ippsMove_8u(up, up + 1, 5), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp8u>(up, up + 6), (std::vector<Ipp8u>{1, 1, 2, 3, 4, 5}));
  Ipp8u down[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(ippsMove_8u(down + 1, down, 5), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp8u>(down, down + 6), (std::vector<Ipp8u>{2, 3, 4, 5, 6, 6}));
}

TEST(Set8uC4R, FillsTheRegionRowByRowAndChecksInOrder) {
  const Ipp8u value[4] = {1, 2, 3, 4};
  std::vector<Ipp8u> image(3 * 12, 0xEE);  // 3 rows of 12 bytes, region 2x3 pixels
  EXPECT_EQ(ippiSet_8u_C4R(nullptr, image.data(), 12, {0, 0}), ippStsNullPtrErr);
  EXPECT_EQ(ippiSet_8u_C4R(value, image.data(), 0, {0, 3}), ippStsSizeErr);
  EXPECT_EQ(ippiSet_8u_C4R(value, image.data(), 0, {2, 3}), ippStsStepErr);
  EXPECT_EQ(image[0], 0xEE);
  EXPECT_EQ(ippiSet_8u_C4R(value, image.data(), 12, {2, 3}), ippStsNoErr);
  for (int row = 0; row < 3; ++row)
    for (int b = 0; b < 12; ++b) EXPECT_EQ(image[row * 12 + b], b < 8 ? value[b % 4] : 0xEE);
}

}  // namespace
}  // namespace tavrel::kernels
