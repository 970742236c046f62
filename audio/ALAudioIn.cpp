#include "audio/ALAudioIn.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "audio/ALDeviceCommon.h"
#include "framework/OWOperations.h"
#include "platform/classinfo.h"

namespace tavrel {

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
  if (!(ComponentState() & csDesigning)) {
    FFailure = std::make_unique<TALDeviceFailure>(TNotifyEvent([this](TObject*) { DeviceFailed(); }));
    FWaveThread = std::make_unique<TALWaveThread>(
        this, [this](uint32_t msg, uint64_t h, WAVEHDR* hdr) { ProcessWaveMessage(msg, h, hdr); },
        [this](std::exception_ptr e) { DoError(DescribeException(e, kALDeviceFailed)); });
  }
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
  CloseDevice();  // also a device a failed start left open; nothing to report to now
  if (FWaveThread) FWaveThread->Terminate();
  FOutputPin.reset();
  FEnablePin.reset();
  FDevice.reset();
  FAudioFormat.reset();
  FWaveThread.reset();
  FFailure.reset();  // after the wave thread, the last to report
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
  TALWaveFormatExtensible format;
  uint32_t frames;
  {
    Ref<IOWLockSection> hold = FLock->ReadLock();
    format = *FAudioFormat->GetWaveFormat();
    frames = FAudioFormat->BufferSize();
  }
  {
    std::lock_guard guard(*FParams);
    FChosenDevice = FDevice->DeviceName();  // until the open finds which
  }
  // Refused before anything is sent, opened or allocated.
  if (std::optional<TALDeviceError> refused = CheckCaptureSize(format, frames)) {
    DoError(*refused);
    return;
  }
  try {
    Ref<TOWPumpRequestOperation> request = TOWPumpRequestOperation::CreateEx(
        this, TOWPumpType::ptHardware, TOWPumpPriority{PumpPriority()}, TOWDesiredRate{1.0f});
    FOutputPin->Notify(request.get());
    const bool pump = request->Pump == this;
    FParams->SetIsPump(pump);
    StartDevice(pump, format, frames);
  } catch (const ESLException&) {
    CloseDevice();  // nothing stays open behind a reported failure
    throw;
  } catch (...) {
    // Out of memory or a sink's failure on the way: closed, and reported
    // as this component's, never as a stranger to the caller.
    const TALDeviceError error = DescribeException(std::current_exception(), kALCantStart);
    CloseDevice();
    DoError(error);
    return;
  }
  FEnabled = true;
}

void TALAudioIn::StartDevice(bool AQueued, const TALWaveFormatExtensible& AFormat, uint32_t AFrames) {
  Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&AFormat, false);
  FOutputPin->Notify(start.get());
  if (!OpenDevice(AFormat, AFrames)) return;
  HWAVEIN h;
  {
    std::lock_guard guard(*FParams);
    h = HIn;
  }
  TALWaveResult result = WaveResult(waveInStart(h));
  for (int i = 0; !result.Failed() && AQueued && i < kQueuedBuffers; ++i) result = AddCaptureBuffer(h);
  if (result.Failed()) {
    CloseDevice();  // nothing stays open behind a failed start
    DoError(result.As(kALCantStart));
  }
}

bool TALAudioIn::OpenDevice(const TALWaveFormatExtensible& AFormat, uint32_t AFrames) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  // A handle left open by an earlier failure.
  if (std::optional<TALDeviceError> error = CloseDevice()) DoError(*error);
  if (std::optional<TALDeviceError> refused = CheckCaptureSize(AFormat, AFrames)) {
    DoError(*refused);
    return false;
  }
  std::string chosen;
  const uint32_t id = FDevice->GetDeviceID(chosen);
  const uint32_t flags = WaveOpenFlags(id);
  const WAVEFORMATEXTENSIBLE format = ToWaveFormat(AFormat);
  TALWaveResult result;
  {
    std::lock_guard guard(*FParams);
    FChosenDevice = chosen;
    HIn = HWAVEIN{};
    result = WaveResult(waveInOpen(&HIn, id, &format.Format, &WaveInCallback,
                                   reinterpret_cast<uintptr_t>(FWaveThread.get()), flags));
    FParams->SetIsOpen(!result.Failed());
    FOpenFormat = AFormat;
    FOpenFrames = AFrames;
  }
  if (result.Failed()) {
    DoError(result.As(kALCantOpen));
    return false;
  }
  return true;
}

