#include "framework/OWStateDispatcher.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "framework/OWPinNames.h"
#include "platform/classinfo.h"

namespace tavrel {

namespace {

struct DispatcherRegistries {
  std::mutex section;
  std::vector<TOWStateDispatcher*> designTime, runTime;
  std::vector<TOWStateDispatcher*>& List(bool designTime_) { return designTime_ ? designTime : runTime; }
};

DispatcherRegistries& Dispatchers() {
  static DispatcherRegistries r;
  return r;
}

std::atomic<int> gAlive{0};

}  // namespace

const ClassInfo& TOWStatePin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWStatePin>("TOWStatePin", TOWPin::Class()).build();
  return ci;
}
const ClassInfo& TOWStateDispatcher::Class() {
  static const ClassInfo ci = ClassBuilder<TOWStateDispatcher>("TOWStateDispatcher", TOWPinObject::Class()).build();
  return ci;
}

// ---------------------------------------------------------------------------
// Registries and names

TOWStateDispatcher::TOWStateDispatcher(const std::string& AName, bool ADesignTime)
    : FName(AName), FDesignTime(ADesignTime) {
  ++gAlive;
  std::lock_guard hold(Dispatchers().section);
  Dispatchers().List(FDesignTime).push_back(this);
}

TOWStateDispatcher::~TOWStateDispatcher() {
  // Listeners may look at the dispatcher but must not hold it.
  BroadcastPinEvent([&](IOWPinListener& l) { l.DispatcherDestroying(this, false); }, true);
  {
    std::lock_guard hold(Dispatchers().section);
    auto& v = Dispatchers().List(FDesignTime);
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  --gAlive;
}

int TOWStateDispatcher::Alive() { return gAlive; }

Ref<TOWStateDispatcher> TOWStateDispatcher::CreateNamed(const std::string& AName, bool ADesignTime) {
  Ref<TOWStateDispatcher> d(new TOWStateDispatcher(AName, ADesignTime));
  BroadcastPinEvent([&](IOWPinListener& l) { l.DispatcherCreated(d.get()); });
  return d;
}

Ref<TOWStateDispatcher> TOWStateDispatcher::Create(TComponent* AOwnerForm) {
  return CreateNamed(GetUniqueName(AOwnerForm), AOwnerForm && AOwnerForm->HasState(csDesigning));
}

Ref<TOWStateDispatcher> TOWStateDispatcher::GetByName(const std::string& AName, bool ADesignTime) {
  std::lock_guard hold(Dispatchers().section);
  for (TOWStateDispatcher* d : Dispatchers().List(ADesignTime))
    if (d->FName == AName && d->RefCount() > 0) return Ref<TOWStateDispatcher>(d);
  return nullptr;
}

Ref<TOWStateDispatcher> TOWStateDispatcher::GetByNameCreate(TOWPin* APin, const std::string& AName, bool ADesignTime) {
  if (Ref<TOWStateDispatcher> d = GetByName(AName, ADesignTime)) return d;
  return APin ? APin->CreateNamedStateDispatcher(AName, ADesignTime) : CreateNamed(AName, ADesignTime);
}

void TOWStateDispatcher::ForgetPin(TOWBasicPin* APin) {
  // Inside the section: no reference is taken, so a dispatcher whose last
  // one goes meanwhile waits here in its destructor, members intact.
  std::lock_guard hold(Dispatchers().section);
  for (bool design : {true, false})
    for (TOWStateDispatcher* d : Dispatchers().List(design)) d->RemovePinReferences(APin);
}

bool TOWStateDispatcher::IsUniqueName(const std::string& AName, bool ADesignTime) {
  std::lock_guard hold(Dispatchers().section);
  for (TOWStateDispatcher* d : Dispatchers().List(ADesignTime))
    if (d->FName == AName) return false;
  return true;
}

std::string TOWStateDispatcher::GetUniqueName(TComponent* AOwnerForm) {
  std::string base = (AOwnerForm ? AOwnerForm->Name() : std::string()) + "Link";
  bool design = AOwnerForm && AOwnerForm->HasState(csDesigning);
  for (int n = 1;; ++n)
    if (IsUniqueName(base + std::to_string(n), design)) return base + std::to_string(n);
}

// ---------------------------------------------------------------------------
// Members

std::vector<TOWStateDispatcher::Member> TOWStateDispatcher::Members() {
  auto r = ReadLock();
  return FPins;
}

int TOWStateDispatcher::PinCount() {
  auto r = ReadLock();
  return int(FPins.size());
}

TOWBasicPin* TOWStateDispatcher::GetPin(int Index) {
  auto r = ReadLock();
  return Index >= 0 && size_t(Index) < FPins.size() ? FPins[size_t(Index)].RealPin : nullptr;
}

TOWBasicPin* TOWStateDispatcher::GetConnectionPin(int Index) {
  auto r = ReadLock();
  return Index >= 0 && size_t(Index) < FPins.size() ? FPins[size_t(Index)].ConnectionPin : nullptr;
}

TOWBasicPin* TOWStateDispatcher::GetAfterPinAt(int Index) {
  auto r = ReadLock();
  return Index >= 0 && size_t(Index) < FPins.size() ? FPins[size_t(Index)].AfterPin : nullptr;
}

TOWBasicPin* TOWStateDispatcher::GetAfterPinOf(TOWBasicPin* APin) {
  auto r = ReadLock();
  for (auto& m : FPins)
    if (m.RealPin == APin) return m.AfterPin;
  return nullptr;
}

bool TOWStateDispatcher::IsConnectedTo(TOWBasicPin* APin) {
  auto r = ReadLock();
  for (auto& m : FPins)
    if (m.RealPin == APin) return true;
  return false;
}

void TOWStateDispatcher::AddPinAfter(TOWPin* AConnectionPin, TOWPin* ARealPin, TOWBasicPin* NotifyAfterPin) {
  {
    auto w = WriteLock();
    for (auto& m : FPins)
      if (m.RealPin == AConnectionPin || m.RealPin == ARealPin) return;
    FPins.push_back({AConnectionPin, ARealPin, NotifyAfterPin});
  }
  for (TOWPin* p : {AConnectionPin, ARealPin}) {
    auto w = p->WriteLock();
    p->FDispatcher = Ref<TOWStateDispatcher>(this);
  }
  BroadcastPinEvent([&](IOWPinListener& l) { l.DispatcherChanged(this); });
}

std::vector<TOWStateDispatcher::Converter> TOWStateDispatcher::FormatConverters() {
  auto r = ReadLock();
  return FFormatConverters;
}

void TOWStateDispatcher::AddFormatConverter(const Converter& AConverter) {
  auto w = WriteLock();
  FFormatConverters.push_back(AConverter);
}

TOWStateDispatcher::Converter TOWStateDispatcher::FormatConverterOf(TOWBasicPin* AInputPin) {
  auto r = ReadLock();
  for (auto& c : FFormatConverters)
    if (c.Instance->Instance()->InputPin() == AInputPin) return c;
  return {};
}

int TOWStateDispatcher::FormatConverterCount() {
  auto r = ReadLock();
  return int(FFormatConverters.size());
}

void TOWStateDispatcher::RemovePin(TOWBasicPin* APin) {
  Ref<TOWStateDispatcher> keep(this);  // goes after this call, not inside it
  std::vector<TOWPin*> leaving;
  TOWPin* dissolved = nullptr;  // the last member of a link that dissolves
  std::vector<Ref<IOWFormatConverter>> released;  // go once no lock is held
  {
    auto w = WriteLock();
    auto it = std::find_if(FPins.begin(), FPins.end(), [&](const Member& m) { return m.RealPin == APin; });
    if (it == FPins.end()) return;
    Member gone = *it;
    FPins.erase(it);
    leaving.push_back(gone.RealPin);
    leaving.push_back(gone.ConnectionPin);
    for (auto& m : FPins)
      if (m.AfterPin == gone.AfterPin) {
        m.AfterPin = nullptr;
        break;
      }
    if (FPins.size() == 1) {
      dissolved = FPins[0].RealPin;
      leaving.push_back(FPins[0].RealPin);
      leaving.push_back(FPins[0].ConnectionPin);
      FPins.clear();
    }
    // A converter that fed the member that left has nobody to feed, unless
    // it feeds another member too.
    bool shared = std::any_of(FPins.begin(), FPins.end(),
                              [&](const Member& m) { return m.ConnectionPin == gone.ConnectionPin; });
    if (gone.ConnectionPin != gone.RealPin && !shared)
      for (auto c = FFormatConverters.begin(); c != FFormatConverters.end(); ++c)
        if (c->Instance->Instance()->InputPin() == gone.ConnectionPin) {
          released.push_back(std::move(c->Instance));
          FFormatConverters.erase(c);
          break;
        }
  }
  if (dissolved) dissolved->BroadcastUnlinked(this);
  for (TOWPin* p : leaving) {
    Ref<TOWStateDispatcher> dropped;
    auto w = p->WriteLock();
    if (p->FDispatcher.get() == this) dropped = std::move(p->FDispatcher);
  }
  BroadcastPinEvent([&](IOWPinListener& l) { l.DispatcherChanged(this); });
  if (dissolved) dissolved->BroadcastChanged();
}

void TOWStateDispatcher::DisconnectAll() {
  Ref<TOWStateDispatcher> keep(this);
  for (;;) {
    TOWPin* first;
    {
      auto r = ReadLock();
      if (FPins.empty()) return;
      first = FPins[0].RealPin;
    }
    first->Disconnect();
    // A member whose Disconnect keeps its state link still leaves.
    RemovePin(first);
  }
}

bool TOWStateDispatcher::CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) {
  if (!NotifyAfterPin) return true;
  if (OtherPin == NotifyAfterPin) return false;
  TOWBasicPin* after;
  {
    auto r = ReadLock();
    auto it = std::find_if(FPins.begin(), FPins.end(), [&](const Member& m) { return m.RealPin == NotifyAfterPin; });
    if (it == FPins.end()) return false;
    after = it->AfterPin;
  }
  if (!after) return true;
  return CanConnectAfter(OtherPin, after, UseConverters);
}

