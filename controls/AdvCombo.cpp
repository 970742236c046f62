#include "controls/AdvCombo.h"

#include "controls/versiontext.h"
#include "platform/theme.h"
#include "platform/ui/edges.h"
#include "platform/ui/metrics.h"

namespace tavrel {

namespace {

// The frame of a themed combo box that is disabled without DisabledBorder.
constexpr TColor kThemedDisabledFrame = RGB(127, 157, 185);

bool WindowsXPOrLater() {
  return PlatformMajorVersion > 5 || (PlatformMajorVersion == 5 && PlatformMinorVersion >= 1);
}

TRect Shrunk(TRect r, int by) { return InflateRect(r, -by, -by); }

}  // namespace

const ClassInfo& TAdvCustomCombo::Class() {
  static const ClassInfo ci = ClassBuilder<TAdvCustomCombo>("TAdvCustomCombo", TCustomComboBox::Class()).build();
  return ci;
}

const ClassInfo& TAdvComboBox::Class() {
  using C = TAdvComboBox;
  static const ClassInfo ci =
      ClassBuilder<C>("TAdvComboBox", TAdvCustomCombo::Class())
          // A combo box's caption is its Text, stored once, under that name.
          .prop("Caption", &C::Caption, &C::SetCaption)
          .stored(false)
          .prop("AutoFocus", &C::AutoFocus, &C::SetAutoFocus)
          .defaultValue(false)
          .prop("ButtonWidth", &C::ButtonWidth, &C::SetButtonWidth)
          .defaultValue(int64_t{19})
          .prop("Ctl3D", &C::Ctl3D, &C::SetCtl3D)
          .defaultValue(true)
          .prop("DisabledBorder", &C::DisabledBorder, &C::SetDisabledBorder)
          .defaultValue(true)
          .prop("Flat", &C::Flat, &C::SetFlat)
          .defaultValue(false)
          .prop("FlatLineColor", &C::FlatLineColor, &C::SetFlatLineColor)
          .typeName("TColor")
          .defaultValue(int64_t{clBlack})
          .prop("FlatParentColor", &C::FlatParentColor, &C::SetFlatParentColor)
          .defaultValue(true)
          .prop("Etched", &C::Etched, &C::SetEtched)
          .defaultValue(false)
          .prop("FocusBorder", &C::FocusBorder, &C::SetFocusBorder)
          .defaultValue(false)
          .prop("FocusBorderColor", &C::FocusBorderColor, &C::SetFocusBorderColor)
          .typeName("TColor")
          .defaultValue(int64_t{clNone})
          .prop("FocusColor", &C::FocusColor, &C::SetFocusColor)
          .typeName("TColor")
          .defaultValue(int64_t{clNone})
          .prop("FocusLabel", &C::FocusLabel, &C::SetFocusLabel)
          .defaultValue(false)
          .prop("DropWidth", &C::DropWidth, &C::SetDropWidth)
          .prop("LabelCaption", &C::LabelCaption, &C::SetLabelCaption)
          .prop("LabelPosition", &C::LabelPosition, &C::SetLabelPosition)
          .enumType(LabelPositionInfo())
          .defaultValue(int64_t{lpLeftTop})
          .prop("LabelMargin", &C::LabelMargin, &C::SetLabelMargin)
          .defaultValue(int64_t{4})
          .prop("LabelTransparent", &C::LabelTransparent, &C::SetLabelTransparent)
          .defaultValue(false)
          .prop("LabelAlwaysEnabled", &C::LabelAlwaysEnabled, &C::SetLabelAlwaysEnabled)
          .defaultValue(false)
          .prop("LabelFont", &C::LabelFontObject)
          .prop("Text", &TControl::Text, &TControl::SetText)  // virtual: the combo box's own runs
          .prop("Version", &C::Version, &C::SetVersion)
          .event("OnDropUp", &C::OnDropUp)
          .build();
  return ci;
}

TAdvCustomCombo::TAdvCustomCombo(TComponent* owner)
    : TCustomComboBox(owner),
      button_width_(GetSystemMetrics(SM_CXVSCROLL) + 2),
      is_win_xp_(WindowsXPOrLater()),
      is_themed_(CommonControlsMajorVersion > 5) {
  // The colour the focus colour gives way to, from the start: a control
  // built in code has no end of loading to record it.
  normal_color_ = Color();
}

std::string TAdvCustomCombo::Version() const { return VersionText(VersionNumber()); }

void TAdvCustomCombo::Loaded() {
  TCustomComboBox::Loaded();
  label_.Place();
  if (drop_width_ > 0) Perform(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(drop_width_));
  old_color_ = loaded_color_;
  if (!(flat_parent_color_ && !flat_)) SetColor(loaded_color_);
  if (ComboLabel() && !LabelAlwaysEnabled()) ComboLabel()->SetEnabled(Enabled());
  normal_color_ = Color();
}

// ---- properties ------------------------------------------------------------------

void TAdvCustomCombo::SetButtonWidth(int v) {
  if (v < 14 || v > 32) return;
  button_width_ = v;
  Invalidate();
}

void TAdvCustomCombo::SetDisabledBorder(bool v) {
  disabled_border_ = v;
  Invalidate();
}

void TAdvCustomCombo::SetFlat(bool v) {
  if (v == flat_) return;
  flat_ = v;
  ctl3d_ = !v;
  if (flat_parent_color_ && v) {
    if (Parent()) SetColor(Parent()->Color());
  } else {
    SetColor(loaded_color_);
  }
  Invalidate();
}

void TAdvCustomCombo::SetFlatLineColor(TColor v) {
  flat_line_color_ = v;
  Invalidate();
}

void TAdvCustomCombo::SetFlatParentColor(bool v) {
  flat_parent_color_ = v;
  Invalidate();
}

void TAdvCustomCombo::SetEtched(bool v) {
  if (v == etched_) return;
  etched_ = v;
  Invalidate();
}

void TAdvCustomCombo::SetFocusBorder(bool v) {
  focus_border_ = v;
  Invalidate();
}

void TAdvCustomCombo::SetFocusBorderColor(TColor v) {
  focus_border_color_ = v;
  Invalidate();
}

void TAdvCustomCombo::SetDropWidth(int v) {
  drop_width_ = v;
  if (v > 0) Perform(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(v));
}

void TAdvCustomCombo::SelectItem(const std::string& text) {
  const int i = Items().IndexOf(text);
  if (i >= 0) SetItemIndex(i);
}

void TAdvCustomCombo::SetEnabled(bool v) {
  const bool changed = v != Enabled();
  TCustomComboBox::SetEnabled(v);
  if (!changed || HasState(csLoading) || HasState(csDesigning)) return;
  label_.FollowEnabled();
  label_.Place();
}

void TAdvCustomCombo::SetBounds(int left, int top, int width, int height) {
  TCustomComboBox::SetBounds(left, top, width, height);
  if (!HasState(csDestroying)) label_.Place();
}

void TAdvCustomCombo::SetParent(TWinControl* p) {
  TCustomComboBox::SetParent(p);
  label_.FollowParent();
}

void TAdvCustomCombo::Notification(TComponent* c, TOperation op) {
  TCustomComboBox::Notification(c, op);
  if (op == TOperation::opRemove) label_.Forget(c);
}

// ---- state -------------------------------------------------------------------------

bool TAdvCustomCombo::ThemeInUse() const { return is_themed_ && ACXPVS().IsThemeActive(); }

bool TAdvCustomCombo::HotLook() const {
  if (HasState(csDesigning)) return Enabled();
  return mouse_in_ || (Screen() && Screen()->ActiveControl() == this);
}

bool TAdvCustomCombo::FocusLook() const {
  return focus_border_ && !HasState(csDesigning) &&
         (mouse_in_ || (Screen() && Screen()->ActiveControl() == this));
}

bool TAdvCustomCombo::DrawnPaint() const {
  return flat_ || (focus_border_color_ != clNone && Focused()) ||
         (!Enabled() && ThemeInUse() && !disabled_border_);
}

void TAdvCustomCombo::MouseMove(TShiftState s, int x, int y) {
  const int wx = x + ClientOffset().X;  // the look measures from the window's edge
  const bool hover = wx > Width() - button_width_ && wx < Width();
  if (hover != button_hover_) {
    button_hover_ = hover;
    Invalidate();
  }
  TCustomComboBox::MouseMove(s, x, y);
}

void TAdvCustomCombo::FocusArrived() {
  if (HasState(csDesigning)) return;
  has_focus_ = true;
  Invalidate();
  if (focus_color_ != clNone) {
    TFlagHold hold(switching_color_);
    focus_color_showing_ = true;
    SetColor(focus_color_);
  }
  if (focus_label_) label_.SetBold(true);
}

void TAdvCustomCombo::FocusLeft() {
  if (HasState(csDesigning)) return;
  has_focus_ = false;
  if (focus_color_ != clNone && normal_color_ != clNone) {
    TFlagHold hold(switching_color_);
    SetColor(normal_color_);
  }
  focus_color_showing_ = false;
  if (focus_label_) label_.SetBold(false);
  Invalidate();
}

void TAdvCustomCombo::EnabledChanged() {
  if (!flat_ || HasState(csLoading)) return;
  if (!Enabled()) {
    old_parent_color_ = ParentColor();
    old_color_ = Color();
    SetParentColor(true);
  } else {
    SetColor(old_color_);
    SetParentColor(old_parent_color_);
  }
}

void TAdvCustomCombo::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS:
      TCustomComboBox::WndProc(m);
      FocusArrived();
      return;
    case WM_KILLFOCUS:
      TCustomComboBox::WndProc(m);
      FocusLeft();
      return;
    case CM_COLORCHANGED:
      if (HasState(csLoading)) loaded_color_ = Color();
      // The colour to come back to follows every colour but the focus colour.
      if (!switching_color_ && !focus_color_showing_) normal_color_ = Color();
      break;
    case CM_ENABLEDCHANGED:
      TCustomComboBox::WndProc(m);
      EnabledChanged();
      return;
    case CM_VISIBLECHANGED:
      TCustomComboBox::WndProc(m);
      label_.Place();
      return;
    case CM_PARENTFONTCHANGED:
      TCustomComboBox::WndProc(m);
      if (ParentFont()) label_.Place();
      return;
    case CM_MOUSEENTER:
      if (!mouse_in_ && Enabled()) {
        mouse_in_ = true;
        Invalidate();
        if (auto_focus_ && !HasState(csDesigning)) {
          TForm* f = ParentForm();
          if ((!f || f->Active()) && CanFocus() && !Focused()) SetFocus();
        }
      }
      break;
    case CM_MOUSELEAVE:
      if (mouse_in_ && Enabled()) {
        mouse_in_ = false;
        button_hover_ = false;
        Invalidate();
      }
      break;
    case CN_COMMAND: {
      const WPARAM code = m.WParam >> 16;
      TCustomComboBox::WndProc(m);
      // The button shows the list's state; part of it lies in the frame.
      if (code == CBN_DROPDOWN || code == CBN_CLOSEUP) Invalidate();
      if (code == CBN_CLOSEUP && OnDropUp) OnDropUp(this);
      return;
    }
    case WM_NCPAINT: {
      auto* dc = reinterpret_cast<TCanvas*>(m.WParam);
      if (!dc) break;
      const bool drawn = DrawnPaint() && Style() != csSimple;
      const int saved = dc->SaveDC();
      if (drawn) RunOps(*dc, BackgroundOps());  // what lies under the frame in the drawn look
      TCustomComboBox::WndProc(m);
      dc->RestoreDC(saved);
      if (flat_ || (!Enabled() && ThemeInUse() && !disabled_border_)) RunOps(*dc, BorderOps());
      if (focus_border_color_ != clNone && Focused()) RunOps(*dc, BorderOps());
      return;
    }
    default:
      break;
  }
  TCustomComboBox::WndProc(m);
}

