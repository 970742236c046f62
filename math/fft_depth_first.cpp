// The depth-first radix-4 plan of the complex transforms of medium orders:
// each quarter is transformed completely before the pass that combines the
// four, so the work stays in the first- and second-level caches, and
// out-of-place transforms read their natural-order source at the leaves
// instead of permuting it first. Plain (SSE2), AVX and AVX-512 variants of
// the same kernels.
#include <emmintrin.h>
#include <immintrin.h>

#include <cstdint>

#include "math/fft_engine.h"

namespace tavrel::kernels {
namespace {

// From this order on a natural-order source is read a whole cache line at a
// time, the four quarters of the transform in step: lower with four lanes,
// whose leaves take the line in one load; with fewer, the leaves copy the
// lines out first, which pays only on large orders.
constexpr int QuartersInStepOrder(std::size_t lanes) { return lanes == 4 ? 9 : 12; }
// Below order 9 at most one double pass lies between the whole transform and
// its leaves, so every leaf reads its source at the top node's stride, 1:
// the four lanes of a leaf load then take one whole line.
static_assert(QuartersInStepOrder(4) <= 9);
// Up to this order a node may combine two levels in one pass. Beyond it the
// 16 points of one step lie a multiple of 4 KB apart, more lines than one
// cache set holds, and two plain passes (4 lines each) are faster.
constexpr int kDoublePassMaxOrder = 11;
// Up to this order a level keeps its twiddles expanded, each real and each
// imaginary part twice, as the kernels multiply with them: no shuffles to
// spread them over the lanes. Beyond it the compact form, half the bytes,
// keeps the table within the caches.
constexpr int kExpandedTwiddlesMaxOrder = 11;
constexpr bool ExpandedTwiddles(int l) { return l <= kExpandedTwiddlesMaxOrder; }
// Doubles per four indices j of a level (three twiddles each), and per level.
constexpr std::size_t LevelBlockDoubles(int l) { return ExpandedTwiddles(l) ? 48 : 24; }
constexpr std::size_t LevelDoubles(int l) { return LevelBlockDoubles(l) << (l - 4); }

namespace plain {
// One complex value per register (re in the low lane).
struct Ops {
  using V = __m128d;
  static constexpr std::size_t kLanes = 1;
  static V Load(const Ipp64fc* p) { return _mm_loadu_pd(&p->re); }
  static void Store(Ipp64fc* p, V v) { _mm_storeu_pd(&p->re, v); }
  static V LoadLanes(const Ipp64fc* p, std::size_t) { return Load(p); }
  static void Transpose(const V* in, V* out) { out[0] = in[0]; }
  static void LoadPoints(Ipp64fc* const* d, std::size_t k, V* a) { a[0] = Load(d[0] + k); }
  static void StorePoints(Ipp64fc* const* d, std::size_t k, const V* a) { Store(d[0] + k, a[0]); }
  static V LoadTw(const double* p) { return _mm_loadu_pd(p); }
  static V LoadLeafTw(const double* p) { return _mm_loadu_pd(p); }
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
  static V AddSub(V a, V b) { return _mm_add_pd(a, FlipIm(b)); }  // a.re + b.re, a.im - b.im
  // Whether SubAdd and AddSub cost no more than Add and Sub: the butterflies
  // then fold their quarter turn into them.
  static constexpr bool kCheapSubAdd = false;
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
  TAVREL_KERNEL static V LoadLanes(const Ipp64fc* p, std::size_t laneStep) {
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&p->re)), _mm_loadu_pd(&p[laneStep].re), 1);
  }
  // Points k, k+1 of two sequences as (d0[k], d1[k]) and (d0[k+1], d1[k+1]),
  // and back, with whole 256-bit loads and stores: the passes after the
  // leaves then load what one store wrote.
  TAVREL_KERNEL static void Transpose(const V* in, V* out) {
    out[0] = _mm256_permute2f128_pd(in[0], in[1], 0x20);
    out[1] = _mm256_permute2f128_pd(in[0], in[1], 0x31);
  }
  TAVREL_KERNEL static void LoadPoints(Ipp64fc* const* d, std::size_t k, V* a) {
    const V in[2] = {Load(d[0] + k), Load(d[1] + k)};
    Transpose(in, a);
  }
  TAVREL_KERNEL static void StorePoints(Ipp64fc* const* d, std::size_t k, const V* a) {
    V out[2];
    Transpose(a, out);
    Store(d[0] + k, out[0]);
    Store(d[1] + k, out[1]);
  }
  TAVREL_KERNEL static V LoadTw(const double* p) { return _mm256_loadu_pd(p); }
  TAVREL_KERNEL static V LoadLeafTw(const double* p) { return _mm256_loadu_pd(p); }
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
  TAVREL_KERNEL static V AddSub(V a, V b) { return _mm256_add_pd(a, FlipIm(b)); }
  static constexpr bool kCheapSubAdd = true;
};
#include "math/fft_depth_first_kernels.inc"
#undef TAVREL_KERNEL
}  // namespace avx

