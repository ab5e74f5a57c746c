#include <atomic>

#include <gtest/gtest.h>
#include <sched.h>

#include "platform/SideThread.h"

namespace pixaldo {
namespace {

TEST(SideThread, RunsOnAnotherCoreUntilWidenedAndIsJoinedWhenDestroyed) {
  cpu_set_t allowed;
  ASSERT_EQ(::sched_getaffinity(0, sizeof allowed, &allowed), 0);
  std::atomic<int> core{-1};
  std::atomic<bool> ran{false};
  {
    SideThread thread([&] {
      core = ::sched_getcpu();
      ran = true;
    });
  }  // joined here
  ASSERT_TRUE(ran);
  if (CPU_COUNT(&allowed) < 2) GTEST_SKIP() << "one core only";
  core = -1;

  std::atomic<bool> widened{false};
  cpu_set_t before, after;
  CPU_ZERO(&before);
  CPU_ZERO(&after);
  const int creatorBefore = ::sched_getcpu();
  SideThread thread([&] {
    ::sched_getaffinity(0, sizeof before, &before);
    core = ::sched_getcpu();
    while (!widened) {
    }
    ::sched_getaffinity(0, sizeof after, &after);
  });
  const int creator = ::sched_getcpu();
  while (core < 0) {
  }
  EXPECT_EQ(CPU_COUNT(&before), CPU_COUNT(&allowed) - 1);
  if (creator == creatorBefore) {
    EXPECT_NE(core, creator);
  }
  thread.Widen();
  widened = true;
  thread.join();
  EXPECT_TRUE(CPU_EQUAL(&after, &allowed)) << "after Widen the thread may run wherever its creator may";
}

}  // namespace
}  // namespace pixaldo
