#include "signal/SLVariantStorages.h"

#include <mutex>
#include <string>

namespace tavrel {

bool TSLBufferList::Add(const TSLData& AValue, bool Queue) {
  std::lock_guard hold(FSection);
  if (!Queue && !FList.empty()) return false;
  Ref<TSLData> copy = AValue.MakeCopy();
  Ref<TSLGenericBuffer> buffer(&BufferAs<TSLGenericBuffer>(*copy));
  FList.push_back(std::move(buffer));
  return true;
}

void TSLBufferList::CheckIndex(int Index) const {
  if (Index < 0 || size_t(Index) >= FList.size())
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TSLBufferList::GetVarItem(int Index, Ref<TSLData>& Item) const {
  CheckIndex(Index);
  Item = FList[size_t(Index)];
}

void TSLBufferList::Delete(int Index) {
  std::lock_guard hold(FSection);
  CheckIndex(Index);
  FList.erase(size_t(Index));
}

bool TSLBufferList::PopFirst(Ref<TSLData>& AValue) {
  std::lock_guard hold(FSection);
  if (FList.empty()) return false;
  GetVarItem(0, AValue);
  FList.pop_front();
  return true;
}

bool TSLBufferList::PopLast(Ref<TSLData>& AValue) {
  std::lock_guard hold(FSection);
  if (FList.empty()) return false;
  GetVarItem(int(FList.size()) - 1, AValue);
  FList.pop_back();
  return true;
}

void TSLBufferList::Clear() {
  std::lock_guard hold(FSection);
  FList.clear();
}

int TSLBufferList::Count() {
  std::lock_guard hold(FSection);
  return int(FList.size());
}

}  // namespace tavrel

namespace tavrel {

TSLOperationList::TSLOperationList(Ref<IOWLock> ALock) : FLock(ALock ? std::move(ALock) : Ref<IOWLock>(MakeRef<TOWLock>())) {}

TSLOperationList::~TSLOperationList() {
  Ref<IOWLockSection> stop = FLock->StopLock();
  FList.clear();
}

int TSLOperationList::Push(const Ref<IOWNotifyOperation>& AValue, bool SingleItem) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return 0;
  FList.push_back(AValue);
  if (SingleItem)
    while (FList.size() > 1) FList.pop_front();
  return int(FList.size());
}

int TSLOperationList::PushBack(const Ref<IOWNotifyOperation>& AValue) {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold) return 0;
  FList.push_front(AValue);
  return int(FList.size());
}

Ref<IOWNotifyOperation> TSLOperationList::Pop() {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold || FList.empty()) return nullptr;
  Ref<IOWNotifyOperation> front = std::move(FList.front());
  FList.pop_front();
  return front;
}

Ref<IOWNotifyOperation> TSLOperationList::Peek() {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (!hold || FList.empty()) return nullptr;
  return FList.front();
}

int TSLOperationList::ItemsCount() {
  Ref<IOWLockSection> hold = FLock->ReadLock();
  return hold ? int(FList.size()) : 0;
}

void TSLOperationList::Clear() {
  Ref<IOWLockSection> hold = FLock->WriteLock();
  if (hold) FList.clear();
}

}  // namespace tavrel
