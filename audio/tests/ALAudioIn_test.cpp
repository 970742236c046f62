#include "platform/wave/wave.h"

#include "audio/ALAudioIn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "audio/tests/reset_failures.h"
#include "audio/tests/sink_log.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/messages.h"
#include "platform/wave/fake_backend.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

std::vector<std::string> Functions(const std::vector<WaveCall>& calls) {
  std::vector<std::string> out;
  for (auto& c : calls) out.push_back(c.function);
  return out;
}

size_t CountOf(const std::vector<WaveCall>& calls, const std::string& f) {
  size_t n = 0;
  for (auto& c : calls) n += f == c.function;
  return n;
}

template <class F>
bool Eventually(F done) {
  return test::WaitUntil(done);
}

struct CaptureFixture : testing::Test {
  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
  SinkLog log;
  ComponentPtr<TComponent> sinkOwner = TComponent::CreateUnowned<TComponent>();
  ComponentPtr<TALAudioIn> in;
  std::unique_ptr<TALOWAudioSinkPin> sink;
  std::vector<std::string> errors;

  CaptureFixture() {
    fake->SetDevices(WaveDirection::In, {{"Mic A", "a", 0}, {"Mic B", "b", 1}, {"Line C", "c", 2}});
    in = TComponent::CreateUnowned<TALAudioIn>();
    in->SetName("ALAudioIn1");
    in->AudioFormat()->SetSampleRate(44100);
    in->AudioFormat()->SetBufferSize(512);
    sink = std::make_unique<TALOWAudioSinkPin>(sinkOwner.get(), nullptr, log.Event());
    in->OutputPin()->Connect(sink.get());
  }
  ~CaptureFixture() override {
    in.reset();
    sink.reset();
  }
  void HandleErrors() {
    in->OnError = TSLErrorEvent([this](TObject*, const std::string& text, int32_t code, bool& handled) {
      errors.push_back(FormatSLError(text, code));
      handled = true;
    });
  }
  std::vector<uint8_t> Expected(uint64_t firstByte, size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = FakeWaveBackend::CaptureByte(firstByte + i);
    return v;
  }
};

TEST_F(CaptureFixture, ComponentMadeInCodeStaysStopped) {
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_TRUE(fake->Calls().empty());
}

TEST_F(CaptureFixture, StartOpensTheDeviceAndQueuesFortyBuffers) {
  struct Case {
    const char* name;
    uint32_t device, flags;
  };
  for (const Case& c : {Case{"Default", WAVE_MAPPER, 0x30002u}, Case{"Line C", 2, 0x30006u}}) {
    SCOPED_TRACE(c.name);
    fake->ClearCalls();
    in->Device()->SetDeviceName(c.name);
    in->SetEnabled(true);
    auto calls = fake->Calls();
    std::vector<WaveCall> opens, adds;
    for (auto& call : calls) {
      if (std::string(call.function) == "waveInOpen") opens.push_back(call);
      if (std::string(call.function) == "waveInAddBuffer") adds.push_back(call);
    }
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].device, c.device);
    EXPECT_EQ(opens[0].flags, c.flags);
    EXPECT_EQ(opens[0].format.rate, 44100u);
    EXPECT_EQ(opens[0].format.channels, 2);
    EXPECT_EQ(CountOf(calls, "waveInStart"), 1u);
    EXPECT_EQ(CountOf(calls, "waveInPrepareHeader"), 40u);
    ASSERT_EQ(adds.size(), 40u);
    for (auto& a : adds) {
      EXPECT_EQ(a.header->dwBufferLength, 2048u);
      EXPECT_EQ(a.result, MMSYSERR_NOERROR);
      EXPECT_TRUE(a.headerFlags & WHDR_INQUEUE);
    }
    // The format went downstream before any buffer.
    ASSERT_FALSE(log.kinds.empty());
    EXPECT_EQ(log.kinds[0], "pumprequest");
    EXPECT_EQ(log.kinds[1], "wave");
    EXPECT_EQ(log.formats.back().nSamplesPerSec, 44100u);
    in->Start();  // running: nothing more
    EXPECT_EQ(CountOf(fake->Calls(), "waveInOpen"), 1u);
    in->SetEnabled(false);
    EXPECT_EQ(fake->OpenStreams(), 0);
    log.kinds.clear();
  }
}

