#include "platform/messages.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/sync.h"

namespace tavrel {

struct SentMessage;

namespace {

// Posted messages in a ring allocated once, with the queue: posting from an
// audio thread allocates nothing. Full means full, as the window manager's
// quota of posted messages.
class PostedRing {
 public:
  static constexpr size_t kCapacity = 10000;

  PostedRing() : slots_(std::make_unique<MSG[]>(kCapacity)) {}
  bool Empty() const { return count_ == 0; }
  bool Push(const MSG& m) {
    if (count_ == kCapacity) return false;
    slots_[(first_ + count_++) % kCapacity] = m;
    return true;
  }
  const MSG& Front() const { return slots_[first_]; }
  void Pop() {
    first_ = (first_ + 1) % kCapacity;
    --count_;
  }
  void Clear() { first_ = count_ = 0; }
  // Drops the messages `drop` picks, keeping the others in order.
  template <class Pred>
  void EraseIf(Pred drop) {
    size_t kept = 0;
    for (size_t i = 0; i < count_; ++i) {
      const MSG& m = slots_[(first_ + i) % kCapacity];
      if (!drop(m)) slots_[(first_ + kept++) % kCapacity] = m;
    }
    count_ = kept;
  }

 private:
  std::unique_ptr<MSG[]> slots_;
  size_t first_ = 0;
  size_t count_ = 0;
};

// The descriptor a hooked thread's wait polls: readable once anything was
// queued for the thread since it was last drained.
class WakeFd {
 public:
  WakeFd() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }
  ~WakeFd() { ::close(fd_); }
  WakeFd(const WakeFd&) = delete;
  WakeFd& operator=(const WakeFd&) = delete;
  int Get() const { return fd_; }
  void Signal() const {
    const uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
  void Drain() const {
    uint64_t count;
    while (::read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
  }

 private:
  int fd_;
};

}  // namespace

// The queue of one thread. Every field is guarded by `mutex`.
class MessageQueue {
 public:
  struct Timer {
    HWND hwnd;
    uintptr_t id;
    uint64_t interval;
    uint64_t due;
  };

  explicit MessageQueue(uint32_t thread) : threadId(thread) {}

  void WakeLocked() {
    changed.notify_all();
    if (hook) wakeFd.Signal();
  }
  uint64_t NowLocked() const { return clock ? clock->NowMs() : GetTickCount64(); }
  Timer* DueTimerLocked(uint64_t now) {
    Timer* first = nullptr;
    for (auto& t : timers)
      if (t.due <= now && (!first || t.due < first->due)) first = &t;
    return first;
  }
  // Milliseconds until the next timer is due; none without timers.
  std::optional<uint32_t> TimeoutLocked(uint64_t now) const {
    std::optional<uint64_t> next;
    for (const auto& t : timers) next = std::min(next.value_or(t.due), t.due);
    if (!next) return std::nullopt;
    return static_cast<uint32_t>(std::min<uint64_t>(*next > now ? *next - now : 0, 0x7FFFFFFF));
  }

