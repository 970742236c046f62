#include "controls/VrControls.h"

namespace tavrel {

const ClassInfo& TVrGraphicControl::Class() {
  static const ClassInfo ci =
      ClassBuilder<TVrGraphicControl>("TVrGraphicControl", TGraphicControl::Class())
          .prop("Version", &TVrGraphicControl::Version, &TVrGraphicControl::SetVersion)
          .stored(false)
          .build();
  return ci;
}

TVrGraphicControl::TVrGraphicControl(TComponent* owner) : TGraphicControl(owner) {}

void TVrGraphicControl::EndUpdate() {
  --update_count_;
  RequestRepaint();
}

void TVrGraphicControl::RequestRepaint() {
  if (IsLoading() || update_count_ != 0) return;
  Repaint();
}

void TVrGraphicControl::AdjustAutoSize() {
  const TAlign a = Align();
  if (!AutoSize() || a == alClient) {
    RequestRepaint();
    return;
  }
  ForceAdjustBounds();
}

void TVrGraphicControl::ForceAdjustBounds() {
  if (IsLoading()) return;
  const TRect before = BoundsRect();
  AdjustSize();
  if (BoundsRect() == before) RequestRepaint();  // a new size repaints by itself
}

void TVrGraphicControl::DoMouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}
void TVrGraphicControl::DoMouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}
void TVrGraphicControl::DoFontChanged() {
  if (OnFontChanged) OnFontChanged(this);
}
void TVrGraphicControl::DoTextChanged() {
  if (OnTextChanged) OnTextChanged(this);
}

void TVrGraphicControl::WndProc(TMessage& m) {
  TGraphicControl::WndProc(m);
  switch (m.Msg) {
    case CM_MOUSEENTER:
      if (!m.LParam) DoMouseEnter();
      break;
    case CM_MOUSELEAVE:
      if (!m.LParam) DoMouseLeave();
      break;
    case CM_FONTCHANGED:
      DoFontChanged();
      break;
    case CM_TEXTCHANGED:
      DoTextChanged();
      break;
    default:
      break;
  }
}

// ---- TVrGraphicImageControl ------------------------------------------------

const ClassInfo& TVrGraphicImageControl::Class() {
  static const ClassInfo ci =
      ClassBuilder<TVrGraphicImageControl>("TVrGraphicImageControl", TVrGraphicControl::Class())
          .build();
  return ci;
}

TVrGraphicImageControl::TVrGraphicImageControl(TComponent* owner) : TVrGraphicControl(owner) {}

void TVrGraphicImageControl::WndProc(TMessage& m) {
  if (m.Msg == WM_PAINT && m.WParam) image_.SetSize(Width(), Height());
  TVrGraphicControl::WndProc(m);
}

void TVrGraphicImageControl::PrepareBackground() {
  TCanvas& ic = ImageCanvas();
  ic.Brush().SetStyle(TBrushStyle::bsSolid);
  const TRect all = Rect(0, 0, Width(), Height());
  if (!transparent_) {
    ic.Brush().SetColor(Color());
    ic.FillRect(all);
    return;
  }
  ic.CopyRect(all, Canvas(), all);
}

void TVrGraphicImageControl::Paint() {
  Canvas().BitBlt(0, 0, Width(), Height(), ImageCanvas(), 0, 0, SRCCOPY);
}

}  // namespace tavrel
