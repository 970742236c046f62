// The fast, bounded window sums of the FIR block path: the single step's
// sums in double arithmetic, several outputs per pass over the taps, in
// vector registers. Every output is still summed in index order, one
// rounding per product and per addition (or one per fused multiply-add), so
// each stays within the usual bound of a recursive sum of tapsLen terms.
// Then the integer levels those sums decide, given their bound.
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

// Before the plain code takes over the rest. GCC leaves vzeroupper out
// before a tail call, and plain SSE code after wide registers were written
// waits on their upper halves: a read loop of the caller ran seven times
// slower.
__attribute__((target("avx"), always_inline)) inline void LeaveVectorState() { _mm256_zeroupper(); }

// Taps s, s-1, s-2, s-3 (zero where there is none): lane i of an output
// vector takes tap s - i against input s of the block.
__attribute__((target("avx2,fma"), always_inline)) inline __m256d ShiftedTaps(const Ipp64f* rev, int L, int s) {
  if (s >= 3 && s < L) return _mm256_permute4x64_pd(_mm256_loadu_pd(rev + s - 3), 0x1B);
  auto tap = [&](int j) { return j >= 0 && j < L ? rev[j] : 0.0; };
  return _mm256_setr_pd(tap(s), tap(s - 1), tap(s - 2), tap(s - 3));
}

// The sums past the last whole block of the fused variants, as they would sum them:
// four at a time, then the rest in one vector whose unused lanes stop at
// the window's end.
__attribute__((target("avx2,fma"))) void FusedTail(const Ipp64f* rev, int L, const Ipp64f* w, Ipp64f* dst,
                                                   std::size_t count) {
  std::size_t k = 0;
  for (; k < count; k += 4) {
    const std::size_t n = count - k < 4 ? count - k : 4;
    __m256d a = _mm256_setzero_pd();
    const int last = L + int(n) - 1;
    for (int s = 0; s < last; ++s) a = _mm256_fmadd_pd(_mm256_broadcast_sd(w + k + s), ShiftedTaps(rev, L, s), a);
    alignas(32) Ipp64f out[4];
    _mm256_store_pd(out, a);
    for (std::size_t i = 0; i < n; ++i) dst[k + i] = out[i];
  }
  LeaveVectorState();
}

// Eight running sums per pass: a fused multiply-add takes four cycles and
// two can start each cycle, so fewer sums leave the units waiting.
__attribute__((target("avx2,fma"))) void SumsAvx2(const Ipp64f* rev, int L, const Ipp64f* w, Ipp64f* dst,
                                                  std::size_t count) {
  std::size_t k = 0;
  for (; k + 32 <= count; k += 32) {
    __m256d a[8];
    for (__m256d& v : a) v = _mm256_setzero_pd();
    const Ipp64f* x = w + k;
    for (int j = 0; j < L; ++j) {
      const __m256d h = _mm256_broadcast_sd(rev + j);
      for (int r = 0; r < 8; ++r) a[r] = _mm256_fmadd_pd(h, _mm256_loadu_pd(x + j + 4 * r), a[r]);
    }
    for (int r = 0; r < 8; ++r) _mm256_storeu_pd(dst + k + 4 * r, a[r]);
  }
  FusedTail(rev, L, w + k, dst + k, count - k);
}

// The zero-masking forms with every lane set stand for the plain AVX-512
// intrinsics, which in GCC 12 start from an undefined register that it then
// warns about.
constexpr __mmask8 kAllLanes = 0xFF;

// Output block k .. k+63 and taps j .. j+7: each input vector the taps need
// is one of nine loads (from x) shifted by 0 to 7 values, mostly put
// together in registers (valignq) rather than loaded again across cache
// lines. Shifts 2 and 6 are loaded again from p all the same: the shuffles
// share units with the multiply-adds (on some processors a 512-bit shuffle
// takes two turns), while the loads have turns to spare.
template <int Shift>
__attribute__((target("avx512f"), always_inline)) inline void TapOfEight(const __m512d* x, const Ipp64f* p,
                                                                         Ipp64f tap, __m512d* a) {
  const __m512d h = _mm512_set1_pd(tap);
  for (int r = 0; r < 8; ++r) {
    __m512d v;
    if constexpr (Shift == 0)
      v = x[r];
    else if constexpr (Shift == 2 || Shift == 6)
      v = _mm512_loadu_pd(p + Shift + 8 * r);
    else
      v = _mm512_castsi512_pd(
          _mm512_maskz_alignr_epi64(kAllLanes, _mm512_castpd_si512(x[r + 1]), _mm512_castpd_si512(x[r]), Shift));
    a[r] = _mm512_fmadd_pd(h, v, a[r]);
  }
}

