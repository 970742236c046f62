#include "controls/ToolPanels.h"

#include <gtest/gtest.h>

#include <set>

#include "controls/tests/controls_test_support.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {
namespace {

using test::ControlsTest;
using test::FakeTab;
using test::Glyphs;
using test::RenderGlyphs;

class ToolPanelTest : public ControlsTest {
 protected:
  // The main window's "Paramètres" panel: caption only, alone on the form.
  TAdvToolPanel* MainPanel() {
    auto* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 441, 201));
    p->SetShowClose(false);
    p->SetShowLock(false);
    p->SetCaption("Paramètres");
    return p;
  }
  // Number of runs of equal colour down a column.
  int Runs(int x, int y0, int y1) {
    int runs = 1;
    for (int y = y0 + 1; y <= y1; ++y) runs += Pixel(x, y) != Pixel(x, y - 1);
    return runs;
  }
  // Checks that the caption text area holds exactly the bold caption in
  // `colour` at (left, 4), over the caption gradient.
  void ExpectCaptionText(TAdvToolPanel* p, const std::string& text, TColor colour, int left = 11) {
    TFont bold = p->Font();
    bold.SetStyle(fsBold);
    const Glyphs g = RenderGlyphs(bold, text);
    ASSERT_GT(g.count(), 50);
    for (int y = 4; y < 21; ++y)
      for (int x = left; x < 300; ++x) {
        const bool ink = g.at(x - left, y - 4);
        ASSERT_EQ(Pixel(x, y), ink ? colour : Pixel(430, y)) << x << "," << y;
      }
  }
};

TEST_F(ToolPanelTest, MainWindowPanelWithoutFocus) {
  TAdvToolPanel* p = MainPanel();
  Paint();
  // Background: 128 bands from 214,231,255; the last stops short of 82,123,198.
  EXPECT_EQ(Pixel(0, 0), RGB(214, 231, 255));
  EXPECT_EQ(Pixel(0, 100), RGB(148, 177, 227)) << "band 64; 28.5 rounds to the even 28";
  EXPECT_EQ(Pixel(0, 200), RGB(83, 124, 198));
  EXPECT_EQ(Pixel(439, 200), RGB(83, 124, 198));
  EXPECT_EQ(Runs(0, 0, 200), 128);
  // Caption bar (1,1)-(439,22): 16 bands in the no-focus colours.
  EXPECT_EQ(Pixel(430, 1), RGB(89, 135, 214));
  EXPECT_EQ(Pixel(430, 21), RGB(8, 61, 151));
  EXPECT_EQ(Runs(430, 1, 21), 16);
  EXPECT_EQ(Pixel(430, 22), Pixel(0, 22)) << "the bar ends above row 22";
  EXPECT_EQ(Pixel(439, 10), Pixel(0, 10)) << "and left of column 439";
  ExpectCaptionText(p, "Paramètres", clWhite);
  EXPECT_FALSE(p->Active());
}

TEST_F(ToolPanelTest, MainWindowPanelWithTheFocusInside) {
  TAdvToolPanel* p = MainPanel();
  auto* edit = Make<TEdit>(p, Bounds(8, 48, 265, 21));
  Paint();
  edit->SetFocus();
  Paint();
  EXPECT_TRUE(p->Active());
  EXPECT_EQ(Pixel(430, 1), RGB(251, 230, 148));
  EXPECT_EQ(Pixel(430, 21), RGB(239, 154, 29));
  EXPECT_EQ(Runs(430, 1, 21), 16);
  ExpectCaptionText(p, "Paramètres", clBlack);
  // Leaving the panel gives the blue bar back.
  auto* other = Make<TEdit>(form, Bounds(10, 250, 100, 21));
  other->SetFocus();
  Paint();
  EXPECT_FALSE(p->Active());
  EXPECT_EQ(Pixel(430, 1), RGB(89, 135, 214));
}

