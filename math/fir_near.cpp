// The fast, bounded window sums of the FIR block path: the single step's
// sums in double arithmetic, several outputs per pass over the taps, in
// vector registers. Every output is still summed in index order, one
// rounding per product and per addition (or one per fused multiply-add), so
// each stays within the usual bound of a recursive sum of tapsLen terms.
#include <immintrin.h>

#include <cmath>
#include <cstddef>

#include "math/fir.h"

namespace tavrel::kernels {
namespace {

void SumsPlain(const Ipp64f* rev, int L, const Ipp64f* w, Ipp64f* dst, std::size_t count) {
  std::size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    __m128d a0 = _mm_setzero_pd(), a1 = a0, a2 = a0, a3 = a0;
    const Ipp64f* x = w + k;
    for (int j = 0; j < L; ++j) {
      const __m128d h = _mm_set1_pd(rev[j]);
      a0 = _mm_add_pd(a0, _mm_mul_pd(h, _mm_loadu_pd(x + j)));
      a1 = _mm_add_pd(a1, _mm_mul_pd(h, _mm_loadu_pd(x + j + 2)));
      a2 = _mm_add_pd(a2, _mm_mul_pd(h, _mm_loadu_pd(x + j + 4)));
      a3 = _mm_add_pd(a3, _mm_mul_pd(h, _mm_loadu_pd(x + j + 6)));
    }
    _mm_storeu_pd(dst + k, a0);
    _mm_storeu_pd(dst + k + 2, a1);
    _mm_storeu_pd(dst + k + 4, a2);
    _mm_storeu_pd(dst + k + 6, a3);
  }
  for (; k < count; ++k) {
    double s = 0.0;
    for (int j = 0; j < L; ++j) s += rev[j] * w[k + j];
    dst[k] = s;
  }
}

__attribute__((target("avx2,fma"))) void SumsAvx2(const Ipp64f* rev, int L, const Ipp64f* w, Ipp64f* dst,
                                                  std::size_t count) {
  std::size_t k = 0;
  for (; k + 16 <= count; k += 16) {
    __m256d a0 = _mm256_setzero_pd(), a1 = a0, a2 = a0, a3 = a0;
    const Ipp64f* x = w + k;
    for (int j = 0; j < L; ++j) {
      const __m256d h = _mm256_broadcast_sd(rev + j);
      a0 = _mm256_fmadd_pd(h, _mm256_loadu_pd(x + j), a0);
      a1 = _mm256_fmadd_pd(h, _mm256_loadu_pd(x + j + 4), a1);
      a2 = _mm256_fmadd_pd(h, _mm256_loadu_pd(x + j + 8), a2);
      a3 = _mm256_fmadd_pd(h, _mm256_loadu_pd(x + j + 12), a3);
    }
    _mm256_storeu_pd(dst + k, a0);
    _mm256_storeu_pd(dst + k + 4, a1);
    _mm256_storeu_pd(dst + k + 8, a2);
    _mm256_storeu_pd(dst + k + 12, a3);
  }
  for (; k + 4 <= count; k += 4) {
    __m256d a = _mm256_setzero_pd();
    for (int j = 0; j < L; ++j) a = _mm256_fmadd_pd(_mm256_broadcast_sd(rev + j), _mm256_loadu_pd(w + k + j), a);
    _mm256_storeu_pd(dst + k, a);
  }
  if (k < count) SumsPlain(rev, L, w + k, dst + k, count - k);
}

__attribute__((target("avx512f"))) void SumsAvx512(const Ipp64f* rev, int L, const Ipp64f* w, Ipp64f* dst,
                                                   std::size_t count) {
  std::size_t k = 0;
  for (; k + 32 <= count; k += 32) {
    __m512d a0 = _mm512_setzero_pd(), a1 = a0, a2 = a0, a3 = a0;
    const Ipp64f* x = w + k;
    for (int j = 0; j < L; ++j) {
      const __m512d h = _mm512_set1_pd(rev[j]);
      a0 = _mm512_fmadd_pd(h, _mm512_loadu_pd(x + j), a0);
      a1 = _mm512_fmadd_pd(h, _mm512_loadu_pd(x + j + 8), a1);
      a2 = _mm512_fmadd_pd(h, _mm512_loadu_pd(x + j + 16), a2);
      a3 = _mm512_fmadd_pd(h, _mm512_loadu_pd(x + j + 24), a3);
    }
    _mm512_storeu_pd(dst + k, a0);
    _mm512_storeu_pd(dst + k + 8, a1);
    _mm512_storeu_pd(dst + k + 16, a2);
    _mm512_storeu_pd(dst + k + 24, a3);
  }
  for (; k + 8 <= count; k += 8) {
    __m512d a = _mm512_setzero_pd();
    for (int j = 0; j < L; ++j) a = _mm512_fmadd_pd(_mm512_set1_pd(rev[j]), _mm512_loadu_pd(w + k + j), a);
    _mm512_storeu_pd(dst + k, a);
  }
  if (k < count) SumsPlain(rev, L, w + k, dst + k, count - k);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return has;
}
bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f");
  return has;
}

}  // namespace

bool FIRNearVariantAvailable(FIRNearVariant variant) {
  switch (variant) {
    case FIRNearVariant::Avx2: return HasAvx2();
    case FIRNearVariant::Avx512: return HasAvx512();
    default: return true;
  }
}

void FIRWindowSumsNear(const FIRState* state, const Ipp64f* window, Ipp64f* dst, std::size_t count,
                       FIRNearVariant variant) {
  if (variant == FIRNearVariant::Dispatched)
    variant = HasAvx512() ? FIRNearVariant::Avx512 : HasAvx2() ? FIRNearVariant::Avx2 : FIRNearVariant::Plain;
  const Ipp64f* rev = state->reversedTaps;
  const int L = state->tapsLen;
  switch (variant) {
    case FIRNearVariant::Avx512: SumsAvx512(rev, L, window, dst, count); break;
    case FIRNearVariant::Avx2: SumsAvx2(rev, L, window, dst, count); break;
    default: SumsPlain(rev, L, window, dst, count); break;
  }
}

void FIRWindowSumsNear(const FIRState* state, const Ipp64f* window, Ipp64f* dst, std::size_t count) {
  FIRWindowSumsNear(state, window, dst, count, FIRNearVariant::Dispatched);
}

// With u = 2^-53 and T the exact sum, A = sum of |tap * input| <= S * m:
// |near - T| <= gamma(L) A (double, L roundings on any term), the long
// double sum is within gamma'(L) A of T with u' = 2^-64, and rounding it to
// double adds u (A + gamma'(L) A). Together less than (L + 2) u A for any
// L this kernel can hold; the factor 2 and the + 5 cover the rounding of
// this bound and of near +- bound, the last term products that underflow.
Ipp64f FIRNearBound(const FIRState* state, Ipp64f maxAbsInput) {
  const int L = state->tapsLen;
  double s = 0.0;
  for (int j = 0; j < L; ++j) s += std::fabs(state->reversedTaps[j]);
  return 2.0 * (L + 5) * 0x1p-53 * s * maxAbsInput + L * 0x1p-1070;
}

}  // namespace tavrel::kernels
