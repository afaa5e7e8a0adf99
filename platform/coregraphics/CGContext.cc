#include "coregraphics/CGContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "coregraphics/circle_raster.h"
#include "coregraphics/pixel_pool.h"

namespace {

// Larger surfaces are refused rather than allocated: no icon or row needs one.
constexpr double kMaxPixelsPerSide = 16384;

void setComponents(CGFloat* dst, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  dst[0] = r;
  dst[1] = g;
  dst[2] = b;
  dst[3] = a;
}

void setComponents(CGFloat* dst, CGColorRef color) {
  if (const CGFloat* src = CGColorGetComponents(color)) setComponents(dst, src[0], src[1], src[2], src[3]);
}

void useColor(CGContextRef c, const CGFloat* rgba) {
  cairo_set_source_rgba(c->state(), rgba[0], rgba[1], rgba[2], rgba[3]);
}

// Runs a painting operation on a path of its own, keeping the caller's path.
template <class Paint>
void withOwnPath(CGContextRef c, Paint paint) {
  cairo_path_t* kept = cairo_copy_path(c->state());
  cairo_new_path(c->state());
  paint();
  cairo_new_path(c->state());
  if (kept->status == CAIRO_STATUS_SUCCESS) cairo_append_path(c->state(), kept);
  cairo_path_destroy(kept);
}

void addEllipse(cairo_t* cr, CGRect rect) {
  const double x = CGRectGetMinX(rect), y = CGRectGetMinY(rect);
  const double w = CGRectGetWidth(rect), h = CGRectGetHeight(rect);
  if (w <= 0 || h <= 0) return;
  cairo_save(cr);  // the path is kept in device space, so this only scopes the CTM
  cairo_translate(cr, x + w / 2, y + h / 2);
  cairo_scale(cr, w / 2, h / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_close_path(cr);
  cairo_restore(cr);
}

// Paints the circle inscribed in `rect` directly (see circle_raster.h) when
// cairo would paint nothing different: no clip, the plain OVER operator, a
// CTM that is a uniform positive scale plus a translation, and a square
// rectangle. The stroke is the ring of the line width centred on the circle.
// False when any of that does not hold; the caller then paints with cairo.
bool paintCircleDirectly(CGContextRef c, CGRect rect, bool stroke) {
  if (c->colors.clipped || cairo_get_operator(c->state()) != CAIRO_OPERATOR_OVER) return false;
  if (cairo_get_antialias(c->state()) != CAIRO_ANTIALIAS_DEFAULT) return false;
  cairo_matrix_t m;
  cairo_get_matrix(c->state(), &m);
  if (m.xy != 0 || m.yx != 0 || !(m.xx > 0) || m.xx != m.yy) return false;
  const double w = CGRectGetWidth(rect), h = CGRectGetHeight(rect);
  if (!(w > 0) || w != h) return false;
  const double radius = w / 2 * m.xx;
  const double cx = (CGRectGetMinX(rect) + w / 2) * m.xx + m.x0, cy = (CGRectGetMinY(rect) + h / 2) * m.yy + m.y0;
  if (!stroke) return paintCircleRing(c->surface(), cx, cy, 0, radius, c->colors.fill);
  const double halfLine = cairo_get_line_width(c->state()) / 2 * m.xx;
  // A line at least as wide as the circle covers the disc, and cairo's
  // stroker draws its inner edge differently then: left to cairo.
  if (!(halfLine > 0) || halfLine >= radius) return false;
  return paintCircleRing(c->surface(), cx, cy, radius - halfLine, radius + halfLine, c->colors.stroke);
}

}  // namespace

CGContext::CGContext(cairo_surface_t* surface, CGFloat scale)
    : scale(scale), surface_(surface), cr_(cairo_create(surface)), known_(knownPixelsOf(surface)) {}

CGContext::~CGContext() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

namespace {

// A copy of the pixels as they are now. The rows are copied directly into
// an uncleared pooled buffer (both have the same format and size): a
// cleared surface painted through cairo cost two more passes over every
// pixel.
cairo_surface_t* copyOfPixels(cairo_surface_t* source) {
  cairo_surface_flush(source);
  const cairo_format_t format = cairo_image_surface_get_format(source);
  const int width = cairo_image_surface_get_width(source), height = cairo_image_surface_get_height(source);
  const unsigned char* from = cairo_image_surface_get_data(source);
  cairo_surface_t* copy = createPooledImageSurface(format, width, height, !from);
  unsigned char* to = cairo_image_surface_get_data(copy);
  if (!from || !to || cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) return copy;
  const int fromStride = cairo_image_surface_get_stride(source), toStride = cairo_image_surface_get_stride(copy);
  const std::size_t rowBytes = static_cast<std::size_t>(std::min(fromStride, toStride));
  for (int y = 0; y < height; ++y)
    std::memcpy(to + static_cast<std::ptrdiff_t>(y) * toStride, from + static_cast<std::ptrdiff_t>(y) * fromStride,
                rowBytes);
  cairo_surface_mark_dirty(copy);
  return copy;
}

// The state takeImagePixels() lets an image share the pixels in: no saved
// states, no clip and no path, so that everything else cairo keeps can be
// carried over to a new cairo state.
bool carriesOver(const CGContext& c, cairo_t* cr) {
  if (!c.savedColors.empty() || c.colors.clipped) return false;
  cairo_path_t* path = cairo_copy_path(cr);
  const bool empty = path->status == CAIRO_STATUS_SUCCESS && path->num_data == 0;
  cairo_path_destroy(path);
  return empty;
}

void carryOver(cairo_t* from, cairo_t* to) {
  cairo_matrix_t matrix;
  cairo_get_matrix(from, &matrix);
  cairo_set_matrix(to, &matrix);
  cairo_set_source(to, cairo_get_source(from));
  cairo_set_operator(to, cairo_get_operator(from));
  cairo_set_tolerance(to, cairo_get_tolerance(from));
  cairo_set_antialias(to, cairo_get_antialias(from));
  cairo_set_fill_rule(to, cairo_get_fill_rule(from));
  cairo_set_line_width(to, cairo_get_line_width(from));
  cairo_set_line_cap(to, cairo_get_line_cap(from));
  cairo_set_line_join(to, cairo_get_line_join(from));
  cairo_set_miter_limit(to, cairo_get_miter_limit(from));
  std::vector<double> dashes(static_cast<std::size_t>(cairo_get_dash_count(from)));
  double offset = 0;
  cairo_get_dash(from, dashes.data(), &offset);
  cairo_set_dash(to, dashes.data(), static_cast<int>(dashes.size()), offset);
  cairo_set_font_face(to, cairo_get_font_face(from));
  cairo_get_font_matrix(from, &matrix);
  cairo_set_font_matrix(to, &matrix);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_get_font_options(from, options);
  cairo_set_font_options(to, options);
  cairo_font_options_destroy(options);
}

}  // namespace

cairo_surface_t* CGContext::takeImagePixels() {
  if (!shared_ && !carriesOver(*this, cr_)) return copyOfPixels(surface_);
  cairo_surface_flush(surface_);
  shared_ = true;
  return cairo_surface_reference(surface_);
}

void CGContext::keepOwnPixels() {
  shared_ = false;
  cairo_surface_t* own = copyOfPixels(surface_);
  cairo_t* cr = cairo_create(own);
  carryOver(cr_, cr);
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
  surface_ = own;
  cr_ = cr;
  known_ = knownPixelsOf(own);
}

CGContextRef standin::createBitmapContextForSize(CGSize size, CGFloat scale, bool opaque) {
  if (!(std::isfinite(scale) && scale > 0)) return nullptr;
  const double pw = std::ceil(size.width * scale), ph = std::ceil(size.height * scale);
  if (!(std::isfinite(pw) && std::isfinite(ph)) || pw <= 0 || ph <= 0) return nullptr;
  if (pw > kMaxPixelsPerSide || ph > kMaxPixelsPerSide) return nullptr;
  cairo_surface_t* surface = createPooledImageSurface(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                      static_cast<int>(pw), static_cast<int>(ph), true);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  auto* c = new CGContext(surface, scale);
  cairo_scale(c->state(), scale, scale);
  cairo_set_line_width(c->state(), 1.0);  // the device's default; cairo's is 2
  cairo_set_fill_rule(c->state(), CAIRO_FILL_RULE_WINDING);
  return c;
}

CGContextRef CGContextRetain(CGContextRef c) {
  if (c) c->refs.fetch_add(1, std::memory_order_relaxed);
  return c;
}

void CGContextRelease(CGContextRef c) {
  if (c && c->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete c;
}

void CGContextSaveGState(CGContextRef c) {
  if (!c) return;
  cairo_save(c->state());
  c->savedColors.push_back(c->colors);
}

void CGContextRestoreGState(CGContextRef c) {
  // An unbalanced restore is ignored, as the device ignores it.
  if (!c || c->savedColors.empty()) return;
  cairo_restore(c->state());
  c->colors = c->savedColors.back();
  c->savedColors.pop_back();
}

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty) {
  if (c) cairo_translate(c->state(), tx, ty);
}

void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy) {
  // A zero scale would make the CTM singular and put cairo in an error
  // state for good; the device would draw nothing visible either.
  if (!c || sx == 0 || sy == 0 || !std::isfinite(sx) || !std::isfinite(sy)) return;
  cairo_scale(c->state(), sx, sy);
}

