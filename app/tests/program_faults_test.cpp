// The real program under faults. Without a display it will not start; when
// the X server goes away under it, it stops its audio, saves its choices,
// says why and ends, never hangs; a capture device whose open never returns
// costs it a bounded wait, after which its window is up and says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/tests/program_harness.h"
#include "platform/inifiles.h"
#include "platform/tests/wait_until.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/tests/x_display.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using namespace apptest;


// The program in a folder of its own (its preferences go beside it), on
// the tests' ALSA devices (files unless told otherwise).
class ProgramFolder {
 public:
  explicit ProgramFolder(wavetest::AlsaRoutes routes = wavetest::AlsaRoutes::Files)
      : alsa_({.routes = routes}), dir_(alsa_.OutputPath().parent_path() / "program") {
    fs::create_directories(dir_);
    fs::copy_file(kProgram, dir_ / "tavrel");
  }
  std::string Program() const { return (dir_ / "tavrel").string(); }
  fs::path Ini() const { return dir_ / "tavrel.ini"; }
  fs::path Log() const { return dir_ / "output.txt"; }

 private:
  wavetest::AlsaTestConfig alsa_;
  fs::path dir_;
};

TEST(ProgramDisplay, WithoutADisplayItSaysSoAndEnds) {
  if (!*kProgram) GTEST_SKIP() << "the program is not built in this tree";
  struct Case {
    const char* name;
    std::optional<std::string> display;
  } cases[] = {{"unset", std::nullopt}, {"nowhere", ":9999"}, {"empty", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder;
    ProgramRun run(folder.Program(), folder.Log(), {{"DISPLAY", c.display}, {"WAYLAND_DISPLAY", std::nullopt}});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(test::WaitUntil([&] { return run.Exited(); })) << "still running without a display";
    EXPECT_EQ(run.ExitCode(), 1);
    const std::string out = ReadText(folder.Log());
    EXPECT_EQ(out.rfind("Tavrel: no display", 0), 0u) << out;
    EXPECT_FALSE(fs::exists(folder.Ini())) << "nothing ran, so nothing is saved";
  }
}

TEST(ProgramDisplay, ALostDisplayEndsItInOrder) {
  if (const std::string why = ProgramWindowMissing(); !why.empty()) GTEST_SKIP() << why;
  // When the server went, Xlib used to end the process from the GUI thread
  // and from the capture thread at once, which deadlocked in exit about once
  // in 35 tries. Each program here loses its own server at a different
  // moment: in its start sequence, or with the audio running.
  constexpr int kRounds = 9, kAtOnce = 4;
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> delayMs(0, 400);
  struct Run {
    test::TestDisplay x;
    std::string display;
    ProgramFolder folder;
    std::optional<ProgramRun> program;
    int delay = 0;
  };
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<std::unique_ptr<Run>> runs;
    for (int i = 0; i < kAtOnce; ++i) {
      auto r = std::make_unique<Run>();
      if (std::string why = r->x.Open(/*ownServer=*/true); !why.empty()) GTEST_SKIP() << why;
      r->display = std::getenv("DISPLAY");
      r->program.emplace(r->folder.Program(), r->folder.Log(),
                         std::map<std::string, std::optional<std::string>>{{"DISPLAY", r->display}});
      ASSERT_TRUE(r->program->Started());
      r->delay = delayMs(random);
      runs.push_back(std::move(r));
    }
    for (auto& r : runs)
      ASSERT_TRUE(test::WaitUntil([&] { return r->program->Exited() || WindowShows(r->display, "Tavrel"); }))
          << "no window\n" << ReadText(r->folder.Log());
    // Each server ends its own time after its window showed.
    std::vector<Run*> byDelay;
    for (auto& r : runs) byDelay.push_back(r.get());
    std::sort(byDelay.begin(), byDelay.end(), [](Run* a, Run* b) { return a->delay < b->delay; });
    int slept = 0;
    for (Run* r : byDelay) {
      ASSERT_FALSE(r->program->Exited()) << ReadText(r->folder.Log());
      std::this_thread::sleep_for(std::chrono::milliseconds(r->delay - slept));
      slept = r->delay;
      // Every connection drops, as when the session ends.
      r->x.End(SIGTERM);
    }
    for (auto& r : runs) {
      // Any wait at all would be a hang: the bound is the test's hang guard.
      ASSERT_TRUE(test::WaitUntil([&] { return r->program->Exited(); }))
          << "still running without its display\n" << ReadText(r->folder.Log());
      const std::string out = ReadText(r->folder.Log());
      EXPECT_EQ(r->program->ExitCode(), 1) << out;
      EXPECT_NE(out.find("Tavrel: the display was lost\n"), std::string::npos) << out;
      // The window's close ran: the choices are saved.
      TIniFile saved(r->folder.Ini().string());
      EXPECT_EQ(saved.ReadString("AudioDevices", "OutDevice", "?"), "Default") << out;
    }
    // Last made, first gone: each server's DISPLAY setting unwinds to the one before.
    while (!runs.empty()) runs.pop_back();
  }
}

TEST(ProgramDevices, ACaptureThatNeverOpensLeavesTheWindowUpAndSaysWhy) {
  if (const std::string why = ProgramWindowMissing(); !why.empty()) GTEST_SKIP() << why;
  test::TestDisplay x;
  if (std::string why = x.Open(/*ownServer=*/true); !why.empty()) GTEST_SKIP() << why;
  const std::string display = std::getenv("DISPLAY");
  // The default capture reads a pipe that nobody ever opens for writing.
  ProgramFolder folder(wavetest::AlsaRoutes::FifoNoWriter);
  ProgramRun run(folder.Program(), folder.Log(), {{"DISPLAY", display}});
  ASSERT_TRUE(run.Started());
  const std::string said =
      "Tavrel: input \"Default\": Can't open audio device. - 1 - 1 (the device did not open within 2 s)\n";
  ASSERT_TRUE(test::WaitUntil([&] { return run.Exited() || ReadText(folder.Log()) == said; }))
      << ReadText(folder.Log());
  ASSERT_FALSE(run.Exited()) << ReadText(folder.Log());
  ASSERT_TRUE(test::WaitUntil([&] { return WindowShows(display, "Tavrel"); }));
  // The window answers: its close button ends the program as always.
  ASSERT_TRUE(CloseWindowNamed(display, "Tavrel"));
  ASSERT_TRUE(test::WaitUntil([&] { return run.Exited(); })) << ReadText(folder.Log());
  EXPECT_EQ(run.ExitCode(), 0) << ReadText(folder.Log());
}

}  // namespace
}  // namespace tavrel
