#include "math/types.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

// Complex values are laid out as the library's callers expect: re then im,
// no padding, so arrays of them can be viewed as interleaved reals.
TEST(MathTypes, ComplexLayoutIsInterleaved) {
  static_assert(sizeof(Ipp64fc) == 2 * sizeof(Ipp64f));
  static_assert(sizeof(Ipp32fc) == 2 * sizeof(Ipp32f));
  static_assert(sizeof(Ipp16sc) == 2 * sizeof(Ipp16s));
  Ipp64fc values[2] = {{1.0, 2.0}, {3.0, 4.0}};
  const Ipp64f* flat = &values[0].re;
  EXPECT_EQ(flat[3], 4.0);
}

}  // namespace
}  // namespace tavrel
