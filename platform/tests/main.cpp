#include <gtest/gtest.h>

#include "platform/tests/hang_watch.h"
#include "platform/tests/wave_alsa_test.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  testing::AddGlobalTestEnvironment(new tavrel::wavetest::PrivateAlsaEnvironment);
  return RUN_ALL_TESTS();
}
