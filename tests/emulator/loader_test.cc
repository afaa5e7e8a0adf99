// Loading a device binary fails as dyld would when an import is missing, and
// a fault in guest code ends the run naming the guest function.
#include <gtest/gtest.h>

#include "../sim_run.h"

namespace emutest {

using simrun::runSim;
using simrun::SimRun;
namespace {

TEST(LoaderTest, AnImportTheHostLacksFailsTheLoadNamingIt) {
  SimRun r = runSim({"--module", QST_GUEST_MISSING_IMPORT});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("Symbol not found: _NSUserName"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Expected in: /System/Library/Frameworks/Foundation.framework/Foundation"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(std::string("Referenced from: ") + QST_GUEST_MISSING_IMPORT), std::string::npos) << r.out;
}

TEST(LoaderTest, ABundleIsRefusedWhereADylibIsLoaded) {
  // The same code as the faulting module: refused before its initialiser
  // runs, in dyld's words.
  SimRun r = runSim({"--module", QST_GUEST_BUNDLE});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find(std::string(QST_GUEST_BUNDLE) + ": not a dylib"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("guest fault"), std::string::npos) << r.out;
}

TEST(LoaderTest, AGuestFaultNamesTheFunctionTheAddressAndTheRegisters) {
  SimRun r = runSim({"--module", QST_GUEST_FAULTING});
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find("guest fault in _readThroughNothing at 0x"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(address 0x0)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("x30="), std::string::npos) << r.out;
}

TEST(LoaderTest, AnExceptionRaisedUnderAGuestReplacementReachesSpringBoard) {
  // The guest's loadView sends a message nobody implements: the runtime's
  // exception leaves the guest and the closure that entered it, as an
  // uncaught one takes SpringBoard down on a device.
  SimRun r = runSim({"--module", QST_GUEST_RAISING});
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find("-[SBLockScreenNotificationListController noSuchMessageAnywhere]: unrecognized selector"),
            std::string::npos)
      << r.out;
}

TEST(LoaderTest, MessagesToTheSuperclassClassPairsAndMemoryCallsAnswerAsOnADevice) {
  // A wrong answer makes the module's initialiser fault (exit status 3).
  SimRun r = runSim({"--module", QST_GUEST_RUNTIME_CALLS, "--set", "enabled=false"});
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST(LoaderTest, FileCallsWriteOnlyIntoThePrivateFolder) {
  // --set makes the run's private folder; a wrong answer faults (status 3).
  SimRun r = runSim({"--module", QST_GUEST_FILE_CALLS, "--set", "enabled=false"});
  EXPECT_EQ(r.status, 0) << r.out;
  // Without a private folder nothing may be written at all: the first open
  // fails and the initialiser faults.
  r = runSim({"--module", QST_GUEST_FILE_CALLS});
  EXPECT_EQ(r.status, 3) << r.out;
}

TEST(LoaderTest, ASliceTheFileLacksOrAnUnknownProcessorIsRefused) {
  SimRun r = runSim({"--module", QST_GUEST_FAULTING, "--arch", "armv7"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("armv7"), std::string::npos) << r.out;
  r = runSim({"--module", QST_GUEST_FAULTING, "--arch", "x86_64"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("--arch"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace emutest
