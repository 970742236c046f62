// Element-wise members of the statistics family: abs, sqr, sqrt, ln, the
// 16-bit conversion, the 32-bit logic operations and the complex routines.
#include <bit>
#include <cmath>
#include <cstdint>

#include "math/kernel_support.h"
#include "math/runtime.h"
#include "math/elementwise.h"
#include "math/fft.h"
#include "math/statistics.h"

namespace tavrel::kernels {
namespace {

using support::Ext;

const double kInvalidNaN = std::bit_cast<double>(std::uint64_t{0xFFF8000000000000u});
const double kPositiveNaN = std::bit_cast<double>(std::uint64_t{0x7FF8000000000000u});

inline std::uint32_t HighWord(double x) {
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 32);
}

template <class In, class Out, class F>
IppStatus Map(const In* src, Out* dst, int len, F f) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) dst[i] = f(src[i]);
  return ippStsNoErr;
}

// ln with the problems recorded: the first one decides the status.
IppStatus Ln(const Ipp64f* src, Ipp64f* dst, int len) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  IppStatus first = ippStsNoErr;
  for (int i = 0; i < len; ++i) {
    const double x = src[i];
    if (std::signbit(x)) {
      dst[i] = kInvalidNaN;
      if (first == ippStsNoErr) first = ippStsLnNegArg;
    } else if ((HighWord(x) & 0x7FF80000u) == 0x7FF80000u) {
      dst[i] = kPositiveNaN;
    } else if (x == 0.0) {
      dst[i] = -HUGE_VAL;
      if (first == ippStsNoErr) first = ippStsLnZeroArg;
    } else {
      dst[i] = CLog(x);
    }
  }
  return first;
}

Ipp64fc ComplexSqrt(Ipp64fc z) {
  const Ext a = 0.5L * z.re;
  const Ext b = 0.5L * z.im;
  const Ext m = std::sqrt(a * a + b * b);
  if (a > 0.0L) {
    const Ext u = std::sqrt(a + m);
    return {static_cast<double>(u), static_cast<double>(b / u)};
  }
  if (a < 0.0L) {
    Ext v = std::sqrt(m - a);
    if (b < 0.0L) v = -v;
    return {static_cast<double>(b / v), static_cast<double>(v)};
  }
  if (b < 0.0L) {
    const double r = static_cast<double>(std::sqrt(-b));
    return {r, -r};
  }
  const double r = static_cast<double>(std::sqrt(b));
  return {r, r};
}

Ipp64fc ComplexSqr(Ipp64fc z) {
  const Ext re = z.re, im = z.im;
  return {static_cast<double>((re - im) * (re + im)), static_cast<double>(2.0L * re * im)};
}

}  // namespace

IppStatus ippsAbs_64f_I(Ipp64f* srcDst, int len) { return ippsAbs_64f(srcDst, srcDst, len); }
IppStatus ippsAbs_64f(const Ipp64f* src, Ipp64f* dst, int len) {
  return Map(src, dst, len, [](double x) { return std::fabs(x); });
}

IppStatus ippsSqr_64f_I(Ipp64f* srcDst, int len) { return ippsSqr_64f(srcDst, srcDst, len); }
IppStatus ippsSqr_64f(const Ipp64f* src, Ipp64f* dst, int len) {
  return Map(src, dst, len, [](double x) { return x * x; });
}

IppStatus ippsSqrt_64f_I(Ipp64f* srcDst, int len) {
  if (srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  bool negative = false;
  for (int i = 0; i < len; ++i) {
    const double x = srcDst[i];
    if (std::isless(x, 0.0)) {
      srcDst[i] = kInvalidNaN;
      negative = true;
    } else if (x != 0.0) {  // NaN passes through sqrt quietly; both zeros stay as they are
      srcDst[i] = std::sqrt(x);
    }
  }
  return negative ? ippStsSqrtNegArg : ippStsNoErr;
}

IppStatus ippsSqrt_64f(const Ipp64f* src, Ipp64f* dst, int len) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  bool invalid = false;
  for (int i = 0; i < len; ++i) {
    const double x = src[i];
    if (std::isgreaterequal(x, 0.0)) {
      dst[i] = std::sqrt(x);
    } else {  // negative or NaN
      dst[i] = kInvalidNaN;
      invalid = true;
    }
  }
  return invalid ? ippStsSqrtNegArg : ippStsNoErr;
}

