#pragma once
// What lies under the wave calls: a backend lists devices and opens PCM
// streams, and the registry says which backend the calls use. The queue,
// header and callback rules live above it (wave_layer.cpp), so the ALSA
// backend and the fake one behave alike.
//
//   auto fake = std::make_shared<FakeWaveBackend>();
//   WaveBackendScope use(fake);      // wave calls go to the fake until scope ends
//   waveInOpen(...);
//
// Device names are made here once for both the wave calls and the recorder:
// each is cut to 31 UTF-16 units and made unique within its list.
//
// The layer's bounds (an open that does not return, a capture that records
// nothing) are measured on the backend's clock, so a test backend can move
// time itself.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/wave/wave.h"

namespace tavrel {

enum class WaveDirection { In, Out };

// One device as a backend reports it.
struct WaveDevice {
  std::string description;  // first line of the description (or the PCM name)
  std::string pcm;          // what the backend opens
  int card = -1;            // sound card whose mixer holds the input lines, or -1
};

// One device as the wave calls show it.
struct WaveDeviceEntry {
  std::string name;  // unique, at most 31 UTF-16 units
  WaveDevice device;
};

// The requested stream, checked and decoded from the format record.
struct WavePcmFormat {
  std::uint32_t rate = 0;
  std::uint16_t channels = 0;
  std::uint16_t containerBits = 0;  // 8, 16, 24 or 32
  std::uint16_t validBits = 0;
  std::uint32_t frameBytes() const { return channels * (containerBits / 8u); }
};

// Checks and decodes a format record of 18 + cbSize bytes (PCM, or
// extensible PCM with at least 22 extra bytes): WAVERR_BADFORMAT for what
// the layer cannot stream, MMSYSERR_INVALPARAM for no record.
MMRESULT DecodeWaveFormat(const WAVEFORMATEX* wfx, WavePcmFormat& out);

// An open PCM stream. Only the handle's driver thread calls Start, Stop,
// Read, Write, Recover and Reason; Interrupt and Cancel may come from any
// thread.
class WavePcm {
 public:
  virtual ~WavePcm() = default;  // closes the device
  virtual std::uint32_t PeriodFrames() const = 0;
  virtual int Start() = 0;  // 0 or -errno
  virtual void Stop() = 0;  // drops what is buffered
  // Move up to `frames` frames, waiting a bounded time. Frames moved, 0 when
  // none yet (or interrupted), or -errno (-EPIPE/-ESTRPIPE: xrun or suspend).
  // A read that reports frames fills them.
  virtual long Read(void* data, std::uint32_t frames) = 0;
  virtual long Write(const void* data, std::uint32_t frames) = 0;
  virtual int Recover(int error) = 0;  // 0 when the stream runs again
  virtual void Interrupt() = 0;        // ends a wait in Read or Write early
  // The stream is closing: the transfer under way and every later one end
  // at once, even one that blocks inside the device, and so does closing.
  virtual void Cancel() = 0;
  // Why the last failed call failed with `error` (-errno), in words.
  virtual std::string Reason(long error);
};

class RecorderMixer;
class WaveStream;  // one open handle (wave_layer.cpp)

// One wave call as a backend sees it, for logs and injected faults.
struct WaveCall {
  const char* function = "";  // "waveInOpen", ...
  std::uint64_t handle = 0;
  std::uint32_t device = 0;   // open and caps calls
  std::uint32_t flags = 0;    // open flags
  WavePcmFormat format;       // open calls
  const WAVEHDR* header = nullptr;
  std::uint32_t headerFlags = 0;  // dwFlags after the call
  MMRESULT result = 0;
  std::string reason;             // why it failed, when the device said
};

class WaveBackend {
 public:
  virtual ~WaveBackend() = default;
  virtual std::vector<WaveDevice> Enumerate(WaveDirection direction) = 0;
  // device == nullptr opens the system default. On failure returns the code
  // for the caller (MMSYSERR_ALLOCATED, WAVERR_BADFORMAT, ...) and says why
  // in `reason`. May block: the layer calls it on a thread of its own.
  virtual MMRESULT Open(WaveDirection direction, const WaveDevice* device,
                        const WavePcmFormat& format, bool convert,
                        std::unique_ptr<WavePcm>& pcm, std::string& reason) = 0;
  // The mixer of a device's card, or nullptr when it has none.
  virtual std::unique_ptr<RecorderMixer> OpenMixer(const WaveDevice& device) = 0;
  // Seen before every wave call: a non-zero result fails the call at once.
  virtual MMRESULT Fault(const WaveCall&) { return MMSYSERR_NOERROR; }
  // Seen after every wave call, with its result.
  virtual void Trace(const WaveCall&) {}
  // The time the layer's bounds are measured on; any thread.
  virtual std::chrono::milliseconds Clock();
};

// The wave layer's one piece of shared state: the backend in use, the device
// lists last enumerated, and the open handles.
class WaveRegistry {
 public:
  static WaveRegistry& Instance();

  std::shared_ptr<WaveBackend> Backend();  // ALSA unless SetBackend chose another
  void SetBackend(std::shared_ptr<WaveBackend> backend);

  // Enumerates again and keeps the list for the caps and open calls.
  std::vector<WaveDeviceEntry> RefreshDevices(WaveDirection direction);
  // The list kept by the last refresh (refreshing once if there was none).
  std::vector<WaveDeviceEntry> Devices(WaveDirection direction);

  std::size_t OpenHandleCount();
  // Driver threads that closed handles left inside a device that would not
  // let go, and that have not ended since.
  static std::size_t DriversLeftBehind();
  // Opens given up for taking too long whose thread still waits on the device.
  static std::size_t OpensLeftBehind();

  // The layer's handle table; handles count up and are never reused.
  std::uint64_t AddStream(std::shared_ptr<WaveStream> stream);
  std::shared_ptr<WaveStream> FindStream(std::uint64_t handle);
  void RemoveStream(std::uint64_t handle);

 private:
  WaveRegistry() = default;
  std::mutex mutex_;
  std::shared_ptr<WaveBackend> backend_;
  bool listed_[2] = {false, false};
  std::vector<WaveDeviceEntry> devices_[2];
  std::map<std::uint64_t, std::shared_ptr<WaveStream>> streams_;
  std::uint64_t lastHandle_ = 0;
};

// Chooses a backend for the lifetime of the scope, then restores the previous one.
class WaveBackendScope {
 public:
  explicit WaveBackendScope(std::shared_ptr<WaveBackend> backend);
  ~WaveBackendScope();
  WaveBackendScope(const WaveBackendScope&) = delete;
  WaveBackendScope& operator=(const WaveBackendScope&) = delete;

 private:
  std::shared_ptr<WaveBackend> previous_;
};

// Device names: cut to 31 UTF-16 units (never inside a character), then made
// unique ignoring ASCII case by a " (2)", " (3)" ... suffix.
std::string CutToUtf16Units(const std::string& utf8, std::size_t units);
std::vector<WaveDeviceEntry> NameDevices(const std::vector<WaveDevice>& devices);
std::u16string ToUtf16(const std::string& utf8);

}  // namespace tavrel
