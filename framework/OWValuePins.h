#pragma once
// The standard value pins: sources that send one Float, Real, String or
// ranged Real value, and sinks that keep what arrives (Float, Real, String)
// or hand every operation to their dispatch event (Integer, Int64,
// Date/Time and the ranged integer sinks, whose values no operation of
// this system carries).
//
//   TOWFloatSourcePin level(owner);
//   TOWFloatSinkPin meter(other, nullptr, TOWFloatChangeEvent([](TOWPin*, float v, bool onConnect) { ... }));
//   meter.Connect(&level);      // the sink hears the current value, onConnect true
//   level.SetValue(2.5f);       // sent only when it changed (NaN never counts)
//   level.Send(2.5f);           // always sent
//
// Every value source is a clock source too (TOWStdSourcePin): it lists the
// Clock type first, then its own, so a sink that takes its value type is
// linked by that. Each source asks a linked sink for the stream interfaces
// it can feed, in its order, and sends what the first one answered takes:
// a Real source asks for Real, then Float, so a Real sink gets the exact
// double and a Float-only sink the value rounded to single. The ranged
// Real source asks for Real, Float, then Ranged Real, and also sends its
// range (SubmitRange). A Real sink takes Real and Float values (a single
// widened).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/OWStdPins.h"

namespace tavrel {

// Stream types that are also the interface IDs of their streams.
inline constexpr Guid IID_OWIntegerStream{0x92F6B47E, 0xB46E, 0x49BB, {0x9A, 0x8E, 0x67, 0x6D, 0x3C, 0x2F, 0x2E, 0x66}};
inline constexpr Guid IID_OWInt64Stream{0x6D054E38, 0xF733, 0x4212, {0x8D, 0x5A, 0x0E, 0x86, 0x68, 0x02, 0xF8, 0x66}};
inline constexpr Guid IID_IOWFloatStream{0x67F6997B, 0x7EB4, 0x4E2F, {0x83, 0x20, 0x4A, 0x51, 0x2B, 0x5F, 0x2B, 0xC7}};
inline constexpr Guid IID_OWRealStream{0x208F9564, 0x3C20, 0x4C97, {0xBB, 0x77, 0x2F, 0xC5, 0xAE, 0x6E, 0x41, 0x94}};
inline constexpr Guid IID_OWRealComplexStream{0x4CC4ADE6, 0xE5AE, 0x4E27, {0xA9, 0xE7, 0x42, 0xC1, 0x4E, 0x06, 0x2F, 0x41}};
inline constexpr Guid IID_OWCharStream{0x3241B885, 0x95E1, 0x495F, {0xAC, 0xEC, 0x4A, 0x1C, 0x98, 0x87, 0x2B, 0x63}};
inline constexpr Guid IID_IOWStringStream{0x25C048B4, 0x89D4, 0x4277, {0xAA, 0x98, 0xA8, 0x35, 0xEB, 0x29, 0xF5, 0xC1}};
inline constexpr Guid IID_OWRangedIntegerStream{0x836EE1EA, 0xB8BD, 0x4E04, {0x82, 0x25, 0x6A, 0xB5, 0x47, 0xD1, 0xA3, 0xC4}};
inline constexpr Guid IID_OWRangedInt64Stream{0xB201C2F8, 0xCA4D, 0x4CF3, {0x8E, 0x6D, 0xE6, 0x20, 0xD2, 0xB9, 0xD7, 0xEF}};
inline constexpr Guid IID_OWRangedRealStream{0x648AC95D, 0x2772, 0x427C, {0xAD, 0x9D, 0x2B, 0x7F, 0x1E, 0xDD, 0xE1, 0xA7}};
inline constexpr Guid IID_OWDateTimeStream{0x475D7D8B, 0x4796, 0x42A5, {0x8F, 0x8E, 0xB5, 0x12, 0xB8, 0xFD, 0x27, 0x04}};

template <class T>
using TOWValueChangeEvent = Method<void(TOWPin* Sender, T AValue, bool AOnConnect)>;
using TOWFloatChangeEvent = TOWValueChangeEvent<float>;
using TOWRealChangeEvent = TOWValueChangeEvent<double>;
using TOWStringChangeEvent = TOWValueChangeEvent<std::string>;
using TOWIntegerChangeEvent = TOWValueChangeEvent<int32_t>;
using TOWInt64ChangeEvent = TOWValueChangeEvent<int64_t>;
using TOWDateTimeChangeEvent = TOWValueChangeEvent<double>;  // days, as TDateTime
template <class T>
using TOWValueRangeChangeEvent =
    Method<void(TOWPin* Sender, T AValue, T AMin, T AMax, bool ARangesFilled, bool AOnConnect)>;
template <class T>
using TOWRangeChangeEvent = Method<void(TOWPin* Sender, T AMin, T AMax, bool AOnConnect)>;
using TOWIntValueRangeChangeEvent = TOWValueRangeChangeEvent<int32_t>;
using TOWInt64ValueRangeChangeEvent = TOWValueRangeChangeEvent<int64_t>;
using TOWIntRangeChangeEvent = TOWRangeChangeEvent<int32_t>;
using TOWInt64RangeChangeEvent = TOWRangeChangeEvent<int64_t>;

// A source of one value of type T. The value survives links; a new link
// hears it at once.
template <class T>
class TOWValueSourcePin : public TOWStdSourcePin {
 public:
  T Value() {
    ReadHold r(this);
    return FValue;
  }
  // Sends only a changed value; NaN never counts as a change.
  void SetValue(T AValue);
  void Send(T AValue);
  // Asked per sink before the default delivery; Handled left true replaces it.
  void SetPinNotificationEvent(TOWPinNotificationEvent e) {
    WriteHold w(this);
    FPinNotificationEvent = std::move(e);
  }

