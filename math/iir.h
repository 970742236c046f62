#pragma once
// IIR filters on floats: a direct form of any order (transposed direct form
// II) and a cascade of biquad sections laid out in the caller's buffer.
//
//   IppsIIRState_32f* st = nullptr;
//   const float taps[] = {b0, b1, a0, a1};              // order 1
//   if (kernels::ippsIIRInitAlloc_32f(&st, taps, 1, nullptr) == ippStsNoErr) {
//     kernels::ippsIIR_32f_I(samples, n, st);           // continues from the delay line
//     kernels::ippsIIRFree_32f(st);
//   }
//
//   int size = 0;
//   kernels::ippsIIRGetStateSize_BiQuad_32f(sections, &size);
//   std::vector<Ipp8u> buffer(size);                    // any alignment
//   kernels::ippsIIRInit_BiQuad_32f(&st, taps6PerSection, sections, nullptr, buffer.data());
//
// Taps are normalised by a0 (a0 = 0 gives -10; a biquad also refuses b0 = 0).
// ippsIIRFree_32f releases only states it allocated. A state whose tag is
// neither kind gives -17.
#include "math/types.h"

namespace tavrel {
struct IppsIIRState_32f;
}

namespace tavrel::kernels {

IppStatus ippsIIRInitAlloc_32f(IppsIIRState_32f** state, const Ipp32f* taps, int order,
                               const Ipp32f* delayLine);
IppStatus ippsIIRFree_32f(IppsIIRState_32f* state);
IppStatus ippsIIR_32f(const Ipp32f* src, Ipp32f* dst, int len, IppsIIRState_32f* state);
IppStatus ippsIIR_32f_I(Ipp32f* srcDst, int len, IppsIIRState_32f* state);
IppStatus ippsIIRInit_BiQuad_32f(IppsIIRState_32f** state, const Ipp32f* taps, int numBq,
                                 const Ipp32f* delayLine, Ipp8u* buffer);
IppStatus ippsIIRGetStateSize_BiQuad_32f(int numBq, int* bufferSize);

}  // namespace tavrel::kernels
