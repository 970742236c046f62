// Behaviour of the row kernels through the general driver: exact integer
// cases, cubic and Lanczos properties, step direction, bit-exact copies,
// the processor variants and failing allocations.
#include <bit>
#include <limits>

#include "math/elementwise.h"
#include "resample/tests/reference.h"

namespace tavrel::testing_resize {
namespace {

template <class T>
IppStatus General(const Image<T>& src, IppiRect roi, Canvas<T>& dst, double fx, double fy, int method,
                  ResizeOptions options = {}, const T* origin = nullptr, int step = 0) {
  const ResizeImage im{origin ? origin : src.px.data(), {src.w, src.h}, origin ? step : src.StepBytes(),
                       roi, dst.Region(), dst.StepBytes(), {dst.W, dst.H}, fx, fy};
  return ResizeGeneral(im, 0, 0, ElementOf<T>(), src.C, method, options);
}

template <class T>
Image<T> Rows(std::initializer_list<std::initializer_list<double>> rows) {
  Image<T> im;
  im.h = static_cast<int>(rows.size());
  im.w = static_cast<int>(rows.begin()->size());
  im.stride = im.w;
  for (auto& r : rows)
    for (double v : r) im.px.push_back(static_cast<T>(v));
  return im;
}

TEST(ResizeKernels, LinearIntegerRounding) {
  // Two identical rows so only the horizontal rounding shows.
  Canvas<Ipp8u> mid(3, 2, 1);
  ASSERT_EQ(General(Rows<Ipp8u>({{10, 11}, {10, 11}}), {0, 0, 2, 2}, mid, 1.5, 1.0, IPPI_INTER_LINEAR), ippStsNoErr);
  EXPECT_EQ(mid.at(1, 0, 0), 11);  // the half rounds up
  Canvas<Ipp8u> quarter(5, 2, 1);
  ASSERT_EQ(General(Rows<Ipp8u>({{10, 13}, {10, 13}}), {0, 0, 2, 2}, quarter, 2.5, 1.0, IPPI_INTER_LINEAR), ippStsNoErr);
  EXPECT_EQ(quarter.at(1, 0, 0), 11);
  EXPECT_EQ(quarter.at(4, 0, 0), 13);  // the last column takes the last source column
  // Vertical rounding is the second rounding: 10.5 -> stored 672 (x64) -> 11.
  Canvas<Ipp8u> vert(2, 3, 1);
  ASSERT_EQ(General(Rows<Ipp8u>({{10, 10}, {11, 11}}), {0, 0, 2, 2}, vert, 1.0, 1.5, IPPI_INTER_LINEAR), ippStsNoErr);
  EXPECT_EQ(vert.at(0, 1, 0), 11);
}

TEST(ResizeKernels, ConstantImagesStayConstant) {
  for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS})
    for (double f : {0.3, 0.77, 1.0, 1.9, 3.0}) {
      SCOPED_TRACE(::testing::Message() << "method " << method << " factor " << f);
      Image<Ipp8u> b{13, 11, 3, 39, std::vector<Ipp8u>(13 * 11 * 3, 255)};
      Canvas<Ipp8u> db(40, 40, 3);
      ASSERT_EQ(General(b, {0, 0, 13, 11}, db, f, f, method), ippStsNoErr);
      Image<Ipp16u> w{13, 11, 1, 13, std::vector<Ipp16u>(13 * 11, 65535)};
      Canvas<Ipp16u> dw(40, 40, 1);
      ASSERT_EQ(General(w, {0, 0, 13, 11}, dw, f, f, method), ippStsNoErr);
      const int W = static_cast<int>(13 * f + 1e-7), H = static_cast<int>(11 * f + 1e-7);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          ASSERT_EQ(db.at(x, y, 2), 255);
          ASSERT_EQ(dw.at(x, y, 0), 65535);
        }
    }
}

