#pragma once
// The store behind every data buffer: a pool of 32-byte aligned data blocks
// with one free list per exact block size, and the reference-counted data
// container that buffer objects share.
//
//   TSLSmartBufferManager pool;                        // or GlobalBufferManager()
//   Ref<TSLSmartBuffer> c = TSLSmartBuffer::Create(100, TSLContainerKind::Memory, pool);
//   c->AddReff(true);                                  // a buffer takes it as owner
//   c->RawData()[0] = 1;                               // capacity 128, not cleared
//   c->RemoveReff(true);                               // ... and lets it go
//   pool.TrimTimer();                                  // one 200 ms trimming tick
//
// Pool. Blocks go back to their list and are handed out again last in,
// first out, so a stream of equal buffers never touches the heap. Every
// allocation or return sets the list's countdown to free blocks + 8; each
// trimming tick decrements it and frees blocks down to the countdown, and
// the list goes when it reaches 0. So an idle block stays 8 ticks, then one
// block goes per tick. The global pool's trimming runs from a 200 ms timer
// on the thread that ran the module start-up (SignalModules); tests own
// private pools and tick them by hand.
//
// Container. One class for plain, media (time stamp) and audio containers
// (time stamp, and a 40-byte format header that even an empty clone
// keeps). The intrusive count (Ref) is the transport count and decides
// lifetime; the owner count decides copy-on-write. Container instances come
// from the ordinary heap; only data blocks are pooled. The time stamp and
// the counts are atomics, so any thread may read them.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/LPTimer.h"
#include "platform/recycle.h"
#include "platform/refcount.h"
#include "signal/SLErrors.h"

namespace tavrel {

// Speaker positions; the value is the bit in a channel mask.
enum class TALSpeaker : uint32_t {
  spFrontLeft, spFrontRight, spFrontCenter, spSubwoofer, spBackLeft, spBackRight,
  spFrontLeftOfCenter, spFrontRightOfCenter, spBackCenter, spSideLeft, spSideRight,
  spTopCenter, spTopFrontLeft, spTopFrontCenter, spTopFrontRight, spTopBackLeft,
  spTopBackCenter, spTopBackRight,
};
inline constexpr int kSpeakerCount = 18;
// A set of speakers as a channel mask.
using TALSpeakers = uint32_t;

inline constexpr uint64_t kMaxBufferSize = uint64_t{1} << 30;

// The block size for a request: the first power of two from 4 up that is
// not below it. Above 2^30 raises EOutOfMemory.
uint32_t RoundUpBufferSize(uint64_t size);

class TSLSmartBufferManager {
 public:
  TSLSmartBufferManager() = default;
  ~TSLSmartBufferManager();  // stops the timer, frees every pooled block
  TSLSmartBufferManager(const TSLSmartBufferManager&) = delete;
  TSLSmartBufferManager& operator=(const TSLSmartBufferManager&) = delete;

  // A block of exactly ASize bytes (not cleared); nil for 0. EOutOfMemory
  // when the heap refuses, with the pool unchanged.
  void* Allocate(uint32_t ASize);
  // Takes a block back into the list of its size.
  void Deallocate(void* DataPtr, uint32_t ASize);
  // One trimming pass (see above).
  void TrimTimer();
  // Hands every pooled block back to the heap and drops every list.
  void ReleaseMemory();

  // The 200 ms timer that calls TrimTimer on the calling thread.
  void StartTrimTimer();
  void StopTrimTimer();

  // What tests observe.
  std::vector<uint32_t> ListSizes() const;   // in creation order
  size_t FreeBlocks(uint32_t ASize) const;   // 0 also when there is no list
  uint64_t HeapBlocks() const;               // blocks ever taken from the heap
  int64_t LiveBlocks() const;                // blocks taken from the heap and not given back

 private:
  struct List {
    uint32_t size;
    std::vector<void*> free;
    uint32_t countdown = 0;
  };
  List& FindOrAdd(uint32_t size);  // under mutex_
  void FreeList(List& list);       // under mutex_

