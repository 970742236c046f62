#pragma once
// TVrLabel: a one-line caption drawn at any angle from 0 to 359 degrees,
// plain, raised, lowered or with a drop shadow, optionally filled with a
// bitmap, placed by its own alignment and layout with a 2-pixel margin.
//
//   auto* l = TComponent::Create<TVrLabel>(form);
//   l->SetParent(panel);
//   l->SetBounds(4, 32, 17, 57);
//   l->SetAngle(90);  l->SetStyle(lsNone);  l->SetTransparent(true);
//   l->SetCaption("Entrée");                 // reads bottom to top, centred
//
// A new label is 100 by 25, clBtnFace, Arial 14, centred both ways,
// lsRaised with a white highlight and a gray shadow 2 pixels deep.
#include <string>

#include "controls/PictureData.h"
#include "controls/VrControls.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {

enum TVrLabelStyle { lsNone, lsRaised, lsLowered, lsShadow };
using TVrTextAngle = uint16_t;  // degrees, 0..359

// Top-left corner from which a caption of unturned size `text`, turned by
// `angle` degrees, is drawn in a client area of `client`: 2 pixels from the
// edges for left/right and top/bottom, centred otherwise, and never left
// of the left-justified place.
TPoint CalcTextOrigin(TSize text, int angle, TAlignment alignment, TTextLayout layout,
                      TSize client);

// The size the auto-size rule gives a caption of unturned size `text`
// turned by `angle`: only the width for a left or right alignment, only
// the height for a top or bottom one, both when not aligned.
void CalcAutoSize(TSize text, int angle, TAlign align, int& width, int& height);

class TVrLabel : public TVrGraphicImageControl {
  TAVREL_CLASS_INFO
 public:
  explicit TVrLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  TColor ColorHighlight() const { return color_highlight_; }
  void SetColorHighlight(TColor v);
  TColor ColorShadow() const { return color_shadow_; }
  void SetColorShadow(TColor v);
  TVrLabelStyle Style() const { return label_style_; }
  void SetStyle(TVrLabelStyle v);
  int ShadowDepth() const { return shadow_depth_; }
  void SetShadowDepth(int v);
  // Copies the picture; an empty one switches the fill off.
  const TBitmap& Bitmap() const { return bitmap_; }
  void SetBitmap(const TBitmap& v);
  // "Bitmap" in form data (PictureData.h).
  const TBitmapData* BitmapData() const { return &bitmap_data_; }
  TVrTextAngle Angle() const { return angle_; }
  void SetAngle(TVrTextAngle v);  // taken modulo 360
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);

  // Unturned size of the caption, as the last paint or size query measured it.
  TSize TextSize() const { return text_size_; }

 protected:
  void Paint() override;
  bool CanAutoSize(int& w, int& h) override;
  void DoFontChanged() override;
  void DoTextChanged() override;

 private:
  void MeasureCaption();
  template <class T>
  void Store(T& field, T v);

  TAlignment alignment_ = taCenter;
  TTextLayout layout_ = tlCenter;
  TColor color_highlight_ = clWhite;
  TColor color_shadow_ = clGray;
  TVrLabelStyle label_style_ = lsRaised;
  int shadow_depth_ = 2;
  TBitmap bitmap_;
  TBitmapData bitmap_data_{[this]() -> const TBitmap& { return bitmap_; },
                           [this](const TBitmap& b) { SetBitmap(b); }};
  TVrTextAngle angle_ = 0;
  TSize text_size_;
};

}  // namespace tavrel
