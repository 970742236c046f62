// The wave calls through ALSA's own null and file PCMs, from a configuration
// written by the test: names, open/close/reset rules, capture from a raw file
// byte for byte, playback into a file.
#include <gtest/gtest.h>
#include <sys/syscall.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/tests/wave_alsa_test.h"
#include "platform/tests/wait_until.h"
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

  // Routes the default elsewhere than to silence.
  void Use(wavetest::AlsaTestOptions options) {
    config.reset();
    config = std::make_unique<wavetest::AlsaTestConfig>(std::move(options));
  }

  std::unique_ptr<wavetest::AlsaTestConfig> config = std::make_unique<wavetest::AlsaTestConfig>();
  WaveBackendScope use{std::make_shared<AlsaBackend>()};
  Sink sink;
  WAVEFORMATEXTENSIBLE fmt = Format(44100, 2, 16);
};

TEST(AlsaPcmKinds, OnlyDevicesAPersonUsesAreListed) {
  struct Case {
    const char* name;
    const char* type;
    bool described;
    AlsaPcmKind kind;
  };
  const Case cases[] = {
      {"default", "", true, AlsaPcmKind::Default},
      {"default", "pulse", true, AlsaPcmKind::Default},
      {"pulse", "pulse", true, AlsaPcmKind::Server},
      {"pipewire", "pipewire", true, AlsaPcmKind::Server},
      {"jack", "jack", false, AlsaPcmKind::Server},
      {"sysdefault:CARD=PCH", "", true, AlsaPcmKind::Card},
      {"hdmi:CARD=PCH,DEV=0", "", true, AlsaPcmKind::Card},
      {"iec958:CARD=PCH,DEV=0", "", true, AlsaPcmKind::Card},
      {"my_interface", "hw", false, AlsaPcmKind::Card},
      // the card variants that repeat or wrap its device
      {"default:CARD=PCH", "", true, AlsaPcmKind::Other},
      {"front:CARD=PCH,DEV=0", "", true, AlsaPcmKind::Other},
      {"surround51:CARD=PCH,DEV=0", "", true, AlsaPcmKind::Other},
      {"dmix:CARD=PCH,DEV=0", "", true, AlsaPcmKind::Other},
      {"dsnoop:CARD=PCH,DEV=0", "", true, AlsaPcmKind::Other},
      {"hw:CARD=PCH,DEV=0", "hw", true, AlsaPcmKind::Other},
      {"plughw:CARD=PCH,DEV=0", "plug", true, AlsaPcmKind::Other},
      {"usbstream:CARD=PCH", "usb_stream", true, AlsaPcmKind::Other},
      {"a52:CARD=PCH", "a52", true, AlsaPcmKind::Other},
      // what ALSA and its plugin packages define: converters, mixers,
      // encoders, the OSS bridge, discarding
      {"upmix", "upmix", true, AlsaPcmKind::Other},
      {"vdownmix", "vdownmix", true, AlsaPcmKind::Other},
      {"lavrate", "rate", true, AlsaPcmKind::Other},
      {"samplerate", "rate", true, AlsaPcmKind::Other},
      {"speex", "speex", true, AlsaPcmKind::Other},
      {"a52", "a52", true, AlsaPcmKind::Other},
      {"oss", "oss", true, AlsaPcmKind::Other},
      {"null", "null", true, AlsaPcmKind::Other},
      {"usbstream", "plug", true, AlsaPcmKind::Other},
      // a person's own, described: whatever plugin they use, but converters
      {"my_recording", "file", true, AlsaPcmKind::Own},
      {"my_mixer", "dmix", true, AlsaPcmKind::Own},
      {"my_headset", "plug", true, AlsaPcmKind::Own},
      {"my_left", "route", true, AlsaPcmKind::Own},
      {"my_resampler", "rate", true, AlsaPcmKind::Other},
      {"my_quiet", "null", true, AlsaPcmKind::Other},
      // undescribed, or with no definition of its own
      {"my_recording", "file", false, AlsaPcmKind::Other},
      {"my_headset", "plug", false, AlsaPcmKind::Other},
      {"pulse", "", true, AlsaPcmKind::Other},  // a server's name on something else
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClassifyAlsaPcm(c.name, c.type, c.described), c.kind)
        << c.name << " of type '" << c.type << "'" << (c.described ? ", described" : "");
}

