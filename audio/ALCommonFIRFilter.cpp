#include "audio/ALCommonFIRFilter.h"

#include "platform/classinfo.h"

namespace tavrel {

const EnumInfo& TSLWindowTypeInfo() {
  static const EnumInfo info{"TSLWindowType",
                             {"wtRect", "wtBartlett", "wtBlackman", "wtHamming", "wtHanning", "wtKaiser"}};
  return info;
}

const ClassInfo& TALCommonFIRFilter::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALCommonFIRFilter>("TALCommonFIRFilter", TALCommonFilter::Class())
          .prop("WindowType", &TALCommonFIRFilter::WindowType, &TALCommonFIRFilter::SetWindowType)
          .enumType(TSLWindowTypeInfo())
          .defaultValue(int64_t(wtHamming))
          .prop("Alpha", &TALCommonFIRFilter::Alpha, &TALCommonFIRFilter::SetAlpha)
          .stored(true)
          .prop("NumTaps", &TALCommonFIRFilter::NumTaps, &TALCommonFIRFilter::SetNumTaps)
          .defaultValue(int64_t(41))
          .event("OnError", &TALCommonFIRFilter::OnError)
          .build();
  return ci;
}

const ClassInfo& TALLowPass::Class() {
  static const ClassInfo ci = ClassBuilder<TALLowPass>("TALLowPass", TALCommonFIRFilter::Class())
                                  .prop("Frequency", &TALLowPass::Frequency, &TALLowPass::SetFrequency)
                                  .stored(true)
                                  .build();
  return ci;
}

const ClassInfo& TALHighPass::Class() {
  static const ClassInfo ci = ClassBuilder<TALHighPass>("TALHighPass", TALLowPass::Class()).build();
  return ci;
}

const ClassInfo& TALBandFilter::Class() {
  static const ClassInfo ci = ClassBuilder<TALBandFilter>("TALBandFilter", TALCommonFIRFilter::Class())
                                  .prop("FreqLow", &TALBandFilter::FreqLow, &TALBandFilter::SetFreqLow)
                                  .stored(true)
                                  .prop("FreqHigh", &TALBandFilter::FreqHigh, &TALBandFilter::SetFreqHigh)
                                  .stored(true)
                                  .build();
  return ci;
}

const ClassInfo& TALBandStop::Class() {
  static const ClassInfo ci = ClassBuilder<TALBandStop>("TALBandStop", TALBandFilter::Class()).build();
  return ci;
}

const ClassInfo& TALBandPass::Class() {
  static const ClassInfo ci = ClassBuilder<TALBandPass>("TALBandPass", TALBandFilter::Class()).build();
  return ci;
}

TALCommonFIRFilter::TALCommonFIRFilter(TComponent* AOwner, TALFIRKind AKind) : TALCommonFilter(AOwner) {
  FParams.Kind = AKind;
}

TALCommonFIRFilter::~TALCommonFIRFilter() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  FChannels.Close();
}

void TALCommonFIRFilter::SetNumTaps(int32_t v) {
  if (v < 5) v = 5;
  if (v % 2 == 0) ++v;
  FLock->Setter(FParams.NumTaps, v, Recalc());
}

TSLWindowType TALCommonFIRFilter::WindowType() const {
  Ref<IOWLockSection> hold = FLock->ReadLock();
  return FParams.WindowType;
}

void TALCommonFIRFilter::SetWindowType(TSLWindowType v) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (FParams.WindowType == v) return;
  FParams.WindowType = v;
  RequestRecalc();
}

void TALCommonFIRFilter::SetAlpha(double v) { FLock->Setter(FParams.Alpha, v, Recalc()); }

void TALCommonFIRFilter::RequestRecalc() {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (FChannels.Opened()) FNeedsRecalc.store(true);
}

void TALCommonFIRFilter::CalculateTaps() {
  // The caller holds the output lock, which every setter takes too, so no
  // setter changes half the design. Taking the component lock here would
  // take the input lock after the output lock on a worker: a deadlock with
  // a setter.
  CalculateFIRTaps(FParams, double(FWaveFormat.nSamplesPerSec), FTaps);
}

void TALCommonFIRFilter::ReportFailures(const std::vector<TALFIRChannels::Failure>& AFailures) {
  for (const TALFIRChannels::Failure& f : AFailures) {
    bool handled = false;
    if (OnError) OnError(this, "ippsFIRInitAlloc_64f", int32_t(f.Status), handled);
  }
}

void TALCommonFIRFilter::StartWave(TOWStartWaveOperation& AOperation) {
  TALCommonFilter::StartWave(AOperation);
  Ref<IOWLockSection> hold = FLock->WriteLock();
  FNeedsRecalc.store(false);
  CalculateTaps();
  ReportFailures(FChannels.Open(FWaveFormat, FTaps));
}

void TALCommonFIRFilter::StopProcessing() {
  TALCommonFilter::StopProcessing();
  // Both locks: a worker may be filtering a buffer under the output lock.
  Ref<IOWLockSection> hold = FLock->WriteLock();
  FChannels.Close();
  FNeedsRecalc.store(false);
}

void TALCommonFIRFilter::ProcessAudio(const Ref<TALAudioBuffer>& AInBuffer, Ref<TALAudioBuffer>& AOutBuffer,
                                      bool&) {
  if (FNeedsRecalc.exchange(false)) {
    CalculateTaps();
    ReportFailures(FChannels.Redesign(FTaps));
  }
  FChannels.Process(*AInBuffer);
  AOutBuffer = AInBuffer;
}

TALLowPass::TALLowPass(TComponent* AOwner, TALFIRKind AKind, double AFrequency)
    : TALCommonFIRFilter(AOwner, AKind) {
  FParams.Frequency = AFrequency;
}

void TALLowPass::SetFrequency(double v) { FLock->SetterMin(FParams.Frequency, v, 0.0, Recalc()); }

TALBandFilter::TALBandFilter(TComponent* AOwner, TALFIRKind AKind) : TALCommonFIRFilter(AOwner, AKind) {}

void TALBandFilter::SetFreqLow(double v) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (v == FParams.FreqLow || !(v > 0)) return;
  FParams.FreqLow = v;
  if (FParams.FreqLow >= FParams.FreqHigh) FParams.FreqHigh = FParams.FreqLow / 0.99999;
  RequestRecalc();
}

void TALBandFilter::SetFreqHigh(double v) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (v == FParams.FreqHigh || !(v > 0)) return;
  FParams.FreqHigh = v;
  if (FParams.FreqHigh <= FParams.FreqLow) FParams.FreqLow = FParams.FreqHigh * 0.99999;
  RequestRecalc();
}

}  // namespace tavrel
