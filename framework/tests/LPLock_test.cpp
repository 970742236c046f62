#include "framework/LPLock.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>

#include "framework/OWSync.h"
#include "framework/tests/lock_testing.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

using testing::ElementsAre;
using testing_locks::Listening;
using testing_locks::Owner;
using testing_locks::WithWatchdog;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();

enum class Form { Setter, Min, MinExlude, Max, MinMax };

// stored, input, bounds -> new stored value and result. The update and the
// notification are expected exactly when the result is true.
template <class T>
struct Row {
  Form form;
  T stored, input, min, max, substitute;
  T expect;
  bool result;
};

template <class T>
bool Same(const T& a, const T& b) {
  if constexpr (std::is_floating_point_v<T>)
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b;
}

template <class T>
void RunRows(const char* type, std::initializer_list<Row<T>> rows, bool notifies = true) {
  int line = 0;
  for (const Row<T>& r : rows) {
    SCOPED_TRACE(std::string(type) + " row " + std::to_string(line++));
    std::string calls;
    T field = r.stored;
    auto lock = MakeRef<TLPLock>(TLPPropUpdateFunc([&] { calls += "N"; }));
    TLPPropUpdateFunc update([&] {
      EXPECT_TRUE(Same(field, r.expect)) << "stored before the update runs";
      EXPECT_EQ(Owner(lock), GetCurrentThreadId()) << "the update runs under the write lock";
      calls += "U";
    });
    bool got = false;
    if constexpr (LPBoundedValue<T>) {
      switch (r.form) {
        case Form::Setter: got = lock->Setter(field, r.input, update); break;
        case Form::Min: got = lock->SetterMin(field, r.input, r.min, update); break;
        case Form::MinExlude: got = lock->SetterMinExlude(field, r.input, r.min, r.substitute, update); break;
        case Form::Max: got = lock->SetterMax(field, r.input, r.max, update); break;
        case Form::MinMax: got = lock->SetterMinMax(field, r.input, r.min, r.max, update); break;
      }
    } else {
      ASSERT_EQ(r.form, Form::Setter);
      got = lock->Setter(field, r.input, update);
    }
    EXPECT_EQ(got, r.result);
    EXPECT_TRUE(Same(field, r.expect));
    EXPECT_EQ(calls, !r.result ? "" : notifies ? "UN" : "U");
    EXPECT_EQ(Owner(lock), 0u);
  }
}

using F = Form;