TEST_F(ToolPanelTest, DockDotsAtTheirPixels) {
  TAdvToolPanel* p = MainPanel();
  Paint();
  // Black 2x2 squares at (4,4+4k), white ones one pixel down-right beneath them.
  std::string got, want;
  for (int y = 4; y < 20; ++y) {
    for (int x = 4; x < 7; ++x) {
      const TColor c = Pixel(x, y);
      got += c == clBlack ? 'B' : c == clWhite ? 'W' : '.';
    }
    got += '\n';
    const char* rows[] = {"BB.", "BBW", ".WW", "..."};
    want += rows[(y - 4) % 4];
    want += '\n';
  }
  EXPECT_EQ(got, want);
  p->SetDockDots(false);
  Paint();
  // No grip, and the caption moves 7 pixels left into its room.
  for (int y = 4; y < 20; ++y)
    for (int x = 4; x < 7; ++x) EXPECT_NE(Pixel(x, y), clBlack) << x << "," << y;
  ExpectCaptionText(p, "Paramètres", clWhite, 4);
}

TEST_F(ToolPanelTest, ClNoneSwitchesGradientsOff) {
  TAdvToolPanel* p = MainPanel();
  auto* edit = Make<TEdit>(p, Bounds(8, 48, 100, 21));
  p->SetColorTo(clNone);
  p->SetFocusCaptionColorTo(clNone);
  Paint();
  edit->SetFocus();
  Paint();
  for (int y = 23; y < 200; ++y) ASSERT_EQ(Pixel(200, y), RGB(214, 231, 255)) << y;
  for (int y = 1; y < 22; ++y) ASSERT_EQ(Pixel(430, y), RGB(251, 230, 148)) << y;
}

TEST_F(ToolPanelTest, LongCaptionEndsWithAnEllipsisBeforeTheButtons) {
  TAdvToolPanel* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 100));
  p->SetShowClose(false);
  p->SetShowLock(false);
  const std::string text = "Historique Entrée / Sortie (signal filtré) et bien plus encore";
  p->SetCaption(text);
  Paint();
  int right = 0;
  for (int y = 4; y < 21; ++y)
    for (int x = 11; x < 200; ++x)
      if (Pixel(x, y) == clWhite) right = std::max(right, x);
  EXPECT_GT(right, 120);
  EXPECT_LT(right, 200 - 37);
  // The last ink is the three dots.
  TFont bold = p->Font();
  bold.SetStyle(fsBold);
  const Glyphs dots = RenderGlyphs(bold, "...");
  int dotRight = 0;
  for (int u = 0; u < dots.w; ++u)
    for (int v = 0; v < dots.h; ++v)
      if (dots.at(u, v)) dotRight = std::max(dotRight, u);
  const int x0 = right - dotRight;
  for (int u = 0; u < dots.w; ++u)
    for (int v = 0; v < dots.h; ++v)
      EXPECT_EQ(Pixel(x0 + u, 4 + v) == clWhite, dots.at(u, v)) << u << "," << v;
}

