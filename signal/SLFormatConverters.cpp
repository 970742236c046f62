#include "signal/SLFormatConverters.h"

#include <cmath>
#include <cstdio>

#include "framework/OWStdPins.h"
#include "signal/ALStreamTypes.h"
#include "signal/SLBlockBuffer.h"
#include "signal/SLIntegerBuffer.h"
#include "signal/SLRealBuffer.h"
#include "signal/SLRealMatrixBuffer.h"

namespace tavrel {

// ---- Text

std::string SLIntToText(int32_t AValue) { return std::to_string(AValue); }

std::string SLFloatToText(double AValue) {
  if (std::isnan(AValue)) return "NAN";
  if (std::isinf(AValue)) return AValue > 0 ? "INF" : "-INF";
  char raw[40];
  std::snprintf(raw, sizeof raw, "%.15G", AValue);
  // "1E+20" -> "1E20", "2.5E-07" -> "2.5E-7": the exponent without sign or padding.
  std::string s(raw);
  const size_t e = s.find('E');
  if (e == std::string::npos) return s;
  std::string mantissa = s.substr(0, e), exponent = s.substr(e + 1);
  const bool negative = !exponent.empty() && exponent[0] == '-';
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.erase(0, 1);
  exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
  return mantissa + "E" + (negative ? "-" : "") + exponent;
}

std::string SLDateTimeToText(TDateTime AValue) {
  if (!std::isfinite(AValue)) return SLFloatToText(AValue);
  const double day = std::floor(AValue);
  int64_t ms = std::llround((AValue - day) * 86400000.0);
  int64_t days = int64_t(day);
  if (ms >= 86400000) {
    ms -= 86400000;
    ++days;
  }
  // Civil date of a day count, counted here from 0000-03-01.
  const int64_t z = days - 25569 + 719468;  // 1899-12-30 is 25569 days before 1970-01-01
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char date[64], time[64];
  std::snprintf(date, sizeof date, "%04lld-%02lld-%02lld", (long long)y, (long long)m, (long long)d);
  const int64_t secs = ms / 1000;
  std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", (long long)(secs / 3600), (long long)(secs / 60 % 60),
                (long long)(secs % 60));
  if (day == 0) return time;
  if (ms / 1000 == 0) return date;
  return std::string(date) + " " + time;
}

// ---- Buffer converters

TOWNotifyResult TSLOWBufferFormatConverter::ConvertOperation(TOWBasicPin*, const TDataTypeID&,
                                                             IOWNotifyOperation* Operation, TOWNotifyState) {
  if (auto* op = dynamic_cast<TOWSuppliedBufferOperation*>(Operation->Instance())) {
    Ref<TSLData> converted = FConversion(*op->Buffer);
    Ref<IOWNotifyOperation> out = MakeRef<TOWSuppliedBufferOperation>(*converted);
    return OutputPin()->Notify(out.get());
  }
  return OutputPin()->Notify(Operation);
}

TSLOperationEvent TSLOWBufferFormatConverter::ConversionHandler() {
  return TSLOperationEvent([this](TOWBasicPin* s, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState st) {
    return ConvertOperation(s, id, op, st);
  });
}

TSLOperationEvent TSLOWBufferFormatConverter::UpstreamHandler() {
  return TSLOperationEvent([this](TOWBasicPin* s, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState st) {
    return ForwardUpstream(s, id, op, st);
  });
}

