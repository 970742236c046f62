#include "audio/ALDeviceCommon.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/sync.h"
#include "signal/SLErrors.h"

namespace tavrel {

WAVEFORMATEXTENSIBLE ToWaveFormat(const TALWaveFormatExtensible& AFormat) {
  // The layer reads the same 40 bytes under its own record type.
  static_assert(sizeof(WAVEFORMATEXTENSIBLE) == sizeof(TALWaveFormatExtensible));
  WAVEFORMATEXTENSIBLE f;
  std::memcpy(static_cast<void*>(&f), &AFormat, sizeof f);
  return f;
}

uint32_t WaveOpenFlags(uint32_t ADeviceID) {
  return CALLBACK_FUNCTION | WAVE_ALLOWSYNC | (ADeviceID == WAVE_MAPPER ? 0u : uint32_t(WAVE_MAPPED));
}

std::optional<TALDeviceError> CheckCaptureSize(const TALWaveFormatExtensible& AFormat, uint32_t AFrames) {
  const uint32_t rate = AFormat.nSamplesPerSec;
  if (rate == 0 || rate > kWaveMaxSampleRate)
    return TALDeviceError{"Sample rate out of range: " + std::to_string(rate) + " per second, at most " +
                              std::to_string(kWaveMaxSampleRate) + ".",
                          WAVERR_BADFORMAT, {}};
  // A second of audio, though never fewer than the usual largest buffer,
  // which at the lowest rates lasts a little longer.
  const uint32_t most = std::max(rate, kALLongestUsualBuffer);
  if (AFrames > most)
    return TALDeviceError{"Buffer size out of range: " + std::to_string(AFrames) + " frames, at most " +
                              std::to_string(most) + ".",
                          MMSYSERR_INVALPARAM, {}};
  return std::nullopt;
}

TALDeviceError DescribeException(std::exception_ptr AError, const char* AText) {
  try {
    std::rethrow_exception(AError);
  } catch (const std::bad_alloc&) {
    return {std::string(AText) + " Out of memory", MMSYSERR_NOMEM, {}};
  } catch (const EOutOfMemory& e) {
    return {std::string(AText) + " " + e.what(), MMSYSERR_NOMEM, {}};
  } catch (const std::exception& e) {
    return {std::string(AText) + " " + e.what(), MMSYSERR_ERROR, {}};
  } catch (...) {
    return {AText, MMSYSERR_ERROR, {}};
  }
}

bool OnGuiThread() {
  const uint32_t gui = MainThreadID();
  return gui == 0 || gui == GetCurrentThreadId();
}

TALWaveResult WaveResult(MMRESULT ACode) {
  return {ACode, ACode == MMSYSERR_NOERROR ? std::string() : WaveLastErrorReason()};
}

std::string DescribeDeviceError(const std::string& AWhere, const TALDeviceError& AError) {
  std::string text = AWhere + ": " + FormatSLError(AError.Text, int32_t(AError.Code));
  if (!AError.Reason.empty()) text += " (" + AError.Reason + ")";
  return text;
}

std::string DeviceWhere(const char* ASide, const std::string& ADeviceName) {
  return std::string(ASide) + " \"" + ADeviceName + "\"";
}

void FireDeviceError(ILPLock& ALock, TObject* ASender, const TSLErrorEvent& AOnError, const TALDeviceError& AError,
                     const std::string& AWhere) {
  TSLErrorEvent event;
  {
    Ref<IOWLockSection> hold = ALock.ReadLock();
    event = AOnError;
  }
  bool handled = false;
  if (event) event(ASender, AError.Text, int32_t(AError.Code), handled);
  if (!handled) throw ESLException(DescribeDeviceError(AWhere, AError));
}

void FireDeviceWarning(ILPLock& ALock, TObject* ASender, const TSLWarningEvent& AOnWarning,
                       const std::string& AErrorText, MMRESULT AErrorCode) {
  TSLWarningEvent event;
  {
    Ref<IOWLockSection> hold = ALock.ReadLock();
    event = AOnWarning;
  }
  if (event) event(ASender, AErrorText, int32_t(AErrorCode));
}

TALDeviceFailure::TALDeviceFailure(TNotifyEvent AOnFailure) : FNotify(std::move(AOnFailure)) {}

void TALDeviceFailure::Report(TALDeviceError AError) {
  {
    std::lock_guard guard(FGuard);
    if (FFailure) return;
    FFailure = std::move(AError);
  }
  FNotify.Notify(true);  // always later, never inside the failing call
}

bool TALDeviceFailure::Pending() const {
  std::lock_guard guard(FGuard);
  return FFailure.has_value();
}

std::optional<TALDeviceError> TALDeviceFailure::Take() {
  std::lock_guard guard(FGuard);
  return std::exchange(FFailure, std::nullopt);
}

}  // namespace tavrel
