#include "math/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

using testing::CheckRow;
using testing::Probe;

// The generator written out from its recurrences, independently of the
// kernel's class: three lagged words with borrow, plus a congruential word.
struct RefGenerator {
  std::uint32_t x1, x2, x3, b = 1, y = 1131199209u;
  explicit RefGenerator(std::uint32_t s)
      : x1(s), x2(69069u * s + 1013904243u), x3(475559465u * s + 924302730u) {}
  std::uint32_t Lagged() {
    const std::uint32_t t = x2 - x3 - b;
    std::uint32_t x;
    if (static_cast<std::int32_t>(t) < 0) {
      b = 1;
      x = t - 18;
    } else {
      b = 0;
      x = t;
    }
    x3 = x2;
    x2 = x1;
    x1 = x;
    return x;
  }
  std::int32_t U() {
    y = 69069u * y + 1013904243u;
    return static_cast<std::int32_t>(Lagged() + y);
  }
};

TEST(Random, UniformDoublesFollowTheRecurrence) {
  for (unsigned seed : {0u, 1u, 7u, 123456789u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(seed);
    const double low = -3.0, high = 5.0;
    std::vector<double> out(50);
    unsigned s = seed;
    ASSERT_EQ(ippsRandUniform_Direct_64f(out.data(), 50, low, high, &s), ippStsNoErr);
    RefGenerator ref(seed);
    for (int i = 0; i < 50; ++i) {
      const long double u = ref.U();
      const double want =
          static_cast<double>((low + high) * 0.5L + (high - low) * std::ldexp(1.0L, -32) * u);
      EXPECT_EQ(out[i], want) << i;
      EXPECT_GE(out[i], low);
      EXPECT_LT(out[i], high);
    }
    EXPECT_EQ(s, ref.x1);  // the last lagged word becomes the seed
  }
}

TEST(Random, SplitCallsDifferFromOneCallAndEqualValuesStillAdvance) {
  unsigned one = 42, split = 42;
  std::vector<double> whole(10), parts(10);
  ippsRandUniform_Direct_64f(whole.data(), 10, 0, 1, &one);
  ippsRandUniform_Direct_64f(parts.data(), 4, 0, 1, &split);
  ippsRandUniform_Direct_64f(parts.data() + 4, 6, 0, 1, &split);
  EXPECT_EQ(std::vector<double>(whole.begin(), whole.begin() + 4),
            std::vector<double>(parts.begin(), parts.begin() + 4));
  EXPECT_NE(std::vector<double>(whole.begin() + 4, whole.end()),
            std::vector<double>(parts.begin() + 4, parts.end()));

  unsigned s = 42;
  std::vector<double> flat(8);
  ASSERT_EQ(ippsRandUniform_Direct_64f(flat.data(), 8, 2.5, 2.5, &s), ippStsNoErr);
  for (double v : flat) EXPECT_EQ(v, 2.5);
  EXPECT_NE(s, 42u);

  unsigned s16 = 42;
  std::vector<Ipp16s> flat16(8);
  ASSERT_EQ(ippsRandUniform_Direct_16s(flat16.data(), 8, -7, -7, &s16), ippStsNoErr);
  for (Ipp16s v : flat16) EXPECT_EQ(v, -7);
  EXPECT_EQ(s16, s);  // same number of draws, same seed
}

TEST(Random, Uniform16sFollowsTheRecurrence) {
  unsigned s = 2024;
  std::vector<Ipp16s> out(200);
  ASSERT_EQ(ippsRandUniform_Direct_16s(out.data(), 200, -1000, 3000, &s), ippStsNoErr);
  RefGenerator ref(2024);
  for (int i = 0; i < 200; ++i) {
    const long double v = 1000.0L + 4000.0L * std::ldexp(1.0L, -32) * ref.U();
    EXPECT_EQ(out[i], static_cast<Ipp16s>(std::trunc(v))) << i;
  }
  EXPECT_EQ(s, ref.x1);
}

TEST(Random, GaussByThePolarMethod) {
  const Ipp16s mean = 100, sd = 2000;
  for (int len : {1, 2, 7, 64}) {
    SCOPED_TRACE(len);
    unsigned s = 99;
    std::vector<Ipp16s> out(len);
    ASSERT_EQ(ippsRandGauss_Direct_16s(out.data(), len, mean, sd, &s), ippStsNoErr);
    // Reference: pairs of lagged words, the congruential word stepped twice per pair.
    RefGenerator ref(99);
    auto pair = [&](long double& w, long double& a, long double& q) {
      do {
        const std::uint32_t r1 = ref.Lagged(), r2 = ref.Lagged();
        const std::uint32_t g1 = 69069u * ref.y + 1013904243u;
        const std::uint32_t g2 = 69069u * g1 + 1013904243u;
        ref.y = g2;
        w = std::ldexp(static_cast<long double>(static_cast<std::int32_t>(r1 + g1)), -31);
        a = std::ldexp(static_cast<long double>(static_cast<std::int32_t>(r2 + g2)), -31);
        q = w * w + a * a;
      } while (q >= 1 || q == 0);
    };
    long double w, a, q;
    pair(w, a, q);
    int i = 0;
    for (; len - i >= 2; i += 2) {
      const long double v = std::sqrt(-2 * std::log(static_cast<double>(q)) / q);
      EXPECT_EQ(out[i], static_cast<Ipp16s>(std::trunc(sd * v * a + mean))) << i;
      EXPECT_EQ(out[i + 1], static_cast<Ipp16s>(std::trunc(mean + sd * v * w))) << i;
      pair(w, a, q);
    }
    if (i < len) {
      const long double v = std::sqrt(-2 * std::log(static_cast<double>(q)) / q);
      EXPECT_EQ(out[i], static_cast<Ipp16s>(std::trunc(mean + a * (sd * v))));
    }
    EXPECT_EQ(s, ref.x1);
  }
}

TEST(Random, GaussSaturates) {
  unsigned s = 5;
  std::vector<Ipp16s> out(400);
  ASSERT_EQ(ippsRandGauss_Direct_16s(out.data(), 400, 32000, 32767, &s), ippStsNoErr);
  bool top = false;
  for (Ipp16s v : out) top |= (v == 32767);
  EXPECT_TRUE(top);
}

}  // namespace

std::vector<testing::CheckRow> RandomCheckRows() {
  std::vector<CheckRow> rows = {
      {"ippsRandUniform_Direct_64f",
       [](Probe& p) {
         return ippsRandUniform_Direct_64f(p.F64(0), p.Len(8), 0, 1, p.Ptr<unsigned>(1));
       }},
      {"ippsRandUniform_Direct_16s",
       [](Probe& p) {
         return ippsRandUniform_Direct_16s(p.Ptr<Ipp16s>(0), p.Len(8), 0, 1, p.Ptr<unsigned>(1));
       }},
      {"ippsRandGauss_Direct_16s",
       [](Probe& p) {
         return ippsRandGauss_Direct_16s(p.Ptr<Ipp16s>(0), p.Len(8), 0, 1, p.Ptr<unsigned>(1));
       }},
  };
  return rows;
}

}  // namespace tavrel::kernels
