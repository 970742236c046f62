#pragma once
// An in-process wave backend for tests: devices and mixers set by the test,
// a frame clock and a time clock the test advances, a log of every wave call
// with its flags, and injected faults (a failing call, a failing or blocking
// open, an xrun, a lost device, a transfer stuck inside the device, reads
// that claim frames without filling them).
//
//   auto fake = std::make_shared<FakeWaveBackend>();
//   fake->SetDevices(WaveDirection::In, {{"Mic", "mic", 0}});
//   WaveBackendScope use(fake);
//   waveInOpen(&h, 0, &fmt, proc, 0, CALLBACK_FUNCTION | WAVE_ALLOWSYNC | WAVE_MAPPED);
//   waveInStart(h);
//   fake->Advance(512);          // 512 frames arrive on every open capture stream
//   fake->Calls();               // "waveInOpen" with flags 0x30006, ...
//
// Capture data is a byte pattern: byte k of a stream is CaptureByte(k).
// Playback streams drain their small ring into Played() as the clock advances.
// The layer's bounds run on the time clock, which moves only by AdvanceTime:
//
//   fake->AdvanceTime(kWaveCaptureSilenceLimit);   // a capture that got nothing is lost
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/wave/recorder.h"
#include "platform/wave/wave_backend.h"

namespace tavrel {

class FakeWaveBackend : public WaveBackend {
 public:
  static constexpr std::uint32_t kPeriodFrames = 64;
  static constexpr std::uint32_t kRingPeriods = 3;
  static std::uint8_t CaptureByte(std::uint64_t k) { return std::uint8_t(k * 7 + 1); }

  // Streams move their frames in periods of `periodFrames` (a sound card's
  // 10 ms is 441 frames at 44.1 kHz).
  explicit FakeWaveBackend(std::uint32_t periodFrames = kPeriodFrames);
  ~FakeWaveBackend() override;

  // Devices and the mixers of their cards (by card number).
  void SetDevices(WaveDirection direction, std::vector<WaveDevice> devices);
  void SetMixer(int card, std::vector<RecorderMixer::Element> elements);
  std::vector<std::string> MixerLog();  // "item <element> <item>", "switch <element> on|off"

  // Faults. FailCall fails the named wave call `times` times (-1: always),
  // only for `device` when given (caps and open calls).
  void FailCall(const std::string& function, MMRESULT result, int times = 1,
                std::int64_t device = -1);
  // The next device open fails inside the layer, saying `reason`.
  void FailOpen(MMRESULT result, std::string reason = {});
  // While held, device opens block inside the backend (as a file plugin
  // opening a pipe nobody writes does); releasing lets them finish.
  void HoldOpens(bool hold);
  int OpensWaiting();
  void InjectXrun();               // the next transfer of every open stream overruns
  // Every open stream's device goes away, or only those of one direction.
  void LoseDevices(std::optional<WaveDirection> only = std::nullopt);
  // While stalled, transfers block inside the device and ignore interrupts,
  // as a file plugin writing to a pipe nobody reads does.
  void StallTransfers(bool stall);
  // While set, reads report the frames they would give but write nothing,
  // as a file plugin past the end of its file does.
  void LeaveReadsUnfilled(bool leave);
  void FailMixerSelection(bool fail);

  // The clock, in frames: every open capture stream gains that many frames
  // (kept until read or the stream stops) and playback rings drain that many.
  void Advance(std::uint32_t frames);
  std::uint64_t Now();
  // The time clock: moving it ends every transfer's wait with nothing moved.
  void AdvanceTime(std::chrono::milliseconds by);
  std::uint64_t ClockReads();  // times the layer looked at the time clock

  std::vector<WaveCall> Calls();
  void ClearCalls();
  std::vector<char> Played();
  int OpenStreams();
  int Recoveries();
  std::uint64_t Transfers();  // Read and Write calls that returned, all streams
  int TransfersWaiting();     // Read and Write calls inside the device now
  std::vector<WavePcmFormat> OpenedFormats();

  // WaveBackend
  std::vector<WaveDevice> Enumerate(WaveDirection direction) override;
  MMRESULT Open(WaveDirection direction, const WaveDevice* device,
                const WavePcmFormat& format, bool convert,
                std::unique_ptr<WavePcm>& pcm, std::string& reason) override;
  std::unique_ptr<RecorderMixer> OpenMixer(const WaveDevice& device) override;
  MMRESULT Fault(const WaveCall& call) override;
  void Trace(const WaveCall& call) override;
  std::chrono::milliseconds Clock() override;

  struct Stream;  // one open fake PCM
  struct State;   // shared by the backend, its streams and its mixers

 private:
  std::shared_ptr<State> state_;
};

}  // namespace tavrel
