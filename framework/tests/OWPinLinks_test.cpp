// Pin names, placeholders and pin links read from and written to form data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/OWPinNames.h"
#include "framework/OWPinStreaming.h"
#include "framework/tests/pin_links_fixtures.h"
#include "platform/exceptions.h"
#include "platform/formtext.h"
#include "platform/forms.h"

namespace tavrel {
namespace {

using namespace pin_links;

class PinLinksTest : public testing::Test {
 protected:
  void SetUp() override { RegisterLinkClasses(); }
  void TearDown() override {
    ClearUnloadedPins();
    EXPECT_TRUE(UnloadedPins().empty());
  }
};

TEST_F(PinLinksTest, NamesFollowThePropertyPathFromTheOwner) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* lp = TComponent::Create<TLinkFilter>(form.get());
  lp->SetName("ALLowPass1");
  auto* mixer = TComponent::Create<TLinkMixer>(form.get());
  mixer->SetName("Mix");
  for (int i = 0; i < 4; ++i) mixer->Channels()->Add();
  TOWSinkPin orphan(nullptr);

  struct Case {
    TOWBasicPin* pin;
    std::string display, displayNoRoot, ident, save, root;
  } cases[] = {
      {lp->OutputPin(), "fmMain.ALLowPass1.OutputPin", "ALLowPass1.OutputPin", "fmMain.ALLowPass1.OutputPin",
       "OutputPin", "fmMain"},
      {mixer->Channel(3), "fmMain.Mix.Channels[3].Pin", "Mix.Channels[3].Pin", "fmMain.Mix.Channels._Item3.Pin",
       "Channels._Item3.Pin", "fmMain"},
      {&orphan, "(No owner)", "(No owner)", "(No owner)", "(No owner)", ""},
  };
  for (auto& c : cases) {
    EXPECT_EQ(c.pin->GetFullName(true), c.display);
    EXPECT_EQ(c.pin->GetFullName(false), c.displayNoRoot);
    EXPECT_EQ(c.pin->GetFullIdentName(true), c.ident);
    EXPECT_EQ(c.pin->GetSaveName(), c.save);
    EXPECT_EQ(c.pin->GetRootName(), c.root);
  }
  // A pin of a component that is the root itself carries no extra root segment.
  auto alone = TComponent::CreateUnowned<TLinkFilter>();
  alone->SetName("Solo");
  EXPECT_EQ(alone->InputPin()->GetFullName(true), "Solo.InputPin");
}

TEST_F(PinLinksTest, AForwardReferenceMakesOnePlaceholderThatTheRealPinAdopts) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* out = TComponent::Create<TLinkAudioOut>(form.get());
  out->SetName("ALAudioOut1");
  const std::string name = "fmMain.ALLowPass1.OutputPin";

  TOWBasicPin* p = PinGetByNameCreate(form.get(), TOWPinType::ptSource, name, name, "fmMain.ALAudioOut1.InputPin");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetPinType(), TOWPinType::ptSource);
  EXPECT_EQ(p->GetFullName(false), "ALLowPass1.OutputPin");
  EXPECT_EQ(PinGetByNameCreate(form.get(), TOWPinType::ptSource, name, name, "x"), p);
  EXPECT_EQ(PinGetByNameCreate(form.get(), TOWPinType::ptSource, "", name, "x"), nullptr);
  ASSERT_TRUE(out->InputPin()->Connect(p));
  EXPECT_EQ(out->InputPin()->SourcePin(), p);
  EXPECT_TRUE(p->IsConnectedTo(out->InputPin()));

  auto* lp = TComponent::Create<TLinkFilter>(form.get());
  lp->SetName("ALLowPass1");
  lp->OutputPin()->AdoptUnloadedPin();
  EXPECT_EQ(out->InputPin()->SourcePin(), lp->OutputPin());
  EXPECT_EQ(Sinks(lp->OutputPin()), std::vector<TOWBasicPin*>{out->InputPin()});
  EXPECT_TRUE(UnloadedPins().empty());
  auto all = RegisteredPins();
  EXPECT_EQ(std::find(all.begin(), all.end(), p), all.end());
  EXPECT_EQ(PinGetByIdentName(form.get(), name), lp->OutputPin());
}

