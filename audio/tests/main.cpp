#include <gtest/gtest.h>

#include "audio/modules.h"
#include "platform/tests/hang_watch.h"
#include "platform/tests/modules_environment.h"
#include "platform/tests/wave_alsa_test.h"
#include "platform/ui/module.h"
#include "signal/modules.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new tavrel::test::HangWatch);
  testing::AddGlobalTestEnvironment(new tavrel::wavetest::PrivateAlsaEnvironment);
  // The filters and devices need every routine variable bound, the buffer pool
  // and their classes known to the form reader; the device dialog, the
  // window layer's classes.
  testing::AddGlobalTestEnvironment(new tavrel::ModulesEnvironment([] {
    std::vector<tavrel::ModuleStep> steps = tavrel::SignalStackModules();
    for (auto& step : tavrel::UiModuleSteps()) steps.push_back(std::move(step));
    for (auto& step : tavrel::AudioModules()) steps.push_back(std::move(step));
    return steps;
  }));
  return RUN_ALL_TESTS();
}
