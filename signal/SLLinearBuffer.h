#pragma once
// The base of the typed buffers: a linear memory buffer of elements of one
// type, with typed access that follows the byte access rules
// (SLSimpleDataBuffer.h): Read never copies, Write makes the data private
// without keeping it, Modify keeps it.
//
//   Ref<TSLRealBuffer> r = TSLRealBuffer::CreateSize(512);
//   double* x = r->Write();            // GetSize() doubles
#include <cstdint>

#include "signal/SLSimpleDataBuffer.h"

namespace tavrel {

template <class T>
class TSLLinearBuffer : public TSLLinearMemoryBuffer {
 public:
  using Element = T;
  using TSLLinearMemoryBuffer::TSLLinearMemoryBuffer;

  uint32_t GetElementSize() const override { return sizeof(T); }
  const T* Read() const { return reinterpret_cast<const T*>(ByteRead()); }
  T* Write() { return reinterpret_cast<T*>(ByteWrite()); }
  T* Modify() { return reinterpret_cast<T*>(ByteModify()); }

 protected:
  // A new buffer of class B over a fresh container of n elements; sizes
  // above 2^30 bytes raise EOutOfMemory.
  template <class B>
  static Ref<B> MakeSized(uint64_t n, TSLSmartBufferManager& pool) {
    const uint64_t bytes = n * sizeof(T);
    if (n > kMaxBufferSize) throw EOutOfMemory();
    Ref<TSLSmartBuffer> c = TSLSmartBuffer::Create(bytes, TSLContainerKind::Memory, pool);
    return MakeRef<B>(nullptr, c, static_cast<uint32_t>(bytes));
  }
};

}  // namespace tavrel
