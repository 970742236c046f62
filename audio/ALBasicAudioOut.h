#pragma once
// The frame of a playback component: an audio input pin, an enable pin, a
// clock output pin, the master-pumping settings and the wave format of the
// current stream, remembered so that enabling again can reopen the device.
//
//   class TMyOut : public TALBasicAudioOut {
//    protected:
//     void StartOutput() override;   // after Enabled changed
//     TOWNotifyResult OperationReceived(IOWNotifyOperation* Op) override;
//   };
#include <memory>
#include <optional>

#include "framework/LPComponent.h"
#include "framework/LPPersistent.h"
#include "framework/OWStdPins.h"
#include "signal/ALStreamTypes.h"

namespace tavrel {

class TALBasicAudioOut : public TLPComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TALBasicAudioOut(TComponent* AOwner);
  ~TALBasicAudioOut() override;

  bool Enabled() const { return FLock->Getter(FEnabled); }
  void SetEnabled(bool AValue);
  TLPMasterPumping* MasterPumping() const { return FMasterPumping.get(); }
  void SetMasterPumping(TLPMasterPumping* AValue) { FMasterPumping->Assign(AValue); }
  TALOWAudioSinkPin* InputPin() const { return FInputPin.get(); }
  TOWBoolStatePin* EnablePin() const { return FEnablePin.get(); }
  TOWClockSourcePin* ClockOutputPin() const { return FClockOutputPin.get(); }

  // The remembered format, if any (a copy).
  std::optional<TALWaveFormatExtensible> WaveFormat() const;
  // Also reads the older "PumpPriority" and "EnableMasterPumping" (never written).
  void DefineProperties(TFiler& Filer) override;
  void SetWaveFormat(const TALWaveFormatExtensible& AFormat);
  void ClearWaveFormat();

 protected:
  virtual void StartOutput() {}
  virtual TOWNotifyResult OperationReceived(IOWNotifyOperation* Op) = 0;

  std::unique_ptr<TALOWAudioSinkPin> FInputPin;
  std::unique_ptr<TOWBoolStatePin> FEnablePin;
  std::unique_ptr<TOWClockSourcePin> FClockOutputPin;
  bool FEnabled = true;
  std::unique_ptr<TLPMasterPumping> FMasterPumping;
  std::optional<TALWaveFormatExtensible> FWaveFormat;  // under the component lock
};

}  // namespace tavrel
