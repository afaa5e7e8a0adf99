#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "foundation/NSRunLoop.h"
#include "foundation/NSString.h"
#include "foundation/clock.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "dispatch/dispatch.h"

namespace {

// What the performed selectors saw: "<name>@<clock>" per call.
std::vector<std::string> gPerformed;
int gDeallocs = 0;

struct Recorder : objc_object {
  std::string name;
};

std::string at() { return "@" + std::to_string(static_cast<long>(standin::clockNow())); }

void noteAlone(id self, SEL) { gPerformed.push_back(static_cast<Recorder*>(self)->name + at()); }
void noteWith(id self, SEL, id argument) {
  gPerformed.push_back(static_cast<Recorder*>(self)->name + "(" + standin::utf8Of(argument) + ")" + at());
}
void recorderDealloc(id self, SEL) {
  ++gDeallocs;
  delete self;
}

id newRecorder(const char* name) {
  Class cls = objc_getClass("RunLoopRecorder");
  if (!cls) {
    cls = objc_defineClass<Recorder>(standin::nsObjectClass(), "RunLoopRecorder");
    class_addMethod(cls, sel("noteAlone"), noteAlone);
    class_addMethod(cls, sel("noteWith:"), noteWith);
    class_addMethod(cls, sel("dealloc"), recorderDealloc);
  }
  auto* recorder = static_cast<Recorder*>(objc_new(cls));
  recorder->name = name;
  return recorder;
}

void performLater(id receiver, const char* selector, id argument, double delay) {
  msgSend<void, SEL, id, NSTimeInterval>(receiver, "performSelector:withObject:afterDelay:", sel(selector), argument,
                                         delay);
}

class RunLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    gPerformed.clear();
    gDeallocs = 0;
    standin::setFixedClock(1000);
  }
  void TearDown() override { standin::useRealClock(); }
  AutoreleasePool pool;
};

TEST_F(RunLoop, DelayedPerformsFireByDateThenSchedulingOrder) {
  id a = newRecorder("a"), b = newRecorder("b");
  performLater(a, "noteAlone", nil, 5);
  performLater(b, "noteWith:", standin::str("x"), 2);
  performLater(b, "noteWith:", standin::str("y"), 5);
  performLater(a, "noteAlone", nil, 2);
  performLater(a, "noteAlone", nil, 20);

  standin::runCurrentRunLoopUntil(1010);
  EXPECT_EQ(gPerformed, (std::vector<std::string>{"b(x)@1002", "a@1002", "a@1005", "b(y)@1005"}));
  EXPECT_EQ(standin::clockNow(), 1010);
  EXPECT_EQ(standin::pendingTimerCountForTesting(), 1u);

  standin::runCurrentRunLoopUntil(1030);
  EXPECT_EQ(gPerformed.back(), "a@1020");
  EXPECT_EQ(standin::pendingTimerCountForTesting(), 0u);
  objc_release(a);
  objc_release(b);
}

TEST_F(RunLoop, ReceiverAndArgumentAreHeldUntilPerformed) {
  id receiver = newRecorder("r");
  id argument = standin::stringWithFormat(standin::str("%@"), {standin::str("kept")});
  objc_retain(argument);
  long argumentRetains = objc_retainCount(argument);
  performLater(receiver, "noteWith:", argument, 5);
  objc_release(receiver);
  EXPECT_EQ(objc_retainCount(argument), argumentRetains + 1);

  standin::runCurrentRunLoopUntil(1004);
  EXPECT_EQ(gDeallocs, 0);
  EXPECT_TRUE(gPerformed.empty());

  standin::runCurrentRunLoopUntil(1005);
  EXPECT_EQ(gPerformed, std::vector<std::string>{"r(kept)@1005"});
  EXPECT_EQ(gDeallocs, 1);
  EXPECT_EQ(objc_retainCount(argument), argumentRetains);
  objc_release(argument);
}

// The after-perform observer notes whether the loop still counted as performing, and the log so far.
void noteAfterPerform() {
  gPerformed.push_back(std::string("after:") + (standin::runLoopIsPerforming() ? "inside" : "outside"));
}
void noteIfPerforming(id, SEL) {
  gPerformed.push_back(standin::runLoopIsPerforming() ? "performing" : "not performing");
}

TEST_F(RunLoop, ObserversFollowEachPerformedTimer) {
  standin::addRunLoopAfterPerformObserver(noteAfterPerform);
  standin::addRunLoopAfterPerformObserver(nullptr);  // ignored
  id recorder = objc_autorelease(newRecorder("a"));
  class_addMethod(objc_getClass("RunLoopRecorder"), sel("noteIfPerforming"), noteIfPerforming);
  performLater(recorder, "noteIfPerforming", nil, 1);
  performLater(recorder, "noteAlone", nil, 2);
  standin::runCurrentRunLoopUntil(1010);
  EXPECT_EQ(gPerformed, (std::vector<std::string>{"performing", "after:outside", "a@1002", "after:outside"}));
  EXPECT_FALSE(standin::runLoopIsPerforming());
}

void performOnMain(id receiver, const char* selector) {
  msgSend<void, SEL, id, BOOL>(receiver, "performSelectorOnMainThread:withObject:waitUntilDone:", sel(selector), nil,
                               NO);
}

// What was performed, without the after-perform observers' notes (an observer stays for the process once added).
std::vector<std::string> performed() {
  std::vector<std::string> calls;
  for (const std::string& call : gPerformed)
    if (!call.starts_with("after:")) calls.push_back(call);
  return calls;
}

TEST_F(RunLoop, DelayedPerformsWaitOutTheTrackingModeAndMainThreadOnesDoNot) {
  id a = objc_autorelease(newRecorder("a")), b = objc_autorelease(newRecorder("b"));
  performLater(a, "noteAlone", nil, 5);
  performOnMain(b, "noteAlone");
  standin::runCurrentRunLoopUntil(1010, NSRunLoopMode::Tracking);
  EXPECT_EQ(performed(), std::vector<std::string>{"b@1000"});
  EXPECT_EQ(standin::clockNow(), 1010);
  EXPECT_EQ(standin::pendingTimerCountForTesting(), 1u);
  // Overdue by five seconds, it fires as soon as the loop is back in the default mode, not at its date.
  standin::runCurrentRunLoopUntil(1010);
  EXPECT_EQ(performed(), (std::vector<std::string>{"b@1000", "a@1010"}));
  EXPECT_EQ(standin::pendingTimerCountForTesting(), 0u);
}

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
  // Each item waits for the one queued after it; only a pool that grows while its workers are blocked gets through.
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

// A scenario step lets the store's thread finish first.
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
