#pragma once
// The input history: for every captured buffer, the minimum and maximum of
// both channels, shown as one column of the input chart, the newest at the
// right; the output chart keeps the zero columns it gets at start-up.
//
//   TAudioFlags flags;                                   // the window's
//   TInputHistory history(THistoryCharts::Find(*form), flags);
//   history.SetWaveFormFill(prefs.WaveFormFill);         // bars or lines
//   history.InitCharts();
//   // the generic filter's OnProcessData, on the capture thread:
//   history.ALGenericFilter1ProcessData(sender, in, out, send);
//   history.SetHistorySampleRate(22050);                 // 128 columns
//
// Threads. The analysis handler runs on the capture thread: it reads only
// the buffer and the atomic flags (Closing first), scans the frames and
// queues the four values. The GUI thread takes every waiting entry at once
// (DrainQueue, run by a main-thread notification), pushes each into the
// histories and redraws the input chart once, which gives exactly the
// series that pushing them one by one would. The queue holds at most
// HistoryLen entries: when the GUI falls behind, the oldest are dropped.
//
// Fill mode (bars, stacked to 100 %), per column from the bottom:
// Series1..Series5 = Y, MaxR - MinR, X + Y, MaxL - MinL, X, where
// X = 65535 - (|MinL| + |MaxL|) and Y = 65535 - (|MinR| + |MaxR|), the
// headrooms of the two channels. Line mode: MinL and MaxL + 33000
// (Series11, Series12), MinR and MaxR - 33000 (Series13, Series14).
//
// HistoryLen is 256 at first, and 64, 128 or 256 at 11025, 22050 or 44100
// samples per second; other rates leave it as it is. The histories always
// keep the newest 256 entries, so a length change shows the newest ones at
// the right edge.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/chart/chart.h"
#include "signal/ALAudioBuffer.h"
#include "signal/SLMainThreadNotify.h"

namespace tavrel {

// One column: the extremes of channel 0 (L) and channel 1 (R).
struct THistoryEntry {
  int32_t MinL = 0, MaxL = 0, MinR = 0, MaxR = 0;
  bool operator==(const THistoryEntry&) const = default;
};

// The extremes of channels 0 and 1, each starting from 0 (so a maximum is
// never below 0 and a minimum never above it), from the raw samples (8-bit
// samples are the stored bytes). The scan stops before the first frame for
// which `stop()` is true and gives what it gathered so far. Raises as
// GetSample does for a buffer with fewer than two channels.
template <class Stop>
THistoryEntry ScanBuffer(const TALAudioBuffer& buffer, Stop stop) {
  THistoryEntry e;
  const uint32_t frames = buffer.GetSize();
  for (uint32_t i = 0; i < frames; ++i) {
    if (stop()) break;
    const int32_t l = buffer.GetSample(i, 0), r = buffer.GetSample(i, 1);
    if (l > e.MaxL) e.MaxL = l;
    if (l < e.MinL) e.MinL = l;
    if (r > e.MaxR) e.MaxR = r;
    if (r < e.MinR) e.MinR = r;
  }
  return e;
}

// The number of columns for a sample rate; other rates keep `current`.
int HistoryLenForRate(int rate, int current);

// The window's state that the capture thread reads. Only the GUI thread
// writes them; Active mirrors the "Activer" check box.
struct TAudioFlags {
  std::atomic<bool> Closing{false};
  std::atomic<bool> Busy{false};
  std::atomic<bool> Active{false};
};

// Entries on their way from the capture thread to the GUI thread, oldest
// first, at most Capacity of them (1 to kMaxCapacity): a push into a full
// queue drops the oldest. The entries live in a fixed ring, so a push never
// allocates.
class THistoryQueue {
 public:
  static constexpr int kMaxCapacity = 256;

  explicit THistoryQueue(int capacity);

