#include "platform/wave/alsa_backend.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "platform/wave/recorder.h"

namespace tavrel {
namespace {

// The longest a driver thread waits on the device before it looks at its
// handle's state again.
constexpr int kWaitMs = 100;
// Periods of about 10 ms. Playback keeps a small ring (its reserve lives in
// the header queue); capture gets a deeper one so a late driver thread does
// not overrun.
constexpr unsigned kPeriodUs = 10000;
constexpr unsigned kPlaybackRingUs = 30000;
constexpr unsigned kCaptureRingUs = 100000;
// How often a cancelled stream's driver thread is cut short while it closes.
constexpr std::chrono::milliseconds kCancelCutEvery{10};

// ---- ALSA's own messages

// What ALSA says while one call runs on this thread, kept to explain that
// call's failure. ALSA's messages never go to standard error: outside such
// a call nobody asked, and they are dropped.
class AlsaMessages {
 public:
  AlsaMessages() : outer_(std::exchange(Current(), this)) {}
  ~AlsaMessages() { Current() = outer_; }
  AlsaMessages(const AlsaMessages&) = delete;
  AlsaMessages& operator=(const AlsaMessages&) = delete;

  // Why the call failed with `error`: what ALSA said, else the error's text.
  std::string Reason(int error) const {
    if (lines_.empty()) return snd_strerror(error);
    std::string text;
    for (const std::string& line : lines_) text += (text.empty() ? "" : "; ") + line;
    return text;
  }

  static void Say(std::string line) {
    constexpr std::size_t kKept = 4;  // a failing call says one or two things
    AlsaMessages* current = Current();
    if (!current || current->lines_.size() == kKept) return;
    if (std::find(current->lines_.begin(), current->lines_.end(), line) == current->lines_.end())
      current->lines_.push_back(std::move(line));
  }

 private:
  static AlsaMessages*& Current() {
    thread_local AlsaMessages* current = nullptr;
    return current;
  }
  AlsaMessages* outer_;
  std::vector<std::string> lines_;
};

// ALSA's error handler: the message as ALSA would print it, without the
// place in its sources.
void OnAlsaMessage(const char*, int, const char*, int error, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::string line = text;
  if (error) line += std::string(": ") + snd_strerror(error);
  AlsaMessages::Say(std::move(line));
}

void RouteAlsaMessages() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(&OnAlsaMessage); });
}

// ---- Cutting blocked system calls short

thread_local volatile std::sig_atomic_t tCut = 0;

void OnCut(int) { tCut = 1; }

// The signal that cuts: a real-time signal nobody else handles, taken once
// with a handler that asks for no restart, so that a blocked read, write or
// open returns EINTR. 0 when every one is taken.
int CutSignal() {
  static const int signal = [] {
    for (int s = SIGRTMAX; s >= SIGRTMIN; --s) {
      struct sigaction old {};
      if (sigaction(s, nullptr, &old) != 0 || old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO)) continue;
      struct sigaction cut {};
      cut.sa_handler = &OnCut;
      sigemptyset(&cut.sa_mask);
      cut.sa_flags = 0;  // no SA_RESTART
      if (sigaction(s, &cut, nullptr) == 0) return s;
    }
    return 0;
  }();
  return signal;
}

// Cuts short the system calls one thread makes inside ALSA, which a file
// plugin may make on a pipe that never fills or drains: while armed, a
// signal to that thread after `first`, then every `every`, interrupts the
// call that blocks. Made on the thread it cuts; armed from any thread.
class CallCutter {
 public:
  CallCutter() : thread_(pid_t(::syscall(SYS_gettid))) {
    const int signal = CutSignal();
    if (!signal) return;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signal;
    event._sigev_un._tid = thread_;
    valid_ = timer_create(CLOCK_MONOTONIC, &event, &timer_) == 0;
  }

  ~CallCutter() {
    if (valid_) timer_delete(timer_);
  }
  CallCutter(const CallCutter&) = delete;
  CallCutter& operator=(const CallCutter&) = delete;

  void Arm(std::chrono::milliseconds first, std::chrono::milliseconds every) {
    itimerspec when{Spec(every), Spec(first)};
    if (valid_) timer_settime(timer_, 0, &when, nullptr);
  }
  void Disarm() { Arm({}, {}); }

