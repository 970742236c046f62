// Scaled integer arithmetic on 8u and 32s vectors (the Sfs rule of
// math/sfs.h), and the 32-bit division.
#include <cstdint>
#include <limits>

#include "math/elementwise.h"
#include "math/sfs.h"

namespace tavrel::kernels {
namespace {

// dst[i] = Sfs(op(a[i], b[i])) after the common checks; `zeroFrom` is the
// first scale factor at which every result is 0.
template <class T, class Op>
IppStatus Scaled(const T* a, const T* b, T* dst, int len, int sf, int zeroFrom, Op op) {
  if (!a || !b || !dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (sf >= zeroFrom) {
    if constexpr (sizeof(T) == 1) return ippsZero_8u(reinterpret_cast<Ipp8u*>(dst), len);
    else return ZeroWords32(dst, len);
  }
  for (int i = 0; i < len; ++i) dst[i] = SfsRound<T>(op(std::int64_t{a[i]}, std::int64_t{b[i]}), sf);
  return ippStsNoErr;
}

template <class Op>
IppStatus ScaledConstant(const Ipp32s* src, Ipp32s* dst, int len, int sf, int zeroFrom, Op op) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (sf >= zeroFrom) return ZeroWords32(dst, len);
  for (int i = 0; i < len; ++i) dst[i] = SfsRound<Ipp32s>(op(std::int64_t{src[i]}), sf);
  return ippStsNoErr;
}

constexpr int kSumZero = 33;      // |x + y| <= 2^32: half at most from 2^33
constexpr int kProductZero = 63;  // |x * y| <= 2^62

// n / d rounded half to even, exactly (d != 0).
__int128 DivideHalfEven(__int128 n, __int128 d) {
  __int128 q = n / d, r = n % d;
  if (r == 0) return q;
  const bool negative = (n < 0) != (d < 0);
  const __int128 twice = 2 * (r < 0 ? -r : r), den = d < 0 ? -d : d;
  if (twice > den || (twice == den && (q & 1) != 0)) q += negative ? -1 : 1;
  return q;
}

}  // namespace

IppStatus ippsAdd_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  return Scaled(pSrc, static_cast<const Ipp8u*>(pSrcDst), pSrcDst, len, scaleFactor, 10,
                [](std::int64_t x, std::int64_t y) { return x + y; });
}
IppStatus ippsSub_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  return Scaled(pSrc, static_cast<const Ipp8u*>(pSrcDst), pSrcDst, len, scaleFactor, 9,
                [](std::int64_t x, std::int64_t y) { return x >= y ? 0 : y - x; });
}
IppStatus ippsMul_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
  return Scaled(pSrc, static_cast<const Ipp8u*>(pSrcDst), pSrcDst, len, scaleFactor, 17,
                [](std::int64_t x, std::int64_t y) { return x * y; });
}

IppStatus ippsAdd_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return Scaled(pSrc, static_cast<const Ipp32s*>(pSrcDst), pSrcDst, len, scaleFactor, kSumZero,
                [](std::int64_t x, std::int64_t y) { return x + y; });
}
IppStatus ippsSub_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return Scaled(pSrc, static_cast<const Ipp32s*>(pSrcDst), pSrcDst, len, scaleFactor, kSumZero,
                [](std::int64_t x, std::int64_t y) { return y - x; });
}
IppStatus ippsMul_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  return Scaled(pSrc, static_cast<const Ipp32s*>(pSrcDst), pSrcDst, len, scaleFactor, kProductZero,
                [](std::int64_t x, std::int64_t y) { return x * y; });
}

IppStatus ippsAddC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0 && scaleFactor == 0) return ippStsNoErr;
  return ScaledConstant(pSrcDst, pSrcDst, len, scaleFactor, kSumZero, [val](std::int64_t y) { return y + val; });
}
IppStatus ippsAddC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
  if (val == 0 && scaleFactor == 0) return CopyWords32(pSrc, pDst, len);
  return ScaledConstant(pSrc, pDst, len, scaleFactor, kSumZero, [val](std::int64_t x) { return x + val; });
}
IppStatus ippsSubC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0 && scaleFactor == 0) return ippStsNoErr;
  return ScaledConstant(pSrcDst, pSrcDst, len, scaleFactor, kSumZero, [val](std::int64_t y) { return y - val; });
}
IppStatus ippsSubC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
  if (val == 0 && scaleFactor == 0) return CopyWords32(pSrc, pDst, len);
  return ScaledConstant(pSrc, pDst, len, scaleFactor, kSumZero, [val](std::int64_t x) { return x - val; });
}
IppStatus ippsSubCRev_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
  return ScaledConstant(pSrc, pDst, len, scaleFactor, kSumZero, [val](std::int64_t x) { return val - x; });
}
IppStatus ippsMulC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0) return ZeroWords32(pSrcDst, len);
  if (val == 1 && scaleFactor == 0) return ippStsNoErr;
  return ScaledConstant(pSrcDst, pSrcDst, len, scaleFactor, kProductZero,
                        [val](std::int64_t y) { return y * val; });
}
IppStatus ippsMulC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0) return ZeroWords32(pDst, len);
  if (val == 1 && scaleFactor == 0) return CopyWords32(pSrc, pDst, len);
  return ScaledConstant(pSrc, pDst, len, scaleFactor, kProductZero, [val](std::int64_t x) { return x * val; });
}

IppStatus ippsDiv_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (!pSrc || !pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  constexpr Ipp32s kMax = std::numeric_limits<Ipp32s>::max(), kMin = std::numeric_limits<Ipp32s>::min();
  const int sf = scaleFactor;
  IppStatus status = ippStsNoErr;
  for (int i = 0; i < len; ++i) {
    const Ipp32s x = pSrc[i], y = pSrcDst[i];
    if (x == 0) {
      pSrcDst[i] = y > 0 ? kMax : y < 0 ? kMin : 0;
      status = ippStsDivByZero;
    } else if (y == 0 || sf > 32) {
      pSrcDst[i] = 0;
    } else if (sf < -62) {
      pSrcDst[i] = (x > 0) == (y > 0) ? kMax : kMin;
    } else {
      // Exact quotient: y * 2^-sf / x with |y| * 2^62 and |x| * 2^32 in range.
      const __int128 n = sf < 0 ? static_cast<__int128>(y) * (static_cast<__int128>(1) << -sf) : y;
      const __int128 d = sf > 0 ? static_cast<__int128>(x) * (static_cast<__int128>(1) << sf) : x;
      pSrcDst[i] = SfsSaturate<Ipp32s>(DivideHalfEven(n, d));
    }
  }
  return status;
}

}  // namespace tavrel::kernels
