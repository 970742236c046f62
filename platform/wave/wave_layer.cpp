// The wave calls over a backend: header queue, flags, callbacks and the
// driver thread of each open handle.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <condition_variable>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/recycle_queue.h"
#include "platform/thread.h"
#include "platform/wave/alsa_backend.h"
#include "platform/wave/wave_backend.h"

namespace tavrel {

std::string WavePcm::Reason(long error) { return std::generic_category().message(int(-error)); }

std::chrono::milliseconds WaveBackend::Clock() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

// ---------------------------------------------------------------- registry

WaveRegistry& WaveRegistry::Instance() {
  static WaveRegistry registry;
  return registry;
}

std::shared_ptr<WaveBackend> WaveRegistry::Backend() {
  std::lock_guard lock(mutex_);
  if (!backend_) backend_ = std::make_shared<AlsaBackend>(AlsaPacing::Clockless);
  return backend_;
}

void WaveRegistry::SetBackend(std::shared_ptr<WaveBackend> backend) {
  std::lock_guard lock(mutex_);
  backend_ = std::move(backend);
  listed_[0] = listed_[1] = false;  // the lists belonged to the other backend
  devices_[0].clear();
  devices_[1].clear();
}

std::vector<WaveDeviceEntry> WaveRegistry::RefreshDevices(WaveDirection direction) {
  auto backend = Backend();
  auto named = NameDevices(backend->Enumerate(direction));
  std::lock_guard lock(mutex_);
  int d = direction == WaveDirection::In ? 0 : 1;
  if (backend_ == backend) {
    devices_[d] = named;
    listed_[d] = true;
  }
  return named;
}

std::vector<WaveDeviceEntry> WaveRegistry::Devices(WaveDirection direction) {
  int d = direction == WaveDirection::In ? 0 : 1;
  {
    std::lock_guard lock(mutex_);
    if (listed_[d]) return devices_[d];
  }
  return RefreshDevices(direction);
}

std::size_t WaveRegistry::OpenHandleCount() {
  std::lock_guard lock(mutex_);
  return streams_.size();
}

std::uint64_t WaveRegistry::AddStream(std::shared_ptr<WaveStream> stream) {
  std::lock_guard lock(mutex_);
  std::uint64_t handle = ++lastHandle_;
  streams_.emplace(handle, std::move(stream));
  return handle;
}

std::shared_ptr<WaveStream> WaveRegistry::FindStream(std::uint64_t handle) {
  std::lock_guard lock(mutex_);
  auto it = streams_.find(handle);
  return it == streams_.end() ? nullptr : it->second;
}

void WaveRegistry::RemoveStream(std::uint64_t handle) {
  std::shared_ptr<WaveStream> last;  // destroyed outside the lock
  std::lock_guard lock(mutex_);
  auto it = streams_.find(handle);
  if (it == streams_.end()) return;
  last = std::move(it->second);
  streams_.erase(it);
}

WaveBackendScope::WaveBackendScope(std::shared_ptr<WaveBackend> backend)
    : previous_(WaveRegistry::Instance().Backend()) {
  WaveRegistry::Instance().SetBackend(std::move(backend));
}

WaveBackendScope::~WaveBackendScope() { WaveRegistry::Instance().SetBackend(previous_); }

// ------------------------------------------------------------------ stream

namespace {

// How long closing a handle waits for its driver thread. A thread still
// inside the device after that (one the system cannot interrupt) is left
// behind.
constexpr auto kDriverCloseWait = std::chrono::seconds(2);

std::atomic<std::size_t>& DriversLeftBehindCount() {
  static std::atomic<std::size_t> count{0};  // trivially destroyed: safe at exit
  return count;
}

std::atomic<std::size_t>& OpensLeftBehindCount() {
  static std::atomic<std::size_t> count{0};
  return count;
}

std::string Seconds(std::chrono::milliseconds limit) {
  return std::to_string(limit.count() / 1000) + " s";
}

// A reader that went away makes a write raise SIGPIPE in the writing
// thread; blocked here, the write fails with EPIPE instead.
void BlockBrokenPipe() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace

std::size_t WaveRegistry::DriversLeftBehind() { return DriversLeftBehindCount().load(); }
std::size_t WaveRegistry::OpensLeftBehind() { return OpensLeftBehindCount().load(); }

// The driver thread holds its stream, so a thread left behind by Close
// still has the stream (and the device) to end with; the device is closed
// by the driver thread itself as it ends, never by the closing one.
class WaveStream : public std::enable_shared_from_this<WaveStream> {
 public:
  WaveStream(WaveDirection direction, std::shared_ptr<WaveBackend> backend,
             std::unique_ptr<WavePcm> pcm, const WavePcmFormat& format, WaveInProc inProc,
             WaveOutProc outProc, std::uintptr_t instance)
      : direction_(direction),
        backend_(std::move(backend)),
        pcm_(std::move(pcm)),
        format_(format),
        inProc_(inProc),
        outProc_(outProc),
        instance_(instance),
        running_(direction == WaveDirection::Out) {}  // playback opens running

