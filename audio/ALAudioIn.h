#pragma once
// The capture component: records from a wave-input device and sends every
// filled buffer down its audio output pin, on its own wave thread.
//
//   auto* in = TComponent::Create<TALAudioIn>(form);   // made in code: stays stopped
//   in->Device()->SetDeviceName("USB Mic");             // or "Default"
//   in->AudioFormat()->SetSampleRate(44100);
//   in->AudioFormat()->SetBufferSize(512);
//   in->OutputPin()->Connect(filter->InputPin());
//   in->SetEnabled(true);     // pump request, start, open, 40 buffers queued
//   ...
//   in->SetEnabled(false);    // reset, free, close, end-stop downstream
//
// A component read from form data with Enabled true starts once loading is
// done. Unless a sink claims the pump, the component is the graph's pump:
// each filled buffer goes through the whole graph on the wave thread, under
// the device-state lock, and is then replaced on the driver. Only the
// frames the driver recorded go down (a buffer with none does not), and
// only buffers of the current handle and the current list are taken, so
// records left over from a previous run are dropped.
//
// Driver failures go to OnError; with no handler setting Handled they raise
// ESLException out of the call that met them, on the GUI thread, saying
// which device and why: 'input "USB Mic": Can't open audio device. - 2 - 2
// (No such file or directory)'. One met elsewhere (the wave thread: a device
// lost while it runs or that records nothing, a replacement buffer refused,
// an exception of the graph's work) is handed to the GUI thread, which stops
// the capture and reports it once; a stop that meets a device gone reports
// that ("Audio device failed.").
// A start that fails at any step closes what it opened; one with a rate of
// 0 or above kWaveMaxSampleRate, or buffers of more than a second of audio,
// is refused before anything is opened or allocated.
#include "platform/wave/wave.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/ALAudioDevice.h"
#include "audio/ALAudioFormat.h"
#include "audio/ALDeviceCommon.h"
#include "audio/ALWaveThread.h"
#include "framework/LPComponent.h"
#include "framework/OWStdPins.h"
#include "signal/ALStreamTypes.h"
#include "signal/SLFilterTypes.h"

namespace tavrel {

class TALAudioIn : public TLPComponent {
  TAVREL_CLASS_INFO
 public:
  static constexpr int kQueuedBuffers = 40;

  explicit TALAudioIn(TComponent* AOwner);
  ~TALAudioIn() override;

  bool Enabled() const { return FLock->Getter(FEnabled); }
  void SetEnabled(bool AValue);
  int32_t PumpPriority() const { return FLock->Getter(FPumpPriority); }
  void SetPumpPriority(int32_t AValue) { FLock->Setter(FPumpPriority, AValue); }
  TALAudioCaptureDevice* Device() const { return FDevice.get(); }
  void SetDevice(TALAudioCaptureDevice* AValue) { FDevice->Assign(AValue); }
  TALAudioFormat* AudioFormat() const { return FAudioFormat.get(); }
  void SetAudioFormat(TALAudioFormat* AValue) { FAudioFormat->Assign(AValue); }
  TALOWAudioSourcePin* OutputPin() const { return FOutputPin.get(); }
  TOWBoolStatePin* EnablePin() const { return FEnablePin.get(); }

  // Starts capture when it is not running (the enable pin is left alone).
  void Start();
  // Stops a running capture and sends an end-stop downstream.
  void Stop();

  void DoError(const std::string& AErrorText, MMRESULT AErrorCode);
  void DoError(const TALDeviceError& AError);
  // A failure met on AStream: reported at once on the GUI thread; from the
  // wave thread, kept for the GUI thread while AStream is the open stream.
  void DeviceFailure(const std::string& AErrorText, MMRESULT AErrorCode, HWAVEIN AStream);
  void DeviceFailure(const TALDeviceError& AError, HWAVEIN AStream);
  void DoWarning(const std::string& AErrorText, MMRESULT AErrorCode);

  TSLErrorEvent OnError;
  TSLWarningEvent OnWarning;

 protected:
  void SetUp(bool AJustCreated) override;

 private:
  class TALWaveBuffer;

  static void WaveInCallback(HWAVEIN hwi, uint32_t uMsg, uintptr_t dwInstance, uintptr_t dwParam1,
                             uintptr_t dwParam2);
  void StartCapture();
  void StartDevice(bool AQueued, const TALWaveFormatExtensible& AFormat, uint32_t AFrames);
  bool OpenDevice(const TALWaveFormatExtensible& AFormat, uint32_t AFrames);
  // Stops the driver and frees every buffer, whatever Enabled says; what to
  // report: the failure that brought the stop, else the stop's own.
  std::optional<TALDeviceError> CloseDevice();
  // A new buffer on AStream's driver while AStream is the open stream; the
  // result of the first call that failed.
  TALWaveResult AddCaptureBuffer(HWAVEIN AStream);
  // Under the device-state lock.
  bool StreamOpen(HWAVEIN AStream) const;
  // On the GUI thread after a failure met elsewhere: stop, report once.
  void DeviceFailed();
  void ProcessWaveMessage(uint32_t uMsg, uint64_t hwi, WAVEHDR* AWaveHdr);
  void BufferFilled(uint64_t hwi, WAVEHDR* AWaveHdr);
  TOWNotifyResult OutputPinOperation(IOWNotifyOperation* Operation);

  std::unique_ptr<TALOWAudioSourcePin> FOutputPin;
  std::unique_ptr<TOWBoolStatePin> FEnablePin;
  HWAVEIN HIn{};  // under the device-state lock
  // What the open device records; the wave thread makes its buffers from
  // these, never from the published format, which may change meanwhile.
  TALWaveFormatExtensible FOpenFormat{};
  uint32_t FOpenFrames = 0;
  // The device the last start chose, which errors name; under the
  // device-state lock.
  std::string FChosenDevice = "Default";
  bool FEnabled = true;
  int32_t FPumpPriority = 0;
  std::unique_ptr<TALAudioFormat> FAudioFormat;
  std::unique_ptr<TALAudioCaptureDevice> FDevice;
  Ref<TALAudioParams> FParams;
  std::unique_ptr<TALWaveThread> FWaveThread;
  std::unique_ptr<TALDeviceFailure> FFailure;  // none while designing
};

}  // namespace tavrel
