// Tavrel: live audio through FIR filters, with the input's history drawn
// as it passes. The window opens on the default devices' lists and starts
// the audio at once.
#include <cstdio>
#include <exception>
#include <memory>

#include "app/frmMain.h"
#include "app/modules.h"
#include "platform/ui/sdl_backend.h"

int main() {
  using namespace tavrel;
  // Without a display there is nothing to show and no way to stop it: say
  // so before anything starts.
  std::shared_ptr<SdlBackend> display;
  try {
    display = std::make_shared<SdlBackend>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Tavrel: %s\n", e.what());
    return 1;
  }
  try {
    ModuleRun modules(ProgramModules());
    auto app = TComponent::CreateUnowned<TApplication>(display);
    app->CreateForm<TfmMain>();
    app->Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Tavrel: %s\n", e.what());
    return 1;
  }
  // The window closed itself (audio stopped, choices saved) when its
  // display went; the user did not ask for it.
  if (display->DisplayLost()) {
    std::fprintf(stderr, "Tavrel: the display was lost\n");
    return 1;
  }
  return 0;
}
