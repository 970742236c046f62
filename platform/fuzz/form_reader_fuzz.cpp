// Binary form data from anywhere must be read or refused with EReadError.
#include "platform/fuzz/fuzz_classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tavrel::fuzz::ReadWriteRead(std::span<const uint8_t>(data, size));
  return 0;
}
