#include "controls/htmlbtns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "controls/tests/controls_test_support.h"
#include "controls/tests/theme_test_support.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/theme.h"

namespace tavrel {
namespace {

// A parent that paints a gradient of its own: one colour per column.
class GradientPanel : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  static TColor At(int x) { return RGB(40 + (x * 2) % 200, 90, 200 - (x % 150)); }

 protected:
  void Paint() override {
    for (int x = 0; x < Width(); ++x) {
      Canvas().Brush().SetColor(At(x));
      Canvas().FillRect(Rect(x, 0, x + 1, Height()));
    }
  }
};

class CheckBoxTest : public test::ControlsTest {
 protected:
  THTMLCheckBox* Box(TRect bounds = Bounds(10, 10, 98, 20)) {
    auto* b = Make<THTMLCheckBox>(form, bounds);
    b->SetColor(clYellow);
    b->OnClick = TNotifyEvent([this](TObject*) { ++clicks; });
    return b;
  }
  // Bounds of the pixels inside `area` (client coordinates of `c`) that are not `background`.
  TRect Ink(TControl* c, TRect area, TColor background) {
    TRect ink = Rect(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x) {
        const TPoint f = c->ClientToForm({x, y});
        if (Pixel(f.X, f.Y) == TColor(ColorToRGB(background))) continue;
        ink.Left = std::min(ink.Left, x);
        ink.Top = std::min(ink.Top, y);
        ink.Right = std::max(ink.Right, x + 1);
        ink.Bottom = std::max(ink.Bottom, y + 1);
      }
    return ink;
  }
  std::vector<TColor> Pixels(TControl* c, TRect area) {
    std::vector<TColor> v;
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x) {
        const TPoint f = c->ClientToForm({x, y});
        v.push_back(Pixel(f.X, f.Y));
      }
    return v;
  }
  // The first client x on row y where the caption has an anchor.
  int AnchorX(THTMLCheckBox* b, int y) {
    for (int x = 0; x < b->Width(); ++x)
      if (!b->AnchorAtPoint(x, y).empty()) return x;
    return -1;
  }
  int clicks = 0;
};

TEST_F(CheckBoxTest, ANewBoxHasTheClassDefaults) {
  auto* b = TComponent::Create<THTMLCheckBox>(form);
  EXPECT_EQ(b->Width(), 98);
  EXPECT_EQ(b->Height(), 20);
  EXPECT_EQ(b->Caption(), "THTMLCheckBox");
  EXPECT_EQ(b->Version(), "1.5.4.0");
  EXPECT_EQ(b->VersionNumber(), 17105920u);
  EXPECT_EQ(b->URLColor(), clBlue);
  EXPECT_EQ(b->ShadowColor(), clGray);
  EXPECT_EQ(b->ShadowOffset(), 1);
  EXPECT_EQ(b->ButtonVertAlign(), tlTop);
  EXPECT_EQ(b->State(), cbUnchecked);
  EXPECT_FALSE(b->TabStop());
  EXPECT_EQ(b->EffectiveButtonType(), btClassic);
  b->SetButtonType(btTheme);
  EXPECT_EQ(b->EffectiveButtonType(), btClassic) << "no theme: classic";
}

// Two of the main window's boxes as its form data holds them.
TEST_F(CheckBoxTest, MainWindowBoxesFromFormData) {
  const char* const text = R"(
object fmMain: TForm
  Width = 440
  Height = 360
  object btnActivate: THTMLCheckBox
    Left = 9
    Top = 174
    Width = 98
    Height = 20
    ButtonType = btWinXP
    Caption = 'Activer'
    Checked = True
    TabOrder = 0
    Transparent = True
    Version = '1.5.4.0'
  end
  object cbBypass: THTMLCheckBox
    Left = 102
    Top = 174
    Width = 98
    Height = 20
    ButtonType = btWinXP
    Caption = 'Bypass'
    Enabled = False
    TabOrder = 1
    Transparent = True
  end
end)";
  ReadRootComponent(*form, ObjectTextToBinary(text));
  auto* activate = dynamic_cast<THTMLCheckBox*>(form->FindComponent("btnActivate"));
  auto* bypass = dynamic_cast<THTMLCheckBox*>(form->FindComponent("cbBypass"));
  ASSERT_TRUE(activate && bypass);
  EXPECT_TRUE(activate->Checked());
  EXPECT_EQ(activate->ButtonType(), btWinXP);
  EXPECT_TRUE(activate->Transparent());
  EXPECT_EQ(activate->Caption(), "Activer");
  EXPECT_FALSE(bypass->Checked());
  EXPECT_FALSE(bypass->Enabled());
  Paint();
  EXPECT_EQ(activate->CaptionRect().Left, 22);
  EXPECT_GT(activate->CaptionExtent().cx, 0);
}

