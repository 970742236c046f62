// Element and constant division of 8u and 16s with a scale factor. The
// divisions work in extended precision and round half to even; the constant
// forms multiply by one reciprocal.
#include <algorithm>
#include <array>
#include <cmath>

#include "math/kernel_support.h"
#include "math/pixel_rows.h"
#include "math/scaled_arithmetic.h"

namespace tavrel::kernels {
namespace {

using pixels::BadSize;
using pixels::RowAt;
using support::Ext;
using support::RoundHalfEvenNonNegative;

// 2^-sf. Beyond +-64 the result of every division here is already fixed
// (all zero, or saturation by sign), so the factor is clamped there rather
// than built by halving or doubling sf times.
Ext ScaleOf(int sf) { return std::ldexp(1.0L, -std::clamp(sf, -64, 64)); }

// 1/v rounded half up to six decimals, as singles: R[3] = 0.333333.
constexpr std::array<float, 256> MakeReciprocals() {
  std::array<float, 256> r{};
  r[0] = 0.000001f;
  for (int v = 1; v < 256; ++v) {
    const long micro = (2000000L + v) / (2L * v);  // round(1e6 / v), halves up
    r[v] = static_cast<float>(static_cast<double>(micro) / 1e6);
  }
  return r;
}
constexpr std::array<float, 256> kReciprocal = MakeReciprocals();

Ipp8u Div8u(Ipp8u y, Ipp8u x, int sf, Ext s, bool& zero) {
  if (x == 0) {
    zero = true;
    return y != 0 ? 255 : 0;
  }
  if (sf < -15) return y != 0 ? 255 : 0;
  if (sf > 8) return 0;
  const Ext r = RoundHalfEvenNonNegative(s * y / x);
  return r > 255.0L ? 255 : static_cast<Ipp8u>(r);
}

Ipp16s Div16s(Ipp16s y, Ipp16s x, int sf, Ext s, bool& zero) {
  if (x == 0) {
    zero = true;
    return y > 0 ? 32767 : (y < 0 ? -32768 : 0);
  }
  const Ext q = s * y / x;
  if (sf <= 0) {
    if (q < -32768.0L) return -32768;
    if (q > 32767.0L) return 32767;
  }
  // The bias makes truncation a floor, so negative quotients round like positive ones.
  return static_cast<Ipp16s>(support::TruncTieToEven(q + 32768.5L) - 32768.0L);
}

template <class T, class Div>
IppStatus DivideInPlace(const T* src, int srcStep, T* srcDst, int srcDstStep, IppiSize roi,
                        int sf, Div div) {
  if (src == nullptr || srcDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (srcStep <= 0 || srcDstStep <= 0) return ippStsStepErr;
  const Ext s = ScaleOf(sf);
  bool zero = false;
  for (int r = 0; r < roi.height; ++r) {
    const T* x = RowAt(src, srcStep, r);
    T* y = RowAt(srcDst, srcDstStep, r);
    for (int i = 0; i < roi.width; ++i) y[i] = div(y[i], x[i], sf, s, zero);
  }
  return zero ? ippStsDivByZero : ippStsNoErr;
}

void DivC16sRow(const Ipp16s* src, Ext c, Ipp16s* dst, int len) {
  // -0.9999 as a single: within [-0.9999, 1] no quotient can overflow.
  constexpr Ext kLow = -0.9999f;
  const bool safe = c >= kLow && c <= 1.0L;
  for (int i = 0; i < len; ++i) {
    const Ext e = c * src[i];
    if (!safe) {
      if (e < -32768.0L) {
        dst[i] = -32768;
        continue;
      }
      if (e > 32767.0L) {
        dst[i] = 32767;
        continue;
      }
    }
    dst[i] = static_cast<Ipp16s>(support::TruncTieToEven(e + 32768.5L) - 32768.0L);
  }
}

void DivC8uRow(const Ipp8u* src, Ext c, Ipp8u* dst, int len) {
  for (int i = 0; i < len; ++i) {
    const Ext f = c * static_cast<float>(src[i]);
    if (c > 1.0L && f > 255.0L) {
      dst[i] = 255;
      continue;
    }
    const Ext r = RoundHalfEvenNonNegative(f);
    dst[i] = r > 255.0L ? 255 : static_cast<Ipp8u>(r);
  }
}

template <class T, class Row>
IppStatus DivideByConstant(const T* src, int srcStep, T value, T* dst, int dstStep, IppiSize roi,
                           bool checkSteps, Ext c, Row row) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (checkSteps && (srcStep <= 0 || dstStep <= 0)) return ippStsStepErr;
  if (value == 0) return ippStsDivByZeroErr;
  for (int r = 0; r < roi.height; ++r) row(RowAt(src, srcStep, r), c, RowAt(dst, dstStep, r), roi.width);
  return ippStsNoErr;
}

Ext C16s(Ipp16s v, int sf) { return v == 0 ? 0.0L : ScaleOf(sf) / v; }
Ext C8u(Ipp8u v, int sf) { return ScaleOf(sf) * kReciprocal[v]; }

}  // namespace

IppStatus ippiDiv_8u_C1IRSfs(const Ipp8u* src, int srcStep, Ipp8u* srcDst, int srcDstStep,
                             IppiSize roi, int sf) {
  return DivideInPlace(src, srcStep, srcDst, srcDstStep, roi, sf, Div8u);
}
IppStatus ippiDiv_16s_C1IRSfs(const Ipp16s* src, int srcStep, Ipp16s* srcDst, int srcDstStep,
                              IppiSize roi, int sf) {
  return DivideInPlace(src, srcStep, srcDst, srcDstStep, roi, sf, Div16s);
}

IppStatus ippsDivC_16s_ISfs(Ipp16s value, Ipp16s* srcDst, int len, int sf) {
  return DivideByConstant(srcDst, 0, value, srcDst, 0, IppiSize{len, 1}, false, C16s(value, sf),
                          DivC16sRow);
}
IppStatus ippsDivC_16s_Sfs(const Ipp16s* src, Ipp16s value, Ipp16s* dst, int len, int sf) {
  return DivideByConstant(src, 0, value, dst, 0, IppiSize{len, 1}, false, C16s(value, sf),
                          DivC16sRow);
}
IppStatus ippsDivC_8u_Sfs(const Ipp8u* src, Ipp8u value, Ipp8u* dst, int len, int sf) {
  return DivideByConstant(src, 0, value, dst, 0, IppiSize{len, 1}, false, C8u(value, sf),
                          DivC8uRow);
}
IppStatus ippiDivC_8u_C1IRSfs(Ipp8u value, Ipp8u* srcDst, int srcDstStep, IppiSize roi, int sf) {
  return DivideByConstant(srcDst, srcDstStep, value, srcDst, srcDstStep, roi, true,
                          C8u(value, sf), DivC8uRow);
}
IppStatus ippiDivC_8u_C1RSfs(const Ipp8u* src, int srcStep, Ipp8u value, Ipp8u* dst, int dstStep,
                             IppiSize roi, int sf) {
  return DivideByConstant(src, srcStep, value, dst, dstStep, roi, true, C8u(value, sf),
                          DivC8uRow);
}
IppStatus ippiDivC_16s_C1IRSfs(Ipp16s value, Ipp16s* srcDst, int srcDstStep, IppiSize roi,
                               int sf) {
  return DivideByConstant(srcDst, srcDstStep, value, srcDst, srcDstStep, roi, true,
                          C16s(value, sf), DivC16sRow);
}
IppStatus ippiDivC_16s_C1RSfs(const Ipp16s* src, int srcStep, Ipp16s value, Ipp16s* dst,
                              int dstStep, IppiSize roi, int sf) {
  return DivideByConstant(src, srcStep, value, dst, dstStep, roi, true, C16s(value, sf),
                          DivC16sRow);
}

}  // namespace tavrel::kernels