TEST_F(ToolPanelTest, BackgroundPicturePositions) {
  // A 10 by 8 picture, red with a lime bottom-left pixel (the colour key).
  TBitmap picture;
  picture.SetSize(10, 8);
  picture.Canvas().Brush().SetColor(clRed);
  picture.Canvas().FillRect(Rect(0, 0, 10, 8));
  picture.Canvas().SetPixel(0, 7, clLime);
  TPicture holder;
  holder.Bitmap().Assign(picture);
  struct Case {
    TTPBackGroundPosition position;
    int borderWidth;
    TColor colorTo;
    TPoint at;  // top-left corner of the picture
  };
  // 200 by 150, bevel 1: with a gradient the area runs from BW to 200 - 2·BW + 2.
  const TColor gradient = RGB(82, 123, 198);
  const Case cases[] = {
      {bpTopLeft, 0, gradient, {0, 23}},        {bpTopRight, 0, gradient, {191, 23}},
      {bpBottomLeft, 0, gradient, {0, 140}},    {bpBottomRight, 0, gradient, {191, 140}},
      {bpCenter, 0, gradient, {95, 70}},        {bpTopRight, 0, clNone, {188, 23}},
      {bpTopLeft, 0, clNone, {1, 23}},          {bpTopRight, 2, gradient, {185, 23}},
      {bpBottomLeft, 2, gradient, {2, 140}},
  };
  TAdvToolPanel* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 150));
  p->SetBackground(holder);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.position << " border " << c.borderWidth);
    p->SetBackGroundPosition(c.position);
    p->SetBorderWidth(c.borderWidth);
    p->SetColorTo(c.colorTo);
    p->SetBackgroundTransparent(false);
    Paint();
    EXPECT_EQ(Pixel(c.at.X, c.at.Y), clRed);
    EXPECT_EQ(Pixel(c.at.X + 8, c.at.Y + 6), clRed);
    EXPECT_EQ(Pixel(c.at.X, c.at.Y + 7), clLime);
    EXPECT_NE(Pixel(c.at.X + 10, c.at.Y), clRed);
    EXPECT_NE(Pixel(c.at.X, c.at.Y + 8), clRed);
    if (c.at.X > 0) {
      EXPECT_NE(Pixel(c.at.X - 1, c.at.Y), clRed);
    }
    p->SetBackgroundTransparent(true);
    Paint();
    EXPECT_NE(Pixel(c.at.X, c.at.Y + 7), clLime) << "the key colour is left out";
    EXPECT_EQ(Pixel(c.at.X + 1, c.at.Y + 7), clRed);
  }
  p->SetBackgroundTransparent(false);
  p->SetBorderWidth(0);
  p->SetColorTo(gradient);
  p->SetBackGroundPosition(bpTiled);
  Paint();
  for (TPoint at : {TPoint{0, 23}, TPoint{10, 31}, TPoint{190, 143}}) EXPECT_EQ(Pixel(at.X, at.Y), clRed);
  EXPECT_EQ(Pixel(0, 30), clLime);
  EXPECT_EQ(Pixel(10, 38), clLime);
  p->SetBackGroundPosition(bpStretched);
  Paint();
  int red = 0;
  for (int y = 23; y < 150; ++y)
    for (int x = 0; x < 200; ++x) red += Pixel(x, y) == clRed;
  EXPECT_GT(red, 200 * 127 * 8 / 10) << "stretched over the area below the caption";
}

