#include "audio/ALAudioDevice.h"

#include <gtest/gtest.h>

#include "platform/wave/fake_backend.h"

namespace tavrel {
namespace {

struct Warning {
  std::string text;
  MMRESULT code;
};

// Three capture and three playback devices on the fake backend; the
// device objects report their warnings into `warnings`.
struct DeviceFixture : testing::Test {
  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
  Ref<ILPLock> lock{new TLPLock()};
  std::vector<Warning> warnings;
  TALDeviceWarning onWarning = [this](const std::string& text, MMRESULT code) { warnings.push_back({text, code}); };

  DeviceFixture() {
    fake->SetDevices(WaveDirection::In, {{"Mic A", "a", 0}, {"Mic B", "b", 1}, {"Line C", "c", 2}});
    fake->SetDevices(WaveDirection::Out, {{"Out A", "a", 0}, {"Out B", "b", 1}, {"Out C", "c", 2}});
  }
};

TEST_F(DeviceFixture, DeviceIdFollowsNameThenAlternatives) {
  struct Case {
    const char* name;
    std::vector<std::string> alternatives;
    uint32_t expected;
  };
  const Case cases[] = {
      {"Default", {"Mic A"}, WAVE_MAPPER},
      {"default", {}, WAVE_MAPPER},
      {"DEFAULT", {}, WAVE_MAPPER},
      {"Line C", {}, 2},
      {"line c", {}, WAVE_MAPPER},         // exact match only
      {"line c", {"Mic B"}, 1},            // so the alternative decides
      {"Gone", {"Also gone", "Mic A", "Mic B"}, 0},
      {"Gone", {"Default", "Mic B"}, WAVE_MAPPER},  // the search ends at "Default"
      {"Gone", {"Also gone"}, WAVE_MAPPER},
      {"", {}, WAVE_MAPPER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TALAudioCaptureDevice device(nullptr, lock, onWarning);
    device.SetDeviceName(c.name);
    for (const std::string& a : c.alternatives) device.AlternativeDevices()->Add()->SetDeviceName(a);
    EXPECT_EQ(device.GetDeviceID(), c.expected);
  }
  EXPECT_TRUE(warnings.empty());
}

TEST_F(DeviceFixture, PlaybackFamilyReadsThePlaybackDevices) {
  TALAudioOutDevice device(nullptr, lock, onWarning);
  EXPECT_EQ(device.DeviceName(), "Default");
  device.SetDeviceName("Out B");
  EXPECT_EQ(device.GetDeviceID(), 1u);
  device.SetDeviceName("Mic B");
  EXPECT_EQ(device.GetDeviceID(), WAVE_MAPPER);
  std::vector<std::string> names;
  device.GetDeviceList(names);
  EXPECT_EQ(names, (std::vector<std::string>{"Out A", "Out B", "Out C"}));
  EXPECT_STREQ(device.AlternativeDevices()->Add()->ClassName().c_str(), "TALAudioOutDeviceItem");
}

TEST_F(DeviceFixture, UnreadableDeviceIsSkippedWithAWarning) {
  fake->FailCall("waveInGetDevCapsW", MMSYSERR_NODRIVER, -1, 0);
  TALAudioCaptureDevice device(nullptr, lock, onWarning);
  device.SetDeviceName("Mic B");
  EXPECT_EQ(device.GetDeviceID(), 1u);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].text, "Can't get device capabilities.");
  EXPECT_EQ(warnings[0].code, MMSYSERR_NODRIVER);
  // Device 0 is never chosen for a name it might not have.
  device.SetDeviceName("Mic A");
  EXPECT_EQ(device.GetDeviceID(), WAVE_MAPPER);
}

TEST_F(DeviceFixture, DeviceListEndsAtAnUnreadableDevice) {
  fake->FailCall("waveInGetDevCapsW", MMSYSERR_NODRIVER, -1, 1);
  TALAudioCaptureDevice device(nullptr, lock, onWarning);
  std::vector<std::string> names{"kept"};
  device.GetDeviceList(names);
  EXPECT_EQ(names, (std::vector<std::string>{"kept", "Mic A"}));
  EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(DeviceFixture, NewAlternativeTakesTheFirstLeastNamedDevice) {
  TALAudioCaptureDevice device(nullptr, lock, onWarning);
  auto* items = device.AlternativeDevices();
  EXPECT_EQ(items->Add()->DeviceName(), "Mic A");
  EXPECT_EQ(items->Add()->DeviceName(), "Mic B");
  EXPECT_EQ(items->Add()->DeviceName(), "Line C");
  EXPECT_EQ(items->Add()->DeviceName(), "Mic A");  // every device named once
  items->Items(1)->SetDeviceName("Line C");  // Mic A twice, Mic B never, Line C twice
  EXPECT_EQ(items->Add()->DeviceName(), "Mic B");
  EXPECT_EQ(items->Items(1)->GetDisplayName(), "Line C");
}

TEST_F(DeviceFixture, WithoutDevicesANewAlternativeIsDefault) {
  fake->SetDevices(WaveDirection::In, {});
  TALAudioCaptureDevice device(nullptr, lock, onWarning);
  EXPECT_EQ(device.AlternativeDevices()->Add()->DeviceName(), "Default");
  device.SetDeviceName("Mic A");
  EXPECT_EQ(device.GetDeviceID(), WAVE_MAPPER);
}

TEST_F(DeviceFixture, NamesMatchTheLayersCutAndUniqueNames) {
  std::string longName(40, 'x');
  fake->SetDevices(WaveDirection::In, {{longName, "a", 0}, {longName, "b", 1}, {"H\xC3\xA9las \xF0\x9D\x84\x9E", "c", 2}});
  TALAudioCaptureDevice device(nullptr, lock, onWarning);
  std::vector<std::string> names;
  device.GetDeviceList(names);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_NE(names[0], names[1]);
  EXPECT_LE(names[0].size(), 31u);
  EXPECT_EQ(names[2], "H\xC3\xA9las \xF0\x9D\x84\x9E");  // a surrogate pair survives
  for (uint32_t i = 0; i < names.size(); ++i) {
    device.SetDeviceName(names[i]);
    EXPECT_EQ(device.GetDeviceID(), i);
  }
}

TEST(DevicePname, StopsAtZeroOrAfterThirtyTwoUnits) {
  char16_t full[32];
  for (auto& c : full) c = u'a';
  EXPECT_EQ(DevicePnameToString(full), std::string(32, 'a'));
  char16_t shortName[32] = u"ab";
  EXPECT_EQ(DevicePnameToString(shortName), "ab");
  char16_t lone[32] = {0xD800, u'z'};
  EXPECT_EQ(DevicePnameToString(lone), "\xEF\xBF\xBDz");
}

}  // namespace
}  // namespace tavrel
