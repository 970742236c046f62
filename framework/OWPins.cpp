#include "framework/OWPins.h"
#include "framework/OWStateDispatcher.h"

#include <algorithm>
#include <mutex>

#include "framework/OWConverter.h"
#include "framework/OWPinList.h"
#include "framework/OWPinNames.h"
#include "platform/classinfo.h"
#include "platform/exceptions.h"

namespace tavrel {

// ---------------------------------------------------------------------------
// Pin-event listeners

namespace {

struct PinListeners {
  std::mutex guard;
  std::vector<Ref<IOWPinListener>> list;
};

PinListeners& Listeners() {
  static PinListeners listeners;
  return listeners;
}

template <class F>
void Broadcast(F call, bool backward = false) {
  PinListeners& l = Listeners();
  std::lock_guard hold(l.guard);
  for (size_t n = l.list.size(), k = 0; k < n; ++k) {
    try {
      call(*l.list[backward ? n - 1 - k : k]);
    } catch (...) {
      // A tool's listener must not break the pin operation that reports to it.
    }
  }
}

}  // namespace

void BroadcastPinEvent(const std::function<void(IOWPinListener&)>& call, bool Backward) {
  Broadcast(call, Backward);
}

void AddPinListener(const Ref<IOWPinListener>& listener) {
  std::lock_guard hold(Listeners().guard);
  Listeners().list.push_back(listener);
}

void RemovePinListener(const Ref<IOWPinListener>& listener) {
  std::lock_guard hold(Listeners().guard);
  auto& l = Listeners().list;
  auto it = std::find(l.begin(), l.end(), listener);
  if (it != l.end()) l.erase(it);
}

// ---------------------------------------------------------------------------
// TOWBasicPin

const ClassInfo& TOWPinObject::Class() {
  static const ClassInfo ci = ClassBuilder<TOWPinObject>("TOWPinObject", TOWObject::Class()).build();
  return ci;
}
const ClassInfo& TOWBasicPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWBasicPin>("TOWBasicPin", TOWPinObject::Class()).build();
  return ci;
}
const ClassInfo& TOWPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWPin>("TOWPin", TOWBasicPin::Class()).build();
  return ci;
}
const ClassInfo& TOWStreamPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWStreamPin>("TOWStreamPin", TOWPin::Class()).build();
  return ci;
}
const ClassInfo& TOWSourcePin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWSourcePin>("TOWSourcePin", TOWStreamPin::Class()).build();
  return ci;
}
const ClassInfo& TOWBasicSinkPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWBasicSinkPin>("TOWBasicSinkPin", TOWStreamPin::Class()).build();
  return ci;
}
const ClassInfo& TOWSinkPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWSinkPin>("TOWSinkPin", TOWBasicSinkPin::Class()).build();
  return ci;
}

TOWBasicPin::TOWBasicPin(TComponent* AOwner, TObject* ACustomData)
    : FOwner(AOwner), FCustomData(ACustomData), FDestroyLock(MakeRef<TOWDestroyLock>(this)) {
  EnterPinRegistry(this);
  Broadcast([&](IOWPinListener& l) { l.PinCreated(this); });
}

TOWBasicPin::~TOWBasicPin() {
  ForgetPinInPinLists(this);
  LeavePinRegistry(this);
  // Links of a designed form that closes are kept as placeholders; tools
  // learn that the pin goes with its form.
  bool rootDestroying = FOwner && FOwner->HasState(csDesigning) && FOwner->HasState(csDestroying);
  Broadcast([&](IOWPinListener& l) { l.PinDestroying(this, rootDestroying); }, true);
  if (CurrentEditorPtr) *CurrentEditorPtr = nullptr;
}

void TOWBasicPin::SetOwnerComponent(TComponent* AComponent) {
  auto w = WriteLock();
  if (AComponent == FOwner) return;
  Broadcast([&](IOWPinListener& l) { l.PinDestroying(this, false); }, true);
  FOwner = AComponent;
  Broadcast([&](IOWPinListener& l) { l.PinCreated(this); });
}

