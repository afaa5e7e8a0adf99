// Image surfaces over pixel buffers that are reused. Rows draw and drop an
// icon-sized bitmap or two at every call; with plain allocations the heap
// gives the freed buffers back to the system at every unlock and faults
// them in again at the next lock. Freed buffers wait here instead, up to a
// bounded total, for the next surface of the same size.
//
// A pooled buffer also carries what is known of its pixels, so that a
// canvas is cleared only where it was painted, and a painter that has
// already painted the same thing over the same pixels can copy its result.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>

// What is known of a pooled surface's pixels. Whoever writes them must say
// so: forget() when the change is not tracked, else written() with the byte
// range it touched and a new tag (0 if the new content cannot be named).
struct KnownPixels {
  // Names the whole surface's content: two pooled surfaces with the same
  // nonzero tag hold byte-identical pixels. 0: unknown.
  std::uint64_t tag = 0;
  // Bytes outside [dirtyFrom, dirtyTo) are known to be zero.
  std::size_t dirtyFrom = 0, dirtyTo = 0;

  void forget();
  void written(std::size_t from, std::size_t to, std::uint64_t newTag);
};

// An image surface of the format and size whose pixels come from the pool:
// cleared when `clear`, else holding whatever the buffer held. A surface in
// an error state when the size is not positive or the buffer cannot be had.
cairo_surface_t* createPooledImageSurface(cairo_format_t format, int width, int height, bool clear);

// What is known of a pooled surface's pixels; nullptr for any other surface.
KnownPixels* knownPixelsOf(cairo_surface_t* surface);

// A tag no content has had before.
std::uint64_t newPixelsTag();
