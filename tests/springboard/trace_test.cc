// What the simulator shows of the library's conversation with SpringBoard.
#include <dlfcn.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <cstring>

#include "runtime/message.h"
#include "sample_lock.h"
#include "trace/trace.h"
#include "coregraphics/CGGeometry.h"
#include "foundation/NSString.h"
#include "runtime/nsobject.h"
#include "substrate/substrate.h"

namespace sbtest {
namespace {

using sb::trace::Event;
using sb::trace::InstalledMethod;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// An event as one line: depth, kind, receiver, method, arguments, result.
std::string shown(const Event& e) {
  static const char* const kinds[] = {"call", "saved", "send"};
  std::string line = std::to_string(e.depth) + " " + kinds[static_cast<int>(e.kind)] + " " + e.receiver + " " +
                     e.className + " " + e.selector + " (";
  for (size_t i = 0; i < e.args.size(); ++i) line += (i ? ", " : "") + e.args[i];
  line += ")" + (e.result ? " = " + *e.result : "");
  return line + (e.replaced ? " replaced" : "") + (e.calledSaved ? " saved" : "");
}

std::vector<Event> select(const std::vector<Event>& events, Event::Kind kind, const std::string& selector) {
  std::vector<Event> found;
  for (const Event& e : events)
    if (e.kind == kind && e.selector == selector) found.push_back(e);
  return found;
}

size_t positionOf(const std::vector<Event>& events, Event::Kind kind, const std::string& selector, size_t from = 0) {
  for (size_t i = from; i < events.size(); ++i)
    if (events[i].kind == kind && events[i].selector == selector) return i;
  return events.size();
}

std::string addSelector(const std::string& version) {
  return version[0] == '7' ? "observer:addBulletin:forFeed:"
                           : "observer:addBulletin:forFeed:playLightsAndSirens:withReply:";
}

std::string imageOf(const void* code) {
  Dl_info info{};
  return dladdr(code, &info) && info.dli_fname ? info.dli_fname : "";
}

const void* libraryFunction() {
  void* handle = dlopen(sb::DeviceOptions::defaultModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  void* symbol = handle ? dlsym(handle, "publishedBulletins") : nullptr;
  if (handle) dlclose(handle);
  return symbol;
}

using HookTableTest = SampleLockTest;

TEST_F(HookTableTest, TracingLeavesNoMethodOfTheLibraryUntraced) {
  boot("9.0", true);
  EXPECT_FALSE(sb::trace::installedMethods().empty());
  EXPECT_TRUE(sb::trace::untracedMethods().empty());
  const std::string library = imageOf(libraryFunction());
  for (const InstalledMethod& m : sb::trace::installedMethods()) {
    IMP imp = class_getOwnMethodImplementation(objc_getClass(m.className.c_str()), sel(m.selector.c_str()));
    EXPECT_NE(imageOf(reinterpret_cast<const void*>(imp.fn)), library) << m.className << " " << m.selector;
  }
}

class CallTraceTest : public SampleLockTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CallTraceTest, ALockIsTracedInTheOrderSpringBoardAndTheLibrarySpeak) {
  std::string version = GetParam();
  boot(version, true).lock();
  std::vector<Event> events = sb::trace::takeEvents();
  auto own = ownRows();
  ASSERT_FALSE(own.empty());
  // The refresh is the replacement of loadView.
  size_t load = positionOf(events, Event::Kind::Call, "loadView");
  size_t saved = positionOf(events, Event::Kind::Saved, "loadView", load);
  ASSERT_LT(saved, events.size());
  EXPECT_TRUE(events[load].calledSaved);
  size_t firstAdd = positionOf(events, Event::Kind::Send, addSelector(version));
  EXPECT_GT(firstAdd, load);
  EXPECT_LT(firstAdd, saved);
  EXPECT_EQ(events[firstAdd].depth, events[load].depth + 1);
  // In composition order, which is the order of the reminders' numbers.
  std::vector<std::string> added;
  for (const Event& e : select(events, Event::Kind::Send, addSelector(version))) {
    // The library passes no reply; the trace cannot look into a block.
    if (version[0] != '7') {
      EXPECT_EQ(e.args.at(4), "<block>") << "reply";
    }
    added.push_back(e.args.at(1));
  }
  std::vector<std::string> expected;
  for (const auto& row : own) expected.push_back("BBBulletin " + quoted(row.bulletinID));
  std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
    return std::stoi(a.substr(a.find(' ', 12) + 1)) < std::stoi(b.substr(b.find(' ', 12) + 1));
  });
  EXPECT_EQ(added, expected);
  EXPECT_TRUE(select(events, Event::Kind::Send, "observer:removeBulletin:").empty());

