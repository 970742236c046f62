// A state link that reaches a sink pin through a format converter, and its
// "StateConverter" value in form data.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/OWStateDispatcher.h"
#include "framework/OWStdTypes.h"
#include "framework/OWTypes.h"
#include "framework/OWValuePins.h"
#include "framework/tests/pin_links_fixtures.h"
#include "platform/exceptions.h"
#include "platform/forms.h"

namespace tavrel {
namespace {

using namespace pin_links;
using testing_pins::ITestReceiver;
using testing_pins::TAToBConverter;
using testing_pins::TypeB;

// A state pin that sends values of one type to whatever receives them.
class TValueStatePin : public TOWStatePin {
 public:
  TValueStatePin(TComponent* owner, Guid type) : TOWStatePin(owner, nullptr) {
    AddType(type, TOWSubmit::Of<&TValueStatePin::Submit>(this));
  }
  ~TValueStatePin() override { Disconnect(); }

 private:
  TOWNotifyResult Submit(IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    if (auto* b = dynamic_cast<IOWBasicStream*>(h)) return b->DispatchData(id, op, s);
    if (auto* r = dynamic_cast<ITestReceiver*>(h)) return r->Receive(id, op, s);
    return {};
  }
};

class TLevel : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TLevel(TComponent* owner, Guid type = IID_IOWFloatStream)
      : TComponent(owner), pin(std::make_unique<TValueStatePin>(this, type)) {}
  ~TLevel() override { pin.reset(); }
  TValueStatePin* Level() const { return pin.get(); }
  std::unique_ptr<TValueStatePin> pin;
};
const ClassInfo& TLevel::Class() {
  static const ClassInfo ci = ClassBuilder<TLevel>("TLevel", TComponent::Class()).prop("Level", &TLevel::Level).build();
  return ci;
}

class TText : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TText(TComponent* owner) : TComponent(owner), pin(std::make_unique<TOWStringSinkPin>(this, nullptr, TOWStringChangeEvent{})) {}
  ~TText() override { pin.reset(); }
  TOWStringSinkPin* Text() const { return pin.get(); }
  std::unique_ptr<TOWStringSinkPin> pin;
};
const ClassInfo& TText::Class() {
  static const ClassInfo ci = ClassBuilder<TText>("TText", TComponent::Class()).prop("Text", &TText::Text).build();
  return ci;
}

class StateConverterTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterLinkClasses();
    for (const ClassInfo* ci : {&TLevel::Class(), &TText::Class()})
      if (!GetClass(ci->name)) RegisterClass(*ci);
    RestartTypes();
    RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
    TAToBConverter::alive = 0;
    dispatchers = TOWStateDispatcher::Alive();
  }
  // Other tests empty the registries; start from what start-up registers.
  static void RestartTypes() {
    ClearStreamTypeRegistries();
    UnregisterStandardTypes();
    RegisterStandardTypes();
  }
  void TearDown() override {
    RestartTypes();
    ClearUnloadedPins();
    EXPECT_EQ(TAToBConverter::alive, 0);
    EXPECT_EQ(TOWStateDispatcher::Alive(), dispatchers);
  }
  void Send(TOWPin* pin, float v) {
    Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedSingleOperation>(v);
    pin->Notify(op.get());
  }
  int dispatchers = 0;
};

const std::string kFloat = "{67F6997B-7EB4-4E2F-8320-4A512B5F2BC7}";
const std::string kSting = "{25C048B4-89D4-4277-AA98-A835EB29F5C1}";

