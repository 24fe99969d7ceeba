// The reveal-pattern transitions: nothing moves; the new slide is copied onto
// PicDst piece by piece, each piece to its own place, and the order and shape
// of the pieces make the pattern. All pace in proportion to time. Pieces that
// reach past the picture are clipped by the copy, so the patterns that run
// past the edges enter and leave the picture gradually.
#pragma once

#include <cstdint>

#include "transitions/routine.h"

namespace lantern::transitions {

// --- random orders (reveal_random.cpp) ---
void RandomBlocks(FrameRun& run, int32_t dir);  // 0: dir 1 2x2 blocks, else 8x8
void RandomStrips(FrameRun& run, int32_t dir);  // 1: dir != 0 columns, else rows
void Sparkle(FrameRun& run, int32_t dir);       // 22: 0 rightwards, 1 down, 2 left, 3 up

// --- lines and outlines (reveal_lines.cpp) ---
void RectIris(FrameRun& run, int32_t dir);          // 4: 0 closes inwards, 1 opens
void GridReveal(FrameRun& run, int32_t dir);        // 5: dir != 0 squares, else lines
void Blinds(FrameRun& run, int32_t dir);            // 9: dir != 0 columns, else rows
void LineSweep(FrameRun& run, int32_t dir);         // 20: 0 right, 1 down, 2 left, 3 up
void ConcentricFrames(FrameRun& run, int32_t dir);  // 21: 0 inwards, else outwards

// --- block patterns (reveal_blocks.cpp, reveal_round.cpp) ---
void DiagonalBlocks(FrameRun& run, int32_t dir);  // 8: 0 TL and BR corners, else BL and TR
void DiamondIris(FrameRun& run, int32_t dir);     // 16: dir != 0 grows, else shrinks
void CircleIris(FrameRun& run, int32_t dir);      // 11: 0 grows, else shrinks
void TangentCurves(FrameRun& run, int32_t dir);   // 12: 0 outwards, else inwards
void ClockSweep(FrameRun& run, int32_t dir);      // 14: 0 clockwise, else anticlockwise
void Rays(FrameRun& run, int32_t dir);            // 18: no direction

namespace reveal {

// Copies the new slide's w x h rectangle at (x, y) to the same place on PicDst.
inline void Piece(FrameRun& run, int32_t x, int32_t y, int32_t w, int32_t h) {
  run.Copy(run.dst(), x, y, w, h, run.source(), x, y);
}

// The last value a counting loop first, first + step, ... <= last (>= last
// for a negative step) reaches, or `last` when the loop is empty (which
// ForEachPosition then skips). A sweep whose steps pass `last` stops short of
// it, unlike ForEachPosition.
inline int32_t LastStep(int32_t first, int32_t last, int32_t step) {
  if ((step > 0 && last < first) || (step < 0 && last > first)) return last;
  return first + (last - first) / step * step;
}

// a / b as a progress, 1 when b is 0: a degenerate picture (a pattern of no
// steps) has nothing to wait for.
inline double Ratio(double a, double b) {
  return b != 0 ? a / b : 1.0;
}

}  // namespace reveal
}  // namespace lantern::transitions