  std::mutex mutex;
  std::condition_variable changed;
  const uint32_t threadId;
  bool open = true;
  PostedRing posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::vector<Timer> timers;
  bool quit = false;
  int quitCode = 0;
  bool woken = false;
  std::shared_ptr<const MessageClock> clock;
  MessageWaitHook* hook = nullptr;
  const WakeFd wakeFd;
};

// A message sent from another thread; `result` and `done` are guarded by
// the sender's queue mutex.
struct SentMessage {
  MSG msg;
  std::shared_ptr<MessageQueue> sender;
  LRESULT result = 0;
  bool done = false;
};

namespace {

struct Window {
  uint32_t threadId;
  std::weak_ptr<MessageQueue> queue;
  WndProc proc;
};

struct WindowRegistry {
  std::mutex mutex;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  HWND last = 0;
};

WindowRegistry& Windows() {
  static WindowRegistry registry;
  return registry;
}

std::shared_ptr<Window> FindWindow(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto& reg = Windows();
  std::lock_guard lock(reg.mutex);
  auto it = reg.windows.find(hwnd);
  return it == reg.windows.end() ? nullptr : it->second;
}

struct TimerCounts {
  std::atomic<size_t> live{0};
  std::atomic<size_t> limit{10000};
};

TimerCounts& Timers() {
  static TimerCounts counts;
  return counts;
}

bool ReserveTimer() {
  auto& t = Timers();
  size_t live = t.live.load();
  do {
    if (live >= t.limit.load()) return false;
  } while (!t.live.compare_exchange_weak(live, live + 1));
  return true;
}

void ReleaseTimers(size_t n) { Timers().live -= n; }

void Complete(const std::shared_ptr<SentMessage>& s, LRESULT result) {
  std::lock_guard lock(s->sender->mutex);
  s->result = result;
  s->done = true;
  s->sender->WakeLocked();
}

void CompleteAll(const std::deque<std::shared_ptr<SentMessage>>& list) {
  for (const auto& s : list) Complete(s, 0);
}

// Closes the thread's queue when the thread ends: its windows and timers go,
// and threads still waiting in SendMessage to it are released.
struct QueueHolder {
  std::shared_ptr<MessageQueue> queue;
  ~QueueHolder() {
    if (!queue) return;
    std::deque<std::shared_ptr<SentMessage>> pending;
    {
      std::lock_guard lock(queue->mutex);
      queue->open = false;
      pending.swap(queue->sent);
      queue->posted.Clear();
      ReleaseTimers(queue->timers.size());
      queue->timers.clear();
      queue->hook = nullptr;
    }
    CompleteAll(pending);
    auto& reg = Windows();
    std::lock_guard lock(reg.mutex);
    std::erase_if(reg.windows, [&](const auto& entry) {
      return entry.second->queue.lock() == queue || entry.second->queue.expired();
    });
  }
};

std::shared_ptr<MessageQueue> CurrentQueue() {
  thread_local QueueHolder holder;
  if (!holder.queue) holder.queue = std::make_shared<MessageQueue>(GetCurrentThreadId());
  return holder.queue;
}

LRESULT CallProc(const Window& w, const MSG& m) {
  return w.proc ? w.proc(m.message, m.wParam, m.lParam) : 0;
}

void HandleSent(const std::shared_ptr<SentMessage>& s) {
  auto w = FindWindow(s->msg.hwnd);
  LRESULT result = 0;
  if (w && w->threadId == GetCurrentThreadId()) {
    try {
      result = CallProc(*w, s->msg);
    } catch (...) {
      Complete(s, 0);
      throw;
    }
  }
  Complete(s, result);
}

// Handles every message other threads have sent to this one.
void HandlePendingSent(MessageQueue& q) {
  for (;;) {
    std::shared_ptr<SentMessage> s;
    {
      std::lock_guard lock(q.mutex);
      if (q.sent.empty()) return;
      s = q.sent.front();
      q.sent.pop_front();
    }
    HandleSent(s);
  }
}

}  // namespace

// ---- Windows

HWND AllocateHWnd(WndProc proc) {
  auto w = std::make_shared<Window>();
  w->threadId = GetCurrentThreadId();
  w->queue = CurrentQueue();
  w->proc = std::move(proc);
  auto& reg = Windows();
  std::lock_guard lock(reg.mutex);
  const HWND h = ++reg.last;
  reg.windows.emplace(h, std::move(w));
  return h;
}

void DeallocateHWnd(HWND hwnd) {
  std::shared_ptr<Window> w;
  {
    auto& reg = Windows();
    std::lock_guard lock(reg.mutex);
    auto it = reg.windows.find(hwnd);
    if (it == reg.windows.end()) return;
    w = std::move(it->second);
    reg.windows.erase(it);
  }
  auto q = w->queue.lock();
  if (!q) return;
  std::deque<std::shared_ptr<SentMessage>> orphans;
  {
    std::lock_guard lock(q->mutex);
    const size_t before = q->timers.size();
    std::erase_if(q->timers, [&](const auto& t) { return t.hwnd == hwnd; });
    ReleaseTimers(before - q->timers.size());
    q->posted.EraseIf([&](const MSG& m) { return m.hwnd == hwnd; });
    for (auto it = q->sent.begin(); it != q->sent.end();) {
      if ((*it)->msg.hwnd == hwnd) {
        orphans.push_back(*it);
        it = q->sent.erase(it);
      } else {
        ++it;
      }
    }
  }
  CompleteAll(orphans);
}

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

bool IsWindow(HWND hwnd) { return FindWindow(hwnd) != nullptr; }

uint32_t GetWindowThreadId(HWND hwnd) {
  auto w = FindWindow(hwnd);
  return w ? w->threadId : 0;
}

// ---- Posting and sending

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = FindWindow(hwnd);
  auto q = w ? w->queue.lock() : nullptr;
  if (!q) return false;
  std::lock_guard lock(q->mutex);
  if (!q->open || !q->posted.Push({hwnd, message, wParam, lParam})) return false;
  q->WakeLocked();
  return true;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = FindWindow(hwnd);
  if (!w) return 0;
  const MSG msg{hwnd, message, wParam, lParam};
  if (w->threadId == GetCurrentThreadId()) return CallProc(*w, msg);
  auto target = w->queue.lock();
  if (!target) return 0;
  auto self = CurrentQueue();
  auto s = std::make_shared<SentMessage>(SentMessage{msg, self});
  {
    std::lock_guard lock(target->mutex);
    if (!target->open) return 0;
    target->sent.push_back(s);
    target->WakeLocked();
  }
  std::unique_lock lock(self->mutex);
  while (!s->done) {
    if (!self->sent.empty()) {
      auto incoming = self->sent.front();
      self->sent.pop_front();
      lock.unlock();
      HandleSent(incoming);
      lock.lock();
      continue;
    }
    self->changed.wait(lock);
  }
  return s->result;
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  std::lock_guard lock(q->mutex);
  q->quit = true;
  q->quitCode = exitCode;
  q->WakeLocked();
}

// ---- The loop

bool PeekMessage(MSG& msg, bool remove) {
  auto q = CurrentQueue();
  HandlePendingSent(*q);
  std::lock_guard lock(q->mutex);
  if (!q->posted.Empty()) {
    msg = q->posted.Front();
    if (remove) q->posted.Pop();
    return true;
  }
  if (q->quit) {
    msg = {0, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0};
    if (remove) q->quit = false;
    return true;
  }
  const uint64_t now = q->NowLocked();
  if (auto* t = q->DueTimerLocked(now)) {
    msg = {t->hwnd, WM_TIMER, t->id, 0};
    // Skip every period missed meanwhile: one tick, on the timer's phase.
    if (remove) t->due += t->interval * ((now - t->due) / t->interval + 1);
    return true;
  }
  return false;
}

void WaitMessage() {
  auto q = CurrentQueue();
  for (;;) {
    HandlePendingSent(*q);
    std::unique_lock lock(q->mutex);
    if (!q->sent.empty()) continue;
    const uint64_t now = q->NowLocked();
    if (!q->posted.Empty() || q->quit || q->woken || q->DueTimerLocked(now)) {
      q->woken = false;
      return;
    }
    const auto timeout = q->TimeoutLocked(now);
    if (auto* hook = q->hook) {
      lock.unlock();
      hook->Wait(timeout, q->wakeFd.Get());
      // What signalled it is in the queue now; the next look finds it.
      q->wakeFd.Drain();
      lock.lock();
      q->woken = false;
      return;
    }
    if (timeout)
      q->changed.wait_for(lock, std::chrono::milliseconds(*timeout));
    else
      q->changed.wait(lock);
  }
}

bool GetMessage(MSG& msg) {
  while (!PeekMessage(msg, true)) WaitMessage();
  return msg.message != WM_QUIT;
}

LRESULT DispatchMessage(const MSG& msg) {
  auto w = FindWindow(msg.hwnd);
  if (!w || w->threadId != GetCurrentThreadId()) return 0;
  return CallProc(*w, msg);
}

bool ProcessMessages() {
  MSG msg;
  while (PeekMessage(msg, true)) {
    if (msg.message == WM_QUIT) return false;
    DispatchMessage(msg);
  }
  return true;
}

// ---- Timers

uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT milliseconds) {
  auto w = FindWindow(hwnd);
  if (!w || w->threadId != GetCurrentThreadId() || id == 0) return 0;
  auto q = CurrentQueue();
  // No 10 ms floor: the tab bar's slides step every 9 or 3 ms. A period
  // of 0 would be due again at once and never let the queue drain.
  const uint64_t interval = std::max<UINT>(milliseconds, 1);
  std::lock_guard lock(q->mutex);
  const uint64_t due = q->NowLocked() + interval;
  for (auto& t : q->timers) {
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = interval;
      t.due = due;
      return id;
    }
  }
  if (!ReserveTimer()) return 0;
  q->timers.push_back({hwnd, id, interval, due});
  return id;
}

