// CGContext: a drawing context over a cairo image surface, with the device's
// drawing model:
//  - user space starts with the origin at the top left, y growing downwards
//    (UIKit's flipped space), scaled by the context's scale;
//  - fill and stroke colours are separate parts of the graphics state;
//  - the current path is not part of the graphics state: save and restore
//    leave it alone, so a path built between them survives the restore;
//  - points are transformed by the CTM when added to the path, as cairo does.
// Every function accepts a nil context and then does nothing.
#pragma once

#include <cairo.h>

#include <atomic>
#include <vector>

#include "coregraphics/CGColor.h"
#include "coregraphics/CGGeometry.h"
#include "coregraphics/pixel_pool.h"

struct CGContext {
  struct Colors {
    CGFloat fill[4] = {0, 0, 0, 1};
    CGFloat stroke[4] = {0, 0, 0, 1};
    bool clipped = false;  // a clip narrower than the surface may be in force
  };
  CGContext(cairo_surface_t* surface, CGFloat scale);  // takes the surface's reference
  CGContext(const CGContext&) = delete;
  CGContext& operator=(const CGContext&) = delete;
  ~CGContext();

  // The cairo state drawing into surface(), to paint with: what was known
  // of the pixels (pixel_pool.h) is forgotten. An image taken from the
  // context may share its pixels: Apple documents that the image
  // CGBitmapContextCreateImage makes may be copied on write, its bits copied
  // only when the context's are changed. The first use of the state after
  // that gives the context a copy of its own to draw into. Everything that
  // draws or changes the state goes through here or state().
  cairo_t* cr() {
    cairo_t* cr = state();
    if (known_) known_->forget();
    return cr;
  }
  // The same state, to read or change without painting.
  cairo_t* state() {
    if (shared_) keepOwnPixels();
    return cr_;
  }
  // The pixels, to read; to write them, first take state() and tell
  // knownPixelsOf(surface()) what was written.
  cairo_surface_t* surface() const { return surface_; }
  // The pixels as they are now, +1, for an image: the context's own while
  // nothing but colours is in its state, else a copy.
  cairo_surface_t* takeImagePixels();

  std::atomic<long> refs{1};
  CGFloat scale = 1;  // pixels per point
  Colors colors;
  std::vector<Colors> savedColors;  // parallels cairo's saved states

 private:
  void keepOwnPixels();

  cairo_surface_t* surface_;  // owned
  cairo_t* cr_;               // owned
  KnownPixels* known_;        // surface_'s, when pooled
  bool shared_ = false;       // an image holds surface_
};
using CGContextRef = CGContext*;

namespace standin {

// A new context drawing into a cleared ARGB surface (RGB when opaque) of
// ceil(size × scale) pixels, its CTM scaled by `scale`; +1. Nil when the size
// or scale is not positive and finite, or the surface would be unreasonably
// large.
CGContextRef createBitmapContextForSize(CGSize size, CGFloat scale, bool opaque);

}  // namespace standin

CGContextRef CGContextRetain(CGContextRef c);
void CGContextRelease(CGContextRef c);

void CGContextSaveGState(CGContextRef c);
void CGContextRestoreGState(CGContextRef c);
void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);

void CGContextSetLineWidth(CGContextRef c, CGFloat width);
void CGContextSetStrokeColorWithColor(CGContextRef c, CGColorRef color);
void CGContextSetFillColorWithColor(CGContextRef c, CGColorRef color);
void CGContextSetRGBFillColor(CGContextRef c, CGFloat r, CGFloat g, CGFloat b, CGFloat a);
void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat r, CGFloat g, CGFloat b, CGFloat a);

void CGContextBeginPath(CGContextRef c);
void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y);
// A line from the current point to the first tangent point, then the arc of
// the given radius tangent to the lines (current point → (x1,y1)) and
// ((x1,y1) → (x2,y2)). With collinear points or a zero radius, a line to
// (x1,y1). Without a current point nothing is added.
void CGContextAddArcToPoint(CGContextRef c, CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2, CGFloat radius);
void CGContextAddRect(CGContextRef c, CGRect rect);
void CGContextAddEllipseInRect(CGContextRef c, CGRect rect);
void CGContextClosePath(CGContextRef c);

namespace standin {

// True when the path has a current point.
bool contextHasCurrentPoint(CGContextRef c);

}  // namespace standin

// Painting the path consumes it (nonzero winding rule, as the device).
void CGContextFillPath(CGContextRef c);
void CGContextStrokePath(CGContextRef c);
// Intersects the clip with the path and consumes the path.
void CGContextClip(CGContextRef c);

// These paint a shape of their own; the ellipse calls clear the current path
// as on the device, CGContextFillRect leaves it as it was.
void CGContextStrokeEllipseInRect(CGContextRef c, CGRect rect);
void CGContextFillEllipseInRect(CGContextRef c, CGRect rect);
void CGContextFillRect(CGContextRef c, CGRect rect);
void CGContextClearRect(CGContextRef c, CGRect rect);

namespace standin {

// Paints `image` (a cairo image surface of pixelWidth × pixelHeight) scaled
// into `rect` in user space, under the current clip.
void drawSurfaceInRect(CGContextRef c, cairo_surface_t* image, CGRect rect);

}  // namespace standin
