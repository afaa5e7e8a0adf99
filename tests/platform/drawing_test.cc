#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/NSString.h"
#include "foundation/device.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIKit.h"

std::ostream& operator<<(std::ostream& out, UIImagePixel p) {
  return out << "rgba(" << int(p.r) << "," << int(p.g) << "," << int(p.b) << "," << int(p.a) << ")";
}

namespace {

constexpr UIImagePixel kTransparent{0, 0, 0, 0};

id color(const char* name) { return msgSend<id>(objc_getClass("UIColor"), name); }
CGColorRef cgColor(const char* name) { return msgSend<CGColorRef>(color(name), "CGColor"); }

// An 80 × 80 icon with an outlined disc, drawn the way the lock-screen dot is.
id drawDot(CGFloat diameter, const char* fill) {
  UIGraphicsBeginImageContext(CGSizeMake(80, 80));
  CGContextRef c = UIGraphicsGetCurrentContext();
  UIGraphicsPushContext(c);
  CGContextSetLineWidth(c, 2.0);
  CGContextSetStrokeColorWithColor(c, cgColor("blackColor"));
  CGContextSetFillColorWithColor(c, cgColor(fill));
  const CGFloat o = (80 - diameter) * 0.5;
  CGContextStrokeEllipseInRect(c, CGRectMake(o, o, diameter, diameter));
  CGContextFillEllipseInRect(c, CGRectMake(o, o, diameter, diameter));
  UIGraphicsPopContext();
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image;
}

id solidImage(CGSize size, CGFloat scale, const char* fill) {
  UIGraphicsBeginImageContextWithOptions(size, YES, scale);
  CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), cgColor(fill));
  CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, size.width, size.height));
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image;
}

// Clips to a rectangle whose corners are arcs of radius × radius points and
// draws `image` into it, building the path under a scaled CTM that is
// restored before the path is closed and used.
id roundCorners(id image, CGFloat radius, CGFloat contextScale) {
  const CGSize size = msgSend<CGSize>(image, "size");
  UIGraphicsBeginImageContextWithOptions(size, NO, contextScale);
  CGContextRef c = UIGraphicsGetCurrentContext();
  CGContextBeginPath(c);
  CGContextSaveGState(c);
  CGContextTranslateCTM(c, 0, 0);
  CGContextScaleCTM(c, radius, radius);
  const CGFloat fw = size.width / radius, fh = size.height / radius;
  CGContextMoveToPoint(c, fw, fh * 0.5);
  CGContextAddArcToPoint(c, fw, fh, fw * 0.5, fh, radius);
  CGContextAddArcToPoint(c, 0, fh, 0, fh * 0.5, radius);
  CGContextAddArcToPoint(c, 0, 0, fw * 0.5, 0, radius);
  CGContextAddArcToPoint(c, fw, 0, fw, fh * 0.5, radius);
  CGContextRestoreGState(c);
  CGContextClosePath(c);
  CGContextClip(c);
  msgSend<void, CGRect>(image, "drawInRect:", CGRectMake(0, 0, size.width, size.height));
  id rounded = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return rounded;
}

TEST(Drawing, OutlinedDotIsFilledRingedAndTransparentOutside) {
  AutoreleasePool pool;
  id dot = drawDot(30, "redColor");
  ASSERT_NE(dot, nil);
  EXPECT_EQ(UIImagePixelWidth(dot), 80);
  EXPECT_EQ(msgSend<CGSize>(dot, "size").width, 80);
  EXPECT_EQ(msgSend<CGFloat>(dot, "scale"), 1);
  const UIImagePixel red{255, 0, 0, 255};
  // The ring is a point wide, so its pixels are nearly opaque black after
  // anti-aliasing of the curve.
  auto isRing = [](UIImagePixel p) { return p.r < 8 && p.g < 8 && p.b < 8 && p.a > 230; };
  EXPECT_EQ(UIImageReadPixel(dot, 40, 40), red);
  EXPECT_EQ(UIImageReadPixel(dot, 27, 40), red);
  // The fill, drawn second, covers the inner half of the 2-point outline.
  EXPECT_TRUE(isRing(UIImageReadPixel(dot, 24, 40))) << UIImageReadPixel(dot, 24, 40);
  EXPECT_TRUE(isRing(UIImageReadPixel(dot, 40, 55))) << UIImageReadPixel(dot, 40, 55);
  EXPECT_EQ(UIImageReadPixel(dot, 22, 40), kTransparent);
  EXPECT_EQ(UIImageReadPixel(dot, 0, 0), kTransparent);
  EXPECT_EQ(UIImageReadPixel(dot, 79, 79), kTransparent);
  EXPECT_EQ(UIImageReadPixel(dot, 27, 27), kTransparent);  // inside the square, outside the circle

  id large = drawDot(50, "blueColor");
  EXPECT_EQ(UIImageReadPixel(large, 18, 40), (UIImagePixel{0, 0, 255, 255}));
  EXPECT_TRUE(isRing(UIImageReadPixel(large, 14, 40))) << UIImageReadPixel(large, 14, 40);
}

