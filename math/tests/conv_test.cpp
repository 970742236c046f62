#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <vector>

#include "math/convolution.h"
#include "math/tests/failing_heap.h"
#include "math/tests/oracle.h"

namespace tavrel::kernels {
namespace {

using LComplex = std::complex<long double>;

// Convolution with a bound of a few ulps of sum |terms| at every output.
void ExpectConvolution(const std::vector<double>& a, const std::vector<double>& b, const std::vector<double>& got) {
  const auto want = oracle::Convolve(a.data(), a.size(), b.data(), b.size());
  std::vector<double> absA(a.size()), absB(b.size());
  for (std::size_t i = 0; i < a.size(); ++i) absA[i] = std::fabs(a[i]);
  for (std::size_t i = 0; i < b.size(); ++i) absB[i] = std::fabs(b[i]);
  const auto magnitude = oracle::Convolve(absA.data(), absA.size(), absB.data(), absB.size());
  const double scale = std::sqrt(static_cast<double>(a.size() + b.size()));
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t n = 0; n < want.size(); ++n)
    ASSERT_NEAR(got[n], static_cast<double>(want[n]), 1e-14 * scale * static_cast<double>(magnitude[n]) + 1e-300)
        << "output " << n << " of " << want.size();
}

// Each threshold from both sides: output length 149/150, short operand 31/32,
// long operand 4095/4096, LA = 3 LB - 1 and 3 LB; the operands either way round.
TEST(Convolution, BothSidesOfEveryThreshold) {
  struct Case {
    int la, lb;
  } cases[] = {{1, 1},    {100, 50}, {100, 51},  {200, 31},  {200, 32}, {4095, 20},
               {4096, 20}, {191, 64}, {192, 64}, {4095, 40}, {1000, 600}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.la << " x " << c.lb);
    const auto a = oracle::RandomVector(c.la, c.la), b = oracle::RandomVector(c.lb, 7 * c.lb);
    std::vector<double> ab(c.la + c.lb - 1), ba(ab.size());
    ASSERT_EQ(ippsConv_64f(a.data(), c.la, b.data(), c.lb, ab.data()), ippStsNoErr);
    ASSERT_EQ(ippsConv_64f(b.data(), c.lb, a.data(), c.la, ba.data()), ippStsNoErr);
    ExpectConvolution(a, b, ab);
    EXPECT_EQ(ab, ba);
  }
}

TEST(Convolution, OverlapSaveMatchesEveryOutput) {
  const auto a = oracle::RandomVector(100000, 1), b = oracle::RandomVector(40, 2);
  std::vector<double> y(a.size() + b.size() - 1);
  ASSERT_EQ(ippsConv_64f(a.data(), 100000, b.data(), 40, y.data()), ippStsNoErr);
  ExpectConvolution(a, b, y);
}

