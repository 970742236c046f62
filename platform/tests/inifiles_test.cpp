#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/exceptions.h"
#include "platform/inifiles.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tavrel-ini-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    path_ = (dir_ / "tavrel.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Get() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(IniFileTest, ReadsWhatItCanAndDefaultsTheRest) {
  Put("\xEF\xBB\xBF"
      "top=above any section\r\n"
      "; comment=not a key\r\n"
      "[AudioDevices]\r\n"
      "  InDevice = USB Audio  \r\n"
      "garbage line without equals\n"
      "=no key\n"
      "indevice=second copy\n"
      "[Misc\n"
      "WaveFormFill=0\n"
      "[audiodevices]\n"
      "OutDevice=HDA\n");
  TIniFile ini(path_);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"AudioDevices", "InDevice", "USB Audio"}, {"AUDIODEVICES", "indevice", "USB Audio"},
      {"AudioDevices", "OutDevice", "HDA"},      {"Misc", "WaveFormFill", "0"},
      {"AudioDevices", "WaveFormFill", "def"},   {"AudioDevices", "; comment", "def"},
      {"", "top", "above any section"},          {"Nothing", "InDevice", "def"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "def"), c.expected);
  }
  EXPECT_FALSE(ini.ReadBool("Misc", "WaveFormFill", true));
  EXPECT_TRUE(ini.SectionExists("misc"));
  EXPECT_TRUE(ini.ValueExists("audiodevices", "OUTDEVICE"));
  TStringList list;
  ini.ReadSection("AudioDevices", list);
  EXPECT_EQ(list.Text(), "InDevice\nOutDevice\n");
  ini.ReadSections(list);
  EXPECT_EQ(list.Text(), "AudioDevices\nMisc\n");
  ini.ReadSectionValues("AudioDevices", list);
  EXPECT_EQ(list.Text(), "InDevice=USB Audio\nOutDevice=HDA\n");

  TIniFile missing((dir_ / "none.ini").string());
  EXPECT_EQ(missing.ReadString("AudioDevices", "InDevice", "x"), "x");
  EXPECT_TRUE(missing.ReadBool("Misc", "WaveFormFill", true));
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  Put("[N]\na=12\nb=-7\nc=$1F\nd=0x10\ne=$FFFFFFFF\nf=abc\ng=12abc\nh=99999999999\ni=\nj=+3\nk=--1\nl=2\n");
  TIniFile ini(path_);
  struct Case {
    const char* key;
    int expected;
  } cases[] = {{"a", 12}, {"b", -7},  {"c", 31},  {"d", 16}, {"e", -1}, {"f", 42},
               {"g", 42}, {"h", 42}, {"i", 42}, {"j", 3},  {"k", 42}, {"zz", 42}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(ini.ReadInteger("N", c.key, 42), c.expected);
  }
  EXPECT_TRUE(ini.ReadBool("N", "l", false));
  EXPECT_FALSE(ini.ReadBool("N", "f", false));  // not a number: the default
  EXPECT_TRUE(ini.ReadBool("N", "f", true));
}

TEST_F(IniFileTest, WritingKeepsEverythingElse) {
  Put("; preferences\n"
      "[AudioDevices]\n"
      "InDevice = Old\n"
      "odd line\n"
      "\n"
      "[Misc]\n"
      "WaveFormFill=0\n");
  TIniFile ini(path_);
  ini.WriteString("audiodevices", "INDEVICE", "USB Audio");
  ini.WriteString("AudioDevices", "OutDevice", "HDA");
  ini.WriteInteger("Bar1PANELS", "COUNT", 2);
  ini.WriteBool("Misc", "Flag", true);
  EXPECT_EQ(Get(),
            "; preferences\n"
            "[AudioDevices]\n"
            "INDEVICE=USB Audio\n"
            "OutDevice=HDA\n"
            "odd line\n"
            "\n"
            "[Misc]\n"
            "WaveFormFill=0\n"
            "Flag=1\n"
            "\n"
            "[Bar1PANELS]\n"
            "COUNT=2\n");
  EXPECT_EQ(ini.ReadString("AudioDevices", "InDevice", ""), "USB Audio");
  ini.DeleteKey("misc", "flag");
  ini.EraseSection("AUDIODEVICES");
  EXPECT_EQ(Get(), "; preferences\n[Misc]\nWaveFormFill=0\n\n[Bar1PANELS]\nCOUNT=2\n");
  EXPECT_FALSE(ini.SectionExists("AudioDevices"));
  EXPECT_THAT(Files(), testing::ElementsAre("tavrel.ini"));
}