void TOWBasicPin::BroadcastLinked(TOWPinObject* AOther) {
  Broadcast([&](IOWPinListener& l) { l.PinLinked(this, AOther); });
}
void TOWBasicPin::BroadcastUnlinked(TOWPinObject* AOther) {
  Broadcast([&](IOWPinListener& l) { l.PinUnlinked(this, AOther); }, true);
}
void TOWBasicPin::BroadcastChanged() {
  Broadcast([&](IOWPinListener& l) { l.PinChanged(this); }, true);
}

std::string TOWBasicPin::BuildName() {
  if (!FOverrideName.empty()) return FOverrideName;
  // The display name without root, less its owner segment.
  std::string name = GetFullName(false);
  size_t dot = name.find('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

void TOWBasicPin::SetOverrideName(const std::string& name) {
  auto w = WriteLock();
  FOverrideName = name;
}

void TOWBasicPin::UpdateNames() {
  auto w = WriteLock();
  FName = BuildName();
  FShortName = FName;
  if (FOwnerPinList) {
    // A list pin is short-named by its entry: Inputs.Left is Left.
    std::string list = FOwnerPinList->GetName();
    if (!list.empty() && FShortName.compare(0, list.size(), list) == 0) FShortName.erase(0, list.size() + 1);
  } else if (size_t dot = FShortName.rfind('.'); dot != std::string::npos) {
    FShortName.erase(0, dot + 1);
  }
  size_t pin = FShortName.find("Pin");
  if (pin != std::string::npos && pin + 3 == FShortName.size()) FShortName.erase(pin);
  if (FShortName == "Output")
    FShortName = "Out";
  else if (FShortName == "Input")
    FShortName = "In";
}

std::string TOWBasicPin::Name() {
  UpdateNames();
  auto r = ReadLock();
  return FName;
}

std::string TOWBasicPin::ShortName() {
  UpdateNames();
  auto r = ReadLock();
  return FShortName;
}

bool TOWBasicPin::IsDesignTime(bool) {
  auto r = ReadLock();
  return FOwner && FOwner->HasState(csDesigning);
}

bool TOWBasicPin::IsOwnerLoading() { return FOwner && FOwner->IsLoadingInChain(); }

bool TOWBasicPin::IsDestroying() { return FOwner && FOwner->HasState(csDestroying); }

bool TOWBasicPin::IsConverterPin() const { return dynamic_cast<TOWFormatConverter*>(FOwner) != nullptr; }

bool TOWBasicPin::CanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) {
  return InternalCanConnectTo(OtherPin, UseConverters);
}

bool TOWBasicPin::InternalCanConnectTo(TOWBasicPin*, bool) { return false; }

bool TOWBasicPin::CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) {
  // After-pins outside a source's own links belong to state links.
  return NotifyAfterPin ? false : CanConnectTo(OtherPin, UseConverters);
}

bool TOWBasicPin::SupportsStreamInterface(const Guid& IID) { return IID == IID_IOWStream; }

HRESULT TOWBasicPin::QueryStreamInterface(const Guid& IID) {
  return SupportsStreamInterface(IID) ? S_OK : E_NOINTERFACE;
}

bool DesignMismatch(TOWBasicPin* a, TOWBasicPin* b) {
  if (a->IsConverterPin() || b->IsConverterPin()) return false;
  return a->IsDesignTime(false) != b->IsDesignTime(false);
}

// ---------------------------------------------------------------------------
// TOWPin

TOWPin::TOWPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TObject* ACustomData)
    : TOWBasicPin(AOwner, ACustomData), FOwnerLock(std::move(AOwnerLock)) {}

TOWPin::~TOWPin() {
  LeaveStateLink();
  // Members of a link this pin left may still be served after it.
  TOWStateDispatcher::ForgetPin(this);
}

Ref<IOWLockSection> TOWPin::ReadLock() { return MakeRef<TOWSimpleReadLockSection>(FIntLock, FOwnerLock); }
Ref<IOWLockSection> TOWPin::WriteLock() { return MakeRef<TOWSimpleWriteLockSection>(FIntLock, FOwnerLock); }

int32_t TOWPin::InSending() {
  ReadHold r(this);
  return FInSending;
}

void TOWPin::AddType(const Guid& ID, TOWSubmit SubmitFunction) {
  WriteHold w(this);
  StreamType.AddType(ID, SubmitFunction);
}

