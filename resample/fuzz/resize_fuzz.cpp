// Fuzz target for the resize routines: sizes, regions, factors, shifts,
// steps (padded, zero, negative) and centres come from the input. The
// source holds exactly the image (row padding poisoned, and for area
// averaging everything outside the region), so AddressSanitizer reports
// any read outside it; everything around the destination pixels the call
// may write is poisoned too, and a failing call must leave the destination
// as it was.
#include <sanitizer/asan_interface.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "resample/resize.h"
#include "resample/resize_engine.h"
#include "resample/resize_work.h"

namespace {

using namespace tavrel;

class Input {
 public:
  Input(const std::uint8_t* d, std::size_t n) : d_(d), n_(n) {}
  std::uint32_t Byte() { return i_ < n_ ? d_[i_++] : 0; }
  int Int(int lo, int hi) { return lo + static_cast<int>((Byte() | Byte() << 8) % (hi - lo + 1)); }
  double Factor() {
    switch (Byte() % 12) {
      case 0: return 0.0;
      case 1: return -1.0;
      case 2: return std::numeric_limits<double>::quiet_NaN();
      case 3: return std::numeric_limits<double>::infinity();
      case 4: return 1e300;
      case 5: return 1.0 / Int(1, 200);                   // near-integer boxes
      case 6: return Int(1, 40) / 4.0;
      case 7: return 1e-5 + Int(0, 1000) * 1e-3;
      default: return (Byte() | Byte() << 8) / 8192.0 + 1e-3;
    }
  }
  double Shift() {
    switch (Byte() % 6) {
      case 0: return 0.0;
      case 1: return 0.9999999;
      case 2: return 0.99999999999;
      default: return Int(0, 9999) / 10000.0;
    }
  }
  double Centre() {
    switch (Byte() % 8) {
      case 0: return std::numeric_limits<double>::quiet_NaN();
      case 1: return -1e300;
      case 2: return 1e300;
      default: return Int(-400, 400) / 7.0;
    }
  }

