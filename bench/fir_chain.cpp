// The application's four FIR stages in a row, all enabled, with their stored
// settings (41 taps, Hamming: low-pass 1500 Hz, band-stop and band-pass
// 1000-2000 Hz, high-pass 5000 Hz), on one 512-frame stereo 16-bit buffer
// at 44100 Hz: the per-channel filtering of the components (a shared buffer
// is copied once, then filtered in place by each stage) against a plain
// double-precision direct-form loop doing the same four filterings with the
// same rounding and clamping between stages. Prints ns per buffer and the
// real-time factor (buffer duration / processing time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/ALFIRChannels.h"
#include "audio/ALFIRTaps.h"
#include "bench/fir_chain_bench.h"
#include "bench/plain_chain.h"
#include "bench/support.h"
#include "math/binding.h"
#include "platform/modules.h"

namespace {

using namespace tavrel;

using bench::kChainBufferNs;
constexpr uint32_t kFrames = 512, kChannels = 2, kBits = 16, kRate = 44100;
constexpr double kBufferNs = kChainBufferNs;

std::vector<TSLAReal> StoredChainTaps() { return bench::FourStageTaps(); }
std::vector<int16_t> Input() { return bench::ChainInput(); }
TALWaveFormatExtensible Format() { return bench::FourStageFormat(); }

void Chain(benchmark::State& state) {
  bench::FourStages chain;
  for (auto _ : state) chain.Run();
}

// A property change on all four stages: new taps, new states primed with
// the ring, as the processing thread does before the next buffer.
void Redesign(benchmark::State& state) {
  TSLSmartBufferManager pool;
  const std::vector<int16_t> samples = Input();
  auto captured = TALAudioBuffer::CreateData(samples.data(), kRate, kBits, kChannels, kFrames, pool);
  std::vector<TALFIRChannels> stages(4);
  const auto taps = StoredChainTaps();
  for (size_t i = 0; i < 4; ++i) {
    stages[i].Open(Format(), taps[i]);
    stages[i].Process(*captured);
  }
  TALFIRParams params[] = {
      {TALFIRKind::LowPass, 41, wtKaiser, 1.0, 1500.0, 1500.0, 3500.0},
      {TALFIRKind::BandStop, 41, wtKaiser, 1.0, 0.0, 1000.0, 2000.0},
      {TALFIRKind::BandPass, 41, wtKaiser, 1.0, 0.0, 1000.0, 2000.0},
      {TALFIRKind::HighPass, 41, wtKaiser, 1.0, 5000.0, 1500.0, 3500.0},
  };
  TSLAReal t;
  for (auto _ : state) {
    for (size_t i = 0; i < 4; ++i) {
      params[i].Alpha += 0.001;
      CalculateFIRTaps(params[i], kRate, t);
      stages[i].Redesign(t);
    }
  }
}

void Plain(benchmark::State& state) {
  const std::vector<int16_t> input = Input();
  std::vector<int16_t> buffer(input.size());
  std::vector<bench::PlainStage> stages;
  for (const auto& t : StoredChainTaps()) stages.emplace_back(t, kChannels);
  for (auto _ : state) {
    std::memcpy(buffer.data(), input.data(), input.size() * sizeof(int16_t));
    bench::PlainChain(stages, buffer, kChannels);
    benchmark::DoNotOptimize(buffer.data());
  }
}

// Both sides on one fresh buffer: the largest difference in LSB (the plain
// loop sums in double, the filter in long double, so a stage may differ by
// one where its sum lies near a half).
int LargestDifference() {
  const std::vector<int16_t> input = Input();
  std::vector<int16_t> plain = input;
  std::vector<bench::PlainStage> plainStages;
  for (const auto& t : StoredChainTaps()) plainStages.emplace_back(t, kChannels);
  bench::PlainChain(plainStages, plain, kChannels);
  TSLSmartBufferManager pool;
  auto buffer = TALAudioBuffer::CreateData(input.data(), kRate, kBits, kChannels, kFrames, pool);
  std::vector<TALFIRChannels> stages(4);
  const auto taps = StoredChainTaps();
  for (size_t i = 0; i < 4; ++i) stages[i].Open(Format(), taps[i]);
  for (auto& stage : stages) stage.Process(*buffer);
  std::vector<int16_t> ours(input.size());
  std::memcpy(ours.data(), buffer->Read(), ours.size() * sizeof(int16_t));
  int largest = 0;
  for (size_t i = 0; i < ours.size(); ++i) largest = std::max(largest, std::abs(ours[i] - plain[i]));
  return largest;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ModuleRun modules(MathModuleSteps());
  benchmark::RegisterBenchmark("fir_chain", Chain);
  benchmark::RegisterBenchmark("plain_direct_form", Plain);
  benchmark::RegisterBenchmark("redesign_four_stages", Redesign);
  bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  const double ours = table.Time("fir_chain"), plain = table.Time("plain_direct_form");
  std::printf("\nFour FIR stages (41 taps each), 512 stereo 16-bit frames at 44100 Hz (%.0f us of sound)\n",
              kBufferNs / 1e3);
  std::printf("%-22s %10.0f ns/buffer  real-time factor %8.1f\n", "filter channels", ours, kBufferNs / ours);
  std::printf("%-22s %10.0f ns/buffer  real-time factor %8.1f\n", "plain double loop", plain, kBufferNs / plain);
  std::printf("ratio %.2f (filter channels / plain loop); outputs differ by at most %d LSB\n", ours / plain,
              LargestDifference());
  std::printf("one FIR stage: %.2f ns per sample (4 stages x %u frames x %u channels)\n",
              ours / (4.0 * kFrames * kChannels), kFrames, kChannels);
  const double redesign = table.Time("redesign_four_stages");
  std::printf("redesign of all four stages (design, states, priming with 20 frames): %.1f us, %.2f buffers' work\n",
              redesign / 1e3, redesign / ours);
  benchmark::Shutdown();
  return 0;
}
