// The check box's box pictures, from the program's resources, and the
// opener of caption addresses.
#include <cctype>

#include "controls/htmlbtns.h"
#include "platform/ui/forms.h"
#include "platform/ui/resources.h"

namespace tavrel {

TBitmap CheckBoxPicture(int number) {
  TBitmap b = LoadBitmap(HInstance(), "HTMBCHK0" + std::to_string(number));
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
