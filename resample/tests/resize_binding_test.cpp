// Start-up binding of the five resize names.
#include <dlfcn.h>

#include "resample/resize_binding.h"
#include "resample/tests/reference.h"

namespace tavrel::testing_resize {
namespace {

void ClearVariables() {
  ResizeDispatcher::ippiResize_8u_C3R = nullptr;
  ResizeDispatcher::ippiResize_8u_C4R = nullptr;
  ResizeDispatcher::ippiResize_8u_C1R = nullptr;
  ResizeDispatcher::ippiResize_16u_C1R = nullptr;
  ResizeDispatcher::ippiResizeCenter_8u_C4R = nullptr;
}

// Loads the stand-in in place of the image library when `present`.
void Libraries(bool present) {
  BindingHooks hooks;
  hooks.load = [present](const std::string& file) -> LibraryHandle {
    return present && file == "ippi-7.0.dll" ? dlopen(TAVREL_IPPI_STUB, RTLD_NOW | RTLD_LOCAL) : nullptr;
  };
  hooks.release = [](LibraryHandle h) { return dlclose(h) == 0; };
  SetBindingHooks(hooks);
}

class ResizeBinding : public ::testing::Test {
 protected:
  void SetUp() override { ClearVariables(); }
  void TearDown() override {
    ResetBindingHooks();
    ClearVariables();
  }
};

TEST_F(ResizeBinding, StepRunsBetweenTheLoadersAndLibC) {
  std::vector<std::string> names;
  for (const auto& step : MathModuleSteps(ResampleModuleSteps())) names.push_back(step.name);
  const auto at = [&](const std::string& n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
  ASSERT_LT(at("ResizeBinding"), static_cast<long>(names.size()));
  EXPECT_LT(at("LPIPPILoader"), at("ResizeBinding"));
  EXPECT_LT(at("ResizeBinding"), at("LibCDispatcher"));
}

TEST_F(ResizeBinding, WithoutTheLibraryOurRoutinesAreInstalled) {
  Libraries(false);
  ModuleRun run(MathModuleSteps(ResampleModuleSteps()));
  EXPECT_EQ(ResizeDispatcher::ippiResize_8u_C3R, &kernels::ippiResize_8u_C3R);
  EXPECT_EQ(ResizeDispatcher::ippiResize_8u_C4R, &kernels::ippiResize_8u_C4R);
  EXPECT_EQ(ResizeDispatcher::ippiResize_8u_C1R, &kernels::ippiResize_8u_C1R);
  EXPECT_EQ(ResizeDispatcher::ippiResize_16u_C1R, &kernels::ippiResize_16u_C1R);
  EXPECT_EQ(ResizeDispatcher::ippiResizeCenter_8u_C4R, &kernels::ippiResizeCenter_8u_C4R);
  const Ipp8u px[4] = {1, 2, 3, 4};
  Ipp8u out = 0;
  EXPECT_EQ(ResizeDispatcher::ippiResize_8u_C1R(px, {2, 2}, 2, {0, 0, 2, 2}, &out, 1, {1, 1}, 0.5, 0.5,
                                                IPPI_INTER_SUPER),
            ippStsNoErr);
  EXPECT_EQ(out, 3);
}

TEST_F(ResizeBinding, TheLibrarysRoutineWinsAndASecondRunChangesNothing) {
  Libraries(true);
  {
    ModuleRun run(MathModuleSteps(ResampleModuleSteps()));
    ASSERT_NE(ResizeDispatcher::ippiResize_8u_C1R, &kernels::ippiResize_8u_C1R);
    EXPECT_EQ(ResizeDispatcher::ippiResize_8u_C1R(nullptr, {0, 0}, 0, {0, 0, 0, 0}, nullptr, 0, {0, 0}, 0, 0, 0),
              12345);
    EXPECT_EQ(ResizeDispatcher::ippiResize_8u_C3R, &kernels::ippiResize_8u_C3R);
    EXPECT_EQ(ResizeDispatcher::ippiResizeCenter_8u_C4R, &kernels::ippiResizeCenter_8u_C4R);
  }
  const auto bound = ResizeDispatcher::ippiResize_8u_C1R;
  Libraries(false);
  StartResizeBinding();
  EXPECT_EQ(ResizeDispatcher::ippiResize_8u_C1R, bound);
}

}  // namespace
}  // namespace tavrel::testing_resize
