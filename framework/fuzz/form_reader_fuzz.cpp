// Binary form data from anywhere must be read or refused with EReadError,
// both into a root of plain components and into one with pins, whose links
// must stay whole whatever the data.
#include "platform/fuzz/fuzz_classes.h"
#include "framework/fuzz/fuzz_pin_classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  tavrel::fuzz::ReadWriteRead(bytes);
  tavrel::fuzz::ReadPinLinks(bytes);
  return 0;
}
