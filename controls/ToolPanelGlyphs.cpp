// The close and lock button pictures, drawn here in place of program
// resources: black marks on white, 16 by 16. The panel uses their sizes
// and draws the marks itself as lines.
#include <vector>

#include "controls/ToolPanels.h"

namespace tavrel {

namespace {

TBitmap Glyph(const std::vector<TRect>& strokes) {
  TBitmap b;
  b.SetSize(16, 16);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clBlack);
  for (const TRect& r : strokes) c.FillRect(r);
  b.SetMonochrome(true);
  return b;
}

}  // namespace

TBitmap CloseButtonGlyph() {
  std::vector<TRect> cross;
  for (int i = 0; i < 8; ++i) {
    cross.push_back(Rect(4 + i, 4 + i, 6 + i, 5 + i));
    cross.push_back(Rect(10 - i, 4 + i, 12 - i, 5 + i));
  }
  return Glyph(cross);
}

TBitmap LockPinGlyph() {
  return Glyph({Rect(6, 2, 11, 3), Rect(6, 2, 7, 10), Rect(10, 2, 11, 10), Rect(4, 9, 13, 10),
                Rect(8, 10, 9, 15)});
}

TBitmap UnlockPinGlyph() {
  return Glyph({Rect(6, 6, 14, 7), Rect(6, 10, 14, 11), Rect(13, 6, 14, 11), Rect(6, 4, 7, 13),
                Rect(1, 8, 6, 9)});
}

}  // namespace tavrel
