#include "platform/chart/chart.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

// ---- class information -----------------------------------------------------

const ClassInfo& TChartAxis::Class() {
  static const ClassInfo ci = ClassBuilder<TChartAxis>("TChartAxis", TPersistent::Class())
                                  .prop("Minimum", &TChartAxis::Minimum, &TChartAxis::SetMinimum)
                                  .prop("Maximum", &TChartAxis::Maximum, &TChartAxis::SetMaximum)
                                  .defaultValue(100.0L)
                                  .prop("Visible", &TChartAxis::Visible, &TChartAxis::SetVisible)
                                  .defaultValue(true)
                                  .prop("Color", &TChartAxis::Color, &TChartAxis::SetColor)
                                  .typeName("TColor")
                                  .defaultValue(int64_t{clBlack})
                                  .build();
  return ci;
}

const ClassInfo& TChartPen::Class() {
  static const ClassInfo ci = ClassBuilder<TChartPen>("TChartPen", TPersistent::Class())
                                  .prop("Color", &TChartPen::Color, &TChartPen::SetColor)
                                  .typeName("TColor")
                                  .defaultValue(int64_t{clBlack})
                                  .prop("Visible", &TChartPen::Visible, &TChartPen::SetVisible)
                                  .defaultValue(false)
                                  .build();
  return ci;
}

const ClassInfo& TChartSeries::Class() {
  static const ClassInfo ci = ClassBuilder<TChartSeries>("TChartSeries", TComponent::Class())
                                  .prop("ParentChart", &TChartSeries::ParentChart, &TChartSeries::SetParentChart)
                                  .prop("SeriesColor", &TChartSeries::SeriesColor, &TChartSeries::SetSeriesColor)
                                  .typeName("TColor")
                                  .defaultValue(int64_t{clRed})
                                  .prop("Visible", &TChartSeries::Visible, &TChartSeries::SetVisible)
                                  .defaultValue(true)
                                  .build();
  return ci;
}

const ClassInfo& TBarSeries::Class() {
  static const ClassInfo ci = ClassBuilder<TBarSeries>("TBarSeries", TChartSeries::Class())
                                  .prop("BarPen", &TBarSeries::BarPen)
                                  .build();
  return ci;
}

const ClassInfo& TFastLineSeries::Class() {
  static const ClassInfo ci = ClassBuilder<TFastLineSeries>("TFastLineSeries", TChartSeries::Class()).build();
  return ci;
}

const ClassInfo& TChart::Class() {
  static const ClassInfo ci = ClassBuilder<TChart>("TChart", TCustomControl::Class())
                                  .prop("LeftAxis", &TChart::LeftAxis)
                                  .prop("BottomAxis", &TChart::BottomAxis)
                                  .prop("MarginLeft", &TChart::MarginLeft, &TChart::SetMarginLeft)
                                  .defaultValue(int64_t{0})
                                  .prop("MarginTop", &TChart::MarginTop, &TChart::SetMarginTop)
                                  .defaultValue(int64_t{0})
                                  .prop("MarginRight", &TChart::MarginRight, &TChart::SetMarginRight)
                                  .defaultValue(int64_t{0})
                                  .prop("MarginBottom", &TChart::MarginBottom, &TChart::SetMarginBottom)
                                  .defaultValue(int64_t{0})
                                  .prop("AutoRepaint", &TChart::AutoRepaint, &TChart::SetAutoRepaint)
                                  .defaultValue(true)
                                  .build();
  return ci;
}

// ---- axis and pen ----------------------------------------------------------

void TChartAxis::SetMinMax(double AMin, double AMax) {
  if (AMin == minimum_ && AMax == maximum_) return;
  minimum_ = AMin;
  maximum_ = AMax;
  chart_->Changed();
}

void TChartAxis::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  chart_->Changed();
}

void TChartAxis::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  chart_->Changed();
}

void TChartPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  if (OnChange) OnChange();
}

void TChartPen::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (OnChange) OnChange();
}

// ---- series ----------------------------------------------------------------

void TChartSeries::BeforeDestruction() {
  SetParentChart(nullptr);
  TComponent::BeforeDestruction();
}

void TChartSeries::SetParentChart(TChart* chart) {
  if (chart == chart_) return;
  if (chart_) {
    auto& list = chart_->series_;
    list.erase(std::find(list.begin(), list.end(), this));
    chart_->Changed();
  }
  chart_ = chart;
  if (chart_) {
    chart_->series_.push_back(this);
    chart_->Changed();
  }
}

void TChartSeries::SetParentComponent(TComponent* c) {
  if (auto* chart = dynamic_cast<TChart*>(c)) SetParentChart(chart);
}

void TChartSeries::Changed() {
  if (chart_) chart_->Changed();
}

int TChartSeries::Add(double AValue, const std::string&, TColor AColor) {
  values_.push_back(AValue);
  colors_.push_back(AColor);
  Changed();
  return Count() - 1;
}

