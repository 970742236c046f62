#pragma once
// Runs a folder's module start-up list around a whole test program, as the
// program's main does around its run.
//
//   int main(int argc, char** argv) {
//     testing::InitGoogleTest(&argc, argv);
//     testing::AddGlobalTestEnvironment(new ModulesEnvironment(FrameworkModules));
//     return RUN_ALL_TESTS();
//   }
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/modules.h"

namespace tavrel {

class ModulesEnvironment : public testing::Environment {
 public:
  explicit ModulesEnvironment(std::function<std::vector<ModuleStep>()> steps)
      : steps_(std::move(steps)) {}

  void SetUp() override { run_.emplace(steps_()); }
  void TearDown() override { run_.reset(); }

 private:
  std::function<std::vector<ModuleStep>()> steps_;
  std::optional<ModuleRun> run_;
};

}  // namespace tavrel
