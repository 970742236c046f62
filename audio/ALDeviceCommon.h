#pragma once
// What the capture and playback components share around the wave calls:
// the format record as the layer takes it, the open flags, and the error
// and warning reports.
//
//   const WAVEFORMATEXTENSIBLE wfx = ToWaveFormat(format);
//   waveOutOpen(&h, id, &wfx.Format, proc, instance, WaveOpenFlags(id));
//   FireDeviceError(*FLock, this, OnError, "Can't open audio device.", result);  // may raise
#include "platform/wave/wave.h"

#include <string>

#include "framework/LPLock.h"
#include "signal/ALAudioBuffer.h"
#include "signal/SLFilterTypes.h"

namespace tavrel {

WAVEFORMATEXTENSIBLE ToWaveFormat(const TALWaveFormatExtensible& AFormat);

// Callback function and sync allowed; conversion for a named device.
uint32_t WaveOpenFlags(uint32_t ADeviceID);

// Calls the error event (read under ALock) and raises ESLException
// "<text> - <code> - <hex>" unless a handler set Handled.
void FireDeviceError(ILPLock& ALock, TObject* ASender, const TSLErrorEvent& AOnError, const std::string& AErrorText,
                     MMRESULT AErrorCode);
// Calls the warning event (read under ALock) when there is one.
void FireDeviceWarning(ILPLock& ALock, TObject* ASender, const TSLWarningEvent& AOnWarning,
                       const std::string& AErrorText, MMRESULT AErrorCode);

}  // namespace tavrel
