// Shell icons ("SSYS:", "LSYS:") on a desktop the test makes: its own MIME
// data and icon theme in a temporary folder named by the XDG variables.
// The MIME database is read once per process, so each desktop is tried in
// a fresh child process, which exits 0 when everything it saw was right
// and otherwise says what was wrong on standard error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "controls/htmlbtnsMarkup.h"
#include "controls/htmlbtnsSupport.h"
#include "platform/tests/icon_theme_fixture.h"
#include "platform/tests/ui_test_support.h"
#include "platform/ui/systemicons.h"

// gtest defines this flag (--gtest_death_test_use_fork) without declaring it.
namespace testing {
extern bool FLAGS_gtest_death_test_use_fork;
}

namespace tavrel {
namespace {

// Set in the parent, so a child run of the same test finds the desktop
// the parent made instead of making its own.
constexpr const char* kDesktopVariable = "TAVREL_TEST_DESKTOP";

// A desktop of its own for the test: made and named in the XDG variables
// by the parent, taken over as it is by the child; the parent removes it
// and puts the variables back.
class TestDesktop {
 public:
  explicit TestDesktop(const std::function<void(test::IconFolder&)>& make) {
    if (const char* made = std::getenv(kDesktopVariable)) {
      folder_.emplace(made, /*keep=*/true);
      return;
    }
    folder_.emplace("desktop");
    make(*folder_);
    Set(kDesktopVariable, folder_->Path());
    Set("HOME", folder_->Path("home"));
    Set("XDG_DATA_HOME", folder_->Path("home/.local/share"));
    Set("XDG_DATA_DIRS", folder_->Path("share"));
    Set("XDG_CONFIG_HOME", folder_->Path("config"));
    Set("XDG_CONFIG_DIRS", folder_->Path("config"));
  }
  ~TestDesktop() {
    for (auto& [name, value] : saved_)
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
  }
  std::string Path(const std::string& relative) const { return folder_->Path(relative); }

