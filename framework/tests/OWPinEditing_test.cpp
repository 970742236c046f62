// Finding pins by walking published properties, the names an editor offers
// for a link, link texts and linking by name.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/OWPinList.h"
#include "framework/OWPinNames.h"
#include "framework/OWStateDispatcher.h"
#include "framework/tests/pin_links_fixtures.h"
#include "platform/classinfo.h"

namespace tavrel {
namespace {

using namespace pin_links;
using testing_pins::TypeB;

// A sub-object holding a pin and the next sub-object of a chain.
class TNest : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  explicit TNest(TComponent* owner) : pin(std::make_unique<TTestSinkPin>(owner, "nest", nullptr, std::vector<Guid>{TypeA})) {}
  TTestSinkPin* Pin() const { return pin.get(); }
  TNest* Next() const { return next; }
  std::unique_ptr<TTestSinkPin> pin;
  TNest* next = nullptr;
};
const ClassInfo& TNest::Class() {
  static const ClassInfo ci =
      ClassBuilder<TNest>("TNest", TPersistent::Class()).prop("Pin", &TNest::Pin).prop("Next", &TNest::Next).build();
  return ci;
}

// A component with its own pin, a chain of sub-objects and a property whose
// getter fails on demand.
class TNestHolder : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TNestHolder(TComponent* owner) : TComponent(owner), own(std::make_unique<TTestSourcePin>(this, std::vector<Guid>{TypeA})) {}
  ~TNestHolder() override {
    chain.clear();
    own.reset();
  }
  // Makes a chain of n sub-objects; last == first closes it into a cycle.
  void MakeChain(int n, bool cycle = false) {
    for (int i = 0; i < n; ++i) chain.push_back(std::make_unique<TNest>(this));
    for (int i = 0; i + 1 < n; ++i) chain[size_t(i)]->next = chain[size_t(i) + 1].get();
    if (cycle && n > 0) chain.back()->next = chain.front().get();
  }
  TTestSourcePin* Own() const { return own.get(); }
  TNest* First() const { return chain.empty() ? nullptr : chain.front().get(); }
  TNest* Broken() const {
    if (fail) throw std::runtime_error("getter failed");
    return nullptr;
  }
  std::unique_ptr<TTestSourcePin> own;
  std::vector<std::unique_ptr<TNest>> chain;
  bool fail = false;
};
const ClassInfo& TNestHolder::Class() {
  static const ClassInfo ci = ClassBuilder<TNestHolder>("TNestHolder", TComponent::Class())
                                  .prop("Own", &TNestHolder::Own)
                                  .prop("First", &TNestHolder::First)
                                  .prop("Broken", &TNestHolder::Broken)
                                  .build();
  return ci;
}

std::vector<std::string> Paths(const TOWPinPaths& list) {
  std::vector<std::string> r;
  for (auto& p : list) r.push_back(p.Path);
  return r;
}

std::string Nexts(int n) {
  std::string s = "First.";
  for (int i = 1; i < n; ++i) s += "Next.";
  return s + "Pin";
}

TEST(PinPaths, NestingDeeperThanTwentyLevelsIsNotCollected) {
  auto holder = TComponent::CreateUnowned<TNestHolder>();
  holder->MakeChain(25);
  TOWPinPaths list;
  ASSERT_TRUE(CollectPinPaths(holder.get(), "TOWPin", false, list));
  // The component's own properties are level 0; the k-th sub-object of the
  // chain is searched at level k, and levels up to 20 are searched.
  std::vector<std::string> expected{"Own"};
  for (int k = 1; k <= 20; ++k) expected.push_back(Nexts(k));
  EXPECT_EQ(Paths(list), expected);
  EXPECT_EQ(list.back().Pin, holder->chain[19]->Pin());
  // Names do not depend on the collector's limit.
  EXPECT_EQ(holder->chain[22]->Pin()->GetFullName(false), "." + Nexts(23));
}

TEST(PinPaths, ASubObjectReachedAgainThroughACycleIsVisitedOnce) {
  auto holder = TComponent::CreateUnowned<TNestHolder>();
  holder->SetName("H");
  holder->MakeChain(3, true);
  TOWPinPaths list;
  ASSERT_TRUE(CollectPinPaths(holder.get(), "TOWPin", false, list));
  EXPECT_EQ(Paths(list), (std::vector<std::string>{"Own", Nexts(1), Nexts(2), Nexts(3)}));
  TOWSinkPin stranger(nullptr);
  EXPECT_EQ(FindPinPropertyPath(holder.get(), &stranger, false), "");
  EXPECT_EQ(FindPinPropertyPath(holder.get(), holder->chain[2]->Pin(), false), "First.Next.Next.Pin");
}

