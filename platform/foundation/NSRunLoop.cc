// Run loops and the timers of -performSelector:withObject:afterDelay: and
// -performSelectorOnMainThread:withObject:waitUntilDone:. Each
// thread has one loop; the main thread's (the thread that loaded the
// platform) lives for the whole process, other threads' end with them.
#include "foundation/NSRunLoop.h"

#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/clock.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "runtime/strong.h"

namespace {

struct PendingPerform {
  StrongId receiver;
  SEL selector = nullptr;
  StrongId argument;
  bool commonModes = false;  // else the default mode only

  bool runsIn(NSRunLoopMode mode) const { return commonModes || mode == NSRunLoopMode::Default; }
};

// Timers ordered by fire date, then by the order they were scheduled in.
using TimerKey = std::pair<NSTimeInterval, unsigned long long>;

struct NSRunLoopObj : objc_object {
  std::mutex mutex;
  std::map<TimerKey, PendingPerform> timers;
  unsigned long long scheduled = 0;

  void schedule(NSTimeInterval fireDate, PendingPerform perform) {
    std::lock_guard lock(mutex);
    timers.emplace(TimerKey{fireDate, scheduled++}, std::move(perform));
  }
  // The first timer of `mode` due by `until`, taken off the loop; false
  // when none.
  bool takeFirstDue(NSTimeInterval until, NSRunLoopMode mode, PendingPerform* perform) {
    std::lock_guard lock(mutex);
    auto first = firstIn(mode);
    if (first == timers.end() || first->first.first > until) return false;
    *perform = std::move(first->second);
    timers.erase(first);
    return true;
  }
  NSTimeInterval firstFireDate(NSRunLoopMode mode) {
    std::lock_guard lock(mutex);
    auto first = firstIn(mode);
    return first == timers.end() ? NSTimeInterval(INFINITY) : first->first.first;
  }

