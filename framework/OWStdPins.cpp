#include "framework/OWStdPins.h"

#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TOWClockSourcePin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWClockSourcePin>("TOWClockSourcePin", TOWSourcePin::Class()).build();
  return ci;
}
const ClassInfo& TOWStdSourcePin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWStdSourcePin>("TOWStdSourcePin", TOWClockSourcePin::Class()).build();
  return ci;
}
const ClassInfo& TOWStdStatePin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWStdStatePin>("TOWStdStatePin", TOWStatePin::Class()).build();
  return ci;
}
const ClassInfo& TOWStdSinkPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWStdSinkPin>("TOWStdSinkPin", TOWSinkPin::Class()).build();
  return ci;
}
const ClassInfo& TOWBoolSinkPin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWBoolSinkPin>("TOWBoolSinkPin", TOWStdSinkPin::Class()).build();
  return ci;
}
const ClassInfo& TOWBoolStatePin::Class() {
  static const ClassInfo ci = ClassBuilder<TOWBoolStatePin>("TOWBoolStatePin", TOWStdStatePin::Class()).build();
  return ci;
}

namespace {

// Keeps the value of a Boolean operation and reports it; false for any
// other operation.
bool KeepBool(TOWPin* pin, bool& field, const TOWBoolChangeEvent& change, IOWNotifyOperation* Operation,
              TOWNotifyState State) {
  auto* op = dynamic_cast<TOWSuppliedBoolOperation*>(Operation->Instance());
  if (!op) return false;
  {
    auto w = pin->WriteLock();
    field = op->Value;
  }
  if (change) change(pin, op->Value, State.Contains(nsNewLink));
  return true;
}

}  // namespace

IOWBasicStream* QueryBasicStream(IOWStream* Handler, const Guid& IID) {
  if (!Handler || !Handler->StreamPin()->SupportsStreamInterface(IID)) return nullptr;
  return dynamic_cast<IOWBasicStream*>(Handler);
}

// ---------------------------------------------------------------------------
// TOWClockSourcePin

TOWClockSourcePin::TOWClockSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                                     TOWClockPinNotificationEvent APinNotificationEvent)
    : TOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), 0),
      FPinNotificationEvent(std::move(APinNotificationEvent)) {
  AddType(IID_OWClockStream, TOWSubmit::Of<&TOWClockSourcePin::ClockSubmit>(this));
}

void TOWClockSourcePin::Clock() {
  Ref<IOWNotifyOperation> op = MakeRef<TOWClockOperation>();
  Notify(op.get());
}

bool TOWClockSourcePin::SupportsStreamInterface(const Guid& IID) {
  return IID == IID_IOWBasicStream || IID == IID_OWClockStream || TOWSourcePin::SupportsStreamInterface(IID);
}

TOWNotifyResult TOWClockSourcePin::ClockSubmit(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                               IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (IOWBasicStream* s = QueryBasicStream(Handler, IID_OWClockStream)) s->DispatchData(DataTypeID, Operation, State);
  return {};
}

TOWNotifyResult TOWClockSourcePin::DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                                TOWNotifyState State) {
  return FPinNotificationEvent ? FPinNotificationEvent(this, DataTypeID, Operation, State) : TOWNotifyResult{};
}

// ---------------------------------------------------------------------------
// Standard source and state pins

namespace {

// The owner hears of each pin left; the event is read under the pin lock
// and called without it.
void TellDisconnect(TOWPin* pin, const TOWPinEvent& field, TOWBasicPin* APin) {
  TOWPinEvent onDisconnect;
  {
    auto r = pin->ReadLock();
    onDisconnect = field;
  }
  if (onDisconnect) onDisconnect(APin);
}

}  // namespace

void TOWStdSourcePin::SetOnDisconnect(TOWPinEvent e) {
  auto w = WriteLock();
  FOnDisconnect = std::move(e);
}

void TOWStdSourcePin::DoDisconnectPin(TOWBasicPin* APin) {
  TellDisconnect(this, FOnDisconnect, APin);
  TOWClockSourcePin::DoDisconnectPin(APin);
}

