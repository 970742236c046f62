#include <gtest/gtest.h>

#include "platform/ui/utf8.h"

namespace tavrel {
namespace {

TEST(UiUtf8, CharactersNotBytes) {
  const std::string s = "aé€𝄞";  // 1, 2, 3 and 4 bytes
  EXPECT_EQ(Utf8Length(s), 4u);
  const size_t offsets[] = {0, 1, 3, 6, 10, 10};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(Utf8Offset(s, i), offsets[i]) << i;
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Offset("ab", 0), 0u);
}

}  // namespace
}  // namespace tavrel