TEST(ResizeKernels, CubicAndLanczosOvershootIsClampedOnlyForIntegers) {
  for (int method : {IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS}) {
    SCOPED_TRACE(method);
    Image<Ipp8u> b{10, 10, 1, 10, {}};
    Image<float> f{10, 10, 1, 10, {}};
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        b.px.push_back(x < 5 ? 0 : 255);
        f.px.push_back(x < 5 ? 0.0f : 255.0f);
      }
    Canvas<Ipp8u> db(23, 10, 1);
    Canvas<float> df(23, 10, 1);
    ASSERT_EQ(General(b, {0, 0, 10, 10}, db, 2.3, 1.0, method), ippStsNoErr);
    ASSERT_EQ(General(f, {0, 0, 10, 10}, df, 2.3, 1.0, method), ippStsNoErr);
    float lo = 0, hi = 0;
    for (int x = 0; x < 23; ++x) {
      const float v = df.at(x, 4, 0);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      EXPECT_EQ(db.at(x, 4, 0), std::clamp(std::trunc(v + 0.5000001), 0.0, 255.0)) << x;
    }
    EXPECT_LT(lo, -1.0f);
    EXPECT_GT(hi, 256.0f);
  }
}

TEST(ResizeKernels, IdentityReproducesThePixels) {
  // Cubic and Lanczos pass through the samples at whole positions, also
  // on the first and last rows and columns.
  for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS}) {
    SCOPED_TRACE(method);
    const Image<Ipp8u> src = RandomImage<Ipp8u>(11, 9, 3, 21);
    Canvas<Ipp8u> dst(11, 9, 3);
    ASSERT_EQ(General(src, {0, 0, 11, 9}, dst, 1.0, 1.0, method), ippStsNoErr);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 11; ++x)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(dst.at(x, y, c), src.at(x, y, c)) << x << "," << y;
  }
}

// A bottom-up image (last row first in memory, negative step) and an image
// with a zero step (every row the same) resize like their plain versions.
TEST(ResizeKernels, StepDirectionAndZeroStep) {
  for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS})
    for (double f : {1.7, 0.45}) {  // rows shared between destination rows, and not
    SCOPED_TRACE(::testing::Message() << method << " factor " << f);
    const Image<Ipp16u> src = RandomImage<Ipp16u>(12, 10, 1, 31);
    Image<Ipp16u> flipped = src;
    for (int y = 0; y < src.h; ++y)
      for (int x = 0; x < src.w; ++x) flipped.at(x, y, 0) = src.at(x, src.h - 1 - y, 0);
    Canvas<Ipp16u> want(20, 17, 1), got(20, 17, 1);
    ASSERT_EQ(General(src, {1, 2, 11, 8}, want, f, f * 1.1, method), ippStsNoErr);
    const Ipp16u* lastRow = flipped.px.data() + static_cast<std::ptrdiff_t>(src.h - 1) * flipped.stride;
    ASSERT_EQ(General(flipped, {1, 2, 11, 8}, got, f, f * 1.1, method, {}, lastRow, -flipped.StepBytes()), ippStsNoErr);
    EXPECT_EQ(got.px, want.px);

    Image<Ipp16u> same = src;
    for (int y = 0; y < src.h; ++y)
      for (int x = 0; x < src.w; ++x) same.at(x, y, 0) = src.at(x, 3, 0);
    Canvas<Ipp16u> plain(20, 17, 1), zero(20, 17, 1);
    ASSERT_EQ(General(same, {0, 0, 12, 10}, plain, f, f * 1.1, method), ippStsNoErr);
    const Ipp16u* row3 = src.px.data() + 3 * src.stride;
    ASSERT_EQ(General(same, {0, 0, 12, 10}, zero, f, f * 1.1, method, {}, row3, 0), ippStsNoErr);
    EXPECT_EQ(zero.px, plain.px);
  }
}

TEST(ResizeKernels, OddByteStepOf16BitRowsDropsTheRemainder) {
  const Image<Ipp16u> src = RandomImage<Ipp16u>(9, 7, 1, 71, 1);  // rows of 10 elements
  for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS}) {
    Canvas<Ipp16u> even(13, 11, 1), odd(13, 11, 1);
    ASSERT_EQ(General(src, {0, 0, 9, 7}, even, 1.5, 1.6, method), ippStsNoErr);
    ASSERT_EQ(General(src, {0, 0, 9, 7}, odd, 1.5, 1.6, method, {}, src.px.data(), src.StepBytes() + 1), ippStsNoErr);
    EXPECT_EQ(odd.px, even.px) << method;
  }
}

