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
  MMRESULT result;
  {
    std::lock_guard guard(*FParams);
    result = OpenHandle(*format);
  }
  if (result != MMSYSERR_NOERROR) {
    FWaveThread.reset();
    DoError(kALCantOpen, result);
    return false;
  }
  ProcessQueue(false);
  return true;
}

void TALAudioOut::Close() {
  if (std::optional<TALDeviceError> error = CloseDevice(true)) DoError(error->Text, error->Code);
}

void TALAudioOut::Flush() {
  FBufferQueue->Clear();
  std::lock_guard guard(*FParams);
  if (!FParams->GetIsOpen()) return;
  FStartResumed = false;
  FPaused = true;
  FStartFrames = 0;
  // A reset that fails leaves buffers on the driver, a pause that fails
  // plays what comes next at once: both said.
  if (const MMRESULT reset = waveOutReset(HOut)) {
    DoError(kALCantRestart, reset);
  } else if (const MMRESULT paused = waveOutPause(HOut)) {
    DoError(kALCantPause, paused);
  }
}

TOWNotifyResult TALAudioOut::OperationReceived(IOWNotifyOperation* Op) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return {};
  TOWNotifyOperation* op = Op->Instance();
  if (dynamic_cast<TOWSLResumeOperation*>(op)) {
    ResumeDevice();
  } else if (FEnabled) {
    if (dynamic_cast<TOWStopOperation*>(op)) {
      ++FStopping;
      // A stream shorter than the prefill still plays.
      if (!FStartResumed && FPaused) {
        ResumeDevice();
        FStartResumed = true;
      }
    } else if (dynamic_cast<TOWStartWaveOperation*>(op)) {
      ++FStopping;
    }
    FBufferQueue->Push(Ref<IOWNotifyOperation>(Op));
  } else {
    if (auto* start = dynamic_cast<TOWStartWaveOperation*>(op)) SetWaveFormat(start->WaveFormat);
    else if (dynamic_cast<TOWStopOperation*>(op)) ClearWaveFormat();
    return {};
  }
  if (!FResumed || !FStartResumed) ProcessQueue(false);
  {
    std::lock_guard guard(*FParams);
    // Once playing, a buffer waits for a played one to come back.
    if (FStopping <= 0 && FParams->GetList().size() > 1) return {};
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
    --FStopping;
    FStartResumed = false;
    FStartFrames = 0;
    FPaused = true;
    const bool open = FParams->GetIsOpen();
    // A new format must reopen even a running device, or it plays at the
    // wrong speed.
    const bool sameFormat = FWaveFormat && SameFormat(*FWaveFormat, start->WaveFormat);
    if (open && !FStopped && sameFormat) return false;
    if (AFromWaveThread) {
      FBufferQueue->PushBack(Op);
      ++FStopping;
      if (FProcessNotify) FProcessNotify->Notify(true);
      return false;
    }
    FResumed = false;
    OpenDevice(start->WaveFormat);
    FStopped = false;
    return true;
  }
  if (dynamic_cast<TOWStopOperation*>(op)) {
    --FStopping;
    FStopped = true;
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
    if (FMasterPumping->Enabled() && !FStartResumed) FInputPin->MasterPump(this);
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
  if (const MMRESULT closed = waveOutClose(h)) DoError(kALCantClose, closed);
}

MMRESULT TALAudioOut::OpenHandle(const TALWaveFormatExtensible& AFormat) {
  FParams->SetIsOpen(true);
  try {
    FWaveThread = std::make_unique<TALWaveThread>(
        this, [this](uint32_t msg, uint64_t h, WAVEHDR* hdr) { ProcessWaveMessage(msg, h, hdr); }, ThreadError());
  } catch (const std::exception&) {
    FParams->SetIsOpen(false);  // no thread, so nothing opened
    return MMSYSERR_NOMEM;
  }
  const uint32_t id = FDevice->GetDeviceID();
  const WAVEFORMATEXTENSIBLE wfx = ToWaveFormat(AFormat);
  HOut = HWAVEOUT{};
  const MMRESULT result = waveOutOpen(&HOut, id, &wfx.Format, &WaveOutCallback,
                                      reinterpret_cast<uintptr_t>(FWaveThread.get()), WaveOpenFlags(id));
  if (result != MMSYSERR_NOERROR) FParams->SetIsOpen(false);  // nothing to close later
  return result;
}

