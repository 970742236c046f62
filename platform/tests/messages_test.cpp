#include "platform/messages.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sync.h"

namespace tavrel {
namespace {

// A hidden window of the calling thread that records what reaches it.
class RecordingWindow {
 public:
  struct Call {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    uint32_t thread;
  };

  explicit RecordingWindow(std::function<LRESULT(UINT, WPARAM, LPARAM)> extra = nullptr)
      : extra_(std::move(extra)) {
    handle_ = AllocateHWnd([this](UINT m, WPARAM w, LPARAM l) -> LRESULT {
      {
        std::lock_guard lock(mutex_);
        calls_.push_back({m, w, l, GetCurrentThreadId()});
      }
      return extra_ ? extra_(m, w, l) : DefWindowProc(handle_, m, w, l);
    });
  }
  ~RecordingWindow() { DeallocateHWnd(handle_); }

  HWND handle() const { return handle_; }
  std::vector<Call> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  int Count(UINT message) {
    int n = 0;
    for (const auto& c : Calls()) n += c.message == message;
    return n;
  }

 private:
  std::function<LRESULT(UINT, WPARAM, LPARAM)> extra_;
  HWND handle_ = 0;
  std::mutex mutex_;
  std::vector<Call> calls_;
};

// A wait hook that records its calls and sleeps only on the loop's wake
// descriptor, ignoring the timeout, so that a wait ends only when something
// arrives. `beforeSleep` runs first, on the waiting thread.
class RecordingHook : public MessageWaitHook {
 public:
  void Wait(std::optional<uint32_t> timeoutMs, int wakeFd) override {
    lastTimeout = timeoutMs;
    ++waits;
    if (beforeSleep) beforeSleep();
    waiting.Set();
    pollfd p{wakeFd, POLLIN, 0};
    // The bound only keeps a broken wake from hanging the test.
    int got;
    while ((got = ::poll(&p, 1, 60000)) < 0) {
    }
    wokenByFd = got > 0;
  }

  std::function<void()> beforeSleep;
  Event waiting{true, false};  // set once the thread sleeps in Wait
  std::optional<uint32_t> lastTimeout;
  int waits = 0;
  bool wokenByFd = false;
};

TEST(Messages, PostsFromAnotherThreadArriveInOrderOnTheOwningThread) {
  RecordingWindow w;
  std::thread([&] {
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(PostMessage(w.handle(), WM_APP + i, i, -i));
  }).join();
  EXPECT_TRUE(w.Calls().empty());  // nothing runs until the owner pumps
  EXPECT_TRUE(ProcessMessages());
  const auto calls = w.Calls();
  ASSERT_EQ(calls.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(calls[i].message, WM_APP + i + 1);
    EXPECT_EQ(calls[i].wParam, WPARAM(i + 1));
    EXPECT_EQ(calls[i].lParam, LPARAM(-(i + 1)));
    EXPECT_EQ(calls[i].thread, GetCurrentThreadId());
  }
}

TEST(Messages, PeekWithoutRemovingLeavesTheMessageQueued) {
  RecordingWindow w;
  PostMessage(w.handle(), WM_USER, 7, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, false));
  EXPECT_EQ(msg.message, WM_USER);
  ASSERT_TRUE(PeekMessage(msg, true));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessage(msg, true));
  EXPECT_EQ(DispatchMessage(msg), 0);  // DefWindowProc's result
  EXPECT_EQ(w.Count(WM_USER), 1);
}

TEST(Messages, MissingWindowsRefuseAndForeignWindowsAreNotDispatched) {
  EXPECT_FALSE(PostMessage(0, WM_USER, 0, 0));
  EXPECT_EQ(SendMessage(0, WM_USER, 0, 0), 0);
  RecordingWindow w;
  const HWND gone = AllocateHWnd(nullptr);
  DeallocateHWnd(gone);
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_FALSE(PostMessage(gone, WM_USER, 0, 0));
  std::thread([&] {
    EXPECT_EQ(DispatchMessage({w.handle(), WM_USER, 0, 0}), 0);  // not this thread's window
  }).join();
  EXPECT_TRUE(w.Calls().empty());
  EXPECT_EQ(GetWindowThreadId(w.handle()), GetCurrentThreadId());
}

