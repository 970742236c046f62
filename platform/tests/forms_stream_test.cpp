#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cmath>
#include <memory>

#include "platform/collection.h"
#include "platform/formtext.h"
#include "platform/forms.h"
#include "platform/tests/classes_fixtures.h"

namespace tavrel {
namespace {

using test::ModeInfo;
using test::TMode;
using test::Trace;
using testing::ElementsAre;
using testing::HasSubstr;

// An owned sub-object, as audio formats are for audio components.
class TFormat : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  int SampleRate() const { return rate_; }
  void SetSampleRate(int v) { rate_ = v; }
  const std::string& Label() const { return label_; }
  void SetLabel(const std::string& v) { label_ = v; }
  bool readingSeen = false;

 private:
  int rate_ = 44100;
  std::string label_;
};
const ClassInfo& TFormat::Class() {
  static const ClassInfo ci = ClassBuilder<TFormat>("TFormat", TPersistent::Class())
                                  .prop("SampleRate", &TFormat::SampleRate, &TFormat::SetSampleRate)
                                  .defaultValue(int64_t(44100))
                                  .prop("Label", &TFormat::Label, &TFormat::SetLabel)
                                  .build();
  return ci;
}

class TChannel : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  using TCollectionItem::TCollectionItem;
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  double Level() const { return level_; }
  void SetLevel(double v) { level_ = v; }

 private:
  std::string title_;
  double level_ = 0;
};
const ClassInfo& TChannel::Class() {
  static const ClassInfo ci = ClassBuilder<TChannel>("TChannel", TCollectionItem::Class())
                                  .prop("Title", &TChannel::Title, &TChannel::SetTitle)
                                  .prop("Level", &TChannel::Level, &TChannel::SetLevel)
                                  .build();
  return ci;
}

// A component with sub-objects, a collection, a string list, a defined
// value and a sub-component made in code.
class TDevicePart : public test::TPart {
  TAVREL_CLASS_INFO
 public:
  explicit TDevicePart(TComponent* owner, Trace* trace = nullptr)
      : TPart(owner, trace), channels_(ItemClassOf<TChannel>(), this) {
    TComponent::Create<test::TPart>(this, trace)->SetName("Inner");
  }
  TFormat* Format() const { return &format_; }
  TCollection* Channels() const { return &channels_; }
  TStringList* Lines() const { return &lines_; }
  std::vector<long double> extra;  // kept through DefineProperties
  std::string peerAtLoaded = "?";
  bool loadingSeenBySetter = false;
  bool readingFormSeen = false;

  int Watch() const { return 0; }
  void SetWatch(int) {
    loadingSeenBySetter = IsLoadingInChain();
    readingFormSeen = IsReadingForm();
  }

  void DefineProperties(TFiler& filer) override {
    TPart::DefineProperties(filer);
    filer.DefineProperty(
        "_Extra",
        [this](TReader& r) {
          extra.clear();
          r.ReadListBegin();
          while (!r.EndOfList()) extra.push_back(r.ReadFloat());
          r.ReadListEnd();
        },
        [this](TWriter& w) {
          w.WriteListBegin();
          for (long double v : extra) w.WriteFloat(v);
          w.WriteListEnd();
        },
        !extra.empty());
  }

 protected:
  void Loaded() override {
    TPart::Loaded();
    peerAtLoaded = Peer() ? Peer()->Name() : "nil";
  }

 private:
  mutable TFormat format_;
  mutable TCollection channels_;
  mutable TStringList lines_;
};
const ClassInfo& TDevicePart::Class() {
  static const ClassInfo ci = ClassBuilder<TDevicePart>("TDevicePart", test::TPart::Class())
                                  .prop("Format", &TDevicePart::Format)
                                  .prop("Channels", &TDevicePart::Channels)
                                  .prop("Lines", &TDevicePart::Lines)
                                  .prop("Watch", &TDevicePart::Watch, &TDevicePart::SetWatch)
                                  .stored(false)
                                  .build();
  return ci;
}

