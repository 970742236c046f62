#pragma once
// Waiting that keeps the window alive: Delay lets the application's
// pending messages (input, posted work, timers, painting) run until the
// requested time has passed on a clock.
//
//   TRealDelayClock clock;          // the tick count, waiting for messages
//   Delay(clock, 100);              // handlers and deliveries run meanwhile
//
// Tests give a clock whose time moves only when Delay waits on it, so a
// sequence of pauses runs at once and each pause can be seen.
#include <cstdint>

#include "platform/messages.h"

namespace tavrel {

class TDelayClock {
 public:
  virtual ~TDelayClock() = default;
  virtual uint64_t NowMs() = 0;
  // Waits at most `ms` for something to do (a message, input, a wake).
  virtual void Wait(uint32_t ms) = 0;
};

// The tick count; waits in the calling thread's message loop, woken by
// a timer of its own. Use it on the GUI thread only.
class TRealDelayClock : public TDelayClock {
 public:
  TRealDelayClock();
  ~TRealDelayClock() override;
  TRealDelayClock(const TRealDelayClock&) = delete;
  TRealDelayClock& operator=(const TRealDelayClock&) = delete;
  uint64_t NowMs() override;
  void Wait(uint32_t ms) override;

 private:
  HWND timer_ = 0;
};

// Runs the application's messages until `ms` milliseconds have passed on
// `clock`, at least once; an error raised meanwhile is dropped.
void Delay(TDelayClock& clock, uint32_t ms);

}  // namespace tavrel
