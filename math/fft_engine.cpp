// The complex engine: bit reversal, radix-4 transforms of up to 1024 points,
// blocked transforms of 1024 and 2048 points and split transforms beyond.
#include "math/fft_engine.h"

#include <emmintrin.h>
#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "math/kernel_heap.h"

namespace tavrel::kernels {
namespace {

// One complex value per SSE2 register (re in the low lane). Every operation
// matches the scalar formula bit for bit: x - y is computed as x + (-y).
using V2 = __m128d;
inline V2 LoadC(const Ipp64fc* p) { return _mm_loadu_pd(&p->re); }
inline void StoreC(Ipp64fc* p, V2 v) { _mm_storeu_pd(&p->re, v); }
inline V2 SwapC(V2 v) { return _mm_shuffle_pd(v, v, 1); }
inline V2 FlipRe(V2 v) { return _mm_xor_pd(v, _mm_set_pd(0.0, -0.0)); }
inline V2 FlipIm(V2 v) { return _mm_xor_pd(v, _mm_set_pd(-0.0, 0.0)); }

// w*z, or conj(w)*z for the inverse direction.
template <bool Inverse>
inline V2 MulC(V2 w, V2 z) {
  const V2 t1 = _mm_mul_pd(z, _mm_unpacklo_pd(w, w));           // (wr zr, wr zi)
  const V2 t2 = _mm_mul_pd(SwapC(z), _mm_unpackhi_pd(w, w));    // (wi zi, wi zr)
  return _mm_add_pd(t1, Inverse ? FlipIm(t2) : FlipRe(t2));
}
// -i*z forward, +i*z inverse.
template <bool Inverse>
inline V2 RotQuarter(V2 z) {
  return Inverse ? FlipRe(SwapC(z)) : FlipIm(SwapC(z));
}

template <bool Inverse>
inline void ButterflyInRegisters(V2& a0, V2& a1, V2& a2, V2& a3) {
  const V2 s01 = _mm_add_pd(a0, a1), d01 = _mm_sub_pd(a0, a1), s23 = _mm_add_pd(a2, a3);
  const V2 r23 = RotQuarter<Inverse>(_mm_sub_pd(a2, a3));
  a0 = _mm_add_pd(s01, s23);
  a2 = _mm_sub_pd(s01, s23);
  a1 = _mm_add_pd(d01, r23);
  a3 = _mm_sub_pd(d01, r23);
}

template <bool Inverse>
inline void Butterfly4(Ipp64fc* x0, Ipp64fc* x1, Ipp64fc* x2, Ipp64fc* x3, V2 b0, V2 b1, V2 b2, V2 b3) {
  ButterflyInRegisters<Inverse>(b0, b1, b2, b3);
  StoreC(x0, b0);
  StoreC(x1, b1);
  StoreC(x2, b2);
  StoreC(x3, b3);
}

// t = W_8^j * z (conjugated twiddle for the inverse); c = cos(pi/4).
template <bool Inverse>
inline V2 EighthTurn(int j, V2 z, double c) {
  const V2 cc = _mm_set1_pd(c);
  const V2 re = _mm_unpacklo_pd(z, z), im = _mm_unpackhi_pd(z, z);
  if (j == 1)  // c*(zr + zi, zi - zr) forward, c*(zr - zi, zr + zi) inverse
    return _mm_mul_pd(cc, Inverse ? _mm_add_pd(re, FlipRe(im)) : _mm_add_pd(z, FlipIm(SwapC(z))));
  if (j == 2) return RotQuarter<Inverse>(z);
  if (j == 3)  // -c*(zr - zi, zr + zi) forward, (-c*(zr + zi), c*(zr - zi)) inverse
    return Inverse ? _mm_mul_pd(FlipRe(cc), _mm_add_pd(re, FlipIm(im)))
                   : _mm_mul_pd(_mm_set1_pd(-c), _mm_add_pd(re, FlipRe(im)));
  return z;
}

// The (bits)-bit reversal of v, bits <= 32.
inline std::size_t ReverseBits(std::size_t v, int bits) {
  std::uint32_t x = static_cast<std::uint32_t>(v);
  x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
  x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
  x = ((x >> 4) & 0x0F0F0F0Fu) | ((x & 0x0F0F0F0Fu) << 4);
  x = __builtin_bswap32(x);
  return bits == 0 ? 0 : x >> (32 - bits);
}

// Where the first stages read their input: from x itself (already in
// bit-reversed order), or straight from the caller's natural-order source of
// the whole 2^m-point transform, position `base` of which x starts at. The
// second saves the separate bit-reversal pass of out-of-place transforms.
struct Source {
  const Ipp64fc* src = nullptr;
  std::size_t base = 0;
  int m = 0;

