// The check box's box pictures, drawn here in place of program resources,
// and the opener of caption addresses.
#include <cctype>

#include "controls/htmlbtns.h"
#include "platform/ui/edges.h"
#include "platform/ui/forms.h"

namespace tavrel {

TBitmap CheckBoxPicture(int number) {
  const bool large = number <= 4;
  const int k = (number - 1) % 4;
  const bool checked = k == 0 || k == 2, enabled = k < 2;
  const int size = large ? 20 : 16, at = large ? 3 : 1;
  TBitmap b;
  b.SetSize(size, size);
  // The bottom-left pixel gives the transparent colour; the box never covers it.
  b.Canvas().Brush().SetColor(clFuchsia);
  b.Canvas().FillRect(Rect(0, 0, size, size));
  uint32_t flags = DFCS_BUTTONCHECK;
  if (checked) flags |= DFCS_CHECKED;
  if (!enabled) flags |= DFCS_INACTIVE;
  DrawFrameControl(b.Canvas(), Bounds(at, at, 13, 13), DFC_BUTTON, flags);
  b.SetTransparent(true);
  return b;
}

bool IsOpenableURL(const std::string& url) {
  std::string scheme;
  for (char ch : url.substr(0, 8)) scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return scheme.rfind("http://", 0) == 0 || scheme.rfind("https://", 0) == 0 || scheme.rfind("mailto:", 0) == 0;
}

bool OpenURLSafely(const std::string& url) {
  if (!IsOpenableURL(url) || !Application()) return false;
  return Application()->Backend().OpenURL(url);
}

}  // namespace tavrel
