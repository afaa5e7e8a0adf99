// libdispatch: counting semaphores and a global concurrent queue, on real
// threads.
#pragma once

#include <cstdint>
#include <functional>

struct dispatch_object_s;
using dispatch_object_t = dispatch_object_s*;
struct dispatch_semaphore_s;
using dispatch_semaphore_t = dispatch_semaphore_s*;
using dispatch_time_t = std::uint64_t;
inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;

inline constexpr std::int64_t NSEC_PER_SEC = 1000000000;
// `when` moved by `delta` nanoseconds: dispatch_time(DISPATCH_TIME_NOW, d) is
// a timeout of d nanoseconds from now. FOREVER stays FOREVER.
dispatch_time_t dispatch_time(dispatch_time_t when, std::int64_t delta);

// nil for a negative value.
dispatch_semaphore_t dispatch_semaphore_create(long value);
// Waits until the count is above zero, then decrements it. Returns 0, or
// non-zero when `timeout` (nanoseconds from now; FOREVER waits) passed first.
long dispatch_semaphore_wait(dispatch_semaphore_t sema, dispatch_time_t timeout);
// Returns non-zero when a waiter was woken.
long dispatch_semaphore_signal(dispatch_semaphore_t sema);
void dispatch_release(dispatch_semaphore_t object);
void dispatch_retain(dispatch_semaphore_t object);

// Runs `work` on a worker thread; each call may run on a different thread.
// The process waits for work in flight before it exits.
void dispatch_async_global(std::function<void()> work);

// The simulator's own, not libdispatch's: waits, at most `maxRealSeconds` of
// real time, until no work is queued or running on the global queue. A
// user's next action comes long after work such as the reminder store's
// answer to an access request has run; the simulator's fixed clock does not
// move on its own, so a scenario step lets that work finish first instead of
// racing it. Returns false when the bound passed with work still running.
bool settleGlobalQueue(double maxRealSeconds);
