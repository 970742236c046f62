#include "math/scaled_arithmetic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

using testing::CheckRow;
using testing::Probe;

// Exact reference: v * 2^-sf, half to even, saturated, by integer arithmetic.
template <class T>
T RefScale(std::int64_t v, int sf) {
  long double q;
  if (sf >= 0) {
    if (sf > 60) return 0;
    const std::int64_t den = std::int64_t{1} << sf;
    std::int64_t quo = v / den, rem = v % den;
    if (rem < 0) {  // floor division
      quo -= 1;
      rem += den;
    }
    if (2 * rem > den || (2 * rem == den && (quo & 1))) quo += 1;
    q = static_cast<long double>(quo);
  } else {
    q = std::ldexp(static_cast<long double>(v), -sf);
  }
  q = std::clamp<long double>(q, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
  return static_cast<T>(q);
}

// Exact reference of y * 2^-sf / x (x != 0), half to even, saturated.
template <class T>
T RefDivide(std::int64_t y, std::int64_t x, int sf) {
  std::int64_t num = y, den = x;
  if (sf >= 0) {
    if (sf > 40) return 0;
    den *= std::int64_t{1} << sf;
  } else {
    if (sf < -40) return y == 0 ? 0 : ((y > 0) == (x > 0) ? std::numeric_limits<T>::max()
                                                          : std::numeric_limits<T>::min());
    num *= std::int64_t{1} << -sf;
  }
  if (den < 0) {
    num = -num;
    den = -den;
  }
  std::int64_t quo = num / den, rem = num % den;
  if (rem < 0) {
    quo -= 1;
    rem += den;
  }
  if (2 * rem > den || (2 * rem == den && (quo & 1))) quo += 1;
  return static_cast<T>(std::clamp<std::int64_t>(quo, std::numeric_limits<T>::min(),
                                                 std::numeric_limits<T>::max()));
}

// A region of w x h pixels inside rows padded by `pad` guard elements.
template <class T>
struct Padded {
  int w, h, pad;
  std::vector<T> data;
  Padded(int w_, int h_, int pad_, T guard) : w(w_), h(h_), pad(pad_), data((w + pad) * h, guard) {}
  int Step() const { return (w + pad) * static_cast<int>(sizeof(T)); }
  T* Ptr() { return data.data(); }
  T& At(int r, int c) { return data[r * (w + pad) + c]; }
  bool GuardsIntact(T guard) const {
    for (int r = 0; r < h; ++r)
      for (int c = w; c < w + pad; ++c)
        if (data[r * (w + pad) + c] != guard) return false;
    return true;
  }
  IppiSize Roi() const { return {w, h}; }
};

using BinaryFn8u = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, int);
using BinaryFn16s = IppStatus (*)(const Ipp16s*, int, Ipp16s*, int, IppiSize, int);

TEST(ScaledArithmetic, EightBitOperationsExhaustivelyOnAPaddedRegion) {
  struct Row {
    const char* name;
    BinaryFn8u fn;
    std::int64_t (*exact)(std::int64_t y, std::int64_t x);
  };
  const Row rows[] = {
      {"add", ippiAdd_8u_C1IRSfs, [](std::int64_t y, std::int64_t x) { return y + x; }},
      {"sub", ippiSub_8u_C1IRSfs, [](std::int64_t y, std::int64_t x) { return y - x; }},
      {"mul", ippiMul_8u_C1IRSfs, [](std::int64_t y, std::int64_t x) { return y * x; }},
  };
  Padded<Ipp8u> src(256, 256, 5, 0x77);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) src.At(y, x) = static_cast<Ipp8u>(x);
  for (const Row& row : rows) {
    for (int sf = -16; sf <= 31; ++sf) {
      SCOPED_TRACE(std::string(row.name) + " sf=" + std::to_string(sf));
      Padded<Ipp8u> dst(256, 256, 3, 0x5A);
      for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) dst.At(y, x) = static_cast<Ipp8u>(y);
      ASSERT_EQ(row.fn(src.Ptr(), src.Step(), dst.Ptr(), dst.Step(), dst.Roi(), sf), ippStsNoErr);
      int bad = 0;
      for (int y = 0; y < 256 && bad < 3; ++y)
        for (int x = 0; x < 256 && bad < 3; ++x) {
          const Ipp8u want = RefScale<Ipp8u>(row.exact(y, x), sf);
          if (dst.At(y, x) != want) {
            ++bad;
            ADD_FAILURE() << y << " op " << x << " gave " << int(dst.At(y, x)) << " want " << int(want);
          }
        }
      EXPECT_TRUE(dst.GuardsIntact(0x5A));
    }
  }
}

