#pragma once
// The format converters between the buffer stream types, and from numbers
// and dates to text. The pin framework places one in a link whose two pins
// share no data type; they are registered at start-up and made only then.
//
//   Ref<IOWFormatConverter> c = TSLOWIntToRealFormatConverter::CreateConverter();
//   source.Connect(c->Instance()->InputPin()) ...     // the framework does this
//
// A buffer converter turns each buffer operation into one carrying the
// converted buffer and passes every other operation on unchanged. A text
// converter sends the text of every value its input pin reports, drops
// buffers and values of other types, and passes stream commands on.
//
// Text: integers in decimal; reals in general format with up to 15
// significant digits ("0.1", "1E20", "-2.5E-7"); dates and times as
// "yyyy-mm-dd hh:nn:ss" (the time left out at midnight, the date left out
// for a pure time). The decimal separator is ".", whatever the locale.
#include <string>

#include "framework/OWConverter.h"
#include "framework/LPLock.h"
#include "signal/SLStreamTypes.h"

namespace tavrel {

inline constexpr Guid IID_SLDateTimeValue{0x475D7D8B, 0x4796, 0x42A5, {0x8F, 0x8E, 0xB5, 0x12, 0xB8, 0xFD, 0x27, 0x04}};
inline constexpr Guid IID_SLIntegerValue{0x92F6B47E, 0xB46E, 0x49BB, {0x9A, 0x8E, 0x67, 0x6D, 0x3C, 0x2F, 0x2E, 0x66}};

std::string SLIntToText(int32_t AValue);
std::string SLFloatToText(double AValue);
// Days since 1899-12-30, the fraction the time of day.
std::string SLDateTimeToText(TDateTime AValue);

// ---- Buffer converters

// The conversion of one buffer.
using TSLBufferConversion = Ref<TSLData> (*)(const TSLData& ABuffer);

class TSLOWBufferFormatConverter : public TOWFormatConverter {
 public:
  TOWNotifyResult ConvertOperation(TOWBasicPin* Sender, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                   TOWNotifyState State);
  // The events its pins are made with.
  TSLOperationEvent ConversionHandler();
  TSLOperationEvent UpstreamHandler();

 protected:
  explicit TSLOWBufferFormatConverter(TSLBufferConversion AConversion) : FConversion(AConversion) {}

 private:
  TSLBufferConversion FConversion;
};

#define TAVREL_SL_BUFFER_CONVERTER(Name)                        \
  class Name : public TSLOWBufferFormatConverter {              \
   public:                                                      \
    static Ref<IOWFormatConverter> CreateConverter();           \
    Name();                                                     \
  };

TAVREL_SL_BUFFER_CONVERTER(TSLOWIntToBinaryFormatConverter)
TAVREL_SL_BUFFER_CONVERTER(TSLOWRealToBinaryFormatConverter)
TAVREL_SL_BUFFER_CONVERTER(TSLOWComplexToBinaryFormatConverter)
TAVREL_SL_BUFFER_CONVERTER(TSLOWIntToRealFormatConverter)
TAVREL_SL_BUFFER_CONVERTER(TSLOWRealToRealMatrixFormatConverter)
TAVREL_SL_BUFFER_CONVERTER(TOWAudioToIntFormatConverter)
TAVREL_SL_BUFFER_CONVERTER(TOWAudioToRealFormatConverter)
TAVREL_SL_BUFFER_CONVERTER(TOWAudioToBinaryFormatConverter)

#undef TAVREL_SL_BUFFER_CONVERTER

// ---- Text converters

class TSLOWTextFormatConverter : public TOWFormatConverter {
 public:
  // The input pin's dispatch filter: values of other types and buffers are
  // not handled (dropped); stream commands go on through the output.
  TOWNotifyResult DispatchFilter(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation, TOWNotifyState State,
                                 bool& Handled);

 protected:
  void SendText(const std::string& AText);
};

class TSLOWIntegerToStringFormatConverter : public TSLOWTextFormatConverter {
 public:
  static Ref<IOWFormatConverter> CreateConverter();
  void ValueChanged(int32_t AValue) { SendText(SLIntToText(AValue)); }
};

class TSLOWRealToStringFormatConverter : public TSLOWTextFormatConverter {
 public:
  static Ref<IOWFormatConverter> CreateConverter();
  void ValueChanged(double AValue) { SendText(SLFloatToText(AValue)); }
};

class TSLOWTimeToStringFormatConverter : public TSLOWTextFormatConverter {
 public:
  static Ref<IOWFormatConverter> CreateConverter();
  void ValueChanged(TDateTime AValue) { SendText(SLDateTimeToText(AValue)); }
};

// The eight of the SL module and the three of the audio module, in order.
void RegisterSLFormatConverters();
void RegisterALFormatConverters();

}  // namespace tavrel