TEST(Messages, PostsToADeallocatedWindowAreDropped) {
  int calls = 0;
  const HWND h = AllocateHWnd([&](UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
  PostMessage(h, WM_USER, 0, 0);
  DeallocateHWnd(h);
  ProcessMessages();
  EXPECT_EQ(calls, 0);
}

// The ring of posts: full at 10000 waiting, in order across its wrap, and
// a window's posts leave it without disturbing the others'.
TEST(Messages, PostsFillTheQuotaWrapAroundAndLeaveWithTheirWindow) {
  constexpr int kQuota = 10000;
  RecordingWindow kept, gone;
  // Offset the ring so the next posts wrap around its end.
  for (int i = 0; i < kQuota - 3; ++i) ASSERT_TRUE(PostMessage(kept.handle(), WM_NULL, 0, 0));
  ASSERT_TRUE(ProcessMessages());
  for (int i = 0; i < kQuota; ++i)
    ASSERT_TRUE(PostMessage(i % 2 ? gone.handle() : kept.handle(), WM_APP, WPARAM(i), 0)) << i;
  EXPECT_FALSE(PostMessage(kept.handle(), WM_APP, 0, 0));  // over the quota
  DeallocateHWnd(gone.handle());
  EXPECT_TRUE(PostMessage(kept.handle(), WM_APP, WPARAM(kQuota), 0));  // room again
  ASSERT_TRUE(ProcessMessages());
  std::vector<WPARAM> seen;
  for (const auto& c : kept.Calls())
    if (c.message == WM_APP) seen.push_back(c.wParam);
  std::vector<WPARAM> expected;
  for (int i = 0; i <= kQuota; i += 2) expected.push_back(WPARAM(i));
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(gone.Calls().empty());
}

TEST(Messages, SendOnTheOwningThreadIsADirectCall) {
  RecordingWindow w([](UINT, WPARAM wp, LPARAM) -> LRESULT { return wp * 2; });
  EXPECT_EQ(SendMessage(w.handle(), WM_USER, 21, 0), 42);
  EXPECT_EQ(w.Calls().size(), 1u);
}

TEST(Messages, SendFromAnotherThreadBlocksUntilTheOwnerHandlesIt) {
  std::atomic<bool> returned{false};
  bool returnedWhenHandled = true;
  HWND h = 0;
  RecordingWindow w([&](UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m != WM_USER) return 0;
    returnedWhenHandled = returned;
    PostMessage(h, WM_NULL, 0, 0);  // lets GetMessage below return
    return wp + 1;
  });
  h = w.handle();
  LRESULT result = 0;
  std::thread sender([&] {
    result = SendMessage(h, WM_USER, 41, 0);
    returned = true;
  });
  MSG msg;
  ASSERT_TRUE(GetMessage(msg));  // handles the sent message, returns the post
  EXPECT_EQ(msg.message, WM_NULL);
  sender.join();
  EXPECT_FALSE(returnedWhenHandled);
  EXPECT_EQ(result, 42);
  ASSERT_EQ(w.Calls().size(), 1u);
  EXPECT_EQ(w.Calls()[0].thread, GetCurrentThreadId());
}

TEST(Messages, ThreadsSendingToEachOtherDoNotDeadlock) {
  HWND other = 0;
  Event otherReady(true, false);
  std::atomic<bool> done{false};
  RecordingWindow mine([&](UINT m, WPARAM, LPARAM) -> LRESULT {
    // Sends back to the thread that is itself waiting for this result.
    return m == WM_USER ? SendMessage(other, WM_USER + 1, 0, 0) + 1 : 0;
  });
  const HWND mineHandle = mine.handle();
  std::thread t([&] {
    RecordingWindow theirs([](UINT, WPARAM, LPARAM) -> LRESULT { return 10; });
    other = theirs.handle();
    otherReady.Set();
    EXPECT_EQ(SendMessage(mineHandle, WM_USER, 0, 0), 11);
    done = true;
    PostMessage(mineHandle, WM_NULL, 0, 0);
  });
  otherReady.WaitFor(INFINITE);
  while (!done) {
    WaitMessage();
    ProcessMessages();
  }
  t.join();
}

TEST(Messages, SendersAreReleasedWhenTheWindowGoesWithoutAnswering) {
  enum class Ending { ThreadEnds, WindowDeallocated };
  for (Ending ending : {Ending::ThreadEnds, Ending::WindowDeallocated}) {
    SCOPED_TRACE(static_cast<int>(ending));
    std::atomic<int> procCalls{0};
    HWND h = 0;
    Event ready(true, false);
    std::thread owner([&] {
      RecordingHook hook;
      SetMessageWaitHook(&hook);
      h = AllocateHWnd([&](UINT, WPARAM, LPARAM) -> LRESULT { return ++procCalls; });
      // The send comes while the thread sleeps; the wait ends without
      // handling it, and nothing pumps afterwards.
      std::thread release([&] {
        hook.waiting.WaitFor(INFINITE);
        ready.Set();
      });
      WaitMessage();
      release.join();
      SetMessageWaitHook(nullptr);
      if (ending == Ending::WindowDeallocated) {
        DeallocateHWnd(h);
        ProcessMessages();
      }
    });
    ready.WaitFor(INFINITE);
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0);
    owner.join();
    EXPECT_EQ(procCalls, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
  }
}

TEST(Messages, QuitComesAfterThePostsAndCarriesTheExitCode) {
  RecordingWindow w;
  PostMessage(w.handle(), WM_USER, 0, 0);
  PostQuitMessage(3);
  MSG msg;
  ASSERT_TRUE(GetMessage(msg));
  EXPECT_EQ(msg.message, WM_USER);
  EXPECT_FALSE(GetMessage(msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  PostQuitMessage(0);
  EXPECT_FALSE(ProcessMessages());
  EXPECT_TRUE(ProcessMessages());  // consumed
}

TEST(Messages, WakerReleasesAWaitingLoopFromAnotherThread) {
  MessageLoopWaker waker;
  std::thread([&] { waker.Wake(); }).join();
  WaitMessage();  // returns because of the wake, with nothing queued
  MSG msg;
  EXPECT_FALSE(PeekMessage(msg));
}

// Timers run on a manual clock: time moves only when the test says so.
class Timers : public testing::Test {
 protected:
  void SetUp() override { SetMessageClock(clock_); }
  void TearDown() override {
    SetMessageClock(nullptr);
    SetTimerLimit(savedLimit_);
  }
  int Pump(RecordingWindow& w) {
    const int before = w.Count(WM_TIMER);
    ProcessMessages();
    return w.Count(WM_TIMER) - before;
  }

  const size_t savedLimit_ = TimerLimit();
  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(5000);
  RecordingWindow w_;
};

TEST_F(Timers, FirstTickComesOneIntervalAfterArming) {
  ASSERT_EQ(SetTimer(w_.handle(), 1, 100), 1u);
  clock_->Advance(99);
  EXPECT_EQ(Pump(w_), 0);
  clock_->Advance(1);
  EXPECT_EQ(Pump(w_), 1);
  EXPECT_EQ(Pump(w_), 0);
  clock_->Advance(100);
  EXPECT_EQ(Pump(w_), 1);
  EXPECT_EQ(w_.Calls().back().wParam, 1u);  // the timer's id
}

// Short periods keep their length (the tab bar steps its slides every 9
// or 3 ms); 0 ticks every millisecond.
TEST_F(Timers, ShortIntervalsAreKept) {
  const struct {
    UINT asked, period;
  } cases[] = {{0, 1}, {1, 1}, {3, 3}, {9, 9}, {18, 18}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.asked);
    SetTimer(w_.handle(), 1, c.asked);
    for (int tick = 0; tick < 3; ++tick) {
      clock_->Advance(c.period - 1);
      EXPECT_EQ(Pump(w_), 0);
      clock_->Advance(1);
      EXPECT_EQ(Pump(w_), 1);
    }
    KillTimer(w_.handle(), 1);
  }
}

TEST_F(Timers, ALongGapWithoutPumpingGivesOneTickOnTheTimersPhase) {
  SetTimer(w_.handle(), 1, 100);
  clock_->Advance(1050);  // ten periods missed
  EXPECT_EQ(Pump(w_), 1);
  clock_->Advance(49);
  EXPECT_EQ(Pump(w_), 0);
  clock_->Advance(1);  // 1100 after arming
  EXPECT_EQ(Pump(w_), 1);
}

TEST_F(Timers, NoTickArrivesForATimerKilledBeforeThePump) {
  SetTimer(w_.handle(), 1, 100);
  clock_->Advance(500);
  EXPECT_TRUE(KillTimer(w_.handle(), 1));
  EXPECT_EQ(Pump(w_), 0);
  EXPECT_FALSE(KillTimer(w_.handle(), 1));
}

TEST_F(Timers, ReArmingRestartsTheInterval) {
  SetTimer(w_.handle(), 1, 100);
  clock_->Advance(80);
  SetTimer(w_.handle(), 1, 100);
  clock_->Advance(80);
  EXPECT_EQ(Pump(w_), 0);
  clock_->Advance(20);
  EXPECT_EQ(Pump(w_), 1);
}

TEST_F(Timers, EachDueTimerTicksOnceInOrderOfDueTime) {
  SetTimer(w_.handle(), 2, 300);
  SetTimer(w_.handle(), 1, 200);
  clock_->Advance(300);
  EXPECT_EQ(Pump(w_), 2);
  const auto calls = w_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].wParam, 1u);
  EXPECT_EQ(calls[1].wParam, 2u);
}

