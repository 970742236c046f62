#pragma once
// Stand-ins for kernels owned by the element-wise and FFT families, until
// those land; removed when they do.
#include "math/types.h"

namespace tavrel::kernels {
IppStatus ippsMin_64f(const Ipp64f* src, int len, Ipp64f* min);
IppStatus ippsMax_64f(const Ipp64f* src, int len, Ipp64f* max);
IppStatus ippsZero_32s(Ipp32s* dst, int len);
void DotProductKernel(const Ipp64f* a, const Ipp64f* b, int n, Ipp64f* result);
}  // namespace tavrel::kernels
