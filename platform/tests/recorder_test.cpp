// The recorder: the wave layer's input names in the same order, lines from
// the card mixer, selection by index.
#include "platform/wave/recorder.h"

#include <gtest/gtest.h>

#include "platform/tests/wave_alsa_test.h"
#include "platform/wave/alsa_backend.h"
#include "platform/wave/fake_backend.h"

namespace tavrel {
namespace {

using Element = RecorderMixer::Element;

std::vector<std::string> WaveInNames() {
  std::vector<std::string> names;
  for (std::uint32_t i = 0, n = waveInGetNumDevs(); i < n; ++i) {
    WAVEINCAPSW caps{};
    EXPECT_EQ(waveInGetDevCapsW(i, &caps, sizeof caps), 0u);
    std::string name;
    for (const char16_t* c = caps.szPname; *c; ++c) name += char(*c);  // ASCII names here
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> RecorderNames(const TCAudioRecord& rec) {
  std::vector<std::string> names;
  for (int i = 0; i < rec.GetDeviceCount(); ++i) names.push_back(rec.GetDeviceName(i));
  return names;
}

std::vector<std::string> Lines(const TCAudioRecord& rec) {
  std::vector<std::string> lines;
  for (int i = 0; i < rec.GetDeviceLineCount(); ++i) lines.push_back(rec.GetDeviceLineName(i));
  return lines;
}

TEST(RecorderLines, AnEnumeratedCaptureSourceWinsOverCaptureSwitches) {
  struct Case {
    const char* what;
    std::vector<Element> elements;
    RecorderLines::Kind kind;
    std::vector<std::string> names;
  };
  const Element master{"Master", false, {}, false};
  const Element mic{"Mic", false, {}, true};
  const Element line{"Line", false, {}, true};
  const Element source{"Capture Source", true, {"Mic", "Line", "CD"}, false};
  const Element emptySource{"Input Source", true, {}, false};
  const Element masterCapture{"Capture", false, {}, true};
  const Case cases[] = {
      {"source after switches", {mic, master, source, line}, RecorderLines::Kind::Source,
       {"Mic", "Line", "CD"}},
      {"switches only", {master, mic, line}, RecorderLines::Kind::Switches, {"Mic", "Line"}},
      {"a source without items is no source", {emptySource, line}, RecorderLines::Kind::Switches,
       {"Line"}},
      {"the master capture switch is no line", {masterCapture, mic, line}, RecorderLines::Kind::Switches,
       {"Mic", "Line"}},
      {"a master capture switch alone gives no lines", {master, masterCapture}, RecorderLines::Kind::None, {}},
      {"a source beside the master switch", {masterCapture, source}, RecorderLines::Kind::Source,
       {"Mic", "Line", "CD"}},
      {"nothing to capture from", {master}, RecorderLines::Kind::None, {}},
      {"empty mixer", {}, RecorderLines::Kind::None, {}},
  };
  for (const auto& c : cases) {
    auto lines = ChooseRecorderLines(c.elements);
    EXPECT_EQ(lines.kind, c.kind) << c.what;
    EXPECT_EQ(lines.names, c.names) << c.what;
  }
  auto lines = ChooseRecorderLines({master, mic, line});
  EXPECT_EQ(lines.switches, (std::vector<std::size_t>{1, 2}));
  lines = ChooseRecorderLines({mic, masterCapture, line});
  EXPECT_EQ(lines.switches, (std::vector<std::size_t>{0, 2})) << "the master is never among the switched";
}

class RecorderFake : public testing::Test {
 protected:
  RecorderFake() {
    fake->SetDevices(WaveDirection::In, {{"Built-in Audio", "sysdefault:CARD=0", 0},
                                         {"USB Microphone", "sysdefault:CARD=1", 1},
                                         {"Built-in Audio", "other", 0},
                                         {"Loopback", "loop", -1}});
    fake->SetMixer(0, {{"Master", false, {}, false},
                       {"Mic", false, {}, true},
                       {"Capture Source", true, {"Mic", "Line", "CD"}, false}});
    fake->SetMixer(1, {{"PCM", false, {}, false},
                       {"Mic", false, {}, true},
                       {"Line", false, {}, true},
                       {"Aux", false, {}, true},
                       {"Capture", false, {}, true}});  // the master: gates every line
  }
  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
};

TEST_F(RecorderFake, DevicesAreTheWaveInputNamesInOrder) {
  TCAudioRecord rec;
  EXPECT_EQ(RecorderNames(rec), WaveInNames());
  EXPECT_EQ(RecorderNames(rec), (std::vector<std::string>{"Built-in Audio", "USB Microphone",
                                                          "Built-in Audio (2)", "Loopback"}));
  EXPECT_EQ(rec.GetDeviceName(-1), "");
  EXPECT_EQ(rec.GetDeviceName(4), "");
}

TEST_F(RecorderFake, LinesComeFromTheSelectedDevicesCard) {
  TCAudioRecord rec;
  EXPECT_EQ(rec.GetDeviceLineCount(), 0) << "no device chosen yet";
  rec.SetDeviceIndex(0);
  EXPECT_EQ(Lines(rec), (std::vector<std::string>{"Mic", "Line", "CD"}));
  rec.SetDeviceLineIndex(1);
  EXPECT_EQ(rec.DeviceLineIndex(), 1);
  EXPECT_EQ(fake->MixerLog(), (std::vector<std::string>{"item 2 1"}));

  rec.SetDeviceIndex(1);
  EXPECT_EQ(rec.DeviceIndex(), 1);
  EXPECT_EQ(rec.DeviceLineIndex(), -1);
  EXPECT_EQ(Lines(rec), (std::vector<std::string>{"Mic", "Line", "Aux"}));
  rec.SetDeviceLineIndex(2);
  EXPECT_EQ(fake->MixerLog(), (std::vector<std::string>{"item 2 1", "switch 1 off",
                                                        "switch 2 off", "switch 3 on"}));

  rec.SetDeviceIndex(3);  // no card: no mixer, no lines
  EXPECT_EQ(rec.GetDeviceLineCount(), 0);
  rec.SetDeviceLineIndex(0);
  EXPECT_EQ(rec.DeviceLineIndex(), -1);
  EXPECT_EQ(fake->MixerLog().size(), 4u);
}

TEST_F(RecorderFake, MinusOneAndOutOfRangeChangeNothing) {
  TCAudioRecord rec;
  rec.SetDeviceIndex(1);
  rec.SetDeviceLineIndex(0);
  auto log = fake->MixerLog();
  for (int bad : {-1, 3, 100}) {
    rec.SetDeviceLineIndex(bad);
    EXPECT_EQ(rec.DeviceLineIndex(), 0) << bad;
  }
  for (int bad : {-1, 4, 100}) {
    rec.SetDeviceIndex(bad);
    EXPECT_EQ(rec.DeviceIndex(), 1) << bad;
    EXPECT_EQ(rec.GetDeviceLineCount(), 3) << bad;
  }
  EXPECT_EQ(fake->MixerLog(), log);

  fake->FailMixerSelection(true);
  rec.SetDeviceLineIndex(2);
  EXPECT_EQ(rec.DeviceLineIndex(), 0) << "a refused selection is not taken as made";
}

TEST_F(RecorderFake, AnEmptyDeviceListIsAllowed) {
  fake->SetDevices(WaveDirection::In, {});
  TCAudioRecord rec;
  EXPECT_EQ(rec.GetDeviceCount(), 0);
  rec.SetDeviceIndex(0);
  rec.SetDeviceIndex(-1);
  EXPECT_EQ(rec.DeviceIndex(), -1);
  EXPECT_EQ(rec.GetDeviceLineCount(), 0);
}

TEST(RecorderAlsa, SameNamesAsTheWaveLayerAndNoLinesWithoutAMixer) {
  wavetest::AlsaTestConfig config;
  WaveBackendScope use(std::make_shared<AlsaBackend>());
  TCAudioRecord rec;
  ASSERT_GT(rec.GetDeviceCount(), 0);
  EXPECT_EQ(RecorderNames(rec), WaveInNames());
  for (int i = 0; i < rec.GetDeviceCount(); ++i) {
    rec.SetDeviceIndex(i);
    EXPECT_EQ(rec.DeviceIndex(), i);
    EXPECT_EQ(rec.GetDeviceLineCount(), 0) << rec.GetDeviceName(i);
    rec.SetDeviceLineIndex(0);
    EXPECT_EQ(rec.DeviceLineIndex(), -1);
  }
}

}  // namespace
}  // namespace tavrel
