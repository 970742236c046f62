// The wave calls' rules on the fake backend: call log and flags, queues,
// pause and restart, xrun, lost device, open failure, result codes, and
// start/stop loops for the sanitizers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/tests/wave_test_support.h"
#include "platform/wave/fake_backend.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

using wavetest::Buffer;
using wavetest::Format;
using wavetest::Sink;

constexpr std::uint32_t kFlagsNamed = CALLBACK_FUNCTION | WAVE_ALLOWSYNC | WAVE_MAPPED;
constexpr std::uint32_t kPeriodBytes = FakeWaveBackend::kPeriodFrames * 4;  // stereo 16-bit

std::vector<char> Pattern(std::uint64_t from, std::size_t bytes) {
  std::vector<char> out(bytes);
  for (std::size_t k = 0; k < bytes; ++k) out[k] = char(FakeWaveBackend::CaptureByte(from + k));
  return out;
}

class WaveFake : public testing::Test {
 protected:
  WaveFake() {
    fake->SetDevices(WaveDirection::In,
                     {{"Line In", "line", 0}, {"Mic", "mic", 1}, {"USB Headset", "usb", 2}});
    fake->SetDevices(WaveDirection::Out, {{"Speakers", "spk", 0}, {"USB Headset", "usb", 2}});
  }

  // Advances the clock a period at a time until `done` holds (bounded, so a
  // fault fails the test instead of hanging it).
  template <class Pred>
  bool RunClockUntil(Pred done) {
    for (int i = 0; i < 20000; ++i) {
      if (done()) return true;
      fake->Advance(FakeWaveBackend::kPeriodFrames);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return done();
  }

  HWAVEIN OpenIn(std::uint32_t id = 1, std::uint32_t flags = kFlagsNamed) {
    HWAVEIN h{};
    EXPECT_EQ(waveInOpen(&h, id, &fmt.Format, Sink::In, sink.Instance(), flags), 0u);
    return h;
  }
  HWAVEOUT OpenOut(std::uint32_t id = 0) {
    HWAVEOUT h{};
    EXPECT_EQ(waveOutOpen(&h, id, &fmt.Format, Sink::Out, sink.Instance(), kFlagsNamed), 0u);
    return h;
  }

  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
  Sink sink;
  WAVEFORMATEXTENSIBLE fmt = Format(44100, 2, 16);
};

TEST_F(WaveFake, CaptureStartAndStopLogTheirCallsAndFlags) {
  HWAVEIN h = OpenIn(1);
  Buffer bufs[3] = {Buffer(kPeriodBytes), Buffer(kPeriodBytes), Buffer(kPeriodBytes)};
  for (auto& b : bufs) {
    ASSERT_EQ(waveInPrepareHeader(h, &b.hdr, sizeof b.hdr), 0u);
    EXPECT_EQ(b.hdr.dwFlags, WHDR_PREPARED);
    ASSERT_EQ(waveInAddBuffer(h, &b.hdr, sizeof b.hdr), 0u);
    EXPECT_EQ(b.hdr.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
  }
  ASSERT_EQ(waveInStart(h), 0u);
  fake->Advance(2 * FakeWaveBackend::kPeriodFrames);
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 2));
  ASSERT_EQ(waveInReset(h), 0u);
  EXPECT_EQ(sink.Count(WIM_DATA), 3u) << "reset hands back the queued header before returning";
  EXPECT_EQ(sink.Headers(WIM_DATA), (std::vector<WAVEHDR*>{&bufs[0].hdr, &bufs[1].hdr, &bufs[2].hdr}));
  for (auto& m : sink.Messages())
    if (m.msg == WIM_DATA) {
      EXPECT_EQ(m.flags, WHDR_DONE | WHDR_PREPARED);
    }
  EXPECT_EQ(bufs[0].hdr.dwBytesRecorded, kPeriodBytes);
  EXPECT_EQ(bufs[2].hdr.dwBytesRecorded, 0u);
  EXPECT_EQ(bufs[0].data, Pattern(0, kPeriodBytes));
  EXPECT_EQ(bufs[1].data, Pattern(kPeriodBytes, kPeriodBytes));
  for (auto& b : bufs) {
    ASSERT_EQ(waveInUnprepareHeader(h, &b.hdr, sizeof b.hdr), 0u);
    EXPECT_EQ(b.hdr.dwFlags, WHDR_DONE);
  }
  EXPECT_EQ(waveInReset(h), 0u);
  EXPECT_EQ(waveInClose(h), 0u);

  auto messages = sink.Messages();
  EXPECT_EQ(messages.front().msg, WIM_OPEN);
  EXPECT_EQ(messages.back().msg, WIM_CLOSE);
  for (auto& m : messages) EXPECT_EQ(m.handle, std::uint64_t(h));

  std::vector<std::string> names;
  for (auto& c : fake->Calls()) names.push_back(c.function);
  std::vector<std::string> expected = {"waveInOpen"};
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), {"waveInPrepareHeader", "waveInAddBuffer"});
  expected.insert(expected.end(), {"waveInStart", "waveInReset"});
  for (int i = 0; i < 3; ++i) expected.push_back("waveInUnprepareHeader");
  expected.insert(expected.end(), {"waveInReset", "waveInClose"});
  EXPECT_EQ(names, expected);
  auto open = fake->Calls().front();
  EXPECT_EQ(open.flags, 0x30006u);
  EXPECT_EQ(open.device, 1u);
  EXPECT_EQ(open.format.rate, 44100u);
  EXPECT_EQ(open.format.channels, 2);
  EXPECT_EQ(open.format.containerBits, 16);
  EXPECT_EQ(fake->Calls()[2].headerFlags, WHDR_PREPARED | WHDR_INQUEUE);
}

