#include "platform/classinfo.h"

#include <mutex>

#include "platform/text.h"

namespace tavrel {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool LessText(const std::string& a, const std::string& b) {
  bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                           [](char x, char y) { return Lower(x) < Lower(y); });
  if (less || !SameText(a, b)) return less;
  return a < b;
}

const char* KindName(const Value& v) {
  static const char* const names[] = {"Null", "Boolean", "integer", "float", "string", "object", "method"};
  return names[v.index()];
}

[[noreturn]] void WrongKind(const Value& v, const char* wanted) {
  throw EPropertyError(std::string("a ") + KindName(v) + " value where " + wanted + " is wanted");
}

std::mutex& RegistryGuard() {
  static std::mutex m;
  return m;
}

struct IntegerConsts {
  std::string typeName;
  IdentToIntFn toInt;
  IntToIdentFn toIdent;
};

std::vector<IntegerConsts>& IntegerConstsList() {
  static std::vector<IntegerConsts> list;
  return list;
}

// A copy taken under the lock, so that the mapping runs unlocked.
std::optional<IntegerConsts> FindIntegerConsts(std::string_view typeName) {
  std::lock_guard lock(RegistryGuard());
  for (const IntegerConsts& c : IntegerConstsList())
    if (SameText(c.typeName, typeName)) return c;
  return std::nullopt;
}

}  // namespace

int64_t ValueToInt64(const Value& v) {
  if (auto* i = std::get_if<int64_t>(&v)) return *i;
  if (auto* b = std::get_if<bool>(&v)) return *b;
  WrongKind(v, "an integer");
}

long double ValueToFloat(const Value& v) {
  if (auto* f = std::get_if<long double>(&v)) return *f;
  if (auto* i = std::get_if<int64_t>(&v)) return (long double)*i;
  WrongKind(v, "a float");
}

bool ValueToBool(const Value& v) {
  if (auto* b = std::get_if<bool>(&v)) return *b;
  if (auto* i = std::get_if<int64_t>(&v)) return *i != 0;
  WrongKind(v, "a Boolean");
}

const std::string& ValueToString(const Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  WrongKind(v, "a string");
}

TObject* ValueToObject(const Value& v) {
  if (auto* o = std::get_if<TObject*>(&v)) return *o;
  if (std::holds_alternative<std::monostate>(v)) return nullptr;
  WrongKind(v, "an object");
}

const MethodRef& ValueToMethod(const Value& v) {
  if (auto* m = std::get_if<MethodRef>(&v)) return *m;
  static const MethodRef none;
  if (std::holds_alternative<std::monostate>(v)) return none;
  WrongKind(v, "an event handler");
}

std::string EnumInfo::NameOf(int64_t value) const {
  return value >= 0 && uint64_t(value) < names.size() ? names[size_t(value)] : std::string();
}

std::optional<int64_t> EnumInfo::ValueOf(std::string_view name) const {
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return int64_t(i);
  return std::nullopt;
}

bool ClassInfo::inheritsFrom(const ClassInfo& ancestor) const {
  for (const ClassInfo* c = this; c; c = c->parent)
    if (c == &ancestor) return true;
  return false;
}

bool ClassInfo::isNamedOrDerived(std::string_view className) const {
  for (const ClassInfo* c = this; c; c = c->parent)
    if (c->name == className) return true;
  return false;
}

std::vector<const PropInfo*> AllProps(const ClassInfo& ci, bool sortedByName) {
  std::vector<const ClassInfo*> chain;
  for (const ClassInfo* c = &ci; c; c = c->parent) chain.push_back(c);
  std::vector<const PropInfo*> list;
  for (auto c = chain.rbegin(); c != chain.rend(); ++c)
    for (const PropInfo& p : (*c)->props) {
      auto same = std::find_if(list.begin(), list.end(), [&](const PropInfo* q) { return SameText(q->name, p.name); });
      if (same != list.end())
        *same = &p;
      else
        list.push_back(&p);
    }
  if (sortedByName)
    std::stable_sort(list.begin(), list.end(), [](const PropInfo* a, const PropInfo* b) { return LessText(a->name, b->name); });
  return list;
}