TEST(PinPaths, ClassNamesFilterTheCollection) {
  auto holder = TComponent::CreateUnowned<TNestHolder>();
  holder->MakeChain(2);
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"TOWBasicPin", {"Own", Nexts(1), Nexts(2)}},
      {"TOWSourcePin", {"Own"}},
      {"TOWSinkPin", {Nexts(1), Nexts(2)}},
      {"TOWStatePin", {}},
  };
  for (auto& [cls, expected] : cases) {
    TOWPinPaths list;
    ASSERT_TRUE(CollectPinPaths(holder.get(), cls, false, list));
    EXPECT_EQ(Paths(list), expected) << cls;
  }
}

TEST(PinPaths, CollectionItemsAreNamedByIndex) {
  auto mixer = TComponent::CreateUnowned<TLinkMixer>();
  mixer->Channels()->Add();
  mixer->Channels()->Add();
  for (bool ident : {false, true}) {
    TOWPinPaths list;
    ASSERT_TRUE(CollectPinPaths(mixer.get(), "TOWPin", ident, list));
    std::vector<std::string> expected = ident ? std::vector<std::string>{"Channels._Item0.Pin", "Channels._Item1.Pin"}
                                              : std::vector<std::string>{"Channels[0].Pin", "Channels[1].Pin"};
    EXPECT_EQ(Paths(list), expected);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Pin, mixer->Channel(1));
  }
}

// A component whose inputs sit in a pin list.
class TListHolder : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TListHolder(TComponent* owner) : TComponent(owner), inputs(this, true) {}
  ~TListHolder() override { inputs.Clear(); }
  TOWPinList* Inputs() const { return &inputs; }
  mutable TOWPinList inputs;
};
const ClassInfo& TListHolder::Class() {
  static const ClassInfo ci =
      ClassBuilder<TListHolder>("TListHolder", TComponent::Class()).prop("Inputs", &TListHolder::Inputs).build();
  return ci;
}

TEST(PinPaths, PinsOfAListAreNamedByLineOrByIndex) {
  auto holder = TComponent::CreateUnowned<TListHolder>();
  holder->inputs.Add(std::make_unique<TTestSinkPin>(holder.get(), "l", nullptr, std::vector<Guid>{TypeA}), "Left");
  holder->inputs.Add(std::make_unique<TTestSinkPin>(holder.get(), "m", nullptr, std::vector<Guid>{TypeA}));
  holder->inputs.Add(std::make_unique<TTestSourcePin>(holder.get(), std::vector<Guid>{TypeA}), "Back");
  const struct {
    const char* cls;
    bool ident;
    std::vector<std::string> expected;
  } cases[] = {
      {"TOWPin", false, {"Inputs.Left", "Inputs.Pin [1]", "Inputs.Back"}},
      {"TOWPin", true, {"Inputs._Pin0", "Inputs._Pin1", "Inputs._Pin2"}},
      {"TOWSinkPin", false, {"Inputs.Left", "Inputs.Pin [1]"}},
  };
  for (auto& c : cases) {
    TOWPinPaths list;
    ASSERT_TRUE(CollectPinPaths(holder.get(), c.cls, c.ident, list));
    EXPECT_EQ(Paths(list), c.expected) << c.cls << c.ident;
  }
}

TEST(PinPaths, AFailingGetterEndsTheWalkAsNotFound) {
  auto holder = TComponent::CreateUnowned<TNestHolder>();
  holder->MakeChain(1);
  holder->fail = true;
  TOWPinPaths list;
  EXPECT_FALSE(CollectPinPaths(holder.get(), "TOWPin", false, list));
  EXPECT_EQ(Paths(list), (std::vector<std::string>{"Own", Nexts(1)}));  // found before the failure
  EXPECT_EQ(FindPinPropertyPath(holder.get(), holder->Own(), false), "Own");
  TOWSinkPin stranger(nullptr);
  EXPECT_EQ(FindPinPropertyPath(holder.get(), &stranger, false), "");
}

// ---------------------------------------------------------------------------
// Editor support

// A state pin of one data type.
class TTypedStatePin : public TOWStatePin {
 public:
  TTypedStatePin(TComponent* owner, Guid type) : TOWStatePin(owner, nullptr) { AddType(type); }
  ~TTypedStatePin() override { Disconnect(); }
};

class TStateHolder : public TComponent {
  TAVREL_CLASS_INFO
 public:
  TStateHolder(TComponent* owner, Guid type = TypeA)
      : TComponent(owner), pin(std::make_unique<TTypedStatePin>(this, type)) {}
  ~TStateHolder() override { pin.reset(); }
  TTypedStatePin* Pin() const { return pin.get(); }
  std::unique_ptr<TTypedStatePin> pin;
};
const ClassInfo& TStateHolder::Class() {
  static const ClassInfo ci = ClassBuilder<TStateHolder>("TStateHolder", TComponent::Class()).prop("Pin", &TStateHolder::Pin).build();
  return ci;
}