// A container whose children are stored inside it, as windowed controls are.
class TBox : public test::TPart {
  TAVREL_CLASS_INFO
 public:
  using TPart::TPart;
  std::vector<TComponent*> inside;
  TBox* container = nullptr;
  TComponent* parentComponent = nullptr;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override {
    if (root == this) return TComponent::GetChildren(proc, root);
    for (TComponent* c : inside) proc(c);
  }
  void SetParentComponent(TComponent* parent) override {
    parentComponent = parent;
    container = dynamic_cast<TBox*>(parent);
    if (container) container->inside.push_back(this);
  }
};
const ClassInfo& TBox::Class() {
  static const ClassInfo ci = ClassBuilder<TBox>("TBox", test::TPart::Class()).build();
  return ci;
}

class TMainForm : public test::TTestForm {
  TAVREL_CLASS_INFO
 public:
  explicit TMainForm(TComponent* owner, Trace* trace = nullptr) : TTestForm(owner, trace) {
    PublishMethod("PartChange", TNotifyEvent([this](TObject*) { ++changes; }, this));
  }
  int changes = 0;
  // Children stored at the root: those not held by a box.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override {
    TTestForm::GetChildren(
        [&](TComponent* c) {
          auto* box = dynamic_cast<TBox*>(c);
          if (!box || !box->container) proc(c);
        },
        root);
  }
};
const ClassInfo& TMainForm::Class() {
  static const ClassInfo ci = ClassBuilder<TMainForm>("TMainForm", test::TTestForm::Class()).formRoot().build();
  return ci;
}

class FormStream : public testing::Test {
 protected:
  void SetUp() override {
    for (const ClassInfo* ci : classes_) RegisterClass(*ci);
  }
  void TearDown() override {
    for (const ClassInfo* ci : classes_) UnRegisterClass(*ci);
  }
  std::vector<const ClassInfo*> classes_{&test::TPart::Class(), &TDevicePart::Class(), &TBox::Class()};
};

const char* kForm = R"(
// every kind of value
object fmMain: TMainForm
  object Dev1: TDevicePart
    Frequency = 440.5
    Gain = 0.25
    Count = -3
    Big = 1099511627776
    Caption = 'It''s ' + #201 + 'coute'
    Active = True
    Mode = mdFast
    Style = [fsBold, fsUnderline]
    Peer = Dev2
    Stamp = 2
    OnChange = PartChange
    Extra = 'anything'
    Format.SampleRate = 22050
    Format.Label = 'mono'
    Channels = <
      item
        Title = 'Left'
        Level = 0.5
      end
      item
        Title = 'Right'
      end>
    Lines.Strings = ('one' 'two')
    _Extra = (1.5 -2 $10)
    Watch = 1
  end
  object Dev2: TDevicePart
    Peer = fmMain.Dev1
  end
  object Box1: TBox
    object Inner1: TBox
      Count = 7
    end
  end
end
)";