TEST_F(ToolPanelTest, ButtonFramesCaptionBorderAndLockMarks) {
  TAdvToolPanel* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 100));
  // Close button B = (177, 2)-(193, 18); lock button (158, 2)-(177, 18).
  p->SetButton3D(true);
  PointAt(p, 185, 10);
  Paint();
  EXPECT_EQ(Pixel(177, 2), clWhite);
  EXPECT_EQ(Pixel(192, 17), RGB(128, 128, 128));
  Mouse(WM_MOUSEMOVE, p, 185, 10);
  Mouse(WM_LBUTTONDOWN, p, 185, 10, MK_LBUTTON);
  Paint();
  EXPECT_EQ(Pixel(177, 2), RGB(128, 128, 128)) << "pressed: the frame turns round";
  EXPECT_EQ(Pixel(192, 17), clWhite);
  Mouse(WM_LBUTTONUP, p, 185, 10);
  form->InjectMouseLeave();
  form->SetActiveControl(nullptr);

  // The unfocused bar's grey outline with rounded corners.
  PointAt(p, 50, 80);
  p->SetShowCaptionBorder(true);
  Paint();
  EXPECT_EQ(Pixel(50, 1), RGB(128, 128, 128));
  EXPECT_EQ(Pixel(50, 21), RGB(128, 128, 128));
  EXPECT_NE(Pixel(1, 1), RGB(128, 128, 128)) << "the corner is rounded";

  // Lock marks in the caption text colour: a pin pointing left, then down.
  auto marks = [&] {
    std::string s;
    for (int y = 3; y < 18; ++y)
      for (int x = 157; x < 176; ++x) s += Pixel(x, y) == clWhite ? '#' : '.';
    return s;
  };
  const std::string unlocked = marks();
  p->SetLocked(true);
  Paint();
  const std::string locked = marks();
  EXPECT_NE(unlocked, locked);
  EXPECT_GT(std::count(unlocked.begin(), unlocked.end(), '#'), 20);
  EXPECT_GT(std::count(locked.begin(), locked.end(), '#'), 20);
  // Locked: the head's two crossbars at rows 3 + 2 and 3 + 4, x 159 + 7 .. 159 + 10.
  for (int x = 166; x < 170; ++x) {
    EXPECT_EQ(Pixel(x, 5), clWhite) << x;
    EXPECT_EQ(Pixel(x, 7), clWhite) << x;
  }

  // The caption button: its text area ends at 163 - 5, a triangle left of that.
  p->SetButton3D(false);
  p->SetCaptionButton(true);
  Paint();
  for (TPoint on : {TPoint{148, 10}, TPoint{154, 10}, TPoint{149, 11}, TPoint{151, 13}})
    EXPECT_EQ(Pixel(on.X, on.Y), clWhite) << on.X << "," << on.Y;
  for (TPoint off : {TPoint{147, 10}, TPoint{155, 10}, TPoint{150, 13}, TPoint{152, 13}})
    EXPECT_NE(Pixel(off.X, off.Y), clWhite) << off.X << "," << off.Y;
  EXPECT_NE(Pixel(10, 2), clBlack);
  PointAt(p, 100, 10);
  p->Invalidate();
  Paint();
  EXPECT_EQ(Pixel(10, 2), clBlack) << "hovered: the button look over (10,2)-(158,20)";
  EXPECT_EQ(Pixel(157, 20), clBlack);
}

TEST_F(ToolPanelTest, ChildrenAreLaidOutBelowTheCaptionBar) {
  TAdvToolPanel* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 150));
  auto* top = Make<TEdit>(p, Bounds(0, 0, 50, 20));
  top->SetAlign(alTop);
  EXPECT_EQ(top->BoundsRect(), Bounds(0, 23, 200, 20));
  // The same caption again still lays the children out again.
  int resizes = 0;
  p->OnResize = TNotifyEvent([&](TObject*) { ++resizes; });
  p->SetCaption(p->Caption());
  EXPECT_EQ(resizes, 2) << "one pixel wider and back";
  EXPECT_EQ(p->Width(), 200);
  // Floating: no caption bar, the children use its room and sections start at 1.
  p->SetFloating(true);
  EXPECT_EQ(top->Top(), 0);
  EXPECT_EQ(p->SectionTop(0), 1);
  p->SetFloating(false);
  EXPECT_EQ(top->Top(), 23);
  EXPECT_EQ(p->SectionTop(0), 23);
  p->SetShowCaption(false);
  p->Realign();
  EXPECT_EQ(top->Top(), 0);
  EXPECT_EQ(p->SectionTop(0), 1);
}

TEST_F(ToolPanelTest, EndOfADockDragMovesChildrenByTheCaptionHeight) {
  FakeTab tab;
  TAdvToolPanel* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 150));
  p->SetTab(&tab);
  auto* child = Make<TEdit>(p, Bounds(10, 40, 50, 20));
  p->SetFloating(true);
  p->DoEndDock();
  EXPECT_EQ(child->Top(), 17);
  EXPECT_FALSE(tab.Logged("SetPanelState 1"));
  p->DoEndDock();  // still floating: nothing moves again
  EXPECT_EQ(child->Top(), 17);
  p->SetFloating(false);
  p->DoEndDock();
  EXPECT_EQ(child->Top(), 40);
  EXPECT_TRUE(tab.Logged("SetPanelState 1")) << "psOpened once it no longer floats";
  EXPECT_TRUE(tab.Logged("ReapplyLockedSizes"));
}

