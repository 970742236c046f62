#include "platform/ui/toplevel.h"

#include <unordered_set>

#include "platform/ui/forms.h"

namespace tavrel {

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
