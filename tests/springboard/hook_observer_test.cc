// What CydiaSubstrate's stand-in tells a tracing tool about each hook, and
// how the tool may stand in front of a replacement and its saved
// implementation.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "substrate/substrate.h"

namespace {

long parentValue(id, SEL) { return 1; }
long childValue(id, SEL) { return 2; }
long replacementValue(id, SEL) { return 10; }
long standInValue(id, SEL) { return 100; }
long handedBackValue(id, SEL) { return 1000; }

std::vector<MSHookEvent> gSeen;
bool gStandIn = false;

void observe(const MSHookEvent& event, IMP* install, IMP* handedBack) {
  gSeen.push_back(event);
  if (!gStandIn) return;
  *install = standInValue;
  *handedBack = handedBackValue;
}

struct HookObserverTest : ::testing::Test {
  Class parent = nil, child = nil;
  id object = nil;

  void SetUp() override {
    parent = objc_defineClass<objc_object>(NSObjectClass(), "HookParent");
    child = objc_defineClass<objc_object>(parent, "HookChild");
    class_addMethod(parent, sel("inherited"), parentValue, "q@:");
    class_addMethod(child, sel("own"), childValue, "q@:");
    object = objc_new(child);
    MSSetHookObserver(observe);
  }
  void TearDown() override {
    MSSetHookObserver(nullptr);
    objc_release(object);
  }
};

TEST_F(HookObserverTest, ReportsOwnInheritedAndMissingMethods) {
  IMP saved;
  MSHookMessageEx(child, sel("own"), replacementValue, &saved);
  EXPECT_EQ(imp_call<long>(saved, object, sel("own")), 2);
  MSHookMessageEx(child, sel("inherited"), replacementValue, &saved);
  EXPECT_EQ(imp_call<long>(saved, object, sel("inherited")), 1);
  // The parent keeps its own: only the hooked class changed.
  EXPECT_EQ(imp_call<long>(class_getOwnMethodImplementation(parent, sel("inherited")), object, sel("inherited")), 1);
  MSHookMessageEx(child, sel("absent"), replacementValue, &saved);
  EXPECT_FALSE(saved);
  EXPECT_FALSE(respondsTo(object, sel("absent")));

  ASSERT_EQ(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[0].found, MSHookEvent::Found::Own);
  EXPECT_STREQ(gSeen[0].types, "q@:");
  EXPECT_EQ(gSeen[1].found, MSHookEvent::Found::Inherited);
  EXPECT_EQ(gSeen[2].found, MSHookEvent::Found::Missing);
  EXPECT_EQ(gSeen[2].types, nullptr);
  EXPECT_EQ(msgSend<long>(object, "own"), 10);
  EXPECT_EQ(msgSend<long>(object, "inherited"), 10);
}

TEST_F(HookObserverTest, AToolMayInstallAStandInAndHandBackAnother) {
  gStandIn = true;
  IMP saved;
  MSHookMessageEx(child, sel("own"), replacementValue, &saved);
  EXPECT_EQ(msgSend<long>(object, "own"), 100);
  EXPECT_EQ(imp_call<long>(saved, object, sel("own")), 1000);
  // A missing method stays missing whatever the tool says.
  MSHookMessageEx(child, sel("absent"), replacementValue, &saved);
  EXPECT_FALSE(saved);
  EXPECT_FALSE(respondsTo(object, sel("absent")));
}

std::vector<std::string> gAdded;
void observeAdd(Class cls, SEL name, IMP, const char* types) {
  gAdded.push_back(std::string(class_getName(cls)) + " " + sel_getName(name) + " " + types);
}

TEST_F(HookObserverTest, MethodsAddedAreToldOnceAndOnlyWhenAdded) {
  objc_setMethodAddedHandler(observeAdd);
  EXPECT_TRUE(class_addMethod(child, sel("extra"), childValue, "q@:"));
  EXPECT_FALSE(class_addMethod(child, sel("extra"), parentValue, "q@:"));  // already there: nothing added
  IMP saved;
  MSHookMessageEx(child, sel("inherited"), replacementValue, &saved);  // a hook is no add
  objc_setMethodAddedHandler(nullptr);
  class_addMethod(child, sel("later"), childValue, "q@:");
  EXPECT_EQ(gAdded, std::vector<std::string>{"HookChild extra q@:"});
}

}  // namespace