TEST_F(ToolPanelTest, ClickOnAnEmptyAreaTakesTheFocus) {
  TAdvToolPanel* p = MainPanel();
  auto* other = Make<TEdit>(form, Bounds(10, 250, 100, 21));
  Paint();
  other->SetFocus();
  Paint();
  Click(p, 200, 100);
  Paint();
  EXPECT_EQ(form->ActiveControl(), p);
  EXPECT_EQ(Pixel(430, 1), RGB(251, 230, 148));
}

// The buttons of a 200-wide panel: close x 180..194, lock 160..178, caption
// button from 8 to the lock button.
class ToolPanelMouseTest : public ToolPanelTest {
 protected:
  void SetUp() override {
    ToolPanelTest::SetUp();
    p = Make<TAdvToolPanel>(form, Bounds(20, 20, 200, 150));
    p->SetCaptionButton(true);
    TAdvToolPanelSection* s = p->Sections()->Add();
    s->SectionItems()->Add()->SetCaption("Ouvrir");
    p->OnCaptionBtnClick =
        TCaptionBtnClickEvent([this](TObject*, TRect r) { events.push_back("caption " + Text(r)); });
    p->OnItemClick = TItemClickEvent([this](TObject*, int s, int i) {
      events.push_back("item " + std::to_string(s) + "," + std::to_string(i));
    });
    p->OnLock = TNotifyEvent([this](TObject*) { events.push_back("lock"); });
    p->OnUnlock = TNotifyEvent([this](TObject*) { events.push_back("unlock"); });
    Paint();
  }
  static std::string Text(TRect r) {
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) +
           "," + std::to_string(r.Bottom);
  }
  TAdvToolPanel* p = nullptr;
  std::vector<std::string> events;
};

