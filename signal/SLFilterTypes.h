#pragma once
// Declarations the device and filter components share: the FIR window
// shapes, the exception a component raises for an error its OnError handler
// left unhandled, the error and warning events, and the search for a
// top-level window of the GUI thread that places the device dialog.
//
//   bool handled = false;
//   if (OnError) OnError(this, "waveInOpen", code, handled);
//   if (!handled) throw ESLException("waveInOpen", code);   // "waveInOpen - 4 - 4"
//
//   HWND over = FindTopLevelWindow(ownerForm, windows);     // 0: none found
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/messages.h"
#include "platform/method.h"
#include "platform/refcount.h"

namespace tavrel {

enum TSLWindowType { wtRect, wtBartlett, wtBlackman, wtHamming, wtHanning, wtKaiser };

class ESLException : public Exception {
 public:
  using Exception::Exception;
  // "<text> - <code unsigned> - <code hex>"
  ESLException(const std::string& ErrorText, int32_t ErrorCode);
};

// The text ESLException carries for an error.
std::string FormatSLError(const std::string& ErrorText, int32_t ErrorCode);

// Handled comes in False; a handler that sets it keeps the component from raising.
using TSLErrorEvent = Method<void(TObject* Sender, const std::string& ErrorText, int32_t ErrorCode, bool& Handled)>;
using TSLWarningEvent = Method<void(TObject* Sender, const std::string& ErrorText, int32_t ErrorCode)>;

// What the window search asks of the window manager.
struct TSLWindowQuery {
  std::function<std::vector<HWND>()> EnumWindows;         // top-level windows, in order
  std::function<HWND(HWND)> GetParent;                    // 0 at the top
  std::function<uint32_t(HWND)> GetWindowThreadProcessId; // the creating thread
};

// The first top-level window that belongs to the thread of `window`, itself
// or through one of its parents; 0 when none does.
HWND FindTopLevelWindow(HWND window, const TSLWindowQuery& query);

// Keeps the application's window handle across a dialog: records it when
// made and sets it back when the last reference goes. Without a running
// application it does nothing.
//
//   Ref<TLPSetApplicationHandle> keep = MakeRef<TLPSetApplicationHandle>();
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
