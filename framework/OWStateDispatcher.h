#pragma once
// State links: a named group of state pins in which every member tells the
// others its state and hears theirs. The group's routing table is a
// TOWStateDispatcher, kept in one of two process-wide registries (pins of
// components being designed, running components) so that form data can
// name it across forms.
//
//   a.Connect(&b);            // a new link named <form>Link<N>, a first
//   c.ConnectToStateName(a.Dispatcher()->Name());   // a third member
//   a.Notify(op.get());       // b then c (joining order), nsLastIteration on c
//   b.Disconnect();           // a and c stay linked; when one member is
//                             // left the link dissolves and the dispatcher goes
//
// Any pin may be a member; a sink pin may be reached through a format
// converter, whose input pin then receives the member's deliveries:
//
//   level.Connect(&textSink);   // Float state pin, String sink: a
//                               // TOWFloatToStringFormatConverter in the link
//   textSink.ConnectToState(d); // offered to d's members; False when none
//                               // accepts it (its links stay as they were)
//
// An editor's questions: ConnectedDispatcherCount and GetConnectedDispatcher
// (the link as one more link of the pin), IsConnectedByStateTo and
// IsConnectedByStateAfter (a member, after which member), IsLinkedTo (a
// member's full name), GetAfterPinDisplayName and SetAfterPinByName on the
// dispatcher.
//
// Pin events: DispatcherCreated and DispatcherDestroying with the
// dispatcher's life, DispatcherChanged when a member joins or leaves,
// PinLinked (pin, dispatcher) after a pin joined, PinUnlinked before it
// leaves, PinChanged after either.
//
// A dispatcher lives by reference: each member holds one and so does every
// call running on it, so it goes after the call that removed its last
// member has returned. Deliveries run on the sender's thread over a
// snapshot of the members, without the dispatcher's lock.
#include <string>
#include <vector>

#include "framework/OWConverter.h"
#include "framework/OWPins.h"

namespace tavrel {

// A pin with no direction of its own; it reaches the other members of its
// state link only.
class TOWStatePin : public TOWPin {
  TAVREL_CLASS_INFO
 public:
  TOWStatePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TObject* ACustomData = nullptr)
      : TOWPin(AOwner, std::move(AOwnerLock), ACustomData) {}
  ~TOWStatePin() override;

  TOWPinType GetPinType() override { return TOWPinType::ptState; }
  int PinCount();
  TOWBasicPin* GetPin(int Index);

  // Takes OtherPin into this pin's link, joins OtherPin's link, or starts
  // a new one named after this pin's root (ConnectByStateAfter); nil
  // leaves the link.
  bool ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override;
  void Disconnect() override { LeaveStateLink(); }
  // By data type: what a source sends this pin, else what this pin sends
  // the other (through a converter for an input pin).
  bool InternalCanConnectTo(TOWBasicPin* OtherPin, bool UseConverters) override;
  bool IsCompatible(TOWBasicPin* OtherPin, bool UseConverters) override;
  bool IsConnected() override { return PinCount() > 0; }
  bool DependsOn(TOWBasicPin* OtherPin) override { return IsConnectedTo(OtherPin); }
  bool DirectDependsOn(TOWBasicPin* OtherPin) override { return IsConnectedTo(OtherPin); }
  std::string GetLinkDisplayName();
  // Links to the first candidate (OWPinNames.h) named SinkName, with or
  // without this pin's root name; "" unlinks. False when none matched.
  bool TryLinkTo(TComponent* Root, const std::string& SinkName);
  // A design-time state link of that name, else TryLinkTo; "" or
  // "(Disconnected)" unlinks.
  bool ConnectByName(TComponent* ARoot, const std::string& AName) override;

  TOWNotifyResult Notify(IOWNotifyOperation* Operation) override { return NotifyDispatcher(Operation, {}, nullptr); }
};

