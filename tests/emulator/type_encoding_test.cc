// The platform's declared type encodings tell the truth about the methods
// the library reaches: every method the arm64 slice sends to in a lock and a
// scenario is declared with the arguments and result its implementation
// takes, as the arm64 device lays them out.
#include <gtest/gtest.h>

#include "Device.h"
#include "foundation/NSLog.h"
#include "guest_module.h"
#include "runtime/autorelease.h"
#include "types.h"

namespace emu {
namespace {

// Each argument's pieces on arm64: (class, size) pairs, so that "c" and "B",
// "Q" and "L" or "@" and "#" agree, and a float where a double is taken
// does not. A variadic method's encoding ends at its last fixed argument.
std::vector<std::vector<std::pair<int, unsigned>>> arm64Shape(const std::string& types) {
  std::vector<std::vector<std::pair<int, unsigned>>> shape;
  for (const Type& t : parseSignature(types).types) {
    if (t.kind == Kind::FormatArgs) break;
    shape.emplace_back();
    for (const Part& p : guestParts(t, Arch::Arm64)) shape.back().emplace_back(p.cls, p.size);
  }
  return shape;
}

TEST(TypeEncodingTest, EveryMethodTheLibraryReachesIsDeclaredAsItsImplementationTakes) {
  NSLogSetEcho(false);
  AutoreleasePool pool;
  recordReachedMethods(true);
  sb::DeviceOptions options;
  options.root = QST_SAMPLE_ROOT;
  options.now = 795173400.0;  // 2026-03-14T09:30:00Z
  options.modulePath = QST_DEVICE_DYLIB;
  options.arch = "arm64";
  sb::Device device(options);
  device.lock();
  device.nowPlaying();
  device.wait(5);
  device.relock();
  device.clear();
  device.canEdit(0);

  std::vector<std::pair<Class, SEL>> reached = reachedMethods();
  EXPECT_GT(reached.size(), 40u);
  for (auto [cls, selector] : reached) {
    std::string name = std::string(class_getName(cls)) + " " + sel_getName(selector);
    const char* declared = class_getMethodTypeEncoding(cls, selector);
    IMP imp = class_lookupMethod(cls, selector);
    ASSERT_TRUE(declared && imp.types) << name;
    try {
      EXPECT_EQ(arm64Shape(declared), arm64Shape(imp.types))
          << name << ": declared \"" << declared << "\", implemented as \"" << imp.types << "\"";
    } catch (const std::invalid_argument& e) {
      ADD_FAILURE() << name << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace emu
