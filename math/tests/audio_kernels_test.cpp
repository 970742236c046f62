#include "math/audio_kernels.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

using testing::CheckRow;
using testing::Probe;

constexpr double kTwoPi = 2 * std::numbers::pi;

TEST(AudioKernels, ElementwiseRows) {
  std::vector<Ipp16s> a = {32000, -32000, 5}, b = {1000, -1000, -7};
  ASSERT_EQ(ippsAdd_16s_I(b.data(), a.data(), 3), ippStsNoErr);
  EXPECT_EQ(a, (std::vector<Ipp16s>{32767, -32768, -2}));

  std::vector<Ipp16s> t = {-10, -5, 0, 5, 10};
  EXPECT_EQ(ippsThreshold_LTValGTVal_16s_I(t.data(), 5, 6, 0, 5, 0), ippStsThresholdErr);
  EXPECT_EQ(t, (std::vector<Ipp16s>{-10, -5, 0, 5, 10}));
  ASSERT_EQ(ippsThreshold_LTValGTVal_16s_I(t.data(), 5, -5, -100, 5, 100), ippStsNoErr);
  EXPECT_EQ(t, (std::vector<Ipp16s>{-100, -5, 0, 5, 100}));

  // Partial sums: 1e10 cancels inside the first sum before the ones are added.
  const std::vector<float> s = {1e10f, 1, -1e10f, 1, 1};
  float sum = 0;
  ASSERT_EQ(ippsSum_32f(s.data(), 5, &sum, ippAlgHintNone), ippStsNoErr);
  EXPECT_EQ(sum, 3.0f);

  std::vector<float> q = {-3, 0.5f};
  ASSERT_EQ(ippsSqr_32f_I(q.data(), 2), ippStsNoErr);
  EXPECT_EQ(q, (std::vector<float>{9, 0.25f}));

  const std::vector<float> x = {1, -2, std::numeric_limits<float>::infinity()};
  std::vector<float> y(3, 7);
  ASSERT_EQ(ippsMulC_32f(x.data(), 0.0f, y.data(), 3), ippStsNoErr);
  EXPECT_EQ(y, (std::vector<float>{0, 0, 0}));  // zeroed, not multiplied (no NaN)
  ASSERT_EQ(ippsMulC_32f(x.data(), 1.0f, y.data(), 3), ippStsNoErr);
  EXPECT_EQ(y, x);
  ASSERT_EQ(ippsMulC_32f(x.data(), -0.5f, y.data(), 2), ippStsNoErr);
  EXPECT_EQ(y[1], 1.0f);

  std::vector<float> d = {2, 4};
  ASSERT_EQ(ippsDivC_32f_I(1.0f, d.data(), 2), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<float>{2, 4}));
  EXPECT_EQ(ippsDivC_32f_I(0.0f, d.data(), 2), ippStsDivByZeroErr);
  EXPECT_EQ(d, (std::vector<float>{2, 4}));
  ASSERT_EQ(ippsDivC_32f_I(4.0f, d.data(), 2), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<float>{0.5f, 1}));
}

TEST(AudioKernels, SampleDown) {
  std::vector<float> src(10);
  for (int i = 0; i < 10; ++i) src[i] = float(i);
  std::vector<float> dst(10, -1);
  int n = 0, phase = 2;
  ASSERT_EQ(ippsSampleDown_32f(src.data(), 10, dst.data(), &n, 3, &phase), ippStsNoErr);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(phase, 1);
  EXPECT_EQ(dst[0], 2);
  EXPECT_EQ(dst[1], 5);
  EXPECT_EQ(dst[2], 8);
  EXPECT_EQ(dst[3], -1);
  // Continuing with the returned phase picks up where the stream left off.
  ASSERT_EQ(ippsSampleDown_32f(src.data(), 10, dst.data(), &n, 3, &phase), ippStsNoErr);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(dst[0], 1);
  phase = 0;
  ASSERT_EQ(ippsSampleDown_32f(src.data(), 10, dst.data(), &n, 1, &phase), ippStsNoErr);
  EXPECT_EQ(n, 10);
  EXPECT_EQ(dst, src);
  EXPECT_EQ(ippsSampleDown_32f(src.data(), 10, dst.data(), &n, 0, &phase), ippStsSampleFactorErr);
  phase = 3;
  EXPECT_EQ(ippsSampleDown_32f(src.data(), 10, dst.data(), &n, 3, &phase), ippStsSamplePhaseErr);
  phase = 5;
  ASSERT_EQ(ippsSampleDown_32f(src.data(), 3, dst.data(), &n, 8, &phase), ippStsNoErr);
  EXPECT_EQ(n, 0);  // the phase lies beyond this short block
  EXPECT_EQ(phase, 2);
}

