// Bitwise logic with a constant and 32-bit shifts.
#include "math/elementwise.h"

namespace tavrel::kernels {
namespace {

template <class Op>
IppStatus Logic(const Ipp32u* src, Ipp32u* dst, int len, Op op) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) dst[i] = op(src[i]);
  return ippStsNoErr;
}

Ipp32s ShiftLeft(Ipp32s x, int v) { return static_cast<Ipp32s>(static_cast<Ipp32u>(x) << v); }
Ipp32s ShiftRight(Ipp32s x, int v) { return v >= 32 ? (x < 0 ? -1 : 0) : x >> v; }

}  // namespace

IppStatus ippsAndC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
  if (val == 0) {
    if (!pSrc) return ippStsNullPtrErr;
    return ippsZero_32s(reinterpret_cast<Ipp32s*>(pDst), len);
  }
  return Logic(pSrc, pDst, len, [val](Ipp32u x) { return x & val; });
}

IppStatus ippsOrC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
  if (val == 0) return CopyWords32(pSrc, pDst, len);
  return Logic(pSrc, pDst, len, [val](Ipp32u x) { return x | val; });
}

IppStatus ippsXorC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
  if (val == 0) return CopyWords32(pSrc, pDst, len);
  return Logic(pSrc, pDst, len, [val](Ipp32u x) { return x ^ val; });
}

IppStatus ippsLShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len) {
  if (val == 0) return CopyWords32(pSrc, pDst, len);
  if (val >= 32) {
    if (!pSrc) return ippStsNullPtrErr;
    return ippsZero_32s(pDst, len);
  }
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val < 0) return ippStsShiftErr;
  for (int i = 0; i < len; ++i) pDst[i] = ShiftLeft(pSrc[i], val);
  return ippStsNoErr;
}

IppStatus ippsRShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len) {
  if (val == 0) return CopyWords32(pSrc, pDst, len);
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val < 0) return ippStsShiftErr;
  for (int i = 0; i < len; ++i) pDst[i] = ShiftRight(pSrc[i], val);
  return ippStsNoErr;
}

IppStatus ippsLShiftC_32s_I(int val, Ipp32s* pSrcDst, int len) {
  if (val >= 32) return ippsZero_32s(pSrcDst, len);
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val < 0) return ippStsShiftErr;
  for (int i = 0; i < len; ++i) pSrcDst[i] = ShiftLeft(pSrcDst[i], val);
  return ippStsNoErr;
}

IppStatus ippsRShiftC_32s_I(int val, Ipp32s* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (val < 0) return ippStsShiftErr;
  for (int i = 0; i < len; ++i) pSrcDst[i] = ShiftRight(pSrcDst[i], val);
  return ippStsNoErr;
}

}  // namespace tavrel::kernels
