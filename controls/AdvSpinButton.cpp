#include "controls/AdvSpinButton.h"

#include <algorithm>

#include "platform/theme.h"
#include "platform/ui/edges.h"
#include "platform/ui/resources.h"

namespace tavrel {

namespace {

constexpr uint32_t kFirstDelay = 400, kRepeatDelay = 100;

const EnumInfo kDirectionInfo{"TSpinDirection", {"spVertical", "spHorizontal"}};

bool WindowsXPOrLater() {
  return PlatformMajorVersion > 5 || (PlatformMajorVersion == 5 && PlatformMinorVersion >= 1);
}

TBitmap DefaultGlyph(bool up) { return LoadBitmap(HInstance(), up ? "AdvSpinUp" : "AdvSpinDown"); }

}  // namespace

// ---- the repeating button ------------------------------------------------------

const ClassInfo& TAdvTimerSpeedButton::Class() {
  static const ClassInfo ci =
      ClassBuilder<TAdvTimerSpeedButton>("TAdvTimerSpeedButton", TSpeedButton::Class()).build();
  return ci;
}

TAdvTimerSpeedButton::TAdvTimerSpeedButton(TComponent* owner)
    : TSpeedButton(owner), is_win_xp_(WindowsXPOrLater()) {}

void TAdvTimerSpeedButton::SetButtonDirection(TButtonDirection v) {
  if (v == direction_) return;
  direction_ = v;
  Invalidate();
}

void TAdvTimerSpeedButton::InvalidateParent() {
  if (Parent()) Parent()->Invalidate();
}

void TAdvTimerSpeedButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TSpeedButton::MouseDown(b, s, x, y);
  if (time_state_ & tbAllowTimer) {
    if (!timer_) {
      timer_ = TComponent::Create<TTimer>(this);
      timer_->SetOnTimer(TNotifyEvent([this](TObject*) { TimerExpired(); }));
    }
    timer_->SetEnabled(false);
    timer_->SetInterval(kFirstDelay);
    timer_->SetEnabled(true);
  }
  InvalidateParent();
}

void TAdvTimerSpeedButton::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  TSpeedButton::MouseUp(b, s, x, y);
  if (timer_) timer_->SetEnabled(false);
  InvalidateParent();
}

void TAdvTimerSpeedButton::TimerExpired() {
  timer_->SetInterval(kRepeatDelay);
  if (State() != TButtonState::bsDown || !MouseCapture()) return;
  try {
    Click();
  } catch (...) {
    if (timer_) timer_->SetEnabled(false);
    throw;
  }
}

void TAdvTimerSpeedButton::Notification(TComponent* c, TOperation op) {
  TSpeedButton::Notification(c, op);
  if (op == TOperation::opRemove && c == timer_) timer_ = nullptr;
}

void TAdvTimerSpeedButton::WndProc(TMessage& m) {
  if ((m.Msg == CM_MOUSEENTER || m.Msg == CM_MOUSELEAVE) && m.LParam == 0) {
    has_mouse_ = m.Msg == CM_MOUSEENTER;
    Invalidate();
  }
  TSpeedButton::WndProc(m);
}

void TAdvTimerSpeedButton::Paint() {
  const bool pressed = State() == TButtonState::bsDown;
  ThemeBinding& theme = ASXPVS();
  if (is_win_xp_ && theme.IsThemeActive()) {
    static constexpr int kPart[] = {4, 3, 1, 2};  // bdLeft, bdRight, bdUp, bdDown
    const int state = !Enabled() ? 4 : pressed ? 3 : has_mouse_ ? 2 : 1;
    const ThemeHandle h = theme.OpenThemeData(Parent(), "spin");
    theme.DrawThemeBackground(h, Canvas(), kPart[direction_], state, ClientRect(), nullptr);
    theme.CloseThemeData(h);
    return;
  }
  if (direction_ == bdLeft || direction_ == bdRight) {
    uint32_t flags = direction_ == bdLeft ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT;
    if (!Enabled()) flags |= DFCS_INACTIVE;
    if (pressed) flags |= DFCS_PUSHED;
    if (Flat()) flags |= DFCS_FLAT;
    DrawFrameControl(Canvas(), ClientRect(), DFC_SCROLL, flags);
    return;
  }
  TSpeedButton::Paint();
}

// ---- the pair -------------------------------------------------------------------

const ClassInfo& TAdvSpinButton::Class() {
  static const ClassInfo ci =
      ClassBuilder<TAdvSpinButton>("TAdvSpinButton", TCustomControl::Class())
          .prop("Direction", &TAdvSpinButton::Direction, &TAdvSpinButton::SetDirection)
          .enumType(kDirectionInfo)
          .defaultValue(int64_t{spVertical})
          .prop("DownGlyph", &TAdvSpinButton::DownGlyphData)
          .prop("DownNumGlyphs", &TAdvSpinButton::DownNumGlyphs, &TAdvSpinButton::SetDownNumGlyphs)
          .defaultValue(int64_t{1})
          .prop("FocusControl", &TAdvSpinButton::FocusControl, &TAdvSpinButton::SetFocusControl)
          .prop("UpGlyph", &TAdvSpinButton::UpGlyphData)
          .prop("UpNumGlyphs", &TAdvSpinButton::UpNumGlyphs, &TAdvSpinButton::SetUpNumGlyphs)
          .defaultValue(int64_t{1})
          .event("OnUpClick", &TAdvSpinButton::OnUpClick)
          .event("OnDownClick", &TAdvSpinButton::OnDownClick)
          .build();
  return ci;
}

