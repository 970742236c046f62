#include "math/image_routines.h"

namespace tavrel {

std::vector<RoutineEntry> ImageRoutines() {
  return {
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippiMirror_8u_C3IR),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippiAlphaComp_8u_AC4R),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippiCopy_8u_C4R),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippiSet_8u_C4R),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippiLUT_Linear_8u_C4R),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippiMirror_8u_C4R),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippiMirror_8u_C3R),
  };
}

}  // namespace tavrel
