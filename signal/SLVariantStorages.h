#pragma once
// A thread-safe list of data buffers: a queue, or a one-place mailbox in
// which the buffer already waiting wins and a newcomer is dropped.
//
//   TSLBufferList list;
//   list.Add(buffer, /*Queue=*/true);    // stores a new object sharing the data
//   Ref<TSLData> next;
//   while (list.PopFirst(next)) use(next);
//
// Add stores a MakeCopy, so later writes through the caller's object do not
// reach the stored one (copy-on-write) and the caller keeps its object.
//
// And a queue of operations under a framework lock, the owner's or its own:
//
//   TSLOperationList ops(ownerLock);     // null: a lock of its own
//   ops.Push(op, /*SingleItem=*/false);  // the count after the push
//   ops.PushBack(op);                    // to the front: popped next
//   Ref<IOWNotifyOperation> next = ops.Pop();   // null when empty
//
// While another thread holds the lock's stop section (the owner is being
// torn down) the list refuses work: pushes add nothing and give 0, Pop and
// Peek give null, ItemsCount 0, Clear does nothing.
//
// Both keep their items on a ring of reused slots (platform/recycle_queue.h),
// so a queue that has once reached its depth allocates nothing more.
#include "framework/OWLock.h"
#include "framework/OWOperations.h"
#include "framework/OWSync.h"
#include "platform/recycle_queue.h"
#include "signal/SLSimpleDataBuffer.h"

namespace tavrel {

class TSLBufferList {
 public:
  TSLBufferList() = default;
  TSLBufferList(const TSLBufferList&) = delete;
  TSLBufferList& operator=(const TSLBufferList&) = delete;

  // False when single mode dropped the buffer. EIntfCastError, with the list
  // unchanged, for an object that is not a data buffer.
  bool Add(const TSLData& AValue, bool Queue);
  // EStringListError outside the list. GetVarItem takes no lock: callers hold
  // the section.
  void GetVarItem(int Index, Ref<TSLData>& Item) const;
  void Delete(int Index);
  // False, with AValue unchanged, on an empty list.
  bool PopFirst(Ref<TSLData>& AValue);
  bool PopLast(Ref<TSLData>& AValue);
  void Clear();
  int Count();

 private:
  void CheckIndex(int Index) const;

  TRecycledQueue<Ref<TSLGenericBuffer>> FList;
  TOWCriticalSection FSection;
};

class TSLOperationList {
 public:
  explicit TSLOperationList(Ref<IOWLock> ALock = nullptr);
  ~TSLOperationList();  // under the stop lock
  TSLOperationList(const TSLOperationList&) = delete;
  TSLOperationList& operator=(const TSLOperationList&) = delete;

  // With SingleItem only the pushed operation remains.
  int Push(const Ref<IOWNotifyOperation>& AValue, bool SingleItem = false);
  int PushBack(const Ref<IOWNotifyOperation>& AValue);
  Ref<IOWNotifyOperation> Pop();
  Ref<IOWNotifyOperation> Peek();
  int ItemsCount();
  void Clear();

 private:
  TRecycledQueue<Ref<IOWNotifyOperation>> FList;
  Ref<IOWLock> FLock;
};

}  // namespace tavrel
