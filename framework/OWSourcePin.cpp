// Output pins: links, negotiation at link time and the delivery of operations.
#include <algorithm>
#include <utility>

#include "framework/OWConverter.h"
#include "framework/OWPinNames.h"
#include "framework/OWPins.h"
#include "framework/OWStateDispatcher.h"
#include "platform/exceptions.h"

namespace tavrel {
namespace {

constexpr int32_t kMaxDeliveryDepth = 200;
constexpr int32_t kMaxAnnouncementDepth = 10;
constexpr int kStackLinks = 8;

// One link as a delivery sees it.
struct TOWNotifyPinEntry {
  TOWBasicPin* ConnectionPin = nullptr;
  TOWBasicPin* RealPin = nullptr;
  Guid ConnectedID;
  TOWSubmit SubmitFunction;
  uint64_t Serial = 0;
  Ref<IOWFormatConverter> Converter;  // keeps a converter in the link alive
};

// The snapshot of a delivery: on the stack up to kStackLinks links.
class Snapshot {
 public:
  void Fill(const TOWPinEntryList& list) {
    n_ = list.Count();
    if (n_ > kStackLinks) heap_.resize(size_t(n_));
    for (int i = 0; i < n_; ++i) {
      const TOWPinEntry* e = list.Items(i);
      TOWNotifyPinEntry& c = (*this)[i];
      c.ConnectionPin = e->ConnectionPin;
      c.RealPin = e->RealPin;
      c.ConnectedID = e->ConnectedID;
      c.SubmitFunction = e->SubmitFunction;
      c.Serial = e->Serial;
      if (e->ConnectionPin != e->RealPin) c.Converter = ConverterOfPin(e->ConnectionPin);
    }
  }
  int Count() const { return n_; }
  TOWNotifyPinEntry& operator[](int i) { return n_ > kStackLinks ? heap_[size_t(i)] : local_[size_t(i)]; }
  void DropConverters() {
    for (int i = 0; i < n_; ++i) (*this)[i].Converter = nullptr;
  }

 private:
  static Ref<IOWFormatConverter> ConverterOfPin(TOWBasicPin* pin) {
    auto* c = pin ? dynamic_cast<TOWFormatConverter*>(pin->Owner()) : nullptr;
    return c ? Ref<IOWFormatConverter>(c) : nullptr;
  }
  std::array<TOWNotifyPinEntry, kStackLinks> local_;
  std::vector<TOWNotifyPinEntry> heap_;
  int n_ = 0;
};

// The owner's locks given up by the calling thread; taken back input
// first, then output. Stack sections only.
class OwnerLocksGivenUp {
 public:
  OwnerLocksGivenUp(const Ref<IOWLock>& ownerLock, const Ref<IOWLock>& inputLock) {
    if (!ownerLock) return;
    if (inputLock) input_.emplace(inputLock, nullptr);
    output_.emplace(ownerLock, nullptr);
  }
  ~OwnerLocksGivenUp() { Restore(); }
  void Restore() {
    input_.reset();
    output_.reset();
  }
  OwnerLocksGivenUp(const OwnerLocksGivenUp&) = delete;
  OwnerLocksGivenUp& operator=(const OwnerLocksGivenUp&) = delete;

 private:
  std::optional<TOWSimpleUnlockSection> input_;
  std::optional<TOWSimpleUnlockSection> output_;
};

}  // namespace

TOWSourcePin::TOWSourcePin(TComponent* AOwner, int AMaxConnections)
    : TOWSourcePin(AOwner, nullptr, nullptr, AMaxConnections) {}

TOWSourcePin::TOWSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                           int AMaxConnections)
    : TOWStreamPin(AOwner, std::move(AOwnerLock), nullptr), FInputOwnerLock(std::move(AInputOwnerLock)) {
  WriteHold w(this);
  FMaxConnections = AMaxConnections;
}

