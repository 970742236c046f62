#include <gtest/gtest.h>

#include "platform/tests/hang_watch.h"
#include "platform/tests/modules_environment.h"
#include "signal/modules.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  // The buffers need the routine variables bound and the global pool's timer.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment(tavrel::SignalStackModules));
  return RUN_ALL_TESTS();
}
