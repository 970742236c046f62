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

void TOWStateDispatcher::AddPinAfter(TOWStatePin* AConnectionPin, TOWStatePin* ARealPin, TOWBasicPin* NotifyAfterPin) {
  {
    auto w = WriteLock();
    for (auto& m : FPins)
      if (m.RealPin == AConnectionPin) return;
    FPins.push_back({AConnectionPin, ARealPin, NotifyAfterPin});
  }
  for (TOWStatePin* p : {AConnectionPin, ARealPin}) {
    auto w = p->WriteLock();
    p->FDispatcher = Ref<TOWStateDispatcher>(this);
  }
}

void TOWStateDispatcher::RemovePin(TOWBasicPin* APin) {
  Ref<TOWStateDispatcher> keep(this);  // goes after this call, not inside it
  std::vector<TOWStatePin*> leaving;
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
  }
  for (TOWStatePin* p : leaving) {
    Ref<TOWStateDispatcher> dropped;
    auto w = p->WriteLock();
    if (p->FDispatcher.get() == this) dropped = std::move(p->FDispatcher);
  }
}

void TOWStateDispatcher::DisconnectAll() {
  Ref<TOWStateDispatcher> keep(this);
  for (;;) {
    TOWStatePin* first;
    {
      auto r = ReadLock();
      if (FPins.empty()) return;
      first = FPins[0].RealPin;
    }
    first->Disconnect();
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

void TOWStateDispatcher::StateLinkChanged(TOWStatePin* APin) {
  Ref<TOWStateDispatcher> keep(this);
  std::vector<Member> members = Members();
  auto announce = [&](TOWStatePin* from) {
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
// TOWStatePin

TOWStatePin::~TOWStatePin() { Disconnect(); }

Ref<TOWStateDispatcher> TOWStatePin::Dispatcher() {
  auto r = ReadLock();
  return FDispatcher;
}

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

bool TOWStatePin::InternalCanConnectTo(TOWBasicPin* OtherPin, bool) {
  auto* other = dynamic_cast<TOWStatePin*>(OtherPin);
  if (!other || other == this) return false;
  if (DesignMismatch(this, other)) return false;
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

bool TOWStatePin::ConnectToState(const Ref<TOWStateDispatcher>& ADispatcher, TOWBasicPin* NotifyAfterPin) {
  if (!ADispatcher) return false;
  if (Dispatcher() == ADispatcher) return true;
  Disconnect();
  ADispatcher->AddPinAfter(this, this, NotifyAfterPin);
  BroadcastChanged();
  StateLinkChanged();
  return true;
}

bool TOWStatePin::ConnectToStateName(const std::string& AName) {
  return ConnectToState(TOWStateDispatcher::GetByNameCreate(AName, IsDesignTime(true)));
}

void TOWStatePin::Disconnect() {
  if (Ref<TOWStateDispatcher> d = Dispatcher()) {
    for (auto& m : d->Members()) {
      if (m.RealPin == this) continue;
      DoDisconnectPin(m.RealPin);
      m.RealPin->DoDisconnectPin(this);
    }
    d->RemovePin(this);
    BroadcastChanged();
  }
}

std::string TOWStatePin::GetLinkDisplayName() {
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d || d->PinCount() == 0) return "(Disconnected)";
  if (d->PinCount() != 2) return d->Name();
  TOWBasicPin* first = d->GetPin(0);
  TOWBasicPin* other = first->GetFullIdentName(true) == GetFullIdentName(true) ? d->GetPin(1) : first;
  return other->GetFullName(true);
}

TOWNotifyResult TOWStatePin::NotifyDispatcher(IOWNotifyOperation* Operation, TOWNotifyState State,
                                              TOWBasicPin* ATarget) {
  Ref<IOWNotifyOperation> keepOp(Operation);
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return {};
  std::vector<TOWStatePin*> targets;
  for (auto& m : d->Members())
    if (m.RealPin != this && (!ATarget || m.RealPin == ATarget)) targets.push_back(m.ConnectionPin);
  for (size_t i = 0; i < targets.size(); ++i) {
    TOWStatePin* to = targets[i];
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

void TOWStatePin::StateLinkChanged() {
  if (Ref<TOWStateDispatcher> d = Dispatcher()) d->StateLinkChanged(this);
}

}  // namespace tavrel
