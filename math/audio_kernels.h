#pragma once
// Audio routines on 16-bit and float samples: saturating add, two-sided
// threshold, sums and scaling, down-sampling, offset compensation, region
// conversions between integers and floats, the tone and triangle generators
// and the periodicity estimator. (The 16-bit noise generators are in
// math/random.h.)
//
//   float phase = 0;
//   kernels::ippsTone_Direct_16s(pcm, n, 1000, 0.25f, &phase, ippAlgHintNone);
//   int taken = 0, sampPhase = 0;
//   kernels::ippsSampleDown_32f(in, n, out, &taken, 3, &sampPhase);
//
// Checks: a null pointer -8, then a length of 0 or less -6, then the
// routine's own, unless its comment says otherwise; nothing is written when
// a check fails. Float-to-integer conversions truncate toward zero except
// where a rounding mode says otherwise.
#include "math/types.h"

namespace tavrel::kernels {

IppStatus ippsAdd_16s_I(const Ipp16s* src, Ipp16s* srcDst, int len);  // saturating
// Below levelLT becomes valueLT, above levelGT becomes valueGT; levelGT < levelLT gives -18.
IppStatus ippsThreshold_LTValGTVal_16s_I(Ipp16s* srcDst, int len, Ipp16s levelLT, Ipp16s valueLT,
                                         Ipp16s levelGT, Ipp16s valueGT);
// Two partial sums over blocks of four (elements 0,2 and 1,3), then the tail.
IppStatus ippsSum_32f(const Ipp32f* src, int len, Ipp32f* sum, IppHintAlgorithm hint);
IppStatus ippsSqr_32f_I(Ipp32f* srcDst, int len);
IppStatus ippsMulC_32f(const Ipp32f* src, Ipp32f value, Ipp32f* dst, int len);
IppStatus ippsDivC_32f_I(Ipp32f value, Ipp32f* srcDst, int len);  // multiplies by 1/value

// Takes src[phase], src[phase + factor], ...; the phase becomes the next
// index to take minus srcLen. Factor < 1 gives -31, a phase outside
// 0..factor-1 gives -30.
IppStatus ippsSampleDown_32f(const Ipp32f* src, int srcLen, Ipp32f* dst, int* dstLen, int factor,
                             int* phase);
// d[n] = x[n] - x[n-1] + factor * d[n-1], starting from the caller's last
// source value (written back) and last output.
IppStatus ippsCompensateOffset_32f_I(Ipp32f* srcDst, int len, Ipp32f* srcLast, Ipp32f dstLast,
                                     Ipp32f factor);

// Region conversions (steps in bytes; a step <= 0 gives -14). Float to
// integer saturates (NaN gives the minimum); ippRndNear rounds half to even.
IppStatus ippiConvert_16s32f_C1R(const Ipp16s* src, int srcStep, Ipp32f* dst, int dstStep,
                                 IppiSize roi);
IppStatus ippiConvert_8s32f_C1R(const Ipp8s* src, int srcStep, Ipp32f* dst, int dstStep,
                                IppiSize roi);
IppStatus ippiConvert_32f16s_C1R(const Ipp32f* src, int srcStep, Ipp16s* dst, int dstStep,
                                 IppiSize roi, IppRoundMode roundMode);
IppStatus ippiConvert_32f8s_C1R(const Ipp32f* src, int srcStep, Ipp8s* dst, int dstStep,
                                IppiSize roi, IppRoundMode roundMode);

// magnitude * cos(phase + 2*pi*rFreq*n), truncated. Checks in order: null
// phase -8, magnitude < 1 -46, rFreq outside [0, 0.5) -45, phase outside
// [0, 2*pi) -44, null dst -8, len < 1 -6. The phase after the last sample
// is written back.
IppStatus ippsTone_Direct_16s(Ipp16s* dst, int len, Ipp16s magnitude, Ipp32f rFreq, Ipp32f* phase,
                              IppHintAlgorithm hint);
// A triangle falling from +M at phase 0 to -M at pi + asym and back at 2*pi.
// Checks in order: null phase -8, M < 1 -43, rFreq outside [0, 0.5) -42,
// asym outside [-pi, pi) -40, phase outside [0, 2*pi) -41, null dst -8,
// len < 1 -6.
IppStatus ippsTriangle_Direct_16s(Ipp16s* dst, int len, Ipp16s magnitude, Ipp32f rFreq,
                                  Ipp32f asym, Ipp32f* phase);
// The period in [minPeriod, maxPeriod] that best explains src, with its
// score. minPeriod < 6 or >= maxPeriod gives -7; maxPeriod >= len,
// len > 1024 or 16 * minPeriod < len gives -119. No period found: 0, 0.0.
IppStatus ippsPeriodicityLSPE_32f(const Ipp32f* src, int len, Ipp32f* periodicity, int* period,
                                  int maxPeriod, int minPeriod);

}  // namespace tavrel::kernels