__attribute__((target("avx512f"))) void SumsAvx512(const Ipp64f* rev, int L, const Ipp64f* w, Ipp64f* dst,
                                                   std::size_t count) {
  std::size_t k = 0;
  for (; k + 64 <= count; k += 64) {
    __m512d a[8];
    for (__m512d& v : a) v = _mm512_setzero_pd();
    const Ipp64f* x = w + k;
    int j = 0;
    for (; j + 8 <= L; j += 8) {
      // The shifts use seven values of the ninth load; its last one may lie
      // past the window (taps a multiple of eight, the last block).
      __m512d v[9];
      for (int r = 0; r < 8; ++r) v[r] = _mm512_loadu_pd(x + j + 8 * r);
      v[8] = _mm512_maskz_loadu_pd(0x7F, x + j + 64);
      const Ipp64f* p = x + j;
      TapOfEight<0>(v, p, rev[j], a);
      TapOfEight<1>(v, p, rev[j + 1], a);
      TapOfEight<2>(v, p, rev[j + 2], a);
      TapOfEight<3>(v, p, rev[j + 3], a);
      TapOfEight<4>(v, p, rev[j + 4], a);
      TapOfEight<5>(v, p, rev[j + 5], a);
      TapOfEight<6>(v, p, rev[j + 6], a);
      TapOfEight<7>(v, p, rev[j + 7], a);
    }
    for (; j < L; ++j) {
      const __m512d h = _mm512_set1_pd(rev[j]);
      for (int r = 0; r < 8; ++r) a[r] = _mm512_fmadd_pd(h, _mm512_loadu_pd(x + j + 8 * r), a[r]);
    }
    for (int r = 0; r < 8; ++r) _mm512_storeu_pd(dst + k + 8 * r, a[r]);
  }
  for (; k + 8 <= count; k += 8) {
    __m512d a = _mm512_setzero_pd();
    for (int j = 0; j < L; ++j) a = _mm512_fmadd_pd(_mm512_set1_pd(rev[j]), _mm512_loadu_pd(w + k + j), a);
    _mm512_storeu_pd(dst + k, a);
  }
  LeaveVectorState();
  FusedTail(rev, L, w + k, dst + k, count - k);
}

// The level of one offset value, or false for not a number. Truncation by
// conversion and one step by the exact remainder keep the rounding mode out
// of it.
bool LevelOfValue(double v, const FIRLevelRange& range, double& level) {
  if (std::isnan(v)) return false;
  v = v < range.low ? range.low : (v > range.high ? range.high : v);
  const Ipp64s n = static_cast<Ipp64s>(v);
  const double t = static_cast<double>(n), d = v - t;
  const bool odd = (n & 1) != 0;
  level = t + double(d > 0.5 || (d == 0.5 && odd)) - double(d < -0.5 || (d == -0.5 && odd));
  return true;
}

void LevelsPlain(const Ipp64f* near, std::size_t count, Ipp64f e, const FIRLevelRange& range, Ipp32s* level) {
  for (std::size_t k = 0; k < count; ++k) {
    double a, b;
    const bool decided = LevelOfValue((near[k] - e) + range.offset, range, a) &&
                         LevelOfValue((near[k] + e) + range.offset, range, b) && a == b;
    level[k] = decided ? static_cast<Ipp32s>(a) : kFIRLevelUndecided;
  }
}

// The same lane by lane: rounded first and clamped after, which for whole
// bounds gives the same level and keeps the conversion in range; max and min
// return their second operand when one is not a number, so such a lane
// stays one and decides nothing.
__attribute__((target("avx2"), always_inline)) inline __m256d LevelOf4(__m256d v, __m256d low, __m256d high) {
  return _mm256_min_pd(high, _mm256_max_pd(low, _mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC)));
}

__attribute__((target("avx2"))) void LevelsAvx2(const Ipp64f* near, std::size_t count, Ipp64f e,
                                                const FIRLevelRange& range, Ipp32s* level) {
  const __m256d E = _mm256_set1_pd(e), offset = _mm256_set1_pd(range.offset), low = _mm256_set1_pd(range.low),
                high = _mm256_set1_pd(range.high), undecided = _mm256_set1_pd(double(kFIRLevelUndecided));
  std::size_t k = 0;
  for (; k + 4 <= count; k += 4) {
    const __m256d y = _mm256_loadu_pd(near + k);
    const __m256d a = LevelOf4(_mm256_add_pd(_mm256_sub_pd(y, E), offset), low, high);
    const __m256d b = LevelOf4(_mm256_add_pd(_mm256_add_pd(y, E), offset), low, high);
    const __m256d v = _mm256_blendv_pd(undecided, a, _mm256_cmp_pd(a, b, _CMP_EQ_OQ));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(level + k), _mm256_cvtpd_epi32(v));  // whole numbers: exact
  }
  LeaveVectorState();
  LevelsPlain(near + k, count - k, e, range, level + k);
}

