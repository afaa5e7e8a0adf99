// A direct painter for the one shape lock-screen rows draw at every call: a
// solid disc or ring (a stroked circle) in one colour, composited with OVER
// onto an image surface. Cairo paints the same shape by flattening the
// circle into a polygon, stroking it into another and scan-converting both,
// which costs several times more than the whole row it is drawn for; here
// each pixel's coverage is computed from its distance to the centre, edge
// pixels as the exact area of the pixel on the inner side of the tangent
// line. Edge pixels differ from cairo's by at most an eighth of full
// coverage, because cairo draws the circle as chords up to a tenth of a
// pixel inside it. Masks of recent small rings are kept per thread.
#pragma once

#include <cairo.h>

// Paints, in device pixels, the ring of centre (cx, cy) between radii
// `inner` and `outer` (a disc when `inner` is 0) in `rgba` (components 0…1,
// not premultiplied). Returns false, having painted nothing, when the
// surface is not a 32-bit image surface or the figures are not finite with
// 0 ≤ inner < outer; the caller then paints through cairo.
bool paintCircleRing(cairo_surface_t* surface, double cx, double cy, double inner, double outer, const double rgba[4]);
