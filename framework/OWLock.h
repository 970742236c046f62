#pragma once
// The framework's lock: an exclusive lock that its owning thread may take
// again, reached through IOWLock. Taking it gives a reference-counted
// section; the hold lasts while the section lives.
//
//   Ref<IOWLock> lock = MakeRef<TOWLock>();
//   {
//     Ref<IOWLockSection> s = lock->WriteLock();   // null: let through (below)
//     ...
//   }                                              // released here
//
// Read and write holds are the same exclusive hold; they differ only in
// the events they report. Around it:
//  - Timed tries. A read or write section tries for 1, 2 ... 20 ms and then
//    20 ms at a time without limit. Given a slave lock (a pin's owner
//    component lock), the thread's holds on it are dropped (UnlockAll) after
//    the 20th failed try and taken back when the section is released, so
//    two threads taking the two locks in opposite orders cannot block for good.
//  - Stop. A StopLock section waits without limit (1000 ms rounds) and, from
//    the moment it is asked for until it is released, lets every other
//    thread through at once: TOWLock::ReadLock/WriteLock answer null, and
//    the sections of TOWObject (OWObject.h) come back with Locked() false.
//  - UnlockAll / UnlockAllLockInOrder. The thread gives up all its holds and
//    gets a section that takes exactly those holds back when released,
//    after taking AFirstLock's write lock when one is given. Against a lock
//    another thread owns it changes nothing.
//  - Every step is reported to the registered lock listeners (events 2..19).
//
// One inner mutex and a condition variable guard the owner and all counts,
// so "held" means exactly: an owner with a hold. Each section remembers the
// thread that took it and what kind of hold it has, so a release never
// lowers another thread's counts, whichever thread drops the last reference.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/guid.h"
#include "platform/recycle.h"
#include "platform/refcount.h"
#include "platform/sync.h"

namespace tavrel {

class TOWLock;
class TOWLockSection;

class IOWLockSection : public virtual RefCounted {};

class IOWLock : public virtual RefCounted {
 public:
  virtual Ref<IOWLockSection> ReadLock() = 0;
  virtual Ref<IOWLockSection> WriteLock() = 0;
  virtual Ref<IOWLockSection> StopLock() = 0;
  virtual Ref<IOWLockSection> UnlockAll() = 0;
  virtual Ref<IOWLockSection> UnlockAllLockInOrder(const Ref<IOWLock>& AFirstLock) = 0;
  virtual TOWLock* Instance() = 0;
};

inline constexpr Guid IID_IOWLockSection{0x01621A5C, 0x9936, 0x4BEB, {0xBF, 0x6F, 0x5D, 0x67, 0x54, 0xE6, 0x57, 0x86}};
inline constexpr Guid IID_IOWLock{0x66C8D1BF, 0xFA12, 0x48E8, {0xB0, 0xC9, 0x60, 0xA6, 0x52, 0xFA, 0x80, 0xD9}};
inline constexpr Guid IID_IOWLockListener{0x1EDD88CA, 0xD8DC, 0x46B3, {0xB3, 0xEA, 0x42, 0xFD, 0x5D, 0xD8, 0xD1, 0xC8}};

enum class TOWLockEvent : int32_t {
  None, Error, Create, Destroy,
  BeginWriteCreate, WriteCreate, BeginWriteDestroy, WriteDestroy,
  BeginReadCreate, ReadCreate, BeginReadDestroy, ReadDestroy,
  BeginStopCreate, StopCreate, BeginStopDestroy, StopDestroy,
  BeginUnlockCreate, UnlockCreate, BeginUnlockDestroy, UnlockDestroy,
};
// The event's name padded with blanks to 18 characters.
const std::string& LockEventName(TOWLockEvent e);

// Hears every lock step; must not take framework locks (some events are
// reported while the lock's inner guard is held).
class IOWLockListener : public virtual RefCounted {
 public:
  virtual void LockEvent(TOWLock* lock, TOWLockSection* section, TOWLockEvent event, uint32_t threadId) = 0;
};
void AddLockListener(const Ref<IOWLockListener>& listener);
void RemoveLockListener(const Ref<IOWLockListener>& listener);
void NotifyLockListeners(TOWLock* lock, TOWLockSection* section, TOWLockEvent event, uint32_t threadId);

class TOWLock : public IOWLock {
 public:
  TOWLock();
  ~TOWLock() override;

