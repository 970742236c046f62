#include "controls/AdvCombo.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/tests/controls_test_support.h"
#include "controls/tests/theme_test_support.h"
#include "platform/tests/ui_form_fixture.h"
#include "platform/theme.h"
#include "platform/ui/edges.h"

namespace tavrel {
namespace {

constexpr TColor kLightBlue = 16771030;

class ComboTest : public test::ControlsTest {
 protected:
  // One of the main window's four lists: the sample rates.
  TAdvComboBox* RateList(TForm* on) {
    auto* c = TComponent::Create<TAdvComboBox>(on);
    c->SetParent(on);
    c->SetBounds(8, 128, 153, 21);
    c->SetStyle(csDropDownList);
    c->SetColor(kLightBlue);
    c->SetHint("Interface d'entrée audio");
    c->SetShowHint(true);
    for (const char* rate : {"8000", "11025", "22050", "32000", "44100", "48000", "96000", "192000"})
      c->Items().Add(rate);
    c->OnChange = TNotifyEvent([this](TObject*) { ++changes; });
    return c;
  }
  // The letters of a drawing: f fill, F frame, E edge, C frame control,
  // T themed background, L line, x excluded from the clip.
  static std::string Kinds(const TComboDrawOps& ops) {
    std::string s;
    for (const TComboDrawOp& op : ops) s += "fFECTLx"[op.kind];
    return s;
  }
  int changes = 0;
  std::shared_ptr<test::RecordingTheme> theme = std::make_shared<test::RecordingTheme>();
};

TEST_F(ComboTest, CreatedWithItsDefaults) {
  TAdvComboBox* c = RateList(form);
  EXPECT_EQ(c->Version(), "1.3.1.0");
  c->SetVersion("2.0.0.0");
  EXPECT_EQ(c->Version(), "1.3.1.0");
  EXPECT_EQ(c->ButtonWidth(), 19) << "the scroll bar's 17 pixels and 2";
  EXPECT_FALSE(c->Flat());
  EXPECT_TRUE(c->DisabledBorder());
  EXPECT_EQ(c->FocusColor(), clNone);
  EXPECT_EQ(c->FocusBorderColor(), clNone);
  EXPECT_EQ(c->DropWidth(), 0);
  EXPECT_EQ(c->ComboLabel(), nullptr);
  for (int w : {13, 33, 0, -1}) {
    c->SetButtonWidth(w);
    EXPECT_EQ(c->ButtonWidth(), 19) << w;
  }
  for (int w : {14, 32}) {
    c->SetButtonWidth(w);
    EXPECT_EQ(c->ButtonWidth(), w);
  }
}

TEST_F(ComboTest, PaintPathAndFrameCalls) {
  struct Case {
    const char* name;
    bool flat;
    TColor focusBorderColor;
    bool focused, enabled, theme, disabledBorder, focusBorder;
    bool drawn;
    std::string borders;
  } cases[] = {
      {"the main window's lists", false, clNone, false, true, false, true, false, false, ""},
      {"focused, native", false, clNone, true, true, false, true, false, false, ""},
      {"disabled, native", false, clNone, false, false, false, true, false, false, ""},
      {"flat", true, clNone, false, true, false, true, false, true, "FFFLxfx"},
      {"flat, focused: the button's edge", true, clNone, true, true, false, true, false, true, "FFFLxEx"},
      {"flat, focus border", true, clNone, true, true, false, true, true, true, "EFFLxEx"},
      {"flat, themed: the theme draws the button", true, clNone, false, true, true, true, false, true, "FFFL"},
      {"focus border colour, unfocused", false, clRed, false, true, false, true, false, false, ""},
      {"focus border colour, focused", false, clRed, true, true, false, true, false, true, "FxEx"},
      {"disabled, themed, no disabled border", false, clNone, false, false, true, false, false, true, "F"},
      {"disabled, themed, disabled border", false, clNone, false, false, true, true, false, false, ""},
      {"disabled, unthemed, no disabled border", false, clNone, false, false, false, false, false, false, ""},
  };
  for (const Case& c : cases) {
    std::optional<test::ThemeScope> themed;
    if (c.theme) themed.emplace(ACXPVS(), theme);
    TAdvComboBox* combo = RateList(form);
    combo->SetFlat(c.flat);
    combo->SetFocusBorderColor(c.focusBorderColor);
    combo->SetDisabledBorder(c.disabledBorder);
    combo->SetFocusBorder(c.focusBorder);
    Paint();
    if (c.focused) combo->SetFocus();
    combo->SetEnabled(c.enabled);
    EXPECT_EQ(combo->ThemeInUse(), c.theme) << c.name;
    EXPECT_EQ(combo->DrawnPaint(), c.drawn) << c.name;
    // The borders are drawn by the drawn paint (and its frame) only.
    EXPECT_EQ(combo->DrawnPaint() ? Kinds(combo->BorderOps()) : "", c.borders) << c.name;
    combo->Destroy();
  }
}

TEST_F(ComboTest, DrawnLookGeometry) {
  TAdvComboBox* c = RateList(form);
  c->SetFlat(true);
  const int w = 153, h = 21;
  const TColor face = clBtnFace;
  EXPECT_EQ(c->Color(), form->Color()) << "a flat combo box takes its parent's colour";
  EXPECT_EQ(c->BackgroundOps(),
            (TComboDrawOps{{TComboDrawOp::Fill, Rect(0, 0, w, h), form->Color()},
                           {TComboDrawOp::FrameControl, Rect(w - 19 + 3, 1, w - 1, h - 1), clNone, DFC_SCROLL, 0x4005},
                           {TComboDrawOp::ExcludeClip, Rect(w - 19 - 4, 0, w + 2, h)}}));
  const TComboDrawOps borders = c->BorderOps();
  ASSERT_EQ(borders.size(), 7u);
  EXPECT_EQ(borders[0], (TComboDrawOp{TComboDrawOp::Frame, Rect(0, 0, w, h), form->Color()}));
  EXPECT_EQ(borders[1], (TComboDrawOp{TComboDrawOp::Frame, Rect(1, 1, w - 1 - 19, h - 1), form->Color()}));
  EXPECT_EQ(borders[2], (TComboDrawOp{TComboDrawOp::Frame, Rect(2, 2, w - 2 - 19, h - 2), c->Color()}));
  EXPECT_EQ(borders[3], (TComboDrawOp{TComboDrawOp::Line, Rect(0, h - 1, w - 2 - 19 - 1, h), clBlack}));
  EXPECT_EQ(borders[4], (TComboDrawOp{TComboDrawOp::ExcludeClip, Rect(w - 19 + 4, 4, w - 4, h - 4)}));
  EXPECT_EQ(borders[5], (TComboDrawOp{TComboDrawOp::Fill, Rect(w - 19, 3, w - 3, h - 3), face}));
  c->SetEnabled(false);
  EXPECT_EQ(c->BackgroundOps()[1].b, 0x0105u) << "an inactive button when disabled";

  // What the calls draw, on the form: the frame in the parent's colour,
  // the line along the bottom row, the flat button.
  c->SetEnabled(true);
  c->SetColor(kLightBlue);
  Paint();
  const TPoint o = {8, 128};
  const TColor parent = static_cast<TColor>(ColorToRGB(form->Color()));
  EXPECT_EQ(Pixel(o.X, o.Y), parent);
  EXPECT_EQ(Pixel(o.X + 1, o.Y + 1), parent);
  EXPECT_EQ(Pixel(o.X + 2, o.Y + 2), kLightBlue);
  EXPECT_EQ(Pixel(o.X + 50, o.Y + 10), kLightBlue);
  EXPECT_EQ(Pixel(o.X, o.Y + h - 1), clBlack);
  EXPECT_EQ(Pixel(o.X + w - 2 - 19 - 2, o.Y + h - 1), clBlack);
  EXPECT_NE(Pixel(o.X + w - 2 - 19 - 1, o.Y + h - 1), clBlack);
  EXPECT_EQ(Pixel(o.X + w - 19 + 3, o.Y + 1), static_cast<TColor>(ColorToRGB(clBtnShadow))) << "flat button frame";
}

TEST_F(ComboTest, AFlatComboBoxTakesItsParentsColourWhileDisabled) {
  TAdvComboBox* c = RateList(form);
  c->SetFlat(true);
  c->SetColor(kLightBlue);
  c->SetEnabled(false);
  EXPECT_TRUE(c->ParentColor());
  EXPECT_EQ(c->Color(), form->Color());
  c->SetEnabled(true);
  EXPECT_FALSE(c->ParentColor());
  EXPECT_EQ(c->Color(), kLightBlue);
  c->SetFlat(false);
  c->SetEnabled(false);
  EXPECT_EQ(c->Color(), c->LoadedColor()) << "not flat: the colour stays";
}

TEST_F(ComboTest, ThemedButtonStates) {
  test::ThemeScope themed(ACXPVS(), theme);
  TAdvComboBox* c = RateList(form);
  c->SetFlat(true);
  Paint();
  auto state = [&] { return c->BackgroundOps()[1].b; };
  EXPECT_EQ(c->BackgroundOps()[1].kind, TComboDrawOp::ThemeBackground);
  EXPECT_EQ(c->BackgroundOps()[1].a, 1u);
  EXPECT_EQ(state(), 1u);
  Mouse(WM_MOUSEMOVE, c, c->ClientWidth() - 5, 5);
  EXPECT_EQ(state(), 2u) << "hot";
  Mouse(WM_LBUTTONDOWN, c, c->ClientWidth() - 5, 5, MK_LBUTTON);
  EXPECT_TRUE(c->DroppedDown());
  EXPECT_EQ(state(), 3u) << "pressed while the list is open";
  c->SetDroppedDown(false);
  c->SetEnabled(false);
  EXPECT_EQ(state(), 4u);
  // The paint hands the theme the combo box class, part 1, in that state.
  theme->calls.clear();
  Paint();
  const std::vector<std::string> once{"Open combobox", "Draw 1 4", "Close"};
  std::vector<std::string> twice = once;  // under the frame, then in the client area
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(theme->calls, twice);
}

TEST_F(ComboTest, HoverOnlyStrictlyInsideTheButtonStrip) {
  TAdvComboBox* c = RateList(form);
  Paint();
  // Mouse x in window coordinates: the frame is 2 pixels wide.
  struct Case {
    int windowX;
    bool hover;
  } cases[] = {{10, false}, {153 - 19, false}, {153 - 19 + 1, true}, {152, true}, {100, false}};
  for (const Case& k : cases) {
    Mouse(WM_MOUSEMOVE, c, k.windowX - c->ClientOffset().X, 5);
    EXPECT_EQ(c->ButtonHover(), k.hover) << k.windowX;
  }
  EXPECT_TRUE(c->MouseInControl());
  form->InjectMouse(WM_MOUSEMOVE, 300, 300, 0);
  EXPECT_FALSE(c->MouseInControl());
  EXPECT_FALSE(c->ButtonHover());
}

TEST_F(ComboTest, FocusColourComesAndGoesForACodeBuiltControl) {
  TAdvComboBox* c = RateList(form);
  auto* other = Make<TEdit>(form, Bounds(200, 10, 80, 21));
  c->SetFocusColor(clYellow);
  EXPECT_EQ(c->NormalColor(), kLightBlue);
  Paint();
  c->SetFocus();
  EXPECT_TRUE(c->HasFocus());
  EXPECT_EQ(c->Color(), clYellow);
  other->SetFocus();
  EXPECT_FALSE(c->HasFocus());
  EXPECT_EQ(c->Color(), kLightBlue);
  c->SetColor(clRed);
  c->SetFocus();
  other->SetFocus();
  EXPECT_EQ(c->Color(), clRed);
}

TEST_F(ComboTest, TheStandInBehaviourTheMainWindowReliesOn) {
  TAdvComboBox* c = RateList(form);
  int dropUps = 0;
  c->OnDropUp = TNotifyEvent([&](TObject* s) { dropUps += s == c; });
  Paint();
  c->SetItemIndex(4);
  EXPECT_EQ(changes, 0) << "a selection from code fires nothing";
  EXPECT_EQ(c->Text(), "44100");
  c->SelectItem("12345");
  EXPECT_EQ(c->ItemIndex(), 4) << "an absent text changes nothing";
  c->SelectItem("8000");
  EXPECT_EQ(c->ItemIndex(), 0);
  EXPECT_EQ(changes, 0);

  c->SetFocus();
  test::Type(*form, "{Down}");
  EXPECT_EQ(c->Text(), "11025");
  EXPECT_EQ(changes, 1) << "an arrow key changes once";

  Click(c, 20, 5);  // opens the list
  ASSERT_TRUE(c->DroppedDown());
  TComboListBox* list = c->ListBox();
  EXPECT_EQ(list->Width(), 153) << "DropWidth 0 keeps the control's width";
  const int row = list->ItemHeight();
  Click(list, 10, 5 * row + row / 2);  // "48000"
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->Text(), "48000");
  EXPECT_EQ(changes, 2) << "a pick changes once";
  EXPECT_EQ(dropUps, 1) << "the close raises OnDropUp";