  // A file plugin tries an interrupted write again, so the file the thread
  // blocks on in a read or write is made non-blocking first: the call then
  // fails instead of waiting for a peer that never comes. For a stream that
  // closes; the file goes with it.
  void Unblock() {
    std::ifstream call("/proc/self/task/" + std::to_string(thread_) + "/syscall");
    long number = -1;
    std::string fd;
    if (!(call >> number >> fd) || (number != SYS_read && number != SYS_write)) return;
    const int descriptor = int(std::strtol(fd.c_str(), nullptr, 16));
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0) ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK);
  }

  // On the cut thread: clears and gives whether a cut came since the last look.
  static bool Cut() {
    const bool cut = tCut != 0;
    tCut = 0;
    return cut;
  }

 private:
  static timespec Spec(std::chrono::milliseconds ms) {
    return {time_t(ms.count() / 1000), long(ms.count() % 1000) * 1000000L};
  }
  pid_t thread_;
  timer_t timer_{};
  bool valid_ = false;
};

std::string Hint(void* hint, const char* id) {
  char* value = snd_device_name_get_hint(hint, id);
  std::string out = value ? value : "";
  std::free(value);
  return out;
}

// The definition behind a hinted name ("name" or "name:ARGS"), if any.
snd_config_t* Definition(snd_config_t* top, const std::string& name) {
  std::string key = "pcm." + name.substr(0, name.find(':'));
  snd_config_t* node = nullptr;
  if (!top || snd_config_search(top, key.c_str(), &node) < 0) return nullptr;
  return node;
}

std::string TypeOf(snd_config_t* definition) {
  snd_config_t* type = nullptr;
  const char* value = nullptr;
  if (!definition || snd_config_search(definition, "type", &type) < 0 ||
      snd_config_get_string(type, &value) < 0 || !value)
    return {};
  return value;
}

// The card of a hinted card device ("...:CARD=name,...") or of a PCM
// defined straight on a card ("card" of its definition); -1 for none.
int CardOf(const std::string& pcm, snd_config_t* definition) {
  if (pcm.find("CARD=") != std::string::npos) return snd_card_get_index(AlsaHintCard(pcm).c_str());
  snd_config_t* card = nullptr;
  if (!definition || snd_config_search(definition, "card", &card) < 0) return -1;
  long number = -1;
  const char* text = nullptr;
  if (snd_config_get_integer(card, &number) == 0) return number >= 0 && number < 32 ? int(number) : -1;
  if (snd_config_get_string(card, &text) == 0 && text) return snd_card_get_index(text);
  return -1;
}

class AlsaPcm : public WavePcm {
 public:
  AlsaPcm(snd_pcm_t* pcm, bool capture, std::uint32_t rate, AlsaPacing pacing)
      : pcm_(pcm), capture_(capture), rate_(rate), paced_(pacing == AlsaPacing::WallClock && rate > 0) {
    snd_pcm_uframes_t buffer = 0, period = 0;
    if (snd_pcm_get_params(pcm_, &buffer, &period) == 0 && period > 0) period_ = period;
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int count = snd_pcm_poll_descriptors_count(pcm_);
    if (wake_ < 0 || count < 0) {
      if (wake_ >= 0) ::close(wake_);
      throw std::bad_alloc();  // the caller closes the PCM
    }
    // The device's descriptors, then the wake-up; filled once, reused per wait.
    fds_.resize(std::size_t(count) + 1);
    if (snd_pcm_poll_descriptors(pcm_, fds_.data(), unsigned(count)) != count) count = 0;
    fds_.resize(std::size_t(count) + 1);
    fds_.back() = {wake_, POLLIN, 0};
  }
  // Closing a cancelled stream is cut short too (a file plugin writing out
  // what it holds to a pipe nobody reads).
  ~AlsaPcm() override {
    snd_pcm_close(pcm_);
    {
      std::lock_guard lock(cutMutex_);
      cutter_.reset();
    }
    ::close(wake_);
  }

  std::uint32_t PeriodFrames() const override { return period_; }

  int Start() override {
    Cutter();
    AlsaMessages said;
    int e = snd_pcm_prepare(pcm_);
    if (e == 0 && capture_) e = snd_pcm_start(pcm_);
    Restart();
    return Failed(said, e);
  }

  void Stop() override { snd_pcm_drop(pcm_); }

