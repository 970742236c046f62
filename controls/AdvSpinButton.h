#pragma once
// The spin edit's arrow buttons: TAdvTimerSpeedButton, a speed button that
// clicks again and again while held, and TAdvSpinButton, a window holding
// an up and a down button of that kind, stacked or side by side.
//
//   auto* pair = TComponent::Create<TAdvSpinButton>(form);
//   pair->SetParent(form);
//   pair->SetDirection(spHorizontal);       // down on the left, up on the right
//   pair->SetBounds(10, 10, 20, 17);
//   pair->OnUpClick = TNotifyEvent([&](TObject*) { Step(+1); });
//
// Holding a button gives one click 400 ms after the press and one every
// 100 ms after that while it stays pressed and keeps the mouse capture,
// plus the ordinary click when it is released over the button. The pair
// answers arrow keys: Space clicks the focused button (the up one at
// first), Up and Down click their buttons.
//
// Drawing: in the running visual theme when one is active (the ASXPVS
// binding, class "spin"); otherwise left and right arrows as scroll-bar
// arrow buttons and up and down arrows as speed buttons with a glyph (by
// default the program's resources "AdvSpinUp" and "AdvSpinDown": a 9 x 6
// black triangle on an olive, transparent, background).
#include <cstdint>

#include "controls/PictureData.h"
#include "platform/ui/speedbutton.h"
#include "platform/ui/timer.h"

namespace tavrel {

enum TTimeBtnStateFlag : uint8_t { tbFocusRect = 1, tbAllowTimer = 2 };
using TTimeBtnState = uint8_t;
enum TButtonDirection { bdLeft, bdRight, bdUp, bdDown };
enum TSpinDirection { spVertical, spHorizontal };

class TAdvTimerSpeedButton : public TSpeedButton {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvTimerSpeedButton(TComponent* owner);

  TTimeBtnState TimeBtnState() const { return time_state_; }
  void SetTimeBtnState(TTimeBtnState v) { time_state_ = v; }
  TButtonDirection ButtonDirection() const { return direction_; }
  void SetButtonDirection(TButtonDirection v);
  // Windows 5.1 or later, fixed at creation: the themed look may apply.
  bool IsWinXP() const { return is_win_xp_; }
  bool HasMouse() const { return has_mouse_; }
  // Made by the first press of a repeating button.
  TTimer* RepeatTimer() const { return timer_; }
  void Click() override { TSpeedButton::Click(); }

  void WndProc(TMessage& m) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void Notification(TComponent* c, TOperation op) override;

 private:
  void TimerExpired();
  void InvalidateParent();
  TTimer* timer_ = nullptr;
  TTimeBtnState time_state_ = 0;
  TButtonDirection direction_ = bdUp;
  bool is_win_xp_ = false;
  bool has_mouse_ = false;
};

class TAdvSpinButton : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvSpinButton(TComponent* owner);

  TSpinDirection Direction() const { return direction_; }
  void SetDirection(TSpinDirection v);
  // Writing an empty bitmap gives the button its default glyph and one image.
  const TBitmap& UpGlyph() const { return up_->Glyph(); }
  void SetUpGlyph(const TBitmap& v) { SetButtonGlyph(up_, v, true); }
  const TBitmap& DownGlyph() const { return down_->Glyph(); }
  void SetDownGlyph(const TBitmap& v) { SetButtonGlyph(down_, v, false); }
  // "UpGlyph" and "DownGlyph" in form data (PictureData.h).
  const TBitmapData* UpGlyphData() const { return &up_glyph_data_; }
  const TBitmapData* DownGlyphData() const { return &down_glyph_data_; }
  int UpNumGlyphs() const { return up_->NumGlyphs(); }
  void SetUpNumGlyphs(int v) { up_->SetNumGlyphs(v); }
  int DownNumGlyphs() const { return down_->NumGlyphs(); }
  void SetDownNumGlyphs(int v) { down_->SetNumGlyphs(v); }
  // Receives the focus when a button is pressed; cleared when it goes.
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* c);

  TAdvTimerSpeedButton* UpButton() const { return up_; }
  TAdvTimerSpeedButton* DownButton() const { return down_; }
  // The button the space bar clicks.
  TAdvTimerSpeedButton* FocusedButton() const { return focused_; }

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& m) override;

  TNotifyEvent OnUpClick, OnDownClick;

 protected:
  void Loaded() override;
  void KeyDown(uint16_t& key, TShiftState s) override;
  void Notification(TComponent* c, TOperation op) override;

 private:
  // The size the layout rule gives a requested one; lays the buttons out.
  void Layout(int& w, int& h);
  void SetButtonGlyph(TAdvTimerSpeedButton* b, const TBitmap& v, bool up);
  void SetFocusBtn(TAdvTimerSpeedButton* b);
  void BtnClick(TObject* sender);
  void BtnMouseDown(TObject* sender, TMouseButton b);

  TAdvTimerSpeedButton* up_ = nullptr;
  TAdvTimerSpeedButton* down_ = nullptr;
  TAdvTimerSpeedButton* focused_ = nullptr;
  TWinControl* focus_control_ = nullptr;
  TSpinDirection direction_ = spVertical;
  TBitmapData up_glyph_data_{[this]() -> const TBitmap& { return UpGlyph(); },
                             [this](const TBitmap& b) { SetUpGlyph(b); }};
  TBitmapData down_glyph_data_{[this]() -> const TBitmap& { return DownGlyph(); },
                               [this](const TBitmap& b) { SetDownGlyph(b); }};
};

}  // namespace tavrel
