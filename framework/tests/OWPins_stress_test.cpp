// Links changed and pins destroyed on one thread while another delivers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/tests/lock_testing.h"
#include "framework/tests/pins_testing.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

using namespace testing_pins;

class OWPinsStress : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearStreamTypeRegistries();
    TAToBConverter::alive = 0;
  }
  void TearDown() override { ClearStreamTypeRegistries(); }
  ComponentPtr<TTestOwner> owner = TComponent::CreateUnowned<TTestOwner>();
};

// Delivers on its own thread until stopped; constructed, it has delivered once.
class Deliverer {
 public:
  explicit Deliverer(TOWSourcePin& pin)
      : thread_([this, &pin] {
          while (!stop_) {
            pin.Notify(MakeRef<TOWNotifyOperation>().get());
            ++count;
          }
        }) {
    // Under load the thread may start late; the stress only means something
    // once deliveries overlap the changes.
    EXPECT_TRUE(test::WaitUntil([&] { return count != 0; }));
  }
  ~Deliverer() {
    stop_ = true;
    thread_.join();
  }
  std::atomic<int> count{0};

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

constexpr int kRounds = 300;

TEST_F(OWPinsStress, NoCallReachesASinkAfterItsDisconnectReturned) {
  testing_locks::WithWatchdog([&] {
    auto f = TComponent::CreateUnowned<TTestFilter>("f", nullptr);
    TTestSinkPin steady(owner.get(), "steady", nullptr, {TypeA});
    TTestSinkPin moving(owner.get(), "moving", nullptr, {TypeA});
    std::atomic<bool> unlinked{false};
    std::atomic<int> late{0};
    moving.reaction = [&](IOWNotifyOperation*, TOWNotifyState) {
      if (unlinked) ++late;
      return TOWNotifyResult{};
    };
    ASSERT_TRUE(f->Output->Connect(&steady));
    {
      Deliverer d(*f->Output);
      for (int i = 0; i < kRounds; ++i) {
        unlinked = false;
        ASSERT_TRUE(f->Output->Connect(&moving));
        if (i % 2)
          f->Output->DisconnectFrom(&moving);
        else
          moving.Disconnect();
        unlinked = true;
      }
    }
    EXPECT_EQ(late, 0);
    EXPECT_GT(steady.received, 0);
    EXPECT_EQ(f->Output->InSending(), 0);
  });
}

TEST_F(OWPinsStress, SinksDestroyedWhileDeliveriesRun) {
  testing_locks::WithWatchdog([&] {
    TTestSourcePin src(owner.get(), {TypeA});
    TTestSinkPin steady(owner.get(), "steady", nullptr, {TypeA});
    ASSERT_TRUE(src.Connect(&steady));
    Deliverer d(src);
    for (int i = 0; i < kRounds; ++i) {
      auto sink = std::make_unique<TTestSinkPin>(owner.get(), "s", nullptr, std::vector<Guid>{TypeA});
      ASSERT_TRUE(sink->Connect(&src));
      sink.reset();
    }
    EXPECT_EQ(src.SinkCount(), 1);
  });
}

TEST_F(OWPinsStress, ConvertersDroppedWhileDeliveriesPassThroughThem) {
  testing_locks::WithWatchdog([&] {
    RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
    TTestSourcePin src(owner.get(), {TypeA});
    TTestSinkPin b1(owner.get(), "b1", nullptr, {TypeB});
    TTestSinkPin b2(owner.get(), "b2", nullptr, {TypeB});
    {
      Deliverer d(src);
      for (int i = 0; i < kRounds; ++i) {
        ASSERT_TRUE(b1.Connect(&src));
        if (i % 3 == 0) {
          ASSERT_TRUE(b2.Connect(&src));
        }
        b1.Connect(nullptr);
        b2.Connect(nullptr);
      }
    }
    // Whichever thread let the last reference go, each converter went once.
    EXPECT_EQ(TAToBConverter::alive, 0);
    EXPECT_EQ(src.ConverterCount(), 0);
  });
}

TEST_F(OWPinsStress, TwoThreadsRelinkWhileDeliveriesRun) {
  testing_locks::WithWatchdog([&] {
    RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
    TTestSourcePin src1(owner.get(), {TypeA});
    TTestSourcePin src2(owner.get(), {TypeA});
    TTestSinkPin a(owner.get(), "a", nullptr, {TypeA});
    TTestSinkPin b(owner.get(), "b", nullptr, {TypeB});
    {
      Deliverer d1(src1), d2(src2);
      auto relink = [&](TTestSinkPin& sink) {
        for (int i = 0; i < kRounds; ++i) {
          sink.Connect(i % 2 ? &src1 : &src2);
          if (i % 5 == 0) sink.Connect(nullptr);
        }
        sink.Connect(nullptr);
      };
      std::thread other([&] { relink(a); });
      relink(b);
      other.join();
    }
    EXPECT_EQ(src1.SinkCount(), 0);
    EXPECT_EQ(src2.SinkCount(), 0);
    EXPECT_EQ(TAToBConverter::alive, 0);
  });
}

TEST_F(OWPinsStress, DestroyingASinkWaitsForTheDeliveryInsideIt) {
  testing_locks::WithWatchdog([&] {
    TTestSourcePin src(owner.get(), {TypeA});
    auto sink = std::make_unique<TTestSinkPin>(owner.get(), "s", nullptr, std::vector<Guid>{TypeA});
    ASSERT_TRUE(sink->Connect(&src));
    std::atomic<bool> destroyed{false};
    std::thread destroyer;
    bool aliveDuringCall = false;
    sink->reaction = [&](IOWNotifyOperation*, TOWNotifyState) {
      destroyer = std::thread([&] {
        sink.reset();
        destroyed = true;
      });
      // Wait until the destroyer waits for this delivery's use token.
      EXPECT_TRUE(test::WaitUntil([&] { return src.DestroyLockObject().Destroying() != 0; }));
      aliveDuringCall = !destroyed;
      return TOWNotifyResult{};
    };
    src.Notify(MakeRef<TOWNotifyOperation>().get());
    destroyer.join();
    EXPECT_TRUE(aliveDuringCall);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(src.SinkCount(), 0);
  });
}

}  // namespace
}  // namespace tavrel