 protected:
  TOWValueSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                    std::initializer_list<Guid> AInterfaces)
      : TOWStdSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock)), FInterfaces(AInterfaces) {}
  // The operation Send delivers, and the one a new link gets for the
  // interface AInterface.
  virtual Ref<IOWNotifyOperation> MakeOperation(T AValue) = 0;
  virtual Ref<IOWNotifyOperation> MakeOperationFor(const Guid& AInterface, T AValue) = 0;
  TOWNotifyResult SubmitValue(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                              TOWNotifyState State);
  T FValue{};
  TOWPinNotificationEvent FPinNotificationEvent;

 private:
  std::vector<Guid> FInterfaces;  // asked of a sink, in this order
};

class TOWFloatSourcePin : public TOWValueSourcePin<float> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWFloatSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr, Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWFloatSourcePin() override { Disconnect(); }

 protected:
  Ref<IOWNotifyOperation> MakeOperation(float AValue) override;
  Ref<IOWNotifyOperation> MakeOperationFor(const Guid& AInterface, float AValue) override;
};

class TOWStringSourcePin : public TOWValueSourcePin<std::string> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWStringSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr, Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWStringSourcePin() override { Disconnect(); }

 protected:
  Ref<IOWNotifyOperation> MakeOperation(std::string AValue) override;
  Ref<IOWNotifyOperation> MakeOperationFor(const Guid& AInterface, std::string AValue) override;
};

class TOWRealSourcePin : public TOWValueSourcePin<double> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWRealSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr, Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWRealSourcePin() override { Disconnect(); }

 protected:
  Ref<IOWNotifyOperation> MakeOperation(double AValue) override;
  Ref<IOWNotifyOperation> MakeOperationFor(const Guid& AInterface, double AValue) override;
};

// A Real value with its range. Value and SubmitValueRange send the
// ranged-value operation (a Real operation with Min and Max); the Min and
// Max setters and SubmitRange send the range operation.
class TOWRealRangedSourcePin : public TOWValueSourcePin<double> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWRealRangedSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr,
                                  Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWRealRangedSourcePin() override { Disconnect(); }
  double Min();
  double Max();
  // Each sends only a changed bound (NaN never counts), with the other bound.
  void SetMin(double AMin);
  void SetMax(double AMax);
  void SubmitValueRange(double AValue, double AMin, double AMax);
  void SubmitRange(double AMin, double AMax);

 protected:
  Ref<IOWNotifyOperation> MakeOperation(double AValue) override;
  Ref<IOWNotifyOperation> MakeOperationFor(const Guid& AInterface, double AValue) override;
  double FMin = 0, FMax = 0;
};

// Keeps the last value of type T that arrives; other operations go to the
// dispatch event.
template <class T>
class TOWValueSinkPin : public TOWStdSinkPin {
 public:
  T Value() {
    ReadHold r(this);
    return FValue;
  }
  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override;

 protected:
  TOWValueSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWValueChangeEvent<T> AOnDataChange,
                  TOWPinDispatchEvent AOnPinDispatchEvent, std::initializer_list<Guid> ATypes)
      : TOWStdSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnPinDispatchEvent)),
        FOnDataChange(std::move(AOnDataChange)) {
    for (const Guid& t : ATypes) AddType(t);
  }
  // The value an operation carries for this pin, when it carries one.
  virtual bool ValueOf(IOWNotifyOperation* Operation, T& AValue) = 0;
  T FValue{};
  TOWValueChangeEvent<T> FOnDataChange;
};

class TOWFloatSinkPin : public TOWValueSinkPin<float> {
  TAVREL_CLASS_INFO
 public:
  TOWFloatSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWFloatChangeEvent AOnDataChange,
                  TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange), std::move(AOnPinDispatchEvent),
                        {IID_IOWFloatStream}) {}
  ~TOWFloatSinkPin() override { Disconnect(); }

 protected:
  bool ValueOf(IOWNotifyOperation* Operation, float& AValue) override;
};

