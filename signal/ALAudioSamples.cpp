// Sample access and arithmetic of the audio buffer.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "math/routines.h"
#include "signal/ALAudioBuffer.h"
#include "signal/SLIntegerBuffer.h"
#include "signal/SLRealBuffer.h"

namespace tavrel {

namespace {

using Op = TALAudioBuffer::Op;

struct Range {
  int64_t lo, hi;
};
Range RangeOf(uint32_t width) {
  switch (width) {
    case 8: return {0, 255};
    case 16: return {-32768, 32767};
    case 24: return {-8388608, 8388607};
    default: return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
  }
}

// d op s, saturated. Division truncates, or (roundHalfEven) rounds as the
// library's scaled routines do; the divisor is never 0 here.
int64_t Compute(Op op, int64_t d, int64_t s, Range r, bool roundHalfEven = false) {
  int64_t v = 0;
  switch (op) {
    case Op::Add: v = d + s; break;
    case Op::Subtract: v = d - s; break;
    case Op::Multiply: v = d * s; break;
    case Op::Divide:
      v = roundHalfEven ? int64_t(std::nearbyint(static_cast<long double>(d) / s)) : d / s;
      break;
  }
  return std::clamp(v, r.lo, r.hi);
}

int32_t LoadSample(const uint8_t* p, uint32_t width) {
  switch (width) {
    case 8: return *p;
    case 16: { int16_t v; std::memcpy(&v, p, 2); return v; }
    case 24: return ReadSample24(p);
    case 32: { int32_t v; std::memcpy(&v, p, 4); return v; }
    default: return 0;
  }
}

// Stores the low bits of value (24-bit through WriteSample24).
void StoreSample(uint8_t* p, uint32_t width, int32_t value) {
  switch (width) {
    case 8: *p = uint8_t(value); break;
    case 16: { const int16_t v = int16_t(value); std::memcpy(p, &v, 2); break; }
    case 24: WriteSample24(p, value); break;
    case 32: std::memcpy(p, &value, 4); break;
    default: break;
  }
}

bool FitsValue(uint32_t width, Op op, int32_t value) {
  if (op == Op::Divide && value == 0) return false;
  if (width == 8) return value >= 0 && value <= 255;
  if (width == 16) return value >= -32768 && value <= 32767;
  return true;
}

// The strided own loop: count samples from src to dst, each step bytes apart.
void ConstantLoop(const uint8_t* src, uint8_t* dst, uint32_t count, uint32_t step, uint32_t width, Op op,
                  int32_t value) {
  const Range r = RangeOf(width);
  // The 8- and 16-bit routines round their quotients; the wider paths truncate.
  const bool round = width <= 16;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = uint64_t(i) * step;
    StoreSample(dst + at, width, int32_t(Compute(op, LoadSample(src + at, width), value, r, round)));
  }
}

// Whole-buffer constant through the library (8/16 bits with a value the
// routine takes, 32 bits except division), else the own loop.
void ConstantRun(const uint8_t* src, uint8_t* dst, uint32_t count, uint32_t width, Op op, int32_t value) {
  const int n = int(count);
  const bool inPlace = src == dst;
  if (width == 8 && FitsValue(8, op, value)) {
    const Ipp8u v = Ipp8u(value);
    switch (op) {
      case Op::Add:
        inPlace ? MLSimpleMediaBuffer::ippsAddC_8u_ISfs(v, dst, n, 0) : MLSimpleMediaBuffer::ippsAddC_8u_Sfs(src, v, dst, n, 0);
        return;
      case Op::Subtract:
        inPlace ? MLSimpleMediaBuffer::ippsSubC_8u_ISfs(v, dst, n, 0) : MLSimpleMediaBuffer::ippsSubC_8u_Sfs(src, v, dst, n, 0);
        return;
      case Op::Multiply:
        inPlace ? MLSimpleMediaBuffer::ippsMulC_8u_ISfs(v, dst, n, 0) : MLSimpleMediaBuffer::ippsMulC_8u_Sfs(src, v, dst, n, 0);
        return;
      case Op::Divide:
        MLSimpleMediaBuffer::ippsDivC_8u_Sfs(src, v, dst, n, 0);  // also in place
        return;
    }
  }
  if (width == 16 && FitsValue(16, op, value)) {
    const Ipp16s v = Ipp16s(value);
    auto* d = reinterpret_cast<Ipp16s*>(dst);
    const auto* s = reinterpret_cast<const Ipp16s*>(src);
    switch (op) {
      case Op::Add:
        inPlace ? MLSimpleMediaBuffer::ippsAddC_16s_ISfs(v, d, n, 0) : MLSimpleMediaBuffer::ippsAddC_16s_Sfs(s, v, d, n, 0);
        return;
      case Op::Subtract:
        inPlace ? MLSimpleMediaBuffer::ippsSubC_16s_ISfs(v, d, n, 0) : MLSimpleMediaBuffer::ippsSubC_16s_Sfs(s, v, d, n, 0);
        return;
      case Op::Multiply:
        inPlace ? MLSimpleMediaBuffer::ippsMulC_16s_ISfs(v, d, n, 0) : MLSimpleMediaBuffer::ippsMulC_16s_Sfs(s, v, d, n, 0);
        return;
      case Op::Divide:
        inPlace ? MLSimpleMediaBuffer::ippsDivC_16s_ISfs(v, d, n, 0) : MLSimpleMediaBuffer::ippsDivC_16s_Sfs(s, v, d, n, 0);
        return;
    }
  }
  if (width == 32) {
    auto* d = reinterpret_cast<Ipp32s*>(dst);
    const auto* s = reinterpret_cast<const Ipp32s*>(src);
    switch (op) {
      case Op::Add:
        inPlace ? SLDispatcher::ippsAddC_32s_ISfs(value, d, n, 0) : SLDispatcher::ippsAddC_32s_Sfs(s, value, d, n, 0);
        return;
      case Op::Subtract:
        inPlace ? SLDispatcher::ippsSubC_32s_ISfs(value, d, n, 0) : SLDispatcher::ippsSubC_32s_Sfs(s, value, d, n, 0);
        return;
      case Op::Multiply:
        inPlace ? SLDispatcher::ippsMulC_32s_ISfs(value, d, n, 0) : SLDispatcher::ippsMulC_32s_Sfs(s, value, d, n, 0);
        return;
      case Op::Divide:
        inPlace ? DivConstInt32InPlace(value, d, n) : DivConstInt32(s, value, d, n);
        return;
    }
  }
  ConstantLoop(src, dst, count, width / 8, width, op, value);
}

// One channel in place, strided: the library for 8/16 bits, else the own loop.
void ChannelRun(uint8_t* p, uint32_t frames, uint32_t step, uint32_t width, Op op, int32_t value) {
  const IppiSize column{1, int(frames)};
  const int st = int(step);
  if (width == 8 && FitsValue(8, op, value)) {
    const Ipp8u v = Ipp8u(value);
    switch (op) {
      case Op::Add: MLSimpleMediaBuffer::ippiAddC_8u_C1IRSfs(v, p, st, column, 0); return;
      case Op::Subtract: MLSimpleMediaBuffer::ippiSubC_8u_C1IRSfs(v, p, st, column, 0); return;
      case Op::Multiply: MLSimpleMediaBuffer::ippiMulC_8u_C1IRSfs(v, p, st, column, 0); return;
      case Op::Divide: MLSimpleMediaBuffer::ippiDivC_8u_C1IRSfs(v, p, st, column, 0); return;
    }
  }
  if (width == 16 && FitsValue(16, op, value)) {
    const Ipp16s v = Ipp16s(value);
    auto* d = reinterpret_cast<Ipp16s*>(p);
    switch (op) {
      case Op::Add: MLSimpleMediaBuffer::ippiAddC_16s_C1IRSfs(v, d, st, column, 0); return;
      case Op::Subtract: MLSimpleMediaBuffer::ippiSubC_16s_C1IRSfs(v, d, st, column, 0); return;
      case Op::Multiply: MLSimpleMediaBuffer::ippiMulC_16s_C1IRSfs(v, d, st, column, 0); return;
      case Op::Divide: MLSimpleMediaBuffer::ippiDivC_16s_C1IRSfs(v, d, st, column, 0); return;
    }
  }
  ConstantLoop(p, p, frames, step, width, op, value);
}

// A constant division by 0: the 8- and 16-bit routines refuse it and
// change nothing; the wider paths divide themselves and raise.
bool RefusedDivisor(uint32_t width, Op op, int32_t value) {
  if (op != Op::Divide || value != 0) return false;
  if (width == 24 || width == 32) throw EDivByZero();
  return true;
}

// Speaker pairs (this channel, other channel), indexes bounded by the counts.
std::vector<std::pair<uint32_t, uint32_t>> PairChannels(TALSpeakers mask, uint32_t channels,
                                                        TALSpeakers otherMask, uint32_t otherChannels) {
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  if (otherChannels == 1) {
    for (uint32_t c = 0; c < channels; ++c) pairs.push_back({c, 0});
    return pairs;
  }
  uint32_t ti = 0, oi = 0;
  for (int p = 0; p < kSpeakerCount; ++p) {
    const bool inT = (mask >> p) & 1, inO = (otherMask >> p) & 1;
    if (inT && inO && ti < channels && oi < otherChannels) pairs.push_back({ti, oi});
    ti += inT;
    oi += inO;
  }
  return pairs;
}

}  // namespace