TEST(AudioKernels, CompensateOffset) {
  std::vector<float> x = {1, 3, 6};
  float last = 0.5f;
  ASSERT_EQ(ippsCompensateOffset_32f_I(x.data(), 3, &last, 2.0f, 0.5f), ippStsNoErr);
  // d0 = 1 - 0.5 + 0.5*2 = 1.5; d1 = 3 - 1 + 0.75 = 2.75; d2 = 6 - 3 + 1.375 = 4.375
  EXPECT_EQ(x, (std::vector<float>{1.5f, 2.75f, 4.375f}));
  EXPECT_EQ(last, 6.0f);
}

TEST(AudioKernels, FloatToIntegerConversions) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Row {
    float x;
    IppRoundMode mode;
    Ipp16s want16;
    Ipp8s want8;
  };
  const Row rows[] = {
      {2.5f, ippRndNear, 2, 2},        {3.5f, ippRndNear, 4, 4},      {-2.5f, ippRndNear, -2, -2},
      {-3.5f, ippRndNear, -4, -4},     {-2.7f, ippRndZero, -2, -2},   {2.7f, ippRndZero, 2, 2},
      {nan, ippRndNear, -32768, -128}, {1e10f, ippRndZero, 32767, 127}, {-1e10f, ippRndNear, -32768, -128},
      {127.5f, ippRndNear, 128, 127},  {-128.5f, ippRndNear, -128, -128},
  };
  for (const Row& r : rows) {
    Ipp16s o16 = 1;
    Ipp8s o8 = 1;
    ASSERT_EQ(ippiConvert_32f16s_C1R(&r.x, 4, &o16, 2, IppiSize{1, 1}, r.mode), ippStsNoErr);
    ASSERT_EQ(ippiConvert_32f8s_C1R(&r.x, 4, &o8, 1, IppiSize{1, 1}, r.mode), ippStsNoErr);
    EXPECT_EQ(o16, r.want16) << r.x;
    EXPECT_EQ(o8, r.want8) << r.x;
  }
  // Strided rows leave the padding alone.
  const Ipp16s in[2][3] = {{-1, 2, 99}, {3, -4, 99}};
  float out[2][3] = {{7, 7, 7}, {7, 7, 7}};
  ASSERT_EQ(ippiConvert_16s32f_C1R(&in[0][0], 6, &out[0][0], 12, IppiSize{2, 2}), ippStsNoErr);
  EXPECT_EQ(out[1][1], -4.0f);
  EXPECT_EQ(out[0][2], 7.0f);
  const Ipp8s in8[2] = {-128, 127};
  float out8[2];
  ASSERT_EQ(ippiConvert_8s32f_C1R(in8, 2, out8, 8, IppiSize{2, 1}), ippStsNoErr);
  EXPECT_EQ(out8[0], -128.0f);
}

