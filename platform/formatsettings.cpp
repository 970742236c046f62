#include "platform/formatsettings.h"

namespace tavrel {

namespace {
// The process's record, as the platform keeps one.
TFormatSettings& Current() {
  static TFormatSettings settings;
  return settings;
}
}  // namespace

const TFormatSettings& FormatSettings() { return Current(); }

void SetFormatSettings(const TFormatSettings& settings) { Current() = settings; }

}  // namespace tavrel
