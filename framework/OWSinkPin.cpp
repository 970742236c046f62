// Input pins: the side that makes every link, and upstream sending.
#include <algorithm>

#include "framework/OWConverter.h"
#include "framework/OWPinNames.h"
#include "framework/OWPins.h"
#include "framework/OWStateDispatcher.h"
#include "platform/exceptions.h"

namespace tavrel {
namespace {

void EraseFirst(std::vector<TOWSourcePin*>& v, const TOWBasicPin* p) {
  auto it = std::find(v.begin(), v.end(), p);
  if (it != v.end()) v.erase(it);
}

// A data type's display name; "" for none.
std::string TypeDisplayName(const Guid& ID) { return ID.isNil() ? std::string() : DataTypeIDToText(ID); }

}  // namespace

// ---------------------------------------------------------------------------
// TOWBasicSinkPin

bool TOWBasicSinkPin::IsUpstreamIgnored() {
  ReadHold r(this);
  return FIgnoreUpstream || StreamType.Count() == 0;
}

void TOWBasicSinkPin::AddFunctionDependant(TOWSourcePin* ASourcePin) {
  WriteHold w(this);
  FFunctionDependants.push_back(ASourcePin);
}

void TOWBasicSinkPin::RemoveFunctionDependant(TOWSourcePin* ASourcePin) {
  WriteHold w(this);
  EraseFirst(FFunctionDependants, ASourcePin);
}

void TOWBasicSinkPin::AddDataTypeDependant(TOWSourcePin* ASourcePin) {
  WriteHold w(this);
  FDataTypeDependants.push_back(ASourcePin);
}

void TOWBasicSinkPin::RemoveDataTypeDependant(TOWSourcePin* ASourcePin) {
  WriteHold w(this);
  EraseFirst(FDataTypeDependants, ASourcePin);
}

std::vector<TOWSourcePin*> TOWBasicSinkPin::DataTypeDependants() {
  ReadHold r(this);
  return FDataTypeDependants;
}

int TOWBasicSinkPin::FunctionDependantCount() {
  ReadHold r(this);
  return int(FFunctionDependants.size());
}

void TOWBasicSinkPin::ForgetDependants() {
  for (;;) {
    TOWSourcePin* d;
    {
      ReadHold r(this);
      if (!FFunctionDependants.empty())
        d = FFunctionDependants.back();
      else if (!FDataTypeDependants.empty())
        d = FDataTypeDependants.back();
      else
        break;
    }
    d->RemovePinReferences(this);
    // A dependant that kept the pin listed must not keep it here either.
    WriteHold w(this);
    EraseFirst(FFunctionDependants, d);
    EraseFirst(FDataTypeDependants, d);
  }
}

void TOWBasicSinkPin::FilterDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) {
  if (AWalk.Stops(this)) return;
  KeepAcceptedTypes(AList);
  AWalk.ForEach(DataTypeDependants(), [&](TOWSourcePin* D) { D->KeepListedTypes(AList); });
}

void TOWBasicSinkPin::FilterUpstreamDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) {
  if (IsUpstreamIgnored() || AWalk.Stops(this)) return;
  KeepListedTypes(AList);
  AWalk.ForEach(DataTypeDependants(), [&](TOWSourcePin* D) { D->KeepAcceptedTypes(AList); });
}

HRESULT TOWBasicSinkPin::QueryUpstreamDependants(const Guid& IID, TOWTypeWalk& AWalk) {
  if (AWalk.Stops(this)) return S_OK;
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::UpstreamDependants);
  if (!step.Entered()) return S_OK;
  if (!ListsType(IID)) return E_NOINTERFACE;
  return AWalk.AskEach(DataTypeDependants(),
                       [&](TOWSourcePin* D) { return D->QueryUpstreamSourceInterface(IID, AWalk); });
}

HRESULT TOWBasicSinkPin::QueryDependants(const Guid& IID, TOWTypeWalk& AWalk) {
  if (AWalk.Stops(this)) return S_OK;
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::Dependants);
  if (!step.Entered()) return S_OK;
  if (!SupportsStreamInterface(IID)) return E_NOINTERFACE;
  return AWalk.AskEach(DataTypeDependants(), [&](TOWSourcePin* D) { return D->QuerySinkInterface(IID, AWalk); });
}

