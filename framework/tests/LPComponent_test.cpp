#include "framework/LPComponent.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "framework/LPProperties.h"
#include "framework/tests/lp_fixtures.h"
#include "platform/forms.h"

namespace tavrel {
namespace {

using namespace lp_fixtures;

class LPComponentTest : public testing::Test {
 protected:
  void SetUp() override { RegisterFixtureClasses(); }
};

std::vector<bool> SetUpArgs(const TProbe& p) {
  std::vector<bool> args;
  for (auto& c : p.setUps) args.push_back(c.justCreated);
  return args;
}

TEST_F(LPComponentTest, SetUpOnceTrueInCodeFalseAfterLoading) {
  // Created in code, with and without an owner.
  auto alone = TComponent::CreateUnowned<TProbe>();
  EXPECT_EQ(SetUpArgs(*alone), std::vector<bool>{true});
  auto form = TComponent::CreateUnowned<TTestForm>();
  form->SetName("Form1");
  auto* p1 = TComponent::Create<TProbe>(form.get());
  p1->SetName("P1");
  p1->SetLevel(7);
  auto* p2 = TComponent::Create<TProbe>(form.get());
  p2->SetName("P2");
  p2->SetPartner(p1);
  auto* maker = TComponent::Create<TMaker>(form.get());
  maker->SetName("M1");
  EXPECT_EQ(SetUpArgs(*p1), std::vector<bool>{true});
  EXPECT_EQ(SetUpArgs(*maker->inner), std::vector<bool>{true});

  // Read from form data: once, false, after its properties and links; the
  // maker's own probe is created in code while its owner loads: false only.
  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  auto copy = TComponent::CreateUnowned<TTestForm>();
  ReadRootComponent(*copy, bytes);
  auto* r1 = dynamic_cast<TProbe*>(copy->FindComponent("P1"));
  auto* r2 = dynamic_cast<TProbe*>(copy->FindComponent("P2"));
  auto* rm = dynamic_cast<TMaker*>(copy->FindComponent("M1"));
  ASSERT_TRUE(r1 && r2 && rm);
  ASSERT_EQ(r1->setUps.size(), 1u);
  EXPECT_FALSE(r1->setUps[0].justCreated);
  EXPECT_EQ(r1->setUps[0].level, 7);
  ASSERT_EQ(r2->setUps.size(), 1u);
  EXPECT_EQ(r2->setUps[0].partner, r1) << "links are resolved before SetUp";
  EXPECT_EQ(SetUpArgs(*rm->inner), std::vector<bool>{false});

  // Created in code by hand while the owner loads.
  auto loading = TComponent::CreateUnowned<TTestForm>();
  loading->BeginLoading();
  auto* late = TComponent::Create<TProbe>(loading.get());
  EXPECT_TRUE(late->setUps.empty());
  loading->EndLoading();
  EXPECT_EQ(SetUpArgs(*late), std::vector<bool>{false});

  // Designing: never.
  auto design = TComponent::CreateUnowned<TTestForm>();
  design->SetDesigning(true);
  auto* designed = TComponent::Create<TProbe>(design.get());
  design->BeginLoading();
  design->EndLoading();
  EXPECT_TRUE(designed->setUps.empty());
}

std::vector<uint8_t> Ext(long double v) {
  std::vector<uint8_t> b(10);
  std::memcpy(b.data(), &v, 10);
  return b;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<uint8_t> Str(const std::string& s) {
  std::vector<uint8_t> b{uint8_t(s.size())};
  b.insert(b.end(), s.begin(), s.end());
  return b;
}

std::vector<uint8_t> DefinedBytes(TPersistent& obj) {
  TWriter w;
  obj.DefineProperties(w);
  return w.Data();
}

TEST_F(LPComponentTest, FloatsWritesExactlyTheZeroFloats) {
  auto f = TComponent::CreateUnowned<TFilterLike>();
  // All floats non-zero, and the only zero a TDateTime: nothing.
  EXPECT_TRUE(DefinedBytes(*f).empty());
  f->SetLevel(0);
  EXPECT_EQ(DefinedBytes(*f), Cat({Str("_Floats"), {0x01, 0x01, 0x07}, Str("Level"), {0x05}, Ext(0), {0x00, 0x00}}));
  f->SetGain(0);
  EXPECT_EQ(DefinedBytes(*f), Cat({Str("_Floats"), {0x01, 0x01, 0x07}, Str("Gain"), {0x05}, Ext(0), {0x00},
                                   {0x01, 0x07}, Str("Level"), {0x05}, Ext(0), {0x00, 0x00}}));
  // Sub-objects and items carry their own.
  f->Format()->SetRate(0);  // refused by the minimum: stays 1
  EXPECT_TRUE(DefinedBytes(*f->Format()).empty());
  auto* band = static_cast<TBand*>(f->Tones()->Add());
  band->SetFreq(0);
  EXPECT_EQ(DefinedBytes(*band), Cat({Str("_Floats"), {0x01, 0x01, 0x07}, Str("Freq"), {0x05}, Ext(0), {0x00, 0x00}}));
}

TEST_F(LPComponentTest, FloatsReadBackAndSkipBadEntries) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  auto* f = TComponent::Create<TFilterLike>(form.get());
  f->SetName("F1");
  f->SetGain(0);
  f->SetLevel(0);
  static_cast<TBand*>(f->Tones()->Add())->SetFreq(0);
  std::vector<uint8_t> bytes = WriteRootComponent(*form);

  struct Case {
    const char* gainName;  // what the first entry names instead of Gain
    double gain;
  } cases[] = {{"Gain", 0}, {"Nope", 2}, {"Name", 2}};  // missing; refuses a float
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gainName);
    std::vector<uint8_t> patched = bytes;
    std::vector<uint8_t> entry = Cat({{0x07}, Str("Gain"), {0x05}});
    auto at = std::search(patched.begin(), patched.end(), entry.begin(), entry.end());
    ASSERT_NE(at, patched.end());
    std::copy_n(c.gainName, 4, at + 2);
    auto copy = TComponent::CreateUnowned<TTestForm>();
    ReadRootComponent(*copy, patched);
    auto* r = dynamic_cast<TFilterLike*>(copy->FindComponent("F1"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Gain(), c.gain);
    EXPECT_EQ(r->Level(), 0.0f) << "the next entry is still applied";
    ASSERT_EQ(r->Tones()->Count(), 1);
    EXPECT_EQ(static_cast<TBand*>(r->Tones()->Items(0))->Freq(), 0.0);
  }
}

TEST_F(LPComponentTest, FloatsAcceptsOtherNumberEncodingsAndRejectsABrokenList) {
  auto f = TComponent::CreateUnowned<TFilterLike>();
  struct Case {
    std::vector<uint8_t> payload;
    bool ok;
  } cases[] = {
      {Cat({{0x01, 0x01, 0x07}, Str("Level"), {0x02, 0x00, 0x00, 0x00}}), true},  // vaInt8 0
      {Cat({{0x01, 0x01, 0x07}, Str("Level"), {0x05}, Ext(0), {0x01}}), false},   // no inner end
      {{0x07}, false},                                                             // no list
  };
  for (const Case& c : cases) {
    f->SetLevel(1);
    TReader r(c.payload);
    if (c.ok) {
      ReadFloats(r, *f);
      EXPECT_EQ(f->Level(), 0.0f);
    } else {
      EXPECT_THROW(ReadFloats(r, *f), EReadError);
    }
  }
}

TEST_F(LPComponentTest, AssignCopiesWritablePublishedPropertiesButName) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  auto* src = TComponent::Create<TFilterLike>(form.get());
  auto* dst = TComponent::Create<TFilterLike>(form.get());
  src->SetName("Src");
  dst->SetName("Dst");
  src->SetCount(4);
  src->SetEnabled(true);
  src->SetGain(0.5);
  src->SetLevel(0);
  src->SetStamp(45000.5);
  src->SetTitle("Bass");
  src->SetSecret(9);
  src->SetPartner(form.get());
  src->OnTick = TNotifyEvent([](TObject*) {}, nullptr, "Tick");
  src->Format()->SetRate(48000);
  src->Format()->SetChannels(6);
  SetProp(*src->Pumping(), "Enabled", true);
  SetProp(*src->Pumping(), "Priority", int64_t(3));
  static_cast<TBand*>(src->Tones()->Add())->SetLabel("Low");
  dst->SetPartner(dst);
  dst->watched = src->Lock();