  // A read that blocks inside ALSA (a file plugin's read of a pipe nobody
  // writes) is cut short after a wait and gives nothing: the frames ALSA
  // then claims were never filled.
  long Read(void* data, std::uint32_t frames) override {
    frames = Allowed(frames);
    if (frames == 0) return 0;
    long ready = Wait();
    if (ready <= 0) return ready;
    AlsaMessages said;
    ArmCut(std::chrono::milliseconds(kWaitMs));
    long n = Moved(snd_pcm_readi(pcm_, data, frames));
    DisarmCut();
    if (CallCutter::Cut()) return 0;
    return Count(Failed(said, n));
  }

  long Write(const void* data, std::uint32_t frames) override {
    frames = Allowed(frames);
    if (frames == 0) return 0;
    long ready = Wait();
    if (ready <= 0) return ready;
    AlsaMessages said;
    long n = Count(Failed(said, Moved(snd_pcm_writei(pcm_, data, frames))));
    if (n > 0 && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm_);
    return n;
  }

  int Recover(int error) override {
    AlsaMessages said;
    int e = snd_pcm_recover(pcm_, error, 1);
    if (e == 0 && capture_) e = snd_pcm_start(pcm_);
    Restart();
    return Failed(said, e);
  }

  // Ends the current or the next wait; the count stays until a wait takes it.
  void Interrupt() override {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
  }

  void Cancel() override {
    {
      std::lock_guard lock(cutMutex_);
      cancelled_ = true;
      if (cutter_) {
        cutter_->Unblock();
        cutter_->Arm(kCancelCutEvery, kCancelCutEvery);
      }
    }
    Interrupt();
  }

  std::string Reason(long error) override { return failure_.empty() ? snd_strerror(int(error)) : failure_; }

 private:
  using Clock = std::chrono::steady_clock;

  // The driver thread's cutter, made on its first call; armed at once when
  // the stream was cancelled before.
  void Cutter() {
    std::lock_guard lock(cutMutex_);
    if (cutter_) return;
    cutter_ = std::make_unique<CallCutter>();
    if (cancelled_) cutter_->Arm(kCancelCutEvery, kCancelCutEvery);
  }
  void ArmCut(std::chrono::milliseconds after) {
    std::lock_guard lock(cutMutex_);
    CallCutter::Cut();  // a cut left from before is not this call's
    if (cutter_ && !cancelled_) cutter_->Arm(after, after);
  }
  void DisarmCut() {
    std::lock_guard lock(cutMutex_);
    if (cutter_ && !cancelled_) cutter_->Disarm();
  }

  // Keeps why a call failed, in ALSA's words when it said something.
  template <class N>
  N Failed(const AlsaMessages& said, N result) {
    failure_ = result < 0 ? said.Reason(int(result)) : std::string();
    return result;
  }

  // 1 when the device is ready (or has an error the transfer will give),
  // 0 after a timeout or an interrupt, or -errno.
  long Wait() {
    if (fds_.size() == 1) return TakeWake() ? 0 : 1;  // nothing to wait on: the transfer tells
    for (auto& fd : fds_) fd.revents = 0;
    int n = ::poll(fds_.data(), nfds_t(fds_.size()), kWaitMs);
    if (n < 0) return errno == EINTR ? 0 : -errno;
    if (n == 0) return 0;
    if (fds_.back().revents & POLLIN) {
      TakeWake();
      return 0;
    }
    unsigned short revents = 0;
    int e = snd_pcm_poll_descriptors_revents(pcm_, fds_.data(), unsigned(fds_.size() - 1), &revents);
    if (e < 0) return e == -EINTR || e == -EAGAIN ? 0 : e;
    return revents & (POLLIN | POLLOUT | POLLERR | POLLHUP) ? 1 : 0;
  }

  // Waits for an interrupt at most `ms`; true when one came.
  bool Sleep(int ms) {
    pollfd fd{wake_, POLLIN, 0};
    return ::poll(&fd, 1, ms) > 0 && TakeWake();
  }

  // Takes a pending interrupt; true when there was one.
  bool TakeWake() {
    std::uint64_t count = 0;
    return ::read(wake_, &count, sizeof count) == sizeof count;
  }

