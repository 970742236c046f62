#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "platform/tests/classes_fixtures.h"

namespace tavrel {
namespace {

using test::TPart;
using test::TTestForm;
using test::Trace;
using testing::ElementsAre;

TEST(Component, OwnerDestroysOwnedComponentsLastFirst) {
  Trace trace;
  {
    auto form = TComponent::CreateUnowned<TTestForm>();
    auto* a = TComponent::Create<TPart>(form.get(), &trace);
    auto* b = TComponent::Create<TPart>(form.get(), &trace);
    auto* inner = TComponent::Create<TPart>(a, &trace);
    a->SetName("A");
    b->SetName("B");
    inner->SetName("Inner");
    ASSERT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(a->ComponentIndex(), 0);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(inner->Owner(), a);
    trace.clear();
  }
  EXPECT_THAT(trace, ElementsAre("destroying B", "~B", "destroying A", "destroying Inner", "~Inner", "~A"));
}

TEST(Component, CreateRunsAfterConstructionAndDestroySetsDestroying) {
  Trace trace;
  auto form = TComponent::CreateUnowned<TTestForm>();
  auto* part = TComponent::Create<TPart>(form.get(), &trace);
  EXPECT_THAT(trace, ElementsAre("created TPart"));
  EXPECT_FALSE(part->HasState(csDestroying));
  part->SetName("P");
  part->Destroy();
  EXPECT_EQ(form->ComponentCount(), 0);
  EXPECT_THAT(trace, ElementsAre("created TPart", "destroying P", "~P"));
  EXPECT_THROW(TComponent::Create<TPart>(nullptr), EComponentError);
}

class TFailing : public TPart {
  TAVREL_CLASS_INFO
 public:
  explicit TFailing(TComponent* owner) : TPart(owner) {
    TComponent::Create<TPart>(this)->SetName("Child");
    throw EOWException("no");
  }
};
const ClassInfo& TFailing::Class() {
  static const ClassInfo ci = ClassBuilder<TFailing>("TFailing", TPart::Class()).build();
  return ci;
}

TEST(Component, ConstructorThatThrowsLeavesNothingWithTheOwner) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  EXPECT_THROW(TComponent::Create<TFailing>(form.get()), EOWException);
  EXPECT_EQ(form->ComponentCount(), 0);
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblingsIgnoringCase) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  auto other = TComponent::CreateUnowned<TTestForm>();
  auto* a = TComponent::Create<TPart>(form.get());
  auto* b = TComponent::Create<TPart>(form.get());
  auto* c = TComponent::Create<TPart>(other.get());
  a->SetName("ALLowPass1");
  EXPECT_THROW(b->SetName("allowpass1"), EComponentError);
  EXPECT_EQ(b->Name(), "");
  EXPECT_NO_THROW(c->SetName("ALLowPass1"));  // another owner
  c->SetName("C");
  for (const char* bad : {"1st", "a b", "a.b", "é"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(b->SetName(bad), EComponentError);
  }
  b->SetName("_Low2");
  EXPECT_NO_THROW(a->SetName("ALLowPass1"));  // same name again
  EXPECT_EQ(form->FindComponent("allowPASS1"), a);
  EXPECT_EQ(form->FindComponent(""), nullptr);
  // Moving a component under an owner that has its name is refused.
  auto* twin = TComponent::Create<TPart>(other.get());
  twin->SetName("ALLowPass1");
  EXPECT_NO_THROW(twin->SetName("ALLOWPASS1"));  // its own name in another case
  EXPECT_THROW(other->InsertComponent(a), EComponentError);
  EXPECT_EQ(a->Owner(), form.get());
  EXPECT_EQ(form->FindComponent("ALLowPass1"), a);
  b->SetName("");
  EXPECT_EQ(b->Name(), "");
}

TEST(Component, FreeNotificationTellsTheOtherSideOnlyWhileItLives) {
  Trace trace;
  auto form1 = TComponent::CreateUnowned<TTestForm>();
  auto form2 = TComponent::CreateUnowned<TTestForm>();
  auto* user = TComponent::Create<TPart>(form1.get(), &trace);
  auto* used = TComponent::Create<TPart>(form2.get(), &trace);
  user->SetName("User");
  used->SetName("Used");
  user->SetPeer(used);
  used->FreeNotification(user);
  used->Destroy();
  EXPECT_EQ(user->Peer(), nullptr);
  EXPECT_THAT(trace, testing::Contains("User hears Used go"));

  // The listener dies first: nothing reaches it later.
  auto* used2 = TComponent::Create<TPart>(form2.get(), &trace);
  used2->FreeNotification(user);
  user->Destroy();
  trace.clear();
  used2->Destroy();
  EXPECT_THAT(trace, ElementsAre("destroying ", "~"));
}

TEST(Component, SiblingsHearARemovalThroughTheOwner) {
  Trace trace;
  auto form = TComponent::CreateUnowned<TTestForm>();
  auto* a = TComponent::Create<TPart>(form.get(), &trace);
  auto* b = TComponent::Create<TPart>(form.get(), &trace);
  a->SetName("A");
  b->SetName("B");
  a->SetPeer(b);
  b->Destroy();
  EXPECT_EQ(a->Peer(), nullptr);
}

// A component that makes a sub-component in code, as filters make pins.
class TMaker : public TPart {
  TAVREL_CLASS_INFO
 public:
  explicit TMaker(TComponent* owner, Trace* trace) : TPart(owner, trace) {
    auto* sub = TComponent::Create<TPart>(this, trace);
    sub->SetName("Sub");
  }
};
const ClassInfo& TMaker::Class() {
  static const ClassInfo ci = ClassBuilder<TMaker>("TMaker", TPart::Class()).build();
  return ci;
}

TEST(Component, LoadingCallsLoadedOnceOnEveryComponentInJoiningOrder) {
  Trace trace;
  auto form = TComponent::CreateUnowned<TTestForm>(&trace);
  form->SetName("fmMain");
  form->BeginLoading();
  EXPECT_TRUE(form->HasState(csLoading | csReading));
  auto* first = TComponent::Create<TPart>(form.get(), &trace);
  first->SetName("First");
  auto* maker = TComponent::Create<TMaker>(form.get(), &trace);
  maker->SetName("Maker");
  auto* gone = TComponent::Create<TPart>(form.get(), &trace);
  gone->SetName("Gone");
  EXPECT_TRUE(first->HasState(csLoading));
  EXPECT_TRUE(maker->Components(0)->HasState(csLoading));
  EXPECT_TRUE(maker->Components(0)->IsLoadingInChain());
  gone->Destroy();
  trace.clear();
  form->EndLoading();
  EXPECT_THAT(trace, ElementsAre("loaded fmMain", "loaded First", "loaded Maker", "loaded Sub"));
  EXPECT_FALSE(form->HasState(csLoading | csReading));
  EXPECT_FALSE(maker->Components(0)->HasState(csLoading));
  EXPECT_FALSE(maker->IsLoadingInChain());
  // Components made after loading are not loaded again.
  trace.clear();
  TComponent::Create<TPart>(form.get(), &trace);
  EXPECT_THAT(trace, ElementsAre("created TPart"));
}

TEST(Component, DesigningSpreadsToOwnedComponents) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  form->SetDesigning(true);
  auto* part = TComponent::Create<TPart>(form.get());
  EXPECT_TRUE(part->HasState(csDesigning));
  form->SetDesigning(false);
  EXPECT_FALSE(part->HasState(csDesigning));
}

