#include "coregraphics/circle_raster.h"

#include "coregraphics/pixel_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The area of the unit pixel square, centred on the origin, on the side
// { n·p ≤ t } of a line with unit normal n = (a, b).
double halfPlaneCoverage(double a, double b, double t) {
  a = std::fabs(a), b = std::fabs(b);
  if (a < b) std::swap(a, b);
  const double h = (a + b) / 2;  // half the square's extent along n
  if (t <= -h) return 0;
  if (t >= h) return 1;
  if (b < 1e-9) return 0.5 + t / a;  // an axis-aligned edge: linear
  const double knee = (a - b) / 2;
  if (t < -knee) return (t + h) * (t + h) / (2 * a * b);
  if (t > knee) return 1 - (h - t) * (h - t) / (2 * a * b);
  return 0.5 + t / a;
}

// Coverage of the pixel centred at distance d (direction (ux, uy)) from the
// centre by the disc of radius r.
double discCoverage(double r, double d, double ux, double uy) {
  if (r <= 0) return 0;
  if (d <= r - 0.75) return 1;  // the farthest corner is within √2/2 < 0.75
  if (d >= r + 0.75) return 0;
  return halfPlaneCoverage(ux, uy, r - d);
}

// Rings up to this radius (in pixels) are painted through a remembered mask.
constexpr double kMaxMaskedRadius = 128;
constexpr int kRememberedMasks = 8;
// Squares of up to this side are kept whole (LastPainted): at most 8 masks
// × 4 colours × 2 squares × 16 kB, 1 MB per thread.
constexpr int kMaxKeptSquare = 64;

// A row of a mask is cut into runs of like pixels: wholly covered ones are
// stored as one span of the solid colour, edge pixels are blended one by
// one, and uncovered ones (around the ring and in its hole) are skipped.
struct MaskRun {
  int from, to;  // [from, to) within the row
  bool full;     // every pixel wholly covered; else partly, each blended
  int partial;   // a partly covered run's first pixel among all such pixels, in order
};

// The colour a ring is painted in, and whether the surface has no alpha.
struct PaintColour {
  double rgba[4];
  bool opaqueSurface;
  bool operator==(const PaintColour&) const = default;
};

// A blended pixel depends only on the pixel beneath, the coverage and the
// colour, and a row's dot is painted again at the same place over the same
// pixels at every call. So a mask remembers, for each of its partly covered
// pixels and for the last few colours, the last pixel it was painted over
// and the result: read in order, a hit is one load and one compare. Each
// starts as over nothing, where a fresh canvas is painted first.
//
// When the whole mask lies on the surface, the mask's square as it was
// before and after the last painting in that colour is kept too: a row's dot
// is painted over the same pixels at every call (a cleared canvas, then the
// outline), so the square is compared row by row and the result copied,
// where each pixel would have cost a load, a compare and a store. A pooled
// canvas names its content (pixel_pool.h): painted at the same place over
// content of the name it had last time, the square is not even compared.
struct LastPainted {
  PaintColour colour{};
  std::vector<std::uint64_t> beneathAndResult;             // by MaskRun::partial; beneath in the high half
  std::vector<std::uint32_t> squareBeneath, squareResult;  // size × size, row by row; empty: none kept
  // The squares' surface when it was named (KnownPixels::tag), where they
  // lay on it, and the name given to what the painting made of it: painting
  // there over content of that name gives that result without a compare.
  std::uint64_t beneathTag = 0, resultTag = 0;
  double atX = 0, atY = 0;

  // Whether the squares were kept over content named `tag`, at (x, y).
  bool keptOver(std::uint64_t tag, double x, double y) const {
    return tag && beneathTag == tag && atX == x && atY == y;
  }

  void forgetSquares() {
    squareBeneath.clear();
    squareResult.clear();
    beneathTag = 0;
  }
};
struct RingMask {
  double fractionX = -1, fractionY = -1, inner = -1, outer = -1;
  int offset = 0;  // of the mask's first pixel from the centre's pixel, both ways
  int size = 0;
  std::vector<float> coverage;  // size × size, row by row
  std::vector<MaskRun> runs;    // every row's, in order
  std::vector<int> rowRuns;     // row y's runs are runs[rowRuns[y], rowRuns[y + 1])
  int partialPixels = 0;
  static constexpr int kColours = 4;
  mutable LastPainted lastPainted[kColours];
  mutable int nextColour = 0;

