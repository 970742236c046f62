#include "signal/modules.h"

#include "framework/modules.h"
#include "math/binding.h"
#include "platform/sync.h"
#include "signal/ALStreamTypes.h"
#include "signal/SLBufferStore.h"
#include "signal/SLMainThreadNotify.h"

namespace tavrel {

std::vector<ModuleStep> SignalModules() {
  return {
      // The GUI thread: the one that starts the program.
      {"SLClockGen", [] { SetMainThreadID(GetCurrentThreadId()); }, [] {}},
      {"SLInternalStore", [] { GlobalBufferManager().StartTrimTimer(); },
       [] {
         GlobalBufferManager().StopTrimTimer();
         GlobalBufferManager().ReleaseMemory();
       }},
      {"SLStreamTypes", &SLStreamTypesStart, &SLStreamTypesFinish},
      {"ALStreamTypes", &ALStreamTypesStart, {}},
  };
}

std::vector<ModuleStep> SignalStackModules() {
  std::vector<ModuleStep> steps = FrameworkModules();
  for (auto part : {MathLoaderSteps(), MathDispatcherSteps(), SignalModules(), MathBufferSteps(),
                    MathAudioSteps()})
    steps.insert(steps.end(), part.begin(), part.end());
  return steps;
}

}  // namespace tavrel