namespace avx512 {
#define TAVREL_KERNEL __attribute__((target("avx512f")))
// Four complex values per register, AVX-512F only. The zero-masking forms
// with every lane set stand for plain intrinsics that GCC 12 starts from an
// undefined register it then warns about.
constexpr __mmask8 kAll = 0xFF;
struct Ops {
  using V = __m512d;
  static constexpr std::size_t kLanes = 4;
  TAVREL_KERNEL static V Load(const Ipp64fc* p) { return _mm512_loadu_pd(&p->re); }
  TAVREL_KERNEL static void Store(Ipp64fc* p, V v) { _mm512_storeu_pd(&p->re, v); }
  // The four lanes of a leaf always read neighbouring source points: see
  // the order from which the quarters run in step.
  TAVREL_KERNEL static V LoadLanes(const Ipp64fc* p, std::size_t) { return Load(p); }
  // Four points of four sequences, transposed as 4 x 4 blocks of complex
  // values in two steps of 128-bit shuffles; the transpose is its own inverse.
  TAVREL_KERNEL static void Transpose(const V* in, V* out) {
    const V t0 = _mm512_maskz_shuffle_f64x2(kAll, in[0], in[1], 0x44);
    const V t1 = _mm512_maskz_shuffle_f64x2(kAll, in[0], in[1], 0xEE);
    const V t2 = _mm512_maskz_shuffle_f64x2(kAll, in[2], in[3], 0x44);
    const V t3 = _mm512_maskz_shuffle_f64x2(kAll, in[2], in[3], 0xEE);
    out[0] = _mm512_maskz_shuffle_f64x2(kAll, t0, t2, 0x88);
    out[1] = _mm512_maskz_shuffle_f64x2(kAll, t0, t2, 0xDD);
    out[2] = _mm512_maskz_shuffle_f64x2(kAll, t1, t3, 0x88);
    out[3] = _mm512_maskz_shuffle_f64x2(kAll, t1, t3, 0xDD);
  }
  TAVREL_KERNEL static void LoadPoints(Ipp64fc* const* d, std::size_t k, V* a) {
    const V in[4] = {Load(d[0] + k), Load(d[1] + k), Load(d[2] + k), Load(d[3] + k)};
    Transpose(in, a);
  }
  TAVREL_KERNEL static void StorePoints(Ipp64fc* const* d, std::size_t k, const V* a) {
    V out[4];
    Transpose(a, out);
    for (std::size_t i = 0; i < 4; ++i) Store(d[i] + k, out[i]);
  }
  TAVREL_KERNEL static V LoadTw(const double* p) { return _mm512_loadu_pd(p); }
  TAVREL_KERNEL static V LoadLeafTw(const double* p) { return _mm512_maskz_broadcast_f64x4(kAll, _mm256_loadu_pd(p)); }
  TAVREL_KERNEL static V Add(V a, V b) { return _mm512_add_pd(a, b); }
  TAVREL_KERNEL static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
  TAVREL_KERNEL static V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
  TAVREL_KERNEL static V Swap(V v) { return _mm512_maskz_permute_pd(kAll, v, 0x55); }
  TAVREL_KERNEL static V DupRe(V v) { return _mm512_maskz_movedup_pd(kAll, v); }
  TAVREL_KERNEL static V DupIm(V v) { return _mm512_maskz_permute_pd(kAll, v, 0xFF); }
  TAVREL_KERNEL static V Xor(V v, std::int64_t re, std::int64_t im) {
    return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(v), _mm512_set_epi64(im, re, im, re, im, re, im, re)));
  }
  static constexpr std::int64_t kSign = std::int64_t(1) << 63;
  TAVREL_KERNEL static V FlipRe(V v) { return Xor(v, kSign, 0); }
  TAVREL_KERNEL static V FlipIm(V v) { return Xor(v, 0, kSign); }
  TAVREL_KERNEL static V Neg(V v) { return Xor(v, kSign, kSign); }
  // a.re - b.re, a.im + b.im and a.re + b.re, a.im - b.im in one operation
  // each: a*1 is exact, so the fused forms round the sum or difference once,
  // as an addition does.
  TAVREL_KERNEL static V SubAdd(V a, V b) { return _mm512_fmaddsub_pd(a, _mm512_set1_pd(1.0), b); }
  TAVREL_KERNEL static V AddSub(V a, V b) { return _mm512_fmsubadd_pd(a, _mm512_set1_pd(1.0), b); }
  static constexpr bool kCheapSubAdd = true;
};
#include "math/fft_depth_first_kernels.inc"
#undef TAVREL_KERNEL
}  // namespace avx512

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
  for (int l = ((m & 1) ? 3 : 4) + 2; l <= m; l += 2) total += LevelDoubles(l);
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
        double* e = level + (j / 4) * LevelBlockDoubles(l) + t * LevelBlockDoubles(l) / 3 + (j & 3) * 2;
        if (ExpandedTwiddles(l)) {
          e[0] = e[1] = w.re;
          e[8] = e[9] = w.im;
        } else {
          e[0] = w.re;
          e[1] = w.im;
        }
      }
    }
    level += LevelDoubles(l);
  }
}

namespace {

using RunKernels = void (*)(bool inverse, const Ipp64fc* src, Ipp64fc* dst, int m, const double* table);

RunKernels KernelsOf(FFTKernelSet set) {
  switch (FFTUsableKernelSet(set)) {
    case FFTKernelSet::kAVX512: return avx512::Run;
    case FFTKernelSet::kAVX: return avx::Run;
    default: return plain::Run;
  }
}

}  // namespace

void FFTDepthFirstWith(FFTKernelSet set, bool inverse, const Ipp64fc* src, Ipp64fc* dst, int m,
                       const Ipp64f* table) {
  KernelsOf(set)(inverse, src, dst, m, table);
}

void FFTDepthFirst(bool inverse, const Ipp64fc* src, Ipp64fc* dst, int m, const Ipp64f* table) {
  static const RunKernels fastest = KernelsOf(FFTFastestKernelSet());
  fastest(inverse, src, dst, m, table);
}

}  // namespace tavrel::kernels
