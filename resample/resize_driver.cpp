// The general resize driver: maps every destination column and row to a
// source position once, builds the offset and weight tables, and runs one
// row kernel over the whole destination.
#include <algorithm>
#include <cmath>

#include "resample/resize.h"
#include "resample/resize_work.h"

namespace tavrel {
namespace {

// Source positions along one axis, relative to the clipped region.
struct Axis {
  int origin;   // region x (or y) in the image
  int clipped;  // region width (height) after clipping
  int size;     // image width (height)
  int count;    // effective destination width (height)
  double factor;
  double shift;
  int Last() const { return size - origin - 1; }
};

double Step(const Axis& a, int method) {
  if (method == IPPI_INTER_NN) return 1.0 / a.factor;
  const double scaled = a.clipped * a.factor;
  return scaled > 1.0 ? (a.clipped - 1) / (scaled - 1.0) : 0.0;
}

double Start(const Axis& a, int method) {
  return (method == IPPI_INTER_NN ? Step(a, method) / 2.0 : 0.0) + a.shift;
}

// The source index of position p, brought inside the image: an index past
// the image (a shift close to 1, or a destination raised to one pixel)
// takes the last row or column. The index is trunc(p + tolerance): against
// whole bounds the sum itself compares the same (a NaN fails both), and
// the conversion truncates.
int IndexOf(double p, int last) {
  const double q = p + kResizeTolerance;
  if (!(q >= 1.0)) return 0;
  return q < last ? static_cast<int>(q) : last;
}

template <class F>
void ForEachPosition(const Axis& a, int method, F&& f) {
  const double step = Step(a, method);
  double p = Start(a, method);
  const int last = a.Last();
  for (std::ptrdiff_t i = 0; i < a.count; ++i, p += step) f(i, p, IndexOf(p, last));
}

int LowerMethod(int method, IppiSize size) {
  const int smaller = std::min(size.width, size.height);
  if (method == IPPI_INTER_LANCZOS && smaller < 8) method = IPPI_INTER_CUBIC;
  if (method == IPPI_INTER_CUBIC && smaller < 4) method = IPPI_INTER_LINEAR;
  if (smaller < 2) method = IPPI_INTER_NN;
  return method;
}

// Linear: the left (upper) tap and the weight of the right (lower) one.
void LinearTap(const Axis& a, double p, int j, int& tap, double& t) {
  if (j == a.Last()) {
    tap = j - 1;
    t = 1.0;
  } else {
    tap = j;
    t = std::clamp(p - j, 0.0, 1.0);
  }
}

// trunc(16384 t + tolerance), at most 16384 (a NaN too); the conversion
// truncates.
Ipp16u FixedWeight(double t) {
  const double w = t * 16384.0 + kResizeTolerance;
  return w < 16384.0 ? static_cast<Ipp16u>(static_cast<int>(w)) : Ipp16u{16384};
}

// Cubic: the base tap keeps all four taps inside the image. The three
// coefficients go `stride` floats apart.
void CubicTap(const Axis& a, double p, int j, int& base, float* coef, std::ptrdiff_t stride) {
  const int abs = a.origin + j;
  float f;
  if (abs == a.size - 1) {
    base = j - 2;
    f = 2.0f;
  } else {
    base = abs == 0 ? j + 1 : abs == a.size - 2 ? j - 1 : j;
    f = static_cast<float>(p - base);
  }
  coef[0] = f + 1.0f;
  coef[stride] = (f + 1.0f) * f / 2.0f;
  coef[2 * stride] = (f + 1.0f) * f * (f - 1.0f) / 6.0f;
}

float LanczosFraction(double p, int j) { return static_cast<float>(std::clamp(p - j, 0.0, 1.0)); }

}  // namespace

IppStatus ResizeGeneral(const ResizeImage& m, double xShift, double yShift, ResizeElement element,
                        int channels, int interpolation, const ResizeOptions& options) {
  if (IppStatus s = CheckResizeArguments(m); s != ippStsNoErr) return s;
  if (interpolation != IPPI_INTER_NN && interpolation != IPPI_INTER_LINEAR &&
      interpolation != IPPI_INTER_CUBIC && interpolation != IPPI_INTER_LANCZOS)
    return ippStsInterpolationErr;
  const int method = LowerMethod(interpolation, m.srcSize);

  const IppiRect roi = ClipRegion(m);
  Axis ax{roi.x, roi.width, m.srcSize.width, 0, m.xFactor, xShift};
  Axis ay{roi.y, roi.height, m.srcSize.height, 0, m.yFactor, yShift};
  if (!EffectiveLength(m.dstRoiSize.width, roi.width, m.xFactor, ax.count) ||
      !EffectiveLength(m.dstRoiSize.height, roi.height, m.yFactor, ay.count))
    return ippStsResizeNoOperationErr;

  const int esize = ElementSize(element);
  const int shift = esize == 1 ? 0 : esize == 2 ? 1 : 2;
  const int C = channels;
  ResizeKernelArgs k{};
  k.src = static_cast<const char*>(m.src) + static_cast<std::ptrdiff_t>(roi.y) * m.srcStep +
          static_cast<std::ptrdiff_t>(roi.x) * C * esize;
  k.dst = m.dst;
  k.srcStep = static_cast<std::ptrdiff_t>(m.srcStep) >> shift;
  k.dstStep = static_cast<std::ptrdiff_t>(m.dstStep) >> shift;
  k.width = ax.count;
  k.height = ay.count;
  k.firstRow = -roi.y;
  k.lastRow = ay.Last();
  k.rowElements = static_cast<std::ptrdiff_t>(m.srcSize.width - roi.x) * C;
  k.channels = C;

  WorkBlocks blocks(options.allocator);
  const int taps = method == IPPI_INTER_LANCZOS ? 6 : 1;
  int* rows = blocks.Take<int>(ay.count);
  std::ptrdiff_t* cols = blocks.Take<std::ptrdiff_t>(static_cast<std::size_t>(ax.count) * taps);
  if (!rows || !cols) return ippStsMemAllocErr;
  k.rowIndex = rows;
  k.colOffset = cols;

  const bool integer = element != ResizeElement::f32;
  int buffers = 0;
  std::size_t bufferElement = sizeof(float);
  switch (method) {
    case IPPI_INTER_NN:
      ForEachPosition(ay, method, [&](std::ptrdiff_t i, double, int j) { rows[i] = j; });
      ForEachPosition(ax, method, [&](std::ptrdiff_t i, double, int j) { cols[i] = std::ptrdiff_t{j} * C; });
      break;
    case IPPI_INTER_LINEAR: {
      buffers = 2;
      if (integer) {
        bufferElement = sizeof(Ipp16u);
        auto* rw = blocks.Take<Ipp16u>(ay.count);
        auto* cw = blocks.Take<Ipp16u>(2 * static_cast<std::size_t>(ax.count));
        if (!rw || !cw) return ippStsMemAllocErr;
        ForEachPosition(ay, method, [&](std::ptrdiff_t i, double p, int j) {
          double t;
          LinearTap(ay, p, j, rows[i], t);
          rw[i] = FixedWeight(t);
        });
        ForEachPosition(ax, method, [&](std::ptrdiff_t i, double p, int j) {
          double t;
          int tap;
          LinearTap(ax, p, j, tap, t);
          cols[i] = std::ptrdiff_t{tap} * C;
          cw[2 * i + 1] = FixedWeight(t);
          cw[2 * i] = static_cast<Ipp16u>(16384 - cw[2 * i + 1]);
        });
        k.rowWeights = rw;
        k.colWeights = cw;
      } else {
        auto* rw = blocks.Take<float>(ay.count);
        auto* cw = blocks.Take<float>(ax.count);
        if (!rw || !cw) return ippStsMemAllocErr;
        ForEachPosition(ay, method, [&](std::ptrdiff_t i, double p, int j) {
          double t;
          LinearTap(ay, p, j, rows[i], t);
          rw[i] = static_cast<float>(t);
        });
        ForEachPosition(ax, method, [&](std::ptrdiff_t i, double p, int j) {
          double t;
          int tap;
          LinearTap(ax, p, j, tap, t);
          cols[i] = std::ptrdiff_t{tap} * C;
          cw[i] = static_cast<float>(t);
        });
        k.rowWeights = rw;
        k.colWeights = cw;
      }
      break;
    }
    case IPPI_INTER_CUBIC: {
      buffers = 4;
      auto* rw = blocks.Take<float>(3 * static_cast<std::size_t>(ay.count));
      auto* cw = blocks.Take<float>(3 * static_cast<std::size_t>(ax.count));
      if (!rw || !cw) return ippStsMemAllocErr;
      // Rows keep their three coefficients together; columns lie planar,
      // so the wide build loads eight columns' coefficients at once.
      ForEachPosition(ay, method,
                      [&](std::ptrdiff_t i, double p, int j) { CubicTap(ay, p, j, rows[i], rw + 3 * i, 1); });
      ForEachPosition(ax, method, [&](std::ptrdiff_t i, double p, int j) {
        int base;
        CubicTap(ax, p, j, base, cw + i, ax.count);
        cols[i] = std::ptrdiff_t{base} * C;
      });
      k.rowWeights = rw;
      k.colWeights = cw;
      break;
    }
    default: {  // Lanczos
      buffers = 6;
      auto* rw = blocks.Take<float>(6 * static_cast<std::size_t>(ay.count));
      auto* cw = blocks.Take<float>(6 * static_cast<std::size_t>(ax.count));
      if (!rw || !cw) return ippStsMemAllocErr;
      const int lastCol = ax.Last();
      ForEachPosition(ax, method, [&](std::ptrdiff_t i, double p, int j) {
        LanczosWeights(LanczosFraction(p, j), cw + 6 * i);
        for (int t = 0; t < 6; ++t)
          cols[6 * i + t] = std::ptrdiff_t{std::clamp(j - 2 + t, -roi.x, lastCol)} * C;
      });
      ForEachPosition(ay, method, [&](std::ptrdiff_t i, double p, int j) {
        rows[i] = j;
        LanczosWeights(LanczosFraction(p, j), rw + 6 * i);
      });
      k.rowWeights = rw;
      k.colWeights = cw;
      break;
    }
  }
  const std::size_t bufferLength = (static_cast<std::size_t>(ax.count) + 4) * C;
  for (int b = 0; b < buffers; ++b) {
    k.buffers[b] = blocks.Take<char>(bufferLength * bufferElement);
    if (!k.buffers[b]) return ippStsMemAllocErr;
  }

  if (method == IPPI_INTER_NN && element == ResizeElement::u8 && C != 3) {
    k.buffers[0] = blocks.Take<char>((static_cast<std::size_t>(ax.count) + 16) * 4);
    if (!k.buffers[0]) return ippStsMemAllocErr;
  }
  if (method == IPPI_INTER_LINEAR && element == ResizeElement::u8 && C == 1) {
    k.buffers[2] = blocks.Take<char>((static_cast<std::size_t>(ax.count) + 8) * 12);
    if (!k.buffers[2]) return ippStsMemAllocErr;
  }
  if (method == IPPI_INTER_LINEAR && element == ResizeElement::u8) {
    k.buffers[3] = blocks.Take<Ipp16u>((static_cast<std::size_t>(ax.count) + 4) * C);
    if (!k.buffers[3]) return ippStsMemAllocErr;
  }

  const int index = ResizeKernelIndex(method, element, C);
  ResizeKernelAt(index, options.variant)(k);
  return ippStsNoErr;
}

}  // namespace tavrel
