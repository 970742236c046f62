#include "signal/SLCommonFilter.h"

#include "platform/classinfo.h"
#include "platform/filer.h"

namespace tavrel {

const ClassInfo& TSLThreadingQueue::Class() {
  static const ClassInfo ci = ClassBuilder<TSLThreadingQueue>("TSLThreadingQueue", TLPPersistent::Class())
                                  .prop("Size", &TSLThreadingQueue::Size, &TSLThreadingQueue::SetSize)
                                  .defaultValue(Value(int64_t(15)))
                                  .build();
  return ci;
}

const ClassInfo& TSLThreading::Class() {
  static const ClassInfo ci = ClassBuilder<TSLThreading>("TSLThreading", TLPPersistent::Class())
                                  .prop("Enabled", &TSLThreading::Enabled, &TSLThreading::SetEnabled)
                                  .defaultValue(Value(false))
                                  .prop("Queue", &TSLThreading::Queue, &TSLThreading::SetQueue)
                                  .build();
  return ci;
}

const ClassInfo& TSLBasicThreadedFilter::Class() {
  static const ClassInfo ci =
      ClassBuilder<TSLBasicThreadedFilter>("TSLBasicThreadedFilter", TLPInputOutputLockComponent::Class())
          .prop("Threading", &TSLBasicThreadedFilter::Threading, &TSLBasicThreadedFilter::SetThreading)
          .build();
  return ci;
}

const ClassInfo& TSLBasicThreadedEnableFilter::Class() {
  static const ClassInfo ci =
      ClassBuilder<TSLBasicThreadedEnableFilter>("TSLBasicThreadedEnableFilter", TSLBasicThreadedFilter::Class())
          .prop("Enabled", &TSLBasicThreadedEnableFilter::Enabled, &TSLBasicThreadedEnableFilter::SetEnabled)
          .defaultValue(Value(true))
          .build();
  return ci;
}

const ClassInfo& TSLBasicCommonFilter::Class() {
  static const ClassInfo ci =
      ClassBuilder<TSLBasicCommonFilter>("TSLBasicCommonFilter", TSLBasicThreadedEnableFilter::Class()).build();
  return ci;
}

// ---- Settings

TSLQueueFullMode TSLThreadingQueue::FullMode() const {
  Ref<IOWLockSection> hold = FLock->ReadLock();
  return FFullMode;
}

void TSLThreadingQueue::SetFullMode(TSLQueueFullMode v) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  FFullMode = v;
}

void TSLThreadingQueue::Assign(TPersistent* ASource) {
  auto* src = dynamic_cast<TSLThreadingQueue*>(ASource);
  if (!src) return TLPPersistent::Assign(ASource);
  SetSize(src->Size());
  SetFullMode(src->FullMode());
}

TSLThreading::TSLThreading(TComponent* AOwner, const Ref<ILPLock>& ALock, TLPPropUpdateFunc APriorityNotify)
    : TLPPersistent(AOwner, ALock),
      FPriorityNotify(std::move(APriorityNotify)),
      FQueue(std::make_unique<TSLThreadingQueue>(this)) {}

ThreadPriority TSLThreading::Priority() const {
  Ref<IOWLockSection> hold = FLock->ReadLock();
  return FPriority;
}

void TSLThreading::SetPriority(ThreadPriority v) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  FPriority = v;
  if (FPriorityNotify) FPriorityNotify();
}

void TSLThreading::Assign(TPersistent* ASource) {
  auto* src = dynamic_cast<TSLThreading*>(ASource);
  if (!src) return TLPPersistent::Assign(ASource);
  SetEnabled(src->Enabled());
  SetPriority(src->Priority());
  FQueue->Assign(src->Queue());
}

void TSLThreading::DefineProperties(TFiler& Filer) {
  TLPPersistent::DefineProperties(Filer);
  Filer.DefineProperty(
      "QueueSize", [this](TReader& r) { FQueue->SetSize(uint32_t(r.ReadInteger())); }, nullptr, false);
}

// ---- Worker

