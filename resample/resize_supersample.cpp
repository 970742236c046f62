// Area-averaging resize: each destination pixel is the mean of the source
// pixels under its box, partly covered pixels weighted by the covered part.
// Rows of a box are summed into one accumulation row, then the accumulation
// row is summed box by box across.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <type_traits>

#include "math/elementwise.h"
#include "resample/resize_work.h"

namespace tavrel {
namespace {

#define TAVREL_INLINE [[gnu::always_inline]] inline

// Box n along one axis covers source units first..last; the end units are
// weighted by their covered part, the ones between count fully. `scale` is
// one over the covered length: the factor itself for a full box, more when
// the box was clipped to the region.
struct Box {
  int first, last;
  double firstWeight, lastWeight;
  double scale;
};

// Box edges at n*u, an edge within the tolerance of a whole unit taken as
// that unit, so slivers are never counted on their own.
double Edge(double e) {
  const double r = std::round(e);
  return std::fabs(e - r) <= kResizeTolerance ? r : e;
}

// True when every box is a whole number of units (the integer path).
bool WholeBoxes(double factor) {
  const double u = 1.0 / factor;
  return std::fabs(u - std::round(u)) <= kResizeTolerance;
}

void MakeBoxes(int count, int clipped, double factor, Box* boxes) {
  const double u = 1.0 / factor;
  const bool whole = WholeBoxes(factor);
  const double unit = whole ? std::round(u) : u;
  for (int n = 0; n < count; ++n) {
    const double start = Edge(n * unit);
    double end = Edge((n + 1) * unit);
    const bool clippedBox = end > clipped;
    if (clippedBox) end = clipped;
    Box& b = boxes[n];
    b.first = static_cast<int>(std::floor(start));
    b.last = std::max(b.first, static_cast<int>(std::ceil(end)) - 1);
    if (b.first == b.last) {
      b.firstWeight = b.lastWeight = end - start;
    } else {
      b.firstWeight = b.first + 1 - start;
      b.lastWeight = end - b.last;
    }
    b.scale = clippedBox ? 1.0 / (end - start) : factor;
  }
}

template <class T>
TAVREL_INLINE T StoreAverage(double v) {
  if constexpr (std::is_same_v<T, float>) {
    return static_cast<float>(v);
  } else {
    // trunc(v + 0.5) clamped to the element range; clamping first gives
    // the same and keeps the conversion defined.
    constexpr double top = sizeof(T) == 1 ? 255.0 : 65535.0;
    double r = v + 0.5;
    r = r >= 0.0 ? r : 0.0;  // NaN too
    r = r <= top ? r : top;
    return static_cast<T>(static_cast<int>(r));
  }
}

struct SuperArgs {
  const char* src;  // region origin
  char* dst;
  std::ptrdiff_t srcStep, dstStep;  // bytes
  int width, height, used;          // destination size, accumulated columns
  const Box* cols;
  const Box* rows;
  void* acc;
  std::int32_t* sums;  // one row of box sums when every box sum fits in int32, else null
  double xFactor;
  bool halves;  // both factors exactly 1/2: whole 2 x 2 boxes read straight from the rows
  bool avx2;    // the AVX2 passes of halves may run
};

// ---- exact halves: (a + b + c + d + 2) >> 2 per 2 x 2 box ----
//
// The same value as the accumulation row and the shifted store give for a
// box of scale 1/4, read straight from the two source rows.

// (top pairs + bottom pairs + 2) >> 2 of 16 byte pairs, as 16-bit values.
[[gnu::target("avx2")]] inline __m256i Boxes(__m256i top, __m256i bottom) {
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i sum = _mm256_add_epi16(_mm256_maddubs_epi16(top, ones), _mm256_maddubs_epi16(bottom, ones));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(2)), 2);
}
template <class E>
[[gnu::target("avx2")]] inline __m256i Load(const E* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
// Bytes 0..15 in the low lane, 12..27 in the high one.
[[gnu::target("avx2")]] inline __m256i Load12(const std::uint8_t* p) {
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 12), reinterpret_cast<const __m128i*>(p));
}