// ---- the drawn look ------------------------------------------------------------------

TComboDrawOps TAdvCustomCombo::BackgroundOps() const {
  const int w = Width(), h = Height(), bw = button_width_;
  TComboDrawOps ops;
  ops.push_back({TComboDrawOp::Fill, Rect(0, 0, w, h), Color()});
  const TRect button = Shrunk(Rect(w - bw + 2, 0, w, h), 1);
  if (ThemeInUse()) {
    const bool left = GetKeyState(VK_LBUTTON) < 0, right = GetKeyState(VK_RBUTTON) < 0;
    int state = 1;
    if (!Enabled()) state = 4;
    else if ((left || right) && DroppedDown()) state = 3;
    else if (!left && !right && button_hover_ && !DroppedDown()) state = 2;
    ops.push_back({TComboDrawOp::ThemeBackground, button, clNone, 1, static_cast<uint32_t>(state)});
  } else {
    ops.push_back({TComboDrawOp::FrameControl, button, clNone, DFC_SCROLL,
                   Enabled() ? DFCS_SCROLLCOMBOBOX | DFCS_FLAT : DFCS_SCROLLCOMBOBOX | DFCS_INACTIVE});
  }
  ops.push_back({TComboDrawOp::ExcludeClip, Rect(w - bw - 4, 0, w + 2, h)});
  return ops;
}

