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

// The input pin kinds.
enum class In { Integer, Int64, Float, Real, RangedInt, RangedInt64 };
enum class Out { Float, Real, String, RangedReal };

Guid InType(In i) {
  switch (i) {
    case In::Integer: return IID_OWIntegerStream;
    case In::Int64: return IID_OWInt64Stream;
    case In::Float: return IID_IOWFloatStream;
    case In::Real: return IID_OWRealStream;
    case In::RangedInt: return IID_OWRangedIntegerStream;
    case In::RangedInt64: return IID_OWRangedInt64Stream;
  }
  return {};
}

template <In I, Out O>
class TConverter : public TOWStdFormatConverter {
 public:
  static Ref<IOWFormatConverter> CreateConverter() {
    Ref<TConverter> c = MakeRef<TConverter>();
    std::unique_ptr<TOWSourcePin> out;
    if constexpr (O == Out::Float) out = std::make_unique<TOWFloatSourcePin>(c.get(), c->Lock());
    if constexpr (O == Out::Real) out = std::make_unique<TOWRealSourcePin>(c.get(), c->Lock());
    if constexpr (O == Out::String) out = std::make_unique<TOWStringSourcePin>(c.get(), c->Lock());
    if constexpr (O == Out::RangedReal) out = std::make_unique<TOWRealRangedSourcePin>(c.get(), c->Lock());
    TConverter* self = c.get();
    TOWPinDispatchEvent dispatch(
        [self](const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s, bool& handled) {
          return self->DispatchHandler(id, op, s, handled);
        });
    std::unique_ptr<TOWSinkPin> in;
    if constexpr (I == In::Float)
      in = std::make_unique<TOWFloatSinkPin>(
          c.get(), c->Lock(), TOWFloatChangeEvent([self](TOWPin*, float v, bool) { self->Convert(v); }), dispatch);
    else if constexpr (I == In::Real)
      in = std::make_unique<TOWRealSinkPin>(
          c.get(), c->Lock(), TOWRealChangeEvent([self](TOWPin*, double v, bool) { self->Convert(v); }), dispatch);
    else  // integer values travel in no operation: these only pass commands
      in = std::make_unique<TOWTypedStdSinkPin>(c.get(), c->Lock(), InType(I), dispatch);
    c->CreatePins(std::move(in), std::move(out));
    return c;
  }

  template <class V>
  void Convert(V v) {
    if constexpr (O == Out::Float) SendValue(MakeRef<TOWSuppliedSingleOperation>(float(v)));
    if constexpr (O == Out::Real) SendValue(MakeRef<TOWSuppliedRealOperation>(double(v)));
    if constexpr (O == Out::String) {
      if constexpr (std::is_integral_v<V>)
        SendValue(MakeRef<TOWSuppliedStringOperation>(std::to_string(v)));
      else
        SendValue(MakeRef<TOWSuppliedStringOperation>(FloatToText15((long double)v)));
    }
  }
  void IntegerValue(int64_t v) override {
    if constexpr (I == In::Integer) Convert(int32_t(v));
    if constexpr (I == In::Int64) Convert(v);
  }
  // Ranged integers: a Real range when the ranges are filled, else a Single.
  void RangedValue(int64_t v, int64_t min, int64_t max, bool rangesFilled) override {
    if constexpr (O != Out::RangedReal) return;
    if (rangesFilled)
      SendValue(MakeRef<TOWSuppliedRealValueRangeOperation>(double(v), double(min), double(max)));
    else
      SendValue(MakeRef<TOWSuppliedSingleOperation>(float(v)));
  }
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
  RegisterTypeConverter(IID_OWIntegerStream, IID_IOWFloatStream, &TConverter<In::Integer, Out::Float>::CreateConverter);
  RegisterTypeConverter(IID_OWIntegerStream, IID_OWRealStream, &TConverter<In::Integer, Out::Real>::CreateConverter);
  RegisterTypeConverter(IID_OWIntegerStream, IID_IOWStringStream, &TConverter<In::Integer, Out::String>::CreateConverter);
  RegisterTypeConverter(IID_OWInt64Stream, IID_IOWFloatStream, &TConverter<In::Int64, Out::Float>::CreateConverter);
  RegisterTypeConverter(IID_OWInt64Stream, IID_OWRealStream, &TConverter<In::Int64, Out::Real>::CreateConverter);
  RegisterTypeConverter(IID_OWInt64Stream, IID_IOWStringStream, &TConverter<In::Int64, Out::String>::CreateConverter);
  RegisterTypeConverter(IID_IOWFloatStream, IID_OWRealStream, &TConverter<In::Float, Out::Real>::CreateConverter);
  RegisterTypeConverter(IID_IOWFloatStream, IID_IOWStringStream, &TConverter<In::Float, Out::String>::CreateConverter);
  RegisterTypeConverter(IID_OWRealStream, IID_IOWStringStream, &TConverter<In::Real, Out::String>::CreateConverter);
  RegisterTypeConverter(IID_OWRangedIntegerStream, IID_OWRangedRealStream,
                        &TConverter<In::RangedInt, Out::RangedReal>::CreateConverter);
  RegisterTypeConverter(IID_OWRangedInt64Stream, IID_OWRangedRealStream,
                        &TConverter<In::RangedInt64, Out::RangedReal>::CreateConverter);
}

void UnregisterStandardTypes() {
  std::lock_guard hold(gRegistration);
  gRegistered = 0;
}

}  // namespace tavrel
