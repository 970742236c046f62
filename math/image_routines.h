#pragma once
// Routine variables of the image pixel routines (math/image_pixels.h; the
// four-channel fill's kernel is the run-time module's, math/runtime.h).
#include <vector>

#include "math/binding.h"
#include "math/image_pixels.h"
#include "math/runtime.h"

namespace tavrel {

namespace SLDispatcher {
TAVREL_ROUTINE(ippiMirror_8u_C3IR)
TAVREL_ROUTINE(ippiAlphaComp_8u_AC4R)
TAVREL_ROUTINE(ippiCopy_8u_C4R)
TAVREL_ROUTINE(ippiSet_8u_C4R)
TAVREL_ROUTINE(ippiLUT_Linear_8u_C4R)
TAVREL_ROUTINE(ippiMirror_8u_C4R)
TAVREL_ROUTINE(ippiMirror_8u_C3R)
}  // namespace SLDispatcher

std::vector<RoutineEntry> ImageRoutines();

}  // namespace tavrel
