#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/tests/oracle.h"
#include "platform/tests/sweeps.h"

namespace tavrel::kernels {
namespace {

using oracle::LComplex;

enum class Layout { kCCS, kPack, kPerm };
constexpr Layout kLayouts[] = {Layout::kCCS, Layout::kPack, Layout::kPerm};

using RealTransform = IppStatus (*)(const Ipp64f*, Ipp64f*, const FFTSpec*, Ipp8u*);

RealTransform ForwardOf(Layout l) {
  return l == Layout::kCCS ? ippsFFTFwd_RToCCS_64f : l == Layout::kPack ? RealFFTForwardPack : RealFFTForwardPerm;
}
RealTransform InverseOf(Layout l) {
  return l == Layout::kCCS ? ippsFFTInv_CCSToR_64f : l == Layout::kPack ? RealFFTInversePack : RealFFTInversePerm;
}
std::size_t SpectrumSize(Layout l, std::size_t N) { return l == Layout::kCCS ? N + 2 : N; }

// Bins 0 .. N/2 placed in the layout.
std::vector<double> Arrange(Layout layout, const std::vector<LComplex>& bins, std::size_t N) {
  std::vector<double> out(SpectrumSize(layout, N), 0.0);
  auto put = [&](std::size_t pos, long double v) { out[pos] = static_cast<double>(v); };
  put(0, bins[0].real());
  if (layout == Layout::kCCS) {
    for (std::size_t k = 1; k <= N / 2; ++k) {
      put(2 * k, bins[k].real());
      put(2 * k + 1, k == N / 2 ? 0.0L : bins[k].imag());
    }
    return out;
  }
  if (N == 1) return out;
  const std::size_t first = layout == Layout::kPack ? 1 : 2;
  put(layout == Layout::kPack ? N - 1 : 1, bins[N / 2].real());
  for (std::size_t k = 1; k < N / 2; ++k) {
    put(first + 2 * (k - 1), bins[k].real());
    put(first + 2 * (k - 1) + 1, bins[k].imag());
  }
  return out;
}

// Where bin k's real and imaginary parts sit in a layout.
std::vector<std::size_t> BinPositions(Layout layout, std::size_t k, std::size_t N) {
  if (layout == Layout::kCCS) return {2 * k, 2 * k + 1};
  if (k == 0) return {0};
  if (k == N / 2) return {layout == Layout::kPack ? N - 1 : 1};
  return layout == Layout::kPack ? std::vector<std::size_t>{2 * k - 1, 2 * k} : std::vector<std::size_t>{2 * k, 2 * k + 1};
}

struct RealSpec {
  FFTSpec* spec = nullptr;
  RealSpec(int order, int flag) { EXPECT_EQ(ippsFFTInitAlloc_R_64f(&spec, order, flag, ippAlgHintNone), ippStsNoErr); }
  ~RealSpec() { ippsFFTFree_R_64f(spec); }
};

TEST(RealFFT, HandMadeLayouts) {
  // Order 1: (x0 + x1, x0 - x1) in every layout.
  RealSpec one(1, 8);
  const double x[2] = {3.0, 5.0};
  double ccs[4] = {9, 9, 9, 9}, pack[2], perm[2];
  ASSERT_EQ(ippsFFTFwd_RToCCS_64f(x, ccs, one.spec, nullptr), ippStsNoErr);
  ASSERT_EQ(RealFFTForwardPack(x, pack, one.spec, nullptr), ippStsNoErr);
  ASSERT_EQ(RealFFTForwardPerm(x, perm, one.spec, nullptr), ippStsNoErr);
  EXPECT_EQ(std::vector<double>(ccs, ccs + 4), (std::vector<double>{8, 0, -2, 0}));
  EXPECT_EQ(std::vector<double>(pack, pack + 2), (std::vector<double>{8, -2}));
  EXPECT_EQ(std::vector<double>(perm, perm + 2), (std::vector<double>{8, -2}));
  // Order 0: the one value, scaled by the forward flag.
  RealSpec zero(0, 4);
  double y[2] = {7, 7};
  const double v = 4.0;
  ASSERT_EQ(ippsFFTFwd_RToCCS_64f(&v, y, zero.spec, nullptr), ippStsNoErr);
  EXPECT_EQ(y[0], 4.0);
  EXPECT_EQ(y[1], 0.0);
  // Order 3, x = cos(2 pi n / 8): R1 = 4, everything else 0 (to rounding).
  RealSpec three(3, 8);
  std::vector<double> c(8), p(8);
  for (int n = 0; n < 8; ++n) c[n] = std::cos(2 * M_PI * n / 8);
  ASSERT_EQ(RealFFTForwardPack(c.data(), p.data(), three.spec, nullptr), ippStsNoErr);
  const double expected[8] = {0, 4, 0, 0, 0, 0, 0, 0};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(p[k], expected[k], 1e-15) << k;
  // x = 1 + sin(2 pi 3 n / 8) + 2 (-1)^n: R0 = 8, R4 = 16, I3 = -4 in Perm layout.
  for (int n = 0; n < 8; ++n) c[n] = 1 + std::sin(2 * M_PI * 3 * n / 8) + (n % 2 ? -2.0 : 2.0);
  ASSERT_EQ(RealFFTForwardPerm(c.data(), p.data(), three.spec, nullptr), ippStsNoErr);
  const double bins13[8] = {8, 16, 0, 0, 0, 0, 0, -4};
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(p[k], bins13[k], 1e-14) << k;
  // Order 2, x = (1, 2, 3, 4): R0 = 10, R2 = -2, R1 + i I1 = -2 + 2i.
  RealSpec two(2, 8);
  const double four[4] = {1, 2, 3, 4};
  double out[4];
  ASSERT_EQ(RealFFTForwardPerm(four, out, two.spec, nullptr), ippStsNoErr);
  EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{10, -2, -2, 2}));
  ASSERT_EQ(RealFFTForwardPack(four, out, two.spec, nullptr), ippStsNoErr);
  EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{10, -2, 2, -2}));
}

