#pragma once
// Every module start-up step the program runs, lowest layer first: the
// signal stack (framework, math bindings, buffers), the theme bindings, the
// window layer, the controls and the audio classes. The application's own
// modules need no step.
//
//   ModuleRun run(ProgramModules());
#include <vector>

#include "platform/modules.h"

namespace tavrel {

std::vector<ModuleStep> ProgramModules();

}  // namespace tavrel