TEST_F(IniFileTest, AByteOrderMarkStaysAtTheFront) {
  Put("\xEF\xBB\xBF[S]\r\nk=v\r\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
  ini.WriteString("S", "k", "w");
  EXPECT_EQ(Get(), "\xEF\xBB\xBF[S]\nk=w\n");
}

TEST_F(IniFileTest, EachWriteKeepsWhatAnotherWriterSaved) {
  TIniFile first(path_), second(path_);
  first.WriteString("AudioDevices", "InDevice", "A");
  second.WriteString("AudioDevices", "OutDevice", "B");
  TIniFile check(path_);
  EXPECT_EQ(check.ReadString("AudioDevices", "InDevice", ""), "A");
  EXPECT_EQ(check.ReadString("AudioDevices", "OutDevice", ""), "B");
}

TEST_F(IniFileTest, FailedSaveOrUnwritableEntryChangesNothing) {
  Put("[S]\nk=v\n");
  TIniFile ini(path_);
  struct Case {
    const char *section, *key, *value;
  } bad[] = {{"S", "k", "two\nlines"}, {"S", "a=b", "v"}, {"x]y", "k", "v"}, {"S", "", "v"},
             {"", "k", "v"},           {"S", "[k", "v"},  {"S", "k", " padded"}, {"S", "k\r", "v"}};
  for (auto& c : bad) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key + "/" + c.value);
    EXPECT_THROW(ini.WriteString(c.section, c.key, c.value), EIniFileException);
  }
  EXPECT_EQ(Get(), "[S]\nk=v\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "v");

  TIniFile nowhere((dir_ / "missing" / "x.ini").string());
  EXPECT_THROW(nowhere.WriteString("S", "k", "v"), EIniFileException);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));

  // A folder where the file should be: the rename fails, no temporary is left.
  fs::create_directory(dir_ / "taken.ini");
  TIniFile blocked((dir_ / "taken.ini").string());
  EXPECT_THROW(blocked.WriteString("S", "k", "v"), EIniFileException);
  EXPECT_THAT(Files(), testing::UnorderedElementsAre("tavrel.ini", "taken.ini"));
}

TEST_F(IniFileTest, SaveKeepsTheFileMode) {
  Put("[S]\nk=v\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  TIniFile(path_).WriteString("S", "k", "w");
  struct stat st;
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

class RegistryTest : public IniFileTest {
 protected:
  void SetUp() override {
    IniFileTest::SetUp();
    for (const char* name : {"XDG_CONFIG_HOME", "HOME"})
      saved_.emplace_back(name, std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt);
  }
  void TearDown() override {
    for (auto& [name, value] : saved_)
      value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    IniFileTest::TearDown();
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(RegistryTest, KeysAreIniFilesInTheConfigurationFolder) {
  ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  {
    TRegistryIniFile reg("\\Software\\Tavrel\\Panels");
    reg.WriteInteger("Bar1PANELS", "COUNT", 2);
    reg.WriteString("Bar1PANEL1", "NAME", "ToolPanel1");
  }
  auto file = dir_ / "tavrel" / "Software" / "Tavrel" / "Panels.ini";
  ASSERT_TRUE(fs::exists(file));
  TRegistryIniFile again("Software/Tavrel/Panels");
  EXPECT_EQ(again.FileName(), file.string());
  EXPECT_EQ(again.ReadString("Bar1PANELS", "COUNT", ""), "2");
  EXPECT_EQ(again.ReadInteger("bar1panels", "count", 0), 2);
  EXPECT_EQ(again.ReadString("Bar1PANEL1", "NAME", ""), "ToolPanel1");

  for (const char* bad : {"", "\\", "Software\\..\\..\\etc", "a\\\\b", "a/./b"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(TRegistryIniFile{bad}, EIniFileException);
  }

  ::setenv("XDG_CONFIG_HOME", "relative/path", 1);
  ::setenv("HOME", dir_.c_str(), 1);
  EXPECT_EQ(TRegistryIniFile::ConfigFolder(), dir_.string() + "/.config/tavrel");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(TRegistryIniFile::KeyFileName("Software\\X"), dir_.string() + "/.config/tavrel/Software/X.ini");
}

}  // namespace
}  // namespace tavrel
