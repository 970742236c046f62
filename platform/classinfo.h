#pragma once
// Class information: a lean replacement for the run-time type information
// of published properties. Each published class builds one static
// ClassInfo listing its own properties in declaration order; the base
// class's come first when listed through AllProps.
//
//   const ClassInfo& TALLowPass::Class() {
//     static const ClassInfo ci =
//         ClassBuilder<TALLowPass>("TALLowPass", TLPComponent::Class())
//             .prop("Frequency", &TALLowPass::Frequency, &TALLowPass::SetFrequency)
//             .defaultValue(1000.0L)
//             .prop("InputPin", &TALLowPass::InputPin)          // read-only object
//             .event("OnProcessData", &TALLowPass::OnProcessData)
//             .build();
//     return ci;
//   }
//   RegisterClass(TALLowPass::Class());        // for reading forms by class name
//   SetProp(filter, "Frequency", 440.0L);       // by name, ignoring case
//   Value v = GetProp(filter, "Frequency");     // long double 440
//
// The kind of a property follows from its C++ type: bool, char16_t,
// integers up to 32 bits and enums are Ordinal; 64-bit integers Int64;
// float/double/long double Float (Single/Double/Extended); std::string
// String; pointers to TObject classes Class; Method<Sig> Method; Value
// Variant. Modifiers after a prop() apply to that property: defaultValue,
// stored, typeName ("TDateTime"), enumType, setOf.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/component.h"
#include "platform/exceptions.h"
#include "platform/guid.h"
#include "platform/method.h"
#include "platform/object.h"

namespace tavrel {

enum class PropKind { Ordinal, Int64, Float, String, Set, Class, Method, Variant };
enum class FloatKind { Single, Double, Extended, Comp, Currency };

// A property value. monostate is the unassigned variant (Null).
using Value = std::variant<std::monostate, bool, int64_t, long double, std::string, TObject*, MethodRef>;

// Converters with the conversions the property setters accept; each raises
// EPropertyError for a value of another kind.
int64_t ValueToInt64(const Value& v);       // int64 or bool
long double ValueToFloat(const Value& v);   // long double or int64
bool ValueToBool(const Value& v);           // bool or int64
const std::string& ValueToString(const Value& v);
TObject* ValueToObject(const Value& v);
const MethodRef& ValueToMethod(const Value& v);

// Names of an enumeration's values, from 0 upward (also a set's elements).
struct EnumInfo {
  std::string typeName;
  std::vector<std::string> names;

  std::string NameOf(int64_t value) const;                // "" when out of range
  std::optional<int64_t> ValueOf(std::string_view name) const;  // ignoring case
};

class ClassInfo;

struct PropInfo {
  std::string name;
  PropKind kind = PropKind::Ordinal;
  FloatKind fkind{};
  std::string typeName;                 // "Boolean", "Double", "TDateTime", enum name...
  const ClassInfo& (*classOf)() = nullptr;  // for Class properties (resolved late:
                                            // a class may point to its own kind)
  const EnumInfo* enumType = nullptr;   // for enums and sets
  std::function<Value(const TObject&)> get;
  std::function<void(TObject&, const Value&)> set;  // empty => read-only
  bool storedConstFalse = false;
  std::function<bool(const TObject&)> stored;       // empty => stored
  std::optional<Value> defaultValue;                // the writer skips it

  bool writable() const { return bool(set); }
  const ClassInfo* classType() const { return classOf ? &classOf() : nullptr; }
  bool IsStored(const TObject& obj) const { return !storedConstFalse && (!stored || stored(obj)); }
};

class ClassInfo {
 public:
  ClassInfo(std::string className, const ClassInfo* parentClass)
      : name(std::move(className)), parent(parentClass) {}

  std::string name;
  const ClassInfo* parent = nullptr;
  std::vector<PropInfo> props;                          // own, declaration order
  std::function<TObject*(TComponent* owner)> create;    // empty for abstract classes
  std::vector<Guid> interfaces;
  bool formRoot = false;     // a form or frame class: the root walk stops here
  bool application = false;  // the application object's class

  bool inheritsFrom(const ClassInfo& ancestor) const;
  bool isNamedOrDerived(std::string_view className) const;  // exact names
};

// Published properties, base class first; a redeclared name keeps the
// base's place and the derived class's information.
std::vector<const PropInfo*> AllProps(const ClassInfo& ci, bool sortedByName = false);
inline std::vector<const PropInfo*> AllProps(const TObject& obj, bool sortedByName = false) {
  return AllProps(obj.ClassType(), sortedByName);
}
const PropInfo* FindProp(const ClassInfo& ci, std::string_view name);  // ignoring case
inline const PropInfo* FindProp(const TObject& obj, std::string_view name) {
  return FindProp(obj.ClassType(), name);
}
// EPropertyError for an unknown or read-only property or a wrong value.
Value GetProp(const TObject& obj, std::string_view name);
void SetProp(TObject& obj, std::string_view name, const Value& value);
void SetPropValue(TObject& obj, const PropInfo& prop, const Value& value);  // same checks
bool IsPublishedProp(const TObject& obj, std::string_view name);

// Class names for reading forms, compared ignoring case.
class ClassRegistry {
 public:
  static ClassRegistry& Global();
  void Register(const ClassInfo& ci);  // EOWException for another class of the same name
  void Unregister(const ClassInfo& ci);
  const ClassInfo* Find(std::string_view name) const;

