// The capture and playback components on ALSA's own null and file PCMs,
// opened by device name: start, stop, and the bytes that go through.
#include <gtest/gtest.h>
#include <sys/syscall.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "audio/ALAudioIn.h"
#include "audio/ALAudioOut.h"
#include "audio/tests/engine_test_support.h"
#include "audio/tests/sink_log.h"
#include "framework/tests/pins_testing.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/tests/wave_test_support.h"
#include "platform/wave/alsa_backend.h"

namespace tavrel {
namespace {

using namespace enginetest;

constexpr uint32_t kFrames = 512;
constexpr uint32_t kFrameBytes = 4;  // stereo, 16 bits

// ALSA's default captures from and plays into the test's files; the one
// other device is on a card that is not there.
struct AlsaComponents : testing::Test {
  wavetest::AlsaTestConfig alsa{{.routes = wavetest::AlsaRoutes::Files}};
  // The file and null PCMs have no clock: paced, the capture is not outrun.
  WaveBackendScope use{std::make_shared<AlsaBackend>(AlsaPacing::WallClock)};
  DeviceErrors errors;
};

struct CaptureOnAlsa : AlsaComponents {
  SinkLog log;
  ComponentPtr<TComponent> sinkOwner = TComponent::CreateUnowned<TComponent>();
  ComponentPtr<TALAudioIn> in = TComponent::CreateUnowned<TALAudioIn>();
  std::unique_ptr<TALOWAudioSinkPin> sink =
      std::make_unique<TALOWAudioSinkPin>(sinkOwner.get(), nullptr, log.Event());

  CaptureOnAlsa() {
    in->SetName("ALAudioIn1");
    in->AudioFormat()->SetSampleRate(44100);
    in->AudioFormat()->SetBufferSize(kFrames);
    in->OutputPin()->Connect(sink.get());
    errors.Watch(in.get());
  }
  ~CaptureOnAlsa() override {
    in.reset();
    sink.reset();
  }
};

TEST_F(CaptureOnAlsa, CaptureByNameDeliversTheFileInOrderOnEveryStart) {
  in->Device()->SetDeviceName("Default");
  const size_t whole = alsa.Input().size() / (kFrames * kFrameBytes);
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    log.Clear();
    in->SetEnabled(true);
    ASSERT_TRUE(log.WaitBuffers(whole));
    in->SetEnabled(false);
    std::vector<std::string> kinds = log.Kinds();
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ(kinds[0], "pumprequest");
    EXPECT_EQ(kinds[1], "wave");
    EXPECT_EQ(kinds.back(), "endstop");
    // Reopened, the file PCM reads from its start again. Capture starts
    // before its buffers are queued, as a sound card does; what the device
    // records meanwhile waits in it, so nothing is lost however late the
    // buffers come: the file from its first byte, in order.
    std::vector<char> got;
    for (auto& b : log.Buffers()) {
      EXPECT_EQ(b.size(), kFrames * kFrameBytes);
      got.insert(got.end(), b.begin(), b.end());
    }
    const std::vector<char>& file = alsa.Input();
    ASSERT_GE(got.size(), whole * kFrames * kFrameBytes);
    got.resize(whole * kFrames * kFrameBytes);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), file.begin())) << "the file from its start, in order";
  }
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

TEST_F(CaptureOnAlsa, DeviceThatCannotOpenIsReportedAndTheNextDeviceRuns) {
  in->Device()->SetDeviceName(wavetest::kBrokenName);
  in->SetEnabled(true);
  ASSERT_EQ(errors.All().size(), 1u);
  // The card is not there: a bad device id, whatever the machine.
  EXPECT_EQ(errors.All()[0], "ALAudioIn1: Can't open audio device. - 2 - 2");
  EXPECT_EQ(log.BufferCount(), 0u);
  in->SetEnabled(false);
  in->Device()->SetDeviceName("Default");
  in->SetEnabled(true);
  EXPECT_TRUE(log.WaitBuffers(3));
  in->SetEnabled(false);
  EXPECT_EQ(errors.All().size(), 1u);
}

struct PlaybackOnAlsa : AlsaComponents {
  ComponentPtr<TComponent> sourceOwner = TComponent::CreateUnowned<TComponent>();
  std::atomic<size_t> played{0};  // the clock ticks once per played buffer
  testing_pins::TClockSink clock{
      sourceOwner.get(), TOWPinDispatchEvent([this](const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState, bool&) {
        if (dynamic_cast<TOWClockOperation*>(op->Instance())) ++played;
        return TOWNotifyResult{};
      })};
  std::unique_ptr<TALOWAudioSourcePin> source =
      std::make_unique<TALOWAudioSourcePin>(sourceOwner.get(), nullptr, nullptr, TSLOperationEvent{});
  ComponentPtr<TALAudioOut> out = TComponent::CreateUnowned<TALAudioOut>();
  std::vector<char> sent;