TEST(ScaledArithmetic, SixteenBitOperationsOnBoundariesAndRandomValues) {
  std::vector<Ipp16s> values = {-32768, -32767, -16384, -257, -2, -1, 0, 1, 2, 3, 255, 16383, 32766, 32767};
  std::mt19937 rng(11);
  for (int i = 0; i < 40; ++i) values.push_back(static_cast<Ipp16s>(rng()));
  const int n = static_cast<int>(values.size());
  struct Row {
    const char* name;
    BinaryFn16s fn;
    std::int64_t (*exact)(std::int64_t y, std::int64_t x);
  };
  const Row rows[] = {
      {"add", ippiAdd_16s_C1IRSfs, [](std::int64_t y, std::int64_t x) { return y + x; }},
      {"sub", ippiSub_16s_C1IRSfs, [](std::int64_t y, std::int64_t x) { return y - x; }},
      {"mul", ippiMul_16s_C1IRSfs, [](std::int64_t y, std::int64_t x) { return y * x; }},
  };
  Padded<Ipp16s> src(n, n, 2, 1234);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) src.At(r, c) = values[c];
  for (const Row& row : rows) {
    for (int sf = -16; sf <= 31; ++sf) {
      SCOPED_TRACE(std::string(row.name) + " sf=" + std::to_string(sf));
      Padded<Ipp16s> dst(n, n, 3, -4321);
      for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) dst.At(r, c) = values[r];
      ASSERT_EQ(row.fn(src.Ptr(), src.Step(), dst.Ptr(), dst.Step(), dst.Roi(), sf), ippStsNoErr);
      for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
          ASSERT_EQ(dst.At(r, c), RefScale<Ipp16s>(row.exact(values[r], values[c]), sf))
              << values[r] << " op " << values[c];
      EXPECT_TRUE(dst.GuardsIntact(-4321));
    }
  }
}

TEST(ScaledArithmetic, EdgeCases) {
  Ipp8u a = 255, b = 255;
  IppiSize one{1, 1};
  ASSERT_EQ(ippiAdd_8u_C1IRSfs(&a, 1, &b, 1, one, 1), ippStsNoErr);
  EXPECT_EQ(b, 255);
  // Beyond the zero-fill limit the region is set through the 2-D set, which checks the step.
  b = 9;
  ASSERT_EQ(ippiAdd_8u_C1IRSfs(&a, 1, &b, 1, one, 10), ippStsNoErr);
  EXPECT_EQ(b, 0);
  b = 9;
  EXPECT_EQ(ippiAdd_8u_C1IRSfs(&a, 1, &b, 0, one, 10), ippStsStepErr);
  EXPECT_EQ(b, 9);
  EXPECT_EQ(ippiAdd_8u_C1IRSfs(&a, 0, &b, 0, one, 0), ippStsNoErr);  // steps unchecked otherwise

  struct Row {
    Ipp16s y, x;
    int sf;
    Ipp16s want;
  };
  const Row mul[] = {{-32768, -32768, 30, 1}, {-32768, -32768, 31, 0}, {-32768, -32768, 0, 32767}};
  for (const Row& r : mul) {
    Ipp16s y = r.y;
    ASSERT_EQ(ippiMul_16s_C1IRSfs(&r.x, 2, &y, 2, one, r.sf), ippStsNoErr);
    EXPECT_EQ(y, r.want) << r.sf;
  }
  Ipp16s y = -32768, x = 1;
  ASSERT_EQ(ippiSub_16s_C1IRSfs(&x, 2, &y, 2, one, 0), ippStsNoErr);
  EXPECT_EQ(y, -32768);

  // MulC by 0 zero-fills at any scale; by 1 with sf 0 writes nothing.
  std::vector<Ipp8u> v = {1, 2, 3};
  for (int sf : {-100, 0, 100}) {
    v = {1, 2, 3};
    ASSERT_EQ(ippsMulC_8u_ISfs(0, v.data(), 3, sf), ippStsNoErr);
    EXPECT_EQ(v, (std::vector<Ipp8u>{0, 0, 0}));
  }
  v = {1, 2, 3};
  ASSERT_EQ(ippsMulC_8u_ISfs(1, v.data(), 3, 0), ippStsNoErr);
  EXPECT_EQ(v, (std::vector<Ipp8u>{1, 2, 3}));
  // AddC in place with a very negative scale fills with 255 through the 2-D set.
  Ipp8u px[2] = {0, 7};
  EXPECT_EQ(ippiAddC_8u_C1IRSfs(1, px, 0, IppiSize{2, 1}, -8), ippStsStepErr);
  ASSERT_EQ(ippiAddC_8u_C1IRSfs(1, px, 2, IppiSize{2, 1}, -8), ippStsNoErr);
  EXPECT_EQ(px[0], 255);
}

