#pragma once
// A buffer of 64-bit floating-point values.
//
//   Ref<TSLRealBuffer> b = TSLRealBuffer::CreateSize(64);
//   b->Write()[0] = 0.5;
#include "signal/SLLinearBuffer.h"

namespace tavrel {

class TSLRealBuffer : public TSLLinearBuffer<double> {
 public:
  using TSLLinearBuffer::TSLLinearBuffer;
  static Ref<TSLRealBuffer> CreateSize(uint64_t ASize, TSLSmartBufferManager& pool = GlobalBufferManager()) {
    return MakeSized<TSLRealBuffer>(ASize, pool);
  }
  Ref<TSLData> MakeCopy() const override { return MakeRef<TSLRealBuffer>(*this); }
};

}  // namespace tavrel
