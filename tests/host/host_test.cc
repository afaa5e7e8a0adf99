// The library's view of the platform, src/host/, over the simulator's backend.
#include <gtest/gtest.h>

#include "foundation/NSArray.h"
#include "host/foundation.h"
#include "feed/bulletin_id.h"
#include "foundation/NSString.h"

namespace {

id newObject() { return objc_new("NSObject"); }

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

// The own bulletin identifier through the one codec that composition, recognition and the list colour share.
std::string text(id s) { return standin::utf8Of(s); }

// What a reader with the given minimum finds: "found <text>", "short" or "no bar".
std::string colorRead(id bulletinID, NSUInteger minimum) {
  id colorText = nil;
  switch (qst::readListColorText(bulletinID, minimum, &colorText)) {
    case qst::ListColorText::Found: return "found " + text(colorText);
    case qst::ListColorText::TooShort: return "short";
    case qst::ListColorText::NoSeparator: return "no bar";
  }
  return "?";
}

TEST(BulletinID, WrittenRecognisedByAPlainPrefixAndReadBackByEachReaderAtItsMinimumLength) {
  AutoreleasePool pool;
  id written = qst::ownBulletinID(7, standin::str("1 0.5 0 1"));
  EXPECT_EQ(text(written), "QuillstoneBriarwhistle 7|1 0.5 0 1");
  EXPECT_TRUE(qst::isOwnBulletinID(written));
  EXPECT_EQ(colorRead(written, 22), "found 1 0.5 0 1");  // the title's reader
  EXPECT_EQ(colorRead(written, 11), "found 1 0.5 0 1");  // the dot's reader

  // No colour: the identifier ends with its bar and reads back empty.
  id bare = qst::ownBulletinID(4294967295u, nil);
  EXPECT_EQ(text(bare), "QuillstoneBriarwhistle 4294967295|");
  EXPECT_EQ(colorRead(bare, 22), "found ");
  // Recognition is a plain, case-sensitive prefix.
  EXPECT_TRUE(qst::isOwnBulletinID(standin::str("QuillstoneBriarwhistleX")));
  EXPECT_FALSE(qst::isOwnBulletinID(standin::str("quillstoneBriarwhistle 0|")));
  EXPECT_FALSE(qst::isOwnBulletinID(standin::str(" QuillstoneBriarwhistle 0|")));
  EXPECT_FALSE(qst::isOwnBulletinID(nil));
  // Each reader keeps its own minimum length.
  id twelve = standin::str("Quillstone|1");  // 12 characters
  EXPECT_EQ(colorRead(twelve, 11), "found 1");
  EXPECT_EQ(colorRead(twelve, 22), "short");
  EXPECT_EQ(colorRead(nil, 11), "short");
  EXPECT_EQ(colorRead(standin::str("QuillstoneBriarwhistle 3"), 22), "no bar");
  // Parts after a second bar are not the colour's.
  EXPECT_EQ(colorRead(standin::str("QuillstoneBriarwhistle 3|0 0 1 1|extra"), 22), "found 0 0 1 1");
}

}  // namespace
