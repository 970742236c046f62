// Links, negotiation and synchronous delivery between pins.
#include "framework/OWPins.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <stdexcept>
#include <thread>

#include "framework/tests/lock_testing.h"
#include "framework/tests/pins_testing.h"
#include "platform/exceptions.h"

namespace tavrel {
namespace {

using namespace testing_pins;
using testing_locks::Holds;
using testing_locks::Owner;

class OWPins : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearStreamTypeRegistries();
    TAToBConverter::alive = 0;
    TAToBConverter::calls = 0;
    TAToBConverter2::made = 0;
  }
  void TearDown() override { ClearStreamTypeRegistries(); }

  std::unique_ptr<TTestSinkPin> Sink(const std::string& name, std::vector<Guid> types = {TypeA}) {
    return std::make_unique<TTestSinkPin>(owner.get(), name, &log, std::move(types));
  }
  std::unique_ptr<TTestSourcePin> Source(std::vector<Guid> types = {TypeA}, int max = 0) {
    return std::make_unique<TTestSourcePin>(owner.get(), std::move(types), nullptr, nullptr, max);
  }
  void Deliver(TOWBasicPin& pin) { pin.Notify(MakeRef<TOWNotifyOperation>().get()); }
  // A filter of A and B whose output's types follow its input's.
  auto Follower(const std::string& name) {
    auto f = TComponent::CreateUnowned<TTestFilter>(name, &log);
    f->Input->AddType(TypeB);
    f->Output->AddType(TypeB);
    f->Output->DataTypeSources().Add(f->Input.get());
    return f;
  }

  ComponentPtr<TTestOwner> owner = TComponent::CreateUnowned<TTestOwner>();
  Log log;
};

// Records pin events as text.
struct EventRecorder : IOWPinListener {
  std::mutex m;
  std::vector<std::string> events;
  void Add(std::string e) {
    std::lock_guard hold(m);
    events.push_back(std::move(e));
  }
  // Names given by the test (a pin being destroyed no longer knows its class).
  std::map<TOWBasicPin*, std::string> names;
  std::string N(TOWBasicPin* p) {
    if (auto it = names.find(p); it != names.end()) return it->second;
    auto* s = dynamic_cast<TTestSinkPin*>(p);
    return s ? s->PinName() : "src";
  }
  std::string N(TOWPinObject* o) { return N(dynamic_cast<TOWBasicPin*>(o)); }
  void PinLinked(TOWBasicPin* p, TOWPinObject* o) override { Add("linked " + N(p) + "-" + N(o)); }
  void PinUnlinked(TOWBasicPin* p, TOWPinObject* o) override { Add("unlinked " + N(p) + "-" + N(o)); }
  void PinChanged(TOWBasicPin* p) override { Add("changed " + N(p)); }
  void PinDestroying(TOWBasicPin* p, bool) override { Add("destroying " + N(p)); }
};

struct ListenerScope {
  explicit ListenerScope(Ref<IOWPinListener> l) : listener(std::move(l)) { AddPinListener(listener); }
  ~ListenerScope() { RemovePinListener(listener); }
  Ref<IOWPinListener> listener;
};

// ---------------------------------------------------------------------------
// Names and connection tests

TEST_F(OWPins, ShortNameTable) {
  struct Case {
    const char* name;
    const char* shortName;
  } cases[] = {
      {"OutputPin", "Out"},      {"InputPin", "In"},           {"MyOutputPin", "MyOutput"},
      {"Pin", ""},               {"Filter.OutputPin", "Out"},  {"PinOfPin", "PinOfPin"},
      {"output", "output"},      {"Output", "Out"},
  };
  auto pin = Sink("x");
  for (auto& c : cases) {
    pin->SetOverrideName(c.name);
    EXPECT_EQ(pin->Name(), c.name);
    EXPECT_EQ(pin->ShortName(), c.shortName) << c.name;
  }
}

TEST_F(OWPins, ADesignedPinNeverLinksWithARunningPinUnlessOneBelongsToAConverter) {
  auto designed = TComponent::CreateUnowned<TTestOwner>();
  designed->SetDesigning(true);
  TTestSourcePin src(designed.get(), {TypeA});
  auto sink = Sink("s");
  EXPECT_FALSE(sink->CanConnectTo(&src, true));
  EXPECT_FALSE(src.CanConnectTo(sink.get(), true));
  EXPECT_FALSE(sink->Connect(&src));

  Ref<IOWFormatConverter> conv = TAToBConverter::CreateConverter();
  TTestSinkPin designedSink(designed.get(), "d", &log, {TypeB});
  EXPECT_TRUE(designedSink.CanConnectTo(conv->Instance()->OutputPin(), true));
}

// ---------------------------------------------------------------------------
// Negotiation

TEST_F(OWPins, NegotiationTable) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  struct Case {
    const char* name;
    std::vector<Guid> source, sink;
    bool useConverters;
    Guid id;
    bool converterClass;
  } cases[] = {
      {"last direct type wins", {TypeA, TypeB, TypeC}, {TypeA, TypeC}, true, TypeC, false},
      {"direct before converter", {TypeA, TypeB}, {TypeB}, true, TypeB, false},
      {"registered converter", {TypeA}, {TypeB}, true, TypeA, true},
      {"no converters allowed", {TypeA}, {TypeB}, false, Guid{}, false},
      {"nothing fits", {TypeC}, {TypeB}, true, Guid{}, false},
  };
  for (auto& c : cases) {
    auto src = Source(c.source);
    auto sink = Sink("s", c.sink);
    TOWNegotiation n = NegotiateDataType(src.get(), sink.get(), c.useConverters, true);
    EXPECT_EQ(n.ID, c.id) << c.name;
    EXPECT_EQ(n.ConverterClass != nullptr, c.converterClass) << c.name;
  }
}

TEST_F(OWPins, AddTypeOfAListedTypeKeepsItsPreference) {
  auto src = Source({TypeA, TypeC});
  src->AddType(TypeA);  // already listed: stays first, so C is still preferred
  auto sink = Sink("s", {TypeA, TypeC});
  EXPECT_EQ(NegotiateDataType(src.get(), sink.get(), true, true).ID, TypeC);
}

TEST_F(OWPins, TheLaterRegisteredConverterIsChosen) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  RegisterTypeConverter(TypeA, TypeC, &TAToBConverter2::CreateConverter);
  auto src = Source({TypeA});
  auto sink = Sink("s", {TypeB, TypeC});
  EXPECT_EQ(NegotiateDataType(src.get(), sink.get(), true, true).ConverterClass, &TAToBConverter2::CreateConverter);
}

