#include "signal/ALAudioBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tavrel {
namespace {

class AudioBufferTest : public testing::Test {
 protected:
  TALWaveFormatExtensible Header(const TALAudioBuffer& b) {
    TALWaveFormatExtensible h;
    b.GetWaveFormat(h);
    return h;
  }
  TSLSmartBufferManager pool_;
};

// --- time stamp ---------------------------------------------------------

TEST_F(AudioBufferTest, AFreshBufferHasNoStamp) {
  auto b = TALAudioBuffer::CreateSize(8000, 16, 1, 4, pool_);
  EXPECT_FALSE(b->GetTimeStamp().Available());
  EXPECT_EQ(b->GetTimeStamp().BeginTime(), 0);
  EXPECT_EQ(b->GetTimeStamp().EndTime(), 0);
}

TEST_F(AudioBufferTest, TheStampIsSharedAndTravelsWithAPrivateCopy) {
  auto a = TALAudioBuffer::CreateSize(8000, 16, 1, 4, pool_);
  auto b = TALAudioBuffer::CreateEx(*a);
  b->GetTimeStamp().SetBeginTime(1000);
  b->GetTimeStamp().SetEndTime(6000);
  b->GetTimeStamp().SetAvailable(true);
  EXPECT_TRUE(a->GetTimeStamp().Available());
  EXPECT_EQ(a->GetTimeStamp().BeginTime(), 1000);
  EXPECT_EQ(&a->DataContainer(), &b->DataContainer());  // stamping never separates

  b->ByteModify()[0] = 1;
  ASSERT_NE(&a->DataContainer(), &b->DataContainer());
  EXPECT_TRUE(b->GetTimeStamp().Available());
  EXPECT_EQ(b->GetTimeStamp().BeginTime(), 1000);
  EXPECT_EQ(b->GetTimeStamp().EndTime(), 6000);
  b->GetTimeStamp().SetEndTime(7000);
  EXPECT_EQ(a->GetTimeStamp().EndTime(), 6000);
}

TEST_F(AudioBufferTest, ResizeBeyondTheCapacityLosesTheStamp) {
  auto b = TALAudioBuffer::CreateSize(8000, 16, 1, 4, pool_);  // 48 bytes, capacity 64
  b->GetTimeStamp().SetAvailable(true);
  b->GetTimeStamp().SetBeginTime(5);
  b->Resize(12, true);  // 64 bytes: within
  EXPECT_TRUE(b->GetTimeStamp().Available());
  b->Resize(13, true);  // beyond
  EXPECT_FALSE(b->GetTimeStamp().Available());
  EXPECT_EQ(b->GetTimeStamp().BeginTime(), 0);
}

TEST_F(AudioBufferTest, AMediaBufferTakesOnlyMediaData) {
  auto media = MakeRef<TMLMediaBuffer>(nullptr, TSLSmartBuffer::Create(8, TSLContainerKind::Media, pool_), 8);
  auto plain = TSLMemoryBuffer::CreateSize(8, pool_);
  EXPECT_THROW(MakeRef<TMLMediaBuffer>(nullptr, TSLSmartBuffer::Create(8, TSLContainerKind::Memory, pool_), 8),
               EIntfCastError);
  EXPECT_THROW(media->Assign(*plain), EIntfCastError);
  auto copy = RefCast<TMLMediaBuffer>(media->MakeCopy());
  ASSERT_TRUE(copy);
  copy->GetTimeStamp().SetBeginTime(3);
  EXPECT_EQ(media->GetTimeStamp().BeginTime(), 3);
}

// --- header and constructors -------------------------------------------

TEST_F(AudioBufferTest, ConstructorsWriteTheHeader) {
  const struct {
    const char* name;
    Ref<TALAudioBuffer> (*make)(TSLSmartBufferManager&);
    uint16_t channels;
    uint32_t rate, avg;
    uint16_t align, bits, valid;
    uint32_t mask, frames, byteSize;
  } cases[] = {
      {"Create", [](TSLSmartBufferManager& p) { return TALAudioBuffer::Create(p); }, 1, 11025, 11025, 1, 8, 8, 1,
       0, 0},
      {"CreateSize 16-bit stereo",
       [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSize(44100, 16, 2, 512, p); }, 2, 44100,
       176400, 4, 16, 16, 3, 512, 2048},
      {"20 valid bits", [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSize(48000, 20, 2, 3, p); },
       2, 48000, 288000, 6, 24, 20, 3, 3, 18},
      {"12 valid bits", [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSize(8000, 12, 1, 1, p); }, 1,
       8000, 16000, 2, 16, 12, 1, 1, 2},
      {"mask 0x3F cut to 2 channels",
       [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSizeEx(8000, 8, 2, 1, 0x3F, p); }, 2, 8000,
       16000, 2, 8, 8, 3, 1, 2},
      {"mask 0x4 kept", [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSizeEx(8000, 8, 2, 1, 0x4, p); },
       2, 8000, 16000, 2, 8, 8, 0x4, 1, 2},
      {"mask 0 gives the default",
       [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSizeEx(8000, 8, 3, 1, 0, p); }, 3, 8000, 24000,
       3, 8, 8, 7, 1, 3},
      {"0 channels", [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSizeEx(8000, 8, 0, 5, 0x3F, p); },
       0, 8000, 0, 0, 8, 8, 0, 0, 0},
      {"mask bit 16 needed stays whole",
       [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSizeEx(8000, 8, 2, 1, 0x30001, p); }, 2, 8000,
       16000, 2, 8, 8, 0x30001, 1, 2},
      {"CreateDataEx keeps the mask",
       [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateDataEx(nullptr, 8000, 8, 2, 1, 0x3F, p); }, 2,
       8000, 16000, 2, 8, 8, 0x3F, 1, 2},
      {"CreateDataEx keeps 0",
       [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateDataEx(nullptr, 8000, 8, 2, 1, 0, p); }, 2,
       8000, 16000, 2, 8, 8, 0, 1, 2},
      {"32 channels: every mask bit",
       [](TSLSmartBufferManager& p) { return TALAudioBuffer::CreateSize(8000, 8, 32, 1, p); }, 32, 8000, 256000,
       32, 8, 8, 0xFFFFFFFF, 1, 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = c.make(pool_);
    const uint8_t* raw = b->DataContainer().RawData();
    auto u16 = [&](int at) { return uint16_t(raw[at] | raw[at + 1] << 8); };
    auto u32 = [&](int at) { return uint32_t(u16(at) | uint32_t(u16(at + 2)) << 16); };
    EXPECT_EQ(u16(0), 0xFFFE);
    EXPECT_EQ(u16(2), c.channels);
    EXPECT_EQ(u32(4), c.rate);
    EXPECT_EQ(u32(8), c.avg);
    EXPECT_EQ(u16(12), c.align);
    EXPECT_EQ(u16(14), c.bits);
    EXPECT_EQ(u16(16), 22);
    EXPECT_EQ(u16(18), c.valid);
    EXPECT_EQ(u32(20), c.mask);
    EXPECT_EQ(std::memcmp(raw + 24, kPCMSubFormat, 16), 0);
    EXPECT_EQ(b->GetChannels(), c.channels);
    EXPECT_EQ(b->GetSampleRate(), c.rate);
    EXPECT_EQ(b->GetBitsPerSample(), c.valid);
    EXPECT_EQ(b->GetSampleBitWidth(), c.bits);
    EXPECT_EQ(b->GetDataStep(), c.align);
    EXPECT_EQ(b->GetChannelMask(), c.mask);
    EXPECT_EQ(b->GetDataOffset(), 40u);
    EXPECT_EQ(b->GetSize(), c.frames);
    EXPECT_EQ(b->GetByteSize(), c.byteSize);
    EXPECT_EQ(b->Read(), raw + 40);
  }
}

TEST_F(AudioBufferTest, CreateDataCopiesTheSamplesAndWaveFormatRebuilds) {
  const int16_t samples[] = {1, -2, 3, -4};
  auto a = TALAudioBuffer::CreateData(samples, 22050, 16, 2, 2, pool_);
  EXPECT_EQ(std::memcmp(a->Read(), samples, sizeof samples), 0);
  TALWaveFormatExtensible h = Header(*a);
  auto b = TALAudioBuffer::CreateWaveFormat(h, 7, pool_);
  EXPECT_EQ(b->GetSize(), 7u);
  EXPECT_EQ(b->GetSampleRate(), 22050u);
  EXPECT_EQ(b->GetChannelMask(), 3u);
}

TEST_F(AudioBufferTest, SizesBeyondTheLimitAreRefused) {
  EXPECT_THROW(TALAudioBuffer::CreateSize(8000, 32, 8, 1u << 25, pool_), EOutOfMemory);
  EXPECT_THROW(TALAudioBuffer::CreateSize(8000, 32, 0xFFFFFFFF, 0xFFFFFFFF, pool_), ERangeError);
  EXPECT_TRUE(pool_.ListSizes().empty());
}

TEST_F(AudioBufferTest, SharingConstructorsAndCastsNeverCopy) {
  auto a = TALAudioBuffer::CreateSize(8000, 8, 1, 16, pool_);
  auto b = TALAudioBuffer::CreateUniversal(*a);
  auto c = RefCast<TALAudioBuffer>(a->MakeCopy());
  ASSERT_TRUE(c);
  EXPECT_EQ(b->Read(), a->Read());
  EXPECT_EQ(c->Read(), a->Read());
  EXPECT_EQ(b->GetSize(), 16u);
  auto plain = TSLMemoryBuffer::CreateSize(64, pool_);
  EXPECT_THROW(TALAudioBuffer::CreateUniversal(*plain), EIntfCastError);
}

TEST_F(AudioBufferTest, AssignTakesOnlyASoundAudioContainer) {
  auto a = TALAudioBuffer::CreateSize(8000, 16, 2, 4, pool_);
  auto b = TALAudioBuffer::CreateSize(44100, 8, 1, 9, pool_);
  a->Assign(*b);
  EXPECT_EQ(a->GetSize(), 9u);
  EXPECT_EQ(a->GetSampleRate(), 44100u);
  EXPECT_EQ(a->Read(), b->Read());

  // A media buffer over an audio container whose header was broken.
  auto broken = TALAudioBuffer::CreateSize(8000, 16, 2, 4, pool_);
  auto raw = RefCast<TALAudioBuffer>(broken->MakeCopy());
  uint8_t* header = broken->DataContainer().RawData();
  header[16] = 0;  // cbSize
  EXPECT_THROW(a->Assign(*raw), EIntfCastError);
  EXPECT_EQ(a->GetSize(), 9u);
  EXPECT_THROW(a->Assign(*TSLMemoryBuffer::CreateSize(64, pool_)), EIntfCastError);
}

// --- 24-bit samples and width conversion --------------------------------

TEST(Sample24, ReadAndWrite) {
  const struct {
    int32_t value;
    uint8_t bytes[3];
    int32_t readBack;
  } cases[] = {
      {-1, {0xFF, 0xFF, 0xFF}, -1},
      {-2, {0xFE, 0xFF, 0xFF}, -2},
      {0, {0, 0, 0}, 0},
      {8388607, {0xFF, 0xFF, 0x7F}, 8388607},
      {-8388608, {0x00, 0x00, 0x80}, -8388608},
      {8388608, {0x00, 0x00, 0x80}, -8388608},  // only the low 24 bits
      {-8388607, {0x01, 0x00, 0x80}, -8388607},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    uint8_t b[4] = {0, 0, 0, 0x5A};
    WriteSample24(b, c.value);
    EXPECT_EQ(b[0], c.bytes[0]);
    EXPECT_EQ(b[1], c.bytes[1]);
    EXPECT_EQ(b[2], c.bytes[2]);
    EXPECT_EQ(b[3], 0x5A);
    EXPECT_EQ(ReadSample24(b), c.readBack);
  }
}

int32_t ReadAs(uint32_t bits, const uint8_t* p) {
  switch (bits) {
    case 8: return *p;
    case 16: { int16_t v; std::memcpy(&v, p, 2); return v; }
    case 24: return ReadSample24(p);
    default: { int32_t v; std::memcpy(&v, p, 4); return v; }
  }
}
void WriteAs(uint32_t bits, uint8_t* p, int32_t v) {
  switch (bits) {
    case 8: *p = uint8_t(v); break;
    case 16: { int16_t s = int16_t(v); std::memcpy(p, &s, 2); break; }
    case 24: WriteSample24(p, v); break;
    default: std::memcpy(p, &v, 4);
  }
}

TEST(ConvertSampleWidth, AllPairsAtBothExtremesSaturate) {
  const struct {
    uint32_t from, to;
    int32_t in, out;
  } cases[] = {
      {8, 16, 0, -32768},       {8, 16, 255, 32767},       {8, 16, 127, -129},
      {8, 24, 0, -8388607},     {8, 24, 254, 8388607},     {8, 24, 255, 8388607},  // not wrapped
      {8, 24, 127, 0},          {8, 32, 0, INT32_MIN},     {8, 32, 255, INT32_MAX},
      {16, 8, -32768, 0},       {16, 8, 32767, 255},       {16, 24, 32767, 8388607},
      {16, 24, -32768, -8388608}, {16, 24, -1, -256},      {16, 32, 32767, INT32_MAX},
      {16, 32, -32768, INT32_MIN}, {24, 8, 8388607, 254},  {24, 8, -8388608, 0},
      {24, 8, 0, 127},          {24, 16, 8388607, 32767},  {24, 16, -8388608, -32767},
      {24, 32, 8388607, INT32_MAX}, {24, 32, -8388608, INT32_MIN}, {32, 8, INT32_MAX, 255},
      {32, 8, INT32_MIN, 0},    {32, 16, INT32_MAX, 32767}, {32, 16, INT32_MIN, -32767},
      {32, 24, INT32_MAX, 8388607}, {32, 24, INT32_MIN, -8388607}, {16, 16, -5, -5},
      {24, 24, -8388608, -8388608}, {8, 8, 3, 3},         {32, 32, -7, -7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << "->" << c.to << " " << c.in);
    // Two samples each, with a sentinel sample after each (aligned as in a frame).
    const uint32_t sStep = c.from / 4, dStep = c.to / 4;
    std::vector<uint8_t> src(2 * sStep, 0xA5), dst(2 * dStep, 0xA5);
    WriteAs(c.from, src.data(), c.in);
    WriteAs(c.from, src.data() + sStep, c.in);
    ConvertSampleWidth(src.data(), c.from, sStep, 2, dStep, c.to, dst.data());
    EXPECT_EQ(ReadAs(c.to, dst.data()), c.out);
    EXPECT_EQ(ReadAs(c.to, dst.data() + dStep), c.out);
    EXPECT_EQ(dst[dStep - 1], 0xA5);
    EXPECT_EQ(dst[2 * dStep - 1], 0xA5);
  }
  uint8_t untouched = 9;
  const uint8_t s = 1;
  ConvertSampleWidth(&s, 8, 1, 1, 1, 12, &untouched);
  EXPECT_EQ(untouched, 9);
}

// --- speaker copy -------------------------------------------------------

TEST_F(AudioBufferTest, StereoIntoFivePointOneFillsTheOtherChannelsWithSilence) {
  for (uint32_t bits : {8u, 16u, 24u, 32u}) {
    SCOPED_TRACE(bits);
    auto src = TALAudioBuffer::CreateSize(8000, bits, 2, 4, pool_);
    for (uint32_t i = 0; i < 4; ++i) {
      src->SetSample(i, 0, 10 + i);
      src->SetSample(i, 1, 20 + i);
    }
    auto dst = TALAudioBuffer::CreateSizeEx(8000, bits, 6, 5, 0x3F, pool_);
    for (uint32_t i = 0; i < 5; ++i)
      for (uint32_t ch = 0; ch < 6; ++ch) dst->SetSample(i, ch, 99);
    auto sharer = TALAudioBuffer::CreateEx(*dst);
    src->CopyRange(1, *dst, 2, 3);  // frames 1..3 into frames 2..4
    const int32_t silence = bits == 8 ? 127 : 0;
    for (uint32_t i = 0; i < 5; ++i) {
      const bool copied = i >= 2;
      EXPECT_EQ(dst->GetSample(i, 0), copied ? int32_t(10 + i - 1) : 99) << i;
      EXPECT_EQ(dst->GetSample(i, 1), copied ? int32_t(20 + i - 1) : 99) << i;
      for (uint32_t ch = 2; ch < 6; ++ch) EXPECT_EQ(dst->GetSample(i, ch), copied ? silence : 99) << i;
    }
    EXPECT_EQ(sharer->GetSample(3, 0), 99);  // the sharer keeps the old data
    EXPECT_NE(&sharer->DataContainer(), &dst->DataContainer());
  }
}

TEST_F(AudioBufferTest, SpeakerCopyConvertsWidthsAndSkipsSpeakersTheTargetLacks) {
  auto src = TALAudioBuffer::CreateSize(8000, 16, 2, 2, pool_);  // FL FR
  src->SetSample(0, 0, 32767);
  src->SetSample(0, 1, -32768);
  src->SetSample(1, 0, 1000);
  src->SetSample(1, 1, 2000);
  auto dst = TALAudioBuffer::CreateSizeEx(8000, 24, 2, 2, 0x6, pool_);  // FR FC
  src->CopyRange(0, *dst, 0, 2);
  EXPECT_EQ(dst->GetSample(0, 0), -8388608);  // FR, saturated
  EXPECT_EQ(dst->GetSample(0, 1), 0);         // FC: no partner
  EXPECT_EQ(dst->GetSample(1, 0), int32_t(int64_t{2000} * 8388607 / 32767));
}

TEST_F(AudioBufferTest, SpeakerCopyStaysInsideBothBuffers) {
  // A mask with more speakers than channels must not lead past the frame.
  std::vector<uint8_t> zeros(4, 0);
  auto src = TALAudioBuffer::CreateDataEx(zeros.data(), 8000, 8, 2, 2, 0xFF, pool_);
  auto dst = TALAudioBuffer::CreateDataEx(zeros.data(), 8000, 8, 1, 2, 0xFF, pool_);
  src->CopyRange(0, *dst, 0, 2);
  EXPECT_EQ(dst->GetSample(1, 0), 0);
  EXPECT_THROW(src->CopyRange(1, *dst, 0, 2), ERangeError);
  EXPECT_THROW(src->CopyRange(0, *dst, 1, 2), ERangeError);
}

TEST_F(AudioBufferTest, CopyRangeIntoAPlainBufferCopiesSampleBytes) {
  const uint8_t samples[] = {1, 2, 3, 4};
  auto a = TALAudioBuffer::CreateData(samples, 8000, 8, 1, 4, pool_);
  auto plain = TSLMemoryBuffer::CreateSize(4, pool_);
  std::memset(plain->ByteWrite(), 0, 4);
  a->CopyRange(1, *plain, 0, 3);
  EXPECT_EQ(plain->ByteRead()[0], 2);
  EXPECT_EQ(plain->ByteRead()[2], 4);
}

// --- resize -------------------------------------------------------------

TEST_F(AudioBufferTest, ResizeTable) {
  const struct {
    const char* name;
    uint32_t frames;
    uint64_t to;
    bool shared;
    uint32_t expectFrames;
    bool sameContainer;
  } cases[] = {
      {"0 is a no-op", 10, 0, false, 10, true},
      {"shrink, shared", 10, 4, true, 4, true},
      {"grow within capacity, single owner", 10, 20, false, 20, true},  // 40+80 <= 128
      {"grow within capacity, shared", 10, 20, true, 20, false},
      {"grow beyond capacity", 10, 23, false, 23, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = TALAudioBuffer::CreateSize(44100, 32, 1, c.frames, pool_);  // 80 bytes, capacity 128
    for (uint32_t i = 0; i < c.frames; ++i) b->SetSample(i, 0, int32_t(i) - 5);
    auto sharer = c.shared ? TALAudioBuffer::CreateEx(*b) : nullptr;
    const TSLSmartBuffer* before = &b->DataContainer();
    const uint64_t heap = pool_.HeapBlocks();
    b->Resize(c.to, true);
    EXPECT_EQ(b->GetSize(), c.expectFrames);
    EXPECT_EQ(&b->DataContainer() == before, c.sameContainer);
    if (c.sameContainer) {
      EXPECT_EQ(pool_.HeapBlocks(), heap);
    }
    EXPECT_EQ(b->GetSampleRate(), 44100u);  // the header stays
    EXPECT_EQ(b->GetSampleBitWidth(), 32u);
    for (uint32_t i = 0; i < std::min<uint64_t>(c.frames, c.expectFrames); ++i)
      EXPECT_EQ(b->GetSample(i, 0), int32_t(i) - 5);
    if (sharer) {
      EXPECT_EQ(sharer->GetSize(), c.frames);
    }
  }
}

}  // namespace
}  // namespace tavrel
