// The stored graph started and stopped again and again the way the window
// does it, with device, sample-rate and buffer-size changes in between: on
// the fake backend (where every byte played is checked) and on ALSA's null
// PCMs (real driver threads).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "audio/tests/engine_test_support.h"
#include "audio/tests/stored_graph.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/wave/alsa_backend.h"
#include "platform/wave/fake_backend.h"

namespace tavrel {
namespace {

using namespace enginetest;

// One run of the loop: the devices and format to switch to, and how: by
// the "Activer" box (stop, change, start) or by the rate and size routines
// that restart a running audio themselves.
struct Step {
  const char* in;
  const char* out;
  uint32_t rate, frames;
  bool toggle;
};

constexpr Step kSteps[] = {
    {"Default", "Default", 44100, 512, true},   {"Mic B", "Out B", 44100, 512, false},
    {"Mic B", "Out B", 22050, 512, false},      {"Mic A", "Out A", 48000, 1024, true},
    {"Mic A", "Default", 8000, 256, false},     {"Default", "Out A", 44100, 32, false},
    {"Mic B", "Out B", 96000, 2048, true},      {"Default", "Default", 44100, 512, false},
};

void Apply(AudioControl& audio, const Step& s) {
  audio.SelectDevices(s.in, s.out);
  if (s.toggle) {
    audio.StopAudio();
    audio.g->ALAudioIn1()->AudioFormat()->SetSampleRate(s.rate);
    audio.g->ALAudioIn1()->AudioFormat()->SetBufferSize(s.frames);
    audio.StartAudio();
  } else {
    audio.SetBufferSize(s.frames);
    audio.SetSampleRate(s.rate);
  }
}

struct StoredGraphOnFake : testing::Test {
  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
  TapLog tap;
  DeviceErrors errors;
  std::unique_ptr<AudioControl> audio;

  StoredGraphOnFake() {
    fake->SetDevices(WaveDirection::In, {{"Mic A", "a", 0}, {"Mic B", "b", 1}});
    fake->SetDevices(WaveDirection::Out, {{"Out A", "a", -1}, {"Out B", "b", -1}});
    audio = std::make_unique<AudioControl>(tap);
    errors.Watch(audio->g->ALAudioIn1(), audio->g->ALAudioOut1());
  }

