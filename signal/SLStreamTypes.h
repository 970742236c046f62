#pragma once
// The pins that carry signal buffers and stream commands between
// components, the operations they carry, and the buffer stream types.
//
//   TSLOWSourcePin out(this, FOutputLock, FInputLock, OutputEvent);
//   TSLOWSinkPin in(this, FInputLock, InputEvent);
//   out.Connect(&next->in);
//   Ref<IOWNotifyOperation> start = MakeRef<TOWStartSampleRateOperation>(44100.0);
//   out.Notify(start.get());        // remembered: a sink linked later receives it
//   out.SubmitBuffer(*buffer);      // each operation carries its own buffer object
//   out.Stop();                     // forgets the start
//
// Receiving: an operation that reaches a pin goes to the pin's operation
// event (a sink pin: from its source; a source pin: from its sinks, sent
// upstream). Operations of a link announcement (nsNewLink) reach no
// component.
//
// Replay. A sink linked while a start is remembered receives that same
// operation object once: linked from the sink's side it receives the start
// and then the connect event fires; linked from the source's side
// (Connect/ConnectAfter on the source) the event fires first. A link that
// goes receives a stop first.
//
// Failures. SubmitBuffer never raises. A sink that raises while a buffer is
// delivered does not keep the buffer from the other sinks: the failure is
// contained in that link, counted, and reported to OnSubmitError.
#include <atomic>
#include <string>
#include <vector>

#include "framework/OWOperations.h"
#include "framework/OWPins.h"
#include "framework/OWStdPins.h"
#include "framework/OWSync.h"
#include "platform/method.h"
#include "signal/SLSimpleDataBuffer.h"

namespace tavrel {

inline constexpr Guid IID_ISLStream{0x20ACBC6D, 0xDA0D, 0x4359, {0x8C, 0x78, 0xCE, 0x00, 0x67, 0xD0, 0x09, 0xA0}};

inline constexpr Guid IID_SLBinaryBuffer{0xBD807B57, 0x05AE, 0x44E0, {0xA9, 0x9F, 0x3D, 0x9B, 0xAD, 0x83, 0x39, 0x5E}};
inline constexpr Guid IID_SLRealBuffer{0x58041272, 0xEF20, 0x4696, {0x87, 0xE6, 0x9E, 0xE4, 0x6A, 0xBF, 0xBD, 0x89}};
inline constexpr Guid IID_SLIntegerBuffer{0x473B965F, 0xAB43, 0x4493, {0xB9, 0xE3, 0xBE, 0xE9, 0xCF, 0x08, 0x03, 0xD4}};
inline constexpr Guid IID_SLComplexBuffer{0xBD797143, 0xD7C6, 0x4033, {0xB6, 0x86, 0x9A, 0xBA, 0x65, 0x83, 0x46, 0xCF}};
inline constexpr Guid IID_SLUniversalBuffer{0x949B7FD0, 0x421F, 0x4F1B, {0xB8, 0xD2, 0x87, 0x96, 0x9D, 0x3E, 0x66, 0xE0}};
inline constexpr Guid IID_SLGenericBuffer{0xDB6DD866, 0x611D, 0x4DC4, {0xB4, 0x6F, 0x45, 0x9C, 0xF8, 0xF0, 0x2E, 0xCD}};
inline constexpr Guid IID_SLPairedBuffers{0xF4D70F89, 0xB478, 0x4D08, {0x99, 0x0F, 0xAD, 0x03, 0x75, 0x9D, 0x0E, 0x31}};
inline constexpr Guid IID_SLString{0x939000AB, 0x3C12, 0x4A1D, {0x89, 0xB5, 0x33, 0xDA, 0x28, 0x4E, 0x49, 0x29}};
inline constexpr Guid IID_SLRealMatrix{0x3A3BA3E1, 0x0184, 0x41DA, {0xAA, 0x08, 0x54, 0x12, 0xDD, 0x5F, 0x2B, 0x83}};
inline constexpr Guid IID_SLUserControl{0x9E7972F6, 0x919B, 0x491D, {0xA0, 0x94, 0x18, 0x72, 0x2B, 0x97, 0x44, 0x29}};

// Value streams the buffer pins also speak.
inline constexpr Guid IID_SLFloatValue{0x67F6997B, 0x7EB4, 0x4E2F, {0x83, 0x20, 0x4A, 0x51, 0x2B, 0x5F, 0x2B, 0xC7}};
inline constexpr Guid IID_SLRealValue{0x208F9564, 0x3C20, 0x4C97, {0xBB, 0x77, 0x2F, 0xC5, 0xAE, 0x6E, 0x41, 0x94}};
inline constexpr Guid IID_SLStringValue{0x25C048B4, 0x89D4, 0x4277, {0xAA, 0x98, 0xA8, 0x35, 0xEB, 0x29, 0xF5, 0xC1}};

// ---- Operations

// One buffer downstream; carries its own object sharing the given data.
class TOWSuppliedBufferOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedBufferOperation(const TSLData& ABuffer) : Buffer(ABuffer.MakeCopy()) {}
  const Ref<TSLData> Buffer;
};