TEST_F(PinLinksTest, APlaceholderWithoutLinksGoesWhenItsLastLinkIsDropped) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* out = TComponent::Create<TLinkAudioOut>(form.get());
  out->SetName("Out");
  TOWBasicPin* p = PinGetByNameCreate(form.get(), TOWPinType::ptSource, "fmMain.Gone.OutputPin",
                                      "fmMain.Gone.OutputPin", "");
  ASSERT_TRUE(out->InputPin()->Connect(p));
  out->InputPin()->Disconnect();
  EXPECT_TRUE(UnloadedPins().empty());
  EXPECT_EQ(out->InputPin()->SourcePin(), nullptr);
}

// The main window's graph, stored in the order the form data keeps it.
constexpr const char* kMainWindow = R"(
object fmMain: TLinkForm
  object ALAudioOut1: TLinkAudioOut
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALLowPass1.OutputPin
  end
  object ALAudioIn1: TLinkAudioIn
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALGenericFilter1.InputPin
      fmMain.ALLowPass1.InputPin)
  end
  object ALGenericFilter1: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALAudioIn1.OutputPin
  end
  object ALBandStop1: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALLowPass1.OutputPin
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALBandPass1.InputPin)
  end
  object ALBandPass1: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALBandStop1.OutputPin
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALHighPass1.InputPin)
  end
  object ALLowPass1: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALAudioIn1.OutputPin
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALBandStop1.InputPin
      fmMain.ALAudioOut1.InputPin)
  end
  object ALHighPass1: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALBandPass1.OutputPin
  end
end
)";

struct MainGraph {
  TLinkAudioOut* out;
  TLinkAudioIn* in;
  TLinkFilter *generic, *bandStop, *bandPass, *lowPass, *highPass;
};

MainGraph Graph(TComponent* form) {
  return {Find<TLinkAudioOut>(form, "ALAudioOut1"),    Find<TLinkAudioIn>(form, "ALAudioIn1"),
          Find<TLinkFilter>(form, "ALGenericFilter1"), Find<TLinkFilter>(form, "ALBandStop1"),
          Find<TLinkFilter>(form, "ALBandPass1"),      Find<TLinkFilter>(form, "ALLowPass1"),
          Find<TLinkFilter>(form, "ALHighPass1")};
}

// AInSinks: the capture's sinks in their order (the order read when empty).
void ExpectMainGraph(const MainGraph& g, std::vector<TOWBasicPin*> AInSinks = {}) {
  using V = std::vector<TOWBasicPin*>;
  if (AInSinks.empty()) AInSinks = {g.generic->InputPin(), g.lowPass->InputPin()};
  EXPECT_EQ(Sinks(g.in->OutputPin()), AInSinks);
  EXPECT_EQ(Sinks(g.lowPass->OutputPin()), (V{g.bandStop->InputPin(), g.out->InputPin()}));
  EXPECT_EQ(Sinks(g.bandStop->OutputPin()), V{g.bandPass->InputPin()});
  EXPECT_EQ(Sinks(g.bandPass->OutputPin()), V{g.highPass->InputPin()});
  EXPECT_EQ(Sinks(g.highPass->OutputPin()), V{});
  EXPECT_EQ(Sinks(g.generic->OutputPin()), V{});
  EXPECT_EQ(g.out->InputPin()->SourcePin(), g.lowPass->OutputPin());
  EXPECT_EQ(g.generic->InputPin()->SourcePin(), g.in->OutputPin());
  EXPECT_EQ(g.lowPass->InputPin()->SourcePin(), g.in->OutputPin());
  EXPECT_EQ(g.bandStop->InputPin()->SourcePin(), g.lowPass->OutputPin());
  EXPECT_EQ(g.bandPass->InputPin()->SourcePin(), g.bandStop->OutputPin());
  EXPECT_EQ(g.highPass->InputPin()->SourcePin(), g.bandPass->OutputPin());
}

