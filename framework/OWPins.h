#pragma once
// Pins: the connection points of processing components, their links, the
// agreement on one data type per link (with a format converter placed in
// the link when the two pins share none) and the synchronous delivery of
// operations down the graph.
//
//   TOWSourcePin out(owner, outputLock, inputLock);   // owner's locks
//   TMySinkPin in(other);                               // AddType in its constructor
//   in.Connect(&out);          // or out.Connect(&in): the sink makes the link
//   out.Notify(op.get());      // every linked sink's submit function, in turn,
//                              // on this thread, nsLastIteration on the last
//
// Delivery gives up the calling thread's holds on the owner's input and
// output locks and holds no pin lock while a submit function runs; it takes
// the owner's locks back input first. It works on a snapshot of the links
// (on the stack for up to 8 links, so a delivery allocates nothing), checks
// that a link still exists before each call, and holds a use token of the
// pin during the call, so DisconnectFrom or the sink's destruction waits for
// the call and no call reaches a sink after its disconnect returned.
// After each delivery the links are re-ordered: levels decay by 1, a link
// that answered nrDataChanged gains 4, and an unstable quicksort by level
// makes links of equal level take turns; later code must not rely on the
// order of two equal links.
//
// A delivery nested more than 200 deep on one pin, or a link announcement
// more than 10 deep, raises EOWException; the depth counter, the pin lock
// and the owner locks are restored on every exit, also when a submit
// function raises.
//
// A pin class whose receiving code uses members of its own calls Disconnect()
// first in its destructor: a delivery running inside the pin then ends
// before those members go (the base destructors run too late for that).
//
// Upstream (a sink's Notify) goes to the pin that delivers to the sink: the
// source itself, or the output pin of the converter in the link, which
// passes it on upstream (TOWFormatConverter::ForwardUpstream).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/OWObject.h"
#include "framework/OWOperations.h"
#include "framework/OWTypes.h"
#include "platform/component.h"
#include "platform/filer.h"

namespace tavrel {

class TOWBasicPin;
class TOWPin;
class TOWSourcePin;
class TOWBasicSinkPin;
class TOWSinkPin;
class TOWFormatConverter;
class TOWStateDispatcher;
class TOWPinList;

inline constexpr const char* kPinDependsOnItself =
    "The pin depends on itself. Please protect with functional dependency.";

// A pin's kind; ptUnknown only for a pin class that names none.
enum class TOWPinType : uint8_t { ptSource, ptSink, ptMultiSink, ptState, ptDispatcher, ptUnknown };

class TOWPinObject;

// Hears pin events; the list is empty at run time (tools register). Each
// report is made to every listener, first registered first or, where
// marked backward, last registered first.
class IOWPinListener : public virtual RefCounted {
 public:
  virtual void PinCreated(TOWBasicPin*) {}
  // Backward. ARootDestroying: the pin goes with a designed form.
  virtual void PinDestroying(TOWBasicPin*, bool /*ARootDestroying*/) {}
  virtual void PinChanged(TOWBasicPin*) {}  // backward, after the change
  // AOther: the other pin, or the state dispatcher of a state link.
  virtual void PinLinked(TOWBasicPin*, TOWPinObject* /*AOther*/) {}
  virtual void PinUnlinked(TOWBasicPin*, TOWPinObject* /*AOther*/) {}  // backward, before
  virtual void PinListCreated(TOWPinList*) {}
  virtual void PinListDestroying(TOWPinList*) {}  // backward
  virtual void PinListChanged(TOWPinList*) {}
  virtual void PinListPinAdded(TOWPinList*, TOWBasicPin*, int /*Index*/) {}    // backward
  virtual void PinListPinRemoved(TOWPinList*, TOWBasicPin*, int /*Index*/) {}  // backward
  virtual void PinListPinsSwapped(TOWPinList*, TOWBasicPin*, int /*Index1*/, TOWBasicPin*, int /*Index2*/) {}  // backward
  virtual void DispatcherCreated(TOWStateDispatcher*) {}
  virtual void DispatcherDestroying(TOWStateDispatcher*, bool /*ARootDestroying*/) {}  // backward
  // A pin joined or left the state link.
  virtual void DispatcherChanged(TOWStateDispatcher*) {}
};
void AddPinListener(const Ref<IOWPinListener>& listener);
void RemovePinListener(const Ref<IOWPinListener>& listener);
// Calls one listener method on every listener, first registered first or,
// Backward, last registered first; listener exceptions are swallowed.
void BroadcastPinEvent(const std::function<void(IOWPinListener&)>& call, bool Backward = false);

// The result of negotiating a link.
struct TOWNegotiation {
  Guid ID;                                      // NIL: none
  TOWFormatConverterClass ConverterClass = nullptr;  // a converter to make
  Guid ConverterOutputID;                       // what a converter to make sends
  Ref<IOWFormatConverter> Converter;            // a converter to reuse

