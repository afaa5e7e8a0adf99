#include "host_environment.h"

#include <filesystem>

#include "foundation/NSLog.h"
#include "foundation/clock.h"
#include "foundation/date_internal.h"
#include "foundation/device.h"

namespace standin {

void applyHostEnvironment(const HostEnvironment& environment) {
  const HostEnvironment& e = environment;
  double foundationVersion = 0;
  if (!standin::foundationVersionForSystemVersion(e.systemVersion, &foundationVersion))
    throw HostEnvironmentError("unknown iOS version \"" + e.systemVersion +
                               "\" (known: " + standin::knownSystemVersionsText() + ")");
  std::error_code ec;
  if (!std::filesystem::is_directory(e.deviceRoot, ec))
    throw HostEnvironmentError("device root " + e.deviceRoot + " is not a folder");
  if (!icuTimeZoneNamed(e.timeZone)) throw HostEnvironmentError("unknown time zone \"" + e.timeZone + "\"");
  if (!knownCalendarIdentifier(e.calendar))
    throw HostEnvironmentError("unknown calendar \"" + e.calendar + "\" (known: " + standin::knownCalendarsText() +
                               ")");

  // Checked whole above, so none of these refuses.
  standin::setCurrentTimeZone(e.timeZone);
  standin::setCurrentCalendarIdentifier(e.calendar);
  NSFoundationVersionNumber = foundationVersion;
  standin::coreFoundationVersionForSystemVersion(e.systemVersion, &kCFCoreFoundationVersionNumber);
  standin::setDeviceRoot(e.deviceRoot);
  standin::setDeviceOverlay(e.deviceOverlay);
  if (e.fixedClock)
    standin::setFixedClock(*e.fixedClock);
  else
    standin::useRealClock();
  standin::setLogProcessName(e.processName);
  if (e.logEcho) standin::setLogEcho(*e.logEcho);
}

}  // namespace standin
