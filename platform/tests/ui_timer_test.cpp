#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/tests/ui_form_fixture.h"
#include "platform/ui/timer.h"

namespace tavrel {
namespace {

using UiTimer = test::FormFixture;

// The repeat pattern of a held button: a first tick after 400 ms, then
// every 100 ms, on the fake clock.
TEST_F(UiTimer, TicksOnTheMessageClockAndANewIntervalCountsFromTheChange) {
  auto* timer = TComponent::Create<TTimer>(form);
  std::vector<uint64_t> ticks;
  timer->SetInterval(400);
  EXPECT_FALSE(timer->Running()) << "no handler yet";
  timer->SetOnTimer(TNotifyEvent([&](TObject* sender) {
    EXPECT_EQ(sender, timer);
    ticks.push_back(clock->NowMs() - 1000);
    timer->SetInterval(100);
  }));
  EXPECT_TRUE(timer->Running());
  for (int ms = 0; ms < 700; ms += 50) {
    clock->Advance(50);
    Pump();
  }
  EXPECT_EQ(ticks, (std::vector<uint64_t>{400, 500, 600, 700}));
  timer->SetEnabled(false);
  clock->Advance(1000);
  Pump();
  EXPECT_EQ(ticks.size(), 4u);
  EXPECT_FALSE(timer->Running());
  timer->SetEnabled(true);
  clock->Advance(99);
  Pump();
  EXPECT_EQ(ticks.size(), 4u) << "a full period after it starts again";
  clock->Advance(1);
  Pump();
  EXPECT_EQ(ticks.size(), 5u);
  timer->SetInterval(0);
  EXPECT_FALSE(timer->Running());
}

TEST_F(UiTimer, AnExceptionFromTheHandlerGoesToTheApplication) {
  auto* timer = TComponent::Create<TTimer>(form);
  std::vector<std::string> caught;
  app->OnException = TExceptionEvent([&](TObject*, const std::exception& e) { caught.push_back(e.what()); });
  int calls = 0;
  timer->SetInterval(100);
  timer->SetOnTimer(TNotifyEvent([&](TObject*) {
    ++calls;
    throw std::runtime_error("step failed");
  }));
  clock->Advance(100);
  Pump();
  EXPECT_EQ(caught, std::vector<std::string>{"step failed"});
  clock->Advance(100);
  Pump();
  EXPECT_EQ(calls, 2) << "the handler decides whether the timer stops";
  timer->Destroy();
  clock->Advance(100);
  Pump();
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace tavrel
