#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "math/elementwise.h"
#include "math/scaled_arithmetic.h"

namespace tavrel {
namespace {

TEST(Move64f, OverlapInBothDirections) {
  std::vector<double> down = {1, 2, 3, 4, 5};
  EXPECT_EQ(kernels::ippsMove_64f(down.data() + 1, down.data(), 4), ippStsNoErr);
  EXPECT_EQ(down, (std::vector<double>{2, 3, 4, 5, 5}));
  std::vector<double> up = {1, 2, 3, 4, 5};
  EXPECT_EQ(kernels::ippsMove_64f(up.data(), up.data() + 1, 4), ippStsNoErr);
  EXPECT_EQ(up, (std::vector<double>{1, 1, 2, 3, 4}));
}

TEST(Move64f, PartialElementOverlapStillMovesEveryByte) {
  // Source three bytes above the destination: no element may be skipped.
  alignas(8) unsigned char bytes[8 * 5 + 8];
  std::iota(bytes, bytes + sizeof bytes, 0);
  std::vector<unsigned char> expected(bytes + 3, bytes + 3 + 32);
  EXPECT_EQ(kernels::ippsMove_64f(reinterpret_cast<const double*>(bytes + 3), reinterpret_cast<double*>(bytes), 4),
            ippStsNoErr);
  EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 32), expected);
}

TEST(FillsAndCopies, EveryElementTypeAtEveryAlignment) {
  alignas(32) unsigned char buffer[300];
  for (int offset = 0; offset < 8; ++offset) {
    for (int len : {1, 3, 8, 33}) {
      std::memset(buffer, 0xCC, sizeof buffer);
      auto* p = buffer + offset;
      EXPECT_EQ(kernels::ippsSet_8u(7, p, len), ippStsNoErr);
      for (int i = 0; i < 300; ++i) ASSERT_EQ(buffer[i], (i >= offset && i < offset + len) ? 7 : 0xCC);
      EXPECT_EQ(kernels::ippsZero_8u(p, len), ippStsNoErr);
      for (int i = 0; i < 300; ++i) ASSERT_EQ(buffer[i], (i >= offset && i < offset + len) ? 0 : 0xCC);
    }
  }
  std::vector<Ipp64fc> c(5, {9, 9});
  EXPECT_EQ(kernels::ippsSet_64fc({1.5, -2.5}, c.data(), 4), ippStsNoErr);
  EXPECT_EQ(c[3].re, 1.5);
  EXPECT_EQ(c[3].im, -2.5);
  EXPECT_EQ(c[4].re, 9);
  EXPECT_EQ(kernels::ippsZero_64fc(c.data() + 1, 2), ippStsNoErr);
  EXPECT_EQ(c[2].im, 0.0);
  EXPECT_EQ(c[3].re, 1.5);

  std::vector<double> d(6, 1.0);
  EXPECT_EQ(kernels::ippsSet_64f(-0.0, d.data(), 5), ippStsNoErr);
  EXPECT_TRUE(std::signbit(d[4]));
  EXPECT_EQ(d[5], 1.0);
  EXPECT_EQ(kernels::ippsZero_64f(d.data(), 5), ippStsNoErr);
  EXPECT_FALSE(std::signbit(d[4]));

  std::vector<Ipp32s> w(4, 3);
  EXPECT_EQ(kernels::ippsSet_32s(-9, w.data(), 3), ippStsNoErr);
  EXPECT_EQ(w, (std::vector<Ipp32s>{-9, -9, -9, 3}));
  EXPECT_EQ(kernels::ippsZero_32s(w.data(), 2), ippStsNoErr);
  EXPECT_EQ(w, (std::vector<Ipp32s>{0, 0, -9, 3}));
  std::vector<Ipp16s> h(3, 5);
  EXPECT_EQ(kernels::ippsZero_16s(h.data(), 2), ippStsNoErr);
  EXPECT_EQ(h, (std::vector<Ipp16s>{0, 0, 5}));

  // The float fill stores the value's bits, NaN payload included.
  const float payload = std::bit_cast<float>(0x7FC12345u);
  std::vector<float> f(3, 1.0f);
  EXPECT_EQ(kernels::ippsSet_32f(payload, f.data(), 2), ippStsNoErr);
  EXPECT_EQ(std::bit_cast<Ipp32u>(f[1]), 0x7FC12345u);
  EXPECT_EQ(kernels::ippsZero_32f(f.data(), 3), ippStsNoErr);
  EXPECT_EQ(f[2], 0.0f);

  std::vector<Ipp8u> src(40), dst(41, 0);
  std::iota(src.begin(), src.end(), 1);
  EXPECT_EQ(kernels::ippsCopy_8u(src.data(), dst.data() + 1, 40), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp8u>(dst.begin() + 1, dst.end()), src);
  std::vector<float> fs = {1, 2, 3}, fd(3);
  EXPECT_EQ(kernels::ippsCopy_32f(fs.data(), fd.data(), 3), ippStsNoErr);
  EXPECT_EQ(fd, fs);
  std::vector<double> ds = {1, 2, 3}, dd(3);
  EXPECT_EQ(kernels::ippsCopy_64f(ds.data(), dd.data(), 3), ippStsNoErr);
  EXPECT_EQ(dd, ds);
}

