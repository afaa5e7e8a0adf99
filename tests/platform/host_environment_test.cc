// The host environment is checked whole before any of it is applied: a host
// that gets one input wrong keeps the environment it had, rather than a
// mixture of the old one and the half of the new one set before the fault.
#include <gtest/gtest.h>

#include "foundation/NSDate.h"
#include "foundation/clock.h"
#include "foundation/device.h"
#include "host_environment.h"
#include "temp_folder.h"

namespace {

TEST(HostEnvironment, AnEnvironmentWithOneFaultChangesNothing) {
  qst_test::TempFolder root("host-environment");
  standin::HostEnvironment applied;
  applied.deviceRoot = root.path();
  applied.systemVersion = "9.0";
  applied.timeZone = "Asia/Tokyo";
  applied.calendar = "japanese";
  applied.fixedClock = 1000.0;
  standin::applyHostEnvironment(applied);
  const double foundationVersion = NSFoundationVersionNumber;

  // Every other input differs from what was applied, so any of it set
  // before the fault was found would show.
  for (auto fault : {+[](standin::HostEnvironment& e) { e.systemVersion = "6.1"; },
                     +[](standin::HostEnvironment& e) { e.deviceRoot = "/no/such/folder"; },
                     +[](standin::HostEnvironment& e) { e.timeZone = "Mars/Olympus_Mons"; },
                     +[](standin::HostEnvironment& e) { e.calendar = "lunar"; }}) {
    standin::HostEnvironment other;
    other.deviceRoot = "/";
    other.systemVersion = "7.0";
    other.timeZone = "Europe/Paris";
    other.fixedClock = 5.0;
    fault(other);
    EXPECT_THROW(standin::applyHostEnvironment(other), standin::HostEnvironmentError);
    EXPECT_EQ(standin::deviceRoot(), root.path());
    EXPECT_EQ(standin::currentZoneName(), "Asia/Tokyo");
    EXPECT_EQ(NSFoundationVersionNumber, foundationVersion);
    EXPECT_EQ(standin::clockNow(), 1000.0);
  }
}

}  // namespace
