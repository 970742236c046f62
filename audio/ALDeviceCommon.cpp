#include "audio/ALDeviceCommon.h"

#include <cstring>

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

void FireDeviceError(ILPLock& ALock, TObject* ASender, const TSLErrorEvent& AOnError, const std::string& AErrorText,
                     MMRESULT AErrorCode) {
  TSLErrorEvent event;
  {
    Ref<IOWLockSection> hold = ALock.ReadLock();
    event = AOnError;
  }
  bool handled = false;
  if (event) event(ASender, AErrorText, int32_t(AErrorCode), handled);
  if (!handled) throw ESLException(AErrorText, int32_t(AErrorCode));
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

}  // namespace tavrel
