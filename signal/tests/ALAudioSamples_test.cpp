#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <vector>

#include "math/buffer_helpers.h"
#include "signal/ALAudioBuffer.h"
#include "signal/SLIntegerBuffer.h"
#include "signal/SLRealBuffer.h"

namespace tavrel {
namespace {

class AudioSamplesTest : public testing::Test {
 protected:
  // A buffer of frames x channels with the given samples, frame by frame.
  Ref<TALAudioBuffer> Make(uint32_t bits, uint32_t channels, std::vector<int32_t> samples,
                           TALSpeakers mask = 0) {
    const uint32_t frames = channels ? uint32_t(samples.size()) / channels : 0;
    auto b = TALAudioBuffer::CreateSizeEx(8000, bits, channels, frames, mask, pool_);
    for (uint32_t i = 0; i < frames; ++i)
      for (uint32_t c = 0; c < channels; ++c) b->SetSample(i, c, samples[i * channels + c]);
    return b;
  }
  static std::vector<int32_t> Samples(const TALAudioBuffer& b) {
    std::vector<int32_t> out;
    for (uint32_t i = 0; i < b.GetSize(); ++i)
      for (uint32_t c = 0; c < b.GetChannels(); ++c) out.push_back(b.GetSample(i, c));
    return out;
  }
  TSLSmartBufferManager pool_;
};

using V = std::vector<int32_t>;

TEST_F(AudioSamplesTest, GetSampleTestsTheChannelFirst) {
  auto b = Make(16, 2, {1, 2, 3, 4});
  try {
    b->GetSample(5, 2);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), "Channel out of range = 2");
  }
  try {
    b->GetSample(2, 1);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), "Index out of range = 2");
  }
}

TEST_F(AudioSamplesTest, SetSampleStoresTheLowBitsAndHasDetachedWhenItRaises) {
  const struct {
    uint32_t bits;
    int32_t value, readBack;
  } cases[] = {{8, 300, 44}, {16, 70000, 4464}, {24, -2, -2}, {24, 8388608, -8388608}, {32, INT_MIN, INT_MIN}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    auto b = Make(c.bits, 1, {0, 0});
    b->SetSample(1, 0, c.value);
    EXPECT_EQ(b->GetSample(1, 0), c.readBack);
  }
  auto b = Make(24, 1, {0});
  b->SetSample(0, 0, -2);
  EXPECT_EQ(b->Read()[0], 0xFE);
  EXPECT_EQ(b->Read()[1], 0xFF);
  EXPECT_EQ(b->Read()[2], 0xFF);
  auto sharer = TALAudioBuffer::CreateEx(*b);
  EXPECT_THROW(b->SetSample(1, 0, 5), ERangeError);
  EXPECT_NE(&b->DataContainer(), &sharer->DataContainer());
}

TEST_F(AudioSamplesTest, IsEqualToValue) {
  auto b = Make(16, 2, {5, 5, 5, 6});
  EXPECT_FALSE(b->IsEqualToValue(5));
  EXPECT_TRUE(b->IsChannelEqualToValue(0, 5));
  EXPECT_FALSE(b->IsChannelEqualToValue(1, 5));
  EXPECT_TRUE(Make(16, 2, {5, 5})->IsEqualToValue(5));
  // Empty buffers raise as the first sample would.
  auto empty = TALAudioBuffer::CreateSize(8000, 16, 2, 0, pool_);
  EXPECT_THROW(empty->IsEqualToValue(0), ERangeError);
  auto none = TALAudioBuffer::CreateSize(8000, 16, 0, 4, pool_);
  try {
    none->IsEqualToValue(0);
    FAIL();
  } catch (const ERangeError& e) {
    EXPECT_EQ(e.Message(), "Channel out of range = 0");
  }
  EXPECT_THROW(b->IsChannelEqualToValue(2, 5), ERangeError);
}

// --- two-buffer arithmetic ----------------------------------------------

