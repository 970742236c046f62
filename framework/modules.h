#pragma once
// The framework's module start-up list, in order; a program runs it with
// ModuleRun (platform/modules.h), which undoes it in reverse at exit.
//
//   ModuleRun run(FrameworkModules());
//
// Order: the pin module comes first (its registries and critical sections
// must exist before any pin), the graphics start-up right after it, the
// standard stream types next, and the multimedia loaders last, in the order
// DirectDraw, DirectSound, Direct3D 9, DirectShow.
#include <vector>

#include "platform/modules.h"

namespace tavrel {

std::vector<ModuleStep> FrameworkModules();

}  // namespace tavrel
