#include "controls/htmlbtns.h"

#include <array>

#include "controls/htmlbtnsMarkup.h"
#include "controls/versiontext.h"
#include "platform/classinfo.h"
#include "platform/theme.h"
#include "platform/ui/drawtext.h"
#include "platform/ui/edges.h"

namespace tavrel {
namespace {

// Themed box state numbers: unchecked 1..4, checked 5..8, grayed 9..12,
// each as normal, hot, pressed, disabled.
int ThemedBoxState(TCheckBoxState state, bool enabled, bool down, bool hot) {
  const int base = 4 * static_cast<int>(state);
  if (!enabled) return base + 4;
  if (down) return base + 3;
  if (hot) return base + 2;
  return base + 1;
}

bool WindowsXPOrLater() {
  return PlatformMajorVersion > 5 || (PlatformMajorVersion == 5 && PlatformMinorVersion >= 1);
}

bool IsAddress(const std::string& anchor) {
  return anchor.find("://") != std::string::npos || anchor.find("mailto:") != std::string::npos;
}

}  // namespace

const EnumInfo& ButtonTypeInfo() {
  static const EnumInfo info{"TButtonType", {"btClassic", "btBorland", "btFlat", "btKIV", "btWinXP", "btTheme"}};
  return info;
}

const EnumInfo& CheckBoxStateInfo() {
  static const EnumInfo info{"TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}};
  return info;
}

bool IsThemedComCtl() {
  return WindowsXPOrLater() && BtnXPVS().IsThemeActive() && CommonControlsMajorVersion > 5;
}

const ClassInfo& TCustomHTMLCheckBox::Class() {
  static const ClassInfo ci =
      ClassBuilder<TCustomHTMLCheckBox>("TCustomHTMLCheckBox", TCustomControl::Class()).build();
  return ci;
}

const ClassInfo& THTMLCheckBox::Class() {
  using C = THTMLCheckBox;
  static const ClassInfo ci = ClassBuilder<C>("THTMLCheckBox", TCustomHTMLCheckBox::Class())
                                  .prop("Alignment", &C::Alignment, &C::SetAlignment)
                                  .enumType(AlignmentInfo())
                                  .defaultValue(int64_t{taLeftJustify})
                                  .prop("ButtonType", &C::ButtonType, &C::SetButtonType)
                                  .enumType(ButtonTypeInfo())
                                  .defaultValue(int64_t{btClassic})
                                  .prop("ButtonVertAlign", &C::ButtonVertAlign, &C::SetButtonVertAlign)
                                  .enumType(TextLayoutInfo())
                                  .defaultValue(int64_t{tlTop})
                                  .prop("CheckColor", &C::CheckColor, &C::SetCheckColor)
                                  .typeName("TColor")
                                  .defaultValue(int64_t{clBlack})
                                  .prop("Down", &C::Down, &C::SetDown)
                                  .defaultValue(false)
                                  .prop("Ellipsis", &C::Ellipsis, &C::SetEllipsis)
                                  .defaultValue(false)
                                  .prop("Images", &C::Images, &C::SetImages)
                                  .prop("PictureContainer", &C::PictureContainer, &C::SetPictureContainer)
                                  .prop("ReadOnly", &C::ReadOnly, &C::SetReadOnly)
                                  .defaultValue(false)
                                  .prop("ReturnIsTab", &C::ReturnIsTab, &C::SetReturnIsTab)
                                  .prop("ShadowColor", &C::ShadowColor, &C::SetShadowColor)
                                  .typeName("TColor")
                                  .defaultValue(int64_t{clGray})
                                  .prop("ShadowOffset", &C::ShadowOffset, &C::SetShadowOffset)
                                  .defaultValue(int64_t{1})
                                  .prop("State", &C::State, &C::SetState)
                                  .enumType(CheckBoxStateInfo())
                                  .defaultValue(int64_t{cbUnchecked})
                                  .prop("Transparent", &C::Transparent, &C::SetTransparent)
                                  .defaultValue(false)
                                  .prop("URLColor", &C::URLColor, &C::SetURLColor)
                                  .typeName("TColor")
                                  .defaultValue(int64_t{clBlue})
                                  .prop("Version", &C::Version, &C::SetVersion)
                                  .prop("Checked", &C::Checked, &C::SetChecked)
                                  .defaultValue(false)
                                  .event("OnAnchorClick", &C::OnAnchorClick)
                                  .event("OnAnchorEnter", &C::OnAnchorEnter)
                                  .event("OnAnchorExit", &C::OnAnchorExit)
                                  .build();
  return ci;
}

TCustomHTMLCheckBox::TCustomHTMLCheckBox(TComponent* owner)
    : TCustomControl(owner), is_win_xp_(WindowsXPOrLater()) {
  // Clicks and capture are this control's own doing: a press on an anchor
  // must neither capture the mouse nor turn into a click.
  style_ &= ~(csClickEvents | csCaptureMouse);
  SetBounds(Left(), Top(), 98, 20);
}

TCustomHTMLCheckBox::~TCustomHTMLCheckBox() = default;

std::string TCustomHTMLCheckBox::Version() const { return VersionText(VersionNumber()); }

void THTMLCheckBox::SetChecked(bool v) {
  SetState(v ? cbChecked : cbUnchecked);
  Invalidate();
}

// ---- properties ---------------------------------------------------------------------

void TCustomHTMLCheckBox::SetState(TCheckBoxState v) {
  if (v == State()) return;
  state_.store(v, std::memory_order_release);
  InvalidateBox();
}

void TCustomHTMLCheckBox::Toggle() {
  if (read_only_) return;
  state_.store(State() == cbChecked ? cbUnchecked : cbChecked, std::memory_order_release);
  Invalidate();
}

void TCustomHTMLCheckBox::SetButtonType(TButtonType v) {
  button_type_ = v;
  Invalidate();
}

void TCustomHTMLCheckBox::SetAlignment(TAlignment v) {
  if (v == taCenter || v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TCustomHTMLCheckBox::SetButtonVertAlign(TTextLayout v) {
  if (v == btn_valign_) return;
  btn_valign_ = v;
  Invalidate();
}

void TCustomHTMLCheckBox::SetEllipsis(bool v) {
  if (v == ellipsis_) return;
  ellipsis_ = v;
  Invalidate();
}

void TCustomHTMLCheckBox::SetTransparent(bool v) {
  if (v != transparent_) {
    transparent_ = v;
    bkg_cache_ = false;
  }
  Invalidate();
}

void TCustomHTMLCheckBox::SetCheckColor(TColor v) {
  check_color_ = v;
  Repaint();
}

void TCustomHTMLCheckBox::SetURLColor(TColor v) {
  if (v == url_color_) return;
  url_color_ = v;
  Invalidate();
}

void TCustomHTMLCheckBox::SetShadowColor(TColor v) {
  if (v == shadow_color_) return;
  shadow_color_ = v;
  Invalidate();
}

void TCustomHTMLCheckBox::SetShadowOffset(int v) {
  if (v == shadow_offset_) return;
  shadow_offset_ = v;
  Invalidate();
}

void TCustomHTMLCheckBox::SetImages(TImageList* v) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TCustomHTMLCheckBox::SetPictureContainer(TPictureContainer* v) {
  if (container_) container_->RemoveFreeNotification(this);
  container_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TCustomHTMLCheckBox::Notification(TComponent* c, TOperation op) {
  TCustomControl::Notification(c, op);
  if (op != TOperation::opRemove) return;
  if (c == images_) images_ = nullptr;
  if (c == container_) container_ = nullptr;
}

void TCustomHTMLCheckBox::SetBounds(int left, int top, int width, int height) {
  TCustomControl::SetBounds(left, top, width, height);
  if (transparent_) {
    bkg_cache_ = false;
    Invalidate();
  }
}

void TCustomHTMLCheckBox::Loaded() {
  TCustomControl::Loaded();
  old_cursor_ = Cursor();
}

// ---- layout --------------------------------------------------------------------------

bool TCustomHTMLCheckBox::Themed() { return is_win_xp_ && BtnXPVS().IsThemeActive(); }

TButtonType TCustomHTMLCheckBox::EffectiveButtonType() {
  if (button_type_ != btTheme) return button_type_;
  return IsThemedComCtl() ? btWinXP : btClassic;
}

TRect TCustomHTMLCheckBox::BoxRect() {
  const bool themed = Themed();
  const TButtonType style = EffectiveButtonType();
  const TRect cr = ClientRect();
  const int r = cr.Right, b = cr.Bottom, mid = (cr.Bottom - cr.Top) / 2;
  const bool left = alignment_ != taRightJustify;
  auto place = [&](int x, int top, int centre, int bottom, int w, int h) {
    const int y = btn_valign_ == tlTop ? top : btn_valign_ == tlCenter ? centre : bottom;
    return Bounds(x, y, w, h);
  };
  switch (style) {
    case btBorland:
      return place(left ? 1 : r - 13, 4, mid - 6, b - 16, 12, 12);
    case btKIV:
      return place(left ? 0 : r - 21, 0, mid - 10, b - 20, 20, 20);
    case btWinXP:
      if (themed) return place(left ? 0 : r - 15, 4, mid - 6, b - 14, 14, 14);
      return place(left ? 0 : r - 17, 2, mid - 8, b - 16, 16, 16);
    default:
      return place(left ? 0 : r - 13, 4, mid - 6, b - 17, 13, 13);
  }
}

TRect TCustomHTMLCheckBox::CaptionLayout(TButtonType style, bool themed) const {
  const bool pictures = style == btKIV || (style == btWinXP && !themed);
  const int gap = pictures ? 10 : 5;
  TRect r = ClientRect();
  if (alignment_ == taRightJustify) {
    r.Left = 0;
    r.Right -= 12 + gap;
  } else {
    r.Left += 12 + gap;
  }
  r.Top += 4;
  return r;
}

// ---- painting --------------------------------------------------------------------------

void TCustomHTMLCheckBox::InvalidateBox() {
  TRect r = ClientRect();
  if (alignment_ == taRightJustify)
    r.Left = r.Right - 20;
  else
    r.Right = r.Left + 20;
  InvalidateRect(r);
}

void TCustomHTMLCheckBox::PaintBorlandBox(TCanvas& c, int x, int y) {
  const int x2 = x + 12, y2 = y + 12;
  c.Brush().SetColor(clBtnFace);
  if (!down_) {
    c.Pen().SetColor(clBtnFace);
    c.Rectangle(x, y, x2, y2);
    c.Pen().SetColor(clBtnHighlight);
    c.MoveTo(x, y2);
    c.LineTo(x, y);
    c.LineTo(x2, y);
    c.Pen().SetColor(clBtnShadow);
    c.LineTo(x2, y2);
    c.LineTo(x, y2);
  } else {
    c.Pen().SetColor(clBlack);
    c.Pen().SetWidth(2);
    c.Rectangle(x + 1, y + 1, x + 13, y + 13);
    c.Pen().SetWidth(1);
  }
  const TCheckBoxState state = State();
  if (state == cbChecked) {
    c.Pen().SetColor(Enabled() ? check_color_ : clGray);
    c.Pen().SetWidth(1);
    const std::array<std::array<int, 4>, 4> marks = {
        {{2, 6, 2, 10}, {3, 5, 3, 9}, {2, 10, 10, 2}, {3, 10, 11, 2}}};
    for (const auto& m : marks) {
      c.MoveTo(x + m[0], y + m[1]);
      c.LineTo(x + m[2], y + m[3]);
    }
  } else if (state == cbGrayed) {
    const TRect inner = Rect(x + 2, y + 2, x2 - 1, y2 - 1);
    if (down_) {
      c.Brush().SetColor(clBtnFace);
      c.FillRect(inner);
    }
    c.Brush().SetColor(clBtnShadow);
    c.FillRect(inner);
  }
}

void TCustomHTMLCheckBox::PaintBox(TCanvas& c, TButtonType style, bool themed) {
  const TRect box = BoxRect();
  const TCheckBoxState state = State();
  const bool checked = state == cbChecked;
  switch (style) {
    case btBorland:
      PaintBorlandBox(c, box.Left, box.Top);
      return;
    case btKIV:
    case btWinXP:
      if (style == btWinXP && themed) {
        ThemeBinding& theme = BtnXPVS();
        const ThemeHandle h = theme.OpenThemeData(this, "button");
        theme.DrawThemeBackground(h, c, 3, ThemedBoxState(state, Enabled(), down_, hot_), box, nullptr);
        theme.CloseThemeData(h);
      } else {
        // Pictures 1..4 (20 x 20) or 5..8 (16 x 16): checked, unchecked, then disabled.
        const int number = (style == btKIV ? 1 : 5) + (checked ? 0 : 1) + (Enabled() ? 0 : 2);
        TBitmap picture = CheckBoxPicture(number);
        c.Draw(box.Left, box.Top, picture);
      }
      return;
    default: {
      uint32_t flags = DFCS_BUTTONCHECK;
      if (!Enabled() || state == cbGrayed) flags |= DFCS_INACTIVE;
      if (checked) flags |= DFCS_CHECKED;
      if (style == btFlat) flags |= DFCS_FLAT;
      DrawFrameControl(c, box, DFC_BUTTON, flags);
    }
  }
}

void TCustomHTMLCheckBox::Paint() {
  TCanvas& c = Canvas();
  c.Font().Assign(Font());
  if (transparent_) {
    if (transparent_caching_) {
      if (!bkg_cache_) {
        bkg_bmp_.SetSize(Width(), Height());
        PaintParentBackground(*this, bkg_bmp_.Canvas());
        bkg_cache_ = true;
      }
      c.Draw(0, 0, bkg_bmp_);
    } else {
      PaintParentBackground(*this, c);
    }
  }
  const bool themed = Themed();
  const TButtonType style = EffectiveButtonType();
  PaintBox(c, style, themed);

  const TRect r = CaptionLayout(style, themed);
  TMarkupParams p = CaptionParams();
  TMarkupResult res;
  c.Brush().SetStyle(TBrushStyle::bsClear);
  if (Enabled()) {
    RenderMarkupText(c, Caption(), r, p, res);
  } else {
    // Embossed: a white copy one pixel down and right under the gray text.
    c.Font().SetColor(clWhite);
    p.URLColor = clWhite;
    RenderMarkupText(c, Caption(), Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1), p, res);
    c.Font().SetColor(clGray);
    p.URLColor = clGray;
    RenderMarkupText(c, Caption(), r, p, res);
  }
  caption_rect_ = r;
  caption_extent_ = {res.ExtentX, res.ExtentY};
  if (focused_) c.DrawFocusRect(Rect(r.Left, r.Top, r.Left + res.ExtentX + 3, r.Top + res.ExtentY + 1));
}

TMarkupParams TCustomHTMLCheckBox::CaptionParams() {
  TMarkupParams p;
  p.Images = images_;
  p.ShadowOffset = shadow_offset_;
  p.ShadowColor = shadow_color_;
  p.WordWrap = !ellipsis_;
  p.URLColor = url_color_;
  p.PictureCache = &image_cache_;
  p.PictureContainer = container_;
  return p;
}

std::string TCustomHTMLCheckBox::AnchorAtPoint(int x, int y) {
  TCanvas& c = Canvas();
  c.Font().Assign(Font());
  TMarkupParams p = CaptionParams();
  p.HitX = x;
  p.HitY = y;
  p.HitTestOnly = true;
  TMarkupResult res;
  // Hit-tested where the caption is painted.
  const TRect r = CaptionLayout(EffectiveButtonType(), Themed());
  return RenderMarkupText(c, Caption(), r, p, res) ? res.HitAnchor : std::string();
}

// ---- input ----------------------------------------------------------------------------

void TCustomHTMLCheckBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (b != TMouseButton::mbLeft) {
    TCustomControl::MouseDown(b, s, x, y);
    return;
  }
  mouse_down_ = true;
  std::string anchor;
  if (focused_) {
    anchor = AnchorAtPoint(x, y);
    if (!anchor.empty()) {
      // An anchor press is the anchor's: no toggle and no click follow.
      mouse_down_ = false;
      if (IsAddress(anchor)) {
        url_opener_(anchor);
      } else if (OnAnchorClick) {
        OnAnchorClick(this, anchor);
      }
    }
  } else {
    if (CanFocus()) SetFocus();
    focused_ = true;
  }
  if (anchor.empty()) {
    TCustomControl::MouseDown(b, s, x, y);
    SetMouseCapture(true);
    down_ = true;
  }
  if (is_win_xp_ && (button_type_ == btWinXP || button_type_ == btTheme)) InvalidateBox();
}

void TCustomHTMLCheckBox::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (b != TMouseButton::mbLeft) {
    TCustomControl::MouseUp(b, s, x, y);
    return;
  }
  SetMouseCapture(false);
  down_ = false;
  if (x >= 0 && y >= 0 && x <= Width() && y <= Height() && focused_ && mouse_down_) {
    Toggle();
    Click();
  }
  mouse_down_ = false;
  TCustomControl::MouseUp(b, s, x, y);
  if (is_win_xp_ && (button_type_ == btWinXP || button_type_ == btTheme)) InvalidateBox();
}

void TCustomHTMLCheckBox::MouseMove(TShiftState s, int x, int y) {
  if (MouseCapture()) down_ = x >= 0 && y >= 0 && x <= Width() && y <= Height();
  const std::string anchor = AnchorAtPoint(x, y);
  if (!anchor.empty()) {
    if (Cursor() == crDefault || anchor != anchor_) {
      anchor_ = anchor;
      SetCursor(crHandPoint);
      if (OnAnchorEnter) OnAnchorEnter(this, anchor);
    }
  } else if (Cursor() == crHandPoint) {
    SetCursor(old_cursor_);
    if (OnAnchorExit) OnAnchorExit(this, "");
  }
  TCustomControl::MouseMove(s, x, y);
}

void TCustomHTMLCheckBox::KeyDown(uint16_t& key, TShiftState s) {
  bool tab = false;
  if (key == VK_RETURN && return_is_tab_) {
    key = VK_TAB;
    PostMessage(Handle(), WM_KEYDOWN, VK_TAB, 0);
    tab = true;
  }
  if (key == VK_SPACE) down_ = true;
  TCustomControl::KeyDown(key, s);
  // The posted Tab moves the focus; this key must not move it a second time.
  if (tab) key = 0;
}

void TCustomHTMLCheckBox::KeyUp(uint16_t& key, TShiftState s) {
  if (key == VK_SPACE) {
    down_ = false;
    Toggle();
    Click();
  }
  TCustomControl::KeyUp(key, s);
}

void TCustomHTMLCheckBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (transparent_) {
        m.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && CanFocus()) {
        Toggle();
        if (TabStop()) SetFocus();
        m.Result = 1;
        return;
      }
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      // Handled here alone: the parent does not learn of them.
      if (m.LParam == 0) {
        hot_ = m.Msg == CM_MOUSEENTER;
        if (button_type_ == btWinXP || button_type_ == btTheme) InvalidateBox();
      }
      return;
    default:
      break;
  }
  TCustomControl::WndProc(m);
  switch (m.Msg) {
    case WM_SETFOCUS:
      focused_ = true;
      Invalidate();
      break;
    case WM_KILLFOCUS:
      focused_ = false;
      Invalidate();
      break;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
}

}  // namespace tavrel
