// The time-paced sliding transitions: MirrorBand, Smear, Shredder, BandComb,
// BrickComb, CurtainDrop and FallingBars. Each frame is drawn, then paced by
// its progress against the routine's budget.
#include <algorithm>
#include <vector>

#include "base/rounding.h"
#include "transitions/sliding.h"

namespace lantern::transitions {

// 15: a 40-pixel band of the new slide, mirrored, rolls across one pixel per
// frame; behind it the true new slide.
void MirrorBand(FrameRun& run, int32_t dir) {
  const Axis axis{run, dir == 1 || dir == 3};
  const int32_t n = axis.extent();
  const Surface &dst = run.dst(), &nw = run.source();
  const double budget = run.duration(), frames = n + 40;
  if (dir == 0 || dir == 1) {
    SweepA(
        run, 0, n + 39, 1, budget,
        [&](int32_t x) {
          if (n - x - 40 >= 0)
            axis.Stretch(dst, x, -40, nw, x, 40);
          else
            axis.Stretch(dst, x, x - n, nw, x, n - x);
          axis.Copy(dst, x - 40, 1, nw, x - 40);
        },
        [&](int32_t x) { return x / frames; });
  } else {
    SweepA(
        run, n, -40, -1, budget,
        [&](int32_t c) {
          if (c >= 40)
            axis.Stretch(dst, c, 40, nw, c, -40);
          else if (c >= 0)
            axis.Stretch(dst, c, c, nw, c, -c);
          axis.Copy(dst, c + 40, 1, nw, c + 40);
        },
        [&](int32_t c) { return (n - c) / frames; });
  }
}

namespace {

// PicDst's pen width for the length of a routine, back to 1 however it ends.
class DrawWidthScope {
 public:
  DrawWidthScope(FrameRun& run, int32_t width) : run_(run) { run_.draw_width() = width; }
  ~DrawWidthScope() { run_.draw_width() = 1; }
  DrawWidthScope(const DrawWidthScope&) = delete;
  DrawWidthScope& operator=(const DrawWidthScope&) = delete;

