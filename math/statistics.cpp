#include "math/statistics.h"

#include <cfloat>
#include <cmath>

#include "math/kernel_support.h"
#include "math/elementwise.h"
#include "math/fft.h"

namespace tavrel::kernels {
namespace {

using support::Ext;

// The two running sums of the mean and the deviation: elements 0 and 2 of
// each group of four in the first, 1 and 3 in the second, the tail in the
// first. The grouping is part of the result, so it is kept exactly.
template <class T, class F>
void PairedSums(const T* x, int len, F value, Ext& first, Ext& second) {
  first = 0.0L;
  second = 0.0L;
  int i = 0;
  for (; len - i >= 4; i += 4) {
    first += value(x[i]);
    second += value(x[i + 1]);
    first += value(x[i + 2]);
    second += value(x[i + 3]);
  }
  for (; i < len; ++i) first += value(x[i]);
}

template <class T>
Ext Plain(T v) {
  return static_cast<Ext>(v);
}

// Running extreme from element 0; only a strictly better element replaces
// it, so ties (and NaNs) keep the earlier one.
template <class Better>
void Extreme(const Ipp64f* src, int len, Ipp64f* value, int* index, Better better) {
  double best = src[0];
  int at = 0;
  for (int i = 1; i < len; ++i) {
    if (better(src[i], best)) {
      best = src[i];
      at = i;
    }
  }
  *value = best;
  if (index != nullptr) *index = at;
}

}  // namespace

IppStatus ippsNormDiff_L1_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* norm) {
  if (src1 == nullptr || src2 == nullptr || norm == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ext sum = 0.0L;
  for (int i = 0; i < len; ++i) sum += std::fabs(static_cast<Ext>(src1[i]) - src2[i]);
  *norm = static_cast<double>(sum);
  return ippStsNoErr;
}

IppStatus ippsNormDiff_L2_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* norm) {
  if (src1 == nullptr || src2 == nullptr || norm == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ext sum = 0.0L;
  for (int i = 0; i < len; ++i) {
    const Ext d = static_cast<Ext>(src1[i]) - src2[i];
    sum += d * d;
  }
  *norm = static_cast<double>(std::sqrt(sum));
  return ippStsNoErr;
}

IppStatus ippsNormDiff_Inf_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* norm) {
  if (src1 == nullptr || src2 == nullptr || norm == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ext most = 0.0L;
  for (int i = 0; i < len; ++i) {
    const Ext d = std::fabs(static_cast<Ext>(src1[i]) - src2[i]);
    if (std::isgreater(d, most)) most = d;
  }
  *norm = static_cast<double>(most);
  return ippStsNoErr;
}

IppStatus ippsMean_64f(const Ipp64f* src, int len, Ipp64f* mean) {
  if (src == nullptr || mean == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ext first, second;
  PairedSums(src, len, Plain<double>, first, second);
  *mean = static_cast<double>((first + second) / len);
  return ippStsNoErr;
}

IppStatus ippsMean_32f(const Ipp32f* src, int len, Ipp32f* mean, IppHintAlgorithm) {
  if (src == nullptr || mean == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  // The paired sums are joined before the tail is added.
  Ext first, second;
  const int grouped = len - len % 4;
  PairedSums(src, grouped, Plain<float>, first, second);
  Ext sum = first + second;
  for (int i = grouped; i < len; ++i) sum += src[i];
  *mean = static_cast<float>(sum / len);
  return ippStsNoErr;
}

IppStatus ippsStdDev_64f(const Ipp64f* src, int len, Ipp64f* stdDev) {
  if (src == nullptr || stdDev == nullptr) return ippStsNullPtrErr;
  if (len < 2) return ippStsSizeErr;
  Ext s1, s2, q1, q2;
  PairedSums(src, len, Plain<double>, s1, s2);
  PairedSums(src, len, [](double v) { return static_cast<Ext>(v) * v; }, q1, q2);
  const Ext s = s1 + s2;
  const Ext g = (q1 + q2) * len - s * s;
  *stdDev = g > 0.0L ? static_cast<double>(std::sqrt(g / (static_cast<Ext>(len) * (len - 1))))
                     : 0.0;
  return ippStsNoErr;
}

IppStatus ippsMinIndx_64f(const Ipp64f* src, int len, Ipp64f* min, int* index) {
  if (index == nullptr) return ippsMin_64f(src, len, min);
  if (src == nullptr || min == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Extreme(src, len, min, index, [](double a, double b) { return std::isless(a, b); });
  return ippStsNoErr;
}

IppStatus ippsMaxIndx_64f(const Ipp64f* src, int len, Ipp64f* max, int* index) {
  if (index == nullptr) return ippsMax_64f(src, len, max);
  if (src == nullptr || max == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Extreme(src, len, max, index, [](double a, double b) { return std::isgreater(a, b); });
  return ippStsNoErr;
}

IppStatus ippsNormalize_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f sub, Ipp64f div) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (std::isnan(div) || std::fabs(div) < DBL_MIN) return ippStsDivByZeroErr;
  const Ext r = 1.0L / div;
  for (int i = 0; i < len; ++i) dst[i] = static_cast<double>((src[i] - static_cast<Ext>(sub)) * r);
  return ippStsNoErr;
}

IppStatus ippsNormalize_32f(const Ipp32f* src, Ipp32f* dst, int len, Ipp32f sub, Ipp32f div) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (std::isnan(div) || std::fabs(div) < FLT_MIN) return ippStsDivByZeroErr;
  const Ext r = 1.0L / div;
  for (int i = 0; i < len; ++i) dst[i] = static_cast<float>((src[i] - static_cast<Ext>(sub)) * r);
  return ippStsNoErr;
}

IppStatus ippsDotProd_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* dp) {
  if (src1 == nullptr || src2 == nullptr || dp == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  DotProductKernel(src1, src2, len, dp);
  return ippStsNoErr;
}

IppStatus ippsDotProd_32s_Sfs(const Ipp32s* src1, const Ipp32s* src2, int len, Ipp32s* dp,
                              int scaleFactor) {
  if (src1 == nullptr || src2 == nullptr || dp == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ext sum = 0.0L;  // each product fits the 64-bit significand exactly
  for (int i = 0; i < len; ++i) sum += static_cast<Ext>(static_cast<Ipp64s>(src1[i]) * src2[i]);
  const int sf = scaleFactor < -31 ? -31 : (scaleFactor > 93 ? 93 : scaleFactor);
  if (sf != 0) sum = std::ldexp(sum, -sf);
  if (sum > 2147483647.0L) sum = 2147483647.0L;
  if (sum < -2147483648.0L) sum = -2147483648.0L;
  *dp = static_cast<Ipp32s>(support::RoundHalfEvenSigned(sum));
  return ippStsNoErr;
}

IppStatus ippsThreshold_32f_I(Ipp32f* srcDst, int len, Ipp32f level, IppCmpOp relOp) {
  if (srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  // Quiet comparisons throughout: NaN elements are expected and raise no flag.
  if (relOp == ippCmpGreater) {
    for (int i = 0; i < len; ++i)
      if (!std::isgreaterequal(level, srcDst[i])) srcDst[i] = level;  // NaN becomes the level
  } else {
    for (int i = 0; i < len; ++i)
      if (std::isgreater(level, srcDst[i])) srcDst[i] = level;  // NaN stays
  }
  return ippStsNoErr;
}

IppStatus ippsThreshold_64f_I(Ipp64f* srcDst, int len, Ipp64f level, IppCmpOp relOp) {
  if (srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (relOp == ippCmpGreater) {
    for (int i = 0; i < len; ++i)
      if (!std::isgreaterequal(level, srcDst[i])) srcDst[i] = level;
  } else {
    for (int i = 0; i < len; ++i)
      if (std::isgreater(level, srcDst[i])) srcDst[i] = level;
  }
  return ippStsNoErr;
}

// Not vectorised: GCC's vectoriser turns these quiet comparisons into
// signalling ones, which raise "invalid" on the NaN elements handled here.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-vectorize")))
#endif
IppStatus ippsThreshold_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f level,
                            IppCmpOp relOp) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  // Unlike the in-place forms: greater keeps NaN, less replaces it.
  if (relOp == ippCmpGreater) {
    for (int i = 0; i < len; ++i) dst[i] = std::isless(level, src[i]) ? level : src[i];
  } else {
    for (int i = 0; i < len; ++i) dst[i] = std::isgreaterequal(src[i], level) ? src[i] : level;
  }
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