TEST(CandidatePins, FlagsChooseBetweenCompatibilityDependencyAndConnectability) {
  auto form = NamedForm("fmMain");
  TTypedStatePin* me = AddNamed<TStateHolder>(form.get(), "Me")->Pin();
  AddNamed<TStateHolder>(form.get(), "Free");
  AddNamed<TStateHolder>(form.get(), "Other", TypeB);
  TTypedStatePin* linked = AddNamed<TStateHolder>(form.get(), "Linked")->Pin();
  auto* designed = AddNamed<TStateHolder>(form.get(), "Designed");
  designed->SetDesigning(true);
  // A pin owned by a component inside another one is offered under its own owner.
  auto* outer = AddNamed<TLinkMixer>(form.get(), "Outer");
  AddNamed<TStateHolder>(outer, "Inner");
  ASSERT_TRUE(me->Connect(linked));

  const std::pair<int, std::vector<std::string>> cases[] = {
      // compatible: every other pin of the type, the designed one included
      {1, {"Free.Pin", "Linked.Pin", "Designed.Pin", "Inner.Pin"}},
      // and not a pin it already depends on
      {5, {"Free.Pin", "Designed.Pin", "Inner.Pin"}},
      // connectable: no design-time mismatch, not itself
      {0, {"Free.Pin", "Linked.Pin", "Inner.Pin"}},
  };
  for (auto& [flags, expected] : cases) {
    TOWPinPaths list;
    EXPECT_TRUE(CollectCandidatePins(list, form.get(), me, flags, "", "."));
    EXPECT_EQ(Paths(list), expected) << "flags " << flags;
  }
  TOWPinPaths prefixed;
  CollectCandidatePins(prefixed, form.get(), me, 0, "fmMain", "/");
  EXPECT_EQ(Paths(prefixed)[0], "fmMain/Free/Pin");
}

TEST(CandidatePins, AFailedCollectionIsReported) {
  auto form = NamedForm("fmMain");
  TTypedStatePin* me = AddNamed<TStateHolder>(form.get(), "Me")->Pin();
  auto* broken = AddNamed<TNestHolder>(form.get(), "Broken");
  broken->fail = true;
  AddNamed<TStateHolder>(form.get(), "After");
  TOWPinPaths list;
  EXPECT_FALSE(CollectCandidatePins(list, form.get(), me, 1, "", "."));
  // What was found before the failing getter stays.
  EXPECT_EQ(Paths(list), (std::vector<std::string>{"Broken.Own", "After.Pin"}));
}

TEST(LinkTexts, DisplayTextTable) {
  auto holder = NamedForm("Holder");
  auto* a = AddNamed<TLinkForm>(holder.get(), "fmA");
  auto* b = AddNamed<TLinkForm>(holder.get(), "fmB");
  auto* in = AddNamed<TLinkAudioIn>(a, "In");
  auto* near = AddNamed<TLinkFilter>(a, "Near");
  auto* far = AddNamed<TLinkFilter>(b, "Far");
  auto* lone = AddNamed<TLinkFilter>(a, "Lone");
  auto* s1 = AddNamed<TStateHolder>(a, "S1");
  auto* s2 = AddNamed<TStateHolder>(a, "S2");
  auto* s3 = AddNamed<TStateHolder>(b, "S3");
  auto* single = AddNamed<TStateHolder>(a, "Single");

  ASSERT_TRUE(s1->Pin()->Connect(s2->Pin()));
  ASSERT_TRUE(near->OutputPin()->Connect(far->InputPin()));
  ASSERT_TRUE(in->OutputPin()->Connect(near->InputPin()));
  ASSERT_TRUE(in->OutputPin()->Connect(lone->InputPin()));
  // A source with sinks that is also in a state link of three pins.
  Ref<TOWStateDispatcher> d = TOWStateDispatcher::CreateNamed("Shared", false);
  ASSERT_TRUE(far->OutputPin()->ConnectToState(d));
  ASSERT_TRUE(s3->Pin()->ConnectToState(d));
  ASSERT_TRUE(AddNamed<TStateHolder>(b, "S4")->Pin()->ConnectToState(d));
  ASSERT_TRUE(far->OutputPin()->Connect(AddNamed<TLinkAudioOut>(b, "Out")->InputPin()));
  // A source without sinks in a state link of three pins (one source per link).
  Ref<TOWStateDispatcher> own = TOWStateDispatcher::CreateNamed("Own", false);
  ASSERT_TRUE(lone->OutputPin()->ConnectToState(own));
  ASSERT_TRUE(AddNamed<TStateHolder>(a, "S5")->Pin()->ConnectToState(own));
  ASSERT_TRUE(AddNamed<TStateHolder>(a, "S6")->Pin()->ConnectToState(own));

  const std::pair<TOWBasicPin*, std::string> cases[] = {
      {single->Pin(), "(Disconnected)"},
      {s1->Pin(), "fmA.S2.Pin"},                     // two members: the other one, with root
      {s2->Pin(), "fmA.S1.Pin"},
      {s3->Pin(), "Shared"},                         // three members: the link's name
      {lone->OutputPin(), "Own"},                    // a source without sinks: as any pin
      {near->OutputPin(), "fmB.Far.InputPin"},       // one sink of another root
      {in->OutputPin(), "( 2 Links )"},
      {far->OutputPin(), "( 3 Links )"},             // 1 sink + 3 members - itself
      {near->InputPin(), "In.OutputPin"},            // a source of the same root
      {far->InputPin(), "fmA.Near.OutputPin"},
      {AddNamed<TLinkFilter>(b, "Idle")->InputPin(), "(Disconnected)"},
  };
  for (auto& [pin, text] : cases) EXPECT_EQ(GetLinkDisplayName(pin), text) << pin->GetFullName(true);
  d->DisconnectAll();
  own->DisconnectAll();
}

