// The simulator's reported encodings of the signatures the device build
// checks, on each slice: with the device build's static checks of the same
// table (encoding_cases.h), the library's derived encodings are the ones the
// simulator reports. (class_addMethod's own check of a given encoding is
// MethodEncoding's, in the platform's tests.)
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

TEST(Encodings, TheSimulatorReportsOnEachSliceWhatTheDeviceCompilerWrites) {
#define QST_EXPECT(arm64, armv7, ...)                                              \
  EXPECT_EQ(Reported<__VA_ARGS__>::on(DeviceSlice::Arm64), arm64) << #__VA_ARGS__; \
  EXPECT_EQ(Reported<__VA_ARGS__>::on(DeviceSlice::Armv7), armv7) << #__VA_ARGS__; \
  EXPECT_EQ(Reported<__VA_ARGS__>::derived(), arm64) << #__VA_ARGS__ " as this 64-bit host derives it";
  QST_ENCODING_CASES(QST_EXPECT)
#undef QST_EXPECT
}

}  // namespace