TEST_F(StateConverterTest, AFloatStateReachesAStringSinkAndTheLinkRoundTripsToTheSameBytes) {
  std::vector<uint8_t> bytes;
  {
    auto form = TComponent::CreateUnowned<TLinkForm>();
    form->SetName("fmMain");
    TValueStatePin* level = AddNamed<TLevel>(form.get(), "Level1")->Level();
    TOWStringSinkPin* text = AddNamed<TText>(form.get(), "Text1")->Text();
    ASSERT_TRUE(level->ConnectToStateName("Levels"));
    ASSERT_TRUE(text->ConnectToStateThrough(level->Dispatcher(), IID_IOWFloatStream, IID_IOWStringStream));
    EXPECT_EQ(text->Dispatcher(), level->Dispatcher());
    EXPECT_TRUE(text->StoreStateConverter());
    Send(level, 0.5f);
    EXPECT_EQ(text->Value(), "0.5");
    EXPECT_EQ(GetLinkDisplayName(text), "fmMain.Level1.Level");
    bytes = WriteRootComponent(*form);
  }
  EXPECT_TRUE(Contains(bytes, Join({PropName("Text.StateConverter"), {1}, Str("Levels"), Str(kFloat), Str(kSting), {0}})));
  EXPECT_TRUE(Contains(bytes, Join({PropName("Level.State"), Str("Levels")})));
  // The link is stored once, with its converter, not as a plain state
  // link or a source as well.
  std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.find("Text.State\x06"), std::string::npos);
  EXPECT_EQ(text.find("Text.SourcePin"), std::string::npos);

  auto copy = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*copy, bytes);
  auto* level = dynamic_cast<TLevel*>(copy->FindComponent("Level1"))->Level();
  auto* sink = dynamic_cast<TText*>(copy->FindComponent("Text1"))->Text();
  ASSERT_NE(sink->Dispatcher(), nullptr);
  EXPECT_EQ(sink->Dispatcher(), level->Dispatcher());
  EXPECT_EQ(sink->Dispatcher()->Name(), "Levels");
  EXPECT_EQ(sink->Dispatcher()->FormatConverterCount(), 1);
  Send(level, 0.25f);
  EXPECT_EQ(sink->Value(), "0.25");
  EXPECT_EQ(WriteRootComponent(*copy), bytes);
}

TEST_F(StateConverterTest, TheConverterGoesWithTheMemberItFeeds) {
  enum Leaver { kSink, kSinkDestroyed, kStatePins, kAllAtOnce };
  for (Leaver who : {kSink, kSinkDestroyed, kStatePins, kAllAtOnce}) {
    auto form = TComponent::CreateUnowned<TLinkForm>();
    form->SetName("fmMain");
    TValueStatePin* a = TComponent::Create<TLevel>(form.get(), TypeA)->Level();
    TValueStatePin* c = TComponent::Create<TLevel>(form.get(), TypeA)->Level();
    auto* holder = TComponent::Create<TLinkFilter>(form.get());
    auto sink = std::make_unique<TTestSinkPin>(holder, "b", nullptr, std::vector<Guid>{TypeB});
    ASSERT_TRUE(a->ConnectToStateName("AB"));
    ASSERT_TRUE(sink->ConnectToStateThrough(a->Dispatcher(), TypeA, TypeB));
    ASSERT_TRUE(c->ConnectToState(a->Dispatcher()));
    EXPECT_EQ(TAToBConverter::alive, 1);
    Send(a, 1);
    EXPECT_EQ(sink->received, 1);
    bool linkStays = who == kSink || who == kSinkDestroyed;
    switch (who) {
      case kSink: sink->Disconnect(); break;
      case kSinkDestroyed: sink.reset(); break;
      case kStatePins: a->Disconnect(); c->Disconnect(); break;
      case kAllAtOnce: a->Dispatcher()->DisconnectAll(); break;
    }
    EXPECT_EQ(TAToBConverter::alive, 0) << who;
    EXPECT_EQ(a->PinCount(), linkStays ? 2 : 0) << who;
    if (sink) {
      EXPECT_EQ(sink->Dispatcher(), nullptr) << who;
      EXPECT_EQ(sink->SourcePin(), nullptr) << who;
    }
    if (linkStays) {
      EXPECT_EQ(a->Dispatcher()->FormatConverterCount(), 0) << who;
      Send(c, 2);  // reaches a only
    }
    a->Disconnect();
    EXPECT_EQ(TOWStateDispatcher::GetByName("AB", false), nullptr) << who;
  }
}