void TOWStateDispatcher::StateLinkChanged(TOWPin* APin) {
  Ref<TOWStateDispatcher> keep(this);
  std::vector<Member> members = Members();
  auto announce = [&](TOWPin* from) {
    Ref<IOWNotifyOperation> op = MakeRef<TOWNotifyOperation>();
    from->NotifyDispatcher(op.get(), {nsNewLink}, from == APin ? nullptr : APin);
  };
  for (auto& m : members)
    if (dynamic_cast<TOWSourcePin*>(static_cast<TOWBasicPin*>(m.RealPin))) return announce(m.RealPin);
  for (auto& m : members)
    if (!dynamic_cast<TOWBasicSinkPin*>(static_cast<TOWBasicPin*>(m.RealPin))) announce(m.RealPin);
}

void TOWStateDispatcher::RemovePinReferences(TOWBasicPin* APin) {
  auto w = WriteLock();
  for (auto& m : FPins)
    if (m.AfterPin == APin) m.AfterPin = nullptr;
}

void TOWStateDispatcher::SetAfterPinByName(TOWBasicPin* APin, const std::string& AName) {
  std::vector<TOWBasicPin*> pins;
  for (auto& m : Members()) pins.push_back(m.RealPin);
  // Names are built without the dispatcher's lock: they ask the pins.
  TOWBasicPin* after = FirstPinNamed(pins, AName);
  if (!after) return;
  auto w = WriteLock();
  for (auto& m : FPins)
    if (m.RealPin == APin) {
      m.AfterPin = after;
      return;
    }
}

