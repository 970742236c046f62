#include "platform/wave/wave.h"

#include "audio/ALAudioOut.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "audio/tests/reset_failures.h"
#include "framework/tests/pins_testing.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/messages.h"
#include "platform/wave/fake_backend.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

using testing_pins::TClockSink;

template <class F>
bool Eventually(F done, bool pumpMessages = false) {
  return test::WaitUntil(done, [pumpMessages] {
    if (pumpMessages) ProcessMessages();
  });
}

size_t CountOf(const std::vector<WaveCall>& calls, const std::string& f) {
  size_t n = 0;
  for (auto& c : calls) n += f == c.function;
  return n;
}

TALWaveFormatExtensible Stereo16(uint32_t rate) {
  TALWaveFormatExtensible f{};
  f.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  f.nChannels = 2;
  f.nSamplesPerSec = rate;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = rate * 4;
  f.wBitsPerSample = 16;
  f.cbSize = 22;
  f.wValidBitsPerSample = 16;
  f.dwChannelMask = 3;
  std::memcpy(f.SubFormat, kPCMSubFormat, 16);
  return f;
}

// A source pin standing in for the filter upstream of the playback.
struct PlaybackFixture : testing::Test {
  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
  ComponentPtr<TComponent> sourceOwner = TComponent::CreateUnowned<TComponent>();
  std::unique_ptr<TALOWAudioSourcePin> source;
  ComponentPtr<TALAudioOut> out;
  std::vector<std::string> errors;
  std::vector<uint8_t> sent;  // every byte sent, in order
  uint32_t rate = 44100;
  uint64_t byteCounter = 0;

  PlaybackFixture() {
    fake->SetDevices(WaveDirection::Out, {{"Out A", "a", 0}, {"Out B", "b", 1}});
    out = TComponent::CreateUnowned<TALAudioOut>();
    out->SetName("ALAudioOut1");
    source = std::make_unique<TALOWAudioSourcePin>(sourceOwner.get(), nullptr, nullptr, TSLOperationEvent{});
    source->Connect(out->InputPin());
  }
  ~PlaybackFixture() override {
    out.reset();
    source.reset();
  }
  void HandleErrors() {
    out->OnError = TSLErrorEvent([this](TObject*, const std::string& text, int32_t code, bool& handled) {
      errors.push_back(FormatSLError(text, code));
      handled = true;
    });
  }
  void Start(uint32_t r) {
    rate = r;
    TALWaveFormatExtensible f = Stereo16(r);
    Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&f, false);
    source->Notify(start.get());
  }
  void Buffer(uint32_t frames) {
    std::vector<uint8_t> data(size_t(frames) * 4);
    for (auto& b : data) b = uint8_t(byteCounter++ * 13 + 5);
    sent.insert(sent.end(), data.begin(), data.end());
    Ref<TALAudioBuffer> b = TALAudioBuffer::CreateData(data.data(), rate, 16, 2, frames);
    source->SubmitBuffer(*b);
  }
  // Advances the clock until everything sent has been played.
  bool PlayOut() {
    return Eventually([&] {
      if (fake->Played().size() >= sent.size()) return true;
      fake->Advance(256);
      return false;
    });
  }
};

TEST_F(PlaybackFixture, StartOpensTheDevicePaused) {
  out->Device()->SetDeviceName("Out B");
  Start(44100);
  std::vector<WaveCall> calls;
  for (auto& c : fake->Calls())
    if (std::string(c.function).rfind("waveOutGetDevCaps", 0) != 0) calls.push_back(c);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_STREQ(calls[0].function, "waveOutOpen");
  EXPECT_EQ(calls[0].device, 1u);
  EXPECT_EQ(calls[0].flags, 0x30006u);
  EXPECT_EQ(calls[0].format.rate, 44100u);
  EXPECT_STREQ(calls[1].function, "waveOutPause");
  EXPECT_EQ(fake->OpenStreams(), 1);
  out->Close();
  EXPECT_EQ(fake->OpenStreams(), 0);
}

