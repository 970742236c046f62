#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <cstring>
#include <string>
#include <vector>

#include "math/fir.h"
#include "math/tests/oracle.h"

namespace tavrel::kernels {
namespace {

FIRState* Make(const std::vector<double>& taps, const double* delay = nullptr) {
  FIRState* state = nullptr;
  EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), static_cast<int>(taps.size()), delay), ippStsNoErr);
  return state;
}

double Step(double x, FIRState* state) {
  double y = std::nan("");
  EXPECT_EQ(ippsFIROne_64f(x, &y, state), ippStsNoErr);
  return y;
}

TEST(FIROne, ImpulseGivesTheTapsInOrder) {
  const std::vector<double> taps = {0.5, -1.25, 2.0, 3.5, -0.75};
  FIRState* state = Make(taps);
  for (std::size_t k = 0; k < 2 * taps.size(); ++k) {
    EXPECT_EQ(Step(k == 0 ? 1.0 : 0.0, state), k < taps.size() ? taps[k] : 0.0) << k;
    if (k + 1 == taps.size()) {
      EXPECT_EQ(state->delayIndex, 0);
    }
  }
  ippsFIRFree_64f(state);
  FIRState* delay2 = Make({0, 0, 1});
  EXPECT_EQ(Step(7, delay2), 0.0);
  EXPECT_EQ(Step(8, delay2), 0.0);
  EXPECT_EQ(Step(9, delay2), 7.0);
  EXPECT_EQ(Step(10, delay2), 8.0);
  ippsFIRFree_64f(delay2);
  FIRState* gain = Make({-3.0});
  EXPECT_EQ(Step(2.5, gain), -7.5);
  EXPECT_EQ(Step(-1.0, gain), 3.0);
  ippsFIRFree_64f(gain);
}

TEST(FIROne, InitialDelayLineMostRecentFirst) {
  const std::vector<double> taps = {1, 10, 100, 1000};
  const double delay[4] = {2, 3, 4, 5};  // x[-1] = 2, x[-2] = 3, ...
  FIRState* state = Make(taps, delay);
  EXPECT_EQ(Step(1, state), 1 * 1 + 10 * 2 + 100 * 3 + 1000 * 4);
  EXPECT_EQ(Step(0, state), 10 * 1 + 100 * 2 + 1000 * 3);
  ippsFIRFree_64f(state);
}

// Alternating single steps and blocks on one state gives, sample for sample,
// the outputs of single steps alone: bit for bit while blocks run the direct
// form, to rounding for the FFT blocks. Covers the delay-index hand-over.
TEST(FIROne, AlternatingWithBlocksEqualsSingleSteps) {
  for (int L : {5, 40, 64}) {
    SCOPED_TRACE(L);
    const auto taps = oracle::RandomVector(L, 30 + L);
    const std::vector<int> pattern = {3, -7, 1, -1, -130, 11, -L - 5, 2, -600, 9, -4};  // negative: a block
    int total = 0;
    for (int n : pattern) total += std::abs(n);
    const auto x = oracle::RandomVector(total, 40 + L);
    FIRState* mixed = Make(taps);
    FIRState* single = Make(taps);
    int at = 0;
    for (int n : pattern) {
      std::vector<double> got(std::abs(n));
      if (n > 0) {
        for (int k = 0; k < n; ++k) got[k] = Step(x[at + k], mixed);
      } else {
        ASSERT_EQ(ippsFIR_64f(x.data() + at, got.data(), -n, mixed), ippStsNoErr);
      }
      const bool fftBlock = n <= -512 && L >= 32;
      for (std::size_t k = 0; k < got.size(); ++k) {
        const double want = Step(x[at + k], single);
        if (fftBlock) {
          EXPECT_NEAR(got[k], want, 1e-13) << at + k;
        } else {
          EXPECT_EQ(got[k], want) << at + k;
        }
      }
      at += static_cast<int>(got.size());
    }
    ippsFIRFree_64f(mixed);
    ippsFIRFree_64f(single);
  }
}