void TChartSeries::Clear() {
  values_.clear();
  colors_.clear();
  Changed();
}

TColor TChartSeries::ValueColor(int i) const {
  const TColor c = colors_.at(static_cast<size_t>(i));
  return c == clDefault ? color_ : c;
}

void TChartSeries::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed();
}

void TChartSeries::SetSeriesColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

// ---- chart -----------------------------------------------------------------

TChart::TChart(TComponent* owner) : TCustomControl(owner) {
  style_ |= csOpaque;
  SetBounds(0, 0, 400, 250);
  SetColor(clBtnFace);
}

void TChart::BeforeDestruction() {
  for (TChartSeries* s : series_) s->chart_ = nullptr;
  series_.clear();
  TCustomControl::BeforeDestruction();
}

void TChart::Changed() {
  if (auto_repaint_) Invalidate();
}

void TChart::SetMargins(const TRect& m) {
  if (m == margins_) return;
  margins_ = m;
  Changed();
}

TRect TChart::ChartRect() const {
  const TRect r = Rect(margins_.Left, margins_.Top, Width() - margins_.Right, Height() - margins_.Bottom);
  return IsRectEmpty(r) ? TRect{} : r;
}

namespace {

// An axis range laid onto pixel edges: `at` is where Minimum lies and
// `step` the pixels per unit (negative upward).
struct AxisScale {
  double minimum = 0, at = 0, step = 0;
  bool Valid() const { return step != 0; }
  double Pixel(double v) const { return at + (v - minimum) * step; }
};

AxisScale Scale(const TChartAxis& axis, int from, int to) {
  const double lo = axis.Minimum(), hi = axis.Maximum();
  // Compared without raising the invalid-operation flag for a NaN range.
  if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isgreater(hi, lo)) return {};
  const double step = (to - from) / (hi - lo);
  if (!std::isfinite(step) || step == 0) return {};
  return {lo, static_cast<double>(from), step};
}

// The first pixel whose centre lies at or beyond edge x, within [lo, hi].
int CentreEdge(double x, int lo, int hi) {
  x = std::clamp(x, static_cast<double>(lo), static_cast<double>(hi));
  return static_cast<int>(std::ceil(x - 0.5));
}

// The pixel a point falls in, the far edge belonging to the last one.
int PixelAt(double x, int lo, int hi) {
  return std::clamp(static_cast<int>(std::floor(x)), lo, hi - 1);
}

bool Positive(double v) { return std::isfinite(v) && v > 0; }

// Cuts the segment to the closed rectangle [l, r] x [t, b]; false when
// nothing of it is inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double l, double t, double r, double b) {
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - l, r - x0, y0 - t, b - y0};
  double t0 = 0, t1 = 1;
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double u = q[k] / p[k];
    if (p[k] < 0) {
      if (u > t1) return false;
      t0 = std::max(t0, u);
    } else {
      if (u < t0) return false;
      t1 = std::min(t1, u);
    }
  }
  const double sx = x0, sy = y0;
  x0 = sx + t0 * dx;
  y0 = sy + t0 * dy;
  x1 = sx + t1 * dx;
  y1 = sy + t1 * dy;
  return true;
}

// Far points are pulled in so that the clip stays exact for the pixels it
// keeps; beyond a billion pixels the difference cannot show.
constexpr double kFarPixel = 1e9;

}  // namespace

void TChart::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  const TRect plot = ChartRect();
  if (IsRectEmpty(plot)) return;
  const int saved = c.SaveDC();
  c.IntersectClipRect(plot);
  PaintBars(c, plot);
  for (const TChartSeries* s : series_)
    if (s->Visible() && dynamic_cast<const TFastLineSeries*>(s)) PaintLine(c, plot, *s);
  c.RestoreDC(saved);
  c.Pen().SetWidth(1);
  c.Pen().SetStyle(TPenStyle::psSolid);
  if (left_.Visible()) {
    c.Pen().SetColor(left_.Color());
    c.MoveTo(plot.Left, plot.Top);
    c.LineTo(plot.Left, plot.Bottom);
  }
  if (bottom_.Visible()) {
    c.Pen().SetColor(bottom_.Color());
    c.MoveTo(plot.Left, plot.Bottom - 1);
    c.LineTo(plot.Right, plot.Bottom - 1);
  }
}

