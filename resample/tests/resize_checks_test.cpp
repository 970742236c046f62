// Argument checks of the entry points in their order, the driver choice,
// the effective destination size and the centred resize's geometry.
#include <limits>

#include "resample/tests/reference.h"

namespace tavrel::testing_resize {
namespace {

using kernels::ippiResize_16u_C1R;
using kernels::ippiResize_8u_C1R;
using kernels::ippiResize_8u_C3R;
using kernels::ippiResize_8u_C4R;
using kernels::ippiResizeCenter_8u_C4R;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Args {
  bool nullSrc = false, nullDst = false;
  IppiSize srcSize{8, 8};
  IppiRect roi{0, 0, 8, 8};
  IppiSize dst{4, 4};
  double fx = 0.5, fy = 0.5;
  int interpolation = IPPI_INTER_LINEAR;
};

struct CheckRow {
  const char* name;
  Args args;
  IppStatus want;
};

Args With(void (*edit)(Args&)) {
  Args a;
  edit(a);
  return a;
}

const CheckRow kRows[] = {
    {"null source before bad sizes", With([](Args& a) { a.nullSrc = true; a.srcSize = {0, 0}; }), ippStsNullPtrErr},
    {"null destination", With([](Args& a) { a.nullDst = true; a.fx = 0; }), ippStsNullPtrErr},
    {"source width 0", With([](Args& a) { a.srcSize.width = 0; a.roi.x = 9; }), ippStsSizeErr},
    {"source height negative", With([](Args& a) { a.srcSize.height = -1; }), ippStsSizeErr},
    {"region x negative", With([](Args& a) { a.roi.x = -1; a.dst = {0, 0}; }), ippStsSizeErr},
    {"region y negative", With([](Args& a) { a.roi.y = -1; }), ippStsSizeErr},
    {"region width 0", With([](Args& a) { a.roi.width = 0; a.roi.x = 8; }), ippStsSizeErr},
    {"region height negative", With([](Args& a) { a.roi.height = -3; }), ippStsSizeErr},
    {"region x at the width: warning before destination size", With([](Args& a) { a.roi.x = 8; a.dst = {0, 0}; }), ippStsWrongIntersectROI},
    {"region y past the height", With([](Args& a) { a.roi.y = 9; a.fx = -1; }), ippStsWrongIntersectROI},
    {"destination width 0 before factors", With([](Args& a) { a.dst.width = 0; a.fx = 0; }), ippStsSizeErr},
    {"destination height negative", With([](Args& a) { a.dst.height = -2; }), ippStsSizeErr},
    {"x factor 0 before interpolation", With([](Args& a) { a.fx = 0; a.interpolation = 3; }), ippStsResizeFactorErr},
    {"y factor negative", With([](Args& a) { a.fy = -0.5; }), ippStsResizeFactorErr},
    {"x factor NaN", With([](Args& a) { a.fx = kNaN; }), ippStsResizeFactorErr},
    {"y factor infinite", With([](Args& a) { a.fy = kInf; }), ippStsResizeFactorErr},
    {"supersampling with factor 0", With([](Args& a) { a.fy = 0; a.interpolation = IPPI_INTER_SUPER; }), ippStsResizeFactorErr},
    {"unknown interpolation", With([](Args& a) { a.interpolation = 3; }), ippStsInterpolationErr},
    {"interpolation 0", With([](Args& a) { a.interpolation = 0; }), ippStsInterpolationErr},
    {"supersampling upwards", With([](Args& a) { a.fx = 1.5; a.interpolation = IPPI_INTER_SUPER; }), ippStsInterpolationErr},
    {"scaled region below half a pixel", With([](Args& a) { a.roi = {0, 0, 3, 8}; a.fx = 0.1; }), ippStsResizeNoOperationErr},
    {"supersampled region below half a pixel", With([](Args& a) { a.roi = {0, 0, 8, 3}; a.fy = 0.1; a.interpolation = IPPI_INTER_SUPER; }), ippStsResizeNoOperationErr},
};

// Calls one entry point on the arguments with canvas destinations.
template <class T>
IppStatus Call(IppStatus (*fn)(const T*, IppiSize, int, IppiRect, T*, int, IppiSize, double, double, int),
               int C, const Args& a, Canvas<T>& dst) {
  const Image<T> src = RandomImage<T>(8, 8, C, 7);
  return fn(a.nullSrc ? nullptr : src.px.data(), a.srcSize, src.StepBytes(), a.roi,
            a.nullDst ? nullptr : dst.Region(), dst.StepBytes(), a.dst, a.fx, a.fy, a.interpolation);
}

TEST(ResizeChecks, FirstFailingCheckDecidesAndNothingIsWritten) {
  for (const CheckRow& row : kRows) {
    SCOPED_TRACE(row.name);
    Canvas<Ipp8u> c1(4, 4, 1), c3(4, 4, 3), c4(4, 4, 4);
    Canvas<Ipp16u> w1(4, 4, 1);
    EXPECT_EQ(Call(ippiResize_8u_C1R, 1, row.args, c1), row.want);
    EXPECT_EQ(Call(ippiResize_8u_C3R, 3, row.args, c3), row.want);
    EXPECT_EQ(Call(ippiResize_8u_C4R, 4, row.args, c4), row.want);
    EXPECT_EQ(Call(ippiResize_16u_C1R, 1, row.args, w1), row.want);
    EXPECT_TRUE(c1.GuardIntactOutside(0, 0));
    EXPECT_TRUE(c3.GuardIntactOutside(0, 0));
    EXPECT_TRUE(c4.GuardIntactOutside(0, 0));
    EXPECT_TRUE(w1.GuardIntactOutside(0, 0));
  }
}

TEST(ResizeChecks, SupersamplingDownwardsAveragesAreas) {
  // 0.5 x 1.0 with interpolation 8 goes to the area average, not to -22.
  const Image<Ipp8u> src = RandomImage<Ipp8u>(10, 6, 3, 11);
  Canvas<Ipp8u> dst(5, 6, 3);
  ASSERT_EQ(ippiResize_8u_C3R(src.px.data(), {10, 6}, src.StepBytes(), {0, 0, 10, 6}, dst.Region(),
                              dst.StepBytes(), {5, 6}, 0.5, 1.0, IPPI_INTER_SUPER),
            ippStsNoErr);
  EXPECT_TRUE(Matches(dst, RefSuper(src, {0, 0, 10, 6}, {5, 6}, 0.5, 1.0), 0.0));
}

TEST(ResizeChecks, EffectiveSizeCutsTheDestination) {
  struct Row {
    int region;
    double factor;
    int requested;
    int filled;  // 0: refused with -201
  };
  const Row rows[] = {{3, 0.1, 5, 0}, {3, 0.2, 5, 1}, {4, 0.25, 5, 1}, {10, 0.5, 9, 5},
                      {10, 0.5, 3, 3}, {7, 1.0 / 3, 5, 2}, {5, 2.0, 20, 10}, {9, 0.999999999, 9, 9}};
  for (const Row& r : rows)
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS, IPPI_INTER_SUPER}) {
      if (method == IPPI_INTER_SUPER && r.factor > 1) continue;
      SCOPED_TRACE(::testing::Message() << r.region << " x " << r.factor << " method " << method);
      Image<Ipp8u> src{12, 12, 1, 12, std::vector<Ipp8u>(144, 0)};
      Canvas<Ipp8u> dst(r.requested, r.requested, 1);
      const IppStatus s = ippiResize_8u_C1R(src.px.data(), {12, 12}, 12, {1, 1, r.region, r.region},
                                            dst.Region(), dst.StepBytes(), {r.requested, r.requested},
                                            r.factor, r.factor, method);
      if (r.filled == 0) {
        EXPECT_EQ(s, ippStsResizeNoOperationErr);
        EXPECT_TRUE(dst.GuardIntactOutside(0, 0));
        continue;
      }
      ASSERT_EQ(s, ippStsNoErr);
      EXPECT_TRUE(dst.GuardIntactOutside(r.filled, r.filled));
      for (int y = 0; y < r.filled; ++y)
        for (int x = 0; x < r.filled; ++x) EXPECT_EQ(dst.at(x, y, 0), 0);
    }
}

