// Pin lists: entries and their reports, placeholders held in a list, names
// of list pins, and the lists' links in form data.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/OWPinList.h"
#include "framework/OWPinNames.h"
#include "framework/OWPinStreaming.h"
#include "framework/OWStateDispatcher.h"
#include "framework/OWStdPins.h"
#include "framework/tests/pin_links_fixtures.h"
#include "platform/exceptions.h"
#include "platform/formtext.h"
#include "platform/forms.h"

namespace tavrel {
namespace {

using namespace pin_links;

// A component whose pins sit in lists: three inputs, two outputs and two
// state pins, each list owning its pins.
class TListMixer : public TLPComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TListMixer(TComponent* owner, int inputs = 3)
      : TLPComponent(owner),
        FInputs(std::make_unique<TOWPinList>(this, true)),
        FOutputs(std::make_unique<TOWPinList>(this, true)),
        FStates(std::make_unique<TOWPinList>(this, true)) {
    for (int i = 0; i < inputs; ++i) AddInput();
    for (int i = 0; i < 2; ++i) FOutputs->Add(std::make_unique<TTestSourcePin>(this, std::vector<Guid>{TypeA}));
    for (int i = 0; i < 2; ++i) FStates->Add(std::make_unique<TOWBoolStatePin>(this, nullptr, TOWBoolChangeEvent{}));
  }
  ~TListMixer() override {
    FStates.reset();
    FOutputs.reset();
    FInputs.reset();
  }
  TOWPinList* Inputs() const { return FInputs.get(); }
  TOWPinList* Outputs() const { return FOutputs.get(); }
  TOWPinList* States() const { return FStates.get(); }
  TTestSinkPin* Input(int i) const { return static_cast<TTestSinkPin*>(FInputs->GetPin(i)); }
  TTestSourcePin* Output(int i) const { return static_cast<TTestSourcePin*>(FOutputs->GetPin(i)); }
  TOWStatePin* State(int i) const { return static_cast<TOWStatePin*>(FStates->GetPin(i)); }
  TTestSinkPin* AddInput() {
    return FInputs->Add(std::make_unique<TTestSinkPin>(this, "in", nullptr, std::vector<Guid>{TypeA}));
  }

 private:
  std::unique_ptr<TOWPinList> FInputs, FOutputs, FStates;
};

// Its inputs appear only once loading is done, so the links read for them
// wait in placeholders.
class TLateMixer : public TListMixer {
  TAVREL_CLASS_INFO
 public:
  explicit TLateMixer(TComponent* owner) : TListMixer(owner, 0) {}
  void SetUp(bool AJustCreated) override {
    if (!AJustCreated)
      for (int i = 0; i < 2; ++i) AddInput();
  }
};

// A mixer whose lists stay empty.
class TBareMixer : public TListMixer {
  TAVREL_CLASS_INFO
 public:
  explicit TBareMixer(TComponent* owner) : TListMixer(owner, 0) {}
};

const ClassInfo& TListMixer::Class() {
  static const ClassInfo ci = ClassBuilder<TListMixer>("TListMixer", TLPComponent::Class())
                                  .prop("Inputs", &TListMixer::Inputs)
                                  .prop("Outputs", &TListMixer::Outputs)
                                  .prop("States", &TListMixer::States)
                                  .build();
  return ci;
}
const ClassInfo& TBareMixer::Class() {
  static const ClassInfo ci = ClassBuilder<TBareMixer>("TBareMixer", TListMixer::Class()).build();
  return ci;
}
const ClassInfo& TLateMixer::Class() {
  static const ClassInfo ci = ClassBuilder<TLateMixer>("TLateMixer", TListMixer::Class()).build();
  return ci;
}

class PinListTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterLinkClasses();
    for (const ClassInfo* ci : {&TListMixer::Class(), &TLateMixer::Class(), &TBareMixer::Class()})
      if (!GetClass(ci->name)) RegisterClass(*ci);
  }
  void TearDown() override {
    ClearUnloadedPins();
    EXPECT_TRUE(UnloadedPins().empty());
  }
};

std::vector<TOWBasicPin*> Entries(TOWPinList& list) {
  std::vector<TOWBasicPin*> r;
  for (int i = 0; i < list.Count(); ++i) r.push_back(list.GetPin(i));
  return r;
}

bool IsUnloaded(TOWBasicPin* p) {
  auto all = UnloadedPins();
  return std::find(all.begin(), all.end(), p) != all.end();
}

bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}
std::vector<uint8_t> Bytes(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> r;
  for (auto& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}
std::vector<uint8_t> Ident(const std::string& s) {
  std::vector<uint8_t> r{7, uint8_t(s.size())};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}
std::vector<uint8_t> Str(const std::string& s) {
  std::vector<uint8_t> r{6, uint8_t(s.size())};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}
std::vector<uint8_t> Prop(const std::string& s) {
  std::vector<uint8_t> r{uint8_t(s.size())};
  r.insert(r.end(), s.begin(), s.end());
  return r;
}

// Writes the pin-event reports it hears into a shared log, naming pins by label.
class Recorder : public IOWPinListener {
 public:
  Recorder(std::string tag, std::vector<std::string>& log, std::map<TOWBasicPin*, std::string>& labels)
      : tag_(std::move(tag)), log_(log), labels_(labels) {}
  void PinChanged(TOWBasicPin* p) override { Put("Changed " + Label(p)); }
  void PinListCreated(TOWPinList*) override { Put("ListCreated"); }
  void PinListDestroying(TOWPinList*) override { Put("ListDestroying"); }
  void PinListChanged(TOWPinList*) override { Put("ListChanged"); }
  void PinListPinAdded(TOWPinList*, TOWBasicPin* p, int i) override { Put("Added " + At(p, i)); }
  void PinListPinRemoved(TOWPinList*, TOWBasicPin* p, int i) override { Put("Removed " + At(p, i)); }
  void PinListPinsSwapped(TOWPinList*, TOWBasicPin* p1, int i1, TOWBasicPin* p2, int i2) override {
    Put("Swapped " + At(p1, i1) + " " + At(p2, i2));
  }

 private:
  std::string Label(TOWBasicPin* p) { return labels_.count(p) ? labels_[p] : "?"; }
  std::string At(TOWBasicPin* p, int i) { return Label(p) + "@" + std::to_string(i); }
  void Put(const std::string& s) { log_.push_back(tag_.empty() ? s : tag_ + ":" + s); }
  std::string tag_;
  std::vector<std::string>& log_;
  std::map<TOWBasicPin*, std::string>& labels_;
};

// Registers listeners for the scope of a test.
struct Listening {
  std::vector<Ref<IOWPinListener>> listeners;
  explicit Listening(std::vector<Ref<IOWPinListener>> l) : listeners(std::move(l)) {
    for (auto& x : listeners) AddPinListener(x);
  }
  ~Listening() {
    for (auto& x : listeners) RemovePinListener(x);
  }
};

using Log = std::vector<std::string>;

TEST_F(PinListTest, EachChangeOfAnOwningListIsReportedInOrder) {
  auto owner = TComponent::CreateUnowned<TLinkForm>();
  std::map<TOWBasicPin*, std::string> labels;
  Log log;
  Listening on({MakeRef<Recorder>("", log, labels)});
  auto list = std::make_unique<TOWPinList>(owner.get(), true);
  EXPECT_EQ(log, Log{"ListCreated"});

  auto make = [&](const char* label) {
    auto p = std::make_unique<TTestSinkPin>(owner.get(), label, nullptr, std::vector<Guid>{TypeA});
    labels[p.get()] = label;
    return p;
  };
  auto a = make("a"), b = make("b"), c = make("c"), d = make("d");
  TTestSinkPin *pa = a.get(), *pb = b.get(), *pc = c.get(), *pd = d.get();
  struct Step {
    const char* what;
    std::function<void()> run;
    Log heard;
    std::vector<TOWBasicPin*> after;
  } steps[] = {
      {"Add", [&] { list->Add(std::move(a)); }, {"Changed a", "ListChanged", "Added a@0", "Changed a"}, {pa}},
      {"AddNamed", [&] { list->Add(std::move(b), "Left"); }, {"Changed b", "ListChanged", "Added b@1"}, {pa, pb}},
      {"Insert",
       [&] { list->Insert(0, c.release()); },
       {"Changed c", "ListChanged", "Added c@0", "Changed c"},
       {pc, pa, pb}},
      {"Swap", [&] { list->Swap(0, 2); }, {"Swapped c@0 b@2", "ListChanged"}, {pb, pa, pc}},
      {"rename", [&] { list->SetPinNameAt(1, "Mid"); }, {"Changed a"}, {pb, pa, pc}},
      {"same name", [&] { list->SetPinNameAt(1, "Mid"); }, {}, {pb, pa, pc}},
      {"Delete", [&] { list->Delete(0); }, {"Removed b@0", "ListChanged"}, {pa, pc}},
      {"Remove", [&] { list->Remove(pc); }, {"Removed c@1", "ListChanged"}, {pa}},
      {"Insert beyond the end",
       [&] { list->Insert(7, d.release()); },
       {"Changed d", "ListChanged", "Added d@1", "Changed d"},
       {pa, pd}},
  };
  for (auto& s : steps) {
    log.clear();
    s.run();
    EXPECT_EQ(log, s.heard) << s.what;
    EXPECT_EQ(Entries(*list), s.after) << s.what;
  }
  EXPECT_EQ(list->GetPinName(0), "Mid");
  EXPECT_EQ(pa->OwnerPinList(), list.get());
  log.clear();
  list.reset();  // the list goes with the pins it owns
  EXPECT_EQ(log, (Log{"ListDestroying", "ListChanged"}));
  auto all = RegisteredPins();
  for (TOWBasicPin* p : {pa, pb, pc, pd}) EXPECT_EQ(std::find(all.begin(), all.end(), p), all.end());
}

TEST_F(PinListTest, ANonOwningListLeavesItsPinsAliveAndForgetsThem) {
  auto owner = TComponent::CreateUnowned<TLinkForm>();
  auto other = TComponent::CreateUnowned<TLinkForm>();
  std::map<TOWBasicPin*, std::string> labels;
  Log log;
  Listening on({MakeRef<Recorder>("", log, labels)});
  TOWPinList list(owner.get(), false);
  TTestSinkPin mine(owner.get(), "m", nullptr, {TypeA});
  TTestSinkPin foreign(other.get(), "f", nullptr, {TypeA});
  labels = {{&mine, "m"}, {&foreign, "f"}};
  list.Add(&mine);
  list.Add(&foreign);
  EXPECT_EQ(mine.OwnerPinList(), &list);
  EXPECT_EQ(foreign.OwnerPinList(), nullptr);  // owned by another component

  log.clear();
  list.Delete(0);
  EXPECT_EQ(log, (Log{"Removed m@0", "Changed m", "ListChanged"}));
  EXPECT_EQ(mine.OwnerPinList(), nullptr);
  log.clear();
  list.Delete(0);
  EXPECT_EQ(log, (Log{"Removed f@0", "ListChanged"}));

  // A pin destroyed elsewhere leaves every list that holds it.
  {
    TTestSinkPin brief(owner.get(), "b", nullptr, {TypeA});
    list.Add(&mine);
    list.Add(&brief);
    list.Add(&brief);
  }
  EXPECT_EQ(Entries(list), std::vector<TOWBasicPin*>{&mine});
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(mine.OwnerPinList(), nullptr);
  // Handing it a pin to own is refused.
  EXPECT_THROW(list.Add(std::make_unique<TTestSinkPin>(owner.get(), "o", nullptr, std::vector<Guid>{TypeA})),
               EOWException);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(PinListTest, ListenersHearBackwardReportsLastRegisteredFirst) {
  auto owner = TComponent::CreateUnowned<TLinkForm>();
  std::map<TOWBasicPin*, std::string> labels;
  Log log;
  Listening on({MakeRef<Recorder>("1", log, labels), MakeRef<Recorder>("2", log, labels)});
  TOWPinList list(owner.get(), false);
  TTestSinkPin p(nullptr, "p", nullptr, {TypeA});
  labels[&p] = "p";
  log.clear();
  list.AddNamed(&p, "x");
  EXPECT_EQ(log, (Log{"1:ListChanged", "2:ListChanged", "2:Added p@0", "1:Added p@0"}));
}

TEST_F(PinListTest, ListPinsAreNamedAfterTheListAndFoundByThoseNames) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* mix = TComponent::Create<TListMixer>(form.get());
  mix->SetName("Mix");
  TOWPinList* in = mix->Inputs();
  in->SetPinNameAt(0, "Left");
  in->SetPinNameAt(2, "Pin [2]");  // the default text stays an empty name
  EXPECT_EQ(in->GetName(), "Inputs");

  mix->Outputs()->SetPinNameAt(0, "MainOutputPin");
  struct Case {
    TOWBasicPin* pin;
    std::string display, displayNoRoot, ident, save, name, shortName;
  } cases[] = {
      {mix->Input(0), "fmMain.Mix.Inputs.Left", "Mix.Inputs.Left", "fmMain.Mix.Inputs._Pin0", "Inputs._Pin0",
       "Inputs.Left", "Left"},
      {mix->Input(2), "fmMain.Mix.Inputs.Pin [2]", "Mix.Inputs.Pin [2]", "fmMain.Mix.Inputs._Pin2", "Inputs._Pin2",
       "Inputs.Pin [2]", "Pin [2]"},
      {mix->Output(0), "fmMain.Mix.Outputs.MainOutputPin", "Mix.Outputs.MainOutputPin", "fmMain.Mix.Outputs._Pin0",
       "Outputs._Pin0", "Outputs.MainOutputPin", "MainOutput"},
      {mix->Output(1), "fmMain.Mix.Outputs.Pin [1]", "Mix.Outputs.Pin [1]", "fmMain.Mix.Outputs._Pin1",
       "Outputs._Pin1", "Outputs.Pin [1]", "Pin [1]"},
  };
  for (auto& c : cases) {
    EXPECT_EQ(c.pin->Name(), c.name);
    EXPECT_EQ(c.pin->ShortName(), c.shortName);
    EXPECT_EQ(c.pin->GetFullName(true), c.display);
    EXPECT_EQ(c.pin->GetFullName(false), c.displayNoRoot);
    EXPECT_EQ(c.pin->GetFullIdentName(true), c.ident);
    EXPECT_EQ(c.pin->GetSaveName(), c.save);
    EXPECT_EQ(c.pin->GetRootName(), "fmMain");
    EXPECT_EQ(PinGetByIdentName(form.get(), c.ident), c.pin) << c.ident;
    EXPECT_EQ(PinGetByDisplayName(form.get(), c.displayNoRoot), c.pin) << c.displayNoRoot;
  }
  EXPECT_EQ(in->GetPinName(2), "Pin [2]");
  // Names follow the entries.
  in->Swap(0, 2);
  EXPECT_EQ(mix->Input(0)->GetFullIdentName(true), "fmMain.Mix.Inputs._Pin0");
  EXPECT_EQ(mix->Input(2)->GetFullName(false), "Mix.Inputs.Left");
  // A stored link names a list pin, and reaches it.
  auto* src = TComponent::Create<TLinkAudioIn>(form.get());
  src->SetName("Src");
  TOWBasicPin* found = PinGetByNameCreate(form.get(), TOWPinType::ptSink, "fmMain.Mix.Inputs._Pin1",
                                          "fmMain.Mix.Inputs.Pin [1]", "");
  EXPECT_EQ(found, mix->Input(1));
  EXPECT_TRUE(UnloadedPins().empty());
}

// A placeholder made for a name, as form data would make it.
TOWBasicPin* Placeholder(TComponent* root, const std::string& name, TOWPinType type = TOWPinType::ptSink) {
  TOWBasicPin* p = PinGetByNameCreate(root, type, name, name, "");
  EXPECT_TRUE(IsUnloaded(p)) << name;
  return p;
}

TEST_F(PinListTest, PlaceholdersStayWhileTheOwnerLoadsOrIsDesignedAndGoAtTheNextCount) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* mix = TComponent::Create<TListMixer>(form.get(), 0);
  mix->SetName("Mix");
  TOWPinList* in = mix->Inputs();
  in->Add(Placeholder(form.get(), "fmMain.Mix.Inputs._Pin0"));
  in->Add(Placeholder(form.get(), "fmMain.Mix.Inputs._Pin1"));

  mix->SetDesigning(true);
  EXPECT_EQ(in->Count(), 0);
  EXPECT_EQ(in->UnloadedCount(), 2);
  mix->SetDesigning(false);
  form->BeginLoading();
  EXPECT_EQ(in->Count(), 0);
  EXPECT_EQ(in->UnloadedCount(), 2);
  EXPECT_EQ(UnloadedPins().size(), 2u);
  form->AbortLoading();
  // Neither loading nor designed: the first access drops them, through the registry.
  EXPECT_EQ(in->Count(), 0);
  EXPECT_EQ(in->UnloadedCount(), 0);
  EXPECT_TRUE(UnloadedPins().empty());

  in->Add(Placeholder(form.get(), "fmMain.Mix.Inputs._Pin0"));
  TTestSinkPin* real = mix->AddInput();  // takes the placeholder's entry
  EXPECT_EQ(in->UnloadedCount(), 0);
  EXPECT_EQ(Entries(*in), std::vector<TOWBasicPin*>{real});
  EXPECT_TRUE(UnloadedPins().empty());
}

