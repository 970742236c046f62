#include "math/fft_routines.h"

namespace tavrel {

std::vector<RoutineEntry> FFTRoutines() {
  return {
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTFree_C_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTFree_R_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTFwd_RToCCS_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTInitAlloc_C_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTInitAlloc_R_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTInv_CCSToR_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTInv_CToC_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFFTFwd_CToC_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsConv_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsAutoCorr_NormA_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsAutoCorr_NormB_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsCrossCorr_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsAutoCorr_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsAutoCorr_NormA_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsAutoCorr_NormB_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsCrossCorr_64fc),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsAutoCorr_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFIR_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFIRFree_64f),
      TAVREL_ROUTINE_ENTRY(SLDispatcher, ippsFIRInitAlloc_64f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsFIRFree_64f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsFIRInitAlloc_64f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsFIROne_64f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsFFTFwd_RToCCS_64f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsFFTInitAlloc_R_64f),
      TAVREL_ROUTINE_ENTRY(ALDispatcher, ippsFFTFree_R_64f),
  };
}

}  // namespace tavrel
