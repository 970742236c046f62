// The engine against the double-precision reference over every method,
// element type and channel count, up- and down-scaling, odd sizes, regions
// at the image edges and fractional shifts.
#include "resample/tests/reference.h"

namespace tavrel::testing_resize {
namespace {

struct Case {
  const char* name;
  int w, h;
  IppiRect roi;
  IppiSize req;
  double fx, fy, xs, ys;
};

const Case kCases[] = {
    {"up x2", 9, 8, {0, 0, 9, 8}, {18, 16}, 2.0, 2.0, 0, 0},
    {"down odd", 23, 17, {0, 0, 23, 17}, {30, 30}, 0.4, 0.37, 0, 0},
    {"anisotropic", 16, 11, {0, 0, 16, 11}, {40, 40}, 1.7, 0.6, 0, 0},
    {"region at right and bottom edge", 20, 15, {12, 9, 8, 6}, {30, 30}, 1.5, 2.5, 0, 0},
    {"region past the edge is clipped", 20, 15, {15, 10, 10, 10}, {20, 20}, 1.3, 1.3, 0, 0},
    {"narrower destination is cut off", 20, 15, {3, 2, 10, 9}, {7, 5}, 1.0, 1.0, 0, 0},
    {"tiny corner region blown up", 20, 15, {18, 13, 2, 2}, {9, 9}, 3.5, 3.5, 0, 0},
    {"region at top left", 20, 15, {0, 0, 5, 4}, {9, 9}, 1.9, 2.1, 0, 0},
    {"strong downscale", 41, 37, {0, 0, 41, 37}, {9, 9}, 0.21, 0.23, 0, 0},
    {"shifts", 19, 13, {2, 1, 15, 11}, {40, 40}, 1.6, 1.4, 0.3, 0.7},
    {"shifts near one at the edge", 19, 13, {11, 7, 8, 6}, {30, 30}, 2.0, 2.0, 0.9999999, 0.99999999},
    {"region is the image's last pixel", 20, 15, {19, 14, 1, 1}, {5, 5}, 5.0, 5.0, 0, 0},
    {"region on the last row", 20, 15, {3, 14, 9, 4}, {20, 20}, 1.5, 3.0, 0, 0},
    {"nearest raised to one pixel", 19, 13, {16, 10, 3, 3}, {4, 4}, 1.0 / 6, 1.0 / 6, 0, 0},
    // Wide enough for the vector passes, rows never shared between destination rows.
    {"halves, wide", 75, 21, {0, 0, 75, 21}, {40, 40}, 0.5, 0.5, 0, 0},
    {"strong downscale, wide region", 301, 23, {4, 1, 290, 21}, {90, 9}, 0.29, 0.4, 0, 0},
    {"stronger downscale, wide", 401, 19, {0, 0, 401, 19}, {90, 9}, 0.17, 0.4, 0, 0},
    {"very strong downscale, wide", 400, 30, {0, 0, 400, 30}, {40, 9}, 0.05, 0.1, 0, 0},
    // Left taps at every second column: all but the last, and all.
    {"exact halves, wide", 192, 22, {0, 0, 192, 22}, {96, 11}, 0.5, 0.5, 0, 0},
    {"halves of an odd width onto its middle", 97, 21, {0, 0, 97, 21}, {49, 11}, 49.0 / 97, 11.0 / 21, 0, 0},
};

double Tolerance(int method, ResizeElement e) {
  if (e == ResizeElement::f32) return 1e-5;
  return method == IPPI_INTER_CUBIC || method == IPPI_INTER_LANCZOS ? 1.0 : 0.0;
}

template <class T>
void CheckAll() {
  std::uint32_t seed = 1;
  for (int C : {1, 3, 4})
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS})
      for (const Case& k : kCases)
        for (ResizeVariant variant : {ResizeVariant::plain, ResizeVariant::best}) {
          SCOPED_TRACE(::testing::Message() << k.name << " C" << C << " method " << method
                                            << (variant == ResizeVariant::plain ? " plain" : " best"));
          const Image<T> src = RandomImage<T>(k.w, k.h, C, seed++);
          Canvas<T> dst(k.req.width, k.req.height, C);
          const ResizeImage im{src.px.data(), {k.w, k.h}, src.StepBytes(), k.roi, dst.Region(),
                               dst.StepBytes(), k.req, k.fx, k.fy};
          ResizeOptions options;
          options.variant = variant;
          const IppStatus s = ResizeGeneral(im, k.xs, k.ys, ElementOf<T>(), C, method, options);
          const RefResult ref = RefGeneral(src, k.roi, k.req, k.fx, k.fy, k.xs, k.ys, method);
          ASSERT_EQ(s, ref.status);
          EXPECT_TRUE(Matches(dst, ref, Tolerance(method, ElementOf<T>()), 100.0));
          EXPECT_TRUE(dst.GuardIntactOutside(ref.W, ref.H));
        }
}

