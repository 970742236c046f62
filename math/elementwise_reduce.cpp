// Sum, extremes, complex dot product, complex threshold and normalisation.
#include <cfloat>
#include <cmath>

#include "math/elementwise.h"

namespace tavrel::kernels {

IppStatus ippsSum_64f(const Ipp64f* pSrc, int len, Ipp64f* pSum) {
  if (!pSrc || !pSum) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  long double a = 0.0L, b = 0.0L;
  int i = 0;
  for (; len - i >= 4; i += 4) {
    a += pSrc[i];
    b += pSrc[i + 1];
    a += pSrc[i + 2];
    b += pSrc[i + 3];
  }
  for (; i < len; ++i) a += pSrc[i];
  *pSum = static_cast<Ipp64f>(a + b);
  return ippStsNoErr;
}

IppStatus ippsMax_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax) {
  if (!pSrc || !pMax) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ipp64f m = pSrc[0];
  for (int i = 1; i < len; ++i)
    if (std::isgreater(pSrc[i], m)) m = pSrc[i];
  *pMax = m;
  return ippStsNoErr;
}

IppStatus ippsMin_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin) {
  if (!pSrc || !pMin) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ipp64f m = pSrc[0];
  for (int i = 1; i < len; ++i)
    if (!std::isgreaterequal(pSrc[i], m)) m = pSrc[i];
  *pMin = m;
  return ippStsNoErr;
}

IppStatus ippsDotProd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp) {
  if (!pSrc1 || !pSrc2 || !pDp) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  long double re = 0.0L, im = 0.0L;
  for (int n = 0; n < len; ++n) {
    const long double ar = pSrc1[n].re, ai = pSrc1[n].im, br = pSrc2[n].re, bi = pSrc2[n].im;
    re = (re + ar * br) - ai * bi;
    im = (im + ar * bi) + ai * br;
  }
  *pDp = {static_cast<Ipp64f>(re), static_cast<Ipp64f>(im)};
  return ippStsNoErr;
}

namespace {

// One element of the magnitude threshold; nothing is written when the
// element passes unchanged unless `copy`.
void ThresholdOne(const Ipp64fc& x, Ipp64fc& d, long double level, long double limit, bool greater, bool copy,
                  bool inPlace) {
  const long double re = x.re, im = x.im;
  const long double m = re * re + im * im;
  const bool scale = greater ? m > limit : (m < limit && m != 0.0L);
  if (scale) {
    const long double f = std::sqrt(limit / m);
    d = {static_cast<Ipp64f>(re * f), static_cast<Ipp64f>(im * f)};
  } else if (!greater && m == 0.0L && limit > 0.0L) {
    d.re = static_cast<Ipp64f>(level);
    if (!inPlace) d.im = 0.0;
  } else if (copy) {
    d = x;
  }
}

}  // namespace

IppStatus ippsThreshold_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level, IppCmpOp relOp) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (std::isless(level, 0.0)) return ippStsThreshNegLevelErr;
  const long double limit = static_cast<long double>(level) * level;
  for (int i = 0; i < len; ++i)
    ThresholdOne(pSrc[i], pDst[i], level, limit, relOp == ippCmpGreater, true, false);
  return ippStsNoErr;
}

IppStatus ippsThreshold_64fc_I(Ipp64fc* pSrcDst, int len, Ipp64f level, IppCmpOp relOp) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (std::isless(level, 0.0)) return ippStsThreshNegLevelErr;
  const long double limit = static_cast<long double>(level) * level;
  for (int i = 0; i < len; ++i) {
    const Ipp64fc x = pSrcDst[i];
    ThresholdOne(x, pSrcDst[i], level, limit, relOp == ippCmpGreater, false, true);
  }
  return ippStsNoErr;
}

IppStatus ippsNormalize_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc vSub, Ipp64f vDiv) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  // Quiet test: NaN and subnormal divisors are refused without a flag.
  if (!std::isgreaterequal(std::fabs(vDiv), DBL_MIN)) return ippStsDivByZeroErr;
  const long double r = 1.0L / vDiv;
  for (int i = 0; i < len; ++i)
    pDst[i] = {static_cast<Ipp64f>((pSrc[i].re - static_cast<long double>(vSub.re)) * r),
               static_cast<Ipp64f>((pSrc[i].im - static_cast<long double>(vSub.im)) * r)};
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
