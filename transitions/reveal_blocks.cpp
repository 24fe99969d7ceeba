// The reveal transitions of 4 x 4 blocks on straight fronts: DiagonalBlocks
// and DiamondIris. Each step adds to what the earlier steps drew.
#include "base/rounding.h"
#include "transitions/reveal.h"

namespace lantern::transitions {

using base::Round32;
using reveal::LastStep;
using reveal::Piece;
using reveal::Ratio;

// 8: two diagonal fronts of 4 x 4 blocks, 4 pixels a frame, from the top-left
// and bottom-right corners (dir 0) or from the bottom-left and top-right;
// round(W / 4) + 1 frames. The far front's rows are placed by the picture's
// aspect, so it starts at the bottom edge whatever the height. Adds.
void DiagonalBlocks(FrameRun& run, int32_t dir) {
  const int32_t Q = Round32(run.W() / 4.0);
  const double far = Q / (static_cast<double>(run.W()) / run.H());  // the bottom edge in blocks
  SweepA(
      run, 0, 2 * Q, 2, run.duration(),
      [&](int32_t k) {
        const int32_t m = k / 2;
        for (int32_t i = 0; i <= k; ++i) {
          const int32_t t = m - i, near_y = 4 * t, far_y = Round32((far - t) * 4);
          Piece(run, 4 * i, dir == 0 ? near_y : far_y, 4, 4);
          Piece(run, 4 * (Q - i), dir == 0 ? far_y : near_y, 4, 4);
        }
      },
      [&](int32_t k) { return Ratio(k, 2.0 * Q); });
}

namespace {

// The outline of the diamond of radius 2k pixels around the picture's centre:
// four diagonal edges of 4 x 4 blocks, m + 1 blocks each.
void DiamondOutline(FrameRun& run, int32_t Q, int32_t E, int32_t k) {
  int32_t m = Round32(k / 2.0), n = Round32(Q / 4.0);
  for (int32_t j = 0; j <= k; j += 2, --n, --m) {
    const int32_t left = 4 * n, right = Round32((Q / 2.0 - n) * 4);
    Piece(run, left, 4 * (E - m), 4, 4);
    Piece(run, right, 4 * (E - m), 4, 4);
    Piece(run, left, 4 * (E + m), 4, 4);
    Piece(run, right, 4 * (E + m), 4, 4);
  }
}

}  // namespace

// 16: a diamond outline of 4 x 4 blocks grows from the centre (dir != 0) or
// shrinks from beyond the corners, 4 pixels a frame, with a budget of half a
// second more than the others. Both directions draw the outlines of the even
// frame values 0, 2, ... up to Q, one in the other's reverse order: with an
// odd Q a shrinking sweep from Q itself would halve odd values, whose rounding
// to even repeats every other outline and skips the ones between. Adds.
void DiamondIris(FrameRun& run, int32_t dir) {
  const int32_t Q = Round32(run.W() / 2.0), E = Round32(run.H() / 8.0);
  const int32_t top = LastStep(0, Q, 2);
  const bool growing = dir != 0;
  int32_t frames = 0;
  SweepA(
      run, growing ? 0 : top, growing ? top : 0, growing ? 2 : -2, run.duration() + 500,
      [&](int32_t k) {
        DiamondOutline(run, Q, E, k);
        ++frames;
      },
      [&](int32_t) { return Ratio(2.0 * frames, Q); });
}

}  // namespace lantern::transitions