  Source At(std::size_t offset) const { return {src, base + offset, m}; }
  // Loads points g .. g+n-1 of x (n = 8 or 16, g a multiple of n).
  template <int n>
  void Load(const Ipp64fc* x, std::size_t g, V2* a) const {
    if (src == nullptr) {
      for (int k = 0; k < n; ++k) a[k] = LoadC(x + g + k);
      return;
    }
    constexpr int bits = n == 16 ? 4 : 3;
    const std::size_t first = ReverseBits((base + g) >> bits, m - bits), step = std::size_t(1) << (m - bits);
    for (int k = 0; k < n; ++k) a[k] = LoadC(src + first + ReverseBits(k, bits) * step);
  }
};

// The untwiddled first stage together with the next one, block by block in
// registers: the 16-point radix-4 stage for even orders, the radix-2 stage of
// 8-point groups for odd ones. Returns the group size of the next stage.
template <bool Inverse>
std::size_t FirstStages(Ipp64fc* x, std::size_t L, const Ipp64fc* table, const Source& source) {
  int l = 0;
  while ((std::size_t(1) << l) < L) ++l;
  if (L < 8) {
    for (std::size_t g = 0; g < L; g += 4)
      Butterfly4<Inverse>(x + g, x + g + 1, x + g + 2, x + g + 3, LoadC(x + g), LoadC(x + g + 1), LoadC(x + g + 2),
                          LoadC(x + g + 3));
    return 16;
  }
  if (l & 1) {
    const double c = table[3 * (L / 8)].re;  // cos(pi/4) from the table
    for (std::size_t g = 0; g < L; g += 8) {
      Ipp64fc* p = x + g;
      V2 a[8];
      source.Load<8>(x, g, a);
      ButterflyInRegisters<Inverse>(a[0], a[1], a[2], a[3]);
      ButterflyInRegisters<Inverse>(a[4], a[5], a[6], a[7]);
      for (int j = 0; j < 4; ++j) {
        const V2 t = EighthTurn<Inverse>(j, a[j + 4], c);
        StoreC(p + j, _mm_add_pd(a[j], t));
        StoreC(p + j + 4, _mm_sub_pd(a[j], t));
      }
    }
    return 32;
  }
  const std::size_t stride = 3 * (L / 16);
  for (std::size_t g = 0; g < L; g += 16) {
    Ipp64fc* p = x + g;
    V2 a[16];
    source.Load<16>(x, g, a);
    for (int q = 0; q < 16; q += 4) ButterflyInRegisters<Inverse>(a[q], a[q + 1], a[q + 2], a[q + 3]);
    ButterflyInRegisters<Inverse>(a[0], a[4], a[8], a[12]);
    for (int j = 1; j < 4; ++j) {
      const Ipp64fc* w = table + j * stride;
      a[j + 4] = MulC<Inverse>(LoadC(w + 1), a[j + 4]);
      a[j + 8] = MulC<Inverse>(LoadC(w), a[j + 8]);
      a[j + 12] = MulC<Inverse>(LoadC(w + 2), a[j + 12]);
      ButterflyInRegisters<Inverse>(a[j], a[j + 4], a[j + 8], a[j + 12]);
    }
    for (int k = 0; k < 16; ++k) StoreC(p + k, a[k]);
  }
  return 64;
}

template <bool Inverse>
inline void TwiddledButterfly(Ipp64fc* p, std::size_t j, std::size_t S, const Ipp64fc* w) {
  const V2 b1 = MulC<Inverse>(LoadC(w + 1), LoadC(p + j + S));
  const V2 b2 = MulC<Inverse>(LoadC(w), LoadC(p + j + 2 * S));
  const V2 b3 = MulC<Inverse>(LoadC(w + 2), LoadC(p + j + 3 * S));
  Butterfly4<Inverse>(p + j, p + j + S, p + j + 2 * S, p + j + 3 * S, LoadC(p + j), b1, b2, b3);
}

// One radix-4 stage of G-point groups.
template <bool Inverse>
void Radix4StagePlain(Ipp64fc* x, std::size_t L, std::size_t G, const Ipp64fc* table) {
  const std::size_t S = G / 4, stride = 3 * (L / G);
  for (std::size_t g = 0; g < L; g += G) {
    Ipp64fc* p = x + g;
    Butterfly4<Inverse>(p, p + S, p + 2 * S, p + 3 * S, LoadC(p), LoadC(p + S), LoadC(p + 2 * S), LoadC(p + 3 * S));
    const Ipp64fc* w = table + stride;
    for (std::size_t j = 1; j < S; ++j, w += stride) TwiddledButterfly<Inverse>(p, j, S, w);
  }
}

#define TAVREL_AVX __attribute__((target("avx"), always_inline)) inline
TAVREL_AVX __m256d Load2(const Ipp64fc* q) { return _mm256_loadu_pd(&q->re); }
TAVREL_AVX void Store2(Ipp64fc* q, __m256d v) { _mm256_storeu_pd(&q->re, v); }
// Two twiddles as their real parts (wr0, wr0, wr1, wr1) and imaginary parts
// alike, built by broadcast loads and a blend: no shuffle-port work.
struct Twiddle2 {
  __m256d re, im;
};
TAVREL_AVX Twiddle2 Pair(const Ipp64fc* lo, const Ipp64fc* hi) {
  return {_mm256_blend_pd(_mm256_broadcast_sd(&lo->re), _mm256_broadcast_sd(&hi->re), 0xC),
          _mm256_blend_pd(_mm256_broadcast_sd(&lo->im), _mm256_broadcast_sd(&hi->im), 0xC)};
}
TAVREL_AVX Twiddle2 Broadcast(const Ipp64fc* w) { return {_mm256_broadcast_sd(&w->re), _mm256_broadcast_sd(&w->im)}; }
TAVREL_AVX __m256d Flip2(__m256d v, bool re) {
  return _mm256_xor_pd(v, re ? _mm256_set_pd(0.0, -0.0, 0.0, -0.0) : _mm256_set_pd(-0.0, 0.0, -0.0, 0.0));
}
template <bool Inverse>
TAVREL_AVX __m256d Mul2(Twiddle2 w, __m256d z) {
  const __m256d t1 = _mm256_mul_pd(z, w.re);
  const __m256d t2 = _mm256_mul_pd(_mm256_permute_pd(z, 0x5), w.im);
  return _mm256_add_pd(t1, Flip2(t2, !Inverse));
}
template <bool Inverse>
TAVREL_AVX __m256d RotQuarter2(__m256d z) {  // -i*z forward, +i*z inverse
  return Flip2(_mm256_permute_pd(z, 0x5), Inverse);
}
template <bool Inverse>
TAVREL_AVX void ButterflyInRegisters2(__m256d& a0, __m256d& a1, __m256d& a2, __m256d& a3) {
  const __m256d s01 = _mm256_add_pd(a0, a1), d01 = _mm256_sub_pd(a0, a1), s23 = _mm256_add_pd(a2, a3);
  const __m256d r23 = RotQuarter2<Inverse>(_mm256_sub_pd(a2, a3));
  a0 = _mm256_add_pd(s01, s23);
  a2 = _mm256_sub_pd(s01, s23);
  a1 = _mm256_add_pd(d01, r23);
  a3 = _mm256_sub_pd(d01, r23);
}
TAVREL_AVX __m256d Join(V2 lo, V2 hi) { return _mm256_insertf128_pd(_mm256_castpd128_pd256(lo), hi, 1); }
TAVREL_AVX void Split2(Ipp64fc* lo, Ipp64fc* hi, __m256d v) {
  _mm_storeu_pd(&lo->re, _mm256_castpd256_pd128(v));
  _mm_storeu_pd(&hi->re, _mm256_extractf128_pd(v, 1));
}
// EighthTurn on two values.
template <bool Inverse>
TAVREL_AVX __m256d EighthTurn2(int j, __m256d z, double c) {
  const __m256d cc = _mm256_set1_pd(c);
  const __m256d re = _mm256_movedup_pd(z), im = _mm256_permute_pd(z, 0xF);
  if (j == 1)
    return _mm256_mul_pd(cc, Inverse ? _mm256_add_pd(re, Flip2(im, true))
                                     : _mm256_add_pd(z, Flip2(_mm256_permute_pd(z, 0x5), false)));
  if (j == 2) return RotQuarter2<Inverse>(z);
  if (j == 3)
    return Inverse ? _mm256_mul_pd(Flip2(cc, true), _mm256_add_pd(re, Flip2(im, false)))
                   : _mm256_mul_pd(_mm256_set1_pd(-c), _mm256_add_pd(re, Flip2(im, true)));
  return z;
}
#undef TAVREL_AVX

// FirstStages on two blocks at once (block g in the low, g + n in the high
// half); the plain operations lane by lane, so the results are identical.
template <bool Inverse>
__attribute__((target("avx"))) std::size_t FirstStagesAVX(Ipp64fc* x, std::size_t L, const Ipp64fc* table,
                                                         const Source& source) {
  int l = 0;
  while ((std::size_t(1) << l) < L) ++l;
  if (l & 1) {
    const double c = table[3 * (L / 8)].re;
    for (std::size_t g = 0; g < L; g += 16) {
      V2 lo[8], hi[8];
      source.Load<8>(x, g, lo);
      source.Load<8>(x, g + 8, hi);
      __m256d a[8];
      for (int k = 0; k < 8; ++k) a[k] = Join(lo[k], hi[k]);
      ButterflyInRegisters2<Inverse>(a[0], a[1], a[2], a[3]);
      ButterflyInRegisters2<Inverse>(a[4], a[5], a[6], a[7]);
      for (int j = 0; j < 4; ++j) {
        const __m256d t = EighthTurn2<Inverse>(j, a[j + 4], c);
        Split2(x + g + j, x + g + 8 + j, _mm256_add_pd(a[j], t));
        Split2(x + g + j + 4, x + g + 12 + j, _mm256_sub_pd(a[j], t));
      }
    }
    return 32;
  }
  const std::size_t stride = 3 * (L / 16);
  for (std::size_t g = 0; g < L; g += 32) {
    V2 lo[16], hi[16];
    source.Load<16>(x, g, lo);
    source.Load<16>(x, g + 16, hi);
    __m256d a[16];
    for (int k = 0; k < 16; ++k) a[k] = Join(lo[k], hi[k]);
    for (int q = 0; q < 16; q += 4) ButterflyInRegisters2<Inverse>(a[q], a[q + 1], a[q + 2], a[q + 3]);
    ButterflyInRegisters2<Inverse>(a[0], a[4], a[8], a[12]);
    for (int j = 1; j < 4; ++j) {
      const Ipp64fc* w = table + j * stride;
      a[j + 4] = Mul2<Inverse>(Broadcast(w + 1), a[j + 4]);
      a[j + 8] = Mul2<Inverse>(Broadcast(w), a[j + 8]);
      a[j + 12] = Mul2<Inverse>(Broadcast(w + 2), a[j + 12]);
      ButterflyInRegisters2<Inverse>(a[j], a[j + 4], a[j + 8], a[j + 12]);
    }
    for (int k = 0; k < 16; ++k) Split2(x + g + k, x + g + 16 + k, a[k]);
  }
  return 64;
}

// The same stage two butterflies at a time in 256-bit registers; the same
// operations in the same order, so results equal the plain stage exactly.
template <bool Inverse>
__attribute__((target("avx"))) void Radix4StageAVX(Ipp64fc* x, std::size_t L, std::size_t G,
                                                   const Ipp64fc* table) {
  const std::size_t S = G / 4, stride = 3 * (L / G);
  for (std::size_t g = 0; g < L; g += G) {
    Ipp64fc* p = x + g;
    Butterfly4<Inverse>(p, p + S, p + 2 * S, p + 3 * S, LoadC(p), LoadC(p + S), LoadC(p + 2 * S), LoadC(p + 3 * S));
    TwiddledButterfly<Inverse>(p, 1, S, table + stride);
    for (std::size_t j = 2; j < S; j += 2) {
      const Ipp64fc* w0 = table + j * stride;
      const Ipp64fc* w1 = w0 + stride;
      const __m256d b0 = Load2(p + j);
      const __m256d b1 = Mul2<Inverse>(Pair(w0 + 1, w1 + 1), Load2(p + j + S));
      const __m256d b2 = Mul2<Inverse>(Pair(w0, w1), Load2(p + j + 2 * S));
      const __m256d b3 = Mul2<Inverse>(Pair(w0 + 2, w1 + 2), Load2(p + j + 3 * S));
      const __m256d s01 = _mm256_add_pd(b0, b1), d01 = _mm256_sub_pd(b0, b1), s23 = _mm256_add_pd(b2, b3);
      // -i*(b2 - b3) forward, +i*(b2 - b3) inverse
      const __m256d r23 = Flip2(_mm256_permute_pd(_mm256_sub_pd(b2, b3), 0x5), Inverse);
      Store2(p + j, _mm256_add_pd(s01, s23));
      Store2(p + j + 2 * S, _mm256_sub_pd(s01, s23));
      Store2(p + j + S, _mm256_add_pd(d01, r23));
      Store2(p + j + 3 * S, _mm256_sub_pd(d01, r23));
    }
  }
}

bool HasAVX() {
  static const bool has = __builtin_cpu_supports("avx");
  return has;
}

// The radix-4 transform of four interleaved columns (point p of column c at
// x[4p + c]): the operations of Radix4 on each column, with every twiddle
// loaded once for the four.
template <bool Inverse>
void Radix4FourColumns(Ipp64fc* x, std::size_t R, const Ipp64fc* table) {
  auto at = [x](std::size_t point, std::size_t c) { return x + 4 * point + c; };
  for (std::size_t g = 0; g < R; g += 4)
    for (std::size_t c = 0; c < 4; ++c)
      Butterfly4<Inverse>(at(g, c), at(g + 1, c), at(g + 2, c), at(g + 3, c), LoadC(at(g, c)), LoadC(at(g + 1, c)),
                          LoadC(at(g + 2, c)), LoadC(at(g + 3, c)));
  int l = 0;
  while ((std::size_t(1) << l) < R) ++l;
  std::size_t G = 16;
  if (l & 1) {
    const double cosine = table[3 * (R / 8)].re;
    for (std::size_t g = 0; g < R; g += 8)
      for (int j = 0; j < 4; ++j)
        for (std::size_t c = 0; c < 4; ++c) {
          const V2 t = EighthTurn<Inverse>(j, LoadC(at(g + j + 4, c)), cosine);
          const V2 a = LoadC(at(g + j, c));
          StoreC(at(g + j, c), _mm_add_pd(a, t));
          StoreC(at(g + j + 4, c), _mm_sub_pd(a, t));
        }
    G = 32;
  }
  for (; G <= R; G *= 4) {
    const std::size_t S = G / 4, stride = 3 * (R / G);
    for (std::size_t g = 0; g < R; g += G) {
      for (std::size_t c = 0; c < 4; ++c)
        Butterfly4<Inverse>(at(g, c), at(g + S, c), at(g + 2 * S, c), at(g + 3 * S, c), LoadC(at(g, c)),
                            LoadC(at(g + S, c)), LoadC(at(g + 2 * S, c)), LoadC(at(g + 3 * S, c)));
      for (std::size_t j = 1; j < S; ++j) {
        const Ipp64fc* w = table + j * stride;
        const V2 w1 = LoadC(w), w2 = LoadC(w + 1), w3 = LoadC(w + 2);
        const std::size_t q = g + j;
        for (std::size_t c = 0; c < 4; ++c) {
          const V2 b1 = MulC<Inverse>(w2, LoadC(at(q + S, c)));
          const V2 b2 = MulC<Inverse>(w1, LoadC(at(q + 2 * S, c)));
          const V2 b3 = MulC<Inverse>(w3, LoadC(at(q + 3 * S, c)));
          Butterfly4<Inverse>(at(q, c), at(q + S, c), at(q + 2 * S, c), at(q + 3 * S, c), LoadC(at(q, c)), b1, b2, b3);
        }
      }
    }
  }
}

// The column pass of a split level: x holds R rows of K points; each column
// is multiplied by its twiddles T and transformed over the rows, four
// columns at a time through the work area, row by row (64 bytes each).
template <bool Inverse>
void ColumnPassPlain(Ipp64fc* x, std::size_t R, std::size_t K, const Ipp64fc* T, const Ipp64fc* table,
                     Ipp64fc* work) {
  for (std::size_t u = 0; u < K / 4; ++u) {
    Ipp64fc* column = x + 4 * u;
    for (std::size_t p = 0; p < R; ++p, T += 4) {
      for (std::size_t c = 0; c < 4; ++c) StoreC(work + 4 * p + c, MulC<Inverse>(LoadC(T + c), LoadC(column + p * K + c)));
    }
    Radix4FourColumns<Inverse>(work, R, table);
    for (std::size_t p = 0; p < R; ++p) std::memcpy(column + p * K, work + 4 * p, 4 * sizeof(Ipp64fc));
  }
}

// How many four-column groups ahead the column pass prefetches its rows.
constexpr std::size_t kColumnPrefetch = 2;

// The same with columns 0-1 and 2-3 of a row in two 256-bit registers;
// identical operations, so identical results.
template <bool Inverse>
__attribute__((target("avx"))) void ColumnPassAVX(Ipp64fc* x, std::size_t R, std::size_t K, const Ipp64fc* T,
                                                  const Ipp64fc* table, Ipp64fc* work) {
  int l = 0;
  while ((std::size_t(1) << l) < R) ++l;
  const double cosine = table[3 * (R / 8)].re;
  for (std::size_t u = 0; u < K / 4; ++u) {
    Ipp64fc* column = x + 4 * u;
    for (std::size_t p = 0; p < R; ++p, T += 4) {
      // Rows lie pages apart, out of the hardware prefetcher's reach: fetch
      // a later group's line of this row now.
      _mm_prefetch(reinterpret_cast<const char*>(column + p * K + 4 * kColumnPrefetch), _MM_HINT_T0);
      Store2(work + 4 * p, Mul2<Inverse>(Pair(T, T + 1), Load2(column + p * K)));
      Store2(work + 4 * p + 2, Mul2<Inverse>(Pair(T + 2, T + 3), Load2(column + p * K + 2)));
    }
    for (std::size_t h = 0; h < 4; h += 2) {
      auto at = [work, h](std::size_t point) { return work + 4 * point + h; };
      for (std::size_t g = 0; g < R; g += 4) {
        __m256d a0 = Load2(at(g)), a1 = Load2(at(g + 1)), a2 = Load2(at(g + 2)), a3 = Load2(at(g + 3));
        ButterflyInRegisters2<Inverse>(a0, a1, a2, a3);
        Store2(at(g), a0);
        Store2(at(g + 1), a1);
        Store2(at(g + 2), a2);
        Store2(at(g + 3), a3);
      }
      std::size_t G = 16;
      if (l & 1) {
        for (std::size_t g = 0; g < R; g += 8)
          for (int j = 0; j < 4; ++j) {
            const __m256d t = EighthTurn2<Inverse>(j, Load2(at(g + j + 4)), cosine);
            const __m256d a = Load2(at(g + j));
            Store2(at(g + j), _mm256_add_pd(a, t));
            Store2(at(g + j + 4), _mm256_sub_pd(a, t));
          }
        G = 32;
      }
      for (; G <= R; G *= 4) {
        const std::size_t S = G / 4, stride = 3 * (R / G);
        for (std::size_t g = 0; g < R; g += G) {
          for (std::size_t j = 0; j < S; ++j) {
            const std::size_t q = g + j;
            __m256d a0 = Load2(at(q)), a1 = Load2(at(q + S)), a2 = Load2(at(q + 2 * S)), a3 = Load2(at(q + 3 * S));
            if (j > 0) {
              const Ipp64fc* w = table + j * stride;
              a1 = Mul2<Inverse>(Broadcast(w + 1), a1);
              a2 = Mul2<Inverse>(Broadcast(w), a2);
              a3 = Mul2<Inverse>(Broadcast(w + 2), a3);
            }
            ButterflyInRegisters2<Inverse>(a0, a1, a2, a3);
            Store2(at(q), a0);
            Store2(at(q + S), a1);
            Store2(at(q + 2 * S), a2);
            Store2(at(q + 3 * S), a3);
          }
        }
      }
    }
    for (std::size_t p = 0; p < R; ++p) std::memcpy(column + p * K, work + 4 * p, 4 * sizeof(Ipp64fc));
  }
}

// The engines below the depth-first plan have no AVX-512 kernels.
FFTKernelSet EngineSet(FFTKernelSet set) {
  return FFTUsableKernelSet(set) == FFTKernelSet::kPlain ? FFTKernelSet::kPlain : FFTKernelSet::kAVX;
}

template <bool Inverse>
void Radix4(Ipp64fc* x, std::size_t L, const Ipp64fc* table, FFTKernelSet set, const Source& source = {}) {
  // The AVX first stages take two blocks of 8 or 16 points at a time.
  const bool wide = set == FFTKernelSet::kAVX && L >= 32;
  const std::size_t first = wide ? FirstStagesAVX<Inverse>(x, L, table, source) : FirstStages<Inverse>(x, L, table, source);
  for (std::size_t G = first; G <= L; G *= 4) {
    if (set == FFTKernelSet::kAVX) {
      Radix4StageAVX<Inverse>(x, L, G, table);
    } else {
      Radix4StagePlain<Inverse>(x, L, G, table);
    }
  }
}

template <bool Inverse>
void Radix4(Ipp64fc* x, std::size_t L, const Ipp64fc* table, const Source& source = {}) {
  Radix4<Inverse>(x, L, table, EngineSet(FFTKernelSet::kAVX), source);
}

template <bool Inverse>
inline void ScaleIfFlagged(const FFTSpec* spec, Ipp64fc* data, std::size_t points) {
  if (Inverse ? spec->inverseScale : spec->forwardScale)
    ScaleDoubles(spec->scaleFactor, &data->re, static_cast<std::ptrdiff_t>(2 * points));
}

// The radix-2 passes that combine transformed 512-point blocks into L
// points; table holds W_L^k, k < L/4.
template <bool Inverse>
void CombinePassesPlain(Ipp64fc* x, std::size_t L, const Ipp64fc* table) {
  for (std::size_t B = 512; B < L; B *= 2) {
    const std::size_t stride = L / (2 * B);
    for (std::size_t base = 0; base < L; base += 2 * B) {
      Ipp64fc* u = x + base;
      Ipp64fc* v = u + B;
      for (std::size_t k = 0; k < B / 2; ++k) {
        const V2 w = LoadC(table + k * stride);
        const V2 t = MulC<Inverse>(w, LoadC(v + k));
        const V2 a = LoadC(u + k);
        StoreC(u + k, _mm_add_pd(a, t));
        StoreC(v + k, _mm_sub_pd(a, t));
        const V2 q = RotQuarter<Inverse>(MulC<Inverse>(w, LoadC(v + k + B / 2)));
        const V2 a2 = LoadC(u + k + B / 2);
        StoreC(u + k + B / 2, _mm_add_pd(a2, q));
        StoreC(v + k + B / 2, _mm_sub_pd(a2, q));
      }
    }
  }
}

// The same two values of k at a time; identical operations lane by lane.
template <bool Inverse>
__attribute__((target("avx"))) void CombinePassesAVX(Ipp64fc* x, std::size_t L, const Ipp64fc* table) {
  for (std::size_t B = 512; B < L; B *= 2) {
    const std::size_t stride = L / (2 * B), H = B / 2;
    for (std::size_t base = 0; base < L; base += 2 * B) {
      Ipp64fc* u = x + base;
      Ipp64fc* v = u + B;
      for (std::size_t k = 0; k < H; k += 2) {
        const Twiddle2 w = Pair(table + k * stride, table + (k + 1) * stride);
        const __m256d t = Mul2<Inverse>(w, Load2(v + k));
        const __m256d a = Load2(u + k);
        Store2(u + k, _mm256_add_pd(a, t));
        Store2(v + k, _mm256_sub_pd(a, t));
        const __m256d q = RotQuarter2<Inverse>(Mul2<Inverse>(w, Load2(v + k + H)));
        const __m256d a2 = Load2(u + k + H);
        Store2(u + k + H, _mm256_add_pd(a2, q));
        Store2(v + k + H, _mm256_sub_pd(a2, q));
      }
    }
  }
}

template <bool Inverse>
void Blocked(const FFTSpec* spec, Ipp64fc* x, std::size_t L, const Source& source) {
  for (std::size_t b = L / 512; b-- > 0;) {
    Radix4<Inverse>(x + 512 * b, 512, spec->twiddles, source.At(512 * b));
    ScaleIfFlagged<Inverse>(spec, x + 512 * b, 512);
  }
  if (HasAVX()) {
    CombinePassesAVX<Inverse>(x, L, spec->combineTwiddles);
  } else {
    CombinePassesPlain<Inverse>(x, L, spec->combineTwiddles);
  }
}

template <bool Inverse>
void Split(const FFTSpec* spec, Ipp64fc* x, int m, int level, Ipp64fc* work, const Source& source) {
  const int a = FFTSplitOrder(m), inner = m - a;
  const std::size_t R = std::size_t(1) << a, K = std::size_t(1) << inner;
  for (std::size_t t = 0; t < R; ++t) {
    // Rows reading a natural-order source directly go in bit-reversed order,
    // so that consecutive rows take neighbouring points of each line.
    const std::size_t p = source.src != nullptr ? ReverseBits(t, a) : t;
    Ipp64fc* block = x + p * K;
    if (inner <= 9) {
      Radix4<Inverse>(block, K, spec->twiddles, source.At(p * K));
      ScaleIfFlagged<Inverse>(spec, block, K);
    } else if (FFTSplitOrder(inner) > 0) {
      Split<Inverse>(spec, block, inner, level + 1, work, source.At(p * K));
    } else {
      Blocked<Inverse>(spec, block, K, source.At(p * K));
    }
  }
  const int g = level < 2 ? level : 2;  // plans are at most three levels deep
  if (HasAVX()) {
    ColumnPassAVX<Inverse>(x, R, K, spec->columnTwiddles[g], spec->columnRadix4[g], work);
  } else {
    ColumnPassPlain<Inverse>(x, R, K, spec->columnTwiddles[g], spec->columnRadix4[g], work);
  }
}

template <bool Inverse>
void Large(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work, const Source& source = {}) {
  if (FFTSplitOrder(m) > 0) {
    Split<Inverse>(spec, data, m, 0, work, source);
  } else {
    Blocked<Inverse>(spec, data, std::size_t(1) << m, source);
  }
}

template <bool Inverse>
void Transform(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work, const Source& source) {
  const std::size_t M = std::size_t(1) << m;
  if (m > 9) {
    Large<Inverse>(spec, data, m, work, source);
    return;
  }
  Radix4<Inverse>(data, M, spec->twiddles, source);
  ScaleIfFlagged<Inverse>(spec, data, M);
}

template <bool Inverse>
IppStatus ComplexTransform(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec* spec, Ipp8u* work) {
  if (spec == nullptr) return ippStsNullPtrErr;
  if (spec->tag != kFFTSpecComplexTag) return ippStsContextMatchErr;
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  const bool scaled = (Inverse ? spec->inverseScale : spec->forwardScale) != 0;
  if (spec->order <= 3) {
    kFixedComplexKernels[FixedKernelIndex(spec->order, Inverse, scaled)](src, dst, spec->scaleFactor);
    return ippStsNoErr;
  }
  FFTWorkArea area(spec, work);
  if (area.failed()) return ippStsMemAllocErr;
  ComplexTransformInto(spec, src, dst, spec->order, area.get(), Inverse);
  return ippStsNoErr;
}

}  // namespace

void FFTWorkArea::Take(const FFTSpec* spec, Ipp8u* work) {
  if (work != nullptr) {
    const auto address = reinterpret_cast<std::uintptr_t>(work);
    area_ = reinterpret_cast<Ipp64fc*>(work + ((16 - address % 16) % 16));
    return;
  }
  owned_ = KernelAlloc(static_cast<std::size_t>(spec->workSize));
  area_ = static_cast<Ipp64fc*>(owned_);
  failed_ = owned_ == nullptr;
}

void FFTWorkArea::Release() { KernelFree(owned_); }

void BitReverseCopy(const Ipp64fc* src, Ipp64fc* dst, std::size_t M, const Ipp32s* t) {
  const std::size_t h = M / 2;
  dst[0] = src[0];
  dst[h] = src[1];
  dst[1] = src[h];
  dst[h + 1] = src[h + 1];
  std::size_t k = 0;
  for (; t[k] != 0; k += 2) {
    const std::size_t i = std::size_t(t[k]) / 2, r = std::size_t(t[k + 1]) / 2;
    dst[r] = src[i];
    dst[h + r] = src[i + 1];
    dst[r + 1] = src[h + i];
    dst[h + r + 1] = src[h + i + 1];
    dst[i] = src[r];
    dst[h + i] = src[r + 1];
    dst[i + 1] = src[h + r];
    dst[h + i + 1] = src[h + r + 1];
  }
  for (++k; t[k] != 0; ++k) {
    const std::size_t i = std::size_t(t[k]) / 2;
    dst[i] = src[i];
    dst[h + i] = src[i + 1];
    dst[i + 1] = src[h + i];
    dst[h + i + 1] = src[h + i + 1];
  }
}

void BitReverseInPlace(Ipp64fc* d, std::size_t M, const Ipp32s* t) {
  const std::size_t h = M / 2;
  std::swap(d[1], d[h]);
  std::size_t k = 0;
  for (; t[k] != 0; k += 2) {
    const std::size_t i = std::size_t(t[k]) / 2, r = std::size_t(t[k + 1]) / 2;
    std::swap(d[i], d[r]);
    std::swap(d[i + 1], d[h + r]);
    std::swap(d[h + i], d[r + 1]);
    std::swap(d[h + i + 1], d[h + r + 1]);
  }
  for (++k; t[k] != 0; ++k) {
    const std::size_t i = std::size_t(t[k]) / 2;
    std::swap(d[i + 1], d[h + i]);
  }
}

FFTKernelSet FFTUsableKernelSet(FFTKernelSet wanted) {
  static const bool hasAVX512 = __builtin_cpu_supports("avx512f");
  if (wanted == FFTKernelSet::kAVX512 && !hasAVX512) wanted = FFTKernelSet::kAVX;
  if (wanted == FFTKernelSet::kAVX && !HasAVX()) wanted = FFTKernelSet::kPlain;
  return wanted;
}
FFTKernelSet FFTFastestKernelSet() { return FFTUsableKernelSet(FFTKernelSet::kAVX512); }

void FFTRadix4With(FFTKernelSet set, bool inverse, Ipp64fc* data, std::size_t points, const Ipp64fc* table) {
  set = EngineSet(set);
  if (inverse) {
    Radix4<true>(data, points, table, set);
  } else {
    Radix4<false>(data, points, table, set);
  }
}
void FFTLargeForward(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work) { Large<false>(spec, data, m, work); }
void FFTLargeInverse(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work) { Large<true>(spec, data, m, work); }

void FFTCombinePassesWith(FFTKernelSet set, bool inverse, Ipp64fc* x, std::size_t L, const Ipp64fc* table) {
  if (FFTUsableKernelSet(set) != FFTKernelSet::kPlain) {
    inverse ? CombinePassesAVX<true>(x, L, table) : CombinePassesAVX<false>(x, L, table);
  } else {
    inverse ? CombinePassesPlain<true>(x, L, table) : CombinePassesPlain<false>(x, L, table);
  }
}

void FFTColumnPassWith(FFTKernelSet set, bool inverse, Ipp64fc* x, std::size_t R, std::size_t K,
                       const Ipp64fc* twiddles, const Ipp64fc* table, Ipp64fc* work) {
  if (FFTUsableKernelSet(set) != FFTKernelSet::kPlain) {
    inverse ? ColumnPassAVX<true>(x, R, K, twiddles, table, work) : ColumnPassAVX<false>(x, R, K, twiddles, table, work);
  } else {
    inverse ? ColumnPassPlain<true>(x, R, K, twiddles, table, work)
            : ColumnPassPlain<false>(x, R, K, twiddles, table, work);
  }
}

void ComplexTransformInPlace(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work, bool inverse) {
  if (spec->depthFirst != nullptr) {
    FFTDepthFirst(inverse, nullptr, data, m, spec->depthFirst);
    inverse ? ScaleIfFlagged<true>(spec, data, std::size_t(1) << m)
            : ScaleIfFlagged<false>(spec, data, std::size_t(1) << m);
    return;
  }
  if (inverse) {
    Transform<true>(spec, data, m, work, {});
  } else {
    Transform<false>(spec, data, m, work, {});
  }
}

void ComplexTransformInto(const FFTSpec* spec, const Ipp64fc* src, Ipp64fc* dst, int m, Ipp64fc* work,
                          bool inverse) {
  if (src == dst) {
    BitReverseInPlace(dst, std::size_t(1) << m, spec->bitReversal);
    ComplexTransformInPlace(spec, dst, m, work, inverse);
    return;
  }
  if (spec->depthFirst != nullptr) {
    FFTDepthFirst(inverse, src, dst, m, spec->depthFirst);
    inverse ? ScaleIfFlagged<true>(spec, dst, std::size_t(1) << m)
            : ScaleIfFlagged<false>(spec, dst, std::size_t(1) << m);
    return;
  }
  // Split plans serve the orders beyond the depth-first plan, whose rows are
  // split again: one permutation pass first, with the tiled bit reversal,
  // which moves whole lines.
  if (FFTSplitOrder(m) > 0) {
    BitReverseCopyTiled(src, dst, m);
    ComplexTransformInPlace(spec, dst, m, work, inverse);
    return;
  }
  // m >= 3 here, so the first stages read whole 8- or 16-point blocks.
  const Source source{src, 0, m};
  if (inverse) {
    Transform<true>(spec, dst, m, work, source);
  } else {
    Transform<false>(spec, dst, m, work, source);
  }
}

void BitReverseCopyTiled(const Ipp64fc* src, Ipp64fc* dst, int m) {
  // Index bits (high b | middle | low b) reverse to (rev low | rev middle |
  // rev high): for each middle value an 8 x 8 tile of whole 128-byte rows.
  constexpr int b = 3;
  constexpr std::size_t B = std::size_t(1) << b;
  const int middle = m - 2 * b;
  const std::size_t row = std::size_t(1) << (m - b);
  for (std::size_t mid = 0; mid < (std::size_t(1) << middle); ++mid) {
    const Ipp64fc* s = src + (mid << b);
    Ipp64fc* d = dst + (ReverseBits(mid, middle) << b);
    for (std::size_t hi = 0; hi < B; ++hi) {
      const std::size_t rhi = ReverseBits(hi, b);
      for (std::size_t lo = 0; lo < B; ++lo) d[ReverseBits(lo, b) * row + rhi] = s[hi * row + lo];
    }
  }
}

IppStatus ippsFFTFwd_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec* spec, Ipp8u* work) {
  return ComplexTransform<false>(src, dst, spec, work);
}
IppStatus ippsFFTInv_CToC_64fc(const Ipp64fc* src, Ipp64fc* dst, const FFTSpec* spec, Ipp8u* work) {
  return ComplexTransform<true>(src, dst, spec, work);
}

