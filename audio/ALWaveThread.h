#pragma once
// The wave thread of a device component, and the device state it shares
// with its queued wave buffers.
//
//   // the driver callback only queues the message and wakes the thread:
//   void CALLBACK OnWave(HWAVEIN h, uint32_t msg, uintptr_t instance, uintptr_t p1, uintptr_t) {
//     reinterpret_cast<TALWaveThread*>(instance)->PushRecord(msg, uint64_t(h), (WAVEHDR*)p1);
//   }
//   TALWaveThread thread(component, [&](uint32_t msg, uint64_t h, WAVEHDR* hdr) { ... },
//                        [&](std::exception_ptr e) { /* hand it to the GUI thread */ });
//   ...
//   thread.Terminate();   // returns once the thread has ended
//
// An exception out of the handler never ends the thread: it goes to the
// error handler (dropped when there is none) and the next record is taken.
// A record that cannot be queued (out of memory) goes there too, from the
// driver's thread.
// Records reach the handler one per wake-up, in push order, on the wave
// thread and with no queue lock held, so the handler may take the
// device-state lock and the component locks. A push after Terminate is
// dropped; records still queued when the thread ends are dropped unhandled.
// ClearRecords drops the queued records; the wake-ups already counted then
// find the queue empty and call nothing.
//
// TALAudioParams is the device state: the open flag, the pump flag and the
// list of wave buffers queued on the device, changed only under its own
// re-entrant device-state lock (it is BasicLockable: std::lock_guard holds
// it). The flags and the list are read and written without the lock; the
// callers take it where it matters. The list owns the queued buffers.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave/wave.h"
#include "platform/component.h"
#include "platform/guid.h"
#include "platform/recycle.h"
#include "platform/recycle_queue.h"
#include "platform/refcount.h"
#include "platform/sync.h"
#include "signal/LPThread.h"

namespace tavrel {

// uMsg, the driver's handle and the header it reported.
using TALWaveProcessMessage = std::function<void(uint32_t uMsg, uint64_t hwo, WAVEHDR* AWaveHdr)>;

class TALWaveThread : public TLPThread {
 public:
  static constexpr int32_t kMaxWakeUps = 2000;

  // Named after the owner ("<name>.TALWaveThread"); runs at once, at the
  // highest priority the system grants.
  TALWaveThread(const TComponent* AOwner, TALWaveProcessMessage AOnProcess, TLPThreadError AOnError = {});
  ~TALWaveThread() override;

  // From the driver callback: queues the record and wakes the thread.
  void PushRecord(uint32_t uMsg, uint64_t hwo, WAVEHDR* AWaveHdr);
  // Drops every queued record unhandled.
  void ClearRecords();
  // The queue's lock (re-entrant on one thread).
  void Lock() { FSection.Enter(); }
  void Unlock() { FSection.Leave(); }
  // Stops the thread and waits until it has ended. Not from the thread itself.
  void Terminate();

 protected:
  void Execute() override;

 private:
  struct Record {
    uint32_t uMsg;
    uint64_t hwo;
    WAVEHDR* WaveHdr;
  };

  void Process(const Record& ARecord);

  TALWaveProcessMessage FOnProcess;
  TLPThreadError FOnError;
  Semaphore FSemaphore{0, kMaxWakeUps};
  CriticalSection FSection;
  TRecycledQueue<Record> FRecords;  // reused slots: no allocation per record
};

// One buffer queued on a device, as the device state lists it.
class TALQueuedWaveBuffer : public TRecycled {  // one per queued buffer: kept blocks
 public:
  virtual ~TALQueuedWaveBuffer() = default;
};

inline const Guid IID_IALAudioParams = StringToGUID("{EDF390D0-01DA-47DE-BE7D-8ECEB497AE7D}");

class IALAudioParams : public virtual RefCounted {
 public:
  virtual bool GetIsOpen() const = 0;
  virtual void SetIsOpen(bool AValue) = 0;
  virtual bool GetIsPump() const = 0;
  virtual void SetIsPump(bool AValue) = 0;
  virtual std::vector<std::unique_ptr<TALQueuedWaveBuffer>>& GetList() = 0;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;

  void lock() { Lock(); }
  void unlock() { Unlock(); }
};

class TALAudioParams : public IALAudioParams {
 public:
  bool GetIsOpen() const override { return FIsOpen.load(); }
  void SetIsOpen(bool AValue) override { FIsOpen.store(AValue); }
  bool GetIsPump() const override { return FIsPump.load(); }
  void SetIsPump(bool AValue) override { FIsPump.store(AValue); }
  std::vector<std::unique_ptr<TALQueuedWaveBuffer>>& GetList() override { return FBufferList; }
  void Lock() override { FSection.Enter(); }
  void Unlock() override { FSection.Leave(); }

 private:
  // Atomic so a glance without the lock is not a data race.
  std::atomic<bool> FIsOpen{false};
  std::atomic<bool> FIsPump{false};
  std::vector<std::unique_ptr<TALQueuedWaveBuffer>> FBufferList;
  CriticalSection FSection;
};

}  // namespace tavrel
