#pragma once
// The standard stream types and format converters, registered once at
// start-up (the "OWStdTypes" step of FrameworkModules):
//
//   RegisterStandardTypes();          // a second call changes nothing
//   DataTypeIDToText(IID_IOWStringStream);   // "Sting", as stored data has it
//   // A Float source linked to a sink that only takes text gets a
//   // TOWFloatToStringFormatConverter placed in the link.
//   Ref<IOWFormatConverter> c = CreateConverterByName("TOWIntToRealFormatConverter");
//
// The eleven converter classes are registered in the class registry by
// name as well as in the converter registry by their pair of types. Each
// has an input pin of its from-type and an output pin of its to-type
// sharing the converter's lock, a value handler (the change event of its
// input pin) and the shared dispatch handler. They turn Integer, Int64,
// Float and Real values into Float, Real or text (ranged integers into
// ranged Real). Numbers become text in the general format with at most 15
// significant digits, from the exact value (a Single 0.1 reads
// 0.100000001490116), with the decimal separator of the process's numeric
// locale. Value operations the input does not take are dropped; commands
// pass to the output unchanged. No operation of this system carries
// integer values, so the integer converters only pass commands unless
// code calls their value handler.
#include <cstdint>
#include <string>

#include "framework/OWConverter.h"
#include "framework/OWValuePins.h"

namespace tavrel {

void RegisterStandardTypes();
void UnregisterStandardTypes();  // lets the next start-up register again

// General format, at most 15 significant digits, from extended precision.
std::string FloatToText15(long double AValue);

// The base of the standard converters: commands pass, foreign values drop.
class TOWStdFormatConverter : public TOWFormatConverter {
  TAVREL_CLASS_INFO
 public:
  TOWNotifyResult DispatchHandler(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                  TOWNotifyState State, bool& Handled);

 protected:
  void SendValue(Ref<IOWNotifyOperation> AOperation);
};

// One standard converter class: ValueChanged has the shape of its input
// pin's change event.
#define TAVREL_STD_CONVERTER(C, ...)                        \
  class C : public TOWStdFormatConverter {                  \
    TAVREL_CLASS_INFO                                       \
   public:                                                  \
    C();                                                    \
    static Ref<IOWFormatConverter> CreateConverter();       \
    void ValueChanged(TOWPin* Sender, __VA_ARGS__);         \
  };
TAVREL_STD_CONVERTER(TOWIntToFloatFormatConverter, int32_t AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWIntToRealFormatConverter, int32_t AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWIntToStringFormatConverter, int32_t AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWInt64ToFloatFormatConverter, int64_t AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWInt64ToRealFormatConverter, int64_t AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWInt64ToStringFormatConverter, int64_t AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWFloatToRealFormatConverter, float AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWFloatToStringFormatConverter, float AValue, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWRealToStringFormatConverter, double AValue, bool AOnConnect)
// Without filled ranges the value goes on as a Float.
TAVREL_STD_CONVERTER(TOWIntToRealRangedFormatConverter, int32_t AValue, int32_t AMin, int32_t AMax,
                     bool ARangesFilled, bool AOnConnect)
TAVREL_STD_CONVERTER(TOWInt64ToRealRangedFormatConverter, int64_t AValue, int64_t AMin, int64_t AMax,
                     bool ARangesFilled, bool AOnConnect)
#undef TAVREL_STD_CONVERTER

}  // namespace tavrel
