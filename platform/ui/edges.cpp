#include "platform/ui/edges.h"

#include <algorithm>

namespace tavrel {

namespace {

void Fill(TCanvas& c, const TRect& r, TColor col) {
  if (IsRectEmpty(r)) return;
  const TColor keep = c.Brush().Color();
  const TBrushStyle style = c.Brush().Style();
  c.Brush().SetColor(col);
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.FillRect(r);
  c.Brush().SetColor(keep);
  c.Brush().SetStyle(style);
}

// One ring of an edge: top and left in `tl`, bottom and right in `br`.
void Ring(TCanvas& c, const TRect& r, uint32_t flags, TColor tl, TColor br) {
  if (flags & BF_TOP) Fill(c, Rect(r.Left, r.Top, r.Right - 1, r.Top + 1), tl);
  if (flags & BF_LEFT) Fill(c, Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1), tl);
  if (flags & BF_BOTTOM) Fill(c, Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), br);
  if (flags & BF_RIGHT) Fill(c, Rect(r.Right - 1, r.Top, r.Right, r.Bottom), br);
}

TRect Shrink(TRect r, uint32_t flags) {
  if (flags & BF_LEFT) ++r.Left;
  if (flags & BF_TOP) ++r.Top;
  if (flags & BF_RIGHT) --r.Right;
  if (flags & BF_BOTTOM) --r.Bottom;
  return r;
}

}  // namespace

bool DrawEdge(TCanvas& c, TRect& r, uint32_t edge, uint32_t flags) {
  TRect inner = r;
  const uint32_t outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
  const uint32_t in = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
  if (flags & (BF_FLAT | BF_MONO)) {
    const TColor col = flags & BF_MONO ? clWindowFrame : clBtnShadow;
    if (outer) {
      Ring(c, inner, flags, col, col);
      inner = Shrink(inner, flags);
    }
    if (in) {
      if (!(flags & BF_MONO)) Ring(c, inner, flags, clBtnFace, clBtnFace);
      inner = Shrink(inner, flags);
    }
  } else {
    if (outer == BDR_RAISEDOUTER) {
      Ring(c, inner, flags, flags & BF_SOFT ? clBtnHighlight : cl3DLight, cl3DDkShadow);
      inner = Shrink(inner, flags);
    } else if (outer == BDR_SUNKENOUTER) {
      Ring(c, inner, flags, clBtnShadow, clBtnHighlight);
      inner = Shrink(inner, flags);
    }
    if (in == BDR_RAISEDINNER) {
      Ring(c, inner, flags, flags & BF_SOFT ? cl3DLight : clBtnHighlight, clBtnShadow);
      inner = Shrink(inner, flags);
    } else if (in == BDR_SUNKENINNER) {
      Ring(c, inner, flags, cl3DDkShadow, cl3DLight);
      inner = Shrink(inner, flags);
    }
  }
  if (flags & BF_MIDDLE) Fill(c, inner, flags & BF_MONO ? clWindow : clBtnFace);
  if (flags & BF_ADJUST) r = inner;
  return true;
}

namespace {

// The classic 7x7 check mark.
constexpr const char* kCheck[7] = {"......X", ".....XX", "X...XXX", "XX.XXX.",
                                   "XXXXX..", ".XXX...", "..X...."};

void Glyph(TCanvas& c, int x, int y, const char* const* rows, int h, TColor col) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; rows[j][i]; ++i)
      if (rows[j][i] == 'X') c.SetPixel(x + i, y + j, col);
}

