// Row kernels of the general resize driver: nearest, linear, cubic and
// Lanczos for 8u, 16u and 32f with one, three or four channels. Each kernel
// is written once as a template and built twice: plain x86-64 and, chosen
// at run time, AVX2. The AVX2 build adds hand-written passes (8u nearest
// and linear here; cubic and 16u linear in resize_wide.h) with the same
// arithmetic in the same order, so both builds give the same results.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <immintrin.h>

#include "math/elementwise.h"
#include "resample/resize_engine.h"
#include "resample/resize_wide.h"

namespace tavrel {
namespace {

#define TAVREL_INLINE [[gnu::always_inline]] inline

using std::ptrdiff_t;

template <class T>
TAVREL_INLINE T StoreRounded(float v) {
  if constexpr (sizeof(T) == 4) {
    return v;
  } else {
    // trunc(v + 0.5000001) clamped to the element range; clamping first
    // keeps the conversion defined and gives the same result.
    constexpr float top = sizeof(T) == 1 ? 255.0f : 65535.0f;
    float r = v + 0.5000001f;
    r = r >= 0.0f ? r : 0.0f;  // NaN too
    r = r > top ? top : r;
    return static_cast<T>(static_cast<int>(r));
  }
}

template <class T>
const T* RowAt(const ResizeKernelArgs& a, int row) {
  return static_cast<const T*>(a.src) + row * a.srcStep;
}

template <class T>
T* DstRow(const ResizeKernelArgs& a, ptrdiff_t i) {
  return static_cast<T*>(a.dst) + i * a.dstStep;
}

// Filtered rows keyed by source row index, so the step's sign (or zero)
// plays no part. Each row is filtered once while the window moves down.
template <int N>
class RowCache {
 public:
  explicit RowCache(const ResizeKernelArgs& a) {
    for (int m = 0; m < N; ++m) {
      tag_[m] = INT_MIN;
      buf_[m] = a.buffers[m];
    }
  }

  bool Holds(int row) const { return Find(row) >= 0; }

  // Hands out buffers for rows of which none is held; the caller fills them.
  void Adopt(const int (&need)[N], void* (&rows)[N]) {
    for (int m = 0; m < N; ++m) {
      tag_[m] = need[m];
      rows[m] = buf_[m];
    }
  }

  // Fills rows[m] with the buffer holding need[m], filtering the missing
  // rows into buffers the window no longer needs.
  template <class Filter>
  TAVREL_INLINE void Window(const int (&need)[N], void* (&rows)[N], Filter&& filter) {
    for (int m = 0; m < N; ++m) {
      int slot = Find(need[m]);
      if (slot < 0) {
        slot = Victim(need);
        filter(need[m], buf_[slot]);
        tag_[slot] = need[m];
      }
      rows[m] = buf_[slot];
    }
  }

 private:
  int Find(int row) const {
    for (int m = 0; m < N; ++m)
      if (tag_[m] == row) return m;
    return -1;
  }
  int Victim(const int (&need)[N]) const {
    for (int m = 0; m < N; ++m) {
      bool needed = false;
      for (int q = 0; q < N; ++q) needed = needed || tag_[m] == need[q];
      if (!needed) return m;
    }
    return 0;  // unreachable: at most N distinct rows are needed
  }
  int tag_[N];
  void* buf_[N];
};

// ---- nearest ----

// One-channel 8-bit nearest, AVX2: sixteen columns at a time, each half
// shuffled out of one 16-byte window when its eight columns fit in one.
// The controls are made once per resize, 64 bytes per group: the 32-byte
// shuffle control, the second window's start relative to the first, and
// whether the group fits.
constexpr std::size_t kNearestControlBytes = 64;

// Returns whether any group fits: when shrinking by more than about two
// none does, and the rows go the general way.
bool NearestControlsC1(const ResizeKernelArgs& a, Ipp8u* controls) {
  const std::ptrdiff_t* off = a.colOffset;
  bool any = false;
  for (ptrdiff_t k = 0; k + 16 <= a.width; k += 16) {
    Ipp8u* g = controls + kNearestControlBytes / 16 * k;
    std::memset(g, 0x80, 32);
    bool fits = off[k + 8] + 16 <= a.rowElements;
    for (int lane = 0; lane < 2; ++lane)
      for (int m = 0; m < 8; ++m) {
        const std::ptrdiff_t rel = off[k + 8 * lane + m] - off[k + 8 * lane];
        fits = fits && rel <= 15;
        g[16 * lane + m] = static_cast<Ipp8u>(rel);
      }
    const auto second = static_cast<std::int32_t>(off[k + 8] - off[k]);
    std::memcpy(g + 32, &second, sizeof second);
    g[36] = fits;
    any = any || fits;
  }
  return any;
}

[[gnu::target("avx2")]] ptrdiff_t NearestRowU8C1Avx2(const Ipp8u* s, Ipp8u* d, const ResizeKernelArgs& a,
                                                    const Ipp8u* controls, std::ptrdiff_t ahead) {
  const std::ptrdiff_t* off = a.colOffset;
  const ptrdiff_t w = a.width;
  ptrdiff_t k = 0;
  for (; k + 16 <= w; k += 16) {
    const Ipp8u* g = controls + kNearestControlBytes / 16 * k;
    const Ipp8u* p = s + off[k];
    if (!g[36]) {
      for (ptrdiff_t m = k; m < k + 16; ++m) d[m] = s[off[m]];
      continue;
    }
    if (ahead) __builtin_prefetch(p + ahead);
    std::int32_t second;
    std::memcpy(&second, g + 32, sizeof second);
    const __m256i bytes =
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + second), reinterpret_cast<const __m128i*>(p));
    const __m256i picked = _mm256_shuffle_epi8(bytes, _mm256_load_si256(reinterpret_cast<const __m256i*>(g)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), _mm256_castsi256_si128(_mm256_permute4x64_epi64(picked, 0x08)));
  }
  return k;
}

// Four-channel 8-bit nearest, AVX2: eight pixels at a time, permuted out of
// one 32-byte window when they lie within it. The controls are made once
// per resize, 32 bytes per group: the pixels' places in the window, or -1
// first when the group does not fit.
bool NearestControlsC4(const ResizeKernelArgs& a, std::int32_t* controls) {
  const std::ptrdiff_t* off = a.colOffset;
  bool any = false;
  for (ptrdiff_t k = 0; k + 8 <= a.width; k += 8) {
    std::int32_t* g = controls + k;
    const bool fits = off[k + 7] - off[k] <= 28 && off[k] + 32 <= a.rowElements;
    for (int m = 0; m < 8; ++m) g[m] = static_cast<std::int32_t>((off[k + m] - off[k]) / 4);
    if (!fits) g[0] = -1;
    any = any || fits;
  }
  return any;
}

[[gnu::target("avx2")]] ptrdiff_t NearestRowU8C4Avx2(const Ipp8u* s, Ipp8u* d, const ResizeKernelArgs& a,
                                                    const std::int32_t* controls, std::ptrdiff_t ahead) {
  const std::ptrdiff_t* off = a.colOffset;
  const ptrdiff_t w = a.width;
  ptrdiff_t k = 0;
  for (; k + 8 <= w; k += 8) {
    const std::int32_t* g = controls + k;
    const Ipp8u* p = s + off[k];
    if (g[0] < 0) {
      for (ptrdiff_t m = k; m < k + 8; ++m) std::memcpy(d + 4 * m, s + off[m], 4);
      continue;
    }
    if (ahead) __builtin_prefetch(p + ahead);
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i picked =
        _mm256_permutevar8x32_epi32(pixels, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(g)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * k), picked);
  }
  return k;
}

