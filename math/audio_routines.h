#pragma once
// Routine variables of the audio kernels, the 16-bit noise generators and
// the IIR filters (math/audio_kernels.h, math/random.h, math/iir.h).
#include <vector>

#include "math/binding.h"
#include "math/audio_kernels.h"
#include "math/iir.h"
#include "math/random.h"

namespace tavrel {

namespace ALDispatcher {
TAVREL_ROUTINE(ippsAdd_16s_I)
TAVREL_ROUTINE(ippsRandUniform_Direct_16s)
TAVREL_ROUTINE(ippsRandGauss_Direct_16s)
TAVREL_ROUTINE(ippsThreshold_LTValGTVal_16s_I)
TAVREL_ROUTINE(ippsTone_Direct_16s)
TAVREL_ROUTINE(ippsTriangle_Direct_16s)
TAVREL_ROUTINE(ippsSum_32f)
TAVREL_ROUTINE(ippsSqr_32f_I)
TAVREL_ROUTINE(ippiConvert_16s32f_C1R)
TAVREL_ROUTINE(ippiConvert_8s32f_C1R)
TAVREL_ROUTINE(ippiConvert_32f16s_C1R)
TAVREL_ROUTINE(ippiConvert_32f8s_C1R)
TAVREL_ROUTINE(ippsIIRFree_32f)
TAVREL_ROUTINE(ippsIIRInitAlloc_32f)
TAVREL_ROUTINE(ippsIIR_32f)
TAVREL_ROUTINE(ippsIIR_32f_I)
TAVREL_ROUTINE(ippsMulC_32f)
TAVREL_ROUTINE(ippsDivC_32f_I)
TAVREL_ROUTINE(ippsIIRInit_BiQuad_32f)
TAVREL_ROUTINE(ippsIIRGetStateSize_BiQuad_32f)
TAVREL_ROUTINE(ippsSampleDown_32f)
TAVREL_ROUTINE(ippsPeriodicityLSPE_32f)
TAVREL_ROUTINE(ippsCompensateOffset_32f_I)
}  // namespace ALDispatcher

std::vector<RoutineEntry> AudioRoutines();

}  // namespace tavrel