// The lists as a person sees them, with and without what sound servers and
// ALSA's plugin packages add to the configuration: the person's own
// described devices come last, and neither their converter nor their
// undescribed PCM is listed.
TEST(WaveAlsaLists, DefaultFirstThenServersThenCardsThenTheirOwn) {
  struct Case {
    const char* what;
    bool plugins;
    std::vector<std::u16string> names;
  };
  const std::u16string broken = ToUtf16(wavetest::kBrokenName);
  const Case cases[] = {
      {"no plugins", false, {u"Default", broken, u"Tavrel Capture", u"Tavrel Playback", u"Tavrel Route"}},
      {"plugins", true,
       {u"Default", u"PulseAudio Sound Server", u"PipeWire Sound Server", u"JACK Audio Connection Kit", broken,
        u"Tavrel Capture", u"Tavrel Playback", u"Tavrel Route"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    wavetest::AlsaTestConfig config({.plugins = c.plugins});
    WaveBackendScope use{std::make_shared<AlsaBackend>()};
    std::vector<std::u16string> in, out;
    for (std::uint32_t i = 0, n = waveInGetNumDevs(); i < n; ++i) {
      WAVEINCAPSW caps;
      EXPECT_EQ(waveInGetDevCapsW(i, &caps, sizeof caps), 0u);
      in.push_back(caps.szPname);
    }
    for (std::uint32_t i = 0, n = waveOutGetNumDevs(); i < n; ++i) {
      WAVEOUTCAPSW caps;
      EXPECT_EQ(waveOutGetDevCapsW(i, &caps, sizeof caps), 0u);
      out.push_back(caps.szPname);
    }
    EXPECT_EQ(in, c.names);
    EXPECT_EQ(out, c.names);
    WAVEINCAPSW caps;
    EXPECT_EQ(waveInGetDevCapsW(in.size(), &caps, sizeof caps), MMSYSERR_BADDEVICEID);
  }
}

// Through the default, and through the person's own file device by its name.
TEST_F(WaveAlsa, CaptureReadsTheFileByteForByte) {
  for (const char16_t* device : {u"Default", u"Tavrel Capture"}) {
    SCOPED_TRACE(std::string(device, device + std::char_traits<char16_t>::length(device)));
    Use({.routes = wavetest::AlsaRoutes::Files});
    Sink events;
    HWAVEIN h{};
    ASSERT_EQ(waveInOpen(&h, InId(device), &fmt.Format, Sink::In, events.Instance(), kFlagsNamed), 0u);
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 10; ++i) {  // lengths that are not a multiple of a period
      bufs.push_back(std::make_unique<Buffer>(1000 + 4 * i));
      waveInPrepareHeader(h, &bufs.back()->hdr, sizeof(WAVEHDR));
      ASSERT_EQ(waveInAddBuffer(h, &bufs.back()->hdr, sizeof(WAVEHDR)), 0u);
    }
    ASSERT_EQ(waveInStart(h), 0u);
    ASSERT_TRUE(events.WaitFor(WIM_DATA, 10));
    std::vector<char> got;
    for (auto* hdr : events.Headers(WIM_DATA)) {
      EXPECT_EQ(hdr->dwBytesRecorded, hdr->dwBufferLength);
      got.insert(got.end(), hdr->lpData, hdr->lpData + hdr->dwBytesRecorded);
    }
    ASSERT_LE(got.size(), config->Input().size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), config->Input().begin()));
    EXPECT_EQ(waveInReset(h), 0u);
    for (auto& b : bufs) EXPECT_EQ(waveInUnprepareHeader(h, &b->hdr, sizeof(WAVEHDR)), 0u);
    EXPECT_EQ(waveInClose(h), 0u);
  }
}