  // The remembered pixels for `colour`, made afresh when it is new.
  template <class Blend>
  LastPainted& lastPaintedIn(const PaintColour& colour, Blend blend) const {
    for (LastPainted& l : lastPainted)
      if (!l.beneathAndResult.empty() && l.colour == colour) return l;
    LastPainted& l = lastPainted[nextColour];
    nextColour = (nextColour + 1) % kColours;
    l.colour = colour;
    l.forgetSquares();
    l.beneathAndResult.assign(static_cast<std::size_t>(partialPixels), 0);
    for (int y = 0; y < size; ++y)
      for (int r = rowRuns[y]; r < rowRuns[y + 1]; ++r) {
        const MaskRun& run = runs[r];
        if (run.full) continue;
        for (int x = run.from; x < run.to; ++x) {
          std::uint32_t result = 0;
          blend(result, coverage[static_cast<std::size_t>(y) * size + x]);
          l.beneathAndResult[run.partial + (x - run.from)] = result;
        }
      }
    return l;
  }
};

template <class Coverage>
const RingMask& ringMask(double fractionX, double fractionY, double inner, double outer, Coverage coverageAt) {
  thread_local RingMask masks[kRememberedMasks];
  thread_local int next = 0;
  for (const RingMask& m : masks)
    if (m.fractionX == fractionX && m.fractionY == fractionY && m.inner == inner && m.outer == outer) return m;
  RingMask& m = masks[next];
  next = (next + 1) % kRememberedMasks;
  m.fractionX = fractionX, m.fractionY = fractionY, m.inner = inner, m.outer = outer;
  const int reach = static_cast<int>(std::ceil(outer)) + 2;
  m.offset = -reach;
  m.size = 2 * reach + 1;
  m.coverage.assign(static_cast<std::size_t>(m.size) * m.size, 0.0f);
  m.runs.clear();
  m.rowRuns.assign(m.size + 1, 0);
  m.partialPixels = 0;
  for (LastPainted& l : m.lastPainted) {
    l.beneathAndResult.clear();
    l.forgetSquares();
  }
  for (int y = 0; y < m.size; ++y) {
    m.rowRuns[y] = static_cast<int>(m.runs.size());
    for (int x = 0; x < m.size; ++x) {
      const float c = static_cast<float>(coverageAt(m.offset + x + 0.5 - fractionX, m.offset + y + 0.5 - fractionY));
      m.coverage[static_cast<std::size_t>(y) * m.size + x] = c;
      if (!(c > 0)) continue;
      const bool full = c >= 1;
      if (!m.runs.empty() && static_cast<int>(m.runs.size()) > m.rowRuns[y] && m.runs.back().to == x &&
          m.runs.back().full == full)
        m.runs.back().to = x + 1;
      else
        m.runs.push_back({x, x + 1, full, 0});
    }
  }
  m.rowRuns[m.size] = static_cast<int>(m.runs.size());
  for (MaskRun& run : m.runs)
    if (!run.full) {
      run.partial = m.partialPixels;
      m.partialPixels += run.to - run.from;
    }
  return m;
}

std::uint8_t toByte(double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); }

}  // namespace

