#pragma once
// Row passes of the wide (AVX2) build of the resize kernels that live
// apart from the kernel templates. Each does the same operations in the
// same order as the plain pass it stands in for, so results are identical;
// each handles the leading columns (or elements) it can and returns how
// many, leaving the rest to the plain loop. Call them only on a processor
// with AVX2.
//
//   ptrdiff_t k = CubicRowWide<Ipp8u, 1>(row, out, args);   // columns done
//   for (; k < args.width; ++k) ...                          // the plain loop
#include <cstddef>
#include <cstdint>

#include "resample/resize_engine.h"

namespace tavrel {

// Horizontal cubic pass (taps base-1 .. base+2, coefficients planar: the
// width's first coefficients, then its second, then its third). The same
// columns `ahead` elements on (none when 0) are fetched meanwhile.
template <class T, int C>
[[gnu::target("avx2")]] std::ptrdiff_t CubicRowWide(const T* s, float* out, const ResizeKernelArgs& a,
                                                    std::ptrdiff_t ahead);

// Vertical cubic pass of n elements over the four filtered rows, rounded
// and clamped to T (not rounded for 32f).
template <class T>
[[gnu::target("avx2")]] std::ptrdiff_t CubicColumnWide(const float* r0, const float* r1, const float* r2,
                                                       const float* r3, T* d, std::ptrdiff_t n,
                                                       const float* coefficients);

// One-channel 16u linear: the horizontal pass of one row, the vertical
// pass of n elements with the row weight w, and both at once for a row no
// later destination row needs (the first `halving` columns take their
// left taps at 2k; `ahead` as for cubic).
[[gnu::target("avx2")]] std::ptrdiff_t LinearRowU16Wide(const Ipp16u* s, Ipp16u* out, const ResizeKernelArgs& a);
[[gnu::target("avx2")]] std::ptrdiff_t LinearColumnU16Wide(const Ipp16u* u, const Ipp16u* dn, Ipp16u* d,
                                                           std::ptrdiff_t n, std::uint32_t w);
[[gnu::target("avx2")]] std::ptrdiff_t LinearFusedU16Wide(const Ipp16u* s, std::ptrdiff_t step, Ipp16u* d,
                                                          const ResizeKernelArgs& a, std::uint32_t wr,
                                                          std::ptrdiff_t ahead, std::ptrdiff_t halving);

}  // namespace tavrel