// The block form of the single step against the step itself on a twin
// state, bit for bit: blocks around the direct form's threshold, blocks
// longer than the FFT threshold (which the block form never takes), and
// blocks filtered in place, mixed with single steps.
TEST(FIROne, BlockFormEqualsSingleStepsBitForBit) {
  for (int L : {1, 2, 5, 31, 32, 41, 64, 255}) {
    SCOPED_TRACE(L);
    const auto taps = oracle::RandomVector(L, 60 + L);
    const int B = (L + 3) / 4 * 4 + 1;
    const std::vector<int> pattern = {B, 1, B + 1, 3, B - 1, 700, 2, 513, -9, -B - 2, 1};  // negative: in place
    int total = 0;
    for (int n : pattern) total += std::abs(n);
    const auto x = oracle::RandomVector(total, 70 + L);
    FIRState* block = Make(taps);
    FIRState* single = Make(taps);
    int at = 0;
    for (int n : pattern) {
      std::vector<double> got(x.begin() + at, x.begin() + at + std::abs(n));
      if (n > 0) {
        ASSERT_EQ(FIROneBlock_64f(x.data() + at, got.data(), n, block), ippStsNoErr);
      } else {
        ASSERT_EQ(FIROneBlock_64f(got.data(), got.data(), -n, block), ippStsNoErr);
      }
      for (std::size_t k = 0; k < got.size(); ++k) ASSERT_EQ(got[k], Step(x[at + k], single)) << at + k;
      at += static_cast<int>(got.size());
      double y1 = 0, y2 = 0;  // the states agree on what comes next
      ASSERT_EQ(ippsFIROne_64f(0.25, &y1, block), ippStsNoErr);
      ASSERT_EQ(ippsFIROne_64f(0.25, &y2, single), ippStsNoErr);
      ASSERT_EQ(y1, y2);
    }
    double y = 0;
    EXPECT_EQ(FIROneBlock_64f(x.data(), &y, 0, block), ippStsSizeErr);
    EXPECT_EQ(FIROneBlock_64f(nullptr, &y, 1, block), ippStsNullPtrErr);
    ippsFIRFree_64f(block);
    ippsFIRFree_64f(single);
  }
}

// The window helpers: the recent inputs and the exact window sum reproduce
// the single steps; every variant of the fast sums stays within its bound
// of the exact sum (on samples of every width and on values spanning many
// magnitudes); advancing leaves the state as the steps would.
TEST(FIROne, WindowSumsStayWithinTheirBoundOfTheSteps) {
  std::vector<FIRNearVariant> variants;
  for (FIRNearVariant v : {FIRNearVariant::Dispatched, FIRNearVariant::Plain, FIRNearVariant::Avx2,
                           FIRNearVariant::Avx512})
    if (FIRNearVariantAvailable(v)) variants.push_back(v);
  struct Input {
    const char* name;
    double scale;
    bool integers, spread;
  } const inputs[] = {{"16-bit", 32767, true, false},
                      {"32-bit", 2147483647.0, true, false},
                      {"spread", 1.0, false, true}};
  for (int L : {1, 5, 41, 64, 255})
    for (const Input& in : inputs) {
      SCOPED_TRACE(std::to_string(L) + " " + in.name);
      const int n = 300;
      auto taps = oracle::RandomVector(L, 80 + L);
      auto x = oracle::RandomVector(2 * n, 90 + L);
      for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] *= in.scale;
        if (in.integers) x[i] = std::nearbyint(x[i]);
        if (in.spread) x[i] = std::ldexp(x[i], int(i % 61) - 30);
      }
      FIRState* block = Make(taps);
      FIRState* single = Make(taps);
      for (int k = 0; k < n / 2; ++k) Step(x[k], single);  // a history first
      for (int k = 0; k < n / 2; ++k) Step(x[k], block);
      std::vector<double> w(L - 1 + n), want(n);
      FIRRecentInputs(block, w.data());
      double largest = 0;
      for (int i = 0; i < L - 1 + n; ++i) {
        if (i >= L - 1) w[i] = x[n / 2 + i - (L - 1)];
        largest = std::max(largest, std::fabs(w[i]));
      }
      for (int k = 0; k < n; ++k) {
        want[k] = Step(w[L - 1 + k], single);
        ASSERT_EQ(FIRWindowSum(block, w.data() + k), want[k]) << k;
      }
      const double bound = FIRNearBound(block, largest);
      double sumAbs = 0;
      for (double t : taps) sumAbs += std::fabs(t);
      EXPECT_LE(bound, 1e-12 * sumAbs * largest + 1e-300);  // close enough to decide almost every level
      for (FIRNearVariant v : variants) {
        std::vector<double> near(n, std::nan(""));
        FIRWindowSumsNear(block, w.data(), near.data(), n, v);
        for (int k = 0; k < n; ++k) ASSERT_LE(std::fabs(near[k] - want[k]), bound) << int(v) << " at " << k;
      }
      FIRAdvance(block, w.data(), n);
      for (int k = 0; k < 2 * L + 3; ++k) ASSERT_EQ(Step(x[k], block), Step(x[k], single)) << k;
      ippsFIRFree_64f(block);
      ippsFIRFree_64f(single);
    }
}