TOWSourcePin::~TOWSourcePin() {
  {
    WriteHold w(this);
    auto d = FDestroyLock->DestroyLock();
    Disconnect();
  }
  // Converters go once no link of this pin passes through them.
  std::vector<Ref<IOWFormatConverter>> converters;
  {
    WriteHold w(this);
    converters.swap(FFormatConverters);
  }
}

int TOWSourcePin::SinkCount() {
  ReadHold r(this);
  return FSinkPins.Count();
}

TOWBasicPin* TOWSourcePin::GetSinkPin(int Index) {
  ReadHold r(this);
  return FSinkPins.Items(Index)->RealPin;
}

int TOWSourcePin::ConverterCount() {
  ReadHold r(this);
  return int(FFormatConverters.size());
}

int TOWSourcePin::ModificationLevel(TOWBasicPin* APin) {
  ReadHold r(this);
  TOWPinEntry* e = FSinkPins.GetItemByPin(APin);
  return e ? e->ModificationLevel : -1;
}

bool TOWSourcePin::CanNegotiateWith(TOWBasicSinkPin* ASinkPin, bool UseConverters) {
  return !NegotiateDataType(this, ASinkPin, UseConverters, true).ID.isNil();
}

// ---------------------------------------------------------------------------
// Making and removing links

bool TOWSourcePin::ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  if (OtherPin == this) return false;
  if (dynamic_cast<TOWUnloadedPin*>(OtherPin)) return DoConnectAfter(OtherPin, NotifyAfterPin);
  if (OtherPin && !CanConnectAfter(OtherPin, NotifyAfterPin, true)) return false;
  return DoConnectAfter(OtherPin, NotifyAfterPin);
}

bool TOWSourcePin::CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) {
  bool r = TOWPin::CanConnectAfter(OtherPin, NotifyAfterPin, UseConverters);
  if (r || OtherPin == NotifyAfterPin) return r;
  if (IsOwnerLoading() || FInEditor) return true;
  TOWBasicPin* after = nullptr;
  {
    ReadHold h(this);
    TOWPinEntry* e = FSinkPins.GetItemByPin(NotifyAfterPin);
    if (!e) return r;
    after = e->NotifyAfterPin;
  }
  // The after-pin is one of the links: the sink tests data types itself.
  if (!after) return true;
  if (after == NotifyAfterPin) return true;  // a self-referencing chain ends here
  return CanConnectAfter(OtherPin, after, UseConverters);
}

void TOWSourcePin::DropFirstLinkWhenFull(TOWBasicPin* OtherPin) {
  if (FMaxConnections > 0 && FSinkPins.Count() >= FMaxConnections && !HasSinkLink(OtherPin))
    DisconnectFrom(FSinkPins.Items(0)->RealPin);
}

bool TOWSourcePin::DoConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  if (dynamic_cast<TOWUnloadedPin*>(OtherPin)) return OtherPin->ConnectAfter(this, NotifyAfterPin);
  // A state pin makes a state link with this pin.
  if (dynamic_cast<TOWStatePin*>(OtherPin)) return OtherPin->ConnectAfter(this, NotifyAfterPin);
  if (!dynamic_cast<TOWBasicSinkPin*>(OtherPin)) return false;
  {
    WriteHold w(this);
    DropFirstLinkWhenFull(OtherPin);
  }
  return OtherPin->ConnectAfter(this, NotifyAfterPin);
}

void TOWSourcePin::AddSinkEntry(TOWBasicPin* ASinkPin, TOWBasicPin* ANotifyAfterPin) {
  auto* sink = dynamic_cast<TOWSinkPin*>(ASinkPin);
  WriteHold w(this);
  DropFirstLinkWhenFull(ASinkPin);
  TOWPinEntry* e = FSinkPins.Add();
  e->RealPin = ASinkPin;
  e->NotifyAfterPin = ANotifyAfterPin;
  e->Serial = FNextSerial++;
  TOWNegotiation n = NegotiateDataType(this, sink, true, true);
  e->ConnectedID = n.ID;
  Ref<IOWFormatConverter> conv = n.Converter;
  if (!conv && n.ConverterClass) {
    conv = n.ConverterClass();
    if (conv) FFormatConverters.push_back(conv);
  }
  if (conv) {
    TOWFormatConverter* c = conv->Instance();
    e->ConnectionPin = c->InputPin();
    // The converter's output makes its own link to the sink; the sink then
    // records that output as the pin delivering to it.
    c->OutputPin()->ConnectAfter(ASinkPin, ANotifyAfterPin);
    if (sink) {
      auto sw = sink->WriteLock();
      sink->FConnectionSourcePin = c->OutputPin();
    }
  } else {
    e->ConnectionPin = ASinkPin;
  }
  e->SubmitFunction = GetTypeSubmitFunction(e->ConnectedID);
  e->ModificationLevel = 0;
}

