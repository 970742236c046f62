#include "audio/ALFIRChannels.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "math/elementwise.h"
#include "math/fir.h"
#include "math/routines.h"

namespace tavrel {
namespace {

// Ties to even whatever the rounding mode; v is within the 32-bit range.
// Branch-free: truncation, then one step by the exact remainder.
int32_t RoundHalfEven(double v) {
  int64_t t = static_cast<int64_t>(v);
  const double d = v - static_cast<double>(t);
  const int64_t odd = t & 1;
  t += int64_t(d > 0.5) - int64_t(d < -0.5) + (int64_t(d == 0.5) & odd) - (int64_t(d == -0.5) & odd);
  return static_cast<int32_t>(t);
}

int32_t Bound(double v, double lo, double hi, int32_t nanValue) {
  if (std::isnan(v)) return nanValue;
  return RoundHalfEven(v < lo ? lo : (v > hi ? hi : v));
}

// Per width: the sample as a filter input and the largest magnitude one can
// have, the output's offset and bounds, and the stored level of a filter
// output (monotonic in the output, which the block path relies on).
template <uint32_t Bytes>
struct Sample;

template <>
struct Sample<1> {
  static constexpr double kOffset = 127.0, kLow = 0.0, kHigh = 255.0, kLargestInput = 128.0;
  static constexpr int32_t kNotANumber = 127;
  static double Read(const uint8_t* p) { return double(int(p[0]) - 127); }
  static void Write(uint8_t* p, int32_t v) { p[0] = uint8_t(v); }
};
template <>
struct Sample<2> {
  static constexpr double kOffset = 0.0, kLow = -32767.0, kHigh = 32767.0, kLargestInput = 32768.0;
  static constexpr int32_t kNotANumber = 0;
  static double Read(const uint8_t* p) {
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  static void Write(uint8_t* p, int32_t v) {
    const int16_t s = int16_t(v);
    std::memcpy(p, &s, 2);
  }
};
template <>
struct Sample<3> {
  static constexpr double kOffset = 0.0, kLow = -8388607.0, kHigh = 8388607.0, kLargestInput = 8388608.0;
  static constexpr int32_t kNotANumber = 0;
  static double Read(const uint8_t* p) { return ReadSample24(p); }
  static void Write(uint8_t* p, int32_t v) { WriteSample24(p, v); }
};
template <>
struct Sample<4> {
  static constexpr double kOffset = 0.0, kLow = -2147483647.0, kHigh = 2147483647.0, kLargestInput = 2147483648.0;
  static constexpr int32_t kNotANumber = 0;
  static double Read(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  static void Write(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }
};

template <uint32_t Bytes>
int32_t Level(double y) {
  using S = Sample<Bytes>;
  return Bound(y + S::kOffset, S::kLow, S::kHigh, S::kNotANumber);
}

template <uint32_t Bytes>
void FilterChannel(uint8_t* data, uint32_t frames, uint32_t step, kernels::FIRState* state) {
  for (uint32_t i = 0; i < frames; ++i, data += step) {
    double y = 0.0;
    ALDispatcher::ippsFIROne_64f(Sample<Bytes>::Read(data), &y, state);
    Sample<Bytes>::Write(data, Level<Bytes>(y));
  }
}

template <uint32_t Bytes>
void FeedChannel(const uint8_t* data, uint32_t frames, uint32_t step, kernels::FIRState* state) {
  for (uint32_t i = 0; i < frames; ++i, data += step) {
    double dropped = 0.0;
    ALDispatcher::ippsFIROne_64f(Sample<Bytes>::Read(data), &dropped, state);
  }
}

// The block path's work arrays and the error bound of its fast sums on
// samples of the opened width.
struct BlockScratch {
  double* Window;  // taps - 1 recent inputs, then the block's
  double* Near;    // the block's fast sums
  int32_t* Level;  // and the levels they decide
  double Bound;
};

// 16-bit samples of mono and stereo frames, several per pass in vector
// registers: one sample at a time, the transfers between integer and double
// registers cost as much as the block's fast sums. With AVX2 (asked of the
// processor once per process) passes of twice the SSE2 ones go first, then
// SSE2 (always there on x86-64) takes their leftovers, so its passes run
// whatever the processor; the caller does the rest one by one. A stereo
// load reaches two bytes past the pass's last sample, into the next frame,
// so a pass runs only where one follows.
__attribute__((target("avx2"))) uint32_t ReadSamples16Avx2(const uint8_t* in, uint32_t frames, uint32_t step,
                                                           double* w) {
  uint32_t i = 0;
  if (step == 2) {
    for (; i + 16 <= frames; i += 16)
      for (uint32_t h = i; h < i + 16; h += 8) {
        const __m256i s = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * h)));
        _mm256_storeu_pd(w + h, _mm256_cvtepi32_pd(_mm256_castsi256_si128(s)));
        _mm256_storeu_pd(w + h + 4, _mm256_cvtepi32_pd(_mm256_extracti128_si256(s, 1)));
      }
  } else if (step == 4) {
    for (; i + 9 <= frames; i += 8) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 4 * i));
      const __m256i s = _mm256_srai_epi32(_mm256_slli_epi32(v, 16), 16);
      _mm256_storeu_pd(w + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(s)));
      _mm256_storeu_pd(w + i + 4, _mm256_cvtepi32_pd(_mm256_extracti128_si256(s, 1)));
    }
  }
  return i;
}

