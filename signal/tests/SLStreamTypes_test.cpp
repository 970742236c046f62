#include "signal/SLStreamTypes.h"

#include <gtest/gtest.h>

#include "signal/SLIntegerBuffer.h"
#include "signal/SLRealBuffer.h"
#include "signal/tests/stream_fixtures.h"

namespace tavrel {
namespace {

using namespace testing_streams;
using Lines = std::vector<std::string>;

class SLStreamPins : public ::testing::Test {
 protected:
  TLog log;
  ComponentPtr<TComponent> owner = Owner("Graph");
  TSLOWSourcePin source{owner.get(), nullptr, nullptr, Logging(log, "up"), 0, LoggingConnect(log, "src")};
  TSLOWSinkPin sink{owner.get(), nullptr, Logging(log, "a")};
  TSLOWSinkPin other{owner.get(), nullptr, Logging(log, "b")};

  Ref<IOWNotifyOperation> Send(Ref<IOWNotifyOperation> op) {
    source.Notify(op.get());
    return op;
  }
};

TEST_F(SLStreamPins, ALateSinkReceivesTheRememberedStartExactlyOnce) {
  Ref<IOWNotifyOperation> start = Send(MakeRef<TOWStartSampleRateOperation>(44100.0));
  // Linked from the sink's side: the start, then the connect event.
  ASSERT_TRUE(sink.Connect(&source));
  EXPECT_EQ(log.lines, (Lines{"a:start", "src:connect"}));
  EXPECT_EQ(log.ops[0], start);  // the same object
  // Linked from the source's side: the event first, then the start.
  log = {};
  ASSERT_TRUE(source.Connect(&other));
  EXPECT_EQ(log.lines, (Lines{"src:connect", "b:start"}));
  EXPECT_EQ(log.ops[1], start);
}

// The sink's own connect event fires once per link, whichever side links.
TEST_F(SLStreamPins, TheSinkHearsOfEachNewLink) {
  TSLOWSinkPin watched{owner.get(), nullptr, Logging(log, "w"), {}, LoggingConnect(log, "w")};
  ASSERT_TRUE(watched.Connect(&source));
  EXPECT_EQ(Only(log, "w:"), Lines{"w:connect"});
  watched.Disconnect();
  log = {};
  ASSERT_TRUE(source.Connect(&watched));
  EXPECT_EQ(Only(log, "w:"), Lines{"w:connect"});
}

TEST_F(SLStreamPins, AStopForgetsTheStart) {
  Send(MakeRef<TOWStartSampleRateOperation>(8000.0));
  Send(MakeRef<TOWStopOperation>());
  log = {};
  sink.Connect(&source);
  source.Connect(&other);
  EXPECT_EQ(Only(log, "a:"), Lines{});
  EXPECT_EQ(Only(log, "b:"), Lines{});
  // An end-stop forgets it too; a buffer does not.
  Send(MakeRef<TOWStartSampleRateOperation>(8000.0));
  source.SubmitBuffer(*TSLRealBuffer::CreateSize(2));
  sink.Disconnect();
  log = {};
  sink.Connect(&source);
  EXPECT_EQ(log.lines, (Lines{"a:start", "src:connect"}));
  source.EndStop();
  sink.Disconnect();
  log = {};
  sink.Connect(&source);
  EXPECT_EQ(Only(log, "a:"), Lines{});
}

TEST_F(SLStreamPins, ARemovedLinkGetsAStopBeforeItGoes) {
  TSLOWSinkPin told{owner.get(), nullptr, Logging(log, "c"), {}, {}, TOWPinEvent([this](TOWBasicPin*) {
                      log.Add("c:disconnect");
                    })};
  sink.Connect(&source);
  other.Connect(&source);
  told.Connect(&source);
  log = {};
  told.Disconnect();
  EXPECT_EQ(log.lines, (Lines{"c:disconnect", "c:stop"}));
  log = {};
  sink.Disconnect();
  EXPECT_EQ(log.lines, (Lines{"a:stop"}));
  EXPECT_FALSE(source.IsConnectedTo(&sink));
  EXPECT_TRUE(source.IsConnectedTo(&other));
}

TEST_F(SLStreamPins, ARaisingSinkDoesNotStarveItsSibling) {
  bool raiseOnPause = false;
  TSLOWSinkPin raising{owner.get(), nullptr, TSLOperationEvent([&](TOWBasicPin*, const TDataTypeID&,
                                                                   IOWNotifyOperation* op, TOWNotifyState) {
                         if (KindOf(op) == "buffer") throw ERangeError("Index out of range = 1");
                         if (raiseOnPause && KindOf(op) == "pause") throw ERangeError("pause");
                         return TOWNotifyResult{};
                       })};
  std::string reported;
  source.OnSubmitError = TSLSubmitErrorEvent([&](TOWBasicPin*, const std::string& t) { reported = t; });
  raising.Connect(&source);
  sink.Connect(&source);
  // Both orders of the two links: equal links take turns.
  for (int round = 0; round < 2; ++round) {
    log = {};
    TOWNotifyResult r;
    EXPECT_NO_THROW(r = source.SubmitBuffer(*TSLRealBuffer::CreateSize(4)));
    EXPECT_TRUE(r.Empty());
    EXPECT_EQ(log.lines, (Lines{"a:buffer"}));
  }
  EXPECT_EQ(source.SubmitErrorCount(), 2);
  EXPECT_EQ(reported, "Index out of range = 1");
  // Failures with other operations reach their sender.
  raiseOnPause = true;
  EXPECT_THROW(Send(MakeRef<TOWSLPauseOperation>()), ERangeError);
  raiseOnPause = false;
}

TEST_F(SLStreamPins, ABufferOperationCarriesItsOwnObjectWithTheSameData) {
  auto buffer = TSLRealBuffer::CreateData(std::vector<double>{1, 2}.data(), 2);
  TOWSuppliedBufferOperation op(*buffer);
  EXPECT_NE(op.Buffer.get(), static_cast<TSLData*>(buffer.get()));
  EXPECT_EQ(&dynamic_cast<TSLGenericBuffer&>(*op.Buffer).DataContainer(), &buffer->DataContainer());
}

// Every submit function against a link announcement: only the clock's passes it on.
TEST_F(SLStreamPins, LinkAnnouncementsReachNoComponentButTheClock) {
  TSLOWRealSourcePin real{owner.get(), nullptr, nullptr, Logging(log, "up"), true};
  TSLOWStringSourcePin text{owner.get(), nullptr, nullptr, Logging(log, "up")};
  Ref<IOWNotifyOperation> buffer = MakeRef<TOWSuppliedBufferOperation>(*TSLRealBuffer::CreateSize(1));
  const TOWNotifyState announce{nsNewLink};
  IOWStream* handler = &sink;
  source.SubmitStream(handler, IID_SLUniversalBuffer, buffer.get(), announce);
  sink.SinkSubmit(&source, IID_SLUniversalBuffer, buffer.get(), announce);
  SLBufferSend(&source, handler, IID_SLRealBuffer, buffer.get(), announce);
  real.NotificationSingle(handler, IID_SLFloatValue, buffer.get(), announce);
  text.NotificationString(handler, IID_SLStringValue, buffer.get(), announce);
  EXPECT_EQ(log.lines, Lines{});
  // The clock handler here is a source pin, which takes the clock type.
  source.SubmitClock(&real, IID_OWClockStream, buffer.get(), announce);
  EXPECT_EQ(log.lines, (Lines{"up:buffer"}));
}

TEST_F(SLStreamPins, SendFunctionScalesTheRateForRealAndIntegerHandlers) {
  std::vector<double> rates;
  auto rateOf = [&](IOWNotifyOperation* op) {
    rates.push_back(dynamic_cast<TOWStartSampleRateOperation&>(*op->Instance()).SampleRate);
  };
  TSLOWRealSinkPin real{owner.get(), nullptr, Logging(log, "real", rateOf)};
  TSLOWIntegerSinkPin integer{owner.get(), nullptr, Logging(log, "int", rateOf)};
  Ref<IOWNotifyOperation> start = MakeRef<TOWStartSampleRateOperation>(44100.0);
  SLBufferSend(&source, &real, IID_SLRealBuffer, start.get(), {});
  SLBufferSend(&source, &integer, IID_SLIntegerBuffer, start.get(), {});
  SLBufferSend(&source, &sink, IID_SLUniversalBuffer, start.get(), {});
  EXPECT_EQ(rates, (std::vector<double>{5512.5, 11025.0}));
  ASSERT_EQ(log.ops.size(), 3u);
  EXPECT_NE(log.ops[0], start);
  EXPECT_EQ(log.ops[2], start);  // any other stream handler: the operation itself
}

// A value pin that answers the real-value stream.
class TValueSink : public TOWStdSinkPin {
 public:
  TValueSink(TComponent* owner, std::vector<double>& got)
      : TOWStdSinkPin(owner, nullptr,
                      TOWPinDispatchEvent([&got](const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState, bool&) {
                        got.push_back(dynamic_cast<TOWSuppliedRealOperation&>(*op->Instance()).Value);
                        return TOWNotifyResult{};
                      })) {
    AddType(IID_SLRealValue);
  }
};

TEST_F(SLStreamPins, TheFloatSideSendsTheLastElement) {
  TSLOWRealSourcePin real{owner.get(), nullptr, nullptr, {}, true};
  std::vector<double> got;
  TValueSink value(owner.get(), got);
  for (const std::vector<double>& data : {std::vector<double>{1, 2, 3}, std::vector<double>{}}) {
    Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedBufferOperation>(*TSLRealBuffer::CreateData(data.data(), data.size()));
    real.NotificationSingle(&value, IID_SLFloatValue, op.get(), {});
  }
  EXPECT_EQ(got, std::vector<double>{3.0});
}

Ref<TSLGenericBuffer> MakeA(int32_t n) { return TSLRealBuffer::CreateSize(uint64_t(n)); }
Ref<TSLGenericBuffer> MakeB(int32_t n) { return TSLIntegerBuffer::CreateSize(uint64_t(n)); }

TEST(SLStreamTypeFactories, ASecondRegistrationKeepsTheFirstSizeAndTakesTheNewFunctions) {
  const Guid id{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  const size_t before = StreamTypeFactories().size();
  RegisterStreamType(id, 8, &MakeA, nullptr);
  RegisterStreamType(id, 4, &MakeB, nullptr);
  ASSERT_EQ(StreamTypeFactories().size(), before + 1);
  const TSLOWStreamTypeEntry& e = StreamTypeFactories().back();
  EXPECT_EQ(e.SampleSize, 8);
  EXPECT_EQ(e.CreateFunction, &MakeB);
  // The start-up registered the five buffer types, the generic one first.
  ASSERT_GE(before, 5u);
  EXPECT_EQ(StreamTypeFactories()[0].ID, IID_SLGenericBuffer);
  EXPECT_EQ(StreamTypeFactories()[2].SampleSize, 8);
  EXPECT_EQ(DataTypeIDToText(IID_SLUserControl), "User control");
}

}  // namespace
}  // namespace tavrel