 private:
  FrameRun& run_;
};

}  // namespace

// 17: the edge line of the new slide is smeared over the rest: each frame puts
// the next strip of the new slide in place and repeats it over everything the
// sweep has not reached. Strips are 4 pixels on a wide window, else 1; the
// sideways directions draw the smear as lines with a pen that wide.
//
// The repeated strips start one strip away from the strip in place (the
// picture box version started one pixel away, which with 4-pixel strips
// overwrote three rows of every finished strip with the row below it).
void Smear(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const int32_t s = W < 800 ? 1 : 4;
  DrawWidthScope pen(run, s);
  const Surface &dst = run.dst(), &nw = run.source();
  const double budget = run.duration() + 1000;
  const auto strip = [&](int32_t to_y, int32_t from_y) {
    run.Copy(dst, 0, to_y, W, s, nw, 0, from_y);
  };
  // One line per strip row, in the colour of the new slide's pixel at x; a
  // column outside the slide has no colour and draws nothing.
  const auto lines = [&](int32_t x, int32_t to_x) {
    for (int32_t y2 = H - 1; y2 >= 0; y2 -= s) {
      const uint32_t colour = imaging::GetPixel(nw, x, y2);
      if (colour != imaging::kInvalidColour) run.Line(dst, x, y2, to_x, y2, colour);
    }
  };
  switch (dir) {
    case 0:  // bottom to top
      SweepA(
          run, H, 0, -s, budget,
          [&](int32_t y) {
            strip(y, y);
            for (int32_t y2 = y - s; y2 > -s; y2 -= s)
              strip(y2, y);
          },
          [&](int32_t y) { return static_cast<double>(H - y) / H; });
      break;
    case 2:  // top to bottom
      SweepA(
          run, 0, H, s, budget,
          [&](int32_t y) {
            strip(y, y);
            for (int32_t y2 = y + s; y2 < H; y2 += s)
              strip(y2, y);
          },
          [&](int32_t y) { return static_cast<double>(y) / H; });
      break;
    case 1:  // right to left
      SweepA(
          run, W, 0, -s, budget,
          [&](int32_t x) {
            lines(x, 0);
            run.Copy(dst, x, 0, s, H, nw, x, 0);
          },
          [&](int32_t x) { return static_cast<double>(W - x) / W; });
      break;
    default:  // left to right
      SweepA(
          run, 0, W, s, budget,
          [&](int32_t x) {
            lines(x, W);
            run.Copy(dst, x - s, 0, s, H, nw, x - s, 0);
          },
          [&](int32_t x) { return static_cast<double>(x) / W; });
      break;
  }
}

// 27: alternate 2-pixel lanes of the old slide (kept in PicTmp) slide away in
// opposite directions while the new slide fills in behind them, 8 pixels of
// each lane per frame. The frame is paced between the two sets of lanes: a
// frame shows the lanes that slide up (left) at this step and the others at
// the step before. Each frame is drawn whole (the new slide behind a lane up
// to where it has come, the old slide moved on), so overdue frames are left
// out.
void Shredder(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source(), &old = run.tmp();
  run.Copy(old, 0, 0, W, H, dst, 0, 0);
  const bool columns = dir != 0;
  const int32_t n = columns ? H : W;  // the extent the lanes slide along
  const int32_t lanes = base::Round32((columns ? W : H) / 2.0);
  const int32_t t0 = base::Round32(n / 2.0);
  // Every other lane from lane `k0` (1: the lanes that slide up or left, 0:
  // the others): `len` pixels from `from` along them to `to`. Columns are
  // copied together, a pass down the rows; rows are wide copies already.
  const auto lanes_of = [&](int32_t k0, const Surface& src, int32_t to, int32_t len, int32_t from) {
    if (columns) {
      run.CopyLanes(dst, 2 * k0, 2, 4, to, len, src, from);
      return;
    }
    for (int32_t k = k0; k <= lanes; k += 2)
      run.Copy(dst, to, 2 * k, len, 2, src, from, 2 * k);
  };
  // The lanes that slide up (left) and out, at step u: the old slide's end
  // before 2 t, the new slide from there on.
  const auto up = [&](int32_t u) {
    const int32_t t = t0 - u;
    lanes_of(1, old, 0, 2 * t, n - 2 * t);
    lanes_of(1, nw, 2 * t, n - 2 * t, 2 * t);
  };
  // The lanes that slide down (right), at step u: the new slide up to 8
  // pixels past 2 u, then the old slide moved on by 2 u.
  const auto down = [&](int32_t u) {
    lanes_of(0, nw, 0, 2 * u + 8, 0);
    lanes_of(0, old, 2 * u + 8, n - 2 * u - 8, 8);
  };
  int32_t moved_down = -1;  // the step the down lanes were last moved to
  ForEachPosition(0, t0, 4, [&](int32_t u) {
    if (WholeFrameA(run, u == t0, 2.0 * u / n, run.duration(), [&] {
          up(u);
          if (moved_down >= 0) down(moved_down);
        })) {
      return false;
    }
    moved_down = u;
    return true;
  });
  if (moved_down == t0) down(t0);
}

// 28: alternate 4-pixel bands of the new slide slide in from opposite sides:
// rows from the left and right (dir != 0), 4 pixels a frame, or columns from
// the top and bottom, 8 pixels a frame. Each step copies the bands whole, so
// overdue steps are left out.
void BandComb(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source();
  if (dir != 0) {
    SweepA(
        run, 0, W, 4, run.duration(),
        [&](int32_t c) {
          for (int32_t b = 0; b <= H; b += 8) {
            run.Copy(dst, 0, b, c, 4, nw, W - c, b);
            run.Copy(dst, W - c, b + 4, c, 4, nw, 0, b + 4);
          }
        },
        [&](int32_t c) { return static_cast<double>(c) / W; }, Steps::kWhole);
  } else {
    SweepA(
        run, 0, H, 8, run.duration(),
        [&](int32_t c) {
          for (int32_t b = 0; b <= W; b += 8) {
            run.Copy(dst, b, 0, 4, c, nw, b, H - c);
            run.Copy(dst, b + 4, H - c, 4, c, nw, b + 4, 0);
          }
        },
        [&](int32_t c) { return static_cast<double>(c) / H; }, Steps::kWhole);
  }
}

// 10: interleaved 4-pixel lanes of the new slide are laid brick by brick, 2
// pixels a frame, alternate lanes from opposite sides: columns (dir != 0) or rows.
void BrickComb(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source();
  const bool columns = dir != 0;
  const double half = (columns ? H : W) / 2.0;  // along the lanes
  const int32_t across = base::Round32((columns ? W : H) / 2.0);
  const auto brick = [&](int32_t lane, int32_t along) {
    if (columns)
      run.Copy(dst, lane, along, 4, 2, nw, lane, along);
    else
      run.Copy(dst, along, lane, 2, 4, nw, along, lane);
  };
  SweepA(
      run, 0, base::Round32(half), 1, run.duration(),
      [&](int32_t i) {
        for (int32_t m = 0; m <= across; m += 4)
          brick(2 * m, 2 * i);
        const int32_t back = base::Round32((half - i) * 2);
        for (int32_t m = 2; m <= across; m += 4)
          brick(2 * m, back);
      },
      [&](int32_t i) { return i / half; });
}

// 36: columns of the old slide (kept in PicTmp) drop one after another, 20
// pixels a frame, the new slide showing above them; a new column starts
// about every third frame. 220 frames, then the whole new slide. A column's
// picture depends only on how far it has dropped, so a frame that is overdue
// is left out: the next frame drawn draws every column that has dropped
// since the last one drawn.
void CurtainDrop(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source(), &old = run.tmp();
  run.Copy(old, 0, 0, W, H, dst, 0, 0);
  const int32_t n = W <= 600 ? 24 : 32;
  const int32_t c = base::Round32(static_cast<double>(W) / n);
  // How far each column has dropped, and how far it had when last drawn.
  std::vector<int32_t> offset(static_cast<size_t>(n) + 1, 0), shown = offset;
  int32_t g = 0;
  const bool from_right = dir != 0;
  const int32_t first = from_right ? 1 : 0;
  const auto draw = [&] {
    for (int32_t k = first; k <= n; ++k) {
      const auto i = static_cast<size_t>(k);
      // A column that was already whole shows the new slide and would only
      // be copied again unchanged.
      if (offset[i] == shown[i] || shown[i] >= H) continue;
      shown[i] = offset[i];
      const int32_t x = from_right ? W - c * k : c * k, o = offset[i];
      if (o < H) {
        run.Copy(dst, x, o, c, H - o, old, x, 0);
        run.Copy(dst, x, 0, c, o, nw, x, 0);
      } else {
        run.Copy(dst, x, 0, c, H, nw, x, 0);
      }
    }
  };
  for (int32_t f = 1; f <= 220; ++f) {
    const int32_t last = from_right ? base::Round32(g / 3.0 + 1) : base::Round32(g / 3.0);
    for (int32_t k = first; k <= last; ++k) {
      int32_t& o = offset[static_cast<size_t>(k)];
      if (o < H) o += 20;
    }
    if (WholeFrameA(run, f == 220, f / 220.0, run.duration(), draw)) return;
    g = std::min(g + 1, 3 * n - 3);
  }
  run.Copy(dst, 0, 0, W, H, nw, 0, 0);
}

// 37: horizontal bars of the old slide fall with acceleration, the lowest bar
// first; the rest of the old slide waits above them until its bar is released,
// 8 pixels of release a frame. Frames are built in P4 from the old slide in
// PicTmp and the new slide.
//
// P4 keeps the previous frame: only the rows that change (the released band
// and the bars of this frame and the last) are redrawn in it and copied to
// PicDst, which gives the same frames as rebuilding all of P4 each time at a
// fraction of the cost. The frames go on past round(1.5 H), at once, while a
// bar is still on the slide: below about 640 rows the top bar has not fallen
// out by then, and the last frame must show the new slide.
void FallingBars(FrameRun& run, int32_t) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source(), &frame = run.p4(), &old = run.tmp();
  run.Copy(old, 0, 0, W, H, dst, 0, 0);
  run.Copy(frame, 0, 0, W, H, dst, 0, 0);
  const int32_t b = W < 800 ? 12 : 24;
  const int32_t bars = base::Int32(static_cast<double>(H) / b);
  std::vector<int32_t> top(static_cast<size_t>(bars) + 1), pos(top.size(), 1);
  std::vector<double> speed(top.size(), 0.0);
  for (int32_t i = 1; i <= bars; ++i)
    top[static_cast<size_t>(i)] = H - i * b;
  std::vector<uint8_t> changed(static_cast<size_t>(H));
  const auto mark = [&](int32_t y, int32_t h) {
    for (int32_t r = std::max(y, 0); r < std::min(y + h, H); ++r)
      changed[static_cast<size_t>(r)] = 1;
  };
  const int32_t last = base::Round32(1.5 * H);
  const double budget = run.duration() + 1000;
  for (int32_t m = 0;; m += 8) {
    const int32_t released = std::min(base::Int32(static_cast<double>(m) / b), bars);
    if (m > last) {
      bool visible = false;
      for (int32_t i = 1; i <= released; ++i)
        visible = visible || top[static_cast<size_t>(i)] + pos[static_cast<size_t>(i)] < H;
      if (!visible) break;
    }
    std::fill(changed.begin(), changed.end(), 0);
    // The band released since the last frame, and last frame's bars, become new.
    const int32_t band = std::max(H - m, 0), band_end = std::min(H - m + 8, H);
    if (m > 0 && band_end > band) {
      run.Copy(frame, 0, band, W, band_end - band, nw, 0, band);
      mark(band, band_end - band);
    }
    for (int32_t i = 1; i <= released; ++i) {
      const int32_t y = top[static_cast<size_t>(i)] + pos[static_cast<size_t>(i)];
      if (speed[static_cast<size_t>(i)] == 0.0) continue;  // not drawn yet
      run.Copy(frame, 0, y, W, b, nw, 0, y);
      mark(y, b);
    }
    for (int32_t i = 1; i <= released; ++i) {
      const auto k = static_cast<size_t>(i);
      speed[k] += 0.8;
      pos[k] = base::Round32(pos[k] + speed[k]);
      run.Copy(frame, 0, top[k] + pos[k], W, b, old, 0, top[k]);
      mark(top[k] + pos[k], b);
    }
    for (int32_t y = 0; y < H;) {
      if (!changed[static_cast<size_t>(y)]) {
        ++y;
        continue;
      }
      int32_t end = y;
      while (end < H && changed[static_cast<size_t>(end)])
        ++end;
      run.Copy(dst, 0, y, W, end - y, frame, 0, y);
      y = end;
    }
    if (run.PaceA(std::min(m / (1.5 * H), 1.0), budget)) return;
  }
}

}  // namespace lantern::transitions
