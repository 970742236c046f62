#include "platform/ui/canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <set>
#include <utility>

#include "platform/ui/surface.h"
#include "platform/ui/utf8.h"

namespace tavrel {

// ---- pen and brush ---------------------------------------------------------

void TPen::Changed() {
  if (OnChange) OnChange();
}
void TPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}
void TPen::SetWidth(int v) {
  if (v < 1) v = 1;
  if (v == width_) return;
  width_ = v;
  Changed();
}
void TPen::SetStyle(TPenStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}
void TPen::Assign(const TPen& o) {
  color_ = o.color_;
  width_ = o.width_;
  style_ = o.style_;
  Changed();
}

void TBrush::Changed() {
  if (OnChange) OnChange();
}
void TBrush::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  if (v == clNone) style_ = TBrushStyle::bsClear;
  else if (style_ == TBrushStyle::bsClear) style_ = TBrushStyle::bsSolid;
  Changed();
}
void TBrush::SetStyle(TBrushStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}
void TBrush::Assign(const TBrush& o) {
  color_ = o.color_;
  style_ = o.style_;
  Changed();
}

// ---- regions ---------------------------------------------------------------

TRegion TRegion::FromRect(const TRect& r) {
  TRegion g;
  if (!IsRectEmpty(r)) g.shapes_.push_back({r});
  return g;
}
TRegion TRegion::FromRoundRect(const TRect& r, int ew, int eh) {
  TRegion g;
  if (!IsRectEmpty(r)) g.shapes_.push_back({r, std::max(ew, 0), std::max(eh, 0)});
  return g;
}
void TRegion::Combine(const TRegion& o) {
  shapes_.insert(shapes_.end(), o.shapes_.begin(), o.shapes_.end());
}
void TRegion::Offset(int dx, int dy) {
  for (auto& s : shapes_) s.r = OffsetRect(s.r, dx, dy);
}
TRect TRegion::Bounds() const {
  TRect b;
  for (auto& s : shapes_) b = UnionRect(b, s.r);
  return b;
}

namespace {

// Rounded rectangle path over the box, every subpath clockwise so that the
// winding rule unites overlapping shapes.
void RoundRectPath(cairo_t* cr, double l, double t, double r, double b, double ew, double eh) {
  double rx = std::min(ew / 2, (r - l) / 2), ry = std::min(eh / 2, (b - t) / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, l, t, r - l, b - t);
    return;
  }
  cairo_new_sub_path(cr);
  auto corner = [&](double cx, double cy, double a0) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, a0, a0 + M_PI / 2);
    cairo_restore(cr);
  };
  corner(r - rx, t + ry, -M_PI / 2);
  corner(r - rx, b - ry, 0);
  corner(l + rx, b - ry, M_PI / 2);
  corner(l + rx, t + ry, M_PI);
  cairo_close_path(cr);
}

}  // namespace

void TRegion::AddToPath(cairo_t* cr) const {
  for (auto& s : shapes_) {
    if (s.ew == 0 || s.eh == 0)
      cairo_rectangle(cr, s.r.Left, s.r.Top, s.r.Width(), s.r.Height());
    else
      RoundRectPath(cr, s.r.Left, s.r.Top, s.r.Right, s.r.Bottom, s.ew, s.eh);
  }
}

bool TRegion::ForEachRect(const std::function<void(const TRect&)>& each) const {
  for (auto& s : shapes_)
    if (s.ew != 0 && s.eh != 0) return false;
  for (auto& s : shapes_) each(s.r);
  return true;
}

bool TRegion::Contains(TPoint p) const {
  if (shapes_.empty()) return false;
  CairoSurface s(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1));
  CairoContext cr(cairo_create(s.get()));
  cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
  AddToPath(cr.get());
  return cairo_in_fill(cr.get(), p.X + 0.5, p.Y + 0.5);
}

// ---- canvas ----------------------------------------------------------------

namespace {

// cairo keeps device coordinates in 24.8 fixed point; boxes well inside
// that range land where integer arithmetic puts them, beyond it cairo is
// left to do what it does.
constexpr int64_t kDirectLimit = int64_t{1} << 22;

// ExcludeClipRect cuts its hole out of this square (logical coordinates).
constexpr int kPlane = 1000000;

bool SmallInteger(double v) {
  return v == std::floor(v) && std::fabs(v) <= static_cast<double>(kDirectLimit);
}

// A rectangle moved by `offset` into device pixels; false when a side lies
// beyond where cairo is exact.
bool ToDevice(const TRect& r, TPoint offset, TRect& out) {
  const int64_t v[4] = {int64_t{r.Left} + offset.X, int64_t{r.Top} + offset.Y, int64_t{r.Right} + offset.X,
                        int64_t{r.Bottom} + offset.Y};
  for (int64_t x : v)
    if (x < -kDirectLimit || x > kDirectLimit) return false;
  out = Rect(static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3]));
  return true;
}