  // Out of line, where the converter interface is complete, so that this
  // header stands without it.
  TOWNegotiation();
  ~TOWNegotiation();
  TOWNegotiation(const TOWNegotiation&);
  TOWNegotiation& operator=(const TOWNegotiation&);
};

// Exactly one of the two pins belongs to a component being designed.
bool DesignMismatch(TOWBasicPin* a, TOWBasicPin* b);

TOWNegotiation NegotiateDataType(TOWBasicPin* Source, TOWBasicSinkPin* Sink, bool UseConverters,
                                 bool UseRegisteredConverters);

// One walk along the data-type dependencies (an output pin's
// DataTypeSources and an input pin's dependants), run for one pin, the
// requester. A step that reaches the requester stops there: it restricts
// nothing and objects to nothing. The walk goes up through a source and
// down that source's links again, so it can come back round to a step
// already running (two inputs one output follows do); such a step stops
// there too.
class TOWTypeWalk {
 public:
  enum class TStep : uint8_t {
    DependantTypes,
    UpstreamDependantTypes,
    SourceInterface,
    SinkInterface,
    UpstreamSourceInterface,
    Dependants,
    UpstreamDependants
  };
  explicit TOWTypeWalk(TOWBasicPin* ARequester) : FRequester(ARequester) {}
  TOWTypeWalk(const TOWTypeWalk&) = delete;
  TOWTypeWalk& operator=(const TOWTypeWalk&) = delete;
  TOWBasicPin* Requester() const { return FRequester; }
  bool Stops(const TOWBasicPin* APin) const { return APin == FRequester; }

  // One step of one pin while it runs; not entered when that step of that
  // pin is already running on this walk. Frames on the stack, no heap.
  class Step {
   public:
    Step(TOWTypeWalk& AWalk, const TOWBasicPin* APin, TStep AStep);
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    bool Entered() const { return FEntered; }

   private:
    friend class TOWTypeWalk;
    TOWTypeWalk& FWalk;
    const TOWBasicPin* FPin;
    TStep FStep;
    const Step* FOuter;
    bool FEntered;
  };

  // AAsk (pin) for each of APins the walk does not stop at, in order; the
  // first objection is the answer.
  template <class Pins, class Ask>
  HRESULT AskEach(const Pins& APins, Ask AAsk) const {
    for (auto* p : APins)
      if (!Stops(p))
        if (HRESULT r = AAsk(p); r != S_OK) return r;
    return S_OK;
  }
  template <class Pins, class Do>
  void ForEach(const Pins& APins, Do ADo) const {
    for (auto* p : APins)
      if (!Stops(p)) ADo(p);
  }

 private:
  TOWBasicPin* FRequester;
  const Step* FInside = nullptr;
};

class TOWPinObject : public TOWObject {
  TAVREL_CLASS_INFO
 public:
  // Reference maintenance: APin is going away or being replaced.
  virtual void RemovePinReferences(TOWBasicPin*) {}
  virtual void ReplacePinReferences(TOWBasicPin*, TOWBasicPin*) {}
  // The pin after which the link with APin is served, by name (an
  // editor's view of it); nothing and "" where links have no order.
  virtual void SetAfterPinByName(TOWBasicPin* /*APin*/, const std::string& /*AName*/) {}
  virtual std::string GetAfterPinDisplayName(TOWBasicPin* /*APin*/) { return {}; }
};

class TOWBasicPin : public TOWPinObject, public IOWStream {
  TAVREL_CLASS_INFO
 public:
  ~TOWBasicPin() override;
  TOWBasicPin* StreamPin() override { return this; }

  TComponent* Owner() const { return FOwner; }
  // The pin list of the owner that holds this pin as a named member.
  TOWPinList* OwnerPinList() const { return FOwnerPinList; }
  void SetOwnerPinList(TOWPinList* AList) { FOwnerPinList = AList; }
  // A new owner: reported as the pin going and coming again.
  virtual void SetOwnerComponent(TComponent* AComponent);
  TObject* CustomData() const { return FCustomData; }
  void SetCustomData(TObject* data) { FCustomData = data; }
  // An editor's pointer to this pin, cleared when the pin goes.
  TOWBasicPin** CurrentEditorPtr = nullptr;

  // Name: the override name when set; ShortName strips what follows the
  // last ".", a trailing "Pin", and shortens "Output"/"Input".
  std::string Name();
  std::string ShortName();
  void SetOverrideName(const std::string& name);

  // Full names (OWPinNames.cpp): root "." owner "." property path; the
  // root only when it differs from the owner. Identifier names spell
  // collection items Coll._Item<i>, display names Coll[i].
  virtual std::string GetFullName(bool IncludeRootForm);
  virtual std::string GetFullIdentName(bool IncludeRootForm);
  virtual TComponent* GetRoot();
  std::string GetRootName();   // first segment of the identifier name with root
  std::string GetSaveName();   // identifier path without the owner segment
  std::string GetOwnerName();
  // Takes over the links of the placeholders that stand for this pin.
  void AdoptUnloadedPin();

  virtual TOWPinType GetPinType() { return TOWPinType::ptUnknown; }
  virtual bool IsDesignTime(bool AEvenWhileLoading);
  bool IsOwnerLoading();
  bool IsDestroying();
  bool IsConverterPin() const;  // the owner is a format converter