bool TOWBasicSinkPin::CanAcceptFrom(TOWBasicPin* APin, bool UseConverters) {
  if (IsUpstreamIgnored()) return true;
  Guid t = NegotiateDataType(APin, this, UseConverters, false).ID;
  auto* self = dynamic_cast<TOWSinkPin*>(this);
  return self && !self->ResolveConnectedID(APin, t).isNil();
}

// ---------------------------------------------------------------------------
// TOWSinkPin

TOWSinkPin::~TOWSinkPin() {
  {
    auto d = FDestroyLock->DestroyLock();
    Disconnect();
  }
  ForgetDependants();
}

void TOWSinkPin::Assign(TPersistent* Source) {
  if (!Source) {
    Connect(nullptr);
  } else if (auto* other = dynamic_cast<TOWSinkPin*>(Source)) {
    Connect(other->SourcePin());
  } else {
    TOWBasicSinkPin::Assign(Source);
  }
}

TOWBasicPin* TOWSinkPin::SourcePin() {
  ReadHold r(this);
  return FIntRealSourcePin;
}

TOWBasicPin* TOWSinkPin::ConnectionSourcePin() {
  ReadHold r(this);
  return FConnectionSourcePin;
}

Ref<IOWFormatConverter> TOWSinkPin::FormatConverter() {
  ReadHold r(this);
  // In a link from a source, or in a state link that reaches this pin
  // through a converter (the converter's output is then the source too).
  if (!FConnectionSourcePin) return nullptr;
  auto* c = dynamic_cast<TOWFormatConverter*>(FConnectionSourcePin->Owner());
  return c ? Ref<IOWFormatConverter>(c) : nullptr;
}

Guid TOWSinkPin::UpStreamID() { return IsConnected() ? FConnectedID : Guid{}; }

Guid TOWSinkPin::DownStreamID() {
  Guid id = DeliveredID();
  if (!id.isNil()) return id;
  // What the pin delivering to this one would choose for it now.
  auto* from = dynamic_cast<TOWPin*>(ConnectionSourcePin());
  return from ? from->NegotiateStreamType(this) : Guid{};
}

Guid TOWSinkPin::DeliveredID() {
  if (TOWBasicPin* s = SourcePin()) return s->GetConnectionID(this);
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d || d->PinCount() < 2) return {};
  for (auto& m : d->Members())
    if (auto* state = dynamic_cast<TOWStatePin*>(static_cast<TOWBasicPin*>(m.RealPin)))
      return state->NegotiateStreamType(this);
  return {};
}

std::string TOWSinkPin::StateLinkTypeName() {
  Ref<TOWStateDispatcher> d = Dispatcher();
  std::vector<TOWStateDispatcher::Member> members = d ? d->Members() : std::vector<TOWStateDispatcher::Member>{};
  if (members.size() < 2) return {};
  return TypeDisplayName(NegotiateStreamType(members[0].RealPin == this ? members[1].RealPin : members[0].RealPin));
}

std::string TOWSinkPin::UpStreamLinkName() {
  if (!SourcePin()) return StateLinkTypeName();
  ReadHold r(this);
  return TypeDisplayName(FConnectedID);
}

std::string TOWSinkPin::DownStreamLinkName() {
  TOWBasicPin* s = SourcePin();
  return s ? TypeDisplayName(s->GetConnectionID(this)) : StateLinkTypeName();
}

std::string TOWSinkPin::GetSourceLinkName() {
  TOWBasicPin* s = SourcePin();
  if (!s || StoreStateConverter()) return {};
  return s->GetFullIdentName(s->GetRootName() != GetRootName());
}

bool TOWSinkPin::IsLinkedTo(const std::string& PinName) { return GetSourceLinkName() == PinName; }