// 8-bit pixels, AVX2: byte pairs summed by a multiply-add with ones.
// Returns how many of the `count` boxes were done.
template <int C>
[[gnu::target("avx2")]] std::ptrdiff_t HalvesU8Avx2(const std::uint8_t* s0, const std::uint8_t* s1,
                                                    std::uint8_t* d, std::ptrdiff_t count) {
  std::ptrdiff_t x = 0;
  if constexpr (C == 1) {
    for (; x + 16 <= count; x += 16) {
      const __m256i t = Boxes(Load(s0 + 2 * x), Load(s1 + 2 * x));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x),
                       _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi16(t, t), 0x08)));
    }
  } else if constexpr (C == 4) {
    // Channel by channel side by side: p0c0 p1c0 p0c1 p1c1 ...
    const __m256i order = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4, 1, 5, 2, 6,
                                           3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    for (; x + 8 <= count; x += 8) {
      const std::uint8_t* p = s0 + 8 * x;
      const std::uint8_t* q = s1 + 8 * x;
      const __m256i t1 = Boxes(_mm256_shuffle_epi8(Load(p), order), _mm256_shuffle_epi8(Load(q), order));
      const __m256i t2 =
          Boxes(_mm256_shuffle_epi8(Load(p + 32), order), _mm256_shuffle_epi8(Load(q + 32), order));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x),
                          _mm256_permute4x64_epi64(_mm256_packus_epi16(t1, t2), 0xD8));
    }
  } else {
    // Four boxes: bytes 0..11 in the low lane, 12..23 in the high one.
    const __m256i order = _mm256_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1, 0, 3, 1, 4, 2, 5,
                                           6, 9, 7, 10, 8, 11, -1, -1, -1, -1);
    // The high lane reads 4 bytes past the boxes and the second store
    // writes 2 past: both stay inside the row's boxes before the end.
    for (; 6 * x + 28 <= 6 * count; x += 4) {
      const __m256i t = Boxes(_mm256_shuffle_epi8(Load12(s0 + 6 * x), order),
                              _mm256_shuffle_epi8(Load12(s1 + 6 * x), order));
      const __m256i b = _mm256_packus_epi16(t, t);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 3 * x), _mm256_castsi256_si128(b));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 3 * x + 6), _mm256_extracti128_si256(b, 1));
    }
  }
  return x;
}

// One-channel 16-bit pixels, AVX2: a box's two values are one 32-bit
// lane of each row. The multiply-add is signed, so it sums the values less
// 32768 and the four 32768s are added back.
[[gnu::target("avx2")]] inline __m256i BoxesU16(__m256i top, __m256i bottom) {
  const __m256i less = _mm256_set1_epi16(-32768), ones = _mm256_set1_epi16(1);
  const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(_mm256_xor_si256(top, less), ones),
                                       _mm256_madd_epi16(_mm256_xor_si256(bottom, less), ones));
  return _mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(4 * 32768 + 2)), 2);
}

[[gnu::target("avx2")]] std::ptrdiff_t HalvesU16C1Avx2(const std::uint16_t* s0, const std::uint16_t* s1,
                                                       std::uint16_t* d, std::ptrdiff_t count) {
  std::ptrdiff_t x = 0;
  for (; x + 16 <= count; x += 16) {
    const __m256i first = BoxesU16(Load(s0 + 2 * x), Load(s1 + 2 * x));
    const __m256i second = BoxesU16(Load(s0 + 2 * x + 16), Load(s1 + 2 * x + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x),
                        _mm256_permute4x64_epi64(_mm256_packus_epi32(first, second), 0xD8));
  }
  return x;
}

