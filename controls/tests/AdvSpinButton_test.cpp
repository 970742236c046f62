#include "controls/AdvSpinButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/tests/controls_test_support.h"
#include "controls/tests/theme_test_support.h"
#include "platform/ui/resources.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {
namespace {

class SpinButtonTest : public test::ControlsTest {
 protected:
  TAdvSpinButton* Pair(TSpinDirection d, TRect bounds) {
    auto* p = Make<TAdvSpinButton>(form, Bounds(0, 0, 15, 25));
    p->SetDirection(d);
    p->SetBoundsRect(bounds);
    p->OnUpClick = TNotifyEvent([this](TObject*) { clicks.push_back(Now()); });
    p->OnDownClick = TNotifyEvent([this](TObject*) { downs.push_back(Now()); });
    return p;
  }
  int Now() const { return static_cast<int>(clock->NowMs() - start); }
  // Moves the fake clock on in steps of 50 ms, pumping after each.
  void Hold(int ms) {
    for (int t = 0; t < ms; t += 50) {
      clock->Advance(50);
      app->ProcessMessages();
    }
  }
  void Press(TControl* b) {
    start = clock->NowMs();
    Mouse(WM_MOUSEMOVE, b, 2, 2);
    Mouse(WM_LBUTTONDOWN, b, 2, 2, MK_LBUTTON);
  }