bool TOWSinkPin::ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  if (OtherPin == this) return false;
  // The sink's section is given up around every call into another pin.
  std::optional<WriteHold> w;
  w.emplace(this);
  auto release = [&] { w.reset(); };
  auto retake = [&] { w.emplace(this); };

  if (OtherPin && OtherPin == FConnectionSourcePin) return true;
  if (OtherPin == FRealSourcePin) {
    if (!OtherPin) return true;
    // Asked without this pin's lock: a source takes its own lock first.
    release();
    bool same = OtherPin->GetAfterPin(this) == NotifyAfterPin;
    retake();
    if (same && OtherPin == FRealSourcePin) return true;
  }

  bool keep = IsDesignTime(false) && IsDestroying();
  if (!OtherPin) {
    TOWBasicPin* s = FRealSourcePin;
    if (s) {
      release();
      s->RemoveConnection(this, keep);
      retake();
      BroadcastUnlinked(s);
      ClearSource();
    }
    FSubmitFunction = {};
    FConnectedID = {};
    release();
    BroadcastChanged();
    if (s) s->RemoveIfUnused();
    return true;
  }

  if (auto* placeholder = dynamic_cast<TOWUnloadedPin*>(OtherPin)) {
    // The placeholder records the link and hands it over later.
    release();
    return placeholder->ConnectAfter(this, NotifyAfterPin);
  }
  if (dynamic_cast<TOWStatePin*>(OtherPin)) {
    // The state pin makes the state link (with a converter when the types differ).
    release();
    return OtherPin->Connect(this);
  }

  release();
  bool can = CanConnectTo(OtherPin, true);
  // A source link and a state link never both.
  if (can && HasStateDispatcher()) LeaveStateLink();
  retake();
  if (!can) return false;

  if (TOWBasicPin* s = FRealSourcePin) {
    release();
    s->RemoveConnection(this, keep);
    BroadcastUnlinked(s);
    s->RemoveIfUnused();
    retake();
    ClearSource();
    FSubmitFunction = {};
    FConnectedID = {};
  }

  auto* src = dynamic_cast<TOWSourcePin*>(OtherPin);
  if (!src) return false;  // placeholders come with the pin registries
  FConnectionSourcePin = FIntRealSourcePin = src;
  release();
  src->AddSinkEntry(this, NotifyAfterPin);
  retake();
  FRealSourcePin = FIntRealSourcePin = src;
  TOWBasicPin* upstream = FConnectionSourcePin;
  release();
  // Upstream traffic goes to the pin delivering here (the converter's
  // output when one sits in the link), so the type is agreed with it.
  Guid t = NegotiateDataType(upstream, this, true, false).ID;
  Guid id = ResolveConnectedID(upstream, t);
  TOWSubmit submit = GetTypeSubmitFunction(id);
  retake();
  FConnectedID = id;
  FSubmitFunction = submit;
  release();
  src->NotifyNewLinkTo(this);
  Guid t2 = NegotiateDataType(src, this, true, false).ID;
  RenegotiateLink(t2);
  AddSinkEntry(src, NotifyAfterPin);  // the sink's own hook, as its class defines it
  BroadcastLinked(OtherPin);
  BroadcastChanged();
  return true;
}

bool TOWSinkPin::CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) {
  if (!OtherPin) return true;
  return OtherPin->CanConnectAfter(this, NotifyAfterPin, UseConverters);
}

void TOWSinkPin::Disconnect() {
  DoDisconnect();
  TOWBasicPin* s = SourcePin();
  Ref<IOWDestroyLockSection> sourceDestroy;
  Ref<IOWLockSection> sourceWrite;
  if (s) {
    DoDisconnectPin(s);
    s->DoDisconnect();
    if (!s->IsConverterPin()) {
      // No delivery through the source runs past this point.
      sourceDestroy = s->DestroyLockObject().DestroyLock();
      sourceWrite = s->WriteLock();
    }
  }
  {
    Ref<IOWDestroyLockSection> ownDestroy = FDestroyLock->DestroyLock();
    Ref<IOWLockSection> stop = FIntLock->StopLock();
    Connect(nullptr);
  }
  sourceDestroy = nullptr;
  sourceWrite = nullptr;
  LeaveStateLink();
}

void TOWSinkPin::TakeUnloadedSource(TOWBasicPin* APlaceholder) {
  {
    WriteHold w(this);
    FConnectionSourcePin = nullptr;
    FRealSourcePin = FIntRealSourcePin = APlaceholder;
    FSubmitFunction = {};
    FConnectedID = {};
  }
  BroadcastLinked(APlaceholder);
  BroadcastChanged();
}

