#pragma once
// Helpers for tests that run the whole audio engine: a two-tone stereo
// recording, an independent low-pass reference, a log of what the analysis
// tap saw, error capture for the device components, and a condition wait
// with a watchdog.
//
//   std::vector<int16_t> in = TwoToneStereo(frames);
//   LowPassReference ref(in, 2, 1500.0, 44100.0);   // ref.Output(), ref.NearTie(i)
//   TapLog tap;   g = LoadStoredGraph(tap.Handler());
//   ASSERT_TRUE(WaitUntil([&] { return tap.Count() >= 10; }));
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
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
        nearTie_[n * channels + c] = std::fabs(std::fabs(y - std::trunc(y)) - 0.5L) < 1e-6L;
        out_[n * channels + c] = int16_t(std::clamp(r, -32767.0L, 32767.0L));
      }
  }

  const std::vector<int16_t>& Output() const { return out_; }
  // The engine's sum and ours may round apart where the exact value sits
  // on a half: there they may differ by one step.
  bool NearTie(size_t i) const { return nearTie_[i]; }

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