TEST(ScaledArithmetic, ConstantOperationsAgreeAcrossFormsAndWithTheExactValue) {
  std::mt19937 rng(5);
  for (int sf : {-16, -8, -7, -1, 0, 1, 2, 5, 8, 9, 10, 16, 17, 31}) {
    SCOPED_TRACE(sf);
    for (int v = 0; v < 256; v += (v < 8 ? 1 : 13)) {
      std::vector<Ipp8u> x(256);
      for (int i = 0; i < 256; ++i) x[i] = static_cast<Ipp8u>(i);
      struct Op {
        IppStatus (*vec)(const Ipp8u*, Ipp8u, Ipp8u*, int, int);
        IppStatus (*vecI)(Ipp8u, Ipp8u*, int, int);
        IppStatus (*img)(const Ipp8u*, int, Ipp8u, Ipp8u*, int, IppiSize, int);
        IppStatus (*imgI)(Ipp8u, Ipp8u*, int, IppiSize, int);
        std::int64_t (*exact)(std::int64_t, std::int64_t);
      };
      const Op ops[] = {
          {ippsAddC_8u_Sfs, ippsAddC_8u_ISfs, ippiAddC_8u_C1RSfs, ippiAddC_8u_C1IRSfs,
           [](std::int64_t a, std::int64_t b) { return a + b; }},
          {ippsSubC_8u_Sfs, ippsSubC_8u_ISfs, ippiSubC_8u_C1RSfs, ippiSubC_8u_C1IRSfs,
           [](std::int64_t a, std::int64_t b) { return a - b; }},
          {ippsMulC_8u_Sfs, ippsMulC_8u_ISfs, ippiMulC_8u_C1RSfs, ippiMulC_8u_C1IRSfs,
           [](std::int64_t a, std::int64_t b) { return a * b; }},
      };
      for (const Op& op : ops) {
        std::vector<Ipp8u> d(256), dI = x;
        ASSERT_EQ(op.vec(x.data(), static_cast<Ipp8u>(v), d.data(), 256, sf), ippStsNoErr);
        ASSERT_EQ(op.vecI(static_cast<Ipp8u>(v), dI.data(), 256, sf), ippStsNoErr);
        Padded<Ipp8u> img(16, 16, 4, 0xEE), imgI(16, 16, 4, 0xEE);
        Padded<Ipp8u> srcImg(16, 16, 1, 0);
        for (int i = 0; i < 256; ++i) srcImg.At(i / 16, i % 16) = imgI.At(i / 16, i % 16) = x[i];
        ASSERT_EQ(op.img(srcImg.Ptr(), srcImg.Step(), static_cast<Ipp8u>(v), img.Ptr(), img.Step(),
                         img.Roi(), sf),
                  ippStsNoErr);
        ASSERT_EQ(op.imgI(static_cast<Ipp8u>(v), imgI.Ptr(), imgI.Step(), imgI.Roi(), sf),
                  ippStsNoErr);
        for (int i = 0; i < 256; ++i) {
          ASSERT_EQ(d[i], RefScale<Ipp8u>(op.exact(x[i], v), sf)) << i << " v=" << v;
          ASSERT_EQ(dI[i], d[i]);
          ASSERT_EQ(img.At(i / 16, i % 16), d[i]);
          ASSERT_EQ(imgI.At(i / 16, i % 16), d[i]);
        }
        EXPECT_TRUE(img.GuardsIntact(0xEE));
        EXPECT_TRUE(imgI.GuardsIntact(0xEE));
      }
    }
    // 16-bit constants on boundaries.
    for (Ipp16s v : {Ipp16s(-32768), Ipp16s(-1), Ipp16s(0), Ipp16s(1), Ipp16s(3), Ipp16s(32767)}) {
      std::vector<Ipp16s> x = {-32768, -32767, -3, -1, 0, 1, 2, 3, 32766, 32767};
      for (int i = 0; i < 20; ++i) x.push_back(static_cast<Ipp16s>(rng()));
      const int n = static_cast<int>(x.size());
      struct Op {
        IppStatus (*vec)(const Ipp16s*, Ipp16s, Ipp16s*, int, int);
        IppStatus (*vecI)(Ipp16s, Ipp16s*, int, int);
        IppStatus (*img)(const Ipp16s*, int, Ipp16s, Ipp16s*, int, IppiSize, int);
        IppStatus (*imgI)(Ipp16s, Ipp16s*, int, IppiSize, int);
        std::int64_t (*exact)(std::int64_t, std::int64_t);
      };
      const Op ops[] = {
          {ippsAddC_16s_Sfs, ippsAddC_16s_ISfs, ippiAddC_16s_C1RSfs, ippiAddC_16s_C1IRSfs,
           [](std::int64_t a, std::int64_t b) { return a + b; }},
          {ippsSubC_16s_Sfs, ippsSubC_16s_ISfs, ippiSubC_16s_C1RSfs, ippiSubC_16s_C1IRSfs,
           [](std::int64_t a, std::int64_t b) { return a - b; }},
          {ippsMulC_16s_Sfs, ippsMulC_16s_ISfs, ippiMulC_16s_C1RSfs, ippiMulC_16s_C1IRSfs,
           [](std::int64_t a, std::int64_t b) { return a * b; }},
      };
      for (const Op& op : ops) {
        std::vector<Ipp16s> d(n), dI = x, img(n), imgI = x;
        const int bytes = n * 2;
        ASSERT_EQ(op.vec(x.data(), v, d.data(), n, sf), ippStsNoErr);
        ASSERT_EQ(op.vecI(v, dI.data(), n, sf), ippStsNoErr);
        ASSERT_EQ(op.img(x.data(), bytes, v, img.data(), bytes, IppiSize{n, 1}, sf), ippStsNoErr);
        ASSERT_EQ(op.imgI(v, imgI.data(), bytes, IppiSize{n, 1}, sf), ippStsNoErr);
        for (int i = 0; i < n; ++i) {
          ASSERT_EQ(d[i], RefScale<Ipp16s>(op.exact(x[i], v), sf)) << x[i] << " v=" << v;
          ASSERT_EQ(dI[i], d[i]);
          ASSERT_EQ(img[i], d[i]);
          ASSERT_EQ(imgI[i], d[i]);
        }
      }
    }
  }
}

