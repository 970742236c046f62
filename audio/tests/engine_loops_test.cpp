// The stored graph started and stopped again and again the way the window
// does it, with device, sample-rate and buffer-size changes in between: on
// the fake backend (where every byte played is checked) and on ALSA's null
// PCMs (real driver threads at full speed).
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

// The window's audio control over the stored graph; message runs stand in
// for its waits.
class AudioControl {
 public:
  explicit AudioControl(TapLog& tap) : g(LoadStoredGraph(tap.Handler())) {}

  void StartAudio() {
    SetProp(*g->ALAudioOut1(), "Enabled", true);
    ProcessMessages();
    SetProp(*g->ALAudioIn1(), "Enabled", true);
    ProcessMessages();
  }
  void StopAudio() {
    SetProp(*g->ALAudioIn1(), "Enabled", false);
    ProcessMessages();
    SetProp(*g->ALAudioOut1(), "Enabled", false);
    ProcessMessages();
  }
  bool IsAudioRunning() { return g->ALAudioIn1()->Enabled(); }
  void SetSampleRate(uint32_t rate) {
    bool running = IsAudioRunning();
    if (running) StopAudio();
    g->ALAudioIn1()->AudioFormat()->SetSampleRate(rate);
    ProcessMessages();
    if (running) StartAudio();
  }
  void SetBufferSize(uint32_t frames) {
    bool running = IsAudioRunning();
    if (running) StopAudio();
    g->ALAudioIn1()->AudioFormat()->SetBufferSize(frames);
    ProcessMessages();
    if (running) StartAudio();
  }
  // Device names take effect at the next start.
  void SelectDevices(const std::string& in, const std::string& out) {
    g->ALAudioIn1()->Device()->SetDeviceName(in);
    g->ALAudioOut1()->Device()->SetDeviceName(out);
    ProcessMessages();
  }

  ComponentPtr<TStoredGraphForm> g;
};

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
    std::vector<char> all = fake->Played();
    std::vector<char> played(all.begin() + long(playedBefore), all.end());
    ASSERT_GE(played.size(), bytes);
    std::vector<char> captured(played.size());
    for (size_t k = 0; k < captured.size(); ++k) captured[k] = char(FakeWaveBackend::CaptureByte(k));
    std::vector<int16_t> input = Samples(captured, captured.size() / 2);
    LowPassReference ref(input, 2, 1500.0, s.rate);
    std::vector<int16_t> got = Samples(played, input.size());
    size_t mismatches = 0;
    for (size_t i = 0; i < got.size(); ++i)
      if (got[i] != ref.Output()[i] && !(ref.NearTie(i) && std::abs(got[i] - ref.Output()[i]) == 1)) ++mismatches;
    EXPECT_EQ(mismatches, 0u) << "of " << got.size() << " samples";
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
  const char* silence = "Tavrel silence, a description l";
  const Step steps[] = {
      {"Default", "Default", 44100, 512, true}, {silence, silence, 22050, 512, false},
      {silence, "Default", 48000, 32, true},    {"Default", silence, 8000, 1024, false},
      {silence, silence, 44100, 256, true},     {"Default", "Default", 192000, 4096, false},
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
