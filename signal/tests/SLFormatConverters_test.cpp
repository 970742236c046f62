#include "signal/SLFormatConverters.h"

#include <gtest/gtest.h>

#include <cstring>

#include "signal/ALStreamTypes.h"
#include "signal/SLBlockBuffer.h"
#include "signal/SLIntegerBuffer.h"
#include "signal/SLRealBuffer.h"
#include "signal/tests/stream_fixtures.h"

namespace tavrel {
namespace {

using namespace testing_streams;
using Lines = std::vector<std::string>;

// Feeds one operation into a converter's input pin and keeps what its
// output pin sends to a linked sink.
struct Through {
  TLog log;
  ComponentPtr<TComponent> owner = Owner("Test");
  Ref<IOWFormatConverter> converter;
  std::vector<Ref<TSLData>> buffers;
  std::vector<std::string> texts;
  TSLOWSinkPin sink{owner.get(), nullptr, Logging(log, "out", [this](IOWNotifyOperation* op) {
                      if (auto* b = dynamic_cast<TOWSuppliedBufferOperation*>(op->Instance())) buffers.push_back(b->Buffer);
                      if (auto* t = dynamic_cast<TOWSuppliedStringOperation*>(op->Instance())) texts.push_back(t->Value);
                    })};
  explicit Through(TOWFormatConverterClass make) : converter(make()) {
    EXPECT_TRUE(sink.Connect(converter->Instance()->OutputPin()));
    log = {};
  }
  ~Through() { sink.Disconnect(); }
  void Send(const Ref<IOWNotifyOperation>& op) {
    auto* in = dynamic_cast<IOWBasicStream*>(converter->Instance()->InputPin());
    ASSERT_NE(in, nullptr);
    in->DispatchData(IID_SLUniversalBuffer, op.get(), {nsLastIteration});
  }
};

TEST(SLFormatConverters, BufferConversions) {
  {  // reals to bytes: the same 16 bytes, not copied
    Through t(&TSLOWRealToBinaryFormatConverter::CreateConverter);
    const double v[] = {1.5, -2};
    auto reals = TSLRealBuffer::CreateData(v, 2);
    t.Send(MakeRef<TOWSuppliedBufferOperation>(*reals));
    ASSERT_EQ(t.buffers.size(), 1u);
    auto& bytes = dynamic_cast<TSLBlockBuffer&>(*t.buffers[0]);
    EXPECT_EQ(bytes.GetSize(), 16u);
    EXPECT_EQ(&bytes.DataContainer(), &reals->DataContainer());
    EXPECT_EQ(std::memcmp(bytes.Read(), v, 16), 0);
  }
  {  // integers to reals
    Through t(&TSLOWIntToRealFormatConverter::CreateConverter);
    const int32_t v[] = {1, -7};
    t.Send(MakeRef<TOWSuppliedBufferOperation>(*TSLIntegerBuffer::CreateData(v, 2)));
    ASSERT_EQ(t.buffers.size(), 1u);
    auto& reals = dynamic_cast<TSLRealBuffer&>(*t.buffers[0]);
    ASSERT_EQ(reals.GetSize(), 2u);
    EXPECT_EQ(reals.Read()[0], 1.0);
    EXPECT_EQ(reals.Read()[1], -7.0);
  }
  {  // stereo audio to reals: channel 0 only
    Through t(&TOWAudioToRealFormatConverter::CreateConverter);
    const int16_t frames[] = {100, -1, 200, -2, 300, -3};
    t.Send(MakeRef<TOWSuppliedBufferOperation>(*TALAudioBuffer::CreateData(frames, 44100, 16, 2, 3)));
    ASSERT_EQ(t.buffers.size(), 1u);
    auto& reals = dynamic_cast<TSLRealBuffer&>(*t.buffers[0]);
    ASSERT_EQ(reals.GetSize(), 3u);
    EXPECT_EQ(reals.Read()[0], 100.0);
    EXPECT_EQ(reals.Read()[2], 300.0);
  }
}

TEST(SLFormatConverters, AStopPassesThroughEveryConverterUnchanged) {
  for (TOWFormatConverterClass make :
       {&TSLOWIntToBinaryFormatConverter::CreateConverter, &TSLOWRealToBinaryFormatConverter::CreateConverter,
        &TSLOWComplexToBinaryFormatConverter::CreateConverter, &TSLOWIntToRealFormatConverter::CreateConverter,
        &TSLOWRealToRealMatrixFormatConverter::CreateConverter, &TOWAudioToIntFormatConverter::CreateConverter,
        &TOWAudioToRealFormatConverter::CreateConverter, &TOWAudioToBinaryFormatConverter::CreateConverter,
        &TSLOWIntegerToStringFormatConverter::CreateConverter, &TSLOWRealToStringFormatConverter::CreateConverter,
        &TSLOWTimeToStringFormatConverter::CreateConverter}) {
    Through t(make);
    Ref<IOWNotifyOperation> stop = MakeRef<TOWStopOperation>();
    t.Send(stop);
    ASSERT_EQ(t.log.lines, (Lines{"out:stop"}));
    EXPECT_EQ(t.log.ops[0], stop);
  }
}

TEST(SLFormatConverters, TextConvertersSendTextAndDropBuffers) {
  Through real(&TSLOWRealToStringFormatConverter::CreateConverter);
  real.Send(MakeRef<TOWSuppliedRealOperation>(0.1));
  real.Send(MakeRef<TOWSuppliedBufferOperation>(*TSLRealBuffer::CreateSize(2)));
  EXPECT_EQ(real.texts, Lines{"0.1"});
  EXPECT_EQ(real.log.lines, Lines{"out:other"});

  Through viaInt(&TSLOWIntegerToStringFormatConverter::CreateConverter);
  dynamic_cast<TSLOWIntegerToStringFormatConverter*>(viaInt.converter->Instance())->ValueChanged(42);
  EXPECT_EQ(viaInt.texts, Lines{"42"});
}

TEST(SLFormatConverters, FixedTextForms) {
  struct {
    double v;
    const char* text;
  } reals[] = {{0.1, "0.1"},       {-2.5e-7, "-2.5E-7"},  {1e20, "1E20"},  {123456789012345.0, "123456789012345"},
               {1.0 / 3, "0.333333333333333"}, {0.0001, "0.0001"}, {1e15, "1E15"}};
  for (auto& c : reals) EXPECT_EQ(SLFloatToText(c.v), c.text) << c.v;
  EXPECT_EQ(SLIntToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(SLDateTimeToText(45000.5), "2023-03-15 12:00:00");
  EXPECT_EQ(SLDateTimeToText(2.0), "1900-01-01");
  EXPECT_EQ(SLDateTimeToText(0.25), "06:00:00");
}

}  // namespace
}  // namespace tavrel