void TALAudioOut::OpenDevice(const TALWaveFormatExtensible& AFormat) {
  if (!FEnabled) return;
  if (FParams->GetIsOpen())
    if (std::optional<TALDeviceError> error = CloseDevice(false)) DoError(error->Text, error->Code);
  MMRESULT result;
  const char* failure = kALCantOpen;
  {
    std::lock_guard guard(*FParams);
    result = OpenHandle(AFormat);
    SetWaveFormat(AFormat);
    if (result == MMSYSERR_NOERROR) {
      result = waveOutPause(HOut);
      failure = kALCantPause;
    }
  }
  if (result != MMSYSERR_NOERROR) {
    if (!FParams->GetIsOpen()) FWaveThread.reset();  // terminates it
    DoError(failure, result);
  }
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
  const MMRESULT result = waveOutReset(h);
  FWaveThread->Terminate();
  MMRESULT closed;
  {
    std::lock_guard guard(*FParams);
    for (auto& b : FParams->GetList()) {
      auto* item = static_cast<TALWaveBuffer*>(b.get());
      waveOutUnprepareHeader(h, &item->WaveHdr, sizeof item->WaveHdr);
    }
    // Closed even when its driver thread had to be left behind: that
    // thread holds no buffer of ours, so they may go.
    closed = waveOutClose(h);
    FParams->GetList().clear();
    HOut = HWAVEOUT{};
  }
  FWaveThread.reset();
  // The failure that brought this close is the one reported, once.
  if (std::optional<TALDeviceError> failure = FFailure ? FFailure->Take() : std::nullopt) return failure;
  if (result != MMSYSERR_NOERROR) return TALDeviceError{kALCantRestart, result};
  if (closed != MMSYSERR_NOERROR) return TALDeviceError{kALCantClose, closed};
  return std::nullopt;
}

void TALAudioOut::QueueBuffer(const Ref<TALAudioBuffer>& ABuffer) {
  if (!FEnabled) return;
  const uint32_t frames = ABuffer->GetSize();
  const uint32_t rate = ABuffer->GetSampleRate();
  MMRESULT result;
  {
    std::lock_guard guard(*FParams);
    // Written under the lock, so a close cannot free the header in between.
    if (!FParams->GetIsOpen()) return;
    auto item = std::make_unique<TALWaveBuffer>(ABuffer);
    result = waveOutPrepareHeader(HOut, &item->WaveHdr, sizeof item->WaveHdr);
    if (result == MMSYSERR_NOERROR) {
      TALWaveBuffer* raw = item.get();
      FParams->GetList().push_back(std::move(item));
      result = waveOutWrite(HOut, &raw->WaveHdr, sizeof raw->WaveHdr);
      // One the driver refused never comes back: not listed, and freed.
      if (result != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(HOut, &raw->WaveHdr, sizeof raw->WaveHdr);
        FParams->GetList().pop_back();
      }
    }
  }
  // A refused buffer is audio lost, and how a lost device shows while it plays.
  if (result != MMSYSERR_NOERROR) {
    DeviceFailure(kALDeviceFailed, result);
    return;
  }
  if (!FStartResumed) {
    // Counted in frames: a per-buffer millisecond count would stay 0 for
    // buffers shorter than a millisecond.
    FStartFrames += frames;
    if (FStartFrames * 1000 > uint64_t(FPrefillInterval) * rate) {
      if (FPaused) ResumeDevice();
      FStartResumed = true;
    }
  }
}

void TALAudioOut::PauseDevice() {
  FPaused = true;
  HWAVEOUT h;
  {
    std::lock_guard guard(*FParams);
    h = HOut;
  }
  waveOutPause(h);
}

