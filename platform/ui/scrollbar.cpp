#include "platform/ui/scrollbar.h"

#include <algorithm>

#include "platform/ui/edges.h"

namespace tavrel {

namespace {
constexpr int kMinThumb = 8;
}

void TVertScrollBar::SetRange(int count, int page) {
  count_ = std::max(count, 0);
  page_ = std::max(page, 1);
  SetPosition(pos_);
}

int TVertScrollBar::MaxPosition() const { return std::max(count_ - page_, 0); }

void TVertScrollBar::SetPosition(int v) { pos_ = std::clamp(v, 0, MaxPosition()); }

TRect TVertScrollBar::UpRect() const {
  const int a = std::min(bounds_.Width(), bounds_.Height() / 2);
  return Rect(bounds_.Left, bounds_.Top, bounds_.Right, bounds_.Top + a);
}

TRect TVertScrollBar::DownRect() const {
  const int a = std::min(bounds_.Width(), bounds_.Height() / 2);
  return Rect(bounds_.Left, bounds_.Bottom - a, bounds_.Right, bounds_.Bottom);
}

TRect TVertScrollBar::Track() const { return Rect(bounds_.Left, UpRect().Bottom, bounds_.Right, DownRect().Top); }

TRect TVertScrollBar::ThumbRect() const {
  const TRect t = Track();
  if (t.Height() < kMinThumb || count_ <= page_) return {};
  const int len = std::max(kMinThumb, static_cast<int>(int64_t{t.Height()} * page_ / count_));
  const int top = t.Top + static_cast<int>(int64_t{t.Height() - len} * pos_ / MaxPosition());
  return Rect(t.Left, top, t.Right, top + len);
}

TScrollPart TVertScrollBar::HitTest(TPoint p) const {
  if (!PtInRect(bounds_, p)) return TScrollPart::spNone;
  if (PtInRect(UpRect(), p)) return TScrollPart::spLineUp;
  if (PtInRect(DownRect(), p)) return TScrollPart::spLineDown;
  const TRect thumb = ThumbRect();
  if (IsRectEmpty(thumb)) return TScrollPart::spNone;
  if (p.Y < thumb.Top) return TScrollPart::spPageUp;
  if (p.Y >= thumb.Bottom) return TScrollPart::spPageDown;
  return TScrollPart::spThumb;
}

void TVertScrollBar::Paint(TCanvas& c, bool enabled) const {
  const bool active = enabled && count_ > page_;
  const uint32_t inactive = active ? 0u : uint32_t{DFCS_INACTIVE};
  auto pushed = [&](TScrollPart part) { return pressed_ == part ? uint32_t{DFCS_PUSHED} : 0u; };
  c.Brush().SetStyle(TBrushStyle::bsSolid);
  c.Brush().SetColor(clScrollBar);
  c.FillRect(Track());
  DrawFrameControl(c, UpRect(), DFC_SCROLL, DFCS_SCROLLUP | inactive | pushed(TScrollPart::spLineUp));
  DrawFrameControl(c, DownRect(), DFC_SCROLL, DFCS_SCROLLDOWN | inactive | pushed(TScrollPart::spLineDown));
  TRect thumb = ThumbRect();
  if (active && !IsRectEmpty(thumb)) DrawEdge(c, thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
}

bool TVertScrollBar::MouseDown(TPoint p) {
  const int before = pos_;
  pressed_ = HitTest(p);
  switch (pressed_) {
    case TScrollPart::spLineUp: SetPosition(pos_ - 1); break;
    case TScrollPart::spLineDown: SetPosition(pos_ + 1); break;
    case TScrollPart::spPageUp: SetPosition(pos_ - page_); break;
    case TScrollPart::spPageDown: SetPosition(pos_ + page_); break;
    case TScrollPart::spThumb: grab_ = p.Y - ThumbRect().Top; break;
    case TScrollPart::spNone: break;
  }
  return pos_ != before;
}

bool TVertScrollBar::MouseMove(TPoint p) {
  if (pressed_ != TScrollPart::spThumb) return false;
  const TRect t = Track(), thumb = ThumbRect();
  const int room = t.Height() - thumb.Height();
  if (room <= 0) return false;
  const int before = pos_;
  const int top = std::clamp(p.Y - grab_ - t.Top, 0, room);
  SetPosition(static_cast<int>((int64_t{top} * MaxPosition() + room / 2) / room));
  return pos_ != before;
}

}  // namespace tavrel