TEST_F(PinLinksTest, TheMainWindowGraphStandsOnceItsFormDataIsRead) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*form, ObjectTextToBinary(kMainWindow));
  ASSERT_EQ(form->ComponentCount(), 7);
  MainGraph g = Graph(form.get());
  ExpectMainGraph(g);
  EXPECT_TRUE(UnloadedPins().empty());
  // Every component was set up once, after loading, with its links made.
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* c = dynamic_cast<TLinkProbe*>(form->Components(i));
    ASSERT_EQ(c->setUps.size(), 1u) << c->Name();
    EXPECT_FALSE(c->setUps[0].justCreated);
    EXPECT_TRUE(c->setUps[0].linked || c == g.in) << c->Name();
  }
  // Data runs down the graph read from the form.
  Ref<IOWNotifyOperation> op = MakeRef<TOWNotifyOperation>();
  g.in->OutputPin()->Notify(op.get());
  EXPECT_EQ(g.out->InputPin()->received, 0);  // filters here do not pass data on
  EXPECT_EQ(g.lowPass->InputPin()->received, 1);
  EXPECT_EQ(g.generic->InputPin()->received, 1);

  // Written again, the form reads back into the same graph, its links in
  // the order written (delivery takes the capture's sinks in turns).
  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  bool swapped = Sinks(g.in->OutputPin())[0] == g.lowPass->InputPin();
  auto copy = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*copy, bytes);
  MainGraph c = Graph(copy.get());
  using V = std::vector<TOWBasicPin*>;
  ExpectMainGraph(c, swapped ? V{c.lowPass->InputPin(), c.generic->InputPin()} : V{});
  EXPECT_EQ(WriteRootComponent(*copy), bytes);
  EXPECT_TRUE(UnloadedPins().empty());
}

// Link order is delivery order, so reading keeps the stored order of a
// source's sinks whichever end of each link is read first.
TEST_F(PinLinksTest, ReadingKeepsTheStoredOrderOfASourcesSinks) {
  struct Case {
    const char* what;
    const char* form;
  };
  const Case cases[] = {
      {"sinks read before the source", R"(
object fmMain: TLinkForm
  object A: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
  object B: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
  object C: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
  object S: TLinkAudioIn
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (fmMain.B.InputPin fmMain.C.InputPin fmMain.A.InputPin)
  end
end
)"},
      {"the source between its sinks", R"(
object fmMain: TLinkForm
  object A: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
  object S: TLinkAudioIn
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (fmMain.B.InputPin fmMain.C.InputPin fmMain.A.InputPin)
  end
  object B: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
  object C: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
end
)"},
      {"a sink that stores no link of its own", R"(
object fmMain: TLinkForm
  object A: TLinkFilter
  end
  object S: TLinkAudioIn
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (fmMain.B.InputPin fmMain.C.InputPin fmMain.A.InputPin)
  end
  object C: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
  object B: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.S.OutputPin
  end
end
)"},
  };
  auto sinkNames = [](TComponent* form) {
    std::vector<std::string> r;
    for (TOWBasicPin* p : Sinks(Find<TLinkAudioIn>(form, "S")->OutputPin())) r.push_back(p->GetFullName(false));
    return r;
  };
  const std::vector<std::string> stored{"B.InputPin", "C.InputPin", "A.InputPin"};
  for (const Case& c : cases) {
    auto form = TComponent::CreateUnowned<TLinkForm>();
    ReadRootComponent(*form, ObjectTextToBinary(c.form));
    EXPECT_EQ(sinkNames(form.get()), stored) << c.what;
    EXPECT_TRUE(UnloadedPins().empty()) << c.what;
    std::vector<uint8_t> bytes = WriteRootComponent(*form);
    auto copy = TComponent::CreateUnowned<TLinkForm>();
    ReadRootComponent(*copy, bytes);
    EXPECT_EQ(sinkNames(copy.get()), stored) << c.what;
    EXPECT_EQ(WriteRootComponent(*copy), bytes) << c.what;
  }
}