void ScaleDoubles(Ipp64f factor, Ipp64f* data, std::ptrdiff_t n) {
  for (std::ptrdiff_t i = 0; i < n; ++i) data[i] *= factor;
}

IppStatus CopyComplex(const Ipp64fc* src, Ipp64fc* dst, int n) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (n < 1) return ippStsSizeErr;
  std::memmove(dst, src, static_cast<std::size_t>(n) * sizeof(Ipp64fc));
  return ippStsNoErr;
}

IppStatus ConjugateComplex(const Ipp64fc* src, Ipp64fc* dst, int n) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (n < 1) return ippStsSizeErr;
  for (int i = 0; i < n; ++i) dst[i] = {src[i].re, -src[i].im};
  return ippStsNoErr;
}

IppStatus ConjugateComplexInPlace(Ipp64fc* data, int n) {
  if (data == nullptr) return ippStsNullPtrErr;
  if (n < 1) return ippStsSizeErr;
  for (int i = 0; i < n; ++i) data[i].im = -data[i].im;
  return ippStsNoErr;
}

void DotProductKernel(const Ipp64f* a, const Ipp64f* b, int n, Ipp64f* result) {
  long double sum = 0.0L;
  for (int i = 0; i < n; ++i) sum += static_cast<long double>(a[i]) * b[i];
  *result = static_cast<double>(sum);
}

}  // namespace tavrel::kernels
