#pragma once
// A block of bytes: the buffer of binary data. Wrapping another buffer's
// bytes (CreateUniversal) shares them; a write through either separates
// the writer (the family conventions are in SLRealBuffer.h).
//
//   auto bytes = TSLBlockBuffer::CreateUniversal(*reals);   // no copy
//   bytes->SetItem(0, 0xFF);                                 // reals keep theirs
//
// Add, Subtract and Multiply saturate to 0..255. Divide tests every divisor
// first and raises EDivByZero (math/buffer_helpers.h) with the buffer
// unchanged.
#include <cstdint>

#include "signal/SLLinearBuffer.h"

namespace tavrel {

class TSLBlockBuffer : public TSLTypedBuffer<uint8_t, TSLBlockBuffer> {
 public:
  using TSLTypedBuffer::TSLTypedBuffer;

  static Ref<TSLBlockBuffer> CreateValue(uint64_t Size, uint8_t AValue,
                                         TSLSmartBufferManager& pool = GlobalBufferManager());

  void Add(const TSLBlockBuffer& Right);
  void Subtract(const TSLBlockBuffer& Right);
  void Multiply(const TSLBlockBuffer& Right);
  void Divide(const TSLBlockBuffer& Right);
  void SetValue(uint8_t AValue);
  void Zero();
  // ERangeError "Index out of range = %u"; SetItem has made the data
  // private when it raises.
  uint8_t GetItem(int32_t Index) const;
  void SetItem(int32_t Index, uint8_t Value);
};

}  // namespace tavrel
