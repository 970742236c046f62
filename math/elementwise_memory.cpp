// Fills, copies and moves, and the shared byte and word kernels.
#include <bit>
#include <cstdint>
#include <cstring>

#include "math/elementwise.h"

namespace tavrel {

void CopyBytesKernel(const void* src, void* dst, std::int64_t bytes) {
  // memmove: a caller that passes the same array twice stays defined.
  if (bytes > 0) std::memmove(dst, src, static_cast<std::size_t>(bytes));
}

void ZeroBytesKernel(void* dst, std::int64_t bytes) {
  if (bytes > 0) std::memset(dst, 0, static_cast<std::size_t>(bytes));
}

void FillBytesKernel(void* dst, std::int64_t bytes, Ipp8u value) {
  if (bytes > 0) std::memset(dst, value, static_cast<std::size_t>(bytes));
}

namespace {

// The fills store whole vectors where the processor allows; the plain
// variant serves every other machine and is the reference of the tests.
template <class T>
inline void FillLoop(T* dst, std::int64_t count, T value) {
  for (std::int64_t i = 0; i < count; ++i) dst[i] = value;
}

template <class T>
__attribute__((target("avx2"))) void FillAvx2(T* dst, std::int64_t count, T value) {
  FillLoop(dst, count, value);
}

template <class T>
void FillPlain(T* dst, std::int64_t count, T value) {
  FillLoop(dst, count, value);
}

// Long 64-bit fills use the string store, which like memset skips reading
// the destination lines before writing them.
constexpr std::int64_t kStringStoreFrom = 256;

template <class T>
void Fill(T* dst, std::int64_t count, T value) {
#if defined(__x86_64__)
  if constexpr (sizeof(T) == 8) {
    if (count >= kStringStoreFrom) {
      std::uint64_t pattern;
      std::memcpy(&pattern, &value, 8);
      __asm__ volatile("rep stosq" : "+D"(dst), "+c"(count) : "a"(pattern) : "memory");
      return;
    }
  }
#endif
  if (ProcessorHasAvx2())
    FillAvx2(dst, count, value);
  else
    FillPlain(dst, count, value);
}

}  // namespace

bool ProcessorHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

void Fill32Kernel(Ipp32u* dst, std::int64_t count, Ipp32u value) { Fill(dst, count, value); }
void Fill64Kernel(Ipp64f* dst, std::int64_t count, Ipp64f value) {
  Fill(reinterpret_cast<Ipp64u*>(dst), count, std::bit_cast<Ipp64u>(value));
}
// 16-bit values up to an 8-byte boundary, then four per 64-bit word (the
// long fill runs as the 64-bit one does), then the rest.
void Fill16Kernel(Ipp16s* dst, std::int64_t count, Ipp16s value) {
  while (count > 0 && reinterpret_cast<std::uintptr_t>(dst) % 8 != 0) {
    *dst++ = value;
    --count;
  }
  if (count <= 0) return;
  const std::int64_t words = count / 4;
  if (words > 0) {
    const std::uint64_t one = static_cast<std::uint16_t>(value);
    Fill<Ipp64u>(reinterpret_cast<Ipp64u*>(dst), words, one * 0x0001000100010001ull);
    dst += words * 4;
  }
  for (std::int64_t i = 0; i < count % 4; ++i) dst[i] = value;
}
void Fill128Kernel(Ipp64fc* dst, std::int64_t count, Ipp64fc value) { Fill(dst, count, value); }

namespace fill_variants {
void Fill64Plain(Ipp64f* dst, std::int64_t count, Ipp64f value) { FillPlain(dst, count, value); }
void Fill64Avx2(Ipp64f* dst, std::int64_t count, Ipp64f value) { FillAvx2(dst, count, value); }
void Fill128Plain(Ipp64fc* dst, std::int64_t count, Ipp64fc value) { FillPlain(dst, count, value); }
void Fill128Avx2(Ipp64fc* dst, std::int64_t count, Ipp64fc value) { FillAvx2(dst, count, value); }
void Fill32Plain(Ipp32u* dst, std::int64_t count, Ipp32u value) { FillPlain(dst, count, value); }
void Fill32Avx2(Ipp32u* dst, std::int64_t count, Ipp32u value) { FillAvx2(dst, count, value); }
}  // namespace fill_variants

IppStatus ZeroWords32(void* dst, int count) {
  if (!dst) return ippStsNullPtrErr;
  if (count <= 0) return ippStsSizeErr;
  ZeroBytesKernel(dst, std::int64_t{count} * 4);
  return ippStsNoErr;
}

IppStatus CopyWords32(const void* src, void* dst, int count) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (count <= 0) return ippStsSizeErr;
  CopyBytesKernel(src, dst, std::int64_t{count} * 4);
  return ippStsNoErr;
}