TEST_F(OWPins, AConverterAlreadyInTheLinksIsReusedBeforeANewOne) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  auto src = Source({TypeA});
  auto s1 = Sink("s1", {TypeB});
  auto s2 = Sink("s2", {TypeB});
  ASSERT_TRUE(s1->Connect(src.get()));
  EXPECT_EQ(TAToBConverter::alive, 1);
  // A later registration would win among registered converters ...
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter2::CreateConverter);
  TOWNegotiation n = NegotiateDataType(src.get(), s2.get(), true, true);
  EXPECT_TRUE(n.Converter);
  EXPECT_EQ(n.ConverterClass, nullptr);
  EXPECT_EQ(n.ID, TypeA);
  // ... but the link reuses the converter already there.
  ASSERT_TRUE(s2->Connect(src.get()));
  EXPECT_EQ(TAToBConverter2::made, 0);
  EXPECT_EQ(src->ConverterCount(), 1);
  EXPECT_EQ(TAToBConverter::alive, 1);
  EXPECT_EQ(s1->FormatConverter(), s2->FormatConverter());
}

TEST_F(OWPins, ALinkNobodyCanCarryIsRefused) {
  auto src = Source({TypeC});
  auto sink = Sink("s", {TypeB});
  EXPECT_FALSE(sink->Connect(src.get()));
  EXPECT_FALSE(src->Connect(sink.get()));
  EXPECT_EQ(src->SinkCount(), 0);
}

TEST_F(OWPins, IgnoreUpstreamAcceptsAnySourceThatCanNegotiate) {
  // The sink lists A, but the source implements no interface to take A back.
  struct SendOnly : TTestSourcePin {
    using TTestSourcePin::TTestSourcePin;
    bool SupportsStreamInterface(const Guid& IID) override { return IID == IID_IOWStream; }
  };
  SendOnly src(owner.get(), {TypeA});
  auto sink = Sink("s");
  EXPECT_FALSE(sink->CanConnectTo(&src, true));
  sink->SetIgnoreUpstream(true);
  EXPECT_TRUE(sink->Connect(&src));
}

TEST_F(OWPins, DataTypeSourcesRestrictTheCandidatesUpstream) {
  // X passes its input's type on: its output lists A, B and C, but sends
  // only what reaches its input.
  auto x = TComponent::CreateUnowned<TTestFilter>("x", &log);
  x->Output->AddType(TypeB);
  x->Output->AddType(TypeC);
  x->Input->AddType(TypeB);
  x->Input->AddType(TypeC);
  x->Output->DataTypeSources().Add(x->Input.get());
  auto z = Sink("z", {TypeA, TypeB, TypeC});

  // Unlinked input: its own preference and acceptance decide, so C still wins.
  EXPECT_EQ(NegotiateDataType(x->Output.get(), z.get(), true, true).ID, TypeC);
  // Linked to a source of B and A: C cannot arrive, and the source's order
  // decides what is left (its last type, A, is preferred).
  auto up = Source({TypeB, TypeA});
  ASSERT_TRUE(x->Input->Connect(up.get()));
  EXPECT_EQ(NegotiateDataType(x->Output.get(), z.get(), true, true).ID, TypeA);
  auto upB = Source({TypeB});
  ASSERT_TRUE(x->Input->Connect(upB.get()));
  EXPECT_EQ(NegotiateDataType(x->Output.get(), z.get(), true, true).ID, TypeB);
  // The output refuses, for upstream traffic, a type its input does not list.
  auto y = TComponent::CreateUnowned<TTestFilter>("y", &log);
  y->Output->AddType(TypeB);
  y->Output->DataTypeSources().Add(y->Input.get());
  EXPECT_EQ(y->Output->QueryStreamInterface(TypeA), S_OK);
  EXPECT_EQ(y->Output->QueryStreamInterface(TypeB), E_NOINTERFACE);
}