uint32_t ReadSamples16(const uint8_t* in, uint32_t frames, uint32_t step, double* w) {
  uint32_t i = ProcessorHasAvx2() ? ReadSamples16Avx2(in, frames, step, w) : 0;
  if (step == 2) {
    for (; i + 8 <= frames; i += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
      const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16), hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
      _mm_storeu_pd(w + i, _mm_cvtepi32_pd(lo));
      _mm_storeu_pd(w + i + 2, _mm_cvtepi32_pd(_mm_unpackhi_epi64(lo, lo)));
      _mm_storeu_pd(w + i + 4, _mm_cvtepi32_pd(hi));
      _mm_storeu_pd(w + i + 6, _mm_cvtepi32_pd(_mm_unpackhi_epi64(hi, hi)));
    }
  } else if (step == 4) {
    for (; i + 5 <= frames; i += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
      const __m128i s = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
      _mm_storeu_pd(w + i, _mm_cvtepi32_pd(s));
      _mm_storeu_pd(w + i + 2, _mm_cvtepi32_pd(_mm_unpackhi_epi64(s, s)));
    }
  }
  return i;
}

// Stores levels (clamped, so they fit 16 bits) the same way, and tells in
// open whether one of them was undecided (and so stored as nothing in
// particular). A stereo pass writes back the next frame's two bytes as it
// read them.
__attribute__((target("avx2"))) uint32_t WriteLevels16Avx2(uint8_t* out, uint32_t frames, uint32_t step,
                                                            const int32_t* level, bool& open) {
  const __m256i undecided = _mm256_set1_epi32(kernels::kFIRLevelUndecided);
  __m256i seen = _mm256_setzero_si256();
  auto load = [&](uint32_t i) __attribute__((target("avx2"))) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(level + i));
    seen = _mm256_or_si256(seen, _mm256_cmpeq_epi32(v, undecided));
    return v;
  };
  uint32_t i = 0;
  if (step == 2) {
    for (; i + 16 <= frames; i += 16) {
      // The packing works per 128-bit half; the permutation puts the halves in order.
      const __m256i packed = _mm256_packs_epi32(load(i), load(i + 8));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * i), _mm256_permute4x64_epi64(packed, 0xD8));
    }
  } else if (step == 4) {
    const __m256i other = _mm256_set1_epi32(int32_t(0xFFFF0000u)), own = _mm256_set1_epi32(0xFFFF);
    for (; i + 9 <= frames; i += 8) {
      __m256i* p = reinterpret_cast<__m256i*>(out + 4 * i);
      _mm256_storeu_si256(
          p, _mm256_or_si256(_mm256_and_si256(_mm256_loadu_si256(p), other), _mm256_and_si256(load(i), own)));
    }
  }
  open = !_mm256_testz_si256(seen, seen);
  return i;
}

