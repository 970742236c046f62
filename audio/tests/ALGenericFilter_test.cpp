#include "audio/ALGenericFilter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/thread.h"
#include "platform/tests/wait_until.h"
#include "signal/tests/filter_graph.h"

namespace tavrel {
namespace {

using namespace testing_streams;
using ST = TSLSynchronizeType;

struct Seen {
  int64_t begin, end;
  uint32_t frames;
  bool onMain;
};

std::vector<uint8_t> Bytes(const TALAudioBuffer& b) { return {b.ByteRead(), b.ByteRead() + b.GetByteSize()}; }

class GenericFilterGraph : public FilterGraph<TALGenericFilter> {
 protected:
  std::vector<Seen> seen;
  std::vector<std::string> errors;
  uint8_t fill = 1;

  void SetUp() override {
    Link(TComponent::Create<TALGenericFilter>(form.get()));
    filter->OnError = TSLErrorEvent(
        [this](TObject* s, const std::string& text, int32_t, bool&) { errors.push_back(s == filter ? text : "?"); });
  }
  void Watch(std::function<void(const Ref<TALAudioBuffer>&, Ref<TALAudioBuffer>&, bool&)> also = {}) {
    filter->OnProcessData = TALProcessAudioNotify(
        [this, also](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>& out, bool& send) {
          TMLTimeStamp s = in->GetTimeStamp();
          EXPECT_TRUE(s.Available());
          seen.push_back({s.BeginTime(), s.EndTime(), in->GetSize(), GetCurrentThreadId() == MainThreadID()});
          if (also) also(in, out, send);
        });
  }
  // Distinct bytes per buffer, so that a lost or swapped buffer shows.
  Ref<TALAudioBuffer> Buffer(uint32_t frames = 512, uint32_t rate = 44100) {
    Ref<TALAudioBuffer> b = TALAudioBuffer::CreateSize(rate, 16, 2, frames);
    uint8_t* p = b->Write();
    for (uint32_t i = 0; i < b->GetByteSize(); ++i) p[i] = uint8_t(fill * 31 + i);
    ++fill;
    return b;
  }
  void PumpUntil(size_t n) {
    EXPECT_TRUE(test::WaitUntil([&] { return received.size() >= n; }, ProcessMessages));
  }
};

TEST_F(GenericFilterGraph, HandlerSeesEveryBufferStampedOnDeliveringThread) {
  Watch();
  StartWave(48000);
  std::vector<std::vector<uint8_t>> sent;
  for (uint32_t frames : {480u, 1u, 333u}) {
    Ref<TALAudioBuffer> b = Buffer(frames, 48000);
    sent.push_back(Bytes(*b));
    capture.SubmitBuffer(*b);
  }
  // 333 frames at 48 kHz: 6,937,500 hundreds of ns, exact; 1 frame: 208.33 truncated.
  ASSERT_EQ(seen.size(), 3u);
  const int64_t ends[] = {100000, 100208, 100208 + 69375};
  int64_t begin = 0;
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(seen[i].begin, begin) << i;
    EXPECT_EQ(seen[i].end, ends[i]) << i;
    EXPECT_TRUE(seen[i].onMain);  // the delivering thread here is the test's
    begin = ends[i];
  }
  ASSERT_EQ(received.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Bytes(*received[i]), sent[i]) << i;
}

TEST_F(GenericFilterGraph, WithoutHandlerEveryModePassesBuffersUnchangedAtOnce) {
  for (ST mode : {ST::stNone, ST::stSingleBuffer, ST::stQueue}) {
    received.clear();
    filter->SetSynchronizeType(mode);
    StartWave();
    Ref<TALAudioBuffer> b = Buffer();
    const auto bytes = Bytes(*b);
    capture.SubmitBuffer(*b);
    ASSERT_EQ(received.size(), 1u) << int(mode);
    EXPECT_EQ(Bytes(*received[0]), bytes) << int(mode);
    // Shared, not copied.
    EXPECT_EQ(received[0]->ByteRead(), b->ByteRead()) << int(mode);
  }
}

TEST_F(GenericFilterGraph, QueuedHandlerRunsOnGuiThreadInOrder) {
  constexpr int kBuffers = 20;
  for (ST mode : {ST::stQueue, ST::stSingleBuffer}) {
    received.clear();
    seen.clear();
    filter->SetSynchronizeType(mode);
    Watch([](const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>& out, bool&) {
      // A handler that writes: its change reaches the sink, the input stays.
      out->SetSample(0, 0, 7);
      EXPECT_NE(in->GetSample(0, 0), 7);
    });
    StartWave();
    std::vector<Ref<TALAudioBuffer>> sent;
    for (int i = 0; i < kBuffers; ++i) sent.push_back(Buffer(441));
    std::thread delivering([&] {
      for (auto& b : sent) capture.SubmitBuffer(*b);
    });
    delivering.join();
    // Nothing leaves from the delivering thread.
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(seen.empty());
    if (mode == ST::stQueue) {
      PumpUntil(kBuffers);
      ASSERT_EQ(seen.size(), size_t(kBuffers));
      for (int i = 0; i < kBuffers; ++i) {
        EXPECT_TRUE(seen[i].onMain) << i;
        EXPECT_EQ(seen[i].begin, int64_t(i) * 100000) << i;
        EXPECT_EQ(seen[i].end, int64_t(i + 1) * 100000) << i;
        auto expected = Bytes(*sent[i]);
        expected[0] = 7;
        expected[1] = 0;
        EXPECT_EQ(Bytes(*received[i]), expected) << i;
      }
    } else {
      // One waiting buffer at most: newer ones are dropped while one waits.
      PumpUntil(1);
      ProcessMessages();
      ASSERT_GE(seen.size(), 1u);
      EXPECT_LE(seen.size(), size_t(kBuffers));
      for (auto& s : seen) EXPECT_TRUE(s.onMain);
      EXPECT_EQ(seen[0].begin, 0);
      EXPECT_EQ(received.size(), seen.size());
    }
  }
}

TEST_F(GenericFilterGraph, MoreBuffersThanQueueHoldsAllArrive) {
  // More than the queue holds: the delivering thread waits for the GUI thread and nothing is lost.
  const int kBuffers = TSLMainThreadBufferQueue::kMaxOutstanding + 50;
  filter->SetSynchronizeType(ST::stQueue);
  Watch();
  StartWave();
  std::vector<Ref<TALAudioBuffer>> sent;
  for (int i = 0; i < kBuffers; ++i) sent.push_back(Buffer(32));
  std::atomic<bool> done{false};
  std::thread delivering([&] {
    for (auto& b : sent) capture.SubmitBuffer(*b);
    done.store(true);
  });
  PumpUntil(kBuffers);
  delivering.join();
  EXPECT_TRUE(done.load());
  ASSERT_EQ(received.size(), size_t(kBuffers));
  for (int i = 0; i < kBuffers; i += 97) EXPECT_EQ(Bytes(*received[i]), Bytes(*sent[i])) << i;
}

TEST_F(GenericFilterGraph, RaisingHandlerGoesToOnErrorAndBufferGoesOnUnchanged) {
  struct Case {
    ST mode;
    bool replace;  // the handler swaps in a buffer of its own before raising
  };
  for (Case c : {Case{ST::stNone, false}, Case{ST::stNone, true}, Case{ST::stQueue, false}, Case{ST::stQueue, true}}) {
    received.clear();
    errors.clear();
    filter->SetSynchronizeType(c.mode);
    filter->OnProcessData = TALProcessAudioNotify(
        [&](TObject*, const Ref<TALAudioBuffer>&, Ref<TALAudioBuffer>& out, bool& send) {
          if (c.replace) out = TALAudioBuffer::CreateSize(44100, 16, 2, 3);
          out->SetSample(0, 0, 999);
          send = false;
          throw std::runtime_error("handler failed");
        });
    StartWave();
    Ref<TALAudioBuffer> b = Buffer();
    const auto bytes = Bytes(*b);
    capture.SubmitBuffer(*b);
    if (c.mode == ST::stQueue) PumpUntil(1);
    ASSERT_EQ(received.size(), 1u) << int(c.mode) << c.replace;
    EXPECT_EQ(Bytes(*received[0]), bytes) << int(c.mode) << c.replace;
    EXPECT_EQ(Bytes(*b), bytes);
    EXPECT_EQ(errors, std::vector<std::string>{"handler failed"}) << int(c.mode) << c.replace;
  }
}

TEST_F(GenericFilterGraph, ClearingSendSuppressesThatBufferOnly) {
  int n = 0;
  Watch([&](const Ref<TALAudioBuffer>&, Ref<TALAudioBuffer>&, bool& send) { send = (n++ != 1); });
  StartWave();
  std::vector<std::vector<uint8_t>> sent;
  for (int i = 0; i < 3; ++i) {
    Ref<TALAudioBuffer> b = Buffer();
    sent.push_back(Bytes(*b));
    capture.SubmitBuffer(*b);
  }
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(Bytes(*received[0]), sent[0]);
  EXPECT_EQ(Bytes(*received[1]), sent[2]);
}

TEST_F(GenericFilterGraph, HandlerRunsWithUnlinkedOutput) {
  Watch();
  sink.Disconnect();
  StartWave();
  capture.SubmitBuffer(*Buffer());
  EXPECT_EQ(seen.size(), 1u);
}

TEST_F(GenericFilterGraph, NotStartedOrSwitchedOffPassesThroughWithoutHandler) {
  Watch();
  capture.SubmitBuffer(*Buffer());  // no start yet
  StartWave();
  filter->SetEnabled(false);
  Ref<TALAudioBuffer> b = Buffer();
  capture.SubmitBuffer(*b);
  EXPECT_TRUE(seen.empty());
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(Bytes(*received[1]), Bytes(*b));
}

TEST_F(GenericFilterGraph, StopEmptiesQueueBeforeOnStop) {
  Watch();
  filter->SetSynchronizeType(ST::stQueue);
  std::vector<std::string> order;
  filter->OnStart = TNotifyEvent([&](TObject*) { order.push_back("start"); });
  filter->OnStop = TNotifyEvent([&](TObject*) {
    // Anything still queued would be delivered here.
    ProcessMessages();
    order.push_back("stop, handled " + std::to_string(seen.size()));
  });
  StartWave();
  for (int i = 0; i < 5; ++i) capture.SubmitBuffer(*Buffer());  // posted, not yet delivered
  capture.Notify(MakeRef<TOWStopOperation>().get());
  ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"start", "stop, handled 0"}));
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(received.empty());
  EXPECT_EQ(Only(log, "sink:"), (std::vector<std::string>{"sink:wave", "sink:stop"}));
  filter->OnStop = {};  // `order` goes before the filter
}

