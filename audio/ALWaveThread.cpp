#include "audio/ALWaveThread.h"

#include <mutex>

namespace tavrel {

TALWaveThread::TALWaveThread(const TComponent* AOwner, TALWaveProcessMessage AOnProcess, TLPThreadError AOnError)
    : TLPThread(GetComponentName(AOwner) + ".TALWaveThread"),
      FOnProcess(std::move(AOnProcess)),
      FOnError(std::move(AOnError)) {
  FRecords.Reserve(16);  // more than a device ever has queued: records cost no allocation
  Start(ThreadPriority::Highest);
}

TALWaveThread::~TALWaveThread() {
  Terminate();
  ClearRecords();
}

void TALWaveThread::PushRecord(uint32_t uMsg, uint64_t hwo, WAVEHDR* AWaveHdr) {
  try {
    std::lock_guard guard(FSection);
    // Checked under the section: Terminate sets the flag before the thread's
    // last look at the queue, so nothing slips in after it.
    if (Terminated()) return;
    FRecords.push_back({uMsg, hwo, AWaveHdr});
    FSemaphore.Increment(1);
  } catch (...) {
    // A record that could not be queued is a buffer that never comes back.
    ReportThreadError(FOnError, std::current_exception());
  }
}

void TALWaveThread::ClearRecords() {
  std::lock_guard guard(FSection);
  FRecords.clear();
}

void TALWaveThread::Terminate() {
  bool first = false;
  {
    std::lock_guard guard(FSection);
    first = !Terminated();
    TLPThread::Terminate();
  }
  if (first) FSemaphore.Increment(1);
  WaitFor();
}

void TALWaveThread::Execute() {
  AnnounceThreadName();
  while (!Terminated()) {
    FSemaphore.Decrement(INFINITE);
    if (Terminated()) break;
    Record record{};
    bool taken = false;
    {
      std::lock_guard guard(FSection);
      if (!FRecords.empty()) {
        record = FRecords.front();
        FRecords.pop_front();
        taken = true;
      }
      if (Terminated()) break;
    }
    if (taken) Process(record);
  }
  ClearRecords();
}

void TALWaveThread::Process(const Record& ARecord) {
  try {
    if (FOnProcess) FOnProcess(ARecord.uMsg, ARecord.hwo, ARecord.WaveHdr);
  } catch (...) {
    ReportThreadError(FOnError, std::current_exception());
  }
}

}  // namespace tavrel