IppStatus ippsLn_64f_I(Ipp64f* srcDst, int len) { return Ln(srcDst, srcDst, len); }
IppStatus ippsLn_64f(const Ipp64f* src, Ipp64f* dst, int len) { return Ln(src, dst, len); }

IppStatus ippsConvert_16s64f_Sfs(const Ipp16s* src, Ipp64f* dst, int len, int scaleFactor) {
  if (scaleFactor == 0) return Map(src, dst, len, [](Ipp16s x) { return static_cast<double>(x); });
  const int sf = scaleFactor < -1008 ? -1008 : (scaleFactor > 1022 ? 1022 : scaleFactor);
  const double factor = std::ldexp(1.0, -sf);
  return Map(src, dst, len, [factor](Ipp16s x) { return x * factor; });
}

IppStatus ippsAndC_32u_I(Ipp32u value, Ipp32u* srcDst, int len) {
  if (value == 0) return ippsZero_32s(reinterpret_cast<Ipp32s*>(srcDst), len);
  return Map(srcDst, srcDst, len, [value](Ipp32u x) { return x & value; });
}
IppStatus ippsOrC_32u_I(Ipp32u value, Ipp32u* srcDst, int len) {
  return Map(srcDst, srcDst, len, [value](Ipp32u x) { return x | value; });
}
IppStatus ippsXorC_32u_I(Ipp32u value, Ipp32u* srcDst, int len) {
  return Map(srcDst, srcDst, len, [value](Ipp32u x) { return x ^ value; });
}

namespace {
template <class Op>
IppStatus Logic(const Ipp32u* src, Ipp32u* srcDst, int len, Op op) {
  if (src == nullptr || srcDst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) srcDst[i] = op(srcDst[i], src[i]);
  return ippStsNoErr;
}
}  // namespace

IppStatus ippsAnd_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len) {
  return Logic(src, srcDst, len, [](Ipp32u a, Ipp32u b) { return a & b; });
}
IppStatus ippsOr_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len) {
  return Logic(src, srcDst, len, [](Ipp32u a, Ipp32u b) { return a | b; });
}
IppStatus ippsXor_32u_I(const Ipp32u* src, Ipp32u* srcDst, int len) {
  return Logic(src, srcDst, len, [](Ipp32u a, Ipp32u b) { return a ^ b; });
}

IppStatus ippsPowerSpectr_64fc(const Ipp64fc* src, Ipp64f* dst, int len) {
  return Map(src, dst, len, [](Ipp64fc z) {
    return static_cast<double>(static_cast<Ext>(z.im) * z.im + static_cast<Ext>(z.re) * z.re);
  });
}
IppStatus ippsPhase_64fc(const Ipp64fc* src, Ipp64f* dst, int len) {
  return Map(src, dst, len, [](Ipp64fc z) { return CAtan2(z.im, z.re); });
}
IppStatus ippsMagnitude_64fc(const Ipp64fc* src, Ipp64f* dst, int len) {
  // The sum of squares stays in extended precision so large parts do not overflow.
  return Map(src, dst, len, [](Ipp64fc z) {
    return static_cast<double>(
        std::sqrt(static_cast<Ext>(z.re) * z.re + static_cast<Ext>(z.im) * z.im));
  });
}
IppStatus ippsSqr_64fc(const Ipp64fc* src, Ipp64fc* dst, int len) {
  return Map(src, dst, len, ComplexSqr);
}
IppStatus ippsSqr_64fc_I(Ipp64fc* srcDst, int len) { return Map(srcDst, srcDst, len, ComplexSqr); }
IppStatus ippsSqrt_64fc(const Ipp64fc* src, Ipp64fc* dst, int len) {
  return Map(src, dst, len, ComplexSqrt);
}
IppStatus ippsSqrt_64fc_I(Ipp64fc* srcDst, int len) {
  return Map(srcDst, srcDst, len, ComplexSqrt);
}

}  // namespace tavrel::kernels
