#include "audio/ALAudioFormat.h"

#include <algorithm>
#include <cstring>

namespace tavrel {

const EnumInfo& TALSpeakerInfo() {
  static const EnumInfo info{"TALSpeaker",
                             {"spFrontLeft", "spFrontRight", "spFrontCenter", "spSubwoofer", "spBackLeft",
                              "spBackRight", "spFrontLeftOfCenter", "spFrontRightOfCenter", "spBackCenter",
                              "spSideLeft", "spSideRight", "spTopCenter", "spTopFrontLeft", "spTopFrontCenter",
                              "spTopFrontRight", "spTopBackLeft", "spTopBackCenter", "spTopBackRight"}};
  return info;
}

const ClassInfo& TALAudioFormatBasic::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALAudioFormatBasic>("TALAudioFormatBasic", TLPPersistentNotify::Class())
          .prop("Channels", &TALAudioFormatBasic::Channels, &TALAudioFormatBasic::SetChannels)
          .defaultValue(int64_t(2))
          .prop("Bits", &TALAudioFormatBasic::Bits, &TALAudioFormatBasic::SetBits)
          .defaultValue(int64_t(16))
          .prop("SampleRate", &TALAudioFormatBasic::SampleRate, &TALAudioFormatBasic::SetSampleRate)
          .defaultValue(int64_t(11025))
          .prop("ChannelMask", &TALAudioFormatBasic::ChannelMask, &TALAudioFormatBasic::SetChannelMask)
          .setOf(TALSpeakerInfo())
          .defaultValue(int64_t(3))
          .build();
  return ci;
}

const ClassInfo& TALAudioFormat::Class() {
  static const ClassInfo ci = ClassBuilder<TALAudioFormat>("TALAudioFormat", TALAudioFormatBasic::Class())
                                  .prop("BufferSize", &TALAudioFormat::BufferSize, &TALAudioFormat::SetBufferSize)
                                  .defaultValue(int64_t(1024))
                                  .build();
  return ci;
}

TALAudioFormatBasic::TALAudioFormatBasic(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock,
                                         TNotifyEvent AOnChange)
    : TLPPersistentNotify(AOwnerProperty, ALock, std::move(AOnChange)) {
  FWaveFormat.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  FWaveFormat.cbSize = 22;
  std::memcpy(FWaveFormat.SubFormat, kPCMSubFormat, sizeof kPCMSubFormat);
  SetChannels(2);
  SetBits(16);
  SetSampleRate(11025);
  SetChannelMask((1u << uint32_t(TALSpeaker::spFrontLeft)) | (1u << uint32_t(TALSpeaker::spFrontRight)));
}

uint32_t TALAudioFormatBasic::Channels() const { return FLock->Getter(FChannels); }
uint32_t TALAudioFormatBasic::Bits() const { return FLock->Getter(FBits); }
uint32_t TALAudioFormatBasic::SampleRate() const { return FLock->Getter(FSampleRate); }
TALSpeakers TALAudioFormatBasic::ChannelMask() const { return FLock->Getter(FChannelMask); }

void TALAudioFormatBasic::SetChannels(uint32_t AValue) {
  FLock->Setter(FChannels, uint16_t(std::clamp<uint32_t>(AValue, 1, 32)),
                TLPPropUpdateFunc([this] { UpdateWaveFormat(); }));
}

void TALAudioFormatBasic::SetBits(uint32_t AValue) {
  FLock->Setter(FBits, uint16_t(std::clamp<uint32_t>(AValue, 1, 32)),
                TLPPropUpdateFunc([this] { UpdateWaveFormat(); }));
}

void TALAudioFormatBasic::SetSampleRate(uint32_t AValue) {
  FLock->Setter(FSampleRate, AValue, TLPPropUpdateFunc([this] { UpdateWaveFormat(); }));
}

void TALAudioFormatBasic::SetChannelMask(TALSpeakers AValue) {
  FLock->Setter(FChannelMask, AValue, TLPPropUpdateFunc([this] { UpdateWaveFormat(); }));
}

const TALWaveFormatExtensible* TALAudioFormatBasic::GetWaveFormat() const {
  Ref<IOWLockSection> section = FLock->ReadLock();
  return &FWaveFormat;
}

void TALAudioFormatBasic::UpdateWaveFormat() {
  TALWaveFormatExtensible& f = FWaveFormat;
  f.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  f.nChannels = FChannels;
  f.wValidBitsPerSample = FBits;
  f.wBitsPerSample = uint16_t(FBits % 8 == 0 ? FBits : FBits / 8 * 8 + 8);
  f.nSamplesPerSec = FSampleRate;
  f.dwChannelMask = FChannelMask;
  f.nBlockAlign = uint16_t(f.wBitsPerSample / 8 * FChannels);
  f.nAvgBytesPerSec = uint32_t(f.nBlockAlign) * FSampleRate;
  f.cbSize = 22;
  std::memcpy(f.SubFormat, kPCMSubFormat, sizeof kPCMSubFormat);
}

TALAudioFormat::TALAudioFormat(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, TNotifyEvent AOnChange)
    : TALAudioFormatBasic(AOwnerProperty, ALock, std::move(AOnChange)) {}

uint32_t TALAudioFormat::BufferSize() const { return FLock->Getter(FBufferSize); }

void TALAudioFormat::SetBufferSize(uint32_t AValue) { FLock->SetterMin(FBufferSize, AValue, uint32_t(1)); }

}  // namespace tavrel