TComboDrawOps TAdvCustomCombo::BorderOps() const {
  if (Enabled() && !flat_ && focus_border_color_ == clNone) return {};
  const int w = Width(), h = Height(), bw = button_width_;
  TComboDrawOps ops;
  TRect r = Rect(0, 0, w, h);
  // The control's frame.
  if (!Enabled() && is_themed_ && !disabled_border_) {
    ops.push_back({TComboDrawOp::Frame, r, kThemedDisabledFrame});
  } else if (focus_border_color_ != clNone) {
    if (has_focus_) ops.push_back({TComboDrawOp::Frame, r, focus_border_color_});
  } else {
    const TColor outer = FocusLook() ? clBtnFace : Parent() ? Parent()->Color() : clBtnFace;
    const TColor inner = Color();
    if (FocusLook()) {
      ops.push_back({TComboDrawOp::Edge, r, clNone, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST});
      r = Shrunk(r, 1);
      ops.push_back({TComboDrawOp::Frame, r, outer});
      r = Shrunk(r, 1);
      ops.push_back({TComboDrawOp::Frame, r, inner});
    } else {
      ops.push_back({TComboDrawOp::Frame, r, outer});
      r = Shrunk(r, 1);
      r.Right -= bw;
      ops.push_back({TComboDrawOp::Frame, r, outer});
      r = Shrunk(r, 1);
      ops.push_back({TComboDrawOp::Frame, r, inner});
      r.Right += bw;
    }
    if (flat_ && flat_line_color_ != clNone)
      ops.push_back({TComboDrawOp::Line, Rect(r.Left - 2, h - 1, r.Right - bw - 1, h), flat_line_color_});
  }
  // The button's edge, unless the theme draws the button.
  if (Style() != csSimple && (!is_win_xp_ || !ThemeInUse())) {
    ops.push_back({TComboDrawOp::ExcludeClip, Rect(w - bw + 4, 4, w - 4, h - 4)});
    TRect b = Shrunk(Rect(w - bw - 2, 0, w, h), 2);
    if (HotLook()) {
      ops.push_back({TComboDrawOp::Edge, b, clNone, etched_ ? EDGE_ETCHED : EDGE_RAISED,
                     BF_RECT | (DroppedDown() ? BF_FLAT : 0u)});
    } else {
      b = Rect(b.Left, b.Top + 1, b.Right - 1, b.Bottom - 1);
      ops.push_back({TComboDrawOp::Fill, b, clBtnFace});
    }
    ops.push_back({TComboDrawOp::ExcludeClip, b});
  }
  return ops;
}