TEST_F(PlaybackFixture, PlaybackRestartsOnceMoreThanThePrefillIsQueued) {
  struct Case {
    uint32_t frames, rate;
    size_t restartAt;  // the buffer whose write restarts the device
  };
  // 26 x 512 = 13312 > 13230 frames; 414 x 32 = 13248 > 13230; one long buffer.
  for (const Case& c : {Case{512, 44100, 26}, Case{32, 44100, 414}, Case{13231, 44100, 1}, Case{480, 48000, 31}}) {
    SCOPED_TRACE(c.frames);
    fake->ClearCalls();
    Start(c.rate);
    size_t restartAt = 0;
    for (size_t i = 1; i <= c.restartAt + 2 && !restartAt; ++i) {
      Buffer(c.frames);
      if (CountOf(fake->Calls(), "waveOutRestart") > 0) restartAt = i;
    }
    EXPECT_EQ(restartAt, c.restartAt);
    out->Close();
    sent.clear();
  }
}

TEST_F(PlaybackFixture, EverySentByteIsPlayedInOrder) {
  Start(44100);
  for (int i = 0; i < 60; ++i) {
    Buffer(512);
    if (i > 30) fake->Advance(512);
  }
  source->Stop();
  ASSERT_TRUE(PlayOut());
  auto playedChars = fake->Played();
  std::vector<uint8_t> played(playedChars.begin(), playedChars.end());
  ASSERT_GE(played.size(), sent.size());
  auto diff = std::mismatch(sent.begin(), sent.end(), played.begin());
  EXPECT_EQ(diff.first - sent.begin(), sent.end() - sent.begin()) << played.size() << " " << sent.size();
}

TEST_F(PlaybackFixture, StreamShorterThanThePrefillPlaysAtItsStop) {
  Start(44100);
  for (int i = 0; i < 3; ++i) Buffer(512);
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutRestart"), 0u);
  source->EndStop();
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutRestart"), 1u);
  ASSERT_TRUE(PlayOut());
  auto playedChars = fake->Played();
  std::vector<uint8_t> played(playedChars.begin(), playedChars.end());
  ASSERT_GE(played.size(), sent.size());
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), played.begin()));
}

TEST_F(PlaybackFixture, RateChangeWhileRunningReopensWithTheNewRate) {
  Start(44100);
  for (int i = 0; i < 30; ++i) Buffer(512);
  // The capture stops and restarts at another rate; playback was enabled
  // throughout and is toggled as the application does.
  source->EndStop();
  out->SetEnabled(false);
  out->SetEnabled(true);
  fake->ClearCalls();
  Start(22050);
  auto formats = fake->OpenedFormats();
  ASSERT_FALSE(formats.empty());
  EXPECT_EQ(formats.back().rate, 22050u);
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutOpen"), 1u);
  // The same start again while running changes nothing.
  fake->ClearCalls();
  Start(22050);
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutOpen"), 0u);
  // What follows plays unchanged (nothing of the first stream was played).
  sent.clear();
  for (int i = 0; i < 40; ++i) Buffer(256);
  source->EndStop();
  ASSERT_TRUE(PlayOut());
  auto playedChars = fake->Played();
  std::vector<uint8_t> played(playedChars.begin(), playedChars.end());
  ASSERT_GE(played.size(), sent.size());
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), played.begin()));
}

TEST_F(PlaybackFixture, DisabledStartOnlyRemembersTheFormat) {
  out->SetEnabled(false);
  Start(48000);
  Buffer(512);
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_TRUE(out->WaveFormat().has_value());
  out->SetEnabled(true);
  ASSERT_EQ(fake->OpenStreams(), 1);
  EXPECT_EQ(fake->OpenedFormats().back().rate, 48000u);
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutPause"), 1u);
  // A stop while disabled forgets it.
  out->SetEnabled(false);
  source->Stop();
  EXPECT_FALSE(out->WaveFormat().has_value());
}

