#pragma once
// The pins that carry audio buffers, and the start operation that tells
// every stage the stream's wave format.
//
//   TALOWAudioSourcePin out(this, FOutputLock, FInputLock, OutputEvent);
//   Ref<IOWNotifyOperation> start = MakeRef<TOWStartWaveOperation>(&format, /*APaused=*/false);
//   out.Notify(start.get());
//   out.SubmitBuffer(*audio);
//
// The audio source pin also remembers the last resume: a sink linked from
// its own side while the stream runs receives the start, then (after the
// connect event) the resume. A stop forgets both; a pause forgets nothing.
#include "signal/ALAudioBuffer.h"
#include "signal/SLStreamTypes.h"

namespace tavrel {

inline constexpr Guid IID_ALAudioBuffer{0x1D5BD085, 0x492E, 0x4979, {0x8F, 0x76, 0x9C, 0x97, 0xD5, 0xC3, 0xC5, 0xB6}};

// The plain 18-byte wave format.
#pragma pack(push, 1)
struct TWaveFormatEx {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(TWaveFormatEx) == 18);

// 2 channels, 16 bits, 11024 Hz, PCM, mask 3.
TALWaveFormatExtensible DefaultWaveFormat();

class TOWStartWaveOperation : public TOWStartSampleRateOperation {
 public:
  // Without a format (null) the default one.
  TOWStartWaveOperation(const TALWaveFormatExtensible* AWaveFormat, bool APaused);
  // From a plain format: SampleRate carries ABufferRate, the channel mask
  // names the first nChannels speakers.
  static Ref<TOWStartWaveOperation> CreateWave(float ABufferRate, const TWaveFormatEx* AWaveFormat, bool APaused);

  const TALWaveFormatExtensible WaveFormat;
  const bool Paused;

 private:
  TOWStartWaveOperation(double ARate, const TALWaveFormatExtensible& AFormat, bool APaused)
      : TOWStartSampleRateOperation(ARate), WaveFormat(AFormat), Paused(APaused) {}
};

class TALOWAudioSourcePin : public TSLOWSourcePin {
 public:
  TALOWAudioSourcePin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, Ref<IOWLock> AInputOwnerLock,
                      TSLOperationEvent AOperationEvent);

 protected:
  void Remember(IOWNotifyOperation* Operation) override;
  void ReplayAfterStart(TOWBasicPin* ASinkPin) override;

 private:
  Ref<IOWNotifyOperation> FResumeOperation;  // under FLPDataSection
};

class TALOWAudioSinkPin : public TSLOWSinkPin {
 public:
  TALOWAudioSinkPin(TComponent* AOwner, Ref<IOWLock> AOwnerLock, TSLOperationEvent AOperationEvent,
                    TOWPinDispatchEvent AOnPinDispatchEvent = {});
};

// The module's start-up: the type's name, its send function, its converters.
void ALStreamTypesStart();

}  // namespace tavrel
