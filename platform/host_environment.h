// The host environment: what the device's owner and its system have decided
// before SpringBoard starts, and what the stand-in frameworks read from then
// on. A device has these as facts of the phone; the simulator's host (the
// simulated SpringBoard, a test, a benchmark) supplies them here.
//
// Everything in namespace `standin` belongs to the stand-in itself: a device
// has none of it. A name with Apple's prefix is Apple's.
//
// The contract, as a host may rely on it:
//   - apply() checks the whole environment before it changes anything: an
//     unknown system version, time zone or calendar, or a device root that is
//     not a folder, raises HostEnvironmentError and leaves the process's
//     environment as it was.
//   - Once applied, the frameworks read it from any thread. A host applies it
//     from the main thread while nothing else runs (before it maps a module),
//     as a device's settings are there before SpringBoard starts.
//   - Only two inputs move afterwards, each on its own path: the clock, which
//     the main run loop advances while it fires timers (a fixed clock never
//     moves by itself), and the overlay, which the host lays over the root
//     when a program of its own first writes a device file
//     (setDeviceOverlay). Applying again replaces the whole environment.
//   - The device root is only ever read; writes of device files go under the
//     overlay, never into the root (deviceWritablePath).
//   - Nothing here is undone at exit: the environment lives as long as the
//     process, like the device's.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "foundation/NSDate.h"

namespace standin {

class HostEnvironmentError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct HostEnvironment {
  // The host folder standing for the device's "/"; "/" is the host's own.
  std::string deviceRoot = "/";
  // A folder laid over the root, whose files are read first; empty: none.
  std::string deviceOverlay;
  // "7.0", "7.1", "8.0" ... "9.3": sets NSFoundationVersionNumber.
  std::string systemVersion = "7.1";
  // An IANA name, for +currentCalendar and floating times.
  std::string timeZone = "Europe/London";
  // Settings, General, Language & Region, Calendar: "gregorian",
  // "buddhist" or "japanese".
  std::string calendar = "gregorian";
  // The moment a fixed clock starts at (seconds since 2001-01-01 UTC);
  // none: the clock runs in real time.
  std::optional<NSTimeInterval> fixedClock;
  // The process named in each system log line ("SpringBoard").
  std::string processName = "process";
  // Whether log lines also go to stderr; none leaves the echo as it is, so a
  // test that silences the log before it boots a host stays silent.
  std::optional<bool> logEcho;
};

// Checks, then applies, the whole environment (see the contract above).
void applyHostEnvironment(const HostEnvironment& environment);

}  // namespace standin
