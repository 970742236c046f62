#include "framework/OWValuePins.h"

#include <cmath>

#include "platform/classinfo.h"

namespace tavrel {

#define TAVREL_PIN_CLASS(C, Base)                                              \
  const ClassInfo& C::Class() {                                               \
    static const ClassInfo ci = ClassBuilder<C>(#C, Base::Class()).build();   \
    return ci;                                                                \
  }
TAVREL_PIN_CLASS(TOWFloatSourcePin, TOWSourcePin)
TAVREL_PIN_CLASS(TOWRealSourcePin, TOWSourcePin)
TAVREL_PIN_CLASS(TOWStringSourcePin, TOWSourcePin)
TAVREL_PIN_CLASS(TOWRealRangedSourcePin, TOWSourcePin)
TAVREL_PIN_CLASS(TOWFloatSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWRealSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWStringSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWTypedStdSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWIntegerSinkPin, TOWTypedStdSinkPin)
TAVREL_PIN_CLASS(TOWInt64SinkPin, TOWTypedStdSinkPin)
TAVREL_PIN_CLASS(TOWDateTimeSinkPin, TOWTypedStdSinkPin)
TAVREL_PIN_CLASS(TOWIntAndRangedSinkPin, TOWTypedStdSinkPin)
TAVREL_PIN_CLASS(TOWInt64AndRangedSinkPin, TOWTypedStdSinkPin)
#undef TAVREL_PIN_CLASS

namespace {

template <class T>
bool SameValue(const T& a, const T& b) {
  if constexpr (std::is_floating_point_v<T>)
    return a == b || std::isnan(b);  // NaN never counts as a change
  else
    return a == b;
}

}  // namespace

// ---------------------------------------------------------------------------
// Sources

template <class T>
void TOWValueSourcePin<T>::SetValue(T AValue) {
  if (!SameValue(Value(), AValue)) Send(std::move(AValue));
}

template <class T>
void TOWValueSourcePin<T>::Send(T AValue) {
  {
    WriteHold w(this);
    FValue = AValue;
  }
  Ref<IOWNotifyOperation> op = MakeOperation(Guid{}, std::move(AValue));
  Notify(op.get());
}

template <class T>
TOWNotifyResult TOWValueSourcePin<T>::SubmitValue(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                                  IOWNotifyOperation* Operation, TOWNotifyState State) {
  IOWBasicStream* stream = QueryBasicStream(Handler, DataTypeID);
  if (!stream) return {};
  TOWPinNotificationEvent notify;
  {
    ReadHold r(this);
    notify = FPinNotificationEvent;
  }
  if (notify) {
    bool handled = true;
    TOWNotifyResult result = notify(stream, DataTypeID, Operation, State, handled);
    if (handled) return result;
  }
  if (State.Contains(nsNewLink)) {
    // A new link hears the current value at once.
    Ref<IOWNotifyOperation> fresh = MakeOperation(DataTypeID, Value());
    return stream->DispatchData(DataTypeID, fresh.get(), State);
  }
  // A double value facing a Float-only link goes rounded to single.
  auto* real = dynamic_cast<TOWSuppliedRealOperation*>(Operation->Instance());
  if (real && DataTypeID == IID_IOWFloatStream) {
    Ref<IOWNotifyOperation> single = MakeRef<TOWSuppliedSingleOperation>(float(real->Value));
    return stream->DispatchData(DataTypeID, single.get(), State);
  }
  return stream->DispatchData(DataTypeID, Operation, State);
}

template <class T>
void TOWValueSourcePin<T>::DoDisconnectPin(TOWBasicPin* APin) {
  TOWPinEvent onDisconnect;
  {
    ReadHold r(this);
    onDisconnect = FOnDisconnect;
  }
  if (onDisconnect) onDisconnect(APin);
  TOWSourcePin::DoDisconnectPin(APin);
}

template class TOWValueSourcePin<float>;
template class TOWValueSourcePin<double>;
template class TOWValueSourcePin<std::string>;

TOWFloatSourcePin::TOWFloatSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock)) {
  AddType(IID_IOWFloatStream, TOWSubmit::Of<&TOWFloatSourcePin::SubmitValue>(this));
}

