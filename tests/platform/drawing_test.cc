#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIKit.h"
#include "coregraphics/CGColor.h"
#include "foundation/NSString.h"
#include "coregraphics/circle_raster.h"
#include "coregraphics/CGContext.h"

std::ostream& operator<<(std::ostream& out, standin::ImagePixel p) {
  return out << "rgba(" << int(p.r) << "," << int(p.g) << "," << int(p.b) << "," << int(p.a) << ")";
}

namespace {

constexpr standin::ImagePixel kTransparent{0, 0, 0, 0};

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

TEST(Drawing, AnImageKeepsItsPixelsWhileTheContextDrawsOn) {
  const standin::ImagePixel red{255, 0, 0, 255}, blue{0, 0, 255, 255};
  for (bool savedState : {false, true}) {
    SCOPED_TRACE(savedState ? "inside a saved state" : "plain");
    AutoreleasePool pool;
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(20, 10), NO, 2);
    CGContextRef c = UIGraphicsGetCurrentContext();
    if (savedState) CGContextSaveGState(c);
    CGContextTranslateCTM(c, 5, 0);
    CGContextSetLineWidth(c, 4);
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    CGContextSetRGBStrokeColor(c, 0, 0, 1, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 5, 10));  // points 5-10 red
    id before = UIGraphicsGetImageFromCurrentImageContext();
    CGContextMoveToPoint(c, 10, 0);  // a line down points 15-19 blue
    CGContextAddLineToPoint(c, 10, 10);
    CGContextStrokePath(c);
    id after = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    EXPECT_EQ(standin::readImagePixel(before, 14, 10), red);
    EXPECT_EQ(standin::readImagePixel(before, 32, 10), kTransparent);
    EXPECT_EQ(standin::readImagePixel(after, 14, 10), red);
    EXPECT_EQ(standin::readImagePixel(after, 27, 10), blue);
    EXPECT_EQ(standin::readImagePixel(after, 32, 10), blue);
    EXPECT_EQ(standin::readImagePixel(after, 36, 10), kTransparent);
  }
}

id ciColorClass() { return objc_getClass("CIColor"); }

id colorFromText(const char* text) {
  return msgSend<id, id>(ciColorClass(), "colorWithString:", standin::stringWithUTF8(text));
}

std::string textOf(id color) { return standin::utf8Of(msgSend<id>(color, "stringRepresentation")); }

void expectComponents(id color, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  EXPECT_EQ(msgSend<CGFloat>(color, "red"), r);
  EXPECT_EQ(msgSend<CGFloat>(color, "green"), g);
  EXPECT_EQ(msgSend<CGFloat>(color, "blue"), b);
  EXPECT_EQ(msgSend<CGFloat>(color, "alpha"), a);
}

TEST(CIColorText, AListColourComesBackAndShortTextFillsOpaqueBlackParts) {
  AutoreleasePool pool;
  CGColorRef calendarColor = standin::createColorRGBA(0.5, 0.25, 0, 1);
  id color = msgSend<id, CGColorRef>(ciColorClass(), "colorWithCGColor:", calendarColor);
  CGColorRelease(calendarColor);
  EXPECT_EQ(textOf(color), "0.5 0.25 0 1");
  // Short text fills the missing parts with opaque black; no number at all is clear.
  struct Case {
    const char* text;
    CGFloat r, g, b, a;
  };
  for (const Case& c : {Case{"0.2 0.4 0.6", 0.2, 0.4, 0.6, 1},
                        {"0.2", 0.2, 0, 0, 1},
                        {"", 0, 0, 0, 0},
                        {"purple", 0, 0, 0, 0},
                        {" [ ", 0, 0, 0, 0},
                        {"0.3 green 1 1", 0.3, 0, 0, 1},
                        {"nan inf 1 1", 0, 0, 0, 0},
                        {"0 nan", 0, 0, 0, 1},
                        {"[1 0.5 0 0.5]", 1, 0.5, 0, 0.5},
                        {"  1   1 0 1 0.25", 1, 1, 0, 1}}) {  // extra parts ignored
    SCOPED_TRACE(c.text);
    expectComponents(colorFromText(c.text), c.r, c.g, c.b, c.a);
  }
  expectComponents(msgSend<id, id>(ciColorClass(), "colorWithString:", nil), 0, 0, 0, 0);
}

