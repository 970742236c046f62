#include "audio/ALAudioOut.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "audio/ALDeviceCommon.h"
#include "framework/OWOperations.h"
#include "platform/classinfo.h"
#include "platform/filer.h"

namespace tavrel {

namespace {

// Mono, 11025 Hz, 16 bits: can the device open at all?
TALWaveFormatExtensible ProbeFormat() {
  TALWaveFormatExtensible f = DefaultWaveFormat();
  f.nChannels = 1;
  f.nSamplesPerSec = 11025;
  f.nBlockAlign = 2;
  f.nAvgBytesPerSec = 22050;
  f.dwChannelMask = 1;
  return f;
}

bool SameFormat(const TALWaveFormatExtensible& a, const TALWaveFormatExtensible& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

// One buffer on the driver; dwUser points back at it.
class TALAudioOut::TALWaveBuffer : public TALQueuedWaveBuffer {
 public:
  explicit TALWaveBuffer(Ref<TALAudioBuffer> AData) : Data(std::move(AData)) {
    Data->Unique(true);  // the driver reads it while the graph goes on
    WaveHdr.lpData = reinterpret_cast<char*>(const_cast<uint8_t*>(Data->Read()));
    WaveHdr.dwBufferLength = Data->GetByteSize();
    WaveHdr.dwUser = reinterpret_cast<uintptr_t>(this);
  }
  WAVEHDR WaveHdr{};
  Ref<TALAudioBuffer> Data;
};

const ClassInfo& TALAudioOut::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALAudioOut>("TALAudioOut", TALBasicAudioOut::Class())
          .prop("PrefillInterval", &TALAudioOut::PrefillInterval, &TALAudioOut::SetPrefillInterval)
          .defaultValue(int64_t(300))
          .prop("Device", &TALAudioOut::Device, &TALAudioOut::SetDevice)
          .event("OnError", &TALAudioOut::OnError)
          .event("OnWarning", &TALAudioOut::OnWarning)
          .prop("OnQueueEmpty", &TALAudioOut::OnQueueEmpty, &TALAudioOut::SetOnQueueEmpty)
          .build();
  return ci;
}

TALAudioOut::TALAudioOut(TComponent* AOwner) : TALBasicAudioOut(AOwner), FParams(new TALAudioParams) {
  if (!(ComponentState() & csDesigning)) {
    FFailure = std::make_unique<TALDeviceFailure>(TNotifyEvent([this](TObject*) { DeviceFailed(); }));
    FProcessNotify = std::make_unique<TSLMainThreadNotify>(TNotifyEvent([this](TObject*) { ProcessQueue(false); }));
    FMainThreadQueueEmpty = std::make_unique<TSLMainThreadNotify>(TNotifyEvent([this](TObject*) {
      TNotifyEvent event = OnQueueEmpty();
      if (event) event(this);
    }));
    FNotifyThread = std::make_unique<TSLNotifyThread>(this, TNotifyEvent{}, ThreadError());
  }
  FDevice = std::make_unique<TALAudioOutDevice>(
      this, FLock, [this](const std::string& text, MMRESULT code) { DoWarning(text, code); });
  FBufferQueue = std::make_unique<TSLOperationList>(FLock);
}

TALAudioOut::~TALAudioOut() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  try {
    CloseDevice(true);
  } catch (...) {  // a destructor reports nothing
  }
  if (FNotifyThread) FNotifyThread->Terminate();
  FNotifyThread.reset();
  FProcessNotify.reset();
  FMainThreadQueueEmpty.reset();
  FBufferQueue.reset();
  FDevice.reset();
  FFailure.reset();  // after every thread that could report
}

void TALAudioOut::BeforeDestruction() {
  {
    Ref<IOWLockSection> stop = FLock->StopLock();
    FInputPin->Disconnect();
    try {
      CloseDevice(true);
    } catch (...) {
    }
  }
  TALBasicAudioOut::BeforeDestruction();
}

void TALAudioOut::DefineProperties(TFiler& Filer) {
  TALBasicAudioOut::DefineProperties(Filer);
  Filer.DefineProperty("PreFillEnabled", [](TReader& r) { r.ReadBoolean(); }, {}, false);
}

TNotifyEvent TALAudioOut::OnQueueEmpty() const {
  std::lock_guard guard(const_cast<TOWCriticalSection&>(FOnQueueEmptySection));
  return FOnQueueEmpty;
}

void TALAudioOut::SetOnQueueEmpty(TNotifyEvent AValue) {
  std::lock_guard guard(FOnQueueEmptySection);
  FOnQueueEmpty = std::move(AValue);
}

void TALAudioOut::WaveOutCallback(HWAVEOUT hwo, uint32_t uMsg, uintptr_t dwInstance, uintptr_t dwParam1, uintptr_t) {
  if (dwInstance)
    reinterpret_cast<TALWaveThread*>(dwInstance)
        ->PushRecord(uMsg, uint64_t(hwo), reinterpret_cast<WAVEHDR*>(dwParam1));
}

bool TALAudioOut::Open() {
  std::optional<TALWaveFormatExtensible> format = WaveFormat();
  if (FParams->GetIsOpen() || !format) return false;
  TALWaveResult result;
  {
    std::lock_guard guard(*FParams);
    result = OpenHandle(*format);
  }
  if (result.Failed()) {
    FWaveThread.reset();
    DoError(result.As(kALCantOpen));
    return false;
  }
  ProcessQueue(false);
  return true;
}

void TALAudioOut::Close() {
  if (std::optional<TALDeviceError> error = CloseDevice(true)) DoError(*error);
}

void TALAudioOut::Flush() {
  FBufferQueue->Clear();
  TALWaveResult reset, paused;
  {
    std::lock_guard guard(*FParams);
    if (!FParams->GetIsOpen()) return;
    FRun.StartResumed = false;
    FRun.Paused = true;
    FRun.StartFrames = 0;
    reset = WaveResult(waveOutReset(HOut));
    if (!reset.Failed()) paused = WaveResult(waveOutPause(HOut));
  }
  // A reset that fails leaves buffers on the driver, a pause that fails
  // plays what comes next at once: both said.
  if (reset.Failed())
    DoError(reset.As(kALCantRestart));
  else if (paused.Failed())
    DoError(paused.As(kALCantPause));
}

TOWNotifyResult TALAudioOut::OperationReceived(IOWNotifyOperation* Op) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return {};
  TOWNotifyOperation* op = Op->Instance();
  if (dynamic_cast<TOWSLResumeOperation*>(op)) {
    ResumeDevice();
  } else if (FEnabled) {
    if (dynamic_cast<TOWStopOperation*>(op)) {
      bool cutPrefill;
      {
        std::lock_guard guard(*FParams);
        ++FRun.Stopping;
        // A stream shorter than the prefill still plays.
        cutPrefill = !FRun.StartResumed && FRun.Paused;
        if (cutPrefill) FRun.StartResumed = true;
      }
      if (cutPrefill) ResumeDevice();
    } else if (dynamic_cast<TOWStartWaveOperation*>(op)) {
      std::lock_guard guard(*FParams);
      ++FRun.Stopping;
    }
    FBufferQueue->Push(Ref<IOWNotifyOperation>(Op));
  } else {
    if (auto* start = dynamic_cast<TOWStartWaveOperation*>(op)) SetWaveFormat(start->WaveFormat);
    else if (dynamic_cast<TOWStopOperation*>(op)) ClearWaveFormat();
    return {};
  }
  bool starting;
  {
    std::lock_guard guard(*FParams);
    starting = !FRun.Resumed || !FRun.StartResumed;
  }
  if (starting) ProcessQueue(false);
  {
    std::lock_guard guard(*FParams);
    // Once playing, a buffer waits for a played one to come back.
    if (FRun.Stopping <= 0 && FParams->GetList().size() > 1) return {};
  }
  ProcessQueue(false);
  return {};
}

