// The wide build's cubic passes: eight values at a time in single
// precision, the taps gathered (one channel) or loaded a pixel at a time
// (three and four 8-bit channels), then the plain pass's Newton form with
// the same operations in the same order, no fused multiply-add.
#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "resample/resize_wide.h"

namespace tavrel {
namespace {

using std::ptrdiff_t;

struct Taps {
  __m256 pm, p0, p1, p2;
};

// pm + c1 d1 + c2 d2 + c3 d3 with d1 = p0 - pm, d2 = p1 - 2 p0 + pm,
// d3 = p2 - 3 p1 + 3 p0 - pm, summed left to right.
[[gnu::target("avx2")]] inline __m256 Newton(const Taps& t, __m256 c1, __m256 c2, __m256 c3) {
  const __m256 two = _mm256_set1_ps(2.0f), three = _mm256_set1_ps(3.0f);
  const __m256 d1 = _mm256_sub_ps(t.p0, t.pm);
  const __m256 d2 = _mm256_add_ps(_mm256_sub_ps(t.p1, _mm256_mul_ps(two, t.p0)), t.pm);
  const __m256 d3 = _mm256_sub_ps(
      _mm256_add_ps(_mm256_sub_ps(t.p2, _mm256_mul_ps(three, t.p1)), _mm256_mul_ps(three, t.p0)), t.pm);
  const __m256 v = _mm256_add_ps(t.pm, _mm256_mul_ps(c1, d1));
  return _mm256_add_ps(_mm256_add_ps(v, _mm256_mul_ps(c2, d2)), _mm256_mul_ps(c3, d3));
}

[[gnu::target("avx2")]] inline __m256 Float(__m256i v) { return _mm256_cvtepi32_ps(v); }

// Four consecutive bytes (or two 16-bit pairs) from each of eight offsets,
// element-scaled, starting `first` elements from each.
template <class T>
[[gnu::target("avx2")]] inline __m256i Gather32(const T* s, const std::ptrdiff_t* off, ptrdiff_t first) {
  int v[8];
  for (int m = 0; m < 8; ++m) std::memcpy(&v[m], s + off[m] + first, 4);
  return _mm256_setr_epi32(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
}

// The four taps of eight one-channel columns.
template <class T>
[[gnu::target("avx2")]] inline Taps TapsC1(const T* s, const std::ptrdiff_t* off) {
  if constexpr (sizeof(T) == 1) {
    const __m256i v = Gather32(s, off, -1);
    const __m256i byte = _mm256_set1_epi32(0xFF);
    return {Float(_mm256_and_si256(v, byte)), Float(_mm256_and_si256(_mm256_srli_epi32(v, 8), byte)),
            Float(_mm256_and_si256(_mm256_srli_epi32(v, 16), byte)), Float(_mm256_srli_epi32(v, 24))};
  } else if constexpr (sizeof(T) == 2) {
    const __m256i a = Gather32(s, off, -1), b = Gather32(s, off, 1);
    const __m256i word = _mm256_set1_epi32(0xFFFF);
    return {Float(_mm256_and_si256(a, word)), Float(_mm256_srli_epi32(a, 16)), Float(_mm256_and_si256(b, word)),
            Float(_mm256_srli_epi32(b, 16))};
  } else {
    return {_mm256_castsi256_ps(Gather32(s, off, -1)), _mm256_castsi256_ps(Gather32(s, off, 0)),
            _mm256_castsi256_ps(Gather32(s, off, 1)), _mm256_castsi256_ps(Gather32(s, off, 2))};
  }
}

// The taps of two 8-bit pixels of C channels, from 16-byte windows that
// start at their first taps: each pixel in its half, channels in its first
// C lanes (for three channels the fourth lane is zero).
template <int C, int M>
[[gnu::target("avx2")]] inline __m256 TapOfTwo(__m256i v) {
  constexpr char z = -1, b = M * C, l = C == 4 ? b + 3 : z;
  const __m256i order = _mm256_setr_epi8(b, z, z, z, b + 1, z, z, z, b + 2, z, z, z, l, z, z, z,  //
                                         b, z, z, z, b + 1, z, z, z, b + 2, z, z, z, l, z, z, z);
  return Float(_mm256_shuffle_epi8(v, order));
}

template <int C>
[[gnu::target("avx2")]] inline Taps TapsTwoPixels(const Ipp8u* p, const Ipp8u* q) {
  const __m256i v = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(q), reinterpret_cast<const __m128i*>(p));
  return {TapOfTwo<C, 0>(v), TapOfTwo<C, 1>(v), TapOfTwo<C, 2>(v), TapOfTwo<C, 3>(v)};
}

// Coefficients of columns k and k + 1, each across its half.
[[gnu::target("avx2")]] inline __m256 PairOf(const float* c, ptrdiff_t k) {
  const __m128 two = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(c + k)));
  return _mm256_permutevar8x32_ps(_mm256_castps128_ps256(two), _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1));
}

