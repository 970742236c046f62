#pragma once
// Device choice by name for the capture and playback components: a device
// name ("Default" at first, the system's default device) and an ordered
// list of alternative names tried when that device is not present, so a
// stored choice survives devices coming and going.
//
//   // in the component's constructor, sharing its lock:
//   FDevice = std::make_unique<TALAudioCaptureDevice>(this, FLock,
//       TALDeviceWarning([this](const std::string& text, MMRESULT code) { DoWarning(text, code); }));
//   FDevice->SetDeviceName("USB Mic");
//   FDevice->AlternativeDevices()->Add();   // named after the least-used device
//   uint32_t id = FDevice->GetDeviceID();   // WAVE_MAPPER when nothing matches
//
// "Default" in any case means WAVE_MAPPER; other names match exactly. A
// device whose capabilities cannot be read is reported through the warning
// ("Can't get device capabilities." with the driver's code) and skipped by
// the search; it ends a device list.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave/wave.h"
#include "framework/LPCollection.h"
#include "framework/LPPersistent.h"
#include "platform/classinfo.h"

namespace tavrel {

using TALDeviceWarning = std::function<void(const std::string& AText, MMRESULT ACode)>;

// The driver's device list for one direction.
struct TALWaveDevices {
  uint32_t (*GetNumDevs)();
  // The device's name (szPname); a non-zero result when it can't be read.
  MMRESULT (*GetName)(uint32_t ADeviceID, std::string& AName);
};
extern const TALWaveDevices ALWaveInDevices;
extern const TALWaveDevices ALWaveOutDevices;

inline constexpr const char* ALDeviceCapsWarning = "Can't get device capabilities.";

// szPname as UTF-8: up to the first zero unit, at most 32 units.
std::string DevicePnameToString(const char16_t (&APname)[32]);

class TALAudioDeviceBasic;

class TALAudioDeviceItem : public TLPCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TALAudioDeviceItem(TCollection* Collection) : TLPCollectionItem(Collection) {}

  std::string DeviceName() const { return FLock->Getter(FDeviceName); }
  void SetDeviceName(std::string AValue) { FLock->Setter(FDeviceName, std::move(AValue)); }
  std::string GetDisplayName() const override { return DeviceName(); }

 private:
  std::string FDeviceName;
};

class TALAudioDeviceItems : public TLPCollection {
  TAVREL_CLASS_INFO
 public:
  TALAudioDeviceItems(TALAudioDeviceBasic* AOwnerProperty, TCollectionItemClass AItemClass);

  TALAudioDeviceBasic* GetOwnerProperty() const { return FOwnerProperty; }
  TALAudioDeviceItem* Add() { return static_cast<TALAudioDeviceItem*>(TLPCollection::Add()); }
  TALAudioDeviceItem* Items(int AIndex) const {
    return static_cast<TALAudioDeviceItem*>(TLPCollection::Items(AIndex));
  }

 protected:
  void ItemAdded(TCollectionItem* Item) override;

 private:
  TALAudioDeviceBasic* FOwnerProperty;
};

// What the two families share; they differ in the driver and class names.
class TALAudioDeviceBasic : public TLPPersistent {
  TAVREL_CLASS_INFO
 public:
  std::string DeviceName() const { return FLock->Getter(FDeviceName); }
  void SetDeviceName(std::string AValue) { FLock->Setter(FDeviceName, std::move(AValue)); }
  TALAudioDeviceItems* AlternativeDevices() const { return FAlternativeDevices.get(); }
  void SetAlternativeDevices(TALAudioDeviceItems* AValue) { FAlternativeDevices->Assign(AValue); }

  // Names of devices 0, 1, ... up to the first one that can't be read.
  void GetDeviceList(std::vector<std::string>& AValues) const;
  // The device to open: WAVE_MAPPER for "Default" or when nothing matches.
  uint32_t GetDeviceID() const;
  // The same, and the name of the device chosen ("Default" for the mapper).
  uint32_t GetDeviceID(std::string& AName) const;
  // The name a new alternative gets: the first least-named device.
  std::string DefaultItemDeviceName() const;
  // Lets the user pick the device in the device list dialog ("None",
  // "Default" and the devices, the current name preselected); true and the
  // new name on OK, false and the name unchanged otherwise. Needs a running
  // application (EOWException without one).
  bool ShowDeviceSelctDialog();

 protected:
  TALAudioDeviceBasic(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, const TALWaveDevices& ADevices,
                      TALDeviceWarning AOnWarning,
                      std::unique_ptr<TALAudioDeviceItems> (*AMakeItems)(TALAudioDeviceBasic*));

 private:
  // -1 (WAVE_MAPPER) when no readable device has exactly this name.
  uint32_t FindDeviceID(const std::string& AName) const;
  int CountItemDeviceName(const std::string& AName) const;

  std::unique_ptr<TALAudioDeviceItems> FAlternativeDevices;
  std::string FDeviceName = "Default";
  const TALWaveDevices& FDevices;
  TALDeviceWarning FOnWarning;
};

class TALAudioCaptureDeviceItem : public TALAudioDeviceItem {
  TAVREL_CLASS_INFO
 public:
  using TALAudioDeviceItem::TALAudioDeviceItem;
};

class TALAudioCaptureDeviceItems : public TALAudioDeviceItems {
  TAVREL_CLASS_INFO
 public:
  explicit TALAudioCaptureDeviceItems(TALAudioDeviceBasic* AOwnerProperty);
};

class TALAudioCaptureDevice : public TALAudioDeviceBasic {
  TAVREL_CLASS_INFO
 public:
  TALAudioCaptureDevice(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, TALDeviceWarning AOnWarning);
};

class TALAudioOutDeviceItem : public TALAudioDeviceItem {
  TAVREL_CLASS_INFO
 public:
  using TALAudioDeviceItem::TALAudioDeviceItem;
};

class TALAudioOutDeviceItems : public TALAudioDeviceItems {
  TAVREL_CLASS_INFO
 public:
  explicit TALAudioOutDeviceItems(TALAudioDeviceBasic* AOwnerProperty);
};

class TALAudioOutDevice : public TALAudioDeviceBasic {
  TAVREL_CLASS_INFO
 public:
  TALAudioOutDevice(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock, TALDeviceWarning AOnWarning);
};

}  // namespace tavrel
