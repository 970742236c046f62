#include "signal/SLFilterTypes.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

TEST(ESLException, CarriesTextCodeAndHexCode) {
  EXPECT_STREQ(ESLException("waveOutOpen", 32).what(), "waveOutOpen - 32 - 20");
  // A negative code reads as the unsigned value.
  EXPECT_STREQ(ESLException("x", -1).what(), "x - 4294967295 - ffffffff");
}

TEST(TSLWindowType, OrdinalsFollowTheDesignOrder) {
  EXPECT_EQ(int(wtRect), 0);
  EXPECT_EQ(int(wtKaiser), 5);
}

}  // namespace
}  // namespace tavrel
