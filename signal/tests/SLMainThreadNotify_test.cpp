#include "signal/SLMainThreadNotify.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstring>
#include <thread>
#include <vector>

#include "signal/LPThread.h"

namespace tavrel {
namespace {

// The tests run on the thread that ran the module start-up: the main thread.
TEST(SLMainThreadNotify, MainThreadCallIsImmediateForcedPostWaitsForTheLoop) {
  ASSERT_EQ(MainThreadID(), GetCurrentThreadId());
  int calls = 0;
  TSLMainThreadNotify n(TNotifyEvent([&](TObject* s) {
    EXPECT_EQ(s, &n);
    ++calls;
  }));
  n.Notify(false);
  EXPECT_EQ(calls, 1);
  n.Notify(true);
  EXPECT_EQ(calls, 1);
  ProcessMessages();
  EXPECT_EQ(calls, 2);
}

TEST(SLMainThreadNotify, RequestsFromAWorkerMergeWhileAMessageIsPending) {
  int calls = 0;
  TSLMainThreadNotify n(TNotifyEvent([&](TObject*) { ++calls; }));
  std::thread([&] {
    for (int i = 0; i < 3; ++i) n.Notify(false);
  }).join();
  ProcessMessages();
  EXPECT_EQ(calls, 1);
  // Cleared before the callback: a later request posts again.
  std::thread([&] { n.Notify(false); }).join();
  ProcessMessages();
  EXPECT_EQ(calls, 2);
}

TEST(SLMainThreadNotify, PendingMessageOfADestroyedNotifierIsIgnored) {
  int kept = 0, lost = 0;
  TSLMainThreadNotify keeper(TNotifyEvent([&](TObject*) { ++kept; }));
  {
    TSLMainThreadNotify gone(TNotifyEvent([&](TObject*) { ++lost; }));
    gone.Notify(true);
  }
  // A notifier made now must not receive the stale message.
  TSLMainThreadNotify fresh(TNotifyEvent([&](TObject*) { ++lost; }));
  keeper.Notify(true);
  ProcessMessages();
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(kept, 1);
}

Ref<TSLMemoryBuffer> Numbered(uint32_t v) {
  Ref<TSLMemoryBuffer> b = TSLMemoryBuffer::CreateSize(sizeof v);
  std::memcpy(b->ByteWrite(), &v, sizeof v);
  return b;
}

uint32_t NumberOf(const Ref<TSLData>& d) {
  uint32_t v;
  std::memcpy(&v, dynamic_cast<TSLGenericBuffer&>(*d).ByteRead(), sizeof v);
  return v;
}

TEST(SLMainThreadBufferQueue, SingleModeDropsTheSecondAndDeliversTheFirst) {
  std::vector<uint32_t> got;
  TSLMainThreadBufferQueue q(TSLBufferNotifyEvent([&](TObject*, const Ref<TSLData>& b) { got.push_back(NumberOf(b)); }));
  EXPECT_TRUE(q.AddBuffer(*Numbered(1), false));
  EXPECT_FALSE(q.AddBuffer(*Numbered(2), false));
  ProcessMessages();
  EXPECT_EQ(got, std::vector<uint32_t>{1});
}

// Producers run far ahead of the loop: every buffer is delivered in order
// per producer, never more than the limit are out, no producer waits for
// ever, and the dropped ones are given back.
TEST(SLMainThreadBufferQueue, ManyProducersAgainstTheLoop) {
  constexpr int kProducers = 4, kEach = 500;
  for (bool queueMode : {true, false}) {
    std::vector<std::vector<uint32_t>> seen(kProducers);
    std::atomic<int> outstanding{0}, peak{0}, dropped{0}, finished{0};
    int delivered = 0;
    TSLMainThreadBufferQueue q(TSLBufferNotifyEvent([&](TObject*, const Ref<TSLData>& b) {
      const uint32_t v = NumberOf(b);
      seen[v >> 16].push_back(v & 0xFFFF);
      ++delivered;
      --outstanding;
    }));
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
      producers.emplace_back([&, p] {
        for (int i = 0; i < kEach; ++i) {
          // Counted before the add, so that the delivery never sees it negative.
          const int now = ++outstanding;
          int old = peak.load();
          while (now > old && !peak.compare_exchange_weak(old, now)) {
          }
          if (!q.AddBuffer(*Numbered(uint32_t(p) << 16 | uint32_t(i)), queueMode)) {
            --outstanding;
            ++dropped;
          }
        }
        ++finished;
      });
    while (finished.load() < kProducers || delivered + dropped.load() < kProducers * kEach) ProcessMessages();
    for (auto& t : producers) t.join();
    ProcessMessages();
    EXPECT_EQ(delivered + dropped.load(), kProducers * kEach);
    // One per producer above the queue's own count: each may be between its
    // count and its add.
    EXPECT_LE(peak.load(), TSLMainThreadBufferQueue::kMaxOutstanding + kProducers);
    if (queueMode) {
      EXPECT_EQ(dropped.load(), 0);
    }
    for (auto& s : seen)
      for (size_t i = 1; i < s.size(); ++i) EXPECT_LT(s[i - 1], s[i]);
  }
}

// Closed while producers still run: each buffer is delivered before the
// close or counted as dropped, and none is delivered after it.
TEST(SLMainThreadBufferQueue, CloseUnderLoad) {
  constexpr int kProducers = 4, kEach = 2000;
  std::atomic<int> dropped{0};
  std::atomic<bool> closed{false};
  int delivered = 0, afterClose = 0;
  TSLMainThreadBufferQueue q(TSLBufferNotifyEvent([&](TObject*, const Ref<TSLData>&) {
    ++delivered;
    if (closed.load()) ++afterClose;
  }));
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
    producers.emplace_back([&] {
      for (int i = 0; i < kEach; ++i)
        if (!q.AddBuffer(*Numbered(uint32_t(i)), true)) ++dropped;
    });
  while (delivered < kProducers * kEach / 4) ProcessMessages();
  closed = true;  // before the close: a delivery that runs late is seen
  const int droppedAtClose = q.Close();
  for (auto& t : producers) t.join();
  ProcessMessages();
  EXPECT_EQ(afterClose, 0);
  EXPECT_EQ(delivered + dropped.load() + droppedAtClose, kProducers * kEach);
}

TEST(SLMainThreadBufferQueue, CloseLetsTheWaitingProducerGoAndDeliversNothingMore) {
  int delivered = 0;
  TSLMainThreadBufferQueue q(TSLBufferNotifyEvent([&](TObject*, const Ref<TSLData>&) { ++delivered; }));
  for (int i = 0; i < TSLMainThreadBufferQueue::kMaxOutstanding; ++i) ASSERT_TRUE(q.AddBuffer(*Numbered(i), true));
  std::atomic<int> result{-1};
  std::thread blocked([&] { result = q.AddBuffer(*Numbered(601), true) ? 1 : 0; });
  q.Close();
  blocked.join();
  EXPECT_EQ(result.load(), 0);
  ProcessMessages();
  EXPECT_EQ(delivered, 0);
}

TEST(SLMainThreadBufferQueue, TheBlockedProducerGoesOnAfterADelivery) {
  int delivered = 0;
  TSLMainThreadBufferQueue q(TSLBufferNotifyEvent([&](TObject*, const Ref<TSLData>&) { ++delivered; }));
  for (int i = 0; i < TSLMainThreadBufferQueue::kMaxOutstanding; ++i) q.AddBuffer(*Numbered(i), true);
  std::atomic<bool> done{false};
  std::thread blocked([&] {
    q.AddBuffer(*Numbered(601), true);
    done = true;
  });
  while (!done.load()) ProcessMessages();
  blocked.join();
  ProcessMessages();
  EXPECT_EQ(delivered, 601);
}

class TNamedThread : public TLPThread {
 public:
  explicit TNamedThread(std::string name) : TLPThread(std::move(name)) { Start(ThreadPriority::Normal); }
  ~TNamedThread() override { WaitFor(); }
  std::string seen;

 protected:
  void Execute() override {
    AnnounceThreadName();
    char buf[32] = {};
    pthread_getname_np(pthread_self(), buf, sizeof buf);
    seen = buf;
  }
};

TEST(LPThread, NameIsCutToTheSystemLimit) {
  auto owner = TComponent::CreateUnowned<TComponent>();
  owner->SetName("ALLowPass1");
  TNamedThread t(TLPThread::GetComponentName(owner.get()) + ".TSLFilterThread");
  t.WaitFor();
  EXPECT_EQ(t.Name(), "ALLowPass1.TSLFilterThread");
  EXPECT_EQ(t.seen, std::string("ALLowPass1.TSLFilterThread").substr(0, 15));
  auto unnamed = TComponent::CreateUnowned<TComponent>();
  EXPECT_EQ(TLPThread::GetComponentName(unnamed.get()), unnamed->ClassName());
}

}  // namespace
}  // namespace tavrel
