#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

namespace tavrel {
namespace {

// Runs `fn` on a fresh thread and waits for it.
template <class Fn>
auto OnOtherThread(Fn fn) {
  decltype(fn()) result{};
  std::thread([&] { result = fn(); }).join();
  return result;
}

struct EventCase {
  bool manualReset;
  bool initialState;
  bool waitResult;
  bool signalledAfter;
};

TEST(Event, PollingWaitByResetKindAndState) {
  const EventCase cases[] = {
      {false, false, false, false},
      {false, true, true, false},  // an auto-reset event lets one wait through
      {true, false, false, false},
      {true, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "manual=" << c.manualReset << " initial=" << c.initialState);
    Event e(c.manualReset, c.initialState);
    EXPECT_EQ(e.WaitFor(0), c.waitResult);
    EXPECT_EQ(e.WaitFor(0), c.signalledAfter);
  }
}

TEST(Event, SetAndResetChangeTheState) {
  for (bool manual : {false, true}) {
    Event e(manual, false);
    e.Set();
    e.Set();  // setting twice still lets only one auto-reset wait through
    EXPECT_TRUE(e.WaitFor(0));
    EXPECT_EQ(e.WaitFor(0), manual);
    e.Set();
    e.Reset();
    EXPECT_FALSE(e.WaitFor(0));
  }
}

TEST(Event, SetReleasesWaitersOnOtherThreads) {
  Event manual(true, false);
  Event autoReset(false, false);
  Semaphore passed(0, 5);
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] { EXPECT_TRUE(manual.WaitFor(INFINITE)); });
  for (int i = 0; i < 2; ++i)
    waiters.emplace_back([&] {
      EXPECT_TRUE(autoReset.WaitFor(INFINITE));
      passed.Increment(1);
    });
  manual.Set();  // lets all three through
  autoReset.Set();  // one Set, one waiter
  EXPECT_TRUE(passed.Decrement(INFINITE));
  EXPECT_FALSE(passed.Decrement(0));
  autoReset.Set();
  EXPECT_TRUE(passed.Decrement(INFINITE));
  for (auto& t : waiters) t.join();
}

// A timed wait gives up, unobtained, when nothing signals; and a long one
// ends as soon as another thread signals instead of running out its time
// (the hour is a hang guard: the test would hang, not pass, if it waited).
TEST(TimedWaits, GiveUpUnobtainedOrEndOnTheSignal) {
  Event e(true, false);
  Semaphore s(0, 1);
  OwnedMutex m(true);
  EXPECT_FALSE(e.WaitFor(30));
  EXPECT_FALSE(s.Decrement(30));
  EXPECT_EQ(OnOtherThread([&] { return m.Acquire(30); }), WaitResult::TimedOut);

  constexpr uint32_t kHour = 3600 * 1000;
  std::thread signaller([&] {
    e.Set();
    s.Increment(1);
  });
  EXPECT_TRUE(e.WaitFor(kHour));
  EXPECT_TRUE(s.Decrement(kHour));
  signaller.join();
  WaitResult acquired = WaitResult::TimedOut;
  std::thread waiter([&] {
    acquired = m.Acquire(kHour);
    m.Release();
  });
  m.Release();  // the creator's ownership
  waiter.join();
  EXPECT_EQ(acquired, WaitResult::Obtained);
}

TEST(OwnedMutex, IsRecursiveAndExcludesOtherThreadsUntilTheLastRelease) {
  OwnedMutex m;
  auto tryFromOther = [&] {
    return OnOtherThread([&] {
      WaitResult r = m.Acquire(0);
      if (r != WaitResult::TimedOut) m.Release();
      return r;
    });
  };
  EXPECT_EQ(m.Acquire(INFINITE), WaitResult::Obtained);
  EXPECT_EQ(m.Acquire(0), WaitResult::Obtained);
  EXPECT_EQ(m.Owner(), GetCurrentThreadId());
  EXPECT_EQ(tryFromOther(), WaitResult::TimedOut);
  EXPECT_TRUE(m.Release());
  EXPECT_EQ(tryFromOther(), WaitResult::TimedOut);
  EXPECT_TRUE(m.Release());
  EXPECT_EQ(m.Owner(), 0u);
  EXPECT_EQ(tryFromOther(), WaitResult::Obtained);
  EXPECT_FALSE(m.Release());  // not held
}