  // Only the ending driver thread may be the last holder of a running stream.
  ~WaveStream() {
    if (driver_.joinable()) driver_.detach();
  }

  WaveBackend& Backend() { return *backend_; }

  void Launch(std::uint64_t handle) {
    handle_ = handle;
    period_ = std::max<std::uint32_t>(1, pcm_->PeriodFrames());
    buffer_.resize(std::size_t(period_) * format_.frameBytes());
    done_.reserve(64);
    name_ = (Capture() ? "waveIn " : "waveOut ") + std::to_string(handle);
    driver_ = std::thread([self = shared_from_this()] { self->DriverMain(); });
  }

  bool Closed() {
    std::lock_guard lock(mutex_);
    return closed_;
  }

  // Why the device went away; "" while it is there.
  std::string LossReason() {
    std::lock_guard lock(mutex_);
    return lossReason_;
  }

  void Opened() { Notify(Capture() ? WIM_OPEN : WOM_OPEN, nullptr); }

  MMRESULT Prepare(WAVEHDR* h, std::uint32_t size, WaveCall& call) {
    std::lock_guard lock(mutex_);
    if (closed_) return MMSYSERR_INVALHANDLE;
    if (!h || size < sizeof(WAVEHDR) || !h->lpData) return MMSYSERR_INVALPARAM;
    h->dwFlags |= WHDR_PREPARED;
    call.headerFlags = h->dwFlags;
    return MMSYSERR_NOERROR;
  }