namespace {

Ref<TSLData> ToBinary(const TSLData& b) { return TSLBlockBuffer::CreateUniversal(b); }
Ref<TSLData> IntToReal(const TSLData& b) {
  const auto& ints = BufferAs<const TSLIntegerBuffer>(b);
  return TSLRealBuffer::CreateIntegerData(ints.Read(), ints.GetSize());
}
Ref<TSLData> ToRealMatrix(const TSLData& b) { return TSLRealMatrixBuffer::CreateUniversal(b); }
Ref<TSLData> AudioToInt(const TSLData& b) { return BufferAs<const TALAudioBuffer>(b).GetChannelInt(0); }
Ref<TSLData> AudioToReal(const TSLData& b) { return BufferAs<const TALAudioBuffer>(b).GetChannelReal(0); }

// Output pin first, then the input pin, as every converter does.
template <class C, class InPin, class OutPin, class... OutArgs>
Ref<IOWFormatConverter> MakeBufferConverter(OutArgs... outArgs) {
  Ref<C> c = MakeRef<C>();
  auto out = std::make_unique<OutPin>(c.get(), c->Lock(), nullptr, c->UpstreamHandler(), outArgs...);
  auto in = std::make_unique<InPin>(c.get(), c->Lock(), c->ConversionHandler());
  c->CreatePins(std::move(in), std::move(out));
  return c;
}

}  // namespace

#define TAVREL_SL_BUFFER_CONVERTER_IMPL(Name, Conversion, InPin, OutPin, ...)                      \
  Name::Name() : TSLOWBufferFormatConverter(&Conversion) {}                                       \
  Ref<IOWFormatConverter> Name::CreateConverter() {                                               \
    return MakeBufferConverter<Name, InPin, OutPin>(__VA_ARGS__);                                 \
  }

TAVREL_SL_BUFFER_CONVERTER_IMPL(TSLOWIntToBinaryFormatConverter, ToBinary, TSLOWIntegerSinkPin, TSLOWBinarySourcePin)
TAVREL_SL_BUFFER_CONVERTER_IMPL(TSLOWRealToBinaryFormatConverter, ToBinary, TSLOWRealSinkPin, TSLOWBinarySourcePin)
TAVREL_SL_BUFFER_CONVERTER_IMPL(TSLOWComplexToBinaryFormatConverter, ToBinary, TSLOWComplexSinkPin,
                                TSLOWBinarySourcePin)
TAVREL_SL_BUFFER_CONVERTER_IMPL(TSLOWIntToRealFormatConverter, IntToReal, TSLOWIntegerSinkPin, TSLOWRealSourcePin,
                                true)
TAVREL_SL_BUFFER_CONVERTER_IMPL(TSLOWRealToRealMatrixFormatConverter, ToRealMatrix, TSLOWRealSinkPin,
                                TSLOWRealMatrixSourcePin)
TAVREL_SL_BUFFER_CONVERTER_IMPL(TOWAudioToIntFormatConverter, AudioToInt, TALOWAudioSinkPin, TSLOWIntegerSourcePin)
TAVREL_SL_BUFFER_CONVERTER_IMPL(TOWAudioToRealFormatConverter, AudioToReal, TALOWAudioSinkPin, TSLOWRealSourcePin,
                                true)
TAVREL_SL_BUFFER_CONVERTER_IMPL(TOWAudioToBinaryFormatConverter, ToBinary, TALOWAudioSinkPin, TSLOWBinarySourcePin)

#undef TAVREL_SL_BUFFER_CONVERTER_IMPL

// ---- Text converters

namespace {

// A value input: its own value operation goes to OnValue, everything else
// to the dispatch filter.
class TSLValueSinkPin : public TOWStdSinkPin {
 public:
  TSLValueSinkPin(TComponent* AOwner, Ref<IOWLock> ALock, const Guid& AType, TOWPinDispatchEvent AFilter,
                  std::function<bool(IOWNotifyOperation*)> AOnValue)
      : TOWStdSinkPin(AOwner, std::move(ALock), std::move(AFilter)), FType(AType), FOnValue(std::move(AOnValue)) {
    AddType(AType);
  }
  bool SupportsStreamInterface(const Guid& IID) override {
    return IID == FType || IID == IID_IOWBasicStream || TOWStdSinkPin::SupportsStreamInterface(IID);
  }
  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override {
    if (FOnValue && FOnValue(Operation)) return {};
    return Dispatch(DataTypeID, Operation, State);
  }