  std::vector<int> clicks, downs;
  uint64_t start = 0;
};

TEST_F(SpinButtonTest, LayoutBySize) {
  struct Case {
    TSpinDirection d;
    TRect asked;
    int width;
    TRect up, down;
  } cases[] = {
      {spVertical, Bounds(5, 6, 10, 24), 15, Bounds(0, 0, 15, 13), Bounds(0, 13, 15, 13)},
      {spVertical, Bounds(5, 6, 15, 17), 15, Bounds(0, 0, 15, 9), Bounds(0, 9, 15, 9)},
      {spHorizontal, Bounds(5, 6, 25, 22), 25, Bounds(13, 0, 12, 22), Bounds(0, 0, 12, 22)},
      {spHorizontal, Bounds(5, 6, 20, 17), 20, Bounds(11, 0, 10, 17), Bounds(0, 0, 10, 17)},
      {spHorizontal, Bounds(5, 6, 12, 17), 20, Bounds(11, 0, 10, 17), Bounds(0, 0, 10, 17)},
  };
  for (const Case& c : cases) {
    TAdvSpinButton* p = Pair(c.d, c.asked);
    EXPECT_EQ(p->BoundsRect(), Bounds(5, 6, c.width, c.asked.Height()));
    EXPECT_EQ(p->UpButton()->BoundsRect(), c.up) << c.d << " " << c.asked.Width() << "x" << c.asked.Height();
    EXPECT_EQ(p->DownButton()->BoundsRect(), c.down);
    const bool v = c.d == spVertical;
    EXPECT_EQ(p->UpButton()->ButtonDirection(), v ? bdUp : bdRight);
    EXPECT_EQ(p->DownButton()->ButtonDirection(), v ? bdDown : bdLeft);
    p->Destroy();
  }
  auto* fresh = Make<TAdvSpinButton>(form, Bounds(0, 0, 15, 25));
  fresh->SetDirection(spHorizontal);
  EXPECT_EQ(fresh->Width(), 20) << "a new direction takes its own width";
  fresh->SetDirection(spVertical);
  EXPECT_EQ(fresh->Width(), 15);
}

TEST_F(SpinButtonTest, HoldingRepeatsAfter400MsThenEvery100Ms) {
  TAdvSpinButton* p = Pair(spVertical, Bounds(10, 10, 15, 24));
  Paint();
  Press(p->UpButton());
  Hold(1000);
  Mouse(WM_LBUTTONUP, p->UpButton(), 2, 2);
  EXPECT_EQ(clicks, (std::vector<int>{400, 500, 600, 700, 800, 900, 1000, 1000})) << "and the click on release";
  Hold(500);
  EXPECT_EQ(clicks.size(), 8u) << "release stops it";
  EXPECT_FALSE(p->UpButton()->RepeatTimer()->Enabled());

  clicks.clear();
  Press(p->UpButton());
  Hold(350);
  Mouse(WM_LBUTTONUP, p->UpButton(), 2, 2);
  EXPECT_EQ(clicks, std::vector<int>{350}) << "a short click gives one click";
  EXPECT_TRUE(downs.empty());
}

TEST_F(SpinButtonTest, NoRepeatsOutsideTheButtonOrWithoutTheCapture) {
  TAdvSpinButton* p = Pair(spVertical, Bounds(10, 10, 15, 24));
  Paint();
  Press(p->DownButton());
  EXPECT_EQ(form->CaptureControl(), p->DownButton()) << "the held button keeps the capture";
  Hold(450);
  Mouse(WM_MOUSEMOVE, p->DownButton(), 40, 2, MK_LBUTTON);  // off the button, still held
  Hold(300);
  Mouse(WM_LBUTTONUP, p->DownButton(), 40, 2);
  EXPECT_EQ(downs, std::vector<int>{400}) << "repeats while over it, no release click outside";

  downs.clear();
  Press(p->DownButton());
  Hold(450);
  form->SetCaptureControl(p);  // another control takes the capture
  Hold(300);
  EXPECT_EQ(downs, std::vector<int>{400});
}

TEST_F(SpinButtonTest, AClickThatThrowsStopsTheRepeats) {
  TAdvSpinButton* p = Pair(spVertical, Bounds(10, 10, 15, 24));
  std::vector<std::string> caught;
  app->OnException = TExceptionEvent([&](TObject*, const std::exception& e) { caught.push_back(e.what()); });
  int calls = 0;
  p->OnUpClick = TNotifyEvent([&](TObject*) {
    ++calls;
    throw std::runtime_error("no room");
  });
  Paint();
  Press(p->UpButton());
  Hold(1000);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(caught, std::vector<std::string>{"no room"});
  EXPECT_FALSE(p->UpButton()->RepeatTimer()->Enabled());
}

TEST_F(SpinButtonTest, KeysClickTheirButtons) {
  TAdvSpinButton* p = Pair(spVertical, Bounds(10, 10, 15, 24));
  EXPECT_EQ(p->Perform(WM_GETDLGCODE), DLGC_WANTARROWS);
  p->SetTabStop(true);
  Paint();
  p->SetFocus();
  EXPECT_TRUE(p->FocusedButton()->TimeBtnState() & tbFocusRect);
  for (uint16_t key : {VK_SPACE, VK_LEFT, VK_RIGHT, VK_DOWN, VK_SPACE, VK_UP}) {
    form->InjectKey(WM_KEYDOWN, key, 0);
    form->InjectKey(WM_KEYUP, key, 0);
  }
  EXPECT_EQ(clicks.size(), 2u) << "Space on the up button, then Up";
  EXPECT_EQ(downs.size(), 2u) << "Down, then Space on the button Down focused";
  EXPECT_EQ(p->FocusedButton(), p->UpButton());
}

TEST_F(SpinButtonTest, PressingFocusesTheFocusControl) {
  TAdvSpinButton* p = Pair(spVertical, Bounds(10, 10, 15, 24));
  auto* edit = Make<TEdit>(form, Bounds(40, 10, 80, 21));
  p->SetFocusControl(edit);
  Paint();
  Click(p->DownButton(), 2, 2);
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(p->FocusedButton(), p->UpButton()) << "the pair is no tab stop: the focused button stays";
  edit->Destroy();
  EXPECT_EQ(p->FocusControl(), nullptr);
}

TEST_F(SpinButtonTest, ThemedButtonsByDirectionAndState) {
  auto theme = std::make_shared<test::RecordingTheme>();
  test::ThemeScope themed(ASXPVS(), theme);
  TAdvSpinButton* p = Pair(spHorizontal, Bounds(10, 10, 20, 17));
  Paint();
  // Part by direction: up 1, down 2, right 3, left 4; state normal 1,
  // hot 2, pressed 3, disabled 4. In part order.
  auto draws = [&] {
    std::vector<std::string> d;
    for (const std::string& c : theme->calls)
      if (c.rfind("Draw", 0) == 0) d.push_back(c);
    theme->calls.clear();
    std::sort(d.begin(), d.end());
    return d;
  };
  theme->calls.clear();
  p->Invalidate();
  Paint();
  EXPECT_EQ(draws(), (std::vector<std::string>{"Draw 3 1", "Draw 4 1"}));
  Mouse(WM_MOUSEMOVE, p->UpButton(), 2, 2);
  Paint();
  EXPECT_EQ(draws(), std::vector<std::string>{"Draw 3 2"});
  Mouse(WM_LBUTTONDOWN, p->UpButton(), 2, 2, MK_LBUTTON);
  Paint();
  EXPECT_EQ(draws(), (std::vector<std::string>{"Draw 3 3", "Draw 4 1"})) << "the press repaints the pair";
  Mouse(WM_LBUTTONUP, p->UpButton(), 2, 2);
  p->UpButton()->SetEnabled(false);
  Paint();
  EXPECT_EQ(draws(), (std::vector<std::string>{"Draw 3 4", "Draw 4 1"})) << "the release repaints the pair";
  p->SetDirection(spVertical);
  Paint();
  EXPECT_EQ(draws(), (std::vector<std::string>{"Draw 1 4", "Draw 2 1"}));
}

TEST_F(SpinButtonTest, DefaultGlyphsAndTheirReset) {
  TBitmap up = LoadBitmap(HInstance(), "AdvSpinUp");
  std::string rows;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 9; ++x) {
      const TColor c = up.Canvas().Pixel(x, y);
      rows += c == clBlack ? '#' : c == RGB(128, 128, 0) ? '.' : '?';
    }
    rows += '\n';
  }
  EXPECT_EQ(rows, ".........\n....#....\n...###...\n..#####..\n.#######.\n.........\n");
  EXPECT_EQ(up.TransparentColor(), RGB(128, 128, 0));

  TAdvSpinButton* p = Pair(spVertical, Bounds(10, 10, 15, 24));
  TBitmap two;
  two.SetSize(18, 6);
  p->SetDownGlyph(two);
  p->SetDownNumGlyphs(2);
  p->SetUpNumGlyphs(3);
  p->SetDownGlyph(TBitmap());
  EXPECT_EQ(p->DownNumGlyphs(), 1);
  EXPECT_EQ(p->UpNumGlyphs(), 3);
  EXPECT_EQ(p->DownGlyph().Width(), 9);
  // The default down glyph points down: its widest row comes first.
  TBitmap down = p->DownGlyph();
  EXPECT_EQ(down.Canvas().Pixel(1, 1), clBlack);
  EXPECT_EQ(down.Canvas().Pixel(1, 4), RGB(128, 128, 0));
  EXPECT_EQ(down.Canvas().Pixel(4, 4), clBlack);
}

}  // namespace
}  // namespace tavrel
