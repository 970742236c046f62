#include <gtest/gtest.h>

#include "platform/tests/hang_watch.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  return RUN_ALL_TESTS();
}
