#pragma once
// What a stop reports when the device's reset fails: a device that is gone
// is said to have failed, any other failure is the reset's own.
#include "platform/wave/wave.h"

namespace tavrel::devicetest {

struct ResetFailure {
  MMRESULT result;
  const char* error;
};

inline constexpr ResetFailure kResetFailures[] = {
    {MMSYSERR_ERROR, "Can't restart audio device. - 1 - 1"},
    {MMSYSERR_NODRIVER, "Audio device failed. - 6 - 6"},
};

}  // namespace tavrel::devicetest
