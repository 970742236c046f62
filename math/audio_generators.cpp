// Tone and triangle generators and the periodicity estimator.
#include <cmath>
#include <numbers>

#include "math/audio_kernels.h"
#include "math/kernel_support.h"
#include "math/runtime.h"

namespace tavrel::kernels {
namespace {

using support::Ext;

constexpr Ext kPi = std::numbers::pi_v<long double>;
constexpr Ext kTwoPi = 2.0L * kPi;

Ipp16s Truncate16(Ext v) {
  if (!(v > -32768.0L)) return -32768;
  if (v > 32767.0L) return 32767;
  return static_cast<Ipp16s>(std::trunc(v));
}

// The phase after len samples, reduced to [0, 2*pi); anything else becomes 0.
float PhaseAfter(float phase, float rFreq, int len) {
  Ext p = phase + rFreq * kTwoPi * len;
  p -= kTwoPi * std::floor(p / kTwoPi);
  if (p < 0.0L || p >= kTwoPi) p = 0.0L;
  return static_cast<float>(p);
}

}  // namespace

IppStatus ippsTone_Direct_16s(Ipp16s* dst, int len, Ipp16s magnitude, Ipp32f rFreq, Ipp32f* phase,
                              IppHintAlgorithm) {
  if (phase == nullptr) return ippStsNullPtrErr;
  if (magnitude < 1) return ippStsToneMagnErr;
  if (!(rFreq >= 0.0f && rFreq < 0.5f)) return ippStsToneFreqErr;
  if (!(*phase >= 0.0f && *phase < kTwoPi)) return ippStsTonePhaseErr;
  if (dst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  // The samples start from the phase read on entry; the caller's variable
  // already holds the phase that follows the last sample.
  const Ext start = *phase;
  *phase = PhaseAfter(*phase, rFreq, len);
  const Ext m = magnitude;
  const Ext step = kTwoPi * rFreq;
  Ext s[4];  // s(n-4) .. s(n-1), rotating
  s[0] = m * CCos(static_cast<double>(start));
  dst[0] = Truncate16(s[0]);
  if (len == 1) return ippStsNoErr;
  s[1] = m * CCos(static_cast<double>(start + step));
  dst[1] = Truncate16(s[1]);
  const Ext c = 2.0L * CCos(static_cast<double>(step));
  if (len > 2) {
    s[2] = c * s[1] - s[0];
    dst[2] = Truncate16(s[2]);
  }
  if (len > 3) {
    s[3] = c * s[2] - s[1];
    dst[3] = Truncate16(s[3]);
  }
  // Even and odd samples form two chains with twice the step.
  const Ext c2 = c * c - 2.0L;
  for (int n = 4; n < len; ++n) {
    const Ext next = c2 * s[(n - 2) % 4] - s[n % 4];  // s[n % 4] holds s(n - 4)
    s[n % 4] = next;
    dst[n] = Truncate16(next);
  }
  return ippStsNoErr;
}

IppStatus ippsTriangle_Direct_16s(Ipp16s* dst, int len, Ipp16s magnitude, Ipp32f rFreq,
                                  Ipp32f asym, Ipp32f* phase) {
  if (phase == nullptr) return ippStsNullPtrErr;
  if (magnitude < 1) return ippStsTrnglMagnErr;
  if (!(rFreq >= 0.0f && rFreq < 0.5f)) return ippStsTrnglFreqErr;
  if (!(asym >= -kPi && asym < kPi)) return ippStsTrnglAsymErr;
  if (!(*phase >= 0.0f && *phase < kTwoPi)) return ippStsTrnglPhaseErr;
  if (dst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  const Ext start = *phase;
  *phase = PhaseAfter(*phase, rFreq, len);
  const Ext m = magnitude;
  const Ext fallLen = kPi + asym;  // from +M down to -M
  const Ext riseLen = kPi - asym;  // and back up
  const Ext fall = -4.0L * kPi * m * rFreq / fallLen;
  const Ext rise = 4.0L * kPi * m * rFreq / riseLen;
  Ext v, slope;
  if (start < fallLen) {
    v = m * (1.0L - 2.0L * start / fallLen);
    slope = fall;
  } else {
    v = m * ((start - fallLen) * 2.0L / riseLen - 1.0L);
    slope = rise;
  }
  for (int i = 0; i < len; ++i) {
    dst[i] = Truncate16(v);
    v += slope;
    if (slope > 0.0L && v > m) {
      const Ext folded = m - (v - m) * riseLen / fallLen;
      if (folded < -m) {
        v -= 4.0L * kPi * m / riseLen;
      } else {
        v = folded;
        slope = fall;
      }
    } else if (!(slope > 0.0L) && v < -m) {
      const Ext folded = -m - (v + m) * fallLen / riseLen;
      if (folded > m) {
        v += 4.0L * kPi * m / fallLen;
      } else {
        v = folded;
        slope = rise;
      }
    }
  }
  return ippStsNoErr;
}

IppStatus ippsPeriodicityLSPE_32f(const Ipp32f* src, int len, Ipp32f* periodicity, int* period,
                                  int maxPeriod, int minPeriod) {
  // Scaling of a column's sum and sum of squares by its element count j.
  static constexpr float kF[17] = {0,        1.0f,     0.707107f, 0.57735f,  0.5f,     0.447214f,
                                   0.408248f, 0.377965f, 0.353553f, 0.333333f, 0.316228f, 0.301511f,
                                   0.288675f, 0.27735f,  0.267261f, 0.258199f, 0.25f};
  static constexpr float kH[17] = {0,         1.0f,     0.5f,      0.333333f, 0.25f,     0.2f,
                                   0.166666f, 0.142857f, 0.125f,    0.111111f, 0.1f,      0.090909f,
                                   0.083333f, 0.0769231f, 0.071429f, 0.066666f, 0.0625f};
  if (src == nullptr || periodicity == nullptr || period == nullptr) return ippStsNullPtrErr;
  if (minPeriod < 6 || minPeriod >= maxPeriod) return ippStsRangeErr;
  if (maxPeriod >= len || len > 1024 || 16 * minPeriod < len) return ippStsPeriodicityLengthErr;
  Ext energy = 0.0L;
  for (int i = 0; i < len; ++i) energy += static_cast<Ext>(src[i]) * src[i];
  float best = 0.0f;
  int bestPeriod = 0;
  for (int p = minPeriod; p <= maxPeriod; ++p) {
    Ext a = 0.0L, b = 0.0L;
    for (int i = 0; i < p; ++i) {
      Ext c = 0.0L, e = 0.0L;
      int j = 0;
      for (int k = i; k < len; k += p, ++j) {
        c += src[k];
        e += static_cast<Ext>(src[k]) * src[k];
      }
      const Ext cf = c * kF[j];
      a += cf * cf;
      b += e * kH[j];
    }
    if (energy - b > 0.0L && a - b > 0.0L) {
      const Ext ratio = (a - b) / (energy - b);
      if (ratio > best) {
        best = static_cast<float>(ratio);
        bestPeriod = p;
      }
    }
  }
  *periodicity = best;
  *period = bestPeriod;
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
