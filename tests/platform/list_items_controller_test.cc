// Preferences' choice page (PSListItemsController), as a choice row of a pane opens it in the Settings app.
#include <gtest/gtest.h>

#include "foundation/NSArray.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSLog.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "preferences/preferences.h"
#include "runtime/autorelease.h"
#include "runtime/images.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

// What the row's target was handed and asked.
id gValue = nil;
id gSetRow = nil, gAskedRow = nil;
int gSets = 0;

id getValue(id, SEL, id) { return gValue; }
void setValue(id, SEL, id value, id row) {
  objc_retain(value);
  objc_release(gValue);
  gValue = value;
  gSetRow = row;
  ++gSets;
}
id choiceValues(id, SEL) {
  return standin::arrayWith({standin::numberWithLongLong(10), standin::numberWithLongLong(20)});
}
id choiceTitlesForSpecifier(id, SEL, id row) {
  gAskedRow = row;
  return standin::arrayWith({standin::str("Ten"), standin::str("Twenty")});
}

class ChoicePage : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::setLogEcho(false);
    Class target = objc_getClass("ChoiceTarget");
    if (!target) {
      target = objc_allocateClassPair(standin::nsObjectClass(), "ChoiceTarget");
      class_addMethod(target, sel("value:"), getValue);
      class_addMethod(target, sel("setValue:specifier:"), setValue);
      class_addMethod(target, sel("choiceValues"), choiceValues);
      class_addMethod(target, sel("choiceTitlesForSpecifier:"), choiceTitlesForSpecifier);
      objc_registerClassPair(target);
    }
    target_ = objc_autorelease(objc_new(target));
    list_ = objc_autorelease(objc_new("PSListController"));
    current(1);
  }
  void TearDown() override { objc_release(std::exchange(gValue, nil)); }

  // What the row's getter answers from now on.
  static void current(long long value) { setValue(nil, nullptr, standin::numberWithLongLong(value), nil), gSets = 0; }

  // A choice row of `target_` offering 0, 1, 2 as "A", "B", "C", whose page is Preferences'.
  id choiceRow(SEL get = sel("value:"), SEL set = sel("setValue:specifier:")) {
    id row = msgSend<id, id, id, SEL, SEL, id, NSInteger, id>(
        objc_getClass("PSSpecifier"),
        "preferenceSpecifierNamed:target:set:get:detail:cell:edit:", standin::str("Order"), target_, set, get,
        objc_getClass("PSListItemsController"), PSLinkListCell, nil);
    id values = standin::arrayWith(
        {standin::numberWithLongLong(0), standin::numberWithLongLong(1), standin::numberWithLongLong(2)});
    msgSend<void, id, id>(row, "setValues:titles:", values,
                          standin::arrayWith({standin::str("A"), standin::str("B"), standin::str("C")}));
    return row;
  }

  id open(id row) { return msgSend<id, id>(list_, "controllerForSpecifier:", row); }

  // The page's items as it shows them: "title: on" for the ticked one, "title: off" for the others.
  static std::vector<std::string> shown(id page) {
    std::vector<std::string> items;
    for (id item : standin::arrayItems(msgSend<id>(page, "specifiers"))) {
      if (msgSend<NSInteger>(item, "cellType") == PSGroupCell) continue;
      EXPECT_EQ(msgSend<NSInteger>(item, "cellType"), PSListItemCell);
      id cell = msgSend<id, id, id>(page, "tableView:cellForRowAtIndexPath:", nil,
                                    msgSend<id, id>(page, "indexPathForSpecifier:", item));
      items.push_back(standin::utf8Of(msgSend<id>(item, "name")) +
                      (msgSend<BOOL>(cell, "isChecked") ? ": on" : ": off"));
    }
    return items;
  }
  static void tap(id page, NSInteger row, NSInteger section = 0) {
    msgSend<void, id, id>(page, "tableView:didSelectRowAtIndexPath:", nil, standin::indexPathForRow(row, section));
  }

  ObjcProcess settings_{"/Applications/Preferences.app",
                        {kObjcImage, kFoundationImage, kUIKitImage, kCoreImageImage, kPreferencesImage}};
  ObjcProcessScope inApp_{settings_};
  AutoreleasePool pool_;
  id target_ = nil, list_ = nil;
};