TEST_F(OWPins, AnInputPinTakesOnlyWhatTheOtherInputsOfItsDependantCanBringToo) {
  // A mixer: its output follows both inputs, so whatever type the first
  // input takes the second must be able to bring as well.
  struct Case {
    const char* what;
    std::vector<Guid> second;           // the second input's types
    std::vector<Guid> upstream;         // the source feeding it; none: unlinked
    std::vector<Guid> upstreamsOther;   // another input that source feeds
    HRESULT takesB;
    Guid agreed;  // with a source of A and B
  } cases[] = {
      {"second input unlinked, lists A", {TypeA}, {}, {}, E_NOINTERFACE, TypeA},
      {"second input unlinked, lists A and B", {TypeA, TypeB}, {}, {}, S_OK, TypeB},
      {"its source sends A only", {TypeA, TypeB}, {TypeA}, {}, E_NOINTERFACE, TypeA},
      {"its source sends B too, to an input that takes A only", {TypeA, TypeB}, {TypeA, TypeB}, {TypeA},
       E_NOINTERFACE, TypeA},
      {"its source sends B too, to inputs that take it", {TypeA, TypeB}, {TypeA, TypeB}, {TypeA, TypeB}, S_OK,
       TypeB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto mix = TComponent::CreateUnowned<TTestFilter>("mix", &log);
    mix->Input->AddType(TypeB);
    mix->Output->AddType(TypeB);
    auto second = Sink("second", c.second);
    mix->Output->DataTypeSources().Add(mix->Input.get());
    mix->Output->DataTypeSources().Add(second.get());
    std::unique_ptr<TTestSourcePin> up;
    std::unique_ptr<TTestSinkPin> other;
    if (!c.upstream.empty()) {
      up = Source(c.upstream);
      ASSERT_TRUE(second->Connect(up.get()));
      if (!c.upstreamsOther.empty()) {
        other = Sink("other", c.upstreamsOther);
        ASSERT_TRUE(other->Connect(up.get()));
      }
    }
    EXPECT_EQ(mix->Input->QueryStreamInterface(TypeA), S_OK);
    EXPECT_EQ(mix->Input->QueryStreamInterface(TypeB), c.takesB);
    auto src = Source({TypeA, TypeB});
    ASSERT_TRUE(mix->Input->Connect(src.get()));
    EXPECT_EQ(src->GetConnectionID(mix->Input.get()), c.agreed);
  }
}

TEST_F(OWPins, AnOutputPinTakesBackOnlyWhatEveryBranchOfItsInputCanTake) {
  // y's output and a second output follow y's input; the second output
  // feeds z, whose output follows its input and feeds a last sink. What y's
  // output takes back must get through all of that.
  for (bool lastTakesB : {false, true}) {
    SCOPED_TRACE(lastTakesB);
    auto y = TComponent::CreateUnowned<TTestFilter>("y", &log);
    auto z = TComponent::CreateUnowned<TTestFilter>("z", &log);
    for (TTestFilter* f : {y.get(), z.get()}) {
      f->Input->AddType(TypeB);
      f->Output->AddType(TypeB);
      f->Output->DataTypeSources().Add(f->Input.get());
    }
    auto branch = Source({TypeA, TypeB});
    branch->DataTypeSources().Add(y->Input.get());
    ASSERT_TRUE(z->Input->Connect(branch.get()));
    auto last = Sink("last", lastTakesB ? std::vector<Guid>{TypeA, TypeB} : std::vector<Guid>{TypeA});
    ASSERT_TRUE(last->Connect(z->Output.get()));
    EXPECT_EQ(y->Output->QueryStreamInterface(TypeA), S_OK);
    EXPECT_EQ(y->Output->QueryStreamInterface(TypeB), lastTakesB ? S_OK : E_NOINTERFACE);
    last->Disconnect();
    z->Input->Disconnect();
  }
}

TEST_F(OWPins, AnInputPinsUpstreamTypeIsOneThePinsAboveCanTakeBack) {
  // The sink takes A only. It sends upstream to a filter's output, which
  // hands that on through the filter's input to the source above, which
  // sends A and B but may take only B back.
  struct TakesBackB : TTestSourcePin {
    using TTestSourcePin::TTestSourcePin;
    bool SupportsStreamInterface(const Guid& IID) override { return IID == TypeB || IID == IID_IOWStream; }
  };
  for (bool onlyB : {false, true}) {
    SCOPED_TRACE(onlyB);
    auto f = Follower("f");
    std::unique_ptr<TTestSourcePin> up = onlyB ? std::make_unique<TakesBackB>(owner.get(), std::vector<Guid>{TypeA, TypeB})
                                               : Source({TypeA, TypeB});
    ASSERT_TRUE(f->Input->Connect(up.get()));
    auto sink = Sink("sink", {TypeA});
    ASSERT_TRUE(sink->Connect(f->Output.get()));
    EXPECT_EQ(sink->DownStreamID(), TypeA);
    EXPECT_EQ(sink->UpStreamID(), onlyB ? TypeB : TypeA);
    sink->Disconnect();
    f->Input->Disconnect();
  }
}

TEST_F(OWPins, ALoopOfDataTypeDependenciesEndsTheWalkWhereItCloses) {
  // f's input is fed by g's output and g's input by f's output; each output
  // follows its own input. Asking down or up the loop comes back round.
  auto f = TComponent::CreateUnowned<TTestFilter>("f", &log);
  auto g = TComponent::CreateUnowned<TTestFilter>("g", &log);
  f->Output->DataTypeSources().Add(f->Input.get());
  g->Output->DataTypeSources().Add(g->Input.get());
  ASSERT_TRUE(g->Input->Connect(f->Output.get()));
  ASSERT_TRUE(f->Input->Connect(g->Output.get()));
  auto sink = Sink("sink");
  ASSERT_TRUE(sink->Connect(g->Output.get()));
  EXPECT_EQ(sink->UpStreamID(), TypeA);
  EXPECT_EQ(g->Output->QueryStreamInterface(TypeA), S_OK);
  EXPECT_EQ(f->Input->QueryStreamInterface(TypeA), S_OK);
  sink->Disconnect();
  f->Input->Disconnect();
}

// An input pin that can take B without listing it among its own types.
struct TakesBWithoutListingIt : TTestSinkPin {
  using TTestSinkPin::TTestSinkPin;
  bool SupportsStreamInterface(const Guid& IID) override {
    return IID == TypeB || TTestSinkPin::SupportsStreamInterface(IID);
  }
};

TEST_F(OWPins, WhatAnOutputPinSendsIsWhatItsInputAndTheInputsBesideItTake) {
  // x's output lists A, B and C and follows x's input. Where the types
  // originate (x's input unlinked, or the source feeding it), every input
  // pin on the way removes what it does not take; a sink beside x's input
  // on the same source counts too.
  struct Case {
    const char* what;
    std::vector<Guid> input;    // x's input
    std::vector<Guid> up;       // the source feeding it; none: unlinked
    std::vector<Guid> beside;   // another input pin that source feeds; none: no such pin
    Guid sent;                  // x's output to a sink of A, B and C
  } cases[] = {
      {"unlinked input of A, B and C", {TypeA, TypeB, TypeC}, {}, {}, TypeC},
      {"unlinked input of A and B", {TypeA, TypeB}, {}, {}, TypeB},
      {"fed with B and A", {TypeA, TypeB, TypeC}, {TypeB, TypeA}, {}, TypeA},
      {"fed with B and A beside a pin of B", {TypeA, TypeB, TypeC}, {TypeB, TypeA}, {TypeB}, TypeB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto x = TComponent::CreateUnowned<TTestFilter>("x", &log);
    x->Output->AddType(TypeB);
    x->Output->AddType(TypeC);
    for (const Guid& t : c.input) x->Input->AddType(t);  // A is there already
    x->Output->DataTypeSources().Add(x->Input.get());
    std::unique_ptr<TTestSourcePin> up;
    std::unique_ptr<TTestSinkPin> beside;
    if (!c.up.empty()) {
      up = Source(c.up);
      ASSERT_TRUE(x->Input->Connect(up.get()));
      if (!c.beside.empty()) {
        beside = Sink("beside", c.beside);
        ASSERT_TRUE(beside->Connect(up.get()));
      }
    }
    auto z = Sink("z", {TypeA, TypeB, TypeC});
    EXPECT_EQ(NegotiateDataType(x->Output.get(), z.get(), true, true).ID, c.sent);
  }
}

TEST_F(OWPins, WhatAnInputPinSendsUpIsWhatTheInputsBesideTheOneAboveItList) {
  // The sink takes A and B from f's output, which follows f's input, fed
  // by a source of A and B. That source feeds another input pin too, which
  // takes B but lists only A: B may come down, but only A goes back up.
  for (bool besideListsB : {false, true}) {
    SCOPED_TRACE(besideListsB);
    auto f = Follower("f");
    auto up = Source({TypeA, TypeB});
    ASSERT_TRUE(f->Input->Connect(up.get()));
    std::unique_ptr<TTestSinkPin> beside =
        besideListsB ? Sink("beside", {TypeA, TypeB})
                     : std::make_unique<TakesBWithoutListingIt>(owner.get(), "beside", &log, std::vector<Guid>{TypeA});
    ASSERT_TRUE(beside->Connect(up.get()));
    auto sink = Sink("sink", {TypeA, TypeB});
    ASSERT_TRUE(sink->Connect(f->Output.get()));
    EXPECT_EQ(sink->DownStreamID(), TypeB);
    EXPECT_EQ(sink->UpStreamID(), besideListsB ? TypeB : TypeA);
    sink->Disconnect();
    beside->Disconnect();
    f->Input->Disconnect();
  }
}

TEST_F(OWPins, WhatAnOutputPinTakesBackIsAskedAllTheWayUp) {
  // g's output follows g's input, which f's output feeds; f's output
  // follows f's input, which nothing feeds. Whether g's output takes B back
  // is decided two components up.
  struct Case {
    const char* what;
    std::vector<Guid> fInput, fOutput;
    HRESULT takesB;
  } cases[] = {
      {"both of f's pins list B", {TypeA, TypeB}, {TypeA, TypeB}, S_OK},
      {"f's input does not list B", {TypeA}, {TypeA, TypeB}, E_NOINTERFACE},
      {"f's output does not take B", {TypeA, TypeB}, {TypeA}, E_NOINTERFACE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto f = TComponent::CreateUnowned<TTestFilter>("f", &log);
    auto g = TComponent::CreateUnowned<TTestFilter>("g", &log);
    for (const Guid& t : c.fInput) f->Input->AddType(t);  // A is there already
    for (const Guid& t : c.fOutput) f->Output->AddType(t);
    g->Input->AddType(TypeB);
    g->Output->AddType(TypeB);
    for (TTestFilter* x : {f.get(), g.get()}) x->Output->DataTypeSources().Add(x->Input.get());
    ASSERT_TRUE(g->Input->Connect(f->Output.get()));
    EXPECT_EQ(g->Output->QueryStreamInterface(TypeA), S_OK);
    EXPECT_EQ(g->Output->QueryStreamInterface(TypeB), c.takesB);
    g->Input->Disconnect();
  }
}

TEST_F(OWPins, AnInputPinsOwnTypesForAWalkAreWhatItsDependantListsOrTakesBack) {
  // i lists A and B; d follows i. Down, d keeps what it lists; up, what it
  // takes back, unless i ignores what comes from upstream.
  struct Case {
    const char* what;
    std::vector<Guid> dependant;
    bool ignoreUpstream;
    std::vector<Guid> down, up;
  } cases[] = {
      {"a dependant of A", {TypeA}, false, {TypeA}, {TypeA}},
      {"a dependant of A and B", {TypeA, TypeB}, false, {TypeA, TypeB}, {TypeA, TypeB}},
      {"a dependant of A, upstream ignored", {TypeA}, true, {TypeA}, {TypeA, TypeB}},
  };
  auto ids = [](const TOWPinTypeRestricted& l) {
    std::vector<Guid> r;
    for (int k = 0; k < l.Count(); ++k) r.push_back(l.GetID(k));
    return r;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto i = Sink("i", {TypeA, TypeB});
    i->SetIgnoreUpstream(c.ignoreUpstream);
    auto d = Source(c.dependant);
    d->DataTypeSources().Add(i.get());
    TOWPinTypeRestricted down, up;
    i->CollectStreamTypes(down, i.get());
    i->CollectUpstreamStreamTypes(up, i.get());
    EXPECT_EQ(ids(down), c.down);
    EXPECT_EQ(ids(up), c.up);
  }
}

TEST_F(OWPins, DependencyChainsBranchAtEveryFunctionSourceAfterTheFirst) {
  auto up1 = Source();
  auto up2 = Source();
  auto f = TComponent::CreateUnowned<TTestFilter>("f", &log);
  auto second = Sink("second");
  f->Output->FunctionSources().Add(f->Input.get());
  f->Output->FunctionSources().Add(second.get());
  ASSERT_TRUE(f->Input->Connect(up1.get()));
  ASSERT_TRUE(second->Connect(up2.get()));
  std::vector<std::vector<TOWBasicPin*>> chains(1);
  f->Output->CollectDependencyChain(chains, 0);
  ASSERT_EQ(chains.size(), 2u);
  EXPECT_EQ(chains[0], (std::vector<TOWBasicPin*>{f->Output.get(), f->Input.get(), up1.get()}));
  EXPECT_EQ(chains[1], (std::vector<TOWBasicPin*>{second.get(), up2.get()}));
}

// ---------------------------------------------------------------------------
// Linking and unlinking

TEST_F(OWPins, RelinkingDropsTheOldSourceFirst) {
  auto a = Source();
  auto b = Source();
  auto s = Sink("s");
  ASSERT_TRUE(s->Connect(a.get()));
  auto rec = MakeRef<EventRecorder>();
  ListenerScope scope(rec);
  ASSERT_TRUE(s->Connect(b.get()));
  EXPECT_EQ(a->SinkCount(), 0);
  EXPECT_EQ(b->SinkCount(), 1);
  EXPECT_EQ(s->SourcePin(), b.get());
  auto unlinked = std::find(rec->events.begin(), rec->events.end(), "unlinked s-src");
  auto linked = std::find(rec->events.begin(), rec->events.end(), "linked s-src");
  ASSERT_NE(unlinked, rec->events.end());
  ASSERT_NE(linked, rec->events.end());
  EXPECT_LT(unlinked, linked);
}

TEST_F(OWPins, LinkingAgainToTheSameSourceChangesNothing) {
  auto a = Source();
  auto s = Sink("s");
  ASSERT_TRUE(a->Connect(s.get()));
  auto rec = MakeRef<EventRecorder>();
  ListenerScope scope(rec);
  EXPECT_TRUE(s->Connect(a.get()));
  EXPECT_TRUE(a->Connect(s.get()));
  EXPECT_TRUE(rec->events.empty());
  EXPECT_EQ(a->SinkCount(), 1);
  EXPECT_FALSE(s->Connect(s.get()));
  EXPECT_FALSE(a->Connect(a.get()));
}

TEST_F(OWPins, ConnectNilUnlinksAndReportsOnlyWhenThereWasALink) {
  auto a = Source();
  auto s = Sink("s");
  auto rec = MakeRef<EventRecorder>();
  ListenerScope scope(rec);
  EXPECT_TRUE(s->Connect(nullptr));  // nothing to do
  EXPECT_TRUE(rec->events.empty());
  ASSERT_TRUE(s->Connect(a.get()));
  rec->events.clear();
  EXPECT_TRUE(s->Connect(nullptr));
  EXPECT_FALSE(s->IsConnected());
  EXPECT_EQ(s->UpStreamID(), Guid{});
  EXPECT_EQ(a->SinkCount(), 0);
  EXPECT_EQ(rec->events, (std::vector<std::string>{"changed src", "unlinked s-src", "changed s"}));
}

TEST_F(OWPins, AssigningASinkTakesTheOtherSinksSource) {
  auto a = Source();
  auto s1 = Sink("s1");
  auto s2 = Sink("s2");
  ASSERT_TRUE(s1->Connect(a.get()));
  s2->Assign(s1.get());
  EXPECT_EQ(s2->SourcePin(), a.get());
  EXPECT_EQ(a->SinkCount(), 2);
  s2->Assign(nullptr);
  EXPECT_FALSE(s2->IsConnected());
  auto owner2 = TComponent::CreateUnowned<TTestOwner>();
  EXPECT_THROW(s2->Assign(owner2.get()), EConvertError);
}

TEST_F(OWPins, ALinkIsAnnouncedOnceWithNewLinkAndLastIteration) {
  auto a = Source();
  auto s = Sink("s");
  ASSERT_TRUE(s->Connect(a.get()));
  auto ann = log.Announcements();
  ASSERT_EQ(ann.size(), 1u);
  EXPECT_TRUE(ann[0].last);
  EXPECT_EQ(ann[0].id, TypeA);
  EXPECT_EQ(a->InSending(), 0);
}

TEST_F(OWPins, ASourceThatDependsOnTheSinkIsRefused) {
  // f's output depends on f's input; linking f's input to f's output would loop.
  auto f = TComponent::CreateUnowned<TTestFilter>("f", &log);
  f->Output->FunctionSources().Add(f->Input.get());
  EXPECT_TRUE(f->Output->DependsOn(f->Input.get()));
  EXPECT_FALSE(f->Input->Connect(f->Output.get()));
  // Also through a component in between.
  auto g = TComponent::CreateUnowned<TTestFilter>("g", &log);
  g->Output->FunctionSources().Add(g->Input.get());
  ASSERT_TRUE(g->Input->Connect(f->Output.get()));
  EXPECT_TRUE(g->Output->DependsOn(f->Input.get()));
  EXPECT_FALSE(f->Input->Connect(g->Output.get()));
}

TEST_F(OWPins, MaxConnectionsOneDropsTheFirstLinkButKeepsARelinkedSink) {
  auto a = Source({TypeA}, 1);
  auto s1 = Sink("s1");
  auto s2 = Sink("s2");
  ASSERT_TRUE(a->Connect(s1.get()));
  ASSERT_TRUE(a->Connect(s1.get()));
  EXPECT_EQ(a->SinkCount(), 1);
  ASSERT_TRUE(s2->Connect(a.get()));
  EXPECT_EQ(a->SinkCount(), 1);
  EXPECT_EQ(a->GetSinkPin(0), s2.get());
  EXPECT_FALSE(s1->IsConnected());
}

TEST_F(OWPins, DestroyingALinkedPinClearsEveryReferenceToIt) {
  auto a = Source();
  auto s1 = Sink("s1");
  auto s2 = Sink("s2");
  ASSERT_TRUE(a->Connect(s1.get()));
  ASSERT_TRUE(a->ConnectAfter(s2.get(), s1.get()));
  EXPECT_EQ(a->GetAfterPin(s2.get()), s1.get());
  a->FunctionSources().Add(s1.get());
  TOWBasicPin* editor = s1.get();
  s1->CurrentEditorPtr = &editor;
  auto rec = MakeRef<EventRecorder>();
  rec->names[s1.get()] = "s1";
  {
    ListenerScope scope(rec);
    s1.reset();
  }
  EXPECT_EQ(editor, nullptr);
  EXPECT_EQ(a->SinkCount(), 1);
  EXPECT_EQ(a->GetAfterPin(s2.get()), nullptr);
  EXPECT_EQ(a->FunctionSources().Count(), 0);
  // Every link was gone before the pin reported that it goes.
  ASSERT_FALSE(rec->events.empty());
  EXPECT_EQ(rec->events.back(), "destroying s1");
  EXPECT_NE(std::find(rec->events.begin(), rec->events.end(), "unlinked s1-src"), rec->events.end());
}

TEST_F(OWPins, ListenersAreCalledInOrderAndAFailingOneDoesNotStopTheNext) {
  struct Throwing : IOWPinListener {
    int calls = 0;
    void PinChanged(TOWBasicPin*) override {
      ++calls;
      throw std::runtime_error("listener");
    }
  };
  auto first = MakeRef<Throwing>();
  auto second = MakeRef<EventRecorder>();
  auto a = Source();
  auto s = Sink("s");
  ASSERT_TRUE(s->Connect(a.get()));
  ListenerScope s1(first), s2(second);
  EXPECT_NO_THROW(s->Connect(nullptr));
  EXPECT_EQ(first->calls, 2);
  EXPECT_EQ(second->events, (std::vector<std::string>{"changed src", "unlinked s-src", "changed s"}));
}

TEST_F(OWPins, SinkListsIgnoreNilAndAbsentPinsAndRegisterDependants) {
  auto a = Source();
  auto s = Sink("s");
  a->FunctionSources().Add(nullptr);
  a->FunctionSources().Remove(s.get());
  EXPECT_EQ(a->FunctionSources().Count(), 0);
  a->FunctionSources().Add(s.get());
  EXPECT_EQ(s->FunctionDependantCount(), 1);
  EXPECT_TRUE(a->DirectDependsOn(s.get()));
  a->FunctionSources().Remove(s.get());
  EXPECT_EQ(s->FunctionDependantCount(), 0);
  TOWPinEntryList entries;
  EXPECT_EQ(entries.GetItemByPin(s.get()), nullptr);
}

// ---------------------------------------------------------------------------
// Delivery order, flags and re-ordering

TEST_F(OWPins, TheGraphCarriesOperationsSynchronouslyInLinkOrder) {
  // capture -> {tap, lowpass}; lowpass -> {playback, bandstop};
  // bandstop -> bandpass -> highpass.
  TTestSourcePin capture(owner.get(), {TypeA});
  auto tap = TComponent::CreateUnowned<TTestFilter>("tap", &log);
  auto lowpass = TComponent::CreateUnowned<TTestFilter>("lowpass", &log);
  auto playback = Sink("playback");
  auto bandstop = TComponent::CreateUnowned<TTestFilter>("bandstop", &log);
  auto bandpass = TComponent::CreateUnowned<TTestFilter>("bandpass", &log);
  auto highpass = TComponent::CreateUnowned<TTestFilter>("highpass", &log);
  ASSERT_TRUE(capture.Connect(tap->Input.get()));
  ASSERT_TRUE(capture.Connect(lowpass->Input.get()));
  ASSERT_TRUE(lowpass->Output->Connect(playback.get()));
  ASSERT_TRUE(lowpass->Output->Connect(bandstop->Input.get()));
  ASSERT_TRUE(bandstop->Output->Connect(bandpass->Input.get()));
  ASSERT_TRUE(bandpass->Output->Connect(highpass->Input.get()));

  Deliver(capture);
  EXPECT_EQ(log.Order(), (std::vector<std::string>{"tap", "lowpass*", "playback", "bandstop*", "bandpass*",
                                                   "highpass*"}));
  log.Clear();
  // Links of equal level take turns.
  Deliver(capture);
  EXPECT_EQ(log.Order(), (std::vector<std::string>{"lowpass", "bandstop", "bandpass*", "highpass*", "playback*",
                                                   "tap*"}));
  // One operation object reaches every sink.
  auto d = log.Deliveries();
  for (auto& c : d) EXPECT_EQ(c.operation, d[0].operation);
}

// Names of the links of a pin, in delivery order.
std::vector<std::string> LinkOrder(TOWSourcePin& pin) {
  std::vector<std::string> r;
  for (int i = 0; i < pin.SinkCount(); ++i) r.push_back(static_cast<TTestSinkPin*>(pin.GetSinkPin(i))->PinName());
  return r;
}

TEST_F(OWPins, ReorderingTable) {
  using V = std::vector<std::string>;
  auto a = Source();
  auto s1 = Sink("1");
  auto s2 = Sink("2");
  auto s3 = Sink("3");
  ASSERT_TRUE(a->Connect(s1.get()));
  ASSERT_TRUE(a->Connect(s2.get()));
  Deliver(*a);
  EXPECT_EQ(LinkOrder(*a), (V{"2", "1"}));
  Deliver(*a);
  EXPECT_EQ(LinkOrder(*a), (V{"1", "2"}));

  ASSERT_TRUE(a->Connect(s3.get()));
  Deliver(*a);
  EXPECT_EQ(LinkOrder(*a), (V{"3", "2", "1"}));
  Deliver(*a);
  EXPECT_EQ(LinkOrder(*a), (V{"1", "2", "3"}));

  // A sink that changed data moves behind the others and decays by 1.
  s1->reaction = [](IOWNotifyOperation*, TOWNotifyState) { return TOWNotifyResult{nrDataChanged}; };
  Deliver(*a);
  EXPECT_EQ(a->ModificationLevel(s1.get()), 3);
  EXPECT_EQ(LinkOrder(*a).back(), "1");
  s1->reaction = nullptr;
  Deliver(*a);
  EXPECT_EQ(a->ModificationLevel(s1.get()), 2);
  EXPECT_EQ(LinkOrder(*a).back(), "1");
  Deliver(*a);
  Deliver(*a);
  EXPECT_EQ(a->ModificationLevel(s1.get()), 0);
}

TEST_F(OWPins, MoreLinksThanTheSnapshotKeepsOnTheStack) {
  auto a = Source();
  std::vector<std::unique_ptr<TTestSinkPin>> sinks;
  std::vector<std::string> want;
  for (int i = 0; i < 10; ++i) {
    sinks.push_back(Sink(std::to_string(i)));
    ASSERT_TRUE(a->Connect(sinks.back().get()));
    want.push_back(std::to_string(i));
  }
  want.back() += "*";
  Deliver(*a);
  EXPECT_EQ(log.Order(), want);
}

TEST_F(OWPins, ALinkWithAnAfterPinIsServedAfterThatPin) {
  auto a = Source();
  auto s1 = Sink("1");
  auto s2 = Sink("2");
  auto s3 = Sink("3");
  ASSERT_TRUE(a->Connect(s1.get()));
  ASSERT_TRUE(a->ConnectAfter(s2.get(), s1.get()));
  ASSERT_TRUE(a->Connect(s3.get()));
  for (int i = 0; i < 4; ++i) {
    Deliver(*a);
    auto order = LinkOrder(*a);
    EXPECT_LT(std::find(order.begin(), order.end(), "1"), std::find(order.begin(), order.end(), "2")) << i;
  }
}

TEST_F(OWPins, NotifyPinCallsOnlyThatLinkWithTheFlagOnlyWhenItIsLast) {
  auto a = Source();
  auto s1 = Sink("1");
  auto s2 = Sink("2");
  ASSERT_TRUE(a->Connect(s1.get()));
  ASSERT_TRUE(a->Connect(s2.get()));
  a->NotifyPin(s1.get(), MakeRef<TOWNotifyOperation>().get());  // [1, 2]: 1 is first
  EXPECT_EQ(log.Order(), std::vector<std::string>{"1"});
  log.Clear();
  a->NotifyPin(s1.get(), MakeRef<TOWNotifyOperation>().get());  // [2, 1]: 1 is last
  EXPECT_EQ(log.Order(), std::vector<std::string>{"1*"});
  log.Clear();
  a->NotifyPin(s1.get(), MakeRef<TOWNotifyOperation>().get());  // back to [1, 2]: no call carries the flag
  EXPECT_EQ(log.Order(), std::vector<std::string>{"1"});
}

TEST_F(OWPins, AnUnlinkedOrTypelessDeliveryIsASilentNoOp) {
  auto a = Source();
  EXPECT_NO_THROW(Deliver(*a));
  // A link whose type nobody carries receives nothing.
  a->AddType(TypeB);  // listed, without a function and without a registered one
  auto s = Sink("s", {TypeB});
  s->SetIgnoreUpstream(true);
  ASSERT_TRUE(s->Connect(a.get()));
  Deliver(*a);
  EXPECT_TRUE(log.Deliveries().empty());
}

// ---------------------------------------------------------------------------
// Locks, depth and failures

TEST_F(OWPins, ASubmitFunctionRunsWithoutTheSendersLocksWhichComeBackInputFirst) {
  testing_locks::WithWatchdog([&] {
    auto f = TComponent::CreateUnowned<TTestFilter>("f", &log);
    auto s = Sink("s");
    ASSERT_TRUE(f->Output->Connect(s.get()));
    uint32_t self = GetCurrentThreadId();
    bool probed = false;
    uint32_t ownerDuring = 1;
    s->reaction = [&](IOWNotifyOperation*, TOWNotifyState) {
      ownerDuring = Owner(f->InputLock) | Owner(f->OutputLock);
      std::thread probe([&] {
        auto i = f->InputLock->WriteLock();
        auto o = f->OutputLock->WriteLock();
        probed = i && o;
      });
      probe.join();
      return TOWNotifyResult{};
    };
    auto in1 = f->InputLock->WriteLock();
    auto in2 = f->InputLock->ReadLock();
    auto out1 = f->OutputLock->WriteLock();
    auto rec = MakeRef<testing_locks::Recorder>();
    AddLockListener(rec);
    Deliver(*f->Output);
    RemoveLockListener(rec);
    EXPECT_TRUE(probed);
    EXPECT_EQ(ownerDuring, 0u);
    EXPECT_EQ(Owner(f->InputLock), self);
    EXPECT_EQ(Holds(f->InputLock), 2);
    EXPECT_EQ(Owner(f->OutputLock), self);
    EXPECT_EQ(Holds(f->OutputLock), 1);
    auto back = rec->LocksOf(TOWLockEvent::UnlockDestroy);
    std::vector<TOWLock*> owners;
    for (TOWLock* l : back)
      if (l == f->InputLock->Instance() || l == f->OutputLock->Instance()) owners.push_back(l);
    EXPECT_EQ(owners, (std::vector<TOWLock*>{f->InputLock->Instance(), f->OutputLock->Instance()}));
  });
}

TEST_F(OWPins, ADeliveryReturningToItsPinIsRefusedAtDepth201) {
  auto f = TComponent::CreateUnowned<TTestFilter>("f", &log);
  auto s = Sink("s");
  ASSERT_TRUE(f->Output->Connect(s.get()));
  s->reaction = [&](IOWNotifyOperation* op, TOWNotifyState) { return f->Output->Notify(op); };
  auto out = f->OutputLock->WriteLock();
  try {
    Deliver(*f->Output);
    FAIL() << "no exception";
  } catch (const EOWException& e) {
    EXPECT_STREQ(e.what(), "The pin depends on itself. Please protect with functional dependency.");
  }
  EXPECT_EQ(s->received, 201);
  EXPECT_EQ(f->Output->InSending(), 0);
  EXPECT_EQ(Holds(f->OutputLock), 1);
  EXPECT_EQ(Owner(f->OutputLock), GetCurrentThreadId());
  EXPECT_EQ(Holds(f->Output->Lock()), 0);
  // The pin still works.
  s->reaction = nullptr;
  s->received = 0;
  Deliver(*f->Output);
  EXPECT_EQ(s->received, 1);
}

TEST_F(OWPins, ALinkAnnouncementReturningToItsPinIsRefusedAtDepth11) {
  struct Echo : TTestSinkPin {
    using TTestSinkPin::TTestSinkPin;
    TOWSourcePin* source = nullptr;
    int announcements = 0;
    TOWNotifyResult Receive(const Guid& id, IOWNotifyOperation* op, TOWNotifyState s) override {
      if (s.Contains(nsNewLink) && source) {
        ++announcements;
        source->NotifyNewLinkTo(this);
      }
      return TTestSinkPin::Receive(id, op, s);
    }
  };
  auto a = Source();
  Echo s(owner.get(), "s", &log, {TypeA});
  ASSERT_TRUE(s.Connect(a.get()));
  s.source = a.get();
  EXPECT_THROW(a->NotifyNewLinkTo(&s), EOWException);
  EXPECT_EQ(s.announcements, 11);
  EXPECT_EQ(a->InSending(), 0);
  // Announcements still work afterwards.
  s.source = nullptr;
  EXPECT_NO_THROW(a->NotifyNewLinkTo(&s));
}

TEST_F(OWPins, ARaisingSinkStopsTheRemainingLinksAndTheExceptionReachesTheCaller) {
  auto f = TComponent::CreateUnowned<TTestFilter>("f", &log);
  auto s1 = Sink("1");
  auto s2 = Sink("2");
  ASSERT_TRUE(f->Output->Connect(s1.get()));
  ASSERT_TRUE(f->Output->Connect(s2.get()));
  s1->reaction = [](IOWNotifyOperation*, TOWNotifyState) -> TOWNotifyResult { throw std::runtime_error("sink"); };
  auto in = f->InputLock->WriteLock();
  EXPECT_THROW(Deliver(*f->Output), std::runtime_error);
  EXPECT_EQ(s2->received, 0);
  EXPECT_EQ(f->Output->InSending(), 0);
  EXPECT_EQ(Holds(f->InputLock), 1);
  EXPECT_EQ(Holds(f->Output->Lock()), 0);
  EXPECT_EQ(f->Output->DestroyLockObject().LockCounter(), 0);
}

// ---------------------------------------------------------------------------
// Upstream

struct UpstreamSink : TTestSinkPin {
  UpstreamSink(TComponent* owner, Ref<IOWLock> lock, std::vector<Guid> types = {TypeA})
      : TTestSinkPin(owner, "up", nullptr, {}, std::move(lock)) {
    for (auto& t : types) AddType(t, TOWSubmit::Of<&UpstreamSink::Up>(this));
  }
  TOWNotifyResult Up(IOWStream* handler, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState s) {
    ++calls;
    last = s.Contains(nsLastIteration);
    target = handler->StreamPin();
    ownerFree = !OwnerLock() || OwnerLock()->Instance()->GetCounts().owningThread != GetCurrentThreadId();
    return {nrDataChanged};
  }
  int calls = 0;
  bool last = false, ownerFree = false;
  TOWBasicPin* target = nullptr;
};

TEST_F(OWPins, UpstreamNotifyReachesTheSourceOnceWithoutTheOwnersLock) {
  Ref<IOWLock> lock = MakeRef<TOWLock>();
  UpstreamSink s(owner.get(), lock);
  auto op = MakeRef<TOWNotifyOperation>();
  EXPECT_EQ(s.Notify(op.get()), TOWNotifyResult{});
  EXPECT_EQ(s.calls, 0);

  auto a = Source();
  ASSERT_TRUE(s.Connect(a.get()));
  auto held = lock->WriteLock();
  EXPECT_EQ(s.Notify(op.get()), TOWNotifyResult{nrDataChanged});
  EXPECT_EQ(s.calls, 1);
  EXPECT_TRUE(s.last);
  EXPECT_TRUE(s.ownerFree);
  EXPECT_EQ(s.target, a.get());
  EXPECT_EQ(Holds(lock), 1);
  held = nullptr;

  // While another thread stops the owner's lock, nothing is sent.
  std::promise<void> stopped, done;
  std::thread stopper([&] {
    auto stop = lock->StopLock();
    stopped.set_value();
    done.get_future().wait();
  });
  stopped.get_future().wait();
  EXPECT_EQ(s.Notify(op.get()), TOWNotifyResult{});
  EXPECT_EQ(s.calls, 1);
  done.set_value();
  stopper.join();
}

TEST_F(OWPins, UpstreamThroughAConverterReachesTheConvertersOutputPin) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  auto a = Source({TypeA});
  UpstreamSink b(owner.get(), nullptr, {TypeB});
  ASSERT_TRUE(b.Connect(a.get()));
  ASSERT_TRUE(b.FormatConverter());
  TOWSourcePin* convOut = b.FormatConverter()->Instance()->OutputPin();
  EXPECT_EQ(b.ConnectionSourcePin(), convOut);
  EXPECT_EQ(b.SourcePin(), a.get());
  EXPECT_TRUE(a->IsConnectedByConverterTo(&b));
  EXPECT_TRUE(b.IsConnectedByConverterTo(a.get()));
  EXPECT_EQ(b.UpStreamID(), TypeB);
  b.Notify(MakeRef<TOWNotifyOperation>().get());
  EXPECT_EQ(b.calls, 1);
  EXPECT_EQ(b.target, convOut);
}

// ---------------------------------------------------------------------------
// Converters in links

TEST_F(OWPins, AConverterIsPlacedWhenNoTypeIsShared) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  auto a = Source({TypeA});
  auto b = Sink("b", {TypeB});
  auto direct = Sink("direct", {TypeA});
  ASSERT_TRUE(a->Connect(b.get()));
  ASSERT_TRUE(a->Connect(direct.get()));
  EXPECT_EQ(a->ConverterCount(), 1);
  EXPECT_EQ(a->GetConnectionID(b.get()), TypeA);
  EXPECT_EQ(b->DownStreamID(), TypeA);
  RegisterStreamTypeName(TypeA, "A");
  EXPECT_EQ(b->DownStreamLinkName(), "A");
  EXPECT_EQ(direct->UpStreamLinkName(), "A");
  EXPECT_EQ(Sink("unlinked")->UpStreamLinkName(), "");
  Deliver(*a);
  EXPECT_EQ(TAToBConverter::calls, 1);
  auto d = log.Deliveries();
  ASSERT_EQ(d.size(), 2u);
  // The converter's output carries B to the sink.
  auto it = std::find_if(d.begin(), d.end(), [](const Call& c) { return c.pin == "b"; });
  ASSERT_NE(it, d.end());
  EXPECT_EQ(it->id, TypeB);
}

TEST_F(OWPins, TwoLinksThroughOneConverterMakeOneConverterCallPerDelivery) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  auto a = Source({TypeA});
  auto b1 = Sink("b1", {TypeB});
  auto b2 = Sink("b2", {TypeB});
  ASSERT_TRUE(a->Connect(b1.get()));
  ASSERT_TRUE(a->Connect(b2.get()));
  ASSERT_EQ(TAToBConverter::alive, 1);
  Deliver(*a);
  EXPECT_EQ(TAToBConverter::calls, 1);
  EXPECT_EQ(b1->received, 1);
  EXPECT_EQ(b2->received, 1);
}

