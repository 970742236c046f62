// The main window's two panels with a section, labels and a check box,
// read from form data, against the same built in code.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/ToolPanels.h"
#include "controls/VrLabel.h"
#include "controls/htmlbtns.h"
#include "controls/tests/controls_test_support.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {
namespace {

const char* const kForm = R"(
object fmMain: TForm
  Width = 440
  Height = 360
  object pnlAudioRec1: TAdvToolPanel
    Left = 0
    Top = 0
    Width = 441
    Height = 201
    Caption = 'Param'#232'tres'
    ColorTo = 13007698
    NoFocusCaptionColor = 14059353
    ShowClose = False
    ShowLock = False
    Sections = <
      item
        Autosize = True
        Caption = 'Filtres'
        Height = 65
        Node = True
        SectionItems = <
          item
            Caption = 'Passe-bas'
          end
          item
            Caption = '-'
          end
          item
            Caption = 'Passe-haut'
            Enabled = False
            Hint = 'Coupe les graves'
          end>
      end>
    SectionLayout.Corners = scRoundLeft
    object cbActivate: THTMLCheckBox
      Left = 9
      Top = 150
      Width = 98
      Height = 20
      ButtonType = btWinXP
      Caption = 'Activer'
      Checked = True
      Transparent = True
    end
    object Label1: TLabel
      Left = 198
      Top = 181
      Caption = 'Filtrage :'
    end
  end
  object pnlInOut: TAdvToolPanel
    Left = 0
    Top = 200
    Width = 441
    Height = 161
    Caption = 'Historique Entr'#233'e / Sortie'
    ShowClose = False
    ShowLock = False
    object VrLabel1: TVrLabel
      Left = 4
      Top = 32
      Width = 17
      Height = 57
      Angle = 90
      Caption = 'Entr'#233'e'
      Font.Color = clNavy
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
      Style = lsNone
      Transparent = True
    end
    object VrLabel2: TVrLabel
      Left = 4
      Top = 96
      Width = 17
      Height = 57
      Angle = 90
      Caption = 'Sortie'
      Font.Color = clNavy
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
      Style = lsNone
      Transparent = True
    end
  end
end)";

class ToolPanelFormTest : public test::ControlsTest {
 protected:
  void BuildInCode(TForm* f) {
    f->SetBounds(0, 0, 440, 360);
    auto* top = TComponent::Create<TAdvToolPanel>(f);
    top->SetParent(f);
    top->SetBounds(0, 0, 441, 201);
    top->SetShowClose(false);
    top->SetShowLock(false);
    top->SetCaption("Paramètres");
    TAdvToolPanelSection* s = top->Sections()->Add();
    s->SetCaption("Filtres");
    s->SetNode(true);
    s->SectionItems()->Add()->SetCaption("Passe-bas");
    s->SectionItems()->Add()->SetCaption("-");
    TSectionItem* off = s->SectionItems()->Add();
    off->SetCaption("Passe-haut");
    off->SetEnabled(false);
    s->SetAutosize(true);
    top->SectionLayout()->SetCorners(scRoundLeft);
    auto* box = TComponent::Create<THTMLCheckBox>(f);
    box->SetParent(top);
    box->SetBounds(9, 150, 98, 20);
    box->SetButtonType(btWinXP);
    box->SetCaption("Activer");
    box->SetChecked(true);
    box->SetTransparent(true);
    auto* label = TComponent::Create<TLabel>(f);
    label->SetParent(top);
    label->SetBounds(198, 181, 65, 17);
    label->SetCaption("Filtrage :");

    auto* bottom = TComponent::Create<TAdvToolPanel>(f);
    bottom->SetParent(f);
    bottom->SetBounds(0, 200, 441, 161);
    bottom->SetShowClose(false);
    bottom->SetShowLock(false);
    bottom->SetCaption("Historique Entrée / Sortie");
    int top_ = 32;
    for (const char* caption : {"Entrée", "Sortie"}) {
      auto* l = TComponent::Create<TVrLabel>(f);
      l->SetParent(bottom);
      l->SetBounds(4, top_, 17, 57);
      l->SetAngle(90);
      l->SetCaption(caption);
      l->Font().SetColor(clNavy);
      l->Font().SetHeight(-11);
      l->Font().SetName("Tahoma");
      l->Font().SetStyle(fsBold);
      l->SetStyle(lsNone);
      l->SetTransparent(true);
      top_ += 64;
    }
  }
};