// Nearest taking every second pixel (halving), for pixels of four bytes
// (8u, four channels) and two (16u, one channel), in both builds.
//   8u C4: four pixels from two 16-byte loads, the first and third of each;
//   16u C1: eight values from two loads, the even ones, sign-extended so
//   the saturating pack keeps their bits.
// A group reads 32 bytes from its first pixel, up to the pixel after its
// last.
template <class T, int C>
TAVREL_INLINE ptrdiff_t NearestHalvingRow(const T* s, T* d, const ResizeKernelArgs& a, ptrdiff_t halving,
                                          std::ptrdiff_t ahead) {
  constexpr ptrdiff_t group = 16 / sizeof(T) / C;  // pixels
  const std::ptrdiff_t* off = a.colOffset;
  ptrdiff_t k = 0;
  for (; k + group <= halving && off[k] + 32 / ptrdiff_t{sizeof(T)} <= a.rowElements; k += group) {
    const T* p = s + off[k];
    if (ahead) __builtin_prefetch(p + ahead);
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p) + 1);
    __m128i picked;
    if constexpr (sizeof(T) == 1) {
      picked = _mm_castps_si128(
          _mm_shuffle_ps(_mm_castsi128_ps(first), _mm_castsi128_ps(second), _MM_SHUFFLE(2, 0, 2, 0)));
    } else {
      auto even = [](__m128i v) { return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16); };
      picked = _mm_packs_epi32(even(first), even(second));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + C * k), picked);
  }
  return k;
}

// Pixels of one element and at most two bytes, two rows at a time: eight
// bytes of each row put together in a word (x86 is little-endian) and
// stored at once, so that fewer stores hold up the reads. Returns how many
// columns were done.
template <class T>
TAVREL_INLINE ptrdiff_t NearestWords(const T* s, const T* s2, T* d, T* d2, const std::ptrdiff_t* off,
                                     ptrdiff_t w) {
  constexpr int per = 8 / sizeof(T);
  ptrdiff_t k = 0;
  for (; k + per <= w; k += per) {
    std::uint64_t v = 0, v2 = 0;
    for (int m = 0; m < per; ++m) {
      v |= std::uint64_t{s[off[k + m]]} << (8 * sizeof(T) * m);
      v2 |= std::uint64_t{s2[off[k + m]]} << (8 * sizeof(T) * m);
    }
    std::memcpy(d + k, &v, sizeof v);
    std::memcpy(d2 + k, &v2, sizeof v2);
  }
  return k;
}

// The same for pixels of four bytes: four of each row put together in a
// vector and stored at once.
template <class T, int C>
TAVREL_INLINE ptrdiff_t NearestQuads(const T* s, const T* s2, T* d, T* d2, const std::ptrdiff_t* off,
                                     ptrdiff_t w) {
  static_assert(sizeof(T) * C == 4);
  auto four = [off](const T* row, ptrdiff_t k) __attribute__((always_inline)) {
    auto at = [&](int m) __attribute__((always_inline)) { return _mm_loadu_si32(row + off[k + m]); };
    return _mm_unpacklo_epi64(_mm_unpacklo_epi32(at(0), at(1)), _mm_unpacklo_epi32(at(2), at(3)));
  };
  ptrdiff_t k = 0;
  for (; k + 4 <= w; k += 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + C * k), four(s, k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d2 + C * k), four(s2, k));
  }
  return k;
}

// The rows of nearest; the first `halving` columns (a group or more, or
// none) take every second pixel. Pixels move as one block (a single word
// for four 8-bit channels).
template <class T, int C, bool Shuffled, bool Halving>
TAVREL_INLINE void NearestRows(const ResizeKernelArgs& a, ptrdiff_t halving) {
  const int w = a.width;
  // The offsets by a local pointer: byte stores could alias the argument block.
  const std::ptrdiff_t* off = a.colOffset;
  for (ptrdiff_t i = 0; i < a.height; ++i) {
    T* d = DstRow<T>(a, i);
    if (i > 0 && a.rowIndex[i] == a.rowIndex[i - 1]) {
      std::memmove(d, DstRow<T>(a, i - 1), sizeof(T) * C * w);  // rows may overlap
      continue;
    }
    const T* s = RowAt<T>(a, a.rowIndex[i]);
    if constexpr (!Shuffled && !Halving) {
      // Shrinking: two rows at once keep twice the reads in flight.
      if (i + 1 < a.height && a.rowIndex[i + 1] != a.rowIndex[i]) {
        const T* s2 = RowAt<T>(a, a.rowIndex[i + 1]);
        T* d2 = DstRow<T>(a, i + 1);
        ptrdiff_t k0 = 0;
        if constexpr (sizeof(T) * C <= 2) k0 = NearestWords<T>(s, s2, d, d2, off, w);
        if constexpr (sizeof(T) * C == 4) k0 = NearestQuads<T, C>(s, s2, d, d2, off, w);
        for (ptrdiff_t k = k0; k < w; ++k) {
          std::memcpy(d + k * C, s + off[k], sizeof(T) * C);
          std::memcpy(d2 + k * C, s2 + off[k], sizeof(T) * C);
        }
        ++i;
        continue;
      }
    }
    // While shrinking, the next row's pixels are fetched meanwhile.
    const ptrdiff_t ahead = i + 1 < a.height ? (a.rowIndex[i + 1] - a.rowIndex[i]) * a.srcStep : 0;
    ptrdiff_t k = 0;
    if constexpr (Shuffled && C == 1)
      k = NearestRowU8C1Avx2(s, d, a, static_cast<const Ipp8u*>(a.buffers[0]), ahead);
    if constexpr (Shuffled && C == 4)
      k = NearestRowU8C4Avx2(s, d, a, static_cast<const std::int32_t*>(a.buffers[0]), ahead);
    if constexpr (Halving) k = NearestHalvingRow<T, C>(s, d, a, halving, ahead);
    if (ahead) {
      for (; k < w; ++k) {
        __builtin_prefetch(s + off[k] + ahead);
        std::memcpy(d + k * C, s + off[k], sizeof(T) * C);
      }
    } else {
      for (; k < w; ++k) std::memcpy(d + k * C, s + off[k], sizeof(T) * C);
    }
  }
}

// Out of line, so the general rows' loop keeps its own layout (and speed).
template <class T, int C>
[[gnu::noinline]] void NearestHalving(const ResizeKernelArgs& a, ptrdiff_t halving) {
  NearestRows<T, C, false, true>(a, halving);
}

template <class T, int C, bool Simd>
TAVREL_INLINE void Nearest(const ResizeKernelArgs& a) {
  if constexpr (Simd && C == 1 && sizeof(T) == 1) {
    if (NearestControlsC1(a, static_cast<Ipp8u*>(a.buffers[0]))) return NearestRows<T, C, true, false>(a, 0);
  }
  if constexpr ((sizeof(T) == 1 && C == 4) || (sizeof(T) == 2 && C == 1)) {
    // How many leading columns take every second pixel from the first.
    ptrdiff_t halving = 0;
    while (halving < a.width && a.colOffset[halving] == a.colOffset[0] + 2 * C * halving) ++halving;
    if (halving >= ptrdiff_t{16 / sizeof(T) / C}) return NearestHalving<T, C>(a, halving);
  }
  if constexpr (Simd && C == 4 && sizeof(T) == 1) {
    if (NearestControlsC4(a, static_cast<std::int32_t*>(a.buffers[0]))) return NearestRows<T, C, true, false>(a, 0);
  }
  NearestRows<T, C, false, false>(a, 0);
}

