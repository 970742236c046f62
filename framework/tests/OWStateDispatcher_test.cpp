// State links: names, delivery to the other members, dissolution, order
// checks and the "State" value in form data.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/OWStateDispatcher.h"
#include "framework/OWStdPins.h"
#include "framework/tests/pin_links_fixtures.h"
#include "framework/tests/pins_testing.h"
#include "platform/formtext.h"
#include "platform/forms.h"

namespace tavrel {
namespace {

using testing_pins::TTestOwner;
using testing_pins::TypeA;

// A state pin that logs what reaches it, by name.
class TLogStatePin : public TOWStatePin, public IOWBasicStream {
 public:
  TLogStatePin(TComponent* owner, std::string name, std::vector<std::string>* log)
      : TOWStatePin(owner, nullptr), name_(std::move(name)), log_(log) {
    AddType(TypeA, TOWSubmit::Of<&TLogStatePin::Submit>(this));
  }
  const std::string& Label() const { return name_; }
  TOWNotifyResult DispatchData(const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState s) override {
    log_->push_back(name_ + (s.Contains(nsLastIteration) ? "*" : "") + (s.Contains(nsNewLink) ? "+" : ""));
    return {};
  }

 private:
  TOWNotifyResult Submit(IOWStream* h, const TDataTypeID& id, IOWNotifyOperation* op, TOWNotifyState s) {
    return dynamic_cast<IOWBasicStream*>(h)->DispatchData(id, op, s);
  }
  std::string name_;
  std::vector<std::string>* log_;
};

class StateLinksTest : public testing::Test {
 protected:
  ComponentPtr<TTestOwner> form = [] {
    auto f = TComponent::CreateUnowned<TTestOwner>();
    f->SetName("fmMain");
    return f;
  }();
  std::vector<std::string> log;
};

TEST_F(StateLinksTest, UnnamedLinksAreNamedAfterTheFormWithTheSmallestFreeNumber) {
  Ref<TOWStateDispatcher> d1 = TOWStateDispatcher::Create(form.get());
  Ref<TOWStateDispatcher> d2 = TOWStateDispatcher::Create(form.get());
  EXPECT_EQ(d1->Name(), "fmMainLink1");
  EXPECT_EQ(d2->Name(), "fmMainLink2");
  d1.reset();
  EXPECT_EQ(TOWStateDispatcher::Create(form.get())->Name(), "fmMainLink1");
  // Design-time and run-time links are apart; a name may exist in both.
  Ref<TOWStateDispatcher> design = TOWStateDispatcher::CreateNamed("fmMainLink2", true);
  EXPECT_EQ(TOWStateDispatcher::GetByName("fmMainLink2", true), design);
  EXPECT_EQ(TOWStateDispatcher::GetByName("fmMainLink2", false), d2);
  EXPECT_EQ(TOWStateDispatcher::GetByName("fmMainLink9", false), nullptr);
}

TEST_F(StateLinksTest, AnOperationReachesEveryOtherMemberOnceInJoiningOrder) {
  TLogStatePin a(form.get(), "a", &log), b(form.get(), "b", &log), c(form.get(), "c", &log);
  ASSERT_TRUE(a.Connect(&b));
  ASSERT_TRUE(c.ConnectToState(a.Dispatcher()));
  EXPECT_EQ(a.Dispatcher()->Name(), "fmMainLink1");
  struct Case {
    TLogStatePin* sender;
    std::vector<std::string> heard;
  } cases[] = {{&a, {"b", "c*"}}, {&b, {"a", "c*"}}, {&c, {"a", "b*"}}};
  for (auto& k : cases) {
    log.clear();
    Ref<IOWNotifyOperation> op = MakeRef<TOWNotifyOperation>();
    k.sender->Notify(op.get());
    EXPECT_EQ(log, k.heard);
  }
}

TEST_F(StateLinksTest, ALinkLeftWithOneMemberDissolvesAndItsDispatcherGoes) {
  int before = TOWStateDispatcher::Alive();
  TLogStatePin a(form.get(), "a", &log), b(form.get(), "b", &log), c(form.get(), "c", &log);
  ASSERT_TRUE(a.Connect(&b));
  ASSERT_TRUE(c.ConnectToState(a.Dispatcher()));
  EXPECT_EQ(TOWStateDispatcher::Alive(), before + 1);
  b.Disconnect();
  EXPECT_EQ(a.PinCount(), 2);
  a.Disconnect();
  EXPECT_EQ(c.Dispatcher(), nullptr);
  EXPECT_EQ(a.Dispatcher(), nullptr);
  EXPECT_EQ(TOWStateDispatcher::Alive(), before);
  EXPECT_EQ(c.GetLinkDisplayName(), "(Disconnected)");
}

TEST_F(StateLinksTest, DisconnectAllEndsTheLink) {
  int before = TOWStateDispatcher::Alive();
  TLogStatePin a(form.get(), "a", &log), b(form.get(), "b", &log), c(form.get(), "c", &log);
  ASSERT_TRUE(a.Connect(&b));
  ASSERT_TRUE(c.ConnectToState(a.Dispatcher()));
  a.Dispatcher()->DisconnectAll();
  for (auto* p : {&a, &b, &c}) EXPECT_EQ(p->Dispatcher(), nullptr);
  EXPECT_EQ(TOWStateDispatcher::Alive(), before);
}

TEST_F(StateLinksTest, AfterPinsMayNotCloseAChain) {
  TLogStatePin a(form.get(), "a", &log), b(form.get(), "b", &log), c(form.get(), "c", &log);
  TLogStatePin outsider(form.get(), "x", &log);
  ASSERT_TRUE(a.Connect(&b));
  Ref<TOWStateDispatcher> d = a.Dispatcher();
  ASSERT_TRUE(c.ConnectToState(d, &b));
  EXPECT_FALSE(d->CanConnectAfter(&a, &a, true));
  EXPECT_FALSE(d->CanConnectAfter(&a, &outsider, true));
  EXPECT_TRUE(d->CanConnectAfter(&a, &b, true));
  EXPECT_FALSE(d->CanConnectAfter(&b, &c, true));  // c is served after b
  EXPECT_TRUE(d->CanConnectAfter(&a, &c, true));
}

// Members a, b, c, d joining in that order, each after the pin named in
// its entry ("b:a" is b after a); one leaves.
TEST_F(StateLinksTest, LeavingTable) {
  struct Case {
    const char* what;
    std::vector<std::string> members;
    std::string leaver;
    std::string after;  // each remaining member's after-pin
  } cases[] = {
      {"the first member left that shared the leaver's after-pin gets none; those after the leaver keep it",
       {"a", "b:a", "c:a", "d:b"}, "b", "a:- c:- d:b"},
      {"only the first of those that shared it", {"a", "b:a", "c:a", "d:a"}, "c", "a:- b:- d:a"},
      {"a leaver after none changes nobody", {"a", "b", "c:a", "d:b"}, "a", "b:- c:a d:b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::map<std::string, std::unique_ptr<TLogStatePin>> pins;
    for (const char* n : {"a", "b", "c", "d"}) pins[n] = std::make_unique<TLogStatePin>(form.get(), n, &log);
    Ref<TOWStateDispatcher> d = TOWStateDispatcher::CreateNamed("Order", false);
    for (const std::string& m : c.members) {
      TOWBasicPin* after = m.size() > 2 ? pins[m.substr(2)].get() : nullptr;
      ASSERT_TRUE(pins[m.substr(0, 1)]->ConnectToState(d, after)) << m;
    }
    TLogStatePin* leaver = pins[c.leaver].get();
    leaver->Disconnect();
    auto afterPins = [&] {
      std::string r;
      for (auto& m : d->Members()) {
        std::string after = "-";
        for (auto& [name, pin] : pins)
          if (pin.get() == m.AfterPin) after = name;
        r += std::string(r.empty() ? "" : " ") + dynamic_cast<TLogStatePin*>(m.RealPin)->Label() + ":" + after;
      }
      return r;
    };
    EXPECT_EQ(afterPins(), c.after);
    // A reference kept to the pin that left goes when that pin goes.
    pins[c.leaver].reset();
    for (auto& m : d->Members()) EXPECT_NE(m.AfterPin, leaver);
    d->DisconnectAll();
  }
}

// A pin class may make the links its joins start.
class TFactoryPin : public TLogStatePin {
 public:
  using TLogStatePin::TLogStatePin;
  std::vector<std::string> made;
  Ref<TOWStateDispatcher> CreateStateDispatcher(TComponent* AOwnerForm) override {
    made.push_back("for " + AOwnerForm->Name());
    return TOWStateDispatcher::CreateNamed("Made", false);
  }
  Ref<TOWStateDispatcher> CreateNamedStateDispatcher(const std::string& AName, bool ADesignTime) override {
    made.push_back(AName + (ADesignTime ? " (design)" : ""));
    return TLogStatePin::CreateNamedStateDispatcher(AName, ADesignTime);
  }
};

TEST_F(StateLinksTest, JoinsMakeNewLinksThroughThePinsFactories) {
  TFactoryPin a(form.get(), "a", &log), b(form.get(), "b", &log), c(form.get(), "c", &log);
  ASSERT_TRUE(a.Connect(&b));
  EXPECT_EQ(a.made, std::vector<std::string>{"for fmMain"});
  EXPECT_EQ(a.Dispatcher()->Name(), "Made");
  EXPECT_EQ(b.Dispatcher(), a.Dispatcher());
  EXPECT_TRUE(b.made.empty());
  // By name: made only when no link has that name yet.
  ASSERT_TRUE(c.ConnectToStateName("Named"));
  ASSERT_TRUE(b.ConnectToStateName("Named"));
  EXPECT_EQ(c.made, std::vector<std::string>{"Named"});
  EXPECT_TRUE(b.made.empty());
  EXPECT_EQ(b.Dispatcher(), c.Dispatcher());
}

TEST_F(StateLinksTest, AJoiningPinHearsTheOthersAndTheyHearIt) {
  TLogStatePin a(form.get(), "a", &log), b(form.get(), "b", &log), c(form.get(), "c", &log);
  ASSERT_TRUE(a.Connect(&b));
  log.clear();
  ASSERT_TRUE(c.ConnectToState(a.Dispatcher()));
  // a and b each tell c; c tells a and b.
  EXPECT_EQ(log, (std::vector<std::string>{"c*+", "c*+", "a+", "b*+"}));
  EXPECT_EQ(a.GetLinkDisplayName(), "fmMainLink1");
}

TEST_F(StateLinksTest, BooleanStatePinsShareTheirValue) {
  std::vector<bool> heard;
  TOWBoolStatePin a(form.get(), nullptr, {});
  TOWBoolStatePin b(form.get(), nullptr, TOWBoolChangeEvent([&](TOWPin*, bool v, bool) { heard.push_back(v); }));
  ASSERT_TRUE(a.Connect(&b));
  heard.clear();
  a.SetValue(true);
  EXPECT_TRUE(b.Value());
  EXPECT_EQ(heard, std::vector<bool>{true});
  a.SetValue(true);  // no change, nothing sent
  EXPECT_EQ(heard.size(), 1u);
}

// A component with one Boolean pin of class P.
template <class P>
class TOneBoolPin : public TComponent {
 public:
  explicit TOneBoolPin(TComponent* owner)
      : TComponent(owner), FPin(std::make_unique<P>(this, nullptr, TOWBoolChangeEvent{})) {}
  ~TOneBoolPin() override { FPin.reset(); }
  P* Pin() const { return FPin.get(); }

 private:
  std::unique_ptr<P> FPin;
};
class TSwitch : public TOneBoolPin<TOWBoolStatePin> {
  TAVREL_CLASS_INFO
 public:
  using TOneBoolPin::TOneBoolPin;
  TOWBoolStatePin* EnablePin() const { return Pin(); }
};
class TLamp : public TOneBoolPin<TOWBoolSinkPin> {
  TAVREL_CLASS_INFO
 public:
  using TOneBoolPin::TOneBoolPin;
  TOWBoolSinkPin* LitPin() const { return Pin(); }
};
const ClassInfo& TSwitch::Class() {
  static const ClassInfo ci =
      ClassBuilder<TSwitch>("TSwitch", TComponent::Class()).prop("EnablePin", &TSwitch::EnablePin).build();
  return ci;
}
const ClassInfo& TLamp::Class() {
  static const ClassInfo ci = ClassBuilder<TLamp>("TLamp", TComponent::Class()).prop("LitPin", &TLamp::LitPin).build();
  return ci;
}
class TSwitchForm : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TSwitchForm(TComponent* owner) : TComponent(owner) {}
};
const ClassInfo& TSwitchForm::Class() {
  static const ClassInfo ci = ClassBuilder<TSwitchForm>("TSwitchForm", TComponent::Class()).formRoot().build();
  return ci;
}

TEST(StateLinksForm, StateLinksRoundTripThroughFormData) {
  for (const ClassInfo* ci : {&TSwitch::Class(), &TSwitchForm::Class()})
    if (!GetClass(ci->name)) RegisterClass(*ci);
  std::vector<uint8_t> bytes;
  {
    auto form = TComponent::CreateUnowned<TSwitchForm>();
    form->SetName("fmMain");
    auto* a = TComponent::Create<TSwitch>(form.get());
    a->SetName("A");
    auto* b = TComponent::Create<TSwitch>(form.get());
    b->SetName("B");
    auto* lone = TComponent::Create<TSwitch>(form.get());
    lone->SetName("Lone");
    ASSERT_TRUE(a->EnablePin()->Connect(b->EnablePin()));
    bytes = WriteRootComponent(*form);
  }
  // The short form: the link's name as a string, after the root name.
  std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find(std::string("\x0f" "EnablePin.State\x06\x0b" "fmMainLink1")), std::string::npos);
  EXPECT_EQ(text.find("EnablePin", text.find("Lone")), std::string::npos);  // unlinked: nothing stored

