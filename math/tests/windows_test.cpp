#include "math/windows.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

using testing::CheckRow;
using testing::Probe;

constexpr double kPi = std::numbers::pi;

// Independent weights, written the way numpy defines them.
double RefHamming(int n, int N) { return 0.54 - 0.46 * std::cos(2 * kPi * n / (N - 1)); }
double RefHann(int n, int N) { return 0.5 - 0.5 * std::cos(2 * kPi * n / (N - 1)); }
double RefBartlett(int n, int N) {
  return 1.0 - std::fabs((2.0 * n - (N - 1)) / (N - 1));
}
double RefBlackman(int n, int N, double alpha) {
  const double x = 2 * kPi * n / (N - 1);
  return (alpha + 1) / 2 - 0.5 * std::cos(x) - alpha / 2 * std::cos(2 * x);
}

// I0 through the fixed polynomial the window is defined with, evaluated in
// long double from the published decimal coefficients.
long double RefI0(long double x) {
  const long double a = std::fabs(x);
  if (a < 4) {
    const long double t = (a / 4) * (a / 4);
    const long double c[] = {0.9999999985L, 4.0000001935L, 3.9999959541L, 1.777809969L,
                             0.4443189384L, 0.0713758187L, 0.0075942968L, 0.0008267816L};
    long double s = 0, p = 1;
    for (long double ci : c) {
      s += ci * p;
      p *= t;
    }
    return s;
  }
  const long double u = 4 / a;
  const long double c[] = {0.3989422809L, 0.0124667783L, 0.0017623668L, 0.00026L,
                           0.0022585672L, -0.0128314822L, 0.0495811118L, -0.1209940805L,
                           0.1895476618L, -0.1867783276L, 0.1113315511L, -0.0366694767L,
                           0.0051246015L};
  long double s = 0, p = 1;
  for (long double ci : c) {
    s += ci * p;
    p *= u;
  }
  return s * std::exp(a) / std::sqrt(a);
}
// numpy's kaiser(M, beta) with beta = alpha*(N-1)/2.
double RefKaiser(int n, int N, float alpha) {
  const long double beta = static_cast<long double>(alpha) * (N - 1) / 2;
  const long double ratio = 2.0L * n / (N - 1) - 1;
  return static_cast<double>(RefI0(beta * std::sqrt(1 - ratio * ratio)) / RefI0(beta));
}

struct FixedWindow {
  const char* name;
  IppStatus (*inPlace)(Ipp64f*, int, double);
  IppStatus (*toDest)(const Ipp64f*, Ipp64f*, int, double);
  IppStatus (*complexInPlace)(Ipp64fc*, int, double);
  double (*ref)(int, int, double);
  double alpha;
};