struct Surface {
  cairo_surface_t* s;
  explicit Surface(int size) : s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size)) {}
  explicit Surface(CGContextRef c) : s(cairo_surface_reference(c->surface())) {}
  ~Surface() { cairo_surface_destroy(s); }
  std::uint32_t at(int x, int y) const {
    cairo_surface_flush(s);
    auto* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
  }
};

void fillBackground(Surface& target, double r, double g, double b, double a) {
  cairo_t* cr = cairo_create(target.s);
  cairo_set_source_rgba(cr, r, g, b, a);
  cairo_paint(cr);
  cairo_destroy(cr);
}

// Cairo's rendering of the same ring: a stroked circle, or a filled disc.
void cairoRing(Surface& target, double cx, double cy, double inner, double outer, const double rgba[4]) {
  cairo_t* cr = cairo_create(target.s);
  cairo_set_source_rgba(cr, rgba[0], rgba[1], rgba[2], rgba[3]);
  cairo_new_sub_path(cr);
  if (inner == 0) {
    cairo_arc(cr, cx, cy, outer, 0, 2 * M_PI);
    cairo_fill(cr);
  } else {
    cairo_set_line_width(cr, outer - inner);
    cairo_arc(cr, cx, cy, (inner + outer) / 2, 0, 2 * M_PI);
    cairo_close_path(cr);
    cairo_stroke(cr);
  }
  cairo_destroy(cr);
}

// The largest difference of any channel of any pixel, and the total alpha of each.
struct Difference {
  int largest = 0;
  double alphaA = 0, alphaB = 0;
};
Difference compare(const Surface& a, const Surface& b, int size) {
  Difference d;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const std::uint32_t p = a.at(x, y), q = b.at(x, y);
      int worst = 0;
      for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff)));
      d.largest = std::max(d.largest, worst);
      d.alphaA += p >> 24;
      d.alphaB += q >> 24;
    }
  return d;
}

TEST(CircleRaster, MatchesCairoForDiscsAndRingsOfManySizesAndPlaces) {
  const double opaqueRed[4] = {1, 0, 0, 1};
  const double halfBlue[4] = {0.1, 0.3, 0.9, 0.5};
  struct Case {
    double cx, cy, inner, outer;
    const double* colour;
  };
  const Case cases[] = {
      {40, 40, 0, 15, opaqueRed},  {40, 40, 0, 25, opaqueRed},     {40, 40, 14, 16, opaqueRed},
      {40, 40, 24, 26, halfBlue},  {40.3, 39.7, 0, 7.4, halfBlue}, {10, 70, 5.5, 12.25, opaqueRed},
      {0, 0, 0, 30, opaqueRed},    {79, 40, 20, 22, halfBlue},     {40, 40, 0, 0.6, opaqueRed},
      {40, 40, 38, 40, opaqueRed}, {40, 200, 0, 170.5, halfBlue},  {-100, 40, 139, 141, opaqueRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "centre " << c.cx << "," << c.cy << " radii " << c.inner << "–" << c.outer);
    for (bool onColour : {false, true}) {
      Surface direct(80), reference(80);
      if (onColour)
        for (Surface* s : {&direct, &reference}) fillBackground(*s, 0.2, 0.8, 0.2, 0.7);
      ASSERT_TRUE(paintCircleRing(direct.s, c.cx, c.cy, c.inner, c.outer, c.colour));
      cairoRing(reference, c.cx, c.cy, c.inner, c.outer, c.colour);
      const Difference d = compare(direct, reference, 80);
      EXPECT_LE(d.largest, 32);
      EXPECT_NEAR(d.alphaA, d.alphaB, 0.01 * d.alphaB + 255);
    }
  }
}