  auto copy = TComponent::CreateUnowned<TSwitchForm>();
  ReadRootComponent(*copy, bytes);
  auto* a = dynamic_cast<TSwitch*>(copy->FindComponent("A"));
  auto* b = dynamic_cast<TSwitch*>(copy->FindComponent("B"));
  ASSERT_TRUE(a && b);
  ASSERT_NE(a->EnablePin()->Dispatcher(), nullptr);
  EXPECT_EQ(a->EnablePin()->Dispatcher(), b->EnablePin()->Dispatcher());
  EXPECT_EQ(a->EnablePin()->Dispatcher()->Name(), "fmMainLink1");
  a->EnablePin()->SetValue(true);
  EXPECT_TRUE(b->EnablePin()->Value());
}

// Input pins read before the state pin of their link (stored first, or in
// a form read first) wait in the link for it.
TEST(StateLinksForm, InputPinsReadBeforeTheirStatePinWaitInTheLink) {
  for (const ClassInfo* ci : {&TSwitch::Class(), &TLamp::Class(), &TSwitchForm::Class()})
    if (!GetClass(ci->name)) RegisterClass(*ci);
  std::vector<uint8_t> bytes;
  {
    auto form = TComponent::CreateUnowned<TSwitchForm>();
    form->SetName("fmMain");
    // Stored, and so read, in this order.
    auto* lamp1 = pin_links::AddNamed<TLamp>(form.get(), "Lamp1");
    auto* lamp2 = pin_links::AddNamed<TLamp>(form.get(), "Lamp2");
    auto* sw = pin_links::AddNamed<TSwitch>(form.get(), "Switch");
    ASSERT_TRUE(sw->EnablePin()->ConnectToStateName("Lights"));
    ASSERT_TRUE(lamp1->LitPin()->ConnectToStateName("Lights"));
    ASSERT_TRUE(lamp2->LitPin()->ConnectToStateName("Lights"));
    bytes = WriteRootComponent(*form);
  }
  auto copy = TComponent::CreateUnowned<TSwitchForm>();
  ASSERT_NO_THROW(ReadRootComponent(*copy, bytes));
  auto* sw = dynamic_cast<TSwitch*>(copy->FindComponent("Switch"));
  auto* lamp1 = dynamic_cast<TLamp*>(copy->FindComponent("Lamp1"));
  auto* lamp2 = dynamic_cast<TLamp*>(copy->FindComponent("Lamp2"));
  ASSERT_TRUE(sw && lamp1 && lamp2);
  EXPECT_EQ(sw->EnablePin()->PinCount(), 3);
  sw->EnablePin()->SetValue(true);
  EXPECT_TRUE(lamp1->LitPin()->Value());
  EXPECT_TRUE(lamp2->LitPin()->Value());
  // Outside reading, a link of input pins only takes no other.
  TOWBoolSinkPin lone(copy.get(), nullptr, {});
  sw->EnablePin()->Disconnect();
  EXPECT_FALSE(lone.ConnectToStateName("Lights"));
  EXPECT_EQ(lone.Dispatcher(), nullptr);
}

}  // namespace
}  // namespace tavrel