  bool CanConnectTo(TOWBasicPin* OtherPin, bool UseConverters);
  virtual bool InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters);
  virtual bool CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters);
  bool Connect(TOWBasicPin* OtherPin) { return ConnectAfter(OtherPin, nullptr); }
  virtual bool ConnectAfter(TOWBasicPin*, TOWBasicPin*) { return false; }
  virtual void Disconnect() {}
  virtual void DisconnectFrom(TOWBasicPin*) {}
  virtual void DoDisconnect() {}
  virtual void DoDisconnectPin(TOWBasicPin*) {}
  virtual void RemoveConnection(TOWBasicPin*, bool /*AKeepUnloaded*/) {}
  virtual void AddSinkEntry(TOWBasicPin*, TOWBasicPin*) {}
  virtual void RemoveIfUnused() {}

  // An editor's link by name (OWPinNames.cpp).
  virtual bool ConnectByName(TComponent*, const std::string&) { return false; }

  virtual bool IsConnected() { return false; }
  virtual bool IsConnectedTo(TOWBasicPin*) { return false; }
  virtual bool IsConnectedAfter(TOWBasicPin*, TOWBasicPin*) { return false; }
  virtual bool IsConnectedByConverterTo(TOWBasicPin*) { return false; }
  // Whether the pin is linked to the pin of that full name (an editor's
  // question); see each pin class for which names count.
  virtual bool IsLinkedTo(const std::string&) { return false; }
  virtual int ConnectedPinCount() { return 0; }
  virtual TOWBasicPin* GetConnectedPin(int) { return nullptr; }
  virtual TOWBasicPin* GetAfterPin(TOWBasicPin*) { return nullptr; }
  TOWBasicPin* GetConnectedAfterPin(int Index) { return GetAfterPin(GetConnectedPin(Index)); }
  // The state link as a link of its own: 1 and the dispatcher (whatever
  // the index) for a pin in one, else 0 and null.
  virtual int ConnectedDispatcherCount() { return 0; }
  virtual Ref<TOWStateDispatcher> GetConnectedDispatcher(int Index);
  virtual bool DirectDependsOn(TOWBasicPin*) { return false; }
  virtual bool DependsOn(TOWBasicPin*) { return false; }
  virtual Guid GetConnectionID(TOWBasicPin*) { return {}; }

  // Acceptance: S_OK when the pin takes data type IID.
  virtual HRESULT QueryStreamInterface(const Guid& IID);
  // Whether the pin's class implements the stream interface IID.
  virtual bool SupportsStreamInterface(const Guid& IID);
  // The candidate data types of a sending pin for ARequester, and the same
  // walk upstream (what may come back to it), each restricted along the
  // data-type dependencies.
  virtual void CollectStreamTypes(TOWPinTypeRestricted&, TOWBasicPin* /*ARequester*/) {}
  virtual void CollectUpstreamStreamTypes(TOWPinTypeRestricted&, TOWBasicPin* /*ARequester*/) {}
  virtual bool IsCompatible(TOWBasicPin*, bool) { return false; }

  virtual TOWNotifyResult Notify(IOWNotifyOperation*) { return {}; }
  virtual TOWNotifyResult NotifyPin(TOWBasicPin*, IOWNotifyOperation*) { return {}; }

  TOWDestroyLock& DestroyLockObject() { return *FDestroyLock->Instance(); }

  // Pin-event broadcasts (listener exceptions swallowed); AOther is the
  // other pin or a state dispatcher.
  void BroadcastLinked(TOWPinObject* AOther);
  void BroadcastUnlinked(TOWPinObject* AOther);
  void BroadcastChanged();

 protected:
  TOWBasicPin(TComponent* AOwner, TObject* ACustomData);
  void UpdateNames();
  virtual std::string BuildName();

  TComponent* FOwner;
  TOWPinList* FOwnerPinList = nullptr;
  TObject* FCustomData;
  Ref<IOWDestroyLock> FDestroyLock;
  std::string FName, FShortName, FOverrideName;
};

class TOWPin : public TOWBasicPin {
  TAVREL_CLASS_INFO
 public:
  ~TOWPin() override;

  // Sections on the pin lock with the owner's lock as slave.
  Ref<IOWLockSection> ReadLock() override;
  Ref<IOWLockSection> WriteLock() override;
  const Ref<IOWLock>& OwnerLock() const { return FOwnerLock; }

