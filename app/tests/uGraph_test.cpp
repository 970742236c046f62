#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/tests/history_fixture.h"
#include "app/uGraph.h"

namespace tavrel {
namespace {

using apptest::HistoryFixture;
using apptest::InputSeries;
using apptest::Values;

// Interleaved stereo frames as a buffer of the given width.
Ref<TALAudioBuffer> Stereo(uint32_t bits, const std::vector<int32_t>& samples) {
  const uint32_t frames = uint32_t(samples.size() / 2);
  auto b = TALAudioBuffer::CreateSize(44100, bits, 2, frames);
  for (uint32_t i = 0; i < frames; ++i)
    for (uint32_t c = 0; c < 2; ++c) b->SetSample(i, c, samples[i * 2 + c]);
  return b;
}

// The scan of one buffer, and the fill column it gives before the 100 %
// stacking (Series1..Series5 from the bottom).
struct ScanCase {
  const char* name;
  uint32_t bits;
  std::vector<int32_t> samples;  // L, R, L, R ...
  int stopBefore;                // frame at which Busy is found set; -1 never
  THistoryEntry entry;
  std::array<double, 5> column;
};

const ScanCase kScanCases[] = {
    {"silent 16-bit", 16, {0, 0, 0, 0, 0, 0}, -1, {0, 0, 0, 0}, {65535, 0, 131070, 0, 65535}},
    {"full scale 16-bit", 16, {-32768, 32767, 32767, -32768}, -1, {-32768, 32767, -32768, 32767}, {0, 65535, 0, 65535, 0}},
    {"one side only: the minimum stays 0", 16, {100, 300, 2000, 40}, -1, {0, 2000, 0, 300},
     {65235, 300, 128770, 2000, 63535}},
    {"8-bit raw bytes", 8, {127, 130, 200, 10, 3, 127}, -1, {0, 200, 0, 130}, {65405, 130, 130740, 200, 65335}},
    {"empty buffer", 16, {}, -1, {0, 0, 0, 0}, {65535, 0, 131070, 0, 65535}},
    {"Busy from the third frame: what came before", 16, {-10, 20, 30, -40, -30000, 30000}, 2, {-10, 30, -40, 20},
     {65475, 60, 130970, 40, 65495}},
};

class History : public HistoryFixture {};

TEST_F(History, ScanAndFillColumn) {
  for (const ScanCase& c : kScanCases) {
    SCOPED_TRACE(c.name);
    Ref<TALAudioBuffer> b = Stereo(c.bits, c.samples);
    int frame = 0;
    THistoryEntry e = ScanBuffer(*b, [&] { return c.stopBefore >= 0 && frame++ >= c.stopBefore; });
    EXPECT_EQ(e, c.entry);

    history->PushHistory(e.MinL, e.MaxL, e.MinR, e.MaxR);
    InputSeries s = Input();
    for (int k = 0; k < 5; ++k) EXPECT_EQ(s.bars[k].back(), c.column[size_t(k)]) << "Series" << k + 1;
  }
}

TEST_F(History, LengthFollowsTheRateAndKeepsTheNewestAtTheRight) {
  // 300 distinct columns: entry n has MaxL = n + 1.
  for (int32_t n = 0; n < 300; ++n) history->PushHistory(0, n + 1, 0, 0);
  struct Step {
    int rate, len;
  };
  const Step steps[] = {{11025, 64}, {48000, 64}, {22050, 128}, {8000, 128}, {192000, 128}, {44100, 256}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.rate);
    history->SetHistorySampleRate(step.rate);
    EXPECT_EQ(history->HistoryLen(), step.len);
    EXPECT_EQ(history->Queue().Capacity(), step.len);
    for (TChart* chart : {charts.GraphAudioIn, charts.GraphAudioOut}) {
      EXPECT_EQ(chart->BottomAxis()->Minimum(), 0);
      EXPECT_EQ(chart->BottomAxis()->Maximum(), step.len);
      EXPECT_TRUE(chart->Enabled());
    }
    // The newest at the right edge, the ones before it to its left, shown at once.
    EXPECT_EQ(history->Entry(step.len - 1).MaxL, 300);
    EXPECT_EQ(history->Entry(0).MaxL, 300 - step.len + 1);
    InputSeries s = Input();
    ASSERT_EQ(s.bars[3].size(), size_t(step.len));
    EXPECT_EQ(s.bars[3].back(), 300);
    EXPECT_EQ(s.bars[3].front(), 300 - step.len + 1);
  }
}

TEST_F(History, ThreePushesInFillMode) {
  history->PushHistory(-100, 200, -1000, 3000);
  history->PushHistory(-32768, 32767, 0, 0);
  history->PushHistory(-5, 6, -7, 8);
  InputSeries s = Input();
  const std::vector<std::array<double, 5>> last3 = {
      {61535, 4000, 126770, 300, 65235},
      {65535, 0, 65535, 65535, 0},
      {65520, 15, 131044, 11, 65524},
  };
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE("Series" + std::to_string(k + 1));
    ASSERT_EQ(s.bars[k].size(), 256u);
    // The 253 older columns are still the silent start.
    const double silent[5] = {65535, 0, 131070, 0, 65535};
    for (size_t i = 0; i < 253; ++i) ASSERT_EQ(s.bars[k][i], silent[k]) << i;
    for (size_t j = 0; j < 3; ++j) EXPECT_EQ(s.bars[k][253 + j], last3[j][size_t(k)]) << j;
  }
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(s.lines[k].empty());
  // The output chart keeps its zero columns.
  for (size_t k = 5; k < 10; ++k) EXPECT_EQ(Values(charts.Bars[k]), std::vector<double>(256, 0.0));
}

