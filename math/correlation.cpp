// Auto- and cross-correlation of real and complex signals: direct sums in
// long double for short work, FFTs beyond the thresholds.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "math/convolution.h"
#include "math/elementwise.h"
#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/fft_scratch.h"

namespace tavrel::kernels {
namespace {

// Sum of conj(a[i]) * b[i] (plain product for reals), in long double.
struct RealSum {
  long double v = 0.0L;
  void Add(Ipp64f a, Ipp64f b) { v += static_cast<long double>(a) * b; }
  Ipp64f Get() const { return static_cast<Ipp64f>(v); }
};
struct ComplexSum {
  long double re = 0.0L, im = 0.0L;
  void Add(const Ipp64fc& a, const Ipp64fc& b) {
    const long double ar = a.re, ai = a.im;
    re += ar * b.re + ai * b.im;
    im += ar * b.im - ai * b.re;
  }
  Ipp64fc Get() const { return {static_cast<Ipp64f>(re), static_cast<Ipp64f>(im)}; }
};

template <typename T>
struct Traits;
template <>
struct Traits<Ipp64f> {
  using Sum = RealSum;
  static constexpr std::size_t kAutoDirectBelow = 600;
  static Ipp64f Zero() { return 0.0; }
};
template <>
struct Traits<Ipp64fc> {
  using Sum = ComplexSum;
  static constexpr std::size_t kAutoDirectBelow = 96;
  static Ipp64fc Zero() { return {0.0, 0.0}; }
};

// dst[j] = sum over the overlap of conj(a[i]) * b[lag + j + i], lags first .. first+count-1.
template <typename T>
void DirectLags(const T* a, std::int64_t la, const T* b, std::int64_t lb, std::int64_t first, std::size_t count,
                T* dst) {
  for (std::size_t j = 0; j < count; ++j) {
    const std::int64_t k = first + static_cast<std::int64_t>(j);
    const std::int64_t lo = std::max<std::int64_t>(0, -k), hi = std::min(la - 1, lb - 1 - k);
    typename Traits<T>::Sum sum;
    for (std::int64_t i = lo; i <= hi; ++i) sum.Add(a[i], b[k + i]);
    dst[j] = sum.Get();
  }
}

// Real and complex FFT plumbing with one interface.
struct RealFFT {
  using T = Ipp64f;
  static IppStatus Forward(T* data, const FFTSpec* spec, Ipp8u* work) {
    return RealFFTForwardPack(data, data, spec, work);
  }
  static IppStatus Inverse(const T* src, T* dst, const FFTSpec* spec, Ipp8u* work) {
    return RealFFTInversePack(src, dst, spec, work);
  }
  // srcDst := src * conj(srcDst)
  static void MulConj(const T* src, T* srcDst, std::size_t N) { MulPackConj(src, srcDst, static_cast<int>(N)); }
};
struct ComplexFFT {
  using T = Ipp64fc;
  static IppStatus Forward(T* data, const FFTSpec* spec, Ipp8u* work) {
    return ippsFFTFwd_CToC_64fc(data, data, spec, work);
  }
  static IppStatus Inverse(const T* src, T* dst, const FFTSpec* spec, Ipp8u* work) {
    return ippsFFTInv_CToC_64fc(src, dst, spec, work);
  }
  // src may be srcDst (|X|^2 with imaginary parts exactly 0).
  static void MulConj(const T* src, T* srcDst, std::size_t N) {
    for (std::size_t i = 0; i < N; ++i) {
      const Ipp64f a = src[i].re, b = src[i].im, c = srcDst[i].re, d = -srcDst[i].im;
      srcDst[i] = {a * c - b * d, a * d + b * c};
    }
  }
};

template <typename T>
using FFTOf = std::conditional_t<std::is_same_v<T, Ipp64f>, RealFFT, ComplexFFT>;

template <typename T>
IppStatus AutoCorr(const T* src, int srcLen, T* dst, int dstLen) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (srcLen <= 0 || dstLen <= 0) return ippStsSizeErr;
  const std::size_t n = static_cast<std::size_t>(srcLen), m = std::min(n, static_cast<std::size_t>(dstLen));
  if (m < Traits<T>::kAutoDirectBelow) {
    DirectLags(src, srcLen, src, srcLen, 0, m, dst);
    std::fill(dst + m, dst + dstLen, Traits<T>::Zero());
    return ippStsNoErr;
  }
  using F = FFTOf<T>;
  FFTScratch<T> s;
  if (const IppStatus status = s.Create(OrderAtLeast(2 * n, 2), 1); status != ippStsNoErr) return status;
  T* x = s.data.get();
  std::copy(src, src + n, x);
  std::fill(x + n, x + s.N, Traits<T>::Zero());
  IppStatus status = F::Forward(x, s.spec.get(), s.work.get());
  if (status != ippStsNoErr) return status;
  F::MulConj(x, x, s.N);  // |X|^2
  status = F::Inverse(x, x, s.spec.get(), s.work.get());
  if (status != ippStsNoErr) return status;
  std::copy(x, x + m, dst);
  std::fill(dst + m, dst + dstLen, Traits<T>::Zero());
  return ippStsNoErr;
}

template <typename T>
IppStatus CrossCorr(const T* src1, int len1, const T* src2, int len2, T* dst, int dstLen, int lowLag) {
  if (src1 == nullptr || src2 == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len1 <= 0 || len2 <= 0 || dstLen <= 0) return ippStsSizeErr;
  const std::int64_t la = len1, lb = len2;
  // Lags without overlap are zeros: those at or below -len1, and from len2 on.
  std::int64_t first = lowLag;
  std::size_t head = 0, remaining = static_cast<std::size_t>(dstLen);
  if (first <= -la) {
    head = static_cast<std::size_t>(std::min<std::int64_t>(-la - first + 1, dstLen));
    remaining -= head;
    first = 1 - la;
  }
  const std::size_t count =
      std::min<std::size_t>(remaining, static_cast<std::size_t>(std::max<std::int64_t>(0, lb - first)));
  std::fill(dst, dst + head, Traits<T>::Zero());
  std::fill(dst + head + count, dst + dstLen, Traits<T>::Zero());
  if (count == 0) return ippStsNoErr;
  T* out = dst + head;
  const double q = static_cast<double>(count) * static_cast<double>(std::min(la, lb)) /
                   static_cast<double>(std::max(la, lb));
  if (static_cast<std::int64_t>(q) < 512) {
    DirectLags(src1, la, src2, lb, first, count, out);
    return ippStsNoErr;
  }
  using F = FFTOf<T>;
  FFTScratch<T> s;
  if (const IppStatus status = s.Create(OrderAtLeast(static_cast<std::size_t>(la + lb - 1), 1), 2);
      status != ippStsNoErr)
    return status;
  T* a = s.data.get();
  T* b = a + s.N;
  // a = src1, b = src2 delayed by len1 - 1: element t of the result is lag t - (len1 - 1).
  std::copy(src1, src1 + la, a);
  std::fill(a + la, a + s.N, Traits<T>::Zero());
  std::fill(b, b + (la - 1), Traits<T>::Zero());
  std::copy(src2, src2 + lb, b + (la - 1));
  std::fill(b + (la - 1 + lb), b + s.N, Traits<T>::Zero());
  IppStatus status = F::Forward(a, s.spec.get(), s.work.get());
  if (status == ippStsNoErr) status = F::Forward(b, s.spec.get(), s.work.get());
  if (status != ippStsNoErr) return status;
  F::MulConj(b, a, s.N);  // B * conj(A), into a
  status = F::Inverse(a, b, s.spec.get(), s.work.get());
  if (status != ippStsNoErr) return status;
  std::copy(b + (first + la - 1), b + (first + la - 1) + count, out);
  return ippStsNoErr;
}

// The normalisations treat a complex output as 2 * m doubles; runs of at most
// 2^30 keep the element-wise kernels' int lengths valid.
constexpr std::size_t kRun = std::size_t(1) << 30;

template <typename T>
IppStatus NormA(const T* src, int srcLen, T* dst, int dstLen) {
  const IppStatus status = AutoCorr(src, srcLen, dst, dstLen);
  if (status < 0) return status;
  const std::size_t n = static_cast<std::size_t>(std::min(srcLen, dstLen)) * (sizeof(T) / sizeof(Ipp64f));
  auto* values = reinterpret_cast<Ipp64f*>(dst);
  for (std::size_t at = 0; at < n; at += kRun)
    ippsMulC_64f_I(1.0 / srcLen, values + at, static_cast<int>(std::min(kRun, n - at)));
  return status;
}

template <typename T>
IppStatus NormB(const T* src, int srcLen, T* dst, int dstLen) {
  const IppStatus status = AutoCorr(src, srcLen, dst, dstLen);
  if (status < 0) return status;
  constexpr std::size_t parts = sizeof(T) / sizeof(Ipp64f);
  const std::size_t m = static_cast<std::size_t>(std::min(srcLen, dstLen)), n = m * parts;
  auto divisors = AllocKernelArray<Ipp64f>(n);
  if (!divisors) return ippStsMemAllocErr;
  for (std::size_t k = 0; k < m; ++k)
    for (std::size_t p = 0; p < parts; ++p) divisors[k * parts + p] = static_cast<Ipp64f>(srcLen - static_cast<int>(k));
  auto* values = reinterpret_cast<Ipp64f*>(dst);
  for (std::size_t at = 0; at < n; at += kRun)
    ippsDiv_64f_I(divisors.get() + at, values + at, static_cast<int>(std::min(kRun, n - at)));
  return status;
}

}  // namespace

