#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/chart/chart.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/module.h"
#include "platform/ui/offscreen.h"

namespace tavrel {
namespace {

using test::InkBounds;
using test::Picture;

using Runs = std::vector<std::pair<TColor, int>>;

class Chart : public testing::Test {
 protected:
  void SetUp() override {
    app = TComponent::CreateUnowned<TApplication>(std::make_shared<OffscreenBackend>());
    form = app->CreateForm<TForm>();
    form->SetBounds(0, 0, 200, 160);
    NewChart();
  }
  void TearDown() override { app.reset(); }

  // A black chart with hidden axes, as the main window keeps them.
  void NewChart() {
    if (chart) chart->Destroy();
    chart = TComponent::Create<TChart>(form);
    chart->SetParent(form);
    chart->SetColor(clBlack);
    chart->LeftAxis()->SetVisible(false);
    chart->BottomAxis()->SetVisible(false);
  }

  template <class S>
  S* AddSeries(TColor colour) {
    auto* s = TComponent::Create<S>(form);
    s->SetParentChart(chart);
    s->SetSeriesColor(colour);
    return s;
  }
  // The chart's pixels as the form shows them now.
  TBitmap Image() {
    form->Show();
    app->ProcessMessages();
    TBitmap b;
    CairoSurface part = CopySurfaceRect(form->Surface(), chart->BoundsRect());
    b.AssignSurface(part.get());
    return b;
  }
  // Colour runs down one column, top first: {colour, rows}.
  static Runs ColumnRuns(TBitmap& b, int x) {
    Runs runs;
    for (int y = 0; y < b.Height(); ++y) {
      const TColor c = b.Canvas().Pixel(x, y);
      if (!runs.empty() && runs.back().first == c)
        ++runs.back().second;
      else
        runs.push_back({c, 1});
    }
    return runs;
  }

