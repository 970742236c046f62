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
  {
    std::lock_guard hold(Dispatchers().section);
    auto& v = Dispatchers().List(FDesignTime);
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  --gAlive;
}

int TOWStateDispatcher::Alive() { return gAlive; }

Ref<TOWStateDispatcher> TOWStateDispatcher::CreateNamed(const std::string& AName, bool ADesignTime) {
  return Ref<TOWStateDispatcher>(new TOWStateDispatcher(AName, ADesignTime));
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

Ref<TOWStateDispatcher> TOWStateDispatcher::GetByNameCreate(const std::string& AName, bool ADesignTime) {
  if (Ref<TOWStateDispatcher> d = GetByName(AName, ADesignTime)) return d;
  return CreateNamed(AName, ADesignTime);
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
  std::vector<Ref<IOWFormatConverter>> released;  // go once no lock is held
  {
    auto w = WriteLock();
    auto it = std::find_if(FPins.begin(), FPins.end(), [&](const Member& m) { return m.RealPin == APin; });
    if (it == FPins.end()) return;
    Member gone = *it;
    FPins.erase(it);
    leaving.push_back(gone.RealPin);
    leaving.push_back(gone.ConnectionPin);
    // Whoever was served after the pin that left is now served after its after-pin.
    for (auto& m : FPins)
      if (m.AfterPin == APin) m.AfterPin = gone.AfterPin == m.RealPin ? nullptr : gone.AfterPin;
    if (FPins.size() == 1) {
      leaving.push_back(FPins[0].RealPin);
      leaving.push_back(FPins[0].ConnectionPin);
      FPins.clear();
    }
    // A converter that fed the member that left has nobody to feed.
    if (gone.ConnectionPin != gone.RealPin)
      for (auto c = FFormatConverters.begin(); c != FFormatConverters.end(); ++c)
        if (c->Instance->Instance()->InputPin() == gone.ConnectionPin) {
          released.push_back(std::move(c->Instance));
          FFormatConverters.erase(c);
          break;
        }
  }
  for (TOWPin* p : leaving) {
    Ref<TOWStateDispatcher> dropped;
    auto w = p->WriteLock();
    if (p->FDispatcher.get() == this) dropped = std::move(p->FDispatcher);
  }
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

bool TOWPin::ConnectToState(const Ref<TOWStateDispatcher>& ADispatcher, TOWBasicPin* NotifyAfterPin) {
  if (!ADispatcher) return false;
  if (Dispatcher() == ADispatcher) return true;
  if (HasStateDispatcher()) {
    Disconnect();
    LeaveStateLink();  // a pin whose Disconnect keeps it leaves here
  }
  ADispatcher->AddPinAfter(this, this, NotifyAfterPin);
  BroadcastChanged();
  StateLinkChanged();
  return true;
}

bool TOWPin::ConnectToStateName(const std::string& AName) {
  return ConnectToState(TOWStateDispatcher::GetByNameCreate(AName, IsDesignTime(true)));
}

void TOWPin::LeaveStateLink() {
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return;
  for (auto& m : d->Members()) {
    if (m.RealPin == this) continue;
    DoDisconnectPin(m.RealPin);
    m.RealPin->DoDisconnectPin(this);
  }
  d->RemovePin(this);
  BroadcastChanged();
}

TOWNotifyResult TOWPin::NotifyDispatcher(IOWNotifyOperation* Operation, TOWNotifyState State, TOWBasicPin* ATarget) {
  Ref<IOWNotifyOperation> keepOp(Operation);
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return {};
  std::vector<TOWPin*> targets;
  for (auto& m : d->Members())
    if (m.RealPin != this && (!ATarget || m.RealPin == ATarget)) targets.push_back(m.ConnectionPin);
  for (size_t i = 0; i < targets.size(); ++i) {
    TOWPin* to = targets[i];
    TOWPinTypeRestricted mine;
    CollectStreamTypes(mine, to);
    Guid id;
    for (int k = mine.Count() - 1; k >= 0 && id.isNil(); --k)
      if (to->QueryStreamInterface(mine.GetID(k)) == S_OK) id = mine.GetID(k);
    TOWSubmit submit = GetTypeSubmitFunction(id);
    if (!submit) continue;
    TOWNotifyState s = State;
    if (i + 1 == targets.size()) s += nsLastIteration;
    submit(to, id, Operation, s);
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

bool TOWStatePin::IsConnectedTo(TOWBasicPin* OtherPin) {
  Ref<TOWStateDispatcher> d = Dispatcher();
  return d && OtherPin != this && d->IsConnectedTo(OtherPin);
}

bool TOWStatePin::InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) {
  auto* other = dynamic_cast<TOWStatePin*>(OtherPin);
  if (!other || other == this) return false;
  if (DesignMismatch(this, other)) return false;
  return IsCompatible(other, UseConverters);
}

bool TOWStatePin::IsCompatible(TOWBasicPin* OtherPin, bool) {
  auto* other = dynamic_cast<TOWPin*>(OtherPin);
  if (!other || other == this) return false;
  // The two must share a data type.
  TOWPinTypeRestricted mine;
  CollectStreamTypes(mine, this);
  for (int i = 0; i < mine.Count(); ++i)
    if (other->QueryStreamInterface(mine.GetID(i)) == S_OK) return true;
  return false;
}

bool TOWStatePin::CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) {
  if (!CanConnectTo(OtherPin, UseConverters)) return false;
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!NotifyAfterPin) return true;
  return d && d->CanConnectAfter(OtherPin, NotifyAfterPin, UseConverters);
}

bool TOWStatePin::ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  if (!OtherPin) {
    Disconnect();
    return true;
  }
  auto* other = dynamic_cast<TOWStatePin*>(OtherPin);
  if (!other || !CanConnectTo(other, true)) return false;
  Ref<TOWStateDispatcher> mine = Dispatcher(), theirs = other->Dispatcher();
  if (mine && mine == theirs) return true;
  if (theirs) return ConnectToState(theirs, NotifyAfterPin);
  if (!mine) {
    mine = TOWStateDispatcher::Create(GetRoot());
    mine->AddPin(this, this);
  }
  return other->ConnectToState(mine, NotifyAfterPin);
}

std::string TOWStatePin::GetLinkDisplayName() { return ::tavrel::GetLinkDisplayName(this); }

}  // namespace tavrel