std::string TOWStateDispatcher::GetAfterPinDisplayName(TOWBasicPin* APin) {
  TOWBasicPin* after = GetAfterPinOf(APin);
  return after ? after->GetFullName(true) : std::string();
}

bool TOWStateDispatcher::IsCrosForm() {
  std::vector<Member> members = Members();
  if (members.size() < 2) return false;
  std::string first = members[0].RealPin->GetRootName();
  for (auto& m : members)
    if (m.RealPin->GetRootName() != first) return true;
  return false;
}

bool TOWStateDispatcher::ConnectedToForm(TComponent* AOwnerComponent) {
  if (!AOwnerComponent) return false;
  for (auto& m : Members())
    if (m.RealPin->GetRootName() == AOwnerComponent->Name()) return true;
  return false;
}

void TOWStateDispatcher::ClearSavedForms() {
  auto w = WriteLock();
  FSavedForms.clear();
  FCountSaved = 0;
}

void TOWStateDispatcher::AddSavedForm(TComponent* AForm) {
  auto w = WriteLock();
  if (std::find(FSavedForms.begin(), FSavedForms.end(), AForm) == FSavedForms.end()) FSavedForms.push_back(AForm);
  ++FCountSaved;
}

bool TOWStateDispatcher::IsFormSaved(TComponent* AForm) {
  auto r = ReadLock();
  return std::find(FSavedForms.begin(), FSavedForms.end(), AForm) != FSavedForms.end();
}

