// The depth-first radix-4 plan of the complex transforms of medium orders:
// each quarter is transformed completely before the pass that combines the
// four, so the work stays in the first- and second-level caches, and
// out-of-place transforms read their natural-order source at the leaves
// instead of permuting it first. One plain (SSE2) and one AVX variant of the
// same kernels.
#include <emmintrin.h>
#include <immintrin.h>

#include <cstdint>

#include "math/fft_engine.h"

namespace tavrel::kernels {
namespace {

// From this order on a natural-order source is read a whole cache line at a
// time, the four quarters of the transform in step.
constexpr int kQuartersInStepOrder = 12;
// Up to this order a node may combine two levels in one pass. Beyond it the
// 16 points of one step lie a multiple of 4 KB apart, more lines than one
// cache set holds, and two plain passes (4 lines each) are faster.
constexpr int kDoublePassMaxOrder = 11;

namespace plain {
// One complex value per register (re in the low lane).
struct Ops {
  using V = __m128d;
  static constexpr std::size_t kLanes = 1;
  static V Load(const Ipp64fc* p) { return _mm_loadu_pd(&p->re); }
  static void Store(Ipp64fc* p, V v) { _mm_storeu_pd(&p->re, v); }
  static V LoadPair(const Ipp64fc* lo, const Ipp64fc*) { return Load(lo); }
  static void StorePair(Ipp64fc* lo, Ipp64fc*, V v) { Store(lo, v); }
  static void LoadTwoPairs(const Ipp64fc* lo, const Ipp64fc*, V& a, V& b) {
    a = Load(lo);
    b = Load(lo + 1);
  }
  static void StoreTwoPairs(Ipp64fc* lo, Ipp64fc*, V a, V b) {
    Store(lo, a);
    Store(lo + 1, b);
  }
  static V LoadTw(const double* p) { return _mm_loadu_pd(p); }
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
  static V Swap(V v) { return _mm_shuffle_pd(v, v, 1); }
  static V DupRe(V v) { return _mm_unpacklo_pd(v, v); }
  static V DupIm(V v) { return _mm_unpackhi_pd(v, v); }
  static V FlipRe(V v) { return _mm_xor_pd(v, _mm_set_pd(0.0, -0.0)); }
  static V FlipIm(V v) { return _mm_xor_pd(v, _mm_set_pd(-0.0, 0.0)); }
  static V Neg(V v) { return _mm_xor_pd(v, _mm_set1_pd(-0.0)); }
  static V SubAdd(V a, V b) { return _mm_add_pd(a, FlipRe(b)); }  // a.re - b.re, a.im + b.im
};
#define TAVREL_KERNEL
#include "math/fft_depth_first_kernels.inc"
#undef TAVREL_KERNEL
}  // namespace plain

namespace avx {
#define TAVREL_KERNEL __attribute__((target("avx")))
// Two complex values per register: the plain operations lane by lane.
struct Ops {
  using V = __m256d;
  static constexpr std::size_t kLanes = 2;
  TAVREL_KERNEL static V Load(const Ipp64fc* p) { return _mm256_loadu_pd(&p->re); }
  TAVREL_KERNEL static void Store(Ipp64fc* p, V v) { _mm256_storeu_pd(&p->re, v); }
  TAVREL_KERNEL static V LoadPair(const Ipp64fc* lo, const Ipp64fc* hi) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&lo->re)), _mm_loadu_pd(&hi->re), 1);
  }
  TAVREL_KERNEL static void StorePair(Ipp64fc* lo, Ipp64fc* hi, V v) {
    _mm_storeu_pd(&lo->re, _mm256_castpd256_pd128(v));
    _mm_storeu_pd(&hi->re, _mm256_extractf128_pd(v, 1));
  }
  // Points k, k+1 of two sequences as (lo[k], hi[k]) and (lo[k+1], hi[k+1]),
  // and back, with whole 256-bit loads and stores: the passes after the
  // leaves then load what one store wrote.
  TAVREL_KERNEL static void LoadTwoPairs(const Ipp64fc* lo, const Ipp64fc* hi, V& a, V& b) {
    const V l = Load(lo), h = Load(hi);
    a = _mm256_permute2f128_pd(l, h, 0x20);
    b = _mm256_permute2f128_pd(l, h, 0x31);
  }
  TAVREL_KERNEL static void StoreTwoPairs(Ipp64fc* lo, Ipp64fc* hi, V a, V b) {
    Store(lo, _mm256_permute2f128_pd(a, b, 0x20));
    Store(hi, _mm256_permute2f128_pd(a, b, 0x31));
  }
  TAVREL_KERNEL static V LoadTw(const double* p) { return _mm256_loadu_pd(p); }
  TAVREL_KERNEL static V Add(V a, V b) { return _mm256_add_pd(a, b); }
  TAVREL_KERNEL static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
  TAVREL_KERNEL static V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
  TAVREL_KERNEL static V Swap(V v) { return _mm256_permute_pd(v, 0x5); }
  TAVREL_KERNEL static V DupRe(V v) { return _mm256_movedup_pd(v); }
  TAVREL_KERNEL static V DupIm(V v) { return _mm256_permute_pd(v, 0xF); }
  TAVREL_KERNEL static V FlipRe(V v) { return _mm256_xor_pd(v, _mm256_set_pd(0.0, -0.0, 0.0, -0.0)); }
  TAVREL_KERNEL static V FlipIm(V v) { return _mm256_xor_pd(v, _mm256_set_pd(-0.0, 0.0, -0.0, 0.0)); }
  TAVREL_KERNEL static V Neg(V v) { return _mm256_xor_pd(v, _mm256_set1_pd(-0.0)); }
  TAVREL_KERNEL static V SubAdd(V a, V b) { return _mm256_addsub_pd(a, b); }  // x - y is x + (-y): same bits
};
#include "math/fft_depth_first_kernels.inc"
#undef TAVREL_KERNEL
}  // namespace avx

