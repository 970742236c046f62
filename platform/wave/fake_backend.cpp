#include "platform/wave/fake_backend.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

namespace tavrel {

struct FakeWaveBackend::Stream {
  bool capture = false;
  std::uint32_t frameBytes = 1;
  bool started = false;
  std::uint64_t available = 0;  // capture frames ready to read
  std::uint64_t position = 0;   // capture bytes delivered so far
  std::deque<char> ring;        // playback bytes not yet played
  bool xrun = false;
  bool lost = false;
  bool interrupted = false;
  bool cancelled = false;
};

struct FakeWaveBackend::State {
  explicit State(std::uint32_t period) : periodFrames(period) {}
  const std::uint32_t periodFrames;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<WaveDevice> devices[2];
  std::map<int, std::vector<RecorderMixer::Element>> mixers;
  std::vector<std::string> mixerLog;
  bool failMixer = false;
  struct Failure {
    std::string function;
    MMRESULT result;
    int times;
    std::int64_t device;
  };
  std::vector<Failure> failures;
  MMRESULT failOpen = 0;
  std::string failOpenReason;
  bool holdOpens = false;
  int opensWaiting = 0;
  bool stalled = false;
  bool unfilled = false;
  std::chrono::milliseconds time{0};
  std::uint64_t clockReads = 0;
  std::vector<Stream*> streams;
  std::uint64_t now = 0;
  std::vector<WaveCall> calls;
  std::vector<char> played;
  int recoveries = 0;
  std::uint64_t transfers = 0;
  int waiting = 0;
  std::vector<WavePcmFormat> opened;
};

namespace {

using State = FakeWaveBackend::State;
using Stream = FakeWaveBackend::Stream;

class FakePcm : public WavePcm {
 public:
  FakePcm(std::shared_ptr<State> state, bool capture, std::uint32_t frameBytes)
      : state_(std::move(state)) {
    stream_.capture = capture;
    stream_.frameBytes = frameBytes;
    std::lock_guard lock(state_->mutex);
    state_->streams.push_back(&stream_);
  }

  ~FakePcm() override {
    std::lock_guard lock(state_->mutex);
    auto& list = state_->streams;
    list.erase(std::remove(list.begin(), list.end(), &stream_), list.end());
  }

  std::uint32_t PeriodFrames() const override { return state_->periodFrames; }

  int Start() override {
    std::lock_guard lock(state_->mutex);
    if (stream_.lost) return -ENODEV;
    stream_.started = true;
    return 0;
  }

  void Stop() override {
    std::lock_guard lock(state_->mutex);
    stream_.started = false;
    stream_.available = 0;
    stream_.ring.clear();
  }

  long Read(void* data, std::uint32_t frames) override {
    std::unique_lock lock(state_->mutex);
    ++state_->waiting;
    const auto since = state_->time;
    state_->changed.wait(lock, [&] {
      return !state_->stalled && (stream_.available > 0 || Woken() || state_->time != since);
    });
    --state_->waiting;
    ++state_->transfers;
    if (long e = Event()) return e;
    auto n = std::uint32_t(std::min<std::uint64_t>(frames, stream_.available));
    auto* out = static_cast<std::uint8_t*>(data);
    for (std::size_t k = 0; k < std::size_t(n) * stream_.frameBytes; ++k, ++stream_.position)
      if (!state_->unfilled) out[k] = FakeWaveBackend::CaptureByte(stream_.position);
    stream_.available -= n;
    return n;
  }

  long Write(const void* data, std::uint32_t frames) override {
    std::size_t capacity = std::size_t(state_->periodFrames) *
                           FakeWaveBackend::kRingPeriods * stream_.frameBytes;
    std::unique_lock lock(state_->mutex);
    ++state_->waiting;
    const auto since = state_->time;
    state_->changed.wait(lock, [&] {
      return !state_->stalled && (stream_.ring.size() < capacity || Woken() || state_->time != since);
    });
    --state_->waiting;
    ++state_->transfers;
    if (long e = Event()) return e;
    std::size_t room = (capacity - stream_.ring.size()) / stream_.frameBytes;
    auto n = std::uint32_t(std::min<std::size_t>(frames, room));
    const char* in = static_cast<const char*>(data);
    stream_.ring.insert(stream_.ring.end(), in, in + std::size_t(n) * stream_.frameBytes);
    return n;
  }

