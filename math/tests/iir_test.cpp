#include "math/iir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

using testing::CheckRow;
using testing::Probe;

struct DirectState {
  IppsIIRState_32f* st = nullptr;
  DirectState(const std::vector<float>& taps, int order) {
    EXPECT_EQ(ippsIIRInitAlloc_32f(&st, taps.data(), order, nullptr), ippStsNoErr);
  }
  ~DirectState() {
    if (st) {
      EXPECT_EQ(ippsIIRFree_32f(st), ippStsNoErr);
    }
  }
};

std::vector<float> Filter(IppsIIRState_32f* st, std::vector<float> x) {
  EXPECT_EQ(ippsIIR_32f_I(x.data(), int(x.size()), st), ippStsNoErr);
  return x;
}

std::vector<float> Impulse(int n) {
  std::vector<float> x(n, 0.0f);
  x[0] = 1.0f;
  return x;
}

TEST(Iir, ImpulseResponses) {
  {
    DirectState f({1, 0, 1, -0.5f}, 1);
    const std::vector<float> y = Filter(f.st, Impulse(10));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(y[i], std::ldexp(1.0f, -i)) << i;
  }
  {
    DirectState f({3, 2}, 0);  // b0 / a0 scales every sample
    const std::vector<float> y = Filter(f.st, {1, -2, 4});
    EXPECT_EQ(y, (std::vector<float>{1.5f, -3.0f, 6.0f}));
  }
  {
    std::vector<Ipp8u> buffer(128 + 16);
    IppsIIRState_32f* st = nullptr;
    const float taps[12] = {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0};
    ASSERT_EQ(ippsIIRInit_BiQuad_32f(&st, taps, 2, nullptr, buffer.data() + 3), ippStsNoErr);
    const std::vector<float> x = {0.5f, -1, 3, 7};
    EXPECT_EQ(Filter(st, x), x);
  }
}

// Reference: the same transposed direct form in long double, no float rounding.
std::vector<long double> Reference(const std::vector<double>& b, const std::vector<double>& a,
                                   const std::vector<float>& x) {
  const int n = int(b.size()) - 1;
  std::vector<long double> d(n + 1, 0.0L), y;
  for (float xi : x) {
    const long double yi = b[0] * xi / a[0] + d[0];
    for (int j = 0; j < n; ++j) d[j] = d[j + 1] + (b[j + 1] * xi - a[j + 1] * yi) / a[0];
    y.push_back(yi);
  }
  return y;
}

TEST(Iir, RandomStableFiltersMatchALongDoubleRecursion) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int order = 1; order <= 6; ++order) {
    SCOPED_TRACE(order);
    // Poles inside the unit circle: a real pole or conjugate pairs of radius <= 0.8.
    std::vector<double> a = {1.0};
    int left = order;
    while (left > 0) {
      std::vector<double> factor;
      if (left >= 2) {
        const double r = 0.3 + 0.5 * std::fabs(u(rng)), th = 3.0 * std::fabs(u(rng));
        factor = {1.0, -2 * r * std::cos(th), r * r};
        left -= 2;
      } else {
        factor = {1.0, -0.8 * u(rng)};
        left -= 1;
      }
      std::vector<double> next(a.size() + factor.size() - 1, 0.0);
      for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < factor.size(); ++j) next[i + j] += a[i] * factor[j];
      a = next;
    }
    for (double& c : a) c = static_cast<float>(c * 2.0);  // a0 = 2 exercises the normalisation
    std::vector<double> b(order + 1);
    for (double& c : b) c = static_cast<float>(u(rng));
    std::vector<float> taps;
    for (double c : b) taps.push_back(static_cast<float>(c));
    for (double c : a) taps.push_back(static_cast<float>(c));
    std::vector<float> x(200);
    for (float& v : x) v = static_cast<float>(u(rng));
    DirectState f(taps, order);
    const std::vector<float> y = Filter(f.st, x);
    const std::vector<long double> ref = Reference(b, a, x);
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(y[i], ref[i], 2e-5) << i;
  }
}

TEST(Iir, SplitCallsGiveOneCallsOutput) {
  const std::vector<float> taps = {0.2f, 0.3f, -0.1f, 0.05f, 1.0f, -0.6f, 0.3f, -0.05f};
  std::vector<float> x(18);
  for (int i = 0; i < 18; ++i) x[i] = std::sin(0.7f * i) + (i % 3 == 0 ? 1.0f : 0.0f);
  DirectState whole(taps, 3), split(taps, 3);
  std::vector<float> out(18, 0.0f);
  ASSERT_EQ(ippsIIR_32f(x.data(), out.data(), 18, whole.st), ippStsNoErr);
  std::vector<float> parts;
  int at = 0;
  for (int size : {1, 2, 3, 5, 7}) {
    std::vector<float> piece(x.begin() + at, x.begin() + at + size);
    for (float v : Filter(split.st, piece)) parts.push_back(v);
    at += size;
  }
  ASSERT_EQ(parts.size(), out.size());
  for (int i = 0; i < 18; ++i) EXPECT_NEAR(parts[i], out[i], 1e-6) << i;
}

