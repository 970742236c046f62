#include "framework/OWOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "platform/object.h"

namespace tavrel {
namespace {

TEST(OWOperations, IdsStartAtOneAndAreUniqueAcrossThreads) {
  SetNextOperationIDForTesting(1);
  EXPECT_EQ(MakeRef<TOWNotifyOperation>()->OperationID(), 1u);
  EXPECT_EQ(MakeRef<TOWStopOperation>()->OperationID(), 2u);

  constexpr int kThreads = 4, kEach = 2000;
  std::vector<std::vector<uint32_t>> ids(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) ids[size_t(t)].push_back(MakeRef<TOWClockOperation>()->OperationID());
    });
  for (auto& th : threads) th.join();
  std::set<uint32_t> all;
  for (auto& v : ids) all.insert(v.begin(), v.end());
  EXPECT_EQ(all.size(), size_t(kThreads * kEach));
}

TEST(OWOperations, CounterWrapsAfterTheLargestId) {
  SetNextOperationIDForTesting(0xFFFFFFFFu);
  EXPECT_EQ(MakeRef<TOWNotifyOperation>()->OperationID(), 0xFFFFFFFFu);
  EXPECT_EQ(MakeRef<TOWNotifyOperation>()->OperationID(), 0u);
  EXPECT_EQ(MakeRef<TOWNotifyOperation>()->OperationID(), 1u);
}

TEST(OWOperations, ClassTestsIncludeDescendants) {
  struct Case {
    const char* name;
    Ref<IOWNotifyOperation> op;
    bool clock, start, stop;
  };
  const Case cases[] = {
      {"end-stop", MakeRef<TOWEndStopOperation>(), false, false, true},
      {"stop", MakeRef<TOWStopOperation>(), false, false, true},
      {"single", MakeRef<TOWSuppliedSingleOperation>(1.0f), true, false, false},
      {"bool", MakeRef<TOWSuppliedBoolOperation>(true), true, false, false},
      {"string", MakeRef<TOWSuppliedStringOperation>("x"), true, false, false},
      {"real", MakeRef<TOWSuppliedRealOperation>(1.0), true, false, false},
      {"value range", MakeRef<TOWSuppliedRealValueRangeOperation>(1, 0, 2), true, false, false},
      {"range", MakeRef<TOWSuppliedRealRangeOperation>(0, 2), true, false, false},
      {"start-rate", MakeRef<TOWStartRateOperation>(44100.0f), false, true, false},
      {"file end", MakeRef<TOWFileEndNoStopOperation>(), false, false, false},
      {"plain", MakeRef<TOWNotifyOperation>(), false, false, false},
  };
  for (const auto& c : cases) {
    TOWNotifyOperation* op = c.op->Instance();
    EXPECT_EQ(dynamic_cast<TOWClockOperation*>(op) != nullptr, c.clock) << c.name;
    EXPECT_EQ(dynamic_cast<TOWStartOperation*>(op) != nullptr, c.start) << c.name;
    EXPECT_EQ(dynamic_cast<TOWStopOperation*>(op) != nullptr, c.stop) << c.name;
  }
}

TEST(OWOperations, ConstructorsStoreTheirArguments) {
  auto vr = MakeRef<TOWSuppliedRealValueRangeOperation>(1.5, 0, 10);
  EXPECT_EQ(vr->Value, 1.5);
  EXPECT_EQ(vr->Min, 0);
  EXPECT_EQ(vr->Max, 10);
  auto r = MakeRef<TOWSuppliedRealRangeOperation>(0, 10);
  EXPECT_EQ(r->Min, 0);
  EXPECT_EQ(r->Max, 10);

  auto plain = MakeRef<TOWPumpRequestOperation>();
  EXPECT_EQ(plain->Pump, nullptr);
  EXPECT_EQ(plain->PumpType, TOWPumpType::ptNone);
  EXPECT_EQ(plain->PumpPriority, 0);
  EXPECT_EQ(plain->DesiredRate, 0.0f);

  TPersistent pump;
  auto ex = TOWPumpRequestOperation::CreateEx(&pump, TOWPumpType::ptHardware, TOWPumpPriority{5}, TOWDesiredRate{1.0f});
  EXPECT_EQ(ex->Pump, &pump);
  EXPECT_EQ(ex->PumpType, TOWPumpType::ptHardware);
  EXPECT_EQ(ex->PumpPriority, 5);
  EXPECT_EQ(ex->DesiredRate, 1.0f);
  static_assert(!std::is_invocable_v<decltype(&TOWPumpRequestOperation::CreateEx), TObject*, TOWPumpType,
                                     TOWDesiredRate, TOWPumpPriority>,
                "the priority and the rate cannot be swapped");
}

struct Counted : TOWNotifyOperation {
  explicit Counted(int* destroyed) : destroyed_(destroyed) {}
  ~Counted() override { ++*destroyed_; }
  int* destroyed_;
};

TEST(OWOperations, AKeptReferenceKeepsTheOperationAfterTheDelivery) {
  int destroyed = 0;
  Ref<IOWNotifyOperation> kept;
  {
    Ref<IOWNotifyOperation> op = MakeRef<Counted>(&destroyed);
    auto receiver = [&](IOWNotifyOperation* o) { kept = Ref<IOWNotifyOperation>(o); };
    receiver(op.get());
  }
  EXPECT_EQ(destroyed, 0);
  EXPECT_NE(kept->Instance()->OperationID(), 0u);
  kept = nullptr;
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace tavrel
