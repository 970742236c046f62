#pragma once
// The taps a FIR filter component runs with: its properties, guarded
// against the running sample rate, through the matching design.
//
//   TALFIRParams p{TALFIRKind::LowPass};
//   p.Frequency = 30000.0;
//   TSLAReal taps;
//   CalculateFIRTaps(p, 44100.0, taps);   // designed at 44100 * 0.49999
//
// The guards work on copies; the parameters are never changed:
//   low- and high-pass: F / Fs >= 0.5 gives F = Fs * 0.49999;
//   band filters: FH / Fs >= 0.5 gives FH = Fs * 0.49999, then FL >= FH
//   gives FL = FH * 0.99999.
#include "audio/SLWindowFilter.h"

namespace tavrel {

enum class TALFIRKind { LowPass, HighPass, BandPass, BandStop };

struct TALFIRParams {
  TALFIRKind Kind = TALFIRKind::LowPass;
  int NumTaps = 41;
  TSLWindowType WindowType = wtHamming;
  double Alpha = 1.0;
  double Frequency = 1500.0;  // low- and high-pass
  double FreqLow = 1500.0;    // band filters
  double FreqHigh = 3500.0;
};

// Designs into a scratch array and copies the designed taps into Taps,
// which it sizes to the (odd) designed count.
void CalculateFIRTaps(const TALFIRParams& Params, double SampleRate, TSLAReal& Taps);

}  // namespace tavrel