struct RectangleListRelease {
  void operator()(cairo_rectangle_list_t* l) const { cairo_rectangle_list_destroy(l); }
};
using RectangleList = std::unique_ptr<cairo_rectangle_list_t, RectangleListRelease>;

// A clip read from cairo, user rectangles under a translation by (ox, oy),
// as device rectangles within `bounds`; false when one is not whole pixels
// in range.
bool TakeClipList(ClipRects& clip, const cairo_rectangle_list_t& list, double ox, double oy, const TRect& bounds) {
  clip.Reset({});
  for (int i = 0; i < list.num_rectangles; ++i) {
    const cairo_rectangle_t& r = list.rectangles[i];
    const double l = r.x + ox, t = r.y + oy;
    if (!SmallInteger(l) || !SmallInteger(t) || !SmallInteger(l + r.width) || !SmallInteger(t + r.height))
      return false;
    clip.Unite(IntersectRect(Rect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(l + r.width),
                                  static_cast<int>(t + r.height)),
                             bounds));
  }
  return true;
}

}  // namespace

TCanvas::TCanvas() {
  brush_.OnChange = [this] { bk_set_ = false; };
}
TCanvas::~TCanvas() { Detach(); }

void TCanvas::Detach() {
  if (cr_) cairo_destroy(cr_);
  cr_ = nullptr;
  surface_ = nullptr;
  saved_.clear();
  clip_levels_.clear();
  saved_clip_.clear();
  clip_known_ = false;
  ClipChanged();
}

void TCanvas::Attach(cairo_surface_t* surface) {
  Attach(surface, {0, 0},
         Rect(0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)));
}

void TCanvas::Attach(cairo_surface_t* surface, TPoint origin, TRect clip) {
  Detach();
  surface_ = surface;
  cr_ = cairo_create(surface);
  origin_ = origin;
  base_clip_ = clip;
  viewport_ = {0, 0};
  // The clip is followed in the surface's pixels, which are device space
  // only for a plain image.
  double ox, oy, sx, sy;
  cairo_surface_get_device_offset(surface, &ox, &oy);
  cairo_surface_get_device_scale(surface, &sx, &sy);
  surface_rect_ = cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE && ox == 0 && oy == 0 && sx == 1 && sy == 1
                      ? Rect(0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface))
                      : TRect{};
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  ApplyBaseClip();
  ApplyMatrix();
}

void TCanvas::AttachLike(const TCanvas& dc) {
  if (!dc.cr_) {
    Detach();
    return;
  }
  const TPoint o = dc.DeviceOffset();
  // The exact clip when it is made of rectangles (excluded children and
  // siblings); otherwise its bounds. A dc that follows its clip gives it
  // without asking cairo.
  if (dc.clip_known_) {
    Attach(dc.surface_, o, dc.DeviceClipRect());
    const std::vector<TRect>& rects = dc.clip_.Rects();
    if (rects.size() != 1 || rects[0] != base_clip_) {
      cairo_identity_matrix(cr_);
      cairo_new_path(cr_);
      for (const TRect& r : rects) cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
      cairo_clip(cr_);
      ApplyMatrix();
    }
    if (clip_known_) {
      clip_ = dc.clip_;
      clip_.Intersect(base_clip_);
    }
    return;
  }
  const RectangleList list(cairo_copy_clip_rectangle_list(dc.cr_));
  Attach(dc.surface_, o, dc.DeviceClipRect());
  if (list->status == CAIRO_STATUS_SUCCESS) {
    cairo_identity_matrix(cr_);
    cairo_new_path(cr_);
    for (int i = 0; i < list->num_rectangles; ++i) {
      const cairo_rectangle_t& r = list->rectangles[i];
      cairo_rectangle(cr_, r.x + o.X, r.y + o.Y, r.width, r.height);
    }
    cairo_clip(cr_);
    ApplyMatrix();
    if (clip_known_) {
      clip_known_ = TakeClipList(clip_, *list, o.X, o.Y, surface_rect_);
      clip_.Intersect(base_clip_);
    }
  }
}

TPoint TCanvas::DeviceOffset() const { return {origin_.X + viewport_.X, origin_.Y + viewport_.Y}; }

void TCanvas::ApplyMatrix() {
  cairo_identity_matrix(cr_);
  const TPoint o = DeviceOffset();
  cairo_translate(cr_, o.X, o.Y);
  ClipChanged();
}

void TCanvas::ApplyBaseClip() {
  cairo_identity_matrix(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, base_clip_.Left, base_clip_.Top, base_clip_.Width(), base_clip_.Height());
  cairo_clip(cr_);
  ClipChanged();
  clip_known_ = !IsRectEmpty(surface_rect_);
  if (clip_known_) clip_.Reset(surface_rect_);
  IntersectKnownClip(base_clip_, {0, 0});
}

void TCanvas::IntersectKnownClip(const TRect& r, TPoint offset) {
  TRect d;
  // cairo takes a box of negative size as the box the other way round;
  // left to cairo, as no caller here clips that way.
  clip_known_ = clip_known_ && r.Right >= r.Left && r.Bottom >= r.Top && ToDevice(r, offset, d);
  if (clip_known_) clip_.Intersect(d);
}