TEST(AudioKernels, Tone) {
  std::vector<Ipp16s> v(11);
  float phase = 0;
  ASSERT_EQ(ippsTone_Direct_16s(v.data(), 11, 1000, 0.25f, &phase, ippAlgHintNone), ippStsNoErr);
  const int want[] = {1000, 0, -1000, 0};
  for (int i = 0; i < 11; ++i) EXPECT_NEAR(v[i], want[i % 4], 1) << i;
  EXPECT_NEAR(phase, std::fmod(0.5 * std::numbers::pi * 11, kTwoPi), 1e-5);

  // Against the closed form from the phase read on entry.
  for (float rFreq : {0.0f, 0.01f, 0.123f, 0.49f}) {
    float p = 1.0f;
    std::vector<Ipp16s> out(300);
    ASSERT_EQ(ippsTone_Direct_16s(out.data(), 300, 20000, rFreq, &p, ippAlgHintNone), ippStsNoErr);
    for (int n = 0; n < 300; ++n)
      EXPECT_NEAR(out[n], 20000 * std::cos(1.0 + kTwoPi * rFreq * n), 1.01) << rFreq << " " << n;
    EXPECT_NEAR(p, std::fmod(1.0 + kTwoPi * rFreq * 300, kTwoPi), 1e-4);
  }
}

