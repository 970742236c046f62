#include "controls/ToolPanelTab.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "controls/tests/controls_test_support.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/inifiles.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {
namespace {

using test::ControlsTest;

class TabBarTest : public ControlsTest {
 protected:
  TAdvToolPanelTab* NewBar(TPanelPosition pos, std::vector<std::string> captions,
                           TSlideSpeed speed = ssInstant) {
    auto* bar = TComponent::Create<TAdvToolPanelTab>(form);
    bar->SetName("Bar" + std::to_string(++bars_));
    bar->SetParent(form);
    bar->SetSlideSpeed(speed);
    bar->SetPosition(pos);
    for (auto& c : captions) bar->CreatePanel()->SetCaption(c);
    return bar;
  }
  TColor BarPixel(TAdvToolPanelTab* bar, int x, int y) {
    const TPoint p = bar->ClientToForm({x, y});
    return Pixel(p.X, p.Y);
  }
  // Runs the bar's timers forward in steps of `ms`.
  void Tick(int ms, int times = 1) {
    for (int i = 0; i < times; ++i) {
      clock->Advance(static_cast<uint64_t>(ms));
      app->ProcessMessages();
    }
  }
  // A file in a directory of this process's own: the test shards run side
  // by side, and a shared name in the temporary directory let one test's
  // saved state land in another's file.
  std::string ScratchFile(const std::string& name) {
    scratch_ = std::filesystem::temp_directory_path() / ("tavrel-tabbar-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch_);
    return (scratch_ / name).string();
  }
  void TearDown() override {
    ControlsTest::TearDown();
    if (!scratch_.empty()) std::filesystem::remove_all(scratch_);
  }
  int bars_ = 0;
  std::filesystem::path scratch_;
};

TEST_F(TabBarTest, TabStripLayoutAndTabAtOnEverySide) {
  for (TPanelPosition pos : {ppLeft, ppRight, ppTop, ppBottom}) {
    SCOPED_TRACE(pos);
    auto* bar = NewBar(pos, {"Filtres", "Sortie"});
    Paint();
    const bool vertical = pos == ppLeft || pos == ppRight;
    EXPECT_EQ(vertical ? bar->Width() : bar->Height(), 23);
    const int l0 = bar->TabLength(0), l1 = bar->TabLength(1);
    EXPECT_GT(l0, 20);
    EXPECT_EQ(bar->TabStart(0), 2);
    EXPECT_EQ(bar->TabStart(1), 2 + l0 + 10);
    EXPECT_EQ(bar->TotalTabLength(), 2 + l0 + 10 + l1 + 10);
    auto at = [&](int along) { return vertical ? bar->TabAt(5, along) : bar->TabAt(along, 5); };
    EXPECT_EQ(at(2), -1) << "the start is excluded";
    EXPECT_EQ(at(3), 0);
    EXPECT_EQ(at(2 + l0 + 9), 0);
    EXPECT_EQ(at(2 + l0 + 10), -1) << "the end is excluded";
    EXPECT_EQ(at(2 + l0 + 11), 1);
    EXPECT_EQ(at(bar->TotalTabLength() + 5), -1);
    // The tab outline lies where the side puts it; the bar's own colours around it.
    const int s = bar->TabStart(0), w = bar->Width();
    TPoint corner;
    switch (pos) {
      case ppLeft: corner = {0, s}; break;
      case ppRight: corner = {w - 23 + 2, s}; break;
      case ppTop: corner = {s, 0}; break;
      case ppBottom: corner = {s, 1}; break;
    }
    EXPECT_EQ(BarPixel(bar, corner.X, corner.Y), bar->TabBorderColor());
    const TPoint farEnd = vertical ? TPoint{corner.X, s + l0 + 3} : TPoint{s + l0 + 3, corner.Y};
    EXPECT_EQ(BarPixel(bar, farEnd.X, farEnd.Y), bar->TabBorderColor());
    const TPoint past = vertical ? TPoint{corner.X, s + l0 + 6} : TPoint{s + l0 + 6, corner.Y};
    EXPECT_NE(BarPixel(bar, past.X, past.Y), bar->TabBorderColor()) << "the gap between two tabs";
    bar->Destroy();
  }
}

// The ink of the tab text: a left bar turns it to run down the tab, a top bar keeps it level.
TEST_F(TabBarTest, TabTextTurnsOnSideBars) {
  for (TPanelPosition pos : {ppLeft, ppTop}) {
    auto* bar = NewBar(pos, {"Longue légende"});
    bar->SetTabColorTo(clNone);
    bar->SetTabColor(clWhite);
    Paint();
    const int s = bar->TabStart(0), lt = bar->TabLength(0);
    int minA = 1 << 20, maxA = -1, minC = 1 << 20, maxC = -1;
    for (int a = s + 1; a < s + lt + 3; ++a)
      for (int c = 1; c < 21; ++c) {
        const TPoint p = pos == ppLeft ? TPoint{c, a} : TPoint{a, c};
        if (BarPixel(bar, p.X, p.Y) == clBlack) {
          minA = std::min(minA, a), maxA = std::max(maxA, a);
          minC = std::min(minC, c), maxC = std::max(maxC, c);
        }
      }
    ASSERT_GE(maxA, 0) << pos;
    EXPECT_GT(maxA - minA, 3 * (maxC - minC)) << pos << ": the text runs along the strip";
    EXPECT_GE(minA, s + 3) << pos;
    bar->Destroy();
  }
}

TEST_F(TabBarTest, BottomToTopTextStartsAtTheFarEndOfTheTab) {
  auto* bar = NewBar(ppLeft, {"Longue légende"});
  bar->SetTabColorTo(clNone);
  bar->SetTabColor(clWhite);
  auto inkRows = [&] {
    Paint();
    const int s = bar->TabStart(0);
    std::pair<int, int> rows{1 << 20, -1};
    for (int y = s + 1; y < s + bar->TabLength(0) + 3; ++y)
      for (int x = 1; x < 21; ++x)
        if (BarPixel(bar, x, y) == clBlack) rows = {std::min(rows.first, y - s), std::max(rows.second, y - s)};
    return rows;
  };
  const auto down = inkRows();
  bar->SetTextDirection(tdBottomToTop);
  const auto up = inkRows();
  ASSERT_GE(down.second, 0);
  ASSERT_GE(up.second, 0);
  // The same length of ink, within the tab either way.
  EXPECT_NEAR(up.second - up.first, down.second - down.first, 2);
  EXPECT_GE(up.first, 1);
  EXPECT_LE(up.second, bar->TabLength(0) + 4);
}

// On a bar all in white the only ink is the caption, which must be exactly
// what the tab font draws at the point its side gives: x across the strip,
// 4 along the tab; reading upwards, from the tab's far end.
TEST_F(TabBarTest, TabTextStandsExactlyWhereItsSidePutsIt) {
  struct Case {
    TPanelPosition pos;
    TTextDirection dir;
  } cases[] = {{ppLeft, tdTopToBottom}, {ppRight, tdTopToBottom}, {ppTop, tdTopToBottom},
               {ppBottom, tdTopToBottom}, {ppLeft, tdBottomToTop}, {ppRight, tdBottomToTop}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "side " << c.pos << ", direction " << c.dir);
    auto* bar = NewBar(c.pos, {"Filtres"});
    bar->SetColor(clWhite);
    bar->SetColorTo(clNone);
    bar->SetTabColor(clWhite);
    bar->SetTabColorTo(clNone);
    bar->SetTabBorderColor(clWhite);
    bar->SetTextDirection(c.dir);
    Paint();
    const bool vertical = c.pos == ppLeft || c.pos == ppRight;
    const int w = bar->Width(), h = bar->Height(), tw = 23, s = bar->TabStart(0), lt = bar->TabLength(0);
    TBitmap ref = test::WhiteBitmap(w, h);
    TCanvas& rc = ref.Canvas();
    rc.Font().Assign(bar->Font());
    const int g = rc.TextWidth("gh");
    int x = 0, y = 0;
    switch (c.pos) {
      case ppLeft: x = tw - (tw - g) / 2, y = s + 4; break;
      case ppRight: x = w - (tw - g) / 2 + 4, y = s + 4; break;
      case ppTop: x = s + 4, y = 4; break;
      case ppBottom: x = s + 4, y = h - tw + 4; break;
    }
    if (c.dir == tdBottomToTop) {
      x += (tw - g) / 2 - tw + 2;
      y += lt - 4;
    }
    if (vertical) rc.Font().SetOrientation(c.dir == tdBottomToTop ? 900 : -900);
    rc.Brush().SetStyle(TBrushStyle::bsClear);
    rc.TextOut(x, y, "Filtres");
    ASSERT_NE(test::InkBounds(ref, clWhite), TRect{}) << "the reference caption lies on the bar";
    std::string drawn, expected;
    for (int v = 0; v < h; ++v) {
      for (int u = 0; u < w; ++u) {
        const TColor d = BarPixel(bar, u, v), e = rc.Pixel(u, v);
        drawn += d == clWhite ? '.' : '#';
        expected += e == clWhite ? '.' : '#';
        if (d != e && d != clWhite && e != clWhite) drawn.back() = '?';
      }
      drawn += '\n';
      expected += '\n';
    }
    EXPECT_EQ(drawn, expected);
    bar->Destroy();
  }
}

TEST_F(TabBarTest, TabPicturesAndTheTabGlyph) {
  auto* bar = NewBar(ppLeft, {"Un"});
  const int plain = bar->TabLength(0);
  TImageList* images = test::SolidImages(form, 16, clRed);
  bar->SetImages(images);
  bar->Panels().Items(0)->Panel()->SetImageIndex(0);
  EXPECT_EQ(bar->TabLength(0), plain + 16 + 6);
  Paint();
  const int s = bar->TabStart(0);
  EXPECT_EQ(BarPixel(bar, 3, s + 6), clRed) << "at ((23 - 16) / 2, s + 6)";
  EXPECT_EQ(BarPixel(bar, 18, s + 21), clRed);
  EXPECT_NE(BarPixel(bar, 19, s + 21), clRed);
  // A tab picture: its key colour (bottom-left pixel) shows the bar through,
  // its middle rows stretch to the tab's length.
  TPicture glyph;
  TBitmap& g = glyph.Bitmap();
  g.SetSize(20, 10);
  g.Canvas().Brush().SetColor(clBlue);
  g.Canvas().FillRect(Rect(0, 0, 20, 10));
  g.Canvas().Brush().SetColor(clFuchsia);
  g.Canvas().FillRect(Rect(0, 0, 2, 10));
  bar->SetTabGlyph(glyph);
  bar->SetColorTo(clNone);
  Paint();
  const int extent = bar->TabLength(0) + 16 + 8;
  EXPECT_EQ(BarPixel(bar, 10, s + 1), clBlue);
  EXPECT_EQ(BarPixel(bar, 19, s + extent - 1), clBlue);
  EXPECT_EQ(BarPixel(bar, 19, s + extent / 2), clBlue);
  EXPECT_EQ(BarPixel(bar, 1, s + extent / 2), bar->Color()) << "transparent on the key colour";
  EXPECT_NE(BarPixel(bar, 19, s + extent + 1), clBlue);
  images->Destroy();
  EXPECT_EQ(bar->Images(), nullptr);
}

TEST_F(TabBarTest, HoverColoursAndEnterLeaveEvents) {
  auto* bar = NewBar(ppLeft, {"Un", "Deux"});
  std::vector<std::string> log;
  bar->OnTabEnter = TTabEvent([&](TObject*, int i, TAdvToolPanel*) { log.push_back("enter " + std::to_string(i)); });
  bar->OnTabLeave = TTabEvent([&](TObject*, int i, TAdvToolPanel*) { log.push_back("leave " + std::to_string(i)); });
  bar->SetTabColorTo(clNone);
  bar->SetTabHoverColorTo(clNone);
  Paint();
  const int y1 = bar->TabStart(1) + 5;
  Mouse(WM_MOUSEMOVE, bar, 10, bar->TabStart(0) + 5);
  Mouse(WM_MOUSEMOVE, bar, 10, y1);
  Paint();
  EXPECT_EQ(bar->HoverPanel(), 1);
  // Beside the text, inside the outline.
  EXPECT_EQ(BarPixel(bar, 2, y1), bar->TabHoverColor());
  EXPECT_EQ(BarPixel(bar, 2, bar->TabStart(0) + 5), bar->TabColor());
  // Without a hover colour the look stays, the events still come.
  bar->SetTabHoverColor(clNone);
  form->InjectMouseLeave();
  Mouse(WM_MOUSEMOVE, bar, 10, bar->TabStart(0) + 5);
  Paint();
  EXPECT_EQ(BarPixel(bar, 2, y1), bar->TabColor());
  EXPECT_EQ(log, (std::vector<std::string>{"enter 0", "leave 0", "enter 1", "leave 1", "enter 0"}));
}

TEST_F(TabBarTest, AddingMovingAndDeletingPanels) {
  auto* bar = NewBar(ppLeft, {"A", "B", "C"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  TAdvToolPanel* c = bar->Panels().Items(2)->Panel();
  EXPECT_EQ(a->Name(), "Bar1Panel1");
  EXPECT_NE(a->Name(), c->Name()) << "created panels get names of their own";
  bar->Panels().Items(2)->SetOpenWidth(210);
  // Moving down the list frees the moved item, not the one now at its old index.
  bar->Panels().Move(2, 0);
  ASSERT_EQ(bar->Panels().Count(), 3);
  EXPECT_EQ(bar->Panels().Items(0)->Panel(), c);
  EXPECT_EQ(bar->Panels().Items(0)->OpenWidth(), 210);
  EXPECT_EQ(bar->Panels().Items(1)->Panel(), a);
  bar->Panels().Move(0, 3);
  EXPECT_EQ(bar->Panels().Items(2)->Panel(), c);
  EXPECT_EQ(bar->PanelByName("Bar1Panel1"), a);
  EXPECT_EQ(bar->PanelByName("bar1panel1"), nullptr) << "names compare with case";
  bar->NextPanel();
  bar->NextPanel();
  EXPECT_EQ(bar->DesignViewPanel(), 1);
  bar->PrevPanel();
  bar->PrevPanel();
  EXPECT_EQ(bar->DesignViewPanel(), 0);
  // A destroyed panel leaves the bar.
  a->Destroy();
  EXPECT_EQ(bar->Panels().Count(), 2);
  EXPECT_EQ(bar->PanelIndex(a), -1);
  Paint();
}

TEST_F(TabBarTest, EmptyBarThicknessFollowsTabWidth) {
  auto* bar = NewBar(ppLeft, {"A", "B"});
  bar->SetTabWidth(30);
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  TAdvToolPanel* b = bar->Panels().Items(1)->Panel();
  a->SetHidden(true);
  b->SetHidden(true);
  EXPECT_EQ(bar->Width(), 0);
  b->SetHidden(false);
  EXPECT_EQ(bar->Width(), 30) << "a tab visible again gives the bar its TabWidth";
}

TEST_F(TabBarTest, ScrollArrowsMoveTheStripByTen) {
  auto* bar = NewBar(ppLeft, {"Un long titre", "Un autre long titre", "Et un troisième titre"});
  form->SetBounds(0, 0, 440, 200);
  Paint();
  ASSERT_GT(bar->TotalTabLength(), bar->Height());
  const int h = bar->Height();
  EXPECT_EQ(bar->TabAt(5, h - 5), -1) << "the arrows, not a tab";
  Click(bar, 18, h - 4);
  EXPECT_EQ(bar->ScrollOffset(), -10);
  Click(bar, 5, h - 4);
  Click(bar, 5, h - 4);
  EXPECT_EQ(bar->ScrollOffset(), 0) << "no further back than 0";
  Click(bar, 18, h - 4);
  form->SetBounds(0, 0, 440, 210);
  EXPECT_EQ(bar->ScrollOffset(), 0) << "resizing starts the strip again";
}

// The arrow picture's white is transparent: the bar's colour shows around
// the two black triangles, down on the left and up on the right.
TEST_F(TabBarTest, ScrollArrowsAreDrawnTransparent) {
  auto* bar = NewBar(ppLeft, {"Un long titre", "Un autre long titre", "Et un troisième titre"});
  bar->SetColor(clYellow);
  bar->SetColorTo(clNone);
  form->SetBounds(0, 0, 440, 200);
  Paint();
  const int h = bar->Height();
  ASSERT_GT(bar->TotalTabLength(), h);
  std::string arrows;
  for (int y = h - 9; y < h; ++y) {
    for (int x = 0; x < bar->Width(); ++x) {
      const TColor p = BarPixel(bar, x, y);
      arrows += p == clYellow ? '.' : p == clBlack ? '#' : '?';
    }
    arrows += '\n';
  }
  EXPECT_EQ(arrows,
            ".......................\n"
            ".......................\n"
            "..#######....#.........\n"
            "...#####....###........\n"
            "....###....#####.......\n"
            ".....#....#######......\n"
            ".......................\n"
            ".......................\n"
            ".......................\n");
}

TEST_F(TabBarTest, TwoBarsOnOneFormGoInEitherOrder) {
  for (bool leftFirst : {true, false}) {
    auto* left = NewBar(ppLeft, {"A"});
    auto* right = NewBar(ppRight, {"B"});
    EXPECT_EQ(left->HookedForm(), form);
    EXPECT_EQ(right->HookedForm(), form);
    (leftFirst ? left : right)->Destroy();
    form->SetBounds(0, 0, 430, 350);  // the form's messages still reach the one left
    (leftFirst ? right : left)->Destroy();
    form->SetBounds(0, 0, 440, 360);
    form->Perform(WM_SYSCOMMAND, 0xF030);
    Paint();
  }
}

TEST_F(TabBarTest, FormSizeClampsPanelsAndCloseSaves) {
  auto* bar = NewBar(ppLeft, {"A"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  a->SetHeight(500);
  form->SetBounds(0, 0, 440, 300);
  EXPECT_LE(a->Height(), form->ClientHeight());
  const std::string path = ScratchFile("tabbar_close.ini");
  bar->Persist().SetINIFile(path);
  bar->Persist().SetAutoSave(true);
  form->Perform(WM_CLOSE);
  EXPECT_EQ(TIniFile(path).ReadInteger("Bar1PANELS", "COUNT", 0), 1);
}

TEST_F(TabBarTest, StylesPassToPanelsAndTheDesktopSchemeIsClassic) {
  auto* bar = NewBar(ppLeft, {"A"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  bar->SetStyle(esWindowsVista);
  EXPECT_EQ(bar->Color(), RGB(241, 248, 253)) << "the background copies the tab colours";
  EXPECT_EQ(bar->ColorTo(), RGB(213, 239, 252));
  EXPECT_EQ(a->Style(), esWindowsVista);
  EXPECT_EQ(a->Color(), RGB(241, 248, 253));
  bar->SetAutoThemeAdapt(true);
  form->Perform(WM_THEMECHANGED);
  EXPECT_EQ(bar->Style(), esOffice2003Classic) << "no desktop scheme here";
  EXPECT_TRUE(bar->AutoThemeAdapt());
  bar->SetStyle(esCustom);
  EXPECT_FALSE(bar->AutoThemeAdapt());
  EXPECT_EQ(a->Style(), esCustom);
  EXPECT_EQ(bar->Version(), "1.5.2.0");
}

TEST_F(TabBarTest, FormDataPanelsJoinTheBarAndLeaveIt) {
  const std::string path = ScratchFile("tabbar_autoload.ini");
  std::ofstream(path) << "[Bar1PANELS]\nCOUNT=1\n[Bar1PANEL1]\nNAME=pnlB\nHIDDEN=1\n";
  const std::string text = R"(
object fmTabs: TForm
  Width = 440
  Height = 360
  object Bar1: TAdvToolPanelTab
    Persist.AutoLoad = True
    Persist.INIFile = ')" + path + R"('
    Position = ppRight
    TabWidth = 26
    object pnlA: TAdvToolPanel
      Width = 160
      Caption = 'Premier'
      OpenWidth = 160
    end
    object pnlB: TAdvToolPanel
      Caption = 'Second'
    end
  end
end
)";
  ReadRootComponent(*form, ObjectTextToBinary(text));
  auto* bar = dynamic_cast<TAdvToolPanelTab*>(form->FindComponent("Bar1"));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->Panels().Count(), 2);
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  EXPECT_EQ(a->Name(), "pnlA");
  EXPECT_EQ(a->Parent(), form) << "panels move to the bar's form";
  EXPECT_FALSE(a->Visible());
  EXPECT_EQ(a->Tab(), bar);
  EXPECT_EQ(bar->Panels().Items(0)->Caption, "Premier");
  EXPECT_EQ(bar->Panels().Items(0)->OpenWidth(), 160);
  EXPECT_EQ(bar->Width(), 26);
  EXPECT_EQ(bar->Align(), alRight);
  EXPECT_EQ(bar->Left(), form->ClientWidth() - 26);
  EXPECT_TRUE(bar->Panels().Items(1)->Panel()->Hidden()) << "restored at the end of loading";
  form->InjectActivate(true);
  Paint();
  bar->OpenTabPanel(0);
  EXPECT_TRUE(bar->Sliding()) << "form data slides at medium speed";
  bar->FinishSlides();
  EXPECT_EQ(bar->FloatingForm()->BoundsRect(),
            Bounds(bar->ClientOrigin().X - 160, bar->ClientOrigin().Y, 160, bar->Height()));
  EXPECT_EQ(a->BoundsRect(), Bounds(2, 0, 158, bar->Height()));
  EXPECT_TRUE(bar->FloatingForm()->Visible());
  EXPECT_TRUE(form->Active()) << "the form stays the active window";
  // The form closing hides the floating form.
  form->Perform(WM_CLOSE);
  EXPECT_FALSE(bar->FloatingForm()->Visible());
}

// ---- sliding ------------------------------------------------------------------

TEST_F(TabBarTest, SlideStepSequences) {
  struct Case {
    TPanelPosition pos;
    TSlideSpeed speed;
    int pause;  // ms before each step
    std::vector<int> steps, back;
  };
  const std::vector<int> right = {15, 30, 45, 60, 75, 90, 105, 120, 135, 150},
                         rightBack = {135, 120, 105, 90, 75, 60, 45, 30, 15, 0},
                         left = {-135, -120, -105, -90, -75, -60, -45, -30, -15, 0, 15, 23},
                         leftBack = {8, -7, -22, -37, -52, -67, -82, -97, -112, -127, -142, -157};
  const Case cases[] = {
      {ppRight, ssSlow, 18, right, rightBack}, {ppLeft, ssSlow, 18, left, leftBack},
      {ppRight, ssMedium, 9, right, rightBack}, {ppLeft, ssMedium, 9, left, leftBack},
      {ppRight, ssFast, 3, right, rightBack}, {ppLeft, ssFast, 3, left, leftBack},
      {ppLeft, ssInstant, 0, {}, {}},           {ppRight, ssInstant, 0, {}, {}},
  };
  for (const Case& c : cases) {
    auto* bar = NewBar(c.pos, {"Panneau"}, c.speed);
    TAdvToolPanel* p = bar->Panels().Items(0)->Panel();
    p->SetOpenWidth(150);
    bar->Panels().Items(0)->SetOpenWidth(150);
    std::vector<std::string> events;
    bar->OnTabSlideOut = TTabEvent([&](TObject*, int, TAdvToolPanel*) { events.push_back("out"); });
    bar->OnTabSlideOutDone = TTabEvent([&](TObject*, int, TAdvToolPanel*) { events.push_back("done"); });
    bar->OnTabSlideIn = TTabEvent([&](TObject*, int, TAdvToolPanel*) { events.push_back("in"); });
    bar->OnTabSlideInDone = TTabEvent([&](TObject*, int, TAdvToolPanel*) { events.push_back("in done"); });
    Paint();
    bar->OpenTabPanel(0);
    auto now = [&] { return c.pos == ppRight ? bar->FloatingForm()->Width() : p->Left(); };
    const int pause = c.pause;
    auto steps = [&] {
      std::vector<int> seen;
      for (int i = 0; i < 20 && bar->Sliding(); ++i) {
        Tick(pause - 1);
        EXPECT_EQ(seen.size(), static_cast<size_t>(i)) << "no step before its pause";
        Tick(1);
        seen.push_back(now());
      }
      return seen;
    };
    SCOPED_TRACE(testing::Message() << "side " << c.pos << ", speed " << c.speed);
    EXPECT_EQ(steps(), c.steps);
    EXPECT_EQ(now(), c.pos == ppRight ? 150 : 23);
    EXPECT_EQ(events, (std::vector<std::string>{"out", "done"}));
    EXPECT_EQ(bar->RollOutPanel(), 0);
    if (c.pos == ppRight) {
      EXPECT_EQ(bar->FloatingForm()->Left(), bar->ClientOrigin().X - 150) << "it grows away from the bar";
      EXPECT_EQ(p->Parent(), bar->FloatingForm());
    }
    bar->RollIn(p);
    EXPECT_EQ(steps(), c.back);
    EXPECT_FALSE(p->Visible());
    EXPECT_EQ(bar->RollOutPanel(), -1);
    EXPECT_EQ(events, (std::vector<std::string>{"out", "done", "in", "in done"}));
    bar->Destroy();
  }
}

TEST_F(TabBarTest, RestOnATabOpensOnTheThirdTickAndAwayClosesOnTheTenth) {
  auto* bar = NewBar(ppLeft, {"A", "B"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  auto* edit = Make<TEdit>(a, Bounds(8, 40, 80, 21));
  Paint();
  const int y = bar->TabStart(0) + 5;
  Mouse(WM_MOUSEMOVE, bar, 10, y);
  Tick(200, 2);
  EXPECT_FALSE(a->Visible());
  Tick(200);
  EXPECT_TRUE(a->Visible()) << "opens on the third tick";
  EXPECT_EQ(bar->RollOutPanel(), 0);
  // The mouse goes far away: the tenth tick away slides it in.
  SetCursorPos(form->ClientToScreen({400, 300}));
  Tick(200, 9);
  EXPECT_TRUE(a->Visible());
  Tick(200);
  EXPECT_FALSE(a->Visible());
  EXPECT_EQ(bar->RollOutPanel(), -1);
  // A focused child keeps the panel open however long the mouse stays away.
  bar->OpenTabPanel(0);
  edit->SetFocus();
  Tick(200, 25);
  EXPECT_TRUE(a->Visible());
  // A locked panel is never closed by the timer.
  a->SetLocked(true);
  form->SetFocus();
  Tick(200, 25);
  EXPECT_TRUE(a->Visible());
}

TEST_F(TabBarTest, ClickOnTheEmptyStripAndAutoLock) {
  auto* bar = NewBar(ppLeft, {"A", "B"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  TAdvToolPanel* b = bar->Panels().Items(1)->Panel();
  Paint();
  Click(bar, 10, bar->TabStart(0) + 5);
  EXPECT_TRUE(a->Visible());
  Click(bar, 10, 340);
  EXPECT_FALSE(a->Visible()) << "a click beside the tabs slides it in";
  b->SetAutoLock(true);
  Click(bar, 10, bar->TabStart(1) + 5);
  EXPECT_TRUE(b->Locked()) << "locked at the end of its slide";
  EXPECT_EQ(bar->RollOutPanel(), -1);
  EXPECT_EQ(b->Align(), alLeft);
  Click(bar, 10, 340);
  EXPECT_TRUE(b->Visible());
}

TEST_F(TabBarTest, LockAndUnlockPlaceThePanelsBesideTheBar) {
  struct Case {
    TPanelPosition pos;
    TAlign align;
  };
  for (const Case c : {Case{ppLeft, alLeft}, Case{ppRight, alRight}, Case{ppTop, alTop}, Case{ppBottom, alBottom}}) {
    SCOPED_TRACE(c.pos);
    auto* bar = NewBar(c.pos, {"A", "B"});
    TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
    TAdvToolPanel* b = bar->Panels().Items(1)->Panel();
    a->SetOpenWidth(100);
    b->SetOpenWidth(80);
    bar->OpenTabPanel(0);
    a->SetLocked(true);
    bar->OpenTabPanel(1);
    b->SetLocked(true);
    EXPECT_EQ(a->Align(), c.align);
    EXPECT_EQ(b->Align(), c.align);
    EXPECT_EQ(a->Parent(), form);
    const bool vertical = c.pos == ppLeft || c.pos == ppRight;
    EXPECT_EQ(vertical ? bar->Width() : bar->Height(), 0) << "no tab left";
    const TRect fa = a->BoundsRect(), fb = b->BoundsRect();
    EXPECT_EQ(vertical ? fa.Width() : fa.Height(), 100);
    EXPECT_EQ(vertical ? fb.Width() : fb.Height(), 80);
    EXPECT_TRUE(IsRectEmpty(IntersectRect(fa, fb))) << "side by side";
    // Each one's inner edge against the bar or the panel locked before it.
    const TRect bar0 = bar->BoundsRect();
    auto inner = [&](const TRect& r) {
      switch (c.pos) {
        case ppLeft: return r.Left;
        case ppRight: return r.Right;
        case ppTop: return r.Top;
        default: return r.Bottom;
      }
    };
    auto outer = [&](const TRect& r) {
      switch (c.pos) {
        case ppLeft: return r.Right;
        case ppRight: return r.Left;
        case ppTop: return r.Bottom;
        default: return r.Top;
      }
    };
    EXPECT_EQ(inner(fa), outer(bar0));
    EXPECT_EQ(inner(fb), outer(fa));
    // Unlocking one gives the bar its tab back and that panel slides out.
    a->SetLocked(false);
    EXPECT_EQ(vertical ? bar->Width() : bar->Height(), 23);
    EXPECT_EQ(bar->RollOutPanel(), 0);
    EXPECT_EQ(b->Align(), c.align);
    EXPECT_EQ(vertical ? b->Width() : b->Height(), 80);
    EXPECT_EQ(inner(b->BoundsRect()), outer(bar->BoundsRect())) << "B moves up against the bar";
    if (c.pos == ppRight || c.pos == ppBottom) {
      EXPECT_EQ(a->Parent(), bar->FloatingForm());
    }
    bar->Destroy();
  }
}

TEST_F(TabBarTest, EndingMidSlideByDestructionOrRemoval) {
  for (bool destroyBar : {true, false}) {
    auto* bar = NewBar(ppRight, {"A", "B"}, ssSlow);
    TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
    int done = 0;
    bar->OnTabSlideOutDone = TTabEvent([&](TObject*, int, TAdvToolPanel*) { ++done; });
    bar->OpenTabPanel(0);
    Tick(18, 3);
    ASSERT_TRUE(bar->Sliding());
    if (destroyBar) {
      bar->Destroy();
      EXPECT_EQ(a->Parent(), form) << "the panel leaves the floating form before it goes";
    } else {
      a->Destroy();
      EXPECT_FALSE(bar->Sliding());
    }
    Tick(18, 20);
    EXPECT_EQ(done, 0);
    if (!destroyBar) bar->Destroy();
  }
}

TEST_F(TabBarTest, FormGoingMidSlideTakesBarsAndPanelsCleanly) {
  // Panels made before and after the bar, slid out, sliding, locked and floating.
  auto* early = Make<TAdvToolPanel>(form, Bounds(0, 0, 100, 100));
  auto* right = NewBar(ppRight, {"A", "B"}, ssSlow);
  auto* left = NewBar(ppLeft, {"C", "D"}, ssSlow);
  right->InsertPanel(early);
  early->SetTab(right);
  right->OpenTabPanel(0);
  left->OpenTabPanel(0);
  Tick(18, 3);
  left->FinishSlides();
  left->Panels().Items(0)->Panel()->SetLocked(true);
  FloatToolPanel(left->Panels().Items(0)->Panel(), Bounds(600, 300, 150, 120));
  ASSERT_TRUE(right->Sliding());
  form->Destroy();
  Tick(18, 20);
}

// ---- docking --------------------------------------------------------------------

TEST_F(TabBarTest, FloatOutDockBackSizeAndLock) {
  auto* bar = NewBar(ppLeft, {"A", "B"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  auto* child = Make<TEdit>(a, Bounds(8, 40, 80, 21));
  a->SetOpenWidth(150);
  bar->OpenTabPanel(0);
  Paint();
  // The lock button pins the panel beside the bar.
  Click(a, a->ClientWidth() - 30, 10);
  ASSERT_TRUE(a->Locked());
  EXPECT_EQ(a->Align(), alLeft);
  Paint();
  // Its right edge sizes it.
  const int w = a->Width();
  Mouse(WM_MOUSEMOVE, a, w - 1, 100);
  Mouse(WM_LBUTTONDOWN, a, w - 1, 100, MK_LBUTTON);
  ASSERT_NE(app->MouseTracker(), nullptr);
  form->InjectMouse(WM_MOUSEMOVE, a->Left() + w + 39, 100, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, a->Left() + w + 39, 100, 0);
  EXPECT_EQ(a->Width(), w + 40);
  EXPECT_EQ(app->MouseTracker(), nullptr);
  // Escape ends a drag with nothing changed.
  Mouse(WM_MOUSEMOVE, a, 4, 10);
  Mouse(WM_LBUTTONDOWN, a, 4, 10, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, a, 5, 11, MK_LBUTTON);
  ASSERT_NE(app->MouseTracker(), nullptr);
  EXPECT_TRUE(a->Docking());
  form->InjectKey(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(app->MouseTracker(), nullptr);
  EXPECT_FALSE(a->Docking());
  Mouse(WM_LBUTTONUP, a, 5, 11);
  EXPECT_TRUE(a->Locked());
  EXPECT_EQ(a->Parent(), form);
  EXPECT_FALSE(a->Floating());
  // Dragged by its grip, it floats where the button goes up.
  Mouse(WM_MOUSEMOVE, a, 4, 10);
  Mouse(WM_LBUTTONDOWN, a, 4, 10, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, a, 5, 11, MK_LBUTTON);
  ASSERT_NE(app->MouseTracker(), nullptr);
  form->InjectMouse(WM_MOUSEMOVE, 300, 200, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 300, 200, 0);
  EXPECT_TRUE(a->Floating());
  EXPECT_TRUE(a->Docking());
  TForm* host = a->ParentForm();
  ASSERT_NE(host, form);
  EXPECT_EQ(host->BoundsRect().TopLeft(), form->ClientToScreen({300, 200}));
  EXPECT_EQ(child->Top(), 40 - ToolPanelCaptionHeight) << "no caption bar while floating";
  EXPECT_EQ(bar->PanelsInTab(), 1);
  // Dropped on the bar's strip it docks there, locked.
  host->InjectMouse(WM_LBUTTONDOWN, 1, 1, MK_LBUTTON);  // a floating window has no grip: start by hand
  bar->BeginDockDrag(a);
  SetCursorPos(bar->ClientToScreen({10, 50}));
  const TPoint onBar = bar->ClientToForm({10, 50});
  form->InjectMouse(WM_LBUTTONUP, onBar.X, onBar.Y, 0);
  EXPECT_FALSE(host->Visible()) << "the empty floating window goes";
  const size_t forms = app->Forms().size();
  app->ProcessMessages();
  EXPECT_EQ(app->Forms().size(), forms - 1);
  EXPECT_FALSE(a->Floating());
  EXPECT_FALSE(a->Docking());
  EXPECT_TRUE(a->Locked());
  EXPECT_EQ(a->Parent(), form);
  EXPECT_EQ(child->Top(), 40);
  EXPECT_EQ(bar->PanelIndex(a), 0);
  // Unlocked again, it is the slid-out panel.
  a->SetLocked(false);
  EXPECT_EQ(bar->RollOutPanel(), 0);
  EXPECT_EQ(a->Left(), 23);
}

TEST_F(TabBarTest, CloseButtonHidesTheTabUntilUnhidden) {
  auto* bar = NewBar(ppRight, {"A", "B"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  std::vector<std::string> log;
  bar->OnTabHide = TTabEvent([&](TObject*, int i, TAdvToolPanel*) { log.push_back("hide " + std::to_string(i)); });
  bar->OnAllowTabHide = TAllowTabEvent([&](TObject*, int, TAdvToolPanel*, bool& allow) { allow = !log.empty(); });
  Paint();
  bar->OpenTabPanel(0);
  TForm* f = bar->FloatingForm();
  auto closeButton = [&] {
    const TPoint at = a->ClientToForm({a->ClientWidth() - 12, 10});
    f->InjectMouse(WM_MOUSEMOVE, at.X, at.Y, 0);
    f->InjectMouse(WM_LBUTTONDOWN, at.X, at.Y, MK_LBUTTON);
    f->InjectMouse(WM_LBUTTONUP, at.X, at.Y, 0);
  };
  closeButton();
  EXPECT_FALSE(a->Hidden()) << "refused";
  log.push_back("-");
  closeButton();
  EXPECT_EQ(log, (std::vector<std::string>{"-", "hide 0"}));
  EXPECT_TRUE(a->Hidden());
  EXPECT_FALSE(f->Visible());
  EXPECT_EQ(bar->PanelsInTab(), 1);
  EXPECT_EQ(bar->TabStart(1), 2) << "B's tab moves up";
  bar->UnHidePanel(a);
  EXPECT_EQ(bar->PanelsInTab(), 2);
}

TEST_F(TabBarTest, RightBarFormFollowsTheBarAndSizesByItsEdge) {
  auto* bar = NewBar(ppRight, {"A"});
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  a->SetOpenWidth(150);
  form->SetBounds(100, 50, 440, 360);
  Paint();
  bar->OpenTabPanel(0);
  TForm* f = bar->FloatingForm();
  EXPECT_EQ(f->BoundsRect(), Bounds(bar->ClientOrigin().X - 150, bar->ClientOrigin().Y, 150, bar->Height()));
  // The form is dragged: the floating form keeps to the bar.
  form->SetBounds(160, 80, 440, 360);
  TRect moving = form->BoundsRect();
  form->Perform(WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving));
  EXPECT_EQ(f->BoundsRect(), Bounds(bar->ClientOrigin().X - 150, bar->ClientOrigin().Y, 150, bar->Height()));
  // Its left edge sizes it; the panel follows on its anchors.
  f->InjectMouse(WM_LBUTTONDOWN, 0, 100, MK_LBUTTON);
  ASSERT_NE(app->MouseTracker(), nullptr);
  const TPoint to = f->ClientToScreen({-30, 100});
  f->InjectMouse(WM_MOUSEMOVE, -30, 100, MK_LBUTTON);
  const TPoint up = f->ScreenToClient(to);  // the window moved under the pointer
  f->InjectMouse(WM_LBUTTONUP, up.X, up.Y, 0);
  EXPECT_EQ(f->Width(), 180);
  EXPECT_EQ(a->Width(), 178);
  // Maximising slides every unlocked panel in.
  form->Perform(WM_SYSCOMMAND, 0xF030);
  EXPECT_FALSE(a->Visible());
  EXPECT_FALSE(f->Visible());
}

// Whenever the floating form is put back beside its bar, the form becomes
// the active window again, and it repaints when the floating form moved.
TEST_F(TabBarTest, KeepingTheFloatingFormInPlaceActivatesAndRepaintsTheForm) {
  for (TPanelPosition pos : {ppRight, ppBottom}) {
    SCOPED_TRACE(pos);
    auto* bar = NewBar(pos, {"A"});
    bar->Panels().Items(0)->Panel()->SetOpenWidth(100);
    form->SetBounds(100, 50, 440, 360);
    Paint();
    bar->OpenTabPanel(0);
    TForm* f = bar->FloatingForm();
    ASSERT_TRUE(f->Visible());
    Paint();
    const TRect inPlace = f->BoundsRect();
    // The floating form is out of place (the form moved away from it) and
    // the user clicked into it.
    f->SetBounds(inPlace.Left + 30, inPlace.Top + 20, inPlace.Width(), inPlace.Height());
    f->InjectActivate(true);
    ASSERT_FALSE(form->Active());
    ASSERT_FALSE(form->NeedsPaint());
    TRect moving = form->BoundsRect();
    form->Perform(WM_MOVING, 0, reinterpret_cast<LPARAM>(&moving));
    EXPECT_EQ(f->BoundsRect(), inPlace);
    EXPECT_TRUE(form->Active());
    EXPECT_TRUE(form->NeedsPaint()) << "the floating form moved over it";
    Paint();
    // A paint that finds it in place activates the form, and paints no more.
    f->InjectActivate(true);
    form->Invalidate();
    Paint();
    EXPECT_TRUE(form->Active());
    EXPECT_FALSE(form->NeedsPaint());
    // So does a system command that moves the form.
    f->InjectActivate(true);
    form->Perform(WM_SYSCOMMAND, 0xF120);
    EXPECT_TRUE(form->Active());
    bar->Destroy();
  }
}

TEST_F(TabBarTest, DockOverTakesOnlyToolPanels) {
  auto* bar = NewBar(ppBottom, {"A"});
  auto* edit = Make<TEdit>(form, Bounds(100, 100, 80, 21));
  TRect dock;
  EXPECT_FALSE(bar->DockOver(edit, dock));
  ASSERT_TRUE(bar->DockOver(bar->Panels().Items(0)->Panel(), dock));
  const TPoint o = bar->ClientOrigin();
  EXPECT_EQ(dock, Rect(o.X, o.Y + bar->Height() - 100, o.X + bar->Width(), o.Y + bar->Height()));
}

// ---- saved state ------------------------------------------------------------------

class TabBarPersistTest : public TabBarTest {
 protected:
  void SetUp() override {
    TabBarTest::SetUp();
    path = ScratchFile("tabbar_state.ini");
  }
  void Write(const std::string& text) { std::ofstream(path) << text; }
  std::string path;
};

TEST_F(TabBarPersistTest, SaveThenRestoreReproducesTheLayout) {
  auto* bar = NewBar(ppLeft, {"A", "B", "C"});
  bar->Persist().SetINIFile(path);
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  TAdvToolPanel* b = bar->Panels().Items(1)->Panel();
  TAdvToolPanel* c = bar->Panels().Items(2)->Panel();
  a->SetOpenWidth(120);
  bar->OpenTabPanel(0);
  a->SetLocked(true);
  b->SetHidden(true);
  bar->OpenTabPanel(2);
  c->SetLocked(true);
  FloatToolPanel(c, Bounds(500, 400, 200, 150));
  bar->SaveState();
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("Bar1PANELS", "COUNT", 0), 3);
  TStringList keys;
  ini.ReadSection("Bar1PANEL3", keys);
  EXPECT_EQ(keys.Text(), "NAME\nOPENWIDTH\nLOCKED\nHIDDEN\nDOCKED\nVISIBLE\nTAB\nLEFT\nTOP\nWIDTH\nHEIGHT\n");
  EXPECT_EQ(ini.ReadString("Bar1PANEL1", "NAME", ""), "Bar1Panel1");
  EXPECT_EQ(ini.ReadInteger("Bar1PANEL1", "WIDTH", 0), 120);
  EXPECT_EQ(ini.ReadString("Bar1PANEL1", "TAB", ""), "Bar1");

  // A second form with panels of the same names, in their first state.
  form->Destroy();
  form = app->CreateForm<TForm>();
  form->SetBounds(0, 0, 440, 360);
  bars_ = 0;
  bar = NewBar(ppLeft, {"A", "B", "C"});
  bar->Persist().SetINIFile(path);
  a = bar->Panels().Items(0)->Panel();
  b = bar->Panels().Items(1)->Panel();
  c = bar->Panels().Items(2)->Panel();
  bar->RestoreState();
  EXPECT_TRUE(a->Locked());
  EXPECT_EQ(a->Width(), 120);
  EXPECT_EQ(a->Align(), alLeft);
  EXPECT_TRUE(b->Hidden());
  EXPECT_TRUE(c->Floating());
  EXPECT_EQ(c->ParentForm()->BoundsRect(), Bounds(500, 400, 200, 150));
  EXPECT_EQ(bar->PanelsInTab(), 0);
  // Restoring again changes nothing.
  a->SetLocked(false);
  bar->RestoreState();
  EXPECT_FALSE(a->Locked());
  // A later save with fewer panels leaves the old third section behind, unread.
  c->Destroy();
  bar->SaveState();
  EXPECT_EQ(TIniFile(path).ReadInteger("Bar1PANELS", "COUNT", 0), 2);
  EXPECT_TRUE(TIniFile(path).SectionExists("Bar1PANEL3"));
}

TEST_F(TabBarPersistTest, RegistryStandInHoldsTheSameWithoutTab) {
  const std::string home = ScratchFile("xdg");
  const char* before = std::getenv("XDG_CONFIG_HOME");
  const std::optional<std::string> saved = before ? std::optional<std::string>(before) : std::nullopt;
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  auto* bar = NewBar(ppLeft, {"A"});
  bar->Persist().SetLocation(pplRegistry);
  bar->Persist().SetRegistryUserKey("Software\\Tavrel\\Panels");
  bar->SaveState();
  TRegistryIniFile reg("Software\\Tavrel\\Panels");
  EXPECT_EQ(reg.ReadString("Bar1PANEL1", "NAME", ""), "Bar1Panel1");
  EXPECT_FALSE(reg.ValueExists("Bar1PANEL1", "TAB"));
  EXPECT_EQ(reg.FileName().rfind(home, 0), 0u);
  if (saved) setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

TEST_F(TabBarPersistTest, CorruptFilesRestoreSafely) {
  auto* bar = NewBar(ppLeft, {"A", "B"});
  bar->Persist().SetINIFile(path);
  TAdvToolPanel* a = bar->Panels().Items(0)->Panel();
  TAdvToolPanel* b = bar->Panels().Items(1)->Panel();
  auto* loose = Make<TAdvToolPanel>(form, Bounds(200, 0, 100, 100));
  // A negative count restores nothing and takes no panel over.
  Write("[Bar1PANELS]\nCOUNT=-5\n[Bar1PANEL1]\nNAME=Bar1Panel1\nLOCKED=1\n");
  bar->RestoreState();
  EXPECT_FALSE(a->Locked());
  EXPECT_EQ(bar->PanelIndex(loose), -1);
  // An unknown name is passed over; stored unlocked while locked now: unlocked and out of sight.
  bar->OpenTabPanel(0);
  a->SetLocked(true);
  Write("[Bar1PANELS]\nCOUNT=2\n[Bar1PANEL1]\nNAME=Ailleurs\nLOCKED=1\n"
        "[Bar1PANEL2]\nNAME=Bar1Panel1\nLOCKED=0\nVISIBLE=1\n");
  bar->RestoreState();
  EXPECT_FALSE(a->Locked());
  EXPECT_FALSE(a->Visible());
  EXPECT_EQ(bar->RollOutPanel(), -1);
  EXPECT_EQ(bar->PanelIndex(loose), 2) << "a panel of the form no bar restored is taken over";
  // A huge count stops once every panel was restored; missing keys read as 0.
  Write("[Bar1PANELS]\nCOUNT=2000000000\n[Bar1PANEL1]\nNAME=Bar1Panel1\n"
        "[Bar1PANEL2]\nNAME=Bar1Panel2\nDOCKED=1\nVISIBLE=1\nLEFT=-90000\nTOP=90000\nWIDTH=0\nHEIGHT=0\n");
  bar->RestoreState();
  EXPECT_FALSE(a->Locked());
  EXPECT_EQ(a->OpenWidth(), 150) << "a missing width keeps the one it had";
  ASSERT_TRUE(b->Floating());
  const TRect r = b->ParentForm()->BoundsRect();
  EXPECT_GE(r.Left, 0);
  EXPECT_GE(r.Top, 0);
  EXPECT_LE(r.Right, Screen()->Width());
  EXPECT_LE(r.Bottom, Screen()->Height());
  EXPECT_GE(r.Width(), 60);
  EXPECT_GE(r.Height(), 40);
  // An empty file name neither writes nor reads.
  bar->Persist().SetINIFile("");
  std::remove(path.c_str());
  bar->SaveState();
  EXPECT_FALSE(std::ifstream(path).good());
}

}  // namespace
}  // namespace tavrel
