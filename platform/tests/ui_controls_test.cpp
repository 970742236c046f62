#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "platform/tests/ui_test_support.h"
#include "platform/ui/gradient.h"
#include "platform/ui/offscreen.h"
#include "platform/ui/stdctrls.h"
#include "platform/ui/module.h"
#include "platform/forms.h"
#include "platform/formtext.h"

namespace tavrel {
namespace {

using Log = std::vector<std::string>;

// A windowed control that logs the messages the tests look at.
class Probe : public TCustomControl {
 public:
  Probe(TComponent* owner, std::string tag, Log* log) : TCustomControl(owner), tag_(std::move(tag)), log_(log) {}
  int paints = 0;
  std::function<void(TCanvas&)> draw;
  bool throws = false;

  void WndProc(TMessage& m) override {
    const TPoint p = MousePos(m.LParam);
    switch (m.Msg) {
      case WM_LBUTTONDOWN: Add("down " + Pos(p)); break;
      case WM_LBUTTONUP: Add("up " + Pos(p)); break;
      case WM_MOUSEMOVE: Add("move " + Pos(p)); break;
      case CM_MOUSEENTER: if (!m.LParam) Add("enter"); break;
      case CM_MOUSELEAVE: if (!m.LParam) Add("leave"); break;
      case CM_ENTER: Add("DoEnter"); break;
      case CM_EXIT: Add("DoExit"); break;
      case WM_SETFOCUS: Add("setfocus"); break;
      case WM_KILLFOCUS: Add("killfocus"); break;
      case WM_TIMER: Add("timer " + std::to_string(m.WParam)); break;
      case CM_HINTSHOW:
        if (tag_ == "mute") m.Result = 1;
        return;
      case WM_APP + 1:
        Add("posted " + std::to_string(m.WParam));
        if (throws) throw std::runtime_error("boom in " + tag_);
        break;
      default: break;
    }
    TCustomControl::WndProc(m);
  }

 protected:
  void Paint() override {
    ++paints;
    if (draw) draw(Canvas());
  }
  void Click() override {
    Add("click");
    TCustomControl::Click();
  }

 private:
  static std::string Pos(TPoint p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }
  void Add(const std::string& s) {
    if (log_) log_->push_back(tag_ + " " + s);
  }
  std::string tag_;
  Log* log_;
};

// A windowless control that logs mouse messages and paints.
class GraphicProbe : public TGraphicControl {
 public:
  GraphicProbe(TComponent* owner, std::string tag, Log* log) : TGraphicControl(owner), tag_(std::move(tag)), log_(log) {}
  int paints = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_LBUTTONDOWN) log_->push_back(tag_ + " down " + std::to_string(MousePos(m.LParam).X));
    if (m.Msg == CM_MOUSEENTER && !m.LParam) log_->push_back(tag_ + " enter");
    if (m.Msg == CM_MOUSELEAVE && !m.LParam) log_->push_back(tag_ + " leave");
    TGraphicControl::WndProc(m);
  }

 protected:
  void Paint() override {
    ++paints;
    Canvas().Brush().SetColor(clRed);
    Canvas().FillRect(ClientRect());
  }

 private:
  std::string tag_;
  Log* log_;
};

class UiControls : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageClock(clock);
    app = TComponent::CreateUnowned<TApplication>(backend);
    form = app->CreateForm<TForm>();
    form->SetBounds(0, 0, 200, 150);
  }
  void TearDown() override {
    app.reset();
    SetMessageClock(nullptr);
  }
  template <class T = Probe>
  T* Make(TWinControl* parent, const std::string& tag, TRect r) {
    T* c = TComponent::Create<T>(form, tag, &log);
    c->SetParent(parent);
    c->SetBoundsRect(r);
    return c;
  }
  void Show() {
    form->Show();
    app->ProcessMessages();
    log.clear();
  }

  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1000);
  std::shared_ptr<OffscreenBackend> backend = std::make_shared<OffscreenBackend>();
  ComponentPtr<TApplication> app;
  TForm* form = nullptr;
  Log log;
};