TEST_F(ToolPanelFormTest, FormDataPaintsTheSameAsCode) {
  ReadRootComponent(*form, ObjectTextToBinary(kForm));
  auto* read = dynamic_cast<TAdvToolPanel*>(form->FindComponent("pnlAudioRec1"));
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->Sections()->Count(), 1);
  TAdvToolPanelSection* s = read->Sections()->Items(0);
  // The stored Autosize is in force after loading: the section measures again.
  EXPECT_TRUE(s->Autosize());
  EXPECT_EQ(s->Height(), 16 + 3 * 13 + 4 + 6);
  EXPECT_EQ(s->SectionItems()->Items(2)->Hint(), "Coupe les graves");
  EXPECT_EQ(read->Style(), esOffice2003Blue);
  EXPECT_FALSE(read->Button3D());
  auto* box = dynamic_cast<THTMLCheckBox*>(form->FindComponent("cbActivate"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Parent(), read);
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(box->ButtonType(), btWinXP);
  EXPECT_TRUE(box->Transparent());
  Paint();
  // The box is really drawn, in its checked picture, so the comparison below covers it.
  TBitmap checked = CheckBoxPicture(5);
  const TPoint at = box->ClientToForm(box->BoxRect().TopLeft());
  const TColor key = checked.TransparentColor();
  int opaque = 0, same = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const TColor c = checked.Canvas().Pixel(x, y);
      if (c == key) continue;
      ++opaque;
      same += Pixel(at.X + x, at.Y + y) == c;
    }
  EXPECT_GT(opaque, 0);
  EXPECT_EQ(same, opaque);

  TForm* code = app->CreateForm<TForm>();
  BuildInCode(code);
  code->Show();
  app->ProcessMessages();
  EXPECT_EQ(CountDifferentPixels(form->Surface(), code->Surface()), 0);
  // Nothing stored for what equals the defaults: the two write the same.
  auto* bottom = dynamic_cast<TAdvToolPanel*>(form->FindComponent("pnlInOut"));
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->Caption(), "Historique Entrée / Sortie");
}

TEST_F(ToolPanelFormTest, RuntimeCaptionChangeRepaintsTheBar) {
  ReadRootComponent(*form, ObjectTextToBinary(kForm));
  auto* bottom = dynamic_cast<TAdvToolPanel*>(form->FindComponent("pnlInOut"));
  ASSERT_NE(bottom, nullptr);
  Paint();
  const TColor bar = Pixel(430, 210);
  int before = 0;
  for (int x = 11; x < 404; ++x) before += Pixel(x, 210) != bar;
  bottom->SetCaption("Historique Entrée / Sortie (signal filtré)");
  Paint();
  int after = 0;
  for (int x = 11; x < 404; ++x) after += Pixel(x, 210) != bar;
  EXPECT_GT(after, before) << "the longer caption is painted";
}

std::string PanelWithBackground(const std::vector<uint8_t>& record) {
  return "object fmPic: TForm\n  object pnl: TAdvToolPanel\n    Width = 120\n    Height = 90\n"
         "    Background.Data = {\n      " +
         test::HexText(record) + "}\n  end\nend\n";
}

TEST_F(ToolPanelFormTest, BackgroundPictureReadsAndWritesWithTheForm) {
  // A 12 by 6 picture: blue with a yellow left half.
  TBitmap picture;
  picture.SetSize(12, 6);
  picture.Canvas().Brush().SetColor(clBlue);
  picture.Canvas().FillRect(Rect(0, 0, 12, 6));
  picture.Canvas().Brush().SetColor(clYellow);
  picture.Canvas().FillRect(Rect(0, 0, 6, 6));
  const std::vector<uint8_t> bmp = picture.SaveToBytes();

  ReadRootComponent(*form, ObjectTextToBinary(PanelWithBackground(test::PictureRecord("TBitmap", bmp, bmp.size()))));
  auto* read = dynamic_cast<TAdvToolPanel*>(form->FindComponent("pnl"));
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->Background().Width(), 12);
  ASSERT_EQ(read->Background().Height(), 6);
  Paint();
  // Top left of the area below the caption bar.
  EXPECT_EQ(Pixel(0, 23), clYellow);
  EXPECT_EQ(Pixel(11, 28), clBlue);
  EXPECT_NE(Pixel(12, 23), clBlue);

  // Written back, the picture is stored and reads again into the same panel.
  const std::vector<uint8_t> written = WriteRootComponent(*form);
  const std::string needle = "Background.Data";
  EXPECT_NE(std::search(written.begin(), written.end(), needle.begin(), needle.end()), written.end());
  TForm* again = app->CreateForm<TForm>();
  again->SetBounds(0, 0, 440, 360);
  ReadRootComponent(*again, written);
  auto* copy = dynamic_cast<TAdvToolPanel*>(again->FindComponent("pnl"));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Background().Width(), 12);
  again->Show();
  app->ProcessMessages();
  EXPECT_EQ(CountDifferentPixels(form->Surface(), again->Surface()), 0);

  // No picture, nothing stored.
  copy->SetBackground(TPicture());
  const std::vector<uint8_t> bare = WriteRootComponent(*again);
  EXPECT_EQ(std::search(bare.begin(), bare.end(), needle.begin(), needle.end()), bare.end());
}

TEST_F(ToolPanelFormTest, DamagedBackgroundDataIsAReadError) {
  TBitmap picture;
  picture.SetSize(4, 4);
  const std::vector<uint8_t> bmp = picture.SaveToBytes();
  const std::vector<uint8_t> junk(40, 0x5A);
  struct Case {
    const char* what;
    std::vector<uint8_t> record;
  } cases[] = {
      {"count past the end", test::PictureRecord("TBitmap", bmp, bmp.size() + 1)},
      {"huge count", test::PictureRecord("TBitmap", bmp, 0xFFFFFFFF)},
      {"no count", {7, 'T', 'B', 'i', 't', 'm', 'a', 'p', 0}},
      {"name longer than the record", {200, 'T'}},
      {"bytes of no image format", test::PictureRecord("TBitmap", junk, junk.size())},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TForm* f = app->CreateForm<TForm>();
    EXPECT_THROW(ReadRootComponent(*f, ObjectTextToBinary(PanelWithBackground(c.record))), EReadError);
  }
}

}  // namespace
}  // namespace tavrel