TEST_F(PlaybackFixture, FailedOpenIsReportedAndLeavesNothingOpen) {
  HandleErrors();
  fake->FailOpen(MMSYSERR_ALLOCATED);
  Start(44100);
  for (int i = 0; i < 5; ++i) Buffer(512);
  EXPECT_EQ(errors, (std::vector<std::string>{"Can't open audio device. - 4 - 4"}));
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutWrite"), 0u);
  // Without a handler the error is raised to the sender, naming the side
  // and the device opened, and why.
  fake->FailOpen(MMSYSERR_ALLOCATED, "Device or resource busy");
  out->Device()->SetDeviceName("Out B");
  out->OnError = {};
  EXPECT_THROW(
      {
        try {
          out->SetEnabled(false);
          out->SetEnabled(true);
        } catch (const ESLException& e) {
          EXPECT_STREQ(e.what(), "output \"Out B\": Can't open audio device. - 4 - 4 (Device or resource busy)");
          throw;
        }
      },
      ESLException);
}

// A close whose reset fails is reported; one that finds the device gone says
// the device failed.
TEST_F(PlaybackFixture, AFailedResetOnCloseIsReported) {
  HandleErrors();
  for (const devicetest::ResetFailure& c : devicetest::kResetFailures) {
    SCOPED_TRACE(c.error);
    errors.clear();
    Start(44100);
    fake->FailCall("waveOutReset", c.result);
    out->Close();
    EXPECT_EQ(errors, std::vector<std::string>{c.error});
    EXPECT_EQ(fake->OpenStreams(), 0);
  }
}

TEST_F(PlaybackFixture, QueueEmptyIsToldOnTheGuiThread) {
  std::thread::id where;
  int calls = 0;
  out->SetOnQueueEmpty(TNotifyEvent([&](TObject*) {
    where = std::this_thread::get_id();
    ++calls;
  }));
  Start(44100);
  for (int i = 0; i < 4; ++i) Buffer(512);
  source->EndStop();
  ASSERT_TRUE(PlayOut());
  ASSERT_TRUE(Eventually([&] { return calls > 0; }, true));
  EXPECT_EQ(where, std::this_thread::get_id());
}