#define NO_ALPHA(Name)                                                                     \
  [](Ipp64f* d, int n, double) { return ippsWin##Name##_64f_I(d, n); },                    \
      [](const Ipp64f* s, Ipp64f* d, int n, double) { return ippsWin##Name##_64f(s, d, n); }, \
      [](Ipp64fc* d, int n, double) { return ippsWin##Name##_64fc_I(d, n); }

const FixedWindow kFixed[] = {
    {"Bartlett", NO_ALPHA(Bartlett), [](int n, int N, double) { return RefBartlett(n, N); }, 0},
    {"Hamming", NO_ALPHA(Hamming), [](int n, int N, double) { return RefHamming(n, N); }, 0},
    {"Hann", NO_ALPHA(Hann), [](int n, int N, double) { return RefHann(n, N); }, 0},
    {"Blackman(-0.16)", ippsWinBlackman_64f_I, ippsWinBlackman_64f, ippsWinBlackman_64fc_I,
     RefBlackman, -0.16},
    {"Blackman(0.3)", ippsWinBlackman_64f_I, ippsWinBlackman_64f, ippsWinBlackman_64fc_I,
     RefBlackman, 0.3},
};
#undef NO_ALPHA

std::vector<double> Weights(const FixedWindow& w, int n) {
  std::vector<double> v(n, 1.0);
  EXPECT_EQ(w.inPlace(v.data(), n, w.alpha), ippStsNoErr);
  return v;
}

// The rotation drifts slowly with N; up to a few hundred points the weights
// agree to 1e-12.
double Tolerance(int n) { return std::max(1e-12, 1e-14 * n); }

TEST(Windows, FixedWindowsMatchClosedForms) {
  for (const FixedWindow& w : kFixed) {
    for (int n = 3; n <= 1025; n += (n < 40 ? 1 : 37)) {
      SCOPED_TRACE(std::string(w.name) + " N=" + std::to_string(n));
      const std::vector<double> got = Weights(w, n);
      double worst = 0;
      for (int k = 0; k < n; ++k) {
        const double ref = (n == 3 && k == 1) ? 1.0 : w.ref(k, n, w.alpha);
        worst = std::max(worst, std::fabs(got[k] - ref));
        EXPECT_EQ(got[k], got[n - 1 - k]) << k;  // one weight per pair
      }
      EXPECT_LE(worst, Tolerance(n));
      if (n <= 257) {
        EXPECT_LE(worst, 1e-12);
      }
    }
  }
}

TEST(Windows, FixedCases) {
  struct Case {
    const char* name;
    int n;
    std::vector<double> weights;
  };
  auto hamming = [](const double* in, double* out, int n) {
    return ippsWinHamming_64f(in, out, n);
  };
  auto hann = [](const double* in, double* out, int n) { return ippsWinHann_64f(in, out, n); };
  auto bartlett = [](const double* in, double* out, int n) {
    return ippsWinBartlett_64f(in, out, n);
  };
  auto blackman = [](const double* in, double* out, int n) {
    return ippsWinBlackman_64f(in, out, n, -0.16);
  };
  struct Row {
    const char* name;
    IppStatus (*call)(const double*, double*, int);
    int n;
    std::vector<double> weights;
  };
  const Row rows[] = {
      {"Bartlett 5", +bartlett, 5, {0, .5, 1, .5, 0}},
      {"Bartlett 4", +bartlett, 4, {0, 2.0 / 3, 2.0 / 3, 0}},
      {"Bartlett 3", +bartlett, 3, {0, 1, 0}},
      {"Hann 4", +hann, 4, {0, .75, .75, 0}},
      {"Hann 3", +hann, 3, {0, 1, 0}},
      {"Hamming 3", +hamming, 3, {0.08, 1, 0.08}},
      {"Blackman 3", +blackman, 3, {0, 1, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<double> in(row.n), out(row.n, -99);
    for (int k = 0; k < row.n; ++k) in[k] = 3.0 + k;
    ASSERT_EQ(row.call(in.data(), out.data(), row.n), ippStsNoErr);
    for (int k = 0; k < row.n; ++k) EXPECT_NEAR(out[k], in[k] * row.weights[k], 1e-15) << k;
  }
}

TEST(Windows, AllFormsAgreeAndTheMiddleIsNeverMultiplied) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const FixedWindow& w : kFixed) {
    for (int n : {3, 4, 9, 10}) {
      SCOPED_TRACE(std::string(w.name) + " N=" + std::to_string(n));
      std::vector<double> src(n);
      for (int k = 0; k < n; ++k) src[k] = 1.0 + 0.25 * k;
      if (n % 2) src[n / 2] = inf;
      std::vector<double> inPlace = src, dst(n, 0.0), imag(n);
      for (int k = 0; k < n; ++k) imag[k] = -2 * src[k];
      std::vector<Ipp64fc> cplx(n);
      for (int k = 0; k < n; ++k) cplx[k] = {src[k], -2 * src[k]};
      ASSERT_EQ(w.inPlace(inPlace.data(), n, w.alpha), ippStsNoErr);
      ASSERT_EQ(w.toDest(src.data(), dst.data(), n, w.alpha), ippStsNoErr);
      ASSERT_EQ(w.complexInPlace(cplx.data(), n, w.alpha), ippStsNoErr);
      ASSERT_EQ(w.inPlace(imag.data(), n, w.alpha), ippStsNoErr);
      for (int k = 0; k < n; ++k) {
        EXPECT_EQ(dst[k], inPlace[k]) << k;
        EXPECT_EQ(cplx[k].re, inPlace[k]) << k;
        EXPECT_EQ(cplx[k].im, imag[k]) << k;
      }
      if (n % 2) {
        EXPECT_EQ(inPlace[n / 2], inf);
      }
    }
  }
}

TEST(Windows, KaiserMatchesTheBesselReference) {
  for (float alpha : {0.0f, 0.05f, 0.5f, 2.0f, -3.0f}) {
    for (int n : {2, 3, 4, 5, 16, 41, 101, 600}) {
      if (0.5 * std::fabs(alpha) * (n - 1) > 308) continue;
      SCOPED_TRACE("alpha=" + std::to_string(alpha) + " N=" + std::to_string(n));
      std::vector<double> w(n, 1.0), d(n, 0.0), ones(n, 1.0);
      std::vector<Ipp64fc> c(n, Ipp64fc{1.0, 1.0});
      ASSERT_EQ(ippsWinKaiser_64f_I(w.data(), n, alpha), ippStsNoErr);
      ASSERT_EQ(ippsWinKaiser_64f(ones.data(), d.data(), n, alpha), ippStsNoErr);
      ASSERT_EQ(ippsWinKaiser_64fc_I(c.data(), n, alpha), ippStsNoErr);
      for (int k = 0; k < n; ++k) {
        const double ref = (n % 2 && k == n / 2) ? 1.0 : RefKaiser(k, n, alpha);
        EXPECT_NEAR(w[k], ref, 1e-12 * std::max(1.0, std::fabs(ref))) << k;
        EXPECT_EQ(w[k], w[n - 1 - k]);
        EXPECT_EQ(d[k], w[k]);
        EXPECT_EQ(c[k].re, w[k]);
        EXPECT_EQ(c[k].im, w[k]);
      }
    }
  }
}

TEST(Windows, KaiserEdges) {
  // alpha 0: every weight is I0(0)/I0(0), 1 to rounding.
  std::vector<double> v(5, 2.0);
  ASSERT_EQ(ippsWinKaiser_64f_I(v.data(), 5, 0.0f), ippStsNoErr);
  for (double x : v) EXPECT_NEAR(x, 2.0, 1e-15);

  // |alpha|*(N-1) = 617 is just over the limit; nothing is written.
  std::vector<double> big(618, 1.0), out(618, 7.0);
  EXPECT_EQ(ippsWinKaiser_64f_I(big.data(), 618, 1.0f), ippStsHugeWinErr);
  EXPECT_EQ(ippsWinKaiser_64f(big.data(), out.data(), 618, -1.0f), ippStsHugeWinErr);
  for (double x : big) EXPECT_EQ(x, 1.0);
  for (double x : out) EXPECT_EQ(x, 7.0);
  EXPECT_EQ(ippsWinKaiser_64f_I(big.data(), 617, 1.0f), ippStsNoErr);  // 616/2 = 308 passes

  double one = 3.5, copy = 0;
  EXPECT_EQ(ippsWinKaiser_64f_I(&one, 1, 4.0f), ippStsNoErr);
  EXPECT_EQ(one, 3.5);
  EXPECT_EQ(ippsWinKaiser_64f(&one, &copy, 1, 4.0f), ippStsNoErr);
  EXPECT_EQ(copy, 3.5);
}

TEST(Windows, KaiserStaysFiniteBeyondThe32BitProduct) {
  // k*(N-1-k) passes 2^31 near the middle once N > 92682.
  const int n = 100001;
  std::vector<double> v(n, 1.0);
  ASSERT_EQ(ippsWinKaiser_64f_I(v.data(), n, 0.001f), ippStsNoErr);
  for (int k : {0, 1000, 46341, 50000, 50001, n - 1}) {
    ASSERT_TRUE(std::isfinite(v[k])) << k;
    EXPECT_NEAR(v[k], RefKaiser(k, n, 0.001f), 1e-9) << k;
  }
}

TEST(Windows, HandledEdgeCasesRaiseNoFloatingPointFlag) {
  std::vector<double> v(618, 1.0), out(618);
  std::vector<Ipp64fc> c(5, Ipp64fc{1, 1});
  double one = 2.0;
  std::feclearexcept(FE_ALL_EXCEPT);
  ippsWinKaiser_64f_I(v.data(), 618, 1.0f);           // too wide: refused before any exponential
  ippsWinKaiser_64f_I(v.data(), 617, 1.0f);           // at the limit: e^308 stays finite
  ippsWinKaiser_64f(v.data(), out.data(), 5, 0.0f);   // I0(0) / I0(0)
  ippsWinKaiser_64fc_I(c.data(), 5, -2.0f);
  ippsWinKaiser_64f_I(&one, 1, 3.0f);
  ippsVectorJaehne_64f(&one, 1, 5.0);
  ippsWinBartlett_64f_I(v.data(), 3);
  ippsWinBlackman_64f_I(v.data(), 3, 0.5);
  ippsWinHann_64f_I(v.data(), 618);
  EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

TEST(Windows, Jaehne) {
  double one = 9;
  EXPECT_EQ(ippsVectorJaehne_64f(&one, 1, 5.0), ippStsNoErr);
  EXPECT_EQ(one, 0.0);
  std::vector<double> v(64, 0.0);
  ASSERT_EQ(ippsVectorJaehne_64f(v.data(), 64, 2.5), ippStsNoErr);
  for (int k = 0; k < 64; ++k)
    EXPECT_NEAR(v[k], 2.5 * std::sin(kPi / 2 / 64 * k * k), 1e-13) << k;
}

}  // namespace

std::vector<testing::CheckRow> WindowsCheckRows() {
  std::vector<CheckRow> rows = {
      {"ippsWinBartlett_64f_I", [](Probe& p) { return ippsWinBartlett_64f_I(p.F64(0), p.Len(8, 2)); }},
      {"ippsWinBartlett_64f",
       [](Probe& p) { return ippsWinBartlett_64f(p.F64(0), p.F64(1), p.Len(8, 2)); }},
      {"ippsWinBartlett_64fc_I", [](Probe& p) { return ippsWinBartlett_64fc_I(p.C64(0), p.Len(8, 2)); }},
      {"ippsWinBlackman_64f_I",
       [](Probe& p) { return ippsWinBlackman_64f_I(p.F64(0), p.Len(8, 2), 0.1); }},
      {"ippsWinBlackman_64f",
       [](Probe& p) { return ippsWinBlackman_64f(p.F64(0), p.F64(1), p.Len(8, 2), 0.1); }},
      {"ippsWinBlackman_64fc_I",
       [](Probe& p) { return ippsWinBlackman_64fc_I(p.C64(0), p.Len(8, 2), 0.1); }},
      {"ippsWinHamming_64f_I", [](Probe& p) { return ippsWinHamming_64f_I(p.F64(0), p.Len(8, 2)); }},
      {"ippsWinHamming_64f",
       [](Probe& p) { return ippsWinHamming_64f(p.F64(0), p.F64(1), p.Len(8, 2)); }},
      {"ippsWinHamming_64fc_I", [](Probe& p) { return ippsWinHamming_64fc_I(p.C64(0), p.Len(8, 2)); }},
      {"ippsWinHann_64f_I", [](Probe& p) { return ippsWinHann_64f_I(p.F64(0), p.Len(8, 2)); }},
      {"ippsWinHann_64f", [](Probe& p) { return ippsWinHann_64f(p.F64(0), p.F64(1), p.Len(8, 2)); }},
      {"ippsWinHann_64fc_I", [](Probe& p) { return ippsWinHann_64fc_I(p.C64(0), p.Len(8, 2)); }},
      {"ippsWinKaiser_64f_I",
       [](Probe& p) { return ippsWinKaiser_64f_I(p.F64(0), p.Len(300), p.Own(1.0f, 3.0f)); },
       ippStsHugeWinErr},
      {"ippsWinKaiser_64f",
       [](Probe& p) {
         return ippsWinKaiser_64f(p.F64(0), p.F64(1), p.Len(300), p.Own(1.0f, 3.0f));
       },
       ippStsHugeWinErr},
      {"ippsWinKaiser_64fc_I",
       [](Probe& p) { return ippsWinKaiser_64fc_I(p.C64(0), p.Len(200), p.Own(1.0f, 4.0f)); },
       ippStsHugeWinErr},
      {"ippsVectorJaehne_64f",
       [](Probe& p) { return ippsVectorJaehne_64f(p.F64(0), p.Len(16), p.Own(1.0, -1.0)); },
       ippStsJaehneErr},
  };
  return rows;
}

}  // namespace tavrel::kernels