TEST_F(StateConverterTest, ASinkIsInAStateLinkOrLinkedToASourceNeverBothAndFormDataKeepsWhichever) {
  std::vector<uint8_t> bytes;
  {
    auto form = NamedForm("fmMain");
    auto* in = AddNamed<TLinkAudioIn>(form.get(), "In");
    auto* f = AddNamed<TLinkFilter>(form.get(), "F");
    auto* g = AddNamed<TLinkFilter>(form.get(), "G");
    auto* h = AddNamed<TLinkFilter>(form.get(), "H");
    ASSERT_TRUE(f->InputPin()->Connect(in->OutputPin()));
    ASSERT_TRUE(g->InputPin()->Connect(in->OutputPin()));
    ASSERT_TRUE(h->InputPin()->Connect(in->OutputPin()));
    // A link without members records an input pin (nobody there speaks
    // yet); the source link goes. A link of input pins only has nobody to
    // take another: refused, g keeps its source.
    EXPECT_FALSE(f->InputPin()->ConnectToStateName("Shared"));
    EXPECT_FALSE(g->InputPin()->ConnectToStateName("Shared"));
    EXPECT_EQ(f->InputPin()->SourcePin(), nullptr);
    EXPECT_EQ(g->InputPin()->Dispatcher(), nullptr);
    EXPECT_EQ(Sinks(in->OutputPin()), (std::vector<TOWBasicPin*>{g->InputPin(), h->InputPin()}));
    ASSERT_NE(f->InputPin()->Dispatcher(), nullptr);
    EXPECT_EQ(f->InputPin()->Dispatcher()->PinCount(), 1);
    EXPECT_FALSE(f->InputPin()->StoreStateConverter());
    bytes = WriteRootComponent(*form);
  }
  auto copy = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*copy, bytes);
  auto* in = dynamic_cast<TLinkAudioIn*>(copy->FindComponent("In"));
  auto* f = dynamic_cast<TLinkFilter*>(copy->FindComponent("F"));
  auto* g = dynamic_cast<TLinkFilter*>(copy->FindComponent("G"));
  auto* h = dynamic_cast<TLinkFilter*>(copy->FindComponent("H"));
  EXPECT_EQ(f->InputPin()->SourcePin(), nullptr);
  EXPECT_EQ(g->InputPin()->SourcePin(), in->OutputPin());
  EXPECT_EQ(h->InputPin()->SourcePin(), in->OutputPin());
  ASSERT_NE(f->InputPin()->Dispatcher(), nullptr);
  EXPECT_EQ(f->InputPin()->Dispatcher()->Name(), "Shared");
  EXPECT_EQ(WriteRootComponent(*copy), bytes);
  // Linking to a source leaves the state link; a link left without
  // members goes.
  ASSERT_TRUE(f->InputPin()->Connect(in->OutputPin()));
  EXPECT_EQ(f->InputPin()->Dispatcher(), nullptr);
  EXPECT_EQ(TOWStateDispatcher::GetByName("Shared", false), nullptr);
  EXPECT_EQ(f->InputPin()->SourcePin(), in->OutputPin());
}

// A state pin of each from-type of the standard converters and a sink of
// each to-type that takes nothing else, so every pair needs its converter.
class TOnlySink : public TOWStdSinkPin {
 public:
  TOnlySink(TComponent* owner, Guid type) : TOWStdSinkPin(owner, nullptr, {}) { AddType(type); }
  ~TOnlySink() override { Disconnect(); }
};
class TConverterBench : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TConverterBench(TComponent* owner) : TComponent(owner) {
    for (const Guid& t : {IID_OWIntegerStream, IID_OWInt64Stream, IID_IOWFloatStream, IID_OWRealStream,
                          IID_OWRangedIntegerStream, IID_OWRangedInt64Stream})
      states.push_back(std::make_unique<TValueStatePin>(this, t));
    for (const Guid& t : {IID_IOWFloatStream, IID_OWRealStream, IID_IOWStringStream, IID_OWRangedRealStream})
      sinks.push_back(std::make_unique<TOnlySink>(this, t));
  }
  ~TConverterBench() override {
    sinks.clear();
    states.clear();
  }
  TValueStatePin* IntegerState() const { return states[0].get(); }
  TValueStatePin* Int64State() const { return states[1].get(); }
  TValueStatePin* FloatState() const { return states[2].get(); }
  TValueStatePin* RealState() const { return states[3].get(); }
  TValueStatePin* RangedIntState() const { return states[4].get(); }
  TValueStatePin* RangedInt64State() const { return states[5].get(); }
  TOnlySink* FloatIn() const { return sinks[0].get(); }
  TOnlySink* RealIn() const { return sinks[1].get(); }
  TOnlySink* StringIn() const { return sinks[2].get(); }
  TOnlySink* RangedRealIn() const { return sinks[3].get(); }
  std::vector<std::unique_ptr<TValueStatePin>> states;
  std::vector<std::unique_ptr<TOnlySink>> sinks;
};
const ClassInfo& TConverterBench::Class() {
  static const ClassInfo ci = ClassBuilder<TConverterBench>("TConverterBench", TComponent::Class())
                                  .prop("IntegerState", &TConverterBench::IntegerState)
                                  .prop("Int64State", &TConverterBench::Int64State)
                                  .prop("FloatState", &TConverterBench::FloatState)
                                  .prop("RealState", &TConverterBench::RealState)
                                  .prop("RangedIntState", &TConverterBench::RangedIntState)
                                  .prop("RangedInt64State", &TConverterBench::RangedInt64State)
                                  .prop("FloatIn", &TConverterBench::FloatIn)
                                  .prop("RealIn", &TConverterBench::RealIn)
                                  .prop("StringIn", &TConverterBench::StringIn)
                                  .prop("RangedRealIn", &TConverterBench::RangedRealIn)
                                  .build();
  return ci;
}

