#pragma once
// Routine variables of the FFT, convolution, correlation and FIR kernels
// (math/fft.h, math/convolution.h, math/fir.h).
#include <vector>

#include "math/binding.h"
#include "math/convolution.h"
#include "math/fft.h"
#include "math/fir.h"

namespace tavrel {

namespace SLDispatcher {
TAVREL_ROUTINE(ippsFFTFree_C_64fc)
TAVREL_ROUTINE(ippsFFTFree_R_64f)
TAVREL_ROUTINE(ippsFFTFwd_RToCCS_64f)
TAVREL_ROUTINE(ippsFFTInitAlloc_C_64fc)
TAVREL_ROUTINE(ippsFFTInitAlloc_R_64f)
TAVREL_ROUTINE(ippsFFTInv_CCSToR_64f)
TAVREL_ROUTINE(ippsFFTInv_CToC_64fc)
TAVREL_ROUTINE(ippsFFTFwd_CToC_64fc)
TAVREL_ROUTINE(ippsConv_64f)
TAVREL_ROUTINE(ippsAutoCorr_NormA_64f)
TAVREL_ROUTINE(ippsAutoCorr_NormB_64f)
TAVREL_ROUTINE(ippsCrossCorr_64f)
TAVREL_ROUTINE(ippsAutoCorr_64fc)
TAVREL_ROUTINE(ippsAutoCorr_NormA_64fc)
TAVREL_ROUTINE(ippsAutoCorr_NormB_64fc)
TAVREL_ROUTINE(ippsCrossCorr_64fc)
TAVREL_ROUTINE(ippsAutoCorr_64f)
TAVREL_ROUTINE(ippsFIR_64f)
TAVREL_ROUTINE(ippsFIRFree_64f)
TAVREL_ROUTINE(ippsFIRInitAlloc_64f)
}  // namespace SLDispatcher

namespace ALDispatcher {
TAVREL_ROUTINE(ippsFIRFree_64f)
TAVREL_ROUTINE(ippsFIRInitAlloc_64f)
TAVREL_ROUTINE(ippsFIROne_64f)
TAVREL_ROUTINE(ippsFFTFwd_RToCCS_64f)
TAVREL_ROUTINE(ippsFFTInitAlloc_R_64f)
TAVREL_ROUTINE(ippsFFTFree_R_64f)
}  // namespace ALDispatcher

std::vector<RoutineEntry> FFTRoutines();

}  // namespace tavrel
