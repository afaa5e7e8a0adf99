// The platform clock that +[NSDate date] and run-loop timers read. Real time
// unless the host fixes it; a fixed clock moves only when advanced (tests and
// the simulator's scenarios), and the main run loop then fires its timers.
#pragma once

#include "foundation/NSDate.h"

namespace standin {

NSTimeInterval clockNow();  // seconds since 2001-01-01 UTC
void setFixedClock(NSTimeInterval sinceReference);
void useRealClock();
bool clockIsFixed();

}  // namespace standin
