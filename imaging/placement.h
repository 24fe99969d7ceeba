// Where a picture of w x h pixels lands on a surface of W x H pixels in each
// of the five draw-scale modes: 0 shrink to fit and centre (never enlarge),
// 1 placed at a given position (random when the position is 0, 0), 2 tiled
// from the top-left corner, 3 fit and centre, 4 stretched over the surface.
#pragma once

#include <cstdint>

#include "base/rnd.h"
#include "platform/surface.h"

namespace lantern::imaging {

enum DrawScaleMode : int32_t {
  kShrinkToFit = 0,
  kPlaced = 1,
  kTiled = 2,
  kFit = 3,
  kStretch = 4,
};

struct Placement {
  bool visible = false;  // false: the mode draws nothing (an unknown mode, an empty picture)
  // The picture's rectangle, in pixels of the surface, as fractions: the fit
  // rule centres by the rounded size but scales by the exact factor.
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  // Tiled mode: the picture is drawn once at (0, 0) and copied to a grid of
  // columns x rows cells, column by column.
  int32_t columns = 1;
  int32_t rows = 1;

  // The destination in whole pixels: edges rounded to the nearest pixel.
  platform::Rect PixelRect() const;
};

// `seconds_since_midnight` reseeds the generator for the random position of
// mode 1 (the clock's reading, passed in so the geometry stays testable).
Placement PlacePicture(int32_t mode, int32_t w, int32_t h, int32_t surface_w, int32_t surface_h,
                       int32_t x, int32_t y, base::Rnd& rnd, double seconds_since_midnight);

}  // namespace lantern::imaging