// Where each style puts the box: the top-left pixel of its ink and the
// box's size, by style, alignment and vertical alignment, on a 98 x 30 box.
TEST_F(CheckBoxTest, BoxGeometryByStyleAndAlignment) {
  struct Case {
    TButtonType style;
    TAlignment align;
    TTextLayout valign;
    TPoint ink;   // first box pixel, client coordinates
    TSize box;    // the box's own size
  } cases[] = {
      {btClassic, taLeftJustify, tlTop, {0, 4}, {13, 13}},
      {btClassic, taLeftJustify, tlCenter, {0, 9}, {13, 13}},
      {btClassic, taRightJustify, tlBottom, {85, 13}, {13, 13}},
      {btFlat, taLeftJustify, tlTop, {0, 4}, {13, 13}},
      {btFlat, taRightJustify, tlCenter, {85, 9}, {13, 13}},
      {btBorland, taLeftJustify, tlTop, {1, 4}, {12, 12}},
      {btBorland, taRightJustify, tlBottom, {85, 14}, {12, 12}},
      // The pictures: the box lies 3 (20 x 20) or 1 (16 x 16) pixels inside.
      {btKIV, taLeftJustify, tlTop, {3, 3}, {13, 13}},
      {btKIV, taRightJustify, tlCenter, {77 + 3, 5 + 3}, {13, 13}},
      {btWinXP, taLeftJustify, tlTop, {1, 3}, {13, 13}},
      {btWinXP, taLeftJustify, tlBottom, {1, 14 + 1}, {13, 13}},
      {btWinXP, taRightJustify, tlTop, {81 + 1, 3}, {13, 13}},
      {btTheme, taLeftJustify, tlTop, {0, 4}, {13, 13}},
  };
  auto* b = Box(Bounds(10, 10, 98, 30));
  b->SetCaption("");
  for (const Case& c : cases) {
    b->SetButtonType(c.style);
    b->SetAlignment(c.align);
    b->SetButtonVertAlign(c.valign);
    b->SetChecked(true);
    Paint();
    const TRect ink = Ink(b, b->ClientRect(), clYellow);
    const std::string name = ButtonTypeInfo().names[c.style] + " " + std::to_string(c.align) + " " +
                             std::to_string(c.valign);
    EXPECT_EQ(ink.TopLeft(), c.ink) << name;
    EXPECT_LE(ink.Width(), c.box.cx + 1) << name;
    EXPECT_LE(ink.Height(), c.box.cy + 1) << name;
    EXPECT_GE(ink.Width(), c.box.cx - 1) << name;
  }
}

// Every style shows its states: checked against unchecked, enabled against
// disabled, and the focus rectangle around the caption.
TEST_F(CheckBoxTest, EachStyleDrawsItsStates) {
  auto* b = Box();
  b->SetCaption("Passe-bas");
  auto* other = Box(Bounds(10, 60, 98, 20));
  other->SetTabStop(true);
  const TRect column = Rect(0, 0, 20, 20);
  for (TButtonType style : {btClassic, btBorland, btFlat, btKIV, btWinXP}) {
    const std::string name = ButtonTypeInfo().names[style];
    b->SetButtonType(style);
    std::vector<std::vector<TColor>> looks;
    for (bool enabled : {true, false})
      for (bool checked : {false, true}) {
        b->SetEnabled(enabled);
        b->SetChecked(checked);
        Paint();
        looks.push_back(Pixels(b, column));
      }
    for (size_t i = 0; i < looks.size(); ++i)
      for (size_t j = i + 1; j < looks.size(); ++j) EXPECT_NE(looks[i], looks[j]) << name << " " << i << j;
  }
  b->SetButtonType(btWinXP);
  b->SetEnabled(true);
  b->SetTabStop(true);
  other->SetFocus();
  Paint();
  const TRect caption = b->CaptionRect();
  EXPECT_EQ(caption.Left, 22) << "picture boxes keep 10 pixels to the caption";
  const TRect focusRow = Rect(caption.Left, caption.Top, caption.Left + b->CaptionExtent().cx + 3, caption.Top + 1);
  const std::vector<TColor> unfocused = Pixels(b, focusRow);
  b->SetFocus();
  Paint();
  EXPECT_NE(Pixels(b, focusRow), unfocused) << "focus rectangle on the caption's top edge";
  const TRect ink = Ink(b, Rect(20, 0, 98, 20), clYellow);
  EXPECT_EQ(ink.Left, caption.Left);
  EXPECT_EQ(ink.Right, caption.Left + b->CaptionExtent().cx + 3);
}