// Takes Real values, and Single values widened.
class TOWRealSinkPin : public TOWValueSinkPin<double> {
  TAVREL_CLASS_INFO
 public:
  TOWRealSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWRealChangeEvent AOnDataChange,
                 TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange), std::move(AOnPinDispatchEvent),
                        {IID_OWRealStream, IID_IOWFloatStream}) {}
  ~TOWRealSinkPin() override { Disconnect(); }

 protected:
  bool ValueOf(IOWNotifyOperation* Operation, double& AValue) override;
};

class TOWStringSinkPin : public TOWValueSinkPin<std::string> {
  TAVREL_CLASS_INFO
 public:
  TOWStringSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWStringChangeEvent AOnDataChange,
                   TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange), std::move(AOnPinDispatchEvent),
                        {IID_IOWStringStream}) {}
  ~TOWStringSinkPin() override { Disconnect(); }

 protected:
  bool ValueOf(IOWNotifyOperation* Operation, std::string& AValue) override;
};

// Sinks of a type no operation of this system carries: every operation
// goes to the dispatch event. Value and the change event stay for
// operations that would carry such values.
template <class T>
class TOWUncarriedValueSinkPin : public TOWValueSinkPin<T> {
 protected:
  using TOWValueSinkPin<T>::TOWValueSinkPin;
  bool ValueOf(IOWNotifyOperation*, T&) override { return false; }
};

class TOWIntegerSinkPin : public TOWUncarriedValueSinkPin<int32_t> {
  TAVREL_CLASS_INFO
 public:
  TOWIntegerSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWIntegerChangeEvent AOnDataChange,
                    TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWUncarriedValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange),
                                 std::move(AOnPinDispatchEvent), {IID_OWIntegerStream}) {}
  ~TOWIntegerSinkPin() override { Disconnect(); }
};

class TOWInt64SinkPin : public TOWUncarriedValueSinkPin<int64_t> {
  TAVREL_CLASS_INFO
 public:
  TOWInt64SinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWInt64ChangeEvent AOnDataChange,
                  TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWUncarriedValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange),
                                 std::move(AOnPinDispatchEvent), {IID_OWInt64Stream}) {}
  ~TOWInt64SinkPin() override { Disconnect(); }
};

class TOWDateTimeSinkPin : public TOWUncarriedValueSinkPin<double> {
  TAVREL_CLASS_INFO
 public:
  TOWDateTimeSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWDateTimeChangeEvent AOnDataChange,
                     TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWUncarriedValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange),
                                 std::move(AOnPinDispatchEvent), {IID_OWDateTimeStream}) {}
  ~TOWDateTimeSinkPin() override { Disconnect(); }
};

// A ranged integer sink: ranged values first, plain values of the same
// width too. Its value event carries the range; the range event the range
// alone.
template <class T>
class TOWRangedValueSinkPin : public TOWStdSinkPin {
 public:
  using RangeEvent = TOWRangeChangeEvent<T>;
  T Value() {
    ReadHold r(this);
    return FValue;
  }

 protected:
  TOWRangedValueSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWValueRangeChangeEvent<T> AOnDataChange,
                        TOWRangeChangeEvent<T> AOnRangeChange, TOWPinDispatchEvent AOnPinDispatchEvent,
                        const Guid& ARangedType, const Guid& APlainType)
      : TOWStdSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnPinDispatchEvent)),
        FOnDataChange(std::move(AOnDataChange)),
        FOnRangeChange(std::move(AOnRangeChange)) {
    AddType(ARangedType);
    AddType(APlainType);
  }
  T FValue{}, FMin{}, FMax{};
  TOWValueRangeChangeEvent<T> FOnDataChange;
  TOWRangeChangeEvent<T> FOnRangeChange;
};

class TOWIntAndRangedSinkPin : public TOWRangedValueSinkPin<int32_t> {
  TAVREL_CLASS_INFO
 public:
  TOWIntAndRangedSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWIntValueRangeChangeEvent AOnDataChange,
                         TOWIntRangeChangeEvent AOnRangeChange = {}, TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWRangedValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange), std::move(AOnRangeChange),
                              std::move(AOnPinDispatchEvent), IID_OWRangedIntegerStream, IID_OWIntegerStream) {}
  ~TOWIntAndRangedSinkPin() override { Disconnect(); }
};

class TOWInt64AndRangedSinkPin : public TOWRangedValueSinkPin<int64_t> {
  TAVREL_CLASS_INFO
 public:
  TOWInt64AndRangedSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWInt64ValueRangeChangeEvent AOnDataChange,
                           TOWInt64RangeChangeEvent AOnRangeChange = {}, TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWRangedValueSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnDataChange), std::move(AOnRangeChange),
                              std::move(AOnPinDispatchEvent), IID_OWRangedInt64Stream, IID_OWInt64Stream) {}
  ~TOWInt64AndRangedSinkPin() override { Disconnect(); }
};

}  // namespace tavrel