TEST_F(UiControls, HitTestingFindsTheDeepestVisibleEnabledControl) {
  Probe* outer = Make(form, "outer", Bounds(10, 10, 100, 100));
  Probe* inner = Make(outer, "inner", Bounds(20, 20, 50, 50));
  GraphicProbe* dot = Make<GraphicProbe>(inner, "dot", Bounds(5, 5, 10, 10));
  Show();
  struct Case {
    TPoint p;
    TControl* want;
  } cases[] = {
      {{36, 36}, dot}, {{35, 35}, dot}, {{45, 45}, inner}, {{31, 31}, inner},
      {{29, 29}, outer}, {{5, 5}, form}, {{109, 109}, outer}, {{110, 110}, form},
  };
  for (const Case& c : cases)
    EXPECT_EQ(form->ControlAtFormPoint(c.p), c.want) << c.p.X << "," << c.p.Y;
  form->InjectMouse(WM_LBUTTONDOWN, 36, 36, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 36, 36, 0);
  EXPECT_EQ(log.front(), "dot down 1") << "client coordinates of the target";
  dot->SetVisible(false);
  EXPECT_EQ(form->ControlAtFormPoint({36, 36}), inner);
  inner->SetEnabled(false);
  EXPECT_EQ(form->ControlAtFormPoint({36, 36}), outer) << "disabled controls do not take the mouse";
}