TEST(TLPLockSetters, ClampCompareAssignAndCallBack) {
  int32_t imin = std::numeric_limits<int32_t>::min();
  RunRows<int32_t>("Integer", {
      {F::Setter, 0, 5, 0, 0, 0, 5, true},
      {F::Setter, 5, 5, 0, 0, 0, 5, false},             // equal: no callbacks
      {F::Min, 7, 0, 3, 0, 0, 3, true},
      {F::Min, 3, 0, 3, 0, 0, 3, false},                // clamped onto the stored value
      {F::Min, 0, 4, 3, 0, 0, 4, true},
      {F::Max, 5, 0, 0, -1, 0, -1, true},               // max -1, value 0
      {F::Max, 0, imin, 0, -1, 0, imin, true},
      {F::MinMax, 0, 0, 10, 5, 0, 5, true},             // min above max: max
      {F::MinMax, 0, 20, 1, 9, 0, 9, true},
      {F::MinExlude, 5, 2, 2, 0, 7, 7, true},           // at the minimum: substitute
      {F::MinExlude, 5, 1, 2, 0, 7, 7, true},
      {F::MinExlude, 5, 3, 2, 0, 7, 3, true},
  });
  RunRows<int64_t>("Int64", {
      {F::Setter, 0, int64_t(1) << 40, 0, 0, 0, int64_t(1) << 40, true},
      {F::Min, 0, std::numeric_limits<int64_t>::min(), -1, 0, 0, -1, true},
      {F::Max, 0, int64_t(1) << 62, 0, int64_t(1) << 33, 0, int64_t(1) << 33, true},
      {F::MinExlude, 9, 0, 0, 0, 1, 1, true},
  });
  RunRows<uint32_t>("Cardinal", {
      {F::Max, 0, 0xFFFFFFFFu, 0, 10, 0, 10, true},       // unsigned: far above the max
      {F::Min, 0, 0x80000000u, 5, 0, 0, 0x80000000u, true},  // not below 5
      {F::MinMax, 1, 0x90000000u, 2, 0x7FFFFFFFu, 0, 0x7FFFFFFFu, true},
      {F::MinExlude, 1, 0, 0, 0, 4, 4, true},
      {F::Setter, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, 0, 0xFFFFFFFFu, false},
  });
  RunRows<uint16_t>("Word", {
      {F::Min, 5, 0, 1, 0, 0, 1, true},                 // min 1, value 0
      {F::Max, 0, 65535, 0, 1000, 0, 1000, true},
      {F::MinMax, 7, 70, 10, 5, 0, 5, true},
  });
  RunRows<uint8_t>("Byte", {
      {F::Max, 0, 255, 0, 200, 0, 200, true},
      {F::Min, 9, 128, 127, 0, 0, 128, true},
      {F::Setter, 3, 3, 0, 0, 0, 3, false},
  });
  RunRows<double>("Real", {
      {F::Setter, 1, 2.5, 0, 0, 0, 2.5, true},
      {F::Setter, 0, -0.0, 0, 0, 0, 0, false},           // -0 equals 0
      {F::Min, 1, -3, 0.5, 0, 0, 0.5, true},
      {F::MinExlude, 1, 0, 0, 0, 1e-3, 1e-3, true},
      {F::MinMax, 1, 50, 10, 5, 0, 5, true},
      // A NaN input is refused; a stored NaN replaced by a number is a change.
      {F::Setter, 1, kNaN, 0, 0, 0, 1, false},
      {F::Setter, kNaN, kNaN, 0, 0, 0, kNaN, false},
      {F::Setter, kNaN, 2, 0, 0, 0, 2, true},
      {F::Min, 1, kNaN, 0.25, 0, 0, 0.25, true},          // NaN is below the minimum
      {F::MinExlude, 1, kNaN, 0.25, 0, 8, 8, true},
      {F::Max, 1, kNaN, 0, 9, 0, 1, false},               // not above the max: kept, refused
      {F::MinMax, 1, kNaN, 0.25, 9, 0, 0.25, true},
  });
  RunRows<float>("Single", {
      {F::Setter, 1, 0, 0, 0, 0, 0, true},
      {F::Max, 0, 1e30f, 0, 1, 0, 1, true},
      {F::Setter, 1, kNaNf, 0, 0, 0, 1, false},
      {F::Setter, kNaNf, 0, 0, 0, 0, 0, true},
      {F::Min, 3, kNaNf, 2, 0, 0, 2, true},
  });
}

TEST(TLPLockSetters, UnboundedTypes) {
  RunRows<int16_t>("SmallInt/TCursor", {{F::Setter, 0, -3, 0, 0, 0, -3, true}, {F::Setter, -3, -3, 0, 0, 0, -3, false}});
  RunRows<bool>("Boolean", {{F::Setter, false, true, {}, {}, {}, true, true}, {F::Setter, true, true, {}, {}, {}, true, false}});
  RunRows<char16_t>("Char", {{F::Setter, u'a', u'\u00e9', {}, {}, {}, u'\u00e9', true}, {F::Setter, u'a', u'a', {}, {}, {}, u'a', false}});
  RunRows<std::string>("string", {
      {F::Setter, "abc", "abC", {}, {}, {}, "abC", true},    // case matters
      {F::Setter, "abc", "abc", {}, {}, {}, "abc", false},
      {F::Setter, "", std::string("a\0b", 3), {}, {}, {}, std::string("a\0b", 3), true},
  });
  using CS = TSLClockSource;
  RunRows<CS>("TSLClockSource", {{F::Setter, CS::csInternal, CS::csExternal, {}, {}, {}, CS::csExternal, true},
                                 {F::Setter, CS::csExternal, CS::csExternal, {}, {}, {}, CS::csExternal, false}});
  // The synchronisation setter runs the update but never the notification.
  using ST = TSLSynchronizeType;
  RunRows<ST>("TSLSynchronizeType", {{F::Setter, ST::stNone, ST::stQueue, {}, {}, {}, ST::stQueue, true},
                                     {F::Setter, ST::stQueue, ST::stQueue, {}, {}, {}, ST::stQueue, false}},
              false);
}

