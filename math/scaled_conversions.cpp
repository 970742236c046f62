// Width conversions and rescaling between 8-bit, 16-bit, 32-bit and float
// pixels. Regions whose rows lie back to back are processed as one row.
#include <cmath>

#include "math/kernel_support.h"
#include "math/pixel_rows.h"
#include "math/scaled_arithmetic.h"

namespace tavrel::kernels {
namespace {

using pixels::ConvertRegion;
using support::Ext;
using support::TruncTieToEven;

// The rescaling routines merge back-to-back rows only below INT_MAX pixels.
template <class S, class D, class F>
IppStatus Rescale(const S* src, int srcStep, D* dst, int dstStep, IppiSize roi, F f) {
  return ConvertRegion(src, srcStep, dst, dstStep, roi, f, true);
}

// The 16-bit fast rescale: subtract the high byte, keep the high byte, re-centre.
Ipp8u Fast16(Ipp32s x) { return static_cast<Ipp8u>(((x - (x >> 8)) >> 8) + 128); }

}  // namespace

IppStatus ippsConvert_8s16s(const Ipp8s* src, Ipp16s* dst, int len) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) dst[i] = src[i];
  return ippStsNoErr;
}

IppStatus ippiConvert_8u32f_C1R(const Ipp8u* src, int srcStep, Ipp32f* dst, int dstStep,
                                IppiSize roi) {
  return ConvertRegion(src, srcStep, dst, dstStep, roi, [](Ipp8u x) { return static_cast<float>(x); });
}

IppStatus ippiConvert_32f8u_C1R(const Ipp32f* src, int srcStep, Ipp8u* dst, int dstStep,
                                IppiSize roi, IppRoundMode roundMode) {
  const bool nearest = roundMode == ippRndNear;
  return ConvertRegion(src, srcStep, dst, dstStep, roi, [nearest](Ipp32f x) -> Ipp8u {
    if (std::isnan(x) || x <= 0.0f) return 0;  // tested quietly: NaN raises no flag
    if (x >= 255.0f) return 255;
    const Ext e = static_cast<Ext>(x);
    return static_cast<Ipp8u>(nearest ? TruncTieToEven(e + 0.5L) : std::trunc(e));
  });
}

IppStatus ippiScale_8u16s_C1R(const Ipp8u* src, int srcStep, Ipp16s* dst, int dstStep,
                              IppiSize roi) {
  return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp8u x) { return static_cast<Ipp16s>(257 * x - 32768); });
}

IppStatus ippiScale_8u32s_C1R(const Ipp8u* src, int srcStep, Ipp32s* dst, int dstStep,
                              IppiSize roi) {
  return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp8u x) {
    return static_cast<Ipp32s>(Ipp64s{16843009} * x - Ipp64s{2147483648});
  });
}

IppStatus ippiScale_16s8u_C1R(const Ipp16s* src, int srcStep, Ipp8u* dst, int dstStep,
                              IppiSize roi, IppHintAlgorithm hint) {
  if (hint == ippAlgHintAccurate) {
    return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp16s x) {
      constexpr float kBias = 128.001953125f, kSlope = 0.0038910505827516317f;
      return static_cast<Ipp8u>(TruncTieToEven(static_cast<Ext>(kBias) + static_cast<Ext>(kSlope) * x));
    });
  }
  return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp16s x) { return Fast16(x); });
}

IppStatus ippiScale_16u8u_C1R(const Ipp16u* src, int srcStep, Ipp8u* dst, int dstStep,
                              IppiSize roi, IppHintAlgorithm hint) {
  if (hint == ippAlgHintAccurate) {
    return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp16u x) {
      constexpr float kSlope = 0.0038910505827516317f;
      return static_cast<Ipp8u>(TruncTieToEven(0.5L + static_cast<Ext>(kSlope) * x));
    });
  }
  return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp16u x) { return Fast16(Ipp32s{x} - 32768); });
}

IppStatus ippiScale_32s8u_C1R(const Ipp32s* src, int srcStep, Ipp8u* dst, int dstStep,
                              IppiSize roi, IppHintAlgorithm hint) {
  if (hint == ippAlgHintAccurate) {
    return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp32s x) {
      constexpr double kBias = 128.0000000296859, kSlope = 5.937181414556033e-08;
      return static_cast<Ipp8u>(TruncTieToEven(static_cast<Ext>(kBias) + static_cast<Ext>(kSlope) * x));
    });
  }
  return Rescale(src, srcStep, dst, dstStep, roi, [](Ipp32s x) {
    const Ipp64s w = x;
    return static_cast<Ipp8u>(((w - (w >> 8)) >> 24) + 128);
  });
}

}  // namespace tavrel::kernels
