#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "runtime/strong.h"
#include "substrate/substrate.h"
#include "coregraphics/CGGeometry.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"

namespace {

struct Counter : objc_object {
  int value = 0;
};

int gDeallocs = 0;

Class makeClass(const char* name, Class super = standin::nsObjectClass()) {
  return objc_defineClass<Counter>(super, name);
}

NSInteger baseValue(id, SEL) { return 1; }
NSInteger hookedValue(id, SEL) { return 2; }
IMP gSaved;
NSInteger callsSaved(id self, SEL cmd) { return 10 + imp_call<NSInteger>(gSaved, self, cmd); }

TEST(Runtime, MessagingNilReturnsZero) {
  EXPECT_EQ(msgSend<NSInteger>(nil, "anything"), 0);
  EXPECT_EQ(msgSend<id>(nil, "anything"), nil);
  EXPECT_FALSE(msgSend<BOOL>(nil, "anything"));
  EXPECT_EQ(msgSend<CGRect>(nil, "frame").size.width, 0.0);
}

TEST(Runtime, UnknownSelectorAndSignatureMismatchFailLoudly) {
  Class cls = makeClass("SigCheck");
  class_addMethod(cls, sel("value"), baseValue);
  id obj = objc_new(cls);
  auto said = [&](auto call) {
    try {
      call();
    } catch (const ObjCException& e) {
      return std::string(e.what());
    }
    return std::string("no exception");
  };
  EXPECT_NE(said([&] {
              msgSend<void>(obj, "frobnicate");
            }).find("-[SigCheck frobnicate]: unrecognized selector sent to instance"),
            std::string::npos);
  EXPECT_NE(said([&] { msgSend<double>(obj, "value"); }).find("-[SigCheck value]"), std::string::npos);
  objc_release(obj);
}

// Substrate's rules (its public ObjectiveC.cpp): an inherited method gets the
// replacement on the hooked class alone, and the saved implementation reaches
// the superclass's; a missing one installs nothing, leaves *result as it
// was, and logs what it did not find.
TEST(Runtime, HooksSaveOwnMethodsAndLeaveSuperclassesAlone) {
  standin::setLogEcho(false);
  Class base = makeClass("HookBase");
  Class sub = makeClass("HookSub", base), sibling = makeClass("HookSibling", base);
  class_addMethod(base, sel("value"), baseValue);
  MSHookMessageEx(sub, sel("value"), callsSaved, &gSaved);
  id b = objc_new(base), s = objc_new(sub), other = objc_new(sibling);
  EXPECT_EQ(msgSend<NSInteger>(b, "value"), 1);
  EXPECT_EQ(msgSend<NSInteger>(s, "value"), 11);
  EXPECT_EQ(msgSend<NSInteger>(other, "value"), 1);  // the sibling keeps the superclass's
  EXPECT_TRUE(class_getOwnMethodImplementation(sub, sel("value")));
  EXPECT_FALSE(class_getOwnMethodImplementation(sibling, sel("value")));
  MSHookMessageEx(base, sel("value"), callsSaved, &gSaved);
  EXPECT_EQ(msgSend<NSInteger>(b, "value"), 11);
  for (id o : {b, s, other}) objc_release(o);

  IMP saved = baseValue;
  MSHookMessageEx(nil, sel("value"), hookedValue, &saved);
  EXPECT_TRUE(saved == IMP(baseValue));
  Class cls = makeClass("HookMissing");
  MSHookMessageEx(cls, sel("value"), hookedValue, &saved);
  EXPECT_TRUE(saved == IMP(baseValue));
  EXPECT_FALSE(class_respondsToSelector(cls, sel("value")));
  std::vector<std::string> log = standin::capturedLogLines();
  EXPECT_NE(std::find(log.begin(), log.end(), "MS:Warning: nil class argument"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "MS:Warning: message not found [HookMissing value]"), log.end());
}

TEST(Runtime, KindRespondsToSelectorAndAddingOnlyWhatIsNotOwn) {
  Class base = makeClass("KindBase");
  Class sub = makeClass("KindSub", base);
  EXPECT_TRUE(class_addMethod(base, sel("value"), baseValue));
  EXPECT_FALSE(class_addMethod(base, sel("value"), hookedValue));  // its own: refused
  id s = objc_new(sub);
  EXPECT_TRUE(msgSend<BOOL>(s, "isKindOfClass:", static_cast<id>(base)));
  EXPECT_FALSE(msgSend<BOOL>(s, "isMemberOfClass:", static_cast<id>(base)));
  EXPECT_TRUE(msgSend<BOOL>(s, "respondsToSelector:", sel("value")));
  EXPECT_FALSE(msgSend<BOOL>(s, "respondsToSelector:", sel("other")));
  EXPECT_EQ(msgSend<NSInteger>(s, "value"), 1);
  EXPECT_TRUE(class_addMethod(sub, sel("value"), hookedValue));  // inherited: added
  EXPECT_STREQ(class_getMethodTypeEncoding(sub, sel("value")), "q@:");
  EXPECT_EQ(msgSend<NSInteger>(s, "value"), 2);
  objc_release(s);
}

template <int N>
NSInteger numbered(id, SEL) {
  return N;
}

// Each class remembers what its messages found.
TEST(Runtime, EverySelectorFindsItsOwnMethodAcrossThreads) {
  Class cls = makeClass("ManyMethods");
  constexpr int kMethods = 48;
  std::vector<SEL> names;
  [&]<int... N>(std::integer_sequence<int, N...>) {
    (class_addMethod(cls, sel(("m" + std::to_string(N)).c_str()), numbered<N>), ...);
  }(std::make_integer_sequence<int, kMethods>{});
  for (int n = 0; n < kMethods; ++n) names.push_back(sel(("m" + std::to_string(n)).c_str()));
  id obj = objc_new(cls);
  for (int round = 0; round < 2; ++round)
    for (int n = 0; n < kMethods; ++n) ASSERT_EQ(msgSend<NSInteger>(obj, names[n]), n);
  EXPECT_FALSE(msgSend<BOOL>(obj, "respondsToSelector:", sel("m48")));

  std::atomic<bool> replaced{false}, seen{false};
  std::thread sender([&] {
    for (long i = 0; i < 100'000'000 && !seen; ++i)
      if (msgSend<NSInteger>(obj, names[7]) == 2 && replaced) seen = true;
  });
  class_replaceMethod(cls, names[7], hookedValue, nullptr);
  replaced = true;
  sender.join();
  EXPECT_TRUE(seen);
  EXPECT_EQ(msgSend<NSInteger>(obj, names[8]), 8);
  objc_release(obj);
}

// Objects made on one thread and let go on another (as the store's reminders are) have their memory passed back
// through batches between threads: no block may be handed out twice or lost in the passing.
TEST(Runtime, ObjectsLetGoOnAnotherThreadAreHandedOutAgainOnceEach) {
  Class cls = makeClass("PassedAround");
  constexpr int kObjects = 150'000;  // past what one thread keeps of its own
  auto make = [&](std::vector<id>& into, int first) {
    for (int i = 0; i < kObjects; ++i) {
      into.push_back(objc_new(cls));
      static_cast<Counter*>(into.back())->value = first + i;
    }
  };
  for (int round = 0; round < 3; ++round) {
    std::vector<id> made;
    std::thread([&] { make(made, 0); }).join();
    make(made, kObjects);
    std::vector<id> sorted = made;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "round " << round;
    for (int i = 0; i < 2 * kObjects; ++i) ASSERT_EQ(static_cast<Counter*>(made[i])->value, i) << "round " << round;
    for (id obj : made) objc_release(obj);
  }
}

// Class lookups are remembered by the name's address.
TEST(Runtime, LookupsSeeLateClassesAndNamesRewrittenInWritableMemory) {
  EXPECT_EQ(objc_getClass("LateArrival"), nil);
  Class late = makeClass("LateArrival");
  EXPECT_EQ(objc_getClass("LateArrival"), late);
  Class first = makeClass("NameOne"), second = makeClass("NameTwo");
  char name[16] = "NameOne";
  EXPECT_EQ(objc_getClass(name), first);
  std::snprintf(name, sizeof name, "NameTwo");
  EXPECT_EQ(objc_getClass(name), second);
  std::snprintf(name, sizeof name, "NameNone");
  EXPECT_EQ(objc_getClass(name), nil);
  // A selector name in writable memory may be rewritten in place; only a literal is trusted by its address.
  static char selectorName[32] = "selectorOne:";
  SEL one = sel_registerName(selectorName);
  EXPECT_EQ(sel_registerName("selectorOne:"), one);
  EXPECT_EQ(sel_registerName("selectorOne:"), one);  // the literal's address, remembered
  std::snprintf(selectorName, sizeof selectorName, "selectorTwo:");
  EXPECT_STREQ(sel_getName(sel_registerName(selectorName)), "selectorTwo:");
}

void countingDealloc(id self, SEL cmd) {
  ++gDeallocs;
  msgSendSuper<void>(objc_getClass("Tracked"), self, cmd);
}

TEST(Runtime, StrongStoreAndPoolReleaseWhatTheyHeld) {
  Class cls = makeClass("Tracked");
  class_addMethod(cls, sel("dealloc"), countingDealloc);
  gDeallocs = 0;
  Strong<> holder;
  id first = objc_new(cls);
  holder.store(first);
  objc_release(first);
  EXPECT_EQ(gDeallocs, 0);
  id second = objc_new(cls);
  holder.store(second);
  objc_release(second);
  EXPECT_EQ(gDeallocs, 1);  // the first went when the second was stored
  holder = nullptr;
  EXPECT_EQ(gDeallocs, 2);

  id pool = objc_new("NSAutoreleasePool");
  msgSend<id>(objc_new(cls), "autorelease");
  EXPECT_EQ(gDeallocs, 2);
  msgSend<void>(pool, "drain");
  EXPECT_EQ(gDeallocs, 3);
}

// A method's type encoding is its implementation's own.
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

TEST_F(MethodEncoding, AModulesLiteralIsKeptWhenTrueAndRefusedWhenItLies) {
  Class cls = objc_allocateClassPair(standin::nsObjectClass(), "LiteralProbe");
  objc_registerClassPair(cls);
  // Offsets and qualifiers, as a compiler writes them, change no call.
  EXPECT_TRUE(class_addMethod(cls, sel("isVisibleAt:"), isVisibleAt, "B24@0:8q16"));
  // arm64's BOOL is "B": "c" is the 32-bit slice's.
  EXPECT_THROW(class_addMethod(cls, sel("heightAfter:"), isVisibleAt, "c@:q"), ObjCException);
  EXPECT_THROW(class_addMethod(cls, sel("object"), object, "v@:"), ObjCException);
  EXPECT_THROW(class_addMethod(cls, sel("object"), object, "@@:@"), ObjCException);
  EXPECT_THROW(class_addMethod(cls, sel("object"), object, "{CGRect="), ObjCException);
  EXPECT_FALSE(class_respondsToSelector(cls, sel("heightAfter:")));
  EXPECT_FALSE(class_respondsToSelector(cls, sel("object")));
  setSimulatedSlice(DeviceSlice::Armv7);
  EXPECT_STREQ(class_getMethodTypeEncoding(cls, sel("isVisibleAt:")), "B24@0:8q16");
  EXPECT_TRUE(class_addMethod(cls, sel("count"), count, "I8@0:4"));
  EXPECT_THROW(class_addMethod(cls, sel("rectForRange:"), count, "Q@:"), ObjCException);
  EXPECT_TRUE(class_addMethod(cls, sel("isHiddenAt:"), isVisibleAt, "c@:i"));
}

}  // namespace
