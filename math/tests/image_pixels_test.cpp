#include "math/image_pixels.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "math/runtime.h"
#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

using testing::CheckRow;
using testing::Probe;

TEST(ImagePixels, DivideBy255IsTheFloorForEveryProduct) {
  for (int x = 0; x <= 255 * 255; ++x) ASSERT_EQ(DivideBy255(x), x / 255) << x;
  EXPECT_EQ(DivideBy255(255 * 128), 128);
  EXPECT_EQ(DivideBy255(1), 0);
}

using Px = std::array<Ipp8u, 4>;

Px Composite(Px a, Px b, int type) {
  Px out{9, 9, 9, 9};
  EXPECT_EQ(ippiAlphaComp_8u_AC4R(a.data(), 4, b.data(), 4, out.data(), 4, IppiSize{1, 1},
                                  static_cast<IppiAlphaType>(type)),
            ippStsNoErr);
  return out;
}

TEST(ImagePixels, AlphaCompositingTypes) {
  struct Row {
    const char* name;
    int type;
    Px a, b, want;
  };
  const Row rows[] = {
      {"over, opaque source", 0, {255, 255, 255, 255}, {10, 20, 30, 99}, {255, 255, 255, 255}},
      {"over, clear source", 0, {200, 0, 0, 0}, {100, 50, 0, 255}, {0 + 100, 50, 0, 255}},
      {"in", 1, {255, 100, 0, 255}, {0, 0, 0, 128}, {128, 50, 0, 128}},
      {"out", 2, {255, 100, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 0}},
      {"atop keeps b", 3, {255, 0, 0, 255}, {0, 255, 0, 77}, {77, 0, 0, 77}},
      {"xor of two opaque", 4, {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 0, 0}},
      {"plus saturates alpha", 5, {10, 10, 10, 200}, {10, 10, 10, 100}, {10, 10, 10, 255}},
      {"premultiplied over, a=255", 6, {1, 2, 3, 255}, {200, 200, 200, 200}, {1, 2, 3, 255}},
      {"premultiplied over, a=0", 6, {100, 200, 3, 0}, {200, 100, 4, 50}, {255, 255, 7, 50}},
      {"premultiplied in", 7, {200, 100, 50, 9}, {0, 0, 0, 128}, {100, 50, 25, 4}},
      {"premultiplied out", 8, {200, 100, 50, 255}, {0, 0, 0, 255}, {0, 0, 0, 0}},
      {"premultiplied atop", 9, {200, 100, 50, 255}, {90, 90, 90, 10}, {7, 3, 1, 10}},
      {"premultiplied xor", 10, {200, 100, 50, 0}, {90, 90, 90, 0}, {255, 190, 140, 0}},
      {"premultiplied plus", 11, {200, 100, 50, 200}, {90, 90, 90, 100}, {255, 190, 140, 255}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Px got = Composite(r.a, r.b, r.type);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(got[c], r.want[c]) << "channel " << c;
  }
  Px a{1, 2, 3, 4}, out{9, 9, 9, 9};
  for (int bad : {-1, 12, 1000}) {
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a.data(), 4, a.data(), 4, out.data(), 4, IppiSize{1, 1},
                                    static_cast<IppiAlphaType>(bad)),
              ippStsAlphaTypeErr);
  }
  EXPECT_EQ(out, (Px{9, 9, 9, 9}));
}

const Ipp32s* Ptrs(const std::vector<Ipp32s>& v) { return v.data(); }

struct LutSetup {
  std::vector<Ipp32s> levels[4], values[4];
  const Ipp32s* levelPtr[4];
  const Ipp32s* valuePtr[4];
  int n[4];
  LutSetup(std::vector<Ipp32s> lv, std::vector<Ipp32s> vv) {
    for (int c = 0; c < 4; ++c) {
      levels[c] = lv;
      values[c] = vv;
      levelPtr[c] = Ptrs(levels[c]);
      valuePtr[c] = Ptrs(values[c]);
      n[c] = static_cast<int>(lv.size());
    }
  }
  std::vector<Ipp8u> Run() {
    std::vector<Ipp8u> src(1024), dst(1024, 0);
    for (int i = 0; i < 1024; ++i) src[i] = static_cast<Ipp8u>(i / 4);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(src.data(), 1024, dst.data(), 1024, IppiSize{256, 1},
                                    valuePtr, levelPtr, n),
              ippStsNoErr);
    std::vector<Ipp8u> table(256);
    for (int x = 0; x < 256; ++x) {
      for (int c = 1; c < 4; ++c) EXPECT_EQ(dst[4 * x + c], dst[4 * x]);
      table[x] = dst[4 * x];
    }
    return table;
  }
};

