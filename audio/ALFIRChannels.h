#pragma once
// Per-channel FIR filtering of interleaved PCM frames: the part of a FIR
// filter component that runs on the processing thread.
//
//   TALFIRChannels fir;
//   fir.Open(format, taps);    // fresh start: zero histories, a silent ring
//   fir.Process(*buffer);      // record the input, filter it in place
//   fir.Redesign(newTaps);     // new states primed with the ring's frames
//   fir.Close();               // also done by the destructor
//
// One FIR state per channel (ALDispatcher's routines, so the math start-up
// list must have run). Samples are filtered as doubles and written back
// rounded to the nearest integer, halves to even, within symmetric bounds:
//   8-bit unsigned  x = byte - 127, out = y + 127 within 0..255
//   16-bit          within -32767..32767
//   24-bit packed   within -8388607..8388607
//   32-bit          within -2147483647..2147483647
// A result that is not a number comes out as the zero line.
//
// With the own FIR kernels bound, a channel's frames are filtered a block at
// a time (fast sums with an error bound, the exact sum only where the bound
// leaves the stored level in doubt): the stored samples and the states are
// exactly those of one single-sample step per frame.
//
// The ring keeps the last taps/2 input frames (its length is fixed at Open
// and kept across redesigns), so new taps take over with a short history
// instead of silence. A channel whose state could not be created passes its
// samples through unchanged; Open and Redesign list those channels.
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/SLWindowFilter.h"
#include "math/types.h"
#include "signal/ALAudioBuffer.h"

namespace tavrel {

namespace kernels {
struct FIRState;
}

class TALFIRChannels {
 public:
  struct Failure {
    uint32_t Channel;
    IppStatus Status;
  };

  TALFIRChannels() = default;
  ~TALFIRChannels();
  TALFIRChannels(const TALFIRChannels&) = delete;
  TALFIRChannels& operator=(const TALFIRChannels&) = delete;

  // Creates one zero-history state per channel of Format and a ring of
  // Taps.size() / 2 silent frames at write position 0.
  std::vector<Failure> Open(const TALWaveFormatExtensible& Format, const TSLAReal& Taps);
  // Replaces the states by new ones on Taps and feeds them the ring's
  // frames, oldest first; their outputs are dropped. The ring stays as it
  // is. Does nothing while closed.
  std::vector<Failure> Redesign(const TSLAReal& Taps);
  // Frees the states; the ring is kept until the next Open.
  void Close();
  bool Opened() const { return FOpened; }

  // Records Buffer's frames in the ring, then filters them in place; a
  // shared buffer gets its own storage first. The channel count and width
  // are the opened format's. While closed, or for a width other than 8, 16,
  // 24 or 32 bits, the buffer is left alone.
  void Process(TALAudioBuffer& Buffer);
  // The same over raw interleaved frames of the opened format.
  void ProcessFrames(uint8_t* Data, uint32_t Frames);

  uint32_t DelayFrames() const { return FDelayFrames; }
  uint32_t DelayPosition() const { return FDelayPosition; }

 private:
  struct StateFree {
    void operator()(kernels::FIRState* state) const;
  };
  using State = std::unique_ptr<kernels::FIRState, StateFree>;

  std::vector<Failure> CreateStates(const TSLAReal& Taps);
  void Record(const uint8_t* Data, uint32_t Frames);
  void Prime();

  // Frames of one channel per block pass: a whole buffer of the program's
  // first size, so that the pass's fixed costs come once per buffer.
  static constexpr uint32_t kBlockFrames = 512;

  std::vector<State> FStates;
  bool FOpened = false;
  bool FBlockPath = false;
  std::vector<double> FWindow;  // taps - 1 recent inputs, then a block's
  std::vector<double> FNear;    // a block's fast sums
  std::vector<int32_t> FLevel;  // and the stored levels they decide
  double FNearBound = 0.0;      // their error bound on samples of the width
  uint32_t FChannels = 0;
  uint32_t FSampleBytes = 0;
  uint32_t FFrameBytes = 0;
  std::vector<uint8_t> FDelayBuffer;
  uint32_t FDelayFrames = 0;
  uint32_t FDelayPosition = 0;
};

}  // namespace tavrel
