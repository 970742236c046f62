#pragma once
// A form on the offscreen backend with the window's two history charts and
// their eighteen series under the window's names, and the input history
// over them.
//
//   class History : public apptest::HistoryFixture {};
//   TEST_F(History, X) { history->PushHistory(...); Input().bars[0] ... }
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/uGraph.h"
#include "platform/ui/forms.h"
#include "platform/ui/offscreen.h"

namespace tavrel::apptest {

// The points of the input chart's series: Series1..5 and Series11..14.
struct InputSeries {
  std::array<std::vector<double>, 5> bars;
  std::array<std::vector<double>, 4> lines;
  bool operator==(const InputSeries&) const = default;
};

inline std::vector<double> Values(const TChartSeries* s) {
  std::vector<double> v;
  for (int i = 0; i < s->Count(); ++i) v.push_back(s->YValue(i));
  return v;
}

// Two charts with their series, named "<prefix>GraphAudioIn", "<prefix>Series1" ...
inline THistoryCharts MakeCharts(TForm* form, const std::string& prefix = "") {
  THistoryCharts c;
  auto chart = [&](const char* name, int top) {
    auto* ch = TComponent::Create<TChart>(form);
    ch->SetName(prefix + name);
    ch->SetParent(form);
    ch->SetBounds(24, top, 409, 57);
    ch->SetColor(clBlack);
    ch->LeftAxis()->SetVisible(false);
    ch->BottomAxis()->SetVisible(false);
    return ch;
  };
  c.GraphAudioIn = chart("GraphAudioIn", 32);
  c.GraphAudioOut = chart("GraphAudioOut", 96);
  const TColor barColours[5] = {clBlack, clRed, clBlack, clLime, clBlack};
  for (size_t i = 0; i < c.Bars.size(); ++i) {
    auto* s = TComponent::Create<TBarSeries>(form);
    s->SetName(prefix + "Series" + std::to_string(i + 1));
    s->SetParentChart(i < 5 ? c.GraphAudioIn : c.GraphAudioOut);
    s->SetSeriesColor(barColours[i % 5]);
    c.Bars[i] = s;
  }
  for (size_t i = 0; i < c.Lines.size(); ++i) {
    auto* s = TComponent::Create<TFastLineSeries>(form);
    s->SetName(prefix + "Series" + std::to_string(i + 11));
    s->SetParentChart(i < 4 ? c.GraphAudioIn : c.GraphAudioOut);
    s->SetSeriesColor(i % 4 < 2 ? clLime : clRed);
    c.Lines[i] = s;
  }
  return c;
}

inline InputSeries InputOf(const THistoryCharts& c) {
  InputSeries s;
  for (size_t k = 0; k < 5; ++k) s.bars[k] = Values(c.Bars[k]);
  for (size_t k = 0; k < 4; ++k) s.lines[k] = Values(c.Lines[k]);
  return s;
}

class HistoryFixture : public testing::Test {
 protected:
  void SetUp() override {
    app = TComponent::CreateUnowned<TApplication>(std::make_shared<OffscreenBackend>());
    form = app->CreateForm<TForm>();
    form->SetBounds(0, 0, 440, 160);
    charts = MakeCharts(form);
    history = std::make_unique<TInputHistory>(charts, flags);
    history->InitCharts();
  }
  void TearDown() override {
    history.reset();
    app.reset();
  }

  InputSeries Input() const { return InputOf(charts); }
  // The analysis handler as the generic filter calls it.
  void Tap(const Ref<TALAudioBuffer>& b) {
    Ref<TALAudioBuffer> out = b;
    bool send = true;
    history->ALGenericFilter1ProcessData(nullptr, b, out, send);
  }

  ComponentPtr<TApplication> app;
  TForm* form = nullptr;
  TAudioFlags flags;
  THistoryCharts charts;
  std::unique_ptr<TInputHistory> history;
};

}  // namespace tavrel::apptest