// ---- direct pixel writes ---------------------------------------------------

// Reads what the direct writes need from cairo; false when the clip,
// matrix, operator or surface is one that only cairo draws right.
bool TCanvas::ReadDirectTarget() {
  if (!cr_ || cairo_status(cr_) != CAIRO_STATUS_SUCCESS) return false;
  if (cairo_surface_get_type(surface_) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS)
    return false;
  const cairo_format_t format = cairo_image_surface_get_format(surface_);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
  if (cairo_get_group_target(cr_) != surface_ || cairo_get_operator(cr_) != CAIRO_OPERATOR_OVER)
    return false;
  double ox, oy, sx, sy;
  cairo_surface_get_device_offset(surface_, &ox, &oy);
  cairo_surface_get_device_scale(surface_, &sx, &sy);
  if (ox != 0 || oy != 0 || sx != 1 || sy != 1) return false;
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  if (m.xx != 1 || m.yy != 1 || m.xy != 0 || m.yx != 0 || !SmallInteger(m.x0) || !SmallInteger(m.y0))
    return false;
  direct_.data = cairo_image_surface_get_data(surface_);
  direct_.stride = cairo_image_surface_get_stride(surface_);
  if (!direct_.data) return false;
  direct_.offset = {static_cast<int>(m.x0), static_cast<int>(m.y0)};
  direct_.clip = &clip_;
  if (clip_known_) return true;
  const RectangleList list(cairo_copy_clip_rectangle_list(cr_));
  if (list->status != CAIRO_STATUS_SUCCESS) return false;  // a clip path that is not boxes
  const TRect bounds = Rect(0, 0, cairo_image_surface_get_width(surface_), cairo_image_surface_get_height(surface_));
  if (!TakeClipList(clip_, *list, m.x0, m.y0, bounds)) return false;
  // Followed from here on while the matrix is the canvas's own.
  clip_known_ = direct_.offset == DeviceOffset();
  return true;
}

const TCanvas::DirectTarget* TCanvas::Direct(const TRect& box) {
  if (direct_state_ == DirectState::kUnknown)
    direct_state_ = ReadDirectTarget() ? DirectState::kYes : DirectState::kNo;
  if (direct_state_ != DirectState::kYes) return nullptr;
  auto inside = [](int64_t v) { return v >= -kDirectLimit && v <= kDirectLimit; };
  const int64_t dx = direct_.offset.X, dy = direct_.offset.Y;
  if (!inside(box.Left + dx) || !inside(box.Right + dx) || !inside(box.Top + dy) || !inside(box.Bottom + dy))
    return nullptr;
  return &direct_;
}

// Rectangles in one opaque colour written into the pixels, cut to the
// clip; the surface is flushed first and the touched part marked dirty at
// the end, as cairo asks of outside writes.
class TCanvas::PixelFill {
 public:
  PixelFill(cairo_surface_t* surface, const DirectTarget& target, TColor colour)
      : surface_(surface), target_(target), pixel_(ColorToPixel(colour)) {
    cairo_surface_flush(surface_);
  }
  ~PixelFill() {
    if (l_ < r_) cairo_surface_mark_dirty_rectangle(surface_, l_, t_, r_ - l_, b_ - t_);
  }
  PixelFill(const PixelFill&) = delete;
  PixelFill& operator=(const PixelFill&) = delete;

  // Logical coordinates, right and bottom left out.
  void Add(int l, int t, int r, int b) {
    l += target_.offset.X;
    r += target_.offset.X;
    t += target_.offset.Y;
    b += target_.offset.Y;
    for (const TRect& c : target_.clip->Rects()) {
      const int x0 = std::max(l, c.Left), x1 = std::min(r, c.Right);
      const int y0 = std::max(t, c.Top), y1 = std::min(b, c.Bottom);
      if (x0 >= x1 || y0 >= y1) continue;
      unsigned char* row = target_.data + static_cast<ptrdiff_t>(y0) * target_.stride;
      for (int y = y0; y < y1; ++y, row += target_.stride)
        std::fill_n(reinterpret_cast<uint32_t*>(row) + x0, x1 - x0, pixel_);
      l_ = std::min(l_, x0);
      t_ = std::min(t_, y0);
      r_ = std::max(r_, x1);
      b_ = std::max(b_, y1);
    }
  }

 private:
  cairo_surface_t* surface_;
  const DirectTarget& target_;
  uint32_t pixel_;  // premultiplied native-endian ARGB, opaque; RGB24 gets the same top byte from cairo
  int l_ = INT32_MAX, t_ = INT32_MAX, r_ = INT32_MIN, b_ = INT32_MIN;
};

bool TCanvas::BrushVisible() const {
  return brush_.Style() == TBrushStyle::bsSolid && brush_.Color() != clNone;
}
bool TCanvas::PenVisible() const {
  return pen_.Style() != TPenStyle::psClear && pen_.Color() != clNone;
}

