#pragma once
// Banded gradients: solid bands of colour, band by band, positions and
// channels rounded with halves to the even neighbour. Both fill with the
// canvas pen and brush set to each band's colour, as the panels expect.
//
//   DrawGradientRect(c, clWhite, clNavy, gdHorizontal, Rect(0, 0, 200, 23), 16);
//   FillGradientBands(c, clWhite, clNavy, clNone, 64, r, true);
#include "platform/ui/canvas.h"

namespace tavrel {

enum TGradientDirection { gdHorizontal, gdVertical };

// Tool panel gradients: the extent along the change is one pixel short,
// every band is round(d) + 1 pixels from start + round(i·d), so neighbours
// overlap by a pixel; the last band stops short of the second colour.
void DrawGradientRect(TCanvas& canvas, TColor first, TColor second, TGradientDirection dir,
                      const TRect& r, int bands);

// Markup gradients: bands of trunc(size) + 1 pixels from start +
// round(i·size), never past the far edge; then an outline in `frame`
// unless it is clNone.
void FillGradientBands(TCanvas& canvas, TColor from, TColor to, TColor frame, int steps,
                       const TRect& r, bool horizontal);

}  // namespace tavrel
