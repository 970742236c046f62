#pragma once
// The base value pins: the clock source pin and the standard source pin
// built on it (the base of every value source, OWValuePins.h), the
// standard sink pin with its dispatch event, the standard state pin, the
// Boolean sink pin and the Boolean state pin. The signal-buffer pins derive
// from TOWClockSourcePin and TOWStdSinkPin.
//
//   TOWClockSourcePin clock(owner, lock, nullptr, {});   // upstream handler optional
//   TOWBoolSinkPin enable(owner, lock, TOWBoolChangeEvent([](TOWPin*, bool v, bool onConnect) { ... }));
//   enable.Connect(&someBoolSource);
//   clock.Clock();                                        // a TOWClockOperation to every sink
//
// A pin answers a stream interface by its GUID (SupportsStreamInterface);
// receivers implement IOWBasicStream, whose DispatchData takes the delivery.
#include "framework/OWPins.h"
#include "framework/OWStateDispatcher.h"
#include "platform/method.h"

namespace tavrel {

inline constexpr Guid IID_IOWBasicStream{0x561B072C, 0x4191, 0x49C6, {0x9F, 0x22, 0x21, 0x79, 0x1E, 0xF9, 0x77, 0xD9}};
inline constexpr Guid IID_IOWDataStream{0xCFDF94D7, 0x5134, 0x49D9, {0xAC, 0x65, 0x90, 0x2B, 0xBC, 0x1C, 0xD1, 0x40}};
// Stream types that are also the interface IDs of their streams.
inline constexpr Guid IID_OWClockStream{0x48CDAF9F, 0x00C7, 0x4B45, {0x99, 0x9D, 0x4E, 0xE2, 0x53, 0x53, 0xA9, 0x52}};
inline constexpr Guid IID_IOWBoolStream{0x7AA677AE, 0xF983, 0x4714, {0x8E, 0x64, 0xEC, 0x6F, 0x3D, 0x17, 0x69, 0x5B}};

// What a pin that takes deliveries implements.
class IOWBasicStream {
 public:
  virtual TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                       TOWNotifyState State) = 0;

 protected:
  ~IOWBasicStream() = default;
};

// The handler's basic stream when it answers IID; null otherwise.
IOWBasicStream* QueryBasicStream(IOWStream* Handler, const Guid& IID);

using TOWPinEvent = Method<void(TOWBasicPin* APin)>;
using TOWClockPinNotificationEvent = Method<TOWNotifyResult(TOWBasicPin* Sender, const TDataTypeID& DataTypeID,
                                                            IOWNotifyOperation* Operation, TOWNotifyState State)>;
using TOWPinDispatchEvent = Method<TOWNotifyResult(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                                   TOWNotifyState State, bool& Handled)>;
using TOWBoolChangeEvent = Method<void(TOWPin* Sender, bool AValue, bool AOnConnect)>;
// Called per sink before a source's own delivery (Handled preset true:
// leaving it true replaces that delivery).
using TOWPinNotificationEvent = Method<TOWNotifyResult(IOWBasicStream* Handler, const TDataTypeID& DataTypeID,
                                                       IOWNotifyOperation* Operation, TOWNotifyState State,
                                                       bool& Handled)>;
using TOWBoolPinNotificationEvent = TOWPinNotificationEvent;

// Sends clock ticks; also answers the clock interface itself, handing what
// its sinks send back to the notification event.
class TOWClockSourcePin : public TOWSourcePin, public IOWBasicStream {
  TAVREL_CLASS_INFO
 public:
  TOWClockSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                    TOWClockPinNotificationEvent APinNotificationEvent);
  explicit TOWClockSourcePin(TComponent* AOwner, TOWClockPinNotificationEvent APinNotificationEvent = {})
      : TOWClockSourcePin(AOwner, nullptr, nullptr, std::move(APinNotificationEvent)) {}
  ~TOWClockSourcePin() override { Disconnect(); }

  void Clock();
  bool SupportsStreamInterface(const Guid& IID) override;
  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override;

 private:
  TOWNotifyResult ClockSubmit(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                              TOWNotifyState State);
  TOWClockPinNotificationEvent FPinNotificationEvent;
};

