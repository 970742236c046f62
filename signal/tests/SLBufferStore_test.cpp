#include "signal/SLBufferStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "platform/messages.h"

namespace tavrel {
namespace {

TEST(RoundUpBufferSize, PowersOfTwoFromFourUpToTheLimit) {
  const struct {
    uint64_t size;
    uint32_t block;
  } cases[] = {{0, 4}, {1, 4}, {4, 4}, {5, 8}, {100, 128}, {4096, 4096}, {4097, 8192},
               {kMaxBufferSize - 1, uint32_t(kMaxBufferSize)}, {kMaxBufferSize, uint32_t(kMaxBufferSize)}};
  for (const auto& c : cases) EXPECT_EQ(RoundUpBufferSize(c.size), c.block) << c.size;
  EXPECT_THROW(RoundUpBufferSize(kMaxBufferSize + 1), EOutOfMemory);
  EXPECT_THROW(RoundUpBufferSize(uint64_t{1} << 40), EOutOfMemory);
}

class PoolTest : public testing::Test {
 protected:
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) pool_.TrimTimer();
  }
  TSLSmartBufferManager pool_;
};

TEST_F(PoolTest, HandsOutTheLastReturnedBlockFirst) {
  void* a = pool_.Allocate(64);
  void* b = pool_.Allocate(64);
  ASSERT_NE(a, b);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 32, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 32, 0u);
  pool_.Deallocate(a, 64);
  pool_.Deallocate(b, 64);
  EXPECT_EQ(pool_.FreeBlocks(64), 2u);
  EXPECT_EQ(pool_.Allocate(64), b);
  EXPECT_EQ(pool_.Allocate(64), a);
  EXPECT_EQ(pool_.HeapBlocks(), 2u);
  pool_.Deallocate(a, 64);
  pool_.Deallocate(b, 64);
}

TEST_F(PoolTest, ZeroBytesGiveNilAndNoList) {
  EXPECT_EQ(pool_.Allocate(0), nullptr);
  EXPECT_TRUE(pool_.ListSizes().empty());
}

TEST_F(PoolTest, ListsAreKeptPerExactSizeInCreationOrder) {
  void* a = pool_.Allocate(64);
  void* b = pool_.Allocate(48);
  void* c = pool_.Allocate(64);
  EXPECT_EQ(pool_.ListSizes(), (std::vector<uint32_t>{64, 48}));
  pool_.Deallocate(a, 64);
  pool_.Deallocate(b, 48);
  pool_.Deallocate(c, 64);
  EXPECT_EQ(pool_.FreeBlocks(64), 2u);
  EXPECT_EQ(pool_.FreeBlocks(48), 1u);
  // A 48-byte request never takes a 64-byte block.
  EXPECT_EQ(pool_.Allocate(48), b);
  pool_.Deallocate(b, 48);
}

TEST_F(PoolTest, OneIdleBlockStaysEightTicksAndItsListGoesAtTheNinth) {
  pool_.Deallocate(pool_.Allocate(64), 64);
  Ticks(8);
  EXPECT_EQ(pool_.FreeBlocks(64), 1u);
  EXPECT_EQ(pool_.ListSizes().size(), 1u);
  Ticks(1);
  EXPECT_TRUE(pool_.ListSizes().empty());
  EXPECT_EQ(pool_.LiveBlocks(), 0);
}

TEST_F(PoolTest, IdleBlocksLeaveOnePerTickAfterTheGrace) {
  void* blocks[3] = {pool_.Allocate(32), pool_.Allocate(32), pool_.Allocate(32)};
  for (void* b : blocks) pool_.Deallocate(b, 32);
  Ticks(8);
  EXPECT_EQ(pool_.FreeBlocks(32), 3u);
  const size_t left[] = {2, 1};
  for (size_t n : left) {
    Ticks(1);
    EXPECT_EQ(pool_.FreeBlocks(32), n);
  }
  Ticks(1);
  EXPECT_TRUE(pool_.ListSizes().empty());
  EXPECT_EQ(pool_.LiveBlocks(), 0);
}