  void AddType(const Guid& ID, TOWSubmit SubmitFunction = {});
  TOWSubmit GetTypeSubmitFunction(const Guid& ID);
  // The registered send function of DataTypeID, or a dropped delivery.
  TOWNotifyResult DefaultNotifyDispatcher(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                          IOWNotifyOperation* Operation, TOWNotifyState State);
  bool SupportsStreamInterface(const Guid& IID) override;
  // The pin's own data types, in its order.
  void CollectStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) override;
  void CollectUpstreamStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) override;
  virtual Guid GetPrimaryConnectionID() { return {}; }
  bool ListsType(const Guid& ID);  // among the pin's own data types
  // Puts AList into this pin's preference order (once per list).
  void OrderByPreference(TOWPinTypeRestricted& AList);
  // Removes the candidates this pin does not list (its own-types restriction).
  void KeepListedTypes(TOWPinTypeRestricted& AList);
  // Removes the candidates this pin does not accept (QueryStreamInterface).
  void KeepAcceptedTypes(TOWPinTypeRestricted& AList);

  int32_t InSending();  // nesting depth of deliveries, for tests

  // The state link (OWStateDispatcher.h): a named group whose members
  // hear each other's operations. A pin belongs to at most one.
  Ref<TOWStateDispatcher> Dispatcher();
  bool HasStateDispatcher();
  // Where a join makes a new link: a link named after AOwnerForm, or a
  // named one. A pin class may hand out a dispatcher class of its own.
  virtual Ref<TOWStateDispatcher> CreateStateDispatcher(TComponent* AOwnerForm);
  virtual Ref<TOWStateDispatcher> CreateNamedStateDispatcher(const std::string& AName, bool ADesignTime);
  // Questions on the state link; a member counts itself among the link's
  // pins, and a pin without a link is in the nil link.
  bool IsConnectedToState(const Ref<TOWStateDispatcher>& ADispatcher);
  bool IsConnectedByStateTo(TOWBasicPin* OtherPin);
  // OtherPin is a member served after NotifyAfterPin (nil: after none).
  bool IsConnectedByStateAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin);
  int ConnectedDispatcherCount() override { return HasStateDispatcher() ? 1 : 0; }
  Ref<TOWStateDispatcher> GetConnectedDispatcher(int Index) override;
  // Joins ADispatcher when every member accepts this pin (the acceptance
  // test runs first: a refused pin keeps the link it had); the current
  // link is left first. False for the link the pin is already in, for a
  // refusal and for nil (which only leaves the current link). An input
  // pin instead offers itself to the members (TOWSinkPin).
  bool ConnectToState(const Ref<TOWStateDispatcher>& ADispatcher, TOWBasicPin* NotifyAfterPin = nullptr) {
    return ConnectToStateAfter(ADispatcher, NotifyAfterPin);
  }
  virtual bool ConnectToStateAfter(const Ref<TOWStateDispatcher>& ADispatcher, TOWBasicPin* NotifyAfterPin);
  bool ConnectToStateName(const std::string& AName);
  // Every member of ADispatcher, in order, accepts a link with this pin
  // (InternalCanConnectTo); the current link of the pin always passes.
  virtual bool InternalCanConnectToState(const Ref<TOWStateDispatcher>& ADispatcher, bool UseConverters);
  bool CanConnectToState(const Ref<TOWStateDispatcher>& ADispatcher) {
    return InternalCanConnectToState(ADispatcher, true);
  }
  // A state link with OtherPin after the test InternalCanConnectTo:
  // OtherPin joins this pin's link, else this pin joins OtherPin's, else a
  // new link named after this pin's root takes both. An input pin whose
  // types differ is reached through a format converter placed in the link.
  bool ConnectByState(TOWBasicPin* OtherPin) { return ConnectByStateAfter(OtherPin, nullptr); }
  bool ConnectByStateAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin);
  // The data type this pin sends OtherPin over a state link: its own
  // types, last added first; then, for an input pin and UseConverters, a
  // converter already in the pin's state link, then a registered one (the
  // ID is then the converter's input type). NIL when none fits.
  TOWNegotiation SelectStreamType(TOWBasicPin* OtherPin, bool UseConverters);
  Guid NegotiateStreamType(TOWBasicPin* OtherPin) { return SelectStreamType(OtherPin, true).ID; }
  // The state part of Disconnect: every other member is told, then the
  // pin leaves (a link left with one member dissolves).
  virtual void LeaveStateLink();
  // A state-link member OtherPin leaves this pin's link.
  void DisconnectFrom(TOWBasicPin* OtherPin) override;
  // Links to OtherPin by state (state pins, sources and sinks with a state pin).
  bool ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override;
  bool CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) override;
  // Pins of a designed and of a running component never link; a state pin
  // is linked by data type (SelectStreamType); a placeholder accepts.
  bool InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) override;
  bool IsConnected() override { return HasStateDispatcher(); }
  bool IsConnectedTo(TOWBasicPin* OtherPin) override;
  bool IsConnectedAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override {
    return IsConnectedByStateAfter(OtherPin, NotifyAfterPin);
  }
  // A member of the state link (the pin itself too) has PinName as its
  // full display name with root.
  bool IsLinkedTo(const std::string& PinName) override;
  // The state link's after-pin of member APin.
  TOWBasicPin* GetAfterPin(TOWBasicPin* APin) override;
  // To every other member (or only the one whose pin is ATarget), in
  // joining order, nsLastIteration on the last.
  TOWNotifyResult NotifyDispatcher(IOWNotifyOperation* Operation, TOWNotifyState State, TOWBasicPin* ATarget);
  void StateLinkChanged();

  // Form data of links (OWPinStreaming.cpp): "Form" and "State", then the
  // class's own.
  void DefineProperties(TFiler& Filer) override;
  void ReadStateValue(TReader& Reader);
  void WriteStateValue(TWriter& Writer);
  virtual bool StoreStateConverter() { return false; }
  const std::string& LoadFormName() const { return FLoadFormName; }
  // A name stored under the root name read from "Form" follows this
  // pin's current root.
  std::string ReRootName(const std::string& AName);

 protected:
  TOWPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TObject* ACustomData);
  // Stack sections (no heap): the pin lock with the owner's lock as slave.
  struct ReadHold : TOWSimpleReadLockSection {
    explicit ReadHold(TOWPin* p) : TOWSimpleReadLockSection(p->FIntLock, p->FOwnerLock) {}
  };
  struct WriteHold : TOWSimpleWriteLockSection {
    explicit WriteHold(TOWPin* p) : TOWSimpleWriteLockSection(p->FIntLock, p->FOwnerLock) {}
  };

  Ref<IOWLock> FOwnerLock;
  TOWPinStreamType StreamType;
  int32_t FInSending = 0;
  std::string FLoadFormName;

 private:
  friend class TOWStateDispatcher;
  Ref<TOWStateDispatcher> FDispatcher;
};

