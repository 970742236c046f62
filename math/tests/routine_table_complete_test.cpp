#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "math/binding.h"
#include "math/routine_table.h"
#include "math/routines.h"

namespace tavrel {
namespace {

// Without the numeric libraries every row of every module holds its own
// kernel; the one row without a kernel stays nil. (The order the rows are
// bound in is checked against the published list in binding_test.cpp.)
TEST(RoutineTable, EveryRowIsBoundToItsKernelWithoutTheLibraries) {
  SetBindingHooks({[](const std::string&) -> LibraryHandle { return nullptr; },
                   [](LibraryHandle) { return true; }, {}});
  {
    ModuleRun run(MathModuleSteps());
    std::vector<std::string> unbound;
    int rows = 0;
    for (BindingModule module : kBindingModules) {
      for (std::string_view name : RoutineNames(module)) {
        ++rows;
        const RoutineEntry* entry = FindRoutineEntry(module, name);
        const bool withoutKernel = module == BindingModule::SLDispatcher && name == "ippsSVD_64f_D2L";
        if (withoutKernel) {
          EXPECT_EQ(SLDispatcher::ippsSVD_64f_D2L, nullptr);
          continue;
        }
        if (entry == nullptr || entry->fallback == nullptr || entry->Load() != entry->fallback)
          unbound.push_back(std::string(BindingModuleName(module)) + "::" + std::string(name));
      }
    }
    EXPECT_EQ(rows, 268);
    EXPECT_TRUE(unbound.empty()) << unbound.size() << " rows unbound, first "
                                 << (unbound.empty() ? "" : unbound.front());
    for (const auto& name : unbound) ADD_FAILURE() << name;
  }
  ResetBindingHooks();
}

}  // namespace
}  // namespace tavrel