TEST_F(PinListTest, APlaceholderInAListGoesOnceWhicheverWayItLeaves) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* src = TComponent::Create<TLinkAudioIn>(form.get());
  src->SetName("Src");
  struct Case {
    const char* way;
    bool owning;
    std::function<void(std::unique_ptr<TOWPinList>&, TOWBasicPin*)> leave;
  } cases[] = {
      {"Delete, owning", true, [](auto& l, TOWBasicPin*) { l->Delete(0); }},
      {"Delete", false, [](auto& l, TOWBasicPin*) { l->Delete(0); }},
      {"Remove, owning", true, [](auto& l, TOWBasicPin* p) { l->Remove(p); }},
      {"Clear, owning", true, [](auto& l, TOWBasicPin*) { l->Clear(); }},
      {"list destroyed, owning", true, [](auto& l, TOWBasicPin*) { l.reset(); }},
      {"list destroyed", false, [](auto& l, TOWBasicPin*) { l.reset(); }},
      {"registry cleared first", true, [](auto& l, TOWBasicPin*) {
         ClearUnloadedPins();
         EXPECT_EQ(l->UnloadedCount(), 0);
         l.reset();
       }},
      {"replaced by SetPin, owning", true, [](auto& l, TOWBasicPin*) { l->SetPin(0, nullptr); }},
  };
  for (auto& c : cases) {
    form->BeginLoading();  // keeps placeholders in the list
    auto list = std::make_unique<TOWPinList>(src, c.owning);
    TOWBasicPin* p = Placeholder(form.get(), "fmMain.Src.Later.Pin");
    ASSERT_TRUE(src->OutputPin()->Connect(p));
    list->Add(p);
    // Held by the list, it stays even without links.
    src->OutputPin()->Disconnect();
    EXPECT_TRUE(IsUnloaded(p)) << c.way;
    ASSERT_TRUE(src->OutputPin()->Connect(p));
    c.leave(list, p);
    EXPECT_FALSE(IsUnloaded(p)) << c.way;
    EXPECT_EQ(src->OutputPin()->SinkCount(), 0) << c.way;
    list.reset();
    form->AbortLoading();
  }
}

