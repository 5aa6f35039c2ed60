// A task group: the spawner returns at once, and the group's end waits for
// every task, however deep it was spawned, and carries the first failure out.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "util/util.h"

namespace {

// Node i of a complete binary tree spawns its two children and returns; each
// node writes its own slot, a few words after its parent wrote its own.
void SpawnTree(TaskGroup__ &group, std::vector<int> &slots, int i) {
  slots[i] = i + 1;
  for (int child : {2 * i + 1, 2 * i + 2})
    if (child < static_cast<int>(slots.size()))
      group.Spawn([&group, &slots, child] { SpawnTree(group, slots, child); });
}

TEST(Threads, TaskGroupWaitsForTasksSpawnedAtAnyDepth) {
  for (int nthreads : {1, 2, 3}) {
    const CallThreads__ threads(nthreads);
    std::vector<int> slots((1 << 11) - 1, 0);
    InParallel__([&] { InTaskGroup__([&](TaskGroup__ &group) { SpawnTree(group, slots, 0); }); });
    for (int i = 0; i < static_cast<int>(slots.size()); ++i)
      ASSERT_EQ(slots[i], i + 1) << "node " << i << ", " << nthreads << " threads";
  }
}

// Each task waits inside for two tasks of its own; a thread waiting there must
// not start a sibling, which would leave the waiting one under way beside it.
TEST(Threads, InTasksHasNoMoreTasksUnderWayThanThreads) {
  for (int nthreads : {1, 2, 3}) {
    const CallThreads__ threads(nthreads);
    std::atomic<int> underway{0}, most{0};
    std::vector<long> sums(12, 0);
    InParallel__([&] {
      InTasks__(12, [&](int t) {
        const int now = ++underway;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        InTasks__(2, [&](int half) {
          long sum = 0;
          for (int i = 0; i < 20000; ++i) sum += (i ^ t) % 7;
          if (half == 0) sums[t] = sum;
        });
        --underway;
      });
    });
    EXPECT_LE(most.load(), nthreads);
    EXPECT_GT(sums[11], 0);
  }
}

TEST(Threads, TaskGroupRethrowsAFailureOfADeepTaskAfterTheOthersEnded) {
  for (int nthreads : {1, 2}) {
    const CallThreads__ threads(nthreads);
    std::atomic<int> ended{0};
    auto run = [&] {
      InParallel__([&] {
        InTaskGroup__([&](TaskGroup__ &group) {
          for (int i = 0; i < 8; ++i)
            group.Spawn([&group, &ended, i] {
              group.Spawn([&ended, i] {
                if (i == 5) throw std::runtime_error("task 5");
                ++ended;
              });
            });
        });
      });
    };
    EXPECT_THROW(run(), std::runtime_error) << nthreads << " threads";
    EXPECT_EQ(ended.load(), 7) << nthreads << " threads";
  }
}

}  // namespace
