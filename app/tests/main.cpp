#include <gtest/gtest.h>

#include "audio/modules.h"
#include "controls/modules.h"
#include "platform/tests/modules_environment.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/ui/module.h"
#include "signal/modules.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new tavrel::wavetest::PrivateAlsaEnvironment);
  // The program's own start-up list: the signal stack (the main-thread
  // notifications, the buffer pool), the window layer, the controls and the
  // audio components, so form data finds every class by name.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment([] {
    std::vector<tavrel::ModuleStep> steps = tavrel::SignalStackModules();
    for (auto& step : tavrel::UiModuleSteps()) steps.push_back(std::move(step));
    for (auto& step : tavrel::ControlsModules()) steps.push_back(std::move(step));
    for (auto& step : tavrel::AudioModules()) steps.push_back(std::move(step));
    return steps;
  }));
  return RUN_ALL_TESTS();
}
