// Element-wise and constant arithmetic on 8u and 16s with a scale factor,
// and the fills and copies their shortcuts go through.
#include <cstring>
#include <limits>

#include "math/elementwise.h"
#include "math/pixel_rows.h"
#include "math/scaled_arithmetic.h"
#include "math/scaled_rows.h"

namespace tavrel::kernels {

using pixels::BadSize;
using pixels::RowAt;

namespace {

// One vector routine or one 2-D routine: the 2-D ones route their shortcuts
// through the 2-D set (which checks the step) and copy.
enum class Shape { Vector, Region };

// One row of a fill, through the shared fills (whole words once aligned).
void FillRow(Ipp8u* row, int n, Ipp8u value) { FillBytesKernel(row, n, value); }
void FillRow(Ipp16s* row, int n, Ipp16s value) { Fill16Kernel(row, n, value); }
void FillRow(Ipp32s* row, int n, Ipp32s value) {
  Fill32Kernel(reinterpret_cast<Ipp32u*>(row), n, static_cast<Ipp32u>(value));
}

template <class T>
IppStatus SetRegion(T value, T* dst, int step, IppiSize roi, Shape shape) {
  if (dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (shape == Shape::Region && step <= 0) return ippStsStepErr;
  for (int r = 0; r < roi.height; ++r) FillRow(RowAt(dst, step, r), roi.width, value);
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

using scaled_rows::Op;

// srcDst = scale(op(srcDst, src)); sf above zeroAbove leaves only zeros.
template <class T>
IppStatus BinaryInPlace(const T* src, int srcStep, T* srcDst, int srcDstStep, IppiSize roi,
                        int sf, int zeroAbove, Op op) {
  if (src == nullptr || srcDst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (sf > zeroAbove) return SetRegion<T>(0, srcDst, srcDstStep, roi, Shape::Region);
  for (int r = 0; r < roi.height; ++r)
    scaled_rows::BinaryRow(op, RowAt(src, srcStep, r), RowAt(srcDst, srcDstStep, r), roi.width, sf);
  return ippStsNoErr;
}

// One routine with a constant: src may equal dst (in place). The shortcuts
// come after the common checks and return the status of the routine they use.
template <class T>
IppStatus WithConstant(Op kind, const T* src, int srcStep, T value, T* dst, int dstStep,
                       IppiSize roi, int sf, Shape shape) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  constexpr bool kByte = sizeof(T) == 1;
  const bool inPlace = src == dst;
  // Every result is 0 for sf above this.
  const int zeroAbove = kByte ? (kind == Op::Add ? 9 : kind == Op::Sub ? 8 : 16)
                        : (kind == Op::Mul ? 30 : 16);
  const T identity = kind == Op::Mul ? T{1} : T{0};
  if (kind == Op::Mul && value == 0) return SetRegion<T>(0, dst, dstStep, roi, shape);
  if (value == identity && sf == 0) {
    if (inPlace) return ippStsNoErr;
    return CopyRegion(src, srcStep, dst, dstStep, roi);
  }
  if (sf > zeroAbove) return SetRegion<T>(0, dst, dstStep, roi, shape);
  if (kByte && kind == Op::Add && inPlace && sf < -7 && value != 0)
    return SetRegion<T>(std::numeric_limits<T>::max(), dst, dstStep, roi, shape);
  for (int r = 0; r < roi.height; ++r)
    scaled_rows::ConstRow(kind, RowAt(src, srcStep, r), value, RowAt(dst, dstStep, r), roi.width, sf);
  return ippStsNoErr;
}

template <class T>
IppStatus VectorConst(Op kind, const T* src, T value, T* dst, int len, int sf) {
  const int bytes = len > 0 ? len * static_cast<int>(sizeof(T)) : 0;
  return WithConstant<T>(kind, src, bytes, value, dst, bytes, IppiSize{len, 1}, sf, Shape::Vector);
}

}  // namespace

#define TAVREL_BINARY(Name, T, zeroAbove, op)                                               \
  IppStatus Name(const T* src, int srcStep, T* srcDst, int srcDstStep, IppiSize roi, int sf) { \
    return BinaryInPlace<T>(src, srcStep, srcDst, srcDstStep, roi, sf, zeroAbove, Op::op);   \
  }
TAVREL_BINARY(ippiAdd_8u_C1IRSfs, Ipp8u, 9, Add)
TAVREL_BINARY(ippiAdd_16s_C1IRSfs, Ipp16s, 16, Add)
TAVREL_BINARY(ippiSub_8u_C1IRSfs, Ipp8u, 8, Sub)
TAVREL_BINARY(ippiSub_16s_C1IRSfs, Ipp16s, 16, Sub)
TAVREL_BINARY(ippiMul_8u_C1IRSfs, Ipp8u, 16, Mul)
TAVREL_BINARY(ippiMul_16s_C1IRSfs, Ipp16s, 30, Mul)
#undef TAVREL_BINARY

#define TAVREL_CONST(Fn, Kind, T, Tag)                                                         \
  IppStatus ipps##Fn##_##Tag##_ISfs(T value, T* srcDst, int len, int sf) {                     \
    return VectorConst<T>(Op::Kind, srcDst, value, srcDst, len, sf);                    \
  }                                                                                            \
  IppStatus ipps##Fn##_##Tag##_Sfs(const T* src, T value, T* dst, int len, int sf) {           \
    return VectorConst<T>(Op::Kind, src, value, dst, len, sf);                          \
  }                                                                                            \
  IppStatus ippi##Fn##_##Tag##_C1IRSfs(T value, T* srcDst, int srcDstStep, IppiSize roi,       \
                                       int sf) {                                               \
    return WithConstant<T>(Op::Kind, srcDst, srcDstStep, value, srcDst, srcDstStep,     \
                           roi, sf, Shape::Region);                                            \
  }                                                                                            \
  IppStatus ippi##Fn##_##Tag##_C1RSfs(const T* src, int srcStep, T value, T* dst, int dstStep, \
                                      IppiSize roi, int sf) {                                  \
    return WithConstant<T>(Op::Kind, src, srcStep, value, dst, dstStep, roi, sf,        \
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
