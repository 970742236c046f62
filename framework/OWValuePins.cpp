#include "framework/OWValuePins.h"

#include <cmath>

#include "platform/classinfo.h"

namespace tavrel {

#define TAVREL_PIN_CLASS(C, Base)                                              \
  const ClassInfo& C::Class() {                                               \
    static const ClassInfo ci = ClassBuilder<C>(#C, Base::Class()).build();   \
    return ci;                                                                \
  }
TAVREL_PIN_CLASS(TOWFloatSourcePin, TOWStdSourcePin)
TAVREL_PIN_CLASS(TOWRealSourcePin, TOWStdSourcePin)
TAVREL_PIN_CLASS(TOWStringSourcePin, TOWStdSourcePin)
TAVREL_PIN_CLASS(TOWRealRangedSourcePin, TOWStdSourcePin)
TAVREL_PIN_CLASS(TOWFloatSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWRealSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWStringSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWIntegerSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWInt64SinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWDateTimeSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWIntAndRangedSinkPin, TOWStdSinkPin)
TAVREL_PIN_CLASS(TOWInt64AndRangedSinkPin, TOWStdSinkPin)
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
  Ref<IOWNotifyOperation> op = MakeOperation(std::move(AValue));
  Notify(op.get());
}

template <class T>
TOWNotifyResult TOWValueSourcePin<T>::SubmitValue(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                                  IOWNotifyOperation* Operation, TOWNotifyState State) {
  // The first interface of this pin's list that the sink answers.
  Guid iid;
  IOWBasicStream* stream = nullptr;
  for (const Guid& i : FInterfaces)
    if ((stream = QueryBasicStream(Handler, i))) {
      iid = i;
      break;
    }
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
    Ref<IOWNotifyOperation> fresh = MakeOperationFor(iid, Value());
    stream->DispatchData(DataTypeID, fresh.get(), State);
    return {};
  }
  // A double value facing a Float-only sink goes rounded to single.
  auto* real = dynamic_cast<TOWSuppliedRealOperation*>(Operation->Instance());
  if (real && iid == IID_IOWFloatStream) {
    Ref<IOWNotifyOperation> single = MakeRef<TOWSuppliedSingleOperation>(float(real->Value));
    stream->DispatchData(DataTypeID, single.get(), State);
    return {};
  }
  stream->DispatchData(DataTypeID, Operation, State);
  return {};
}

template class TOWValueSourcePin<float>;
template class TOWValueSourcePin<double>;
template class TOWValueSourcePin<std::string>;

TOWFloatSourcePin::TOWFloatSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), {IID_IOWFloatStream}) {
  AddType(IID_IOWFloatStream, TOWSubmit::Of<&TOWFloatSourcePin::SubmitValue>(this));
}

Ref<IOWNotifyOperation> TOWFloatSourcePin::MakeOperation(float AValue) {
  return MakeRef<TOWSuppliedSingleOperation>(AValue);
}

Ref<IOWNotifyOperation> TOWFloatSourcePin::MakeOperationFor(const Guid&, float AValue) {
  return MakeOperation(AValue);
}

TOWStringSourcePin::TOWStringSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), {IID_IOWStringStream}) {
  AddType(IID_IOWStringStream, TOWSubmit::Of<&TOWStringSourcePin::SubmitValue>(this));
}

Ref<IOWNotifyOperation> TOWStringSourcePin::MakeOperation(std::string AValue) {
  return MakeRef<TOWSuppliedStringOperation>(std::move(AValue));
}

Ref<IOWNotifyOperation> TOWStringSourcePin::MakeOperationFor(const Guid&, std::string AValue) {
  return MakeOperation(std::move(AValue));
}

// Real is added last, so negotiation prefers it; Float lets a Float-only
// sink link without a converter.
TOWRealSourcePin::TOWRealSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock),
                        {IID_OWRealStream, IID_IOWFloatStream}) {
  AddType(IID_IOWFloatStream, TOWSubmit::Of<&TOWRealSourcePin::SubmitValue>(this));
  AddType(IID_OWRealStream, TOWSubmit::Of<&TOWRealSourcePin::SubmitValue>(this));
}

Ref<IOWNotifyOperation> TOWRealSourcePin::MakeOperation(double AValue) {
  return MakeRef<TOWSuppliedRealOperation>(AValue);
}

Ref<IOWNotifyOperation> TOWRealSourcePin::MakeOperationFor(const Guid& AInterface, double AValue) {
  if (AInterface == IID_IOWFloatStream) return MakeRef<TOWSuppliedSingleOperation>(float(AValue));
  return MakeOperation(AValue);
}

// Real is preferred here too: a Real sink gets the exact double.
TOWRealRangedSourcePin::TOWRealRangedSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock,
                                               Ref<IOWLock> AInputOwnerLock)
    : TOWValueSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock),
                        {IID_OWRealStream, IID_IOWFloatStream, IID_OWRangedRealStream}) {
  AddType(IID_IOWFloatStream, TOWSubmit::Of<&TOWRealRangedSourcePin::SubmitValue>(this));
  AddType(IID_OWRangedRealStream, TOWSubmit::Of<&TOWRealRangedSourcePin::SubmitValue>(this));
  AddType(IID_OWRealStream, TOWSubmit::Of<&TOWRealRangedSourcePin::SubmitValue>(this));
}

double TOWRealRangedSourcePin::Min() {
  ReadHold r(this);
  return FMin;
}

double TOWRealRangedSourcePin::Max() {
  ReadHold r(this);
  return FMax;
}

void TOWRealRangedSourcePin::SetMin(double AMin) {
  if (!SameValue(Min(), AMin)) SubmitRange(AMin, Max());
}

void TOWRealRangedSourcePin::SetMax(double AMax) {
  if (!SameValue(Max(), AMax)) SubmitRange(Min(), AMax);
}

void TOWRealRangedSourcePin::SubmitValueRange(double AValue, double AMin, double AMax) {
  {
    WriteHold w(this);
    FMin = AMin;
    FMax = AMax;
  }
  Send(AValue);
}

void TOWRealRangedSourcePin::SubmitRange(double AMin, double AMax) {
  {
    WriteHold w(this);
    FMin = AMin;
    FMax = AMax;
  }
  Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedRealRangeOperation>(AMin, AMax);
  Notify(op.get());
}

Ref<IOWNotifyOperation> TOWRealRangedSourcePin::MakeOperation(double AValue) {
  ReadHold r(this);
  return MakeRef<TOWSuppliedRealValueRangeOperation>(AValue, FMin, FMax);
}

Ref<IOWNotifyOperation> TOWRealRangedSourcePin::MakeOperationFor(const Guid& AInterface, double AValue) {
  if (AInterface == IID_IOWFloatStream) return MakeRef<TOWSuppliedSingleOperation>(float(AValue));
  if (AInterface == IID_OWRealStream) return MakeRef<TOWSuppliedRealOperation>(AValue);
  return MakeOperation(AValue);
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
template class TOWValueSinkPin<int32_t>;
template class TOWValueSinkPin<int64_t>;

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