void TOWSinkPin::DisconnectFrom(TOWBasicPin* OtherPin) {
  if (OtherPin && OtherPin == SourcePin())
    Disconnect();
  else
    TOWPin::DisconnectFrom(OtherPin);
}

void TOWSinkPin::RemoveConnection(TOWBasicPin*, bool) {
  auto d = FDestroyLock->DestroyLock();
  WriteHold w(this);
  ClearSource();
}

void TOWSinkPin::RemovePinReferences(TOWBasicPin* APin) {
  bool wasSource;
  {
    WriteHold w(this);
    EraseFirst(FFunctionDependants, APin);
    EraseFirst(FDataTypeDependants, APin);
    wasSource = APin && APin == FRealSourcePin;
  }
  if (wasSource) Disconnect();
}

bool TOWSinkPin::InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin || OtherPin == this) return false;
  if (!IsConverterPin() && !OtherPin->IsConverterPin() && DesignMismatch(this, OtherPin)) return false;
  if (TOWPin::InternalCanConnectTo(OtherPin, UseConverters)) return true;
  if (!IsCompatible(OtherPin, UseConverters)) return false;
  // A source that already depends on this sink would close a loop.
  return !OtherPin->DependsOn(this);
}

bool TOWSinkPin::IsCompatible(TOWBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin) return true;
  if (auto* state = dynamic_cast<TOWStatePin*>(OtherPin)) return !state->SelectStreamType(this, UseConverters).ID.isNil();
  auto* src = dynamic_cast<TOWSourcePin*>(OtherPin);
  if (!src) return false;
  if (!src->CanNegotiateWith(this, UseConverters)) return false;
  return IgnoreUpstream() || CanAcceptFrom(src, UseConverters);
}

Guid TOWSinkPin::ResolveConnectedID(TOWBasicPin* ASource, const Guid& ACandidate) {
  if (!ASource) return {};
  // Only the source is asked, so no lock of this pin is held while it is.
  TOWPinTypeRestricted list;
  ASource->CollectUpstreamStreamTypes(list, this);
  Guid first;
  for (int i = list.Count() - 1; i >= 0; --i) {
    const Guid& id = list.GetID(i);
    if (ASource->QueryStreamInterface(id) != S_OK) continue;
    if (id == ACandidate) return id;
    if (first.isNil()) first = id;
  }
  return first;
}

HRESULT TOWSinkPin::QueryStreamInterface(const Guid& IID) {
  if (!SupportsStreamInterface(IID)) return E_NOINTERFACE;
  return QueryInterfaceAsSink(IID);
}

HRESULT TOWSinkPin::QueryInterfaceAsSink(const Guid& IID) {
  TOWTypeWalk walk(this);
  return QueryDependantSinkInterface(IID, walk);
}

HRESULT TOWSinkPin::QueryInterfaceAsSource(const Guid& IID) {
  TOWTypeWalk walk(this);
  return QueryDependantSourceInterface(IID, walk);
}

void TOWSinkPin::CollectStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) {
  TOWPin::CollectStreamTypes(AList, ARequester);
  TOWTypeWalk walk(ARequester);
  walk.ForEach(DataTypeDependants(), [&](TOWSourcePin* D) { D->KeepListedTypes(AList); });
}

void TOWSinkPin::CollectUpstreamStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) {
  TOWPin::CollectUpstreamStreamTypes(AList, ARequester);
  if (IsUpstreamIgnored()) return;
  TOWTypeWalk walk(ARequester);
  walk.ForEach(DataTypeDependants(), [&](TOWSourcePin* D) { D->KeepAcceptedTypes(AList); });
}

TOWSourcePin* TOWSinkPin::FeedingSource() {
  // The pin delivering here: its types are the ones that arrive (a
  // converter's output when one sits in the link).
  ReadHold r(this);
  return dynamic_cast<TOWSourcePin*>(FConnectionSourcePin);
}

// The walk started here asks through the dependants; reached from
// elsewhere it goes on up through the feeding source, or ends here.

void TOWSinkPin::CollectDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::DependantTypes);
  if (!step.Entered()) return;
  if (AWalk.Stops(this))
    return AWalk.ForEach(DataTypeDependants(), [&](TOWSourcePin* D) { D->KeepListedTypes(AList); });
  if (TOWSourcePin* S = FeedingSource()) {
    if (!AWalk.Stops(S)) S->CollectDependantTypes(AList, AWalk);
    return;
  }
  OrderByPreference(AList);
  FilterDependantTypes(AList, AWalk);
}