TEST_F(GenericFilterGraph, StartCommandBuildsFormatAndGoesUpWhenInputLinked) {
  struct Case {
    int bits, channels;
    double rate;
    uint16_t align;
    uint32_t mask, rateOut, bytesPerSec;
  };
  const Case cases[] = {{16, 2, 44100.0, 4, 3, 44100, 176400},
                        {24, 1, 22050.5, 3, 1, 22050, 66150},  // half to even
                        {8, 32, 8000.0, 32, 0, 8000, 256000},
                        {12, 1, 8000.0, 1, 1, 8000, 8000}};      // 12 bits: one whole byte
  for (const Case& c : cases) {
    log = {};
    filter->SendStartCommand(c.bits, c.channels, c.rate);
    ASSERT_EQ(Only(log, "capture:"), std::vector<std::string>{"capture:wave"});
    EXPECT_TRUE(Only(log, "sink:").empty());
    auto& op = dynamic_cast<TOWStartWaveOperation&>(*log.ops.back()->Instance());
    const TALWaveFormatExtensible& f = op.WaveFormat;
    EXPECT_EQ(f.wFormatTag, 0xFFFE);
    EXPECT_EQ(f.nChannels, c.channels);
    EXPECT_EQ(f.wBitsPerSample, c.bits);
    EXPECT_EQ(f.wValidBitsPerSample, c.bits);
    EXPECT_EQ(f.nBlockAlign, c.align);
    EXPECT_EQ(f.nSamplesPerSec, c.rateOut);
    EXPECT_EQ(f.nAvgBytesPerSec, c.bytesPerSec);
    EXPECT_EQ(f.cbSize, 22);
    EXPECT_EQ(f.dwChannelMask, c.mask);
    EXPECT_EQ(std::memcmp(f.SubFormat, kPCMSubFormat, 16), 0);
  }
}