TEST(Convolution, ArgumentErrorsWriteNothing) {
  const double a[2] = {1, 2};
  double y[3] = {5, 5, 5};
  EXPECT_EQ(ippsConv_64f(nullptr, 2, a, 2, y), ippStsNullPtrErr);
  EXPECT_EQ(ippsConv_64f(a, 2, a, 2, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsConv_64f(a, 0, a, 2, y), ippStsSizeErr);
  EXPECT_EQ(ippsConv_64f(a, 2, a, -1, y), ippStsSizeErr);
  EXPECT_EQ(y[0], 5.0);
}

TEST(Convolution, AllocationFailuresLeaveNothingHeld) {
  for (int la : {300, 1000}) {  // one transform; overlap-save
    const auto a = oracle::RandomVector(la, 3), b = oracle::RandomVector(100, 4);
    std::vector<double> y(la + 99);
    ExpectEveryAllocationFailureReported([&] { return ippsConv_64f(a.data(), la, b.data(), 100, y.data()); });
  }
}

// ---- Correlations -------------------------------------------------------

std::vector<LComplex> ToComplex(const std::vector<double>& flat) {
  std::vector<LComplex> out(flat.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = LComplex(flat[2 * i], flat[2 * i + 1]);
  return out;
}

// Cross-correlation oracle: value and sum of |terms| per lag.
struct LagRef {
  LComplex value;
  long double magnitude;
};
LagRef CrossRef(const std::vector<LComplex>& a, const std::vector<LComplex>& b, long long lag) {
  LagRef r{0, 0};
  for (long long i = 0; i < static_cast<long long>(a.size()); ++i) {
    const long long j = lag + i;
    if (j < 0 || j >= static_cast<long long>(b.size())) continue;
    r.value += std::conj(a[i]) * b[j];
    r.magnitude += std::abs(a[i]) * std::abs(b[j]);
  }
  return r;
}

double Tolerance(long double magnitude, std::size_t n) {
  return 1e-14 * std::sqrt(static_cast<double>(n)) * static_cast<double>(magnitude) + 1e-300;
}

TEST(AutoCorrelation, RealBothSidesOfTheThresholdAndZeroTail) {
  for (int n : {10, 599, 600, 1500}) {
    for (int lags : {n / 2 + 1, n, n + 7}) {
      SCOPED_TRACE(testing::Message() << n << " " << lags);
      const auto x = oracle::RandomVector(n, n);
      std::vector<LComplex> lx(x.begin(), x.end());
      std::vector<double> y(lags, 9.0), a(lags), b(lags);
      ASSERT_EQ(ippsAutoCorr_64f(x.data(), n, y.data(), lags), ippStsNoErr);
      ASSERT_EQ(ippsAutoCorr_NormA_64f(x.data(), n, a.data(), lags), ippStsNoErr);
      ASSERT_EQ(ippsAutoCorr_NormB_64f(x.data(), n, b.data(), lags), ippStsNoErr);
      for (int k = 0; k < lags; ++k) {
        if (k >= n) {
          EXPECT_EQ(y[k], 0.0);
          EXPECT_EQ(b[k], 0.0);
          continue;
        }
        const LagRef r = CrossRef(lx, lx, k);
        const double v = static_cast<double>(r.value.real()), tol = Tolerance(r.magnitude, n);
        ASSERT_NEAR(y[k], v, tol) << k;
        EXPECT_NEAR(a[k], v / n, tol / n) << k;
        EXPECT_NEAR(b[k], v / (n - k), tol / (n - k)) << k;
      }
    }
  }
}

TEST(AutoCorrelation, ComplexConjugatesAndKeepsLagZeroReal) {
  for (int n : {20, 95, 96, 300}) {
    SCOPED_TRACE(n);
    const auto flat = oracle::RandomVector(2 * n, 3 * n);
    const auto lx = ToComplex(flat);
    std::vector<Ipp64fc> x(n), y(n + 3), a(n), b(n);
    for (int i = 0; i < n; ++i) x[i] = {flat[2 * i], flat[2 * i + 1]};
    ASSERT_EQ(ippsAutoCorr_64fc(x.data(), n, y.data(), n + 3), ippStsNoErr);
    ASSERT_EQ(ippsAutoCorr_NormA_64fc(x.data(), n, a.data(), n), ippStsNoErr);
    ASSERT_EQ(ippsAutoCorr_NormB_64fc(x.data(), n, b.data(), n), ippStsNoErr);
    if (n < 96) {
      EXPECT_EQ(y[0].im, 0.0);
    }
    for (int k = 0; k < n; ++k) {
      const LagRef r = CrossRef(lx, lx, k);
      const double tol = Tolerance(r.magnitude, n);
      ASSERT_NEAR(y[k].re, static_cast<double>(r.value.real()), tol) << k;
      ASSERT_NEAR(y[k].im, static_cast<double>(r.value.imag()), tol) << k;
      EXPECT_NEAR(a[k].im, static_cast<double>(r.value.imag()) / n, tol / n) << k;
      EXPECT_NEAR(b[k].re, static_cast<double>(r.value.real()) / (n - k), tol / (n - k)) << k;
    }
    for (int k = n; k < n + 3; ++k) {
      EXPECT_EQ(y[k].re, 0.0);
      EXPECT_EQ(y[k].im, 0.0);
    }
  }
}

// Lag ranges wholly before, wholly after, across the growing, full and
// shrinking overlap, and on both sides of the direct/FFT work measure.
TEST(CrossCorrelation, LagTableAgainstDirectSums) {
  struct Case {
    int len1, len2, dstLen, lowLag;
  } cases[] = {
      {10, 20, 5, -30},     // every lag before -len1 + 1
      {10, 20, 8, -12},     // zeros, then lags from -9
      {10, 20, 6, 20},      // every lag at or past len2
      {10, 20, 40, -9},     // growing, full, shrinking, then zeros
      {20, 10, 40, -25},    // longer first operand
      {7, 7, 13, -6},       // every lag with overlap
      {600, 600, 511, -300},  // q = 511: direct
      {600, 600, 512, -300},  // q = 512: FFT
      {2000, 700, 1500, -1200},  // FFT, crossing all regions
      {1, 1, 3, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.len1 << " " << c.len2 << " " << c.dstLen << " " << c.lowLag);
    const auto f1 = oracle::RandomVector(2 * c.len1, c.len1), f2 = oracle::RandomVector(2 * c.len2, 5 * c.len2);
    // Real: the real parts.
    std::vector<double> r1(c.len1), r2(c.len2), y(c.dstLen, 9.0);
    for (int i = 0; i < c.len1; ++i) r1[i] = f1[2 * i];
    for (int i = 0; i < c.len2; ++i) r2[i] = f2[2 * i];
    ASSERT_EQ(ippsCrossCorr_64f(r1.data(), c.len1, r2.data(), c.len2, y.data(), c.dstLen, c.lowLag), ippStsNoErr);
    std::vector<LComplex> l1(r1.begin(), r1.end()), l2(r2.begin(), r2.end());
    for (int n = 0; n < c.dstLen; ++n) {
      const LagRef r = CrossRef(l1, l2, static_cast<long long>(c.lowLag) + n);
      ASSERT_NEAR(y[n], static_cast<double>(r.value.real()), Tolerance(r.magnitude, c.len1 + c.len2)) << n;
    }
    // Complex.
    const auto c1 = ToComplex(f1), c2 = ToComplex(f2);
    std::vector<Ipp64fc> x1(c.len1), x2(c.len2), z(c.dstLen, Ipp64fc{9.0, 9.0});
    for (int i = 0; i < c.len1; ++i) x1[i] = {f1[2 * i], f1[2 * i + 1]};
    for (int i = 0; i < c.len2; ++i) x2[i] = {f2[2 * i], f2[2 * i + 1]};
    ASSERT_EQ(ippsCrossCorr_64fc(x1.data(), c.len1, x2.data(), c.len2, z.data(), c.dstLen, c.lowLag), ippStsNoErr);
    for (int n = 0; n < c.dstLen; ++n) {
      const LagRef r = CrossRef(c1, c2, static_cast<long long>(c.lowLag) + n);
      const double tol = Tolerance(r.magnitude, c.len1 + c.len2);
      ASSERT_NEAR(z[n].re, static_cast<double>(r.value.real()), tol) << n;
      ASSERT_NEAR(z[n].im, static_cast<double>(r.value.imag()), tol) << n;
    }
  }
  // lowLag = -(len1 - 1) starts with the single product src1[len1-1] * src2[0].
  const double a[3] = {1, 2, 3}, b[2] = {5, 7};
  double y[2];
  ASSERT_EQ(ippsCrossCorr_64f(a, 3, b, 2, y, 2, -2), ippStsNoErr);
  EXPECT_EQ(y[0], 15.0);
  EXPECT_EQ(y[1], 2 * 5 + 3 * 7);
}

TEST(CrossCorrelation, ArgumentErrorsAndAllocationFailures) {
  const double a[4] = {1, 2, 3, 4};
  double y[4] = {5, 5, 5, 5};
  EXPECT_EQ(ippsCrossCorr_64f(a, 4, nullptr, 4, y, 4, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64f(a, 4, a, 4, y, 0, 0), ippStsSizeErr);
  EXPECT_EQ(ippsAutoCorr_64f(a, 4, nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(ippsAutoCorr_NormB_64f(a, 0, y, 4), ippStsSizeErr);
  EXPECT_EQ(ippsAutoCorr_64fc(nullptr, 4, nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(y[0], 5.0);
  const auto x = oracle::RandomVector(1400, 8);
  std::vector<double> out(1400);
  std::vector<Ipp64fc> cx(700), cout(700);
  std::memcpy(cx.data(), x.data(), 700 * sizeof(Ipp64fc));
  ExpectEveryAllocationFailureReported([&] { return ippsAutoCorr_64f(x.data(), 1400, out.data(), 700); });
  ExpectEveryAllocationFailureReported([&] { return ippsAutoCorr_NormB_64f(x.data(), 10, out.data(), 10); });
  ExpectEveryAllocationFailureReported([&] { return ippsAutoCorr_NormB_64fc(cx.data(), 200, cout.data(), 200); });
  ExpectEveryAllocationFailureReported(
      [&] { return ippsCrossCorr_64f(x.data(), 700, x.data() + 700, 700, out.data(), 1000, -500); });
  ExpectEveryAllocationFailureReported(
      [&] { return ippsCrossCorr_64fc(cx.data(), 600, cx.data() + 50, 600, cout.data(), 600, -300); });
}

}  // namespace
}  // namespace tavrel::kernels
