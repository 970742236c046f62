#include "app/uGraph.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/exceptions.h"

namespace tavrel {

int HistoryLenForRate(int rate, int current) {
  switch (rate) {
    case 11025: return 64;
    case 22050: return 128;
    case 44100: return 256;
    default: return current;
  }
}

// ---------------------------------------------------------------------------
// THistoryQueue

namespace {

size_t QueueCapacity(int capacity) { return size_t(std::clamp(capacity, 1, THistoryQueue::kMaxCapacity)); }

}  // namespace

THistoryQueue::THistoryQueue(int capacity) : capacity_(QueueCapacity(capacity)) {}

void THistoryQueue::DropOldestLocked(size_t n) {
  n = std::min(n, count_);
  first_ = (first_ + n) % ring_.size();
  count_ -= n;
}

void THistoryQueue::Push(const THistoryEntry& entry) {
  std::lock_guard lock(mutex_);
  if (count_ >= capacity_) DropOldestLocked(count_ - capacity_ + 1);
  ring_[(first_ + count_++) % ring_.size()] = entry;
}

void THistoryQueue::TakeAll(std::vector<THistoryEntry>& out) {
  out.clear();
  std::lock_guard lock(mutex_);
  for (size_t i = 0; i < count_; ++i) out.push_back(ring_[(first_ + i) % ring_.size()]);
  DropOldestLocked(count_);
}

void THistoryQueue::SetCapacity(int capacity) {
  std::lock_guard lock(mutex_);
  capacity_ = QueueCapacity(capacity);
  if (count_ > capacity_) DropOldestLocked(count_ - capacity_);
}

int THistoryQueue::Capacity() const {
  std::lock_guard lock(mutex_);
  return int(capacity_);
}

int THistoryQueue::Count() const {
  std::lock_guard lock(mutex_);
  return int(count_);
}

// ---------------------------------------------------------------------------
// THistoryCharts

namespace {

template <class T>
T* FindAs(const TComponent& owner, const std::string& name) {
  auto* found = dynamic_cast<T*>(owner.FindComponent(name));
  if (!found) throw EComponentError("The input history needs the component " + name);
  return found;
}

}  // namespace

THistoryCharts THistoryCharts::Find(const TComponent& owner) {
  THistoryCharts c;
  c.GraphAudioIn = FindAs<TChart>(owner, "GraphAudioIn");
  c.GraphAudioOut = FindAs<TChart>(owner, "GraphAudioOut");
  for (size_t i = 0; i < c.Bars.size(); ++i) c.Bars[i] = FindAs<TBarSeries>(owner, "Series" + std::to_string(i + 1));
  for (size_t i = 0; i < c.Lines.size(); ++i)
    c.Lines[i] = FindAs<TFastLineSeries>(owner, "Series" + std::to_string(i + 11));
  return c;
}

// ---------------------------------------------------------------------------
// TInputHistory

TInputHistory::TInputHistory(const THistoryCharts& charts, const TAudioFlags& flags)
    : charts_(charts), flags_(flags) {
  drained_.reserve(kMaxHistoryLen);
  notify_ = std::make_unique<TSLMainThreadNotify>(TNotifyEvent([this](TObject*) { DrainQueue(); }));
}

TInputHistory::~TInputHistory() = default;

void TInputHistory::SetWaveFormFill(bool fill) {
  waveFormFill_ = fill;
  for (TBarSeries* s : charts_.Bars) s->SetVisible(fill);
  for (TFastLineSeries* s : charts_.Lines) s->SetVisible(!fill);
  for (TChart* chart : {charts_.GraphAudioIn, charts_.GraphAudioOut}) {
    if (fill)
      chart->LeftAxis()->SetMinMax(0, 100);
    else
      chart->LeftAxis()->SetMinMax(-65536, 65536);
  }
}

void TInputHistory::InitCharts() {
  for (TChart* chart : {charts_.GraphAudioIn, charts_.GraphAudioOut}) {
    chart->SetAutoRepaint(false);
    chart->BottomAxis()->SetMinMax(0, historyLen_);
  }
  for (TBarSeries* s : charts_.Bars)
    for (int i = 0; i < historyLen_; ++i) s->Add(0);
  for (TChart* chart : {charts_.GraphAudioIn, charts_.GraphAudioOut}) {
    chart->SetAutoRepaint(true);
    chart->Invalidate();
  }
}

void TInputHistory::EnableCharts(bool b) {
  charts_.GraphAudioIn->SetEnabled(b);
  charts_.GraphAudioOut->SetEnabled(b);
}

void TInputHistory::SetHistorySampleRate(int rate) {
  EnableCharts(false);
  historyLen_ = HistoryLenForRate(rate, historyLen_);
  queue_.SetCapacity(historyLen_);
  try {
    InitCharts();
    Rebuild();
    EnableCharts(true);
  } catch (const std::exception&) {
    // As every chart error of the audio control: dropped.
  }
}

THistoryEntry TInputHistory::Entry(int i) const {
  return history_.at(size_t(kMaxHistoryLen - historyLen_ + i));
}

void TInputHistory::PushHistory(int32_t MinL, int32_t MaxL, int32_t MinR, int32_t MaxR) {
  const THistoryEntry e{MinL, MaxL, MinR, MaxR};
  PushHistory(std::span<const THistoryEntry>(&e, 1));
}

void TInputHistory::PushHistory(std::span<const THistoryEntry> entries) {
  if (entries.empty()) return;
  // Only the newest kMaxHistoryLen can stay.
  if (entries.size() > history_.size()) entries = entries.last(history_.size());
  std::shift_left(history_.begin(), history_.end(), std::ptrdiff_t(entries.size()));
  std::copy(entries.begin(), entries.end(), history_.end() - std::ptrdiff_t(entries.size()));
  Rebuild();
}

void TInputHistory::Rebuild() {
  TChart* chart = charts_.GraphAudioIn;
  chart->SetAutoRepaint(false);
  for (int s = 0; s < 5; ++s) charts_.Bars[size_t(s)]->Clear();
  for (int s = 0; s < 4; ++s) charts_.Lines[size_t(s)]->Clear();
  for (int i = 0; i < historyLen_; ++i) {
    const THistoryEntry e = Entry(i);
    // In double: |INT32_MIN| and the spans of 32-bit samples overflow int32.
    const double minL = e.MinL, maxL = e.MaxL, minR = e.MinR, maxR = e.MaxR;
    if (waveFormFill_) {
      const double x = 65535.0 - (std::fabs(minL) + std::fabs(maxL));
      const double y = 65535.0 - (std::fabs(minR) + std::fabs(maxR));
      charts_.Bars[0]->Add(y);
      charts_.Bars[1]->Add(maxR - minR);
      charts_.Bars[2]->Add(x + y);
      charts_.Bars[3]->Add(maxL - minL);
      charts_.Bars[4]->Add(x);
    } else {
      charts_.Lines[0]->Add(minL + 33000);
      charts_.Lines[1]->Add(maxL + 33000);
      charts_.Lines[2]->Add(minR - 33000);
      charts_.Lines[3]->Add(maxR - 33000);
    }
  }
  chart->SetAutoRepaint(true);
  chart->Repaint();
}

void TInputHistory::ALGenericFilter1ProcessData(TObject*, const Ref<TALAudioBuffer>& InBuffer,
                                                Ref<TALAudioBuffer>&, bool&) {
  // Closing first: the window may be on its way out.
  if (flags_.Closing.load() || !flags_.Active.load() || flags_.Busy.load()) return;
  if (!InBuffer) return;
  THistoryEntry e;
  try {
    e = ScanBuffer(*InBuffer, [this] { return flags_.Busy.load(std::memory_order_relaxed); });
  } catch (const std::exception&) {
    return;  // not two channels: no column, and the buffer still goes on
  }
  queue_.Push(e);
  notify_->Notify(true);
}

void TInputHistory::DrainQueue() {
  queue_.TakeAll(drained_);
  PushHistory(drained_);
}

}  // namespace tavrel
