#pragma once
// Start-up of the window layer: registers its control classes so form
// data can create them by name, and unregisters them at exit.
//
//   ModuleRun run(UiModuleSteps());
#include <vector>

#include "platform/modules.h"

namespace tavrel {

std::vector<ModuleStep> UiModuleSteps();

}  // namespace tavrel
