#include "app/frmMain.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/uMultimedia.h"
#include "platform/forms.h"
#include "platform/formtext.h"

namespace tavrel {

namespace {

constexpr int kMinInputBufferSize = 32;
constexpr int kMaxInputBufferSize = 8192;

// The whole text as a decimal number, or nothing: a field being typed into
// or emptied holds no value yet.
std::optional<int> WholeNumber(const std::string& text) {
  int v = 0;
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || at != end) return std::nullopt;
  return v;
}

std::string ProgramFile() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("tavrel") : p.string();
}

}  // namespace

std::string FilterLabel(bool lowPass, bool bandPass, bool bandStop, bool highPass) {
  std::string s;
  if (lowPass) s += "LF ";
  if (bandPass) s += "BP ";
  if (bandStop) s += "BS ";
  if (highPass) s += "HP";
  return s.empty() ? "<aucun>" : s;
}

const ClassInfo& TfmMain::Class() {
  static const ClassInfo ci = ClassBuilder<TfmMain>("TfmMain", TForm::Class()).build();
  return ci;
}

TfmMain::TfmMain(TComponent* owner) : TfmMain(owner, TfmMainServices{}) {}

TfmMain::TfmMain(TComponent* owner, TfmMainServices services)
    : TForm(owner),
      services_(std::move(services)),
      clock_(services_.Clock ? services_.Clock : std::make_shared<TRealDelayClock>()),
      errors_(services_.Errors ? services_.Errors : &std::cerr) {
  Load();
}

template <class T>
T* TfmMain::Part(const char* name) {
  auto* c = dynamic_cast<T*>(FindComponent(name));
  if (!c) throw EComponentError(std::string("the main window has no ") + name);
  return c;
}

void TfmMain::Load() {
  auto notify = [this](void (TfmMain::*handler)(TObject*)) {
    return TNotifyEvent([this, handler](TObject* s) { (this->*handler)(s); }, this);
  };
  PublishMethod("FormCreate", notify(&TfmMain::FormCreate));
  PublishMethod("FormCloseQuery",
                TCloseQueryEvent([this](TObject* s, bool& can) { FormCloseQuery(s, can); }, this));
  PublishMethod("lstInDevicesChange", notify(&TfmMain::lstInDevicesChange));
  PublishMethod("lstInDeviceLinesChange", notify(&TfmMain::lstInDeviceLinesChange));
  PublishMethod("lstOutDevicesChange", notify(&TfmMain::lstOutDevicesChange));
  PublishMethod("lstSampleRateChange", notify(&TfmMain::lstSampleRateChange));
  PublishMethod("edInputBufferSizeChange", notify(&TfmMain::edInputBufferSizeChange));
  PublishMethod("cbFilterLowPassClick", notify(&TfmMain::cbFilterLowPassClick));
  PublishMethod("btnActivateClick", notify(&TfmMain::btnActivateClick));
  PublishMethod("cbBypassClick", notify(&TfmMain::cbBypassClick));
  PublishMethod("ALGenericFilter1ProcessData",
                TALProcessAudioNotify(
                    [this](TObject* s, const Ref<TALAudioBuffer>& in, Ref<TALAudioBuffer>& out, bool& send) {
                      // The low-pass must still get the buffer whatever the analysis met.
                      try {
                        if (History) History->ALGenericFilter1ProcessData(s, in, out, send);
                      } catch (...) {
                      }
                    },
                    this));

  // Not resizable; the window's own frame is the system's.
  SetBorderStyle(TFormBorderStyle::bsSingle);
  ReadRootComponent(*this, ObjectTextToBinary(FormText()));

  // As the class library does for a form shown with no control chosen: the
  // first one in tab order that can take the focus gets it.
  OnShow = TNotifyEvent(
      [this](TObject*) {
        if (!ActiveControl()) SelectNext(nullptr, true, true);
      },
      this);

  pnlAudioRec1 = Part<TAdvToolPanel>("pnlAudioRec1");
  Label3 = Part<TLabel>("Label3");
  lstInDevices = Part<TAdvComboBox>("lstInDevices");
  lblDeviceLine = Part<TLabel>("lblDeviceLine");
  lstInDeviceLines = Part<TAdvComboBox>("lstInDeviceLines");
  Label4 = Part<TLabel>("Label4");
  lstOutDevices = Part<TAdvComboBox>("lstOutDevices");
  Label6 = Part<TLabel>("Label6");
  edInputBufferSize = Part<TAdvSpinEdit>("edInputBufferSize");
  Label2 = Part<TLabel>("Label2");
  lstSampleRate = Part<TAdvComboBox>("lstSampleRate");
  cbFilterLowPass = Part<THTMLCheckBox>("cbFilterLowPass");
  cbFilterBandStop = Part<THTMLCheckBox>("cbFilterBandStop");
  cbFilterBandPass = Part<THTMLCheckBox>("cbFilterBandPass");
  cbFilterHighPass = Part<THTMLCheckBox>("cbFilterHighPass");
  btnActivate = Part<THTMLCheckBox>("btnActivate");
  cbBypass = Part<THTMLCheckBox>("cbBypass");
  Label1 = Part<TLabel>("Label1");
  lblFilter = Part<TLabel>("lblFilter");
  pnlInOut = Part<TAdvToolPanel>("pnlInOut");
  VrLabel1 = Part<TVrLabel>("VrLabel1");
  VrLabel2 = Part<TVrLabel>("VrLabel2");
  GraphAudioIn = Part<TChart>("GraphAudioIn");
  GraphAudioOut = Part<TChart>("GraphAudioOut");
  TBarSeries** bars[] = {&Series1, &Series2, &Series3, &Series4, &Series5,
                         &Series6, &Series7, &Series8, &Series9, &Series10};
  for (int i = 0; i < 10; ++i) *bars[i] = Part<TBarSeries>(("Series" + std::to_string(i + 1)).c_str());
  TFastLineSeries** lines[] = {&Series11, &Series12, &Series13, &Series14,
                               &Series15, &Series16, &Series17, &Series18};
  for (int i = 0; i < 8; ++i) *lines[i] = Part<TFastLineSeries>(("Series" + std::to_string(i + 11)).c_str());

  ALAudioIn1 = Part<TALAudioIn>("ALAudioIn1");
  ALGenericFilter1 = Part<TALGenericFilter>("ALGenericFilter1");
  ALLowPass1 = Part<TALLowPass>("ALLowPass1");
  ALBandStop1 = Part<TALBandStop>("ALBandStop1");
  ALBandPass1 = Part<TALBandPass>("ALBandPass1");
  ALHighPass1 = Part<TALHighPass>("ALHighPass1");
  ALAudioOut1 = Part<TALAudioOut>("ALAudioOut1");

  History = std::make_unique<TInputHistory>(THistoryCharts::Find(*this), Flags);
}

