#include "platform/ui/mousetrack.h"

#include "platform/ui/forms.h"

namespace tavrel {
namespace {

class TSizeMoveLoop : public TMouseTracker {
 public:
  TSizeMoveLoop(TWinControl& c, LRESULT code, TPoint start)
      : c_(&c), code_(code), start_(start), bounds_(c.BoundsRect()) {
    c_->Perform(WM_ENTERSIZEMOVE);
  }
  void Move(TPoint p) override {
    const int dx = p.X - start_.X, dy = p.Y - start_.Y;
    TRect r = bounds_;
    switch (code_) {
      case HTLEFT: r.Left = std::min(r.Left + dx, r.Right); break;
      case HTRIGHT: r.Right = std::max(r.Right + dx, r.Left); break;
      case HTTOP: r.Top = std::min(r.Top + dy, r.Bottom); break;
      case HTBOTTOM: r.Bottom = std::max(r.Bottom + dy, r.Top); break;
      case HTCAPTION:
        r = OffsetRect(r, dx, dy);
        c_->Perform(WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
        break;
      default: break;
    }
    c_->SetBoundsRect(r);
  }
  void Release(TPoint p) override {
    Move(p);
    c_->Perform(WM_EXITSIZEMOVE);
  }
  void Cancel() override {
    if (c_) c_->Perform(WM_EXITSIZEMOVE);
  }
  bool Uses(const TControl* c) const override { return c == c_; }

 private:
  TWinControl* c_;
  LRESULT code_;
  TPoint start_;
  TRect bounds_;
};

}  // namespace

bool BeginSizeMove(TWinControl& c, LRESULT code, TPoint start) {
  TApplication* app = Application();
  const bool sizes = code == HTLEFT || code == HTRIGHT || code == HTTOP || code == HTBOTTOM;
  const bool moves = code == HTCAPTION && dynamic_cast<TForm*>(&c);
  if (!app || !(sizes || moves)) return false;
  app->BeginMouseTracking(std::make_unique<TSizeMoveLoop>(c, code, start));
  return true;
}

}  // namespace tavrel