// A start with the sample rate at full precision (Rate holds it as float).
class TOWStartSampleRateOperation : public TOWStartRateOperation {
 public:
  explicit TOWStartSampleRateOperation(double ASampleRate) : TOWStartRateOperation(float(ASampleRate)), SampleRate(ASampleRate) {}
  const double SampleRate;
};

class TOWSLPauseOperation : public TOWNotifyOperation {};
class TOWSLResumeOperation : public TOWNotifyOperation {};

// ---- Pins

using TSLOperationEvent = Method<TOWNotifyResult(TOWBasicPin* Sender, const TDataTypeID& DataTypeID,
                                                 IOWNotifyOperation* Operation, TOWNotifyState State)>;
// A sink raised while a buffer was delivered to it.
using TSLSubmitErrorEvent = Method<void(TOWBasicPin* Sender, const std::string& ErrorText)>;

// The pin's operation event, or [] without one.
TOWNotifyResult SLDispatchToEvent(TOWBasicPin* Pin, const TSLOperationEvent& Event, const TDataTypeID& DataTypeID,
                                  IOWNotifyOperation* Operation, TOWNotifyState State);

class TSLOWSourcePin : public TOWSourcePin, public IOWBasicStream {
  TAVREL_CLASS_INFO
 public:
  // AMaxConnections 0: no limit.
  TSLOWSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                 TSLOperationEvent AOperationEvent, int AMaxConnections = 0, TOWPinEvent AOnConnect = {});

  TOWNotifyResult Notify(IOWNotifyOperation* Operation) override;
  // Never raises; [] when something failed.
  TOWNotifyResult SubmitBuffer(const TSLData& Buffer);
  virtual void Stop();
  void EndStop();
  void FileEndNoStop();
  void BCBNotify(IOWNotifyOperation* Operation) { Notify(Operation); }

  TSLSubmitErrorEvent OnSubmitError;
  // Deliveries of buffers that a sink failed.
  int SubmitErrorCount() const { return FSubmitErrors.load(); }

  bool SupportsStreamInterface(const Guid& IID) override;
  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override;

  void AddSinkEntry(TOWBasicPin* ASinkPin, TOWBasicPin* ANotifyAfterPin) override;
  bool DoConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override;
  void RemoveConnection(TOWBasicPin* APin, bool AKeepUnloaded) override;

  TOWNotifyResult SubmitStream(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State);
  TOWNotifyResult SubmitClock(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                              TOWNotifyState State);

 protected:
  virtual TOWNotifyResult SubmitOtherStream(IOWStream*, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState) {
    return {};
  }
  // What a sink linked from its own side receives after the start replay.
  virtual void ReplayAfterStart(TOWBasicPin*) {}
  // Remembers or forgets what a later sink must be told.
  virtual void Remember(IOWNotifyOperation* Operation);
  void ContainFailure(const char* what);

  TOWCriticalSection FLPDataSection;
  Ref<IOWNotifyOperation> FStartOperation;
  TOWPinEvent FOnConnect;
  TSLOperationEvent FOperationEvent;

 private:
  std::atomic<int> FSubmitErrors{0};
};

