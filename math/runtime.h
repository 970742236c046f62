#pragma once
// Run-time support of the numeric kernels: aligned blocks, the C heap, the
// elementary functions, 64-bit shifts and zero fills, and the own kernels of
// the LibCDispatcher binding module.
//
//   double* table = AlignedMallocDoubles(n);   // 32-byte aligned, nil on failure
//   if (!table) return ippStsMemAllocErr;
//   ...
//   AlignedFree(table);
//
// Aligned blocks come from the C heap: the block is n + 40 bytes and the
// heap's own address sits in the 8 bytes just below the returned address.
// Requests of 0 or less, or above kAlignedMallocMax bytes, give nil.
#include <cstddef>
#include <cstdint>

#include "math/types.h"

namespace tavrel {

inline constexpr std::int64_t kAlignedMallocMax = std::int64_t{1} << 36;  // 64 GiB
inline constexpr std::size_t kAlignedBlockAlignment = 32;

void* AlignedMalloc(std::int64_t bytes);
Ipp64f* AlignedMallocDoubles(std::int64_t count);    // count * 8 bytes
Ipp64fc* AlignedMallocComplex(std::int64_t count);   // count * 16 bytes
void AlignedFree(void* block);                       // nil does nothing

// The process heap; a request of 0 bytes still gives a block.
void* CMalloc(std::size_t bytes);
void CFree(void* block);

// Elementary functions: computed in long double, rounded to double once.
double CFloor(double x);
double CCeil(double x);
double CSin(double x);
double CCos(double x);
double CSqrt(double x);
double CExp(double x);
double CLog(double x);
double CAtan2(double y, double x);

// Arithmetic right shift (64 places or more give 0 or -1 by sign) and left
// shift (64 or more give 0).
std::int64_t ShiftRight64(std::int64_t value, std::uint8_t count);
std::int64_t ShiftLeft64(std::int64_t value, std::uint8_t count);

// Clears count bytes (nothing for 0 or less) and returns address.
void* ZeroFill(void* address, std::int64_t count);
// Clears count 32-bit words: nil -8, count <= 0 -6.
IppStatus ZeroInt32(Ipp32s* array, int count);

namespace kernels {

// LibCDispatcher's own kernels. ippsConvert_64f32f, ippsMove_8u and
// ippiSet_8u_C4R also serve the rows of the same name in other modules.
IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len);
IppStatus ippsMove_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len);
IppStatus ippsSubCRev_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor);
IppStatus ippsSubCRev_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len);
IppStatus ippsSubCRev_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len);
IppStatus ippsThreshold_LT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level);
IppStatus ippsThreshold_GT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level);

}  // namespace kernels
}  // namespace tavrel