  ComponentPtr<TApplication> app;
  TForm* form = nullptr;
  TChart* chart = nullptr;
};

// Each column's positive values share out the left axis's 0..100; the first
// series sits at the bottom and a pixel row belongs to the band that holds
// its centre.
TEST_F(Chart, StackedColumnsShareTheHeightByTheirPositiveValues) {
  struct Case {
    const char* name;
    int height;
    std::vector<std::vector<double>> columns;  // per column, the values of series 1..3
    std::vector<Runs> want;                    // per column
  } cases[] = {
      {"whole percents", 100, {{10, 30, 60}, {1, 0, 3}},
       {{{clBlue, 60}, {clLime, 30}, {clRed, 10}}, {{clBlue, 75}, {clRed, 25}}}},
      // 57 rows: thirds fall on whole rows; 25 % is 14.25 rows, so those
      // edges fall at 42.75 and 14.25.
      {"the main window's height", 57, {{65535, 0, 2 * 65535.0}, {1, 2, 1}},
       {{{clBlue, 38}, {clRed, 19}}, {{clBlue, 14}, {clLime, 29}, {clRed, 14}}}},
      {"values of 0 and below take no room", 40, {{-5, 2, 2}, {0, 7, -1}},
       {{{clBlue, 20}, {clLime, 20}}, {{clLime, 40}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NewChart();
    chart->SetBounds(0, 0, 20, c.height);
    chart->LeftAxis()->SetMinMax(0, 100);
    chart->BottomAxis()->SetMinMax(0, 2);
    TBarSeries* s[3] = {AddSeries<TBarSeries>(clRed), AddSeries<TBarSeries>(clLime), AddSeries<TBarSeries>(clBlue)};
    for (const auto& column : c.columns)
      for (int k = 0; k < 3; ++k) s[k]->Add(column[static_cast<size_t>(k)]);
    TBitmap b = Image();
    for (size_t col = 0; col < c.want.size(); ++col) {
      EXPECT_EQ(ColumnRuns(b, static_cast<int>(col) * 10), c.want[col]) << "column " << col << "\n" << Picture(b, clBlack);
      EXPECT_EQ(ColumnRuns(b, static_cast<int>(col) * 10 + 9), c.want[col]) << "bar " << col << " is 10 pixels wide";
    }
  }
}

// Bar i covers [i, i+1): with 3 bars over 7 pixels the edges fall at 2.33
// and 4.67, and a pixel goes to the bar holding its centre.
TEST_F(Chart, BarsFillTheirUnitsWithoutGapsOrOverlap) {
  chart->SetBounds(0, 0, 7, 10);
  chart->BottomAxis()->SetMinMax(0, 3);
  TBarSeries* bars = AddSeries<TBarSeries>(clRed);
  for (TColor c : {clRed, clLime, clBlue}) bars->Add(1, "", c);
  TBitmap b = Image();
  EXPECT_EQ(test::Row(b, 5), (std::vector<TColor>{clRed, clRed, clLime, clLime, clLime, clBlue, clBlue}));
}

TEST_F(Chart, HiddenSeriesTakeNoRoomAndOutlinesTakeTheEdgePixels) {
  chart->SetBounds(0, 0, 10, 40);
  chart->BottomAxis()->SetMinMax(0, 1);
  TBarSeries* low = AddSeries<TBarSeries>(clLime);
  TBarSeries* hidden = AddSeries<TBarSeries>(clWhite);
  TBarSeries* outlined = AddSeries<TBarSeries>(clBlack);
  outlined->BarPen()->SetVisible(true);
  outlined->BarPen()->SetColor(clRed);
  low->Add(1);
  hidden->Add(2);
  outlined->Add(1);
  hidden->SetVisible(false);
  TBitmap b = Image();
  EXPECT_EQ(ColumnRuns(b, 0), (Runs{{clRed, 20}, {clLime, 20}}));
  EXPECT_EQ(ColumnRuns(b, 5), (Runs{{clRed, 1}, {clBlack, 18}, {clRed, 1}, {clLime, 20}}));
}

// Every output column holds zeros: nothing is drawn, and nothing divides
// by the zero sum (the program runs with floating-point traps).
TEST_F(Chart, ZeroColumnsDrawNothingAndRaiseNoFloatingPointFlag) {
  chart->SetBounds(0, 0, 30, 20);
  chart->BottomAxis()->SetMinMax(0, 3);
  TBarSeries* a = AddSeries<TBarSeries>(clRed);
  TBarSeries* b = AddSeries<TBarSeries>(clLime);
  for (double v : {0.0, 0.0, 4.0}) a->Add(v);
  for (double v : {0.0, -3.0, 4.0}) b->Add(v);
  form->Show();
  std::feclearexcept(FE_ALL_EXCEPT);
  chart->Repaint();
  const int raised = std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
  EXPECT_EQ(raised, 0) << "divide by zero " << (raised & FE_DIVBYZERO) << ", invalid " << (raised & FE_INVALID);
  TBitmap img = Image();
  EXPECT_EQ(InkBounds(img, clBlack), Rect(20, 0, 30, 20)) << Picture(img, clBlack);
}

// A fast line is cut at the plot area, which the axis ranges span: the
// margins stay clear whatever the values.
TEST_F(Chart, FastLinesAreClippedAtTheAxisRanges) {
  chart->SetBounds(0, 0, 50, 30);
  chart->SetMarginLeft(5);
  chart->SetMarginTop(5);
  chart->SetMarginRight(5);
  chart->SetMarginBottom(5);
  chart->LeftAxis()->SetVisible(false);
  chart->BottomAxis()->SetVisible(false);
  EXPECT_EQ(chart->ChartRect(), Rect(5, 5, 45, 25));
  chart->BottomAxis()->SetMinMax(2, 12);  // 4 pixels per point
  chart->LeftAxis()->SetMinMax(0, 10);    // 2 pixels per unit
  TFastLineSeries* flat = AddSeries<TFastLineSeries>(clLime);
  for (int i = 0; i < 20; ++i) flat->Add(5);  // points 0, 1 and 13.. lie outside
  TBitmap b = Image();
  EXPECT_EQ(InkBounds(b, clBlack), Rect(5, 15, 45, 16)) << Picture(b, clBlack);

  flat->Clear();
  for (double v : {5.0, 5.0, 5.0, 15.0, 15.0, -1e300, 5.0}) flat->Add(v);
  b = Image();
  EXPECT_EQ(InkBounds(b, clBlack), Rect(5, 5, 22, 25)) << "nothing in the margins\n" << Picture(b, clBlack);
  EXPECT_EQ(b.Canvas().Pixel(5, 15), clLime) << "from point 2 at the left edge";
  EXPECT_EQ(b.Canvas().Pixel(7, 5), clLime) << "up through the top edge half way to point 3";
  EXPECT_EQ(b.Canvas().Pixel(12, 5), clBlack) << "point 3 to 4 runs above the range";
  EXPECT_EQ(b.Canvas().Pixel(13, 24), clLime) << "down to the bottom edge towards point 5";

  // A point that is not a number breaks the line there.
  flat->Clear();
  for (double v : {5.0, 5.0, 5.0, std::numeric_limits<double>::quiet_NaN(), 5.0, 5.0, 5.0}) flat->Add(v);
  b = Image();
  const std::vector<TColor> row = test::Row(b, 15);
  EXPECT_EQ(row[5], clLime) << "point 2 itself is drawn";
  EXPECT_EQ(row[6], clBlack) << "no segment to point 3";
  EXPECT_EQ(row[12], clBlack);
  EXPECT_EQ(row[13], clLime) << "from point 4 on";
  EXPECT_EQ(row[21], clLime);
}

TEST_F(Chart, HiddenAxesDrawNothing) {
  chart->SetBounds(0, 0, 30, 20);
  chart->SetMarginLeft(3);
  chart->SetMarginBottom(2);
  chart->LeftAxis()->SetVisible(true);
  chart->BottomAxis()->SetVisible(true);
  chart->LeftAxis()->SetColor(clWhite);
  chart->BottomAxis()->SetColor(clYellow);
  TBitmap shown = Image();
  EXPECT_EQ(InkBounds(shown, clBlack), Rect(3, 0, 30, 18));
  EXPECT_EQ(ColumnRuns(shown, 3), (Runs{{clWhite, 17}, {clYellow, 1}, {clBlack, 2}}));
  EXPECT_EQ(test::Row(shown, 17)[29], clYellow);
  chart->LeftAxis()->SetVisible(false);
  chart->BottomAxis()->SetVisible(false);
  TBitmap hidden = Image();
  EXPECT_EQ(InkBounds(hidden, clBlack), TRect{}) << Picture(hidden, clBlack);
}

// With AutoRepaint off, changes wait for one explicit repaint.
TEST_F(Chart, AutoRepaintOffWaitsForTheExplicitRepaint) {
  chart->SetBounds(0, 0, 10, 10);
  chart->BottomAxis()->SetMinMax(0, 1);
  TBarSeries* bars = AddSeries<TBarSeries>(clRed);
  TBitmap before = Image();
  EXPECT_EQ(InkBounds(before, clBlack), TRect{});

  chart->SetAutoRepaint(false);
  bars->Add(1);
  chart->SetAutoRepaint(true);
  EXPECT_FALSE(form->NeedsPaint());
  TBitmap waiting = Image();
  EXPECT_EQ(InkBounds(waiting, clBlack), TRect{}) << "no repaint yet";
  chart->Repaint();
  TBitmap after = Image();
  EXPECT_EQ(InkBounds(after, clBlack), Rect(0, 0, 10, 10));

  bars->Clear();  // AutoRepaint on: the next paint shows it
  EXPECT_TRUE(form->NeedsPaint());
  TBitmap cleared = Image();
  EXPECT_EQ(InkBounds(cleared, clBlack), TRect{});
}

TEST_F(Chart, DisabledChartsDrawTheSameAndTakeNoClicks) {
  chart->SetBounds(10, 10, 20, 20);
  AddSeries<TBarSeries>(clLime)->Add(3);
  chart->BottomAxis()->SetMinMax(0, 1);
  int clicks = 0;
  chart->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  TBitmap enabled = Image();
  chart->SetEnabled(false);
  chart->Repaint();
  TBitmap disabled = Image();
  EXPECT_TRUE(SameRGB(enabled.Surface(), disabled.Surface()));
  form->InjectMouse(WM_LBUTTONDOWN, 15, 15, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 15, 15, 0);
  EXPECT_EQ(clicks, 0);
  chart->SetEnabled(true);
  form->InjectMouse(WM_LBUTTONDOWN, 15, 15, MK_LBUTTON);
  form->InjectMouse(WM_LBUTTONUP, 15, 15, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Chart, SeriesAndChartLetGoOfEachOther) {
  TBarSeries* a = AddSeries<TBarSeries>(clRed);
  TFastLineSeries* b = AddSeries<TFastLineSeries>(clLime);
  EXPECT_EQ(chart->SeriesCount(), 2);
  a->Destroy();
  ASSERT_EQ(chart->SeriesCount(), 1);
  EXPECT_EQ(chart->Series(0), b);
  chart->Destroy();
  EXPECT_EQ(b->ParentChart(), nullptr);
  b->Add(1);  // no chart to tell
}

TEST_F(Chart, FormDataBuildsChartsWithTheirSeries) {
  ModuleRun classes(UiModuleSteps());
  auto root = TComponent::CreateUnowned<TForm>();
  ReadRootComponent(*root, ObjectTextToBinary(R"(
object fmMain: TForm
  object GraphAudioIn: TChart
    Left = 24
    Top = 32
    Width = 409
    Height = 57
    Color = clBlack
    AutoRepaint = False
    LeftAxis.Visible = False
    LeftAxis.Maximum = 65536
    LeftAxis.Minimum = -65536
    BottomAxis.Maximum = 256
    object Series2: TBarSeries
      SeriesColor = clBlack
      BarPen.Color = clRed
      BarPen.Visible = True
    end
    object Series11: TFastLineSeries
      SeriesColor = clLime
      Visible = False
    end
  end
end)"));
  auto* in = dynamic_cast<TChart*>(root->FindComponent("GraphAudioIn"));
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->BoundsRect(), Bounds(24, 32, 409, 57));
  EXPECT_FALSE(in->AutoRepaint());
  EXPECT_FALSE(in->LeftAxis()->Visible());
  EXPECT_EQ(in->LeftAxis()->Minimum(), -65536);
  EXPECT_EQ(in->LeftAxis()->Maximum(), 65536);
  EXPECT_EQ(in->BottomAxis()->Maximum(), 256);
  ASSERT_EQ(in->SeriesCount(), 2);
  auto* bars = dynamic_cast<TBarSeries*>(in->Series(0));
  ASSERT_NE(bars, nullptr);
  EXPECT_EQ(bars->Name(), "Series2");
  EXPECT_EQ(bars->SeriesColor(), clBlack);
  EXPECT_TRUE(bars->BarPen()->Visible());
  EXPECT_EQ(bars->BarPen()->Color(), clRed);
  EXPECT_FALSE(in->Series(1)->Visible());
}

}  // namespace
}  // namespace tavrel