void TALAudioIn::WaveInCallback(HWAVEIN hwi, uint32_t uMsg, uintptr_t dwInstance, uintptr_t dwParam1, uintptr_t) {
  if (dwInstance)
    reinterpret_cast<TALWaveThread*>(dwInstance)->PushRecord(uMsg, uint64_t(hwi), reinterpret_cast<WAVEHDR*>(dwParam1));
}

TALWaveResult TALAudioIn::AddCaptureBuffer(HWAVEIN AStream) {
  std::lock_guard guard(*FParams);
  const TALWaveFormatExtensible& format = FOpenFormat;
  // Only while that stream is open: a buffer added after a stop's reset
  // would keep the handle from closing, and a later start's stream is
  // not the one whose buffer came back.
  if (!StreamOpen(AStream)) return {};
  auto item = std::make_unique<TALWaveBuffer>(
      TALAudioBuffer::CreateSizeEx(format.nSamplesPerSec, format.wValidBitsPerSample, format.nChannels, FOpenFrames,
                                   format.dwChannelMask));
  TALWaveResult result = WaveResult(waveInPrepareHeader(HIn, &item->WaveHdr, sizeof item->WaveHdr));
  if (!result.Failed()) {
    result = WaveResult(waveInAddBuffer(HIn, &item->WaveHdr, sizeof item->WaveHdr));
    if (result.Failed()) waveInUnprepareHeader(HIn, &item->WaveHdr, sizeof item->WaveHdr);
  }
  // Listed only when on the driver: one it refused never comes back.
  if (!result.Failed()) FParams->GetList().push_back(std::move(item));
  return result;
}

void TALAudioIn::ProcessWaveMessage(uint32_t uMsg, uint64_t hwi, WAVEHDR* AWaveHdr) {
  if (uMsg == WIM_DATA) BufferFilled(hwi, AWaveHdr);
}

void TALAudioIn::BufferFilled(uint64_t hwi, WAVEHDR* AWaveHdr) {
  {
    std::unique_lock guard(*FParams);
    if (!StreamOpen(HWAVEIN{hwi}) || !AWaveHdr) return;
    auto& list = FParams->GetList();
    // Only a buffer of this run: a record left from an earlier one points at
    // freed memory, so it is matched by address and never read.
    auto it = std::find_if(list.begin(), list.end(), [&](const std::unique_ptr<TALQueuedWaveBuffer>& b) {
      return &static_cast<TALWaveBuffer*>(b.get())->WaveHdr == AWaveHdr;
    });
    if (it == list.end()) return;
    auto* item = static_cast<TALWaveBuffer*>(it->get());
    // Only what was recorded goes down: a device that went away hands its
    // queued buffers back with nothing in them, the one it was filling with
    // part, and the rest of a buffer is whatever the pool held before.
    const uint32_t step = item->Data->GetDataStep();
    const uint32_t frames = step ? item->WaveHdr.dwBytesRecorded / step : 0;
    if (frames > 0) {
      if (frames < item->Data->GetSize()) item->Data->Resize(frames, true);
      FOutputPin->SubmitBuffer(*item->Data);
    }
    if (!FParams->GetIsOpen()) return;
    const TALWaveResult unprepared = WaveResult(waveInUnprepareHeader(HIn, &item->WaveHdr, sizeof item->WaveHdr));
    if (unprepared.Failed()) {
      DeviceFailure(unprepared.As(kALDeviceFailed), HIn);  // kept listed: the close frees it
      return;
    }
    // The graph may have run a stop that changed the list.
    it = std::find_if(list.begin(), list.end(),
                      [&](const std::unique_ptr<TALQueuedWaveBuffer>& b) { return b.get() == item; });
    if (it != list.end()) list.erase(it);
  }
  // A refused replacement is how a lost device shows while capture runs.
  const TALWaveResult added = AddCaptureBuffer(HWAVEIN{hwi});
  if (added.Failed()) DeviceFailure(added.As(kALDeviceFailed), HWAVEIN{hwi});
}