TEST(OwnedMutex, BlockedThreadGetsItAfterTheOwnersLastRelease) {
  OwnedMutex m;
  ASSERT_EQ(m.Acquire(INFINITE), WaitResult::Obtained);
  ASSERT_EQ(m.Acquire(INFINITE), WaitResult::Obtained);
  std::atomic<bool> obtained{false};
  std::thread waiter([&] {
    EXPECT_EQ(m.Acquire(INFINITE), WaitResult::Obtained);
    obtained = true;
    m.Release();
  });
  m.Release();
  EXPECT_FALSE(obtained);  // still held once
  m.Release();
  waiter.join();
  EXPECT_TRUE(obtained);
}

TEST(OwnedMutex, OnlyTheOwnerReleases) {
  OwnedMutex m;
  ASSERT_EQ(m.Acquire(INFINITE), WaitResult::Obtained);
  EXPECT_FALSE(OnOtherThread([&] { return m.Release(); }));
  EXPECT_EQ(m.Owner(), GetCurrentThreadId());
  m.Release();
}

TEST(OwnedMutex, AbandonedByAnEndedThreadIsObtainedWithFreshCounters) {
  OwnedMutex m;
  std::thread([&] {
    m.Acquire(INFINITE);
    m.Acquire(INFINITE);  // ends holding it twice
  }).join();
  EXPECT_EQ(m.Acquire(0), WaitResult::Abandoned);
  EXPECT_EQ(m.Owner(), GetCurrentThreadId());
  EXPECT_TRUE(m.Release());  // one release frees it: the dead owner's count is gone
  EXPECT_EQ(m.Owner(), 0u);
  EXPECT_EQ(OnOtherThread([&] {
              WaitResult r = m.Acquire(0);
              m.Release();
              return r;
            }),
            WaitResult::Obtained);
}

TEST(OwnedMutex, WaiterIsHandedAMutexAbandonedWhileItWaits) {
  OwnedMutex m;
  Event held(true, false), finish(true, false);
  std::thread owner([&] {
    m.Acquire(INFINITE);
    held.Set();
    finish.WaitFor(INFINITE);
  });
  held.WaitFor(INFINITE);
  std::thread waiter([&] {
    EXPECT_EQ(m.Acquire(INFINITE), WaitResult::Abandoned);
    m.Release();
  });
  finish.Set();
  owner.join();
  waiter.join();
  EXPECT_EQ(m.Owner(), 0u);
}

TEST(OwnedMutex, InitialOwnerIsTheCreator) {
  OwnedMutex m(true);
  EXPECT_EQ(m.Owner(), GetCurrentThreadId());
  EXPECT_EQ(OnOtherThread([&] { return m.Acquire(0); }), WaitResult::TimedOut);
  EXPECT_TRUE(m.Release());
  EXPECT_EQ(m.Owner(), 0u);
}

TEST(OwnedMutex, DestroyedWhileHeldLeavesNothingBehind) {
  // The owner's thread-exit hand-over must not touch a destroyed mutex
  // (AddressSanitizer reports it if it does).
  std::thread([] {
    auto m = std::make_unique<OwnedMutex>();
    m->Acquire(INFINITE);
    m.reset();
  }).join();
}

int CountDecrements(Semaphore& s) {
  int n = 0;
  while (s.Decrement(0)) ++n;
  return n;
}

TEST(Semaphore, IncrementPastTheMaximumFailsAndChangesNothing) {
  struct Case {
    int initial, maximum, increment;
    bool ok;
    int countAfter;
  };
  const Case cases[] = {
      {0, 3, 3, true, 3},  {1, 3, 2, true, 3}, {1, 3, 3, false, 1},
      {3, 3, 1, false, 3}, {0, 3, 0, false, 0}, {2, 3, -1, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.initial << "/" << c.maximum << " +" << c.increment);
    Semaphore s(c.initial, c.maximum);
    EXPECT_EQ(s.Increment(c.increment), c.ok);
    EXPECT_EQ(CountDecrements(s), c.countAfter);
  }
}