// Past the end of its file a file device claims frames it does not fill:
// they come as silence, never as the audio read before them.
TEST_F(WaveAlsa, CaptureAfterTheEndOfItsFileIsSilence) {
  std::vector<char> input(3000);
  for (std::size_t k = 0; k < input.size(); ++k) input[k] = char(1 + k % 251);
  Use({.input = input, .routes = wavetest::AlsaRoutes::Files});
  HWAVEIN h{};
  ASSERT_EQ(waveInOpen(&h, WAVE_MAPPER, &fmt.Format, Sink::In, sink.Instance(), CALLBACK_FUNCTION), 0u);
  std::vector<std::unique_ptr<Buffer>> bufs;
  for (int i = 0; i < 4; ++i) {  // the file fills one and a half
    bufs.push_back(std::make_unique<Buffer>(2048, 'x'));
    waveInPrepareHeader(h, &bufs.back()->hdr, sizeof(WAVEHDR));
    ASSERT_EQ(waveInAddBuffer(h, &bufs.back()->hdr, sizeof(WAVEHDR)), 0u);
  }
  ASSERT_EQ(waveInStart(h), 0u);
  ASSERT_TRUE(sink.WaitFor(WIM_DATA, 4));
  std::vector<char> got;
  for (auto& b : bufs) got.insert(got.end(), b->data.begin(), b->data.end());
  EXPECT_TRUE(std::equal(input.begin(), input.end(), got.begin()));
  EXPECT_EQ(std::vector<char>(got.begin() + std::ptrdiff_t(input.size()), got.end()),
            std::vector<char>(got.size() - input.size(), 0));
  EXPECT_EQ(waveInReset(h), 0u);
  for (auto& b : bufs) waveInUnprepareHeader(h, &b->hdr, sizeof(WAVEHDR));
  EXPECT_EQ(waveInClose(h), 0u);
}

TEST_F(WaveAlsa, PlaybackWritesTheFile) {
  Use({.routes = wavetest::AlsaRoutes::Files});
  const std::uint32_t id = OutId(u"Default");
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
  auto out = config->Output();
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
  ASSERT_EQ(waveOutOpen(&out, OutId(u"Default"), &fmt.Format, Sink::Out, sink.Instance(), kFlagsNamed), 0u);
  HWAVEIN in{};
  ASSERT_EQ(waveInOpen(&in, InId(u"Default"), &fmt.Format, Sink::In, sink.Instance(), kFlagsNamed), 0u);
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
  MMRESULT r = waveInOpen(&h, InId(ToUtf16(wavetest::kBrokenName)), &fmt.Format, Sink::In, sink.Instance(),
                          kFlagsNamed);
  EXPECT_NE(r, 0u);
  EXPECT_EQ(h, HWAVEIN{});
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), before);
}

