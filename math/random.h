#pragma once
// Random fills: uniform doubles, uniform and Gaussian 16-bit values.
//
//   unsigned seed = 7;
//   kernels::ippsRandUniform_Direct_64f(out, n, -1.0, 1.0, &seed);  // seed advances
//   kernels::ippsRandGauss_Direct_16s(pcm, n, 0, 1000, &seed);
//
// All three share one lagged-Fibonacci-with-borrow generator mixed with a
// congruential one. The caller's seed is the only state: each call re-derives
// the lagged words from it and restarts the rest, so two calls of m and n
// values differ from one call of m + n values.
#include <cstdint>

#include "math/types.h"

namespace tavrel::kernels {

IppStatus ippsRandUniform_Direct_64f(Ipp64f* dst, int len, Ipp64f low, Ipp64f high,
                                     unsigned int* seed);
IppStatus ippsRandUniform_Direct_16s(Ipp16s* dst, int len, Ipp16s low, Ipp16s high,
                                     unsigned int* seed);
IppStatus ippsRandGauss_Direct_16s(Ipp16s* dst, int len, Ipp16s mean, Ipp16s stdDev,
                                   unsigned int* seed);

// The generator itself, exposed for tests of the sequences.
class LaggedRandom {
 public:
  explicit LaggedRandom(std::uint32_t seed)
      : w1_(seed), w2_(seed * 69069u + 1013904243u), w3_(seed * 475559465u + 924302730u) {}

  // One lagged word r (the value the seed takes when it is the last).
  std::uint32_t Draw() {
    const std::uint32_t t = w2_ - w3_ - borrow_;
    borrow_ = static_cast<std::int32_t>(t) < 0 ? 1u : 0u;
    const std::uint32_t r = t - 18u * borrow_;
    w3_ = w2_;
    w2_ = w1_;
    w1_ = r;
    return r;
  }
  // One draw plus one congruential step: u = r + g as a signed value.
  std::int32_t Next() {
    const std::uint32_t r = Draw();
    g_ = g_ * 69069u + 1013904243u;
    return static_cast<std::int32_t>(r + g_);
  }
  std::uint32_t& Congruential() { return g_; }
  std::uint32_t Last() const { return w1_; }

 private:
  std::uint32_t w1_, w2_, w3_;
  std::uint32_t borrow_ = 1;
  std::uint32_t g_ = 1131199209u;
};

}  // namespace tavrel::kernels
