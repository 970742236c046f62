#pragma once
// The audio buffer: interleaved PCM frames behind a 40-byte wave-format
// header, both in one pooled, shared container, so the format travels and
// is copied with the samples.
//
//   auto b = TALAudioBuffer::CreateSize(44100, 16, 2, 512);  // 512 stereo frames
//   int16_t* s = reinterpret_cast<int16_t*>(b->Write());     // private, not kept
//   Ref<TALAudioBuffer> view = TALAudioBuffer::CreateEx(*b);  // shares, no copy
//   b->AddValue(100);                                         // b gets its own copy
//   int32_t x = view->GetSample(0, 1);                        // frame 0, channel 1
//
// Layout: header at 0, frame i at 40 + i * nBlockAlign, channel c of a
// frame at c * (wBitsPerSample / 8), channels in ascending speaker order.
// Encodings: 8-bit unsigned with 127 as the zero line; 16- and 32-bit
// signed; 24-bit packed signed (ReadSample24 / WriteSample24); all
// little-endian.
//
// Arithmetic and width conversion saturate at the target range: a wrapped
// sample is a loud click. Integer division tests every divisor before any
// sample changes and raises EDivByZero with the buffer unchanged; INT_MIN /
// -1 saturates. Arguments are checked before a shared buffer is separated,
// so a refused operation leaves it as it was. The 8- and 16-bit constant
// divisions by 0 change nothing (the library's refusal).
//
// Sample bytes exclude the header: GetByteSize, ByteRead/ByteWrite (so the
// inherited IsEqual, SaveToFile and LoadFromFile see samples only). GetSize
// counts frames.
#include <cstdint>

#include "platform/wave/wave.h"  // the format tags
#include "signal/MLSimpleMediaBuffer.h"

namespace tavrel {

class TSLIntegerBuffer;
class TSLRealBuffer;

#pragma pack(push, 1)
struct TALWaveFormatExtensible {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;   // container bits
  uint16_t cbSize;           // 22
  uint16_t wValidBitsPerSample;
  uint32_t dwChannelMask;
  uint8_t SubFormat[16];
};
#pragma pack(pop)
static_assert(sizeof(TALWaveFormatExtensible) == kWaveHeaderSize);

// KSDATAFORMAT_SUBTYPE_PCM as stored.
inline constexpr uint8_t kPCMSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                              0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Packed 24-bit samples. Writing keeps the low 24 bits and sets the sign
// bit of a negative value.
inline int32_t ReadSample24(const uint8_t* p) {
  const uint32_t v = p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
  return (v & 0x800000u) ? int32_t(v | 0xFF000000u) : int32_t(v);
}
inline void WriteSample24(uint8_t* p, int32_t value) {
  const uint32_t v = uint32_t(value);
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16) | (value < 0 ? 0x80 : 0);
}

// Converts count samples of one channel between container widths (8, 16,
// 24, 32), stepping by the two frame sizes; saturates at the target range.
// Equal widths copy; other pairs change nothing.
void ConvertSampleWidth(const uint8_t* src, uint32_t srcBits, uint32_t srcStep, uint32_t count,
                        uint32_t dstStep, uint32_t dstBits, uint8_t* dst);