template <class T, int C>
TAVREL_INLINE void Halves(const T* __restrict s0, const T* __restrict s1, T* __restrict d, std::ptrdiff_t count,
                          bool avx2) {
  std::ptrdiff_t x = 0;
  if constexpr (sizeof(T) == 1)
    if (avx2) x = HalvesU8Avx2<C>(s0, s1, d, count);
  if constexpr (sizeof(T) == 2 && C == 1)
    if (avx2) x = HalvesU16C1Avx2(s0, s1, d, count);
  for (; x < count; ++x)
    for (int c = 0; c < C; ++c) {
      const std::ptrdiff_t e = 2 * x * C + c;
      d[x * C + c] = static_cast<T>((std::uint32_t{s0[e]} + s0[e + C] + s1[e] + s1[e + C] + 2) >> 2);
    }
}

// Sums of `count` whole boxes of `width` units each (kWidth when known at
// compile time), box m starting at unit m * width.
template <class Acc, int C, int kWidth>
TAVREL_INLINE void WholeBoxSums(const Acc* __restrict acc, std::int32_t* __restrict sums, int count,
                                int width) {
  const int u = kWidth ? kWidth : width;
  for (std::ptrdiff_t m = 0; m < count; ++m)
    for (int c = 0; c < C; ++c) {
      Acc sum = 0;
      for (int q = 0; q < u; ++q) sum += acc[(m * u + q) * C + c];
      sums[m * C + c] = static_cast<std::int32_t>(sum);
    }
}

// Four channels of one pixel as a vector.
template <class A>
struct FourLanes;
template <>
struct FourLanes<std::uint8_t> {
  typedef std::uint8_t type __attribute__((vector_size(4)));
};
template <>
struct FourLanes<std::uint16_t> {
  typedef std::uint16_t type __attribute__((vector_size(8)));
};
template <>
struct FourLanes<std::uint32_t> {
  typedef std::uint32_t type __attribute__((vector_size(16)));
};

// The same boxes stored straight away when the scale is 2^-shift: then
// trunc(sum * scale + 0.5) is exactly (sum + 2^(shift-1)) >> shift.
template <class T, class Acc, int C, int kWidth>
TAVREL_INLINE void WholeBoxShifted(const Acc* __restrict acc, T* __restrict d, int count, int width,
                                   int shift) {
  const int u = kWidth ? kWidth : width;
  const std::uint32_t half = (1u << shift) >> 1;
  constexpr std::uint32_t top = sizeof(T) == 1 ? 255 : 65535;
  if constexpr (C >= 3 && sizeof(Acc) <= 4) {
    // A pixel's channels side by side in one vector; three-channel pixels
    // read one sum past the pixel (the accumulation row has room for it).
    using V = std::uint32_t __attribute__((vector_size(16)));
    const V h = {half, half, half, half}, t = {top, top, top, top};
    for (std::ptrdiff_t m = 0; m < count; ++m) {
      V sum = {0, 0, 0, 0};
      for (int q = 0; q < u; ++q) {
        typename FourLanes<Acc>::type px;
        std::memcpy(&px, acc + (m * u + q) * C, sizeof px);
        sum += __builtin_convertvector(px, V);
      }
      V v = (sum + h) >> shift;
      v = v < t ? v : t;
      const typename FourLanes<T>::type out = __builtin_convertvector(v, typename FourLanes<T>::type);
      std::memcpy(d + m * C, &out, C * sizeof(T));
    }
    return;
  }
  for (std::ptrdiff_t m = 0; m < count; ++m)
    for (int c = 0; c < C; ++c) {
      std::uint32_t sum = 0;
      for (int q = 0; q < u; ++q) sum += acc[(m * u + q) * C + c];
      const std::uint32_t v = (sum + half) >> shift;
      d[m * C + c] = static_cast<T>(v < top ? v : top);
    }
}

