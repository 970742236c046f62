#pragma once
// The base of the system's threads: a named thread with a priority whose
// body is the descendant's Execute.
//
//   class TWorker : public TLPThread {
//    public:
//     explicit TWorker(std::string name) : TLPThread(std::move(name)) { Start(ThreadPriority::Normal); }
//     ~TWorker() override { Terminate(); WaitFor(); }   // before the members go
//    protected:
//     void Execute() override { AnnounceThreadName(); while (!Terminated()) ...; }
//   };
//
// The thread starts when the descendant calls Start, at the end of its
// construction, and must be joined (WaitFor) before the descendant's members
// are destroyed; the base destructor joins too, as a last resort.
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/component.h"
#include "platform/thread.h"

namespace tavrel {

// Where a thread's body hands what its work raised, so that no exception
// ends the thread unseen: the owner's error path (which then reaches the
// GUI thread).
using TLPThreadError = std::function<void(std::exception_ptr AError)>;
// Calls AOnError (when set) with AError; what the handler itself raises is
// dropped, since nothing above the thread's body could take it.
void ReportThreadError(const TLPThreadError& AOnError, std::exception_ptr AError) noexcept;

class TLPThread {
 public:
  explicit TLPThread(std::string AName) : FName(std::move(AName)) {}
  virtual ~TLPThread();
  TLPThread(const TLPThread&) = delete;
  TLPThread& operator=(const TLPThread&) = delete;

  // The component's Name, or its class name when it has none.
  static std::string GetComponentName(const TComponent* component);

  const std::string& Name() const { return FName; }
  void Terminate();
  bool Terminated() const;
  void WaitFor();
  uint32_t ThreadID();

 protected:
  void Start(ThreadPriority APriority);
  virtual void Execute() = 0;
  // Names the calling thread (cut to the system's 15 bytes).
  void AnnounceThreadName();

 private:
  std::string FName;
  std::unique_ptr<Thread> FThread;
  std::atomic<bool> FTerminated{false};
};

}  // namespace tavrel