TEST_F(AudioSamplesTest, ArithmeticPerWidth) {
  using Op = void (TALAudioBuffer::*)(const TALAudioBuffer&);
  const Op add = &TALAudioBuffer::Add, sub = &TALAudioBuffer::Subtract, mul = &TALAudioBuffer::Multiply,
           div = &TALAudioBuffer::Divide;
  const struct {
    const char* name;
    uint32_t bits;
    Op op;
    V d, s, expect;
  } cases[] = {
      {"8 silence + silence", 8, add, {127, 127}, {127, 127}, {127, 127}},
      {"8 add saturates", 8, add, {200, 10}, {200, 10}, {255, 0}},
      {"8 subtract", 8, sub, {130, 0}, {120, 255}, {137, 0}},
      {"8 multiply", 8, mul, {129, 137}, {130, 117}, {133, 27}},
      {"8 divide by silence", 8, div, {0, 255}, {127, 127}, {127, 127}},
      {"8 divide truncates", 8, div, {134, 120}, {129, 129}, {130, 124}},
      {"16 add saturates", 16, add, {30000, -30000}, {10000, -10000}, {32767, -32768}},
      {"16 subtract", 16, sub, {5, -30000}, {7, 10000}, {-2, -32768}},
      {"16 multiply saturates", 16, mul, {300, -3}, {300, 4}, {32767, -12}},
      {"16 divide", 16, div, {10, -9}, {2, 3}, {5, -3}},
      {"24 add saturates", 24, add, {8000000, -8000000}, {800000, -800000}, {8388607, -8388608}},
      {"24 multiply", 24, mul, {-3, 4000}, {7, 4000}, {-21, 8388607}},
      {"24 divide truncates", 24, div, {-7, -8388608}, {2, -1}, {-3, 8388607}},
      {"32 add saturates", 32, add, {INT_MAX, INT_MIN}, {1, -1}, {INT_MAX, INT_MIN}},
      {"32 subtract", 32, sub, {INT_MIN, 5}, {1, 7}, {INT_MIN, -2}},
      {"32 multiply saturates", 32, mul, {65536, -65536}, {65536, 65536}, {INT_MAX, INT_MIN}},
      {"32 INT_MIN / -1", 32, div, {INT_MIN, 7}, {-1, -2}, {INT_MAX, -3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto d = Make(c.bits, 1, c.d);
    auto s = Make(c.bits, 1, c.s);
    ((*d).*c.op)(*s);
    EXPECT_EQ(Samples(*d), c.expect);
    EXPECT_EQ(Samples(*s), c.s);
  }
}

TEST_F(AudioSamplesTest, DivisionByAZeroSampleRaisesBeforeAnythingChanges) {
  for (uint32_t bits : {24u, 32u}) {
    SCOPED_TRACE(bits);
    auto d = Make(bits, 1, {10, 20, 30});
    auto sharer = TALAudioBuffer::CreateEx(*d);
    auto s = Make(bits, 1, {2, 5, 0});
    EXPECT_THROW(d->Divide(*s), EDivByZero);
    EXPECT_EQ(Samples(*d), (V{10, 20, 30}));
    EXPECT_EQ(&d->DataContainer(), &sharer->DataContainer());
  }
  // 16-bit: the library's rule (saturate by the dividend's sign).
  auto d = Make(16, 1, {10, -10, 0});
  d->Divide(*Make(16, 1, {0, 0, 0}));
  EXPECT_EQ(Samples(*d), (V{32767, -32768, 0}));
}

TEST_F(AudioSamplesTest, TheShorterBufferBoundsTheFrames) {
  auto d = Make(16, 1, {1, 2, 3, 4});
  d->Add(*Make(16, 1, {10, 10}));
  EXPECT_EQ(Samples(*d), (V{11, 12, 3, 4}));
  auto e = Make(16, 1, {1, 2});
  e->Add(*Make(16, 1, {10, 10, 10, 10}));
  EXPECT_EQ(Samples(*e), (V{11, 12}));
}

TEST_F(AudioSamplesTest, ChannelsPairBySpeaker) {
  // Mono onto stereo: both channels.
  auto st = Make(16, 2, {1, 2, 3, 4});
  st->Add(*Make(16, 1, {100, 200}));
  EXPECT_EQ(Samples(*st), (V{101, 102, 203, 204}));
  // Mask 3 (FL FR) onto mask 6 (FR FC): the other's FR into our channel 0.
  auto d = Make(16, 2, {1, 2, 3, 4}, 0x6);
  d->Add(*Make(16, 2, {10, 20, 30, 40}, 0x3));
  EXPECT_EQ(Samples(*d), (V{21, 2, 43, 4}));
  // A mask with more speakers than channels pairs nothing past the last channel.
  auto wide = Make(16, 1, {1, 1}, 0);
  auto many = TALAudioBuffer::CreateDataEx(nullptr, 8000, 16, 2, 2, 0xFF, pool_);
  many->SetValue(5);
  auto narrow = Make(16, 2, {0, 0, 0, 0}, 0xFF);
  narrow->Add(*many);
  EXPECT_EQ(Samples(*narrow), (V{5, 5, 5, 5}));
  (void)wide;
}

TEST_F(AudioSamplesTest, DifferentWidthsAreRefused) {
  auto d = Make(16, 1, {1, 2});
  EXPECT_THROW(d->Add(*Make(8, 1, {1, 2})), EIntfCastError);
  EXPECT_THROW(d->Add(*Make(32, 1, {1, 2})), EIntfCastError);
  EXPECT_EQ(Samples(*d), (V{1, 2}));
}

TEST_F(AudioSamplesTest, ASharedTargetIsSeparatedAndItsSharerKeepsTheOldData) {
  auto d = Make(8, 1, {130, 140});
  auto sharer = TALAudioBuffer::CreateEx(*d);
  d->Add(*Make(8, 1, {128, 128}));
  EXPECT_EQ(Samples(*d), (V{131, 141}));
  EXPECT_EQ(Samples(*sharer), (V{130, 140}));
}

// --- constants ----------------------------------------------------------

TEST_F(AudioSamplesTest, WholeBufferConstantsPerWidth) {
  using Op = void (TALAudioBuffer::*)(int32_t);
  const Op add = &TALAudioBuffer::AddValue, sub = &TALAudioBuffer::SubtractValue,
           mul = &TALAudioBuffer::MultiplyValue, div = &TALAudioBuffer::DivideValue;
  const struct {
    const char* name;
    uint32_t bits;
    Op op;
    int32_t value;
    V in, expect;
  } cases[] = {
      {"8 add saturates", 8, add, 100, {100, 200}, {200, 255}},
      {"8 add negative", 8, add, -50, {100, 20}, {50, 0}},
      {"8 subtract", 8, sub, 27, {127, 10}, {100, 0}},
      {"8 multiply", 8, mul, 2, {100, 200}, {200, 255}},
      {"8 multiply negative", 8, mul, -1, {100, 0}, {0, 0}},
      {"8 divide", 8, div, 127, {254, 127}, {2, 1}},
      {"8 divide by 0: nothing", 8, div, 0, {9, 8}, {9, 8}},
      {"16 add saturates", 16, add, 1000, {32000, -5}, {32767, 995}},
      {"16 add beyond the type", 16, add, 40000, {-30000, 5}, {10000, 32767}},
      {"16 subtract", 16, sub, -3, {-32768, 1}, {-32765, 4}},
      {"16 multiply", 16, mul, -2, {20000, 3}, {-32768, -6}},
      {"16 divide by 0: nothing", 16, div, 0, {9, -8}, {9, -8}},
      {"24 add saturates", 24, add, 10, {8388600, 0}, {8388607, 10}},
      {"24 multiply saturates", 24, mul, -3, {3000000, 5}, {-8388608, -15}},
      {"24 divide truncates", 24, div, -2, {7, -8388608}, {-3, 4194304}},
      {"24 -8388608 / -1", 24, div, -1, {-8388608, 1}, {8388607, -1}},
      {"32 add saturates", 32, add, 1, {INT_MAX, -1}, {INT_MAX, 0}},
      {"32 subtract saturates", 32, sub, 1, {INT_MIN, 0}, {INT_MIN, -1}},
      {"32 multiply saturates", 32, mul, 3, {INT_MAX / 2, -5}, {INT_MAX, -15}},
      {"32 divide", 32, div, 2, {-7, 7}, {-3, 3}},
      {"32 INT_MIN / -1", 32, div, -1, {INT_MIN, 1}, {INT_MAX, -1}},
  };
  for (const auto& c : cases) {
    for (bool shared : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (shared ? " shared" : ""));
      auto b = Make(c.bits, 1, c.in);
      auto sharer = shared ? TALAudioBuffer::CreateEx(*b) : nullptr;
      ((*b).*c.op)(c.value);
      EXPECT_EQ(Samples(*b), c.expect);
      if (sharer) {
        EXPECT_EQ(Samples(*sharer), c.in);
        // A refused division leaves the sharers together.
        EXPECT_EQ(&b->DataContainer() == &sharer->DataContainer(), c.expect == c.in);
      }
    }
  }
}

TEST_F(AudioSamplesTest, ZeroDivisorInTheWidePathsRaisesWithTheBufferUnchanged) {
  for (uint32_t bits : {24u, 32u}) {
    SCOPED_TRACE(bits);
    auto b = Make(bits, 2, {4, 5, 6, 7});
    auto sharer = TALAudioBuffer::CreateEx(*b);
    EXPECT_THROW(b->DivideValue(0), EDivByZero);
    EXPECT_THROW(b->DivideChannelValue(1, 0), EDivByZero);
    EXPECT_EQ(Samples(*b), (V{4, 5, 6, 7}));
    EXPECT_EQ(&b->DataContainer(), &sharer->DataContainer());
  }
}

TEST_F(AudioSamplesTest, ChannelConstantsTouchOnlyTheirChannel) {
  using Op = void (TALAudioBuffer::*)(uint32_t, int32_t);
  const struct {
    const char* name;
    uint32_t bits;
    Op op;
    int32_t value;
    V in, expect;
  } cases[] = {
      {"8 add", 8, &TALAudioBuffer::AddChannelValue, 10, {1, 250, 2, 3}, {1, 255, 2, 13}},
      {"8 divide", 8, &TALAudioBuffer::DivideChannelValue, 2, {9, 9, 9, 9}, {9, 4, 9, 4}},
      {"8 divide by 0: nothing", 8, &TALAudioBuffer::DivideChannelValue, 0, {9, 9, 9, 9}, {9, 9, 9, 9}},
      {"16 add", 16, &TALAudioBuffer::AddChannelValue, 10, {1, 2, 3, 32760}, {1, 12, 3, 32767}},
      {"16 subtract", 16, &TALAudioBuffer::SubtractChannelValue, 10, {1, 2, 3, 4}, {1, -8, 3, -6}},
      {"24 multiply saturates", 24, &TALAudioBuffer::MultiplyChannelValue, 1000, {1, 9000, 3, -9000},
       {1, 8388607, 3, -8388608}},
      {"32 add saturates", 32, &TALAudioBuffer::AddChannelValue, 1, {1, INT_MAX, 3, 4}, {1, INT_MAX, 3, 5}},
      {"32 INT_MIN / -1", 32, &TALAudioBuffer::DivideChannelValue, -1, {1, INT_MIN, 3, 4}, {1, INT_MAX, 3, -4}},
      {"set 8-bit: the byte as given", 8, &TALAudioBuffer::SetChannelValue, 0, {5, 5, 5, 5}, {5, 0, 5, 0}},
      {"set 24-bit", 24, &TALAudioBuffer::SetChannelValue, -2, {5, 5, 5, 5}, {5, -2, 5, -2}},
  };
  for (const auto& c : cases) {
    for (bool shared : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (shared ? " shared" : ""));
      auto b = Make(c.bits, 2, c.in);
      auto sharer = shared ? TALAudioBuffer::CreateEx(*b) : nullptr;
      ((*b).*c.op)(1, c.value);
      EXPECT_EQ(Samples(*b), c.expect);
      if (sharer) {
        EXPECT_EQ(Samples(*sharer), c.in);
      }
      EXPECT_THROW(((*b).*c.op)(2, c.value), ERangeError);
    }
  }
}

