// Standard stream types, converters and value pins.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/OWStdTypes.h"
#include "platform/exceptions.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "framework/tests/pin_links_fixtures.h"
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
  Sent(std::string k = "", double v = 0, std::string t = "", double lo = 0, double hi = 0)
      : kind(std::move(k)), value(v), text(std::move(t)), min(lo), max(hi) {}
  std::string kind;
  double value;
  std::string text;
  double min, max;
  bool operator==(const Sent&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Sent& s) {
  return o << s.kind << " " << s.value << " '" << s.text << "' [" << s.min << ", " << s.max << "]";
}

Sent Read(IOWNotifyOperation* operation) {
  TOWNotifyOperation* op = operation->Instance();
  if (auto* s = dynamic_cast<TOWSuppliedStringOperation*>(op)) return {"text", 0, s->Value};
  if (auto* v = dynamic_cast<TOWSuppliedRealValueRangeOperation*>(op)) return {"range", v->Value, "", v->Min, v->Max};
  if (auto* v = dynamic_cast<TOWSuppliedRealOperation*>(op)) return {"real", v->Value};
  if (auto* v = dynamic_cast<TOWSuppliedSingleOperation*>(op)) return {"single", v->Value};
  return {"other"};
}

// One input value: how it reaches the converter, and what must come out.
struct Conversion {
  std::function<void(TOWFormatConverter*)> feed;
  Sent out;
};

// A value arriving at a Float or Real input, as its source delivers it.
template <class Op, class V>
std::function<void(TOWFormatConverter*)> Deliver(const Guid& type, V v) {
  return [type, v](TOWFormatConverter* c) {
    Ref<IOWNotifyOperation> op = MakeRef<Op>(v);
    dynamic_cast<IOWBasicStream*>(c->InputPin())->DispatchData(type, op.get(), {nsLastIteration});
  };
}
// Integer values travel in no operation: the input's change event (the
// converter's value handler) is called as the input pin would call it.
template <class C, class... A>
std::function<void(TOWFormatConverter*)> Handle(A... a) {
  return [=](TOWFormatConverter* c) { dynamic_cast<C*>(c)->ValueChanged(c->InputPin(), a..., false); };
}

