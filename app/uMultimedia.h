#pragma once
// Audio control of the main window: filling and choosing the devices and
// line, starting and stopping the audio graph, and changing the sample
// rate and buffer size, each change followed by a settling pause in which
// the window's messages run (Delay).
//
//   InitAudioDevices(fm);   // lists filled, first entries chosen, "44100" shown
//   StartAudio(fm);         // playback, 100 ms, capture, 100 ms, charts on
//   SetSampleRate(fm, 22050);   // stop, rate, 100 ms, history length, start
//   StopAudio(fm);          // charts off, capture, 100 ms, playback, 100 ms
//
// Every call into a component or the recorder is guarded: its error goes
// to ReportException (which shows nothing), its text is kept in
// fm.LastAudioError, and the routine goes on. GUI thread only.
#include <string>

namespace tavrel {

class TfmMain;

void InitAudioDevices(TfmMain& fm);
void StartAudio(TfmMain& fm);
void StopAudio(TfmMain& fm);
bool IsAudioRunning(TfmMain& fm);
void SetAudioInEnabled(TfmMain& fm, bool b);
void SetAudioOutEnabled(TfmMain& fm, bool b);
void SetSampleRate(TfmMain& fm, int rate);
// Nothing while the window is being created.
void SetBufferSize(TfmMain& fm, int frames);

void FillInDevices(TfmMain& fm);
void FillInLines(TfmMain& fm, int index);
void FillOutDevices(TfmMain& fm);
void SelectInDevice(TfmMain& fm, int i);
void SelectInLine(TfmMain& fm, int i);
void SelectOutDevice(TfmMain& fm, int i);

// Position of a name in its list (exact match), -1 when absent.
int IndexOfInDevice(TfmMain& fm, const std::string& name);
int IndexOfInDeviceLine(TfmMain& fm, const std::string& name);
int IndexOfOutDevice(TfmMain& fm, const std::string& name);

}  // namespace tavrel
