#include "platform/inifiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/exceptions.h"
#include "platform/text.h"

namespace tavrel {

namespace {

std::string_view Trim(std::string_view s) {
  const char* space = " \t\v\f";
  size_t b = s.find_first_not_of(space);
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(space);
  return s.substr(b, e - b + 1);
}

[[noreturn]] void Fail(const std::string& what) { throw EIniFileException(what); }

void CheckName(std::string_view kind, std::string_view name, std::string_view forbidden) {
  if (name.find_first_of(forbidden) != std::string_view::npos || Trim(name) != name)
    Fail("the " + std::string(kind) + " name '" + std::string(name) + "' cannot be kept in an INI file");
}

}  // namespace

// ---------------------------------------------------------------------------
// IniData

void IniData::Parse(std::string_view text) {
  std::vector<Line> lines;
  bom_ = text.substr(0, 3) == "\xEF\xBB\xBF";
  if (bom_) text.remove_prefix(3);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string_view raw = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? text.size() : end + 1;
    while (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line;
    line.raw = std::string(raw);
    std::string_view t = Trim(raw);
    if (t.empty() || t[0] == ';' || t[0] == '#') {
      line.kind = Line::Other;
    } else if (t[0] == '[') {
      // A header without its "]" still opens a section, so the keys under
      // it are never taken for keys of the section before.
      size_t close = t.find(']');
      line.kind = Line::Section;
      line.name = std::string(Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
    } else if (size_t eq = t.find('='); eq != std::string_view::npos && eq > 0) {
      line.kind = Line::Key;
      line.name = std::string(Trim(t.substr(0, eq)));
      line.value = std::string(Trim(t.substr(eq + 1)));
    }
    lines.push_back(std::move(line));
  }
  lines_ = std::move(lines);
}

std::string IniData::Text() const {
  std::string text = bom_ ? "\xEF\xBB\xBF" : "";  // kept as the file had it
  for (const Line& l : lines_) (text += l.raw) += '\n';
  return text;
}

template <class Visit>
void IniData::ForKeys(std::string_view section, Visit visit) const {
  bool inside = section.empty();  // keys above the first header form section ""
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& l = lines_[i];
    if (l.kind == Line::Section)
      inside = SameText(l.name, section);
    else if (inside && l.kind == Line::Key && !visit(i, l))
      return;
  }
}

const std::string* IniData::Find(std::string_view section, std::string_view key) const {
  const std::string* found = nullptr;
  ForKeys(section, [&](size_t, const Line& l) {
    if (!SameText(l.name, key)) return true;
    found = &l.value;
    return false;
  });
  return found;
}

bool IniData::HasSection(std::string_view section) const {
  for (const Line& l : lines_)
    if (l.kind == Line::Section && SameText(l.name, section)) return true;
  return false;
}

void IniData::Set(const std::string& section, const std::string& key, const std::string& value) {
  std::string raw = key + "=" + value;
  bool done = false;
  ForKeys(section, [&](size_t i, const Line&) {
    Line& l = lines_[i];
    if (!SameText(l.name, key)) return true;
    l.value = value;
    l.raw = raw;
    done = true;
    return false;
  });
  if (done) return;
  Line line{Line::Key, raw, key, value};
  // After the last key of the section's first block, else right below its header.
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Line::Section || !SameText(lines_[i].name, section)) continue;
    size_t at = i + 1;
    for (size_t j = i + 1; j < lines_.size() && lines_[j].kind != Line::Section; ++j)
      if (lines_[j].kind == Line::Key) at = j + 1;
    lines_.insert(lines_.begin() + at, std::move(line));
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Line{});
  lines_.push_back(Line{Line::Section, "[" + section + "]", section, {}});
  lines_.push_back(std::move(line));
}

bool IniData::EraseKey(std::string_view section, std::string_view key) {
  std::vector<size_t> gone;
  ForKeys(section, [&](size_t i, const Line& l) {
    if (SameText(l.name, key)) gone.push_back(i);
    return true;
  });
  for (auto i = gone.rbegin(); i != gone.rend(); ++i) lines_.erase(lines_.begin() + long(*i));
  return !gone.empty();
}

bool IniData::EraseSection(std::string_view section) {
  std::vector<Line> kept;
  bool inside = false, erased = false;
  for (Line& l : lines_) {
    if (l.kind == Line::Section) inside = SameText(l.name, section);
    if (inside)
      erased = true;
    else
      kept.push_back(std::move(l));
  }
  lines_ = std::move(kept);
  return erased;
}

std::vector<std::string> IniData::Sections() const {
  std::vector<std::string> names;
  for (const Line& l : lines_) {
    if (l.kind != Line::Section) continue;
    bool seen = false;
    for (auto& n : names) seen = seen || SameText(n, l.name);
    if (!seen) names.push_back(l.name);
  }
  return names;
}

std::vector<std::pair<std::string, std::string>> IniData::Entries(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> entries;
  ForKeys(section, [&](size_t, const Line& l) {
    bool seen = false;
    for (auto& e : entries) seen = seen || SameText(e.first, l.name);
    if (!seen) entries.emplace_back(l.name, l.value);
    return true;
  });
  return entries;
}

// ---------------------------------------------------------------------------
// TCustomIniFile

TCustomIniFile::TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  data_ = Load(loadError_);
}