TEST(ScaledArithmetic, ElementDivision) {
  // 8-bit exhaustively against the exact quotient; zero divisors saturate and warn.
  Padded<Ipp8u> src(256, 256, 3, 1);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) src.At(y, x) = static_cast<Ipp8u>(x);
  for (int sf = -17; sf <= 10; ++sf) {
    SCOPED_TRACE(sf);
    Padded<Ipp8u> dst(256, 256, 2, 0x3C);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) dst.At(y, x) = static_cast<Ipp8u>(y);
    ASSERT_EQ(ippiDiv_8u_C1IRSfs(src.Ptr(), src.Step(), dst.Ptr(), dst.Step(), dst.Roi(), sf),
              ippStsDivByZero);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const Ipp8u want = x == 0 ? (y ? 255 : 0) : RefDivide<Ipp8u>(y, x, sf);
        ASSERT_EQ(dst.At(y, x), want) << y << "/" << x;
      }
    EXPECT_TRUE(dst.GuardsIntact(0x3C));
  }

  struct Row16 {
    Ipp16s y, x;
    int sf;
    Ipp16s want;
  };
  const Row16 rows[] = {
      {5, 2, 0, 2},      {7, 2, 0, 4},          {-5, 2, 0, -2},    {-7, 2, 0, -4},
      {-32768, -1, 0, 32767}, {9, 0, 0, 32767}, {-9, 0, 0, -32768}, {0, 0, 0, 0},
      {3, 1, -20, 32767}, {-3, 1, INT_MIN, -32768}, {32767, 1, INT_MAX, 0}, {1, 2, 0, 0},
  };
  bool sawZero = false;
  for (const Row16& r : rows) {
    Ipp16s y = r.y;
    const IppStatus st = ippiDiv_16s_C1IRSfs(&r.x, 2, &y, 2, IppiSize{1, 1}, r.sf);
    EXPECT_EQ(st, r.x == 0 ? ippStsDivByZero : ippStsNoErr);
    sawZero |= r.x == 0;
    EXPECT_EQ(y, r.want) << r.y << "/" << r.x << " sf " << r.sf;
  }
  EXPECT_TRUE(sawZero);
  std::mt19937 rng(2);
  for (int i = 0; i < 20000; ++i) {
    const Ipp16s x = static_cast<Ipp16s>(rng()), y0 = static_cast<Ipp16s>(rng());
    const int sf = static_cast<int>(rng() % 40) - 20;
    if (x == 0) continue;
    Ipp16s y = y0;
    ASSERT_EQ(ippiDiv_16s_C1IRSfs(&x, 2, &y, 2, IppiSize{1, 1}, sf), ippStsNoErr);
    ASSERT_EQ(y, RefDivide<Ipp16s>(y0, x, sf)) << y0 << "/" << x << " sf " << sf;
  }
  Ipp8u b = 1;
  EXPECT_EQ(ippiDiv_8u_C1IRSfs(&b, 0, &b, 1, IppiSize{1, 1}, 0), ippStsStepErr);
}

