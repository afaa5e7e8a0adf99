// The platform clock: the system's real time, or a fixed moment that moves
// only when the host (or a run loop draining timers) sets it.
#include "foundation/clock.h"

#include <chrono>
#include <mutex>

namespace {

std::mutex gClockMutex;
bool gFixed = false;
NSTimeInterval gFixedNow = 0;

NSTimeInterval realNow() {
  using namespace std::chrono;
  auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch()).count();
  return sinceEpoch - NSTimeIntervalSince1970;
}

}  // namespace

NSTimeInterval standin::clockNow() {
  std::lock_guard lock(gClockMutex);
  return gFixed ? gFixedNow : realNow();
}

void standin::setFixedClock(NSTimeInterval sinceReference) {
  std::lock_guard lock(gClockMutex);
  gFixed = true;
  gFixedNow = sinceReference;
}

void standin::useRealClock() {
  std::lock_guard lock(gClockMutex);
  gFixed = false;
}

bool standin::clockIsFixed() {
  std::lock_guard lock(gClockMutex);
  return gFixed;
}
