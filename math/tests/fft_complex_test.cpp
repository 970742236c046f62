#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/tests/oracle.h"

namespace tavrel::kernels {
namespace {

using oracle::LComplex;

struct SpecHolder {
  FFTSpec* spec = nullptr;
  SpecHolder(int order, int flag) { EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&spec, order, flag, 0), ippStsNoErr); }
  ~SpecHolder() {
    if (spec != nullptr) ippsFFTFree_C_64fc(spec);
  }
};

std::vector<Ipp64fc> RandomComplex(std::size_t n, unsigned seed) {
  const auto flat = oracle::RandomVector(2 * n, seed);
  std::vector<Ipp64fc> out(n);
  std::memcpy(out.data(), flat.data(), flat.size() * sizeof(double));
  return out;
}

std::vector<LComplex> ToLong(const std::vector<Ipp64fc>& x) {
  std::vector<LComplex> out(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) out[i] = LComplex(x[i].re, x[i].im);
  return out;
}

// Every branch of the engine up to order 12 (fixed kernels, even and odd
// radix-4, blocked with one and two combine passes, one split level) against
// the direct transform, both directions, in place and out of place.
TEST(ComplexFFT, MatchesDirectTransformUpToOrder12) {
  for (int order = 0; order <= 12; ++order) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    SpecHolder holder(order, 8);
    const auto x = RandomComplex(N, 100 + order);
    const auto lx = ToLong(x);
    const double tol = oracle::FFTTolerance(N, oracle::Norm2(lx));
    for (bool inverse : {false, true}) {
      const auto expected = oracle::Dft(lx, inverse);
      std::vector<Ipp64fc> out(N), inPlace = x;
      const auto src = x;
      auto run = inverse ? ippsFFTInv_CToC_64fc : ippsFFTFwd_CToC_64fc;
      ASSERT_EQ(run(x.data(), out.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(run(inPlace.data(), inPlace.data(), holder.spec, nullptr), ippStsNoErr);
      double worst = 0;
      for (std::size_t k = 0; k < N; ++k) {
        worst = std::max(worst, static_cast<double>(std::abs(LComplex(out[k].re, out[k].im) - expected[k])));
        ASSERT_EQ(out[k].re, inPlace[k].re);
        ASSERT_EQ(out[k].im, inPlace[k].im);
      }
      EXPECT_LE(worst, tol) << (inverse ? "inverse" : "forward");
      EXPECT_EQ(std::memcmp(src.data(), x.data(), N * sizeof(Ipp64fc)), 0);
    }
  }
}

// Large orders: sampled bins against direct sums and the scaled round trip.
TEST(ComplexFFT, LargeOrdersSampledBinsAndRoundTrip) {
  for (int order : {13, 14, 15, 16, 17, 18, 19, 20, 21}) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    SpecHolder holder(order, 2);
    const auto x = RandomComplex(N, 200 + order);
    const auto lx = ToLong(x);
    const double tol = oracle::FFTTolerance(N, oracle::Norm2(lx));
    int size = 0;
    ASSERT_EQ(ComplexFFTGetBufSize(holder.spec, &size), ippStsNoErr);
    std::vector<Ipp8u> work(static_cast<std::size_t>(size) + 8);
    std::vector<Ipp64fc> spectrum(N);
    // A work pointer off the 16-byte grid is used from its next boundary.
    ASSERT_EQ(ippsFFTFwd_CToC_64fc(x.data(), spectrum.data(), holder.spec, work.data() + 8), ippStsNoErr);
    const auto table = oracle::TwiddleTable(N, false);
    const int bins = order <= 16 ? 16 : 4;  // O(N) each; keeps the suite quick
    for (int s = 0; s < bins; ++s) {
      const std::size_t k = (s * 2654435761u + 7) % N;
      const LComplex expected = oracle::DftBin(lx, table, k);
      EXPECT_LE(std::abs(LComplex(spectrum[k].re, spectrum[k].im) - expected), tol) << "bin " << k;
    }
    ASSERT_EQ(ippsFFTInv_CToC_64fc(spectrum.data(), spectrum.data(), holder.spec, nullptr), ippStsNoErr);
    double worst = 0;
    for (std::size_t n = 0; n < N; ++n)
      worst = std::max({worst, std::abs(spectrum[n].re - x[n].re), std::abs(spectrum[n].im - x[n].im)});
    EXPECT_LE(worst, 8 * order * 2.3e-16);
  }
}

}  // namespace
}  // namespace tavrel::kernels
