#include "audio/SLNotifyThread.h"

namespace tavrel {

TSLNotifyThread::TSLNotifyThread(const TComponent* AOwner, TNotifyEvent AOnNotify)
    : TLPThread(GetComponentName(AOwner) + ".TSLNotifyThread"), FOnNotify(std::move(AOnNotify)) {
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
    if (FOnNotify) FOnNotify(this);
  }
}

}  // namespace tavrel