  // Own row heights are written into SpringBoard's cache.
  std::vector<Event> writes = select(events, Event::Kind::Send, "setObject:forKey:");
  for (const auto& row : own) {
    auto write = std::find_if(writes.begin(), writes.end(), [&](const Event& e) {
      return e.args.at(1) == "SBAwayBulletinListItem " + quoted(row.bulletinID);
    });
    ASSERT_NE(write, writes.end()) << row.bulletinID;
    EXPECT_EQ(write->receiver, "SBLockScreenNotificationListView._heightForListItemCache");
    EXPECT_NEAR(std::stod(write->args.at(0)), row.height, 1e-3);
  }
  // SpringBoard's own writes for the other applications' rows are not messages the library sent.
  for (const Event& e : writes) EXPECT_NE(e.args.at(1).find("QuillstoneBriarwhistle"), std::string::npos);

  // Foreign rows bring the underlay back under the list's name (the sample settings choose blur mode 1).
  size_t underlay = positionOf(events, Event::Kind::Call, "_addLockContentUnderlayWithRequester:");
  while (underlay < events.size() && events[underlay].args.at(0) != quoted("QstNotificationList"))
    underlay = positionOf(events, Event::Kind::Call, "_addLockContentUnderlayWithRequester:", underlay + 1);
  ASSERT_LT(underlay, events.size());
  EXPECT_TRUE(events[underlay].calledSaved);
  ASSERT_LT(underlay + 1, events.size());
  EXPECT_EQ(events[underlay + 1].kind, Event::Kind::Saved);
  EXPECT_EQ(events[underlay + 1].args, std::vector<std::string>{quoted("NotificationList")});
  // It is asked from inside a foreign row's height.
  bool insideHeight = false;
  for (size_t i = underlay; i-- > 0;)
    if (events[i].depth < events[underlay].depth) {
      insideHeight = events[i].selector == "tableView:heightForRowAtIndexPath:";
      break;
    }
  EXPECT_TRUE(insideHeight);
}

using TraceLimitTest = SampleLockTest;

TEST_F(TraceLimitTest, ALongStepKeepsABoundedTraceAndCountsTheRest) {
  boot("7.1", true).lock();
  sb::trace::takeEvents();
  // Each count is a call and its pass to SpringBoard: two events.
  const size_t calls = sb::trace::kMaxEventsPerTake / 2 + 1000;
  for (size_t i = 0; i < calls; ++i) msgSend<NSUInteger>(device->listController(), "count");
  size_t omitted = 0;
  std::vector<Event> events = sb::trace::takeEvents(&omitted);
  EXPECT_EQ(events.size(), sb::trace::kMaxEventsPerTake);
  EXPECT_EQ(omitted, 2 * calls - sb::trace::kMaxEventsPerTake);
  msgSend<NSUInteger>(device->listController(), "count");
  EXPECT_EQ(sb::trace::takeEvents(&omitted).size(), 2u);
  EXPECT_EQ(omitted, 0u);
}

INSTANTIATE_TEST_SUITE_P(Versions, CallTraceTest, ::testing::Values("7.1", "9.0"));

// The tracer on a probe class with signatures neither SpringBoard nor the library has.
NSRange spanFrom(id, SEL, CGPoint origin, float scale, short count) {
  return NSRange{static_cast<NSUInteger>(origin.x * scale), static_cast<NSUInteger>(count)};
}
CGRect frameFor(id, SEL, unsigned char index, RealDouble delay, const char* name) {
  return CGRect{{static_cast<double>(index), delay}, {static_cast<double>(std::strlen(name)), 0}};
}
double gLevel = 0;
void setLevel(id, SEL, CGFloat level) { gLevel = level; }

