#pragma once
// Intrusive atomic reference counting for interfaces that cross threads or
// components (operations, locks, sections, converters, dispatchers).
//
//   class IOWLockSection : public virtual RefCounted { ... };
//   Ref<IOWLockSection> s = MakeRef<TOWSimpleWriteLockSection>(lock);
//   Ref<IOWLockSection> t = s;          // count 2
//   s = nullptr;                        // count 1; the last Ref frees it
//
// Interfaces derive from RefCounted virtually, so a class that implements
// several of them still has exactly one count. A new object starts at 0 and
// the first Ref takes it to 1. Ref<T> converts to Ref<Base>; RefCast<T>
// is the checked downward cast (null when the object is not a T).
#include <atomic>
#include <cstddef>
#include <utility>

namespace tavrel {

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) : refs_(0) {}  // a copy is a new object
  RefCounted& operator=(const RefCounted&) { return *this; }

  void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  int RefCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

 protected:
  virtual ~RefCounted() = default;

 private:
  mutable std::atomic<int> refs_{0};
};

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  explicit Ref(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) noexcept : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) noexcept : Ref(o.get()) {}
  template <class U>
  Ref(Ref<U>&& o) noexcept : p_(o.detach()) {}
  ~Ref() {
    if (p_) p_->Release();
  }

  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept { Ref().swap(*this); }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }
  // Gives up the reference without releasing it (for converting moves).
  T* detach() noexcept { return std::exchange(p_, nullptr); }

  friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return !a.p_; }

 private:
  T* p_ = nullptr;
};

template <class T, class... A>
Ref<T> MakeRef(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

template <class T, class U>
Ref<T> RefCast(const Ref<U>& r) noexcept {
  return Ref<T>(dynamic_cast<T*>(r.get()));
}

}  // namespace tavrel