TEST(AudioKernels, ToneAndTriangleCheckPrecedence) {
  std::vector<Ipp16s> out(4, 5);
  float phase = 0.5f, badPhase = 7.0f;
  struct Row {
    const char* name;
    Ipp16s* dst;
    int len;
    Ipp16s magn;
    float rFreq;
    float* phase;
    IppStatus tone;
  };
  const Row rows[] = {
      {"null phase wins", nullptr, 0, 0, 0.7f, nullptr, ippStsNullPtrErr},
      {"magnitude before frequency", nullptr, 0, 0, 0.7f, &badPhase, ippStsToneMagnErr},
      {"frequency before phase", nullptr, 0, 10, 0.5f, &badPhase, ippStsToneFreqErr},
      {"negative frequency", out.data(), 4, 10, -0.1f, &phase, ippStsToneFreqErr},
      {"phase before destination", nullptr, 0, 10, 0.1f, &badPhase, ippStsTonePhaseErr},
      {"destination before length", nullptr, 0, 10, 0.1f, &phase, ippStsNullPtrErr},
      {"length", out.data(), 0, 10, 0.1f, &phase, ippStsSizeErr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const float before = r.phase ? *r.phase : 0;
    EXPECT_EQ(ippsTone_Direct_16s(r.dst, r.len, r.magn, r.rFreq, r.phase, ippAlgHintNone), r.tone);
    // The triangle has the same order with its own codes, and the asymmetry between frequency and phase.
    const IppStatus tri = r.tone == ippStsToneMagnErr   ? ippStsTrnglMagnErr
                          : r.tone == ippStsToneFreqErr ? ippStsTrnglFreqErr
                          : r.tone == ippStsTonePhaseErr ? ippStsTrnglPhaseErr
                                                          : r.tone;
    EXPECT_EQ(ippsTriangle_Direct_16s(r.dst, r.len, r.magn, r.rFreq, 0.0f, r.phase), tri);
    if (r.phase) {
      EXPECT_EQ(*r.phase, before);
    }
  }
  EXPECT_EQ(ippsTriangle_Direct_16s(nullptr, 0, 10, 0.1f, 4.0f, &badPhase), ippStsTrnglAsymErr);
  EXPECT_EQ(ippsTriangle_Direct_16s(nullptr, 0, 10, 0.1f, -3.1416f, &phase), ippStsTrnglAsymErr);
  EXPECT_EQ(out, std::vector<Ipp16s>(4, 5));
}

TEST(AudioKernels, Triangle) {
  // Asymmetry 0: symmetric about the trough, bounded by the magnitude.
  std::vector<Ipp16s> v(400);
  float phase = 0;
  ASSERT_EQ(ippsTriangle_Direct_16s(v.data(), 400, 1000, 0.01f, 0.0f, &phase), ippStsNoErr);
  EXPECT_EQ(v[0], 1000);
  EXPECT_NEAR(v[50], -1000, 1);  // the trough half a period (50 samples) later
  for (int i = 1; i < 50; ++i) EXPECT_NEAR(v[50 - i], v[50 + i], 1) << i;
  for (int i = 0; i < 400; ++i) {
    EXPECT_LE(std::abs(v[i]), 1000) << i;
    const double ph = std::fmod(kTwoPi * 0.01 * i, kTwoPi);
    const double tri = ph < std::numbers::pi ? 1000 * (1 - 2 * ph / std::numbers::pi)
                                             : 1000 * ((ph - std::numbers::pi) * 2 / std::numbers::pi - 1);
    EXPECT_NEAR(v[i], tri, 2.0) << i;
  }
  // 400 samples of 0.01f fall just short of four whole periods.
  const double after = std::fmod(kTwoPi * double(0.01f) * 400, kTwoPi);
  EXPECT_NEAR(std::remainder(phase - after, kTwoPi), 0.0, 1e-4);

  for (float asym : {-2.5f, -1.0f, 1.0f, 3.0f}) {
    float p = 0.3f;
    std::vector<Ipp16s> w(1000);
    ASSERT_EQ(ippsTriangle_Direct_16s(w.data(), 1000, 3000, 0.037f, asym, &p), ippStsNoErr);
    for (Ipp16s s : w) ASSERT_LE(std::abs(s), 3000) << asym;
  }

  float still = 2.0f;
  std::vector<Ipp16s> flat(10);
  ASSERT_EQ(ippsTriangle_Direct_16s(flat.data(), 10, 1000, 0.0f, 0.5f, &still), ippStsNoErr);
  for (Ipp16s s : flat) EXPECT_EQ(s, flat[0]);
  EXPECT_EQ(still, 2.0f);
}

TEST(AudioKernels, PeriodicityFindsThePeriod) {
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> u(-1, 1);
  for (int period : {23, 29, 31, 37}) {  // no multiple within the searched range
    SCOPED_TRACE(period);
    const int len = 230;
    std::vector<float> cycle(period), x(len);
    for (float& c : cycle) c = u(rng);
    for (int i = 0; i < len; ++i) x[i] = cycle[i % period] + 0.01f * u(rng);
    float score = -1;
    int found = -1;
    ASSERT_EQ(ippsPeriodicityLSPE_32f(x.data(), len, &score, &found, 44, 15), ippStsNoErr);
    EXPECT_EQ(found, period);
    EXPECT_GT(score, 0.9f);
    EXPECT_LE(score, 1.01f);
  }
  std::vector<float> x(200, 1.0f);
  float score;
  int found;
  struct Row {
    int len, maxP, minP;
    IppStatus want;
  };
  const Row rows[] = {
      {200, 40, 5, ippStsRangeErr},      {200, 20, 20, ippStsRangeErr},
      {200, 200, 13, ippStsPeriodicityLengthErr}, {200, 40, 12, ippStsPeriodicityLengthErr},
      {1025, 100, 70, ippStsPeriodicityLengthErr}, {200, 5, 30, ippStsRangeErr},
  };
  std::vector<float> big(1025, 0.0f);
  for (const Row& r : rows) {
    score = 5;
    found = 5;
    EXPECT_EQ(ippsPeriodicityLSPE_32f(r.len > 200 ? big.data() : x.data(), r.len, &score, &found,
                                      r.maxP, r.minP),
              r.want)
        << r.len << " " << r.maxP << " " << r.minP;
    EXPECT_EQ(score, 5);
    EXPECT_EQ(found, 5);
  }
  std::vector<float> silent(100, 0.0f);
  ASSERT_EQ(ippsPeriodicityLSPE_32f(silent.data(), 100, &score, &found, 20, 7), ippStsNoErr);
  EXPECT_EQ(score, 0.0f);
  EXPECT_EQ(found, 0);
}

TEST(AudioKernels, HandledEdgeCasesRaiseNoFloatingPointFlag) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float in[4] = {nan, 1e10f, -1e10f, 2.5f};
  Ipp16s o16[4];
  Ipp8s o8[4];
  std::vector<float> silent(100, 0.0f);
  float score;
  int found;
  std::vector<float> z = {std::numeric_limits<float>::infinity(), 1};
  std::vector<Ipp16s> tri(64);
  float ph = 0;
  std::feclearexcept(FE_ALL_EXCEPT);
  ippiConvert_32f16s_C1R(in, 16, o16, 8, IppiSize{4, 1}, ippRndNear);
  ippiConvert_32f8s_C1R(in, 16, o8, 4, IppiSize{4, 1}, ippRndZero);
  ippsPeriodicityLSPE_32f(silent.data(), 100, &score, &found, 20, 7);
  ippsMulC_32f(z.data(), 0.0f, z.data(), 2);
  ippsTriangle_Direct_16s(tri.data(), 64, 100, 0.0f, 0.0f, &ph);
  EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

}  // namespace