void Arrow(TCanvas& c, const TRect& r, uint32_t kind, TColor col, int shift) {
  const int size = std::max(1, std::min(r.Width(), r.Height()) / 3);  // rows of the triangle
  const int cx = (r.Left + r.Right) / 2 + shift, cy = (r.Top + r.Bottom) / 2 + shift;
  for (int k = 0; k < size; ++k) {
    const int half = size - 1 - k;  // widest row first
    switch (kind) {
      case DFCS_SCROLLDOWN:
      case DFCS_SCROLLCOMBOBOX:
        Fill(c, Rect(cx - half, cy - size / 2 + k, cx + half + 1, cy - size / 2 + k + 1), col);
        break;
      case DFCS_SCROLLUP:
        Fill(c, Rect(cx - half, cy + size / 2 - k, cx + half + 1, cy + size / 2 - k + 1), col);
        break;
      case DFCS_SCROLLRIGHT:
        Fill(c, Rect(cx - size / 2 + k, cy - half, cx - size / 2 + k + 1, cy + half + 1), col);
        break;
      case DFCS_SCROLLLEFT:
        Fill(c, Rect(cx + size / 2 - k, cy - half, cx + size / 2 - k + 1, cy + half + 1), col);
        break;
    }
  }
}

}  // namespace

bool DrawFrameControl(TCanvas& c, const TRect& rect, uint32_t type, uint32_t state) {
  TRect r = rect;
  if (type == DFC_BUTTON && (state & 0xFF) == DFCS_BUTTONPUSH) {
    if (state & DFCS_PUSHED) DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_ADJUST);
    else DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    return true;
  }
  if (type == DFC_BUTTON && ((state & 0xFF) == DFCS_BUTTONCHECK ||
                             (state & 0xFF) == DFCS_BUTTONRADIO)) {
    // Square box centred in the rectangle.
    const int size = std::min({r.Width(), r.Height(), 13});
    TRect box = Bounds(r.Left + (r.Width() - size) / 2, r.Top + (r.Height() - size) / 2, size, size);
    if (state & DFCS_MONO) {
      Fill(c, box, clWindowFrame);
      box = InflateRect(box, -1, -1);
    } else if (state & DFCS_FLAT) {
      Fill(c, box, clBtnShadow);
      box = InflateRect(box, -1, -1);
    } else {
      DrawEdge(c, box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    Fill(c, box, state & (DFCS_INACTIVE | DFCS_PUSHED) ? clBtnFace : clWindow);
    if (state & DFCS_CHECKED)
      Glyph(c, box.Left + (box.Width() - 7) / 2, box.Top + (box.Height() - 7) / 2, kCheck, 7,
            state & DFCS_INACTIVE ? clBtnShadow : clWindowText);
    return true;
  }
  if (type == DFC_SCROLL) {
    const uint32_t kind = state & 0xFF;
    if (state & DFCS_FLAT) {
      Fill(c, r, clBtnFace);
      TRect frame = r;
      DrawEdge(c, frame, BDR_SUNKENOUTER, BF_RECT | BF_FLAT);
    } else if (state & DFCS_PUSHED) {
      DrawEdge(c, r, BDR_SUNKENOUTER, BF_RECT | BF_FLAT | BF_MIDDLE | BF_ADJUST);
    } else {
      DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    }
    const int shift = state & DFCS_PUSHED ? 1 : 0;
    if (state & DFCS_INACTIVE) {
      Arrow(c, r, kind, clBtnHighlight, shift + 1);
      Arrow(c, r, kind, clBtnShadow, shift);
    } else {
      Arrow(c, r, kind, clBtnText, shift);
    }
    return true;
  }
  return false;
}

int ClientEdgeWidth(TBorderStyle style, bool ctl3d) {
  if (style == bsNone) return 0;
  return ctl3d ? 2 : 1;
}

void DrawClientEdge(TCanvas& c, TRect r, TBorderStyle style, bool ctl3d) {
  if (style == bsNone) return;
  if (ctl3d) {
    DrawEdge(c, r, EDGE_SUNKEN, BF_RECT);
    return;
  }
  Ring(c, r, BF_RECT, clWindowFrame, clWindowFrame);
}

void Frame3D(TCanvas& c, TRect& r, TColor topColor, TColor bottomColor, int width) {
  for (int i = 0; i < width && !IsRectEmpty(r); ++i) {
    Ring(c, r, BF_RECT, topColor, bottomColor);
    r = InflateRect(r, -1, -1);
  }
}

}  // namespace tavrel
