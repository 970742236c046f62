#include "app/uMultimedia.h"

#include <exception>
#include <stdexcept>
#include <vector>

#include "app/frmMain.h"
#include "app/uExceptions.h"

namespace tavrel {

namespace {

constexpr uint32_t kDeviceSettleMs = 50;
constexpr uint32_t kAudioSettleMs = 100;
constexpr int kSampleRateItem = 4;  // "44100"

// Runs one call into a component or the recorder; its error is dropped.
template <class F>
void Guarded(TfmMain& fm, F&& call) {
  try {
    call();
  } catch (const std::exception& e) {
    fm.LastAudioError = e.what();
    ReportException(e);
  } catch (...) {
    const std::runtime_error unknown("unknown error");
    fm.LastAudioError = unknown.what();
    ReportException(unknown);
  }
}

// Item i of a list; the list's range error when there is none.
std::string Item(TCustomComboBox& list, int i) { return list.Items()[i]; }

int IndexOf(TCustomComboBox& list, const std::string& name) {
  const TStrings& items = list.Items();
  for (int i = 0; i < items.Count(); ++i)
    if (items[i] == name) return i;
  return -1;
}

}  // namespace

void InitAudioDevices(TfmMain& fm) {
  Guarded(fm, [&] { fm.rec = fm.MakeRecorder(); });
  FillInDevices(fm);
  FillOutDevices(fm);
  fm.lstSampleRate->SetItemIndex(kSampleRateItem);  // no OnChange from code
}

void StartAudio(TfmMain& fm) {
  SetAudioOutEnabled(fm, true);
  SetAudioInEnabled(fm, true);
  if (fm.History) Guarded(fm, [&] { fm.History->EnableCharts(true); });
}

void StopAudio(TfmMain& fm) {
  if (fm.History) Guarded(fm, [&] { fm.History->EnableCharts(false); });
  SetAudioInEnabled(fm, false);
  SetAudioOutEnabled(fm, false);
}

bool IsAudioRunning(TfmMain& fm) { return fm.ALAudioIn1->Enabled(); }

void SetAudioInEnabled(TfmMain& fm, bool b) {
  Guarded(fm, [&] { fm.ALAudioIn1->SetEnabled(b); });
  Delay(fm.Clock(), kAudioSettleMs);
}

void SetAudioOutEnabled(TfmMain& fm, bool b) {
  Guarded(fm, [&] { fm.ALAudioOut1->SetEnabled(b); });
  Delay(fm.Clock(), kAudioSettleMs);
}

void SetSampleRate(TfmMain& fm, int rate) {
  const bool running = IsAudioRunning(fm);
  if (running) StopAudio(fm);
  Guarded(fm, [&] { fm.ALAudioIn1->AudioFormat()->SetSampleRate(static_cast<uint32_t>(rate)); });
  Delay(fm.Clock(), kAudioSettleMs);
  if (fm.History) Guarded(fm, [&] { fm.History->SetHistorySampleRate(rate); });
  if (running) StartAudio(fm);
}

void SetBufferSize(TfmMain& fm, int frames) {
  if (fm.Initializing) return;
  fm.Flags.Busy = true;
  const bool running = IsAudioRunning(fm);
  if (running) StopAudio(fm);
  Guarded(fm, [&] { fm.ALAudioIn1->AudioFormat()->SetBufferSize(static_cast<uint32_t>(frames)); });
  Delay(fm.Clock(), kDeviceSettleMs);
  if (running) StartAudio(fm);
  fm.Flags.Busy = false;
}

void FillInDevices(TfmMain& fm) {
  if (!fm.rec) return;
  Guarded(fm, [&] {
    const int count = fm.rec->GetDeviceCount();
    for (int i = 0; i < count; ++i) fm.lstInDevices->Items().Add(fm.rec->GetDeviceName(i));
  });
  fm.lstInDevices->SetItemIndex(0);
  SelectInDevice(fm, 0);
}

void FillInLines(TfmMain& fm, int index) {
  fm.lstInDeviceLines->Items().Clear();
  if (!fm.rec || index == -1) return;
  Guarded(fm, [&] {
    const int count = fm.rec->GetDeviceLineCount();
    for (int i = 0; i < count; ++i) fm.lstInDeviceLines->Items().Add(fm.rec->GetDeviceLineName(i));
  });
  fm.lstInDeviceLines->SetItemIndex(0);
  SelectInLine(fm, 0);
}

void FillOutDevices(TfmMain& fm) {
  fm.lstOutDevices->Items().Clear();
  Guarded(fm, [&] {
    std::vector<std::string> names;
    fm.ALAudioOut1->Device()->GetDeviceList(names);
    for (const std::string& n : names) fm.lstOutDevices->Items().Add(n);
  });
  fm.lstOutDevices->SetItemIndex(0);
  SelectOutDevice(fm, 0);
}

void SelectInDevice(TfmMain& fm, int i) {
  Guarded(fm, [&] {
    fm.rec->SetDeviceIndex(i);
    fm.UserPrefs.InDevice = Item(*fm.lstInDevices, i);
    FillInLines(fm, i);
    fm.ALAudioIn1->Device()->SetDeviceName(Item(*fm.lstInDevices, i));
  });
  Delay(fm.Clock(), kDeviceSettleMs);
}

void SelectInLine(TfmMain& fm, int i) {
  Guarded(fm, [&] {
    fm.rec->SetDeviceLineIndex(i);
    // A saved line must survive the filling of the lists.
    if (!fm.Initializing) fm.UserPrefs.InDeviceLine = Item(*fm.lstInDeviceLines, i);
  });
  Delay(fm.Clock(), kDeviceSettleMs);
}

void SelectOutDevice(TfmMain& fm, int i) {
  Guarded(fm, [&] {
    fm.UserPrefs.OutDevice = Item(*fm.lstOutDevices, i);
    fm.ALAudioOut1->Device()->SetDeviceName(Item(*fm.lstOutDevices, i));
  });
  Delay(fm.Clock(), kDeviceSettleMs);
}

int IndexOfInDevice(TfmMain& fm, const std::string& name) { return IndexOf(*fm.lstInDevices, name); }
int IndexOfInDeviceLine(TfmMain& fm, const std::string& name) { return IndexOf(*fm.lstInDeviceLines, name); }
int IndexOfOutDevice(TfmMain& fm, const std::string& name) { return IndexOf(*fm.lstOutDevices, name); }

}  // namespace tavrel
