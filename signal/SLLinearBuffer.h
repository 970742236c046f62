#pragma once
// The base of the typed buffers: a linear memory buffer of elements of one
// type, with typed access that follows the byte access rules
// (SLSimpleDataBuffer.h): Read never copies, Write makes the data private
// without keeping it, Modify keeps it.
//
//   Ref<TSLRealBuffer> r = TSLRealBuffer::CreateSize(512);
//   double* x = r->Write();            // GetSize() doubles
#include <cstdint>
#include <cstring>

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
  int N() const { return static_cast<int>(GetSize()); }
};

// The constructor shapes every typed buffer B of elements T shares.
template <class T, class B>
class TSLTypedBuffer : public TSLLinearBuffer<T> {
 public:
  using TSLLinearBuffer<T>::TSLLinearBuffer;

  static Ref<B> Create(TSLSmartBufferManager& pool = GlobalBufferManager()) { return CreateSize(0, pool); }
  // Contents undefined: pooled memory is not cleared. Above 2^30 bytes
  // raises EOutOfMemory.
  static Ref<B> CreateSize(uint64_t ASize, TSLSmartBufferManager& pool = GlobalBufferManager()) {
    if (ASize > kMaxBufferSize / sizeof(T)) throw EOutOfMemory();
    const uint64_t bytes = ASize * sizeof(T);
    return MakeRef<B>(nullptr, TSLSmartBuffer::Create(bytes, TSLContainerKind::Memory, pool),
                      static_cast<uint32_t>(bytes));
  }
  // Elements copied from AData (nothing for nil).
  static Ref<B> CreateData(const T* AData, uint64_t ASize, TSLSmartBufferManager& pool = GlobalBufferManager()) {
    Ref<B> b = CreateSize(ASize, pool);
    if (AData && ASize) std::memcpy(b->Write(), AData, ASize * sizeof(T));
    return b;
  }
  // Shares the other's container.
  static Ref<B> CreateEx(const B& Other) { return MakeRef<B>(Other); }
  static Ref<B> CreateCopy(const B& Other) { return CreateEx(Other); }
  // Takes over any buffer's container and byte size as they are: its bytes
  // read as elements of this type.
  static Ref<B> CreateUniversal(const TSLData& Other) {
    const auto& g = BufferAs<const TSLGenericBuffer>(Other);
    return MakeRef<B>(&g, Ref<TSLSmartBuffer>(&g.DataContainer()), g.TSLGenericBuffer::GetByteSize());
  }

  Ref<TSLData> MakeCopy() const override { return MakeRef<B>(static_cast<const B&>(*this)); }
  // Equal only to a buffer of the same class with the same bytes.
  bool IsEqual(const TSLGenericBuffer& Other) const override {
    return dynamic_cast<const B*>(&Other) && TSLGenericBuffer::IsEqual(Other);
  }
  // Counts in elements into a buffer of the same class, else in bytes.
  void CopyRange(uint32_t offset, TSLGenericBuffer& target, uint32_t targetOffset,
                 uint32_t count) const override {
    if (!dynamic_cast<B*>(&target)) return TSLGenericBuffer::CopyRange(offset, target, targetOffset, count);
    if (uint64_t(offset) + count > this->GetSize()) throw ERangeError(FormatRange("Index", offset));
    if (uint64_t(targetOffset) + count > target.GetSize()) throw ERangeError(FormatRange("Index", targetOffset));
    this->CopyBytes(uint64_t(offset) * sizeof(T), target, uint64_t(targetOffset) * sizeof(T),
                    uint64_t(count) * sizeof(T));
  }
  // Every element equals AValue; true for an empty buffer.
  bool IsEqualToValue(T AValue) const {
    const T* p = this->Read();
    for (uint32_t i = 0; i < this->GetSize(); ++i)
      if (!(p[i] == AValue)) return false;
    return true;
  }
};

}  // namespace tavrel