// The power of two that x is, or -1.
int PowerOfTwoShift(double x) {
  int e;
  const double mantissa = std::frexp(x, &e);
  return mantissa == 0.5 && e <= 1 && e > -31 ? 1 - e : -1;
}

// Boxes from x on, one by one, from the accumulation row.
template <class T, class Acc, int C>
TAVREL_INLINE void StorePartBoxes(const SuperArgs& a, const Acc* acc, T* d, std::ptrdiff_t x, const Box& rb) {
  for (; x < a.width; ++x) {
    const Box& cb = a.cols[x];
    const double k = cb.scale * rb.scale;
    for (int c = 0; c < C; ++c) {
      std::uint64_t sum = 0;
      for (std::ptrdiff_t q = cb.first; q <= cb.last; ++q) sum += acc[q * C + c];
      d[x * C + c] = StoreAverage<T>(static_cast<double>(static_cast<std::int64_t>(sum)) * k);
    }
  }
}

// Whole boxes on integer pixels: exact integer sums.
template <class T, class Acc, int C>
TAVREL_INLINE void SuperInteger(const SuperArgs& a) {
  Acc* __restrict acc = static_cast<Acc*>(a.acc);
  const std::ptrdiff_t n = std::ptrdiff_t{a.used} * C;
  // Boxes the region does not clip all scale by the same factor: those
  // columns are stored in one pass over the row of box sums.
  int full = 0;
  while (full < a.width && a.cols[full].scale == a.xFactor) ++full;
  const int unit = a.cols[0].last - a.cols[0].first + 1;
  for (int y = 0; y < a.height; ++y) {
    const Box& rb = a.rows[y];
    const T* __restrict first = reinterpret_cast<const T*>(a.src + rb.first * a.srcStep);
    T* d = reinterpret_cast<T*>(a.dst + y * a.dstStep);
    if (a.halves && rb.scale == 0.5 && rb.last == rb.first + 1) {
      const T* __restrict second = reinterpret_cast<const T*>(a.src + rb.last * a.srcStep);
      Halves<T, C>(first, second, d, full, a.avx2);
      // A last box the region cuts off goes the general way.
      for (std::ptrdiff_t e = std::ptrdiff_t{2} * full * C; e < n; ++e) acc[e] = Acc(first[e] + second[e]);
      StorePartBoxes<T, Acc, C>(a, acc, d, full, rb);
      continue;
    }
    // The first row sets the sums, the others add to them.
    for (std::ptrdiff_t e = 0; e < n; ++e) acc[e] = first[e];
    for (int r = rb.first + 1; r <= rb.last; ++r) {
      const T* __restrict s = reinterpret_cast<const T*>(a.src + r * a.srcStep);
      for (std::ptrdiff_t e = 0; e < n; ++e) acc[e] += s[e];
    }
    std::ptrdiff_t x = 0;
    const int shift = a.sums ? PowerOfTwoShift(a.xFactor * rb.scale) : -1;
    if (shift >= 0) {
      switch (unit) {
        case 1: WholeBoxShifted<T, Acc, C, 1>(acc, d, full, unit, shift); break;
        case 2: WholeBoxShifted<T, Acc, C, 2>(acc, d, full, unit, shift); break;
        case 4: WholeBoxShifted<T, Acc, C, 4>(acc, d, full, unit, shift); break;
        default: WholeBoxShifted<T, Acc, C, 0>(acc, d, full, unit, shift); break;
      }
      x = full;
    } else if (a.sums) {
      std::int32_t* __restrict sums = a.sums;
      switch (unit) {
        case 1: WholeBoxSums<Acc, C, 1>(acc, sums, full, unit); break;
        case 2: WholeBoxSums<Acc, C, 2>(acc, sums, full, unit); break;
        case 3: WholeBoxSums<Acc, C, 3>(acc, sums, full, unit); break;
        case 4: WholeBoxSums<Acc, C, 4>(acc, sums, full, unit); break;
        default: WholeBoxSums<Acc, C, 0>(acc, sums, full, unit); break;
      }
      const double k = a.xFactor * rb.scale;
      for (std::ptrdiff_t e = 0; e < std::ptrdiff_t{full} * C; ++e) d[e] = StoreAverage<T>(static_cast<double>(sums[e]) * k);
      x = full;
    }
    StorePartBoxes<T, Acc, C>(a, acc, d, x, rb);
  }
}