TEST_F(PoolTest, AnAllocationPushesTheFirstFreeToTheTenthTick) {
  void* a = pool_.Allocate(16);
  void* b = pool_.Allocate(16);
  pool_.Deallocate(a, 16);
  pool_.Deallocate(b, 16);
  void* taken = pool_.Allocate(16);  // two free before, one after
  Ticks(9);
  EXPECT_EQ(pool_.FreeBlocks(16), 1u);
  Ticks(1);
  EXPECT_TRUE(pool_.ListSizes().empty());
  pool_.Deallocate(taken, 16);  // a new list
  EXPECT_EQ(pool_.ListSizes(), std::vector<uint32_t>{16});
}

TEST_F(PoolTest, AListWithAllBlocksInUseGoesWhenItsCountdownEnds) {
  void* a = pool_.Allocate(16);
  Ticks(7);
  EXPECT_EQ(pool_.ListSizes().size(), 1u);
  Ticks(1);
  EXPECT_TRUE(pool_.ListSizes().empty());
  pool_.Deallocate(a, 16);
  EXPECT_EQ(pool_.FreeBlocks(16), 1u);
}

TEST_F(PoolTest, ReleaseMemoryFreesEveryPooledBlock) {
  void* a = pool_.Allocate(16);
  void* b = pool_.Allocate(1024);
  pool_.Deallocate(a, 16);
  pool_.Deallocate(b, 1024);
  pool_.ReleaseMemory();
  EXPECT_TRUE(pool_.ListSizes().empty());
  EXPECT_EQ(pool_.LiveBlocks(), 0);
}

// ---------------------------------------------------------------------------

TEST_F(PoolTest, OwnerAndTransportCounts) {
  Ref<TSLSmartBuffer> c = TSLSmartBuffer::Create(100, TSLContainerKind::Memory, pool_);
  EXPECT_EQ(c->AllocatedSize(), 128u);
  TSLSmartBuffer* raw = c.get();
  raw->AddReff(true);
  raw->AddReff(false);
  c.reset();
  EXPECT_EQ(raw->CountOwners(), 1);
  EXPECT_EQ(raw->CountTransports(), 2);
  raw->RemoveReff(false);
  EXPECT_EQ(raw->CountOwners(), 1);
  EXPECT_EQ(raw->CountTransports(), 1);
  EXPECT_EQ(pool_.FreeBlocks(128), 0u);
  raw->RemoveReff(true);  // destroys it: the block is back in the pool
  EXPECT_EQ(pool_.FreeBlocks(128), 1u);
}

TEST_F(PoolTest, SingleOwnerUpToOneOwner) {
  Ref<TSLSmartBuffer> c = TSLSmartBuffer::Create(8, TSLContainerKind::Memory, pool_);
  EXPECT_TRUE(c->SingleOwner());
  c->AddReff(true);
  EXPECT_TRUE(c->SingleOwner());
  c->AddReff(true);
  EXPECT_FALSE(c->SingleOwner());
  c->RemoveOwnerShip();
  EXPECT_TRUE(c->SingleOwner());
  c->RemoveOwnerShip();
  c->RemoveOwnerShip();  // never below 0
  EXPECT_EQ(c->CountOwners(), 0);
  c->RemoveReff(false);
  c->RemoveReff(false);
}

TEST_F(PoolTest, ClonesOfEachKind) {
  const struct {
    TSLContainerKind kind;
    bool preserve;
    uint32_t copied;  // bytes from the start that must match
  } cases[] = {{TSLContainerKind::Memory, true, 64},
               {TSLContainerKind::Media, true, 64},
               {TSLContainerKind::Audio, true, 64},
               {TSLContainerKind::Audio, false, kWaveHeaderSize}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.kind) << " " << c.preserve);
    Ref<TSLSmartBuffer> src = TSLSmartBuffer::Create(64, c.kind, pool_);
    for (int i = 0; i < 64; ++i) src->RawData()[i] = uint8_t(i + 1);
    src->SetTimeStampAvailable(true);
    src->SetTimeStampBegin(-5);
    src->SetTimeStampEnd(1234567890123);
    // Sentinels in the block the clone will get from the pool.
    void* stale = pool_.Allocate(64);
    std::memset(stale, 0xEE, 64);
    pool_.Deallocate(stale, 64);
    Ref<TSLSmartBuffer> copy = src->Clone(c.preserve);
    EXPECT_EQ(copy->RawData(), stale);
    EXPECT_EQ(copy->AllocatedSize(), 64u);
    EXPECT_EQ(copy->Kind(), c.kind);
    for (uint32_t i = 0; i < 64; ++i)
      EXPECT_EQ(copy->RawData()[i], i < c.copied ? uint8_t(i + 1) : 0xEE) << i;
    const bool media = c.kind != TSLContainerKind::Memory;
    EXPECT_EQ(copy->TimeStampAvailable(), media);
    EXPECT_EQ(copy->TimeStampBegin(), media ? -5 : 0);
    EXPECT_EQ(copy->TimeStampEnd(), media ? 1234567890123 : 0);
  }
}

