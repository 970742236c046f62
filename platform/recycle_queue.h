#pragma once
// A double-ended queue on one ring of reused slots, for the queues an audio
// buffer passes through (driver headers, wave records, operations): the
// ring doubles when full and never shrinks, so once it has held as many
// items as are ever queued at once, pushing and popping cost no heap call.
// Reserve sizes it at start. Not guarded: the owner's lock covers it.
//
//   TRecycledQueue<WAVEHDR*> queue;
//   queue.Reserve(16);
//   queue.push_back(h);
//   WAVEHDR* first = queue.front();
//   queue.pop_front();
//   for (WAVEHDR* each : queue) ...;   // front to back
//
// T must be default-constructible and movable; a popped or cleared slot is
// given a default value at once, so what it held is released then.
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

namespace tavrel {

template <class T>
class TRecycledQueue {
 public:
  TRecycledQueue() = default;
  TRecycledQueue(TRecycledQueue&& other) noexcept { swap(other); }
  TRecycledQueue& operator=(TRecycledQueue&& other) noexcept {
    TRecycledQueue(std::move(other)).swap(*this);
    return *this;
  }

  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  std::size_t capacity() const { return slots_.size(); }

  // Room for n items with no further allocation.
  void Reserve(std::size_t n) {
    if (n > slots_.size()) Regrow(n);
  }

  T& operator[](std::size_t i) { return slots_[Slot(i)]; }
  const T& operator[](std::size_t i) const { return slots_[Slot(i)]; }
  T& front() { return slots_[first_]; }
  const T& front() const { return slots_[first_]; }
  T& back() { return (*this)[count_ - 1]; }
  const T& back() const { return (*this)[count_ - 1]; }

  void push_back(T value) {
    Grow();
    slots_[Slot(count_)] = std::move(value);
    ++count_;
  }
  void push_front(T value) {
    Grow();
    first_ = first_ == 0 ? slots_.size() - 1 : first_ - 1;
    slots_[first_] = std::move(value);
    ++count_;
  }
  void pop_front() {
    slots_[first_] = T{};
    first_ = first_ + 1 == slots_.size() ? 0 : first_ + 1;
    --count_;
  }
  void pop_back() {
    (*this)[count_ - 1] = T{};
    --count_;
  }
  // Removes item i, the later ones moving up.
  void erase(std::size_t i) {
    for (; i + 1 < count_; ++i) (*this)[i] = std::move((*this)[i + 1]);
    pop_back();
  }
  void clear() {
    while (count_ > 0) pop_back();
    first_ = 0;
  }
  void swap(TRecycledQueue& other) noexcept {
    slots_.swap(other.slots_);
    std::swap(first_, other.first_);
    std::swap(count_, other.count_);
  }

  template <class Q, class V>
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = V*;
    using reference = V&;
    Iterator(Q* queue, std::size_t i) : queue_(queue), i_(i) {}
    V& operator*() const { return (*queue_)[i_]; }
    V* operator->() const { return &(*queue_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator==(const Iterator& other) const { return i_ == other.i_; }

   private:
    Q* queue_;
    std::size_t i_;
  };
  using iterator = Iterator<TRecycledQueue, T>;
  using const_iterator = Iterator<const TRecycledQueue, const T>;
  iterator begin() { return {this, 0}; }
  iterator end() { return {this, count_}; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, count_}; }

 private:
  std::size_t Slot(std::size_t i) const {
    const std::size_t s = first_ + i;
    return s < slots_.size() ? s : s - slots_.size();
  }
  void Grow() {
    if (count_ == slots_.size()) Regrow(count_ < 4 ? 8 : 2 * count_);
  }
  // The items moved, in order, to the start of a ring of n slots.
  void Regrow(std::size_t n) {
    std::vector<T> slots(n);
    for (std::size_t i = 0; i < count_; ++i) slots[i] = std::move((*this)[i]);
    slots_.swap(slots);
    first_ = 0;
  }

  std::vector<T> slots_;
  std::size_t first_ = 0;
  std::size_t count_ = 0;
};

}  // namespace tavrel
