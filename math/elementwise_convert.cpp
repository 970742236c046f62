// Conversions between element types, byte swaps, and complex packing.
#include <bit>
#include <cmath>
#include <limits>

#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

template <class From, class To, class Op>
IppStatus Map(const From* src, To* dst, int len, Op op) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) dst[i] = op(src[i]);
  return ippStsNoErr;
}

// Beyond these scale factors every result is decided already: any finite
// double times 2^2000 saturates, times 2^-2000 is below one half.
constexpr int kScaleLimit = 2000;

// w rounded half to even (rndMode ippRndNear) or truncated, saturated to
// 32 bits; NaN gives the lowest value. Every comparison is quiet.
Ipp32s ToInt32(long double w, IppRoundMode mode) {
  constexpr Ipp32s kMax = std::numeric_limits<Ipp32s>::max(), kMin = std::numeric_limits<Ipp32s>::min();
  if (std::isnan(w)) return kMin;
  if (w >= 2147483647.0L) return kMax;
  if (w <= -2147483648.0L) return kMin;
  long double r = std::trunc(w);
  if (mode == ippRndNear) {
    const long double rest = std::fabs(w - r);  // exact: |w| < 2^31
    if (rest > 0.5L || (rest == 0.5L && std::fmod(r, 2.0L) != 0.0L)) r += w < 0 ? -1.0L : 1.0L;
  }
  return static_cast<Ipp32s>(r);
}

template <class T>
IppStatus ConvertTo32s(const T* src, Ipp32s* dst, int len, IppRoundMode mode, int sf) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  const int scale = sf < -kScaleLimit ? kScaleLimit : sf > kScaleLimit ? -kScaleLimit : -sf;
  for (int i = 0; i < len; ++i) {
    const long double x = src[i];
    // ldexp of a finite value by at most 2000 places stays finite in long double.
    dst[i] = ToInt32(sf == 0 || !std::isfinite(x) ? x : std::ldexp(x, scale), mode);
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsConvert_32f64f(const Ipp32f* pSrc, Ipp64f* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32f x) { return static_cast<Ipp64f>(x); });
}
IppStatus ippsConvert_32s64f(const Ipp32s* pSrc, Ipp64f* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32s x) { return static_cast<Ipp64f>(x); });
}
IppStatus ippsConvert_32s32f(const Ipp32s* pSrc, Ipp32f* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32s x) { return static_cast<Ipp32f>(x); });
}

IppStatus ippsConvert_64f32s_Sfs(const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor) {
  return ConvertTo32s(pSrc, pDst, len, rndMode, scaleFactor);
}
IppStatus ippsConvert_32f32s_Sfs(const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode,
                                 int scaleFactor) {
  return ConvertTo32s(pSrc, pDst, len, rndMode, scaleFactor);
}

IppStatus ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp16u x) { return __builtin_bswap16(x); });
}
IppStatus ippsSwapBytes_32u(const Ipp32u* pSrc, Ipp32u* pDst, int len) {
  return Map(pSrc, pDst, len, [](Ipp32u x) { return __builtin_bswap32(x); });
}
IppStatus ippsSwapBytes_32u_I(Ipp32u* pSrcDst, int len) { return ippsSwapBytes_32u(pSrcDst, pSrcDst, len); }

IppStatus ippsSwapBytes_24u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (std::int64_t i = 0; i < std::int64_t{len} * 3; i += 3) {
    const Ipp8u b0 = pSrc[i], b1 = pSrc[i + 1], b2 = pSrc[i + 2];
    pDst[i] = b2;
    pDst[i + 1] = b1;
    pDst[i + 2] = b0;
  }
  return ippStsNoErr;
}

IppStatus ippsRealToCplx_64f(const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len) {
  if (!pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (!pSrcRe && !pSrcIm) return ippStsNullPtrErr;
  for (int i = 0; i < len; ++i) pDst[i] = {pSrcRe ? pSrcRe[i] : 0.0, pSrcIm ? pSrcIm[i] : 0.0};
  return ippStsNoErr;
}

IppStatus ippsRealToCplx_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32fc* pDst, int len) {
  if (!pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (!pSrcRe && !pSrcIm) return ippStsNullPtrErr;
  for (int i = 0; i < len; ++i) pDst[i] = {pSrcRe ? pSrcRe[i] : 0.0f, pSrcIm ? pSrcIm[i] : 0.0f};
  return ippStsNoErr;
}

IppStatus ippsReal_64fc(const Ipp64fc* pSrc, Ipp64f* pDstRe, int len) {
  return Map(pSrc, pDstRe, len, [](Ipp64fc x) { return x.re; });
}
IppStatus ippsImag_64fc(const Ipp64fc* pSrc, Ipp64f* pDstIm, int len) {
  return Map(pSrc, pDstIm, len, [](Ipp64fc x) { return x.im; });
}

IppStatus ippsConjCcs_64fc_I(Ipp64fc* pSrcDst, int lenDst) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (lenDst <= 0) return ippStsSizeErr;
  const int last = (lenDst + 1) / 2 - 1;  // ceil(N/2) - 1
  for (int k = 1; k <= last; ++k) pSrcDst[lenDst - k] = {pSrcDst[k].re, -pSrcDst[k].im};
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
