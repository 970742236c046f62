#include "platform/ui/button.h"

#include "platform/ui/drawtext.h"
#include "platform/ui/edges.h"

namespace tavrel {

const ClassInfo& TButton::Class() {
  static const ClassInfo ci = ClassBuilder<TButton>("TButton", TCustomControl::Class())
                                  .prop("Cancel", &TButton::Cancel, &TButton::SetCancel)
                                  .defaultValue(false)
                                  .prop("Default", &TButton::Default, &TButton::SetDefault)
                                  .defaultValue(false)
                                  .prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult)
                                  .defaultValue(int64_t{mrNone})
                                  .build();
  return ci;
}

TButton::TButton(TComponent* owner) : TCustomControl(owner) {
  style_ = (style_ | csOpaque) & ~csDoubleClicks;
  SetBounds(0, 0, 75, 25);
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  Invalidate();
}

void TButton::Click() {
  if (TForm* f = ParentForm(); f && modal_result_ != mrNone) f->SetModalResult(modal_result_);
  TCustomControl::Click();
}

bool TButton::Active() const {
  if (Focused()) return true;
  if (!default_) return false;
  TForm* f = ParentForm();
  return !f || !dynamic_cast<TButton*>(f->ActiveControl());
}

void TButton::SetPressed(bool v) {
  if (v == pressed_) return;
  pressed_ = v;
  Invalidate();
}

void TButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_BUTTON | (Active() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      return;
    case CM_DIALOGKEY:
      if (((m.WParam == VK_RETURN && Active()) || (m.WParam == VK_ESCAPE && cancel_)) && Visible() &&
          EnabledInChain()) {
        Click();
        m.Result = 1;
      }
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && CanFocus()) {
        Click();
        m.Result = 1;
      }
      return;
    case CM_FOCUSCHANGED:  // the default look follows the focus
    case CM_TEXTCHANGED:
    case WM_SETFOCUS:
      Invalidate();
      break;
    case WM_KILLFOCUS:
      space_down_ = false;
      SetPressed(false);
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

void TButton::DefaultHandler(TMessage& m) {
  if (m.WParam == VK_SPACE && (m.Msg == WM_KEYDOWN || m.Msg == WM_KEYUP)) {
    const bool down = m.Msg == WM_KEYDOWN;
    if (down) {
      space_down_ = true;
      SetPressed(true);
    } else if (space_down_) {
      space_down_ = false;
      SetPressed(false);
      Click();
    }
    return;
  }
  TCustomControl::DefaultHandler(m);
}

void TButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    SetPressed(true);
  }
  TCustomControl::MouseDown(b, s, x, y);
}

void TButton::MouseMove(TShiftState s, int x, int y) {
  if (MouseCapture() && (s & ssLeft)) SetPressed(PtInRect(ClientRect(), {x, y}));
  TCustomControl::MouseMove(s, x, y);
}

void TButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (b == TMouseButton::mbLeft) SetPressed(false);
  TCustomControl::MouseUp(b, s, x, y);
}

void TButton::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  if (Active()) {  // the dark frame of the button Enter would click
    c.Brush().SetStyle(TBrushStyle::bsSolid);
    c.Brush().SetColor(clWindowFrame);
    c.FrameRect(r);
    r = InflateRect(r, -1, -1);
  }
  if (pressed_) {
    c.Brush().SetColor(clBtnShadow);
    c.FrameRect(r);
    c.Brush().SetColor(Color());
    c.FillRect(InflateRect(r, -1, -1));
  } else {
    DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH);
  }
  c.Font().Assign(Font());
  c.Brush().SetStyle(TBrushStyle::bsClear);
  TRect text = pressed_ ? OffsetRect(r, 1, 1) : r;
  const uint32_t flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (!EnabledInChain()) {
    TRect shadow = OffsetRect(text, 1, 1);
    c.Font().SetColor(clBtnHighlight);
    DrawText(c, Caption(), shadow, flags);
    c.Font().SetColor(clBtnShadow);
  }
  DrawText(c, Caption(), text, flags);
  if (Focused()) c.DrawFocusRect(InflateRect(ClientRect(), -4, -4));
}

}  // namespace tavrel