TEST_F(Timers, TheLiveTimerLimitRefusesNewTimersOnly) {
  SetTimerLimit(LiveTimerCount() + 1);
  EXPECT_EQ(SetTimer(w_.handle(), 1, 100), 1u);
  EXPECT_EQ(SetTimer(w_.handle(), 2, 100), 0u);  // a second timer is refused
  EXPECT_EQ(SetTimer(w_.handle(), 1, 50), 1u);   // re-arming the first is not a new one
  KillTimer(w_.handle(), 1);
  EXPECT_EQ(SetTimer(w_.handle(), 2, 100), 2u);  // the freed slot is usable
  SetTimerLimit(0);
  EXPECT_EQ(SetTimer(w_.handle(), 3, 100), 0u);
}

TEST_F(Timers, DeallocatingTheWindowEndsItsTimers) {
  const size_t before = LiveTimerCount();
  const HWND h = AllocateHWnd(nullptr);
  SetTimer(h, 1, 100);
  SetTimer(h, 2, 100);
  EXPECT_EQ(LiveTimerCount(), before + 2);
  DeallocateHWnd(h);
  EXPECT_EQ(LiveTimerCount(), before);
}

TEST_F(Timers, OnlyTheWindowsThreadCanArmItsTimers) {
  std::thread([&] { EXPECT_EQ(SetTimer(w_.handle(), 1, 100), 0u); }).join();
  EXPECT_EQ(SetTimer(w_.handle(), 0, 100), 0u);  // id 0 is not a timer
  clock_->Advance(1000);
  EXPECT_EQ(Pump(w_), 0);
}

