#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <random>
#include <vector>

#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

// V * 2^-sf rounded half to even and clamped, from an exact long double
// (every V here fits the 64-bit mantissa).
long double Reference(std::int64_t v, int sf, long double lo, long double hi) {
  long double r = std::nearbyint(std::ldexp(static_cast<long double>(v), -sf));
  return std::clamp(r, lo, hi);
}

TEST(Sfs8u, EveryPairAndScaleFactorMatchesTheExactRule) {
  std::vector<Ipp8u> src(256), dst(256);
  for (int y = 0; y < 256; ++y) src[y] = static_cast<Ipp8u>(y);
  using Kernel = IppStatus (*)(const Ipp8u*, Ipp8u*, int, int);
  struct Op { const char* name; Kernel kernel; std::int64_t (*exact)(std::int64_t x, std::int64_t y); };
  const Op ops[] = {
      {"Add", ippsAdd_8u_ISfs, [](std::int64_t x, std::int64_t y) { return x + y; }},
      {"Sub", ippsSub_8u_ISfs, [](std::int64_t x, std::int64_t y) { return x >= y ? 0 : y - x; }},
      {"Mul", ippsMul_8u_ISfs, [](std::int64_t x, std::int64_t y) { return x * y; }},
  };
  for (const auto& op : ops) {
    for (int sf = -10; sf <= 20; ++sf) {
      for (int x = 0; x < 256; ++x) {
        std::vector<Ipp8u> xs(256, static_cast<Ipp8u>(x));
        dst = src;  // y runs over every value
        ASSERT_EQ(op.kernel(xs.data(), dst.data(), 256, sf), ippStsNoErr);
        for (int y = 0; y < 256; ++y) {
          const auto expected = static_cast<int>(Reference(op.exact(x, y), sf, 0, 255));
          if (dst[y] != expected) {
            ADD_FAILURE() << op.name << " x=" << x << " y=" << y << " sf=" << sf << ": " << int(dst[y])
                          << " != " << expected;
            return;
          }
        }
      }
    }
  }
}

TEST(Sfs32s, BoundaryTable) {
  using Kernel = IppStatus (*)(const Ipp32s*, Ipp32s*, int, int);
  struct Case { const char* name; Kernel kernel; Ipp32s x, y; int sf; Ipp32s expected; };
  const Case cases[] = {
      {"add", ippsAdd_32s_ISfs, INT_MAX, 1, 0, INT_MAX},
      {"add", ippsAdd_32s_ISfs, INT_MAX, 1, 1, 1 << 30},
      {"add", ippsAdd_32s_ISfs, -1, -2, 1, -2},
      {"add", ippsAdd_32s_ISfs, 1, 2, 1, 2},
      {"add", ippsAdd_32s_ISfs, INT_MIN, INT_MIN, 32, -1},
      {"add", ippsAdd_32s_ISfs, INT_MIN, INT_MIN, 33, 0},
      {"add", ippsAdd_32s_ISfs, INT_MAX, INT_MAX, 32, 1},
      {"add", ippsAdd_32s_ISfs, 1, 0, -30, 1 << 30},
      {"add", ippsAdd_32s_ISfs, 1, 0, -31, INT_MAX},
      {"add", ippsAdd_32s_ISfs, -1, 0, -31, INT_MIN},
      {"add", ippsAdd_32s_ISfs, -1, 1, -100, 0},
      {"sub", ippsSub_32s_ISfs, INT_MIN, INT_MAX, 0, INT_MAX},
      {"sub", ippsSub_32s_ISfs, 1, INT_MIN, 0, INT_MIN},
      {"sub", ippsSub_32s_ISfs, 2, 7, 1, 2},
      {"mul", ippsMul_32s_ISfs, INT_MIN, INT_MIN, 62, 1},
      {"mul", ippsMul_32s_ISfs, INT_MIN, INT_MIN, 63, 0},
      {"mul", ippsMul_32s_ISfs, INT_MIN, INT_MIN, 0, INT_MAX},
      {"mul", ippsMul_32s_ISfs, INT_MIN, INT_MAX, 31, -INT_MAX},
      {"mul", ippsMul_32s_ISfs, 3, 5, 1, 8},
      {"mul", ippsMul_32s_ISfs, -3, 5, 1, -8},
      {"mul", ippsMul_32s_ISfs, 1, 1, -31, INT_MAX},
      {"mul", ippsMul_32s_ISfs, -1, 1, -200, INT_MIN},
  };
  for (const auto& c : cases) {
    Ipp32s y = c.y;
    ASSERT_EQ(c.kernel(&c.x, &y, 1, c.sf), ippStsNoErr);
    EXPECT_EQ(y, c.expected) << c.name << " " << c.x << ", " << c.y << " sf " << c.sf;
  }
}

