// Standard stream types, converters and value pins.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "framework/OWStdTypes.h"
#include "framework/tests/pins_testing.h"

namespace tavrel {
namespace {

using testing_pins::TTestOwner;

class StdTypesTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearStreamTypeRegistries();
    UnregisterStandardTypes();
    RegisterStandardTypes();
    std::setlocale(LC_NUMERIC, "C");
  }
  void TearDown() override {
    ClearStreamTypeRegistries();
    UnregisterStandardTypes();
  }
  ComponentPtr<TTestOwner> owner = TComponent::CreateUnowned<TTestOwner>();
};

// Records every operation that reaches it.
class TProbeSink : public TOWStdSinkPin {
 public:
  TProbeSink(TComponent* owner, Guid type)
      : TOWStdSinkPin(owner, nullptr,
                      TOWPinDispatchEvent([this](const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState s,
                                                 bool&) {
                        if (!s.Contains(nsNewLink)) got.push_back(Ref<IOWNotifyOperation>(op));
                        return TOWNotifyResult{};
                      })) {
    AddType(type);
  }
  std::vector<Ref<IOWNotifyOperation>> got;
};

TEST_F(StdTypesTest, TheThirteenTypesAndElevenConvertersAreRegisteredOnce) {
  RegisterStandardTypes();  // a second start-up changes nothing
  std::vector<std::string> names;
  for (auto& e : StreamTypeRegistry())
    if (!e.Name.empty()) names.push_back(e.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Clock", "32 bit Integer", "64 bit Integer", "Float", "Real",
                                             "Real Complex", "Boolean", "Character", "Sting",
                                             "Ranged 32 bit Integer", "Ranged 64 bit Integer", "Ranged Real",
                                             "Date/Time"}));
  EXPECT_EQ(DataTypeIDToText(IID_IOWStringStream), "Sting");
  EXPECT_EQ(FormatGUIDText(IID_IOWStringStream), "{25C048B4-89D4-4277-AA98-A835EB29F5C1}");
  const std::pair<Guid, Guid> pairs[] = {
      {IID_OWIntegerStream, IID_IOWFloatStream},     {IID_OWIntegerStream, IID_OWRealStream},
      {IID_OWIntegerStream, IID_IOWStringStream},    {IID_OWInt64Stream, IID_IOWFloatStream},
      {IID_OWInt64Stream, IID_OWRealStream},         {IID_OWInt64Stream, IID_IOWStringStream},
      {IID_IOWFloatStream, IID_OWRealStream},        {IID_IOWFloatStream, IID_IOWStringStream},
      {IID_OWRealStream, IID_IOWStringStream},       {IID_OWRangedIntegerStream, IID_OWRangedRealStream},
      {IID_OWRangedInt64Stream, IID_OWRangedRealStream}};
  EXPECT_EQ(TypeConverterRegistry().size(), std::size(pairs));
  for (auto& [from, to] : pairs) EXPECT_NE(FindTypeConverter(from, to), nullptr) << DataTypeIDToText(from);
  EXPECT_EQ(FindTypeConverter(IID_IOWStringStream, IID_IOWFloatStream), nullptr);
}

// What a converter's output carries for one input value.
struct Sent {
  std::string kind;
  double value;
  std::string text;
};

Sent Capture(TComponent* owner, const Guid& from, const Guid& to, const std::function<void(TOWStdFormatConverter*)>& feed) {
  Ref<IOWFormatConverter> c = FindTypeConverter(from, to)();
  auto* conv = dynamic_cast<TOWStdFormatConverter*>(c->Instance());
  TProbeSink sink(owner, to);
  EXPECT_TRUE(sink.Connect(conv->OutputPin()));
  feed(conv);
  sink.Disconnect();
  Sent r{"none", 0, ""};
  if (sink.got.size() != 1) return r;
  TOWNotifyOperation* op = sink.got[0]->Instance();
  if (auto* s = dynamic_cast<TOWSuppliedStringOperation*>(op)) return {"text", 0, s->Value};
  if (auto* v = dynamic_cast<TOWSuppliedRealValueRangeOperation*>(op)) return {"range", v->Value, ""};
  if (auto* v = dynamic_cast<TOWSuppliedRealOperation*>(op)) return {"real", v->Value, ""};
  if (auto* v = dynamic_cast<TOWSuppliedSingleOperation*>(op)) return {"single", v->Value, ""};
  return r;
}

