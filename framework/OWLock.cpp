#include "framework/OWLock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

namespace tavrel {

// ---------------------------------------------------------------------------
// Lock events and their listeners

const std::string& LockEventName(TOWLockEvent e) {
  static const std::array<std::string, 20> names = [] {
    const char* plain[] = {"None", "Error", "Create", "Destroy", "BeginWriteCreate", "WriteCreate",
                           "BeginWriteDestroy", "WriteDestroy", "BeginReadCreate", "ReadCreate",
                           "BeginReadDestroy", "ReadDestroy", "BeginStopCreate", "StopCreate",
                           "BeginStopDestroy", "StopDestroy", "BeginUnlockCreate", "UnlockCreate",
                           "BeginUnlockDestroy", "UnlockDestroy"};
    std::array<std::string, 20> padded;
    for (size_t i = 0; i < padded.size(); ++i) {
      padded[i] = plain[i];
      padded[i].resize(18, ' ');
    }
    return padded;
  }();
  static const std::string empty;
  size_t i = size_t(e);
  return i < names.size() ? names[i] : empty;
}

namespace {

struct Listeners {
  std::mutex guard;
  std::vector<Ref<IOWLockListener>> list;
  std::atomic<int> count{0};  // read without the guard on every lock step
};

Listeners& LockListeners() {
  static Listeners listeners;
  return listeners;
}

}  // namespace

void AddLockListener(const Ref<IOWLockListener>& listener) {
  Listeners& l = LockListeners();
  std::lock_guard hold(l.guard);
  l.list.push_back(listener);
  l.count = int(l.list.size());
}

void RemoveLockListener(const Ref<IOWLockListener>& listener) {
  Listeners& l = LockListeners();
  std::lock_guard hold(l.guard);
  l.list.erase(std::remove(l.list.begin(), l.list.end(), listener), l.list.end());
  l.count = int(l.list.size());
}

void NotifyLockListeners(TOWLock* lock, TOWLockSection* section, TOWLockEvent event, uint32_t threadId) {
  Listeners& l = LockListeners();
  if (l.count.load(std::memory_order_acquire) == 0) return;
  std::lock_guard hold(l.guard);
  for (auto& listener : l.list) listener->LockEvent(lock, section, event, threadId);
}

// ---------------------------------------------------------------------------
// TOWLock

TOWLock::TOWLock() { NotifyLockListeners(this, nullptr, TOWLockEvent::Create, GetCurrentThreadId()); }

TOWLock::~TOWLock() { NotifyLockListeners(this, nullptr, TOWLockEvent::Destroy, GetCurrentThreadId()); }

TOWLock::Counts TOWLock::GetCounts() {
  Guard g(guard_);
  return {owningThread_, countLocks_, countStopLocks_, countStopLocksOwner_, inStopCount_};
}

bool TOWLock::TryLock(uint32_t milliseconds, uint32_t thread) {
  Guard g(guard_);
  if (owningThread_ == thread && countLocks_ > 0) {
    ++countLocks_;
    return true;
  }
  // A stop asked for by another thread: give up at once, the caller is let through.
  auto free = [&] { return inStopCount_ > 0 || owningThread_ == 0; };
  if (!changed_.wait_for(g, std::chrono::milliseconds(milliseconds), free) || inStopCount_ > 0) return false;
  owningThread_ = thread;
  countLocks_ = 1;
  return true;
}

void TOWLock::ReleaseHold(uint32_t thread) {
  if (owningThread_ == thread && countLocks_ > 0) {
    if (--countLocks_ == 0 && countStopLocksOwner_ == 0) {
      owningThread_ = 0;
      Changed();
    }
  } else if (countStopLocks_ > 0) {
    // Holds that were taken back as let-through during a stop.
    --countStopLocks_;
  }
}

Ref<IOWLockSection> TOWLock::ReadLock() {
  Ref<TOWAccessLockSection> s = MakeRef<TOWSimpleReadLockSection>(Ref<IOWLock>(this));
  if (!s->Locked()) return nullptr;  // the let-through hold goes back with s
  return s;
}

Ref<IOWLockSection> TOWLock::WriteLock() {
  Ref<TOWAccessLockSection> s = MakeRef<TOWSimpleWriteLockSection>(Ref<IOWLock>(this));
  if (!s->Locked()) return nullptr;
  return s;
}

Ref<IOWLockSection> TOWLock::StopLock() { return MakeRef<TOWSimpleStopLockSection>(Ref<IOWLock>(this)); }

Ref<IOWLockSection> TOWLock::UnlockAll() {
  return MakeRef<TOWSimpleUnlockSection>(Ref<IOWLock>(this), nullptr);
}

Ref<IOWLockSection> TOWLock::UnlockAllLockInOrder(const Ref<IOWLock>& AFirstLock) {
  return MakeRef<TOWSimpleUnlockSection>(Ref<IOWLock>(this), AFirstLock);
}

// ---------------------------------------------------------------------------
// Sections

TOWLockSection::TOWLockSection(const Ref<IOWLock>& lock)
    : ownerIntf_(lock), owner_(lock->Instance()), thread_(GetCurrentThreadId()) {}

TOWAccessLockSection::TOWAccessLockSection(const Ref<IOWLock>& lock, const Ref<IOWLock>& slaveLock,
                                           TOWLockEvent beginCreate)
    : TOWLockSection(lock), first_(beginCreate) {
  const auto created = TOWLockEvent(int(first_) + 1);
  Report(first_);
  for (uint32_t t = 1;;) {
    if (owner_->TryLock(t, thread_)) {
      Report(created);
      locked_ = true;
      return;
    }
    {
      TOWLock::Guard g(owner_->guard_);
      if (owner_->inStopCount_ > 0) {
        ownerLetThrough_ = owner_->owningThread_ == thread_;
        ++(ownerLetThrough_ ? owner_->countStopLocksOwner_ : owner_->countStopLocks_);
        Report(created);
        return;
      }
    }
    if (t < 20)
      ++t;
    else if (slaveLock && !unlockSection_)
      unlockSection_ = slaveLock->UnlockAll();
  }
}

TOWAccessLockSection::~TOWAccessLockSection() {
  Report(TOWLockEvent(int(first_) + 2));
  {
    TOWLock::Guard g(owner_->guard_);
    if (locked_) {
      owner_->ReleaseHold(thread_);
    } else if (ownerLetThrough_ && owner_->countStopLocksOwner_ > 0) {
      if (--owner_->countStopLocksOwner_ == 0 && owner_->countLocks_ == 0 && owner_->owningThread_ == thread_) {
        owner_->owningThread_ = 0;
        owner_->Changed();
      }
    } else if (owner_->countStopLocks_ > 0) {
      --owner_->countStopLocks_;
    }
  }
  Report(TOWLockEvent(int(first_) + 3));
  unlockSection_.reset();  // takes the slave lock back after this one is free
}

TOWSimpleStopLockSection::TOWSimpleStopLockSection(const Ref<IOWLock>& lock) : TOWLockSection(lock) {
  Report(TOWLockEvent::BeginStopCreate);
  {
    TOWLock::Guard g(owner_->guard_);
    ++owner_->inStopCount_;  // from now on other threads are let through
    owner_->Changed();
    if (owner_->owningThread_ == thread_ && owner_->countLocks_ > 0) {
      ++owner_->countLocks_;
    } else {
      while (!owner_->changed_.wait_for(g, std::chrono::milliseconds(1000),
                                        [&] { return owner_->owningThread_ == 0; })) {
      }
      owner_->owningThread_ = thread_;
      owner_->countLocks_ = 1;
    }
  }
  Report(TOWLockEvent::StopCreate);
}

TOWSimpleStopLockSection::~TOWSimpleStopLockSection() {
  Report(TOWLockEvent::BeginStopDestroy);
  {
    TOWLock::Guard g(owner_->guard_);
    --owner_->inStopCount_;
    owner_->ReleaseHold(thread_);
    owner_->Changed();
  }
  Report(TOWLockEvent::StopDestroy);
}

TOWSimpleUnlockSection::TOWSimpleUnlockSection(const Ref<IOWLock>& lock, const Ref<IOWLock>& firstLock)
    : TOWLockSection(lock), firstLockIntf_(firstLock) {
  TOWLock::Guard g(owner_->guard_);
  Report(TOWLockEvent::BeginUnlockCreate);
  if (owner_->owningThread_ == 0 || owner_->owningThread_ == thread_) {
    countLocks_ = owner_->countLocks_ + owner_->countStopLocksOwner_;
    countOtherLocks_ = owner_->countStopLocks_;
    owner_->countLocks_ = owner_->countStopLocks_ = owner_->countStopLocksOwner_ = 0;
    owner_->owningThread_ = 0;
    owner_->Changed();
  }
  Report(TOWLockEvent::UnlockCreate);
}

TOWSimpleUnlockSection::~TOWSimpleUnlockSection() {
  Report(TOWLockEvent::BeginUnlockDestroy);
  Ref<IOWLockSection> first;
  if (firstLockIntf_) first = firstLockIntf_->WriteLock();
  if (countLocks_ > 0) {
    for (;;) {
      if (owner_->TryLock(1, thread_)) {
        TOWLock::Guard g(owner_->guard_);
        owner_->countLocks_ += countLocks_ - 1;
        owner_->countStopLocks_ += countOtherLocks_;
        break;
      }
      TOWLock::Guard g(owner_->guard_);
      if (owner_->inStopCount_ > 0) {
        // Another thread stops the lock: the holds come back as let-through
        // holds, which the thread's outer sections give back one by one.
        owner_->countStopLocks_ += countLocks_ + countOtherLocks_;
        break;
      }
    }
  } else if (countOtherLocks_ > 0) {
    TOWLock::Guard g(owner_->guard_);
    owner_->countStopLocks_ += countOtherLocks_;
  }
  Report(TOWLockEvent::UnlockDestroy);
  first.reset();
}

}  // namespace tavrel
