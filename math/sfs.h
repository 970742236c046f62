#pragma once
// The scaled-integer rule of every routine with a scale factor ("Sfs"): the
// exact result V of the element operation becomes V * 2^-sf, rounded to the
// nearest integer with ties to even, then saturated to the destination type.
//
//   Ipp8u  d = SfsRound<Ipp8u>(std::int64_t{x} + y, sf);
//   Ipp32s p = SfsRound<Ipp32s>(std::int64_t{x} * y, sf);   // 64-bit product
//
// V is any exact 64-bit value (sums, differences, 32-bit products); the
// scaling runs in 128 bits so no shift count or sign is undefined.
#include <cstdint>
#include <limits>

namespace tavrel {

// V * 2^-sf rounded half to even, unsaturated. Left shifts beyond 63 places
// give a value far outside every destination range, with V's sign.
constexpr __int128 SfsScale(std::int64_t v, int sf) {
  if (sf == 0 || v == 0) return v;
  const __int128 wide = v;
  if (sf > 0) {
    if (sf >= 64) return 0;  // |V| <= 2^63, so at most an exact half: even 0
    const __int128 q = wide >> sf;  // floor
    const __int128 rest = wide - q * (static_cast<__int128>(1) << sf);
    const __int128 half = static_cast<__int128>(1) << (sf - 1);
    return (rest > half || (rest == half && (q & 1) != 0)) ? q + 1 : q;
  }
  if (sf <= -64) return v > 0 ? static_cast<__int128>(1) << 100 : -(static_cast<__int128>(1) << 100);
  return wide * (static_cast<__int128>(1) << -sf);
}

template <class T>
constexpr T SfsSaturate(__int128 r) {
  if (r > std::numeric_limits<T>::max()) return std::numeric_limits<T>::max();
  if (r < std::numeric_limits<T>::min()) return std::numeric_limits<T>::min();
  return static_cast<T>(r);
}

template <class T>
constexpr T SfsRound(std::int64_t v, int sf) {
  return SfsSaturate<T>(SfsScale(v, sf));
}

}  // namespace tavrel