void TOWSourcePin::RemoveConnection(TOWBasicPin* APin, bool) {
  // Placeholders for links kept while a form is closed come with the pin
  // registries; here a link is simply removed.
  if (FInDisconnect) return;
  bool removed = false;
  std::vector<Ref<IOWFormatConverter>> dropped;
  {
    auto d = FDestroyLock->DestroyLock();
    WriteHold w(this);
    for (int i = FSinkPins.Count() - 1; i >= 0; --i) {
      TOWPinEntry* e = FSinkPins.Items(i);
      if (e->RealPin != APin) continue;
      if (e->ConnectionPin != e->RealPin) {
        for (size_t k = FFormatConverters.size(); k-- > 0;) {
          TOWSourcePin* out = FFormatConverters[k]->Instance()->OutputPin();
          out->RemoveConnection(APin, false);
          if (!out->IsConnected()) {
            dropped.push_back(std::move(FFormatConverters[k]));
            FFormatConverters.erase(FFormatConverters.begin() + long(k));
          }
        }
      }
      FSinkPins.Delete(i);
      removed = true;
      break;
    }
    for (int i = 0; i < FSinkPins.Count(); ++i)
      if (FSinkPins.Items(i)->NotifyAfterPin == APin) FSinkPins.Items(i)->NotifyAfterPin = nullptr;
  }
  dropped.clear();  // a converter goes with its last reference, outside the pin lock
  if (removed) {
    BroadcastChanged();
    APin->RemoveIfUnused();
  }
}

void TOWSourcePin::DropSinkLink(TOWBasicPin* APin) {
  if (!APin) return;
  bool keep = IsDesignTime(false) && IsDestroying();
  BroadcastUnlinked(APin);
  {
    bool old;
    {
      WriteHold w(this);
      old = std::exchange(FInDisconnect, true);
    }
    struct Restore {
      TOWSourcePin* pin;
      bool old;
      ~Restore() {
        WriteHold w(pin);
        pin->FInDisconnect = old;
      }
    } restore{this, old};
    RemoveConnection(APin, keep);
  }
  APin->RemoveConnection(this, keep);
  RemoveConnection(APin, false);
}

void TOWSourcePin::DisconnectFrom(TOWBasicPin* OtherPin) {
  // A member of this pin's state link leaves it (its hooks run there).
  if (!HasSinkLink(OtherPin)) return TOWPin::DisconnectFrom(OtherPin);
  DoDisconnect();
  DoDisconnectPin(OtherPin);
  // The sink's Disconnect takes this pin's destroy hold and write lock in
  // that order, once no delivery through this pin runs.
  OtherPin->Disconnect();
}

void TOWSourcePin::Disconnect() {
  DoDisconnect();
  for (;;) {
    TOWBasicPin* p;
    {
      ReadHold r(this);
      if (FSinkPins.Count() == 0) break;
      p = FSinkPins.Items(FSinkPins.Count() - 1)->RealPin;
    }
    DoDisconnectPin(p);
    p->DoDisconnect();
    p->Disconnect();
    // A sink that did not drop its link (not a TOWSinkPin) leaves it here.
    WriteHold w(this);
    TOWPinEntry* e = FSinkPins.GetItemByPin(p);
    if (e) FSinkPins.Remove(e);
  }
  LeaveStateLink();
}

