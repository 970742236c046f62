// The scaled row loops: one loop per operation and kind of scale factor,
// each built twice (plain and AVX2).
#include "math/scaled_rows.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "math/elementwise.h"

namespace tavrel::kernels::scaled_rows {
namespace {

// How the exact value becomes the result: saturated as it is, shifted right
// with round half to even, or shifted left and saturated.
enum class Scale { None, Down, Up };

struct Scaling {
  Scale kind;
  int shift;           // Down: sf, 1..30
  std::int32_t bias;   // Down: 2^(sf-1) - 1; Up: 2^min(-sf, 16)
  bool allZero;        // sf beyond 30: every exact value (|V| <= 2^30) rounds to 0
};

Scaling ScalingFor(int sf) {
  if (sf == 0) return {Scale::None, 0, 0, false};
  if (sf > 30) return {Scale::None, 0, 0, true};
  if (sf > 0) return {Scale::Down, sf, (std::int32_t{1} << (sf - 1)) - 1, false};
  // Any non-zero value doubled 16 times is beyond both types' ranges.
  const int k = sf < -16 ? 16 : -sf;
  return {Scale::Up, 0, std::int32_t{1} << k, false};
}

template <class T>
inline T Clamp(std::int32_t r) {
  constexpr std::int32_t lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
  return static_cast<T>(std::min(std::max(r, lo), hi));  // min/max: vector instructions
}

template <Scale S, class T>
inline T Scaled(std::int32_t e, int shift, std::int32_t bias) {
  if constexpr (S == Scale::None) {
    return Clamp<T>(e);
  } else if constexpr (S == Scale::Down) {
    // floor((e + 2^(sf-1) - 1 + odd(floor(e / 2^sf))) / 2^sf): half to even.
    return Clamp<T>((e + bias + ((e >> shift) & 1)) >> shift);
  } else {
    // Saturating first keeps the product in 32 bits and changes no result.
    return Clamp<T>(static_cast<std::int32_t>(Clamp<T>(e)) * bias);
  }
}

template <Op K>
inline std::int32_t Apply(std::int32_t a, std::int32_t b) {
  if constexpr (K == Op::Add) return a + b;
  if constexpr (K == Op::Sub) return a - b;
  if constexpr (K == Op::Mul) return a * b;
}

template <Op K, Scale S, class T>
inline void ConstLoop(const T* x, T v, T* d, int n, int shift, std::int32_t bias) {
  const std::int32_t c = v;
  if (x == d) {  // one pointer: no overlap test in the vector loop
    for (int i = 0; i < n; ++i) d[i] = Scaled<S, T>(Apply<K>(d[i], c), shift, bias);
  } else {
    for (int i = 0; i < n; ++i) d[i] = Scaled<S, T>(Apply<K>(x[i], c), shift, bias);
  }
}

template <Op K, Scale S, class T>
inline void BinaryLoop(const T* x, T* y, int n, int shift, std::int32_t bias) {
  for (int i = 0; i < n; ++i) y[i] = Scaled<S, T>(Apply<K>(y[i], x[i]), shift, bias);
}

template <Op K, Scale S, class T>
void ConstPlain(const T* x, T v, T* d, int n, int shift, std::int32_t bias) {
  ConstLoop<K, S>(x, v, d, n, shift, bias);
}
template <Op K, Scale S, class T>
__attribute__((target("avx2"))) void ConstAvx2(const T* x, T v, T* d, int n, int shift,
                                               std::int32_t bias) {
  ConstLoop<K, S>(x, v, d, n, shift, bias);
}
template <Op K, Scale S, class T>
void BinaryPlain(const T* x, T* y, int n, int shift, std::int32_t bias) {
  BinaryLoop<K, S>(x, y, n, shift, bias);
}
template <Op K, Scale S, class T>
__attribute__((target("avx2"))) void BinaryAvx2(const T* x, T* y, int n, int shift,
                                                std::int32_t bias) {
  BinaryLoop<K, S>(x, y, n, shift, bias);
}

template <class T>
using ConstFn = void (*)(const T*, T, T*, int, int, std::int32_t);
template <class T>
using BinaryFn = void (*)(const T*, T*, int, int, std::int32_t);

bool UseAvx2(Variant variant) {
  return variant == Variant::Avx2 || (variant == Variant::Dispatched && ProcessorHasAvx2());
}

// The loops of one type, operation and scaling, plain or AVX2.
template <class T>
struct Loops {
  ConstFn<T> constant;
  BinaryFn<T> binary;
};

template <class T, Op K, Scale S>
Loops<T> LoopsOf(bool avx2) {
  if (avx2) return {&ConstAvx2<K, S, T>, &BinaryAvx2<K, S, T>};
  return {&ConstPlain<K, S, T>, &BinaryPlain<K, S, T>};
}

template <class T, Op K>
Loops<T> LoopsOf(Scale s, bool avx2) {
  switch (s) {
    case Scale::None: return LoopsOf<T, K, Scale::None>(avx2);
    case Scale::Down: return LoopsOf<T, K, Scale::Down>(avx2);
    default: return LoopsOf<T, K, Scale::Up>(avx2);
  }
}

template <class T>
Loops<T> LoopsOf(Op op, Scale s, Variant variant) {
  const bool avx2 = UseAvx2(variant);
  switch (op) {
    case Op::Add: return LoopsOf<T, Op::Add>(s, avx2);
    case Op::Sub: return LoopsOf<T, Op::Sub>(s, avx2);
    default: return LoopsOf<T, Op::Mul>(s, avx2);
  }
}

template <class T>
void Const(Op op, const T* x, T v, T* d, int n, int sf, Variant variant) {
  if (n <= 0) return;
  const Scaling s = ScalingFor(sf);
  if (s.allZero) {
    std::fill_n(d, n, T{0});
    return;
  }
  LoopsOf<T>(op, s.kind, variant).constant(x, v, d, n, s.shift, s.bias);
}

template <class T>
void Binary(Op op, const T* x, T* y, int n, int sf, Variant variant) {
  if (n <= 0) return;
  const Scaling s = ScalingFor(sf);
  if (s.allZero) {
    std::fill_n(y, n, T{0});
    return;
  }
  LoopsOf<T>(op, s.kind, variant).binary(x, y, n, s.shift, s.bias);
}

}  // namespace

void ConstRow(Op op, const Ipp8u* x, Ipp8u v, Ipp8u* d, int n, int sf, Variant variant) {
  Const(op, x, v, d, n, sf, variant);
}
void ConstRow(Op op, const Ipp16s* x, Ipp16s v, Ipp16s* d, int n, int sf, Variant variant) {
  Const(op, x, v, d, n, sf, variant);
}
void BinaryRow(Op op, const Ipp8u* x, Ipp8u* y, int n, int sf, Variant variant) {
  Binary(op, x, y, n, sf, variant);
}
void BinaryRow(Op op, const Ipp16s* x, Ipp16s* y, int n, int sf, Variant variant) {
  Binary(op, x, y, n, sf, variant);
}

}  // namespace tavrel::kernels::scaled_rows