constexpr std::size_t kLeafDoubles = 72;

// Twiddle w in the kernels' layout at e, in one lane pair (half 0 or 1).
void PutTwiddle(double* e, std::size_t half, Ipp64fc w) {
  e[2 * half] = e[2 * half + 1] = w.re;
  e[4 + 2 * half] = -w.im;
  e[5 + 2 * half] = w.im;
}

}  // namespace

bool FFTHasDepthFirstPlan(int m) { return m >= kFFTDepthFirstMinOrder && m <= kFFTDepthFirstMaxOrder; }

std::size_t FFTDepthFirstTableDoubles(int m) {
  if (!FFTHasDepthFirstPlan(m)) return 0;
  std::size_t total = kLeafDoubles;
  for (int l = ((m & 1) ? 3 : 4) + 2; l <= m; l += 2) total += std::size_t(3) << (l - 1);
  return total;
}

void BuildDepthFirstTable(const Ipp64f* s, int n, int m, Ipp64f* table) {
  for (std::size_t i = 0; i < kLeafDoubles; ++i) table[i] = 0.0;
  const int leaf = (m & 1) ? 3 : 4;
  if (leaf == 4) {
    for (std::size_t j = 1; j < 4; ++j)
      for (std::size_t t = 0; t < 3; ++t)
        for (std::size_t half = 0; half < 2; ++half)  // the same twiddle for both leaves
          PutTwiddle(table + 24 * (j - 1) + 8 * t, half, SineTableTwiddle(s, n, 4, (t + 1) * j));
  } else {
    const double c = SineTableTwiddle(s, n, 3, 1).re;  // cos(pi/4)
    for (int i = 0; i < 4; ++i) table[i] = c;
  }
  Ipp64f* level = table + kLeafDoubles;
  for (int l = leaf + 2; l <= m; l += 2) {
    const std::size_t S = std::size_t(1) << (l - 2);
    for (std::size_t j = 0; j < S; ++j) {
      for (std::size_t t = 0; t < 3; ++t) {
        const Ipp64fc w = SineTableTwiddle(s, n, l, (t + 1) * j);
        double* e = level + (j / 2) * 12 + 4 * t + (j & 1) * 2;
        e[0] = w.re;
        e[1] = w.im;
      }
    }
    level += std::size_t(3) << (l - 1);
  }
}

void FFTDepthFirstWith(FFTKernelSet set, bool inverse, const Ipp64fc* src, Ipp64fc* dst, int m,
                       const Ipp64f* table) {
  if (set == FFTKernelSet::kAVX && FFTFastestKernelSet() == FFTKernelSet::kAVX) {
    avx::Run(inverse, src, dst, m, table);
  } else {
    plain::Run(inverse, src, dst, m, table);
  }
}

void FFTDepthFirst(bool inverse, const Ipp64fc* src, Ipp64fc* dst, int m, const Ipp64f* table) {
  FFTDepthFirstWith(FFTFastestKernelSet(), inverse, src, dst, m, table);
}

}  // namespace tavrel::kernels