int TOWStateDispatcher::CountSaved() {
  auto r = ReadLock();
  return FCountSaved;
}

// ---------------------------------------------------------------------------
// TOWPin: the state link

Ref<TOWStateDispatcher> TOWPin::Dispatcher() {
  ReadHold r(this);
  return FDispatcher;
}

bool TOWPin::HasStateDispatcher() { return Dispatcher() != nullptr; }

Ref<TOWStateDispatcher> TOWBasicPin::GetConnectedDispatcher(int) { return nullptr; }

Ref<TOWStateDispatcher> TOWPin::GetConnectedDispatcher(int) { return Dispatcher(); }

Ref<TOWStateDispatcher> TOWPin::CreateStateDispatcher(TComponent* AOwnerForm) {
  return TOWStateDispatcher::Create(AOwnerForm);
}

Ref<TOWStateDispatcher> TOWPin::CreateNamedStateDispatcher(const std::string& AName, bool ADesignTime) {
  return TOWStateDispatcher::CreateNamed(AName, ADesignTime);
}

bool TOWPin::IsConnectedToState(const Ref<TOWStateDispatcher>& ADispatcher) {
  return Dispatcher() == ADispatcher;
}

bool TOWPin::IsConnectedByStateTo(TOWBasicPin* OtherPin) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  return d && OtherPin && d->IsConnectedTo(OtherPin);
}

bool TOWPin::IsConnectedTo(TOWBasicPin* OtherPin) { return IsConnectedByStateTo(OtherPin); }

bool TOWPin::IsConnectedByStateAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d || !OtherPin) return false;
  for (auto& m : d->Members())
    if (m.RealPin == OtherPin && m.AfterPin == NotifyAfterPin) return true;
  return false;
}

bool TOWPin::IsLinkedTo(const std::string& PinName) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return false;
  for (auto& m : d->Members())
    if (m.RealPin->GetFullName(true) == PinName) return true;
  return false;
}

TOWBasicPin* TOWPin::GetAfterPin(TOWBasicPin* APin) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  return d && APin ? d->GetAfterPinOf(APin) : nullptr;
}

bool TOWPin::InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin || OtherPin == this || DesignMismatch(this, OtherPin)) return false;
  if (dynamic_cast<TOWStatePin*>(OtherPin)) return !SelectStreamType(OtherPin, UseConverters).ID.isNil();
  if (dynamic_cast<TOWUnloadedPin*>(OtherPin)) return OtherPin->CanConnectTo(this, UseConverters);
  return false;
}

bool TOWPin::CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) {
  if (!NotifyAfterPin) return CanConnectTo(OtherPin, UseConverters);
  Ref<TOWStateDispatcher> d = Dispatcher();
  return d && d->CanConnectAfter(OtherPin, NotifyAfterPin, UseConverters);
}

bool TOWPin::ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  if (OtherPin == this) return false;
  return ConnectByStateAfter(OtherPin, NotifyAfterPin);
}