TEST(ResizeKernels, NearestCopiesFloatBitPatterns) {
  Image<float> src{4, 1, 1, 4, {}};
  for (std::uint32_t bits : {0x7FA00001u, 0xFF800000u, 0x80000000u, 0x7FC12345u})
    src.px.push_back(std::bit_cast<float>(bits));
  Canvas<float> dst(8, 2, 1);
  ASSERT_EQ(General(src, {0, 0, 4, 1}, dst, 2.0, 2.0, IPPI_INTER_NN), ippStsNoErr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(std::bit_cast<std::uint32_t>(dst.at(x, y, 0)), std::bit_cast<std::uint32_t>(src.px[x / 2]));
}

TEST(ResizeKernels, NearestTakesCentres) {
  Image<Ipp8u> src{8, 1, 1, 8, {0, 1, 2, 3, 4, 5, 6, 7}};
  Canvas<Ipp8u> up(16, 1, 1), down(4, 1, 1);
  ASSERT_EQ(General(src, {0, 0, 8, 1}, up, 2.0, 1.0, IPPI_INTER_NN), ippStsNoErr);
  ASSERT_EQ(General(src, {0, 0, 8, 1}, down, 0.5, 1.0, IPPI_INTER_NN), ippStsNoErr);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(up.at(x, 0, 0), x / 2);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(down.at(x, 0, 0), 2 * x + 1);
}

TEST(ResizeKernels, MethodLoweredByTheWholeImage) {
  struct Row {
    int w, h, lowered;
  };
  for (const Row& r : {Row{7, 100, IPPI_INTER_CUBIC}, Row{100, 3, IPPI_INTER_LINEAR}, Row{1, 100, IPPI_INTER_NN}}) {
    SCOPED_TRACE(::testing::Message() << r.w << "x" << r.h);
    const Image<Ipp8u> src = RandomImage<Ipp8u>(r.w, r.h, 1, 41);
    Canvas<Ipp8u> lanczos(15, 15, 1), lowered(15, 15, 1);
    ASSERT_EQ(General(src, {0, 0, 5, 5}, lanczos, 2.6, 2.6, IPPI_INTER_LANCZOS), ippStsNoErr);
    ASSERT_EQ(General(src, {0, 0, 5, 5}, lowered, 2.6, 2.6, r.lowered), ippStsNoErr);
    EXPECT_EQ(lanczos.px, lowered.px);
  }
  // A small region of a large image keeps its method.
  const Image<Ipp8u> big = RandomImage<Ipp8u>(20, 20, 1, 42);
  Canvas<Ipp8u> lanczos(7, 7, 1), cubic(7, 7, 1);
  ASSERT_EQ(General(big, {5, 5, 3, 3}, lanczos, 2.5, 2.5, IPPI_INTER_LANCZOS), ippStsNoErr);
  ASSERT_EQ(General(big, {5, 5, 3, 3}, cubic, 2.5, 2.5, IPPI_INTER_CUBIC), ippStsNoErr);
  EXPECT_NE(lanczos.px, cubic.px);
}

template <class T>
void CompareVariants() {
  for (int C : {1, 3, 4})
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS, IPPI_INTER_SUPER})
      for (double f : {0.23, 0.5, 0.61, 1.0, 1.37, 2.0}) {
        if (method == IPPI_INTER_SUPER && f > 1) continue;
        SCOPED_TRACE(::testing::Message() << "C" << C << " method " << method << " factor " << f);
        const Image<T> src = RandomImage<T>(77, 45, C, 51);
        Canvas<T> plain(160, 100, C), best(160, 100, C);
        const ResizeImage a{src.px.data(), {src.w, src.h}, src.StepBytes(), {0, 0, src.w, src.h},
                            plain.Region(), plain.StepBytes(), {160, 100}, f, f * 0.9};
        ResizeImage b = a;
        b.dst = best.Region();
        ResizeOptions po, bo;
        po.variant = ResizeVariant::plain;
        bo.variant = ResizeVariant::best;
        if (method == IPPI_INTER_SUPER) {
          ASSERT_EQ(ResizeSupersample(a, ElementOf<T>(), C, po), ippStsNoErr);
          ASSERT_EQ(ResizeSupersample(b, ElementOf<T>(), C, bo), ippStsNoErr);
        } else {
          ASSERT_EQ(ResizeGeneral(a, 0, 0, ElementOf<T>(), C, method, po), ippStsNoErr);
          ASSERT_EQ(ResizeGeneral(b, 0, 0, ElementOf<T>(), C, method, bo), ippStsNoErr);
        }
        // Same source, same operations in the same order: bit for bit.
        ASSERT_EQ(std::memcmp(plain.px.data(), best.px.data(), plain.px.size() * sizeof(T)), 0);
      }
}

