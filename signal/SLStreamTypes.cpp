#include "signal/SLStreamTypes.h"

#include <mutex>

#include "platform/classinfo.h"
#include "signal/SLBlockBuffer.h"
#include "signal/SLComplexBuffer.h"
#include "signal/SLFormatConverters.h"
#include "signal/SLIntegerBuffer.h"
#include "signal/SLRealBuffer.h"

namespace tavrel {

const ClassInfo& TSLOWSourcePin::Class() {
  static const ClassInfo ci = ClassBuilder<TSLOWSourcePin>("TSLOWSourcePin", TOWSourcePin::Class()).build();
  return ci;
}

const ClassInfo& TSLOWSinkPin::Class() {
  static const ClassInfo ci = ClassBuilder<TSLOWSinkPin>("TSLOWSinkPin", TOWStdSinkPin::Class()).build();
  return ci;
}

namespace {

// A link being made from the source's side on this thread: the source
// replays there, after the link is complete, and AddSinkEntry stays quiet.
struct ConnectAfterMark {
  TSLOWSourcePin* pin;
  TOWBasicPin* sink;
  bool linked;
  ConnectAfterMark* outer;
};
thread_local ConnectAfterMark* tConnectAfter = nullptr;

bool IsBufferOperation(IOWNotifyOperation* Operation) {
  return Operation && dynamic_cast<TOWSuppliedBufferOperation*>(Operation->Instance());
}

}  // namespace

TOWNotifyResult SLDispatchToEvent(TOWBasicPin* Pin, const TSLOperationEvent& Event, const TDataTypeID& DataTypeID,
                                  IOWNotifyOperation* Operation, TOWNotifyState State) {
  return Event ? Event(Pin, DataTypeID, Operation, State) : TOWNotifyResult{};
}

// ---- Source pin

TSLOWSourcePin::TSLOWSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                               TSLOperationEvent AOperationEvent, int AMaxConnections, TOWPinEvent AOnConnect)
    : TOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), AMaxConnections),
      FOnConnect(std::move(AOnConnect)),
      FOperationEvent(std::move(AOperationEvent)) {
  AddType(IID_OWClockStream, TOWSubmit::Of<&TSLOWSourcePin::SubmitClock>(this));
  AddType(IID_SLUniversalBuffer, TOWSubmit::Of<&TSLOWSourcePin::SubmitStream>(this));
}

bool TSLOWSourcePin::SupportsStreamInterface(const Guid& IID) {
  return IID == IID_ISLStream || IID == IID_IOWBasicStream || TOWSourcePin::SupportsStreamInterface(IID);
}

TOWNotifyResult TSLOWSourcePin::DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                             TOWNotifyState State) {
  return SLDispatchToEvent(this, FOperationEvent, DataTypeID, Operation, State);
}

void TSLOWSourcePin::Remember(IOWNotifyOperation* Operation) {
  TOWNotifyOperation* op = Operation->Instance();
  const bool start = dynamic_cast<TOWStartOperation*>(op);
  // Buffers pass here too: no lock for what is not kept.
  if (!start && !dynamic_cast<TOWStopOperation*>(op)) return;
  std::lock_guard hold(FLPDataSection);
  FStartOperation = start ? Ref<IOWNotifyOperation>(Operation) : nullptr;
}

TOWNotifyResult TSLOWSourcePin::Notify(IOWNotifyOperation* Operation) {
  if (!Operation) return {};
  // Before the send: a sink linked while it runs is not served by it, so
  // it must find the start already remembered.
  Remember(Operation);
  return TOWSourcePin::Notify(Operation);
}

TOWNotifyResult TSLOWSourcePin::SubmitBuffer(const TSLData& Buffer) {
  try {
    Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedBufferOperation>(Buffer);
    return Notify(op.get());
  } catch (const std::exception& e) {
    ContainFailure(e.what());
  } catch (...) {
    ContainFailure("unknown exception");
  }
  return {};
}

