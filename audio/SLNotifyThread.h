#pragma once
// A thread that calls its event once for every Notify, in order.
//
//   TSLNotifyThread notifier(component, TNotifyEvent([&](TObject*) { Drain(); }));
//   notifier.Notify();     // any thread; Drain runs on the notify thread
//   notifier.Terminate();  // returns once the thread has ended
//
// Named "<component>.TSLNotifyThread", at the highest priority the system
// grants. Notifies beyond 2000 pending are dropped.
#include <cstdint>

#include "platform/component.h"
#include "platform/method.h"
#include "platform/sync.h"
#include "signal/LPThread.h"

namespace tavrel {

class TSLNotifyThread : public TLPThread, public TObject {
 public:
  static constexpr int32_t kMaxPending = 2000;

  TSLNotifyThread(const TComponent* AOwner, TNotifyEvent AOnNotify);
  ~TSLNotifyThread() override;

  void Notify() { FSemaphore.Increment(1); }
  // Not from the thread itself.
  void Terminate();

 protected:
  void Execute() override;

 private:
  TNotifyEvent FOnNotify;
  Semaphore FSemaphore{0, kMaxPending};
};

}  // namespace tavrel