// Playback into a pipe nobody reads, capture from one nobody writes: the
// driver thread sits in ALSA's write() or read(). Reset still returns every
// header at once, and close ends the driver thread and closes what the
// device held: threads and descriptors are back where they were, and the
// reader that goes away raises no SIGPIPE.
TEST_F(WaveAlsa, ATransferStuckInTheDeviceIsCutShortByClose) {
  if (!wavetest::SystemCallsVisible())
    GTEST_SKIP() << "this kernel does not show which system call a thread sleeps in "
                    "(/proc/self/task/<id>/syscall), so the test cannot tell when the pipes hold a driver";
  Use({.routes = wavetest::AlsaRoutes::Fifos});
  const wavetest::Footprint before = wavetest::ProcessFootprint();
  constexpr std::size_t kBytes = 8192;
  std::vector<std::unique_ptr<Buffer>> bufs;
  for (int run = 0; run < 2; ++run) {  // the second open finds the pipe full at once
    SCOPED_TRACE(run);
    HWAVEOUT out{};
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &fmt.Format, Sink::Out, sink.Instance(),
                          CALLBACK_FUNCTION | WAVE_ALLOWSYNC),
              0u);
    bufs.clear();
    for (int i = 0; i < 64; ++i) {  // far more than the pipe holds
      bufs.push_back(std::make_unique<Buffer>(kBytes));
      waveOutPrepareHeader(out, &bufs.back()->hdr, sizeof(WAVEHDR));
      ASSERT_EQ(waveOutWrite(out, &bufs.back()->hdr, sizeof(WAVEHDR)), 0u);
    }
    const std::string driver = "waveOut " + std::to_string(std::uint64_t(out));
    ASSERT_TRUE(test::WaitUntil([&] { return wavetest::ThreadSleepsIn(driver, SYS_write); }));
    ASSERT_TRUE(wavetest::ReturnsWithin([&] {
      EXPECT_EQ(waveOutReset(out), 0u);
      for (auto& b : bufs) {
        EXPECT_TRUE(b->hdr.dwFlags & WHDR_DONE);
        EXPECT_EQ(waveOutUnprepareHeader(out, &b->hdr, sizeof(WAVEHDR)), 0u);
      }
      EXPECT_EQ(waveOutClose(out), 0u);
    }));
  }

  HWAVEIN in{};
  Buffer cap(4096);
  ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &fmt.Format, Sink::In, sink.Instance(), CALLBACK_FUNCTION | WAVE_ALLOWSYNC),
            0u);
  waveInPrepareHeader(in, &cap.hdr, sizeof cap.hdr);
  ASSERT_EQ(waveInAddBuffer(in, &cap.hdr, sizeof cap.hdr), 0u);
  ASSERT_EQ(waveInStart(in), 0u);
  const std::string driver = "waveIn " + std::to_string(std::uint64_t(in));
  ASSERT_TRUE(test::WaitUntil([&] { return wavetest::ThreadSleepsIn(driver, SYS_read); }));
  ASSERT_TRUE(wavetest::ReturnsWithin([&] {
    EXPECT_EQ(waveInReset(in), 0u);
    EXPECT_EQ(waveInUnprepareHeader(in, &cap.hdr, sizeof cap.hdr), 0u);
    EXPECT_EQ(waveInClose(in), 0u);
  }));
  EXPECT_EQ(sink.Count(WIM_DATA), 1u);
  EXPECT_EQ(cap.hdr.dwBytesRecorded, 0u);
  EXPECT_EQ(WaveRegistry::DriversLeftBehind(), 0u);
  // The helper threads of ReturnsWithin end on their own, just after.
  EXPECT_TRUE(wavetest::FootprintReturnsTo(before))
      << wavetest::ProcessFootprint() << ", at first " << before;
}

// A capture whose open waits for a writer that never comes (a file plugin
// on a pipe; network devices alike) fails at the bound instead of holding
// the caller. When the writer comes, the late open is closed at once and its
// thread ends: nothing is left of it.
TEST_F(WaveAlsa, AnOpenThatWaitsIsGivenUpAndClosedWhenItReturns) {
  Use({.routes = wavetest::AlsaRoutes::FifoNoWriter});
  const wavetest::Footprint before = wavetest::ProcessFootprint();
  HWAVEIN h{};
  std::string reason;
  ASSERT_TRUE(wavetest::ReturnsWithin([&] {
    EXPECT_EQ(waveInOpen(&h, WAVE_MAPPER, &fmt.Format, Sink::In, sink.Instance(), CALLBACK_FUNCTION),
              MMSYSERR_ERROR);
    reason = WaveLastErrorReason();
  }));
  EXPECT_EQ(reason, "the device did not open within 2 s");
  EXPECT_EQ(h, HWAVEIN{});
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_EQ(WaveRegistry::Instance().OpenHandleCount(), 0u);
  EXPECT_EQ(WaveRegistry::OpensLeftBehind(), 1u);

  config->OpenFifoWriter();
  ASSERT_TRUE(test::WaitUntil([&] { return WaveRegistry::OpensLeftBehind() == 0; }));
  config->ReleaseFifos();
  EXPECT_TRUE(wavetest::FootprintReturnsTo(before))
      << wavetest::ProcessFootprint() << ", at first " << before;
}