TEST_F(PinLinksTest, NamesStoredUnderOneFormNameResolveInAFormReadUnderAnother) {
  auto holder = TComponent::CreateUnowned<TLinkForm>();
  auto* first = TComponent::Create<TLinkForm>(holder.get());
  ReadRootComponent(*first, ObjectTextToBinary(kMainWindow));
  auto* second = TComponent::Create<TLinkForm>(holder.get());
  ReadRootComponent(*second, ObjectTextToBinary(kMainWindow));
  EXPECT_EQ(first->Name(), "fmMain");
  ASSERT_EQ(second->Name(), "fmMain_1");
  ExpectMainGraph(Graph(first));
  MainGraph g = Graph(second);
  ExpectMainGraph(g);
  EXPECT_EQ(g.lowPass->OutputPin()->GetFullName(true), "fmMain_1.ALLowPass1.OutputPin");
  EXPECT_TRUE(UnloadedPins().empty());
}

TEST_F(PinLinksTest, ASourceThatNeverAppearsLeavesTheSinkOnANamedPlaceholder) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*form, ObjectTextToBinary(R"(
object fmMain: TLinkForm
  object ALAudioOut1: TLinkAudioOut
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALMissing1.OutputPin
  end
end
)"));
  auto* out = Find<TLinkAudioOut>(form.get(), "ALAudioOut1");
  TOWBasicPin* s = out->InputPin()->SourcePin();
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(UnloadedPins().size(), 1u);
  EXPECT_EQ(s, UnloadedPins()[0]);
  EXPECT_EQ(s->GetPinType(), TOWPinType::ptSource);
  EXPECT_EQ(s->GetFullIdentName(true), "fmMain.ALMissing1.OutputPin");
  EXPECT_EQ(UnloadedPins()[0]->CreatedFrom(), "fmMain.ALAudioOut1.InputPin");
  // Written again, the sink still names the missing pin.
  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  EXPECT_TRUE(Contains(bytes, Ident("fmMain.ALMissing1.OutputPin")));
  form.reset();
  EXPECT_TRUE(UnloadedPins().empty());  // the sink went, and with it the placeholder's last link
}