TEST_F(CaptureFixture, FilledBuffersGoDownInFillOrderAndAreReplaced) {
  in->SetEnabled(true);
  fake->ClearCalls();
  constexpr int kBuffers = 100;  // more than the 40 in flight
  for (int i = 0; i < kBuffers; ++i) {
    fake->Advance(512);
    ASSERT_TRUE(log.WaitBuffers(size_t(i + 1)));
  }
  for (int i = 0; i < kBuffers; ++i) EXPECT_EQ(log.buffers[i], Expected(uint64_t(i) * 2048, 2048)) << i;
  // The last replacement follows the last delivery.
  ASSERT_TRUE(Eventually([&] { return CountOf(fake->Calls(), "waveInAddBuffer") == size_t(kBuffers); }));
  auto calls = fake->Calls();
  EXPECT_EQ(CountOf(calls, "waveInAddBuffer"), size_t(kBuffers));
  EXPECT_EQ(CountOf(calls, "waveInUnprepareHeader"), size_t(kBuffers));
  // Every filled buffer is replaced before the next is handled: 40 stay queued.
  int queued = 40;
  for (auto& c : calls) {
    std::string f = c.function;
    if (f == "waveInUnprepareHeader") --queued;
    if (f == "waveInAddBuffer") ++queued;
    EXPECT_GE(queued, 39);
  }
  EXPECT_EQ(queued, 40);
}

TEST_F(CaptureFixture, StopResetsFreesClosesAndSendsAnEndStop) {
  in->SetEnabled(true);
  fake->Advance(512 * 3);
  ASSERT_TRUE(log.WaitBuffers(3));
  ASSERT_TRUE(Eventually([&] { return CountOf(fake->Calls(), "waveInAddBuffer") == 43; }));
  fake->ClearCalls();
  in->SetEnabled(false);
  std::vector<std::string> expected{"waveInReset"};
  for (int i = 0; i < 40; ++i) expected.push_back("waveInUnprepareHeader");
  expected.push_back("waveInReset");
  expected.push_back("waveInClose");
  EXPECT_EQ(Functions(fake->Calls()), expected);
  for (auto& c : fake->Calls()) EXPECT_EQ(c.result, MMSYSERR_NOERROR) << c.function;
  EXPECT_EQ(log.kinds.back(), "endstop");
  EXPECT_EQ(fake->OpenStreams(), 0);
  fake->ClearCalls();
  in->Stop();  // stopped: nothing
  EXPECT_TRUE(fake->Calls().empty());
}