TEST_F(FormStream, TextFormReadsEveryKindOfValue) {
  Trace trace;
  auto form = TComponent::CreateUnowned<TMainForm>(&trace);
  ReadRootComponent(*form, ObjectTextToBinary(kForm));
  EXPECT_EQ(form->Name(), "fmMain");
  ASSERT_EQ(form->ComponentCount(), 4);
  auto* dev1 = dynamic_cast<TDevicePart*>(form->FindComponent("Dev1"));
  auto* dev2 = dynamic_cast<TDevicePart*>(form->FindComponent("Dev2"));
  ASSERT_TRUE(dev1 && dev2);
  EXPECT_EQ(dev1->Frequency(), 440.5);
  EXPECT_EQ(dev1->Gain(), 0.25f);
  EXPECT_EQ(dev1->Count(), -3);
  EXPECT_EQ(dev1->Big(), int64_t(1) << 40);
  EXPECT_EQ(dev1->Caption(), "It's Écoute");
  EXPECT_TRUE(dev1->Active());
  EXPECT_EQ(dev1->Mode(), TMode::mdFast);
  EXPECT_EQ(dev1->Style(), 5u);
  EXPECT_EQ(dev1->Peer(), dev2);
  EXPECT_EQ(dev2->Peer(), dev1);
  EXPECT_EQ(dev1->Stamp(), 2.0);
  ASSERT_TRUE(dev1->OnChange);
  dev1->OnChange(dev1);
  EXPECT_EQ(form->changes, 1);
  EXPECT_EQ(std::get<std::string>(dev1->Extra), "anything");
  EXPECT_EQ(dev1->Format()->SampleRate(), 22050);
  EXPECT_EQ(dev1->Format()->Label(), "mono");
  ASSERT_EQ(dev1->Channels()->Count(), 2);
  EXPECT_EQ(static_cast<TChannel*>(dev1->Channels()->Items(0))->Title(), "Left");
  EXPECT_EQ(static_cast<TChannel*>(dev1->Channels()->Items(0))->Level(), 0.5);
  EXPECT_EQ(static_cast<TChannel*>(dev1->Channels()->Items(1))->Title(), "Right");
  EXPECT_EQ(dev1->Lines()->Text(), "one\ntwo\n");
  EXPECT_EQ(dev1->extra, (std::vector<long double>{1.5L, -2, 16}));
  // Setters run while the component is loading, references resolve before Loaded.
  EXPECT_TRUE(dev1->loadingSeenBySetter);
  EXPECT_TRUE(dev1->readingFormSeen);
  EXPECT_FALSE(IsReadingForm());
  EXPECT_EQ(dev1->peerAtLoaded, "Dev2");
  EXPECT_EQ(dev2->peerAtLoaded, "Dev1");
  auto* box = dynamic_cast<TBox*>(form->FindComponent("Box1"));
  auto* inner = dynamic_cast<TBox*>(form->FindComponent("Inner1"));
  ASSERT_TRUE(box && inner);
  EXPECT_EQ(inner->Owner(), form.get());
  EXPECT_THAT(box->inside, ElementsAre(inner));
  // Every component gets the one it was stored under, the root included.
  EXPECT_EQ(box->parentComponent, form.get());
  EXPECT_EQ(inner->parentComponent, box);
  EXPECT_EQ(inner->Count(), 7);
}

TEST_F(FormStream, LoadedComesOnceForEveryComponentAfterTheWholeRead) {
  Trace trace;
  auto form = TComponent::CreateUnowned<TMainForm>(&trace);
  form->SetName("");
  ReadRootComponent(*form, ObjectTextToBinary(kForm));
  std::vector<std::string> loaded;
  for (auto& t : trace)
    if (t.rfind("loaded", 0) == 0) loaded.push_back(t);
  // Dev1's Inner is made by its constructor during the read and is loaded too.
  EXPECT_THAT(loaded, ElementsAre("loaded fmMain", "loaded Dev1", "loaded Inner", "loaded Dev2", "loaded Inner",
                                  "loaded Box1", "loaded Inner1"));
  for (int i = 0; i < form->ComponentCount(); ++i) EXPECT_FALSE(form->Components(i)->HasState(csLoading | csReading));
  EXPECT_FALSE(form->HasState(csLoading | csReading));
}

TEST_F(FormStream, WrittenFormReadsBackToTheSameComponentsAndBytes) {
  auto form = TComponent::CreateUnowned<TMainForm>();
  ReadRootComponent(*form, ObjectTextToBinary(kForm));
  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  auto copy = TComponent::CreateUnowned<TMainForm>();
  ReadRootComponent(*copy, bytes);
  EXPECT_EQ(WriteRootComponent(*copy), bytes);
  auto* dev1 = dynamic_cast<TDevicePart*>(copy->FindComponent("Dev1"));
  ASSERT_NE(dev1, nullptr);
  for (const PropInfo* p : AllProps(*dev1)) {
    if (p->kind == PropKind::Class || p->kind == PropKind::Method) continue;
    SCOPED_TRACE(p->name);
    EXPECT_EQ(GetProp(*dev1, p->name), GetProp(*form->FindComponent("Dev1"), p->name));
  }
  EXPECT_EQ(dev1->Peer(), copy->FindComponent("Dev2"));
  EXPECT_EQ(dev1->Format()->SampleRate(), 22050);
  EXPECT_EQ(dev1->Channels()->Count(), 2);
  EXPECT_EQ(dev1->Lines()->Count(), 2);
  EXPECT_EQ(dev1->extra.size(), 3u);
  EXPECT_EQ(ValueToMethod(GetProp(*dev1, "OnChange")).name, "PartChange");
  EXPECT_EQ(dynamic_cast<TBox*>(copy->FindComponent("Box1"))->inside.size(), 1u);
}