const PropInfo* FindProp(const ClassInfo& ci, std::string_view name) {
  for (const ClassInfo* c = &ci; c; c = c->parent)
    for (const PropInfo& p : c->props)
      if (SameText(p.name, name)) return &p;
  return nullptr;
}

namespace {

const PropInfo& PropOrThrow(const TObject& obj, std::string_view name) {
  const PropInfo* p = FindProp(obj, name);
  if (!p) throw EPropertyError("Property " + std::string(name) + " does not exist in " + obj.ClassName());
  return *p;
}

}  // namespace

Value GetProp(const TObject& obj, std::string_view name) { return PropOrThrow(obj, name).get(obj); }

void SetProp(TObject& obj, std::string_view name, const Value& value) {
  SetPropValue(obj, PropOrThrow(obj, name), value);
}

void SetPropValue(TObject& obj, const PropInfo& p, const Value& value) {
  if (!p.set) throw EPropertyError("Property " + p.name + " of " + obj.ClassName() + " is read-only");
  if (p.enumType && p.kind == PropKind::Ordinal) {
    int64_t v = ValueToInt64(value);
    if (v < 0 || uint64_t(v) >= p.enumType->names.size())
      throw EPropertyError("value out of range for " + p.name);
  }
  p.set(obj, value);
}

bool IsPublishedProp(const TObject& obj, std::string_view name) { return FindProp(obj, name) != nullptr; }

ClassRegistry& ClassRegistry::Global() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::Register(const ClassInfo& ci) {
  std::lock_guard lock(RegistryGuard());
  for (const ClassInfo* c : classes_)
    if (SameText(c->name, ci.name)) {
      if (c == &ci) return;
      throw EOWException("Class " + ci.name + " is already registered");
    }
  classes_.push_back(&ci);
}

void ClassRegistry::Unregister(const ClassInfo& ci) {
  std::lock_guard lock(RegistryGuard());
  classes_.erase(std::remove(classes_.begin(), classes_.end(), &ci), classes_.end());
}

const ClassInfo* ClassRegistry::Find(std::string_view name) const {
  std::lock_guard lock(RegistryGuard());
  for (const ClassInfo* c : classes_)
    if (SameText(c->name, name)) return c;
  return nullptr;
}

void RegisterClass(const ClassInfo& ci) { ClassRegistry::Global().Register(ci); }
void UnRegisterClass(const ClassInfo& ci) { ClassRegistry::Global().Unregister(ci); }
const ClassInfo* GetClass(std::string_view name) { return ClassRegistry::Global().Find(name); }

void RegisterIntegerConsts(const std::string& typeName, IdentToIntFn toInt, IntToIdentFn toIdent) {
  std::lock_guard lock(RegistryGuard());
  for (const IntegerConsts& c : IntegerConstsList())
    if (SameText(c.typeName, typeName)) {
      if (c.toInt == toInt && c.toIdent == toIdent) return;
      throw EOWException("Names of " + typeName + " are already registered");
    }
  IntegerConstsList().push_back({typeName, toInt, toIdent});
}

void UnRegisterIntegerConsts(std::string_view typeName) {
  std::lock_guard lock(RegistryGuard());
  std::erase_if(IntegerConstsList(), [&](const IntegerConsts& c) { return SameText(c.typeName, typeName); });
}

bool IdentToInt(std::string_view typeName, const std::string& ident, int64_t& value) {
  auto c = FindIntegerConsts(typeName);
  return c && c->toInt && c->toInt(ident, value);
}

bool IntToIdent(std::string_view typeName, int64_t value, std::string& ident) {
  auto c = FindIntegerConsts(typeName);
  return c && c->toIdent && c->toIdent(value, ident);
}

const ClassInfo& FindClass(std::string_view name) {
  const ClassInfo* c = GetClass(name);
  if (!c) throw EClassNotFound("Class " + std::string(name) + " not found");
  return *c;
}

}  // namespace tavrel
