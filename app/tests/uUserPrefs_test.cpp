#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/tests/history_fixture.h"
#include "app/uUserPrefs.h"
#include "platform/ui/combobox.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class Prefs : public apptest::HistoryFixture {
 protected:
  void SetUp() override {
    HistoryFixture::SetUp();
    dir = fs::temp_directory_path() / ("tavrel-prefs-" + std::to_string(::getpid()) + "-" +
                                       testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ini = (dir / "tavrel.ini").string();
  }
  void TearDown() override {
    fs::remove_all(dir);
    HistoryFixture::TearDown();
  }

  fs::path dir;
  std::string ini;
};

TEST_F(Prefs, RoundTrip) {
  const TUserPrefs p{"Micro (USB Audio) é", "Entrée ligne", "Sortie HDMI 2", true};
  ASSERT_TRUE(SavePrefs(p, ini));
  EXPECT_EQ(LoadPrefs(ini), p);
  const std::string text = ReadFile(ini);
  EXPECT_NE(text.find("[AudioDevices]"), std::string::npos) << text;
  EXPECT_NE(text.find("InDevice=Micro (USB Audio) é"), std::string::npos) << text;
  EXPECT_EQ(text.find("WaveFormFill"), std::string::npos) << "never written:\n" << text;

  // A first run saves the first devices and an empty line; saving again
  // replaces the names and adds no second entry.
  const TUserPrefs first{"Default", "", "Default", true};
  ASSERT_TRUE(SavePrefs(first, ini));
  EXPECT_EQ(LoadPrefs(ini), first);
  EXPECT_EQ(Occurrences(ReadFile(ini), "InDevice="), 1u);
  EXPECT_EQ(Occurrences(ReadFile(ini), "InDeviceLine="), 1u);
}

