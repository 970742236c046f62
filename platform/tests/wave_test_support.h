#pragma once
// Helpers for the wave tests: a callback sink that records every message,
// headers with their own storage, and format records.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/wave/wave.h"

namespace tavrel::wavetest {

struct Message {
  std::uint64_t handle;
  std::uint32_t msg;
  WAVEHDR* header;
  std::uint32_t flags;  // the header's flags when the message arrived
};

// Passed as the callback instance. Records messages; tests wait for a count.
class Sink {
 public:
  static void In(HWAVEIN h, std::uint32_t msg, std::uintptr_t instance, std::uintptr_t p1,
                 std::uintptr_t) {
    reinterpret_cast<Sink*>(instance)->Push(std::uint64_t(h), msg, p1);
  }
  static void Out(HWAVEOUT h, std::uint32_t msg, std::uintptr_t instance, std::uintptr_t p1,
                  std::uintptr_t) {
    reinterpret_cast<Sink*>(instance)->Push(std::uint64_t(h), msg, p1);
  }
  std::uintptr_t Instance() { return reinterpret_cast<std::uintptr_t>(this); }

  // Waits until `count` messages of kind `msg` arrived; the wait is only a
  // guard against a hang, never a measured time.
  bool WaitFor(std::uint32_t msg, std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20),
                             [&] { return CountLocked(msg) >= count; });
  }
  std::size_t Count(std::uint32_t msg) {
    std::lock_guard lock(mutex_);
    return CountLocked(msg);
  }
  std::vector<Message> Messages() {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::vector<WAVEHDR*> Headers(std::uint32_t msg) {
    std::lock_guard lock(mutex_);
    std::vector<WAVEHDR*> out;
    for (auto& m : messages_)
      if (m.msg == msg) out.push_back(m.header);
    return out;
  }

 private:
  void Push(std::uint64_t h, std::uint32_t msg, std::uintptr_t p1) {
    auto* hdr = reinterpret_cast<WAVEHDR*>(p1);
    std::lock_guard lock(mutex_);
    messages_.push_back({h, msg, hdr, hdr ? hdr->dwFlags : 0});
    changed_.notify_all();
  }
  std::size_t CountLocked(std::uint32_t msg) {
    std::size_t n = 0;
    for (auto& m : messages_) n += m.msg == msg;
    return n;
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
};

// A header with its own storage.
struct Buffer {
  explicit Buffer(std::size_t bytes, char fill = 0) : data(bytes, fill) {
    hdr.lpData = data.data();
    hdr.dwBufferLength = std::uint32_t(bytes);
  }
  Buffer(const Buffer&) = delete;
  std::vector<char> data;
  WAVEHDR hdr;
};

inline WAVEFORMATEXTENSIBLE Format(std::uint32_t rate, std::uint16_t channels,
                                   std::uint16_t validBits) {
  WAVEFORMATEXTENSIBLE f{};
  std::uint16_t container = std::uint16_t((validBits + 7) / 8 * 8);
  f.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  f.Format.nChannels = channels;
  f.Format.nSamplesPerSec = rate;
  f.Format.wBitsPerSample = container;
  f.Format.nBlockAlign = std::uint16_t(container / 8 * channels);
  f.Format.nAvgBytesPerSec = f.Format.nBlockAlign * rate;
  f.Format.cbSize = 22;
  f.wValidBitsPerSample = validBits;
  f.dwChannelMask = channels == 2 ? 3 : 4;
  f.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
  return f;
}

}  // namespace tavrel::wavetest
