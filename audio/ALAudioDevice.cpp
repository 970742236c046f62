#include "audio/ALAudioDevice.h"

#include "audio/LPDeviceListFormUnit.h"
#include "platform/ui/toplevel.h"
#include "platform/utf8.h"

namespace tavrel {

namespace {

template <class Caps, MMRESULT (*GetCaps)(std::uintptr_t, Caps*, std::uint32_t)>
MMRESULT GetPname(uint32_t ADeviceID, std::string& AName) {
  Caps caps{};
  MMRESULT result = GetCaps(ADeviceID, &caps, sizeof caps);
  if (result == MMSYSERR_NOERROR) AName = DevicePnameToString(caps.szPname);
  return result;
}

bool IsDefaultName(const std::string& AName) {
  static constexpr char kDefault[] = "DEFAULT";
  if (AName.size() != sizeof kDefault - 1) return false;
  for (size_t i = 0; i < AName.size(); ++i) {
    char c = AName[i];
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c != kDefault[i]) return false;
  }
  return true;
}

}  // namespace

const TALWaveDevices ALWaveInDevices{&waveInGetNumDevs, &GetPname<WAVEINCAPSW, &waveInGetDevCapsW>};
const TALWaveDevices ALWaveOutDevices{&waveOutGetNumDevs, &GetPname<WAVEOUTCAPSW, &waveOutGetDevCapsW>};

std::string DevicePnameToString(const char16_t (&APname)[32]) {
  std::string out;
  for (size_t i = 0; i < 32 && APname[i] != 0; ++i) {
    char32_t c = APname[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < 32 && APname[i + 1] >= 0xDC00 && APname[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (APname[i + 1] - 0xDC00);
      ++i;
    }
    AppendUTF8(out, c);  // a lone surrogate becomes U+FFFD
  }
  return out;
}

const ClassInfo& TALAudioDeviceItem::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALAudioDeviceItem>("TALAudioDeviceItem", TLPCollectionItem::Class())
          .prop("DeviceName", &TALAudioDeviceItem::DeviceName, &TALAudioDeviceItem::SetDeviceName)
          .stored(false)
          .build();
  return ci;
}

const ClassInfo& TALAudioDeviceItems::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALAudioDeviceItems>("TALAudioDeviceItems", TLPCollection::Class()).build();
  return ci;
}

const ClassInfo& TALAudioDeviceBasic::Class() {
  static const ClassInfo ci =
      ClassBuilder<TALAudioDeviceBasic>("TALAudioDeviceBasic", TLPPersistent::Class())
          .prop("AlternativeDevices", &TALAudioDeviceBasic::AlternativeDevices,
                &TALAudioDeviceBasic::SetAlternativeDevices)
          .prop("DeviceName", &TALAudioDeviceBasic::DeviceName, &TALAudioDeviceBasic::SetDeviceName)
          .stored(true)
          .build();
  return ci;
}

#define TAVREL_DEVICE_CLASS(Name, Parent)                                      \
  const ClassInfo& Name::Class() {                                             \
    static const ClassInfo ci = ClassBuilder<Name>(#Name, Parent::Class()).build(); \
    return ci;                                                                 \
  }
TAVREL_DEVICE_CLASS(TALAudioCaptureDeviceItem, TALAudioDeviceItem)
TAVREL_DEVICE_CLASS(TALAudioCaptureDeviceItems, TALAudioDeviceItems)
TAVREL_DEVICE_CLASS(TALAudioCaptureDevice, TALAudioDeviceBasic)
TAVREL_DEVICE_CLASS(TALAudioOutDeviceItem, TALAudioDeviceItem)
TAVREL_DEVICE_CLASS(TALAudioOutDeviceItems, TALAudioDeviceItems)
TAVREL_DEVICE_CLASS(TALAudioOutDevice, TALAudioDeviceBasic)
#undef TAVREL_DEVICE_CLASS

TALAudioDeviceItems::TALAudioDeviceItems(TALAudioDeviceBasic* AOwnerProperty, TCollectionItemClass AItemClass)
    : TLPCollection(AOwnerProperty, std::move(AItemClass)), FOwnerProperty(AOwnerProperty) {}

void TALAudioDeviceItems::ItemAdded(TCollectionItem* Item) {
  static_cast<TALAudioDeviceItem*>(Item)->SetDeviceName(FOwnerProperty->DefaultItemDeviceName());
}

TALAudioDeviceBasic::TALAudioDeviceBasic(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock,
                                         const TALWaveDevices& ADevices, TALDeviceWarning AOnWarning,
                                         std::unique_ptr<TALAudioDeviceItems> (*AMakeItems)(TALAudioDeviceBasic*))
    : TLPPersistent(AOwnerProperty, ALock), FDevices(ADevices), FOnWarning(std::move(AOnWarning)) {
  FAlternativeDevices = AMakeItems(this);
}

void TALAudioDeviceBasic::GetDeviceList(std::vector<std::string>& AValues) const {
  uint32_t count = FDevices.GetNumDevs();
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    MMRESULT result = FDevices.GetName(i, name);
    if (result != MMSYSERR_NOERROR) {
      if (FOnWarning) FOnWarning(ALDeviceCapsWarning, result);
      return;
    }
    AValues.push_back(std::move(name));
  }
}

