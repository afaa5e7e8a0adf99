// A method's type encoding is its implementation's own, reported as the
// device's compiler writes it for the slice the process stands for; a
// module's literal is kept as given, and refused where it says something
// else than the implementation takes.
#include <gtest/gtest.h>

#include <functional>

#include "coregraphics/CGGeometry.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

NSUInteger count(id, SEL) { return 0; }
BOOL isVisibleAt(id, SEL, NSInteger) { return YES; }
CGFloat heightAfter(id, SEL, RealDouble) { return 0; }
CGRect rectForRange(id, SEL, NSRange) { return {}; }
void enumerate(id, SEL, std::function<void(id, NSUInteger, BOOL*)>) {}
id format(id, SEL, id, standin::FormatArgs) { return nil; }
id object(id, SEL) { return nil; }

Class probeClass() {
  static Class cls = [] {
    Class c = objc_allocateClassPair(standin::nsObjectClass(), "EncodingProbe");
    class_addMethod(c, sel("count"), count);
    class_addMethod(c, sel("isVisibleAt:"), isVisibleAt);
    class_addMethod(c, sel("heightAfter:"), heightAfter);
    class_addMethod(c, sel("rectForRange:"), rectForRange);
    class_addMethod(c, sel("enumerateUsingBlock:"), enumerate);
    class_addClassMethod(c, sel("stringWithFormat:"), format);
    objc_registerClassPair(c);
    return c;
  }();
  return cls;
}

std::string reported(const char* selector, bool classMethod = false) {
  Class cls = classMethod ? object_getClass(reinterpret_cast<id>(probeClass())) : probeClass();
  const char* types = class_getMethodTypeEncoding(cls, sel(selector));
  return types ? types : "(none)";
}

// A process of this host stands for the arm64 slice until told otherwise.
class MethodEncoding : public ::testing::Test {
 protected:
  void SetUp() override { setSimulatedSlice(DeviceSlice::Arm64); }
  void TearDown() override { setSimulatedSlice(DeviceSlice::Arm64); }
};

TEST_F(MethodEncoding, ReportedAsEachSlicesCompilerWritesIt) {
  struct Case {
    const char* selector;
    const char* arm64;
    const char* armv7;
  };
  const Case cases[] = {
      // NSUInteger, not this host's `unsigned long`.
      {"count", "Q@:", "I@:"},
      // BOOL is bool on arm64 and signed char on armv7.
      {"isVisibleAt:", "B@:q", "c@:i"},
      // A CGFloat is a float on armv7; a real double stays a double.
      {"heightAfter:", "d@:d", "f@:d"},
      {"rectForRange:", "{CGRect={CGPoint=dd}{CGSize=dd}}@:{_NSRange=QQ}",
       "{CGRect={CGPoint=ff}{CGSize=ff}}@:{_NSRange=II}"},
      // A block without its signature, as the device's readers expect.
      {"enumerateUsingBlock:", "v@:@?", "v@:@?"},
  };
  for (DeviceSlice slice : {DeviceSlice::Arm64, DeviceSlice::Armv7}) {
    setSimulatedSlice(slice);
    for (const Case& c : cases)
      EXPECT_EQ(reported(c.selector), slice == DeviceSlice::Arm64 ? c.arm64 : c.armv7)
          << c.selector << " on " << deviceSliceName(slice);
    // A variadic method lists its fixed arguments only.
    EXPECT_EQ(reported("stringWithFormat:", true), "@@:@");
  }
}

TEST_F(MethodEncoding, AModulesLiteralIsKeptAsGivenWhenItSaysWhatTheImplementationTakes) {
  Class cls = objc_allocateClassPair(standin::nsObjectClass(), "LiteralProbe");
  objc_registerClassPair(cls);
  // Offsets and qualifiers, as a compiler writes them, change no call.
  EXPECT_TRUE(class_addMethod(cls, sel("isVisibleAt:"), isVisibleAt, "B24@0:8q16"));
  setSimulatedSlice(DeviceSlice::Armv7);
  EXPECT_STREQ(class_getMethodTypeEncoding(cls, sel("isVisibleAt:")), "B24@0:8q16");
  EXPECT_TRUE(class_addMethod(cls, sel("count"), count, "I8@0:4"));
}

TEST_F(MethodEncoding, AModulesLiteralThatLiesAboutItsImplementationIsRefused) {
  Class cls = objc_allocateClassPair(standin::nsObjectClass(), "LyingProbe");
  objc_registerClassPair(cls);
  // arm64's BOOL is "B": "c" is the 32-bit slice's.
  EXPECT_THROW(class_addMethod(cls, sel("isVisibleAt:"), isVisibleAt, "c@:q"), ObjCException);
  EXPECT_THROW(class_addMethod(cls, sel("object"), object, "v@:"), ObjCException);
  EXPECT_THROW(class_addMethod(cls, sel("object"), object, "@@:@"), ObjCException);
  EXPECT_THROW(class_addMethod(cls, sel("object"), object, "{CGRect="), ObjCException);
  EXPECT_FALSE(class_respondsToSelector(cls, sel("isVisibleAt:")));
  EXPECT_FALSE(class_respondsToSelector(cls, sel("object")));
  setSimulatedSlice(DeviceSlice::Armv7);
  EXPECT_THROW(class_addMethod(cls, sel("count"), count, "Q@:"), ObjCException);
  EXPECT_TRUE(class_addMethod(cls, sel("isVisibleAt:"), isVisibleAt, "c@:i"));
}

}  // namespace