class TOWStreamPin : public TOWPin {
  TAVREL_CLASS_INFO
 public:
  // The dependency part of the acceptance test: S_OK when no pin whose
  // data type follows this one objects to data type IID.
  virtual HRESULT QueryInterfaceAsSink(const Guid&) { return S_OK; }
  virtual HRESULT QueryInterfaceAsSource(const Guid&) { return S_OK; }

 protected:
  using TOWPin::TOWPin;
};

// A link of a source pin.
struct TOWPinEntry {
  TOWBasicPin* ConnectionPin = nullptr;  // the sink, or the converter's input
  TOWBasicPin* RealPin = nullptr;        // the sink as linked
  TOWBasicPin* NotifyAfterPin = nullptr;
  Guid ConnectedID;
  TOWSubmit SubmitFunction;
  int32_t ModificationLevel = 0;
  uint64_t Serial = 0;  // tells a link from a later one to the same pin
};

// A source pin's links, owning the records.
class TOWPinEntryList {
 public:
  TOWPinEntry* Add();
  int Remove(TOWPinEntry* Item);
  void Delete(int Index) { FList.erase(FList.begin() + Index); }
  void Clear() { FList.clear(); }
  int Count() const { return int(FList.size()); }
  TOWPinEntry* Items(int Index) const { return FList[size_t(Index)].get(); }
  TOWPinEntry* GetItemByPin(TOWBasicPin* APin) const;
  void Exchange(int I, int J) { std::swap(FList[size_t(I)], FList[size_t(J)]); }
  void Move(int From, int To);

 private:
  std::vector<std::unique_ptr<TOWPinEntry>> FList;
};

// Sinks listed by a source pin; guarded by the source pin's lock.
class TOWSinkPinList {
 public:
  explicit TOWSinkPinList(TOWSourcePin* AOwner) : FOwner(AOwner) {}
  virtual ~TOWSinkPinList() = default;
  int Count();
  TOWBasicSinkPin* Items(int Index);
  std::vector<TOWBasicSinkPin*> Pins();  // a copy, to walk without the owner's lock
  bool Contains(TOWBasicPin* APin);
  virtual void Add(TOWBasicSinkPin* APin);
  virtual void Remove(TOWBasicSinkPin* APin);

 protected:
  std::vector<TOWBasicSinkPin*> FList;
  TOWSourcePin* FOwner;
};

// A sink list that also registers its owner among each listed sink's
// dependants (source lock before sink lock).
class TOWDependantSinkPinList : public TOWSinkPinList {
 public:
  using Registration = void (TOWBasicSinkPin::*)(TOWSourcePin*);
  ~TOWDependantSinkPinList() override;
  void Add(TOWBasicSinkPin* APin) override;
  void Remove(TOWBasicSinkPin* APin) override;

 protected:
  TOWDependantSinkPinList(TOWSourcePin* AOwner, Registration AAdd, Registration ARemove)
      : TOWSinkPinList(AOwner), FAdd(AAdd), FRemove(ARemove) {}

 private:
  Registration FAdd, FRemove;
};

// FunctionSources: the sinks whose operations the owner's operations follow.
class TOWFunctionSinkPinList : public TOWDependantSinkPinList {
 public:
  explicit TOWFunctionSinkPinList(TOWSourcePin* AOwner);
};

// DataTypeSources: the sinks whose data types the owner's data types follow.
class TOWDataTypeSinkPinList : public TOWDependantSinkPinList {
 public:
  explicit TOWDataTypeSinkPinList(TOWSourcePin* AOwner);
};

