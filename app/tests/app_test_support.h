#pragma once
// Helpers of the application tests: a recorder whose devices, lines and
// failures the test sets and whose selections it logs; a pause clock that
// moves only when the window waits on it and notes what the audio graph
// looked like at each wait; and a fixture that builds the main window on
// the offscreen backend over the fake wave backend.
//
//   MainWindowTest: fm (the window, created by Create()), fake (the wave
//   backend), recorder (its state, shared with the window's recorder),
//   clock (the pauses), errors (standard error of the window).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "platform/ui/offscreen.h"
#include "platform/wave/fake_backend.h"

namespace tavrel::apptest {

// What the fake recorder offers and what was asked of it.
struct RecorderState {
  std::vector<std::string> devices;
  std::vector<std::vector<std::string>> lines;  // per device
  bool failCreate = false;
  bool failNames = false;
  std::vector<std::string> log;  // "device <i>", "line <i>"
  int device = -1, line = -1;
};

class FakeRecord : public IAudioRecord {
 public:
  explicit FakeRecord(std::shared_ptr<RecorderState> s) : s_(std::move(s)) {}
  int GetDeviceCount() override { return int(s_->devices.size()); }
  std::string GetDeviceName(int i) override {
    if (s_->failNames) throw std::runtime_error("recorder: no device names");
    return InRange(i, s_->devices.size()) ? s_->devices[size_t(i)] : "";
  }
  void SetDeviceIndex(int i) override {
    s_->log.push_back("device " + std::to_string(i));
    if (InRange(i, s_->devices.size())) s_->device = i, s_->line = -1;
  }
  int GetDeviceLineCount() override { return int(Lines().size()); }
  std::string GetDeviceLineName(int i) override { return InRange(i, Lines().size()) ? Lines()[size_t(i)] : ""; }
  void SetDeviceLineIndex(int i) override {
    s_->log.push_back("line " + std::to_string(i));
    if (InRange(i, Lines().size())) s_->line = i;
  }

 private:
  static bool InRange(int i, size_t n) { return i >= 0 && size_t(i) < n; }
  const std::vector<std::string>& Lines() const {
    static const std::vector<std::string> none;
    return InRange(s_->device, s_->lines.size()) ? s_->lines[size_t(s_->device)] : none;
  }
  std::shared_ptr<RecorderState> s_;
};

// What the graph and the window looked like when a pause began.
struct Moment {
  uint64_t at = 0;
  bool playback = false, capture = false, charts = false, busy = false;
};

// Time moves by at most 10 ms per wait, so every pause lets the window's
// messages (and queued input) run several times.
class StepClock : public TDelayClock {
 public:
  uint64_t NowMs() override { return now_; }
  void Wait(uint32_t ms) override {
    if (onWait) onWait(now_);
    now_ += std::min<uint32_t>(ms, 10);
  }
  std::function<void(uint64_t)> onWait;

 private:
  uint64_t now_ = 1000;
};

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageClock(messageClock);
    fake->SetDevices(WaveDirection::In, {{"Mic A", "a", 0}, {"Mic B", "b", 1}});
    fake->SetDevices(WaveDirection::Out, {{"Out A", "a", -1}, {"Out B", "b", -1}});
    recorder->devices = {"Mic A", "Mic B"};
    recorder->lines = {{"Line", "Micro"}, {"Aux"}};
    dir = std::filesystem::temp_directory_path() /
          ("tavrel-app-" + std::to_string(::getpid()) + "-" +
           testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    app = TComponent::CreateUnowned<TApplication>(backend);
    clock->onWait = [this](uint64_t at) {
      // The window is still being created during its start-up pauses.
      TApplication* a = Application();
      auto* w = a ? dynamic_cast<TfmMain*>(a->FindComponent("fmMain")) : nullptr;
      if (!w) return;
      moments.push_back({at, w->ALAudioOut1->Enabled(), w->ALAudioIn1->Enabled(), w->GraphAudioIn->Enabled(),
                         w->Flags.Busy.load()});
    };
  }
  void TearDown() override {
    if (fm) fm->Destroy();
    fm = nullptr;
    app.reset();
    SetMessageClock(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  // The window as the program makes it: FormCreate runs inside.
  void Create() { fm = Create(app.get()); }
  TfmMain* Create(TComponent* owner) {
    TfmMainServices s;
    s.MakeRecorder = [st = recorder]() -> std::unique_ptr<IAudioRecord> {
      if (st->failCreate) throw std::runtime_error("recorder: not registered");
      return std::make_unique<FakeRecord>(st);
    };
    s.Clock = clock;
    s.Errors = &errors;
    s.ProgramPath = (dir / "tavrel").string();
    return TComponent::Create<TfmMain>(owner, s);
  }

  // A user's click in the middle of the box part of a check box.
  static void Click(THTMLCheckBox* box) {
    TForm* form = dynamic_cast<TForm*>(box->Owner());
    const TPoint p = box->ClientToForm({8, 10});
    form->InjectMouse(WM_MOUSEMOVE, p.X, p.Y, 0);
    form->InjectMouse(WM_LBUTTONDOWN, p.X, p.Y, MK_LBUTTON);
    form->InjectMouse(WM_LBUTTONUP, p.X, p.Y, 0);
  }

  std::vector<std::string> Items(TCustomComboBox* c) {
    std::vector<std::string> v;
    for (int i = 0; i < c->Items().Count(); ++i) v.push_back(c->Items()[i]);
    return v;
  }

  std::shared_ptr<ManualClock> messageClock = std::make_shared<ManualClock>(1000);
  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
  std::shared_ptr<RecorderState> recorder = std::make_shared<RecorderState>();
  std::shared_ptr<StepClock> clock = std::make_shared<StepClock>();
  std::ostringstream errors;
  std::filesystem::path dir;
  std::shared_ptr<OffscreenBackend> backend = std::make_shared<OffscreenBackend>();
  ComponentPtr<TApplication> app;
  TfmMain* fm = nullptr;
  std::vector<Moment> moments;
};

}  // namespace tavrel::apptest