TEST_F(CheckBoxTest, ADisabledCaptionIsEmbossed) {
  auto* b = Box();
  b->SetColor(clBtnFace);
  b->SetCaption("Bypass");
  b->SetEnabled(false);
  Paint();
  const TRect area = Rect(17, 0, 98, 20);
  const TRect white = Ink(b, area, clBtnFace);  // everything drawn
  // Gray ink and white ink, the white one pixel down and right.
  TRect gray = Rect(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN), light = gray;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) {
      const TPoint f = b->ClientToForm({x, y});
      const TColor p = Pixel(f.X, f.Y);
      TRect* r = p == clGray ? &gray : p == clWhite ? &light : nullptr;
      if (!r) continue;
      r->Left = std::min(r->Left, x);
      r->Top = std::min(r->Top, y);
      r->Right = std::max(r->Right, x + 1);
      r->Bottom = std::max(r->Bottom, y + 1);
    }
  ASSERT_LT(gray.Left, gray.Right) << "gray text";
  ASSERT_LT(light.Left, light.Right) << "white copy";
  EXPECT_EQ(light.Right, gray.Right + 1);
  EXPECT_EQ(light.Bottom, gray.Bottom + 1);
  EXPECT_EQ(white.Right, light.Right);
}

TEST_F(CheckBoxTest, TransparentShowsTheParentsPaintingAroundTheCaption) {
  auto* panel = Make<GradientPanel>(form, Bounds(0, 0, 300, 60));
  auto* b = Make<THTMLCheckBox>(panel, Bounds(40, 20, 98, 20));
  b->SetColor(clYellow);
  b->SetButtonType(btWinXP);
  b->SetCaption("Activer");
  Paint();
  EXPECT_EQ(Pixel(40 + 95, 20 + 10), clYellow);
  b->SetTransparent(true);
  Paint();
  // Beside the box, above and right of the caption: the parent's gradient.
  for (TPoint p : {TPoint{17, 1}, TPoint{60, 2}, TPoint{95, 10}, TPoint{0, 0}, TPoint{20, 19}}) {
    const TPoint f = b->ClientToForm(p);
    EXPECT_EQ(Pixel(f.X, f.Y), GradientPanel::At(40 + p.X)) << p.X << "," << p.Y;
  }
  const TRect caption = b->CaptionRect();
  const std::vector<TColor> text = Pixels(b, Rect(caption.Left, caption.Top, caption.Left + b->CaptionExtent().cx, 20));
  EXPECT_NE(std::count(text.begin(), text.end(), TColor(ColorToRGB(clWindowText))), 0) << "the caption on top";
  // Moved, it shows the gradient of its new place.
  b->SetLeft(100);
  Paint();
  const TPoint f = b->ClientToForm({95, 10});
  EXPECT_EQ(Pixel(f.X, f.Y), GradientPanel::At(100 + 95));
}

// ---- input ---------------------------------------------------------------------------

TEST_F(CheckBoxTest, ClicksToggleAndRaiseOnClick) {
  auto* b = Box();
  b->SetCaption("Activer");
  Paint();
  Click(b, 5, 10);
  EXPECT_TRUE(b->Focused()) << "the first press takes the focus";
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(clicks, 1);
  Click(b, 50, 10);
  EXPECT_FALSE(b->Checked());
  EXPECT_EQ(clicks, 2);

  // Pressed inside, released outside: nothing.
  Mouse(WM_LBUTTONDOWN, b, 5, 10, MK_LBUTTON);
  EXPECT_TRUE(b->MouseCapture());
  EXPECT_TRUE(b->Down());
  Mouse(WM_MOUSEMOVE, b, 150, 10, MK_LBUTTON);
  EXPECT_FALSE(b->Down());
  Mouse(WM_LBUTTONUP, b, 150, 10);
  EXPECT_FALSE(b->Checked());
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(b->MouseCapture());

  // Only the left button toggles.
  Mouse(WM_RBUTTONDOWN, b, 5, 10, MK_RBUTTON);
  Mouse(WM_RBUTTONUP, b, 5, 10);
  EXPECT_FALSE(b->Checked());

  b->SetState(cbGrayed);
  Click(b, 5, 10);
  EXPECT_EQ(b->State(), cbChecked) << "grayed becomes checked";

  b->SetReadOnly(true);
  Click(b, 5, 10);
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(clicks, 4) << "read-only: OnClick without a change";
}

