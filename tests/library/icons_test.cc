#include <typeinfo>

#include "bridge.h"
#include "lock_screen.h"
#include "machine.h"
#include "runtime/type_encoding.h"
#include "uikit/UIGraphics.h"
#include "coregraphics/CGContext.h"
#include "uikit/UIColor.h"
#include "uikit/UIImage.h"
#include "../platform/image_writers.h"

namespace qst_test {
namespace {

// Edges are antialiased: a pixel matches within a few levels per channel.
::testing::AssertionResult near(standin::ImagePixel got, standin::ImagePixel want) {
  auto close = [](int a, int b) { return a - b < 8 && b - a < 8; };
  if (close(got.r, want.r) && close(got.g, want.g) && close(got.b, want.b) && close(got.a, want.a))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel " << int(got.r) << "," << int(got.g) << "," << int(got.b) << ","
                                       << int(got.a);
}

// The drawing helpers the library exports for other tweaks, called as such a tweak calls them.
template <class F>
struct Exported;
template <class R, class... A>
struct Exported<R(A...)> {
  static R (*find(const char* symbol))(A...) {
    // SpringBoard's load-in is the only image these tests load.
    if (std::vector<emu::Machine*> loaded = emu::Machine::all(); !loaded.empty()) {
      emu::Machine* machine = loaded.front();
      for (const auto& s : machine->slice().symbols)
        if (s.name == std::string("_") + symbol)
          return reinterpret_cast<R (*)(A...)>(emu::guestImplementation(*machine, s.address + machine->slide(),
                                                                        objc_encodeFunction<R, A...>(),
                                                                        objc_realDoublesOf<R, A...>(), &typeid(R(A...)))
                                                   .fn);
      throw std::runtime_error(std::string("no symbol ") + symbol);
    }
    return reinterpret_cast<R (*)(A...)>(moduleSymbol(symbol));
  }
};

class Icons : public LockScreenTest {
 protected:
  id drawColoredDot(id color, CGFloat diameter) {
    return Exported<id(id, CGFloat)>::find("drawColoredDot")(color, diameter);
  }
  id colorFromHexString(id text) { return Exported<id(id)>::find("colorFromHexString")(text); }
  id roundedRect(id image, CGFloat radius) {
    return Exported<id(id, CGFloat)>::find("roundedRectImageFromImage")(image, radius);
  }
};

TEST_F(Icons, HexColoursAndRoundedCornersCutWithTheMiddleKept) {
  boot();
  // 128/255 is worked out in a 32-bit slice's float; an eight-digit text's alpha is ignored.
  const float half = static_cast<float>(128 / 255.0);
  for (const auto& [text, want] :
       std::vector<std::pair<const char*, std::array<float, 4>>>{{"#FF8000", {1, half, 0, 1}},
                                                                 {"#FF800080", {1, half, 0, 1}},
                                                                 {"FF8000", {1, 1, 1, 1}},
                                                                 {nullptr, {1, 1, 1, 1}},
                                                                 {"#zz8000", {0, 0, 0, 1}}}) {
    auto c = rgba(colorFromHexString(text ? standin::str(text) : nil));
    EXPECT_EQ((std::array<float, 4>{float(c[0]), float(c[1]), float(c[2]), float(c[3])}), want)
        << (text ? text : "nil");
  }

  id square = drawColoredDot(standin::colorWithRGBA(0, 0, 1, 1), 80);  // a disc filling the canvas
  EXPECT_EQ(roundedRect(square, 0), square);
  EXPECT_EQ(roundedRect(nil, 3), nil);
  UIGraphicsBeginImageContext(CGSizeMake(40, 40));
  CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 1, 0, 0, 1);
  CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 40, 40));
  id solid = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  id rounded = roundedRect(solid, 3);  // corners of 9 points, at the screen's scale 2
  ASSERT_EQ(standin::imagePixelWidth(rounded), 80);
  EXPECT_EQ(standin::readImagePixel(rounded, 0, 0).a, 0);
  EXPECT_EQ(standin::readImagePixel(rounded, 79, 79).a, 0);
  EXPECT_EQ(standin::readImagePixel(rounded, 40, 40), (standin::ImagePixel{255, 0, 0, 255}));
  EXPECT_EQ(standin::readImagePixel(rounded, 40, 0), (standin::ImagePixel{255, 0, 0, 255}));  // the edge's middle stays
}

class RowIcons : public LockScreenTest {
 protected:
  // SpringBoard's application icons for the sections in these tests.
  void installAppIcons() {
    for (const char* section : {"com.apple.MobileSMS", "com.apple.reminders"}) {
      std::string devicePath = "/var/mobile/Library/SpringBoard/Icons/" + std::string(section) + "@2x.png";
      root.file(devicePath, "");
      AutoreleasePool inner;
      UIGraphicsBeginImageContext(CGSizeMake(30, 30));
      CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 0, 0, 1, 1);
      CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 30, 30));
      standin::writeImagePNG(UIGraphicsGetImageFromCurrentImageContext(), root.path() + devicePath);
      UIGraphicsEndImageContext();
    }
  }
  sb::Device& lockWithIcon(const std::string& iconFile) {
    reminders({{"SUMMARY:a"}}, "#00FF00");
    root.notifications(kMessage);
    root.settings({{"iconFile", iconFile}});
    auto& d = boot();
    installAppIcons();
    d.lock();
    return d;
  }
  std::optional<sb::IconState> iconOf(const std::string& prefix) { return rows(prefix).at(0).icon; }
  // The icon SpringBoard gets for a row when it draws it.
  id iconAt(NSInteger row) {
    return msgSend<id>(msgSend<id, id>(device->listController(), "listItemAtIndexPath:", indexPath(row)), "iconImage");
  }
};

