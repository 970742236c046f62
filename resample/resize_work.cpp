// Checks, clipping and work blocks shared by the resize drivers.
#include "resample/resize_work.h"

#include <cmath>
#include <iterator>

#include "math/runtime.h"

namespace tavrel {
namespace {

void* DefaultAllocate(void*, std::size_t bytes) {
  return bytes > static_cast<std::size_t>(kAlignedMallocMax) ? nullptr
                                                             : AlignedMalloc(static_cast<std::int64_t>(bytes));
}
void DefaultRelease(void*, void* block) { AlignedFree(block); }

const ResizeAllocator kDefaultAllocator{DefaultAllocate, DefaultRelease, nullptr};

bool BadFactor(double f) { return !(f > 0.0) || !std::isfinite(f); }

}  // namespace

IppStatus CheckResizeArguments(const ResizeImage& m) {
  if (!m.src || !m.dst) return ippStsNullPtrErr;
  return CheckResizeSizes(m.srcSize, m.srcRoi, m.dstRoiSize, m.xFactor, m.yFactor);
}

IppStatus CheckResizeSizes(IppiSize srcSize, IppiRect roi, IppiSize dstSize, double fx, double fy) {
  if (srcSize.width <= 0 || srcSize.height <= 0 || roi.x < 0 || roi.y < 0 || roi.width <= 0 ||
      roi.height <= 0)
    return ippStsSizeErr;
  if (roi.x >= srcSize.width || roi.y >= srcSize.height) return ippStsWrongIntersectROI;
  if (dstSize.width <= 0 || dstSize.height <= 0) return ippStsSizeErr;
  if (BadFactor(fx) || BadFactor(fy)) return ippStsResizeFactorErr;
  return ippStsNoErr;
}

IppiRect ClipRegion(const ResizeImage& m) {
  IppiRect r = m.srcRoi;
  if (r.width > m.srcSize.width - r.x) r.width = m.srcSize.width - r.x;
  if (r.height > m.srcSize.height - r.y) r.height = m.srcSize.height - r.y;
  return r;
}

bool EffectiveLength(int requested, int clipped, double factor, int& length) {
  const double scaled = clipped * factor + kResizeTolerance;
  const double whole = std::trunc(scaled);
  length = requested;
  if (static_cast<double>(requested) > whole) {
    if (whole > 0.0)
      length = static_cast<int>(whole);
    else if (scaled >= 0.5)
      length = 1;
    else
      return false;
  }
  return true;
}

WorkBlocks::~WorkBlocks() {
  const ResizeAllocator* a = allocator_ ? allocator_ : &kDefaultAllocator;
  for (int i = count_; i-- > 0;) a->release(a->context, blocks_[i]);
}

void* WorkBlocks::TakeBytes(std::size_t bytes) {
  const ResizeAllocator* a = allocator_ ? allocator_ : &kDefaultAllocator;
  if (count_ == static_cast<int>(std::size(blocks_))) return nullptr;
  void* p = a->allocate(a->context, bytes == 0 ? 1 : bytes);
  if (p) blocks_[count_++] = p;
  return p;
}

}  // namespace tavrel
