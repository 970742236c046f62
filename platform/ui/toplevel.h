#pragma once
// The window search that places the device dialog, and the guard that keeps
// the application's window handle across a dialog.
//
//   HWND over = FindTopLevelWindow(ownerForm, windows);     // 0: none found
//   Ref<TLPSetApplicationHandle> keep = MakeRef<TLPSetApplicationHandle>();
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/messages.h"
#include "platform/refcount.h"

namespace tavrel {

// What the window search asks of the window manager.
struct TSLWindowQuery {
  std::function<std::vector<HWND>()> EnumWindows;         // top-level windows, in order
  std::function<HWND(HWND)> GetParent;                    // 0 at the top
  std::function<uint32_t(HWND)> GetWindowThreadProcessId; // the creating thread
};

// The first top-level window that belongs to the thread of `window`, itself
// or through one of its parents; 0 when none does.
HWND FindTopLevelWindow(HWND window, const TSLWindowQuery& query);

// Records the application's window handle when made and sets it back when
// the last reference goes. Without a running application it does nothing.
class TLPSetApplicationHandle : public virtual RefCounted {
 public:
  TLPSetApplicationHandle();
  explicit TLPSetApplicationHandle(HWND AHandle);  // AHandle is not used
  ~TLPSetApplicationHandle() override;

 private:
  HWND FOldHandle = 0;
  bool FHadApplication = false;
};

}  // namespace tavrel
