#pragma once
// TOWObject, the root of the framework objects that own a lock (pins, pin
// lists, dispatchers), and TOWDestroyLock, which keeps such an object alive
// while notifications run through it.
//
//   class TPinLike : public TOWObject {
//     Ref<IOWLockSection> WriteLock() override {   // the owner's lock as slave
//       return MakeRef<TOWSimpleWriteLockSection>(FIntLock, ownerLock_);
//     }
//   };
//   auto s = obj.WriteLock();   // never null; Locked() false when let through
//
//   Ref<IOWDestroyLock> guard = MakeRef<TOWDestroyLock>(&obj);
//   if (auto use = guard->Lock()) deliver();       // null while it is destroyed
//   auto d = guard->DestroyLock();                 // waits for every use token
//
// DestroyLock drops the thread's holds on the object's lock while it waits
// (they come back before it returns) and waits on a condition, not by
// spinning. A thread that still holds a use token of its own cannot wait for
// it: DestroyLock then raises EOWException and changes nothing.
#include <condition_variable>
#include <utility>
#include <vector>
#include <mutex>

#include "framework/OWLock.h"
#include "framework/OWSync.h"
#include "platform/object.h"

namespace tavrel {

class TOWObject : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  TOWObject() : FIntLock(MakeRef<TOWLock>()) {}

  // Sections on FIntLock with no slave lock, returned also when the caller
  // was let through during a stop (then they hold a let-through hold).
  virtual Ref<IOWLockSection> ReadLock();
  virtual Ref<IOWLockSection> WriteLock();
  virtual Ref<IOWLockSection> UnlockAll();

  const Ref<IOWLock>& Lock() const { return FIntLock; }

 protected:
  Ref<IOWLock> FIntLock;
  TOWCriticalSection FIntLockSection;
};

class TOWDestroyLock;

class IOWDestroyLockSection : public virtual RefCounted {};

class IOWDestroyLock : public virtual RefCounted {
 public:
  virtual Ref<IOWDestroyLockSection> Lock() = 0;
  virtual Ref<IOWDestroyLockSection> DestroyLock() = 0;
  virtual Ref<IOWDestroyLockSection> DestroyUnlockLock() = 0;
  virtual TOWDestroyLock* Instance() = 0;
};

inline constexpr Guid IID_IOWDestroyLock{0x941BEB02, 0x70F3, 0x4FC6, {0xAC, 0xAA, 0x07, 0x54, 0xD6, 0xCB, 0x8A, 0x0A}};
inline constexpr Guid IID_IOWDestroyLockSection{0x913E5C19, 0xE2E0, 0x4937, {0x84, 0x35, 0x3A, 0x88, 0x38, 0xAE, 0x90, 0xC4}};

class TOWDestroyLock : public IOWDestroyLock {
 public:
  explicit TOWDestroyLock(TOWObject* AOwner) : owner_(AOwner) {}

  // A use token; null while another thread holds or waits for a destroy hold.
  Ref<IOWDestroyLockSection> Lock() override;
  // A destroy hold, once no use token is left.
  Ref<IOWDestroyLockSection> DestroyLock() override;
  // Suspends the destroy holds until the returned section goes.
  Ref<IOWDestroyLockSection> DestroyUnlockLock() override;
  TOWDestroyLock* Instance() override { return this; }

  int32_t LockCounter();  // use tokens out
  int32_t Destroying();   // destroy holds

  // The use token without a section object, for the delivery path (no heap
  // use): TryUse answers whether it was granted; EndUse gives it back.
  bool TryUse();
  void EndUse(uint32_t thread);

 private:
  friend class TOWDestroyLockSection;
  friend class TOWDestroyLockLockSection;
  friend class TOWDestroyLockUnlockSection;

  std::mutex section_;
  std::condition_variable released_;
  int32_t lockCounter_ = 0;
  int32_t destroying_ = 0;
  uint32_t threadId_ = 0;
  // Use tokens per thread; a flat list keeps its room, so taking and giving
  // back tokens allocates nothing once a thread has been seen.
  std::vector<std::pair<uint32_t, int32_t>> tokens_;
  int32_t& Tokens(uint32_t thread);
  TOWObject* owner_;
};

// A use token held for a scope; Granted() false when it was refused.
class TOWDestroyUse {
 public:
  explicit TOWDestroyUse(TOWDestroyLock& lock) : lock_(lock), thread_(GetCurrentThreadId()), granted_(lock.TryUse()) {}
  ~TOWDestroyUse() {
    if (granted_) lock_.EndUse(thread_);
  }
  TOWDestroyUse(const TOWDestroyUse&) = delete;
  TOWDestroyUse& operator=(const TOWDestroyUse&) = delete;
  bool Granted() const { return granted_; }

 private:
  TOWDestroyLock& lock_;
  uint32_t thread_;
  bool granted_;
};

}  // namespace tavrel