uint32_t TALAudioDeviceBasic::FindDeviceID(const std::string& AName) const {
  uint32_t count = FDevices.GetNumDevs();
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    MMRESULT result = FDevices.GetName(i, name);
    if (result != MMSYSERR_NOERROR) {
      // Opening a device nobody named would be worse than skipping it.
      if (FOnWarning) FOnWarning(ALDeviceCapsWarning, result);
      continue;
    }
    if (name == AName) return i;
  }
  return WAVE_MAPPER;
}

uint32_t TALAudioDeviceBasic::GetDeviceID() const {
  std::string name;
  return GetDeviceID(name);
}

uint32_t TALAudioDeviceBasic::GetDeviceID(std::string& AName) const {
  AName = "Default";
  std::string name = DeviceName();
  if (IsDefaultName(name)) return WAVE_MAPPER;
  uint32_t id = FindDeviceID(name);
  if (id != WAVE_MAPPER) {
    AName = name;
    return id;
  }
  for (int i = 0; i < FAlternativeDevices->Count(); ++i) {
    std::string alternative = FAlternativeDevices->Items(i)->DeviceName();
    if (IsDefaultName(alternative)) return WAVE_MAPPER;
    id = FindDeviceID(alternative);
    if (id != WAVE_MAPPER) {
      AName = alternative;
      return id;
    }
  }
  return WAVE_MAPPER;
}

int TALAudioDeviceBasic::CountItemDeviceName(const std::string& AName) const {
  int count = 0;
  for (int i = 0; i < FAlternativeDevices->Count(); ++i)
    if (FAlternativeDevices->Items(i)->DeviceName() == AName) ++count;
  return count;
}

std::string TALAudioDeviceBasic::DefaultItemDeviceName() const {
  std::vector<std::string> names;
  GetDeviceList(names);
  std::string result;
  int minimum = 22000;
  for (const std::string& name : names) {
    if (name.empty()) continue;
    int count = CountItemDeviceName(name);
    if (count < minimum) {
      minimum = count;
      result = name;
    }
  }
  return result.empty() ? std::string("Default") : result;
}

TALAudioCaptureDeviceItems::TALAudioCaptureDeviceItems(TALAudioDeviceBasic* AOwnerProperty)
    : TALAudioDeviceItems(AOwnerProperty, ItemClassOf<TALAudioCaptureDeviceItem>()) {}

TALAudioOutDeviceItems::TALAudioOutDeviceItems(TALAudioDeviceBasic* AOwnerProperty)
    : TALAudioDeviceItems(AOwnerProperty, ItemClassOf<TALAudioOutDeviceItem>()) {}

TALAudioCaptureDevice::TALAudioCaptureDevice(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock,
                                             TALDeviceWarning AOnWarning)
    : TALAudioDeviceBasic(AOwnerProperty, ALock, ALWaveInDevices, std::move(AOnWarning),
                          [](TALAudioDeviceBasic* self) -> std::unique_ptr<TALAudioDeviceItems> {
                            return std::make_unique<TALAudioCaptureDeviceItems>(self);
                          }) {}

TALAudioOutDevice::TALAudioOutDevice(TPersistent* AOwnerProperty, const Ref<ILPLock>& ALock,
                                     TALDeviceWarning AOnWarning)
    : TALAudioDeviceBasic(AOwnerProperty, ALock, ALWaveOutDevices, std::move(AOnWarning),
                          [](TALAudioDeviceBasic* self) -> std::unique_ptr<TALAudioDeviceItems> {
                            return std::make_unique<TALAudioOutDeviceItems>(self);
                          }) {}

bool TALAudioDeviceBasic::ShowDeviceSelctDialog() {
  // Whatever the dialog does to the application's window handle is undone
  // when this goes, after the dialog.
  Ref<TLPSetApplicationHandle> keep = MakeRef<TLPSetApplicationHandle>();
  // Owned by the application so that it is painted and takes input; with no
  // owner form it is centred on the main form, or on the screen.
  TApplication* app = Application();
  if (!app) throw EOWException("The device dialog needs a running application");
  ComponentPtr<TLPDeviceListForm> dialog(TComponent::Create<TLPDeviceListForm>(app));
  std::vector<std::string> names;
  GetDeviceList(names);
  for (const std::string& name : names) dialog->ListBox->Items().Add(name);
  if (!dialog->Execute(DeviceName())) return false;
  SetDeviceName(dialog->GetSelection());
  return true;
}

}  // namespace tavrel
