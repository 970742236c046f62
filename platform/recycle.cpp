#include "platform/recycle.h"

#include <mutex>
#include <new>

namespace tavrel {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRecycle = false;
#else
constexpr bool kRecycle = true;
#endif

constexpr std::size_t kGrain = 16;
constexpr std::size_t kLists = kRecycledMaxBytes / kGrain;

// A free block holds the link to the next one.
struct FreeBlock {
  FreeBlock* next;
};

struct FreeList {
  std::mutex guard;
  FreeBlock* first = nullptr;
  std::size_t count = 0;
};

FreeList& ListFor(std::size_t bytes) {
  // Never destroyed: objects released during static destruction still find it.
  static FreeList* const lists = new FreeList[kLists];
  return lists[(bytes - 1) / kGrain];
}

}  // namespace

void* RecycledAllocate(std::size_t bytes) {
  if (!kRecycle || bytes == 0 || bytes > kRecycledMaxBytes) return ::operator new(bytes);
  FreeList& list = ListFor(bytes);
  {
    std::lock_guard hold(list.guard);
    if (FreeBlock* b = list.first) {
      list.first = b->next;
      --list.count;
      return b;
    }
  }
  // Every block of a list has the list's full size, so any request of the
  // list fits the block it gets back.
  return ::operator new(((bytes - 1) / kGrain + 1) * kGrain);
}

void RecycledFree(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (!kRecycle || bytes == 0 || bytes > kRecycledMaxBytes) {
    ::operator delete(block);
    return;
  }
  FreeList& list = ListFor(bytes);
  {
    std::lock_guard hold(list.guard);
    if (list.count < kRecycledKept) {
      auto* b = static_cast<FreeBlock*>(block);
      b->next = list.first;
      list.first = b;
      ++list.count;
      return;
    }
  }
  ::operator delete(block);
}

}  // namespace tavrel
