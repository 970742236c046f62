#include "platform/ui/offscreen.h"

namespace tavrel {

OffscreenWindow* OffscreenWindowOf(const TForm& form) {
  return dynamic_cast<OffscreenWindow*>(form.Window());
}

bool SaveFormPNG(TForm& form, const std::string& path) {
  form.PaintInvalid();
  return form.Surface() && WriteSurfacePNG(form.Surface(), path);
}

}  // namespace tavrel