TEST_F(PinListTest, APinAddedToTheListTakesTheFirstPlaceholdersEntryAndLinks) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* src = TComponent::Create<TLinkAudioIn>(form.get());
  src->SetName("Src");
  auto* mix = TComponent::Create<TListMixer>(form.get(), 0);
  mix->SetName("Mix");
  form->BeginLoading();
  TOWPinList* in = mix->Inputs();
  TOWBasicPin* p0 = Placeholder(form.get(), "fmMain.Mix.Inputs._Pin0");
  TOWBasicPin* p1 = Placeholder(form.get(), "fmMain.Mix.Inputs._Pin1");
  in->Add(p0);
  in->Add(p1);
  ASSERT_TRUE(src->OutputPin()->Connect(p1));
  ASSERT_TRUE(p0->Connect(src->OutputPin()));  // recorded on either side

  TTestSinkPin* first = mix->AddInput();
  EXPECT_EQ(in->IndexOf(first), 0);
  EXPECT_EQ(first->SourcePin(), src->OutputPin());
  EXPECT_FALSE(IsUnloaded(p0));
  TTestSinkPin* second = mix->AddInput();
  EXPECT_EQ(in->IndexOf(second), 1);
  EXPECT_EQ(second->SourcePin(), src->OutputPin());
  // Each takes its placeholder's place among the source's links (p1 was linked first).
  EXPECT_EQ(Sinks(src->OutputPin()), (std::vector<TOWBasicPin*>{second, first}));
  EXPECT_TRUE(UnloadedPins().empty());
  form->AbortLoading();
}

