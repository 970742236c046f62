// The single-sample FIR step at 5, 41, 255 and 1023 taps against a plain
// double loop of the same order; the block FIR's overlap-save path against its
// direct form (256 taps, 8192 samples); FFT convolution against direct sums
// (4096 x 4096).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/support.h"
#include "math/convolution.h"
#include "math/fir.h"

namespace {

using namespace tavrel;
using namespace tavrel::kernels;

constexpr int kTapCounts[] = {5, 41, 255, 1023};
// The app's worst case: 192 kHz, 2 channels, 3 filter stages.
constexpr double kWorstCallsPerSecond = 192000.0 * 2 * 3;

void FIROne(benchmark::State& state) {
  const int L = static_cast<int>(state.range(0));
  const auto taps = bench::RandomValues(L, 1), input = bench::RandomValues(4096, 2);
  FIRState* fir = nullptr;
  ippsFIRInitAlloc_64f(&fir, taps.data(), L, nullptr);
  std::size_t i = 0;
  double y = 0;
  for (auto _ : state) {
    ippsFIROne_64f(input[i++ & 4095], &y, fir);
    benchmark::DoNotOptimize(y);
  }
  ippsFIRFree_64f(fir);
}

// One double accumulator, taps in the same order over a doubled delay line.
void PlainLoop(benchmark::State& state) {
  const int L = static_cast<int>(state.range(0));
  const auto taps = bench::RandomValues(L, 1), input = bench::RandomValues(4096, 2);
  std::vector<double> delay(2 * L, 0.0);
  int p = 0;
  std::size_t i = 0;
  for (auto _ : state) {
    const double x = input[i++ & 4095];
    delay[p] = x;
    delay[p + L] = x;
    if (++p == L) p = 0;
    double sum = 0.0;
    for (int k = 0; k < L; ++k) sum += taps[k] * delay[p + k];
    benchmark::DoNotOptimize(sum);
  }
}

constexpr int kBlockTaps = 256, kBlockSamples = 8192;

void BlockFIR(benchmark::State& state) {
  const bool direct = state.range(0) != 0;
  const auto taps = bench::RandomValues(kBlockTaps, 3), input = bench::RandomValues(kBlockSamples, 4);
  std::vector<double> output(kBlockSamples);
  FIRState* fir = nullptr;
  ippsFIRInitAlloc_64f(&fir, taps.data(), kBlockTaps, nullptr);
  for (auto _ : state) {
    if (direct) {  // blocks under 512 samples always take the direct form
      for (int at = 0; at < kBlockSamples; at += 511)
        ippsFIR_64f(input.data() + at, output.data() + at, std::min(511, kBlockSamples - at), fir);
    } else {
      ippsFIR_64f(input.data(), output.data(), kBlockSamples, fir);
    }
    benchmark::DoNotOptimize(output.data());
  }
  ippsFIRFree_64f(fir);
}

constexpr int kConvLength = 4096;

void Convolution(benchmark::State& state) {
  const bool direct = state.range(0) != 0;
  const auto a = bench::RandomValues(kConvLength, 5), b = bench::RandomValues(kConvLength, 6);
  std::vector<double> output(2 * kConvLength - 1);
  for (auto _ : state) {
    if (direct) {
      ConvolveDirect(a.data(), kConvLength, b.data(), kConvLength, output.data());
    } else {
      ippsConv_64f(a.data(), kConvLength, b.data(), kConvLength, output.data());
    }
    benchmark::DoNotOptimize(output.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int L : kTapCounts) {
    benchmark::RegisterBenchmark("firone", FIROne)->Arg(L);
    benchmark::RegisterBenchmark("plain", PlainLoop)->Arg(L);
  }
  // Argument 0: FFT path, 1: direct form.
  benchmark::RegisterBenchmark("blockfir", BlockFIR)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("conv", Convolution)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
  tavrel::bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  std::printf("\nippsFIROne_64f (ordered long double sum) vs a plain double loop of the same order.\n");
  std::printf("Real time at 192 kHz x 2 channels x 3 stages needs under %.0f ns per call.\n",
              1e9 / kWorstCallsPerSecond);
  std::printf("%6s %12s %12s %10s %16s\n", "taps", "ns/call", "plain ns", "ratio", "real-time margin");
  for (int L : kTapCounts) {
    const double ours = table.Time("firone/" + std::to_string(L)), plain = table.Time("plain/" + std::to_string(L));
    std::printf("%6d %12.1f %12.1f %10.2f %15.1fx\n", L, ours, plain, ours / plain,
                1e9 / kWorstCallsPerSecond / ours);
  }
  const double fftFir = table.Time("blockfir/0"), directFir = table.Time("blockfir/1");
  std::printf("\nBlock FIR, %d taps x %d samples: FFT path %.1f us, direct %.1f us, speed-up %.2fx (target >= 3)\n",
              kBlockTaps, kBlockSamples, fftFir / 1e3, directFir / 1e3, directFir / fftFir);
  const double fftConv = table.Time("conv/0"), directConv = table.Time("conv/1");
  std::printf("Convolution %d x %d: FFT path %.1f us, direct %.1f us, speed-up %.2fx (target >= 5)\n", kConvLength,
              kConvLength, fftConv / 1e3, directConv / 1e3, directConv / fftConv);
  benchmark::Shutdown();
  return 0;
}
