#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/tests/failing_heap.h"
#include "math/tests/oracle.h"
#include "platform/tests/sweeps.h"

namespace tavrel::kernels {
namespace {

using oracle::LComplex;

struct SpecHolder {
  FFTSpec* spec = nullptr;
  SpecHolder(int order, int flag) { EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&spec, order, flag, ippAlgHintNone), ippStsNoErr); }
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

// Every public path up to order 12 (fixed kernels, the radix-4 plan of
// order 4, the depth-first plan with even and odd leaves) against the direct
// transform, both directions, in place and out of place.
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
  for (int order : test::Sweep({13, 14, 15, 16, 17, 18, 19, 20, 21}, {13})) {
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

// Out of place, large plans read the source directly or permute it in tiles
// instead of the table-driven pass the in-place path uses (depth-first plan
// up to order 20, split plan above); the bits agree.
TEST(ComplexFFT, OutOfPlaceEqualsInPlaceOnLargePlans) {
  for (int order : test::Sweep({12, 14, 15, 16, 17, 19, 21}, {12, 13, 21})) {
    const std::size_t N = std::size_t(1) << order;
    SpecHolder holder(order, 4);
    const auto x = RandomComplex(N, 300 + order);
    for (bool inverse : {false, true}) {
      const auto transform = inverse ? ippsFFTInv_CToC_64fc : ippsFFTFwd_CToC_64fc;
      std::vector<Ipp64fc> out(N), inPlace = x;
      ASSERT_EQ(transform(x.data(), out.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(transform(inPlace.data(), inPlace.data(), holder.spec, nullptr), ippStsNoErr);
      EXPECT_EQ(std::memcmp(out.data(), inPlace.data(), N * sizeof(Ipp64fc)), 0) << order << " " << inverse;
    }
  }
}

// Flag 1, 2 and 4 scale each value exactly once over a round trip, flag 8
// not at all; checked on the fixed kernels and the depth-first plan.
TEST(ComplexFFT, ScaleFlagsOverARoundTrip) {
  for (int order : {2, 5, 10, 12}) {
    const std::size_t N = std::size_t(1) << order;
    const auto x = RandomComplex(N, 40 + order);
    for (int flag : {1, 2, 4, 8}) {
      SCOPED_TRACE(order * 100 + flag);
      SpecHolder holder(order, flag);
      std::vector<Ipp64fc> y(N);
      ASSERT_EQ(ippsFFTFwd_CToC_64fc(x.data(), y.data(), holder.spec, nullptr), ippStsNoErr);
      ASSERT_EQ(ippsFFTInv_CToC_64fc(y.data(), y.data(), holder.spec, nullptr), ippStsNoErr);
      const double gain = flag == 8 ? static_cast<double>(N) : 1.0;
      for (std::size_t n = 0; n < N; ++n) {
        EXPECT_NEAR(y[n].re, gain * x[n].re, 1e-14 * gain * order);
        EXPECT_NEAR(y[n].im, gain * x[n].im, 1e-14 * gain * order);
      }
    }
  }
}

TEST(ComplexFFT, StatusOrderAndWorkAreaFailure) {
  FFTSpec* real = nullptr;
  ASSERT_EQ(ippsFFTInitAlloc_R_64f(&real, 6, 2, ippAlgHintNone), ippStsNoErr);
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(nullptr, nullptr, real, nullptr), ippStsContextMatchErr);
  EXPECT_EQ(ippsFFTInv_CToC_64fc(nullptr, nullptr, nullptr, nullptr), ippStsNullPtrErr);
  ippsFFTFree_R_64f(real);
  SpecHolder holder(12, 2);
  std::vector<Ipp64fc> x(4096, Ipp64fc{1.0, 2.0}), y(4096, Ipp64fc{7.0, 7.0});
  EXPECT_EQ(ippsFFTFwd_CToC_64fc(x.data(), nullptr, holder.spec, nullptr), ippStsNullPtrErr);
  {
    FailingHeap heap(1);
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(x.data(), y.data(), holder.spec, nullptr), ippStsMemAllocErr);
    EXPECT_EQ(heap.live(), 0);
  }
  EXPECT_EQ(y[0].re, 7.0);
  EXPECT_EQ(y[4095].im, 7.0);
  {
    FailingHeap heap;  // an own work area, given back
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(x.data(), y.data(), holder.spec, nullptr), ippStsNoErr);
    EXPECT_EQ(heap.allocations(), 1);
    EXPECT_EQ(heap.live(), 0);
  }
}

TEST(ComplexFFT, SmallHelpers) {
  Ipp64fc a[3] = {{1, 2}, {3, -4}, {5, 6}}, b[3] = {};
  EXPECT_EQ(CopyComplex(a, b, 0), ippStsSizeErr);
  EXPECT_EQ(ConjugateComplex(a, nullptr, 3), ippStsNullPtrErr);
  EXPECT_EQ(ConjugateComplexInPlace(nullptr, 3), ippStsNullPtrErr);
  EXPECT_EQ(ConjugateComplexInPlace(a, 0), ippStsSizeErr);
  EXPECT_EQ(b[0].re, 0.0);
  EXPECT_EQ(ConjugateComplex(a, b, 3), ippStsNoErr);
  EXPECT_EQ(b[1].im, 4.0);
  EXPECT_EQ(ConjugateComplexInPlace(b, 3), ippStsNoErr);
  EXPECT_EQ(CopyComplex(b, b, 3), ippStsNoErr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(b[i].re, a[i].re);
    EXPECT_EQ(b[i].im, a[i].im);
  }
  double r = 5.0;
  const double u[3] = {1e16, 1.0, 1.0}, v[3] = {1.0, 1.0, 1.0};
  DotProductKernel(u, v, 0, &r);
  EXPECT_EQ(r, 0.0);
  DotProductKernel(u, v, 3, &r);
  EXPECT_EQ(r, 1e16 + 2.0);  // a double accumulator would lose both 1s
}

// Runs pass(set, inverse, data) with the plain and a wider kernel set on
// copies of x, both directions; the results must be identical and changed.
template <class Pass>
void ExpectWideEqualsPlain(FFTKernelSet wide, const std::vector<Ipp64fc>& x, Pass pass, int order) {
  for (bool inverse : {false, true}) {
    auto plain = x, other = x;
    pass(FFTKernelSet::kPlain, inverse, plain.data());
    pass(wide, inverse, other.data());
    EXPECT_EQ(std::memcmp(plain.data(), other.data(), x.size() * sizeof(Ipp64fc)), 0)
        << "set " << int(wide) << " order " << order << " " << inverse;
    EXPECT_NE(std::memcmp(plain.data(), x.data(), x.size() * sizeof(Ipp64fc)), 0) << order << " " << inverse;
  }
}
template <class Pass>
void ExpectAVXEqualsPlain(const std::vector<Ipp64fc>& x, Pass pass, int order) {
  ExpectWideEqualsPlain(FFTKernelSet::kAVX, x, pass, order);
}

// The AVX kernels perform the plain kernels' operations in the same order,
// so both give identical bits.
TEST(ComplexFFT, AVXStagesEqualThePlainOnes) {
  if (FFTUsableKernelSet(FFTKernelSet::kAVX) != FFTKernelSet::kAVX)
    GTEST_SKIP() << "this processor has no AVX: the AVX kernels would run as the plain ones";
  for (int order = 4; order <= 9; ++order) {  // the radix-4 sizes with tables
    const std::size_t L = std::size_t(1) << order;
    SpecHolder holder(order, 8);
    ExpectAVXEqualsPlain(RandomComplex(L, 60 + order), [&](FFTKernelSet set, bool inverse, Ipp64fc* data) {
      FFTRadix4With(set, inverse, data, L, holder.spec->twiddles);
    }, order);
  }
  // Combine passes of the blocked plans: one pass at order 10, two at 11.
  for (int order : {10, 11}) {
    const std::size_t L = std::size_t(1) << order;
    SpecHolder holder(order, 8);
    ExpectAVXEqualsPlain(RandomComplex(L, 90 + order), [&](FFTKernelSet set, bool inverse, Ipp64fc* data) {
      FFTCombinePassesWith(set, inverse, data, L, holder.spec->combineTwiddles);
    }, order);
  }
  // Column passes of split levels with R = 16 (even) and R = 32 (odd).
  for (int order : {12, 13}) {
    const std::size_t M = std::size_t(1) << order, R = order == 12 ? 16 : 32, K = M / R;
    SpecHolder holder(order, 8);
    std::vector<Ipp64fc> work(4 * R);
    ExpectAVXEqualsPlain(RandomComplex(M, 80 + order), [&](FFTKernelSet set, bool inverse, Ipp64fc* data) {
      FFTColumnPassWith(set, inverse, data, R, K, holder.spec->columnTwiddles[0], holder.spec->columnRadix4[0],
                        work.data());
    }, order);
  }
}

// The depth-first plan's AVX and AVX-512 kernels against the plain ones, at
// every order that has the plan, reading a natural-order source (leaf by leaf
// at the small orders, the four quarters in step at the large ones) and
// transforming bit-reversed data in place.
void ExpectDepthFirstEqualsPlain(FFTKernelSet wide) {
  std::vector<int> orders;
  for (int order = kFFTDepthFirstMinOrder; order <= kFFTDepthFirstMaxOrder; ++order) orders.push_back(order);
  // Leaf by leaf with even and odd leaves, then the quarters in step (from
  // order 9 with four lanes, from 12 with two).
  if (!test::kFullSweeps) orders = {kFFTDepthFirstMinOrder, kFFTDepthFirstMinOrder + 1, 9, 10, 12, 13};
  for (int order : orders) {
    const std::size_t N = std::size_t(1) << order;
    SpecHolder holder(order, 8);
    ASSERT_NE(holder.spec->depthFirst, nullptr) << order;
    const auto x = RandomComplex(N, 500 + order);
    for (bool natural : {true, false}) {
      ExpectWideEqualsPlain(wide, x, [&](FFTKernelSet set, bool inverse, Ipp64fc* data) {
        if (natural) {
          const std::vector<Ipp64fc> src(data, data + N);
          FFTDepthFirstWith(set, inverse, src.data(), data, order, holder.spec->depthFirst);
        } else {
          FFTDepthFirstWith(set, inverse, nullptr, data, order, holder.spec->depthFirst);
        }
      }, order);
    }
  }
}

TEST(ComplexFFT, DepthFirstAVXEqualsPlain) {
  if (FFTUsableKernelSet(FFTKernelSet::kAVX) != FFTKernelSet::kAVX)
    GTEST_SKIP() << "this processor has no AVX: the AVX kernels would run as the plain ones";
  ExpectDepthFirstEqualsPlain(FFTKernelSet::kAVX);
}

TEST(ComplexFFT, DepthFirstAVX512EqualsPlain) {
  if (FFTUsableKernelSet(FFTKernelSet::kAVX512) != FFTKernelSet::kAVX512)
    GTEST_SKIP() << "this processor has no AVX-512F: the AVX-512 kernels would run as the AVX ones";
  ExpectDepthFirstEqualsPlain(FFTKernelSet::kAVX512);
}

// The public transforms at the orders of the depth-first plan and at its
// neighbours, every scale flag, both directions, in place and out of place:
// the scaled direct transform (every bin up to order 12, sampled bins above).
TEST(ComplexFFT, DepthFirstOrdersMatchTheScaledDirectTransform) {
  for (int order : test::Sweep({4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20}, {4, 5, 10, 13})) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    const auto x = RandomComplex(N, 600 + order);
    const auto lx = ToLong(x);
    const bool full = order <= 12;
    std::vector<std::size_t> bins;
    for (std::size_t s = 0; s < (full ? N : 12); ++s) bins.push_back(full ? s : (s * 2654435761u + 3) % N);
    for (bool inverse : {false, true}) {
      const auto table = oracle::TwiddleTable(N, inverse);
      std::vector<LComplex> expected(bins.size());
      for (std::size_t b = 0; b < bins.size(); ++b) expected[b] = oracle::DftBin(lx, table, bins[b]);
      for (int flag : {1, 2, 4, 8}) {
        SpecHolder holder(order, flag);
        const bool scaled = flag == 4 || flag == (inverse ? 2 : 1);
        const double factor = !scaled ? 1.0 : flag == 4 ? 1.0 / std::sqrt(double(N)) : 1.0 / double(N);
        const double tol = oracle::FFTTolerance(N, oracle::Norm2(lx)) * factor;
        auto run = inverse ? ippsFFTInv_CToC_64fc : ippsFFTFwd_CToC_64fc;
        std::vector<Ipp64fc> out(N), inPlace = x;
        ASSERT_EQ(run(x.data(), out.data(), holder.spec, nullptr), ippStsNoErr);
        ASSERT_EQ(run(inPlace.data(), inPlace.data(), holder.spec, nullptr), ippStsNoErr);
        ASSERT_EQ(std::memcmp(out.data(), inPlace.data(), N * sizeof(Ipp64fc)), 0) << flag << " " << inverse;
        double worst = 0;
        for (std::size_t b = 0; b < bins.size(); ++b) {
          const Ipp64fc v = out[bins[b]];
          worst = std::max(worst, static_cast<double>(std::abs(LComplex(v.re, v.im) - expected[b] * (long double)factor)));
        }
        EXPECT_LE(worst, tol) << "flag " << flag << (inverse ? " inverse" : " forward");
      }
    }
  }
}

