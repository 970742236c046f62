#include <gtest/gtest.h>

#include "controls/modules.h"
#include "platform/tests/hang_watch.h"
#include "platform/tests/modules_environment.h"
#include "platform/ui/module.h"
#include "platform/ui/resources.h"

namespace tavrel {
// The tests' own RCDATA, listed in CMakeLists.txt.
std::span<const TResource> ControlsTestResources();
}  // namespace tavrel

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  // Form data finds the window layer's and the controls' classes by name.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment([] {
    std::vector<tavrel::ModuleStep> steps = tavrel::UiModuleSteps();
    for (auto& step : tavrel::ControlsModules()) steps.push_back(std::move(step));
    steps.push_back({"test resources", [] { tavrel::HInstance().Register(tavrel::ControlsTestResources()); },
                     [] { tavrel::HInstance().Unregister(tavrel::ControlsTestResources()); }});
    return steps;
  }));
  return RUN_ALL_TESTS();
}