TEST_F(CheckBoxTest, SpaceAndTheAccelerator) {
  auto* b = Box();
  b->SetCaption("&Activer");
  b->SetTabStop(true);
  Paint();
  b->SetFocus();
  form->InjectKey(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(b->Checked());
  form->InjectKey(WM_KEYUP, VK_SPACE, 0);
  EXPECT_FALSE(b->Down());
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(clicks, 1);

  form->InjectChar('a', ssAlt);
  EXPECT_FALSE(b->Checked()) << "the accelerator toggles";
  EXPECT_EQ(clicks, 1) << "without OnClick";
  form->InjectChar('b', ssAlt);
  EXPECT_FALSE(b->Checked());
}

TEST_F(CheckBoxTest, ReturnMovesToTheNextControlOnce) {
  auto* a = Box(Bounds(10, 10, 98, 20));
  auto* b = Box(Bounds(10, 40, 98, 20));
  auto* c = Box(Bounds(10, 70, 98, 20));
  for (auto* x : {a, b, c}) x->SetTabStop(true);
  a->SetReturnIsTab(true);
  std::vector<uint16_t> keys;
  a->OnKeyDown = TKeyEvent([&](TObject*, uint16_t& key, TShiftState) { keys.push_back(key); });
  Paint();
  a->SetFocus();
  form->InjectKey(WM_KEYDOWN, VK_RETURN, 0);
  app->ProcessMessages();
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(keys, (std::vector<uint16_t>{VK_TAB, VK_TAB})) << "the key as Tab, then the posted Tab";
  (void)c;
}

TEST_F(CheckBoxTest, CheckedFromCodeRaisesNothingAndRepaintsTheBoxColumn) {
  auto* b = Box();
  Paint();
  b->SetChecked(true);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(b->State(), cbChecked);
  Paint();
  b->SetState(cbUnchecked);
  EXPECT_EQ(b->UpdateRect(), Rect(0, 0, 20, 20)) << "the box column only";
  b->SetAlignment(taRightJustify);
  Paint();
  b->SetState(cbChecked);
  EXPECT_EQ(b->UpdateRect(), Rect(78, 0, 98, 20));
  Paint();
  b->SetChecked(true);
  EXPECT_EQ(b->UpdateRect(), b->ClientRect()) << "the same value repaints the whole box";
  EXPECT_EQ(clicks, 0);
}

TEST_F(CheckBoxTest, CheckedReadsSafelyFromAnotherThread) {
  auto* b = Box();
  std::atomic<bool> stop{false};
  std::atomic<int> seen{0};
  std::thread reader([&] {
    while (!stop.load()) seen += b->Checked() ? 1 : 0;
  });
  for (int i = 0; i < 2000; ++i) b->SetChecked(i % 2 == 0);
  stop = true;
  reader.join();
  EXPECT_FALSE(b->Checked());
}

TEST_F(CheckBoxTest, AnchorsOpenOnlyOnceFocusedAndNeverToggle) {
  auto* b = Box(Bounds(10, 10, 300, 20));
  std::vector<std::string> anchorClicks;
  b->OnAnchorClick = TAnchorClick([&](TObject*, const std::string& a) { anchorClicks.push_back(a); });
  struct Case {
    std::string target;
    std::vector<std::string> opened;  // by the offscreen desktop
    std::vector<std::string> events;  // OnAnchorClick
  } cases[] = {
      {"http://example.org/", {"http://example.org/"}, {}},
      {"mailto:someone@example.org", {"mailto:someone@example.org"}, {}},
      {"file:///bin/sh", {}, {}},
      {"page2", {}, {"page2"}},
  };
  bool first = true;
  for (const Case& c : cases) {
    backend->opened_urls.clear();
    anchorClicks.clear();
    b->SetCaption("Voir <A href=\"" + c.target + "\">ici</A> ou non");
    Paint();
    const int x = AnchorX(b, 10);
    ASSERT_GT(x, 17) << c.target;
    EXPECT_EQ(b->AnchorAtPoint(x, 10), c.target);
    if (first) {
      // Unfocused: the press takes the focus and toggles, anchors unread.
      Click(b, x + 1, 10);
      EXPECT_TRUE(b->Checked());
      EXPECT_TRUE(backend->opened_urls.empty());
      first = false;
    }
    const TCheckBoxState before = b->State();
    const int clicksBefore = clicks;
    Click(b, x + 1, 10);
    EXPECT_EQ(backend->opened_urls, c.opened) << c.target;
    EXPECT_EQ(anchorClicks, c.events) << c.target;
    EXPECT_EQ(b->State(), before) << c.target;
    EXPECT_EQ(clicks, clicksBefore) << c.target;
  }
  EXPECT_FALSE(OpenURLSafely("file:///bin/sh"));
  EXPECT_FALSE(OpenURLSafely("javascript:alert(1)"));
  EXPECT_TRUE(OpenURLSafely("HTTPS://example.org"));

  // A pluggable opener sees addresses only.
  std::vector<std::string> hooked;
  b->SetURLOpener([&](const std::string& u) {
    hooked.push_back(u);
    return false;
  });
  b->SetCaption("<A href=\"https://example.org\">x</A>");
  Paint();
  Click(b, AnchorX(b, 10), 10);
  EXPECT_EQ(hooked, std::vector<std::string>{"https://example.org"});
}

TEST_F(CheckBoxTest, HoverOverAnchorsAndHotTracking) {
  auto theme = std::make_shared<test::RecordingTheme>();
  test::ThemeScope scope(BtnXPVS(), theme);
  auto* b = Box(Bounds(10, 10, 300, 20));
  b->SetButtonType(btWinXP);
  b->SetCaption("Voir <A href=\"page2\">ici</A>");
  std::vector<std::string> log;
  b->OnAnchorEnter = TAnchorClick([&](TObject*, const std::string& a) { log.push_back("enter " + a); });
  b->OnAnchorExit = TAnchorClick([&](TObject*, const std::string& a) { log.push_back("exit " + a); });
  Paint();
  EXPECT_EQ(b->BoxRect(), Bounds(0, 4, 14, 14)) << "themed box";
  const int x = AnchorX(b, 10);
  ASSERT_GT(x, 0);
  Mouse(WM_MOUSEMOVE, b, 2, 10);
  theme->calls.clear();
  Paint();
  EXPECT_EQ(theme->calls, (std::vector<std::string>{"Open button", "Draw 3 2", "Close"})) << "hot";
  Mouse(WM_MOUSEMOVE, b, x + 1, 10);
  EXPECT_EQ(b->Cursor(), crHandPoint);
  Mouse(WM_MOUSEMOVE, b, x + 2, 10);
  Mouse(WM_MOUSEMOVE, b, 2, 10);
  EXPECT_EQ(b->Cursor(), crDefault);
  EXPECT_EQ(log, (std::vector<std::string>{"enter page2", "exit "}));
  Mouse(WM_MOUSEMOVE, form, 400, 300);
  b->SetChecked(true);
  theme->calls.clear();
  Paint();
  EXPECT_EQ(theme->calls, (std::vector<std::string>{"Open button", "Draw 3 5", "Close"})) << "left";
  b->SetEnabled(false);
  theme->calls.clear();
  Paint();
  EXPECT_EQ(theme->calls, (std::vector<std::string>{"Open button", "Draw 3 8", "Close"}));
}

// A container that notes which children tell it the mouse came or went.
class ChildWatcher : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> log;
  void WndProc(TMessage& m) override {
    if ((m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) && m.LParam) {
      auto* child = reinterpret_cast<TControl*>(m.LParam);
      log.push_back(std::string(m.Msg == CM_MOUSEENTER ? "enter " : "leave ") + child->Name());
    }
    TCustomControl::WndProc(m);
  }
};

TEST_F(CheckBoxTest, MouseEnterAndLeaveStayWithTheBox) {
  auto* parent = Make<ChildWatcher>(form, Bounds(0, 0, 300, 100));
  THTMLCheckBox* b = Box();
  b->SetParent(parent);
  b->SetName("box");
  b->SetButtonType(btWinXP);
  auto* other = Make<TCustomControl>(parent, Bounds(10, 50, 98, 20));
  other->SetName("other");
  Paint();
  Mouse(WM_MOUSEMOVE, other, 5, 5);
  Mouse(WM_MOUSEMOVE, b, 5, 5);
  Mouse(WM_MOUSEMOVE, other, 5, 5);
  Mouse(WM_MOUSEMOVE, parent, 250, 90);
  EXPECT_EQ(parent->log, (std::vector<std::string>{"enter other", "leave other", "enter other", "leave other"}))
      << "the box's own notifications are not passed on";
}

}  // namespace
}  // namespace tavrel
