#include "math/random.h"

#include <cmath>

#include "math/kernel_support.h"
#include "math/runtime.h"

namespace tavrel::kernels {
namespace {

using support::Ext;

constexpr Ext kTwoPowMinus32 = 1.0L / 4294967296.0L;
constexpr Ext kTwoPowMinus31 = 1.0L / 2147483648.0L;

Ipp16s Saturate16(Ext v) {
  if (!(v > -32768.0L)) return -32768;
  if (v > 32767.0L) return 32767;
  return static_cast<Ipp16s>(v);
}

struct GaussPair {
  Ext w, a, q;
};

// Polar method: draw (w, a) in the unit disc, excluding the centre.
GaussPair DrawPair(LaggedRandom& gen) {
  for (;;) {
    const std::uint32_t r1 = gen.Draw();
    const std::uint32_t r2 = gen.Draw();
    std::uint32_t& g = gen.Congruential();
    const std::uint32_t g1 = g * 69069u + 1013904243u;
    const std::uint32_t g2 = g * 475559465u + 924302730u;
    g = g2;
    const Ext w = kTwoPowMinus31 * static_cast<std::int32_t>(r1 + g1);
    const Ext a = kTwoPowMinus31 * static_cast<std::int32_t>(r2 + g2);
    const Ext q = w * w + a * a;
    if (q < 1.0L && q != 0.0L) return {w, a, q};
  }
}

}  // namespace

IppStatus ippsRandUniform_Direct_64f(Ipp64f* dst, int len, Ipp64f low, Ipp64f high,
                                     unsigned int* seed) {
  if (dst == nullptr || seed == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  const Ext scale = (static_cast<Ext>(high) - low) * kTwoPowMinus32;
  const Ext mid = (static_cast<Ext>(low) + high) * 0.5L;
  LaggedRandom gen(*seed);
  for (int i = 0; i < len; ++i) dst[i] = static_cast<double>(mid + scale * gen.Next());
  *seed = gen.Last();
  return ippStsNoErr;
}

IppStatus ippsRandUniform_Direct_16s(Ipp16s* dst, int len, Ipp16s low, Ipp16s high,
                                     unsigned int* seed) {
  if (dst == nullptr || seed == nullptr) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  const Ext scale = (static_cast<Ext>(high) - low) * kTwoPowMinus32;
  const Ext mid = (static_cast<Ext>(low) + high) * 0.5L;
  LaggedRandom gen(*seed);
  for (int i = 0; i < len; ++i) dst[i] = Saturate16(std::trunc(mid + scale * gen.Next()));
  *seed = gen.Last();
  return ippStsNoErr;
}

IppStatus ippsRandGauss_Direct_16s(Ipp16s* dst, int len, Ipp16s mean, Ipp16s stdDev,
                                   unsigned int* seed) {
  if (dst == nullptr || seed == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  const Ext m = mean;
  const Ext sd = stdDev;
  LaggedRandom gen(*seed);
  GaussPair p = DrawPair(gen);
  int i = 0;
  for (; len - i >= 2; i += 2) {
    const Ext v = std::sqrt(-2.0L * CLog(static_cast<double>(p.q)) / p.q);
    dst[i] = Saturate16(std::trunc(sd * v * p.a + m));
    dst[i + 1] = Saturate16(std::trunc(m + sd * v * p.w));
    p = DrawPair(gen);
  }
  if (i < len) {
    const Ext v = std::sqrt(-2.0L * CLog(static_cast<double>(p.q)) / p.q);
    dst[i] = Saturate16(std::trunc(m + p.a * (sd * v)));
  }
  *seed = gen.Last();
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