  dst->Assign(src);
  EXPECT_EQ(dst->Name(), "Dst");
  EXPECT_EQ(dst->Count(), 4);
  EXPECT_TRUE(dst->Enabled());
  EXPECT_EQ(dst->Gain(), 0.5);
  EXPECT_EQ(dst->Level(), 0.0f);
  EXPECT_EQ(dst->Stamp(), 45000.5);
  EXPECT_EQ(dst->Title(), "Bass");
  EXPECT_EQ(dst->Secret(), 0) << "never stored: not copied";
  EXPECT_EQ(dst->Partner(), dst) << "component references stay";
  EXPECT_EQ(dst->OnTick.name, "Tick");
  EXPECT_EQ(dst->Format()->Rate(), 48000);
  EXPECT_EQ(dst->Format()->Channels(), 6);
  EXPECT_EQ(dst->formatSenders, std::vector<TObject*>(2, dst->Format())) << "the sub-object's own notification";
  EXPECT_TRUE(dst->Pumping()->Enabled());
  EXPECT_EQ(dst->Pumping()->Priority(), 3);
  ASSERT_EQ(dst->Tones()->Count(), 1);
  EXPECT_EQ(static_cast<TBand*>(dst->Tones()->Items(0))->Label(), "Low");
  EXPECT_FALSE(dst->watchedHeld) << "the source's lock is not held while the destination changes";
  EXPECT_TRUE(dst->bothHeld) << "every change under the input and the output lock";
  EXPECT_GT(dst->changes, 0);
}

