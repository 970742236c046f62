#pragma once
// The resize engine behind the entry points of resize.h: two drivers and
// the row kernels they call. The drivers also serve 16u with three or four
// channels and 32f, which no entry point reaches.
//
//   IppStatus s = ResizeGeneral(img, 0.0, 0.0, ResizeElement::f32, 1, IPPI_INTER_CUBIC);
//   IppStatus t = ResizeSupersample(img, ResizeElement::u8, 3);
//
// Positions are relative to the clipped region of interest. Linear, cubic
// and Lanczos map the first and last destination pixels onto the first and
// last source pixels; nearest samples at destination pixel centres. Every
// source index is brought inside the image before it is read.
#include <cstddef>

#include "math/types.h"

namespace tavrel {

enum class ResizeElement { u8 = 0, u16 = 1, f32 = 2 };

// The published argument list, pointers untyped.
struct ResizeImage {
  const void* src;
  IppiSize srcSize;
  int srcStep;  // bytes
  IppiRect srcRoi;
  void* dst;
  int dstStep;  // bytes
  IppiSize dstRoiSize;
  double xFactor, yFactor;
};

// Where the drivers take their work buffers (32-byte aligned). Tests hand
// in one that fails on purpose; null means the run-time support's blocks.
struct ResizeAllocator {
  void* (*allocate)(void* context, std::size_t bytes);
  void (*release)(void* context, void* block);
  void* context;
};

// Which build of the row kernels runs: the plain one, or the best one the
// processor supports.
enum class ResizeVariant { best, plain };

struct ResizeOptions {
  const ResizeAllocator* allocator = nullptr;
  ResizeVariant variant = ResizeVariant::best;
};

IppStatus ResizeGeneral(const ResizeImage& image, double xShift, double yShift,
                        ResizeElement element, int channels, int interpolation,
                        const ResizeOptions& options = {});
// Area averaging; both factors at most 1 (others give -23 after the checks).
IppStatus ResizeSupersample(const ResizeImage& image, ResizeElement element, int channels,
                            const ResizeOptions& options = {});

// Where a centred resize draws: the destination sub-rectangle, the source
// rectangle that fills it, and the fractional source position of its first
// pixel.
struct ResizeCenterResult {
  IppiRect dst;
  IppiRect src;
  double xShift, yShift;
};
IppStatus ResizeCenterGeometry(IppiSize srcSize, IppiRect srcRoi, IppiSize dstRoiSize,
                               double xFactor, double yFactor, double xCenter, double yCenter,
                               ResizeCenterResult& result);

// ---- Row kernels (the general driver calls exactly one per resize) ----

// Counts and offsets are in elements. Row and column tables hold, per
// destination row and column, the source index (rows) or element offset
// (columns) relative to the region's origin, already inside the image:
// nearest the sampled pixel, linear the upper/left tap, cubic the base tap
// (taps base-1 .. base+2), Lanczos the centre j for rows and six clamped tap
// offsets (j-2 .. j+3) per column.
struct ResizeKernelArgs {
  const void* src;
  void* dst;
  std::ptrdiff_t srcStep;
  std::ptrdiff_t dstStep;
  int width, height;
  const int* rowIndex;
  const std::ptrdiff_t* colOffset;
  // linear 8u/16u: rows one Ipp16u w, columns pairs (16384 - w, w);
  // linear 32f: one float fraction each;
  // cubic: three float coefficients each ((t+1), (t+1)t/2, (t+1)t(t-1)/6),
  // together per row, planar for the columns (all firsts, seconds, thirds);
  // Lanczos: six float weights each.
  const void* rowWeights;
  const void* colWeights;
  void* buffers[6];  // (width + 4) x channels elements each; linear 8u one channel adds
                     // (width + 8) x 12 bytes of shuffle controls as the third;
                     // linear 8u: (width + 4) x channels Ipp16u as the fourth;
                     // nearest 8u one or four channels: (width + 16) x 4 bytes of them as the first
  int firstRow, lastRow;  // image rows relative to the region (Lanczos edge replication)
  std::ptrdiff_t rowElements;  // elements from the region's first column to the row's end
  int channels;
};

using ResizeKernel = void (*)(const ResizeKernelArgs&);

inline constexpr int kResizeKernelCount = 33;
// Index: nearest e (+3 one channel, +6 four channels); linear 9+e, cubic
// 15+e, Lanczos 21+e (+3 one channel); e = element. 27..32 are never chosen.
int ResizeKernelIndex(int interpolation, ResizeElement element, int channels);
ResizeKernel ResizeKernelAt(int index, ResizeVariant variant);

// Lanczos-3 lookup: 301 samples at steps of 1/100 and one trailing zero.
const float* LanczosTable();
// The six normalised weights of the taps j-2 .. j+3 for fraction t.
void LanczosWeights(float t, float weights[6]);

}  // namespace tavrel