TEST_F(UiControls, CaptureKeepsMouseMessagesOnTheCapturingControl) {
  Probe* a = Make(form, "a", Bounds(0, 0, 50, 50));
  Make(form, "b", Bounds(100, 0, 50, 50));
  Show();
  form->InjectMouse(WM_MOUSEMOVE, 10, 10, 0);
  form->InjectMouse(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  EXPECT_TRUE(a->MouseCapture());
  EXPECT_TRUE(OffscreenWindowOf(*form)->captured);
  form->InjectMouse(WM_MOUSEMOVE, 120, 10, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 120, 10, 0);
  form->InjectMouse(WM_MOUSEMOVE, 121, 10, 0);
  const Log want = {"a enter",      "a move 10,10", "a down 10,10", "a leave",
                    "b enter",      "a move 120,10", "a up 120,10", "b move 21,10"};
  EXPECT_EQ(log, want) << "released outside: no click";
  EXPECT_FALSE(a->MouseCapture());
  EXPECT_FALSE(OffscreenWindowOf(*form)->captured);
  log.clear();
  form->InjectMouse(WM_LBUTTONDOWN, 120, 10, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 121, 11, 0);
  const Log click = {"b down 20,10", "b up 21,11", "b click"};  // logged as the message arrives
  EXPECT_EQ(log, click);
}

TEST_F(UiControls, EnterAndLeaveFollowTheControlUnderTheMouse) {
  Probe* outer = Make(form, "outer", Bounds(10, 10, 100, 100));
  Make(outer, "inner", Bounds(20, 20, 30, 30));
  Make<GraphicProbe>(outer, "g", Bounds(60, 60, 10, 10));
  Show();
  const TPoint path[] = {{5, 5}, {15, 15}, {35, 35}, {40, 40}, {15, 15}, {75, 75}, {5, 5}};
  for (TPoint p : path) form->InjectMouse(WM_MOUSEMOVE, p.X, p.Y, 0);
  form->InjectMouseLeave();
  Log enters;
  for (auto& s : log)
    if (s.find("enter") != std::string::npos || s.find("leave") != std::string::npos) enters.push_back(s);
  const Log want = {"outer enter", "outer leave", "inner enter", "inner leave", "outer enter",
                    "outer leave", "g enter", "g leave"};
  EXPECT_EQ(enters, want);
  EXPECT_EQ(app->MouseControl(), nullptr);
}

TEST_F(UiControls, TabTraversalAndEnterExitOnTheSubtree) {
  Probe* e1 = Make(form, "e1", Bounds(0, 0, 20, 20));
  Probe* panel = Make(form, "panel", Bounds(0, 30, 100, 50));
  Probe* p1 = Make(panel, "p1", Bounds(0, 0, 20, 20));
  Probe* p2 = Make(panel, "p2", Bounds(30, 0, 20, 20));
  Probe* e2 = Make(form, "e2", Bounds(0, 90, 20, 20));
  Probe* off = Make(form, "off", Bounds(0, 120, 20, 20));
  for (Probe* p : {e1, p1, p2, e2, off}) p->SetTabStop(true);
  off->SetEnabled(false);
  p2->SetTabOrder(0);  // p2 before p1 inside the panel
  Show();
  e1->SetFocus();
  log.clear();
  std::vector<TWinControl*> visited;
  for (int i = 0; i < 5; ++i) {
    form->InjectKey(WM_KEYDOWN, VK_TAB, 0);
    visited.push_back(form->ActiveControl());
  }
  const std::vector<TWinControl*> want = {p2, p1, e2, e1, p2};
  EXPECT_EQ(visited, want) << "panel has no tab stop, disabled control skipped, wraps round";
  form->InjectKey(WM_KEYDOWN, VK_TAB, ssShift);
  EXPECT_EQ(form->ActiveControl(), e1);
  // e1 -> p2: enter the panel, then p2; p2 -> p1 stays in the panel;
  // p1 -> e2 leaves it.
  const Log firstMoves = {"e1 killfocus", "e1 DoExit",  "panel DoEnter", "p2 DoEnter",
                          "p2 setfocus",  "p2 killfocus", "p2 DoExit",   "p1 DoEnter",
                          "p1 setfocus",  "p1 killfocus", "p1 DoExit",   "panel DoExit",
                          "e2 DoEnter",   "e2 setfocus"};
  EXPECT_EQ(Log(log.begin(), log.begin() + firstMoves.size()), firstMoves);
  EXPECT_TRUE(panel->TabStop() == false && !panel->Focused());
  p1->SetFocus();
  EXPECT_TRUE(panel->HasFocusedChild());
  EXPECT_FALSE(e1->HasFocusedChild());
  EXPECT_THROW(off->SetFocus(), Exception);
}

TEST_F(UiControls, PostedMessageAndControlTimerArriveOnTheGuiThreadByTheFakeClock) {
  Probe* p = Make(form, "p", Bounds(0, 0, 20, 20));
  Show();
  ASSERT_TRUE(PostMessage(p->Handle(), WM_APP + 1, 7, 0));
  EXPECT_TRUE(log.empty()) << "posted, not sent";
  ASSERT_EQ(SetTimer(p->Handle(), 500, 40), 500u);
  app->ProcessMessages();
  EXPECT_EQ(log, Log{"p posted 7"});
  clock->Advance(39);
  app->ProcessMessages();
  EXPECT_EQ(log.size(), 1u);
  clock->Advance(1);
  app->ProcessMessages();
  EXPECT_EQ(log.back(), "p timer 500");
  clock->Advance(40);
  app->ProcessMessages();
  EXPECT_EQ(log.back(), "p timer 500");
  EXPECT_EQ(log.size(), 3u);
  KillTimer(p->Handle(), 500);
  clock->Advance(400);
  app->ProcessMessages();
  EXPECT_EQ(log.size(), 3u);
}

TEST_F(UiControls, ExceptionsFromMessagesGoToTheApplicationHook) {
  Probe* p = Make(form, "p", Bounds(0, 0, 20, 20));
  Show();
  p->throws = true;
  std::vector<std::string> caught;
  app->OnException = TExceptionEvent([&](TObject*, const std::exception& e) { caught.push_back(e.what()); });
  PostMessage(p->Handle(), WM_APP + 1, 1, 0);
  PostMessage(p->Handle(), WM_APP + 1, 2, 0);
  app->ProcessMessages();
  EXPECT_EQ(caught, (std::vector<std::string>{"boom in p", "boom in p"}));
  EXPECT_EQ(log, (Log{"p posted 1", "p posted 2"})) << "the loop goes on after the hook";
}

TEST_F(UiControls, InvalidationRepaintsOnlyWhatChanged) {
  Probe* panel = Make(form, "panel", Bounds(10, 10, 120, 100));
  Probe* child = Make(panel, "child", Bounds(10, 10, 30, 30));
  GraphicProbe* g = Make<GraphicProbe>(panel, "g", Bounds(60, 10, 20, 20));
  Show();
  auto counts = [&] { return std::vector<int>{panel->paints, child->paints, g->paints}; };
  EXPECT_EQ(counts(), (std::vector<int>{1, 1, 1}));
  app->ProcessMessages();
  EXPECT_EQ(counts(), (std::vector<int>{1, 1, 1})) << "nothing invalid, nothing painted";
  child->Invalidate();
  app->ProcessMessages();
  EXPECT_EQ(counts(), (std::vector<int>{1, 2, 1}));
  EXPECT_EQ(OffscreenWindowOf(*form)->last_dirty, Bounds(20, 20, 30, 30));
  g->Invalidate();  // windowless: its parent repaints that part
  app->ProcessMessages();
  EXPECT_EQ(counts(), (std::vector<int>{2, 2, 2}));
  EXPECT_EQ(OffscreenWindowOf(*form)->last_dirty, Bounds(70, 20, 20, 20));
  EXPECT_EQ(form->Canvas().Pixel(75, 25), clRed);
  panel->Invalidate();  // the windowed child clips its parent and is not repainted
  app->ProcessMessages();
  EXPECT_EQ(counts(), (std::vector<int>{3, 2, 3}));
  child->SetLeft(50);  // moving: the old place shows the parent again
  app->ProcessMessages();
  EXPECT_EQ(counts(), (std::vector<int>{4, 3, 3})) << "g is now wholly under the child";
  child->SetLeft(10);
  app->ProcessMessages();
  EXPECT_EQ(counts(), (std::vector<int>{5, 4, 4})) << "g uncovered";
  EXPECT_EQ(form->Canvas().Pixel(75, 25), clRed);
}

TEST_F(UiControls, TransparentChildShowsItsParentsGradient) {
  Probe* panel = Make(form, "panel", Bounds(0, 0, 130, 60));
  panel->draw = [&](TCanvas& c) {
    DrawGradientRect(c, clWhite, clNavy, gdHorizontal, panel->ClientRect(), 128);
  };
  Probe* box = Make(panel, "box", Bounds(40, 10, 50, 30));
  box->SetColor(clLime);
  // The check box's way: the parent paints its own content into the
  // child's canvas, moved by the child's position and clipped to the parent.
  box->draw = [&](TCanvas& c) {
    const int saved = c.SaveDC();
    c.SetViewportOrg(c.ViewportOrg().X - box->Left(), c.ViewportOrg().Y - box->Top());
    c.IntersectClipRect(0, 0, panel->ClientWidth(), panel->ClientHeight());
    panel->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&c));
    panel->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&c));
    c.RestoreDC(saved);
  };
  Show();
  TBitmap alone = test::WhiteBitmap(130, 60);
  DrawGradientRect(alone.Canvas(), clWhite, clNavy, gdHorizontal, Rect(0, 0, 130, 60), 128);
  int checked = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 130; ++x, ++checked)
      ASSERT_EQ(form->Canvas().Pixel(x, y), alone.Canvas().Pixel(x, y)) << x << "," << y;
  EXPECT_EQ(checked, 130 * 60);
  EXPECT_EQ(panel->paints, 2) << "once itself, once into the child";
}

