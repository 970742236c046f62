#include "framework/OWStdTypes.h"

#include <cstdio>
#include <mutex>

#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TOWStdFormatConverter::Class() {
  static const ClassInfo ci =
      ClassBuilder<TOWStdFormatConverter>("TOWStdFormatConverter", TOWFormatConverter::Class()).build();
  return ci;
}

std::string FloatToText15(long double AValue) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15Lg", AValue);  // honours LC_NUMERIC
  return buf;
}

TOWNotifyResult TOWStdFormatConverter::DispatchHandler(const TDataTypeID&, IOWNotifyOperation* Operation,
                                                       TOWNotifyState, bool& Handled) {
  if (dynamic_cast<TOWSuppliedOperation*>(Operation->Instance())) {
    Handled = false;  // a value this converter does not take
    return {};
  }
  OutputPin()->Notify(Operation);
  return {};
}

void TOWStdFormatConverter::SendValue(Ref<IOWNotifyOperation> AOperation) { OutputPin()->Notify(AOperation.get()); }

namespace {

// Builds a converter's pins: the output pin first, then the input pin of
// class InPin, whose change event is the converter's value handler.
template <class InPin, class OutPin, class C, class... Args>
void BuildPins(C* c, void (C::*handler)(TOWPin*, Args...)) {
  auto out = std::make_unique<OutPin>(c, c->Lock());
  Method<void(TOWPin*, Args...)> changed([c, handler](TOWPin* sender, Args... a) { (c->*handler)(sender, a...); });
  TOWPinDispatchEvent dispatch(
      [c](const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s, bool& handled) {
        return c->DispatchHandler(id, op, s, handled);
      });
  std::unique_ptr<InPin> in;
  if constexpr (std::is_constructible_v<InPin, TComponent*, Ref<IOWLock>, decltype(changed), TOWPinDispatchEvent>)
    in = std::make_unique<InPin>(c, c->Lock(), std::move(changed), std::move(dispatch));
  else  // a ranged input: its range event stays empty
    in = std::make_unique<InPin>(c, c->Lock(), std::move(changed), typename InPin::RangeEvent{}, std::move(dispatch));
  c->CreatePins(std::move(in), std::move(out));
}

template <class V>
Ref<IOWNotifyOperation> AsText(V v) {
  if constexpr (std::is_integral_v<V>)
    return MakeRef<TOWSuppliedStringOperation>(std::to_string(v));
  else
    return MakeRef<TOWSuppliedStringOperation>(FloatToText15((long double)v));
}

// A ranged integer: a Real range when the ranges are filled, else a Single.
template <class V>
Ref<IOWNotifyOperation> AsRanged(V v, V min, V max, bool rangesFilled) {
  if (rangesFilled) return MakeRef<TOWSuppliedRealValueRangeOperation>(double(v), double(min), double(max));
  return MakeRef<TOWSuppliedSingleOperation>(float(v));
}

}  // namespace

