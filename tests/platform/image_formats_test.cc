// Image files of the formats a user points the icon at besides PNG, told by their contents as ImageIO tells them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <zlib.h>
#include <cstdint>
#include <vector>

#include "device_folder_test.h"
#include "image_writers.h"
#include "uikit/UIImage.h"
#include "uikit/png_decode.h"

namespace {

using image_writers::RGBA;

constexpr const char* kFolder = "/var/mobile/Library/Icons/";

class ImageFormats : public DeviceFolderTest {
 protected:
  ImageFormats() : DeviceFolderTest(kFolder) {}

  static CGFloat scaleOf(id image) { return msgSend<CGFloat>(image, "scale"); }
  static CGSize sizeOf(id image) { return msgSend<CGSize>(image, "size"); }
  id write(const std::string& name, const std::string& bytes) {
    writeFile(name, bytes);
    return imageAt(name);
  }
  void expectRefused(const std::string& name, const std::string& bytes, const std::string& reason) {
    EXPECT_EQ(write(name, bytes), nil) << name;
    expectRefusal(name, reason);
  }
};

bool near(standin::ImagePixel p, RGBA want, int tolerance = 0) {
  return std::abs(p.r - want.r) <= tolerance && std::abs(p.g - want.g) <= tolerance &&
         std::abs(p.b - want.b) <= tolerance && p.a == want.a;
}

// The contents tell the format, not the name ("photo-named.png" is a JPEG).
TEST_F(ImageFormats, JPEGGIFBMPAndTIFFReadToTheirPixels) {
  const RGBA red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, grey{10, 20, 30, 255};
  struct Case {
    const char* name;
    std::string bytes;
    int width, height, x, y;
    RGBA want;
    int tolerance;
  };
  const Case cases[] = {
      {"photo.jpg", image_writers::jpegFile(6, 4, {200, 40, 90, 255}), 6, 4, 3, 2, {200, 40, 90, 255}, 6},
      {"photo-named.png", image_writers::jpegFile(2, 2, blue), 2, 2, 0, 0, blue, 6},
      {"dots.gif", image_writers::gifFile(2, 2, {0, 1, 1, 0}, red, green, true), 2, 2, 0, 0, red, 0},
      {"opaque.gif", image_writers::gifFile(2, 1, {0, 1}, red, green, false), 2, 1, 1, 0, green, 0},
      {"flat.bmp", image_writers::bmpFile(3, 5, grey), 3, 5, 2, 4, grey, 0},
      {"top-down.bmp", image_writers::bmpFile(3, 5, grey, true), 3, 5, 2, 4, grey, 0},
      {"glass.tiff", image_writers::tiffFile(4, 3, {0, 128, 255, 128}), 4, 3, 1, 1, {0, 128, 255, 128}, 2},
  };
  for (const Case& c : cases) {
    id image = write(c.name, c.bytes);
    ASSERT_TRUE(image) << c.name;
    EXPECT_EQ(standin::imagePixelWidth(image), c.width) << c.name;
    EXPECT_EQ(standin::imagePixelHeight(image), c.height) << c.name;
    EXPECT_TRUE(near(standin::readImagePixel(image, c.x, c.y), c.want, c.tolerance)) << c.name;
  }
  EXPECT_EQ(standin::readImagePixel(imageAt("dots.gif"), 1, 0).a, 0) << "the transparent colour";
  EXPECT_TRUE(standin::capturedLogLines().empty());
}

TEST_F(ImageFormats, ARetinaIPhoneTakesTheAt2xAndIPhoneFilesBesideTheNamedOne) {
  // Each file written wins over those before it when "icon.bmp" is asked for; all are 2 points wide.
  struct Step {
    const char* file;
    int pixels;
    RGBA colour;
  };
  for (const Step& step : {Step{"icon.bmp", 2, {255, 0, 0, 255}},
                           {"icon~iphone.bmp", 2, {0, 0, 255, 255}},
                           {"icon@2x.bmp", 4, {0, 255, 0, 255}},
                           {"icon@2x~iphone.bmp", 4, {255, 255, 0, 255}}}) {
    writeFile(step.file, image_writers::bmpFile(step.pixels, step.pixels, step.colour));
    id image = imageAt("icon.bmp");
    ASSERT_TRUE(image) << step.file;
    EXPECT_EQ(scaleOf(image), step.pixels / 2) << step.file;
    EXPECT_EQ(sizeOf(image).width, 2) << step.file;
    EXPECT_TRUE(near(standin::readImagePixel(image, 0, 0), step.colour)) << step.file;
  }
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

  // The file there is the one read, even when it is damaged.
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
  expectRefused("huge.jpg", jpeg, "20000 x 20000 pixels");
  std::string gif = image_writers::gifFile(2, 2, {0, 1, 1, 0}, {0, 0, 0, 255}, {9, 9, 9, 255}, false);
  gif.replace(6, 4, "\xFF\xFF\xFF\xFF");  // the logical screen: 65535 x 65535
  expectRefused("huge.gif", gif, "65535 x 65535 pixels");
  std::string bmp = image_writers::bmpFile(2, 2, {0, 0, 0, 255});
  bmp.replace(18, 8, std::string("\x00\x00\x01\x00\x00\x00\x01\x00", 8));  // 65536 x 65536
  expectRefused("huge.bmp", bmp, "65536 x 65536 pixels");
  expectRefused("cut.bmp", image_writers::bmpFile(40, 40, {0, 0, 0, 255}).substr(0, 500), "cut BMP");
  expectRefused("cut.tiff", image_writers::tiffFile(64, 64, {1, 2, 3, 255}).substr(0, 40), "TIFF");
  expectRefused("cut.jpg", jpeg.substr(0, 12), "JPEG");
  expectRefused("cut.gif", gif.substr(0, 8), "GIF");
}

// Image files as settings bundles and SpringBoard's icon folder hold them.

std::string bigEndian32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

std::string chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  return bigEndian32(static_cast<std::uint32_t>(data.size())) + body +
         bigEndian32(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

std::string deflate(const std::string& bytes, bool raw) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, raw ? -MAX_WBITS : MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

struct Pixel {
  std::uint8_t r, g, b, a;
};

// An 8-bit RGBA PNG of `pixels` (rows of `width`; none: clear), ordinary or in the iPhone-optimised form, its data
// followed by `extraBytes` more zeros.
std::string pngFile(std::uint32_t width, std::uint32_t height, const std::vector<Pixel>& pixels, bool optimised,
                    std::size_t extraBytes = 0) {
  std::string rows;
  for (std::uint32_t y = 0; y < height; ++y) {
    rows += '\0';  // no filter
    for (std::uint32_t x = 0; x < width && !pixels.empty(); ++x) {
      const Pixel p = pixels[y * width + x];
      auto premultiplied = [&](std::uint8_t c) { return static_cast<char>((c * p.a + 127) / 255); };
      if (optimised)
        rows += {premultiplied(p.b), premultiplied(p.g), premultiplied(p.r), static_cast<char>(p.a)};
      else
        rows += {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b), static_cast<char>(p.a)};
    }
  }
  rows.resize(rows.size() + extraBytes, '\0');
  const std::string header = bigEndian32(width) + bigEndian32(height) + std::string("\x08\x06\x00\x00\x00", 5);
  std::string file("\x89PNG\r\n\x1a\n", 8);
  if (optimised) file += chunk("CgBI", std::string("\x50\x00\x20\x02", 4));
  return file + chunk("IHDR", header) + chunk("IDAT", deflate(rows, optimised)) + chunk("IEND", "");
}

using PNGFiles = ImageFormats;

TEST_F(PNGFiles, IPhoneOptimisedPNGMatchesTheOrdinaryOne) {
  // Opaque, half and barely covered, and fully transparent pixels.
  const std::vector<Pixel> pixels = {{255, 0, 0, 255},   {0, 128, 255, 255}, {10, 200, 30, 128},
                                     {255, 255, 255, 1}, {90, 60, 30, 0},    {200, 100, 50, 77}};
  id ordinary = write("ordinary@2x.png", pngFile(3, 2, pixels, false));
  id optimised = write("optimised@2x.png", pngFile(3, 2, pixels, true));
  ASSERT_NE(ordinary, nil);
  ASSERT_NE(optimised, nil);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(standin::readImagePixel(optimised, x, y), standin::readImagePixel(ordinary, x, y)) << x << "," << y;
  // Colours as stored, not with red and blue swapped.
  EXPECT_EQ(standin::readImagePixel(optimised, 0, 0), (standin::ImagePixel{255, 0, 0, 255}));
  EXPECT_EQ(standin::readImagePixel(optimised, 1, 0), (standin::ImagePixel{0, 128, 255, 255}));
  EXPECT_TRUE(standin::capturedLogLines().empty());
}

// Refused before any pixel memory is taken.
TEST_F(PNGFiles, HeadersClaimingTooManyPixelsAreRefused) {
  expectRefused("bomb.png", pngFile(20000, 20000, {}, false), "20000 x 20000 pixels");
  expectRefused("bomb-optimised.png", pngFile(20000, 20000, {}, true), "20000 x 20000 pixels");
  expectRefused("wide.png", pngFile(16384, 1025, {}, false), "pixels");
  expectRefused("tall.png", pngFile(1, 100000, {}, false), "pixels");

  // An optimised file whose data inflates far beyond what its header implies: only what the header implies is used.
  id image = write("long-data.png", pngFile(4, 4, {}, true, 16 << 20));
  ASSERT_NE(image, nil);
  EXPECT_EQ(standin::imagePixelWidth(image), 4);
}

TEST_F(PNGFiles, DamagedFilesAndNonRegularFilesAreRefusedSafely) {
  const std::vector<Pixel> pixels(9, Pixel{10, 20, 30, 128});
  for (bool optimised : {false, true}) {
    const std::string good = pngFile(3, 3, pixels, optimised);
    std::string error;
    cairo_surface_t* surface = standin::decodePNG(good, &error);
    ASSERT_NE(surface, nullptr) << error;
    cairo_surface_destroy(surface);
    for (std::size_t at = 0; at < good.size(); ++at) {
      for (char value : {'\x00', '\x01', '\x7F', '\xFF'}) {
        std::string damaged = good;
        damaged[at] = value;
        if (cairo_surface_t* s = standin::decodePNG(damaged, &error)) cairo_surface_destroy(s);
      }
      // Cut before the closing chunk, the image is incomplete.
      cairo_surface_t* cut = standin::decodePNG(good.substr(0, at), &error);
      if (at < good.size() - 12) {
        EXPECT_EQ(cut, nullptr) << at << " of " << good.size();
      }
      if (cut) cairo_surface_destroy(cut);
    }
  }
  expectRefused("text.png", "not a picture", "not an image of a known format");

  ASSERT_EQ(mkfifo(hostPath("fifo@2x.png").c_str(), 0600), 0);
  EXPECT_EQ(imageAt("fifo@2x.png"), nil);
  expectRefusal("fifo@2x.png", "not a regular file");
  EXPECT_EQ(imageAt("absent@2x.png"), nil);
  EXPECT_TRUE(standin::capturedLogLines().empty());
  id cls = objc_getClass("UIImage");
  for (const char* path : {"", "DOT"})
    EXPECT_EQ((msgSend<id, id>(cls, "imageWithContentsOfFile:", standin::str(path))), nil);
  EXPECT_EQ((msgSend<id, id>(cls, "imageWithContentsOfFile:", nil)), nil);
}

}  // namespace
