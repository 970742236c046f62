#include "signal/ALCommonFilter.h"

#include <gtest/gtest.h>

#include <cstring>

#include "math/buffer_helpers.h"
#include "signal/tests/filter_graph.h"

namespace tavrel {
namespace {

using namespace testing_streams;
using Lines = std::vector<std::string>;

// Records what the frame asks of it and writes one sample when allowed.
class TRecordingFilter : public TALCommonFilter {
 public:
  using TALCommonFilter::TALCommonFilter;
  std::vector<bool> allowed;
  int audioRuns = 0;

 protected:
  void ProcessData(const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>& out, bool Allowed, bool& send) override {
    allowed.push_back(Allowed);
    TALCommonFilter::ProcessData(in, out, Allowed, send);
  }
  void ProcessAudio(const Ref<TALAudioBuffer>&, Ref<TALAudioBuffer>& out, bool&) override {
    ++audioRuns;
    out->SetSample(0, 0, 1234);
  }
};

struct Stamp {
  int64_t begin, end;
  friend bool operator==(const Stamp&, const Stamp&) = default;
};

class ALCommonFilterGraph : public FilterGraph<TRecordingFilter> {
 protected:
  void SetUp() override { Link(TComponent::Create<TRecordingFilter>(form.get())); }
  Ref<TALAudioBuffer> Buffer(uint32_t frames = 512, uint32_t rate = 44100) {
    Ref<TALAudioBuffer> b = TALAudioBuffer::CreateSize(rate, 16, 2, frames);
    std::memset(b->Write(), 0, b->GetByteSize());
    return b;
  }
  Stamp StampOf(const Ref<TALAudioBuffer>& b) {
    TMLTimeStamp s = b->GetTimeStamp();
    EXPECT_TRUE(s.Available());
    return {s.BeginTime(), s.EndTime()};
  }
};

TEST_F(ALCommonFilterGraph, StampsRunningTimeInHundredsOfNanoseconds) {
  StartWave();
  capture.SubmitBuffer(*Buffer());
  capture.SubmitBuffer(*Buffer());
  Ref<TALAudioBuffer> stamped = Buffer();
  stamped->GetTimeStamp().SetAvailable(true);
  stamped->GetTimeStamp().SetBeginTime(900000);
  stamped->GetTimeStamp().SetEndTime(1000000);
  capture.SubmitBuffer(*stamped);
  capture.SubmitBuffer(*Buffer());
  StartWave();  // the time restarts
  capture.SubmitBuffer(*Buffer(441));
  ASSERT_EQ(received.size(), 5u);
  const Stamp want[] = {{0, 116099}, {116099, 232198}, {900000, 1000000}, {1000000, 1116099}, {0, 100000}};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(StampOf(received[i]), want[i]) << i;
  EXPECT_EQ(filter->audioRuns, 5);
  EXPECT_EQ(received[0]->GetSample(0, 0), 1234);
}

TEST_F(ALCommonFilterGraph, TheStartGoesOnAsTheSameObjectAndALateSinkGetsItToo) {
  TALWaveFormatExtensible f = DefaultWaveFormat();
  f.nSamplesPerSec = 48000;
  Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&f, false);
  capture.Notify(start.get());
  EXPECT_EQ(log.lines, (Lines{"sink:wave"}));
  EXPECT_EQ(log.ops[0], start);
  EXPECT_EQ(filter->GetWaveFormat()->nSamplesPerSec, 48000u);
  EXPECT_TRUE(filter->Running());
  TLog lateLog;
  TALOWAudioSinkPin late(form.get(), nullptr, Logging(lateLog, "late"));
  late.Connect(filter->OutputPin());
  EXPECT_EQ(lateLog.lines, (Lines{"late:wave"}));
  EXPECT_EQ(lateLog.ops[0], start);
}

TEST_F(ALCommonFilterGraph, StopAndEndStopReachTheSinkAndStopTheFilter) {
  StartWave();
  capture.SubmitBuffer(*Buffer());
  capture.Stop();
  EXPECT_FALSE(filter->Running());
  EXPECT_EQ(filter->CurrentTime(), 0);
  StartWave();
  capture.EndStop();
  EXPECT_FALSE(filter->Running());
  EXPECT_EQ(log.lines, (Lines{"sink:wave", "sink:buffer", "sink:stop", "sink:wave", "sink:endstop"}));
}

TEST_F(ALCommonFilterGraph, SwitchedOffOrNotStartedPassesTheSameDataThrough) {
  for (bool started : {true, false}) {
    received.clear();
    filter->allowed.clear();
    if (started) {
      StartWave();
      filter->SetEnabled(false);
    } else {
      filter->SetEnabled(true);
      capture.Stop();
    }
    Ref<TALAudioBuffer> in = Buffer();
    in->SetSample(0, 0, 7);
    capture.SubmitBuffer(*in);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(&received[0]->DataContainer(), &in->DataContainer()) << "no copy";
    EXPECT_EQ(received[0]->GetSample(0, 0), 7);
    EXPECT_TRUE(filter->allowed.empty()) << "ProcessData must not run";
  }
}

TEST_F(ALCommonFilterGraph, UnlinkedOutputIsNotProcessedButStillSubmitted) {
  StartWave();
  sink.Disconnect();
  capture.SubmitBuffer(*Buffer());
  EXPECT_EQ(filter->allowed, std::vector<bool>{false});
  EXPECT_EQ(filter->audioRuns, 0);
}

TEST_F(ALCommonFilterGraph, APlainRateStartIsForwardedWithoutStartingTheFilter) {
  capture.Notify(MakeRef<TOWStartSampleRateOperation>(44100.0).get());
  EXPECT_EQ(log.lines, (Lines{"sink:start"}));
  EXPECT_FALSE(filter->Running());
}

TEST_F(ALCommonFilterGraph, OperationsFromDownstream) {
  // A master pump goes upstream to the capture.
  sink.MasterPump(nullptr);
  EXPECT_EQ(log.lines, (Lines{"capture:masterpump"}));
  // With nothing upstream, a stop from downstream stops the filter and comes back down.
  filter->InputPin()->Disconnect();
  filter->InputOperation(nullptr, IID_ALAudioBuffer, MakeRef<TOWStartWaveOperation>(nullptr, false).get(), {});
  ASSERT_TRUE(filter->Running());
  log = {};
  sink.Notify(MakeRef<TOWStopOperation>().get());
  EXPECT_FALSE(filter->Running());
  EXPECT_EQ(log.lines, (Lines{"sink:stop"}));
}

TEST_F(ALCommonFilterGraph, RateZeroRaisesDivisionByZeroAndLeavesTheBufferUnstamped) {
  StartWave();
  TALWaveFormatExtensible f = DefaultWaveFormat();
  f.nSamplesPerSec = 0;
  Ref<TALAudioBuffer> bad = TALAudioBuffer::CreateWaveFormat(f, 16);
  Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedBufferOperation>(*bad);
  EXPECT_THROW(filter->InputOperation(nullptr, IID_ALAudioBuffer, op.get(), {}), EDivByZero);
  EXPECT_FALSE(bad->GetTimeStamp().Available());
  // Through the graph the capture's submit contains it and goes on.
  capture.SubmitBuffer(*bad);
  EXPECT_EQ(capture.SubmitErrorCount(), 1);
  capture.SubmitBuffer(*Buffer());
  EXPECT_EQ(received.size(), 1u);
}

TEST_F(ALCommonFilterGraph, ARaisingSinkDoesNotStarveItsSibling) {
  TALOWAudioSinkPin raising(form.get(), nullptr,
                            TSLOperationEvent([](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op,
                                                 TOWNotifyState) {
                              if (KindOf(op) == "buffer") throw ERangeError("Channel out of range = 1");
                              return TOWNotifyResult{};
                            }));
  raising.Connect(filter->OutputPin());
  StartWave();
  for (int i = 0; i < 3; ++i) capture.SubmitBuffer(*Buffer());
  EXPECT_EQ(received.size(), 3u);
  EXPECT_EQ(filter->OutputPin()->SubmitErrorCount(), 3);
}

TEST_F(ALCommonFilterGraph, OnAWorkerInBothQueueModes) {
  for (TSLQueueFullMode mode : {fmBlock, fmDropData}) {
    received.clear();
    filter->Threading()->SetEnabled(true);
    filter->Threading()->Queue()->SetFullMode(mode);
    filter->Threading()->Queue()->SetSize(64);  // room for all: nothing dropped
    StartWave();
    std::shared_ptr<TSLFilterThread> worker = filter->FilterThread();
    ASSERT_NE(worker, nullptr);
    for (int i = 0; i < 5; ++i) capture.SubmitBuffer(*Buffer());
    worker->GetQueueEvent().WaitFor(INFINITE);
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(StampOf(received[4]), (Stamp{4 * 116099, 5 * 116099}));
    EXPECT_EQ(received[4]->GetSample(0, 0), 1234);
    capture.Stop();
    EXPECT_EQ(filter->FilterThread(), nullptr);
  }
}

}  // namespace
}  // namespace tavrel