TEST_F(WaveFake, FortyBuffersInFlightFillInOrderWithoutGaps) {
  constexpr std::size_t kBytes = 512 * 4;
  HWAVEIN h = OpenIn(WAVE_MAPPER, CALLBACK_FUNCTION | WAVE_ALLOWSYNC);
  std::vector<std::unique_ptr<Buffer>> bufs;
  for (int i = 0; i < 40; ++i) {
    bufs.push_back(std::make_unique<Buffer>(kBytes));
    waveInPrepareHeader(h, &bufs.back()->hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveInAddBuffer(h, &bufs.back()->hdr, sizeof(WAVEHDR)), 0u);
  }
  ASSERT_EQ(waveInStart(h), 0u);
  fake->Advance(40 * 512);
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 40));
  auto done = sink.Headers(WIM_DATA);
  for (std::size_t i = 0; i < 40; ++i) {
    ASSERT_EQ(done[i], &bufs[i]->hdr);
    EXPECT_EQ(bufs[i]->data, Pattern(i * kBytes, kBytes)) << "buffer " << i;
  }
  EXPECT_EQ(waveInReset(h), 0u);
  for (auto& b : bufs) waveInUnprepareHeader(h, &b->hdr, sizeof(WAVEHDR));
  EXPECT_EQ(waveInClose(h), 0u);
  EXPECT_EQ(fake->Calls().front().flags, 0x30002u);
}

std::vector<std::unique_ptr<Buffer>> Numbered(int count, std::size_t bytes) {
  std::vector<std::unique_ptr<Buffer>> bufs;
  for (int i = 0; i < count; ++i) {
    bufs.push_back(std::make_unique<Buffer>(bytes));
    for (std::size_t k = 0; k < bytes; ++k) bufs.back()->data[k] = char(i * 31 + k);
  }
  return bufs;
}

TEST_F(WaveFake, PlaybackPausedFeedsNothingAndRestartPlaysInOrder) {
  HWAVEOUT h = OpenOut();
  ASSERT_EQ(waveOutPause(h), 0u);
  EXPECT_EQ(waveOutPause(h), 0u) << "pausing twice has no effect";
  auto bufs = Numbered(5, 3 * kPeriodBytes / 2);  // headers straddle device periods
  std::vector<char> expected;
  for (auto& b : bufs) {
    waveOutPrepareHeader(h, &b->hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveOutWrite(h, &b->hdr, sizeof(WAVEHDR)), 0u);
    expected.insert(expected.end(), b->data.begin(), b->data.end());
  }
  fake->Advance(10 * FakeWaveBackend::kPeriodFrames);
  EXPECT_TRUE(fake->Played().empty());
  EXPECT_EQ(sink.Count(WOM_DONE), 0u);

  ASSERT_EQ(waveOutRestart(h), 0u);
  ASSERT_TRUE(RunClockUntil([&] { return fake->Played().size() >= expected.size(); }));
  EXPECT_EQ(fake->Played(), expected);
  ASSERT_TRUE(sink.WaitFor(WOM_DONE, 5));
  auto done = sink.Headers(WOM_DONE);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(done[i], &bufs[i]->hdr);
  for (auto& b : bufs) EXPECT_EQ(b->hdr.dwFlags, WHDR_DONE | WHDR_PREPARED);
  for (auto& b : bufs) EXPECT_EQ(waveOutUnprepareHeader(h, &b->hdr, sizeof(WAVEHDR)), 0u);
  EXPECT_EQ(waveOutClose(h), 0u);
  EXPECT_EQ(sink.Messages().back().msg, WOM_CLOSE);
}

TEST_F(WaveFake, PlaybackResetReturnsQueuedHeadersAndStaysPaused) {
  HWAVEOUT h = OpenOut();
  waveOutPause(h);
  auto bufs = Numbered(3, kPeriodBytes);
  for (auto& b : bufs) {
    waveOutPrepareHeader(h, &b->hdr, sizeof(WAVEHDR));
    waveOutWrite(h, &b->hdr, sizeof(WAVEHDR));
  }
  ASSERT_EQ(waveOutReset(h), 0u);
  EXPECT_EQ(sink.Count(WOM_DONE), 3u);
  for (auto& b : bufs) EXPECT_EQ(b->hdr.dwFlags, WHDR_DONE | WHDR_PREPARED);

  // Still paused: a new header is queued, not played.
  waveOutWrite(h, &bufs[0]->hdr, sizeof(WAVEHDR));
  fake->Advance(10 * FakeWaveBackend::kPeriodFrames);
  EXPECT_TRUE(fake->Played().empty());
  EXPECT_EQ(waveOutClose(h), WAVERR_STILLPLAYING);
  waveOutReset(h);
  EXPECT_EQ(waveOutClose(h), 0u);
}

TEST_F(WaveFake, PlaybackHeadersNeedNotHoldWholeFrames) {
  HWAVEOUT h = OpenOut();
  waveOutPause(h);
  Buffer bufs[3] = {Buffer(6, 'a'), Buffer(10, 'b'), Buffer(3, 'c')};
  for (auto& b : bufs) {
    waveOutPrepareHeader(h, &b.hdr, sizeof b.hdr);
    waveOutWrite(h, &b.hdr, sizeof b.hdr);
  }
  waveOutRestart(h);
  ASSERT_TRUE(sink.WaitFor(WOM_DONE, 3)) << "a trailing part frame does not block the queue";
  ASSERT_TRUE(RunClockUntil([&] { return fake->Played().size() >= 16; }));
  auto played = fake->Played();
  EXPECT_EQ(std::string(played.begin(), played.end()), "aaaaaabbbbbbbbbb");
  EXPECT_EQ(waveOutClose(h), 0u);
}

