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
#include "temp_folder.h"

std::ostream& operator<<(std::ostream& out, standin::ImagePixel p) {
  return out << "rgba(" << int(p.r) << "," << int(p.g) << "," << int(p.b) << "," << int(p.a) << ")";
}

namespace {

constexpr standin::ImagePixel kTransparent{0, 0, 0, 0};

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
  const standin::ImagePixel red{255, 0, 0, 255};
  EXPECT_EQ(standin::readImagePixel(image, 2, 5), red);
  EXPECT_EQ(standin::readImagePixel(image, 7, 5), kTransparent);
  EXPECT_EQ(standin::readImagePixel(image, 15, 5), red);
}

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_ / "Library");
    standin::setDeviceRoot(root_.string());
  }
  qst_test::TempFolder folder_{"uikit-images"};
  std::filesystem::path root_ = folder_.path();
};

TEST_F(ImageFiles, PNGReadsBackAtItsSizeAndScale) {
  AutoreleasePool pool;
  id dot = drawDot(30, "yellowColor");
  ASSERT_TRUE(standin::writeImagePNG(dot, (root_ / "Library/icon@2x.png").string()));
  ASSERT_TRUE(standin::writeImagePNG(dot, (root_ / "Library/icon.png").string()));

  id retina = msgSend<id, id>(objc_getClass("UIImage"), "imageWithContentsOfFile:", standin::str("/Library/icon@2x.png"));
  ASSERT_NE(retina, nil);
  EXPECT_EQ(msgSend<CGFloat>(retina, "scale"), 2);
  EXPECT_EQ(msgSend<CGSize>(retina, "size").width, 40);
  EXPECT_EQ(msgSend<CGSize>(retina, "size").height, 40);
  EXPECT_EQ(standin::readImagePixel(retina, 40, 40), (standin::ImagePixel{255, 255, 0, 255}));
  EXPECT_EQ(standin::readImagePixel(retina, 0, 0), kTransparent);

  auto read = [] {
    return msgSend<id, id>(msgSend<id>(objc_getClass("UIImage"), "alloc"), "initWithContentsOfFile:",
                           standin::str("/Library/icon.png"));
  };
  // A Retina iPhone reads the @2x file beside the named one.
  id plain = read();
  ASSERT_NE(plain, nil);
  EXPECT_EQ(msgSend<CGFloat>(plain, "scale"), 2);
  EXPECT_EQ(msgSend<CGSize>(plain, "size").width, 40);
  objc_release(plain);
  std::filesystem::remove(root_ / "Library/icon@2x.png");
  plain = read();
  ASSERT_NE(plain, nil);
  EXPECT_EQ(msgSend<CGFloat>(plain, "scale"), 1);
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
    EXPECT_EQ((msgSend<id, id>(cls, "imageWithContentsOfFile:", standin::str(path))), nil) << path;
  EXPECT_EQ((msgSend<id, id>(cls, "imageWithContentsOfFile:", nil)), nil);
}

}  // namespace