TEST_F(ToolPanelMouseTest, MouseUpRegionsInABarAndAlone) {
  struct Case {
    const char* what;
    TPoint at;
    bool inBar;
    std::vector<std::string> events;
    bool hidden, locked;
  };
  // The item "Ouvrir" lies at y 23 + 16 + 4 = 43 and below.
  const Case cases[] = {
      {"close", {187, 10}, true, {}, true, false},
      {"lock", {170, 10}, true, {"lock"}, false, true},
      {"caption button", {100, 10}, true, {"caption 8,0,160,21"}, false, false},
      {"item", {30, 46}, true, {"item 0,0"}, false, false},
      {"empty", {150, 120}, true, {}, false, false},
      {"close alone", {187, 10}, false, {}, false, false},
      {"lock alone", {170, 10}, false, {}, false, false},
      {"caption button alone", {100, 10}, false, {}, false, false},
      {"item alone", {30, 46}, false, {"item 0,0"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeTab tab;
    p->SetTab(c.inBar ? &tab : nullptr);
    p->SetHidden(false);
    p->SetLocked(false);
    p->Show();
    events.clear();
    Click(p, c.at.X, c.at.Y);
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(p->Hidden(), c.hidden);
    EXPECT_EQ(p->Locked(), c.locked);
    EXPECT_EQ(p->Visible(), !c.hidden);
    if (c.inBar) {
      EXPECT_EQ(tab.Logged("TabHide"), c.hidden);
      EXPECT_EQ(p->OpenWidth(), 200) << "a click in a left bar keeps the width";
      EXPECT_FALSE(p->MouseIsDown());
    } else {
      EXPECT_TRUE(p->MouseIsDown()) << "alone, the pressed state stays until the mouse leaves";
    }
    Mouse(WM_MOUSEMOVE, form, 430, 300);
    p->SetTab(nullptr);
  }
}

TEST_F(ToolPanelMouseTest, CaptionButtonOpensThePopupMenuInsteadOfTheEvent) {
  FakeTab tab;
  p->SetTab(&tab);
  auto* menu = TComponent::Create<TPopupMenu>(form);
  int runs = 0;
  menu->AddItem("Ancrer")->OnClick = TNotifyEvent([&](TObject*) { ++runs; });
  p->SetPopupMenu(menu);
  Click(p, 100, 10);
  EXPECT_TRUE(events.empty()) << "the menu takes the click";
  TForm* list = menu->PopupWindow();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->BoundsRect().TopLeft(), p->ClientToScreen({8, 21})) << "below the button, at its left";
  list->InjectMouse(WM_MOUSEMOVE, 20, 10, 0);
  list->InjectMouse(WM_LBUTTONDOWN, 20, 10, MK_LBUTTON);
  list->InjectMouse(WM_LBUTTONUP, 20, 10, 0);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(menu->PopupWindow(), nullptr);
  // A menu that goes leaves the panel with its event again.
  menu->Destroy();
  EXPECT_EQ(p->PopupMenu(), nullptr);
  Click(p, 100, 10);
  EXPECT_EQ(events, (std::vector<std::string>{"caption 8,0,160,21"}));
  p->SetTab(nullptr);
}

TEST_F(ToolPanelMouseTest, BarMayRefuseToHideAndLockingTogglesWithItsEvents) {
  FakeTab tab;
  tab.allowHide = false;
  p->SetTab(&tab);
  Click(p, 187, 10);
  EXPECT_TRUE(tab.Logged("AllowTabHide"));
  EXPECT_FALSE(tab.Logged("TabHide"));
  EXPECT_FALSE(p->Hidden());
  EXPECT_TRUE(p->Visible());
  Click(p, 170, 10);
  Click(p, 170, 10);
  EXPECT_EQ(events, (std::vector<std::string>{"lock", "unlock"}));
  EXPECT_TRUE(tab.Logged("ApplyLockState locked"));
  EXPECT_TRUE(tab.Logged("ApplyLockState unlocked"));
  // A top bar takes the height as the open size.
  tab.position = ppTop;
  Click(p, 150, 120);
  EXPECT_EQ(p->OpenWidth(), 150);
  // Without the close button, the lock button takes its place.
  p->SetShowClose(false);
  Click(p, 187, 10);
  EXPECT_EQ(events.back(), "lock");
}

TEST_F(ToolPanelMouseTest, AlonePressedLookStaysUntilTheMouseLeaves) {
  // Hovered close button: a gradient from 255,255,220; pressed: from 232,127,8.
  // Row 3 of the button shows its second band (the outline covers row 2).
  const int bx = 183, by = 3;
  const TColor hover = RGB(255, 251, 212), pressed = RGB(233, 133, 15);
  PointAt(p, 187, 10);
  Mouse(WM_MOUSEMOVE, p, 187, 10);
  Paint();
  EXPECT_EQ(Pixel(20 + bx, 20 + by), hover);
  Mouse(WM_LBUTTONDOWN, p, 187, 10, MK_LBUTTON);
  Paint();
  EXPECT_EQ(Pixel(20 + bx, 20 + by), pressed);
  Mouse(WM_LBUTTONUP, p, 187, 10);
  p->Invalidate();  // painted again from its state
  Paint();
  EXPECT_EQ(Pixel(20 + bx, 20 + by), pressed) << "ignored, and still pressed";
  EXPECT_TRUE(p->Visible());
  form->InjectMouseLeave();
  Paint();
  EXPECT_EQ(Pixel(20 + bx, 20 + by), hover) << "the cursor is still over it";
  PointAt(p, 100, 100);
  p->Invalidate();
  Paint();
  EXPECT_EQ(Pixel(20 + bx, 20 + by), Pixel(20 + 150, 20 + by)) << "no look without the cursor";
}

TEST_F(ToolPanelMouseTest, DockDragStartsFromTheGripOfALockedPanel) {
  FakeTab tab;
  p->SetTab(&tab);
  p->SetLocked(true);
  Mouse(WM_MOUSEMOVE, p, 5, 10);
  EXPECT_EQ(Screen()->Cursor(), crSizeAll);
  EXPECT_FALSE(tab.Logged("BeginDockDrag"));
  Mouse(WM_LBUTTONDOWN, p, 5, 10, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, p, 6, 10, MK_LBUTTON);
  EXPECT_TRUE(tab.Logged("BeginDockDrag"));
  p->DoStartDock();
  EXPECT_TRUE(p->Docking());
  EXPECT_TRUE(tab.Logged("SetPanelState 2"));
  Mouse(WM_LBUTTONUP, p, 6, 10);
  EXPECT_TRUE(tab.Logged("CancelDockDrag"));
  EXPECT_FALSE(p->Docking());
  EXPECT_EQ(Screen()->Cursor(), crDefault);
  // Outside the grip the cursor is the panel's own.
  Mouse(WM_MOUSEMOVE, p, 5, 10);
  Mouse(WM_MOUSEMOVE, p, 50, 10);
  EXPECT_EQ(Screen()->Cursor(), crDefault);
  // A drag started away from the caption ends at once.
  tab.log.clear();
  PointAt(p, 50, 80);
  p->DoStartDock();
  EXPECT_TRUE(tab.Logged("CancelDockDrag"));
  EXPECT_FALSE(p->Docking());
}

TEST_F(ToolPanelMouseTest, HintsOfButtonsAndItemsTheLaterMatchWins) {
  struct Case {
    const char* what;
    TPoint at;
    bool showClose, locked;
    std::string hint;
  };
  const Case cases[] = {
      {"close", {190, 10}, true, false, "Close panel"},
      {"lock", {170, 10}, true, false, "Lock panel"},
      {"unlock", {170, 10}, true, true, "Unlock panel"},
      {"lock in the close place", {190, 10}, false, false, "Lock panel"},
      {"item", {30, 46}, true, false, "Ouvre un fichier"},
      {"nothing", {100, 100}, true, false, "own"},
  };
  p->Sections()->Items(0)->SectionItems()->Items(0)->SetHint("Ouvre un fichier");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    p->SetShowClose(c.showClose);
    p->SetLocked(c.locked);
    THintInfo info;
    info.HintControl = p;
    info.CursorPos = c.at;
    info.HintStr = "own";
    EXPECT_EQ(p->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, c.hint);
  }
  // An item reaching up under the close button: its hint wins.
  p->SetShowClose(true);
  p->SetShowCaption(false);
  p->Sections()->Items(0)->SetHeight(-20);
  TAdvToolPanelSection* s = p->Sections()->Add();
  TSectionItem* item = s->SectionItems()->Add();
  item->SetCaption(std::string(60, 'W'));
  item->SetHint("long item");
  THintInfo info;
  info.CursorPos = {190, 5};
  p->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.HintStr, "long item");
}

