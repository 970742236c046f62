#include "framework/modules.h"

#include "framework/DirectXLoaders.h"
#include "framework/GDIPlusStartup.h"
#include "framework/OWPinNames.h"
#include "framework/OWStdTypes.h"
#include "framework/OWTypes.h"

namespace tavrel {
namespace {

ModuleStep LoaderStep(const char* name, LibraryLoader& (*loader)()) {
  // A missing library is not an error: the result of Load is not used.
  return {name, [loader] { loader().Load(); }, [loader] { loader().Unload(); }};
}

}  // namespace

std::vector<ModuleStep> FrameworkModules() {
  return {
      // The stream-type and converter registries start empty and are
      // emptied again at exit, with the placeholders never adopted. The pin
      // registries are made here, so that they outlive a module run kept in
      // a static whose shut-down step still clears them.
      {"OWPins",
       [] {
         UnloadedPins();
         ClearStreamTypeRegistries();
       },
       [] {
         ClearUnloadedPins();
         ClearStreamTypeRegistries();
       }},
      {"GDIPlus", StartGDIPlus, ShutdownGDIPlus},
      {"OWStdTypes", RegisterStandardTypes, UnregisterStandardTypes},
      LoaderStep("VLDirectDraw", VLDirectDraw),
      LoaderStep("VLDirectSound", VLDirectSound),
      LoaderStep("VLDirect3D9", VLDirect3D9),
      // No operation of the system loads the DirectShow libraries.
      {"VLDirectShow", nullptr, nullptr},
  };
}

}  // namespace tavrel
