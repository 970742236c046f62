#include "signal/ALCommonFilter.h"

#include "math/buffer_helpers.h"
#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TALCommonFilter::Class() {
  // Published so that links stored in form data reach every filter's pins.
  static const ClassInfo ci = ClassBuilder<TALCommonFilter>("TALCommonFilter", TSLBasicCommonFilter::Class())
                                  .prop("InputPin", &TALCommonFilter::InputPin)
                                  .prop("OutputPin", &TALCommonFilter::OutputPin)
                                  .build();
  return ci;
}

TALCommonFilter::TALCommonFilter(TComponent* AOwner) : TSLBasicCommonFilter(AOwner) {
  FInputPin = std::make_unique<TALOWAudioSinkPin>(
      this, FInputLock,
      TSLOperationEvent([this](TOWBasicPin* s, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState st) {
        return InputOperation(s, id, op, st);
      }));
  FOutputPin = std::make_unique<TALOWAudioSourcePin>(
      this, FOutputLock, FInputLock,
      TSLOperationEvent([this](TOWBasicPin* s, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState st) {
        return OutputOperation(s, id, op, st);
      }));
  // The output's data type follows the input's.
  FOutputPin->FunctionSources().Add(FInputPin.get());
}

TALCommonFilter::~TALCommonFilter() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  FOutputPin->FunctionSources().Remove(FInputPin.get());
  FInputPin.reset();
  FOutputPin.reset();
}

void TALCommonFilter::BeforeDestruction() {
  {
    Ref<IOWLockSection> stop = FLock->StopLock();
    FInputPin->Disconnect();
  }
  TSLBasicCommonFilter::BeforeDestruction();
}

TOWNotifyResult TALCommonFilter::InputOperation(TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* Operation,
                                                TOWNotifyState State) {
  Ref<IOWLockSection> hold = FInputLock->WriteLock();
  if (!hold) return {};
  TOWNotifyOperation* op = Operation->Instance();
  if (auto* start = dynamic_cast<TOWStartWaveOperation*>(op)) {
    StartWave(*start);
    return {};
  }
  if (dynamic_cast<TOWStopOperation*>(op)) {
    StopProcessing();
    return FOutputPin->Notify(Operation);
  }
  if (dynamic_cast<TOWPumpRequestOperation*>(op)) {
    ForwardPumpRequest(Operation);
    return {};
  }
  if (auto* supplied = dynamic_cast<TOWSuppliedBufferOperation*>(op)) {
    auto& audio = BufferAs<TALAudioBuffer>(*supplied->Buffer);
    TMLTimeStamp stamp = audio.GetTimeStamp();
    if (stamp.Available()) {
      FCurrentTime = stamp.EndTime();
    } else {
      const uint32_t rate = audio.GetSampleRate();
      // Checked before anything changes: a foreign header may carry rate 0.
      if (rate == 0) throw EDivByZero();
      const int64_t begin = FCurrentTime;
      FCurrentTime += int64_t(uint64_t(audio.GetSize()) * 10000000u / rate);
      // The stamp lives in the shared container, so the operation as it
      // came carries it on.
      stamp.SetAvailable(true);
      stamp.SetBeginTime(begin);
      stamp.SetEndTime(FCurrentTime);
    }
    return QueueOperation(Operation, State);
  }
  return FOutputPin->Notify(Operation);
}

void TALCommonFilter::StartWave(TOWStartWaveOperation& AOperation) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  FCurrentTime = 0;
  FWaveFormat = AOperation.WaveFormat;
  // Running before the start goes on, so that no buffer the start brings
  // downstream finds this filter idle.
  FRunning.store(true);
  if (ForwardsStart()) {
    FStartSent.store(true);
    FOutputPin->Notify(&AOperation);
  }
  StartProcessing();
}

void TALCommonFilter::StopProcessing() {
  TSLBasicCommonFilter::StopProcessing();
  FStartSent.store(false);
  FCurrentTime = 0;
}

TOWNotifyResult TALCommonFilter::ProcessBufferOperation(IOWNotifyOperation* AOperation) {
  auto& op = dynamic_cast<TOWSuppliedBufferOperation&>(*AOperation->Instance());
  return ProcessBuffer(TALAudioBuffer::CreateUniversal(*op.Buffer));
}

TOWNotifyResult TALCommonFilter::ProcessBufferPair(const Ref<TSLGenericBuffer>& AInBuffer,
                                                   const Ref<TSLGenericBuffer>& AOutBuffer) {
  bool send = true;
  Ref<TALAudioBuffer> out(&BufferAs<TALAudioBuffer>(*AOutBuffer));
  // Not running: a filter that missed its start has nothing to process with.
  if (IsEnabled() && FRunning.load()) {
    const bool allowed = FOutputPin->IsConnected() || !SkipWhenUnconnected();
    Ref<TALAudioBuffer> in(&BufferAs<TALAudioBuffer>(*AInBuffer));
    ProcessData(in, out, allowed, send);
  }
  if (!send || !out) return {};
  return FOutputPin->SubmitBuffer(*out);
}

void TALCommonFilter::ProcessData(const Ref<TALAudioBuffer>& AInBuffer, Ref<TALAudioBuffer>& AOutBuffer, bool Allowed,
                                  bool& Send) {
  if (Allowed) ProcessAudio(AInBuffer, AOutBuffer, Send);
}

TOWNotifyResult TALCommonFilter::SendUpstream(IOWNotifyOperation* AOperation) {
  // Input first when the holds come back, as everywhere else.
  Ref<IOWLockSection> free = FLock->UnlockAllLockInOrder(nullptr);
  return FInputPin->Notify(AOperation);
}

void TALCommonFilter::PumpUpstream(IOWNotifyOperation* AOperation) { SendUpstream(AOperation); }

TOWNotifyResult TALCommonFilter::OutputOperation(TOWBasicPin* Sender, const TDataTypeID& DataTypeID,
                                                 IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (dynamic_cast<TOWMasterPumpOperation*>(Operation->Instance())) {
    PumpUpstream(Operation);
    return {};
  }
  if (FInputPin->IsConnected()) return SendUpstream(Operation);
  return InputOperation(Sender, DataTypeID, Operation, State);
}

}  // namespace tavrel
