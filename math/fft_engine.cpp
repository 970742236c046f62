// The complex engine: bit reversal, radix-4 transforms of up to 1024 points,
// blocked transforms of 1024 and 2048 points and split transforms beyond.
#include "math/fft_engine.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "math/kernel_heap.h"

namespace tavrel::kernels {
namespace {

struct Cx {
  double re, im;
};
inline Cx Add(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
inline Cx Sub(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
// w*z, or conj(w)*z for the inverse direction.
template <bool Inverse>
inline Cx Mul(Cx w, Cx z) {
  if constexpr (Inverse) return {w.re * z.re + w.im * z.im, w.re * z.im - w.im * z.re};
  return {w.re * z.re - w.im * z.im, w.im * z.re + w.re * z.im};
}
// -i*z forward, +i*z inverse.
template <bool Inverse>
inline Cx RotQuarter(Cx z) {
  if constexpr (Inverse) return {-z.im, z.re};
  return {z.im, -z.re};
}

inline Cx Load(const Ipp64fc* p) { return {p->re, p->im}; }
inline void Store(Ipp64fc* p, Cx v) { *p = {v.re, v.im}; }

template <bool Inverse>
inline void Butterfly4(Ipp64fc* x0, Ipp64fc* x1, Ipp64fc* x2, Ipp64fc* x3, Cx b0, Cx b1, Cx b2, Cx b3) {
  const Cx s01 = Add(b0, b1), d01 = Sub(b0, b1), s23 = Add(b2, b3);
  const Cx r23 = RotQuarter<Inverse>(Sub(b2, b3));
  Store(x0, Add(s01, s23));
  Store(x2, Sub(s01, s23));
  Store(x1, Add(d01, r23));
  Store(x3, Sub(d01, r23));
}

template <bool Inverse>
void Radix4(Ipp64fc* x, std::size_t L, const Ipp64fc* table) {
  for (std::size_t g = 0; g < L; g += 4)
    Butterfly4<Inverse>(x + g, x + g + 1, x + g + 2, x + g + 3, Load(x + g), Load(x + g + 1), Load(x + g + 2),
                        Load(x + g + 3));
  int l = 0;
  while ((std::size_t(1) << l) < L) ++l;
  std::size_t G = 16;
  if (l & 1) {
    const double c = table[3 * (L / 8)].re;  // cos(pi/4) from the table
    for (std::size_t g = 0; g < L; g += 8) {
      Ipp64fc* p = x + g;
      for (int j = 0; j < 4; ++j) {
        const Cx z = Load(p + j + 4);
        Cx t;
        if (j == 0) {
          t = z;
        } else if (j == 1) {
          t = Inverse ? Cx{c * (z.re - z.im), c * (z.re + z.im)} : Cx{c * (z.re + z.im), c * (z.im - z.re)};
        } else if (j == 2) {
          t = RotQuarter<Inverse>(z);
        } else {
          t = Inverse ? Cx{-c * (z.re + z.im), c * (z.re - z.im)} : Cx{-c * (z.re - z.im), -c * (z.re + z.im)};
        }
        const Cx a = Load(p + j);
        Store(p + j, Add(a, t));
        Store(p + j + 4, Sub(a, t));
      }
    }
    G = 32;
  }
  for (; G <= L; G *= 4) {
    const std::size_t S = G / 4, stride = 3 * (L / G);
    for (std::size_t g = 0; g < L; g += G) {
      Ipp64fc* p = x + g;
      Butterfly4<Inverse>(p, p + S, p + 2 * S, p + 3 * S, Load(p), Load(p + S), Load(p + 2 * S), Load(p + 3 * S));
      const Ipp64fc* w = table + stride;
      for (std::size_t j = 1; j < S; ++j, w += stride) {
        const Cx b1 = Mul<Inverse>(Load(w + 1), Load(p + j + S));
        const Cx b2 = Mul<Inverse>(Load(w), Load(p + j + 2 * S));
        const Cx b3 = Mul<Inverse>(Load(w + 2), Load(p + j + 3 * S));
        Butterfly4<Inverse>(p + j, p + j + S, p + j + 2 * S, p + j + 3 * S, Load(p + j), b1, b2, b3);
      }
    }
  }
}

template <bool Inverse>
inline void ScaleIfFlagged(const FFTSpec* spec, Ipp64fc* data, std::size_t points) {
  if (Inverse ? spec->inverseScale : spec->forwardScale)
    ScaleDoubles(spec->scaleFactor, &data->re, static_cast<std::ptrdiff_t>(2 * points));
}

template <bool Inverse>
void Blocked(const FFTSpec* spec, Ipp64fc* x, std::size_t L) {
  for (std::size_t b = L / 512; b-- > 0;) {
    Radix4<Inverse>(x + 512 * b, 512, spec->twiddles);
    ScaleIfFlagged<Inverse>(spec, x + 512 * b, 512);
  }
  const Ipp64fc* table = spec->combineTwiddles;
  for (std::size_t B = 512; B < L; B *= 2) {
    const std::size_t stride = L / (2 * B);
    for (std::size_t base = 0; base < L; base += 2 * B) {
      Ipp64fc* u = x + base;
      Ipp64fc* v = u + B;
      for (std::size_t k = 0; k < B / 2; ++k) {
        const Cx w = Load(table + k * stride);
        const Cx t = Mul<Inverse>(w, Load(v + k));
        const Cx a = Load(u + k);
        Store(u + k, Add(a, t));
        Store(v + k, Sub(a, t));
        const Cx q = RotQuarter<Inverse>(Mul<Inverse>(w, Load(v + k + B / 2)));
        const Cx a2 = Load(u + k + B / 2);
        Store(u + k + B / 2, Add(a2, q));
        Store(v + k + B / 2, Sub(a2, q));
      }
    }
  }
}

template <bool Inverse>
void Split(const FFTSpec* spec, Ipp64fc* x, int m, int level, Ipp64fc* work) {
  const int a = FFTSplitOrder(m), inner = m - a;
  const std::size_t R = std::size_t(1) << a, K = std::size_t(1) << inner;
  for (std::size_t p = 0; p < R; ++p) {
    Ipp64fc* block = x + p * K;
    if (inner <= 9) {
      Radix4<Inverse>(block, K, spec->twiddles);
      ScaleIfFlagged<Inverse>(spec, block, K);
    } else if (FFTSplitOrder(inner) > 0) {
      Split<Inverse>(spec, block, inner, level + 1, work);
    } else {
      Blocked<Inverse>(spec, block, K);
    }
  }
  const Ipp64fc* T = spec->columnTwiddles[level];
  const Ipp64fc* columnTable = spec->columnRadix4[level];
  for (std::size_t u = 0; u < K / 4; ++u) {
    Ipp64fc* column = x + 4 * u;
    for (std::size_t p = 0; p < R; ++p, T += 4) {
      for (std::size_t c = 0; c < 4; ++c) Store(work + c * R + p, Mul<Inverse>(Load(T + c), Load(column + p * K + c)));
    }
    for (std::size_t c = 0; c < 4; ++c) Radix4<Inverse>(work + c * R, R, columnTable);
    for (std::size_t p = 0; p < R; ++p) {
      for (std::size_t c = 0; c < 4; ++c) column[p * K + c] = work[c * R + p];
    }
  }
}

template <bool Inverse>
void Large(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work) {
  if (FFTSplitOrder(m) > 0) {
    Split<Inverse>(spec, data, m, 0, work);
  } else {
    Blocked<Inverse>(spec, data, std::size_t(1) << m);
  }
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
  const std::size_t M = std::size_t(1) << spec->order;
  if (src != dst) {
    BitReverseCopy(src, dst, M, spec->bitReversal);
  } else {
    BitReverseInPlace(dst, M, spec->bitReversal);
  }
  ComplexTransformInPlace(spec, dst, spec->order, area.get(), Inverse);
  return ippStsNoErr;
}

}  // namespace

FFTWorkArea::FFTWorkArea(const FFTSpec* spec, Ipp8u* work) {
  if (spec->workSize <= 0) return;
  if (work != nullptr) {
    const auto address = reinterpret_cast<std::uintptr_t>(work);
    area_ = reinterpret_cast<Ipp64fc*>(work + ((16 - address % 16) % 16));
    return;
  }
  owned_ = KernelAlloc(static_cast<std::size_t>(spec->workSize));
  area_ = static_cast<Ipp64fc*>(owned_);
  failed_ = owned_ == nullptr;
}

FFTWorkArea::~FFTWorkArea() { KernelFree(owned_); }

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

void FFTRadix4Forward(Ipp64fc* data, std::size_t points, const Ipp64fc* table) {
  Radix4<false>(data, points, table);
}
void FFTRadix4Inverse(Ipp64fc* data, std::size_t points, const Ipp64fc* table) {
  Radix4<true>(data, points, table);
}
void FFTLargeForward(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work) { Large<false>(spec, data, m, work); }
void FFTLargeInverse(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work) { Large<true>(spec, data, m, work); }

void ComplexTransformInPlace(const FFTSpec* spec, Ipp64fc* data, int m, Ipp64fc* work, bool inverse) {
  const std::size_t M = std::size_t(1) << m;
  if (m > 9) {
    if (inverse) {
      Large<true>(spec, data, m, work);
    } else {
      Large<false>(spec, data, m, work);
    }
    return;
  }
  if (inverse) {
    Radix4<true>(data, M, spec->twiddles);
    ScaleIfFlagged<true>(spec, data, M);
  } else {
    Radix4<false>(data, M, spec->twiddles);
    ScaleIfFlagged<false>(spec, data, M);
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