// The row's target answers the values and titles when the row names both sources; a source it lacks leaves the
// row's own.
TEST_F(ChoicePage, TakesItsChoicesFromTheTargetsDataSourcesWhenTheRowNamesThem) {
  id row = choiceRow();
  msgSend<void, id, id>(row, "setProperty:forKey:", standin::str("choiceValues"), standin::str("valuesDataSource"));
  msgSend<void, id, id>(row, "setProperty:forKey:", standin::str("choiceTitlesForSpecifier:"),
                        standin::str("titlesDataSource"));
  current(20);
  id page = open(row);
  EXPECT_EQ(shown(page), (std::vector<std::string>{"Ten: off", "Twenty: on"}));
  EXPECT_EQ(gAskedRow, row) << "a source with an argument is given the row";
  tap(page, 0);
  EXPECT_TRUE((msgSend<BOOL, id>(gValue, "isEqual:", standin::numberWithLongLong(10))));

  for (const char* values : {"noSuchValues", ""}) {
    id own = choiceRow();
    msgSend<void, id, id>(own, "setProperty:forKey:", standin::str(values), standin::str("valuesDataSource"));
    msgSend<void, id, id>(own, "setProperty:forKey:", standin::str("choiceTitlesForSpecifier:"),
                          standin::str("titlesDataSource"));
    EXPECT_EQ(shown(open(own)), (std::vector<std::string>{"A: off", "B: off", "C: off"})) << values;
  }
  id onlyValues = choiceRow();
  msgSend<void, id, id>(onlyValues, "setProperty:forKey:", standin::str("choiceValues"),
                        standin::str("valuesDataSource"));
  EXPECT_EQ(shown(open(onlyValues)).size(), 3u) << "both sources or none";
}

// A page without a row, a row without getter, setter or titles, taps beside the items: nothing breaks, nothing is
// written.
TEST_F(ChoicePage, OddRowsAndStrayTapsNeitherBreakNorWrite) {
  id alone = objc_autorelease(objc_new("PSListItemsController"));
  EXPECT_EQ(standin::arrayItems(msgSend<id>(alone, "specifiers")).size(), 1u) << "its group alone";
  tap(alone, 0);

  id page = open(choiceRow(nullptr, nullptr));
  EXPECT_EQ(shown(page), (std::vector<std::string>{"A: off", "B: off", "C: off"})) << "no getter ticks nothing";
  tap(page, 1);
  id wrongTarget = choiceRow(sel("noSuchGetter:"), sel("noSuchSetter:specifier:"));
  tap(open(wrongTarget), 1);
  tap(open(choiceRow()), 7);
  tap(open(choiceRow()), 0, 3);
  msgSend<void, id, id>(open(choiceRow()), "tableView:didSelectRowAtIndexPath:", nil, nil);
  EXPECT_EQ(gSets, 0);

  id untitled = choiceRow();
  msgSend<void, id, id>(untitled, "setValues:titles:", standin::arrayWith({standin::numberWithLongLong(1)}),
                        standin::arrayWith({}));
  EXPECT_EQ(shown(open(untitled)), std::vector<std::string>{": on"}) << "an untitled value is still offered";

  id noPage = choiceRow();
  msgSend<void, id>(noPage, "setDetailControllerClass:", nil);
  EXPECT_EQ(open(noPage), nil);
}

TEST(PreferencesImage, ItsClassesAreFoundOnlyInAProcessThatLoadedIt) {
  ObjcProcess withoutPreferences{"/Applications/MobileNotes.app", {kObjcImage, kFoundationImage, kUIKitImage}};
  ObjcProcess settings{"/Applications/Preferences.app", {kObjcImage, kFoundationImage, kUIKitImage, kPreferencesImage}};
  {
    ObjcProcessScope inNotes(withoutPreferences);
    EXPECT_EQ(objc_getClass("PSListItemsController"), nil);
    EXPECT_EQ(objc_getClass("PSListController"), nil);
  }
  ObjcProcessScope inApp(settings);
  Class page = objc_getClass("PSListItemsController");
  ASSERT_NE(page, nil);
  EXPECT_STREQ(class_getImageName(page), kPreferencesImage);
  EXPECT_EQ(class_getSuperclass(page), objc_getClass("PSListController"));
}

}  // namespace