// ---- AVX2 passes of 8u linear (the wide build only) ----
//
// Same integer arithmetic as the plain passes: the pair (L, R) times the
// pair (16384 - w, w) in one multiply-add, so results are identical.

// One-channel columns go in groups of eight, whose (L, R) pairs shuffles
// take from 16-byte windows of the row: one window for a group within 16
// bytes of its first left tap (enlarging, mild shrinking), else two per
// half group (shrinking to a twelfth or so), else the pairs are gathered.
// The shuffle controls are made once per resize, kControlBytes per group:
// two 32-byte controls (per column the bytes L, -, R, -), the four
// windows' starts relative to the group's first left tap, and the kind.
constexpr std::size_t kControlBytes = 96;
enum : Ipp8u { kOneWindow, kFourWindows, kGathered };

void ShuffleControlsC1(const ResizeKernelArgs& a, Ipp8u* controls) {
  const std::ptrdiff_t* off = a.colOffset;
  for (ptrdiff_t k = 0; k + 8 <= a.width; k += 8) {
    Ipp8u* g = controls + kControlBytes / 8 * k;
    std::memset(g, 0x80, 64);
    auto put = [g](int control, ptrdiff_t column, std::ptrdiff_t rel) {
      Ipp8u* c = g + 32 * control + 4 * column;  // column 0..7: lanes of four
      c[0] = static_cast<Ipp8u>(rel);
      c[2] = static_cast<Ipp8u>(rel + 1);
    };
    std::int32_t at[4] = {0, 0, 0, 0};
    Ipp8u kind = kOneWindow;
    if (off[k + 7] - off[k] <= 14 && off[k] + 16 <= a.rowElements) {
      for (ptrdiff_t m = 0; m < 8; ++m) put(0, m, off[k + m] - off[k]);
    } else {
      kind = kFourWindows;
      for (int lane = 0; lane < 2; ++lane) {
        const ptrdiff_t first = k + 4 * lane;
        std::ptrdiff_t start[2] = {off[first], off[first]};
        int window = 0;
        for (ptrdiff_t m = 0; m < 4; ++m) {
          const std::ptrdiff_t o = off[first + m];
          if (window == 0 && o - start[0] > 14) start[window = 1] = o;
          if (o - start[window] > 14) kind = kGathered;
          put(window, 4 * lane + m, o - start[window]);
        }
        if (start[1] + 16 > a.rowElements) kind = kGathered;
        at[2 * lane] = static_cast<std::int32_t>(start[0] - off[k]);
        at[2 * lane + 1] = static_cast<std::int32_t>(start[1] - off[k]);
      }
    }
    std::memcpy(g + 64, at, sizeof at);
    g[80] = kind;
  }
}

// (L, R) of the eight one-channel columns from off[0] as 16-bit pairs in
// 32-bit lanes; g is their group's controls.
[[gnu::target("avx2")]] inline __m256i PairsC1(const Ipp8u* s, const std::ptrdiff_t* off, const Ipp8u* g) {
  const __m256i* control = reinterpret_cast<const __m256i*>(g);
  const Ipp8u* p = s + off[0];
  if (g[80] == kOneWindow) {
    const __m256i bytes = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    return _mm256_shuffle_epi8(bytes, _mm256_load_si256(control));
  }
  if (g[80] == kFourWindows) {
    std::int32_t at[4];
    std::memcpy(at, g + 64, sizeof at);
    const __m256i first = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + at[2]),
                                              reinterpret_cast<const __m128i*>(p + at[0]));
    const __m256i second = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + at[3]),
                                               reinterpret_cast<const __m128i*>(p + at[1]));
    return _mm256_or_si256(_mm256_shuffle_epi8(first, _mm256_load_si256(control)),
                           _mm256_shuffle_epi8(second, _mm256_load_si256(control + 1)));
  }
  const __m256i o0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(off));
  const __m256i o1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(off + 4));
  const __m128i g0 = _mm256_i64gather_epi32(reinterpret_cast<const int*>(s), o0, 1);
  const __m128i g1 = _mm256_i64gather_epi32(reinterpret_cast<const int*>(s), o1, 1);
  const __m256i v = _mm256_set_m128i(g1, g0);
  return _mm256_or_si256(_mm256_and_si256(v, _mm256_set1_epi32(0xFF)),
                         _mm256_slli_epi32(_mm256_and_si256(v, _mm256_set1_epi32(0xFF00)), 8));
}

// (L w0 + R w1 + 128) >> 8 of eight lanes, stored as 16 bits.
[[gnu::target("avx2")]] inline void StoreC1(__m256i lr, __m256i w, Ipp16u* o) {
  const __m256i r = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(lr, w), _mm256_set1_epi32(128)), 8);
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(r, r), 0x08);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm256_castsi256_si128(packed));
}

// The same for the channels of one pixel whose left tap is at p.
[[gnu::target("avx2")]] inline void StorePixel(const Ipp8u* p, __m128i w, __m128i order, Ipp16u* o) {
  const __m128i px = _mm_cvtepu8_epi16(_mm_shuffle_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), order));
  const __m128i r = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(px, w), _mm_set1_epi32(128)), 8);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi32(r, r));
}

// The leading columns of one row, or of a row and the row `step` after it
// (Pair): both walked together, sharing offsets and weights. Up to 16 bytes
// are read from a column's left tap, so columns near the row's end are left
// to the plain loop; returns how many columns were done.
template <int C, bool Pair>
[[gnu::target("avx2")]] ptrdiff_t LinearRowU8Avx2(const Ipp8u* s, std::ptrdiff_t step, Ipp16u* out,
                                                 Ipp16u* out2, const ResizeKernelArgs& a, std::ptrdiff_t ahead) {
  const auto* wt = static_cast<const std::uint32_t*>(a.colWeights);
  const std::ptrdiff_t* off = a.colOffset;
  const auto* controls = static_cast<const Ipp8u*>(a.buffers[2]);
  ptrdiff_t k = 0;
  if constexpr (C == 1) {
    for (; k + 8 <= a.width && off[k + 7] + 4 <= a.rowElements; k += 8) {
      if (ahead) __builtin_prefetch(s + off[k] + ahead);
      const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wt + k));
      StoreC1(PairsC1(s, off + k, controls + kControlBytes / 8 * k), w, out + k);
      if constexpr (Pair) {
        if (ahead) __builtin_prefetch(s + step + off[k] + ahead);
        StoreC1(PairsC1(s + step, off + k, controls + kControlBytes / 8 * k), w, out2 + k);
      }
    }
  } else {
    // L0..L(C-1) R0..R(C-1) -> L0 R0 L1 R1 ...
    const __m128i order = C == 4 ? _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, -1, -1, -1, -1, -1, -1, -1, -1)
                                 : _mm_setr_epi8(0, 3, 1, 4, 2, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    for (; k < a.width && off[k] + 8 <= a.rowElements; ++k) {
      const Ipp8u* p = s + off[k];
      const __m128i w = _mm_set1_epi32(static_cast<int>(wt[k]));
      if (ahead) __builtin_prefetch(p + ahead);
      // Four values stored; for three channels the fourth is the next
      // column's first, written over next (buffers have 4 pixels spare).
      StorePixel(p, w, order, out + k * C);
      if constexpr (Pair) {
        if (ahead) __builtin_prefetch(p + step + ahead);
        StorePixel(p + step, w, order, out2 + k * C);
      }
    }
  }
  return k;
}

