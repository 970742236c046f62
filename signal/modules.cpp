#include "signal/modules.h"

#include "signal/SLBufferStore.h"

namespace tavrel {

std::vector<ModuleStep> SignalModules() {
  return {
      {"SLInternalStore", [] { GlobalBufferManager().StartTrimTimer(); },
       [] {
         GlobalBufferManager().StopTrimTimer();
         GlobalBufferManager().ReleaseMemory();
       }},
  };
}

}  // namespace tavrel
