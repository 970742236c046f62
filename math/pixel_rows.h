#pragma once
// Row addressing of pixel regions: a region is a first pixel plus a step in
// bytes between row starts (the step may differ from the row's byte length).
//
//   for (int r = 0; r < roi.height; ++r) { T* row = RowAt(dst, dstStep, r); ... }
//   return ConvertRegion(src, sStep, dst, dStep, roi, [](Ipp8u x) { return float(x); });
#include <cstddef>
#include <type_traits>

#include "math/types.h"

namespace tavrel::kernels::pixels {

template <class T>
T* RowAt(T* base, int step, int row) {
  using Byte = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) +
                              static_cast<std::ptrdiff_t>(step) * row);
}

inline bool BadSize(IppiSize roi) { return roi.width <= 0 || roi.height <= 0; }

// A region whose rows lie back to back on both sides is one long row.
template <class S, class D>
IppiSize MergeContiguous(IppiSize roi, int srcStep, int dstStep, bool limitToInt = false) {
  const long long w = roi.width;
  if (srcStep == w * static_cast<long long>(sizeof(S)) &&
      dstStep == w * static_cast<long long>(sizeof(D))) {
    const long long all = w * roi.height;
    if (all <= 2147483647LL && (!limitToInt || all < 2147483647LL))
      return {static_cast<int>(all), 1};
  }
  return roi;
}

// Element-wise conversion of a region with the usual checks (null -8, size
// -6, step -14); back-to-back rows run as one.
template <class S, class D, class F>
IppStatus ConvertRegion(const S* src, int srcStep, D* dst, int dstStep, IppiSize roi, F f,
                        bool limitToInt = false) {
  if (src == nullptr || dst == nullptr) return ippStsNullPtrErr;
  if (BadSize(roi)) return ippStsSizeErr;
  if (srcStep <= 0 || dstStep <= 0) return ippStsStepErr;
  const IppiSize run = MergeContiguous<S, D>(roi, srcStep, dstStep, limitToInt);
  for (int r = 0; r < run.height; ++r) {
    const S* s = RowAt(src, srcStep, r);
    D* d = RowAt(dst, dstStep, r);
    for (int i = 0; i < run.width; ++i) d[i] = f(s[i]);
  }
  return ippStsNoErr;
}

}  // namespace tavrel::kernels::pixels
