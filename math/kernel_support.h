#pragma once
// Shared helpers of the statistics, window, generator and pixel kernels:
// the extended-precision elementary functions they build on and the
// round-half-to-even step of the scaled integer results.
//
//   double c = support::Cos(x);          // cos in extended precision, one rounding
//   long double r = support::RoundHalfEvenNonNegative(q);
#include <cmath>

namespace tavrel::kernels::support {

using Ext = long double;  // the x87 80-bit format on the targets we build for

inline double Cos(double x) { return static_cast<double>(std::cos(static_cast<Ext>(x))); }
inline double Sin(double x) { return static_cast<double>(std::sin(static_cast<Ext>(x))); }
inline double Sqrt(double x) { return static_cast<double>(std::sqrt(static_cast<Ext>(x))); }
inline double Exp(double x) { return static_cast<double>(std::exp(static_cast<Ext>(x))); }
inline double Log(double x) { return static_cast<double>(std::log(static_cast<Ext>(x))); }
inline double Atan2(double y, double x) {
  return static_cast<double>(std::atan2(static_cast<Ext>(y), static_cast<Ext>(x)));
}

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
