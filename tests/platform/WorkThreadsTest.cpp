#include <algorithm>
#include <atomic>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>
#include <sched.h>

#include "platform/OrderedWork.h"
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

TEST(RunOrdered, ResultsInOrderAndTheFirstFailureStopsTheWork) {
  for (unsigned workers : {1u, 2u, 5u}) {
    std::vector<size_t> consumed;
    RunOrdered<size_t>(
        300, workers, 3, [](size_t index, unsigned) { return index * 2; },
        [&](size_t& result) { consumed.push_back(result); });
    ASSERT_EQ(consumed.size(), 300u) << workers << " workers";
    for (size_t i = 0; i < consumed.size(); ++i) ASSERT_EQ(consumed[i], i * 2) << workers << " workers";

    // A failing piece, whichever thread makes it: the pieces before it are
    // consumed, none after it, and its exception comes out.
    consumed.clear();
    auto failAt = [](size_t index, unsigned) -> size_t {
      if (index == 120) throw std::runtime_error("piece 120");
      return index;
    };
    EXPECT_THROW(RunOrdered<size_t>(300, workers, 4, failAt, [&](size_t& result) { consumed.push_back(result); }),
                 std::runtime_error);
    ASSERT_LE(consumed.size(), 120u);
    for (size_t i = 0; i < consumed.size(); ++i) ASSERT_EQ(consumed[i], i);

    std::atomic<size_t> made{0};
    auto count = [&](size_t index, unsigned) {
      ++made;
      return index;
    };
    EXPECT_THROW(RunOrdered<size_t>(
                     300, workers, 4, count,
                     [](size_t& result) {
                       if (result == 7) throw std::logic_error("consumer");
                     }),
                 std::logic_error);
    EXPECT_LE(made.load(), 8u + std::max(4u, workers)) << "no more than a window made past the failed result";
  }
}

}  // namespace
}  // namespace pixaldo