void TCanvas::SetSourceColor(TColor c) { SetCairoColor(cr_, c); }

void TCanvas::SetBkMode(TBkMode mode) {
  bk_mode_ = mode;
  bk_set_ = true;
}
TBkMode TCanvas::BkMode() const {
  if (bk_set_) return bk_mode_;
  return BrushVisible() ? OPAQUE : TRANSPARENT;
}

namespace {

// One-pixel lines are plotted pixel by pixel (the end point left out), so
// they land exactly where the platform puts them; the pixels go out as runs
// along the major axis, one rectangle (x, y, w, h) per run.
template <class Emit>
void PlotRuns(TPoint a, TPoint b, Emit&& emit) {
  int dx = std::abs(b.X - a.X), dy = std::abs(b.Y - a.Y);
  const int sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
  if (dy == 0 && dx > 0) {
    emit(sx > 0 ? a.X : b.X + 1, a.Y, dx, 1);
    return;
  }
  if (dx == 0 && dy > 0) {
    emit(a.X, sy > 0 ? a.Y : b.Y + 1, 1, dy);
    return;
  }
  int x = a.X, y = a.Y;
  if (dx >= dy) {
    int err = 2 * dy - dx, from = x;
    for (int i = 0; i < dx; ++i) {
      const bool step = err > 0;
      if (step || i == dx - 1) emit(std::min(from, x), y, std::abs(x - from) + 1, 1);
      if (step) {
        y += sy;
        err -= 2 * dx;
      }
      err += 2 * dy;
      x += sx;
      if (step) from = x;
    }
  } else {
    int err = 2 * dx - dy, from = y;
    for (int i = 0; i < dy; ++i) {
      const bool step = err > 0;
      if (step || i == dy - 1) emit(x, std::min(from, y), 1, std::abs(y - from) + 1);
      if (step) {
        x += sx;
        err -= 2 * dy;
      }
      err += 2 * dx;
      y += sy;
      if (step) from = y;
    }
  }
}

// The smallest and largest coordinates of the points: every run of the
// lines between them lies within, its far edge one past.
TRect PointBounds(const TPoint* p, size_t n) {
  TRect b{p[0].X, p[0].Y, p[0].X, p[0].Y};
  for (size_t i = 1; i < n; ++i) {
    b.Left = std::min(b.Left, p[i].X);
    b.Top = std::min(b.Top, p[i].Y);
    b.Right = std::max(b.Right, p[i].X);
    b.Bottom = std::max(b.Bottom, p[i].Y);
  }
  return b;
}

}  // namespace