void TOWSourcePin::RemovePinReferences(TOWBasicPin* APin) {
  if (auto* sink = dynamic_cast<TOWBasicSinkPin*>(APin)) {
    FFunctionSources.Remove(sink);
    FDataTypeSources.Remove(sink);
  }
  WriteHold w(this);
  for (int i = FSinkPins.Count() - 1; i >= 0; --i)
    if (FSinkPins.Items(i)->RealPin == APin) FSinkPins.Delete(i);
  for (int i = 0; i < FSinkPins.Count(); ++i)
    if (FSinkPins.Items(i)->NotifyAfterPin == APin) FSinkPins.Items(i)->NotifyAfterPin = nullptr;
}

void TOWSourcePin::ReplacePinReferences(TOWBasicPin* AOldPin, TOWBasicPin* ANewPin) {
  WriteHold w(this);
  for (int i = 0; i < FSinkPins.Count(); ++i)
    if (FSinkPins.Items(i)->NotifyAfterPin == AOldPin) FSinkPins.Items(i)->NotifyAfterPin = ANewPin;
}

// ---------------------------------------------------------------------------
// Questions

bool TOWSourcePin::InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) {
  if (!OtherPin) return false;
  if (!IsConverterPin() && DesignMismatch(this, OtherPin)) return false;
  if (TOWPin::InternalCanConnectTo(OtherPin, UseConverters)) return true;
  if (dynamic_cast<TOWBasicSinkPin*>(OtherPin) && OtherPin != this)
    return OtherPin->CanConnectTo(this, UseConverters);
  return false;
}

bool TOWSourcePin::IsCompatible(TOWBasicPin* OtherPin, bool UseConverters) {
  if (dynamic_cast<TOWBasicSinkPin*>(OtherPin)) return OtherPin->IsCompatible(this, UseConverters);
  if (dynamic_cast<TOWStatePin*>(OtherPin)) return !SelectStreamType(OtherPin, UseConverters).ID.isNil();
  return false;
}

bool TOWSourcePin::IsConnected() {
  {
    ReadHold r(this);
    if (FSinkPins.Count() > 0) return true;
  }
  return TOWPin::IsConnected();
}

bool TOWSourcePin::HasSinkLink(TOWBasicPin* APin) {
  ReadHold r(this);
  return APin && FSinkPins.GetItemByPin(APin) != nullptr;
}

bool TOWSourcePin::IsConnectedTo(TOWBasicPin* OtherPin) {
  return HasSinkLink(OtherPin) || TOWPin::IsConnectedTo(OtherPin);
}

bool TOWSourcePin::IsConnectedAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  {
    ReadHold r(this);
    for (int i = 0; i < FSinkPins.Count(); ++i)
      if (FSinkPins.Items(i)->RealPin == OtherPin && FSinkPins.Items(i)->NotifyAfterPin == NotifyAfterPin) return true;
  }
  return TOWPin::IsConnectedAfter(OtherPin, NotifyAfterPin);
}

bool TOWSourcePin::IsLinkedTo(const std::string& PinName) {
  std::vector<TOWBasicPin*> linked;
  {
    ReadHold r(this);
    for (int i = 0; i < FSinkPins.Count(); ++i) linked.push_back(FSinkPins.Items(i)->RealPin);
  }
  // Names are built without this pin's lock: they ask the linked pins.
  std::string root = GetRootName();
  for (TOWBasicPin* p : linked)
    if (p->GetFullName(true) == PinName || (p->GetRootName() == root && p->GetFullName(false) == PinName)) return true;
  return false;
}

void TOWSourcePin::SetAfterPinByName(TOWBasicPin* APin, const std::string& AName) {
  std::vector<TOWBasicPin*> linked;
  {
    ReadHold r(this);
    for (int i = 0; i < FSinkPins.Count(); ++i) linked.push_back(FSinkPins.Items(i)->RealPin);
  }
  TOWBasicPin* after = FirstPinNamed(linked, AName);
  if (!after) return;
  WriteHold w(this);
  if (TOWPinEntry* e = FSinkPins.GetItemByPin(APin)) e->NotifyAfterPin = after;
}

