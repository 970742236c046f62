#pragma once
// The wave layer's backend over ALSA: devices from the PCM name hints, one
// PCM per open handle (non-blocking, waited on with a bounded timeout), and
// the card mixer for the recorder.
//
//   WaveBackendScope use(std::make_shared<AlsaBackend>());  // the default anyway
//
// A device is listed for a direction when its hint allows that direction.
// The name is the first line of the hint's description (or the PCM name);
// "default" is always listed as "Default", the name the components map to the
// wave mapper, which opens the same ALSA device. Plugin variants that only repeat a card's
// device (front, surround, dmix, dsnoop, hw, plughw ...) and "null" are left out.
#include "platform/wave/wave_backend.h"

namespace tavrel {

class AlsaBackend : public WaveBackend {
 public:
  std::vector<WaveDevice> Enumerate(WaveDirection direction) override;
  MMRESULT Open(WaveDirection direction, const WaveDevice* device,
                const WavePcmFormat& format, bool convert,
                std::unique_ptr<WavePcm>& pcm) override;
  std::unique_ptr<RecorderMixer> OpenMixer(const WaveDevice& device) override;
};

}  // namespace tavrel
