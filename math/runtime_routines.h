#pragma once
// Routine variables of LibCDispatcher, and the signal binding module's one
// row without an own kernel (ippsSVD_64f_D2L stays nil unless a library
// exports it; nothing calls it).
#include <vector>

#include "math/binding.h"
#include "math/runtime.h"

namespace tavrel {

namespace LibCDispatcher {
TAVREL_ROUTINE(ippiSet_8u_C4R)
TAVREL_ROUTINE(ippsConvert_64f32f)
TAVREL_ROUTINE(ippsMove_8u)
TAVREL_ROUTINE(ippsSubCRev_32s_ISfs)
TAVREL_ROUTINE(ippsSubCRev_64f_I)
TAVREL_ROUTINE(ippsSubCRev_32f_I)
TAVREL_ROUTINE(ippsThreshold_LT_32s_I)
TAVREL_ROUTINE(ippsThreshold_GT_32s_I)
}  // namespace LibCDispatcher

namespace SLDispatcher {
using SVDRoutine = IppStatus (*)(const Ipp64f* const* srcA, Ipp64f** dstU, int height, Ipp64f* dstW,
                                 Ipp64f** dstV, int width, int iterations);
inline SVDRoutine ippsSVD_64f_D2L = nullptr;
}  // namespace SLDispatcher

std::vector<RoutineEntry> RuntimeRoutines();

}  // namespace tavrel