TEST_F(UiControls, AlignAndAnchors) {
  Probe* top = Make(form, "top", Bounds(0, 0, 10, 23));
  Probe* left = Make(form, "left", Bounds(0, 0, 40, 10));
  Probe* client = Make(form, "client", Bounds(0, 0, 10, 10));
  Probe* corner = Make(client, "corner", Bounds(100, 70, 20, 10));
  top->SetAlign(alTop);
  left->SetAlign(alLeft);
  client->SetAlign(alClient);
  corner->SetAnchors(akRight | akBottom);
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 200, 23));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 23, 40, 150));
  EXPECT_EQ(client->BoundsRect(), Rect(40, 23, 200, 150));
  form->SetBounds(0, 0, 250, 170);
  EXPECT_EQ(client->BoundsRect(), Rect(40, 23, 250, 170));
  EXPECT_EQ(corner->BoundsRect(), Bounds(150, 90, 20, 10)) << "kept its distance to right and bottom";
  top->SetVisible(false);
  EXPECT_EQ(left->BoundsRect(), Rect(0, 0, 40, 170));
}

TEST_F(UiControls, FontAndColourFollowTheParentUntilSetOwn) {
  Probe* panel = Make(form, "panel", Bounds(0, 0, 100, 100));
  auto* label = TComponent::Create<TLabel>(form);
  label->SetParent(panel);
  panel->Font().SetHeight(-16);
  EXPECT_EQ(label->Font().Height(), -16);
  EXPECT_TRUE(label->ParentFont());
  label->Font().SetStyle(fsBold);
  EXPECT_FALSE(label->ParentFont());
  panel->Font().SetHeight(-20);
  EXPECT_EQ(label->Font().Height(), -16);
  panel->SetColor(clYellow);
  EXPECT_EQ(label->Color(), clYellow) << "labels take their parent's colour";
  label->SetColor(clRed);
  panel->SetColor(clGreen);
  EXPECT_EQ(label->Color(), clRed);
}