TEST_F(StdTypesTest, ConvertersRoundAndWriteNumbersAsTheTableSays) {
  TComponent* o = owner.get();
  auto feedSingle = [](float v) {
    return [v](TOWStdFormatConverter* c) {
      // A value arriving at the input, as its source would deliver it.
      Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedSingleOperation>(v);
      dynamic_cast<IOWBasicStream*>(c->InputPin())->DispatchData(IID_IOWFloatStream, op.get(), {nsLastIteration});
    };
  };
  auto feedReal = [](double v) {
    return [v](TOWStdFormatConverter* c) {
      Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedRealOperation>(v);
      dynamic_cast<IOWBasicStream*>(c->InputPin())->DispatchData(IID_OWRealStream, op.get(), {nsLastIteration});
    };
  };
  auto feedInt = [](int64_t v) { return [v](TOWStdFormatConverter* c) { c->IntegerValue(v); }; };

  Sent s = Capture(o, IID_OWIntegerStream, IID_IOWFloatStream, feedInt(16777217));
  EXPECT_EQ(s.kind, "single");
  EXPECT_EQ(s.value, 16777216.0);
  s = Capture(o, IID_OWInt64Stream, IID_OWRealStream, feedInt((int64_t(1) << 53) + 1));
  EXPECT_EQ(s.kind, "real");
  EXPECT_EQ(s.value, std::ldexp(1.0, 53));
  EXPECT_EQ(Capture(o, IID_OWIntegerStream, IID_IOWStringStream, feedInt(-5)).text, "-5");
  EXPECT_EQ(Capture(o, IID_OWInt64Stream, IID_IOWStringStream, feedInt(-5)).text, "-5");
  EXPECT_EQ(Capture(o, IID_IOWFloatStream, IID_IOWStringStream, feedSingle(0.1f)).text, "0.100000001490116");
  EXPECT_EQ(Capture(o, IID_OWRealStream, IID_IOWStringStream, feedReal(0.1)).text, "0.1");
  s = Capture(o, IID_IOWFloatStream, IID_OWRealStream, feedSingle(0.1f));
  EXPECT_EQ(s.kind, "real");
  EXPECT_EQ(s.value, double(0.1f));
  s = Capture(o, IID_OWRangedIntegerStream, IID_OWRangedRealStream,
              [](TOWStdFormatConverter* c) { c->RangedValue(3, 0, 10, false); });
  EXPECT_EQ(s.kind, "single");
  s = Capture(o, IID_OWRangedInt64Stream, IID_OWRangedRealStream,
              [](TOWStdFormatConverter* c) { c->RangedValue(3, 0, 10, true); });
  EXPECT_EQ(s.kind, "range");
  EXPECT_EQ(s.value, 3.0);
}

TEST_F(StdTypesTest, ConvertersPassCommandsAndDropForeignValues) {
  TComponent* o = owner.get();
  Ref<IOWNotifyOperation> start = MakeRef<TOWStartOperation>();
  Ref<IOWFormatConverter> c = FindTypeConverter(IID_IOWFloatStream, IID_IOWStringStream)();
  auto* conv = dynamic_cast<TOWStdFormatConverter*>(c->Instance());
  TProbeSink sink(o, IID_IOWStringStream);
  ASSERT_TRUE(sink.Connect(conv->OutputPin()));
  auto* in = dynamic_cast<IOWBasicStream*>(conv->InputPin());
  in->DispatchData(IID_IOWFloatStream, start.get(), {nsLastIteration});
  Ref<IOWNotifyOperation> foreign = MakeRef<TOWSuppliedStringOperation>("x");
  in->DispatchData(IID_IOWFloatStream, foreign.get(), {nsLastIteration});
  ASSERT_EQ(sink.got.size(), 1u);
  EXPECT_EQ(sink.got[0]->Instance(), start->Instance());
  sink.Disconnect();
}

TEST_F(StdTypesTest, AFloatSourceReachesATextSinkThroughAPlacedConverter) {
  std::setlocale(LC_NUMERIC, "C");
  TOWFloatSourcePin src(owner.get());
  std::vector<std::string> texts;
  TOWStringSinkPin sink(owner.get(), nullptr,
                        TOWStringChangeEvent([&](TOWPin*, std::string v, bool) { texts.push_back(v); }));
  src.SetValue(0.25f);
  ASSERT_TRUE(sink.Connect(&src));
  EXPECT_EQ(src.ConverterCount(), 1);
  src.SetValue(0.1f);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "0.100000001490116");
  EXPECT_EQ(sink.Value(), "0.100000001490116");
  sink.Disconnect();
}

TEST_F(StdTypesTest, ValuePinsSendOnChangeAndOnNewLinks) {
  TOWFloatSourcePin src(owner.get());
  struct Got {
    float v;
    bool onConnect;
  };
  std::vector<Got> got;
  TOWFloatSinkPin sink(owner.get(), nullptr,
                       TOWFloatChangeEvent([&](TOWPin*, float v, bool onConnect) { got.push_back({v, onConnect}); }));
  src.SetValue(2.5f);
  ASSERT_TRUE(sink.Connect(&src));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].v, 2.5f);
  EXPECT_TRUE(got[0].onConnect);

  struct Step {
    const char* what;
    std::function<void()> act;
    size_t deliveries;
  } steps[] = {
      {"same value", [&] { src.SetValue(2.5f); }, 0},
      {"NaN", [&] { src.SetValue(std::nanf("")); }, 0},
      {"new value", [&] { src.SetValue(3.0f); }, 1},
      {"Send of the same value", [&] { src.Send(3.0f); }, 1},
  };
  for (auto& s : steps) {
    got.clear();
    s.act();
    EXPECT_EQ(got.size(), s.deliveries) << s.what;
    for (auto& g : got) EXPECT_FALSE(g.onConnect) << s.what;
  }
  sink.Disconnect();
}

TEST_F(StdTypesTest, RealValuesNarrowForFloatSinksAndSinglesWidenForRealSinks) {
  TOWRealSourcePin real(owner.get());
  TOWFloatSinkPin floatSink(owner.get(), nullptr, {});
  ASSERT_TRUE(floatSink.Connect(&real));
  real.SetValue(0.1);
  EXPECT_EQ(floatSink.Value(), 0.1f);
  EXPECT_EQ(real.ConverterCount(), 0);
  floatSink.Disconnect();

  TOWFloatSourcePin single(owner.get());
  TOWRealSinkPin realSink(owner.get(), nullptr, {});
  ASSERT_TRUE(realSink.Connect(&single));
  single.SetValue(0.1f);
  EXPECT_EQ(realSink.Value(), double(0.1f));
  realSink.Disconnect();
}

}  // namespace
}  // namespace tavrel