TEST_F(PlaybackFixture, XrunAndLostDevice) {
  HandleErrors();
  Start(44100);
  for (int i = 0; i < 30; ++i) Buffer(512);
  fake->InjectXrun();
  fake->Advance(2048);
  ASSERT_TRUE(Eventually([&] { return fake->Recoveries() >= 1; }));
  ProcessMessages();
  EXPECT_TRUE(errors.empty()) << "an xrun is recovered without a word";
  fake->LoseDevices();
  fake->Advance(512);
  for (int i = 0; i < 5; ++i) Buffer(512);  // each refused; said once
  ASSERT_TRUE(Eventually([&] { return !errors.empty(); }, true));
  EXPECT_EQ(errors, (std::vector<std::string>{"Audio device failed. - 6 - 6"}));
  EXPECT_FALSE(out->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
  for (int i = 0; i < 5; ++i) Buffer(512);  // dropped while disabled
  ProcessMessages();
  EXPECT_EQ(errors.size(), 1u);
}

// Lost while it plays out what it holds, with nothing more coming: still
// said once, and the component stops with its device closed.
TEST_F(PlaybackFixture, ALostDeviceIsReportedWhileItPlaysWithNoMoreAudioComing) {
  HandleErrors();
  Start(44100);
  for (int i = 0; i < 30; ++i) Buffer(512);
  ASSERT_EQ(CountOf(fake->Calls(), "waveOutRestart"), 1u) << "playing";
  fake->Advance(1024);
  fake->LoseDevices();
  ASSERT_TRUE(Eventually([&] { return !errors.empty(); }, true));
  EXPECT_EQ(errors, (std::vector<std::string>{"Audio device failed. - 6 - 6"}));
  EXPECT_FALSE(out->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
  for (int i = 0; i < 5; ++i) ProcessMessages();
  EXPECT_EQ(errors.size(), 1u);
  // Enabled again, a new stream plays on a new handle.
  out->SetEnabled(true);
  sent.clear();
  Start(44100);
  for (int i = 0; i < 4; ++i) Buffer(512);
  source->EndStop();
  ASSERT_TRUE(PlayOut());
  EXPECT_EQ(errors.size(), 1u);
}

// What the wave thread's work raises (here a clock sink) does not end the
// thread unseen: it reaches OnError on the GUI thread, once, and playback
// stops cleanly.
TEST_F(PlaybackFixture, AnExceptionOnTheWaveThreadReachesOnError) {
  HandleErrors();
  auto clockOwner = TComponent::CreateUnowned<TComponent>();
  TClockSink clockSink(clockOwner.get(),
                       TOWPinDispatchEvent([&](const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState, bool&) {
                         if (dynamic_cast<TOWClockOperation*>(op->Instance())) throw std::runtime_error("clock broke");
                         return TOWNotifyResult{};
                       }));
  ASSERT_TRUE(clockSink.Connect(out->ClockOutputPin()));
  Start(44100);
  for (int i = 0; i < 30; ++i) Buffer(512);
  ASSERT_TRUE(Eventually(
      [&] {
        fake->Advance(256);
        return !errors.empty();
      },
      true));
  EXPECT_EQ(errors, (std::vector<std::string>{"Audio device failed. clock broke - 1 - 1"}));
  EXPECT_FALSE(out->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
  clockSink.Disconnect();
}

// Close from this thread while the wave thread frees played buffers and
// feeds the queue. Run under the sanitizers.
TEST_F(PlaybackFixture, StartPlayCloseLoops) {
  HandleErrors();
  std::atomic<bool> done{false};
  std::thread clock([&] {
    while (!done) {
      fake->Advance(128);
      std::this_thread::yield();
    }
  });
  for (int round = 0; round < 20; ++round) {
    Start(round % 2 ? 22050 : 44100);
    for (int i = 0; i < 40; ++i) Buffer(256);
    if (round % 3 == 0) source->Stop();
    out->Close();
    ProcessMessages();
  }
  done = true;
  clock.join();
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST_F(PlaybackFixture, OlderPumpingPropertiesAreReadIntoMasterPumping) {
  ReadRootComponent(*out, ObjectTextToBinary(R"(object ALAudioOut1: TALAudioOut
  PumpPriority = 7
  EnableMasterPumping = True
  PreFillEnabled = False
  PrefillInterval = 200
end
)"));
  EXPECT_TRUE(out->MasterPumping()->Enabled());
  EXPECT_EQ(out->MasterPumping()->Priority(), 7);
  EXPECT_EQ(out->PrefillInterval(), 200u);
  std::vector<uint8_t> written = WriteRootComponent(*out);
  std::string text(written.begin(), written.end());
  for (const char* legacy : {"PumpPriority", "EnableMasterPumping", "PreFillEnabled"})
    EXPECT_EQ(text.find(legacy), std::string::npos) << legacy;
}

TEST_F(PlaybackFixture, PauseStopsFeedingAndResumeRestarts) {
  Start(44100);
  for (int i = 0; i < 30; ++i) Buffer(512);
  ASSERT_EQ(CountOf(fake->Calls(), "waveOutRestart"), 1u);
  Ref<IOWNotifyOperation> pause = MakeRef<TOWSLPauseOperation>();
  source->Notify(pause.get());
  // The pause waits in the queue behind the waiting buffers: it reaches
  // the driver once a played buffer comes back.
  ASSERT_TRUE(Eventually([&] {
    fake->Advance(64);
    return CountOf(fake->Calls(), "waveOutPause") == 2;
  }));
  Ref<IOWNotifyOperation> resume = MakeRef<TOWSLResumeOperation>();
  source->Notify(resume.get());
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutRestart"), 2u);
  source->EndStop();
  EXPECT_TRUE(PlayOut());
}

// As the graph's pump, every buffer played while the device is paused is a
// pump owed upstream: each is sent once the device runs again.
TEST_F(PlaybackFixture, BuffersPlayedWhilePausedArePumpedAtTheResume) {
  std::atomic<int> pumps{0};
  TALOWAudioSourcePin pumped(sourceOwner.get(), nullptr, nullptr,
                             TSLOperationEvent([&](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState) {
                               if (dynamic_cast<TOWMasterPumpOperation*>(op->Instance())) ++pumps;
                               return TOWNotifyResult{};
                             }));
  source->Disconnect();
  ASSERT_TRUE(pumped.Connect(out->InputPin()));
  SetProp(*out->MasterPumping(), "Enabled", true);
  SetProp(*out->MasterPumping(), "Priority", int64_t(5));
  auto request = TOWPumpRequestOperation::CreateEx(sourceOwner.get(), TOWPumpType::ptHardware, TOWPumpPriority{0},
                                                   TOWDesiredRate{1.0f});
  pumped.Notify(request.get());
  ASSERT_EQ(request->Pump, out.get());

  TALWaveFormatExtensible f = Stereo16(44100);
  Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&f, false);
  pumped.Notify(start.get());
  std::vector<uint8_t> data(512 * 4, 1);
  for (int i = 0; i < 3; ++i) pumped.SubmitBuffer(*TALAudioBuffer::CreateData(data.data(), 44100, 16, 2, 512));
  EXPECT_EQ(pumps, 3) << "one per buffer while the prefill runs";
  out->Flush();  // the three come back, played, while the device is paused
  ASSERT_TRUE(Eventually([&] { return pumps == 6; }));
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutRestart"), 0u);

  Ref<IOWNotifyOperation> resume = MakeRef<TOWSLResumeOperation>();
  pumped.Notify(resume.get());
  EXPECT_EQ(CountOf(fake->Calls(), "waveOutRestart"), 1u);
  EXPECT_EQ(pumps, 9) << "the three owed";
  pumped.Notify(resume.get());
  EXPECT_EQ(pumps, 9) << "and only once";
  out->Close();
  pumped.Disconnect();
}

TEST_F(PlaybackFixture, ClockTicksOncePerPlayedBuffer) {
  std::atomic<int> ticks{0};
  auto clockOwner = TComponent::CreateUnowned<TComponent>();
  TClockSink clockSink(clockOwner.get(),
                       TOWPinDispatchEvent([&](const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState, bool&) {
                            if (dynamic_cast<TOWClockOperation*>(op->Instance())) ++ticks;
                            return TOWNotifyResult{};
                          }));
  ASSERT_TRUE(clockSink.Connect(out->ClockOutputPin()));
  Start(44100);
  for (int i = 0; i < 30; ++i) Buffer(512);
  source->EndStop();
  ASSERT_TRUE(PlayOut());
  EXPECT_TRUE(Eventually([&] { return ticks.load() == 30; }));
  out->Close();
  clockSink.Disconnect();
}

TEST_F(PlaybackFixture, PumpRequestIsClaimedOnlyWhenMasterPumpingAllowsIt) {
  struct Case {
    bool enabled;
    int32_t priority;
    TOWPumpType type;
    int32_t requestPriority;
    bool failProbe;
    bool claimed;
  };
  const Case cases[] = {
      {false, 5, TOWPumpType::ptHardware, 0, false, false},
      {true, 5, TOWPumpType::ptHardware, 0, false, true},
      {true, 5, TOWPumpType::ptHardware, 5, false, false},
      {true, 5, TOWPumpType::ptSlave, 9, false, true},
      {true, 5, TOWPumpType::ptHardware, 0, true, false},
  };
  for (const Case& c : cases) {
    SetProp(*out->MasterPumping(), "Enabled", c.enabled);
    SetProp(*out->MasterPumping(), "Priority", int64_t(c.priority));
    if (c.failProbe) fake->FailOpen(MMSYSERR_ALLOCATED);
    fake->ClearCalls();
    auto request = TOWPumpRequestOperation::CreateEx(sourceOwner.get(), c.type, TOWPumpPriority{c.requestPriority},
                                                     TOWDesiredRate{1.0f});
    source->Notify(request.get());
    EXPECT_EQ(request->Pump == out.get(), c.claimed);
    if (c.claimed) {
      EXPECT_EQ(request->PumpPriority, c.priority);
      EXPECT_EQ(request->PumpType, TOWPumpType::ptHardware);
    }
    EXPECT_EQ(fake->OpenStreams(), 0);  // the probe never stays open
  }
}

}  // namespace
}  // namespace tavrel
