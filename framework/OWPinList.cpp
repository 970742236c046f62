#include "framework/OWPinList.h"

#include <algorithm>

#include "framework/OWPinNames.h"
#include "framework/OWPinStreaming.h"
#include "framework/OWStateDispatcher.h"
#include "platform/classinfo.h"
#include "platform/exceptions.h"

namespace tavrel {

namespace {

// Guarded by the pin-structure section.
std::vector<TOWPinList*>& AllPinLists() {
  static std::vector<TOWPinList*> lists;
  return lists;
}

}  // namespace

const ClassInfo& TOWPinList::Class() {
  static const ClassInfo ci = ClassBuilder<TOWPinList>("TOWPinList", TOWObject::Class())
                                  .prop("Count", &TOWPinList::StoredCount, &TOWPinList::SetCount)
                                  .build();
  return ci;
}

TOWPinList::TOWPinList(TComponent* AOwner, bool IsPinsOwner, Ref<IOWLock> AOwnerLock)
    : FOwner(AOwner), FOwnerLock(std::move(AOwnerLock)), FPinsOwner(IsPinsOwner) {
  {
    std::lock_guard hold(PinStructureSection());
    AllPinLists().push_back(this);
  }
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListCreated(this); });
}

TOWPinList::~TOWPinList() {
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListDestroying(this); }, true);
  {
    std::lock_guard hold(PinStructureSection());
    auto& v = AllPinLists();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  Clear();
}

std::vector<TOWPinList*> PinLists() {
  std::lock_guard hold(PinStructureSection());
  return AllPinLists();
}

void ForgetPinInPinLists(TOWBasicPin* APin) {
  std::lock_guard hold(PinStructureSection());
  for (TOWPinList* list : AllPinLists()) list->Forget(APin);
}

Ref<IOWLockSection> TOWPinList::ReadLock() { return MakeRef<TOWSimpleReadLockSection>(FIntLock, FOwnerLock); }
Ref<IOWLockSection> TOWPinList::WriteLock() { return MakeRef<TOWSimpleWriteLockSection>(FIntLock, FOwnerLock); }

// ---------------------------------------------------------------------------
// Entries

bool TOWPinList::IsPlaceholderEntry(const TOWBasicPin* APin) {
  return std::find(FUnloaded.begin(), FUnloaded.end(), APin) != FUnloaded.end();
}

int TOWPinList::StoredCount() const {
  std::lock_guard lines(FLinesGuard);
  return FPinsList.Count() - int(FUnloaded.size());
}

void TOWPinList::RequireOwning() const {
  if (!FPinsOwner) throw EOWException("The pin list does not own its pins");
}

int TOWPinList::UnloadedCount() {
  std::lock_guard lines(FLinesGuard);
  return int(FUnloaded.size());
}

void TOWPinList::PurgeUnloaded() {
  if (FInUnload || !FOwner || FOwner->HasState(csDesigning) || FOwner->IsLoadingInChain()) return;
  FInUnload = true;
  try {
    for (;;) {
      int index = -1;
      {
        std::lock_guard lines(FLinesGuard);
        for (int i = FPinsList.Count(); i-- > 0;)
          if (IsPlaceholderEntry(static_cast<TOWBasicPin*>(FPinsList.GetObject(i)))) {
            index = i;
            break;
          }
      }
      if (index < 0) break;
      Delete(index);
    }
  } catch (...) {
    FInUnload = false;
    throw;
  }
  FInUnload = false;
}

int TOWPinList::Count() {
  PurgeUnloaded();
  return StoredCount();
}

TOWBasicPin* TOWPinList::GetPin(int Index) {
  PurgeUnloaded();
  TOWSimpleReadLockSection hold(FIntLock, FOwnerLock);
  std::lock_guard lines(FLinesGuard);
  return static_cast<TOWBasicPin*>(FPinsList.GetObject(Index));
}

void TOWPinList::SetPin(int Index, TOWBasicPin* APin) {
  std::vector<Gone> gone;
  {
    TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
    {
      std::lock_guard lines(FLinesGuard);
      auto* old = static_cast<TOWBasicPin*>(FPinsList.GetObject(Index));
      if (old == APin) return;
      FPinsList.PutObject(Index, APin);
      if (old && FPinsList.IndexOfObject(old) < 0) gone.push_back(TakeOut(old));
      if (dynamic_cast<TOWUnloadedPin*>(APin) && !IsPlaceholderEntry(APin)) FUnloaded.push_back(APin);
    }
    if (auto* p = dynamic_cast<TOWUnloadedPin*>(APin)) p->SetOwnedByList(true);
  }
  Dispose(gone);
  if (APin) APin->BroadcastChanged();
}