void TALAudioOut::ProcessQueue(bool AFromWaveThread) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return;
  while (Ref<IOWNotifyOperation> op = FBufferQueue->Pop())
    if (!ProcessOperation(op, AFromWaveThread)) break;
}

bool TALAudioOut::ProcessOperation(const Ref<IOWNotifyOperation>& Op, bool AFromWaveThread) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return false;
  TOWNotifyOperation* op = Op->Instance();
  if (auto* start = dynamic_cast<TOWStartWaveOperation*>(op)) {
    bool open, stopped;
    {
      std::lock_guard guard(*FParams);
      --FRun.Stopping;
      FRun.StartResumed = false;
      FRun.StartFrames = 0;
      FRun.Paused = true;
      open = FParams->GetIsOpen();
      stopped = FRun.Stopped;
    }
    // A new format must reopen even a running device, or it plays at the
    // wrong speed.
    const bool sameFormat = FWaveFormat && SameFormat(*FWaveFormat, start->WaveFormat);
    if (open && !stopped && sameFormat) return false;
    if (AFromWaveThread) {
      FBufferQueue->PushBack(Op);
      {
        std::lock_guard guard(*FParams);
        ++FRun.Stopping;
      }
      if (FProcessNotify) FProcessNotify->Notify(true);
      return false;
    }
    Reopen(start->WaveFormat);
    return true;
  }
  if (dynamic_cast<TOWStopOperation*>(op)) {
    {
      std::lock_guard guard(*FParams);
      --FRun.Stopping;
      FRun.Stopped = true;
    }
    if (!dynamic_cast<TOWEndStopOperation*>(op) && FNotifyThread) FNotifyThread->Notify();
    return true;
  }
  if (dynamic_cast<TOWSLPauseOperation*>(op)) {
    PauseDevice();
    return true;
  }
  if (auto* request = dynamic_cast<TOWPumpRequestOperation*>(op)) {
    ClaimPump(*request);
    return true;
  }
  if (auto* supplied = dynamic_cast<TOWSuppliedBufferOperation*>(op)) {
    { std::lock_guard wait(*FParams); }  // lets a running done-handler finish
    QueueBuffer(TALAudioBuffer::CreateUniversal(*supplied->Buffer));
    bool prefilling;
    {
      std::lock_guard guard(*FParams);
      prefilling = !FRun.StartResumed;
    }
    if (FMasterPumping->Enabled() && prefilling) FInputPin->MasterPump(this);
    return true;
  }
  return true;
}

