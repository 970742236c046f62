#pragma once
// Routine variables of the 8-bit and 16-bit scaled arithmetic
// (math/scaled_arithmetic.h), bound by the media buffers' module.
#include <vector>

#include "math/binding.h"
#include "math/scaled_arithmetic.h"

namespace tavrel {

namespace MLSimpleMediaBuffer {
TAVREL_ROUTINE(ippiAdd_8u_C1IRSfs)
TAVREL_ROUTINE(ippiAdd_16s_C1IRSfs)
TAVREL_ROUTINE(ippiSub_8u_C1IRSfs)
TAVREL_ROUTINE(ippiSub_16s_C1IRSfs)
TAVREL_ROUTINE(ippiMul_8u_C1IRSfs)
TAVREL_ROUTINE(ippiMul_16s_C1IRSfs)
TAVREL_ROUTINE(ippiDiv_8u_C1IRSfs)
TAVREL_ROUTINE(ippiDiv_16s_C1IRSfs)
TAVREL_ROUTINE(ippsDivC_16s_ISfs)
TAVREL_ROUTINE(ippsDivC_16s_Sfs)
TAVREL_ROUTINE(ippsSet_16s)
TAVREL_ROUTINE(ippsConvert_8s16s)
TAVREL_ROUTINE(ippiScale_16u8u_C1R)
TAVREL_ROUTINE(ippiSet_8u_C1R)
TAVREL_ROUTINE(ippiSet_16s_C1R)
TAVREL_ROUTINE(ippiSet_32s_C1R)
TAVREL_ROUTINE(ippsAddC_8u_ISfs)
TAVREL_ROUTINE(ippsAddC_8u_Sfs)
TAVREL_ROUTINE(ippsAddC_16s_ISfs)
TAVREL_ROUTINE(ippsAddC_16s_Sfs)
TAVREL_ROUTINE(ippiAddC_8u_C1IRSfs)
TAVREL_ROUTINE(ippiAddC_8u_C1RSfs)
TAVREL_ROUTINE(ippiAddC_16s_C1IRSfs)
TAVREL_ROUTINE(ippiAddC_16s_C1RSfs)
TAVREL_ROUTINE(ippsSubC_8u_ISfs)
TAVREL_ROUTINE(ippsSubC_8u_Sfs)
TAVREL_ROUTINE(ippsSubC_16s_ISfs)
TAVREL_ROUTINE(ippsSubC_16s_Sfs)
TAVREL_ROUTINE(ippiSubC_8u_C1IRSfs)
TAVREL_ROUTINE(ippiSubC_8u_C1RSfs)
TAVREL_ROUTINE(ippiSubC_16s_C1IRSfs)
TAVREL_ROUTINE(ippiSubC_16s_C1RSfs)
TAVREL_ROUTINE(ippsMulC_8u_ISfs)
TAVREL_ROUTINE(ippsMulC_8u_Sfs)
TAVREL_ROUTINE(ippsMulC_16s_ISfs)
TAVREL_ROUTINE(ippsMulC_16s_Sfs)
TAVREL_ROUTINE(ippiMulC_8u_C1IRSfs)
TAVREL_ROUTINE(ippiMulC_8u_C1RSfs)
TAVREL_ROUTINE(ippiMulC_16s_C1IRSfs)
TAVREL_ROUTINE(ippiMulC_16s_C1RSfs)
TAVREL_ROUTINE(ippsDivC_8u_Sfs)
TAVREL_ROUTINE(ippiDivC_8u_C1IRSfs)
TAVREL_ROUTINE(ippiDivC_8u_C1RSfs)
TAVREL_ROUTINE(ippiDivC_16s_C1IRSfs)
TAVREL_ROUTINE(ippiDivC_16s_C1RSfs)
TAVREL_ROUTINE(ippiCopy_8u_C1R)
TAVREL_ROUTINE(ippiCopy_16s_C1R)
TAVREL_ROUTINE(ippiConvert_8u32f_C1R)
TAVREL_ROUTINE(ippiConvert_32f8u_C1R)
TAVREL_ROUTINE(ippiScale_8u16s_C1R)
TAVREL_ROUTINE(ippiScale_8u32s_C1R)
TAVREL_ROUTINE(ippiScale_16s8u_C1R)
TAVREL_ROUTINE(ippiScale_32s8u_C1R)
}  // namespace MLSimpleMediaBuffer

std::vector<RoutineEntry> MediaBufferRoutines();

}  // namespace tavrel