bool paintCircleRing(cairo_surface_t* surface, double cx, double cy, double inner, double outer, const double rgba[4]) {
  if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return false;
  if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
  if (!(std::isfinite(cx) && std::isfinite(cy) && std::isfinite(inner) && std::isfinite(outer))) return false;
  if (!(inner >= 0 && inner < outer)) return false;
  for (int i = 0; i < 4; ++i)
    if (!std::isfinite(rgba[i])) return false;

  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  if (!data) return false;
  const bool opaqueSurface = format == CAIRO_FORMAT_RGB24;
  KnownPixels* known = knownPixelsOf(surface);
  auto rowBytesOf = [stride](double row) { return static_cast<std::size_t>(row) * static_cast<std::size_t>(stride); };

  const double alpha = std::clamp(rgba[3], 0.0, 1.0);
  const double red = std::clamp(rgba[0], 0.0, 1.0), green = std::clamp(rgba[1], 0.0, 1.0),
               blue = std::clamp(rgba[2], 0.0, 1.0);
  // The colour at full coverage, premultiplied, as a pixel: interior pixels
  // of an opaque colour are simply stored.
  const std::uint32_t solid = (std::uint32_t{toByte(alpha)} << 24) | (std::uint32_t{toByte(red * alpha)} << 16) |
                              (std::uint32_t{toByte(green * alpha)} << 8) | toByte(blue * alpha);

  // Bounds clamped while still in floating point: a huge circle must not
  // overflow an int.
  auto span = [](double from, double to, int limit, int& first, int& last) {
    first = static_cast<int>(std::clamp(std::floor(from), 0.0, static_cast<double>(limit)));
    last = static_cast<int>(std::clamp(std::ceil(to), 0.0, static_cast<double>(limit)));
  };
  int y0, y1;
  span(cy - outer - 1, cy + outer + 1, height, y0, y1);
  const double outerReach = (outer + 0.75) * (outer + 0.75);
  const double innerFull = inner > 0.75 ? (inner - 0.75) * (inner - 0.75) : -1;  // wholly inside the hole
  const double solidOuter = outer > 0.75 ? (outer - 0.75) * (outer - 0.75) : -1;
  const double solidInner = inner > 0 ? (inner + 0.75) * (inner + 0.75) : 0;

  // The share of the pixel centred at (dx, dy) from the centre that the ring
  // covers.
  auto coverageAt = [&](double dx, double dy) -> double {
    const double d2 = dx * dx + dy * dy;
    if (d2 >= outerReach || d2 <= innerFull) return 0;
    if (d2 <= solidOuter && d2 >= solidInner) return 1;
    const double d = std::sqrt(d2);
    const double ux = d > 0 ? dx / d : 1, uy = d > 0 ? dy / d : 0;
    return std::max(0.0, discCoverage(outer, d, ux, uy) - discCoverage(inner, d, ux, uy));
  };
  auto blend = [&](std::uint32_t& pixel, double coverage) {
    if (coverage <= 0) return;
    if (coverage >= 1 && alpha >= 1) {
      pixel = solid;
      return;
    }
    // OVER with premultiplied components: dst = src·coverage + dst·(1 − srcα·coverage).
    const double sa = alpha * coverage, keep = 1 - sa;
    if (pixel == 0 && !opaqueSurface) {  // over nothing: the same sums, each with its zero term left out
      pixel = (std::uint32_t{toByte(sa)} << 24) | (std::uint32_t{toByte(red * sa)} << 16) |
              (std::uint32_t{toByte(green * sa)} << 8) | toByte(blue * sa);
      return;
    }
    const double da = opaqueSurface ? 1.0 : ((pixel >> 24) & 0xff) / 255.0;
    const double dr = ((pixel >> 16) & 0xff) / 255.0, dg = ((pixel >> 8) & 0xff) / 255.0, db = (pixel & 0xff) / 255.0;
    pixel = (std::uint32_t{toByte(sa + da * keep)} << 24) | (std::uint32_t{toByte(red * sa + dr * keep)} << 16) |
            (std::uint32_t{toByte(green * sa + dg * keep)} << 8) | toByte(blue * sa + db * keep);
  };
  auto paintPixel = [&](std::uint32_t& pixel, double dx, double dy) { blend(pixel, coverageAt(dx, dy)); };

  // A small ring's coverage depends only on its radii and the centre's
  // position within a pixel; rows draw the same few dots at every call, so
  // each thread keeps the masks of the last few.
  if (outer <= kMaxMaskedRadius) {
    const double baseX = std::floor(cx), baseY = std::floor(cy);
    const RingMask& mask = ringMask(cx - baseX, cy - baseY, inner, outer, coverageAt);
    LastPainted& kept = mask.lastPaintedIn({{rgba[0], rgba[1], rgba[2], rgba[3]}, opaqueSurface}, blend);
    std::uint64_t* painted = kept.beneathAndResult.data();
    // The mask's rows and columns that fall within the surface.
    const double firstX = baseX + mask.offset, firstY = baseY + mask.offset;
    const double size = mask.size;
    const int first = static_cast<int>(std::clamp(-firstX, 0.0, size));
    const int last = static_cast<int>(std::clamp(width - firstX, 0.0, size));
    const int top = static_cast<int>(std::clamp(-firstY, 0.0, size));
    const int bottom = static_cast<int>(std::clamp(height - firstY, 0.0, size));
    const int shift = first < last ? static_cast<int>(firstX) : 0;  // the surface's column of the mask's first
    const bool wholeSquare =
        mask.size <= kMaxKeptSquare && first == 0 && last == mask.size && top == 0 && bottom == mask.size;
    const std::size_t rowBytes = static_cast<std::size_t>(mask.size) * sizeof(std::uint32_t);
    auto squareRow = [&](int my) {
      return reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(firstY + my) * stride) + shift;
    };
    // What the surface's content becomes, once the square is painted: named
    // when what it was is named and the squares now go with it.
    auto written = [&](bool squaresKept) {
      if (!known) return;
      std::uint64_t tag = 0;
      if (squaresKept && known->tag) {
        if (!kept.keptOver(known->tag, firstX, firstY)) {
          kept.beneathTag = known->tag, kept.atX = firstX, kept.atY = firstY;
          kept.resultTag = newPixelsTag();
        }
        tag = kept.resultTag;
      }
      known->written(rowBytesOf(firstY + top), rowBytesOf(firstY + bottom), tag);
    };
    if (wholeSquare && !kept.squareBeneath.empty()) {
      int my = known && kept.keptOver(known->tag, firstX, firstY) ? mask.size : 0;
      while (my < mask.size &&
             std::memcmp(squareRow(my), kept.squareBeneath.data() + static_cast<std::size_t>(my) * mask.size,
                         rowBytes) == 0)
        ++my;
      if (my == mask.size) {
        for (my = 0; my < mask.size; ++my)
          std::memcpy(squareRow(my), kept.squareResult.data() + static_cast<std::size_t>(my) * mask.size, rowBytes);
        written(true);
        cairo_surface_mark_dirty(surface);
        return true;
      }
    }
    auto keepSquare = [&](std::vector<std::uint32_t>& into) {
      into.resize(static_cast<std::size_t>(mask.size) * mask.size);
      for (int my = 0; my < mask.size; ++my)
        std::memcpy(into.data() + static_cast<std::size_t>(my) * mask.size, squareRow(my), rowBytes);
    };
    if (wholeSquare) {
      keepSquare(kept.squareBeneath);
      kept.beneathTag = 0;  // named again below if the surface's content is
    }
    for (int my = top; my < bottom; ++my) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(firstY + my) * stride);
      const float* coverage = mask.coverage.data() + static_cast<std::size_t>(my) * mask.size;
      for (int r = mask.rowRuns[my]; r < mask.rowRuns[my + 1]; ++r) {
        const MaskRun& run = mask.runs[r];
        const int from = std::max(run.from, first), to = std::min(run.to, last);
        if (from >= to) continue;
        if (run.full && alpha >= 1)
          std::fill(row + (shift + from), row + (shift + to), solid);
        else if (run.full)
          for (int mx = from; mx < to; ++mx) blend(row[shift + mx], coverage[mx]);
        else
          for (int mx = from; mx < to; ++mx) {
            std::uint32_t& pixel = row[shift + mx];
            std::uint64_t& remembered = painted[run.partial + (mx - run.from)];
            if (pixel == remembered >> 32) {
              pixel = static_cast<std::uint32_t>(remembered);
              continue;
            }
            const std::uint64_t beneath = pixel;
            blend(pixel, coverage[mx]);
            remembered = beneath << 32 | pixel;
          }
      }
    }
    if (wholeSquare) keepSquare(kept.squareResult);
    written(wholeSquare);
    cairo_surface_mark_dirty(surface);
    return true;
  }

  // Each row visits only the pixels that may be touched: outside the
  // circle's reach and inside the ring's hole are skipped as whole spans,
  // chosen a pixel narrower than they could be so rounding never skips a
  // touched one.
  for (int y = y0; y < y1; ++y) {
    const double dy = y + 0.5 - cy, dy2 = dy * dy;
    if (dy2 >= outerReach) continue;
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    const double reach = std::sqrt(outerReach - dy2);
    int from, to;
    span(cx - 0.5 - reach - 1, cx - 0.5 + reach + 2, width, from, to);
    int holeFrom = to, holeTo = to;  // [holeFrom, holeTo) is skipped
    if (innerFull > dy2) {
      const double hole = std::sqrt(innerFull - dy2);
      span(cx - 0.5 - hole + 2, cx - 0.5 + hole - 1, width, holeFrom, holeTo);
      holeFrom = std::clamp(holeFrom, from, to);
      holeTo = std::clamp(holeTo, holeFrom, to);
    }
    if (inner == 0 && alpha >= 1 && solidOuter > dy2) {
      // A disc's middle is stored as one run of the solid colour.
      const double middle = std::sqrt(solidOuter - dy2);
      span(cx - 0.5 - middle + 2, cx - 0.5 + middle - 1, width, holeFrom, holeTo);
      holeFrom = std::clamp(holeFrom, from, to);
      holeTo = std::clamp(holeTo, holeFrom, to);
      std::fill(row + holeFrom, row + holeTo, solid);
    }
    for (int x = from; x < holeFrom; ++x) paintPixel(row[x], x + 0.5 - cx, dy);
    for (int x = holeTo; x < to; ++x) paintPixel(row[x], x + 0.5 - cx, dy);
  }
  if (known) known->written(rowBytesOf(y0), rowBytesOf(y1), 0);
  cairo_surface_mark_dirty(surface);
  return true;
}
