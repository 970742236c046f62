#include "audio/ALCommonFIRFilter.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "math/routines.h"
#include "platform/classinfo.h"
#include "platform/formtext.h"
#include "platform/forms.h"
#include "signal/tests/filter_graph.h"

namespace tavrel {
namespace {

using namespace testing_streams;
using Bytes = std::vector<uint8_t>;

TALWaveFormatExtensible StreamFormat(uint32_t bits, uint32_t channels = 2, uint32_t rate = 44100) {
  TALWaveFormatExtensible f = DefaultWaveFormat();
  f.nChannels = uint16_t(channels);
  f.nSamplesPerSec = rate;
  f.nBlockAlign = uint16_t(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  f.wBitsPerSample = uint16_t(bits);
  f.wValidBitsPerSample = uint16_t(bits);
  return f;
}

Bytes RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = uint8_t(rng());
  return b;
}

using Maker = std::function<TALCommonFIRFilter*(TComponent*)>;
struct Kind {
  const char* name;
  Maker make;
};
const Kind kKinds[] = {
    {"TALLowPass", [](TComponent* o) -> TALCommonFIRFilter* { return TComponent::Create<TALLowPass>(o); }},
    {"TALHighPass", [](TComponent* o) -> TALCommonFIRFilter* { return TComponent::Create<TALHighPass>(o); }},
    {"TALBandPass", [](TComponent* o) -> TALCommonFIRFilter* { return TComponent::Create<TALBandPass>(o); }},
    {"TALBandStop", [](TComponent* o) -> TALCommonFIRFilter* { return TComponent::Create<TALBandStop>(o); }},
};

TALFIRParams ParamsOf(const TALCommonFIRFilter& f) {
  TALFIRParams p;
  const std::string cls = f.ClassType().name;
  p.Kind = cls == "TALLowPass"    ? TALFIRKind::LowPass
           : cls == "TALHighPass" ? TALFIRKind::HighPass
           : cls == "TALBandPass" ? TALFIRKind::BandPass
                                  : TALFIRKind::BandStop;
  p.NumTaps = int(ValueToInt64(GetProp(f, "NumTaps")));
  p.WindowType = TSLWindowType(ValueToInt64(GetProp(f, "WindowType")));
  p.Alpha = double(ValueToFloat(GetProp(f, "Alpha")));
  if (IsPublishedProp(f, "Frequency")) p.Frequency = double(ValueToFloat(GetProp(f, "Frequency")));
  if (IsPublishedProp(f, "FreqLow")) {
    p.FreqLow = double(ValueToFloat(GetProp(f, "FreqLow")));
    p.FreqHigh = double(ValueToFloat(GetProp(f, "FreqHigh")));
  }
  return p;
}

class FIRGraph : public FilterGraph<TALCommonFIRFilter> {
 protected:
  TALWaveFormatExtensible format = StreamFormat(16);