std::string TOWPinList::GetPinName(int Index) {
  std::lock_guard lines(FLinesGuard);
  std::string name = FPinsList.Get(Index);
  return name.empty() ? "Pin [" + std::to_string(Index) + "]" : name;
}

void TOWPinList::SetPinNameAt(int Index, const std::string& AName) {
  TOWBasicPin* pin;
  {
    TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
    std::lock_guard lines(FLinesGuard);
    if (Index < 0 || Index >= FPinsList.Count()) return;
    std::string name = AName == "Pin [" + std::to_string(Index) + "]" ? std::string() : AName;
    if (FPinsList.Get(Index) == name) return;
    FPinsList.Put(Index, name);
    FLastIndicatedCount = -1;
    pin = static_cast<TOWBasicPin*>(FPinsList.GetObject(Index));
  }
  if (pin) pin->BroadcastChanged();
}

void TOWPinList::SetPinName(TOWBasicPin* APin, const std::string& AName) {
  int i = IndexOf(APin);
  if (i >= 0) SetPinNameAt(i, AName);
}

std::string TOWPinList::GetName() { return FindPinPropertyPath(FOwner, this, false); }

int TOWPinList::IndexOf(const TOWBasicPin* Item) {
  std::lock_guard lines(FLinesGuard);
  return FPinsList.IndexOfObject(Item);
}

void TOWPinList::TakeOwnerPinList(TOWBasicPin* Item) {
  if (!FOwner || Item->Owner() != FOwner) return;
  Item->SetOwnerPinList(this);
  Item->BroadcastChanged();
}

void TOWPinList::Added(TOWBasicPin* Item, int AIndex) {
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListChanged(this); });
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListPinAdded(this, Item, AIndex); }, true);
}

int TOWPinList::AddNamed(TOWBasicPin* Item, const std::string& AName) {
  if (!Item) return -1;
  TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
  auto* placeholder = dynamic_cast<TOWUnloadedPin*>(Item);
  TOWUnloadedPin* taken = nullptr;
  int index;
  {
    std::lock_guard lines(FLinesGuard);
    int k = -1;
    if (!placeholder)
      for (int i = 0; i < FPinsList.Count() && k < 0; ++i)
        if (IsPlaceholderEntry(static_cast<TOWBasicPin*>(FPinsList.GetObject(i)))) k = i;
    if (k >= 0) {
      // The new pin takes the first placeholder's entry and its links.
      taken = static_cast<TOWUnloadedPin*>(FPinsList.GetObject(k));
      FPinsList.Put(k, AName);
      FPinsList.PutObject(k, Item);
      FUnloaded.erase(std::find(FUnloaded.begin(), FUnloaded.end(), taken));
      index = k;
    } else {
      index = FPinsList.AddObject(AName, Item);
      if (placeholder && !IsPlaceholderEntry(Item)) FUnloaded.push_back(Item);
    }
    FLastIndicatedCount = -1;
  }
  if (placeholder) placeholder->SetOwnedByList(true);
  if (taken) {
    taken->SetOwnedByList(false);
    JoinPendingStateLinks(taken, Item);
    taken->PopulatePinAndDestroy(Item);
  }
  TakeOwnerPinList(Item);
  Added(Item, index);
  return index;
}

int TOWPinList::Add(TOWBasicPin* Item) {
  int index = AddNamed(Item, {});
  if (Item) Item->BroadcastChanged();
  return index;
}

void TOWPinList::InsertNamed(int Index, TOWBasicPin* Item, const std::string& AName) {
  if (!Item) return;
  if (Index >= Count()) {
    AddNamed(Item, AName);
    return;
  }
  TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
  auto* placeholder = dynamic_cast<TOWUnloadedPin*>(Item);
  {
    std::lock_guard lines(FLinesGuard);
    FPinsList.InsertObject(Index, AName, Item);
    if (placeholder && !IsPlaceholderEntry(Item)) FUnloaded.push_back(Item);
    FLastIndicatedCount = -1;
  }
  if (placeholder) placeholder->SetOwnedByList(true);
  TakeOwnerPinList(Item);
  Added(Item, Index);
}

void TOWPinList::Insert(int Index, TOWBasicPin* Item) {
  InsertNamed(Index, Item, {});
  if (Item) Item->BroadcastChanged();
}