TOWSubmit TOWPin::GetTypeSubmitFunction(const Guid& ID) {
  if (ID.isNil()) return {};
  ReadHold r(this);
  int i = StreamType.IndexOf(ID);
  if (i < 0) return {};
  TOWSubmit f = StreamType.GetSubmitFunc(i);
  return f ? f : TOWSubmit::Of<&TOWPin::DefaultNotifyDispatcher>(this);
}

TOWNotifyResult TOWPin::DefaultNotifyDispatcher(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                                IOWNotifyOperation* Operation, TOWNotifyState State) {
  // The registry is written only during start-up: no pin hold per delivery.
  TOWGlobalSubmit send = nullptr;
  for (auto& e : StreamTypeRegistry())
    if (e.ID == DataTypeID) {
      send = e.SendFunction;
      break;
    }
  return send ? send(this, Handler, DataTypeID, Operation, State) : TOWNotifyResult{};
}

bool TOWPin::SupportsStreamInterface(const Guid& IID) {
  // A pin implements the stream interfaces of the data types it lists.
  if (IID == IID_IOWStream) return true;
  ReadHold r(this);
  return StreamType.IndexOf(IID) >= 0;
}

bool TOWPin::ListsType(const Guid& ID) {
  ReadHold r(this);
  return StreamType.IndexOf(ID) >= 0;
}

void TOWPin::OrderByPreference(TOWPinTypeRestricted& AList) {
  if (AList.Ordered) return;
  ReadHold r(this);
  int front = 0;
  for (auto& own : StreamType.Types)
    for (int i = front; i < AList.Count(); ++i)
      if (AList.GetID(i) == own.ID) {
        AList.SwapPosition(i, front++);
        break;
      }
  AList.Ordered = true;
}

void TOWPin::KeepListedTypes(TOWPinTypeRestricted& AList) {
  for (int i = AList.Count() - 1; i >= 0; --i)
    if (!ListsType(AList.GetID(i))) AList.Types.erase(AList.Types.begin() + i);
}

void TOWPin::KeepAcceptedTypes(TOWPinTypeRestricted& AList) {
  for (int i = AList.Count() - 1; i >= 0; --i)
    if (QueryStreamInterface(AList.GetID(i)) != S_OK) AList.Types.erase(AList.Types.begin() + i);
}

void TOWPin::CollectStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin*) {
  ReadHold r(this);
  for (auto& t : StreamType.Types) AList.AddType(t.ID, t.SubmitFunction);
}

void TOWPin::CollectUpstreamStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) {
  TOWPin::CollectStreamTypes(AList, ARequester);
}

// ---------------------------------------------------------------------------
// The data-type walk

TOWTypeWalk::Step::Step(TOWTypeWalk& AWalk, const TOWBasicPin* APin, TStep AStep)
    : FWalk(AWalk), FPin(APin), FStep(AStep), FOuter(AWalk.FInside), FEntered(true) {
  for (const Step* s = FOuter; s; s = s->FOuter)
    if (s->FPin == APin && s->FStep == AStep) FEntered = false;
  if (FEntered) FWalk.FInside = this;
}

TOWTypeWalk::Step::~Step() {
  if (FEntered) FWalk.FInside = FOuter;
}

// ---------------------------------------------------------------------------
// Negotiation

TOWNegotiation::TOWNegotiation() = default;
TOWNegotiation::~TOWNegotiation() = default;
TOWNegotiation::TOWNegotiation(const TOWNegotiation&) = default;
TOWNegotiation& TOWNegotiation::operator=(const TOWNegotiation&) = default;

