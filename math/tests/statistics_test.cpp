#include "math/statistics.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

using testing::CheckRow;
using testing::Probe;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

TEST(Statistics, SumsAreGroupedAsSpecified) {
  // Sequential summation loses the ones next to 1e20; the paired sums keep them.
  const std::vector<double> x = {1e20, 1, -1e20, 1};
  double mean = 0;
  ASSERT_EQ(ippsMean_64f(x.data(), 4, &mean), ippStsNoErr);
  EXPECT_EQ(mean, 0.5);

  const std::vector<double> five = {1, 2, 3, 4, 5};
  ASSERT_EQ(ippsMean_64f(five.data(), 5, &mean), ippStsNoErr);
  EXPECT_EQ(mean, 3.0);

  // The tail joins the first sum: 1e20 + 1 + 1 at indexes 0, 4, 5 loses both ones.
  const std::vector<double> tail = {1e20, 0, -1e20, 0, 1, 1};
  ASSERT_EQ(ippsMean_64f(tail.data(), 6, &mean), ippStsNoErr);
  EXPECT_EQ(mean, 2.0 / 6);

  // The 32-bit mean joins the two sums before the tail.
  const std::vector<float> xf = {1e20f, 1, -1e20f, 1, 3};
  float meanf = 0;
  ASSERT_EQ(ippsMean_32f(xf.data(), 5, &meanf, ippAlgHintNone), ippStsNoErr);
  EXPECT_EQ(meanf, 1.0f);
}

