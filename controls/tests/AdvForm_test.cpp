// The main window's sample-rate list and buffer-size field read from form
// data, against the same built in code.
#include <gtest/gtest.h>

#include "controls/AdvCombo.h"
#include "controls/AdvSpin.h"
#include "controls/tests/controls_test_support.h"
#include "platform/forms.h"
#include "platform/formtext.h"

namespace tavrel {
namespace {

constexpr TColor kLightBlue = 16771030;

const char* const kForm = R"(
object fmMain: TForm
  Width = 440
  Height = 360
  object lstSampleRate: TAdvComboBox
    Left = 8
    Top = 128
    Width = 153
    Height = 21
    Style = csDropDownList
    Color = 16771030
    DropWidth = 0
    Font.Height = -11
    Hint = 'Interface d'#39'entr'#233'e audio'
    ShowHint = True
    Items.Strings = (
      '8000'
      '11025'
      '22050'
      '32000'
      '44100'
      '48000'
      '96000'
      '192000')
    TabOrder = 0
  end
  object edInputBufferSize: TAdvSpinEdit
    Left = 304
    Top = 88
    Width = 129
    Height = 22
    Color = 16771030
    Direction = spHorizontal
    FocusColor = clNone
    MaxValue = 8192
    MinValue = 32
    Value = 512
    TabOrder = 1
  end
  object edHex: TAdvSpinEdit
    Left = 304
    Top = 200
    Width = 129
    Height = 22
    SpinType = sptHex
    HexValue = 31
    MinValue = 0
    MaxValue = 16
    TabOrder = 2
  end
end)";

class AdvFormTest : public test::ControlsTest {};

TEST_F(AdvFormTest, MainWindowControlsFromFormData) {
  ReadRootComponent(*form, ObjectTextToBinary(kForm));
  auto* rates = dynamic_cast<TAdvComboBox*>(form->FindComponent("lstSampleRate"));
  auto* size = dynamic_cast<TAdvSpinEdit*>(form->FindComponent("edInputBufferSize"));
  auto* hex = dynamic_cast<TAdvSpinEdit*>(form->FindComponent("edHex"));
  ASSERT_TRUE(rates && size && hex);
  EXPECT_EQ(rates->Items().Count(), 8);
  EXPECT_EQ(rates->Style(), csDropDownList);
  EXPECT_EQ(rates->Color(), kLightBlue) << "the loaded colour stays: FlatParentColor on, Flat off";
  EXPECT_EQ(rates->LoadedColor(), kLightBlue);
  EXPECT_EQ(rates->NormalColor(), kLightBlue);
  EXPECT_EQ(rates->Hint(), "Interface d'entrée audio");
  EXPECT_EQ(size->Text(), "512");
  EXPECT_EQ(size->Direction(), spHorizontal);
  EXPECT_EQ(size->Button()->BoundsRect(), Bounds(105, 0, 20, 17));
  EXPECT_EQ(size->NormalColor(), kLightBlue);
  EXPECT_EQ(hex->Text(), "0x1F") << "the hex text is written at the end of loading, unclamped";
  EXPECT_EQ(form->FindComponent("edInputBufferSize")->ComponentCount(), 1) << "the button pair, not stored";
  Paint();

  TForm* code = app->CreateForm<TForm>();
  code->SetBounds(0, 0, 440, 360);
  auto* c = TComponent::Create<TAdvComboBox>(code);
  c->SetParent(code);
  c->SetBounds(8, 128, 153, 21);
  c->SetStyle(csDropDownList);
  c->SetColor(kLightBlue);
  for (const char* r : {"8000", "11025", "22050", "32000", "44100", "48000", "96000", "192000"}) c->Items().Add(r);
  auto* e = TComponent::Create<TAdvSpinEdit>(code);
  e->SetParent(code);
  e->SetBounds(304, 88, 129, 22);
  e->SetColor(kLightBlue);
  e->SetDirection(spHorizontal);
  e->SetFocusColor(clNone);
  e->SetMinValue(32);
  e->SetMaxValue(8192);
  e->SetValue(512);
  auto* h = TComponent::Create<TAdvSpinEdit>(code);
  h->SetParent(code);
  h->SetBounds(304, 200, 129, 22);
  h->SetSpinType(sptHex);
  h->SetHexValue(31);
  code->Show();
  app->ProcessMessages();
  EXPECT_EQ(CountDifferentPixels(form->Surface(), code->Surface()), 0);
}

}  // namespace
}  // namespace tavrel
