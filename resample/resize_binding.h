#pragma once
// The five resize routine variables and the start-up step that binds them.
//
//   ModuleRun run(MathModuleSteps(ResampleModuleSteps()));
//   ResizeDispatcher::ippiResize_8u_C3R(src, size, step, roi, dst, dstStep,
//                                       dstSize, fx, fy, IPPI_INTER_CUBIC);
//
// Each name is looked up in the optional image libraries (GetIPPIProc); the
// library's routine is installed where one exports it, our own routine of
// the same name (resize.h) otherwise. The step runs after the math loaders
// and before LibCDispatcher; a second run does nothing, and nothing is
// undone at exit.
#include <vector>

#include "math/binding.h"
#include "platform/modules.h"
#include "resample/resize.h"

namespace tavrel {

namespace ResizeDispatcher {
TAVREL_ROUTINE(ippiResize_8u_C3R)
TAVREL_ROUTINE(ippiResize_8u_C4R)
TAVREL_ROUTINE(ippiResize_8u_C1R)
TAVREL_ROUTINE(ippiResize_16u_C1R)
TAVREL_ROUTINE(ippiResizeCenter_8u_C4R)
}  // namespace ResizeDispatcher

void StartResizeBinding();
std::vector<ModuleStep> ResampleModuleSteps();

}  // namespace tavrel
