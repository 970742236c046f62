#pragma once
// What the capture and playback components share around the wave calls:
// the format record as the layer takes it, the open flags, the texts and
// the error and warning reports, and the hand-over of failures met off the
// GUI thread.
//
//   const WAVEFORMATEXTENSIBLE wfx = ToWaveFormat(format);
//   const TALWaveResult opened = WaveResult(waveOutOpen(&h, id, &wfx.Format, proc, instance, WaveOpenFlags(id)));
//   if (opened.Failed())   // may raise:
//     FireDeviceError(*FLock, this, OnError, opened.As(kALCantOpen), "output \"Default\"");
//
//   // on a wave thread, where raising would reach nobody:
//   FFailure->Report(added.As(kALDeviceFailed));   // the GUI thread stops and reports
//
// An error the handler leaves unhandled raises ESLException with the message
// a user reads: which side and device, the text and codes, and the layer's
// reason: 'input "Default": Can't open audio device. - 2 - 2 (No such file
// or directory)'. The handler itself gets the text and code alone.
#include "platform/wave/wave.h"

#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "framework/LPLock.h"
#include "platform/method.h"
#include "signal/ALAudioBuffer.h"
#include "signal/SLFilterTypes.h"
#include "signal/SLMainThreadNotify.h"

namespace tavrel {

inline constexpr const char* kALCantOpen = "Can't open audio device.";
inline constexpr const char* kALCantStart = "Can't start audio device.";
inline constexpr const char* kALCantPause = "Can't pause audio device.";
inline constexpr const char* kALCantRestart = "Can't restart audio device.";
inline constexpr const char* kALCantClose = "Can't close audio device.";
// A device that stopped moving audio while it ran: gone, or refusing buffers.
inline constexpr const char* kALDeviceFailed = "Audio device failed.";

WAVEFORMATEXTENSIBLE ToWaveFormat(const TALWaveFormatExtensible& AFormat);

// Callback function and sync allowed; conversion for a named device.
uint32_t WaveOpenFlags(uint32_t ADeviceID);

// Frames a capture buffer may always hold, whatever the rate (8192 frames
// at 8000 per second last just over a second).
inline constexpr uint32_t kALLongestUsualBuffer = 8192;

// One report for a component's error event, and why the device failed when
// the layer said.
struct TALDeviceError {
  std::string Text;
  MMRESULT Code = MMSYSERR_NOERROR;
  std::string Reason;
};

// A wave call's code and the layer's reason for it, read at once on the
// calling thread (its next wave call replaces the reason).
struct TALWaveResult {
  MMRESULT Code = MMSYSERR_NOERROR;
  std::string Reason;
  bool Failed() const { return Code != MMSYSERR_NOERROR; }
  TALDeviceError As(const char* AText) const { return {AText, Code, Reason}; }
};
TALWaveResult WaveResult(MMRESULT ACode);

// What the user reads of an error on AWhere ('input "Default"').
std::string DescribeDeviceError(const std::string& AWhere, const TALDeviceError& AError);
// The side and device an error names: 'input "Default"'.
std::string DeviceWhere(const char* ASide, const std::string& ADeviceName);

// Why a capture of this format and buffer size cannot start: a rate of 0 or
// above kWaveMaxSampleRate, or buffers of more than a second of audio (40 of
// them are in flight, so larger ones could take the machine's memory) and
// more than kALLongestUsualBuffer frames. Nothing when it can.
std::optional<TALDeviceError> CheckCaptureSize(const TALWaveFormatExtensible& AFormat, uint32_t AFrames);

// What to report for an exception caught where it may not travel on (the
// top of a thread, a start that closes what it opened): AText followed by
// its message; out of memory as MMSYSERR_NOMEM, anything else MMSYSERR_ERROR.
TALDeviceError DescribeException(std::exception_ptr AError, const char* AText);

// True on the GUI thread (or before one is known).
bool OnGuiThread();

// Calls the error event (read under ALock) with the text and code, and
// raises ESLException with DescribeDeviceError's message unless a handler
// set Handled.
void FireDeviceError(ILPLock& ALock, TObject* ASender, const TSLErrorEvent& AOnError, const TALDeviceError& AError,
                     const std::string& AWhere);
// Calls the warning event (read under ALock) when there is one.
void FireDeviceWarning(ILPLock& ALock, TObject* ASender, const TSLWarningEvent& AOnWarning,
                       const std::string& AErrorText, MMRESULT AErrorCode);

// A failure met off the GUI thread while a device runs. The first one is
// kept and handed to the GUI thread, where the component stops and reports
// it once; those that follow before it is taken are dropped, since the stop
// it brings ends them. Made and destroyed on the GUI thread; Report from any.
class TALDeviceFailure {
 public:
  // AOnFailure runs on the GUI thread after a Report.
  explicit TALDeviceFailure(TNotifyEvent AOnFailure);

  void Report(TALDeviceError AError);
  bool Pending() const;
  // The kept failure, no longer pending; nothing when there is none.
  std::optional<TALDeviceError> Take();

 private:
  mutable std::mutex FGuard;
  std::optional<TALDeviceError> FFailure;
  TSLMainThreadNotify FNotify;
};

}  // namespace tavrel
