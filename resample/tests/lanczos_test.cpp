// Lanczos-3 table and weights against the function itself.
#include <cmath>
#include <numbers>

#include "resample/tests/reference.h"

namespace tavrel::testing_resize {
namespace {

TEST(Lanczos, TableSamplesTheFunction) {
  const float* t = LanczosTable();
  EXPECT_EQ(t[0], 1.0f);
  EXPECT_NEAR(t[1], 0.9998172, 1e-7);
  EXPECT_NEAR(t[2], 0.9992691, 1e-7);
  EXPECT_EQ(t[100], 0.0f);
  EXPECT_EQ(t[200], 0.0f);
  EXPECT_EQ(t[300], 0.0f);
  EXPECT_EQ(t[301], 0.0f);
  for (int k = 1; k < 300; ++k) {
    const double px = std::numbers::pi * k / 100;
    EXPECT_NEAR(t[k], 3 * std::sin(px) * std::sin(px / 3) / (px * px), 1e-7) << k;
  }
}

TEST(Lanczos, WeightsPerFraction) {
  float w[6];
  LanczosWeights(0.0f, w);
  const float at0[6] = {0, 0, 1, 0, 0, 0};
  for (int m = 0; m < 6; ++m) EXPECT_EQ(w[m], at0[m]) << m;
  LanczosWeights(0.5f, w);
  const double half[6] = {0.0245, -0.1359, 0.6114, 0.6114, -0.1359, 0.0245};
  for (int m = 0; m < 6; ++m) EXPECT_NEAR(w[m], half[m], 1e-4) << m;
  for (int m = 0; m < 3; ++m) EXPECT_EQ(w[m], w[5 - m]);
  for (int step = 0; step <= 100; ++step) {
    const float t = step / 100.0f + (step % 7) * 1e-4f;
    LanczosWeights(std::min(t, 1.0f), w);
    double sum = 0, ref = 0;
    for (int m = 0; m < 6; ++m) sum += w[m];
    EXPECT_NEAR(sum, 1.0, 1e-6) << t;
    // Each weight is the interpolated table value over the sum.
    double raw[6];
    for (int m = 0; m < 6; ++m) ref += raw[m] = LanczosRaw(m - 2 - static_cast<double>(std::min(t, 1.0f)));
    for (int m = 0; m < 6; ++m) EXPECT_NEAR(w[m], raw[m] / ref, 2e-6) << t << " tap " << m;
  }
}

}  // namespace
}  // namespace tavrel::testing_resize
