#pragma once
// Heap of the FFT, convolution and FIR kernels: 32-byte aligned blocks from
// AlignedMalloc (math/runtime.h).
//
//   void* p = KernelAlloc(bytes);   // nullptr on failure or for 0 bytes
//   KernelFree(p);                  // nullptr is ignored
//
// Tests swap the heap (ScopedKernelHeap) to fail chosen allocations and to
// count what is still held, so every out-of-memory path can be reached
// without exhausting the machine.
#include <cstddef>
#include <memory>

namespace tavrel::kernels {

struct KernelHeap {
  void* (*alloc)(std::size_t bytes);
  void (*release)(void* block);
};

void* KernelAlloc(std::size_t bytes);
void KernelFree(void* block);

struct KernelFreeDeleter {
  void operator()(void* block) const { KernelFree(block); }
};
template <typename T>
using KernelArray = std::unique_ptr<T[], KernelFreeDeleter>;

// count elements of T, or null when that many bytes cannot be had.
template <typename T>
KernelArray<T> AllocKernelArray(std::size_t count) {
  if (count == 0 || count > static_cast<std::size_t>(-1) / sizeof(T)) return nullptr;
  return KernelArray<T>(static_cast<T*>(KernelAlloc(count * sizeof(T))));
}

// bytes rounded up to 16, for parts carved out of one block.
constexpr std::size_t RoundUp16(std::size_t bytes) { return (bytes + 15) & ~std::size_t(15); }

// Installs `heap` for the lifetime of the object (tests only; not thread-safe).
class ScopedKernelHeap {
 public:
  explicit ScopedKernelHeap(KernelHeap heap);
  ~ScopedKernelHeap();
  ScopedKernelHeap(const ScopedKernelHeap&) = delete;
  ScopedKernelHeap& operator=(const ScopedKernelHeap&) = delete;

 private:
  KernelHeap previous_;
};

}  // namespace tavrel::kernels