void TCanvas::PenPath(const std::function<void()>& path) {
  cairo_save(cr_);
  SetSourceColor(pen_.Color());
  cairo_set_line_width(cr_, pen_.Width());
  static const double kDash[] = {3, 1}, kDot[] = {1, 1}, kDashDot[] = {3, 1, 1, 1},
                      kDashDotDot[] = {3, 1, 1, 1, 1, 1};
  switch (pen_.Style()) {
    case TPenStyle::psDash: cairo_set_dash(cr_, kDash, 2, 0); break;
    case TPenStyle::psDot: cairo_set_dash(cr_, kDot, 2, 0); break;
    case TPenStyle::psDashDot: cairo_set_dash(cr_, kDashDot, 4, 0); break;
    case TPenStyle::psDashDotDot: cairo_set_dash(cr_, kDashDotDot, 6, 0); break;
    default: break;
  }
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
  cairo_set_line_cap(cr_, pen_.Width() > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  cairo_new_path(cr_);
  path();
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

void TCanvas::PlotSegments(const TPoint* pts, size_t n) {
  if (const DirectTarget* d = Direct(PointBounds(pts, n))) {
    PixelFill fill(surface_, *d, pen_.Color());
    for (size_t i = 1; i < n; ++i)
      PlotRuns(pts[i - 1], pts[i], [&](int x, int y, int w, int h) { fill.Add(x, y, x + w, y + h); });
    return;
  }
  cairo_save(cr_);
  SetSourceColor(pen_.Color());
  cairo_new_path(cr_);
  for (size_t i = 1; i < n; ++i)
    PlotRuns(pts[i - 1], pts[i], [&](int x, int y, int w, int h) { cairo_rectangle(cr_, x, y, w, h); });
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void TCanvas::LineTo(int x, int y) {
  if (!cr_) return;
  const TPoint a = pen_pos_, b{x, y};
  pen_pos_ = b;
  if (!PenVisible() || a == b) return;
  if (pen_.Width() == 1 && pen_.Style() == TPenStyle::psSolid) {
    const TPoint ends[2] = {a, b};
    PlotSegments(ends, 2);
    return;
  }
  PenPath([&] {
    cairo_move_to(cr_, a.X + 0.5, a.Y + 0.5);
    cairo_line_to(cr_, b.X + 0.5, b.Y + 0.5);
  });
}

void TCanvas::Polyline(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  if (cr_ && PenVisible() && pen_.Width() == 1 && pen_.Style() == TPenStyle::psSolid) {
    // One fill for the whole line: the same pixels as LineTo segment by segment.
    PlotSegments(pts.data(), pts.size());
    return;
  }
  const TPoint keep = pen_pos_;
  pen_pos_ = pts[0];
  for (size_t i = 1; i < pts.size(); ++i) LineTo(pts[i].X, pts[i].Y);
  pen_pos_ = keep;
}

void TCanvas::FillRect(const TRect& r) {
  if (!cr_ || !BrushVisible() || IsRectEmpty(r)) return;
  if (const DirectTarget* d = Direct(r)) {
    PixelFill(surface_, *d, brush_.Color()).Add(r.Left, r.Top, r.Right, r.Bottom);
    return;
  }
  SetSourceColor(brush_.Color());
  cairo_new_path(cr_);
  cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
  cairo_fill(cr_);
}

void TCanvas::FrameRect(const TRect& r) {
  if (!cr_ || !BrushVisible()) return;
  FrameIn(r, brush_.Color());
}

void TCanvas::FrameIn(const TRect& r, TColor colour) {
  if (IsRectEmpty(r)) return;
  if (const DirectTarget* d = Direct(r)) {
    PixelFill fill(surface_, *d, colour);
    if (r.Width() > 2 && r.Height() > 2) {
      fill.Add(r.Left, r.Top, r.Right, r.Top + 1);
      fill.Add(r.Left, r.Bottom - 1, r.Right, r.Bottom);
      fill.Add(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1);
      fill.Add(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1);
    } else {
      fill.Add(r.Left, r.Top, r.Right, r.Bottom);
    }
    return;
  }
  SetSourceColor(colour);
  cairo_new_path(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
  if (r.Width() > 2 && r.Height() > 2)
    cairo_rectangle(cr_, r.Left + 1, r.Top + 1, r.Width() - 2, r.Height() - 2);
  cairo_fill(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
  if (!cr_) return;
  if (r < l) std::swap(l, r);
  if (b < t) std::swap(t, b);
  if (!PenVisible()) {  // without a pen the fill stops one pixel short
    FillRect(Rect(l, t, r - 1, b - 1));
    return;
  }
  const int w = pen_.Width();
  if (w == 1 && pen_.Style() == TPenStyle::psSolid) {
    FillRect(Rect(l + 1, t + 1, r - 1, b - 1));
    FrameIn(Rect(l, t, r, b), pen_.Color());
    return;
  }
  FillRect(Rect(l, t, r, b));
  const double inset = pen_.Style() == TPenStyle::psInsideFrame ? w / 2.0 : 0.5;
  PenPath([&] {
    cairo_rectangle(cr_, l + inset, t + inset, r - l - 2 * inset, b - t - 2 * inset);
  });
}

void TCanvas::RoundRect(int l, int t, int r, int b, int ew, int eh) {
  if (!cr_) return;
  if (BrushVisible()) {
    SetSourceColor(brush_.Color());
    cairo_new_path(cr_);
    RoundRectPath(cr_, l, t, r - (PenVisible() ? 0 : 1), b - (PenVisible() ? 0 : 1), ew, eh);
    cairo_fill(cr_);
  }
  if (PenVisible())
    PenPath([&] { RoundRectPath(cr_, l + 0.5, t + 0.5, r - 0.5, b - 0.5, ew, eh); });
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
  if (!cr_) return;
  auto path = [&](double x0, double y0, double x1, double y1) {
    cairo_save(cr_);
    cairo_translate(cr_, (x0 + x1) / 2, (y0 + y1) / 2);
    cairo_scale(cr_, std::max((x1 - x0) / 2, 0.01), std::max((y1 - y0) / 2, 0.01));
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
  };
  if (BrushVisible()) {
    SetSourceColor(brush_.Color());
    cairo_new_path(cr_);
    path(l, t, r, b);
    cairo_fill(cr_);
  }
  if (PenVisible()) PenPath([&] { path(l + 0.5, t + 0.5, r - 0.5, b - 0.5); });
}

void TCanvas::Polygon(const std::vector<TPoint>& pts) {
  if (!cr_ || pts.size() < 2) return;
  auto path = [&] {
    cairo_move_to(cr_, pts[0].X + 0.5, pts[0].Y + 0.5);
    for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr_, pts[i].X + 0.5, pts[i].Y + 0.5);
    cairo_close_path(cr_);
  };
  if (BrushVisible()) {
    SetSourceColor(brush_.Color());
    cairo_new_path(cr_);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    path();
    cairo_fill(cr_);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  }
  if (PenVisible()) {
    if (pen_.Width() == 1 && pen_.Style() == TPenStyle::psSolid) {
      const TPoint keep = pen_pos_;
      pen_pos_ = pts[0];
      for (size_t i = 1; i <= pts.size(); ++i) LineTo(pts[i % pts.size()].X, pts[i % pts.size()].Y);
      pen_pos_ = keep;
    } else {
      PenPath(path);
    }
  }
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (!cr_ || IsRectEmpty(r)) return;
  // Every other pixel of the border, by device parity, inverted; each pixel
  // once, so drawing the same rectangle again restores the surface.
  std::set<std::pair<int, int>> pixels;
  const TPoint o = DeviceOffset();
  auto add = [&](int x, int y) {
    const int dx = x + o.X, dy = y + o.Y;
    if (((dx + dy) & 1) == 0) pixels.insert({x, y});
  };
  for (int x = r.Left; x < r.Right; ++x) {
    add(x, r.Top);
    add(x, r.Bottom - 1);
  }
  for (int y = r.Top; y < r.Bottom; ++y) {
    add(r.Left, y);
    add(r.Right - 1, y);
  }
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_DIFFERENCE);
  cairo_set_source_rgb(cr_, 1, 1, 1);
  cairo_new_path(cr_);
  for (auto& [x, y] : pixels) cairo_rectangle(cr_, x, y, 1, 1);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

uint32_t TCanvas::PixelRGB(int x, int y) const {
  if (!surface_) return 0;
  const TPoint o = DeviceOffset();
  const int dx = x + o.X, dy = y + o.Y;
  return ColorToRGB(PixelToColor(SurfacePixel(surface_, dx, dy)));
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  if (!cr_) return;
  if (const DirectTarget* d = Direct(Rect(x, y, x, y))) {
    PixelFill(surface_, *d, c).Add(x, y, x + 1, y + 1);
    return;
  }
  cairo_save(cr_);
  SetSourceColor(c);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, x, y, 1, 1);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

// ---- text ------------------------------------------------------------------

int TCanvas::TextWidth(const std::string& text) const { return FontTextWidth(font_, text); }
int TCanvas::TextHeight(const std::string&) const { return font_.Metrics().Height; }
TSize TCanvas::TextExtent(const std::string& text) const {
  return {TextWidth(text), TextHeight(text)};
}

namespace {

// Draws one unrotated line with its top left at (x, y) in the current user space.
void DrawLineAt(cairo_t* cr, const TFont& font, const TFontMetrics& m, int x, int y, int w,
                const std::string& text, const TColor* background, int ulFrom, int ulTo) {
  if (background) {
    SetCairoColor(cr, *background);
    cairo_new_path(cr);
    cairo_rectangle(cr, x, y, w, m.Height);
    cairo_fill(cr);
  }
  SetCairoColor(cr, font.Color());
  font.SelectInto(cr);
  cairo_new_path(cr);
  cairo_move_to(cr, x, y + m.Ascent);
  cairo_show_text(cr, ValidUtf8(text).c_str());
  cairo_new_path(cr);
  const int thick = std::max(1, RoundHalfEven(font.EmSize() / 14.0));
  const int ulY = y + m.Ascent + std::max(1, std::min(m.Descent - thick, 1 + m.Descent / 4));
  if (font.Style() & fsUnderline) cairo_rectangle(cr, x, ulY, w, thick);
  if (font.Style() & fsStrikeOut)
    cairo_rectangle(cr, x, y + m.Ascent - std::max(1, RoundHalfEven(m.Ascent * 0.3)), w, thick);
  if (ulFrom >= 0 && ulTo > ulFrom) cairo_rectangle(cr, x + ulFrom, ulY, ulTo - ulFrom, thick);
  cairo_fill(cr);
}

}  // namespace

void TCanvas::DrawTextLine(int x, int y, const std::string& text, bool opaque, int ulFrom,
                           int ulTo) {
  if (!cr_) return;
  const TFontMetrics m = font_.Metrics();
  const int w = TextWidth(text);
  const TColor bg = brush_.Color();
  const TColor* background = opaque && bg != clNone ? &bg : nullptr;
  const int angle = ((font_.Orientation() % 3600) + 3600) % 3600;
  cairo_save(cr_);
  if (angle == 0) {
    DrawLineAt(cr_, font_, m, x, y, w, text, background, ulFrom, ulTo);
  } else if (w > 0) {
    // Rotated text is the unrotated line turned about its top-left
    // reference point, pixel for pixel at right angles.
    cairo_matrix_t mat;
    if (angle == 900) cairo_matrix_init(&mat, 0, -1, 1, 0, x, y);
    else if (angle == 1800) cairo_matrix_init(&mat, -1, 0, 0, -1, x, y);
    else if (angle == 2700) cairo_matrix_init(&mat, 0, 1, -1, 0, x, y);
    else {
      const double a = angle * M_PI / 1800.0;
      cairo_matrix_init(&mat, std::cos(a), -std::sin(a), std::sin(a), std::cos(a), x, y);
    }
    cairo_transform(cr_, &mat);
    // Only the stretch of the line that can reach the clip is drawn, so a
    // long line never needs a surface beyond the canvas's own size.
    double x1, y1, x2, y2;
    cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
    const int from = std::max(0, static_cast<int>(std::floor(std::min(x1, x2))) - 1);
    const int to = std::min(w, static_cast<int>(std::ceil(std::max(x1, x2))) + 1);
    if (to > from) {
      CairoSurface tmp(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, to - from, m.Height));
      {
        CairoContext tc(cairo_create(tmp.get()));
        cairo_set_antialias(tc.get(), CAIRO_ANTIALIAS_NONE);
        DrawLineAt(tc.get(), font_, m, -from, 0, w, text, background, ulFrom, ulTo);
      }
      cairo_set_source_surface(cr_, tmp.get(), from, 0);
      cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
      cairo_new_path(cr_);
      cairo_rectangle(cr_, from, 0, to - from, m.Height);
      cairo_fill(cr_);
    }
  }
  cairo_restore(cr_);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  DrawTextLine(x, y, text, BkMode() == OPAQUE);
  pen_pos_ = {x + TextWidth(text), y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  if (!cr_) return;
  PushClip();
  cairo_new_path(cr_);
  cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
  cairo_clip(cr_);
  ClipChanged();
  IntersectKnownClip(r, DeviceOffset());
  const bool opaque = BkMode() == OPAQUE;
  if (opaque) FillRect(r);
  DrawTextLine(x, y, text, opaque);
  PopClip();
}

// ---- images ----------------------------------------------------------------

void TCanvas::CopyRect(const TRect& dest, TCanvas& src, const TRect& source) {
  if (!cr_ || !src.surface_ || IsRectEmpty(dest) || IsRectEmpty(source)) return;
  const TPoint so{source.Left + src.origin_.X + src.viewport_.X,
                  source.Top + src.origin_.Y + src.viewport_.Y};
  CairoSurface part = CopySurfaceRect(src.surface_, Bounds(so.X, so.Y, source.Width(), source.Height()));
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, dest.Left, dest.Top, dest.Width(), dest.Height());
  cairo_clip(cr_);
  cairo_translate(cr_, dest.Left, dest.Top);
  cairo_scale(cr_, static_cast<double>(dest.Width()) / source.Width(),
              static_cast<double>(dest.Height()) / source.Height());
  cairo_set_source_surface(cr_, part.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void TCanvas::BitBlt(int x, int y, int w, int h, TCanvas& src, int sx, int sy, uint32_t rop) {
  if (!cr_ || w <= 0 || h <= 0) return;
  if (rop == SRCCOPY) {
    CopyRect(Bounds(x, y, w, h), src, Bounds(sx, sy, w, h));
    return;
  }
  CairoSurface s;
  if (src.surface_)
    s = CopySurfaceRect(src.surface_, Bounds(sx + src.origin_.X + src.viewport_.X,
                                             sy + src.origin_.Y + src.viewport_.Y, w, h));
  CairoSurface d = CopySurfaceRect(
      surface_, Bounds(x + origin_.X + viewport_.X, y + origin_.Y + viewport_.Y, w, h));
  cairo_surface_flush(d.get());
  if (s) cairo_surface_flush(s.get());
  for (int j = 0; j < h; ++j) {
    uint32_t* dp = SurfaceRow(d.get(), j);
    const uint32_t* sp = s ? SurfaceRow(s.get(), j) : nullptr;
    for (int i = 0; i < w; ++i) {
      const uint32_t dv = dp[i] & 0xFFFFFF, sv = sp ? sp[i] & 0xFFFFFF : 0;
      uint32_t v = dv;
      switch (rop) {
        case SRCPAINT: v = sv | dv; break;
        case SRCAND: v = sv & dv; break;
        case SRCINVERT: v = sv ^ dv; break;
        case SRCERASE: v = sv & ~dv; break;
        case NOTSRCCOPY: v = ~sv; break;
        case MERGEPAINT: v = ~sv | dv; break;
        case DSTINVERT: v = ~dv; break;
        case BLACKNESS: v = 0; break;
        case WHITENESS: v = 0xFFFFFF; break;
        default: break;
      }
      dp[i] = 0xFF000000u | (v & 0xFFFFFF);
    }
  }
  cairo_surface_mark_dirty(d.get());
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, x, y, w, h);
  cairo_clip(cr_);
  cairo_set_source_surface(cr_, d.get(), x, y);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void TCanvas::DrawSurface(cairo_surface_t* s, const TRect& dest, TColor key) {
  if (!cr_ || !s || IsRectEmpty(dest)) return;
  const int sw = cairo_image_surface_get_width(s), sh = cairo_image_surface_get_height(s);
  if (sw <= 0 || sh <= 0) return;
  CairoSurface keyed;
  cairo_surface_t* use = s;
  if (key != clNone) {
    keyed = CopySurfaceRect(s, Rect(0, 0, sw, sh));
    const uint32_t kp = ColorToPixel(key) & 0xFFFFFF;
    for (int j = 0; j < sh; ++j) {
      uint32_t* row = SurfaceRow(keyed.get(), j);
      for (int i = 0; i < sw; ++i)
        if ((row[i] & 0xFFFFFF) == kp) row[i] = 0;
    }
    cairo_surface_mark_dirty(keyed.get());
    use = keyed.get();
  }
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, dest.Left, dest.Top, dest.Width(), dest.Height());
  cairo_clip(cr_);
  cairo_translate(cr_, dest.Left, dest.Top);
  cairo_scale(cr_, static_cast<double>(dest.Width()) / sw, static_cast<double>(dest.Height()) / sh);
  cairo_set_source_surface(cr_, use, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

// ---- clipping and state ----------------------------------------------------

void TCanvas::PushClip() {
  cairo_save(cr_);
  clip_levels_.push_back({clip_known_, saved_clip_.size()});
  if (clip_known_) saved_clip_.insert(saved_clip_.end(), clip_.Rects().begin(), clip_.Rects().end());
}

void TCanvas::PopClip() {
  cairo_restore(cr_);
  const SavedClip s = clip_levels_.back();
  clip_levels_.pop_back();
  clip_known_ = s.known;
  if (s.known) clip_.Assign(saved_clip_.data() + s.from, saved_clip_.data() + saved_clip_.size());
  saved_clip_.resize(s.from);
  ClipChanged();
}

int TCanvas::SaveDC() {
  if (!cr_) return 0;
  PushClip();
  saved_.push_back({viewport_, pen_pos_, bk_mode_, bk_set_});
  return static_cast<int>(saved_.size());
}

bool TCanvas::RestoreDC(int level) {
  if (!cr_) return false;
  const int n = static_cast<int>(saved_.size());
  if (level < 0) level = n + 1 + level;
  if (level < 1 || level > n) return false;
  while (static_cast<int>(saved_.size()) >= level) {
    PopClip();
    const Saved s = saved_.back();
    saved_.pop_back();
    viewport_ = s.viewport;
    pen_pos_ = s.pen_pos;
    bk_mode_ = s.bk;
    bk_set_ = s.bk_set;
  }
  ApplyMatrix();
  return true;
}

void TCanvas::IntersectClipRect(int l, int t, int r, int b) {
  if (!cr_) return;
  cairo_new_path(cr_);
  cairo_rectangle(cr_, l, t, std::max(r - l, 0), std::max(b - t, 0));
  cairo_clip(cr_);
  ClipChanged();
  IntersectKnownClip(Rect(l, t, std::max(r, l), std::max(b, t)), DeviceOffset());
}

void TCanvas::ExcludeClipRect(int l, int t, int r, int b) {
  if (!cr_ || r <= l || b <= t) return;
  cairo_new_path(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_rectangle(cr_, -kPlane, -kPlane, 2.0 * kPlane, 2.0 * kPlane);
  cairo_rectangle(cr_, l, t, r - l, b - t);
  cairo_clip(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  ClipChanged();
  // By the even-odd rule a hole reaching out of the plane adds what lies
  // beyond it; that is left to cairo.
  const TRect plane = Rect(-kPlane, -kPlane, kPlane, kPlane), hole = Rect(l, t, r, b);
  TRect d;
  clip_known_ = clip_known_ && IntersectRect(hole, plane) == hole && ToDevice(hole, DeviceOffset(), d);
  IntersectKnownClip(plane, DeviceOffset());
  if (clip_known_) clip_.Subtract(d);
}

void TCanvas::SelectClipRgn(const TRegion* rgn) {
  if (!cr_) return;
  cairo_reset_clip(cr_);
  ApplyBaseClip();
  if (rgn && !rgn->Empty()) {
    cairo_new_path(cr_);
    rgn->AddToPath(cr_);
    cairo_clip(cr_);
    if (clip_known_) {
      // The base clip, one rectangle at most, cut to the union of the region's.
      const TRect within = clip_.Empty() ? TRect{} : clip_.Rects().front();
      clip_.Reset({});
      bool inRange = true;
      const bool plain = rgn->ForEachRect([&](const TRect& q) {
        TRect d;
        if (ToDevice(q, {0, 0}, d)) clip_.Unite(d);
        else inRange = false;
      });
      clip_known_ = plain && inRange;
      clip_.Intersect(within);
    }
  }
  ApplyMatrix();
}

TRect TCanvas::ClipRect() const {
  if (!cr_) return {};
  double x1, y1, x2, y2;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  return Rect(static_cast<int>(std::floor(x1)), static_cast<int>(std::floor(y1)),
              static_cast<int>(std::ceil(x2)), static_cast<int>(std::ceil(y2)));
}

TRect TCanvas::DeviceClipRect() const {
  const TPoint o = DeviceOffset();
  return OffsetRect(ClipRect(), o.X, o.Y);
}

TPoint TCanvas::SetViewportOrg(int x, int y) {
  const TPoint old = viewport_;
  viewport_ = {x, y};
  if (cr_) ApplyMatrix();
  return old;
}

}  // namespace tavrel
