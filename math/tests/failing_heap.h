#pragma once
// A kernel heap for tests: counts blocks and fails the k-th allocation.
//
//   FailingHeap heap(3);          // the third allocation returns nullptr
//   ... call the kernel ...
//   EXPECT_EQ(heap.live(), 0);    // nothing leaked
#include <cstdint>

#include "math/kernel_heap.h"
#include "math/runtime.h"

namespace tavrel::kernels {

class FailingHeap {
 public:
  explicit FailingHeap(int failAt = 0) : scope_(KernelHeap{Alloc, Release}) {
    state_ = State{0, failAt, 0};
  }
  int allocations() const { return state_.allocations; }
  int live() const { return state_.live; }

 private:
  struct State {
    int allocations, failAt, live;
  };
  static inline State state_{};
  static void* Alloc(std::size_t bytes) {
    // The kernels' own heap underneath, so blocks may cross the swap.
    if (++state_.allocations == state_.failAt) return nullptr;
    void* block = AlignedMalloc(static_cast<std::int64_t>(bytes));
    if (block != nullptr) ++state_.live;
    return block;
  }
  static void Release(void* block) {
    --state_.live;
    AlignedFree(block);
  }
  ScopedKernelHeap scope_;
};

// Runs `call` once to count its allocations, then once per allocation with
// that one failing; every failing run must return -9 and leave nothing held.
template <typename Call>
void ExpectEveryAllocationFailureReported(Call call) {
  int count = 0;
  {
    FailingHeap heap;
    ASSERT_EQ(call(), 0);
    count = heap.allocations();
  }
  ASSERT_GT(count, 0);
  for (int k = 1; k <= count; ++k) {
    FailingHeap heap(k);
    EXPECT_EQ(call(), -9) << "allocation " << k;
    EXPECT_EQ(heap.live(), 0) << "allocation " << k;
  }
}

}  // namespace tavrel::kernels
