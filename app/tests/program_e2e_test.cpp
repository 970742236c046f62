// The real program, end to end: started under a private X server with
// ALSA's own file plugins as its default capture and playback devices, it
// must play the low-pass of what it records, and save its preferences when
// its window is closed.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "app/tests/program_harness.h"
#include "audio/ALFIRTaps.h"
#include "platform/inifiles.h"
#include "platform/tests/wait_until.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/tests/x_display.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using namespace apptest;

constexpr uint32_t kRate = 44100;  // what the window selects at start-up
constexpr size_t kChannels = 2;
constexpr size_t kFrames = kRate * 2;  // two seconds

// Tones under a pseudo-random hiss, so that no stretch repeats and the
// start offset is found in one place only.
std::vector<int16_t> Recording() {
  std::vector<int16_t> s(kFrames * kChannels);
  uint32_t x = 2463534242u;
  for (size_t n = 0; n < kFrames; ++n) {
    const double t = double(n) / kRate, pi = std::numbers::pi;
    for (size_t c = 0; c < kChannels; ++c) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      const double hiss = double(int32_t(x % 8001) - 4000);
      const double tone = c == 0 ? 9000 * std::sin(2 * pi * 440 * t) + 7000 * std::sin(2 * pi * 6000 * t)
                                 : 8000 * std::sin(2 * pi * 1000 * t + 1) + 8000 * std::sin(2 * pi * 9000 * t);
      s[n * kChannels + c] = int16_t(std::lround(tone + hiss));
    }
  }
  return s;
}


// Counts the files of a folder replaced by a rename into it, by name. The
// renames out are watched too: the kernel merges identical events in a row.
class RenameWatch {
 public:
  explicit RenameWatch(const fs::path& dir) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ >= 0) inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO | IN_MOVED_FROM);
  }
  ~RenameWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Ready() const { return fd_ >= 0; }
  int Count(const std::string& name) {
    alignas(inotify_event) char buf[4096];
    ssize_t n;
    while ((n = ::read(fd_, buf, sizeof buf)) > 0)
      for (char* p = buf; p < buf + n;) {
        auto* e = reinterpret_cast<inotify_event*>(p);
        if ((e->mask & IN_MOVED_TO) && e->len && name == e->name) ++count_;
        p += sizeof(inotify_event) + e->len;
      }
    return count_;
  }

 private:
  int fd_;
  int count_ = 0;
};

TEST(Program, PlaysTheLowPassOfTheRecordingAndSavesItsPreferences) {
  if (const std::string why = ProgramWindowMissing(); !why.empty()) GTEST_SKIP() << why;
  test::TestDisplay x;
  if (std::string why = x.Open(/*ownServer=*/true); !why.empty()) GTEST_SKIP() << why;
  const std::string display = std::getenv("DISPLAY");

  // The capture file is the WAV itself: the file plugin reads it raw, so its
  // 44 header bytes come first as 11 frames, which only the filter's first
  // outputs feel.
  const std::vector<int16_t> recording = Recording();
  const std::vector<char> wav = MakeWav(recording, kRate, kChannels);
  wavetest::AlsaTestConfig alsa({.input = wav, .routes = wavetest::AlsaRoutes::Files});

  // The program beside its own preferences file, in a folder of the test's.
  const fs::path dir = alsa.OutputPath().parent_path() / "program";
  fs::create_directories(dir);
  const fs::path program = dir / "tavrel";
  fs::copy_file(kProgram, program);
  const fs::path ini = dir / "tavrel.ini";
  const fs::path log = dir / "output.txt";

  {
    ProgramRun run(program.string(), log, {{"DISPLAY", display}});
    ASSERT_TRUE(run.Started());
    // Everything recorded, and the filter's delay after it, played.
    const uintmax_t wanted = wav.size() + 4096 * kChannels * 2;
    ASSERT_TRUE(test::WaitUntil([&] {
      std::error_code ec;
      const uintmax_t size = fs::file_size(alsa.OutputPath(), ec);
      return run.Exited() || (!ec && size >= wanted);
    })) << "played " << alsa.Output().size() << " of " << wanted << " bytes\n" << ReadText(log);
    ASSERT_FALSE(run.Exited()) << "the program ended on its own (" << run.ExitCode() << ")\n" << ReadText(log);
    EXPECT_FALSE(fs::exists(ini)) << "written before the window closed";

    RenameWatch saves(dir);
    ASSERT_TRUE(saves.Ready());
    ASSERT_TRUE(test::WaitUntil([&] { return CloseWindowNamed(display, "Tavrel"); })) << "no window";

    ASSERT_TRUE(test::WaitUntil([&] { return run.Exited(); })) << "the window did not close\n" << ReadText(log);
    EXPECT_EQ(run.ExitCode(), 0) << ReadText(log);
    // One click, one close: one save, whose three entries each replace the file.
    EXPECT_EQ(saves.Count("tavrel.ini"), 3) << ReadText(log);
  }

  // A first run saves the first devices and an empty line, and never the
  // drawing mode.
  ASSERT_TRUE(fs::exists(ini)) << ReadText(log);
  TIniFile saved(ini.string());
  SCOPED_TRACE("the program's output:\n" + ReadText(log) + "the preferences file:\n" + ReadText(ini));
  EXPECT_EQ(saved.ReadString("AudioDevices", "InDevice", "?"), "Default");
  EXPECT_EQ(saved.ReadString("AudioDevices", "InDeviceLine", "?"), "");
  EXPECT_EQ(saved.ReadString("AudioDevices", "OutDevice", "?"), "Default");
  EXPECT_FALSE(saved.ValueExists("Misc", "WaveFormFill"));

  // What was played is the stored low-pass (1500 Hz, 41 taps, Hamming) of
  // what was recorded, sample for sample once the filter has its history.
  TALFIRParams lowPass{TALFIRKind::LowPass};
  lowPass.Frequency = 1500.0;
  TSLAReal taps;
  CalculateFIRTaps(lowPass, kRate, taps);
  const size_t tapCount = size_t(taps.size());
  const std::vector<int16_t> captured = AsSamples(wav);
  const Filtered expected = FilterThrough(captured, kChannels, taps, tapCount);
  const std::vector<int16_t> played = AsSamples(alsa.Output());

  const size_t frames = captured.size() / kChannels;
  std::optional<long> offset = FindOffset(played, expected.samples, kChannels, frames / 2);
  if (!offset) offset = FindOffset(played, expected.samples, kChannels, frames / 2 + 1000);
  ASSERT_TRUE(offset.has_value()) << "the low-pass of the recording is nowhere in the " << played.size() / kChannels
                                  << " played frames";
  std::cout << "played frame of recorded frame 0: " << *offset << "\n";
  // Every frame from the first the filter saw whole to the last recorded.
  const size_t first = size_t(std::max<long>(0, -*offset)) + tapCount;
  EXPECT_LT(first, frames / 10) << "the first tenth of the recording was never played";
  size_t bad = 0, firstBad = 0;
  for (size_t i = first * kChannels; i < captured.size(); ++i) {
    const size_t p = size_t(long(i) + *offset * long(kChannels));
    ASSERT_LT(p, played.size()) << "the end of the recording was not played";
    const int d = played[p] - expected.samples[i];
    if (d != 0 && !(expected.nearTie[i] && std::abs(d) == 1) && bad++ == 0) firstBad = i;
  }
  EXPECT_EQ(bad, 0u) << "first at recorded sample " << firstBad << ": played "
                     << played[size_t(long(firstBad) + *offset * long(kChannels))] << ", expected "
                     << expected.samples[firstBad];
}

}  // namespace
}  // namespace tavrel
