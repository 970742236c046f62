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

}  // namespace tavrel
