#include <cmath>
#include <deque>

#include "platform/collection.h"
#include "platform/forms.h"

namespace tavrel {

class FormWriting : public TWriter {
 public:
  explicit FormWriting(TComponent& root) { root_ = &root; }

  std::vector<uint8_t> Run() {
    PutRaw(kFormSignature, 4);
    WriteComponent(root_, 0);
    return std::move(data_);
  }

 private:
  void WriteComponent(TComponent* c, int depth) {
    if (depth > TReader::kMaxDepth) throw EWriteError("components nested too deeply to write");
    struct Writing {
      TComponent* c;
      bool was;
      ~Writing() {
        if (!was) c->state_ &= ~csWriting;
      }
    } writing{c, c->HasState(csWriting)};
    c->state_ |= csWriting;
    WriteStr(c->ClassName());
    WriteStr(c->Name());
    WriteProperties(c, "", 0);
    WriteListEnd();
    c->GetChildren([&](TComponent* child) { WriteComponent(child, depth + 1); }, root_);
    WriteListEnd();
  }

  void WriteProperties(TPersistent* obj, const std::string& prefix, int depth) {
    if (depth > TReader::kMaxDepth) throw EWriteError("sub-objects nested too deeply to write");
    for (const PropInfo* p : AllProps(*obj)) WriteProperty(obj, *p, prefix, depth);
    std::string saved = std::move(definedPrefix_);
    definedPrefix_ = prefix;
    obj->DefineProperties(*this);
    definedPrefix_ = std::move(saved);
  }

  void WriteProperty(TPersistent* obj, const PropInfo& p, const std::string& prefix, int depth) {
    if (!p.IsStored(*obj)) return;
    Value v = p.get(*obj);
    if (p.kind != PropKind::Class && !p.writable()) return;
    if (p.defaultValue && *p.defaultValue == v) return;
    std::string name = prefix + p.name;
    switch (p.kind) {
      case PropKind::Ordinal:
      case PropKind::Int64: {
        WriteStr(name);
        if (std::holds_alternative<bool>(v)) return WriteBoolean(std::get<bool>(v));
        int64_t i = ValueToInt64(v);
        std::string ident;
        if (p.enumType) ident = p.enumType->NameOf(i);
        else if (!IntToIdent(p.typeName, i, ident)) ident.clear();
        return ident.empty() ? WriteInteger(i) : WriteIdent(ident);
      }
      case PropKind::Float: {
        long double f = ValueToFloat(v);
        if (f == 0 || std::isnan(f)) return;
        WriteStr(name);
        return WriteFloat(f);
      }
      case PropKind::String:
        if (ValueToString(v).empty()) return;
        WriteStr(name);
        return WriteString(ValueToString(v));
      case PropKind::Set: {
        std::vector<std::string> names;
        uint64_t mask = uint64_t(ValueToInt64(v));
        for (int bit = 0; bit < 64; ++bit)
          if (mask >> bit & 1) {
            std::string n = p.enumType ? p.enumType->NameOf(bit) : std::string();
            if (n.empty()) throw EWriteError("set element " + std::to_string(bit) + " of " + name + " has no name");
            names.push_back(n);
          }
        WriteStr(name);
        return WriteSet(names);
      }
      case PropKind::Method: {
        const MethodRef& m = ValueToMethod(v);
        if (!m.assigned() || m.name.empty()) return;
        WriteStr(name);
        return WriteIdent(m.name);
      }
      case PropKind::Variant:
        if (!std::holds_alternative<std::monostate>(v) && !std::holds_alternative<TObject*>(v) &&
            !std::holds_alternative<MethodRef>(v)) {
          WriteStr(name);
          WriteVariant(v);
        }
        return;
      case PropKind::Class: {
        TObject* o = ValueToObject(v);
        if (!o) return;
        if (auto* c = dynamic_cast<TComponent*>(o)) {
          std::string ref = ReferenceName(c);
          if (!p.writable() || ref.empty()) return;
          WriteStr(name);
          return WriteIdent(ref);
        }
        if (auto* coll = dynamic_cast<TCollection*>(o)) {
          if (coll->Count() == 0) return;
          WriteStr(name);
          return WriteCollection(coll, depth);
        }
        if (auto* sub = dynamic_cast<TPersistent*>(o)) WriteProperties(sub, name + ".", depth + 1);
        return;
      }
    }
  }

  void WriteCollection(TCollection* coll, int depth) {
    WriteValue(vaCollection);
    for (int i = 0; i < coll->Count(); ++i) {
      WriteListBegin();
      WriteProperties(coll->Items(i), "", depth + 1);
      WriteListEnd();
    }
    WriteListEnd();
  }

  // Root-relative: "Name" for a component of the root, "Owner.Name" deeper
  // down; a component of another root keeps that root's name in front.
  std::string ReferenceName(TComponent* c) const {
    if (c == root_) return root_->Name();
    std::deque<std::string> parts;
    for (; c && c != root_; c = c->Owner()) {
      if (c->Name().empty()) return {};
      parts.push_front(c->Name());
    }
    std::string ref;
    for (auto& part : parts) ref += (ref.empty() ? "" : ".") + part;
    return ref;
  }
};

std::vector<uint8_t> WriteRootComponent(TComponent& root) { return FormWriting(root).Run(); }

}  // namespace tavrel
