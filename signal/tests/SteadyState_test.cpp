#include <gtest/gtest.h>

#include "signal/ALAudioBuffer.h"

namespace tavrel {
namespace {

// The capture path's life of a buffer, over and over: after the first round
// the pool serves every block from its free list.
TEST(SteadyState, TenThousandAudioBuffersTakeNoNewBlockAfterTheFirstRound) {
  TSLSmartBufferManager pool;
  uint64_t heapAfterFirst = 0;
  int64_t liveAfterFirst = 0;
  for (int round = 0; round < 10000; ++round) {
    auto captured = TALAudioBuffer::CreateSize(44100, 16, 2, 512, pool);
    captured->SetValue(round);
    auto reader1 = TALAudioBuffer::CreateEx(*captured);
    auto reader2 = RefCast<TALAudioBuffer>(captured->MakeCopy());
    reader1->AddValue(1);  // the one writer detaches
    ASSERT_EQ(reader1->GetSample(511, 1), round + 1);
    ASSERT_EQ(reader2->GetSample(0, 0), int16_t(round));
    if (round % 100 == 0) pool.TrimTimer();  // the timer runs meanwhile
    captured.reset();
    reader1.reset();
    reader2.reset();
    if (round == 0) {
      heapAfterFirst = pool.HeapBlocks();
      liveAfterFirst = pool.LiveBlocks();
      EXPECT_EQ(heapAfterFirst, 2u);
    }
    ASSERT_EQ(pool.HeapBlocks(), heapAfterFirst) << round;
    ASSERT_EQ(pool.LiveBlocks(), liveAfterFirst) << round;
  }
  EXPECT_EQ(pool.FreeBlocks(4096), 2u);
}

}  // namespace
}  // namespace tavrel