void TSLOWSourcePin::ContainFailure(const char* what) {
  FSubmitErrors.fetch_add(1);
  if (!OnSubmitError) return;
  try {
    OnSubmitError(this, what);
  } catch (...) {
    // The reporting must not end the delivery either.
  }
}

void TSLOWSourcePin::Stop() {
  Ref<IOWNotifyOperation> op = MakeRef<TOWStopOperation>();
  Notify(op.get());
}

void TSLOWSourcePin::EndStop() {
  Ref<IOWNotifyOperation> op = MakeRef<TOWEndStopOperation>();
  Notify(op.get());
}

void TSLOWSourcePin::FileEndNoStop() {
  Ref<IOWNotifyOperation> op = MakeRef<TOWFileEndNoStopOperation>();
  Notify(op.get());
}

void TSLOWSourcePin::AddSinkEntry(TOWBasicPin* ASinkPin, TOWBasicPin* ANotifyAfterPin) {
  TOWSourcePin::AddSinkEntry(ASinkPin, ANotifyAfterPin);
  for (ConnectAfterMark* m = tConnectAfter; m; m = m->outer)
    if (m->pin == this && m->sink == ASinkPin) {
      m->linked = true;
      return;
    }
  Ref<IOWNotifyOperation> start;
  TOWPinEvent connected;
  {
    std::lock_guard hold(FLPDataSection);
    start = FStartOperation;
    connected = FOnConnect;
  }
  if (start) NotifyPin(ASinkPin, start.get());
  if (connected) connected(this);
  ReplayAfterStart(ASinkPin);
}

bool TSLOWSourcePin::DoConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) {
  ConnectAfterMark mark{this, OtherPin, false, tConnectAfter};
  tConnectAfter = &mark;
  bool linked;
  try {
    linked = TOWSourcePin::DoConnectAfter(OtherPin, NotifyAfterPin);
  } catch (...) {
    tConnectAfter = mark.outer;
    throw;
  }
  tConnectAfter = mark.outer;
  if (!linked || !mark.linked) return linked;
  Ref<IOWNotifyOperation> start;
  TOWPinEvent connected;
  {
    std::lock_guard hold(FLPDataSection);
    start = FStartOperation;
    connected = FOnConnect;
  }
  if (connected) connected(this);
  if (start) NotifyPin(OtherPin, start.get());
  return linked;
}

void TSLOWSourcePin::RemoveConnection(TOWBasicPin* APin, bool AKeepUnloaded) {
  if (APin && IsConnectedTo(APin)) {
    Ref<IOWNotifyOperation> stop = MakeRef<TOWStopOperation>();
    NotifyPin(APin, stop.get());
  }
  TOWSourcePin::RemoveConnection(APin, AKeepUnloaded);
}

TOWNotifyResult TSLOWSourcePin::SubmitStream(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                             IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (State.Contains(nsNewLink)) return {};
  auto deliver = [&]() -> TOWNotifyResult {
    if (IOWBasicStream* s = QueryBasicStream(Handler, IID_ISLStream)) return s->DispatchData(DataTypeID, Operation, State);
    if (IOWBasicStream* s = QueryBasicStream(Handler, IID_IOWDataStream))
      return s->DispatchData(DataTypeID, Operation, State);
    return SubmitOtherStream(Handler, DataTypeID, Operation, State);
  };
  if (!IsBufferOperation(Operation)) return deliver();
  // One failing sink must not keep the buffer from the others.
  try {
    return deliver();
  } catch (const std::exception& e) {
    ContainFailure(e.what());
  } catch (...) {
    ContainFailure("unknown exception");
  }
  return {};
}

TOWNotifyResult TSLOWSourcePin::SubmitClock(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                            IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (IOWBasicStream* s = QueryBasicStream(Handler, IID_OWClockStream)) s->DispatchData(DataTypeID, Operation, State);
  return {};
}