TOWNegotiation NegotiateDataType(TOWBasicPin* Source, TOWBasicSinkPin* Sink, bool UseConverters,
                                 bool UseRegisteredConverters) {
  TOWNegotiation n;
  if (!Source || !Sink) return n;
  auto hold = Source->ReadLock();
  TOWPinTypeRestricted candidates;
  Source->CollectStreamTypes(candidates, Source);
  for (int i = candidates.Count() - 1; i >= 0; --i)
    if (Sink->QueryStreamInterface(candidates.GetID(i)) == S_OK) {
      n.ID = candidates.GetID(i);
      return n;
    }
  if (!UseConverters) return n;
  if (auto* src = dynamic_cast<TOWSourcePin*>(Source)) {
    const auto& convs = src->FormatConvertersForNegotiation();
    for (size_t k = convs.size(); k-- > 0;) {
      TOWFormatConverter* c = convs[k]->Instance();
      Guid t = NegotiateDataType(c->OutputPin(), Sink, false, false).ID;
      if (!t.isNil() && Sink->QueryStreamInterface(t) == S_OK) {
        n.ID = NegotiateDataType(Source, c->InputPin(), false, false).ID;
        n.Converter = convs[k];
        return n;
      }
    }
  }
  if (!UseRegisteredConverters) return n;
  const auto& reg = TypeConverterRegistry();
  for (size_t k = reg.size(); k-- > 0;)
    for (int i = candidates.Count() - 1; i >= 0; --i)
      if (candidates.GetID(i) == reg[k].InputID && Sink->QueryStreamInterface(reg[k].OutputID) == S_OK) {
        n.ID = reg[k].InputID;
        n.ConverterClass = reg[k].ConverterClass;
        return n;
      }
  return n;
}

// ---------------------------------------------------------------------------
// Lists

TOWPinEntry* TOWPinEntryList::Add() {
  FList.push_back(std::make_unique<TOWPinEntry>());
  return FList.back().get();
}

int TOWPinEntryList::Remove(TOWPinEntry* Item) {
  for (size_t i = 0; i < FList.size(); ++i)
    if (FList[i].get() == Item) {
      FList.erase(FList.begin() + long(i));
      return int(i);
    }
  return -1;
}

TOWPinEntry* TOWPinEntryList::GetItemByPin(TOWBasicPin* APin) const {
  for (auto& e : FList)
    if (e->RealPin == APin) return e.get();
  return nullptr;
}

void TOWPinEntryList::Move(int From, int To) {
  auto item = std::move(FList[size_t(From)]);
  FList.erase(FList.begin() + From);
  FList.insert(FList.begin() + To, std::move(item));
}

int TOWSinkPinList::Count() {
  auto r = FOwner->ReadLock();
  return int(FList.size());
}

TOWBasicSinkPin* TOWSinkPinList::Items(int Index) {
  auto r = FOwner->ReadLock();
  return FList.at(size_t(Index));
}

std::vector<TOWBasicSinkPin*> TOWSinkPinList::Pins() {
  auto r = FOwner->ReadLock();
  return FList;
}

bool TOWSinkPinList::Contains(TOWBasicPin* APin) {
  auto r = FOwner->ReadLock();
  return std::find(FList.begin(), FList.end(), APin) != FList.end();
}

void TOWSinkPinList::Add(TOWBasicSinkPin* APin) {
  if (!APin) return;
  auto w = FOwner->WriteLock();
  FList.push_back(APin);
}

void TOWSinkPinList::Remove(TOWBasicSinkPin* APin) {
  auto w = FOwner->WriteLock();
  auto it = std::find(FList.begin(), FList.end(), APin);
  if (it != FList.end()) FList.erase(it);
}

TOWDependantSinkPinList::~TOWDependantSinkPinList() {
  for (auto* p : FList) (p->*FRemove)(FOwner);
}

void TOWDependantSinkPinList::Add(TOWBasicSinkPin* APin) {
  if (!APin) return;
  auto w = FOwner->WriteLock();
  TOWSinkPinList::Add(APin);
  (APin->*FAdd)(FOwner);
}

void TOWDependantSinkPinList::Remove(TOWBasicSinkPin* APin) {
  if (!APin) return;
  auto w = FOwner->WriteLock();
  if (!Contains(APin)) return;
  TOWSinkPinList::Remove(APin);
  (APin->*FRemove)(FOwner);
}

TOWFunctionSinkPinList::TOWFunctionSinkPinList(TOWSourcePin* AOwner)
    : TOWDependantSinkPinList(AOwner, &TOWBasicSinkPin::AddFunctionDependant,
                              &TOWBasicSinkPin::RemoveFunctionDependant) {}

TOWDataTypeSinkPinList::TOWDataTypeSinkPinList(TOWSourcePin* AOwner)
    : TOWDependantSinkPinList(AOwner, &TOWBasicSinkPin::AddDataTypeDependant,
                              &TOWBasicSinkPin::RemoveDataTypeDependant) {}

}  // namespace tavrel