TSLFilterThread::TSLFilterThread(TComponent* AOwner, Ref<ILPLock> ALock, const TSLThreading& AThreading,
                                 TSLFilterThreadNotify AOwnerNotify)
    : TLPThread(TLPThread::GetComponentName(AOwner) + ".TSLFilterThread"),
      FLock(std::move(ALock)),
      FOwnerNotify(std::move(AOwnerNotify)),
      FSize(AThreading.Queue()->Size()),
      FFullMode(AThreading.Queue()->FullMode()) {
  Start(AThreading.Priority());
}

TSLFilterThread::~TSLFilterThread() { Terminate(); }

bool TSLFilterThread::PushOperation(const Ref<IOWNotifyOperation>& AValue) {
  while (uint32_t(FOperationQueue.ItemsCount()) > FSize) {
    if (FFullMode == fmDropData || Terminated()) return false;
    // Without the input lock, so that a stop can reach the filter meanwhile.
    Ref<IOWLockSection> free = FLock->UnlockAll();
    FProcessedEvent.WaitFor(INFINITE);
    if (Terminated()) {
      FProcessedEvent.Signal();  // the next waiting push goes too
      return false;
    }
  }
  if (Terminated()) return false;
  {
    // With the push, so that "worked off" never covers a queued operation.
    std::lock_guard hold(FEmptyGuard);
    FOperationQueue.Push(AValue);
    FQueueEmptyEvent.Reset();
  }
  FEvent.Signal();
  return true;
}

void TSLFilterThread::SetPriority(ThreadPriority APriority) {
  FWantedPriority.store(int(APriority));
  FEvent.Signal();
}

void TSLFilterThread::Execute() {
  AnnounceThreadName();
  while (!Terminated()) {
    FEvent.WaitFor(INFINITE);
    // Only the thread itself can change its scheduling.
    const int wanted = FWantedPriority.exchange(-1);
    if (wanted >= 0) SetCurrentThreadPriority(ThreadPriority(wanted));
    while (!Terminated()) {
      Ref<IOWNotifyOperation> op = FOperationQueue.Pop();
      if (!op) break;
      try {
        FOwnerNotify(op.get());
      } catch (...) {
        // One failed operation must not end the worker: pushers wait for it.
      }
      op = nullptr;
      if (uint32_t(FOperationQueue.ItemsCount()) <= FSize) FProcessedEvent.Signal();
    }
    std::lock_guard hold(FEmptyGuard);
    if (FOperationQueue.ItemsCount() == 0 || Terminated()) FQueueEmptyEvent.Signal();
  }
  FTerminatedEvent.Signal();
}

void TSLFilterThread::Terminate() {
  TLPThread::Terminate();
  FEvent.Signal();
  FProcessedEvent.Signal();
  WaitFor();
  FQueueEmptyEvent.Signal();
}

// ---- Threaded filter

TSLBasicThreadedFilter::TSLBasicThreadedFilter(TComponent* AOwner)
    : TLPInputOutputLockComponent(AOwner),
      FThreading(std::make_unique<TSLThreading>(this, FInputLock,
                                                TLPPropUpdateFunc([this] { PriorityChanged(); }))) {}

TSLBasicThreadedFilter::~TSLBasicThreadedFilter() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  FFilterThread.reset();
}

void TSLBasicThreadedFilter::BeforeDestruction() {
  {
    Ref<IOWLockSection> stop = FLock->StopLock();
    StopProcessing();
  }
  TLPInputOutputLockComponent::BeforeDestruction();
}

void TSLBasicThreadedFilter::PriorityChanged() {
  // Called under the threading settings' lock, the input lock.
  if (FFilterThread) FFilterThread->SetPriority(FThreading->Priority());
}

std::shared_ptr<TSLFilterThread> TSLBasicThreadedFilter::FilterThread() {
  Ref<IOWLockSection> hold = FInputLock->ReadLock();
  return FFilterThread;
}

void TSLBasicThreadedFilter::ProcessQueuedOperation(IOWNotifyOperation* AOperation) {
  Ref<IOWLockSection> hold = FOutputLock->WriteLock();
  if (!hold) return;
  ProcessBufferOperation(AOperation);
}

TOWNotifyResult TSLBasicThreadedFilter::ProcessBufferOperation(IOWNotifyOperation* AOperation) {
  auto& op = dynamic_cast<TOWSuppliedBufferOperation&>(*AOperation->Instance());
  Ref<TSLData> copy = op.Buffer->MakeCopy();
  return ProcessBuffer(Ref<TSLGenericBuffer>(&BufferAs<TSLGenericBuffer>(*copy)));
}