  PlaybackOnAlsa() {
    out->SetName("ALAudioOut1");
    source->Connect(out->InputPin());
    clock.Connect(out->ClockOutputPin());
    errors.Watch(out.get());
  }
  ~PlaybackOnAlsa() override {
    clock.Disconnect();
    out.reset();
    source.reset();
  }
  void Start() {
    TALWaveFormatExtensible f = DefaultWaveFormat();  // stereo, 16 bits
    f.nSamplesPerSec = 44100;
    f.nAvgBytesPerSec = 44100 * 4;
    Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&f, false);
    source->Notify(start.get());
  }
  void Buffer() {
    std::vector<char> data(kFrames * kFrameBytes);
    for (auto& b : data) b = char(sent.size() * 7 + (&b - data.data()) * 13 + 1);
    sent.insert(sent.end(), data.begin(), data.end());
    Ref<TALAudioBuffer> b = TALAudioBuffer::CreateData(data.data(), 44100, 16, 2, kFrames);
    source->SubmitBuffer(*b);
  }
};

TEST_F(PlaybackOnAlsa, PlaybackByNameWritesEveryBufferInOrder) {
  // Shorter than the prefill (the stop starts it), and longer.
  for (int buffers : {5, 40}) {
    SCOPED_TRACE(buffers);
    sent.clear();
    played = 0;
    out->Device()->SetDeviceName("Default");
    Start();
    for (int i = 0; i < buffers; ++i) Buffer();
    source->EndStop();
    ASSERT_TRUE(WaitUntil([&] { return played == size_t(buffers); })) << played << " of " << buffers;
    out->Close();  // flushes the file; the next start opens it anew
    std::vector<char> played = alsa.Output();
    ASSERT_GE(played.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), played.begin()));
  }
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

TEST_F(PlaybackOnAlsa, DeviceThatCannotOpenIsReportedAndTheNextDeviceRuns) {
  out->Device()->SetDeviceName(wavetest::kBrokenName);
  Start();
  ASSERT_EQ(errors.All().size(), 1u);
  // The card is not there: a bad device id, whatever the machine.
  EXPECT_EQ(errors.All()[0], "ALAudioOut1: Can't open audio device. - 2 - 2");
  for (int i = 0; i < 3; ++i) Buffer();  // nowhere to go: dropped
  source->EndStop();
  out->Device()->SetDeviceName("Default");
  Start();
  for (int i = 0; i < 3; ++i) Buffer();
  source->EndStop();
  ASSERT_TRUE(WaitUntil([&] { return played == 3u; }));
  out->Close();
  std::vector<char> played = alsa.Output();
  ASSERT_GE(played.size(), 3u * kFrames * kFrameBytes);
  EXPECT_TRUE(std::equal(sent.begin() + 3 * kFrames * kFrameBytes, sent.end(), played.begin()));
  EXPECT_EQ(errors.All().size(), 1u);
}

// A playback fed by a source pin standing in for the graph upstream, with
// its errors kept.
struct PlaybackRig {
  explicit PlaybackRig(DeviceErrors& errors) {
    out->SetName("ALAudioOut1");
    errors.Watch(out.get());
    source.Connect(out->InputPin());
  }
  ~PlaybackRig() { source.Disconnect(); }

  // A stereo 16-bit stream at 44100 per second: the format, then `buffers`
  // buffers.
  void Stream(int buffers) {
    TALWaveFormatExtensible f = DefaultWaveFormat();
    f.nSamplesPerSec = 44100;
    f.nAvgBytesPerSec = 44100 * 4;
    Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&f, false);
    source.Notify(start.get());
    std::vector<char> data(kFrames * kFrameBytes, 1);
    for (int i = 0; i < buffers; ++i)
      source.SubmitBuffer(*TALAudioBuffer::CreateData(data.data(), 44100, 16, 2, kFrames));
  }

  ComponentPtr<TComponent> owner = TComponent::CreateUnowned<TComponent>();
  TALOWAudioSourcePin source{owner.get(), nullptr, nullptr, TSLOperationEvent{}};
  ComponentPtr<TALAudioOut> out = TComponent::CreateUnowned<TALAudioOut>();
};

// Playback into a file that fails every write (a full disk): said once
// through the error path while it plays, not only on ALSA's standard
// error, and the component stops with its device closed.
TEST(PlaybackOnFullDisk, AFailedWriteIsReported) {
  wavetest::AlsaTestConfig alsa({.routes = wavetest::AlsaRoutes::FullDisk});
  WaveBackendScope use{std::make_shared<AlsaBackend>()};
  DeviceErrors errors;
  PlaybackRig playback(errors);
  playback.Stream(40);
  ASSERT_TRUE(WaitUntil([&] { return !errors.All().empty(); }));
  EXPECT_EQ(errors.All(), std::vector<std::string>{"ALAudioOut1: Audio device failed. - 6 - 6"});
  EXPECT_FALSE(playback.out->Enabled());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), 0u);
}