TEST_F(UiControls, LabelSizesToItsCaptionAndItsAcceleratorFocuses) {
  auto* label = TComponent::Create<TLabel>(form);
  label->SetParent(form);
  label->SetBounds(8, 8, 65, 17);
  label->SetCaption("&Fréquence");
  TCanvas measure;
  measure.Font().Assign(label->Font());
  EXPECT_EQ(label->Width(), measure.TextWidth("Fréquence"));
  EXPECT_EQ(label->Height(), measure.TextHeight("F"));
  Probe* target = Make(form, "target", Bounds(80, 8, 40, 20));
  label->SetFocusControl(target);
  Show();
  form->InjectChar(U'x', ssAlt);
  EXPECT_EQ(form->ActiveControl(), nullptr);
  form->InjectChar(U'f', ssAlt);
  EXPECT_EQ(form->ActiveControl(), target);
  target->Destroy();
  EXPECT_EQ(label->FocusControl(), nullptr);
  EXPECT_EQ(form->ActiveControl(), nullptr);
}

TEST_F(UiControls, EditTakesTypedCharactersAndReportsChanges) {
  auto* edit = TComponent::Create<TEdit>(form);
  edit->SetParent(form);
  int changes = 0;
  edit->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
  Show();
  form->InjectMouse(WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 5, 5, 0);
  EXPECT_TRUE(edit->Focused());
  for (char32_t c : std::u32string(U"héé")) form->InjectChar(c, 0);
  form->InjectChar(U'\b', 0);
  form->InjectKey(WM_KEYDOWN, VK_HOME, 0);
  form->InjectChar(U'>', 0);
  EXPECT_EQ(edit->Text(), ">hé");
  EXPECT_EQ(edit->SelStart(), 1);
  EXPECT_EQ(changes, 5);
  edit->SetMaxLength(3);
  form->InjectChar(U'x', 0);
  EXPECT_EQ(edit->Text(), ">hé");
}

TEST_F(UiControls, HintShowsAfterThePauseAndControlsMayRefuse) {
  Probe* p = Make(form, "p", Bounds(10, 10, 50, 50));
  p->SetHint("Gain|Gain of the filter");
  p->SetShowHint(true);
  Show();
  backend->SetCursorPos({30, 30});
  form->InjectMouse(WM_MOUSEMOVE, 30, 30, 0);
  clock->Advance(app->HintPause() - 1);
  app->ProcessMessages();
  EXPECT_FALSE(app->HintShowing());
  clock->Advance(1);
  app->ProcessMessages();
  EXPECT_TRUE(app->HintShowing());
  EXPECT_EQ(app->HintText(), "Gain");
  THintWindow* tip = app->HintWindow();
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->Showing());
  EXPECT_EQ(tip->Top(), 50) << "below the cursor";
  EXPECT_EQ(tip->Left(), 30);
  app->ProcessMessages();
  TBitmap shot;
  shot.AssignSurface(tip->Surface());
  EXPECT_NE(test::InkBounds(shot, static_cast<TColor>(ColorToRGB(clInfoBk))), TRect{});
  EXPECT_EQ(shot.Canvas().Pixel(0, 0), clBlack) << "framed";
  clock->Advance(app->HintHidePause());
  app->ProcessMessages();
  EXPECT_FALSE(app->HintShowing());
  EXPECT_FALSE(tip->Showing());
  form->InjectMouse(WM_MOUSEMOVE, 5, 5, 0);
  form->InjectMouse(WM_MOUSEMOVE, 30, 30, 0);
  form->InjectMouse(WM_LBUTTONDOWN, 30, 30, MK_LBUTTON);  // a click cancels the pending hint
  clock->Advance(app->HintPause());
  app->ProcessMessages();
  EXPECT_FALSE(app->HintShowing());
  // The control may refuse its hint, and so may the application's handler.
  auto* mute = Make(form, "mute", Bounds(100, 10, 30, 30));
  mute->SetHint("muted");
  mute->SetShowHint(true);
  form->InjectMouse(WM_MOUSEMOVE, 110, 20, 0);
  clock->Advance(app->HintPause());
  app->ProcessMessages();
  EXPECT_FALSE(app->HintShowing());
  form->InjectMouse(WM_MOUSEMOVE, 5, 5, 0);
  app->OnShowHint = TShowHintEvent([](std::string& s, bool& can, THintInfo&) { can = s != "Gain"; });
  form->InjectMouse(WM_MOUSEMOVE, 30, 30, 0);
  clock->Advance(app->HintPause());
  app->ProcessMessages();
  EXPECT_FALSE(app->HintShowing());
}

