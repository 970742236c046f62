#pragma once
// Helpers of the lock tests: a watchdog that ends a hung test, and a lock
// listener that records every event.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <utility>
#include <vector>

#include "framework/OWLock.h"

namespace tavrel::testing_locks {

// Runs body on a thread and ends the test process if it hangs, so that a
// deadlock fails the test instead of stalling the suite.
template <class Body>
void WithWatchdog(Body body) {
  auto done = std::async(std::launch::async, body);
  if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    std::fprintf(stderr, "watchdog: the test hung\n");
    std::_Exit(1);
  }
  done.get();
}

inline uint32_t Owner(const Ref<IOWLock>& lock) { return lock->Instance()->GetCounts().owningThread; }
inline int32_t Holds(const Ref<IOWLock>& lock) { return lock->Instance()->GetCounts().countLocks; }

struct Recorder : IOWLockListener {
  std::mutex m;
  std::vector<std::pair<TOWLock*, TOWLockEvent>> events;
  void LockEvent(TOWLock* lock, TOWLockSection*, TOWLockEvent e, uint32_t) override {
    std::lock_guard hold(m);
    events.emplace_back(lock, e);
  }
  std::vector<int> Codes(TOWLock* lock) {
    std::lock_guard hold(m);
    std::vector<int> codes;
    for (auto& [l, e] : events)
      if (l == lock) codes.push_back(int(e));
    return codes;
  }
  // The locks in the order they reported event e.
  std::vector<TOWLock*> LocksOf(TOWLockEvent e) {
    std::lock_guard hold(m);
    std::vector<TOWLock*> locks;
    for (auto& [l, ev] : events)
      if (ev == e) locks.push_back(l);
    return locks;
  }
  void Clear() {
    std::lock_guard hold(m);
    events.clear();
  }
};

struct Listening {
  Ref<Recorder> recorder = MakeRef<Recorder>();
  Listening() { AddLockListener(recorder); }
  ~Listening() { RemoveLockListener(recorder); }
};

}  // namespace tavrel::testing_locks