void TALAudioOut::ClaimPump(TOWPumpRequestOperation& ARequest) {
  if (!FMasterPumping->Enabled()) return;
  const int32_t priority = FMasterPumping->Priority();
  if (ARequest.PumpType == TOWPumpType::ptHardware && ARequest.PumpPriority >= priority) return;
  const uint32_t id = FDevice->GetDeviceID();
  const WAVEFORMATEXTENSIBLE probe = ToWaveFormat(ProbeFormat());
  HWAVEOUT h{};
  if (waveOutOpen(&h, id, &probe.Format, &WaveOutCallback, 0, WaveOpenFlags(id)) != MMSYSERR_NOERROR) {
    FParams->SetIsPump(false);
    return;
  }
  ARequest.Pump = this;
  ARequest.PumpPriority = priority;
  ARequest.PumpType = TOWPumpType::ptHardware;
  FParams->SetIsPump(true);
  if (const TALWaveResult closed = WaveResult(waveOutClose(h)); closed.Failed()) DoError(closed.As(kALCantClose));
}

TALWaveResult TALAudioOut::OpenHandle(const TALWaveFormatExtensible& AFormat) {
  FParams->SetIsOpen(true);
  try {
    FWaveThread = std::make_unique<TALWaveThread>(
        this, [this](uint32_t msg, uint64_t h, WAVEHDR* hdr) { ProcessWaveMessage(msg, h, hdr); }, ThreadError());
  } catch (const std::exception& e) {
    FParams->SetIsOpen(false);  // no thread, so nothing opened
    return {MMSYSERR_NOMEM, e.what()};
  }
  const uint32_t id = FDevice->GetDeviceID(FChosenDevice);
  const WAVEFORMATEXTENSIBLE wfx = ToWaveFormat(AFormat);
  HOut = HWAVEOUT{};
  const TALWaveResult result = WaveResult(waveOutOpen(&HOut, id, &wfx.Format, &WaveOutCallback,
                                                      reinterpret_cast<uintptr_t>(FWaveThread.get()), WaveOpenFlags(id)));
  if (result.Failed()) FParams->SetIsOpen(false);  // nothing to close later
  return result;
}

void TALAudioOut::OpenDevice(const TALWaveFormatExtensible& AFormat) {
  if (!FEnabled) return;
  if (FParams->GetIsOpen())
    if (std::optional<TALDeviceError> error = CloseDevice(false)) DoError(*error);
  TALWaveResult result;
  const char* failure = kALCantOpen;
  {
    std::lock_guard guard(*FParams);
    result = OpenHandle(AFormat);
    SetWaveFormat(AFormat);
    if (!result.Failed()) {
      result = WaveResult(waveOutPause(HOut));
      failure = kALCantPause;
    }
  }
  if (result.Failed()) {
    if (!FParams->GetIsOpen()) FWaveThread.reset();  // terminates it
    DoError(result.As(failure));
  }
}

void TALAudioOut::Reopen(const TALWaveFormatExtensible& AFormat) {
  {
    std::lock_guard guard(*FParams);
    FRun.Resumed = false;
  }
  OpenDevice(AFormat);
  std::lock_guard guard(*FParams);
  FRun.Stopped = false;
}

