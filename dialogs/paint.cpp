// The dialogs' shapes. Each clips to the surface once and then writes only
// inside the clipped rectangle.
#include "dialogs/paint.h"

#include <algorithm>
#include <cmath>

#include "imaging/raster.h"

namespace lantern::dialogs {

namespace {

uint32_t Mix(uint32_t under, uint32_t over, double amount) {
  if (amount <= 0) return under;
  if (amount >= 1) return over & 0xFFFFFF;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double a = (under >> shift) & 0xFF;
    const double b = (over >> shift) & 0xFF;
    out |= static_cast<uint32_t>(std::lround(a + (b - a) * amount)) << shift;
  }
  return out;
}

// Signed distance from a point to the outline of a rounded rectangle centred
// at the origin with half-extents hx, hy and corner radius r: negative inside.
double RoundedDistance(double x, double y, double hx, double hy, double r) {
  const double qx = std::fabs(x) - (hx - r);
  const double qy = std::fabs(y) - (hy - r);
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - r;
}

void FillRect(const platform::Surface& s, const platform::Rect& r, uint32_t colour) {
  imaging::Fill(s, r.left, r.top, r.width(), r.height(), colour & 0xFFFFFF);
}

}  // namespace

void DrawRoundedFace(const platform::Surface& surface, const platform::Rect& face, int32_t corner,
                     uint32_t background, uint32_t fill, uint32_t border) {
  const platform::Rect clip = platform::Intersect(face, surface.bounds());
  if (clip.empty()) return;
  // The outline runs through the centres of the face's outermost pixels.
  const double hx = (face.width() - 1) / 2.0;
  const double hy = (face.height() - 1) / 2.0;
  const double r = std::clamp<double>(corner, 0.0, std::min(hx, hy));
  const double cx = face.left + hx;
  const double cy = face.top + hy;
  for (int32_t y = clip.top; y < clip.bottom; ++y) {
    uint32_t* row = surface.Row(y);
    for (int32_t x = clip.left; x < clip.right; ++x) {
      const double d = RoundedDistance(x - cx, y - cy, hx, hy, r);
      uint32_t pixel = Mix(background & 0xFFFFFF, fill, 0.5 - d);
      pixel = Mix(pixel, border, 1.0 - std::fabs(d));
      row[x] = pixel;
    }
  }
}

void DrawEtchedFrame(const platform::Surface& surface, const platform::Rect& f, uint32_t shadow,
                     uint32_t highlight) {
  if (f.width() < 2 || f.height() < 2) return;
  const auto box = [&](int32_t l, int32_t t, int32_t r, int32_t b, uint32_t c) {
    FillRect(surface, {l, t, r, t + 1}, c);
    FillRect(surface, {l, b - 1, r, b}, c);
    FillRect(surface, {l, t, l + 1, b}, c);
    FillRect(surface, {r - 1, t, r, b}, c);
  };
  box(f.left + 1, f.top + 1, f.right, f.bottom, highlight);
  box(f.left, f.top, f.right - 1, f.bottom - 1, shadow);
}

void DrawSunkenBox(const platform::Surface& surface, const platform::Rect& b, uint32_t fill,
                   uint32_t shadow, uint32_t highlight) {
  FillRect(surface, b, fill);
  FillRect(surface, {b.left, b.top, b.right, b.top + 1}, shadow);
  FillRect(surface, {b.left, b.top, b.left + 1, b.bottom}, shadow);
  FillRect(surface, {b.left, b.bottom - 1, b.right, b.bottom}, highlight);
  FillRect(surface, {b.right - 1, b.top, b.right, b.bottom}, highlight);
}

}  // namespace lantern::dialogs
