#pragma once
// Array helpers of the signal buffers that the numeric libraries lack:
// integer division by a constant and 64-bit integer to double conversion.
// They are called directly, not through a routine variable.
//
//   DivConstInt32InPlace(3, samples, n);      // truncates toward zero
//   UInt64ToDouble(counts, values, n);        // 2^64 - 1 gives 2^64
//
// A divisor of 0 throws EDivByZero before any element is touched (the
// process must not die of the processor's division trap); INT_MIN / -1
// gives INT_MAX. A count of 0 or less does nothing.
#include <cstdint>

#include "math/types.h"
#include "platform/exceptions.h"

namespace tavrel {

// Integer division by zero, as the run-time library reports it.
class EDivByZero : public Exception {
 public:
  EDivByZero() : Exception("Division by zero") {}
};

void DivConstInt32InPlace(Ipp32s divisor, Ipp32s* data, int count);
void DivConstInt32(const Ipp32s* source, Ipp32s divisor, Ipp32s* destination, int count);

// Each value rounded once to the nearest double, ties to even.
void Int64ToDouble(const std::int64_t* source, Ipp64f* destination, int count);
void UInt64ToDouble(const std::uint64_t* source, Ipp64f* destination, int count);

namespace kernels {

// sqrt of the sum of |x|^2, with separate partial sums over the even and
// the odd elements (an odd last element goes to the even sum).
IppStatus ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm);

}  // namespace kernels
}  // namespace tavrel
