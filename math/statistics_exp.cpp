// e^x over arrays: short arrays element by element through the run-time
// exponential; longer ones screened by the high word of each element, the
// in-range ones computed four at a time by a Cody-Waite reduction and a
// rational approximation.
#include <bit>
#include <cmath>
#include <cstdint>

#include "math/kernel_support.h"
#include "math/runtime.h"
#include "math/statistics.h"

namespace tavrel::kernels {
namespace {

using support::Ext;

constexpr std::uint32_t kOverflowHigh = 0x40862E42u;   // 709.7822265625
constexpr std::uint32_t kUnderflowHigh = 0x4086232Bu;  // |-708.39599609375|

double Reduced(double x) {
  // The constants are doubles (ln 2 high part has trailing zero bits so that
  // k * kLn2Hi is exact); the arithmetic runs in extended precision.
  constexpr double kLog2e = 1.4426950408889634;
  constexpr double kLn2Hi = 0.6931471803691238;
  constexpr double kLn2Lo = 1.9082149292705877e-10;
  constexpr double P1 = 0.16666666666666602, P2 = -0.0027777777777015593,
                   P3 = 6.613756321437934e-05, P4 = -1.6533902205465252e-06,
                   P5 = 4.1381367970572385e-08;
  const Ext k = std::nearbyint(static_cast<Ext>(x) * kLog2e);
  const Ext hi = x - k * kLn2Hi;
  const Ext lo = k * kLn2Lo;
  const Ext r = hi - lo;
  const Ext t = r * r;
  const Ext c = r - t * (P1 + t * (P2 + t * (P3 + t * (P4 + t * P5))));
  const Ext y = 1.0L - ((lo - (r * c) / (2.0L - c)) - hi);
  // Adding k to the exponent of y: exact, the screen keeps y*2^k normal.
  return std::ldexp(static_cast<double>(y), static_cast<int>(k));
}

IppStatus Exp(const Ipp64f* src, Ipp64f* dst, int len) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (len < 4) {
    for (int i = 0; i < len; ++i) dst[i] = CExp(src[i]);
    return ippStsNoErr;
  }
  int queued[4];
  int count = 0;
  for (int i = len - 1; i >= 0; --i) {
    const double x = src[i];
    if (std::isnan(x)) {
      dst[i] = x;
      continue;
    }
    const std::uint32_t high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 32);
    if (!std::signbit(x) && high >= kOverflowHigh) {
      dst[i] = HUGE_VAL;
    } else if (std::signbit(x) && (high & 0x7FFFFFFFu) >= kUnderflowHigh) {
      dst[i] = 0.0;
    } else {
      queued[count++] = i;
      if (count == 4) {
        double y[4];
        for (int j = 0; j < 4; ++j) y[j] = Reduced(src[queued[j]]);
        for (int j = 0; j < 4; ++j) dst[queued[j]] = y[j];
        count = 0;
      }
    }
  }
  for (int j = 0; j < count; ++j) dst[queued[j]] = CExp(src[queued[j]]);
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsExp_64f_I(Ipp64f* srcDst, int len) { return Exp(srcDst, srcDst, len); }
IppStatus ippsExp_64f(const Ipp64f* src, Ipp64f* dst, int len) { return Exp(src, dst, len); }

}  // namespace tavrel::kernels