  c->SetDropWidth(200);
  c->SetDroppedDown(true);
  EXPECT_EQ(c->ListBox()->Width(), 200);
  test::Type(*form, "{Esc}");
  EXPECT_EQ(dropUps, 2);
  EXPECT_EQ(changes, 2);
}

TEST_F(ComboTest, HintShowsAfterThePause) {
  TAdvComboBox* c = RateList(form);
  Paint();
  Mouse(WM_MOUSEMOVE, c, 20, 5);
  clock->Advance(app->HintPause());
  app->ProcessMessages();
  EXPECT_TRUE(app->HintShowing());
  EXPECT_EQ(app->HintText(), "Interface d'entrée audio");
}

TEST_F(ComboTest, MainWindowListLooksNativeClosedAndOpen) {
  TAdvComboBox* adv = RateList(form);
  adv->SetItemIndex(4);
  TForm* native = app->CreateForm<TForm>();
  native->SetBounds(0, 0, 440, 360);
  auto* plain = TComponent::Create<TComboBox>(native);
  plain->SetParent(native);
  plain->SetBounds(8, 128, 153, 21);
  plain->SetStyle(csDropDownList);
  plain->SetColor(kLightBlue);
  plain->Items().Assign(&adv->Items());
  plain->SetItemIndex(4);
  native->Show();
  Paint();
  EXPECT_EQ(CountDifferentPixels(form->Surface(), native->Surface()), 0) << "closed";
  EXPECT_EQ(Pixel(8 + 100, 128 + 10), kLightBlue);
  EXPECT_EQ(Pixel(8 + 3, 128 + 3), kLightBlue);

  // One list is open at a time: keep a picture of each.
  adv->SetDroppedDown(true);
  Paint();
  TBitmap open;
  open.AssignSurface(form->Surface());
  TComboListBox* list = adv->ListBox();
  const TRect listBounds = list->BoundsRect();
  const TColor row0 = Pixel(8 + 100, 149 + list->ItemHeight() / 2 + 1);
  adv->SetDroppedDown(false);
  plain->SetDroppedDown(true);
  Paint();
  EXPECT_EQ(CountDifferentPixels(open.Surface(), native->Surface()), 0) << "open";
  EXPECT_EQ(listBounds, Bounds(8, 149, 153, 8 * list->ItemHeight() + 2));
  EXPECT_EQ(row0, kLightBlue) << "the list in the combo box's colour";
}

TEST_F(ComboTest, LabelPlacesBesideTheControl) {
  TAdvComboBox* c = RateList(form);
  c->SetBounds(100, 128, 153, 21);
  c->SetLabelCaption("Fréquence");
  TLabel* l = c->ComboLabel();
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(c->LabelCaption(), "Fréquence");
  EXPECT_EQ(l->Parent(), form);
  EXPECT_EQ(l->Left() + l->Width(), 96) << "lpLeftTop ends at Left less the margin";
  EXPECT_EQ(l->Top(), 128);
  c->SetLabelPosition(lpRighBottom);
  EXPECT_EQ(l->Left(), 100 + 153 + 4);
  EXPECT_EQ(l->Top(), 128 + 21 - l->Height());
  c->SetBounds(50, 50, 153, 21);
  EXPECT_EQ(l->Left(), 50 + 153 + 4) << "it follows the control";
  c->SetEnabled(false);
  EXPECT_FALSE(l->Enabled());
  c->SetEnabled(true);
  c->SetFocusLabel(true);
  Paint();
  c->SetFocus();
  EXPECT_TRUE(l->Font().Style() & fsBold) << "a bold label while focused";
  form->SetFocusedControl(nullptr);
  EXPECT_FALSE(l->Font().Style() & fsBold);
  c->Hide();
  EXPECT_FALSE(l->Visible());
}

TEST(LabelPlace, ThirteenPositions) {
  // A control at (100, 50), 80 x 20; a label 30 x 13 with a caption of 28
  // pixels; margin 4.
  const TRect control = Bounds(100, 50, 80, 20);
  struct Case {
    TLabelPosition p;
    TPoint at;
  } cases[] = {
      {lpLeftTop, {68, 50}},        {lpLeftCenter, {68, 53}},      {lpLeftBottom, {68, 57}},
      {lpTopLeft, {100, 33}},       {lpBottomLeft, {100, 74}},     {lpLeftTopLeft, {96, 50}},
      {lpLeftCenterLeft, {96, 53}}, {lpLeftBottomLeft, {96, 57}},  {lpTopCenter, {125, 33}},
      {lpBottomCenter, {125, 74}},  {lpRightTop, {184, 50}},       {lpRightCenter, {184, 53}},
      {lpRighBottom, {184, 57}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LabelPlace(c.p, control, {30, 13}, 28, 4), c.at) << LabelPositionInfo().NameOf(c.p);
  // A label taller than the control centres on it: halves round toward zero.
  EXPECT_EQ(LabelPlace(lpLeftCenter, control, {30, 25}, 28, 4).Y, 50 - 2);
  EXPECT_EQ(SpinLabelPositionInfo().names.size(), 10u);
  EXPECT_EQ(LabelPositionInfo().NameOf(lpRighBottom), "lpRighBottom");
}

}  // namespace
}  // namespace tavrel