// The fused variants give the same sums: for every count (whole vectors
// and every tail) and for tap counts below, at and above one vector.
TEST(FIROne, FusedWindowSumsAreEqual) {
  std::vector<FIRNearVariant> fused;
  for (FIRNearVariant v : {FIRNearVariant::Avx2, FIRNearVariant::Avx512})
    if (FIRNearVariantAvailable(v)) fused.push_back(v);
  if (fused.size() < 2) GTEST_SKIP() << "fewer than two fused variants here";
  for (int L : {1, 2, 3, 4, 5, 41, 64, 130})
    for (int n = 1; n <= 140; ++n) {
      FIRState* state = Make(oracle::RandomVector(L, 200 + L));
      std::vector<double> w = oracle::RandomVector(L - 1 + n, 300 + n);
      for (double& x : w) x = std::nearbyint(x * 32767);
      std::vector<double> first(n, std::nan("")), other(n, std::nan(""));
      FIRWindowSumsNear(state, w.data(), first.data(), n, fused[0]);
      for (std::size_t v = 1; v < fused.size(); ++v) {
        FIRWindowSumsNear(state, w.data(), other.data(), n, fused[v]);
        for (int k = 0; k < n; ++k)
          ASSERT_EQ(other[k], first[k]) << L << " taps, " << n << " sums, variant " << int(fused[v]) << " at " << k;
      }
      ippsFIRFree_64f(state);
    }
}

// A level by floor, independent of the kernel's and of the rounding mode:
// nearest integer, halves to even, within [low, high].
double ReferenceLevel(double v, const FIRLevelRange& r) {
  v = std::min(std::max(v, r.low), r.high);
  double n = std::floor(v);
  const double d = v - n;
  if (d > 0.5 || (d == 0.5 && std::fmod(n, 2.0) != 0.0)) n += 1.0;
  return n;
}

// Near sums far beyond the range, not numbers and infinities (first, where
// every variant takes them in vectors), then around the places a level
// changes (halves, clamp ends); the count leaves a tail past the widest
// vectors.
std::vector<double> LevelProbes(const FIRLevelRange& r, double bound, unsigned seed) {
  std::vector<double> y = {1e300, -1e300, std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), std::nan(""), 0.0, -0.0};
  const double lowest = r.low - r.offset, highest = r.high - r.offset;
  for (double edge : {lowest, highest, lowest + 0.5, highest - 0.5, 0.5 - r.offset, -0.5 - r.offset,
                      2.5 - r.offset, -3.5 - r.offset, 1e4 + 0.5 - r.offset})
    for (double shift : {0.0, bound, -bound, 2 * bound, -2 * bound, 0.5 * bound, -0.5 * bound})
      for (double v = edge + shift, step = 0; step < 3; ++step, v = std::nextafter(v, 1e300)) y.push_back(v);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> anywhere(lowest - 3, highest + 3);
  while (y.size() % 8 != 5) y.push_back(anywhere(rng));
  return y;
}

