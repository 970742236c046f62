#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
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

// Root reads any file whatever its mode; for as long as this lives, the
// calling thread gives up the capabilities that let it, so a mode of 000
// keeps the file from it as from anyone else.
class WithoutReadOverride {
 public:
  WithoutReadOverride() {
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~WithoutReadOverride() {
    if (lowered_) ::syscall(SYS_capset, &header_, saved_);
  }
  WithoutReadOverride(const WithoutReadOverride&) = delete;
  WithoutReadOverride& operator=(const WithoutReadOverride&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};  // 0: this thread
  __user_cap_data_struct saved_[2]{};
  bool lowered_ = false;
};

// A preferences file that is there but cannot be read reads as defaults,
// says why, and is never replaced by a save of the one entry written.
TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverReplaced) {
  const std::string kept = "[AudioDevices]\nInDevice=USB Audio\nOutDevice=HDA\n[Misc]\nWaveFormFill=0\n";
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;  // turns the path into what cannot be read
    const char* reason;
  };
  const Case cases[] = {
      {"no permission to read",
       [&](const std::string& p) {
         std::ofstream(p) << kept;
         fs::permissions(p, fs::perms::none);
       },
       "Permission denied"},
      {"a folder in its place", [](const std::string& p) { fs::create_directory(p); }, "Is a directory"},
      {"a link that leads nowhere but to itself", [](const std::string& p) { fs::create_symlink(p, p); },
       "Too many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = (dir_ / (std::string(c.what).substr(0, 4) + ".ini")).string();
    c.make(path);
    {
      WithoutReadOverride asAnyone;
      int fd = ::open(path.c_str(), O_RDONLY);
      if (fd >= 0) {
        ::close(fd);
        if (fs::is_regular_file(path)) {
          std::cout << "[  SKIPPED ] " << c.what << ": this process reads the file whatever its mode\n";
          continue;
        }
      }
      TIniFile ini(path);
      EXPECT_THAT(ini.LoadError(), testing::HasSubstr(c.reason));
      EXPECT_THAT(ini.LoadError(), testing::HasSubstr(path));
      EXPECT_EQ(ini.ReadString("AudioDevices", "InDevice", "none"), "none");
      EXPECT_EQ(ini.ReadBool("Misc", "WaveFormFill", true), true);
      try {
        ini.WriteString("AudioDevices", "InDevice", "Mic");
        ADD_FAILURE() << "saved over a file it could not read";
      } catch (const EIniFileException& e) {
        EXPECT_THAT(e.what(), testing::HasSubstr(c.reason));
      }
    }
    // Left exactly as it was, with no temporary beside it.
    EXPECT_TRUE(fs::is_symlink(path) || fs::exists(path));
    if (fs::is_regular_file(fs::symlink_status(path))) {
      fs::permissions(path, fs::perms::owner_read);
      EXPECT_EQ(TIniFile(path).ReadString("AudioDevices", "InDevice", ""), "USB Audio");
      std::ifstream in(path);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kept);
    }
    EXPECT_EQ(fs::is_directory(fs::symlink_status(path)), std::string(c.what) == "a folder in its place");
    EXPECT_EQ(fs::is_symlink(fs::symlink_status(path)), std::string(c.what).rfind("a link", 0) == 0);
  }
  EXPECT_EQ(Files().size(), 3u) << "no temporary file left";
  // A missing file is no failure: it is simply empty, and the first save makes it.
  TIniFile fresh((dir_ / "fresh.ini").string());
  EXPECT_EQ(fresh.LoadError(), "");
  fresh.WriteString("S", "k", "v");
  EXPECT_EQ(TIniFile((dir_ / "fresh.ini").string()).ReadString("S", "k", ""), "v");
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
