#include "audio/ALGenericFilter.h"

#include <cmath>
#include <cstring>

#include "math/buffer_helpers.h"

namespace tavrel {

const EnumInfo& TSLSynchronizeTypeInfo() {
  static const EnumInfo info{"TSLSynchronizeType", {"stNone", "stSingleBuffer", "stQueue"}};
  return info;
}

const ClassInfo& TALBasicGenericFilter::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALBasicGenericFilter>("TALBasicGenericFilter", TALCommonFilter::Class())
          .prop("SynchronizeType", &TALBasicGenericFilter::SynchronizeType, &TALBasicGenericFilter::SetSynchronizeType)
          .enumType(TSLSynchronizeTypeInfo())
          .defaultValue(int64_t(0))
          .event("OnStart", &TALBasicGenericFilter::OnStart)
          .event("OnStop", &TALBasicGenericFilter::OnStop)
          .event("OnError", &TALBasicGenericFilter::OnError)
          .build();
  return ci;
}

const ClassInfo& TALSimpleGenericFilter::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALSimpleGenericFilter>("TALSimpleGenericFilter", TALBasicGenericFilter::Class())
          .event("OnProcessData", &TALSimpleGenericFilter::OnProcessData)
          .build();
  return ci;
}

const ClassInfo& TALGenericFilter::Class() {
  static const ClassInfo ci = ClassBuilder<TALGenericFilter>("TALGenericFilter", TALSimpleGenericFilter::Class()).build();
  return ci;
}

TALBasicGenericFilter::TALBasicGenericFilter(TComponent* AOwner)
    : TALCommonFilter(AOwner),
      FBufferQueue(std::make_unique<TSLMainThreadBufferQueue>(
          TSLBufferNotifyEvent([this](TObject* s, const Ref<TSLData>& b) { MainThreadBuffer(s, b); }))) {}

TALBasicGenericFilter::~TALBasicGenericFilter() {
  // Nothing may reach the handler once the filter goes.
  FBufferQueue->Close();
}

TSLSynchronizeType TALBasicGenericFilter::SynchronizeType() const {
  Ref<IOWLockSection> hold = FLock->ReadLock();
  return FSynchronizeType;
}

void TALBasicGenericFilter::SetSynchronizeType(TSLSynchronizeType v) {
  FLock->Setter(FSynchronizeType, v, TLPPropUpdateFunc([this] { FSynchronizeNow.store(FSynchronizeType); }));
}

void TALBasicGenericFilter::GuardedProcessData(const Ref<TALAudioBuffer>& InBuffer, Ref<TALAudioBuffer>& OutBuffer,
                                               bool& Send) {
  std::string text;
  try {
    DoProcessData(InBuffer, OutBuffer, Send);
    return;
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Unknown exception";
  }
  // Whatever the handler did to the output is dropped: the input goes on as it came.
  OutBuffer = TALAudioBuffer::CreateCopy(*InBuffer);
  Send = true;
  bool handled = false;
  if (OnError) OnError(this, text, 0, handled);
}

void TALBasicGenericFilter::ProcessData(const Ref<TALAudioBuffer>& AInBuffer, Ref<TALAudioBuffer>& AOutBuffer, bool,
                                        bool& Send) {
  // The application's tap has no link on its output: the handler runs anyway.
  // The output arrives as a copy of the input, sharing its data already.
  Ref<IOWLockSection> hold = FOutputLock->WriteLock();
  if (!hold || !HasProcessHandler()) return;
  const TSLSynchronizeType sync = FSynchronizeNow.load();
  if (sync == TSLSynchronizeType::stNone) {
    GuardedProcessData(AInBuffer, AOutBuffer, Send);
    return;
  }
  hold = nullptr;
  {
    // A full queue waits for the GUI thread, which needs the output lock to
    // work it off: give up this thread's holds while waiting.
    Ref<IOWLockSection> away = FOutputLock->UnlockAll();
    FBufferQueue->AddBuffer(*AInBuffer, sync == TSLSynchronizeType::stQueue);
  }
  Send = false;
}

void TALBasicGenericFilter::MainThreadBuffer(TObject*, const Ref<TSLData>& AData) {
  Ref<TALAudioBuffer> buffer = TALAudioBuffer::CreateUniversal(*AData);
  Ref<TALAudioBuffer> out = TALAudioBuffer::CreateCopy(*buffer);
  Ref<IOWLockSection> hold = FOutputLock->WriteLock();
  if (!hold) return;
  bool send = true;
  if (IsEnabled()) GuardedProcessData(buffer, out, send);
  if (send && out) FOutputPin->SubmitBuffer(*out);
}

void TALBasicGenericFilter::StartWave(TOWStartWaveOperation& AOperation) {
  if (OnStart) OnStart(this);
  TALCommonFilter::StartWave(AOperation);
}

void TALBasicGenericFilter::StopProcessing() {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return;
  TALCommonFilter::StopProcessing();
  FBufferQueue->Clear();
  if (OnStop) OnStop(this);
}

TOWNotifyResult TALBasicGenericFilter::SendCommand(IOWNotifyOperation* AOperation) {
  if (FInputPin->IsConnected()) return FInputPin->Notify(AOperation);
  return FOutputPin->Notify(AOperation);
}

void TALBasicGenericFilter::SendStartCommand(int ABitsPerSample, int AChannelsCount, double ARate) {
  Ref<IOWLockSection> hold = FOutputLock->WriteLock();
  if (!hold) return;
  TALWaveFormatExtensible& f = FWaveFormat;
  f.wFormatTag = 0xFFFE;
  f.nChannels = uint16_t(AChannelsCount);
  f.wBitsPerSample = uint16_t(ABitsPerSample);
  f.nBlockAlign = uint16_t(AChannelsCount * (ABitsPerSample / 8));
  f.nSamplesPerSec = uint32_t(std::nearbyint(ARate));  // halves to even
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  f.cbSize = 22;
  f.wValidBitsPerSample = uint16_t(ABitsPerSample);
  f.dwChannelMask = uint32_t((uint64_t(1) << (unsigned(AChannelsCount) % 32)) - 1);
  std::memcpy(f.SubFormat, kPCMSubFormat, sizeof f.SubFormat);
  TALWaveFormatExtensible copy = f;
  SendCommand(MakeRef<TOWStartWaveOperation>(&copy, false).get());
}

void TALBasicGenericFilter::SendPauseCommand() { FOutputPin->Notify(MakeRef<TOWSLPauseOperation>().get()); }

void TALBasicGenericFilter::SendResumeCommand() { FOutputPin->Notify(MakeRef<TOWSLResumeOperation>().get()); }

void TALBasicGenericFilter::SendStopCommand() {
  if (FInputPin->IsConnected())
    FInputPin->Notify(MakeRef<TOWStopOperation>().get());
  else
    FOutputPin->Stop();
}

void TALBasicGenericFilter::SendEndStopCommand() { SendCommand(MakeRef<TOWEndStopOperation>().get()); }

void TALSimpleGenericFilter::DoProcessData(const Ref<TALAudioBuffer>& InBuffer, Ref<TALAudioBuffer>& OutBuffer,
                                           bool& SendOutputData) {
  if (OnProcessData) OnProcessData(this, InBuffer, OutBuffer, SendOutputData);
}

}  // namespace tavrel
