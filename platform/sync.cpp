#include "platform/sync.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace tavrel {
namespace {

static_assert(sizeof(std::atomic<int32_t>) == sizeof(int32_t) && std::atomic<int32_t>::is_always_lock_free,
              "a futex word is a plain 32-bit integer");

// Sleeps while `word` reads `expected`, at most `left` (negative: no
// limit); returns on a wake, a change, a signal or the time-out alike.
void FutexWait(std::atomic<int32_t>& word, int32_t expected, std::chrono::nanoseconds left) {
  timespec limit{};
  if (left.count() >= 0) {
    limit.tv_sec = static_cast<time_t>(left.count() / 1000000000);
    limit.tv_nsec = static_cast<long>(left.count() % 1000000000);
  }
  syscall(SYS_futex, reinterpret_cast<int32_t*>(&word), FUTEX_WAIT_PRIVATE, expected,
          left.count() >= 0 ? &limit : nullptr, nullptr, 0);
}

// Wakes up to `count` threads sleeping on `word`.
void FutexWake(std::atomic<int32_t>& word, int32_t count) {
  syscall(SYS_futex, reinterpret_cast<int32_t*>(&word), FUTEX_WAKE_PRIVATE, count, nullptr, nullptr, 0);
}

// Waits on `cv` until `ready()` holds or the time-out passes; true when ready.
template <class Ready>
bool WaitWithTimeout(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                     uint32_t milliseconds, Ready ready) {
  if (milliseconds == INFINITE) {
    cv.wait(lock, ready);
    return true;
  }
  return cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

}  // namespace

uint32_t GetCurrentThreadId() {
  static std::atomic<uint32_t> last{0};
  thread_local const uint32_t id = ++last;
  return id;
}

uint64_t GetTickCount64() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t GetTickCount() { return static_cast<uint32_t>(GetTickCount64()); }

void Sleep(uint32_t milliseconds) {
  if (milliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int32_t InterlockedIncrement(std::atomic<int32_t>& target) { return ++target; }
int32_t InterlockedDecrement(std::atomic<int32_t>& target) { return --target; }
int32_t InterlockedExchange(std::atomic<int32_t>& target, int32_t value) {
  return target.exchange(value);
}
int32_t InterlockedExchangeAdd(std::atomic<int32_t>& target, int32_t add) {
  return target.fetch_add(add);
}
int32_t InterlockedCompareExchange(std::atomic<int32_t>& target, int32_t exchange,
                                   int32_t comparand) {
  target.compare_exchange_strong(comparand, exchange);
  return comparand;  // holds the old value either way
}

// ---- Event

Event::Event(bool manualReset, bool initialState)
    : manualReset_(manualReset), signalled_(initialState) {}

void Event::Set() {
  std::lock_guard lock(mutex_);
  signalled_ = true;
  if (manualReset_)
    changed_.notify_all();
  else
    changed_.notify_one();
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  signalled_ = false;
}

bool Event::WaitFor(uint32_t milliseconds) {
  std::unique_lock lock(mutex_);
  if (!WaitWithTimeout(changed_, lock, milliseconds, [this] { return signalled_; }))
    return false;
  if (!manualReset_) signalled_ = false;
  return true;
}

// ---- OwnedMutex

// The mutexes a thread holds, so that they can be handed on when it ends.
struct OwnedMutex::Ownerships {
  std::mutex mutex;
  std::vector<OwnedMutex*> held;

  static std::shared_ptr<Ownerships> Current();

  void Add(OwnedMutex* m) {
    std::lock_guard lock(mutex);
    held.push_back(m);
  }
  void Remove(OwnedMutex* m) {
    std::lock_guard lock(mutex);
    held.erase(std::remove(held.begin(), held.end(), m), held.end());
  }
  // Thread exit: every mutex still held becomes free and abandoned.
  void AbandonAll() {
    std::vector<OwnedMutex*> mutexes;
    {
      std::lock_guard lock(mutex);
      mutexes.swap(held);
    }
    for (OwnedMutex* m : mutexes) {
      std::lock_guard lock(m->mutex_);
      if (m->ownerRecord_.get() != this) continue;
      m->owner_ = 0;
      m->count_ = 0;
      m->abandoned_ = true;
      m->ownerRecord_.reset();
      m->freed_.notify_one();
    }
  }
};

namespace {
struct OwnershipsHolder {
  std::shared_ptr<OwnedMutex::Ownerships> record;
  ~OwnershipsHolder() {
    if (record) record->AbandonAll();
  }
};
}  // namespace

std::shared_ptr<OwnedMutex::Ownerships> OwnedMutex::Ownerships::Current() {
  thread_local OwnershipsHolder holder;
  if (!holder.record) holder.record = std::make_shared<Ownerships>();
  return holder.record;
}

OwnedMutex::OwnedMutex(bool initialOwner) {
  if (initialOwner) {
    std::lock_guard lock(mutex_);
    TakeLocked(GetCurrentThreadId());
  }
}

OwnedMutex::~OwnedMutex() {
  std::lock_guard lock(mutex_);
  if (ownerRecord_) ownerRecord_->Remove(this);
}

void OwnedMutex::TakeLocked(uint32_t self) {
  owner_ = self;
  count_ = 1;
  ownerRecord_ = Ownerships::Current();
  ownerRecord_->Add(this);
}

WaitResult OwnedMutex::Acquire(uint32_t milliseconds) {
  const uint32_t self = GetCurrentThreadId();
  std::unique_lock lock(mutex_);
  if (owner_ == self) {
    ++count_;
    return WaitResult::Obtained;
  }
  if (!WaitWithTimeout(freed_, lock, milliseconds, [this] { return owner_ == 0; }))
    return WaitResult::TimedOut;
  const bool abandoned = abandoned_;
  abandoned_ = false;
  TakeLocked(self);
  return abandoned ? WaitResult::Abandoned : WaitResult::Obtained;
}

bool OwnedMutex::Release() {
  std::lock_guard lock(mutex_);
  if (owner_ != GetCurrentThreadId()) return false;
  if (--count_ > 0) return true;
  owner_ = 0;
  ownerRecord_->Remove(this);
  ownerRecord_.reset();
  freed_.notify_one();
  return true;
}

uint32_t OwnedMutex::Owner() {
  std::lock_guard lock(mutex_);
  return owner_;
}

// ---- Semaphore

Semaphore::Semaphore(int32_t initialCount, int32_t maximumCount)
    : count_(std::clamp(initialCount, 0, std::max(maximumCount, 0))),
      maximum_(std::max(maximumCount, 0)) {}

bool Semaphore::Increment(int32_t count) {
  if (count <= 0) return false;
  int32_t now = count_.load(std::memory_order_relaxed);
  do {
    if (count > maximum_ - now) return false;
  } while (!count_.compare_exchange_weak(now, now + count, std::memory_order_seq_cst));
  // A waiter counts itself before it sleeps and sleeps only while the word
  // still reads 0, so one that is not seen here has not slept yet.
  if (waiters_.load(std::memory_order_seq_cst) > 0) FutexWake(count_, count);
  return true;
}

bool Semaphore::TryTake() {
  int32_t now = count_.load(std::memory_order_acquire);
  while (now > 0)
    if (count_.compare_exchange_weak(now, now - 1, std::memory_order_acquire)) return true;
  return false;
}

bool Semaphore::Decrement(uint32_t milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(milliseconds == INFINITE ? 0 : milliseconds);
  for (;;) {
    if (TryTake()) return true;
    std::chrono::nanoseconds left{-1};  // no limit
    if (milliseconds != INFINITE) {
      left = until - Clock::now();
      if (left <= std::chrono::nanoseconds::zero()) return false;
    }
    waiters_.fetch_add(1, std::memory_order_seq_cst);
    FutexWait(count_, 0, left);
    waiters_.fetch_sub(1, std::memory_order_relaxed);
  }
}

}  // namespace tavrel
