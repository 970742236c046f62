#pragma once
// 8-bit and 16-bit arithmetic with a scale factor, fills, copies, width
// conversions and rescaling, as the audio buffers use them.
//
//   // y = round_half_even((y + x) * 2^-sf), saturated, over a width x height region
//   kernels::ippiAdd_16s_C1IRSfs(src, srcStep, dst, dstStep, {width, height}, 0);
//   kernels::ippsDivC_16s_ISfs(3, samples, n, 0);       // -10 for a zero constant
//   kernels::ippiScale_16s8u_C1R(s, sStep, d, dStep, roi, ippAlgHintAccurate);
//
// Steps are in bytes. Checks: null -8, then width/height/length <= 0 -6,
// then (routines that check steps) a step <= 0 -14, then a zero constant
// divisor -10. Scale factors whose result is already determined (all zero,
// or saturation by sign) take a shortcut through the matching Set/Zero/Copy
// routine and return its status. Element division by zero saturates and
// reports +6 once the whole region is done.
#include "math/types.h"

namespace tavrel::kernels {

// Element-wise, in place: srcDst = srcDst op src.
IppStatus ippiAdd_8u_C1IRSfs(const Ipp8u* src, int srcStep, Ipp8u* srcDst, int srcDstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiAdd_16s_C1IRSfs(const Ipp16s* src, int srcStep, Ipp16s* srcDst, int srcDstStep,
                              IppiSize roi, int scaleFactor);
IppStatus ippiSub_8u_C1IRSfs(const Ipp8u* src, int srcStep, Ipp8u* srcDst, int srcDstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiSub_16s_C1IRSfs(const Ipp16s* src, int srcStep, Ipp16s* srcDst, int srcDstStep,
                              IppiSize roi, int scaleFactor);
IppStatus ippiMul_8u_C1IRSfs(const Ipp8u* src, int srcStep, Ipp8u* srcDst, int srcDstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiMul_16s_C1IRSfs(const Ipp16s* src, int srcStep, Ipp16s* srcDst, int srcDstStep,
                              IppiSize roi, int scaleFactor);
IppStatus ippiDiv_8u_C1IRSfs(const Ipp8u* src, int srcStep, Ipp8u* srcDst, int srcDstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiDiv_16s_C1IRSfs(const Ipp16s* src, int srcStep, Ipp16s* srcDst, int srcDstStep,
                              IppiSize roi, int scaleFactor);

// With a constant.
IppStatus ippsAddC_8u_ISfs(Ipp8u value, Ipp8u* srcDst, int len, int scaleFactor);
IppStatus ippsAddC_8u_Sfs(const Ipp8u* src, Ipp8u value, Ipp8u* dst, int len, int scaleFactor);
IppStatus ippsAddC_16s_ISfs(Ipp16s value, Ipp16s* srcDst, int len, int scaleFactor);
IppStatus ippsAddC_16s_Sfs(const Ipp16s* src, Ipp16s value, Ipp16s* dst, int len,
                           int scaleFactor);
IppStatus ippiAddC_8u_C1IRSfs(Ipp8u value, Ipp8u* srcDst, int srcDstStep, IppiSize roi,
                              int scaleFactor);
IppStatus ippiAddC_8u_C1RSfs(const Ipp8u* src, int srcStep, Ipp8u value, Ipp8u* dst, int dstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiAddC_16s_C1IRSfs(Ipp16s value, Ipp16s* srcDst, int srcDstStep, IppiSize roi,
                               int scaleFactor);
IppStatus ippiAddC_16s_C1RSfs(const Ipp16s* src, int srcStep, Ipp16s value, Ipp16s* dst,
                              int dstStep, IppiSize roi, int scaleFactor);

IppStatus ippsSubC_8u_ISfs(Ipp8u value, Ipp8u* srcDst, int len, int scaleFactor);
IppStatus ippsSubC_8u_Sfs(const Ipp8u* src, Ipp8u value, Ipp8u* dst, int len, int scaleFactor);
IppStatus ippsSubC_16s_ISfs(Ipp16s value, Ipp16s* srcDst, int len, int scaleFactor);
IppStatus ippsSubC_16s_Sfs(const Ipp16s* src, Ipp16s value, Ipp16s* dst, int len,
                           int scaleFactor);
IppStatus ippiSubC_8u_C1IRSfs(Ipp8u value, Ipp8u* srcDst, int srcDstStep, IppiSize roi,
                              int scaleFactor);
IppStatus ippiSubC_8u_C1RSfs(const Ipp8u* src, int srcStep, Ipp8u value, Ipp8u* dst, int dstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiSubC_16s_C1IRSfs(Ipp16s value, Ipp16s* srcDst, int srcDstStep, IppiSize roi,
                               int scaleFactor);
IppStatus ippiSubC_16s_C1RSfs(const Ipp16s* src, int srcStep, Ipp16s value, Ipp16s* dst,
                              int dstStep, IppiSize roi, int scaleFactor);

IppStatus ippsMulC_8u_ISfs(Ipp8u value, Ipp8u* srcDst, int len, int scaleFactor);
IppStatus ippsMulC_8u_Sfs(const Ipp8u* src, Ipp8u value, Ipp8u* dst, int len, int scaleFactor);
IppStatus ippsMulC_16s_ISfs(Ipp16s value, Ipp16s* srcDst, int len, int scaleFactor);
IppStatus ippsMulC_16s_Sfs(const Ipp16s* src, Ipp16s value, Ipp16s* dst, int len,
                           int scaleFactor);
IppStatus ippiMulC_8u_C1IRSfs(Ipp8u value, Ipp8u* srcDst, int srcDstStep, IppiSize roi,
                              int scaleFactor);
IppStatus ippiMulC_8u_C1RSfs(const Ipp8u* src, int srcStep, Ipp8u value, Ipp8u* dst, int dstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiMulC_16s_C1IRSfs(Ipp16s value, Ipp16s* srcDst, int srcDstStep, IppiSize roi,
                               int scaleFactor);
IppStatus ippiMulC_16s_C1RSfs(const Ipp16s* src, int srcStep, Ipp16s value, Ipp16s* dst,
                              int dstStep, IppiSize roi, int scaleFactor);

// Division by a constant multiplies by one reciprocal. The 8-bit form uses a
// table of six-digit reciprocals, so 5 / 10 gives 1.
IppStatus ippsDivC_16s_ISfs(Ipp16s value, Ipp16s* srcDst, int len, int scaleFactor);
IppStatus ippsDivC_16s_Sfs(const Ipp16s* src, Ipp16s value, Ipp16s* dst, int len,
                           int scaleFactor);
IppStatus ippsDivC_8u_Sfs(const Ipp8u* src, Ipp8u value, Ipp8u* dst, int len, int scaleFactor);
IppStatus ippiDivC_8u_C1IRSfs(Ipp8u value, Ipp8u* srcDst, int srcDstStep, IppiSize roi,
                              int scaleFactor);
IppStatus ippiDivC_8u_C1RSfs(const Ipp8u* src, int srcStep, Ipp8u value, Ipp8u* dst, int dstStep,
                             IppiSize roi, int scaleFactor);
IppStatus ippiDivC_16s_C1IRSfs(Ipp16s value, Ipp16s* srcDst, int srcDstStep, IppiSize roi,
                               int scaleFactor);
IppStatus ippiDivC_16s_C1RSfs(const Ipp16s* src, int srcStep, Ipp16s value, Ipp16s* dst,
                              int dstStep, IppiSize roi, int scaleFactor);

// Fills and copies (the 2-D sets check steps, the copies do not).
IppStatus ippsSet_16s(Ipp16s value, Ipp16s* dst, int len);
IppStatus ippiSet_8u_C1R(Ipp8u value, Ipp8u* dst, int dstStep, IppiSize roi);
IppStatus ippiSet_16s_C1R(Ipp16s value, Ipp16s* dst, int dstStep, IppiSize roi);
IppStatus ippiSet_32s_C1R(Ipp32s value, Ipp32s* dst, int dstStep, IppiSize roi);
IppStatus ippiCopy_8u_C1R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
IppStatus ippiCopy_16s_C1R(const Ipp16s* src, int srcStep, Ipp16s* dst, int dstStep,
                           IppiSize roi);

// Width conversions and rescaling (all check steps).
IppStatus ippsConvert_8s16s(const Ipp8s* src, Ipp16s* dst, int len);
IppStatus ippiConvert_8u32f_C1R(const Ipp8u* src, int srcStep, Ipp32f* dst, int dstStep,
                                IppiSize roi);
IppStatus ippiConvert_32f8u_C1R(const Ipp32f* src, int srcStep, Ipp8u* dst, int dstStep,
                                IppiSize roi, IppRoundMode roundMode);
IppStatus ippiScale_8u16s_C1R(const Ipp8u* src, int srcStep, Ipp16s* dst, int dstStep,
                              IppiSize roi);
IppStatus ippiScale_8u32s_C1R(const Ipp8u* src, int srcStep, Ipp32s* dst, int dstStep,
                              IppiSize roi);
IppStatus ippiScale_16s8u_C1R(const Ipp16s* src, int srcStep, Ipp8u* dst, int dstStep,
                              IppiSize roi, IppHintAlgorithm hint);
IppStatus ippiScale_32s8u_C1R(const Ipp32s* src, int srcStep, Ipp8u* dst, int dstStep,
                              IppiSize roi, IppHintAlgorithm hint);
IppStatus ippiScale_16u8u_C1R(const Ipp16u* src, int srcStep, Ipp8u* dst, int dstStep,
                              IppiSize roi, IppHintAlgorithm hint);

}  // namespace tavrel::kernels