// Every constant operation gives the same samples on a shared buffer as on
// an unshared one (the shared path computes into a fresh, uncleared block).
TEST_F(AudioSamplesTest, SharedAndUnsharedConstantsAgree) {
  using Op = void (TALAudioBuffer::*)(int32_t);
  const Op ops[] = {&TALAudioBuffer::AddValue, &TALAudioBuffer::SubtractValue, &TALAudioBuffer::MultiplyValue,
                    &TALAudioBuffer::DivideValue, &TALAudioBuffer::SetValue};
  const int32_t values[] = {0, 1, -1, 3, 127, -200, 70000, INT_MAX, INT_MIN};
  for (uint32_t bits : {8u, 16u, 24u, 32u}) {
    const V in = {0, 1, -1, 100, -100, 255, 126, 127, 128, 30000, -30000};
    for (Op op : ops) {
      for (int32_t value : values) {
        if (op == &TALAudioBuffer::DivideValue && value == 0 && bits > 16) continue;
        SCOPED_TRACE(testing::Message() << bits << " value " << value);
        auto plain = Make(bits, 1, in);
        auto shared = Make(bits, 1, in);
        auto sharer = TALAudioBuffer::CreateEx(*shared);
        // Stale bytes in the block the shared path will get.
        Make(bits, 1, V(in.size(), 77)).reset();
        ((*plain).*op)(value);
        ((*shared).*op)(value);
        EXPECT_EQ(Samples(*shared), Samples(*plain));
        EXPECT_EQ(Samples(*sharer), Samples(*Make(bits, 1, in)));
      }
    }
    auto plain = Make(bits, 1, in);
    auto shared = Make(bits, 1, in);
    auto sharer = TALAudioBuffer::CreateEx(*shared);
    plain->MultiplyByReal(-0.37);
    shared->MultiplyByReal(-0.37);
    EXPECT_EQ(Samples(*shared), Samples(*plain));
  }
}

