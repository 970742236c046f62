// The clip rectangles against a grid of pixels: random intersections,
// cuts and unions, partly or wholly outside the grid, after each of which
// the rectangles cover exactly the grid's pixels, each pixel once.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "platform/ui/cliprects.h"

namespace tavrel {
namespace {

constexpr int kW = 24, kH = 20;
using Grid = std::array<std::array<bool, kW>, kH>;

TRect RandomRect(std::mt19937& rng) {
  const int l = static_cast<int>(rng() % (kW + 8)) - 4, t = static_cast<int>(rng() % (kH + 8)) - 4;
  return Rect(l, t, l + static_cast<int>(rng() % 16) - 2, t + static_cast<int>(rng() % 14) - 2);
}

std::string Text(const TRect& r) {
  return "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom) + ")";
}

void Mark(Grid& g, const TRect& r, bool on) {
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, kH); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, kW); ++x) g[y][x] = on;
}

// The first pixel covered twice, or covered where the grid is clear, or
// clear where the grid is covered; empty when none.
std::string Mismatch(const ClipRects& c, const Grid& want) {
  std::array<std::array<int, kW>, kH> count{};
  for (const TRect& r : c.Rects()) {
    if (IsRectEmpty(r)) return "an empty rectangle kept";
    if (r.Left < 0 || r.Top < 0 || r.Right > kW || r.Bottom > kH) return "a rectangle beyond the grid";
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) ++count[y][x];
  }
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (count[y][x] != (want[y][x] ? 1 : 0))
        return "(" + std::to_string(x) + "," + std::to_string(y) + ") covered " + std::to_string(count[y][x]) +
               " times";
  return {};
}

TEST(UiClipRects, IntersectSubtractAndUniteCoverEachPixelOnce) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    std::mt19937 rng(seed);
    ClipRects c;
    Grid want{};
    const TRect grid = Rect(0, 0, kW, kH);
    c.Reset(grid);
    Mark(want, grid, true);
    std::string trail;
    for (int step = 0; step < 40; ++step) {
      const TRect r = RandomRect(rng);
      // Everything stays within the grid, as the canvas keeps its clip
      // within the surface: a union is cut to it.
      switch (rng() % 4) {
        case 0:
          c.Intersect(r);
          for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) want[y][x] = want[y][x] && PtInRect(r, {x, y});
          trail += " Intersect";
          break;
        case 1:
        case 2:
          c.Subtract(r);
          Mark(want, r, false);
          trail += " Subtract";
          break;
        case 3:
          c.Unite(IntersectRect(r, grid));
          Mark(want, r, true);
          trail += " Unite";
          break;
      }
      const std::string m = Mismatch(c, want);
      ASSERT_EQ(m, "") << "seed " << seed << ":" << trail << Text(r);
    }
  }
}

}  // namespace
}  // namespace tavrel