class TOWSourcePin : public TOWStreamPin {
  TAVREL_CLASS_INFO
 public:
  TOWSourcePin(TComponent* AOwner, int AMaxConnections = 0);
  // With the owner's output lock and, for a processing component, its input lock.
  TOWSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock, int AMaxConnections = 0);
  ~TOWSourcePin() override;

  TOWPinType GetPinType() override { return TOWPinType::ptSource; }
  int SinkCount();
  TOWBasicPin* GetSinkPin(int Index);
  int ConverterCount();
  TOWFunctionSinkPinList& FunctionSources() { return FFunctionSources; }
  TOWDataTypeSinkPinList& DataTypeSources() { return FDataTypeSources; }
  void SetInEditor(bool Value) { FInEditor = Value; }
  int ModificationLevel(TOWBasicPin* APin);  // of APin's link; -1 without

  bool CanNegotiateWith(TOWBasicSinkPin* ASinkPin, bool UseConverters);
  void NotifyNewLink(TOWBasicPin* ASinkPin, TOWSubmit ASubmit);
  void NotifyNewLinkTo(TOWBasicPin* APin);

  bool ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override;
  bool CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) override;
  virtual bool DoConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin);
  void AddSinkEntry(TOWBasicPin* ASinkPin, TOWBasicPin* ANotifyAfterPin) override;
  void RemoveConnection(TOWBasicPin* APin, bool AKeepUnloaded) override;
  // Drops the link to APin at both ends: PinUnlinked, this pin's own
  // RemoveConnection (which a subclass sees first; the base does nothing
  // then), APin's side, then the entry and any converter in the link.
  void DropSinkLink(TOWBasicPin* APin);
  void Disconnect() override;
  void DisconnectFrom(TOWBasicPin* OtherPin) override;
  void RemovePinReferences(TOWBasicPin* APin) override;
  void ReplacePinReferences(TOWBasicPin* AOldPin, TOWBasicPin* ANewPin) override;

  bool InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) override;
  bool IsCompatible(TOWBasicPin* OtherPin, bool UseConverters) override;
  bool IsConnected() override;
  bool IsConnectedTo(TOWBasicPin* OtherPin) override;
  // A link of its own after NotifyAfterPin, else the state-link answer.
  bool IsConnectedAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override;
  bool IsConnectedByConverterTo(TOWBasicPin* OtherPin) override;
  // A linked input pin named PinName with root, or without root when it
  // shares this pin's root.
  bool IsLinkedTo(const std::string& PinName) override;
  int ConnectedPinCount() override { return SinkCount(); }
  TOWBasicPin* GetConnectedPin(int Index) override { return GetSinkPin(Index); }
  TOWBasicPin* GetAfterPin(TOWBasicPin* APin) override;
  // The link to APin is served after the linked pin named AName (full
  // display name without or with root); nothing when none is so named.
  void SetAfterPinByName(TOWBasicPin* APin, const std::string& AName) override;
  // The full display name of APin's after-pin, with root when APin's root
  // differs from this pin's; "" without one.
  std::string GetAfterPinDisplayName(TOWBasicPin* APin) override;
  bool DirectDependsOn(TOWBasicPin* OtherPin) override;
  bool DependsOn(TOWBasicPin* OtherPin) override;
  Guid GetConnectionID(TOWBasicPin* OtherPin) override;
  Guid GetPrimaryConnectionID() override;
  // Dependency chains: every branch point starts a new chain.
  virtual void CollectDependencyChain(std::vector<std::vector<TOWBasicPin*>>& AChains, size_t AChain);

  TOWNotifyResult Notify(IOWNotifyOperation* Operation) override { return NotifyPin(nullptr, Operation); }
  TOWNotifyResult NotifyPin(TOWBasicPin* APin, IOWNotifyOperation* Operation) override;

  // Renegotiation when a sink's data type changed.
  void RenegotiateLinks(const Guid& ID);
  void UpdateLinks(const Guid& ID);
  void RenegotiateEntry(int Index, const Guid& ID);

  const std::vector<Ref<IOWFormatConverter>>& FormatConvertersForNegotiation() const { return FFormatConverters; }

  // The first candidate (OWPinNames.h) named AName; "" unlinks.
  bool ConnectByName(TComponent* ARoot, const std::string& AName) override;

  void DefineProperties(TFiler& Filer) override;  // "SinkPins"
  void ReadSinkPins(TReader& Reader);
  void WriteSinkPins(TWriter& Writer);
  // Puts the links to the pins of AOrder into that order, in the places
  // those links hold now; other links stay where they are. Reading keeps
  // the stored order with it, whichever end of a link was read first.
  void OrderSinkEntries(const std::vector<TOWBasicPin*>& AOrder);

  // Data-type dependencies: the own types restricted by what the data-type
  // sources receive (CollectStreamTypes) or accept back
  // (CollectUpstreamStreamTypes), and the acceptance test that asks them.
  void CollectStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) override;
  void CollectUpstreamStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) override;
  HRESULT QueryStreamInterface(const Guid& IID) override;
  HRESULT QueryInterfaceAsSource(const Guid& IID) override;

  // This pin's steps of a walk that reached it (TOWBasicSinkPin has the
  // input pins' side). The types originate here unless the pin has
  // data-type sources, through which the walk then goes on upstream.
  // Dependant types: ordered by this pin, less what it does not list and
  // what its linked input pins do not accept.
  void CollectDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk);
  // The same upstream: less what it does not accept and what its linked
  // input pins do not list.
  void CollectUpstreamDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk);
  // Source-interface question: the data-type sources can take IID back.
  HRESULT QueryInterfaceAsSource(const Guid& IID, TOWTypeWalk& AWalk);
  // Sink-interface question: IID can come down here: through the data-type
  // sources, or, where the types originate, the pin lists IID and every
  // linked input pin takes it and its dependants pass it on.
  HRESULT QuerySinkInterface(const Guid& IID, TOWTypeWalk& AWalk);
  // Upstream source-interface question: the pin implements IID and every
  // linked input pin lists it and its dependants pass it on.
  HRESULT QueryUpstreamSourceInterface(const Guid& IID, TOWTypeWalk& AWalk);

 protected:
  bool HasSinkLink(TOWBasicPin* APin);  // a link of this pin's own, not a state link
  // The input pins this pin delivers to (a converter's input in its place).
  std::vector<TOWBasicSinkPin*> LinkedInputs();
  void ReorderSinkEntries();
  void DropFirstLinkWhenFull(TOWBasicPin* OtherPin);

  Ref<IOWLock> FInputOwnerLock;
  TOWPinEntryList FSinkPins;
  std::vector<Ref<IOWFormatConverter>> FFormatConverters;
  TOWFunctionSinkPinList FFunctionSources{this};
  TOWDataTypeSinkPinList FDataTypeSources{this};
  bool FInDependOn = false;
  bool FInDisconnect = false;
  bool FInEditor = false;
  int32_t FMaxConnections = 0;
  uint64_t FNextSerial = 1;
};

