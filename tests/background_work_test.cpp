#include "engine/background_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

TEST(BackgroundWork, RunsTasksInTheOrderHandedOver) {
  BackgroundWork work;
  std::vector<int> order;
  for (int task = 0; task < 100; ++task) work.Hand([&order, task] { order.push_back(task); });
  work.Finish();
  ASSERT_EQ(order.size(), 100u);
  for (int task = 0; task < 100; ++task) EXPECT_EQ(order[task], task);
}

// The tasks behind a failed one would build on its missing result: they are dropped, and the
// error reaches the thread that waits, once.
TEST(BackgroundWork, AFailedTaskPassesItsErrorOnAndDropsTheRest) {
  BackgroundWork work;
  std::atomic<int> ran = 0;
  work.Hand([&] { ++ran; });
  work.Hand([] { throw std::runtime_error("unreadable"); });
  for (int task = 0; task < 10; ++task) work.Hand([&] { ++ran; });
  EXPECT_THROW(work.Finish(), std::runtime_error);
  EXPECT_EQ(ran, 1);
  work.Hand([&] { ++ran; });
  EXPECT_NO_THROW(work.Finish());
  EXPECT_EQ(ran, 2);
}

// A wait with a time limit lets the operation's thread look at its window meanwhile.
TEST(BackgroundWork, AWaitWithATimeLimitGivesUpWhileTheTaskRuns) {
  BackgroundWork work;
  std::atomic<bool> release = false;
  work.Hand([&] {
    while (!release) {
    }
  });
  EXPECT_FALSE(work.WaitUntilAtMost(0, std::chrono::milliseconds(20)));
  release = true;
  EXPECT_TRUE(work.WaitUntilAtMost(0, std::chrono::minutes(1)));
}

TEST(BackgroundWork, StopEndsTheRunningTaskAndDropsTheQueuedOnes) {
  BackgroundWork work;
  std::atomic<bool> started = false;
  std::atomic<int> ran = 0;
  work.Hand([&] {
    started = true;
    while (!work.Stopping()) {
    }
  });
  for (int task = 0; task < 10; ++task) work.Hand([&] { ++ran; });
  while (!started) {
  }
  work.Stop();
  EXPECT_EQ(ran, 0);
}

}  // namespace
