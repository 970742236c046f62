// The main window's start-up, stop, rate and buffer-size sequences and its
// failure paths, on the offscreen backend over the fake wave backend.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>

#include "app/tests/app_test_support.h"
#include "app/uMultimedia.h"
#include "audio/tests/engine_test_support.h"
#include "platform/tests/wait_until.h"

namespace tavrel {
namespace {

using namespace apptest;
using testing::ElementsAre;
using testing::HasSubstr;

// When a condition first held among the moments, or none.
template <class F>
const Moment* First(const std::vector<Moment>& ms, F f) {
  for (const Moment& m : ms)
    if (f(m)) return &m;
  return nullptr;
}

TEST_F(MainWindowTest, StartUpFillsTheListsThenStartsPlaybackBeforeCapture) {
  Create();
  EXPECT_THAT(Items(fm->lstInDevices), ElementsAre("Mic A", "Mic B"));
  EXPECT_THAT(Items(fm->lstInDeviceLines), ElementsAre("Line", "Micro"));
  EXPECT_THAT(Items(fm->lstOutDevices), ElementsAre("Out A", "Out B"));
  EXPECT_EQ(fm->lstSampleRate->ItemIndex(), 4);
  EXPECT_EQ(fm->lstSampleRate->Text(), "44100");
  // The first run has no saved names: the lists end without a selection,
  // and the recorder was told the first device and line, then -1 for each.
  EXPECT_EQ(fm->lstInDevices->ItemIndex(), -1);
  EXPECT_EQ(fm->lstOutDevices->ItemIndex(), -1);
  EXPECT_THAT(recorder->log, ElementsAre("device 0", "line 0", "device -1", "line -1"));
  EXPECT_EQ(fm->ALAudioIn1->Device()->DeviceName(), "Mic A");
  EXPECT_EQ(fm->ALAudioOut1->Device()->DeviceName(), "Out A");

  const Moment* playback = First(moments, [](const Moment& m) { return m.playback; });
  const Moment* capture = First(moments, [](const Moment& m) { return m.capture; });
  ASSERT_TRUE(playback && capture);
  EXPECT_FALSE(playback->capture) << "playback is enabled first";
  EXPECT_GE(capture->at, playback->at + 100);
  EXPECT_EQ(First(moments, [](const Moment& m) { return m.busy; }), nullptr)
      << "selecting 44100 from code runs no rate change";

  EXPECT_TRUE(fm->ALAudioIn1->Enabled());
  EXPECT_TRUE(fm->ALAudioOut1->Enabled());
  EXPECT_TRUE(fm->GraphAudioIn->Enabled());
  EXPECT_TRUE(fm->GraphAudioOut->Enabled());
  EXPECT_TRUE(fm->ActivateChecked());
  EXPECT_TRUE(fm->Flags.Active);
  EXPECT_FALSE(fm->edInputBufferSize->Enabled());
  EXPECT_EQ(fm->pnlInOut->Caption(), "Historique Entrée / Sortie (signal filtré)");
  EXPECT_EQ(errors.str(), "");
}

TEST_F(MainWindowTest, UncheckingActiverStopsCaptureBeforePlayback) {
  Create();
  moments.clear();
  fm->SetActivateChecked(false);
  fm->btnActivateClick(fm);
  ASSERT_FALSE(moments.empty());
  const Moment& first = moments.front();
  EXPECT_FALSE(first.charts) << "the charts go off first";
  EXPECT_FALSE(first.capture);
  EXPECT_TRUE(first.playback) << "capture is off before playback";
  const Moment* playbackOff = First(moments, [](const Moment& m) { return !m.playback; });
  ASSERT_NE(playbackOff, nullptr);
  EXPECT_GE(playbackOff->at, first.at + 100);
  EXPECT_GE(clock->NowMs(), playbackOff->at + 100) << "a pause follows playback too";
  EXPECT_FALSE(fm->ALAudioIn1->Enabled());
  EXPECT_FALSE(fm->ALAudioOut1->Enabled());
  EXPECT_FALSE(fm->Flags.Active);
  EXPECT_TRUE(fm->edInputBufferSize->Enabled());
}

// A fake stream flows one buffer at a time until `bytes` more were played.
class RunningWindowTest : public MainWindowTest {
 protected:
  bool Flow(uint32_t frames, size_t playedBefore, size_t bytes) {
    return test::WaitUntil([&] {
      const uint64_t before = fake->Transfers();
      fake->Advance(frames);
      test::WaitUntil([&] { return fake->Transfers() > before; }, [&] { app->ProcessMessages(); });
      app->ProcessMessages();
      return fake->Played().size() >= playedBefore + bytes;
    });
  }
  WaveCall LastCall(const std::string& function) {
    WaveCall last;
    for (auto& c : fake->Calls())
      if (function == c.function) last = c;
    return last;
  }
  std::vector<int16_t> PlayedSince(size_t fromByte) {
    std::vector<char> all = fake->Played();
    return enginetest::Samples(std::vector<char>(all.begin() + long(std::min(fromByte, all.size())), all.end()),
                               SIZE_MAX);
  }
  static std::vector<int16_t> CapturedSamples(size_t count) {
    std::vector<char> bytes(count * 2);
    for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = char(FakeWaveBackend::CaptureByte(k));
    return enginetest::Samples(bytes, count);
  }
};

TEST_F(RunningWindowTest, RateChangeWhileRunningReopensBothDevicesAtTheNewRate) {
  Create();
  ASSERT_TRUE(fm->ALAudioIn1->Enabled());
  ASSERT_TRUE(Flow(512, 0, 512 * 4 * 4));
  EXPECT_EQ(LastCall("waveOutOpen").format.rate, 44100u);

  moments.clear();
  fm->lstSampleRate->SetItemIndex(2);
  fm->lstSampleRateChange(fm->lstSampleRate);
  // Stop, the new format, the history length, start again.
  const Moment* stopped = First(moments, [](const Moment& m) { return !m.capture && !m.playback; });
  ASSERT_NE(stopped, nullptr);
  EXPECT_TRUE(stopped->busy);
  EXPECT_FALSE(fm->Flags.Busy);
  EXPECT_EQ(fm->History->HistoryLen(), 128);
  EXPECT_EQ(fm->GraphAudioIn->BottomAxis()->Maximum(), 128);
  ASSERT_TRUE(fm->ALAudioIn1->Enabled());
  ASSERT_TRUE(fm->ALAudioOut1->Enabled());
  EXPECT_TRUE(fm->GraphAudioIn->Enabled());
  EXPECT_EQ(LastCall("waveInOpen").format.rate, 22050u);
  EXPECT_EQ(LastCall("waveOutOpen").format.rate, 22050u) << "playback reopened at the new rate";

  // Played from the restart on: the low-pass, at 22050, of the fresh
  // capture stream, frame for frame.
  const size_t before = fake->Played().size();
  ASSERT_TRUE(Flow(512, before, 512 * 4 * 8));
  std::vector<int16_t> got = PlayedSince(before);
  enginetest::LowPassReference ref(CapturedSamples(got.size()), 2, 1500.0, 22050.0);
  std::vector<size_t> bad = ref.Mismatches(got);
  EXPECT_TRUE(bad.empty()) << ref.Describe(bad, got);
  EXPECT_EQ(errors.str(), "");
}

TEST_F(MainWindowTest, BufferSizeFieldAppliesOnlySizesInItsRange) {
  Create();
  fm->SetActivateChecked(false);
  fm->btnActivateClick(fm);
  ASSERT_TRUE(fm->edInputBufferSize->Enabled());
  struct Case {
    const char* text;
    uint32_t size;  // the capture's buffer size after it
  };
  const Case cases[] = {{"1024", 1024}, {"", 1024}, {"5", 1024},   {"31", 1024},
                        {"32", 32},     {"8192", 8192}, {"9000", 8192}, {"12x", 8192}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    fm->edInputBufferSize->SetText(c.text);
    EXPECT_EQ(fm->ALAudioIn1->AudioFormat()->BufferSize(), c.size);
  }
  EXPECT_FALSE(fm->ALAudioIn1->Enabled()) << "a size change while stopped starts nothing";
  // While the window is being created, a size change does nothing.
  fm->Initializing = true;
  fm->edInputBufferSize->SetText("1024");
  EXPECT_EQ(fm->ALAudioIn1->AudioFormat()->BufferSize(), 8192u);
  SetBufferSize(*fm, 1024);
  EXPECT_EQ(fm->ALAudioIn1->AudioFormat()->BufferSize(), 8192u);
}

TEST_F(MainWindowTest, BufferSizeChangeWhileRunningRestartsWithTheNewSize) {
  Create();
  moments.clear();
  fm->edInputBufferSize->SetText("256");
  EXPECT_EQ(fm->ALAudioIn1->AudioFormat()->BufferSize(), 256u);
  EXPECT_NE(First(moments, [](const Moment& m) { return m.busy && !m.capture; }), nullptr);
  EXPECT_TRUE(fm->ALAudioIn1->Enabled());
  EXPECT_FALSE(fm->Flags.Busy);
}

// The line says which side failed, on which device, and why when the device
// said.
TEST_F(MainWindowTest, FailedDeviceOpenUnchecksActiverAndSaysWhy) {
  struct Case {
    const char* what;
    std::function<void(FakeWaveBackend&)> fail;
    const char* line;
  };
  const Case cases[] = {
      {"capture", [](FakeWaveBackend& f) { f.FailCall("waveInOpen", MMSYSERR_ALLOCATED, -1); },
       "Tavrel: input \"Mic A\": Can't open audio device. - 4 - 4\n"},
      // The playback opens first, once the capture's start tells it the format.
      {"playback", [](FakeWaveBackend& f) { f.FailOpen(MMSYSERR_BADDEVICEID, "No such file or directory"); },
       "Tavrel: output \"Out A\": Can't open audio device. - 2 - 2 (No such file or directory)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto failing = std::make_shared<FakeWaveBackend>();
    failing->SetDevices(WaveDirection::In, {{"Mic A", "a", 0}, {"Mic B", "b", 1}});
    failing->SetDevices(WaveDirection::Out, {{"Out A", "a", -1}, {"Out B", "b", -1}});
    WaveBackendScope use{failing};
    c.fail(*failing);
    errors.str("");
    Create();
    EXPECT_FALSE(fm->ALAudioIn1->Enabled());
    EXPECT_FALSE(fm->ActivateChecked());
    EXPECT_FALSE(fm->Flags.Active);
    EXPECT_TRUE(fm->edInputBufferSize->Enabled());
    EXPECT_EQ(errors.str(), c.line);
    fm->Destroy();
    fm = nullptr;
  }
}

TEST_F(MainWindowTest, WithoutRecorderTheInputListsStayEmptyAndAudioStarts) {
  for (bool create : {true, false}) {
    SCOPED_TRACE(create ? "the recorder cannot be created" : "its names cannot be read");
    recorder->failCreate = create;
    recorder->failNames = !create;
    Create();
    EXPECT_TRUE(Items(fm->lstInDevices).empty());
    EXPECT_TRUE(Items(fm->lstInDeviceLines).empty());
    EXPECT_THAT(Items(fm->lstOutDevices), ElementsAre("Out A", "Out B"));
    EXPECT_EQ(fm->ALAudioIn1->Device()->DeviceName(), "Default");
    EXPECT_TRUE(fm->ALAudioIn1->Enabled());
    EXPECT_EQ(errors.str(), "");
    fm->Destroy();
    fm = nullptr;
  }
}

TEST_F(RunningWindowTest, RateChangesDuringARateChangeWaitAndTheLastWins) {
  Create();
  moments.clear();
  // Two more choices arrive while the first change pauses.
  backend->QueueInput([&] {
    fm->lstSampleRate->SetItemIndex(1);
    fm->lstSampleRateChange(fm->lstSampleRate);
  });
  backend->QueueInput([&] {
    fm->lstSampleRate->SetItemIndex(0);
    fm->lstSampleRateChange(fm->lstSampleRate);
  });
  fm->lstSampleRate->SetItemIndex(2);
  fm->lstSampleRateChange(fm->lstSampleRate);
  EXPECT_FALSE(backend->InputPending());
  EXPECT_EQ(fm->ALAudioIn1->AudioFormat()->SampleRate(), 8000u);
  EXPECT_EQ(fm->History->HistoryLen(), 128) << "8000 keeps the length 22050 gave";
  EXPECT_TRUE(fm->ALAudioIn1->Enabled());
  EXPECT_TRUE(fm->ALAudioOut1->Enabled());
  EXPECT_FALSE(fm->Flags.Busy);
  // Never capture without playback: the sequences did not interleave.
  EXPECT_EQ(First(moments, [](const Moment& m) { return m.capture && !m.playback; }), nullptr);
  EXPECT_EQ(LastCall("waveOutOpen").format.rate, 8000u);
}

// The GUI thread asleep in its loop as on a real display: in poll() on the
// loop's wake descriptor, which only other threads' posts make readable.
class PollingWaitHook : public MessageWaitHook {
 public:
  void Wait(std::optional<uint32_t> timeoutMs, int wakeFd) override {
    pollfd p{wakeFd, POLLIN, 0};
    ::poll(&p, 1, timeoutMs ? int(std::min<uint32_t>(*timeoutMs, 1000)) : 1000);
  }
};

// Every captured buffer's column reaches the input chart: the capture
// thread queues it and posts through the loop's ring and wake descriptor
// while the GUI thread sleeps, the program's own road (checked for races
// under ThreadSanitizer, where the real-window tests cannot run).
TEST_F(RunningWindowTest, EveryCapturedBufferAddsItsColumnWhileTheLoopSleeps) {
  PollingWaitHook hook;
  SetMessageWaitHook(&hook);
  Create();
  ASSERT_TRUE(fm->ALAudioIn1->Enabled());
  auto columns = [&] {
    int n = 0;
    for (int i = 0; i < fm->History->HistoryLen(); ++i) n += !(fm->History->Entry(i) == THistoryEntry{});
    return n;
  };
  const int before = columns();
  constexpr int kBuffers = 40;
  for (int i = 1; i <= kBuffers; ++i) {
    fake->Advance(512);
    ASSERT_TRUE(test::WaitUntil([&] { return columns() >= before + i; }, [&] { app->HandleMessage(); }))
        << "buffer " << i << " added no column";
  }
  SetMessageWaitHook(nullptr);
  EXPECT_EQ(columns(), before + kBuffers);
  EXPECT_EQ(errors.str(), "");
}

// A device that fails while the audio runs stops itself: the window says
// which one and why, stops the rest of the audio and unchecks "Activer",
// as after a start that failed.
TEST_F(RunningWindowTest, ADeviceThatFailsWhileRunningIsSaidAndUnchecksActiver) {
  struct Case {
    const char* name;
    std::function<void()> fault;
    std::string said;
  } cases[] = {
      {"a capture that records nothing", [&] { fake->AdvanceTime(kWaveCaptureSilenceLimit); },
       "Tavrel: input \"Mic A\": Audio device failed. - 6 - 6 (nothing recorded for 2 s)\n"},
      {"an output that goes away while audio comes",
       [&] {
         fake->LoseDevices(WaveDirection::Out);
         fake->Advance(512);
       },
       "Tavrel: output \"Out A\": Audio device failed. - 6 - 6 (No such device)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    errors.str("");
    Create();
    ASSERT_TRUE(Flow(512, 0, 512 * 4 * 4));
    // Time moves on (or the device stays gone) until the window has heard:
    // a read that began after an earlier step counts its silence from there.
    ASSERT_TRUE(test::WaitUntil([&] { return !fm->ActivateChecked(); },
                                [&] {
                                  c.fault();
                                  app->ProcessMessages();
                                }))
        << errors.str();
    EXPECT_EQ(errors.str(), c.said);
    EXPECT_FALSE(fm->ALAudioIn1->Enabled());
    EXPECT_FALSE(fm->ALAudioOut1->Enabled());
    EXPECT_TRUE(fm->edInputBufferSize->Enabled());
    fm->Destroy();
    fm = nullptr;
  }
}

TEST_F(MainWindowTest, FilterBoxesSwitchTheirFiltersAndTheLabelFollows) {
  Create();
  fm->Show();
  EXPECT_EQ(fm->lblFilter->Caption(), "LP") << "the stored text until the first click";
  struct Step {
    THTMLCheckBox* TfmMain::*box;
    const char* label;
    bool lowPass, bandStop, bandPass, highPass;
  };
  const Step steps[] = {
      {&TfmMain::cbFilterLowPass, "<aucun>", false, false, false, false},
      {&TfmMain::cbFilterBandPass, "BP ", false, false, true, false},
      {&TfmMain::cbFilterLowPass, "LF BP ", true, false, true, false},
      {&TfmMain::cbFilterBandStop, "LF BP BS ", true, true, true, false},
      {&TfmMain::cbFilterHighPass, "LF BP BS HP", true, true, true, true},
      {&TfmMain::cbFilterBandPass, "LF BS HP", true, true, false, true},
  };
  for (const Step& st : steps) {
    THTMLCheckBox* box = fm->*st.box;
    SCOPED_TRACE(box->Name());
    Click(box);
    EXPECT_EQ(fm->lblFilter->Caption(), st.label);
    EXPECT_EQ(fm->ALLowPass1->Enabled(), st.lowPass);
    EXPECT_EQ(fm->ALBandStop1->Enabled(), st.bandStop);
    EXPECT_EQ(fm->ALBandPass1->Enabled(), st.bandPass);
    EXPECT_EQ(fm->ALHighPass1->Enabled(), st.highPass);
  }
  EXPECT_TRUE(fm->ALAudioIn1->Enabled()) << "filter changes restart nothing";
}

TEST_F(MainWindowTest, ClicksOnActiverDuringASequenceEndInTheLastClicksState) {
  struct Case {
    int clicksDuring;  // further clicks while the first one's sequence pauses
    bool running;      // the state after the last click
  };
  for (const Case c : {Case{1, true}, Case{2, false}, Case{3, true}}) {
    SCOPED_TRACE(std::to_string(c.clicksDuring) + " more clicks");
    Create();
    fm->Show();
    ASSERT_TRUE(fm->ALAudioIn1->Enabled());
    moments.clear();
    for (int i = 0; i < c.clicksDuring; ++i) backend->QueueInput([&] { Click(fm->btnActivate); });
    Click(fm->btnActivate);  // unchecks: a stop sequence with its pauses
    EXPECT_FALSE(backend->InputPending());
    EXPECT_EQ(fm->btnActivate->Checked(), c.running);
    EXPECT_EQ(fm->Flags.Active, c.running);
    EXPECT_EQ(fm->ALAudioIn1->Enabled(), c.running);
    EXPECT_EQ(fm->ALAudioOut1->Enabled(), c.running) << "playback follows capture";
    EXPECT_EQ(fm->GraphAudioIn->Enabled(), c.running);
    EXPECT_EQ(fm->edInputBufferSize->Enabled(), !c.running);
    EXPECT_EQ(First(moments, [](const Moment& m) { return m.capture && !m.playback; }), nullptr)
        << "the sequences did not interleave";
    fm->Destroy();
    fm = nullptr;
  }
}

// The first run has no saved names: it saves the devices the audio used
// and an empty line, since the line chosen while the lists were filled is
// not the user's choice.
TEST_F(MainWindowTest, AFirstRunSavesTheFirstDevicesAndAnEmptyLine) {
  Create();
  bool can = false;
  fm->FormCloseQuery(fm, can);
  const TUserPrefs saved = LoadPrefs(fm->IniFileName);
  EXPECT_EQ(saved.InDevice, "Mic A");
  EXPECT_EQ(saved.InDeviceLine, "");
  EXPECT_EQ(saved.OutDevice, "Out A");
}

TEST_F(MainWindowTest, ClosingSavesTheDevicesAndStopsTheAudio) {
  Create();
  fm->lstInDevices->SetItemIndex(1);
  fm->lstInDevicesChange(fm->lstInDevices);
  bool can = false;
  fm->FormCloseQuery(fm, can);
  EXPECT_TRUE(can);
  EXPECT_TRUE(fm->Flags.Closing);
  EXPECT_FALSE(fm->btnActivate->Checked());
  EXPECT_FALSE(fm->ALAudioIn1->Enabled());
  EXPECT_FALSE(fm->ALAudioOut1->Enabled());
  const TUserPrefs saved = LoadPrefs(fm->IniFileName);
  EXPECT_EQ(saved.InDevice, "Mic B");
  EXPECT_EQ(saved.InDeviceLine, "Aux");
  EXPECT_EQ(saved.OutDevice, "Out A");
  EXPECT_EQ(fm->IniFileName, (dir / "tavrel.ini").string());
}

}  // namespace
}  // namespace tavrel
