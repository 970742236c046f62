#include "platform/ui/icontheme.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/inifiles.h"

namespace tavrel {

namespace {

namespace fs = std::filesystem;

// Inherits chains longer than this are a loop or a mistake.
constexpr int kMaxInheritDepth = 16;
constexpr const char* kExtensions[] = {".png", ".svg"};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::vector<std::string> SplitList(std::string_view text, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(sep, start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(start, end - start);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty()) out.emplace_back(part);
    start = end + 1;
  }
  return out;
}

// An XDG base folder and its search list: the user's ($homeVar, else
// ~/`homeDefault`), then those of $dirsVar (else `dirsDefault`); relative
// paths are ignored, as the XDG rules ask.
std::vector<std::string> XdgFolders(const char* homeVar, const char* homeDefault, const char* dirsVar,
                                    const char* dirsDefault) {
  std::vector<std::string> out;
  std::string home = Env(homeVar);
  if (home.empty() || home[0] != '/') home = Env("HOME").empty() ? "" : Env("HOME") + "/" + homeDefault;
  if (!home.empty()) out.push_back(home);
  std::string dirs = Env(dirsVar);
  if (dirs.empty()) dirs = dirsDefault;
  for (std::string& d : SplitList(dirs, ':'))
    if (d[0] == '/') out.push_back(std::move(d));
  return out;
}

// A theme name names one folder below a base, nothing else.
bool SafeThemeName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::unordered_set<std::string> IconFiles(const std::string& folder) {
  std::unordered_set<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    for (const char* ext : kExtensions)
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ext) == 0) files.insert(name);
  }
  return files;
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

TIconSearchPath IconSearchPath() {
  TIconSearchPath path;
  if (const std::string home = Env("HOME"); !home.empty()) path.themeBases.push_back(home + "/.icons");
  const auto data = XdgFolders("XDG_DATA_HOME", ".local/share", "XDG_DATA_DIRS", "/usr/local/share:/usr/share");
  for (const std::string& d : data) {
    path.themeBases.push_back(d + "/icons");
    path.unthemed.push_back(d + "/pixmaps");
  }
  return path;
}

std::string UserIconThemeName() {
  for (const std::string& f : XdgFolders("XDG_CONFIG_HOME", ".config", "XDG_CONFIG_DIRS", "/etc/xdg")) {
    const TIniFile settings(f + "/gtk-3.0/settings.ini");
    std::string name = settings.ReadString("Settings", "gtk-icon-theme-name", "");
    if (!name.empty()) return name;
  }
  return "Adwaita";
}

// ---- TIconTheme ---------------------------------------------------------------

TIconTheme::TIconTheme(const TIconSearchPath& path, const std::string& themeName)
    : bases_(path.themeBases) {
  for (const std::string& folder : path.unthemed)
    if (IsFolder(folder)) unthemed_.emplace_back(folder, IconFiles(folder));
  AddTheme(themeName, 0);
  AddTheme("hicolor", 0);
}