TEST(ScaledArithmetic, ConstantDivision) {
  std::vector<Ipp16s> x = {-32768, -5, -1, 0, 1, 5, 32767};
  std::vector<Ipp16s> d(x.size(), 99);
  ASSERT_EQ(ippsDivC_16s_Sfs(x.data(), -1, d.data(), 7, 0), ippStsNoErr);
  EXPECT_EQ(d, (std::vector<Ipp16s>{32767, 5, 1, 0, -1, -5, -32767}));
  std::vector<Ipp16s> keep(7, 99);
  EXPECT_EQ(ippsDivC_16s_Sfs(x.data(), 0, keep.data(), 7, 0), ippStsDivByZeroErr);
  EXPECT_EQ(ippsDivC_16s_ISfs(0, keep.data(), 7, 0), ippStsDivByZeroErr);
  EXPECT_EQ(keep, std::vector<Ipp16s>(7, 99));

  // Multiplying by a reciprocal may miss an exact tie by one unit; elsewhere it is exact.
  std::mt19937 rng(8);
  for (int i = 0; i < 20000; ++i) {
    const Ipp16s v = static_cast<Ipp16s>(rng() % 2001) - 1000;
    Ipp16s in = static_cast<Ipp16s>(rng()), out;
    const int sf = static_cast<int>(rng() % 12) - 6;
    if (v == 0) continue;
    ASSERT_EQ(ippsDivC_16s_Sfs(&in, v, &out, 1, sf), ippStsNoErr);
    const Ipp16s want = RefDivide<Ipp16s>(in, v, sf);
    ASSERT_LE(std::abs(out - want), 1) << in << "/" << v << " sf " << sf;
    if (out != want) {  // only at a tie
      const long double q = std::ldexp(static_cast<long double>(in), -sf) / v;
      EXPECT_EQ(std::fabs(q - std::trunc(q)), 0.5L) << in << "/" << v;
    }
  }

  struct Row8 {
    Ipp8u x, v;
    int sf;
    Ipp8u want;
  };
  const Row8 rows[] = {
      {3, 2, 0, 2},   {5, 2, 0, 2},   {7, 2, 0, 4},     {5, 10, 0, 1},  // six-digit reciprocal
      {255, 1, 0, 255}, {255, 255, 0, 1}, {200, 1, -1, 255}, {200, 3, 2, 17},
      {9, 1, INT_MIN, 255}, {0, 1, INT_MIN, 0}, {255, 1, INT_MAX, 0},
  };
  for (const Row8& r : rows) {
    Ipp8u out = 77;
    ASSERT_EQ(ippsDivC_8u_Sfs(&r.x, r.v, &out, 1, r.sf), ippStsNoErr);
    EXPECT_EQ(out, r.want) << int(r.x) << "/" << int(r.v) << " sf " << r.sf;
  }
  Ipp8u px[3] = {10, 20, 30}, out8[3];
  EXPECT_EQ(ippiDivC_8u_C1RSfs(px, 3, 0, out8, 3, IppiSize{3, 1}, 0), ippStsDivByZeroErr);
  EXPECT_EQ(ippiDivC_8u_C1RSfs(px, 3, 5, out8, 0, IppiSize{3, 1}, 0), ippStsStepErr);
  ASSERT_EQ(ippiDivC_8u_C1IRSfs(5, px, 3, IppiSize{3, 1}, 0), ippStsNoErr);
  EXPECT_EQ(px[2], 6);
  Ipp16s w[2] = {100, -100};
  ASSERT_EQ(ippiDivC_16s_C1IRSfs(-3, w, 4, IppiSize{2, 1}, 0), ippStsNoErr);
  EXPECT_EQ(w[0], -33);
  EXPECT_EQ(w[1], 33);
}

