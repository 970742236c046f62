#include <gtest/gtest.h>

#include <array>

#include "framework/DirectXLoaders.h"
#include "framework/GDIPlusStartup.h"
#include "framework/modules.h"
#include "platform/dynlib.h"

namespace tavrel {
namespace {

// The loaders of the program: the test environment ran their start-up.
TEST(DirectXLoaders, NoneIsFoundOnLinuxAndEachBindsNothing) {
  const struct {
    LibraryLoader& loader;
    size_t entries;
  } cases[] = {{VLDirect3D9(), 1}, {VLDirectSound(), 13}, {VLDirectDraw(), 9}};
  testing::internal::CaptureStderr();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.loader.FileName());
    EXPECT_FALSE(c.loader.Loaded());
    EXPECT_FALSE(c.loader.Load());
    EXPECT_FALSE(c.loader.Loaded());
    ASSERT_EQ(c.loader.EntryCount(), c.entries);
    for (size_t i = 0; i < c.entries; ++i) EXPECT_EQ(c.loader.Entry(i), nullptr);
    EXPECT_TRUE(c.loader.Unload());  // never loaded
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(DirectXLoaders, ALibraryWithItsKeyEntryBindsTheWholeTable) {
  LibraryLoader loader("tavrel_ddraw.dll", DirectDrawEntryNames(), 6);
  ASSERT_TRUE(loader.Load());
  EXPECT_TRUE(loader.Loaded());
  EXPECT_TRUE(loader.Load());  // already loaded
  for (size_t i = 0; i < loader.EntryCount(); ++i) EXPECT_NE(loader.Entry(i), nullptr) << i;
  EXPECT_EQ(loader.EntryName(6), "DirectDrawCreate");
  EXPECT_EQ(reinterpret_cast<int (*)()>(loader.Entry(6))(), 5);
  EXPECT_EQ(loader.Entry(1), loader.Entry(2));  // one name, two variables
  EXPECT_TRUE(loader.Unload());
  EXPECT_FALSE(loader.Loaded());
  for (size_t i = 0; i < loader.EntryCount(); ++i) EXPECT_EQ(loader.Entry(i), nullptr) << i;
}

TEST(DirectXLoaders, ALibraryWithoutItsKeyEntryIsUnloadedAtOnce) {
  LibraryLoader loader("tavrel_dsound_nokey.dll", DirectSoundEntryNames(), 0);
  EXPECT_FALSE(loader.Load());
  EXPECT_FALSE(loader.Loaded());
  ASSERT_EQ(loader.EntryCount(), 13u);
  for (size_t i = 0; i < 13; ++i) EXPECT_EQ(loader.Entry(i), nullptr) << i;
}

// What the graphics library stand-in saw, in the order of FixtureCounts.
struct GdiplusCalls {
  int startups, shutdowns, hooks, unhooks, shutdownToken, unhookToken, inputAsExpected;
};

class GraphicsStartup : public testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibrary("tavrel_gdiplus.dll");  // keeps the counters alive
    ASSERT_NE(library_, nullptr);
    setStatus_ = reinterpret_cast<void (*)(int32_t)>(GetProcAddress(library_, "FixtureSetStartupStatus"));
    counts_ = reinterpret_cast<void (*)(int*)>(GetProcAddress(library_, "FixtureCounts"));
  }
  void TearDown() override { FreeLibrary(library_); }
  GdiplusCalls Calls() {
    std::array<int, 7> v{};
    counts_(v.data());
    return {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
  }

  LibraryHandle library_ = nullptr;
  void (*setStatus_)(int32_t) = nullptr;
  void (*counts_)(int*) = nullptr;
};

TEST_F(GraphicsStartup, StartsOnceAndShutsDownOnceWithTheTokens) {
  GDIPlusModule gdi("tavrel_gdiplus.dll");
  EXPECT_TRUE(gdi.Start());
  EXPECT_TRUE(gdi.Start());
  EXPECT_TRUE(gdi.Started());
  GdiplusCalls c = Calls();
  EXPECT_EQ(c.startups, 1);
  EXPECT_EQ(c.hooks, 1);
  EXPECT_EQ(c.inputAsExpected, 1);
  gdi.Shutdown();
  gdi.Shutdown();
  EXPECT_FALSE(gdi.Started());
  c = Calls();
  EXPECT_EQ(c.shutdowns, 1);
  EXPECT_EQ(c.unhooks, 1);
  EXPECT_EQ(c.unhookToken, 77);  // the token the hook handed out
  EXPECT_EQ(c.shutdownToken, 1234);
}

TEST_F(GraphicsStartup, AFailedStartIsNotMarkedStartedAndNeverShutDown) {
  setStatus_(2);
  {
    GDIPlusModule gdi("tavrel_gdiplus.dll");
    EXPECT_FALSE(gdi.Start());
    EXPECT_FALSE(gdi.Started());
    gdi.Shutdown();
  }
  const GdiplusCalls c = Calls();
  EXPECT_EQ(c.startups, 1);
  EXPECT_EQ(c.hooks, 0);
  EXPECT_EQ(c.shutdowns, 0);
  EXPECT_EQ(c.unhooks, 0);
}

TEST(GraphicsStartupOnLinux, TheGraphicsLibraryIsAbsentSoNothingIsStarted) {
  EXPECT_FALSE(GDIPlus().Started());
  StartGDIPlus();
  EXPECT_FALSE(GDIPlus().Started());
  ShutdownGDIPlus();
}

TEST(FrameworkModules, PinsFirstThenGraphicsThenTheLoadersInTheirOrder) {
  std::vector<std::string> names;
  for (const auto& step : FrameworkModules()) names.push_back(step.name);
  const std::vector<std::string> want{"OWPins", "GDIPlus", "OWStdTypes", "VLDirectDraw", "VLDirectSound", "VLDirect3D9",
                                      "VLDirectShow"};
  EXPECT_EQ(names, want);
}

}  // namespace
}  // namespace tavrel