// Partly covered boxes: weighted sums. The column sums are floats while
// they stay exact for whole pixels (up to 2^24), doubles for taller boxes;
// the box sums across are doubles.
template <class T, class Acc, int C>
TAVREL_INLINE void SuperFloat(const SuperArgs& a) {
  Acc* __restrict acc = static_cast<Acc*>(a.acc);
  const std::ptrdiff_t n = std::ptrdiff_t{a.used} * C;
  for (int y = 0; y < a.height; ++y) {
    const Box& rb = a.rows[y];
    std::memset(acc, 0, sizeof(Acc) * n);
    for (int r = rb.first; r <= rb.last; ++r) {
      const T* __restrict s = reinterpret_cast<const T*>(a.src + r * a.srcStep);
      const Acc w = static_cast<Acc>(r == rb.first ? rb.firstWeight : r == rb.last ? rb.lastWeight : 1.0);
      if (w == Acc{1}) {
        for (std::ptrdiff_t e = 0; e < n; ++e) acc[e] += static_cast<Acc>(s[e]);
      } else {
        for (std::ptrdiff_t e = 0; e < n; ++e) acc[e] += w * static_cast<Acc>(s[e]);
      }
    }
    T* d = reinterpret_cast<T*>(a.dst + y * a.dstStep);
    for (std::ptrdiff_t x = 0; x < a.width; ++x) {
      const Box& cb = a.cols[x];
      const double k = cb.scale * rb.scale;
      for (int c = 0; c < C; ++c) {
        double sum = cb.firstWeight * acc[cb.first * C + c];
        if (cb.first != cb.last) {
          for (std::ptrdiff_t q = cb.first + 1; q < cb.last; ++q) sum += acc[q * C + c];
          sum += cb.lastWeight * acc[cb.last * C + c];
        }
        d[x * C + c] = StoreAverage<T>(sum * k);
      }
    }
  }
}

using Body = void (*)(const SuperArgs&);

template <Body B>
void Plain(const SuperArgs& a) {
  B(a);
}
template <Body B>
[[gnu::target("avx2")]] void Avx2(const SuperArgs& a) {
  B(a);
}

template <Body B>
Body Pick(ResizeVariant v) {
  return v == ResizeVariant::best && ProcessorHasAvx2() ? &Avx2<B> : &Plain<B>;
}

template <int C>
Body Select(ResizeElement e, bool integer, bool wide, bool narrow, ResizeVariant v) {
  if (integer) {
    if (e == ResizeElement::u8)
      return wide    ? Pick<&SuperInteger<Ipp8u, std::uint64_t, C>>(v)
             : narrow ? Pick<&SuperInteger<Ipp8u, std::uint16_t, C>>(v)
                      : Pick<&SuperInteger<Ipp8u, std::uint32_t, C>>(v);
    return wide ? Pick<&SuperInteger<Ipp16u, std::uint64_t, C>>(v)
                : Pick<&SuperInteger<Ipp16u, std::uint32_t, C>>(v);
  }
  if (e == ResizeElement::u8)
    return wide ? Pick<&SuperFloat<Ipp8u, double, C>>(v) : Pick<&SuperFloat<Ipp8u, float, C>>(v);
  if (e == ResizeElement::u16)
    return wide ? Pick<&SuperFloat<Ipp16u, double, C>>(v) : Pick<&SuperFloat<Ipp16u, float, C>>(v);
  return wide ? Pick<&SuperFloat<Ipp32f, double, C>>(v) : Pick<&SuperFloat<Ipp32f, float, C>>(v);
}

}  // namespace

