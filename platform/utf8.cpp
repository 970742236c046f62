#include "platform/utf8.h"

namespace tavrel {

void AppendUTF8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

char32_t NextUTF8(std::string_view s, size_t& pos) {
  unsigned char b = (unsigned char)s[pos++];
  if (b < 0x80) return b;
  int extra = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xC2 && b <= 0xDF ? 1 : -1;
  if (extra < 0 || pos + size_t(extra) > s.size()) return 0xFFFD;
  char32_t c = b & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    unsigned char cb = (unsigned char)s[pos + size_t(i)];
    if ((cb & 0xC0) != 0x80) return 0xFFFD;
    c = c << 6 | (cb & 0x3F);
  }
  static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
  if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  pos += size_t(extra);
  return c;
}

}  // namespace tavrel