  int Recover(int) override {
    std::lock_guard lock(state_->mutex);
    if (stream_.lost) return -ENODEV;
    ++state_->recoveries;
    return 0;
  }

  void Interrupt() override {
    std::lock_guard lock(state_->mutex);
    stream_.interrupted = true;
    state_->changed.notify_all();
  }

  // A stall stands for a device the system cannot interrupt: it holds even
  // a cancelled transfer.
  void Cancel() override {
    std::lock_guard lock(state_->mutex);
    stream_.cancelled = true;
    state_->changed.notify_all();
  }

 private:
  bool Woken() const { return stream_.interrupted || stream_.cancelled || stream_.xrun || stream_.lost; }

  // A pending fault or interruption, consumed; 0 when there is none.
  long Event() {
    if (stream_.lost) return -ENODEV;
    if (std::exchange(stream_.xrun, false)) return -EPIPE;
    stream_.interrupted = false;
    return 0;
  }

  std::shared_ptr<State> state_;
  Stream stream_;
};

class FakeMixer : public RecorderMixer {
 public:
  FakeMixer(std::shared_ptr<State> state, int card) : state_(std::move(state)), card_(card) {}

  std::vector<Element> Elements() override {
    std::lock_guard lock(state_->mutex);
    return state_->mixers[card_];
  }

  bool SelectItem(std::size_t element, std::size_t item) override {
    return Log("item " + std::to_string(element) + " " + std::to_string(item));
  }

  bool SetCaptureSwitch(std::size_t element, bool on) override {
    return Log("switch " + std::to_string(element) + (on ? " on" : " off"));
  }

 private:
  bool Log(std::string entry) {
    std::lock_guard lock(state_->mutex);
    if (state_->failMixer) return false;
    state_->mixerLog.push_back(std::move(entry));
    return true;
  }

