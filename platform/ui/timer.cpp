#include "platform/ui/timer.h"

#include "platform/exceptions.h"

namespace tavrel {

namespace {
constexpr uintptr_t kTimerId = 1;
}

const ClassInfo& TTimer::Class() {
  static const ClassInfo ci = ClassBuilder<TTimer>("TTimer", TComponent::Class())
                                  .prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled)
                                  .defaultValue(true)
                                  .prop("Interval", &TTimer::Interval, &TTimer::SetInterval)
                                  .defaultValue(int64_t{1000})
                                  .prop("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer)
                                  .build();
  return ci;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  window_ = AllocateHWnd([this](UINT msg, WPARAM wp, LPARAM) -> LRESULT {
    if (msg == WM_TIMER && wp == kTimerId) Timer();
    return 0;
  });
}

TTimer::~TTimer() { DeallocateHWnd(window_); }

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Update();
}

void TTimer::SetInterval(uint32_t v) {
  if (v == interval_) return;
  interval_ = v;
  Update();
}

void TTimer::SetOnTimer(TNotifyEvent v) {
  on_timer_ = std::move(v);
  Update();
}

void TTimer::Update() {
  KillTimer(window_, kTimerId);
  running_ = false;
  if (!enabled_ || interval_ == 0 || !on_timer_) return;
  if (SetTimer(window_, kTimerId, interval_) == 0) throw EOutOfResources("Not enough timers available");
  running_ = true;
}

void TTimer::Timer() {
  if (on_timer_) on_timer_(this);
}

}  // namespace tavrel
