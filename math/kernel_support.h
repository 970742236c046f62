#pragma once
// Rounding helpers of the statistics, window, generator and pixel kernels:
// round half to even in extended precision, the way their integer results
// are formed from floating-point intermediates.
//
//   long double r = support::RoundHalfEvenNonNegative(q);   // 2.5 -> 2, 3.5 -> 4
//   long double s = support::RoundHalfEvenSigned(-2.5L);    // -2
#include <cmath>

namespace tavrel::kernels::support {

using Ext = long double;  // the x87 80-bit format on the targets we build for

// e (a value already raised by one half) truncated, one step back when the
// truncation was exact and landed on an odd value: round half to even for
// non-negative values (callers bias negatives into range first).
inline Ext TruncTieToEven(Ext e) {
  Ext r = std::trunc(e);
  if (r == e && std::fmod(r, 2.0L) != 0.0L) r -= 1.0L;
  return r;
}
inline Ext RoundHalfEvenNonNegative(Ext q) { return TruncTieToEven(q + 0.5L); }

// Round half to even for either sign, by the symmetric rule: add 0.5 with
// the sign of the value, truncate, and step back toward zero on an odd tie.
inline Ext RoundHalfEvenSigned(Ext q) {
  const Ext e = q >= 0 ? q + 0.5L : q - 0.5L;
  Ext r = std::trunc(e);
  if (r == e && std::fmod(r, 2.0L) != 0.0L) r += (r > 0 ? -1.0L : 1.0L);
  return r;
}

}  // namespace tavrel::kernels::support