TOWPinList::Gone TOWPinList::TakeOut(TOWBasicPin* APin) {
  Gone g{APin, IsPlaceholderEntry(APin)};
  if (g.Placeholder) FUnloaded.erase(std::find(FUnloaded.begin(), FUnloaded.end(), APin));
  return g;
}

void TOWPinList::Delete(int Index) {
  TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
  TOWBasicPin* pin;
  {
    std::lock_guard lines(FLinesGuard);
    pin = static_cast<TOWBasicPin*>(FPinsList.GetObject(Index));
  }
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListPinRemoved(this, pin, Index); }, true);
  std::vector<Gone> gone;
  {
    std::lock_guard lines(FLinesGuard);
    // The entry may have gone while the listeners ran.
    if (Index < FPinsList.Count() && FPinsList.GetObject(Index) == pin) {
      FPinsList.Delete(Index);
      if (pin) {
        Gone g = TakeOut(pin);
        // Another entry still holding a placeholder keeps it.
        if (!(g.Placeholder && FPinsList.IndexOfObject(pin) >= 0)) gone.push_back(g);
        else FUnloaded.push_back(pin);
      }
      FLastIndicatedCount = -1;
    }
  }
  Dispose(gone);
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListChanged(this); });
}

void TOWPinList::Remove(TOWBasicPin* Item) {
  if (!Item) return;
  for (int i; (i = IndexOf(Item)) >= 0;) Delete(i);
}

void TOWPinList::Swap(int Index1, int Index2) {
  TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
  TOWBasicPin *p1, *p2;
  {
    std::lock_guard lines(FLinesGuard);
    p1 = static_cast<TOWBasicPin*>(FPinsList.GetObject(Index1));
    p2 = static_cast<TOWBasicPin*>(FPinsList.GetObject(Index2));
  }
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListPinsSwapped(this, p1, Index1, p2, Index2); }, true);
  {
    std::lock_guard lines(FLinesGuard);
    if (std::max(Index1, Index2) < FPinsList.Count()) FPinsList.Exchange(Index1, Index2);
    FLastIndicatedCount = -1;
  }
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListChanged(this); });
}

void TOWPinList::Clear() {
  TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
  std::vector<Gone> gone;
  {
    std::lock_guard lines(FLinesGuard);
    for (int i = 0; i < FPinsList.Count(); ++i) {
      auto* p = static_cast<TOWBasicPin*>(FPinsList.GetObject(i));
      if (p && std::none_of(gone.begin(), gone.end(), [&](const Gone& g) { return g.Pin == p; }))
        gone.push_back({p, IsPlaceholderEntry(p)});
    }
    FPinsList.Clear();
    FUnloaded.clear();
    FLastIndicatedCount = -1;
  }
  bool was = FInUnload;
  FInUnload = true;
  Dispose(gone);
  FInUnload = was;
  BroadcastPinEvent([&](IOWPinListener& l) { l.PinListChanged(this); });
}

void TOWPinList::Dispose(const std::vector<Gone>& APins) {
  for (const Gone& g : APins) {
    if (g.Placeholder) {
      // The unloaded-pin registry owns it; it goes through the registry once.
      auto* p = static_cast<TOWUnloadedPin*>(g.Pin);
      {
        std::lock_guard lines(FLinesGuard);
        std::erase_if(FPendingStates, [&](const Pending& e) { return e.Placeholder == p; });
      }
      p->SetOwnedByList(false);
      p->Release();
    } else if (FPinsOwner) {
      g.Pin->SetOwnerPinList(nullptr);
      delete g.Pin;
    } else if (g.Pin->OwnerPinList() == this) {
      g.Pin->SetOwnerPinList(nullptr);
      g.Pin->BroadcastChanged();
    }
  }
}

void TOWPinList::Forget(TOWBasicPin* APin) {
  std::lock_guard lines(FLinesGuard);
  bool found = false;
  for (int i; (i = FPinsList.IndexOfObject(APin)) >= 0; found = true) FPinsList.Delete(i);
  if (!found) return;
  std::erase(FUnloaded, APin);
  std::erase_if(FPendingStates, [&](const Pending& e) { return e.Placeholder == APin; });
  FLastIndicatedCount = -1;
}

void TOWPinList::Disconnect() {
  std::vector<TOWBasicPin*> pins = Snapshot();
  for (TOWBasicPin* p : pins) p->Disconnect();
}

std::vector<TOWBasicPin*> TOWPinList::Snapshot() {
  std::lock_guard lines(FLinesGuard);
  std::vector<TOWBasicPin*> pins;
  for (int i = 0; i < FPinsList.Count(); ++i) pins.push_back(static_cast<TOWBasicPin*>(FPinsList.GetObject(i)));
  return pins;
}

