#pragma once
// Classic 3-D edges and frame controls (check boxes, push buttons, arrow
// buttons), drawn pixel by pixel in the system colours.
//
//   TRect r = Rect(0, 0, 13, 13);
//   DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
//   DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);   // r shrinks by 2
#include <cstdint>

#include "platform/ui/canvas.h"

namespace tavrel {

enum : uint32_t {
  BDR_RAISEDOUTER = 0x1,
  BDR_SUNKENOUTER = 0x2,
  BDR_RAISEDINNER = 0x4,
  BDR_SUNKENINNER = 0x8,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,

  BF_LEFT = 0x1,
  BF_TOP = 0x2,
  BF_RIGHT = 0x4,
  BF_BOTTOM = 0x8,
  BF_RECT = 0xF,
  BF_MIDDLE = 0x800,
  BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000,
  BF_FLAT = 0x4000,
  BF_MONO = 0x8000,

  DFC_CAPTION = 1,
  DFC_MENU = 2,
  DFC_SCROLL = 3,
  DFC_BUTTON = 4,

  DFCS_BUTTONCHECK = 0x0,
  DFCS_BUTTONRADIO = 0x4,
  DFCS_BUTTONPUSH = 0x10,
  DFCS_SCROLLUP = 0x0,
  DFCS_SCROLLDOWN = 0x1,
  DFCS_SCROLLLEFT = 0x2,
  DFCS_SCROLLRIGHT = 0x3,
  DFCS_SCROLLCOMBOBOX = 0x5,
  DFCS_INACTIVE = 0x100,
  DFCS_PUSHED = 0x200,
  DFCS_CHECKED = 0x400,
  DFCS_FLAT = 0x4000,
  DFCS_MONO = 0x8000,
};

bool DrawEdge(TCanvas& c, TRect& r, uint32_t edge, uint32_t flags);
bool DrawFrameControl(TCanvas& c, const TRect& r, uint32_t type, uint32_t state);

// The border of an edit, list box or combo box, kept in its non-client
// frame: bsSingle is a sunken 3-D edge two pixels wide with Ctl3D, else a
// one-pixel line in the window frame colour; bsNone is no border.
enum TBorderStyle { bsNone, bsSingle };
int ClientEdgeWidth(TBorderStyle style, bool ctl3d);
void DrawClientEdge(TCanvas& c, TRect window, TBorderStyle style, bool ctl3d);

// Lines of `width` pixels round r, top and left in `topColor`, bottom and
// right in `bottomColor`; r shrinks by width on every side.
void Frame3D(TCanvas& c, TRect& r, TColor topColor, TColor bottomColor, int width);

}  // namespace tavrel
