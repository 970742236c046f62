// Real transforms: N reals run as N/2 complex points through the complex
// engine, then a split pass turns that half-length spectrum into the real
// spectrum (a merge pass goes back). Layout conversions and the bin-by-bin
// spectrum products live here too.
#include <immintrin.h>

#include <cstring>

#include "math/fft_engine.h"

namespace tavrel::kernels {
namespace {

enum class Layout { kPerm, kPack, kCCS };

IppStatus CheckReal(const void* src, const void* dst, const FFTSpec* spec) {
  if (spec == nullptr) return ippStsNullPtrErr;
  if (spec->tag != kFFTSpecRealTag) return ippStsContextMatchErr;
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  return ippStsNoErr;
}

// Perm spectrum in dst -> Pack (R(N/2) moves to the end) or CCS.
void PermTo(Layout layout, Ipp64f* dst, std::size_t N) {
  if (layout == Layout::kPack) {
    if (N <= 2) return;
    const double nyquist = dst[1];
    std::memmove(dst + 1, dst + 2, (N - 2) * sizeof(Ipp64f));
    dst[N - 1] = nyquist;
  } else if (layout == Layout::kCCS) {
    if (N == 1) {
      dst[1] = 0.0;
      return;
    }
    dst[N] = dst[1];
    dst[N + 1] = 0.0;
    dst[1] = 0.0;
  }
}

// One complex bin per SSE2 register (re low); x - y is formed as x + (-y).
inline __m128d FlipRe(__m128d v) { return _mm_xor_pd(v, _mm_set_pd(0.0, -0.0)); }
inline __m128d FlipIm(__m128d v) { return _mm_xor_pd(v, _mm_set_pd(-0.0, 0.0)); }
inline __m128d Swap(__m128d v) { return _mm_shuffle_pd(v, v, 1); }

// Bins 1 .. M/2-1 paired with M-k; the middle bin is conjugated. With
// (xj, yj) bin k, (xi, yi) bin M-k, (w0, w1) the table entry:
// D = xj - xi, S = yj + yi, g = w1 D + w0 S, f = w1 S - w0 D,
// bin k := (xi + g, f - yi), bin M-k := (xj - g, f - yj).
inline void SplitBin(Ipp64f* z, std::size_t M, const Ipp64fc* table, std::size_t k) {
  double* pj = z + 2 * k;
  double* pi = z + 2 * (M - k);
  const __m128d bj = _mm_loadu_pd(pj), bi = _mm_loadu_pd(pi), w = _mm_loadu_pd(&table[k].re);
  const __m128d ds = _mm_add_pd(bj, FlipRe(bi));  // (D, S)
  const __m128d gf = _mm_add_pd(_mm_mul_pd(_mm_unpackhi_pd(w, w), ds),
                                _mm_mul_pd(_mm_unpacklo_pd(w, w), FlipIm(Swap(ds))));  // (g, f)
  _mm_storeu_pd(pj, _mm_add_pd(gf, FlipIm(bi)));
  _mm_storeu_pd(pi, _mm_add_pd(FlipIm(bj), FlipRe(gf)));
}

// src holds bins 1 .. M-1 at positions 2k, 2k+1 (Perm or CCS); dst may be
// src. With P = xj + xi, D = xj - xi, S = yj + yi, Q = yj - yi,
// h = w1 D - w0 S, g = w0 D + w1 S: bin k := (P + h, Q + g),
// bin M-k := (P - h, g - Q).
inline void MergeBin(const Ipp64f* src, Ipp64f* dst, std::size_t M, const Ipp64fc* table, std::size_t k) {
  const __m128d bj = _mm_loadu_pd(src + 2 * k), bi = _mm_loadu_pd(src + 2 * (M - k));
  const __m128d w = _mm_loadu_pd(&table[k].re);
  const __m128d sum = _mm_add_pd(bj, bi), diff = _mm_sub_pd(bj, bi);  // (P, S), (D, Q)
  const __m128d ds = _mm_move_sd(sum, diff), pq = _mm_move_sd(diff, sum);
  const __m128d hg = _mm_add_pd(_mm_mul_pd(_mm_unpackhi_pd(w, w), ds),
                                _mm_mul_pd(_mm_unpacklo_pd(w, w), FlipRe(Swap(ds))));  // (h, g)
  _mm_storeu_pd(dst + 2 * k, _mm_add_pd(pq, hg));
  _mm_storeu_pd(dst + 2 * (M - k), _mm_add_pd(FlipIm(pq), FlipRe(hg)));
}

// The AVX passes take bins k, k+1 with M-k, M-k-1 and do the plain
// operations lane by lane, so they give the same bits.
#define TAVREL_AVX __attribute__((target("avx"), always_inline)) inline
TAVREL_AVX __m256d FlipRe2(__m256d v) { return _mm256_xor_pd(v, _mm256_set_pd(0.0, -0.0, 0.0, -0.0)); }
TAVREL_AVX __m256d FlipIm2(__m256d v) { return _mm256_xor_pd(v, _mm256_set_pd(-0.0, 0.0, -0.0, 0.0)); }
TAVREL_AVX __m256d Swap2(__m256d v) { return _mm256_permute_pd(v, 0x5); }
TAVREL_AVX __m256d Halves(__m256d v) { return _mm256_permute2f128_pd(v, v, 1); }
#undef TAVREL_AVX

__attribute__((target("avx"))) void RealSplitPassAVX(Ipp64f* z, std::size_t M, const Ipp64fc* table) {
  std::size_t k = 1;
  for (; k + 1 < M / 2; k += 2) {
    double* pj = z + 2 * k;
    double* pi = z + 2 * (M - k - 1);
    const __m256d bj = _mm256_loadu_pd(pj), bi = Halves(_mm256_loadu_pd(pi)), w = _mm256_loadu_pd(&table[k].re);
    const __m256d ds = _mm256_add_pd(bj, FlipRe2(bi));
    const __m256d gf = _mm256_add_pd(_mm256_mul_pd(_mm256_permute_pd(w, 0xF), ds),
                                     _mm256_mul_pd(_mm256_movedup_pd(w), FlipIm2(Swap2(ds))));
    _mm256_storeu_pd(pj, _mm256_add_pd(gf, FlipIm2(bi)));
    _mm256_storeu_pd(pi, Halves(_mm256_add_pd(FlipIm2(bj), FlipRe2(gf))));
  }
  for (; k < M / 2; ++k) SplitBin(z, M, table, k);
}

__attribute__((target("avx"))) void RealMergePassAVX(const Ipp64f* src, Ipp64f* dst, std::size_t M,
                                                     const Ipp64fc* table) {
  std::size_t k = 1;
  for (; k + 1 < M / 2; k += 2) {
    const __m256d bj = _mm256_loadu_pd(src + 2 * k), bi = Halves(_mm256_loadu_pd(src + 2 * (M - k - 1)));
    const __m256d w = _mm256_loadu_pd(&table[k].re);
    const __m256d sum = _mm256_add_pd(bj, bi), diff = _mm256_sub_pd(bj, bi);
    const __m256d ds = _mm256_blend_pd(sum, diff, 0x5), pq = _mm256_blend_pd(diff, sum, 0x5);
    const __m256d hg = _mm256_add_pd(_mm256_mul_pd(_mm256_permute_pd(w, 0xF), ds),
                                     _mm256_mul_pd(_mm256_movedup_pd(w), FlipRe2(Swap2(ds))));
    _mm256_storeu_pd(dst + 2 * k, _mm256_add_pd(pq, hg));
    _mm256_storeu_pd(dst + 2 * (M - k - 1), Halves(_mm256_add_pd(FlipIm2(pq), FlipRe2(hg))));
  }
  for (; k < M / 2; ++k) MergeBin(src, dst, M, table, k);
}

void RealSplitPass(Ipp64f* z, std::size_t M, const Ipp64fc* table) {
  RealSplitPassWith(FFTFastestKernelSet(), z, M, table);
}

void RealMergePass(const Ipp64f* src, Ipp64f* dst, std::size_t M, const Ipp64fc* table) {
  RealMergePassWith(FFTFastestKernelSet(), src, dst, M, table);
}

IppStatus Forward(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work, Layout layout) {
  if (const IppStatus status = CheckReal(src, dst, spec); status != ippStsNoErr) return status;
  const std::size_t N = std::size_t(1) << spec->order;
  if (spec->order <= 3) {
    kFixedRealKernels[FixedKernelIndex(spec->order, false, spec->forwardScale != 0)](src, dst, spec->scaleFactor);
    PermTo(layout, dst, N);
    return ippStsNoErr;
  }
  FFTWorkArea area(spec, work);
  if (area.failed()) return ippStsMemAllocErr;
  const int m = spec->order - 1;
  const std::size_t M = N / 2;
  ComplexTransformInto(spec, reinterpret_cast<const Ipp64fc*>(src), reinterpret_cast<Ipp64fc*>(dst), m,
                       area.get(), false);
  const double a = dst[0], b = dst[1];
  dst[0] = a + b;
  dst[1] = a - b;
  RealSplitPass(dst, M, spec->splitTwiddles);
  PermTo(layout, dst, N);
  return ippStsNoErr;
}

IppStatus Inverse(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work, Layout layout) {
  if (const IppStatus status = CheckReal(src, dst, spec); status != ippStsNoErr) return status;
  const std::size_t N = std::size_t(1) << spec->order;
  const bool scaled = spec->inverseScale != 0;
  if (spec->order <= 3) {
    const FixedRealKernel kernel = kFixedRealKernels[FixedKernelIndex(spec->order, true, scaled)];
    if (layout == Layout::kPerm) {
      kernel(src, dst, spec->scaleFactor);
      return ippStsNoErr;
    }
    // Rebuild Perm order in dst; read the moved values before overwriting.
    if (layout == Layout::kPack) {
      if (N > 2) {
        const double nyquist = src[N - 1];
        for (std::size_t p = N - 2; p >= 1; --p) dst[p + 1] = src[p];
        dst[1] = nyquist;
      } else if (N == 2) {
        dst[1] = src[1];
      }
    } else if (N > 1) {
      dst[1] = src[N];
      for (std::size_t p = 2; p < N; ++p) dst[p] = src[p];
    }
    dst[0] = src[0];
    kernel(dst, dst, spec->scaleFactor);
    return ippStsNoErr;
  }
  FFTWorkArea area(spec, work);
  if (area.failed()) return ippStsMemAllocErr;
  const std::size_t M = N / 2;
  const double* bins = src;
  double r0 = src[0], nyquist;
  if (layout == Layout::kPack) {
    nyquist = src[N - 1];
    for (std::size_t p = N - 2; p >= 1; --p) dst[p + 1] = src[p];
    bins = dst;
  } else if (layout == Layout::kCCS) {
    nyquist = src[N];
  } else {
    nyquist = src[1];
  }
  RealMergePass(bins, dst, M, spec->mergeTwiddles);
  dst[0] = r0 + nyquist;
  dst[1] = r0 - nyquist;
  auto* z = reinterpret_cast<Ipp64fc*>(dst);
  BitReverseInPlace(z, M, spec->bitReversal);
  ComplexTransformInPlace(spec, z, spec->order - 1, area.get(), true);
  return ippStsNoErr;
}

}  // namespace

void RealSplitPassWith(FFTKernelSet set, Ipp64f* z, std::size_t M, const Ipp64fc* table) {
  if (FFTUsableKernelSet(set) != FFTKernelSet::kPlain) {
    RealSplitPassAVX(z, M, table);
  } else {
    for (std::size_t k = 1; k < M / 2; ++k) SplitBin(z, M, table, k);
  }
  z[M + 1] = -z[M + 1];
}

void RealMergePassWith(FFTKernelSet set, const Ipp64f* src, Ipp64f* dst, std::size_t M, const Ipp64fc* table) {
  if (FFTUsableKernelSet(set) != FFTKernelSet::kPlain) {
    RealMergePassAVX(src, dst, M, table);
  } else {
    for (std::size_t k = 1; k < M / 2; ++k) MergeBin(src, dst, M, table, k);
  }
  dst[M] = 2.0 * src[M];
  dst[M + 1] = -2.0 * src[M + 1];
}

IppStatus RealFFTForwardPack(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work) {
  return Forward(src, dst, spec, work, Layout::kPack);
}
IppStatus RealFFTForwardPerm(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work) {
  return Forward(src, dst, spec, work, Layout::kPerm);
}
IppStatus ippsFFTFwd_RToCCS_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work) {
  return Forward(src, dst, spec, work, Layout::kCCS);
}
IppStatus RealFFTInversePack(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work) {
  return Inverse(src, dst, spec, work, Layout::kPack);
}
IppStatus RealFFTInversePerm(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work) {
  return Inverse(src, dst, spec, work, Layout::kPerm);
}
IppStatus ippsFFTInv_CCSToR_64f(const Ipp64f* src, Ipp64f* dst, const FFTSpec* spec, Ipp8u* work) {
  return Inverse(src, dst, spec, work, Layout::kCCS);
}

IppStatus MulPackConj(const Ipp64f* src, Ipp64f* srcDst, int len) {
  if (src == nullptr || srcDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  srcDst[0] *= src[0];
  if (len % 2 == 0) srcDst[len - 1] *= src[len - 1];
  for (int p = 1; p + 1 < len; p += 2) {
    const double a = src[p], b = src[p + 1], c = srcDst[p], d = srcDst[p + 1];
    srcDst[p] = a * c + b * d;
    srcDst[p + 1] = b * c - a * d;
  }
  return ippStsNoErr;
}

IppStatus MulPerm(const Ipp64f* src, Ipp64f* srcDst, int len) {
  if (src == nullptr || srcDst == nullptr) return ippStsNullPtrErr;
  if (len < 1) return ippStsSizeErr;
  srcDst[0] *= src[0];
  int first = 1;
  if (len % 2 == 0) {
    srcDst[1] *= src[1];
    first = 2;
  }
  for (int p = first; p + 1 < len; p += 2) {
    const double a = src[p], b = src[p + 1], c = srcDst[p], d = srcDst[p + 1];
    srcDst[p] = a * c - b * d;
    srcDst[p + 1] = a * d + b * c;
  }
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
