#include "controls/VrLabel.h"

#include <cmath>
#include <numbers>

#include "controls/VrSysUtils.h"

namespace tavrel {

namespace {

int Trunc(double v) { return static_cast<int>(std::trunc(v)); }
double Radians(int angle) { return angle * std::numbers::pi / 180.0; }

const EnumInfo kStyleInfo{"TVrLabelStyle", {"lsNone", "lsRaised", "lsLowered", "lsShadow"}};

}  // namespace

TPoint CalcTextOrigin(TSize text, int a, TAlignment alignment, TTextLayout layout, TSize client) {
  const double w = text.cx, h = text.cy;
  const double c = std::cos(Radians(a)), s = std::sin(Radians(a));
  const double ac = std::fabs(c), as = std::fabs(s);
  // How far the origin lies right of / below the turned box's top-left corner.
  const int dx = (a > 90 && a < 270 ? Trunc(ac * w) : 0) + (a > 180 ? Trunc(as * h) : 0);
  const int dy = (a < 180 ? Trunc(as * w) : 0) + (a > 90 && a < 270 ? Trunc(ac * h) : 0);

  const int x0 = 2 + dx;
  int x = x0;
  if (alignment == taRightJustify) x = client.cx - (Trunc(ac * w + as * h) + 2) + dx;
  else if (alignment == taCenter) x = Trunc(client.cx / 2.0 - c * w / 2 - s * h / 2);
  x = MaxOfTwo(x0, x);

  int y = 2 + dy;
  if (layout == tlCenter) y = Trunc(client.cy / 2.0 - c * h / 2 + s * w / 2);
  else if (layout == tlBottom) y = client.cy - (Trunc(ac * h + as * w) + 2) + dy;
  return {x, y};
}

void CalcAutoSize(TSize text, int angle, TAlign align, int& width, int& height) {
  const double ac = std::fabs(std::cos(Radians(angle))), as = std::fabs(std::sin(Radians(angle)));
  if (align == alNone || align == alLeft || align == alRight)
    width = Trunc(ac * text.cx + as * text.cy) + 4;
  if (align == alNone || align == alTop || align == alBottom)
    height = Trunc(ac * text.cy + as * text.cx) + 4;
}

const ClassInfo& TVrLabel::Class() {
  static const ClassInfo ci =
      ClassBuilder<TVrLabel>("TVrLabel", TVrGraphicImageControl::Class())
          .prop("Alignment", &TVrLabel::Alignment, &TVrLabel::SetAlignment)
          .enumType(AlignmentInfo())
          .defaultValue(int64_t{taCenter})
          .prop("Layout", &TVrLabel::Layout, &TVrLabel::SetLayout)
          .enumType(TextLayoutInfo())
          .defaultValue(int64_t{tlCenter})
          .prop("ColorHighlight", &TVrLabel::ColorHighlight, &TVrLabel::SetColorHighlight)
          .typeName("TColor")
          .defaultValue(int64_t{clWhite})
          .prop("ColorShadow", &TVrLabel::ColorShadow, &TVrLabel::SetColorShadow)
          .typeName("TColor")
          .defaultValue(int64_t{clGray})
          .prop("Style", &TVrLabel::Style, &TVrLabel::SetStyle)
          .enumType(kStyleInfo)
          .defaultValue(int64_t{lsRaised})
          .prop("ShadowDepth", &TVrLabel::ShadowDepth, &TVrLabel::SetShadowDepth)
          .defaultValue(int64_t{2})
          .prop("Bitmap", &TVrLabel::BitmapData)
          .prop("Angle", &TVrLabel::Angle, &TVrLabel::SetAngle)
          .defaultValue(int64_t{0})
          .prop("Transparent", &TVrLabel::Transparent, &TVrLabel::SetTransparent)
          .defaultValue(false)
          .prop("AutoSize", &TVrLabel::AutoSize, &TVrLabel::SetAutoSize)
          .defaultValue(false)
          .build();
  return ci;
}

TVrLabel::TVrLabel(TComponent* owner) : TVrGraphicImageControl(owner) {
  style_ |= csSetCaption | csOpaque;
  SetBounds(0, 0, 100, 25);
  SetColor(clBtnFace);
  Font().SetName("Arial");
  Font().SetSize(14);
  bitmap_.OnChange = [this] { RequestRepaint(); };
}

template <class T>
void TVrLabel::Store(T& field, T v) {
  if (field == v) return;
  field = v;
  RequestRepaint();
}

void TVrLabel::SetAlignment(TAlignment v) { Store(alignment_, v); }
void TVrLabel::SetLayout(TTextLayout v) { Store(layout_, v); }
void TVrLabel::SetColorHighlight(TColor v) { Store(color_highlight_, v); }
void TVrLabel::SetColorShadow(TColor v) { Store(color_shadow_, v); }
void TVrLabel::SetStyle(TVrLabelStyle v) { Store(label_style_, v); }
void TVrLabel::SetShadowDepth(int v) { Store(shadow_depth_, v); }

void TVrLabel::SetBitmap(const TBitmap& v) {
  bitmap_.Assign(v);
  RequestRepaint();
}

void TVrLabel::SetAngle(TVrTextAngle v) {
  v %= 360;
  if (v == angle_) return;
  angle_ = v;
  AdjustAutoSize();
}

void TVrLabel::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  if (v) style_ &= ~csOpaque;
  else style_ |= csOpaque;
  if (IsDesigning()) Invalidate();
  else RequestRepaint();
}

void TVrLabel::MeasureCaption() {
  ImageCanvas().Font().Assign(Font());
  text_size_ = MeasureText(ImageCanvas(), Caption());
}

bool TVrLabel::CanAutoSize(int& w, int& h) {
  MeasureCaption();
  CalcAutoSize(text_size_, angle_, Align(), w, h);
  return true;
}

void TVrLabel::DoFontChanged() {
  AdjustAutoSize();
  TVrGraphicImageControl::DoFontChanged();
}

void TVrLabel::DoTextChanged() {
  AdjustAutoSize();
  TVrGraphicImageControl::DoTextChanged();
}

void TVrLabel::Paint() {
  PrepareBackground();
  TCanvas& ic = ImageCanvas();
  MeasureCaption();
  SetCanvasFontAngle(ic, angle_);
  const TPoint o = CalcTextOrigin(text_size_, angle_, alignment_, layout_, {ClientWidth(), ClientHeight()});
  const std::string& text = Caption();
  switch (label_style_) {
    case lsNone:
      ic.Brush().SetStyle(transparent_ ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
      ic.TextOut(o.X, o.Y, text);
      break;
    case lsRaised:
      DrawEmbossedText(ic, o.X, o.Y, text, color_highlight_, color_shadow_);
      break;
    case lsLowered:
      DrawEmbossedText(ic, o.X, o.Y, text, color_shadow_, color_highlight_);
      break;
    case lsShadow:
      DrawShadowedText(ic, o.X, o.Y, text, color_shadow_, shadow_depth_, shadow_depth_);
      break;
  }
  if (!bitmap_.Empty()) DrawBitmapFilledText(ic, ClientRect(), o.X, o.Y, text, bitmap_, angle_);
  TVrGraphicImageControl::Paint();
}

}  // namespace tavrel
