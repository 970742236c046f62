#pragma once
// Shared pieces of the benchmark programs: a console reporter that also
// keeps each benchmark's CPU time per iteration (ns) by name, the fastest of
// the repetitions (--benchmark_repetitions=N), so a program can print ratios to
// its references after the run; and random test signals.
//
//   RatioTable table;
//   benchmark::RunSpecifiedBenchmarks(&table);
//   double ours = table.Time("ours/complex/10");   // NaN when not run
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace tavrel::bench {

// The reference of the buffer benchmarks: the same bytes with no pool and no
// sharing. Allocate, fill, copy once, write the copy, free.
inline void PlainBufferCopy(benchmark::State& state, std::size_t bytes) {
  for (auto _ : state) {
    auto* a = static_cast<std::uint8_t*>(std::malloc(bytes));
    a[40] = 1;
    auto* b = static_cast<std::uint8_t*>(std::malloc(bytes));
    std::memcpy(b, a, bytes);
    b[41] = 2;
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    std::free(b);
    std::free(a);
  }
}

class RatioTable : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      // CPU time of the fastest repetition: the least disturbed by other load
      // (the programs time single-threaded code).
      const double ns = run.GetAdjustedCPUTime() * ToNanoseconds(run.time_unit);
      const auto [it, added] = times_.emplace(run.benchmark_name(), ns);
      if (!added && ns < it->second) it->second = ns;
    }
  }
  double Time(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? std::nan("") : it->second;
  }

 private:
  static double ToNanoseconds(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      default: return 1.0;
    }
  }
  std::map<std::string, double> times_;
};

// n values uniform in [-1, 1), the same for the same seed.
inline std::vector<double> RandomValues(std::size_t n, unsigned seed = 42) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> v(n);
  for (auto& x : v) x = dist(rng);
  return v;
}

}  // namespace tavrel::bench