TEST(ImagePixels, LinearLookUp) {
  {
    const auto t = LutSetup({0, 256}, {0, 255}).Run();
    for (int x = 0; x < 256; ++x) EXPECT_EQ(t[x], static_cast<int>(x * 255.0 / 256 + 0.5)) << x;
  }
  {
    const auto t = LutSetup({64, 192}, {0, 255}).Run();
    for (int x = 0; x < 64; ++x) EXPECT_EQ(t[x], x);
    EXPECT_EQ(t[64], 0);
    EXPECT_EQ(t[191], 253);
    for (int x = 192; x < 256; ++x) EXPECT_EQ(t[x], x);
  }
  {
    // Later segments overwrite earlier ones; values beyond a byte are clamped.
    const auto t = LutSetup({0, 100, 50, 200}, {0, 1000, -500, 100}).Run();
    EXPECT_EQ(t[10], 100);  // first segment, slope 10
    EXPECT_EQ(t[40], 255);  // 400 clamped
    EXPECT_EQ(t[99], 0);    // overwritten by the third segment: -303.5 clamped
    EXPECT_EQ(t[199], 96);  // trunc(4 * 199 - 699.5)
    EXPECT_EQ(t[200], 200);
  }
  // Levels far outside the table and decreasing levels stay inside it (ASan watches).
  for (auto lv : {std::vector<Ipp32s>{-1000, 5000}, std::vector<Ipp32s>{300, 400},
                  std::vector<Ipp32s>{-50, -10}, std::vector<Ipp32s>{200, 10, 100},
                  std::vector<Ipp32s>{INT32_MIN, INT32_MAX}}) {
    std::vector<Ipp32s> vv(lv.size());
    for (std::size_t i = 0; i < vv.size(); ++i) vv[i] = i % 2 ? INT32_MAX : INT32_MIN;
    LutSetup(lv, vv).Run();
  }
  LutSetup bad({0, 255}, {0, 255});
  bad.n[2] = 1;
  Ipp8u px[4] = {1, 2, 3, 4}, out[4] = {0, 0, 0, 0};
  EXPECT_EQ(ippiLUT_Linear_8u_C4R(px, 4, out, 4, IppiSize{0, 1}, bad.valuePtr, bad.levelPtr, bad.n),
            ippStsLUTNofLevelsErr);  // before the size
  bad.n[2] = 2;
  bad.levelPtr[3] = nullptr;
  EXPECT_EQ(ippiLUT_Linear_8u_C4R(px, 4, out, 4, IppiSize{1, 1}, bad.valuePtr, bad.levelPtr, bad.n),
            ippStsNullPtrErr);
  bad.levelPtr[3] = bad.levelPtr[0];
  EXPECT_EQ(ippiLUT_Linear_8u_C4R(px, 4, out, 4, IppiSize{0, 1}, bad.valuePtr, bad.levelPtr, bad.n),
            ippStsSizeErr);
  EXPECT_EQ(ippiLUT_Linear_8u_C4R(px, 0, out, 4, IppiSize{1, 1}, bad.valuePtr, bad.levelPtr, bad.n),
            ippStsStepErr);
  EXPECT_EQ(ippiLUT_Linear_8u_C4R(px, 4, out, -4, IppiSize{1, 1}, bad.valuePtr, bad.levelPtr, bad.n),
            ippStsStepErr);
  EXPECT_EQ(out[0], 0);
}

// A 3-channel image whose pixel (r, c) holds (r, c, 7) with padding bytes.
struct Rgb {
  int w, h, step;
  std::vector<Ipp8u> data;
  Rgb(int w_, int h_) : w(w_), h(h_), step(3 * w_ + 2), data(step * h_, 0xEE) {
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c) {
        data[r * step + 3 * c] = static_cast<Ipp8u>(r);
        data[r * step + 3 * c + 1] = static_cast<Ipp8u>(c);
        data[r * step + 3 * c + 2] = 7;
      }
  }
  std::pair<int, int> At(int r, int c) const {
    return {data[r * step + 3 * c], data[r * step + 3 * c + 1]};
  }
  bool PaddingIntact() const {
    for (int r = 0; r < h; ++r)
      if (data[r * step + 3 * w] != 0xEE || data[r * step + 3 * w + 1] != 0xEE) return false;
    return true;
  }
};

