// The audio engine end to end with no window: the window's stored graph
// captures a two-tone recording from ALSA's default device (a file PCM
// here) and plays it into a file PCM. What is played must be the low-pass
// of what was recorded, and the tap must see the recording itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

TEST(AudioEngine, StoredGraphPlaysTheLowPassOfTheRecording) {
  const std::vector<int16_t> input = TwoToneStereo(kInputFrames);
  wavetest::AlsaTestConfig alsa({.input = Bytes(input), .defaultIsFiles = true});
  WaveBackendScope use{std::make_shared<AlsaBackend>(AlsaPacing::WallClock)};

  TapLog tap;
  DeviceErrors errors;
  auto g = LoadStoredGraph(tap.Handler());
  errors.Watch(g->ALAudioIn1(), g->ALAudioOut1());

  // The window's start: playback first, so it is waiting for the format
  // when the capture announces it; then capture.
  SetProp(*g->ALAudioOut1(), "Enabled", true);
  ProcessMessages();
  SetProp(*g->ALAudioIn1(), "Enabled", true);

  const size_t wholeBuffers = kInputFrames / kBufferFrames;
  const size_t playedBytes = kInputFrames * 4;
  ASSERT_TRUE(WaitUntil([&] {
    std::error_code ec;
    auto size = std::filesystem::file_size(alsa.OutputPath(), ec);
    return tap.Count() > wholeBuffers && !ec && size >= playedBytes;
  })) << "buffers seen by the tap: " << tap.Count();

  // The window's stop: capture first, then playback.
  SetProp(*g->ALAudioIn1(), "Enabled", false);
  ProcessMessages();
  SetProp(*g->ALAudioOut1(), "Enabled", false);
  ProcessMessages();
  g.reset();  // closes the playback device, which flushes the file
  EXPECT_EQ(errors.All(), std::vector<std::string>{});

  // Played: the low-pass of the recording, from its first frame on.
  LowPassReference ref(input, 2, 1500.0, 44100.0);
  std::vector<int16_t> played = Samples(alsa.Output(), input.size());
  ASSERT_EQ(played.size(), input.size());
  size_t mismatches = 0, ties = 0;
  for (size_t i = 0; i < played.size(); ++i) {
    const int d = played[i] - ref.Output()[i];
    if (d == 0) continue;
    if (ref.NearTie(i) && std::abs(d) == 1) {
      ++ties;
      continue;
    }
    if (++mismatches <= 5)
      ADD_FAILURE() << "sample " << i << " (frame " << i / 2 << ", channel " << i % 2 << "): played "
                    << played[i] << ", expected " << ref.Output()[i];
  }
  EXPECT_EQ(mismatches, 0u);
  RecordProperty("near_ties", int(ties));

  // The tap sees every captured buffer whole, in order, with the
  // recording's extremes.
  std::vector<Extremes> seen = tap.Buffers();
  ASSERT_GT(seen.size(), wholeBuffers);
  for (uint32_t size : tap.Sizes()) EXPECT_EQ(size, kBufferFrames);
  for (uint32_t rate : tap.Rates()) EXPECT_EQ(rate, 44100u);
  for (size_t b = 0; b < wholeBuffers; ++b)
    EXPECT_EQ(seen[b], ExtremesOf(&input[b * kBufferFrames * 2], kBufferFrames, 2)) << "buffer " << b;
}

}  // namespace
}  // namespace tavrel
