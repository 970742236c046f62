// Element-wise and constant arithmetic on 8u and 16s with a scale factor,
// and the fills and copies their shortcuts go through.
#include <algorithm>
#include <cstring>
#include <limits>

#include "math/pixel_rows.h"
#include "math/scaled_arithmetic.h"
#include "math/sfs.h"

namespace tavrel::kernels {

using pixels::BadSize;
using pixels::RowAt;

namespace {

// One vector routine or one 2-D routine: the 2-D ones route their shortcuts
// through the 2-D set (which checks the step) and copy.
enum class Shape { Vector, Region };

template <class T>
IppStatus SetRegion(T value, T* dst, int step, IppiSize roi, Shape shape) {
  if (dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (shape == Shape::Region && step <= 0) return ippStsStepErr;
  for (int r = 0; r < roi.height; ++r) std::fill_n(RowAt(dst, step, r), roi.width, value);
  return ippStsNoErr;
}

template <class T>
IppStatus CopyRegion(const T* src, int srcStep, T* dst, int dstStep, IppiSize roi) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  for (int r = 0; r < roi.height; ++r)
    std::memcpy(RowAt(dst, dstStep, r), RowAt(src, srcStep, r), sizeof(T) * roi.width);
  return ippStsNoErr;
}

// srcDst = scale(op(srcDst, src)); sf above zeroAbove leaves only zeros.
template <class T, class Op>
IppStatus BinaryInPlace(const T* src, int srcStep, T* srcDst, int srcDstStep, IppiSize roi,
                        int sf, int zeroAbove, Op op) {
  if (src == nullptr || srcDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (sf > zeroAbove) return SetRegion<T>(0, srcDst, srcDstStep, roi, Shape::Region);
  for (int r = 0; r < roi.height; ++r) {
    const T* x = RowAt(src, srcStep, r);
    T* y = RowAt(srcDst, srcDstStep, r);
    for (int i = 0; i < roi.width; ++i)
      y[i] = SfsRound<T>(op(Ipp64s{y[i]}, Ipp64s{x[i]}), sf);
  }
  return ippStsNoErr;
}

enum class ConstKind { Add, Sub, Mul };

// One routine with a constant: src may equal dst (in place). The shortcuts
// come after the common checks and return the status of the routine they use.
template <class T>
IppStatus WithConstant(ConstKind kind, const T* src, int srcStep, T value, T* dst, int dstStep,
                       IppiSize roi, int sf, Shape shape) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  constexpr bool kByte = sizeof(T) == 1;
  const bool inPlace = src == dst;
  // Every result is 0 for sf above this.
  const int zeroAbove = kByte ? (kind == ConstKind::Add ? 9 : kind == ConstKind::Sub ? 8 : 16)
                        : (kind == ConstKind::Mul ? 30 : 16);
  const T identity = kind == ConstKind::Mul ? T{1} : T{0};
  if (kind == ConstKind::Mul && value == 0) return SetRegion<T>(0, dst, dstStep, roi, shape);
  if (value == identity && sf == 0) {
    if (inPlace) return ippStsNoErr;
    return CopyRegion(src, srcStep, dst, dstStep, roi);
  }
  if (sf > zeroAbove) return SetRegion<T>(0, dst, dstStep, roi, shape);
  if (kByte && kind == ConstKind::Add && inPlace && sf < -7 && value != 0)
    return SetRegion<T>(std::numeric_limits<T>::max(), dst, dstStep, roi, shape);
  const Ipp64s v = value;
  for (int r = 0; r < roi.height; ++r) {
    const T* x = RowAt(src, srcStep, r);
    T* d = RowAt(dst, dstStep, r);
    for (int i = 0; i < roi.width; ++i) {
      const Ipp64s e = kind == ConstKind::Add   ? x[i] + v
                       : kind == ConstKind::Sub ? x[i] - v
                                                : x[i] * v;
      d[i] = SfsRound<T>(e, sf);
    }
  }
  return ippStsNoErr;
}

template <class T>
IppStatus VectorConst(ConstKind kind, const T* src, T value, T* dst, int len, int sf) {
  const int bytes = len > 0 ? len * static_cast<int>(sizeof(T)) : 0;
  return WithConstant<T>(kind, src, bytes, value, dst, bytes, IppiSize{len, 1}, sf, Shape::Vector);
}

}  // namespace

#define TAVREL_BINARY(Name, T, zeroAbove, expr)                                             \
  IppStatus Name(const T* src, int srcStep, T* srcDst, int srcDstStep, IppiSize roi, int sf) { \
    return BinaryInPlace<T>(src, srcStep, srcDst, srcDstStep, roi, sf, zeroAbove,            \
                            [](Ipp64s y, Ipp64s x) { return expr; });                        \
  }
TAVREL_BINARY(ippiAdd_8u_C1IRSfs, Ipp8u, 9, y + x)
TAVREL_BINARY(ippiAdd_16s_C1IRSfs, Ipp16s, 16, y + x)
TAVREL_BINARY(ippiSub_8u_C1IRSfs, Ipp8u, 8, y - x)
TAVREL_BINARY(ippiSub_16s_C1IRSfs, Ipp16s, 16, y - x)
TAVREL_BINARY(ippiMul_8u_C1IRSfs, Ipp8u, 16, y * x)
TAVREL_BINARY(ippiMul_16s_C1IRSfs, Ipp16s, 30, y * x)
#undef TAVREL_BINARY

#define TAVREL_CONST(Op, Kind, T, Tag)                                                         \
  IppStatus ipps##Op##_##Tag##_ISfs(T value, T* srcDst, int len, int sf) {                     \
    return VectorConst<T>(ConstKind::Kind, srcDst, value, srcDst, len, sf);                    \
  }                                                                                            \
  IppStatus ipps##Op##_##Tag##_Sfs(const T* src, T value, T* dst, int len, int sf) {           \
    return VectorConst<T>(ConstKind::Kind, src, value, dst, len, sf);                          \
  }                                                                                            \
  IppStatus ippi##Op##_##Tag##_C1IRSfs(T value, T* srcDst, int srcDstStep, IppiSize roi,       \
                                       int sf) {                                               \
    return WithConstant<T>(ConstKind::Kind, srcDst, srcDstStep, value, srcDst, srcDstStep,     \
                           roi, sf, Shape::Region);                                            \
  }                                                                                            \
  IppStatus ippi##Op##_##Tag##_C1RSfs(const T* src, int srcStep, T value, T* dst, int dstStep, \
                                      IppiSize roi, int sf) {                                  \
    return WithConstant<T>(ConstKind::Kind, src, srcStep, value, dst, dstStep, roi, sf,        \
                           Shape::Region);                                                     \
  }
