#pragma once
// Data buffers: cheap, reference-counted objects that share a data
// container (SLBufferStore.h) until the first write (copy-on-write).
//
//   Ref<TSLMemoryBuffer> a = TSLMemoryBuffer::CreateSize(256);
//   std::memset(a->ByteWrite(), 0, 256);        // a's own container: in place
//   Ref<TSLData> b = a->MakeCopy();              // shares a's data, copies nothing
//   a->ByteModify()[0] = 1;                      // now a clones; b keeps its bytes
//   const uint8_t* p = a->ByteRead();            // never copies
//
// Access. ByteRead gives the data for reading. ByteWrite makes the data
// private without keeping it (for a caller that overwrites everything),
// ByteModify makes it private with its contents. A buffer is an owner of
// its container unless it gave that up with RemoveOwnerShip: it then keeps
// the data alive but no longer forces the other owner to copy.
//
// Custom data (any TSLData) travels with a buffer; copies of a buffer get
// copies of its custom items, never shared ones.
//
// The classes: TSLData (custom list), TSLGenericBuffer (container, pointer,
// byte size), TSLMemoryBuffer (plain bytes), TSLLinearMemoryBuffer (adds
// Resize; the typed buffers descend from it). "Offers interface X" is a
// dynamic_cast; a buffer of the wrong class raises EIntfCastError.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/recycle.h"
#include "platform/refcount.h"
#include "signal/SLBufferStore.h"

namespace tavrel {

class TSLData : public RefCounted {
 public:
  TSLData() = default;
  TSLData(const TSLData&) = delete;
  TSLData& operator=(const TSLData&) = delete;

  // A new object of the same kind sharing this one's data.
  virtual Ref<TSLData> MakeCopy() const = 0;

  // Replaces the custom items by copies of AOther's (none for nil).
  void AssignData(const TSLData* AOther);
  void AddCustom(Ref<TSLData> AData);
  int GetCustomCount() const;
  // EStringListError "List index out of bounds (i)" outside the list.
  Ref<TSLData> GetCustom(int AIndex) const;

 protected:
  ~TSLData() override = default;

 private:
  // Made on the first AddCustom: most buffers never carry any.
  std::unique_ptr<std::vector<Ref<TSLData>>> FCustom;
};

class TSLGenericBuffer : public TSLData, public TRecycled {
 public:
  // Takes AContainer as owner with ASize bytes; custom items copied from AOther.
  TSLGenericBuffer(const TSLData* AOther, const Ref<TSLSmartBuffer>& AContainer, uint32_t ASize);
  // CreateEx: shares Other's container, size and data pointer.
  explicit TSLGenericBuffer(const TSLGenericBuffer& Other);

  Ref<TSLData> MakeCopy() const override;

  // Copies count bytes from offset into target's data at targetOffset
  // (through the target's ByteModify). ERangeError when either range leaves
  // its buffer.
  virtual void CopyRange(uint32_t offset, TSLGenericBuffer& target, uint32_t targetOffset,
                         uint32_t count) const;
  // Shares the other buffer's data (and copies its custom items).
  virtual void Assign(const TSLData& OtherBuffer);
  virtual bool IsEqual(const TSLGenericBuffer& Other) const;
  void Unique(bool PreserveData) { MakeUnique(PreserveData); }
  // A private container when the current one has other owners; true when made.
  virtual bool MakeUnique(bool PreserveData);
  virtual uint32_t GetByteSize() const { return FCharSize; }
  virtual uint32_t GetSize() const { return FCharSize; }

  const uint8_t* ByteRead() const { return FDataPtr; }
  uint8_t* ByteWrite() {
    Unique(false);
    return FDataPtr;
  }
  uint8_t* ByteModify() {
    Unique(true);
    return FDataPtr;
  }

  void RemoveOwnerShip();
  bool OwnsData() const { return FOwnsData; }
  TSLSmartBuffer& DataContainer() const { return *pDataContainer; }