TEST_F(Timers, TheWaitHookIsToldHowLongUntilTheNextTimer) {
  RecordingHook hook;
  SetMessageWaitHook(&hook);
  SetTimer(w_.handle(), 1, 100);
  clock_->Advance(30);
  // A post from another thread after the loop's last look but before the
  // hook sleeps: the descriptor stays readable, so the wait ends at once.
  hook.beforeSleep = [&] { std::thread([&] { PostMessage(w_.handle(), WM_USER, 0, 0); }).join(); };
  WaitMessage();
  SetMessageWaitHook(nullptr);
  EXPECT_TRUE(hook.wokenByFd);
  EXPECT_EQ(hook.waits, 1);
  EXPECT_EQ(hook.lastTimeout, std::optional<uint32_t>(70));
}

TEST(TimersOnTheSteadyClock, GetMessageWaitsForTheTimer) {
  RecordingWindow w;
  SetTimer(w.handle(), 4, 10);
  MSG msg;
  ASSERT_TRUE(GetMessage(msg));
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(msg.wParam, 4u);
  KillTimer(w.handle(), 4);
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

// Windows come and go while other threads post and send to them: every send
// returns (the procedure's 1, or 0 for a window gone), nothing is handled
// after its window went, and nothing crashes (run under the sanitizers).
TEST(MessagesStress, WindowsGoingAwayWhileOtherThreadsPostAndSend) {
  enum class Ending { Deallocate, ThreadEnds };
  for (Ending ending : {Ending::Deallocate, Ending::ThreadEnds}) {
    SCOPED_TRACE(static_cast<int>(ending));
    std::atomic<HWND> current{0};
    std::atomic<bool> stop{false};
    std::atomic<int> badResults{0}, lateCalls{0};
    std::vector<std::thread> senders;
    for (int i = 0; i < 3; ++i)
      senders.emplace_back([&] {
        while (!stop) {
          const HWND h = current.load();
          const LRESULT r = SendMessage(h, WM_USER, 0, 0);
          if (r != 0 && r != 1) ++badResults;
          PostMessage(h, WM_USER + 1, 0, 0);
        }
      });
    for (int round = 0; round < 100; ++round) {
      std::thread owner([&] {
        auto alive = std::make_shared<std::atomic<bool>>(true);
        const HWND h = AllocateHWnd([alive, &lateCalls](UINT, WPARAM, LPARAM) -> LRESULT {
          if (!*alive) ++lateCalls;
          return 1;
        });
        current = h;
        for (int i = 0; i < 3; ++i) {
          ProcessMessages();
          Sleep(0);
        }
        if (ending == Ending::Deallocate) {
          DeallocateHWnd(h);
          *alive = false;
          ProcessMessages();  // late arrivals for the gone window are dropped
        }
      });
      owner.join();
    }
    stop = true;
    for (auto& t : senders) t.join();
    EXPECT_EQ(badResults, 0);
    EXPECT_EQ(lateCalls, 0);
  }
}

}  // namespace
}  // namespace tavrel