// Vertical pass of 8u linear: (U (16384 - w) + D w + 2^19) >> 20 per element.
[[gnu::target("avx2")]] inline ptrdiff_t LinearColumnU8Avx2(const Ipp16u* u, const Ipp16u* dn, Ipp8u* d, ptrdiff_t n,
                                                     std::uint32_t w) {
  const __m256i weights = _mm256_set1_epi32(static_cast<int>((16384 - w) | (w << 16)));
  const __m256i round = _mm256_set1_epi32(524288);
  ptrdiff_t e = 0;
  for (; e + 16 <= n; e += 16) {
    const __m256i U = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + e));
    const __m256i D = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dn + e));
    const __m256i lo = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(U, D), weights), round), 20);
    const __m256i hi = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(U, D), weights), round), 20);
    const __m256i words = _mm256_packus_epi32(lo, hi);
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + e), _mm256_castsi256_si128(bytes));
  }
  return e;
}

// (U (16384 - wr) + D wr + 2^19) >> 20 of the rows' (L w0 + R w1 + 128) >> 8,
// wv holding (16384 - wr, wr).
[[gnu::target("avx2")]] inline __m256i BlendU8(__m256i lrU, __m256i lrD, __m256i w, __m256i wv) {
  const __m256i round = _mm256_set1_epi32(128);
  const __m256i u = _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(lrU, w), round), 8);
  // The sums are below 2^23: shifted left by 8, the upper half is D.
  const __m256i dn = _mm256_slli_epi32(_mm256_add_epi32(_mm256_madd_epi16(lrD, w), round), 8);
  const __m256i v = _mm256_madd_epi16(_mm256_blend_epi16(u, dn, 0xAA), wv);
  return _mm256_srli_epi32(_mm256_add_epi32(v, _mm256_set1_epi32(524288)), 20);
}

// Eight 32-bit results as eight bytes, in order.
[[gnu::target("avx2")]] inline __m128i LowBytes(__m256i r) {
  const __m256i b = _mm256_packus_epi16(_mm256_packus_epi32(r, r), r);
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(b, _mm256_setr_epi32(0, 4, 0, 4, 0, 4, 0, 4)));
}

// Sixteen 32-bit results, eight in each, as sixteen bytes in order.
[[gnu::target("avx2")]] inline __m128i SixteenBytes(__m256i r1, __m256i r2) {
  const __m256i w = _mm256_packus_epi32(r1, r2);  // r1 0-3, r2 0-3 | r1 4-7, r2 4-7
  const __m256i b = _mm256_packus_epi16(w, w);
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(b, _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5)));
}

// L0 R0 L1 R1 ... of two pixels whose left taps are at p and q, as 16-bit values.
[[gnu::target("avx2")]] inline __m256i TwoPixelPairs(const Ipp8u* p, const Ipp8u* q, __m128i order) {
  const __m128i two = _mm_castpd_si128(_mm_loadh_pd(
      _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))), reinterpret_cast<const double*>(q)));
  return _mm256_cvtepu8_epi16(_mm_shuffle_epi8(two, order));
}

// Blended results of the eight one-channel columns from k.
[[gnu::target("avx2")]] inline __m256i EightC1(const Ipp8u* s, std::ptrdiff_t step, const ResizeKernelArgs& a,
                                               const Ipp8u* controls, ptrdiff_t k, __m256i wv) {
  const auto* wt = static_cast<const std::uint32_t*>(a.colWeights);
  const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wt + k));
  const Ipp8u* g = controls + kControlBytes / 8 * k;
  return BlendU8(PairsC1(s, a.colOffset + k, g), PairsC1(s + step, a.colOffset + k, g), w, wv);
}

// Blended results of the pixels k and k + 1, four values each.
[[gnu::target("avx2")]] inline __m256i TwoPixels(const Ipp8u* s, std::ptrdiff_t step, const ResizeKernelArgs& a,
                                                 ptrdiff_t k, __m128i order, __m256i wv) {
  const auto* wt = static_cast<const std::uint32_t*>(a.colWeights);
  const std::ptrdiff_t* off = a.colOffset;
  // The two pixels' weight pairs, each across its half.
  const __m256i w = _mm256_permutevar8x32_epi32(
      _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(wt + k))),
      _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1));
  return BlendU8(TwoPixelPairs(s + off[k], s + off[k + 1], order),
                 TwoPixelPairs(s + step + off[k], s + step + off[k + 1], order), w, wv);
}

// ---- halving 8u rows (the wide build only) ----
//
// Column k's taps are the source pixels 2k and 2k + 1, so a row's (L, R)
// pairs are its bytes as they lie, the channels' bytes side by side after
// a shuffle. With w0 = 16384 - w1 the two integer steps take 16-bit lanes
// and give the same values:
//   (L w0 + R w1 + 128) >> 8 = 64 L + (64 (L - R) (-2 w1) + 2^14) >> 15
//   (U w0 + D w1 + 2^19) >> 20 = (U + 32 + floor((D - U) 4 w1 / 2^16)) >> 6
// (the first because 16384 L is a multiple of 256, the second because the
// dropped remainder of (D - U) w1 / 2^14 never carries past a multiple of
// 2^20), the second for w1 below 16384. In the first -2 w1 fits a lane up
// to w1 = 16384, and 64 (L - R) is one multiply-add of the bytes. In the
// second 4 w1 fits a signed lane below 8192; from 8192 on the lane holds
// 4 w1 - 2^16, whose product's high half is (D - U) less, so the sum
// starts from D instead of U.

// The horizontal step of sixteen values: pairs holds their (L, R) bytes,
// nw1 their right weights times -2.
[[gnu::target("avx2")]] inline __m256i HalvedRow(__m256i pairs, __m256i nw1) {
  const __m256i diff = _mm256_maddubs_epi16(pairs, _mm256_set1_epi16(static_cast<short>(0xC040)));  // (64, -64)
  const __m256i left = _mm256_maddubs_epi16(pairs, _mm256_set1_epi16(64));                         // (64, 0)
  return _mm256_add_epi16(left, _mm256_mulhrs_epi16(diff, nw1));
}

// Sixteen results as 16-bit lanes from the (L, R) bytes of the upper and
// lower rows; w4 holds four times the lower row's weight, wrapped to a
// signed lane (Wrapped: from 8192 on).
template <bool Wrapped>
[[gnu::target("avx2")]] inline __m256i HalvedValues(__m256i u, __m256i dn, __m256i nw1, __m256i w4) {
  const __m256i U = HalvedRow(u, nw1);
  const __m256i D = HalvedRow(dn, nw1);
  const __m256i q = _mm256_mulhi_epi16(_mm256_sub_epi16(D, U), w4);
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(Wrapped ? D : U, q), _mm256_set1_epi16(32)), 6);
}

template <class E>
[[gnu::target("avx2")]] inline __m256i Load32(const E* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
// Sixteen bytes from p in the low lane, sixteen from 12 bytes on in the high one.
template <class E>
[[gnu::target("avx2")]] inline __m256i Load12(const E* p) {
  constexpr int next = 12 / sizeof(E);
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + next), reinterpret_cast<const __m128i*>(p));
}
[[gnu::target("avx2")]] inline __m256i Shuffled(const Ipp8u* p, __m256i order) {
  return _mm256_shuffle_epi8(Load32(p), order);
}
[[gnu::target("avx2")]] inline __m256i Shuffled12(const Ipp8u* p, __m256i order) {
  return _mm256_shuffle_epi8(Load12(p), order);
}

