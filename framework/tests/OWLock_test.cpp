#include "framework/OWLock.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "framework/OWObject.h"
#include "framework/OWSync.h"
#include "framework/tests/lock_testing.h"
#include "platform/exceptions.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

using testing::ElementsAre;
using E = TOWLockEvent;

using testing_locks::Holds;
using testing_locks::Listening;
using testing_locks::Owner;
using testing_locks::Recorder;
using testing_locks::WithWatchdog;

TEST(TOWLock, OwnerTakesItAgainAndOthersWaitForTheLastRelease) {
  WithWatchdog([] {
    for (bool readFirst : {false, true}) {
      SCOPED_TRACE(readFirst ? "read then write" : "write then write");
      Ref<IOWLock> lock = MakeRef<TOWLock>();
      auto take = [&] { return readFirst ? lock->ReadLock() : lock->WriteLock(); };
      Ref<IOWLockSection> s1 = take(), s2 = take(), s3 = take();
      ASSERT_TRUE(s1 && s2 && s3);
      EXPECT_EQ(Owner(lock), GetCurrentThreadId());
      EXPECT_EQ(Holds(lock), 3);
      std::atomic<bool> released{false}, entered{false}, sawReleased{false};
      std::thread other([&] {
        Ref<IOWLockSection> s = lock->WriteLock();
        sawReleased = released.load();
        entered = true;
      });
      s1.reset();
      s2.reset();
      EXPECT_EQ(Holds(lock), 1);
      EXPECT_FALSE(entered);
      released = true;
      s3.reset();
      other.join();
      EXPECT_TRUE(sawReleased);
      EXPECT_EQ(Owner(lock), 0u);
    }
  });
}

TEST(TOWLock, APinLockThatCannotBeHadDropsTheComponentLockUntilItIsReleased) {
  WithWatchdog([] {
    Ref<IOWLock> component = MakeRef<TOWLock>(), pin = MakeRef<TOWLock>();
    TOWEvent aHoldsComponent(true, false), bHoldsPin(true, false);
    uint32_t a = 0, ownerWhileInPin = 0;
    int32_t holdsAfterPin = 0;
    std::atomic<bool> bGotComponent{false};
    std::thread threadA([&] {
      a = GetCurrentThreadId();
      Ref<IOWLockSection> c1 = component->WriteLock(), c2 = component->WriteLock();
      aHoldsComponent.Signal();
      bHoldsPin.WaitFor(INFINITE);
      {
        Ref<IOWLockSection> p = MakeRef<TOWSimpleWriteLockSection>(pin, component);
        ownerWhileInPin = Owner(component);
      }
      holdsAfterPin = component->Instance()->GetCounts().owningThread == a ? Holds(component) : -1;
    });
    std::thread threadB([&] {
      Ref<IOWLockSection> p = pin->WriteLock();
      bHoldsPin.Signal();
      aHoldsComponent.WaitFor(INFINITE);
      Ref<IOWLockSection> c = component->WriteLock();  // only once A drops it
      bGotComponent = true;
    });
    threadA.join();
    threadB.join();
    EXPECT_TRUE(bGotComponent);
    EXPECT_NE(ownerWhileInPin, a);
    EXPECT_EQ(holdsAfterPin, 2);  // A held the component lock again, twice
    EXPECT_EQ(Owner(component), 0u);
    EXPECT_EQ(Owner(pin), 0u);
  });
}

TEST(TOWLock, DuringAStopOtherThreadsAreLetThrough) {
  WithWatchdog([] {
    TOWObject obj;
    Ref<IOWLock> lock = obj.Lock();
    TOWEvent stopHeld(true, false), endStop(true, false);
    uint32_t stopper = 0;
    std::thread s([&] {
      stopper = GetCurrentThreadId();
      Ref<IOWLockSection> stop = lock->StopLock();
      stopHeld.Signal();
      endStop.WaitFor(INFINITE);
    });
    stopHeld.WaitFor(INFINITE);
    EXPECT_EQ(lock->WriteLock(), nullptr);
    EXPECT_EQ(lock->ReadLock(), nullptr);
    Ref<IOWLockSection> through = obj.WriteLock();
    auto* access = dynamic_cast<TOWAccessLockSection*>(through.get());
    ASSERT_NE(access, nullptr);
    EXPECT_FALSE(access->Locked());
    auto counts = lock->Instance()->GetCounts();
    EXPECT_EQ(counts.owningThread, stopper);
    EXPECT_EQ(counts.inStopCount, 1);
    EXPECT_EQ(counts.countStopLocks, 1);
    through.reset();
    EXPECT_EQ(lock->Instance()->GetCounts().countStopLocks, 0);
    endStop.Signal();
    s.join();
    counts = lock->Instance()->GetCounts();
    EXPECT_EQ(counts.owningThread, 0u);
    EXPECT_EQ(counts.countLocks + counts.countStopLocks + counts.countStopLocksOwner + counts.inStopCount, 0);
    std::thread third([&] {
      Ref<IOWLockSection> w = obj.WriteLock();
      EXPECT_TRUE(dynamic_cast<TOWAccessLockSection*>(w.get())->Locked());
      EXPECT_EQ(Owner(lock), GetCurrentThreadId());
    });
    third.join();
  });
}

