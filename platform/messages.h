#pragma once
// Per-thread message queues and hidden utility windows, with the behaviour
// the system expects of the Windows message layer.
//
//   HWND w = AllocateHWnd([&](UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
//     if (msg == WM_TIMER) { Tick(); return 0; }
//     return DefWindowProc(w, msg, wp, lp);
//   });
//   SetTimer(w, 1, 200);                  // WM_TIMER every 200 ms while pumping
//   PostMessage(w, WM_APP + 0x600, 0, 0); // from any thread; queued
//   SendMessage(w, WM_USER, 0, 0);        // from any thread; waits for the result
//   MSG msg;
//   while (GetMessage(msg)) DispatchMessage(msg);
//   ...
//   DeallocateHWnd(w);
//
// Threads and windows
//   Every thread gets a queue the first time it touches this layer. A window
//   belongs to the thread that allocated it: its procedure runs only on that
//   thread, from DispatchMessage (posted messages and timers) or from the
//   pump functions (messages sent by other threads). When that thread ends,
//   its queue closes: posts to its windows fail and waiting senders get 0.
//
// Order of retrieval (GetMessage, PeekMessage)
//   1. messages sent by other threads are handled inside the call (they are
//      never returned to the caller);
//   2. posted messages, first in first out;
//   3. WM_QUIT, once PostQuitMessage was called and the posts are drained;
//   4. WM_TIMER, generated for a due timer only at retrieval time. A timer
//      therefore never piles up: after a long gap without pumping it yields
//      one WM_TIMER, and nothing arrives while the thread does not pump.
//
// Timers
//   SetTimer(hwnd, id, ms) arms (or re-arms) timer `id` of a window of the
//   calling thread; the first WM_TIMER (wParam = id) is due one interval
//   later, then every interval on the same phase. The number of live timers
//   in the process is limited (SetTimerLimit); past the limit SetTimer
//   returns 0, as the window manager does when it runs out of timers.
//
// Clocks
//   Due times are read from the calling thread's MessageClock, the steady
//   clock unless a test installs a ManualClock (SetMessageClock) before it
//   arms timers; the test then moves time forward and pumps.
//
// Posted messages
//   Each queue keeps its posted messages in a ring allocated with the queue,
//   so posting allocates nothing; past 10000 waiting posts PostMessage
//   fails, as the window manager's quota does.
//
// Driving the loop from a UI backend
//   A backend that has its own event source (windows, input) installs a
//   MessageWaitHook on its thread. Whenever the loop has nothing to do it
//   calls the hook's Wait(timeout, wakeFd) instead of sleeping; the hook
//   waits for its own events and handles them, and returns when `wakeFd`
//   becomes readable. Any post, send, PostQuitMessage or
//   MessageLoopWaker::Wake aimed at that thread makes it readable (a write
//   to an eventfd: no other thread ever calls into the backend), and stays
//   so until the loop has looked again, so nothing that arrives just before
//   the wait is missed.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tavrel {

class MessageQueue;

using HWND = std::uintptr_t;  // 0: no window
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_TIMER = 0x0113;  // 275
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;

struct MSG {
  HWND hwnd = 0;
  UINT message = WM_NULL;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

using WndProc = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

// ---- Hidden utility windows

// A new hidden window bound to the calling thread.
HWND AllocateHWnd(WndProc proc);
// Destroys the window and its timers; pending posts to it are dropped at
// dispatch and threads waiting in SendMessage to it get 0. Null is ignored.
void DeallocateHWnd(HWND hwnd);
// The default window procedure: nothing to do, result 0.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// True while the window exists.
bool IsWindow(HWND hwnd);
// The id (GetCurrentThreadId) of the window's thread, 0 for no window.
uint32_t GetWindowThreadId(HWND hwnd);

// ---- Posting and sending

// Queues a message for the window's thread; false when the window does not
// exist or its thread has ended.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure on the window's thread and returns its result.
// On that thread it is a direct call; from another thread it blocks until
// the owning thread has handled it in its message loop, meanwhile handling
// messages sent to the caller's own thread (so two threads sending to each
// other do not deadlock). 0 when the window is gone or goes while waiting.
// An exception from the procedure is not carried across threads: the
// receiving thread's pump throws it and the sender gets 0.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Makes the calling thread's GetMessage return false once the posts are drained.
void PostQuitMessage(int exitCode);

// ---- The message loop of the calling thread

// Waits for the next message; false when it is WM_QUIT (msg.wParam = exit code).
bool GetMessage(MSG& msg);
// The next message if there is one, without waiting; `remove` false leaves
// it queued (a generated WM_TIMER is then generated again next time).
bool PeekMessage(MSG& msg, bool remove = true);
// Calls the procedure of msg.hwnd when it is a live window of the calling
// thread; returns its result, 0 otherwise. Exceptions from it propagate.
LRESULT DispatchMessage(const MSG& msg);
// Waits until a message (or a wake) is available to the calling thread;
// with a wait hook, also returns after each return of the hook's Wait.
void WaitMessage();
// Dispatches everything pending now, timers that are due included; returns
// false when it met WM_QUIT (which is then consumed).
bool ProcessMessages();

// ---- Timers

// 0 when the window is not a live window of the calling thread or when the
// timer limit is reached; otherwise `id`. An interval of 0 counts as 1 ms.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT milliseconds);
// False when no such timer runs.
bool KillTimer(HWND hwnd, uintptr_t id);
// The most timers that may run at once in the process (default 10000), and
// the number running now.
void SetTimerLimit(size_t limit);
size_t TimerLimit();
size_t LiveTimerCount();

// ---- Clocks

class MessageClock {
 public:
  virtual ~MessageClock() = default;
  virtual uint64_t NowMs() const = 0;
};

// A clock that moves only when told to, for deterministic timer tests.
class ManualClock : public MessageClock {
 public:
  explicit ManualClock(uint64_t startMs = 0) : now_(startMs) {}
  uint64_t NowMs() const override { return now_; }
  void Advance(uint64_t ms) { now_ += ms; }

 private:
  std::atomic<uint64_t> now_;
};

// Installs the clock of the calling thread's queue; null restores the
// steady clock.
void SetMessageClock(std::shared_ptr<const MessageClock> clock);

// ---- Hooks for a UI backend

class MessageWaitHook {
 public:
  virtual ~MessageWaitHook() = default;
  // Called on the hooked thread when it has nothing to do; waits for the
  // backend's events, at most `timeoutMs` (none: no limit), and returns at
  // once when `wakeFd` is or becomes readable. The layer drains `wakeFd`.
  virtual void Wait(std::optional<uint32_t> timeoutMs, int wakeFd) = 0;
};

// Installs the hook of the calling thread (not owned; null removes it). It
// must stay alive until it is removed or the thread ends.
void SetMessageWaitHook(MessageWaitHook* hook);

// Wakes the loop of the thread that created it, from any thread: its
// WaitMessage / GetMessage returns to look again (GetMessage then keeps
// waiting unless something arrived).
class MessageLoopWaker {
 public:
  MessageLoopWaker();  // for the calling thread
  void Wake() const;

 private:
  std::weak_ptr<MessageQueue> queue_;
};

}  // namespace tavrel
