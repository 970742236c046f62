// Icon lookup in test-made themes: the folder made for the size first, then
// the nearest size, each theme for every name before the themes it
// inherits, hicolor last, then the icons outside themes.
#include "platform/ui/icontheme.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "platform/tests/icon_theme_fixture.h"

namespace tavrel {
namespace {

class IconThemeTest : public testing::Test {
 protected:
  void SetUp() override {
    // Child inherits Parent; hicolor is not named but comes last.
    dir.Theme("share/icons", "Parent", "", {{"16x16/mimetypes", "Size=16\nType=Fixed"},
                                             {"32x32/mimetypes", "Size=32\nType=Fixed"},
                                             {"24x24/mimetypes", "Size=24\nThreshold=3"},
                                             {"scalable/mimetypes", "Size=48\nType=Scalable\nMinSize=8\nMaxSize=512"}});
    dir.Theme("share/icons", "Child", "Parent", {{"24x24/mimetypes", "Size=24"}});
    dir.Theme("share/icons", "hicolor", "", {{"48x48/apps", "Size=48\nType=Fixed"}});
    for (const char* f : {"Parent/16x16/mimetypes/text-x-generic.png", "Parent/32x32/mimetypes/text-x-generic.png",
                          "Parent/16x16/mimetypes/text-plain.png", "Parent/scalable/mimetypes/drawing.svg",
                          "Parent/24x24/mimetypes/both.png", "Parent/scalable/mimetypes/both.svg",
                          "Child/24x24/mimetypes/text-x-generic.png", "Child/24x24/mimetypes/image-x-generic.png",
                          "hicolor/48x48/apps/player.png"})
      dir.File("share/icons/" + std::string(f), "");
    // Parent's 16x16 folder is also installed in the user's folder, with
    // an icon of its own but no index.theme there.
    dir.File("home/.icons/Parent/16x16/mimetypes/extra.png", "");
    dir.File("share/pixmaps/logo.png", "");
    dir.File("share/pixmaps/readme.txt", "");
  }
  TIconSearchPath Path() const {
    return {{dir.Path("home/.icons"), dir.Path("share/icons")}, {dir.Path("share/pixmaps")}};
  }
  std::string Icons(const std::string& relative) const { return dir.Path("share/icons/" + relative); }

