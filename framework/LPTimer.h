#pragma once
// TLPTimer: calls OnTimer every Interval milliseconds on the thread that
// created it, driven by timer messages to a hidden window of its own. Ticks
// arrive only while that thread runs its message loop (platform/messages.h)
// and never pile up.
//
//   auto timer = TComponent::CreateUnowned<TLPTimer>();
//   timer->SetInterval(200);
//   timer->SetOnTimer(TNotifyEvent([this](TObject*) { Trim(); }, this, "Trim"));
//   ... the thread pumps messages ...
//
// The timer runs exactly while Interval is not 0, Enabled is true and
// OnTimer is assigned. Setting Enabled or Interval to the value it already
// has changes nothing; any other change of the three, and every assignment
// of OnTimer, restarts it, so the next tick comes one full interval later.
// Starting it raises EOutOfResources "Not enough timers available" when the
// window manager has no timer left; the timer is then stopped. An exception
// from the handler is swallowed, and the next tick calls it again.
#include <cstdint>

#include "platform/component.h"
#include "platform/messages.h"

namespace tavrel {

class TLPTimer : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TLPTimer(TComponent* AOwner);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t Value);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);

 protected:
  ~TLPTimer() override;
  // Calls OnTimer with the timer as sender.
  virtual void Timer();

 private:
  void UpdateTimer();
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam);

  uint32_t FInterval = 1000;
  HWND FWindowHandle = 0;
  TNotifyEvent FOnTimer;
  bool FEnabled = true;
};

}  // namespace tavrel
