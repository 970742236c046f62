// Element-wise kernels against memcpy, memset and a plain loop, 4 KiB to
// 1 MiB of data. Prints, per size, the kernel's time over each reference's
// time (below 1.0 is faster).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "math/elementwise.h"
#include "math/scaled_arithmetic.h"

using namespace tavrel;

namespace {

constexpr int kMinBytes = 4 << 10, kMaxBytes = 1 << 20;

// Integer data sweep the type's range (some values saturate, some halves tie).
template <class T>
struct Buffers {
  explicit Buffers(int bytes) : n(bytes / static_cast<int>(sizeof(T))), src(n, T(1)), dst(n, T(2)) {
    if constexpr (std::is_integral_v<T>)
      for (int i = 0; i < n; ++i) src[i] = dst[i] = static_cast<T>(static_cast<unsigned>(i) * 7919u);
  }
  int n;
  std::vector<T> src, dst;
};

void Finish(benchmark::State& state, int bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}

// Plain loops the compiler sees whole (kept out of line so each runs as
// written at its call).
template <class T>
__attribute__((noinline)) void LoopCopy(const T* s, T* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = s[i];
}
template <class T>
__attribute__((noinline)) void LoopSet(T v, T* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = v;
}
__attribute__((noinline)) void LoopAddC(double v, double* d, int n) {
  for (int i = 0; i < n; ++i) d[i] += v;
}
__attribute__((noinline)) void LoopMulC(double v, double* d, int n) {
  for (int i = 0; i < n; ++i) d[i] *= v;
}
// The 16-bit references do what the kernels do: the exact value, rounded
// half to even when scaled, then saturated.
inline Ipp16s Saturate16(int r) { return static_cast<Ipp16s>(r > 32767 ? 32767 : r < -32768 ? -32768 : r); }
__attribute__((noinline)) void LoopAddC16(Ipp16s v, Ipp16s* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = Saturate16(d[i] + v);
}
__attribute__((noinline)) void LoopMulC16(Ipp16s v, Ipp16s* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = Saturate16(d[i] * v);
}
// Halved: an odd value is an exact half, which goes to the even neighbour.
inline Ipp16s HalveToEven(int r) {
  int q = r >> 1;
  if ((r & 1) != 0 && (q & 1) != 0) ++q;
  return Saturate16(q);
}
__attribute__((noinline)) void LoopAddC16Sf1(const Ipp16s* s, Ipp16s v, Ipp16s* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = HalveToEven(s[i] + v);
}
__attribute__((noinline)) void LoopMulC16Sf1(const Ipp16s* s, Ipp16s v, Ipp16s* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = HalveToEven(s[i] * v);
}

#define CASE(name, type, body)                            \
  void name(benchmark::State& state) {                    \
    const int bytes = static_cast<int>(state.range(0));   \
    Buffers<type> b(bytes);                               \
    for (auto _ : state) {                                \
      body;                                               \
      benchmark::DoNotOptimize(b.dst.data());             \
      benchmark::ClobberMemory();                         \
    }                                                     \
    Finish(state, bytes);                                 \
  }                                                       \
  BENCHMARK(name)->RangeMultiplier(4)->Range(kMinBytes, kMaxBytes)->MinWarmUpTime(0.02);

// 64f
CASE(Copy_64f_kernel, double, kernels::ippsCopy_64f(b.src.data(), b.dst.data(), b.n))
CASE(Copy_64f_memcpy, double, std::memcpy(b.dst.data(), b.src.data(), bytes))
CASE(Copy_64f_loop, double, LoopCopy(b.src.data(), b.dst.data(), b.n))
CASE(Set_64f_kernel, double, kernels::ippsSet_64f(0.5, b.dst.data(), b.n))
CASE(Set_64f_memset, double, std::memset(b.dst.data(), 0x3F, bytes))
CASE(Set_64f_loop, double, LoopSet(0.5, b.dst.data(), b.n))
CASE(Zero_64f_kernel, double, kernels::ippsZero_64f(b.dst.data(), b.n))
CASE(Zero_64f_memset, double, std::memset(b.dst.data(), 0, bytes))
CASE(Zero_64f_loop, double, LoopSet(0.0, b.dst.data(), b.n))
CASE(AddC_64f_kernel, double, kernels::ippsAddC_64f_I(1e-3, b.dst.data(), b.n))
CASE(AddC_64f_loop, double, LoopAddC(1e-3, b.dst.data(), b.n))
CASE(MulC_64f_kernel, double, kernels::ippsMulC_64f_I(1.0000001, b.dst.data(), b.n))
CASE(MulC_64f_loop, double, LoopMulC(1.0000001, b.dst.data(), b.n))
// 16s
CASE(Copy_16s_kernel, Ipp16s, kernels::ippiCopy_16s_C1R(b.src.data(), bytes, b.dst.data(), bytes, {b.n, 1}))
CASE(Copy_16s_memcpy, Ipp16s, std::memcpy(b.dst.data(), b.src.data(), bytes))
CASE(Copy_16s_loop, Ipp16s, LoopCopy(b.src.data(), b.dst.data(), b.n))
CASE(Set_16s_kernel, Ipp16s, kernels::ippsSet_16s(0x1234, b.dst.data(), b.n))
CASE(Set_16s_memset, Ipp16s, std::memset(b.dst.data(), 0x12, bytes))
CASE(Set_16s_loop, Ipp16s, LoopSet<Ipp16s>(0x1234, b.dst.data(), b.n))
CASE(Zero_16s_kernel, Ipp16s, kernels::ippsZero_16s(b.dst.data(), b.n))
CASE(Zero_16s_memset, Ipp16s, std::memset(b.dst.data(), 0, bytes))
CASE(Zero_16s_loop, Ipp16s, LoopSet<Ipp16s>(0, b.dst.data(), b.n))
// In place with sf 0, there and back so the data stay as they are (MulC by
// 1 would be the do-nothing shortcut, so -1 twice).
CASE(AddC_16s_kernel, Ipp16s, kernels::ippsAddC_16s_ISfs(3, b.dst.data(), b.n, 0) ; kernels::ippsAddC_16s_ISfs(-3, b.dst.data(), b.n, 0))
CASE(AddC_16s_loop, Ipp16s, LoopAddC16(3, b.dst.data(), b.n) ; LoopAddC16(-3, b.dst.data(), b.n))
CASE(MulC_16s_kernel, Ipp16s, kernels::ippsMulC_16s_ISfs(-1, b.dst.data(), b.n, 0) ; kernels::ippsMulC_16s_ISfs(-1, b.dst.data(), b.n, 0))
CASE(MulC_16s_loop, Ipp16s, LoopMulC16(-1, b.dst.data(), b.n) ; LoopMulC16(-1, b.dst.data(), b.n))
// Scaled by one half (sf 1), from the source into the destination.
CASE(AddC_16s_sf1_kernel, Ipp16s, kernels::ippsAddC_16s_Sfs(b.src.data(), 3, b.dst.data(), b.n, 1))
CASE(AddC_16s_sf1_loop, Ipp16s, LoopAddC16Sf1(b.src.data(), 3, b.dst.data(), b.n))
CASE(MulC_16s_sf1_kernel, Ipp16s, kernels::ippsMulC_16s_Sfs(b.src.data(), 3, b.dst.data(), b.n, 1))
CASE(MulC_16s_sf1_loop, Ipp16s, LoopMulC16Sf1(b.src.data(), 3, b.dst.data(), b.n))

// Keeps every run's time per item so the summary can divide them.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      // With repetitions the median stands for the size; otherwise the run.
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || !(median || run.run_type == Run::RT_Iteration)) continue;
      const std::string name = run.run_name.function_name;  // e.g. Copy_64f_memcpy
      const int bytes = std::stoi(run.run_name.args);
      const auto cut = name.rfind('_');
      auto& slot = times_[name.substr(0, cut)][bytes][name.substr(cut + 1)];
      if (median || !medians_.count(name + "/" + run.run_name.args)) slot = run.GetAdjustedRealTime();
      if (median) medians_.insert(name + "/" + run.run_name.args);
    }
  }
  void PrintSummary() const {
    std::printf("\nkernel time / reference time (<= 1.2 vs memcpy/memset, <= 1.0 vs the loop is the goal)\n");
    std::printf("%-14s %8s %14s %8s\n", "routine", "bytes", "reference", "ratio");
    for (const auto& [routine, sizes] : times_)
      for (const auto& [bytes, byRef] : sizes) {
        auto kernel = byRef.find("kernel");
        if (kernel == byRef.end()) continue;
        for (const auto& [ref, t] : byRef)
          if (ref != "kernel") std::printf("%-14s %8d %14s %8.3f\n", routine.c_str(), bytes, ref.c_str(), kernel->second / t);
      }
  }

 private:
  std::map<std::string, std::map<int, std::map<std::string, double>>> times_;
  std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
