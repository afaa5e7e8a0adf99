// The library's view of the platform, src/host/, over the simulator's
// backend: the array walk, the saved-implementation call, kind tests by
// class name and the comparator hand-over.
#include <gtest/gtest.h>

#include "foundation/NSArray.h"
#include "host/eventkit.h"
#include "host/foundation.h"
#include "host/springboard.h"
#include "host/uikit.h"

namespace {

struct Plain : objc_object {};

id newObject() { return objc_new("NSObject"); }

// A walk that empties the array as it goes still visits every element that
// was there when it started, in order, and each is alive when visited: the
// array's own retains are gone by then.
TEST(HostEach, WalksTheArrayAsItWasWhenTheWalkBegan) {
  AutoreleasePool pool;
  id a = newObject(), b = newObject(), c = newObject();
  id array = standin::mutableArrayWith({a, b, c});
  for (id x : {a, b, c}) objc_release(x);  // the array holds the only references

  std::vector<id> seen;
  for (id x : qst::each(array)) {
    msgSend<void>(array, "removeAllObjects");
    EXPECT_GE(objc_retainCount(x), 1);
    seen.push_back(x);
  }
  EXPECT_EQ(seen, (std::vector<id>{a, b, c}));
  EXPECT_EQ(qst::count(array), 0u);
}

// The hook table's mechanism: a replacement made from a plain function, its
// saved implementation called with a structure argument and a length result.
qst::Saved<CGFloat(id, SEL, CGRect)> savedArea;
CGFloat area(id, SEL, CGRect r) { return r.size.width * r.size.height; }
CGFloat doubledArea(id self, SEL cmd, CGRect r) { return 2 * savedArea(self, cmd, r); }

TEST(HostSaved, ReplacementCallsTheSavedImplementationWithItsArguments) {
  Class cls = objc_defineClass<Plain>(standin::nsObjectClass(), "HostTestShape");
  class_addMethod(cls, sel("areaOf:"), qst::Replacement(area).imp, "d@:{CGRect={CGPoint=dd}{CGSize=dd}}");
  MSHookMessageEx(cls, sel("areaOf:"), qst::Replacement(doubledArea).imp, savedArea.slot());
  ASSERT_TRUE(savedArea);
  id shape = objc_new(cls);
  EXPECT_EQ((msgSend<CGFloat, CGRect>(shape, "areaOf:", CGRectMake(1, 2, 3, 4))), 24.0);
  objc_release(shape);
}

NSInteger byText(id a, id b) { return standin::utf8Of(a).compare(standin::utf8Of(b)); }

TEST(HostEventKit, SortTakesAPlainComparisonFunction) {
  AutoreleasePool pool;
  id array = standin::mutableArrayWith({standin::str("pear"), standin::str("apple"), standin::str("fig")});
  qst::sortUsingComparator(array, byText);
  std::vector<std::string> sorted;
  for (id s : standin::arrayItems(array)) sorted.push_back(standin::utf8Of(s));
  EXPECT_EQ(sorted, (std::vector<std::string>{"apple", "fig", "pear"}));
}

}  // namespace
