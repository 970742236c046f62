#pragma once
// Helpers for tests that run the whole audio engine: a two-tone stereo
// recording, an independent low-pass reference, a log of what the analysis
// tap saw, error capture for the device components, and a condition wait
// with a watchdog.
//
//   std::vector<int16_t> in = TwoToneStereo(frames);
//   LowPassReference ref(in, 2, 1500.0, 44100.0);   // ref.Output(), ref.NearTie(i)
//   TapLog tap;
//   AudioControl audio(tap);     // the stored graph, driven as the window does
//   audio.StartAudio();
//   ASSERT_TRUE(WaitUntil([&] { return tap.Count() >= 10; }));
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <numbers>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "audio/tests/stored_graph.h"
#include "platform/messages.h"
#include "signal/SLFilterTypes.h"

namespace tavrel::enginetest {

// Left: 440 Hz under 5 kHz; right: 1 kHz under 7 kHz, ending in a
// full-scale 300 Hz square (both extremes of the 16-bit range).
inline std::vector<int16_t> TwoToneStereo(size_t frames, double rate = 44100.0) {
  std::vector<int16_t> s(frames * 2);
  const double pi = std::numbers::pi;
  for (size_t n = 0; n < frames; ++n) {
    double t = double(n) / rate;
    double left = 12000.0 * std::sin(2 * pi * 440.0 * t) + 9000.0 * std::sin(2 * pi * 5000.0 * t + 0.3);
    double right = 10000.0 * std::sin(2 * pi * 1000.0 * t + 1.1) + 11000.0 * std::sin(2 * pi * 7000.0 * t);
    if (n >= frames - frames / 4) right = std::fmod(t * 300.0, 1.0) < 0.5 ? 32767.0 : -32768.0;
    s[2 * n] = int16_t(std::lround(left));
    s[2 * n + 1] = int16_t(std::lround(right));
  }
  return s;
}

inline std::vector<char> Bytes(const std::vector<int16_t>& samples) {
  std::vector<char> b(samples.size() * 2);
  std::memcpy(b.data(), samples.data(), b.size());
  return b;
}

inline std::vector<int16_t> Samples(const std::vector<char>& bytes, size_t count) {
  std::vector<int16_t> s(std::min(count, bytes.size() / 2));
  std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

// A 41-tap Hamming windowed-sinc low-pass run as a direct-form filter per
// channel from silence, in long double, rounded half to even and clamped
// to the symmetric 16-bit range.
class LowPassReference {
 public:
  static constexpr int kTaps = 41;

  LowPassReference(const std::vector<int16_t>& interleaved, size_t channels, double cutoff, double rate) {
    const int m = (kTaps - 1) / 2;
    const long double pi = std::numbers::pi_v<long double>;
    const long double f = (long double)cutoff / rate * 2;  // cycles per half sample
    long double h[kTaps];
    for (int n = 0; n < kTaps; ++n) {
      long double x = n - m;
      long double sinc = x == 0 ? 1.0L : std::sin(pi * f * x) / (pi * f * x);
      long double window = 0.54L - 0.46L * std::cos(2 * pi * n / (kTaps - 1));
      h[n] = f * sinc * window;
    }
    size_t frames = interleaved.size() / channels;
    out_.resize(interleaved.size());
    nearTie_.resize(interleaved.size());
    for (size_t c = 0; c < channels; ++c)
      for (size_t n = 0; n < frames; ++n) {
        long double y = 0;
        for (int k = 0; k < kTaps && size_t(k) <= n; ++k) y += h[k] * interleaved[(n - k) * channels + c];
        long double r = std::nearbyint(y);  // the default rounding: half to even
        nearTie_[n * channels + c] = std::fabs(std::fabs(y - std::trunc(y)) - 0.5L) < 1e-9L;
        out_[n * channels + c] = int16_t(std::clamp(r, -32767.0L, 32767.0L));
      }
  }

  const std::vector<int16_t>& Output() const { return out_; }
  // The engine's sum and ours may round apart where the exact value sits
  // on a half: there they may differ by one step.
  bool NearTie(size_t i) const { return nearTie_[i]; }

  // Samples in [begin, end) where played differs from the reference by
  // more than that; a message naming the first few.
  std::vector<size_t> Mismatches(const std::vector<int16_t>& played, size_t begin = 0, size_t end = SIZE_MAX) const {
    std::vector<size_t> bad;
    end = std::min({end, played.size(), out_.size()});
    for (size_t i = begin; i < end; ++i) {
      const int d = played[i] - out_[i];
      if (d != 0 && !(nearTie_[i] && std::abs(d) == 1)) bad.push_back(i);
    }
    return bad;
  }
  std::string Describe(const std::vector<size_t>& bad, const std::vector<int16_t>& played) const {
    std::string text = std::to_string(bad.size()) + " samples differ";
    for (size_t k = 0; k < bad.size() && k < 5; ++k)
      text += "; sample " + std::to_string(bad[k]) + ": played " + std::to_string(played[bad[k]]) + ", expected " +
              std::to_string(out_[bad[k]]);
    return text;
  }

 private:
  std::vector<int16_t> out_;
  std::vector<bool> nearTie_;
};

// Per-channel extremes of one buffer.
struct Extremes {
  std::vector<int32_t> min, max;
  bool operator==(const Extremes&) const = default;
};

inline void PrintTo(const Extremes& e, std::ostream* os) {
  for (size_t c = 0; c < e.min.size(); ++c) *os << (c ? " " : "") << "[" << e.min[c] << ", " << e.max[c] << "]";
}

inline Extremes ExtremesOf(const int16_t* frames, size_t count, size_t channels) {
  Extremes e{std::vector<int32_t>(channels, INT32_MAX), std::vector<int32_t>(channels, INT32_MIN)};
  for (size_t n = 0; n < count; ++n)
    for (size_t c = 0; c < channels; ++c) {
      e.min[c] = std::min<int32_t>(e.min[c], frames[n * channels + c]);
      e.max[c] = std::max<int32_t>(e.max[c], frames[n * channels + c]);
    }
  return e;
}

// What the analysis tap saw: per buffer, its size and the per-channel
// extremes read sample by sample with GetSample, as the window's handler
// reads them.
class TapLog {
 public:
  TStoredGraphForm::TapHandler Handler() {
    return [this](TObject*, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>&, bool&) {
      Extremes e{std::vector<int32_t>(in->GetChannels(), INT32_MAX),
                 std::vector<int32_t>(in->GetChannels(), INT32_MIN)};
      for (uint32_t i = 0; i < in->GetSize(); ++i)
        for (uint32_t c = 0; c < in->GetChannels(); ++c) {
          int32_t v = in->GetSample(i, c);
          e.min[c] = std::min(e.min[c], v);
          e.max[c] = std::max(e.max[c], v);
        }
      std::lock_guard lock(mutex_);
      sizes_.push_back(in->GetSize());
      rates_.push_back(in->GetSampleRate());
      buffers_.push_back(std::move(e));
    };
  }
  size_t Count() {
    std::lock_guard lock(mutex_);
    return buffers_.size();
  }
  std::vector<Extremes> Buffers() {
    std::lock_guard lock(mutex_);
    return buffers_;
  }
  std::vector<uint32_t> Sizes() {
    std::lock_guard lock(mutex_);
    return sizes_;
  }
  std::vector<uint32_t> Rates() {
    std::lock_guard lock(mutex_);
    return rates_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    buffers_.clear();
    sizes_.clear();
    rates_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<Extremes> buffers_;
  std::vector<uint32_t> sizes_, rates_;
};

// Errors and warnings of the device components, kept instead of raised.
class DeviceErrors {
 public:
  // Any component with OnError and OnWarning (capture, playback).
  template <class... C>
  void Watch(C*... components) {
    auto error = TSLErrorEvent([this](TObject* sender, const std::string& text, int32_t code, bool& handled) {
      Add(Name(sender) + FormatSLError(text, code));
      handled = true;
    });
    auto warning = TSLWarningEvent([this](TObject* sender, const std::string& text, int32_t code) {
      Add(Name(sender) + "warning: " + FormatSLError(text, code));
    });
    ((components->OnError = error, components->OnWarning = warning), ...);
  }
  std::vector<std::string> All() {
    std::lock_guard lock(mutex_);
    return texts_;
  }

 private:
  static std::string Name(TObject* sender) {
    auto* c = dynamic_cast<TComponent*>(sender);
    return c && !c->Name().empty() ? c->Name() + ": " : "";
  }
  void Add(std::string s) {
    std::lock_guard lock(mutex_);
    texts_.push_back(std::move(s));
  }
  std::mutex mutex_;
  std::vector<std::string> texts_;
};

// The window's audio control over the stored graph; message runs stand in
// for its waits.
class AudioControl {
 public:
  explicit AudioControl(TapLog& tap) : g(LoadStoredGraph(tap.Handler())) {}

  void StartAudio() {
    SetProp(*g->ALAudioOut1(), "Enabled", true);
    ProcessMessages();
    SetProp(*g->ALAudioIn1(), "Enabled", true);
    ProcessMessages();
  }
  void StopAudio() {
    SetProp(*g->ALAudioIn1(), "Enabled", false);
    ProcessMessages();
    SetProp(*g->ALAudioOut1(), "Enabled", false);
    ProcessMessages();
  }
  bool IsAudioRunning() { return g->ALAudioIn1()->Enabled(); }
  void SetSampleRate(uint32_t rate) {
    Restarting([&] { g->ALAudioIn1()->AudioFormat()->SetSampleRate(rate); });
  }
  void SetBufferSize(uint32_t frames) {
    Restarting([&] { g->ALAudioIn1()->AudioFormat()->SetBufferSize(frames); });
  }
  // Device names take effect at the next start.
  void SelectDevices(const std::string& in, const std::string& out) {
    g->ALAudioIn1()->Device()->SetDeviceName(in);
    g->ALAudioOut1()->Device()->SetDeviceName(out);
    ProcessMessages();
  }

  ComponentPtr<TStoredGraphForm> g;

 private:
  // A format change stops running audio first and starts it again after.
  template <class F>
  void Restarting(F change) {
    bool running = IsAudioRunning();
    if (running) StopAudio();
    change();
    ProcessMessages();
    if (running) StartAudio();
  }
};

// Ends the test program when what runs while it lives has not returned
// within the limit: a call that hangs fails loudly instead of holding up
// the whole run, and still runs on the calling (GUI) thread. It measures
// nothing.
class HangGuard {
 public:
  explicit HangGuard(std::string what, std::chrono::seconds limit = std::chrono::seconds(60))
      : watch_([this, what = std::move(what), limit] {
          std::unique_lock lock(mutex_);
          if (!changed_.wait_for(lock, limit, [&] { return done_; })) {
            std::fprintf(stderr, "%s did not return: the test program ends here\n", what.c_str());
            std::abort();
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    watch_.join();
  }
  HangGuard(const HangGuard&) = delete;
  HangGuard& operator=(const HangGuard&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  std::thread watch_;  // last: starts once the rest is ready
};

// Runs the GUI thread's messages until done() holds. The limit only keeps
// a broken engine from hanging the suite; it measures nothing.
template <class F>
bool WaitUntil(F done) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    ProcessMessages();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace tavrel::enginetest
