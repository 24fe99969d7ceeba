// The reveal transitions made of lines and outlines: Blinds, RectIris,
// ConcentricFrames, GridReveal and LineSweep. Each step adds to what the
// earlier steps drew; none redraws the whole picture.
#include <algorithm>

#include "base/rounding.h"
#include "transitions/reveal.h"

namespace lantern::transitions {

using base::Round32;
using reveal::LastStep;
using reveal::Piece;
using reveal::Ratio;

// 9: 1-pixel lines with period n, every n-th line a frame: columns (dir != 0,
// n = 32, or 16 below 800 pixels wide) or rows (n = 24, or 12). Adds.
void Blinds(FrameRun& run, int32_t dir) {
  const Axis axis{run, dir == 0};
  const bool wide = run.W() >= 800;
  const int32_t n = dir != 0 ? (wide ? 32 : 16) : (wide ? 24 : 12);
  SweepA(
      run, 0, n - 1, 1, run.duration(),
      [&](int32_t i) {
        for (int32_t p = i; p <= axis.extent(); p += n)
          axis.Copy(run.dst(), p, 1, run.source(), p);
      },
      [&](int32_t i) { return (i + 1.0) / n; });
}

// 4: a 1-pixel rectangle outline at inset x, closing in from the edges (dir
// 0) or opening out from the centre; round(W / 2) + 1 frames. An inset past
// half the height draws nothing, so a wide picture opens with empty frames.
// Adds.
void RectIris(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H(), half = Round32(W / 2.0);
  SweepA(
      run, 0, half, 1, run.duration(),
      [&](int32_t f) {
        const int32_t x = dir != 0 ? half - f : f;
        if (H - 2 * x < 0) return;
        Piece(run, x, x, W - 2 * x + 1, 1);
        Piece(run, x, H - x, W - 2 * x + 1, 1);
        Piece(run, x, x, 1, H - 2 * x + 1);
        Piece(run, W - x, x, 1, H - 2 * x + 1);
      },
      [&](int32_t f) { return f / (W / 2.0); });
}

// 21: 15 nested outlines 16 pixels apart move 15 pixels a frame, inwards (dir
// 0) or outwards, over 61 frames, so that together they pass every inset from
// -75 to 601. An outline's right column and bottom row sit one pixel further
// in than its left column and top row; each side is drawn only while it is
// on its own half of the picture. Adds.
void ConcentricFrames(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const double half_h = H / 2.0;
  const bool inwards = dir == 0;
  SweepA(
      run, inwards ? -20 : 40, inwards ? 40 : -20, inwards ? 1 : -1, run.duration(),
      [&](int32_t c) {
        for (int32_t b = 1; b <= 15; ++b) {
          const int32_t x = 16 * b + 15 * c - 15;
          if (x <= half_h) {
            Piece(run, x, x, W - 2 * x, 1);
            Piece(run, x, x, 1, H - 2 * x);
          }
          if (W - x - 2 >= W - half_h) Piece(run, W - x - 2, x, 1, H - 2 * x);
          if (H - x - 2 >= half_h) Piece(run, x, H - x - 2, W - 2 * x, 1);
        }
      },
      [&](int32_t c) { return (inwards ? c + 20 : 40 - c) / 60.0; });
}

namespace {

// GridReveal with squares: an a x a square grows from the centre of every
// cell of side L, 2 pixels a frame, to a side of L + 2.
void GridSquares(FrameRun& run, int32_t L) {
  const int32_t W = run.W(), H = run.H();
  SweepA(
      run, 0, LastStep(0, L + 2, 2), 2, run.duration(),
      [&](int32_t a) {
        for (int32_t gx = 0; gx <= W; gx += L)
          for (int32_t gy = 0; gy <= H; gy += L)
            Piece(run, Round32(L / 2.0 + gx - a / 2.0), Round32(L / 2.0 + gy - a / 2.0), a, a);
      },
      [&](int32_t a) { return static_cast<double>(a) / (L + 2); });
}

// GridReveal with lines: whole columns and rows run from both edges of every
// cell to its centre, one of each a frame.
void GridLines(FrameRun& run, int32_t L) {
  SweepA(
      run, 0, Round32((L - 1) / 2.0), 1, run.duration(),
      [&](int32_t x) {
        for (const bool rows : {false, true}) {
          const Axis axis{run, rows};
          for (int32_t cell = 0; cell < axis.extent(); cell += L) {
            axis.Copy(run.dst(), cell + x, 1, run.source(), cell + x);
            axis.Copy(run.dst(), cell + L - 1 - x, 1, run.source(), cell + L - 1 - x);
          }
        }
      },
      [&](int32_t x) { return Ratio(x, (L - 1) / 2.0); });
}

}  // namespace

// 5: a grid of cells round(W / 20) wide: squares grow from the cell centres
// (dir != 0), or lines run from the cell edges to their centres. A picture
// under 11 pixels wide has no cells and draws nothing. Adds.
void GridReveal(FrameRun& run, int32_t dir) {
  const int32_t L = run.cell_size();
  if (L <= 0) return;
  if (dir != 0)
    GridSquares(run, L);
  else
    GridLines(run, L);
}

// 20: 15 parallel 1-pixel lines 16 pixels apart sweep across, 15 pixels a
// frame: columns rightwards (0) or leftwards (2), rows down (1) or up (3).
// Only the frames whose 15 f lies within the picture are paced; the others
// (all their lines beyond the far edge) keep the progress already reached, so
// they are shown at once, but are pumped and tested for flags like the rest.
// Adds.
void LineSweep(FrameRun& run, int32_t dir) {
  const Axis axis{run, dir == 1 || dir == 3};
  const bool back = dir >= 2;
  const int32_t n = axis.extent();
  const int32_t paced_frames = std::min(120, n / 15) + 21;  // f = -20 ... min(120, n / 15)
  int32_t paced = 0;
  SweepA(
      run, back ? 120 : -20, back ? -20 : 120, back ? -1 : 1, run.duration(),
      [&](int32_t f) {
        for (int32_t i = 1; i <= 15; ++i) {
          const int32_t p = 15 * f + 16 * i - 15;
          axis.Copy(run.dst(), p, 1, run.source(), p);
        }
        if (15 * f <= n) ++paced;
      },
      [&](int32_t) { return static_cast<double>(paced) / paced_frames; });
}

}  // namespace lantern::transitions
