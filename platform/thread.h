#pragma once
// Named threads with a scheduling priority, joined before they are
// destroyed.
//
//   Thread worker("ALLowPass1.TSLFilterThread", ThreadPriority::Highest,
//                 [&](Thread& self) { while (!self.Terminated()) ...; });
//   ...
//   worker.Terminate();   // asks the body to stop; the destructor joins
//
// The priority is applied on a best-effort basis: real-time scheduling for
// the highest levels where the process may use it, otherwise a nice value,
// otherwise nothing. It is never an error. An exception that leaves the body
// is kept (FatalException) rather than crossing the thread boundary.
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <thread>

#include "platform/sync.h"

namespace tavrel {

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// What the scheduler actually granted.
enum class PriorityApplied { Unchanged, NiceValue, RealTime };

// Applies `priority` to the calling thread.
PriorityApplied SetCurrentThreadPriority(ThreadPriority priority);

// Names the calling thread for debuggers and tools (cut to the system's
// 15-byte limit).
void SetCurrentThreadName(const std::string& name);

class Thread {
 public:
  using Body = std::function<void(Thread&)>;

  // Starts the thread at once.
  Thread(std::string name, ThreadPriority priority, Body body);
  ~Thread();  // joins
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  const std::string& Name() const { return name_; }
  // The thread's id (GetCurrentThreadId inside it); waits until it is known.
  uint32_t ThreadID();
  // What the priority request gave; waits until the thread has applied it.
  PriorityApplied Applied();

  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  void Join();
  // The exception that ended the body, if any; valid after Join.
  std::exception_ptr FatalException() const { return fatal_; }

 private:
  void Run(ThreadPriority priority);

  const std::string name_;
  Body body_;
  std::atomic<bool> terminated_{false};
  Event started_{true, false};
  uint32_t id_ = 0;                                        // written before started_
  PriorityApplied applied_ = PriorityApplied::Unchanged;  // written before started_
  std::exception_ptr fatal_;
  std::thread thread_;
};

}  // namespace tavrel