TEST_F(StateConverterTest, FormDataNamingEachConverterReadsBackTheSameLink) {
  if (!GetClass("TConverterBench")) RegisterClass(TConverterBench::Class());
  using State = TValueStatePin* (TConverterBench::*)() const;
  using Sink = TOnlySink* (TConverterBench::*)() const;
  struct Row {
    const char* converter;
    State from;
    Sink to;
  } rows[] = {
      {"TOWIntToFloatFormatConverter", &TConverterBench::IntegerState, &TConverterBench::FloatIn},
      {"TOWIntToRealFormatConverter", &TConverterBench::IntegerState, &TConverterBench::RealIn},
      {"TOWIntToStringFormatConverter", &TConverterBench::IntegerState, &TConverterBench::StringIn},
      {"TOWInt64ToFloatFormatConverter", &TConverterBench::Int64State, &TConverterBench::FloatIn},
      {"TOWInt64ToRealFormatConverter", &TConverterBench::Int64State, &TConverterBench::RealIn},
      {"TOWInt64ToStringFormatConverter", &TConverterBench::Int64State, &TConverterBench::StringIn},
      {"TOWFloatToRealFormatConverter", &TConverterBench::FloatState, &TConverterBench::RealIn},
      {"TOWFloatToStringFormatConverter", &TConverterBench::FloatState, &TConverterBench::StringIn},
      {"TOWRealToStringFormatConverter", &TConverterBench::RealState, &TConverterBench::StringIn},
      {"TOWIntToRealRangedFormatConverter", &TConverterBench::RangedIntState, &TConverterBench::RangedRealIn},
      {"TOWInt64ToRealRangedFormatConverter", &TConverterBench::RangedInt64State, &TConverterBench::RangedRealIn},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.converter);
    std::vector<uint8_t> bytes;
    {
      auto form = NamedForm("fmMain");
      auto* bench = AddNamed<TConverterBench>(form.get(), "Bench");
      ASSERT_TRUE(((*bench).*row.from)()->Connect(((*bench).*row.to)()));
      Ref<IOWFormatConverter> c = ((*bench).*row.to)()->FormatConverter();
      ASSERT_NE(c, nullptr);
      EXPECT_EQ(c->Instance()->ClassName(), row.converter);
      bytes = WriteRootComponent(*form);
    }
    auto copy = TComponent::CreateUnowned<TLinkForm>();
    ReadRootComponent(*copy, bytes);
    auto* bench = dynamic_cast<TConverterBench*>(copy->FindComponent("Bench"));
    ASSERT_NE(bench, nullptr);
    TValueStatePin* from = ((*bench).*row.from)();
    TOnlySink* to = ((*bench).*row.to)();
    ASSERT_NE(to->Dispatcher(), nullptr);
    EXPECT_EQ(to->Dispatcher(), from->Dispatcher());
    EXPECT_EQ(from->PinCount(), 2);
    Ref<IOWFormatConverter> c = to->FormatConverter();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Instance()->ClassName(), row.converter);
    EXPECT_EQ(WriteRootComponent(*copy), bytes);
  }
}