  MMRESULT Unprepare(WAVEHDR* h, std::uint32_t size, WaveCall& call) {
    std::lock_guard lock(mutex_);
    if (closed_) return MMSYSERR_INVALHANDLE;
    if (!h || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (h->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    h->dwFlags &= ~WHDR_PREPARED;
    call.headerFlags = h->dwFlags;
    return MMSYSERR_NOERROR;
  }

  // Add (capture) or write (playback): queue only, never wait for the device.
  MMRESULT Queue(WAVEHDR* h, std::uint32_t size, WaveCall& call) {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return MMSYSERR_INVALHANDLE;
      if (!h || size < sizeof(WAVEHDR) || !h->lpData || h->dwBufferLength == 0)
        return MMSYSERR_INVALPARAM;
      if (!(h->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
      if (h->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
      if (lost_) return MMSYSERR_NODRIVER;
      h->dwFlags = (h->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
      h->dwBytesRecorded = 0;
      h->lpNext = nullptr;
      queue_.push_back(h);
      call.headerFlags = h->dwFlags;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
  }

  // Start or restart (run = true), pause (run = false).
  MMRESULT Run(bool run) {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return MMSYSERR_INVALHANDLE;
      if (lost_) return MMSYSERR_NODRIVER;
      running_ = run;
    }
    wake_.notify_all();
    return MMSYSERR_NOERROR;
  }

  // Stops (capture) or drops the device's ring (playback) and hands back
  // every queued header, in order, before returning.
  MMRESULT Reset() {
    if (InCallback()) return MMSYSERR_ERROR;  // it would wait for itself
    std::lock_guard delivering(delivery_);
    TRecycledQueue<WAVEHDR*> taken;
    MMRESULT result;
    {
      std::lock_guard lock(mutex_);
      if (closed_) return MMSYSERR_INVALHANDLE;
      if (Capture())
        running_ = false;
      else
        dropPending_ = true;
      taken = TakeQueue();
      result = lost_ ? MMSYSERR_NODRIVER : MMSYSERR_NOERROR;
      pcm_->Interrupt();  // under the lock: a racing Close may not have released it
    }
    wake_.notify_all();
    for (WAVEHDR* h : taken) Notify(Capture() ? WIM_DATA : WOM_DONE, h);
    return result;
  }

  MMRESULT Close() {
    if (InCallback()) return MMSYSERR_ERROR;  // it would wait for itself
    {
      std::lock_guard lock(mutex_);
      if (closed_) return MMSYSERR_INVALHANDLE;
      if (!queue_.empty()) return WAVERR_STILLPLAYING;
      closed_ = true;
    }
    const bool ended = StopDriver();
    std::lock_guard delivering(delivery_);  // after a Reset still calling back
    Notify(Capture() ? WIM_CLOSE : WOM_CLOSE, nullptr);
    return ended ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
  }

 private:
  bool Capture() const { return direction_ == WaveDirection::In; }
  // True inside one of this handle's callbacks on the calling thread.
  bool InCallback() const { return inCallbackOf == this; }

  // A capture with no header to fill reads nothing: what arrives meanwhile
  // waits in the device, as in a sound card's ring, rather than being lost.
  bool WantsIo() const { return running_ && !lost_ && !queue_.empty(); }
  bool CaptureHalts() const { return Capture() && (!running_ || lost_); }

  // Drops the transfer in flight and hands back every queued header marked
  // done, the front one with what it holds so far; under mutex_.
  TRecycledQueue<WAVEHDR*> TakeQueue() {
    ++epoch_;
    TRecycledQueue<WAVEHDR*> taken;
    taken.swap(queue_);
    if (Capture() && !taken.empty()) taken.front()->dwBytesRecorded = offset_;
    offset_ = 0;
    for (WAVEHDR* h : taken) h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    return taken;
  }

  // Asks the driver thread to end and waits for it, boundedly. True when it
  // ended; false when it was left behind, still inside the device.
  bool StopDriver() {
    if (!driver_.joinable()) return true;
    bool ended;
    {
      std::unique_lock lock(mutex_);
      quit_ = true;
      if (pcm_) pcm_->Cancel();  // also a transfer that blocks inside the device
      wake_.notify_all();
      ended = driverEnded_.wait_for(lock, kDriverCloseWait, [&] { return driverDone_; });
      if (!ended) {
        leftBehind_ = true;
        ++DriversLeftBehindCount();
      }
    }
    if (ended)
      driver_.join();
    else
      driver_.detach();
    return ended;
  }

  void DriverMain() {
    SetCurrentThreadName(name_);
    SetCurrentThreadPriority(ThreadPriority::Highest);
    BlockBrokenPipe();
    DriverLoop();
    std::unique_ptr<WavePcm> pcm;
    {
      std::lock_guard lock(mutex_);
      pcm = std::move(pcm_);
    }
    pcm.reset();  // closing may still write out what the device holds
    std::lock_guard lock(mutex_);
    driverDone_ = true;
    if (leftBehind_) --DriversLeftBehindCount();
    driverEnded_.notify_all();
  }

  void Notify(std::uint32_t msg, WAVEHDR* h) {
    const WaveStream* outer = std::exchange(inCallbackOf, this);
    try {
      auto param = reinterpret_cast<std::uintptr_t>(h);
      if (Capture() && inProc_)
        inProc_(HWAVEIN{handle_}, msg, instance_, param, 0);
      else if (!Capture() && outProc_)
        outProc_(HWAVEOUT{handle_}, msg, instance_, param, 0);
    } catch (...) {
      // A callback's failure must not end the driver thread or the caller.
    }
    inCallbackOf = outer;
  }

  void DriverLoop() {
    try {
      bool started = false;
      // Since when a capture with headers to fill has recorded nothing.
      std::optional<std::chrono::milliseconds> heard;
      for (;;) {
        bool drop, want, halt;
        std::uint64_t epoch;
        {
          std::unique_lock lock(mutex_);
          wake_.wait(lock, [&] { return quit_ || dropPending_ || WantsIo() || (started && CaptureHalts()); });
          if (quit_) break;
          drop = std::exchange(dropPending_, false);
          want = WantsIo();
          halt = CaptureHalts();
          epoch = epoch_;
        }
        if (started && (drop || halt)) {
          pcm_->Stop();
          started = false;
        }
        if (!want) {
          heard.reset();
          continue;
        }
        if (!started) {
          if (int e = pcm_->Start(); e < 0) {
            LoseDevice(pcm_->Reason(e));
            continue;
          }
          started = true;
        }
        if (Capture() && !heard) heard = backend_->Clock();
        long moved = Capture() ? CaptureOnce(epoch) : PlayOnce(epoch);
        if (moved == -EPIPE || moved == -ESTRPIPE) {
          if (int e = pcm_->Recover(int(moved)); e < 0) LoseDevice(pcm_->Reason(e));  // else carry on silently
        } else if (moved < 0) {
          LoseDevice(pcm_->Reason(moved));
        } else if (Capture()) {
          // A capture that stays open and records nothing is as good as gone.
          const std::chrono::milliseconds now = backend_->Clock();
          if (moved > 0)
            heard = now;
          else if (now - *heard >= kWaveCaptureSilenceLimit)
            LoseDevice("nothing recorded for " + Seconds(kWaveCaptureSilenceLimit));
        }
      }
    } catch (const std::exception& e) {
      LoseDevice(e.what());
    } catch (...) {
      LoseDevice("");
    }
  }

  long CaptureOnce(std::uint64_t epoch) {
    // Frames a device claims without filling them (a file plugin past the
    // end of its file) are silence, never the period read before.
    std::memset(buffer_.data(), format_.containerBits == 8 ? 0x80 : 0, buffer_.size());
    long frames = pcm_->Read(buffer_.data(), period_);
    if (frames <= 0) return frames;
    std::lock_guard delivering(delivery_);
    done_.clear();
    {
      std::lock_guard lock(mutex_);
      if (epoch != epoch_ || !running_) return frames;  // read before a reset: dropped
      std::size_t bytes = std::size_t(frames) * format_.frameBytes();
      const char* from = buffer_.data();
      while (bytes > 0 && !queue_.empty()) {  // frames with no header are dropped
        WAVEHDR* h = queue_.front();
        std::size_t n = std::min<std::size_t>(bytes, h->dwBufferLength - offset_);
        std::memcpy(h->lpData + offset_, from, n);
        from += n;
        bytes -= n;
        offset_ += n;
        if (offset_ == h->dwBufferLength) {
          h->dwBytesRecorded = h->dwBufferLength;
          h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
          queue_.pop_front();
          offset_ = 0;
          done_.push_back(h);
        }
      }
    }
    for (WAVEHDR* h : done_) Notify(WIM_DATA, h);
    return frames;
  }

  long PlayOnce(std::uint64_t epoch) {
    std::uint32_t frames;
    std::size_t touched = 0;  // headers the copy reached
    {
      // Copy out under the lock: a Reset may hand the headers back meanwhile.
      std::lock_guard lock(mutex_);
      if (epoch != epoch_) return 0;
      std::size_t want = std::size_t(period_) * format_.frameBytes(), got = 0, offset = offset_;
      for (auto it = queue_.begin(); it != queue_.end() && got < want; ++it, ++touched) {
        std::size_t n = std::min<std::size_t>(want - got, (*it)->dwBufferLength - offset);
        std::memcpy(buffer_.data() + got, (*it)->lpData + offset, n);
        got += n;
        offset = 0;
      }
      frames = std::uint32_t(got / format_.frameBytes());
    }
    long written = frames ? pcm_->Write(buffer_.data(), frames) : 0;
    if (written < 0) return written;
    std::lock_guard delivering(delivery_);
    done_.clear();
    {
      std::lock_guard lock(mutex_);
      if (epoch != epoch_) return written;
      auto complete = [&] {
        WAVEHDR* h = queue_.front();
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        queue_.pop_front();
        offset_ = 0;
        done_.push_back(h);
      };
      if (frames == 0) {
        // Less than one frame was queued: it can never play, so its headers are done.
        for (; touched > 0 && !queue_.empty(); --touched) complete();
      } else {
        std::size_t bytes = std::size_t(written) * format_.frameBytes();
        while (bytes > 0 && !queue_.empty()) {
          std::size_t n = std::min<std::size_t>(bytes, queue_.front()->dwBufferLength - offset_);
          bytes -= n;
          offset_ += n;
          if (offset_ < queue_.front()->dwBufferLength) break;
          complete();
        }
      }
    }
    for (WAVEHDR* h : done_) Notify(WOM_DONE, h);
    return written;
  }

  // The device is gone: the stream ends, its headers come back, and every
  // later call on the handle says so, and why. The driver then only waits
  // for close.
  void LoseDevice(std::string reason) {
    std::lock_guard delivering(delivery_);
    TRecycledQueue<WAVEHDR*> taken;
    {
      std::lock_guard lock(mutex_);
      if (lost_) return;
      lost_ = true;
      lossReason_ = std::move(reason);
      taken = TakeQueue();
    }
    for (WAVEHDR* h : taken) Notify(Capture() ? WIM_DATA : WOM_DONE, h);
  }

  const WaveDirection direction_;
  const std::shared_ptr<WaveBackend> backend_;
  std::unique_ptr<WavePcm> pcm_;
  const WavePcmFormat format_;
  const WaveInProc inProc_;
  const WaveOutProc outProc_;
  const std::uintptr_t instance_;
  std::uint64_t handle_ = 0;
  std::uint32_t period_ = 1;
  std::vector<char> buffer_;     // driver thread only
  std::vector<WAVEHDR*> done_;   // driver thread only
  std::string name_;
  std::thread driver_;
  static thread_local const WaveStream* inCallbackOf;  // set while a callback runs

  std::mutex delivery_;  // keeps callbacks in order; taken before mutex_
  std::mutex mutex_;
  std::condition_variable wake_;
  TRecycledQueue<WAVEHDR*> queue_;
  std::size_t offset_ = 0;  // bytes already moved in the front header
  std::uint64_t epoch_ = 0;  // counts resets, so stale transfers are dropped
  bool running_;
  bool dropPending_ = false;
  bool lost_ = false;
  std::string lossReason_;
  bool closed_ = false;
  bool quit_ = false;
  std::condition_variable driverEnded_;
  bool driverDone_ = false;   // the driver thread has closed the device and ends
  bool leftBehind_ = false;   // Close stopped waiting for it
};

thread_local const WaveStream* WaveStream::inCallbackOf = nullptr;

// --------------------------------------------------------------- the calls

MMRESULT DecodeWaveFormat(const WAVEFORMATEX* wfx, WavePcmFormat& out) {
  if (!wfx) return MMSYSERR_INVALPARAM;
  WavePcmFormat f;
  f.rate = wfx->nSamplesPerSec;
  f.channels = wfx->nChannels;
  f.containerBits = wfx->wBitsPerSample;
  f.validBits = f.containerBits;
  if (wfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
    if (wfx->cbSize < 22) return WAVERR_BADFORMAT;
    WAVEFORMATEXTENSIBLE ext;
    std::memcpy(static_cast<void*>(&ext), wfx, sizeof ext);  // the caller passed the whole record
    Guid sub;
    std::memcpy(&sub, &ext.SubFormat, sizeof sub);
    if (sub != KSDATAFORMAT_SUBTYPE_PCM) return WAVERR_BADFORMAT;
    if (ext.wValidBitsPerSample) f.validBits = ext.wValidBitsPerSample;
  } else if (wfx->wFormatTag != WAVE_FORMAT_PCM) {
    return WAVERR_BADFORMAT;
  }
  bool container = f.containerBits == 8 || f.containerBits == 16 || f.containerBits == 24 ||
                   f.containerBits == 32;
  if (!container || f.validBits > f.containerBits || f.channels < 1 || f.channels > 32 ||
      f.rate == 0 || f.rate > kWaveMaxSampleRate || wfx->nBlockAlign != f.frameBytes())
    return WAVERR_BADFORMAT;
  out = f;
  return MMSYSERR_NOERROR;
}

namespace {

// How often a caller waiting on the backend's clock looks at it again.
constexpr auto kClockLook = std::chrono::milliseconds(10);

std::string& LastErrorReason() {
  thread_local std::string reason;
  return reason;
}

// Runs one call between the backend's fault hook and its trace, and keeps
// why it failed for WaveLastErrorReason.
template <class Body>
MMRESULT Traced(WaveBackend& backend, WaveCall call, Body&& body) {
  MMRESULT result = backend.Fault(call);
  try {
    if (result == MMSYSERR_NOERROR) result = body(call);
  } catch (const std::exception& e) {  // out of memory or threads; no exception leaves a wave call
    result = MMSYSERR_NOMEM;
    call.reason = e.what();
  } catch (...) {
    result = MMSYSERR_NOMEM;
  }
  call.result = result;
  if (result == MMSYSERR_NOERROR) call.reason.clear();
  LastErrorReason() = call.reason;
  backend.Trace(call);
  return result;
}

// A call on an open handle; the stream stays alive for the call's duration.
template <class Handle, class Body>
MMRESULT OnHandle(const char* function, Handle h, const WAVEHDR* header, Body&& body) {
  auto stream = WaveRegistry::Instance().FindStream(std::uint64_t(h));
  auto backend = stream ? std::shared_ptr<WaveBackend>() : WaveRegistry::Instance().Backend();
  WaveCall call;
  call.function = function;
  call.handle = std::uint64_t(h);
  call.header = header;
  return Traced(stream ? stream->Backend() : *backend, call, [&](WaveCall& c) -> MMRESULT {
    if (!stream) return MMSYSERR_INVALHANDLE;
    MMRESULT result = body(*stream, c);
    if (result == MMSYSERR_NODRIVER) c.reason = stream->LossReason();
    return result;
  });
}

template <class Caps>
MMRESULT GetCaps(const char* function, WaveDirection direction, std::uintptr_t id, Caps* caps,
                 std::uint32_t size) {
  auto backend = WaveRegistry::Instance().Backend();
  WaveCall call;
  call.function = function;
  call.device = std::uint32_t(id);
  return Traced(*backend, call, [&](WaveCall&) -> MMRESULT {
    auto devices = WaveRegistry::Instance().Devices(direction);
    if (id >= devices.size()) return MMSYSERR_BADDEVICEID;
    if (!caps) return MMSYSERR_INVALPARAM;
    Caps filled{};
    std::u16string name = ToUtf16(devices[id].name);
    std::copy(name.begin(), name.end(), filled.szPname);
    filled.wChannels = 2;
    std::memcpy(caps, &filled, std::min<std::size_t>(size, sizeof filled));
    return MMSYSERR_NOERROR;
  });
}

// One open under way on a thread of its own.
struct PendingOpen {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool givenUp = false;  // the caller stopped waiting: the opener closes what it gets
  MMRESULT result = MMSYSERR_ERROR;
  std::unique_ptr<WavePcm> pcm;
  std::string reason;
};

// Opens on a thread of its own, so that a device whose open blocks (a file
// plugin reading a pipe nobody writes, a network device) holds the caller
// for kWaveOpenLimit of the backend's clock at most. A device that opens
// after that is closed at once by the thread that opened it, which then ends.
MMRESULT OpenWithin(const std::shared_ptr<WaveBackend>& backend, WaveDirection direction,
                    std::optional<WaveDevice> device, const WavePcmFormat& format, bool convert,
                    std::unique_ptr<WavePcm>& pcm, std::string& reason) {
  const std::chrono::milliseconds deadline = backend->Clock() + kWaveOpenLimit;
  auto pending = std::make_shared<PendingOpen>();
  std::thread opener([pending, backend, direction, device = std::move(device), format, convert] {
    SetCurrentThreadName("waveOpen");
    std::unique_ptr<WavePcm> opened;
    std::string why;
    MMRESULT result;
    try {
      result = backend->Open(direction, device ? &*device : nullptr, format, convert, opened, why);
    } catch (...) {
      result = MMSYSERR_NOMEM;
    }
    std::unique_lock lock(pending->mutex);
    if (pending->givenUp) {
      lock.unlock();
      opened.reset();
      --OpensLeftBehindCount();
      return;
    }
    pending->result = result;
    pending->pcm = std::move(opened);
    pending->reason = std::move(why);
    pending->done = true;
    pending->finished.notify_all();
  });
  for (;;) {
    {
      std::unique_lock lock(pending->mutex);
      if (pending->finished.wait_for(lock, kClockLook, [&] { return pending->done; })) break;
    }
    if (backend->Clock() < deadline) continue;
    std::lock_guard lock(pending->mutex);
    if (pending->done) break;
    pending->givenUp = true;
    ++OpensLeftBehindCount();
    opener.detach();
    reason = "the device did not open within " + Seconds(kWaveOpenLimit);
    return MMSYSERR_ERROR;
  }
  opener.join();
  pcm = std::move(pending->pcm);
  reason = std::move(pending->reason);
  return pending->result;
}

template <class Handle, class Proc>
MMRESULT Open(const char* function, WaveDirection direction, Handle* handle,
              std::uint32_t id, const WAVEFORMATEX* wfx, Proc proc, std::uintptr_t instance,
              std::uint32_t flags) {
  auto backend = WaveRegistry::Instance().Backend();
  WaveCall call;
  call.function = function;
  call.device = id;
  call.flags = flags;
  WavePcmFormat format;
  MMRESULT decoded = DecodeWaveFormat(wfx, format);
  call.format = format;
  return Traced(*backend, call, [&](WaveCall& c) -> MMRESULT {
    if (!handle) return MMSYSERR_INVALPARAM;
    std::uint32_t callback = flags & CALLBACK_TYPEMASK;
    if (callback != CALLBACK_FUNCTION && callback != CALLBACK_NULL) return MMSYSERR_INVALFLAG;
    if (callback == CALLBACK_FUNCTION && !proc) return MMSYSERR_INVALPARAM;
    if (callback == CALLBACK_NULL) proc = nullptr;
    if (decoded) return decoded;
    std::optional<WaveDevice> device;
    if (id != WAVE_MAPPER) {
      std::vector<WaveDeviceEntry> devices = WaveRegistry::Instance().Devices(direction);
      if (id >= devices.size()) return MMSYSERR_BADDEVICEID;
      device = devices[id].device;
    }
    bool convert = id == WAVE_MAPPER || (flags & WAVE_MAPPED);
    std::unique_ptr<WavePcm> pcm;
    MMRESULT opened = OpenWithin(backend, direction, std::move(device), format, convert, pcm, c.reason);
    if (opened) return opened;
    if (!pcm) return MMSYSERR_ERROR;
    std::shared_ptr<WaveStream> stream;
    if constexpr (std::is_same_v<Handle, HWAVEIN>)
      stream = std::make_shared<WaveStream>(direction, backend, std::move(pcm), format, proc,
                                            nullptr, instance);
    else
      stream = std::make_shared<WaveStream>(direction, backend, std::move(pcm), format, nullptr,
                                            proc, instance);
    std::uint64_t h = WaveRegistry::Instance().AddStream(stream);
    try {
      stream->Launch(h);
    } catch (...) {
      WaveRegistry::Instance().RemoveStream(h);
      throw;
    }
    *handle = Handle{h};
    stream->Opened();
    return MMSYSERR_NOERROR;
  });
}

template <class Handle>
MMRESULT CloseHandle(const char* function, Handle h) {
  bool closed = false;  // also when its driver thread was left behind
  MMRESULT result = OnHandle(function, h, nullptr, [&](WaveStream& s, WaveCall&) {
    MMRESULT r = s.Close();
    closed = s.Closed() && r != MMSYSERR_INVALHANDLE;
    return r;
  });
  if (closed) WaveRegistry::Instance().RemoveStream(std::uint64_t(h));
  return result;
}

}  // namespace

std::uint32_t waveInGetNumDevs() {
  return std::uint32_t(WaveRegistry::Instance().RefreshDevices(WaveDirection::In).size());
}

std::uint32_t waveOutGetNumDevs() {
  return std::uint32_t(WaveRegistry::Instance().RefreshDevices(WaveDirection::Out).size());
}

MMRESULT waveInGetDevCapsW(std::uintptr_t id, WAVEINCAPSW* caps, std::uint32_t size) {
  return GetCaps("waveInGetDevCapsW", WaveDirection::In, id, caps, size);
}

MMRESULT waveOutGetDevCapsW(std::uintptr_t id, WAVEOUTCAPSW* caps, std::uint32_t size) {
  return GetCaps("waveOutGetDevCapsW", WaveDirection::Out, id, caps, size);
}

MMRESULT waveInOpen(HWAVEIN* h, std::uint32_t id, const WAVEFORMATEX* wfx, WaveInProc proc,
                    std::uintptr_t instance, std::uint32_t flags) {
  return Open("waveInOpen", WaveDirection::In, h, id, wfx, proc, instance, flags);
}

MMRESULT waveOutOpen(HWAVEOUT* h, std::uint32_t id, const WAVEFORMATEX* wfx, WaveOutProc proc,
                     std::uintptr_t instance, std::uint32_t flags) {
  return Open("waveOutOpen", WaveDirection::Out, h, id, wfx, proc, instance, flags);
}

#define TAVREL_WAVE_HEADER_CALL(name, H, method)                                 \
  MMRESULT name(H h, WAVEHDR* hdr, std::uint32_t size) {                         \
    return OnHandle(#name, h, hdr, [&](WaveStream& s, WaveCall& c) {             \
      return s.method(hdr, size, c);                                             \
    });                                                                          \
  }
TAVREL_WAVE_HEADER_CALL(waveInPrepareHeader, HWAVEIN, Prepare)
TAVREL_WAVE_HEADER_CALL(waveInUnprepareHeader, HWAVEIN, Unprepare)
TAVREL_WAVE_HEADER_CALL(waveInAddBuffer, HWAVEIN, Queue)
TAVREL_WAVE_HEADER_CALL(waveOutPrepareHeader, HWAVEOUT, Prepare)
TAVREL_WAVE_HEADER_CALL(waveOutUnprepareHeader, HWAVEOUT, Unprepare)
TAVREL_WAVE_HEADER_CALL(waveOutWrite, HWAVEOUT, Queue)
#undef TAVREL_WAVE_HEADER_CALL

MMRESULT waveInStart(HWAVEIN h) {
  return OnHandle("waveInStart", h, nullptr, [](WaveStream& s, WaveCall&) { return s.Run(true); });
}

MMRESULT waveOutPause(HWAVEOUT h) {
  return OnHandle("waveOutPause", h, nullptr,
                  [](WaveStream& s, WaveCall&) { return s.Run(false); });
}

MMRESULT waveOutRestart(HWAVEOUT h) {
  return OnHandle("waveOutRestart", h, nullptr,
                  [](WaveStream& s, WaveCall&) { return s.Run(true); });
}

MMRESULT waveInReset(HWAVEIN h) {
  return OnHandle("waveInReset", h, nullptr, [](WaveStream& s, WaveCall&) { return s.Reset(); });
}

MMRESULT waveOutReset(HWAVEOUT h) {
  return OnHandle("waveOutReset", h, nullptr,
                  [](WaveStream& s, WaveCall&) { return s.Reset(); });
}

MMRESULT waveInClose(HWAVEIN h) { return CloseHandle("waveInClose", h); }
MMRESULT waveOutClose(HWAVEOUT h) { return CloseHandle("waveOutClose", h); }

std::string WaveLastErrorReason() { return LastErrorReason(); }

}  // namespace tavrel
