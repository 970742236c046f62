#pragma once
// The program's one window: two tool panels holding the device, line,
// output, buffer-size and sample-rate choices, the filter boxes and
// "Activer", and the input and output history charts; and the audio graph
// it owns (capture, analysis tap, four FIR filters, playback), all read
// from its stored form data.
//
//   TApplication app(nullptr, backend);
//   app.CreateForm<TfmMain>();      // FormCreate: lists filled, audio started
//   app.Run();                      // closing saves the devices and stops the audio
//
// Tests hand in their own recorder, pause clock and error stream:
//
//   TfmMainServices s{[] { return std::make_unique<FakeRecord>(); }, clock, &errors, "/tmp/x/tavrel"};
//   auto* fm = TComponent::Create<TfmMain>(app, s);
//
// Threads: every handler runs on the GUI thread. The capture thread runs
// the analysis handler of the tap and reads only the atomic flags below
// (Closing first), never a control.
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <memory>
#include <string>

#include "app/uAudioRecord.h"
#include "app/uGraph.h"
#include "app/uMisc.h"
#include "app/uUserPrefs.h"
#include "audio/ALAudioIn.h"
#include "audio/ALAudioOut.h"
#include "audio/ALCommonFIRFilter.h"
#include "audio/ALGenericFilter.h"
#include "controls/AdvCombo.h"
#include "controls/AdvSpin.h"
#include "controls/ToolPanels.h"
#include "controls/htmlbtns.h"
#include "controls/VrLabel.h"
#include "platform/chart/chart.h"
#include "platform/ui/forms.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {

// What the window takes from outside; empty members take the program's own.
struct TfmMainServices {
  TAudioRecordFactory MakeRecorder;          // the outside recorder
  std::shared_ptr<TDelayClock> Clock;        // the settling pauses
  std::ostream* Errors = nullptr;            // a failed start is told here
  std::string ProgramPath;                   // the program file (preferences beside it)
};

// "LF ", "BP ", "BS " and "HP" for the filters that are on, in that order;
// "<aucun>" for none.
std::string FilterLabel(bool lowPass, bool bandPass, bool bandStop, bool highPass);

class TfmMain : public TForm {
  TAVREL_CLASS_INFO
 public:
  explicit TfmMain(TComponent* owner);
  TfmMain(TComponent* owner, TfmMainServices services);

  // The stored form data of the window.
  static const std::string& FormText();

  // ---- Controls
  TAdvToolPanel* pnlAudioRec1 = nullptr;
  TLabel* Label3 = nullptr;
  TAdvComboBox* lstInDevices = nullptr;
  TLabel* lblDeviceLine = nullptr;
  TAdvComboBox* lstInDeviceLines = nullptr;
  TLabel* Label4 = nullptr;
  TAdvComboBox* lstOutDevices = nullptr;
  TLabel* Label6 = nullptr;
  TAdvSpinEdit* edInputBufferSize = nullptr;
  TLabel* Label2 = nullptr;
  TAdvComboBox* lstSampleRate = nullptr;
  THTMLCheckBox* cbFilterLowPass = nullptr;
  THTMLCheckBox* cbFilterBandStop = nullptr;
  THTMLCheckBox* cbFilterBandPass = nullptr;
  THTMLCheckBox* cbFilterHighPass = nullptr;
  THTMLCheckBox* btnActivate = nullptr;  // "Activer"
  THTMLCheckBox* cbBypass = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* lblFilter = nullptr;
  TAdvToolPanel* pnlInOut = nullptr;
  TVrLabel* VrLabel1 = nullptr;
  TVrLabel* VrLabel2 = nullptr;
  TChart* GraphAudioIn = nullptr;
  TChart* GraphAudioOut = nullptr;
  // Input chart: bars Series1..5, lines Series11..14; output chart: bars
  // Series6..10, lines Series15..18.
  TBarSeries *Series1 = nullptr, *Series2 = nullptr, *Series3 = nullptr, *Series4 = nullptr, *Series5 = nullptr;
  TBarSeries *Series6 = nullptr, *Series7 = nullptr, *Series8 = nullptr, *Series9 = nullptr, *Series10 = nullptr;
  TFastLineSeries *Series11 = nullptr, *Series12 = nullptr, *Series13 = nullptr, *Series14 = nullptr;
  TFastLineSeries *Series15 = nullptr, *Series16 = nullptr, *Series17 = nullptr, *Series18 = nullptr;

