// Loading a device binary fails as dyld 239-360 would (a file of the wrong
// kind, a library absent or too old, a load command it does not know, an
// import missing at load or at its first lazy call), an exception stops at a
// frame without unwind information, and a fault in guest code ends the run
// naming the guest function.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "base/regular_file.h"
#include "sim_run.h"
#include "Device.h"
#include "foundation/NSLog.h"
#include "lazy_binding.h"

namespace emutest {

using simrun::runSim;
using simrun::SimRun;
namespace {

constexpr std::size_t kMaxReadBytes = 64u << 20;  // beyond any module these tests change

// Runs the simulator: its exit status, and each text it must print.
SimRun expectRun(const std::vector<std::string>& args, int status, const std::vector<std::string>& says = {}) {
  SimRun r = runSim(args);
  EXPECT_EQ(r.status, status) << r.out;
  for (const std::string& text : says) EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
  return r;
}

TEST(LoaderTest, AnImportTheHostLacksFailsTheLoadNamingIt) {
  expectRun({"--module", QST_GUEST_MISSING_IMPORT}, 2,
            {"Symbol not found: _NSUserName", "Expected in: /System/Library/Frameworks/Foundation.framework/Foundation",
             std::string("Referenced from: ") + QST_GUEST_MISSING_IMPORT});
}

TEST(LoaderTest, ABundleIsRefusedWhereADylibIsLoaded) {
  // The same code as the faulting module: refused before its initialiser
  // runs, in dyld's words.
  SimRun r = expectRun({"--module", QST_GUEST_BUNDLE}, 2, {std::string(QST_GUEST_BUNDLE) + ": not a dylib"});
  EXPECT_EQ(r.out.find("guest fault"), std::string::npos) << r.out;
}

TEST(LoaderTest, ALibraryOlderThanTheModuleRecordedOrAbsentStopsTheLoadInDyldsWords) {
  expectRun({"--module", QST_GUEST_INCOMPATIBLE_VERSION}, 2,
            {std::string("dyld: Library not loaded: /System/Library/Frameworks/Foundation.framework/"
                         "Foundation\n  Referenced from: ") +
             QST_GUEST_INCOMPATIBLE_VERSION +
             "\n  Reason: Incompatible library version: incompatible_version.dylib requires version "
             "400.0.0 or later, but Foundation provides version 300.0.0"});
  expectRun({"--module", QST_GUEST_MISSING_LIBRARY}, 2,
            {std::string("dyld: Library not loaded: /System/Library/Frameworks/HealthKit.framework/"
                         "HealthKit\n  Referenced from: ") +
             QST_GUEST_MISSING_LIBRARY + "\n  Reason: image not found"});
}

TEST(LoaderTest, ThePackageRecordingSubstrateAsTheTbdDefaultOnceDidIsRefusedOnBothSlices) {
  // The packaged dylib with CydiaSubstrate's compatibility version set to
  // 1.0.0, what a .tbd without versions makes the linker record.
  std::string bytes;
  standin::readRegularFile(QST_DEVICE_DYLIB, kMaxReadBytes, &bytes);
  const std::string substrate = "/Library/Frameworks/CydiaSubstrate.framework/CydiaSubstrate";
  int changed = 0;
  for (std::size_t at = bytes.find(substrate); at != std::string::npos; at = bytes.find(substrate, at + 1)) {
    std::uint32_t cmd = 0, nameOffset = 0;
    if (at < 24) continue;
    std::memcpy(&cmd, bytes.data() + at - 24, 4);
    std::memcpy(&nameOffset, bytes.data() + at - 16, 4);
    if (cmd != 0xC || nameOffset != 24) continue;  // LC_LOAD_DYLIB naming it
    const std::uint32_t oneZeroZero = 0x10000;
    std::memcpy(bytes.data() + at - 4, &oneZeroZero, 4);
    ++changed;
  }
  ASSERT_EQ(changed, 2);
  const std::string path = ::testing::TempDir() + "QuillstoneBriarwhistle.dylib";
  std::ofstream(path, std::ios::binary) << bytes;
  for (const char* arch : {"arm64", "armv7"}) {
    expectRun({"--module", path, "--arch", arch}, 2,
              {"dyld: Library not loaded: " + substrate + "\n  Referenced from: " + path +
               "\n  Reason: Incompatible library version: QuillstoneBriarwhistle.dylib requires version "
               "1.0.0 or later, but CydiaSubstrate provides version 0.0.0"});
  }
  std::remove(path.c_str());
}

TEST(LoaderTest, ALoadCommandDyldMustKnowButDoesNotIsRefused) {
  // The faulting module with its function starts marked as chained fixups
  // (LC_DYLD_CHAINED_FIXUPS, 0x80000034), which iOS 9's dyld predates.
  std::string bytes;
  standin::readRegularFile(QST_GUEST_FAULTING, kMaxReadBytes, &bytes);
  ASSERT_GT(bytes.size(), 32u);
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data() + 16, 4);
  bool marked = false;
  for (std::size_t at = 32, n = 0; n < count && at + 8 <= bytes.size(); ++n) {
    std::uint32_t cmd = 0, size = 0;
    std::memcpy(&cmd, bytes.data() + at, 4);
    std::memcpy(&size, bytes.data() + at + 4, 4);
    if (cmd == 0x26) {
      const std::uint32_t chained = 0x80000034;
      std::memcpy(bytes.data() + at, &chained, 4);
      marked = true;
    }
    if (size == 0) break;
    at += size;
  }
  ASSERT_TRUE(marked);
  const std::string path = ::testing::TempDir() + "chained_fixups.dylib";
  std::ofstream(path, std::ios::binary) << bytes;
  expectRun({"--module", path}, 2,
            {"dyld: cannot load 'chained_fixups.dylib' because it was built for OS version 7.0 (load "
             "command 0x80000034 is unknown)"});
  std::remove(path.c_str());
}

TEST(LoaderTest, AMissingFunctionCalledLazilyEndsTheRunAtItsFirstCallNotAtLoad) {
  // The module loads and installs its replacement; the lock screen's
  // loadView then calls through the lazy pointer.
  SimRun r = expectRun(
      {"--module", QST_GUEST_LAZY_MISSING}, 3,
      {std::string("dyld: lazy symbol binding failed: Symbol not found: _NSUserName\n  Referenced "
                   "from: ") +
       QST_GUEST_LAZY_MISSING + "\n  Expected in: /System/Library/Frameworks/Foundation.framework/Foundation"});
  EXPECT_EQ(r.out.find("cannot load the library"), std::string::npos) << r.out;
}

TEST(LoaderTest, AnExceptionUnderAFunctionWithoutUnwindInformationEndsSpringBoardNamingIt) {
  expectRun({"--module", QST_GUEST_NO_UNWIND}, 3,
            {"no unwind information for _replacedLoadView", "noSuchMessageAnywhere"});
  // The same replacement with unwind information lets the runtime's
  // exception leave the guest and reach SpringBoard, as an uncaught one takes
  // it down on a device, whether the compact table describes its frame or an
  // FDE of __eh_frame does.
  for (const char* module : {QST_GUEST_RAISING, QST_GUEST_DWARF_UNWIND}) {
    SimRun r = expectRun({"--module", module}, 3,
                         {"-[SBLockScreenNotificationListController noSuchMessageAnywhere]: unrecognized selector"});
    EXPECT_EQ(r.out.find("no unwind information"), std::string::npos) << r.out;
  }
}

// Modules whose initialisers check what they are given: a weak import the
// host lacks bound to zero; messages to the superclass, class pairs and
// memory calls answered as on a device. A wrong answer faults (exit status
// 3); a refusal to load exits with 2.
TEST(LoaderTest, AWeakImportAndRuntimeCallsAnswerAsOnADevice) {
  for (const char* module : {QST_GUEST_WEAK_IMPORT, QST_GUEST_RUNTIME_CALLS})
    expectRun({"--module", module, "--set", "enabled=false"}, 0);
}

TEST(LoaderTest, AGuestFaultNamesTheFunctionTheAddressAndTheRegisters) {
  expectRun({"--module", QST_GUEST_FAULTING}, 3, {"guest fault in _readThroughNothing at 0x", "(address 0x0)", "x30="});
}

TEST(LoaderTest, FileCallsWriteOnlyIntoThePrivateFolder) {
  // --set makes the run's private folder; a wrong answer faults (status 3).
  expectRun({"--module", QST_GUEST_FILE_CALLS, "--set", "enabled=false"}, 0);
  // Without a private folder nothing may be written at all: the first open
  // fails and the initialiser faults.
  expectRun({"--module", QST_GUEST_FILE_CALLS}, 3);
}

TEST(LoaderTest, ASliceTheFileLacksOrAnUnknownProcessorIsRefused) {
  expectRun({"--module", QST_GUEST_FAULTING, "--arch", "armv7"}, 2, {"armv7"});
  expectRun({"--module", QST_GUEST_FAULTING, "--arch", "x86_64"}, 2, {"--arch"});
}

// The packaged dylib's lazy pointers are bound by dyld_stub_binder at their
// first call, one symbol each, as on a device: a loader that bound them
// when the module loaded would leave the binder uncalled.
void locksBindLazily(const char* arch) {
  standin::setLogEcho(false);
  sb::DeviceOptions options;
  options.root = QST_SAMPLE_ROOT;
  options.modulePath = QST_DEVICE_DYLIB;
  options.arch = arch;
  sb::Device device(options);
  const std::uint64_t afterLoad = emu::lazyBindCount();
  device.lock();
  const std::uint64_t afterLock = emu::lazyBindCount();
  EXPECT_GT(afterLock, afterLoad);  // functions the initialiser did not call
  device.relock();
  // A bound pointer is written back: calling it again does not bind again,
  // and no more are bound than there are lazy imports.
  const std::uint64_t afterRelock = emu::lazyBindCount();
  device.relock();
  EXPECT_EQ(emu::lazyBindCount(), afterRelock);
}

TEST(LazyBindingTest, TheArm64SliceBindsItsLazyImportsAtTheirFirstCall) { locksBindLazily("arm64"); }
TEST(LazyBindingTest, TheArmv7SliceBindsItsLazyImportsAtTheirFirstCall) { locksBindLazily("armv7"); }

}  // namespace
}  // namespace emutest
