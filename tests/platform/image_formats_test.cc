// Image files of the formats a user points the icon at besides PNG, told by
// their contents as ImageIO tells them, and the Retina iPhone's choice among
// the files beside the named one; bad ones give nil without a line in the
// system log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "device_folder_test.h"
#include "image_writers.h"
#include "runtime/message.h"
#include "uikit/UIImage.h"

namespace {

using image_writers::RGBA;

constexpr const char* kFolder = "/var/mobile/Library/Icons/";

class ImageFormats : public DeviceFolderTest {
 protected:
  ImageFormats() : DeviceFolderTest(kFolder) {}

  static CGFloat scaleOf(id image) { return msgSend<CGFloat>(image, "scale"); }
  static CGSize sizeOf(id image) { return msgSend<CGSize>(image, "size"); }
};

bool near(standin::ImagePixel p, RGBA want, int tolerance = 0) {
  return std::abs(p.r - want.r) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
         std::abs(p.b - want.b) <= tolerance && p.a == want.a;
}

TEST_F(ImageFormats, JPEGGIFBMPAndTIFFReadToTheirPixels) {
  writeFile("photo.jpg", image_writers::jpegFile(6, 4, {200, 40, 90, 255}));
  id jpeg = imageAt("photo.jpg");
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(standin::imagePixelWidth(jpeg), 6);
  EXPECT_EQ(standin::imagePixelHeight(jpeg), 4);
  EXPECT_TRUE(near(standin::readImagePixel(jpeg, 3, 2), {200, 40, 90, 255}, 6));
  // The contents tell the format, not the name.
  writeFile("photo-named.png", image_writers::jpegFile(2, 2, {0, 0, 255, 255}));
  EXPECT_TRUE(near(standin::readImagePixel(imageAt("photo-named.png"), 0, 0), {0, 0, 255, 255}, 6));

  writeFile("dots.gif", image_writers::gifFile(2, 2, {0, 1, 1, 0}, {255, 0, 0, 255}, {0, 255, 0, 255}, true));
  id gif = imageAt("dots.gif");
  ASSERT_TRUE(gif);
  EXPECT_TRUE(near(standin::readImagePixel(gif, 0, 0), {255, 0, 0, 255}));
  EXPECT_EQ(standin::readImagePixel(gif, 1, 0).a, 0) << "the transparent colour";
  writeFile("opaque.gif", image_writers::gifFile(2, 1, {0, 1}, {255, 0, 0, 255}, {0, 255, 0, 255}, false));
  EXPECT_TRUE(near(standin::readImagePixel(imageAt("opaque.gif"), 1, 0), {0, 255, 0, 255}));

  for (bool topDown : {false, true}) {
    writeFile("flat.bmp", image_writers::bmpFile(3, 5, {10, 20, 30, 255}, topDown));
    id bmp = imageAt("flat.bmp");
    ASSERT_TRUE(bmp) << topDown;
    EXPECT_EQ(standin::imagePixelHeight(bmp), 5);
    EXPECT_TRUE(near(standin::readImagePixel(bmp, 2, 4), {10, 20, 30, 255}));
  }

  writeFile("glass.tiff", image_writers::tiffFile(4, 3, {0, 128, 255, 128}));
  id tiff = imageAt("glass.tiff");
  ASSERT_TRUE(tiff);
  EXPECT_EQ(standin::imagePixelWidth(tiff), 4);
  EXPECT_TRUE(near(standin::readImagePixel(tiff, 1, 1), {0, 128, 255, 128}, 2));
  EXPECT_TRUE(standin::capturedLogLines().empty());
}

TEST_F(ImageFormats, ARetinaIPhoneTakesTheAt2xAndIPhoneFilesBesideTheNamedOne) {
  writeFile("icon.bmp", image_writers::bmpFile(2, 2, {255, 0, 0, 255}));
  id plain = imageAt("icon.bmp");
  ASSERT_TRUE(plain);
  EXPECT_EQ(scaleOf(plain), 1);

  writeFile("icon~iphone.bmp", image_writers::bmpFile(2, 2, {0, 0, 255, 255}));
  EXPECT_TRUE(near(standin::readImagePixel(imageAt("icon.bmp"), 0, 0), {0, 0, 255, 255}));
  EXPECT_EQ(scaleOf(imageAt("icon.bmp")), 1);

  writeFile("icon@2x.bmp", image_writers::bmpFile(4, 4, {0, 255, 0, 255}));
  id retina = imageAt("icon.bmp");
  ASSERT_TRUE(retina);
  EXPECT_EQ(scaleOf(retina), 2);
  EXPECT_EQ(sizeOf(retina).width, 2);  // points: the same size as the plain file
  EXPECT_TRUE(near(standin::readImagePixel(retina, 0, 0), {0, 255, 0, 255}));

  writeFile("icon@2x~iphone.bmp", image_writers::bmpFile(4, 4, {255, 255, 0, 255}));
  EXPECT_TRUE(near(standin::readImagePixel(imageAt("icon.bmp"), 0, 0), {255, 255, 0, 255}));
  EXPECT_EQ(scaleOf(imageAt("icon.bmp")), 2);
  // A name with its own modifier is taken as written, after its ~iphone form.
  EXPECT_TRUE(near(standin::readImagePixel(imageAt("icon@2x.bmp"), 0, 0), {255, 255, 0, 255}));
  EXPECT_TRUE(near(standin::readImagePixel(imageAt("icon~iphone.bmp"), 0, 0), {0, 0, 255, 255}));

  // The named file need not be there when its @2x one is.
  writeFile("only@2x.bmp", image_writers::bmpFile(4, 2, {9, 9, 9, 255}));
  id only = imageAt("only.bmp");
  ASSERT_TRUE(only);
  EXPECT_EQ(sizeOf(only).width, 2);
  EXPECT_EQ(sizeOf(only).height, 1);
  EXPECT_TRUE(standin::capturedLogLines().empty());
  EXPECT_TRUE(StandInNotes().empty());
}

TEST_F(ImageFormats, TheFileThereIsTheOneReadEvenWhenItIsDamaged) {
  writeFile("badge.bmp", image_writers::bmpFile(2, 2, {255, 0, 0, 255}));
  writeFile("badge@2x.bmp", "BM not really");
  EXPECT_EQ(imageAt("badge.bmp"), nil);
  expectRefusal("badge@2x.bmp", "BMP");
}

TEST_F(ImageFormats, HeadersClaimingTooManyPixelsOrCutDataAreRefused) {
  std::string jpeg = image_writers::jpegFile(8, 8, {1, 2, 3, 255});
  // The frame header's height and width (after FF C0 00 11 08) say 20000.
  const std::size_t frame = jpeg.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  jpeg.replace(frame + 5, 4, "\x4E\x20\x4E\x20");
  writeFile("huge.jpg", jpeg);
  EXPECT_EQ(imageAt("huge.jpg"), nil);
  expectRefusal("huge.jpg", "20000 x 20000 pixels");

  std::string gif = image_writers::gifFile(2, 2, {0, 1, 1, 0}, {0, 0, 0, 255}, {9, 9, 9, 255}, false);
  gif.replace(6, 4, "\xFF\xFF\xFF\xFF");  // the logical screen: 65535 x 65535
  writeFile("huge.gif", gif);
  EXPECT_EQ(imageAt("huge.gif"), nil);
  expectRefusal("huge.gif", "65535 x 65535 pixels");

  std::string bmp = image_writers::bmpFile(2, 2, {0, 0, 0, 255});
  bmp.replace(18, 8, std::string("\x00\x00\x01\x00\x00\x00\x01\x00", 8));  // 65536 x 65536
  writeFile("huge.bmp", bmp);
  EXPECT_EQ(imageAt("huge.bmp"), nil);
  expectRefusal("huge.bmp", "65536 x 65536 pixels");
  writeFile("cut.bmp", image_writers::bmpFile(40, 40, {0, 0, 0, 255}).substr(0, 500));
  EXPECT_EQ(imageAt("cut.bmp"), nil);
  expectRefusal("cut.bmp", "cut BMP");

  const std::string tiff = image_writers::tiffFile(64, 64, {1, 2, 3, 255});
  writeFile("cut.tiff", tiff.substr(0, 40));
  EXPECT_EQ(imageAt("cut.tiff"), nil);
  expectRefusal("cut.tiff", "TIFF");
  writeFile("cut.jpg", jpeg.substr(0, 12));
  EXPECT_EQ(imageAt("cut.jpg"), nil);
  expectRefusal("cut.jpg", "JPEG");
  writeFile("cut.gif", gif.substr(0, 8));
  EXPECT_EQ(imageAt("cut.gif"), nil);
  expectRefusal("cut.gif", "GIF");
}

}  // namespace
