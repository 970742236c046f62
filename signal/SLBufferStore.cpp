#include "signal/SLBufferStore.h"

#include <algorithm>
#include <cstring>

#include "math/runtime.h"

namespace tavrel {

uint32_t RoundUpBufferSize(uint64_t size) {
  if (size > kMaxBufferSize) throw EOutOfMemory();
  uint64_t block = 4;
  while (block < size) block <<= 1;
  return static_cast<uint32_t>(block);
}

TSLSmartBufferManager::~TSLSmartBufferManager() {
  StopTrimTimer();
  ReleaseMemory();
}

TSLSmartBufferManager::List& TSLSmartBufferManager::FindOrAdd(uint32_t size) {
  for (List& list : lists_)
    if (list.size == size) return list;
  lists_.push_back(List{size, {}, 0});
  return lists_.back();
}

void TSLSmartBufferManager::FreeList(List& list) {
  for (void* block : list.free) AlignedFree(block);
  liveBlocks_ -= static_cast<int64_t>(list.free.size());
  list.free.clear();
}

void* TSLSmartBufferManager::Allocate(uint32_t ASize) {
  if (ASize == 0) return nullptr;
  std::lock_guard lock(mutex_);
  for (List& list : lists_) {
    if (list.size != ASize || list.free.empty()) continue;
    list.countdown = static_cast<uint32_t>(list.free.size()) + 8;
    void* block = list.free.back();
    list.free.pop_back();
    return block;
  }
  // A refused block leaves the pool as it was.
  void* block = AlignedMalloc(ASize);
  if (!block) throw EOutOfMemory();
  FindOrAdd(ASize).countdown = 8;
  ++heapBlocks_;
  ++liveBlocks_;
  return block;
}

void TSLSmartBufferManager::Deallocate(void* DataPtr, uint32_t ASize) {
  if (!DataPtr) return;
  std::lock_guard lock(mutex_);
  List& list = FindOrAdd(ASize);
  list.free.push_back(DataPtr);
  list.countdown = static_cast<uint32_t>(list.free.size()) + 8;
}

void TSLSmartBufferManager::TrimTimer() {
  std::lock_guard lock(mutex_);
  for (size_t i = lists_.size(); i-- > 0;) {
    List& list = lists_[i];
    if (list.countdown > 0) {
      --list.countdown;
      while (list.free.size() > list.countdown) {
        AlignedFree(list.free.back());
        list.free.pop_back();
        --liveBlocks_;
      }
    }
    if (list.countdown == 0) {
      FreeList(list);
      lists_.erase(lists_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

void TSLSmartBufferManager::ReleaseMemory() {
  std::lock_guard lock(mutex_);
  for (List& list : lists_) FreeList(list);
  lists_.clear();
}

void TSLSmartBufferManager::StartTrimTimer() {
  if (timer_) return;
  timer_ = TComponent::CreateUnowned<TLPTimer>();
  timer_->SetInterval(200);
  timer_->SetOnTimer(TNotifyEvent([this](TObject*) { TrimTimer(); }, nullptr, "TrimTimer"));
}

void TSLSmartBufferManager::StopTrimTimer() { timer_.reset(); }

std::vector<uint32_t> TSLSmartBufferManager::ListSizes() const {
  std::lock_guard lock(mutex_);
  std::vector<uint32_t> sizes;
  for (const List& list : lists_) sizes.push_back(list.size);
  return sizes;
}

size_t TSLSmartBufferManager::FreeBlocks(uint32_t ASize) const {
  std::lock_guard lock(mutex_);
  for (const List& list : lists_)
    if (list.size == ASize) return list.free.size();
  return 0;
}

uint64_t TSLSmartBufferManager::HeapBlocks() const {
  std::lock_guard lock(mutex_);
  return heapBlocks_;
}

int64_t TSLSmartBufferManager::LiveBlocks() const {
  std::lock_guard lock(mutex_);
  return liveBlocks_;
}

TSLSmartBufferManager& GlobalBufferManager() {
  // Deliberately never destroyed (see the header).
  static TSLSmartBufferManager* const manager = new TSLSmartBufferManager;
  return *manager;
}

// ---------------------------------------------------------------------------

TSLSmartBuffer::TSLSmartBuffer(TSLContainerKind kind, uint32_t capacity, TSLSmartBufferManager& pool)
    : pool_(&pool),
      data_(static_cast<uint8_t*>(pool.Allocate(capacity))),
      capacity_(capacity),
      kind_(kind) {}

TSLSmartBuffer::~TSLSmartBuffer() { pool_->Deallocate(data_, capacity_); }

Ref<TSLSmartBuffer> TSLSmartBuffer::Create(uint64_t ASize, TSLContainerKind kind,
                                           TSLSmartBufferManager& pool) {
  const uint32_t capacity = RoundUpBufferSize(ASize);
  return Ref<TSLSmartBuffer>(new TSLSmartBuffer(kind, capacity, pool));
}

Ref<TSLSmartBuffer> TSLSmartBuffer::CreateData(const void* Data, uint64_t ASize, TSLContainerKind kind,
                                               TSLSmartBufferManager& pool) {
  Ref<TSLSmartBuffer> c = Create(ASize, kind, pool);
  if (Data && ASize) std::memcpy(c->data_, Data, ASize);
  return c;
}

Ref<TSLSmartBuffer> TSLSmartBuffer::Clone(bool Preserve) const {
  Ref<TSLSmartBuffer> c(new TSLSmartBuffer(kind_, capacity_, *pool_));
  if (IsMedia()) c->SetTimeData(*this);
  const uint32_t keep = Preserve ? capacity_
                        : kind_ == TSLContainerKind::Audio ? std::min(kWaveHeaderSize, capacity_)
                                                           : 0;
  if (keep) std::memcpy(c->data_, data_, keep);
  return c;
}

void TSLSmartBuffer::CopyFrom(const TSLSmartBuffer& Other) {
  if (&Other == this) return;
  std::memcpy(data_, Other.data_, std::min(capacity_, Other.capacity_));
}

void TSLSmartBuffer::AddReff(bool OwnsData) const {
  if (OwnsData) owners_.fetch_add(1, std::memory_order_acq_rel);
  AddRef();
}

void TSLSmartBuffer::RemoveReff(bool OwnsData) const {
  if (OwnsData) RemoveOwnerShip();
  Release();
}

void TSLSmartBuffer::RemoveOwnerShip() const {
  int n = owners_.load(std::memory_order_acquire);
  while (n > 0 && !owners_.compare_exchange_weak(n, n - 1, std::memory_order_acq_rel)) {
  }
}

void TSLSmartBuffer::SetTimeData(const TSLSmartBuffer& AOther) {
  SetTimeStampAvailable(AOther.TimeStampAvailable());
  SetTimeStampBegin(AOther.TimeStampBegin());
  SetTimeStampEnd(AOther.TimeStampEnd());
}

}  // namespace tavrel
