// The application's filter chain through the real components and their
// stored links, loaded from the main window's form data: the capture
// component's output pin feeds the analysis tap (a TALGenericFilter whose
// handler finds each channel's minimum and maximum through GetSample, as the
// application's analysis handler does) and the low-pass, which feeds the
// band-stop (and the playback, stored disabled: it drops what it gets),
// then the band-pass and the high-pass. 512-frame stereo 16-bit buffers at
// 44100 Hz are submitted on the capture component's output pin, as its wave
// thread does for each filled buffer, here on the benchmark thread.
//
// An unlinked output does not filter, and the stored links leave two ends
// open: the tap's output and the high-pass's. This program links a counting
// sink to each, so every enabled stage filters.
//
// Two settings: all four filters enabled (the figure of interest), and the
// stored ones (only the low-pass enabled). Each runs next to a plain
// double-precision direct-form loop doing the same filtering and the same
// minimum and maximum. Prints ns per buffer, the real-time factor (buffer
// duration / processing time), their ratio, the largest output difference
// (LSB) and the heap allocations per buffer on the delivering thread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/alloc_counter.h"
#include "bench/plain_chain.h"
#include "bench/stored_graph_bench.h"
#include "bench/support.h"

namespace {

using namespace tavrel;

constexpr uint32_t kFrames = 512, kChannels = 2, kRate = 44100;
constexpr double kBufferNs = 1e9 * kFrames / kRate;

std::vector<int16_t> Input() { return bench::ChainInput(); }

void Graph(benchmark::State& state, bool allFour) {
  bench::GraphChain chain(allFour);
  for (int i = 0; i < 4; ++i) chain.Submit();  // pool warm, states past their start
  const uint64_t before = bench::ThreadHeapAllocations();
  const uint64_t seen = chain.highPassEnd.buffers;
  for (auto _ : state) chain.Submit();
  state.counters["allocs/buffer"] =
      benchmark::Counter(double(bench::ThreadHeapAllocations() - before) / double(state.iterations()));
  if (chain.highPassEnd.buffers - seen != uint64_t(state.iterations()) ||
      chain.tapEnd.buffers != chain.tap.buffers)
    state.SkipWithError("a buffer was lost");
}

// The plain loop doing the same filtering and minimum and maximum.
void Plain(benchmark::State& state, bool allFour) {
  bench::GraphChain chain(allFour);
  bench::PlainGraphWork(state, bench::FilteringTaps(*chain.graph, kRate), Input(), kChannels);
}

// Both sides over a few buffers of the same input: the largest difference
// at the high-pass end (LSB; the plain loop sums in double, the filters in
// long double, so a stage may differ by one near a half), and whether the
// tap saw the input's minimum and maximum.
struct Check {
  int largest = 0;
  bool tapMatches = true;
  bool filtered = false;  // the end differs from the input
};

Check Compare(bool allFour) {
  Check c;
  bench::GraphChain chain(allFour);
  chain.highPassEnd.keep = true;
  std::vector<bench::PlainStage> stages;
  for (const auto& t : bench::FilteringTaps(*chain.graph, kRate)) stages.emplace_back(t, kChannels);
  const std::vector<int16_t> input = Input();
  const bench::PlainMinMax range = bench::PlainScan(input, kChannels);
  for (int round = 0; round < 3; ++round) {
    chain.Submit();
    std::vector<int16_t> plain = input;
    bench::PlainChain(stages, plain, kChannels);
    const std::vector<int16_t>& ours = chain.highPassEnd.last;
    if (ours.size() != plain.size()) return Check{1 << 30, false, false};
    for (size_t i = 0; i < ours.size(); ++i) c.largest = std::max(c.largest, std::abs(ours[i] - plain[i]));
    c.filtered = c.filtered || ours != input;
    for (uint32_t ch = 0; ch < kChannels; ++ch)
      c.tapMatches = c.tapMatches && chain.tap.min[ch] == range.min[ch] && chain.tap.max[ch] == range.max[ch];
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ModuleRun modules(bench::AudioProgramModules());

  benchmark::RegisterBenchmark("graph_chain/all_four", Graph, true);
  benchmark::RegisterBenchmark("plain_direct_form/all_four", Plain, true);
  benchmark::RegisterBenchmark("graph_chain/stored", Graph, false);
  benchmark::RegisterBenchmark("plain_direct_form/stored", Plain, false);
  bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  std::printf("\nStored chain (tap, low-pass, band-stop, band-pass, high-pass; 41 taps, Hamming), 512 stereo\n"
              "16-bit frames at 44100 Hz (%.0f us of sound), sinks on the open ends\n",
              kBufferNs / 1e3);
  for (const bool allFour : {true, false}) {
    const std::string which = allFour ? "all_four" : "stored";
    const double ours = table.Time("graph_chain/" + which), plain = table.Time("plain_direct_form/" + which);
    if (std::isnan(ours) || std::isnan(plain)) continue;
    const Check check = Compare(allFour);
    std::printf("%s (%s):\n", allFour ? "all four filters enabled" : "stored settings", allFour
                ? "tap + 4 filtering stages" : "tap + low-pass; the others pass through");
    std::printf("  %-20s %10.0f ns/buffer  real-time factor %8.1f\n", "components", ours, kBufferNs / ours);
    std::printf("  %-20s %10.0f ns/buffer  real-time factor %8.1f\n", "plain double loop", plain,
                kBufferNs / plain);
    std::printf("  ratio %.2f (components / plain loop); outputs differ by at most %d LSB; output %s; "
                "tap min/max %s\n",
                ours / plain, check.largest, check.filtered ? "filtered" : "NOT filtered",
                check.tapMatches ? "match the input" : "DIFFER from the input");
    std::printf("  heap allocations per buffer on the delivering thread: %.2f\n",
                table.Counter("graph_chain/" + which, "allocs/buffer"));
  }
  benchmark::Shutdown();
  return 0;
}
