#include "platform/modules.h"

namespace tavrel {

ModuleRun::ModuleRun(std::vector<ModuleStep> steps) : steps_(std::move(steps)) {
  try {
    for (; started_ < steps_.size(); ++started_)
      if (steps_[started_].start) steps_[started_].start();
  } catch (...) {
    while (started_ > 0) {
      auto& step = steps_[--started_];
      if (step.finish) step.finish();
    }
    throw;
  }
}

ModuleRun::~ModuleRun() {
  while (started_ > 0) {
    auto& step = steps_[--started_];
    if (step.finish) step.finish();
  }
}

}  // namespace tavrel