TEST_F(LPComponentTest, AssignFromAClassLackingAPropertyRaisesAfterAPartialCopy) {
  auto small = TComponent::CreateUnowned<TSmaller>();
  auto dst = TComponent::CreateUnowned<TFilterLike>();
  // Sorted: Computed (read-only), Count, Enabled, Format (missing) ... Gain.
  EXPECT_THROW(dst->Assign(small.get()), EPropertyError);
  EXPECT_EQ(dst->Count(), 5);
  EXPECT_TRUE(dst->Enabled());
  EXPECT_EQ(dst->Gain(), 2) << "nothing after the missing property";
  // Another kind of source: the library's refusal.
  auto plain = TComponent::CreateUnowned<TTestForm>();
  EXPECT_THROW(dst->Assign(plain.get()), EConvertError);
}

TEST_F(LPComponentTest, InputOutputLockComponentPairsItsLocks) {
  auto f = TComponent::CreateUnowned<TFilterLike>();
  EXPECT_NE(f->InputLock()->Instance(), f->OutputLock()->Instance());
  EXPECT_EQ(f->Lock()->Instance(), f->InputLock()->Instance());
  f->SetTitle("x");
  EXPECT_EQ(f->changes, 1);
  EXPECT_TRUE(f->bothHeld);
  // The sub-objects share the input lock only.
  EXPECT_EQ(f->Format()->Lock()->Instance(), f->InputLock()->Instance());
}

