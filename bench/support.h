#pragma once
// Shared pieces of the benchmark programs: a console reporter that also
// keeps each benchmark's CPU time per iteration (ns) by name, the median of
// the repetitions (--benchmark_repetitions=N; with
// --benchmark_report_aggregates_only the library's median), so every program
// prints its ratios to its references from the same statistic; and random
// test signals.
//
//   RatioTable table;
//   benchmark::RunSpecifiedBenchmarks(&table);
//   double ours = table.Time("ours/complex/10");   // NaN when not run
//   double n = table.Counter("ours/complex/10", "allocs");  // median too
//
// ThreadCpuClock reads the CPU time of another thread of the program, found
// by its name, for work that runs on threads the program does not own:
//
//   auto wave = ThreadCpuClock::Find("ALAudioOut1.TALWaveThread");   // or ::Of(a pthread_t)
//   const uint64_t before = wave->Nanoseconds();
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <pthread.h>
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

// The median of the values; NaN when there are none.
inline double Median(std::vector<double> v) {
  if (v.empty()) return std::nan("");
  std::sort(v.begin(), v.end());
  const std::size_t h = v.size() / 2;
  return v.size() % 2 ? v[h] : 0.5 * (v[h - 1] + v[h]);
}

class RatioTable : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // A benchmark that times itself (UseManualTime, name ending in
      // "/manual_time") keeps its own time; the others their CPU time (the
      // programs time single-threaded code).
      const bool manual = run.run_name.time_type == "manual_time";
      const double ns = (manual ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime()) * ToNanoseconds(run.time_unit);
      Entry& e = entries_[Key(run.run_name)];
      if (run.run_type == Run::RT_Iteration) {
        e.times.push_back(ns);
        e.counters.push_back(run.counters);
      } else if (run.aggregate_name == "median") {
        // --benchmark_report_aggregates_only: the library's own median.
        e.median = ns;
        e.medianCounters = run.counters;
      }
    }
  }
  // The median over the repetitions (--benchmark_repetitions=N), so every
  // program's ratio rests on the same statistic; NaN when not run.
  double Time(const std::string& name) const {
    const Entry* e = Find(name);
    if (e == nullptr) return std::nan("");
    return e->median ? *e->median : Median(e->times);
  }
  // The median of one counter over the repetitions.
  double Counter(const std::string& name, const std::string& counter) const {
    const Entry* e = Find(name);
    if (e == nullptr) return std::nan("");
    if (e->median) {
      const auto c = e->medianCounters.find(counter);
      return c == e->medianCounters.end() ? std::nan("") : double(c->second);
    }
    std::vector<double> values;
    for (const auto& counters : e->counters) {
      const auto c = counters.find(counter);
      if (c != counters.end()) values.push_back(double(c->second));
    }
    return Median(values);
  }

 private:
  struct Entry {
    std::vector<double> times;
    std::vector<benchmark::UserCounters> counters;
    std::optional<double> median;
    benchmark::UserCounters medianCounters;
  };
  // The name without the run settings (minimum time, repetitions, ...),
  // keeping a self-timed benchmark's "/manual_time" or "/real_time".
  static std::string Key(const benchmark::BenchmarkName& n) {
    std::string key = n.function_name;
    for (const std::string* part : {&n.args, &n.time_type})
      if (!part->empty()) key += "/" + *part;
    return key;
  }
  const Entry* Find(const std::string& name) const {
    const auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : &it->second;
  }
  static double ToNanoseconds(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      default: return 1.0;
    }
  }
  std::map<std::string, Entry> entries_;
};

// n values uniform in [-1, 1), the same for the same seed.
inline std::vector<double> RandomValues(std::size_t n, unsigned seed = 42) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> v(n);
  for (auto& x : v) x = dist(rng);
  return v;
}

// The CPU time a thread of this process has used, by the kernel's per-thread
// clock (the encoding the C library's pthread_getcpuclockid uses for a
// thread id).
class ThreadCpuClock {
 public:
  // The first thread whose name is `name` cut to the system's 15 bytes.
  static std::optional<ThreadCpuClock> Find(const std::string& name) {
    const std::string wanted = name.substr(0, 15);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
      std::ifstream comm(entry.path() / "comm");
      std::string got;
      if (!std::getline(comm, got) || got != wanted) continue;
      const ThreadCpuClock clock = OfId(std::strtol(entry.path().filename().c_str(), nullptr, 10));
      timespec ts;
      if (clock_gettime(clock.id_, &ts) == 0) return clock;
    }
    return std::nullopt;
  }

  // The clock of the thread with kernel id `tid` (the encoding the C
  // library's pthread_getcpuclockid uses); it reads 0 once the thread is gone.
  static ThreadCpuClock OfId(long tid) {
    return ThreadCpuClock(static_cast<clockid_t>((~static_cast<unsigned long>(tid) << 3) | 6));
  }

  static std::optional<ThreadCpuClock> Of(pthread_t thread) {
    clockid_t id;
    if (pthread_getcpuclockid(thread, &id) != 0) return std::nullopt;
    return ThreadCpuClock(id);
  }

  uint64_t Nanoseconds() const {
    timespec ts{};
    clock_gettime(id_, &ts);
    return uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
  }

 private:
  explicit ThreadCpuClock(clockid_t id) : id_(id) {}
  clockid_t id_;
};

}  // namespace tavrel::bench
