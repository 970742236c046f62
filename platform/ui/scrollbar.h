#pragma once
// A vertical scroll bar drawn inside a control's client area (the list
// box's and the dropped list's): its geometry, its painting and its mouse
// handling. The position runs from 0 to count - page; arrows move it by a
// line, the track by a page, and the thumb follows a drag.
//
//   TVertScrollBar bar;
//   bar.SetBounds(Rect(w - 17, 0, w, h));
//   bar.SetRange(items, rowsShown);
//   if (bar.MouseDown(p)) SetTopIndex(bar.Position());
#include "platform/ui/canvas.h"

namespace tavrel {

enum class TScrollPart { spNone, spLineUp, spLineDown, spPageUp, spPageDown, spThumb };

class TVertScrollBar {
 public:
  void SetBounds(const TRect& r) { bounds_ = r; }
  const TRect& Bounds() const { return bounds_; }
  void SetRange(int count, int page);
  int MaxPosition() const;
  int Position() const { return pos_; }
  void SetPosition(int v);

  TRect UpRect() const;
  TRect DownRect() const;
  TRect ThumbRect() const;  // empty when the track has no room for one
  TScrollPart HitTest(TPoint p) const;

  void Paint(TCanvas& c, bool enabled) const;

  // The mouse in the owner's client coordinates; true when the position moved.
  bool MouseDown(TPoint p);
  bool MouseMove(TPoint p);
  void MouseUp() { pressed_ = TScrollPart::spNone; }
  bool Tracking() const { return pressed_ != TScrollPart::spNone; }

 private:
  TRect Track() const;
  TRect bounds_;
  int count_ = 0, page_ = 1, pos_ = 0;
  TScrollPart pressed_ = TScrollPart::spNone;
  int grab_ = 0;  // pointer offset within the thumb while dragging
};

}  // namespace tavrel