class TALAudioBuffer : public TMLMediaBuffer {
 public:
  static Ref<TALAudioBuffer> Create(TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TALAudioBuffer> CreateSize(uint32_t ARate, uint32_t ABitsPerSample, uint32_t AChannels,
                                        uint32_t ASize, TSLSmartBufferManager& pool = GlobalBufferManager());
  // A non-zero mask keeps one set bit per channel, lowest first.
  static Ref<TALAudioBuffer> CreateSizeEx(uint32_t ARate, uint32_t ABitsPerSample, uint32_t AChannels,
                                          uint32_t ASize, TALSpeakers ASpeakerMask,
                                          TSLSmartBufferManager& pool = GlobalBufferManager());
  // Samples copied from AData (GetByteSize bytes).
  static Ref<TALAudioBuffer> CreateData(const void* AData, uint32_t ARate, uint32_t ABitsPerSample,
                                        uint32_t AChannels, uint32_t ASize,
                                        TSLSmartBufferManager& pool = GlobalBufferManager());
  // As CreateData with the mask stored as given.
  static Ref<TALAudioBuffer> CreateDataEx(const void* AData, uint32_t ARate, uint32_t ABitsPerSample,
                                          uint32_t AChannels, uint32_t ASize, TALSpeakers ASpeakerMask,
                                          TSLSmartBufferManager& pool = GlobalBufferManager());
  static Ref<TALAudioBuffer> CreateWaveFormat(const TALWaveFormatExtensible& AWaveFormat, uint32_t ASize,
                                              TSLSmartBufferManager& pool = GlobalBufferManager());
  // Share Other's data; CreateUniversal raises EIntfCastError unless the
  // object is an audio buffer.
  static Ref<TALAudioBuffer> CreateEx(const TALAudioBuffer& Other);
  static Ref<TALAudioBuffer> CreateCopy(const TALAudioBuffer& Other) { return CreateEx(Other); }
  static Ref<TALAudioBuffer> CreateUniversal(const TSLData& Other);

  TALAudioBuffer(const TSLData* AOther, const Ref<TSLSmartBuffer>& AContainer, uint32_t ASize);
  explicit TALAudioBuffer(const TALAudioBuffer& Other);

  Ref<TSLData> MakeCopy() const override;
  // Takes another audio buffer's data; EIntfCastError for anything whose
  // container does not hold a sound audio header.
  void Assign(const TSLData& OtherBuffer) override;
  // To another audio buffer: by speaker position, offsets and count in
  // frames. Otherwise a byte copy of the sample bytes.
  void CopyRange(uint32_t offset, TSLGenericBuffer& target, uint32_t targetOffset,
                 uint32_t count) const override;
  uint32_t GetByteSize() const override;
  uint32_t GetSize() const override;  // frames
  uint32_t GetDataByteSize() const { return GetByteSize(); }
  // Frames. 0 does nothing; fewer frames, or more within the capacity for a
  // single owner, keep the container; otherwise a new container with the
  // same header and no time stamp.
  void Resize(uint64_t Size, bool PreserveData);

  uint32_t GetChannels() const { return FChannels; }
  uint32_t GetBitsPerSample() const { return FBitsPerSample; }
  uint32_t GetSampleRate() const { return WaveFormat().nSamplesPerSec; }
  uint32_t GetDataStep() const { return FDataStep; }
  TALSpeakers GetChannelMask() const { return FChannelMask; }
  uint32_t GetSampleBitWidth() const { return FSampleBitWidth; }
  void GetWaveFormat(TALWaveFormatExtensible& AWaveFormat) const { AWaveFormat = WaveFormat(); }
  uint32_t GetDataOffset() const { return FDataOffset; }

  const uint8_t* Read() const { return ByteRead(); }
  uint8_t* Write() { return ByteWrite(); }
  uint8_t* Modify() { return ByteModify(); }

  // One sample. The channel is tested first ("Channel out of range = %u"),
  // then the frame ("Index out of range = %u"); SetSample has already made
  // the buffer private when it raises. 8-bit samples are the stored byte.
  int32_t GetSample(uint32_t index, uint32_t channel) const;
  void SetSample(uint32_t index, uint32_t channel, int32_t value);
  bool IsEqualToValue(int32_t value) const;
  bool IsChannelEqualToValue(uint32_t channel, int32_t value) const;

  // this = this op other, over the shorter buffer; a mono other applies to
  // every channel, otherwise channels pair by speaker. The widths must
  // match (EIntfCastError).
  void Add(const TALAudioBuffer& other);
  void Subtract(const TALAudioBuffer& other);
  void Multiply(const TALAudioBuffer& other);
  void Divide(const TALAudioBuffer& other);

  void SetValue(int32_t value);  // 8-bit: value + 127
  void AddValue(int32_t value);
  void SubtractValue(int32_t value);
  void MultiplyValue(int32_t value);
  void DivideValue(int32_t value);
  void SetChannelValue(uint32_t channel, int32_t value);  // 8-bit: the byte as given
  void AddChannelValue(uint32_t channel, int32_t value);
  void SubtractChannelValue(uint32_t channel, int32_t value);
  void MultiplyChannelValue(uint32_t channel, int32_t value);
  void DivideChannelValue(uint32_t channel, int32_t value);
  void Zero();                          // silence: 127 for 8-bit
  void MultiplyByReal(double factor);   // rounded, ties to even

  // One channel as a new buffer of frames elements (8-bit: byte - 127);
  // nil for a width other than 8/16/24/32, empty for no channels.
  Ref<TSLIntegerBuffer> GetChannelInt(uint32_t channel) const;
  Ref<TSLRealBuffer> GetChannelReal(uint32_t channel) const;

  enum class Op { Add, Subtract, Multiply, Divide };

 protected:
  void UpdateDataPtr() override;

 private:
  const TALWaveFormatExtensible& WaveFormat() const {
    return *reinterpret_cast<const TALWaveFormatExtensible*>(DataContainer().RawData());
  }
  // 8, 16, 24 or 32 as the sample operations read samples, else 0.
  uint32_t SampleWidth() const;
  void CheckChannel(uint32_t channel) const;
  void CheckSample(uint32_t index, uint32_t channel) const;
  template <class Byte>
  Byte* SampleAt(Byte* data, uint32_t index, uint32_t channel) const {
    return data + uint64_t(index) * FDataStep + uint64_t(channel) * (FSampleBitWidth / 8);
  }
  void Combine(const TALAudioBuffer& other, Op op);
  void ApplyValue(Op op, int32_t value);
  void ApplyChannelValue(uint32_t channel, Op op, int32_t value);
  // Runs fn(src, dst) on the sample bytes: in place for a single owner,
  // else from the shared data into a fresh private container (no copy first).
  template <class F>
  void ComputeInto(F fn);

  uint32_t FChannels = 0;
  uint32_t FBitsPerSample = 0;
  TALSpeakers FChannelMask = 0;
  uint32_t FSampleBitWidth = 0;
  uint32_t FDataStep = 0;
  uint32_t FDataOffset = kWaveHeaderSize;
};

// True when the container's first bytes hold a header the audio buffer can
// work with: cbSize 22, a whole-byte container width, nBlockAlign =
// channels * bytes per sample, and at least the header's bytes.
bool IsSoundAudioHeader(const TSLSmartBuffer& container, uint32_t charSize);

}  // namespace tavrel
