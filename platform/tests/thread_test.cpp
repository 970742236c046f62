#include "platform/thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <stdexcept>

namespace tavrel {
namespace {

std::string CurrentThreadName() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

TEST(Thread, RunsItsBodyUnderItsNameAndId) {
  std::string seenName;
  uint32_t seenId = 0;
  {
    Thread t("Pool.Trimmer", ThreadPriority::Normal, [&](Thread&) {
      seenName = CurrentThreadName();
      seenId = GetCurrentThreadId();
    });
    EXPECT_NE(t.ThreadID(), GetCurrentThreadId());
    t.Join();
    EXPECT_EQ(seenId, t.ThreadID());
  }
  EXPECT_EQ(seenName, "Pool.Trimmer");
}

TEST(Thread, LongNamesAreCutToTheSystemLimit) {
  std::string seen;
  Thread("ALLowPass1.TSLFilterThread", ThreadPriority::Normal,
         [&](Thread&) { seen = CurrentThreadName(); });
  EXPECT_EQ(seen, "ALLowPass1.TSLF");
}

TEST(Thread, TerminateEndsTheLoopAndTheDestructorJoins) {
  std::atomic<int> rounds{0};
  bool finished = false;
  {
    Thread t("Worker", ThreadPriority::Normal, [&](Thread& self) {
      while (!self.Terminated()) {
        ++rounds;
        Sleep(0);
      }
      finished = true;
    });
    while (rounds == 0) Sleep(0);
    t.Terminate();
  }
  EXPECT_TRUE(finished);  // joined: the body's last write is visible
}

TEST(Thread, KeepsTheExceptionThatEndedTheBody) {
  Thread t("Thrower", ThreadPriority::Normal, [](Thread&) { throw std::runtime_error("lost"); });
  t.Join();
  ASSERT_TRUE(t.FatalException());
  EXPECT_THROW(std::rethrow_exception(t.FatalException()), std::runtime_error);
}

TEST(Thread, LowerPrioritiesSetTheNiceValue) {
  const struct {
    ThreadPriority priority;
    int nice;
  } cases[] = {{ThreadPriority::Idle, 19}, {ThreadPriority::Lowest, 10}, {ThreadPriority::Lower, 5}};
  for (const auto& c : cases) {
    int seen = -100;
    Thread t("Low", c.priority, [&](Thread&) {
      seen = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    });
    t.Join();
    EXPECT_EQ(t.Applied(), PriorityApplied::NiceValue);
    EXPECT_EQ(seen, c.nice);
  }
}

TEST(Thread, HigherPrioritiesAreBestEffortAndNeverFail) {
  for (auto p : {ThreadPriority::Higher, ThreadPriority::Highest, ThreadPriority::TimeCritical}) {
    int policy = -1;
    bool ran = false;
    Thread t("High", p, [&](Thread&) {
      sched_param param{};
      pthread_getschedparam(pthread_self(), &policy, &param);
      ran = true;
    });
    t.Join();
    EXPECT_TRUE(ran);
    EXPECT_EQ(policy == SCHED_RR, t.Applied() == PriorityApplied::RealTime);
  }
}

}  // namespace
}  // namespace tavrel