// ---- Sink pin

TSLOWSinkPin::TSLOWSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
                           TOWPinDispatchEvent AOnPinDispatchEvent, TOWPinEvent AOnConnect, TOWPinEvent AOnDisconnect)
    : TOWStdSinkPin(AOwner, std::move(AOwnerLock), std::move(AOnPinDispatchEvent)),
      FOperationEvent(std::move(AOperationEvent)),
      FOnConnect(std::move(AOnConnect)),
      FOnDisconnect(std::move(AOnDisconnect)) {
  SetIgnoreUpstream(true);
  AddType(IID_SLUniversalBuffer, TOWSubmit::Of<&TSLOWSinkPin::SinkSubmit>(this));
}

bool TSLOWSinkPin::SupportsStreamInterface(const Guid& IID) {
  return IID == IID_ISLStream || IID == IID_IOWBasicStream || TOWStdSinkPin::SupportsStreamInterface(IID);
}

TOWNotifyResult TSLOWSinkPin::DispatchData(const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                           TOWNotifyState State) {
  return SLDispatchToEvent(this, FOperationEvent, DataTypeID, Operation, State);
}

TOWNotifyResult TSLOWSinkPin::MasterPump(TObject* Sender) {
  Ref<IOWNotifyOperation> op = MakeRef<TOWMasterPumpOperation>(Sender);
  return Notify(op.get());
}

void TSLOWSinkPin::AddSinkEntry(TOWBasicPin* ASourcePin, TOWBasicPin* ANotifyAfterPin) {
  TOWStdSinkPin::AddSinkEntry(ASourcePin, ANotifyAfterPin);
  if (FOnConnect) FOnConnect(this);
}

void TSLOWSinkPin::DoDisconnect() {
  TOWStdSinkPin::DoDisconnect();
  if (FOnDisconnect) FOnDisconnect(this);
}

TOWNotifyResult TSLOWSinkPin::SinkSubmit(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                         IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (State.Contains(nsNewLink)) return {};
  if (IOWBasicStream* s = QueryBasicStream(Handler, IID_ISLStream)) return s->DispatchData(DataTypeID, Operation, State);
  return {};
}

// ---- Typed pins

TSLOWBinarySourcePin::TSLOWBinarySourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                                           TSLOperationEvent AOperationEvent)
    : TSLOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), std::move(AOperationEvent)) {
  AddType(IID_SLBinaryBuffer, TOWSubmit::Of<&TSLOWSourcePin::SubmitStream>(static_cast<TSLOWSourcePin*>(this)));
}

TSLOWIntegerSourcePin::TSLOWIntegerSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock,
                                             Ref<IOWLock> AInputOwnerLock, TSLOperationEvent AOperationEvent)
    : TSLOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), std::move(AOperationEvent)) {
  AddType(IID_SLIntegerBuffer, TOWSubmit::Of<&TSLOWSourcePin::SubmitStream>(static_cast<TSLOWSourcePin*>(this)));
}

TSLOWRealSourcePin::TSLOWRealSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                                       TSLOperationEvent AOperationEvent, bool AUseFloat, TOWPinEvent AOnConnect)
    : TSLOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), std::move(AOperationEvent), 0,
                     std::move(AOnConnect)) {
  if (AUseFloat) AddType(IID_SLFloatValue, TOWSubmit::Of<&TSLOWRealSourcePin::NotificationSingle>(this));
  AddType(IID_SLRealBuffer, TOWSubmit::Of<&TSLOWSourcePin::SubmitStream>(static_cast<TSLOWSourcePin*>(this)));
}