namespace kernels {
namespace {

template <class T>
IppStatus ZeroElements(T* dst, int len) {
  if (!dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  ZeroBytesKernel(dst, std::int64_t{len} * std::int64_t{sizeof(T)});
  return ippStsNoErr;
}

template <class T>
IppStatus CopyElements(const T* src, T* dst, int len) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  CopyBytesKernel(src, dst, std::int64_t{len} * std::int64_t{sizeof(T)});
  return ippStsNoErr;
}

}  // namespace

IppStatus ippsZero_8u(Ipp8u* pDst, int len) { return ZeroElements(pDst, len); }
IppStatus ippsZero_16s(Ipp16s* pDst, int len) { return ZeroElements(pDst, len); }
IppStatus ippsZero_32s(Ipp32s* pDst, int len) { return ZeroElements(pDst, len); }
IppStatus ippsZero_32f(Ipp32f* pDst, int len) { return ZeroElements(pDst, len); }
IppStatus ippsZero_64f(Ipp64f* pDst, int len) { return ZeroElements(pDst, len); }
IppStatus ippsZero_64fc(Ipp64fc* pDst, int len) { return ZeroElements(pDst, len); }

IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len) {
  if (!pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  FillBytesKernel(pDst, len, val);
  return ippStsNoErr;
}

IppStatus ippsSet_32s(Ipp32s val, Ipp32s* pDst, int len) {
  if (!pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Fill32Kernel(reinterpret_cast<Ipp32u*>(pDst), len, static_cast<Ipp32u>(val));
  return ippStsNoErr;
}

IppStatus ippsSet_32f(Ipp32f val, Ipp32f* pDst, int len) {
  if (!pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Fill32Kernel(reinterpret_cast<Ipp32u*>(pDst), len, std::bit_cast<Ipp32u>(val));
  return ippStsNoErr;
}

IppStatus ippsSet_64f(Ipp64f val, Ipp64f* pDst, int len) {
  if (!pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Fill64Kernel(pDst, len, val);
  return ippStsNoErr;
}

IppStatus ippsSet_64fc(Ipp64fc val, Ipp64fc* pDst, int len) {
  if (!pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  Fill128Kernel(pDst, len, val);
  return ippStsNoErr;
}

IppStatus ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) { return CopyElements(pSrc, pDst, len); }
IppStatus ippsCopy_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len) { return CopyElements(pSrc, pDst, len); }
IppStatus ippsCopy_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return CopyElements(pSrc, pDst, len); }
IppStatus ippsMove_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return CopyElements(pSrc, pDst, len); }

IppStatus ippiCopy_32s_C1R(const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roiSize) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (roiSize.width <= 0 || roiSize.height <= 0) return ippStsSizeErr;
  auto* from = reinterpret_cast<const Ipp8u*>(pSrc);
  auto* to = reinterpret_cast<Ipp8u*>(pDst);
  const std::int64_t rowBytes = std::int64_t{roiSize.width} * 4;
  for (int y = 0; y < roiSize.height; ++y)
    CopyBytesKernel(from + std::int64_t{y} * srcStep, to + std::int64_t{y} * dstStep, rowBytes);
  return ippStsNoErr;
}

}  // namespace kernels
}  // namespace tavrel