// Forward and inverse of orders 0..12 in the three layouts against direct
// sums; in place equals out of place.
TEST(RealFFT, MatchesDirectTransformUpToOrder12) {
  for (int order = 0; order <= 12; ++order) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    RealSpec holder(order, 8);
    const auto x = oracle::RandomVector(N, 500 + order);
    std::vector<LComplex> lx(x.begin(), x.end());
    const auto bins = oracle::Dft(lx, false);
    const double tol = oracle::FFTTolerance(N, oracle::Norm2(lx));
    // A random half spectrum and the real signal it belongs to (times N).
    const auto raw = oracle::RandomVector(N + 2, 600 + order);
    std::vector<LComplex> half(N / 2 + 1), full(N);
    for (std::size_t k = 0; k <= N / 2; ++k) {
      const bool realOnly = k == 0 || 2 * k == N;
      half[k] = LComplex(raw[2 * k], realOnly ? 0.0 : raw[2 * k + 1]);
    }
    for (std::size_t k = 0; k < N; ++k) full[k] = k <= N / 2 ? half[k] : std::conj(half[N - k]);
    const auto signal = oracle::Dft(full, true);
    const double inverseTol = oracle::FFTTolerance(N, oracle::Norm2(full));
    for (Layout layout : kLayouts) {
      SCOPED_TRACE(static_cast<int>(layout));
      const std::size_t S = SpectrumSize(layout, N);
      const auto want = Arrange(layout, bins, N);
      std::vector<double> out(S), same(S);
      std::copy(x.begin(), x.end(), same.begin());
      ASSERT_EQ(ForwardOf(layout)(x.data(), out.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(ForwardOf(layout)(same.data(), same.data(), holder.spec, nullptr), ippStsNoErr);
      for (std::size_t p = 0; p < S; ++p) {
        EXPECT_NEAR(out[p], want[p], tol) << p;
        EXPECT_EQ(out[p], same[p]) << p;
      }
      if (layout == Layout::kCCS) {
        EXPECT_EQ(out[1], 0.0);
        EXPECT_EQ(out[N + 1], 0.0);
      }
      auto spectrum = Arrange(layout, half, N);
      if (layout == Layout::kCCS && N > 1) {  // never read by the inverse
        spectrum[1] = std::nan("");
        spectrum[N + 1] = std::nan("");
      }
      std::vector<double> back(N), backSame = spectrum;
      ASSERT_EQ(InverseOf(layout)(spectrum.data(), back.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(InverseOf(layout)(backSame.data(), backSame.data(), holder.spec, nullptr), ippStsNoErr);
      for (std::size_t n = 0; n < N; ++n) {
        EXPECT_NEAR(back[n], static_cast<double>(signal[n].real()), inverseTol) << n;
        EXPECT_EQ(back[n], backSame[n]) << n;
      }
    }
  }
}

// Orders 13..20 (the depth-first plan below the split pass): sampled
// bins against direct sums, one layout per order in turn, and round trips
// both ways.
TEST(RealFFT, LargerOrdersSampledBinsAndRoundTrips) {
  // One order of each layout outside the Release pass.
  for (int order : test::Sweep({13, 14, 15, 16, 17, 18, 19, 20}, {13, 14, 15})) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    RealSpec holder(order, 2);
    int size = 0;
    ASSERT_EQ(RealFFTGetBufSize(holder.spec, &size), ippStsNoErr);
    std::vector<Ipp8u> work(size);
    const auto x = oracle::RandomVector(N + 2, 700 + order);
    const Layout layout = kLayouts[order % 3];
    std::vector<double> y(x.begin(), x.end());
    ASSERT_EQ(ForwardOf(layout)(y.data(), y.data(), holder.spec, work.data()), ippStsNoErr);
    std::vector<LComplex> lx(x.begin(), x.begin() + N);
    const auto table = oracle::TwiddleTable(N, false);
    const double tol = oracle::FFTTolerance(N, oracle::Norm2(lx));
    std::vector<LComplex> bins(N / 2 + 1);
    const std::size_t sampled[] = {0, 1, 3, N / 4 - 1, N / 4, N / 2 - 1, N / 2, 12345 % (N / 2)};
    for (std::size_t k : sampled) bins[k] = oracle::DftBin(lx, table, k);
    const auto want = Arrange(layout, bins, N);
    for (std::size_t k : sampled)
      for (std::size_t pos : BinPositions(layout, k, N))
        EXPECT_NEAR(y[pos], want[pos], tol) << "bin " << k << " position " << pos;
    ASSERT_EQ(InverseOf(layout)(y.data(), y.data(), holder.spec, work.data()), ippStsNoErr);
    double worst = 0;
    for (std::size_t n = 0; n < N; ++n) worst = std::max(worst, std::abs(y[n] - x[n]));
    EXPECT_LE(worst, 4 * order * 2.3e-16);
    if (order > 16 || layout == Layout::kCCS) continue;  // the slow cases once
    // forward(inverse(S)) = S, scaled by N since only the inverse divides.
    std::vector<double> s(x.begin(), x.begin() + N);
    ASSERT_EQ(InverseOf(layout)(s.data(), s.data(), holder.spec, nullptr), ippStsNoErr);
    ASSERT_EQ(ForwardOf(layout)(s.data(), s.data(), holder.spec, nullptr), ippStsNoErr);
    worst = 0;
    for (std::size_t n = 0; n < N; ++n) worst = std::max(worst, std::abs(s[n] - x[n]));
    EXPECT_LE(worst, 4 * order * 2.3e-16);
  }
}

// The orders whose half-length complex transform runs on the depth-first
// plan, and its neighbours: every scale flag, both directions, in place and
// out of place, against the scaled direct transform (every value up to order
// 12, sampled ones above).
TEST(RealFFT, ScaleFlagsOnTheDepthFirstOrders) {
  for (int order : test::Sweep({5, 6, 7, 10, 12, 13, 16, 17, 18, 21}, {5, 6, 10, 13})) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    const bool full = order <= 12;
    std::vector<std::size_t> at;  // bins of the forward, points of the inverse
    for (std::size_t s = 0; s < (full ? N : 10); ++s) at.push_back(full ? s : (s * 2654435761u + 5) % N);
    const auto x = oracle::RandomVector(N, 900 + order);
    std::vector<LComplex> lx(x.begin(), x.end());
    const auto raw = oracle::RandomVector(N + 2, 950 + order);
    std::vector<LComplex> half(N / 2 + 1), spectrum(N);
    for (std::size_t k = 0; k <= N / 2; ++k) half[k] = LComplex(raw[2 * k], k == 0 || 2 * k == N ? 0.0 : raw[2 * k + 1]);
    for (std::size_t k = 0; k < N; ++k) spectrum[k] = k <= N / 2 ? half[k] : std::conj(half[N - k]);
    const auto forwardTable = oracle::TwiddleTable(N, false), inverseTable = oracle::TwiddleTable(N, true);
    std::vector<LComplex> bins(N / 2 + 1);
    std::vector<long double> signal(N);
    for (std::size_t k : at) {
      if (k <= N / 2) bins[k] = oracle::DftBin(lx, forwardTable, k);
      signal[k] = oracle::DftBin(spectrum, inverseTable, k).real();
    }
    const auto ccs = Arrange(Layout::kCCS, half, N);
    for (int flag : {1, 2, 4, 8}) {
      SCOPED_TRACE(flag);
      RealSpec holder(order, flag);
      const double root = 1.0 / std::sqrt(static_cast<double>(N)), inverseN = 1.0 / static_cast<double>(N);
      const double forwardFactor = flag == 1 ? inverseN : flag == 4 ? root : 1.0;
      const double inverseFactor = flag == 2 ? inverseN : flag == 4 ? root : 1.0;
      std::vector<double> out(N + 2), same(N + 2);
      std::copy(x.begin(), x.end(), same.begin());
      ASSERT_EQ(ippsFFTFwd_RToCCS_64f(x.data(), out.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(ippsFFTFwd_RToCCS_64f(same.data(), same.data(), holder.spec, nullptr), ippStsNoErr);
      EXPECT_EQ(out, same);
      const double tol = oracle::FFTTolerance(N, oracle::Norm2(lx));
      for (std::size_t k : at) {
        if (k > N / 2) continue;
        EXPECT_NEAR(out[2 * k], static_cast<double>(bins[k].real()) * forwardFactor, tol * forwardFactor) << "bin " << k;
        EXPECT_NEAR(out[2 * k + 1], static_cast<double>(bins[k].imag()) * forwardFactor, tol * forwardFactor) << "bin " << k;
      }
      std::vector<double> back(N), backSame = ccs;
      ASSERT_EQ(ippsFFTInv_CCSToR_64f(ccs.data(), back.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(ippsFFTInv_CCSToR_64f(backSame.data(), backSame.data(), holder.spec, nullptr), ippStsNoErr);
      const double inverseTol = oracle::FFTTolerance(N, oracle::Norm2(spectrum)) * inverseFactor;
      for (std::size_t n : at) {
        EXPECT_NEAR(back[n], static_cast<double>(signal[n]) * inverseFactor, inverseTol) << "point " << n;
        EXPECT_EQ(back[n], backSame[n]) << "point " << n;
      }
    }
  }
}

TEST(RealFFT, SmallOrderRoundTripsInPackAndPerm) {
  for (int order = 0; order <= 14; ++order) {
    const std::size_t N = std::size_t(1) << order;
    RealSpec holder(order, 2);
    const auto s = oracle::RandomVector(N, 800 + order);
    for (Layout layout : {Layout::kPack, Layout::kPerm}) {
      std::vector<double> y = s;
      ASSERT_EQ(InverseOf(layout)(y.data(), y.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(ForwardOf(layout)(y.data(), y.data(), holder.spec, nullptr), ippStsNoErr);
      for (std::size_t n = 0; n < N; ++n) EXPECT_NEAR(y[n], s[n], 1e-14) << order << " " << n;
    }
  }
}

TEST(RealFFT, SpectrumProductsGiveCircularConvolutionAndCorrelation) {
  for (int order : {2, 3, 6, 11}) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    RealSpec holder(order, 2);
    const auto x = oracle::RandomVector(N, 900 + order), h = oracle::RandomVector(N, 950 + order);
    std::vector<double> X(N), H(N);
    ASSERT_EQ(RealFFTForwardPerm(x.data(), X.data(), holder.spec, nullptr), ippStsNoErr);
    ASSERT_EQ(RealFFTForwardPerm(h.data(), H.data(), holder.spec, nullptr), ippStsNoErr);
    ASSERT_EQ(MulPerm(H.data(), X.data(), static_cast<int>(N)), ippStsNoErr);
    ASSERT_EQ(RealFFTInversePerm(X.data(), X.data(), holder.spec, nullptr), ippStsNoErr);
    std::vector<double> P(N);
    ASSERT_EQ(RealFFTForwardPack(x.data(), P.data(), holder.spec, nullptr), ippStsNoErr);
    ASSERT_EQ(MulPackConj(P.data(), P.data(), static_cast<int>(N)), ippStsNoErr);
    ASSERT_EQ(RealFFTInversePack(P.data(), P.data(), holder.spec, nullptr), ippStsNoErr);
    for (std::size_t k = 0; k < N; ++k) {
      long double conv = 0, corr = 0;
      for (std::size_t n = 0; n < N; ++n) {
        conv += static_cast<long double>(x[n]) * h[(k + N - n) % N];
        corr += static_cast<long double>(x[n]) * x[(n + k) % N];
      }
      EXPECT_NEAR(X[k], static_cast<double>(conv), 1e-13 * order) << k;
      EXPECT_NEAR(P[k], static_cast<double>(corr), 1e-13 * order) << k;
    }
  }
}

TEST(RealFFT, ProductsOnOddLengthsHaveNoNyquistTerm) {
  const double a[5] = {2, 3, 4, 5, 6};
  double perm[5] = {1, 1, 2, 3, 4}, pack[5] = {1, 1, 2, 3, 4};
  ASSERT_EQ(MulPerm(a, perm, 5), ippStsNoErr);
  ASSERT_EQ(MulPackConj(a, pack, 5), ippStsNoErr);
  // Pairs start at position 1: (3+4i)(1+2i) and (3+4i)conj(1+2i).
  EXPECT_EQ(std::vector<double>(perm, perm + 5), (std::vector<double>{2, 3 - 8, 6 + 4, 5 * 3 - 6 * 4, 5 * 4 + 6 * 3}));
  EXPECT_EQ(std::vector<double>(pack, pack + 5), (std::vector<double>{2, 3 + 8, 4 - 6, 5 * 3 + 6 * 4, 6 * 3 - 5 * 4}));
  double even[4] = {1, 2, 3, 4};
  const double b[4] = {5, 6, 7, 8};
  ASSERT_EQ(MulPerm(b, even, 4), ippStsNoErr);  // R0, R(N/2), then one pair
  EXPECT_EQ(std::vector<double>(even, even + 4), (std::vector<double>{5, 12, 7 * 3 - 8 * 4, 7 * 4 + 8 * 3}));
  EXPECT_EQ(MulPerm(nullptr, even, 4), ippStsNullPtrErr);
  EXPECT_EQ(MulPackConj(b, even, 0), ippStsSizeErr);
}

TEST(RealFFT, ComplexSpecIsRefusedBeforeNullChecks) {
  FFTSpec* spec = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&spec, 5, 2, ippAlgHintNone), ippStsNoErr);
  for (Layout layout : kLayouts) {
    EXPECT_EQ(ForwardOf(layout)(nullptr, nullptr, spec, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(InverseOf(layout)(nullptr, nullptr, spec, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(ForwardOf(layout)(nullptr, nullptr, nullptr, nullptr), ippStsNullPtrErr);
  }
  int size = 0;
  EXPECT_EQ(RealFFTGetBufSize(spec, &size), ippStsContextMatchErr);
  RealSpec real(5, 2);
  double x[32] = {};
  EXPECT_EQ(RealFFTForwardPerm(x, nullptr, real.spec, nullptr), ippStsNullPtrErr);
  ippsFFTFree_C_64fc(spec);
}

// The AVX split and merge passes do the plain operations lane by lane, so
// they give identical bits, in place and out of place.
TEST(RealFFT, AVXSplitAndMergePassesEqualThePlainOnes) {
  if (FFTUsableKernelSet(FFTKernelSet::kAVX) != FFTKernelSet::kAVX)
    GTEST_SKIP() << "this processor has no AVX: the AVX kernels would run as the plain ones";
  for (int order : {4, 5, 6, 11}) {
    const std::size_t N = std::size_t(1) << order, M = N / 2;
    RealSpec real(order, 8);
    const auto z = oracle::RandomVector(N + 2, 1000 + order);
    auto plain = z, avx = z;
    RealSplitPassWith(FFTKernelSet::kPlain, plain.data(), M, real.spec->splitTwiddles);
    RealSplitPassWith(FFTKernelSet::kAVX, avx.data(), M, real.spec->splitTwiddles);
    EXPECT_EQ(std::memcmp(plain.data(), avx.data(), (N + 2) * sizeof(double)), 0) << order;
    EXPECT_NE(std::memcmp(plain.data(), z.data(), (N + 2) * sizeof(double)), 0);
    std::vector<double> plainOut(N + 2), avxOut(N + 2);
    RealMergePassWith(FFTKernelSet::kPlain, z.data(), plainOut.data(), M, real.spec->mergeTwiddles);
    RealMergePassWith(FFTKernelSet::kAVX, z.data(), avxOut.data(), M, real.spec->mergeTwiddles);
    auto inPlace = z;
    RealMergePassWith(FFTKernelSet::kAVX, inPlace.data(), inPlace.data(), M, real.spec->mergeTwiddles);
    for (std::size_t i = 2; i < N; ++i) {  // the pass writes bins 1 .. M-1
      ASSERT_EQ(std::memcmp(&plainOut[i], &avxOut[i], sizeof(double)), 0) << order << " " << i;
      ASSERT_EQ(std::memcmp(&plainOut[i], &inPlace[i], sizeof(double)), 0) << order << " " << i;
    }
  }
}

}  // namespace
}  // namespace tavrel::kernels
