// The scaled and tiled transitions: whole slides or pieces of them zoom,
// shrink, turn, whirl or fly. Scaled drawing always goes through a pixel
// array captured once per phase (once per tile for SpiralTiles); tiles that
// keep their size move with block copies.
#pragma once

#include <cstdint>

#include "imaging/raster.h"
#include "transitions/routine.h"

namespace lantern::transitions {

// --- whole slides scaled (scaled.cpp) ---
void Zoom(FrameRun& run, int32_t dir);            // 31: dir != 0 new grows, else old shrinks
void ZoomThrough(FrameRun& run, int32_t dir);     // 32 (two-way pick != 0): in, then out
void ShrinkGrow(FrameRun& run, int32_t dir);      // 32 (two-way pick 0): to black and back
void ShrinkDrop(FrameRun& run, int32_t dir);      // 35: shrinks, slides down, drops out
void RotatingPanels(FrameRun& run, int32_t dir);  // 39: dir != 0 starting right

// --- tiles (tiled.cpp) ---
void SpiralTiles(FrameRun& run, int32_t dir);  // 38: dir 0 new tiles out of the centre
void Whirlwind(FrameRun& run, int32_t dir);    // 19: dir 0 spins one way, else the other

// --- blocks that fly (flying.cpp) ---
void FlyingTiles(FrameRun& run, int32_t dir);  // 6: dir 0 new tiles in, else old tiles out
void Explode(FrameRun& run, int32_t dir);      // 7: no direction

// The whole of a captured array drawn scaled into a rectangle.
inline void DrawWhole(FrameRun& run, const Surface& d, int32_t x, int32_t y, int32_t w,
                      int32_t h, const imaging::PixelArray& a) {
  run.DrawArray(d, x, y, w, h, a, 0, 0, a.width, a.height);
}

// The whole of `s` copied onto `d` (both the size of the slide).
inline void CopyAll(FrameRun& run, const Surface& d, const Surface& s) {
  run.Copy(d, 0, 0, run.W(), run.H(), s, 0, 0);
}

// A whole surface captured as an array of its own size.
inline imaging::PixelArray CaptureAll(const Surface& s) {
  return imaging::Capture(s, 0, 0, s.width, s.height);
}

}  // namespace lantern::transitions
