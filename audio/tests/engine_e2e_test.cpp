// The audio engine end to end with no window: the window's stored graph
// captures a two-tone recording from ALSA's default device (a file PCM
// here) and plays it into a file PCM. What is played must be the low-pass
// of what was recorded, and the tap must see the recording itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "audio/tests/engine_test_support.h"
#include "audio/tests/stored_graph.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/wave/alsa_backend.h"

namespace tavrel {
namespace {

using namespace enginetest;

constexpr size_t kBufferFrames = 512;  // the stored buffer size
// Not a whole number of buffers, so the last one runs past the recording.
constexpr size_t kInputFrames = 60 * kBufferFrames + 300;

// The filter boxes of the window: the playback hears the low-pass stage
// only, so the band-stop, band-pass and high-pass (a branch whose end has
// no link) must leave what it hears alone, however they are set.
struct FilterCase {
  const char* name;
  bool lowPass, bandStop, bandPass, highPass;
  bool playsLowPass;  // else the recording itself
};
constexpr FilterCase kFilterCases[] = {
    {"stored: low-pass only", true, false, false, false, true},
    {"all four on", true, true, true, true, true},
    {"low-pass off, the others on", false, true, true, true, false},
};

TEST(AudioEngine, StoredGraphPlaysTheLowPassOfTheRecording) {
  const std::vector<int16_t> input = TwoToneStereo(kInputFrames);
  const LowPassReference ref(input, 2, 1500.0, 44100.0);
  for (const FilterCase& c : kFilterCases) {
    SCOPED_TRACE(c.name);
    wavetest::AlsaTestConfig alsa({.input = Bytes(input), .routes = wavetest::AlsaRoutes::Files});
    WaveBackendScope use{std::make_shared<AlsaBackend>(AlsaPacing::WallClock)};

    TapLog tap;
    DeviceErrors errors;
    auto audio = std::make_unique<AudioControl>(tap);
    TStoredGraphForm* g = audio->g.get();
    errors.Watch(g->ALAudioIn1(), g->ALAudioOut1());
    SetProp(*g->ALLowPass1(), "Enabled", c.lowPass);
    SetProp(*g->ALBandStop1(), "Enabled", c.bandStop);
    SetProp(*g->ALBandPass1(), "Enabled", c.bandPass);
    SetProp(*g->ALHighPass1(), "Enabled", c.highPass);

    // Playback first, so it is waiting for the format when the capture
    // announces it; then capture.
    audio->StartAudio();

    const size_t wholeBuffers = kInputFrames / kBufferFrames;
    const size_t playedBytes = kInputFrames * 4;
    ASSERT_TRUE(WaitUntil([&] {
      std::error_code ec;
      auto size = std::filesystem::file_size(alsa.OutputPath(), ec);
      return tap.Count() > wholeBuffers && !ec && size >= playedBytes;
    })) << "buffers seen by the tap: " << tap.Count();

    audio->StopAudio();  // capture first, then playback
    audio.reset();       // closes the playback device, which flushes the file
    EXPECT_EQ(errors.All(), std::vector<std::string>{});

    // Played from the recording's first frame on.
    std::vector<int16_t> played = Samples(alsa.Output(), input.size());
    ASSERT_EQ(played.size(), input.size());
    if (c.playsLowPass) {
      std::vector<size_t> bad = ref.Mismatches(played);
      EXPECT_TRUE(bad.empty()) << ref.Describe(bad, played);
    } else {
      EXPECT_TRUE(played == input);
    }

    // The tap sees every captured buffer whole, in order, with the
    // recording's extremes.
    std::vector<Extremes> seen = tap.Buffers();
    ASSERT_GT(seen.size(), wholeBuffers);
    for (uint32_t size : tap.Sizes()) EXPECT_EQ(size, kBufferFrames);
    for (uint32_t rate : tap.Rates()) EXPECT_EQ(rate, 44100u);
    for (size_t b = 0; b < wholeBuffers; ++b)
      EXPECT_EQ(seen[b], ExtremesOf(&input[b * kBufferFrames * 2], kBufferFrames, 2)) << "buffer " << b;
  }
}

}  // namespace
}  // namespace tavrel
