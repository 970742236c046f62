// Floating-point arithmetic on 64f, 32f and 64fc vectors.
#include <bit>
#include <cmath>

#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

// The quiet NaN a zero dividend over a zero divisor gives.
const Ipp64f kDivNaN = std::bit_cast<Ipp64f>(0xFFF8000000000000ull);

template <class T, class Op>
IppStatus Binary(const T* a, const T* b, T* d, int len, Op op) {
  if (!a || !b || !d) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) d[i] = op(a[i], b[i]);
  return ippStsNoErr;
}

template <class T, class Op>
IppStatus WithConstant(const T* src, T* dst, int len, Op op) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) dst[i] = op(src[i]);
  return ippStsNoErr;
}

// Complex values as long double pairs: one rounding per part on store.
struct Wide {
  long double re, im;
};
Wide Widen(Ipp64fc v) { return {v.re, v.im}; }
Ipp64fc Narrow(Wide w) { return {static_cast<Ipp64f>(w.re), static_cast<Ipp64f>(w.im)}; }
Ipp64fc Times(Ipp64fc a, Ipp64fc b) {
  const Wide x = Widen(a), y = Widen(b);
  return Narrow({x.re * y.re - x.im * y.im, x.im * y.re + x.re * y.im});
}


}  // namespace

IppStatus ippsAdd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
  return Binary(pSrc1, pSrc2, pDst, len, [](Ipp64f x, Ipp64f y) { return x + y; });
}
IppStatus ippsAdd_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  return Binary(pSrc, static_cast<const Ipp64f*>(pSrcDst), pSrcDst, len, [](Ipp64f x, Ipp64f y) { return x + y; });
}

// The complex sums test their length before the pointers.
IppStatus ippsAdd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len) {
  if (len < 1) return ippStsSizeErr;
  return Binary(pSrc1, pSrc2, pDst, len, [](Ipp64fc x, Ipp64fc y) { return Ipp64fc{x.re + y.re, x.im + y.im}; });
}
IppStatus ippsAdd_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  return ippsAdd_64fc(pSrc, pSrcDst, pSrcDst, len);
}

IppStatus ippsSub_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  return Binary(pSrc, static_cast<const Ipp64f*>(pSrcDst), pSrcDst, len, [](Ipp64f x, Ipp64f y) { return y - x; });
}
IppStatus ippsSub_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len) {
  return Binary(pSrc, static_cast<const Ipp32f*>(pSrcDst), pSrcDst, len, [](Ipp32f x, Ipp32f y) { return y - x; });
}
IppStatus ippsSub_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  if (len < 1) return ippStsSizeErr;
  return Binary(pSrc, static_cast<const Ipp64fc*>(pSrcDst), pSrcDst, len,
                [](Ipp64fc x, Ipp64fc y) { return Ipp64fc{y.re - x.re, y.im - x.im}; });
}

IppStatus ippsMul_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
  return Binary(pSrc1, pSrc2, pDst, len, [](Ipp64f x, Ipp64f y) { return x * y; });
}
IppStatus ippsMul_32f(const Ipp32f* pSrc1, const Ipp32f* pSrc2, Ipp32f* pDst, int len) {
  return Binary(pSrc1, pSrc2, pDst, len, [](Ipp32f x, Ipp32f y) { return x * y; });
}
IppStatus ippsMul_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  return Binary(pSrc, static_cast<const Ipp64f*>(pSrcDst), pSrcDst, len, [](Ipp64f x, Ipp64f y) { return x * y; });
}
IppStatus ippsMul_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len) {
  return Binary(pSrc, static_cast<const Ipp32f*>(pSrcDst), pSrcDst, len, [](Ipp32f x, Ipp32f y) { return x * y; });
}
IppStatus ippsMul_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  return Binary(pSrc, static_cast<const Ipp64fc*>(pSrcDst), pSrcDst, len,
                [](Ipp64fc x, Ipp64fc y) { return Times(y, x); });
}

IppStatus ippsDiv_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
  if (!pSrc || !pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  IppStatus status = ippStsNoErr;
  for (int i = 0; i < len; ++i) {
    const Ipp64f x = pSrc[i], y = pSrcDst[i];
    if (x == 0.0) {
      // The divisor's sign is ignored; NaN and zero dividends give NaN.
      pSrcDst[i] = std::isgreater(y, 0.0) ? HUGE_VAL : std::isless(y, 0.0) ? -HUGE_VAL : kDivNaN;
      status = ippStsDivByZero;
    } else {
      pSrcDst[i] = y / x;
    }
  }
  return status;
}

