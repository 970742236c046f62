#pragma once
// Method references for published events. A Method holds the callable, the
// object it belongs to and the handler's name; the name is what the form
// writer stores, and the form reader turns a stored name back into a
// callable through the method table of the form's root component.
//
//   Method<void(TObject*)> OnChange;                // a TNotifyEvent
//   OnChange = TNotifyEvent([this](TObject* s) { Changed(s); }, this, "Changed");
//   if (OnChange) OnChange(sender);
//
// MethodRef is the same reference with its signature erased; published
// property access (classinfo.h) moves events around as MethodRef.
#include <any>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/exceptions.h"

namespace tavrel {

class TObject;

struct MethodRef {
  std::any fn;  // a std::function<Sig>, or empty when unassigned
  TObject* obj = nullptr;
  std::string name;

  bool assigned() const noexcept { return fn.has_value(); }
  friend bool operator==(const MethodRef& a, const MethodRef& b) {
    return a.assigned() == b.assigned() && a.obj == b.obj && a.name == b.name;
  }
};

template <class Sig>
struct Method;

template <class R, class... A>
struct Method<R(A...)> {
  std::function<R(A...)> fn;
  TObject* obj = nullptr;
  std::string name;

  Method() = default;
  Method(std::nullptr_t) {}
  template <class F>
    requires(!std::is_same_v<std::decay_t<F>, Method> && std::is_constructible_v<std::function<R(A...)>, F>)
  Method(F f, TObject* object = nullptr, std::string handlerName = {})
      : fn(std::move(f)), obj(object), name(std::move(handlerName)) {}

  explicit operator bool() const noexcept { return bool(fn); }
  R operator()(A... args) const { return fn(std::forward<A>(args)...); }

  MethodRef ToRef() const {
    MethodRef r;
    if (fn) r.fn = fn;
    r.obj = obj;
    r.name = name;
    return r;
  }
  // EPropertyError when the reference holds a handler of another signature.
  static Method FromRef(const MethodRef& r) {
    Method m;
    if (r.assigned()) {
      auto* f = std::any_cast<std::function<R(A...)>>(&r.fn);
      if (!f) throw EPropertyError("event handler '" + r.name + "' has another signature");
      m.fn = *f;
    }
    m.obj = r.obj;
    m.name = r.name;
    return m;
  }
};

using TNotifyEvent = Method<void(TObject* sender)>;

}  // namespace tavrel
