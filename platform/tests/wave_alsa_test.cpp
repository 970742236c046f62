// The wave calls through ALSA's own null and file PCMs, from a configuration
// written by the test: names, open/close/reset rules, capture from a raw file
// byte for byte, playback into a file.
#include <gtest/gtest.h>

#include <memory>

#include "platform/tests/wave_alsa_test.h"
#include "platform/tests/wave_test_support.h"
#include "platform/wave/alsa_backend.h"

namespace tavrel {
namespace {

using wavetest::Buffer;
using wavetest::Format;
using wavetest::Sink;

constexpr std::uint32_t kFlagsNamed = CALLBACK_FUNCTION | WAVE_ALLOWSYNC | WAVE_MAPPED;

class WaveAlsa : public testing::Test {
 protected:
  std::vector<std::u16string> InNames() {
    std::vector<std::u16string> names;
    for (std::uint32_t i = 0, n = waveInGetNumDevs(); i < n; ++i) {
      WAVEINCAPSW caps;
      EXPECT_EQ(waveInGetDevCapsW(i, &caps, sizeof caps), 0u);
      names.push_back(caps.szPname);
    }
    return names;
  }
  std::vector<std::u16string> OutNames() {
    std::vector<std::u16string> names;
    for (std::uint32_t i = 0, n = waveOutGetNumDevs(); i < n; ++i) {
      WAVEOUTCAPSW caps;
      EXPECT_EQ(waveOutGetDevCapsW(i, &caps, sizeof caps), 0u);
      names.push_back(caps.szPname);
    }
    return names;
  }
  std::uint32_t InId(const std::u16string& name) {
    auto names = InNames();
    return std::uint32_t(std::find(names.begin(), names.end(), name) - names.begin());
  }
  std::uint32_t OutId(const std::u16string& name) {
    auto names = OutNames();
    return std::uint32_t(std::find(names.begin(), names.end(), name) - names.begin());
  }

  wavetest::AlsaTestConfig config;
  WaveBackendScope use{std::make_shared<AlsaBackend>()};
  Sink sink;
  WAVEFORMATEXTENSIBLE fmt = Format(44100, 2, 16);
};

TEST_F(WaveAlsa, DevicesComeFromTheHintsWithCutUniqueNames) {
  const std::vector<std::u16string> expected = {
      u"Default", u"Tavrel Capture", u"Tavrel Playback",
      u"Tavrel silence, a description l", u"Tavrel Broken"};
  auto in = InNames();
  EXPECT_EQ(in, expected);
  EXPECT_EQ(OutNames(), expected);
  EXPECT_EQ(InNames(), in) << "the order is stable";
  WAVEINCAPSW caps;
  EXPECT_EQ(waveInGetDevCapsW(in.size(), &caps, sizeof caps), MMSYSERR_BADDEVICEID);
}

TEST_F(WaveAlsa, CaptureReadsTheFileByteForByte) {
  std::uint32_t id = InId(u"Tavrel Capture");
  HWAVEIN h{};
  ASSERT_EQ(waveInOpen(&h, id, &fmt.Format, Sink::In, sink.Instance(), kFlagsNamed), 0u);
  std::vector<std::unique_ptr<Buffer>> bufs;
  for (int i = 0; i < 10; ++i) {  // lengths that are not a multiple of a period
    bufs.push_back(std::make_unique<Buffer>(1000 + 4 * i));
    waveInPrepareHeader(h, &bufs.back()->hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveInAddBuffer(h, &bufs.back()->hdr, sizeof(WAVEHDR)), 0u);
  }
  ASSERT_EQ(waveInStart(h), 0u);
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 10));
  std::vector<char> got;
  for (auto* hdr : sink.Headers(WIM_DATA)) {
    EXPECT_EQ(hdr->dwBytesRecorded, hdr->dwBufferLength);
    got.insert(got.end(), hdr->lpData, hdr->lpData + hdr->dwBytesRecorded);
  }
  ASSERT_LE(got.size(), config.Input().size());
  EXPECT_TRUE(std::equal(got.begin(), got.end(), config.Input().begin()));
  EXPECT_EQ(waveInReset(h), 0u);
  for (auto& b : bufs) EXPECT_EQ(waveInUnprepareHeader(h, &b->hdr, sizeof(WAVEHDR)), 0u);
  EXPECT_EQ(waveInClose(h), 0u);
}

