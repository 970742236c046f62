#include "platform/ui/offscreen.h"

namespace tavrel {

void OffscreenBackend::PumpEvents() {
  if (steps_.empty()) return;
  auto step = std::move(steps_.front());
  steps_.pop_front();
  step();
}

OffscreenWindow* OffscreenWindowOf(const TForm& form) {
  return dynamic_cast<OffscreenWindow*>(form.Window());
}

bool SaveFormPNG(TForm& form, const std::string& path) {
  form.PaintInvalid();
  return form.Surface() && WriteSurfacePNG(form.Surface(), path);
}

}  // namespace tavrel
