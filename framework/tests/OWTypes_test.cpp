#include "framework/OWTypes.h"

#include <gtest/gtest.h>

#include "framework/tests/pins_testing.h"

namespace tavrel {
namespace {

using namespace testing_pins;

class OWTypes : public ::testing::Test {
 protected:
  void SetUp() override { ClearStreamTypeRegistries(); }
  void TearDown() override { ClearStreamTypeRegistries(); }
};

TEST_F(OWTypes, DataTypeIDToTextTable) {
  RegisterStreamTypeSendFunction(TypeB, nullptr);  // registered without a name
  RegisterStreamTypeName(TypeC, "Real");
  struct Case {
    Guid id;
    std::string text;
  } cases[] = {
      {Guid{}, "NIL ID"},
      {TypeB, ""},
      {TypeC, "Real"},
      {StringToGUID("{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}"), "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"},
  };
  for (auto& c : cases) EXPECT_EQ(DataTypeIDToText(c.id), c.text);
}

TOWNotifyResult SendOne(TOWPin*, IOWStream*, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState) { return {}; }
TOWNotifyResult SendTwo(TOWPin*, IOWStream*, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState) {
  return {nrDataChanged};
}

TEST_F(OWTypes, RegisteringTwiceKeepsOneEntryWithTheLaterValue) {
  RegisterStreamTypeName(TypeA, "First");
  RegisterStreamTypeSendFunction(TypeA, SendOne);
  RegisterStreamTypeName(TypeA, "Second");
  RegisterStreamTypeSendFunction(TypeA, SendTwo);
  ASSERT_EQ(StreamTypeRegistry().size(), 1u);
  EXPECT_EQ(StreamTypeRegistry()[0].Name, "Second");
  EXPECT_EQ(StreamTypeRegistry()[0].SendFunction, SendTwo);

  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter::CreateConverter);
  RegisterTypeConverter(TypeA, TypeC, &TAToBConverter::CreateConverter);
  RegisterTypeConverter(TypeA, TypeB, &TAToBConverter2::CreateConverter);
  ASSERT_EQ(TypeConverterRegistry().size(), 2u);
  EXPECT_EQ(IndexOfTypeConverter(TypeA, TypeB), 0);
  EXPECT_EQ(FindTypeConverter(TypeA, TypeB), &TAToBConverter2::CreateConverter);
  EXPECT_EQ(FindTypeConverter(TypeB, TypeA), nullptr);
  EXPECT_EQ(IndexOfTypeConverter(TypeB, TypeA), -1);
}

TEST_F(OWTypes, AddTypeOfAListedTypeKeepsItsPlace) {
  TOWPinStreamType t;
  int obj = 0;
  TOWSubmit f{[](void*, IOWStream*, const TDataTypeID&, IOWNotifyOperation*, TOWNotifyState) {
                return TOWNotifyResult{};
              },
              &obj};
  t.AddType(TypeA, {});
  t.AddType(TypeB, {});
  t.AddType(TypeC, {});
  t.AddType(TypeA, f);
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t.GetID(0), TypeA);
  EXPECT_EQ(t.GetSubmitFunc(0), f);
  t.RemoveType(TypeB);
  t.RemoveType(TypeB);
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(t.GetID(1), TypeC);
}

// The pin and handler a registered send function was called with.
TOWPin* g_sender = nullptr;
IOWStream* g_handler = nullptr;
TOWNotifyResult RecordingSend(TOWPin* sender, IOWStream* handler, const TDataTypeID&, IOWNotifyOperation*,
                              TOWNotifyState) {
  g_sender = sender;
  g_handler = handler;
  return {nrDataChanged};
}

TEST_F(OWTypes, ATypeWithoutFunctionUsesTheRegisteredSendFunctionOrIsDropped) {
  auto owner = TComponent::CreateUnowned<TTestOwner>();
  TOWSourcePin pin(owner.get());
  pin.AddType(TypeA);
  pin.AddType(TypeB);
  RegisterStreamTypeSendFunction(TypeA, RecordingSend);
  TOWSinkPin handler(owner.get());
  auto op = MakeRef<TOWNotifyOperation>();

  TOWSubmit f = pin.GetTypeSubmitFunction(TypeA);
  ASSERT_TRUE(f);
  EXPECT_EQ(f(&handler, TypeA, op.get(), {}), TOWNotifyResult{nrDataChanged});
  EXPECT_EQ(g_sender, &pin);
  EXPECT_EQ(g_handler, static_cast<IOWStream*>(&handler));

  g_sender = nullptr;
  TOWSubmit drop = pin.GetTypeSubmitFunction(TypeB);  // listed, nothing registered
  ASSERT_TRUE(drop);
  EXPECT_EQ(drop(&handler, TypeB, op.get(), {}), TOWNotifyResult{});
  EXPECT_EQ(g_sender, nullptr);

  EXPECT_FALSE(pin.GetTypeSubmitFunction(TypeC));   // not listed
  EXPECT_FALSE(pin.GetTypeSubmitFunction(Guid{}));  // NIL
}

}  // namespace
}  // namespace tavrel