std::vector<testing::CheckRow> AudioKernelsCheckRows() {
  const IppiSize good{4, 2};
  auto roi = [good](Probe& p) { return p.badSize ? IppiSize{4, 0} : good; };
  std::vector<CheckRow> rows = {
      {"ippsAdd_16s_I",
       [](Probe& p) { return ippsAdd_16s_I(p.Ptr<Ipp16s>(0), p.Ptr<Ipp16s>(1), p.Len(4)); }},
      {"ippsThreshold_LTValGTVal_16s_I",
       [](Probe& p) {
         return ippsThreshold_LTValGTVal_16s_I(p.Ptr<Ipp16s>(0), p.Len(4), 0, 0,
                                               p.Own<Ipp16s>(1, -1), 0);
       },
       ippStsThresholdErr},
      {"ippsSum_32f",
       [](Probe& p) { return ippsSum_32f(p.F32(0), p.Len(4), p.F32(1), ippAlgHintNone); }},
      {"ippsSqr_32f_I", [](Probe& p) { return ippsSqr_32f_I(p.F32(0), p.Len(4)); }},
      {"ippsMulC_32f", [](Probe& p) { return ippsMulC_32f(p.F32(0), 2.0f, p.F32(1), p.Len(4)); }},
      {"ippsDivC_32f_I",
       [](Probe& p) { return ippsDivC_32f_I(p.Own(2.0f, 0.0f), p.F32(0), p.Len(4)); },
       ippStsDivByZeroErr},
      {"ippsSampleDown_32f",
       [](Probe& p) {
         return ippsSampleDown_32f(p.F32(0), p.Len(8), p.F32(1), p.Ptr<int>(2), p.Own(2, 0),
                                   p.Ptr<int>(3));
       },
       ippStsSampleFactorErr},
      {"ippsCompensateOffset_32f_I",
       [](Probe& p) {
         return ippsCompensateOffset_32f_I(p.F32(0), p.Len(4), p.F32(1), 0.0f, 0.5f);
       }},
      {"ippiConvert_16s32f_C1R",
       [=](Probe& p) {
         return ippiConvert_16s32f_C1R(p.Ptr<Ipp16s>(0), 8, p.F32(1), p.Own(16, 0), roi(p));
       },
       ippStsStepErr},
      {"ippiConvert_8s32f_C1R",
       [=](Probe& p) {
         return ippiConvert_8s32f_C1R(p.Ptr<Ipp8s>(0), p.Own(4, 0), p.F32(1), 16, roi(p));
       },
       ippStsStepErr},
      {"ippiConvert_32f16s_C1R",
       [=](Probe& p) {
         return ippiConvert_32f16s_C1R(p.F32(0), 16, p.Ptr<Ipp16s>(1), p.Own(8, -8), roi(p),
                                       ippRndNear);
       },
       ippStsStepErr},
      {"ippiConvert_32f8s_C1R",
       [=](Probe& p) {
         return ippiConvert_32f8s_C1R(p.F32(0), p.Own(16, 0), p.Ptr<Ipp8s>(1), 4, roi(p),
                                      ippRndZero);
       },
       ippStsStepErr},
      {"ippsPeriodicityLSPE_32f",
       [](Probe& p) {
         // A length that misfits the range shows as -119, after the range's own -7.
         return ippsPeriodicityLSPE_32f(p.F32(0), p.badSize ? 2000 : 100, p.F32(1), p.Ptr<int>(2),
                                        p.Own(20, 7), 7);
       },
       ippStsRangeErr, ippStsPeriodicityLengthErr, true},
  };
  return rows;
}

}  // namespace tavrel::kernels
