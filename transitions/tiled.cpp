// The transitions of a 4 x 4 grid of tiles: SpiralTiles, whose tiles zoom in
// spiral order, and Whirlwind, whose tiles gather near the centre and spin
// outward.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/rounding.h"
#include "transitions/scaled.h"

namespace lantern::transitions {

using base::Round32;
using imaging::PixelArray;

namespace {

struct Point {
  int32_t x = 0, y = 0;
};

// SpiralTiles' order: each tile's grid cell and its start point as tenths of a
// tile from the centre. The cells run clockwise round the border from the
// top-left corner, then round the inner four.
struct SpiralEntry {
  int8_t column, row, tenths_x, tenths_y;
};
constexpr std::array<SpiralEntry, 16> kSpiral{{{0, 0, -3, -3},
                                               {1, 0, -1, -3},
                                               {2, 0, 1, -3},
                                               {3, 0, 3, -3},
                                               {3, 1, 3, -1},
                                               {3, 2, 3, 1},
                                               {3, 3, 3, 3},
                                               {2, 3, 1, 3},
                                               {1, 3, -1, 3},
                                               {0, 3, -3, 3},
                                               {0, 2, -3, 1},
                                               {0, 1, -2, 0},
                                               {1, 1, -1, -1},
                                               {2, 1, 0, -1},
                                               {2, 2, 1, 0},
                                               {1, 2, -1, 0}}};

struct SpiralTile {
  Point home, start;
  PixelArray picture;  // captured when the tile starts to move
};

// The tiles in the order they move: reversed when they fly in (dir != 0).
std::vector<SpiralTile> SpiralTileList(int32_t W, int32_t H, int32_t cw, int32_t ch, bool in) {
  std::vector<SpiralTile> tiles;
  for (const SpiralEntry& e : kSpiral)
    tiles.push_back(
        {{e.column * cw, e.row * ch},
         {Round32(W / 2.0 + e.tenths_x * cw / 10.0), Round32(H / 2.0 + e.tenths_y * ch / 10.0)},
         {}});
  if (in) std::reverse(tiles.begin(), tiles.end());
  return tiles;
}

}  // namespace

// 38: tiles of a 4 x 4 grid zoom in spiral order, one starting each frame and
// each in flight for three: new tiles grow out of the centre to their cells
// (dir 0), or old tiles shrink from their cells into the centre, leaving the
// new slide behind (dir != 0). Each step is complete (built in PicTmp over
// the old slide kept in P4).
void SpiralTiles(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const int32_t cw = Round32(W / 4.0), ch = Round32(H / 4.0);
  const Surface &dst = run.dst(), &nw = run.source(), &tmp = run.tmp(), &p4 = run.p4();
  std::vector<SpiralTile> tiles = SpiralTileList(W, H, cw, ch, dir != 0);
  CopyAll(run, p4, dst);
  CopyAll(run, tmp, dst);
  const auto place = [&](const SpiralTile& t) {
    run.Copy(tmp, t.home.x, t.home.y, cw, ch, nw, t.home.x, t.home.y);
  };
  // A tile is captured through PicTmp's top-left corner, which is then put
  // back: from the new slide once the first tile has landed there (dir 0),
  // else from the old.
  const auto capture = [&](SpiralTile& t, int32_t c) {
    run.Copy(tmp, 0, 0, cw, ch, dir == 0 ? nw : p4, t.home.x, t.home.y);
    t.picture = imaging::Capture(tmp, 0, 0, cw, ch);
    run.Copy(tmp, 0, 0, cw, ch, c > 3 && dir == 0 ? nw : p4, 0, 0);
  };
  const auto fly = [&](SpiralTile& t, int32_t c, int32_t d) {
    if (d == 0) capture(t, c);
    if (dir != 0) place(t);
    const int32_t f = dir == 0 ? d + 1 : 3 - d;  // tenths of 1.5 of the size
    const double phi = 0.15 * f;
    DrawWhole(run, tmp, Round32((t.home.x - t.start.x) * phi + t.start.x),
              Round32((t.home.y - t.start.y) * phi + t.start.y), Round32(cw * f / 10.0 * 1.5),
              Round32(ch * f / 10.0 * 1.5), t.picture);
  };
  ForEachPosition(1, 19, 1, [&](int32_t c) {
    for (int32_t k = 1; k <= 16; ++k) {
      SpiralTile& t = tiles[static_cast<size_t>(k - 1)];
      const int32_t d = c - k;
      if (d == 3)
        place(t);
      else if (d >= 0 && d <= 2)
        fly(t, c, d);
    }
    CopyAll(run, dst, tmp);
    if (run.PaceA(c / 19.0, run.duration())) return false;
    CopyAll(run, tmp, p4);
    for (int32_t k = 1; k <= c - 3; ++k)
      place(tiles[static_cast<size_t>(k - 1)]);
    return true;
  });
}

namespace {

// Whirlwind's tiles: home cells counter-clockwise round the border from the
// second column of the top row, then the inner four. A coordinate is a
// multiple of the tile from the centre, or the slide's edge.
constexpr int8_t kEdge = -9;
constexpr std::array<int8_t, 16> kWhirlX{1, 0, -1, kEdge, kEdge, kEdge, kEdge, -1,
                                         0, 1, 1,  1,     0,     -1,    -1,    0};
constexpr std::array<int8_t, 16> kWhirlY{kEdge, kEdge, kEdge, kEdge, -1, 0,  1, 1,
                                         1,     1,     0,     -1,    -1, -1, 0, 0};

struct WhirlTile {
  Point home, ring;
};

// Homes and ring points: the outer twelve on a ring of half a tile's
// diagonal, the inner four on a ring of a quarter of it.
std::array<WhirlTile, 16> WhirlTiles(int32_t W, int32_t H, int32_t cw, int32_t ch) {
  const double r1 = Round32(std::sqrt(cw / 2.0 * (cw / 2.0) + ch / 2.0 * (ch / 2.0)));
  const double r2 = Round32(std::sqrt(cw / 4.0 * (cw / 4.0) + ch / 4.0 * (ch / 4.0)));
  const auto at = [](int8_t k, double centre, int32_t tile) {
    return k == kEdge ? 0 : Round32(centre + k * tile);
  };
  std::array<WhirlTile, 16> tiles;
  for (size_t i = 0; i < 16; ++i) {
    const bool outer = i < 12;
    const double a = outer ? 2.355 + static_cast<double>(i) * 0.525
                           : 2.355 + static_cast<double>(i - 12) * 1.575;
    const double r = outer ? r1 : r2;
    tiles[i] = {{at(kWhirlX[i], W / 2.0, cw), at(kWhirlY[i], H / 2.0, ch)},
                {Round32(std::sin(a) * r + W / 2.0), Round32(std::cos(a) * r + H / 2.0)}};
  }
  return tiles;
}

}  // namespace

// 19: the old slide splits into 16 tiles that shrink towards rings round the
// centre, pause, and spin outward growing, over the new slide. Each step is
// complete (the new slide, then the tiles), so overdue steps are left out.
void Whirlwind(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const int32_t cw = Round32(W / 4.0), ch = Round32(H / 4.0);
  const Surface &dst = run.dst(), &nw = run.source();
  const std::array<WhirlTile, 16> tiles = WhirlTiles(W, H, cw, ch);
  const PixelArray old = CaptureAll(dst);
  // A tile of the old slide, drawn onto PicDst after the new slide.
  const auto draw = [&](const WhirlTile& t, int32_t x, int32_t y, double scale) {
    run.DrawArray(dst, x, y, Round32(scale * cw), Round32(scale * ch), old, t.home.x, t.home.y, cw,
                  ch);
  };
  // Phase 1: to the rings, from half size to a quarter.
  ForEachPosition(1, 20, 1, [&](int32_t j) {
    return !WholeFrameA(run, j == 20, j / 20.0, 300, [&] {
      CopyAll(run, dst, nw);
      for (const WhirlTile& t : tiles)
        draw(t, Round32(t.home.x + (t.ring.x - t.home.x) * j / 20.0),
             Round32(t.home.y + (t.ring.y - t.home.y) * j / 20.0), (40 - j) / 80.0);
    });
  });
  run.Pause(300);
  // Phase 2: the angle offset turns by 0.1 a frame from 2.355 to 14.42 (or
  // back) while the tiles move out from their ring points.
  run.StartPhase();
  const double turns = (14.42 - 2.355) / 0.1;
  SweepA(
      run, 1, static_cast<int32_t>(turns) + 1, 1, run.duration() - 600.0,
      [&](int32_t m) {
        const double phi = dir == 0 ? 2.355 + 0.1 * (m - 1) : 14.42 - 0.1 * (m - 1);
        const double out = m / turns, reach = Round32(out * W);
        CopyAll(run, dst, nw);
        for (size_t k = 1; k <= 16; ++k) {
          const WhirlTile& t = tiles[k - 1];
          const double theta = (k <= 12 ? k / 12.0 : (k - 12) / 4.0) * 6.28 + phi;
          draw(t, Round32(t.ring.x + std::cos(theta) * reach),
               Round32(t.ring.y + std::sin(theta) * reach), (out * 2 + 1) / 4);
        }
      },
      [&](int32_t m) { return m / turns; }, Steps::kWhole);
  CopyAll(run, dst, nw);
}

}  // namespace lantern::transitions
