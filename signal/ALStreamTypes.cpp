#include "signal/ALStreamTypes.h"

#include <cstring>
#include <mutex>

#include "signal/SLFormatConverters.h"

namespace tavrel {

TALWaveFormatExtensible DefaultWaveFormat() {
  TALWaveFormatExtensible f{};
  f.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  f.nChannels = 2;
  f.nSamplesPerSec = 11024;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = 44096;
  f.cbSize = 22;
  f.wValidBitsPerSample = 16;
  f.dwChannelMask = 3;
  std::memcpy(f.SubFormat, kPCMSubFormat, sizeof f.SubFormat);
  return f;
}

TOWStartWaveOperation::TOWStartWaveOperation(const TALWaveFormatExtensible* AWaveFormat, bool APaused)
    : TOWStartWaveOperation(AWaveFormat ? double(AWaveFormat->nSamplesPerSec) : 11024.0,
                            AWaveFormat ? *AWaveFormat : DefaultWaveFormat(), APaused) {}

Ref<TOWStartWaveOperation> TOWStartWaveOperation::CreateWave(float ABufferRate, const TWaveFormatEx* AWaveFormat,
                                                             bool APaused) {
  TALWaveFormatExtensible f = DefaultWaveFormat();
  if (AWaveFormat) {
    std::memcpy(&f, AWaveFormat, sizeof *AWaveFormat);
    f.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    f.cbSize = 22;
    f.wValidBitsPerSample = f.wBitsPerSample;
    // 2^n - 1 without overflow for 32 channels or more.
    f.dwChannelMask = f.nChannels >= 32 ? 0xFFFFFFFFu : (1u << f.nChannels) - 1u;
  }
  std::memcpy(f.SubFormat, kPCMSubFormat, sizeof f.SubFormat);
  return Ref<TOWStartWaveOperation>(new TOWStartWaveOperation(double(ABufferRate), f, APaused));
}

TALOWAudioSourcePin::TALOWAudioSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                                         TSLOperationEvent AOperationEvent)
    : TSLOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), std::move(AOperationEvent)) {
  AddType(IID_ALAudioBuffer, TOWSubmit::Of<&TSLOWSourcePin::SubmitStream>(static_cast<TSLOWSourcePin*>(this)));
}

void TALOWAudioSourcePin::Remember(IOWNotifyOperation* Operation) {
  TSLOWSourcePin::Remember(Operation);
  TOWNotifyOperation* op = Operation->Instance();
  const bool resume = dynamic_cast<TOWSLResumeOperation*>(op);
  if (!resume && !dynamic_cast<TOWStopOperation*>(op)) return;
  std::lock_guard hold(FLPDataSection);
  FResumeOperation = resume ? Ref<IOWNotifyOperation>(Operation) : nullptr;
}

void TALOWAudioSourcePin::ReplayAfterStart(TOWBasicPin* ASinkPin) {
  Ref<IOWNotifyOperation> resume;
  {
    std::lock_guard hold(FLPDataSection);
    resume = FResumeOperation;
  }
  if (resume) NotifyPin(ASinkPin, resume.get());
}

TALOWAudioSinkPin::TALOWAudioSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
                                     TOWPinDispatchEvent AOnPinDispatchEvent)
    : TSLOWSinkPin(AOwner, std::move(AOwnerLock), std::move(AOperationEvent), std::move(AOnPinDispatchEvent)) {
  AddType(IID_ALAudioBuffer, TOWSubmit::Of<&TSLOWSinkPin::SinkSubmit>(static_cast<TSLOWSinkPin*>(this)));
}

void ALStreamTypesStart() {
  RegisterStreamTypeName(IID_ALAudioBuffer, "AL Audio buffer");
  RegisterStreamTypeSendFunction(IID_ALAudioBuffer, &SLBufferSend);
  RegisterALFormatConverters();
}

}  // namespace tavrel