 private:
  const std::uint8_t* d_;
  std::size_t n_, i_ = 0;
};

void Poison(const void* p, std::size_t n) { ASAN_POISON_MEMORY_REGION(p, n); }
void Unpoison(const void* p, std::size_t n) { ASAN_UNPOISON_MEMORY_REGION(p, n); }

// The rectangle of the destination region that a call with these
// arguments may write, or an empty one.
IppiRect Writable(const ResizeImage& m) {
  if (CheckResizeArguments(m) != ippStsNoErr) return {0, 0, 0, 0};
  const IppiRect roi = ClipRegion(m);
  int w, h;
  if (!EffectiveLength(m.dstRoiSize.width, roi.width, m.xFactor, w) ||
      !EffectiveLength(m.dstRoiSize.height, roi.height, m.yFactor, h))
    return {0, 0, 0, 0};
  return {0, 0, w, h};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const int entry = in.Byte() % 6;  // 0-3 plain routines, 4 centre, 5 driver formats
  ResizeElement element = ResizeElement::u8;
  int C = 1;
  switch (entry) {
    case 1: C = 3; break;
    case 2: C = 4; break;
    case 3: element = ResizeElement::u16; break;
    case 4: C = 4; break;
    case 5:
      element = static_cast<ResizeElement>(in.Byte() % 3);
      C = (int[]){1, 3, 4}[in.Byte() % 3];
      break;
  }
  const int es = ElementSize(element);
  const int interpolation = (int[]){1, 2, 4, 8, 16, 1, 2, 4, 8, 16, 3, 0}[in.Byte() % 12];
  IppiSize srcSize{in.Int(-1, 40), in.Int(-1, 40)};
  IppiRect roi{in.Int(-2, 42), in.Int(-2, 42), in.Int(-1, 45), in.Int(-1, 45)};
  if (in.Byte() % 2) roi = {in.Int(0, 3), in.Int(0, 3), srcSize.width, srcSize.height};
  IppiSize dstSize{in.Int(-1, 60), in.Int(-1, 60)};
  const double fx = in.Factor(), fy = in.Factor();
  const double xs = in.Shift(), ys = in.Shift();
  const double cx = in.Centre(), cy = in.Centre();
  const int stepKind = in.Byte() % 4;  // padded, tight, zero, negative
  const int pad = in.Int(0, 7) * es;

  // The source: exactly the image's rows, padding poisoned.
  const int w = std::max(srcSize.width, 1), h = std::max(srcSize.height, 1);
  const std::size_t rowBytes = static_cast<std::size_t>(w) * C * es;
  const std::size_t stepBytes = stepKind == 0 ? rowBytes + pad : rowBytes;
  const int rows = stepKind == 2 ? 1 : h;
  const std::size_t total = stepBytes * (rows - 1) + rowBytes;
  std::uint8_t* src = static_cast<std::uint8_t*>(std::malloc(total));
  for (std::size_t i = 0; i < total; ++i) src[i] = static_cast<std::uint8_t>(i * 37 + 11);
  if (element == ResizeElement::f32)
    for (std::size_t i = 0; i + 4 <= total; i += 4) {
      const float v = static_cast<float>(i % 251);
      std::memcpy(src + i, &v, 4);
    }
  for (int r = 0; r + 1 < rows; ++r) Poison(src + r * stepBytes + rowBytes, stepBytes - rowBytes);
  int step = static_cast<int>(stepBytes);
  const std::uint8_t* origin = src;
  if (stepKind == 2) step = 0;
  if (stepKind == 3) {
    origin = src + stepBytes * (rows - 1);
    step = -step;
  }

  // The destination region inside guard bytes.
  constexpr int kGuard = 64;
  const int dw = std::max(dstSize.width, 0), dh = std::max(dstSize.height, 0);
  const std::size_t dstStep = static_cast<std::size_t>(dw) * C * es + 2 * kGuard;
  const std::size_t dstTotal = dstStep * (dh + 2);
  std::vector<std::uint8_t> dstBuf(dstTotal, 0xA5);
  std::uint8_t* region = dstBuf.data() + dstStep + kGuard;

  ResizeImage image{origin, srcSize, step, roi, region, static_cast<int>(dstStep), dstSize, fx, fy};
  IppiRect writable = Writable(image);
  if (entry == 5 && interpolation == IPPI_INTER_SUPER && (fx > 1.0 || fy > 1.0)) writable = {0, 0, 0, 0};
  if (entry == 4) {
    ResizeCenterResult g;
    writable = {0, 0, 0, 0};
    if (ResizeCenterGeometry(srcSize, roi, dstSize, fx, fy, cx, cy, g) == ippStsNoErr) {
      ResizeImage sub{origin, srcSize, step, g.src, region, static_cast<int>(dstStep),
                      {g.dst.width, g.dst.height}, fx, fy};
      const IppiRect r = Writable(sub);
      writable = {g.dst.x, g.dst.y, r.width, r.height};
    }
  }
  // Poison all but the writable pixels.
  Poison(dstBuf.data(), dstTotal);
  for (int y = 0; y < writable.height; ++y)
    Unpoison(region + (writable.y + y) * dstStep + static_cast<std::size_t>(writable.x) * C * es,
             static_cast<std::size_t>(writable.width) * C * es);
  // Area averaging must not read outside its region.
  const bool super = interpolation == IPPI_INTER_SUPER && fx <= 1.0 && fy <= 1.0 && entry != 4;
  if (super && CheckResizeArguments(image) == ippStsNoErr) {
    const IppiRect clip = ClipRegion(image);
    Poison(src, total);
    for (int y = clip.y; y < clip.y + clip.height; ++y) {
      const int r = stepKind == 2 ? 0 : stepKind == 3 ? rows - 1 - y : y;
      Unpoison(src + r * stepBytes + static_cast<std::size_t>(clip.x) * C * es,
               static_cast<std::size_t>(clip.width) * C * es);
    }
  }

  IppStatus s;
  const auto* s8 = static_cast<const Ipp8u*>(image.src);
  auto* d8 = static_cast<Ipp8u*>(image.dst);
  switch (entry) {
    case 0: s = kernels::ippiResize_8u_C1R(s8, srcSize, step, roi, d8, image.dstStep, dstSize, fx, fy, interpolation); break;
    case 1: s = kernels::ippiResize_8u_C3R(s8, srcSize, step, roi, d8, image.dstStep, dstSize, fx, fy, interpolation); break;
    case 2: s = kernels::ippiResize_8u_C4R(s8, srcSize, step, roi, d8, image.dstStep, dstSize, fx, fy, interpolation); break;
    case 3:
      s = kernels::ippiResize_16u_C1R(reinterpret_cast<const Ipp16u*>(s8), srcSize, step, roi,
                                      reinterpret_cast<Ipp16u*>(d8), image.dstStep, dstSize, fx, fy, interpolation);
      break;
    case 4: s = kernels::ippiResizeCenter_8u_C4R(s8, srcSize, step, roi, d8, image.dstStep, dstSize, fx, fy, cx, cy, interpolation); break;
    default:
      s = interpolation == IPPI_INTER_SUPER ? ResizeSupersample(image, element, C)
                                            : ResizeGeneral(image, xs, ys, element, C, interpolation);
      break;
  }
  if (s != ippStsNoErr) {
    // A refused call writes nothing, not even inside what it could write.
    for (int y = 0; y < writable.height; ++y)
      for (std::size_t x = 0; x < static_cast<std::size_t>(writable.width) * C * es; ++x)
        if (region[(writable.y + y) * dstStep + writable.x * C * es + x] != 0xA5) std::abort();
  } else if (writable.width <= 0) {
    std::abort();  // success reported where nothing could be written
  }
  Unpoison(dstBuf.data(), dstTotal);
  Unpoison(src, total);
  std::free(src);
  return 0;
}
