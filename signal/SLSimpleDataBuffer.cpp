#include "signal/SLSimpleDataBuffer.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "math/routines.h"

namespace tavrel {

void TSLData::AssignData(const TSLData* AOther) {
  // Copy first: AOther may be this object.
  std::unique_ptr<std::vector<Ref<TSLData>>> items;
  if (AOther && AOther->FCustom && !AOther->FCustom->empty()) {
    items = std::make_unique<std::vector<Ref<TSLData>>>();
    for (const Ref<TSLData>& item : *AOther->FCustom) items->push_back(item->MakeCopy());
  }
  FCustom = std::move(items);
}

void TSLData::AddCustom(Ref<TSLData> AData) {
  if (!FCustom) FCustom = std::make_unique<std::vector<Ref<TSLData>>>();
  FCustom->push_back(std::move(AData));
}

int TSLData::GetCustomCount() const { return FCustom ? static_cast<int>(FCustom->size()) : 0; }

Ref<TSLData> TSLData::GetCustom(int AIndex) const {
  if (AIndex < 0 || AIndex >= GetCustomCount())
    throw EStringListError("List index out of bounds (" + std::to_string(AIndex) + ")");
  return (*FCustom)[static_cast<size_t>(AIndex)];
}

// ---------------------------------------------------------------------------

TSLGenericBuffer::TSLGenericBuffer(const TSLData* AOther, const Ref<TSLSmartBuffer>& AContainer,
                                   uint32_t ASize)
    : FCharSize(ASize), pDataContainer(AContainer.get()) {
  AssignData(AOther);
  pDataContainer->AddReff(true);
  FDataPtr = pDataContainer->RawData();
}

TSLGenericBuffer::TSLGenericBuffer(const TSLGenericBuffer& Other)
    : TSLData(), FDataPtr(Other.FDataPtr), FCharSize(Other.FCharSize), pDataContainer(Other.pDataContainer) {
  AssignData(&Other);
  pDataContainer->AddReff(true);
}

TSLGenericBuffer::~TSLGenericBuffer() { pDataContainer->RemoveReff(FOwnsData); }

Ref<TSLData> TSLGenericBuffer::MakeCopy() const { return MakeRef<TSLGenericBuffer>(*this); }

void TSLGenericBuffer::UpdateDataPtr() { FDataPtr = pDataContainer->RawData(); }

void TSLGenericBuffer::ReplaceContainer(const Ref<TSLSmartBuffer>& New) {
  TSLSmartBuffer* old = pDataContainer;
  New->AddReff(FOwnsData);
  pDataContainer = New.get();
  old->RemoveReff(FOwnsData);
}

bool TSLGenericBuffer::MakeUnique(bool PreserveData) {
  if (pDataContainer->SingleOwner()) return false;
  // Another owner may clone at the same moment; each writer still gets its
  // own copy, and nobody writes into the shared one.
  ReplaceContainer(pDataContainer->Clone(PreserveData));
  UpdateDataPtr();
  return true;
}

void TSLGenericBuffer::RemoveOwnerShip() {
  if (!FOwnsData) return;
  pDataContainer->RemoveOwnerShip();
  FOwnsData = false;
}

void TSLGenericBuffer::CopyRange(uint32_t offset, TSLGenericBuffer& target, uint32_t targetOffset,
                                 uint32_t count) const {
  if (uint64_t(offset) + count > GetByteSize()) throw ERangeError(FormatRange("Index", offset));
  if (uint64_t(targetOffset) + count > target.GetByteSize())
    throw ERangeError(FormatRange("Index", targetOffset));
  CopyBytes(offset, target, targetOffset, count);
}

void TSLGenericBuffer::CopyBytes(uint64_t offset, TSLGenericBuffer& target, uint64_t targetOffset,
                                 uint64_t count) const {
  if (count == 0) return;
  // The source may be the target: take its address after the target is private.
  uint8_t* dst = target.ByteModify() + targetOffset;
  const uint8_t* src = ByteRead() + offset;
  if (&target == this)
    std::memmove(dst, src, count);
  else
    SLDispatcher::ippsCopy_8u(src, dst, static_cast<int>(count));
}

void TSLGenericBuffer::Assign(const TSLData& OtherBuffer) {
  AssignData(&OtherBuffer);
  const auto& other = BufferAs<const TSLGenericBuffer>(OtherBuffer);
  if (&other == this) return;
  if (other.pDataContainer != pDataContainer) ReplaceContainer(Ref<TSLSmartBuffer>(other.pDataContainer));
  // The pointer follows this buffer's own reading of the container: an
  // audio buffer's data pointer lies past its header, which its byte size
  // counts, so copying both would reach past the block.
  FCharSize = other.FCharSize;
  UpdateDataPtr();
}

bool TSLGenericBuffer::IsEqual(const TSLGenericBuffer& Other) const {
  const uint32_t n = GetByteSize();
  if (n != Other.GetByteSize()) return false;
  return n == 0 || std::memcmp(ByteRead(), Other.ByteRead(), n) == 0;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

void TSLGenericBuffer::SaveToFile(const std::string& AFileName) const {
  File f(std::fopen(AFileName.c_str(), "wb"));
  if (!f) throw EFCreateError("Cannot create file \"" + AFileName + "\"");
  const uint32_t n = GetByteSize();
  if (n && std::fwrite(ByteRead(), 1, n, f.get()) != n) throw EWriteError("Stream write error");
  if (std::fclose(f.release()) != 0) throw EWriteError("Stream write error");
}

void TSLGenericBuffer::LoadFromFile(const std::string& AFileName) {
  File f(std::fopen(AFileName.c_str(), "rb"));
  if (!f) throw EFOpenError("Cannot open file \"" + AFileName + "\"");
  const uint32_t n = GetByteSize();
  // Check the length before the buffer gives up its data.
  if (std::fseek(f.get(), 0, SEEK_END) != 0) throw EReadError("Stream read error");
  const long length = std::ftell(f.get());
  if (length < 0 || static_cast<uint64_t>(length) < n || std::fseek(f.get(), 0, SEEK_SET) != 0)
    throw EReadError("Stream read error");
  if (n == 0) return;
  std::vector<uint8_t> bytes(n);
  if (std::fread(bytes.data(), 1, n, f.get()) != n) throw EReadError("Stream read error");
  std::memcpy(ByteWrite(), bytes.data(), n);
}

// ---------------------------------------------------------------------------

Ref<TSLMemoryBuffer> TSLMemoryBuffer::CreateSize(uint64_t ASize, TSLSmartBufferManager& pool) {
  Ref<TSLSmartBuffer> c = TSLSmartBuffer::Create(ASize, TSLContainerKind::Memory, pool);
  return MakeRef<TSLMemoryBuffer>(nullptr, c, static_cast<uint32_t>(ASize));
}

Ref<TSLData> TSLMemoryBuffer::MakeCopy() const { return MakeRef<TSLMemoryBuffer>(*this); }

Ref<TSLSmartBuffer> TSLMemoryBuffer::CreateDataContainer(uint64_t n) const {
  return TSLSmartBuffer::Create(n * GetElementSize(), DataContainer().Kind(), DataContainer().Pool());
}

Ref<TSLLinearMemoryBuffer> TSLLinearMemoryBuffer::CreateSize(uint64_t ASize, TSLSmartBufferManager& pool) {
  Ref<TSLSmartBuffer> c = TSLSmartBuffer::Create(ASize, TSLContainerKind::Memory, pool);
  return MakeRef<TSLLinearMemoryBuffer>(nullptr, c, static_cast<uint32_t>(ASize));
}

Ref<TSLData> TSLLinearMemoryBuffer::MakeCopy() const { return MakeRef<TSLLinearMemoryBuffer>(*this); }

void TSLLinearMemoryBuffer::Resize(uint64_t Size, bool PreserveData) {
  const uint32_t e = GetElementSize();
  if (Size == 0) {
    FCharSize = 0;
    UpdateDataPtr();
    return;
  }
  if (Size == GetSize()) return;
  const uint64_t bytes = Size * e;
  if (bytes > kMaxBufferSize) throw EOutOfMemory();
  if (PreserveData &&
      (Size < GetSize() || (DataContainer().SingleOwner() && bytes <= DataContainer().AllocatedSize()))) {
    FCharSize = static_cast<uint32_t>(bytes);
    UpdateDataPtr();
    return;
  }
  Ref<TSLSmartBuffer> fresh = CreateDataContainer(Size);
  if (PreserveData) fresh->CopyFrom(DataContainer());
  ReplaceContainer(fresh);
  FCharSize = static_cast<uint32_t>(bytes);
  UpdateDataPtr();
}

}  // namespace tavrel
