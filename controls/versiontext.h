#pragma once
// The text of a control's version number: its four bytes, highest first,
// in decimal, joined by ".".
//
//   VersionText(0x01050400) == "1.5.4.0"
#include <cstdint>
#include <string>

namespace tavrel {

inline std::string VersionText(uint32_t v) {
  return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." +
         std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF);
}

}  // namespace tavrel