TEST_F(PinLinksTest, AllFourSinkEntryEncodingsRoundTrip) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* src = TComponent::Create<TLinkAudioIn>(form.get());
  src->SetName("Src");
  auto* f1 = TComponent::Create<TLinkFilter>(form.get());
  f1->SetName("F1");
  auto* f2 = TComponent::Create<TLinkFilter>(form.get());
  f2->SetName("F2");
  auto* mix = TComponent::Create<TLinkMixer>(form.get());
  mix->SetName("Mix");
  mix->Channels()->Add();
  mix->Channels()->Add();
  auto* quiet = TComponent::Create<TLinkAudioIn>(form.get());
  quiet->SetName("Quiet");
  TOWSourcePin* out = src->OutputPin();
  ASSERT_TRUE(out->Connect(f1->InputPin()));                          // identifier
  ASSERT_TRUE(out->ConnectAfter(f2->InputPin(), f1->InputPin()));     // identifier, after-pin
  ASSERT_TRUE(out->Connect(mix->Channel(0)));                         // identifier, display
  ASSERT_TRUE(out->ConnectAfter(mix->Channel(1), f2->InputPin()));    // all three

  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  EXPECT_TRUE(Contains(bytes, Join({{1}, Ident("fmMain.F1.InputPin")})));
  EXPECT_TRUE(Contains(bytes, Join({{1},
                                    Ident("fmMain.Mix.Channels._Item1.Pin"),
                                    Ident("fmMain.F2.InputPin"),
                                    Str("fmMain.Mix.Channels[1].Pin"),
                                    {0}})));
  // The source with an after-pin, at the sink: ((name) after-pin).
  EXPECT_TRUE(Contains(bytes, Join({{1, 1}, Ident("fmMain.Src.OutputPin"), Ident("fmMain.F1.InputPin"), {0, 0}})));
  // A source without sinks stores neither its sinks nor its form (Quiet is
  // stored last).
  std::string text(bytes.begin(), bytes.end());
  size_t at = text.find("Quiet");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.find("OutputPin", at), std::string::npos);

  auto copy = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*copy, bytes);
  EXPECT_TRUE(UnloadedPins().empty());
  auto* rsrc = Find<TLinkAudioIn>(copy.get(), "Src");
  auto* r1 = Find<TLinkFilter>(copy.get(), "F1");
  auto* r2 = Find<TLinkFilter>(copy.get(), "F2");
  auto* rmix = Find<TLinkMixer>(copy.get(), "Mix");
  ASSERT_EQ(rmix->Channels()->Count(), 2);
  TOWSourcePin* rout = rsrc->OutputPin();
  EXPECT_EQ(Sinks(rout), (std::vector<TOWBasicPin*>{r1->InputPin(), r2->InputPin(), rmix->Channel(0), rmix->Channel(1)}));
  EXPECT_EQ(rout->GetAfterPin(r1->InputPin()), nullptr);
  EXPECT_EQ(rout->GetAfterPin(r2->InputPin()), r1->InputPin());
  EXPECT_EQ(rout->GetAfterPin(rmix->Channel(0)), nullptr);
  EXPECT_EQ(rout->GetAfterPin(rmix->Channel(1)), r2->InputPin());
  EXPECT_EQ(rmix->Channel(1)->SourcePin(), rout);
  EXPECT_EQ(Sinks(Find<TLinkAudioIn>(copy.get(), "Quiet")->OutputPin()), std::vector<TOWBasicPin*>{});
  EXPECT_EQ(WriteRootComponent(*copy), bytes);
}

TEST_F(PinLinksTest, OnlyNamesUnderTheStoredRootFollowedByADotAreReRooted) {
  auto holder = TComponent::CreateUnowned<TLinkForm>();
  auto* first = TComponent::Create<TLinkForm>(holder.get());
  first->SetName("fmMain");
  auto* form = TComponent::Create<TLinkForm>(holder.get());
  ReadRootComponent(*form, ObjectTextToBinary(
                               "object fmMain: TLinkForm\n object A: TLinkAudioOut\n  InputPin.Form = fmMain\n end\nend\n"));
  ASSERT_EQ(form->Name(), "fmMain_1");
  TOWPin* pin = Find<TLinkAudioOut>(form, "A")->InputPin();
  EXPECT_EQ(pin->LoadFormName(), "fmMain");
  const std::pair<const char*, const char*> cases[] = {
      {"fmMain.X.Pin", "fmMain_1.X.Pin"},
      {"fmMain2.X.Pin", "fmMain2.X.Pin"},
      {"fmMain", "fmMain"},
      {"Other.X.Pin", "Other.X.Pin"},
  };
  for (auto& [stored, read] : cases) EXPECT_EQ(pin->ReRootName(stored), read) << stored;
}

