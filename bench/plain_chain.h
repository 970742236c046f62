#pragma once
// The plain reference of the filter benchmarks: FIR stages in double
// precision over interleaved 16-bit frames, rounded half to even and
// clamped to +-32767 between stages, with the per-channel minimum and
// maximum that the application's analysis handler finds; plus the random
// 16-bit test input.
//
// Each stage filters a channel's block at a time, tap by tap across the
// block, so the compiler vectorises over the samples (built for plain
// x86-64 with an AVX2 clone chosen at run time, as our kernels are). Every
// sample's sum still runs over the taps in order from 0.0, so the results
// are those of a direct-form loop with one double accumulator per sample.
//
//   std::vector<bench::PlainStage> stages;
//   for (const auto& taps : designed) stages.emplace_back(taps, 2);
//   bench::PlainMinMax range = bench::PlainScan(samples, 2);
//   bench::PlainChain(stages, samples, 2);     // in place, state kept
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bench/support.h"

namespace tavrel::bench {

// One channel of an interleaved block through one stage, in place: x holds
// the L - 1 inputs before the block, then the block's; y[i] = sum over k of
// taps[k] x[i + L - 1 - k] is rounded to even (the sum of 1.5 x 2^52 and
// its removal, exact below 2^51) after clamping.
[[gnu::target_clones("avx2", "default")]] inline void PlainFilter(const double* taps, std::size_t L, double* x,
                                                                   double* y, int16_t* samples, std::size_t frames,
                                                                   uint32_t channel, uint32_t channels) {
  for (std::size_t i = 0; i < frames; ++i) x[L - 1 + i] = samples[i * channels + channel];
  std::fill(y, y + frames, 0.0);
  for (std::size_t k = 0; k < L; ++k) {
    const double t = taps[k];
    const double* from = x + (L - 1 - k);
    for (std::size_t i = 0; i < frames; ++i) y[i] += t * from[i];
  }
  constexpr double kRound = 6755399441055744.0;
  for (std::size_t i = 0; i < frames; ++i) {
    const double v = y[i] < -32767.0 ? -32767.0 : y[i] > 32767.0 ? 32767.0 : y[i];
    samples[i * channels + channel] = static_cast<int16_t>((v + kRound) - kRound);
  }
}

// One FIR stage over every channel of a stream.
class PlainStage {
 public:
  PlainStage(const std::vector<double>& taps, uint32_t channels)
      : taps_(taps), history_(channels, std::vector<double>(taps.size() - 1, 0.0)) {}

  // One channel of an interleaved block, in place.
  void Filter(int16_t* samples, size_t frames, uint32_t channel, uint32_t channels) {
    const size_t L = taps_.size();
    std::vector<double>& h = history_[channel];
    x_.resize(L - 1 + frames);
    y_.resize(frames);
    std::copy(h.begin(), h.end(), x_.begin());
    PlainFilter(taps_.data(), L, x_.data(), y_.data(), samples, frames, channel, channels);
    std::copy(x_.end() - static_cast<std::ptrdiff_t>(L - 1), x_.end(), h.begin());
  }

 private:
  std::vector<double> taps_;
  std::vector<std::vector<double>> history_;  // per channel, the last L - 1 inputs, oldest first
  std::vector<double> x_, y_;
};

// Every stage in turn over the interleaved buffer, in place.
inline void PlainChain(std::vector<PlainStage>& stages, std::vector<int16_t>& buffer, uint32_t channels) {
  const size_t frames = buffer.size() / channels;
  for (auto& stage : stages)
    for (uint32_t ch = 0; ch < channels; ++ch) stage.Filter(buffer.data(), frames, ch, channels);
}

// Per channel, starting from 0: a maximum is never below 0, a minimum never above.
struct PlainMinMax {
  std::vector<int32_t> min, max;
};

inline PlainMinMax PlainScan(const std::vector<int16_t>& buffer, uint32_t channels) {
  PlainMinMax r{std::vector<int32_t>(channels, 0), std::vector<int32_t>(channels, 0)};
  const size_t frames = buffer.size() / channels;
  for (size_t i = 0; i < frames; ++i)
    for (uint32_t ch = 0; ch < channels; ++ch) {
      const int32_t s = buffer[i * channels + ch];
      r.max[ch] = std::max(r.max[ch], s);
      r.min[ch] = std::min(r.min[ch], s);
    }
  return r;
}

// n samples uniform in [-scale, scale], the same for the same seed.
inline std::vector<int16_t> RandomSamples16(size_t n, double scale, unsigned seed) {
  const auto v = RandomValues(n, seed);
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = int16_t(std::lround(v[i] * scale));
  return s;
}

// The buffer every chain benchmark filters: 512 stereo 16-bit frames of
// noise at up to 20000, the same in every program.
inline std::vector<int16_t> ChainInput() { return RandomSamples16(512 * 2, 20000.0, 11); }

}  // namespace tavrel::bench
