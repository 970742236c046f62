#include "signal/SLFilterTypes.h"

#include "platform/ui/forms.h"

#include <cstdio>
#include <unordered_set>

namespace tavrel {

std::string FormatSLError(const std::string& ErrorText, int32_t ErrorCode) {
  char code[40];
  std::snprintf(code, sizeof code, " - %u - %x", uint32_t(ErrorCode), uint32_t(ErrorCode));
  return ErrorText + code;
}

ESLException::ESLException(const std::string& ErrorText, int32_t ErrorCode)
    : Exception(FormatSLError(ErrorText, ErrorCode)) {}

HWND FindTopLevelWindow(HWND window, const TSLWindowQuery& query) {
  const uint32_t thread = query.GetWindowThreadProcessId(window);
  for (HWND top : query.EnumWindows()) {
    // A broken parent chain must not loop for ever.
    std::unordered_set<HWND> seen;
    for (HWND w = top; w != 0 && seen.insert(w).second; w = query.GetParent(w))
      if (query.GetWindowThreadProcessId(w) == thread) return top;
  }
  return 0;
}

TLPSetApplicationHandle::TLPSetApplicationHandle() {
  if (TApplication* app = Application()) {
    FOldHandle = app->Handle();
    FHadApplication = true;
  }
}

TLPSetApplicationHandle::TLPSetApplicationHandle(HWND) : TLPSetApplicationHandle() {}

TLPSetApplicationHandle::~TLPSetApplicationHandle() {
  if (!FHadApplication) return;
  if (TApplication* app = Application()) app->SetHandle(FOldHandle);
}

}  // namespace tavrel
