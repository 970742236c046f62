#include "platform/recycle.h"

#include <mutex>
#include <new>

#include "platform/sanitizers.h"

namespace tavrel {
namespace {

#ifdef TAVREL_ASAN
constexpr bool kRecycle = false;
#else
constexpr bool kRecycle = true;
#endif

constexpr std::size_t kGrain = 16;
constexpr std::size_t kLists = kRecycledMaxBytes / kGrain;

std::size_t ListIndex(std::size_t bytes) { return (bytes - 1) / kGrain; }

// A free block holds the link to the next one.
struct FreeBlock {
  FreeBlock* next;
};

// A chain of free blocks of one size.
struct Chain {
  FreeBlock* first = nullptr;
  std::size_t count = 0;

  void Push(FreeBlock* b) {
    b->next = first;
    first = b;
    ++count;
  }
  FreeBlock* Pop() {
    FreeBlock* b = first;
    first = b->next;
    --count;
    return b;
  }
};

struct SharedList {
  std::mutex guard;
  Chain chain;
};

SharedList& SharedFor(std::size_t index) {
  // Never destroyed: objects released during static destruction still find it.
  static SharedList* const lists = new SharedList[kLists];
  return lists[index];
}

// Moves up to `n` blocks from the front of `from` to `to`.
void MoveBlocks(Chain& from, Chain& to, std::size_t n) {
  for (; n > 0 && from.first; --n) to.Push(from.Pop());
}

// Each thread keeps a few blocks of each size of its own, so the objects an
// audio buffer makes and drops on one thread take no lock; blocks move to
// and from the shared lists a batch at a time. The cache is plain data (no
// destructor of its own): a closer registered on first use hands its blocks
// back when the thread ends, and from then on that thread uses the shared
// lists directly.
constexpr std::size_t kBatch = kRecycledThreadKept / 2;

enum class CacheState : unsigned char { kUnused, kOpen, kClosed };

struct ThreadCache {
  Chain chains[kLists];
  CacheState state;
};
thread_local constinit ThreadCache tCache{};

void ReturnBatch(Chain& chain, std::size_t index, std::size_t n) {
  SharedList& shared = SharedFor(index);
  {
    std::lock_guard hold(shared.guard);
    for (; n > 0 && chain.first && shared.chain.count < kRecycledKept; --n) shared.chain.Push(chain.Pop());
  }
  // What the shared list has no room for goes back to the heap.
  for (; n > 0 && chain.first; --n) ::operator delete(chain.Pop());
}

struct CacheCloser {
  ~CacheCloser() {
    tCache.state = CacheState::kClosed;
    for (std::size_t i = 0; i < kLists; ++i) ReturnBatch(tCache.chains[i], i, tCache.chains[i].count);
  }
};
thread_local CacheCloser tCloser;

// The calling thread's cache; nil once the thread is ending.
ThreadCache* OwnCache() {
  ThreadCache& cache = tCache;
  if (cache.state == CacheState::kOpen) return &cache;
  if (cache.state == CacheState::kClosed) return nullptr;
  static_cast<void>(&tCloser);  // registers the closer for this thread
  cache.state = CacheState::kOpen;
  return &cache;
}

}  // namespace

void* RecycledAllocate(std::size_t bytes) {
  if (!kRecycle || bytes == 0 || bytes > kRecycledMaxBytes) return ::operator new(bytes);
  const std::size_t index = ListIndex(bytes);
  ThreadCache* cache = OwnCache();
  if (cache && cache->chains[index].first) return cache->chains[index].Pop();
  {
    SharedList& shared = SharedFor(index);
    std::lock_guard hold(shared.guard);
    if (cache) MoveBlocks(shared.chain, cache->chains[index], kBatch);
    else if (shared.chain.first) return shared.chain.Pop();
  }
  if (cache && cache->chains[index].first) return cache->chains[index].Pop();
  // Every block of a list has the list's full size, so any request of the
  // list fits the block it gets back.
  return ::operator new((index + 1) * kGrain);
}

void RecycledFree(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) return;
  if (!kRecycle || bytes == 0 || bytes > kRecycledMaxBytes) {
    ::operator delete(block);
    return;
  }
  const std::size_t index = ListIndex(bytes);
  auto* b = static_cast<FreeBlock*>(block);
  if (ThreadCache* cache = OwnCache()) {
    Chain& own = cache->chains[index];
    own.Push(b);
    if (own.count > kRecycledThreadKept) ReturnBatch(own, index, kBatch);
    return;
  }
  Chain one;
  one.Push(b);
  ReturnBatch(one, index, 1);
}

std::size_t RecycledSharedBlocks(std::size_t bytes) {
  if (bytes == 0 || bytes > kRecycledMaxBytes) return 0;
  SharedList& shared = SharedFor(ListIndex(bytes));
  std::lock_guard hold(shared.guard);
  return shared.chain.count;
}

std::size_t RecycledThreadBlocks(std::size_t bytes) {
  if (!kRecycle || bytes == 0 || bytes > kRecycledMaxBytes) return 0;
  const ThreadCache* cache = OwnCache();
  return cache ? cache->chains[ListIndex(bytes)].count : 0;
}

}  // namespace tavrel
