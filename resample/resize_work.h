#pragma once
// Helpers the two resize drivers share: the argument checks, clipping and
// the effective destination size, and the call's work blocks.
#include <cstddef>

#include "resample/resize_engine.h"

namespace tavrel {

inline constexpr double kResizeTolerance = 0.0000001;

// Checks 1-5 shared by both drivers: pointers, sizes and region origin,
// region origin inside the image (29), destination size, factors (finite
// and positive).
IppStatus CheckResizeArguments(const ResizeImage& image);
// Checks 2-5 alone: the centred resize makes them before it looks at the
// source pointer.
IppStatus CheckResizeSizes(IppiSize srcSize, IppiRect srcRoi, IppiSize dstRoiSize, double xFactor,
                           double yFactor);

// The region clipped to the image (after the checks passed).
IppiRect ClipRegion(const ResizeImage& image);

// How many destination pixels a region of `clipped` source pixels fills at
// `factor` when `requested` are asked for; false when not even one.
bool EffectiveLength(int requested, int clipped, double factor, int& length);

inline int ElementSize(ResizeElement e) {
  return e == ResizeElement::u8 ? 1 : e == ResizeElement::u16 ? 2 : 4;
}

// The work blocks of one call, 32-byte aligned, all released together.
class WorkBlocks {
 public:
  explicit WorkBlocks(const ResizeAllocator* allocator) : allocator_(allocator) {}
  ~WorkBlocks();
  WorkBlocks(const WorkBlocks&) = delete;
  WorkBlocks& operator=(const WorkBlocks&) = delete;

  // count elements of T, or null when the allocation fails.
  template <class T>
  T* Take(std::size_t count) {
    return static_cast<T*>(TakeBytes(count * sizeof(T)));
  }

 private:
  void* TakeBytes(std::size_t bytes);
  const ResizeAllocator* allocator_;
  void* blocks_[12] = {};
  int count_ = 0;
};

}  // namespace tavrel
