#pragma once
// A sink pin's log of what reached it downstream of a capture: operation
// kinds in order, the bytes of every buffer, the formats announced.
//
//   SinkLog log;
//   auto sink = std::make_unique<TALOWAudioSinkPin>(owner, nullptr, log.Event());
//   in->OutputPin()->Connect(sink.get());
//   ASSERT_TRUE(log.WaitBuffers(10));
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "signal/ALAudioBuffer.h"
#include "signal/ALStreamTypes.h"

namespace tavrel {

// What reached the sink downstream of the capture, in order.
struct SinkLog {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> kinds;
  std::vector<std::vector<uint8_t>> buffers;
  std::vector<TALWaveFormatExtensible> formats;

  TSLOperationEvent Event() {
    return TSLOperationEvent([this](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState) {
      TOWNotifyOperation* o = op->Instance();
      std::lock_guard lock(mutex);
      if (auto* w = dynamic_cast<TOWStartWaveOperation*>(o)) {
        kinds.push_back("wave");
        formats.push_back(w->WaveFormat);
      } else if (dynamic_cast<TOWEndStopOperation*>(o)) {
        kinds.push_back("endstop");
      } else if (dynamic_cast<TOWStopOperation*>(o)) {
        kinds.push_back("stop");
      } else if (dynamic_cast<TOWPumpRequestOperation*>(o)) {
        kinds.push_back("pumprequest");
      } else if (auto* b = dynamic_cast<TOWSuppliedBufferOperation*>(o)) {
        auto& audio = static_cast<TALAudioBuffer&>(*b->Buffer);
        buffers.emplace_back(audio.Read(), audio.Read() + audio.GetByteSize());
      }
      changed.notify_all();
      return TOWNotifyResult{};
    });
  }
  // A guard against a hang, not a measured time.
  bool WaitBuffers(size_t n) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), [&] { return buffers.size() >= n; });
  }
  size_t BufferCount() {
    std::lock_guard lock(mutex);
    return buffers.size();
  }
  // Snapshots, for reading while the capture still runs.
  std::vector<std::string> Kinds() {
    std::lock_guard lock(mutex);
    return kinds;
  }
  std::vector<std::vector<uint8_t>> Buffers() {
    std::lock_guard lock(mutex);
    return buffers;
  }
  void Clear() {
    std::lock_guard lock(mutex);
    kinds.clear();
    buffers.clear();
    formats.clear();
  }
};

}  // namespace tavrel