TEST_F(History, ThreePushesInLineMode) {
  history->SetWaveFormFill(false);
  history->PushHistory(-100, 200, -1000, 3000);
  history->PushHistory(-32768, 32767, 0, 0);
  history->PushHistory(-5, 6, -7, 8);
  InputSeries s = Input();
  const std::vector<std::array<double, 4>> last3 = {
      {32900, 33200, -34000, -30000},
      {232, 65767, -33000, -33000},
      {32995, 33006, -33007, -32992},
  };
  const double silent[4] = {33000, 33000, -33000, -33000};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE("Series" + std::to_string(k + 11));
    ASSERT_EQ(s.lines[k].size(), 256u);
    for (size_t i = 0; i < 253; ++i) ASSERT_EQ(s.lines[k][i], silent[k]) << i;
    for (size_t j = 0; j < 3; ++j) EXPECT_EQ(s.lines[k][253 + j], last3[j][size_t(k)]) << j;
  }
  for (int k = 0; k < 5; ++k) EXPECT_TRUE(s.bars[k].empty());
  for (size_t k = 4; k < 8; ++k) EXPECT_EQ(charts.Lines[k]->Count(), 0);
}

// Entries a capture thread queued, taken by the GUI in one go, give the
// same series as the same entries pushed one at a time, in both modes.
TEST_F(History, EntriesDrainedAtOnceEqualSinglePushes) {
  // A second history on charts of its own, fed one entry at a time.
  TAudioFlags singleFlags;
  THistoryCharts singleCharts = apptest::MakeCharts(form, "single");
  TInputHistory single(singleCharts, singleFlags);
  single.InitCharts();
  flags.Active = true;
  for (bool fill : {true, false}) {
    SCOPED_TRACE(fill ? "fill" : "line");
    history->SetWaveFormFill(fill);
    single.SetWaveFormFill(fill);

    std::vector<Ref<TALAudioBuffer>> buffers;
    for (int32_t n = 1; n <= 7; ++n) buffers.push_back(Stereo(16, {-n * 100, n * 300, n * 7, -n * 2000}));
    std::thread capture([&] {
      for (auto& b : buffers) Tap(b);
    });
    capture.join();
    EXPECT_EQ(history->Queue().Count(), 7);
    app->ProcessMessages();  // the notification: one drain of all seven
    EXPECT_EQ(history->Queue().Count(), 0);

    for (auto& b : buffers) {
      THistoryEntry e = ScanBuffer(*b, [] { return false; });
      single.PushHistory(e.MinL, e.MaxL, e.MinR, e.MaxR);
    }
    EXPECT_EQ(Input(), apptest::InputOf(singleCharts));
    EXPECT_EQ(history->Entry(255), (THistoryEntry{-700, 49, -14000, 2100}));
  }
}