void TOWPinList::JoinPendingStateLinks(TOWBasicPin* APlaceholder, TOWBasicPin* AItem) {
  std::vector<std::string> names;
  {
    std::lock_guard lines(FLinesGuard);
    for (auto it = FPendingStates.begin(); it != FPendingStates.end();)
      if (it->Placeholder == APlaceholder) {
        names.push_back(it->LinkName);
        it = FPendingStates.erase(it);
      } else {
        ++it;
      }
  }
  if (auto* state = dynamic_cast<TOWStatePin*>(AItem))
    for (const std::string& n : names) state->ConnectToStateName(n);
}

// ---------------------------------------------------------------------------
// Form data

std::string TOWPinList::RootName() {
  TComponent* root = ComponentRoot(FOwner);
  return root ? root->Name() : std::string();
}

std::string TOWPinList::ReRootName(const std::string& AName) {
  if (FLoadFormName.empty()) return AName;
  return tavrel::ReRootName(AName, FLoadFormName, RootName());
}

void TOWPinList::DefineProperties(TFiler& Filer) {
  TOWObject::DefineProperties(Filer);
  Filer.DefineProperty(
      "Form", [this](TReader& r) { FLoadFormName = r.ReadIdent(); },
      [this](TWriter& w) { w.WriteIdent(RootName()); }, FOwner != nullptr);
  Filer.DefineProperty(
      "Pins", [this](TReader& r) { ReadPins(r); }, [this](TWriter& w) { WritePins(w); }, HasConnectedPins());
  // Older data stored whether the list owned its pins; the class decides now.
  Filer.DefineProperty("PinsOwner", [](TReader& r) { r.ReadBoolean(); }, nullptr, false);
}

bool TOWPinList::HasConnectedPins() {
  for (TOWBasicPin* p : Snapshot())
    if (p && p->IsConnected()) return true;
  return false;
}

void TOWPinList::WritePins(TWriter& Writer) {
  std::vector<TOWBasicPin*> pins;
  {
    TOWSimpleReadLockSection hold(FIntLock, FOwnerLock);
    pins = Snapshot();
  }
  Writer.WriteListBegin();
  for (TOWBasicPin* p : pins) WriteEntry(Writer, p);
  Writer.WriteListEnd();
}

namespace {

// A pin's links as a list entry stores them; false when it has none.
bool WriteConnections(TWriter& Writer, TOWBasicPin* APin) {
  if (auto* src = dynamic_cast<TOWSourcePin*>(APin); src && src->SinkCount() > 0) {
    Writer.WriteIdent("Sinks");
    src->WriteSinkPins(Writer);
    return true;
  }
  if (auto* sink = dynamic_cast<TOWSinkPin*>(APin); sink && sink->SourcePin()) {
    sink->WriteSourcePin(Writer);
    return true;
  }
  return false;
}

}  // namespace

void TOWPinList::WriteEntry(TWriter& Writer, TOWBasicPin* APin) {
  if (auto* state = dynamic_cast<TOWStatePin*>(APin); state && state->Dispatcher()) {
    Writer.WriteIdent("State");
    Writer.WriteListBegin();
    state->WriteStateValue(Writer);
    WriteConnections(Writer, APin);
    Writer.WriteListEnd();
    return;
  }
  if (!WriteConnections(Writer, APin)) Writer.WriteIdent("nil");
}

void TOWPinList::ReadPins(TReader& Reader) {
  TOWFormLinkReading reading;
  TOWSimpleWriteLockSection hold(FIntLock, FOwnerLock);
  Reader.ReadListBegin();
  for (int i = 0; !Reader.EndOfList(); ++i) ReadEntry(Reader, i);
  Reader.ReadListEnd();
}

void TOWPinList::ReadEntry(TReader& Reader, int AIndex) {
  if (Reader.NextValue() == vaList) return ReadConnections(Reader, AIndex);
  std::string ident = Reader.ReadIdent();
  if (ident == "nil") return;
  if (ident != "State") return ReadNamedConnections(Reader, AIndex, ident);
  Reader.ReadListBegin();
  TOWBasicPin* pin = nullptr;
  {
    std::lock_guard lines(FLinesGuard);
    if (AIndex < FPinsList.Count()) pin = static_cast<TOWBasicPin*>(FPinsList.GetObject(AIndex));
  }
  if (auto* state = dynamic_cast<TOWStatePin*>(pin)) {
    state->ReadStateValue(Reader);
  } else {
    std::string name = ReadStateLinkName(Reader);
    if (!pin) pin = ListPinAt(AIndex, TOWPinType::ptState);
    // A placeholder cannot join a state link; the pin that takes its entry does.
    std::lock_guard lines(FLinesGuard);
    if (IsPlaceholderEntry(pin)) FPendingStates.push_back({pin, name});
  }
  // The entry's other links follow the state link.
  while (!Reader.EndOfList()) ReadConnections(Reader, AIndex);
  Reader.ReadListEnd();
}

