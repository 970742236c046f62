#pragma once
// Windowed-sinc design of linear-phase FIR taps.
//
//   TSLAReal taps;
//   DesignLowPass(taps, 41, wtHamming, 1.0, 44100.0, 1500.0);   // 41 taps, centre 20
//   DesignBandStop(taps, 40, wtKaiser, 5.0, 44100.0, 1000.0, 2000.0);  // 40 -> 41 taps
//
// Every design makes the tap count odd (an even count gets one more tap),
// sizes the array itself and puts the centre at M = (N - 1) / 2. Frequencies
// are in hertz; f = F / Fs * 2 is the normalised frequency (1.0 is Nyquist).
// Callers keep F below Fs / 2 and FL below FH; nothing here checks them.
//
// The high-pass and band-stop taps are the low-pass and band-pass taps
// negated, with 1 added to the centre tap and to their alternating sum S,
// then divided by |S|. That makes the gain at Nyquist exactly 1 when M is
// even; with M odd the same +1 is still applied. Low-pass and band-pass are
// left unscaled.
//
// The window routines are the SLDispatcher variables, so the math start-up
// list must have run.
#include <vector>

#include "signal/SLFilterTypes.h"  // TSLWindowType

namespace tavrel {

using TSLAReal = std::vector<double>;

// Multiplies Taps in place by the window over its whole length. Kaiser
// takes Alpha in single precision, Blackman in double; any other value,
// wtRect included, leaves the taps as they are.
void ApplyWindow(TSLAReal& Taps, TSLWindowType WindowType, double Alpha);

void DesignLowPass(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                   double Frequency);
void DesignHighPass(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                    double Frequency);
void DesignBandPass(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                    double FreqLow, double FreqHigh);
void DesignBandStop(TSLAReal& Taps, int NumTaps, TSLWindowType WindowType, double Alpha, double SampleRate,
                    double FreqLow, double FreqHigh);

}  // namespace tavrel
