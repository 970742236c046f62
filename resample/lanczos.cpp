// Lanczos-3 weights from a lookup table: no trigonometry per resize.
#include <array>
#include <cmath>
#include <numbers>

#include "resample/resize_engine.h"

namespace tavrel {
namespace {

std::array<float, 302> MakeLanczosTable() {
  std::array<float, 302> t{};
  t[0] = 1.0f;
  for (int k = 1; k < 300; ++k) {
    const double x = k / 100.0;
    const double px = std::numbers::pi * x;
    t[k] = static_cast<float>(3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px));
  }
  // Entries 100 and 200 are zeros of the function; keep them exact.
  t[100] = t[200] = t[300] = t[301] = 0.0f;
  return t;
}

}  // namespace

const float* LanczosTable() {
  static const std::array<float, 302> table = MakeLanczosTable();
  return table.data();
}

void LanczosWeights(float t, float weights[6]) {
  const float* table = LanczosTable();
  float raw[6];
  float sum = 0.0f;
  for (int m = 0; m < 6; ++m) {
    const float x = static_cast<float>(m - 2) - t;
    const float ax = std::fabs(x);
    if (!(ax < 3.0f)) {
      raw[m] = 0.0f;
    } else {
      const float h = ax * 100.0f;
      const int k = static_cast<int>(h);
      raw[m] = table[k] + (table[k + 1] - table[k]) * (h - static_cast<float>(k));
    }
    sum += raw[m];
  }
  for (int m = 0; m < 6; ++m) weights[m] = raw[m] / sum;
}

}  // namespace tavrel
