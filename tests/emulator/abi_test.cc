// Where the guest's calling conventions put arguments, checked against what
// clang-19 does for arm64-apple-ios7.0 and armv7-apple-ios7.0.
#include <gtest/gtest.h>

#include "abi.h"
#include "format_arguments.h"
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

Argument scalar(Part::Class cls, unsigned size) { return Argument{{Part{cls, size}}, false}; }
Argument rect(unsigned length) { return Argument{std::vector<Part>(4, Part{Part::Floating, length}), true}; }
const Argument kPointer64 = scalar(Part::Integer, 8), kPointer32 = scalar(Part::Integer, 4);

using Strings = std::vector<std::string>;

// Where each piece of a value goes, pieces apart by spaces and the two words
// of a split one by ':': "r1" a core register, "f0" a floating one, "sp+8".
std::string where(const PieceLocations& pieces) {
  std::string out;
  for (const auto& piece : pieces) {
    if (!out.empty()) out += " ";
    for (size_t i = 0; i < piece.size(); ++i)
      out += (i ? ":" : "") +
             std::string(piece[i].where == Location::IntReg  ? "r"
                         : piece[i].where == Location::FpReg ? "f"
                                                             : "sp+") +
             std::to_string(piece[i].index);
  }
  return out;
}
Strings placed(Arch arch, const std::vector<Argument>& arguments, size_t fixed, bool stret = false) {
  Strings out;
  for (const PieceLocations& argument : placeArguments(arch, arguments, fixed, stret).arguments)
    out.push_back(where(argument));
  return out;
}

TEST(AbiTest, Arm64PutsRectanglesInFloatingRegistersAndVariadicArgumentsOnTheStack) {
  // -[UIView initWithFrame:]: self x0, _cmd x1, the frame d0-d3.
  EXPECT_EQ(placed(Arch::Arm64, {kPointer64, kPointer64, rect(8)}, 3), (Strings{"r0", "r1", "f0 f1 f2 f3"}));
  // NSLog(format, int, double): the format in x0, the rest in 8-byte stack slots.
  EXPECT_EQ(placed(Arch::Arm64, {kPointer64, scalar(Part::Integer, 4), scalar(Part::Floating, 8)}, 1),
            (Strings{"r0", "sp+0", "sp+8"}));
  // Past x7, Apple packs stack arguments at their own alignment: two chars
  // take bytes 0 and 1.
  std::vector<Argument> many(8, kPointer64);
  many.push_back(scalar(Part::Integer, 1));
  many.push_back(scalar(Part::Integer, 1));
  EXPECT_EQ(placed(Arch::Arm64, many, many.size()),
            (Strings{"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7", "sp+0", "sp+1"}));
  // A rectangle that no longer fits in d0-d7 goes whole to the stack.
  EXPECT_EQ(placed(Arch::Arm64, {rect(8), rect(8), rect(8)}, 3),
            (Strings{"f0 f1 f2 f3", "f4 f5 f6 f7", "sp+0 sp+8 sp+16 sp+24"}));
}

TEST(AbiTest, Armv7PassesEverythingInCoreWordsWithoutPairAlignment) {
  // f(int, double, int, double): r0, r1:r2, r3, then the stack.
  Argument d = scalar(Part::Floating, 8), i = kPointer32;
  EXPECT_EQ(placed(Arch::Armv7, {i, d, i, d}, 4), (Strings{"r0", "r1:r2", "r3", "sp+0:sp+4"}));
  // objc_msgSend_stret(result, self, _cmd, frame): the result's address
  // takes r0, and a float rectangle splits across r3 and the stack.
  EXPECT_EQ(placed(Arch::Armv7, {i, i, rect(4)}, 3, true), (Strings{"r1", "r2", "r3 sp+0 sp+4 sp+8"}));
}

TEST(AbiTest, OnlyThirtyTwoBitArmReturnsLengthStructuresThroughMemory) {
  Type size{Kind::Lengths, 0, 2, "{CGSize=dd}"};
  Type length{Kind::Length, 8, 0, "d"};
  EXPECT_TRUE(resultInMemory(Arch::Armv7, size));
  EXPECT_FALSE(resultInMemory(Arch::Arm64, size));
  EXPECT_FALSE(resultInMemory(Arch::Armv7, length));
  // A float result comes back in r0 on 32-bit ARM, in s0/d0 on arm64.
  EXPECT_EQ(where(placeResult(Arch::Armv7, scalar(Part::Floating, 4))), "r0");
  EXPECT_EQ(where(placeResult(Arch::Arm64, rect(8))), "f0 f1 f2 f3");
}

