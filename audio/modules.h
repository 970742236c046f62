#pragma once
// The audio folder's module start-up list; a program runs it after the
// signal layer's (SignalStackModules).
//
//   ModuleRun run(AudioModules());
//
// ALComponents makes the capture, playback, generic and FIR filter classes
// known to the form reader, and forgets them at exit.
#include <vector>

#include "platform/modules.h"

namespace tavrel {

std::vector<ModuleStep> AudioModules();

}  // namespace tavrel