  // EAGAIN and EINTR move nothing. EPIPE is an xrun only when the stream
  // says so: a plugin whose file or pipe refused the data gives it too, and
  // that ends the stream instead of being recovered for ever.
  long Moved(long n) {
    if (n == -EAGAIN || n == -EINTR) return 0;
    if (n == -EPIPE && snd_pcm_state(pcm_) != SND_PCM_STATE_XRUN) return -EIO;
    return n;
  }

  void Restart() {
    started_ = Clock::now();
    moved_ = 0;
  }
  long Count(long n) {
    if (n > 0) moved_ += std::uint64_t(n);
    return n;
  }
  // Paced as a sound card: capture hands out whole periods once they have
  // been recorded, playback takes one period ahead of the clock. When
  // nothing is due, waits (boundedly, or until interrupted) until something
  // is and allows none.
  std::uint32_t Allowed(std::uint32_t frames) {
    if (!paced_) return frames;
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started_).count();
    std::uint64_t clock = std::uint64_t(elapsed) * rate_ / 1000000u;
    std::uint64_t due = capture_ ? clock / period_ * period_ : clock + period_;
    if (due > moved_) return std::uint32_t(std::min<std::uint64_t>(frames, due - moved_));
    std::uint64_t wanted = capture_ ? (moved_ / period_ + 1) * period_ : moved_ - period_ + 1;
    auto next = started_ + std::chrono::microseconds(wanted * 1000000u / rate_ + 1);
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    Sleep(int(std::clamp<long long>(ms, 0, kWaitMs)));
    return 0;
  }

  snd_pcm_t* pcm_;
  bool capture_;
  std::uint32_t rate_;
  bool paced_;
  std::uint32_t period_ = 256;
  int wake_ = -1;  // eventfd: Interrupt counts it up, a wait takes it
  std::vector<pollfd> fds_;
  Clock::time_point started_ = Clock::now();
  std::uint64_t moved_ = 0;  // frames moved since the (re)start
  std::string failure_;      // why the last failed call failed
  std::mutex cutMutex_;
  std::unique_ptr<CallCutter> cutter_;  // the driver thread's
  bool cancelled_ = false;
};

snd_pcm_format_t AlsaFormat(std::uint16_t container) {
  switch (container) {
    case 8: return SND_PCM_FORMAT_U8;
    case 16: return SND_PCM_FORMAT_S16_LE;
    case 24: return SND_PCM_FORMAT_S24_3LE;
    default: return SND_PCM_FORMAT_S32_LE;
  }
}

MMRESULT OpenError(int e) {
  if (e == -EBUSY || e == -EAGAIN) return MMSYSERR_ALLOCATED;
  if (e == -ENOENT || e == -ENODEV || e == -ENXIO) return MMSYSERR_BADDEVICEID;
  if (e == -ENOMEM) return MMSYSERR_NOMEM;
  return MMSYSERR_ERROR;
}

int SetParams(snd_pcm_t* pcm, const WavePcmFormat& format, bool convert, unsigned ringUs) {
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  int e = snd_pcm_hw_params_any(pcm, hw);
  if (e >= 0) e = snd_pcm_hw_params_set_rate_resample(pcm, hw, convert ? 1 : 0);
  if (e >= 0) e = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
  if (e >= 0) e = snd_pcm_hw_params_set_format(pcm, hw, AlsaFormat(format.containerBits));
  if (e >= 0) e = snd_pcm_hw_params_set_channels(pcm, hw, format.channels);
  if (e >= 0) e = snd_pcm_hw_params_set_rate(pcm, hw, format.rate, 0);
  if (e < 0) return -EINVAL;  // the device cannot take this format
  unsigned ring = ringUs, period = kPeriodUs;
  int dir = 0;
  snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &ring, &dir);
  snd_pcm_hw_params_set_period_time_near(pcm, hw, &period, &dir);
  e = snd_pcm_hw_params(pcm, hw);
  return e == -EINVAL ? -EIO : e;  // a failure here is not the format's
}

// Opens and sets up one PCM; on failure `error` holds ALSA's -errno.
MMRESULT OpenPcm(const std::string& name, bool capture, const WavePcmFormat& format,
                 bool convert, snd_pcm_t*& out, int& error) {
  snd_pcm_t* pcm = nullptr;
  int e = snd_pcm_open(&pcm, name.c_str(),
                       capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                       SND_PCM_NONBLOCK);
  error = e;
  if (e < 0) return OpenError(e);
  e = SetParams(pcm, format, convert, capture ? kCaptureRingUs : kPlaybackRingUs);
  error = e;
  if (e < 0) {
    snd_pcm_close(pcm);
    return e == -EINVAL ? WAVERR_BADFORMAT : OpenError(e);
  }
  out = pcm;
  return MMSYSERR_NOERROR;
}