TEST_F(LPComponentTest, PersistentNeedsALockAndNotifiesItself) {
  try {
    TLPPersistent p;
    FAIL() << "created without a lock";
  } catch (const EOWException& e) {
    EXPECT_STREQ(e.what(), "Calling TLPPersistent.Create without lock!");
  }
  auto f = TComponent::CreateUnowned<TFilterLike>();
  TFormat nested(static_cast<TLPPersistent*>(f->Format()), TNotifyEvent{});
  EXPECT_EQ(nested.GetOwner(), f->Format());
  EXPECT_EQ(nested.Lock()->Instance(), f->InputLock()->Instance());
  f->Format()->SetChannels(20);
  EXPECT_EQ(f->Format()->Channels(), 8);
  EXPECT_EQ(f->changes, 0) << "the owner's PropertyChanged is not the sub-object's notification";
  EXPECT_EQ(f->formatSenders.size(), 1u);
  EXPECT_EQ(f->Format()->GetOwner(), f.get());
}

TEST_F(LPComponentTest, FormWithComponentsRoundTrips) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  form->SetName("Main");
  form->PublishMethod("Tick", TNotifyEvent([](TObject*) {}));
  auto* a = TComponent::Create<TFilterLike>(form.get());
  a->SetName("A");
  auto* b = TComponent::Create<TFilterLike>(form.get());
  b->SetName("B");
  a->SetCount(-3);
  a->SetTitle("caf\xc3\xa9");
  a->SetGain(0);
  a->SetStamp(1.25);
  a->SetPartner(b);
  a->OnTick = TNotifyEvent([](TObject*) {}, form.get(), "Tick");
  a->Format()->SetRate(22050);
  SetProp(*a->Pumping(), "Priority", int64_t(-2));
  for (const char* label : {"Low", "High"}) {
    auto* band = static_cast<TBand*>(a->Tones()->Add());
    band->SetLabel(label);
    band->SetFreq(label[0] == 'L' ? 0 : 8000);
  }
  b->SetEnabled(true);
  b->SetLevel(0);

  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  auto copy = TComponent::CreateUnowned<TTestForm>();
  copy->PublishMethod("Tick", TNotifyEvent([](TObject*) {}));
  ReadRootComponent(*copy, bytes);
  ASSERT_EQ(copy->ComponentCount(), 2);
  auto* ra = dynamic_cast<TFilterLike*>(copy->Components(0));
  auto* rb = dynamic_cast<TFilterLike*>(copy->Components(1));
  ASSERT_TRUE(ra && rb);
  EXPECT_EQ(ra->Name(), "A");
  EXPECT_EQ(rb->Name(), "B");
  EXPECT_EQ(ra->Count(), -3);
  EXPECT_EQ(ra->Title(), "caf\xc3\xa9");
  EXPECT_EQ(ra->Gain(), 0);
  EXPECT_EQ(ra->Stamp(), 1.25);
  EXPECT_EQ(ra->Partner(), rb);
  EXPECT_EQ(ra->OnTick.name, "Tick");
  EXPECT_EQ(ra->Format()->Rate(), 22050);
  EXPECT_EQ(ra->Pumping()->Priority(), -2);
  ASSERT_EQ(ra->Tones()->Count(), 2);
  auto* low = static_cast<TBand*>(ra->Tones()->Items(0));
  auto* high = static_cast<TBand*>(ra->Tones()->Items(1));
  EXPECT_EQ(low->Label(), "Low");
  EXPECT_EQ(low->Freq(), 0);
  EXPECT_EQ(high->Freq(), 8000);
  EXPECT_TRUE(rb->Enabled());
  EXPECT_EQ(rb->Level(), 0.0f);
  EXPECT_EQ(rb->Gain(), 2);
  // Written again, the same bytes.
  EXPECT_EQ(WriteRootComponent(*copy), bytes);
}

TEST(LPProperties, StringValueKinds) {
  for (int v = 0; v <= vaDouble; ++v)
    EXPECT_EQ(IsStringValue(TValueType(v)), v == 6 || v == 12 || v == 18 || v == 20) << v;
}

}  // namespace
}  // namespace tavrel