  static uint32_t DeviceId(const std::string& name, const std::vector<std::string>& names) {
    if (name == "Default") return WAVE_MAPPER;
    return uint32_t(std::find(names.begin(), names.end(), name) - names.begin());
  }
  WaveCall LastCall(const std::string& function) {
    WaveCall last;
    for (auto& c : fake->Calls())
      if (function == c.function) last = c;
    return last;
  }
  size_t CountOf(const std::string& function) {
    size_t n = 0;
    for (auto& c : fake->Calls()) n += function == c.function;
    return n;
  }
  // The first samples of every fake capture stream.
  static std::vector<int16_t> CapturedSamples(size_t count) {
    std::vector<char> bytes(count * 2);
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = char(FakeWaveBackend::CaptureByte(k));
    return Samples(bytes, count);
  }
  // Played since a byte count of Played(), as samples.
  std::vector<int16_t> PlayedSamples(size_t fromByte) {
    std::vector<char> all = fake->Played();
    return Samples(std::vector<char>(all.begin() + long(std::min(fromByte, all.size())), all.end()), SIZE_MAX);
  }
  // Feeds the capture one buffer at a time, each handled before the next
  // arrives (so none is dropped), until `bytes` more have been played.
  bool Flow(uint32_t frames, size_t playedBefore, size_t bytes) {
    return WaitUntil([&] {
      size_t seen = tap.Count();
      fake->Advance(frames);
      if (!WaitUntil([&] { return tap.Count() > seen; })) return true;  // a stall ends the wait; checks fail
      return fake->Played().size() >= playedBefore + bytes;
    });
  }
};

TEST_F(StoredGraphOnFake, StartStopLoopsFollowDeviceAndFormatChanges) {
  audio->g->ALAudioIn1()->Device()->SetDeviceName(kSteps[0].in);
  audio->g->ALAudioOut1()->Device()->SetDeviceName(kSteps[0].out);
  audio->StartAudio();
  for (const Step& s : kSteps) {
    SCOPED_TRACE(std::string(s.in) + " / " + s.out + " at " + std::to_string(s.rate) + ", " +
                 std::to_string(s.frames) + " frames");
    // A device change alone restarts nothing.
    const size_t opens = CountOf("waveInOpen") + CountOf("waveOutOpen");
    audio->SelectDevices(s.in, s.out);
    EXPECT_EQ(CountOf("waveInOpen") + CountOf("waveOutOpen"), opens);

    if (&s != &kSteps[0]) Apply(*audio, s);
    ASSERT_TRUE(audio->IsAudioRunning());
    tap.Clear();
    const size_t playedBefore = fake->Played().size();

    WaveCall in = LastCall("waveInOpen"), out = LastCall("waveOutOpen");
    EXPECT_EQ(in.device, DeviceId(s.in, {"Mic A", "Mic B"}));
    EXPECT_EQ(in.flags, in.device == WAVE_MAPPER ? 0x30002u : 0x30006u);
    EXPECT_EQ(in.format.rate, s.rate);
    EXPECT_EQ(out.device, DeviceId(s.out, {"Out A", "Out B"}));
    EXPECT_EQ(out.format.rate, s.rate) << "playback must reopen at the new rate";
    EXPECT_EQ(fake->OpenStreams(), 2);

    const size_t bytes = size_t(s.frames) * 4 * 8;  // eight buffers played
    ASSERT_TRUE(Flow(s.frames, playedBefore, bytes));
    for (uint32_t size : tap.Sizes()) ASSERT_EQ(size, s.frames);
    for (uint32_t rate : tap.Rates()) ASSERT_EQ(rate, s.rate);

    // Played from this start on: the low-pass, at this rate, of the
    // capture stream the fake made for this start.
    std::vector<int16_t> got = PlayedSamples(playedBefore);
    ASSERT_GE(got.size(), bytes / 2);
    LowPassReference ref(CapturedSamples(got.size()), 2, 1500.0, s.rate);
    std::vector<size_t> bad = ref.Mismatches(got);
    EXPECT_TRUE(bad.empty()) << ref.Describe(bad, got);
  }
  audio->StopAudio();
  EXPECT_EQ(fake->OpenStreams(), 1) << "a disabled playback keeps its device until the next start";
  audio.reset();
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

// Real driver threads on ALSA's null PCMs, paced as a card would be (left
// unpaced, the capture outruns the playback and its queue only grows).
TEST(StoredGraphOnAlsaNull, StartStopLoopsRunClean) {
  wavetest::AlsaTestConfig alsa;  // ALSA's default is a null PCM here
  WaveBackendScope use{std::make_shared<AlsaBackend>(AlsaPacing::WallClock)};
  TapLog tap;
  DeviceErrors errors;
  AudioControl audio(tap);
  errors.Watch(audio.g->ALAudioIn1(), audio.g->ALAudioOut1());
  // The one device of the test configuration that opens; named in any case.
  const Step steps[] = {
      {"Default", "Default", 44100, 512, true}, {"default", "DEFAULT", 22050, 512, false},
      {"DEFAULT", "Default", 48000, 32, true},  {"Default", "default", 8000, 1024, false},
      {"default", "default", 44100, 256, true}, {"Default", "Default", 192000, 4096, false},
  };
  audio.StartAudio();
  for (int round = 0; round < 3; ++round)
    for (const Step& s : steps) {
      SCOPED_TRACE(std::string(s.in) + " / " + s.out + " at " + std::to_string(s.rate));
      if (round || &s != &steps[0]) Apply(audio, s);
      tap.Clear();
      ASSERT_TRUE(WaitUntil([&] { return tap.Count() >= 8; }));
      for (uint32_t size : tap.Sizes()) ASSERT_EQ(size, s.frames);
      for (uint32_t rate : tap.Rates()) ASSERT_EQ(rate, s.rate);
    }
  audio.StopAudio();
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

// Closing the window with the audio on destroys the graph while buffers are
// on their way through it; unpaced, the null PCMs keep every thread busy.
TEST(StoredGraphOnAlsaNull, DestroyedWhileRunning) {
  wavetest::AlsaTestConfig alsa;
  WaveBackendScope use{std::make_shared<AlsaBackend>()};
  for (uint32_t frames : {512u, 32u, 4096u}) {
    SCOPED_TRACE(frames);
    TapLog tap;
    DeviceErrors errors;
    auto audio = std::make_unique<AudioControl>(tap);
    errors.Watch(audio->g->ALAudioIn1(), audio->g->ALAudioOut1());
    audio->g->ALAudioIn1()->AudioFormat()->SetBufferSize(frames);
    audio->StartAudio();
    ASSERT_TRUE(WaitUntil([&] { return tap.Count() >= 30; }));
    audio.reset();
    EXPECT_EQ(errors.All(), std::vector<std::string>{});
  }
}

// The filter boxes act on the running graph from the next buffer on: the
// low-pass switched off passes the capture through untouched, and the
// band-stop switched on (on the branch the playback does not hear) changes
// nothing that is played.
TEST_F(StoredGraphOnFake, FilterBoxesTakeEffectWithTheNextBuffer) {
  constexpr uint32_t kFrames = 512;
  constexpr size_t kFiltered = 10, kPassed = 30;
  audio->StartAudio();
  // Each buffer has been through the whole graph once the capture has
  // queued its replacement.
  auto feed = [&](size_t buffers) {
    for (size_t i = 0; i < buffers; ++i) {
      size_t adds = CountOf("waveInAddBuffer");
      fake->Advance(kFrames);
      if (!WaitUntil([&] { return CountOf("waveInAddBuffer") > adds; })) return false;
    }
    return true;
  };
  ASSERT_TRUE(feed(kFiltered));
  SetProp(*audio->g->ALLowPass1(), "Enabled", false);
  SetProp(*audio->g->ALBandStop1(), "Enabled", true);
  ASSERT_TRUE(feed(kPassed));
  SetProp(*audio->g->ALAudioIn1(), "Enabled", false);  // the stop plays out what is queued
  const size_t bytes = (kFiltered + kPassed) * kFrames * 4;
  ASSERT_TRUE(WaitUntil([&] {
    fake->Advance(kFrames);
    return fake->Played().size() >= bytes;
  }));

  std::vector<int16_t> input = CapturedSamples(bytes / 2);
  std::vector<int16_t> played = PlayedSamples(0);
  LowPassReference ref(input, 2, 1500.0, 44100.0);
  const size_t cut = kFiltered * kFrames * 2;
  std::vector<size_t> bad = ref.Mismatches(played, 0, cut);
  EXPECT_TRUE(bad.empty()) << "filtered part: " << ref.Describe(bad, played);
  EXPECT_TRUE(std::equal(input.begin() + long(cut), input.end(), played.begin() + long(cut))) << "passed part";
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

// A mono capture with an analysis handler that reads two channels: every
// call fails. The failure is the tap's to report; the low-pass and the
// playback must still get every buffer.
TEST_F(StoredGraphOnFake, FailingTapLeavesThePlaybackWhole) {
  constexpr uint32_t kFrames = 512;
  constexpr size_t kBuffers = 40;
  audio->g->TapData = [](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>&, bool&) {
    for (uint32_t i = 0; i < in->GetSize(); ++i) (void)(in->GetSample(i, 0) + in->GetSample(i, 1));
  };
  std::atomic<size_t> tapErrors{0};
  audio->g->ALGenericFilter1()->OnError =
      TSLErrorEvent([&](TObject*, const std::string&, int32_t, bool& handled) {
        ++tapErrors;
        handled = true;
      });
  audio->g->ALAudioIn1()->AudioFormat()->SetChannels(1);
  audio->StartAudio();
  for (size_t i = 0; i < kBuffers; ++i) {
    fake->Advance(kFrames);
    ASSERT_TRUE(WaitUntil([&] { return tapErrors > i; }));
  }
  SetProp(*audio->g->ALAudioIn1(), "Enabled", false);  // the stop plays out what is queued
  const size_t bytes = kBuffers * kFrames * 2;
  ASSERT_TRUE(WaitUntil([&] {
    fake->Advance(kFrames);
    return fake->Played().size() >= bytes;
  }));
  EXPECT_EQ(tapErrors, kBuffers);

  std::vector<int16_t> played = PlayedSamples(0);
  LowPassReference ref(CapturedSamples(bytes / 2), 1, 1500.0, 44100.0);
  std::vector<size_t> bad = ref.Mismatches(played);
  EXPECT_TRUE(bad.empty()) << ref.Describe(bad, played);
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

// Both devices go away while the audio runs (a USB box pulled out). Each
// component says so once, while it runs, and stops: nothing stays open. The
// window's stop and start then bring the audio back on fresh handles.
TEST_F(StoredGraphOnFake, LostDevicesAreReportedWhileRunningAndComeBackAfterStopAndStart) {
  audio->StartAudio();
  ASSERT_TRUE(Flow(512, 0, 512 * 4 * 4));
  fake->LoseDevices();
  ASSERT_TRUE(WaitUntil([&] {
    fake->Advance(512);
    return errors.All().size() >= 2 && fake->OpenStreams() == 0;
  })) << testing::PrintToString(errors.All());
  EXPECT_THAT(errors.All(), testing::UnorderedElementsAre("ALAudioIn1: Audio device failed. - 6 - 6",
                                                          "ALAudioOut1: Audio device failed. - 6 - 6"));
  EXPECT_FALSE(audio->IsAudioRunning());
  EXPECT_FALSE(audio->g->ALAudioOut1()->Enabled());
  // Once: nothing more comes of the lost devices.
  for (int i = 0; i < 20; ++i) {
    fake->Advance(512);
    ProcessMessages();
  }
  EXPECT_EQ(errors.All().size(), 2u);

  audio->StopAudio();
  audio->StartAudio();
  EXPECT_EQ(fake->OpenStreams(), 2);
  tap.Clear();
  const size_t playedBefore = fake->Played().size();
  ASSERT_TRUE(Flow(512, playedBefore, 512 * 4 * 8));
  std::vector<int16_t> got = PlayedSamples(playedBefore);
  LowPassReference ref(CapturedSamples(got.size()), 2, 1500.0, 44100.0);
  std::vector<size_t> bad = ref.Mismatches(got);
  EXPECT_TRUE(bad.empty()) << ref.Describe(bad, got);
  EXPECT_EQ(errors.All().size(), 2u);
}

TEST_F(StoredGraphOnFake, DestroyedWhileRunningClosesBothDevices) {
  audio->StartAudio();
  ASSERT_TRUE(Flow(512, 0, 512 * 4));
  EXPECT_EQ(fake->OpenStreams(), 2);
  audio.reset();
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tavrel
