#include "platform/recycle.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/recycle_queue.h"
#include "platform/sanitizers.h"

namespace tavrel {
namespace {

struct Small : TRecycled {
  virtual ~Small() = default;
  uint64_t a = 0;
};
struct Larger : Small {  // a descendant of another size: its own list
  uint64_t more[9] = {};
};
struct Huge : TRecycled {
  uint8_t bytes[kRecycledMaxBytes + 1] = {};
};

#ifdef TAVREL_ASAN
constexpr bool kReused = false;  // every block goes back to the heap there
#else
constexpr bool kReused = true;
#endif

TEST(Recycled, ADroppedBlockIsTakenAgainBySameSizedObjectsOnly) {
  if (!kReused) GTEST_SKIP() << "AddressSanitizer build: blocks are not kept";
  Small* first = new Small;
  delete first;
  Larger* larger = new Larger;  // another list: not the block just kept
  EXPECT_NE(static_cast<void*>(larger), static_cast<void*>(first));
  Small* again = new Small;
  EXPECT_EQ(again, first);
  Small* asBase = larger;
  delete asBase;  // the descendant's size goes with it
  Larger* larger2 = new Larger;
  EXPECT_EQ(larger2, larger);
  delete larger2;
  delete again;
}

TEST(Recycled, LargeObjectsAndManyAtOnceStayIntact) {
  std::vector<Huge*> huge;
  for (int i = 0; i < 4; ++i) {
    huge.push_back(new Huge);
    huge.back()->bytes[kRecycledMaxBytes] = uint8_t(i);
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(huge[i]->bytes[kRecycledMaxBytes], i);
  for (Huge* h : huge) delete h;
  // More alive at once than a list keeps: the surplus goes back to the heap.
  std::vector<Small*> many;
  for (size_t i = 0; i < kRecycledKept + 100; ++i) {
    many.push_back(new Small);
    many.back()->a = i;
  }
  for (size_t i = 0; i < many.size(); ++i) ASSERT_EQ(many[i]->a, i);
  for (Small* s : many) delete s;
}

// Several threads making and dropping blocks of two sizes at once.
TEST(Recycled, ThreadsMakingAndDroppingShareTheLists) {
  constexpr int kThreads = 4, kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      std::vector<Small*> held;
      for (int i = 0; i < kRounds; ++i) {
        Small* s = (i % 3 == 0) ? new Larger : new Small;
        s->a = uint64_t(t) << 32 | uint64_t(i);
        held.push_back(s);
        if (held.size() > 16) {
          for (Small* h : held) {
            ASSERT_EQ(h->a >> 32, uint64_t(t));
            delete h;
          }
          held.clear();
        }
      }
      for (Small* h : held) delete h;
    });
  for (auto& th : threads) th.join();
}

// Made on one thread, dropped on another, as operations and buffers are
// between the capture and playback threads: blocks move between threads
// through the lists, and each arrives holding what its maker wrote.
TEST(Recycled, BlocksMadeOnOneThreadAndDroppedOnAnother) {
  constexpr int kPairs = 2, kRounds = 20000;
  std::mutex guard;
  std::condition_variable changed;
  TRecycledQueue<Small*> handed;
  int producing = kPairs;
  std::vector<std::thread> threads;
  for (int t = 0; t < kPairs; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        Small* s = (i % 2) ? new Larger : new Small;
        s->a = uint64_t(t) << 32 | uint64_t(i);
        std::lock_guard hold(guard);
        handed.push_back(s);
        changed.notify_one();
      }
      std::lock_guard hold(guard);
      --producing;
      changed.notify_all();
    });
    threads.emplace_back([&] {
      uint32_t last[kPairs] = {};
      for (;;) {
        Small* s;
        {
          std::unique_lock hold(guard);
          changed.wait(hold, [&] { return !handed.empty() || producing == 0; });
          if (handed.empty()) return;
          s = handed.front();
          handed.pop_front();
        }
        const uint64_t maker = s->a >> 32;
        ASSERT_LT(maker, uint64_t(kPairs));
        ASSERT_GE(uint32_t(s->a), last[maker]);  // each maker's in the order made
        last[maker] = uint32_t(s->a);
        delete s;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_TRUE(handed.empty());
}

// Blocks one thread drops beyond the few it keeps reach the shared lists
// while it runs, where the thread that makes such objects finds them.
TEST(Recycled, AThreadKeepsOnlyAFewBlocksOfItsOwn) {
  if (!kReused) GTEST_SKIP() << "AddressSanitizer build: blocks are not kept";
  struct Block : TRecycled {  // a size the other tests leave alone
    uint8_t bytes[300];
  };
  constexpr size_t kMade = 1000;
  std::vector<Block*> made;
  for (size_t i = 0; i < kMade; ++i) made.push_back(new Block);
  const size_t before = RecycledSharedBlocks(sizeof(Block));
  std::thread([&] {
    for (Block* b : made) delete b;
    EXPECT_GE(RecycledSharedBlocks(sizeof(Block)), before + kMade - kRecycledThreadKept);
  }).join();
}

// What a full shared list has no room for goes back to the heap: a thread
// that drops one block past those it keeps sends a batch (half of them)
// away and keeps the rest, however full the shared list is.
TEST(Recycled, AFullSharedListSendsTheSurplusToTheHeap) {
  if (!kReused) GTEST_SKIP() << "AddressSanitizer build: blocks are not kept";
  struct Block : TRecycled {  // a size the other tests leave alone
    uint8_t bytes[400];
  };
  std::vector<Block*> made;
  for (size_t i = 0; i < kRecycledKept + kRecycledThreadKept + 1; ++i) made.push_back(new Block);
  const auto fill = made.begin() + kRecycledKept;
  std::thread([&] {
    for (auto it = made.begin(); it != fill; ++it) delete *it;
  }).join();
  ASSERT_EQ(RecycledSharedBlocks(sizeof(Block)), kRecycledKept);
  std::thread([&] {
    for (auto it = fill; it != made.end(); ++it) delete *it;
    EXPECT_EQ(RecycledThreadBlocks(sizeof(Block)), kRecycledThreadKept + 1 - kRecycledThreadKept / 2);
    EXPECT_EQ(RecycledSharedBlocks(sizeof(Block)), kRecycledKept);
  }).join();
  EXPECT_EQ(RecycledSharedBlocks(sizeof(Block)), kRecycledKept);
}

// A thread keeps blocks of its own; when it ends they all go to the shared
// lists, also one dropped by a thread-local object destroyed after the
// thread's own blocks were handed back. Sizes the other tests leave alone,
// the largest kept among them.
template <size_t kBytes>
void ExpectAnEndingThreadHandsEveryBlockBack() {
  struct Block : TRecycled {
    uint8_t bytes[kBytes];
  };
  static_assert(sizeof(Block) == kBytes);
  struct Holder {
    Block* kept = nullptr;
    ~Holder() { delete kept; }
  };
  const size_t before = RecycledSharedBlocks(sizeof(Block));
  std::thread([before] {
    thread_local Holder holder;  // made before the thread's first block: destroyed after its cache
    // Everything the shared list held, and three more from the heap; all
    // but one dropped into the thread's own blocks.
    std::vector<Block*> made;
    for (size_t i = 0; i < before + 3; ++i) made.push_back(new Block);
    holder.kept = made.back();
    made.pop_back();
    for (Block* b : made) delete b;
  }).join();
  EXPECT_EQ(RecycledSharedBlocks(sizeof(Block)), before + 3) << kBytes << "-byte blocks";
}

TEST(Recycled, AnEndingThreadHandsEveryBlockBack) {
  if (!kReused) GTEST_SKIP() << "AddressSanitizer build: blocks are not kept";
  ExpectAnEndingThreadHandsEveryBlockBack<200>();
  ExpectAnEndingThreadHandsEveryBlockBack<kRecycledMaxBytes>();
}

}  // namespace
}  // namespace tavrel
