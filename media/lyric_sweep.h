// The geometry of the karaoke sweep: a line rendered once into a normal and
// a highlight layer is shown as two abutting slices, the sung part (left) from
// the highlight window and the unsung part (right) from the normal window, so
// each tick only moves and resizes the two windows.
#pragma once

#include <cstdint>

#include "media/lyrics.h"

namespace lantern::media {

// A window's share of its layer: columns sx .. sx + cx - 1 of the layer shown
// with the window's left edge at screen column x.
struct LyricSlice {
  int32_t x = 0;
  int32_t sx = 0;
  int32_t cx = 0;
  bool empty() const { return cx <= 0; }
  friend bool operator==(const LyricSlice&, const LyricSlice&) = default;
};

// The two windows' slices of a line at one moment of its sweep.
struct SweepSlices {
  LyricSlice normal;     // the unsung part, right of the sweep point
  LyricSlice highlight;  // the sung part, left of it
};

// Where a line stands in its layer, which is where its sweep starts.
enum class LinePlace { kCentred, kLeft, kRight };

// The left margin of a centred line: half the free space, the odd pixel
// going to the left (f = 301 gives 151). Negative for a line wider than the
// layer.
int32_t CentredMargin(int32_t layer_width, int32_t line_width);

// Pixels of the line already sung at t: the sung fraction of the sweep's
// interval times the line's width, to the nearest whole number.
int32_t SungPixels(const Sweep& sweep, int32_t t, int32_t line_width);

// The slices of a line `line_width` wide placed in a layer `layer_width` wide
// whose windows' left edge is at screen column `left`, with `sung` pixels
// sung. Both slices are cut to the layer's columns, so they abut at the sweep
// point, and either may be empty (the sweep before the line's start, or past
// its end when the line is wider than the layer).
SweepSlices SliceSweep(LinePlace place, int32_t left, int32_t layer_width, int32_t line_width,
                       int32_t sung);

}  // namespace lantern::media