// The same place in the two rows the next destination row takes, `ahead`
// bytes on (none when 0).
TAVREL_INLINE void FetchAhead(const Ipp8u* p, std::ptrdiff_t step, std::ptrdiff_t ahead) {
  if (ahead) {
    __builtin_prefetch(p + ahead);
    __builtin_prefetch(p + step + ahead);
  }
}

// The halving columns of a destination row with row weight wr (Wrapped:
// from 8192 on, below 16384); nw1 holds the right weights times -2 per
// value. Returns how many columns were done.
template <int C, bool Wrapped>
[[gnu::target("avx2")]] ptrdiff_t HalvingU8Avx2(const Ipp8u* s, std::ptrdiff_t step, Ipp8u* d, const Ipp16u* nw1,
                                               ptrdiff_t halving, std::uint32_t wr, ptrdiff_t width,
                                               std::ptrdiff_t ahead) {
  const __m256i w4 = _mm256_set1_epi16(static_cast<short>(4 * wr));
  ptrdiff_t k = 0;
  if constexpr (C == 1) {
    // Bytes up to 2k + 63 are read: the right tap of column k + 31.
    for (; k + 32 <= halving; k += 32) {
      const Ipp8u* p = s + 2 * k;
      FetchAhead(p, step, ahead);
      const __m256i r1 = HalvedValues<Wrapped>(Load32(p), Load32(p + step), Load32(nw1 + k), w4);
      const __m256i r2 = HalvedValues<Wrapped>(Load32(p + 32), Load32(p + step + 32), Load32(nw1 + k + 16), w4);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + k),
                          _mm256_permute4x64_epi64(_mm256_packus_epi16(r1, r2), 0xD8));
    }
    for (; k + 16 <= halving; k += 16) {
      const __m256i r = HalvedValues<Wrapped>(Load32(s + 2 * k), Load32(s + step + 2 * k), Load32(nw1 + k), w4);
      const __m256i b = _mm256_permute4x64_epi64(_mm256_packus_epi16(r, r), 0x08);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), _mm256_castsi256_si128(b));
    }
  } else if constexpr (C == 4) {
    // L0 L1 L2 L3 R0 R1 R2 R3 -> L0 R0 L1 R1 ...; bytes up to 8k + 63 are read.
    const __m256i order = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4, 1, 5, 2, 6,
                                           3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    for (; k + 8 <= halving; k += 8) {
      const Ipp8u* p = s + 8 * k;
      FetchAhead(p, step, ahead);
      const __m256i r1 =
          HalvedValues<Wrapped>(Shuffled(p, order), Shuffled(p + step, order), Load32(nw1 + 4 * k), w4);
      const __m256i r2 = HalvedValues<Wrapped>(Shuffled(p + 32, order), Shuffled(p + step + 32, order),
                                               Load32(nw1 + 4 * k + 16), w4);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * k),
                          _mm256_permute4x64_epi64(_mm256_packus_epi16(r1, r2), 0xD8));
    }
  } else {
    // Two columns a lane, twelve bytes from 6k and 6k + 12 (four bytes more
    // are read, within the row while the column after the group halves too):
    // L0 L1 L2 R0 R1 R2 -> L0 R0 L1 R1 L2 R2, the lane's last two pairs
    // zero. The weights are laid out the same way.
    const __m256i order = _mm256_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1, 0, 3, 1, 4, 2, 5,
                                           6, 9, 7, 10, 8, 11, -1, -1, -1, -1);
    // Per lane the twelve values of packed results, then four spare bytes.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1, 0, 1, 2, 3, 4, 5,
                                          8, 9, 10, 11, 12, 13, -1, -1, -1, -1);
    // The second store writes four bytes past the eight columns, into the
    // next two, which are written after.
    for (; k + 9 <= halving && k + 10 <= width; k += 8) {
      const Ipp8u* p = s + 6 * k;
      FetchAhead(p, step, ahead);
      const __m256i r1 =
          HalvedValues<Wrapped>(Shuffled12(p, order), Shuffled12(p + step, order), Load12(nw1 + 3 * k), w4);
      const __m256i r2 = HalvedValues<Wrapped>(Shuffled12(p + 24, order), Shuffled12(p + step + 24, order),
                                               Load12(nw1 + 3 * k + 12), w4);
      // Packed: columns k, k + 1 | k + 4, k + 5 || k + 2, k + 3 | k + 6, k + 7,
      // each pair six bytes and two spare.
      const __m256i b = _mm256_shuffle_epi8(_mm256_permute4x64_epi64(_mm256_packus_epi16(r1, r2), 0xD8), pack);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * k), _mm256_castsi256_si128(b));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * k + 12), _mm256_extracti128_si256(b, 1));
    }
  }
  return k;
}

// How many leading columns have their left tap at pixel 2k: all but the
// last when halving an even width, whatever the weights.
ptrdiff_t HalvingCount(const ResizeKernelArgs& a, int C) {
  ptrdiff_t k = 0;
  while (k < a.width && a.colOffset[k] == 2 * C * k) ++k;
  return k;
}

// The same for 8u, the right weights times -2 laid out once per value in
// the fourth buffer.
template <int C>
ptrdiff_t HalvingColumns(const ResizeKernelArgs& a) {
  const ptrdiff_t k = HalvingCount(a, C);
  auto* nw1 = static_cast<Ipp16u*>(a.buffers[3]);
  const auto* wt = static_cast<const Ipp16u*>(a.colWeights);
  for (ptrdiff_t m = 0; m < k; ++m)
    for (int c = 0; c < C; ++c) nw1[m * C + c] = static_cast<Ipp16u>(-2 * wt[2 * m + 1]);
  return k;
}

