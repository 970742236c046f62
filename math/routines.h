#pragma once
// Every routine variable, and the list of kernel families that contribute
// rows to the routine table. A new family adds its header and its entry
// function here (see math/binding.h).
#include "math/binding.h"
#include "math/audio_routines.h"
#include "math/elementwise_routines.h"
#include "math/fft_routines.h"
#include "math/image_routines.h"
#include "math/media_buffer_routines.h"
#include "math/runtime_routines.h"
#include "math/statistics_routines.h"

namespace tavrel {

inline constexpr RoutineFamily kRoutineFamilies[] = {
    RuntimeRoutines,
    ElementwiseRoutines,
    FFTRoutines,
    StatisticsRoutines,
    MediaBufferRoutines,
    AudioRoutines,
    ImageRoutines,
};

}  // namespace tavrel