TOWNegotiation TOWPin::SelectStreamType(TOWBasicPin* OtherPin, bool UseConverters) {
  TOWNegotiation n;
  if (!OtherPin) return n;
  // Copied out: the other pin is asked without this pin's lock.
  std::vector<Guid> own;
  {
    ReadHold r(this);
    for (auto& t : StreamType.Types) own.push_back(t.ID);
  }
  for (size_t i = own.size(); i-- > 0;)
    if (OtherPin->QueryStreamInterface(own[i]) == S_OK) {
      n.ID = own[i];
      return n;
    }
  auto* sink = dynamic_cast<TOWBasicSinkPin*>(OtherPin);
  TOWPinType type = OtherPin->GetPinType();
  if (!UseConverters || !sink || (type != TOWPinType::ptSink && type != TOWPinType::ptMultiSink)) return n;
  auto feeds = [&](TOWBasicPin* input) {
    for (const Guid& id : own)
      if (input->QueryStreamInterface(id) == S_OK) return true;
    return false;
  };
  if (Ref<TOWStateDispatcher> d = Dispatcher()) {
    std::vector<TOWStateDispatcher::Converter> convs = d->FormatConverters();
    for (size_t k = convs.size(); k-- > 0;) {
      TOWFormatConverter* c = convs[k].Instance->Instance();
      // A converter of the link serves this pin only when it can feed it.
      if (!feeds(c->InputPin())) continue;
      Guid t = NegotiateDataType(c->OutputPin(), sink, false, false).ID;
      if (!t.isNil() && sink->QueryStreamInterface(t) == S_OK) {
        n.Converter = convs[k].Instance;
        n.ID = t;
        return n;
      }
    }
  }
  const auto& reg = TypeConverterRegistry();
  for (size_t k = reg.size(); k-- > 0;)
    for (size_t i = own.size(); i-- > 0;)
      if (own[i] == reg[k].InputID && sink->QueryStreamInterface(reg[k].OutputID) == S_OK) {
        n.ID = reg[k].InputID;
        n.ConverterClass = reg[k].ConverterClass;
        n.ConverterOutputID = reg[k].OutputID;
        return n;
      }
  return n;
}

bool TOWPin::InternalCanConnectToState(const Ref<TOWStateDispatcher>& ADispatcher, bool UseConverters) {
  if (!ADispatcher) return false;
  if (Dispatcher() == ADispatcher) return true;
  for (auto& m : ADispatcher->Members())
    if (m.RealPin != this && !InternalCanConnectTo(m.RealPin, UseConverters)) return false;
  return true;
}

bool TOWPin::ConnectToStateAfter(const Ref<TOWStateDispatcher>& ADispatcher, TOWBasicPin* NotifyAfterPin) {
  Ref<TOWStateDispatcher> current = Dispatcher();
  if (current == ADispatcher) return false;
  // Refused: the pin keeps the link it has.
  if (ADispatcher && !CanConnectToState(ADispatcher)) return false;
  if (current) {
    Disconnect();      // a source pin drops its links to input pins too
    LeaveStateLink();  // a pin whose Disconnect keeps its state link leaves here
  }
  if (!ADispatcher) return false;
  ADispatcher->AddPinAfter(this, this, NotifyAfterPin);
  if (Dispatcher() != ADispatcher) return false;
  StateLinkChanged();
  BroadcastLinked(ADispatcher.get());
  BroadcastChanged();
  return true;
}

bool TOWPin::ConnectToStateName(const std::string& AName) {
  return ConnectToState(TOWStateDispatcher::GetByNameCreate(this, AName, IsDesignTime(true)));
}

bool TOWPin::ConnectByStateAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  auto* other = dynamic_cast<TOWPin*>(OtherPin);
  if (!other || other == this || !InternalCanConnectTo(OtherPin, true)) return false;
  // Only an input pin is reached through a converter.
  auto* sink = dynamic_cast<TOWSinkPin*>(OtherPin);
  TOWNegotiation via;
  if (sink) via = SelectStreamType(sink, true);
  bool converted = via.Converter || via.ConverterClass;
  auto join = [&](const Ref<TOWStateDispatcher>& d) {
    if (!converted) return other->ConnectToStateAfter(d, NotifyAfterPin);
    if (via.Converter) {
      TOWStateDispatcher::Converter known = d->FormatConverterOf(via.Converter->Instance()->InputPin());
      return sink->JoinStateThrough(d, via.Converter, known.FromID, known.ToID, NotifyAfterPin);
    }
    return sink->JoinStateThrough(d, via.ConverterClass(), via.ID, via.ConverterOutputID, NotifyAfterPin);
  };
  Ref<TOWStateDispatcher> mine = Dispatcher(), theirs = other->Dispatcher();
  if (mine && mine == theirs) return true;
  if (mine) return join(mine);
  if (theirs) return ConnectToStateAfter(theirs, nullptr);
  Ref<TOWStateDispatcher> d = CreateStateDispatcher(GetRoot());
  d->AddPin(this, this);
  BroadcastLinked(d.get());
  if (!join(d)) {
    LeaveStateLink();
    return false;
  }
  BroadcastChanged();
  return true;
}

