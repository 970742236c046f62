#include "math/runtime.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "math/sfs.h"

namespace tavrel {
namespace {

TEST(AlignedMalloc, AlignsAndStoresTheHeapAddressBelowTheBlock) {
  for (std::int64_t n : {1, 3, 31, 32, 33, 4096}) {
    auto* p = static_cast<unsigned char*>(AlignedMalloc(n));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u) << n;
    void* heap;
    std::memcpy(&heap, p - sizeof(void*), sizeof(void*));
    EXPECT_GE(p, static_cast<unsigned char*>(heap) + sizeof(void*));
    EXPECT_LE(p, static_cast<unsigned char*>(heap) + sizeof(void*) + 31);
    std::memset(p, 0xA5, static_cast<size_t>(n));  // the whole block is usable (ASan checks)
    AlignedFree(p);
  }
}

TEST(AlignedMalloc, RefusesEmptyNegativeAndOversizedRequests) {
  EXPECT_EQ(AlignedMalloc(0), nullptr);
  EXPECT_EQ(AlignedMalloc(-5), nullptr);
  EXPECT_EQ(AlignedMalloc(kAlignedMallocMax + 1), nullptr);
  EXPECT_EQ(AlignedMallocDoubles(0), nullptr);
  EXPECT_EQ(AlignedMallocDoubles(kAlignedMallocMax / 8 + 1), nullptr);
  EXPECT_EQ(AlignedMallocComplex(-1), nullptr);
  EXPECT_EQ(AlignedMallocComplex(std::numeric_limits<std::int64_t>::max()), nullptr);
  AlignedFree(nullptr);
}

TEST(AlignedMalloc, CountVariantsCoverTheirElements) {
  Ipp64f* d = AlignedMallocDoubles(5);
  Ipp64fc* c = AlignedMallocComplex(5);
  ASSERT_NE(d, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(d) % 32, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(c) % 32, 0u);
  for (int i = 0; i < 5; ++i) d[i] = c[i].re = c[i].im = i;
  AlignedFree(d);
  AlignedFree(c);
}

TEST(ElementaryFunctions, KnownValues) {
  EXPECT_EQ(CFloor(-1.5), -2.0);
  EXPECT_EQ(CCeil(-1.5), -1.0);
  EXPECT_EQ(CFloor(3e10), 3e10);  // beyond 32 bits still exact
  EXPECT_EQ(CLog(1.0), 0.0);
  EXPECT_EQ(CLog(std::numbers::e), 1.0);
  EXPECT_EQ(CAtan2(1.0, 0.0), std::numbers::pi / 2);
  EXPECT_EQ(CSqrt(2.0), std::sqrt(2.0));
  EXPECT_EQ(CExp(0.0), 1.0);
  EXPECT_EQ(CSin(0.0), 0.0);
  EXPECT_EQ(CCos(0.0), 1.0);
}

TEST(Shift64, CountsAtAndBeyondTheWidth) {
  struct Case { std::int64_t value; std::uint8_t count; std::int64_t right, left; };
  const Case cases[] = {
      {-8, 0, -8, -8},
      {-8, 1, -4, -16},
      {-1, 63, -1, INT64_MIN},
      {5, 63, 0, INT64_MIN},
      {-1, 64, -1, 0},
      {5, 64, 0, 0},
      {-3, 255, -1, 0},
      {INT64_MAX, 255, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShiftRight64(c.value, c.count), c.right) << c.value << " >> " << int(c.count);
    EXPECT_EQ(ShiftLeft64(c.value, c.count), c.left) << c.value << " << " << int(c.count);
  }
}

TEST(ZeroFill, ClearsExactlyTheRange) {
  unsigned char bytes[80];
  for (int start = 0; start < 4; ++start) {
    std::memset(bytes, 0xFF, sizeof bytes);
    EXPECT_EQ(ZeroFill(bytes + start, 70), bytes + start);
    for (int i = 0; i < 80; ++i) EXPECT_EQ(bytes[i], (i >= start && i < start + 70) ? 0 : 0xFF);
  }
  std::memset(bytes, 0xFF, sizeof bytes);
  ZeroFill(bytes, 0);
  ZeroFill(bytes, -4);
  EXPECT_EQ(bytes[0], 0xFF);

  Ipp32s words[3] = {1, 2, 3};
  EXPECT_EQ(ZeroInt32(nullptr, 0), ippStsNullPtrErr);
  EXPECT_EQ(ZeroInt32(words, 0), ippStsSizeErr);
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(ZeroInt32(words, 2), ippStsNoErr);
  EXPECT_EQ(words[1], 0);
  EXPECT_EQ(words[2], 3);
}

// The Sfs rule against an exact rational reference: V / 2^sf rounded half to
// even, for every 9-bit V and every scale factor that matters.
TEST(SfsRule, MatchesExactRoundingForSmallValues) {
  for (std::int64_t v = -600; v <= 600; ++v) {
    for (int sf = -12; sf <= 14; ++sf) {
      long double exact = std::ldexp(static_cast<long double>(v), -sf);
      long double r = std::nearbyint(exact);  // default mode: ties to even
      long double sat = std::clamp(r, -32768.0L, 32767.0L);
      EXPECT_EQ(SfsRound<Ipp16s>(v, sf), static_cast<Ipp16s>(sat)) << v << " sf " << sf;
    }
  }
}

TEST(SfsRule, WideValuesAndExtremeScales) {
  const std::int64_t square = std::int64_t{INT_MIN} * INT_MIN;  // 2^62
  EXPECT_EQ(SfsRound<Ipp32s>(square, 62), 1);
  EXPECT_EQ(SfsRound<Ipp32s>(square, 63), 0);
  EXPECT_EQ(SfsRound<Ipp32s>(std::int64_t{INT_MAX} + 1, 0), INT_MAX);
  EXPECT_EQ(SfsRound<Ipp32s>(std::int64_t{INT_MAX} + 1, 1), 1 << 30);
  EXPECT_EQ(SfsRound<Ipp32s>(-3, 1), -2);
  EXPECT_EQ(SfsRound<Ipp32s>(INT64_MIN, 64), 0);
  EXPECT_EQ(SfsRound<Ipp32s>(INT64_MIN, 63), -1);
  EXPECT_EQ(SfsRound<Ipp32s>(INT64_MAX, INT_MAX), 0);
  EXPECT_EQ(SfsRound<Ipp32s>(1, INT_MIN), INT_MAX);
  EXPECT_EQ(SfsRound<Ipp32s>(-1, -63), INT_MIN);
  EXPECT_EQ(SfsRound<Ipp32s>(0, INT_MIN), 0);
  EXPECT_EQ(SfsRound<Ipp8u>(-5, 0), 0);
}

}  // namespace
}  // namespace tavrel
