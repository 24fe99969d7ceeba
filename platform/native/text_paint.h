// Painting covered pixels: the colour a text's fill gives each pixel (solid,
// a linear gradient mirrored beyond its rectangle, or a picture tiled from
// the surface's origin as the Windows texture brush tiles it), and drawing it
// through coverage onto a surface, on a layer in premultiplied alpha.
#pragma once

#include <cstdint>

#include "platform/native/coverage.h"
#include "platform/platform.h"

namespace lantern::platform::native {

class Brush {
 public:
  // The brush of a fill; one that paints nothing for no fill, a texture
  // without pixels, a gradient over an empty rectangle or of no known mode.
  explicit Brush(const TextFill& fill);
  // A solid colour.
  explicit Brush(uint32_t argb);

  bool paints() const { return kind_ != TextFill::Kind::kNone; }
  // The straight (not premultiplied) ARGB colour at a pixel.
  uint32_t At(int32_t x, int32_t y) const;

 private:
  uint32_t GradientAt(int32_t x, int32_t y) const;

  TextFill::Kind kind_ = TextFill::Kind::kNone;
  TextFill fill_;
};

// Draws the brush over the surface through the coverage: every pixel of the
// coverage's area blended by its colour's alpha times its coverage (all or
// nothing unless `smooth`). On a layer (`premultiplied`) the pixels are
// premultiplied ARGB and keep their alpha; elsewhere the colour channels are
// blended and the alpha byte is left as it is.
void Paint(const Surface& surface, const Coverage& coverage, const Brush& brush, bool premultiplied,
           bool smooth);

}  // namespace lantern::platform::native