TOWNotifyResult TSLOWRealSourcePin::NotificationSingle(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                                       IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (State.Contains(nsNewLink)) return {};
  auto* op = dynamic_cast<TOWSuppliedBufferOperation*>(Operation->Instance());
  if (!op) return {};
  const auto& buffer = BufferAs<const TSLRealBuffer>(*op->Buffer);
  if (buffer.GetSize() == 0) return {};
  const double last = buffer.Read()[buffer.GetSize() - 1];
  if (IOWBasicStream* s = QueryBasicStream(Handler, IID_SLRealValue)) {
    Ref<IOWNotifyOperation> value = MakeRef<TOWSuppliedRealOperation>(last);
    s->DispatchData(DataTypeID, value.get(), State);
  } else if (IOWBasicStream* f = QueryBasicStream(Handler, IID_SLFloatValue)) {
    Ref<IOWNotifyOperation> value = MakeRef<TOWSuppliedSingleOperation>(float(last));
    f->DispatchData(DataTypeID, value.get(), State);
  }
  return {};
}

TSLOWStringSourcePin::TSLOWStringSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                                           TSLOperationEvent AOperationEvent)
    : TSLOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), std::move(AOperationEvent)) {
  AddType(IID_SLStringValue, TOWSubmit::Of<&TSLOWStringSourcePin::NotificationString>(this));
  AddType(IID_SLString, TOWSubmit::Of<&TSLOWSourcePin::SubmitStream>(static_cast<TSLOWSourcePin*>(this)));
}

TOWNotifyResult TSLOWStringSourcePin::NotificationString(IOWStream* Handler, const TDataTypeID& DataTypeID,
                                                         IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (State.Contains(nsNewLink) || !dynamic_cast<TOWSuppliedOperation*>(Operation->Instance())) return {};
  if (IOWBasicStream* s = QueryBasicStream(Handler, IID_SLStringValue)) s->DispatchData(DataTypeID, Operation, State);
  return {};
}

TSLOWRealMatrixSourcePin::TSLOWRealMatrixSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock,
                                                   Ref<IOWLock> AInputOwnerLock, TSLOperationEvent AOperationEvent)
    : TSLOWSourcePin(AOwner, std::move(AOwnerLock), std::move(AInputOwnerLock), std::move(AOperationEvent)) {
  AddType(IID_SLRealMatrix, TOWSubmit::Of<&TSLOWSourcePin::SubmitStream>(static_cast<TSLOWSourcePin*>(this)));
}

namespace {

template <const Guid& ID>
struct TypedSink {
  static void Add(TSLOWSinkPin* pin) {
    pin->AddType(ID, TOWSubmit::Of<&TSLOWSinkPin::SinkSubmit>(pin));
  }
};

}  // namespace

TSLOWIntegerSinkPin::TSLOWIntegerSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock,
                                         TSLOperationEvent AOperationEvent, TOWPinDispatchEvent AOnPinDispatchEvent)
    : TSLOWSinkPin(AOwner, std::move(AOwnerLock), std::move(AOperationEvent), std::move(AOnPinDispatchEvent)) {
  TypedSink<IID_SLIntegerBuffer>::Add(this);
}

TSLOWRealSinkPin::TSLOWRealSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
                                   TOWPinDispatchEvent AOnPinDispatchEvent)
    : TSLOWSinkPin(AOwner, std::move(AOwnerLock), std::move(AOperationEvent), std::move(AOnPinDispatchEvent)) {
  TypedSink<IID_SLRealBuffer>::Add(this);
}

TSLOWComplexSinkPin::TSLOWComplexSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock,
                                         TSLOperationEvent AOperationEvent, TOWPinDispatchEvent AOnPinDispatchEvent)
    : TSLOWSinkPin(AOwner, std::move(AOwnerLock), std::move(AOperationEvent), std::move(AOnPinDispatchEvent)) {
  TypedSink<IID_SLComplexBuffer>::Add(this);
}

// ---- Send function

