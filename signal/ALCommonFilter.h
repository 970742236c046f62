#pragma once
// The frame of every audio processing component: an audio input and an
// audio output pin, the stream's wave format learnt from the start, time
// stamps for buffers that come without one, and per buffer either the
// subclass's processing or, switched off or not started, the buffer passed
// on unchanged and uncopied.
//
//   class TALGain : public TALCommonFilter {
//    protected:
//     void ProcessAudio(const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>& out, bool& send) override {
//       out->MultiplyValue(2);       // out shares in's data until written
//     }
//   };
//
// Time stamps are in 100-ns units: an unstamped buffer begins at the
// running position and ends frames * 10^7 / rate later (64-bit, truncated);
// a stamped one moves the position to its end. A start or a stop resets the
// position to 0. A buffer whose header gives a sample rate of 0 raises
// EDivByZero to its sender, unstamped and unchanged.
//
// Upstream: a master pump from downstream goes up through the input pin
// with every lock of the component given up; other operations go up when
// the input is linked, and are otherwise handled as if they had come in.
#include "signal/ALStreamTypes.h"
#include "signal/SLCommonFilter.h"

namespace tavrel {

class TALCommonFilter : public TSLBasicCommonFilter {
  TAVREL_CLASS_INFO
 public:
  explicit TALCommonFilter(TComponent* AOwner);
  ~TALCommonFilter() override;

  TALOWAudioSinkPin* InputPin() const { return FInputPin.get(); }
  TALOWAudioSourcePin* OutputPin() const { return FOutputPin.get(); }
  const TALWaveFormatExtensible* GetWaveFormat() const { return &FWaveFormat; }
  int64_t CurrentTime() const { return FCurrentTime; }

  TOWNotifyResult InputOperation(TOWBasicPin* Sender, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                 TOWNotifyState State) override;
  // The output pin's operation event.
  virtual TOWNotifyResult OutputOperation(TOWBasicPin* Sender, const TDataTypeID& DataTypeID,
                                          IOWNotifyOperation* Operation, TOWNotifyState State);

 protected:
  void BeforeDestruction() override;

  TOWPin* GetOutputPin() override { return FOutputPin.get(); }
  TOWNotifyResult ProcessBufferOperation(IOWNotifyOperation* AOperation) override;
  TOWNotifyResult ProcessBufferPair(const Ref<TSLGenericBuffer>& AInBuffer,
                                    const Ref<TSLGenericBuffer>& AOutBuffer) override;
  void StopProcessing() override;

  virtual void ProcessData(const Ref<TALAudioBuffer>& AInBuffer, Ref<TALAudioBuffer>& AOutBuffer, bool Allowed,
                           bool& Send);
  virtual void ProcessAudio(const Ref<TALAudioBuffer>&, Ref<TALAudioBuffer>&, bool&) {}
  virtual bool SkipWhenUnconnected() { return true; }
  virtual void StartWave(TOWStartWaveOperation& AOperation);
  virtual void PumpUpstream(IOWNotifyOperation* AOperation);
  virtual bool ForwardsStart() { return true; }
  virtual TOWNotifyResult ForwardPumpRequest(IOWNotifyOperation* AOperation) { return FOutputPin->Notify(AOperation); }
  virtual TOWNotifyResult ForwardClassOperation(IOWNotifyOperation* AOperation) { return FOutputPin->Notify(AOperation); }

  // Sends AOperation up through the input pin with every lock given up.
  TOWNotifyResult SendUpstream(IOWNotifyOperation* AOperation);

  std::unique_ptr<TALOWAudioSinkPin> FInputPin;
  std::unique_ptr<TALOWAudioSourcePin> FOutputPin;
  TALWaveFormatExtensible FWaveFormat = DefaultWaveFormat();
  int64_t FCurrentTime = 0;
  std::atomic<bool> FStartSent{false};
};

}  // namespace tavrel