TEST(ScaledArithmetic, ConversionsAndRescaling) {
  struct Row {
    float x;
    IppRoundMode mode;
    Ipp8u want;
  };
  const Row rows[] = {
      {254.5f, ippRndNear, 254}, {253.5f, ippRndNear, 254}, {-3.0f, ippRndNear, 0},
      {300.0f, ippRndNear, 255}, {2.7f, ippRndZero, 2},     {255.0f, ippRndZero, 255},
      {std::numeric_limits<float>::quiet_NaN(), ippRndNear, 0},
  };
  for (const Row& r : rows) {
    Ipp8u out = 77;
    ASSERT_EQ(ippiConvert_32f8u_C1R(&r.x, 4, &out, 1, IppiSize{1, 1}, r.mode), ippStsNoErr);
    EXPECT_EQ(out, r.want) << r.x;
  }

  // 8u -> 16s/32s -> 8u is the identity under both hints, strided or not.
  Ipp8u all[256];
  for (int i = 0; i < 256; ++i) all[i] = static_cast<Ipp8u>(i);
  for (IppHintAlgorithm hint : {ippAlgHintFast, ippAlgHintAccurate}) {
    Ipp16s wide[256];
    Ipp32s wider[256];
    Ipp8u back[256], back32[256];
    ASSERT_EQ(ippiScale_8u16s_C1R(all, 256, wide, 512, IppiSize{256, 1}), ippStsNoErr);
    ASSERT_EQ(ippiScale_16s8u_C1R(wide, 32, back, 16, IppiSize{16, 16}, hint), ippStsNoErr);
    ASSERT_EQ(ippiScale_8u32s_C1R(all, 16, wider, 64, IppiSize{16, 16}), ippStsNoErr);
    ASSERT_EQ(ippiScale_32s8u_C1R(wider, 1024, back32, 256, IppiSize{256, 1}, hint), ippStsNoErr);
    for (int i = 0; i < 256; ++i) {
      EXPECT_EQ(back[i], i) << "hint " << hint;
      EXPECT_EQ(back32[i], i) << "hint " << hint;
    }
    EXPECT_EQ(wide[0], -32768);
    EXPECT_EQ(wide[255], 32767);
    EXPECT_EQ(wider[0], INT_MIN);
    EXPECT_EQ(wider[255], INT_MAX);
    const Ipp16s ends[2] = {-32768, 32767};
    const Ipp16u uends[2] = {0, 65535};
    Ipp8u e8[2];
    ASSERT_EQ(ippiScale_16s8u_C1R(ends, 4, e8, 2, IppiSize{2, 1}, hint), ippStsNoErr);
    EXPECT_EQ(e8[0], 0);
    EXPECT_EQ(e8[1], 255);
    ASSERT_EQ(ippiScale_16u8u_C1R(uends, 4, e8, 2, IppiSize{2, 1}, hint), ippStsNoErr);
    EXPECT_EQ(e8[0], 0);
    EXPECT_EQ(e8[1], 255);
  }

  // The strided path equals the merged one, and leaves the padding alone.
  Padded<Ipp16s> s(7, 5, 3, 0);
  std::mt19937 rng(4);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 7; ++c) s.At(r, c) = static_cast<Ipp16s>(rng());
  for (IppHintAlgorithm hint : {ippAlgHintFast, ippAlgHintAccurate}) {
    Padded<Ipp8u> strided(7, 5, 2, 0xCD);
    std::vector<Ipp16s> packed;
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 7; ++c) packed.push_back(s.At(r, c));
    std::vector<Ipp8u> merged(35);
    ASSERT_EQ(ippiScale_16s8u_C1R(s.Ptr(), s.Step(), strided.Ptr(), strided.Step(), s.Roi(), hint),
              ippStsNoErr);
    ASSERT_EQ(ippiScale_16s8u_C1R(packed.data(), 14, merged.data(), 7, s.Roi(), hint), ippStsNoErr);
    for (int i = 0; i < 35; ++i) EXPECT_EQ(strided.At(i / 7, i % 7), merged[i]);
    EXPECT_TRUE(strided.GuardsIntact(0xCD));
  }

  const Ipp8s sb[3] = {-128, -1, 127};
  Ipp16s sw[3];
  ASSERT_EQ(ippsConvert_8s16s(sb, sw, 3), ippStsNoErr);
  EXPECT_EQ(sw[0], -128);
  EXPECT_EQ(sw[1], -1);
  float f[2];
  const Ipp8u u[2] = {0, 255};
  ASSERT_EQ(ippiConvert_8u32f_C1R(u, 2, f, 8, IppiSize{2, 1}), ippStsNoErr);
  EXPECT_EQ(f[1], 255.0f);
}

TEST(ScaledArithmetic, HandledEdgeCasesRaiseNoFloatingPointFlag) {
  const float in[4] = {std::numeric_limits<float>::quiet_NaN(), 1e30f, -1e30f, 2.5f};
  Ipp8u out[4];
  Ipp16s zero = 0, big = 32767, word = 5;
  Ipp8u byte = 200, zeroByte = 0;
  std::feclearexcept(FE_ALL_EXCEPT);
  ippiConvert_32f8u_C1R(in, 16, out, 4, IppiSize{4, 1}, ippRndNear);
  ippiDiv_16s_C1IRSfs(&zero, 2, &big, 2, IppiSize{1, 1}, 0);
  ippiDiv_8u_C1IRSfs(&zeroByte, 1, &byte, 1, IppiSize{1, 1}, INT_MIN);
  ippsDivC_16s_ISfs(3, &word, 1, INT_MIN);
  ippsDivC_8u_Sfs(&byte, 7, &byte, 1, INT_MAX);
  EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

TEST(ScaledArithmetic, FillsAndCopies) {
  Padded<Ipp16s> r(5, 3, 2, 7);
  ASSERT_EQ(ippiSet_16s_C1R(-9, r.Ptr(), r.Step(), r.Roi()), ippStsNoErr);
  EXPECT_EQ(r.At(2, 4), -9);
  EXPECT_TRUE(r.GuardsIntact(7));
  EXPECT_EQ(ippiSet_16s_C1R(-9, r.Ptr(), 0, r.Roi()), ippStsStepErr);
  Padded<Ipp32s> q(3, 3, 1, 7);
  ASSERT_EQ(ippiSet_32s_C1R(INT_MIN, q.Ptr(), q.Step(), q.Roi()), ippStsNoErr);
  EXPECT_EQ(q.At(2, 2), INT_MIN);
  EXPECT_TRUE(q.GuardsIntact(7));
  Padded<Ipp8u> b(4, 2, 3, 1), c(4, 2, 1, 2);
  ASSERT_EQ(ippiSet_8u_C1R(200, b.Ptr(), b.Step(), b.Roi()), ippStsNoErr);
  ASSERT_EQ(ippiCopy_8u_C1R(b.Ptr(), b.Step(), c.Ptr(), c.Step(), c.Roi()), ippStsNoErr);
  EXPECT_EQ(c.At(1, 3), 200);
  EXPECT_TRUE(c.GuardsIntact(2));
  Padded<Ipp16s> c16(5, 3, 1, 3);
  ASSERT_EQ(ippiCopy_16s_C1R(r.Ptr(), r.Step(), c16.Ptr(), c16.Step(), c16.Roi()), ippStsNoErr);
  EXPECT_EQ(c16.At(1, 1), -9);
  EXPECT_TRUE(c16.GuardsIntact(3));
  std::vector<Ipp16s> v(37, 0);
  ASSERT_EQ(ippsSet_16s(-2, v.data() + 1, 35), ippStsNoErr);
  EXPECT_EQ(v.front(), 0);
  EXPECT_EQ(v[1], -2);
  EXPECT_EQ(v[35], -2);
  EXPECT_EQ(v.back(), 0);
}

}  // namespace

