#include "framework/OWObject.h"

#include "platform/classinfo.h"
#include "platform/exceptions.h"

namespace tavrel {

const ClassInfo& TOWObject::Class() {
  static const ClassInfo ci = ClassBuilder<TOWObject>("TOWObject", TPersistent::Class()).build();
  return ci;
}

Ref<IOWLockSection> TOWObject::ReadLock() { return MakeRef<TOWSimpleReadLockSection>(FIntLock); }
Ref<IOWLockSection> TOWObject::WriteLock() { return MakeRef<TOWSimpleWriteLockSection>(FIntLock); }
Ref<IOWLockSection> TOWObject::UnlockAll() { return FIntLock->UnlockAll(); }

// A use token.
class TOWDestroyLockSection : public IOWDestroyLockSection {
 public:
  TOWDestroyLockSection(TOWDestroyLock* lock, uint32_t thread) : lockIntf_(lock), thread_(thread) {}
  ~TOWDestroyLockSection() override {
    lockIntf_->Instance()->EndUse(thread_);
  }

 private:
  Ref<IOWDestroyLock> lockIntf_;
  uint32_t thread_;
};

// A destroy hold.
class TOWDestroyLockLockSection : public IOWDestroyLockSection {
 public:
  explicit TOWDestroyLockLockSection(TOWDestroyLock* lock) : lock_(lock), keep_(lock) {}
  ~TOWDestroyLockLockSection() override {
    std::lock_guard hold(lock_->section_);
    if (--lock_->destroying_ == 0) lock_->threadId_ = 0;
  }

 private:
  TOWDestroyLock* lock_;
  Ref<IOWDestroyLock> keep_;  // the object may go while its hold is out
};

// Destroy holds set aside.
class TOWDestroyLockUnlockSection : public IOWDestroyLockSection {
 public:
  TOWDestroyLockUnlockSection(TOWDestroyLock* lock, int32_t count) : lock_(lock), count_(count) {}
  ~TOWDestroyLockUnlockSection() override {
    std::lock_guard hold(lock_->section_);
    lock_->destroying_ += count_;
  }

 private:
  TOWDestroyLock* lock_;
  int32_t count_;
};

int32_t& TOWDestroyLock::Tokens(uint32_t thread) {
  for (auto& [t, n] : tokens_)
    if (t == thread) return n;
  tokens_.emplace_back(thread, 0);
  return tokens_.back().second;
}

bool TOWDestroyLock::TryUse() {
  uint32_t thread = GetCurrentThreadId();
  std::lock_guard hold(section_);
  if (destroying_ != 0 && thread != threadId_) return false;
  ++lockCounter_;
  ++Tokens(thread);
  return true;
}

void TOWDestroyLock::EndUse(uint32_t thread) {
  std::lock_guard hold(section_);
  --lockCounter_;
  for (size_t i = 0; i < tokens_.size(); ++i)
    if (tokens_[i].first == thread) {
      // Threads come and go: keep the list short, without freeing its room.
      if (--tokens_[i].second == 0 && tokens_.size() > 8) {
        tokens_[i] = tokens_.back();
        tokens_.pop_back();
      }
      break;
    }
  released_.notify_all();
}

Ref<IOWDestroyLockSection> TOWDestroyLock::Lock() {
  if (!TryUse()) return nullptr;
  return MakeRef<TOWDestroyLockSection>(this, GetCurrentThreadId());
}

Ref<IOWDestroyLockSection> TOWDestroyLock::DestroyLock() {
  uint32_t thread = GetCurrentThreadId();
  {
    std::lock_guard hold(section_);
    if (Tokens(thread) > 0)
      throw EOWException("An object cannot be destroyed from inside a notification that passes through it");
    ++destroying_;
  }
  {
    Ref<IOWLockSection> dropped = owner_ ? owner_->UnlockAll() : nullptr;
    std::unique_lock hold(section_);
    released_.wait(hold, [&] { return lockCounter_ == 0; });
  }  // the dropped holds are taken back here
  std::lock_guard hold(section_);
  threadId_ = thread;
  return MakeRef<TOWDestroyLockLockSection>(this);
}

Ref<IOWDestroyLockSection> TOWDestroyLock::DestroyUnlockLock() {
  std::lock_guard hold(section_);
  int32_t old = destroying_;
  destroying_ = 0;
  return MakeRef<TOWDestroyLockUnlockSection>(this, old);
}

int32_t TOWDestroyLock::LockCounter() {
  std::lock_guard hold(section_);
  return lockCounter_;
}

int32_t TOWDestroyLock::Destroying() {
  std::lock_guard hold(section_);
  return destroying_;
}

}  // namespace tavrel
