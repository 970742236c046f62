#pragma once
// A clip as disjoint rectangles of whole pixels. The canvas follows its own
// clip changes with these where rectangle arithmetic gives exactly what
// cairo keeps, so its direct pixel writes need not ask cairo for the clip.
// Rectangles never overlap, so a pixel inside the clip lies in exactly one
// of them; a subtraction leaves at most four bands around the hole.
//
//   ClipRects c;
//   c.Reset(Rect(0, 0, 40, 20));
//   c.Subtract(Rect(10, 5, 20, 15));  // above, below, left and right of the hole
//   c.Intersect(Rect(0, 0, 15, 20));
//   for (const TRect& r : c.Rects()) ...
#include <cstddef>
#include <vector>

#include "platform/ui/types.h"

namespace tavrel {

class ClipRects {
 public:
  const std::vector<TRect>& Rects() const { return rects_; }
  bool Empty() const { return rects_.empty(); }

  void Reset(const TRect& r);  // just r; nothing when r is empty
  void Assign(const TRect* first, const TRect* last);  // rectangles already disjoint
  void Intersect(const TRect& r);
  void Subtract(const TRect& r);
  void Unite(const TRect& r);  // adds what of r is not in yet

 private:
  // Cuts h out of the rectangles from `first` on (h by value: it may be
  // one of them).
  void SubtractFrom(size_t first, TRect h);
  std::vector<TRect> rects_;
};

}  // namespace tavrel
