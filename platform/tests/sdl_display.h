#pragma once
// SDL on the X11 driver for a test's real windows (on a display from
// x_display.h).
#include <SDL2/SDL.h>

#include "platform/sanitizers.h"
#ifdef TAVREL_ASAN
#include <sanitizer/lsan_interface.h>
#endif

#include <exception>
#include <memory>
#include <string>

#include "platform/ui/sdl_backend.h"

namespace tavrel::test {

// SDL on the X11 driver for a test's real windows; null, with `why`, when
// SDL cannot start there.
inline std::shared_ptr<SdlBackend> OpenSdlBackend(std::string& why) {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  try {
#ifdef TAVREL_ASAN
    // SDL's session-bus connection keeps a buffer it never frees.
    __lsan::ScopedDisabler quiet;
#endif
    return std::make_shared<SdlBackend>();
  } catch (const std::exception& e) {
    why = e.what();
    return nullptr;
  }
}

}  // namespace tavrel::test