// A clock source that tells its owner of each pin it leaves.
class TOWStdSourcePin : public TOWClockSourcePin {
  TAVREL_CLASS_INFO
 public:
  TOWStdSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                  TOWPinEvent AOnDisconnect = {}, TOWClockPinNotificationEvent APinNotificationEvent = {})
      : TOWClockSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), std::move(APinNotificationEvent)),
        FOnDisconnect(std::move(AOnDisconnect)) {}
  ~TOWStdSourcePin() override { Disconnect(); }

  void SetOnDisconnect(TOWPinEvent e);
  void DoDisconnectPin(TOWBasicPin* APin) override;

 private:
  TOWPinEvent FOnDisconnect;
};

// A state pin that tells its owner of each pin it leaves and hands what
// it does not take itself to its dispatch event.
class TOWStdStatePin : public TOWStatePin {
  TAVREL_CLASS_INFO
 public:
  TOWStdStatePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWPinEvent AOnDisconnect = {},
                 TOWPinDispatchEvent AOnPinDispatchEvent = {}, TObject* ACustomData = nullptr)
      : TOWStatePin(AOwner, std::move(AOwnerLock), ACustomData),
        FOnDisconnect(std::move(AOnDisconnect)),
        FOnPinDispatchEvent(std::move(AOnPinDispatchEvent)) {}
  ~TOWStdStatePin() override { Disconnect(); }

  void SetOnDisconnect(TOWPinEvent e);
  void DoDisconnectPin(TOWBasicPin* APin) override;

 protected:
  TOWNotifyResult Dispatch(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation, TOWNotifyState State);

 private:
  TOWPinEvent FOnDisconnect;
  TOWPinDispatchEvent FOnPinDispatchEvent;
};

// A sink pin whose deliveries go to its dispatch event (Handled preset true).
class TOWStdSinkPin : public TOWSinkPin, public IOWBasicStream {
  TAVREL_CLASS_INFO
 public:
  TOWStdSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWPinDispatchEvent AOnPinDispatchEvent,
                TObject* ACustomData = nullptr)
      : TOWSinkPin(AOwner, std::move(AOwnerLock), ACustomData), FOnPinDispatchEvent(std::move(AOnPinDispatchEvent)) {}
  ~TOWStdSinkPin() override { Disconnect(); }

  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override;

 protected:
  TOWNotifyResult Dispatch(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation, TOWNotifyState State);
  TOWPinDispatchEvent FOnPinDispatchEvent;
};

// Keeps the last Boolean received and reports it.
class TOWBoolSinkPin : public TOWStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TOWBoolSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWBoolChangeEvent AOnDataChange,
                 TOWPinDispatchEvent AOnPinDispatchEvent = {}, TObject* ACustomData = nullptr)
      : TOWStdSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnPinDispatchEvent), ACustomData),
        FOnDataChange(std::move(AOnDataChange)) {}
  ~TOWBoolSinkPin() override { Disconnect(); }

  bool Value();
  bool SupportsStreamInterface(const Guid& IID) override;
  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override;

 private:
  bool FValue = false;
  TOWBoolChangeEvent FOnDataChange;
};

// The value side of the Boolean state pin: the shared value, how it is sent
// and how an arriving value is kept. Its deliveries travel over a state
// link; without one, sending reaches nobody.
class TOWBoolStatePin : public TOWStdStatePin, public IOWBasicStream {
  TAVREL_CLASS_INFO
 public:
  TOWBoolStatePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TOWBoolChangeEvent AOnDataChange,
                  TOWPinDispatchEvent AOnPinDispatchEvent = {}, TObject* ACustomData = nullptr);
  ~TOWBoolStatePin() override { Disconnect(); }

  bool Value();
  // Sends only a changed value.
  void SetValue(bool AValue);
  void Send(bool AValue);
  void SetPinNotificationEvent(TOWBoolPinNotificationEvent e) { FPinNotificationEvent = std::move(e); }

  bool SupportsStreamInterface(const Guid& IID) override;
  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override;
  // The link's submit function for the Boolean type.
  TOWNotifyResult SubmitValue(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                              TOWNotifyState State);

 private:
  bool FValue = false;
  TOWBoolChangeEvent FOnDataChange;
  TOWBoolPinNotificationEvent FPinNotificationEvent;
};

}  // namespace tavrel
