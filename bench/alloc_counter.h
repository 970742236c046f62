#pragma once
// Counts heap allocations of a benchmark program through its own global
// operator new. Include it in exactly one file of a program.
//
//   const uint64_t before = tavrel::bench::HeapAllocations();
//   ...;
//   const uint64_t made = tavrel::bench::HeapAllocations() - before;
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace tavrel::bench {

inline std::atomic<uint64_t> gHeapAllocations{0};
inline uint64_t HeapAllocations() { return gHeapAllocations.load(std::memory_order_relaxed); }

}  // namespace tavrel::bench

void* operator new(std::size_t n) {
  tavrel::bench::gHeapAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
// GCC cannot see that these pair with the operator new above.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