TEST_F(History, AFullQueueDropsTheOldest) {
  THistoryQueue q(3);
  for (int32_t n = 1; n <= 5; ++n) q.Push({0, n, 0, 0});
  std::vector<THistoryEntry> out;
  q.TakeAll(out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].MaxL, 3);
  EXPECT_EQ(out[2].MaxL, 5);
  EXPECT_EQ(q.Count(), 0);

  // A shorter history shortens the queue from its old end.
  for (int32_t n = 1; n <= 3; ++n) q.Push({0, n, 0, 0});
  q.SetCapacity(2);
  q.TakeAll(out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].MaxL, 2);

  // Through the window's path: at 11025 (64 columns) a GUI that falls 70
  // buffers behind shows the newest 64.
  history->SetHistorySampleRate(11025);
  flags.Active = true;
  for (int32_t n = 1; n <= 70; ++n) Tap(Stereo(16, {n, 0}));
  EXPECT_EQ(history->Queue().Count(), 64);
  app->ProcessMessages();
  EXPECT_EQ(history->Queue().Count(), 0);
  EXPECT_EQ(history->Entry(0).MaxL, 7);
  EXPECT_EQ(history->Entry(63).MaxL, 70);
}

// Only a running window that is neither closing nor changing its format
// adds columns; Closing is read first.
TEST_F(History, TheFlagsGateTheAnalysis) {
  struct FlagCase {
    bool active, closing, busy, adds;
  };
  const FlagCase cases[] = {
      {true, false, false, true},  {false, false, false, false}, {true, true, false, false},
      {true, false, true, false}, {true, true, true, false},
  };
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "active " << c.active << " closing " << c.closing << " busy " << c.busy);
    flags.Active = c.active;
    flags.Closing = c.closing;
    flags.Busy = c.busy;
    history->PushHistory(0, 0, 0, 0);
    Ref<TALAudioBuffer> b = Stereo(16, {-5, 9, 1, 2});
    Ref<TALAudioBuffer> out = b;
    bool send = true;
    history->ALGenericFilter1ProcessData(nullptr, b, out, send);
    app->ProcessMessages();
    EXPECT_EQ(history->Entry(255) == (THistoryEntry{-5, 1, 0, 9}), c.adds);
    // The buffer goes on as it came.
    EXPECT_EQ(out.get(), b.get());
    EXPECT_TRUE(send);
  }
}

// The window's handler itself stops its scan when Busy comes up during a
// buffer, and hands over what it gathered. Busy is raised from another
// thread while the handler scans a long ramp, so where it lands varies:
// the handler may meet it before the scan (no column) or after it (the
// whole buffer); the test looks until a column shows a cut ramp.
TEST_F(History, BusyRaisedDuringABufferCutsTheHandlersScan) {
  constexpr uint32_t kFrames = 1 << 21;
  auto ramp = TALAudioBuffer::CreateSize(44100, 16, 2, kFrames);
  for (uint32_t i = 0; i < kFrames; ++i) {
    ramp->SetSample(i, 0, int32_t(i >> 6));  // the maximum so far tells how far the scan came
    ramp->SetSample(i, 1, 0);
  }
  const int32_t whole = int32_t((kFrames - 1) >> 6);
  bool cut = false;
  for (int attempt = 0; attempt < 200 && !cut; ++attempt) {
    flags.Active = true;
    flags.Busy = false;
    std::atomic<bool> started{false};
    std::thread capture([&] {
      Ref<TALAudioBuffer> out = ramp;
      bool send = true;
      started = true;
      history->ALGenericFilter1ProcessData(nullptr, ramp, out, send);
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::microseconds(500 * (attempt % 8)));
    flags.Busy = true;
    capture.join();
    std::vector<THistoryEntry> taken;
    history->Queue().TakeAll(taken);
    // A cut scan still hands over what it had.
    cut = taken.size() == 1 && taken[0].MaxL < whole;
  }
  flags.Busy = false;
  EXPECT_TRUE(cut) << "Busy never stopped a scan under way";
}

TEST_F(History, AMonoBufferAddsNoColumnAndRaisesNothing) {
  flags.Active = true;
  auto mono = TALAudioBuffer::CreateSize(44100, 16, 1, 4);
  mono->SetSample(0, 0, 1234);
  EXPECT_NO_THROW(Tap(mono));
  EXPECT_EQ(history->Queue().Count(), 0);
}

TEST_F(History, ChartsAreFoundByTheirNames) {
  THistoryCharts found = THistoryCharts::Find(*form);
  EXPECT_EQ(found.GraphAudioIn, charts.GraphAudioIn);
  EXPECT_EQ(found.GraphAudioOut, charts.GraphAudioOut);
  EXPECT_EQ(found.Bars, charts.Bars);
  EXPECT_EQ(found.Lines, charts.Lines);
  charts.Lines[7]->Destroy();
  EXPECT_THROW(THistoryCharts::Find(*form), EComponentError);
}

}  // namespace
}  // namespace tavrel
