#include "platform/ui/utf8.h"

namespace tavrel {

size_t Utf8CharLength(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) i += Utf8CharLength(static_cast<unsigned char>(s[i]));
  return n;
}

size_t Utf8Offset(const std::string& s, size_t chars) {
  size_t i = 0;
  for (; chars > 0 && i < s.size(); --chars) i += Utf8CharLength(static_cast<unsigned char>(s[i]));
  return i < s.size() ? i : s.size();
}

void AppendUtf8(std::string& o, char32_t c) {
  if (c < 0x80) {
    o += static_cast<char>(c);
  } else if (c < 0x800) {
    o += static_cast<char>(0xC0 | (c >> 6));
    o += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    o += static_cast<char>(0xE0 | (c >> 12));
    o += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    o += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    o += static_cast<char>(0xF0 | (c >> 18));
    o += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    o += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    o += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t DecodeUtf8(const char*& p) {
  const unsigned char c = static_cast<unsigned char>(*p++);
  if (c < 0x80) return c;
  const size_t n = Utf8CharLength(c);
  if (n == 1) return 0xFFFD;
  char32_t v = c & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) return 0xFFFD;
    v = (v << 6) | (static_cast<unsigned char>(*p++) & 0x3F);
  }
  return v;
}

}  // namespace tavrel
