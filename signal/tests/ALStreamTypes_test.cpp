#include "signal/ALStreamTypes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "signal/tests/stream_fixtures.h"

namespace tavrel {
namespace {

using namespace testing_streams;
using Lines = std::vector<std::string>;

class TConnectingAudioSource : public TALOWAudioSourcePin {
 public:
  TConnectingAudioSource(TComponent* owner, TLog& log) : TALOWAudioSourcePin(owner, nullptr, nullptr, {}) {
    FOnConnect = LoggingConnect(log, "src");
  }
};

// What a sink linked after the sequence receives.
TEST(ALAudioPins, ALateSinkGetsTheStartAndTheLastResumeUntilAStop) {
  struct Case {
    std::vector<std::string> sent;
    Lines replayed;
  } cases[] = {
      {{"start", "resume"}, {"a:wave", "src:connect", "a:resume"}},
      {{"start", "resume", "pause"}, {"a:wave", "src:connect", "a:resume"}},
      {{"start", "resume", "stop"}, {"src:connect"}},
      {{"start", "resume", "stop", "start"}, {"a:wave", "src:connect"}},
  };
  for (const Case& c : cases) {
    TLog log;
    auto owner = Owner("Capture");
    TConnectingAudioSource source(owner.get(), log);
    TALOWAudioSinkPin sink(owner.get(), nullptr, Logging(log, "a"));
    for (const std::string& s : c.sent) {
      Ref<IOWNotifyOperation> op;
      if (s == "start") op = MakeRef<TOWStartWaveOperation>(nullptr, false);
      if (s == "resume") op = MakeRef<TOWSLResumeOperation>();
      if (s == "pause") op = MakeRef<TOWSLPauseOperation>();
      if (s == "stop") op = MakeRef<TOWStopOperation>();
      source.Notify(op.get());
    }
    sink.Connect(&source);
    EXPECT_EQ(log.lines, c.replayed) << c.sent.size();
    EXPECT_EQ(sink.UpStreamID(), IID_ALAudioBuffer);
  }
}

TEST(ALAudioPins, DefaultFormatWhenNoneIsGiven) {
  TOWStartWaveOperation op(nullptr, true);
  const TALWaveFormatExtensible& f = op.WaveFormat;
  EXPECT_EQ(f.wFormatTag, 0xFFFE);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 11024u);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.nAvgBytesPerSec, 44096u);
  EXPECT_EQ(f.cbSize, 22);
  EXPECT_EQ(f.wValidBitsPerSample, 16);
  EXPECT_EQ(f.dwChannelMask, 3u);
  EXPECT_EQ(std::memcmp(f.SubFormat, kPCMSubFormat, 16), 0);
  EXPECT_EQ(op.SampleRate, 11024.0);
  EXPECT_TRUE(op.Paused);

  TALWaveFormatExtensible given = f;
  given.nSamplesPerSec = 48000;
  TOWStartWaveOperation withFormat(&given, false);
  EXPECT_EQ(withFormat.SampleRate, 48000.0);
  EXPECT_EQ(withFormat.Rate, 48000.0f);
}

TEST(ALAudioPins, PlainFormatGetsAMaskPerChannelCount) {
  for (auto [channels, mask] : {std::pair{1, 1u}, std::pair{6, 63u}}) {
    TWaveFormatEx plain{1, uint16_t(channels), 44100, 0, uint16_t(2 * channels), 16, 0};
    Ref<TOWStartWaveOperation> op = TOWStartWaveOperation::CreateWave(5512.5f, &plain, false);
    EXPECT_EQ(op->WaveFormat.dwChannelMask, mask);
    EXPECT_EQ(op->WaveFormat.cbSize, 22);
    EXPECT_EQ(op->WaveFormat.wFormatTag, 0xFFFE);
    EXPECT_EQ(op->WaveFormat.wValidBitsPerSample, 16);
    EXPECT_EQ(op->WaveFormat.nSamplesPerSec, 44100u);
    EXPECT_EQ(op->SampleRate, 5512.5);  // the buffer rate, not the sample rate
  }
}

}  // namespace
}  // namespace tavrel
