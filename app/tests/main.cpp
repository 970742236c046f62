#include <gtest/gtest.h>

#include "app/modules.h"
#include "platform/tests/hang_watch.h"
#include "platform/tests/modules_environment.h"
#include "platform/tests/wave_alsa_test.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  // Nothing of the machine's ALSA set-up reaches the tests.
  testing::AddGlobalTestEnvironment(new tavrel::wavetest::PrivateAlsaEnvironment);
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment(tavrel::ProgramModules));
  return RUN_ALL_TESTS();
}
