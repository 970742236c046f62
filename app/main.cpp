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
  try {
    ModuleRun modules(ProgramModules());
    auto app = TComponent::CreateUnowned<TApplication>(std::make_shared<SdlBackend>());
    app->CreateForm<TfmMain>();
    app->Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavrel: %s\n", e.what());
    return 1;
  }
  return 0;
}
