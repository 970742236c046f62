#include "framework/OWStdPins.h"

#include <gtest/gtest.h>

#include "framework/tests/pins_testing.h"

namespace tavrel {
namespace {

using testing_pins::TClockSink;

using testing_pins::TTestOwner;

class OWStdPins : public ::testing::Test {
 protected:
  ComponentPtr<TTestOwner> owner = TComponent::CreateUnowned<TTestOwner>();
};

struct Dispatched {
  int calls = 0;
  int announcements = 0;
  bool lastWasClock = false;
  TOWPinDispatchEvent Event(bool leaveHandled = true) {
    return TOWPinDispatchEvent(
        [this, leaveHandled](const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState s, bool& handled) {
          EXPECT_TRUE(handled);  // preset
          handled = leaveHandled;
          (s.Contains(nsNewLink) ? announcements : calls)++;
          lastWasClock = dynamic_cast<TOWClockOperation*>(op->Instance()) != nullptr;
          return TOWNotifyResult{nrDataChanged};
        });
  }
};

TEST_F(OWStdPins, AClockSourceTicksItsSinksAndHearsWhatTheySendBack) {
  int back = 0;
  TOWClockSourcePin clock(owner.get(), TOWClockPinNotificationEvent(
                                           [&](TOWBasicPin* sender, const TDataTypeID& id, IOWNotifyOperation*,
                                               TOWNotifyState s) {
                                             EXPECT_EQ(sender, &clock);
                                             EXPECT_EQ(id, IID_OWClockStream);
                                             EXPECT_TRUE(s.Contains(nsLastIteration));
                                             ++back;
                                             return TOWNotifyResult{nrDataChanged};
                                           }));
  Dispatched d;
  TClockSink sink(owner.get(), d.Event());
  ASSERT_TRUE(sink.Connect(&clock));
  EXPECT_EQ(d.announcements, 1);
  clock.Clock();
  EXPECT_EQ(d.calls, 1);
  EXPECT_TRUE(d.lastWasClock);
  EXPECT_EQ(sink.Notify(MakeRef<TOWStopOperation>().get()), TOWNotifyResult{nrDataChanged});
  EXPECT_EQ(back, 1);
}

TEST_F(OWStdPins, AStandardSinkWithoutDispatchEventDropsWhatItGets) {
  TOWClockSourcePin clock(owner.get());
  TClockSink sink(owner.get(), {});
  ASSERT_TRUE(sink.Connect(&clock));
  EXPECT_NO_THROW(clock.Clock());
  EXPECT_EQ(sink.DispatchData(IID_OWClockStream, MakeRef<TOWClockOperation>().get(), {}), TOWNotifyResult{});
}

// A Boolean source for the sink tests.
class TBoolSource : public TOWSourcePin {
 public:
  explicit TBoolSource(TComponent* owner) : TOWSourcePin(owner) {
    AddType(IID_IOWBoolStream, TOWSubmit::Of<&TBoolSource::Submit>(this));
  }

 private:
  TOWNotifyResult Submit(IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    IOWBasicStream* b = QueryBasicStream(h, IID_IOWBoolStream);
    return b ? b->DispatchData(id, op, s) : TOWNotifyResult{};
  }
};

TEST_F(OWStdPins, ABoolSinkKeepsTheValueAndPassesOtherOperationsToItsEvent) {
  std::vector<std::pair<bool, bool>> changes;
  Dispatched d;
  TOWBoolSinkPin sink(owner.get(), nullptr,
                      TOWBoolChangeEvent([&](TOWPin* sender, bool v, bool onConnect) {
                        EXPECT_EQ(sender, &sink);
                        changes.emplace_back(v, onConnect);
                      }),
                      d.Event());
  TBoolSource src(owner.get());
  // No type of its own: it takes any source that sends Booleans.
  ASSERT_TRUE(sink.Connect(&src));
  // It lists no type, so it has nothing to send upstream.
  EXPECT_EQ(sink.Notify(MakeRef<TOWStopOperation>().get()), TOWNotifyResult{});
  src.Notify(MakeRef<TOWSuppliedBoolOperation>(true).get());
  EXPECT_TRUE(sink.Value());
  EXPECT_EQ(changes, (std::vector<std::pair<bool, bool>>{{true, false}}));
  EXPECT_EQ(sink.DispatchData(IID_IOWBoolStream, MakeRef<TOWSuppliedBoolOperation>(false).get(), {nsNewLink}),
            TOWNotifyResult{});
  EXPECT_EQ(changes.back(), std::make_pair(false, true));
  EXPECT_EQ(d.calls, 0);
  src.Notify(MakeRef<TOWStopOperation>().get());
  EXPECT_EQ(d.calls, 1);
  EXPECT_FALSE(sink.Value());
}

TEST_F(OWStdPins, TheBoolStatePinKeepsArrivingValuesAndSendsItsValueToANewLink) {
  std::vector<bool> changes;
  TOWBoolStatePin state(owner.get(), nullptr, TOWBoolChangeEvent([&](TOWPin*, bool v, bool) { changes.push_back(v); }));
  std::vector<bool> received;
  TOWBoolSinkPin sink(owner.get(), nullptr, TOWBoolChangeEvent([&](TOWPin*, bool v, bool) { received.push_back(v); }));

  state.SetValue(true);
  EXPECT_TRUE(state.Value());
  // An arriving value is kept, then passed to the handler.
  state.SubmitValue(&sink, IID_IOWBoolStream, MakeRef<TOWSuppliedBoolOperation>(false).get(), {});
  EXPECT_FALSE(state.Value());
  EXPECT_EQ(received, std::vector<bool>{false});
  // A new link gets a fresh operation of the current value.
  state.Send(true);
  state.SubmitValue(&sink, IID_IOWBoolStream, MakeRef<TOWNotifyOperation>().get(), {nsNewLink});
  EXPECT_EQ(received, (std::vector<bool>{false, true}));
  // A notification event that leaves Handled set takes the delivery instead.
  state.SetPinNotificationEvent(TOWBoolPinNotificationEvent(
      [](IOWBasicStream*, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState, bool&) {
        return TOWNotifyResult{};
      }));
  state.SubmitValue(&sink, IID_IOWBoolStream, MakeRef<TOWSuppliedBoolOperation>(false).get(), {});
  EXPECT_EQ(received.size(), 2u);
  // Its own stream interface keeps and reports the value.
  state.DispatchData(IID_IOWBoolStream, MakeRef<TOWSuppliedBoolOperation>(true).get(), {});
  EXPECT_TRUE(state.Value());
  EXPECT_EQ(changes, std::vector<bool>{true});
  // A handler that takes no Booleans gets nothing.
  TOWClockSourcePin other(owner.get());
  EXPECT_EQ(state.SubmitValue(&other, IID_IOWBoolStream, MakeRef<TOWSuppliedBoolOperation>(true).get(), {}),
            TOWNotifyResult{});
}

}  // namespace
}  // namespace tavrel