  // Sequence number, kept in the container.
  bool SequenceAvailable() const { return pDataContainer->BufferNumberAvailable(); }
  void SetSequenceAvailable(bool v) { pDataContainer->SetBufferNumberAvailable(v); }
  int64_t BufferNumber() const { return pDataContainer->BufferNumber(); }
  void SetBufferNumber(int64_t v) { pDataContainer->SetBufferNumber(v); }

  // Raw bytes, no header. Saving replaces the file; loading reads exactly
  // GetByteSize bytes and checks the file first, so a missing or short file
  // leaves the buffer as it was.
  void SaveToFile(const std::string& AFileName) const;
  void LoadFromFile(const std::string& AFileName);

 protected:
  ~TSLGenericBuffer() override;
  // Points FDataPtr into the current container (after every change of it).
  virtual void UpdateDataPtr();
  // Switches to another container, keeping this buffer's kind of reference.
  void ReplaceContainer(const Ref<TSLSmartBuffer>& New);
  // The byte copy of CopyRange, ranges already checked.
  void CopyBytes(uint64_t offset, TSLGenericBuffer& target, uint64_t targetOffset, uint64_t count) const;
  // Runs fn(dst), fn returning a routine status, on data this buffer has to
  // itself: in place for a single owner, else in a fresh block (contents
  // undefined) that replaces the container only when the status is not an
  // error, so a refused routine leaves the buffer as it was. A source that
  // shares this buffer's container also forces the fresh block, so that no
  // routine reads what it is overwriting.
  template <class F>
  int WriteFrom(std::initializer_list<const TSLGenericBuffer*> sources, F fn) {
    bool fresh = !pDataContainer->SingleOwner();
    for (const TSLGenericBuffer* s : sources) fresh = fresh || (s && s->pDataContainer == pDataContainer);
    if (!fresh) return fn(FDataPtr);
    Ref<TSLSmartBuffer> block = pDataContainer->Clone(false);
    const int status = fn(block->RawData() + (FDataPtr - pDataContainer->RawData()));
    if (status >= 0) {
      ReplaceContainer(block);
      UpdateDataPtr();
    }
    return status;
  }

  uint8_t* FDataPtr = nullptr;
  uint32_t FCharSize = 0;

 private:
  TSLSmartBuffer* pDataContainer;  // one transport (and one owner while FOwnsData)
  bool FOwnsData = true;
};

// Plain bytes in a pooled container; element size 1.
class TSLMemoryBuffer : public TSLGenericBuffer {
 public:
  using TSLGenericBuffer::TSLGenericBuffer;
  static Ref<TSLMemoryBuffer> CreateSize(uint64_t ASize, TSLSmartBufferManager& pool = GlobalBufferManager());

  Ref<TSLData> MakeCopy() const override;
  virtual uint32_t GetElementSize() const { return 1; }
  uint32_t GetSize() const override { return FCharSize / GetElementSize(); }

 protected:
  // A container for n elements, from the pool of the current one.
  Ref<TSLSmartBuffer> CreateDataContainer(uint64_t n) const;
};

class TSLLinearMemoryBuffer : public TSLMemoryBuffer {
 public:
  using TSLMemoryBuffer::TSLMemoryBuffer;
  static Ref<TSLLinearMemoryBuffer> CreateSize(uint64_t ASize,
                                               TSLSmartBufferManager& pool = GlobalBufferManager());
  Ref<TSLData> MakeCopy() const override;

  // Size in elements. 0 empties the buffer but keeps the container; a
  // smaller size with PreserveData keeps it too, and so does growth within
  // the capacity while this buffer is the only owner. Anything else takes a
  // new container (with the old contents when PreserveData).
  virtual void Resize(uint64_t Size, bool PreserveData);
};

// The object behind a data reference as T, or EIntfCastError.
template <class T, class U>
T& BufferAs(U& data) {
  T* p = dynamic_cast<T*>(&data);
  if (!p) throw EIntfCastError(kInterfaceNotSupported);
  return *p;
}

}  // namespace tavrel