// What ALSA says about a failure is its reason, never a line of its own on
// standard error.
TEST_F(WaveAlsa, ALSAsOwnWordsBecomeTheReason) {
  Use({.routes = wavetest::AlsaRoutes::Files});
  const std::filesystem::path input = config->OutputPath().parent_path() / "in.raw";
  std::filesystem::remove(input);
  testing::internal::CaptureStderr();
  HWAVEIN h{};
  const MMRESULT opened = waveInOpen(&h, WAVE_MAPPER, &fmt.Format, Sink::In, sink.Instance(), CALLBACK_FUNCTION);
  const std::string reason = WaveLastErrorReason();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(opened, MMSYSERR_BADDEVICEID);
  EXPECT_EQ(reason, "open " + input.string() + " for reading failed: No such file or directory");

  // A call that succeeds has nothing to say.
  ASSERT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &fmt.Format, Sink::Out, sink.Instance(), CALLBACK_FUNCTION),
            MMSYSERR_INVALPARAM);
  EXPECT_EQ(WaveLastErrorReason(), "");
  HWAVEOUT out{};
  ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &fmt.Format, Sink::Out, sink.Instance(), CALLBACK_FUNCTION), 0u);
  EXPECT_EQ(WaveLastErrorReason(), "");
  EXPECT_EQ(waveOutClose(out), 0u);
}

// A reader that goes away while playback runs ends the stream (not the
// process); so does a disk that refuses the data.
TEST_F(WaveAlsa, AFailedWriteEndsThePlaybackStream) {
  struct Case {
    const char* what;
    wavetest::AlsaRoutes routes;
  };
  for (const Case& c : {Case{"full disk", wavetest::AlsaRoutes::FullDisk},
                        Case{"reader gone", wavetest::AlsaRoutes::Fifos}}) {
    SCOPED_TRACE(c.what);
    Use({.routes = c.routes});
    Sink events;
    HWAVEOUT out{};
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &fmt.Format, Sink::Out, events.Instance(),
                          CALLBACK_FUNCTION | WAVE_ALLOWSYNC),
              0u);
    ASSERT_EQ(waveOutPause(out), 0u);  // all queued before the first write can fail
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 16; ++i) {  // more than the file plugin keeps before it writes
      bufs.push_back(std::make_unique<Buffer>(8192));
      waveOutPrepareHeader(out, &bufs.back()->hdr, sizeof(WAVEHDR));
      ASSERT_EQ(waveOutWrite(out, &bufs.back()->hdr, sizeof(WAVEHDR)), 0u);
    }
    ASSERT_EQ(waveOutRestart(out), 0u);
    if (c.routes == wavetest::AlsaRoutes::Fifos) {
      const std::string driver = "waveOut " + std::to_string(std::uint64_t(out));
      ASSERT_TRUE(test::WaitUntil([&] { return wavetest::ThreadSleepsIn(driver, SYS_write); }));
      config->ReleaseFifos();
    }
    ASSERT_TRUE(events.WaitFor(WOM_DONE, bufs.size()));
    Buffer more(8192);
    waveOutPrepareHeader(out, &more.hdr, sizeof more.hdr);
    EXPECT_EQ(waveOutWrite(out, &more.hdr, sizeof more.hdr), MMSYSERR_NODRIVER);
    EXPECT_EQ(waveOutRestart(out), MMSYSERR_NODRIVER);
    EXPECT_EQ(waveOutReset(out), MMSYSERR_NODRIVER);
    for (auto& b : bufs) EXPECT_EQ(waveOutUnprepareHeader(out, &b->hdr, sizeof(WAVEHDR)), 0u);
    EXPECT_EQ(waveOutUnprepareHeader(out, &more.hdr, sizeof more.hdr), 0u);
    EXPECT_EQ(waveOutClose(out), 0u);
  }
}

// Rates beyond what a device takes are refused before anything is opened.
TEST_F(WaveAlsa, AnImpossibleRateIsRefused) {
  for (std::uint32_t rate : {kWaveMaxSampleRate + 1, 4000000000u}) {
    WAVEFORMATEXTENSIBLE huge = Format(rate, 2, 16);
    HWAVEOUT out{};
    EXPECT_EQ(waveOutOpen(&out, WAVE_MAPPER, &huge.Format, Sink::Out, sink.Instance(), CALLBACK_FUNCTION),
              WAVERR_BADFORMAT)
        << rate;
  }
  WAVEFORMATEXTENSIBLE highest = Format(kWaveMaxSampleRate, 2, 16);
  HWAVEOUT out{};
  ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &highest.Format, Sink::Out, sink.Instance(), CALLBACK_FUNCTION), 0u);
  EXPECT_EQ(waveOutClose(out), 0u);
}

}  // namespace
}  // namespace tavrel