IppStatus ippsDiv_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
  if (!pSrc || !pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  IppStatus status = ippStsNoErr;
  for (int i = 0; i < len; ++i) {
    const Wide x = Widen(pSrc[i]), y = Widen(pSrcDst[i]);
    // Extended range keeps m finite and non-zero for every non-zero double.
    const long double m = x.re * x.re + x.im * x.im;
    if (m == 0.0L) {
      pSrcDst[i] = {kDivNaN, kDivNaN};
      status = ippStsDivByZero;
    } else {
      const long double r = 1.0L / m;
      pSrcDst[i] = Narrow({r * (x.im * y.im + x.re * y.re), r * (x.re * y.im - x.im * y.re)});
    }
  }
  return status;
}

IppStatus ippsAddC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (val == 0.0) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (len <= 0) return ippStsSizeErr;
    CopyBytesKernel(pSrc, pDst, std::int64_t{len} * 8);
    return ippStsNoErr;
  }
  return WithConstant(pSrc, pDst, len, [val](Ipp64f x) { return x + val; });
}

IppStatus ippsAddC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0.0) return ippStsNoErr;
  return WithConstant(static_cast<const Ipp64f*>(pSrcDst), pSrcDst, len, [val](Ipp64f y) { return y + val; });
}

IppStatus ippsSubC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (val == 0.0) return ippsCopy_64f(pSrc, pDst, len);
  return WithConstant(pSrc, pDst, len, [val](Ipp64f x) { return x - val; });
}

IppStatus ippsSubC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0.0) return ippStsNoErr;
  return WithConstant(static_cast<const Ipp64f*>(pSrcDst), pSrcDst, len, [val](Ipp64f y) { return y - val; });
}

IppStatus ippsSubCRev_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  return WithConstant(pSrc, pDst, len, [val](Ipp64f x) { return val - x; });
}

IppStatus ippsMulC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 1.0) return ippsCopy_64f(pSrc, pDst, len);
  if (val == 0.0) return ippsZero_64f(pDst, len);
  return WithConstant(pSrc, pDst, len, [val](Ipp64f x) { return val * x; });
}

IppStatus ippsMulC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 1.0) return ippStsNoErr;
  if (val == 0.0) return ippsZero_64f(pSrcDst, len);
  return WithConstant(static_cast<const Ipp64f*>(pSrcDst), pSrcDst, len, [val](Ipp64f y) { return val * y; });
}

IppStatus ippsMulC_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 1.0f) return ippStsNoErr;
  if (val == 0.0f) return ippsZero_32f(pSrcDst, len);
  return WithConstant(static_cast<const Ipp32f*>(pSrcDst), pSrcDst, len, [val](Ipp32f y) { return val * y; });
}

IppStatus ippsDivC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0.0) return ippStsDivByZeroErr;
  return ippsMulC_64f(pSrc, 1.0 / val, pDst, len);
}

IppStatus ippsDivC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val == 0.0) return ippStsDivByZeroErr;
  return ippsMulC_64f_I(1.0 / val, pSrcDst, len);
}

IppStatus ippsAddC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  return WithConstant(pSrc, pDst, len, [val](Ipp64fc x) { return Ipp64fc{x.re + val.re, x.im + val.im}; });
}
IppStatus ippsAddC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsAddC_64fc(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsSubC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  return WithConstant(pSrc, pDst, len, [val](Ipp64fc x) { return Ipp64fc{x.re - val.re, x.im - val.im}; });
}
IppStatus ippsSubC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsSubC_64fc(pSrcDst, val, pSrcDst, len);
}
IppStatus ippsSubCRev_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  return WithConstant(pSrc, pDst, len, [val](Ipp64fc x) { return Ipp64fc{val.re - x.re, val.im - x.im}; });
}
IppStatus ippsMulC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  return WithConstant(pSrc, pDst, len, [val](Ipp64fc x) { return Times(val, x); });
}
IppStatus ippsMulC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsMulC_64fc(pSrcDst, val, pSrcDst, len);
}

IppStatus ippsDivC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  const Wide v = Widen(val);
  const long double m = v.re * v.re + v.im * v.im;
  if (m == 0.0L) return ippStsDivByZeroErr;
  const long double r = 1.0L / m;
  return ippsMulC_64fc(pSrc, Narrow({v.re * r, -v.im * r}), pDst, len);
}

IppStatus ippsDivC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
  return ippsDivC_64fc(pSrcDst, val, pSrcDst, len);
}

}  // namespace tavrel::kernels