// A form holding list pins linked every way an entry can store. Sources
// come before their sinks, so links are made in the sources' order.
constexpr const char* kListForm = R"(
object fmMain: TLinkForm
  object Src: TLinkAudioIn
  end
  object Lists: TListMixer
  end
  object F1: TLinkFilter
  end
  object Mix: TLinkMixer
    Channels = <
      item
      end>
  end
  object Quiet: TListMixer
  end
end
)";

TEST_F(PinListTest, ListsWithEveryEntryKindReadBackToTheSameLinks) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*form, ObjectTextToBinary(kListForm));
  auto* src = Find<TLinkAudioIn>(form.get(), "Src");
  auto* f1 = Find<TLinkFilter>(form.get(), "F1");
  auto* mix = Find<TLinkMixer>(form.get(), "Mix");
  auto* lists = Find<TListMixer>(form.get(), "Lists");
  auto* quiet = Find<TListMixer>(form.get(), "Quiet");
  // Inputs: nil, a source by identifier, a source keeping an after-pin,
  // and (in the other mixer) a source whose two names differ.
  ASSERT_TRUE(lists->Input(1)->Connect(src->OutputPin()));
  ASSERT_TRUE(src->OutputPin()->ConnectAfter(lists->Input(2), lists->Input(1)));
  ASSERT_TRUE(quiet->Input(0)->Connect(lists->Output(1)));
  // Outputs: a source with sinks in all four entry encodings.
  TOWSourcePin* out = lists->Output(0);
  ASSERT_TRUE(out->Connect(f1->InputPin()));
  ASSERT_TRUE(out->ConnectAfter(quiet->Input(1), f1->InputPin()));
  ASSERT_TRUE(out->Connect(mix->Channel(0)));
  ASSERT_TRUE(out->ConnectAfter(quiet->Input(2), mix->Channel(0)));
  // States: a state link between the two state pins.
  ASSERT_TRUE(lists->State(0)->Connect(lists->State(1)));
  std::string link = lists->State(0)->Dispatcher()->Name();

  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  // Lists.Inputs: nil, a plain name, a source with an after-pin, nil.
  EXPECT_TRUE(Contains(bytes, Bytes({Prop("Inputs.Pins"), {1, 13}, Ident("fmMain.Src.OutputPin"),
                                     {1, 1}, Ident("fmMain.Src.OutputPin"), Ident("fmMain.Lists.Inputs._Pin1"),
                                     {0, 0, 0}})));
  EXPECT_TRUE(Contains(bytes, Bytes({Prop("Outputs.Pins"), {1}, Ident("Sinks"), {1}, Ident("fmMain.F1.InputPin"),
                                     {1}, Ident("fmMain.Quiet.Inputs._Pin1"), Ident("fmMain.F1.InputPin"),
                                     Str("fmMain.Quiet.Inputs.Pin [1]"), {0}})));
  EXPECT_TRUE(Contains(bytes, Bytes({Prop("States.Pins"), {1}, Ident("State"), {1}, Str(link), {0},
                                     Ident("State"), {1}, Str(link), {0, 0}})));
  EXPECT_TRUE(Contains(bytes, Bytes({Prop("Inputs.Form"), Ident("fmMain")})));

  form.reset();
  ASSERT_EQ(TOWStateDispatcher::GetByName(link, false), nullptr);
  auto copy = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*copy, bytes);
  EXPECT_TRUE(UnloadedPins().empty());
  src = Find<TLinkAudioIn>(copy.get(), "Src");
  f1 = Find<TLinkFilter>(copy.get(), "F1");
  mix = Find<TLinkMixer>(copy.get(), "Mix");
  lists = Find<TListMixer>(copy.get(), "Lists");
  quiet = Find<TListMixer>(copy.get(), "Quiet");
  EXPECT_EQ(lists->Input(0)->SourcePin(), nullptr);
  EXPECT_EQ(Sinks(src->OutputPin()), (std::vector<TOWBasicPin*>{lists->Input(1), lists->Input(2)}));
  EXPECT_EQ(src->OutputPin()->GetAfterPin(lists->Input(2)), lists->Input(1));
  EXPECT_EQ(quiet->Input(0)->SourcePin(), lists->Output(1));
  out = lists->Output(0);
  // The order of links made while reading follows the order the sinks'
  // components are read; the links and their after-pins are the same.
  std::vector<TOWBasicPin*> sinks = Sinks(out), expected{f1->InputPin(), quiet->Input(1), mix->Channel(0),
                                                         quiet->Input(2)};
  std::sort(sinks.begin(), sinks.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sinks, expected);
  EXPECT_EQ(out->GetAfterPin(f1->InputPin()), nullptr);
  EXPECT_EQ(out->GetAfterPin(quiet->Input(1)), f1->InputPin());
  EXPECT_EQ(out->GetAfterPin(mix->Channel(0)), nullptr);
  EXPECT_EQ(out->GetAfterPin(quiet->Input(2)), mix->Channel(0));
  EXPECT_EQ(quiet->Input(2)->SourcePin(), out);
  EXPECT_EQ(mix->Channel(0)->SourcePin(), out);
  ASSERT_NE(lists->State(0)->Dispatcher(), nullptr);
  EXPECT_EQ(lists->State(0)->Dispatcher(), lists->State(1)->Dispatcher());
  EXPECT_EQ(lists->State(0)->Dispatcher()->Name(), link);
  // Written again, the lists store the same entries.
  std::vector<uint8_t> again = WriteRootComponent(*copy);
  EXPECT_EQ(again.size(), bytes.size());
  EXPECT_TRUE(Contains(again, Bytes({Prop("Inputs.Pins"), {1, 13}, Ident("fmMain.Src.OutputPin"), {1, 1},
                                     Ident("fmMain.Src.OutputPin"), Ident("fmMain.Lists.Inputs._Pin1"), {0, 0, 0}})));
}