TAdvSpinButton::TAdvSpinButton(TComponent* owner) : TCustomControl(owner) {
  style_ = (style_ & ~(csAcceptsControls | csSetCaption)) | csOpaque;
  for (bool up : {true, false}) {
    auto* b = TComponent::Create<TAdvTimerSpeedButton>(this);
    b->SetParent(this);
    b->OnClick = TNotifyEvent([this](TObject* sender) { BtnClick(sender); });
    b->OnMouseDown = TMouseEvent(
        [this](TObject* sender, TMouseButton button, TShiftState, int, int) { BtnMouseDown(sender, button); });
    b->SetTimeBtnState(tbAllowTimer);
    b->SetGlyph(DefaultGlyph(up));
    b->SetButtonDirection(up ? bdUp : bdDown);
    (up ? up_ : down_) = b;
  }
  focused_ = up_;
  SetBounds(0, 0, 15, 25);
}

void TAdvSpinButton::Layout(int& w, int& h) {
  if (HasState(csLoading) || !up_ || !down_) return;
  if (direction_ == spVertical) {
    w = std::max(w, 15);
    const int bh = (h + 2) / 2;
    up_->SetBounds(0, 0, w, bh);
    down_->SetBounds(0, bh, w, bh);
  } else {
    w = std::max(w, 20);
    const int bw = w / 2;
    down_->SetBounds(0, 0, bw, h);
    up_->SetBounds(bw + 1, 0, bw, h);
  }
}

void TAdvSpinButton::SetBounds(int left, int top, int width, int height) {
  Layout(width, height);
  TCustomControl::SetBounds(left, top, width, height);
}

void TAdvSpinButton::Loaded() {
  TCustomControl::Loaded();
  int w = Width(), h = Height();
  Layout(w, h);
  if (w != Width() || h != Height()) SetBounds(Left(), Top(), w, h);
}

void TAdvSpinButton::SetDirection(TSpinDirection v) {
  if (v == direction_) return;
  direction_ = v;
  up_->SetButtonDirection(v == spVertical ? bdUp : bdRight);
  down_->SetButtonDirection(v == spVertical ? bdDown : bdLeft);
  SetBounds(Left(), Top(), v == spVertical ? 15 : 20, Height());
  Invalidate();
}

void TAdvSpinButton::SetButtonGlyph(TAdvTimerSpeedButton* b, const TBitmap& v, bool up) {
  if (!v.Empty()) {
    b->SetGlyph(v);
    return;
  }
  b->SetGlyph(DefaultGlyph(up));
  b->SetNumGlyphs(1);
  b->Invalidate();
}

void TAdvSpinButton::SetFocusControl(TWinControl* c) {
  if (c == focus_control_) return;
  if (focus_control_) focus_control_->RemoveFreeNotification(this);
  focus_control_ = c;
  if (c) c->FreeNotification(this);
}

void TAdvSpinButton::Notification(TComponent* c, TOperation op) {
  TCustomControl::Notification(c, op);
  if (op != TOperation::opRemove) return;
  if (c == focus_control_) focus_control_ = nullptr;
  if (c == up_) up_ = nullptr;
  if (c == down_) down_ = nullptr;
  if (c == focused_) focused_ = nullptr;
}

void TAdvSpinButton::BtnClick(TObject* sender) {
  if (sender == up_) {
    if (OnUpClick) OnUpClick(this);
  } else if (OnDownClick) {
    OnDownClick(this);
  }
}

void TAdvSpinButton::BtnMouseDown(TObject* sender, TMouseButton b) {
  if (b != TMouseButton::mbLeft) return;
  SetFocusBtn(static_cast<TAdvTimerSpeedButton*>(sender));
  if (focus_control_ && focus_control_->TabStop() && focus_control_->CanFocus() && !focus_control_->Focused())
    focus_control_->SetFocus();
  else if (TabStop() && !Focused() && CanFocus())
    SetFocus();
}

void TAdvSpinButton::SetFocusBtn(TAdvTimerSpeedButton* b) {
  if (!TabStop() || !CanFocus() || b == focused_) return;
  if (focused_) focused_->SetTimeBtnState(focused_->TimeBtnState() & ~tbFocusRect);
  focused_ = b;
  if (Focused()) {
    b->SetTimeBtnState(b->TimeBtnState() | tbFocusRect);
    b->Invalidate();
  }
}

void TAdvSpinButton::KeyDown(uint16_t& key, TShiftState s) {
  TCustomControl::KeyDown(key, s);
  switch (key) {
    case VK_SPACE:
      if (focused_) focused_->Click();
      break;
    case VK_UP:
      SetFocusBtn(up_);
      up_->Click();
      break;
    case VK_DOWN:
      SetFocusBtn(down_);
      down_->Click();
      break;
    default:
      break;
  }
}

void TAdvSpinButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (focused_) {
        const TTimeBtnState s = focused_->TimeBtnState();
        focused_->SetTimeBtnState(m.Msg == WM_SETFOCUS ? s | tbFocusRect : s & ~tbFocusRect);
        focused_->Invalidate();
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(m);
}

}  // namespace tavrel
