#pragma once
// Synchronisation objects with the behaviour the system expects of the
// Windows kernel objects: events, an owned recursive mutex with time-outs
// and abandonment, semaphores with a maximum, critical sections, interlocked
// counters, thread ids, Sleep and tick counts.
//
//   Event ready(/*manualReset=*/false, /*initialState=*/false);
//   ready.Set();                          // another thread
//   if (ready.WaitFor(500)) ...           // true only when signalled in time
//
//   OwnedMutex m;
//   if (m.Acquire(INFINITE) != WaitResult::TimedOut) { ...; m.Release(); }
//
//   Semaphore slots(0, 600);
//   slots.Increment(1);                   // false past the maximum, nothing changed
//   slots.Decrement(INFINITE);
//
//   CriticalSection cs;
//   { std::lock_guard hold(cs); ... }     // recursive for the holding thread
//
// Time-outs are in milliseconds: 0 polls, INFINITE (0xFFFFFFFF) waits
// without limit. Waits cannot fail: misuse of the underlying primitives is a
// programming error and throws std::system_error, never reads as "obtained".
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tavrel {

inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// A non-zero id of the calling thread, unique for the life of the process.
uint32_t GetCurrentThreadId();

// Milliseconds since an arbitrary start, monotonic; the 32-bit count wraps.
uint32_t GetTickCount();
uint64_t GetTickCount64();

// Sleep(0) yields the rest of the time slice.
void Sleep(uint32_t milliseconds);

// Interlocked operations; each returns what its Windows namesake returns.
int32_t InterlockedIncrement(std::atomic<int32_t>& target);  // the new value
int32_t InterlockedDecrement(std::atomic<int32_t>& target);  // the new value
int32_t InterlockedExchange(std::atomic<int32_t>& target, int32_t value);  // the old value
int32_t InterlockedExchangeAdd(std::atomic<int32_t>& target, int32_t add);  // the old value
// Stores `exchange` when the value equals `comparand`; returns the old value.
int32_t InterlockedCompareExchange(std::atomic<int32_t>& target, int32_t exchange,
                                   int32_t comparand);

// A manual-reset event stays signalled until Reset; an auto-reset event lets
// exactly one waiter through per Set and is then reset.
class Event {
 public:
  Event(bool manualReset, bool initialState);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when the event was signalled within the time-out.
  bool WaitFor(uint32_t milliseconds);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  const bool manualReset_;
  bool signalled_;
};

enum class WaitResult {
  Obtained,
  Abandoned,  // the previous owner thread ended while holding it; now ours
  TimedOut,
};

// A recursive mutex owned by one thread at a time and released only by its
// owner, like a Windows mutex. When the owner thread ends without releasing
// it, the next Acquire obtains it (WaitResult::Abandoned) with a fresh
// recursion count of one.
class OwnedMutex {
 public:
  explicit OwnedMutex(bool initialOwner = false);
  ~OwnedMutex();
  OwnedMutex(const OwnedMutex&) = delete;
  OwnedMutex& operator=(const OwnedMutex&) = delete;

  WaitResult Acquire(uint32_t milliseconds);
  // False when the calling thread does not hold the mutex.
  bool Release();
  // The id of the owning thread, 0 when free.
  uint32_t Owner();

  struct Ownerships;  // the per-thread list of held mutexes (internal)

 private:
  void TakeLocked(uint32_t self);
  friend struct Ownerships;

  std::mutex mutex_;
  std::condition_variable freed_;
  uint32_t owner_ = 0;
  uint32_t count_ = 0;
  bool abandoned_ = false;
  std::shared_ptr<Ownerships> ownerRecord_;
};

// A counting semaphore with a maximum. The count is one atomic word the
// waiters sleep on (a futex), so an increment wakes a waiter without
// leaving it a mutex to wait for next: one sleep per wait, not two.
class Semaphore {
 public:
  Semaphore(int32_t initialCount, int32_t maximumCount);
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;

  // Raises the count by `count` (> 0); false, with nothing changed, when
  // that would pass the maximum.
  bool Increment(int32_t count);
  // Takes one count; true when one became available within the time-out.
  bool Decrement(uint32_t milliseconds);

 private:
  bool TryTake();

  std::atomic<int32_t> count_;
  std::atomic<int32_t> waiters_{0};
  const int32_t maximum_;
};

// A recursive lock for short sections; BasicLockable, so std::lock_guard
// and std::unique_lock hold it.
class CriticalSection {
 public:
  void Enter() { mutex_.lock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Leave() { mutex_.unlock(); }

  void lock() { Enter(); }
  bool try_lock() { return TryEnter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace tavrel