// Null and file PCMs move data as fast as asked unless a card is below them.
bool HasNoClock(snd_pcm_t* pcm) {
  snd_pcm_type_t type = snd_pcm_type(pcm);
  if (type != SND_PCM_TYPE_NULL && type != SND_PCM_TYPE_FILE) return false;
  snd_pcm_info_t* info = nullptr;
  snd_pcm_info_alloca(&info);
  return snd_pcm_info(pcm, info) < 0 || snd_pcm_info_get_card(info) < 0;
}

class AlsaMixer : public RecorderMixer {
 public:
  explicit AlsaMixer(snd_mixer_t* mixer) : mixer_(mixer) {
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
      if (snd_mixer_selem_is_active(e)) elems_.push_back(e);
  }
  ~AlsaMixer() override { snd_mixer_close(mixer_); }

  std::vector<Element> Elements() override {
    std::vector<Element> out;
    for (snd_mixer_elem_t* e : elems_) {
      Element el;
      el.name = snd_mixer_selem_get_name(e);
      if (snd_mixer_selem_is_enumerated(e)) {
        el.captureSource = snd_mixer_selem_is_enum_capture(e) ||
                           el.name.find("Capture Source") != std::string::npos ||
                           el.name.find("Input Source") != std::string::npos;
        int count = snd_mixer_selem_get_enum_items(e);
        for (int i = 0; i < count; ++i) {
          char item[64] = {};
          if (snd_mixer_selem_get_enum_item_name(e, i, sizeof item - 1, item) == 0)
            el.items.push_back(item);
        }
      }
      el.captureSwitch = snd_mixer_selem_has_capture_switch(e);
      out.push_back(std::move(el));
    }
    return out;
  }

  bool SelectItem(std::size_t element, std::size_t item) override {
    if (element >= elems_.size()) return false;
    bool any = false;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
      unsigned current = 0;
      auto channel = snd_mixer_selem_channel_id_t(ch);
      if (snd_mixer_selem_get_enum_item(elems_[element], channel, &current) < 0) continue;
      any = snd_mixer_selem_set_enum_item(elems_[element], channel, unsigned(item)) == 0 || any;
    }
    return any;
  }

  bool SetCaptureSwitch(std::size_t element, bool on) override {
    if (element >= elems_.size()) return false;
    return snd_mixer_selem_set_capture_switch_all(elems_[element], on ? 1 : 0) == 0;
  }

 private:
  snd_mixer_t* mixer_;
  std::vector<snd_mixer_elem_t*> elems_;
};

}  // namespace

AlsaPcmKind ClassifyAlsaPcm(std::string_view name, std::string_view type, bool described) {
  if (name == "default") return AlsaPcmKind::Default;
  if (name.find("CARD=") != std::string_view::npos) {
    // Of the per-card variants only the card's own default and its digital
    // outputs are devices of their own; the rest repeat or wrap them.
    std::string_view base = name.substr(0, name.find(':'));
    for (std::string_view own : {"sysdefault", "hdmi", "iec958"})
      if (base == own) return AlsaPcmKind::Card;
    return AlsaPcmKind::Other;
  }
  for (std::string_view server : {"pulse", "pipewire", "jack"})
    if (type == server) return AlsaPcmKind::Server;
  if (type == "hw") return AlsaPcmKind::Card;
  // What ALSA and its plugin packages define besides: discarding, the old
  // sound system's bridge, converters, channel mixers, encoders.
  for (std::string_view stock : {"null", "oss", "lavrate", "samplerate", "speexrate", "speex", "upmix", "vdownmix",
                                 "a52", "usbstream"})
    if (name == stock) return AlsaPcmKind::Other;
  for (std::string_view plugin : {"null", "oss", "rate", "linear", "lfloat", "mulaw", "alaw", "adpcm", "speex",
                                  "upmix", "vdownmix", "a52", "usb_stream"})
    if (type == plugin) return AlsaPcmKind::Other;
  // Anything else a person defined and described is a device to them.
  return described && !type.empty() ? AlsaPcmKind::Own : AlsaPcmKind::Other;
}

