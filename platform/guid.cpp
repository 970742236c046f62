#include "platform/guid.h"

#include <cstdio>

#include "platform/exceptions.h"

namespace tavrel {

bool Guid::isNil() const noexcept { return *this == Guid{}; }

std::string FormatGUIDText(const Guid& id) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned(id.D1), unsigned(id.D2), unsigned(id.D3), id.D4[0], id.D4[1], id.D4[2],
                id.D4[3], id.D4[4], id.D4[5], id.D4[6], id.D4[7]);
  return text;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

Guid StringToGUID(std::string_view text) {
  auto bad = [&] { return EConvertError("'" + std::string(text) + "' is not a valid GUID value"); };
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') throw bad();
  size_t pos = 1;
  auto hex = [&](int digits) {
    uint32_t v = 0;
    for (int i = 0; i < digits; ++i) {
      int d = HexDigit(text[pos++]);
      if (d < 0) throw bad();
      v = v << 4 | uint32_t(d);
    }
    return v;
  };
  auto dash = [&] {
    if (text[pos++] != '-') throw bad();
  };
  Guid g;
  g.D1 = hex(8);
  dash();
  g.D2 = uint16_t(hex(4));
  dash();
  g.D3 = uint16_t(hex(4));
  dash();
  g.D4[0] = uint8_t(hex(2));
  g.D4[1] = uint8_t(hex(2));
  dash();
  for (int i = 2; i < 8; ++i) g.D4[i] = uint8_t(hex(2));
  return g;
}

}  // namespace tavrel