TEST(TOWLock, AStopWaitsForTheOwnerAndTheOwnerMayStopItsOwnLock) {
  WithWatchdog([] {
    Ref<IOWLock> lock = MakeRef<TOWLock>();
    Ref<IOWLockSection> held = lock->WriteLock();
    {
      Ref<IOWLockSection> stop = lock->StopLock();  // the owner: taken at once
      EXPECT_EQ(Holds(lock), 2);
    }
    std::atomic<bool> released{false}, sawReleased{false};
    std::thread stopper([&] {
      Ref<IOWLockSection> stop = lock->StopLock();
      sawReleased = released.load();
    });
    EXPECT_TRUE(test::WaitUntil([&] { return lock->Instance()->GetCounts().inStopCount != 0; }));
    released = true;
    held.reset();
    stopper.join();
    EXPECT_TRUE(sawReleased);
    EXPECT_EQ(Owner(lock), 0u);
  });
}

TEST(TOWLock, UnlockAllGivesUpEveryHoldAndTakesThemBack) {
  WithWatchdog([] {
    Listening listening;
    Ref<IOWLock> lock = MakeRef<TOWLock>();
    TOWLock* l = lock->Instance();
    Ref<IOWLockSection> s1 = lock->WriteLock(), s2 = lock->WriteLock(), s3 = lock->WriteLock();
    Ref<IOWLockSection> unlocked = lock->UnlockAll();
    EXPECT_EQ(Owner(lock), 0u);
    std::thread other([&] {
      Ref<IOWLockSection> w = lock->WriteLock();
      EXPECT_TRUE(w);
    });
    other.join();
    unlocked.reset();
    EXPECT_EQ(Owner(lock), GetCurrentThreadId());
    EXPECT_EQ(Holds(lock), 3);
    s1.reset();
    s2.reset();
    EXPECT_EQ(Owner(lock), GetCurrentThreadId());
    s3.reset();
    EXPECT_EQ(Owner(lock), 0u);
    EXPECT_THAT(listening.recorder->Codes(l),
                ElementsAre(2, 4, 5, 4, 5, 4, 5, 16, 17, 4, 5, 6, 7, 18, 19, 6, 7, 6, 7, 6, 7));
  });
}

TEST(TOWLock, UnlockAllAgainstAnotherOwnerChangesNothingButTakesTheFirstLock) {
  WithWatchdog([] {
    Listening listening;
    Ref<IOWLock> lock = MakeRef<TOWLock>(), first = MakeRef<TOWLock>();
    TOWEvent held(true, false), done(true, false);
    uint32_t b = 0;
    std::thread owner([&] {
      b = GetCurrentThreadId();
      Ref<IOWLockSection> s = lock->WriteLock();
      held.Signal();
      done.WaitFor(INFINITE);
    });
    held.WaitFor(INFINITE);
    {
      Ref<IOWLockSection> u = lock->UnlockAllLockInOrder(first);
      EXPECT_EQ(Owner(lock), b);
      EXPECT_EQ(Holds(lock), 1);
    }
    EXPECT_EQ(Owner(lock), b);
    EXPECT_EQ(Owner(first), 0u);
    done.Signal();
    owner.join();
    // The first lock is taken while the holds come back, and let go after.
    std::vector<std::pair<TOWLock*, int>> order;
    for (auto& [l, e] : listening.recorder->events)
      if ((l == lock->Instance() && int(e) >= 16) || l == first->Instance()) order.emplace_back(l, int(e));
    TOWLock *L = lock->Instance(), *F = first->Instance();
    EXPECT_THAT(order, ElementsAre(std::pair{F, 2}, std::pair{L, 16}, std::pair{L, 17}, std::pair{L, 18},
                                   std::pair{F, 4}, std::pair{F, 5}, std::pair{L, 19}, std::pair{F, 6},
                                   std::pair{F, 7}));
  });
}

