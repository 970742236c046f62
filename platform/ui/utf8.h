#pragma once
// Character positions in UTF-8 text: captions, carets and text input count
// code points, not bytes. Encoding and decoding are platform/utf8.h.
//
//   Utf8Length("héé") == 3;  Utf8Offset("héé", 2) == 3;
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace tavrel {

// Bytes of the character that starts with `lead` (1 for a stray byte).
size_t Utf8CharLength(unsigned char lead);
size_t Utf8Length(const std::string& s);
// Byte offset of character `chars` (the end when past it).
size_t Utf8Offset(const std::string& s, size_t chars);
// UTF-16 units of the text: characters above U+FFFF count two.
size_t Utf16Length(const std::string& s);

// True when the text is well-formed UTF-8.
bool IsValidUtf8(std::string_view s);
// The text with each malformed byte as U+FFFD, as the font engine must get
// it: it refuses malformed text and stays refused.
std::string ValidUtf8(std::string_view s);

}  // namespace tavrel