TEST_F(WaveFake, XrunIsRecoveredSilently) {
  HWAVEIN in = OpenIn();
  HWAVEOUT out = OpenOut();
  Buffer cap[4] = {Buffer(kPeriodBytes), Buffer(kPeriodBytes), Buffer(kPeriodBytes),
                   Buffer(kPeriodBytes)};
  for (auto& b : cap) {
    waveInPrepareHeader(in, &b.hdr, sizeof b.hdr);
    waveInAddBuffer(in, &b.hdr, sizeof b.hdr);
  }
  auto play = Numbered(4, kPeriodBytes);
  std::vector<char> expected;
  for (auto& b : play) expected.insert(expected.end(), b->data.begin(), b->data.end());
  waveOutPrepareHeader(out, &play[0]->hdr, sizeof(WAVEHDR));
  waveOutWrite(out, &play[0]->hdr, sizeof(WAVEHDR));
  waveInStart(in);
  fake->Advance(FakeWaveBackend::kPeriodFrames);
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 1));
  ASSERT_TRUE(sink.WaitFor(WOM_DONE, 1));

  fake->InjectXrun();
  for (std::size_t i = 1; i < 4; ++i) {
    waveOutPrepareHeader(out, &play[i]->hdr, sizeof(WAVEHDR));
    waveOutWrite(out, &play[i]->hdr, sizeof(WAVEHDR));
  }
  ASSERT_TRUE(RunClockUntil([&] {
    return sink.Count(WIM_DATA) == 4 && fake->Played().size() >= expected.size();
  }));
  EXPECT_EQ(fake->Recoveries(), 2);
  EXPECT_EQ(fake->Played(), expected);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(cap[i].data, Pattern(i * kPeriodBytes, kPeriodBytes));
  ASSERT_TRUE(sink.WaitFor(WOM_DONE, 4));
  waveInReset(in);
  EXPECT_EQ(waveInClose(in), 0u);
  EXPECT_EQ(waveOutClose(out), 0u);
}

TEST_F(WaveFake, LostDeviceEndsTheStreamReportsItAndGoesQuiet) {
  HWAVEIN in = OpenIn();
  Buffer bufs[3] = {Buffer(kPeriodBytes), Buffer(kPeriodBytes), Buffer(kPeriodBytes)};
  for (auto& b : bufs) {
    waveInPrepareHeader(in, &b.hdr, sizeof b.hdr);
    waveInAddBuffer(in, &b.hdr, sizeof b.hdr);
  }
  waveInStart(in);
  fake->LoseDevices();
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 3)) << "the queued headers come back";
  for (auto& b : bufs) EXPECT_EQ(b.hdr.dwFlags, WHDR_DONE | WHDR_PREPARED);

  EXPECT_EQ(waveInAddBuffer(in, &bufs[0].hdr, sizeof(WAVEHDR)), MMSYSERR_NODRIVER);
  EXPECT_EQ(waveInStart(in), MMSYSERR_NODRIVER);
  std::uint64_t transfers = fake->Transfers();
  for (int i = 0; i < 50; ++i) {
    fake->Advance(FakeWaveBackend::kPeriodFrames);
    EXPECT_EQ(waveInReset(in), MMSYSERR_NODRIVER);
  }
  EXPECT_EQ(fake->Transfers(), transfers) << "the driver does not poll a lost device";
  EXPECT_EQ(sink.Count(WIM_DATA), 3u);
  for (auto& b : bufs) EXPECT_EQ(waveInUnprepareHeader(in, &b.hdr, sizeof b.hdr), 0u);
  EXPECT_EQ(waveInClose(in), 0u);
  EXPECT_EQ(fake->OpenStreams(), 0);

  // Playback: what was written comes back; later writes are refused.
  HWAVEOUT out = OpenOut();
  auto play = Numbered(2, kPeriodBytes * 8);
  waveOutPause(out);
  for (auto& b : play) {
    waveOutPrepareHeader(out, &b->hdr, sizeof(WAVEHDR));
    waveOutWrite(out, &b->hdr, sizeof(WAVEHDR));
  }
  fake->LoseDevices();
  waveOutRestart(out);
  ASSERT_TRUE(sink.WaitFor(WOM_DONE, 2));
  EXPECT_EQ(waveOutWrite(out, &play[0]->hdr, sizeof(WAVEHDR)), MMSYSERR_NODRIVER);
  EXPECT_EQ(waveOutRestart(out), MMSYSERR_NODRIVER);
  EXPECT_EQ(waveOutClose(out), 0u);
}

// A transfer stuck inside the device holds up neither reset nor close: the
// close leaves the driver thread behind, says so, and nothing calls back
// after it; the thread ends once the device lets go.
TEST_F(WaveFake, ADriverStuckInTheDeviceIsLeftBehindByClose) {
  const std::size_t before = WaveRegistry::DriversLeftBehind();
  fake->StallTransfers(true);
  HWAVEOUT out = OpenOut();
  Buffer b(kPeriodBytes * 4);
  waveOutPrepareHeader(out, &b.hdr, sizeof b.hdr);
  ASSERT_EQ(waveOutWrite(out, &b.hdr, sizeof b.hdr), 0u);
  ASSERT_TRUE(test::WaitUntil([&] { return fake->TransfersWaiting() == 1; }));
  ASSERT_TRUE(wavetest::ReturnsWithin([&] {
    EXPECT_EQ(waveOutReset(out), 0u);
    EXPECT_EQ(b.hdr.dwFlags, WHDR_DONE | WHDR_PREPARED);
    EXPECT_EQ(waveOutUnprepareHeader(out, &b.hdr, sizeof b.hdr), 0u);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_ERROR);
  }));
  EXPECT_EQ(WaveRegistry::DriversLeftBehind(), before + 1);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_INVALHANDLE) << "closed all the same";
  const auto messages = sink.Messages();
  EXPECT_EQ(messages.back().msg, WOM_CLOSE);

  fake->StallTransfers(false);
  ASSERT_TRUE(test::WaitUntil([&] { return WaveRegistry::DriversLeftBehind() == before; }));
  EXPECT_EQ(fake->OpenStreams(), 0) << "the thread closed its device as it ended";
  EXPECT_EQ(sink.Messages().size(), messages.size()) << "no callback after close";
}