TOWNotifyResult SLBufferSend(TOWPin*, IOWStream* Handler, const TDataTypeID& DataTypeID,
                             IOWNotifyOperation* Operation, TOWNotifyState State) {
  if (State.Contains(nsNewLink) || !Operation) return {};
  if (auto* start = dynamic_cast<TOWStartSampleRateOperation*>(Operation->Instance())) {
    // 8 and 4: the element sizes of the two buffer types.
    for (auto [id, divisor] : {std::pair{IID_SLRealBuffer, 8.0}, std::pair{IID_SLIntegerBuffer, 4.0}})
      if (IOWBasicStream* s = QueryBasicStream(Handler, id)) {
        Ref<IOWNotifyOperation> op = MakeRef<TOWStartSampleRateOperation>(start->SampleRate / divisor);
        return s->DispatchData(DataTypeID, op.get(), State);
      }
  }
  if (IOWBasicStream* s = QueryBasicStream(Handler, IID_ISLStream)) return s->DispatchData(DataTypeID, Operation, State);
  return {};
}

// ---- Buffer factories

namespace {

std::vector<TSLOWStreamTypeEntry>& Factories() {
  static std::vector<TSLOWStreamTypeEntry> table;
  return table;
}

void NoUpdate(TSLGenericBuffer&, IOWNotifyOperation*) {}

template <class B>
Ref<TSLGenericBuffer> CreateOf(int32_t ASize) {
  return B::CreateSize(uint64_t(ASize < 0 ? 0 : ASize));
}

}  // namespace

void RegisterStreamType(const Guid& ID, int32_t SampleSize, TSLOWCreateBufferFunction CreateFunction,
                        TSLOWUpdateBufferFunction UpdateFunction) {
  for (auto& e : Factories())
    if (e.ID == ID) {
      e.CreateFunction = CreateFunction;
      e.UpdateFunction = UpdateFunction;
      return;
    }
  Factories().push_back({ID, SampleSize, CreateFunction, UpdateFunction});
}

const std::vector<TSLOWStreamTypeEntry>& StreamTypeFactories() { return Factories(); }
void ClearStreamTypeFactories() { Factories().clear(); }

void SLStreamTypesStart() {
  const std::pair<Guid, const char*> names[] = {
      {IID_SLBinaryBuffer, "SL binary buffer"},     {IID_SLRealBuffer, "SL real buffer"},
      {IID_SLIntegerBuffer, "SL integer buffer"},   {IID_SLComplexBuffer, "SL complex buffer"},
      {IID_SLUniversalBuffer, "SL Universal buffer"}, {IID_SLGenericBuffer, "SL Generic buffer"},
      {IID_SLPairedBuffers, "SL Paired Buffers"},   {IID_SLString, "SL String"},
      {IID_SLRealMatrix, "SL Real Matrix"},         {IID_SLUserControl, "User control"},
  };
  for (auto& [id, name] : names) RegisterStreamTypeName(id, name);
  for (const Guid& id : {IID_SLBinaryBuffer, IID_SLRealBuffer, IID_SLIntegerBuffer, IID_SLComplexBuffer, IID_SLString,
                         IID_SLGenericBuffer, IID_SLPairedBuffers, IID_SLRealMatrix})
    RegisterStreamTypeSendFunction(id, &SLBufferSend);
  RegisterStreamType(IID_SLGenericBuffer, 1, &CreateOf<TSLBlockBuffer>, &NoUpdate);
  RegisterStreamType(IID_SLBinaryBuffer, 1, &CreateOf<TSLBlockBuffer>, &NoUpdate);
  RegisterStreamType(IID_SLRealBuffer, 8, &CreateOf<TSLRealBuffer>, &NoUpdate);
  RegisterStreamType(IID_SLIntegerBuffer, 4, &CreateOf<TSLIntegerBuffer>, &NoUpdate);
  RegisterStreamType(IID_SLComplexBuffer, 16, &CreateOf<TSLComplexBuffer>, &NoUpdate);
  RegisterSLFormatConverters();
}

void SLStreamTypesFinish() { ClearStreamTypeFactories(); }

}  // namespace tavrel
