#pragma once
// The four-filter chain of the FIR benchmarks: the application's four FIR
// stages in a row, all enabled, with their stored settings (41 taps,
// Hamming: low-pass 1500 Hz, band-stop and band-pass 1000-2000 Hz,
// high-pass 5000 Hz), through the components' per-channel filtering, on
// ChainInput() (512 stereo 16-bit frames at 44100 Hz). The captured buffer
// stays shared with its source, as in the graph, so the first stage copies
// it once; the others filter it in place.
//
//   ModuleRun modules(MathModuleSteps());
//   bench::FourStages chain;
//   chain.Run();   // one buffer through the four stages
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/ALFIRChannels.h"
#include "audio/ALFIRTaps.h"
#include "bench/plain_chain.h"
#include "signal/ALAudioBuffer.h"

namespace tavrel::bench {

inline constexpr double kChainBufferNs = 1e9 * 512 / 44100;

inline std::vector<TSLAReal> FourStageTaps() {
  const TALFIRParams stages[] = {
      {TALFIRKind::LowPass, 41, wtHamming, 1.0, 1500.0, 1500.0, 3500.0},
      {TALFIRKind::BandStop, 41, wtHamming, 1.0, 0.0, 1000.0, 2000.0},
      {TALFIRKind::BandPass, 41, wtHamming, 1.0, 0.0, 1000.0, 2000.0},
      {TALFIRKind::HighPass, 41, wtHamming, 1.0, 5000.0, 1500.0, 3500.0},
  };
  std::vector<TSLAReal> taps;
  for (const TALFIRParams& p : stages) {
    taps.emplace_back();
    CalculateFIRTaps(p, 44100, taps.back());
  }
  return taps;
}

inline TALWaveFormatExtensible FourStageFormat() {
  auto b = TALAudioBuffer::CreateSize(44100, 16, 2, 1);
  TALWaveFormatExtensible f;
  b->GetWaveFormat(f);
  return f;
}

struct FourStages {
  TSLSmartBufferManager pool;
  Ref<TALAudioBuffer> captured;
  std::vector<TALFIRChannels> stages = std::vector<TALFIRChannels>(4);

  FourStages() {
    const std::vector<int16_t> samples = ChainInput();
    captured = TALAudioBuffer::CreateData(samples.data(), 44100, 16, 2, 512, pool);
    const auto taps = FourStageTaps();
    for (size_t i = 0; i < 4; ++i) stages[i].Open(FourStageFormat(), taps[i]);
  }
  void Run() {
    auto buffer = TALAudioBuffer::CreateEx(*captured);
    for (auto& stage : stages) stage.Process(*buffer);
    benchmark::DoNotOptimize(buffer->Read());
  }
};

}  // namespace tavrel::bench