class TOWBasicSinkPin : public TOWStreamPin {
  TAVREL_CLASS_INFO
 public:
  bool IgnoreUpstream() const { return FIgnoreUpstream; }
  void SetIgnoreUpstream(bool v) { FIgnoreUpstream = v; }
  bool IsUpstreamIgnored();

  void AddFunctionDependant(TOWSourcePin* ASourcePin);
  void RemoveFunctionDependant(TOWSourcePin* ASourcePin);
  void AddDataTypeDependant(TOWSourcePin* ASourcePin);
  void RemoveDataTypeDependant(TOWSourcePin* ASourcePin);
  int FunctionDependantCount();

  virtual bool CanAcceptFrom(TOWBasicPin* APin, bool UseConverters);
  virtual void RenegotiateLink(const Guid&) {}
  virtual void UpdateConnectedID(const Guid&) {}
  // The output pins whose data types follow this pin's.
  std::vector<TOWSourcePin*> DataTypeDependants();

  // This pin's steps of a walk along the data-type dependencies. Run for
  // the pin itself (the walk starts here), each asks or restricts through
  // the dependants; reached from elsewhere, each goes on through the output
  // pin that feeds this one, or, without one, stops at this pin (the
  // workers below). TOWSinkPin says which output pin feeds it.
  virtual void CollectDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) = 0;
  virtual void CollectUpstreamDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) = 0;
  virtual HRESULT QueryDependantSourceInterface(const Guid& IID, TOWTypeWalk& AWalk) = 0;
  virtual HRESULT QueryDependantSinkInterface(const Guid& IID, TOWTypeWalk& AWalk) = 0;
  // Less what this pin does not accept, then what each dependant does not
  // list.
  void FilterDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk);
  // Less what this pin does not list, then what each dependant does not
  // accept; nothing when upstream types are ignored here.
  void FilterUpstreamDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk);
  // This pin lists IID and each dependant can take it back (its upstream
  // source-interface question).
  HRESULT QueryUpstreamDependants(const Guid& IID, TOWTypeWalk& AWalk);
  // This pin implements IID and each dependant can pass it on (its
  // sink-interface question).
  HRESULT QueryDependants(const Guid& IID, TOWTypeWalk& AWalk);

 protected:
  TOWBasicSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TObject* ACustomData)
      : TOWStreamPin(AOwner, std::move(AOwnerLock), ACustomData) {}
  // The dependants are told that this pin goes.
  void ForgetDependants();

  std::vector<TOWSourcePin*> FFunctionDependants;
  std::vector<TOWSourcePin*> FDataTypeDependants;
  bool FIgnoreUpstream = false;
};

