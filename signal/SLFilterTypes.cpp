#include "signal/SLFilterTypes.h"

#include <cstdio>

namespace tavrel {

std::string FormatSLError(const std::string& ErrorText, int32_t ErrorCode) {
  char code[40];
  std::snprintf(code, sizeof code, " - %u - %x", uint32_t(ErrorCode), uint32_t(ErrorCode));
  return ErrorText + code;
}

ESLException::ESLException(const std::string& ErrorText, int32_t ErrorCode)
    : Exception(FormatSLError(ErrorText, ErrorCode)) {}

}  // namespace tavrel