void TOWPin::LeaveStateLink() {
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return;
  BroadcastUnlinked(d.get());
  for (auto& m : d->Members()) {
    if (m.RealPin == this) continue;
    DoDisconnectPin(m.RealPin);
    m.RealPin->DoDisconnectPin(this);
  }
  d->RemovePin(this);
  BroadcastChanged();
}

void TOWPin::DisconnectFrom(TOWBasicPin* OtherPin) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  auto* other = dynamic_cast<TOWPin*>(OtherPin);
  if (!d || !other || !d->IsConnectedTo(other)) return;
  // The other member leaves; this pin stays with the rest (a link left
  // with one member dissolves).
  other->LeaveStateLink();
}

TOWNotifyResult TOWPin::NotifyDispatcher(IOWNotifyOperation* Operation, TOWNotifyState State, TOWBasicPin* ATarget) {
  Ref<IOWNotifyOperation> keepOp(Operation);
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return {};
  // A converter input that feeds several members gets the operation once.
  std::vector<TOWPin*> targets;
  for (auto& m : d->Members())
    if (m.RealPin != this && (!ATarget || m.RealPin == ATarget) &&
        std::find(targets.begin(), targets.end(), m.ConnectionPin) == targets.end())
      targets.push_back(m.ConnectionPin);
  for (size_t i = 0; i < targets.size(); ++i) {
    TOWPin* to = targets[i];
    Guid id = SelectStreamType(to, false).ID;
    TOWSubmit submit = GetTypeSubmitFunction(id);
    if (!submit) continue;
    TOWNotifyState s = State;
    if (i + 1 == targets.size()) s += nsLastIteration;
    // A converter in the link stays while it works.
    Ref<IOWFormatConverter> conv;
    if (to->IsConverterPin()) conv = Ref<IOWFormatConverter>(dynamic_cast<TOWFormatConverter*>(to->Owner()));
    TOWDestroyUse use(*FDestroyLock->Instance());
    if (use.Granted()) submit(to, id, Operation, s);
  }
  return {};
}

void TOWPin::StateLinkChanged() {
  if (Ref<TOWStateDispatcher> d = Dispatcher()) d->StateLinkChanged(this);
}

// ---------------------------------------------------------------------------
// TOWStatePin

TOWStatePin::~TOWStatePin() { Disconnect(); }

int TOWStatePin::PinCount() {
  Ref<TOWStateDispatcher> d = Dispatcher();
  return d ? d->PinCount() : 0;
}

TOWBasicPin* TOWStatePin::GetPin(int Index) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  return d ? d->GetPin(Index) : nullptr;
}

bool TOWStatePin::ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  if (!OtherPin) {
    Disconnect();
    return true;
  }
  return TOWPin::ConnectAfter(OtherPin, NotifyAfterPin);
}

bool TOWStatePin::InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin || OtherPin == this || DesignMismatch(this, OtherPin)) return false;
  if (auto* src = dynamic_cast<TOWSourcePin*>(OtherPin)) return !src->SelectStreamType(this, UseConverters).ID.isNil();
  return !SelectStreamType(OtherPin, UseConverters).ID.isNil();
}

bool TOWStatePin::IsCompatible(TOWBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin) return true;
  if (OtherPin == this) return false;
  if (auto* state = dynamic_cast<TOWStatePin*>(OtherPin))
    return !SelectStreamType(state, UseConverters).ID.isNil() && !state->SelectStreamType(this, UseConverters).ID.isNil();
  if (dynamic_cast<TOWBasicSinkPin*>(OtherPin)) return !SelectStreamType(OtherPin, UseConverters).ID.isNil();
  if (auto* src = dynamic_cast<TOWSourcePin*>(OtherPin)) return !src->SelectStreamType(this, UseConverters).ID.isNil();
  return false;
}

std::string TOWStatePin::GetLinkDisplayName() { return ::tavrel::GetLinkDisplayName(this); }

}  // namespace tavrel
