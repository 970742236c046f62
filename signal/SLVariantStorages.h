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
#include <deque>

#include "framework/OWSync.h"
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

  std::deque<Ref<TSLGenericBuffer>> FList;
  TOWCriticalSection FSection;
};

}  // namespace tavrel