TEST(TOWLock, EverySectionKindReportsItsEvents) {
  struct Case {
    const char* kind;
    Ref<IOWLockSection> (*take)(IOWLock&);
    std::vector<int> codes;
  } cases[] = {
      {"write", [](IOWLock& l) { return l.WriteLock(); }, {4, 5, 6, 7}},
      {"read", [](IOWLock& l) { return l.ReadLock(); }, {8, 9, 10, 11}},
      {"stop", [](IOWLock& l) { return l.StopLock(); }, {12, 13, 14, 15}},
      {"unlock", [](IOWLock& l) { return l.UnlockAll(); }, {16, 17, 18, 19}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Listening listening;
    TOWLock* raw;
    {
      Ref<IOWLock> lock = MakeRef<TOWLock>();
      raw = lock->Instance();
      c.take(*lock);
    }
    std::vector<int> expected = {2};
    expected.insert(expected.end(), c.codes.begin(), c.codes.end());
    expected.push_back(3);
    EXPECT_EQ(listening.recorder->Codes(raw), expected);
  }
  Ref<Recorder> silent = MakeRef<Recorder>();
  AddLockListener(silent);
  RemoveLockListener(silent);
  {
    Ref<IOWLock> lock = MakeRef<TOWLock>();
    lock->WriteLock();
    lock->StopLock();
  }
  EXPECT_TRUE(silent->events.empty());
  EXPECT_EQ(LockEventName(E::Create), "Create            ");
  EXPECT_EQ(LockEventName(E::BeginUnlockDestroy), "BeginUnlockDestroy");
  for (int i = 0; i < 20; ++i) EXPECT_EQ(LockEventName(TOWLockEvent(i)).size(), 18u);
}

TEST(TOWDestroyLock, DestroyWaitsForTokensOfOtherThreadsAndRefusesNewOnes) {
  WithWatchdog([] {
    TOWObject obj;
    Ref<IOWDestroyLock> guard = MakeRef<TOWDestroyLock>(&obj);
    TOWEvent tokenTaken(true, false), letGo(true, false);
    std::atomic<bool> destroyed{false}, ownTokenAfter{false};
    int32_t holdsAfter = 0;
    std::thread user([&] {
      Ref<IOWDestroyLockSection> token = guard->Lock();
      ASSERT_TRUE(token);
      tokenTaken.Signal();
      letGo.WaitFor(INFINITE);
      // Finishing the delivery needs the object's lock, which the
      // destroying thread holds: it must have dropped it while waiting.
      Ref<IOWLockSection> s = obj.WriteLock();
    });
    tokenTaken.WaitFor(INFINITE);
    std::thread destroyer([&] {
      Ref<IOWLockSection> w1 = obj.WriteLock(), w2 = obj.WriteLock();
      Ref<IOWDestroyLockSection> d = guard->DestroyLock();
      destroyed = true;
      holdsAfter = Holds(obj.Lock());
      ownTokenAfter = bool(guard->Lock());
    });
    EXPECT_TRUE(test::WaitUntil([&] { return guard->Instance()->Destroying() != 0; }));
    EXPECT_FALSE(destroyed);  // the user's token is still out
    std::thread third([&] { EXPECT_EQ(guard->Lock(), nullptr); });
    third.join();
    letGo.Signal();
    user.join();
    destroyer.join();
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(ownTokenAfter);
    EXPECT_EQ(holdsAfter, 2);
    EXPECT_EQ(guard->Instance()->Destroying(), 0);
    EXPECT_EQ(guard->Instance()->LockCounter(), 0);
  });
}

TEST(TOWDestroyLock, DestroyingFromInsideOwnDeliveryRaisesInsteadOfHanging) {
  WithWatchdog([] {
    TOWObject obj;
    Ref<IOWDestroyLock> guard = MakeRef<TOWDestroyLock>(&obj);
    Ref<IOWDestroyLockSection> token = guard->Lock();
    EXPECT_THROW(guard->DestroyLock(), EOWException);
    EXPECT_EQ(guard->Instance()->Destroying(), 0);
    std::thread other([&] { EXPECT_TRUE(guard->Lock()); });
    other.join();
  });
}

TEST(TOWDestroyLock, UnlockSetsTheDestroyHoldAsideUntilReleased) {
  WithWatchdog([] {
    Ref<IOWDestroyLock> guard = MakeRef<TOWDestroyLock>(nullptr);
    auto otherGets = [&] {
      bool got = false;
      std::thread([&] { got = bool(guard->Lock()); }).join();
      return got;
    };
    Ref<IOWDestroyLockSection> d = guard->DestroyLock();
    EXPECT_FALSE(otherGets());
    {
      Ref<IOWDestroyLockSection> aside = guard->DestroyUnlockLock();
      EXPECT_TRUE(otherGets());
    }
    EXPECT_FALSE(otherGets());
    d.reset();
    EXPECT_TRUE(otherGets());
  });
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST(LockInterfaces, IdentifiersMatchTheirText) {
  EXPECT_EQ(FormatGUIDText(IID_IOWLock), "{66C8D1BF-FA12-48E8-B0C9-60A652FA80D9}");
  EXPECT_EQ(FormatGUIDText(IID_IOWLockSection), "{01621A5C-9936-4BEB-BF6F-5D6754E65786}");
  EXPECT_EQ(FormatGUIDText(IID_IOWLockListener), "{1EDD88CA-D8DC-46B3-B3EA-42FD5DD8D1C8}");
  EXPECT_EQ(FormatGUIDText(IID_IOWDestroyLock), "{941BEB02-70F3-4FC6-ACAA-0754D6CB8A0A}");
  EXPECT_EQ(FormatGUIDText(IID_IOWDestroyLockSection), "{913E5C19-E2E0-4937-8435-3A8838AE90C4}");
}

}  // namespace
}  // namespace tavrel
