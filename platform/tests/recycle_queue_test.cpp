#include "platform/recycle_queue.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <random>
#include <vector>

namespace tavrel {
namespace {

int Value(int v) { return v; }
int Value(const std::shared_ptr<int>& p) { return *p; }

template <class T>
std::vector<int> Items(const T& q) {
  std::vector<int> out;
  for (const auto& each : q) out.push_back(Value(each));
  return out;
}

// Random pushes and pops at both ends, erasures and clears, the ring
// wrapping and growing in every position: always the same items, in the
// same order, as a std::deque given the same calls.
TEST(RecycledQueue, KeepsTheOrderOfADequeThroughWrapsAndGrowth) {
  std::mt19937 rng(5);
  TRecycledQueue<std::shared_ptr<int>> q;
  std::deque<std::shared_ptr<int>> model;
  for (int step = 0; step < 20000; ++step) {
    const unsigned op = rng() % 100;
    if (op < 40) {
      auto v = std::make_shared<int>(step);
      q.push_back(v);
      model.push_back(v);
    } else if (op < 55) {
      auto v = std::make_shared<int>(-step);
      q.push_front(v);
      model.push_front(v);
    } else if (op < 80 && !model.empty()) {
      q.pop_front();
      model.pop_front();
    } else if (op < 95 && !model.empty()) {
      q.pop_back();
      model.pop_back();
    } else if (op < 99 && !model.empty()) {
      const std::size_t i = rng() % model.size();
      q.erase(i);
      model.erase(model.begin() + std::ptrdiff_t(i));
    } else {
      q.clear();
      model.clear();
    }
    ASSERT_EQ(q.size(), model.size());
    ASSERT_EQ(q.empty(), model.empty());
    if (!model.empty()) {
      ASSERT_EQ(q.front(), model.front());
      ASSERT_EQ(q.back(), model.back());
    }
    if (step % 97 == 0) {
      ASSERT_EQ(Items(q), Items(model));
    }
  }
}

// A popped, erased or cleared item is released at once, not when its
// slot is next used: a queued buffer must not outlive its stay.
TEST(RecycledQueue, TakenItemsAreReleasedAtOnce) {
  TRecycledQueue<std::shared_ptr<int>> q;
  auto a = std::make_shared<int>(1), b = std::make_shared<int>(2), c = std::make_shared<int>(3);
  q.push_back(a);
  q.push_back(b);
  q.push_back(c);
  q.pop_front();
  EXPECT_EQ(a.use_count(), 1);
  q.erase(1);
  EXPECT_EQ(c.use_count(), 1);
  q.clear();
  EXPECT_EQ(b.use_count(), 1);
  EXPECT_TRUE(q.empty());
}

// Once the ring has held the deepest queue, the slots are reused: the
// capacity stays, however long the queue runs at that depth.
TEST(RecycledQueue, SteadyDepthKeepsItsSlots) {
  TRecycledQueue<int> q;
  q.Reserve(5);
  EXPECT_EQ(q.capacity(), 5u);
  for (int i = 0; i < 5; ++i) q.push_back(i);
  for (int i = 5; i < 10000; ++i) {
    q.pop_front();
    q.push_back(i);
    ASSERT_EQ(q.front(), i - 4);
  }
  EXPECT_EQ(q.capacity(), 5u);
  q.push_front(-1);  // one more than ever: the ring grows, the order stays
  EXPECT_GT(q.capacity(), 5u);
  EXPECT_EQ(Items(q), (std::vector<int>{-1, 9995, 9996, 9997, 9998, 9999}));
}

// Moving hands the whole ring over; the source is left empty.
TEST(RecycledQueue, MoveAndSwapHandTheItemsOver) {
  TRecycledQueue<int> q;
  for (int i = 0; i < 3; ++i) q.push_back(i);
  TRecycledQueue<int> taken(std::move(q));
  EXPECT_TRUE(q.empty());
  EXPECT_EQ(Items(taken), (std::vector<int>{0, 1, 2}));
  q.push_back(7);
  q.swap(taken);
  EXPECT_EQ(Items(q), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Items(taken), (std::vector<int>{7}));
}

}  // namespace
}  // namespace tavrel
