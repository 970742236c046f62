// Form text is compiled or refused with EReadError; what compiles is read.
#include <string_view>

#include "platform/formtext.h"
#include "platform/fuzz/fuzz_classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes;
  try {
    bytes = tavrel::ObjectTextToBinary(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const tavrel::EReadError&) {
    return 0;
  } catch (const tavrel::EWriteError&) {
    return 0;
  }
  tavrel::fuzz::ReadWriteRead(bytes);
  return 0;
}