// The vertical pass over four filtered rows with one row's coefficients.
struct Rows4 {
  const float *r0, *r1, *r2, *r3;
  __m256 c1, c2, c3;
  [[gnu::target("avx2")]] __m256 Value(ptrdiff_t e) const {
    const Taps t{_mm256_loadu_ps(r0 + e), _mm256_loadu_ps(r1 + e), _mm256_loadu_ps(r2 + e), _mm256_loadu_ps(r3 + e)};
    return Newton(t, c1, c2, c3);
  }
  // trunc(v + 0.5000001) clamped to [0, top], NaN to 0, as the plain pass
  // rounds.
  [[gnu::target("avx2")]] __m256i Rounded(ptrdiff_t e, float top) const {
    const __m256 r = _mm256_add_ps(Value(e), _mm256_set1_ps(0.5000001f));
    return _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(r, _mm256_setzero_ps()), _mm256_set1_ps(top)));
  }
};

}  // namespace

template <class T, int C>
[[gnu::target("avx2")]] ptrdiff_t CubicRowWide(const T* s, float* out, const ResizeKernelArgs& a,
                                               std::ptrdiff_t ahead) {
  const auto* c1 = static_cast<const float*>(a.colWeights);
  const float* c2 = c1 + a.width;
  const float* c3 = c2 + a.width;
  const std::ptrdiff_t* off = a.colOffset;
  ptrdiff_t k = 0;
  if constexpr (C == 1) {
    for (; k + 8 <= a.width; k += 8) {
      if (ahead) {
        __builtin_prefetch(s + off[k] + ahead);
        __builtin_prefetch(s + off[k + 7] + 2 + ahead);
      }
      const __m256 v = Newton(TapsC1(s, off + k), _mm256_loadu_ps(c1 + k), _mm256_loadu_ps(c2 + k),
                              _mm256_loadu_ps(c3 + k));
      _mm256_storeu_ps(out + k, v);
    }
  } else if constexpr (sizeof(T) == 1) {
    // Three channels read four bytes past a pixel's last tap: the pair
    // stops where that would leave the row.
    constexpr ptrdiff_t over = C == 3 ? 4 : 0;
    for (; k + 2 <= a.width && off[k + 1] + 3 * C + over <= a.rowElements; k += 2) {
      if (ahead) __builtin_prefetch(s + off[k + 1] + ahead);
      const Taps t = TapsTwoPixels<C>(s + off[k] - C, s + off[k + 1] - C);
      const __m256 v = Newton(t, PairOf(c1, k), PairOf(c2, k), PairOf(c3, k));
      if constexpr (C == 4) {
        _mm256_storeu_ps(out + 4 * k, v);
      } else {
        // Four values each; the first pixel's fourth is written over by the second's first.
        _mm_storeu_ps(out + 3 * k, _mm256_castps256_ps128(v));
        _mm_storeu_ps(out + 3 * k + 3, _mm256_extractf128_ps(v, 1));
      }
    }
  }
  return k;
}

template <class T>
[[gnu::target("avx2")]] ptrdiff_t CubicColumnWide(const float* r0, const float* r1, const float* r2, const float* r3,
                                                  T* d, ptrdiff_t n, const float* coefficients) {
  const Rows4 r{r0, r1, r2, r3, _mm256_set1_ps(coefficients[0]), _mm256_set1_ps(coefficients[1]),
                _mm256_set1_ps(coefficients[2])};
  ptrdiff_t e = 0;
  if constexpr (sizeof(T) == 4) {
    for (; e + 8 <= n; e += 8) _mm256_storeu_ps(reinterpret_cast<float*>(d + e), r.Value(e));
  } else {
    constexpr float top = sizeof(T) == 1 ? 255.0f : 65535.0f;
    for (; e + 16 <= n; e += 16) {
      // packus works within halves: the permute puts the halves in order.
      const __m256i words =
          _mm256_permute4x64_epi64(_mm256_packus_epi32(r.Rounded(e, top), r.Rounded(e + 8, top)), 0xD8);
      if constexpr (sizeof(T) == 2) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + e), words);
      } else {
        const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + e), bytes);
      }
    }
  }
  return e;
}

#define TAVREL_CUBIC_WIDE(T)                                                                          \
  template ptrdiff_t CubicRowWide<T, 1>(const T*, float*, const ResizeKernelArgs&, ptrdiff_t);       \
  template ptrdiff_t CubicRowWide<T, 3>(const T*, float*, const ResizeKernelArgs&, ptrdiff_t);       \
  template ptrdiff_t CubicRowWide<T, 4>(const T*, float*, const ResizeKernelArgs&, ptrdiff_t);       \
  template ptrdiff_t CubicColumnWide<T>(const float*, const float*, const float*, const float*, T*, \
                                        ptrdiff_t, const float*);
TAVREL_CUBIC_WIDE(Ipp8u)
TAVREL_CUBIC_WIDE(Ipp16u)
TAVREL_CUBIC_WIDE(Ipp32f)
#undef TAVREL_CUBIC_WIDE

}  // namespace tavrel
