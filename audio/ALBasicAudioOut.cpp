#include "audio/ALBasicAudioOut.h"

#include "platform/classinfo.h"
#include "platform/filer.h"

namespace tavrel {

const ClassInfo& TALBasicAudioOut::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALBasicAudioOut>("TALBasicAudioOut", TLPComponent::Class())
          .prop("Enabled", &TALBasicAudioOut::Enabled, &TALBasicAudioOut::SetEnabled)
          .defaultValue(true)
          .prop("MasterPumping", &TALBasicAudioOut::MasterPumping, &TALBasicAudioOut::SetMasterPumping)
          .prop("InputPin", &TALBasicAudioOut::InputPin)
          .prop("EnablePin", &TALBasicAudioOut::EnablePin)
          .prop("ClockOutputPin", &TALBasicAudioOut::ClockOutputPin)
          .build();
  return ci;
}

TALBasicAudioOut::TALBasicAudioOut(TComponent* AOwner) : TLPComponent(AOwner) {
  FMasterPumping = std::make_unique<TLPMasterPumping>(this, FLock);
  FInputPin = std::make_unique<TALOWAudioSinkPin>(
      this, FLock,
      TSLOperationEvent([this](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState) {
        return OperationReceived(op);
      }));
  FEnablePin = std::make_unique<TOWBoolStatePin>(
      this, FLock, TOWBoolChangeEvent([this](TOWPin*, bool value, bool) { SetEnabled(value); }));
  FClockOutputPin = std::make_unique<TOWClockSourcePin>(
      this, FLock, nullptr,
      TOWClockPinNotificationEvent([](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState) {
        return TOWNotifyResult{};
      }));
}

TALBasicAudioOut::~TALBasicAudioOut() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  FClockOutputPin.reset();
  FInputPin.reset();
  FEnablePin.reset();
  FMasterPumping.reset();
}

void TALBasicAudioOut::SetEnabled(bool AValue) {
  FLock->Setter(FEnabled, AValue, TLPPropUpdateFunc([this] { StartOutput(); }));
  FEnablePin->SetValue(AValue);
}

void TALBasicAudioOut::DefineProperties(TFiler& Filer) {
  TLPComponent::DefineProperties(Filer);
  Filer.DefineProperty(
      "PumpPriority", [this](TReader& r) { SetProp(*FMasterPumping, "Priority", int64_t(r.ReadInteger())); }, {},
      false);
  Filer.DefineProperty(
      "EnableMasterPumping", [this](TReader& r) { SetProp(*FMasterPumping, "Enabled", r.ReadBoolean()); }, {}, false);
}

std::optional<TALWaveFormatExtensible> TALBasicAudioOut::WaveFormat() const {
  Ref<IOWLockSection> hold = FLock->ReadLock();
  return FWaveFormat;
}

void TALBasicAudioOut::SetWaveFormat(const TALWaveFormatExtensible& AFormat) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  FWaveFormat = AFormat;
}

void TALBasicAudioOut::ClearWaveFormat() {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  FWaveFormat.reset();
}

}  // namespace tavrel
