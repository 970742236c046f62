#include "framework/LPTimer.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/classinfo.h"

namespace tavrel {
namespace {

// A timer on this thread with a manual clock: time moves only when the test
// advances it, and ticks arrive only when the test pumps.
class TimerTest : public testing::Test {
 protected:
  void SetUp() override { SetMessageClock(clock_); }
  void TearDown() override {
    timer_.reset();
    SetMessageClock(nullptr);
    SetTimerLimit(savedLimit_);
  }

  TNotifyEvent Handler() {
    return TNotifyEvent([this](TObject* sender) {
      ++ticks_;
      lastSender_ = sender;
    }, nullptr, "Tick");
  }
  // Moves the clock and pumps; the ticks that arrived.
  int After(uint64_t ms) {
    clock_->Advance(ms);
    const int before = ticks_;
    ProcessMessages();
    return ticks_ - before;
  }

  const size_t savedLimit_ = TimerLimit();
  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(1000);
  ComponentPtr<TLPTimer> timer_ = TComponent::CreateUnowned<TLPTimer>();
  int ticks_ = 0;
  TObject* lastSender_ = nullptr;
};

TEST_F(TimerTest, DefaultsTickOnceASecondWithTheTimerAsSender) {
  EXPECT_TRUE(timer_->Enabled());
  EXPECT_EQ(timer_->Interval(), 1000u);
  EXPECT_FALSE(timer_->OnTimer());
  EXPECT_EQ(After(5000), 0);  // no handler, no timer
  timer_->SetOnTimer(Handler());
  EXPECT_EQ(After(999), 0);
  EXPECT_EQ(After(1), 1);
  EXPECT_EQ(lastSender_, timer_.get());
  EXPECT_EQ(After(1000), 1);
}

TEST_F(TimerTest, TicksOnlyWhenAllThreeConditionsHold) {
  const struct {
    bool enabled;
    uint32_t interval;
    bool handler;
    bool ticks;
  } cases[] = {
      {true, 100, true, true},   {false, 100, true, false}, {true, 0, true, false},
      {true, 100, false, false}, {false, 0, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.enabled << " " << c.interval << " " << c.handler);
    auto timer = TComponent::CreateUnowned<TLPTimer>();
    timer->SetEnabled(c.enabled);
    timer->SetInterval(c.interval);
    timer->SetOnTimer(c.handler ? Handler() : TNotifyEvent());
    EXPECT_EQ(After(100), c.ticks ? 1 : 0);
    EXPECT_EQ(After(100), c.ticks ? 1 : 0);
  }
}

TEST_F(TimerTest, UnchangedEnabledOrIntervalKeepsTheRunningInterval) {
  timer_->SetInterval(100);
  timer_->SetOnTimer(Handler());
  EXPECT_EQ(After(60), 0);
  timer_->SetEnabled(true);
  timer_->SetInterval(100);
  EXPECT_EQ(After(40), 1);  // due as first armed
}

TEST_F(TimerTest, EveryChangeAndEveryHandlerAssignmentRestartsTheInterval) {
  const std::function<void()> changes[] = {
      [this] { timer_->SetOnTimer(Handler()); },  // the same handler again
      [this] {
        timer_->SetInterval(99);
        timer_->SetInterval(100);
      },
      [this] {
        timer_->SetEnabled(false);
        timer_->SetEnabled(true);
      },
  };
  for (size_t i = 0; i < std::size(changes); ++i) {
    SCOPED_TRACE(i);
    timer_->SetInterval(100);
    timer_->SetOnTimer(Handler());
    EXPECT_EQ(After(60), 0);
    changes[i]();
    EXPECT_EQ(After(40), 0);
    EXPECT_EQ(After(60), 1);  // one full interval after the change
  }
}

TEST_F(TimerTest, IntervalZeroStopsAndTheOldIntervalStartsAgain) {
  timer_->SetInterval(100);
  timer_->SetOnTimer(Handler());
  timer_->SetInterval(0);
  EXPECT_EQ(After(500), 0);
  timer_->SetInterval(100);
  EXPECT_EQ(After(99), 0);
  EXPECT_EQ(After(1), 1);
}

TEST_F(TimerTest, UnassigningTheHandlerStopsTheTicks) {
  timer_->SetInterval(100);
  timer_->SetOnTimer(Handler());
  EXPECT_EQ(After(100), 1);
  timer_->SetOnTimer(nullptr);
  EXPECT_EQ(After(500), 0);
}

TEST_F(TimerTest, AHandlerThatRaisesIsCalledAgainOnTheNextTick) {
  timer_->SetInterval(100);
  timer_->SetOnTimer(TNotifyEvent([this](TObject*) {
    ++ticks_;
    throw std::runtime_error("handler failed");
  }));
  EXPECT_EQ(After(100), 1);
  EXPECT_EQ(After(100), 1);
}

TEST_F(TimerTest, NoTicksWithoutPumpingAndOneAfterALongGap) {
  timer_->SetInterval(100);
  timer_->SetOnTimer(Handler());
  clock_->Advance(10000);
  EXPECT_EQ(ticks_, 0);  // nothing arrives while the thread does not pump
  EXPECT_EQ(After(0), 1);
  EXPECT_EQ(After(0), 0);
}

TEST_F(TimerTest, WithoutTimersLeftSettingTheHandlerRaisesAndTheTimerStaysStopped) {
  timer_->SetInterval(100);
  SetTimerLimit(0);
  try {
    timer_->SetOnTimer(Handler());
    FAIL() << "no exception";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "Not enough timers available");
  }
  SetTimerLimit(savedLimit_);
  EXPECT_EQ(After(500), 0);
  timer_->SetEnabled(false);  // the handler is kept: re-enabling starts it
  timer_->SetEnabled(true);
  EXPECT_EQ(After(100), 1);
}

TEST_F(TimerTest, DestroyingTheTimerEndsItsWindowTimer) {
  const size_t before = LiveTimerCount();
  timer_->SetOnTimer(Handler());
  EXPECT_EQ(LiveTimerCount(), before + 1);
  timer_.reset();
  EXPECT_EQ(LiveTimerCount(), before);
  EXPECT_EQ(After(5000), 0);
}

TEST_F(TimerTest, PublishedPropertiesGoThroughTheSetters) {
  timer_->SetOnTimer(Handler());
  SetProp(*timer_, "Interval", int64_t(100));
  EXPECT_EQ(GetProp(*timer_, "Interval"), Value(int64_t(100)));
  EXPECT_EQ(After(100), 1);
  SetProp(*timer_, "Enabled", false);
  EXPECT_EQ(After(500), 0);
  EXPECT_EQ(timer_->ClassName(), "TLPTimer");
}

}  // namespace
}  // namespace tavrel