void CGContextSetLineWidth(CGContextRef c, CGFloat width) {
  if (c && std::isfinite(width) && width >= 0) cairo_set_line_width(c->state(), width);
}

void CGContextSetStrokeColorWithColor(CGContextRef c, CGColorRef color) {
  if (c) setComponents(c->colors.stroke, color);
}

void CGContextSetFillColorWithColor(CGContextRef c, CGColorRef color) {
  if (c) setComponents(c->colors.fill, color);
}

void CGContextSetRGBFillColor(CGContextRef c, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  if (c) setComponents(c->colors.fill, r, g, b, a);
}

void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  if (c) setComponents(c->colors.stroke, r, g, b, a);
}

void CGContextBeginPath(CGContextRef c) {
  if (c) cairo_new_path(c->state());
}

void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y) {
  if (c) cairo_move_to(c->state(), x, y);
}

void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y) {
  if (c) cairo_line_to(c->state(), x, y);
}

bool standin::contextHasCurrentPoint(CGContextRef c) { return c && cairo_has_current_point(c->state()); }

void CGContextAddArcToPoint(CGContextRef c, CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2, CGFloat radius) {
  if (!standin::contextHasCurrentPoint(c)) return;
  double x0, y0;
  cairo_get_current_point(c->state(), &x0, &y0);  // in user space, as the arguments

  // Unit vectors from the corner towards the start and towards the end.
  double ax = x0 - x1, ay = y0 - y1, bx = x2 - x1, by = y2 - y1;
  const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
  const double cross = ax * by - ay * bx;
  if (la == 0 || lb == 0 || radius <= 0 || !std::isfinite(radius) || std::fabs(cross) < 1e-12 * la * lb) {
    cairo_line_to(c->state(), x1, y1);
    return;
  }
  ax /= la, ay /= la, bx /= lb, by /= lb;
  const double halfAngle = std::acos(std::clamp(ax * bx + ay * by, -1.0, 1.0)) / 2;
  const double tangentDistance = radius / std::tan(halfAngle);
  const double t1x = x1 + ax * tangentDistance, t1y = y1 + ay * tangentDistance;
  const double t2x = x1 + bx * tangentDistance, t2y = y1 + by * tangentDistance;
  // The centre lies on the bisector of the corner, radius / sin away.
  double mx = ax + bx, my = ay + by;
  const double lm = std::hypot(mx, my);
  mx /= lm, my /= lm;
  const double centreDistance = radius / std::sin(halfAngle);
  const double cx = x1 + mx * centreDistance, cy = y1 + my * centreDistance;
  const double start = std::atan2(t1y - cy, t1x - cx), end = std::atan2(t2y - cy, t2x - cx);

  cairo_line_to(c->state(), t1x, t1y);
  // Turning from (start → corner) to (corner → end): a positive turn goes
  // the way of growing angles in cairo's y-down space.
  const double turn = (x1 - x0) * (y2 - y1) - (y1 - y0) * (x2 - x1);
  if (turn > 0)
    cairo_arc(c->state(), cx, cy, radius, start, end);
  else
    cairo_arc_negative(c->state(), cx, cy, radius, start, end);
}

