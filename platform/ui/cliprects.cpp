#include "platform/ui/cliprects.h"

#include <algorithm>

namespace tavrel {

void ClipRects::Reset(const TRect& r) {
  rects_.clear();
  if (!IsRectEmpty(r)) rects_.push_back(r);
}

void ClipRects::Assign(const TRect* first, const TRect* last) { rects_.assign(first, last); }

void ClipRects::Intersect(const TRect& r) {
  for (TRect& q : rects_) q = IntersectRect(q, r);
  std::erase_if(rects_, [](const TRect& q) { return IsRectEmpty(q); });
}

void ClipRects::Subtract(const TRect& r) { SubtractFrom(0, r); }

void ClipRects::Unite(const TRect& r) {
  const size_t n = rects_.size();
  if (IsRectEmpty(r)) return;
  rects_.push_back(r);
  for (size_t i = 0; i < n; ++i) SubtractFrom(n, rects_[i]);
}

void ClipRects::SubtractFrom(size_t first, TRect h) {
  if (IsRectEmpty(h)) return;
  const size_t n = rects_.size();
  for (size_t i = first; i < n; ++i) {
    const TRect q = rects_[i];
    if (IsRectEmpty(IntersectRect(q, h))) continue;
    // The bands above and below the hole take the full width, the two
    // beside it only the hole's rows.
    const int top = std::max(q.Top, h.Top), bottom = std::min(q.Bottom, h.Bottom);
    const TRect pieces[4] = {Rect(q.Left, q.Top, q.Right, h.Top), Rect(q.Left, h.Bottom, q.Right, q.Bottom),
                             Rect(q.Left, top, h.Left, bottom), Rect(h.Right, top, q.Right, bottom)};
    rects_[i] = TRect{};
    for (const TRect& p : pieces)
      if (!IsRectEmpty(p)) rects_.push_back(p);
  }
  // Only emptied rectangles go: those before `first` keep their places.
  std::erase_if(rects_, [](const TRect& q) { return IsRectEmpty(q); });
}

}  // namespace tavrel
