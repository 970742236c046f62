#include "framework/OWSync.h"

#include <gtest/gtest.h>

#include <thread>

namespace tavrel {
namespace {

template <class Fn>
bool OnOtherThread(Fn fn) {
  bool result = false;
  std::thread([&] { result = fn(); }).join();
  return result;
}

TEST(TOWEvent, PollingWaitAndWhatItLeaves) {
  const struct {
    bool manualReset, initialState, waitResult, stillSignalled;
  } cases[] = {
      {false, false, false, false},
      {false, true, true, false},
      {true, false, false, false},
      {true, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "manual=" << c.manualReset << " initial=" << c.initialState);
    TOWEvent e(c.manualReset, c.initialState);
    EXPECT_EQ(e.WaitFor(0), c.waitResult);
    EXPECT_EQ(e.WaitFor(0), c.stillSignalled);
    e.Signal();
    EXPECT_TRUE(OnOtherThread([&] { return e.WaitFor(INFINITE); }));
    e.Signal();
    e.Reset();
    EXPECT_FALSE(e.WaitFor(0));
  }
}

TEST(TOWMutex, RecursiveAcquireHoldsOffOtherThreadsUntilTheSecondRelease) {
  TOWMutex m(false);
  auto otherGetsIt = [&] {
    return OnOtherThread([&] { return m.Acquire(0) && m.Release(); });
  };
  ASSERT_TRUE(m.Acquire(INFINITE));
  ASSERT_TRUE(m.Acquire(0));
  EXPECT_FALSE(otherGetsIt());
  EXPECT_TRUE(m.Release());
  EXPECT_FALSE(otherGetsIt());
  EXPECT_TRUE(m.Release());
  EXPECT_TRUE(otherGetsIt());
  EXPECT_FALSE(m.Release());
}

TEST(TOWMutex, AbandonedByItsEndedOwnerCountsAsObtained) {
  TOWMutex m(false);
  std::thread([&] { m.Acquire(INFINITE); }).join();
  EXPECT_TRUE(m.Acquire(0));
  EXPECT_TRUE(m.Release());
  EXPECT_TRUE(OnOtherThread([&] { return m.Acquire(0) && m.Release(); }));  // free again
}

TEST(TOWMutex, InitialOwnerIsHonoured) {
  TOWMutex owned(true);
  EXPECT_FALSE(OnOtherThread([&] { return owned.Acquire(0); }));
  EXPECT_TRUE(owned.Release());
  TOWMutex free(false);
  EXPECT_TRUE(OnOtherThread([&] { return free.Acquire(0) && free.Release(); }));
}

TEST(TOWSemaphore, IncrementPastTheMaximumIsRefusedWithTheCountUnchanged) {
  TOWSemaphore s(1, 3);
  EXPECT_FALSE(s.Increment(3));
  EXPECT_TRUE(s.Increment(2));
  EXPECT_FALSE(s.Increment(1));
  int taken = 0;
  while (s.Decrement(0)) ++taken;
  EXPECT_EQ(taken, 3);
}

TEST(TOWCriticalSection, ReentersAndExcludesOtherThreads) {
  TOWCriticalSection cs;
  int shared = 0;
  cs.Enter();
  cs.Enter();
  std::thread other([&] {
    std::lock_guard hold(cs);
    shared = 2;  // only after both leaves below
  });
  shared = 1;
  cs.Leave();
  EXPECT_EQ(shared, 1);
  cs.Leave();
  other.join();
  EXPECT_EQ(shared, 2);
}

}  // namespace
}  // namespace tavrel
