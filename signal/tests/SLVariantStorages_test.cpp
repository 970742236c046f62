#include "signal/SLVariantStorages.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tavrel {
namespace {

Ref<TSLMemoryBuffer> Bytes(uint8_t first) {
  Ref<TSLMemoryBuffer> b = TSLMemoryBuffer::CreateSize(4);
  std::memset(b->ByteWrite(), first, 4);
  return b;
}

uint8_t FirstByte(const Ref<TSLData>& d) { return dynamic_cast<TSLGenericBuffer&>(*d).ByteRead()[0]; }

// Custom data that is not a data buffer.
class TNotABuffer : public TSLData {
 public:
  Ref<TSLData> MakeCopy() const override { return MakeRef<TNotABuffer>(); }
};

TEST(SLBufferList, SingleModeKeepsTheWaitingBufferUntilItIsTaken) {
  TSLBufferList list;
  EXPECT_TRUE(list.Add(*Bytes(1), false));
  EXPECT_FALSE(list.Add(*Bytes(2), false));
  Ref<TSLData> got;
  ASSERT_TRUE(list.PopFirst(got));
  EXPECT_EQ(FirstByte(got), 1);
  EXPECT_TRUE(list.Add(*Bytes(3), false));
  ASSERT_TRUE(list.PopLast(got));
  EXPECT_EQ(FirstByte(got), 3);
}

TEST(SLBufferList, QueueModeKeepsOrderAndEmptyPopLeavesTheTargetAlone) {
  TSLBufferList list;
  for (uint8_t v : {1, 2, 3}) EXPECT_TRUE(list.Add(*Bytes(v), true));
  Ref<TSLData> got;
  for (uint8_t v : {1, 2, 3}) {
    ASSERT_TRUE(list.PopFirst(got));
    EXPECT_EQ(FirstByte(got), v);
  }
  TSLData* before = got.get();
  EXPECT_FALSE(list.PopFirst(got));
  EXPECT_FALSE(list.PopLast(got));
  EXPECT_EQ(got.get(), before);
}

TEST(SLBufferList, HandsOutAnotherObjectSharingTheDataUntilWritten) {
  Ref<TSLMemoryBuffer> mine = Bytes(7);
  TSLBufferList list;
  list.Add(*mine, true);
  Ref<TSLData> got;
  ASSERT_TRUE(list.PopFirst(got));
  auto& theirs = dynamic_cast<TSLGenericBuffer&>(*got);
  EXPECT_NE(static_cast<TSLData*>(mine.get()), got.get());
  EXPECT_EQ(&theirs.DataContainer(), &mine->DataContainer());
  mine->ByteModify()[0] = 9;
  EXPECT_EQ(theirs.ByteRead()[0], 7);
}

TEST(SLBufferList, RefusesWhatIsNotABufferAndChecksIndexes) {
  TSLBufferList list;
  EXPECT_THROW(list.Add(TNotABuffer(), true), EIntfCastError);
  EXPECT_EQ(list.Count(), 0);
  list.Add(*Bytes(1), true);
  Ref<TSLData> got;
  EXPECT_THROW(list.GetVarItem(1, got), EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace tavrel

#include <thread>

#include "platform/sync.h"

namespace tavrel {
namespace {

Ref<IOWNotifyOperation> Op() { return MakeRef<TOWNotifyOperation>(); }

TEST(SLOperationList, PushBackGoesToTheFrontAndSingleItemKeepsTheNewest) {
  TSLOperationList list;
  Ref<IOWNotifyOperation> a = Op(), b = Op(), c = Op();
  EXPECT_EQ(list.Push(a), 1);
  EXPECT_EQ(list.Push(b), 2);
  EXPECT_EQ(list.PushBack(c), 3);
  EXPECT_EQ(list.Peek(), c);
  for (auto& want : {c, a, b}) EXPECT_EQ(list.Pop(), want);
  EXPECT_EQ(list.Pop(), nullptr);
  EXPECT_EQ(list.Peek(), nullptr);
  EXPECT_EQ(list.ItemsCount(), 0);

  for (auto& op : {a, b, c}) list.Push(op);
  Ref<IOWNotifyOperation> newest = Op();
  EXPECT_EQ(list.Push(newest, true), 1);
  EXPECT_EQ(list.Pop(), newest);
}

TEST(SLOperationList, RefusesWorkWhileAnotherThreadStopsTheSharedLock) {
  Ref<IOWLock> lock = MakeRef<TOWLock>();
  TSLOperationList list(lock);
  Ref<IOWNotifyOperation> waiting = Op();
  list.Push(waiting);
  Event stopped(true, false), done(true, false);
  std::thread stopper([&] {
    Ref<IOWLockSection> stop = lock->StopLock();
    stopped.Set();
    done.WaitFor(INFINITE);
  });
  stopped.WaitFor(INFINITE);
  EXPECT_EQ(list.Push(Op()), 0);
  EXPECT_EQ(list.PushBack(Op()), 0);
  EXPECT_EQ(list.Pop(), nullptr);
  EXPECT_EQ(list.Peek(), nullptr);
  EXPECT_EQ(list.ItemsCount(), 0);
  done.Set();
  stopper.join();
  EXPECT_EQ(list.ItemsCount(), 1);
  EXPECT_EQ(list.Pop(), waiting);
}

}  // namespace
}  // namespace tavrel
