#include "platform/ui/gradient.h"

#include <cmath>

namespace tavrel {

namespace {

TColor BandColor(uint32_t a, uint32_t b, int i, int n) {
  auto ch = [&](int ca, int cb) { return ca + RoundHalfEven(i * (static_cast<double>(cb - ca) / n)); };
  return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)),
             ch(GetBValue(a), GetBValue(b)));
}

void SolidBand(TCanvas& c, TColor col, const TRect& band) {
  c.Pen().SetColor(col);
  c.Pen().SetStyle(TPenStyle::psSolid);
  c.Brush().SetColor(col);
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Rectangle(band);
}

}  // namespace

void DrawGradientRect(TCanvas& c, TColor first, TColor second, TGradientDirection dir,
                      const TRect& r, int bands) {
  if (bands <= 0) bands = 1;
  const uint32_t a = ColorToRGB(first), b = ColorToRGB(second);
  const bool horz = dir == gdHorizontal;
  const int start = horz ? r.Left : r.Top;
  const int extent = (horz ? r.Width() : r.Height()) - 1;
  const double d = static_cast<double>(extent) / bands;
  for (int i = 0; i < bands; ++i) {
    const int from = start + RoundHalfEven(i * d);
    const int to = from + RoundHalfEven(d) + 1;
    SolidBand(c, BandColor(a, b, i, bands),
              horz ? Rect(from, r.Top, to, r.Bottom) : Rect(r.Left, from, r.Right, to));
  }
}

void FillGradientBands(TCanvas& c, TColor from, TColor to, TColor frame, int steps,
                       const TRect& r, bool horizontal) {
  if (steps <= 0) steps = 1;
  const uint32_t a = ColorToRGB(from), b = ColorToRGB(to);
  const int start = horizontal ? r.Left : r.Top;
  const int farEdge = horizontal ? r.Right : r.Bottom;
  const double size = static_cast<double>(horizontal ? r.Width() : r.Height()) / steps;
  for (int i = 0; i < steps; ++i) {
    const int s = start + RoundHalfEven(i * size);
    const int e = std::min(s + static_cast<int>(std::trunc(size)) + 1, farEdge);
    SolidBand(c, BandColor(a, b, i, steps),
              horizontal ? Rect(s, r.Top, e, r.Bottom) : Rect(r.Left, s, r.Right, e));
  }
  if (frame != clNone) {
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Pen().SetColor(frame);
    c.Rectangle(r);
  }
}

}  // namespace tavrel
