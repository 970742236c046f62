// Caption markup laid out at two lengths, 4 KB and 40 KB, for shapes of
// input that stress one part of the renderer each: many words, many lines,
// many tags, entities, one long run cut with an ellipsis, turned text,
// hidden text and a tag left open. The reference of each is its own short
// input: time per byte at ten times the length against time per byte at the
// short one, which stays near 1 when the work grows linearly. One paint of
// the main window's "Passe-bas" caption is timed too.
//
//   bench_markup [--benchmark_repetitions=3]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/support.h"
#include "controls/htmlbtnsMarkup.h"
#include "platform/ui/graphics.h"

namespace {

using namespace tavrel;

struct Shape {
  const char* name;
  std::string unit;  // repeated to the length
  bool wrap, measureOnly;
  std::string head = "";
};

const Shape kShapes[] = {
    {"words_measured", "aaaa ", true, true},
    {"words_drawn", "aaaa ", true, false},
    {"list_levels", "<UL>", true, true},
    {"list_items", "<LI>x", true, true},
    {"bold_tags", "<B>x</B>", true, true},
    {"entities", "&amp;", true, true},
    {"long_run_ellipsis", "a", false, false},
    {"turned_run", "W", false, false, "<R a=\"90\">"},
    {"hidden", "a ", true, false, "<Z>"},
    {"open_tag", "a ", true, true, "<"},
};

std::string Markup(const Shape& s, size_t bytes) {
  std::string m = s.head;
  while (m.size() < bytes) m += s.unit;
  return m;
}

void Render(benchmark::State& state, const Shape& shape) {
  TBitmap bitmap;
  bitmap.SetSize(160, 48);
  TCanvas& c = bitmap.Canvas();
  c.Font().SetName("Tahoma");
  c.Font().SetSize(8);
  const std::string markup = Markup(shape, static_cast<size_t>(state.range(0)));
  TMarkupParams p;
  p.WordWrap = shape.wrap;
  p.MeasureOnly = shape.measureOnly;
  TMarkupResult r;
  for (auto _ : state) benchmark::DoNotOptimize(RenderMarkupText(c, markup, Rect(2, 2, 150, 46), p, r));
}

void Caption(benchmark::State& state) {
  TBitmap bitmap;
  bitmap.SetSize(98, 20);
  TCanvas& c = bitmap.Canvas();
  TMarkupParams p;
  TMarkupResult r;
  for (auto _ : state) benchmark::DoNotOptimize(RenderMarkupText(c, "Passe-bas", Rect(22, 2, 98, 18), p, r));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  constexpr int kShort = 4096, kLong = 40960;
  for (const Shape& s : kShapes)
    benchmark::RegisterBenchmark((std::string("markup/") + s.name).c_str(), Render, s)
        ->Arg(kShort)
        ->Arg(kLong)
        ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("caption/Passe-bas", Caption)->Unit(benchmark::kMicrosecond);
  tavrel::bench::RatioTable table;
  benchmark::RunSpecifiedBenchmarks(&table);

  std::printf("\nTime per byte at %d bytes against time per byte at %d (1.0: linear).\n", kLong, kShort);
  std::printf("%-20s %12s %12s %8s\n", "shape", "us short", "us long", "ratio");
  for (const Shape& s : kShapes) {
    const std::string name = std::string("markup/") + s.name;
    const double shortNs = table.Time(name + "/" + std::to_string(kShort));
    const double longNs = table.Time(name + "/" + std::to_string(kLong));
    std::printf("%-20s %12.1f %12.1f %8.2f\n", s.name, shortNs / 1e3, longNs / 1e3,
                (longNs / kLong) / (shortNs / kShort));
  }
  std::printf("one plain caption (fast path): %.2f us\n", table.Time("caption/Passe-bas") / 1e3);
  benchmark::Shutdown();
  return 0;
}
