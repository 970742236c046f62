// ALSA's device hints as the device lists take them: any NAME, DESC and
// definition type strings (records of three fields split by NUL bytes) are
// classified (a person's own device only when described), their card and first description line read, and the names
// the lists show are cut to 31 UTF-16 units, never inside a character,
// and made unique ignoring case.
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "platform/wave/alsa_backend.h"
#include "platform/wave/wave_backend.h"

namespace {

using namespace tavrel;

std::string_view Field(std::string_view& input) {
  auto end = input.find('\0');
  std::string_view field = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return field;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<WaveDevice> devices;
  while (!input.empty() && devices.size() < 64) {
    const std::string_view name = Field(input), desc = Field(input), type = Field(input);
    const AlsaPcmKind kind = ClassifyAlsaPcm(name, type, !desc.empty());
    if (kind == AlsaPcmKind::Default && name != "default") __builtin_trap();
    if (kind == AlsaPcmKind::Own && (desc.empty() || type.empty())) __builtin_trap();
    const std::string card = AlsaHintCard(name);
    if (card.find(',') != std::string::npos) __builtin_trap();
    if (!card.empty() && name.find("CARD=" + card) == std::string_view::npos) __builtin_trap();
    if (kind == AlsaPcmKind::Card && name.find("CARD=") != std::string_view::npos &&
        !StartsWith(name, "sysdefault") && !StartsWith(name, "hdmi") && !StartsWith(name, "iec958"))
      __builtin_trap();
    const std::string shown = AlsaHintDescription(desc);
    if (shown.find('\n') != std::string::npos || !StartsWith(desc, shown)) __builtin_trap();
    devices.push_back({shown, std::string(name), -1});
  }
  const std::vector<WaveDeviceEntry> named = NameDevices(devices);
  if (named.size() != devices.size()) __builtin_trap();
  for (std::size_t i = 0; i < named.size(); ++i) {
    const std::string& n = named[i].name;
    if (ToUtf16(n).size() > 31 || CutToUtf16Units(n, 31) != n) __builtin_trap();
    for (std::size_t j = 0; j < i; ++j)
      if (SameText(named[j].name, n)) __builtin_trap();
  }
  return 0;
}