uint32_t WriteLevels16(uint8_t* out, uint32_t frames, uint32_t step, const int32_t* level, bool& open) {
  open = false;
  uint32_t i = ProcessorHasAvx2() ? WriteLevels16Avx2(out, frames, step, level, open) : 0;
  const __m128i undecided = _mm_set1_epi32(kernels::kFIRLevelUndecided);
  __m128i seen = _mm_setzero_si128();
  auto load = [&](uint32_t i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(level + i));
    seen = _mm_or_si128(seen, _mm_cmpeq_epi32(v, undecided));
    return v;
  };
  if (step == 2) {
    for (; i + 8 <= frames; i += 8) {
      const __m128i a = load(i), b = load(i + 4);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(a, b));
    }
  } else if (step == 4) {
    const __m128i other = _mm_set1_epi32(int32_t(0xFFFF0000u)), own = _mm_set1_epi32(0xFFFF);
    for (; i + 5 <= frames; i += 4) {
      __m128i* p = reinterpret_cast<__m128i*>(out + 4 * i);
      _mm_storeu_si128(p, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(p), other), _mm_and_si128(load(i), own)));
    }
  }
  open = open || _mm_movemask_epi8(seen) != 0;
  return i;
}

// The first undecided level at or after i, or frames; four at a time, as
// they are rare.
uint32_t NextUndecided(const int32_t* level, uint32_t i, uint32_t frames) {
  const __m128i undecided = _mm_set1_epi32(kernels::kFIRLevelUndecided);
  for (; i + 4 <= frames; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(level + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(v, undecided)) != 0) break;
  }
  while (i < frames && level[i] != kernels::kFIRLevelUndecided) ++i;
  return i;
}

template <uint32_t Bytes>
uint32_t ReadSamples(const uint8_t* in, uint32_t frames, uint32_t step, double* w) {
  if constexpr (Bytes == 2) return ReadSamples16(in, frames, step, w);
  return 0;
}
template <uint32_t Bytes>
uint32_t WriteLevels(uint8_t* out, uint32_t frames, uint32_t step, const int32_t* level, bool& open) {
  if constexpr (Bytes == 2) return WriteLevels16(out, frames, step, level, open);
  open = false;
  return 0;
}

// Up to kBlockFrames frames of one channel at once. The outputs come from
// the fast sums wherever both ends of their error bound give the same stored
// level, which the exact output, lying between them, then gives too;
// elsewhere from the exact sum. The state ends as after one single step per
// frame.
template <uint32_t Bytes>
void FilterChannelBlock(uint8_t* data, uint32_t frames, uint32_t step, kernels::FIRState* state,
                        const BlockScratch& scratch) {
  using S = Sample<Bytes>;
  const uint32_t history = uint32_t(state->tapsLen) - 1;
  double* w = scratch.Window;
  kernels::FIRRecentInputs(state, w);
  for (uint32_t i = ReadSamples<Bytes>(data, frames, step, w + history); i < frames; ++i)
    w[history + i] = S::Read(data + size_t(i) * step);
  kernels::FIRWindowSumsNear(state, w, scratch.Near, frames);
  int32_t* level = scratch.Level;
  kernels::FIRNearLevels(scratch.Near, frames, scratch.Bound, {S::kOffset, S::kLow, S::kHigh}, level);
  auto exact = [&](uint32_t i) { return Level<Bytes>(kernels::FIRWindowSum(state, w + i)); };
  bool open = false;
  const uint32_t written = WriteLevels<Bytes>(data, frames, step, level, open);
  for (uint32_t i = written; i < frames; ++i)
    S::Write(data + size_t(i) * step, level[i] != kernels::kFIRLevelUndecided ? level[i] : exact(i));
  if (open)
    for (uint32_t i = NextUndecided(level, 0, written); i < written; i = NextUndecided(level, i + 1, written))
      S::Write(data + size_t(i) * step, exact(i));
  kernels::FIRAdvance(state, w, frames);
}

