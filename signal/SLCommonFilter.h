#pragma once
// The base of every component that takes buffers in on an input pin and
// sends results on an output pin: routing of incoming operations (start,
// stop, buffer, anything else), switching off, and optional buffer
// processing on a worker thread with a bounded queue.
//
//   class TMyFilter : public TSLBasicCommonFilter {
//    protected:
//     TOWNotifyResult ProcessBufferPair(const Ref<TSLGenericBuffer>& in, const Ref<TSLGenericBuffer>& out) override;
//     TOWPin* GetOutputPin() override { return FOutputPin.get(); }
//   };
//
// Routing (InputOperation, under the input lock): a sample-rate start
// starts processing and is forwarded; a stop stops it and is forwarded; a
// buffer goes to QueueOperation and is not forwarded; anything else is
// forwarded. Buffer processing runs under the output lock: on the
// delivering thread, or with Threading.Enabled on a worker started by the
// next start. Lock order: input, then output.
//
// The worker's queue accepts a push while at most Queue.Size operations
// wait. When full it drops the operation (fmDropData) or gives the input
// lock up completely and waits until the worker has taken one (fmBlock); a
// worker that ends lets every waiting push go (the operation is dropped). A
// worker that fails on one operation goes on with the next. The queue's
// size and mode are taken when the worker starts; a new priority reaches a
// running worker before its next operation.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "framework/LPComponent.h"
#include "framework/LPPersistent.h"
#include "framework/OWStdPins.h"
#include "framework/OWSync.h"
#include "platform/thread.h"
#include "signal/LPThread.h"
#include "signal/SLStreamTypes.h"
#include "signal/SLVariantStorages.h"

namespace tavrel {

enum TSLQueueFullMode { fmBlock, fmDropData };

class TSLThreadingQueue : public TLPPersistent {
  TAVREL_CLASS_INFO
 public:
  explicit TSLThreadingQueue(TLPPersistent* AOwner) : TLPPersistent(AOwner) {}

  uint32_t Size() const { return FLock->Getter(FSize); }
  void SetSize(uint32_t v) { FLock->Setter(FSize, v); }
  TSLQueueFullMode FullMode() const;
  void SetFullMode(TSLQueueFullMode v);
  void Assign(TPersistent* ASource) override;

 private:
  uint32_t FSize = 15;
  TSLQueueFullMode FFullMode = fmBlock;
};

class TSLThreading : public TLPPersistent {
  TAVREL_CLASS_INFO
 public:
  TSLThreading(TComponent* AOwner, const Ref<ILPLock>& ALock, TLPPropUpdateFunc APriorityNotify);

  bool Enabled() const { return FLock->Getter(FEnabled); }
  void SetEnabled(bool v) { FLock->Setter(FEnabled, v); }
  ThreadPriority Priority() const;
  void SetPriority(ThreadPriority v);
  TSLThreadingQueue* Queue() const { return FQueue.get(); }
  void SetQueue(TSLThreadingQueue* v) { FQueue->Assign(v); }
  void Assign(TPersistent* ASource) override;
  // Reads the older "QueueSize" into Queue.Size; never writes it.
  void DefineProperties(TFiler& Filer) override;

 private:
  bool FEnabled = false;
  ThreadPriority FPriority = ThreadPriority::Normal;
  TLPPropUpdateFunc FPriorityNotify;
  std::unique_ptr<TSLThreadingQueue> FQueue;
};

using TSLFilterThreadNotify = std::function<void(IOWNotifyOperation* AOperation)>;

class TSLFilterThread : public TLPThread {
 public:
  TSLFilterThread(TComponent* AOwner, Ref<ILPLock> ALock, const TSLThreading& AThreading,
                  TSLFilterThreadNotify AOwnerNotify);
  ~TSLFilterThread() override;

  // Called with the input lock held. False when the operation was dropped.
  bool PushOperation(const Ref<IOWNotifyOperation>& AValue);
  // Set once the queue has been worked off.
  TOWEvent& GetQueueEvent() { return FQueueEmptyEvent; }
  int QueuedCount() { return FOperationQueue.ItemsCount(); }
  // Ends the loop and waits for it; waiting pushes are let go.
  void Terminate();
  // The worker applies it to itself before its next operation.
  void SetPriority(ThreadPriority APriority);

