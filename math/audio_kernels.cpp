// The element-wise, down-sampling, offset and conversion members of the
// audio routines.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "math/audio_kernels.h"
#include "math/kernel_support.h"
#include "math/pixel_rows.h"

namespace tavrel::kernels {
namespace {

using pixels::ConvertRegion;
using support::Ext;

// Saturating float-to-integer conversion; NaN goes to the minimum.
template <class T>
T FloatToInt(float x, IppRoundMode mode) {
  constexpr float hi = std::numeric_limits<T>::max(), lo = std::numeric_limits<T>::min();
  // Quiet comparisons: a NaN is an expected input and must not raise a flag.
  if (std::isnan(x) || x <= lo) return std::numeric_limits<T>::min();
  if (x >= hi) return std::numeric_limits<T>::max();
  const Ext v = x;
  return static_cast<T>(mode == ippRndNear ? support::RoundHalfEvenSigned(v) : std::trunc(v));
}

}  // namespace

IppStatus ippsAdd_16s_I(const Ipp16s* src, Ipp16s* srcDst, int len) {
  if (src == nullptr || srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i)
    srcDst[i] = static_cast<Ipp16s>(std::clamp(int{srcDst[i]} + src[i], -32768, 32767));
  return ippStsNoErr;
}

IppStatus ippsThreshold_LTValGTVal_16s_I(Ipp16s* srcDst, int len, Ipp16s levelLT, Ipp16s valueLT,
                                         Ipp16s levelGT, Ipp16s valueGT) {
  if (srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (levelGT < levelLT) return ippStsThresholdErr;
  for (int i = 0; i < len; ++i) {
    if (srcDst[i] < levelLT) {
      srcDst[i] = valueLT;
    } else if (srcDst[i] > levelGT) {
      srcDst[i] = valueGT;
    }
  }
  return ippStsNoErr;
}

IppStatus ippsSum_32f(const Ipp32f* src, int len, Ipp32f* sum, IppHintAlgorithm) {
  if (src == nullptr || sum == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ext first = 0.0L, second = 0.0L;
  int i = 0;
  for (; len - i >= 4; i += 4) {
    first += src[i];
    second += src[i + 1];
    first += src[i + 2];
    second += src[i + 3];
  }
  Ext total = first + second;
  for (; i < len; ++i) total += src[i];
  *sum = static_cast<float>(total);
  return ippStsNoErr;
}

IppStatus ippsSqr_32f_I(Ipp32f* srcDst, int len) {
  if (srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) srcDst[i] = static_cast<float>(static_cast<Ext>(srcDst[i]) * srcDst[i]);
  return ippStsNoErr;
}

IppStatus ippsMulC_32f(const Ipp32f* src, Ipp32f value, Ipp32f* dst, int len) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (value == 1.0f) {
    if (src != dst) std::memmove(dst, src, sizeof(float) * static_cast<std::size_t>(len));
  } else if (value == 0.0f) {
    std::fill_n(dst, len, 0.0f);
  } else {
    for (int i = 0; i < len; ++i) dst[i] = static_cast<float>(static_cast<Ext>(value) * src[i]);
  }
  return ippStsNoErr;
}

IppStatus ippsDivC_32f_I(Ipp32f value, Ipp32f* srcDst, int len) {
  if (srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (value == 0.0f) return ippStsDivByZeroErr;
  const float r = static_cast<float>(1.0L / value);
  return ippsMulC_32f(srcDst, r, srcDst, len);
}

IppStatus ippsSampleDown_32f(const Ipp32f* src, int srcLen, Ipp32f* dst, int* dstLen, int factor,
                             int* phase) {
  if (src == nullptr || dst == nullptr || dstLen == nullptr || phase == nullptr)
    return ippStsNullPtrErr;
  if (srcLen <= 0) return ippStsSizeErr;
  if (factor < 1) return ippStsSampleFactorErr;
  if (*phase < 0 || *phase >= factor) return ippStsSamplePhaseErr;
  if (factor == 1) {
    std::memmove(dst, src, sizeof(float) * static_cast<std::size_t>(srcLen));
    *dstLen = srcLen;
    return ippStsNoErr;
  }
  long long at = *phase;  // 64 bits: phase + factor may pass INT_MAX
  int taken = 0;
  for (; at < srcLen; at += factor) dst[taken++] = src[at];
  *dstLen = taken;
  *phase = static_cast<int>(at - srcLen);
  return ippStsNoErr;
}

IppStatus ippsCompensateOffset_32f_I(Ipp32f* srcDst, int len, Ipp32f* srcLast, Ipp32f dstLast,
                                     Ipp32f factor) {
  if (srcDst == nullptr || srcLast == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Ext previousIn = *srcLast, previousOut = dstLast;
  for (int i = 0; i < len; ++i) {
    const Ext x = srcDst[i];
    const float d = static_cast<float>(x - previousIn + factor * previousOut);
    srcDst[i] = d;
    previousIn = x;
    previousOut = d;
  }
  *srcLast = static_cast<float>(previousIn);
  return ippStsNoErr;
}

IppStatus ippiConvert_16s32f_C1R(const Ipp16s* src, int srcStep, Ipp32f* dst, int dstStep,
                                 IppiSize roi) {
  return ConvertRegion(src, srcStep, dst, dstStep, roi, [](Ipp16s x) { return float(x); });
}
IppStatus ippiConvert_8s32f_C1R(const Ipp8s* src, int srcStep, Ipp32f* dst, int dstStep,
                                IppiSize roi) {
  return ConvertRegion(src, srcStep, dst, dstStep, roi, [](Ipp8s x) { return float(x); });
}
IppStatus ippiConvert_32f16s_C1R(const Ipp32f* src, int srcStep, Ipp16s* dst, int dstStep,
                                 IppiSize roi, IppRoundMode roundMode) {
  return ConvertRegion(src, srcStep, dst, dstStep, roi,
                       [roundMode](float x) { return FloatToInt<Ipp16s>(x, roundMode); });
}
IppStatus ippiConvert_32f8s_C1R(const Ipp32f* src, int srcStep, Ipp8s* dst, int dstStep,
                                IppiSize roi, IppRoundMode roundMode) {
  return ConvertRegion(src, srcStep, dst, dstStep, roi,
                       [roundMode](float x) { return FloatToInt<Ipp8s>(x, roundMode); });
}

}  // namespace tavrel::kernels
