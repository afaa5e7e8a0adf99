#include "coregraphics/pixel_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

std::uint32_t firstPixel(cairo_surface_t* s) {
  cairo_surface_flush(s);
  std::uint32_t p;
  std::memcpy(&p, cairo_image_surface_get_data(s), sizeof p);
  return p;
}

void paintRed(cairo_surface_t* s) {
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
}

// A reused buffer still holds the last surface's pixels: a surface asked for
// clear must not show them, and sizes must never be mixed up.
TEST(PixelPool, ReusedBuffersAreClearedWhenAskedAndSizedRight) {
  for (int round = 0; round < 3; ++round) {
    cairo_surface_t* a = createPooledImageSurface(CAIRO_FORMAT_ARGB32, 80, 80, true);
    ASSERT_EQ(cairo_surface_status(a), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(firstPixel(a), 0u);
    paintRed(a);
    cairo_surface_destroy(a);
  }
  cairo_surface_t* b = createPooledImageSurface(CAIRO_FORMAT_ARGB32, 40, 160, true);
  EXPECT_EQ(cairo_image_surface_get_width(b), 40);
  EXPECT_EQ(cairo_image_surface_get_height(b), 160);
  EXPECT_EQ(firstPixel(b), 0u);
  paintRed(b);  // the whole buffer is written: it must be big enough
  cairo_surface_destroy(b);
}

TEST(PixelPool, BadAndHugeSizesGiveErrorOrUnpooledSurfaces) {
  for (auto [w, h] : {std::pair{10, -1}, {-5, -5}, {1 << 30, 1 << 30}}) {
    cairo_surface_t* s = createPooledImageSurface(CAIRO_FORMAT_ARGB32, w, h, true);
    EXPECT_NE(cairo_surface_status(s), CAIRO_STATUS_SUCCESS) << w << "x" << h;
    cairo_surface_destroy(s);
  }
  cairo_surface_t* big = createPooledImageSurface(CAIRO_FORMAT_ARGB32, 2000, 2000, false);
  ASSERT_EQ(cairo_surface_status(big), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(firstPixel(big), 0u);  // too big to pool: cairo's own, cleared
  cairo_surface_destroy(big);
}

}  // namespace