void TAdvCustomCombo::RunOps(TCanvas& c, const TComboDrawOps& ops) {
  ThemeBinding& theme = ACXPVS();
  for (const TComboDrawOp& op : ops) {
    switch (op.kind) {
      case TComboDrawOp::Fill:
      case TComboDrawOp::Frame:
        c.Brush().SetStyle(TBrushStyle::bsSolid);
        c.Brush().SetColor(op.color);
        if (op.kind == TComboDrawOp::Fill) c.FillRect(op.rect);
        else c.FrameRect(op.rect);
        break;
      case TComboDrawOp::Edge: {
        TRect r = op.rect;
        DrawEdge(c, r, op.a, op.b);
        break;
      }
      case TComboDrawOp::FrameControl:
        DrawFrameControl(c, op.rect, op.a, op.b);
        break;
      case TComboDrawOp::ThemeBackground: {
        const ThemeHandle h = theme.OpenThemeData(this, "combobox");
        theme.DrawThemeBackground(h, c, static_cast<int>(op.a), static_cast<int>(op.b), op.rect, nullptr);
        theme.CloseThemeData(h);
        break;
      }
      case TComboDrawOp::Line:
        c.Pen().SetStyle(TPenStyle::psSolid);
        c.Pen().SetWidth(1);
        c.Pen().SetColor(op.color);
        c.MoveTo(op.rect.Left, op.rect.Top);
        c.LineTo(op.rect.Right, op.rect.Top);
        break;
      case TComboDrawOp::ExcludeClip:
        c.ExcludeClipRect(op.rect.Left, op.rect.Top, op.rect.Right, op.rect.Bottom);
        break;
    }
  }
}

void TAdvCustomCombo::Paint() {
  if (!DrawnPaint()) {
    TCustomComboBox::Paint();
    return;
  }
  TCanvas& c = Canvas();
  const int saved = c.SaveDC();
  if (Style() != csSimple) {
    // The look measures from the window's corner; the clip it leaves stays.
    const TPoint vp = c.ViewportOrg(), o = ClientOffset();
    c.SetViewportOrg(vp.X - o.X, vp.Y - o.Y);
    RunOps(c, BackgroundOps());
    c.SetViewportOrg(vp.X, vp.Y);
  }
  TCustomComboBox::Paint();
  c.RestoreDC(saved);
  TWindowCanvas window(*this);
  RunOps(window, BorderOps());
}

}  // namespace tavrel
