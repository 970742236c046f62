#include "framework/OWPinNames.h"

#include "framework/OWPinList.h"
#include "framework/OWStateDispatcher.h"

#include <algorithm>

#include "platform/classinfo.h"
#include "platform/collection.h"
#include "platform/exceptions.h"

namespace tavrel {

// ---------------------------------------------------------------------------
// Registries

namespace {

struct PinRegistries {
  std::recursive_mutex section;
  std::vector<TOWBasicPin*> pins;          // not owned
  std::vector<TOWUnloadedPin*> unloaded;   // owned
};

PinRegistries& Registries() {
  static PinRegistries r;
  return r;
}

thread_local bool tReadingFormLinks = false;

std::string WithoutFirstSegment(const std::string& name) {
  size_t dot = name.find('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

std::string FirstSegment(const std::string& name) {
  size_t dot = name.find('.');
  return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

template <class Pin>
Pin* ScanIdentName(const std::vector<Pin*>& list, TComponent* ARoot, const std::string& APinName) {
  const std::string shortName = WithoutFirstSegment(APinName);
  for (Pin* p : list) {
    TComponent* root = p->GetRoot();
    if (root && ARoot && root != ARoot) {
      if (p->GetRootName() != ARoot->Name() && p->GetFullIdentName(true) == APinName) return p;
      continue;
    }
    if ((!ARoot || p->GetRootName() == ARoot->Name()) && p->GetFullIdentName(false) == APinName) return p;
    std::string full = p->GetFullIdentName(true);
    if (full == APinName || full == shortName) return p;
  }
  return nullptr;
}

}  // namespace

std::recursive_mutex& PinStructureSection() { return Registries().section; }

void EnterPinRegistry(TOWBasicPin* APin) {
  std::lock_guard hold(Registries().section);
  auto& v = Registries().pins;
  if (std::find(v.begin(), v.end(), APin) == v.end()) v.push_back(APin);
}

void LeavePinRegistry(TOWBasicPin* APin) {
  std::lock_guard hold(Registries().section);
  auto& v = Registries().pins;
  auto it = std::find(v.begin(), v.end(), APin);
  if (it != v.end()) v.erase(it);
}

TOWBasicPin* PinGetByIdentName(TComponent* ARoot, const std::string& APinName) {
  std::lock_guard hold(Registries().section);
  return ScanIdentName(Registries().pins, ARoot, APinName);
}

namespace {
bool HasDisplayName(TOWBasicPin* APin, const std::string& AName) {
  return APin->GetFullName(false) == AName || APin->GetFullName(true) == AName;
}
}  // namespace

TOWBasicPin* FirstPinNamed(const std::vector<TOWBasicPin*>& APins, const std::string& AName) {
  for (TOWBasicPin* p : APins)
    if (p && HasDisplayName(p, AName)) return p;
  return nullptr;
}

TOWBasicPin* PinGetByDisplayName(TComponent* ARoot, const std::string& APinName) {
  std::lock_guard hold(Registries().section);
  for (TOWBasicPin* p : Registries().pins) {
    TComponent* root = p->GetRoot();
    if (root && ARoot && root != ARoot) continue;
    if (HasDisplayName(p, APinName)) return p;
  }
  return nullptr;
}

TOWBasicPin* PinGetByNameCreate(TComponent* ARoot, TOWPinType AType, const std::string& APinIdentName,
                                const std::string& APinDisplayName, const std::string& ACreatedFrom) {
  if (APinIdentName.empty()) return nullptr;
  std::lock_guard hold(Registries().section);
  if (TOWBasicPin* p = PinGetByIdentName(ARoot, APinIdentName)) return p;
  if (TOWBasicPin* p = PinGetByDisplayName(ARoot, APinDisplayName)) return p;
  return TOWUnloadedPin::Create(ARoot, AType, APinIdentName, APinDisplayName, ACreatedFrom);
}

TOWUnloadedPin* UnloadedGetByIdentName(TComponent* ARoot, const std::string& APinName) {
  std::lock_guard hold(Registries().section);
  return ScanIdentName(Registries().unloaded, ARoot, APinName);
}

std::vector<TOWBasicPin*> RegisteredPins() {
  std::lock_guard hold(Registries().section);
  return Registries().pins;
}

std::vector<TOWUnloadedPin*> UnloadedPins() {
  std::lock_guard hold(Registries().section);
  return Registries().unloaded;
}

void ClearUnloadedPins() {
  for (;;) {
    TOWUnloadedPin* p;
    {
      std::lock_guard hold(Registries().section);
      if (Registries().unloaded.empty()) return;
      p = Registries().unloaded.back();
    }
    p->Release();
  }
}

bool IsReadingFormLinks() { return tReadingFormLinks; }
TOWFormLinkReading::TOWFormLinkReading() : old_(tReadingFormLinks) { tReadingFormLinks = true; }
TOWFormLinkReading::~TOWFormLinkReading() { tReadingFormLinks = old_; }

// ---------------------------------------------------------------------------
// Names

TComponent* ComponentRoot(TComponent* AComponent) {
  TComponent* c = AComponent;
  while (c && c->Owner() && !c->Owner()->IsApplicationObject() && !c->IsFormRoot()) c = c->Owner();
  return c;
}

namespace {

struct PathSearch {
  const TObject* target;
  bool identMode;
  std::vector<const TObject*> visited;

  bool Search(const TObject* obj, const std::string& prefix, std::string& result) {
    for (const PropInfo* p : AllProps(*obj)) {
      if (p->kind != PropKind::Class) continue;
      TObject* value = ValueToObject(p->get(*obj));
      if (!value) continue;
      if (value == target) {
        result = prefix + p->name;
        return true;
      }
      if (auto* list = dynamic_cast<TOWPinList*>(value)) {
        int i = list->IndexOf(dynamic_cast<const TOWBasicPin*>(target));
        if (i < 0) continue;
        result = prefix + p->name + "." + (identMode ? "_Pin" + std::to_string(i) : list->GetPinName(i));
        return true;
      }
      if (dynamic_cast<TComponent*>(value) || !dynamic_cast<TPersistent*>(value)) continue;
      if (std::find(visited.begin(), visited.end(), value) != visited.end()) continue;
      visited.push_back(value);
      if (Search(value, prefix + p->name + ".", result)) return true;
      if (auto* coll = dynamic_cast<TCollection*>(value)) {
        for (int j = 0; j < coll->Count(); ++j) {
          TCollectionItem* item = coll->Items(j);
          visited.push_back(item);
          std::string step = identMode ? p->name + "._Item" + std::to_string(j)
                                       : p->name + "[" + std::to_string(j) + "]";
          if (Search(item, prefix + step + ".", result)) return true;
        }
      }
    }
    return false;
  }
};

}  // namespace

namespace {

struct PinCollector {
  std::string_view className;
  bool identMode;
  TOWPinPaths& list;
  std::vector<const TObject*> visited;
  static constexpr int kMaxLevel = 20;

  bool IsWanted(TObject* value) const { return value->ClassType().isNamedOrDerived(className); }

  void Collect(const TObject* obj, const std::string& prefix, int level) {
    if (level > kMaxLevel) return;
    for (const PropInfo* p : AllProps(*obj)) {
      if (p->kind != PropKind::Class) continue;
      TObject* value = ValueToObject(p->get(*obj));
      if (!value) continue;
      if (IsWanted(value)) {
        if (auto* pin = dynamic_cast<TOWBasicPin*>(value)) list.push_back({prefix + p->name, pin});
        continue;
      }
      if (auto* pins = dynamic_cast<TOWPinList*>(value)) {
        for (int i = 0; i < pins->Count(); ++i)
          if (TOWBasicPin* pin = pins->GetPin(i); pin && IsWanted(pin))
            list.push_back({prefix + p->name + "." + (identMode ? "_Pin" + std::to_string(i) : pins->GetPinName(i)), pin});
        continue;
      }
      if (dynamic_cast<TComponent*>(value) || !dynamic_cast<TPersistent*>(value)) continue;
      if (std::find(visited.begin(), visited.end(), value) != visited.end()) continue;
      visited.push_back(value);
      if (auto* coll = dynamic_cast<TCollection*>(value))
        for (int j = 0; j < coll->Count(); ++j) {
          std::string step = identMode ? p->name + "._Item" + std::to_string(j)
                                       : p->name + "[" + std::to_string(j) + "]";
          Collect(coll->Items(j), prefix + step + ".", level + 1);
        }
      Collect(value, prefix + p->name + ".", level + 1);
    }
  }
};

}  // namespace

bool CollectPinPaths(TComponent* AComponent, std::string_view AClassName, bool IdentMode, TOWPinPaths& AList) {
  if (!AComponent || AComponent->HasState(csDestroying)) return true;
  PinCollector c{AClassName, IdentMode, AList, {}};
  try {
    c.Collect(AComponent, "", 0);
    return true;
  } catch (...) {
    return false;  // a failing getter ends the walk; what was found stays
  }
}

bool CollectCandidatePins(TOWPinPaths& AList, TComponent* AComponent, TOWBasicPin* APin, int Flags,
                          const std::string& APrefix, const std::string& ASeparator) {
  if (!AComponent || !APin) return true;
  bool complete = true;
  for (int i = 0; i < AComponent->ComponentCount(); ++i) {
    TComponent* comp = AComponent->Components(i);
    TOWPinPaths found;
    if (!CollectPinPaths(comp, "TOWPin", false, found)) complete = false;
    for (const TOWPinPath& f : found) {
      if (f.Pin->Owner() != comp) continue;
      bool accept = (Flags & 1) ? APin->IsCompatible(f.Pin, true) && (!(Flags & 4) || !APin->DirectDependsOn(f.Pin))
                                : APin->CanConnectTo(f.Pin, true);
      if (!accept) continue;
      std::string name = comp->Name() + ASeparator + f.Path;
      AList.push_back({APrefix.empty() ? name : APrefix + ASeparator + name, f.Pin});
    }
    if (!CollectCandidatePins(AList, comp, APin, Flags, APrefix, ASeparator)) complete = false;
  }
  return complete;
}

bool CollectLinkCandidates(TOWBasicPin* APin, TComponent* ARoot, TOWPinPaths& AList) {
  TComponent* own = APin->GetRoot();
  if (ARoot && ARoot != own) return CollectCandidatePins(AList, ARoot, APin, 1, ARoot->Name(), ".");
  return CollectCandidatePins(AList, own, APin, 1, "", ".");
}

std::string FindPinPropertyPath(TComponent* AComponent, const TObject* ATarget, bool IdentMode) {
  if (!AComponent || AComponent->HasState(csDestroying)) return {};
  try {
    PathSearch s{ATarget, IdentMode, {}};
    std::string result;
    return s.Search(AComponent, "", result) ? result : std::string();
  } catch (...) {
    return {};  // a failing getter means "not found"
  }
}

TComponent* TOWBasicPin::GetRoot() { return ComponentRoot(FOwner); }

static std::string BuildFullName(TOWBasicPin* pin, TComponent* owner, bool ident, bool withRoot) {
  if (!owner) return "(No owner)";
  std::string name;
  TOWPinList* list = pin->OwnerPinList();
  if (int i = list && list->Owner() == owner ? list->IndexOf(pin) : -1; i >= 0)
    name = owner->Name() + "." + FindPinPropertyPath(owner, list, ident) + "." +
           (ident ? "_Pin" + std::to_string(i) : list->GetPinName(i));
  else
    name = owner->Name() + "." + FindPinPropertyPath(owner, pin, ident);
  TComponent* root = ComponentRoot(owner);
  if (withRoot && root && root != owner) name = root->Name() + "." + name;
  return name;
}

std::string TOWBasicPin::GetFullName(bool IncludeRootForm) {
  return BuildFullName(this, FOwner, false, IncludeRootForm);
}

std::string TOWBasicPin::GetFullIdentName(bool IncludeRootForm) {
  return BuildFullName(this, FOwner, true, IncludeRootForm);
}

std::string TOWBasicPin::GetRootName() { return FirstSegment(GetFullIdentName(true)); }

std::string TOWBasicPin::GetSaveName() { return WithoutFirstSegment(GetFullIdentName(false)); }

std::string TOWBasicPin::GetOwnerName() { return FirstSegment(GetFullIdentName(false)); }

void TOWBasicPin::AdoptUnloadedPin() {
  try {
    for (;;) {
      TComponent* root = GetRoot();
      TOWUnloadedPin* found = nullptr;
      for (const std::string& n : {GetFullName(true), GetFullName(false), GetFullIdentName(true),
                                   GetFullIdentName(false)})
        if ((found = UnloadedGetByIdentName(root, n))) break;
      if (!found) return;
      found->PopulatePinAndDestroy(this);
    }
  } catch (const Exception&) {
    // Adoption is best effort: the links read next still resolve by name.
  }
}

namespace {

// Two members: the other one's name; otherwise the link's name.
std::string StateLinkText(TOWBasicPin* APin, TOWStateDispatcher& d) {
  if (d.PinCount() != 2) return d.Name();
  TOWBasicPin* first = d.GetPin(0);
  TOWBasicPin* other = first->GetFullIdentName(true) == APin->GetFullIdentName(true) ? d.GetPin(1) : first;
  return other ? other->GetFullName(true) : d.Name();
}

}  // namespace

std::string GetLinkDisplayName(TOWBasicPin* APin) {
  const std::string none = "(Disconnected)";
  auto* pin = dynamic_cast<TOWPin*>(APin);
  Ref<TOWStateDispatcher> d = pin ? pin->Dispatcher() : nullptr;
  if (d && d->PinCount() == 0) d = nullptr;
  if (auto* src = dynamic_cast<TOWSourcePin*>(APin)) {
    int n = src->SinkCount();
    if (n > 0 && d) return "( " + std::to_string(n + d->PinCount() - 1) + " Links )";
    if (n > 1) return "( " + std::to_string(n) + " Links )";
    if (n == 1) {
      TOWBasicPin* sink = src->GetSinkPin(0);
      return sink->GetFullName(sink->GetRootName() != APin->GetRootName());
    }
  }
  if (auto* sink = dynamic_cast<TOWSinkPin*>(APin))
    if (std::string source = sink->GetSourceLinkName(); !source.empty()) return source;
  return d ? StateLinkText(APin, *d) : none;
}

bool TOWStatePin::TryLinkTo(TComponent* Root, const std::string& SinkName) {
  if (SinkName.empty()) {
    Disconnect();
    return true;
  }
  TOWPinPaths candidates;
  bool complete = CollectLinkCandidates(this, Root, candidates);
  const std::string rooted = GetRootName() + ".";
  for (const TOWPinPath& c : candidates)
    if (c.Path == SinkName || rooted + c.Path == SinkName) return Connect(c.Pin) || !complete;
  return !complete;
}

bool TOWStatePin::ConnectByName(TComponent* ARoot, const std::string& AName) {
  if (AName.empty() || AName == "(Disconnected)") {
    Disconnect();
    return true;
  }
  if (Ref<TOWStateDispatcher> d = TOWStateDispatcher::GetByName(AName, true); d && ConnectToState(d)) return true;
  return TryLinkTo(ARoot, AName);
}

// ---------------------------------------------------------------------------
// TOWUnloadedPin

const ClassInfo& TOWUnloadedPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWUnloadedPin>("TOWUnloadedPin", TOWBasicPin::Class()).build();
  return ci;
}

TOWUnloadedPin::TOWUnloadedPin(TComponent* ARoot, TOWPinType AType, const std::string& APinIdentName,
                               const std::string& APinDisplayName, const std::string& ACreatedFrom)
    : TOWBasicPin(nullptr, nullptr),
      FDisplayName(APinDisplayName),
      FIdentName(APinIdentName),
      FType(AType),
      FCreatedFrom(ACreatedFrom) {
  if (ARoot) {
    FDesignTime = ARoot->HasState(csDesigning);
    if (ARoot->Name() == FirstSegment(FIdentName)) FRoot = ARoot;
  }
}

TOWUnloadedPin::~TOWUnloadedPin() = default;

TOWUnloadedPin* TOWUnloadedPin::Create(TComponent* ARoot, TOWPinType AType, const std::string& APinIdentName,
                                       const std::string& APinDisplayName, const std::string& ACreatedFrom) {
  std::lock_guard hold(Registries().section);
  auto* p = new TOWUnloadedPin(ARoot, AType, APinIdentName, APinDisplayName, ACreatedFrom);
  Registries().unloaded.push_back(p);
  return p;
}

std::string TOWUnloadedPin::GetFullName(bool IncludeRootForm) {
  return IncludeRootForm ? FDisplayName : WithoutFirstSegment(FIdentName);
}

std::string TOWUnloadedPin::GetFullIdentName(bool IncludeRootForm) {
  return IncludeRootForm ? FIdentName : WithoutFirstSegment(FIdentName);
}

bool TOWUnloadedPin::IsDesignTime(bool AEvenWhileLoading) {
  return !(IsReadingFormLinks() && !AEvenWhileLoading);
}

std::vector<TOWUnloadedPin::Link> TOWUnloadedPin::Links() {
  std::lock_guard hold(FLinksGuard);
  return FConnectedPins;
}

bool TOWUnloadedPin::ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  if (!OtherPin || OtherPin == this) return false;
  {
    std::lock_guard hold(FLinksGuard);
    for (auto& l : FConnectedPins)
      if (l.Pin == OtherPin) return true;
    FConnectedPins.push_back({OtherPin, NotifyAfterPin});
  }
  if (dynamic_cast<TOWSourcePin*>(OtherPin)) {
    OtherPin->AddSinkEntry(this, NotifyAfterPin);
  } else if (auto* sink = dynamic_cast<TOWSinkPin*>(OtherPin)) {
    sink->Disconnect();
    sink->TakeUnloadedSource(this);
  }
  return true;
}

void TOWUnloadedPin::AddSinkEntry(TOWBasicPin* APin, TOWBasicPin* AAfterPin) {
  if (!APin) return;
  std::lock_guard hold(FLinksGuard);
  FConnectedPins.push_back({APin, AAfterPin});
}

void TOWUnloadedPin::RemoveConnection(TOWBasicPin* APin, bool) {
  std::lock_guard hold(FLinksGuard);
  for (auto it = FConnectedPins.begin(); it != FConnectedPins.end(); ++it)
    if (it->Pin == APin) {
      FConnectedPins.erase(it);
      return;
    }
}

void TOWUnloadedPin::RemovePinReferences(TOWBasicPin* APin) {
  std::lock_guard hold(FLinksGuard);
  std::erase_if(FConnectedPins, [&](const Link& l) { return l.Pin == APin; });
}

void TOWUnloadedPin::ReplacePinReferences(TOWBasicPin* AOldPin, TOWBasicPin* ANewPin) {
  std::lock_guard hold(FLinksGuard);
  for (auto& l : FConnectedPins) {
    if (l.Pin == AOldPin) l.Pin = ANewPin;
    if (l.After == AOldPin) l.After = ANewPin;
  }
}

void TOWUnloadedPin::Disconnect() {
  std::lock_guard hold(FLinksGuard);
  FConnectedPins.clear();
}

bool TOWUnloadedPin::IsConnected() {
  std::lock_guard hold(FLinksGuard);
  return !FConnectedPins.empty();
}

bool TOWUnloadedPin::IsConnectedTo(TOWBasicPin* OtherPin) {
  std::lock_guard hold(FLinksGuard);
  for (auto& l : FConnectedPins)
    if (l.Pin == OtherPin) return true;
  return false;
}

int TOWUnloadedPin::ConnectedPinCount() {
  std::lock_guard hold(FLinksGuard);
  return int(FConnectedPins.size());
}

TOWBasicPin* TOWUnloadedPin::GetConnectedPin(int Index) {
  std::lock_guard hold(FLinksGuard);
  return Index >= 0 && size_t(Index) < FConnectedPins.size() ? FConnectedPins[size_t(Index)].Pin : nullptr;
}

TOWBasicPin* TOWUnloadedPin::GetAfterPin(TOWBasicPin* APin) {
  std::lock_guard hold(FLinksGuard);
  for (auto& l : FConnectedPins)
    if (l.Pin == APin) return l.After;
  return nullptr;
}

void TOWUnloadedPin::SetInEditor(bool Value) {
  FInEditor = Value;
  if (!Value) RemoveIfUnused();
}

void TOWUnloadedPin::RemoveIfUnused() {
  if (FInRemove || FInEditor || FOwnedByList || IsConnected()) return;
  Release();
}

void TOWUnloadedPin::Release() {
  FInRemove = true;
  // Pins still linked to the placeholder drop that link first.
  for (const Link& l : Links()) {
    if (auto* src = dynamic_cast<TOWSourcePin*>(l.Pin))
      src->RemoveConnection(this, false);
    else if (auto* sink = dynamic_cast<TOWSinkPin*>(l.Pin); sink && sink->SourcePin() == this)
      sink->Disconnect();
  }
  for (TOWBasicPin* p : RegisteredPins())
    if (p != this) p->RemovePinReferences(this);
  std::lock_guard hold(Registries().section);
  auto& v = Registries().unloaded;
  auto it = std::find(v.begin(), v.end(), this);
  if (it != v.end()) v.erase(it);
  delete this;
}

void TOWUnloadedPin::PopulatePinAndDestroy(TOWBasicPin* APin) {
  FInRemove = true;
  for (TOWBasicPin* p : RegisteredPins())
    if (p != this) p->ReplacePinReferences(this, APin);
  std::vector<Link> links = Links();
  // Link order is delivery order: the real pin takes the placeholder's place
  // among a source's sinks, and a real source keeps the placeholder's order.
  struct Order {
    TOWSourcePin* Source;
    std::vector<TOWBasicPin*> Sinks;
  };
  std::vector<Order> orders;
  std::vector<TOWBasicPin*> own;
  for (const Link& l : links) {
    own.push_back(l.Pin);
    auto* src = dynamic_cast<TOWSourcePin*>(l.Pin);
    if (!src || l.Pin == APin) continue;
    Order o{src, {}};
    for (int i = 0; i < src->SinkCount(); ++i) {
      TOWBasicPin* p = src->GetSinkPin(i);
      o.Sinks.push_back(p == this ? APin : p);
    }
    orders.push_back(std::move(o));
  }
  for (size_t i = links.size(); i-- > 0;) {
    const Link& l = links[i];
    if (l.Pin == APin) continue;
    APin->ConnectAfter(l.Pin, l.After);
    l.Pin->DisconnectFrom(this);
    if (l.Pin->IsConnectedTo(this)) l.Pin->RemoveConnection(this, false);
  }
  for (const Order& o : orders) o.Source->OrderSinkEntries(o.Sinks);
  if (auto* src = dynamic_cast<TOWSourcePin*>(APin)) src->OrderSinkEntries(own);
  Release();
}

}  // namespace tavrel
