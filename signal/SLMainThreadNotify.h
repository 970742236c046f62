#pragma once
// Work handed from audio threads to the GUI (main) thread.
//
//   TSLMainThreadNotify changed(TNotifyEvent([&](TObject*) { Redraw(); }));
//   changed.Notify(true);          // any thread: the callback runs later on the main thread
//
//   TSLMainThreadBufferQueue queue([&](TObject*, const Ref<TSLData>& b) { Show(b); });
//   queue.AddBuffer(*buffer, /*Queue=*/true);   // producer thread; waits while 600 are out
//
// The main thread is the one that ran the signal module's start-up step.
// Every notifier posts through one hidden window of that thread, shared by
// the process; requests made while a message is pending merge into it, and
// the flag is cleared just before the callback, so a request made during the
// callback posts again. A message still pending for a destroyed notifier is
// ignored: notifiers are looked up by a serial number never reused.
//
// Notifiers and queues are made and destroyed on the main thread; their
// owner stops the threads that call Notify or AddBuffer first. A queue that
// closes lets every waiting producer go and delivers nothing more.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/messages.h"
#include "platform/method.h"
#include "platform/object.h"
#include "signal/SLVariantStorages.h"

namespace tavrel {

inline constexpr UINT WM_SLNOTIFY = WM_APP + 0x600;  // 0x8600, wParam: the notifier's serial

uint32_t MainThreadID();
// Called by the module's start-up step (and by tests that move the GUI thread).
void SetMainThreadID(uint32_t AThreadID);

class TSLMainThreadNotify : public TObject {
 public:
  explicit TSLMainThreadNotify(TNotifyEvent AOnNotify);
  ~TSLMainThreadNotify() override;

  // On the main thread without ForcePost the callback runs inside the call.
  void Notify(bool ForcePost);

 private:
  friend class TSLMainWindowNode;
  void Deliver();

  TNotifyEvent FOnNotify;
  std::atomic<bool> FSignaled{false};
  uint64_t FSerial;
  HWND FWindow;  // the node's window, fixed while this notifier lives
};

using TSLBufferNotifyEvent = Method<void(TObject* Sender, const Ref<TSLData>& ABuffer)>;

class TSLMainThreadBufferQueue : public TObject {
 public:
  static constexpr int kMaxOutstanding = 600;

  explicit TSLMainThreadBufferQueue(TSLBufferNotifyEvent AOnBuffer);
  ~TSLMainThreadBufferQueue() override;

  // Waits while kMaxOutstanding buffers are neither delivered nor dropped.
  // False when the buffer was dropped: single mode with one waiting, or the
  // queue closed.
  bool AddBuffer(const TSLData& ABuffer, bool Queue);
  // Drops the waiting buffers; the number dropped.
  int Clear();
  // Lets waiting producers go, drops what waits (the number dropped);
  // nothing is delivered after.
  int Close();

 private:
  void Deliver();
  void ReleaseSlots(int n);
  int DropWaiting();  // the number dropped

  TSLBufferNotifyEvent FOnBuffer;
  TSLBufferList FBufferQueue;
  std::mutex FSlotsGuard;
  std::condition_variable FSlotFreed;
  int FSlots = kMaxOutstanding;
  std::atomic<bool> FClosed{false};
  TSLMainThreadNotify FMainThreadNotify;  // last: destroyed first
};

}  // namespace tavrel