TEST_F(PinListTest, EntriesReadBeforeTheListsPinsExistWaitInPlaceholders) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*form, ObjectTextToBinary(R"(
object fmMain: TLinkForm
  object Late: TLateMixer
    Inputs.Form = fmMain
    Inputs.Pins = (nil fmMain.Src.OutputPin)
  end
  object Src: TLinkAudioIn
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (fmMain.Late.Inputs._Pin1)
  end
end
)"));
  auto* late = Find<TLateMixer>(form.get(), "Late");
  auto* src = Find<TLinkAudioIn>(form.get(), "Src");
  ASSERT_EQ(late->Inputs()->Count(), 2);
  EXPECT_EQ(late->Input(0)->SourcePin(), nullptr);
  EXPECT_EQ(late->Input(1)->SourcePin(), src->OutputPin());
  EXPECT_EQ(Sinks(src->OutputPin()), std::vector<TOWBasicPin*>{late->Input(1)});
  EXPECT_TRUE(UnloadedPins().empty());
}

TEST_F(PinListTest, AStateEntryIsFollowedByTheEntrysOtherLinks) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*form, ObjectTextToBinary(R"(
object fmMain: TLinkForm
  object Src: TLinkAudioIn
  end
  object M: TListMixer
    Inputs.Form = fmMain
    Inputs.Pins = (
      State ('fmMainLink7' fmMain.Src.OutputPin)
      nil
      State (('fmMainLink7' fmOther.X.Pin) (fmMain.Src.OutputPin 'fmMain.Src.OutputPin')))
    States.Form = fmMain
    States.Pins = (State ('fmMainLink7') State ('fmMainLink7'))
  end
  object L: TLateMixer
    Inputs.Form = fmMain
    Inputs.Pins = (State ('fmMainLink9' Sinks ()) State ('fmMainLink9' fmMain.Src.OutputPin))
  end
end
)"));
  auto* src = Find<TLinkAudioIn>(form.get(), "Src");
  auto* m = Find<TListMixer>(form.get(), "M");
  auto* l = Find<TLateMixer>(form.get(), "L");
  // Held indexes: the links after the state value are read.
  EXPECT_EQ(m->Input(0)->SourcePin(), src->OutputPin());
  EXPECT_EQ(m->Input(2)->SourcePin(), src->OutputPin());
  EXPECT_EQ(m->Input(1)->SourcePin(), nullptr);
  ASSERT_NE(m->State(0)->Dispatcher(), nullptr);
  EXPECT_EQ(m->State(0)->Dispatcher()->Name(), "fmMainLink7");
  EXPECT_EQ(m->State(0)->Dispatcher(), m->State(1)->Dispatcher());
  // Indexes not held yet: the same, through the placeholders.
  ASSERT_EQ(l->Inputs()->Count(), 2);
  EXPECT_EQ(l->Input(1)->SourcePin(), src->OutputPin());
  EXPECT_EQ(Sinks(src->OutputPin()), (std::vector<TOWBasicPin*>{m->Input(0), m->Input(2), l->Input(1)}));
  EXPECT_TRUE(UnloadedPins().empty());
}