std::string TOWSourcePin::GetAfterPinDisplayName(TOWBasicPin* APin) {
  TOWBasicPin* after = GetAfterPin(APin);
  return after ? after->GetFullName(APin->GetRootName() != GetRootName()) : std::string();
}

bool TOWSourcePin::IsConnectedByConverterTo(TOWBasicPin* OtherPin) {
  ReadHold r(this);
  if (!FSinkPins.GetItemByPin(OtherPin)) return false;
  for (size_t k = FFormatConverters.size(); k-- > 0;)
    if (FFormatConverters[k]->Instance()->OutputPin()->IsConnectedTo(OtherPin)) return true;
  return false;
}

TOWBasicPin* TOWSourcePin::GetAfterPin(TOWBasicPin* APin) {
  ReadHold r(this);
  TOWPinEntry* e = FSinkPins.GetItemByPin(APin);
  return e ? e->NotifyAfterPin : nullptr;
}

bool TOWSourcePin::DirectDependsOn(TOWBasicPin* OtherPin) {
  ReadHold r(this);
  if (FInDependOn || !OtherPin) return false;
  FInDependOn = true;
  bool found = FFunctionSources.Contains(OtherPin);
  FInDependOn = false;
  return found;
}

bool TOWSourcePin::DependsOn(TOWBasicPin* OtherPin) {
  ReadHold r(this);
  if (FInDependOn || !OtherPin) return false;
  FInDependOn = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{FInDependOn};
  if (FFunctionSources.Contains(OtherPin)) return true;
  for (int i = 0; i < FFunctionSources.Count(); ++i)
    if (FFunctionSources.Items(i)->DependsOn(OtherPin)) return true;
  return false;
}

Guid TOWSourcePin::GetConnectionID(TOWBasicPin* OtherPin) {
  ReadHold r(this);
  TOWPinEntry* e = FSinkPins.GetItemByPin(OtherPin);
  return e ? e->ConnectedID : Guid{};
}

Guid TOWSourcePin::GetPrimaryConnectionID() {
  ReadHold r(this);
  return FSinkPins.Count() ? FSinkPins.Items(0)->ConnectedID : Guid{};
}

void TOWSourcePin::CollectDependencyChain(std::vector<std::vector<TOWBasicPin*>>& AChains, size_t AChain) {
  AChains[AChain].push_back(this);
  int n = FFunctionSources.Count();
  for (int k = 0; k < n; ++k) {
    size_t chain = AChain;
    if (k > 0) {
      AChains.emplace_back();
      chain = AChains.size() - 1;
    }
    TOWBasicSinkPin* s = FFunctionSources.Items(k);
    AChains[chain].push_back(s);
    if (auto* sink = dynamic_cast<TOWSinkPin*>(s))
      if (auto* up = dynamic_cast<TOWSourcePin*>(sink->ConnectionSourcePin())) up->CollectDependencyChain(AChains, chain);
  }
}

// ---------------------------------------------------------------------------
// Data-type dependencies

std::vector<TOWBasicSinkPin*> TOWSourcePin::LinkedInputs() {
  ReadHold r(this);
  std::vector<TOWBasicSinkPin*> v;
  for (int i = 0; i < FSinkPins.Count(); ++i)
    if (auto* s = dynamic_cast<TOWBasicSinkPin*>(FSinkPins.Items(i)->ConnectionPin)) v.push_back(s);
  return v;
}

void TOWSourcePin::CollectStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) {
  TOWPin::CollectStreamTypes(AList, ARequester);
  TOWTypeWalk walk(ARequester);
  walk.ForEach(FDataTypeSources.Pins(), [&](TOWBasicSinkPin* S) { S->CollectDependantTypes(AList, walk); });
}

