#pragma once
// The controls folder's module start-up list; a program runs it after the
// window layer's (UiModuleSteps).
//
//   ModuleRun run(ControlsModules());
//
// Adds the controls' pictures and cursor to the program's resources, puts
// the hand cursor in the cursor table at crVrHandPoint (VrControls.h) and
// makes the drawn controls known to the form reader; undone at exit.
#include <span>
#include <vector>

#include "platform/modules.h"
#include "platform/ui/resources.h"

namespace tavrel {

std::vector<ModuleStep> ControlsModules();

// The controls' pictures and cursor (generated from the files listed in
// CMakeLists.txt), which the start-up registers with HInstance().
std::span<const TResource> ControlsResources();

}  // namespace tavrel
