#include "audio/ALWaveThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "audio/SLNotifyThread.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

struct Handled {
  uint32_t msg;
  uint64_t handle;
  WAVEHDR* header;
  std::thread::id thread;
};

// Collects what the wave thread hands over; the handler can be held at a
// gate. Waits are guards against a hang, never measured times.
struct Recorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Handled> handled;
  bool gateClosed = false;
  bool insideHandler = false;

  TALWaveProcessMessage Handler() {
    return [this](uint32_t msg, uint64_t h, WAVEHDR* hdr) {
      std::unique_lock lock(mutex);
      insideHandler = true;
      changed.notify_all();
      changed.wait(lock, [&] { return !gateClosed; });
      handled.push_back({msg, h, hdr, std::this_thread::get_id()});
      insideHandler = false;
      changed.notify_all();
    };
  }
  bool WaitCount(size_t n) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), [&] { return handled.size() >= n; });
  }
  bool WaitInside() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), [&] { return insideHandler; });
  }
  void SetGate(bool closed) {
    std::lock_guard lock(mutex);
    gateClosed = closed;
    changed.notify_all();
  }
  size_t Count() {
    std::lock_guard lock(mutex);
    return handled.size();
  }
};

TEST(ALWaveThread, RecordsReachTheHandlerInPushOrderOnTheWaveThread) {
  Recorder rec;
  WAVEHDR headers[3];
  TALWaveThread thread(nullptr, rec.Handler());
  EXPECT_EQ(thread.Name(), ".TALWaveThread");
  thread.PushRecord(WIM_DATA, 7, &headers[0]);
  thread.PushRecord(WIM_CLOSE, 8, &headers[1]);
  thread.PushRecord(WOM_DONE, 9, &headers[2]);
  ASSERT_TRUE(rec.WaitCount(3));
  const uint32_t msgs[] = {WIM_DATA, WIM_CLOSE, WOM_DONE};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rec.handled[i].msg, msgs[i]);
    EXPECT_EQ(rec.handled[i].handle, uint64_t(7 + i));
    EXPECT_EQ(rec.handled[i].header, &headers[i]);
    EXPECT_NE(rec.handled[i].thread, std::this_thread::get_id());
  }
}

TEST(ALWaveThread, ThreadIsNamedAfterItsComponent) {
  auto owner = TComponent::CreateUnowned<TComponent>();
  owner->SetName("ALAudioIn1");
  TALWaveThread named(owner.get(), {});
  EXPECT_EQ(named.Name(), "ALAudioIn1.TALWaveThread");
  auto unnamed = TComponent::CreateUnowned<TComponent>();
  TALWaveThread byClass(unnamed.get(), {});
  EXPECT_EQ(byClass.Name(), "TComponent.TALWaveThread");
}

TEST(ALWaveThread, ClearedRecordsAreNeverHandled) {
  Recorder rec;
  TALWaveThread thread(nullptr, rec.Handler());
  rec.SetGate(true);
  thread.PushRecord(WIM_DATA, 1, nullptr);
  ASSERT_TRUE(rec.WaitInside());
  thread.PushRecord(WIM_DATA, 2, nullptr);
  thread.PushRecord(WIM_DATA, 3, nullptr);
  thread.ClearRecords();
  rec.SetGate(false);
  // The two wake-ups left find nothing; the next record is the next handled.
  thread.PushRecord(WIM_DATA, 4, nullptr);
  ASSERT_TRUE(rec.WaitCount(2));
  thread.Terminate();
  ASSERT_EQ(rec.handled.size(), 2u);
  EXPECT_EQ(rec.handled[0].handle, 1u);
  EXPECT_EQ(rec.handled[1].handle, 4u);
}

TEST(ALWaveThread, PushAfterTerminateIsDropped) {
  Recorder rec;
  TALWaveThread thread(nullptr, rec.Handler());
  thread.Terminate();  // the thread was blocked on its semaphore
  thread.PushRecord(WIM_DATA, 1, nullptr);
  thread.Terminate();  // a second call is harmless
  EXPECT_EQ(rec.Count(), 0u);
}

TEST(ALWaveThread, TerminateWaitsForTheRunningHandlerAndDropsTheRest) {
  Recorder rec;
  TALWaveThread thread(nullptr, rec.Handler());
  rec.SetGate(true);
  thread.PushRecord(WIM_DATA, 1, nullptr);
  ASSERT_TRUE(rec.WaitInside());
  thread.PushRecord(WIM_DATA, 2, nullptr);
  std::atomic<bool> returned{false};
  std::thread stopper([&] {
    thread.Terminate();
    returned = true;
  });
  // Terminate can only return once the handler has left.
  EXPECT_TRUE(test::WaitUntil([&] { return thread.Terminated(); }));
  EXPECT_FALSE(returned.load());
  rec.SetGate(false);
  stopper.join();
  EXPECT_TRUE(returned.load());
  ASSERT_EQ(rec.handled.size(), 1u);
  EXPECT_EQ(rec.handled[0].handle, 1u);
}

struct ListedBuffer : TALQueuedWaveBuffer {};

// A "driver" thread pushes while the handler and the owner both work under
// the device-state lock; run under ThreadSanitizer.
TEST(ALWaveThread, DriverPushesWhileHandlerTakesTheDeviceStateLock) {
  Ref<IALAudioParams> params(new TALAudioParams);
  params->SetIsOpen(true);
  std::atomic<int> handled{0};
  TALWaveThread thread(nullptr, [&](uint32_t, uint64_t h, WAVEHDR*) {
    std::lock_guard lock(*params);
    auto& list = params->GetList();
    if (params->GetIsOpen() && h % 3 != 0) list.push_back(std::make_unique<ListedBuffer>());
    if (list.size() > 4) list.erase(list.begin());
    handled.fetch_add(1);
  });
  constexpr int kBursts = 50, kPerBurst = 100;
  std::thread driver([&] {
    for (int b = 0; b < kBursts; ++b) {
      for (int i = 0; i < kPerBurst; ++i) thread.PushRecord(WIM_DATA, uint64_t(b * kPerBurst + i), nullptr);
      if (!test::WaitUntil([&] { return handled.load() >= (b + 1) * kPerBurst; })) return;
    }
  });
  for (int i = 0; i < 1000; ++i) {
    std::lock_guard lock(*params);
    params->SetIsOpen(i % 2 == 0);
    EXPECT_LE(params->GetList().size(), 4u);
  }
  driver.join();
  thread.Terminate();
  EXPECT_EQ(handled.load(), kBursts * kPerBurst);
}

TEST(SLNotifyThread, EveryNotifyGivesOneCallOnTheNotifyThread) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<TObject*> senders;
  std::thread::id callThread;
  TSLNotifyThread notifier(nullptr, TNotifyEvent([&](TObject* sender) {
                             std::lock_guard lock(mutex);
                             senders.push_back(sender);
                             callThread = std::this_thread::get_id();
                             changed.notify_all();
                           }));
  EXPECT_EQ(notifier.Name(), ".TSLNotifyThread");
  for (int i = 0; i < 5; ++i) notifier.Notify();
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return senders.size() >= 5; }));
  }
  notifier.Terminate();
  notifier.Notify();  // after the end: nobody calls
  EXPECT_EQ(senders.size(), 5u);
  for (TObject* s : senders) EXPECT_EQ(s, static_cast<TObject*>(&notifier));
  EXPECT_NE(callThread, std::this_thread::get_id());
}

}  // namespace
}  // namespace tavrel
