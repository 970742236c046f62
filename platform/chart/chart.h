#pragma once
// The chart component of the main window: a background colour, margins, a
// left and a bottom axis whose ranges are set by hand, and two kinds of
// series, bars stacked to 100 % and fast lines. There is no legend, title,
// frame, 3-D look, zoom or panning. Drawn with the canvas, so it renders
// offscreen like every other control.
//
//   auto* chart = TComponent::Create<TChart>(form);
//   chart->SetParent(form);
//   chart->SetBounds(24, 32, 409, 57);
//   chart->SetColor(clBlack);
//   chart->LeftAxis()->SetMinMax(0, 100);
//   chart->BottomAxis()->SetMinMax(0, 256);
//   auto* bars = TComponent::Create<TBarSeries>(form);
//   bars->SetParentChart(chart);
//   bars->SetSeriesColor(clLime);
//   chart->SetAutoRepaint(false);           // many changes, one paint
//   bars->Clear();
//   for (double v : values) bars->Add(v);
//   chart->SetAutoRepaint(true);
//   chart->Repaint();
//
// Geometry. The plot area is the client area less the margins (pixels).
// An axis maps its range linearly onto the plot area's edges: the bottom
// axis from the left edge (Minimum) to the right edge (Maximum), the left
// axis from the bottom edge up to the top edge. An axis whose Maximum is
// not above its Minimum shows nothing. The bar series draw first, then the
// line series, each in the order they joined the chart, clipped to the plot
// area, so points outside the axis ranges are cut away.
//  - Bars: point i of a bar series covers [i, i+1) on the bottom axis. The
//    visible bar series stack (the first one at the bottom) and every
//    column is scaled so that its positive values sum to 100 in left-axis
//    units; values of 0 or below take no room, and a column whose sum is 0
//    draws nothing. A pixel belongs to a bar when its centre lies inside
//    the bar. The outline pen, when visible, takes the bar's edge pixels.
//  - Fast lines: point i lies at i on the bottom axis and its value on the
//    left axis; consecutive points are joined by one-pixel lines. A point
//    is drawn in the pixel it falls in (the last row or column for a point
//    on the far edge). Non-finite values break the line.
//  - A visible axis draws a one-pixel line in its colour along its edge of
//    the plot area, over the series; a hidden axis draws nothing.
// Changes repaint the chart while AutoRepaint is on; with it off nothing
// repaints until Repaint (or Invalidate) is called. Enabled is the
// control's own: the chart has no interaction to switch off.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/controls.h"

namespace tavrel {

class TChart;

// A left or bottom axis with a manual range.
class TChartAxis : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  explicit TChartAxis(TChart* chart) : chart_(chart) {}

  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  void SetMinimum(double v) { SetMinMax(v, maximum_); }
  void SetMaximum(double v) { SetMinMax(minimum_, v); }
  void SetMinMax(double AMin, double AMax);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TColor Color() const { return color_; }  // of the axis line
  void SetColor(TColor v);

 private:
  TChart* chart_;
  double minimum_ = 0, maximum_ = 100;
  bool visible_ = true;
  TColor color_ = clBlack;
};

// The outline of bars: drawn when visible, one pixel wide.
class TChartPen : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  std::function<void()> OnChange;

 private:
  TColor color_ = clBlack;
  bool visible_ = false;
};

// The values of one series and how they look.
class TChartSeries : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TChartSeries(TComponent* owner) : TComponent(owner) {}

  TChart* ParentChart() const { return chart_; }
  void SetParentChart(TChart* chart);
  void SetParentComponent(TComponent* c) override;

  // Appends a point at the next index; its colour is the series colour
  // unless given. Labels are taken for the call's shape: the chart draws
  // no marks. Returns the point's index.
  int Add(double AValue, const std::string& ALabel = "", TColor AColor = clDefault);
  void Clear();
  int Count() const { return static_cast<int>(values_.size()); }
  double YValue(int i) const { return values_.at(static_cast<size_t>(i)); }
  TColor ValueColor(int i) const;  // the point's own colour or the series colour

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TColor SeriesColor() const { return color_; }
  void SetSeriesColor(TColor v);

 protected:
  void BeforeDestruction() override;
  void Changed();

  TChart* chart_ = nullptr;

 private:
  friend class TChart;
  std::vector<double> values_;
  std::vector<TColor> colors_;  // clDefault: the series colour
  bool visible_ = true;
  TColor color_ = clRed;
};

class TBarSeries : public TChartSeries {
  TAVREL_CLASS_INFO
 public:
  explicit TBarSeries(TComponent* owner) : TChartSeries(owner) {
    pen_.OnChange = [this] { Changed(); };
  }
  TChartPen* BarPen() const { return const_cast<TChartPen*>(&pen_); }

 private:
  TChartPen pen_;
};

class TFastLineSeries : public TChartSeries {
  TAVREL_CLASS_INFO
 public:
  explicit TFastLineSeries(TComponent* owner) : TChartSeries(owner) {}
};

class TChart : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TChart(TComponent* owner);

  TChartAxis* LeftAxis() const { return const_cast<TChartAxis*>(&left_); }
  TChartAxis* BottomAxis() const { return const_cast<TChartAxis*>(&bottom_); }

  int MarginLeft() const { return margins_.Left; }
  int MarginTop() const { return margins_.Top; }
  int MarginRight() const { return margins_.Right; }
  int MarginBottom() const { return margins_.Bottom; }
  void SetMarginLeft(int v) { SetMargins({v, margins_.Top, margins_.Right, margins_.Bottom}); }
  void SetMarginTop(int v) { SetMargins({margins_.Left, v, margins_.Right, margins_.Bottom}); }
  void SetMarginRight(int v) { SetMargins({margins_.Left, margins_.Top, v, margins_.Bottom}); }
  void SetMarginBottom(int v) { SetMargins({margins_.Left, margins_.Top, margins_.Right, v}); }
  // The plot area in client coordinates.
  TRect ChartRect() const;

  bool AutoRepaint() const { return auto_repaint_; }
  void SetAutoRepaint(bool v) { auto_repaint_ = v; }  // turning it on does not repaint

  int SeriesCount() const { return static_cast<int>(series_.size()); }
  TChartSeries* Series(int i) const { return series_.at(static_cast<size_t>(i)); }

  // Something shown changed: repaints when AutoRepaint is on.
  void Changed();

 protected:
  void BeforeDestruction() override;
  void Paint() override;

 private:
  friend class TChartSeries;
  void SetMargins(const TRect& m);
  void PaintBars(TCanvas& c, const TRect& plot);
  void PaintLine(TCanvas& c, const TRect& plot, const TChartSeries& s);

  TChartAxis left_{this}, bottom_{this};
  TRect margins_;  // Left, Top, Right, Bottom widths
  bool auto_repaint_ = true;
  std::vector<TChartSeries*> series_;
  // Paint scratch: per column, the positive sum and the part already
  // stacked; the pixels of the line being drawn.
  std::vector<double> sums_, below_;
  std::vector<TPoint> line_;
};

}  // namespace tavrel
