// Complex and real double FFTs of 2^6 .. 2^16 points against FFTW (double,
// FFTW_MEASURE, out of place) and KissFFT. Debian ships KissFFT only in single
// precision (kissfft-float), so that peer computes in float. Ours and FFTW
// read and write arrays of the same alignment, a cache line, as FFTW's own
// allocator gives it at least the alignment its vectors need.
//
// On a busy machine the ratios hold best with the runs of both sides
// interleaved:
//   bench_fft --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/support.h"
#include "math/fft.h"

#if TAVREL_HAVE_FFTW
#include <fftw3.h>
#endif
#if TAVREL_HAVE_KISSFFT
#include <kissfft/kiss_fft.h>
#include <kissfft/kiss_fftr.h>
#endif

namespace {

using namespace tavrel;
using namespace tavrel::kernels;

constexpr int kFirstOrder = 6, kLastOrder = 16;

// n values on a cache-line boundary, for every side alike.
template <typename T>
struct LineAligned {
  struct Free {
    void operator()(T* p) const { std::free(p); }
  };
  std::unique_ptr<T[], Free> data;
  explicit LineAligned(std::size_t n)
      : data(static_cast<T*>(std::aligned_alloc(64, (n * sizeof(T) + 63) / 64 * 64))) {}
  T* get() const { return data.get(); }
};

void OursComplex(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  const std::size_t N = std::size_t(1) << order;
  FFTSpec* spec = nullptr;
  ippsFFTInitAlloc_C_64fc(&spec, order, 8, ippAlgHintNone);
  int size = 0;
  ComplexFFTGetBufSize(spec, &size);
  std::vector<Ipp8u> work(size + 1);
  const auto flat = bench::RandomValues(2 * N);
  LineAligned<Ipp64fc> in(N), out(N);
  for (std::size_t i = 0; i < N; ++i) in.get()[i] = {flat[2 * i], flat[2 * i + 1]};
  for (auto _ : state) {
    ippsFFTFwd_CToC_64fc(in.get(), out.get(), spec, work.data());
    benchmark::DoNotOptimize(out.get());
  }
  ippsFFTFree_C_64fc(spec);
}

void OursReal(benchmark::State& state) {
  const int order = static_cast<int>(state.range(0));
  const std::size_t N = std::size_t(1) << order;
  FFTSpec* spec = nullptr;
  ippsFFTInitAlloc_R_64f(&spec, order, 8, ippAlgHintNone);
  int size = 0;
  RealFFTGetBufSize(spec, &size);
  std::vector<Ipp8u> work(size + 1);
  const auto values = bench::RandomValues(N);
  LineAligned<double> in(N), out(N + 2);
  std::copy(values.begin(), values.end(), in.get());
  for (auto _ : state) {
    ippsFFTFwd_RToCCS_64f(in.get(), out.get(), spec, work.data());
    benchmark::DoNotOptimize(out.get());
  }
  ippsFFTFree_R_64f(spec);
}

#if TAVREL_HAVE_FFTW
void FFTWComplex(benchmark::State& state) {
  const std::size_t N = std::size_t(1) << state.range(0);
  LineAligned<fftw_complex> inArray(N), outArray(N);
  fftw_complex* in = inArray.get();
  fftw_complex* out = outArray.get();
  fftw_plan plan = fftw_plan_dft_1d(static_cast<int>(N), in, out, FFTW_FORWARD, FFTW_MEASURE);
  const auto flat = bench::RandomValues(2 * N);
  for (std::size_t i = 0; i < N; ++i) {
    in[i][0] = flat[2 * i];
    in[i][1] = flat[2 * i + 1];
  }
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::DoNotOptimize(out);
  }
  fftw_destroy_plan(plan);
}

void FFTWReal(benchmark::State& state) {
  const std::size_t N = std::size_t(1) << state.range(0);
  LineAligned<double> inArray(N);
  LineAligned<fftw_complex> outArray(N / 2 + 1);
  double* in = inArray.get();
  fftw_complex* out = outArray.get();
  fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(N), in, out, FFTW_MEASURE);
  const auto values = bench::RandomValues(N);
  std::copy(values.begin(), values.end(), in);
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::DoNotOptimize(out);
  }
  fftw_destroy_plan(plan);
}
#endif

#if TAVREL_HAVE_KISSFFT
void KissComplex(benchmark::State& state) {
  const int N = 1 << state.range(0);
  kiss_fft_cfg cfg = kiss_fft_alloc(N, 0, nullptr, nullptr);
  const auto flat = bench::RandomValues(2 * N);
  std::vector<kiss_fft_cpx> in(N), out(N);
  for (int i = 0; i < N; ++i) in[i] = {static_cast<float>(flat[2 * i]), static_cast<float>(flat[2 * i + 1])};
  for (auto _ : state) {
    kiss_fft(cfg, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  kiss_fft_free(cfg);
}

void KissReal(benchmark::State& state) {
  const int N = 1 << state.range(0);
  kiss_fftr_cfg cfg = kiss_fftr_alloc(N, 0, nullptr, nullptr);
  const auto values = bench::RandomValues(N);
  std::vector<float> in(values.begin(), values.end());
  std::vector<kiss_fft_cpx> out(N / 2 + 1);
  for (auto _ : state) {
    kiss_fftr(cfg, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  kiss_fftr_free(cfg);
}
#endif

void Register(const char* name, void (*fn)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, fn)->DenseRange(kFirstOrder, kLastOrder);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Register("ours/complex", OursComplex);
  Register("ours/real", OursReal);
#if TAVREL_HAVE_FFTW
  Register("fftw/complex", FFTWComplex);
  Register("fftw/real", FFTWReal);
#endif
#if TAVREL_HAVE_KISSFFT
  Register("kissfft-float/complex", KissComplex);
  Register("kissfft-float/real", KissReal);
#endif
  tavrel::bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);
  std::printf("\nTime ratios (ours / peer; below 1 means ours is faster).\n");
  std::printf("FFTW: double, FFTW_MEASURE, out of place. KissFFT: Debian ships only kissfft-float,\n"
              "so that peer computes in single precision.\n");
  std::printf("%-8s %7s %12s %12s %12s\n", "kind", "N", "ours ns", "vs FFTW", "vs KissFFT");
  for (const char* kind : {"complex", "real"}) {
    for (int order = kFirstOrder; order <= kLastOrder; ++order) {
      const std::string suffix = std::string("/") + kind + "/" + std::to_string(order);
      const double ours = table.Time("ours" + suffix);
      std::printf("%-8s %7d %12.1f %12.2f %12.2f\n", kind, 1 << order, ours, ours / table.Time("fftw" + suffix),
                  ours / table.Time("kissfft-float" + suffix));
    }
  }
  benchmark::Shutdown();
  return 0;
}