TEST_F(FormStream, WriterLeavesOutDefaultsZeroFloatsAndEmptyStrings) {
  auto form = TComponent::CreateUnowned<TMainForm>();
  form->SetName("fmMain");
  auto* part = TComponent::Create<test::TPart>(form.get());
  part->SetName("P");
  part->SetFrequency(1000);  // its default
  part->SetGain(0);          // zero floats are not written
  part->SetStamp(std::nan(""));
  std::vector<uint8_t> bytes = WriteRootComponent(*form);
  TWriter expected;
  for (char c : std::string_view("TVF0")) expected.WriteValue(TValueType(c));
  expected.WriteStr("TMainForm");
  expected.WriteStr("fmMain");
  expected.WriteListEnd();
  expected.WriteStr("TPart");
  expected.WriteStr("P");
  expected.WriteStr("Big");  // Int64 without default
  expected.WriteInteger(0);
  expected.WriteStr("Style");  // set without default
  expected.WriteSet({});
  expected.WriteListEnd();
  expected.WriteListEnd();
  expected.WriteListEnd();
  EXPECT_EQ(bytes, expected.Data());
}

TEST_F(FormStream, AFormReadTwiceUnderOneOwnerGetsAFreshName) {
  auto app = TComponent::CreateUnowned<test::TTestForm>();
  auto* first = TComponent::Create<TMainForm>(app.get());
  auto* second = TComponent::Create<TMainForm>(app.get());
  auto bytes = ObjectTextToBinary("object fmMain: TMainForm end");
  ReadRootComponent(*first, bytes);
  ReadRootComponent(*second, bytes);
  EXPECT_EQ(first->Name(), "fmMain");
  EXPECT_EQ(second->Name(), "fmMain_1");
}

