#include "platform/text.h"
#include "platform/utf8.h"
#include "platform/wave/wave_backend.h"

namespace tavrel {

std::string CutToUtf16Units(const std::string& utf8, std::size_t units) {
  std::string out;
  std::size_t used = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = NextUTF8(utf8, i);
    std::size_t width = c > 0xFFFF ? 2 : 1;
    if (used + width > units) break;
    used += width;
    AppendUTF8(out, c);
  }
  return out;
}

std::u16string ToUtf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = NextUTF8(utf8, i);
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
      if (SameText(e.name, name)) return true;
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
