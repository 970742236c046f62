#include <gtest/gtest.h>

#include "platform/tests/modules_environment.h"
#include "signal/modules.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The filters and devices need every routine variable bound and the buffer pool.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment(tavrel::SignalStackModules));
  return RUN_ALL_TESTS();
}