TEST_F(UiControls, ScreenCursorOverridesTheControlCursor) {
  Probe* p = Make(form, "p", Bounds(10, 10, 50, 50));
  p->SetCursor(crHandPoint);
  Show();
  form->InjectMouse(WM_MOUSEMOVE, 20, 20, 0);
  EXPECT_EQ(OffscreenWindowOf(*form)->cursor, crHandPoint);
  app->Screen().SetCursor(crHourGlass);
  EXPECT_EQ(OffscreenWindowOf(*form)->cursor, crHourGlass);
  app->Screen().SetCursor(crDefault);
  form->InjectMouse(WM_MOUSEMOVE, 100, 100, 0);
  EXPECT_EQ(OffscreenWindowOf(*form)->cursor, crArrow);

  // A positive cursor is an index into the program's table.
  struct Entry {
    ~Entry() { TScreen::SetCursors(99, crDefault); }
  } entry;
  p->SetCursor(99);
  form->InjectMouse(WM_MOUSEMOVE, 20, 20, 0);
  EXPECT_EQ(OffscreenWindowOf(*form)->cursor, crArrow) << "nothing at 99 yet";
  TScreen::SetCursors(99, crSizeAll);
  EXPECT_EQ(TScreen::Cursors(99), crSizeAll);
  EXPECT_EQ(app->Screen().Cursors(98), crDefault);
  form->InjectMouse(WM_MOUSEMOVE, 21, 20, 0);
  EXPECT_EQ(OffscreenWindowOf(*form)->cursor, crSizeAll);
  TScreen::SetCursors(99, crDefault);
  EXPECT_EQ(TScreen::Cursors(99), crDefault);
}

TEST_F(UiControls, FormObserversSeeMessagesAndCloseEndsTheMainForm) {
  Show();
  Log seen;
  form->AddMessageObserver(form, [&](TMessage& m) {
    if (m.Msg == WM_CLOSE) seen.push_back("close");
    if (m.Msg == WM_SIZE) seen.push_back("size " + std::to_string(MousePos(m.LParam).X));
    if (m.Msg == WM_PAINT) seen.push_back("paint");
    return m.Msg == WM_USER;  // swallowed
  });
  form->SetWidth(250);
  app->ProcessMessages();
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->Perform(WM_USER);
  // Run returns once a posted close ends the main form.
  PostMessage(form->Handle(), WM_CLOSE, 0, 0);
  app->Run();
  EXPECT_EQ(seen, (Log{"size 250", "paint", "close"}));
  EXPECT_TRUE(app->Terminated());
  EXPECT_FALSE(form->Showing());
  form->RemoveMessageObserver(form);
}

TEST_F(UiControls, DestroyingAControlClearsFocusCaptureAndMouse) {
  Probe* p = Make(form, "p", Bounds(10, 10, 50, 50));
  Probe* q = Make(p, "q", Bounds(5, 5, 10, 10));
  Show();
  q->SetFocus();
  form->InjectMouse(WM_LBUTTONDOWN, 16, 16, MK_LBUTTON);
  EXPECT_EQ(form->CaptureControl(), q);
  p->Destroy();  // takes its child along
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(form->CaptureControl(), nullptr);
  EXPECT_EQ(app->MouseControl(), nullptr);
  EXPECT_EQ(form->ControlCount(), 0);
  form->InjectMouse(WM_MOUSEMOVE, 16, 16, 0);
  app->ProcessMessages();
}