IppStatus ippsAutoCorr_64f(const Ipp64f* src, int srcLen, Ipp64f* dst, int dstLen) {
  return AutoCorr(src, srcLen, dst, dstLen);
}
IppStatus ippsAutoCorr_NormA_64f(const Ipp64f* src, int srcLen, Ipp64f* dst, int dstLen) {
  return NormA(src, srcLen, dst, dstLen);
}
IppStatus ippsAutoCorr_NormB_64f(const Ipp64f* src, int srcLen, Ipp64f* dst, int dstLen) {
  return NormB(src, srcLen, dst, dstLen);
}
IppStatus ippsCrossCorr_64f(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2, Ipp64f* dst, int dstLen,
                            int lowLag) {
  return CrossCorr(src1, len1, src2, len2, dst, dstLen, lowLag);
}
IppStatus ippsAutoCorr_64fc(const Ipp64fc* src, int srcLen, Ipp64fc* dst, int dstLen) {
  return AutoCorr(src, srcLen, dst, dstLen);
}
IppStatus ippsAutoCorr_NormA_64fc(const Ipp64fc* src, int srcLen, Ipp64fc* dst, int dstLen) {
  return NormA(src, srcLen, dst, dstLen);
}
IppStatus ippsAutoCorr_NormB_64fc(const Ipp64fc* src, int srcLen, Ipp64fc* dst, int dstLen) {
  return NormB(src, srcLen, dst, dstLen);
}
IppStatus ippsCrossCorr_64fc(const Ipp64fc* src1, int len1, const Ipp64fc* src2, int len2, Ipp64fc* dst,
                             int dstLen, int lowLag) {
  return CrossCorr(src1, len1, src2, len2, dst, dstLen, lowLag);
}

}  // namespace tavrel::kernels
