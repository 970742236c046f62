#include "audio/SLWindowFilter.h"

#include <cmath>
#include <numbers>

#include "math/routines.h"

namespace tavrel {
namespace {

// Sizes the array to the odd tap count and returns the centre index. A
// count below 1 would size the array negatively; one tap is the least.
int SizeTaps(TSLAReal& Taps, int NumTaps) {
  if (NumTaps < 1) NumTaps = 1;
  if (NumTaps % 2 == 0) ++NumTaps;
  Taps.assign(static_cast<size_t>(NumTaps), 0.0);
  return (NumTaps - 1) / 2;
}

// i * pi with pi in extended precision, the product rounded to double.
double PiTimes(int i) {
  return static_cast<double>(static_cast<long double>(i) * std::numbers::pi_v<long double>);
}

// Spectral inversion of a symmetric design, scaled so that the alternating
// sum of the result is +-1.
void Invert(TSLAReal& Taps) {
  const int n = static_cast<int>(Taps.size());
  const int m = (n - 1) / 2;
  SLDispatcher::ippsMulC_64f_I(-1.0, Taps.data(), n);
  double s = 0.0;
  for (int i = 0; i < n; ++i) s += (i % 2 == 0) ? Taps[i] : -Taps[i];
  Taps[m] += 1.0;
  s += 1.0;
  SLDispatcher::ippsDivC_64f_I(std::fabs(s), Taps.data(), n);
}

}  // namespace

void ApplyWindow(TSLAReal& Taps, TSLWindowType WindowType, double Alpha) {
  double* data = Taps.data();
  const int len = static_cast<int>(Taps.size());
  switch (WindowType) {
    case wtBartlett:
      SLDispatcher::ippsWinBartlett_64f_I(data, len);
      break;
    case wtBlackman:
      SLDispatcher::ippsWinBlackman_64f_I(data, len, Alpha);
      break;
    case wtHamming:
      SLDispatcher::ippsWinHamming_64f_I(data, len);
      break;
    case wtHanning:
      SLDispatcher::ippsWinHann_64f_I(data, len);
      break;
    case wtKaiser:
      SLDispatcher::ippsWinKaiser_64f_I(data, len, static_cast<float>(Alpha));
      break;
    default:
      break;
  }
}

void DesignLowPass(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                   double Frequency) {
  const int m = SizeTaps(Taps, NumTaps);
  const double f = Frequency / SampleRate * 2.0;
  Taps[m] = f;
  for (int i = 1; i <= m; ++i) {
    const double x = PiTimes(i);
    Taps[m + i] = std::sin(f * x) / x;
    Taps[m - i] = Taps[m + i];
  }
  ApplyWindow(Taps, WindowType, Alpha);
}

void DesignHighPass(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                    double Frequency) {
  DesignLowPass(Taps, NumTaps, WindowType, Alpha, SampleRate, Frequency);
  Invert(Taps);
}

void DesignBandPass(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                    double FreqLow, double FreqHigh) {
  const int m = SizeTaps(Taps, NumTaps);
  const double fl = FreqLow / SampleRate * 2.0;
  const double fh = FreqHigh / SampleRate * 2.0;
  Taps[m] = fh - fl;
  for (int i = 1; i <= m; ++i) {
    const double x = PiTimes(i);
    Taps[m + i] = 2.0 * std::sin((fh - fl) / 2.0 * x) * std::cos((fh + fl) / 2.0 * x) / x;
    Taps[m - i] = Taps[m + i];
  }
  ApplyWindow(Taps, WindowType, Alpha);
}

void DesignBandStop(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                    double FreqLow, double FreqHigh) {
  DesignBandPass(Taps, NumTaps, WindowType, Alpha, SampleRate, FreqLow, FreqHigh);
  Invert(Taps);
}

}  // namespace tavrel