// Every variant decides as the plain one, under every rounding mode. To
// nearest: a decided level is the level of both ends of the interval and of
// its centre, and the plain one decides wherever both ends give one level.
// Under the other modes the ends are other values, but halves still go to
// even.
TEST(FIROne, NearLevelsAreTheLevelOfTheWholeInterval) {
  std::vector<FIRNearVariant> variants;
  for (FIRNearVariant v : {FIRNearVariant::Dispatched, FIRNearVariant::Avx2, FIRNearVariant::Avx512})
    if (FIRNearVariantAvailable(v)) variants.push_back(v);
  const FIRLevelRange ranges[] = {{127.0, 0.0, 255.0},
                                  {0.0, -32767.0, 32767.0},
                                  {0.0, -2147483647.0, 2147483647.0}};
  for (const FIRLevelRange& range : ranges)
    for (double bound : {0.0, 1e-9, 0.25, 0.75, 3.0})
      for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        SCOPED_TRACE(std::to_string(range.high) + " bound " + std::to_string(bound) + " mode " + std::to_string(mode));
        const std::vector<double> y = LevelProbes(range, bound, unsigned(range.high + 10 * bound));
        std::vector<Ipp32s> plain(y.size());
        ASSERT_EQ(std::fesetround(mode), 0);
        FIRNearLevels(y.data(), y.size(), bound, range, plain.data(), FIRNearVariant::Plain);
        std::vector<std::vector<Ipp32s>> others;
        for (FIRNearVariant v : variants) {
          others.emplace_back(y.size(), 0);
          FIRNearLevels(y.data(), y.size(), bound, range, others.back().data(), v);
        }
        std::fesetround(FE_TONEAREST);
        int decided = 0;
        for (std::size_t k = 0; k < y.size(); ++k) {
          for (std::size_t v = 0; v < variants.size(); ++v)
            ASSERT_EQ(others[v][k], plain[k]) << "variant " << int(variants[v]) << " at " << y[k];
          if (std::isnan(y[k])) {
            EXPECT_EQ(plain[k], kFIRLevelUndecided);
            continue;
          }
          decided += plain[k] != kFIRLevelUndecided;
          if (mode != FE_TONEAREST) {
            // Exact ends: no rounding of the sums to differ by mode.
            if (bound == 0.0 && range.offset == 0.0) {
              EXPECT_EQ(plain[k], ReferenceLevel(y[k], range)) << y[k];
            }
            continue;
          }
          const double a = ReferenceLevel((y[k] - bound) + range.offset, range);
          const double b = ReferenceLevel((y[k] + bound) + range.offset, range);
          EXPECT_EQ(plain[k] != kFIRLevelUndecided, a == b) << y[k];
          if (plain[k] == kFIRLevelUndecided) continue;
          EXPECT_EQ(plain[k], a) << y[k];
          EXPECT_EQ(plain[k], ReferenceLevel(y[k] + range.offset, range)) << y[k];
        }
        if (bound < 0.5) {
          EXPECT_GT(decided, int(y.size()) / 2);
        }
      }
}

TEST(FIROne, ForeignStatesAndNullsChangeNothing) {
  FIRState* state = Make({1, 2, 3});
  Step(4.0, state);
  std::vector<unsigned char> before(sizeof(FIRState));
  std::memcpy(before.data(), state, sizeof(FIRState));
  const std::vector<double> delay(state->delayLine, state->delayLine + 13);
  double y = 42.0;
  EXPECT_EQ(ippsFIROne_64f(1.0, nullptr, state), ippStsNullPtrErr);
  EXPECT_EQ(ippsFIROne_64f(1.0, &y, nullptr), ippStsNullPtrErr);
  for (Ipp32u tag : {kFIRMultiRateTag, Ipp32u{0x49493031}}) {
    state->tag = tag;
    std::memcpy(before.data(), &tag, sizeof tag);  // the tag sits at offset 0
    EXPECT_EQ(ippsFIROne_64f(1.0, &y, state), ippStsContextMatchErr);
    EXPECT_EQ(std::memcmp(before.data(), state, sizeof(FIRState)), 0);
  }
  EXPECT_EQ(y, 42.0);
  EXPECT_EQ(std::vector<double>(state->delayLine, state->delayLine + 13), delay);
  state->tag = kFIRStateTag;
  ippsFIRFree_64f(state);
}

// A long run stays within about one ulp of sum |terms| of the exact sum.
TEST(FIROne, LongRunMatchesExtendedConvolution) {
  const int L = 41, n = 1000000;
  const auto taps = oracle::RandomVector(L, 50);
  const auto x = oracle::RandomVector(n, 51);
  FIRState* state = Make(taps);
  double worst = 0;
  for (int k = 0; k < n; ++k) {
    const double y = Step(x[k], state);
    long double sum = 0, magnitude = 0;
    for (int m = 0; m < L && m <= k; ++m) {
      sum += static_cast<long double>(taps[m]) * x[k - m];
      magnitude += std::fabs(static_cast<long double>(taps[m]) * x[k - m]);
    }
    const double ulps = std::fabs(y - static_cast<double>(sum)) / (static_cast<double>(magnitude) * 2.220446049250313e-16 + 1e-300);
    worst = std::max(worst, ulps);
  }
  EXPECT_LE(worst, 1.0);
  ippsFIRFree_64f(state);
}

}  // namespace
}  // namespace tavrel::kernels
