#pragma once
// A thread that calls its event once for every Notify, in order.
//
//   TSLNotifyThread notifier(component, TNotifyEvent([&](TObject*) { Drain(); }),
//                            [&](std::exception_ptr e) { /* the owner's error path */ });
//   notifier.Notify();     // any thread; Drain runs on the notify thread
//   notifier.Terminate();  // returns once the thread has ended
//
// Named "<component>.TSLNotifyThread", at the highest priority the system
// grants. Notifies beyond 2000 pending are dropped. What the event raises
// goes to the error handler; the thread carries on.
#include <cstdint>

#include "platform/component.h"
#include "platform/method.h"
#include "platform/sync.h"
#include "signal/LPThread.h"

namespace tavrel {

class TSLNotifyThread : public TLPThread, public TObject {
 public:
  static constexpr int32_t kMaxPending = 2000;

  TSLNotifyThread(const TComponent* AOwner, TNotifyEvent AOnNotify, TLPThreadError AOnError = {});
  ~TSLNotifyThread() override;

  void Notify() { FSemaphore.Increment(1); }
  // Not from the thread itself.
  void Terminate();

 protected:
  void Execute() override;

 private:
  TNotifyEvent FOnNotify;
  TLPThreadError FOnError;
  Semaphore FSemaphore{0, kMaxPending};
};

}  // namespace tavrel
