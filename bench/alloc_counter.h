#pragma once
// Counts heap allocations of a benchmark program: its own global operator
// new and the C library's allocation functions (malloc, calloc, realloc and
// the aligned ones), which it takes over and passes on to the C library's
// own entry points, so that an allocation made by any library counts too.
// Include it in exactly one file of a program.
//
//   const uint64_t before = tavrel::bench::HeapAllocations();
//   ...;
//   const uint64_t made = tavrel::bench::HeapAllocations() - before;
//
// ThreadHeapAllocations counts those of the calling thread only, so code
// running on another thread (a wave thread, say) can report its own;
// ThreadHeapAllocationsOf reads any thread's count by its kernel id, for
// threads the program does not own.
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>

namespace tavrel::bench {

inline std::atomic<uint64_t> gHeapAllocations{0};
inline thread_local uint64_t tThreadHeapAllocations = 0;
inline uint64_t HeapAllocations() { return gHeapAllocations.load(std::memory_order_relaxed); }
inline uint64_t ThreadHeapAllocations() { return tThreadHeapAllocations; }

// One counter per thread that allocated, claimed at its first allocation.
// A fixed table: claiming a slot must not allocate. Threads beyond it are
// counted only in the totals.
struct ThreadAllocationSlot {
  std::atomic<pid_t> tid{0};
  std::atomic<uint64_t> count{0};
};
inline ThreadAllocationSlot gThreadSlots[256];
inline std::atomic<size_t> gThreadSlotsUsed{0};
inline thread_local ThreadAllocationSlot* tThreadSlot = nullptr;
inline thread_local bool tThreadSlotTried = false;

// The count of the thread with kernel id `tid`; its latest slot, as ids
// are reused once a thread ends.
inline uint64_t ThreadHeapAllocationsOf(pid_t tid) {
  for (size_t i = std::min<size_t>(gThreadSlotsUsed.load(), std::size(gThreadSlots)); i-- > 0;)
    if (gThreadSlots[i].tid.load(std::memory_order_acquire) == tid)
      return gThreadSlots[i].count.load(std::memory_order_relaxed);
  return 0;
}

inline void CountAllocation() {
  gHeapAllocations.fetch_add(1, std::memory_order_relaxed);
  ++tThreadHeapAllocations;
  if (!tThreadSlotTried) {
    tThreadSlotTried = true;
    const size_t i = gThreadSlotsUsed.fetch_add(1);
    if (i < std::size(gThreadSlots)) {
      tThreadSlot = &gThreadSlots[i];
      tThreadSlot->tid.store(static_cast<pid_t>(::syscall(SYS_gettid)), std::memory_order_release);
    }
  }
  if (tThreadSlot) tThreadSlot->count.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace tavrel::bench

// The C library's own entry points (glibc).
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t n) {
  tavrel::bench::CountAllocation();
  return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
  tavrel::bench::CountAllocation();
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
  tavrel::bench::CountAllocation();
  return __libc_realloc(p, n);
}
void* memalign(std::size_t alignment, std::size_t n) {
  tavrel::bench::CountAllocation();
  return __libc_memalign(alignment, n);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) {
  tavrel::bench::CountAllocation();
  return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
  tavrel::bench::CountAllocation();
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = __libc_memalign(alignment, n);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
void free(void* p) { __libc_free(p); }
}

void* operator new(std::size_t n) {
  tavrel::bench::CountAllocation();
  if (void* p = __libc_malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete(void* p, std::size_t) noexcept { __libc_free(p); }