  test::IconFolder dir{"lookup"};
};

TEST_F(IconThemeTest, FindsByThemeThenNameThenSize) {
  const TIconTheme child(Path(), "Child");
  EXPECT_EQ(child.ThemeNames(), (std::vector<std::string>{"Child", "Parent", "hicolor"}));
  struct Case {
    std::vector<std::string> names;
    int size;
    std::string file, found;
  } cases[] = {
      // Child's own 24 is nearer 22 and 16 than nothing, and Child comes first.
      {{"text-x-generic"}, 22, Icons("Child/24x24/mimetypes/text-x-generic.png"), "text-x-generic"},
      {{"text-x-generic"}, 16, Icons("Child/24x24/mimetypes/text-x-generic.png"), "text-x-generic"},
      // Child's generic icon wins over Parent's specific one.
      {{"text-plain", "text-x-generic"}, 16, Icons("Child/24x24/mimetypes/text-x-generic.png"), "text-x-generic"},
      {{"text-plain"}, 16, Icons("Parent/16x16/mimetypes/text-plain.png"), "text-plain"},
      {{"no-such-icon", "text-plain"}, 32, Icons("Parent/16x16/mimetypes/text-plain.png"), "text-plain"},
      {{"drawing"}, 16, Icons("Parent/scalable/mimetypes/drawing.svg"), "drawing"},
      {{"extra"}, 16, dir.Path("home/.icons/Parent/16x16/mimetypes/extra.png"), "extra"},
      {{"player"}, 16, Icons("hicolor/48x48/apps/player.png"), "player"},
      {{"logo"}, 32, dir.Path("share/pixmaps/logo.png"), "logo"},
      {{"readme"}, 16, "", ""},
      {{"no-such-icon"}, 16, "", ""},
      {{}, 16, "", ""},
  };
  for (const Case& c : cases) {
    std::string found;
    EXPECT_EQ(child.FindIcon(c.names, c.size, &found), c.file) << c.names.size() << " names, size " << c.size;
    EXPECT_EQ(found, c.found);
  }
  // Parent alone: its folder made for the size before any other.
  const TIconTheme parent(Path(), "Parent");
  EXPECT_EQ(parent.FindIcon({"text-x-generic"}, 16), Icons("Parent/16x16/mimetypes/text-x-generic.png"));
  EXPECT_EQ(parent.FindIcon({"text-x-generic"}, 32), Icons("Parent/32x32/mimetypes/text-x-generic.png"));
  EXPECT_EQ(parent.FindIcon({"text-x-generic"}, 26), Icons("Parent/32x32/mimetypes/text-x-generic.png"));
  EXPECT_EQ(parent.FindIcon({"text-x-generic"}, 23), Icons("Parent/16x16/mimetypes/text-x-generic.png"))
      << "7 from 16, 9 from 32";
  EXPECT_EQ(parent.FindIcon({"image-x-generic"}, 16), "") << "a child's icons are not its parent's";
  // A folder made for sizes near its own (24 ± 3) before a later scalable one.
  for (int size : {21, 24, 27})
    EXPECT_EQ(parent.FindIcon({"both"}, size), Icons("Parent/24x24/mimetypes/both.png")) << size;
  for (int size : {20, 28})
    EXPECT_EQ(parent.FindIcon({"both"}, size), Icons("Parent/scalable/mimetypes/both.svg")) << size;
}

TEST_F(IconThemeTest, MissingBrokenAndLoopingThemes) {
  // Not installed, or a name that would leave the icon folders: hicolor only.
  for (const char* name : {"Missing", "", "..", "../icons/Parent", "Parent/.."}) {
    const TIconTheme theme(Path(), name);
    EXPECT_EQ(theme.ThemeNames(), std::vector<std::string>{"hicolor"}) << name;
    EXPECT_EQ(theme.FindIcon({"player"}, 16), Icons("hicolor/48x48/apps/player.png")) << name;
  }
  // Themes that inherit each other are each read once.
  dir.Theme("share/icons", "Parent", "Child", {{"16x16/mimetypes", "Size=16\nType=Fixed"}});
  EXPECT_EQ(TIconTheme(Path(), "Child").ThemeNames(), (std::vector<std::string>{"Child", "Parent", "hicolor"}));
  // Folders without a size, or not listed, hold nothing the theme shows.
  dir.Theme("share/icons", "Parent", "", {{"16x16/mimetypes", "Type=Fixed"}});
  EXPECT_EQ(TIconTheme(Path(), "Parent").FindIcon({"text-plain"}, 16), "");
  // No folders at all.
  const TIconTheme none({{dir.Path("nowhere")}, {dir.Path("nowhere")}}, "Parent");
  EXPECT_TRUE(none.ThemeNames().empty());
  EXPECT_EQ(none.FindIcon({"text-plain"}, 16), "");
}

// The environment names the folders and the user's theme.
class IconEnvironmentTest : public testing::Test {
 protected:
  void TearDown() override {
    for (auto& [name, value] : saved_)
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
  }
  void Set(const std::string& name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) setenv(name.c_str(), value, 1);
    else unsetenv(name.c_str());
  }
  std::map<std::string, std::optional<std::string>> saved_;
  test::IconFolder dir{"env"};
};

TEST_F(IconEnvironmentTest, SearchPathFollowsTheXdgFolders) {
  Set("HOME", dir.Path("h").c_str());
  Set("XDG_DATA_HOME", nullptr);
  Set("XDG_DATA_DIRS", (dir.Path("a") + ":relative:" + dir.Path("b")).c_str());
  TIconSearchPath p = IconSearchPath();
  EXPECT_EQ(p.themeBases, (std::vector<std::string>{dir.Path("h/.icons"), dir.Path("h/.local/share/icons"),
                                                    dir.Path("a/icons"), dir.Path("b/icons")}));
  EXPECT_EQ(p.unthemed, (std::vector<std::string>{dir.Path("h/.local/share/pixmaps"), dir.Path("a/pixmaps"),
                                                  dir.Path("b/pixmaps")}));
  Set("XDG_DATA_HOME", dir.Path("d").c_str());
  Set("XDG_DATA_DIRS", nullptr);
  p = IconSearchPath();
  EXPECT_EQ(p.themeBases, (std::vector<std::string>{dir.Path("h/.icons"), dir.Path("d/icons"),
                                                    "/usr/local/share/icons", "/usr/share/icons"}));
}

TEST_F(IconEnvironmentTest, UserThemeFromGtkSettings) {
  Set("XDG_CONFIG_HOME", dir.Path("config").c_str());
  Set("XDG_CONFIG_DIRS", (dir.Path("etc1") + ":" + dir.Path("etc2")).c_str());
  EXPECT_EQ(UserIconThemeName(), "Adwaita") << "GTK's default";
  dir.File("etc2/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name=Second\n");
  EXPECT_EQ(UserIconThemeName(), "Second");
  dir.File("etc1/gtk-3.0/settings.ini", "[Settings]\ngtk-theme-name=Other\n");
  EXPECT_EQ(UserIconThemeName(), "Second") << "a file without the key does not count";
  dir.File("config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name = Mine\n");
  EXPECT_EQ(UserIconThemeName(), "Mine");
}

}  // namespace
}  // namespace tavrel
