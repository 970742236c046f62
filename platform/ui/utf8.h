#pragma once
// UTF-8 by characters: captions, carets and text input count code points.
//
//   Utf8Length("héé") == 3;  Utf8Offset("héé", 2) == 3;
//   std::string s;  AppendUtf8(s, U'é');
//   const char* p = s.c_str();  char32_t c = DecodeUtf8(p);   // p moves past it
#include <cstddef>
#include <string>

namespace tavrel {

// Bytes of the character that starts with `lead` (1 for a stray byte).
size_t Utf8CharLength(unsigned char lead);
size_t Utf8Length(const std::string& s);
// Byte offset of character `chars` (the end when past it).
size_t Utf8Offset(const std::string& s, size_t chars);
void AppendUtf8(std::string& out, char32_t c);
// The character at p; p moves past it. Malformed bytes give U+FFFD.
char32_t DecodeUtf8(const char*& p);

}  // namespace tavrel