TEST_F(ToolPanelMouseTest, SizingHitTestBySideLockAndCanSize) {
  struct Case {
    TPanelPosition side;
    bool locked, canSize;
    TPoint at;
    LRESULT code;  // HTCLIENT: no sizing edge
  };
  const int w = 200, h = 150;
  const Case cases[] = {
      {ppLeft, false, true, {w - 2, 50}, HTRIGHT},   {ppLeft, true, true, {w - 1, 50}, HTRIGHT},
      {ppLeft, false, true, {w - 3, 50}, HTCLIENT},  {ppLeft, false, false, {w - 1, 50}, HTCLIENT},
      {ppRight, true, true, {0, 50}, HTLEFT},        {ppRight, true, true, {2, 50}, HTLEFT},
      {ppRight, true, true, {3, 50}, HTCLIENT},      {ppRight, false, true, {1, 50}, HTCLIENT},
      {ppTop, false, true, {50, h - 2}, HTBOTTOM},   {ppTop, false, true, {50, h - 3}, HTCLIENT},
      {ppTop, true, false, {50, h - 1}, HTCLIENT},   {ppBottom, true, true, {50, 0}, HTTOP},
      {ppBottom, true, true, {50, 2}, HTTOP},        {ppBottom, true, true, {50, 3}, HTCLIENT},
      {ppBottom, false, true, {50, 0}, HTCLIENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "side " << c.side << " locked " << c.locked << " at "
                                    << c.at.X << "," << c.at.Y);
    FakeTab tab;
    tab.position = c.side;
    p->SetTab(&tab);
    p->SetLocked(c.locked);
    p->SetCanSize(c.canSize);
    const TPoint screen = p->ClientToScreen(c.at);
    EXPECT_EQ(p->Perform(WM_NCHITTEST, 0, MakeMousePos(screen.X, screen.Y)), c.code);
    EXPECT_EQ(tab.Logged("RestartAwayCount"), !c.locked);
  }
  p->SetTab(nullptr);
  const TPoint edge = p->ClientToScreen({w - 1, 50});
  const LRESULT alone = p->Perform(WM_NCHITTEST, 0, MakeMousePos(edge.X, edge.Y));
  EXPECT_NE(alone, HTRIGHT) << "a panel alone has no sizing edge";
}