TEST(TLPLockSetters, ColourFormIgnoresItsFourthArgument) {
  int notes = 0;
  auto lock = MakeRef<TLPLock>(TLPPropUpdateFunc([&] { ++notes; }));
  TGPColor c = 0x7FFFFFFF;
  for (bool unused : {false, true}) {
    EXPECT_TRUE(lock->Setter(c, c ^ 0x80000000u, {}, unused));
    EXPECT_FALSE(lock->Setter(c, c, {}, unused));
  }
  EXPECT_EQ(c, 0x7FFFFFFFu);
  EXPECT_EQ(notes, 2);
}

TEST(TLPLockSetters, UnassignedCallbacksAreSkipped) {
  auto lock = MakeRef<TLPLock>();
  int32_t v = 0;
  EXPECT_TRUE(lock->Setter(v, 1));
  EXPECT_EQ(lock->Getter(v), 1);
}

TEST(TLPLock, ANotificationThatTakesTheSameLockAgainDoesNotBlock) {
  WithWatchdog([] {
    int32_t a = 0, b = 0;
    Ref<TLPLock> lock;
    lock = MakeRef<TLPLock>(TLPPropUpdateFunc([&] {
      Ref<IOWLockSection> again = lock->WriteLock();
      EXPECT_TRUE(again);
      lock->Setter(b, a * 10);  // nested setter, notifies once more
    }));
    EXPECT_TRUE(lock->Setter(a, 4));
    EXPECT_EQ(b, 40);
  });
}

TEST(TLPLock, DuringAnotherThreadsStopASetterCarriesOnWithoutTheLock) {
  WithWatchdog([] {
    int notes = 0;
    auto lock = MakeRef<TLPLock>(TLPPropUpdateFunc([&] { ++notes; }));
    TOWEvent stopped(true, false), done(true, false);
    std::thread stopper([&] {
      Ref<IOWLockSection> s = lock->StopLock();
      stopped.Signal();
      done.WaitFor(INFINITE);
    });
    stopped.WaitFor(INFINITE);
    int32_t v = 0;
    EXPECT_TRUE(lock->Setter(v, 3));  // would wait for good if it took the lock
    EXPECT_EQ(v, 3);
    EXPECT_EQ(notes, 1);
    done.Signal();
    stopper.join();
  });
}

TEST(TLPLock, GetterWaitsForTheWriterAndCopiesUnderTheLock) {
  WithWatchdog([] {
    Listening listening;
    auto lock = MakeRef<TLPLock>();
    std::string text = "old";
    TOWEvent started(true, false);
    std::string seen;
    Ref<IOWLockSection> held = lock->WriteLock();
    std::thread reader([&] {
      started.Signal();
      seen = lock->Getter(text);
    });
    started.WaitFor(INFINITE);
    // Wait until the reader has asked for the lock, then change the field.
    EXPECT_TRUE(test::WaitUntil([&] { return !listening.recorder->LocksOf(TOWLockEvent::BeginReadCreate).empty(); }));
    text = "new";
    held = nullptr;
    reader.join();
    EXPECT_EQ(seen, "new");
  });
}

TEST(TLPLock, CreateCopySharesExclusionButNotifiesItselfOnly) {
  WithWatchdog([] {
    Listening listening;
    int origNotes = 0, copyNotes = 0;
    auto orig = MakeRef<TLPLock>(TLPPropUpdateFunc([&] { ++origNotes; }));
    Ref<TLPLock> copy = TLPLock::CreateCopy(orig, TLPPropUpdateFunc([&] { ++copyNotes; }));
    EXPECT_EQ(copy->Instance(), orig->Instance());
    int32_t field = 0;
    Ref<IOWLockSection> held = orig->WriteLock();
    std::thread setter([&] { EXPECT_TRUE(copy->Setter(field, 7)); });
    EXPECT_TRUE(test::WaitUntil([&] { return listening.recorder->LocksOf(TOWLockEvent::BeginWriteCreate).size() >= 2; }));
    EXPECT_EQ(field, 0) << "the copy's setter waits for the original's holder";
    held = nullptr;
    setter.join();
    EXPECT_EQ(field, 7);
    EXPECT_EQ(copyNotes, 1);
    EXPECT_EQ(origNotes, 0);
    EXPECT_THROW(TLPLock::CreateCopy(nullptr), EOWException);
  });
}

