#pragma once
// The four FIR filter components: a windowed-sinc low-pass, high-pass,
// band-pass and band-stop over every channel of an audio stream.
//
//   auto* lp = TComponent::Create<TALLowPass>(form.get());
//   lp->SetFrequency(1500.0);
//   lp->InputPin()->Connect(capture.OutputPin());
//   sink.Connect(lp->OutputPin());
//
// A start designs the taps for the stream's rate and opens one FIR state
// per channel; a stop frees them. Each buffer is filtered in place (its own
// copy when shared) while the filter is enabled and its output is linked;
// otherwise it goes on untouched (see TALCommonFilter).
//
// A property change while running only marks the taps stale; the new taps
// are designed on the processing thread before the next buffer and primed
// with the last NumTaps div 2 input frames.
//
// A channel whose FIR state could not be created passes its samples through
// unfiltered; the failure goes to OnError (text "ippsFIRInitAlloc_64f", the
// status as code). The filter never raises for it: it runs on the
// delivering thread, where an exception would cost the whole buffer.
//
// The audio module list (audio/modules.h) makes the four classes known to the
// form reader.
#include <atomic>

#include "audio/ALFIRChannels.h"
#include "audio/ALFIRTaps.h"
#include "signal/ALCommonFilter.h"
#include "signal/SLFilterTypes.h"

namespace tavrel {

// The names of TSLWindowType for form data ("wtRect" ... "wtKaiser").
const EnumInfo& TSLWindowTypeInfo();

class TALCommonFIRFilter : public TALCommonFilter {
  TAVREL_CLASS_INFO
 public:
  ~TALCommonFIRFilter() override;

  int32_t NumTaps() const { return FLock->Getter(FParams.NumTaps); }
  // Below 5 gives 5; an even count is made odd by one more.
  void SetNumTaps(int32_t v);
  TSLWindowType WindowType() const;
  void SetWindowType(TSLWindowType v);
  double Alpha() const { return FLock->Getter(FParams.Alpha); }
  void SetAlpha(double v);

  TSLErrorEvent OnError;

  // The running taps (empty while stopped) and the channel filters, for
  // diagnostics and tests; read them only while no buffer is on its way.
  const TSLAReal& Taps() const { return FTaps; }
  const TALFIRChannels& Channels() const { return FChannels; }
  bool NeedsRecalc() const { return FNeedsRecalc.load(); }

 protected:
  TALCommonFIRFilter(TComponent* AOwner, TALFIRKind AKind);

  void StartWave(TOWStartWaveOperation& AOperation) override;
  void StopProcessing() override;
  void ProcessAudio(const Ref<TALAudioBuffer>& AInBuffer, Ref<TALAudioBuffer>& AOutBuffer, bool& Send) override;

  // Marks the taps stale while states exist; a change while stopped waits
  // for the next start.
  void RequestRecalc();
  TLPPropUpdateFunc Recalc() { return TLPPropUpdateFunc([this] { RequestRecalc(); }); }

  TALFIRParams FParams;

 private:
  void CalculateTaps();
  void ReportFailures(const std::vector<TALFIRChannels::Failure>& AFailures);

  TSLAReal FTaps;
  TALFIRChannels FChannels;
  std::atomic<bool> FNeedsRecalc{false};
};

// Frequency is clamped at 0.
class TALLowPass : public TALCommonFIRFilter {
  TAVREL_CLASS_INFO
 public:
  explicit TALLowPass(TComponent* AOwner) : TALLowPass(AOwner, TALFIRKind::LowPass, 1500.0) {}
  double Frequency() const { return FLock->Getter(FParams.Frequency); }
  void SetFrequency(double v);

 protected:
  TALLowPass(TComponent* AOwner, TALFIRKind AKind, double AFrequency);
};

class TALHighPass : public TALLowPass {
  TAVREL_CLASS_INFO
 public:
  explicit TALHighPass(TComponent* AOwner) : TALLowPass(AOwner, TALFIRKind::HighPass, 3500.0) {}
};

// FreqLow and FreqHigh ignore values of 0 or less and push each other
// apart: FreqLow >= FreqHigh gives FreqHigh = FreqLow / 0.99999, FreqHigh
// <= FreqLow gives FreqLow = FreqHigh * 0.99999.
class TALBandFilter : public TALCommonFIRFilter {
  TAVREL_CLASS_INFO
 public:
  double FreqLow() const { return FLock->Getter(FParams.FreqLow); }
  void SetFreqLow(double v);
  double FreqHigh() const { return FLock->Getter(FParams.FreqHigh); }
  void SetFreqHigh(double v);

 protected:
  TALBandFilter(TComponent* AOwner, TALFIRKind AKind);
};

class TALBandStop : public TALBandFilter {
  TAVREL_CLASS_INFO
 public:
  explicit TALBandStop(TComponent* AOwner) : TALBandFilter(AOwner, TALFIRKind::BandStop) {}
};

class TALBandPass : public TALBandFilter {
  TAVREL_CLASS_INFO
 public:
  explicit TALBandPass(TComponent* AOwner) : TALBandFilter(AOwner, TALFIRKind::BandPass) {}
};


}  // namespace tavrel
