// The bulletin records composition fills and SpringBoard reads back.
#include <gtest/gtest.h>

#include "foundation/NSString.h"
#include "foundation/NSURL.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

const char* const kObjectFields[][2] = {
    {"title", "setTitle:"},
    {"message", "setMessage:"},
    {"subtitle", "setSubtitle:"},
    {"date", "setDate:"},
    {"publicationDate", "setPublicationDate:"},
    {"lastInterruptDate", "setLastInterruptDate:"},
    {"section", "setSection:"},
    {"bulletinID", "setBulletinID:"},
    {"defaultAction", "setDefaultAction:"},
};

TEST(BBBulletin, NewBulletinHasNothingSet) {
  AutoreleasePool pool;
  id bulletin = objc_new("BBBulletin");
  for (const auto& field : kObjectFields) EXPECT_EQ(msgSend<id>(bulletin, field[0]), nil) << field[0];
  EXPECT_FALSE(msgSend<BOOL>(bulletin, "dateIsAllDay"));
  objc_release(bulletin);
}

TEST(BBBulletin, EachFieldKeepsItsOwnValueAndOwnsIt) {
  AutoreleasePool pool;
  id bulletin = objc_new("BBBulletin");
  std::vector<id> values;
  for (const auto& field : kObjectFields) {
    id value = objc_new("NSObject");
    msgSend<void, id>(bulletin, field[1], value);
    values.push_back(value);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(msgSend<id>(bulletin, kObjectFields[i][0]), values[i]) << kObjectFields[i][0];
    EXPECT_EQ(objc_retainCount(values[i]), 2) << kObjectFields[i][0];
  }
  // Replacing a value releases the old one; nil clears the field.
  id replacement = objc_new("NSObject");
  msgSend<void, id>(bulletin, "setTitle:", replacement);
  EXPECT_EQ(objc_retainCount(values[0]), 1);
  msgSend<void, id>(bulletin, "setTitle:", replacement);
  EXPECT_EQ(objc_retainCount(replacement), 2);
  msgSend<void, id>(bulletin, "setSubtitle:", nil);
  EXPECT_EQ(msgSend<id>(bulletin, "subtitle"), nil);
  EXPECT_EQ(objc_retainCount(values[2]), 1);

  objc_release(bulletin);
  for (id value : values) EXPECT_EQ(objc_retainCount(value), 1);
  EXPECT_EQ(objc_retainCount(replacement), 1);
  for (id value : values) objc_release(value);
  objc_release(replacement);
}

TEST(BBBulletin, DateIsAllDayRoundTrips) {
  AutoreleasePool pool;
  id bulletin = objc_new("BBBulletin");
  msgSend<void, BOOL>(bulletin, "setDateIsAllDay:", YES);
  EXPECT_TRUE(msgSend<BOOL>(bulletin, "dateIsAllDay"));
  msgSend<void, BOOL>(bulletin, "setDateIsAllDay:", NO);
  EXPECT_FALSE(msgSend<BOOL>(bulletin, "dateIsAllDay"));
  objc_release(bulletin);
}

TEST(BBAction, LaunchURLActionOpensTheURL) {
  AutoreleasePool outer;
  id url = NSURLWithUTF8("x-apple-reminder://");
  const long held = objc_retainCount(url);
  {
    AutoreleasePool pool;
    id action = msgSend<id>(objc_getClass("BBAction"), "actionWithLaunchURL:callblock:", url, nil);
    EXPECT_EQ(msgSend<id>(action, "launchURL"), url);
    EXPECT_EQ(msgSend<id>(action, "launchBundleID"), nil);
    EXPECT_EQ(NSStringUTF8(msgSend<id>(action, "description")), "url x-apple-reminder://");
    EXPECT_EQ(objc_retainCount(url), held + 1);
  }
  // The action was autoreleased: draining the pool freed it and its hold.
  EXPECT_EQ(objc_retainCount(url), held);
}

TEST(BBAction, LaunchBundleActionLaunchesTheApplication) {
  AutoreleasePool pool;
  id action = msgSend<id>(objc_getClass("BBAction"), "actionWithLaunchBundleID:callblock:", NSStr("com.example.app"), nil);
  EXPECT_EQ(NSStringUTF8(msgSend<id>(action, "launchBundleID")), "com.example.app");
  EXPECT_EQ(msgSend<id>(action, "launchURL"), nil);
  EXPECT_EQ(NSStringUTF8(msgSend<id>(action, "description")), "bundle com.example.app");

  id bulletin = objc_new("BBBulletin");
  msgSend<void, id>(bulletin, "setDefaultAction:", action);
  EXPECT_EQ(msgSend<id>(bulletin, "defaultAction"), action);
  objc_release(bulletin);
}

}  // namespace