struct Paired {
  Ref<TLPLock> first = MakeRef<TLPLock>(), second = MakeRef<TLPLock>();
  int notes = 0;
  Ref<TLPPairedLock> pair = MakeRef<TLPPairedLock>(first, second, TLPPropUpdateFunc([this] { ++notes; }));
  TOWLock* F() { return first->Instance(); }
  TOWLock* S() { return second->Instance(); }
};

TEST(TLPPairedLock, SetterHoldsBothLocksDuringTheUpdateAndReleasesSecondFirst) {
  WithWatchdog([] {
    Listening listening;
    Paired p;
    double field = 0;
    bool bothHeld = false;
    EXPECT_TRUE(p.pair->SetterMin(field, -1, 0.5, TLPPropUpdateFunc([&] {
      bothHeld = Owner(p.first) == GetCurrentThreadId() && Owner(p.second) == GetCurrentThreadId();
    })));
    EXPECT_TRUE(bothHeld);
    EXPECT_EQ(p.notes, 1);
    EXPECT_EQ(field, 0.5);
    auto* rec = listening.recorder.get();
    EXPECT_THAT(rec->LocksOf(TOWLockEvent::WriteCreate), ElementsAre(p.F(), p.S()));
    EXPECT_THAT(rec->LocksOf(TOWLockEvent::WriteDestroy), ElementsAre(p.S(), p.F()));
    EXPECT_EQ(p.pair->Instance(), p.F());
    // CreateCopy of a paired lock shares its first lock only.
    EXPECT_EQ(TLPLock::CreateCopy(p.pair)->Instance(), p.F());
  });
}

TEST(TLPPairedLock, AnotherThreadWaitsForBothHalves) {
  WithWatchdog([] {
    Listening listening;
    Paired p;
    int32_t field = 0;
    Ref<IOWLockSection> held = p.pair->WriteLock();
    // One thread wants the first lock, one the second; neither gets in.
    std::thread t1([&] { Ref<IOWLockSection> s = p.first->WriteLock(); EXPECT_EQ(field, 1); });
    std::thread t2([&] { Ref<IOWLockSection> s = p.second->ReadLock(); EXPECT_EQ(field, 1); });
    EXPECT_TRUE(test::WaitUntil([&] {
      return listening.recorder->LocksOf(TOWLockEvent::BeginWriteCreate).size() >= 3 &&
             !listening.recorder->LocksOf(TOWLockEvent::BeginReadCreate).empty();
    }));
    field = 1;
    held = nullptr;
    t1.join();
    t2.join();
  });
}

TEST(TLPPairedLock, SectionsAlwaysComeBackAndUnlockOrdersHold) {
  WithWatchdog([] {
    Listening listening;
    Paired p;
    auto* rec = listening.recorder.get();
    // Let through on both halves during stops of another thread: still a section.
    {
      TOWEvent stopped(true, false), done(true, false);
      std::thread stopper([&] {
        Ref<IOWLockSection> s = p.pair->StopLock();
        stopped.Signal();
        done.WaitFor(INFINITE);
      });
      stopped.WaitFor(INFINITE);
      EXPECT_EQ(p.first->WriteLock(), nullptr);
      EXPECT_TRUE(p.pair->WriteLock());
      done.Signal();
      stopper.join();
    }
    Ref<IOWLockSection> held = p.pair->WriteLock();
    rec->Clear();
    {
      Ref<IOWLockSection> u = p.pair->UnlockAll();
      EXPECT_EQ(Owner(p.first), 0u);
      EXPECT_EQ(Owner(p.second), 0u);
    }
    // Re-taken second lock first, then first lock.
    EXPECT_THAT(rec->LocksOf(TOWLockEvent::UnlockDestroy), ElementsAre(p.S(), p.F()));
    rec->Clear();
    auto gate = MakeRef<TOWLock>();
    {
      Ref<IOWLockSection> u = p.pair->UnlockAllLockInOrder(Ref<IOWLock>(gate));
    }
    EXPECT_THAT(rec->LocksOf(TOWLockEvent::UnlockDestroy), ElementsAre(p.F(), p.S()));
    auto writes = rec->LocksOf(TOWLockEvent::WriteCreate);
    ASSERT_GE(writes.size(), 1u);
    EXPECT_EQ(writes.front(), gate.get()) << "the first lock given is taken before the re-taking";
    EXPECT_EQ(Owner(p.first), GetCurrentThreadId());
    EXPECT_EQ(Owner(p.second), GetCurrentThreadId());
  });
}

}  // namespace
}  // namespace tavrel
