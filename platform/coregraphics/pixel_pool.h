// Image surfaces over pixel buffers that are reused. Rows draw and drop an
// icon-sized bitmap or two at every call; with plain allocations the heap
// gives the freed buffers back to the system at every unlock and faults
// them in again at the next lock. Freed buffers wait here instead, up to a
// bounded total, for the next surface of the same size.
#pragma once

#include <cairo.h>

// An image surface of the format and size whose pixels come from the pool:
// cleared when `clear`, else holding whatever the buffer held. A surface in
// an error state when the size is not positive or the buffer cannot be had.
cairo_surface_t* createPooledImageSurface(cairo_format_t format, int width, int height, bool clear);
