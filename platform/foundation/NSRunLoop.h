// Run loops: one per thread (class "NSRunLoop", +currentRunLoop,
// +mainRunLoop). Timers fire in order of their fire date, then of their
// scheduling. NSObject's -performSelector:withObject:afterDelay: schedules
// on the current thread's run loop and retains the receiver and the argument
// until the selector has been performed.
// -performSelectorOnMainThread:withObject:waitUntilDone: schedules on the
// main thread's loop, due now, from any thread (performed at once from the
// main thread when told to wait; from another thread it cannot wait).
//
// Modes, as Apple documents them: -performSelector:withObject:afterDelay:
// sets up its timer in the default mode only ("the timer waits until the run
// loop is in the default mode"); -performSelectorOnMainThread:... queues in
// the common modes, which hold the default mode and UIKit's tracking mode.
#pragma once

#include "foundation/NSDate.h"

// The modes a loop here runs in: NSDefaultRunLoopMode, and
// UITrackingRunLoopMode (while the user's finger tracks a scroll view or a
// control).
enum class NSRunLoopMode { Default, Tracking };

namespace standin {

// Runs the calling thread's run loop in `mode` until `until` (seconds since
// the reference date): each timer of that mode due by then fires in order;
// timers of other modes wait, however overdue, for a run in their mode. With
// a fixed clock the clock is advanced to each fire date in turn and finally
// to `until`; with the real clock the thread sleeps in between.
void runCurrentRunLoopUntil(NSTimeInterval until, NSRunLoopMode mode = NSRunLoopMode::Default);
// Number of timers waiting on the calling thread's run loop.
unsigned long pendingTimerCountForTesting();

// Observers of every run loop, called on the loop's thread each time it has
// performed a timer, inside that timer's pool (UIKit lays its views out at
// such a moment, once for all the changes the work made). Kept for the life
// of the process.
void addRunLoopAfterPerformObserver(void (*observer)());
// True while the calling thread's run loop is performing a timer.
bool runLoopIsPerforming();

}  // namespace standin

void registerNSRunLoop();
