#pragma once
// The format a capture component records in: channels, valid bits, sample
// rate, speaker mask and frames per capture buffer, kept as a complete
// extensible wave format record ready for the driver and the start operation.
//
//   // in the capture component's constructor, sharing its lock:
//   FAudioFormat = std::make_unique<TALAudioFormat>(this, FLock);
//   FAudioFormat->SetBits(20);                         // 24-bit container
//   TALWaveFormatExtensible fmt = *FAudioFormat->GetWaveFormat();   // copy at once
//
// Channels and Bits are clamped to 1..32, BufferSize to at least 1; the
// sample rate and the mask are taken as they come. Every change recomputes
// the container size (valid bits rounded up to a byte), the block align and
// the bytes per second under the owner's write lock, so a reader under the
// lock never sees a half-updated record. Changes take effect at the next
// start; an open device is never touched.
#include <cstdint>

#include "framework/LPPersistent.h"
#include "platform/classinfo.h"
#include "signal/ALAudioBuffer.h"

namespace tavrel {

// The speaker names of the published channel mask.
const EnumInfo& TALSpeakerInfo();

class TALAudioFormatBasic : public TLPPersistentNotify {
  TAVREL_CLASS_INFO
 public:
  TALAudioFormatBasic(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, TNotifyEvent AOnChange = {});

  uint32_t Channels() const;
  void SetChannels(uint32_t AValue);
  uint32_t Bits() const;
  void SetBits(uint32_t AValue);
  uint32_t SampleRate() const;
  void SetSampleRate(uint32_t AValue);
  TALSpeakers ChannelMask() const;
  void SetChannelMask(TALSpeakers AValue);

  // The record inside this object: copy it under the owner's lock.
  const TALWaveFormatExtensible* GetWaveFormat() const;

 private:
  void UpdateWaveFormat();

  // The setters need plain fields; the packed record follows them.
  uint16_t FChannels = 0;
  uint16_t FBits = 0;
  uint32_t FSampleRate = 0;
  uint32_t FChannelMask = 0;
  TALWaveFormatExtensible FWaveFormat{};
};

class TALAudioFormat : public TALAudioFormatBasic {
  TAVREL_CLASS_INFO
 public:
  TALAudioFormat(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, TNotifyEvent AOnChange = {});

  // Frames in each capture buffer.
  uint32_t BufferSize() const;
  void SetBufferSize(uint32_t AValue);

 private:
  uint32_t FBufferSize = 1024;
};

}  // namespace tavrel