uint32_t TALAudioBuffer::SampleWidth() const {
  const uint32_t w = FSampleBitWidth;
  return (w == 8 || w == 16 || w == 24 || w == 32) && FBitsPerSample <= w ? w : 0;
}

void TALAudioBuffer::CheckChannel(uint32_t channel) const {
  if (channel >= FChannels) throw ERangeError(FormatRange("Channel", channel));
}

void TALAudioBuffer::CheckSample(uint32_t index, uint32_t channel) const {
  CheckChannel(channel);
  if (index >= GetSize()) throw ERangeError(FormatRange("Index", index));
}

int32_t TALAudioBuffer::GetSample(uint32_t index, uint32_t channel) const {
  CheckSample(index, channel);
  return LoadSample(SampleAt(Read(), index, channel), SampleWidth());
}

void TALAudioBuffer::SetSample(uint32_t index, uint32_t channel, int32_t value) {
  uint8_t* data = Modify();
  CheckSample(index, channel);
  StoreSample(SampleAt(data, index, channel), SampleWidth(), value);
}

bool TALAudioBuffer::IsEqualToValue(int32_t value) const {
  // Frame 0 first, so an empty buffer raises as a single sample would.
  if (GetSample(0, 0) != value) return false;
  for (uint32_t i = 0; i < GetSize(); ++i)
    for (uint32_t c = 0; c < FChannels; ++c)
      if (GetSample(i, c) != value) return false;
  return true;
}