class TTestApplication : public TComponent {
  TAVREL_CLASS_INFO
 public:
  using TComponent::TComponent;
};
const ClassInfo& TTestApplication::Class() {
  static const ClassInfo ci = ClassBuilder<TTestApplication>("TTestApplication", TComponent::Class())
                                  .application()
                                  .build();
  return ci;
}
class TDerivedForm : public TTestForm {
  TAVREL_CLASS_INFO
 public:
  using TTestForm::TTestForm;
};
const ClassInfo& TDerivedForm::Class() {
  static const ClassInfo ci = ClassBuilder<TDerivedForm>("TDerivedForm", TTestForm::Class()).build();
  return ci;
}

TEST(Component, RootMarkersFollowTheClassChain) {
  auto app = TComponent::CreateUnowned<TTestApplication>();
  auto* form = TComponent::Create<TDerivedForm>(app.get());
  auto* part = TComponent::Create<TPart>(form);
  EXPECT_TRUE(app->IsApplicationObject());
  EXPECT_FALSE(form->IsApplicationObject());
  EXPECT_TRUE(form->IsFormRoot());
  EXPECT_FALSE(part->IsFormRoot());
  EXPECT_TRUE(form->ClassType().isNamedOrDerived("TTestForm"));
  EXPECT_FALSE(part->ClassType().isNamedOrDerived("TTestForm"));
}

TEST(Component, MethodTableResolvesNamesIgnoringCase) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  int calls = 0;
  form->PublishMethod("ALGenericFilter1ProcessData", TNotifyEvent([&](TObject*) { ++calls; }, form.get()));
  const MethodRef* m = form->FindMethod("algenericfilter1processdata");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->name, "ALGenericFilter1ProcessData");
  TNotifyEvent e = TNotifyEvent::FromRef(*m);
  e(nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(form->FindMethod("Other"), nullptr);
  using TIntEvent = Method<int(int)>;
  EXPECT_THROW(TIntEvent::FromRef(*m), EPropertyError);
}

class TCopyable : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  int value = 0;
  void Assign(TPersistent* source) override {
    if (auto* s = dynamic_cast<TCopyable*>(source)) {
      value = s->value;
      return;
    }
    TPersistent::Assign(source);
  }
};
const ClassInfo& TCopyable::Class() {
  static const ClassInfo ci = ClassBuilder<TCopyable>("TCopyable", TPersistent::Class()).build();
  return ci;
}

TEST(Persistent, AssignCopiesLikeObjectsAndRefusesOthers) {
  TCopyable a, b;
  b.value = 7;
  a.Assign(&b);
  EXPECT_EQ(a.value, 7);
  auto form = TComponent::CreateUnowned<TTestForm>();
  try {
    a.Assign(form.get());
    FAIL() << "assigned a form to a TCopyable";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TTestForm to a TCopyable");
  }
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
  EXPECT_EQ(a.value, 7);
}

}  // namespace
}  // namespace tavrel