TEST_F(GenericFilterGraph, CommandsGoUpOrDownByInputLink) {
  filter->SendStopCommand();
  filter->SendEndStopCommand();
  filter->SendPauseCommand();
  filter->SendResumeCommand();
  EXPECT_EQ(Only(log, "capture:"), (std::vector<std::string>{"capture:stop", "capture:endstop"}));
  EXPECT_EQ(Only(log, "sink:"), (std::vector<std::string>{"sink:pause", "sink:resume"}));
  filter->InputPin()->Disconnect();
  log = {};
  filter->SendStartCommand(16, 2, 44100.0);
  filter->SendEndStopCommand();
  filter->SendStopCommand();
  EXPECT_TRUE(Only(log, "capture:").empty());
  EXPECT_EQ(Only(log, "sink:"), (std::vector<std::string>{"sink:wave", "sink:endstop", "sink:stop"}));
}

TEST(GenericFilterClass, ReadFromFormWithSynchronizeType) {
  auto form = TComponent::CreateUnowned<TComponent>();
  ReadRootComponent(*form, ObjectTextToBinary(R"(object Form1: TComponent
  object ALGenericFilter1: TALGenericFilter
    SynchronizeType = stQueue
  end
end
)"));
  auto* g = dynamic_cast<TALGenericFilter*>(form->FindComponent("ALGenericFilter1"));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->SynchronizeType(), ST::stQueue);
  EXPECT_EQ(TComponent::Create<TALGenericFilter>(form.get())->SynchronizeType(), ST::stNone);
}

}  // namespace
}  // namespace tavrel
