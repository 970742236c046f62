#pragma once
// The user's preferences between runs, in an INI file beside the program:
//
//   [AudioDevices]
//   InDevice=...        the input device, its line and the output device,
//   InDeviceLine=...    written when the window closes
//   OutDevice=...
//   [Misc]
//   WaveFormFill=1      0: the input history draws lines; never written
//
//   TUserPrefs saved = LoadPrefs(iniFileName);   // at start-up
//   TUserPrefs prefs = saved;                     // follows the user's choices
//   ... fill the device lists ...
//   ApplyPrefs(saved, {lstInDevices, lstInDeviceLines, lstOutDevices}, history);
//   ...
//   SavePrefs(prefs, iniFileName);                // at close
//
// A missing file or key reads as its default; "WaveFormFill" is read as an
// integer, 0 meaning lines and any other number bars, and a value that is
// not a number counts as the default (bars). A file that is there but
// cannot be read also reads as defaults, and is never written over.
#include <string>

#include "app/uGraph.h"
#include "platform/ui/combobox.h"

namespace tavrel {

struct TUserPrefs {
  std::string InDevice;
  std::string InDeviceLine;
  std::string OutDevice;
  bool WaveFormFill = true;
  bool operator==(const TUserPrefs&) const = default;
};

TUserPrefs LoadPrefs(const std::string& FileName);

// Writes the three names into section "AudioDevices", creating the file,
// the section or the keys as needed; other entries, "WaveFormFill"
// included, stay as they are. Each entry is saved by replacing the file
// whole, so a failure leaves the last good file. False, with why in
// `error` when given, when the file could not be written.
bool SavePrefs(const TUserPrefs& Prefs, const std::string& FileName, std::string* error = nullptr);

// The window's lists that the saved names select in.
struct TPrefsLists {
  TCustomComboBox* InDevices = nullptr;
  TCustomComboBox* InDeviceLines = nullptr;
  TCustomComboBox* OutDevices = nullptr;
};

// Once the lists are filled: selects each saved name in its list (exact
// match; no selection when it is not there) and runs the list's OnChange,
// in the order input device, input line (the list that change refilled),
// output device; then shows the history as bars or lines.
void ApplyPrefs(const TUserPrefs& Saved, const TPrefsLists& Lists, TInputHistory& History);

}  // namespace tavrel
