#include "math/buffer_helpers.h"

#include <cmath>
#include <limits>

namespace tavrel {
namespace {

Ipp32s Quotient(Ipp32s x, Ipp32s divisor) {
  // The one overflowing quotient saturates instead of trapping.
  if (divisor == -1) return x == std::numeric_limits<Ipp32s>::min() ? std::numeric_limits<Ipp32s>::max() : -x;
  return x / divisor;
}

}  // namespace

void DivConstInt32InPlace(Ipp32s divisor, Ipp32s* data, int count) {
  if (count <= 0) return;
  if (divisor == 0) throw EDivByZero();
  for (int i = 0; i < count; ++i) data[i] = Quotient(data[i], divisor);
}

void DivConstInt32(const Ipp32s* source, Ipp32s divisor, Ipp32s* destination, int count) {
  if (count <= 0) return;
  if (divisor == 0) throw EDivByZero();
  for (int i = 0; i < count; ++i) destination[i] = Quotient(source[i], divisor);
}

// The conversions round once under the default rounding mode (nearest, ties
// to even), as the hardware conversion does.
void Int64ToDouble(const std::int64_t* source, Ipp64f* destination, int count) {
  for (int i = 0; i < count; ++i) destination[i] = static_cast<Ipp64f>(source[i]);
}

void UInt64ToDouble(const std::uint64_t* source, Ipp64f* destination, int count) {
  for (int i = 0; i < count; ++i) destination[i] = static_cast<Ipp64f>(source[i]);
}

namespace kernels {

IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm) {
  if (!pSrc || !pNorm) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  long double even = 0.0L, odd = 0.0L;
  auto square = [](const Ipp64fc& x) {
    const long double re = x.re, im = x.im;
    return re * re + im * im;
  };
  int i = 0;
  for (; i + 1 < len; i += 2) {
    even += square(pSrc[i]);
    odd += square(pSrc[i + 1]);
  }
  if (i < len) even += square(pSrc[i]);
  *pNorm = static_cast<Ipp64f>(std::sqrt(odd + even));
  return ippStsNoErr;
}

}  // namespace kernels
}  // namespace tavrel
