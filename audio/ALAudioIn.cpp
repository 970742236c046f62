#include "audio/ALAudioIn.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "audio/ALDeviceCommon.h"
#include "framework/OWOperations.h"
#include "platform/classinfo.h"

namespace tavrel {

namespace {

const char kCantOpen[] = "Can't open audio device.";
const char kCantStart[] = "Can't start audio device.";
const char kCantRestart[] = "Can't restart audio device.";

}  // namespace

// One buffer queued on the driver; dwUser points back at it.
class TALAudioIn::TALWaveBuffer : public TALQueuedWaveBuffer {
 public:
  explicit TALWaveBuffer(Ref<TALAudioBuffer> AData) : Data(std::move(AData)) {
    WaveHdr.lpData = reinterpret_cast<char*>(Data->Write());
    WaveHdr.dwBufferLength = Data->GetByteSize();
    WaveHdr.dwUser = reinterpret_cast<uintptr_t>(this);
  }
  WAVEHDR WaveHdr{};
  Ref<TALAudioBuffer> Data;
};

const ClassInfo& TALAudioIn::Class() {
  static const ClassInfo ci = ClassBuilder<TALAudioIn>("TALAudioIn", TLPComponent::Class())
                                  .prop("Enabled", &TALAudioIn::Enabled, &TALAudioIn::SetEnabled)
                                  .defaultValue(true)
                                  .prop("PumpPriority", &TALAudioIn::PumpPriority, &TALAudioIn::SetPumpPriority)
                                  .defaultValue(int64_t(0))
                                  .prop("Device", &TALAudioIn::Device, &TALAudioIn::SetDevice)
                                  .prop("AudioFormat", &TALAudioIn::AudioFormat, &TALAudioIn::SetAudioFormat)
                                  .event("OnError", &TALAudioIn::OnError)
                                  .event("OnWarning", &TALAudioIn::OnWarning)
                                  .prop("OutputPin", &TALAudioIn::OutputPin)
                                  .prop("EnablePin", &TALAudioIn::EnablePin)
                                  .build();
  return ci;
}

TALAudioIn::TALAudioIn(TComponent* AOwner) : TLPComponent(AOwner), FParams(new TALAudioParams) {
  if (!(ComponentState() & csDesigning))
    FWaveThread = std::make_unique<TALWaveThread>(
        this, [this](uint32_t msg, uint64_t h, WAVEHDR* hdr) { ProcessWaveMessage(msg, h, hdr); });
  FAudioFormat = std::make_unique<TALAudioFormat>(this, FLock);
  FDevice = std::make_unique<TALAudioCaptureDevice>(
      this, FLock, [this](const std::string& text, MMRESULT code) { DoWarning(text, code); });
  FOutputPin = std::make_unique<TALOWAudioSourcePin>(
      this, FLock, nullptr,
      TSLOperationEvent([this](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState) {
        return OutputPinOperation(op);
      }));
  FEnablePin = std::make_unique<TOWBoolStatePin>(
      this, FLock, TOWBoolChangeEvent([this](TOWPin*, bool value, bool) { SetEnabled(value); }));
}

TALAudioIn::~TALAudioIn() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  try {
    Stop();
  } catch (...) {  // a destructor reports nothing
  }
  CloseDevice();  // also a device a failed start left open
  if (FWaveThread) FWaveThread->Terminate();
  FOutputPin.reset();
  FEnablePin.reset();
  FDevice.reset();
  FAudioFormat.reset();
  FWaveThread.reset();
}

void TALAudioIn::SetUp(bool AJustCreated) {
  if (AJustCreated) FEnabled = false;
  if (FEnabled) StartCapture();
}

void TALAudioIn::SetEnabled(bool AValue) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (FEnabled == AValue) return;
  if (AValue) {
    if (!(ComponentState() & (csDesigning | csLoading))) StartCapture();
  } else {
    Stop();
  }
  FEnabled = AValue;
  FEnablePin->SetValue(AValue);
}

void TALAudioIn::Start() {
  if (!FEnabled) StartCapture();
}

void TALAudioIn::StartCapture() {
  Ref<TOWPumpRequestOperation> request =
      TOWPumpRequestOperation::CreateEx(this, TOWPumpType::ptHardware, TOWPumpPriority{PumpPriority()},
                                        TOWDesiredRate{1.0f});
  FOutputPin->Notify(request.get());
  const bool pump = request->Pump == this;
  FParams->SetIsPump(pump);
  StartDevice(pump);
  FEnabled = true;
}

void TALAudioIn::StartDevice(bool AQueued) {
  TALWaveFormatExtensible format;
  {
    Ref<IOWLockSection> hold = FLock->ReadLock();
    format = *FAudioFormat->GetWaveFormat();
  }
  Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&format, false);
  FOutputPin->Notify(start.get());
  if (!OpenDevice(format, FAudioFormat->BufferSize())) return;
  HWAVEIN h;
  {
    std::lock_guard guard(*FParams);
    h = HIn;
  }
  MMRESULT result = waveInStart(h);
  if (result != MMSYSERR_NOERROR) {
    CloseDevice();  // nothing stays open behind a failed start
    DoError(kCantStart, result);
    return;
  }
  if (AQueued)
    for (int i = 0; i < kQueuedBuffers; ++i) AddCaptureBuffer();
}