bool TALAudioBuffer::IsChannelEqualToValue(uint32_t channel, int32_t value) const {
  if (GetSample(0, channel) != value) return false;
  for (uint32_t i = 1; i < GetSize(); ++i)
    if (GetSample(i, channel) != value) return false;
  return true;
}

void TALAudioBuffer::Add(const TALAudioBuffer& other) { Combine(other, Op::Add); }
void TALAudioBuffer::Subtract(const TALAudioBuffer& other) { Combine(other, Op::Subtract); }
void TALAudioBuffer::Multiply(const TALAudioBuffer& other) { Combine(other, Op::Multiply); }
void TALAudioBuffer::Divide(const TALAudioBuffer& other) { Combine(other, Op::Divide); }

void TALAudioBuffer::Combine(const TALAudioBuffer& other, Op op) {
  const uint32_t width = SampleWidth();
  // Reading the other at another width would run past its samples.
  if (other.SampleWidth() != width || other.FSampleBitWidth != FSampleBitWidth)
    throw EIntfCastError(kInterfaceNotSupported);
  if (width == 0) return;
  const uint32_t n = std::min(GetSize(), other.GetSize());
  const auto pairs = PairChannels(FChannelMask, FChannels, other.FChannelMask, other.FChannels);
  if (n == 0 || pairs.empty()) return;

  if (op == Op::Divide && width > 16) {
    const uint8_t* s = other.Read();
    for (const auto& pair : pairs)
      for (uint32_t i = 0; i < n; ++i)
        if (LoadSample(other.SampleAt(s, i, pair.second), width) == 0) throw EDivByZero();
  }

  uint8_t* dst = Modify();
  const uint8_t* src = other.Read();  // after Modify: other may be this buffer
  const Range r = RangeOf(width);
  for (const auto& [tc, oc] : pairs) {
    uint8_t* d = SampleAt(dst, 0, tc);
    const uint8_t* s = other.SampleAt(src, 0, oc);
    if (width == 16) {
      const IppiSize column{1, int(n)};
      auto* dd = reinterpret_cast<Ipp16s*>(d);
      const auto* ss = reinterpret_cast<const Ipp16s*>(s);
      const int ds = int(FDataStep), sst = int(other.FDataStep);
      switch (op) {
        case Op::Add: MLSimpleMediaBuffer::ippiAdd_16s_C1IRSfs(ss, sst, dd, ds, column, 0); break;
        case Op::Subtract: MLSimpleMediaBuffer::ippiSub_16s_C1IRSfs(ss, sst, dd, ds, column, 0); break;
        case Op::Multiply: MLSimpleMediaBuffer::ippiMul_16s_C1IRSfs(ss, sst, dd, ds, column, 0); break;
        case Op::Divide: MLSimpleMediaBuffer::ippiDiv_16s_C1IRSfs(ss, sst, dd, ds, column, 0); break;
      }
      continue;
    }
    for (uint32_t i = 0; i < n; ++i, d += FDataStep, s += other.FDataStep) {
      int64_t a = LoadSample(d, width), b = LoadSample(s, width);
      int64_t v;
      if (width == 8) {
        // Around the 127 zero line; a divisor at the zero line gives silence.
        if (op == Op::Divide && b == 127)
          v = 127;
        else if (op == Op::Add)
          v = a + b - 127;
        else if (op == Op::Subtract)
          v = a - b + 127;
        else
          v = Compute(op, a - 127, b - 127, {INT64_MIN / 2, INT64_MAX / 2}) + 127;
        v = std::clamp<int64_t>(v, 0, 255);
      } else {
        v = Compute(op, a, b, r);
      }
      StoreSample(d, width, int32_t(v));
    }
  }
}

