#include "signal/LPThread.h"

namespace tavrel {

void ReportThreadError(const TLPThreadError& AOnError, std::exception_ptr AError) noexcept {
  try {
    if (AOnError) AOnError(AError);
  } catch (...) {
  }
}

TLPThread::~TLPThread() { WaitFor(); }

std::string TLPThread::GetComponentName(const TComponent* component) {
  if (!component) return {};
  return component->Name().empty() ? component->ClassName() : component->Name();
}

void TLPThread::Start(ThreadPriority APriority) {
  FThread = std::make_unique<Thread>(FName, APriority, [this](Thread&) { Execute(); });
}

void TLPThread::Terminate() { FTerminated.store(true); }
bool TLPThread::Terminated() const { return FTerminated.load(); }

void TLPThread::WaitFor() {
  if (FThread) FThread->Join();
}

uint32_t TLPThread::ThreadID() { return FThread ? FThread->ThreadID() : 0; }

void TLPThread::AnnounceThreadName() { SetCurrentThreadName(FName); }

}  // namespace tavrel
