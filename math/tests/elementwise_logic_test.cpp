#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

const std::vector<Ipp32s> kData = {1, -1, 0x40000001, INT_MIN, -6};

TEST(Shifts, EveryRoutineAtTheInterestingCounts) {
  using Shift = std::function<IppStatus(int count, const Ipp32s* src, Ipp32s* dst)>;
  struct Routine { const char* name; Shift call; bool left; bool inPlace = false; };
  const Routine routines[] = {
      {"LShiftC_32s", [](int v, const Ipp32s* s, Ipp32s* d) { return ippsLShiftC_32s(s, v, d, 5); }, true},
      {"RShiftC_32s", [](int v, const Ipp32s* s, Ipp32s* d) { return ippsRShiftC_32s(s, v, d, 5); }, false},
      {"LShiftC_32s_I",
       [](int v, const Ipp32s* s, Ipp32s* d) {
         std::copy(s, s + 5, d);
         return ippsLShiftC_32s_I(v, d, 5);
       },
       true, true},
      {"RShiftC_32s_I",
       [](int v, const Ipp32s* s, Ipp32s* d) {
         std::copy(s, s + 5, d);
         return ippsRShiftC_32s_I(v, d, 5);
       },
       false, true},
  };
  struct Count { int v; std::vector<Ipp32s> left, right; };
  const Count counts[] = {
      {0, kData, kData},
      {1, {2, -2, INT_MIN + 2, 0, -12}, {0, -1, 0x20000000, INT_MIN / 2, -3}},
      {31, {INT_MIN, INT_MIN, INT_MIN, 0, 0}, {0, -1, 0, -1, -1}},
      {32, {0, 0, 0, 0, 0}, {0, -1, 0, -1, -1}},
      {40, {0, 0, 0, 0, 0}, {0, -1, 0, -1, -1}},
  };
  for (const auto& r : routines) {
    for (const auto& c : counts) {
      std::vector<Ipp32s> dst(5, 77);
      EXPECT_EQ(r.call(c.v, kData.data(), dst.data()), ippStsNoErr) << r.name << " " << c.v;
      EXPECT_EQ(dst, r.left ? c.left : c.right) << r.name << " by " << c.v;
    }
    std::vector<Ipp32s> dst(5, 77);
    const std::vector<Ipp32s> before = r.inPlace ? kData : dst;
    EXPECT_EQ(r.call(-1, kData.data(), dst.data()), ippStsShiftErr) << r.name;
    EXPECT_EQ(dst, before) << r.name;
  }
}

TEST(Shifts, CountsOf32AndMoreZeroFillBeforeTheOtherChecks) {
  // The left shifts by 32 or more only need the destination (and the
  // source pointer for the two-array form).
  Ipp32s data[2] = {5, 6};
  EXPECT_EQ(ippsLShiftC_32s_I(32, nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(ippsLShiftC_32s_I(32, data, 0), ippStsSizeErr);
  EXPECT_EQ(ippsLShiftC_32s_I(33, data, 2), ippStsNoErr);
  EXPECT_EQ(data[1], 0);
  Ipp32s dst[2] = {5, 6};
  EXPECT_EQ(ippsLShiftC_32s(kData.data(), 32, dst, 2), ippStsNoErr);
  EXPECT_EQ(dst[0] | dst[1], 0);
  EXPECT_EQ(ippsLShiftC_32s(nullptr, 32, dst, 2), ippStsNullPtrErr);
}

TEST(Logic, ConstantOperations) {
  const Ipp32u src[] = {0xF0F0F0F0u, 0x0000FFFFu, 0u};
  Ipp32u dst[3];
  struct Case { const char* name; IppStatus (*kernel)(const Ipp32u*, Ipp32u, Ipp32u*, int); Ipp32u v; std::vector<Ipp32u> expected; };
  const Case cases[] = {
      {"AndC", ippsAndC_32u, 0xFF00FF00u, {0xF000F000u, 0x0000FF00u, 0u}},
      {"AndC 0", ippsAndC_32u, 0u, {0u, 0u, 0u}},
      {"OrC", ippsOrC_32u, 0x0F000001u, {0xFFF0F0F1u, 0x0F00FFFFu, 0x0F000001u}},
      {"OrC 0", ippsOrC_32u, 0u, {0xF0F0F0F0u, 0x0000FFFFu, 0u}},
      {"XorC", ippsXorC_32u, 0xFFFFFFFFu, {0x0F0F0F0Fu, 0xFFFF0000u, 0xFFFFFFFFu}},
      {"XorC 0", ippsXorC_32u, 0u, {0xF0F0F0F0u, 0x0000FFFFu, 0u}},
  };
  for (const auto& c : cases) {
    std::fill(dst, dst + 3, 0x12345678u);
    EXPECT_EQ(c.kernel(src, c.v, dst, 3), ippStsNoErr) << c.name;
    EXPECT_EQ(std::vector<Ipp32u>(dst, dst + 3), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace tavrel::kernels
