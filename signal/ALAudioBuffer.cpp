#include "signal/ALAudioBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "math/routines.h"

namespace tavrel {

namespace {

uint32_t ContainerBits(uint32_t bits) { return bits % 8 == 0 ? bits : (bits / 8 + 1) * 8; }

// 2^n - 1 cut to 32 bits; n of 32 or more gives every bit.
TALSpeakers DefaultMask(uint32_t channels) {
  return channels >= 32 ? 0xFFFFFFFFu : uint32_t((uint64_t{1} << channels) - 1);
}

TALSpeakers CutMask(TALSpeakers mask, uint32_t channels) {
  int64_t n = channels;
  TALSpeakers keep = 0;
  for (int p = 0; p <= 16; ++p) {
    if (n <= 0) return mask & keep;
    if (mask & (1u << p)) --n;
    keep |= 1u << p;
  }
  return mask;
}

// A new audio container with its header written; samples not cleared.
Ref<TALAudioBuffer> MakeAudio(uint32_t rate, uint32_t bits, uint32_t channels, uint32_t frames,
                              TALSpeakers mask, TSLSmartBufferManager& pool) {
  const uint32_t c = ContainerBits(bits);
  const uint64_t blockAlign = uint64_t(c / 8) * channels;
  // The header keeps these in 16 bits.
  if (channels > 0xFFFF || blockAlign > 0xFFFF || bits > 0xFFFF) throw ERangeError(FormatRange("Channel", channels));
  const uint64_t bytes = blockAlign * frames + kWaveHeaderSize;
  if (bytes > kMaxBufferSize) throw EOutOfMemory();
  Ref<TSLSmartBuffer> container = TSLSmartBuffer::Create(bytes, TSLContainerKind::Audio, pool);
  TALWaveFormatExtensible h{};
  h.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  h.nChannels = uint16_t(channels);
  h.nSamplesPerSec = rate;
  h.nBlockAlign = uint16_t(blockAlign);
  h.nAvgBytesPerSec = uint32_t(blockAlign * rate);
  h.wBitsPerSample = uint16_t(c);
  h.cbSize = 22;
  h.wValidBitsPerSample = uint16_t(bits);
  h.dwChannelMask = mask;
  std::memcpy(h.SubFormat, kPCMSubFormat, sizeof h.SubFormat);
  std::memcpy(container->RawData(), &h, sizeof h);
  return MakeRef<TALAudioBuffer>(nullptr, container, uint32_t(bytes));
}

template <class T>
T LoadAs(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
void StoreAs(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

int32_t Clamp(int64_t v, int64_t lo, int64_t hi) { return int32_t(std::clamp(v, lo, hi)); }

constexpr int64_t kMax24 = 8388607, kMin24 = -8388608;
constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max(), kMin32 = std::numeric_limits<int32_t>::min();

}  // namespace

bool IsSoundAudioHeader(const TSLSmartBuffer& container, uint32_t charSize) {
  if (container.Kind() != TSLContainerKind::Audio || charSize < kWaveHeaderSize ||
      container.AllocatedSize() < kWaveHeaderSize)
    return false;
  TALWaveFormatExtensible h;
  std::memcpy(&h, container.RawData(), sizeof h);
  return h.cbSize == 22 && h.wBitsPerSample % 8 == 0 &&
         h.nBlockAlign == uint32_t(h.nChannels) * (h.wBitsPerSample / 8);
}

void ConvertSampleWidth(const uint8_t* src, uint32_t srcBits, uint32_t srcStep, uint32_t count,
                        uint32_t dstStep, uint32_t dstBits, uint8_t* dst) {
  const IppiSize column{1, int(count)};
  const int ss = int(srcStep), ds = int(dstStep);
  auto each = [&](auto convert) {
    for (uint32_t i = 0; i < count; ++i) convert(src + uint64_t(i) * srcStep, dst + uint64_t(i) * dstStep);
  };
  if (count == 0) return;
  switch (srcBits * 100 + dstBits) {
    case 808:
      return each([](const uint8_t* s, uint8_t* d) { *d = *s; });
    case 1616:
      return each([](const uint8_t* s, uint8_t* d) { std::memcpy(d, s, 2); });
    case 2424:
      return each([](const uint8_t* s, uint8_t* d) { std::memcpy(d, s, 3); });
    case 3232:
      return each([](const uint8_t* s, uint8_t* d) { std::memcpy(d, s, 4); });
    case 816:
      MLSimpleMediaBuffer::ippiScale_8u16s_C1R(src, ss, reinterpret_cast<Ipp16s*>(dst), ds, column);
      return;
    case 832:
      MLSimpleMediaBuffer::ippiScale_8u32s_C1R(src, ss, reinterpret_cast<Ipp32s*>(dst), ds, column);
      return;
    case 1608:
      MLSimpleMediaBuffer::ippiScale_16s8u_C1R(reinterpret_cast<const Ipp16s*>(src), ss, dst, ds, column,
                                               ippAlgHintFast);
      return;
    case 3208:
      MLSimpleMediaBuffer::ippiScale_32s8u_C1R(reinterpret_cast<const Ipp32s*>(src), ss, dst, ds, column,
                                               ippAlgHintFast);
      return;
    case 824:
      return each([](const uint8_t* s, uint8_t* d) {
        WriteSample24(d, Clamp((int64_t(*s) - 127) * kMax24 / 127, kMin24, kMax24));
      });
    case 1624:
      return each([](const uint8_t* s, uint8_t* d) {
        WriteSample24(d, Clamp(int64_t(LoadAs<int16_t>(s)) * kMax24 / 32767, kMin24, kMax24));
      });
    case 1632:
      return each([](const uint8_t* s, uint8_t* d) {
        StoreAs<int32_t>(d, Clamp(int64_t(LoadAs<int16_t>(s)) * kMax32 / 32767, kMin32, kMax32));
      });
    case 2408:
      return each([](const uint8_t* s, uint8_t* d) {
        *d = uint8_t(Clamp(int64_t(ReadSample24(s)) * 127 / kMax24 + 127, 0, 255));
      });
    case 2416:
      return each([](const uint8_t* s, uint8_t* d) {
        StoreAs<int16_t>(d, int16_t(Clamp(int64_t(ReadSample24(s)) * 32767 / kMax24, -32768, 32767)));
      });
    case 2432:
      return each([](const uint8_t* s, uint8_t* d) {
        StoreAs<int32_t>(d, Clamp(int64_t(ReadSample24(s)) * kMax32 / kMax24, kMin32, kMax32));
      });
    case 3216:
      return each([](const uint8_t* s, uint8_t* d) {
        StoreAs<int16_t>(d, int16_t(Clamp(int64_t(LoadAs<int32_t>(s)) * 32767 / kMax32, -32768, 32767)));
      });
    case 3224:
      return each([](const uint8_t* s, uint8_t* d) {
        WriteSample24(d, Clamp(int64_t(LoadAs<int32_t>(s)) * kMax24 / kMax32, kMin24, kMax24));
      });
    default:
      return;
  }
}

// ---------------------------------------------------------------------------

TALAudioBuffer::TALAudioBuffer(const TSLData* AOther, const Ref<TSLSmartBuffer>& AContainer, uint32_t ASize)
    : TMLMediaBuffer(AOther, AContainer, ASize) {
  if (!IsSoundAudioHeader(DataContainer(), ASize)) throw EIntfCastError(kInterfaceNotSupported);
  UpdateDataPtr();
}

TALAudioBuffer::TALAudioBuffer(const TALAudioBuffer& Other) : TMLMediaBuffer(Other) { UpdateDataPtr(); }

Ref<TALAudioBuffer> TALAudioBuffer::Create(TSLSmartBufferManager& pool) {
  return MakeAudio(11025, 8, 1, 0, 1, pool);
}

Ref<TALAudioBuffer> TALAudioBuffer::CreateSize(uint32_t ARate, uint32_t ABitsPerSample, uint32_t AChannels,
                                               uint32_t ASize, TSLSmartBufferManager& pool) {
  return MakeAudio(ARate, ABitsPerSample, AChannels, ASize, DefaultMask(AChannels), pool);
}

Ref<TALAudioBuffer> TALAudioBuffer::CreateSizeEx(uint32_t ARate, uint32_t ABitsPerSample, uint32_t AChannels,
                                                 uint32_t ASize, TALSpeakers ASpeakerMask,
                                                 TSLSmartBufferManager& pool) {
  const TALSpeakers mask = ASpeakerMask ? CutMask(ASpeakerMask, AChannels) : DefaultMask(AChannels);
  return MakeAudio(ARate, ABitsPerSample, AChannels, ASize, mask, pool);
}

Ref<TALAudioBuffer> TALAudioBuffer::CreateData(const void* AData, uint32_t ARate, uint32_t ABitsPerSample,
                                               uint32_t AChannels, uint32_t ASize, TSLSmartBufferManager& pool) {
  Ref<TALAudioBuffer> b = CreateSize(ARate, ABitsPerSample, AChannels, ASize, pool);
  if (AData && b->GetByteSize()) std::memcpy(b->Write(), AData, b->GetByteSize());
  return b;
}

Ref<TALAudioBuffer> TALAudioBuffer::CreateDataEx(const void* AData, uint32_t ARate, uint32_t ABitsPerSample,
                                                 uint32_t AChannels, uint32_t ASize, TALSpeakers ASpeakerMask,
                                                 TSLSmartBufferManager& pool) {
  Ref<TALAudioBuffer> b = MakeAudio(ARate, ABitsPerSample, AChannels, ASize, ASpeakerMask, pool);
  if (AData && b->GetByteSize()) std::memcpy(b->Write(), AData, b->GetByteSize());
  return b;
}

Ref<TALAudioBuffer> TALAudioBuffer::CreateWaveFormat(const TALWaveFormatExtensible& AWaveFormat, uint32_t ASize,
                                                     TSLSmartBufferManager& pool) {
  return CreateSizeEx(AWaveFormat.nSamplesPerSec, AWaveFormat.wValidBitsPerSample, AWaveFormat.nChannels, ASize,
                      AWaveFormat.dwChannelMask, pool);
}

Ref<TALAudioBuffer> TALAudioBuffer::CreateEx(const TALAudioBuffer& Other) { return MakeRef<TALAudioBuffer>(Other); }

Ref<TALAudioBuffer> TALAudioBuffer::CreateUniversal(const TSLData& Other) {
  return CreateEx(BufferAs<const TALAudioBuffer>(Other));
}

Ref<TSLData> TALAudioBuffer::MakeCopy() const { return MakeRef<TALAudioBuffer>(*this); }

void TALAudioBuffer::Assign(const TSLData& OtherBuffer) {
  const auto* other = dynamic_cast<const TSLGenericBuffer*>(&OtherBuffer);
  // A container taken as audio must describe its samples.
  if (!other || !IsSoundAudioHeader(other->DataContainer(), other->TSLGenericBuffer::GetByteSize())) {
    AssignData(&OtherBuffer);
    throw EIntfCastError(kInterfaceNotSupported);
  }
  TSLGenericBuffer::Assign(OtherBuffer);
  UpdateDataPtr();
}

void TALAudioBuffer::UpdateDataPtr() {
  const TALWaveFormatExtensible& h = WaveFormat();
  FChannels = h.nChannels;
  FBitsPerSample = h.wValidBitsPerSample;
  FChannelMask = h.dwChannelMask;
  FSampleBitWidth = h.wBitsPerSample;
  FDataStep = h.nBlockAlign;
  FDataOffset = uint32_t(h.cbSize) + 18;
  FDataPtr = DataContainer().RawData() + FDataOffset;
}

uint32_t TALAudioBuffer::GetByteSize() const { return FCharSize > FDataOffset ? FCharSize - FDataOffset : 0; }

uint32_t TALAudioBuffer::GetSize() const { return FDataStep ? GetByteSize() / FDataStep : 0; }

void TALAudioBuffer::Resize(uint64_t Size, bool PreserveData) {
  if (Size == 0) return;
  const uint64_t bytes = Size * FDataStep + kWaveHeaderSize;
  if (bytes > kMaxBufferSize) throw EOutOfMemory();
  if (Size <= GetSize() || (DataContainer().SingleOwner() && bytes <= DataContainer().AllocatedSize())) {
    FCharSize = uint32_t(bytes);
    UpdateDataPtr();
    return;
  }
  TALWaveFormatExtensible header = WaveFormat();
  Ref<TSLSmartBuffer> fresh = TSLSmartBuffer::Create(bytes, TSLContainerKind::Audio, DataContainer().Pool());
  if (PreserveData) fresh->CopyFrom(DataContainer());
  std::memcpy(fresh->RawData(), &header, sizeof header);
  ReplaceContainer(fresh);
  FCharSize = uint32_t(bytes);
  UpdateDataPtr();
}

void TALAudioBuffer::CopyRange(uint32_t offset, TSLGenericBuffer& target, uint32_t targetOffset,
                               uint32_t count) const {
  auto* to = dynamic_cast<TALAudioBuffer*>(&target);
  if (!to) return TSLGenericBuffer::CopyRange(offset, target, targetOffset, count);
  if (uint64_t(offset) + count > GetSize()) throw ERangeError(FormatRange("Index", offset));
  if (uint64_t(targetOffset) + count > to->GetSize()) throw ERangeError(FormatRange("Index", targetOffset));
  if (count == 0) return;

  // Pair the channels by speaker; a channel index never passes its
  // buffer's channel count, whatever the mask says.
  struct Pair {
    uint32_t source, target;
  };
  std::vector<Pair> pairs;
  std::vector<uint32_t> fills;
  uint32_t si = 0, ti = 0;
  for (int p = 0; p < kSpeakerCount; ++p) {
    const bool inS = (FChannelMask >> p) & 1, inT = (to->FChannelMask >> p) & 1;
    const bool sOk = inS && si < FChannels, tOk = inT && ti < to->FChannels;
    if (sOk && tOk) {
      pairs.push_back({si, ti});
      if (pairs.size() >= FChannels && pairs.size() >= to->FChannels) break;
    } else if (tOk) {
      fills.push_back(ti);
    }
    si += inS;
    ti += inT;
  }

  uint8_t* dst = to->Modify();
  const uint8_t* src = Read();  // after Modify: the target may be this buffer
  const uint32_t tBytes = to->FSampleBitWidth / 8;
  for (uint32_t channel : fills) {
    uint8_t* d = to->SampleAt(dst, targetOffset, channel);
    for (uint32_t i = 0; i < count; ++i, d += to->FDataStep) {
      // Silence of the width: 127 for 8-bit, zero bytes otherwise.
      std::memset(d, tBytes == 1 ? 127 : 0, tBytes);
    }
  }
  for (const Pair& pair : pairs)
    ConvertSampleWidth(SampleAt(src, offset, pair.source), FSampleBitWidth, FDataStep, count, to->FDataStep,
                       to->FSampleBitWidth, to->SampleAt(dst, targetOffset, pair.target));
}

}  // namespace tavrel
