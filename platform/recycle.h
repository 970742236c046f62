#pragma once
// Reused blocks for the small objects made and dropped once per audio
// buffer (lock sections, operations, buffer objects, data containers): a
// class derived from TRecycled gets an operator new and delete that take a
// block from, and give it back to, a free list per block size, so that once
// the lists hold as many blocks as were ever alive at once, making such an
// object costs no heap call.
//
//   class TOWNotifyOperation : public IOWNotifyOperation, public TRecycled { ... };
//   auto op = MakeRef<TOWSuppliedBufferOperation>(buffer);   // a kept block when one is free
//
// Descendants share their base's operator new; each block size has its own
// list. Blocks over kRecycledMaxBytes go to the heap and back. Each thread
// keeps a few blocks of each size of its own, taken and given without a
// lock; beyond those, blocks move a batch at a time to and from lists shared
// by every thread, which keep at most kRecycledKept blocks each (more are
// returned to the heap). A thread's own blocks go to the shared lists when
// it ends. Under AddressSanitizer every block goes to the heap and back, so
// that a use after free is still caught.
#include <cstddef>

namespace tavrel {

inline constexpr std::size_t kRecycledMaxBytes = 512;
inline constexpr std::size_t kRecycledKept = 4096;
inline constexpr std::size_t kRecycledThreadKept = 64;  // per size, per thread

void* RecycledAllocate(std::size_t bytes);
void RecycledFree(void* block, std::size_t bytes) noexcept;
// The blocks the shared list of that size holds (not those threads keep),
// and those the calling thread keeps, for tests.
std::size_t RecycledSharedBlocks(std::size_t bytes);
std::size_t RecycledThreadBlocks(std::size_t bytes);

class TRecycled {
 public:
  static void* operator new(std::size_t bytes) { return RecycledAllocate(bytes); }
  static void operator delete(void* block, std::size_t bytes) noexcept { RecycledFree(block, bytes); }
};

}  // namespace tavrel
