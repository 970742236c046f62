#pragma once
// Fast Fourier transforms of 2^order points in double precision.
//
//   FFTSpec* spec = nullptr;
//   ippsFFTInitAlloc_C_64fc(&spec, 10, 2, ippAlgHintNone);  // 1024 points, inverse / N
//   ippsFFTFwd_CToC_64fc(src, dst, spec, nullptr);   // work may be null
//   ippsFFTInv_CToC_64fc(dst, dst, spec, nullptr);   // in place is fine
//   ippsFFTFree_C_64fc(spec);
//
// Real transforms use a spec from ippsFFTInitAlloc_R_64f and come in three
// half-spectrum layouts (N real inputs, k = 1 .. N/2-1 as Rk, Ik pairs):
//   CCS  (N+2 values): R0, 0, R1, I1, ..., R(N/2), 0
//   Pack (N values):   R0, R1, I1, ..., R(N/2-1), I(N/2-1), R(N/2)
//   Perm (N values):   R0, R(N/2), R1, I1, ..., R(N/2-1), I(N/2-1)
// Flags: 1 forward / N, 2 inverse / N, 4 both / sqrt(N), 8 no scaling.
// A spec is read-only after creation; calls on one spec may run in parallel
// when each brings its own dst and work area (or none).
#include <cstddef>

#include "math/types.h"

namespace tavrel::kernels {

inline constexpr Ipp32s kFFTSpecComplexTag = 7;
inline constexpr Ipp32s kFFTSpecRealTag = 9;
inline constexpr int kFFTMaxOrder = 30;
// Specifications whose tables would exceed this many bytes are refused with
// -9 before anything is allocated: on Linux a huge allocation succeeds and the
// first touch then gets the process killed, so -9 would never be seen.
inline constexpr std::size_t kFFTSpecMaxBytes = std::size_t(1) << 32;

// The FFT plan record; opaque to callers.
struct FFTSpec {
  Ipp32s tag;           // 7 complex, 9 real, 0 once released
  Ipp32s order;
  Ipp32s forwardScale;  // 1 when forward results are multiplied by scaleFactor
  Ipp32s inverseScale;
  Ipp64f scaleFactor;
  Ipp32s hint;
  Ipp32s workSize;      // bytes of work area one transform needs, 0 for none
  Ipp32s allocated;
  Ipp32s* bitReversal;           // owned, order > 3
  Ipp64fc* twiddles;             // owned block; starts with the leaf radix-4 table
  Ipp64fc* combineTwiddles;      // into the block; blocked leaves only
  Ipp64fc* splitTwiddles;        // owned, real order > 3
  Ipp64fc* mergeTwiddles;        // owned, real order > 3
  Ipp64fc* columnRadix4[3];      // into the block, per split level
  Ipp64fc* columnTwiddles[3];    // into the block, per split level
  Ipp64f* depthFirst;            // into the block, orders with a depth-first plan
};

IppStatus ippsFFTInitAlloc_C_64fc(FFTSpec** spec, int order, int flag, IppHintAlgorithm hint);
IppStatus ippsFFTInitAlloc_R_64f(FFTSpec** spec, int order, int flag, IppHintAlgorithm hint);
IppStatus ippsFFTFree_C_64fc(FFTSpec* spec);
IppStatus ippsFFTFree_R_64f(FFTSpec* spec);
// Bytes of work area a caller passes to the complex transforms (0: none).
IppStatus ComplexFFTGetBufSize(const FFTSpec* spec, int* size);

IppStatus ippsFFTFwd_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec* spec, Ipp8u* work);
IppStatus ippsFFTInv_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec* spec, Ipp8u* work);

IppStatus ippsFFTFwd_RToCCS_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work);
IppStatus ippsFFTInv_CCSToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work);

// Packed real transforms used by the convolution, correlation and FIR code.
IppStatus RealFFTGetBufSize(const FFTSpec* spec, int* size);
IppStatus RealFFTForwardPack(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work);
IppStatus RealFFTForwardPerm(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work);
IppStatus RealFFTInversePack(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work);
IppStatus RealFFTInversePerm(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work);
// srcDst := src * conj(srcDst), bin by bin, Pack layout of len values.
IppStatus MulPackConj(const Ipp64f* src, Ipp64f* srcDst, int len);
// srcDst := src * srcDst, bin by bin, Perm layout of len values.
IppStatus MulPerm(const Ipp64f* src, Ipp64f* srcDst, int len);

// Small helpers of the complex correlations and the dot product.
void ScaleDoubles(Ipp64f factor, Ipp64f* data, std::ptrdiff_t n);
IppStatus CopyComplex(const Ipp64fc* src, Ipp64fc* dst, int n);
IppStatus ConjugateComplex(const Ipp64fc* src, Ipp64fc* dst, int n);
IppStatus ConjugateComplexInPlace(Ipp64fc* data, int n);
// Sum of a[i]*b[i] from 0.0 in increasing i; 0.0 for n <= 0.
void DotProductKernel(const Ipp64f* a, const Ipp64f* b, int n, Ipp64f* result);

}  // namespace tavrel::kernels