IMP gSavedSpan;
NSRange spanReplacement(id self, SEL cmd, CGPoint origin, float scale, short count) {
  return imp_call<NSRange, CGPoint, float, short>(gSavedSpan, self, cmd, CGPoint{origin.x * 2, origin.y}, scale,
                                                  static_cast<short>(count + 1));
}
void setLevelAsFloat(id, SEL, float level) { gLevel = -level; }

struct TracerTest : ::testing::Test {
  Class probeClass = nil;
  id probe = nil;

  void SetUp() override {
    registerNSObject();
    probeClass = objc_allocateClassPair(standin::nsObjectClass(), "TraceProbe");
    objc_registerClassPair(probeClass);
    class_addMethod(probeClass, sel("spanFrom:scale:count:"), spanFrom);
    class_addMethod(probeClass, sel("setLevel:"), setLevel);
    probe = objc_new(probeClass);
  }
  void TearDown() override { objc_release(probe); }

  // What a module's initialiser does, between the loader's begin and end.
  template <class F>
  void loadModule(bool traceCalls, F initialiser) {
    sb::trace::beginModuleLoad(traceCalls);
    initialiser();
    sb::trace::endModuleLoad();
  }
};

TEST_F(TracerTest, MethodsOfUnforeseenSignaturesAreTracedAndPassedOnWhole) {
  loadModule(true, [&] {
    MSHookMessageEx(probeClass, sel("spanFrom:scale:count:"), spanReplacement, &gSavedSpan);
    class_addMethod(probeClass, sel("frameFor:after:named:"), frameFor);
  });
  NSRange span = msgSend<NSRange, CGPoint, float, short>(probe, "spanFrom:scale:count:", CGPoint{1.5, 2}, 4.0f, 6);
  EXPECT_TRUE(span.location == 12 && span.length == 7) << span.location << ", " << span.length;
  CGRect frame = msgSend<CGRect, unsigned char, RealDouble, const char*>(probe, "frameFor:after:named:", 7,
                                                                         RealDouble(0.5), "dot");
  EXPECT_TRUE(frame.origin.x == 7 && frame.origin.y == 0.5 && frame.size.width == 3 && frame.size.height == 0);

  // An added method's result is returned in memory.
  std::vector<std::string> events;
  for (const Event& e : sb::trace::takeEvents()) events.push_back(shown(e));
  EXPECT_EQ(events,
            (std::vector<std::string>{
                "0 call <TraceProbe> TraceProbe spanFrom:scale:count: ({1.5, 2}, 4, 6) = {12, 7} replaced saved",
                "1 saved <TraceProbe> TraceProbe spanFrom:scale:count: ({3, 2}, 4, 7) = {12, 7} replaced",
                "0 call <TraceProbe> TraceProbe frameFor:after:named: (7, 0.5, \"dot\") = {{7, 0.5}, {3, 0}}"}));
  EXPECT_TRUE(sb::trace::untracedMethods().empty());
}

class WrongSignatureTest : public TracerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WrongSignatureTest, IsListedAndRefusedAtTheFirstCall) {
  IMP saved;
  loadModule(GetParam(), [&] { MSHookMessageEx(probeClass, sel("setLevel:"), setLevelAsFloat, &saved); });
  ASSERT_EQ(sb::trace::installedMethods().size(), 1u);
  EXPECT_EQ(sb::trace::installedMethods()[0].types, "v@:d");
  EXPECT_FALSE(sb::trace::installedMethods()[0].signatureMatches);
  EXPECT_THROW((msgSend<void, CGFloat>(probe, "setLevel:", 0.5)), ObjCException);
  EXPECT_EQ(gLevel, 0);
}

INSTANTIATE_TEST_SUITE_P(TracedOrNot, WrongSignatureTest, ::testing::Bool());

}  // namespace
}  // namespace sbtest
