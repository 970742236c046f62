// The capture thread's work per 512-frame buffer through the whole stored
// graph, loaded from the main window's form data (capture, analysis tap,
// the four filters, playback), on the fake wave backend, started as the
// application starts it (playback enabled, then capture).
//
// The fake clock advances one 512-frame buffer per iteration, in steps of
// the fake's 64-frame period, waiting after each step until the fake's
// capture and playback streams have moved their frames, so that playback
// drains as fast as capture fills and the driver queue keeps the depth the
// prefill gave it. An iteration ends once the capture component has queued
// its replacement buffer.
//
// The measured time is the CPU time of the capture component's wave thread
// over that iteration: waking for the filled buffer, the whole downstream
// graph on that thread (tap handler, filters, the playback component taking
// the buffer), unpreparing it and queuing a new one. Once playback runs, a
// new buffer waits in the playback component's queue and is written to the
// driver when a played buffer comes back, on the playback component's own
// wave thread: its CPU time per buffer is reported beside it. The driver
// threads of the fake backend are not counted (they stand for the sound
// system). The fake's call log is replaced by counters, so its growth
// costs nothing per buffer.
//
// Two settings: the stored one (only the low-pass enabled) and all four
// filter boxes checked, where the high-pass, whose output has no link,
// passes its buffers on unfiltered. Each is printed as ns per buffer and as
// a fraction of the buffer's 11.6 ms, next to a plain double-precision loop
// doing the same filtering and the same minimum and maximum, with the heap
// allocations the capture wave thread makes per buffer and the wall time
// from the clock step that fills a buffer to its replacement being queued
// (which adds the fake driver's read and the thread hand-over to the work).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

#include "bench/alloc_counter.h"
#include "bench/counting_backend.h"
#include "bench/plain_chain.h"
#include "bench/stored_graph_bench.h"
#include "bench/support.h"
#include "platform/wave/fake_backend.h"

namespace {

using namespace tavrel;

constexpr uint32_t kFrames = 512, kChannels = 2, kRate = 44100;
constexpr uint32_t kPeriod = FakeWaveBackend::kPeriodFrames;
constexpr double kBufferNs = 1e9 * kFrames / kRate;

struct Engine {
  std::shared_ptr<bench::CountingBackend> backend = std::make_shared<bench::CountingBackend>();
  WaveBackendScope use{backend};
  bench::TapResult tap;
  std::atomic<uint64_t> tapThreadAllocations{0};  // the capture wave thread's, as the tap saw them
  pthread_t tapThread{};                           // the capture wave thread, written before the count
  ComponentPtr<TStoredGraphForm> graph;
  std::optional<bench::ThreadCpuClock> captureThread, playbackThread;
  bool running = false;

  explicit Engine(bool allFour)
      : graph(LoadStoredGraph([this](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>&, bool&) {
          if (tap.buffers.load(std::memory_order_relaxed) == 0) tapThread = pthread_self();
          bench::Analyse(*in, tap);
          tapThreadAllocations.store(bench::ThreadHeapAllocations(), std::memory_order_relaxed);
        })) {
    if (allFour) bench::CheckAllFilterBoxes(*graph);
    graph->ALAudioOut1()->SetEnabled(true);  // playback first, then capture
    graph->ALAudioIn1()->SetEnabled(true);
    // Through the prefill to steady playback.
    while (backend->restarts.load() == 0)
      if (!Buffer()) return;
    for (int i = 0; i < 8; ++i)
      if (!Buffer()) return;
    if (tap.buffers.load(std::memory_order_acquire) > 0) captureThread = bench::ThreadCpuClock::Of(tapThread);
    playbackThread = bench::ThreadCpuClock::Find("ALAudioOut1.TALWaveThread");
    running = captureThread && playbackThread;
  }
  ~Engine() {
    graph->ALAudioIn1()->SetEnabled(false);  // capture off first, as the application stops
    graph->ALAudioOut1()->SetEnabled(false);
    graph.reset();
  }

  // One buffer's worth of the fake clock; true once the capture component
  // has handled the filled buffer and queued its replacement.
  bool Buffer() {
    const uint64_t adds = backend->captureAdds.load() + 1;
    const uint64_t moves = backend->restarts.load() > 0 ? 2 : 1;  // capture read, playback write
    for (uint32_t step = 0; step < kFrames; step += kPeriod) {
      const uint64_t before = backend->Transfers();
      if (step + kPeriod >= kFrames) lastStep = std::chrono::steady_clock::now();
      backend->Advance(kPeriod);
      if (!bench::WaitFor([&] { return backend->Transfers() >= before + moves; })) return false;
    }
    if (!bench::WaitFor([&] { return backend->captureAdds.load() >= adds; })) return false;
    latency = std::chrono::steady_clock::now() - lastStep;
    return true;
  }
  // Of the last buffer: from the clock step that filled it to its replacement being queued.
  std::chrono::steady_clock::time_point lastStep;
  std::chrono::steady_clock::duration latency{};

