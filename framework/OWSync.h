#pragma once
// The framework's synchronisation objects: each owns one platform object,
// created by the constructor and released by the destructor. Nothing here
// raises and nothing is reference-counted; the creator frees the object.
//
//   TOWEvent done(/*AManualReset=*/true, /*AInitialState=*/false);
//   done.Signal();                 // any thread
//   if (done.WaitFor(INFINITE)) ...
//
//   TOWMutex mutex;                // recursive, owned by one thread
//   if (mutex.Acquire(100)) { ...; mutex.Release(); }   // false only on time-out
//
//   TOWSemaphore slots(600, 600);
//   slots.Decrement(INFINITE); ...; slots.Increment(1);
//
//   TOWCriticalSection section;
//   { std::lock_guard hold(section); ... }
//
// Time-outs are milliseconds; INFINITE (0xFFFFFFFF, also what -1 converts
// to) waits without limit.
#include <cstdint>

#include "platform/object.h"
#include "platform/sync.h"

namespace tavrel {

class TOWEvent : public TObject {
  TAVREL_CLASS_INFO
 public:
  TOWEvent(bool AManualReset, bool AInitialState) : event_(AManualReset, AInitialState) {}

  void Signal() { event_.Set(); }
  void Reset() { event_.Reset(); }
  // True only when the event was signalled within the time-out.
  bool WaitFor(uint32_t Timeout) { return event_.WaitFor(Timeout); }
  Event& GetHandle() { return event_; }

 private:
  Event event_;
};

// A mutex whose owner thread ended without releasing it is obtained by the
// next Acquire, with a fresh count. Waits cannot fail: misuse of the
// platform primitives throws std::system_error and is never "obtained".
class TOWMutex : public TObject {
  TAVREL_CLASS_INFO
 public:
  // With AInitialOwner the creating thread holds the mutex once.
  explicit TOWMutex(bool AInitialOwner = false) : mutex_(AInitialOwner) {}

  // False only when the time-out passed.
  bool Acquire(uint32_t Milliseconds) { return mutex_.Acquire(Milliseconds) != WaitResult::TimedOut; }
  // False when the calling thread does not hold the mutex.
  bool Release() { return mutex_.Release(); }

 private:
  OwnedMutex mutex_;
};

class TOWSemaphore : public TObject {
  TAVREL_CLASS_INFO
 public:
  TOWSemaphore(int32_t AInitialCount, int32_t AMaximumCount)
      : semaphore_(AInitialCount, AMaximumCount) {}

  // False, with the count unchanged, when it would pass the maximum.
  bool Increment(int32_t ACount) { return semaphore_.Increment(ACount); }
  // True when a count was taken within the time-out.
  bool Decrement(uint32_t AMilliseconds) { return semaphore_.Decrement(AMilliseconds); }
  Semaphore& GetHandle() { return semaphore_; }

 private:
  Semaphore semaphore_;
};

// Recursive: a thread may enter again and must leave as often as it entered.
class TOWCriticalSection : public TObject {
  TAVREL_CLASS_INFO
 public:
  void Enter() { section_.Enter(); }
  void Leave() { section_.Leave(); }

  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  CriticalSection section_;
};

}  // namespace tavrel
