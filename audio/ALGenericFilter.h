#pragma once
// The generic filter: application code sees, and may replace, every buffer
// of a stream through OnProcessData without writing a component of its own.
//
//   TALGenericFilter* tap = TComponent::Create<TALGenericFilter>(form);
//   tap->OnProcessData = TALProcessAudioNotify(
//       [&](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>& out, bool& send) { Show(*in); });
//   tap->SetSynchronizeType(TSLSynchronizeType::stQueue);   // the handler runs on the GUI thread
//
// The output shares the input's data until someone writes. With stNone the
// handler runs on the delivering thread under the output lock; with
// stSingleBuffer or stQueue the buffer goes through a main-thread buffer
// queue and is sent from the GUI thread after the handler. The handler runs
// whether or not the output is linked. A handler that raises is reported
// through OnError and the buffer goes on unchanged.
//
// The Send*Command operations let the component start, pause, resume and
// stop a stream itself: up to the source when the input is linked,
// otherwise down the output.
#include <atomic>
#include <memory>

#include "platform/classinfo.h"
#include "platform/method.h"
#include "signal/ALCommonFilter.h"
#include "signal/SLFilterTypes.h"
#include "signal/SLMainThreadNotify.h"

namespace tavrel {

using TALProcessAudioNotify = Method<void(TObject* Sender, const Ref<TALAudioBuffer>& InBuffer,
                                          Ref<TALAudioBuffer>& OutBuffer, bool& SendOutputData)>;

const EnumInfo& TSLSynchronizeTypeInfo();

class TALBasicGenericFilter : public TALCommonFilter {
  TAVREL_CLASS_INFO
 public:
  explicit TALBasicGenericFilter(TComponent* AOwner);
  ~TALBasicGenericFilter() override;

  TSLSynchronizeType SynchronizeType() const;
  void SetSynchronizeType(TSLSynchronizeType v);

  // Drops the buffers waiting for the GUI thread.
  void ClearQueue() { FBufferQueue->Clear(); }

  void SendStartCommand(int ABitsPerSample, int AChannelsCount, double ARate);
  void SendPauseCommand();
  void SendResumeCommand();
  void SendStopCommand();
  void SendEndStopCommand();

  TNotifyEvent OnStart;
  TNotifyEvent OnStop;
  TSLErrorEvent OnError;

 protected:
  virtual bool HasProcessHandler() = 0;
  virtual void DoProcessData(const Ref<TALAudioBuffer>& InBuffer, Ref<TALAudioBuffer>& OutBuffer,
                             bool& SendOutputData) = 0;

  void ProcessData(const Ref<TALAudioBuffer>& AInBuffer, Ref<TALAudioBuffer>& AOutBuffer, bool Allowed,
                   bool& Send) override;
  void StartWave(TOWStartWaveOperation& AOperation) override;
  void StopProcessing() override;

 private:
  void MainThreadBuffer(TObject* Sender, const Ref<TSLData>& AData);
  // The handler with its failures turned into OnError and the buffer restored.
  void GuardedProcessData(const Ref<TALAudioBuffer>& InBuffer, Ref<TALAudioBuffer>& OutBuffer, bool& Send);
  TOWNotifyResult SendCommand(IOWNotifyOperation* AOperation);

  TSLSynchronizeType FSynchronizeType = TSLSynchronizeType::stNone;
  // Read per buffer without the component lock, which is taken before the output lock.
  std::atomic<TSLSynchronizeType> FSynchronizeNow{TSLSynchronizeType::stNone};
  std::unique_ptr<TSLMainThreadBufferQueue> FBufferQueue;
};

class TALSimpleGenericFilter : public TALBasicGenericFilter {
  TAVREL_CLASS_INFO
 public:
  using TALBasicGenericFilter::TALBasicGenericFilter;

  // For handlers that produce extra output.
  TOWNotifyResult SendData(const TALAudioBuffer& OutBuffer) { return FOutputPin->SubmitBuffer(OutBuffer); }

  TALProcessAudioNotify OnProcessData;

 protected:
  bool HasProcessHandler() override { return bool(OnProcessData); }
  void DoProcessData(const Ref<TALAudioBuffer>& InBuffer, Ref<TALAudioBuffer>& OutBuffer,
                     bool& SendOutputData) override;
};

class TALGenericFilter : public TALSimpleGenericFilter {
  TAVREL_CLASS_INFO
 public:
  using TALSimpleGenericFilter::TALSimpleGenericFilter;
};

}  // namespace tavrel