#define TAVREL_STD_CONVERTER_IMPL(C, InPin, OutPin)                                                    \
  const ClassInfo& C::Class() {                                                                       \
    static const ClassInfo ci =                                                                       \
        ClassBuilder<C>(#C, TOWStdFormatConverter::Class()).creator(&NewFormatConverter<C>).build(); \
    return ci;                                                                                        \
  }                                                                                                   \
  C::C() { BuildPins<InPin, OutPin>(this, &C::ValueChanged); }                                       \
  Ref<IOWFormatConverter> C::CreateConverter() { return Ref<IOWFormatConverter>(new C()); }
TAVREL_STD_CONVERTER_IMPL(TOWIntToFloatFormatConverter, TOWIntegerSinkPin, TOWFloatSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWIntToRealFormatConverter, TOWIntegerSinkPin, TOWRealSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWIntToStringFormatConverter, TOWIntegerSinkPin, TOWStringSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWInt64ToFloatFormatConverter, TOWInt64SinkPin, TOWFloatSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWInt64ToRealFormatConverter, TOWInt64SinkPin, TOWRealSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWInt64ToStringFormatConverter, TOWInt64SinkPin, TOWStringSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWFloatToRealFormatConverter, TOWFloatSinkPin, TOWRealSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWFloatToStringFormatConverter, TOWFloatSinkPin, TOWStringSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWRealToStringFormatConverter, TOWRealSinkPin, TOWStringSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWIntToRealRangedFormatConverter, TOWIntAndRangedSinkPin, TOWRealRangedSourcePin)
TAVREL_STD_CONVERTER_IMPL(TOWInt64ToRealRangedFormatConverter, TOWInt64AndRangedSinkPin, TOWRealRangedSourcePin)
#undef TAVREL_STD_CONVERTER_IMPL

// Integers round to the nearest Single or double; Single widens exactly.
void TOWIntToFloatFormatConverter::ValueChanged(TOWPin*, int32_t v, bool) {
  SendValue(MakeRef<TOWSuppliedSingleOperation>(float(v)));
}
void TOWIntToRealFormatConverter::ValueChanged(TOWPin*, int32_t v, bool) {
  SendValue(MakeRef<TOWSuppliedRealOperation>(double(v)));
}
void TOWIntToStringFormatConverter::ValueChanged(TOWPin*, int32_t v, bool) { SendValue(AsText(v)); }
void TOWInt64ToFloatFormatConverter::ValueChanged(TOWPin*, int64_t v, bool) {
  SendValue(MakeRef<TOWSuppliedSingleOperation>(float(v)));
}
void TOWInt64ToRealFormatConverter::ValueChanged(TOWPin*, int64_t v, bool) {
  SendValue(MakeRef<TOWSuppliedRealOperation>(double(v)));
}
void TOWInt64ToStringFormatConverter::ValueChanged(TOWPin*, int64_t v, bool) { SendValue(AsText(v)); }
void TOWFloatToRealFormatConverter::ValueChanged(TOWPin*, float v, bool) {
  SendValue(MakeRef<TOWSuppliedRealOperation>(double(v)));
}
void TOWFloatToStringFormatConverter::ValueChanged(TOWPin*, float v, bool) { SendValue(AsText(v)); }
void TOWRealToStringFormatConverter::ValueChanged(TOWPin*, double v, bool) { SendValue(AsText(v)); }
void TOWIntToRealRangedFormatConverter::ValueChanged(TOWPin*, int32_t v, int32_t min, int32_t max, bool filled,
                                                     bool) {
  SendValue(AsRanged(v, min, max, filled));
}
void TOWInt64ToRealRangedFormatConverter::ValueChanged(TOWPin*, int64_t v, int64_t min, int64_t max, bool filled,
                                                       bool) {
  SendValue(AsRanged(v, min, max, filled));
}

namespace {

// The converters in their registration order, with their class names.
struct StdConverter {
  Guid from, to;
  TOWFormatConverterClass make;
  const ClassInfo& (*info)();
};
const StdConverter kConverters[] = {
    {IID_OWIntegerStream, IID_IOWFloatStream, &TOWIntToFloatFormatConverter::CreateConverter,
     &TOWIntToFloatFormatConverter::Class},
    {IID_OWIntegerStream, IID_OWRealStream, &TOWIntToRealFormatConverter::CreateConverter,
     &TOWIntToRealFormatConverter::Class},
    {IID_OWIntegerStream, IID_IOWStringStream, &TOWIntToStringFormatConverter::CreateConverter,
     &TOWIntToStringFormatConverter::Class},
    {IID_OWInt64Stream, IID_IOWFloatStream, &TOWInt64ToFloatFormatConverter::CreateConverter,
     &TOWInt64ToFloatFormatConverter::Class},
    {IID_OWInt64Stream, IID_OWRealStream, &TOWInt64ToRealFormatConverter::CreateConverter,
     &TOWInt64ToRealFormatConverter::Class},
    {IID_OWInt64Stream, IID_IOWStringStream, &TOWInt64ToStringFormatConverter::CreateConverter,
     &TOWInt64ToStringFormatConverter::Class},
    {IID_IOWFloatStream, IID_OWRealStream, &TOWFloatToRealFormatConverter::CreateConverter,
     &TOWFloatToRealFormatConverter::Class},
    {IID_IOWFloatStream, IID_IOWStringStream, &TOWFloatToStringFormatConverter::CreateConverter,
     &TOWFloatToStringFormatConverter::Class},
    {IID_OWRealStream, IID_IOWStringStream, &TOWRealToStringFormatConverter::CreateConverter,
     &TOWRealToStringFormatConverter::Class},
    {IID_OWRangedIntegerStream, IID_OWRangedRealStream, &TOWIntToRealRangedFormatConverter::CreateConverter,
     &TOWIntToRealRangedFormatConverter::Class},
    {IID_OWRangedInt64Stream, IID_OWRangedRealStream, &TOWInt64ToRealRangedFormatConverter::CreateConverter,
     &TOWInt64ToRealRangedFormatConverter::Class},
};

std::mutex gRegistration;
int gRegistered = 0;

}  // namespace

void RegisterStandardTypes() {
  std::lock_guard hold(gRegistration);
  if (gRegistered++ > 0) return;
  const std::pair<Guid, const char*> names[] = {
      {IID_OWClockStream, "Clock"},
      {IID_OWIntegerStream, "32 bit Integer"},
      {IID_OWInt64Stream, "64 bit Integer"},
      {IID_IOWFloatStream, "Float"},
      {IID_OWRealStream, "Real"},
      {IID_OWRealComplexStream, "Real Complex"},
      {IID_IOWBoolStream, "Boolean"},
      {IID_OWCharStream, "Character"},
      {IID_IOWStringStream, "Sting"},
      {IID_OWRangedIntegerStream, "Ranged 32 bit Integer"},
      {IID_OWRangedInt64Stream, "Ranged 64 bit Integer"},
      {IID_OWRangedRealStream, "Ranged Real"},
      {IID_OWDateTimeStream, "Date/Time"},
  };
  for (auto& [id, name] : names) RegisterStreamTypeName(id, name);
  RegisterStreamTypeSendFunction(
      IID_IOWDataStream,
      [](TOWPin*, IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
         TOWNotifyState State) -> TOWNotifyResult {
        IOWBasicStream* s = QueryBasicStream(Handler, IID_IOWDataStream);
        return s ? s->DispatchData(DataTypeID, Operation, State) : TOWNotifyResult{};
      });
  for (const StdConverter& c : kConverters) {
    RegisterTypeConverter(c.from, c.to, c.make);
    RegisterClass(c.info());
  }
}

void UnregisterStandardTypes() {
  std::lock_guard hold(gRegistration);
  gRegistered = 0;
  for (const StdConverter& c : kConverters) UnRegisterClass(c.info());
}

}  // namespace tavrel