void TOWStdStatePin::SetOnDisconnect(TOWPinEvent e) {
  auto w = WriteLock();
  FOnDisconnect = std::move(e);
}

void TOWStdStatePin::DoDisconnectPin(TOWBasicPin* APin) {
  TellDisconnect(this, FOnDisconnect, APin);
  TOWStatePin::DoDisconnectPin(APin);
}

TOWNotifyResult TOWStdStatePin::Dispatch(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                         TOWNotifyState State) {
  if (!FOnPinDispatchEvent) return {};
  bool handled = true;
  return FOnPinDispatchEvent(DataTypeID, Operation, State, handled);
}

// ---------------------------------------------------------------------------
// Sinks

TOWNotifyResult TOWStdSinkPin::Dispatch(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                        TOWNotifyState State) {
  if (!FOnPinDispatchEvent) return {};
  bool handled = true;
  return FOnPinDispatchEvent(DataTypeID, Operation, State, handled);
}

TOWNotifyResult TOWStdSinkPin::DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                            TOWNotifyState State) {
  return Dispatch(DataTypeID, Operation, State);
}

bool TOWBoolSinkPin::Value() {
  ReadHold r(this);
  return FValue;
}

bool TOWBoolSinkPin::SupportsStreamInterface(const Guid& IID) {
  return IID == IID_IOWBoolStream || IID == IID_IOWBasicStream || TOWStdSinkPin::SupportsStreamInterface(IID);
}

TOWNotifyResult TOWBoolSinkPin::DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                             TOWNotifyState State) {
  if (KeepBool(this, FValue, FOnDataChange, Operation, State)) return {};
  return Dispatch(DataTypeID, Operation, State);
}

// ---------------------------------------------------------------------------
// TOWBoolStatePin

TOWBoolStatePin::TOWBoolStatePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWBoolChangeEvent AOnDataChange,
                                 TOWPinDispatchEvent AOnPinDispatchEvent, TObject* ACustomData)
    : TOWStdStatePin(AOwner, std::move(AOwnerLock), {}, std::move(AOnPinDispatchEvent), ACustomData),
      FOnDataChange(std::move(AOnDataChange)) {
  AddType(IID_IOWBoolStream, TOWSubmit::Of<&TOWBoolStatePin::SubmitValue>(this));
}

bool TOWBoolStatePin::Value() {
  ReadHold r(this);
  return FValue;
}

void TOWBoolStatePin::SetValue(bool AValue) {
  if (Value() != AValue) Send(AValue);
}

void TOWBoolStatePin::Send(bool AValue) {
  {
    WriteHold w(this);
    FValue = AValue;
  }
  Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedBoolOperation>(AValue);
  Notify(op.get());
}

bool TOWBoolStatePin::SupportsStreamInterface(const Guid& IID) {
  return IID == IID_IOWBoolStream || IID == IID_IOWBasicStream || TOWStdStatePin::SupportsStreamInterface(IID);
}

TOWNotifyResult TOWBoolStatePin::DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                              TOWNotifyState State) {
  if (KeepBool(this, FValue, FOnDataChange, Operation, State)) return {};
  return Dispatch(DataTypeID, Operation, State);
}

TOWNotifyResult TOWBoolStatePin::SubmitValue(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                             IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (auto* op = dynamic_cast<TOWSuppliedBoolOperation*>(Operation->Instance())) {
    WriteHold w(this);
    FValue = op->Value;
  }
  IOWBasicStream* stream = QueryBasicStream(Handler, IID_IOWBoolStream);
  if (!stream) return {};
  if (FPinNotificationEvent) {
    bool handled = true;
    TOWNotifyResult r = FPinNotificationEvent(stream, DataTypeID, Operation, State, handled);
    if (handled) return r;
  }
  if (State.Contains(nsNewLink)) {
    // A new link gets the current value at once.
    Ref<IOWNotifyOperation> fresh = MakeRef<TOWSuppliedBoolOperation>(Value());
    stream->DispatchData(DataTypeID, fresh.get(), State);
  } else {
    stream->DispatchData(DataTypeID, Operation, State);
  }
  return {};
}

}  // namespace tavrel
