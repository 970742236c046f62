#include "platform/sync.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace tavrel {
namespace {

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
  std::lock_guard lock(mutex_);
  if (count <= 0 || count > maximum_ - count_) return false;
  count_ += count;
  available_.notify_all();
  return true;
}

bool Semaphore::Decrement(uint32_t milliseconds) {
  std::unique_lock lock(mutex_);
  if (!WaitWithTimeout(available_, lock, milliseconds, [this] { return count_ > 0; }))
    return false;
  --count_;
  return true;
}

}  // namespace tavrel
