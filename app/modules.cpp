#include "app/modules.h"

#include "audio/modules.h"
#include "controls/modules.h"
#include "platform/theme.h"
#include "platform/ui/module.h"
#include "signal/modules.h"

namespace tavrel {

std::vector<ModuleStep> ProgramModules() {
  std::vector<ModuleStep> steps = SignalStackModules();
  for (auto part : {ThemeModuleSteps(), UiModuleSteps(), ControlsModules(), AudioModules()})
    steps.insert(steps.end(), part.begin(), part.end());
  return steps;
}

}  // namespace tavrel
