// The capture and playback components on ALSA's own null and file PCMs,
// opened by device name: start, stop, and the bytes that go through.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "audio/ALAudioIn.h"
#include "audio/ALAudioOut.h"
#include "audio/tests/engine_test_support.h"
#include "audio/tests/sink_log.h"
#include "framework/tests/pins_testing.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/wave/alsa_backend.h"

namespace tavrel {
namespace {

using namespace enginetest;

constexpr uint32_t kFrames = 512;
constexpr uint32_t kFrameBytes = 4;  // stereo, 16 bits

struct AlsaComponents : testing::Test {
  wavetest::AlsaTestConfig alsa;
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
  in->Device()->SetDeviceName("Tavrel Capture");
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
    // Reopened, the file PCM reads from its start again.
    std::vector<char> got;
    for (auto& b : log.Buffers()) {
      EXPECT_EQ(b.size(), kFrames * kFrameBytes);
      got.insert(got.end(), b.begin(), b.end());
    }
    got.resize(whole * kFrames * kFrameBytes);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), alsa.Input().begin()));
  }
  EXPECT_EQ(errors.All(), std::vector<std::string>{});
}

TEST_F(CaptureOnAlsa, DeviceThatCannotOpenIsReportedAndTheNextDeviceRuns) {
  in->Device()->SetDeviceName("Tavrel Broken");
  in->SetEnabled(true);
  ASSERT_EQ(errors.All().size(), 1u);
  EXPECT_EQ(errors.All()[0].rfind("ALAudioIn1: Can't open audio device. - ", 0), 0u) << errors.All()[0];
  EXPECT_EQ(log.BufferCount(), 0u);
  in->SetEnabled(false);
  in->Device()->SetDeviceName("Tavrel silence, a description l");
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
    TALWaveFormatExtensible f{};
    f.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 44100 * 4;
    f.wBitsPerSample = 16;
    f.cbSize = 22;
    f.wValidBitsPerSample = 16;
    f.dwChannelMask = 3;
    std::memcpy(f.SubFormat, kPCMSubFormat, 16);
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
    out->Device()->SetDeviceName("Tavrel Playback");
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
  out->Device()->SetDeviceName("Tavrel Broken");
  Start();
  ASSERT_EQ(errors.All().size(), 1u);
  EXPECT_EQ(errors.All()[0].rfind("ALAudioOut1: Can't open audio device. - ", 0), 0u) << errors.All()[0];
  for (int i = 0; i < 3; ++i) Buffer();  // nowhere to go: dropped
  source->EndStop();
  out->Device()->SetDeviceName("Tavrel Playback");
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

}  // namespace
}  // namespace tavrel
