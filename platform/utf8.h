#pragma once
// UTF-8 encoding and decoding of single code points, for converting the
// UTF-16 strings of form data and the character codes of the text form.
//
//   std::string s;
//   AppendUTF8(s, U'é');                 // "\xC3\xA9"
//   size_t pos = 0;
//   char32_t c = NextUTF8(s, pos);       // U'é', pos == 2
//
// Malformed input (bad lead or continuation bytes, overlong forms,
// surrogates, values above U+10FFFF) decodes as U+FFFD one byte at a time,
// and such code points encode as U+FFFD, so the result is always valid.
#include <string>
#include <string_view>

namespace tavrel {

void AppendUTF8(std::string& out, char32_t c);
char32_t NextUTF8(std::string_view s, size_t& pos);  // pos < s.size()

}  // namespace tavrel
