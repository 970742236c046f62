#include <cctype>

#include "platform/wave/wave_backend.h"

namespace tavrel {
namespace {

// Decodes one UTF-8 character at s[i]; a malformed byte reads as U+FFFD.
char32_t NextChar(const std::string& s, std::size_t& i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i);
  std::size_t extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 9;
  if (extra == 0) {
    ++i;
    return b;
  }
  if (extra == 9 || i + extra >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = b & (0x3F >> extra);
  for (std::size_t k = 1; k <= extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  i += extra + 1;
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

std::string CutToUtf16Units(const std::string& utf8, std::size_t units) {
  std::string out;
  std::size_t used = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = NextChar(utf8, i);
    std::size_t width = c > 0xFFFF ? 2 : 1;
    if (used + width > units) break;
    used += width;
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string ToUtf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = NextChar(utf8, i);
    if (c > 0xFFFF) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::vector<WaveDeviceEntry> NameDevices(const std::vector<WaveDevice>& devices) {
  constexpr std::size_t kUnits = 31;
  std::vector<WaveDeviceEntry> named;
  auto taken = [&](const std::string& name) {
    for (const auto& e : named)
      if (SameIgnoringAsciiCase(e.name, name)) return true;
    return false;
  };
  for (const auto& device : devices) {
    std::string base = CutToUtf16Units(device.description.empty() ? device.pcm
                                                                  : device.description,
                                       kUnits);
    std::string name = base;
    for (int k = 2; taken(name); ++k) {
      std::string suffix = " (" + std::to_string(k) + ")";
      std::string stem = CutToUtf16Units(base, kUnits - suffix.size());
      while (!stem.empty() && stem.back() == ' ') stem.pop_back();
      name = stem + suffix;
    }
    named.push_back({name, device});
  }
  return named;
}

}  // namespace tavrel