template <class F>
void TALAudioBuffer::ComputeInto(F fn) {
  // The shared data stays alive until the fresh block replaces it.
  const uint8_t* src = FDataPtr;
  WriteFrom({}, [&](uint8_t* dst) {
    fn(src, dst);
    return 0;
  });
}

void TALAudioBuffer::ApplyValue(Op op, int32_t value) {
  const uint32_t width = SampleWidth();
  if (width == 0 || RefusedDivisor(width, op, value)) return;
  const uint32_t count = GetByteSize() / (width / 8);
  if (count == 0) return;
  ComputeInto([&](const uint8_t* src, uint8_t* dst) { ConstantRun(src, dst, count, width, op, value); });
}

void TALAudioBuffer::AddValue(int32_t value) { ApplyValue(Op::Add, value); }
void TALAudioBuffer::SubtractValue(int32_t value) { ApplyValue(Op::Subtract, value); }
void TALAudioBuffer::MultiplyValue(int32_t value) { ApplyValue(Op::Multiply, value); }
void TALAudioBuffer::DivideValue(int32_t value) { ApplyValue(Op::Divide, value); }

void TALAudioBuffer::ApplyChannelValue(uint32_t channel, Op op, int32_t value) {
  CheckChannel(channel);
  const uint32_t width = SampleWidth();
  if (width == 0 || RefusedDivisor(width, op, value) || GetSize() == 0) return;
  uint8_t* data = Modify();
  ChannelRun(SampleAt(data, 0, channel), GetSize(), FDataStep, width, op, value);
}