TEST(ResizeChecks, CenterGeometry) {
  struct Row {
    const char* name;
    IppiRect roi;
    IppiSize dst;
    double fx, fy, cx, cy;
    IppStatus want;
    IppiRect wantDst, wantSrc;
    double xShift, yShift;
  };
  const Row rows[] = {
      {"region at 10 scaled 2 about 35", {10, 0, 50, 10}, {200, 20}, 2, 2, 35, 5, 0, {50, 0, 120, 20}, {10, 0, 50, 10}, 0, 0},
      {"fractional source origin", {0, 0, 100, 100}, {10, 10}, 2, 4, 50.25, 50.1, 0, {0, 0, 10, 10}, {47, 48, 53, 52}, 0.75, 0.85},
      {"negative size", {0, 0, 0, 5}, {10, 10}, 1, 1, 0, 0, ippStsSizeErr, {}, {}, 0, 0},
      {"x at the width", {100, 0, 5, 5}, {10, 10}, 1, 1, 0, 0, ippStsWrongIntersectROI, {}, {}, 0, 0},
      {"bad destination", {0, 0, 5, 5}, {0, 10}, 1, 1, 0, 0, ippStsSizeErr, {}, {}, 0, 0},
      {"bad y factor", {0, 0, 5, 5}, {10, 10}, 1, kNaN, 0, 0, ippStsResizeFactorErr, {}, {}, 0, 0},
      {"centre not finite", {0, 0, 5, 5}, {10, 10}, 1, 1, kNaN, 0, ippStsWrongIntersectROI, {}, {}, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ResizeCenterResult g{};
    ASSERT_EQ(ResizeCenterGeometry({100, 100}, r.roi, r.dst, r.fx, r.fy, r.cx, r.cy, g), r.want);
    if (r.want != ippStsNoErr) continue;
    EXPECT_EQ(g.dst.x, r.wantDst.x);
    EXPECT_EQ(g.dst.y, r.wantDst.y);
    EXPECT_EQ(g.dst.width, r.wantDst.width);
    EXPECT_EQ(g.dst.height, r.wantDst.height);
    EXPECT_EQ(g.src.x, r.wantSrc.x);
    EXPECT_EQ(g.src.y, r.wantSrc.y);
    EXPECT_EQ(g.src.width, r.wantSrc.width);
    EXPECT_EQ(g.src.height, r.wantSrc.height);
    EXPECT_NEAR(g.xShift, r.xShift, 1e-9);
    EXPECT_NEAR(g.yShift, r.yShift, 1e-9);
  }
}

IppStatus Center(const Image<Ipp8u>& src, const Ipp8u* s, IppiRect roi, Canvas<Ipp8u>& dst, Ipp8u* d,
                 double fx, double fy, double cx, double cy, int interpolation) {
  return ippiResizeCenter_8u_C4R(s, {src.w, src.h}, src.StepBytes(), roi, d, dst.StepBytes(),
                                 {dst.W, dst.H}, fx, fy, cx, cy, interpolation);
}

TEST(ResizeChecks, CenterStatuses) {
  const Image<Ipp8u> src = RandomImage<Ipp8u>(20, 20, 4, 3);
  const Ipp8u* s = src.px.data();
  struct Row {
    const char* name;
    bool nullSrc, nullDst;
    IppiRect roi;
    double cx, cy;
    int interpolation;
    IppStatus want;
  };
  const Row rows[] = {
      {"null destination at once", false, true, {-1, 0, 0, 0}, kNaN, 0, 0, ippStsNullPtrErr},
      {"null source, bad size: geometry first", true, false, {0, 0, 0, 5}, 5, 5, IPPI_INTER_LINEAR, ippStsSizeErr},
      {"null source, good geometry", true, false, {0, 0, 20, 20}, 5, 5, IPPI_INTER_LINEAR, ippStsNullPtrErr},
      {"centre far left: empty source", false, false, {0, 0, 20, 20}, -1e6, 10, IPPI_INTER_LINEAR, ippStsSizeErr},
      {"centre far right: source right of the image", false, false, {0, 0, 20, 20}, 1e6, 10, IPPI_INTER_LINEAR, ippStsWrongIntersectROI},
      {"centre far right, huge", false, false, {0, 0, 20, 20}, 1e300, 10, IPPI_INTER_CUBIC, ippStsWrongIntersectROI},
      {"centre far left, huge", false, false, {0, 0, 20, 20}, -1e300, 10, IPPI_INTER_CUBIC, ippStsSizeErr},
      {"centre infinite", false, false, {0, 0, 20, 20}, kInf, 10, IPPI_INTER_LINEAR, ippStsWrongIntersectROI},
      {"unknown interpolation", false, false, {0, 0, 20, 20}, 10, 10, 5, ippStsInterpolationErr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Canvas<Ipp8u> dst(16, 16, 4);
    EXPECT_EQ(Center(src, r.nullSrc ? nullptr : s, r.roi, dst, r.nullDst ? nullptr : dst.Region(),
                     1.5, 1.5, r.cx, r.cy, r.interpolation),
              r.want);
    EXPECT_TRUE(dst.GuardIntactOutside(0, 0));
  }
}

TEST(ResizeChecks, CenterDrawsTheRegionAroundThePoint) {
  struct Row {
    IppiRect roi;
    double fx, fy, cx, cy;
  };
  const Row rows[] = {{{0, 0, 20, 16}, 1.5, 1.5, 10.3, 8.6},  {{4, 3, 9, 7}, 2.0, 1.25, 9.0, 6.5},
                      {{0, 0, 20, 16}, 0.6, 0.45, 7.7, 5.2},  {{12, 9, 8, 7}, 3.0, 3.0, 17.9, 14.2},
                      {{0, 0, 20, 16}, 2.5, 2.5, 19.5, 0.2}};
  for (const Row& r : rows)
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS, IPPI_INTER_SUPER}) {
      if (method == IPPI_INTER_SUPER && (r.fx > 1 || r.fy > 1)) continue;
      SCOPED_TRACE(::testing::Message() << "centre " << r.cx << "," << r.cy << " method " << method);
      const Image<Ipp8u> src = RandomImage<Ipp8u>(20, 16, 4, 5);
      Canvas<Ipp8u> dst(24, 20, 4);
      ASSERT_EQ(Center(src, src.px.data(), r.roi, dst, dst.Region(), r.fx, r.fy, r.cx, r.cy, method), ippStsNoErr);
      // Where the region lands, worked out here from the centre.
      const double left = dst.W / 2.0 + r.fx * (r.roi.x - r.cx), top = dst.H / 2.0 + r.fy * (r.roi.y - r.cy);
      const int x0 = std::max(0, static_cast<int>(std::ceil(left))), y0 = std::max(0, static_cast<int>(std::ceil(top)));
      const double sx = r.cx + (x0 - dst.W / 2.0) / r.fx, sy = r.cy + (y0 - dst.H / 2.0) / r.fy;
      const int w = std::min(r.roi.width, src.w - r.roi.x), h = std::min(r.roi.height, src.h - r.roi.y);
      const IppiRect sub{static_cast<int>(sx), static_cast<int>(sy),
                         static_cast<int>(std::ceil(std::min<double>(w, (dst.W - left) / r.fx))),
                         static_cast<int>(std::ceil(std::min<double>(h, (dst.H - top) / r.fy)))};
      const IppiSize req{static_cast<int>(std::trunc(std::min<double>(dst.W, left + r.fx * (r.roi.x + w)))) - x0,
                         static_cast<int>(std::trunc(std::min<double>(dst.H, top + r.fy * (r.roi.y + h)))) - y0};
      const RefResult ref =
          method == IPPI_INTER_SUPER
              ? RefSuper(src, sub, req, r.fx, r.fy)
              : RefGeneral(src, sub, req, r.fx, r.fy, sx - std::trunc(sx), sy - std::trunc(sy), method);
      ASSERT_EQ(ref.status, ippStsNoErr);
      Canvas<Ipp8u> moved(ref.W, ref.H, 4);
      for (int y = 0; y < ref.H; ++y)
        for (int x = 0; x < ref.W; ++x)
          for (int c = 0; c < 4; ++c) {
            const double want = ref.v[(static_cast<std::size_t>(y) * ref.W + x) * 4 + c];
            const double tol = method == IPPI_INTER_CUBIC || method == IPPI_INTER_LANCZOS ||
                                       (method == IPPI_INTER_SUPER && !ref.exactInteger) ? 1 : 0;
            ASSERT_NEAR(dst.at(x0 + x, y0 + y, c), want, tol) << x << "," << y;
          }
      EXPECT_TRUE(dst.GuardIntactOutside(ref.W, ref.H, x0, y0));
    }
}

}  // namespace
}  // namespace tavrel::testing_resize
