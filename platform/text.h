#pragma once
// Case-insensitive equality of names: component, property, class and type
// names, form identifiers, INI sections and keys. Only ASCII letters fold,
// so names with other characters match byte for byte.
//
//   SameText("Caption", "CAPTION");   // true
#include <algorithm>
#include <string_view>

namespace tavrel {

inline bool SameText(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace tavrel