  // ---- The audio graph
  TALAudioIn* ALAudioIn1 = nullptr;
  TALGenericFilter* ALGenericFilter1 = nullptr;
  TALLowPass* ALLowPass1 = nullptr;
  TALBandStop* ALBandStop1 = nullptr;
  TALBandPass* ALBandPass1 = nullptr;
  TALHighPass* ALHighPass1 = nullptr;
  TALAudioOut* ALAudioOut1 = nullptr;

  // The outside recorder; null when it could not be created.
  std::unique_ptr<IAudioRecord> rec;

  // ---- State
  bool Initializing = false;  // while FormCreate runs
  // Closing (set once the window is about to close), Busy (while a rate or
  // buffer-size change runs) and Active (mirrors "Activer"): the capture
  // thread reads them.
  TAudioFlags Flags;
  // The input history behind the two charts.
  std::unique_ptr<TInputHistory> History;
  // The preferences as read at start-up, and as they follow the user's choices.
  TUserPrefs SavedPrefs;
  TUserPrefs UserPrefs;

  std::string AppPath;      // the program's folder, with a trailing '/'
  std::string IniFileName;  // the program file with ".ini" in place of its extension

  // ---- Handlers
  void FormCreate(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void btnActivateClick(TObject* Sender);
  void lstInDevicesChange(TObject* Sender);
  void lstInDeviceLinesChange(TObject* Sender);
  void lstOutDevicesChange(TObject* Sender);
  void lstSampleRateChange(TObject* Sender);
  void edInputBufferSizeChange(TObject* Sender);
  // Shared by the four filter boxes: the clicked box switches its filter.
  void cbFilterLowPassClick(TObject* Sender);
  void cbBypassClick(TObject* Sender);
  // The application's exception handler: what reaches it is said on the
  // error stream, and a device that stopped while "Activer" is checked
  // stops the audio and unchecks it.
  void AppException(TObject* Sender, const std::exception& E);
  void InitPaths();
  // The spin edit is usable only while the audio is stopped; the history
  // panel's caption tells which signal it shows.
  void GUI_Refresh();

  // ---- Audio control support
  TDelayClock& Clock() const { return *clock_; }
  std::ostream& Errors() const { return *errors_; }
  // The text of the last error an audio-control call dropped.
  std::string LastAudioError;

  // Runs a start, stop, rate or size sequence. One arriving while another
  // runs (through the pauses' message runs) waits until it ends; a later
  // one of the same kind replaces it.
  enum class TAudioCommand { Activate, SampleRate, BufferSize, DeviceFailed };
  void RunAudioCommand(TAudioCommand kind, std::function<void()> run);
  bool SequenceRunning() const { return sequence_; }

  // The recorder the services make, else the wave layer's.
  std::unique_ptr<IAudioRecord> MakeRecorder() const;
  // "Activer": set from code without its click handler; Active follows.
  bool ActivateChecked() const;
  void SetActivateChecked(bool v);
  bool BypassChecked() const;

 private:
  void Load();
  void PumpMessages();
  template <class T>
  T* Part(const char* name);

  TfmMainServices services_;
  std::shared_ptr<TDelayClock> clock_;
  std::ostream* errors_ = nullptr;
  bool sequence_ = false;
  std::deque<std::pair<TAudioCommand, std::function<void()>>> pending_;
};

}  // namespace tavrel
