#include "platform/ui/mousetrack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tests/ui_form_fixture.h"

namespace tavrel {
namespace {

using test::FormFixture;

// A window that answers a fixed hit code on a band along its edges and
// logs the loop's messages.
class EdgeControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  LRESULT code = HTRIGHT;
  std::vector<std::string> log;
  int downs = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_NCHITTEST) {
      const TPoint p = ScreenToClient(MousePos(m.LParam));
      m.Result = p.X >= ClientWidth() - 3 || p.Y >= ClientHeight() - 3 || p.X < 3 || p.Y < 3 ? code : HTCLIENT;
      return;
    }
    if (m.Msg == WM_ENTERSIZEMOVE) log.push_back("enter");
    if (m.Msg == WM_EXITSIZEMOVE) log.push_back("exit");
    if (m.Msg == WM_LBUTTONDOWN) ++downs;
    TCustomControl::WndProc(m);
  }
};

class MouseTrackTest : public FormFixture {
 protected:
  EdgeControl* Edge(LRESULT code) {
    auto* c = TComponent::Create<EdgeControl>(form);
    c->SetParent(form);
    c->SetBounds(50, 50, 100, 80);
    c->code = code;
    form->Show();
    return c;
  }
};

TEST_F(MouseTrackTest, BorderCodesSizeTheirEdge) {
  struct Case {
    LRESULT code;
    TPoint press;
    TRect after;
  };
  const Case cases[] = {
      {HTRIGHT, {148, 90}, Bounds(50, 50, 110, 80)},
      {HTLEFT, {51, 90}, Bounds(60, 50, 90, 80)},
      {HTBOTTOM, {90, 128}, Bounds(50, 50, 100, 85)},
      {HTTOP, {90, 51}, Bounds(50, 55, 100, 75)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EdgeControl* e = Edge(c.code);
    form->InjectMouse(WM_LBUTTONDOWN, c.press.X, c.press.Y, MK_LBUTTON);
    EXPECT_EQ(e->downs, 0) << "the press starts the loop instead";
    form->InjectMouse(WM_MOUSEMOVE, c.press.X + 30, c.press.Y + 30, MK_LBUTTON);
    form->InjectMouse(WM_LBUTTONUP, c.press.X + 10, c.press.Y + 5, 0);
    EXPECT_EQ(e->BoundsRect(), c.after);
    EXPECT_EQ(e->log, (std::vector<std::string>{"enter", "exit"}));
    EXPECT_EQ(app->MouseTracker(), nullptr);
    e->Destroy();
  }
  // Inside, the press is the control's own.
  EdgeControl* e = Edge(HTRIGHT);
  form->InjectMouse(WM_LBUTTONDOWN, 100, 90, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 100, 90, 0);
  EXPECT_EQ(e->downs, 1);
  EXPECT_TRUE(e->log.empty());
}

TEST_F(MouseTrackTest, EscapeAndDestructionEndTheLoop) {
  EdgeControl* e = Edge(HTRIGHT);
  form->InjectMouse(WM_LBUTTONDOWN, 148, 90, MK_LBUTTON);
  form->InjectMouse(WM_MOUSEMOVE, 160, 90, MK_LBUTTON);
  form->InjectKey(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(app->MouseTracker(), nullptr);
  EXPECT_EQ(e->log, (std::vector<std::string>{"enter", "exit"}));
  form->InjectMouse(WM_MOUSEMOVE, 180, 90, MK_LBUTTON);
  EXPECT_EQ(e->Width(), 112) << "no more sizing after the loop ended";
  form->InjectMouse(WM_LBUTTONUP, 180, 90, 0);
  // A window going away in the middle of its loop ends it first.
  form->InjectMouse(WM_LBUTTONDOWN, 160, 90, MK_LBUTTON);
  ASSERT_NE(app->MouseTracker(), nullptr);
  e->Destroy();
  EXPECT_EQ(app->MouseTracker(), nullptr);
  form->InjectMouse(WM_MOUSEMOVE, 200, 90, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 200, 90, 0);
}

TEST_F(MouseTrackTest, CaptionCodeMovesATopLevelForm) {
  struct Caption : TForm {
    using TForm::TForm;
    std::vector<TRect> moving;
    void WndProc(TMessage& m) override {
      if (m.Msg == WM_NCHITTEST) {
        m.Result = HTCAPTION;
        return;
      }
      if (m.Msg == WM_MOVING) moving.push_back(*reinterpret_cast<TRect*>(m.LParam));
      TForm::WndProc(m);
    }
  };
  auto* f = TComponent::Create<Caption>(app.get());
  f->SetBounds(100, 100, 200, 150);
  f->Show();
  f->InjectMouse(WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
  f->InjectMouse(WM_MOUSEMOVE, 30, 15, MK_LBUTTON);
  EXPECT_EQ(f->BoundsRect(), Bounds(120, 105, 200, 150));
  f->InjectMouse(WM_LBUTTONUP, 30, 15, 0);
  EXPECT_EQ(f->moving.front(), Bounds(120, 105, 200, 150));
}

}  // namespace
}  // namespace tavrel