bool TALAudioIn::StreamOpen(HWAVEIN AStream) const { return FParams->GetIsOpen() && HIn == AStream; }

void TALAudioIn::DeviceFailure(const std::string& AErrorText, MMRESULT AErrorCode, HWAVEIN AStream) {
  DeviceFailure(TALDeviceError{AErrorText, AErrorCode, {}}, AStream);
}

void TALAudioIn::DeviceFailure(const TALDeviceError& AError, HWAVEIN AStream) {
  if (FFailure && !OnGuiThread()) {
    // Kept only while the failed stream is open: a stop that closed it
    // meanwhile has reported the loss itself, and it is said once; nor is
    // it charged to the stream a later start opened.
    std::lock_guard guard(*FParams);
    if (StreamOpen(AStream)) FFailure->Report(AError);
    return;
  }
  DoError(AError);
}

void TALAudioIn::Stop() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  if (!FEnabled) return;
  const std::optional<TALDeviceError> error = CloseDevice();
  FOutputPin->EndStop();
  FEnabled = false;
  if (error) DoError(*error);
}

std::optional<TALDeviceError> TALAudioIn::CloseDevice() {
  HWAVEIN h;
  {
    std::lock_guard guard(*FParams);
    if (!FParams->GetIsOpen()) return std::nullopt;
    FParams->SetIsOpen(false);
    h = HIn;
  }
  // Every queued buffer comes back before the reset returns; with the open
  // flag down the wave thread drops them.
  const TALWaveResult first = WaveResult(waveInReset(h));
  TALWaveResult second, closed;
  {
    std::lock_guard guard(*FParams);
    auto& list = FParams->GetList();
    for (auto& b : list) {
      auto* item = static_cast<TALWaveBuffer*>(b.get());
      waveInUnprepareHeader(h, &item->WaveHdr, sizeof item->WaveHdr);
    }
    second = WaveResult(waveInReset(h));
    // Closed even when its driver thread had to be left behind: that
    // thread holds no buffer of ours, so they may go.
    closed = WaveResult(waveInClose(h));
    list.clear();
    HIn = HWAVEIN{};
  }
  if (FWaveThread) FWaveThread->ClearRecords();
  // The failure that brought this stop is the one reported, once.
  if (std::optional<TALDeviceError> failure = FFailure ? FFailure->Take() : std::nullopt) return failure;
  // A device that went away is said as such, whichever call met it.
  if (first.Code == MMSYSERR_NODRIVER) return first.As(kALDeviceFailed);
  if (second.Code == MMSYSERR_NODRIVER) return second.As(kALDeviceFailed);
  if (first.Failed()) return first.As(kALCantRestart);
  if (second.Failed()) return second.As(kALCantRestart);
  if (closed.Failed()) return closed.As(kALCantClose);
  return std::nullopt;
}

void TALAudioIn::DeviceFailed() {
  if (!FFailure->Pending()) return;  // a stop has reported it already
  SetEnabled(false);                 // whose stop reports it
  if (std::optional<TALDeviceError> failure = FFailure->Take()) DoError(*failure);
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
  DoError(TALDeviceError{AErrorText, AErrorCode, {}});
}

void TALAudioIn::DoError(const TALDeviceError& AError) {
  // Off the GUI thread a raise would reach nobody (a wave thread, a sink
  // that drops what it is sent): the GUI thread stops capture and reports.
  if (FFailure && !OnGuiThread()) {
    FFailure->Report(AError);
    return;
  }
  std::string device;
  {
    std::lock_guard guard(*FParams);
    device = FChosenDevice;
  }
  FireDeviceError(*FLock, this, OnError, AError, DeviceWhere("input", device));
}

void TALAudioIn::DoWarning(const std::string& AErrorText, MMRESULT AErrorCode) {
  FireDeviceWarning(*FLock, this, OnWarning, AErrorText, AErrorCode);
}

}  // namespace tavrel