TEST_F(PinListTest, EntriesBeyondTheListAppendPlaceholdersOfTheEntrysKind) {
  struct Case {
    const char* entry;
    TOWPinType type;        // of the placeholder at the entry's index
    TOWPinType otherType;   // of the pin it is linked to
  } cases[] = {
      {"fmMain.Src.OutputPin", TOWPinType::ptSink, TOWPinType::ptSource},
      {"(fmMain.Src.OutputPin 'fmMain.Src.Output Pin')", TOWPinType::ptSink, TOWPinType::ptSource},
      {"((fmMain.Src.OutputPin fmMain.Other.InputPin))", TOWPinType::ptSink, TOWPinType::ptSource},
      {"Sinks (fmMain.Src.OutputPin)", TOWPinType::ptSource, TOWPinType::ptSink},
      {"Sources (fmMain.Src.OutputPin)", TOWPinType::ptMultiSink, TOWPinType::ptSource},
      {"State ('fmMainLink3' fmMain.Src.OutputPin)", TOWPinType::ptState, TOWPinType::ptSource},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.entry);
    auto form = TComponent::CreateUnowned<TLinkForm>();
    // Nothing named exists yet: every name makes a placeholder.
    ASSERT_NO_THROW(ReadRootComponent(
        *form, ObjectTextToBinary(std::string("object fmMain: TLinkForm\n object M: TBareMixer\n"
                                              "  Inputs.Pins = (nil nil ") +
                                  c.entry + ")\n end\nend\n")));
    auto* m = Find<TListMixer>(form.get(), "M");
    EXPECT_EQ(m->Inputs()->UnloadedCount(), 3) << c.entry;
    auto named = [](const std::string& name) -> TOWBasicPin* {
      for (TOWBasicPin* p : UnloadedPins())
        if (p->GetFullIdentName(true) == name) return p;
      return nullptr;
    };
    ASSERT_NE(named("fmMain.M.Inputs._Pin0"), nullptr) << c.entry;
    ASSERT_NE(named("fmMain.M.Inputs._Pin1"), nullptr) << c.entry;
    TOWBasicPin* p = named("fmMain.M.Inputs._Pin2");
    ASSERT_NE(p, nullptr) << c.entry;
    EXPECT_EQ(p->GetPinType(), c.type) << c.entry;
    ASSERT_EQ(p->ConnectedPinCount(), 1) << c.entry;
    TOWBasicPin* other = p->GetConnectedPin(0);
    EXPECT_EQ(other->GetPinType(), c.otherType) << c.entry;
    EXPECT_EQ(other->GetFullIdentName(true), "fmMain.Src.OutputPin") << c.entry;
    // Loaded and not designed: the first count drops them.
    EXPECT_EQ(m->Inputs()->Count(), 0) << c.entry;
    EXPECT_EQ(named("fmMain.M.Inputs._Pin2"), nullptr) << c.entry;
    form.reset();
    ClearUnloadedPins();
  }
}

TEST_F(PinListTest, PendingStateLinksJoinThePinThatTakesThePlaceholdersEntry) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* m = TComponent::Create<TListMixer>(form.get(), 0);
  m->SetName("M");
  TOWBoolStatePin other(m, nullptr, {});
  ASSERT_TRUE(other.ConnectToStateName("fmMainLink5"));
  TWriter w;
  w.WriteListBegin();
  w.WriteIdent("State");
  w.WriteListBegin();
  w.WriteString("fmMainLink5");
  w.WriteListEnd();
  w.WriteListEnd();
  TOWPinList list(m, true);
  form->BeginLoading();
  TReader r(w.Data());
  list.ReadPins(r);
  EXPECT_EQ(list.UnloadedCount(), 1);
  auto* pin = list.Add(std::make_unique<TOWBoolStatePin>(m, nullptr, TOWBoolChangeEvent{}));
  form->AbortLoading();
  ASSERT_NE(pin->Dispatcher(), nullptr);
  EXPECT_EQ(pin->Dispatcher(), other.Dispatcher());
  list.Clear();
}

TEST_F(PinListTest, OnlyNamesUnderTheStoredRootFollowedByADotFollowTheNewRoot) {
  auto holder = TComponent::CreateUnowned<TLinkForm>();
  auto* first = TComponent::Create<TLinkForm>(holder.get());
  first->SetName("fmMain");
  auto* form = TComponent::Create<TLinkForm>(holder.get());
  ReadRootComponent(*form, ObjectTextToBinary(
                               "object fmMain: TLinkForm\n object M: TListMixer\n  Inputs.Form = fmMain\n end\nend\n"));
  ASSERT_EQ(form->Name(), "fmMain_1");
  TOWPinList* list = Find<TListMixer>(form, "M")->Inputs();
  EXPECT_EQ(list->LoadFormName(), "fmMain");
  const std::pair<const char*, const char*> cases[] = {
      {"fmMain.X.Pin", "fmMain_1.X.Pin"},
      {"fmMain2.X.Pin", "fmMain2.X.Pin"},
      {"fmMainX", "fmMainX"},
      {"fmMain", "fmMain"},
      {"Other.fmMain.Pin", "Other.fmMain.Pin"},
  };
  for (auto& [stored, read] : cases) EXPECT_EQ(list->ReRootName(stored), read) << stored;
}

