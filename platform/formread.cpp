#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/collection.h"
#include "platform/forms.h"
#include "platform/text.h"

namespace tavrel {

namespace {

std::atomic<int> g_readingForms{0};

std::vector<std::string> Split(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t dot = path.find('.', start);
    parts.emplace_back(path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) return parts;
    start = dot + 1;
  }
}

// An EReadError that already names where it happened.
class EReadErrorAt : public EReadError {
 public:
  using EReadError::EReadError;
};

// Walks the whole stream without acting on it, so that malformed data is
// refused before any component changes.
void CheckComponent(TReader& r, int depth) {
  if (depth > TReader::kMaxDepth) throw EReadError("form data nested too deeply");
  r.ReadStr();  // class name
  r.ReadStr();  // component name
  while (!r.EndOfList()) {
    if (r.ReadStr().empty()) throw EReadError("empty property name in form data");
    r.SkipValue();
  }
  r.ReadListEnd();
  while (!r.EndOfList()) CheckComponent(r, depth + 1);
  r.ReadListEnd();
}

void CheckSignature(std::span<const uint8_t> data) {
  if (data.size() < 4 || std::memcmp(data.data(), kFormSignature, 4) != 0)
    throw EReadError("not form data (signature missing)");
}

}  // namespace

bool IsReadingForm() { return g_readingForms.load(std::memory_order_relaxed) > 0; }

class FormReading : public TReader {
 public:
  FormReading(TComponent& root, std::span<const uint8_t> data) : TReader(data) { root_ = &root; }

  void Run() {
    TComponent& root = *root_;
    {
      TReader check(data_);
      CheckSignature(data_);
      check.pos_ = 4;
      CheckComponent(check, 0);
      if (!check.AtEnd()) throw EReadError("unexpected data after the end of the form");
    }
    struct Count {
      Count() { ++g_readingForms; }
      ~Count() { --g_readingForms; }
    } counting;
    std::string oldName = root.Name();
    std::vector<TComponent*> before(root.components_);
    root.BeginLoading();
    try {
      pos_ = 4;
      std::string className = ReadStr();
      if (!root.ClassType().isNamedOrDerived(className) && !SameText(className, root.ClassName()))
        throw EReadError("form data of a " + className + " cannot be read into a " + root.ClassName());
      SetRootName(ReadStr());
      ReadBody(&root, 0);
      ResolveReferences();
    } catch (...) {
      // Leave no half-read component behind.
      for (size_t i = root.components_.size(); i-- > 0;) {
        if (i >= root.components_.size()) continue;
        TComponent* c = root.components_[i];
        if (std::find(before.begin(), before.end(), c) == before.end()) c->Destroy();
      }
      root.AbortLoading();
      try {
        root.SetName(oldName);
      } catch (...) {
      }
      throw;
    }
    root.EndLoading();
  }

 private:
  struct Reference {
    TPersistent* obj;
    const PropInfo* prop;
    std::string name;
    std::string where;
  };

  void SetRootName(const std::string& stored) {
    if (stored.empty() || stored == root_->Name()) return;
    std::string name = stored;
    for (int n = 1;; ++n) {
      TComponent* owner = root_->Owner();
      TComponent* other = owner ? owner->FindComponent(name) : nullptr;
      if (!other || other == root_) break;
      name = stored + "_" + std::to_string(n);
    }
    try {
      root_->SetName(name);
    } catch (const Exception& e) {
      throw EReadErrorAt("Error reading the form's name: " + e.Message());
    }
  }

  std::string Where(TPersistent* obj) const {
    if (auto* c = dynamic_cast<TComponent*>(obj)) return c->Name().empty() ? c->ClassName() : c->Name();
    if (auto* item = dynamic_cast<TCollectionItem*>(obj))
      return item->ClassName() + "[" + std::to_string(item->Index()) + "]";
    return obj->ClassName();
  }

  void ReadBody(TComponent* c, int depth) {
    while (!EndOfList()) ReadProperty(c, ReadStr());
    ReadListEnd();
    while (!EndOfList()) ReadChild(c, depth + 1);
    ReadListEnd();
  }

  void ReadChild(TComponent* parent, int depth) {
    std::string className = ReadStr();
    std::string name = ReadStr();
    std::string where = name.empty() ? className : name;
    const ClassInfo* ci = GetClass(className);
    if (!ci) throw EReadErrorAt("Error reading " + where + ": Class " + className + " not found");
    if (!ci->create) throw EReadErrorAt("Error reading " + where + ": Class " + className + " cannot be created");
    TComponent* c;
    try {
      TObject* made = ci->create(root_);
      c = dynamic_cast<TComponent*>(made);
      if (!c) {
        delete made;
        throw EReadError("Class " + className + " is not a component");
      }
      c->state_ |= csReading;
      c->SetName(name);
      c->SetParentComponent(parent);
    } catch (const EReadErrorAt&) {
      throw;
    } catch (const Exception& e) {
      throw EReadErrorAt("Error reading " + where + ": " + e.Message());
    }
    ReadBody(c, depth);
    c->state_ &= ~csReading;
  }