TEST(ResizeKernels, ProcessorVariantsMatchThePlainBuild) {
  if (!ProcessorHasAvx2())
    GTEST_SKIP() << "this processor has no AVX2: the best variant would be the plain one";
  CompareVariants<Ipp8u>();
  CompareVariants<Ipp16u>();
  CompareVariants<float>();
}

// One resize through the plain build and the best one: the same pixels, and
// nothing written outside the effective destination. The last row of
// pixels ends the source buffer, so a read past it shows.
struct EdgeCase {
  int w, h;
  IppiRect roi;
  IppiSize dst;
};

template <class T>
void ExpectBestMatchesPlain(const EdgeCase& k, int C, int method, std::uint32_t seed, bool checkerboard) {
  SCOPED_TRACE(::testing::Message() << k.w << "x" << k.h << " region " << k.roi.x << "," << k.roi.y << " to "
                                    << k.dst.width << "x" << k.dst.height << " C" << C << " method " << method
                                    << (checkerboard ? " checkerboard" : ""));
  Image<T> src = RandomImage<T>(k.w, k.h, C, seed);
  if (checkerboard)
    for (int y = 0; y < k.h; ++y)
      for (int x = 0; x < k.w; ++x)
        for (int c = 0; c < C; ++c) src.at(x, y, c) = (x + y + c) % 2 ? std::numeric_limits<T>::max() : 0;
  src.px.resize(src.px.size() - 3);
  Canvas<T> plain(k.dst.width, k.dst.height, C), best(k.dst.width, k.dst.height, C);
  const double fx = static_cast<double>(k.dst.width) / k.roi.width;
  const double fy = static_cast<double>(k.dst.height) / k.roi.height;
  ASSERT_EQ(General(src, k.roi, plain, fx, fy, method, {nullptr, ResizeVariant::plain}), ippStsNoErr);
  ASSERT_EQ(General(src, k.roi, best, fx, fy, method, {nullptr, ResizeVariant::best}), ippStsNoErr);
  // Bit for bit (floats too, whatever they hold).
  ASSERT_EQ(std::memcmp(plain.px.data(), best.px.data(), plain.px.size() * sizeof(T)), 0);
  EXPECT_TRUE(best.GuardIntactOutside(k.dst.width, k.dst.height));
}

template <class T>
void CompareCases(std::initializer_list<EdgeCase> cases, std::initializer_list<int> methods) {
  std::uint32_t seed = 81;
  for (const EdgeCase& k : cases)
    for (int C : {1, 3, 4})
      for (int method : methods)
        for (bool checkerboard : {false, true}) ExpectBestMatchesPlain<T>(k, C, method, seed++, checkerboard);
}

// Exact halves: every column but the last (every one when the width is
// 2n - 1) takes its left tap at 2k, which the wide build reads as the row's
// elements as they lie. Widths reach the vector loops' ends and tails,
// regions end at the image's right edge, and a checkerboard gives the
// largest differences between neighbours.
TEST(ResizeKernels, HalvingMatchesThePlainBuild) {
  if (!ProcessorHasAvx2())
    GTEST_SKIP() << "this processor has no AVX2: the best variant would be the plain one";
  const auto cases = {
      EdgeCase{64, 10, {0, 0, 64, 10}, {32, 5}},     EdgeCase{66, 9, {0, 0, 66, 9}, {33, 5}},
      EdgeCase{114, 7, {0, 0, 114, 7}, {57, 4}},     EdgeCase{192, 22, {0, 0, 192, 22}, {96, 11}},
      EdgeCase{97, 21, {0, 0, 97, 21}, {49, 11}},    EdgeCase{160, 13, {31, 3, 129, 10}, {65, 5}},
      EdgeCase{140, 12, {12, 2, 128, 10}, {64, 5}},  EdgeCase{34, 4, {0, 0, 34, 4}, {17, 2}},
  };
  CompareCases<Ipp8u>(cases, {IPPI_INTER_NN, IPPI_INTER_LINEAR});
  CompareCases<Ipp16u>(cases, {IPPI_INTER_NN, IPPI_INTER_LINEAR});
}

