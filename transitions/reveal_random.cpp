// The reveal transitions in random order: RandomBlocks, RandomStrips and
// Sparkle. Their orders come from ShufflePermutation, which reseeds the
// generator from the clock on every call, so a run on a virtual clock gives
// the same frames every time.
#include <cstdlib>
#include <vector>

#include "base/rounding.h"
#include "transitions/reveal.h"

namespace lantern::transitions {

using base::Round32;
using reveal::Piece;
using reveal::Ratio;

// 0: the new slide block by block in random order, 2 x 2 blocks (dir 1) or
// 8 x 8, one block a step. The shuffle's time comes off the budget. Each step
// adds to what the earlier ones drew.
void RandomBlocks(FrameRun& run, int32_t dir) {
  const double share = dir == 1 ? 0.5 : 0.125;  // blocks per pixel
  const int32_t columns = Round32(run.W() * share), rows = Round32(run.H() * share);
  if (columns <= 0 || rows <= 0) return;  // a picture narrower than half a block
  const int32_t bw = Round32(static_cast<double>(run.W()) / columns);
  const int32_t bh = Round32(static_cast<double>(run.H()) / rows);
  const int32_t n = columns * rows;
  const std::vector<int32_t> order = run.Shuffle(0, n - 1);
  run.MarkPrepared();
  run.StartPhase();
  // A shuffle longer than the whole budget leaves its magnitude.
  const double budget = std::abs(run.duration() - run.prep_time());
  SweepA(
      run, 0, n - 1, 1, budget,
      [&](int32_t i) {
        const int32_t p = order[static_cast<size_t>(i)];
        Piece(run, p % columns * bw, p / columns * bh, bw, bh);
      },
      [&](int32_t i) { return Ratio(i, n - 1); });
}

// 1: 2-pixel strips in random order, one a step: columns (dir != 0) or rows.
// Each step adds to what the earlier ones drew.
void RandomStrips(FrameRun& run, int32_t dir) {
  const Axis axis{run, dir == 0};
  const int32_t m = Round32(axis.extent() / 2.0) - 1;
  const std::vector<int32_t> order = run.Shuffle(0, m);
  SweepA(
      run, 0, m, 1, run.duration(),
      [&](int32_t i) {
        const int32_t at = 2 * order[static_cast<size_t>(i)];
        axis.Copy(run.dst(), at, 2, run.source(), at);
      },
      [&](int32_t i) { return Ratio(i, m); });
}

namespace {

// Sparkle's grid of 160 x 120 cells, seen along the sweep: `along` counts
// cells in the direction the front moves (columns, or rows when the front is
// a row), `across` the cells within a column (row). Indices past the grid are
// copied too: they fall outside the picture, or into the margin the rounded
// cells leave.
struct SparkleGrid {
  FrameRun& run;
  bool rows;
  int32_t cw = Round32(run.W() / 160.0), ch = Round32(run.H() / 120.0);

  void Cell(int32_t along, int32_t across) const {
    if (rows)
      Piece(run, across * cw, along * ch, cw, ch);
    else
      Piece(run, along * cw, across * ch, cw, ch);
  }
  // One cell deep along the sweep, a quarter of the picture across, at quarter q.
  void Quarter(int32_t along, int32_t q) const {
    const int32_t W = run.W(), H = run.H();
    if (rows)
      Piece(run, Round32(q * W / 4.0), along * ch, Round32(W / 4.0), ch);
    else
      Piece(run, along * cw, Round32(q * H / 4.0), cw, Round32(H / 4.0));
  }
  void Whole(int32_t along) const {
    if (rows)
      Piece(run, 0, along * ch, run.W(), ch);
    else
      Piece(run, along * cw, 0, cw, run.H());
  }
};

// The front at c (s = 1 moving up the indices, -1 down): 56 random cells of
// its own column and 28 in every third column of the 58 behind it, all from
// one fresh order of 220 cells.
void SparkleFront(const SparkleGrid& g, int32_t c, int32_t s) {
  const std::vector<int32_t> a = g.run.Shuffle(0, 219), b = g.run.Shuffle(0, 171);
  const auto at = [](const std::vector<int32_t>& v, int32_t i) {
    return v[static_cast<size_t>(i)];
  };
  for (int32_t i = 0; i <= 27; ++i) {
    g.Cell(c, at(a, i));
    g.Cell(c, at(a, i + 100));
  }
  for (int32_t j = 1; j <= 60; j += 3) {
    const int32_t k = Round32(j * 2.5);
    for (int32_t i = 0; i <= 27; ++i)
      g.Cell(c - s * j, at(a, at(b, k) + i));
  }
}

// What trails the front at c: four quarter blocks 63 to 69 cells behind, in
// random order of quarters, and the whole column 80 behind.
void SparkleTrail(const SparkleGrid& g, int32_t c, int32_t s) {
  const std::vector<int32_t> q = g.run.Shuffle(0, 3);
  for (int32_t k = 0; k < 4; ++k)
    g.Quarter(c - s * (63 + 2 * k), q[static_cast<size_t>(k)]);
  g.Whole(c - s * 80);
}

}  // namespace

// 22: random cells, then blocks, then whole columns (rows) sweep across the
// grid: 0 left to right, 1 top to bottom, 2 right to left, 3 bottom to top;
// 301 frames. A front's trail is drawn after its frame is paced, so it shows
// with the next frame (and once more after the last). Each step adds to what
// the earlier ones drew.
void Sparkle(FrameRun& run, int32_t dir) {
  const SparkleGrid g{run, dir == 1 || dir == 3};
  const bool back = dir >= 2;
  const int32_t s = back ? -1 : 1, first = back ? 220 : 0, last = back ? -80 : 300;
  const bool completed = SweepA(
      run, first, last, s, run.duration(),
      [&](int32_t c) {
        if (c != first) SparkleTrail(g, c - s, s);
        SparkleFront(g, c, s);
      },
      [&](int32_t c) { return (back ? first - c + 1 : c) / 300.0; });
  if (completed) SparkleTrail(g, last, s);
}

}  // namespace lantern::transitions
