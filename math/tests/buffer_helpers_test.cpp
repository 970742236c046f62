#include "math/buffer_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tavrel {
namespace {

TEST(DivConstInt32, TruncatesTowardZero) {
  std::vector<Ipp32s> data = {7, -7, 2, INT_MIN, INT_MAX};
  DivConstInt32InPlace(3, data.data(), 5);
  EXPECT_EQ(data, (std::vector<Ipp32s>{2, -2, 0, INT_MIN / 3, INT_MAX / 3}));
  const std::vector<Ipp32s> src = {-7, 7, INT_MIN, 5};
  std::vector<Ipp32s> dst(4, 99);
  DivConstInt32(src.data(), 2, dst.data(), 3);
  EXPECT_EQ(dst, (std::vector<Ipp32s>{-3, 3, INT_MIN / 2, 99}));
}

TEST(DivConstInt32, OverflowingQuotientSaturates) {
  std::vector<Ipp32s> data = {INT_MIN, 5, INT_MAX};
  DivConstInt32InPlace(-1, data.data(), 3);
  EXPECT_EQ(data, (std::vector<Ipp32s>{INT_MAX, -5, -INT_MAX}));
  std::vector<Ipp32s> dst(1);
  DivConstInt32(data.data() + 1, -1, dst.data(), 1);
  EXPECT_EQ(dst[0], 5);
}

TEST(DivConstInt32, ZeroDivisorThrowsAndLeavesTheData) {
  std::vector<Ipp32s> data = {1, 2};
  EXPECT_THROW(DivConstInt32InPlace(0, data.data(), 2), EDivByZero);
  try {
    DivConstInt32InPlace(0, data.data(), 1);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {  // callers catch the common family
    EXPECT_EQ(e.Message(), "Division by zero");
  }
  std::vector<Ipp32s> dst = {8, 9};
  EXPECT_THROW(DivConstInt32(data.data(), 0, dst.data(), 2), EDivByZero);
  EXPECT_EQ(data, (std::vector<Ipp32s>{1, 2}));
  EXPECT_EQ(dst, (std::vector<Ipp32s>{8, 9}));
  DivConstInt32InPlace(0, data.data(), 0);  // nothing to divide
}

TEST(Int64ToDouble, NearestWithTiesToEven) {
  const std::uint64_t two53 = std::uint64_t{1} << 53;
  const std::uint64_t bits[] = {~std::uint64_t{0}, two53 + 1, two53 + 3, std::uint64_t{1} << 63, 12345};
  double s[5], u[5];
  Int64ToDouble(reinterpret_cast<const std::int64_t*>(bits), s, 5);
  UInt64ToDouble(bits, u, 5);
  EXPECT_EQ(s[0], -1.0);
  EXPECT_EQ(u[0], std::ldexp(1.0, 64));
  EXPECT_EQ(u[1], std::ldexp(1.0, 53));  // tie down to even
  EXPECT_EQ(s[1], std::ldexp(1.0, 53));
  EXPECT_EQ(u[2], std::ldexp(1.0, 53) + 4);  // tie up to even
  EXPECT_EQ(s[3], -std::ldexp(1.0, 63));
  EXPECT_EQ(u[3], std::ldexp(1.0, 63));
  EXPECT_EQ(s[4], 12345.0);
  EXPECT_EQ(u[4], 12345.0);
}

}  // namespace
}  // namespace tavrel