  void Push(const THistoryEntry& entry);
  // Moves every waiting entry into `out` (emptied first), oldest first.
  void TakeAll(std::vector<THistoryEntry>& out);
  // A smaller capacity drops the oldest entries beyond it.
  void SetCapacity(int capacity);
  int Capacity() const;
  int Count() const;

 private:
  void DropOldestLocked(size_t n);

  mutable std::mutex mutex_;
  std::array<THistoryEntry, kMaxCapacity> ring_{};
  size_t first_ = 0;
  size_t count_ = 0;
  size_t capacity_;
};

// The two charts and their eighteen series, as the window holds them.
struct THistoryCharts {
  TChart* GraphAudioIn = nullptr;
  TChart* GraphAudioOut = nullptr;
  // Series1..Series10: 1-5 on the input chart, 6-10 on the output chart.
  std::array<TBarSeries*, 10> Bars{};
  // Series11..Series18: 11-14 on the input chart, 15-18 on the output chart.
  std::array<TFastLineSeries*, 8> Lines{};

  // Looked up by name among `owner`'s components; EComponentError naming
  // the first one missing or of another class.
  static THistoryCharts Find(const TComponent& owner);
};

class TInputHistory {
 public:
  static constexpr int kMaxHistoryLen = 256;
  static constexpr int kFirstHistoryLen = 256;

  // GUI thread, after the signal module's start-up (the notification).
  TInputHistory(const THistoryCharts& charts, const TAudioFlags& flags);
  ~TInputHistory();
  TInputHistory(const TInputHistory&) = delete;
  TInputHistory& operator=(const TInputHistory&) = delete;

  const THistoryCharts& Charts() const { return charts_; }
  int HistoryLen() const { return historyLen_; }
  bool WaveFormFill() const { return waveFormFill_; }

  // Bars shown and lines hidden on both charts, left axes 0..100 (fill);
  // or the other way round, left axes -65536..65536.
  void SetWaveFormFill(bool fill);
  // Bottom axes 0..HistoryLen, and HistoryLen zero points appended to each
  // bar series (Series1..Series10), which are not cleared first.
  void InitCharts();
  void EnableCharts(bool b);
  // Charts off, HistoryLen by the rate, InitCharts, the input chart redrawn
  // from the histories, charts on.
  void SetHistorySampleRate(int rate);

  // One new column: the histories shift, the input series are rebuilt and
  // the input chart repainted once.
  void PushHistory(int32_t MinL, int32_t MaxL, int32_t MinR, int32_t MaxR);
  // Several new columns with one repaint; the same series as pushing each.
  void PushHistory(std::span<const THistoryEntry> entries);
  // Column i of the HistoryLen shown, 0 the oldest.
  THistoryEntry Entry(int i) const;

  // The generic filter's handler (capture thread): when Active and neither
  // Closing nor Busy, scans the buffer (stopping when Busy is set) and
  // queues its column. The buffer goes on unchanged; a buffer that cannot
  // be scanned (one channel) adds no column.
  void ALGenericFilter1ProcessData(TObject* Sender, const Ref<TALAudioBuffer>& InBuffer,
                                   Ref<TALAudioBuffer>& OutBuffer, bool& SendOutputData);
  // Pushes every waiting entry, one repaint (GUI thread).
  void DrainQueue();
  THistoryQueue& Queue() { return queue_; }

 private:
  void Rebuild();  // the input series from the histories

  THistoryCharts charts_;
  const TAudioFlags& flags_;
  int historyLen_ = kFirstHistoryLen;
  bool waveFormFill_ = true;
  // The newest kMaxHistoryLen entries, newest last.
  std::array<THistoryEntry, kMaxHistoryLen> history_{};
  THistoryQueue queue_{kFirstHistoryLen};
  std::vector<THistoryEntry> drained_;  // DrainQueue's scratch
  std::unique_ptr<TSLMainThreadNotify> notify_;  // last: gone first
};

}  // namespace tavrel