TEST_F(PinListTest, ListLinksStoredUnderOneFormNameResolveInAFormReadUnderAnother) {
  constexpr const char* text = R"(
object fmMain: TLinkForm
  object Src: TLinkAudioIn
  end
  object M: TListMixer
    Inputs.Form = fmMain
    Inputs.Pins = (fmMain.Src.OutputPin)
  end
end
)";
  auto holder = TComponent::CreateUnowned<TLinkForm>();
  auto* first = TComponent::Create<TLinkForm>(holder.get());
  ReadRootComponent(*first, ObjectTextToBinary(text));
  auto* second = TComponent::Create<TLinkForm>(holder.get());
  ReadRootComponent(*second, ObjectTextToBinary(text));
  ASSERT_EQ(second->Name(), "fmMain_1");
  for (TComponent* f : {static_cast<TComponent*>(first), static_cast<TComponent*>(second)})
    EXPECT_EQ(Find<TListMixer>(f, "M")->Input(0)->SourcePin(), Find<TLinkAudioIn>(f, "Src")->OutputPin())
        << f->Name();
  EXPECT_TRUE(UnloadedPins().empty());
}

TEST_F(PinListTest, AStoredPinsOwnerIsReadAndDropped) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  ReadRootComponent(*form, ObjectTextToBinary(
                               "object fmMain: TLinkForm\n object M: TListMixer\n  Inputs.PinsOwner = False\n"
                               "  Outputs.PinsOwner = True\n end\nend\n"));
  auto* m = Find<TListMixer>(form.get(), "M");
  EXPECT_TRUE(m->Inputs()->PinsOwner());
  EXPECT_EQ(m->Inputs()->Count(), 3);
  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.find("PinsOwner"), std::string::npos);
  // Nothing linked: each list stores its form only.
  EXPECT_EQ(text.find("Pins\x01"), std::string::npos);
  EXPECT_NE(text.find("Inputs.Form"), std::string::npos);
}

TEST_F(PinListTest, BrokenListEntriesRaiseReadErrors) {
  const char* cases[] = {
      // an identifier where the list of entries must start
      "Inputs.Pins = fmMain.Src.OutputPin",
      // a number as an entry
      "Inputs.Pins = (12)",
      // an identifier where the list of sinks must start
      "Outputs.Pins = (Sinks fmMain.F.InputPin)",
      // a state entry without its list
      "States.Pins = (State 'fmMainLink1')",
      // a number for the state link's name
      "States.Pins = (State (3))",
      // a source list with a number for its display name
      "Inputs.Pins = ((fmMain.Src.OutputPin 3))",
      // a string for PinsOwner
      "Inputs.PinsOwner = 'yes'",
      // a number for the root name
      "Inputs.Form = 4",
  };
  for (const char* entry : cases) {
    std::string text = std::string("object fmMain: TLinkForm\n object Src: TLinkAudioIn\n end\n"
                                   " object M: TListMixer\n  ") +
                       entry + "\n end\nend\n";
    auto form = TComponent::CreateUnowned<TLinkForm>();
    EXPECT_THROW(ReadRootComponent(*form, ObjectTextToBinary(text)), EReadError) << entry;
    EXPECT_EQ(form->ComponentCount(), 0);
    ClearUnloadedPins();
  }
}

TEST_F(PinListTest, ABrokenEntryLeavesTheLinksReadBeforeItWhole) {
  auto form = TComponent::CreateUnowned<TLinkForm>();
  form->SetName("fmMain");
  auto* src = TComponent::Create<TLinkAudioIn>(form.get());
  src->SetName("Src");
  auto* m = TComponent::Create<TListMixer>(form.get());
  m->SetName("M");
  TWriter w;
  w.WriteListBegin();
  w.WriteIdent("fmMain.Src.OutputPin");
  w.WriteListBegin();  // a source value cut short
  w.WriteIdent("fmMain.Src.OutputPin");
  w.WriteInteger(5);
  w.WriteListEnd();
  w.WriteListEnd();
  TReader r(w.Data());
  EXPECT_THROW(m->Inputs()->ReadPins(r), EReadError);
  EXPECT_EQ(m->Input(0)->SourcePin(), src->OutputPin());
  EXPECT_EQ(Sinks(src->OutputPin()), std::vector<TOWBasicPin*>{m->Input(0)});
  EXPECT_EQ(m->Input(1)->SourcePin(), nullptr);
  EXPECT_TRUE(UnloadedPins().empty());
}

}  // namespace
}  // namespace tavrel