// An open that blocks inside the device holds the caller up to the bound
// on the backend's clock and not a moment less; the device that opens
// afterwards is closed at once and its thread ends.
TEST_F(WaveFake, AnOpenThatBlocksFailsAtTheBoundAndIsClosedWhenItReturns) {
  fake->HoldOpens(true);
  std::atomic<bool> returned{false};
  MMRESULT result = MMSYSERR_NOERROR;
  std::string reason;
  HWAVEIN h{};
  std::thread caller([&] {
    result = waveInOpen(&h, 1, &fmt.Format, Sink::In, sink.Instance(), kFlagsNamed);
    reason = WaveLastErrorReason();
    returned = true;
  });
  ASSERT_TRUE(test::WaitUntil([&] { return fake->OpensWaiting() == 1; }));
  fake->AdvanceTime(kWaveOpenLimit - std::chrono::milliseconds(1));
  // Once the caller has looked at the clock since, it has chosen to wait on.
  const std::uint64_t looked = fake->ClockReads();
  EXPECT_TRUE(test::WaitUntil([&] { return returned || fake->ClockReads() > looked + 1; }));
  EXPECT_FALSE(returned) << "given up before the bound";
  fake->AdvanceTime(std::chrono::milliseconds(1));
  caller.join();
  EXPECT_EQ(result, MMSYSERR_ERROR);
  EXPECT_EQ(reason, "the device did not open within 2 s");
  EXPECT_EQ(h, HWAVEIN{});
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), 0u);
  EXPECT_EQ(WaveRegistry::OpensLeftBehind(), 1u);

  fake->HoldOpens(false);
  ASSERT_TRUE(test::WaitUntil([&] { return WaveRegistry::OpensLeftBehind() == 0; }));
  EXPECT_EQ(fake->OpenStreams(), 0) << "the late device was closed";
  EXPECT_EQ(fake->OpenedFormats().size(), 1u);
  HWAVEIN again = OpenIn();  // and the next open is as quick as ever
  EXPECT_EQ(waveInClose(again), 0u);
}

// A running capture that records nothing for the bound on the backend's
// clock has lost its device: its headers come back and later calls say
// why. What it records puts the bound off again.
TEST_F(WaveFake, ACaptureThatRecordsNothingIsLostAtTheBound) {
  HWAVEIN in = OpenIn();
  Buffer bufs[2] = {Buffer(kPeriodBytes * 4), Buffer(kPeriodBytes * 4)};
  for (auto& b : bufs) {
    waveInPrepareHeader(in, &b.hdr, sizeof b.hdr);
    waveInAddBuffer(in, &b.hdr, sizeof b.hdr);
  }
  ASSERT_EQ(waveInStart(in), 0u);
  // Moves the clock, then waits until the driver has seen it and waits in
  // the device again.
  const auto elapse = [&](std::chrono::milliseconds by) {
    const std::uint64_t transfers = fake->Transfers();
    fake->AdvanceTime(by);
    return test::WaitUntil(
        [&] { return fake->Transfers() > transfers && fake->TransfersWaiting() == 1; });
  };
  ASSERT_TRUE(test::WaitUntil([&] { return fake->TransfersWaiting() == 1; }));
  const std::chrono::milliseconds almost = kWaveCaptureSilenceLimit - std::chrono::milliseconds(1);
  ASSERT_TRUE(elapse(almost));
  EXPECT_EQ(waveInStart(in), 0u) << "lost before the bound";
  const std::uint64_t transfers = fake->Transfers();
  fake->Advance(FakeWaveBackend::kPeriodFrames);  // one period recorded
  ASSERT_TRUE(test::WaitUntil([&] { return fake->Transfers() > transfers && fake->TransfersWaiting() == 1; }));
  ASSERT_TRUE(elapse(almost));
  EXPECT_EQ(waveInStart(in), 0u) << "the bound counts from the last frames recorded";
  EXPECT_EQ(sink.Count(WIM_DATA), 0u);

  fake->AdvanceTime(std::chrono::milliseconds(1));
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 2)) << "the headers come back";
  EXPECT_EQ(bufs[0].hdr.dwBytesRecorded, kPeriodBytes) << "with what they hold";
  EXPECT_EQ(waveInAddBuffer(in, &bufs[0].hdr, sizeof(WAVEHDR)), MMSYSERR_NODRIVER);
  EXPECT_EQ(WaveLastErrorReason(), "nothing recorded for 2 s");
  for (auto& b : bufs) waveInUnprepareHeader(in, &b.hdr, sizeof b.hdr);
  EXPECT_EQ(waveInClose(in), 0u);
}

// Frames a device claims without filling them are silence, by the format's
// own zero, never the period read before them.
TEST_F(WaveFake, FramesADeviceLeavesUnfilledAreSilence) {
  struct Case {
    std::uint16_t bits;
    char silence;
  };
  for (const Case& c : {Case{16, 0}, Case{8, char(0x80)}}) {
    SCOPED_TRACE(c.bits);
    const WAVEFORMATEXTENSIBLE format = Format(44100, 2, c.bits);
    const std::size_t period = FakeWaveBackend::kPeriodFrames * format.Format.nBlockAlign;
    HWAVEIN in{};
    ASSERT_EQ(waveInOpen(&in, 1, &format.Format, Sink::In, sink.Instance(), kFlagsNamed), 0u);
    Buffer b(period * 2, 'x');
    waveInPrepareHeader(in, &b.hdr, sizeof b.hdr);
    waveInAddBuffer(in, &b.hdr, sizeof b.hdr);
    waveInStart(in);
    const std::uint64_t transfers = fake->Transfers();
    fake->Advance(FakeWaveBackend::kPeriodFrames);
    ASSERT_TRUE(test::WaitUntil([&] { return fake->Transfers() > transfers && fake->TransfersWaiting() == 1; }));
    fake->LeaveReadsUnfilled(true);
    fake->Advance(FakeWaveBackend::kPeriodFrames);
    ASSERT_TRUE(sink.WaitFor(WIM_DATA, 1));
    fake->LeaveReadsUnfilled(false);
    EXPECT_EQ(std::vector<char>(b.data.begin(), b.data.begin() + std::ptrdiff_t(period)), Pattern(0, period));
    EXPECT_EQ(std::vector<char>(b.data.begin() + std::ptrdiff_t(period), b.data.end()),
              std::vector<char>(period, c.silence));
    waveInUnprepareHeader(in, &b.hdr, sizeof b.hdr);
    EXPECT_EQ(waveInClose(in), 0u);
    sink.Clear();
  }
}