bool TALAudioIn::OpenDevice(const TALWaveFormatExtensible& AFormat, uint32_t AFrames) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  CloseDevice();  // a handle left open by an earlier failure
  const uint32_t id = FDevice->GetDeviceID();
  const uint32_t flags = WaveOpenFlags(id);
  const WAVEFORMATEXTENSIBLE format = ToWaveFormat(AFormat);
  MMRESULT result;
  {
    std::lock_guard guard(*FParams);
    HIn = HWAVEIN{};
    result = waveInOpen(&HIn, id, &format.Format, &WaveInCallback, reinterpret_cast<uintptr_t>(FWaveThread.get()),
                        flags);
    FParams->SetIsOpen(result == MMSYSERR_NOERROR);
    FOpenFormat = AFormat;
    FOpenFrames = AFrames;
  }
  if (result != MMSYSERR_NOERROR) {
    DoError(kCantOpen, result);
    return false;
  }
  return true;
}

void TALAudioIn::WaveInCallback(HWAVEIN hwi, uint32_t uMsg, uintptr_t dwInstance, uintptr_t dwParam1, uintptr_t) {
  if (dwInstance)
    reinterpret_cast<TALWaveThread*>(dwInstance)->PushRecord(uMsg, uint64_t(hwi), reinterpret_cast<WAVEHDR*>(dwParam1));
}

void TALAudioIn::AddCaptureBuffer() {
  std::lock_guard guard(*FParams);
  const TALWaveFormatExtensible& format = FOpenFormat;
  // Only while open: a buffer added after a stop's reset would keep the
  // handle from closing.
  if (!FParams->GetIsOpen()) return;
  auto item = std::make_unique<TALWaveBuffer>(
      TALAudioBuffer::CreateSizeEx(format.nSamplesPerSec, format.wValidBitsPerSample, format.nChannels, FOpenFrames,
                                   format.dwChannelMask));
  waveInPrepareHeader(HIn, &item->WaveHdr, sizeof item->WaveHdr);
  waveInAddBuffer(HIn, &item->WaveHdr, sizeof item->WaveHdr);
  FParams->GetList().push_back(std::move(item));
}

void TALAudioIn::ProcessWaveMessage(uint32_t uMsg, uint64_t hwi, WAVEHDR* AWaveHdr) {
  if (uMsg == WIM_DATA) BufferFilled(hwi, AWaveHdr);
}

void TALAudioIn::BufferFilled(uint64_t hwi, WAVEHDR* AWaveHdr) {
  {
    std::unique_lock guard(*FParams);
    if (!FParams->GetIsOpen() || hwi != uint64_t(HIn) || !AWaveHdr) return;
    auto& list = FParams->GetList();
    // Only a buffer of this run: a record left from an earlier one points at
    // freed memory, so it is matched by address and never read.
    auto it = std::find_if(list.begin(), list.end(), [&](const std::unique_ptr<TALQueuedWaveBuffer>& b) {
      return &static_cast<TALWaveBuffer*>(b.get())->WaveHdr == AWaveHdr;
    });
    if (it == list.end()) return;
    auto* item = static_cast<TALWaveBuffer*>(it->get());
    FOutputPin->SubmitBuffer(*item->Data);
    if (!FParams->GetIsOpen()) return;
    waveInUnprepareHeader(HIn, &item->WaveHdr, sizeof item->WaveHdr);
    // The graph may have run a stop that changed the list.
    it = std::find_if(list.begin(), list.end(),
                      [&](const std::unique_ptr<TALQueuedWaveBuffer>& b) { return b.get() == item; });
    if (it != list.end()) list.erase(it);
  }
  AddCaptureBuffer();
}

void TALAudioIn::Stop() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  if (!FEnabled) return;
  CloseDevice();
  FOutputPin->EndStop();
  FEnabled = false;
}

void TALAudioIn::CloseDevice() {
  HWAVEIN h;
  {
    std::lock_guard guard(*FParams);
    if (!FParams->GetIsOpen()) return;
    FParams->SetIsOpen(false);
    h = HIn;
  }
  // Every queued buffer comes back before the reset returns; with the open
  // flag down the wave thread drops them.
  const MMRESULT first = waveInReset(h);
  MMRESULT second = MMSYSERR_NOERROR;
  {
    std::lock_guard guard(*FParams);
    auto& list = FParams->GetList();
    for (auto& b : list) {
      auto* item = static_cast<TALWaveBuffer*>(b.get());
      waveInUnprepareHeader(h, &item->WaveHdr, sizeof item->WaveHdr);
    }
    second = waveInReset(h);
    waveInClose(h);
    list.clear();
    HIn = HWAVEIN{};
  }
  if (FWaveThread) FWaveThread->ClearRecords();
  if (first != MMSYSERR_NOERROR) DoError(kCantRestart, first);
  else if (second != MMSYSERR_NOERROR) DoError(kCantRestart, second);
}

TOWNotifyResult TALAudioIn::OutputPinOperation(IOWNotifyOperation* Operation) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return {};
  TOWNotifyOperation* op = Operation->Instance();
  if (auto* start = dynamic_cast<TOWStartWaveOperation*>(op)) {
    OpenDevice(start->WaveFormat, FAudioFormat->BufferSize());
    return FOutputPin->Notify(Operation);
  }
  if (dynamic_cast<TOWStopOperation*>(op)) {
    Stop();
    return FOutputPin->Notify(Operation);
  }
  if (dynamic_cast<TOWMasterPumpOperation*>(op)) return {};
  return FOutputPin->Notify(Operation);
}

void TALAudioIn::DoError(const std::string& AErrorText, MMRESULT AErrorCode) {
  FireDeviceError(*FLock, this, OnError, AErrorText, AErrorCode);
}

void TALAudioIn::DoWarning(const std::string& AErrorText, MMRESULT AErrorCode) {
  FireDeviceWarning(*FLock, this, OnWarning, AErrorText, AErrorCode);
}

}  // namespace tavrel
