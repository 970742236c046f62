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

size_t Utf16Length(const std::string& s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) {
    const size_t len = Utf8CharLength(static_cast<unsigned char>(s[i]));
    if (len == 4) ++n;  // a surrogate pair
    i += len;
  }
  return n;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t pos = 0; pos < s.size();) {
    const size_t at = pos;
    if (NextUTF8(s, pos) == 0xFFFD && s.substr(at, pos - at) != "\xEF\xBF\xBD") return false;
  }
  return true;
}

std::string ValidUtf8(std::string_view s) {
  if (IsValidUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 8);
  for (size_t pos = 0; pos < s.size();) AppendUTF8(out, NextUTF8(s, pos));
  return out;
}

}  // namespace tavrel