void CGContextAddRect(CGContextRef c, CGRect rect) {
  if (c)
    cairo_rectangle(c->state(), CGRectGetMinX(rect), CGRectGetMinY(rect), CGRectGetWidth(rect), CGRectGetHeight(rect));
}

void CGContextAddEllipseInRect(CGContextRef c, CGRect rect) {
  if (c) addEllipse(c->state(), rect);
}

void CGContextClosePath(CGContextRef c) {
  if (c && cairo_has_current_point(c->state())) cairo_close_path(c->state());
}

void CGContextFillPath(CGContextRef c) {
  if (!c) return;
  useColor(c, c->colors.fill);
  cairo_fill(c->cr());
}

void CGContextStrokePath(CGContextRef c) {
  if (!c) return;
  useColor(c, c->colors.stroke);
  cairo_stroke(c->cr());
}

void CGContextClip(CGContextRef c) {
  if (!c) return;
  cairo_clip(c->state());
  c->colors.clipped = true;
}

void CGContextStrokeEllipseInRect(CGContextRef c, CGRect rect) {
  if (!c) return;
  cairo_new_path(c->state());
  if (paintCircleDirectly(c, rect, true)) return;
  addEllipse(c->state(), rect);
  CGContextStrokePath(c);
}

void CGContextFillEllipseInRect(CGContextRef c, CGRect rect) {
  if (!c) return;
  cairo_new_path(c->state());
  if (paintCircleDirectly(c, rect, false)) return;
  addEllipse(c->state(), rect);
  CGContextFillPath(c);
}

