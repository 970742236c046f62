#pragma once
// The standard stream types and format converters, registered once at
// start-up (the "OWStdTypes" step of FrameworkModules):
//
//   RegisterStandardTypes();          // a second call changes nothing
//   DataTypeIDToText(IID_IOWStringStream);   // "Sting", as stored data has it
//   // A Float source linked to a sink that only takes text gets a
//   // TOWFloatToStringFormatConverter placed in the link.
//
// Converters turn Integer, Int64, Float and Real values into Float, Real or
// text (ranged integers into ranged Real). Numbers become text in the
// general format with at most 15 significant digits, from the exact value
// (a Single 0.1 reads 0.100000001490116), with the decimal separator of the
// process's numeric locale. Value operations of another type than the
// converter's input are dropped; commands pass to the output unchanged.
#include <string>

#include "framework/OWConverter.h"
#include "framework/OWValuePins.h"

namespace tavrel {

void RegisterStandardTypes();
void UnregisterStandardTypes();  // lets the next start-up register again

// General format, at most 15 significant digits, from extended precision.
std::string FloatToText15(long double AValue);

// Each converter: its input pin's value handler and the shared dispatch
// handler; CreateConverter makes the lock, the output pin, the input pin.
class TOWStdFormatConverter : public TOWFormatConverter {
  TAVREL_CLASS_INFO
 public:
  TOWNotifyResult DispatchHandler(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                  TOWNotifyState State, bool& Handled);
  void SendValue(Ref<IOWNotifyOperation> AOperation);
  // Value handlers of the integer inputs: no operation of this system
  // carries integers, so only code calls them.
  virtual void IntegerValue(int64_t) {}
  virtual void RangedValue(int64_t, int64_t, int64_t, bool) {}
};

}  // namespace tavrel
