#include "math/runtime_routines.h"

namespace tavrel {

std::vector<RoutineEntry> RuntimeRoutines() {
  return {
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippiSet_8u_C4R),
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippsConvert_64f32f),
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippsMove_8u),
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippsSubCRev_32s_ISfs),
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippsSubCRev_64f_I),
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippsSubCRev_32f_I),
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippsThreshold_LT_32s_I),
      TAVREL_ROUTINE_ENTRY(LibCDispatcher, ippsThreshold_GT_32s_I),
      MakeRoutineEntry(BindingModule::SLDispatcher, "ippsSVD_64f_D2L", SLDispatcher::ippsSVD_64f_D2L,
                       SLDispatcher::SVDRoutine{}),
  };
}

}  // namespace tavrel
