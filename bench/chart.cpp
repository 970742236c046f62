// One repaint of both main-window charts (409 x 57 each, 18 series of 257
// points), in either drawing mode: stacked bars (left axis 0..100) or fast
// lines (left axis -65536..65536), the other kind hidden but filled. The
// reference is the time one 512-frame buffer lasts at 44.1 kHz: a push of
// the history repaints the input chart once per captured buffer.
//
//   bench_chart [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "bench/support.h"
#include "platform/chart/chart.h"
#include "platform/ui/offscreen.h"

namespace {

using namespace tavrel;

constexpr int kPoints = 257;
constexpr double kBufferPeriodNs = 512.0 / 44100.0 * 1e9;

struct MainWindowCharts {
  ComponentPtr<TApplication> app = TComponent::CreateUnowned<TApplication>(std::make_shared<OffscreenBackend>());
  TForm* form = app->CreateForm<TForm>();
  TChart* charts[2] = {};

  explicit MainWindowCharts(bool fill) {
    form->SetBounds(0, 0, 460, 180);
    const TColor barColours[5] = {clBlack, clBlack, clBlack, clLime, clBlack};
    const TColor lineColours[4] = {clLime, clLime, clRed, clRed};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    for (int k = 0; k < 2; ++k) {
      TChart* chart = charts[k] = TComponent::Create<TChart>(form);
      chart->SetParent(form);
      chart->SetBounds(24, 32 + 64 * k, 409, 57);
      chart->SetColor(clBlack);
      chart->LeftAxis()->SetVisible(false);
      chart->BottomAxis()->SetVisible(false);
      chart->BottomAxis()->SetMinMax(0, 256);
      chart->LeftAxis()->SetMinMax(fill ? 0 : -65536, fill ? 100 : 65536);
      chart->SetAutoRepaint(false);
      TBarSeries* bars[5];
      for (int s = 0; s < 5; ++s) {
        bars[s] = TComponent::Create<TBarSeries>(form);
        bars[s]->SetParentChart(chart);
        bars[s]->SetSeriesColor(barColours[s]);
        bars[s]->SetVisible(fill);
      }
      bars[1]->BarPen()->SetColor(clRed);
      bars[1]->BarPen()->SetVisible(true);
      TFastLineSeries* lines[4];
      for (int s = 0; s < 4; ++s) {
        lines[s] = TComponent::Create<TFastLineSeries>(form);
        lines[s]->SetParentChart(chart);
        lines[s]->SetSeriesColor(lineColours[s]);
        lines[s]->SetVisible(!fill);
      }
      // The history's values: headrooms and spans of random minima and maxima.
      for (int i = 0; i < kPoints; ++i) {
        const int minL = -std::abs(sample(rng)), maxL = std::abs(sample(rng));
        const int minR = -std::abs(sample(rng)), maxR = std::abs(sample(rng));
        const double x = 65535.0 - (-minL + maxL), y = 65535.0 - (-minR + maxR);
        const double column[5] = {y, double(maxR - minR), x + y, double(maxL - minL), x};
        for (int s = 0; s < 5; ++s) bars[s]->Add(column[s]);
        const double line[4] = {minL + 33000.0, maxL + 33000.0, minR - 33000.0, maxR - 33000.0};
        for (int s = 0; s < 4; ++s) lines[s]->Add(line[s]);
      }
      chart->SetAutoRepaint(true);
    }
    form->Show();
    app->ProcessMessages();
  }

  void Repaint() {
    for (TChart* c : charts) c->Invalidate();
    form->PaintInvalid();
  }
};

void RepaintBoth(benchmark::State& state) {
  MainWindowCharts charts(state.range(0) == 1);
  for (auto _ : state) charts.Repaint();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RegisterBenchmark("repaint_both/bars", RepaintBoth)->Arg(1)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("repaint_both/lines", RepaintBoth)->Arg(0)->Unit(benchmark::kMicrosecond);
  tavrel::bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  std::printf("\nOne repaint of both charts (2 x 409 x 57, 18 series x %d points) against one 512-frame\n", kPoints);
  std::printf("buffer period at 44.1 kHz (%.1f ms); goal well under it, aim below 1 ms.\n", kBufferPeriodNs / 1e6);
  std::printf("%-20s %12s %16s\n", "mode", "ms", "ratio to period");
  for (const char* mode : {"bars", "lines"}) {
    const double ns = table.Time(std::string("repaint_both/") + mode + (mode[0] == 'b' ? "/1" : "/0"));
    std::printf("%-20s %12.3f %16.4f\n", mode, ns / 1e6, ns / kBufferPeriodNs);
  }
  benchmark::Shutdown();
  return 0;
}