TEST(Drawing, ClipToArcCornersKeepsTheMiddleAndCutsTheCorners) {
  AutoreleasePool pool;
  id source = solidImage(CGSizeMake(40, 40), 1, "blueColor");
  id rounded = roundCorners(source, 3, 1);  // corners of 9 points
  ASSERT_NE(rounded, nil);
  const UIImagePixel blue{0, 0, 255, 255};
  for (auto [x, y] : {std::pair{20, 20}, {0, 20}, {39, 20}, {20, 0}, {20, 39}, {4, 4}, {35, 35}})
    EXPECT_EQ(UIImageReadPixel(rounded, x, y), blue) << x << "," << y;
  for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {39, 0}, {0, 39}, {38, 38}})
    EXPECT_EQ(UIImageReadPixel(rounded, x, y).a, 0) << x << "," << y;
}

TEST(Drawing, ScaledContextDrawsImagesAtTheirPointSize) {
  AutoreleasePool pool;
  id source = solidImage(CGSizeMake(40, 40), 1, "greenColor");
  id rounded = roundCorners(source, 2, 0);  // scale 0: the screen's, 2
  EXPECT_EQ(msgSend<CGFloat>(rounded, "scale"), 2);
  EXPECT_EQ(msgSend<CGSize>(rounded, "size").width, 40);
  ASSERT_EQ(UIImagePixelWidth(rounded), 80);
  EXPECT_EQ(UIImageReadPixel(rounded, 40, 40), (UIImagePixel{0, 255, 0, 255}));
  EXPECT_EQ(UIImageReadPixel(rounded, 79, 40), (UIImagePixel{0, 255, 0, 255}));
  EXPECT_EQ(UIImageReadPixel(rounded, 1, 1).a, 0);
}

TEST(Drawing, RestoringStateBringsBackColoursAndTransformButKeepsThePath) {
  AutoreleasePool pool;
  UIGraphicsBeginImageContext(CGSizeMake(20, 10));
  CGContextRef c = UIGraphicsGetCurrentContext();
  CGContextSetRGBFillColor(c, 1, 0, 0, 1);
  CGContextSaveGState(c);
  CGContextSetRGBFillColor(c, 0, 0, 1, 1);
  CGContextTranslateCTM(c, 10, 0);
  CGContextAddRect(c, CGRectMake(0, 0, 10, 10));  // the right half, in device space
  CGContextRestoreGState(c);
  CGContextFillRect(c, CGRectMake(0, 0, 5, 10));  // red, untranslated, path kept
  CGContextFillPath(c);                           // the kept right half, in red
  CGContextRestoreGState(c);                      // unbalanced: ignored
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  const UIImagePixel red{255, 0, 0, 255};
  EXPECT_EQ(UIImageReadPixel(image, 2, 5), red);
  EXPECT_EQ(UIImageReadPixel(image, 7, 5), kTransparent);
  EXPECT_EQ(UIImageReadPixel(image, 15, 5), red);
}

TEST(Drawing, ContextStackStaysPairedAroundAnUnusableSize) {
  AutoreleasePool pool;
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nil);
  UIGraphicsBeginImageContext(CGSizeMake(8, 8));
  CGContextRef outer = UIGraphicsGetCurrentContext();
  ASSERT_NE(outer, nullptr);
  UIGraphicsBeginImageContext(CGSizeMake(0, 8));
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 8, 8));  // draws nothing, no crash
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nil);
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), outer);
  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  UIGraphicsEndImageContext();  // nothing left to end
  UIGraphicsPopContext();
}

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() / ("uikit-images-" + std::to_string(getpid()));
    std::filesystem::create_directories(root_ / "Library");
    NSSetDeviceRoot(root_.string());
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::filesystem::path root_;
};

TEST_F(ImageFiles, PNGReadsBackAtItsSizeAndScale) {
  AutoreleasePool pool;
  id dot = drawDot(30, "yellowColor");
  ASSERT_TRUE(UIImageWritePNG(dot, (root_ / "Library/icon@2x.png").string()));
  ASSERT_TRUE(UIImageWritePNG(dot, (root_ / "Library/icon.png").string()));

  id retina = msgSend<id, id>(objc_getClass("UIImage"), "imageWithContentsOfFile:", NSStr("/Library/icon@2x.png"));
  ASSERT_NE(retina, nil);
  EXPECT_EQ(msgSend<CGFloat>(retina, "scale"), 2);
  EXPECT_EQ(msgSend<CGSize>(retina, "size").width, 40);
  EXPECT_EQ(msgSend<CGSize>(retina, "size").height, 40);
  EXPECT_EQ(UIImageReadPixel(retina, 40, 40), (UIImagePixel{255, 255, 0, 255}));
  EXPECT_EQ(UIImageReadPixel(retina, 0, 0), kTransparent);

  id plain = msgSend<id, id>(msgSend<id>(objc_getClass("UIImage"), "alloc"), "initWithContentsOfFile:",
                             NSStr("/Library/icon.png"));
  ASSERT_NE(plain, nil);
  EXPECT_EQ(msgSend<CGSize>(plain, "size").width, 80);
  objc_release(plain);
}

TEST_F(ImageFiles, UnreadableFilesGiveNoImage) {
  AutoreleasePool pool;
  std::filesystem::create_directories(root_ / "Library/folder.png");
  FILE* text = std::fopen((root_ / "Library/notes.png").c_str(), "w");
  std::fputs("not a picture", text);
  std::fclose(text);
  id cls = objc_getClass("UIImage");
  for (const char* path : {"/Library/missing.png", "/Library/notes.png", "/Library/folder.png", "", "DOT"})
    EXPECT_EQ((msgSend<id, id>(cls, "imageWithContentsOfFile:", NSStr(path))), nil) << path;
  EXPECT_EQ((msgSend<id, id>(cls, "imageWithContentsOfFile:", nil)), nil);
}

}  // namespace