// Devices that block inside ALSA (a file plugin on a pipe that is never
// written, or never read) hold up neither a stop nor a start, and a stop
// takes everything back: twenty stops and starts leave the process's
// threads and descriptors where they were.
TEST(ComponentsOnStuckAlsa, StopsAndStartsLeaveNothingBehindWhenTheDeviceNeverFillsOrDrains) {
  if (!wavetest::SystemCallsVisible())
    GTEST_SKIP() << "this kernel does not show which system call a thread sleeps in "
                    "(/proc/self/task/<id>/syscall), so the test cannot tell when the pipes hold a driver";
  wavetest::AlsaTestConfig alsa({.routes = wavetest::AlsaRoutes::Fifos});
  WaveBackendScope use{std::make_shared<AlsaBackend>()};
  DeviceErrors errors;
  ComponentPtr<TALAudioIn> in = TComponent::CreateUnowned<TALAudioIn>();
  in->SetName("ALAudioIn1");
  in->AudioFormat()->SetSampleRate(44100);
  in->AudioFormat()->SetBufferSize(kFrames);
  errors.Watch(in.get());
  PlaybackRig playback(errors);
  const wavetest::Footprint before = wavetest::ProcessFootprint();

  for (int run = 0; run < 20; ++run) {
    SCOPED_TRACE(run);
    {
      HangGuard guard("a capture start");
      in->SetEnabled(true);
    }
    ASSERT_TRUE(WaitUntil([&] { return wavetest::ThreadsSleepingIn("waveIn ", SYS_read) == 1; }));
    {
      HangGuard guard("a capture stop");
      in->SetEnabled(false);
    }
  }
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    {
      HangGuard guard("a playback start");
      playback.Stream(64);  // more than the pipe holds: many wait in the playback's queue
      playback.source.EndStop();
    }
    ASSERT_TRUE(WaitUntil([&] { return wavetest::ThreadsSleepingIn("waveOut ", SYS_write) == 1; }));
    {
      HangGuard guard("a playback close");
      playback.out->Close();
    }
  }
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
  EXPECT_TRUE(wavetest::FootprintReturnsTo(before))
      << wavetest::ProcessFootprint() << ", at first " << before;
  EXPECT_EQ(WaveRegistry::DriversLeftBehind(), 0u);
}

// A capture that stays open and records nothing (a pipe whose writer never
// writes) is reported like a lost device once the bound has passed, and
// stops with everything closed.
TEST(ComponentsOnStuckAlsa, ACaptureThatRecordsNothingIsReportedAndStops) {
  wavetest::AlsaTestConfig alsa({.routes = wavetest::AlsaRoutes::Fifos});
  WaveBackendScope use{std::make_shared<AlsaBackend>()};
  DeviceErrors errors;
  ComponentPtr<TALAudioIn> in = TComponent::CreateUnowned<TALAudioIn>();
  in->SetName("ALAudioIn1");
  errors.Watch(in.get());
  const wavetest::Footprint before = wavetest::ProcessFootprint();
  in->SetEnabled(true);
  ASSERT_TRUE(WaitUntil([&] {
    ProcessMessages();  // the report comes on the GUI thread
    return !errors.All().empty();
  }));
  EXPECT_EQ(errors.All(), std::vector<std::string>{"ALAudioIn1: Audio device failed. - 6 - 6"});
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), 0u);
  EXPECT_TRUE(wavetest::FootprintReturnsTo(before))
      << wavetest::ProcessFootprint() << ", at first " << before;
}

// A capture whose open waits for a writer that never comes fails at the
// bound and says so; once the writer comes, the late open is closed and its
// thread ends: nothing is left of it.
TEST(ComponentsOnStuckAlsa, AnOpenThatWaitsIsReportedAndLeavesNothingBehind) {
  wavetest::AlsaTestConfig alsa({.routes = wavetest::AlsaRoutes::FifoNoWriter});
  WaveBackendScope use{std::make_shared<AlsaBackend>()};
  ComponentPtr<TALAudioIn> in = TComponent::CreateUnowned<TALAudioIn>();
  in->SetName("ALAudioIn1");
  const wavetest::Footprint before = wavetest::ProcessFootprint();
  {
    HangGuard guard("a capture start");
    try {
      in->SetEnabled(true);
      ADD_FAILURE() << "started";
    } catch (const ESLException& e) {
      EXPECT_STREQ(e.what(), "input \"Default\": Can't open audio device. - 1 - 1 "
                             "(the device did not open within 2 s)");
    }
  }
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), 0u);
  alsa.OpenFifoWriter();
  ASSERT_TRUE(WaitUntil([&] { return WaveRegistry::OpensLeftBehind() == 0; }));
  alsa.ReleaseFifos();
  EXPECT_TRUE(wavetest::FootprintReturnsTo(before))
      << wavetest::ProcessFootprint() << ", at first " << before;
}

}  // namespace
}  // namespace tavrel
