#include <gtest/gtest.h>

#include <vector>

#include "math/fft_engine.h"
#include "math/tests/oracle.h"

namespace tavrel::kernels {
namespace {

using oracle::LComplex;

struct Member {
  int points;
  bool inverse;
  bool scaled;
};

// Members 0..11 of each layout, in the family's order.
constexpr Member kMembers[12] = {{1, false, false}, {1, false, true}, {2, false, false}, {2, false, true},
                                 {4, false, false}, {4, true, false}, {4, false, true}, {4, true, true},
                                 {8, false, false}, {8, true, false}, {8, false, true}, {8, true, true}};

constexpr double kFactor = 0.37;

// Half spectrum of a real signal in Perm order, from full complex bins.
std::vector<double> PermOf(const std::vector<LComplex>& bins) {
  const std::size_t N = bins.size();
  std::vector<double> out(N);
  out[0] = static_cast<double>(bins[0].real());
  if (N == 1) return out;
  out[1] = static_cast<double>(bins[N / 2].real());
  for (std::size_t k = 1; k < N / 2; ++k) {
    out[2 * k] = static_cast<double>(bins[k].real());
    out[2 * k + 1] = static_cast<double>(bins[k].imag());
  }
  return out;
}

// Full Hermitian spectrum from a Perm array.
std::vector<LComplex> HermitianFromPerm(const std::vector<double>& perm) {
  const std::size_t N = perm.size();
  std::vector<LComplex> bins(N);
  bins[0] = perm[0];
  if (N == 1) return bins;
  bins[N / 2] = perm[1];
  for (std::size_t k = 1; k < N / 2; ++k) {
    bins[k] = LComplex(perm[2 * k], perm[2 * k + 1]);
    bins[N - k] = std::conj(bins[k]);
  }
  return bins;
}

TEST(FixedFFTKernels, EveryMemberMatchesTheDirectTransform) {
  for (int index = 0; index < 12; ++index) {
    const Member m = kMembers[index];
    SCOPED_TRACE(index);
    const std::size_t N = m.points;
    const double f = m.scaled ? kFactor : 1.0;
    const auto raw = oracle::RandomVector(2 * N, 300 + index);
    // Members of 1 and 2 points serve both directions.
    for (bool inverse : {false, true}) {
      if (m.points > 2 && inverse != m.inverse) continue;
      std::vector<LComplex> x(N);
      for (std::size_t k = 0; k < N; ++k) x[k] = LComplex(raw[2 * k], raw[2 * k + 1]);
      const auto expected = oracle::Dft(x, inverse);
      // Interleaved, out of place and in place.
      std::vector<Ipp64fc> src(N), dst(N), same(N);
      for (std::size_t k = 0; k < N; ++k) src[k] = same[k] = {raw[2 * k], raw[2 * k + 1]};
      kFixedComplexKernels[index](src.data(), dst.data(), kFactor);
      kFixedComplexKernels[index](same.data(), same.data(), kFactor);
      // Split, in place.
      std::vector<double> re(N), im(N);
      for (std::size_t k = 0; k < N; ++k) {
        re[k] = raw[2 * k];
        im[k] = raw[2 * k + 1];
      }
      kFixedSplitKernels[index](re.data(), im.data(), re.data(), im.data(), kFactor);
      for (std::size_t k = 0; k < N; ++k) {
        const LComplex want = expected[k] * static_cast<long double>(f);
        EXPECT_NEAR(dst[k].re, static_cast<double>(want.real()), 1e-15);
        EXPECT_NEAR(dst[k].im, static_cast<double>(want.imag()), 1e-15);
        EXPECT_EQ(same[k].re, dst[k].re);
        EXPECT_EQ(same[k].im, dst[k].im);
        EXPECT_EQ(re[k], dst[k].re);
        EXPECT_EQ(im[k], dst[k].im);
      }
      // Real layout: forward to Perm, inverse from Perm.
      std::vector<double> real(raw.begin(), raw.begin() + N), realOut(N);
      std::vector<double> want;
      if (!inverse) {
        std::vector<LComplex> xr(N);
        for (std::size_t k = 0; k < N; ++k) xr[k] = real[k];
        want = PermOf(oracle::Dft(xr, false));
      } else {
        if (N > 1) real[1] = raw[N];  // any R(N/2)
        const auto full = oracle::Dft(HermitianFromPerm(real), true);
        for (std::size_t k = 0; k < N; ++k) want.push_back(static_cast<double>(full[k].real()));
      }
      kFixedRealKernels[index](real.data(), realOut.data(), kFactor);
      kFixedRealKernels[index](real.data(), real.data(), kFactor);
      for (std::size_t k = 0; k < N; ++k) {
        EXPECT_NEAR(realOut[k], want[k] * f, 1e-15) << "real " << k;
        EXPECT_EQ(real[k], realOut[k]);
      }
    }
  }
}

TEST(FixedFFTKernels, RealRoundTripAndImpulse) {
  for (int order = 0; order <= 3; ++order) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    const auto x = oracle::RandomVector(N, 400 + order);
    std::vector<double> spectrum(N), back(N), scaledBack(N);
    kFixedRealKernels[FixedKernelIndex(order, false, false)](x.data(), spectrum.data(), 0.0);
    kFixedRealKernels[FixedKernelIndex(order, true, false)](spectrum.data(), back.data(), 0.0);
    kFixedRealKernels[FixedKernelIndex(order, true, true)](spectrum.data(), scaledBack.data(), 1.0 / N);
    for (std::size_t k = 0; k < N; ++k) {
      EXPECT_NEAR(back[k], N * x[k], 1e-14);
      EXPECT_NEAR(scaledBack[k], x[k], 1e-15);
    }
    std::vector<double> impulse(N, 0.0), real(N);
    impulse[0] = 1.0;
    kFixedRealKernels[FixedKernelIndex(order, false, false)](impulse.data(), real.data(), 0.0);
    for (std::size_t k = 0; k < N; ++k) EXPECT_EQ(real[k], (k < 2 || k % 2 == 0) ? 1.0 : 0.0) << k;
    std::vector<Ipp64fc> cimpulse(N, Ipp64fc{0.0, 0.0}), spectrumC(N);
    cimpulse[0].re = 1.0;
    kFixedComplexKernels[FixedKernelIndex(order, false, false)](cimpulse.data(), spectrumC.data(), 0.0);
    for (const auto& v : spectrumC) {
      EXPECT_EQ(v.re, 1.0);
      EXPECT_EQ(v.im, 0.0);
    }
  }
}

}  // namespace
}  // namespace tavrel::kernels
