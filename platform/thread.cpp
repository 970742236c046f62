#include "platform/thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace tavrel {
namespace {

bool TryNice(int nice) {
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, tid, nice) == 0;
}

bool TryRealTime(int policy, int level) {
  sched_param param{};
  const int low = sched_get_priority_min(policy);
  const int high = sched_get_priority_max(policy);
  if (low < 0 || high < low) return false;
  param.sched_priority = std::min(low + level, high);
  return pthread_setschedparam(pthread_self(), policy, &param) == 0;
}

}  // namespace

PriorityApplied SetCurrentThreadPriority(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::Idle:
      return TryNice(19) ? PriorityApplied::NiceValue : PriorityApplied::Unchanged;
    case ThreadPriority::Lowest:
      return TryNice(10) ? PriorityApplied::NiceValue : PriorityApplied::Unchanged;
    case ThreadPriority::Lower:
      return TryNice(5) ? PriorityApplied::NiceValue : PriorityApplied::Unchanged;
    case ThreadPriority::Normal:
      return PriorityApplied::Unchanged;
    case ThreadPriority::Higher:
      return TryNice(-5) ? PriorityApplied::NiceValue : PriorityApplied::Unchanged;
    case ThreadPriority::Highest:
      // Round-robin so that equal real-time threads still share the CPU.
      if (TryRealTime(SCHED_RR, 1)) return PriorityApplied::RealTime;
      return TryNice(-10) ? PriorityApplied::NiceValue : PriorityApplied::Unchanged;
    case ThreadPriority::TimeCritical:
      if (TryRealTime(SCHED_RR, 2)) return PriorityApplied::RealTime;
      return TryNice(-15) ? PriorityApplied::NiceValue : PriorityApplied::Unchanged;
  }
  return PriorityApplied::Unchanged;
}

void SetCurrentThreadName(const std::string& name) {
  pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

Thread::Thread(std::string name, ThreadPriority priority, Body body)
    : name_(std::move(name)), body_(std::move(body)) {
  thread_ = std::thread([this, priority] { Run(priority); });
}

Thread::~Thread() { Join(); }

void Thread::Run(ThreadPriority priority) {
  SetCurrentThreadName(name_);
  applied_ = SetCurrentThreadPriority(priority);
  id_ = GetCurrentThreadId();
  started_.Set();
  try {
    if (body_) body_(*this);
  } catch (...) {
    fatal_ = std::current_exception();
  }
}

uint32_t Thread::ThreadID() {
  started_.WaitFor(INFINITE);
  return id_;
}

PriorityApplied Thread::Applied() {
  started_.WaitFor(INFINITE);
  return applied_;
}

void Thread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace tavrel