std::optional<TALDeviceError> TALAudioOut::CloseDevice(bool AClearPump) {
  Ref<IOWLockSection> stop = FLock->StopLock();
  HWAVEOUT h;
  {
    std::lock_guard guard(*FParams);
    if (!FParams->GetIsOpen()) return std::nullopt;
    FWaveThread->ClearRecords();
    if (AClearPump) FParams->SetIsPump(false);
    FParams->SetIsOpen(false);
    h = HOut;
  }
  // The played-out headers come back before the reset returns; with the
  // open flag down the wave thread drops them.
  const TALWaveResult reset = WaveResult(waveOutReset(h));
  FWaveThread->Terminate();
  TALWaveResult closed;
  {
    std::lock_guard guard(*FParams);
    for (auto& b : FParams->GetList()) {
      auto* item = static_cast<TALWaveBuffer*>(b.get());
      waveOutUnprepareHeader(h, &item->WaveHdr, sizeof item->WaveHdr);
    }
    // Closed even when its driver thread had to be left behind: that
    // thread holds no buffer of ours, so they may go.
    closed = WaveResult(waveOutClose(h));
    FParams->GetList().clear();
    HOut = HWAVEOUT{};
  }
  FWaveThread.reset();
  // The failure that brought this close is the one reported, once.
  if (std::optional<TALDeviceError> failure = FFailure ? FFailure->Take() : std::nullopt) return failure;
  // A device that went away is said as such.
  if (reset.Code == MMSYSERR_NODRIVER) return reset.As(kALDeviceFailed);
  if (reset.Failed()) return reset.As(kALCantRestart);
  if (closed.Failed()) return closed.As(kALCantClose);
  return std::nullopt;
}

void TALAudioOut::QueueBuffer(const Ref<TALAudioBuffer>& ABuffer) {
  if (!FEnabled) return;
  const uint32_t frames = ABuffer->GetSize();
  const uint32_t rate = ABuffer->GetSampleRate();
  TALWaveResult result;
  bool prefilled = false;
  {
    std::lock_guard guard(*FParams);
    // Written under the lock, so a close cannot free the header in between.
    if (!FParams->GetIsOpen()) return;
    auto item = std::make_unique<TALWaveBuffer>(ABuffer);
    result = WaveResult(waveOutPrepareHeader(HOut, &item->WaveHdr, sizeof item->WaveHdr));
    if (!result.Failed()) {
      TALWaveBuffer* raw = item.get();
      FParams->GetList().push_back(std::move(item));
      result = WaveResult(waveOutWrite(HOut, &raw->WaveHdr, sizeof raw->WaveHdr));
      // One the driver refused never comes back: not listed, and freed.
      if (result.Failed()) {
        waveOutUnprepareHeader(HOut, &raw->WaveHdr, sizeof raw->WaveHdr);
        FParams->GetList().pop_back();
      }
    }
    if (!result.Failed() && !FRun.StartResumed) {
      // Counted in frames: a per-buffer millisecond count would stay 0 for
      // buffers shorter than a millisecond.
      FRun.StartFrames += frames;
      if (FRun.StartFrames * 1000 > uint64_t(FPrefillInterval) * rate) {
        prefilled = FRun.Paused;
        FRun.StartResumed = true;
      }
    }
  }
  // A refused buffer is audio lost, and how a lost device shows while it plays.
  if (result.Failed()) {
    DeviceFailure(result.As(kALDeviceFailed));
    return;
  }
  if (prefilled) ResumeDevice();
}

void TALAudioOut::PauseDevice() {
  HWAVEOUT h;
  {
    std::lock_guard guard(*FParams);
    FRun.Paused = true;
    h = HOut;
  }
  waveOutPause(h);
}

void TALAudioOut::ResumeDevice() {
  if (!FEnabled) return;
  HWAVEOUT h;
  {
    std::lock_guard guard(*FParams);
    if (!FRun.Paused) return;
    FRun.Resumed = true;
    FRun.Paused = false;
    // A closed device has nothing to restart (a link going away sends a stop).
    if (!FParams->GetIsOpen()) return;
    h = HOut;
  }
  if (const TALWaveResult restarted = WaveResult(waveOutRestart(h)); restarted.Failed())
    DoError(restarted.As(kALCantRestart));
  for (;;) {
    {
      std::lock_guard guard(*FParams);
      if (FRun.MissedPumps <= 0) break;
      --FRun.MissedPumps;
    }
    FInputPin->MasterPump(this);
  }
}