void TOWSourcePin::CollectUpstreamStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) {
  TOWPin::CollectUpstreamStreamTypes(AList, ARequester);
  TOWTypeWalk walk(ARequester);
  walk.ForEach(FDataTypeSources.Pins(), [&](TOWBasicSinkPin* S) { S->CollectUpstreamDependantTypes(AList, walk); });
}

void TOWSourcePin::CollectDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::DependantTypes);
  if (!step.Entered()) return;
  if (std::vector<TOWBasicSinkPin*> sources = FDataTypeSources.Pins(); !sources.empty())
    return AWalk.ForEach(sources, [&](TOWBasicSinkPin* S) { S->CollectDependantTypes(AList, AWalk); });
  OrderByPreference(AList);
  KeepListedTypes(AList);
  AWalk.ForEach(LinkedInputs(), [&](TOWBasicSinkPin* L) { L->FilterDependantTypes(AList, AWalk); });
}

void TOWSourcePin::CollectUpstreamDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::UpstreamDependantTypes);
  if (!step.Entered()) return;
  if (std::vector<TOWBasicSinkPin*> sources = FDataTypeSources.Pins(); !sources.empty())
    return AWalk.ForEach(sources, [&](TOWBasicSinkPin* S) { S->CollectUpstreamDependantTypes(AList, AWalk); });
  KeepAcceptedTypes(AList);
  AWalk.ForEach(LinkedInputs(), [&](TOWBasicSinkPin* L) { L->FilterUpstreamDependantTypes(AList, AWalk); });
}

HRESULT TOWSourcePin::QueryStreamInterface(const Guid& IID) {
  if (!SupportsStreamInterface(IID)) return E_NOINTERFACE;
  return QueryInterfaceAsSource(IID);
}

HRESULT TOWSourcePin::QueryInterfaceAsSource(const Guid& IID) {
  TOWTypeWalk walk(this);
  return QueryInterfaceAsSource(IID, walk);
}

HRESULT TOWSourcePin::QueryInterfaceAsSource(const Guid& IID, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::SourceInterface);
  if (!step.Entered()) return S_OK;
  return AWalk.AskEach(FDataTypeSources.Pins(),
                       [&](TOWBasicSinkPin* S) { return S->QueryDependantSourceInterface(IID, AWalk); });
}

HRESULT TOWSourcePin::QuerySinkInterface(const Guid& IID, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::SinkInterface);
  if (!step.Entered()) return S_OK;
  if (std::vector<TOWBasicSinkPin*> sources = FDataTypeSources.Pins(); !sources.empty())
    return AWalk.AskEach(sources, [&](TOWBasicSinkPin* S) { return S->QueryDependantSinkInterface(IID, AWalk); });
  if (!ListsType(IID)) return E_NOINTERFACE;
  return AWalk.AskEach(LinkedInputs(), [&](TOWBasicSinkPin* L) { return L->QueryDependants(IID, AWalk); });
}

HRESULT TOWSourcePin::QueryUpstreamSourceInterface(const Guid& IID, TOWTypeWalk& AWalk) {
  TOWTypeWalk::Step step(AWalk, this, TOWTypeWalk::TStep::UpstreamSourceInterface);
  if (!step.Entered()) return S_OK;
  if (!SupportsStreamInterface(IID)) return E_NOINTERFACE;
  return AWalk.AskEach(LinkedInputs(), [&](TOWBasicSinkPin* L) { return L->QueryUpstreamDependants(IID, AWalk); });
}

// ---------------------------------------------------------------------------
// Delivery