bool KillTimer(HWND hwnd, uintptr_t id) {
  auto w = FindWindow(hwnd);
  auto q = w ? w->queue.lock() : nullptr;
  if (!q) return false;
  std::lock_guard lock(q->mutex);
  auto it = std::find_if(q->timers.begin(), q->timers.end(),
                         [&](const auto& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == q->timers.end()) return false;
  q->timers.erase(it);
  ReleaseTimers(1);
  return true;
}

void SetTimerLimit(size_t limit) { Timers().limit = limit; }
size_t TimerLimit() { return Timers().limit; }
size_t LiveTimerCount() { return Timers().live; }

// ---- Clocks and hooks

void SetMessageClock(std::shared_ptr<const MessageClock> clock) {
  auto q = CurrentQueue();
  std::lock_guard lock(q->mutex);
  q->clock = std::move(clock);
}

void SetMessageWaitHook(MessageWaitHook* hook) {
  auto q = CurrentQueue();
  std::lock_guard lock(q->mutex);
  q->hook = hook;
}

MessageLoopWaker::MessageLoopWaker() : queue_(CurrentQueue()) {}

void MessageLoopWaker::Wake() const {
  auto q = queue_.lock();
  if (!q) return;
  std::lock_guard lock(q->mutex);
  q->woken = true;
  q->WakeLocked();
}

}  // namespace tavrel
