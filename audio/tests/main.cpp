#include <gtest/gtest.h>

#include "framework/modules.h"
#include "math/binding.h"
#include "platform/tests/modules_environment.h"
#include "signal/modules.h"

namespace {

// The filters need every routine variable bound (the FIR states are
// ALDispatcher's) and the buffer pool; the order is a program's.
std::vector<tavrel::ModuleStep> AudioTestModules() {
  std::vector<tavrel::ModuleStep> steps = tavrel::FrameworkModules();
  for (auto part : {tavrel::MathLoaderSteps(), tavrel::MathDispatcherSteps(), tavrel::SignalModules(),
                    tavrel::MathBufferSteps(), tavrel::MathAudioSteps()})
    steps.insert(steps.end(), part.begin(), part.end());
  return steps;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // gtest owns the environment.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment(AudioTestModules));
  return RUN_ALL_TESTS();
}