std::unique_ptr<IAudioRecord> TfmMain::MakeRecorder() const {
  return services_.MakeRecorder ? services_.MakeRecorder() : MakeAudioRecord();
}

// ---- Handlers

void TfmMain::FormCreate(TObject*) {
  if (TApplication* app = Application())
    app->OnException = TExceptionEvent([this](TObject* s, const std::exception& e) { AppException(s, e); }, this);
  Initializing = true;
  InitPaths();
  // Kept aside: filling the lists overwrites the names that follow the user.
  SavedPrefs = LoadPrefs(IniFileName);
  UserPrefs = SavedPrefs;
  InitAudioDevices(*this);
  ApplyPrefs(SavedPrefs, {lstInDevices, lstInDeviceLines, lstOutDevices}, *History);
  History->InitCharts();
  Initializing = false;
  SetActivateChecked(true);
  btnActivateClick(this);
  GUI_Refresh();
}

void TfmMain::FormCloseQuery(TObject*, bool& CanClose) {
  Flags.Closing = true;
  PumpMessages();
  SavePrefs(UserPrefs, IniFileName);  // an unwritable file loses this run's names, silently
  SetActivateChecked(false);
  PumpMessages();
  RunAudioCommand(TAudioCommand::Activate, [this] { StopAudio(*this); });
  CanClose = true;
}

void TfmMain::btnActivateClick(TObject*) {
  Flags.Active = ActivateChecked();
  RunAudioCommand(TAudioCommand::Activate, [this] {
    PumpMessages();
    if (ActivateChecked()) {
      LastAudioError.clear();
      StartAudio(*this);
      // A start that failed is not shown as running.
      if (!IsAudioRunning(*this)) {
        SetActivateChecked(false);
        Errors() << "Tavrel: " << (LastAudioError.empty() ? "the audio did not start" : LastAudioError)
                 << std::endl;
      }
    } else {
      StopAudio(*this);
    }
    GUI_Refresh();
  });
}