// A capture started before its headers are queued loses nothing: what the
// device records meanwhile waits in it, as in a sound card's ring.
TEST_F(WaveFake, CaptureBeforeTheFirstHeaderLosesNothing) {
  HWAVEIN in = OpenIn();
  ASSERT_EQ(waveInStart(in), 0u);
  fake->Advance(3 * FakeWaveBackend::kPeriodFrames);
  // Long enough for a driver that reads with no header to have read (and
  // dropped) what waits; the outcome does not depend on how long.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  Buffer b(3 * kPeriodBytes);
  waveInPrepareHeader(in, &b.hdr, sizeof b.hdr);
  waveInAddBuffer(in, &b.hdr, sizeof b.hdr);
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 1));
  EXPECT_EQ(b.data, Pattern(0, 3 * kPeriodBytes));
  waveInUnprepareHeader(in, &b.hdr, sizeof b.hdr);
  EXPECT_EQ(waveInClose(in), 0u);
}

// Why a call failed is there on the calling thread until its next call:
// the device's words for a failed open, its loss for a lost stream.
TEST_F(WaveFake, TheReasonOfAFailureStaysUntilTheNextCall) {
  fake->FailOpen(MMSYSERR_BADDEVICEID, "No such file or directory");
  HWAVEIN h{};
  EXPECT_EQ(waveInOpen(&h, 0, &fmt.Format, Sink::In, sink.Instance(), kFlagsNamed), MMSYSERR_BADDEVICEID);
  std::string elsewhere = "?";
  std::thread([&] { elsewhere = WaveLastErrorReason(); }).join();
  EXPECT_EQ(WaveLastErrorReason(), "No such file or directory");
  EXPECT_EQ(elsewhere, "") << "another thread's";
  h = OpenIn(0);
  EXPECT_EQ(WaveLastErrorReason(), "");
  Buffer b(kPeriodBytes);
  waveInPrepareHeader(h, &b.hdr, sizeof b.hdr);
  waveInAddBuffer(h, &b.hdr, sizeof b.hdr);
  waveInStart(h);
  fake->LoseDevices();
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 1));
  EXPECT_EQ(waveInStart(h), MMSYSERR_NODRIVER);
  EXPECT_EQ(WaveLastErrorReason(), "No such device");
  EXPECT_EQ(waveInStart(HWAVEIN{}), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(WaveLastErrorReason(), "") << "a code that says it all";
  waveInUnprepareHeader(h, &b.hdr, sizeof b.hdr);
  EXPECT_EQ(waveInClose(h), 0u);
}

TEST_F(WaveFake, FailedOpenIsSilentAndLeavesNothingOpen) {
  std::size_t before = WaveRegistry::Instance().OpenHandleCount();
  fake->FailOpen(MMSYSERR_ALLOCATED);
  HWAVEIN h{};
  EXPECT_EQ(waveInOpen(&h, 0, &fmt.Format, Sink::In, sink.Instance(), kFlagsNamed),
            MMSYSERR_ALLOCATED);
  EXPECT_EQ(h, HWAVEIN{});
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), before);
  EXPECT_EQ(fake->OpenStreams(), 0);
  EXPECT_EQ(fake->Calls().back().result, MMSYSERR_ALLOCATED);

  fake->FailCall("waveOutOpen", WAVERR_BADFORMAT);
  HWAVEOUT o{};
  EXPECT_EQ(waveOutOpen(&o, 0, &fmt.Format, Sink::Out, sink.Instance(), kFlagsNamed),
            WAVERR_BADFORMAT);
  EXPECT_EQ(fake->OpenStreams(), 0);

  h = OpenIn(0);  // the failures were one-shot
  EXPECT_EQ(waveInClose(h), 0u);
}