TEST(ImagePixels, MirrorInPlaceAndToDestination) {
  for (IppiAxis axis : {ippAxsHorizontal, ippAxsVertical, ippAxsBoth}) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{4, 3}, std::pair{5, 4}, std::pair{1, 5}}) {
      SCOPED_TRACE(std::to_string(axis) + " " + std::to_string(w) + "x" + std::to_string(h));
      Rgb img(w, h), out(w, h);
      const Rgb orig(w, h);
      ASSERT_EQ(ippiMirror_8u_C3IR(img.data.data(), img.step, IppiSize{w, h}, axis), ippStsNoErr);
      ASSERT_EQ(ippiMirror_8u_C3R(orig.data.data(), orig.step, out.data.data(), out.step,
                                  IppiSize{w, h}, axis),
                ippStsNoErr);
      for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
          const int sr = axis == ippAxsVertical ? r : h - 1 - r;
          const int sc = axis == ippAxsHorizontal ? c : w - 1 - c;
          EXPECT_EQ(img.At(r, c), orig.At(sr, sc)) << r << "," << c;
          EXPECT_EQ(out.At(r, c), orig.At(sr, sc)) << r << "," << c;
        }
      EXPECT_TRUE(img.PaddingIntact());
      EXPECT_TRUE(out.PaddingIntact());
    }
  }
  // Four channels: pixel (r, c) = (r, c, 1, 2).
  std::vector<Ipp8u> src(2 * 3 * 4), dst(2 * 3 * 4, 0);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) {
      Ipp8u* p = &src[(r * 3 + c) * 4];
      p[0] = Ipp8u(r), p[1] = Ipp8u(c), p[2] = 1, p[3] = 2;
    }
  ASSERT_EQ(ippiMirror_8u_C4R(src.data(), 12, dst.data(), 12, IppiSize{3, 2}, ippAxsBoth), ippStsNoErr);
  EXPECT_EQ(dst[0], 1);
  EXPECT_EQ(dst[1], 2);
  EXPECT_EQ(dst[3], 2);
  Rgb img(2, 2);
  EXPECT_EQ(ippiMirror_8u_C3IR(img.data.data(), img.step, IppiSize{2, 2}, static_cast<IppiAxis>(3)),
            ippStsMirrorFlipErr);
  EXPECT_EQ(img.At(0, 1), (std::pair{0, 1}));
}

TEST(ImagePixels, CopyIgnoresStepsWhileTheFillChecksThem) {
  Ipp8u src[8] = {1, 2, 3, 4, 5, 6, 7, 8}, dst[8] = {};
  ASSERT_EQ(ippiCopy_8u_C4R(src, 0, dst, 0, IppiSize{2, 3}), ippStsNoErr);  // rows overlap, still fine
  EXPECT_EQ(dst[7], 8);
  const Ipp8u value[4] = {9, 8, 7, 6};
  EXPECT_EQ(ippiSet_8u_C4R(value, dst, 0, IppiSize{2, 1}), ippStsStepErr);
  EXPECT_EQ(dst[0], 1);
  std::vector<Ipp8u> padded(3 * 12, 0xAB), from(3 * 8);
  for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<Ipp8u>(i);
  ASSERT_EQ(ippiCopy_8u_C4R(from.data(), 8, padded.data(), 12, IppiSize{2, 3}), ippStsNoErr);
  for (int r = 0; r < 3; ++r)
    for (int i = 0; i < 12; ++i)
      EXPECT_EQ(padded[r * 12 + i], i < 8 ? from[r * 8 + i] : 0xAB) << r << " " << i;
}

}  // namespace

std::vector<testing::CheckRow> ImagePixelsCheckRows() {
  const IppiSize good{2, 2};
  auto roi = [good](Probe& p) { return p.badSize ? IppiSize{2, -1} : good; };
  std::vector<CheckRow> rows = {
      {"ippiAlphaComp_8u_AC4R",
       [=](Probe& p) {
         return ippiAlphaComp_8u_AC4R(p.Ptr<Ipp8u>(0), 8, p.Ptr<Ipp8u>(1), 8, p.Ptr<Ipp8u>(2), 8,
                                      roi(p), static_cast<IppiAlphaType>(p.Own(3, 12)));
       },
       ippStsAlphaTypeErr},
      {"ippiCopy_8u_C4R",
       [=](Probe& p) { return ippiCopy_8u_C4R(p.Ptr<Ipp8u>(0), 8, p.Ptr<Ipp8u>(1), 8, roi(p)); }},
      {"ippiMirror_8u_C4R",
       [=](Probe& p) {
         return ippiMirror_8u_C4R(p.Ptr<Ipp8u>(0), 8, p.Ptr<Ipp8u>(1), 8, roi(p),
                                  static_cast<IppiAxis>(p.Own(1, -1)));
       },
       ippStsMirrorFlipErr},
      {"ippiMirror_8u_C3R",
       [=](Probe& p) {
         return ippiMirror_8u_C3R(p.Ptr<Ipp8u>(0), 6, p.Ptr<Ipp8u>(1), 6, roi(p),
                                  static_cast<IppiAxis>(p.Own(2, 3)));
       },
       ippStsMirrorFlipErr},
      {"ippiMirror_8u_C3IR",
       [=](Probe& p) {
         return ippiMirror_8u_C3IR(p.Ptr<Ipp8u>(0), 6, roi(p), static_cast<IppiAxis>(p.Own(0, 3)));
       },
       ippStsMirrorFlipErr},
  };
  rows.push_back({"ippiSet_8u_C4R",
                  [=](Probe& p) {
                    return ippiSet_8u_C4R(p.Ptr<Ipp8u>(0), p.Ptr<Ipp8u>(1), p.Own(8, 0), roi(p));
                  },
                  ippStsStepErr});
  return rows;
}

}  // namespace tavrel::kernels
