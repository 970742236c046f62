#include "app/uMisc.h"

#include "platform/sync.h"
#include "platform/ui/forms.h"

namespace tavrel {

TRealDelayClock::TRealDelayClock()
    : timer_(AllocateHWnd([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; })) {}

TRealDelayClock::~TRealDelayClock() { DeallocateHWnd(timer_); }

uint64_t TRealDelayClock::NowMs() { return GetTickCount64(); }

void TRealDelayClock::Wait(uint32_t ms) {
  // The timer ends the wait when nothing else arrives first.
  SetTimer(timer_, 1, ms);
  WaitMessage();
  KillTimer(timer_, 1);
}

void Delay(TDelayClock& clock, uint32_t ms) {
  const uint64_t start = clock.NowMs();
  for (;;) {
    try {
      if (TApplication* app = Application()) app->ProcessMessages();
      else ProcessMessages();
    } catch (...) {
      // The pause goes on whatever a handler did.
    }
    const uint64_t passed = clock.NowMs() - start;
    if (passed >= ms) return;
    clock.Wait(static_cast<uint32_t>(ms - passed));
  }
}

}  // namespace tavrel