TEST(Statistics, StdDev) {
  struct Row {
    const char* name;
    std::vector<double> x;
    double want;
  };
  const Row rows[] = {
      {"constant", {0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}, 0.0},
      {"two", {1, 3}, std::sqrt(2.0)},
      {"five", {1, 2, 3, 4, 5}, std::sqrt(2.5)},
      {"big offset", {1e8 + 1, 1e8 + 2, 1e8 + 3, 1e8 + 4}, std::sqrt(5.0 / 3)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    double sd = -1;
    ASSERT_EQ(ippsStdDev_64f(r.x.data(), int(r.x.size()), &sd), ippStsNoErr);
    EXPECT_NEAR(sd, r.want, 1e-12 * std::max(1.0, r.want));
    if (r.want == 0.0) {
      EXPECT_EQ(Bits(sd), Bits(0.0));
    }
  }
  double one = 5, sd = -1;
  EXPECT_EQ(ippsStdDev_64f(&one, 1, &sd), ippStsSizeErr);
  EXPECT_EQ(sd, -1);
}

TEST(Statistics, NormsOfDifferences) {
  const std::vector<double> a = {1, -2, 3, 4}, b = {0, 2, 3, 1.5};
  double l1, l2, inf;
  ASSERT_EQ(ippsNormDiff_L1_64f(a.data(), b.data(), 4, &l1), ippStsNoErr);
  ASSERT_EQ(ippsNormDiff_L2_64f(a.data(), b.data(), 4, &l2), ippStsNoErr);
  ASSERT_EQ(ippsNormDiff_Inf_64f(a.data(), b.data(), 4, &inf), ippStsNoErr);
  EXPECT_EQ(l1, 7.5);
  EXPECT_DOUBLE_EQ(l2, std::sqrt(1 + 16 + 0 + 6.25));
  EXPECT_EQ(inf, 4.0);
  // The maximum starts from 0.0, so equal arrays give +0.0.
  ASSERT_EQ(ippsNormDiff_Inf_64f(a.data(), a.data(), 4, &inf), ippStsNoErr);
  EXPECT_EQ(Bits(inf), Bits(0.0));
}

TEST(Statistics, ExtremesKeepTheFirstIndex) {
  struct Row {
    std::vector<double> x;
    double min;
    int minAt;
    double max;
    int maxAt;
  };
  const Row rows[] = {
      {{3, 1, 1}, 1, 1, 3, 0},
      {{2, 5, 5, -1, -1}, -1, 3, 5, 1},
      {{7}, 7, 0, 7, 0},
      {{4, kNaN, 9, 0}, 0, 3, 9, 2},  // a NaN never replaces the running value
  };
  for (const Row& r : rows) {
    double v;
    int at = -1;
    ASSERT_EQ(ippsMinIndx_64f(r.x.data(), int(r.x.size()), &v, &at), ippStsNoErr);
    EXPECT_EQ(v, r.min);
    EXPECT_EQ(at, r.minAt);
    ASSERT_EQ(ippsMaxIndx_64f(r.x.data(), int(r.x.size()), &v, &at), ippStsNoErr);
    EXPECT_EQ(v, r.max);
    EXPECT_EQ(at, r.maxAt);
    // Without an index pointer the plain extreme is returned.
    ASSERT_EQ(ippsMaxIndx_64f(r.x.data(), int(r.x.size()), &v, nullptr), ippStsNoErr);
  }
  // A null index hands the whole call over, checks included.
  double v = 0;
  EXPECT_EQ(ippsMinIndx_64f(nullptr, 3, &v, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippsMaxIndx_64f(rows[0].x.data(), 0, &v, nullptr), ippStsSizeErr);
  const std::vector<double> lastNaN = {4, 9, kNaN};
  ASSERT_EQ(ippsMinIndx_64f(lastNaN.data(), 3, &v, nullptr), ippStsNoErr);
  EXPECT_TRUE(std::isnan(v));  // the plain minimum lets a NaN in
}

TEST(Statistics, Normalize) {
  const std::vector<double> x = {1, 3, -5};
  std::vector<double> out(3, 9);
  EXPECT_EQ(ippsNormalize_64f(x.data(), out.data(), 3, 1.0, 1e-309), ippStsDivByZeroErr);
  EXPECT_EQ(ippsNormalize_64f(x.data(), out.data(), 3, 1.0, kNaN), ippStsDivByZeroErr);
  EXPECT_EQ(out, std::vector<double>(3, 9));
  ASSERT_EQ(ippsNormalize_64f(x.data(), out.data(), 3, 1.0, -2.0), ippStsNoErr);
  EXPECT_EQ(out, (std::vector<double>{-0.0, -1.0, 3.0}));
  ASSERT_EQ(ippsNormalize_64f(x.data(), out.data(), 3, 0.0, 2.2250738585072014e-308), ippStsNoErr);

  const std::vector<float> xf = {2, 4};
  std::vector<float> of(2, 9);
  EXPECT_EQ(ippsNormalize_32f(xf.data(), of.data(), 2, 0, 1e-39f), ippStsDivByZeroErr);
  ASSERT_EQ(ippsNormalize_32f(xf.data(), of.data(), 2, 1, 4), ippStsNoErr);
  EXPECT_EQ(of, (std::vector<float>{0.25f, 0.75f}));
}

TEST(Statistics, DotProducts) {
  const std::vector<double> a = {1, 2, 3}, b = {4, -5, 6};
  double dp;
  ASSERT_EQ(ippsDotProd_64f(a.data(), b.data(), 3, &dp), ippStsNoErr);
  EXPECT_EQ(dp, 12.0);

  struct Row {
    const char* name;
    std::vector<Ipp32s> x, y;
    int sf;
    Ipp32s want;
  };
  const std::vector<Ipp32s> mins(5, INT_MIN);
  const Row rows[] = {
      {"2.5 to even", {1, 2}, {1, 2}, 1, 2},
      {"3.5 to even", {7}, {1}, 1, 4},
      {"-2.5 to even", {-5}, {1}, 1, -2},
      {"saturates high", mins, mins, 0, INT_MAX},
      {"exact after scaling", mins, mins, 62, 5},  // 5 * 2^62 / 2^62
      {"scale clamps at 93", {INT_MAX}, {INT_MAX}, 1000, 0},
      {"scale clamps at -31", {1}, {1}, -1000, INT_MAX},
      {"negative saturates", {INT_MIN}, {INT_MAX}, -1, INT_MIN},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Ipp32s out = 123;
    ASSERT_EQ(ippsDotProd_32s_Sfs(r.x.data(), r.y.data(), int(r.x.size()), &out, r.sf),
              ippStsNoErr);
    EXPECT_EQ(out, r.want);
  }
}

TEST(Statistics, ThresholdNaNTable) {
  // x -> result for level 1, per form and relOp.
  struct Row {
    const char* name;
    IppCmpOp op;
    double x;
    double inPlace;  // ippsThreshold_64f_I and _32f_I
    double toDest;   // ippsThreshold_64f
  };
  const Row rows[] = {
      {"greater, above", ippCmpGreater, 5, 1, 1},
      {"greater, below", ippCmpGreater, -5, -5, -5},
      {"greater, NaN", ippCmpGreater, kNaN, 1, kNaN},
      {"less, below", ippCmpLess, -5, 1, 1},
      {"less, above", ippCmpLess, 5, 5, 5},
      {"less, NaN", ippCmpLess, kNaN, kNaN, 1},
      {"other relOp is less", ippCmpEq, -5, 1, 1},
      {"other relOp, NaN", ippCmpGreaterEq, kNaN, kNaN, 1},
  };
  auto same = [](double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    double d = r.x, out = 0;
    float f = static_cast<float>(r.x);
    ASSERT_EQ(ippsThreshold_64f_I(&d, 1, 1.0, r.op), ippStsNoErr);
    ASSERT_EQ(ippsThreshold_32f_I(&f, 1, 1.0f, r.op), ippStsNoErr);
    ASSERT_EQ(ippsThreshold_64f(&r.x, &out, 1, 1.0, r.op), ippStsNoErr);
    EXPECT_TRUE(same(d, r.inPlace)) << d;
    EXPECT_TRUE(same(f, r.inPlace)) << f;
    EXPECT_TRUE(same(out, r.toDest)) << out;
  }
}

TEST(Statistics, SquareRoots) {
  std::vector<double> v = {-4, 4, -0.0, 0.0, kNaN};
  std::vector<double> out(5);
  ASSERT_EQ(ippsSqrt_64f(v.data(), out.data(), 5), ippStsSqrtNegArg);
  ASSERT_EQ(ippsSqrt_64f_I(v.data(), 5), ippStsSqrtNegArg);
  // In place: NaN passes through, both zeros unchanged. Out of place: NaN is invalid.
  EXPECT_EQ(Bits(v[0]), 0xFFF8000000000000u);
  EXPECT_EQ(v[1], 2.0);
  EXPECT_EQ(Bits(v[2]), Bits(-0.0));
  EXPECT_EQ(Bits(v[3]), Bits(0.0));
  EXPECT_TRUE(std::isnan(v[4]));
  EXPECT_EQ(Bits(out[0]), 0xFFF8000000000000u);
  EXPECT_EQ(out[1], 2.0);
  EXPECT_EQ(Bits(out[2]), Bits(-0.0));
  EXPECT_EQ(Bits(out[4]), 0xFFF8000000000000u);
  std::vector<double> fine = {0, 9};
  EXPECT_EQ(ippsSqrt_64f_I(fine.data(), 2), ippStsNoErr);

  struct Row {
    Ipp64fc z, want;
  };
  const Row rows[] = {
      {{-4, 0}, {0, 2}}, {{0, -2}, {1, -1}}, {{0, 2}, {1, 1}},  {{4, 0}, {2, 0}},
      {{3, 4}, {2, 1}},  {{-3, 4}, {1, 2}},  {{-3, -4}, {1, -2}}, {{0, 0}, {0, 0}},
  };
  for (const Row& r : rows) {
    Ipp64fc got, inPlace = r.z;
    ASSERT_EQ(ippsSqrt_64fc(&r.z, &got, 1), ippStsNoErr);
    ASSERT_EQ(ippsSqrt_64fc_I(&inPlace, 1), ippStsNoErr);
    EXPECT_DOUBLE_EQ(got.re, r.want.re) << r.z.re << "," << r.z.im;
    EXPECT_DOUBLE_EQ(got.im, r.want.im) << r.z.re << "," << r.z.im;
    EXPECT_EQ(inPlace.re, got.re);
    EXPECT_EQ(inPlace.im, got.im);
  }
}

TEST(Statistics, ExpAgainstLongDouble) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> dist(-708.0, 709.7);
  std::vector<double> x(4001);
  for (std::size_t i = 0; i < x.size(); ++i)
    x[i] = i < 2000 ? -20.0 + 40.0 * i / 2000.0 : dist(rng);
  std::vector<double> y(x.size());
  ASSERT_EQ(ippsExp_64f(x.data(), y.data(), int(x.size())), ippStsNoErr);
  for (std::size_t i = 0; i < x.size(); ++i) {
    const long double want = std::exp(static_cast<long double>(x[i]));
    ASSERT_LE(std::fabs((y[i] - want) / want), 4e-16L) << std::hexfloat << x[i];
  }
  std::vector<double> inPlace = x;
  ASSERT_EQ(ippsExp_64f_I(inPlace.data(), int(x.size())), ippStsNoErr);
  EXPECT_EQ(inPlace, y);
}

TEST(Statistics, ExpScreening) {
  struct Row {
    double x, want;
  };
  const Row rows[] = {
      {0, 1},
      {1, std::exp(1.0)},
      {710, kInf},
      {709.7822265625, kInf},
      {1000, kInf},
      {kInf, kInf},
      {-708.39599609375, 0.0},
      {-709, 0.0},
      {-1000, 0.0},
      {-kInf, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.x);
    // Long arrays screen the element; short ones use the run-time exponential,
    // which agrees on these values except in the underflow band.
    std::vector<double> longer = {r.x, 0.5, 0.5, 0.5, 0.5};
    ASSERT_EQ(ippsExp_64f_I(longer.data(), 5), ippStsNoErr);
    EXPECT_EQ(longer[0], r.want);
    EXPECT_EQ(longer[4], std::exp(0.5));
    double shortOut = -1;
    ASSERT_EQ(ippsExp_64f(&r.x, &shortOut, 1), ippStsNoErr);
    if (r.x != -708.39599609375 && r.x != -709 && r.x != 709.7822265625) {
      EXPECT_EQ(shortOut, r.want);
    }
  }
  for (int len : {1, 5}) {
    std::vector<double> n(len, kNaN);
    ASSERT_EQ(ippsExp_64f_I(n.data(), len), ippStsNoErr);
    for (double v : n) EXPECT_TRUE(std::isnan(v));
  }
}

TEST(Statistics, LnRecordsTheFirstProblem) {
  struct Row {
    const char* name;
    std::vector<double> x;
    IppStatus status;
  };
  const Row rows[] = {
      {"zero first", {0, -1}, ippStsLnZeroArg},
      {"negative first", {-1, 0}, ippStsLnNegArg},
      {"minus zero is negative", {2, -0.0, 0}, ippStsLnNegArg},
      {"positive NaN is no problem", {kNaN, 1}, ippStsNoErr},
      {"inf", {kInf, 1}, ippStsNoErr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<double> in = r.x, out(r.x.size());
    EXPECT_EQ(ippsLn_64f(in.data(), out.data(), int(in.size())), r.status);
    EXPECT_EQ(ippsLn_64f_I(in.data(), int(in.size())), r.status);
    for (std::size_t i = 0; i < in.size(); ++i) {
      EXPECT_EQ(Bits(in[i]), Bits(out[i]));
      const double x = r.x[i];
      if (std::signbit(x)) EXPECT_EQ(Bits(out[i]), 0xFFF8000000000000u);
      else if (std::isnan(x)) EXPECT_EQ(Bits(out[i]), 0x7FF8000000000000u);
      else if (x == 0) EXPECT_EQ(out[i], -kInf);
      else EXPECT_DOUBLE_EQ(out[i], std::log(x));
    }
  }
}

TEST(Statistics, ElementwiseAndComplex) {
  const std::vector<double> x = {-1.5, 2, -0.0};
  std::vector<double> out(3);
  ASSERT_EQ(ippsAbs_64f(x.data(), out.data(), 3), ippStsNoErr);
  EXPECT_EQ(out, (std::vector<double>{1.5, 2, 0.0}));
  EXPECT_FALSE(std::signbit(out[2]));
  ASSERT_EQ(ippsSqr_64f(x.data(), out.data(), 3), ippStsNoErr);
  EXPECT_EQ(out, (std::vector<double>{2.25, 4, 0}));

  const std::vector<Ipp16s> s = {-32768, 1, 32767};
  ASSERT_EQ(ippsConvert_16s64f_Sfs(s.data(), out.data(), 3, 2), ippStsNoErr);
  EXPECT_EQ(out, (std::vector<double>{-8192, 0.25, 32767 / 4.0}));
  ASSERT_EQ(ippsConvert_16s64f_Sfs(s.data(), out.data(), 3, 2000), ippStsNoErr);
  EXPECT_EQ(out[1], std::ldexp(1.0, -1022));
  ASSERT_EQ(ippsConvert_16s64f_Sfs(s.data(), out.data(), 3, -2000), ippStsNoErr);
  EXPECT_EQ(out[1], std::ldexp(1.0, 1008));

  std::vector<Ipp32u> w = {0xF0F0F0F0u, 0x12345678u};
  const std::vector<Ipp32u> m = {0xFFFF0000u, 0x0000FFFFu}, n = {0x0000000Fu, 0x0F000000u};
  ASSERT_EQ(ippsAnd_32u_I(m.data(), w.data(), 2), ippStsNoErr);
  EXPECT_EQ(w, (std::vector<Ipp32u>{0xF0F00000u, 0x00005678u}));
  ASSERT_EQ(ippsOr_32u_I(n.data(), w.data(), 2), ippStsNoErr);
  ASSERT_EQ(ippsXor_32u_I(m.data(), w.data(), 2), ippStsNoErr);
  EXPECT_EQ(w, (std::vector<Ipp32u>{0x0F0F000Fu, 0x0F00A987u}));
  ASSERT_EQ(ippsXorC_32u_I(1u, w.data(), 2), ippStsNoErr);
  ASSERT_EQ(ippsOrC_32u_I(0x100u, w.data(), 2), ippStsNoErr);
  ASSERT_EQ(ippsAndC_32u_I(0xFFFu, w.data(), 2), ippStsNoErr);
  EXPECT_EQ(w, (std::vector<Ipp32u>{0x10Eu, 0x986u}));
  ASSERT_EQ(ippsAndC_32u_I(0u, w.data(), 2), ippStsNoErr);
  EXPECT_EQ(w, (std::vector<Ipp32u>{0, 0}));

  const std::vector<Ipp64fc> z = {{3, 4}, {-1, 0}, {0, -2}};
  ASSERT_EQ(ippsPowerSpectr_64fc(z.data(), out.data(), 3), ippStsNoErr);
  EXPECT_EQ(out, (std::vector<double>{25, 1, 4}));
  ASSERT_EQ(ippsMagnitude_64fc(z.data(), out.data(), 3), ippStsNoErr);
  EXPECT_EQ(out, (std::vector<double>{5, 1, 2}));
  const Ipp64fc huge = {1e300, 1e300};
  double mag;
  ASSERT_EQ(ippsMagnitude_64fc(&huge, &mag, 1), ippStsNoErr);
  EXPECT_DOUBLE_EQ(mag, 1e300 * std::sqrt(2.0));
  ASSERT_EQ(ippsPhase_64fc(z.data(), out.data(), 3), ippStsNoErr);
  EXPECT_DOUBLE_EQ(out[0], std::atan2(4.0, 3.0));
  EXPECT_DOUBLE_EQ(out[1], std::acos(-1.0));
  EXPECT_DOUBLE_EQ(out[2], -std::acos(0.0));
  std::vector<Ipp64fc> sq(3), sqI = z;
  ASSERT_EQ(ippsSqr_64fc(z.data(), sq.data(), 3), ippStsNoErr);
  ASSERT_EQ(ippsSqr_64fc_I(sqI.data(), 3), ippStsNoErr);
  EXPECT_EQ(sq[0].re, -7);
  EXPECT_EQ(sq[0].im, 24);
  EXPECT_EQ(sq[2].re, -4);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sq[i].re, sqI[i].re);
    EXPECT_EQ(sq[i].im, sqI[i].im);
  }
}

