// Pen lines: GDI's one-pixel line exactly, and a round pen of any width.
#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "imaging/raster.h"
#include "imaging/raster_internal.h"

namespace lantern::imaging {
namespace {

// 0x00BBGGRR (a COLORREF) as a surface pixel 0x00RRGGBB.
uint32_t PixelOf(uint32_t colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

void FillSpan(const Surface& dst, int64_t y, int64_t x0, int64_t x1, uint32_t pixel) {
  x0 = std::max<int64_t>(x0, 0);
  x1 = std::min<int64_t>(x1, dst.width);
  if (y < 0 || y >= dst.height || x0 >= x1) return;
  detail::FillRow(dst.Row(static_cast<int32_t>(y)) + x0, static_cast<int32_t>(x1 - x0), pixel);
}

// (a k + b) \ c for k = 0, 1, ... with c > 0, |a| <= c and any sign of a and b.
class FloorSteps {
 public:
  FloorSteps(int64_t a, int64_t b, int64_t c) : step_(a), divisor_(c) {
    quotient_ = b / c;
    remainder_ = b % c;
    if (remainder_ < 0) {
      remainder_ += c;
      --quotient_;
    }
  }
  int64_t Next() {
    const int64_t value = quotient_;
    remainder_ += step_;
    if (remainder_ >= divisor_) {
      remainder_ -= divisor_;
      ++quotient_;
    } else if (remainder_ < 0) {
      remainder_ += divisor_;
      --quotient_;
    }
    return value;
  }

 private:
  int64_t step_, divisor_, quotient_ = 0, remainder_ = 0;
};

// One pixel per step along the major axis, end point excluded; the minor
// coordinate is k * minor / major rounded to nearest, ties to the smaller
// coordinate: (2 k minor + major - 1) \ (2 major).
void ThinLine(const Surface& dst, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t pixel) {
  const int64_t dx = x2 - x1, dy = y2 - y1;
  if (dy == 0) {
    FillSpan(dst, y1, dx > 0 ? x1 : x2 + 1, dx > 0 ? x2 : x1 + 1, pixel);
    return;
  }
  const bool x_major = std::abs(dx) >= std::abs(dy);
  const int64_t major = x_major ? std::abs(dx) : std::abs(dy);
  const int64_t minor = x_major ? dy : dx;
  const int64_t major0 = x_major ? x1 : y1, minor0 = x_major ? y1 : x1;
  const int64_t major_step = (x_major ? dx : dy) > 0 ? 1 : -1;
  const int64_t major_size = x_major ? dst.width : dst.height;
  const int64_t minor_size = x_major ? dst.height : dst.width;
  // Only the steps whose major coordinate lies inside the surface.
  const int64_t k_lo = std::max<int64_t>(0, major_step > 0 ? -major0 : major0 - major_size + 1);
  const int64_t k_hi = std::min<int64_t>(major, major_step > 0 ? major_size - major0 : major0 + 1);
  FloorSteps minor_steps(2 * minor, major - 1 + 2 * minor * k_lo, 2 * major);
  for (int64_t k = k_lo; k < k_hi; ++k) {
    const int64_t along = major0 + major_step * k;
    const int64_t across = minor0 + minor_steps.Next();
    if (along < 0 || along >= major_size || across < 0 || across >= minor_size) continue;
    const int64_t x = x_major ? along : across, y = x_major ? across : along;
    dst.Row(static_cast<int32_t>(y))[x] = pixel;
  }
}

// The points closer than r to the segment from a to b.
struct Capsule {
  double ax, ay, bx, by, r;
};

// Widens [lo, hi] to hold [from, to] when that is not empty.
void Include(double from, double to, double& lo, double& hi) {
  if (from >= to) return;
  lo = std::min(lo, from);
  hi = std::max(hi, to);
}

void IncludeDisc(double cx, double cy, double r, double y, double& lo, double& hi) {
  const double q = r * r - (y - cy) * (y - cy);
  if (q > 0) Include(cx - std::sqrt(q), cx + std::sqrt(q), lo, hi);
}

// The part of row y in the band swept by the disc's diameter across the
// segment: |cross| < r |b - a| and 0 <= dot <= |b - a|^2, both linear in x.
void IncludeBand(const Capsule& c, double y, double& lo, double& hi) {
  const double ex = c.bx - c.ax, ey = c.by - c.ay, length2 = ex * ex + ey * ey;
  if (length2 == 0) return;
  const double u = y - c.ay, reach = c.r * std::sqrt(length2);
  double t0 = -HUGE_VAL, t1 = HUGE_VAL;  // x - ax
  if (ey == 0) {
    if (std::abs(ex * u) >= reach) return;
  } else {
    const double p = (ex * u - reach) / ey, q = (ex * u + reach) / ey;
    t0 = std::min(p, q);
    t1 = std::max(p, q);
  }
  if (ex == 0) {
    if (ey * u < 0 || ey * u > length2) return;
  } else {
    const double p = -ey * u / ex, q = (length2 - ey * u) / ex;
    t0 = std::max(t0, std::min(p, q));
    t1 = std::min(t1, std::max(p, q));
  }
  Include(c.ax + t0, c.ax + t1, lo, hi);
}

void WideLine(const Surface& dst, const Capsule& c, uint32_t pixel) {
  const double top = std::ceil(std::min(c.ay, c.by) - c.r);
  const double bottom = std::floor(std::max(c.ay, c.by) + c.r);
  const int64_t y0 = std::max<int64_t>(0, static_cast<int64_t>(top));
  const int64_t y1 = std::min<int64_t>(dst.height - 1, static_cast<int64_t>(bottom));
  for (int64_t y = y0; y <= y1; ++y) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    const double row = static_cast<double>(y);
    IncludeDisc(c.ax, c.ay, c.r, row, lo, hi);
    IncludeDisc(c.bx, c.by, c.r, row, lo, hi);
    IncludeBand(c, row, lo, hi);
    if (lo >= hi) continue;
    // Pixel centres strictly inside the open interval. Ends beyond the row
    // are brought to just outside it first (the span is clipped there
    // anyway), so they convert as 32-bit numbers: a 64-bit conversion costs
    // far more on 32-bit x86, once per row of every line.
    const double edge = dst.width + 2.0;
    FillSpan(dst, y, base::Int32(std::clamp(lo, -2.0, edge)) + 1,
             -base::Int32(-std::clamp(hi, -2.0, edge)), pixel);
  }
}

}  // namespace

void DrawLine(const Surface& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen_width,
              uint32_t colour) {
  if (!dst.valid()) return;
  for (const int64_t v : {x1, y1, x2, y2, pen_width}) {
    if (!detail::InRange(v)) return;
  }
  const uint32_t pixel = PixelOf(colour);
  if (pen_width <= 1) {
    ThinLine(dst, x1, y1, x2, y2, pixel);
    return;
  }
  // An even pen is centred on the corner above and left of the pixel.
  const double shift = pen_width % 2 == 0 ? 0.5 : 0.0;
  WideLine(dst, {x1 - shift, y1 - shift, x2 - shift, y2 - shift, pen_width / 2.0}, pixel);
}

}  // namespace lantern::imaging