TAVREL_CONST(AddC, Add, Ipp8u, 8u)
TAVREL_CONST(AddC, Add, Ipp16s, 16s)
TAVREL_CONST(SubC, Sub, Ipp8u, 8u)
TAVREL_CONST(SubC, Sub, Ipp16s, 16s)
TAVREL_CONST(MulC, Mul, Ipp8u, 8u)
TAVREL_CONST(MulC, Mul, Ipp16s, 16s)
#undef TAVREL_CONST

IppStatus ippsSet_16s(Ipp16s value, Ipp16s* dst, int len) {
  return SetRegion<Ipp16s>(value, dst, 0, IppiSize{len, 1}, Shape::Vector);
}
IppStatus ippiSet_8u_C1R(Ipp8u value, Ipp8u* dst, int dstStep, IppiSize roi) {
  return SetRegion<Ipp8u>(value, dst, dstStep, roi, Shape::Region);
}
IppStatus ippiSet_16s_C1R(Ipp16s value, Ipp16s* dst, int dstStep, IppiSize roi) {
  return SetRegion<Ipp16s>(value, dst, dstStep, roi, Shape::Region);
}
IppStatus ippiSet_32s_C1R(Ipp32s value, Ipp32s* dst, int dstStep, IppiSize roi) {
  return SetRegion<Ipp32s>(value, dst, dstStep, roi, Shape::Region);
}
IppStatus ippiCopy_8u_C1R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  return CopyRegion(src, srcStep, dst, dstStep, roi);
}
IppStatus ippiCopy_16s_C1R(const Ipp16s* src, int srcStep, Ipp16s* dst, int dstStep,
                           IppiSize roi) {
  return CopyRegion(src, srcStep, dst, dstStep, roi);
}

}  // namespace tavrel::kernels
