#include "signal/SLMainThreadNotify.h"

#include <unordered_map>

#include "platform/sync.h"

namespace tavrel {

namespace {

std::atomic<uint32_t> gMainThreadID{0};
std::atomic<uint64_t> gNextSerial{1};

}  // namespace

uint32_t MainThreadID() { return gMainThreadID.load(); }
void SetMainThreadID(uint32_t AThreadID) { gMainThreadID.store(AThreadID); }

// One hidden window per process while notifiers exist.
class TSLMainWindowNode {
 public:
  static HWND AddReff(TSLMainThreadNotify* ANotifyItem) {
    std::lock_guard hold(guard_);
    if (!node_) node_ = new TSLMainWindowNode;
    node_->notifiers_[ANotifyItem->FSerial] = ANotifyItem;
    return node_->FWindowHandle;
  }

  static void RemoveReff(TSLMainThreadNotify* ANotifyItem) {
    TSLMainWindowNode* gone = nullptr;
    {
      std::lock_guard hold(guard_);
      if (!node_) return;
      node_->notifiers_.erase(ANotifyItem->FSerial);
      if (node_->notifiers_.empty()) gone = std::exchange(node_, nullptr);
    }
    delete gone;
  }

 private:
  TSLMainWindowNode()
      : FWindowHandle(AllocateHWnd([this](UINT msg, WPARAM wp, LPARAM lp) { return WndProc(msg, wp, lp); })) {}
  ~TSLMainWindowNode() { DeallocateHWnd(FWindowHandle); }

  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_SLNOTIFY) return DefWindowProc(FWindowHandle, msg, wp, lp);
    TSLMainThreadNotify* target = nullptr;
    {
      std::lock_guard hold(guard_);
      auto it = notifiers_.find(uint64_t(wp));
      if (it != notifiers_.end()) target = it->second;
    }
    // Notifiers are destroyed on this thread only, so target outlives the call.
    if (target) target->Deliver();
    return 0;
  }

  static inline std::mutex guard_;
  static inline TSLMainWindowNode* node_ = nullptr;

  const HWND FWindowHandle;
  std::unordered_map<uint64_t, TSLMainThreadNotify*> notifiers_;
};

TSLMainThreadNotify::TSLMainThreadNotify(TNotifyEvent AOnNotify)
    : FOnNotify(std::move(AOnNotify)), FSerial(gNextSerial.fetch_add(1)), FWindow(TSLMainWindowNode::AddReff(this)) {}

TSLMainThreadNotify::~TSLMainThreadNotify() {
  FOnNotify = nullptr;
  TSLMainWindowNode::RemoveReff(this);
}

void TSLMainThreadNotify::Notify(bool ForcePost) {
  if (!ForcePost && GetCurrentThreadId() == MainThreadID()) {
    Deliver();
    return;
  }
  if (FSignaled.exchange(true)) return;  // the pending message serves this request too
  if (!PostMessage(FWindow, WM_SLNOTIFY, WPARAM(FSerial), 0)) FSignaled.store(false);
}

void TSLMainThreadNotify::Deliver() {
  // Cleared first: a request made from here on posts again.
  FSignaled.store(false);
  if (FOnNotify) FOnNotify(this);
}

// ---- Buffer queue

TSLMainThreadBufferQueue::TSLMainThreadBufferQueue(TSLBufferNotifyEvent AOnBuffer)
    : FOnBuffer(std::move(AOnBuffer)), FMainThreadNotify(TNotifyEvent([this](TObject*) { Deliver(); })) {}

TSLMainThreadBufferQueue::~TSLMainThreadBufferQueue() { Close(); }

bool TSLMainThreadBufferQueue::AddBuffer(const TSLData& ABuffer, bool Queue) {
  {
    std::unique_lock hold(FSlotsGuard);
    FSlotFreed.wait(hold, [this] { return FSlots > 0 || FClosed.load(); });
    if (FClosed.load()) return false;
    // Under the slot guard, so that Close cannot miss a buffer being added.
    if (!FBufferQueue.Add(ABuffer, Queue)) return false;  // dropped: the slot was never taken
    --FSlots;
  }
  FMainThreadNotify.Notify(true);
  return true;
}

void TSLMainThreadBufferQueue::ReleaseSlots(int n) {
  if (n <= 0) return;
  {
    std::lock_guard hold(FSlotsGuard);
    FSlots += n;
  }
  FSlotFreed.notify_all();
}

void TSLMainThreadBufferQueue::Deliver() {
  // Every waiting buffer: posts merge, so one message may stand for many.
  Ref<TSLData> buffer;
  while (!FClosed.load() && FBufferQueue.PopFirst(buffer)) {
    struct SlotBack {
      TSLMainThreadBufferQueue* q;
      ~SlotBack() { q->ReleaseSlots(1); }
    } back{this};
    if (FOnBuffer) FOnBuffer(this, buffer);
    buffer.reset();
  }
}

int TSLMainThreadBufferQueue::DropWaiting() {
  // One by one, so that a delivery running meanwhile and this count agree.
  int n = 0;
  for (Ref<TSLData> b; FBufferQueue.PopFirst(b);) ++n;
  return n;
}

int TSLMainThreadBufferQueue::Clear() {
  int dropped = 0;
  {
    std::lock_guard hold(FSlotsGuard);
    dropped = DropWaiting();
  }
  ReleaseSlots(dropped);
  return dropped;
}

int TSLMainThreadBufferQueue::Close() {
  int dropped = 0;
  {
    std::lock_guard hold(FSlotsGuard);
    FClosed.store(true);
    dropped = DropWaiting();
    FSlots += dropped;
  }
  FSlotFreed.notify_all();
  return dropped;
}

}  // namespace tavrel