bool TSLBasicThreadedFilter::PushToWorker(IOWNotifyOperation* AOperation) {
  // A local reference: a stop may drop the filter's while this push waits.
  std::shared_ptr<TSLFilterThread> worker = FFilterThread;
  if (!worker) return false;
  worker->PushOperation(Ref<IOWNotifyOperation>(AOperation));
  return true;
}

TOWNotifyResult TSLBasicThreadedFilter::QueueOperation(IOWNotifyOperation* AOperation, TOWNotifyState) {
  if (!IsEnabled()) return {};
  if (PushToWorker(AOperation)) return {};
  return ProcessBufferOperation(AOperation);
}

void TSLBasicThreadedFilter::StopProcessing() {
  std::shared_ptr<TSLFilterThread> worker;
  {
    Ref<IOWLockSection> stop = FLock->StopLock();
    worker = std::move(FFilterThread);
    FFilterThread.reset();
    FRunning.store(false);
  }
  // Outside the stop section: the worker may need the output lock to finish.
  if (worker) worker->Terminate();
}

void TSLBasicThreadedFilter::StartProcessing() {
  FRunning.store(true);
  if (FThreading->Enabled() && !FFilterThread)
    FFilterThread = std::make_shared<TSLFilterThread>(
        this, FInputLock, *FThreading, [this](IOWNotifyOperation* op) { ProcessQueuedOperation(op); });
}

TOWNotifyResult TSLBasicThreadedFilter::InputOperation(TOWBasicPin*, const TDataTypeID&,
                                                       IOWNotifyOperation* Operation, TOWNotifyState State) {
  Ref<IOWLockSection> hold = FInputLock->WriteLock();
  if (!hold) return {};
  TOWNotifyOperation* op = Operation->Instance();
  if (dynamic_cast<TOWStartSampleRateOperation*>(op)) {
    StartProcessing();
  } else if (dynamic_cast<TOWStopOperation*>(op)) {
    StopProcessing();
  } else if (dynamic_cast<TOWSuppliedBufferOperation*>(op)) {
    return QueueOperation(Operation, State);
  }
  return ForwardOperation(Operation);
}

TOWNotifyResult TSLBasicThreadedFilter::ForwardOperation(IOWNotifyOperation* AOperation) {
  if (ComponentState() & csDestroying) return {};
  TOWPin* out = GetOutputPin();
  return out ? out->Notify(AOperation) : TOWNotifyResult{};
}

// ---- Enable filter

TSLBasicThreadedEnableFilter::TSLBasicThreadedEnableFilter(TComponent* AOwner)
    : TSLBasicThreadedFilter(AOwner),
      FEnablePin(std::make_unique<TOWBoolSinkPin>(
          this, FLock, TOWBoolChangeEvent([this](TOWPin*, bool v, bool) { SetEnabled(v); }))) {}

TSLBasicThreadedEnableFilter::~TSLBasicThreadedEnableFilter() = default;

void TSLBasicThreadedEnableFilter::DoSetEnabled(bool v) {
  FLock->Setter(FEnabled, v, TLPPropUpdateFunc([this] {
                  FEnabledNow.store(FEnabled);
                  EnabledChanged();
                }));
}

// ---- Common filter

TOWNotifyResult TSLBasicCommonFilter::QueueOperation(IOWNotifyOperation* AOperation, TOWNotifyState) {
  if (PushToWorker(AOperation)) return {};
  // On the delivering thread the same way as on the worker.
  Ref<IOWLockSection> hold = FOutputLock->WriteLock();
  if (!hold) return {};
  return ProcessBufferOperation(AOperation);
}

TOWNotifyResult TSLBasicCommonFilter::ProcessBuffer(const Ref<TSLGenericBuffer>& ABuffer) {
  Ref<TSLData> outCopy = ABuffer->MakeCopy();
  return ProcessBufferPair(ABuffer, Ref<TSLGenericBuffer>(&BufferAs<TSLGenericBuffer>(*outCopy)));
}

}  // namespace tavrel