std::string AlsaHintDescription(std::string_view desc) { return std::string(desc.substr(0, desc.find('\n'))); }

std::string AlsaHintCard(std::string_view pcm) {
  auto at = pcm.find("CARD=");
  if (at == std::string_view::npos) return {};
  std::string_view card = pcm.substr(at + 5);
  return std::string(card.substr(0, card.find(',')));
}

std::vector<WaveDevice> AlsaBackend::Enumerate(WaveDirection direction) {
  // "Default" is there even when no hint names it: it is what a first run
  // picks, and the device the wave mapper opens.
  std::vector<WaveDevice> devices{{"Default", "default", -1}}, cards, own;
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return devices;
  snd_config_t* top = nullptr;  // the configuration the hints came from
  if (snd_config_update_ref(&top) < 0) top = nullptr;
  const char* wanted = direction == WaveDirection::In ? "Input" : "Output";
  for (void** h = hints; *h; ++h) {
    std::string name = Hint(*h, "NAME"), ioid = Hint(*h, "IOID");
    if (name.empty() || (!ioid.empty() && ioid != wanted)) continue;
    snd_config_t* definition = Definition(top, name);
    std::string desc = AlsaHintDescription(Hint(*h, "DESC"));
    AlsaPcmKind kind = ClassifyAlsaPcm(name, TypeOf(definition), !desc.empty());
    if (kind == AlsaPcmKind::Default || kind == AlsaPcmKind::Other) continue;
    auto& list = kind == AlsaPcmKind::Server ? devices : kind == AlsaPcmKind::Card ? cards : own;
    list.push_back({desc, name, CardOf(name, definition)});
  }
  if (top) snd_config_unref(top);
  snd_device_name_free_hint(hints);
  devices.insert(devices.end(), cards.begin(), cards.end());
  devices.insert(devices.end(), own.begin(), own.end());
  return devices;
}

AlsaBackend::AlsaBackend(AlsaPacing pacing) : pacing_(pacing) { RouteAlsaMessages(); }

MMRESULT AlsaBackend::Open(WaveDirection direction, const WaveDevice* device,
                           const WavePcmFormat& format, bool convert,
                           std::unique_ptr<WavePcm>& pcm, std::string& reason) {
  AlsaMessages said;
  bool capture = direction == WaveDirection::In;
  std::string name = device ? device->pcm : "default";
  snd_pcm_t* handle = nullptr;
  int error = 0;
  MMRESULT r = OpenPcm(name, capture, format, convert, handle, error);
  // Conversion allowed: let ALSA's plug plugin adapt format and channels too.
  if (r == WAVERR_BADFORMAT && convert && name.rfind("plug", 0) != 0)
    r = OpenPcm("plug:'" + name + "'", capture, format, convert, handle, error);
  if (r == WAVERR_BADFORMAT) {
    reason = std::to_string(format.rate) + " per second, " + std::to_string(format.channels) + " channels, " +
             std::to_string(format.validBits) + " bits: not a format the device takes";
    return r;
  }
  if (r) {
    reason = said.Reason(error);
    return r;
  }
  try {
    AlsaPacing pacing = pacing_;
    if (pacing == AlsaPacing::Clockless) pacing = HasNoClock(handle) ? AlsaPacing::WallClock : AlsaPacing::Device;
    pcm = std::make_unique<AlsaPcm>(handle, capture, format.rate, pacing);
  } catch (...) {
    snd_pcm_close(handle);
    reason = snd_strerror(-ENOMEM);
    return MMSYSERR_NOMEM;
  }
  return MMSYSERR_NOERROR;
}

std::unique_ptr<RecorderMixer> AlsaBackend::OpenMixer(const WaveDevice& device) {
  if (device.card < 0) return nullptr;
  snd_mixer_t* mixer = nullptr;
  if (snd_mixer_open(&mixer, 0) < 0) return nullptr;
  std::string card = "hw:" + std::to_string(device.card);
  if (snd_mixer_attach(mixer, card.c_str()) < 0 ||
      snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
    snd_mixer_close(mixer);
    return nullptr;
  }
  return std::make_unique<AlsaMixer>(mixer);
}

}  // namespace tavrel