  Ref<IOWLockSection> ReadLock() override;
  Ref<IOWLockSection> WriteLock() override;
  Ref<IOWLockSection> StopLock() override;
  Ref<IOWLockSection> UnlockAll() override;
  Ref<IOWLockSection> UnlockAllLockInOrder(const Ref<IOWLock>& AFirstLock) override;
  TOWLock* Instance() override { return this; }

  // A snapshot of the counts, for tests and diagnostics.
  struct Counts {
    uint32_t owningThread;
    int32_t countLocks, countStopLocks, countStopLocksOwner, inStopCount;
  };
  Counts GetCounts();

 private:
  friend class TOWLockSection;
  friend class TOWAccessLockSection;
  friend class TOWSimpleStopLockSection;
  friend class TOWSimpleUnlockSection;

  using Guard = std::unique_lock<std::mutex>;
  bool TryLock(uint32_t milliseconds, uint32_t thread);  // one timed attempt
  void ReleaseHold(uint32_t thread);  // one ordinary hold of thread; guard held
  void Changed() { changed_.notify_all(); }

  std::mutex guard_;
  std::condition_variable changed_;
  int32_t countStopLocks_ = 0;       // let-through holds of other threads
  int32_t countStopLocksOwner_ = 0;  // let-through holds of the owner
  int32_t countLocks_ = 0;           // the owner's ordinary holds
  int32_t inStopCount_ = 0;          // stop sections asked for or held
  uint32_t owningThread_ = 0;
};

class TOWLockSection : public IOWLockSection, public TRecycled {
 public:
  TOWLock* Lock() const { return owner_; }
  uint32_t ThreadId() const { return thread_; }

 protected:
  explicit TOWLockSection(const Ref<IOWLock>& lock);
  void Report(TOWLockEvent e) { NotifyLockListeners(owner_, this, e, GetCurrentThreadId()); }

  Ref<IOWLock> ownerIntf_;  // keeps the lock alive while the section lives
  TOWLock* owner_;
  uint32_t thread_;  // the thread that took the section
};

// Read and write sections: the same hold, different events.
class TOWAccessLockSection : public TOWLockSection {
 public:
  // True when the lock is held; false when the caller was let through.
  bool Locked() const { return locked_; }
  ~TOWAccessLockSection() override;

 protected:
  TOWAccessLockSection(const Ref<IOWLock>& lock, const Ref<IOWLock>& slaveLock, TOWLockEvent beginCreate);

 private:
  TOWLockEvent first_;
  bool locked_ = false;
  bool ownerLetThrough_ = false;  // which let-through count this section raised
  Ref<IOWLockSection> unlockSection_;  // the slave lock's dropped holds
};

class TOWSimpleReadLockSection : public TOWAccessLockSection {
 public:
  TOWSimpleReadLockSection(const Ref<IOWLock>& lock, const Ref<IOWLock>& slaveLock = nullptr)
      : TOWAccessLockSection(lock, slaveLock, TOWLockEvent::BeginReadCreate) {}
};

class TOWSimpleWriteLockSection : public TOWAccessLockSection {
 public:
  TOWSimpleWriteLockSection(const Ref<IOWLock>& lock, const Ref<IOWLock>& slaveLock = nullptr)
      : TOWAccessLockSection(lock, slaveLock, TOWLockEvent::BeginWriteCreate) {}
};

class TOWSimpleStopLockSection : public TOWLockSection {
 public:
  explicit TOWSimpleStopLockSection(const Ref<IOWLock>& lock);
  ~TOWSimpleStopLockSection() override;
};

class TOWSimpleUnlockSection : public TOWLockSection {
 public:
  TOWSimpleUnlockSection(const Ref<IOWLock>& lock, const Ref<IOWLock>& firstLock);
  ~TOWSimpleUnlockSection() override;

 private:
  int32_t countLocks_ = 0;       // saved own holds
  int32_t countOtherLocks_ = 0;  // saved let-through holds
  Ref<IOWLock> firstLockIntf_;
};

// Atomic operations on a 32-bit variable; Add with 0 reads it.
struct TInterlocked {
  static int32_t Increment(std::atomic<int32_t>& Target) { return InterlockedIncrement(Target); }
  static int32_t Decrement(std::atomic<int32_t>& Target) { return InterlockedDecrement(Target); }
  static int32_t Add(std::atomic<int32_t>& Target, int32_t Increment) {
    return InterlockedExchangeAdd(Target, Increment);
  }
  static int32_t Exchange(std::atomic<int32_t>& Target, int32_t Value) { return InterlockedExchange(Target, Value); }
};

}  // namespace tavrel
