#pragma once
// The wave layer's backend over ALSA: devices from the PCM name hints, one
// PCM per open handle (non-blocking, waited on with a bounded timeout), and
// the card mixer for the recorder.
//
//   WaveBackendScope use(std::make_shared<AlsaBackend>());  // the default anyway
//   auto paced = std::make_shared<AlsaBackend>(AlsaPacing::WallClock);
//
// A device is listed for a direction when its hint allows that direction.
// The name is the first line of the hint's description (or the PCM name);
// "default" is always listed as "Default", the name the components map to the
// wave mapper, which opens the same ALSA device. Plugin variants that only repeat a card's
// device (front, surround, dmix, dsnoop, hw, plughw ...) and "null" are left out.
//
// Null and file PCMs have no clock of their own: they move data as fast as
// it is asked for, so a capture outruns its reader and drops frames. With
// AlsaPacing::WallClock every stream moves no more frames than its rate
// allows since it started, as a sound card would: capture gets each period
// once it has been recorded, playback runs one period ahead.
#include "platform/wave/wave_backend.h"

namespace tavrel {

enum class AlsaPacing { Device, WallClock };

class AlsaBackend : public WaveBackend {
 public:
  explicit AlsaBackend(AlsaPacing pacing = AlsaPacing::Device) : pacing_(pacing) {}

  std::vector<WaveDevice> Enumerate(WaveDirection direction) override;
  MMRESULT Open(WaveDirection direction, const WaveDevice* device,
                const WavePcmFormat& format, bool convert,
                std::unique_ptr<WavePcm>& pcm) override;
  std::unique_ptr<RecorderMixer> OpenMixer(const WaveDevice& device) override;

 private:
  AlsaPacing pacing_;
};

}  // namespace tavrel
