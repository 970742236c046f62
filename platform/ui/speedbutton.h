#pragma once
// TSpeedButton: a windowless button showing a glyph. A left press draws it
// down while the pointer stays over it (it holds the mouse capture
// meanwhile); the release over it clicks.
//
//   auto* b = TComponent::Create<TSpeedButton>(form);
//   b->SetParent(panel);
//   b->SetBounds(0, 0, 15, 12);
//   b->Glyph().Assign(arrow);          // transparent colour: its bottom-left pixel
//   b->OnClick = TNotifyEvent([&](TObject*) { Step(); });
//
// The glyph may hold up to four images side by side (NumGlyphs): up,
// disabled, down and held down; a missing disabled image is drawn embossed
// from the up image. It is centred and moves one pixel down and right
// while the button is down. A Flat button shows its edge only while the
// mouse is over it or it is down; a flat Transparent button leaves its
// background unpainted while up.
#include "platform/ui/controls.h"
#include "platform/ui/graphics.h"

namespace tavrel {

enum class TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
  TAVREL_CLASS_INFO
 public:
  explicit TSpeedButton(TComponent* owner);

  TBitmap& Glyph() { return glyph_; }
  const TBitmap& Glyph() const { return glyph_; }
  void SetGlyph(const TBitmap& v) { glyph_.Assign(v); }
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int v);  // 1..4; others ignored
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);

  // bsDown while pressed with the pointer over it; bsDisabled when disabled.
  TButtonState State() const { return state_; }
  bool MouseInControl() const { return mouse_in_; }

  void WndProc(TMessage& m) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

 private:
  // Draws the glyph image for the current state, centred in `r`.
  void DrawGlyph(TCanvas& c, const TRect& r);
  void SetState(TButtonState v);
  TBitmap glyph_;
  int num_glyphs_ = 1;
  bool flat_ = false;
  bool transparent_ = false;
  bool dragging_ = false;
  bool mouse_in_ = false;
  TButtonState state_ = TButtonState::bsUp;
};

}  // namespace tavrel
