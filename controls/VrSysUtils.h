#pragma once
// Drawing routines of the drawn graphic controls: turned fonts, measuring,
// embossed, shadowed and bitmap-filled text.
//
//   SetCanvasFontAngle(c, 90);                 // text now reads bottom to top
//   TSize s = MeasureText(c, "Entrée");        // the unturned line: width, height
//   DrawEmbossedText(c, 10, 40, "Entrée", clWhite, clGray);
//   DrawBitmapFilledText(c, Rect(0, 0, 17, 57), 2, 50, "Entrée", texture, 90);
//
// Text is always one line placed by the top-left corner of its cell, turned
// about that corner when the font has an angle; "&" is drawn as it is.
#include <string>

#include "platform/ui/graphics.h"

namespace tavrel {

inline int MaxOfTwo(int a, int b) { return a > b ? a : b; }
inline int RectWidthOf(const TRect& r) { return r.Right - r.Left; }
inline int RectHeightOf(const TRect& r) { return r.Bottom - r.Top; }
inline bool SameRect(const TRect& a, const TRect& b) { return a == b; }

// Turns the canvas font by `angle` degrees counter-clockwise.
void SetCanvasFontAngle(TCanvas& canvas, int angle);

// Width and height of the text as one line in the canvas font, measured as
// if unturned, exactly as TextOut draws it.
TSize MeasureText(TCanvas& canvas, const std::string& text);

// The text in `lower` one pixel down-right, in `upper` one pixel up-left,
// then in the font colour at (x, y); the brush is left clear.
void DrawEmbossedText(TCanvas& canvas, int x, int y, const std::string& text, TColor upper,
                      TColor lower);

// The text in `shadow` moved by (dx, dy), then in the font colour at (x, y);
// the brush is left clear.
void DrawShadowedText(TCanvas& canvas, int x, int y, const std::string& text, TColor shadow,
                      int dx, int dy);

// Inside the glyphs of the text drawn at (x, y) turned by `angle`, the
// pixels of `rect` (from the canvas origin) become those of `bitmap`
// stretched over the rectangle's size; every other pixel stays.
void DrawBitmapFilledText(TCanvas& canvas, const TRect& rect, int x, int y,
                          const std::string& text, const TGraphic& bitmap, int angle);

}  // namespace tavrel
