#pragma once
// Waits in tests for a state that another thread brings about and that has
// no condition to block on. The deadline guards against a hang, it is not a
// measured time: a wait that meets it fails the test.
//
//   ASSERT_TRUE(test::WaitUntil([&] { return handled.load() == 10; }));
//   ASSERT_TRUE(test::WaitUntil(done, ProcessMessages));  // pumping meanwhile
#include <chrono>
#include <thread>

namespace tavrel::test {

inline constexpr std::chrono::seconds kHangGuard{20};

// Looks again every 200 us, sleeping in between so that the awaited thread
// gets the processor; `between` runs before each sleep.
template <class Done, class Between>
bool WaitUntil(Done done, Between between) {
  const auto until = std::chrono::steady_clock::now() + kHangGuard;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    between();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

template <class Done>
bool WaitUntil(Done done) {
  return WaitUntil(done, [] {});
}

}  // namespace tavrel::test
