#include "app/uUserPrefs.h"

#include "platform/exceptions.h"
#include "platform/inifiles.h"

namespace tavrel {

namespace {

constexpr const char* kSectionDevices = "AudioDevices";
constexpr const char* kKeyInDevice = "InDevice";
constexpr const char* kKeyInDeviceLine = "InDeviceLine";
constexpr const char* kKeyOutDevice = "OutDevice";
constexpr const char* kSectionMisc = "Misc";
constexpr const char* kKeyWaveFormFill = "WaveFormFill";

int IndexOf(TCustomComboBox& list, const std::string& name) {
  TStrings& items = list.Items();
  for (int i = 0; i < items.Count(); ++i)
    if (items[i] == name) return i;
  return -1;
}

void SelectSaved(TCustomComboBox* list, const std::string& name) {
  if (!list) return;
  list->SetItemIndex(IndexOf(*list, name));
  if (list->OnChange) list->OnChange(list);
}

}  // namespace

TUserPrefs LoadPrefs(const std::string& FileName) {
  TIniFile ini(FileName);
  TUserPrefs p;
  p.InDevice = ini.ReadString(kSectionDevices, kKeyInDevice, "");
  p.InDeviceLine = ini.ReadString(kSectionDevices, kKeyInDeviceLine, "");
  p.OutDevice = ini.ReadString(kSectionDevices, kKeyOutDevice, "");
  p.WaveFormFill = ini.ReadInteger(kSectionMisc, kKeyWaveFormFill, 1) != 0;
  return p;
}

bool SavePrefs(const TUserPrefs& Prefs, const std::string& FileName, std::string* error) {
  try {
    TIniFile ini(FileName);
    ini.WriteString(kSectionDevices, kKeyInDevice, Prefs.InDevice);
    ini.WriteString(kSectionDevices, kKeyInDeviceLine, Prefs.InDeviceLine);
    ini.WriteString(kSectionDevices, kKeyOutDevice, Prefs.OutDevice);
    return true;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

void ApplyPrefs(const TUserPrefs& Saved, const TPrefsLists& Lists, TInputHistory& History) {
  SelectSaved(Lists.InDevices, Saved.InDevice);
  SelectSaved(Lists.InDeviceLines, Saved.InDeviceLine);
  SelectSaved(Lists.OutDevices, Saved.OutDevice);
  History.SetWaveFormFill(Saved.WaveFormFill);
}

}  // namespace tavrel