TEST_F(StdTypesTest, EachNamedConverterIsFoundByNameAndConvertsItsValues) {
  const int64_t two53 = int64_t(1) << 53;
  struct Row {
    const char* name;
    Guid from, to;
    const char *inPin, *outPin;
    std::vector<Conversion> values;
  } rows[] = {
      {"TOWIntToFloatFormatConverter", IID_OWIntegerStream, IID_IOWFloatStream, "TOWIntegerSinkPin", "TOWFloatSourcePin",
       {{Handle<TOWIntToFloatFormatConverter>(16777217), {"single", 16777216.0}},
        {Handle<TOWIntToFloatFormatConverter>(-3), {"single", -3.0}}}},
      {"TOWIntToRealFormatConverter", IID_OWIntegerStream, IID_OWRealStream, "TOWIntegerSinkPin", "TOWRealSourcePin",
       {{Handle<TOWIntToRealFormatConverter>(INT32_MIN), {"real", -2147483648.0}},
        {Handle<TOWIntToRealFormatConverter>(16777217), {"real", 16777217.0}}}},
      {"TOWIntToStringFormatConverter", IID_OWIntegerStream, IID_IOWStringStream, "TOWIntegerSinkPin",
       "TOWStringSourcePin",
       {{Handle<TOWIntToStringFormatConverter>(-5), {"text", 0, "-5"}},
        {Handle<TOWIntToStringFormatConverter>(1234567), {"text", 0, "1234567"}}}},
      {"TOWInt64ToFloatFormatConverter", IID_OWInt64Stream, IID_IOWFloatStream, "TOWInt64SinkPin", "TOWFloatSourcePin",
       {{Handle<TOWInt64ToFloatFormatConverter>((int64_t(1) << 40) + 1), {"single", 1099511627776.0}}}},
      {"TOWInt64ToRealFormatConverter", IID_OWInt64Stream, IID_OWRealStream, "TOWInt64SinkPin", "TOWRealSourcePin",
       {{Handle<TOWInt64ToRealFormatConverter>(two53 + 1), {"real", std::ldexp(1.0, 53)}},
        {Handle<TOWInt64ToRealFormatConverter>(-two53), {"real", -std::ldexp(1.0, 53)}}}},
      {"TOWInt64ToStringFormatConverter", IID_OWInt64Stream, IID_IOWStringStream, "TOWInt64SinkPin",
       "TOWStringSourcePin",
       {{Handle<TOWInt64ToStringFormatConverter>(INT64_MIN), {"text", 0, "-9223372036854775808"}}}},
      {"TOWFloatToRealFormatConverter", IID_IOWFloatStream, IID_OWRealStream, "TOWFloatSinkPin", "TOWRealSourcePin",
       {{Deliver<TOWSuppliedSingleOperation>(IID_IOWFloatStream, 0.1f), {"real", double(0.1f)}}}},
      {"TOWFloatToStringFormatConverter", IID_IOWFloatStream, IID_IOWStringStream, "TOWFloatSinkPin",
       "TOWStringSourcePin",
       {{Deliver<TOWSuppliedSingleOperation>(IID_IOWFloatStream, 0.1f), {"text", 0, "0.100000001490116"}},
        {Deliver<TOWSuppliedSingleOperation>(IID_IOWFloatStream, -2.5f), {"text", 0, "-2.5"}}}},
      {"TOWRealToStringFormatConverter", IID_OWRealStream, IID_IOWStringStream, "TOWRealSinkPin", "TOWStringSourcePin",
       {{Deliver<TOWSuppliedRealOperation>(IID_OWRealStream, 0.1), {"text", 0, "0.1"}},
        {Deliver<TOWSuppliedRealOperation>(IID_OWRealStream, 1e300), {"text", 0, "1e+300"}},
        // A Real input takes a Single widened.
        {Deliver<TOWSuppliedSingleOperation>(IID_IOWFloatStream, 0.1f), {"text", 0, "0.100000001490116"}}}},
      {"TOWIntToRealRangedFormatConverter", IID_OWRangedIntegerStream, IID_OWRangedRealStream,
       "TOWIntAndRangedSinkPin", "TOWRealRangedSourcePin",
       {{Handle<TOWIntToRealRangedFormatConverter>(3, 0, 10, true), {"range", 3, "", 0, 10}},
        {Handle<TOWIntToRealRangedFormatConverter>(3, 0, 10, false), {"single", 3}}}},
      {"TOWInt64ToRealRangedFormatConverter", IID_OWRangedInt64Stream, IID_OWRangedRealStream,
       "TOWInt64AndRangedSinkPin", "TOWRealRangedSourcePin",
       {{Handle<TOWInt64ToRealRangedFormatConverter>(two53 + 1, int64_t(-1), two53 + 1, true),
         {"range", std::ldexp(1.0, 53), "", -1, std::ldexp(1.0, 53)}},
        {Handle<TOWInt64ToRealRangedFormatConverter>(int64_t(7), int64_t(0), int64_t(9), false), {"single", 7}}}},
  };
  ASSERT_EQ(std::size(rows), TypeConverterRegistry().size());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // By name through the class registry, and by its pair of types.
    Ref<IOWFormatConverter> byName = CreateConverterByName(row.name);
    ASSERT_NE(byName, nullptr);
    TOWFormatConverterClass byTypes = FindTypeConverter(row.from, row.to);
    ASSERT_NE(byTypes, nullptr);
    EXPECT_EQ(byTypes()->Instance()->ClassName(), row.name);
    TOWFormatConverter* c = byName->Instance();
    EXPECT_EQ(c->ClassName(), row.name);
    EXPECT_EQ(c->InputPin()->ClassName(), row.inPin);
    EXPECT_EQ(c->OutputPin()->ClassName(), row.outPin);
    EXPECT_EQ(c->InputPin()->QueryStreamInterface(row.from), S_OK);
    TProbeSink sink(owner.get(), row.to);
    ASSERT_TRUE(sink.Connect(c->OutputPin()));
    for (const Conversion& v : row.values) {
      sink.got.clear();
      v.feed(c);
      ASSERT_EQ(sink.got.size(), 1u);
      EXPECT_EQ(Read(sink.got[0].get()), v.out);
    }
    sink.Disconnect();
  }
  // Not a converter class, or no class at all.
  EXPECT_EQ(CreateConverterByName("TOWFloatSinkPin"), nullptr);
  EXPECT_EQ(CreateConverterByName("TOWNoSuchFormatConverter"), nullptr);
}

TEST_F(StdTypesTest, FormDataCannotMakeAConverterAComponent) {
  pin_links::RegisterLinkClasses();
  auto form = TComponent::CreateUnowned<pin_links::TLinkForm>();
  try {
    ReadRootComponent(*form, ObjectTextToBinary("object Form: TLinkForm\n object C: TOWIntToFloatFormatConverter\n end\nend\n"));
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find("never part of a form"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(form->ComponentCount(), 0);
}

TEST_F(StdTypesTest, ConvertersPassCommandsAndDropForeignValues) {
  TComponent* o = owner.get();
  Ref<IOWNotifyOperation> start = MakeRef<TOWStartOperation>();
  Ref<IOWFormatConverter> c = FindTypeConverter(IID_IOWFloatStream, IID_IOWStringStream)();
  TOWFormatConverter* conv = c->Instance();
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
  EXPECT_EQ(single.ConverterCount(), 0);  // a Real sink takes Float too
  single.SetValue(0.1f);
  EXPECT_EQ(realSink.Value(), double(0.1f));
  realSink.Disconnect();
}

}  // namespace
}  // namespace tavrel
