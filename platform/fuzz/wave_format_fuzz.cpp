// The wave layer's format record decoder: any record of 18 + cbSize bytes
// (WAVEFORMATEX, or WAVEFORMATEXTENSIBLE when cbSize says so) is decoded or
// refused with a result code. A decoded format is one the layer can stream:
// a known container, valid bits within it, 1 to 32 channels, a rate within
// bounds and a block of whole frames.
#include <cstring>
#include <vector>

#include "platform/wave/wave.h"
#include "platform/wave/wave_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrel;
  if (size < 18) return 0;
  std::uint16_t extra;
  std::memcpy(&extra, data + 16, 2);
  if (size < 18u + extra) return 0;
  // Exactly the record, so AddressSanitizer sees any read past it.
  std::vector<uint8_t> record(data, data + 18 + extra);
  const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(record.data());
  WavePcmFormat f;
  const MMRESULT decoded = DecodeWaveFormat(wfx, f);
  if (decoded == MMSYSERR_NOERROR) {
    const bool container = f.containerBits == 8 || f.containerBits == 16 || f.containerBits == 24 ||
                           f.containerBits == 32;
    if (!container || f.validBits == 0 || f.validBits > f.containerBits || f.channels < 1 || f.channels > 32 ||
        f.rate == 0 || f.rate > kWaveMaxSampleRate || f.frameBytes() != wfx->nBlockAlign)
      __builtin_trap();
  } else if (decoded != WAVERR_BADFORMAT) {
    __builtin_trap();
  }
  return 0;
}