// The radix-4, blocked and split engines, which the public transforms use
// at the orders without a depth-first plan, against the direct transform on
// bit-reversed data: radix-4 up to order 9, blocked at 10 and 11, split with
// one level from 12, two from 21, and blocked rows at 19 and 20.
TEST(ComplexFFT, TableEnginesMatchTheDirectTransform) {
  for (int order : test::Sweep({4, 5, 8, 9, 10, 11, 12, 13, 16, 19, 20, 21}, {5, 10, 11, 12, 13, 19, 21})) {
    SCOPED_TRACE(order);
    const std::size_t N = std::size_t(1) << order;
    SpecHolder holder(order, 8);
    int size = 0;
    ASSERT_EQ(ComplexFFTGetBufSize(holder.spec, &size), ippStsNoErr);
    std::vector<Ipp64fc> work(static_cast<std::size_t>(size) / sizeof(Ipp64fc) + 1);
    const auto x = RandomComplex(N, 700 + order);
    const auto lx = ToLong(x);
    const double tol = oracle::FFTTolerance(N, oracle::Norm2(lx));
    for (bool inverse : {false, true}) {
      auto y = x;
      BitReverseInPlace(y.data(), N, holder.spec->bitReversal);
      if (order <= 9) {
        FFTRadix4With(FFTFastestKernelSet(), inverse, y.data(), N, holder.spec->twiddles);
      } else {
        (inverse ? FFTLargeInverse : FFTLargeForward)(holder.spec, y.data(), order, work.data());
      }
      const auto table = oracle::TwiddleTable(N, inverse);
      // Every bin is O(N^2): up to order 12 in the Release pass, 11 elsewhere.
      const bool every = order <= (test::kFullSweeps ? 12 : 11);
      const std::size_t bins = every ? N : 8;
      double worst = 0;
      for (std::size_t s = 0; s < bins; ++s) {
        const std::size_t k = every ? s : (s * 2654435761u + 11) % N;
        const LComplex want = oracle::DftBin(lx, table, k);
        worst = std::max(worst, static_cast<double>(std::abs(LComplex(y[k].re, y[k].im) - want)));
      }
      EXPECT_LE(worst, tol) << (inverse ? "inverse" : "forward");
    }
  }
}

