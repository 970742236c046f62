#include "platform/ui/speedbutton.h"

#include "platform/ui/edges.h"

namespace tavrel {

const ClassInfo& TSpeedButton::Class() {
  static const ClassInfo ci = ClassBuilder<TSpeedButton>("TSpeedButton", TGraphicControl::Class())
                                  .prop("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat)
                                  .defaultValue(false)
                                  .prop("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs)
                                  .defaultValue(int64_t{1})
                                  .prop("Transparent", &TSpeedButton::Transparent,
                                        &TSpeedButton::SetTransparent)
                                  .defaultValue(false)
                                  .build();
  return ci;
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 23, 22);
  glyph_.OnChange = [this] { Invalidate(); };
}

void TSpeedButton::SetNumGlyphs(int v) {
  if (v < 1 || v > 4 || v == num_glyphs_) return;
  num_glyphs_ = v;
  Invalidate();
}

void TSpeedButton::SetFlat(bool v) {
  if (v == flat_) return;
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  if (v) style_ &= ~csOpaque;
  else style_ |= csOpaque;
  Invalidate();
}

void TSpeedButton::SetState(TButtonState v) {
  if (v == state_) return;
  state_ = v;
  Invalidate();
}

void TSpeedButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_ENABLEDCHANGED:
      dragging_ = false;
      SetState(Enabled() ? TButtonState::bsUp : TButtonState::bsDisabled);
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (m.LParam == 0) {  // our own, not one passed up by a child
        mouse_in_ = m.Msg == CM_MOUSEENTER;
        if (flat_) Invalidate();
      }
      break;
    default:
      break;
  }
  TGraphicControl::WndProc(m);
}

void TSpeedButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TGraphicControl::MouseDown(b, s, x, y);
  if (b == TMouseButton::mbLeft && Enabled()) {
    dragging_ = true;
    SetState(TButtonState::bsDown);
  }
}

void TSpeedButton::MouseMove(TShiftState s, int x, int y) {
  TGraphicControl::MouseMove(s, x, y);
  if (dragging_) SetState(PtInRect(ClientRect(), {x, y}) ? TButtonState::bsDown : TButtonState::bsUp);
}

void TSpeedButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  TGraphicControl::MouseUp(b, s, x, y);
  if (b == TMouseButton::mbLeft && dragging_) {
    dragging_ = false;
    if (Enabled()) SetState(TButtonState::bsUp);
  }
}

void TSpeedButton::DrawGlyph(TCanvas& c, const TRect& r) {
  if (glyph_.Empty()) return;
  TBitmap& g = glyph_;
  const int gw = g.Width() / num_glyphs_, gh = g.Height();
  if (gw <= 0) return;
  const bool down = state_ == TButtonState::bsDown || state_ == TButtonState::bsExclusive;
  int image = 0;
  switch (state_) {
    case TButtonState::bsUp: image = 0; break;
    case TButtonState::bsDisabled: image = 1; break;
    case TButtonState::bsDown: image = 2; break;
    case TButtonState::bsExclusive: image = 3; break;
  }
  const bool embossed = state_ == TButtonState::bsDisabled && num_glyphs_ < 2;
  if (image >= num_glyphs_) image = 0;
  const int x = r.Left + (r.Width() - gw + 1) / 2 + (down ? 1 : 0);
  const int y = r.Top + (r.Height() - gh + 1) / 2 + (down ? 1 : 0);
  const TColor key = g.TransparentColor();
  for (int v = 0; v < gh; ++v)
    for (int u = 0; u < gw; ++u) {
      const TColor p = g.Canvas().Pixel(image * gw + u, v);
      if (p == key) continue;
      if (embossed) {
        c.SetPixel(x + u + 1, y + v + 1, clBtnHighlight);
      } else {
        c.SetPixel(x + u, y + v, p);
      }
    }
  if (!embossed) return;
  for (int v = 0; v < gh; ++v)
    for (int u = 0; u < gw; ++u)
      if (g.Canvas().Pixel(u, v) != key) c.SetPixel(x + u, y + v, clBtnShadow);
}

void TSpeedButton::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  const bool down = state_ == TButtonState::bsDown || state_ == TButtonState::bsExclusive;
  if (!flat_) {
    DrawFrameControl(c, r, DFC_BUTTON, down ? DFCS_BUTTONPUSH | DFCS_PUSHED : DFCS_BUTTONPUSH);
  } else {
    if (!transparent_ || down) {
      c.Brush().SetStyle(TBrushStyle::bsSolid);
      c.Brush().SetColor(clBtnFace);
      c.FillRect(r);
    }
    if (down || (mouse_in_ && Enabled())) {
      TRect edge = r;
      DrawEdge(c, edge, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
  }
  DrawGlyph(c, r);
}

}  // namespace tavrel