  // Buffers written to the playback driver and not yet played.
  int64_t PlaybackDepth() const {
    return int64_t(backend->playbackWrites.load()) - int64_t(backend->playbackDone.load());
  }
};

void CaptureThread(benchmark::State& state, bool allFour) {
  Engine engine(allFour);
  if (!engine.running) {
    state.SkipWithError("the engine did not reach steady playback");
    return;
  }
  const int64_t depth = engine.PlaybackDepth();
  const uint64_t buffers = engine.tap.buffers.load(std::memory_order_acquire);
  const uint64_t allocations = engine.tapThreadAllocations.load();
  const uint64_t failures = engine.backend->failures.load();  // the first start pauses a device never opened
  uint64_t playbackNs = 0;
  double latencyNs = 0;
  for (auto _ : state) {
    const uint64_t c0 = engine.captureThread->Nanoseconds(), p0 = engine.playbackThread->Nanoseconds();
    if (!engine.Buffer()) {
      state.SkipWithError("the engine stalled");
      break;
    }
    const uint64_t c1 = engine.captureThread->Nanoseconds(), p1 = engine.playbackThread->Nanoseconds();
    state.SetIterationTime(double(c1 - c0) * 1e-9);
    playbackNs += p1 - p0;
    latencyNs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(engine.latency).count());
  }
  const double n = double(state.iterations());
  state.counters["playback_thread_ns"] = benchmark::Counter(double(playbackNs) / n);
  state.counters["latency_ns"] = benchmark::Counter(latencyNs / n);
  state.counters["capture_allocs/buffer"] =
      benchmark::Counter(double(engine.tapThreadAllocations.load() - allocations) / n);
  state.counters["driver_depth_change"] = benchmark::Counter(double(engine.PlaybackDepth() - depth));
  if (engine.tap.buffers.load(std::memory_order_acquire) - buffers != uint64_t(state.iterations()))
    state.SkipWithError("the tap missed a buffer");
  if (engine.backend->failures.load() != failures) state.SkipWithError("a wave call failed");
}

// The plain loop doing this setting's filtering and minimum and maximum.
void Plain(benchmark::State& state, bool allFour) {
  auto graph = LoadStoredGraph();
  if (allFour) bench::CheckAllFilterBoxes(*graph);
  bench::PlainGraphWork(state, bench::FilteringTaps(*graph, kRate),
                        bench::RandomSamples16(kFrames * kChannels, 20000.0, 11), kChannels);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ModuleRun modules(bench::AudioProgramModules());

  benchmark::RegisterBenchmark("capture_thread/stored", CaptureThread, false)->UseManualTime();
  benchmark::RegisterBenchmark("plain_direct_form/stored", Plain, false);
  benchmark::RegisterBenchmark("capture_thread/all_four", CaptureThread, true)->UseManualTime();
  benchmark::RegisterBenchmark("plain_direct_form/all_four", Plain, true);
  bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  std::printf("\nStored graph on the fake wave backend: 512 stereo 16-bit frames at 44100 Hz per buffer "
              "(%.1f ms of sound)\n",
              kBufferNs / 1e6);
  for (const bool allFour : {false, true}) {
    const std::string which = allFour ? "all_four" : "stored";
    const std::string timed = "capture_thread/" + which + "/manual_time";
    const double ours = table.Time(timed), plain = table.Time("plain_direct_form/" + which);
    if (std::isnan(ours)) continue;
    std::printf("%s:\n", allFour ? "all four filter boxes checked (the high-pass, unlinked, passes through)"
                                 : "stored settings (low-pass only)");
    const double playback = table.Counter(timed, "playback_thread_ns");
    std::printf("  capture wave thread  %10.0f ns/buffer  = %.4f of the buffer's duration\n", ours, ours / kBufferNs);
    std::printf("  playback wave thread %10.0f ns/buffer  (writes the waiting buffer when a played one returns)\n",
                playback);
    std::printf("  both wave threads    %10.0f ns/buffer  = %.4f of the buffer's duration\n", ours + playback,
                (ours + playback) / kBufferNs);
    if (!std::isnan(plain))
      std::printf("  plain double loop    %10.0f ns/buffer  (the same filtering and min/max); capture thread / plain "
                  "%.2f\n",
                  plain, ours / plain);
    std::printf("  wall time from the clock step that fills a buffer to its replacement being queued: %.0f ns\n"
                "  (the fake driver's read, the callback, the wave thread waking, its work)\n",
                table.Counter(timed, "latency_ns"));
    std::printf("  heap allocations on the capture wave thread: %.2f per buffer; playback driver queue depth "
                "changed by %.0f over the run\n",
                table.Counter(timed, "capture_allocs/buffer"),
                table.Counter(timed, "driver_depth_change"));
  }
  benchmark::Shutdown();
  return 0;
}
