#include "audio/SLNotifyThread.h"

namespace tavrel {

TSLNotifyThread::TSLNotifyThread(const TComponent* AOwner, TNotifyEvent AOnNotify, TLPThreadError AOnError)
    : TLPThread(GetComponentName(AOwner) + ".TSLNotifyThread"),
      FOnNotify(std::move(AOnNotify)),
      FOnError(std::move(AOnError)) {
  Start(ThreadPriority::Highest);
}

TSLNotifyThread::~TSLNotifyThread() { Terminate(); }

void TSLNotifyThread::Terminate() {
  if (!Terminated()) {
    TLPThread::Terminate();
    // Even a full count lets the thread see the flag on its next wake-up.
    FSemaphore.Increment(1);
  }
  WaitFor();
}

void TSLNotifyThread::Execute() {
  AnnounceThreadName();
  while (!Terminated()) {
    FSemaphore.Decrement(INFINITE);
    if (Terminated()) break;
    try {
      if (FOnNotify) FOnNotify(this);
    } catch (...) {
      ReportThreadError(FOnError, std::current_exception());
    }
  }
}

}  // namespace tavrel