TEST_F(PinLinksTest, LookUpsKeepEachRootsPinsApart) {
  auto holder = TComponent::CreateUnowned<TLinkForm>();
  auto* a = TComponent::Create<TLinkForm>(holder.get());
  a->SetName("fmA");
  auto* b = TComponent::Create<TLinkForm>(holder.get());
  b->SetName("fmB");
  auto* fa = TComponent::Create<TLinkFilter>(a);
  fa->SetName("F");
  auto* fb = TComponent::Create<TLinkFilter>(b);
  fb->SetName("F");
  EXPECT_EQ(PinGetByIdentName(a, "F.InputPin"), fa->InputPin());
  EXPECT_EQ(PinGetByIdentName(b, "F.InputPin"), fb->InputPin());
  EXPECT_EQ(PinGetByIdentName(a, "fmB.F.InputPin"), fb->InputPin());
  EXPECT_EQ(PinGetByIdentName(b, "fmA.F.OutputPin"), fa->OutputPin());
  EXPECT_EQ(PinGetByDisplayName(b, "F.OutputPin"), fb->OutputPin());
  EXPECT_EQ(PinGetByIdentName(a, "fmA.G.InputPin"), nullptr);
}

TEST_F(PinLinksTest, LinkTextsNameTheOtherEndWithItsRootOnlyWhenItDiffers) {
  auto holder = TComponent::CreateUnowned<TLinkForm>();
  auto* a = TComponent::Create<TLinkForm>(holder.get());
  a->SetName("fmA");
  auto* b = TComponent::Create<TLinkForm>(holder.get());
  b->SetName("fmB");
  auto* src = TComponent::Create<TLinkAudioIn>(a);
  src->SetName("In");
  auto* near = TComponent::Create<TLinkFilter>(a);
  near->SetName("Near");
  auto* far = TComponent::Create<TLinkFilter>(b);
  far->SetName("Far");
  TOWSourcePin* out = src->OutputPin();
  EXPECT_EQ(GetLinkDisplayName(out), "(Disconnected)");
  EXPECT_EQ(GetLinkDisplayName(near->InputPin()), "(Disconnected)");
  ASSERT_TRUE(out->Connect(near->InputPin()));
  EXPECT_EQ(GetLinkDisplayName(out), "Near.InputPin");
  EXPECT_EQ(GetLinkDisplayName(near->InputPin()), "In.OutputPin");
  out->Disconnect();
  ASSERT_TRUE(out->Connect(far->InputPin()));
  EXPECT_EQ(GetLinkDisplayName(out), "fmB.Far.InputPin");
  EXPECT_EQ(GetLinkDisplayName(far->InputPin()), "fmA.In.OutputPin");
  ASSERT_TRUE(out->Connect(near->InputPin()));
  EXPECT_EQ(GetLinkDisplayName(out), "( 2 Links )");
}

TEST_F(PinLinksTest, ASinkLinksByNameToAPinOrAPlaceholder) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* src = TComponent::Create<TLinkAudioIn>(form.get());
  src->SetName("In");
  auto* f = TComponent::Create<TLinkFilter>(form.get());
  f->SetName("F");
  TOWSinkPin* pin = f->InputPin();
  EXPECT_TRUE(pin->TryLinkTo(nullptr, "fmMain.In.OutputPin", "fmMain.In.OutputPin", false));
  EXPECT_EQ(pin->SourcePin(), src->OutputPin());
  EXPECT_TRUE(pin->TryLinkTo(nullptr, "fmMain.Later.OutputPin", "fmMain.Later.OutputPin", false));
  ASSERT_EQ(UnloadedPins().size(), 1u);
  EXPECT_EQ(pin->SourcePin(), UnloadedPins()[0]);
  EXPECT_EQ(src->OutputPin()->SinkCount(), 0);
  EXPECT_TRUE(pin->TryLinkTo(nullptr, "nil", "", false));
  EXPECT_EQ(pin->SourcePin(), nullptr);
  EXPECT_TRUE(UnloadedPins().empty());
}