void TALAudioOut::StartOutput() {
  if (!FEnabled) return;
  {
    std::lock_guard guard(*FParams);
    FRun.StartResumed = false;
    FRun.StartFrames = 0;
    FRun.Paused = true;
  }
  if (FWaveFormat)
    Reopen(*FWaveFormat);
  else
    PauseDevice();
}

void TALAudioOut::ProcessWaveMessage(uint32_t uMsg, uint64_t hwo, WAVEHDR* AWaveHdr) {
  if (uMsg == WOM_DONE) BufferDone(hwo, AWaveHdr);
}

void TALAudioOut::BufferDone(uint64_t hwo, WAVEHDR* AWaveHdr) {
  bool ranDry;
  {
    std::unique_lock guard(*FParams);
    if (!FParams->GetIsOpen() || hwo != uint64_t(HOut) || !AWaveHdr) return;
    auto& list = FParams->GetList();
    auto find = [&] {
      return std::find_if(list.begin(), list.end(), [&](const std::unique_ptr<TALQueuedWaveBuffer>& b) {
        return &static_cast<TALWaveBuffer*>(b.get())->WaveHdr == AWaveHdr;
      });
    };
    auto it = find();
    if (it == list.end()) return;
    const bool pump = FParams->GetIsPump();
    if (pump || FClockOutputPin->IsConnected()) {
      if (FRun.Paused) ++FRun.MissedPumps;
      guard.unlock();
      FClockOutputPin->Clock();
      if (pump) FInputPin->MasterPump(this);
      guard.lock();
      if (!FParams->GetIsOpen()) return;
      // The list may have changed while the lock was given up.
      it = find();
      if (it == list.end()) return;
    }
    if (const TALWaveResult unprepared = WaveResult(waveOutUnprepareHeader(HOut, AWaveHdr, sizeof *AWaveHdr));
        unprepared.Failed()) {
      guard.unlock();
      DeviceFailure(unprepared.As(kALDeviceFailed));  // kept listed: the close frees it
      return;
    }
    list.erase(it);
    if (list.empty()) {
      std::lock_guard section(FOnQueueEmptySection);
      if (FOnQueueEmpty && FMainThreadQueueEmpty) FMainThreadQueueEmpty->Notify(true);
    }
    if (FRun.Stopped && list.empty() && FNotifyThread) FNotifyThread->Notify();
    ranDry = list.empty() && !FRun.Paused;
  }
  ProcessQueue(true);
  if (!ranDry) return;
  TALWaveResult running;
  {
    std::lock_guard guard(*FParams);
    // A queue that runs dry while playing is an underrun, or a device that
    // went away and handed every buffer back: asking it to run on (nothing
    // for one that runs) tells which, even when no more audio comes.
    if (FParams->GetIsOpen() && uint64_t(HOut) == hwo && FParams->GetList().empty() && !FRun.Paused)
      running = WaveResult(waveOutRestart(HOut));
  }
  if (running.Failed()) DeviceFailure(running.As(kALDeviceFailed));
}

void TALAudioOut::DoError(const std::string& AErrorText, MMRESULT AErrorCode) {
  DoError(TALDeviceError{AErrorText, AErrorCode, {}});
}

void TALAudioOut::DoError(const TALDeviceError& AError) {
  // Off the GUI thread a raise would reach nobody (the wave thread, or the
  // capture thread, whose submit drops it): the GUI thread closes the
  // device and reports.
  if (FFailure && !OnGuiThread()) {
    FFailure->Report(AError);
    return;
  }
  std::string device;
  {
    std::lock_guard guard(*FParams);
    device = FChosenDevice;
  }
  FireDeviceError(*FLock, this, OnError, AError, DeviceWhere("output", device));
}

void TALAudioOut::DeviceFailure(const TALDeviceError& AError) {
  if (FFailure)
    FFailure->Report(AError);
  else
    DoError(AError);
}

TLPThreadError TALAudioOut::ThreadError() {
  return [this](std::exception_ptr e) { DeviceFailure(DescribeException(e, kALDeviceFailed)); };
}

void TALAudioOut::DeviceFailed() {
  if (!FFailure->Pending()) return;  // a close has reported it already
  SetEnabled(false);                 // what arrives is dropped until enabled again
  FBufferQueue->Clear();
  Close();                           // which reports it
  if (std::optional<TALDeviceError> failure = FFailure->Take()) DoError(*failure);
}

void TALAudioOut::DoWarning(const std::string& AErrorText, MMRESULT AErrorCode) {
  FireDeviceWarning(*FLock, this, OnWarning, AErrorText, AErrorCode);
}

}  // namespace tavrel
