#include <gtest/gtest.h>

#include "framework/modules.h"
#include "platform/tests/hang_watch.h"
#include "platform/tests/modules_environment.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  // gtest owns the environment.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment(tavrel::FrameworkModules));
  return RUN_ALL_TESTS();
}
