#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "platform/tests/classes_fixtures.h"

namespace tavrel {
namespace {

using test::TPart;
using test::TTestForm;

TEST(ClassInfo, KindsFollowThePropertyTypes) {
  struct Case {
    const char* name;
    PropKind kind;
    const char* typeName;
    bool writable;
  } cases[] = {
      {"Name", PropKind::String, "string", true},     {"Frequency", PropKind::Float, "Double", true},
      {"Gain", PropKind::Float, "Single", true},      {"Count", PropKind::Ordinal, "Integer", true},
      {"Big", PropKind::Int64, "Int64", true},        {"Caption", PropKind::String, "string", true},
      {"Active", PropKind::Ordinal, "Boolean", true}, {"Mode", PropKind::Ordinal, "TMode", true},
      {"Style", PropKind::Set, "set of TStyle", true}, {"Peer", PropKind::Class, "", true},
      {"Stamp", PropKind::Float, "TDateTime", true},  {"Computed", PropKind::Ordinal, "Integer", false},
      {"OnChange", PropKind::Method, "", true},       {"Extra", PropKind::Variant, "Variant", true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PropInfo* p = FindProp(TPart::Class(), c.name);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->kind, c.kind);
    EXPECT_EQ(p->typeName, c.typeName);
    EXPECT_EQ(p->writable(), c.writable);
  }
  EXPECT_EQ(FindProp(TPart::Class(), "Gain")->fkind, FloatKind::Single);
  EXPECT_EQ(FindProp(TPart::Class(), "Peer")->classType(), &TPart::Class());
  EXPECT_TRUE(FindProp(TPart::Class(), "Name")->storedConstFalse);
}

TEST(ClassInfo, ListsBaseFirstOrSortedByName) {
  std::vector<std::string> names;
  for (const PropInfo* p : AllProps(TPart::Class())) names.push_back(p->name);
  EXPECT_THAT(names, testing::ElementsAre("Name", "Frequency", "Gain", "Count", "Big", "Caption", "Active",
                                          "Mode", "Style", "Peer", "Stamp", "Computed", "OnChange", "Extra"));
  names.clear();
  for (const PropInfo* p : AllProps(TPart::Class(), true)) names.push_back(p->name);
  EXPECT_THAT(names, testing::ElementsAre("Active", "Big", "Caption", "Computed", "Count", "Extra", "Frequency",
                                          "Gain", "Mode", "Name", "OnChange", "Peer", "Stamp", "Style"));
}

class TRedeclared : public TPart {
  TAVREL_CLASS_INFO
 public:
  using TPart::TPart;
};
const ClassInfo& TRedeclared::Class() {
  static const ClassInfo ci = ClassBuilder<TRedeclared>("TRedeclared", TPart::Class())
                                  .prop("Count", &TPart::Count, &TPart::SetCount)
                                  .defaultValue(int64_t(5))
                                  .build();
  return ci;
}

TEST(ClassInfo, RedeclaredPropertyKeepsItsPlaceWithTheNewInformation) {
  auto props = AllProps(TRedeclared::Class());
  EXPECT_EQ(props.size(), AllProps(TPart::Class()).size());
  EXPECT_EQ(props[3]->name, "Count");
  EXPECT_EQ(std::get<int64_t>(*props[3]->defaultValue), 5);
  EXPECT_EQ(FindProp(TRedeclared::Class(), "count"), props[3]);
}

TEST(ClassInfo, GetAndSetByNameForEveryKind) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  auto* part = TComponent::Create<TPart>(form.get());
  auto* other = TComponent::Create<TPart>(form.get());
  int fired = 0;
  TNotifyEvent handler([&](TObject*) { ++fired; }, form.get(), "PartChange");
  struct Case {
    const char* name;
    Value in;
    Value out;
  } cases[] = {
      {"frequency", 440.5L, 440.5L},
      {"Frequency", int64_t(12), 12.0L},
      {"Gain", 0.25L, 0.25L},
      {"Count", int64_t(-7), int64_t(-7)},
      {"Count", true, int64_t(1)},
      {"Big", int64_t(1) << 40, int64_t(1) << 40},
      {"Caption", std::string("Écoute"), std::string("Écoute")},
      {"Active", true, true},
      {"Active", int64_t(0), false},
      {"Mode", int64_t(2), int64_t(2)},
      {"Style", int64_t(5), int64_t(5)},
      {"Peer", static_cast<TObject*>(other), static_cast<TObject*>(other)},
      {"Peer", std::monostate{}, static_cast<TObject*>(nullptr)},
      {"Extra", std::string("x"), std::string("x")},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetProp(*part, c.name, c.in);
    EXPECT_EQ(GetProp(*part, c.name), c.out);
  }
  EXPECT_EQ(part->Mode(), test::TMode::mdFast);
  SetProp(*part, "OnChange", handler.ToRef());
  ASSERT_TRUE(part->OnChange);
  part->OnChange(part);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(ValueToMethod(GetProp(*part, "OnChange")).name, "PartChange");
  SetProp(*part, "OnChange", MethodRef{});
  EXPECT_FALSE(part->OnChange);
}

TEST(ClassInfo, BadAccessRaisesPropertyErrorAndChangesNothing) {
  auto form = TComponent::CreateUnowned<TTestForm>();
  auto* part = TComponent::Create<TPart>(form.get());
  part->SetCount(3);
  part->SetCaption("keep");
  EXPECT_THROW(GetProp(*part, "Missing"), EPropertyError);
  EXPECT_THROW(SetProp(*part, "Missing", int64_t(1)), EPropertyError);
  EXPECT_THROW(SetProp(*part, "Computed", int64_t(1)), EPropertyError);
  EXPECT_THROW(SetProp(*part, "Count", std::string("1")), EPropertyError);
  EXPECT_THROW(SetProp(*part, "Caption", int64_t(1)), EPropertyError);
  EXPECT_THROW(SetProp(*part, "Mode", int64_t(3)), EPropertyError);
  EXPECT_THROW(SetProp(*part, "Peer", static_cast<TObject*>(form.get())), EPropertyError);
  EXPECT_THROW(SetProp(*part, "OnChange", Method<int(int)>([](int i) { return i; }).ToRef()), EPropertyError);
  EXPECT_EQ(part->Count(), 3);
  EXPECT_EQ(part->Caption(), "keep");
  EXPECT_EQ(part->Mode(), test::TMode::mdOff);
  EXPECT_EQ(part->Peer(), nullptr);
  // A getter asked of an object of another class is refused, not misread.
  EXPECT_THROW(FindProp(TPart::Class(), "Count")->get(*form), EPropertyError);
}

TEST(ClassRegistry, FindsClassesByNameAndCreatesThem) {
  RegisterClass(TPart::Class());
  RegisterClass(TPart::Class());  // twice is harmless
  EXPECT_EQ(GetClass("tpart"), &TPart::Class());
  EXPECT_EQ(GetClass("TNothing"), nullptr);
  EXPECT_THROW(FindClass("TNothing"), EClassNotFound);
  ClassInfo impostor("TPart", &TComponent::Class());
  EXPECT_THROW(RegisterClass(impostor), EOWException);

  auto form = TComponent::CreateUnowned<TTestForm>();
  TObject* made = FindClass("TPart").create(form.get());
  ASSERT_NE(dynamic_cast<TPart*>(made), nullptr);
  EXPECT_EQ(form->Components(0), made);
  EXPECT_TRUE(made->InheritsFrom(TComponent::Class()));
  EXPECT_FALSE(made->InheritsFrom(TTestForm::Class()));
  EXPECT_FALSE(TPersistent::Class().create);  // not a component
  UnRegisterClass(TPart::Class());
  EXPECT_EQ(GetClass("TPart"), nullptr);
}

TEST(EnumInfo, NamesAndValues) {
  const EnumInfo& e = test::ModeInfo();
  EXPECT_EQ(e.NameOf(1), "mdSlow");
  EXPECT_EQ(e.NameOf(3), "");
  EXPECT_EQ(e.NameOf(-1), "");
  EXPECT_EQ(e.ValueOf("MDFAST"), 2);
  EXPECT_EQ(e.ValueOf("mdNone"), std::nullopt);
}

bool LevelIdentToInt(const std::string& ident, int64_t& v) {
  if (ident != "lvHigh") return false;
  v = 90;
  return true;
}
bool LevelIntToIdent(int64_t v, std::string& ident) {
  if (v != 90) return false;
  ident = "lvHigh";
  return true;
}
bool OtherIdentToInt(const std::string&, int64_t&) { return false; }

TEST(IntegerConsts, NamesFollowTheTypeUntilUnregistered) {
  int64_t v = 0;
  std::string ident;
  EXPECT_FALSE(IdentToInt("TLevel", "lvHigh", v));
  RegisterIntegerConsts("TLevel", LevelIdentToInt, LevelIntToIdent);
  RegisterIntegerConsts("TLevel", LevelIdentToInt, LevelIntToIdent);  // the same again is harmless
  EXPECT_THROW(RegisterIntegerConsts("tlevel", OtherIdentToInt, LevelIntToIdent), EOWException);
  EXPECT_TRUE(IdentToInt("tlevel", "lvHigh", v));
  EXPECT_EQ(v, 90);
  EXPECT_FALSE(IdentToInt("TLevel", "lvLow", v));
  EXPECT_FALSE(IdentToInt("Integer", "lvHigh", v));
  EXPECT_TRUE(IntToIdent("TLevel", 90, ident));
  EXPECT_EQ(ident, "lvHigh");
  EXPECT_FALSE(IntToIdent("TLevel", 91, ident));
  UnRegisterIntegerConsts("TLevel");
  EXPECT_FALSE(IdentToInt("TLevel", "lvHigh", v));
  EXPECT_FALSE(IntToIdent("TLevel", 90, ident));
}

}  // namespace
}  // namespace tavrel
