#pragma once
// The error classes the signal buffers raise besides the class library's
// own (platform/exceptions.h) and the integer division error of the math
// helpers (EDivByZero, math/buffer_helpers.h).
//
//   if (channel >= FChannels) throw ERangeError(FormatRange("Channel", channel));
#include <cstdint>
#include <string>

#include "platform/exceptions.h"

namespace tavrel {

// A data block the pool cannot get, or a size beyond what a buffer may hold.
class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
};

// An index or channel outside the buffer.
class ERangeError : public Exception {
  using Exception::Exception;
};

// The text of the interface-cast error the buffers raise.
inline constexpr const char* kInterfaceNotSupported = "Interface non supportée";

// "<what> out of range = <value>", the value printed unsigned.
inline std::string FormatRange(const char* what, uint32_t value) {
  return std::string(what) + " out of range = " + std::to_string(value);
}

}  // namespace tavrel

namespace tavrel {

// A file the buffer cannot create or open. A short file raises EReadError
// "Stream read error" (platform/exceptions.h).
class EFCreateError : public Exception {
  using Exception::Exception;
};
class EFOpenError : public Exception {
  using Exception::Exception;
};

}  // namespace tavrel
