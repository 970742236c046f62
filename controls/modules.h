#pragma once
// The controls folder's module start-up list; a program runs it after the
// window layer's (UiModuleSteps).
//
//   ModuleRun run(ControlsModules());
//
// Makes the drawn controls known to the form reader, and forgets them at exit.
#include <vector>

#include "platform/modules.h"

namespace tavrel {

std::vector<ModuleStep> ControlsModules();

}  // namespace tavrel