TEST_F(PoolTest, MediaCloneWithoutPreserveCarriesTheStamp) {
  Ref<TSLSmartBuffer> src = TSLSmartBuffer::Create(16, TSLContainerKind::Media, pool_);
  src->SetTimeStampBegin(10);
  src->SetTimeStampEnd(20);
  Ref<TSLSmartBuffer> copy = src->Clone(false);
  EXPECT_FALSE(copy->TimeStampAvailable());
  EXPECT_EQ(copy->TimeStampBegin(), 10);
  EXPECT_EQ(copy->TimeStampEnd(), 20);
}

TEST_F(PoolTest, CopyFromTakesTheSmallerCapacity) {
  Ref<TSLSmartBuffer> small = TSLSmartBuffer::CreateData("abcd", 4, TSLContainerKind::Memory, pool_);
  Ref<TSLSmartBuffer> big = TSLSmartBuffer::Create(8, TSLContainerKind::Memory, pool_);
  std::memset(big->RawData(), 'x', 8);
  big->CopyFrom(*small);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(big->RawData()), 8), "abcdxxxx");
  std::memcpy(big->RawData(), "12345678", 8);
  small->CopyFrom(*big);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(small->RawData()), 4), "1234");
}

TEST_F(PoolTest, TooLargeAContainerIsRefusedBeforeThePoolIsTouched) {
  EXPECT_THROW(TSLSmartBuffer::Create(kMaxBufferSize + 1, TSLContainerKind::Memory, pool_), EOutOfMemory);
  EXPECT_TRUE(pool_.ListSizes().empty());
}

// The pool's own timer trims every 200 ms while its thread pumps messages.
TEST(PoolTimer, TrimsFromTheMessageLoop) {
  auto clock = std::make_shared<ManualClock>(1000);
  SetMessageClock(clock);
  {
    TSLSmartBufferManager pool;
    pool.StartTrimTimer();
    pool.Deallocate(pool.Allocate(64), 64);
    for (int tick = 1; tick <= 8; ++tick) {
      clock->Advance(200);
      ProcessMessages();
    }
    EXPECT_EQ(pool.FreeBlocks(64), 1u);
    clock->Advance(200);
    ProcessMessages();
    EXPECT_TRUE(pool.ListSizes().empty());
  }
  SetMessageClock(nullptr);
}

// Several threads allocate and release mixed sizes while another trims.
TEST(PoolStress, ConcurrentAllocationReleaseAndTrimming) {
  TSLSmartBufferManager pool;
  std::atomic<bool> stop{false};
  std::thread trimmer([&] {
    while (!stop.load()) pool.TrimTimer();
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&pool, t] {
      std::mt19937 rng(t);
      const uint32_t sizes[] = {32, 64, 4096, 48};
      std::vector<Ref<TSLSmartBuffer>> held;
      for (int i = 0; i < 3000; ++i) {
        const uint32_t size = sizes[rng() % 4];
        held.push_back(TSLSmartBuffer::Create(size, TSLContainerKind::Audio, pool));
        held.back()->RawData()[size - 1] = uint8_t(i);
        if (held.size() > 8 || rng() % 3 == 0) held.erase(held.begin() + rng() % held.size());
      }
    });
  }
  for (auto& w : workers) w.join();
  stop = true;
  trimmer.join();
  pool.ReleaseMemory();
  EXPECT_EQ(pool.LiveBlocks(), 0);
}

}  // namespace
}  // namespace tavrel
