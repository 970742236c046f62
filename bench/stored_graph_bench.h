#pragma once
// What the benchmarks of the stored audio graph share: the module start-up
// of a program built on the audio folder, the analysis tap's work (each
// channel's minimum and maximum through GetSample, as the application's
// analysis handler finds them), the taps of the stages that filter, and the
// graph driven from its capture pin with sinks on its open ends.
//
//   ModuleRun modules(bench::AudioProgramModules());
//   bench::TapResult tap;
//   auto graph = LoadStoredGraph([&](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>&, bool&) {
//     bench::Analyse(*in, tap);
//   });
//   bench::CheckAllFilterBoxes(*graph);        // band-stop, band-pass, high-pass on too
//   bench::PlainGraphWork(state, bench::FilteringTaps(*graph, 44100), input, 2);
//
//   bench::GraphChain chain(true);   // all four filters on, ChainInput() held as the captured buffer
//   chain.Submit();                  // one buffer down the stored links
#include <atomic>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include <cstring>

#include "audio/ALFIRTaps.h"
#include "audio/modules.h"
#include "audio/tests/stored_graph.h"
#include "bench/plain_chain.h"
#include "signal/modules.h"

namespace tavrel::bench {

inline std::vector<ModuleStep> AudioProgramModules() {
  std::vector<ModuleStep> steps = SignalStackModules();
  for (auto& step : AudioModules()) steps.push_back(std::move(step));
  return steps;
}

// What the tap found in the last buffer of a stereo stream. The buffer count
// is the only field read across threads while the graph runs.
struct TapResult {
  int32_t min[2] = {}, max[2] = {};
  std::atomic<uint64_t> buffers{0};
};

inline void Analyse(const TALAudioBuffer& in, TapResult& r) {
  int32_t minL = 0, maxL = 0, minR = 0, maxR = 0;
  const uint32_t n = in.GetSize();
  for (uint32_t i = 0; i < n; ++i) {
    const int32_t L = in.GetSample(i, 0), R = in.GetSample(i, 1);
    if (L > maxL) maxL = L;
    if (L < minL) minL = L;
    if (R > maxR) maxR = R;
    if (R < minR) minR = R;
  }
  r.min[0] = minL, r.max[0] = maxL, r.min[1] = minR, r.max[1] = maxR;
  r.buffers.fetch_add(1, std::memory_order_release);
}

// The taps of the FIR stages that filter, in chain order, designed from the
// components' properties: a stage filters when it is enabled and its output
// has a link.
inline std::vector<TSLAReal> FilteringTaps(const TStoredGraphForm& graph, double rate) {
  std::vector<TSLAReal> taps;
  auto add = [&](TALCommonFIRFilter& f, TALFIRParams p) {
    if (!f.Enabled() || !f.OutputPin()->IsConnected()) return;
    p.NumTaps = f.NumTaps();
    p.WindowType = f.WindowType();
    p.Alpha = f.Alpha();
    taps.emplace_back();
    CalculateFIRTaps(p, rate, taps.back());
  };
  auto single = [](TALFIRKind kind, double f) {
    TALFIRParams p{kind};
    p.Frequency = f;
    return p;
  };
  auto band = [](TALFIRKind kind, const TALBandFilter& f) {
    TALFIRParams p{kind};
    p.FreqLow = f.FreqLow();
    p.FreqHigh = f.FreqHigh();
    return p;
  };
  add(*graph.ALLowPass1(), single(TALFIRKind::LowPass, graph.ALLowPass1()->Frequency()));
  add(*graph.ALBandStop1(), band(TALFIRKind::BandStop, *graph.ALBandStop1()));
  add(*graph.ALBandPass1(), band(TALFIRKind::BandPass, *graph.ALBandPass1()));
  add(*graph.ALHighPass1(), single(TALFIRKind::HighPass, graph.ALHighPass1()->Frequency()));
  return taps;
}

// What checking the three other filter boxes does: the low-pass is stored on.
inline void CheckAllFilterBoxes(TStoredGraphForm& graph) {
  graph.ALBandStop1()->SetEnabled(true);
  graph.ALBandPass1()->SetEnabled(true);
  graph.ALHighPass1()->SetEnabled(true);
}

// A sink on an end the stored links leave open; keeps the last buffer when asked.
struct EndSink {
  uint64_t buffers = 0;
  bool keep = false;
  std::vector<int16_t> last;
  TALOWAudioSinkPin pin;
  explicit EndSink(TComponent* owner)
      : pin(owner, nullptr,
            TSLOperationEvent([this](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState) {
              if (auto* supplied = dynamic_cast<TOWSuppliedBufferOperation*>(op->Instance())) {
                ++buffers;
                if (keep) {
                  auto audio = TALAudioBuffer::CreateUniversal(*supplied->Buffer);
                  last.resize(audio->GetSize() * audio->GetChannels());
                  std::memcpy(last.data(), audio->Read(), last.size() * sizeof(int16_t));
                }
              }
              return TOWNotifyResult{};
            })) {}
};

struct GraphChain {
  TapResult tap;
  ComponentPtr<TStoredGraphForm> graph;
  EndSink tapEnd, highPassEnd;
  Ref<TALAudioBuffer> captured;

  explicit GraphChain(bool allFour)
      : graph(LoadStoredGraph([this](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>&, bool&) {
          Analyse(*in, tap);
        })),
        tapEnd(graph.get()),
        highPassEnd(graph.get()) {
    tapEnd.pin.Connect(graph->ALGenericFilter1()->OutputPin());
    highPassEnd.pin.Connect(graph->ALHighPass1()->OutputPin());
    if (allFour) CheckAllFilterBoxes(*graph);
    TALAudioIn& in = *graph->ALAudioIn1();
    const TALWaveFormatExtensible format = *in.AudioFormat()->GetWaveFormat();
    const std::vector<int16_t> samples = ChainInput();
    captured = TALAudioBuffer::CreateData(samples.data(), format.nSamplesPerSec, format.wValidBitsPerSample,
                                          format.nChannels, in.AudioFormat()->BufferSize());
    in.OutputPin()->Notify(MakeRef<TOWStartWaveOperation>(&format, false).get());
  }
  ~GraphChain() {
    graph->ALAudioIn1()->OutputPin()->EndStop();
    tapEnd.pin.Disconnect();
    highPassEnd.pin.Disconnect();
  }

  // One filled capture buffer down the stored links. It stays held, as the
  // capture component holds its buffer while the graph runs, so the first
  // filter that writes makes its own copy.
  void Submit() {
    captured->GetTimeStamp().SetAvailable(false);
    graph->ALAudioIn1()->OutputPin()->SubmitBuffer(*captured);
  }
};

// The plain reference loop of the graph benchmarks: per buffer, the input
// copied as a capture would fill it, its minimum and maximum, then the
// filtering stages in place.
inline void PlainGraphWork(benchmark::State& state, const std::vector<TSLAReal>& taps,
                           const std::vector<int16_t>& input, uint32_t channels) {
  std::vector<PlainStage> stages;
  for (const auto& t : taps) stages.emplace_back(t, channels);
  std::vector<int16_t> buffer(input.size());
  for (auto _ : state) {
    std::memcpy(buffer.data(), input.data(), input.size() * sizeof(int16_t));
    PlainMinMax range = PlainScan(buffer, channels);
    PlainChain(stages, buffer, channels);
    benchmark::DoNotOptimize(range);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["stages"] = benchmark::Counter(double(stages.size()));
}

}  // namespace tavrel::bench
