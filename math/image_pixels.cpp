#include "math/image_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "math/kernel_support.h"
#include "math/pixel_rows.h"

namespace tavrel::kernels {
namespace {

using pixels::BadSize;
using pixels::RowAt;

constexpr int D(int x) { return DivideBy255(x); }
constexpr int S(int x) { return x <= 255 ? x : 255; }

struct Composite {
  int colour[3];
  int alpha;
};

// One pixel of each type; A, B colours, a, b alphas.
Composite CompositePixel(int type, const Ipp8u* p, const Ipp8u* q) {
  const int a = p[3], b = q[3];
  Composite out{};
  for (int c = 0; c < 3; ++c) {
    const int A = p[c], B = q[c];
    int v = 0;
    switch (type) {
      case 0: v = D(A * a) + D(D(B * b) * (255 - a)); break;
      case 1: v = D(D(A * a) * b); break;
      case 2: v = D(D(A * a) * (255 - b)); break;
      case 3: v = D(D(A * a) * b) + D(D(B * b) * (255 - a)); break;
      case 4: v = D(D(A * a) * (255 - b)) + D(D(B * b) * (255 - a)); break;
      case 5: v = S(D(A * a) + D(B * b)); break;
      case 6: v = S(A + D(B * (255 - a))); break;
      case 7: v = D(A * b); break;
      case 8: v = D(A * (255 - b)); break;
      case 9: v = S(D(A * b) + D(B * (255 - a))); break;
      case 10: v = S(D(A * (255 - b)) + D(B * (255 - a))); break;
      default: v = S(A + B); break;
    }
    out.colour[c] = v;
  }
  switch (type % 6) {
    case 0: out.alpha = a + D(b * (255 - a)); break;
    case 1: out.alpha = D(b * a); break;
    case 2: out.alpha = D(a * (255 - b)); break;
    case 3: out.alpha = b; break;
    case 4: out.alpha = D(a * (255 - b)) + D(b * (255 - a)); break;
    default: out.alpha = S(a + b); break;
  }
  return out;
}

// The table of one channel. Levels come from the caller, so every index is
// clamped to the table and every value is clamped before it is converted.
void BuildTable(const Ipp32s* levels, const Ipp32s* values, int n, Ipp8u table[256]) {
  // Identity first: it is the rule below the first level, and the value of
  // entries no segment writes when the levels do not increase.
  for (int i = 0; i < 256; ++i) table[i] = static_cast<Ipp8u>(i);
  for (int k = 0; k + 1 < n; ++k) {
    const Ipp64s lo = levels[k], hi = levels[k + 1];
    if (hi <= lo) continue;
    const int j0 = static_cast<int>(std::clamp<Ipp64s>(lo, 0, 255));
    const int j1 = static_cast<int>(std::clamp<Ipp64s>(hi, 0, 256));
    if (j1 - j0 == 1) {
      table[j0] = static_cast<Ipp8u>(std::clamp<Ipp32s>(values[k], 0, 255));
      continue;
    }
    using support::Ext;
    const Ext g = (static_cast<Ext>(values[k + 1]) - values[k]) / static_cast<Ext>(hi - lo);
    const Ext base = (values[k] + 0.5L) - lo * g;
    for (int j = j0; j < j1; ++j) {
      const Ext v = std::trunc(j * g + base);
      table[j] = static_cast<Ipp8u>(std::clamp(v, 0.0L, 255.0L));
    }
  }
  const int last = std::clamp<Ipp32s>(levels[n - 1], 0, 256);
  for (int i = last; i < 256; ++i) table[i] = static_cast<Ipp8u>(i);
}

bool BadAxis(IppiAxis flip) { return flip < ippAxsHorizontal || flip > ippAxsBoth; }

template <int kChannels>
IppStatus Mirror(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                 IppiAxis flip) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (BadAxis(flip)) return ippStsMirrorFlipErr;
  const bool rows = flip != ippAxsVertical, columns = flip != ippAxsHorizontal;
  for (int i = 0; i < roi.height; ++i) {
    const Ipp8u* s = RowAt(src, srcStep, i);
    Ipp8u* d = RowAt(dst, dstStep, rows ? roi.height - 1 - i : i);
    for (int x = 0; x < roi.width; ++x) {
      const int to = columns ? roi.width - 1 - x : x;
      std::memcpy(d + kChannels * to, s + kChannels * x, kChannels);
    }
  }
  return ippStsNoErr;
}

void SwapPixels(Ipp8u* a, Ipp8u* b) {
  for (int c = 0; c < 3; ++c) std::swap(a[c], b[c]);
}

void MirrorRowInPlace(Ipp8u* row, int width) {
  for (int x = 0; x < width / 2; ++x) SwapPixels(row + 3 * x, row + 3 * (width - 1 - x));
}

}  // namespace

IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* src1, int src1Step, const Ipp8u* src2, int src2Step,
                                Ipp8u* dst, int dstStep, IppiSize roi, IppiAlphaType alphaType) {
  if (src1 == nullptr || src2 == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (static_cast<unsigned>(alphaType) > 11u) return ippStsAlphaTypeErr;
  const int type = alphaType;
  for (int r = 0; r < roi.height; ++r) {
    const Ipp8u* p = RowAt(src1, src1Step, r);
    const Ipp8u* q = RowAt(src2, src2Step, r);
    Ipp8u* d = RowAt(dst, dstStep, r);
    for (int x = 0; x < roi.width; ++x) {
      const Composite c = CompositePixel(type, p + 4 * x, q + 4 * x);
      for (int k = 0; k < 3; ++k) d[4 * x + k] = static_cast<Ipp8u>(c.colour[k]);
      d[4 * x + 3] = static_cast<Ipp8u>(c.alpha);
    }
  }
  return ippStsNoErr;
}

IppStatus ippiCopy_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  for (int r = 0; r < roi.height; ++r)
    std::memcpy(RowAt(dst, dstStep, r), RowAt(src, srcStep, r), 4 * static_cast<std::size_t>(roi.width));
  return ippStsNoErr;
}

IppStatus ippiLUT_Linear_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep,
                                IppiSize roi, const Ipp32s* values[4], const Ipp32s* levels[4],
                                int nLevels[4]) {
  if (src == nullptr || dst == nullptr || values == nullptr || levels == nullptr ||
      nLevels == nullptr)
    return ippStsNullPtrErr;
  for (int c = 0; c < 4; ++c) {
    if (values[c] == nullptr || levels[c] == nullptr) return ippStsNullPtrErr;
    if (nLevels[c] < 2) return ippStsLUTNofLevelsErr;
  }
  if (BadSize(roi)) return ippStsSizeErr;
  if (srcStep <= 0 || dstStep <= 0) return ippStsStepErr;
  Ipp8u tables[4][256];
  for (int c = 0; c < 4; ++c) BuildTable(levels[c], values[c], nLevels[c], tables[c]);
  for (int r = 0; r < roi.height; ++r) {
    const Ipp8u* s = RowAt(src, srcStep, r);
    Ipp8u* d = RowAt(dst, dstStep, r);
    for (int i = 0; i < 4 * roi.width; ++i) d[i] = tables[i % 4][s[i]];
  }
  return ippStsNoErr;
}

IppStatus ippiMirror_8u_C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                            IppiAxis flip) {
  return Mirror<4>(src, srcStep, dst, dstStep, roi, flip);
}
IppStatus ippiMirror_8u_C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                            IppiAxis flip) {
  return Mirror<3>(src, srcStep, dst, dstStep, roi, flip);
}

IppStatus ippiMirror_8u_C3IR(Ipp8u* srcDst, int srcDstStep, IppiSize roi, IppiAxis flip) {
  if (srcDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (BadAxis(flip)) return ippStsMirrorFlipErr;
  const int w = roi.width, h = roi.height;
  if (flip == ippAxsVertical) {
    for (int i = 0; i < h; ++i) MirrorRowInPlace(RowAt(srcDst, srcDstStep, i), w);
    return ippStsNoErr;
  }
  for (int i = 0; i < h / 2; ++i) {
    Ipp8u* top = RowAt(srcDst, srcDstStep, i);
    Ipp8u* bottom = RowAt(srcDst, srcDstStep, h - 1 - i);
    for (int x = 0; x < w; ++x)
      SwapPixels(top + 3 * x, bottom + 3 * (flip == ippAxsBoth ? w - 1 - x : x));
  }
  if (flip == ippAxsBoth && h % 2 == 1) MirrorRowInPlace(RowAt(srcDst, srcDstStep, h / 2), w);
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