  mutable std::mutex mutex_;
  std::vector<List> lists_;
  uint64_t heapBlocks_ = 0;
  int64_t liveBlocks_ = 0;
  ComponentPtr<TLPTimer> timer_;
};

// The process's pool. It is never destroyed, so buffers released during
// static destruction still find it.
TSLSmartBufferManager& GlobalBufferManager();

enum class TSLContainerKind { Memory, Media, Audio };

inline constexpr uint32_t kWaveHeaderSize = 40;

class TSLSmartBuffer : public RefCounted, public TRecycled {
 public:
  // A container of capacity RoundUpBufferSize(ASize), contents not cleared.
  static Ref<TSLSmartBuffer> Create(uint64_t ASize, TSLContainerKind kind,
                                    TSLSmartBufferManager& pool = GlobalBufferManager());
  // As Create, then ASize bytes copied from Data when it is not nil.
  static Ref<TSLSmartBuffer> CreateData(const void* Data, uint64_t ASize, TSLContainerKind kind,
                                        TSLSmartBufferManager& pool = GlobalBufferManager());

  // A container of the same kind, pool and capacity. With Preserve it holds
  // the whole block; without, only an audio header. Media kinds carry the
  // time stamp either way.
  Ref<TSLSmartBuffer> Clone(bool Preserve) const;
  // Copies the smaller capacity from the start of Other's block.
  void CopyFrom(const TSLSmartBuffer& Other);

  // Counts. AddReff takes a transport (and an owner); RemoveReff gives them
  // back and may destroy the container.
  void AddReff(bool OwnsData) const;
  void RemoveReff(bool OwnsData) const;
  void RemoveOwnerShip() const;
  bool SingleOwner() const { return owners_.load(std::memory_order_acquire) <= 1; }
  int CountOwners() const { return owners_.load(std::memory_order_acquire); }
  int CountTransports() const { return RefCount(); }

  uint8_t* RawData() const { return data_; }
  uint32_t AllocatedSize() const { return capacity_; }
  TSLContainerKind Kind() const { return kind_; }
  bool IsMedia() const { return kind_ != TSLContainerKind::Memory; }
  TSLSmartBufferManager& Pool() const { return *pool_; }

  // Sequence number of the data.
  bool BufferNumberAvailable() const { return numberAvailable_.load(std::memory_order_acquire); }
  void SetBufferNumberAvailable(bool v) { numberAvailable_.store(v, std::memory_order_release); }
  int64_t BufferNumber() const { return number_.load(std::memory_order_acquire); }
  void SetBufferNumber(int64_t v) { number_.store(v, std::memory_order_release); }

  // Time stamp of a media container, in 100 ns units.
  bool TimeStampAvailable() const { return stampAvailable_.load(std::memory_order_acquire); }
  void SetTimeStampAvailable(bool v) { stampAvailable_.store(v, std::memory_order_release); }
  int64_t TimeStampBegin() const { return begin_.load(std::memory_order_acquire); }
  void SetTimeStampBegin(int64_t v) { begin_.store(v, std::memory_order_release); }
  int64_t TimeStampEnd() const { return end_.load(std::memory_order_acquire); }
  void SetTimeStampEnd(int64_t v) { end_.store(v, std::memory_order_release); }
  void SetTimeData(const TSLSmartBuffer& AOther);

 protected:
  ~TSLSmartBuffer() override;  // the block goes back to the pool

 private:
  TSLSmartBuffer(TSLContainerKind kind, uint32_t capacity, TSLSmartBufferManager& pool);

  TSLSmartBufferManager* pool_;
  uint8_t* data_;
  uint32_t capacity_;
  TSLContainerKind kind_;
  mutable std::atomic<int> owners_{0};
  std::atomic<bool> numberAvailable_{false};
  std::atomic<int64_t> number_{0};
  std::atomic<bool> stampAvailable_{false};
  std::atomic<int64_t> begin_{0};
  std::atomic<int64_t> end_{0};
};

}  // namespace tavrel
