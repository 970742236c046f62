#pragma once
// Start-up of the window layer: registers its control classes so form
// data can create them by name, and the colour names ("clBtnFace") that
// TColor properties read and write; unregisters them at exit, and empties
// the system image list. Reports on standard error an agreed font family
// that is not installed.
//
//   ModuleRun run(UiModuleSteps());
#include <vector>

#include "platform/modules.h"

namespace tavrel {

std::vector<ModuleStep> UiModuleSteps();

}  // namespace tavrel