void TChart::PaintBars(TCanvas& c, const TRect& plot) {
  const AxisScale xs = Scale(bottom_, plot.Left, plot.Right);
  const AxisScale ys = Scale(left_, plot.Bottom, plot.Top);
  if (!xs.Valid() || !ys.Valid()) return;
  // The visible bar series, walked in place: a repaint allocates nothing.
  auto visibleBars = [this](auto&& each) {
    for (const TChartSeries* s : series_)
      if (auto* b = dynamic_cast<const TBarSeries*>(s); b && b->Visible()) each(*b);
  };
  int count = -1;
  visibleBars([&](const TBarSeries& b) { count = std::max(count, b.Count()); });
  if (count < 0) return;
  // Columns that overlap the bottom axis range.
  const double lo = std::floor(bottom_.Minimum()), hi = std::ceil(bottom_.Maximum());
  const int first = lo <= 0 ? 0 : lo >= count ? count : static_cast<int>(lo);
  const int last = hi <= first ? first : hi >= count ? count : static_cast<int>(hi);
  if (first >= last) return;
  const size_t n = static_cast<size_t>(last - first);
  sums_.assign(n, 0.0);
  below_.assign(n, 0.0);
  visibleBars([&](const TBarSeries& b) {
    for (int i = first; i < std::min(last, b.Count()); ++i)
      if (const double v = b.values_[static_cast<size_t>(i)]; Positive(v)) sums_[static_cast<size_t>(i - first)] += v;
  });

  c.Pen().SetWidth(1);
  c.Pen().SetStyle(TPenStyle::psSolid);
  visibleBars([&](const TBarSeries& b) {
    const bool outline = b.BarPen()->Visible();
    c.Pen().SetColor(b.BarPen()->Color());
    int right = CentreEdge(xs.Pixel(first), plot.Left, plot.Right);
    for (int i = first; i < last; ++i) {
      const int left = right;
      right = CentreEdge(xs.Pixel(i + 1.0), plot.Left, plot.Right);
      if (i >= b.Count()) break;
      const double v = b.values_[static_cast<size_t>(i)];
      const size_t k = static_cast<size_t>(i - first);
      const double sum = sums_[k];
      // A column without positive values has nothing to share out.
      if (!Positive(v) || !Positive(sum)) continue;
      const double from = below_[k] * 100 / sum, to = (below_[k] + v) * 100 / sum;
      below_[k] += v;
      const int top = CentreEdge(ys.Pixel(to), plot.Top, plot.Bottom);
      const int bottom = CentreEdge(ys.Pixel(from), plot.Top, plot.Bottom);
      if (left >= right || top >= bottom) continue;
      c.Brush().SetColor(b.ValueColor(i));
      if (outline)
        c.Rectangle(left, top, right, bottom);
      else
        c.FillRect(Rect(left, top, right, bottom));
    }
  });
}

void TChart::PaintLine(TCanvas& c, const TRect& plot, const TChartSeries& s) {
  const AxisScale xs = Scale(bottom_, plot.Left, plot.Right);
  const AxisScale ys = Scale(left_, plot.Bottom, plot.Top);
  if (!xs.Valid() || !ys.Valid() || s.Count() < 2) return;
  // Segments from point i to i + 1 that can meet the bottom axis range.
  const double lo = std::ceil(bottom_.Minimum()) - 1, hi = std::floor(bottom_.Maximum());
  const int last = s.Count() - 1;
  const int first = lo <= 0 ? 0 : lo >= last ? last : static_cast<int>(lo);
  const int end = hi <= first ? first : hi >= last ? last : static_cast<int>(hi) + 1;
  const TColor colour = s.SeriesColor();
  c.Pen().SetColor(colour);
  c.Pen().SetWidth(1);
  c.Pen().SetStyle(TPenStyle::psSolid);
  const double l = plot.Left, t = plot.Top, r = plot.Right, b = plot.Bottom;
  // Connected pixels go out as one polyline; it leaves out its last point,
  // which is set on its own.
  auto flush = [&] {
    if (line_.empty()) return;
    c.Polyline(line_);
    c.SetPixel(line_.back().X, line_.back().Y, colour);
    line_.clear();
  };
  line_.clear();
  for (int i = first; i < end; ++i) {
    const double v0 = s.values_[static_cast<size_t>(i)], v1 = s.values_[static_cast<size_t>(i) + 1];
    if (!std::isfinite(v0) || !std::isfinite(v1)) {
      flush();
      continue;
    }
    double x0 = std::clamp(xs.Pixel(i), -kFarPixel, kFarPixel);
    double x1 = std::clamp(xs.Pixel(i + 1.0), -kFarPixel, kFarPixel);
    double y0 = std::clamp(ys.Pixel(v0), -kFarPixel, kFarPixel);
    double y1 = std::clamp(ys.Pixel(v1), -kFarPixel, kFarPixel);
    if (!ClipSegment(x0, y0, x1, y1, l, t, r, b)) {
      flush();
      continue;
    }
    const TPoint from{PixelAt(x0, plot.Left, plot.Right), PixelAt(y0, plot.Top, plot.Bottom)};
    const TPoint to{PixelAt(x1, plot.Left, plot.Right), PixelAt(y1, plot.Top, plot.Bottom)};
    if (line_.empty() || line_.back() != from) {
      flush();
      line_.push_back(from);
    }
    line_.push_back(to);
  }
  flush();
}

}  // namespace tavrel
