#pragma once
// Scratch of the FFT-based convolution and correlations: an FFT plan of
// one order (inverse divides by N), `arrays` arrays of 2^order values in one
// block, and the transforms' work area.
//
//   FFTScratch<Ipp64f> s;                          // real spec; Ipp64fc: complex
//   if (IppStatus st = s.Create(order, 2); st != ippStsNoErr) return st;
//   Ipp64f* a = s.data.get(); Ipp64f* b = a + s.N;
//   RealFFTForwardPerm(a, a, s.spec.get(), s.work.get());
#include <type_traits>

#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/kernel_heap.h"

namespace tavrel::kernels {

// The least order >= lowest whose 2^order points hold n values.
inline int OrderAtLeast(std::size_t n, int lowest) {
  int order = lowest;
  while ((std::size_t(1) << order) < n) ++order;
  return order;
}

template <typename T>
struct FFTScratch {
  static constexpr bool kReal = std::is_same_v<T, Ipp64f>;
  FFTSpecPtr spec;
  KernelArray<T> data;
  KernelArray<Ipp8u> work;  // null when the plan needs none
  std::size_t N = 0;

  // The spec's own status, or -9 when a block cannot be had (or the order is
  // beyond any spec).
  IppStatus Create(int order, std::size_t arrays) {
    if (order > kFFTMaxOrder) return ippStsMemAllocErr;
    FFTSpec* raw = nullptr;
    const IppStatus status = kReal ? ippsFFTInitAlloc_R_64f(&raw, order, 2, ippAlgHintNone)
                                   : ippsFFTInitAlloc_C_64fc(&raw, order, 2, ippAlgHintNone);
    if (status != ippStsNoErr) return status;
    spec.reset(raw);
    N = std::size_t(1) << order;
    data = AllocKernelArray<T>(arrays * N);
    if (!data) return ippStsMemAllocErr;
    int size = 0;
    kReal ? RealFFTGetBufSize(raw, &size) : ComplexFFTGetBufSize(raw, &size);
    if (size > 0) {
      work = AllocKernelArray<Ipp8u>(static_cast<std::size_t>(size));
      if (!work) return ippStsMemAllocErr;
    }
    return ippStsNoErr;
  }
};

}  // namespace tavrel::kernels
