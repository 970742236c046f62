#pragma once
// The playback component: plays the audio buffers that reach its input pin
// on a wave-output device.
//
//   auto* out = TComponent::Create<TALAudioOut>(form);
//   out->Device()->SetDeviceName("Default");
//   filter->OutputPin()->Connect(out->InputPin());
//   // upstream: start (the format) -> buffers -> stop
//
// A start opens the device paused. Buffers are written to the driver, and
// playback begins once more than PrefillInterval milliseconds of audio are
// queued (counted in frames, so short buffers get there too), or at a stop
// that comes first. Then a new buffer waits in the operation queue until a
// played one comes back, which keeps the driver queue at the prefill depth.
// A start with another format than the open device's reopens it paused; a
// start met on the wave thread is handed to the GUI thread, since the
// device is never closed from its own wave thread. Played buffers are freed
// on the wave thread, which also ticks the clock pin; OnQueueEmpty runs on
// the GUI thread whenever the driver queue runs empty.
//
// While disabled a start only remembers its format and a stop forgets it;
// enabling again reopens the device paused with the remembered format.
//
// Driver failures go to OnError; with no handler setting Handled they raise
// ESLException out of the call that met them, on the GUI thread, saying
// which device and why ('output "Default": ...', as the capture does). A
// failure of the running device (lost while it plays, even with no more
// audio coming; a buffer the driver refused; an exception of a thread's
// work), and any failure met off the GUI thread, is handed to the GUI
// thread, which disables the component, closes the device and reports it
// once.
//
// The stream's run state (paused, resumed, stopped, the prefill, the
// pending starts and stops, the missed pumps) is one record under the
// device-state lock, which the sending thread, the wave thread and the GUI
// thread all take to read or change it.
#include "platform/wave/wave.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/ALAudioDevice.h"
#include "audio/ALBasicAudioOut.h"
#include "audio/ALDeviceCommon.h"
#include "audio/ALWaveThread.h"
#include "audio/SLNotifyThread.h"
#include "framework/OWSync.h"
#include "signal/SLFilterTypes.h"
#include "signal/SLMainThreadNotify.h"
#include "signal/SLVariantStorages.h"

namespace tavrel {

class TALAudioOut : public TALBasicAudioOut {
  TAVREL_CLASS_INFO
 public:
  explicit TALAudioOut(TComponent* AOwner);
  ~TALAudioOut() override;

  uint32_t PrefillInterval() const { return FLock->Getter(FPrefillInterval); }
  void SetPrefillInterval(uint32_t AValue) { FLock->Setter(FPrefillInterval, AValue); }
  TALAudioOutDevice* Device() const { return FDevice.get(); }
  void SetDevice(TALAudioOutDevice* AValue) { FDevice->Assign(AValue); }
  TNotifyEvent OnQueueEmpty() const;
  void SetOnQueueEmpty(TNotifyEvent AValue);

  // Opens the device with the remembered format when it is closed.
  bool Open();
  void Close();
  // Drops the waiting operations and every queued buffer; the device pauses.
  void Flush();

  // Also reads and drops the older "PreFillEnabled".
  void DefineProperties(TFiler& Filer) override;

  void DoError(const std::string& AErrorText, MMRESULT AErrorCode);
  void DoError(const TALDeviceError& AError);
  void DoWarning(const std::string& AErrorText, MMRESULT AErrorCode);

  TSLErrorEvent OnError;
  TSLWarningEvent OnWarning;

 protected:
  void BeforeDestruction() override;
  void StartOutput() override;
  TOWNotifyResult OperationReceived(IOWNotifyOperation* Op) override;

 private:
  class TALWaveBuffer;

  static void WaveOutCallback(HWAVEOUT hwo, uint32_t uMsg, uintptr_t dwInstance, uintptr_t dwParam1,
                              uintptr_t dwParam2);
  void ProcessQueue(bool AFromWaveThread);
  bool ProcessOperation(const Ref<IOWNotifyOperation>& Op, bool AFromWaveThread);
  void ClaimPump(TOWPumpRequestOperation& ARequest);
  // Under the device-state lock: a new wave thread and the handle; the open
  // flag stays up only when the driver opened it.
  TALWaveResult OpenHandle(const TALWaveFormatExtensible& AFormat);
  void OpenDevice(const TALWaveFormatExtensible& AFormat);
  // Opens the device for a new stream: not resumed, not stopped.
  void Reopen(const TALWaveFormatExtensible& AFormat);
  // What to report: the failure that brought the close, else its own.
  std::optional<TALDeviceError> CloseDevice(bool AClearPump);
  // A failure of the running device, met on any thread: handed to the GUI
  // thread, which disables, closes and reports once (DeviceFailed).
  void DeviceFailure(const TALDeviceError& AError);
  void DeviceFailed();
  // The error handler of this component's threads.
  TLPThreadError ThreadError();
  void QueueBuffer(const Ref<TALAudioBuffer>& ABuffer);
  void PauseDevice();
  void ResumeDevice();
  void ProcessWaveMessage(uint32_t uMsg, uint64_t hwo, WAVEHDR* AWaveHdr);
  void BufferDone(uint64_t hwo, WAVEHDR* AWaveHdr);

  // The stream as it runs; one record, under the device-state lock.
  struct TALPlaybackRun {
    bool Stopped = false;       // the last stream was stopped
    bool Resumed = false;       // restarted since the last open
    bool Paused = false;        // the device is paused
    bool StartResumed = false;  // the prefill is done (or no longer waited for)
    int32_t Stopping = 0;       // start and stop operations queued, not yet handled
    int32_t MissedPumps = 0;    // buffers played while paused in pump mode
    uint64_t StartFrames = 0;   // queued since the start, while the prefill runs
  };

  HWAVEOUT HOut{};  // under the device-state lock
  uint32_t FPrefillInterval = 300;
  Ref<TALAudioParams> FParams;
  TALPlaybackRun FRun;                     // under the device-state lock
  std::string FChosenDevice = "Default";  // the device opened last, which errors name; likewise
  std::unique_ptr<TALAudioOutDevice> FDevice;
  std::unique_ptr<TALWaveThread> FWaveThread;
  std::unique_ptr<TSLNotifyThread> FNotifyThread;
  std::unique_ptr<TSLMainThreadNotify> FProcessNotify;
  std::unique_ptr<TSLOperationList> FBufferQueue;
  TOWCriticalSection FOnQueueEmptySection;
  TNotifyEvent FOnQueueEmpty;
  std::unique_ptr<TSLMainThreadNotify> FMainThreadQueueEmpty;
  std::unique_ptr<TALDeviceFailure> FFailure;  // none while designing
};

}  // namespace tavrel
