// Any text parses; writing it back and parsing again changes nothing, and
// a value set is found again.
#include <string_view>

#include "platform/inifiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tavrel::IniData ini;
  ini.Parse(text);
  std::string once = ini.Text();
  tavrel::IniData again;
  again.Parse(once);
  if (again.Text() != once) __builtin_trap();
  for (const std::string& section : ini.Sections())
    for (auto& [key, value] : ini.Entries(section))
      if (!ini.Find(section, key) || *ini.Find(section, key) != value) __builtin_trap();
  ini.Set("Fuzz", "Key", "value");
  const std::string* v = ini.Find("fuzz", "KEY");
  if (!v || *v != "value") __builtin_trap();
  return 0;
}
