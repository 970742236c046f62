#include "signal/SLSimpleDataBuffer.h"

#include "signal/ALAudioBuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tavrel {
namespace {

// A custom item that counts its copies.
class Tag : public TSLData {
 public:
  explicit Tag(int v, int generation = 0) : value(v), generation(generation) {}
  Ref<TSLData> MakeCopy() const override { return MakeRef<Tag>(value, generation + 1); }
  int value;
  int generation;
};

class DataBufferTest : public testing::Test {
 protected:
  Ref<TSLLinearMemoryBuffer> Filled(uint32_t n, uint8_t first = 1) {
    auto b = TSLLinearMemoryBuffer::CreateSize(n, pool_);
    for (uint32_t i = 0; i < n; ++i) b->ByteWrite()[i] = uint8_t(first + i);
    return b;
  }
  static Ref<TSLLinearMemoryBuffer> Copy(const Ref<TSLLinearMemoryBuffer>& b) {
    return RefCast<TSLLinearMemoryBuffer>(b->MakeCopy());
  }
  TSLSmartBufferManager pool_;
};

TEST_F(DataBufferTest, CopiesShareUntilTheFirstWrite) {
  auto a = Filled(16);
  auto b = Copy(a);
  ASSERT_TRUE(b);
  EXPECT_EQ(&a->DataContainer(), &b->DataContainer());
  EXPECT_EQ(a->DataContainer().CountOwners(), 2);

  enum Access { Read, Write, Modify };
  const struct {
    Access access;
    bool shared;
    bool detaches;
    bool keepsData;
  } cases[] = {
      {Read, true, false, true},   {Write, false, false, true},
      {Modify, false, false, true}, {Write, true, true, false},
      {Modify, true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.access << " shared " << c.shared);
    auto x = Filled(16, 10);
    Ref<TSLLinearMemoryBuffer> sharer = c.shared ? Copy(x) : nullptr;
    TSLSmartBuffer* before = &x->DataContainer();
    const uint8_t* address = x->ByteRead();
    const uint8_t* p = c.access == Read ? x->ByteRead() : c.access == Write ? x->ByteWrite() : x->ByteModify();
    EXPECT_EQ(&x->DataContainer() != before, c.detaches);
    EXPECT_EQ(p != address, c.detaches);
    if (c.keepsData) {
      EXPECT_EQ(p[3], 13);
    }
    if (c.access == Read) continue;
    const_cast<uint8_t*>(p)[3] = 99;
    if (sharer) {
      EXPECT_EQ(sharer->ByteRead()[3], 13);
      EXPECT_TRUE(x->DataContainer().SingleOwner());
    }
  }
}

TEST_F(DataBufferTest, TheSequenceNumberLivesInTheContainer) {
  auto a = Filled(4);
  auto b = Copy(a);
  EXPECT_FALSE(b->SequenceAvailable());
  a->SetBufferNumber(42);
  a->SetSequenceAvailable(true);
  EXPECT_TRUE(b->SequenceAvailable());
  EXPECT_EQ(b->BufferNumber(), 42);
}

TEST_F(DataBufferTest, TwoReadersNeverCopy) {
  auto a = Filled(64);
  const uint64_t blocks = pool_.HeapBlocks();
  auto r1 = Copy(a);
  auto r2 = Copy(a);
  EXPECT_EQ(r1->ByteRead(), a->ByteRead());
  EXPECT_EQ(r2->ByteRead(), a->ByteRead());
  EXPECT_TRUE(r1->IsEqual(*r2));
  EXPECT_EQ(pool_.HeapBlocks(), blocks);
  EXPECT_EQ(a->DataContainer().CountTransports(), 3);
}

TEST_F(DataBufferTest, AfterRemoveOwnerShipTheOtherWritesInPlace) {
  auto a = Filled(8);
  auto b = Copy(a);
  b->RemoveOwnerShip();
  EXPECT_FALSE(b->OwnsData());
  uint8_t* p = a->ByteModify();
  EXPECT_EQ(p, b->ByteRead());
  p[0] = 200;
  EXPECT_EQ(b->ByteRead()[0], 200);
  b.reset();  // the transport goes, the data stays with a
  EXPECT_EQ(a->DataContainer().CountTransports(), 1);
  EXPECT_EQ(a->ByteRead()[0], 200);
}

TEST_F(DataBufferTest, ResizeKeepsTheContainerOnlyWhereItMay) {
  const struct {
    const char* name;
    uint32_t from;
    uint64_t to;
    bool preserve;
    bool shared;
    bool sameContainer;
  } cases[] = {
      {"to 0", 10, 0, true, true, true},
      {"shrink, preserve", 10, 4, true, true, true},
      {"grow within capacity, single owner", 10, 16, true, false, true},
      {"grow within capacity, shared", 10, 16, true, true, false},
      {"grow beyond capacity", 10, 17, true, false, false},
      {"shrink without preserve", 10, 4, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = Filled(c.from);
    auto sharer = c.shared ? Copy(b) : nullptr;
    TSLSmartBuffer* before = &b->DataContainer();
    b->Resize(c.to, c.preserve);
    EXPECT_EQ(b->GetSize(), c.to);
    EXPECT_EQ(b->GetByteSize(), c.to);
    EXPECT_EQ(&b->DataContainer() == before, c.sameContainer);
    EXPECT_EQ(b->ByteRead(), b->DataContainer().RawData());
    if (c.preserve) {
      for (uint32_t i = 0; i < std::min<uint64_t>(c.from, c.to); ++i) EXPECT_EQ(b->ByteRead()[i], i + 1);
    }
    if (sharer) {
      EXPECT_EQ(sharer->GetSize(), c.from);
      EXPECT_EQ(sharer->ByteRead()[c.from - 1], c.from);
    }
  }
}

TEST_F(DataBufferTest, ResizeBeyondTheLimitIsRefusedAndChangesNothing) {
  auto b = Filled(4);
  EXPECT_THROW(b->Resize(kMaxBufferSize + 1, true), EOutOfMemory);
  EXPECT_EQ(b->GetSize(), 4u);
  EXPECT_EQ(b->ByteRead()[3], 4);
}

TEST_F(DataBufferTest, CustomItemsAreCopiedNeverShared) {
  auto a = Filled(4);
  a->AddCustom(MakeRef<Tag>(7));
  auto b = Copy(a);
  ASSERT_EQ(b->GetCustomCount(), 1);
  auto tag = RefCast<Tag>(b->GetCustom(0));
  EXPECT_EQ(tag->value, 7);
  EXPECT_EQ(tag->generation, 1);
  EXPECT_NE(tag.get(), a->GetCustom(0).get());
  EXPECT_THROW(b->GetCustom(1), EStringListError);
  EXPECT_THROW(b->GetCustom(-1), EStringListError);
}

TEST_F(DataBufferTest, AssignSharesDataAndToItselfOnlyRenewsTheCustomItems) {
  auto a = Filled(4);
  auto b = Filled(9, 50);
  b->AddCustom(MakeRef<Tag>(1));
  a->Assign(*b);
  EXPECT_EQ(&a->DataContainer(), &b->DataContainer());
  EXPECT_EQ(a->GetByteSize(), 9u);
  EXPECT_EQ(a->ByteRead()[0], 50);
  EXPECT_EQ(RefCast<Tag>(a->GetCustom(0))->generation, 1);

  TSLSmartBuffer* container = &a->DataContainer();
  a->Assign(*a);
  EXPECT_EQ(&a->DataContainer(), container);
  EXPECT_EQ(a->GetByteSize(), 9u);
  ASSERT_EQ(a->GetCustomCount(), 1);
  EXPECT_EQ(RefCast<Tag>(a->GetCustom(0))->generation, 2);
}

TEST_F(DataBufferTest, AssignFromAnAudioBufferStaysInsideTheBlock) {
  // The other's data pointer lies past a header that its size counts.
  auto audio = TALAudioBuffer::CreateSize(8000, 8, 1, 8, pool_);
  auto plain = Filled(2);
  plain->Assign(*audio);
  EXPECT_EQ(plain->GetByteSize(), 48u);
  EXPECT_EQ(plain->ByteRead(), audio->DataContainer().RawData());
  EXPECT_EQ(plain->ByteRead()[0], 0xFE);  // the header's format tag
}

TEST_F(DataBufferTest, AssignFromANonBufferRaisesTheCastError) {
  auto a = Filled(4);
  auto t = MakeRef<Tag>(3);
  EXPECT_THROW(a->Assign(*t), EIntfCastError);
  EXPECT_EQ(a->GetByteSize(), 4u);
}

TEST_F(DataBufferTest, IsEqualComparesSizesThenBytes) {
  auto a = Filled(4);
  auto b = Filled(4);
  EXPECT_TRUE(a->IsEqual(*b));
  b->ByteModify()[3] = 0;
  EXPECT_FALSE(a->IsEqual(*b));
  EXPECT_FALSE(a->IsEqual(*Filled(5)));
  EXPECT_TRUE(Filled(0)->IsEqual(*Filled(0)));
}

TEST_F(DataBufferTest, CopyRangeWritesThroughTheTargetsPrivateCopy) {
  auto src = Filled(8);
  auto dst = Filled(8, 100);
  auto sharer = Copy(dst);
  src->CopyRange(2, *dst, 5, 3);
  const uint8_t expect[] = {100, 101, 102, 103, 104, 3, 4, 5};
  EXPECT_EQ(std::memcmp(dst->ByteRead(), expect, 8), 0);
  EXPECT_EQ(sharer->ByteRead()[5], 105);
  EXPECT_THROW(src->CopyRange(6, *dst, 0, 3), ERangeError);
  EXPECT_THROW(src->CopyRange(0, *dst, 6, 3), ERangeError);
  src->CopyRange(0, *src, 1, 4);  // overlapping, into itself
  const uint8_t self[] = {1, 1, 2, 3, 4, 6, 7, 8};
  EXPECT_EQ(std::memcmp(src->ByteRead(), self, 8), 0);
}

TEST_F(DataBufferTest, SaveAndLoadRawBytes) {
  const auto dir = std::filesystem::temp_directory_path() / ("tavrel_signal_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "raw.bin").string();
  auto a = Filled(10);
  a->SaveToFile(path);
  EXPECT_EQ(std::filesystem::file_size(path), 10u);

  auto b = Filled(10, 77);
  auto sharer = Copy(b);
  b->LoadFromFile(path);
  EXPECT_TRUE(a->IsEqual(*b));
  EXPECT_EQ(sharer->ByteRead()[0], 77);

  // A short or missing file leaves the buffer as it was.
  auto c = Filled(11, 40);
  EXPECT_THROW(c->LoadFromFile(path), EReadError);
  EXPECT_EQ(c->ByteRead()[0], 40);
  EXPECT_THROW(c->LoadFromFile((dir / "missing.bin").string()), EFOpenError);
  EXPECT_EQ(c->ByteRead()[10], 50);
  EXPECT_THROW(a->SaveToFile((dir / "no" / "such" / "dir").string()), EFCreateError);
  std::filesystem::remove_all(dir);
}

TEST_F(DataBufferTest, TwoThreadsModifyingOneSharedBufferEachGetACopy) {
  for (int round = 0; round < 200; ++round) {
    auto original = Filled(32);
    auto x = Copy(original);
    auto y = Copy(original);
    std::thread tx([&] { x->ByteModify()[0] = 11; });
    std::thread ty([&] { y->ByteModify()[0] = 22; });
    tx.join();
    ty.join();
    EXPECT_EQ(original->ByteRead()[0], 1);
    EXPECT_EQ(x->ByteRead()[0], 11);
    EXPECT_EQ(y->ByteRead()[0], 22);
    EXPECT_NE(&x->DataContainer(), &original->DataContainer());
    EXPECT_NE(&y->DataContainer(), &original->DataContainer());
  }
}

}  // namespace
}  // namespace tavrel
