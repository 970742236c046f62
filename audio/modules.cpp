#include "audio/modules.h"

#include <span>

#include "audio/ALAudioIn.h"
#include "audio/ALAudioOut.h"
#include "audio/ALCommonFIRFilter.h"
#include "audio/ALGenericFilter.h"
#include "platform/classinfo.h"

namespace tavrel {
namespace {

std::span<const ClassInfo* const> ComponentClasses() {
  static const ClassInfo* const classes[] = {
      &TALAudioIn::Class(),  &TALAudioOut::Class(), &TALGenericFilter::Class(), &TALLowPass::Class(),
      &TALHighPass::Class(), &TALBandStop::Class(), &TALBandPass::Class()};
  return classes;
}

}  // namespace

std::vector<ModuleStep> AudioModules() {
  return {{"ALComponents",
           [] {
             for (const ClassInfo* ci : ComponentClasses()) RegisterClass(*ci);
           },
           [] {
             for (const ClassInfo* ci : ComponentClasses()) UnRegisterClass(*ci);
           }}};
}

}  // namespace tavrel