  std::shared_ptr<State> state_;
  int card_;
};

}  // namespace

FakeWaveBackend::FakeWaveBackend(std::uint32_t periodFrames)
    : state_(std::make_shared<State>(std::max<std::uint32_t>(periodFrames, 1))) {}
FakeWaveBackend::~FakeWaveBackend() = default;

void FakeWaveBackend::SetDevices(WaveDirection direction, std::vector<WaveDevice> devices) {
  std::lock_guard lock(state_->mutex);
  state_->devices[direction == WaveDirection::In ? 0 : 1] = std::move(devices);
}

void FakeWaveBackend::SetMixer(int card, std::vector<RecorderMixer::Element> elements) {
  std::lock_guard lock(state_->mutex);
  state_->mixers[card] = std::move(elements);
}

std::vector<std::string> FakeWaveBackend::MixerLog() {
  std::lock_guard lock(state_->mutex);
  return state_->mixerLog;
}

void FakeWaveBackend::FailCall(const std::string& function, MMRESULT result, int times,
                               std::int64_t device) {
  std::lock_guard lock(state_->mutex);
  state_->failures.push_back({function, result, times, device});
}

void FakeWaveBackend::FailOpen(MMRESULT result, std::string reason) {
  std::lock_guard lock(state_->mutex);
  state_->failOpen = result;
  state_->failOpenReason = std::move(reason);
}

void FakeWaveBackend::HoldOpens(bool hold) {
  std::lock_guard lock(state_->mutex);
  state_->holdOpens = hold;
  state_->changed.notify_all();
}

int FakeWaveBackend::OpensWaiting() {
  std::lock_guard lock(state_->mutex);
  return state_->opensWaiting;
}

void FakeWaveBackend::LeaveReadsUnfilled(bool leave) {
  std::lock_guard lock(state_->mutex);
  state_->unfilled = leave;
}

void FakeWaveBackend::InjectXrun() {
  std::lock_guard lock(state_->mutex);
  for (Stream* s : state_->streams) s->xrun = true;
  state_->changed.notify_all();
}

void FakeWaveBackend::LoseDevices(std::optional<WaveDirection> only) {
  std::lock_guard lock(state_->mutex);
  for (Stream* s : state_->streams)
    if (!only || s->capture == (*only == WaveDirection::In)) s->lost = true;
  state_->changed.notify_all();
}

void FakeWaveBackend::StallTransfers(bool stall) {
  std::lock_guard lock(state_->mutex);
  state_->stalled = stall;
  state_->changed.notify_all();
}

void FakeWaveBackend::FailMixerSelection(bool fail) {
  std::lock_guard lock(state_->mutex);
  state_->failMixer = fail;
}

void FakeWaveBackend::Advance(std::uint32_t frames) {
  std::lock_guard lock(state_->mutex);
  state_->now += frames;
  for (Stream* s : state_->streams) {
    if (s->capture) {
      s->available += frames;
    } else {
      std::size_t bytes = std::min(s->ring.size(), std::size_t(frames) * s->frameBytes);
      state_->played.insert(state_->played.end(), s->ring.begin(), s->ring.begin() + bytes);
      s->ring.erase(s->ring.begin(), s->ring.begin() + bytes);
    }
  }
  state_->changed.notify_all();
}

std::uint64_t FakeWaveBackend::Now() {
  std::lock_guard lock(state_->mutex);
  return state_->now;
}

void FakeWaveBackend::AdvanceTime(std::chrono::milliseconds by) {
  std::lock_guard lock(state_->mutex);
  state_->time += by;
  state_->changed.notify_all();
}

std::uint64_t FakeWaveBackend::ClockReads() {
  std::lock_guard lock(state_->mutex);
  return state_->clockReads;
}

std::chrono::milliseconds FakeWaveBackend::Clock() {
  std::lock_guard lock(state_->mutex);
  ++state_->clockReads;
  return state_->time;
}

std::vector<WaveCall> FakeWaveBackend::Calls() {
  std::lock_guard lock(state_->mutex);
  return state_->calls;
}

void FakeWaveBackend::ClearCalls() {
  std::lock_guard lock(state_->mutex);
  state_->calls.clear();
}

std::vector<char> FakeWaveBackend::Played() {
  std::lock_guard lock(state_->mutex);
  return state_->played;
}

int FakeWaveBackend::OpenStreams() {
  std::lock_guard lock(state_->mutex);
  return int(state_->streams.size());
}

int FakeWaveBackend::Recoveries() {
  std::lock_guard lock(state_->mutex);
  return state_->recoveries;
}

std::uint64_t FakeWaveBackend::Transfers() {
  std::lock_guard lock(state_->mutex);
  return state_->transfers;
}

int FakeWaveBackend::TransfersWaiting() {
  std::lock_guard lock(state_->mutex);
  return state_->waiting;
}

std::vector<WavePcmFormat> FakeWaveBackend::OpenedFormats() {
  std::lock_guard lock(state_->mutex);
  return state_->opened;
}

std::vector<WaveDevice> FakeWaveBackend::Enumerate(WaveDirection direction) {
  std::lock_guard lock(state_->mutex);
  return state_->devices[direction == WaveDirection::In ? 0 : 1];
}

MMRESULT FakeWaveBackend::Open(WaveDirection direction, const WaveDevice*, const WavePcmFormat& format, bool,
                               std::unique_ptr<WavePcm>& pcm, std::string& reason) {
  {
    std::unique_lock lock(state_->mutex);
    ++state_->opensWaiting;
    state_->changed.wait(lock, [&] { return !state_->holdOpens; });
    --state_->opensWaiting;
    if (MMRESULT r = std::exchange(state_->failOpen, 0)) {
      reason = std::exchange(state_->failOpenReason, {});
      return r;
    }
    state_->opened.push_back(format);
  }
  pcm = std::make_unique<FakePcm>(state_, direction == WaveDirection::In, format.frameBytes());
  return MMSYSERR_NOERROR;
}

std::unique_ptr<RecorderMixer> FakeWaveBackend::OpenMixer(const WaveDevice& device) {
  std::lock_guard lock(state_->mutex);
  if (device.card < 0 || !state_->mixers.count(device.card)) return nullptr;
  return std::make_unique<FakeMixer>(state_, device.card);
}

MMRESULT FakeWaveBackend::Fault(const WaveCall& call) {
  std::lock_guard lock(state_->mutex);
  for (auto& f : state_->failures) {
    if (f.times == 0 || f.function != call.function) continue;
    if (f.device >= 0 && std::uint32_t(f.device) != call.device) continue;
    if (f.times > 0) --f.times;
    return f.result;
  }
  return MMSYSERR_NOERROR;
}

void FakeWaveBackend::Trace(const WaveCall& call) {
  std::lock_guard lock(state_->mutex);
  state_->calls.push_back(call);
}

}  // namespace tavrel