TEST(ResizeReference, General8u) { CheckAll<Ipp8u>(); }
TEST(ResizeReference, General16u) { CheckAll<Ipp16u>(); }
TEST(ResizeReference, General32f) { CheckAll<float>(); }

struct SuperCase {
  const char* name;
  int w, h;
  IppiRect roi;
  IppiSize req;
  double fx, fy;
};

const SuperCase kSuperCases[] = {
    {"halves", 16, 12, {0, 0, 16, 12}, {8, 6}, 0.5, 0.5},
    {"identity", 7, 5, {0, 0, 7, 5}, {7, 5}, 1.0, 1.0},
    {"whole boxes, odd size", 23, 19, {0, 0, 23, 19}, {30, 30}, 0.25, 1.0 / 3},
    {"fractional columns", 21, 12, {0, 0, 21, 12}, {30, 30}, 0.4, 0.5},
    {"fractional rows", 12, 21, {0, 0, 12, 21}, {30, 30}, 0.5, 0.4},
    {"fractional both", 29, 31, {0, 0, 29, 31}, {30, 30}, 0.37, 0.61},
    {"region at the edges", 30, 20, {17, 9, 20, 20}, {30, 30}, 0.3, 0.45},
    {"box larger than the region", 20, 20, {4, 4, 3, 3}, {5, 5}, 0.2, 0.2},
    {"near-integer boxes", 190, 4, {0, 0, 190, 4}, {5, 5}, 1.0 / 93, 1.0},
    {"near-integer boxes 99", 4, 200, {0, 0, 4, 200}, {5, 5}, 1.0, 1.0 / 99},
    {"narrower destination", 30, 20, {0, 0, 30, 20}, {4, 3}, 0.5, 0.35},
    // Exact halves wide enough for the vector passes; odd regions end in a cut box.
    {"halves, wide", 96, 10, {0, 0, 96, 10}, {48, 5}, 0.5, 0.5},
    {"halves, odd region", 83, 15, {2, 1, 79, 13}, {50, 50}, 0.5, 0.5},
};

template <class T>
void CheckSuper() {
  std::uint32_t seed = 100;
  for (int C : {1, 3, 4})
    for (const SuperCase& k : kSuperCases)
      for (ResizeVariant variant : {ResizeVariant::plain, ResizeVariant::best}) {
        SCOPED_TRACE(::testing::Message() << k.name << " C" << C);
        const Image<T> src = RandomImage<T>(k.w, k.h, C, seed++);
        Canvas<T> dst(k.req.width, k.req.height, C);
        const ResizeImage im{src.px.data(), {k.w, k.h}, src.StepBytes(), k.roi, dst.Region(),
                             dst.StepBytes(), k.req, k.fx, k.fy};
        ResizeOptions options;
        options.variant = variant;
        ASSERT_EQ(ResizeSupersample(im, ElementOf<T>(), C, options), ippStsNoErr);
        const RefResult ref = RefSuper(src, k.roi, k.req, k.fx, k.fy);
        const double tol = std::is_same_v<T, float> ? 1e-5 : ref.exactInteger ? 0.0 : 1.0;
        EXPECT_TRUE(Matches(dst, ref, tol, 100.0));
        EXPECT_TRUE(dst.GuardIntactOutside(ref.W, ref.H));
      }
}

TEST(ResizeReference, Supersample8u) { CheckSuper<Ipp8u>(); }
TEST(ResizeReference, Supersample16u) { CheckSuper<Ipp16u>(); }
TEST(ResizeReference, Supersample32f) { CheckSuper<float>(); }

}  // namespace
}  // namespace tavrel::testing_resize
