#pragma once
// A buffer of 32-bit signed integers.
//
//   Ref<TSLIntegerBuffer> b = TSLIntegerBuffer::CreateSize(64);
//   b->Write()[0] = 7;
#include "signal/SLLinearBuffer.h"

namespace tavrel {

class TSLIntegerBuffer : public TSLLinearBuffer<int32_t> {
 public:
  using TSLLinearBuffer::TSLLinearBuffer;
  static Ref<TSLIntegerBuffer> CreateSize(uint64_t ASize, TSLSmartBufferManager& pool = GlobalBufferManager()) {
    return MakeSized<TSLIntegerBuffer>(ASize, pool);
  }
  Ref<TSLData> MakeCopy() const override { return MakeRef<TSLIntegerBuffer>(*this); }
};

}  // namespace tavrel
