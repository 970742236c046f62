#pragma once
// The standard value pins: sources that send one Float, Real, String or
// ranged Real value, and sinks that keep what arrives (Float, Real, String)
// or hand every operation to their dispatch event (Integer, Int64 and the
// ranged integer sinks, whose values no operation carries).
//
//   TOWFloatSourcePin level(owner);
//   TOWFloatSinkPin meter(other, nullptr, TOWFloatChangeEvent([](TOWPin*, float v, bool onConnect) { ... }));
//   meter.Connect(&level);      // the sink hears the current value, onConnect true
//   level.SetValue(2.5f);       // sent only when it changed (NaN never counts)
//   level.Send(2.5f);           // always sent
//
// A Real source also offers the Float type: a Float-only sink gets the value
// rounded to single. A Real sink takes a Single too, widened.
#include <string>

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

// A source of one value of type T, sent as operation Op on the types it lists.
template <class T>
class TOWValueSourcePin : public TOWSourcePin {
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
  // Told of each sink this pin leaves.
  void SetOnDisconnect(TOWPinEvent e) {
    WriteHold w(this);
    FOnDisconnect = std::move(e);
  }
  void DoDisconnectPin(TOWBasicPin* APin) override;

 protected:
  TOWValueSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock)
      : TOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), 0) {}
  // The operation for one link: the type agreed with the sink decides.
  virtual Ref<IOWNotifyOperation> MakeOperation(const TDataTypeID& DataTypeID, T AValue) = 0;
  TOWNotifyResult SubmitValue(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                              TOWNotifyState State);
  T FValue{};
  TOWPinNotificationEvent FPinNotificationEvent;
  TOWPinEvent FOnDisconnect;
};

class TOWFloatSourcePin : public TOWValueSourcePin<float> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWFloatSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr, Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWFloatSourcePin() override { Disconnect(); }

 protected:
  Ref<IOWNotifyOperation> MakeOperation(const TDataTypeID& DataTypeID, float AValue) override;
};

class TOWRealSourcePin : public TOWValueSourcePin<double> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWRealSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr, Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWRealSourcePin() override { Disconnect(); }

 protected:
  Ref<IOWNotifyOperation> MakeOperation(const TDataTypeID& DataTypeID, double AValue) override;
};

class TOWStringSourcePin : public TOWValueSourcePin<std::string> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWStringSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr, Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWStringSourcePin() override { Disconnect(); }

 protected:
  Ref<IOWNotifyOperation> MakeOperation(const TDataTypeID& DataTypeID, std::string AValue) override;
};

// A Real value with its range; a Float-only sink gets the value as single.
class TOWRealRangedSourcePin : public TOWValueSourcePin<double> {
  TAVREL_CLASS_INFO
 public:
  explicit TOWRealRangedSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock = nullptr,
                                  Ref<IOWLock> AInputOwnerLock = nullptr);
  ~TOWRealRangedSourcePin() override { Disconnect(); }
  void SubmitValueRange(double AValue, double AMin, double AMax);

 protected:
  Ref<IOWNotifyOperation> MakeOperation(const TDataTypeID& DataTypeID, double AValue) override;
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
                  TOWPinDispatchEvent AOnPinDispatchEvent, const Guid& AType)
      : TOWStdSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnPinDispatchEvent)),
        FOnDataChange(std::move(AOnDataChange)) {
    AddType(AType);
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
                        IID_IOWFloatStream) {}
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
                        IID_OWRealStream) {}
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
                        IID_IOWStringStream) {}
  ~TOWStringSinkPin() override { Disconnect(); }

 protected:
  bool ValueOf(IOWNotifyOperation* Operation, std::string& AValue) override;
};

// Sinks of a type no operation carries: everything goes to the dispatch event.
class TOWTypedStdSinkPin : public TOWStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TOWTypedStdSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, const Guid& AType,
                     TOWPinDispatchEvent AOnPinDispatchEvent)
      : TOWStdSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnPinDispatchEvent)) {
    AddType(AType);
  }
  ~TOWTypedStdSinkPin() override { Disconnect(); }
};

class TOWIntegerSinkPin : public TOWTypedStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TOWIntegerSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWTypedStdSinkPin(AOwner, std::move(AOwnerLock), IID_OWIntegerStream, std::move(AOnPinDispatchEvent)) {}
};

class TOWInt64SinkPin : public TOWTypedStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TOWInt64SinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWTypedStdSinkPin(AOwner, std::move(AOwnerLock), IID_OWInt64Stream, std::move(AOnPinDispatchEvent)) {}
};

class TOWDateTimeSinkPin : public TOWTypedStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TOWDateTimeSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWTypedStdSinkPin(AOwner, std::move(AOwnerLock), IID_OWDateTimeStream, std::move(AOnPinDispatchEvent)) {}
};

// Ranged values first, plain values of the same width too.
class TOWIntAndRangedSinkPin : public TOWTypedStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TOWIntAndRangedSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWTypedStdSinkPin(AOwner, std::move(AOwnerLock), IID_OWRangedIntegerStream, std::move(AOnPinDispatchEvent)) {
    AddType(IID_OWIntegerStream);
  }
};

class TOWInt64AndRangedSinkPin : public TOWTypedStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TOWInt64AndRangedSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWPinDispatchEvent AOnPinDispatchEvent = {})
      : TOWTypedStdSinkPin(AOwner, std::move(AOwnerLock), IID_OWRangedInt64Stream, std::move(AOnPinDispatchEvent)) {
    AddType(IID_OWInt64Stream);
  }
};

}  // namespace tavrel