TEST_F(OWPins, AConverterLivesExactlyAsLongAsItsReferences) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  auto a = Source({TypeA});
  auto b1 = Sink("b1", {TypeB});
  auto b2 = Sink("b2", {TypeB});
  ASSERT_TRUE(a->Connect(b1.get()));
  ASSERT_TRUE(a->Connect(b2.get()));
  Ref<IOWFormatConverter> extra = b1->FormatConverter();
  b1->Connect(nullptr);
  EXPECT_EQ(a->ConverterCount(), 1);  // b2 still goes through it
  b2->Connect(nullptr);
  EXPECT_EQ(a->ConverterCount(), 0);
  EXPECT_EQ(TAToBConverter::alive, 1);  // the extra reference
  EXPECT_FALSE(extra->Instance()->OutputPin()->IsConnected());
  extra = nullptr;
  EXPECT_EQ(TAToBConverter::alive, 0);
}

TEST_F(OWPins, ConverterPinsAndTheBaseConverter) {
  Ref<IOWFormatConverter> base = TOWFormatConverter::CreateConverter();
  EXPECT_EQ(base->Instance()->InputPin(), nullptr);
  EXPECT_EQ(base->Instance()->OutputPin(), nullptr);

  Ref<IOWFormatConverter> c = TAToBConverter::CreateConverter();
  TOWFormatConverter* conv = c->Instance();
  EXPECT_EQ(conv->Owner(), nullptr);
  EXPECT_TRUE(conv->OutputPin()->DependsOn(conv->InputPin()));
  // Anything the input depends on, the output depends on.
  auto a = Source({TypeA});
  ASSERT_TRUE(conv->InputPin()->Connect(a.get()));
  EXPECT_TRUE(conv->OutputPin()->DependsOn(a.get()));
  EXPECT_EQ(conv->ForwardUpstream(nullptr, TypeB, MakeRef<TOWNotifyOperation>().get(), {}), TOWNotifyResult{});
  c = nullptr;
  EXPECT_EQ(a->SinkCount(), 0);
}

