#include "audio/ALFIRChannels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "math/fir.h"
#include "math/routines.h"

namespace tavrel {
namespace {

using LD = long double;

// A width's samples as plain integers: 8-bit samples are the stored byte.
struct Width {
  uint32_t bits;
  int64_t lo, hi;      // stored range
  int64_t outLo, outHi;  // what the filter may write
  int64_t zero;        // the zero line
};
const Width kWidths[] = {{8, 0, 255, 0, 255, 127},
                         {16, -32768, 32767, -32767, 32767, 0},
                         {24, -8388608, 8388607, -8388607, 8388607, 0},
                         {32, -2147483648LL, 2147483647, -2147483647, 2147483647, 0}};

int64_t Get(const uint8_t* p, uint32_t bits) {
  switch (bits) {
    case 8: return p[0];
    case 16: { int16_t v; std::memcpy(&v, p, 2); return v; }
    case 24: return ReadSample24(p);
    default: { int32_t v; std::memcpy(&v, p, 4); return v; }
  }
}
void Put(uint8_t* p, uint32_t bits, int64_t v) {
  switch (bits) {
    case 8: p[0] = uint8_t(v); break;
    case 16: { int16_t s = int16_t(v); std::memcpy(p, &s, 2); break; }
    case 24: WriteSample24(p, int32_t(v)); break;
    default: { int32_t s = int32_t(v); std::memcpy(p, &s, 4); break; }
  }
}

// Interleaved frames of a width, built from and read as integers.
struct Frames {
  uint32_t bits, channels;
  std::vector<uint8_t> bytes;
  uint32_t FrameBytes() const { return channels * bits / 8; }
  uint32_t Count() const { return uint32_t(bytes.size() / FrameBytes()); }
  int64_t At(uint32_t frame, uint32_t ch) const { return Get(&bytes[frame * FrameBytes() + ch * bits / 8], bits); }
  void Set(uint32_t frame, uint32_t ch, int64_t v) { Put(&bytes[frame * FrameBytes() + ch * bits / 8], bits, v); }
};

Frames RandomFrames(const Width& w, uint32_t channels, uint32_t count, unsigned seed) {
  Frames f{w.bits, channels, std::vector<uint8_t>(size_t(count) * channels * w.bits / 8)};
  std::mt19937_64 rng(seed);
  std::uniform_int_distribution<int64_t> dist(w.lo, w.hi);
  for (uint32_t i = 0; i < count; ++i)
    for (uint32_t c = 0; c < channels; ++c) f.Set(i, c, dist(rng));
  return f;
}

TALWaveFormatExtensible Format(uint32_t bits, uint32_t channels) {
  TALWaveFormatExtensible f{};
  f.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  f.nChannels = uint16_t(channels);
  f.nSamplesPerSec = 44100;
  f.nBlockAlign = uint16_t(channels * bits / 8);
  f.nAvgBytesPerSec = 44100 * f.nBlockAlign;
  f.wBitsPerSample = uint16_t(bits);
  f.cbSize = 22;
  f.wValidBitsPerSample = uint16_t(bits);
  return f;
}

// Direct-form convolution of one channel in long double, with a history
// of `history` frames before `from` (older input counts as zero), and the
// expected stored value, rounded half to even and clamped. Where the sum
// lies within 1e-9 of a half, either neighbour is accepted: the filter sums
// in its own order.
struct Expected {
  int64_t value;
  bool tie;
};
Expected Reference(const Frames& in, uint32_t ch, uint32_t n, const TSLAReal& h, const Width& w, uint32_t from,
                   uint32_t history) {
  LD y = 0;
  for (size_t m = 0; m < h.size(); ++m) {
    if (m > n || n - m + history < from) continue;
    y += LD(h[m]) * LD(in.At(uint32_t(n - m), ch) - (w.bits == 8 ? 127 : 0));
  }
  if (w.bits == 8) y += 127;
  const LD clamped = std::fmin(std::fmax(y, LD(w.outLo)), LD(w.outHi));
  const LD fl = std::floor(clamped);
  const LD frac = clamped - fl;
  int64_t r = int64_t(fl);
  if (frac > 0.5L || (frac == 0.5L && r % 2 != 0)) ++r;
  return {r, std::fabs(frac - 0.5L) < 1e-9L};
}

// Compares frames [from, to) of out with the reference on in.
void ExpectFiltered(const Frames& in, const Frames& out, const TSLAReal& h, const Width& w, uint32_t from,
                    uint32_t to, uint32_t history, const std::string& where, int onlyChannel = -1) {
  int bad = 0;
  for (uint32_t n = from; n < to && bad < 5; ++n)
    for (uint32_t c = 0; c < in.channels; ++c) {
      if (onlyChannel >= 0 && c != uint32_t(onlyChannel)) continue;
      const Expected e = Reference(in, c, n, h, w, from, history);
      const int64_t got = out.At(n, c);
      if (got == e.value || (e.tie && std::llabs(got - e.value) == 1)) continue;
      ADD_FAILURE() << where << " frame " << n << " channel " << c << ": " << got << " want " << e.value;
      ++bad;
    }
}

TSLAReal Taps(TSLWindowType window, double alpha, double hz) {
  TSLAReal taps;
  DesignLowPass(taps, 41, window, alpha, 44100.0, hz);
  return taps;
}

// Runs in through the filter in chunks of the given sizes (cycled),
// through audio buffers.
Frames FilterInChunks(TALFIRChannels& fir, const Frames& in, const std::vector<uint32_t>& chunks, uint32_t from = 0,
           uint32_t to = UINT32_MAX) {
  Frames out = in;
  to = std::min(to, in.Count());
  size_t k = 0;
  for (uint32_t pos = from; pos < to; ++k) {
    const uint32_t n = std::min(chunks[k % chunks.size()], to - pos);
    auto buffer = TALAudioBuffer::CreateData(&in.bytes[pos * in.FrameBytes()], 44100, in.bits, in.channels, n);
    fir.Process(*buffer);
    std::memcpy(&out.bytes[pos * in.FrameBytes()], buffer->Read(), n * in.FrameBytes());
    pos += n;
  }
  return out;
}

TEST(ALFIRChannels, EveryWidthMatchesTheDirectFormAcrossAnySplit) {
  const std::vector<std::vector<uint32_t>> splits = {{1024}, {512}, {1, 1023}, {7}, {3, 64, 1, 200}};
  const TSLAReal taps = Taps(wtHamming, 1.0, 3000.0);
  for (const Width& w : kWidths) {
    const Frames in = RandomFrames(w, 2, 1024, w.bits);
    Frames first;
    for (size_t s = 0; s < splits.size(); ++s) {
      TALFIRChannels fir;
      ASSERT_TRUE(fir.Open(Format(w.bits, 2), taps).empty());
      const Frames out = FilterInChunks(fir, in, splits[s]);
      const std::string where = std::to_string(w.bits) + "-bit split " + std::to_string(s);
      if (s == 0) {
        ExpectFiltered(in, out, taps, w, 0, 1024, 0, where);
        first = out;
      } else {
        EXPECT_EQ(out.bytes, first.bytes) << where;
      }
    }
  }
}

// The block path against one single-sample step per frame through the bound
// routine: a stand-in for ippsFIROne_64f that is not the own kernel makes
// the filter step sample by sample.
IppStatus StepThroughTheBinding(Ipp64f src, Ipp64f* dst, kernels::FIRState* state) {
  return kernels::ippsFIROne_64f(src, dst, state);
}
struct SampleBySample {
  IppStatus (*saved)(Ipp64f, Ipp64f*, kernels::FIRState*) = ALDispatcher::ippsFIROne_64f;
  SampleBySample() { ALDispatcher::ippsFIROne_64f = StepThroughTheBinding; }
  ~SampleBySample() { ALDispatcher::ippsFIROne_64f = saved; }
};

// Every odd tap count from 5 to 255 with the whole sweeps (TAVREL_FULL_SWEEPS,
// on in Release builds), a spread of them otherwise.
std::vector<uint32_t> TapCounts() {
#if TAVREL_FULL_SWEEPS
  std::vector<uint32_t> counts;
  for (uint32_t n = 5; n <= 255; n += 2) counts.push_back(n);
  return counts;
#else
  return {5, 7, 31, 33, 41, 63, 127, 255};
#endif
}

// Taps of a design, or small multiples of 1/4: with integer samples those
// put many sums exactly on a half, where only the exact sum decides.
enum class TapsKind { Designed, Quarters, Loud };
TSLAReal MakeTaps(TapsKind kind, uint32_t n) {
  TSLAReal taps;
  DesignLowPass(taps, int(n), wtHamming, 1.0, 44100.0, 5000.0);
  if (kind == TapsKind::Loud)
    for (double& t : taps) t *= 3.0;  // clamps often
  if (kind == TapsKind::Quarters) {
    std::mt19937 rng(n);
    std::uniform_int_distribution<int> q(-3, 3);
    for (double& t : taps) t = q(rng) / 4.0;
  }
  return taps;
}

// Mono and stereo 16-bit frames take vector reads and writes, other frames
// one sample at a time.
TEST(ALFIRChannels, BlockPathEqualsOneStepPerSampleBitForBit) {
  const std::vector<std::vector<uint32_t>> splits = {{1024}, {1, 1023}, {7}, {255, 256, 257}, {511, 512, 513},
                                                     {3, 64, 1, 200}};
  const TapsKind kinds[] = {TapsKind::Designed, TapsKind::Quarters, TapsKind::Loud};
  for (const Width& w : kWidths)
    for (const uint32_t channels : {1u, 2u, 3u})
      for (const uint32_t n : TapCounts())
        for (const TapsKind kind : kinds) {
          const TSLAReal taps = MakeTaps(kind, n);
          const Frames in = RandomFrames(w, channels, 1024, n * 31 + w.bits + channels);
          Frames want;
          {
            SampleBySample reference;
            TALFIRChannels fir;
            fir.Open(Format(w.bits, channels), taps);
            want = FilterInChunks(fir, in, {1024});
          }
          for (size_t s = 0; s < splits.size(); ++s) {
            TALFIRChannels fir;
            fir.Open(Format(w.bits, channels), taps);
            const Frames got = FilterInChunks(fir, in, splits[s]);
            ASSERT_EQ(got.bytes, want.bytes) << w.bits << "-bit, " << channels << " channels, " << n << " taps, kind "
                                             << int(kind) << ", split " << s;
          }
        }
}

TEST(ALFIRChannels, BlockPathPrimesARedesignAsTheSingleSteps) {
  const TSLAReal before = Taps(wtKaiser, 1.0, 3000.0);
  TSLAReal after;
  DesignLowPass(after, 61, wtHamming, 1.0, 44100.0, 2000.0);
  for (const Width& w : kWidths)
    for (const uint32_t frames : {5u, 20u, 47u, 300u}) {
      const Frames in = RandomFrames(w, 2, frames + 600, frames + w.bits);
      auto run = [&] {
        TALFIRChannels fir;
        fir.Open(Format(w.bits, 2), before);
        Frames out = FilterInChunks(fir, in, {13}, 0, frames);
        fir.Redesign(after);
        const Frames rest = FilterInChunks(fir, in, {600}, frames);
        std::copy(rest.bytes.begin() + frames * in.FrameBytes(), rest.bytes.end(),
                  out.bytes.begin() + frames * in.FrameBytes());
        return out;
      };
      Frames want;
      {
        SampleBySample reference;
        want = run();
      }
      EXPECT_EQ(run().bytes, want.bytes) << w.bits << "-bit, redesign after " << frames;
    }
}

// Taps whose terms cancel: on a steady -32768 the sum passes 2^53 and
// comes back to 2.75, which double arithmetic holds as 2 and long double
// exactly. The fast sums' bound then spans many levels, and the stored 3
// comes from the exact sum, as the single steps give it.
TEST(ALFIRChannels, LevelsTheFastSumsLeaveOpenComeFromTheExactSum) {
  const TSLAReal taps = {std::ldexp(1.0, 38), -11 * std::ldexp(1.0, -17), -std::ldexp(1.0, 38)};
  Frames in{16, 1, std::vector<uint8_t>(2 * 40)};
  for (uint32_t i = 0; i < 40; ++i) in.Set(i, 0, -32768);
  Frames want;
  {
    SampleBySample reference;
    TALFIRChannels fir;
    fir.Open(Format(16, 1), taps);
    want = FilterInChunks(fir, in, {40});
  }
  TALFIRChannels fir;
  fir.Open(Format(16, 1), taps);
  const Frames got = FilterInChunks(fir, in, {40});
  for (uint32_t i = 2; i < 40; ++i) EXPECT_EQ(got.At(i, 0), 3) << i;
  EXPECT_EQ(got.bytes, want.bytes);
}

TEST(ALFIRChannels, ConversionRoundsHalfToEvenAndClampsSymmetrically) {
  struct Case {
    uint32_t bits;
    double tap;
    int64_t in, out;
  } const cases[] = {
      {16, 0.5, 5, 2},  {16, 0.5, 7, 4},   {16, 0.5, -5, -2}, {16, 0.5, -7, -4},
      {16, 2.0, 20000, 32767}, {16, 2.0, -20000, -32767}, {16, 1.0, -32768, -32767},
      {8, 0.5, 127, 127}, {8, 0.5, 132, 130},  {8, 0.5, 130, 128}, {8, 2.0, 255, 255}, {8, 2.0, 0, 0},
      {24, 0.5, -3, -2}, {24, 2.0, 8000000, 8388607}, {24, 2.0, -8000000, -8388607},
      {24, 1.0, -8388608, -8388607},
      {32, 0.5, 9, 4},  {32, 2.0, 2000000000, 2147483647}, {32, 2.0, -2000000000, -2147483647},
      {32, 1.0, -2147483648LL, -2147483647},
      // Taps that are not numbers (a zero sample rate) give the zero line.
      {8, NAN, 200, 127}, {16, NAN, 5, 0}, {24, NAN, 5, 0}, {32, NAN, 5, 0},
  };
  for (const Case& c : cases) {
    Frames in{c.bits, 1, std::vector<uint8_t>(c.bits / 8)};
    in.Set(0, 0, c.in);
    TALFIRChannels fir;
    fir.Open(Format(c.bits, 1), TSLAReal{c.tap});
    fir.ProcessFrames(in.bytes.data(), 1);
    EXPECT_EQ(in.At(0, 0), c.out) << c.bits << "-bit " << c.tap << " * " << c.in;
  }
}

TEST(ALFIRChannels, PackedSamplesKeepTheirByteLayout) {
  // -8388607 is 01 00 80, 8388607 is FF FF 7F, -2 is FE FF FF.
  const uint8_t in[9] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF};
  std::vector<uint8_t> data(in, in + 9);
  TALFIRChannels fir;
  fir.Open(Format(24, 3), TSLAReal{2.0});
  fir.ProcessFrames(data.data(), 1);
  EXPECT_EQ(data, (std::vector<uint8_t>{0x01, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0xFE, 0xFF, 0xFF}));
}

TEST(ALFIRChannels, RedesignKeepsOnlyTheRingOfRecentFrames) {
  const TSLAReal before = Taps(wtKaiser, 1.0, 3000.0);
  const TSLAReal after = Taps(wtKaiser, 4.0, 3000.0);
  ASSERT_NE(before, after);
  struct Case {
    uint32_t frames;                // before the redesign
    std::vector<uint32_t> chunks;
    uint32_t position;              // ring write position then
  } const cases[] = {{512, {512}, 20}, {5, {5}, 5}, {20, {20}, 20}, {47, {7}, 7}, {33, {13, 20}, 13}, {40, {20}, 20}};
  for (const Width& w : kWidths)
    for (const Case& c : cases) {
      const Frames in = RandomFrames(w, 2, c.frames + 300, 7 * w.bits + c.frames);
      TALFIRChannels fir;
      fir.Open(Format(w.bits, 2), before);
      ASSERT_EQ(fir.DelayFrames(), 20u);
      FilterInChunks(fir, in, c.chunks, 0, c.frames);
      EXPECT_EQ(fir.DelayPosition(), c.position) << c.frames;
      ASSERT_TRUE(fir.Redesign(after).empty());
      EXPECT_EQ(fir.DelayPosition(), c.position);
      const Frames out = FilterInChunks(fir, in, {100}, c.frames);
      ExpectFiltered(in, out, after, w, c.frames, in.Count(), 20,
                     std::to_string(w.bits) + "-bit after " + std::to_string(c.frames));
    }
}

TEST(ALFIRChannels, RingLengthStaysUntilTheNextOpen) {
  TALFIRChannels fir;
  fir.Open(Format(16, 1), Taps(wtHamming, 1.0, 3000.0));
  TSLAReal longer;
  DesignLowPass(longer, 61, wtHamming, 1.0, 44100.0, 3000.0);
  fir.Redesign(longer);
  EXPECT_EQ(fir.DelayFrames(), 20u);
  fir.Open(Format(16, 1), longer);
  EXPECT_EQ(fir.DelayFrames(), 30u);
  EXPECT_EQ(fir.DelayPosition(), 0u);
}

// Fails the state of every second channel.
IppStatus (*gRealInit)(kernels::FIRState**, const Ipp64f*, int, const Ipp64f*) = nullptr;
int gInitCalls = 0;
IppStatus FailOddChannels(kernels::FIRState** state, const Ipp64f* taps, int len, const Ipp64f* delay) {
  if (gInitCalls++ % 2 == 1) return ippStsMemAllocErr;
  return gRealInit(state, taps, len, delay);
}
struct FailingInit {
  FailingInit() {
    gRealInit = ALDispatcher::ippsFIRInitAlloc_64f;
    gInitCalls = 0;
    ALDispatcher::ippsFIRInitAlloc_64f = FailOddChannels;
  }
  ~FailingInit() { ALDispatcher::ippsFIRInitAlloc_64f = gRealInit; }
};

TEST(ALFIRChannels, ChannelWithoutStatePassesThrough) {
  const TSLAReal taps = Taps(wtHamming, 1.0, 3000.0);
  for (const Width& w : kWidths) {
    const Frames in = RandomFrames(w, 2, 200, 99);
    TALFIRChannels fir;
    {
      FailingInit failing;
      const auto failures = fir.Open(Format(w.bits, 2), taps);
      ASSERT_EQ(failures.size(), 1u);
      EXPECT_EQ(failures[0].Channel, 1u);
      EXPECT_EQ(failures[0].Status, ippStsMemAllocErr);
    }
    const Frames out = FilterInChunks(fir, in, {64});
    for (uint32_t n = 0; n < 200; ++n) ASSERT_EQ(out.At(n, 1), in.At(n, 1)) << w.bits << " frame " << n;
    ExpectFiltered(in, out, taps, w, 0, 200, 0, std::to_string(w.bits) + "-bit channel 0", 0);
  }
}

TEST(ALFIRChannels, SharedBufferIsCopiedBeforeFiltering) {
  const Frames in = RandomFrames(kWidths[1], 2, 64, 5);
  auto buffer = TALAudioBuffer::CreateData(in.bytes.data(), 44100, 16, 2, 64);
  auto view = TALAudioBuffer::CreateEx(*buffer);
  TALFIRChannels fir;
  fir.Open(Format(16, 2), Taps(wtHamming, 1.0, 3000.0));
  fir.Process(*buffer);
  EXPECT_EQ(std::memcmp(view->Read(), in.bytes.data(), in.bytes.size()), 0);
  EXPECT_NE(std::memcmp(buffer->Read(), in.bytes.data(), in.bytes.size()), 0);
}

TEST(ALFIRChannels, ClosedOrSampleLessFormatLeavesBytesAlone) {
  const Frames in = RandomFrames(kWidths[1], 2, 64, 6);
  auto buffer = TALAudioBuffer::CreateData(in.bytes.data(), 44100, 16, 2, 64);
  TALFIRChannels fir;
  fir.Process(*buffer);  // never opened
  fir.Open(Format(16, 2), Taps(wtHamming, 1.0, 3000.0));
  fir.Close();
  fir.Process(*buffer);
  fir.Open(Format(12, 2), Taps(wtHamming, 1.0, 3000.0));
  fir.Process(*buffer);
  EXPECT_EQ(std::memcmp(buffer->Read(), in.bytes.data(), in.bytes.size()), 0);
}

TEST(ALFIRChannels, BufferShorterThanTheFormatSaysIsNotOverrun) {
  // A mono 16-bit buffer of 3 frames holds one stereo 16-bit frame.
  const int16_t samples[3] = {1000, -1000, 555};
  auto buffer = TALAudioBuffer::CreateData(samples, 44100, 16, 1, 3);
  TALFIRChannels fir;
  fir.Open(Format(16, 2), TSLAReal{0.5});
  fir.Process(*buffer);
  int16_t out[3];
  std::memcpy(out, buffer->Read(), 6);
  EXPECT_EQ(out[0], 500);
  EXPECT_EQ(out[1], -500);
  EXPECT_EQ(out[2], 555);
}

}  // namespace
}  // namespace tavrel