TEST_F(FormStream, BadFormDataRaisesReadErrorAndLeavesTheRootAsItWas) {
  struct Case {
    const char* what;
    const char* text;
    const char* message;
  } cases[] = {
      {"unknown class", "object fmMain: TMainForm object A: TPart end object X: TNoSuch end end",
       "Error reading X: Class TNoSuch not found"},
      {"unknown property", "object fmMain: TMainForm object A: TPart Colour = 1 end end",
       "Error reading A.Colour: Property Colour does not exist"},
      {"wrong kind", "object fmMain: TMainForm object A: TPart Count = 'x' end end",
       "Error reading A.Count: invalid property value"},
      {"bad enum", "object fmMain: TMainForm object A: TPart Mode = mdWarp end end",
       "Error reading A.Mode: invalid property value mdWarp"},
      {"bad set", "object fmMain: TMainForm object A: TPart Style = [fsBold, fsStrike] end end",
       "Error reading A.Style: invalid set element fsStrike"},
      {"enum out of range", "object fmMain: TMainForm object A: TPart Mode = 9 end end",
       "Error reading A.Mode: value out of range for Mode"},
      {"read-only", "object fmMain: TMainForm object A: TPart Computed = 1 end end",
       "Error reading A.Computed: Property Computed is read-only"},
      {"missing method", "object fmMain: TMainForm object A: TPart OnChange = Nowhere end end",
       "Error reading A.OnChange: Method Nowhere not found in TMainForm"},
      {"bad reference", "object fmMain: TMainForm object A: TPart Peer = Ghost end end",
       "Error reading A.Peer: Invalid reference Ghost"},
      {"reference of the wrong class", "object fmMain: TMainForm object A: TPart Peer = fmMain end end",
       "Error reading A.Peer: object of class TMainForm does not fit the property"},
      {"bad path", "object fmMain: TMainForm object A: TPart Caption.X = 1 end end",
       "Error reading A.Caption.X: Invalid property path"},
      {"duplicate name", "object fmMain: TMainForm object A: TPart end object a: TPart end end",
       "Error reading a: A component named a already exists"},
      {"wrong root", "object fmMain: TPart end", "form data of a TPart cannot be read into a TMainForm"},
      {"bad defined value", "object fmMain: TMainForm object A: TDevicePart _Extra = 1 end end",
       "Error reading A._Extra: invalid property value"},
      {"collection of a plain object", "object fmMain: TMainForm object A: TDevicePart Format = <> end end",
       "Error reading A.Format: invalid property value"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    Trace trace;
    auto owner = TComponent::CreateUnowned<test::TTestForm>();
    auto* form = TComponent::Create<TMainForm>(owner.get(), &trace);
    form->SetName("Before");
    auto* kept = TComponent::Create<test::TPart>(form, &trace);
    kept->SetName("Kept");
    trace.clear();
    try {
      ReadRootComponent(*form, ObjectTextToBinary(c.text));
      ADD_FAILURE() << "read without error";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(form->Name(), "Before");
    ASSERT_EQ(form->ComponentCount(), 1);
    EXPECT_EQ(form->Components(0), kept);
    EXPECT_FALSE(form->HasState(csLoading | csReading));
    EXPECT_FALSE(kept->HasState(csLoading | csReading));
    for (auto& t : trace) EXPECT_EQ(t.rfind("loaded", 0), std::string::npos) << t;
  }
}

TEST_F(FormStream, EveryTruncationOrSingleByteChangeIsReadOrRefusedCleanly) {
  auto good = ObjectTextToBinary(kForm);
  for (size_t n = 0; n < good.size(); ++n) {
    auto form = TComponent::CreateUnowned<TMainForm>();
    EXPECT_THROW(ReadRootComponent(*form, std::span(good.data(), n)), EReadError) << n;
    EXPECT_EQ(form->ComponentCount(), 0);
  }
  for (size_t i = 0; i < good.size(); ++i)
    for (uint8_t x : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
      auto bytes = good;
      bytes[i] ^= x;
      auto form = TComponent::CreateUnowned<TMainForm>();
      try {
        ReadRootComponent(*form, bytes);
      } catch (const EReadError&) {
        EXPECT_EQ(form->ComponentCount(), 0) << i;
        EXPECT_FALSE(form->HasState(csLoading));
      }
    }
}

TEST(FormText, SyntaxErrorsNameTheirPlace) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "form text, line 1, column 1: \"object\" expected"},
      {"object A: TPart\n  Count = \nend", "form text, line 3, column 1: value expected"},
      {"object A: TPart\n  Caption = 'open\nend", "form text, line 2, column 18: unterminated string"},
      {"object A: TPart Count = 99999999999999999999 end",
       "form text, line 1, column 45: bad number 99999999999999999999"},
      {"object A: TPart Data = {ABC} end", "form text, line 1, column 28: odd number of hexadecimal digits"},
      {"object A: TPart end end", "form text, line 1, column 21: text after the last \"end\""},
      {"object A: TPart Items = < thing > end", "form text, line 1, column 27: \"item\" or \">\" expected"},
      {"object A: TPart L = (1 2", "form text, line 1, column 25: \")\" expected"},
      {"object A: TPart C = #1114112 end", "form text, line 1, column 29: character code expected"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ObjectTextToBinary(c.text);
      ADD_FAILURE() << "compiled";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(FormText, CompilesToTheBinaryLayout) {
  auto bytes = ObjectTextToBinary("object fmMain: TF\n  A.B = -1\n  C = nil\nend");
  TWriter w;
  for (char c : std::string_view("TVF0")) w.WriteValue(TValueType(c));
  w.WriteStr("TF");
  w.WriteStr("fmMain");
  w.WriteStr("A.B");
  w.WriteInteger(-1);
  w.WriteStr("C");
  w.WriteIdent("nil");
  w.WriteListEnd();
  w.WriteListEnd();
  EXPECT_EQ(bytes, w.Data());
}

}  // namespace
}  // namespace tavrel