TEST_F(Prefs, SavingKeepsWhatElseTheFileHolds) {
  WriteFile(ini, "; the user's own\n[Misc]\nWaveFormFill=0\n[AudioDevices]\nOutDevice=Old\n[Other]\nKey=v\n");
  const TUserPrefs p{"In", "Line 1", "Out", false};
  ASSERT_TRUE(SavePrefs(p, ini));
  EXPECT_EQ(LoadPrefs(ini), p);
  const std::string text = ReadFile(ini);
  for (const char* kept : {"; the user's own", "WaveFormFill=0", "[Other]", "Key=v"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept << " lost:\n" << text;
  EXPECT_EQ(text.find("Old"), std::string::npos) << text;
}

TEST_F(Prefs, WaveFormFillIsReadAsANumber) {
  struct Case {
    const char* value;  // nullptr: no such key
    bool fill;
  };
  const Case cases[] = {{"0", false}, {"1", true}, {"7", true}, {"abc", true}, {nullptr, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "absent");
    WriteFile(ini, c.value ? std::string("[Misc]\nWaveFormFill=") + c.value + "\n" : "[Misc]\nOther=0\n");
    EXPECT_EQ(LoadPrefs(ini).WaveFormFill, c.fill);
  }
  EXPECT_EQ(LoadPrefs((dir / "none.ini").string()), TUserPrefs{});
}

TEST_F(Prefs, OnlyWaveFormFillZeroStartsInLineMode) {
  WriteFile(ini, "[Misc]\nWaveFormFill=0\n");
  const TUserPrefs saved = LoadPrefs(ini);
  EXPECT_EQ(saved, (TUserPrefs{"", "", "", false}));
  ApplyPrefs(saved, {}, *history);
  for (TBarSeries* s : charts.Bars) EXPECT_FALSE(s->Visible()) << s->Name();
  for (TFastLineSeries* s : charts.Lines) EXPECT_TRUE(s->Visible()) << s->Name();
  for (TChart* chart : {charts.GraphAudioIn, charts.GraphAudioOut}) {
    EXPECT_EQ(chart->LeftAxis()->Minimum(), -65536) << chart->Name();
    EXPECT_EQ(chart->LeftAxis()->Maximum(), 65536) << chart->Name();
  }
  history->PushHistory(-1, 1, -2, 2);
  EXPECT_EQ(charts.Lines[0]->Count(), 256);
  EXPECT_EQ(charts.Bars[0]->Count(), 0);

  // And back: a file that says nothing shows bars on 0..100.
  ApplyPrefs(LoadPrefs((dir / "none.ini").string()), {}, *history);
  for (TBarSeries* s : charts.Bars) EXPECT_TRUE(s->Visible()) << s->Name();
  for (TFastLineSeries* s : charts.Lines) EXPECT_FALSE(s->Visible()) << s->Name();
  EXPECT_EQ(charts.GraphAudioOut->LeftAxis()->Minimum(), 0);
  EXPECT_EQ(charts.GraphAudioOut->LeftAxis()->Maximum(), 100);
}

// The window's three lists, filled as at start-up (first entries
// selected), with change handlers that refill the line list as the window
// does and log what they saw.
class Restore : public Prefs {
 protected:
  void SetUp() override {
    Prefs::SetUp();
    inDevices = List();
    inLines = List();
    outDevices = List();
    for (auto& [name, lines] : kLines) inDevices->Items().Add(name);
    for (const char* name : {"Default", "HDMI", "USB Out"}) outDevices->Items().Add(name);
    inDevices->OnChange = TNotifyEvent([this](TObject*) {
      log.push_back("in " + std::to_string(inDevices->ItemIndex()));
      inLines->Items().Clear();
      if (inDevices->ItemIndex() < 0) return;
      for (const char* line : kLines.at(inDevices->Items()[inDevices->ItemIndex()])) inLines->Items().Add(line);
      inLines->SetItemIndex(0);
    });
    inLines->OnChange = TNotifyEvent([this](TObject*) { log.push_back("line " + std::to_string(inLines->ItemIndex())); });
    outDevices->OnChange = TNotifyEvent([this](TObject*) { log.push_back("out " + std::to_string(outDevices->ItemIndex())); });
    inDevices->SetItemIndex(0);
    inDevices->OnChange(inDevices);
    outDevices->SetItemIndex(0);
    log.clear();
  }
  TComboBox* List() {
    auto* c = TComponent::Create<TComboBox>(form);
    c->SetParent(form);
    c->SetStyle(csDropDownList);
    return c;
  }
  TPrefsLists Lists() { return {inDevices, inLines, outDevices}; }
  std::string Selected(TComboBox* c) { return c->ItemIndex() < 0 ? "<none>" : c->Items()[c->ItemIndex()]; }

  const std::map<std::string, std::vector<const char*>> kLines = {
      {"Default", {}}, {"USB Micro", {"Mic", "Line"}}, {"Webcam", {"Mic"}}};
  TComboBox *inDevices = nullptr, *inLines = nullptr, *outDevices = nullptr;
  std::vector<std::string> log;
};

TEST_F(Restore, SavedNamesAreSelectedAgainOrLeaveNoSelection) {
  struct Case {
    const char* name;
    TUserPrefs saved;
    const char *in, *line, *out;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"present", {"USB Micro", "Line", "HDMI", true}, "USB Micro", "Line", "HDMI", {"in 1", "line 1", "out 1"}},
      {"device present, line gone", {"Webcam", "Line", "Default", true}, "Webcam", "<none>", "Default",
       {"in 2", "line -1", "out 0"}},
      {"absent", {"Gone", "Line", "Gone too", true}, "<none>", "<none>", "<none>", {"in -1", "line -1", "out -1"}},
      {"names differing in case only are other names", {"usb micro", "", "hdmi", true}, "<none>", "<none>", "<none>",
       {"in -1", "line -1", "out -1"}},
      {"first run: nothing saved", {}, "<none>", "<none>", "<none>", {"in -1", "line -1", "out -1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    ApplyPrefs(c.saved, Lists(), *history);
    EXPECT_EQ(Selected(inDevices), c.in);
    EXPECT_EQ(Selected(inLines), c.line);
    EXPECT_EQ(Selected(outDevices), c.out);
    EXPECT_EQ(log, c.log);
  }
}

// After a run in which the user picked the second device, the next start
// selects it again.
TEST_F(Restore, APickedDeviceSurvivesTheNextStart) {
  const TUserPrefs picked{"USB Micro", "Mic", "USB Out", true};
  ASSERT_TRUE(SavePrefs(picked, ini));
  ApplyPrefs(LoadPrefs(ini), Lists(), *history);
  EXPECT_EQ(Selected(inDevices), "USB Micro");
  EXPECT_EQ(Selected(inLines), "Mic");
  EXPECT_EQ(Selected(outDevices), "USB Out");
}

// A file that cannot be written: SavePrefs says so and leaves what is on
// disk as it was; reading it gives the defaults.
TEST_F(Prefs, AnUnwritableFileIsReportedAndNothingIsLost) {
  struct Case {
    const char* name;
    std::function<std::string()> make;  // the INI path
    std::function<void()> check;        // what is on disk is as it was
  };
  const Case cases[] = {
      {"its folder is not there", [&] { return (dir / "missing" / "tavrel.ini").string(); },
       [&] { EXPECT_FALSE(fs::exists(dir / "missing")); }},
      {"a folder in its place",
       [&] {
         fs::create_directories(dir / "folder.ini");
         WriteFile(dir / "folder.ini" / "keep", "kept");
         return (dir / "folder.ini").string();
       },
       [&] { EXPECT_EQ(ReadFile(dir / "folder.ini" / "keep"), "kept"); }},
      {"its folder is a file",
       [&] {
         WriteFile(dir / "plain", "plain text");
         return (dir / "plain" / "tavrel.ini").string();
       },
       [&] { EXPECT_EQ(ReadFile(dir / "plain"), "plain text"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = c.make();
    std::string error;
    EXPECT_FALSE(SavePrefs({"In", "Line", "Out", true}, path, &error));
    EXPECT_FALSE(error.empty());
    c.check();
    EXPECT_EQ(LoadPrefs(path), TUserPrefs{});
  }
  // No temporary file left behind.
  for (auto& entry : fs::directory_iterator(dir))
    EXPECT_TRUE(entry.path().filename() == "folder.ini" || entry.path().filename() == "plain") << entry.path();
}

TEST_F(Prefs, AFileInAReadOnlyFolderKeepsItsNames) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const TUserPrefs before{"In", "Line", "Out", true};
  ASSERT_TRUE(SavePrefs(before, ini));
  const std::string text = ReadFile(ini);
  ::chmod(dir.c_str(), 0555);
  std::string error;
  EXPECT_FALSE(SavePrefs({"New in", "", "New out", true}, ini, &error));
  ::chmod(dir.c_str(), 0755);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(ini), text);
  EXPECT_EQ(LoadPrefs(ini), before);
}

}  // namespace
}  // namespace tavrel