// The data type a state pin sends an input pin over a state link: its own
// types from the last added, then a converter already in its link (the
// last placed first), then a registered one (the last registered first).
TEST_F(StateConverterTest, AStatePinSelectsItsLastTypeThenTheLastConverterThatFits) {
  struct Case {
    const char* what;
    std::vector<Guid> stateTypes;  // in the order added
    bool useConverters;
    Guid id;                // what SelectStreamType gives
    const char* converter;  // the converter the link gets; "" for none
  } cases[] = {
      {"Integer to Real: int-to-float fits too, int-to-real came later", {IID_OWIntegerStream}, true,
       IID_OWIntegerStream, "TOWIntToRealFormatConverter"},
      {"Int64 to Real", {IID_OWInt64Stream}, true, IID_OWInt64Stream, "TOWInt64ToRealFormatConverter"},
      {"Float then Real: Real, added last", {IID_IOWFloatStream, IID_OWRealStream}, true, IID_OWRealStream, ""},
      {"Real then Float: Float, added last", {IID_OWRealStream, IID_IOWFloatStream}, true, IID_IOWFloatStream, ""},
      {"Integer, no converters", {IID_OWIntegerStream}, false, Guid{}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto form = NamedForm("fmMain");
    TValueStatePin state(form.get(), c.stateTypes[0]);
    for (size_t i = 1; i < c.stateTypes.size(); ++i) state.AddType(c.stateTypes[i]);
    TOWRealSinkPin real(form.get(), nullptr, {});  // takes Real and Float
    EXPECT_EQ(state.SelectStreamType(&real, c.useConverters).ID, c.id);
    if (!c.converter) continue;
    ASSERT_TRUE(state.Connect(&real));
    Ref<IOWFormatConverter> conv = real.FormatConverter();
    EXPECT_EQ(conv ? conv->Instance()->ClassName() : "", c.converter);
    real.Disconnect();
  }
  // Two converters of the link fit a third sink: the one placed last serves it.
  auto form = NamedForm("fmMain");
  TValueStatePin count(form.get(), IID_OWIntegerStream);
  TOnlySink single(form.get(), IID_IOWFloatStream), dbl(form.get(), IID_OWRealStream);
  TOWRealSinkPin real(form.get(), nullptr, {});
  ASSERT_TRUE(count.Connect(&single));
  ASSERT_TRUE(count.Connect(&dbl));
  TOWNegotiation n = count.SelectStreamType(&real, true);
  EXPECT_EQ(n.ID, IID_OWRealStream);
  EXPECT_EQ(n.Converter, dbl.FormatConverter());
  ASSERT_TRUE(count.Connect(&real));
  EXPECT_EQ(real.FormatConverter(), dbl.FormatConverter());
  EXPECT_EQ(count.Dispatcher()->FormatConverterCount(), 2);
  count.Disconnect();
}

// An input pin in a state link is sent what the link's first state pin
// selects for it, even when an input pin that would choose otherwise joined
// before it.
TEST_F(StateConverterTest, AnInputPinInAStateLinkNamesWhatTheFirstStatePinSendsIt) {
  auto form = NamedForm("fmMain");
  TOnlySink first(form.get(), IID_IOWFloatStream);  // Float, then Real
  first.AddType(IID_OWRealStream);
  TValueStatePin state(form.get(), IID_IOWFloatStream);
  TOWRealSinkPin real(form.get(), nullptr, {});  // takes Real and Float
  Ref<TOWStateDispatcher> d = TOWStateDispatcher::CreateNamed("Mixed", false);
  EXPECT_FALSE(first.ConnectToState(d));  // recorded
  ASSERT_TRUE(state.ConnectToState(d));
  ASSERT_TRUE(real.ConnectToState(d));
  ASSERT_EQ(d->PinCount(), 3);
  EXPECT_EQ(real.DownStreamID(), IID_IOWFloatStream);
  EXPECT_EQ(first.DownStreamID(), IID_IOWFloatStream);
  d->DisconnectAll();
}

// A "StateConverter" value written by hand, read by a sink pin of a form.
std::vector<uint8_t> ConverterValue(std::vector<uint8_t> inner) { return Join({{1}, inner, {0}}); }

TEST_F(StateConverterTest, AStateValueNamingALinkThatRefusesThePinIsAReadError) {
  auto form = NamedForm("fmMain");
  TOWBoolStatePin a(form.get(), nullptr, {}), b(form.get(), nullptr, {});
  ASSERT_TRUE(a.ConnectToStateName("Bools"));
  ASSERT_TRUE(b.ConnectToStateName("Bools"));
  TOWStringSourcePin source(form.get());
  TOWStringSinkPin text(form.get(), nullptr, {});
  ASSERT_TRUE(text.Connect(&source));
  const std::vector<uint8_t> bools = Str("Bools"), floats = Str("Floats");
  TReader reader(bools);
  EXPECT_THROW(text.ReadStateValue(reader), EReadError);
  EXPECT_EQ(text.Dispatcher(), nullptr);
  EXPECT_EQ(text.SourcePin(), &source);  // refused: its link stays
  EXPECT_EQ(a.PinCount(), 2);
  // A Float link takes the same sink through a converter.
  TValueStatePin level(form.get(), IID_IOWFloatStream);
  ASSERT_TRUE(level.ConnectToStateName("Floats"));
  TReader floatsReader(floats);
  EXPECT_NO_THROW(text.ReadStateValue(floatsReader));
  EXPECT_EQ(text.Dispatcher(), level.Dispatcher());
  EXPECT_TRUE(text.StoreStateConverter());
  text.Disconnect();
  level.Disconnect();
}

TEST_F(StateConverterTest, ABadConverterValueLeavesThePinWithoutAStateLinkAndMakesNothing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> value;
    const char* message;
  } cases[] = {
      {"no converter for the pair", ConverterValue(Join({Str("Bad"), Str(kSting), Str(kFloat)})),
       "invalid property value"},
      {"a converter whose output the sink does not take",
       ConverterValue(Join({Str("Bad"), Str(FormatGUIDText(TypeA)), Str(FormatGUIDText(TypeB))})),
       "invalid property value"},
      {"a malformed GUID", ConverterValue(Join({Str("Bad"), Str("{67F6997B-7EB4-4E2F-8320}"), Str(kSting)})),
       "is not a valid GUID value"},
      {"an identifier where the list starts", {7, 3, 'B', 'a', 'd'}, "invalid property value"},
      {"the to-GUID missing", ConverterValue(Join({Str("Bad"), Str(kFloat)})), "invalid property value"},
      {"a long dispatcher value with a number inside",
       ConverterValue(Join({{1}, Str("Bad"), {2, 5}, {0}, Str(kFloat), Str(kSting)})), "invalid property value"},
  };
  for (auto& c : cases) {
    auto form = TComponent::CreateUnowned<TLinkForm>();
    form->SetName("fmMain");
    TOWStringSinkPin* text = AddNamed<TText>(form.get(), "Text1")->Text();
    TValueStatePin* level = AddNamed<TLevel>(form.get(), "Level1")->Level();
    ASSERT_TRUE(level->ConnectToStateName("Bad"));
    TReader reader(c.value);
    try {
      text->ReadStateConverter(reader);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find(c.message), std::string::npos) << c.what << ": " << e.Message();
    }
    EXPECT_EQ(text->Dispatcher(), nullptr) << c.what;
    EXPECT_EQ(text->SourcePin(), nullptr) << c.what;
    EXPECT_EQ(level->PinCount(), 1) << c.what;  // the link it did not join is as it was
    EXPECT_EQ(TAToBConverter::alive, 0) << c.what;
  }
  // Through the form reader the same value is a read error of the property.
  auto form = TComponent::CreateUnowned<TLinkForm>();
  std::vector<uint8_t> bytes;
  {
    auto source = TComponent::CreateUnowned<TLinkForm>();
    source->SetName("fmMain");
    TValueStatePin* level = AddNamed<TLevel>(source.get(), "Level1")->Level();
    TOWStringSinkPin* text = AddNamed<TText>(source.get(), "Text1")->Text();
    ASSERT_TRUE(level->ConnectToStateName("Levels"));
    ASSERT_TRUE(text->ConnectToStateThrough(level->Dispatcher(), IID_IOWFloatStream, IID_IOWStringStream));
    bytes = WriteRootComponent(*source);
  }
  std::vector<uint8_t> from(kFloat.begin(), kFloat.end()), to(kSting.begin(), kSting.end());
  auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
  ASSERT_NE(at, bytes.end());
  std::copy(to.begin(), to.end(), at);  // Sting to Sting: no converter
  try {
    ReadRootComponent(*form, bytes);
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find("Text.StateConverter"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(form->ComponentCount(), 0);
}

}  // namespace
}  // namespace tavrel