TEST_F(ToolPanelTest, CaptionAndImageIndexRefreshTheTabAndVersionIsFixed) {
  FakeTab tab;
  TAdvToolPanel* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 150));
  p->SetTab(&tab);
  p->SetCaption("Outils");
  p->SetImageIndex(3);
  p->SetOpenWidth(180);
  EXPECT_EQ(std::count(tab.log.begin(), tab.log.end(), "UpdatePanel"), 3);
  p->SetHidden(true);
  EXPECT_TRUE(tab.Logged("PanelHiddenChanged"));
  EXPECT_FALSE(p->IsTabVisible());
  p->SetHidden(false);
  p->SetDocking(true);
  EXPECT_TRUE(tab.Logged("RepaintTabs"));
  EXPECT_FALSE(p->IsTabVisible());
  p->SetDocking(false);
  EXPECT_TRUE(p->IsTabVisible());
  // Locking a panel the bar has not slid out slides it out first.
  p->Hide();
  tab.log.clear();
  p->SetLocked(true);
  EXPECT_EQ(tab.log, (std::vector<std::string>{"RollOut", "ApplyLockState locked"}));
  EXPECT_EQ(p->Version(), "1.5.2.0");
  SetProp(*p, "Version", std::string("9.9"));
  EXPECT_EQ(p->Version(), "1.5.2.0");
  p->Perform(WM_ENTERSIZEMOVE);
  p->Perform(WM_EXITSIZEMOVE);
  EXPECT_TRUE(tab.Logged("DisableAwayCount"));
  EXPECT_TRUE(tab.Logged("EnableAwayCount"));
  p->SetTab(nullptr);
}

TEST_F(ToolPanelTest, BarGlyphsReplaceTheDrawnMarks) {
  FakeTab tab;
  TBitmap normal, hot;
  normal.SetSize(12, 12);
  normal.Canvas().Brush().SetColor(clRed);
  normal.Canvas().FillRect(Rect(0, 0, 12, 12));
  hot.SetSize(12, 12);
  hot.Canvas().Brush().SetColor(clLime);
  hot.Canvas().FillRect(Rect(0, 0, 12, 12));
  tab.glyphs.CloseGlyphNormal.Bitmap().Assign(normal);
  tab.glyphs.CloseGlyphHot.Bitmap().Assign(hot);
  tab.glyphs.CloseGlyphDown.Bitmap().Assign(hot);
  TAdvToolPanel* p = Make<TAdvToolPanel>(form, Bounds(0, 0, 200, 150));
  p->SetShowLock(false);
  p->SetTab(&tab);
  PointAt(p, 50, 50);
  Paint();
  // B = (198 - 12 - 4, 3, 198 - 6, 13) widened by 1; the picture at its corner plus (1, 1).
  EXPECT_EQ(Pixel(182, 3), clRed);
  EXPECT_EQ(Pixel(193, 14), clRed);
  EXPECT_NE(Pixel(194, 15), clRed);
  PointAt(p, 186, 8);
  p->Invalidate();
  Paint();
  EXPECT_EQ(Pixel(182, 3), clLime);
  p->SetTab(nullptr);
}

}  // namespace
}  // namespace tavrel
