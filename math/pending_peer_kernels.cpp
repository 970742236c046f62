#include "math/pending_peer_kernels.h"

#include <cstring>

namespace tavrel::kernels {
IppStatus ippsMin_64f(const Ipp64f* src, int len, Ipp64f* min) {
  if (src == nullptr || min == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  double m = src[0];
  for (int i = 1; i < len; ++i)
    if (!(src[i] >= m)) m = src[i];
  *min = m;
  return ippStsNoErr;
}
IppStatus ippsMax_64f(const Ipp64f* src, int len, Ipp64f* max) {
  if (src == nullptr || max == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  double m = src[0];
  for (int i = 1; i < len; ++i)
    if (src[i] > m) m = src[i];
  *max = m;
  return ippStsNoErr;
}
IppStatus ippsZero_32s(Ipp32s* dst, int len) {
  if (dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  std::memset(dst, 0, sizeof(Ipp32s) * static_cast<std::size_t>(len));
  return ippStsNoErr;
}
void DotProductKernel(const Ipp64f* a, const Ipp64f* b, int n, Ipp64f* result) {
  long double sum = 0.0L;
  for (int i = 0; i < n; ++i) sum += static_cast<long double>(a[i]) * b[i];
  *result = static_cast<double>(sum);
}
}  // namespace tavrel::kernels