TEST(Copy32sC1R, CopiesRowsByTheirSteps) {
  const Ipp32s src[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // 3x3, step 12 bytes
  std::vector<Ipp32s> dst(8, -1);                      // 2 rows of 4, step 16 bytes
  EXPECT_EQ(kernels::ippiCopy_32s_C1R(src + 1, 12, dst.data(), 16, {2, 2}), ippStsNoErr);
  EXPECT_EQ(dst, (std::vector<Ipp32s>{2, 3, -1, -1, 5, 6, -1, -1}));
  // A width of 1 with frame-sized steps picks one channel of interleaved data.
  std::vector<Ipp32s> channel(3, 0);
  EXPECT_EQ(kernels::ippiCopy_32s_C1R(src + 2, 12, channel.data(), 4, {1, 3}), ippStsNoErr);
  EXPECT_EQ(channel, (std::vector<Ipp32s>{3, 6, 9}));
}

TEST(SharedKernels, WordZeroAndCopyCheckTheirArguments) {
  Ipp32s a[3] = {1, 2, 3}, b[3] = {0, 0, 0};
  EXPECT_EQ(ZeroWords32(nullptr, 3), ippStsNullPtrErr);
  EXPECT_EQ(ZeroWords32(a, 0), ippStsSizeErr);
  EXPECT_EQ(CopyWords32(a, nullptr, 3), ippStsNullPtrErr);
  EXPECT_EQ(CopyWords32(a, b, -1), ippStsSizeErr);
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(CopyWords32(a, b, 2), ippStsNoErr);
  EXPECT_EQ(b[1], 2);
  EXPECT_EQ(b[2], 0);
  EXPECT_EQ(ZeroWords32(a, 2), ippStsNoErr);
  EXPECT_EQ(a[1], 0);
  EXPECT_EQ(a[2], 3);

  Ipp32u w[5] = {};
  Fill32Kernel(w, 4, 0xDEADBEEFu);
  EXPECT_EQ(w[3], 0xDEADBEEFu);
  EXPECT_EQ(w[4], 0u);
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

using Fill32 = void (*)(Ipp32u*, std::int64_t, Ipp32u);
using Fill64 = void (*)(Ipp64f*, std::int64_t, Ipp64f);
using Fill128 = void (*)(Ipp64fc*, std::int64_t, Ipp64fc);

// Runs fill32/fill64/fill128 and the plain fills side by side, from each
// element-aligned position off the vector alignment, and requires the
// same bytes, the guard bytes around the run included.
void ExpectSameAsPlain(const char* variant, Fill32 fill32, Fill64 fill64, Fill128 fill128,
                       std::initializer_list<int> counts) {
  constexpr int kMax = 1100;
  for (int offset = 0; offset < 4; ++offset) {
    for (int count : counts) {
      SCOPED_TRACE(std::string(variant) + " count " + std::to_string(count) + " offset " + std::to_string(offset));
      ASSERT_LE(count, kMax);
      alignas(64) static unsigned char plain[kMax * 16 + 64], other[kMax * 16 + 64];
      std::memset(plain, 0xEE, sizeof plain);
      std::memset(other, 0xEE, sizeof other);
      auto at = [offset](unsigned char* b, int element) { return b + offset * element; };
      if (fill32) {
        fill_variants::Fill32Plain(reinterpret_cast<Ipp32u*>(at(plain, 4)), count, 0xA1B2C3D4u);
        fill32(reinterpret_cast<Ipp32u*>(at(other, 4)), count, 0xA1B2C3D4u);
        ASSERT_EQ(std::memcmp(plain, other, sizeof plain), 0) << "32-bit";
      }
      if (fill64) {
        fill_variants::Fill64Plain(reinterpret_cast<Ipp64f*>(at(plain, 8)), count, -1.25);
        fill64(reinterpret_cast<Ipp64f*>(at(other, 8)), count, -1.25);
        ASSERT_EQ(std::memcmp(plain, other, sizeof plain), 0) << "64-bit";
      }
      if (fill128) {
        fill_variants::Fill128Plain(reinterpret_cast<Ipp64fc*>(at(plain, 8)), count, {3.5, -0.0});
        fill128(reinterpret_cast<Ipp64fc*>(at(other, 8)), count, {3.5, -0.0});
        ASSERT_EQ(std::memcmp(plain, other, sizeof plain), 0) << "128-bit";
      }
    }
  }
}

// The AVX2 fills, and the dispatched ones that choose them, against the
// plain ones over lengths that leave every kind of head and tail.
TEST(FillVariants, Avx2FillsMatchThePlainOnes) {
  if (!__builtin_cpu_supports("avx2"))
    GTEST_SKIP() << "this processor has no AVX2: the AVX2 fills cannot run and the plain ones serve";
  ASSERT_TRUE(ProcessorHasAvx2());
  const auto counts = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 100, 255, 256, 257, 300};
  ExpectSameAsPlain("AVX2", fill_variants::Fill32Avx2, fill_variants::Fill64Avx2, fill_variants::Fill128Avx2,
                    counts);
  ExpectSameAsPlain("dispatched", Fill32Kernel, Fill64Kernel, Fill128Kernel, counts);
}

// Long 64-bit fills go through the string store on every x86-64 processor.
TEST(FillVariants, LongSixtyFourBitFillsThroughTheStringStoreMatchThePlainOne) {
#if defined(__x86_64__)
  ExpectSameAsPlain("string store", nullptr, Fill64Kernel, nullptr, {256, 257, 300, 1023, 1100});
#else
  GTEST_SKIP() << "the string store is used on x86-64 only";
#endif
}

// The 16-bit fill (16-bit head, 64-bit words, 16-bit tail) against a plain
// loop, from each 2-byte position of an 8-byte word, below and above the
// length where the words go through the string store.
TEST(FillVariants, SixteenBitFillMatchesAPlainLoop) {
  constexpr int kMax = 1100;
  for (int offset = 0; offset < 4; ++offset)
    for (int count : {0, 1, 2, 3, 4, 5, 7, 8, 9, 17, 255, 1023, 1024, 1025, 1027, kMax}) {
      SCOPED_TRACE("count " + std::to_string(count) + " offset " + std::to_string(offset));
      alignas(64) Ipp16s plain[kMax + 8], other[kMax + 8];
      std::fill(std::begin(plain), std::end(plain), Ipp16s{-2});
      std::fill(std::begin(other), std::end(other), Ipp16s{-2});
      for (int i = 0; i < count; ++i) plain[offset + i] = Ipp16s{-32713};
      Fill16Kernel(other + offset, count, Ipp16s{-32713});
      ASSERT_EQ(std::memcmp(plain, other, sizeof plain), 0);
      if (count > 0) {
        std::fill(std::begin(other), std::end(other), Ipp16s{-2});
        ASSERT_EQ(kernels::ippsSet_16s(-32713, other + offset, count), ippStsNoErr);
        ASSERT_EQ(std::memcmp(plain, other, sizeof plain), 0) << "ippsSet_16s";
      }
    }
}

}  // namespace
}  // namespace tavrel
