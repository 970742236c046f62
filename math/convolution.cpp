// Linear convolution: direct sums for short work, one real FFT when the
// operands are of similar length, overlap-save blocks against a short one.
#include <algorithm>
#include <cstring>

#include "math/convolution.h"
#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/kernel_heap.h"

namespace tavrel::kernels {
namespace {

// dst[n] = sum over i of A[n - i] * B[i] in increasing i, in long double;
// four outputs per pass where B lies wholly inside A.
void DirectConvolution(const Ipp64f* A, std::size_t LA, const Ipp64f* B, std::size_t LB, Ipp64f* dst) {
  const std::size_t len = LA + LB - 1;
  auto single = [&](std::size_t n) {
    const std::size_t lo = n + 1 > LA ? n + 1 - LA : 0, hi = std::min(LB - 1, n);
    long double sum = 0.0L;
    for (std::size_t i = lo; i <= hi; ++i) sum += static_cast<long double>(A[n - i]) * B[i];
    dst[n] = static_cast<double>(sum);
  };
  std::size_t n = 0;
  for (; n < LB - 1; ++n) single(n);
  for (; n + 4 <= LA; n += 4) {  // outputs n .. n+3 all use i = 0 .. LB-1
    long double s0 = 0.0L, s1 = 0.0L, s2 = 0.0L, s3 = 0.0L;
    for (std::size_t i = 0; i < LB; ++i) {
      const long double b = B[i];
      const Ipp64f* a = A + n - i;
      s0 += b * a[0];
      s1 += b * a[1];
      s2 += b * a[2];
      s3 += b * a[3];
    }
    dst[n] = static_cast<double>(s0);
    dst[n + 1] = static_cast<double>(s1);
    dst[n + 2] = static_cast<double>(s2);
    dst[n + 3] = static_cast<double>(s3);
  }
  for (; n < len; ++n) single(n);
}

int OrderAtLeast(std::size_t n, int lowest) {
  int order = lowest;
  while ((std::size_t(1) << order) < n) ++order;
  return order;
}

IppStatus RealSpecAndWork(int order, FFTSpecPtr& spec, int& workSize) {
  if (order > kFFTMaxOrder) return ippStsMemAllocErr;  // data beyond any spec we can hold
  FFTSpec* raw = nullptr;
  const IppStatus status = ippsFFTInitAlloc_R_64f(&raw, order, 2, ippAlgHintNone);
  if (status != ippStsNoErr) return status;
  spec.reset(raw);
  return RealFFTGetBufSize(raw, &workSize);
}

IppStatus SingleTransform(const Ipp64f* A, std::size_t LA, const Ipp64f* B, std::size_t LB, Ipp64f* dst) {
  const std::size_t len = LA + LB - 1;
  const int order = OrderAtLeast(len, 2);
  FFTSpecPtr spec;
  int workSize = 0;
  if (const IppStatus status = RealSpecAndWork(order, spec, workSize); status != ippStsNoErr) return status;
  const std::size_t N = std::size_t(1) << order;
  auto block = AllocKernelArray<Ipp64f>(2 * N + (static_cast<std::size_t>(workSize) + 7) / 8 + 1);
  if (!block) return ippStsMemAllocErr;
  Ipp64f* a = block.get();
  Ipp64f* b = a + N;
  Ipp8u* work = workSize > 0 ? reinterpret_cast<Ipp8u*>(b + N) : nullptr;
  std::copy(A, A + LA, a);
  std::fill(a + LA, a + N, 0.0);
  std::copy(B, B + LB, b);
  std::fill(b + LB, b + N, 0.0);
  IppStatus status = RealFFTForwardPerm(a, a, spec.get(), work);
  if (status == ippStsNoErr) status = RealFFTForwardPerm(b, b, spec.get(), work);
  if (status != ippStsNoErr) return status;
  MulPerm(a, b, static_cast<int>(N));
  status = RealFFTInversePerm(b, b, spec.get(), work);
  if (status == ippStsNoErr) std::copy(b, b + len, dst);
  return status;
}

IppStatus OverlapSave(const Ipp64f* A, std::size_t LA, const Ipp64f* B, std::size_t LB, Ipp64f* dst) {
  const std::size_t len = LA + LB - 1;
  const int order = OrderAtLeast(2 * LB, 2) + 1;  // N >= 4 LB
  FFTSpecPtr spec;
  int workSize = 0;
  if (const IppStatus status = RealSpecAndWork(order, spec, workSize); status != ippStsNoErr) return status;
  const std::size_t N = std::size_t(1) << order, step = N - LB + 1;
  auto block = AllocKernelArray<Ipp64f>(2 * N + (static_cast<std::size_t>(workSize) + 7) / 8 + 1);
  if (!block) return ippStsMemAllocErr;
  Ipp64f* filter = block.get();
  Ipp64f* buffer = filter + N;
  Ipp8u* work = workSize > 0 ? reinterpret_cast<Ipp8u*>(buffer + N) : nullptr;
  std::copy(B, B + LB, filter);
  std::fill(filter + LB, filter + N, 0.0);
  IppStatus status = RealFFTForwardPerm(filter, filter, spec.get(), work);
  for (std::size_t s = 0; s < len && status == ippStsNoErr; s += step) {
    const std::size_t u = s == 0 ? 0 : LB - 1;
    const std::size_t c = std::min({LA + u - s, LA, u + step});
    std::copy(A + (s - u), A + (s - u + c), buffer);
    std::fill(buffer + c, buffer + N, 0.0);
    status = RealFFTForwardPerm(buffer, buffer, spec.get(), work);
    if (status != ippStsNoErr) break;
    MulPerm(filter, buffer, static_cast<int>(N));
    status = RealFFTInversePerm(buffer, buffer, spec.get(), work);
    if (status != ippStsNoErr) break;
    const std::size_t m = std::min(step, len - s);
    std::copy(buffer + u, buffer + u + m, dst + s);
  }
  return status;
}

}  // namespace

void ConvolveDirect(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2, Ipp64f* dst) {
  if (len2 > len1) {
    std::swap(src1, src2);
    std::swap(len1, len2);
  }
  DirectConvolution(src1, static_cast<std::size_t>(len1), src2, static_cast<std::size_t>(len2), dst);
}

IppStatus ippsConv_64f(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2, Ipp64f* dst) {
  if (src1 == nullptr || src2 == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (len1 <= 0 || len2 <= 0) return ippStsSizeErr;
  const Ipp64f* A = src1;
  const Ipp64f* B = src2;
  std::size_t LA = static_cast<std::size_t>(len1), LB = static_cast<std::size_t>(len2);
  if (LB > LA) {
    std::swap(A, B);
    std::swap(LA, LB);
  }
  const std::size_t len = LA + LB - 1;
  if (len < 150 || LB < 32) {
    DirectConvolution(A, LA, B, LB, dst);
    return ippStsNoErr;
  }
  if (LA < 3 * LB) return SingleTransform(A, LA, B, LB, dst);
  return OverlapSave(A, LA, B, LB, dst);
}

}  // namespace tavrel::kernels
