#pragma once
// INI files: sections of key=value lines, UTF-8.
//
//   TIniFile ini("/home/u/tavrel.ini");
//   std::string dev = ini.ReadString("AudioDevices", "InDevice", "");
//   bool fill = ini.ReadBool("Misc", "WaveFormFill", true);
//   ini.WriteString("AudioDevices", "InDevice", "USB Audio");   // saved now
//
// Section and key names compare ignoring case (ASCII). Reading never
// fails: a missing file, section or key reads as the default, and lines
// that are neither a section, a key nor a comment are passed over (and kept
// in the file). A file that is there but cannot be read (no permission, a
// folder in its place, a read error) also reads as defaults, and LoadError
// says why. Each Write re-reads the file, changes the one entry, and
// replaces the file atomically (a temporary file in the same folder, then
// a rename), so comments, other sections and other keys are kept and a
// failed save leaves the old file whole; a file that cannot be read is
// never replaced. A failed save (unreadable file included), or a name or
// value the format cannot hold (a line break, "=" in a key, "]" in a
// section), raises EIniFileException and changes nothing.
//
// TRegistryIniFile stands in for the registry below the current user's
// root: a key path such as "Software\Tavrel\Panels" becomes the INI file
// Software/Tavrel/Panels.ini in the user's configuration folder
// ($XDG_CONFIG_HOME/tavrel, else ~/.config/tavrel), sections are subkeys,
// and every value, integers included, is kept as text.
#include <string>
#include <string_view>
#include <vector>

#include "platform/stringlist.h"

namespace tavrel {

// The parsed text of an INI file, keeping every line for writing back.
class IniData {
 public:
  void Parse(std::string_view text);
  std::string Text() const;

  const std::string* Find(std::string_view section, std::string_view key) const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  bool EraseKey(std::string_view section, std::string_view key);
  bool EraseSection(std::string_view section);
  std::vector<std::string> Sections() const;  // first spelling of each, file order
  // Keys of a section with their values, first occurrence of each key.
  std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
  bool HasSection(std::string_view section) const;

 private:
  struct Line {
    enum Kind { Other, Section, Key } kind = Other;
    std::string raw;   // as read, or as written by Set
    std::string name;  // Section: its name; Key: the key
    std::string value;
  };
  template <class Visit>
  void ForKeys(std::string_view section, Visit visit) const;
  std::vector<Line> lines_;
  bool bom_ = false;
};

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string fileName);
  virtual ~TCustomIniFile() = default;

  const std::string& FileName() const { return fileName_; }
  // Why the file could not be read when this object was made; "" when it
  // was read or is not there.
  const std::string& LoadError() const { return loadError_; }

  std::string ReadString(std::string_view section, std::string_view ident, const std::string& def) const;
  // Decimal with an optional sign, or hexadecimal after "$" or "0x"; a value
  // that is not a 32-bit number reads as def.
  int ReadInteger(std::string_view section, std::string_view ident, int def) const;
  bool ReadBool(std::string_view section, std::string_view ident, bool def) const;  // number != 0
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;
  void ReadSection(std::string_view section, TStrings& keys) const;
  void ReadSections(TStrings& sections) const;
  void ReadSectionValues(std::string_view section, TStrings& lines) const;  // key=value

  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  void WriteBool(const std::string& section, const std::string& ident, bool value);  // "1" / "0"
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& ident);

 private:
  // The file's entries (none for a missing file); `error` says why a file
  // that is there could not be read.
  IniData Load(std::string& error) const;
  void Save(const IniData& data);
  template <class Change>
  void Update(Change change);

  std::string fileName_;
  std::string loadError_;
  IniData data_;

 protected:
  bool createFolders_ = false;
};

class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;
};

class TRegistryIniFile : public TCustomIniFile {
 public:
  // EIniFileException for a key path with empty, "." or ".." parts.
  explicit TRegistryIniFile(std::string_view userKey);
  static std::string ConfigFolder();  // without trailing '/'
  static std::string KeyFileName(std::string_view userKey);
};

}  // namespace tavrel