// Both rows of a destination row filtered and blended in registers, for
// rows no later destination row needs: the same two integer steps as the
// row and column passes, with no trip through the row buffers. One channel:
// the first `halving` columns take their left taps at 2k.
template <int C>
[[gnu::target("avx2")]] ptrdiff_t LinearFusedU8Avx2(const Ipp8u* s, std::ptrdiff_t step, Ipp8u* d,
                                                   const ResizeKernelArgs& a, std::uint32_t wr,
                                                   std::ptrdiff_t ahead, ptrdiff_t halving) {
  const std::ptrdiff_t* off = a.colOffset;
  const auto* controls = static_cast<const Ipp8u*>(a.buffers[2]);
  const __m256i wv = _mm256_set1_epi32(static_cast<int>((16384 - wr) | (wr << 16)));
  auto prefetch = [&](ptrdiff_t k) { FetchAhead(s + off[k], step, ahead); };
  ptrdiff_t k = 0;
  const auto* nw1 = static_cast<const Ipp16u*>(a.buffers[3]);
  if (halving && wr < 8192) k = HalvingU8Avx2<C, false>(s, step, d, nw1, halving, wr, a.width, ahead);
  if (halving && wr >= 8192 && wr < 16384)
    k = HalvingU8Avx2<C, true>(s, step, d, nw1, halving, wr, a.width, ahead);
  if constexpr (C == 1) {
    for (; k + 16 <= a.width && off[k + 15] + 4 <= a.rowElements; k += 16) {
      prefetch(k);
      const __m128i r = SixteenBytes(EightC1(s, step, a, controls, k, wv), EightC1(s, step, a, controls, k + 8, wv));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), r);
    }
    for (; k + 8 <= a.width && off[k + 7] + 4 <= a.rowElements; k += 8) {
      prefetch(k);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + k), LowBytes(EightC1(s, step, a, controls, k, wv)));
    }
  } else {
    // Two pixels: L0 R0 L1 R1 ... of each, as 16-bit values.
    const __m128i order = C == 4 ? _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15)
                                 : _mm_setr_epi8(0, 3, 1, 4, 2, 5, -1, -1, 8, 11, 9, 12, 10, 13, -1, -1);
    // Three channels: the fourth byte of each pixel dropped.
    const __m128i pack3 = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    for (; k + 4 <= a.width && off[k + 3] + 8 <= a.rowElements; k += 4) {
      prefetch(k);
      const __m128i r = SixteenBytes(TwoPixels(s, step, a, k, order, wv), TwoPixels(s, step, a, k + 2, order, wv));
      if constexpr (C == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * k), r);
      } else if (k + 6 <= a.width) {
        // Four bytes over, written next.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * k), _mm_shuffle_epi8(r, pack3));
      } else {
        const __m128i twelve = _mm_shuffle_epi8(r, pack3);
        std::memcpy(d + 3 * k, &twelve, 12);
      }
    }
    for (; k + 2 <= a.width && off[k + 1] + 8 <= a.rowElements; k += 2) {
      prefetch(k);
      const __m128i six = _mm_shuffle_epi8(LowBytes(TwoPixels(s, step, a, k, order, wv)), pack3);
      if constexpr (C == 4)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 4 * k), LowBytes(TwoPixels(s, step, a, k, order, wv)));
      else
        std::memcpy(d + 3 * k, &six, 6);
    }
  }
  return k;
}

// ---- linear ----

template <class T, int C, bool Simd>
TAVREL_INLINE void LinearRowInt(const T* s, Ipp16u* out, const ResizeKernelArgs& a,
                                std::ptrdiff_t ahead = 0) {
  constexpr std::uint32_t round = sizeof(T) == 1 ? 128 : 8192;
  constexpr int shift = sizeof(T) == 1 ? 8 : 14;
  const auto* wt = static_cast<const Ipp16u*>(a.colWeights);
  ptrdiff_t k = 0;
  if constexpr (Simd && sizeof(T) == 1) k = LinearRowU8Avx2<C, false>(s, 0, out, nullptr, a, ahead);
  if constexpr (Simd && sizeof(T) == 2 && C == 1) k = LinearRowU16Wide(s, out, a);
  for (; k < a.width; ++k) {
    const T* p = s + a.colOffset[k];
    const std::uint32_t w0 = wt[2 * k], w1 = wt[2 * k + 1];
    for (int c = 0; c < C; ++c)
      out[k * C + c] = static_cast<Ipp16u>((p[c] * w0 + p[c + C] * w1 + round) >> shift);
  }
}

template <class T, int C, bool Simd>
TAVREL_INLINE void LinearColumnInt(const Ipp16u* __restrict u, const Ipp16u* __restrict dn,
                                   T* __restrict d, ptrdiff_t n, std::uint32_t w) {
  constexpr std::uint32_t round = sizeof(T) == 1 ? 524288 : 8192;
  constexpr int shift = sizeof(T) == 1 ? 20 : 14;
  const std::uint32_t w0 = 16384 - w;
  ptrdiff_t e = 0;
  if constexpr (Simd && sizeof(T) == 1) e = LinearColumnU8Avx2(u, dn, d, n, w);
  if constexpr (Simd && sizeof(T) == 2 && C == 1) e = LinearColumnU16Wide(u, dn, d, n, w);
  for (; e < n; ++e) d[e] = static_cast<T>((u[e] * w0 + dn[e] * w + round) >> shift);
}

template <int C>
TAVREL_INLINE void LinearRowFloat(const float* s, float* out, const ResizeKernelArgs& a) {
  const auto* wt = static_cast<const float*>(a.colWeights);
  for (ptrdiff_t k = 0; k < a.width; ++k) {
    const float* p = s + a.colOffset[k];
    const float t = wt[k];
    for (int c = 0; c < C; ++c) out[k * C + c] = p[c] + (p[c + C] - p[c]) * t;
  }
}

TAVREL_INLINE void LinearColumnFloat(const float* __restrict u, const float* __restrict dn,
                                     float* __restrict d, ptrdiff_t n, float t) {
  const float t0 = 1.0f - t;
  for (ptrdiff_t e = 0; e < n; ++e) d[e] = t * dn[e] + t0 * u[e];
}

// Both taps' rows in one pass: they are usually both new when shrinking,
// and walking them together keeps twice as many loads in flight. The rows
// of the next destination row are prefetched `ahead` elements on.
template <class T, int C, bool Simd>
TAVREL_INLINE void LinearRowsInt(const T* s, std::ptrdiff_t step, Ipp16u* __restrict u,
                                 Ipp16u* __restrict dn, const ResizeKernelArgs& a,
                                 std::ptrdiff_t ahead) {
  constexpr std::uint32_t round = sizeof(T) == 1 ? 128 : 8192;
  constexpr int shift = sizeof(T) == 1 ? 8 : 14;
  const auto* wt = static_cast<const Ipp16u*>(a.colWeights);
  ptrdiff_t k = 0;
  if constexpr (Simd && sizeof(T) == 1) k = LinearRowU8Avx2<C, true>(s, step, u, dn, a, ahead);
  if constexpr (Simd && sizeof(T) == 2 && C == 1) {
    k = LinearRowU16Wide(s, u, a);
    LinearRowU16Wide(s + step, dn, a);
  }
  for (; k < a.width; ++k) {
    const T* p = s + a.colOffset[k];
    const T* q = p + step;
    if (ahead) {
      __builtin_prefetch(p + ahead);
      __builtin_prefetch(q + ahead);
    }
    const std::uint32_t w0 = wt[2 * k], w1 = wt[2 * k + 1];
    for (int c = 0; c < C; ++c) {
      u[k * C + c] = static_cast<Ipp16u>((p[c] * w0 + p[c + C] * w1 + round) >> shift);
      dn[k * C + c] = static_cast<Ipp16u>((q[c] * w0 + q[c + C] * w1 + round) >> shift);
    }
  }
}

template <int C>
TAVREL_INLINE void LinearRowsFloat(const float* s, std::ptrdiff_t step, float* __restrict u,
                                   float* __restrict dn, const ResizeKernelArgs& a,
                                   std::ptrdiff_t ahead) {
  const auto* wt = static_cast<const float*>(a.colWeights);
  for (ptrdiff_t k = 0; k < a.width; ++k) {
    const float* p = s + a.colOffset[k];
    const float* q = p + step;
    if (ahead) {
      __builtin_prefetch(p + ahead);
      __builtin_prefetch(q + ahead);
    }
    const float t = wt[k];
    for (int c = 0; c < C; ++c) {
      u[k * C + c] = p[c] + (p[c + C] - p[c]) * t;
      dn[k * C + c] = q[c] + (q[c + C] - q[c]) * t;
    }
  }
}

