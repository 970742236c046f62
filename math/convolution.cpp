// Linear convolution: direct sums for short work, one real FFT when the
// operands are of similar length, overlap-save blocks against a short one.
#include <algorithm>
#include <cstring>

#include "math/convolution.h"
#include "math/fft.h"
#include "math/fft_engine.h"
#include "math/fft_scratch.h"

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

IppStatus SingleTransform(const Ipp64f* A, std::size_t LA, const Ipp64f* B, std::size_t LB, Ipp64f* dst) {
  const std::size_t len = LA + LB - 1;
  FFTScratch<Ipp64f> s;
  if (const IppStatus status = s.Create(OrderAtLeast(len, 2), 2); status != ippStsNoErr) return status;
  Ipp64f* a = s.data.get();
  Ipp64f* b = a + s.N;
  std::copy(A, A + LA, a);
  std::fill(a + LA, a + s.N, 0.0);
  std::copy(B, B + LB, b);
  std::fill(b + LB, b + s.N, 0.0);
  IppStatus status = RealFFTForwardPerm(a, a, s.spec.get(), s.work.get());
  if (status == ippStsNoErr) status = RealFFTForwardPerm(b, b, s.spec.get(), s.work.get());
  if (status != ippStsNoErr) return status;
  MulPerm(a, b, static_cast<int>(s.N));
  status = RealFFTInversePerm(b, b, s.spec.get(), s.work.get());
  if (status == ippStsNoErr) std::copy(b, b + len, dst);
  return status;
}

IppStatus OverlapSave(const Ipp64f* A, std::size_t LA, const Ipp64f* B, std::size_t LB, Ipp64f* dst) {
  const std::size_t len = LA + LB - 1;
  FFTScratch<Ipp64f> s;
  // N >= 4 LB, so each block yields at least 3 LB outputs.
  if (const IppStatus status = s.Create(OrderAtLeast(2 * LB, 2) + 1, 2); status != ippStsNoErr) return status;
  const std::size_t N = s.N, step = N - LB + 1;
  Ipp64f* filter = s.data.get();
  Ipp64f* buffer = filter + N;
  const FFTSpec* spec = s.spec.get();
  Ipp8u* work = s.work.get();
  std::copy(B, B + LB, filter);
  std::fill(filter + LB, filter + N, 0.0);
  IppStatus status = RealFFTForwardPerm(filter, filter, spec, work);
  for (std::size_t at = 0; at < len && status == ippStsNoErr; at += step) {
    const std::size_t u = at == 0 ? 0 : LB - 1;
    const std::size_t c = std::min({LA + u - at, LA, u + step});
    std::copy(A + (at - u), A + (at - u + c), buffer);
    std::fill(buffer + c, buffer + N, 0.0);
    status = RealFFTForwardPerm(buffer, buffer, spec, work);
    if (status != ippStsNoErr) break;
    MulPerm(filter, buffer, static_cast<int>(N));
    status = RealFFTInversePerm(buffer, buffer, spec, work);
    if (status != ippStsNoErr) break;
    const std::size_t m = std::min(step, len - at);
    std::copy(buffer + u, buffer + u + m, dst + at);
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