 private:
  void Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    setenv(name.c_str(), value.c_str(), 1);
  }
  std::optional<test::IconFolder> folder_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// What a child saw that it should not have.
class Findings {
 public:
  void Expect(bool ok, const std::string& what) {
    if (!ok) text_ << what << "\n";
  }
  [[noreturn]] void Exit() {
    const std::string t = text_.str();
    std::fputs(t.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(t.empty() ? 0 : 1);
  }

 private:
  std::ostringstream text_;
};

std::string SizeText(TSize s) { return std::to_string(s.cx) + " x " + std::to_string(s.cy); }

int CountColour(TBitmap& b, TColor c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.Canvas().Pixel(x, y) == c;
  return n;
}

// Draws the icon named `name` at (2, 3) on a white 40 x 40 bitmap; checks
// its size and that exactly its square, less the transparent top-left
// pixel, took `colour`.
void ExpectIcon(Findings& f, const std::string& name, bool large, TColor colour) {
  const int side = large ? 32 : 16;
  TBitmap b = test::WhiteBitmap(40, 40);
  TSize size;
  DrawShellIcon(b.Canvas(), 2, 3, name, large, true, false, 1.0, size);
  const std::string what = (large ? "LSYS:" : "SSYS:") + name;
  f.Expect(size == TSize{side, side}, what + " measures " + SizeText(size));
  f.Expect(test::InkBounds(b, clWhite) == Bounds(2, 3, side, side), what + " is not drawn where asked");
  f.Expect(CountColour(b, colour) == side * side - 1, what + " is not its theme's picture");
  f.Expect(b.Canvas().Pixel(2, 3) == clWhite, what + " is not drawn transparent");
}

// No icon: 0 x 0, nothing drawn, whether drawing was asked or not.
void ExpectNoIcon(Findings& f, const std::string& name, bool large) {
  const std::string what = (large ? "LSYS:" : "SSYS:") + name;
  for (bool draw : {false, true}) {
    TBitmap b = test::WhiteBitmap(40, 40);
    TSize size{5, 5};
    DrawShellIcon(b.Canvas(), 2, 3, name, large, draw, false, 1.0, size);
    f.Expect(size == TSize{}, what + " measures " + SizeText(size));
    f.Expect(test::InkBounds(b, clWhite) == TRect{}, what + " draws something");
  }
}

// The room the markup renderer gives one image tag.
TSize Room(const std::string& source) {
  TBitmap b = test::WhiteBitmap(200, 60);
  b.Canvas().Font().SetName("Tahoma");
  b.Canvas().Font().SetSize(8);
  TMarkupResult r;
  RenderMarkupText(b.Canvas(), "<IMG SRC=\"" + source + "\">", Rect(0, 0, 200, 60), {}, r);
  return {r.ExtentX, r.ExtentY};
}

// A theme (here hicolor, the user having chosen none) with the text icon
// in 16 and 32 pixels, and MIME data that types "*.txt" as text.
void TextDesktop(test::IconFolder& d) {
  d.File("share/mime/globs2", "# test MIME data\n50:text/plain:*.txt\n");
  d.Theme("share/icons", "hicolor", "",
          {{"16x16/mimetypes", "Size=16\nType=Fixed"}, {"32x32/mimetypes", "Size=32\nType=Fixed"}});
  d.Icon("share/icons/hicolor/16x16/mimetypes/text-x-generic.png", 16, clBlue);
  d.Icon("share/icons/hicolor/32x32/mimetypes/text-x-generic.png", 32, clLime);
  d.File("notes.dat", "Words, by their content a plain text.\n");
}

// The child's part on the text desktop.
[[noreturn]] void SeeTextDesktop(const TestDesktop& desktop) {
  Findings f;
  // By name: there is no such file here.
  ExpectIcon(f, "file.txt", false, clBlue);
  ExpectIcon(f, "file.txt", true, clLime);
  // By content: an existing file of an untyped name reads as text; a path
  // that is not there is typed by its name alone, and has no icon here.
  ExpectIcon(f, desktop.Path("notes.dat"), false, clBlue);
  ExpectNoIcon(f, desktop.Path("missing.dat"), false);
  ExpectNoIcon(f, "photo.unknown", true);
  // Stretched: drawn on white, then scaled; the size stays the list's.
  TBitmap b = test::WhiteBitmap(40, 40);
  TSize size;
  DrawShellIcon(b.Canvas(), 2, 3, "file.txt", false, true, true, 2.0, size);
  f.Expect(size == TSize{16, 16}, "stretched SSYS:file.txt measures " + SizeText(size));
  f.Expect(test::InkBounds(b, clWhite) == Bounds(2, 3, 32, 32) && CountColour(b, clBlue) == 32 * 32 - 4,
           "SSYS:file.txt is not stretched to twice its size");
  // The text icon holds the fixed document index; numbers are indexes.
  f.Expect(SystemIconIndex("file.txt", true) == 1, "the text icon is not the document icon");
  ExpectIcon(f, "1", false, clBlue);
  ExpectIcon(f, "1", true, clLime);
  ExpectNoIcon(f, "0", false);  // the unknown-file icon, which the theme lacks
  ExpectNoIcon(f, "99", false);
  ExpectNoIcon(f, "-1", true);
  f.Expect(SystemIconIndex(desktop.Path("notes.dat"), false) == 1 && SystemIconIndex("other.txt", true) == 1,
           "the text icon changed its index");
  // The renderer gives the icon its room (its width + 2 across), or none.
  const TSize text = Room(""), small = Room("SSYS:file.txt"), large = Room("LSYS:file.txt"),
              none = Room("SSYS:missing.dat");
  f.Expect(small == TSize{18, std::max(text.cy, 16)}, "SSYS: takes " + SizeText(small));
  f.Expect(large == TSize{34, 32}, "LSYS: takes " + SizeText(large));
  f.Expect(none == TSize{0, text.cy}, "no icon takes " + SizeText(none));
  f.Exit();
}

[[noreturn]] void SeeNoTheme() {
  Findings f;
  for (bool large : {false, true}) {
    ExpectNoIcon(f, "file.txt", large);
    ExpectNoIcon(f, "1", large);
  }
  f.Expect(SystemIconIndex("file.txt", true) == -1, "an icon without a theme");
  f.Expect(Room("SSYS:file.txt").cx == 0, "no icon takes room");
  f.Exit();
}

class ShellIconDeathTest : public testing::Test {
 protected:
  // Each child runs the program anew, started by fork() (see the font tests).
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    GTEST_FLAG_SET(death_test_use_fork, true);
  }
};

TEST_F(ShellIconDeathTest, IconsOfTheTestThemeBySizeNameContentAndIndex) {
  const TestDesktop desktop(TextDesktop);
  EXPECT_EXIT(SeeTextDesktop(desktop), testing::ExitedWithCode(0), "");
}

TEST_F(ShellIconDeathTest, NoThemeAtAllGivesNoIcons) {
  const TestDesktop desktop([](test::IconFolder& d) { d.File("share/mime/globs2", "50:text/plain:*.txt\n"); });
  EXPECT_EXIT(SeeNoTheme(), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tavrel