TEST(LinkByName, SourceSinkAndStatePinsLinkToTheCandidateOfThatName) {
  auto holder = NamedForm("Holder");
  auto* a = AddNamed<TLinkForm>(holder.get(), "fmA");
  auto* b = AddNamed<TLinkForm>(holder.get(), "fmB");
  auto* in = AddNamed<TLinkAudioIn>(a, "In");
  auto* f = AddNamed<TLinkFilter>(a, "F");
  auto* far = AddNamed<TLinkFilter>(b, "Far");
  TOWSourcePin* out = in->OutputPin();

  // Source pins: candidates of their own root by name, of another root
  // with its name first; an unknown name links nothing.
  EXPECT_TRUE(out->ConnectByName(nullptr, "F.InputPin"));
  EXPECT_EQ(f->InputPin()->SourcePin(), out);
  EXPECT_FALSE(out->ConnectByName(nullptr, "Nowhere.InputPin"));
  EXPECT_FALSE(out->ConnectByName(nullptr, "Far.InputPin"));  // not of this root
  EXPECT_TRUE(out->ConnectByName(b, "fmB.Far.InputPin"));
  EXPECT_EQ(far->InputPin()->SourcePin(), out);
  EXPECT_EQ(out->SinkCount(), 2);
  EXPECT_TRUE(out->ConnectByName(nullptr, ""));
  EXPECT_EQ(out->SinkCount(), 0);

  // Sink pins: a source by name; unlinking answers whether there was a link.
  TOWSinkPin* sink = f->InputPin();
  EXPECT_TRUE(sink->ConnectByName(nullptr, "fmA.In.OutputPin"));
  EXPECT_EQ(sink->SourcePin(), out);
  EXPECT_TRUE(sink->ConnectByName(nullptr, "(Disconnected)"));
  EXPECT_FALSE(sink->ConnectByName(nullptr, "(Disconnected)"));
  EXPECT_EQ(sink->SourcePin(), nullptr);

  // State pins: a candidate's name with or without the root name, a
  // design-time link by its name; no match answers False and links nothing.
  TTypedStatePin* s1 = AddNamed<TStateHolder>(a, "S1")->Pin();
  TTypedStatePin* s2 = AddNamed<TStateHolder>(a, "S2")->Pin();
  TTypedStatePin* s3 = AddNamed<TStateHolder>(a, "S3")->Pin();
  AddNamed<TStateHolder>(a, "Other", TypeB);
  EXPECT_FALSE(s1->TryLinkTo(nullptr, "Other.Pin"));
  EXPECT_FALSE(s1->ConnectByName(nullptr, "Missing.Pin"));
  EXPECT_EQ(s1->Dispatcher(), nullptr);
  EXPECT_TRUE(s1->ConnectByName(nullptr, "S2.Pin"));
  EXPECT_EQ(s1->Dispatcher(), s2->Dispatcher());
  EXPECT_TRUE(s3->TryLinkTo(nullptr, "fmA.S1.Pin"));
  EXPECT_EQ(s3->Dispatcher(), s1->Dispatcher());
  Ref<TOWStateDispatcher> design = TOWStateDispatcher::CreateNamed("Designed", true);
  auto* ds = AddNamed<TStateHolder>(a, "DS");
  ds->SetDesigning(true);
  EXPECT_TRUE(ds->Pin()->ConnectByName(nullptr, "Designed"));
  EXPECT_EQ(ds->Pin()->Dispatcher(), design);
  EXPECT_TRUE(s3->ConnectByName(nullptr, "(Disconnected)"));
  EXPECT_EQ(s3->Dispatcher(), nullptr);
  EXPECT_EQ(s1->PinCount(), 2);
}

}  // namespace
}  // namespace tavrel