TEST(Iir, InitErrorsAndFree) {
  IppsIIRState_32f* st = nullptr;
  const float zeroA0[] = {1, 0, 0, 0.5f};
  EXPECT_EQ(ippsIIRInitAlloc_32f(&st, zeroA0, 1, nullptr), ippStsDivByZeroErr);
  EXPECT_EQ(st, nullptr);  // nothing left to free (ASan would see a leak otherwise)
  EXPECT_EQ(ippsIIRInitAlloc_32f(&st, zeroA0, -1, nullptr), ippStsIIROrderErr);

  int size = 0;
  ASSERT_EQ(ippsIIRGetStateSize_BiQuad_32f(1, &size), ippStsNoErr);
  EXPECT_EQ(size, 112);
  ASSERT_EQ(ippsIIRGetStateSize_BiQuad_32f(2, &size), ippStsNoErr);
  EXPECT_EQ(size, 128);
  EXPECT_EQ(ippsIIRGetStateSize_BiQuad_32f(0, &size), ippStsIIROrderErr);
  EXPECT_EQ(ippsIIRGetStateSize_BiQuad_32f(1, nullptr), ippStsNullPtrErr);

  // Every misalignment of the caller's buffer fits the published size; the
  // buffer ends exactly at the allocation's end, so ASan sees any overrun.
  for (int offset = 0; offset < 16; ++offset) {
    for (int n : {1, 2, 3, 7}) {
      ASSERT_EQ(ippsIIRGetStateSize_BiQuad_32f(n, &size), ippStsNoErr);
      auto raw = std::make_unique<Ipp8u[]>(size + offset);
      std::vector<float> taps;
      for (int k = 0; k < n; ++k) taps.insert(taps.end(), {1, 0.5f, 0.25f, 1, -0.2f, 0.1f});
      std::vector<float> dly(2 * n, 0.5f);
      ASSERT_EQ(ippsIIRInit_BiQuad_32f(&st, taps.data(), n, dly.data(), raw.get() + offset),
                ippStsNoErr);
      std::vector<float> x = {1, 2, 3};
      EXPECT_EQ(ippsIIR_32f_I(x.data(), 3, st), ippStsNoErr);
      EXPECT_EQ(ippsIIRFree_32f(st), ippStsNoErr);  // not owned: nothing released
    }
  }

  std::vector<Ipp8u> buffer(112);
  const float zeroB0[] = {0, 1, 0, 1, 0, 0};
  const float zeroSecondA0[] = {1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0};
  EXPECT_EQ(ippsIIRInit_BiQuad_32f(&st, zeroB0, 1, nullptr, buffer.data()), ippStsDivByZeroErr);
  buffer.resize(128);
  EXPECT_EQ(ippsIIRInit_BiQuad_32f(&st, zeroSecondA0, 2, nullptr, buffer.data()),
            ippStsDivByZeroErr);
  EXPECT_EQ(ippsIIRInit_BiQuad_32f(&st, zeroB0, 0, nullptr, buffer.data()), ippStsIIROrderErr);

  std::uint32_t notAState[16] = {0x12345678u};
  auto* bogus = reinterpret_cast<IppsIIRState_32f*>(notAState);
  float x = 1;
  EXPECT_EQ(ippsIIRFree_32f(bogus), ippStsContextMatchErr);
  EXPECT_EQ(ippsIIR_32f_I(&x, 1, bogus), ippStsContextMatchErr);
  EXPECT_EQ(ippsIIRFree_32f(nullptr), ippStsNullPtrErr);
}

TEST(Iir, InitialDelayLine) {
  IppsIIRState_32f* st = nullptr;
  const float taps[] = {1, 0, 1, 0};
  const float dly[] = {5};
  ASSERT_EQ(ippsIIRInitAlloc_32f(&st, taps, 1, dly), ippStsNoErr);
  float x[2] = {1, 1};
  ASSERT_EQ(ippsIIR_32f_I(x, 2, st), ippStsNoErr);
  EXPECT_EQ(x[0], 6);
  EXPECT_EQ(x[1], 1);
  EXPECT_EQ(ippsIIRFree_32f(st), ippStsNoErr);
}

}  // namespace

std::vector<testing::CheckRow> IirCheckRows() {
  // The state's tag check is the filters' own: the probe's bytes are no state.
  return {
      {"ippsIIR_32f",
       [](Probe& p) {
         return ippsIIR_32f(p.F32(0), p.F32(1), p.Len(4), p.Ptr<IppsIIRState_32f>(2));
       },
       ippStsContextMatchErr},
      {"ippsIIR_32f_I",
       [](Probe& p) { return ippsIIR_32f_I(p.F32(0), p.Len(4), p.Ptr<IppsIIRState_32f>(1)); },
       ippStsContextMatchErr},
      {"ippsIIRFree_32f", [](Probe& p) { return ippsIIRFree_32f(p.Ptr<IppsIIRState_32f>(0)); },
       ippStsContextMatchErr, ippStsNoErr},
      {"ippsIIRInitAlloc_32f",
       [](Probe& p) {
         IppsIIRState_32f** out = p.Ptr<IppsIIRState_32f*>(0);
         const IppStatus st = ippsIIRInitAlloc_32f(out, p.F32(1), p.Own(1, -1), nullptr);
         if (st == ippStsNoErr) ippsIIRFree_32f(*out);
         return st;
       },
       ippStsIIROrderErr, ippStsNoErr},
      {"ippsIIRInit_BiQuad_32f",
       [](Probe& p) {
         return ippsIIRInit_BiQuad_32f(p.Ptr<IppsIIRState_32f*>(0), p.F32(1), p.Own(1, 0), nullptr,
                                       p.Ptr<Ipp8u>(2));
       },
       ippStsIIROrderErr, ippStsNoErr},
      {"ippsIIRGetStateSize_BiQuad_32f",
       [](Probe& p) { return ippsIIRGetStateSize_BiQuad_32f(p.Own(1, 0), p.Ptr<int>(0)); },
       ippStsIIROrderErr, ippStsNoErr},
  };
}

}  // namespace tavrel::kernels