class TOWStateDispatcher : public TOWPinObject, public RefCounted {
  TAVREL_CLASS_INFO
 public:
  static Ref<TOWStateDispatcher> CreateNamed(const std::string& AName, bool ADesignTime);
  // Named after the form: <form>LinkN with the smallest free N.
  static Ref<TOWStateDispatcher> Create(TComponent* AOwnerForm);
  static Ref<TOWStateDispatcher> GetByName(const std::string& AName, bool ADesignTime);
  // The dispatcher of that name, else a new one from APin
  // (CreateNamedStateDispatcher).
  static Ref<TOWStateDispatcher> GetByNameCreate(TOWPin* APin, const std::string& AName, bool ADesignTime);
  static std::string GetUniqueName(TComponent* AOwnerForm);
  static bool IsUniqueName(const std::string& AName, bool ADesignTime);
  // APin goes: no dispatcher keeps it as an after-pin.
  static void ForgetPin(TOWBasicPin* APin);
  ~TOWStateDispatcher() override;

  std::string Name() { return FName; }
  void SetName(const std::string& AName) { FName = AName; }
  bool DesignTime() const { return FDesignTime; }
  int PinCount();
  TOWBasicPin* GetPin(int Index);
  TOWBasicPin* GetConnectionPin(int Index);
  TOWBasicPin* GetAfterPinAt(int Index);
  TOWBasicPin* GetAfterPinOf(TOWBasicPin* APin);
  bool IsConnectedTo(TOWBasicPin* APin);

  // ARealPin joins; deliveries to it go to AConnectionPin (ARealPin
  // itself, or the input pin of a converter that feeds it). A pin already
  // in the link changes nothing.
  void AddPin(TOWPin* AConnectionPin, TOWPin* ARealPin) { AddPinAfter(AConnectionPin, ARealPin, nullptr); }
  void AddPinAfter(TOWPin* AConnectionPin, TOWPin* ARealPin, TOWBasicPin* NotifyAfterPin);
  // A converter placed in the link, from one data type to another; it
  // goes with the member it feeds.
  struct Converter {
    Ref<IOWFormatConverter> Instance;
    Guid FromID, ToID;
  };
  void AddFormatConverter(const Converter& AConverter);
  int FormatConverterCount();
  std::vector<Converter> FormatConverters();
  // The converter whose input pin is AInputPin; an empty Instance when none.
  Converter FormatConverterOf(TOWBasicPin* AInputPin);
  // Member APin leaves. The first member left that shared its after-pin
  // is served after none from now on; members served after APin keep it
  // as their after-pin until APin goes (RemovePinReferences). One member
  // left dissolves the link (that member hears PinUnlinked and
  // PinChanged). A converter goes with the last member it feeds.
  void RemovePin(TOWBasicPin* APin);
  void DisconnectAll();
  bool CanConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin, bool UseConverters);
  void StateLinkChanged(TOWPin* APin);
  void RemovePinReferences(TOWBasicPin* APin) override;
  // Member APin is served after the member whose full display name,
  // without or with root, is AName; nothing when no member is so named.
  void SetAfterPinByName(TOWBasicPin* APin, const std::string& AName) override;
  // The full display name with root of member APin's after-pin; "" when
  // APin is no member or is served after none.
  std::string GetAfterPinDisplayName(TOWBasicPin* APin) override;

  bool IsCrosForm();
  bool ConnectedToForm(TComponent* AOwnerComponent);
  // Roots that wrote the link in the current saving pass.
  void ClearSavedForms();
  void AddSavedForm(TComponent* AForm);
  bool IsFormSaved(TComponent* AForm);
  int CountSaved();

  struct Member {
    TOWPin* ConnectionPin;
    TOWPin* RealPin;
    TOWBasicPin* AfterPin;
  };
  std::vector<Member> Members();

  // Dispatchers alive, for tests.
  static int Alive();

 private:
  TOWStateDispatcher(const std::string& AName, bool ADesignTime);

  std::string FName;
  bool FDesignTime;
  std::vector<Member> FPins;
  std::vector<Converter> FFormatConverters;
  std::vector<TComponent*> FSavedForms;
  int FCountSaved = 0;
};

}  // namespace tavrel