TEST_F(AudioSamplesTest, SetValueAndZero) {
  EXPECT_EQ(Samples(*[&] { auto b = Make(8, 2, {1, 2, 3, 4}); b->SetValue(0); return b; }()), V(4, 127));
  EXPECT_EQ(Samples(*[&] { auto b = Make(8, 2, {1, 2, 3, 4}); b->Zero(); return b; }()), V(4, 127));
  EXPECT_EQ(Samples(*[&] { auto b = Make(24, 1, {1, 2}); b->Zero(); return b; }()), V(2, 0));
  EXPECT_EQ(Samples(*[&] { auto b = Make(16, 1, {1, 2}); b->SetValue(70000); return b; }()), V(2, 4464));

  // SetValue(-2) on 5 mono 24-bit frames writes FE FF FF five times, nothing more.
  auto b = TALAudioBuffer::CreateSize(8000, 24, 1, 5, pool_);
  uint8_t* after = b->DataContainer().RawData() + 40 + 15;
  after[0] = 0x33;
  b->SetValue(-2);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(b->Read()[i], i % 3 == 0 ? 0xFE : 0xFF) << i;
  EXPECT_EQ(after[0], 0x33);
}

TEST_F(AudioSamplesTest, MultiplyByReal) {
  const struct {
    uint32_t bits;
    double factor;
    V in, expect;
  } cases[] = {
      {16, 0.5, {3, 5, -3, -5}, {2, 2, -2, -2}},  // ties to even
      {16, 2.0, {20000, -20000, 7, 0}, {32767, -32768, 14, 0}},
      {8, 0.5, {255, 3, 127, 0}, {128, 2, 64, 0}},  // the stored byte
      {8, 3.0, {100, 1, 2, 3}, {255, 3, 6, 9}},
      {24, -1.0, {-8388608, 5, 0, 1}, {8388607, -5, 0, -1}},
      {32, 1e10, {1, -1, 0, 2}, {INT_MAX, INT_MIN, 0, INT_MAX}},
      {16, std::nan(""), {1, 2, 3, 4}, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " x " << c.factor);
    auto b = Make(c.bits, 1, c.in);
    b->MultiplyByReal(c.factor);
    EXPECT_EQ(Samples(*b), c.expect);
  }
  auto b = Make(16, 1, {1, 2});
  auto sharer = TALAudioBuffer::CreateEx(*b);
  b->MultiplyByReal(1.0);
  EXPECT_EQ(&b->DataContainer(), &sharer->DataContainer());
}