  void Build(const Maker& make, bool linkOutput = true) { Link(make(form.get()), linkOutput); }
  void Start(uint32_t bits = 16) {
    format = StreamFormat(bits);
    StartWave(format);
  }
  // Sends the bytes as one buffer of the running format.
  void Send(const Bytes& bytes) {
    const uint32_t frames = uint32_t(bytes.size() / format.nBlockAlign);
    capture.SubmitBuffer(*TALAudioBuffer::CreateData(bytes.data(), format.nSamplesPerSec, format.wBitsPerSample,
                                                     format.nChannels, frames));
  }
  Bytes Frames(uint32_t frames, unsigned seed) { return RandomBytes(size_t(frames) * format.nBlockAlign, seed); }
};

// The same frames through a channel filter of its own, as the reference.
Bytes Filtered(TALFIRChannels& fir, Bytes bytes, uint32_t frameBytes) {
  fir.ProcessFrames(bytes.data(), uint32_t(bytes.size() / frameBytes));
  return bytes;
}

TEST_F(FIRGraph, EveryKindFiltersLikeItsChannelFiltersInEveryWidth) {
  for (const Kind& k : kKinds) {
    for (uint32_t bits : {8u, 16u, 24u, 32u}) {
      SCOPED_TRACE(std::string(k.name) + " " + std::to_string(bits));
      ClearReceived();
      Build(k.make);
      Start(bits);
      ASSERT_EQ(filter->Taps().size(), 41u);
      TSLAReal taps;
      CalculateFIRTaps(ParamsOf(*filter), 44100.0, taps);
      EXPECT_EQ(filter->Taps(), taps);
      TALFIRChannels ref;
      ASSERT_TRUE(ref.Open(format, taps).empty());
      std::vector<Bytes> sent;
      for (uint32_t frames : {512u, 7u, 100u}) {
        sent.push_back(Frames(frames, frames + bits));
        Send(sent.back());
      }
      ASSERT_EQ(received.size(), 3u);
      for (size_t i = 0; i < sent.size(); ++i) {
        const Bytes want = Filtered(ref, sent[i], format.nBlockAlign);
        EXPECT_NE(want, sent[i]) << "the reference must change something";
        EXPECT_EQ(receivedBytes[i], want) << "buffer " << i;
      }
      EXPECT_EQ(filter->Channels().DelayPosition(), 20u);
      filter->InputPin()->Disconnect();
      sink.Disconnect();
    }
  }
}

TEST_F(FIRGraph, SwitchedOffOrUnlinkedPassesTheBytesUnchanged) {
  for (bool linked : {true, false}) {
    SCOPED_TRACE(linked ? "disabled" : "unlinked output");
    ClearReceived();
    Build(kKinds[0].make, linked);
    Start();
    if (linked) filter->SetEnabled(false);
    const Bytes in = Frames(256, 3);
    Send(in);
    if (linked) {
      ASSERT_EQ(received.size(), 1u);
      EXPECT_EQ(receivedBytes[0], in);
    }
    // Nothing was filtered: the ring never saw the frames.
    EXPECT_EQ(filter->Channels().DelayPosition(), 0u);
    filter->InputPin()->Disconnect();
    sink.Disconnect();
  }
}

TEST_F(FIRGraph, PropertyChangeRedesignsBeforeTheNextBuffer) {
  Build(kKinds[0].make);
  filter->SetWindowType(wtKaiser);
  Start();
  TALFIRParams p = ParamsOf(*filter);
  TSLAReal oldTaps, newTaps;
  CalculateFIRTaps(p, 44100.0, oldTaps);
  TALFIRChannels ref;
  ref.Open(format, oldTaps);
  const Bytes first = Frames(512, 1), second = Frames(300, 2);
  Send(first);
  filter->SetAlpha(4.0);
  EXPECT_TRUE(filter->NeedsRecalc());
  EXPECT_EQ(filter->Taps(), oldTaps) << "no design on the setting thread";
  Send(second);
  EXPECT_FALSE(filter->NeedsRecalc());
  p.Alpha = 4.0;
  CalculateFIRTaps(p, 44100.0, newTaps);
  ASSERT_NE(newTaps, oldTaps);
  EXPECT_EQ(filter->Taps(), newTaps);
  ASSERT_EQ(received.size(), 2u) << "the priming output never reaches the pin";
  EXPECT_EQ(receivedBytes[0], Filtered(ref, first, 4));
  ref.Redesign(newTaps);
  EXPECT_EQ(receivedBytes[1], Filtered(ref, second, 4));
  // While stopped a change waits for the next start.
  capture.Stop();
  filter->SetNumTaps(11);
  EXPECT_FALSE(filter->NeedsRecalc());
  Start();
  EXPECT_EQ(filter->Taps().size(), 11u);
}

// Settings change on another thread while a worker filters: every buffer
// comes through whole, and the next start designs from the last values.
TEST_F(FIRGraph, SettingsChangeWhileAWorkerFilters) {
  Build(kKinds[0].make);
  filter->Threading()->SetEnabled(true);
  filter->SetWindowType(wtKaiser);
  Start();
  const Bytes in = Frames(64, 11);
  std::thread setter([this] {
    for (int i = 0; i < 200; ++i) {
      filter->SetAlpha(1.0 + i % 4);
      filter->SetNumTaps(i % 2 ? 41 : 31);
    }
  });
  for (int i = 0; i < 60; ++i) Send(in);
  setter.join();
  filter->FilterThread()->GetQueueEvent().WaitFor(INFINITE);
  capture.Stop();
  EXPECT_FALSE(received.empty());
  for (const Bytes& b : receivedBytes) ASSERT_EQ(b.size(), in.size());
  Start();
  TSLAReal taps;
  CalculateFIRTaps(ParamsOf(*filter), 44100.0, taps);
  EXPECT_EQ(filter->Alpha(), 4.0);
  EXPECT_EQ(filter->NumTaps(), 41);
  EXPECT_EQ(filter->Taps(), taps);
}

// Fails the state of every second channel.
IppStatus (*gRealInit)(kernels::FIRState**, const Ipp64f*, int, const Ipp64f*) = nullptr;
int gInitCalls = 0;
IppStatus FailOddChannels(kernels::FIRState** state, const Ipp64f* taps, int len, const Ipp64f* delay) {
  if (gInitCalls++ % 2 == 1) return ippStsMemAllocErr;
  return gRealInit(state, taps, len, delay);
}

TEST_F(FIRGraph, ChannelWithoutStateGoesToOnErrorAndPassesThrough) {
  Build(kKinds[0].make);
  struct Report {
    std::string text;
    int32_t code;
  };
  std::vector<Report> reports;
  TObject* sender = nullptr;
  filter->OnError = TSLErrorEvent([&](TObject* s, const std::string& text, int32_t code, bool&) {
    sender = s;
    reports.push_back({text, code});
  });
  gRealInit = ALDispatcher::ippsFIRInitAlloc_64f;
  gInitCalls = 0;
  ALDispatcher::ippsFIRInitAlloc_64f = FailOddChannels;
  Start();
  ALDispatcher::ippsFIRInitAlloc_64f = gRealInit;
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].text, "ippsFIRInitAlloc_64f");
  EXPECT_EQ(reports[0].code, ippStsMemAllocErr);
  EXPECT_EQ(sender, filter);
  const Bytes in = Frames(128, 9);
  Send(in);
  ASSERT_EQ(received.size(), 1u);
  const auto* got = reinterpret_cast<const int16_t*>(receivedBytes[0].data());
  const auto* sent = reinterpret_cast<const int16_t*>(in.data());
  bool leftChanged = false;
  for (size_t n = 0; n < 128; ++n) {
    ASSERT_EQ(got[2 * n + 1], sent[2 * n + 1]) << "frame " << n;
    leftChanged |= got[2 * n] != sent[2 * n];
  }
  EXPECT_TRUE(leftChanged);
}