std::vector<testing::CheckRow> ScaledArithmeticCheckRows() {
  const IppiSize good{4, 2};
  auto roi = [good](Probe& p) { return p.badSize ? IppiSize{0, 2} : good; };
  std::vector<CheckRow> rows;
#define BIN(fn, T)                                                                             \
  rows.push_back({#fn, [=](Probe& p) { return fn(p.Ptr<T>(0), 16, p.Ptr<T>(1), 16, roi(p), 0); }});
  BIN(ippiAdd_8u_C1IRSfs, Ipp8u)
  BIN(ippiAdd_16s_C1IRSfs, Ipp16s)
  BIN(ippiSub_8u_C1IRSfs, Ipp8u)
  BIN(ippiSub_16s_C1IRSfs, Ipp16s)
  BIN(ippiMul_8u_C1IRSfs, Ipp8u)
  BIN(ippiMul_16s_C1IRSfs, Ipp16s)
#undef BIN
  rows.push_back({"ippiDiv_8u_C1IRSfs",
                  [=](Probe& p) {
                    return ippiDiv_8u_C1IRSfs(p.Ptr<Ipp8u>(0), 16, p.Ptr<Ipp8u>(1), p.Own(16, 0),
                                              roi(p), 0);
                  },
                  ippStsStepErr});
  rows.push_back({"ippiDiv_16s_C1IRSfs",
                  [=](Probe& p) {
                    return ippiDiv_16s_C1IRSfs(p.Ptr<Ipp16s>(0), p.Own(16, -2), p.Ptr<Ipp16s>(1),
                                               16, roi(p), 0);
                  },
                  ippStsStepErr});
#define VEC(Op, T)                                                                             \
  rows.push_back({"ipps" #Op "_ISfs", [](Probe& p) {                                           \
                    return ipps##Op##_ISfs(3, p.Ptr<T>(0), p.Len(8), 1);                       \
                  }});                                                                         \
  rows.push_back({"ipps" #Op "_Sfs", [](Probe& p) {                                            \
                    return ipps##Op##_Sfs(p.Ptr<T>(0), 3, p.Ptr<T>(1), p.Len(8), 1);           \
                  }});
  VEC(AddC_8u, Ipp8u)
  VEC(AddC_16s, Ipp16s)
  VEC(SubC_8u, Ipp8u)
  VEC(SubC_16s, Ipp16s)
  VEC(MulC_8u, Ipp8u)
  VEC(MulC_16s, Ipp16s)
#undef VEC
#define IMG(Op, T)                                                                              \
  rows.push_back({"ippi" #Op "_C1IRSfs",                                                       \
                  [=](Probe& p) { return ippi##Op##_C1IRSfs(3, p.Ptr<T>(0), 16, roi(p), 1); }}); \
  rows.push_back({"ippi" #Op "_C1RSfs", [=](Probe& p) {                                         \
                    return ippi##Op##_C1RSfs(p.Ptr<T>(0), 16, 3, p.Ptr<T>(1), 16, roi(p), 1);   \
                  }});
  IMG(AddC_8u, Ipp8u)
  IMG(AddC_16s, Ipp16s)
  IMG(SubC_8u, Ipp8u)
  IMG(SubC_16s, Ipp16s)
  IMG(MulC_8u, Ipp8u)
  IMG(MulC_16s, Ipp16s)
#undef IMG
  rows.push_back({"ippsDivC_16s_ISfs",
                  [](Probe& p) {
                    return ippsDivC_16s_ISfs(p.Own<Ipp16s>(3, 0), p.Ptr<Ipp16s>(0), p.Len(8), 0);
                  },
                  ippStsDivByZeroErr});
  rows.push_back({"ippsDivC_16s_Sfs",
                  [](Probe& p) {
                    return ippsDivC_16s_Sfs(p.Ptr<Ipp16s>(0), p.Own<Ipp16s>(3, 0),
                                            p.Ptr<Ipp16s>(1), p.Len(8), 0);
                  },
                  ippStsDivByZeroErr});
  rows.push_back({"ippsDivC_8u_Sfs",
                  [](Probe& p) {
                    return ippsDivC_8u_Sfs(p.Ptr<Ipp8u>(0), p.Own<Ipp8u>(3, 0), p.Ptr<Ipp8u>(1),
                                           p.Len(8), 0);
                  },
                  ippStsDivByZeroErr});
  // The 2-D constant divisions check steps before the constant.
  rows.push_back({"ippiDivC_8u_C1IRSfs",
                  [=](Probe& p) {
                    return ippiDivC_8u_C1IRSfs(p.Own<Ipp8u>(3, 0), p.Ptr<Ipp8u>(0), p.Own(16, 0),
                                               roi(p), 0);
                  },
                  ippStsStepErr});
  rows.push_back({"ippiDivC_8u_C1RSfs",
                  [=](Probe& p) {
                    return ippiDivC_8u_C1RSfs(p.Ptr<Ipp8u>(0), 16, p.Own<Ipp8u>(3, 0),
                                              p.Ptr<Ipp8u>(1), p.Own(16, 0), roi(p), 0);
                  },
                  ippStsStepErr});
  rows.push_back({"ippiDivC_16s_C1IRSfs",
                  [=](Probe& p) {
                    return ippiDivC_16s_C1IRSfs(p.Own<Ipp16s>(3, 0), p.Ptr<Ipp16s>(0),
                                                p.Own(16, 0), roi(p), 0);
                  },
                  ippStsStepErr});
  rows.push_back({"ippiDivC_16s_C1RSfs",
                  [=](Probe& p) {
                    return ippiDivC_16s_C1RSfs(p.Ptr<Ipp16s>(0), p.Own(16, 0), p.Own<Ipp16s>(3, 0),
                                               p.Ptr<Ipp16s>(1), 16, roi(p), 0);
                  },
                  ippStsStepErr});
  rows.push_back({"ippsSet_16s", [](Probe& p) { return ippsSet_16s(1, p.Ptr<Ipp16s>(0), p.Len(8)); }});
  rows.push_back({"ippiSet_8u_C1R",
                  [=](Probe& p) { return ippiSet_8u_C1R(1, p.Ptr<Ipp8u>(0), p.Own(16, 0), roi(p)); },
                  ippStsStepErr});
  rows.push_back({"ippiSet_16s_C1R",
                  [=](Probe& p) { return ippiSet_16s_C1R(1, p.Ptr<Ipp16s>(0), p.Own(16, 0), roi(p)); },
                  ippStsStepErr});
  rows.push_back({"ippiSet_32s_C1R",
                  [=](Probe& p) { return ippiSet_32s_C1R(1, p.Ptr<Ipp32s>(0), p.Own(16, -4), roi(p)); },
                  ippStsStepErr});
  rows.push_back({"ippiCopy_8u_C1R", [=](Probe& p) {
                    return ippiCopy_8u_C1R(p.Ptr<Ipp8u>(0), 16, p.Ptr<Ipp8u>(1), 16, roi(p));
                  }});
  rows.push_back({"ippiCopy_16s_C1R", [=](Probe& p) {
                    return ippiCopy_16s_C1R(p.Ptr<Ipp16s>(0), 16, p.Ptr<Ipp16s>(1), 16, roi(p));
                  }});
  rows.push_back({"ippsConvert_8s16s", [](Probe& p) {
                    return ippsConvert_8s16s(p.Ptr<Ipp8s>(0), p.Ptr<Ipp16s>(1), p.Len(8));
                  }});
#define CONV(call)                                                                                 \
  rows.push_back({#call, [=](Probe& p) { return call; }, ippStsStepErr});
  CONV(ippiConvert_8u32f_C1R(p.Ptr<Ipp8u>(0), 8, p.Ptr<Ipp32f>(1), p.Own(32, 0), roi(p)))
  CONV(ippiConvert_32f8u_C1R(p.Ptr<Ipp32f>(0), p.Own(32, 0), p.Ptr<Ipp8u>(1), 8, roi(p), ippRndNear))
  CONV(ippiScale_8u16s_C1R(p.Ptr<Ipp8u>(0), p.Own(8, 0), p.Ptr<Ipp16s>(1), 16, roi(p)))
  CONV(ippiScale_8u32s_C1R(p.Ptr<Ipp8u>(0), 8, p.Ptr<Ipp32s>(1), p.Own(32, 0), roi(p)))
  CONV(ippiScale_16s8u_C1R(p.Ptr<Ipp16s>(0), 16, p.Ptr<Ipp8u>(1), p.Own(8, 0), roi(p), ippAlgHintFast))
  CONV(ippiScale_32s8u_C1R(p.Ptr<Ipp32s>(0), p.Own(32, 0), p.Ptr<Ipp8u>(1), 8, roi(p), ippAlgHintAccurate))
  CONV(ippiScale_16u8u_C1R(p.Ptr<Ipp16u>(0), 16, p.Ptr<Ipp8u>(1), p.Own(8, 0), roi(p), ippAlgHintFast))
#undef CONV
  return rows;
}

}  // namespace tavrel::kernels