TEST(AbiTest, SignaturesReadFromTypeEncodingsWithOutArgumentsForNumbersOfOneWidth) {
  Signature s = parseSignature("v24@0:8@?<v@?B@>16");
  ASSERT_EQ(s.arguments(), 3u);
  EXPECT_EQ(s.argument(2).kind, Kind::Block);
  EXPECT_EQ(s.argument(2).encoding, "@?<v@?B@>");
  s = parseSignature("v@::@d", std::uint64_t{1} << 5);
  EXPECT_EQ(s.argument(4).kind, Kind::Double);
  EXPECT_EQ(parseSignature("d@:@@").result().kind, Kind::Length);
  EXPECT_EQ(parseSignature("@@:{CGRect={CGPoint=dd}{CGSize=dd}}").argument(2).count, 4u);
  EXPECT_THROW(parseSignature("v@:{Unknown=ii}"), std::invalid_argument);
  // Through a pointer to a number of one width on both sides the host writes
  // the guest's memory; a pointer to a length or a word stays opaque.
  EXPECT_EQ(parseSignature("c@:^I").argument(2).kind, Kind::OutScalar);
  EXPECT_EQ(parseSignature("c@:^I").argument(2).size, 4u);
  EXPECT_EQ(parseSignature("v@:^c").argument(2).size, 1u);
  EXPECT_EQ(parseSignature("v@:^d").argument(2).kind, Kind::Pointer);
  EXPECT_EQ(parseSignature("v@:^l").argument(2).kind, Kind::Pointer);
}

// NSRange: two words, in core registers (whole to the stack on arm64 when
// they do not both fit), returned in x0 and x1 on arm64 and through memory
// on 32-bit ARM, where it is larger than 4 bytes.
TEST(AbiTest, RangesAreTwoWords) {
  Type range = parseSignature("@@:{_NSRange=QQ}").argument(2);
  ASSERT_EQ(range.kind, Kind::Words);
  Argument range64 = {guestParts(range, Arch::Arm64), true}, range32 = {guestParts(range, Arch::Armv7), true};
  EXPECT_EQ(placed(Arch::Arm64, {kPointer64, kPointer64, range64}, 3), (Strings{"r0", "r1", "r2 r3"}));
  std::vector<Argument> seven(7, kPointer64);
  seven.push_back(range64);
  EXPECT_EQ(placed(Arch::Arm64, seven, seven.size()).back(), "sp+0 sp+8");
  EXPECT_EQ(placed(Arch::Armv7, {kPointer32, kPointer32, range32}, 3), (Strings{"r0", "r1", "r2 r3"}));
  EXPECT_TRUE(resultInMemory(Arch::Armv7, range));
  EXPECT_FALSE(resultInMemory(Arch::Arm64, range));
  EXPECT_EQ(where(placeResult(Arch::Arm64, range64)), "r0 r1");
}

// How many variadic arguments a format reads, and how wide each is on the
// guest: what NSLog and stringWithFormat: take from the guest's stack.
std::string shapeOf(const std::string& format, Arch arch) {
  std::string shape;
  for (const FormatConversion& c : formatConversions(format, arch)) {
    const char* what = "isfos";  // signed, unsigned, floating, object, string
    shape += what[c.what];
    shape += std::to_string(c.part.size);
  }
  return shape;
}

TEST(FormatArgumentsTest, ConversionsLengthModifiersAndStarWidthsFollowTheGuestsWidths) {
  const std::string format = "%@ got %d of %lu (%lld) at %.2f: %s %c %x %p %zu 100%%";
  EXPECT_EQ(shapeOf(format, Arch::Arm64), "o8i4s8i8f8s8i4s4s8s8");
  EXPECT_EQ(shapeOf(format, Arch::Armv7), "o4i4s4i8f8s4i4s4s4s4");
  EXPECT_EQ(shapeOf("%*d|%-*.*s", Arch::Arm64), "i4i4i4i4s8");
  EXPECT_EQ(shapeOf("no arguments, 50%% off", Arch::Armv7), "");
  EXPECT_EQ(shapeOf("ends with %", Arch::Arm64), "");
}

// A method or function that takes or gives a real double (an NSTimeInterval,
// floor's argument) says so by its C++ type, and a 32-bit guest's call
// passes it whole in two core words, where a CGFloat goes as a float: a
// platform method the emulator has never heard of needs no entry of its own.
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

TEST(RealDoubleTest, AnArm64GuestSendsBothAsDoubles) { sendsIntervalsWholeAndLengthsAsTheSliceHasThem(Arch::Arm64); }

// floor too takes and gives a real double on 32-bit ARM.
TEST(RealDoubleTest, A32BitGuestSendsAnIntervalWholeAndALengthAsAFloat) {
  sendsIntervalsWholeAndLengthsAsTheSliceHasThem(Arch::Armv7);
  Machine& machine = loadedMachine("armv7");
  std::optional<std::uint64_t> floor = resolveImport(machine, "/usr/lib/libSystem.B.dylib", "_floor");
  ASSERT_TRUE(floor);
  // 16777217 is the first whole number a float cannot hold.
  RealDouble value = 16777217.5, result;
  void* arguments[] = {&value};
  callGuest(machine.cpu(), *floor,
            hostCallFor(objc_encodeFunction<RealDouble, RealDouble>(), objc_realDoublesOf<RealDouble, RealDouble>()),
            arguments, &result);
  EXPECT_EQ(result.value, 16777217.0);
}

}  // namespace
}  // namespace emu