 private:
  std::map<TimerKey, PendingPerform>::iterator firstIn(NSRunLoopMode mode) {
    auto it = timers.begin();
    while (it != timers.end() && !it->second.runsIn(mode)) ++it;
    return it;
  }
};

Class gRunLoop = nil;
// A function-local static: the platform registers its classes from a load-time
// constructor, which may run before this file's namespace-scope objects are
// dynamically initialised (and a std::thread::id global would be reset then).
std::thread::id& mainThread() {
  static std::thread::id id;
  return id;
}
// Never destroyed: timers still pending at exit stay reachable, and nothing
// is released after the runtime's own statics are gone.
NSRunLoopObj* gMainLoop = nullptr;

// Releases a thread's loop, and with it the timers it never ran, when the
// thread ends.
struct ThreadLoop {
  NSRunLoopObj* loop = nullptr;
  ~ThreadLoop() { objc_release(loop); }
};
thread_local ThreadLoop tLoop;

NSRunLoopObj* currentLoop() {
  if (std::this_thread::get_id() == mainThread()) return gMainLoop;
  if (!tLoop.loop) tLoop.loop = static_cast<NSRunLoopObj*>(msgSend<id>(gRunLoop, sel("alloc")));
  return tLoop.loop;
}

// The timer's retains end inside the pool, so whatever their release
// autoreleases is drained with the rest.
thread_local bool tPerforming = false;

std::mutex& observersMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
std::vector<void (*)()>& afterPerformObservers() {
  static auto* observers = new std::vector<void (*)()>;
  return *observers;
}

void notifyAfterPerform() {
  std::vector<void (*)()> observers;
  {
    std::lock_guard lock(observersMutex());
    observers = afterPerformObservers();
  }
  for (auto* observer : observers) observer();
}

void perform(PendingPerform timer) {
  AutoreleasePool pool;
  PendingPerform pending = std::move(timer);
  std::string_view name = sel_getName(pending.selector);
  {
    struct Performing {
      Performing() { tPerforming = true; }
      ~Performing() { tPerforming = false; }
    } performing;
    // A selector without a colon takes no argument; the device calls it so
    // when the argument is nil, and so does this.
    if (name.find(':') != std::string_view::npos)
      msgSend<void, id>(pending.receiver, pending.selector, pending.argument);
    else
      msgSend<void>(pending.receiver, pending.selector);
  }
  notifyAfterPerform();
}

void sleepUntil(NSTimeInterval moment) {
  double seconds = moment - standin::clockNow();
  if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void performAfterDelay(id self, SEL, SEL selector, id argument, NSTimeInterval delay) {
  if (!selector) return;
  if (!(delay > 0)) delay = 0;  // negative and NaN delays mean "as soon as the loop runs"
  currentLoop()->schedule(standin::clockNow() + delay, PendingPerform{StrongId(self), selector, StrongId(argument)});
}

// From the main thread with waiting, performed at once; otherwise a timer of
// the main loop due now, which it performs the next time it runs. A thread
// other than the main one cannot wait for it: the main loop runs only when
// the host runs it.
void performOnMainThread(id self, SEL, SEL selector, id argument, BOOL wait) {
  if (!selector) return;
  PendingPerform pending{StrongId(self), selector, StrongId(argument), true};
  if (wait && std::this_thread::get_id() == mainThread()) return perform(std::move(pending));
  if (wait) objc_raise("NSInternalInconsistencyException", "waitUntilDone: from another thread is not simulated");
  gMainLoop->schedule(standin::clockNow(), std::move(pending));
}

id currentRunLoop(id, SEL) { return currentLoop(); }
id mainRunLoop(id, SEL) { return gMainLoop; }

// Runs only the calling thread's own loop, as a run loop may only be run on
// its thread.
void runUntilDate(id self, SEL, id date) {
  if (self == currentLoop()) standin::runCurrentRunLoopUntil(standin::timeIntervalSinceReferenceDate(date));
}

}  // namespace

void standin::runCurrentRunLoopUntil(NSTimeInterval until, NSRunLoopMode mode) {
  NSRunLoopObj* loop = currentLoop();
  for (;;) {
    NSTimeInterval next = loop->firstFireDate(mode);
    if (!(next <= until)) break;
    if (standin::clockIsFixed()) {
      if (next > standin::clockNow()) standin::setFixedClock(next);
    } else {
      sleepUntil(next);
    }
    PendingPerform pending;
    if (!loop->takeFirstDue(until, mode, &pending)) break;
    perform(std::move(pending));
  }
  if (!std::isfinite(until)) return;
  if (standin::clockIsFixed()) {
    if (until > standin::clockNow()) standin::setFixedClock(until);
  } else {
    sleepUntil(until);
  }
}

void standin::addRunLoopAfterPerformObserver(void (*observer)()) {
  if (!observer) return;
  std::lock_guard lock(observersMutex());
  afterPerformObservers().push_back(observer);
}

bool standin::runLoopIsPerforming() { return tPerforming; }

unsigned long standin::pendingTimerCountForTesting() {
  NSRunLoopObj* loop = currentLoop();
  std::lock_guard lock(loop->mutex);
  return loop->timers.size();
}

void registerNSRunLoop() {
  gRunLoop = objc_defineClass<NSRunLoopObj>(standin::nsObjectClass(), "NSRunLoop");
  class_addClassMethod(gRunLoop, sel("currentRunLoop"), currentRunLoop);
  class_addClassMethod(gRunLoop, sel("mainRunLoop"), mainRunLoop);
  class_addMethod(gRunLoop, sel("runUntilDate:"), runUntilDate);
  class_addMethod(standin::nsObjectClass(), sel("performSelector:withObject:afterDelay:"), performAfterDelay);
  class_addMethod(standin::nsObjectClass(), sel("performSelectorOnMainThread:withObject:waitUntilDone:"),
                  performOnMainThread);
  mainThread() = std::this_thread::get_id();
  gMainLoop = static_cast<NSRunLoopObj*>(msgSend<id>(gRunLoop, sel("alloc")));
}