IppStatus ResizeSupersample(const ResizeImage& m, ResizeElement element, int channels,
                            const ResizeOptions& options) {
  if (IppStatus s = CheckResizeArguments(m); s != ippStsNoErr) return s;
  // Boxes narrower than a source pixel are not area averages; the entry
  // points send such factors to the general driver.
  if (m.xFactor > 1.0 || m.yFactor > 1.0) return ippStsResizeFactorErr;
  const IppiRect roi = ClipRegion(m);
  int width, height;
  if (!EffectiveLength(m.dstRoiSize.width, roi.width, m.xFactor, width) ||
      !EffectiveLength(m.dstRoiSize.height, roi.height, m.yFactor, height))
    return ippStsResizeNoOperationErr;

  const int esize = ElementSize(element);
  WorkBlocks blocks(options.allocator);
  Box* cols = blocks.Take<Box>(width);
  Box* rows = blocks.Take<Box>(height);
  if (!cols || !rows) return ippStsMemAllocErr;
  MakeBoxes(width, roi.width, m.xFactor, cols);
  MakeBoxes(height, roi.height, m.yFactor, rows);

  const bool integer = element != ResizeElement::f32 && WholeBoxes(m.xFactor) &&
                       WholeBoxes(m.yFactor);
  // Column sums: 32-bit integers hold any box up to 2^32 / top rows, floats
  // keep whole-pixel sums exact up to 2^24 (taken as 256 rows for floats).
  const double rowsPerBox = std::ceil(1.0 / m.yFactor) + 1.0;
  const double top = element == ResizeElement::u8 ? 255.0 : element == ResizeElement::u16 ? 65535.0 : 65536.0;
  const bool wide = rowsPerBox * top > (integer ? 4294967295.0 : 16777216.0);
  const int used = cols[width - 1].last + 1;
  // 8-bit boxes of up to 257 rows sum in 16 bits: half the traffic.
  const bool narrow = integer && element == ResizeElement::u8 && rowsPerBox * top <= 65535.0;
  const std::size_t accSize = wide ? 8 : narrow ? 2 : 4;
  void* acc = blocks.Take<char>((static_cast<std::size_t>(used) * channels + 1) * accSize);
  if (!acc) return ippStsMemAllocErr;
  // Integer box sums below 2^31 go through one int32 row per destination row.
  std::int32_t* sums = nullptr;
  if (integer && std::round(1.0 / m.xFactor) * std::round(1.0 / m.yFactor) * top < 2147483647.0) {
    sums = blocks.Take<std::int32_t>(static_cast<std::size_t>(width) * channels);
    if (!sums) return ippStsMemAllocErr;
  }

  SuperArgs a{};
  a.src = static_cast<const char*>(m.src) + static_cast<std::ptrdiff_t>(roi.y) * m.srcStep +
          static_cast<std::ptrdiff_t>(roi.x) * channels * esize;
  a.dst = static_cast<char*>(m.dst);
  a.srcStep = m.srcStep;
  a.dstStep = m.dstStep;
  a.width = width;
  a.height = height;
  a.used = used;
  a.cols = cols;
  a.rows = rows;
  a.acc = acc;
  a.sums = sums;
  a.xFactor = m.xFactor;
  a.halves = integer && sums && m.xFactor == 0.5 && m.yFactor == 0.5;
  a.avx2 = options.variant == ResizeVariant::best && ProcessorHasAvx2();
  const Body run = channels == 1   ? Select<1>(element, integer, wide, narrow, options.variant)
                   : channels == 3 ? Select<3>(element, integer, wide, narrow, options.variant)
                                   : Select<4>(element, integer, wide, narrow, options.variant);
  run(a);
  return ippStsNoErr;
}

}  // namespace tavrel
