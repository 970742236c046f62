#pragma once
// Helpers of the window-layer tests: small bitmaps and pixel reads.
#include <string>
#include <vector>

#include "platform/ui/graphics.h"

namespace tavrel::test {

inline TBitmap WhiteBitmap(int w, int h) {
  TBitmap b;
  b.SetSize(w, h);
  return b;
}

// Pixels of a bitmap row as 0x00BBGGRR colours.
inline std::vector<TColor> Row(TBitmap& b, int y) {
  std::vector<TColor> r;
  for (int x = 0; x < b.Width(); ++x) r.push_back(b.Canvas().Pixel(x, y));
  return r;
}

// Bounding box of pixels that differ from `background`; empty if none.
inline TRect InkBounds(TBitmap& b, TColor background) {
  TRect r{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.Canvas().Pixel(x, y) != background) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return IsRectEmpty(r) ? TRect{} : r;
}

// Rows of a bitmap as text, '#' where the pixel is not `background`, for
// readable failure output.
inline std::string Picture(TBitmap& b, TColor background) {
  std::string s;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) s += b.Canvas().Pixel(x, y) == background ? '.' : '#';
    s += '\n';
  }
  return s;
}

}  // namespace tavrel::test