 private:
  std::vector<const ClassInfo*> classes_;
};

void RegisterClass(const ClassInfo& ci);
void UnRegisterClass(const ClassInfo& ci);
const ClassInfo* GetClass(std::string_view name);   // null when unknown
const ClassInfo& FindClass(std::string_view name);  // EClassNotFound when unknown

// Names for values of an integer type ("clBtnFace" for a TColor), found by
// the type name an integer property carries. The module that owns the type
// registers them at start-up; form data then reads a name where a number is
// stored and writes the name back when the value has one.
//   RegisterIntegerConsts("TColor", ColorIdentToInt, ColorIntToIdent);
using IdentToIntFn = bool (*)(const std::string& ident, int64_t& value);
using IntToIdentFn = bool (*)(int64_t value, std::string& ident);
// EOWException when the type already has other functions.
void RegisterIntegerConsts(const std::string& typeName, IdentToIntFn toInt, IntToIdentFn toIdent);
void UnRegisterIntegerConsts(std::string_view typeName);
// False when the type has no names or none fits.
bool IdentToInt(std::string_view typeName, const std::string& ident, int64_t& value);
bool IntToIdent(std::string_view typeName, int64_t value, std::string& ident);

// ---------------------------------------------------------------------------
// Builder

namespace classinfo_detail {

template <class X>
struct IsMethod : std::false_type {};
template <class Sig>
struct IsMethod<Method<Sig>> : std::true_type {};

template <class D>
void Describe(PropInfo& p) {
  if constexpr (std::is_same_v<D, bool>) {
    p.kind = PropKind::Ordinal;
    p.typeName = "Boolean";
  } else if constexpr (std::is_enum_v<D>) {
    p.kind = PropKind::Ordinal;
  } else if constexpr (std::is_same_v<D, char16_t>) {
    p.kind = PropKind::Ordinal;
    p.typeName = "WideChar";
  } else if constexpr (std::is_integral_v<D> && sizeof(D) == 8) {
    p.kind = PropKind::Int64;
    p.typeName = "Int64";
  } else if constexpr (std::is_integral_v<D>) {
    p.kind = PropKind::Ordinal;
    p.typeName = std::is_signed_v<D> ? "Integer" : "Cardinal";
  } else if constexpr (std::is_floating_point_v<D>) {
    p.kind = PropKind::Float;
    p.fkind = std::is_same_v<D, float>    ? FloatKind::Single
              : std::is_same_v<D, double> ? FloatKind::Double
                                          : FloatKind::Extended;
    p.typeName = std::is_same_v<D, float> ? "Single" : std::is_same_v<D, double> ? "Double" : "Extended";
  } else if constexpr (std::is_same_v<D, std::string>) {
    p.kind = PropKind::String;
    p.typeName = "string";
  } else if constexpr (std::is_pointer_v<D>) {
    using C = std::remove_const_t<std::remove_pointer_t<D>>;
    static_assert(std::is_base_of_v<TObject, C>, "object properties point to TObject classes");
    p.kind = PropKind::Class;
    p.classOf = &C::Class;
  } else if constexpr (IsMethod<D>::value) {
    p.kind = PropKind::Method;
  } else if constexpr (std::is_same_v<D, Value>) {
    p.kind = PropKind::Variant;
    p.typeName = "Variant";
  } else {
    static_assert(sizeof(D) == 0, "unsupported published property type");
  }
}

template <class D>
Value ToValue(const D& d) {
  if constexpr (std::is_same_v<D, bool>) return Value(d);
  else if constexpr (std::is_enum_v<D> || std::is_integral_v<D>) return Value(int64_t(d));
  else if constexpr (std::is_floating_point_v<D>) return Value((long double)d);
  else if constexpr (std::is_same_v<D, std::string>) return Value(d);
  else if constexpr (std::is_pointer_v<D>)
    return Value(static_cast<TObject*>(const_cast<std::remove_const_t<std::remove_pointer_t<D>>*>(d)));
  else if constexpr (IsMethod<D>::value) return Value(d.ToRef());
  else return d;
}

template <class D>
D FromValue(const Value& v) {
  if constexpr (std::is_same_v<D, bool>) return ValueToBool(v);
  else if constexpr (std::is_enum_v<D> || std::is_integral_v<D>) return D(ValueToInt64(v));
  else if constexpr (std::is_floating_point_v<D>) {
    // Out of the type's range is infinity (a plain conversion would be undefined).
    long double x = ValueToFloat(v);
    if (x > (long double)std::numeric_limits<D>::max()) return std::numeric_limits<D>::infinity();
    if (x < -(long double)std::numeric_limits<D>::max()) return -std::numeric_limits<D>::infinity();
    return D(x);
  }
  else if constexpr (std::is_same_v<D, std::string>) return ValueToString(v);
  else if constexpr (std::is_pointer_v<D>) {
    TObject* o = ValueToObject(v);
    if (!o) return nullptr;
    auto* d = dynamic_cast<D>(o);
    if (!d) throw EPropertyError("object of class " + o->ClassName() + " does not fit the property");
    return d;
  } else if constexpr (IsMethod<D>::value) return D::FromRef(ValueToMethod(v));
  else return v;
}

template <class T>
const T& Self(const TObject& o, const std::string& prop) {
  auto* t = dynamic_cast<const T*>(&o);
  if (!t) throw EPropertyError("property " + prop + " asked of a " + o.ClassName());
  return *t;
}

}  // namespace classinfo_detail

template <class T>
class ClassBuilder {
 public:
  ClassBuilder(std::string name, const ClassInfo& parent) : ci_(std::move(name), &parent) {
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>)
      ci_.create = [](TComponent* owner) -> TObject* { return TComponent::Create<T>(owner); };
  }