TOWNotifyResult TOWSourcePin::NotifyPin(TOWBasicPin* APin, IOWNotifyOperation* Operation) {
  Ref<IOWNotifyOperation> keep(Operation);
  std::optional<OwnerLocksGivenUp> owner;
  owner.emplace(FOwnerLock, FInputOwnerLock);
  Snapshot snap;
  std::optional<ReadHold> read;
  read.emplace(this);
  std::optional<TOWDestroyUse> use;
  bool raised = false;

  // Runs on every exit: re-ordering, depth, converter references dropped
  // without pin holds, the pin lock, and last the owner locks (input
  // first). Taken back while this pin is still held, they would be asked
  // for in the order opposite to a thread that holds the owner and reads
  // this pin (a filter's input asking whether its output is linked): each
  // waits for the other until the lock's back-off gives way.
  struct Cleanup {
    TOWSourcePin* pin;
    std::optional<OwnerLocksGivenUp>& owner;
    Snapshot& snap;
    std::optional<ReadHold>& read;
    std::optional<TOWDestroyUse>& use;
    bool& raised;
    ~Cleanup() {
      {
        WriteHold w(pin);
        if (!pin->FInDisconnect) pin->ReorderSinkEntries();
        if (raised) --pin->FInSending;
      }
      {
        TOWSimpleUnlockSection free(pin->FIntLock, nullptr);
        snap.DropConverters();
      }
      use.reset();
      read.reset();
      owner.reset();
    }
  } cleanup{this, owner, snap, read, use, raised};

  snap.Fill(FSinkPins);
  // A converter input shared by several links gets the operation once.
  for (int i = snap.Count() - 1; i >= 0; --i) {
    TOWNotifyPinEntry& c = snap[i];
    if (!c.SubmitFunction || c.ConnectionPin == c.RealPin) continue;
    for (int j = 0; j < i; ++j)
      if (snap[j].ConnectionPin == c.ConnectionPin) {
        c.SubmitFunction = {};
        break;
      }
  }
  if (FInSending > kMaxDeliveryDepth) {
    read.reset();
    throw EOWException(kPinDependsOnItself);
  }
  ++FInSending;
  raised = true;

  int n = snap.Count();
  for (int i = 0; i < n; ++i) {
    TOWNotifyPinEntry& c = snap[i];
    if (APin && c.RealPin != APin) continue;
    TOWNotifyState state = i == n - 1 ? TOWNotifyState{nsLastIteration} : TOWNotifyState{};
    if (!c.SubmitFunction) continue;
    // A link removed since the snapshot receives nothing more.
    TOWPinEntry* live = FSinkPins.GetItemByPin(c.RealPin);
    if (!live || live->Serial != c.Serial) continue;
    use.reset();
    use.emplace(*FDestroyLock->Instance());
    if (!use->Granted()) continue;
    read.reset();
    TOWNotifyResult r;
    {
      struct Retake {
        TOWSourcePin* pin;
        std::optional<ReadHold>& read;
        ~Retake() { read.emplace(pin); }
      } retake{this, read};
      r = c.SubmitFunction(c.ConnectionPin, c.ConnectedID, Operation, state);
    }
    if (r.Contains(nrDataChanged)) {
      TOWPinEntry* e = FSinkPins.GetItemByPin(c.RealPin);
      if (e && e->Serial == c.Serial && e->ModificationLevel < 10000) e->ModificationLevel += 4;
    }
  }
  return {};
}

void TOWSourcePin::OrderSinkEntries(const std::vector<TOWBasicPin*>& AOrder) {
  WriteHold w(this);
  auto listed = [&](TOWBasicPin* p) { return std::find(AOrder.begin(), AOrder.end(), p) != AOrder.end(); };
  std::vector<int> places;
  for (int i = 0; i < FSinkPins.Count(); ++i)
    if (listed(FSinkPins.Items(i)->RealPin)) places.push_back(i);
  // Each place in turn takes the next listed pin still among the later places.
  size_t k = 0;
  for (TOWBasicPin* p : AOrder) {
    if (k == places.size()) break;
    for (size_t j = k; j < places.size(); ++j)
      if (FSinkPins.Items(places[j])->RealPin == p) {
        if (j != k) FSinkPins.Exchange(places[k], places[j]);
        ++k;
        break;
      }
  }
}

