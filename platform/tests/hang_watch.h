#pragma once
// Turns a test that hangs into a failure that says where. Once one test has
// run longer than any test should (TAVREL_TEST_HANG_SECONDS, 300 by
// default), it names the test, prints every thread's stack through gdb
// when gdb is installed, and ends the process: a test run never sits out
// CTest's whole timeout without a word. A guard, not a measured time.
//
//   testing::UnitTest::GetInstance()->listeners().Append(new test::HangWatch);
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

extern char** environ;

namespace tavrel::test {

class HangWatch : public testing::EmptyTestEventListener {
 public:
  HangWatch() : limit_(LimitFromEnvironment()), watcher_([this] { Watch(); }) {}
  ~HangWatch() override { Stop(); }

  void OnTestStart(const testing::TestInfo& info) override {
    std::lock_guard lock(mutex_);
    test_ = std::string(info.test_suite_name()) + "." + info.name();
    deadline_ = std::chrono::steady_clock::now() + limit_;
    changed_.notify_all();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::lock_guard lock(mutex_);
    deadline_.reset();
    changed_.notify_all();
  }
  void OnTestProgramEnd(const testing::UnitTest&) override { Stop(); }

 private:
  static std::chrono::seconds LimitFromEnvironment() {
    const char* s = std::getenv("TAVREL_TEST_HANG_SECONDS");
    const long n = s ? std::strtol(s, nullptr, 10) : 0;
    return std::chrono::seconds(n > 0 ? n : 300);
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
      changed_.notify_all();
    }
    if (watcher_.joinable()) watcher_.join();
  }

  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      if (!deadline_) {
        changed_.wait(lock);
      } else if (changed_.wait_until(lock, *deadline_) == std::cv_status::timeout && deadline_ &&
                 std::chrono::steady_clock::now() >= *deadline_) {
        std::fprintf(stderr, "\n*** %s has run for more than %lld s: it hangs; the stacks follow\n",
                     test_.c_str(), static_cast<long long>(limit_.count()));
        std::fflush(stderr);
        PrintStacks();
        std::abort();
      }
    }
  }

  // gdb runs as our child; a Yama ptrace scope of 1 lets only a declared
  // tracer attach to its parent.
  static void PrintStacks() {
    prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    const std::string pid = std::to_string(getpid());
    const char* argv[] = {"gdb", "-nx", "-batch", "-p", pid.c_str(), "-ex", "thread apply all bt", nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "gdb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      std::fprintf(stderr, "(no gdb to print the stacks with)\n");
      return;
    }
    waitpid(child, nullptr, 0);
  }

  const std::chrono::seconds limit_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string test_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
  bool stop_ = false;
  std::thread watcher_;  // last: it reads the members above
};

}  // namespace tavrel::test