// How far the drawn part of an icon reaches across its middle line, in pixels.
struct Span {
  int first = -1, last = -1;
  int width() const { return first < 0 ? 0 : last - first + 1; }
};
Span opaqueSpanAcrossTheMiddle(id image) {
  Span span;
  const int y = standin::imagePixelHeight(image) / 2;
  for (int x = 0; x < standin::imagePixelWidth(image); ++x) {
    if (standin::readImagePixel(image, x, y).a <= 127) continue;
    if (span.first < 0) span.first = x;
    span.last = x;
  }
  return span;
}

// A dot of diameter d with its 2-point outline spans d + 2 points: black rim, the list's colour within.
TEST_F(RowIcons, DotsAreThirtyAndFiftyPointsAcrossInTheListsColour) {
  for (const auto& [setting, across] : {std::pair<const char*, int>{"DOT", 32}, {"DOT_LARGE", 52}}) {
    SCOPED_TRACE(setting);
    root.settings({{"iconFile", std::string(setting)}});
    if (!device)
      lockWithIcon(setting);
    else
      device->relock();
    id icon = iconAt(rowOf("QuillstoneBriarwhistle"));
    ASSERT_TRUE(icon);
    ASSERT_EQ(standin::imagePixelWidth(icon), 80);
    Span span = opaqueSpanAcrossTheMiddle(icon);
    EXPECT_EQ(span.width(), across);
    EXPECT_EQ(span.first, 40 - across / 2);
    EXPECT_TRUE(near(standin::readImagePixel(icon, span.first, 40), {0, 0, 0, 255}));
    EXPECT_EQ(standin::readImagePixel(icon, 40, 40), (standin::ImagePixel{0, 255, 0, 255}));
    EXPECT_EQ(iconOf("QuillstoneBriarwhistle")->width, 80);
  }
}

TEST_F(RowIcons, AnIdentifierWithoutAColourGetsAWhiteDot) {
  lockWithIcon("DOT_LARGE");
  device->deliver(bulletin("QuillstoneBriarwhistle no bar"));
  auto white = iconOf("QuillstoneBriarwhistle no bar");
  ASSERT_TRUE(white);
  EXPECT_EQ(white->centerPixel, (std::array<int, 4>{255, 255, 255, 255}));
  EXPECT_GE(logged("QST: did not find custom color string! (1)"), 1);
}

TEST_F(RowIcons, NoneHidesTheOwnIconsOnly) {
  lockWithIcon("NONE");
  EXPECT_FALSE(iconOf("QuillstoneBriarwhistle"));
  auto foreign = iconOf("com.apple.MobileSMS");
  ASSERT_TRUE(foreign);
  EXPECT_EQ(foreign->centerPixel, (std::array<int, 4>{0, 0, 255, 255}));
}

using StandInAnswers = LockScreenTest;

// A list without a colour gives EventKit's calendar no CGColor.
// The store gives every calendar a colour, so a list that names none still
// has a filled dot.
TEST_F(StandInAnswers, AListWithoutAColourGetsTheStoresOwnAndAFilledDot) {
  reminders({{"SUMMARY:a"}}, "");
  root.settings({{"iconFile", std::string("DOT_LARGE")}});
  boot().lock();
  const auto own = rows("QuillstoneBriarwhistle");
  ASSERT_EQ(own.size(), 1u);
  ASSERT_TRUE(own[0].icon);
  EXPECT_EQ(own[0].icon->centerPixel[3], 255) << "the dot's middle is filled";
  EXPECT_EQ(logged("did not find custom color string"), 0);
}

class IconFiles : public LockScreenTest {
 protected:
  sb::Device& lockWithIconFile(const std::string& iconFile) {
    reminders({{"SUMMARY:a"}});
    root.settings({{"iconFile", iconFile}});
    return locked();
  }
  std::optional<sb::IconState> ownIcon() { return rows("QuillstoneBriarwhistle").at(0).icon; }
};

TEST_F(IconFiles, TheAt2xJPEGBesideTheNamedOneIsShownAtHalfItsPixels) {
  root.file("/var/mobile/Library/icon.jpg", image_writers::jpegFile(40, 40, {250, 0, 0, 255}));
  root.file("/var/mobile/Library/icon@2x.jpg", image_writers::jpegFile(80, 80, {0, 0, 250, 255}));
  lockWithIconFile("/var/mobile/Library/icon.jpg");
  auto icon = ownIcon();
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 40);  // points
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(icon->centerPixel[c], (std::array<int, 4>{0, 0, 250, 255})[c], 6) << c;
  EXPECT_EQ(logged("icon"), 0);
}

TEST_F(IconFiles, ABrokenOrMissingFileShowsNoIconAndLogsNothing) {
  root.file("/var/mobile/Library/broken.jpg", "\xFF\xD8\xFF not really");
  reminders({{"SUMMARY:a"}});
  for (const char* path : {"/var/mobile/Library/broken.jpg", "/var/mobile/Library/missing.jpg"}) {
    root.settings({{"iconFile", std::string(path)}});
    lockOrRelock();
    EXPECT_FALSE(ownIcon()) << path;
  }
  EXPECT_EQ(logged("broken.jpg"), 0);
  EXPECT_EQ(logged("not read"), 0);
}

}  // namespace
}  // namespace qst_test
