#include "framework/LPLock.h"

#include "platform/exceptions.h"

namespace tavrel {

TLPLock::TLPLock(TLPPropUpdateFunc ANotify) : TLPBasicLock(std::move(ANotify)), FLock(MakeRef<TOWLock>()) {}

Ref<TLPLock> TLPLock::CreateCopy(const Ref<ILPLock>& ALock, TLPPropUpdateFunc ANotify) {
  if (!ALock) throw EOWException("TLPLock.CreateCopy needs a lock to share");
  return Ref<TLPLock>(new TLPLock(Ref<IOWLock>(ALock->Instance()), std::move(ANotify)));
}

TLPPairedLock::TLPPairedLock(Ref<ILPLock> AFirstLock, Ref<ILPLock> ASecondLock, TLPPropUpdateFunc ANotify)
    : TLPBasicLock(std::move(ANotify)), FFirstLock(std::move(AFirstLock)), FSecondLock(std::move(ASecondLock)) {
  if (!FFirstLock || !FSecondLock) throw EOWException("TLPPairedLock needs two locks");
}

Ref<IOWLockSection> TLPPairedLock::ReadLock() {
  Ref<IOWLockSection> first = FFirstLock->ReadLock();
  return MakeRef<TLPPairedLockSection>(std::move(first), FSecondLock->ReadLock());
}

Ref<IOWLockSection> TLPPairedLock::WriteLock() {
  Ref<IOWLockSection> first = FFirstLock->WriteLock();
  return MakeRef<TLPPairedLockSection>(std::move(first), FSecondLock->WriteLock());
}

Ref<IOWLockSection> TLPPairedLock::StopLock() {
  Ref<IOWLockSection> first = FFirstLock->StopLock();
  return MakeRef<TLPPairedLockSection>(std::move(first), FSecondLock->StopLock());
}

Ref<IOWLockSection> TLPPairedLock::UnlockAll() {
  Ref<IOWLockSection> first = FFirstLock->UnlockAll();
  return MakeRef<TLPPairedLockSection>(std::move(first), FSecondLock->UnlockAll());
}

Ref<IOWLockSection> TLPPairedLock::UnlockAllLockInOrder(const Ref<IOWLock>& AFirstLock) {
  // The pair releases its second section first: the first lock's holds
  // come back first.
  Ref<IOWLockSection> second = FSecondLock->UnlockAllLockInOrder(AFirstLock);
  return MakeRef<TLPPairedLockSection>(std::move(second), FFirstLock->UnlockAllLockInOrder(AFirstLock));
}

}  // namespace tavrel