  void ReadProperty(TPersistent* obj, const std::string& path) {
    try {
      std::vector<std::string> parts = Split(path);
      TPersistent* target = obj;
      for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const PropInfo* p = FindProp(*target, parts[i]);
        TObject* o = p && p->kind == PropKind::Class ? ValueToObject(p->get(*target)) : nullptr;
        target = dynamic_cast<TPersistent*>(o);
        if (!target) throw EReadError("Invalid property path");
      }
      definedName_ = parts.back();
      definedHandled_ = false;
      target->DefineProperties(*this);
      definedName_.clear();
      if (definedHandled_) return;
      const PropInfo* p = FindProp(*target, parts.back());
      if (!p) throw EReadError("Property " + parts.back() + " does not exist");
      ReadValueInto(target, *p);
    } catch (const EReadErrorAt&) {
      throw;
    } catch (const Exception& e) {
      throw EReadErrorAt("Error reading " + Where(obj) + "." + path + ": " + e.Message());
    }
  }

  void Assign(TPersistent* obj, const PropInfo& p, const Value& v) {
    if (!p.writable()) throw EReadError("Property " + p.name + " is read-only");
    SetPropValue(*obj, p, v);
  }

  void ReadValueInto(TPersistent* obj, const PropInfo& p) {
    switch (p.kind) {
      case PropKind::Ordinal:
        if (p.enumType && NextValue() == vaIdent) {
          std::string name = ReadIdent();
          auto v = p.enumType->ValueOf(name);
          if (!v) throw EReadError("invalid property value " + name);
          return Assign(obj, p, *v);
        }
        if (p.typeName == "Boolean") return Assign(obj, p, ReadBoolean());
        [[fallthrough]];
      case PropKind::Int64:
        if (NextValue() == vaIdent) {
          std::string name = ReadIdent();
          int64_t v = 0;
          if (!IdentToInt(p.typeName, name, v)) throw EReadError("invalid property value " + name);
          return Assign(obj, p, v);
        }
        return Assign(obj, p, ReadInt64());
      case PropKind::Float: return Assign(obj, p, ReadFloat());
      case PropKind::String: return Assign(obj, p, ReadString());
      case PropKind::Variant: return Assign(obj, p, ReadVariant());
      case PropKind::Set: {
        int64_t mask = 0;
        for (const std::string& name : ReadSet()) {
          auto v = p.enumType ? p.enumType->ValueOf(name) : std::nullopt;
          if (!v || *v >= 63) throw EReadError("invalid set element " + name);
          mask |= int64_t(1) << *v;
        }
        return Assign(obj, p, mask);
      }
      case PropKind::Method: {
        std::string name = ReadIdent();
        if (name == "nil") return Assign(obj, p, MethodRef{});
        const MethodRef* m = root_->FindMethod(name);
        if (!m) throw EReadError("Method " + name + " not found in " + root_->ClassName());
        return Assign(obj, p, *m);
      }
      case PropKind::Class: {
        TValueType next = NextValue();
        if (next == vaCollection) {
          auto* coll = dynamic_cast<TCollection*>(ValueToObject(p.get(*obj)));
          if (!coll) throw EReadError();
          return ReadCollection(coll);
        }
        if (next != vaIdent && next != vaNil) throw EReadError();
        std::string name = ReadIdent();
        if (!p.writable()) throw EReadError("Property " + p.name + " is read-only");
        if (name == "nil") return Assign(obj, p, static_cast<TObject*>(nullptr));
        references_.push_back({obj, &p, name, Where(obj) + "." + p.name});
        return;
      }
    }
  }

  void ReadCollection(TCollection* coll) {
    CheckValue(vaCollection);
    coll->Clear();
    while (!EndOfList()) {
      TValueType v = NextValue();
      if (v == vaInt8 || v == vaInt16 || v == vaInt32) ReadInt64();  // item order, not used
      ReadListBegin();
      TCollectionItem* item = coll->Add();
      while (!EndOfList()) ReadProperty(item, ReadStr());
      ReadListEnd();
    }
    ReadListEnd();
  }

  TComponent* FindComponentPath(const std::string& name) const {
    std::vector<std::string> parts = Split(name);
    TComponent* c = root_;
    size_t i = 0;
    if (SameText(parts[0], root_->Name()) && (parts.size() > 1 || !root_->FindComponent(parts[0]))) i = 1;
    for (; c && i < parts.size(); ++i) c = c->FindComponent(parts[i]);
    return c;
  }

  void ResolveReferences() {
    for (Reference& ref : references_) {
      TComponent* target = FindComponentPath(ref.name);
      if (!target) throw EReadErrorAt("Error reading " + ref.where + ": Invalid reference " + ref.name);
      try {
        SetPropValue(*ref.obj, *ref.prop, static_cast<TObject*>(target));
      } catch (const Exception& e) {
        throw EReadErrorAt("Error reading " + ref.where + ": " + e.Message());
      }
    }
  }

  std::vector<Reference> references_;
};

void ReadRootComponent(TComponent& root, std::span<const uint8_t> data) { FormReading(root, data).Run(); }

}  // namespace tavrel