void TALAudioBuffer::AddChannelValue(uint32_t channel, int32_t value) { ApplyChannelValue(channel, Op::Add, value); }
void TALAudioBuffer::SubtractChannelValue(uint32_t channel, int32_t value) {
  ApplyChannelValue(channel, Op::Subtract, value);
}
void TALAudioBuffer::MultiplyChannelValue(uint32_t channel, int32_t value) {
  ApplyChannelValue(channel, Op::Multiply, value);
}
void TALAudioBuffer::DivideChannelValue(uint32_t channel, int32_t value) {
  ApplyChannelValue(channel, Op::Divide, value);
}

void TALAudioBuffer::SetValue(int32_t value) {
  const uint32_t width = SampleWidth();
  if (width == 0 || GetByteSize() == 0) return;
  const uint32_t bytes = width / 8, count = GetByteSize() / bytes;
  if (width == 8) value = int32_t(uint32_t(value) + 127);  // the zero line, modulo 256
  uint8_t* d = Write();
  for (uint32_t i = 0; i < count; ++i) StoreSample(d + uint64_t(i) * bytes, width, value);
}

void TALAudioBuffer::SetChannelValue(uint32_t channel, int32_t value) {
  CheckChannel(channel);
  const uint32_t width = SampleWidth();
  if (width == 0 || GetSize() == 0) return;
  uint8_t* d = SampleAt(Modify(), 0, channel);
  for (uint32_t i = 0; i < GetSize(); ++i, d += FDataStep) StoreSample(d, width, value);
}

void TALAudioBuffer::Zero() {
  const uint32_t width = SampleWidth();
  if (width == 8) return SetValue(0);
  if (width == 0 || GetByteSize() == 0) return;
  std::memset(Write(), 0, GetByteSize());
}

void TALAudioBuffer::MultiplyByReal(double factor) {
  if (factor == 1.0) return;
  const uint32_t width = SampleWidth();
  if (width == 0 || GetByteSize() == 0) return;
  const uint32_t bytes = width / 8, count = GetByteSize() / bytes;
  const Range r = RangeOf(width);
  ComputeInto([&](const uint8_t* src, uint8_t* dst) {
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t at = uint64_t(i) * bytes;
      const double v = std::nearbyint(factor * LoadSample(src + at, width));  // ties to even
      const int64_t q = std::isnan(v) ? 0 : v <= double(r.lo) ? r.lo : v >= double(r.hi) ? r.hi : int64_t(v);
      StoreSample(dst + at, width, int32_t(q));
    }
  });
}

Ref<TSLIntegerBuffer> TALAudioBuffer::GetChannelInt(uint32_t channel) const {
  const uint32_t width = SampleWidth();
  if (width == 0) return nullptr;
  auto& pool = DataContainer().Pool();
  if (FDataStep == 0) return TSLIntegerBuffer::CreateSize(0, pool);
  CheckChannel(channel);
  const uint32_t n = GetByteSize() / FDataStep;
  Ref<TSLIntegerBuffer> out = TSLIntegerBuffer::CreateSize(n, pool);
  int32_t* d = out->Write();
  for (uint32_t i = 0; i < n; ++i) d[i] = LoadSample(SampleAt(Read(), i, channel), width) - (width == 8 ? 127 : 0);
  return out;
}

Ref<TSLRealBuffer> TALAudioBuffer::GetChannelReal(uint32_t channel) const {
  const uint32_t width = SampleWidth();
  if (width == 0) return nullptr;
  auto& pool = DataContainer().Pool();
  if (FDataStep == 0) return TSLRealBuffer::CreateSize(0, pool);
  CheckChannel(channel);
  const uint32_t n = GetByteSize() / FDataStep;
  Ref<TSLRealBuffer> out = TSLRealBuffer::CreateSize(n, pool);
  double* d = out->Write();
  for (uint32_t i = 0; i < n; ++i) d[i] = LoadSample(SampleAt(Read(), i, channel), width) - (width == 8 ? 127 : 0);
  return out;
}

}  // namespace tavrel
