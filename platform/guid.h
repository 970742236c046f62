#pragma once
// GUIDs, kept where the system uses them as keys (stream types, converters,
// stream interfaces), in the usual 16-byte layout D1/D2/D3/D4.
//
//   Guid id = StringToGUID("{66C8D1BF-FA12-48E8-B0C9-60A652FA80D9}");
//   FormatGUIDText(id);   // the same text, upper-case hexadecimal
//   Guid{}.isNil();       // true
//   inline constexpr Guid IID_X{0x66C8D1BF, 0xFA12, 0x48E8,
//                               {0xB0, 0xC9, 0x60, 0xA6, 0x52, 0xFA, 0x80, 0xD9}};
//
// StringToGUID accepts only the braced form "{8-4-4-4-12}" with hexadecimal
// digits of either case and raises EConvertError for anything else.
#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

struct Guid {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  std::array<uint8_t, 8> D4{};

  bool isNil() const noexcept;
  friend auto operator<=>(const Guid&, const Guid&) = default;
};

std::string FormatGUIDText(const Guid& id);
Guid StringToGUID(std::string_view text);  // EConvertError when malformed

}  // namespace tavrel