// A source that notes, for each RemoveConnection it gets, whether the link
// was still there.
class TWatchingSource : public TTestSourcePin {
 public:
  using TTestSourcePin::TTestSourcePin;
  std::vector<std::pair<TOWBasicPin*, bool>> removals;
  void RemoveConnection(TOWBasicPin* APin, bool AKeepUnloaded) override {
    removals.emplace_back(APin, IsConnectedTo(APin));
    TTestSourcePin::RemoveConnection(APin, AKeepUnloaded);
  }
};

TEST_F(OWPins, DropSinkLinkDropsOneLinkAtBothEndsAndASubclassSeesItFirst) {
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  TWatchingSource a(owner.get(), {TypeA});
  auto s1 = Sink("s1");
  auto s2 = Sink("s2");
  auto b = Sink("b", {TypeB});  // through a converter
  ASSERT_TRUE(a.Connect(s1.get()));
  ASSERT_TRUE(a.Connect(s2.get()));
  ASSERT_TRUE(a.Connect(b.get()));
  ASSERT_EQ(a.ConverterCount(), 1);
  auto rec = MakeRef<EventRecorder>();
  rec->names[&a] = "src";
  {
    TOWFormatConverter* conv = b->FormatConverter()->Instance();
    rec->names[conv->InputPin()] = "conv.in";
    rec->names[conv->OutputPin()] = "conv.out";
  }
  struct Case {
    TTestSinkPin* sink;
    std::vector<std::string> events;
    std::vector<TOWBasicPin*> left;
  } cases[] = {
      {s1.get(), {"unlinked src-s1", "changed src"}, {s2.get(), b.get()}},
      // The converter's output drops its side, then the converter goes.
      {b.get(),
       {"unlinked src-b", "changed conv.out", "destroying conv.in", "destroying conv.out", "changed src"},
       {s2.get()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sink->PinName());
    a.removals.clear();
    rec->events.clear();
    {
      ListenerScope listening(rec);
      a.DropSinkLink(c.sink);
    }
    // The subclass heard of the link first, while it still stood; the
    // second call is the base removal.
    ASSERT_EQ(a.removals.size(), 2u);
    EXPECT_EQ(a.removals[0], std::make_pair(static_cast<TOWBasicPin*>(c.sink), true));
    EXPECT_EQ(a.removals[1].first, c.sink);
    EXPECT_EQ(c.sink->SourcePin(), nullptr);
    EXPECT_FALSE(a.IsConnectedTo(c.sink));
    std::vector<TOWBasicPin*> left;
    for (int i = 0; i < a.SinkCount(); ++i) left.push_back(a.GetSinkPin(i));
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(rec->events, c.events);
  }
  // The converter went with its last link; the remaining link still carries.
  EXPECT_EQ(a.ConverterCount(), 0);
  EXPECT_EQ(TAToBConverter::alive, 0);
  log.Clear();
  Deliver(a);
  EXPECT_EQ(log.Order(), std::vector<std::string>{"s2*"});
  EXPECT_EQ(s1->received, 0);
}

}  // namespace
}  // namespace tavrel
