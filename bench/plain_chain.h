#pragma once
// The plain reference of the filter benchmarks: FIR stages run as a
// double-precision direct-form loop (a doubled delay line, one double
// accumulator per sample) over interleaved 16-bit frames, rounded half to
// even and clamped to +-32767 between stages, with the per-channel minimum
// and maximum that the application's analysis handler finds; plus the
// random 16-bit test input.
//
//   std::vector<bench::PlainStage> stages;
//   for (const auto& taps : designed) stages.emplace_back(taps, 2);
//   bench::PlainMinMax range = bench::PlainScan(samples, 2);
//   bench::PlainChain(stages, samples, 2);     // in place, state kept
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "bench/support.h"

namespace tavrel::bench {

// One FIR stage over every channel of a stream.
class PlainStage {
 public:
  PlainStage(const std::vector<double>& taps, uint32_t channels)
      : taps_(taps), delay_(channels, std::vector<double>(2 * taps.size(), 0.0)), pos_(channels, 0) {}

  double Step(uint32_t ch, double x) {
    const int L = static_cast<int>(taps_.size());
    std::vector<double>& d = delay_[ch];
    int& p = pos_[ch];
    p = (p == 0 ? L : p) - 1;
    d[p] = x;
    d[p + L] = x;
    double sum = 0.0;
    for (int k = 0; k < L; ++k) sum += taps_[k] * d[p + k];
    return sum;
  }

 private:
  std::vector<double> taps_;
  std::vector<std::vector<double>> delay_;
  std::vector<int> pos_;
};

// Every stage in turn over the interleaved buffer, in place.
inline void PlainChain(std::vector<PlainStage>& stages, std::vector<int16_t>& buffer, uint32_t channels) {
  const size_t frames = buffer.size() / channels;
  for (auto& stage : stages)
    for (uint32_t ch = 0; ch < channels; ++ch)
      for (size_t i = 0; i < frames; ++i) {
        int16_t& s = buffer[i * channels + ch];
        const double y = std::nearbyint(std::fmin(std::fmax(stage.Step(ch, s), -32767.0), 32767.0));
        s = static_cast<int16_t>(y);
      }
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