void TIconTheme::AddTheme(const std::string& name, int depth) {
  if (!SafeThemeName(name) || depth > kMaxInheritDepth) return;
  for (const TTheme& t : themes_)
    if (t.name == name) return;
  // The first index.theme found describes the theme; its folders may be
  // installed under any of the bases.
  std::string index;
  for (const std::string& base : bases_) {
    const std::string file = base + "/" + name + "/index.theme";
    std::error_code ec;
    if (fs::is_regular_file(file, ec)) {
      index = file;
      break;
    }
  }
  if (index.empty()) return;
  const TIniFile ini(index);
  TTheme theme;
  theme.name = name;
  std::vector<std::string> subdirs = SplitList(ini.ReadString("Icon Theme", "Directories", ""), ',');
  for (std::string& d : SplitList(ini.ReadString("Icon Theme", "ScaledDirectories", ""), ','))
    subdirs.push_back(std::move(d));
  for (const std::string& subdir : subdirs) {
    TIconDir dir;
    dir.size = ini.ReadInteger(subdir, "Size", 0);
    if (dir.size <= 0) continue;
    dir.scale = std::max(1, ini.ReadInteger(subdir, "Scale", 1));
    dir.minSize = ini.ReadInteger(subdir, "MinSize", dir.size);
    dir.maxSize = ini.ReadInteger(subdir, "MaxSize", dir.size);
    dir.threshold = ini.ReadInteger(subdir, "Threshold", 2);
    const std::string type = ini.ReadString(subdir, "Type", "Threshold");
    dir.type = type == "Fixed" ? TDirType::Fixed : type == "Scalable" ? TDirType::Scalable : TDirType::Threshold;
    for (const std::string& base : bases_) {
      const std::string folder = base + "/" + name + "/" + subdir;
      if (IsFolder(folder)) dir.places.emplace_back(folder, IconFiles(folder));
    }
    if (!dir.places.empty()) theme.dirs.push_back(std::move(dir));
  }
  themes_.push_back(std::move(theme));
  for (const std::string& parent : SplitList(ini.ReadString("Icon Theme", "Inherits", ""), ','))
    AddTheme(parent, depth + 1);
}

std::vector<std::string> TIconTheme::ThemeNames() const {
  std::vector<std::string> names;
  for (const TTheme& t : themes_) names.push_back(t.name);
  return names;
}

bool TIconTheme::TIconDir::MatchesSize(int iconSize) const {
  if (scale != 1) return false;
  switch (type) {
    case TDirType::Fixed: return size == iconSize;
    case TDirType::Scalable: return minSize <= iconSize && iconSize <= maxSize;
    case TDirType::Threshold: return size - threshold <= iconSize && iconSize <= size + threshold;
  }
  return false;
}

int TIconTheme::TIconDir::SizeDistance(int iconSize) const {
  // Sizes come from files: long long keeps the products exact.
  auto clamp = [](long long v) { return static_cast<int>(std::min<long long>(v, INT_MAX)); };
  const long long s = scale;
  switch (type) {
    case TDirType::Fixed: return clamp(std::llabs(size * s - iconSize));
    case TDirType::Scalable:
      if (iconSize < minSize * s) return clamp(minSize * s - iconSize);
      if (iconSize > maxSize * s) return clamp(iconSize - maxSize * s);
      return 0;
    case TDirType::Threshold:
      if (iconSize < (size - threshold) * s) return clamp((size - threshold) * s - iconSize);
      if (iconSize > (size + threshold) * s) return clamp(iconSize - (size + threshold) * s);
      return 0;
  }
  return INT_MAX;
}

std::string TIconTheme::FileIn(const TIconPlaces& places, const std::string& name) {
  for (const auto& [folder, files] : places)
    for (const char* ext : kExtensions)
      if (files.count(name + ext)) return folder + "/" + name + ext;
  return "";
}

std::string TIconTheme::LookupIcon(const TTheme& theme, const std::string& name, int size) const {
  for (const TIconDir& dir : theme.dirs)
    if (dir.MatchesSize(size))
      if (std::string file = FileIn(dir.places, name); !file.empty()) return file;
  std::string closest;
  int best = INT_MAX;
  for (const TIconDir& dir : theme.dirs) {
    const int distance = dir.SizeDistance(size);
    if (distance >= best) continue;
    if (std::string file = FileIn(dir.places, name); !file.empty()) {
      closest = std::move(file);
      best = distance;
    }
  }
  return closest;
}

std::string TIconTheme::FindIcon(const std::vector<std::string>& names, int size, std::string* found) const {
  auto hit = [&](const std::string& name, std::string file) {
    if (found) *found = name;
    return file;
  };
  for (const TTheme& theme : themes_)
    for (const std::string& name : names)
      if (std::string file = LookupIcon(theme, name, size); !file.empty()) return hit(name, std::move(file));
  for (const std::string& name : names)
    if (std::string file = FileIn(unthemed_, name); !file.empty()) return hit(name, std::move(file));
  return "";
}

}  // namespace tavrel
