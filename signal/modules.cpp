#include "signal/modules.h"

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

}  // namespace tavrel
