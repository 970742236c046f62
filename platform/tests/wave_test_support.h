#pragma once
// Helpers for the wave tests: a callback sink that records every message,
// headers with their own storage, and format records.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/tests/wait_until.h"
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
  void Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
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

// Runs `call` on a thread of its own and waits for it to return: a call
// that hangs fails the test instead of holding up the whole run. The limit
// only guards against a hang; it measures nothing.
template <class F>
bool ReturnsWithin(F call, std::chrono::seconds limit = std::chrono::seconds(30)) {
  struct Done {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
  };
  auto state = std::make_shared<Done>();
  std::thread([state, call = std::move(call)]() mutable {
    call();
    std::lock_guard lock(state->mutex);
    state->done = true;
    state->changed.notify_all();
  }).detach();
  std::unique_lock lock(state->mutex);
  return state->changed.wait_for(lock, limit, [&] { return state->done; });
}

// The threads of this process named `name` (or, with `prefix`, whose name
// begins so) that sleep inside the given system call now. A driver thread
// is named "waveIn <handle>" or "waveOut <handle>".
inline int ThreadsSleepingIn(const std::string& name, long call, bool prefix = true) {
  int count = 0;
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
    std::string comm, stat;
    std::getline(std::ifstream(task.path() / "comm"), comm);
    if (prefix ? comm.rfind(name, 0) != 0 : comm != name) continue;
    std::getline(std::ifstream(task.path() / "stat"), stat);
    auto close = stat.rfind(')');
    long number = -1;
    std::ifstream(task.path() / "syscall") >> number;  // "running" when in none
    count += close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'S' && number == call;
  }
  return count;
}

inline bool ThreadSleepsIn(const std::string& name, long call) { return ThreadsSleepingIn(name, call, false) > 0; }

// The threads and open descriptors of this process: what a stream that has
// been closed must give back.
struct Footprint {
  std::size_t threads = 0;
  std::size_t descriptors = 0;
  bool operator==(const Footprint&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Footprint& f) {
    return out << f.threads << " threads, " << f.descriptors << " descriptors";
  }
};

inline Footprint ProcessFootprint() {
  const auto count = [](const char* dir) {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec))
      ++n;
    return n;
  };
  return {count("/proc/self/task"), count("/proc/self/fd")};
}

// Whether the footprint comes back to `before` within the tests' wait. A
// thread already joined can still be listed for a moment: the kernel drops
// it from /proc/self/task only after it has woken the thread that joins it.
inline bool FootprintReturnsTo(const Footprint& before) {
  return test::WaitUntil([&] { return ProcessFootprint() == before; });
}

// Whether the kernel shows the system call a thread is in.
inline bool SystemCallsVisible() {
  long number = -1;
  std::ifstream("/proc/thread-self/syscall") >> number;  // this very read
  return number >= 0;
}

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
