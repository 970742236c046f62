#include "audio/SLWindowFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "audio/ALFIRTaps.h"

namespace tavrel {
namespace {

using LD = long double;
constexpr LD kPi = std::numbers::pi_v<long double>;

enum class Kind { LowPass, HighPass, BandPass, BandStop };

// The window from its textbook formula, with Kaiser's I0 from the standard
// library instead of the kernels' polynomial.
std::vector<LD> ReferenceWindow(TSLWindowType type, int n, double alpha) {
  std::vector<LD> w(n, 1.0L);
  const LD span = n - 1;
  for (int k = 0; k < n; ++k) {
    const LD theta = 2.0L * kPi * k / span;
    switch (type) {
      case wtBartlett: w[k] = k <= span / 2 ? 2.0L * k / span : 2.0L - 2.0L * k / span; break;
      case wtBlackman: w[k] = (1.0L + alpha) / 2 - 0.5L * std::cos(theta) - alpha / 2.0L * std::cos(2 * theta); break;
      case wtHamming: w[k] = 0.54L - 0.46L * std::cos(theta); break;
      case wtHanning: w[k] = 0.5L - 0.5L * std::cos(theta); break;
      case wtKaiser: {
        const LD a = static_cast<float>(alpha);
        w[k] = std::cyl_bessel_i(0.0L, a * std::sqrt(LD(k) * (span - k))) / std::cyl_bessel_i(0.0L, a * span / 2);
        break;
      }
      default: break;
    }
  }
  return w;
}

// sinc(x) = sin(pi x) / (pi x) with sinc(0) = 1.
LD Sinc(LD x) { return x == 0 ? 1.0L : std::sin(kPi * x) / (kPi * x); }

std::vector<LD> Reference(Kind kind, int n, TSLWindowType type, double alpha, double fs, double f1, double f2) {
  if (n % 2 == 0) ++n;
  const int m = (n - 1) / 2;
  std::vector<LD> h(n);
  for (int i = 0; i < n; ++i) {
    const LD k = i - m;
    if (kind == Kind::LowPass || kind == Kind::HighPass) {
      const LD f = 2.0L * f1 / fs;
      h[i] = f * Sinc(f * k);
    } else {
      const LD fl = 2.0L * f1 / fs, fh = 2.0L * f2 / fs;
      h[i] = fh * Sinc(fh * k) - fl * Sinc(fl * k);
    }
  }
  const std::vector<LD> w = ReferenceWindow(type, n, alpha);
  for (int i = 0; i < n; ++i) h[i] *= w[i];
  if (kind == Kind::HighPass || kind == Kind::BandStop) {
    // Spectral inversion; the divisor gets +1 whatever the parity of M.
    LD alternating = 0;
    for (int i = 0; i < n; ++i) alternating += (i % 2 == 0 ? h[i] : -h[i]);
    const LD s = -alternating + 1.0L;
    for (auto& x : h) x = -x;
    h[m] += 1.0L;
    for (auto& x : h) x /= std::fabs(s);
  }
  return h;
}

TSLAReal Design(Kind kind, int n, TSLWindowType type, double alpha, double fs, double f1, double f2) {
  TSLAReal taps{7.0};  // any old content is replaced
  switch (kind) {
    case Kind::LowPass: DesignLowPass(taps, n, type, alpha, fs, f1); break;
    case Kind::HighPass: DesignHighPass(taps, n, type, alpha, fs, f1); break;
    case Kind::BandPass: DesignBandPass(taps, n, type, alpha, fs, f1, f2); break;
    case Kind::BandStop: DesignBandStop(taps, n, type, alpha, fs, f1, f2); break;
  }
  return taps;
}

std::complex<double> Response(const TSLAReal& h, double fs, double hz) {
  const LD w = 2.0L * kPi * hz / fs;
  std::complex<LD> sum = 0;
  for (size_t n = 0; n < h.size(); ++n) sum += LD(h[n]) * std::polar(1.0L, -w * LD(n));
  return {double(sum.real()), double(sum.imag())};
}

double Decibels(std::complex<double> z) { return 20.0 * std::log10(std::abs(z)); }

struct Window {
  TSLWindowType type;
  double alpha;
  const char* name;
};
// 0.1 and 0.3 are not single-precision values, so the alpha's precision
// shows in Blackman's taps.
const Window kWindows[] = {{wtRect, 1.0, "rect"},         {wtBartlett, 1.0, "bartlett"},
                           {wtBlackman, 0.1, "blackman"}, {wtBlackman, -0.16, "blackman-numpy"},
                           {wtHamming, 1.0, "hamming"},   {wtHanning, 1.0, "hann"},
                           {wtKaiser, 0.3, "kaiser"}};
const Kind kKinds[] = {Kind::LowPass, Kind::HighPass, Kind::BandPass, Kind::BandStop};

TEST(SLWindowFilter, EveryDesignAndWindowMatchesTheReference) {
  for (Kind kind : kKinds)
    for (const Window& w : kWindows)
      for (int n : {5, 40, 43}) {
        const bool band = kind == Kind::BandPass || kind == Kind::BandStop;
        const double f1 = band ? 1000.0 : 3000.0, f2 = 2000.0;
        const TSLAReal taps = Design(kind, n, w.type, w.alpha, 44100.0, f1, f2);
        const std::vector<LD> ref = Reference(kind, n, w.type, w.alpha, 44100.0, f1, f2);
        const std::string where = std::string(w.name) + " kind " + std::to_string(int(kind)) + " n " + std::to_string(n);
        ASSERT_EQ(taps.size(), ref.size()) << where;
        LD peak = 0;
        for (LD x : ref) peak = std::max(peak, std::fabs(x));
        // Relative to the largest tap: a tap at a zero of the sinc has no
        // relative precision of its own.
        const double tol = (w.type == wtKaiser ? 1e-6 : 1e-12) * double(peak);
        for (size_t i = 0; i < ref.size(); ++i) EXPECT_NEAR(taps[i], double(ref[i]), tol) << where << " tap " << i;
      }
}

TEST(SLWindowFilter, TapCountIsMadeOddAroundTheCentre) {
  struct Case {
    int requested, taps;
  } const cases[] = {{40, 41}, {41, 41}, {5, 5}, {4, 5}, {0, 1}, {-3, 1}};
  for (const Case& c : cases) {
    TSLAReal taps;
    DesignLowPass(taps, c.requested, wtRect, 1.0, 44100.0, 3000.0);
    ASSERT_EQ(int(taps.size()), c.taps) << c.requested;
    // The centre holds the normalised cut-off and is the largest tap.
    EXPECT_EQ(taps[(c.taps - 1) / 2], 3000.0 / 44100.0 * 2.0) << c.requested;
  }
}

TEST(SLWindowFilter, EveryDesignIsExactlySymmetric) {
  for (Kind kind : kKinds)
    for (const Window& w : kWindows) {
      const TSLAReal taps = Design(kind, 41, w.type, w.alpha, 44100.0, 1000.0, 2000.0);
      for (int i = 1; i <= 20; ++i) EXPECT_EQ(taps[20 - i], taps[20 + i]) << w.name << " kind " << int(kind);
    }
}

TEST(SLWindowFilter, RectLowPassAtAQuarterOfTheRate) {
  TSLAReal taps;
  DesignLowPass(taps, 41, wtRect, 1.0, 44100.0, 11025.0);
  EXPECT_EQ(taps[20], 0.5);
  EXPECT_LT(std::fabs(taps[22]), 1e-16);
  EXPECT_DOUBLE_EQ(taps[21], 1.0 / std::numbers::pi);
}

TEST(SLWindowFilter, KaiserTakesAlphaInSingleAndBlackmanInDoublePrecision) {
  // 1 + 2^-30 rounds to 1.0f.
  const double nearOne = 1.0 + std::ldexp(1.0, -30);
  TSLAReal a, b;
  DesignLowPass(a, 41, wtKaiser, nearOne, 44100.0, 3000.0);
  DesignLowPass(b, 41, wtKaiser, 1.0, 44100.0, 3000.0);
  EXPECT_EQ(a, b);
  DesignLowPass(a, 41, wtBlackman, nearOne, 44100.0, 3000.0);
  DesignLowPass(b, 41, wtBlackman, 1.0, 44100.0, 3000.0);
  EXPECT_NE(a, b);
}

TEST(SLWindowFilter, UnknownWindowLeavesTheTapsAlone) {
  TSLAReal taps{1.0, 2.0, 3.0, 4.0, 5.0};
  ApplyWindow(taps, static_cast<TSLWindowType>(6), 1.0);
  EXPECT_EQ(taps, (TSLAReal{1.0, 2.0, 3.0, 4.0, 5.0}));
}

TEST(SLWindowFilter, LowPassPassesDirectCurrent) {
  // Unscaled: the gain at 0 Hz is the windowed sum of the taps, within 1 %
  // of 1 once the sinc's main lobe fits the taps and the window tapers
  // smoothly; the truncated rect and the Bartlett ripple by a few percent.
  for (const Window& w : kWindows)
    for (double hz : {4000.0, 5000.0, 8000.0, 11025.0}) {
      TSLAReal taps;
      DesignLowPass(taps, 41, w.type, w.alpha, 44100.0, hz);
      const double tol = (w.type == wtRect || w.type == wtBartlett) ? 0.05 : 0.01;
      EXPECT_NEAR(std::abs(Response(taps, 44100.0, 0.0)), 1.0, tol) << w.name << " " << hz;
    }
}

TEST(SLWindowFilter, HighPassAndBandStopHaveUnitGainAtNyquistWithAnEvenCentre) {
  for (const Window& w : kWindows) {
    TSLAReal taps;
    DesignHighPass(taps, 41, w.type, w.alpha, 44100.0, 5000.0);
    EXPECT_NEAR(std::abs(Response(taps, 44100.0, 22050.0)), 1.0, 1e-12) << w.name;
    DesignBandStop(taps, 41, w.type, w.alpha, 44100.0, 1000.0, 2000.0);
    EXPECT_NEAR(std::abs(Response(taps, 44100.0, 22050.0)), 1.0, 1e-12) << w.name;
  }
}

TEST(SLWindowFilter, OddCentreStillAddsOneToTheDivisor) {
  // 43 taps put the centre at 21. With the cut-off near Nyquist the
  // low-pass keeps a large alternating sum A, so dividing by |1 - A| and by
  // |(-1)^21 - A| give clearly different taps.
  TSLAReal lp, hp;
  DesignLowPass(lp, 43, wtRect, 1.0, 44100.0, 20000.0);
  DesignHighPass(hp, 43, wtRect, 1.0, 44100.0, 20000.0);
  double a = 0;
  for (int i = 0; i < 43; ++i) a += (i % 2 == 0 ? lp[i] : -lp[i]);
  ASSERT_GT(std::fabs(std::fabs(1 - a) - std::fabs(-1 - a)), 0.1);
  EXPECT_NEAR(hp[21], (1.0 - lp[21]) / std::fabs(1.0 - a), 1e-12);
  EXPECT_NEAR(hp[0], -lp[0] / std::fabs(1.0 - a), 1e-15);
}

TEST(SLWindowFilter, HammingStopBandIsBelowMinus40Decibels) {
  TSLAReal taps;
  DesignLowPass(taps, 41, wtHamming, 1.0, 44100.0, 1500.0);
  for (double hz = 1500.0 + 3600.0; hz <= 22050.0; hz += 50.0)
    EXPECT_LT(Decibels(Response(taps, 44100.0, hz)), -40.0) << hz;
  DesignHighPass(taps, 41, wtHamming, 1.0, 44100.0, 5000.0);
  for (double hz = 0.0; hz <= 5000.0 - 3600.0; hz += 50.0)
    EXPECT_LT(Decibels(Response(taps, 44100.0, hz)), -40.0) << hz;
}

// The guards of the components: frequencies at or above Nyquist and a
// lower edge at or above the upper one are designed on local copies.
TEST(ALFIRTaps, GuardsBringFrequenciesIntoRange) {
  struct Case {
    TALFIRKind kind;
    double f, fl, fh;      // parameters
    double df, dfl, dfh;   // what the design must see
  } const cases[] = {
      {TALFIRKind::LowPass, 30000, 0, 0, 44100 * 0.49999, 0, 0},
      {TALFIRKind::LowPass, 22050, 0, 0, 44100 * 0.49999, 0, 0},
      {TALFIRKind::HighPass, 22049, 0, 0, 22049, 0, 0},
      {TALFIRKind::HighPass, 30000, 0, 0, 44100 * 0.49999, 0, 0},
      {TALFIRKind::BandPass, 0, 1000, 2000, 0, 1000, 2000},
      {TALFIRKind::BandPass, 0, 25000, 30000, 0, 44100 * 0.49999 * 0.99999, 44100 * 0.49999},
      {TALFIRKind::BandStop, 0, 2000, 2000, 0, 2000 * 0.99999, 2000},
      {TALFIRKind::BandStop, 0, 3000, 2000, 0, 2000 * 0.99999, 2000},
  };
  for (const Case& c : cases) {
    TALFIRParams p{c.kind, 41, wtHamming, 1.0, c.f, c.fl, c.fh};
    const TALFIRParams before = p;
    TSLAReal got, want;
    CalculateFIRTaps(p, 44100.0, got);
    switch (c.kind) {
      case TALFIRKind::LowPass: DesignLowPass(want, 41, wtHamming, 1.0, 44100.0, c.df); break;
      case TALFIRKind::HighPass: DesignHighPass(want, 41, wtHamming, 1.0, 44100.0, c.df); break;
      case TALFIRKind::BandPass: DesignBandPass(want, 41, wtHamming, 1.0, 44100.0, c.dfl, c.dfh); break;
      case TALFIRKind::BandStop: DesignBandStop(want, 41, wtHamming, 1.0, 44100.0, c.dfl, c.dfh); break;
    }
    EXPECT_EQ(got, want) << int(c.kind) << " " << c.f << " " << c.fl << " " << c.fh;
    EXPECT_EQ(p.Frequency, before.Frequency);
    EXPECT_EQ(p.FreqLow, before.FreqLow);
    EXPECT_EQ(p.FreqHigh, before.FreqHigh);
  }
}

TEST(ALFIRTaps, TapsFollowTheParameters) {
  TALFIRParams p{TALFIRKind::BandStop, 40, wtKaiser, 2.0, 0.0, 1000.0, 2000.0};
  TSLAReal got, want;
  CalculateFIRTaps(p, 48000.0, got);
  DesignBandStop(want, 41, wtKaiser, 2.0, 48000.0, 1000.0, 2000.0);
  EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace tavrel