void TOWSinkPin::CollectUpstreamDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::UpstreamDependantTypes);
  if (!step.Entered()) return;
  if (AWalk.Stops(this))
    return AWalk.ForEach(DataTypeDependants(), [&](TOWSourcePin* D) { D->KeepAcceptedTypes(AList); });
  if (IsUpstreamIgnored()) return;
  if (TOWSourcePin* S = FeedingSource()) {
    if (!AWalk.Stops(S)) S->CollectUpstreamDependantTypes(AList, AWalk);
    return;
  }
  FilterUpstreamDependantTypes(AList, AWalk);
}

HRESULT TOWSinkPin::QueryDependantSourceInterface(const Guid& IID, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::SourceInterface);
  if (!step.Entered()) return S_OK;
  auto ask = [&](TOWSourcePin* D) { return D->QueryInterfaceAsSource(IID, AWalk); };
  if (AWalk.Stops(this)) return AWalk.AskEach(DataTypeDependants(), ask);
  if (TOWSourcePin* S = FeedingSource()) return AWalk.Stops(S) ? S_OK : ask(S);
  return QueryUpstreamDependants(IID, AWalk);
}

HRESULT TOWSinkPin::QueryDependantSinkInterface(const Guid& IID, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::SinkInterface);
  if (!step.Entered()) return S_OK;
  auto ask = [&](TOWSourcePin* D) { return D->QuerySinkInterface(IID, AWalk); };
  if (AWalk.Stops(this)) return AWalk.AskEach(DataTypeDependants(), ask);
  if (TOWSourcePin* S = FeedingSource()) return AWalk.Stops(S) ? S_OK : ask(S);
  return QueryDependants(IID, AWalk);
}

void TOWSinkPin::UpdateConnectedID(const Guid& ID) {
  TOWBasicPin* upstream = ConnectionSourcePin();
  Guid t = NegotiateDataType(upstream, this, true, false).ID;
  Guid id = ResolveConnectedID(upstream, t.isNil() ? ID : t);
  TOWSubmit submit = GetTypeSubmitFunction(id);
  WriteHold w(this);
  FConnectedID = id;
  FSubmitFunction = submit;
}

bool TOWSinkPin::IsConnected() {
  {
    ReadHold r(this);
    if (FIntRealSourcePin) return true;
  }
  return TOWPin::IsConnected();
}

bool TOWSinkPin::IsConnectedTo(TOWBasicPin* OtherPin) {
  {
    ReadHold r(this);
    if (OtherPin && OtherPin == FIntRealSourcePin) return true;
  }
  return TOWPin::IsConnectedTo(OtherPin);
}

bool TOWSinkPin::IsConnectedByConverterTo(TOWBasicPin* OtherPin) {
  ReadHold r(this);
  return OtherPin && OtherPin == FIntRealSourcePin && FConnectionSourcePin != FIntRealSourcePin;
}

TOWBasicPin* TOWSinkPin::GetAfterPin(TOWBasicPin* APin) {
  TOWBasicPin* s = SourcePin();
  return APin && APin == s ? s->GetAfterPin(this) : TOWPin::GetAfterPin(APin);
}

bool TOWSinkPin::DirectDependsOn(TOWBasicPin* OtherPin) {
  TOWBasicPin* s = SourcePin();
  return s && s->DirectDependsOn(OtherPin);
}

bool TOWSinkPin::DependsOn(TOWBasicPin* OtherPin) {
  TOWBasicPin* s = SourcePin();
  if (!s || !OtherPin) return false;
  return OtherPin == s || s->DependsOn(OtherPin);
}

