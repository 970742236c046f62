#include "audio/ALFIRTaps.h"

#include "math/routines.h"

namespace tavrel {

void CalculateFIRTaps(const TALFIRParams& Params, double SampleRate, TSLAReal& Taps) {
  TSLAReal designed;
  double f = Params.Frequency;
  if (f / SampleRate >= 0.5) f = SampleRate * 0.49999;
  double fh = Params.FreqHigh;
  if (fh / SampleRate >= 0.5) fh = SampleRate * 0.49999;
  double fl = Params.FreqLow;
  if (fl >= fh) fl = fh * 0.99999;
  switch (Params.Kind) {
    case TALFIRKind::LowPass:
      DesignLowPass(designed, Params.NumTaps, Params.WindowType, Params.Alpha, SampleRate, f);
      break;
    case TALFIRKind::HighPass:
      DesignHighPass(designed, Params.NumTaps, Params.WindowType, Params.Alpha, SampleRate, f);
      break;
    case TALFIRKind::BandPass:
      DesignBandPass(designed, Params.NumTaps, Params.WindowType, Params.Alpha, SampleRate, fl, fh);
      break;
    case TALFIRKind::BandStop:
      DesignBandStop(designed, Params.NumTaps, Params.WindowType, Params.Alpha, SampleRate, fl, fh);
      break;
  }
  Taps.assign(designed.size(), 0.0);
  SLDispatcher::ippsCopy_64f(designed.data(), Taps.data(), static_cast<int>(designed.size()));
}

}  // namespace tavrel