IniData TCustomIniFile::Load(std::string& error) const {
  IniData data;
  error.clear();
  int fd = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // Not there (or no folder to hold it): no entries yet, nothing lost.
    if (errno != ENOENT && errno != ENOTDIR)
      error = "Cannot read the INI file " + fileName_ + ": " + std::strerror(errno);
    return data;
  }
  std::string text;
  struct stat st;
  int failure = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  for (char chunk[16384]; failure == 0;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failure = errno;
    if (n <= 0) break;
    text.append(chunk, size_t(n));
  }
  ::close(fd);
  if (failure != 0) {
    error = "Cannot read the INI file " + fileName_ + ": " + std::strerror(failure);
    return data;
  }
  data.Parse(text);
  return data;
}

namespace {

void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      Fail("Cannot create the folder " + folder + ": " + std::strerror(errno));
  }
}

}  // namespace

void TCustomIniFile::Save(const IniData& data) {
  if (createFolders_) MakeFolders(fileName_);
  std::string text = data.Text();
  std::string tmp = fileName_ + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) Fail("Cannot write the INI file " + fileName_ + ": " + std::strerror(errno));
  auto failed = [&](const char* step) {
    int err = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    Fail(std::string("Cannot write the INI file ") + fileName_ + " (" + step + "): " + std::strerror(err));
  };
  struct stat old;
  mode_t mode = ::stat(fileName_.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644;
  if (::fchmod(fd, mode) != 0) failed("mode");
  for (size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failed("write");
    done += size_t(n);
  }
  if (::fsync(fd) != 0) failed("sync");
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    Fail("Cannot write the INI file " + fileName_ + ": " + std::strerror(err));
  }
  if (::rename(tmp.c_str(), fileName_.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    Fail("Cannot replace the INI file " + fileName_ + ": " + std::strerror(err));
  }
}

template <class Change>
void TCustomIniFile::Update(Change change) {
  std::string error;
  IniData data = Load(error);  // keep what others wrote meanwhile
  // Saving over a file that could not be read would lose all it holds.
  if (!error.empty()) Fail(error + " (left as it is, nothing saved)");
  change(data);
  Save(data);
  data_ = std::move(data);
}

std::string TCustomIniFile::ReadString(std::string_view section, std::string_view ident,
                                       const std::string& def) const {
  const std::string* v = data_.Find(section, ident);
  return v ? *v : def;
}

int TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident, int def) const {
  const std::string* v = data_.Find(section, ident);
  if (!v || v->empty()) return def;
  std::string_view s = *v;
  bool negative = false;
  if (s[0] == '-' || s[0] == '+') {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s[0] == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty() || s[0] == '-' || s[0] == '+') return def;
  long long n = 0;
  auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), n, base);
  if (err != std::errc() || end != s.data() + s.size()) return def;
  if (negative) n = -n;
  // Hexadecimal may spell a negative number in 32 bits ($FFFFFFFF is -1).
  if (base == 16 && !negative && n > 0x7FFFFFFFLL && n <= 0xFFFFFFFFLL) return int(int32_t(uint32_t(n)));
  if (n < INT32_MIN || n > INT32_MAX) return def;
  return int(n);
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

bool TCustomIniFile::SectionExists(std::string_view section) const { return data_.HasSection(section); }

bool TCustomIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  return data_.Find(section, ident) != nullptr;
}

void TCustomIniFile::ReadSection(std::string_view section, TStrings& keys) const {
  keys.Clear();
  for (auto& [k, v] : data_.Entries(section)) keys.Add(k);
}

void TCustomIniFile::ReadSections(TStrings& sections) const {
  sections.Clear();
  for (auto& s : data_.Sections()) sections.Add(s);
}

void TCustomIniFile::ReadSectionValues(std::string_view section, TStrings& lines) const {
  lines.Clear();
  for (auto& [k, v] : data_.Entries(section)) lines.Add(k + "=" + v);
}

void TCustomIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  CheckName("section", section, "]\r\n");
  if (section.empty()) Fail("an INI entry needs a section");
  CheckName("key", ident, "=\r\n");
  if (ident.empty() || ident[0] == '[' || ident[0] == ';' || ident[0] == '#')
    Fail("the key name '" + ident + "' cannot be kept in an INI file");
  if (value.find_first_of("\r\n") != std::string::npos || Trim(value) != value)
    Fail("the value of " + section + "/" + ident + " cannot be kept in an INI file");
  Update([&](IniData& d) { d.Set(section, ident, value); });
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TCustomIniFile::EraseSection(const std::string& section) {
  Update([&](IniData& d) { d.EraseSection(section); });
}

void TCustomIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  Update([&](IniData& d) { d.EraseKey(section, ident); });
}

// ---------------------------------------------------------------------------
// TRegistryIniFile

std::string TRegistryIniFile::ConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/tavrel";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/tavrel";
}

std::string TRegistryIniFile::KeyFileName(std::string_view userKey) {
  std::string path = ConfigFolder();
  // Leading and trailing separators name the same key, as in the registry.
  while (!userKey.empty() && (userKey.front() == '\\' || userKey.front() == '/')) userKey.remove_prefix(1);
  while (!userKey.empty() && (userKey.back() == '\\' || userKey.back() == '/')) userKey.remove_suffix(1);
  size_t start = 0;
  while (start <= userKey.size()) {
    size_t end = userKey.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = userKey.size();
    std::string_view part = userKey.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string_view::npos)
      Fail("the registry key '" + std::string(userKey) + "' is not a usable key path");
    (path += '/') += part;
    start = end + 1;
  }
  return path + ".ini";
}

TRegistryIniFile::TRegistryIniFile(std::string_view userKey) : TCustomIniFile(KeyFileName(userKey)) {
  createFolders_ = true;
}

}  // namespace tavrel
