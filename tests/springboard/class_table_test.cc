// The compiled-in table of SpringBoard's classes per version: it parses, it
// holds what the list's code relies on, its types encode as the device's
// compiler writes them, and a malformed table is refused by line.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "classes/class_table.h"

namespace sbtest {
namespace {

using namespace sb::table;

// Classes the table names as superclasses but leaves to the frameworks.
const std::set<std::string> kFrameworkRoots = {"NSObject",        "UIView",        "UIViewController",
                                               "UITableViewCell", "UIApplication", "FBSystemApp"};

TEST(ClassTableTest, TheShippedTableParsesForEveryVersionWithEachSuperclassKnown) {
  ASSERT_EQ(versions().size(), 11u);
  for (const std::string& version : versions()) {
    SCOPED_TRACE(version);
    const std::vector<ClassEntry>& classes = classesFor(version);
    ASSERT_GE(classes.size(), 12u);
    EXPECT_EQ(classes.front().name, "SpringBoard");
    EXPECT_TRUE(classes.front().members.empty());
    std::set<std::string> names;
    for (const ClassEntry& c : classes) names.insert(c.name);
    for (const ClassEntry& c : classes) {
      EXPECT_TRUE(names.count(c.superclass) || kFrameworkRoots.count(c.superclass))
          << c.name << " : " << c.superclass << " is neither in the table nor a framework class";
      EXPECT_FALSE(c.superclassSource.empty());
      bool methodsBegun = false;
      for (const Member& m : c.members) {
        EXPECT_FALSE(m.source.empty()) << c.name << " " << m.name;
        if (m.kind != 'i') methodsBegun = true;
        EXPECT_FALSE(methodsBegun && m.kind == 'i') << c.name << " lists ivar " << m.name << " after a method";
      }
    }
  }
  EXPECT_EQ(classFor("9.3", "SBNoSuchClass"), nullptr);
  for (const char* unknown : {"", "6.1", "9.4", "9.3.3", "7", "7.0 "}) {
    EXPECT_THROW(classesFor(unknown), std::invalid_argument) << unknown;
    EXPECT_THROW(classFor(unknown, "SpringBoard"), std::invalid_argument) << unknown;
  }
}

// What the class dumps show of the members the list relies on, version by
// version: the table is derived from them, so a fault in the derivation
// shows here.
struct Fact {
  const char* cls;
  char kind;
  const char* member;
  const char* first;  // the first and last version that have it
  const char* last;
  const char* type;  // "" for any
};

const Fact kFacts[] = {
    {"SBLockScreenNotificationListController", '-', "turnOnScreenIfNecessaryForItem:", "7.0", "8.4", "void(id)"},
    {"SBLockScreenNotificationListController", '-', "turnOnScreenIfNecessaryForItem:withCompletion:", "9.0", "9.3",
     "void(id,block)"},
    {"SBLockScreenNotificationListController", '-', "observer:addBulletin:forFeed:", "7.0", "7.1", ""},
    {"SBLockScreenNotificationListController", '-',
     "observer:addBulletin:forFeed:playLightsAndSirens:withReply:", "8.0", "9.3", "void(id,id,NSUInteger,BOOL,block)"},
    {"SBLockScreenNotificationListController", '-', "count", "7.0", "9.3", "NSUInteger()"},
    {"SBLockScreenNotificationListController", '+', "count", "", "", ""},  // kinds are kept apart
    {"SBLockScreenNotificationListController", 'i', "_notificationView", "7.0", "9.3", ""},
    {"SBAwayListItem", '-', "canBeClearedByNotificationCenter", "7.0", "8.4", "BOOL()"},
    {"SBAwayBulletinListItem", '-', "canBeClearedByNotificationCenter", "7.0", "8.4", "BOOL()"},
    {"SBAwayBulletinListItem", '-', "canBeRemovedByNotificationCenterPresentation", "9.0", "9.3", "BOOL()"},
    {"SBAwayBulletinListItem", '-', "canBeRemovedByUnlock", "9.0", "9.3", "BOOL()"},
    {"SBLockScreenNotificationBulletinBannerItem", '-', "_bulletinListItem", "7.0", "9.3", "id()"},
    {"SBLockScreenNotificationBulletinBannerItem", 'i', "_bulletinListItem", "", "", ""},
    {"SBLockScreenNotificationBannerItem", 'i', "_listItem", "7.0", "9.3", ""},
    {"SBLockScreenNotificationBannerItem", '-', "setListItem:", "", "", ""},  // a read-only property
    {"SBLockScreenNotificationCell", '-', "initWithStyle:reuseIdentifier:", "7.0", "9.3", "id(NSInteger,id)"},
    {"SBLockScreenNotificationCell", '-', "setContentAlpha:", "7.0", "9.3", "void(CGFloat)"},
    {"SBLockScreenNotificationCell", 'i', "_currentContentAlpha", "7.0", "9.3", "CGFloat"},
    {"SBLockScreenNotificationCell", 'i', "_unlockTextLabel", "7.0", "9.3", ""},
    {"SBLockScreenBulletinCell", '-', "layoutSubviews", "", "", ""},  // inherited only
};

TEST(ClassTableTest, EachVersionHasTheMembersTheListRelies) {
  for (const std::string& v : versions()) {
    for (const Fact& f : kFacts) {
      SCOPED_TRACE(v + " " + f.cls + " " + f.member);
      const ClassEntry* entry = classFor(v, f.cls);
      ASSERT_NE(entry, nullptr);
      const Member* m = memberOf(*entry, f.kind, f.member);
      const bool expected = *f.first && v >= f.first && v <= f.last;
      ASSERT_EQ(m != nullptr, expected);
      if (m && *f.type) {
        EXPECT_EQ(m->type, f.type);
      }
    }
    EXPECT_EQ(classFor(v, "SBLockScreenNotificationListController")->superclass, "UIViewController");
    EXPECT_EQ(classFor(v, "SBNotificationCell")->superclass, "UITableViewCell");
    EXPECT_EQ(classFor(v, "SpringBoard")->superclass, v >= "8.0" ? "FBSystemApp" : "UIApplication");
  }
}

TEST(ClassTableTest, TypesEncodeAsEachSlicesCompilerWritesThem) {
  const DeviceSlice arm64 = DeviceSlice::Arm64, armv7 = DeviceSlice::Armv7;
  EXPECT_EQ(methodEncoding("NSUInteger()", arm64), "Q@:");
  EXPECT_EQ(methodEncoding("NSUInteger()", armv7), "I@:");
  EXPECT_EQ(methodEncoding("void(id,NSUInteger)", arm64), "v@:@Q");
  EXPECT_EQ(methodEncoding("void(id,NSUInteger)", armv7), "v@:@I");
  EXPECT_EQ(methodEncoding("BOOL(NSInteger)", arm64), "B@:q");
  EXPECT_EQ(methodEncoding("BOOL(NSInteger)", armv7), "c@:i");
  EXPECT_EQ(methodEncoding("CGRect(BOOL)", arm64), "{CGRect={CGPoint=dd}{CGSize=dd}}@:B");
  EXPECT_EQ(methodEncoding("CGRect(BOOL)", armv7), "{CGRect={CGPoint=ff}{CGSize=ff}}@:c");
  // A time interval stays a double where a CGFloat narrows.
  EXPECT_EQ(methodEncoding("void(CGFloat,double)", arm64), "v@:dd");
  EXPECT_EQ(methodEncoding("void(CGFloat,double)", armv7), "v@:fd");
  EXPECT_EQ(methodEncoding("double()", armv7), "d@:");
  EXPECT_EQ(methodEncoding("void(id,id,NSUInteger,BOOL,block)", armv7), "v@:@@Ic@?");
  EXPECT_EQ(methodEncoding("void(id*,id)", armv7), "v@:^@@");
  EXPECT_EQ(methodEncoding("id(NSZone*)", arm64), "@@:^{_NSZone=}");
  EXPECT_EQ(methodEncoding("void(UIEdgeInsets)", armv7), "v@:{UIEdgeInsets=ffff}");
  EXPECT_EQ(methodEncoding("void(NSRange)", arm64), "v@:{_NSRange=QQ}");

  EXPECT_EQ(ivarEncoding("NSMutableArray*", armv7), "@\"NSMutableArray\"");
  EXPECT_EQ(ivarEncoding("id", arm64), "@");
  EXPECT_EQ(ivarEncoding("id<SBUIBannerTarget>", arm64), "@\"<SBUIBannerTarget>\"");
  EXPECT_EQ(ivarEncoding("SBSlideUpAppGrabberView<SBLegibility,_SBFVibrantView>*", armv7),
            "@\"SBSlideUpAppGrabberView<SBLegibility><_SBFVibrantView>\"");
  EXPECT_EQ(ivarEncoding("BOOL", arm64), "B");
  EXPECT_EQ(ivarEncoding("BOOL", armv7), "c");
  EXPECT_EQ(ivarEncoding("CGFloat", armv7), "f");
  EXPECT_EQ(ivarEncoding("double", armv7), "d");
  EXPECT_EQ(ivarEncoding("CGPoint", armv7), "{CGPoint=ff}");
  EXPECT_EQ(ivarEncoding("block", armv7), "@?");
  EXPECT_EQ(ivarEncoding("struct-__IOHIDEvent*", arm64), "^{__IOHIDEvent=}");

  for (const char* bad : {"", "(", ")", "void", "id(", "void(id", "void(,)", "void(id,)", "int(void)", "id<P>()",
                          "void(id))", "NSString()", "long()", "void(struct-)", "void(double*)"})
    EXPECT_THROW(methodEncoding(bad, arm64), std::invalid_argument) << '"' << bad << '"';
  for (const char* bad : {"", "void", "NSString", "id<>", "id<P", "UIView<P>", "id<P>*", "void(id)", "block*", "NSZone",
                          "*", "unsigned long"})
    EXPECT_THROW(ivarEncoding(bad, armv7), std::invalid_argument) << '"' << bad << '"';
  // Input of any size is refused, not overrun.
  EXPECT_THROW(methodEncoding(std::string(100000, '('), arm64), std::invalid_argument);
  EXPECT_THROW(ivarEncoding(std::string(100000, '<'), arm64), std::invalid_argument);
  std::string manyArguments = "void(id";
  for (int i = 0; i < 70; ++i) manyArguments += ",id";
  EXPECT_THROW(methodEncoding(manyArguments + ")", arm64), std::invalid_argument);
}

TEST(ClassTableTest, AMalformedRowIsRefusedNamingItsLine) {
  const std::string good = "# comment\nA\t7.0-9.3\tsuperclass\tNSObject\t-\ts\n";
  Table ok = parseTable(good + "A\t7.0-7.1,9.0\t-\tfoo:bar:\tvoid(id,BOOL)\ts\n");
  ASSERT_EQ(ok.byVersion.size(), versions().size());
  EXPECT_EQ(ok.byVersion[1].at(0).members.size(), 1u);  // 7.1
  EXPECT_TRUE(ok.byVersion[2].at(0).members.empty());   // 8.0
  EXPECT_EQ(ok.byVersion[7].at(0).members.size(), 1u);  // 9.0

  auto refusedAtLine3 = [&](const std::string& row, const char* why) {
    try {
      parseTable(good + row);
      ADD_FAILURE() << why << ": accepted";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << why << ": " << e.what();
    }
  };
  refusedAtLine3("A\t7.0\tivar\t_x\tint\n", "five fields");
  refusedAtLine3("A\t7.0\tivar\t_x\tint\ts\textra\n", "seven fields");
  refusedAtLine3("A\t7.0\tivar\t\tint\ts\n", "an empty member");
  refusedAtLine3("A\t6.1\tivar\t_x\tint\ts\n", "an unknown version");
  refusedAtLine3("A\t9.3-7.0\tivar\t_x\tint\ts\n", "a range run backwards");
  refusedAtLine3("A\t7.0,7.0\tivar\t_x\tint\ts\n", "a version twice");
  refusedAtLine3("A\t7.0-\tivar\t_x\tint\ts\n", "an open range");
  refusedAtLine3("A\t7.0\tproperty\tx\tint\ts\n", "an unknown kind");
  refusedAtLine3("A\t7.0\tivar\t_x\tNSString\ts\n", "a type outside the vocabulary");
  refusedAtLine3("A\t7.0\t-\tfoo:\tvoid()\ts\n", "arguments short of the selector's colons");
  refusedAtLine3("A\t7.0\t-\tfoo bar\tvoid()\ts\n", "a selector with a space");
  refusedAtLine3("A\t7.0\tsuperclass\tUIView\t-\ts\n", "a second superclass");
  refusedAtLine3("A\t7.0\tsuperclass\tNSObject\tid\ts\n", "a superclass with a type");
  refusedAtLine3("B\t7.0\tivar\t_x\tint\ts\n", "members of a class without a superclass");
  refusedAtLine3("B\t7.0\tsuperclass\tB\t-\ts\n", "a class its own superclass");
  EXPECT_THROW(parseTable(good + "A\t7.0\tivar\t_x\tint\ts\nA\t7.0-7.1\tivar\t_x\tBOOL\ts\n"), std::logic_error);
  EXPECT_NO_THROW(parseTable(good + "A\t7.0\tivar\t_x\tint\ts\nA\t7.1\tivar\t_x\tBOOL\ts\n"));
}

}  // namespace
}  // namespace sbtest
