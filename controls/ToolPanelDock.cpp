// Panels dragged off a bar to float, and dropped on a bar again.
#include <algorithm>

#include "controls/ToolPanelTab.h"
#include "platform/ui/mousetrack.h"

namespace tavrel {

namespace {

// The window a floating panel lives in; it goes once the panel has left
// it, docked again or destroyed.
class TToolPanelFloatForm : public TForm {
 public:
  using TForm::TForm;
  void WndProc(TMessage& m) override {
    TForm::WndProc(m);
    if (m.Msg == CM_CONTROLLISTCHANGE && !m.LParam && ControlCount() == 0 && !released_ &&
        !(ComponentState() & csDestroying)) {
      released_ = true;
      Hide();
      Release();
    }
  }

 protected:
  bool ShowActivates() const override { return false; }

 private:
  bool released_ = false;
};

// Every tab bar inside a window, depth first.
void FindBars(TWinControl* w, std::vector<TAdvToolPanelTab*>& out) {
  for (int i = 0; i < w->ControlCount(); ++i) {
    if (auto* bar = dynamic_cast<TAdvToolPanelTab*>(w->Controls(i))) out.push_back(bar);
    if (auto* c = dynamic_cast<TWinControl*>(w->Controls(i))) FindBars(c, out);
  }
}

// A panel dragged by its caption: dropped on a bar's dock strip it docks
// there, anywhere else it floats in a window of its own.
class TPanelDockDrag : public TMouseTracker {
 public:
  TPanelDockDrag(TAdvToolPanelTab* bar, TAdvToolPanel* panel) : bar_(bar), panel_(panel) {}
  void Move(TPoint) override {}
  void Release(TPoint screen) override {
    TAdvToolPanel* p = panel_;
    p->Perform(CM_MOUSELEAVE);  // the button went up outside the panel's own handling
    if (TAdvToolPanelTab* target = BarAt(screen)) {
      target->DockDrop(p);
      return;
    }
    // Floats at the drop point with the panel's size, less its caption bar.
    FloatToolPanel(p, Bounds(screen.X, screen.Y, p->Width(), p->Height() - ToolPanelCaptionHeight));
  }
  void Cancel() override {
    panel_->SetDocking(false);
    panel_->Perform(CM_MOUSELEAVE);
    bar_->SetPanelState(panel_, psOpened);
  }
  bool Uses(const TControl* c) const override { return c == bar_ || c == panel_; }

 private:
  TAdvToolPanelTab* BarAt(TPoint screen) const {
    std::vector<TAdvToolPanelTab*> bars;
    if (TApplication* app = Application())
      for (TForm* f : app->Forms()) FindBars(f, bars);
    for (TAdvToolPanelTab* b : bars) {
      TRect dock;
      if (b->AutoDock() && b->DockOver(panel_, dock) && PtInRect(dock, screen)) return b;
    }
    return nullptr;
  }
  TAdvToolPanelTab* bar_;
  TAdvToolPanel* panel_;
};

}  // namespace

void FloatToolPanel(TAdvToolPanel* p, const TRect& screen) {
  auto* host = TComponent::Create<TToolPanelFloatForm>(Application());
  host->SetBorderStyle(TFormBorderStyle::bsToolWindow);
  host->SetBoundsRect(screen);
  p->SetAlign(alNone);
  p->SetParent(host);
  p->SetAlign(alClient);
  p->SetDocking(true);
  p->SetFloating(true);
  p->Show();
  host->Show();
  p->DoEndDock();
}

// ---- docking ----------------------------------------------------------------

bool TAdvToolPanelTab::DockOver(TControl* source, TRect& dock) const {
  if (!dynamic_cast<TAdvToolPanel*>(source)) return false;
  const int w = Width(), h = Height();
  TRect r;
  switch (position_) {
    case ppLeft: r = Rect(0, 0, 100, h); break;
    case ppRight: r = Rect(w - 100, 0, w, h); break;
    case ppTop: r = Rect(0, 0, w, 100); break;
    case ppBottom: r = Rect(0, h - 100, w, h); break;
  }
  const TPoint a = ClientToScreen(r.TopLeft()), b = ClientToScreen({r.Right, r.Bottom});
  dock = Rect(a.X, a.Y, b.X, b.Y);
  return true;
}

void TAdvToolPanelTab::DockDrop(TAdvToolPanel* p) {
  auto* old = dynamic_cast<TAdvToolPanelTab*>(p->Tab());
  if (old && old != this) old->RemovePanel(p);
  if (PanelIndex(p) < 0) InsertPanel(p);
  const bool floated = p->Floating();
  p->SetDocking(false);
  p->SetFloating(false);
  const int ow = p->OpenWidth();
  p->SetTab(this);
  p->SetAlign(alNone);
  switch (position_) {
    case ppLeft:
      p->SetParent(Parent());
      p->SetLeft(tab_width_);
      p->SetAlign(alLeft);
      p->SetTop(Top() + 10);
      break;
    case ppRight:
      p->SetLeft(Left() - ow - 1);
      p->SetWidth(ow);
      p->SetAlign(alRight);
      p->SetParent(Parent());
      break;
    case ppTop:
      p->SetParent(Parent());
      p->SetTop(tab_width_);
      p->SetAlign(alTop);
      break;
    case ppBottom:
      p->SetTop(Top() - ow - 1);
      p->SetHeight(ow);
      p->SetAlign(alBottom);
      p->SetParent(Parent());
      break;
  }
  p->Show();
  p->SetOpenWidth(ow);
  p->SetLocked(true);
  p->SetOpenWidth(ow);
  if (Vertical()) p->SetWidth(ow);
  else p->SetHeight(ow);
  if (floated) p->DoEndDock();
}

void TAdvToolPanelTab::BeginDockDrag(TAdvToolPanel* p) {
  TApplication* app = Application();
  if (!app || app->MouseTracker()) return;
  app->BeginMouseTracking(std::make_unique<TPanelDockDrag>(this, p));
  p->DoStartDock();
}

void TAdvToolPanelTab::CancelDockDrag(TAdvToolPanel*) {
  if (TApplication* app = Application(); app && app->MouseTracker() && app->MouseTracker()->Uses(this))
    app->CancelMouseTracking();
}

}  // namespace tavrel
