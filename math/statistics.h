#pragma once
// Statistics, norms, extremes with index, dot products, thresholds,
// normalisation, element-wise abs/sqr/sqrt/exp/ln, 32-bit logic and the
// complex power spectrum, phase, magnitude, square and square root.
//
//   double mean = 0;
//   if (kernels::ippsMean_64f(x, n, &mean) != ippStsNoErr) ...
//   IppStatus st = kernels::ippsLn_64f_I(x, n);   // 7: first problem a zero, 8: a negative
//
// Checks: any null pointer -8, then len <= 0 -6 (StdDev: len < 2), then the
// routine's own. Errors write nothing; warnings (3, 7, 8) still complete the
// output. Sums run in extended precision in a fixed order; nothing allocates.
// Invalid arguments produce the NaN with bit pattern 0xFFF8000000000000.
#include "math/types.h"

namespace tavrel::kernels {

IppStatus ippsNormDiff_L1_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* norm);
IppStatus ippsNormDiff_L2_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* norm);
IppStatus ippsNormDiff_Inf_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* norm);

// Two running sums over groups of four (elements 0,2 and 1,3); the tail joins the first.
IppStatus ippsMean_64f(const Ipp64f* src, int len, Ipp64f* mean);
IppStatus ippsMean_32f(const Ipp32f* src, int len, Ipp32f* mean, IppHintAlgorithm hint);
// Sample deviation (divisor len - 1); 0.0 when rounding leaves no spread.
IppStatus ippsStdDev_64f(const Ipp64f* src, int len, Ipp64f* stdDev);

// Ties keep the first index; a null index hands over to ippsMin_64f / ippsMax_64f.
IppStatus ippsMinIndx_64f(const Ipp64f* src, int len, Ipp64f* min, int* index);
IppStatus ippsMaxIndx_64f(const Ipp64f* src, int len, Ipp64f* max, int* index);

// dst = (src - sub) * (1 / div); -10 when |div| is below the smallest normal or NaN.
IppStatus ippsNormalize_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f sub, Ipp64f div);
IppStatus ippsNormalize_32f(const Ipp32f* src, Ipp32f* dst, int len, Ipp32f sub, Ipp32f div);

IppStatus ippsDotProd_64f(const Ipp64f* src1, const Ipp64f* src2, int len, Ipp64f* dp);
// Exact products, scaled by 2^-scaleFactor (clamped to -31..93), saturated,
// rounded half to even.
IppStatus ippsDotProd_32s_Sfs(const Ipp32s* src1, const Ipp32s* src2, int len, Ipp32s* dp,
                              int scaleFactor);

// relOp ippCmpGreater clips values above level; every other relOp clips below.
IppStatus ippsThreshold_32f_I(Ipp32f* srcDst, int len, Ipp32f level, IppCmpOp relOp);
IppStatus ippsThreshold_64f_I(Ipp64f* srcDst, int len, Ipp64f level, IppCmpOp relOp);
IppStatus ippsThreshold_64f(const Ipp64f* src, Ipp64f* dst, int len, Ipp64f level,
                            IppCmpOp relOp);

IppStatus ippsAbs_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsAbs_64f(const Ipp64f* src, Ipp64f* dst, int len);
IppStatus ippsSqr_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsSqr_64f(const Ipp64f* src, Ipp64f* dst, int len);
// Negative values give NaN and the warning 3 (the out-of-place form also for NaN).
IppStatus ippsSqrt_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsSqrt_64f(const Ipp64f* src, Ipp64f* dst, int len);
// Overflow gives +inf and underflow +0.0, never a status.
IppStatus ippsExp_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsExp_64f(const Ipp64f* src, Ipp64f* dst, int len);
IppStatus ippsLn_64f_I(Ipp64f* srcDst, int len);
IppStatus ippsLn_64f(const Ipp64f* src, Ipp64f* dst, int len);

// dst = src * 2^-scaleFactor, the factor clamped to 2^-1022..2^1008.
IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* src, Ipp64f* dst, int len, int scaleFactor);

IppStatus ippsAndC_32u_I(Ipp32u value, Ipp32u* srcDst, int len);
IppStatus ippsOrC_32u_I(Ipp32u value, Ipp32u* srcDst, int len);
IppStatus ippsXorC_32u_I(Ipp32u value, Ipp32u* srcDst, int len);
IppStatus ippsAnd_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len);
IppStatus ippsOr_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len);
IppStatus ippsXor_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len);

IppStatus ippsPowerSpectr_64fc(const Ipp64fc* src, Ipp64f* dst, int len);
IppStatus ippsPhase_64fc(const Ipp64fc* src, Ipp64f* dst, int len);
IppStatus ippsMagnitude_64fc(const Ipp64fc* src, Ipp64f* dst, int len);
IppStatus ippsSqr_64fc(const Ipp64fc* src, Ipp64fc* dst, int len);
IppStatus ippsSqr_64fc_I(Ipp64fc* srcDst, int len);
// Principal root: (-4, 0) gives (0, 2), (0, -2) gives (1, -1).
IppStatus ippsSqrt_64fc(const Ipp64fc* src, Ipp64fc* dst, int len);
IppStatus ippsSqrt_64fc_I(Ipp64fc* srcDst, int len);

}  // namespace tavrel::kernels