void TfmMain::lstInDevicesChange(TObject*) {
  if (rec) SelectInDevice(*this, lstInDevices->ItemIndex());
}

void TfmMain::lstInDeviceLinesChange(TObject*) {
  if (rec) SelectInLine(*this, lstInDeviceLines->ItemIndex());
}

void TfmMain::lstOutDevicesChange(TObject*) { SelectOutDevice(*this, lstOutDevices->ItemIndex()); }

void TfmMain::lstSampleRateChange(TObject*) {
  const std::optional<int> rate = WholeNumber(lstSampleRate->Text());
  if (!rate) return;
  RunAudioCommand(TAudioCommand::SampleRate, [this, r = *rate] {
    Flags.Busy = true;
    SetSampleRate(*this, r);
    Flags.Busy = false;
    GUI_Refresh();
  });
}

void TfmMain::edInputBufferSizeChange(TObject*) {
  // Only sizes the field accepts: an empty or half-typed text changes
  // nothing, and leaving the field clamps it to a size that does.
  const std::optional<int> frames = WholeNumber(edInputBufferSize->Text());
  if (!frames || *frames < kMinInputBufferSize || *frames > kMaxInputBufferSize) return;
  if (Initializing) return;
  RunAudioCommand(TAudioCommand::BufferSize, [this, n = *frames] { SetBufferSize(*this, n); });
}

void TfmMain::cbFilterLowPassClick(TObject* Sender) {
  // The change takes effect with the next buffer.
  const std::pair<THTMLCheckBox*, TSLBasicThreadedEnableFilter*> boxes[] = {{cbFilterLowPass, ALLowPass1},
                                                              {cbFilterBandPass, ALBandPass1},
                                                              {cbFilterBandStop, ALBandStop1},
                                                              {cbFilterHighPass, ALHighPass1}};
  for (auto [box, filter] : boxes)
    if (Sender == box) filter->SetEnabled(box->Checked());
  lblFilter->SetCaption(
      FilterLabel(ALLowPass1->Enabled(), ALBandPass1->Enabled(), ALBandStop1->Enabled(), ALHighPass1->Enabled()));
}

void TfmMain::cbBypassClick(TObject*) { GUI_Refresh(); }

void TfmMain::AppException(TObject*, const std::exception& E) {
  // Nothing else would tell the user: a device that failed while the audio
  // ran says here which one and why.
  Errors() << "Tavrel: " << E.what() << std::endl;
  // Such a device has stopped itself. Once whatever sequence runs now has
  // ended, "Activer" and the rest of the audio follow, as after a start
  // that failed.
  RunAudioCommand(TAudioCommand::DeviceFailed, [this] {
    if (!ActivateChecked() || (ALAudioIn1->Enabled() && ALAudioOut1->Enabled())) return;
    SetActivateChecked(false);
    StopAudio(*this);
    GUI_Refresh();
  });
}

void TfmMain::InitPaths() {
  const std::filesystem::path program(services_.ProgramPath.empty() ? ProgramFile() : services_.ProgramPath);
  AppPath = program.parent_path().string();
  if (!AppPath.empty() && AppPath.back() != '/') AppPath += '/';
  IniFileName = std::filesystem::path(program).replace_extension(".ini").string();
}

void TfmMain::GUI_Refresh() {
  edInputBufferSize->SetEnabled(!IsAudioRunning(*this));
  pnlInOut->SetCaption(BypassChecked() ? "Historique Entrée / Sortie (signal direct)"
                                       : "Historique Entrée / Sortie (signal filtré)");
}

// ---- Sequences

void TfmMain::RunAudioCommand(TAudioCommand kind, std::function<void()> run) {
  if (sequence_) {
    for (auto& p : pending_)
      if (p.first == kind) {
        p.second = std::move(run);
        return;
      }
    pending_.emplace_back(kind, std::move(run));
    return;
  }
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(sequence_);
  run();
  while (!pending_.empty()) {
    std::function<void()> next = std::move(pending_.front().second);
    pending_.pop_front();
    next();
  }
}

bool TfmMain::ActivateChecked() const { return btnActivate->Checked(); }

void TfmMain::SetActivateChecked(bool v) {
  btnActivate->SetChecked(v);  // raises no OnClick
  Flags.Active = v;
}

bool TfmMain::BypassChecked() const { return cbBypass->Checked(); }

void TfmMain::PumpMessages() {
  if (TApplication* app = Application()) app->ProcessMessages();
}

}  // namespace tavrel