TEST_F(WaveFake, ResultCodesOfMisuse) {
  HWAVEIN h = OpenIn();
  Buffer a(kPeriodBytes), b(kPeriodBytes);
  WAVEHDR empty{};
  EXPECT_EQ(waveInAddBuffer(h, &a.hdr, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  EXPECT_EQ(waveInPrepareHeader(h, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInPrepareHeader(h, &empty, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInPrepareHeader(h, &a.hdr, 4), MMSYSERR_INVALPARAM);
  ASSERT_EQ(waveInPrepareHeader(h, &a.hdr, sizeof(WAVEHDR)), 0u);
  ASSERT_EQ(waveInAddBuffer(h, &a.hdr, sizeof(WAVEHDR)), 0u);
  EXPECT_EQ(waveInAddBuffer(h, &a.hdr, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInUnprepareHeader(h, &a.hdr, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInClose(h), WAVERR_STILLPLAYING);
  b.hdr.dwBufferLength = 0;
  waveInPrepareHeader(h, &b.hdr, sizeof(WAVEHDR));
  EXPECT_EQ(waveInAddBuffer(h, &b.hdr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInReset(h), 0u);
  EXPECT_EQ(waveInClose(h), 0u);

  // A closed handle, and one never opened, are invalid for every call.
  for (HWAVEIN bad : {h, HWAVEIN{}, HWAVEIN{987654}}) {
    EXPECT_EQ(waveInStart(bad), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInAddBuffer(bad, &a.hdr, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInReset(bad), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(bad), MMSYSERR_INVALHANDLE);
  }
  EXPECT_EQ(waveOutPause(HWAVEOUT{}), MMSYSERR_INVALHANDLE);

  HWAVEIN x{};
  EXPECT_EQ(waveInOpen(&x, 3, &fmt.Format, Sink::In, sink.Instance(), kFlagsNamed),
            MMSYSERR_BADDEVICEID);
  EXPECT_EQ(waveInOpen(&x, 0, &fmt.Format, Sink::In, sink.Instance(), 0x10000),
            MMSYSERR_INVALFLAG);
  EXPECT_EQ(waveInOpen(&x, 0, &fmt.Format, nullptr, 0, kFlagsNamed), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInOpen(nullptr, 0, &fmt.Format, Sink::In, 0, kFlagsNamed), MMSYSERR_INVALPARAM);
  EXPECT_EQ(fake->OpenStreams(), 0);
}

TEST_F(WaveFake, FormatsAreCheckedBeforeTheDeviceOpens) {
  struct Case {
    const char* what;
    void (*edit)(WAVEFORMATEXTENSIBLE&);
    MMRESULT result;
  };
  const Case cases[] = {
      {"stereo 16-bit", [](WAVEFORMATEXTENSIBLE&) {}, 0},
      {"20 valid bits in 24", [](WAVEFORMATEXTENSIBLE& f) { f = Format(48000, 2, 20); }, 0},
      {"8-bit mono", [](WAVEFORMATEXTENSIBLE& f) { f = Format(11025, 1, 8); }, 0},
      {"plain PCM tag",
       [](WAVEFORMATEXTENSIBLE& f) {
         f.Format.wFormatTag = WAVE_FORMAT_PCM;
         f.Format.cbSize = 0;
       },
       0},
      {"float tag", [](WAVEFORMATEXTENSIBLE& f) { f.Format.wFormatTag = 3; }, WAVERR_BADFORMAT},
      {"short extension", [](WAVEFORMATEXTENSIBLE& f) { f.Format.cbSize = 0; }, WAVERR_BADFORMAT},
      {"float sub-format", [](WAVEFORMATEXTENSIBLE& f) { f.SubFormat.D1 = 3; }, WAVERR_BADFORMAT},
      {"12-bit container",
       [](WAVEFORMATEXTENSIBLE& f) {
         f.Format.wBitsPerSample = 12;
         f.wValidBitsPerSample = 12;
       },
       WAVERR_BADFORMAT},
      {"valid above container", [](WAVEFORMATEXTENSIBLE& f) { f.wValidBitsPerSample = 20; },
       WAVERR_BADFORMAT},
      {"no channels", [](WAVEFORMATEXTENSIBLE& f) { f.Format.nChannels = 0; }, WAVERR_BADFORMAT},
      {"zero rate", [](WAVEFORMATEXTENSIBLE& f) { f.Format.nSamplesPerSec = 0; }, WAVERR_BADFORMAT},
      {"wrong block align", [](WAVEFORMATEXTENSIBLE& f) { f.Format.nBlockAlign = 3; },
       WAVERR_BADFORMAT},
  };
  for (const auto& c : cases) {
    WAVEFORMATEXTENSIBLE f = Format(44100, 2, 16);
    c.edit(f);
    HWAVEOUT h{};
    EXPECT_EQ(waveOutOpen(&h, 0, &f.Format, Sink::Out, sink.Instance(), kFlagsNamed), c.result)
        << c.what;
    if (c.result == 0) {
      EXPECT_EQ(waveOutClose(h), 0u);
    }
  }
  HWAVEOUT h{};
  EXPECT_EQ(waveOutOpen(&h, 0, nullptr, Sink::Out, 0, kFlagsNamed), MMSYSERR_INVALPARAM);
  EXPECT_EQ(fake->OpenedFormats().size(), 4u);
  EXPECT_EQ(fake->OpenedFormats()[1].validBits, 20);
  EXPECT_EQ(fake->OpenedFormats()[1].containerBits, 24);
}

TEST_F(WaveFake, HandlesAreNeverReused) {
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 5; ++i) {
    HWAVEIN h = OpenIn();
    EXPECT_TRUE(seen.insert(std::uint64_t(h)).second);
    EXPECT_EQ(waveInClose(h), 0u);
  }
  HWAVEIN live = OpenIn();
  EXPECT_EQ(waveInStart(HWAVEIN{*seen.begin()}), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveInClose(live), 0u);
}

TEST_F(WaveFake, DeviceNamesAndCaps) {
  fake->SetDevices(WaveDirection::In,
                   {{"Mic", "a", -1},
                    {"mic", "b", -1},
                    {"", "pcm-name-only", -1},
                    {"An input device whose name is far too long", "c", -1},
                    {"An input device whose name is far too long", "d", -1}});
  ASSERT_EQ(waveInGetNumDevs(), 5u);
  const char16_t* expected[] = {u"Mic", u"mic (2)", u"pcm-name-only",
                                u"An input device whose name is f",
                                u"An input device whose name (2)"};
  for (std::uint32_t i = 0; i < 5; ++i) {
    WAVEINCAPSW caps;
    std::memset(&caps, 0xFF, sizeof caps);
    ASSERT_EQ(waveInGetDevCapsW(i, &caps, sizeof caps), 0u);
    EXPECT_EQ(std::u16string(caps.szPname), expected[i]) << i;
  }
  WAVEOUTCAPSW out;
  EXPECT_EQ(waveOutGetNumDevs(), 2u);
  ASSERT_EQ(waveOutGetDevCapsW(1, &out, sizeof out), 0u);
  EXPECT_EQ(std::u16string(out.szPname), u"USB Headset");
  EXPECT_EQ(waveOutGetDevCapsW(2, &out, sizeof out), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(sizeof(WAVEINCAPSW), 80u);
  EXPECT_EQ(sizeof(WAVEOUTCAPSW), 84u);
  EXPECT_EQ(sizeof(WAVEFORMATEXTENSIBLE), 40u);

  fake->FailCall("waveInGetDevCapsW", MMSYSERR_NODRIVER, -1, 1);
  WAVEINCAPSW caps;
  EXPECT_EQ(waveInGetDevCapsW(1, &caps, sizeof caps), MMSYSERR_NODRIVER);
  EXPECT_EQ(waveInGetDevCapsW(2, &caps, sizeof caps), 0u);
}

TEST(WaveNames, CutCountsUtf16UnitsAndNeverSplitsACharacter) {
  struct Case {
    std::string in;
    std::size_t units;
    std::string out;
  };
  const Case cases[] = {
      {"abc", 2, "ab"},
      {"\xC3\xA9t\xC3\xA9", 2, "\xC3\xA9t"},                  // é counts one unit
      {"ab\xF0\x9F\x8E\xA4", 3, "ab"},                        // a pair does not fit in one
      {"ab\xF0\x9F\x8E\xA4", 4, "ab\xF0\x9F\x8E\xA4"},
      {"a\xFF" "b", 3, "a\xEF\xBF\xBD" "b"},                  // a stray byte reads as U+FFFD
      {"a\xE2\x82", 3, "a\xEF\xBF\xBD\xEF\xBF\xBD"},          // truncated sequence
      {"a\xC0\xAF", 3, "a\xEF\xBF\xBD\xEF\xBF\xBD"},          // an overlong '/' is no slash
  };
  for (const auto& c : cases) EXPECT_EQ(CutToUtf16Units(c.in, c.units), c.out) << c.in;
  EXPECT_EQ(ToUtf16("\xF0\x9F\x8E\xA4"), (std::u16string{char16_t(0xD83C), char16_t(0xDFA4)}));

  std::vector<WaveDevice> many(12, WaveDevice{"Same name padded out to thirty1", "x", -1});
  auto named = NameDevices(many);
  EXPECT_EQ(named[11].name, "Same name padded out to th (12)");
  for (auto& e : named) EXPECT_LE(ToUtf16(e.name).size(), 31u);
}

void ThrowingIn(HWAVEIN h, std::uint32_t msg, std::uintptr_t instance, std::uintptr_t p1,
                std::uintptr_t p2) {
  Sink::In(h, msg, instance, p1, p2);
  throw std::runtime_error("handler failed");
}

TEST_F(WaveFake, AThrowingCallbackDoesNotStopTheStream) {
  HWAVEIN h{};
  ASSERT_EQ(waveInOpen(&h, 0, &fmt.Format, ThrowingIn, sink.Instance(), kFlagsNamed), 0u);
  Buffer bufs[2] = {Buffer(kPeriodBytes), Buffer(kPeriodBytes)};
  for (auto& b : bufs) {
    waveInPrepareHeader(h, &b.hdr, sizeof b.hdr);
    waveInAddBuffer(h, &b.hdr, sizeof b.hdr);
  }
  waveInStart(h);
  fake->Advance(2 * FakeWaveBackend::kPeriodFrames);
  EXPECT_TRUE(sink.WaitFor(WIM_DATA, 2));
  waveInReset(h);
  EXPECT_EQ(waveInClose(h), 0u);
  EXPECT_EQ(sink.Count(WIM_CLOSE), 1u);
}

// A capture client as the components build it: the callback only queues; a
// wave thread re-adds each filled header under the device-state lock while
// the device is open; the GUI thread stops, unprepares and closes.
TEST_F(WaveFake, StartStopLoopsWithBuffersInFlight) {
  struct Client {
    std::mutex deviceState;
    bool open = false;
    HWAVEIN h{};
    std::atomic<long> added{0};
  };
  for (int round = 0; round < 12; ++round) {
    Sink local;
    Client client;
    std::vector<std::unique_ptr<Buffer>> bufs;
    {
      std::lock_guard lock(client.deviceState);
      std::uint32_t device = round % 4 == 3 ? WAVE_MAPPER : round % 4;  // device changes too
      ASSERT_EQ(waveInOpen(&client.h, device, &fmt.Format, Sink::In, local.Instance(), kFlagsNamed),
                0u);
      client.open = true;
      for (int i = 0; i < 8; ++i) {
        bufs.push_back(std::make_unique<Buffer>(kPeriodBytes + 12 * i));
        waveInPrepareHeader(client.h, &bufs.back()->hdr, sizeof(WAVEHDR));
        if (waveInAddBuffer(client.h, &bufs.back()->hdr, sizeof(WAVEHDR)) == 0) ++client.added;
      }
      waveInStart(client.h);
    }
    std::atomic<bool> quit{false};
    std::thread clock([&] {
      while (!quit) {
        fake->Advance(FakeWaveBackend::kPeriodFrames);
        std::this_thread::yield();
      }
    });
    std::thread waveThread([&] {
      std::size_t handled = 0;
      while (!quit) {
        auto done = local.Headers(WIM_DATA);
        for (; handled < done.size(); ++handled) {
          std::lock_guard lock(client.deviceState);
          if (!client.open) continue;
          if (waveInAddBuffer(client.h, done[handled], sizeof(WAVEHDR)) == 0) ++client.added;
        }
        std::this_thread::yield();
      }
    });
    local.WaitFor(WIM_DATA, 20 + round);
    {
      std::lock_guard lock(client.deviceState);
      client.open = false;
      EXPECT_EQ(waveInReset(client.h), 0u);
      for (auto& b : bufs) EXPECT_EQ(waveInUnprepareHeader(client.h, &b->hdr, sizeof(WAVEHDR)), 0u);
      EXPECT_EQ(waveInReset(client.h), 0u);
      EXPECT_EQ(waveInClose(client.h), 0u);
    }
    quit = true;
    clock.join();
    waveThread.join();
    // Every header queued came back exactly once, and nothing after close.
    EXPECT_EQ(long(local.Count(WIM_DATA)), client.added.load());
    EXPECT_EQ(local.Messages().back().msg, WIM_CLOSE);
  }
  EXPECT_EQ(fake->OpenStreams(), 0);
}

TEST_F(WaveFake, PlaybackWriterRacingResetAndClose) {
  for (int round = 0; round < 12; ++round) {
    Sink local;
    HWAVEOUT h{};
    ASSERT_EQ(waveOutOpen(&h, 0, &fmt.Format, Sink::Out, local.Instance(), kFlagsNamed), 0u);
    auto bufs = Numbered(16, kPeriodBytes / 2 + 4 * round);
    std::atomic<bool> quit{false};
    std::thread clock([&] {
      while (!quit) {
        fake->Advance(FakeWaveBackend::kPeriodFrames / 2);
        std::this_thread::yield();
      }
    });
    long written = 0;
    for (auto& b : bufs) {
      waveOutPrepareHeader(h, &b->hdr, sizeof(WAVEHDR));
      if (waveOutWrite(h, &b->hdr, sizeof(WAVEHDR)) == 0) ++written;
      if (round % 3 == 1 && written == 5) waveOutPause(h);
      if (round % 3 == 1 && written == 9) waveOutRestart(h);
    }
    EXPECT_EQ(waveOutReset(h), 0u);
    EXPECT_EQ(long(local.Count(WOM_DONE)), written);
    for (auto& b : bufs) EXPECT_EQ(waveOutUnprepareHeader(h, &b->hdr, sizeof(WAVEHDR)), 0u);
    EXPECT_EQ(waveOutClose(h), 0u);
    quit = true;
    clock.join();
    EXPECT_EQ(local.Messages().back().msg, WOM_CLOSE);
  }
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST_F(WaveFake, ResetRacingCloseFromAnotherThread) {
  for (int round = 0; round < 20; ++round) {
    Sink local;
    HWAVEIN h{};
    ASSERT_EQ(waveInOpen(&h, 0, &fmt.Format, Sink::In, local.Instance(), kFlagsNamed), 0u);
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 6; ++i) {
      bufs.push_back(std::make_unique<Buffer>(kPeriodBytes));
      waveInPrepareHeader(h, &bufs.back()->hdr, sizeof(WAVEHDR));
      waveInAddBuffer(h, &bufs.back()->hdr, sizeof(WAVEHDR));
    }
    waveInStart(h);
    fake->Advance(2 * FakeWaveBackend::kPeriodFrames);
    std::thread resetter([&] {
      EXPECT_TRUE(test::WaitUntil([&] { return waveInReset(h) == MMSYSERR_INVALHANDLE; }));
    });
    MMRESULT closed = WAVERR_STILLPLAYING;
    EXPECT_TRUE(test::WaitUntil([&] { return (closed = waveInClose(h)) != WAVERR_STILLPLAYING; }));
    EXPECT_EQ(closed, 0u);
    std::size_t atClose = local.Messages().size();
    resetter.join();
    EXPECT_EQ(local.Messages().size(), atClose) << "no callback after close returned";
    EXPECT_EQ(local.Messages().back().msg, WIM_CLOSE);
    EXPECT_EQ(local.Count(WIM_DATA), 6u);
  }
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

// Reset and close from inside one of the handle's own callbacks would wait for
// themselves; they are refused instead of hanging, on the driver thread and
// inside a reset on the caller's thread alike.
struct Reentrant {
  std::atomic<MMRESULT> reset{99}, close{99};
  Sink sink;
  static void Proc(HWAVEIN h, std::uint32_t msg, std::uintptr_t instance, std::uintptr_t p1,
                   std::uintptr_t p2) {
    auto* self = reinterpret_cast<Reentrant*>(instance);
    if (msg == WIM_DATA) {
      self->reset = waveInReset(h);
      self->close = waveInClose(h);
    }
    Sink::In(h, msg, reinterpret_cast<std::uintptr_t>(&self->sink), p1, p2);
  }
};

TEST_F(WaveFake, ResetAndCloseFromTheDriversCallbackAreRefused) {
  Reentrant r;
  HWAVEIN h{};
  ASSERT_EQ(waveInOpen(&h, 0, &fmt.Format, Reentrant::Proc, reinterpret_cast<std::uintptr_t>(&r),
                       kFlagsNamed),
            0u);
  Buffer b(kPeriodBytes);
  waveInPrepareHeader(h, &b.hdr, sizeof b.hdr);
  waveInAddBuffer(h, &b.hdr, sizeof b.hdr);
  waveInStart(h);
  fake->Advance(FakeWaveBackend::kPeriodFrames);
  ASSERT_TRUE(r.sink.WaitFor(WIM_DATA, 1));
  EXPECT_EQ(r.reset.load(), MMSYSERR_ERROR);
  EXPECT_EQ(r.close.load(), MMSYSERR_ERROR);

  r.reset = r.close = 99;
  waveInAddBuffer(h, &b.hdr, sizeof b.hdr);
  EXPECT_EQ(waveInReset(h), 0u);  // calls back on this thread
  EXPECT_EQ(r.reset.load(), MMSYSERR_ERROR);
  EXPECT_EQ(r.close.load(), MMSYSERR_ERROR);
  EXPECT_EQ(waveInClose(h), 0u);
}

}  // namespace
}  // namespace tavrel