void TOWPinList::ReadConnections(TReader& Reader, int AIndex) {
  std::string ident, display, after;
  if (Reader.NextValue() == vaList) {
    ReadSourceValue(Reader, ident, display, after);
    return LinkListPin(AIndex, TOWPinType::ptSink, TOWPinType::ptSource, ident, display, after);
  }
  ident = Reader.ReadIdent();
  if (ident == "nil" || ident == "State") return;
  ReadNamedConnections(Reader, AIndex, ident);
}

void TOWPinList::ReadNamedConnections(TReader& Reader, int AIndex, const std::string& AIdent) {
  std::string ident, display, after;
  if (AIdent == "Sinks") {
    Reader.ReadListBegin();
    while (!Reader.EndOfList()) {
      ReadSinkEntry(Reader, ident, display, after);
      LinkListPin(AIndex, TOWPinType::ptSource, TOWPinType::ptSink, ident, display, after);
    }
    Reader.ReadListEnd();
  } else if (AIdent == "Sources") {
    Reader.ReadListBegin();
    while (!Reader.EndOfList()) {
      ReadPinNameValue(Reader, ident, display);
      LinkListPin(AIndex, TOWPinType::ptMultiSink, TOWPinType::ptSource, ident, display);
    }
    Reader.ReadListEnd();
  } else {
    LinkListPin(AIndex, TOWPinType::ptSink, TOWPinType::ptSource, AIdent, AIdent);
  }
}

std::string TOWPinList::EntryName(int AIndex) {
  std::string name = FOwner->Name() + "." + FindPinPropertyPath(FOwner, this, true) + "._Pin" + std::to_string(AIndex);
  TComponent* root = ComponentRoot(FOwner);
  return root && root != FOwner ? root->Name() + "." + name : name;
}

TOWBasicPin* TOWPinList::ListPinAt(int AIndex, TOWPinType AType) {
  TOWBasicPin* pin = nullptr;
  int count;
  {
    std::lock_guard lines(FLinesGuard);
    count = FPinsList.Count();
    if (AIndex < count) pin = static_cast<TOWBasicPin*>(FPinsList.GetObject(AIndex));
  }
  if (pin) {
    // Links recorded by pins read earlier pass to the pin first.
    bool placeholder;
    {
      std::lock_guard lines(FLinesGuard);
      placeholder = IsPlaceholderEntry(pin);
    }
    if (!placeholder) pin->AdoptUnloadedPin();
    return pin;
  }
  if (!FOwner) return nullptr;
  TComponent* root = ComponentRoot(FOwner);
  for (int k = count; k <= AIndex; ++k) {
    std::string name = EntryName(k);
    // A placeholder made for this name by a pin read earlier stands in the entry.
    TOWBasicPin* p = PinGetByNameCreate(root, AType, name, name, name);
    if (!dynamic_cast<TOWUnloadedPin*>(p) || IndexOf(p) >= 0)
      p = TOWUnloadedPin::Create(root, AType, name, name, name);
    AddNamed(p, {});
    pin = p;
  }
  return pin;
}

void TOWPinList::LinkListPin(int AIndex, TOWPinType AType, TOWPinType AOtherType, const std::string& AIdent,
                             const std::string& ADisplay, const std::string& AAfter) {
  TOWBasicPin* pin = ListPinAt(AIndex, AType);
  if (!pin) return;
  TComponent* root = ComponentRoot(FOwner);
  std::string self = pin->GetFullName(true);
  TOWBasicPin* after = nullptr;
  if (!AAfter.empty()) {
    std::string name = ReRootName(AAfter);
    after = PinGetByNameCreate(root, TOWPinType::ptSink, name, name, self);
  }
  TOWBasicPin* other = PinGetByNameCreate(root, AOtherType, ReRootName(AIdent), ReRootName(ADisplay), self);
  if (!other || other == pin) return;
  if (auto* src = dynamic_cast<TOWSourcePin*>(pin))
    src->DoConnectAfter(other, after);
  else
    pin->ConnectAfter(other, after);
}

}  // namespace tavrel
