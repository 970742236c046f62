#include <gtest/gtest.h>

#include "controls/modules.h"
#include "platform/tests/hang_watch.h"
#include "platform/tests/modules_environment.h"
#include "platform/ui/module.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  // Form data finds the window layer's and the controls' classes by name.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment([] {
    std::vector<tavrel::ModuleStep> steps = tavrel::UiModuleSteps();
    for (auto& step : tavrel::ControlsModules()) steps.push_back(std::move(step));
    return steps;
  }));
  return RUN_ALL_TESTS();
}