TEST_F(AudioSamplesTest, ChannelExtraction) {
  const struct {
    uint32_t bits;
    V in;
    V channel1;
  } cases[] = {
      {8, {0, 127, 0, 255}, {0, 128}},
      {16, {0, -32768, 0, 32767}, {-32768, 32767}},
      {24, {0, -8388608, 0, 8388607}, {-8388608, 8388607}},
      {32, {0, INT_MIN, 0, INT_MAX}, {INT_MIN, INT_MAX}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    auto b = Make(c.bits, 2, c.in);
    auto ints = b->GetChannelInt(1);
    auto reals = b->GetChannelReal(1);
    ASSERT_EQ(ints->GetSize(), 2u);
    ASSERT_EQ(reals->GetSize(), 2u);
    for (size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(ints->Read()[i], c.channel1[i]);
      EXPECT_EQ(reals->Read()[i], double(c.channel1[i]));
    }
    EXPECT_THROW(b->GetChannelInt(2), ERangeError);
    EXPECT_THROW(b->GetChannelReal(2), ERangeError);
  }
  auto none = TALAudioBuffer::CreateSize(8000, 16, 0, 3, pool_);
  EXPECT_EQ(none->GetChannelInt(0)->GetSize(), 0u);
  EXPECT_EQ(none->GetChannelReal(0)->GetSize(), 0u);
}

}  // namespace
}  // namespace tavrel
