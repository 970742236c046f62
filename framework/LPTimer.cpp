#include "framework/LPTimer.h"

#include "platform/classinfo.h"

namespace tavrel {
namespace {
constexpr uintptr_t TimerId = 1;
}

TLPTimer::TLPTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindowHandle = AllocateHWnd([this](UINT m, WPARAM w, LPARAM l) { return WndProc(m, w, l); });
}

TLPTimer::~TLPTimer() {
  FEnabled = false;
  UpdateTimer();
  DeallocateHWnd(FWindowHandle);
}

void TLPTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TLPTimer::SetInterval(uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TLPTimer::SetOnTimer(TNotifyEvent Value) {
  FOnTimer = std::move(Value);
  UpdateTimer();
}

void TLPTimer::Timer() {
  if (FOnTimer) FOnTimer(this);
}

void TLPTimer::UpdateTimer() {
  KillTimer(FWindowHandle, TimerId);
  if (FInterval != 0 && FEnabled && FOnTimer && SetTimer(FWindowHandle, TimerId, FInterval) == 0)
    throw EOutOfResources("Not enough timers available");
}

LRESULT TLPTimer::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg != WM_TIMER) return DefWindowProc(FWindowHandle, Msg, WParam, LParam);
  try {
    Timer();
  } catch (...) {
    // A failing handler must not stop the message loop; the next tick calls it again.
  }
  return 0;
}

const ClassInfo& TLPTimer::Class() {
  static const ClassInfo ci = ClassBuilder<TLPTimer>("TLPTimer", TComponent::Class())
                                  .prop("Enabled", &TLPTimer::Enabled, &TLPTimer::SetEnabled)
                                  .defaultValue(true)
                                  .prop("Interval", &TLPTimer::Interval, &TLPTimer::SetInterval)
                                  .defaultValue(int64_t(1000))
                                  .prop("OnTimer", &TLPTimer::OnTimer, &TLPTimer::SetOnTimer)
                                  .build();
  return ci;
}

}  // namespace tavrel
