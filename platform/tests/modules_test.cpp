#include "platform/modules.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tavrel {
namespace {

TEST(ModuleRun, StartsInOrderAndFinishesInReverse) {
  std::string trace;
  {
    ModuleRun run({{"a", [&] { trace += "+a"; }, [&] { trace += "-a"; }},
                   {"b", [&] { trace += "+b"; }, [&] { trace += "-b"; }},
                   {"c", nullptr, [&] { trace += "-c"; }}});
    EXPECT_EQ(trace, "+a+b");
  }
  EXPECT_EQ(trace, "+a+b-c-b-a");
}

TEST(ModuleRun, FailedStartFinishesOnlyTheStartedSteps) {
  std::string trace;
  auto fail = [] { throw std::runtime_error("no"); };
  EXPECT_THROW(ModuleRun({{"a", [&] { trace += "+a"; }, [&] { trace += "-a"; }},
                          {"b", fail, [&] { trace += "-b"; }},
                          {"c", [&] { trace += "+c"; }, [&] { trace += "-c"; }}}),
               std::runtime_error);
  EXPECT_EQ(trace, "+a-a");
}

}  // namespace
}  // namespace tavrel
