#pragma once
// Icon files by name from the freedesktop icon themes: a theme's folders of
// icons by size (its index.theme), the themes it inherits from, then
// hicolor, then the icons kept outside any theme. PNG and SVG files only.
//
//   TIconTheme theme(IconSearchPath(), UserIconThemeName());
//   std::string file = theme.FindIcon({"text-plain", "text-x-generic"}, 16);
//
// Every theme is tried for each of the names in turn before the next theme,
// so a theme's own generic icon wins over a more specific one that only a
// theme it inherits from has. Within a theme a folder made for the size
// wins; otherwise the folder whose size is nearest. A theme that is not
// installed, an unreadable index.theme or a folder that is not there gives
// no icons; nothing raises. The folders are listed once, when the theme
// is made, so a lookup touches no file.
#include <string>
#include <unordered_set>
#include <vector>

namespace tavrel {

// Where icons are looked for: the folders that hold themes, in order
// (~/.icons, $XDG_DATA_HOME/icons, each $XDG_DATA_DIRS folder's icons),
// and the folders of icons outside themes (each data folder's pixmaps).
struct TIconSearchPath {
  std::vector<std::string> themeBases;
  std::vector<std::string> unthemed;
};

// The search path of the environment; the XDG defaults stand in for
// unset variables ($XDG_DATA_HOME: ~/.local/share; $XDG_DATA_DIRS:
// /usr/local/share:/usr/share).
TIconSearchPath IconSearchPath();

// The icon theme the user chose for GTK programs (gtk-icon-theme-name in
// section Settings of gtk-3.0/settings.ini under $XDG_CONFIG_HOME, then
// under each $XDG_CONFIG_DIRS folder), else GTK's own default, "Adwaita".
std::string UserIconThemeName();

class TIconTheme {
 public:
  TIconTheme(const TIconSearchPath& path, const std::string& themeName);

  // The file of the first icon found for `names` at `size` pixels (scale
  // 1), and in `found` the name it was found by; "" when no theme and no
  // unthemed folder has any of them.
  std::string FindIcon(const std::vector<std::string>& names, int size, std::string* found = nullptr) const;
  // The themes tried, in order (the named one and what it inherits, then
  // hicolor), of those installed.
  std::vector<std::string> ThemeNames() const;

 private:
  enum class TDirType { Fixed, Scalable, Threshold };
  // Installed copies of one folder of icons, each with the files it holds.
  using TIconPlaces = std::vector<std::pair<std::string, std::unordered_set<std::string>>>;
  struct TIconDir {
    TDirType type = TDirType::Threshold;
    int size = 0, scale = 1, minSize = 0, maxSize = 0, threshold = 2;
    TIconPlaces places;
    bool MatchesSize(int iconSize) const;
    int SizeDistance(int iconSize) const;
  };
  struct TTheme {
    std::string name;
    std::vector<TIconDir> dirs;
  };
  // Reads the theme and, depth first, those it inherits; skips one read already.
  void AddTheme(const std::string& name, int depth);
  std::string LookupIcon(const TTheme& theme, const std::string& name, int size) const;
  // The first file of the icon in the places, PNG before SVG; "" when none.
  static std::string FileIn(const TIconPlaces& places, const std::string& name);

  std::vector<std::string> bases_;
  TIconPlaces unthemed_;
  std::vector<TTheme> themes_;
};

}  // namespace tavrel