TEST_F(UiControls, FormRendersToPng) {
  auto* label = TComponent::Create<TLabel>(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 10, 10);
  label->SetCaption("Tavrel");
  Show();
  const std::string path = testing::TempDir() + "tavrel_form_" + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(SaveFormPNG(*form, path));
  TPicture pic;
  pic.LoadFromFile(path);
  EXPECT_EQ(pic.Width(), 200);
  EXPECT_TRUE(SameRGB(pic.Bitmap().Surface(), form->Surface()));
  EXPECT_EQ(pic.Bitmap().Canvas().Pixel(5, 5), static_cast<TColor>(ColorToRGB(clBtnFace)));
  bool dark = false;
  for (int y = 10; y < 10 + label->Height(); ++y)
    for (int x = 10; x < 10 + label->Width(); ++x) dark = dark || pic.Bitmap().Canvas().Pixel(x, y) == clBlack;
  EXPECT_TRUE(dark) << "the caption is drawn";
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST_F(UiControls, FormDataBuildsControlsWithTheirFontsAndColours) {
  ModuleRun classes(UiModuleSteps());
  TColor c = 0;
  ASSERT_TRUE(IdentToColor("clbtnface", c));
  EXPECT_EQ(c, clBtnFace);
  std::string name;
  ASSERT_TRUE(ColorToIdent(clInfoBk, name));
  EXPECT_EQ(name, "clInfoBk");
  EXPECT_FALSE(IdentToColor("clNoSuch", c));

  auto root = TComponent::CreateUnowned<TForm>();
  ReadRootComponent(*root, ObjectTextToBinary(R"(
object fmMain: TForm
  Width = 300
  object Label1: TLabel
    Left = 8
    Top = 12
    Caption = 'Fr'#233'quence'
    Font.Height = -16
    Font.Name = 'Tahoma'
    Font.Style = [fsBold, fsUnderline]
    ParentFont = False
    Alignment = taCenter
  end
  object Edit1: TEdit
    Left = 80
    Top = 8
    TabOrder = 0
    Text = '1000'
  end
end)"));
  auto* label = dynamic_cast<TLabel*>(root->FindComponent("Label1"));
  auto* edit = dynamic_cast<TEdit*>(root->FindComponent("Edit1"));
  ASSERT_NE(label, nullptr);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(label->Parent(), root.get());
  EXPECT_EQ(edit->Parent(), root.get());
  EXPECT_EQ(label->Caption(), "Fréquence");
  EXPECT_EQ(label->Font().Height(), -16);
  EXPECT_EQ(label->Font().Name(), "Tahoma");
  EXPECT_EQ(label->Font().Style(), fsBold | fsUnderline);
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->Alignment(), taCenter);
  EXPECT_EQ(edit->Text(), "1000");
  EXPECT_EQ(label->Width(), FontTextWidth(label->Font(), "Fréquence")) << "sized after loading";
}

// The bytes of `Name = ident` as the writer stores them.
std::vector<uint8_t> IdentProperty(const std::string& name, const std::string& ident) {
  std::vector<uint8_t> b{uint8_t(name.size())};
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(vaIdent);
  b.push_back(uint8_t(ident.size()));
  b.insert(b.end(), ident.begin(), ident.end());
  return b;
}

bool Contains(const std::vector<uint8_t>& data, const std::vector<uint8_t>& part) {
  return std::search(data.begin(), data.end(), part.begin(), part.end()) != data.end();
}

TEST_F(UiControls, ColourNamesReadIntoColourPropertiesAndAreWrittenBack) {
  ModuleRun classes(UiModuleSteps());
  auto root = TComponent::CreateUnowned<TForm>();
  ReadRootComponent(*root, ObjectTextToBinary(R"(
object fmMain: TForm
  Color = clBtnFace
  object Label1: TLabel
    Color = $00C0FFEE
    Font.Color = clhighlighttext
  end
end)"));
  auto* label = dynamic_cast<TLabel*>(root->FindComponent("Label1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(root->Color(), clBtnFace);
  EXPECT_EQ(label->Color(), 0x00C0FFEE);
  EXPECT_EQ(label->Font().Color(), clHighlightText);

  std::vector<uint8_t> bytes = WriteRootComponent(*root);
  EXPECT_TRUE(Contains(bytes, IdentProperty("Color", "clBtnFace")));
  EXPECT_TRUE(Contains(bytes, IdentProperty("Font.Color", "clHighlightText")));
  EXPECT_FALSE(Contains(bytes, IdentProperty("Color", "clC0FFEE")));
  auto copy = TComponent::CreateUnowned<TForm>();
  ReadRootComponent(*copy, bytes);
  EXPECT_EQ(copy->Color(), clBtnFace);
  EXPECT_EQ(dynamic_cast<TLabel*>(copy->FindComponent("Label1"))->Color(), 0x00C0FFEE);

  // A name that is no colour, or a name where the type has none, is refused.
  for (const char* text : {"object fmMain: TForm\n  Color = clNoSuch\nend",
                           "object fmMain: TForm\n  Width = clBtnFace\nend"}) {
    SCOPED_TRACE(text);
    auto other = TComponent::CreateUnowned<TForm>();
    EXPECT_THROW(ReadRootComponent(*other, ObjectTextToBinary(text)), EReadError);
  }
}

// ShowHint is stored only when it is the control's own: one taken from the
// parent is not, so that reading it back does not make it the control's.
TEST_F(UiControls, ShowHintIsStoredOnlyWhenItIsTheControlsOwn) {
  ModuleRun classes(UiModuleSteps());
  auto root = TComponent::CreateUnowned<TForm>();
  ReadRootComponent(*root, ObjectTextToBinary(R"(
object fmMain: TForm
  object Own: TLabel
    ShowHint = True
  end
  object Inherited: TLabel
  end
end)"));
  auto boolProperty = [](const std::string& name, bool v) {
    std::vector<uint8_t> b{uint8_t(name.size())};
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(v ? vaTrue : vaFalse);
    return b;
  };
  const std::vector<uint8_t> bytes = WriteRootComponent(*root);
  const std::vector<uint8_t> own = boolProperty("ShowHint", true), off = boolProperty("ShowHint", false);
  EXPECT_TRUE(Contains(bytes, own));
  EXPECT_FALSE(Contains(bytes, off)) << "neither the form's nor the second label's";
  EXPECT_TRUE(Contains(bytes, boolProperty("ParentShowHint", false)));
  auto copy = TComponent::CreateUnowned<TForm>();
  ReadRootComponent(*copy, bytes);
  auto* inherited = dynamic_cast<TLabel*>(copy->FindComponent("Inherited"));
  ASSERT_NE(inherited, nullptr);
  EXPECT_TRUE(inherited->ParentShowHint());
  EXPECT_TRUE(WriteRootComponent(*copy) == bytes);
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST_F(UiControls, DrawingOutsidePaintingKeepsTheCanvasState) {
  Probe* p = Make(form, "p", Bounds(20, 10, 40, 30));
  Show();
  const int saved = p->Canvas().SaveDC();
  p->Canvas().SetViewportOrg(5, 0);
  p->Canvas().Brush().SetColor(clRed);
  p->Canvas().FillRect(Rect(0, 0, 2, 2));  // at (25, 10) on the form
  EXPECT_TRUE(p->Canvas().RestoreDC(saved)) << "the saved state survives between calls";
  p->Canvas().FillRect(Rect(0, 0, 100, 100));  // clipped to the control
  EXPECT_EQ(form->Canvas().Pixel(25, 10), clRed);
  EXPECT_EQ(form->Canvas().Pixel(59, 39), clRed);
  EXPECT_EQ(form->Canvas().Pixel(60, 40), static_cast<TColor>(ColorToRGB(clBtnFace)));
  const int presents = OffscreenWindowOf(*form)->presents;
  app->ProcessMessages();
  EXPECT_EQ(OffscreenWindowOf(*form)->presents, presents + 1) << "shown on the window too";
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

// A container whose children start below a 23-pixel caption.
class CaptionPanel : public Probe {
 public:
  using Probe::Probe;
  void AdjustClientRect(TRect& r) const override { r.Top += 23; }
};

TEST_F(UiControls, ClientOffsetAndZOrder) {
  auto* panel = Make<CaptionPanel>(form, "panel", Bounds(0, 0, 100, 100));
  Probe* body = Make(panel, "body", Bounds(0, 0, 10, 10));
  body->SetAlign(alClient);
  EXPECT_EQ(body->BoundsRect(), Rect(0, 23, 100, 100));
  Probe* a = Make(form, "a", Bounds(120, 0, 40, 40));
  Probe* b = Make(form, "b", Bounds(130, 10, 40, 40));
  Show();
  EXPECT_EQ(form->ControlAtFormPoint({135, 15}), b) << "the later one is on top";
  a->BringToFront();
  EXPECT_EQ(form->ControlAtFormPoint({135, 15}), a);
  a->SendToBack();
  EXPECT_EQ(form->ControlAtFormPoint({135, 15}), b);
  app->ProcessMessages();
  b->draw = [](TCanvas& c) {
    c.Brush().SetColor(clBlue);
    c.FillRect(Rect(0, 0, 40, 40));
  };
  a->draw = [](TCanvas& c) {
    c.Brush().SetColor(clRed);
    c.FillRect(Rect(0, 0, 40, 40));
  };
  a->Invalidate();  // under b: its paint stays out of b's area
  b->Invalidate();
  app->ProcessMessages();
  a->Invalidate();
  app->ProcessMessages();
  EXPECT_EQ(form->Canvas().Pixel(135, 15), clBlue);
  EXPECT_EQ(form->Canvas().Pixel(125, 5), clRed);
}

}  // namespace
}  // namespace tavrel
