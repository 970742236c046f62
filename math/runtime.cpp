#include "math/runtime.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "math/sfs.h"

namespace tavrel {
namespace {

// Room for the largest alignment shift (31 bytes) and the stored address.
constexpr std::int64_t kAlignedExtra = kAlignedBlockAlignment - 1 + sizeof(void*) + 1;

}  // namespace

void* AlignedMalloc(std::int64_t bytes) {
  if (bytes <= 0 || bytes > kAlignedMallocMax) return nullptr;
  void* heap = CMalloc(static_cast<std::size_t>(bytes + kAlignedExtra));
  if (!heap) return nullptr;
  auto first = reinterpret_cast<std::uintptr_t>(heap) + sizeof(void*);
  auto aligned = (first + kAlignedBlockAlignment - 1) & ~(std::uintptr_t{kAlignedBlockAlignment} - 1);
  std::memcpy(reinterpret_cast<void*>(aligned - sizeof(void*)), &heap, sizeof(void*));
  return reinterpret_cast<void*>(aligned);
}

Ipp64f* AlignedMallocDoubles(std::int64_t count) {
  if (count <= 0 || count > kAlignedMallocMax / 8) return nullptr;
  return static_cast<Ipp64f*>(AlignedMalloc(count * 8));
}

Ipp64fc* AlignedMallocComplex(std::int64_t count) {
  if (count <= 0 || count > kAlignedMallocMax / 16) return nullptr;
  return static_cast<Ipp64fc*>(AlignedMalloc(count * 16));
}

void AlignedFree(void* block) {
  if (!block) return;
  void* heap;
  std::memcpy(&heap, static_cast<char*>(block) - sizeof(void*), sizeof(void*));
  CFree(heap);
}

void* CMalloc(std::size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }
void CFree(void* block) { std::free(block); }

double CFloor(double x) { return std::floor(x); }
double CCeil(double x) { return std::ceil(x); }
double CSin(double x) { return static_cast<double>(std::sin(static_cast<long double>(x))); }
double CCos(double x) { return static_cast<double>(std::cos(static_cast<long double>(x))); }
double CSqrt(double x) { return static_cast<double>(std::sqrt(static_cast<long double>(x))); }
double CExp(double x) { return static_cast<double>(std::exp(static_cast<long double>(x))); }
double CLog(double x) { return static_cast<double>(std::log(static_cast<long double>(x))); }
double CAtan2(double y, double x) {
  return static_cast<double>(std::atan2(static_cast<long double>(y), static_cast<long double>(x)));
}

std::int64_t ShiftRight64(std::int64_t value, std::uint8_t count) {
  if (count >= 64) return value < 0 ? -1 : 0;
  return value >> count;
}

std::int64_t ShiftLeft64(std::int64_t value, std::uint8_t count) {
  if (count >= 64) return 0;
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(value) << count);
}

void* ZeroFill(void* address, std::int64_t count) {
  if (count > 0) std::memset(address, 0, static_cast<std::size_t>(count));
  return address;
}

IppStatus ZeroInt32(Ipp32s* array, int count) {
  if (!array) return ippStsNullPtrErr;
  if (count <= 0) return ippStsSizeErr;
  ZeroFill(array, std::int64_t{count} * 4);
  return ippStsNoErr;
}

namespace kernels {

IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  if (!value || !pDst) return ippStsNullPtrErr;
  if (roiSize.width <= 0 || roiSize.height <= 0) return ippStsSizeErr;
  if (dstStep <= 0) return ippStsStepErr;
  Ipp8u pixel[4];
  std::memcpy(pixel, value, 4);
  for (int y = 0; y < roiSize.height; ++y) {
    Ipp8u* row = pDst + std::ptrdiff_t{y} * dstStep;
    for (int x = 0; x < roiSize.width; ++x) std::memcpy(row + std::ptrdiff_t{x} * 4, pixel, 4);
  }
  return ippStsNoErr;
}

IppStatus ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  constexpr double kMax = FLT_MAX;
  for (int i = 0; i < len; ++i) {
    const double x = pSrc[i];
    // Quiet comparisons: NaN raises no flag and lands on the lowest float.
    if (std::isgreater(x, -kMax) && std::isless(x, kMax))
      pDst[i] = static_cast<float>(x);
    else
      pDst[i] = std::isgreaterequal(x, kMax) ? FLT_MAX : -FLT_MAX;
  }
  return ippStsNoErr;
}

IppStatus ippsMove_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  std::memmove(pDst, pSrc, static_cast<std::size_t>(len));
  return ippStsNoErr;
}

IppStatus ippsSubCRev_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  if (scaleFactor > 32) return ZeroInt32(pSrcDst, len);
  for (int i = 0; i < len; ++i)
    pSrcDst[i] = SfsRound<Ipp32s>(std::int64_t{val} - pSrcDst[i], scaleFactor);
  return ippStsNoErr;
}

IppStatus ippsSubCRev_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i) pSrcDst[i] = val - pSrcDst[i];
  return ippStsNoErr;
}

IppStatus ippsSubCRev_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  const long double v = val;
  for (int i = 0; i < len; ++i) pSrcDst[i] = static_cast<float>(v - pSrcDst[i]);
  return ippStsNoErr;
}

IppStatus ippsThreshold_LT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i)
    if (pSrcDst[i] < level) pSrcDst[i] = level;
  return ippStsNoErr;
}

IppStatus ippsThreshold_GT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level) {
  if (!pSrcDst) return ippStsNullPtrErr;
  if (len <= 0) return ippStsSizeErr;
  for (int i = 0; i < len; ++i)
    if (pSrcDst[i] > level) pSrcDst[i] = level;
  return ippStsNoErr;
}

}  // namespace kernels
}  // namespace tavrel
