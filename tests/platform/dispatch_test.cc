#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "dispatch/dispatch.h"

namespace {

TEST(Dispatch, SemaphoreCountsAndTimesOut) {
  dispatch_semaphore_t sema = dispatch_semaphore_create(2);
  EXPECT_EQ(dispatch_semaphore_wait(sema, DISPATCH_TIME_NOW), 0);
  EXPECT_EQ(dispatch_semaphore_wait(sema, DISPATCH_TIME_NOW), 0);
  EXPECT_NE(dispatch_semaphore_wait(sema, DISPATCH_TIME_NOW), 0);
  EXPECT_NE(dispatch_semaphore_wait(sema, dispatch_time(DISPATCH_TIME_NOW, NSEC_PER_SEC / 100)), 0);
  EXPECT_EQ(dispatch_semaphore_signal(sema), 0);  // nobody was waiting
  EXPECT_EQ(dispatch_semaphore_wait(sema, DISPATCH_TIME_NOW), 0);

  dispatch_retain(sema);
  dispatch_release(sema);
  dispatch_release(sema);

  EXPECT_EQ(dispatch_semaphore_create(-1), nullptr);
  EXPECT_NE(dispatch_semaphore_wait(nullptr, DISPATCH_TIME_FOREVER), 0);
  EXPECT_EQ(dispatch_semaphore_signal(nullptr), 0);
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, 5), DISPATCH_TIME_FOREVER);
}

TEST(Dispatch, WorkThatWaitsForLaterWorkStillFinishes) {
  constexpr int kChain = 20;
  dispatch_semaphore_t links[kChain + 1];
  for (auto& link : links) link = dispatch_semaphore_create(0);
  std::atomic<int> finished{0};
  // Each item waits for the one queued after it; only a pool that grows
  // while its workers are blocked gets through.
  for (int i = 0; i < kChain; ++i) {
    dispatch_async_global([&, i] {
      dispatch_semaphore_wait(links[i + 1], DISPATCH_TIME_FOREVER);
      ++finished;
      dispatch_semaphore_signal(links[i]);
    });
  }
  dispatch_semaphore_signal(links[kChain]);
  dispatch_semaphore_wait(links[0], DISPATCH_TIME_FOREVER);
  EXPECT_EQ(finished.load(), kChain);
  for (auto& link : links) dispatch_release(link);
}

TEST(DispatchDeathTest, ExitWaitsForQueuedWork) {
  EXPECT_EXIT(
      {
        dispatch_async_global([] {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          std::fputs("late work ran\n", stderr);
        });
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "late work ran");
}

// A scenario step lets the store's thread finish first: settling waits for
// work still running, and gives up at its bound when the work does not end.
TEST(Dispatch, SettlingWaitsForRunningWorkWithinItsBound) {
  std::atomic<bool> done{false};
  dispatch_async_global([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    done = true;
  });
  EXPECT_TRUE(settleGlobalQueue(5));
  EXPECT_TRUE(done);

  std::atomic<bool> release{false};
  dispatch_async_global([&] {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  EXPECT_FALSE(settleGlobalQueue(0.05));
  release = true;
  EXPECT_TRUE(settleGlobalQueue(5));
}

}  // namespace
