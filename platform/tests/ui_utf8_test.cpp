#include <gtest/gtest.h>

#include "platform/ui/utf8.h"

namespace tavrel {
namespace {

TEST(UiUtf8, CharactersNotBytes) {
  const std::string s = "aé€𝄞";  // 1, 2, 3 and 4 bytes
  EXPECT_EQ(Utf8Length(s), 4u);
  const size_t offsets[] = {0, 1, 3, 6, 10, 10};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(Utf8Offset(s, i), offsets[i]) << i;
  std::string round;
  for (const char* p = s.c_str(); *p;) AppendUtf8(round, DecodeUtf8(p));
  EXPECT_EQ(round, s);
  const char bad[] = {'\xC3', 'x', 0};  // lead byte without its follower
  const char* p = bad;
  EXPECT_EQ(DecodeUtf8(p), U'\xFFFD');
  EXPECT_EQ(*p, 'x') << "the next character is not swallowed";
}

}  // namespace
}  // namespace tavrel