void TALAudioOut::ResumeDevice() {
  if (!FEnabled || !FPaused) return;
  FResumed = true;
  FPaused = false;
  HWAVEOUT h;
  {
    std::lock_guard guard(*FParams);
    // A closed device has nothing to restart (a link going away sends a stop).
    if (!FParams->GetIsOpen()) return;
    h = HOut;
  }
  const MMRESULT result = waveOutRestart(h);
  if (result != MMSYSERR_NOERROR) DoError(kALCantRestart, result);
  while (FMissedPumps > 0) {
    --FMissedPumps;
    FInputPin->MasterPump(this);
  }
}

void TALAudioOut::StartOutput() {
  if (!FEnabled) return;
  FStartResumed = false;
  FStartFrames = 0;
  FPaused = true;
  if (FWaveFormat) {
    FResumed = false;
    OpenDevice(*FWaveFormat);
    FStopped = false;
  } else {
    PauseDevice();
  }
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
      guard.unlock();
      if (FPaused) ++FMissedPumps;
      FClockOutputPin->Clock();
      if (pump) FInputPin->MasterPump(this);
      guard.lock();
      if (!FParams->GetIsOpen()) return;
      // The list may have changed while the lock was given up.
      it = find();
      if (it == list.end()) return;
    }
    if (const MMRESULT unprepared = waveOutUnprepareHeader(HOut, AWaveHdr, sizeof *AWaveHdr)) {
      guard.unlock();
      DeviceFailure(kALDeviceFailed, unprepared);  // kept listed: the close frees it
      return;
    }
    list.erase(it);
    if (list.empty()) {
      std::lock_guard section(FOnQueueEmptySection);
      if (FOnQueueEmpty && FMainThreadQueueEmpty) FMainThreadQueueEmpty->Notify(true);
    }
    if (FStopped && list.empty() && FNotifyThread) FNotifyThread->Notify();
    ranDry = list.empty() && !FPaused;
  }
  ProcessQueue(true);
  if (!ranDry) return;
  MMRESULT running = MMSYSERR_NOERROR;
  {
    std::lock_guard guard(*FParams);
    // A queue that runs dry while playing is an underrun, or a device that
    // went away and handed every buffer back: asking it to run on (nothing
    // for one that runs) tells which, even when no more audio comes.
    if (FParams->GetIsOpen() && uint64_t(HOut) == hwo && FParams->GetList().empty() && !FPaused)
      running = waveOutRestart(HOut);
  }
  if (running != MMSYSERR_NOERROR) DeviceFailure(kALDeviceFailed, running);
}

void TALAudioOut::DoError(const std::string& AErrorText, MMRESULT AErrorCode) {
  // Off the GUI thread a raise would reach nobody (the wave thread, or the
  // capture thread, whose submit drops it): the GUI thread closes the
  // device and reports.
  if (FFailure && !OnGuiThread()) {
    FFailure->Report({AErrorText, AErrorCode});
    return;
  }
  FireDeviceError(*FLock, this, OnError, AErrorText, AErrorCode);
}

void TALAudioOut::DeviceFailure(const std::string& AErrorText, MMRESULT AErrorCode) {
  if (FFailure)
    FFailure->Report({AErrorText, AErrorCode});
  else
    DoError(AErrorText, AErrorCode);
}

TLPThreadError TALAudioOut::ThreadError() {
  return [this](std::exception_ptr e) {
    const TALDeviceError error = DescribeException(e, kALDeviceFailed);
    DeviceFailure(error.Text, error.Code);
  };
}

void TALAudioOut::DeviceFailed() {
  if (!FFailure->Pending()) return;  // a close has reported it already
  SetEnabled(false);                 // what arrives is dropped until enabled again
  FBufferQueue->Clear();
  Close();                           // which reports it
  if (std::optional<TALDeviceError> failure = FFailure->Take()) DoError(failure->Text, failure->Code);
}

void TALAudioOut::DoWarning(const std::string& AErrorText, MMRESULT AErrorCode) {
  FireDeviceWarning(*FLock, this, OnWarning, AErrorText, AErrorCode);
}

}  // namespace tavrel
