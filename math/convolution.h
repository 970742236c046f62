#pragma once
// Linear convolution and auto/cross-correlation of real and complex signals.
//
//   ippsConv_64f(a, la, b, lb, dst);                  // la + lb - 1 outputs
//   ippsAutoCorr_64f(x, n, dst, lags);                // dst[k] = sum x[i] x[i+k]
//   ippsCrossCorr_64f(a, la, b, lb, dst, n, lowLag);  // dst[j] = sum a[i] b[lowLag+j+i]
//
// Complex twins conjugate the first operand. NormA divides by the signal
// length, NormB lag k by (length - k). Lags past the signal give 0. Short work
// runs as direct sums in long double; long work through real or complex FFTs
// (equal to rounding). Outputs are never allocated; scratch blocks are, and
// their failure reports -9 with nothing held.
#include "math/types.h"

namespace tavrel::kernels {

IppStatus ippsConv_64f(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2, Ipp64f* dst);

// The direct method alone, whatever the lengths (valid arguments only); for
// comparing the two methods.
void ConvolveDirect(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2, Ipp64f* dst);

IppStatus ippsAutoCorr_64f(const Ipp64f* src, int srcLen, Ipp64f* dst, int dstLen);
IppStatus ippsAutoCorr_NormA_64f(const Ipp64f* src, int srcLen, Ipp64f* dst, int dstLen);
IppStatus ippsAutoCorr_NormB_64f(const Ipp64f* src, int srcLen, Ipp64f* dst, int dstLen);
IppStatus ippsCrossCorr_64f(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2, Ipp64f* dst, int dstLen,
                            int lowLag);

IppStatus ippsAutoCorr_64fc(const Ipp64fc* src, int srcLen, Ipp64fc* dst, int dstLen);
IppStatus ippsAutoCorr_NormA_64fc(const Ipp64fc* src, int srcLen, Ipp64fc* dst, int dstLen);
IppStatus ippsAutoCorr_NormB_64fc(const Ipp64fc* src, int srcLen, Ipp64fc* dst, int dstLen);
IppStatus ippsCrossCorr_64fc(const Ipp64fc* src1, int len1, const Ipp64fc* src2, int len2, Ipp64fc* dst, int dstLen,
                             int lowLag);

}  // namespace tavrel::kernels
