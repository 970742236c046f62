#pragma once
// Every routine variable, and the list of kernel families that contribute
// rows to the routine table. A new family adds its header and its entry
// function here (see math/binding.h).
#include "math/binding.h"
#include "math/elementwise_routines.h"
#include "math/runtime_routines.h"

namespace tavrel {

inline constexpr RoutineFamily kRoutineFamilies[] = {
    RuntimeRoutines,
    ElementwiseRoutines,
};

}  // namespace tavrel
