#include "audio/ALAudioFormat.h"

#include <gtest/gtest.h>

#include <cstring>

#include "framework/LPLock.h"
#include "framework/OWLock.h"

namespace tavrel {
namespace {

struct FormatFixture : testing::Test {
  Ref<ILPLock> lock{new TLPLock()};
  int changes = 0;
  TALAudioFormat format{nullptr, lock, TNotifyEvent([this](TObject*) { ++changes; })};
};

TEST_F(FormatFixture, FreshObjectHoldsACompleteStereo16BitRecord) {
  const TALWaveFormatExtensible& f = *format.GetWaveFormat();
  EXPECT_EQ(format.Channels(), 2u);
  EXPECT_EQ(format.Bits(), 16u);
  EXPECT_EQ(format.SampleRate(), 11025u);
  EXPECT_EQ(format.ChannelMask(), 3u);
  EXPECT_EQ(format.BufferSize(), 1024u);
  EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_EXTENSIBLE);
  EXPECT_EQ(f.cbSize, 22);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.wValidBitsPerSample, 16);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.nAvgBytesPerSec, 44100u);
  EXPECT_EQ(f.nSamplesPerSec, 11025u);
  EXPECT_EQ(f.dwChannelMask, 3u);
  EXPECT_EQ(0, std::memcmp(f.SubFormat, kPCMSubFormat, 16));
}

TEST_F(FormatFixture, SettersClampAndRecomputeTheDerivedFields) {
  struct Case {
    const char* what;
    void (TALAudioFormat::*set)(uint32_t);
    uint32_t value;
    uint32_t channels, valid, container, blockAlign, bytesPerSecond;
  };
  const Case cases[] = {
      {"Channels 0", &TALAudioFormat::SetChannels, 0, 1, 16, 16, 2, 22050},
      {"Channels 40", &TALAudioFormat::SetChannels, 40, 32, 16, 16, 64, 705600},
      {"Bits 0", &TALAudioFormat::SetBits, 0, 2, 1, 8, 2, 22050},
      {"Bits 12", &TALAudioFormat::SetBits, 12, 2, 12, 16, 4, 44100},
      {"Bits 20", &TALAudioFormat::SetBits, 20, 2, 20, 24, 6, 66150},
      {"Bits 24", &TALAudioFormat::SetBits, 24, 2, 24, 24, 6, 66150},
      {"Bits 33", &TALAudioFormat::SetBits, 33, 2, 32, 32, 8, 88200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TALAudioFormat fresh(nullptr, lock);
    (fresh.*c.set)(c.value);
    const TALWaveFormatExtensible& f = *fresh.GetWaveFormat();
    EXPECT_EQ(fresh.Channels(), c.channels);
    EXPECT_EQ(fresh.Bits(), c.valid);
    EXPECT_EQ(f.nChannels, c.channels);
    EXPECT_EQ(f.wValidBitsPerSample, c.valid);
    EXPECT_EQ(f.wBitsPerSample, c.container);
    EXPECT_EQ(f.nBlockAlign, c.blockAlign);
    EXPECT_EQ(f.nAvgBytesPerSec, c.bytesPerSecond);
    EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_EXTENSIBLE);
    EXPECT_EQ(f.cbSize, 22);
  }
}

TEST_F(FormatFixture, SampleRateAndMaskAreStoredAsGiven) {
  format.SetSampleRate(44100);
  EXPECT_EQ(format.GetWaveFormat()->nBlockAlign, 4);
  EXPECT_EQ(format.GetWaveFormat()->nAvgBytesPerSec, 176400u);
  format.SetSampleRate(0);
  EXPECT_EQ(format.SampleRate(), 0u);
  EXPECT_EQ(format.GetWaveFormat()->nAvgBytesPerSec, 0u);
  format.SetChannelMask(1u << uint32_t(TALSpeaker::spFrontCenter));
  EXPECT_EQ(format.GetWaveFormat()->dwChannelMask, 4u);
}

TEST_F(FormatFixture, BufferSizeHasAMinimumOfOneFrame) {
  format.SetBufferSize(0);
  EXPECT_EQ(format.BufferSize(), 1u);
  format.SetBufferSize(512);
  EXPECT_EQ(format.BufferSize(), 512u);
}

TEST_F(FormatFixture, SettingTheSameValueTwiceNotifiesOnce) {
  changes = 0;
  format.SetSampleRate(48000);
  format.SetSampleRate(48000);
  EXPECT_EQ(changes, 1);
  format.SetChannels(40);
  format.SetChannels(32);  // the clamped value is the one stored
  EXPECT_EQ(changes, 2);
  format.SetBufferSize(256);
  format.SetBufferSize(256);
  EXPECT_EQ(changes, 3);
}

TEST_F(FormatFixture, PublishedPropertiesRoundTripByName) {
  SetProp(format, "Bits", int64_t(24));
  SetProp(format, "SampleRate", int64_t(96000));
  EXPECT_EQ(ValueToInt64(GetProp(format, "Bits")), 24);
  EXPECT_EQ(format.GetWaveFormat()->nAvgBytesPerSec, 96000u * 6);
  TALAudioFormat copy(nullptr, lock);
  copy.Assign(&format);
  EXPECT_EQ(copy.SampleRate(), 96000u);
  EXPECT_EQ(copy.GetWaveFormat()->wBitsPerSample, 24);
}

}  // namespace
}  // namespace tavrel
