#pragma once
// TTimer: the class library's timer. Calls OnTimer every Interval
// milliseconds on the GUI thread, from timer messages to a hidden window of
// its own; the ticks follow the message clock, so a test drives them with a
// ManualClock. It runs while Enabled, Interval above 0 and OnTimer set; any
// change of the three starts the period again, so a new interval counts
// from the change. An exception from OnTimer goes to the message loop
// (the application's exception handler) like any handler's.
//
//   auto* repeat = TComponent::Create<TTimer>(button);
//   repeat->SetInterval(400);
//   repeat->SetOnTimer(TNotifyEvent([&](TObject*) { repeat->SetInterval(100); Step(); }));
#include "platform/ui/controls.h"

namespace tavrel {

class TTimer : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TTimer(TComponent* owner);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t v);
  const TNotifyEvent& OnTimer() const { return on_timer_; }
  void SetOnTimer(TNotifyEvent v);
  // Running now: enabled, with an interval and a handler.
  bool Running() const { return running_; }

 protected:
  ~TTimer() override;
  virtual void Timer();

 private:
  void Update();
  HWND window_ = 0;
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  bool running_ = false;
  TNotifyEvent on_timer_;
};

}  // namespace tavrel