TEST(ALCommonFIRFilter, DefaultsAndSetterRules) {
  ComponentPtr<TComponent> form = Owner("Form");
  auto* lp = TComponent::Create<TALLowPass>(form.get());
  auto* hp = TComponent::Create<TALHighPass>(form.get());
  auto* bs = TComponent::Create<TALBandStop>(form.get());
  EXPECT_EQ(lp->NumTaps(), 41);
  EXPECT_EQ(lp->WindowType(), wtHamming);
  EXPECT_EQ(lp->Alpha(), 1.0);
  EXPECT_EQ(lp->Frequency(), 1500.0);
  EXPECT_EQ(hp->Frequency(), 3500.0);
  EXPECT_EQ(bs->FreqLow(), 1500.0);
  EXPECT_EQ(bs->FreqHigh(), 3500.0);

  const struct {
    int32_t in, stored;
  } taps[] = {{4, 5}, {-3, 5}, {5, 5}, {40, 41}, {41, 41}};
  for (auto c : taps) {
    lp->SetNumTaps(c.in);
    EXPECT_EQ(lp->NumTaps(), c.stored) << c.in;
  }
  lp->SetFrequency(-5.0);
  EXPECT_EQ(lp->Frequency(), 0.0);

  const struct {
    const char* what;
    double low, high;  // starting values
    bool setLow;
    double value;
    double wantLow, wantHigh;
  } bands[] = {
      {"low above high pushes high", 1500, 3500, true, 4000, 4000, 4000 / 0.99999},
      {"high below low pushes low", 1500, 3500, false, 1000, 1000 * 0.99999, 1000},
      {"low of 0 is ignored", 1500, 3500, true, 0, 1500, 3500},
      {"negative low is ignored", 1500, 3500, true, -1, 1500, 3500},
      {"negative high is ignored", 1500, 3500, false, -1, 1500, 3500},
      {"low within the band", 1500, 3500, true, 2000, 2000, 3500},
  };
  for (auto c : bands) {
    auto* b = TComponent::Create<TALBandPass>(form.get());
    if (c.setLow) b->SetFreqLow(c.value);
    else b->SetFreqHigh(c.value);
    EXPECT_EQ(b->FreqLow(), c.wantLow) << c.what;
    EXPECT_EQ(b->FreqHigh(), c.wantHigh) << c.what;
  }
}

