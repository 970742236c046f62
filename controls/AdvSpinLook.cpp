// The spin edit's geometry, look and caption label.
#include "controls/AdvSpin.h"

#include <algorithm>

#include "platform/ui/metrics.h"

namespace tavrel {

int TAdvSpinEdit::MinHeight() const {
  const int own = Font().Metrics().Height;
  const int m = std::min(SystemFont().Metrics().Height, own);
  return m / 4 + own + 2 + (BorderStyle() == bsSingle ? 4 * GetSystemMetrics(SM_CYBORDER) : 0);
}

void TAdvSpinEdit::PlaceButton() {
  if (!button_) return;
  const int bw = button_->Width();
  if (Ctl3D()) {
    const int d = BorderStyle() == bsNone ? 1 : 5;
    button_->SetBounds(Width() - bw - d + 1, 0, bw, Height() - d);
  } else {
    button_->SetBounds(Width() - bw - 1, 2, bw, Height() - 3);
  }
}

void TAdvSpinEdit::ApplyTextRect() {
  const int bw = button_ ? button_->Width() : 0;
  const int b = BorderStyle() == bsNone ? 2 : 0;
  const TRect r = Rect(b + (Ctl3D() ? 0 : 2), b, ClientWidth() - bw - 2 - b, ClientHeight() + 1);
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

TRect TAdvSpinEdit::FlatTextRect() const {
  const int bw = button_ ? button_->Width() : 0;
  const TRect c = ClientRect();
  return Rect(2, 4, c.Right - bw - 4, c.Bottom - 4);
}

TRect TAdvSpinEdit::NormalTextRect() const {
  const int bw = button_ ? button_->Width() : 0;
  const TRect c = ClientRect();
  return Rect(0, 0, c.Right - bw - 2, c.Bottom);
}

void TAdvSpinEdit::Resized() {
  if (!Loading() && Height() < MinHeight()) {
    SetHeight(MinHeight());  // comes back here at the new height
    return;
  }
  PlaceButton();
  ApplyTextRect();
}

// What widening the window by a pixel and narrowing it again gives: the
// size handling runs again and the frame is redrawn.
void TAdvSpinEdit::RedrawFrame() {
  Resized();
  Invalidate();
}

void TAdvSpinEdit::ApplyWindowStyle() {
  SetAlignment(edit_align_ == eaRight ? taRightJustify : edit_align_ == eaCenter ? taCenter : taLeftJustify);
}

// ---- look properties -------------------------------------------------------------

void TAdvSpinEdit::SetFlat(bool v) {
  if (Loading()) {
    flat_ = v;
    return;
  }
  if (v == flat_) return;
  flat_ = v;
  if (v) {
    normal_color_ = Color();
    SetBorderStyle(bsNone);
    PlaceButton();
    SetTextRect(FlatTextRect());
  } else {
    if (normal_color_ != clNone) SetColor(normal_color_);
    SetBorderStyle(bsSingle);
    PlaceButton();
    SetTextRect(NormalTextRect());
  }
  Invalidate();
}

void TAdvSpinEdit::SetFlatLineColor(TColor v) {
  flat_line_color_ = v;
  Invalidate();
}

void TAdvSpinEdit::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Invalidate();
}

void TAdvSpinEdit::SetEditAlign(TEditAlign v) {
  edit_align_ = v;
  ApplyWindowStyle();
}

void TAdvSpinEdit::SetSpinFlat(bool v) {
  if (button_) {
    button_->UpButton()->SetFlat(v);
    button_->DownButton()->SetFlat(v);
  }
  spin_flat_ = v;
}

void TAdvSpinEdit::SetSpinTransparent(bool v) {
  if (button_) {
    button_->UpButton()->SetTransparent(v);
    button_->DownButton()->SetTransparent(v);
  }
  spin_transparent_ = v;
  RedrawFrame();
}

void TAdvSpinEdit::SetDirection(TSpinDirection v) {
  if (v == direction_) return;
  direction_ = v;
  if (button_) button_->SetDirection(v);
  RedrawFrame();
}

// ---- label and state ------------------------------------------------------------------

void TAdvSpinEdit::SetLabelPosition(TLabelPosition v) {
  if (v > lpBottomCenter) return;  // the spin edit's labels have 10 places
  label_.SetPosition(v);
}

void TAdvSpinEdit::SetLabelAlwaysEnabled(bool v) {
  label_.SetAlwaysEnabled(v);
  Invalidate();
}

void TAdvSpinEdit::SetEnabled(bool v) {
  const bool changed = v != Enabled();
  TCustomEdit::SetEnabled(v);
  if (changed && !Loading() && !HasState(csDesigning)) label_.FollowEnabled();
  if (button_) {
    button_->UpButton()->SetEnabled(v);
    button_->DownButton()->SetEnabled(v);
  }
}

void TAdvSpinEdit::SetBounds(int left, int top, int width, int height) {
  TCustomEdit::SetBounds(left, top, width, height);
  label_.Place();
}

void TAdvSpinEdit::SetParent(TWinControl* p) {
  TCustomEdit::SetParent(p);
  label_.FollowParent();
}

// ---- painting -----------------------------------------------------------------------

void TAdvSpinEdit::PaintBackground(TCanvas& c) {
  if (transparent_) PaintParentBackground(*this, c);
  else TCustomEdit::PaintBackground(c);
}

void TAdvSpinEdit::PaintFocusBorder(TCanvas& window) {
  if (focus_border_color_ == clNone || !Focused()) return;
  window.Brush().SetStyle(TBrushStyle::bsSolid);
  window.Brush().SetColor(focus_border_color_);
  window.FrameRect(Rect(0, 0, Width(), Height()));
}

void TAdvSpinEdit::Paint() {
  TCustomEdit::Paint();
  TCanvas& c = Canvas();
  if (flat_ && flat_line_color_ != clNone) {
    const TRect r = TextRect();
    c.Pen().SetStyle(TPenStyle::psSolid);
    c.Pen().SetWidth(1);
    c.Pen().SetColor(flat_line_color_);
    c.MoveTo(r.Left, Height() - 1);
    c.LineTo(r.Right, Height() - 1);
  }
  if (focus_border_color_ != clNone && Focused()) {
    TWindowCanvas window(*this);
    PaintFocusBorder(window);
  }
}

void TAdvSpinEdit::WndProcLook(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE:
      TCustomEdit::WndProc(m);
      Resized();
      return;
    case WM_NCPAINT:
      TCustomEdit::WndProc(m);
      if (auto* dc = reinterpret_cast<TCanvas*>(m.WParam)) PaintFocusBorder(*dc);
      return;
    case CM_FONTCHANGED:
      TCustomEdit::WndProc(m);
      SetTextRect(flat_ ? FlatTextRect() : NormalTextRect());
      if (Loading() || HasState(csDesigning)) label_.Place();
      return;
    case CM_PARENTFONTCHANGED:
      TCustomEdit::WndProc(m);
      if (ParentFont()) label_.Place();
      return;
    case CM_VISIBLECHANGED:
    case CM_SHOWINGCHANGED:
      TCustomEdit::WndProc(m);
      label_.Place();
      return;
    default:
      TCustomEdit::WndProc(m);
  }
}

}  // namespace tavrel