 private:
  Guid FType;
  std::function<bool(IOWNotifyOperation*)> FOnValue;
};

template <class C>
Ref<IOWFormatConverter> MakeTextConverter(const Guid& type, std::function<bool(C*, IOWNotifyOperation*)> onValue) {
  Ref<C> c = MakeRef<C>();
  C* self = c.get();
  auto out = std::make_unique<TSLOWStringSourcePin>(
      self, c->Lock(), nullptr,
      TSLOperationEvent([self](TOWBasicPin* s, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState st) {
        return self->ForwardUpstream(s, id, op, st);
      }));
  auto in = std::make_unique<TSLValueSinkPin>(
      self, c->Lock(), type,
      TOWPinDispatchEvent([self](const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState st, bool& handled) {
        return self->DispatchFilter(id, op, st, handled);
      }),
      [self, onValue](IOWNotifyOperation* op) { return onValue ? onValue(self, op) : false; });
  c->CreatePins(std::move(in), std::move(out));
  return c;
}

}  // namespace

TOWNotifyResult TSLOWTextFormatConverter::DispatchFilter(const TDataTypeID&, IOWNotifyOperation* Operation,
                                                         TOWNotifyState, bool& Handled) {
  if (dynamic_cast<TOWSuppliedOperation*>(Operation->Instance())) {
    Handled = false;
    return {};
  }
  return OutputPin()->Notify(Operation);
}

void TSLOWTextFormatConverter::SendText(const std::string& AText) {
  Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedStringOperation>(AText);
  OutputPin()->Notify(op.get());
}

Ref<IOWFormatConverter> TSLOWIntegerToStringFormatConverter::CreateConverter() {
  return MakeTextConverter<TSLOWIntegerToStringFormatConverter>(IID_SLIntegerValue, {});
}

Ref<IOWFormatConverter> TSLOWRealToStringFormatConverter::CreateConverter() {
  return MakeTextConverter<TSLOWRealToStringFormatConverter>(
      IID_SLRealValue, [](TSLOWRealToStringFormatConverter* c, IOWNotifyOperation* op) {
        auto* v = dynamic_cast<TOWSuppliedRealOperation*>(op->Instance());
        if (v) c->ValueChanged(v->Value);
        return v != nullptr;
      });
}

Ref<IOWFormatConverter> TSLOWTimeToStringFormatConverter::CreateConverter() {
  return MakeTextConverter<TSLOWTimeToStringFormatConverter>(IID_SLDateTimeValue, {});
}

void RegisterSLFormatConverters() {
  RegisterTypeConverter(IID_SLIntegerBuffer, IID_SLBinaryBuffer, &TSLOWIntToBinaryFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_SLRealBuffer, IID_SLBinaryBuffer, &TSLOWRealToBinaryFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_SLComplexBuffer, IID_SLBinaryBuffer,
                        &TSLOWComplexToBinaryFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_SLIntegerBuffer, IID_SLRealBuffer, &TSLOWIntToRealFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_SLDateTimeValue, IID_SLString, &TSLOWTimeToStringFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_SLIntegerValue, IID_SLString, &TSLOWIntegerToStringFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_SLRealValue, IID_SLString, &TSLOWRealToStringFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_SLRealBuffer, IID_SLRealMatrix, &TSLOWRealToRealMatrixFormatConverter::CreateConverter);
}

void RegisterALFormatConverters() {
  RegisterTypeConverter(IID_ALAudioBuffer, IID_SLIntegerBuffer, &TOWAudioToIntFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_ALAudioBuffer, IID_SLRealBuffer, &TOWAudioToRealFormatConverter::CreateConverter);
  RegisterTypeConverter(IID_ALAudioBuffer, IID_SLBinaryBuffer, &TOWAudioToBinaryFormatConverter::CreateConverter);
}

}  // namespace tavrel
