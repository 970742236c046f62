#pragma once
// The signal folder's module start-up list, in order; a program runs it
// after the math dispatcher steps and before MathBufferSteps (math/binding.h).
//
//   ModuleRun run(SignalModules());
//
// SLInternalStore starts the global pool's 200 ms trimming timer on the
// calling thread (which must pump messages for it to tick); its finish
// stops the timer and hands every pooled block back to the heap.
#include <vector>

#include "platform/modules.h"

namespace tavrel {

std::vector<ModuleStep> SignalModules();

// Every step a program built on the signal layer runs, in a program's order:
// the framework's, the math loaders and dispatchers, the signal folder's,
// then the media buffer and audio routine bindings.
std::vector<ModuleStep> SignalStackModules();

}  // namespace tavrel
