#pragma once
// Routine variables of the statistics, window and uniform random kernels
// (math/statistics.h, math/windows.h, math/random.h).
#include <vector>

#include "math/binding.h"
#include "math/random.h"
#include "math/statistics.h"
#include "math/windows.h"

namespace tavrel {

namespace SLDispatcher {
TAVREL_ROUTINE(ippsNormDiff_L1_64f)
TAVREL_ROUTINE(ippsNormDiff_L2_64f)
TAVREL_ROUTINE(ippsNormDiff_Inf_64f)
TAVREL_ROUTINE(ippsMean_64f)
TAVREL_ROUTINE(ippsMean_32f)
TAVREL_ROUTINE(ippsStdDev_64f)
TAVREL_ROUTINE(ippsMinIndx_64f)
TAVREL_ROUTINE(ippsMaxIndx_64f)
TAVREL_ROUTINE(ippsNormalize_32f)
TAVREL_ROUTINE(ippsNormalize_64f)
TAVREL_ROUTINE(ippsDotProd_64f)
TAVREL_ROUTINE(ippsThreshold_32f_I)
TAVREL_ROUTINE(ippsThreshold_64f_I)
TAVREL_ROUTINE(ippsThreshold_64f)
TAVREL_ROUTINE(ippsAbs_64f_I)
TAVREL_ROUTINE(ippsAbs_64f)
TAVREL_ROUTINE(ippsSqr_64f_I)
TAVREL_ROUTINE(ippsSqr_64f)
TAVREL_ROUTINE(ippsSqrt_64f_I)
TAVREL_ROUTINE(ippsSqrt_64f)
TAVREL_ROUTINE(ippsExp_64f_I)
TAVREL_ROUTINE(ippsExp_64f)
TAVREL_ROUTINE(ippsLn_64f_I)
TAVREL_ROUTINE(ippsLn_64f)
TAVREL_ROUTINE(ippsConvert_16s64f_Sfs)
TAVREL_ROUTINE(ippsAndC_32u_I)
TAVREL_ROUTINE(ippsOrC_32u_I)
TAVREL_ROUTINE(ippsOr_32u_I)
TAVREL_ROUTINE(ippsXorC_32u_I)
TAVREL_ROUTINE(ippsXor_32u_I)
TAVREL_ROUTINE(ippsAnd_32u_I)
TAVREL_ROUTINE(ippsDotProd_32s_Sfs)
TAVREL_ROUTINE(ippsPowerSpectr_64fc)
TAVREL_ROUTINE(ippsPhase_64fc)
TAVREL_ROUTINE(ippsMagnitude_64fc)
TAVREL_ROUTINE(ippsSqr_64fc)
TAVREL_ROUTINE(ippsSqrt_64fc_I)
TAVREL_ROUTINE(ippsSqrt_64fc)
TAVREL_ROUTINE(ippsSqr_64fc_I)
TAVREL_ROUTINE(ippsWinBartlett_64fc_I)
TAVREL_ROUTINE(ippsWinBlackman_64fc_I)
TAVREL_ROUTINE(ippsWinHamming_64fc_I)
TAVREL_ROUTINE(ippsWinHann_64fc_I)
TAVREL_ROUTINE(ippsWinKaiser_64fc_I)
TAVREL_ROUTINE(ippsVectorJaehne_64f)
TAVREL_ROUTINE(ippsWinBartlett_64f_I)
TAVREL_ROUTINE(ippsWinBartlett_64f)
TAVREL_ROUTINE(ippsWinBlackman_64f_I)
TAVREL_ROUTINE(ippsWinBlackman_64f)
TAVREL_ROUTINE(ippsWinHamming_64f_I)
TAVREL_ROUTINE(ippsWinHamming_64f)
TAVREL_ROUTINE(ippsWinHann_64f_I)
TAVREL_ROUTINE(ippsWinHann_64f)
TAVREL_ROUTINE(ippsWinKaiser_64f_I)
TAVREL_ROUTINE(ippsWinKaiser_64f)
TAVREL_ROUTINE(ippsRandUniform_Direct_64f)
}  // namespace SLDispatcher

std::vector<RoutineEntry> StatisticsRoutines();

}  // namespace tavrel