void CGContextFillRect(CGContextRef c, CGRect rect) {
  if (!c) return;
  withOwnPath(c, [&] {
    CGContextAddRect(c, rect);
    CGContextFillPath(c);
  });
}

void CGContextClearRect(CGContextRef c, CGRect rect) {
  if (!c) return;
  withOwnPath(c, [&] {
    cairo_save(c->state());
    cairo_set_operator(c->state(), CAIRO_OPERATOR_CLEAR);
    CGContextAddRect(c, rect);
    cairo_fill(c->cr());
    cairo_restore(c->state());
  });
}

void standin::drawSurfaceInRect(CGContextRef c, cairo_surface_t* image, CGRect rect) {
  if (!c || !image) return;
  const int pw = cairo_image_surface_get_width(image), ph = cairo_image_surface_get_height(image);
  const double w = CGRectGetWidth(rect), h = CGRectGetHeight(rect);
  if (pw <= 0 || ph <= 0 || w <= 0 || h <= 0) return;
  withOwnPath(c, [&] {
    cairo_save(c->state());
    cairo_translate(c->state(), CGRectGetMinX(rect), CGRectGetMinY(rect));
    cairo_scale(c->state(), w / pw, h / ph);
    cairo_set_source_surface(c->state(), image, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(c->state()), CAIRO_EXTEND_PAD);
    cairo_rectangle(c->state(), 0, 0, pw, ph);
    cairo_fill(c->cr());
    cairo_restore(c->state());
  });
}
