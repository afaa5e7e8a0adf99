// The packaged dylib's lazy pointers are bound by dyld_stub_binder at their
// first call, one symbol each, as on a device: a loader that bound them
// when the module loaded would leave the binder uncalled.
#include <gtest/gtest.h>

#include "Device.h"
#include "foundation/NSLog.h"
#include "lazy_binding.h"

namespace emutest {
namespace {

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
  // The lock reaches functions the initialiser did not call: each is bound
  // by the binder now.
  EXPECT_GT(afterLock, afterLoad);
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