// The edge cases the kernels handle by design raise no floating-point flag:
// nothing divides by zero, overflows or takes an invalid operation on the way.
TEST(Statistics, HandledEdgeCasesRaiseNoFloatingPointFlag) {
  std::vector<double> exps = {1000, -1000, kInf, -kInf, 709.7822265625, -708.39599609375, 0, 1};
  std::vector<double> lns = {0.0, -1.0, -0.0, kInf, kNaN, 2.0};
  std::vector<double> roots = {-4.0, -0.0, 0.0, 4.0, kNaN};
  std::vector<double> withNaN = {1.0, kNaN, -1.0, kNaN};
  std::vector<float> withNaNf = {1.0f, std::numeric_limits<float>::quiet_NaN()};
  std::vector<double> out(8);
  double v;
  int at;
  const std::vector<double> con = {3, 3, 3};
  const std::vector<Ipp32s> mins(4, INT_MIN);
  Ipp32s dp;
  std::feclearexcept(FE_ALL_EXCEPT);
  ippsExp_64f(exps.data(), out.data(), 8);
  ippsLn_64f(lns.data(), out.data(), 6);
  ippsSqrt_64f(roots.data(), out.data(), 5);
  ippsSqrt_64f_I(roots.data(), 5);
  for (IppCmpOp op : {ippCmpLess, ippCmpGreater}) {
    ippsThreshold_64f(withNaN.data(), out.data(), 4, 0.0, op);
    std::vector<double> copy = withNaN;
    ippsThreshold_64f_I(copy.data(), 4, 0.0, op);
    std::vector<float> copyf = withNaNf;
    ippsThreshold_32f_I(copyf.data(), 2, 0.0f, op);
  }
  ippsMinIndx_64f(withNaN.data(), 4, &v, &at);
  ippsMaxIndx_64f(withNaN.data(), 4, &v, &at);
  ippsNormDiff_Inf_64f(withNaN.data(), con.data(), 3, &v);
  ippsNormalize_64f(con.data(), out.data(), 3, 0, kNaN);
  ippsStdDev_64f(con.data(), 3, &v);
  ippsMinIndx_64f(con.data(), 3, &v, &at);
  ippsNormalize_64f(con.data(), out.data(), 3, 0, 0.0);
  ippsDotProd_32s_Sfs(mins.data(), mins.data(), 4, &dp, -31);
  EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

}  // namespace