TEST_F(WaveAlsa, PlaybackWritesTheFile) {
  std::uint32_t id = OutId(u"Tavrel Playback");
  HWAVEOUT h{};
  ASSERT_EQ(waveOutOpen(&h, id, &fmt.Format, Sink::Out, sink.Instance(), kFlagsNamed), 0u);
  ASSERT_EQ(waveOutPause(h), 0u);  // queue everything first, as the playback does
  std::vector<std::unique_ptr<Buffer>> bufs;
  std::vector<char> expected;
  for (int i = 0; i < 8; ++i) {
    bufs.push_back(std::make_unique<Buffer>(2000));
    for (std::size_t k = 0; k < 2000; ++k) bufs.back()->data[k] = char(k * 13 + i);
    expected.insert(expected.end(), bufs.back()->data.begin(), bufs.back()->data.end());
    waveOutPrepareHeader(h, &bufs.back()->hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveOutWrite(h, &bufs.back()->hdr, sizeof(WAVEHDR)), 0u);
  }
  ASSERT_EQ(waveOutRestart(h), 0u);
  ASSERT_TRUE(sink.WaitFor(WOM_DONE, 8));
  auto done = sink.Headers(WOM_DONE);
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(done[i], &bufs[i]->hdr);
  for (auto& b : bufs) EXPECT_EQ(waveOutUnprepareHeader(h, &b->hdr, sizeof(WAVEHDR)), 0u);
  EXPECT_EQ(waveOutClose(h), 0u);
  auto out = config.Output();
  ASSERT_GE(out.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
}

TEST_F(WaveAlsa, OpenResetAndCloseRules) {
  // The mapper opens ALSA's default device (a null PCM here).
  HWAVEIN h{};
  ASSERT_EQ(waveInOpen(&h, WAVE_MAPPER, &fmt.Format, Sink::In, sink.Instance(),
                       CALLBACK_FUNCTION | WAVE_ALLOWSYNC),
            0u);
  Buffer bufs[3] = {Buffer(512), Buffer(512), Buffer(512)};
  for (auto& b : bufs) {
    waveInPrepareHeader(h, &b.hdr, sizeof b.hdr);
    waveInAddBuffer(h, &b.hdr, sizeof b.hdr);
  }
  EXPECT_EQ(waveInClose(h), WAVERR_STILLPLAYING);
  ASSERT_EQ(waveInReset(h), 0u);
  EXPECT_EQ(sink.Count(WIM_DATA), 3u) << "all queued headers are back when reset returns";
  for (auto& b : bufs) {
    EXPECT_EQ(b.hdr.dwFlags, WHDR_DONE | WHDR_PREPARED);
    EXPECT_EQ(b.hdr.dwBytesRecorded, 0u);
    waveInUnprepareHeader(h, &b.hdr, sizeof b.hdr);
  }
  ASSERT_EQ(waveInClose(h), 0u);
  auto messages = sink.Messages();
  EXPECT_EQ(messages.front().msg, WIM_OPEN);
  EXPECT_EQ(messages.back().msg, WIM_CLOSE);
  EXPECT_EQ(waveInStart(h), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(sink.Messages().size(), messages.size());

  HWAVEIN again{};
  ASSERT_EQ(waveInOpen(&again, WAVE_MAPPER, &fmt.Format, Sink::In, sink.Instance(),
                       CALLBACK_FUNCTION | WAVE_ALLOWSYNC),
            0u);
  EXPECT_NE(again, h);
  EXPECT_EQ(waveInClose(again), 0u);
}

TEST_F(WaveAlsa, RunningNullDevicesReturnEveryHeaderInOrder) {
  HWAVEOUT out{};
  ASSERT_EQ(waveOutOpen(&out, OutId(u"Tavrel silence, a description l"), &fmt.Format, Sink::Out,
                        sink.Instance(), kFlagsNamed),
            0u);
  HWAVEIN in{};
  ASSERT_EQ(waveInOpen(&in, InId(u"Tavrel silence, a description l"), &fmt.Format, Sink::In,
                       sink.Instance(), kFlagsNamed),
            0u);
  std::vector<std::unique_ptr<Buffer>> play, cap;
  for (int i = 0; i < 20; ++i) {
    play.push_back(std::make_unique<Buffer>(2048));
    waveOutPrepareHeader(out, &play.back()->hdr, sizeof(WAVEHDR));
    waveOutWrite(out, &play.back()->hdr, sizeof(WAVEHDR));
    cap.push_back(std::make_unique<Buffer>(2048, 'x'));
    waveInPrepareHeader(in, &cap.back()->hdr, sizeof(WAVEHDR));
    waveInAddBuffer(in, &cap.back()->hdr, sizeof(WAVEHDR));
  }
  waveInStart(in);
  ASSERT_TRUE(sink.WaitFor(WOM_DONE, 20));
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 20));
  auto played = sink.Headers(WOM_DONE), captured = sink.Headers(WIM_DATA);
  for (std::size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(played[i], &play[i]->hdr);
    EXPECT_EQ(captured[i], &cap[i]->hdr);
    EXPECT_EQ(cap[i]->data, std::vector<char>(2048, 0)) << "null capture gives silence";
  }
  EXPECT_EQ(waveInReset(in), 0u);
  EXPECT_EQ(waveInClose(in), 0u);
  EXPECT_EQ(waveOutReset(out), 0u);
  EXPECT_EQ(waveOutClose(out), 0u);
}

TEST_F(WaveAlsa, ADeviceThatCannotOpenFailsSilently) {
  std::size_t before = WaveRegistry::Instance().OpenHandleCount();
  HWAVEIN h{};
  MMRESULT r = waveInOpen(&h, InId(u"Tavrel Broken"), &fmt.Format, Sink::In, sink.Instance(),
                          kFlagsNamed);
  EXPECT_NE(r, 0u);
  EXPECT_EQ(h, HWAVEIN{});
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), before);
}

}  // namespace
}  // namespace tavrel