Ref<IOWNotifyOperation> TOWFloatSourcePin::MakeOperation(const TDataTypeID&, float AValue) {
  return MakeRef<TOWSuppliedSingleOperation>(AValue);
}

TOWRealSourcePin::TOWRealSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock)) {
  // Real is added last, so negotiation prefers it.
  AddType(IID_IOWFloatStream, TOWSubmit::Of<&TOWRealSourcePin::SubmitValue>(this));
  AddType(IID_OWRealStream, TOWSubmit::Of<&TOWRealSourcePin::SubmitValue>(this));
}

Ref<IOWNotifyOperation> TOWRealSourcePin::MakeOperation(const TDataTypeID& DataTypeID, double AValue) {
  if (DataTypeID == IID_IOWFloatStream) return MakeRef<TOWSuppliedSingleOperation>(float(AValue));
  return MakeRef<TOWSuppliedRealOperation>(AValue);
}

TOWStringSourcePin::TOWStringSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock)) {
  AddType(IID_IOWStringStream, TOWSubmit::Of<&TOWStringSourcePin::SubmitValue>(this));
}

Ref<IOWNotifyOperation> TOWStringSourcePin::MakeOperation(const TDataTypeID&, std::string AValue) {
  return MakeRef<TOWSuppliedStringOperation>(std::move(AValue));
}

TOWRealRangedSourcePin::TOWRealRangedSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock,
                                               Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock)) {
  AddType(IID_IOWFloatStream, TOWSubmit::Of<&TOWRealRangedSourcePin::SubmitValue>(this));
  AddType(IID_OWRangedRealStream, TOWSubmit::Of<&TOWRealRangedSourcePin::SubmitValue>(this));
}

void TOWRealRangedSourcePin::SubmitValueRange(double AValue, double AMin, double AMax) {
  {
    WriteHold w(this);
    FMin = AMin;
    FMax = AMax;
  }
  Send(AValue);
}

Ref<IOWNotifyOperation> TOWRealRangedSourcePin::MakeOperation(const TDataTypeID& DataTypeID, double AValue) {
  if (DataTypeID == IID_IOWFloatStream) return MakeRef<TOWSuppliedSingleOperation>(float(AValue));
  ReadHold r(this);
  return MakeRef<TOWSuppliedRealValueRangeOperation>(AValue, FMin, FMax);
}

// ---------------------------------------------------------------------------
// Sinks

template <class T>
TOWNotifyResult TOWValueSinkPin<T>::DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                                 TOWNotifyState State) {
  T v{};
  if (!ValueOf(Operation, v)) return Dispatch(DataTypeID, Operation, State);
  {
    WriteHold w(this);
    FValue = v;
  }
  if (FOnDataChange) FOnDataChange(this, v, State.Contains(nsNewLink));
  return {};
}

template class TOWValueSinkPin<float>;
template class TOWValueSinkPin<double>;
template class TOWValueSinkPin<std::string>;

bool TOWFloatSinkPin::ValueOf(IOWNotifyOperation* Operation, float& AValue) {
  auto* op = dynamic_cast<TOWSuppliedSingleOperation*>(Operation->Instance());
  if (!op) return false;
  AValue = op->Value;
  return true;
}

bool TOWRealSinkPin::ValueOf(IOWNotifyOperation* Operation, double& AValue) {
  TOWNotifyOperation* o = Operation->Instance();
  if (auto* real = dynamic_cast<TOWSuppliedRealOperation*>(o)) {
    AValue = real->Value;
    return true;
  }
  if (auto* single = dynamic_cast<TOWSuppliedSingleOperation*>(o)) {
    AValue = double(single->Value);
    return true;
  }
  return false;
}

bool TOWStringSinkPin::ValueOf(IOWNotifyOperation* Operation, std::string& AValue) {
  auto* op = dynamic_cast<TOWSuppliedStringOperation*>(Operation->Instance());
  if (!op) return false;
  AValue = op->Value;
  return true;
}

}  // namespace tavrel