// Both rows of destination row i, blended straight into it.
template <class T, int C, bool Simd>
TAVREL_INLINE void LinearFusedInt(const T* s, std::ptrdiff_t step, T* __restrict d, const ResizeKernelArgs& a,
                                  std::uint32_t wr, std::ptrdiff_t ahead, ptrdiff_t halving) {
  constexpr std::uint32_t round = sizeof(T) == 1 ? 128 : 8192;
  constexpr int shift = sizeof(T) == 1 ? 8 : 14;
  constexpr std::uint32_t roundV = sizeof(T) == 1 ? 524288 : 8192;
  constexpr int shiftV = sizeof(T) == 1 ? 20 : 14;
  const auto* wt = static_cast<const Ipp16u*>(a.colWeights);
  const std::uint32_t w0V = 16384 - wr;
  ptrdiff_t k = 0;
  if constexpr (Simd && sizeof(T) == 1) k = LinearFusedU8Avx2<C>(s, step, d, a, wr, ahead, halving);
  if constexpr (Simd && sizeof(T) == 2 && C == 1) k = LinearFusedU16Wide(s, step, d, a, wr, ahead, halving);
  for (; k < a.width; ++k) {
    const T* p = s + a.colOffset[k];
    const T* q = p + step;
    const std::uint32_t w0 = wt[2 * k], w1 = wt[2 * k + 1];
    for (int c = 0; c < C; ++c) {
      const Ipp16u u = static_cast<Ipp16u>((p[c] * w0 + p[c + C] * w1 + round) >> shift);
      const Ipp16u dn = static_cast<Ipp16u>((q[c] * w0 + q[c + C] * w1 + round) >> shift);
      d[k * C + c] = static_cast<T>((u * w0V + dn * wr + roundV) >> shiftV);
    }
  }
}

template <class T, int C, bool Simd>
TAVREL_INLINE void Linear(const ResizeKernelArgs& a) {
  constexpr bool integer = sizeof(T) < 4;
  using B = std::conditional_t<integer, Ipp16u, float>;
  RowCache<2> cache(a);
  ptrdiff_t halving = 0;
  if constexpr (Simd && sizeof(T) == 1) {
    if constexpr (C == 1) ShuffleControlsC1(a, static_cast<Ipp8u*>(a.buffers[2]));
    halving = HalvingColumns<C>(a);
  }
  if constexpr (Simd && sizeof(T) == 2 && C == 1) halving = HalvingCount(a, 1);
  const ptrdiff_t n = ptrdiff_t{a.width} * C;
  auto filterPair = [&](int row, B* u, B* dn, std::ptrdiff_t ahead) __attribute__((always_inline)) {
    if constexpr (integer)
      LinearRowsInt<T, C, Simd>(RowAt<T>(a, row), a.srcStep, u, dn, a, ahead);
    else
      LinearRowsFloat<C>(RowAt<T>(a, row), a.srcStep, u, dn, a, ahead);
  };
  for (ptrdiff_t i = 0; i < a.height; ++i) {
    const int j = a.rowIndex[i];
    const int need[2] = {j, j + 1};
    void* rows[2];
    if (cache.Holds(j) || cache.Holds(j + 1)) {
      cache.Window(need, rows, [&](int row, void* out) __attribute__((always_inline)) {
        if constexpr (integer)
          LinearRowInt<T, C, Simd>(RowAt<T>(a, row), static_cast<B*>(out), a);
        else
          LinearRowFloat<C>(RowAt<T>(a, row), static_cast<B*>(out), a);
      });
    } else {
      const std::ptrdiff_t ahead =
          i + 1 < a.height && a.rowIndex[i + 1] != j ? (a.rowIndex[i + 1] - j) * a.srcStep : 0;
      if constexpr (integer) {
        // Rows no later destination row takes (shrinking): straight through.
        if (i + 1 == a.height || (a.rowIndex[i + 1] != j && a.rowIndex[i + 1] != j + 1)) {
          LinearFusedInt<T, C, Simd>(RowAt<T>(a, j), a.srcStep, DstRow<T>(a, i), a,
                                     static_cast<const Ipp16u*>(a.rowWeights)[i], ahead, halving);
          continue;
        }
      }
      cache.Adopt(need, rows);
      filterPair(j, static_cast<B*>(rows[0]), static_cast<B*>(rows[1]), ahead);
    }
    const B* u = static_cast<const B*>(rows[0]);
    const B* dn = static_cast<const B*>(rows[1]);
    if constexpr (integer)
      LinearColumnInt<T, C, Simd>(u, dn, DstRow<T>(a, i), n, static_cast<const Ipp16u*>(a.rowWeights)[i]);
    else
      LinearColumnFloat(u, dn, DstRow<T>(a, i), n, static_cast<const float*>(a.rowWeights)[i]);
  }
}

// ---- cubic: the Lagrange cubic through nodes -1, 0, 1, 2 in Newton form ----

template <class T, int C, bool Simd>
TAVREL_INLINE void CubicRow(const T* s, float* __restrict out, const ResizeKernelArgs& a, std::ptrdiff_t ahead) {
  const auto* cw = static_cast<const float*>(a.colWeights);
  const ptrdiff_t w = a.width;
  ptrdiff_t k = 0;
  if constexpr (Simd) k = CubicRowWide<T, C>(s, out, a, ahead);
  for (; k < w; ++k) {
    const T* p = s + a.colOffset[k];
    const float c1 = cw[k], c2 = cw[w + k], c3 = cw[2 * w + k];
    for (int c = 0; c < C; ++c) {
      const float pm = p[c - C], p0 = p[c], p1 = p[c + C], p2 = p[c + 2 * C];
      const float d1 = p0 - pm, d2 = p1 - 2.0f * p0 + pm, d3 = p2 - 3.0f * p1 + 3.0f * p0 - pm;
      out[k * C + c] = pm + c1 * d1 + c2 * d2 + c3 * d3;
    }
  }
}

template <class T, bool Simd>
TAVREL_INLINE void CubicColumn(const float* __restrict r0, const float* __restrict r1,
                               const float* __restrict r2, const float* __restrict r3,
                               T* __restrict d, ptrdiff_t n, const float* cf) {
  const float c1 = cf[0], c2 = cf[1], c3 = cf[2];
  ptrdiff_t e = 0;
  if constexpr (Simd) e = CubicColumnWide<T>(r0, r1, r2, r3, d, n, cf);
  for (; e < n; ++e) {
    const float pm = r0[e], p0 = r1[e], p1 = r2[e], p2 = r3[e];
    const float d1 = p0 - pm, d2 = p1 - 2.0f * p0 + pm, d3 = p2 - 3.0f * p1 + 3.0f * p0 - pm;
    d[e] = StoreRounded<T>(pm + c1 * d1 + c2 * d2 + c3 * d3);
  }
}

template <class T, int C, bool Simd>
TAVREL_INLINE void Cubic(const ResizeKernelArgs& a) {
  RowCache<4> cache(a);
  const ptrdiff_t n = ptrdiff_t{a.width} * C;
  const auto* rw = static_cast<const float*>(a.rowWeights);
  for (ptrdiff_t i = 0; i < a.height; ++i) {
    const int b = a.rowIndex[i];
    const int need[4] = {b - 1, b, b + 1, b + 2};
    void* rows[4];
    // The same columns of the row the next destination row takes in its place.
    const std::ptrdiff_t ahead = i + 1 < a.height ? (a.rowIndex[i + 1] - b) * a.srcStep : 0;
    cache.Window(need, rows, [&](int row, void* out) __attribute__((always_inline)) {
      CubicRow<T, C, Simd>(RowAt<T>(a, row), static_cast<float*>(out), a, ahead);
    });
    CubicColumn<T, Simd>(static_cast<const float*>(rows[0]), static_cast<const float*>(rows[1]),
                         static_cast<const float*>(rows[2]), static_cast<const float*>(rows[3]),
                         DstRow<T>(a, i), n, rw + 3 * i);
  }
}