TEST_F(PinLinksTest, BrokenLinkEntriesRaiseReadErrors) {
  const char* cases[] = {
      // an identifier where the list of sinks must start
      "object fmMain: TLinkForm\n object A: TLinkAudioIn\n  OutputPin.SinkPins = fmMain.B.InputPin\n end\nend\n",
      // a number where a pin name must be
      "object fmMain: TLinkForm\n object A: TLinkAudioOut\n  InputPin.SourcePin = 12\n end\nend\n",
      // a sink entry list without its identifier
      "object fmMain: TLinkForm\n object A: TLinkAudioIn\n  OutputPin.SinkPins = (('x'))\n end\nend\n",
      // a source list with a number for the after-pin
      "object fmMain: TLinkForm\n object A: TLinkAudioOut\n  InputPin.SourcePin = ((fmMain.B.OutputPin 3))\n end\nend\n",
  };
  for (const char* text : cases) {
    auto form = TComponent::CreateUnowned<TLinkForm>();
    EXPECT_THROW(ReadRootComponent(*form, ObjectTextToBinary(text)), EReadError) << text;
    EXPECT_EQ(form->ComponentCount(), 0);
    ClearUnloadedPins();
  }
}

TEST_F(PinLinksTest, ABrokenEntryLeavesTheLinksReadBeforeItWholeAndNoPlaceholder) {
  auto form = NamedForm("fmMain");
  auto* src = AddNamed<TLinkAudioIn>(form.get(), "Src");
  auto* f1 = AddNamed<TLinkFilter>(form.get(), "F1");
  auto* f2 = AddNamed<TLinkFilter>(form.get(), "F2");
  struct Case {
    const char* what;
    std::vector<uint8_t> value;
    bool sinks;  // read by the source pin, else by F1's input pin
  } cases[] = {
      {"a sink entry with a number after its after-pin",
       Join({{1}, Ident("fmMain.F2.InputPin"), {1}, Ident("fmMain.F1.InputPin"), Ident("fmMain.Later.InputPin"),
             {2, 5}, {0}, {0}}),
       true},
      {"a sink list that ends too early", Join({{1}, Ident("fmMain.F2.InputPin"), {1}, Ident("fmMain.Later.InputPin")}),
       true},
      {"a source with an after-pin and a number",
       Join({{1, 1}, Ident("fmMain.Src.OutputPin"), Ident("fmMain.Later.InputPin"), {2, 3}, {0}, {0}}), false},
  };
  for (auto& c : cases) {
    src->OutputPin()->Disconnect();
    TReader reader(c.value);
    if (c.sinks)
      EXPECT_THROW(src->OutputPin()->ReadSinkPins(reader), EReadError) << c.what;
    else
      EXPECT_THROW(f1->InputPin()->ReadSourcePin(reader), EReadError) << c.what;
    // Each link is whole at both ends; the name read last made nothing.
    std::vector<TOWBasicPin*> expected;
    if (c.sinks) expected.push_back(f2->InputPin());
    EXPECT_EQ(Sinks(src->OutputPin()), expected) << c.what;
    EXPECT_EQ(f2->InputPin()->SourcePin(), c.sinks ? src->OutputPin() : nullptr) << c.what;
    EXPECT_EQ(f1->InputPin()->SourcePin(), nullptr) << c.what;
    EXPECT_TRUE(UnloadedPins().empty()) << c.what;
  }
}

TEST_F(PinLinksTest, AFormThatFailsHalfWayLeavesNoLinkToWhatItMade) {
  auto form = NamedForm("fmMain");
  auto* src = AddNamed<TLinkAudioIn>(form.get(), "Src");
  EXPECT_THROW(ReadRootComponent(*form, ObjectTextToBinary(R"(
object fmMain: TLinkForm
  object F: TLinkFilter
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.Src.OutputPin
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.G.InputPin)
  end
  object G: TLinkFilter
    InputPin.SourcePin = (fmMain.F.OutputPin 12)
  end
end
)")),
               EReadError);
  EXPECT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(Sinks(src->OutputPin()), std::vector<TOWBasicPin*>{});
  EXPECT_TRUE(UnloadedPins().empty());
}

}  // namespace
}  // namespace tavrel
