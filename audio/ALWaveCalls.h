#pragma once
// The wave calls for modules that also use audio buffers: the buffer
// header names the extensible format tag too, so the wave layer's own
// name for it is kept out of the way here. Include this before any other
// header that brings in the wave layer.
#define WAVE_FORMAT_EXTENSIBLE WAVE_LAYER_FORMAT_EXTENSIBLE
#include "platform/wave/wave.h"
#undef WAVE_FORMAT_EXTENSIBLE
