#include "math/audio_routines.h"

namespace tavrel {

std::vector<RoutineEntry> AudioRoutines() {
  return {
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsAdd_16s_I),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsRandUniform_Direct_16s),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsRandGauss_Direct_16s),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsThreshold_LTValGTVal_16s_I),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsTone_Direct_16s),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsTriangle_Direct_16s),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsSum_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsSqr_32f_I),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippiConvert_16s32f_C1R),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippiConvert_8s32f_C1R),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippiConvert_32f16s_C1R),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippiConvert_32f8s_C1R),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsIIRFree_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsIIRInitAlloc_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsIIR_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsIIR_32f_I),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsMulC_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsDivC_32f_I),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsIIRInit_BiQuad_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsIIRGetStateSize_BiQuad_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsSampleDown_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsPeriodicityLSPE_32f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsCompensateOffset_32f_I),
  };
}

}  // namespace tavrel
