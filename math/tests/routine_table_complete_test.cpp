#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "math/binding.h"
#include "math/routine_table.h"
#include "math/routines.h"

namespace tavrel {
namespace {

// Without the numeric libraries every row of every module, walked in its
// fixed order, holds its own kernel; the one row without a kernel stays nil.
TEST(RoutineTable, EveryRowIsBoundToItsKernelWithoutTheLibraries) {
  std::vector<std::pair<BindingModule, std::string>> walked;
  SetBindingHooks({[](const std::string&) -> LibraryHandle { return nullptr; },
                   [](LibraryHandle) { return true; },
                   [&](BindingModule m, std::string_view name, void*) { walked.emplace_back(m, name); }});
  {
    ModuleRun run(MathModuleSteps());
    std::size_t at = 0;
    std::vector<std::string> unbound;
    int rows = 0;
    for (BindingModule module : kBindingModules) {
      for (std::string_view name : RoutineNames(module)) {
        ++rows;
        // The start-up walked this row next, in its module's fixed order.
        if (at < walked.size()) {
          EXPECT_EQ(walked[at].first, module) << name;
          EXPECT_EQ(walked[at].second, name);
        }
        ++at;
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
    EXPECT_EQ(walked.size(), 268u);
    EXPECT_TRUE(unbound.empty()) << unbound.size() << " rows unbound, first "
                                 << (unbound.empty() ? "" : unbound.front());
    for (const auto& name : unbound) ADD_FAILURE() << name;
  }
  ResetBindingHooks();
}

}  // namespace
}  // namespace tavrel
