#include "math/kernel_heap.h"

#include <cstdint>

#include "math/runtime.h"

namespace tavrel::kernels {
namespace {

void* SystemAlloc(std::size_t bytes) {
  if (bytes > static_cast<std::size_t>(INT64_MAX)) return nullptr;
  return AlignedMalloc(static_cast<std::int64_t>(bytes));
}

void SystemFree(void* block) { AlignedFree(block); }

KernelHeap g_heap{SystemAlloc, SystemFree};

}  // namespace

void* KernelAlloc(std::size_t bytes) { return g_heap.alloc(bytes); }

void KernelFree(void* block) {
  if (block != nullptr) g_heap.release(block);
}

ScopedKernelHeap::ScopedKernelHeap(KernelHeap heap) : previous_(g_heap) { g_heap = heap; }
ScopedKernelHeap::~ScopedKernelHeap() { g_heap = previous_; }

}  // namespace tavrel::kernels
