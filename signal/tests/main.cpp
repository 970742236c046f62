#include <gtest/gtest.h>

#include "framework/modules.h"
#include "math/binding.h"
#include "platform/tests/modules_environment.h"
#include "signal/modules.h"

namespace {

// The buffers need the routine variables bound and the global pool's
// timer; the order is a program's.
std::vector<tavrel::ModuleStep> SignalTestModules() {
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
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment(SignalTestModules));
  return RUN_ALL_TESTS();
}