// ---- Lanczos-3: six taps, edge pixels replicated ----

template <class T, int C>
TAVREL_INLINE void LanczosRow(const T* s, float* __restrict out, const ResizeKernelArgs& a) {
  const auto* lw = static_cast<const float*>(a.colWeights);
  for (ptrdiff_t k = 0; k < a.width; ++k) {
    const ptrdiff_t* o = a.colOffset + 6 * k;
    const float* w = lw + 6 * k;
    for (int c = 0; c < C; ++c) {
      out[k * C + c] = w[0] * float(s[o[0] + c]) + w[1] * float(s[o[1] + c]) +
                       w[2] * float(s[o[2] + c]) + w[3] * float(s[o[3] + c]) +
                       w[4] * float(s[o[4] + c]) + w[5] * float(s[o[5] + c]);
    }
  }
}

template <class T>
TAVREL_INLINE void LanczosColumn(void* const (&rows)[6], T* __restrict d, ptrdiff_t n, const float* w) {
  const float* __restrict r0 = static_cast<const float*>(rows[0]);
  const float* __restrict r1 = static_cast<const float*>(rows[1]);
  const float* __restrict r2 = static_cast<const float*>(rows[2]);
  const float* __restrict r3 = static_cast<const float*>(rows[3]);
  const float* __restrict r4 = static_cast<const float*>(rows[4]);
  const float* __restrict r5 = static_cast<const float*>(rows[5]);
  const float w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3], w4 = w[4], w5 = w[5];
  for (ptrdiff_t e = 0; e < n; ++e)
    d[e] = StoreRounded<T>(w0 * r0[e] + w1 * r1[e] + w2 * r2[e] + w3 * r3[e] + w4 * r4[e] +
                           w5 * r5[e]);
}

template <class T, int C>
TAVREL_INLINE void Lanczos(const ResizeKernelArgs& a) {
  RowCache<6> cache(a);
  const ptrdiff_t n = ptrdiff_t{a.width} * C;
  const auto* rw = static_cast<const float*>(a.rowWeights);
  for (ptrdiff_t i = 0; i < a.height; ++i) {
    const int j = a.rowIndex[i];
    int need[6];
    for (int m = 0; m < 6; ++m) need[m] = std::clamp(j - 2 + m, a.firstRow, a.lastRow);
    void* rows[6];
    cache.Window(need, rows, [&](int row, void* out) __attribute__((always_inline)) {
      LanczosRow<T, C>(RowAt<T>(a, row), static_cast<float*>(out), a);
    });
    LanczosColumn<T>(rows, DstRow<T>(a, i), n, rw + 6 * i);
  }
}

// ---- the table ----

using Body = void (*)(const ResizeKernelArgs&);

template <Body B>
void Plain(const ResizeKernelArgs& a) {
  B(a);
}

template <Body B>
[[gnu::target("avx2")]] void Avx2(const ResizeKernelArgs& a) {
  B(a);
}

// Entries for "3 or 4 channels" pick the layout from the argument.
template <template <class, int, bool> class K, class T, bool Simd>
struct Wide {
  TAVREL_INLINE static void Run(const ResizeKernelArgs& a) {
    if (a.channels == 4)
      K<T, 4, Simd>::Run(a);
    else
      K<T, 3, Simd>::Run(a);
  }
};

// Lanczos has no wide passes of its own: both builds run the same template.
#define TAVREL_KERNEL_CLASS(Name, ...)                                                \
  template <class T, int C, bool Simd>                                                \
  struct Name##K {                                                                    \
    TAVREL_INLINE static void Run(const ResizeKernelArgs& a) { Name<__VA_ARGS__>(a); } \
  };
TAVREL_KERNEL_CLASS(Nearest, T, C, Simd)
TAVREL_KERNEL_CLASS(Linear, T, C, Simd)
TAVREL_KERNEL_CLASS(Cubic, T, C, Simd)
TAVREL_KERNEL_CLASS(Lanczos, T, C)
#undef TAVREL_KERNEL_CLASS

template <template <Body> class V, bool Simd>
struct Table {
  template <template <class, int, bool> class K, class T>
  static constexpr ResizeKernel Wide3or4 = V<&Wide<K, T, Simd>::Run>::Fn;
  template <template <class, int, bool> class K, class T, int C>
  static constexpr ResizeKernel Of = V<&K<T, C, Simd>::Run>::Fn;
  // 32f nearest copies 32-bit patterns, so NaNs pass bit for bit.
  static constexpr ResizeKernel entries[kResizeKernelCount] = {
      Of<NearestK, Ipp8u, 3>, Of<NearestK, Ipp16u, 3>, Of<NearestK, Ipp32u, 3>,
      Of<NearestK, Ipp8u, 1>, Of<NearestK, Ipp16u, 1>, Of<NearestK, Ipp32u, 1>,
      Of<NearestK, Ipp8u, 4>, Of<NearestK, Ipp16u, 4>, Of<NearestK, Ipp32u, 4>,
      Wide3or4<LinearK, Ipp8u>, Wide3or4<LinearK, Ipp16u>, Wide3or4<LinearK, Ipp32f>,
      Of<LinearK, Ipp8u, 1>, Of<LinearK, Ipp16u, 1>, Of<LinearK, Ipp32f, 1>,
      Wide3or4<CubicK, Ipp8u>, Wide3or4<CubicK, Ipp16u>, Wide3or4<CubicK, Ipp32f>,
      Of<CubicK, Ipp8u, 1>, Of<CubicK, Ipp16u, 1>, Of<CubicK, Ipp32f, 1>,
      Wide3or4<LanczosK, Ipp8u>, Wide3or4<LanczosK, Ipp16u>, Wide3or4<LanczosK, Ipp32f>,
      Of<LanczosK, Ipp8u, 1>, Of<LanczosK, Ipp16u, 1>, Of<LanczosK, Ipp32f, 1>,
      // The unreplicated Lanczos set computes the same sums wherever every
      // tap is inside the image; the replicating kernels serve for it.
      Wide3or4<LanczosK, Ipp8u>, Wide3or4<LanczosK, Ipp16u>, Wide3or4<LanczosK, Ipp32f>,
      Of<LanczosK, Ipp8u, 1>, Of<LanczosK, Ipp16u, 1>, Of<LanczosK, Ipp32f, 1>,
  };
};

template <Body B>
struct PlainOf {
  static constexpr ResizeKernel Fn = &Plain<B>;
};
template <Body B>
struct Avx2Of {
  static constexpr ResizeKernel Fn = &Avx2<B>;
};

}  // namespace

int ResizeKernelIndex(int interpolation, ResizeElement element, int channels) {
  const int e = static_cast<int>(element);
  switch (interpolation) {
    case 1: return e + (channels == 1 ? 3 : channels == 4 ? 6 : 0);
    case 2: return 9 + e + (channels == 1 ? 3 : 0);
    case 4: return 15 + e + (channels == 1 ? 3 : 0);
    case 16: return 21 + e + (channels == 1 ? 3 : 0);
    default: return -1;
  }
}

ResizeKernel ResizeKernelAt(int index, ResizeVariant variant) {
  if (index < 0 || index >= kResizeKernelCount) return nullptr;
  if (variant == ResizeVariant::best && ProcessorHasAvx2())
    return Table<Avx2Of, true>::entries[index];
  return Table<PlainOf, false>::entries[index];
}

}  // namespace tavrel