// The wide passes at any scale: eight or sixteen columns, or two pixels, at
// a time with a plain tail; nearest and cubic read whole windows of pixels
// (windows near the row's end are left to the plain loop), and cubic clamps
// the checkerboard's overshoot.
TEST(ResizeKernels, WidePassesMatchThePlainBuild) {
  if (!ProcessorHasAvx2())
    GTEST_SKIP() << "this processor has no AVX2: the best variant would be the plain one";
  const auto cases = {
      EdgeCase{37, 9, {0, 0, 37, 9}, {74, 18}},    EdgeCase{64, 12, {5, 2, 59, 10}, {35, 6}},
      EdgeCase{200, 24, {0, 0, 200, 24}, {34, 4}}, EdgeCase{9, 5, {0, 0, 9, 5}, {25, 11}},
      EdgeCase{33, 7, {10, 0, 23, 7}, {23, 7}},    EdgeCase{50, 8, {0, 1, 50, 7}, {121, 13}},
  };
  CompareCases<Ipp8u>(cases, {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC});
  CompareCases<Ipp16u>(cases, {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC});
  CompareCases<float>(cases, {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC});
}

// Fails the n-th allocation and keeps count of what is still held.
struct FailingAllocator {
  int failAt = -1, calls = 0, held = 0;
  static void* Allocate(void* ctx, std::size_t bytes) {
    auto* self = static_cast<FailingAllocator*>(ctx);
    if (self->calls++ == self->failAt) return nullptr;
    ++self->held;
    return std::aligned_alloc(32, (bytes + 31) / 32 * 32);
  }
  static void Release(void* ctx, void* block) {
    --static_cast<FailingAllocator*>(ctx)->held;
    std::free(block);
  }
};

// Every channel count: some kernels take extra blocks for one channel
// (8u linear and nearest) or four (8u nearest).
TEST(ResizeKernels, EachFailingAllocationGivesMemAllocErrAndFreesTheRest) {
  for (int C : {1, 3, 4}) {
    const Image<Ipp8u> bytes = RandomImage<Ipp8u>(16, 12, C, 61);
    const Image<float> floats = RandomImage<float>(16, 12, C, 62);
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC, IPPI_INTER_LANCZOS, IPPI_INTER_SUPER})
      for (ResizeElement e : {ResizeElement::u8, ResizeElement::f32}) {
        int failures = 0;
        for (int n = 0;; ++n) {
          SCOPED_TRACE(::testing::Message() << "C" << C << " method " << method << " allocation " << n);
          FailingAllocator fa;
          fa.failAt = n;
          const ResizeAllocator alloc{&FailingAllocator::Allocate, &FailingAllocator::Release, &fa};
          ResizeOptions options;
          options.allocator = &alloc;
          Canvas<Ipp8u> dst(8, 6, C);
          Canvas<float> fdst(8, 6, C);
          const bool f = e == ResizeElement::f32;
          const ResizeImage im{f ? static_cast<const void*>(floats.px.data()) : bytes.px.data(), {16, 12},
                               f ? floats.StepBytes() : bytes.StepBytes(), {0, 0, 16, 12},
                               f ? static_cast<void*>(fdst.Region()) : dst.Region(),
                               f ? fdst.StepBytes() : dst.StepBytes(), {8, 6}, 0.5, 0.5};
          const IppStatus s = method == IPPI_INTER_SUPER ? ResizeSupersample(im, e, C, options)
                                                         : ResizeGeneral(im, 0, 0, e, C, method, options);
          EXPECT_EQ(fa.held, 0);
          if (s == ippStsNoErr) break;
          ASSERT_EQ(s, ippStsMemAllocErr);
          EXPECT_TRUE(dst.GuardIntactOutside(0, 0));
          EXPECT_TRUE(fdst.GuardIntactOutside(0, 0));
          ++failures;
        }
        EXPECT_GE(failures, 2);
      }
  }
}

}  // namespace
}  // namespace tavrel::testing_resize