 protected:
  void Execute() override;

 private:
  Ref<ILPLock> FLock;
  TSLFilterThreadNotify FOwnerNotify;
  const uint32_t FSize;
  const TSLQueueFullMode FFullMode;
  TOWEvent FEvent{false, false};
  TOWEvent FProcessedEvent{false, false};
  TOWEvent FTerminatedEvent{true, false};
  TOWEvent FQueueEmptyEvent{true, true};
  std::mutex FEmptyGuard;  // the empty event changes with the queue
  std::atomic<int> FWantedPriority{-1};  // a ThreadPriority; -1: none asked
  TSLOperationList FOperationQueue;
};

class TSLBasicThreadedFilter : public TLPInputOutputLockComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TSLBasicThreadedFilter(TComponent* AOwner);
  ~TSLBasicThreadedFilter() override;

  TSLThreading* Threading() const { return FThreading.get(); }
  void SetThreading(TSLThreading* v) { FThreading->Assign(v); }
  bool Running() const { return FRunning.load(); }
  // The worker, while one runs (for tests and diagnostics).
  std::shared_ptr<TSLFilterThread> FilterThread();

  // The input pin's operation event.
  virtual TOWNotifyResult InputOperation(TOWBasicPin* Sender, const TDataTypeID& DataTypeID,
                                         IOWNotifyOperation* Operation, TOWNotifyState State);

 protected:
  void BeforeDestruction() override;

  virtual bool IsEnabled() { return true; }
  virtual void ProcessQueuedOperation(IOWNotifyOperation* AOperation);
  virtual TOWNotifyResult ProcessBufferOperation(IOWNotifyOperation* AOperation);
  virtual TOWNotifyResult ProcessBuffer(const Ref<TSLGenericBuffer>&) { return {}; }
  virtual TOWNotifyResult QueueOperation(IOWNotifyOperation* AOperation, TOWNotifyState State);
  virtual void EnabledChanged() {}
  virtual void StopProcessing();
  virtual void StartProcessing();
  virtual TOWNotifyResult ForwardOperation(IOWNotifyOperation* AOperation);
  virtual TOWPin* GetOutputPin() { return nullptr; }

  // Hands the operation to the worker when one runs; false when none does.
  bool PushToWorker(IOWNotifyOperation* AOperation);
  void PriorityChanged();

  std::unique_ptr<TSLThreading> FThreading;
  std::shared_ptr<TSLFilterThread> FFilterThread;  // under the input lock
  std::atomic<bool> FRunning{false};
};

class TSLBasicThreadedEnableFilter : public TSLBasicThreadedFilter {
  TAVREL_CLASS_INFO
 public:
  explicit TSLBasicThreadedEnableFilter(TComponent* AOwner);
  ~TSLBasicThreadedEnableFilter() override;

  bool Enabled() const { return FLock->Getter(FEnabled); }
  void SetEnabled(bool v) { DoSetEnabled(v); }
  TOWBoolSinkPin* EnablePin() const { return FEnablePin.get(); }

 protected:
  // Without the component lock: the worker asks while it holds the output
  // lock, and the component lock is taken input first.
  bool IsEnabled() override { return FEnabledNow.load(); }
  virtual void DoSetEnabled(bool v);

 private:
  bool FEnabled = true;
  std::atomic<bool> FEnabledNow{true};  // follows FEnabled
  std::unique_ptr<TOWBoolSinkPin> FEnablePin;
};

class TSLBasicCommonFilter : public TSLBasicThreadedEnableFilter {
  TAVREL_CLASS_INFO
 public:
  using TSLBasicThreadedEnableFilter::TSLBasicThreadedEnableFilter;

 protected:
  // No IsEnabled test here: what a switched-off filter does with a buffer
  // is its subclass's choice.
  TOWNotifyResult QueueOperation(IOWNotifyOperation* AOperation, TOWNotifyState State) override;
  TOWNotifyResult ProcessBuffer(const Ref<TSLGenericBuffer>& ABuffer) override;
  virtual TOWNotifyResult ProcessBufferPair(const Ref<TSLGenericBuffer>&, const Ref<TSLGenericBuffer>&) { return {}; }
};

}  // namespace tavrel