// Canvases of one size share buffers, cleared only where they were painted, and a dot painted over content the
// painter has met before is copied. Each canvas must start clear and end as a painter that has met nothing (a new
// thread's, on a surface of its own) paints it.
TEST(CircleRaster, ReusedCanvasesStartClearAndEndAsAFreshPainterPaintsThem) {
  struct Dot {
    double outlineX, fillX;  // centres' x; both at y 40, the outline 24–26 wide, the fill of radius 25
    bool greenCorner;        // painted through cairo first, under part of the dot's square
  };
  const double black[4] = {0, 0, 0, 1}, orange[4] = {1, 0.5, 0, 1};
  const Dot dots[] = {{40, 40, false}, {40, 40, true}, {40, 42, false}, {42, 42, false}, {40, 40, false}};
  auto pixels = [](const Surface& s) {
    std::vector<std::uint32_t> all;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 80; ++x) all.push_back(s.at(x, y));
    return all;
  };
  auto fresh = [&](const Dot& d) {
    std::vector<std::uint32_t> picture;
    std::thread([&] {
      Surface s(80);
      if (d.greenCorner) {
        cairo_t* cr = cairo_create(s.s);
        cairo_set_source_rgba(cr, 0, 1, 0, 1);
        cairo_rectangle(cr, 0, 0, 30, 30);
        cairo_fill(cr);
        cairo_destroy(cr);
      }
      paintCircleRing(s.s, d.outlineX, 40, 24, 26, black);
      paintCircleRing(s.s, d.fillX, 40, 0, 25, orange);
      picture = pixels(s);
    }).join();
    return picture;
  };
  for (int round = 0; round < 2; ++round)
    for (const Dot& d : dots) {
      SCOPED_TRACE(testing::Message() << "round " << round << ", outline at " << d.outlineX << ", fill at " << d.fillX
                                      << (d.greenCorner ? ", green corner" : ""));
      CGContextRef c = standin::createBitmapContextForSize(CGSizeMake(80, 80), 1, false);
      {
        Surface view(c);
        EXPECT_EQ(pixels(view), std::vector<std::uint32_t>(80 * 80, 0u));
      }
      if (d.greenCorner) {
        CGContextSetRGBFillColor(c, 0, 1, 0, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 30, 30));
      }
      CGContextSetLineWidth(c, 2);
      CGContextSetRGBStrokeColor(c, 0, 0, 0, 1);
      CGContextSetRGBFillColor(c, 1, 0.5, 0, 1);
      CGContextStrokeEllipseInRect(c, CGRectMake(d.outlineX - 25, 15, 50, 50));
      CGContextFillEllipseInRect(c, CGRectMake(d.fillX - 25, 15, 50, 50));
      {
        Surface view(c);
        EXPECT_EQ(pixels(view), fresh(d));
      }
      CGContextRelease(c);
    }
}

// The context paints a circle directly only where cairo would draw the same.
TEST(CircleRaster, ContextHonoursClipsAndTransformsAroundTheDirectPath) {
  CGContextRef c = standin::createBitmapContextForSize(CGSizeMake(40, 40), 1, false);
  ASSERT_NE(c, nullptr);
  CGContextSetRGBFillColor(c, 0, 0, 1, 1);
  CGContextSaveGState(c);
  CGContextAddRect(c, CGRectMake(0, 0, 20, 40));
  CGContextClip(c);
  CGContextFillEllipseInRect(c, CGRectMake(0, 0, 40, 40));
  CGContextRestoreGState(c);
  Surface view(c);
  EXPECT_EQ(view.at(10, 20), 0xff0000ffu);
  EXPECT_EQ(view.at(30, 20), 0u);  // clipped away
  // After the restore the clip is gone: the direct path paints the right half.
  CGContextSetRGBFillColor(c, 1, 0, 0, 1);
  CGContextFillEllipseInRect(c, CGRectMake(0, 0, 40, 40));
  EXPECT_EQ(view.at(30, 20), 0xffff0000u);
  // A non-uniform scale makes an ellipse: it is wider than tall.
  CGContextRef wide = standin::createBitmapContextForSize(CGSizeMake(40, 40), 1, false);
  CGContextScaleCTM(wide, 2, 1);
  CGContextFillEllipseInRect(wide, CGRectMake(0, 10, 20, 20));
  Surface wideView(wide);
  EXPECT_NE(wideView.at(36, 20), 0u);
  EXPECT_EQ(wideView.at(20, 3), 0u);
  CGContextRelease(wide);
  CGContextRelease(c);
}

}  // namespace
