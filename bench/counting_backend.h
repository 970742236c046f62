#pragma once
// The fake wave backend as the audio benchmarks drive it: its call log
// replaced by the few counts they wait on (so its growth costs nothing per
// buffer), and a bounded wait for one of them.
//
//   auto backend = std::make_shared<bench::CountingBackend>();
//   WaveBackendScope use(backend);
//   backend->Advance(64);
//   if (!bench::WaitFor([&] { return backend->captureAdds.load() > 3; })) ...  // stalled
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "platform/wave/fake_backend.h"

namespace tavrel::bench {

class CountingBackend : public FakeWaveBackend {
 public:
  using FakeWaveBackend::FakeWaveBackend;
  void Trace(const WaveCall& call) override {
    if (call.result != MMSYSERR_NOERROR) failures.fetch_add(1);
    if (!std::strcmp(call.function, "waveInAddBuffer")) captureAdds.fetch_add(1);
    else if (!std::strcmp(call.function, "waveOutWrite")) playbackWrites.fetch_add(1);
    else if (!std::strcmp(call.function, "waveOutUnprepareHeader")) playbackDone.fetch_add(1);
    else if (!std::strcmp(call.function, "waveOutRestart")) restarts.fetch_add(1);
  }
  std::atomic<uint64_t> captureAdds{0}, playbackWrites{0}, playbackDone{0}, restarts{0}, failures{0};
};

// Waits until `done()` holds, for at most 10 s; false when it never did.
// `pause` is slept between looks (zero: the thread only yields).
template <class Done>
bool WaitFor(Done done, std::chrono::microseconds pause = std::chrono::microseconds(0)) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    if (pause.count() > 0)
      std::this_thread::sleep_for(pause);
    else
      std::this_thread::yield();
  }
  return true;
}

}  // namespace tavrel::bench
