#include "math/kernel_heap.h"

#include <cstdlib>

namespace tavrel::kernels {
namespace {

void* SystemAlloc(std::size_t bytes) {
  // Round up so aligned_alloc's size rule holds; 0 bytes gives no block.
  if (bytes == 0 || bytes > static_cast<std::size_t>(-1) - 31) return nullptr;
  return std::aligned_alloc(32, (bytes + 31) & ~static_cast<std::size_t>(31));
}

void SystemFree(void* block) { std::free(block); }

KernelHeap g_heap{SystemAlloc, SystemFree};

}  // namespace

void* KernelAlloc(std::size_t bytes) { return g_heap.alloc(bytes); }

void KernelFree(void* block) {
  if (block != nullptr) g_heap.release(block);
}

ScopedKernelHeap::ScopedKernelHeap(KernelHeap heap) : previous_(g_heap) { g_heap = heap; }
ScopedKernelHeap::~ScopedKernelHeap() { g_heap = previous_; }

}  // namespace tavrel::kernels