std::vector<testing::CheckRow> StatisticsCheckRows() {
  std::vector<CheckRow> rows = {
      {"ippsNormDiff_L1_64f",
       [](Probe& p) { return ippsNormDiff_L1_64f(p.F64(0), p.F64(1), p.Len(4), p.F64(2)); }},
      {"ippsNormDiff_L2_64f",
       [](Probe& p) { return ippsNormDiff_L2_64f(p.F64(0), p.F64(1), p.Len(4), p.F64(2)); }},
      {"ippsNormDiff_Inf_64f",
       [](Probe& p) { return ippsNormDiff_Inf_64f(p.F64(0), p.F64(1), p.Len(4), p.F64(2)); }},
      {"ippsMean_64f", [](Probe& p) { return ippsMean_64f(p.F64(0), p.Len(4), p.F64(1)); }},
      {"ippsMean_32f",
       [](Probe& p) { return ippsMean_32f(p.F32(0), p.Len(4), p.F32(1), ippAlgHintNone); }},
      {"ippsStdDev_64f", [](Probe& p) { return ippsStdDev_64f(p.F64(0), p.Len(4, 1), p.F64(1)); }},
      {"ippsMinIndx_64f",
       [](Probe& p) {
         static int at;  // a null index is a hand-over, tested on its own
         return ippsMinIndx_64f(p.F64(0), p.Len(4), p.F64(1), &at);
       }},
      {"ippsMaxIndx_64f",
       [](Probe& p) {
         static int at;
         return ippsMaxIndx_64f(p.F64(0), p.Len(4), p.F64(1), &at);
       }},
      {"ippsNormalize_32f",
       [](Probe& p) {
         return ippsNormalize_32f(p.F32(0), p.F32(1), p.Len(4), 0, p.Own(2.0f, 0.0f));
       },
       ippStsDivByZeroErr},
      {"ippsNormalize_64f",
       [](Probe& p) {
         return ippsNormalize_64f(p.F64(0), p.F64(1), p.Len(4), 0, p.Own(2.0, 0.0));
       },
       ippStsDivByZeroErr},
      {"ippsDotProd_64f",
       [](Probe& p) { return ippsDotProd_64f(p.F64(0), p.F64(1), p.Len(4), p.F64(2)); }},
      {"ippsThreshold_32f_I",
       [](Probe& p) { return ippsThreshold_32f_I(p.F32(0), p.Len(4), 0, ippCmpLess); }},
      {"ippsThreshold_64f_I",
       [](Probe& p) { return ippsThreshold_64f_I(p.F64(0), p.Len(4), 0, ippCmpLess); }},
      {"ippsThreshold_64f",
       [](Probe& p) { return ippsThreshold_64f(p.F64(0), p.F64(1), p.Len(4), 0, ippCmpGreater); }},
      {"ippsAbs_64f_I", [](Probe& p) { return ippsAbs_64f_I(p.F64(0), p.Len(4)); }},
      {"ippsAbs_64f", [](Probe& p) { return ippsAbs_64f(p.F64(0), p.F64(1), p.Len(4)); }},
      {"ippsSqr_64f_I", [](Probe& p) { return ippsSqr_64f_I(p.F64(0), p.Len(4)); }},
      {"ippsSqr_64f", [](Probe& p) { return ippsSqr_64f(p.F64(0), p.F64(1), p.Len(4)); }},
      {"ippsSqrt_64f_I", [](Probe& p) { return ippsSqrt_64f_I(p.F64(0), p.Len(4)); }},
      {"ippsSqrt_64f", [](Probe& p) { return ippsSqrt_64f(p.F64(0), p.F64(1), p.Len(4)); }},
      {"ippsExp_64f_I", [](Probe& p) { return ippsExp_64f_I(p.F64(0), p.Len(8)); }},
      {"ippsExp_64f", [](Probe& p) { return ippsExp_64f(p.F64(0), p.F64(1), p.Len(8)); }},
      {"ippsLn_64f_I", [](Probe& p) { return ippsLn_64f_I(p.F64(0), p.Len(4)); }},
      {"ippsLn_64f", [](Probe& p) { return ippsLn_64f(p.F64(0), p.F64(1), p.Len(4)); }},
      {"ippsConvert_16s64f_Sfs",
       [](Probe& p) {
         return ippsConvert_16s64f_Sfs(p.Ptr<Ipp16s>(0), p.F64(1), p.Len(4), 3);
       }},
      {"ippsAndC_32u_I",
       [](Probe& p) { return ippsAndC_32u_I(5u, p.Ptr<Ipp32u>(0), p.Len(4)); }},
      {"ippsAndC_32u_I(0)",
       [](Probe& p) { return ippsAndC_32u_I(0u, p.Ptr<Ipp32u>(0), p.Len(4)); }},
      {"ippsOrC_32u_I", [](Probe& p) { return ippsOrC_32u_I(0u, p.Ptr<Ipp32u>(0), p.Len(4)); }},
      {"ippsXorC_32u_I", [](Probe& p) { return ippsXorC_32u_I(0u, p.Ptr<Ipp32u>(0), p.Len(4)); }},
      {"ippsAnd_32u_I",
       [](Probe& p) { return ippsAnd_32u_I(p.Ptr<Ipp32u>(0), p.Ptr<Ipp32u>(1), p.Len(4)); }},
      {"ippsOr_32u_I",
       [](Probe& p) { return ippsOr_32u_I(p.Ptr<Ipp32u>(0), p.Ptr<Ipp32u>(1), p.Len(4)); }},
      {"ippsXor_32u_I",
       [](Probe& p) { return ippsXor_32u_I(p.Ptr<Ipp32u>(0), p.Ptr<Ipp32u>(1), p.Len(4)); }},
      {"ippsDotProd_32s_Sfs",
       [](Probe& p) {
         return ippsDotProd_32s_Sfs(p.Ptr<Ipp32s>(0), p.Ptr<Ipp32s>(1), p.Len(4),
                                    p.Ptr<Ipp32s>(2), 0);
       }},
      {"ippsPowerSpectr_64fc",
       [](Probe& p) { return ippsPowerSpectr_64fc(p.C64(0), p.F64(1), p.Len(4)); }},
      {"ippsPhase_64fc", [](Probe& p) { return ippsPhase_64fc(p.C64(0), p.F64(1), p.Len(4)); }},
      {"ippsMagnitude_64fc",
       [](Probe& p) { return ippsMagnitude_64fc(p.C64(0), p.F64(1), p.Len(4)); }},
      {"ippsSqr_64fc", [](Probe& p) { return ippsSqr_64fc(p.C64(0), p.C64(1), p.Len(4)); }},
      {"ippsSqrt_64fc_I", [](Probe& p) { return ippsSqrt_64fc_I(p.C64(0), p.Len(4)); }},
      {"ippsSqrt_64fc", [](Probe& p) { return ippsSqrt_64fc(p.C64(0), p.C64(1), p.Len(4)); }},
      {"ippsSqr_64fc_I", [](Probe& p) { return ippsSqr_64fc_I(p.C64(0), p.Len(4)); }},
  };
  return rows;
}

}  // namespace tavrel::kernels