__attribute__((target("avx512f"), always_inline)) inline __m512d LevelOf8(__m512d v, __m512d low, __m512d high) {
  const __m512d r = _mm512_maskz_roundscale_pd(kAllLanes, v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  return _mm512_maskz_min_pd(kAllLanes, high, _mm512_maskz_max_pd(kAllLanes, low, r));
}

// Without an offset its additions are left out: adding zero changes at
// most the sign of a zero, which rounds and compares as any zero.
template <bool Offset>
__attribute__((target("avx512f"), always_inline)) inline void LevelsOf8(const Ipp64f* near, std::size_t count,
                                                                        Ipp64f e, const FIRLevelRange& range,
                                                                        Ipp32s* level) {
  const __m512d E = _mm512_set1_pd(e), offset = _mm512_set1_pd(range.offset), low = _mm512_set1_pd(range.low),
                high = _mm512_set1_pd(range.high);
  const __m256i undecided = _mm256_set1_epi32(kFIRLevelUndecided);
  for (std::size_t k = 0; k + 8 <= count; k += 8) {
    const __m512d y = _mm512_loadu_pd(near + k);
    __m512d lo = _mm512_sub_pd(y, E), hi = _mm512_add_pd(y, E);
    if constexpr (Offset) {
      lo = _mm512_add_pd(lo, offset);
      hi = _mm512_add_pd(hi, offset);
    }
    const __m512d a = LevelOf8(lo, low, high), b = LevelOf8(hi, low, high);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(level + k),
                        _mm512_mask_cvtpd_epi32(undecided, _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ), a));
  }
}

__attribute__((target("avx512f"))) void LevelsAvx512(const Ipp64f* near, std::size_t count, Ipp64f e,
                                                     const FIRLevelRange& range, Ipp32s* level) {
  if (range.offset == 0.0)
    LevelsOf8<false>(near, count, e, range, level);
  else
    LevelsOf8<true>(near, count, e, range, level);
  LeaveVectorState();
  const std::size_t k = count / 8 * 8;
  LevelsPlain(near + k, count - k, e, range, level + k);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return has;
}
bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f");
  return has;
}

FIRNearVariant Fastest() {
  return HasAvx512() ? FIRNearVariant::Avx512 : HasAvx2() ? FIRNearVariant::Avx2 : FIRNearVariant::Plain;
}

void Sums(FIRNearVariant variant, const Ipp64f* rev, int L, const Ipp64f* w, Ipp64f* dst, std::size_t count) {
  switch (variant) {
    case FIRNearVariant::Avx512: SumsAvx512(rev, L, w, dst, count); break;
    case FIRNearVariant::Avx2: SumsAvx2(rev, L, w, dst, count); break;
    default: SumsPlain(rev, L, w, dst, count); break;
  }
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
  if (variant == FIRNearVariant::Dispatched) variant = Fastest();
  Sums(variant, state->reversedTaps, state->tapsLen, window, dst, count);
}

void FIRWindowSumsNear(const FIRState* state, const Ipp64f* window, Ipp64f* dst, std::size_t count) {
  FIRWindowSumsNear(state, window, dst, count, FIRNearVariant::Dispatched);
}

void FIRNearLevels(const Ipp64f* near, std::size_t count, Ipp64f bound, const FIRLevelRange& range, Ipp32s* level,
                   FIRNearVariant variant) {
  if (variant == FIRNearVariant::Dispatched) variant = Fastest();
  switch (variant) {
    case FIRNearVariant::Avx512: LevelsAvx512(near, count, bound, range, level); break;
    case FIRNearVariant::Avx2: LevelsAvx2(near, count, bound, range, level); break;
    default: LevelsPlain(near, count, bound, range, level); break;
  }
}

void FIRNearLevels(const Ipp64f* near, std::size_t count, Ipp64f bound, const FIRLevelRange& range, Ipp32s* level) {
  FIRNearLevels(near, count, bound, range, level, FIRNearVariant::Dispatched);
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