  // Getter and setter member functions.
  template <class R, class C, class A>
  ClassBuilder& prop(std::string name, R (C::*get)() const, void (C::*set)(A)) {
    using D = std::decay_t<R>;
    static_assert(std::is_same_v<D, std::decay_t<A>>, "getter and setter types differ");
    add<D>(std::move(name), [get](const T& t) -> D { return (t.*get)(); },
           [set](T& t, D d) { (t.*set)(std::move(d)); });
    return *this;
  }
  // A read-only property (owned sub-objects, computed values).
  template <class R, class C>
  ClassBuilder& prop(std::string name, R (C::*get)() const) {
    using D = std::decay_t<R>;
    add<D>(std::move(name), [get](const T& t) -> D { return (t.*get)(); }, nullptr);
    return *this;
  }
  // A field read and written directly.
  template <class M, class C>
    requires(!std::is_function_v<M>)
  ClassBuilder& field(std::string name, M C::*member) {
    add<M>(std::move(name), [member](const T& t) -> M { return t.*member; },
           [member](T& t, M d) { t.*member = std::move(d); });
    return *this;
  }
  // A published event held in a Method field.
  template <class Sig, class C>
  ClassBuilder& event(std::string name, Method<Sig> C::*member) {
    return field(std::move(name), member);
  }

  ClassBuilder& defaultValue(Value v) {
    last().defaultValue = std::move(v);
    return *this;
  }
  ClassBuilder& stored(bool always) {
    last().storedConstFalse = !always;
    return *this;
  }
  template <class C>
  ClassBuilder& stored(bool (C::*flag)() const) {
    std::string n = last().name;
    last().stored = [flag, n](const TObject& o) { return (classinfo_detail::Self<T>(o, n).*flag)(); };
    return *this;
  }
  ClassBuilder& typeName(std::string name) {
    last().typeName = std::move(name);
    return *this;
  }
  ClassBuilder& enumType(const EnumInfo& e) {
    last().enumType = &e;
    last().typeName = e.typeName;
    return *this;
  }
  ClassBuilder& setOf(const EnumInfo& e) {
    last().kind = PropKind::Set;
    last().enumType = &e;
    last().typeName = "set of " + e.typeName;
    return *this;
  }

  ClassBuilder& formRoot() {
    ci_.formRoot = true;
    return *this;
  }
  ClassBuilder& application() {
    ci_.application = true;
    return *this;
  }
  ClassBuilder& implements(const Guid& iid) {
    ci_.interfaces.push_back(iid);
    return *this;
  }
  ClassBuilder& creator(std::function<TObject*(TComponent* owner)> fn) {
    ci_.create = std::move(fn);
    return *this;
  }

  ClassInfo build() { return std::move(ci_); }

 private:
  PropInfo& last() {
    if (ci_.props.empty()) throw EPropertyError("property modifier before any property");
    return ci_.props.back();
  }

  template <class D, class G, class S>
  void add(std::string name, G get, S set) {
    PropInfo p;
    p.name = std::move(name);
    classinfo_detail::Describe<D>(p);
    std::string n = p.name;
    p.get = [get, n](const TObject& o) {
      return classinfo_detail::ToValue<D>(get(classinfo_detail::Self<T>(o, n)));
    };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.set = [set, n](TObject& o, const Value& v) {
        set(const_cast<T&>(classinfo_detail::Self<T>(o, n)), classinfo_detail::FromValue<D>(v));
      };
    ci_.props.push_back(std::move(p));
  }

  ClassInfo ci_;
};

}  // namespace tavrel
