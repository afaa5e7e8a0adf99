// A method or function that takes or gives a real double (an NSTimeInterval,
// floor's argument) says so by its C++ type, and a 32-bit guest's call
// passes it whole in two core words, where a CGFloat goes as a float: a
// platform method the emulator has never heard of needs no entry of its own.
#include <gtest/gtest.h>

#include "Device.h"
#include "bridge.h"
#include "foundation/NSDate.h"
#include "foundation/NSLog.h"
#include "imports.h"
#include "machine.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace emu {
namespace {

// Neither a float nor a float's rounding of itself.
constexpr double kInterval = 0.1;

NSTimeInterval gInterval = 0;
CGFloat gLength = 0;
NSTimeInterval intervalTwice(id, SEL, NSTimeInterval interval) {
  gInterval = interval;
  return interval * 2;
}
CGFloat lengthTwice(id, SEL, CGFloat length) {
  gLength = length;
  return length * 2;
}

// The package's dylib loaded on `arch`: its machine, with its trap page,
// heap and stacks, is the one the calls below run on.
Machine& loadedMachine(const char* arch) {
  standin::setLogEcho(false);
  static AutoreleasePool* pool = new AutoreleasePool;  // the test's whole run
  (void)pool;
  sb::DeviceOptions options;
  options.root = QST_SAMPLE_ROOT;
  options.modulePath = QST_DEVICE_DYLIB;
  options.arch = arch;
  static sb::Device* device = new sb::Device(options);  // lives as the loaded module does
  (void)device;
  return *Machine::all().front();  // SpringBoard's load-in, the one image loaded
}

// A probe class no framework has, with one method of each kind.
Class probeClass() {
  static Class cls = [] {
    Class c = objc_allocateClassPair(objc_getClass("NSObject"), "RealDoubleProbe");
    class_addMethod(c, sel("intervalTwice:"), intervalTwice);
    class_addMethod(c, sel("lengthTwice:"), lengthTwice);
    objc_registerClassPair(c);
    return c;
  }();
  return cls;
}

// The guest's objc_msgSend called as a guest compiled against the method's
// declaration calls it: the arguments where that slice's convention puts
// them, the result read back from where it comes.
template <class R, class A>
R sendFromGuest(Machine& machine, id receiver, const char* selector, A argument) {
  std::optional<std::uint64_t> msgSend = resolveImport(machine, "/usr/lib/libobjc.A.dylib", "_objc_msgSend");
  if (!msgSend) throw std::runtime_error("no objc_msgSend");
  const HostCall& call = hostCallFor(objc_encodeMethod<R, A>(), objc_realDoublesOf<R, id, SEL, A>());
  SEL cmd = sel(selector);
  void* arguments[] = {&receiver, &cmd, &argument};
  R result{};
  callGuest(machine.cpu(), *msgSend, call, arguments, &result);
  return result;
}

void sendsIntervalsWholeAndLengthsAsTheSliceHasThem(Arch arch) {
  Machine& machine = loadedMachine(arch == Arch::Armv7 ? "armv7" : "arm64");
  id probe = msgSend<id>(msgSend<id>(reinterpret_cast<id>(probeClass()), "alloc"), "init");

  NSTimeInterval twice = sendFromGuest<NSTimeInterval>(machine, probe, "intervalTwice:", NSTimeInterval(kInterval));
  EXPECT_EQ(gInterval, kInterval);
  EXPECT_EQ(twice, 2 * kInterval);

  // A length is a float on 32-bit ARM, so 0.1 arrives as a float's 0.1.
  CGFloat length = sendFromGuest<CGFloat>(machine, probe, "lengthTwice:", CGFloat(kInterval));
  const double expected = arch == Arch::Armv7 ? double(float(kInterval)) : kInterval;
  EXPECT_EQ(gLength, expected);
  EXPECT_EQ(length, arch == Arch::Armv7 ? double(float(2 * expected)) : 2 * kInterval);
  objc_release(probe);
}

TEST(RealDoubleTest, A32BitGuestSendsAnIntervalWholeAndALengthAsAFloat) {
  sendsIntervalsWholeAndLengthsAsTheSliceHasThem(Arch::Armv7);
}

TEST(RealDoubleTest, AnArm64GuestSendsBothAsDoubles) { sendsIntervalsWholeAndLengthsAsTheSliceHasThem(Arch::Arm64); }

TEST(RealDoubleTest, FloorTakesAndGivesARealDoubleOn32BitArm) {
  Machine& machine = loadedMachine("armv7");
  std::optional<std::uint64_t> floor = resolveImport(machine, "/usr/lib/libSystem.B.dylib", "_floor");
  ASSERT_TRUE(floor);
  // 16777217 is the first whole number a float cannot hold.
  RealDouble value = 16777217.5, result;
  void* arguments[] = {&value};
  callGuest(machine.cpu(), *floor, hostCallFor(objc_encodeFunction<RealDouble, RealDouble>(),
                                               objc_realDoublesOf<RealDouble, RealDouble>()),
            arguments, &result);
  EXPECT_EQ(result.value, 16777217.0);
}

TEST(RealDoubleTest, TheDerivedEncodingIsTheDevicesAndTheMarkIsBesideIt) {
  IMP interval(intervalTwice), length(lengthTwice);
  EXPECT_STREQ(interval.types, "d@:d");
  EXPECT_STREQ(length.types, "d@:d");
  EXPECT_EQ(interval.realDoubles, 0b1001u);  // the result and the argument after the receiver and selector
  EXPECT_EQ(length.realDoubles, 0u);
  EXPECT_EQ(parseSignature(interval.types, interval.realDoubles).argument(2).kind, Kind::Double);
  EXPECT_EQ(parseSignature(length.types, length.realDoubles).argument(2).kind, Kind::Length);
}

}  // namespace
}  // namespace emu
