#pragma once
// Heap of the FFT, convolution and FIR kernels: 32-byte aligned blocks.
//
//   void* p = KernelAlloc(bytes);   // nullptr on failure or for 0 bytes
//   KernelFree(p);                  // nullptr is ignored
//
// Tests swap the heap (ScopedKernelHeap) to fail chosen allocations and to
// count what is still held, so every out-of-memory path can be reached
// without exhausting the machine.
#include <cstddef>

namespace tavrel::kernels {

struct KernelHeap {
  void* (*alloc)(std::size_t bytes);
  void (*release)(void* block);
};

void* KernelAlloc(std::size_t bytes);
void KernelFree(void* block);

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