TEST(Sfs32s, RandomCasesMatchTheExactRule) {
  std::mt19937 random(7);
  std::uniform_int_distribution<Ipp32s> value(INT_MIN, INT_MAX);
  std::uniform_int_distribution<int> scale(-34, 64);
  constexpr int n = 2000;
  std::vector<Ipp32s> x(n), y(n), sum(n), diff(n), prod(n);
  for (int i = 0; i < n; ++i) {
    x[i] = value(random) >> (i % 31);
    y[i] = value(random) >> (i % 17);
  }
  for (int round = 0; round < 20; ++round) {
    const int sf = scale(random);
    sum = diff = prod = y;
    ASSERT_EQ(ippsAdd_32s_ISfs(x.data(), sum.data(), n, sf), ippStsNoErr);
    ASSERT_EQ(ippsSub_32s_ISfs(x.data(), diff.data(), n, sf), ippStsNoErr);
    ASSERT_EQ(ippsMul_32s_ISfs(x.data(), prod.data(), n, sf), ippStsNoErr);
    for (int i = 0; i < n; ++i) {
      const std::int64_t a = x[i], b = y[i];
      ASSERT_EQ(sum[i], Reference(a + b, sf, INT_MIN, INT_MAX)) << a << "+" << b << " sf " << sf;
      ASSERT_EQ(diff[i], Reference(b - a, sf, INT_MIN, INT_MAX)) << b << "-" << a << " sf " << sf;
      ASSERT_EQ(prod[i], Reference(a * b, sf, INT_MIN, INT_MAX)) << a << "*" << b << " sf " << sf;
    }
  }
}

TEST(Sfs32s, ConstantRoutinesAndTheirShortcuts) {
  const std::vector<Ipp32s> data = {5, -7, INT_MAX, INT_MIN};
  struct Case { const char* name; std::function<IppStatus(const Ipp32s*, Ipp32s*)> call; std::vector<Ipp32s> expected; };
  const Case cases[] = {
      {"AddC_I 3", [](const Ipp32s*, Ipp32s* d) { return ippsAddC_32s_ISfs(3, d, 4, 0); }, {8, -4, INT_MAX, INT_MIN + 3}},
      {"AddC_I 0 sf 0", [](const Ipp32s*, Ipp32s* d) { return ippsAddC_32s_ISfs(0, d, 4, 0); }, data},
      {"AddC_I 0 sf 1", [](const Ipp32s*, Ipp32s* d) { return ippsAddC_32s_ISfs(0, d, 4, 1); },
       {2, -4, 1 << 30, -(1 << 30)}},
      {"AddC_I sf 33", [](const Ipp32s*, Ipp32s* d) { return ippsAddC_32s_ISfs(9, d, 4, 33); }, {0, 0, 0, 0}},
      {"AddC 0 sf 0", [](const Ipp32s* s, Ipp32s* d) { return ippsAddC_32s_Sfs(s, 0, d, 4, 0); }, data},
      {"AddC -5 sf 1", [](const Ipp32s* s, Ipp32s* d) { return ippsAddC_32s_Sfs(s, -5, d, 4, 1); },
       {0, -6, (INT_MAX - 5) / 2, INT_MIN / 2 - 2}},
      {"SubC_I 5", [](const Ipp32s*, Ipp32s* d) { return ippsSubC_32s_ISfs(5, d, 4, 0); }, {0, -12, INT_MAX - 5, INT_MIN}},
      {"SubC -1", [](const Ipp32s* s, Ipp32s* d) { return ippsSubC_32s_Sfs(s, -1, d, 4, 0); }, {6, -6, INT_MAX, INT_MIN + 1}},
      {"SubCRev 1", [](const Ipp32s* s, Ipp32s* d) { return ippsSubCRev_32s_Sfs(s, 1, d, 4, 0); }, {-4, 8, -INT_MAX + 1, INT_MAX}},
      {"SubCRev sf 40", [](const Ipp32s* s, Ipp32s* d) { return ippsSubCRev_32s_Sfs(s, 1, d, 4, 40); }, {0, 0, 0, 0}},
      {"MulC_I 0 sf -40", [](const Ipp32s*, Ipp32s* d) { return ippsMulC_32s_ISfs(0, d, 4, -40); }, {0, 0, 0, 0}},
      {"MulC_I 1 sf 0", [](const Ipp32s*, Ipp32s* d) { return ippsMulC_32s_ISfs(1, d, 4, 0); }, data},
      {"MulC_I -1", [](const Ipp32s*, Ipp32s* d) { return ippsMulC_32s_ISfs(-1, d, 4, 0); }, {-5, 7, -INT_MAX, INT_MAX}},
      {"MulC_I 3 sf 63", [](const Ipp32s*, Ipp32s* d) { return ippsMulC_32s_ISfs(3, d, 4, 63); }, {0, 0, 0, 0}},
      {"MulC 1 sf 0", [](const Ipp32s* s, Ipp32s* d) { return ippsMulC_32s_Sfs(s, 1, d, 4, 0); }, data},
      {"MulC 0", [](const Ipp32s* s, Ipp32s* d) { return ippsMulC_32s_Sfs(s, 0, d, 4, 5); }, {0, 0, 0, 0}},
      {"MulC 3 sf 1", [](const Ipp32s* s, Ipp32s* d) { return ippsMulC_32s_Sfs(s, 3, d, 4, 1); }, {8, -10, INT_MAX, INT_MIN}},
  };
  for (const auto& c : cases) {
    const bool inPlace = std::string(c.name).find("_I") != std::string::npos;
    std::vector<Ipp32s> d = inPlace ? data : std::vector<Ipp32s>(4, 12345);
    EXPECT_EQ(c.call(data.data(), d.data()), ippStsNoErr) << c.name;
    EXPECT_EQ(d, c.expected) << c.name;
  }
}

