#pragma once
// Counts heap allocations of a benchmark program through its own global
// operator new. Include it in exactly one file of a program.
//
//   const uint64_t before = tavrel::bench::HeapAllocations();
//   ...;
//   const uint64_t made = tavrel::bench::HeapAllocations() - before;
//
// ThreadHeapAllocations counts those of the calling thread only, so code
// running on another thread (a wave thread, say) can report its own.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace tavrel::bench {

inline std::atomic<uint64_t> gHeapAllocations{0};
inline thread_local uint64_t tThreadHeapAllocations = 0;
inline uint64_t HeapAllocations() { return gHeapAllocations.load(std::memory_order_relaxed); }
inline uint64_t ThreadHeapAllocations() { return tThreadHeapAllocations; }

}  // namespace tavrel::bench

void* operator new(std::size_t n) {
  tavrel::bench::gHeapAllocations.fetch_add(1, std::memory_order_relaxed);
  ++tavrel::bench::tThreadHeapAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
// GCC cannot see that these pair with the operator new above.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
