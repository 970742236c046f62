#include "framework/LPCollection.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/tests/lock_testing.h"
#include "framework/tests/lp_fixtures.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

using lp_fixtures::TBand;
using testing::ElementsAre;
using testing_locks::Listening;
using testing_locks::WithWatchdog;

// Records the hook and listener calls in one trace.
struct Trace {
  std::vector<std::string> calls;
};

class TTracedCollection : public TOWExtCollection {
 public:
  TTracedCollection(Trace& t) : TOWExtCollection(nullptr, ItemClassOf<TOWExtCollectionItem>()), trace(t) {}
  Trace& trace;

 protected:
  void ItemAdded(TCollectionItem* Item) override { trace.calls.push_back("ItemAdded " + std::to_string(Item->Index())); }
};

struct TListener : IOWCollectionListener {
  TListener(Trace& t, std::string n, bool raises) : trace(t), name(std::move(n)), raise(raises) {}
  Trace& trace;
  std::string name;
  bool raise;
  void CollectionItemAdded(TOWExtCollection*, TCollectionItem*) override {
    trace.calls.push_back(name + " added");
    if (raise) throw std::runtime_error("listener failed");
  }
  void CollectionItemRemoved(TOWExtCollection*, TCollectionItem*) override {
    trace.calls.push_back(name + " removed");
    if (raise) throw EOWException("listener failed");
  }
};

TEST(TOWExtCollection, ItemAddedRunsBeforeListenersAndAFailingListenerIsSkipped) {
  Trace t;
  TTracedCollection coll(t);
  coll.Add();
  EXPECT_THAT(t.calls, ElementsAre("ItemAdded 0"));
  EXPECT_EQ(coll.LastIndicatedCount, -1);
  coll.AddListener(MakeRef<TListener>(t, "first", true));
  coll.AddListener(MakeRef<TListener>(t, "second", false));
  t.calls.clear();
  coll.LastIndicatedCount = coll.Count();
  coll.Add();
  coll.Delete(0);
  EXPECT_THAT(t.calls, ElementsAre("ItemAdded 1", "first added", "second added", "first removed", "second removed"));
  EXPECT_EQ(coll.LastIndicatedCount, -1);
  t.calls.clear();
  auto out = coll.Extract(coll.Items(0));
  EXPECT_THAT(t.calls, ElementsAre("first removed", "second removed"));
}

TEST(TOWExtCollection, DestroyingAnItemClearsTheEditorsReference) {
  Trace t;
  TTracedCollection coll(t);
  auto* item = static_cast<TOWExtCollectionItem*>(coll.Add());
  TOWExtCollectionItem* shown = item;
  item->CurrentEditorPtr = &shown;
  coll.Delete(0);
  EXPECT_EQ(shown, nullptr);
  // Also when the collection itself goes.
  TOWExtCollectionItem* other = nullptr;
  {
    TTracedCollection gone(t);
    other = static_cast<TOWExtCollectionItem*>(gone.Add());
    other->CurrentEditorPtr = &other;
  }
  EXPECT_EQ(other, nullptr);
}

TEST(TLPCollection, ItemsShareTheOwnersLockAndNotifyThemselves) {
  WithWatchdog([] {
    Listening listening;
    auto owner = MakeRef<TLPLock>();
    TLPCollection coll(nullptr, owner, ItemClassOf<TBand>());
    auto* band = static_cast<TBand*>(coll.Add());
    EXPECT_EQ(band->Lock()->Instance(), owner->Instance());
    Ref<IOWLockSection> held = owner->WriteLock();
    std::thread setter([&] { band->SetFreq(50); });
    EXPECT_TRUE(test::WaitUntil([&] { return listening.recorder->LocksOf(TOWLockEvent::BeginWriteCreate).size() >= 2; }));
    EXPECT_EQ(band->changes, 0) << "the item's setter waits for the owner's holder";
    held = nullptr;
    setter.join();
    EXPECT_EQ(band->Freq(), 50);
    EXPECT_EQ(band->changes, 1);
  });
}

TEST(TLPCollection, LocksByConstructor) {
  int ownerChanges = 0;
  auto lock = MakeRef<TLPLock>(TLPPropUpdateFunc([&] { ++ownerChanges; }));
  // Given a lock: that lock itself, notification included.
  TLPCollection shared(nullptr, lock, ItemClassOf<TBand>());
  EXPECT_EQ(shared.Lock(), Ref<ILPLock>(lock));
  // Its own lock.
  TLPCollection own(nullptr, ItemClassOf<TBand>());
  EXPECT_NE(own.Lock()->Instance(), lock->Instance());
  // Under a sub-object or an item: a copy over their lock.
  lp_fixtures::TFormat format(nullptr, lock);
  TLPCollection underFormat(&format, ItemClassOf<TBand>());
  EXPECT_EQ(underFormat.Lock()->Instance(), lock->Instance());
  EXPECT_EQ(underFormat.GetOwner(), &format);
  auto* item = static_cast<TBand*>(own.Add());
  TLPCollection underItem(item, ItemClassOf<TBand>());
  EXPECT_EQ(underItem.Lock()->Instance(), own.Lock()->Instance());
  EXPECT_EQ(ownerChanges, 0);
}

TEST(TLPCollection, ItemsBelongInATLPCollection) {
  TCollection plain(ItemClassOf<TBand>());
  EXPECT_THROW(plain.Add(), EOWException);
  EXPECT_EQ(plain.Count(), 0);
}

TEST(TLPCollection, AssignReplacesItemsAndCopiesThem) {
  TLPCollection src(nullptr, ItemClassOf<TBand>()), dst(nullptr, ItemClassOf<TBand>());
  for (double f : {100.0, 200.0}) static_cast<TBand*>(src.Add())->SetFreq(f);
  dst.Add();
  dst.Assign(&src);
  ASSERT_EQ(dst.Count(), 2);
  EXPECT_EQ(static_cast<TBand*>(dst.Items(1))->Freq(), 200);
  EXPECT_EQ(dst.Items(0)->Collection(), &dst);
  // Items copy by published properties.
  auto* a = static_cast<TBand*>(dst.Items(0));
  a->Assign(src.Items(1));
  EXPECT_EQ(a->Freq(), 200);
}

const Guid IID_Probe = StringToGUID("{5B0C1E77-2D43-4F0A-9A51-7C3E0D2B8F10}");

class TProbeItem : public TBand {
  TAVREL_CLASS_INFO
 public:
  using TBand::TBand;
};

const ClassInfo& TProbeItem::Class() {
  static const ClassInfo ci = ClassBuilder<TProbeItem>("TProbeItem", TBand::Class()).implements(IID_Probe).build();
  return ci;
}

TEST(TLPCollectionItem, QueryInterfaceAnswersForDeclaredInterfaces) {
  TLPCollection coll(nullptr, ItemClassOf<TProbeItem>());
  auto* item = static_cast<TLPCollectionItem*>(coll.Add());
  TObject* obj = nullptr;
  EXPECT_EQ(item->QueryInterface(IID_Probe, obj), 0);
  EXPECT_EQ(obj, item);
  EXPECT_EQ(item->QueryInterface(IID_ILPLock, obj), TLPCollectionItem::E_NOINTERFACE);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(uint32_t(TLPCollectionItem::E_NOINTERFACE), 0x80004002u);
}

}  // namespace
}  // namespace tavrel