class TOWSinkPin : public TOWBasicSinkPin {
  TAVREL_CLASS_INFO
 public:
  explicit TOWSinkPin(TComponent* AOwner, TObject* ACustomData = nullptr)
      : TOWBasicSinkPin(AOwner, nullptr, ACustomData) {}
  TOWSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TObject* ACustomData = nullptr)
      : TOWBasicSinkPin(AOwner, std::move(AOwnerLock), ACustomData) {}
  ~TOWSinkPin() override;

  TOWPinType GetPinType() override { return TOWPinType::ptSink; }
  // Nil unlinks; another sink pin's source becomes this pin's source.
  void Assign(TPersistent* Source) override;
  TOWBasicPin* SourcePin();
  TOWBasicPin* ConnectionSourcePin();
  Ref<IOWFormatConverter> FormatConverter();
  // The type of this pin's upstream traffic (NIL when unlinked) and the
  // type delivered to it: by its source, or, in a state link, the type the
  // link's first state pin selects for it; when that is NIL, the type the
  // pin delivering to this one would select for it now.
  Guid UpStreamID();
  Guid DownStreamID();
  // Display names of the two types (empty when none). In a state link both
  // name the type this pin selects with the link's first other member.
  std::string UpStreamLinkName();
  std::string DownStreamLinkName();
  // The full identifier name of the source, with the root only when it is
  // another root's; "" without a source of the pin's own (the converter a
  // state link placed is none).
  std::string GetSourceLinkName();
  // GetSourceLinkName is PinName (so "" for a pin without a source).
  bool IsLinkedTo(const std::string& PinName) override;

  bool ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override;
  bool CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters) override;
  void Disconnect() override;
  void DisconnectFrom(TOWBasicPin* OtherPin) override;
  void RemoveConnection(TOWBasicPin* APin, bool AKeepUnloaded) override;
  void RemovePinReferences(TOWBasicPin* APin) override;

  bool InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) override;
  bool IsCompatible(TOWBasicPin* OtherPin, bool UseConverters) override;
  Guid ResolveConnectedID(TOWBasicPin* ASource, const Guid& ACandidate);
  // The pin implements IID and its dependants do not object
  // (QueryInterfaceAsSink).
  HRESULT QueryStreamInterface(const Guid& IID) override;
  HRESULT QueryInterfaceAsSink(const Guid& IID) override;
  HRESULT QueryInterfaceAsSource(const Guid& IID) override;
  // The own types, each dependant restricting them to what it lists
  // (downstream) or accepts (upstream, unless upstream types are ignored).
  void CollectStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) override;
  void CollectUpstreamStreamTypes(TOWPinTypeRestricted& AList, TOWBasicPin* ARequester) override;
  void CollectDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) override;
  void CollectUpstreamDependantTypes(TOWPinTypeRestricted& AList, TOWTypeWalk& AWalk) override;
  HRESULT QueryDependantSourceInterface(const Guid& IID, TOWTypeWalk& AWalk) override;
  HRESULT QueryDependantSinkInterface(const Guid& IID, TOWTypeWalk& AWalk) override;
  void UpdateConnectedID(const Guid& ID) override;

  bool IsConnected() override;
  bool IsConnectedTo(TOWBasicPin* OtherPin) override;
  bool IsConnectedByConverterTo(TOWBasicPin* OtherPin) override;
  int ConnectedPinCount() override { return FIntRealSourcePin ? 1 : 0; }
  TOWBasicPin* GetConnectedPin(int) override { return FIntRealSourcePin; }
  // The after-pin the source recorded for this pin, else the state link's.
  TOWBasicPin* GetAfterPin(TOWBasicPin* APin) override;
  bool DirectDependsOn(TOWBasicPin* OtherPin) override;
  bool DependsOn(TOWBasicPin* OtherPin) override;
  Guid GetConnectionID(TOWBasicPin*) override { return FConnectedID; }
  Guid GetPrimaryConnectionID() override { return FConnectedID; }

  // Upstream: one call, with nsLastIteration, to the pin delivering to this one.
  TOWNotifyResult Notify(IOWNotifyOperation* Operation) override;

  void DefineProperties(TFiler& Filer) override;  // "SourcePin", "StateConverter"
  void ReadSourcePin(TReader& Reader);
  void WriteSourcePin(TWriter& Writer);
  // A state link reaching this pin through a format converter from
  // AFromID to AToID; the dispatcher keeps the converter. False (and no
  // state link) when no converter is registered for the pair or the
  // converter's output cannot feed this pin.
  bool ConnectToStateThrough(const Ref<TOWStateDispatcher>& ADispatcher, const Guid& AFromID, const Guid& AToID);
  // The same with a converter at hand (a new one, or one already in the
  // link, which then feeds this pin too).
  bool JoinStateThrough(const Ref<TOWStateDispatcher>& ADispatcher, const Ref<IOWFormatConverter>& AConverter,
                        const Guid& AFromID, const Guid& AToID, TOWBasicPin* NotifyAfterPin);
  // An input pin is in a state link or linked to a source, never both.
  // Joining offers the pin to the members in order until one links it; a
  // link without members only records the pin, answering False, and one
  // whose members are all input pins (they only listen) refuses it, except
  // while stored links are read (its state pin may be read later). The
  // acceptance test runs first: a refused pin keeps its source and its link.
  bool ConnectToStateAfter(const Ref<TOWStateDispatcher>& ADispatcher, TOWBasicPin* NotifyAfterPin) override;
  // Input pins of one link need not accept each other.
  bool InternalCanConnectToState(const Ref<TOWStateDispatcher>& ADispatcher, bool UseConverters) override;
  // Leaving a link reached through a converter drops the converter's link too.
  void LeaveStateLink() override;
  // Drops the source link (joining a state link).
  void UnlinkSource();
  bool StoreStateConverter() override;
  void ReadStateConverter(TReader& Reader);
  void WriteStateConverter(TWriter& Writer);
  // A placeholder becomes the source this pin reports; no data flows.
  void TakeUnloadedSource(TOWBasicPin* APlaceholder);
  // Links to the source named Soutce (identifier) / SoutceName (display),
  // re-rooted, a placeholder when none exists yet; "nil" disconnects.
  // Root and SaveForm are not consulted.
  bool TryLinkTo(TComponent* Root, const std::string& Soutce, const std::string& SoutceName, bool SaveForm);
  // A source by name, else a design-time state link of that name; "" or
  // "(Disconnected)" unlinks. Answers whether the pin was linked before
  // when nothing else succeeds.
  bool ConnectByName(TComponent* ARoot, const std::string& AName) override;

 private:
  friend class TOWSourcePin;
  void ClearSource() { FConnectionSourcePin = FRealSourcePin = FIntRealSourcePin = nullptr; }
  // The output pin that feeds this one, where a walk goes on upstream.
  TOWSourcePin* FeedingSource();
  // The display name of the type this pin selects with the first other
  // member of its state link; "" without one.
  std::string StateLinkTypeName();
  // The type delivered by the source, or chosen by the state link's first
  // state pin; NIL when neither gives one.
  Guid DeliveredID();

  TOWBasicPin* FConnectionSourcePin = nullptr;
  TOWBasicPin* FRealSourcePin = nullptr;
  TOWBasicPin* FIntRealSourcePin = nullptr;
  TOWSubmit FSubmitFunction;
  Guid FConnectedID;
  bool FInConnect = false;
};

}  // namespace tavrel