// Both permutations with the compressed table give dst[rev(n)] = src[n].
TEST(ComplexFFT, BitReversalPermutations) {
  for (int m = 2; m <= 12; ++m) {
    const std::size_t M = std::size_t(1) << m;
    std::vector<Ipp32s> table((M / 4) + 1);
    BuildBitReversalTable(m, table.data());
    const auto x = RandomComplex(M, 70 + m);
    std::vector<Ipp64fc> copy(M), inPlace = x, tiled(M);
    BitReverseCopy(x.data(), copy.data(), M, table.data());
    BitReverseInPlace(inPlace.data(), M, table.data());
    if (m >= 6) BitReverseCopyTiled(x.data(), tiled.data(), m);
    for (std::size_t n = 0; n < M; ++n) {
      std::size_t r = 0;
      for (int b = 0; b < m; ++b) r |= ((n >> b) & 1) << (m - 1 - b);
      ASSERT_EQ(copy[r].re, x[n].re) << m << " " << n;
      ASSERT_EQ(copy[r].im, x[n].im) << m << " " << n;
      ASSERT_EQ(inPlace[r].re, x[n].re) << m << " " << n;
      if (m >= 6) {
        ASSERT_EQ(tiled[r].re, x[n].re) << m << " " << n;
        ASSERT_EQ(tiled[r].im, x[n].im) << m << " " << n;
      }
    }
  }
}

}  // namespace
}  // namespace tavrel::kernels
