// Brushes and blending.
#include "platform/native/text_paint.h"

#include <algorithm>
#include <cmath>

namespace lantern::platform::native {

namespace {

uint32_t Div255(uint32_t v) {
  return (v + 127) / 255;
}

// A position along a gradient mirrored beyond its rectangle: 0 at the start
// colour, 1 at the end colour, back to 0 one more rectangle on.
double Mirrored(double t) {
  double f = std::fmod(t, 2.0);
  if (f < 0) f += 2;
  return f > 1 ? 2 - f : f;
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double ca = a >> shift & 0xFF;
    const double cb = b >> shift & 0xFF;
    out |= static_cast<uint32_t>(std::lround(ca + (cb - ca) * t)) << shift;
  }
  return out;
}

// `argb` at `cover` (0-255) over a pixel.
uint32_t Blend(uint32_t pixel, uint32_t argb, uint32_t cover, bool premultiplied) {
  const uint32_t alpha = Div255((argb >> 24) * cover);
  if (alpha == 0) return pixel;
  const uint32_t keep = 255 - alpha;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t src = argb >> shift & 0xFF;
    const uint32_t dst = pixel >> shift & 0xFF;
    // A layer's channel is the colour times its alpha; each term rounds the
    // same way as the alpha's, so no channel exceeds its pixel's alpha.
    const uint32_t c =
        premultiplied ? Div255(src * alpha) + Div255(dst * keep) : Div255(src * alpha + dst * keep);
    out |= c << shift;
  }
  const uint32_t a = premultiplied ? alpha + Div255((pixel >> 24) * keep) : pixel >> 24;
  return out | a << 24;
}

bool GradientPaints(const TextFill& fill) {
  const bool sized = std::isfinite(fill.gradient_width) && std::isfinite(fill.gradient_height) &&
                     std::isfinite(fill.gradient_left) && std::isfinite(fill.gradient_top) &&
                     fill.gradient_width > 0 && fill.gradient_height > 0;
  return sized && fill.gradient_mode >= 0 && fill.gradient_mode <= 3;
}

}  // namespace

Brush::Brush(const TextFill& fill) : fill_(fill) {
  switch (fill.kind) {
    case TextFill::Kind::kSolid:
      kind_ = fill.kind;
      break;
    case TextFill::Kind::kGradient:
      if (GradientPaints(fill)) kind_ = fill.kind;
      break;
    case TextFill::Kind::kTexture:
      if (fill.texture != nullptr && !fill.texture->empty() &&
          fill.texture->pixels.size() >= static_cast<size_t>(fill.texture->width) *
                                             static_cast<size_t>(fill.texture->height)) {
        kind_ = fill.kind;
      }
      break;
    case TextFill::Kind::kNone:
      break;
  }
}

Brush::Brush(uint32_t argb) : kind_(TextFill::Kind::kSolid) {
  fill_.argb1 = argb;
}

uint32_t Brush::At(int32_t x, int32_t y) const {
  switch (kind_) {
    case TextFill::Kind::kGradient:
      return GradientAt(x, y);
    case TextFill::Kind::kTexture: {
      const DecodedImage& t = *fill_.texture;
      const int32_t tx = (x % t.width + t.width) % t.width;
      const int32_t ty = (y % t.height + t.height) % t.height;
      return t
          .pixels[static_cast<size_t>(ty) * static_cast<size_t>(t.width) + static_cast<size_t>(tx)];
    }
    default:
      return fill_.argb1;
  }
}

// Horizontal and vertical run from the rectangle's left or top edge to the
// opposite one; the forward diagonal from its top-left corner to its
// bottom-right one, the backward diagonal from top-right to bottom-left, the
// colour constant along lines through the other two corners.
uint32_t Brush::GradientAt(int32_t x, int32_t y) const {
  const double u = (x + 0.5 - fill_.gradient_left) / fill_.gradient_width;
  const double v = (y + 0.5 - fill_.gradient_top) / fill_.gradient_height;
  double t = 0;
  switch (fill_.gradient_mode) {
    case 0:
      t = u;
      break;
    case 1:
      t = v;
      break;
    case 2:
      t = (u + v) / 2;
      break;
    default:
      t = (1 - u + v) / 2;
      break;
  }
  return Mix(fill_.argb1, fill_.argb2, Mirrored(t));
}

void Paint(const Surface& surface, const Coverage& coverage, const Brush& brush, bool premultiplied,
           bool smooth) {
  if (!brush.paints()) return;
  const Rect area = Intersect(coverage.area(), surface.bounds());
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* cover = coverage.Row(y);
    const int32_t first = coverage.area().left;
    uint32_t* row = surface.Row(y);
    for (int32_t x = area.left; x < area.right; ++x) {
      uint32_t c = cover[x - first];
      if (!smooth) c = c >= 128 ? 255 : 0;
      if (c != 0) row[x] = Blend(row[x], brush.At(x, y), c, premultiplied);
    }
  }
}

}  // namespace lantern::platform::native