void TOWSourcePin::ReorderSinkEntries() {
  int n = FSinkPins.Count();
  for (int i = 0; i < n; ++i)
    if (FSinkPins.Items(i)->ModificationLevel > 0) --FSinkPins.Items(i)->ModificationLevel;
  if (n >= 2) {
    // The list's quicksort, unstable on purpose: equal levels take turns.
    auto level = [&](int i) { return FSinkPins.Items(i)->ModificationLevel; };
    auto sort = [&](auto& self, int L, int R) -> void {
      int I, J;
      do {
        I = L;
        J = R;
        int P = level((L + R) / 2);
        do {
          while (level(I) < P) ++I;
          while (level(J) > P) --J;
          if (I <= J) {
            if (I != J) FSinkPins.Exchange(I, J);
            ++I;
            --J;
          }
        } while (I <= J);
        if (L < J) self(self, L, J);
        L = I;
      } while (I < R);
    };
    sort(sort, 0, n - 1);
  }
  for (int i = 0; i < n; ++i) {
    TOWBasicPin* after = FSinkPins.Items(i)->NotifyAfterPin;
    if (!after) continue;
    for (int j = 0; j < n; ++j)
      if (FSinkPins.Items(j)->RealPin == after && j > i) {
        FSinkPins.Move(i, j);
        break;
      }
  }
}

// ---------------------------------------------------------------------------
// Link announcement and renegotiation

void TOWSourcePin::NotifyNewLink(TOWBasicPin* ASinkPin, TOWSubmit ASubmit) {
  if (!ASubmit) return;
  Guid id;
  {
    WriteHold w(this);
    if (FInSending > kMaxAnnouncementDepth) throw EOWException(kPinDependsOnItself);
    ++FInSending;
  }
  struct Lower {
    TOWSourcePin* pin;
    ~Lower() {
      WriteHold w(pin);
      --pin->FInSending;
    }
  } lower{this};
  {
    WriteHold w(this);
    id = NegotiateDataType(this, dynamic_cast<TOWBasicSinkPin*>(ASinkPin), true, false).ID;
  }
  {
    TOWSimpleUnlockSection pinFree(FIntLock, nullptr);
    TOWDestroyUse use(*FDestroyLock->Instance());
    if (use.Granted()) {
      OwnerLocksGivenUp owner(FOwnerLock, FInputOwnerLock);
      Ref<IOWNotifyOperation> op = MakeRef<TOWNotifyOperation>();
      ASubmit(ASinkPin, id, op.get(), {nsNewLink, nsLastIteration});
    }
  }
  BroadcastChanged();
}

void TOWSourcePin::NotifyNewLinkTo(TOWBasicPin* APin) {
  TOWSubmit submit;
  {
    WriteHold w(this);
    TOWPinEntry* e = FSinkPins.GetItemByPin(APin);
    if (!e) return;
    submit = e->SubmitFunction;
  }
  NotifyNewLink(APin, submit);
}

void TOWSourcePin::RenegotiateLinks(const Guid& ID) {
  WriteHold w(this);
  if (FDataTypeSources.Count() > 0) {
    for (int i = 0; i < FDataTypeSources.Count(); ++i) FDataTypeSources.Items(i)->RenegotiateLink(ID);
  } else {
    UpdateLinks(ID);
  }
}

void TOWSourcePin::UpdateLinks(const Guid& ID) {
  WriteHold w(this);
  for (int i = 0; i < FSinkPins.Count(); ++i) {
    RenegotiateEntry(i, ID);
    if (auto* s = dynamic_cast<TOWBasicSinkPin*>(FSinkPins.Items(i)->ConnectionPin)) s->UpdateConnectedID(ID);
  }
}

void TOWSourcePin::RenegotiateEntry(int Index, const Guid& ID) {
  WriteHold w(this);
  TOWPinEntry* e = FSinkPins.Items(Index);
  if (e->ConnectedID == ID) return;
  e->ConnectedID = NegotiateDataType(this, dynamic_cast<TOWBasicSinkPin*>(e->RealPin), true, false).ID;
  e->SubmitFunction = GetTypeSubmitFunction(e->ConnectedID);
  NotifyNewLink(e->RealPin, e->SubmitFunction);
}

}  // namespace tavrel
