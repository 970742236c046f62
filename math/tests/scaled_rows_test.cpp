#include "math/scaled_rows.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "math/sfs.h"

namespace tavrel::kernels::scaled_rows {
namespace {

// Every scale factor the row loops treat differently, and the far ends.
std::vector<int> ScaleFactors() {
  std::vector<int> sfs = {INT_MIN, INT_MIN + 1, -1000, INT_MAX, 1000};
  for (int sf = -40; sf <= 40; ++sf) sfs.push_back(sf);
  return sfs;
}

std::vector<Variant> Variants() {
  std::vector<Variant> v = {Variant::Dispatched, Variant::Plain};
  if (__builtin_cpu_supports("avx2")) v.push_back(Variant::Avx2);
  return v;
}

const char* Name(Variant v) {
  return v == Variant::Plain ? "plain" : v == Variant::Avx2 ? "AVX2" : "dispatched";
}

std::int64_t Exact(Op op, std::int64_t a, std::int64_t b) {
  return op == Op::Add ? a + b : op == Op::Sub ? a - b : a * b;
}

// Boundary values of the type, its small values and a spread of the rest.
template <class T>
std::vector<T> Values() {
  constexpr int lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
  std::vector<T> v;
  for (int x : {lo, lo + 1, lo + 2, -257, -256, -255, -129, -128, -127, -3, -2, -1, 0, 1, 2, 3,
                127, 128, 129, 254, 255, 256, 16383, 16384, hi - 2, hi - 1, hi})
    if (x >= lo && x <= hi) v.push_back(static_cast<T>(x));
  std::mt19937 rng(29);
  std::uniform_int_distribution<int> any(lo, hi);
  for (int i = 0; i < 100; ++i) v.push_back(static_cast<T>(any(rng)));
  return v;
}

// Each variant of the constant rows, in place and not, from an odd start so
// the vector loops meet a head, a body and a tail, against SfsRound.
template <class T>
void CheckConstRows() {
  const std::vector<T> values = Values<T>();
  const int n = static_cast<int>(values.size());
  for (Variant variant : Variants())
    for (Op op : {Op::Add, Op::Sub, Op::Mul})
      for (int sf : ScaleFactors())
        for (std::size_t k = 0; k < values.size(); k += 7) {
          const T v = values[k];
          SCOPED_TRACE(std::string(Name(variant)) + " op " + std::to_string(int(op)) + " sf " +
                       std::to_string(sf) + " v " + std::to_string(v));
          std::vector<T> src(n + 1, T{0}), out(n + 2, T{0x55}), inPlace(n + 1, T{0});
          std::copy(values.begin(), values.end(), src.begin() + 1);
          std::copy(values.begin(), values.end(), inPlace.begin() + 1);
          ConstRow(op, src.data() + 1, v, out.data() + 1, n, sf, variant);
          ConstRow(op, inPlace.data() + 1, v, inPlace.data() + 1, n, sf, variant);
          for (int i = 0; i < n; ++i) {
            const T want = SfsRound<T>(Exact(op, values[i], v), sf);
            ASSERT_EQ(out[i + 1], want) << values[i];
            ASSERT_EQ(inPlace[i + 1], want) << values[i];
          }
          ASSERT_EQ(out[0], T{0x55});
          ASSERT_EQ(out[n + 1], T{0x55});
        }
}

// Every pair of values through the element rows.
template <class T>
void CheckBinaryRows() {
  const std::vector<T> values = Values<T>();
  std::vector<T> xs, ys;
  for (T y : values)
    for (T x : values) {
      ys.push_back(y);
      xs.push_back(x);
    }
  const int n = static_cast<int>(xs.size());
  for (Variant variant : Variants())
    for (Op op : {Op::Add, Op::Sub, Op::Mul})
      for (int sf : ScaleFactors()) {
        SCOPED_TRACE(std::string(Name(variant)) + " op " + std::to_string(int(op)) + " sf " +
                     std::to_string(sf));
        std::vector<T> y = ys;
        BinaryRow(op, xs.data(), y.data(), n, sf, variant);
        for (int i = 0; i < n; ++i)
          ASSERT_EQ(y[i], SfsRound<T>(Exact(op, ys[i], xs[i]), sf)) << ys[i] << " op " << xs[i];
      }
}

TEST(ScaledRows, ConstantRowsOfEachVariantMatchTheScaledRule8u) { CheckConstRows<Ipp8u>(); }
TEST(ScaledRows, ConstantRowsOfEachVariantMatchTheScaledRule16s) { CheckConstRows<Ipp16s>(); }
TEST(ScaledRows, ElementRowsOfEachVariantMatchTheScaledRule8u) { CheckBinaryRows<Ipp8u>(); }
TEST(ScaledRows, ElementRowsOfEachVariantMatchTheScaledRule16s) { CheckBinaryRows<Ipp16s>(); }

TEST(ScaledRows, EmptyRowsWriteNothing) {
  Ipp16s d = 7;
  for (Variant variant : Variants()) {
    ConstRow(Op::Add, &d, Ipp16s{1}, &d, 0, 0, variant);
    BinaryRow(Op::Mul, &d, &d, -1, 40, variant);
  }
  EXPECT_EQ(d, 7);
}

}  // namespace
}  // namespace tavrel::kernels::scaled_rows
