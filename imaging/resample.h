// Draws a decoded picture scaled into a rectangle of a surface, our own way:
// per axis, an area average when the picture shrinks and bilinear
// interpolation when it grows. This is much faster than the platform's
// high-quality scaling and looks as good. Pictures with transparency are
// interpolated with premultiplied alpha (so the hidden colour of transparent
// pixels never bleeds into the edges) and composited over what the surface
// already shows.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/decoded_image.h"
#include "platform/surface.h"

namespace lantern::imaging {

// Working memory kept from one picture to the next.
struct ResampleScratch {
  std::vector<uint32_t> rows;  // the horizontally scaled source rows
};

// dest may reach past the surface; only the visible part is computed.
// `cancelled` is asked before each source and each output row; once it says
// so the drawing stops half done and the result is false.
bool DrawPicture(const platform::Surface& dst, const platform::Rect& dest,
                 const DecodedImage& picture, ResampleScratch& scratch,
                 const platform::DecodeCancelled& cancelled = {});

}  // namespace lantern::imaging
