#pragma once
// Declarations the device and filter components share: the FIR window
// shapes, the exception a component raises for an error its OnError handler
// left unhandled, and the error and warning events. (The window search that
// places the device dialog lives with the window layer, platform/ui/toplevel.h.)
//
//   bool handled = false;
//   if (OnError) OnError(this, "waveInOpen", code, handled);
//   if (!handled) throw ESLException("waveInOpen", code);   // "waveInOpen - 4 - 4"
#include <cstdint>
#include <string>

#include "platform/exceptions.h"
#include "platform/method.h"

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

}  // namespace tavrel