TEST(Div32s, ZeroDivisorFinishesTheVectorWithAWarning) {
  const Ipp32s divisors[] = {0, 2, 0, 0, -1};
  Ipp32s data[] = {5, 7, -3, 0, INT_MIN};
  EXPECT_EQ(ippsDiv_32s_ISfs(divisors, data, 5, 0), ippStsDivByZero);
  EXPECT_EQ(std::vector<Ipp32s>(data, data + 5), (std::vector<Ipp32s>{INT_MAX, 4, INT_MIN, 0, INT_MAX}));
}

TEST(Div32s, RoundsHalfToEvenAndSaturates) {
  struct Case { Ipp32s x, y; int sf; Ipp32s expected; };
  const Case cases[] = {
      {2, 7, 0, 4},   {2, 5, 0, 2},    {2, -5, 0, -2},  {2, -7, 0, -4},  {3, 7, 0, 2},
      {-1, INT_MIN, 0, INT_MAX},       {1, INT_MIN, 0, INT_MIN},         {2, 7, 1, 2},
      {2, 5, -1, 5},  {3, 1, -2, 1},   {3, 2, -1, 1},   {2, 3, 1, 1},    {2, 5, 1, 1},
      {1, 1, 33, 0},  {1, INT_MAX, 32, 0},               {-1, INT_MIN, 32, 0},  // exact half, even 0
      {1, INT_MAX, 31, 1},             {3, 1, -63, INT_MAX},             {3, -1, -63, INT_MIN},
      {-3, -1, -63, INT_MAX},          {3, 0, -63, 0},  {INT_MAX, 1, -62, INT_MAX},
      {INT_MIN, INT_MAX, 0, -1},       {INT_MAX, 1073741824, 0, 1}, {INT_MAX, 1073741823, 0, 0},
  };
  for (const auto& c : cases) {
    Ipp32s y = c.y;
    EXPECT_EQ(ippsDiv_32s_ISfs(&c.x, &y, 1, c.sf), ippStsNoErr);
    EXPECT_EQ(y, c.expected) << c.y << " / " << c.x << " sf " << c.sf;
  }
}

TEST(Div32s, RandomQuotientsMatchARationalReference) {
  std::mt19937 random(11);
  std::uniform_int_distribution<Ipp32s> small(-(1 << 20), 1 << 20);
  for (int i = 0; i < 5000; ++i) {
    Ipp32s x = small(random) >> (i % 20), y = small(random);
    if (x == 0) x = 3;
    const int sf = i % 17 - 8;
    Ipp32s d = y;
    ASSERT_EQ(ippsDiv_32s_ISfs(&x, &d, 1, sf), ippStsNoErr);
    const long double q = std::ldexp(static_cast<long double>(y), -sf) / x;
    ASSERT_EQ(d, std::clamp(std::nearbyint(q), static_cast<long double>(INT_MIN), static_cast<long double>(INT_MAX)))
        << y << " / " << x << " sf " << sf;
  }
}

}  // namespace
}  // namespace tavrel::kernels
