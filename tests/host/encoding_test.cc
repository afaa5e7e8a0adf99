// The simulator's reported encodings of the signatures the device build
// checks, on each slice: with the device build's static checks of the same
// table (encoding_cases.h), the library's derived encodings are the ones the
// simulator reports. And a method the library or the pane adds is told the
// types its own function has.
#include <gtest/gtest.h>

#include <string>

#include "encoding_cases.h"
#include "host/objc.h"
#include "runtime/type_encoding.h"

namespace {

template <class F>
struct Reported;
template <class R, class... A>
struct Reported<R(A...)> {
  static std::string on(DeviceSlice slice) {
    return deviceEncoding(objc_encodeFunction<R, A...>(), objc_realDoublesOf<R, A...>(), slice);
  }
  static std::string derived() { return qst::encoding::of<R, A...>(); }
};

TEST(Encodings, TheSimulatorReportsOnEachSliceWhatTheDeviceCompilerWrites){
#define QST_EXPECT(arm64, armv7, ...)                                              \
  EXPECT_EQ(Reported<__VA_ARGS__>::on(DeviceSlice::Arm64), arm64) << #__VA_ARGS__; \
  EXPECT_EQ(Reported<__VA_ARGS__>::on(DeviceSlice::Armv7), armv7) << #__VA_ARGS__; \
  EXPECT_EQ(Reported<__VA_ARGS__>::derived(), arm64) << #__VA_ARGS__ " as this 64-bit host derives it";
    QST_ENCODING_CASES(QST_EXPECT)
#undef QST_EXPECT
}

BOOL answer(id, SEL, NSInteger) {
  return YES;
}

// class_addMethod holds a given encoding to the implementation's own, as a
// device would not: an added method's derived types pass, a wrong literal
// raises.
TEST(Encodings, AnAddedMethodIsToldItsFunctionsOwnTypes) {
  Class cls = objc_allocateClassPair(objc_getClass("NSObject"), "EncodingsTestClass");
  ASSERT_TRUE(cls);
  const qst::AddedMethod added(answer);
  EXPECT_STREQ(added.types, "B@:q");
  EXPECT_TRUE(qst::addMethod(cls, "answer:", added));
  EXPECT_ANY_THROW(class_addMethod(cls, sel_registerName("wrong:"), added.imp, "v@:q"));
  objc_registerClassPair(cls);  // the runtime keeps a registered class, as it keeps every class
}

}  // namespace
