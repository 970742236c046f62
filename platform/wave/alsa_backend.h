#pragma once
// The wave layer's backend over ALSA: devices from the PCM name hints, one
// PCM per open handle (non-blocking, waited on with poll and a bounded
// timeout that Interrupt ends at once), and the card mixer for the recorder.
//
//   WaveBackendScope use(std::make_shared<AlsaBackend>());  // the default anyway
//   auto paced = std::make_shared<AlsaBackend>(AlsaPacing::WallClock);
//
// The lists hold what a person records from or plays to: "Default" first,
// always (ALSA's default PCM, the same device the wave mapper opens), then
// the sound servers' PCMs (pulse, pipewire, jack), then the cards' devices:
// each card's own default ("sysdefault"), its HDMI and S/PDIF outputs, and
// PCMs defined straight on a card ("type hw"); last the PCMs a person
// defined in their own configuration (~/.asoundrc, /etc/asound.conf) and
// described in its hint, whatever plugin they use. Left out: the variants
// that only repeat a card's device (front, surround, dmix, dsnoop, hw,
// plughw ...), and what ALSA and its plugin packages define besides: "null",
// the OSS bridge, rate and format converters, channel mixers, encoders. A
// device is listed for a direction when its hint allows that direction; its
// name is the first line of the hint's description (or the PCM name).
//
// A system call that blocks inside ALSA (a file plugin's read of a pipe
// nobody writes, its write to one nobody reads) is cut short by a signal to
// the driver thread: a read after a bounded wait, so that it gives nothing
// rather than frames it never filled, and any call once the stream is
// cancelled, closing included (the file a write waits on is then made
// non-blocking, since the plugin tries an interrupted write again). ALSA's
// own messages never reach standard error: they become the reason of the
// failure they explain.
//
// Null and file PCMs have no clock of their own: they move data as fast as
// it is asked for, so a capture outruns its reader and drops frames. With
// AlsaPacing::WallClock every stream moves no more frames than its rate
// allows since it started, as a sound card would: capture gets each period
// once it has been recorded, playback runs one period ahead.
// AlsaPacing::Clockless (the program's) paces only the PCMs that have no
// clock: null, or a file plugin with no card below it, so a file PCM a
// user configures records and plays in real time.
#include <string>
#include <string_view>

#include "platform/wave/wave_backend.h"

namespace tavrel {

// What a hinted PCM is to the device lists, from its name, the type of its
// definition ("" when it has none of its own) and whether its hint has a
// description.
enum class AlsaPcmKind { Default, Server, Card, Own, Other };
AlsaPcmKind ClassifyAlsaPcm(std::string_view name, std::string_view type, bool described);
// What the lists show of a hint's description: its first line.
std::string AlsaHintDescription(std::string_view desc);
// The card a hinted card device names ("...:CARD=name,..."); "" for none.
std::string AlsaHintCard(std::string_view pcm);

enum class AlsaPacing { Device, WallClock, Clockless };

class AlsaBackend : public WaveBackend {
 public:
  // Routes ALSA's own messages into the failures they explain (never to
  // standard error), once for the process.
  explicit AlsaBackend(AlsaPacing pacing = AlsaPacing::Device);

  std::vector<WaveDevice> Enumerate(WaveDirection direction) override;
  MMRESULT Open(WaveDirection direction, const WaveDevice* device,
                const WavePcmFormat& format, bool convert,
                std::unique_ptr<WavePcm>& pcm, std::string& reason) override;
  std::unique_ptr<RecorderMixer> OpenMixer(const WaveDevice& device) override;

 private:
  AlsaPacing pacing_;
};

}  // namespace tavrel
