#include "controls/VrSysUtils.h"

namespace tavrel {

void SetCanvasFontAngle(TCanvas& canvas, int angle) { canvas.Font().SetOrientation(angle * 10); }

// One unprefixed line, as TextOut draws it; the extent does not turn with the font.
TSize MeasureText(TCanvas& canvas, const std::string& text) { return canvas.TextExtent(text); }

namespace {
void TextInColour(TCanvas& canvas, int x, int y, const std::string& text, TColor colour) {
  canvas.Font().SetColor(colour);
  canvas.TextOut(x, y, text);
}
}  // namespace

void DrawEmbossedText(TCanvas& canvas, int x, int y, const std::string& text, TColor upper,
                      TColor lower) {
  const TColor own = canvas.Font().Color();
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  TextInColour(canvas, x + 1, y + 1, text, lower);
  TextInColour(canvas, x - 1, y - 1, text, upper);
  TextInColour(canvas, x, y, text, own);
}

void DrawShadowedText(TCanvas& canvas, int x, int y, const std::string& text, TColor shadow,
                      int dx, int dy) {
  const TColor own = canvas.Font().Color();
  canvas.Brush().SetStyle(TBrushStyle::bsClear);
  TextInColour(canvas, x + dx, y + dy, text, shadow);
  TextInColour(canvas, x, y, text, own);
}

void DrawBitmapFilledText(TCanvas& canvas, const TRect& rect, int x, int y,
                          const std::string& text, const TGraphic& bitmap, int angle) {
  const int w = RectWidthOf(rect), h = RectHeightOf(rect);
  if (w <= 0 || h <= 0) return;
  // Black glyphs on white.
  TBitmap mask;
  mask.SetSize(w, h);
  mask.Canvas().Font().Assign(canvas.Font());
  mask.Canvas().Font().SetColor(clBlack);
  SetCanvasFontAngle(mask.Canvas(), angle);
  mask.Canvas().Brush().SetStyle(TBrushStyle::bsClear);
  mask.Canvas().TextOut(x, y, text);

  TBitmap stretched;
  stretched.SetSize(w, h);
  stretched.Canvas().StretchDraw(Rect(0, 0, w, h), bitmap);

  // (area ^ picture) & mask ^ picture: the area where the mask is white,
  // the picture where it is black.
  TBitmap work;
  work.SetSize(w, h);
  work.Canvas().BitBlt(0, 0, w, h, canvas, 0, 0, SRCCOPY);
  work.Canvas().BitBlt(0, 0, w, h, stretched.Canvas(), 0, 0, SRCINVERT);
  work.Canvas().BitBlt(0, 0, w, h, mask.Canvas(), 0, 0, SRCAND);
  work.Canvas().BitBlt(0, 0, w, h, stretched.Canvas(), 0, 0, SRCINVERT);
  canvas.Draw(0, 0, work);
}

}  // namespace tavrel