class TSLOWSinkPin : public TOWStdSinkPin {
  TAVREL_CLASS_INFO
 public:
  TSLOWSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
               TOWPinDispatchEvent AOnPinDispatchEvent = {}, TOWPinEvent AOnConnect = {},
               TOWPinEvent AOnDisconnect = {});

  // Upstream to the linked source.
  TOWNotifyResult MasterPump(TObject* Sender);
  void BCBNotify(IOWNotifyOperation* Operation) { Notify(Operation); }

  bool SupportsStreamInterface(const Guid& IID) override;
  TOWNotifyResult DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                               TOWNotifyState State) override;
  void AddSinkEntry(TOWBasicPin* ASourcePin, TOWBasicPin* ANotifyAfterPin) override;
  void DoDisconnect() override;

  TOWNotifyResult SinkSubmit(IOWStream* Handler, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                             TOWNotifyState State);

 protected:
  TSLOperationEvent FOperationEvent;
  TOWPinEvent FOnConnect;
  TOWPinEvent FOnDisconnect;
};

// Typed pins: each adds its buffer type after the base's.
class TSLOWBinarySourcePin : public TSLOWSourcePin {
 public:
  TSLOWBinarySourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                       TSLOperationEvent AOperationEvent);
};

class TSLOWIntegerSourcePin : public TSLOWSourcePin {
 public:
  TSLOWIntegerSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                        TSLOperationEvent AOperationEvent);
};

// With AUseFloat also a value pin: the last element of every buffer.
class TSLOWRealSourcePin : public TSLOWSourcePin {
 public:
  TSLOWRealSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                     TSLOperationEvent AOperationEvent, bool AUseFloat = false, TOWPinEvent AOnConnect = {});
  TOWNotifyResult NotificationSingle(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                     IOWNotifyOperation* Operation, TOWNotifyState State);
};

class TSLOWStringSourcePin : public TSLOWSourcePin {
 public:
  TSLOWStringSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                       TSLOperationEvent AOperationEvent);
  TOWNotifyResult NotificationString(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                     IOWNotifyOperation* Operation, TOWNotifyState State);
};

class TSLOWRealMatrixSourcePin : public TSLOWSourcePin {
 public:
  TSLOWRealMatrixSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                           TSLOperationEvent AOperationEvent);
};

class TSLOWIntegerSinkPin : public TSLOWSinkPin {
 public:
  TSLOWIntegerSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
                      TOWPinDispatchEvent AOnPinDispatchEvent = {});
};

class TSLOWRealSinkPin : public TSLOWSinkPin {
 public:
  TSLOWRealSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
                   TOWPinDispatchEvent AOnPinDispatchEvent = {});
};

class TSLOWComplexSinkPin : public TSLOWSinkPin {
 public:
  TSLOWComplexSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
                      TOWPinDispatchEvent AOnPinDispatchEvent = {});
};

// ---- Stream types

// The send function of the buffer types, for pins without a submit function
// of their own. A sample-rate start reaches a real-buffer handler with the
// rate divided by 8 and an integer-buffer handler divided by 4.
TOWNotifyResult SLBufferSend(TOWPin* Sender, IOWStream* Handler, const TDataTypeID& DataTypeID,
                             IOWNotifyOperation* Operation, TOWNotifyState State);

using TSLOWCreateBufferFunction = Ref<TSLGenericBuffer> (*)(int32_t ASize);
using TSLOWUpdateBufferFunction = void (*)(TSLGenericBuffer& Buffer, IOWNotifyOperation* Operation);

struct TSLOWStreamTypeEntry {
  Guid ID;
  int32_t SampleSize = 0;
  TSLOWCreateBufferFunction CreateFunction = nullptr;
  TSLOWUpdateBufferFunction UpdateFunction = nullptr;
};

// A known GUID keeps its first element size and takes the new functions.
void RegisterStreamType(const Guid& ID, int32_t SampleSize, TSLOWCreateBufferFunction CreateFunction,
                        TSLOWUpdateBufferFunction UpdateFunction);
const std::vector<TSLOWStreamTypeEntry>& StreamTypeFactories();
void ClearStreamTypeFactories();

// The module's start-up: names, send functions, factories, converters.
void SLStreamTypesStart();
void SLStreamTypesFinish();

}  // namespace tavrel
