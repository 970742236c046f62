// The INI class's typed readers over any file, and the registry stand-in's
// mapping of a key path to a file name. The first input line is a key
// path, the rest the file. Every reader answers without failing; an integer
// that reads is written back and reads the same; a key path maps to a
// file below the configuration folder, part by part, or is refused.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/exceptions.h"
#include "platform/inifiles.h"

namespace {

using namespace tavrel;

// One file per process, rewritten for each input.
const std::string& Scratch() {
  static const std::string path = [] {
    auto dir = std::filesystem::temp_directory_path() / ("tavrel-ini-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return (dir / "fuzz.ini").string();
  }();
  return path;
}

void CheckKeyFileName(std::string_view key) {
  std::string file;
  try {
    file = TRegistryIniFile::KeyFileName(key);
  } catch (const EIniFileException&) {
    return;
  }
  const std::string folder = TRegistryIniFile::ConfigFolder() + "/";
  if (file.compare(0, folder.size(), folder) != 0 || file.size() < folder.size() + 5 ||
      file.compare(file.size() - 4, 4, ".ini") != 0)
    __builtin_trap();
  // Each part is a plain name: no empty, "." or ".." part, no backslash left.
  std::string_view rest(file);
  rest = rest.substr(folder.size(), rest.size() - folder.size() - 4);
  if (rest.find('\\') != std::string_view::npos || rest.find('\0') != std::string_view::npos) __builtin_trap();
  while (true) {
    auto slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    if (part.empty() || part == "." || part == "..") __builtin_trap();
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
}

void CheckReaders(std::string_view text) {
  std::ofstream(Scratch(), std::ios::binary | std::ios::trunc).write(text.data(), std::streamsize(text.size()));
  TIniFile ini(Scratch());
  if (!ini.LoadError().empty()) __builtin_trap();
  IniData data;
  data.Parse(text);
  for (const std::string& section : data.Sections()) {
    if (!ini.SectionExists(section)) __builtin_trap();
    for (auto& [key, value] : data.Entries(section)) {
      if (ini.ReadString(section, key, "\x01") != *data.Find(section, key)) __builtin_trap();
      const int a = ini.ReadInteger(section, key, 1), b = ini.ReadInteger(section, key, 2);
      if (ini.ReadBool(section, key, true) != (a != 0)) __builtin_trap();
      if (a != b) continue;  // not a number: the default came back
      TIniFile copy(Scratch() + ".copy");
      copy.WriteInteger("S", "K", a);
      if (TIniFile(Scratch() + ".copy").ReadInteger("S", "K", a ^ 1) != a) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto line = input.find('\n');
  CheckKeyFileName(input.substr(0, line));
  CheckReaders(line == std::string_view::npos ? std::string_view() : input.substr(line + 1));
  return 0;
}
