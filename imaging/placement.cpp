// The draw-scale geometry.
#include "imaging/placement.h"

#include <algorithm>

#include "base/rounding.h"

namespace lantern::imaging {

namespace {

// Scale to fit the surface, keeping the aspect: by height when the picture is
// relatively taller, else by width. The position centres the rounded size.
Placement Fit(double w, double h, double W, double H) {
  double s;
  double tw;
  double th;
  if (h / H > w / W) {
    s = H / h;
    th = static_cast<double>(base::Round(H));
    tw = static_cast<double>(base::Round(w * s));
  } else {
    s = W / w;
    tw = static_cast<double>(base::Round(W));
    th = static_cast<double>(base::Round(s * h));
  }
  tw = std::min(tw, W);
  th = std::min(th, H);
  if (s == 0) s = 1;
  return {true, (W - tw) / 2, (H - th) / 2, w * s, h * s};
}

Placement Natural(double left, double top, double w, double h) {
  return {true, left, top, w, h};
}

}  // namespace

platform::Rect Placement::PixelRect() const {
  const auto x0 = static_cast<int32_t>(base::Round(left));
  const auto y0 = static_cast<int32_t>(base::Round(top));
  return {x0, y0, static_cast<int32_t>(base::Round(left + width)),
          static_cast<int32_t>(base::Round(top + height))};
}

Placement PlacePicture(int32_t mode, int32_t w, int32_t h, int32_t surface_w, int32_t surface_h,
                       int32_t x, int32_t y, base::Rnd& rnd, double seconds_since_midnight) {
  if (w <= 0 || h <= 0 || surface_w <= 0 || surface_h <= 0) return {};
  const double pw = w;
  const double ph = h;
  const double W = surface_w;
  const double H = surface_h;
  switch (mode) {
    case kShrinkToFit:
      if (W >= pw && H >= ph) {
        return Natural(static_cast<double>(base::Round((W - pw) / 2)),
                       static_cast<double>(base::Round((H - ph) / 2)), pw, ph);
      }
      return Fit(pw, ph, W, H);
    case kFit:
      return Fit(pw, ph, W, H);
    case kPlaced: {
      if (x != 0 || y != 0) return Natural(x, y, pw, ph);
      rnd.Reseed(seconds_since_midnight);
      const double r1 = rnd.Next();
      const double r2 = rnd.Next();
      return Natural(static_cast<double>(base::Round((W - pw) * r1)),
                     static_cast<double>(base::Round(r2 * (H - ph))), pw, ph);
    }
    case kTiled: {
      Placement p = Natural(0, 0, pw, ph);
      p.columns = static_cast<int32_t>(base::Int(W / pw)) + 1;
      p.rows = static_cast<int32_t>(base::Int(H / ph)) + 1;
      return p;
    }
    case kStretch:
      return Natural(0, 0, W, H);
    default:
      return {};
  }
}

}  // namespace lantern::imaging
