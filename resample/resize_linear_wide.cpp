// The wide build's passes of one-channel 16u linear: the plain passes'
// integer steps, eight or sixteen columns at a time.
//
// The 16-bit multiply-add is signed, so each step takes the values less
// 32768 and adds 32768 x 16384 back (the weights sum to 16384): the same
// sums, exactly.
#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "resample/resize_wide.h"

namespace tavrel {
namespace {

using std::ptrdiff_t;

[[gnu::target("avx2")]] inline __m256i Load32(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// (L w0 + R w1 + 8192) >> 14 per 32-bit lane holding the pair (L, R), w
// holding (w0, w1).
[[gnu::target("avx2")]] inline __m256i Blend(__m256i pairs, __m256i w) {
  const __m256i less = _mm256_xor_si256(pairs, _mm256_set1_epi16(-32768));
  return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(less, w), _mm256_set1_epi32((1 << 29) + 8192)), 14);
}

// The (L, R) pairs of the eight columns from k: with halving the row's
// 32-bit elements as they lie, else one load per column.
template <bool Halving>
[[gnu::target("avx2")]] inline __m256i Pairs(const Ipp16u* s, const std::ptrdiff_t* off, ptrdiff_t k) {
  if constexpr (Halving) {
    return Load32(s + 2 * k);
  } else {
    std::int32_t v[8];
    for (int m = 0; m < 8; ++m) std::memcpy(&v[m], s + off[k + m], sizeof v[m]);
    return _mm256_setr_epi32(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  }
}

// Sixteen 32-bit results as sixteen values in order.
[[gnu::target("avx2")]] inline void Store16(Ipp16u* d, __m256i first, __m256i second) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_permute4x64_epi64(_mm256_packus_epi32(first, second), 0xD8));
}

// Both rows of the eight columns from k filtered, then blended with wv
// holding the rows' weights (16384 - wr, wr).
template <bool Halving>
[[gnu::target("avx2")]] inline __m256i Fused(const Ipp16u* s, std::ptrdiff_t step, const ResizeKernelArgs& a,
                                             ptrdiff_t k, __m256i wv) {
  const __m256i w = Load32(static_cast<const Ipp16u*>(a.colWeights) + 2 * k);
  const __m256i u = Blend(Pairs<Halving>(s, a.colOffset, k), w);
  const __m256i dn = Blend(Pairs<Halving>(s + step, a.colOffset, k), w);
  return Blend(_mm256_or_si256(u, _mm256_slli_epi32(dn, 16)), wv);
}

}  // namespace

[[gnu::target("avx2")]] ptrdiff_t LinearRowU16Wide(const Ipp16u* s, Ipp16u* out, const ResizeKernelArgs& a) {
  const auto* wt = static_cast<const Ipp16u*>(a.colWeights);
  ptrdiff_t k = 0;
  for (; k + 16 <= a.width; k += 16)
    Store16(out + k, Blend(Pairs<false>(s, a.colOffset, k), Load32(wt + 2 * k)),
            Blend(Pairs<false>(s, a.colOffset, k + 8), Load32(wt + 2 * k + 16)));
  return k;
}

[[gnu::target("avx2")]] ptrdiff_t LinearColumnU16Wide(const Ipp16u* u, const Ipp16u* dn, Ipp16u* d, ptrdiff_t n,
                                                      std::uint32_t w) {
  const __m256i weights = _mm256_set1_epi32(static_cast<int>((16384 - w) | (w << 16)));
  ptrdiff_t e = 0;
  for (; e + 16 <= n; e += 16) {
    const __m256i U = Load32(u + e), D = Load32(dn + e);
    // Interleaved within halves and packed back within halves: in order.
    const __m256i lo = Blend(_mm256_unpacklo_epi16(U, D), weights);
    const __m256i hi = Blend(_mm256_unpackhi_epi16(U, D), weights);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + e), _mm256_packus_epi32(lo, hi));
  }
  return e;
}

[[gnu::target("avx2")]] ptrdiff_t LinearFusedU16Wide(const Ipp16u* s, std::ptrdiff_t step, Ipp16u* d,
                                                     const ResizeKernelArgs& a, std::uint32_t wr,
                                                     std::ptrdiff_t ahead, ptrdiff_t halving) {
  const __m256i wv = _mm256_set1_epi32(static_cast<int>((16384 - wr) | (wr << 16)));
  ptrdiff_t k = 0;
  // Elements up to 2k + 31 are read: the right tap of column k + 15.
  for (; k + 16 <= halving; k += 16) {
    if (ahead) {
      __builtin_prefetch(s + 2 * k + ahead);
      __builtin_prefetch(s + step + 2 * k + ahead);
    }
    Store16(d + k, Fused<true>(s, step, a, k, wv), Fused<true>(s, step, a, k + 8, wv));
  }
  for (; k + 16 <= a.width; k += 16) {
    if (ahead) {
      __builtin_prefetch(s + a.colOffset[k] + ahead);
      __builtin_prefetch(s + step + a.colOffset[k] + ahead);
    }
    Store16(d + k, Fused<false>(s, step, a, k, wv), Fused<false>(s, step, a, k + 8, wv));
  }
  return k;
}

}  // namespace tavrel
