// The bulletin records composition fills and SpringBoard reads back.
#include <gtest/gtest.h>

#include "foundation/NSString.h"
#include "foundation/NSURL.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

TEST(BBAction, LaunchURLActionOpensTheURL) {
  AutoreleasePool outer;
  id url = standin::urlWithUTF8("x-apple-reminder://");
  const long held = objc_retainCount(url);
  {
    AutoreleasePool pool;
    id action = msgSend<id>(objc_getClass("BBAction"), "actionWithLaunchURL:callblock:", url, nil);
    EXPECT_EQ(msgSend<id>(action, "launchURL"), url);
    EXPECT_EQ(msgSend<id>(action, "launchBundleID"), nil);
    EXPECT_EQ(standin::utf8Of(msgSend<id>(action, "description")), "url x-apple-reminder://");
    EXPECT_EQ(objc_retainCount(url), held + 1);
  }
  // The action was autoreleased: draining the pool freed it and its hold.
  EXPECT_EQ(objc_retainCount(url), held);
}

}  // namespace
