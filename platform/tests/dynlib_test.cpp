#include "platform/dynlib.h"

#include <fenv.h>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

// The fixture libraries are built next to this test program.
TEST(Dynlib, FindsALibraryByItsWindowsStyleName) {
  for (const char* name : {"tavrel_fixture.dll", "libtavrel_fixture.so"}) {
    SCOPED_TRACE(name);
    LibraryHandle h = LoadLibrary(name);
    ASSERT_NE(h, nullptr);
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(h, "FixtureAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(h, "NoSuchEntry"), nullptr);
    EXPECT_TRUE(FreeLibrary(h));
  }
}

TEST(Dynlib, AMissingLibraryGivesNullAndPrintsNothing) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadLibrary("tavrel_no_such_library.dll"), nullptr);
  EXPECT_EQ(LoadLibrary("d3d9.dll"), nullptr);
  EXPECT_EQ(LoadLibrary(""), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "FixtureAnswer"), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Dynlib, LoadingKeepsTheFloatingPointEnvironment) {
  const int rounding = fegetround();
  const int traps = fegetexcept();
  LibraryHandle h = LoadLibrary("tavrel_fpfixture.dll");
  ASSERT_NE(h, nullptr);
  auto seen = reinterpret_cast<int (*)()>(GetProcAddress(h, "RoundingSetByConstructor"));
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seen(), FE_UPWARD);  // the constructor did change it...
  EXPECT_EQ(fegetround(), rounding);  // ...and the load put it back
  EXPECT_EQ(fegetexcept(), traps);
  FreeLibrary(h);
}

TEST(Dynlib, ProgramFolderHoldsThisProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  LibraryHandle h = LoadLibrary(folder + "libtavrel_fixture.so");
  EXPECT_NE(h, nullptr);
  FreeLibrary(h);
}

TEST(Dynlib, EnvironmentVariablesRoundTrip) {
  EXPECT_TRUE(SetEnvironmentVariable("TAVREL_DYNLIB_TEST", "disabled"));
  EXPECT_EQ(GetEnvironmentVariable("TAVREL_DYNLIB_TEST"), "disabled");
  EXPECT_EQ(GetEnvironmentVariable("TAVREL_DYNLIB_TEST_UNSET"), "");
}

}  // namespace
}  // namespace tavrel