// The ring's frames of one channel into the state, outputs dropped.
template <uint32_t Bytes>
void FeedChannelBlock(const uint8_t* data, uint32_t frames, uint32_t step, kernels::FIRState* state,
                      std::vector<double>& window) {
  double* w = window.data();
  kernels::FIRRecentInputs(state, w);
  const uint32_t history = uint32_t(state->tapsLen) - 1;
  for (uint32_t i = 0; i < frames; ++i, data += step) w[history + i] = Sample<Bytes>::Read(data);
  kernels::FIRAdvance(state, w, frames);
}

// Runs Fn<Bytes>::Run for the sample width; false for a width without samples.
template <template <uint32_t> class Fn, class... Args>
bool ByWidth(uint32_t bytes, Args&&... args) {
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
template <uint32_t Bytes>
struct FilterBlock {
  static void Run(uint8_t* d, uint32_t n, uint32_t s, kernels::FIRState* st, const BlockScratch& b) {
    FilterChannelBlock<Bytes>(d, n, s, st, b);
  }
};
template <uint32_t Bytes>
struct LargestInput {
  static void Run(double& largest) { largest = Sample<Bytes>::kLargestInput; }
};
template <uint32_t Bytes>
struct FeedBlock {
  static void Run(const uint8_t* d, uint32_t n, uint32_t s, kernels::FIRState* st, std::vector<double>& w) {
    FeedChannelBlock<Bytes>(d, n, s, st, w);
  }
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
  // The block path works on the kernels' own state record, so only where
  // the three routines are the own kernels (a library's states are stepped
  // through its routine, one sample at a time).
  FBlockPath = ALDispatcher::ippsFIRInitAlloc_64f == &kernels::ippsFIRInitAlloc_64f &&
               ALDispatcher::ippsFIROne_64f == &kernels::ippsFIROne_64f &&
               ALDispatcher::ippsFIRFree_64f == &kernels::ippsFIRFree_64f && !Taps.empty();
  if (FBlockPath) {
    // Sized here, so that filtering allocates nothing.
    FWindow.assign(Taps.size() - 1 + std::max<size_t>(kBlockFrames, FDelayFrames), 0.0);
    FNear.assign(kBlockFrames, 0.0);
    FLevel.assign(kBlockFrames, 0);
    // Every window value is a sample of the width, so its largest magnitude
    // bounds them all; the channels share their taps.
    double largest = 0.0;
    ByWidth<LargestInput>(FSampleBytes, largest);
    for (const State& state : FStates)
      if (state != nullptr) {
        FNearBound = kernels::FIRNearBound(state.get(), largest);
        break;
      }
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
  FDelayFrames = static_cast<uint32_t>(Taps.size() / 2);
  std::vector<Failure> failures = CreateStates(Taps);
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
    const uint8_t* older = ring + size_t(p) * FFrameBytes + ch * FSampleBytes;
    const uint8_t* newer = ring + ch * FSampleBytes;
    if (FBlockPath) {
      if (p < FDelayFrames) ByWidth<FeedBlock>(FSampleBytes, older, FDelayFrames - p, FFrameBytes, state, FWindow);
      if (p > 0) ByWidth<FeedBlock>(FSampleBytes, newer, p, FFrameBytes, state, FWindow);
    } else {
      ByWidth<Feed>(FSampleBytes, older, FDelayFrames - p, FFrameBytes, state);
      ByWidth<Feed>(FSampleBytes, newer, p, FFrameBytes, state);
    }
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
    uint8_t* first = Data + ch * FSampleBytes;
    if (!FBlockPath) {
      ByWidth<Filter>(FSampleBytes, first, Frames, FFrameBytes, state);
      continue;
    }
    const BlockScratch scratch{FWindow.data(), FNear.data(), FLevel.data(), FNearBound};
    for (uint32_t done = 0; done < Frames; done += kBlockFrames) {
      const uint32_t n = std::min(kBlockFrames, Frames - done);
      ByWidth<FilterBlock>(FSampleBytes, first + size_t(done) * FFrameBytes, n, FFrameBytes, state, scratch);
    }
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
