#pragma once
// Routine variables of the element-wise kernels (math/elementwise.h) and of
// the buffer helpers' norm (math/buffer_helpers.h).
#include <vector>

#include "math/binding.h"
#include "math/buffer_helpers.h"
#include "math/elementwise.h"

namespace tavrel {

namespace SLDispatcher {
TAVREL_ROUTINE(ippsSub_32f_I)
TAVREL_ROUTINE(ippsMulC_32f_I)
TAVREL_ROUTINE(ippsMul_32f_I)
TAVREL_ROUTINE(ippsConjCcs_64fc_I)
TAVREL_ROUTINE(ippsThreshold_64fc)
TAVREL_ROUTINE(ippsThreshold_64fc_I)
TAVREL_ROUTINE(ippsDotProd_64fc)
TAVREL_ROUTINE(ippsNormalize_64fc)
TAVREL_ROUTINE(ippsDivC_64fc_I)
TAVREL_ROUTINE(ippsMulC_64fc_I)
TAVREL_ROUTINE(ippsSubC_64fc_I)
TAVREL_ROUTINE(ippsAddC_64fc_I)
TAVREL_ROUTINE(ippsRealToCplx_64f)
TAVREL_ROUTINE(ippsRealToCplx_32f)
TAVREL_ROUTINE(ippsSubC_32s_ISfs)
TAVREL_ROUTINE(ippsAddC_32s_ISfs)
TAVREL_ROUTINE(ippsAddC_32s_Sfs)
TAVREL_ROUTINE(ippsAddC_64f)
TAVREL_ROUTINE(ippsSubC_64f)
TAVREL_ROUTINE(ippsSubC_64f_I)
TAVREL_ROUTINE(ippsMulC_64f)
TAVREL_ROUTINE(ippsDivC_64f)
TAVREL_ROUTINE(ippsAddC_64f_I)
TAVREL_ROUTINE(ippsAddC_64fc)
TAVREL_ROUTINE(ippsAndC_32u)
TAVREL_ROUTINE(ippsAdd_32s_ISfs)
TAVREL_ROUTINE(ippsMulC_32s_ISfs)
TAVREL_ROUTINE(ippsAdd_64f)
TAVREL_ROUTINE(ippsAdd_64f_I)
TAVREL_ROUTINE(ippsAdd_64fc)
TAVREL_ROUTINE(ippsAdd_64fc_I)
TAVREL_ROUTINE(ippsAdd_8u_ISfs)
TAVREL_ROUTINE(ippsConvert_32f64f)
TAVREL_ROUTINE(ippsCopy_32f)
TAVREL_ROUTINE(ippsCopy_64f)
TAVREL_ROUTINE(ippsMove_64f)
TAVREL_ROUTINE(ippsCopy_8u)
TAVREL_ROUTINE(ippsDiv_32s_ISfs)
TAVREL_ROUTINE(ippsDiv_64f_I)
TAVREL_ROUTINE(ippsDiv_64fc_I)
TAVREL_ROUTINE(ippsDivC_64f_I)
TAVREL_ROUTINE(ippsMax_64f)
TAVREL_ROUTINE(ippsMin_64f)
TAVREL_ROUTINE(ippsMul_32s_ISfs)
TAVREL_ROUTINE(ippsMul_64f_I)
TAVREL_ROUTINE(ippsMul_64f)
TAVREL_ROUTINE(ippsMul_32f)
TAVREL_ROUTINE(ippsMul_64fc_I)
TAVREL_ROUTINE(ippsMul_8u_ISfs)
TAVREL_ROUTINE(ippsMulC_64f_I)
TAVREL_ROUTINE(ippsSet_32s)
TAVREL_ROUTINE(ippsSet_64f)
TAVREL_ROUTINE(ippsSet_32f)
TAVREL_ROUTINE(ippsSet_64fc)
TAVREL_ROUTINE(ippsSet_8u)
TAVREL_ROUTINE(ippsSub_32s_ISfs)
TAVREL_ROUTINE(ippsSub_64f_I)
TAVREL_ROUTINE(ippsSub_64fc_I)
TAVREL_ROUTINE(ippsSub_8u_ISfs)
TAVREL_ROUTINE(ippsSum_64f)
TAVREL_ROUTINE(ippsZero_16s)
TAVREL_ROUTINE(ippsZero_32s)
TAVREL_ROUTINE(ippsZero_64f)
TAVREL_ROUTINE(ippsZero_32f)
TAVREL_ROUTINE(ippsZero_64fc)
TAVREL_ROUTINE(ippsZero_8u)
TAVREL_ROUTINE(ippsSubC_32s_Sfs)
TAVREL_ROUTINE(ippsSubC_64fc)
TAVREL_ROUTINE(ippsSubCRev_32s_Sfs)
TAVREL_ROUTINE(ippsSubCRev_64f)
TAVREL_ROUTINE(ippsSubCRev_64fc)
TAVREL_ROUTINE(ippsDivC_64fc)
TAVREL_ROUTINE(ippsMulC_64fc)
TAVREL_ROUTINE(ippsMulC_32s_Sfs)
TAVREL_ROUTINE(ippsOrC_32u)
TAVREL_ROUTINE(ippsXorC_32u)
TAVREL_ROUTINE(ippsLShiftC_32s)
TAVREL_ROUTINE(ippsRShiftC_32s)
TAVREL_ROUTINE(ippsLShiftC_32s_I)
TAVREL_ROUTINE(ippsRShiftC_32s_I)
TAVREL_ROUTINE(ippsConvert_64f32f)
TAVREL_ROUTINE(ippsConvert_64f32s_Sfs)
TAVREL_ROUTINE(ippsConvert_32s64f)
TAVREL_ROUTINE(ippsReal_64fc)
TAVREL_ROUTINE(ippsImag_64fc)
TAVREL_ROUTINE(ippsConvert_32f32s_Sfs)
TAVREL_ROUTINE(ippsConvert_32s32f)
TAVREL_ROUTINE(ippsSwapBytes_16u)
TAVREL_ROUTINE(ippsSwapBytes_24u)
TAVREL_ROUTINE(ippsSwapBytes_32u)
TAVREL_ROUTINE(ippsSwapBytes_32u_I)
TAVREL_ROUTINE(ippiCopy_32s_C1R)
}  // namespace SLDispatcher

namespace SLNormDispatcher {
TAVREL_ROUTINE(ippsNorm_L2_64fc64f)
}  // namespace SLNormDispatcher

namespace ALDispatcher {
TAVREL_ROUTINE(ippsConjCcs_64fc_I)
}  // namespace ALDispatcher

std::vector<RoutineEntry> ElementwiseRoutines();

}  // namespace tavrel