TEST(Semaphore, DecrementWaitsForAnIncrementFromAnotherThread) {
  Semaphore s(0, 2);
  std::thread producer([&] { EXPECT_TRUE(s.Increment(2)); });
  EXPECT_TRUE(s.Decrement(INFINITE));
  EXPECT_TRUE(s.Decrement(INFINITE));
  producer.join();
  EXPECT_FALSE(s.Decrement(0));
}

// Producers and consumers around a small maximum: every count given is
// taken once, and none is lost to a wake that came between a consumer's
// look and its sleep (that would hang here).
TEST(Semaphore, ManyThreadsGiveAndTakeEveryCountOnce) {
  constexpr int kThreads = 4, kEach = 20000, kMaximum = 2;
  Semaphore s(0, kMaximum);
  std::atomic<int> taken{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i)
        while (!s.Increment(1)) std::this_thread::yield();  // full: the consumers make room
    });
    threads.emplace_back([&] {
      constexpr uint32_t kHour = 3600 * 1000;  // a hang guard, not a time limit
      for (int i = 0; i < kEach; ++i) {
        ASSERT_TRUE(s.Decrement(kHour));
        ++taken;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(taken.load(), kThreads * kEach);
  EXPECT_FALSE(s.Decrement(0));
}

TEST(CriticalSection, IsRecursiveForTheHolder) {
  CriticalSection cs;
  auto tryFromOther = [&] {
    return OnOtherThread([&] {
      bool got = cs.TryEnter();
      if (got) cs.Leave();
      return got;
    });
  };
  cs.Enter();
  {
    std::lock_guard hold(cs);
    EXPECT_FALSE(tryFromOther());
  }
  EXPECT_FALSE(tryFromOther());
  cs.Leave();
  EXPECT_TRUE(tryFromOther());
}

TEST(Interlocked, ReturnWhatWindowsReturns) {
  std::atomic<int32_t> v{5};
  EXPECT_EQ(InterlockedIncrement(v), 6);
  EXPECT_EQ(InterlockedDecrement(v), 5);
  EXPECT_EQ(InterlockedExchange(v, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(v, 3), 9);
  EXPECT_EQ(v, 12);
  EXPECT_EQ(InterlockedCompareExchange(v, 1, 7), 12);  // no match: unchanged
  EXPECT_EQ(v, 12);
  EXPECT_EQ(InterlockedCompareExchange(v, 1, 12), 12);
  EXPECT_EQ(v, 1);
}

TEST(Interlocked, CountsExactlyAcrossThreads) {
  std::atomic<int32_t> v{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) InterlockedIncrement(v);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(v, 4000);
}

TEST(ThreadIds, AreNonZeroStableAndDistinct) {
  const uint32_t mine = GetCurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(GetCurrentThreadId(), mine);
  std::set<uint32_t> ids{mine};
  for (int i = 0; i < 4; ++i) ids.insert(OnOtherThread([] { return GetCurrentThreadId(); }));
  EXPECT_EQ(ids.size(), 5u);  // ids are never reused, even after a thread ends
  EXPECT_EQ(ids.count(0), 0u);
}

// Both tick counts read one clock, the 32-bit one cut from the 64-bit one:
// read between two 64-bit readings, it lies between their low halves.
TEST(TickCount, NeverGoesBackAndTheShortCountIsTheLowHalf) {
  uint64_t last = GetTickCount64();
  for (int i = 0; i < 1000; ++i) {
    const uint64_t before = GetTickCount64();
    const uint32_t shortCount = GetTickCount();
    const uint64_t after = GetTickCount64();
    EXPECT_LE(last, before);
    EXPECT_LE(before, after);
    EXPECT_LE(shortCount - uint32_t(before), uint32_t(after) - uint32_t(before));
    last = after;
    if (i % 100 == 0) Sleep(1);
  }
}

}  // namespace
}  // namespace tavrel