// Unhandled, a failed open says which side failed, on which device (the
// one the start chose) and why, around the text and codes.
TEST_F(CaptureFixture, FailedOpenReportsOnceAndLeavesNothingOpen) {
  struct Case {
    const char* device;
    const char* reason;
    const char* message;
  };
  const Case cases[] = {
      {"Default", "No such file or directory",
       "input \"Default\": Can't open audio device. - 2 - 2 (No such file or directory)"},
      {"Line C", "", "input \"Line C\": Can't open audio device. - 2 - 2"},
      {"Mic Z", "Device or resource busy",  // not there: the mapper opens
       "input \"Default\": Can't open audio device. - 2 - 2 (Device or resource busy)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    in->Device()->SetDeviceName(c.device);
    fake->FailOpen(MMSYSERR_BADDEVICEID, c.reason);
    try {
      in->SetEnabled(true);
      ADD_FAILURE() << "started";
    } catch (const ESLException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_FALSE(in->Enabled());
    EXPECT_EQ(CountOf(fake->Calls(), "waveInAddBuffer"), 0u);
  }
  in->Device()->SetDeviceName("Default");

  HandleErrors();
  fake->FailOpen(MMSYSERR_ALLOCATED);
  in->SetEnabled(true);
  EXPECT_EQ(errors, (std::vector<std::string>{"Can't open audio device. - 4 - 4"}));
  EXPECT_EQ(fake->OpenStreams(), 0);
  // The next start opens normally.
  in->SetEnabled(false);
  in->SetEnabled(true);
  EXPECT_EQ(fake->OpenStreams(), 1);
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(CaptureFixture, FailedStartClosesTheDevice) {
  HandleErrors();
  fake->FailCall("waveInStart", MMSYSERR_ERROR);
  in->SetEnabled(true);
  EXPECT_EQ(errors, (std::vector<std::string>{"Can't start audio device. - 1 - 1"}));
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_EQ(CountOf(fake->Calls(), "waveInAddBuffer"), 0u);
}

// A reset that finds the device gone says the device failed.
TEST_F(CaptureFixture, FailedResetStillFreesAndCloses) {
  HandleErrors();
  for (const devicetest::ResetFailure& c : devicetest::kResetFailures) {
    SCOPED_TRACE(c.error);
    errors.clear();
    fake->ClearCalls();
    in->SetEnabled(true);
    fake->FailCall("waveInReset", c.result);
    in->SetEnabled(false);
    EXPECT_EQ(errors, std::vector<std::string>{c.error});
    EXPECT_EQ(CountOf(fake->Calls(), "waveInClose"), 1u);
    EXPECT_EQ(fake->OpenStreams(), 0);
  }
}

TEST_F(CaptureFixture, XrunIsRecoveredSilently) {
  HandleErrors();
  in->SetEnabled(true);
  fake->Advance(512);
  ASSERT_TRUE(log.WaitBuffers(1));
  fake->InjectXrun();
  fake->Advance(512 * 2);
  ASSERT_TRUE(log.WaitBuffers(2));
  EXPECT_GE(fake->Recoveries(), 1);
  ProcessMessages();
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(in->Enabled());
}

// The device goes away while capture runs: the queued buffers come back,
// one part filled and the rest empty. Only the recorded frames go down
// (nothing of what the pool held before), the loss is reported once while
// capture runs, and capture stops with nothing left open.
TEST_F(CaptureFixture, ALostDeviceIsReportedOnceWhileRunningAndOnlyRecordedFramesGoDown) {
  HandleErrors();
  in->SetEnabled(true);
  fake->Advance(512);
  ASSERT_TRUE(log.WaitBuffers(1));
  const uint64_t transfers = fake->Transfers();
  fake->Advance(128);  // two periods into the second buffer
  ASSERT_TRUE(Eventually([&] { return fake->Transfers() >= transfers + 2; }));
  fake->LoseDevices();
  ASSERT_TRUE(Eventually([&] {
    ProcessMessages();  // the report comes on the GUI thread
    return !errors.empty();
  }));
  EXPECT_EQ(errors, (std::vector<std::string>{"Audio device failed. - 6 - 6"}));
  EXPECT_FALSE(in->Enabled());
  EXPECT_FALSE(in->EnablePin()->Value());
  EXPECT_EQ(fake->OpenStreams(), 0);
  {
    std::lock_guard lock(log.mutex);
    // The part-filled buffer may come back after an empty one, whose refused
    // replacement already stopped capture: then it is dropped with the rest.
    ASSERT_GE(log.buffers.size(), 1u);
    ASSERT_LE(log.buffers.size(), 2u) << "the 39 empty buffers never go down";
    EXPECT_EQ(log.buffers[0], Expected(0, 2048));
    if (log.buffers.size() == 2) {
      EXPECT_EQ(log.buffers[1], Expected(2048, 128 * 4)) << "only the recorded frames";
    }
    EXPECT_EQ(log.kinds.back(), "endstop");
  }

  // Once: the stop ended it all.
  for (int i = 0; i < 5; ++i) {
    fake->Advance(512);
    ProcessMessages();
  }
  in->SetEnabled(false);
  EXPECT_EQ(errors.size(), 1u);
  // A start finds the device again.
  const size_t before = log.BufferCount();
  in->SetEnabled(true);
  fake->Advance(512);
  ASSERT_TRUE(log.WaitBuffers(before + 1));
  in->SetEnabled(false);
  EXPECT_EQ(errors.size(), 1u) << testing::PrintToString(errors);
}

// A failure the wave thread meets counts only against the stream it met it
// on: one met on a stream a stop has closed is not charged to the stream a
// later start opened, which goes on; one met on the open stream stops it.
TEST_F(CaptureFixture, AWaveThreadFailureCountsOnlyAgainstItsOwnStream) {
  HandleErrors();
  const auto startedStream = [&] {
    uint64_t h = 0;
    for (auto& c : fake->Calls())
      if (std::string(c.function) == "waveInStart") h = c.handle;
    return HWAVEIN{h};
  };
  in->SetEnabled(true);
  const HWAVEIN first = startedStream();
  in->SetEnabled(false);
  in->SetEnabled(true);
  const HWAVEIN second = startedStream();
  ASSERT_NE(first, second);
  const auto failFromWaveThread = [&](HWAVEIN stream) {
    std::thread([&] { in->DeviceFailure("Audio device failed.", MMSYSERR_NODRIVER, stream); }).join();
    for (int i = 0; i < 5; ++i) ProcessMessages();
  };

  failFromWaveThread(first);
  EXPECT_TRUE(errors.empty()) << testing::PrintToString(errors);
  EXPECT_TRUE(in->Enabled());
  fake->Advance(512);
  ASSERT_TRUE(log.WaitBuffers(1)) << "the new stream runs on";

  failFromWaveThread(second);
  EXPECT_EQ(errors, (std::vector<std::string>{"Audio device failed. - 6 - 6"}));
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
}

// When the user stops first, the stop reports the loss, and only once.
TEST_F(CaptureFixture, ALostDeviceStoppedBeforeItsReportArrivesIsReportedOnce) {
  HandleErrors();
  in->SetEnabled(true);
  fake->LoseDevices();
  fake->Advance(64);
  ASSERT_TRUE(Eventually([&] {
    for (auto& c : fake->Calls())
      if (std::string(c.function) == "waveInAddBuffer" && c.result == MMSYSERR_NODRIVER) return true;
    return false;
  }));
  // The wave thread may still be between the refused call and its report:
  // the stop then meets the loss itself (its reset finds the device gone),
  // and the late report is dropped. Either way the loss is said once, as a
  // device that failed.
  in->SetEnabled(false);
  EXPECT_EQ(fake->OpenStreams(), 0);
  ASSERT_TRUE(Eventually([&] {
    ProcessMessages();
    return !errors.empty();
  }));
  for (int i = 0; i < 5; ++i) ProcessMessages();
  EXPECT_EQ(errors, std::vector<std::string>{"Audio device failed. - 6 - 6"});
}

// A capture that stays open and records nothing is reported as a lost
// device once the bound has passed on the backend's clock: capture stops,
// nothing stays open, and the message says why.
TEST_F(CaptureFixture, ACaptureThatRecordsNothingIsReportedLikeALostDevice) {
  std::vector<std::string> messages;
  in->OnError = TSLErrorEvent([&](TObject*, const std::string& text, int32_t code, bool& handled) {
    errors.push_back(FormatSLError(text, code));
    handled = false;  // raised: the message a user reads
  });
  in->SetEnabled(true);
  fake->Advance(512);
  ASSERT_TRUE(log.WaitBuffers(1));
  ASSERT_TRUE(Eventually([&] { return fake->TransfersWaiting() == 1; }));
  fake->AdvanceTime(kWaveCaptureSilenceLimit);
  ASSERT_TRUE(Eventually([&] {
    try {
      ProcessMessages();  // the report comes on the GUI thread
    } catch (const ESLException& e) {
      messages.push_back(e.what());
    }
    return !errors.empty();
  }));
  EXPECT_EQ(errors, std::vector<std::string>{"Audio device failed. - 6 - 6"});
  EXPECT_EQ(messages, std::vector<std::string>{
                          "input \"Default\": Audio device failed. - 6 - 6 (nothing recorded for 2 s)"});
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_EQ(log.kinds.back(), "endstop");
}

// Every queued buffer the driver refuses is said: at the start (nothing
// stays open) and while capture runs (it stops).
TEST_F(CaptureFixture, RefusedBuffersAreReported) {
  HandleErrors();
  fake->FailCall("waveInAddBuffer", MMSYSERR_NOMEM, 1);
  fake->FailCall("waveInPrepareHeader", MMSYSERR_INVALPARAM, 1);
  // Each buffer is prepared, then added: the prepare fails first.
  for (const char* expected : {"Can't start audio device. - 11 - b", "Can't start audio device. - 7 - 7"}) {
    errors.clear();
    in->SetEnabled(true);
    EXPECT_EQ(errors, std::vector<std::string>{expected});
    EXPECT_EQ(fake->OpenStreams(), 0);
    in->SetEnabled(false);
  }

  in->SetEnabled(true);
  errors.clear();
  fake->FailCall("waveInAddBuffer", MMSYSERR_NOMEM, 1);
  fake->Advance(512);
  ASSERT_TRUE(Eventually([&] {
    ProcessMessages();
    return !errors.empty();
  }));
  EXPECT_EQ(errors, (std::vector<std::string>{"Audio device failed. - 7 - 7"}));
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
}

// Rates and buffer sizes no device takes (and whose buffers could take the
// machine's memory) are refused before anything is sent, opened or
// allocated; values that came from stored form data included.
TEST_F(CaptureFixture, ImpossibleSizesAreRefusedBeforeAnythingOpens) {
  struct Case {
    uint32_t rate, frames;
    const char* error;
  };
  const Case cases[] = {
      {4000000000u, 512, "Sample rate out of range: 4000000000 per second, at most 384000. - 32 - 20"},
      {384001, 512, "Sample rate out of range: 384001 per second, at most 384000. - 32 - 20"},
      {0, 512, "Sample rate out of range: 0 per second, at most 384000. - 32 - 20"},
      {44100, 0xFFFFFFFFu, "Buffer size out of range: 4294967295 frames, at most 44100. - 11 - b"},
      {44100, 44101, "Buffer size out of range: 44101 frames, at most 44100. - 11 - b"},
      {8000, 8193, "Buffer size out of range: 8193 frames, at most 8192. - 11 - b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + " / " + std::to_string(c.frames));
    in->AudioFormat()->SetSampleRate(c.rate);
    in->AudioFormat()->SetBufferSize(c.frames);
    log.kinds.clear();
    fake->ClearCalls();
    try {
      in->SetEnabled(true);
      ADD_FAILURE() << "started";
    } catch (const ESLException& e) {
      EXPECT_EQ(e.what(), "input \"Default\": " + std::string(c.error));
    }
    EXPECT_TRUE(fake->Calls().empty());
    EXPECT_TRUE(log.kinds.empty()) << "nothing sent downstream";
    EXPECT_EQ(fake->OpenStreams(), 0);
    EXPECT_FALSE(in->Enabled());
  }
  // The largest that may: a second of audio, or 8192 frames at low rates.
  HandleErrors();
  for (auto [rate, frames] : {std::pair{384000u, 384000u}, std::pair{8000u, 8192u}}) {
    in->AudioFormat()->SetSampleRate(rate);
    in->AudioFormat()->SetBufferSize(frames);
    in->SetEnabled(true);
    EXPECT_EQ(fake->OpenStreams(), 1);
    in->SetEnabled(false);
  }
  EXPECT_TRUE(errors.empty());
}

// What a sink raises on the way (out of memory, say) leaves the Enabled
// setter only as this component's error, with nothing open.
TEST_F(CaptureFixture, AStartThatMeetsAnExceptionClosesAndReportsIt) {
  ComponentPtr<TComponent> owner = TComponent::CreateUnowned<TComponent>();
  TALOWAudioSinkPin failing(owner.get(), nullptr,
                            TSLOperationEvent([](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState) {
                              if (dynamic_cast<TOWStartWaveOperation*>(op->Instance())) throw std::bad_alloc();
                              return TOWNotifyResult{};
                            }));
  in->OutputPin()->Connect(&failing);
  try {
    in->SetEnabled(true);
    ADD_FAILURE() << "started";
  } catch (const ESLException& e) {
    EXPECT_STREQ(e.what(), "input \"Default\": Can't start audio device. Out of memory - 7 - 7");
  }
  EXPECT_FALSE(in->Enabled());
  EXPECT_EQ(fake->OpenStreams(), 0);
  HandleErrors();
  in->SetEnabled(true);
  EXPECT_EQ(errors, (std::vector<std::string>{"Can't start audio device. Out of memory - 7 - 7"}));
  EXPECT_EQ(fake->OpenStreams(), 0);
  in->OutputPin()->DisconnectFrom(&failing);
}

// A quick stop and start while records of the first run may still be
// queued; and stops while buffers arrive. Run under the sanitizers.
TEST_F(CaptureFixture, StopStartLoopsWhileBuffersArrive) {
  HandleErrors();
  std::atomic<bool> done{false};
  std::thread driver([&] {
    while (!done) {
      fake->Advance(512);
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 30; ++i) {
    in->SetEnabled(true);
    if (i % 3 == 0) in->AudioFormat()->SetSampleRate(i % 2 ? 22050 : 44100);
    in->SetEnabled(false);
  }
  in->SetEnabled(true);
  size_t before = log.BufferCount();
  ASSERT_TRUE(log.WaitBuffers(before + 5));
  done = true;
  driver.join();
  in->SetEnabled(false);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(fake->OpenStreams(), 0);
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST_F(CaptureFixture, ComponentReadFromFormDataStartsOnceLoaded) {
  auto form = TComponent::CreateUnowned<TComponent>();
  ReadRootComponent(*form, ObjectTextToBinary(R"(object Form1: TComponent
  object ALAudioIn2: TALAudioIn
    Device.DeviceName = 'Line C'
    AudioFormat.Bits = 24
    AudioFormat.Channels = 1
  end
end
)"));
  std::vector<WaveCall> opens, adds;
  for (auto& c : fake->Calls()) {
    if (std::string(c.function) == "waveInOpen") opens.push_back(c);
    if (std::string(c.function) == "waveInAddBuffer") adds.push_back(c);
  }
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].device, 2u);
  EXPECT_EQ(opens[0].flags, 0x30006u);
  EXPECT_EQ(opens[0].format.channels, 1);
  EXPECT_EQ(opens[0].format.containerBits, 24);
  ASSERT_EQ(adds.size(), 40u);
  EXPECT_EQ(adds[0].header->dwBufferLength, 1024u * 3);
  form.reset();  // destroys the capture, which stops it
  EXPECT_EQ(fake->OpenStreams(), 0);
}

}  // namespace
}  // namespace tavrel