TOWNotifyResult TOWSinkPin::Notify(IOWNotifyOperation* Operation) {
  Ref<IOWNotifyOperation> keep(Operation);
  std::optional<TOWSimpleReadLockSection> ownerHold;
  if (FOwnerLock) {
    ownerHold.emplace(FOwnerLock, nullptr);
    if (!ownerHold->Locked()) return {};  // the owner is being stopped
  }
  std::optional<ReadHold> own;
  own.emplace(this);
  if (!own->Locked()) return {};
  TOWBasicPin* target = FConnectionSourcePin;
  TOWSubmit submit = FSubmitFunction;
  Guid id = FConnectedID;
  if (!target || !submit) return {};
  Ref<IOWFormatConverter> conv;
  if (target->IsConverterPin()) conv = Ref<IOWFormatConverter>(dynamic_cast<TOWFormatConverter*>(target->Owner()));
  own.reset();
  TOWDestroyUse use(*FDestroyLock->Instance());
  if (!use.Granted()) return {};
  std::optional<TOWSimpleUnlockSection> ownerFree;
  if (FOwnerLock) ownerFree.emplace(FOwnerLock, nullptr);
  TOWNotifyResult r = submit(target, id, Operation, {nsLastIteration});
  ownerFree.reset();
  return r;
}

// ---------------------------------------------------------------------------
// The state link of an input pin

void TOWSinkPin::UnlinkSource() {
  if (SourcePin()) Connect(nullptr);
}

bool TOWSinkPin::InternalCanConnectToState(const Ref<TOWStateDispatcher>& ADispatcher, bool UseConverters) {
  if (!ADispatcher) return false;
  if (Dispatcher() == ADispatcher) return true;
  for (auto& m : ADispatcher->Members())
    if (!dynamic_cast<TOWBasicSinkPin*>(static_cast<TOWBasicPin*>(m.RealPin)) &&
        !InternalCanConnectTo(m.RealPin, UseConverters))
      return false;
  return true;
}

bool TOWSinkPin::ConnectToStateAfter(const Ref<TOWStateDispatcher>& ADispatcher, TOWBasicPin* NotifyAfterPin) {
  Ref<TOWStateDispatcher> current = Dispatcher();
  if (current == ADispatcher) return false;
  bool offered;
  {
    ReadHold r(this);
    offered = FInConnect;
  }
  if (offered) {
    // A member took the offer and links this pin.
    UnlinkSource();
    return TOWPin::ConnectToStateAfter(ADispatcher, NotifyAfterPin);
  }
  // Members that can state something; input pins only listen, so a link
  // of input pins alone has nobody to take this one. While stored links
  // are read, though, its speakers may still come (their components, or
  // their forms, are read later): it waits with the others.
  std::vector<TOWStateDispatcher::Member> members;
  if (ADispatcher) members = ADispatcher->Members();
  std::vector<TOWPin*> speakers;
  for (auto& m : members)
    if (!dynamic_cast<TOWBasicSinkPin*>(static_cast<TOWBasicPin*>(m.RealPin))) speakers.push_back(m.RealPin);
  bool waits = members.empty() || (speakers.empty() && IsReadingFormLinks());
  if (!waits && (speakers.empty() || !InternalCanConnectToState(ADispatcher, true))) return false;
  if (current) LeaveStateLink();
  if (!ADispatcher) return false;
  UnlinkSource();
  if (waits) {
    // Recorded: the pin waits in the link for a member that speaks.
    ADispatcher->AddPinAfter(this, this, NotifyAfterPin);
    BroadcastLinked(ADispatcher.get());
    BroadcastChanged();
    return false;
  }
  struct Offer {
    TOWSinkPin* pin;
    explicit Offer(TOWSinkPin* p) : pin(p) {
      WriteHold w(pin);
      pin->FInConnect = true;
    }
    ~Offer() {
      WriteHold w(pin);
      pin->FInConnect = false;
    }
  } offer(this);
  for (TOWPin* m : speakers)
    if (m->ConnectByStateAfter(this, NotifyAfterPin)) return true;
  return false;
}

void TOWSinkPin::LeaveStateLink() {
  Ref<TOWStateDispatcher> d = Dispatcher();
  if (!d) return;
  // The converter's link to this pin goes first, so the converter leaves
  // the link with nothing to feed.
  TOWBasicPin* s = ConnectionSourcePin();
  auto* conv = s ? dynamic_cast<TOWFormatConverter*>(s->Owner()) : nullptr;
  if (conv && d->FormatConverterOf(conv->InputPin()).Instance) Connect(nullptr);
  TOWPin::LeaveStateLink();
}

}  // namespace tavrel