TEST_F(FIRGraph, DesignGuardLeavesThePropertyAlone) {
  Build(kKinds[0].make);
  auto* lp = static_cast<TALLowPass*>(filter);
  lp->SetFrequency(30000.0);
  Start();
  TALFIRParams p = ParamsOf(*filter);
  p.Frequency = 44100.0 * 0.49999;
  TSLAReal taps;
  CalculateFIRTaps(p, 44100.0, taps);
  EXPECT_EQ(filter->Taps(), taps);
  EXPECT_EQ(lp->Frequency(), 30000.0);
}

TEST(ALCommonFIRFilter, PropertiesRoundTripThroughFormData) {
  auto form = TComponent::CreateUnowned<TComponent>();
  ReadRootComponent(*form, ObjectTextToBinary(R"(object Form1: TComponent
  object ALLowPass1: TALLowPass
    WindowType = wtKaiser
    Alpha = 2.5
    NumTaps = 31
    Frequency = 1200.0
  end
  object ALBandStop1: TALBandStop
    Enabled = False
    FreqLow = 1000.0
    FreqHigh = 2000.0
  end
  object ALHighPass1: TALHighPass
    Frequency = 5000.0
  end
end
)"));
  auto check = [](TComponent& root) {
    auto* lp = dynamic_cast<TALLowPass*>(root.FindComponent("ALLowPass1"));
    auto* bs = dynamic_cast<TALBandStop*>(root.FindComponent("ALBandStop1"));
    auto* hp = dynamic_cast<TALHighPass*>(root.FindComponent("ALHighPass1"));
    ASSERT_TRUE(lp && bs && hp);
    EXPECT_EQ(lp->WindowType(), wtKaiser);
    EXPECT_EQ(lp->Alpha(), 2.5);
    EXPECT_EQ(lp->NumTaps(), 31);
    EXPECT_EQ(lp->Frequency(), 1200.0);
    EXPECT_FALSE(bs->Enabled());
    EXPECT_EQ(bs->FreqLow(), 1000.0);
    EXPECT_EQ(bs->FreqHigh(), 2000.0);
    EXPECT_EQ(bs->NumTaps(), 41);
    EXPECT_EQ(hp->Frequency(), 5000.0);
  };
  check(*form);
  const std::vector<uint8_t> bytes = WriteRootComponent(*form);
  auto copy = TComponent::CreateUnowned<TComponent>();
  ReadRootComponent(*copy, bytes);
  check(*copy);
}

}  // namespace
}  // namespace tavrel
