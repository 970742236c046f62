#include "audio/ALFIRChannels.h"

#include <cmath>
#include <cstring>

#include "math/routines.h"

namespace tavrel {
namespace {

// Ties to even whatever the rounding mode; v is within the 32-bit range.
double RoundHalfEven(double v) {
  double r = std::floor(v);
  const double d = v - r;
  if (d > 0.5 || (d == 0.5 && (static_cast<int64_t>(r) & 1) != 0)) r += 1.0;
  return r;
}

double Bound(double v, double lo, double hi, double nanValue) {
  if (std::isnan(v)) return nanValue;
  return RoundHalfEven(v < lo ? lo : (v > hi ? hi : v));
}

template <uint32_t Bytes>
struct Sample;

template <>
struct Sample<1> {
  static double Read(const uint8_t* p) { return double(int(p[0]) - 127); }
  static void Write(uint8_t* p, double y) { p[0] = uint8_t(Bound(y + 127.0, 0.0, 255.0, 127.0)); }
};
template <>
struct Sample<2> {
  static double Read(const uint8_t* p) {
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  static void Write(uint8_t* p, double y) {
    const int16_t v = int16_t(Bound(y, -32767.0, 32767.0, 0.0));
    std::memcpy(p, &v, 2);
  }
};
template <>
struct Sample<3> {
  static double Read(const uint8_t* p) { return ReadSample24(p); }
  static void Write(uint8_t* p, double y) { WriteSample24(p, int32_t(Bound(y, -8388607.0, 8388607.0, 0.0))); }
};
template <>
struct Sample<4> {
  static double Read(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  static void Write(uint8_t* p, double y) {
    const int32_t v = int32_t(Bound(y, -2147483647.0, 2147483647.0, 0.0));
    std::memcpy(p, &v, 4);
  }
};

template <uint32_t Bytes>
void FilterChannel(uint8_t* data, uint32_t frames, uint32_t step, kernels::FIRState* state) {
  for (uint32_t i = 0; i < frames; ++i, data += step) {
    double y = 0.0;
    ALDispatcher::ippsFIROne_64f(Sample<Bytes>::Read(data), &y, state);
    Sample<Bytes>::Write(data, y);
  }
}

template <uint32_t Bytes>
void FeedChannel(const uint8_t* data, uint32_t frames, uint32_t step, kernels::FIRState* state) {
  for (uint32_t i = 0; i < frames; ++i, data += step) {
    double dropped = 0.0;
    ALDispatcher::ippsFIROne_64f(Sample<Bytes>::Read(data), &dropped, state);
  }
}

// Runs fn<Bytes> for the sample width; false for a width without samples.
template <template <uint32_t> class Fn, class... Args>
bool ByWidth(uint32_t bytes, Args... args) {
  switch (bytes) {
    case 1: Fn<1>::Run(args...); return true;
    case 2: Fn<2>::Run(args...); return true;
    case 3: Fn<3>::Run(args...); return true;
    case 4: Fn<4>::Run(args...); return true;
    default: return false;
  }
}
template <uint32_t Bytes>
struct Filter {
  static void Run(uint8_t* d, uint32_t n, uint32_t s, kernels::FIRState* st) { FilterChannel<Bytes>(d, n, s, st); }
};
template <uint32_t Bytes>
struct Feed {
  static void Run(const uint8_t* d, uint32_t n, uint32_t s, kernels::FIRState* st) { FeedChannel<Bytes>(d, n, s, st); }
};

bool HasSamples(uint32_t bytes) { return bytes >= 1 && bytes <= 4; }

}  // namespace

void TALFIRChannels::StateFree::operator()(kernels::FIRState* state) const { ALDispatcher::ippsFIRFree_64f(state); }

TALFIRChannels::~TALFIRChannels() { Close(); }

std::vector<TALFIRChannels::Failure> TALFIRChannels::CreateStates(const TSLAReal& Taps) {
  std::vector<Failure> failures;
  FStates.clear();
  FStates.resize(FChannels);
  for (uint32_t ch = 0; ch < FChannels; ++ch) {
    kernels::FIRState* state = nullptr;
    const IppStatus status =
        ALDispatcher::ippsFIRInitAlloc_64f(&state, Taps.data(), static_cast<int>(Taps.size()), nullptr);
    if (status < 0 || state == nullptr) {
      // A failed call may still have handed a state back; it is not used.
      if (state != nullptr) ALDispatcher::ippsFIRFree_64f(state);
      failures.push_back({ch, status < 0 ? status : ippStsNullPtrErr});
      continue;
    }
    FStates[ch].reset(state);
  }
  FOpened = true;
  return failures;
}

std::vector<TALFIRChannels::Failure> TALFIRChannels::Open(const TALWaveFormatExtensible& Format,
                                                          const TSLAReal& Taps) {
  Close();
  FChannels = Format.nChannels;
  FSampleBytes = Format.wBitsPerSample % 8 == 0 ? Format.wBitsPerSample / 8u : 0u;
  FFrameBytes = FChannels * FSampleBytes;
  std::vector<Failure> failures = CreateStates(Taps);
  FDelayFrames = static_cast<uint32_t>(Taps.size() / 2);
  // Silence: the 8-bit zero line is 127.
  FDelayBuffer.assign(size_t(FDelayFrames) * FFrameBytes, FSampleBytes == 1 ? 127 : 0);
  FDelayPosition = 0;
  return failures;
}

std::vector<TALFIRChannels::Failure> TALFIRChannels::Redesign(const TSLAReal& Taps) {
  if (!FOpened) return {};
  Close();
  std::vector<Failure> failures = CreateStates(Taps);
  Prime();
  return failures;
}

void TALFIRChannels::Close() {
  FOpened = false;
  FStates.clear();
}

void TALFIRChannels::Prime() {
  if (!HasSamples(FSampleBytes) || FDelayFrames == 0) return;
  // Oldest first: positions P..D-1, then 0..P-1.
  const uint8_t* ring = FDelayBuffer.data();
  const uint32_t p = FDelayPosition;
  for (uint32_t ch = 0; ch < FChannels; ++ch) {
    kernels::FIRState* state = FStates[ch].get();
    if (state == nullptr) continue;
    const uint32_t offset = ch * FSampleBytes;
    ByWidth<Feed>(FSampleBytes, ring + size_t(p) * FFrameBytes + offset, FDelayFrames - p, FFrameBytes, state);
    ByWidth<Feed>(FSampleBytes, ring + offset, p, FFrameBytes, state);
  }
}

void TALFIRChannels::Record(const uint8_t* Data, uint32_t Frames) {
  const uint32_t d = FDelayFrames;
  uint8_t* ring = FDelayBuffer.data();
  const size_t fb = FFrameBytes;
  if (d == 0 || Frames == 0) return;
  if (Frames > d) {
    std::memcpy(ring, Data + (Frames - d) * fb, d * fb);
    FDelayPosition = d;
  } else if (FDelayPosition + Frames <= d) {
    std::memcpy(ring + FDelayPosition * fb, Data, Frames * fb);
    FDelayPosition += Frames;
  } else {
    const uint32_t head = d - FDelayPosition;
    std::memcpy(ring + FDelayPosition * fb, Data, head * fb);
    std::memcpy(ring, Data + head * fb, (Frames - head) * fb);
    FDelayPosition = Frames - head;
  }
}

void TALFIRChannels::ProcessFrames(uint8_t* Data, uint32_t Frames) {
  if (!FOpened || !HasSamples(FSampleBytes) || Data == nullptr) return;
  Record(Data, Frames);
  for (uint32_t ch = 0; ch < FChannels; ++ch) {
    kernels::FIRState* state = FStates[ch].get();
    if (state == nullptr) continue;  // passes through unfiltered
    ByWidth<Filter>(FSampleBytes, Data + ch * FSampleBytes, Frames, FFrameBytes, state);
  }
}

void TALFIRChannels::Process(TALAudioBuffer& Buffer) {
  if (!FOpened || !HasSamples(FSampleBytes) || FFrameBytes == 0) return;
  // Frames of the opened format that the buffer really holds, so a buffer
  // of another layout is never read or written past its end.
  const uint32_t frames = Buffer.GetByteSize() / FFrameBytes;
  if (frames == 0) return;
  ProcessFrames(Buffer.Modify(), frames);
}

}  // namespace tavrel
