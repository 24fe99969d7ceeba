// The transitions of blocks that fly in straight lines at their own size:
// FlyingTiles (8 x 8 tiles between their cells and random points outside the
// slide) and Explode (small blocks burst out and fly back home).
#include <vector>

#include "base/rounding.h"
#include "transitions/scaled.h"

namespace lantern::transitions {

using base::Int32;
using base::Round32;

namespace {

struct Point {
  int32_t x = 0, y = 0;
};

// A random point just outside one of the four edges (drawn in this order:
// the edge, then the place along it).
Point OffSlide(FrameRun& run, int32_t tw, int32_t th) {
  const int32_t W = run.W(), H = run.H();
  const auto along = [&](int32_t extent) {
    return Int32(run.rnd().Next() * static_cast<double>(extent));
  };
  switch (Int32(run.rnd().Next() * 4.0)) {
    case 0:
      return {-tw, along(H)};
    case 1:
      return {W + tw, along(H)};
    case 2:
      return {along(W), -th};
    default:
      return {along(W), H + th};
  }
}

}  // namespace

// 6: 64 tiles of an 8 x 8 grid fly in straight lines: tiles of the new slide
// in from random points outside over the old one (dir 0), or tiles of the old
// slide out to them over the new one (dir != 0), which for that borrows
// PicSource and always gives it back. Each step is complete (the slide
// underneath from P4, then the tiles), so overdue steps are left out.
void FlyingTiles(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const int32_t tw = Round32(W / 8.0), th = Round32(H / 8.0);
  const Surface &dst = run.dst(), &pieces = run.source(), &p4 = run.p4();
  const bool out = dir != 0;
  if (out) {
    CopyAll(run, p4, pieces);
    CopyAll(run, pieces, dst);
  } else {
    CopyAll(run, p4, dst);
  }
  std::vector<Point> points;
  for (int32_t j = 0; j < 64; ++j)
    points.push_back(OffSlide(run, tw, th));
  const auto between = [&](int32_t from, int32_t to, int32_t i) {
    return Round32(from + (to - from) * i / 100.0);
  };
  SweepA(
      run, 0, 100, 1, run.duration(),
      [&](int32_t i) {
        CopyAll(run, dst, p4);
        for (int32_t j = 0; j < 64; ++j) {
          const Point home{j % 8 * tw, j / 8 * th}, p = points[static_cast<size_t>(j)];
          const Point at = out ? Point{between(home.x, p.x, i), between(home.y, p.y, i)}
                               : Point{between(p.x, home.x, i), between(p.y, home.y, i)};
          run.Copy(dst, at.x, at.y, tw, th, pieces, home.x, home.y);
        }
      },
      [](int32_t i) { return i / 100.0; }, Steps::kWhole);
  if (out) CopyAll(run, pieces, p4);
}

namespace {

// Explode's blocks: 8 x 6 pixels on wide slides, 4 x 3 below 800 pixels. A
// slide too narrow for one block in a row has none.
class Blocks {
 public:
  explicit Blocks(FrameRun& run)
      : run_(run),
        k_(run.W() < 800 ? 2 : 1),
        bw_(Round32(8.0 / k_)),
        bh_(Round32(6.0 / k_)),
        per_row_(Round32(k_ * run.W() / 8.0)),
        count_(per_row_ < 1 ? 0 : Round32((k_ * run.H() / 6.0) * (k_ * run.W() / 8.0))) {
    const double W = run.W(), H = run.H();
    for (int32_t i = 0; i < count_; ++i) {
      const double tx = run.rnd().Next(), ty = run.rnd().Next();
      targets_.push_back(
          {Round32((W - 48.0 / k_) * tx + 24.0 / k_), Round32((H - 36.0 / k_) * ty + 18.0 / k_)});
    }
    order_ = run.Shuffle(0, count_ - 1);
  }
  int32_t count() const { return count_; }
  Point Home(int32_t i) const { return {i % per_row_ * bw_, i / per_row_ * bh_}; }

  // The next blocks in the shuffled order turn into the new slide's in P4.
  void Turn(int32_t& e) {
    for (int32_t t = 0; t < Round32(count_ / 60.0 - 1) + 1; ++t) {
      ++e;
      if (e < 0 || e >= count_) continue;  // the order runs out on small slides
      const Point h = Home(order_[static_cast<size_t>(e)]);
      run_.Copy(run_.p4(), h.x, h.y, bw_, bh_, run_.source(), h.x, h.y);
    }
  }
  // Every block from P4, f / 50 of the way to its target, on black (drawn
  // straight onto PicDst: the frame is complete before it is presented).
  void Draw(int32_t f) {
    moves_.resize(static_cast<size_t>(count_));
    for (int32_t i = 0; i < count_; ++i) {
      const Point h = Home(i), t = targets_[static_cast<size_t>(i)];
      moves_[static_cast<size_t>(i)] = {Round32((t.x - h.x) * f / 50.0 + h.x),
                                        Round32((t.y - h.y) * f / 50.0 + h.y), h.x, h.y};
    }
    run_.FillBlackAndScatter(bw_, bh_, moves_, run_.p4(), scratch_);
  }

 private:
  FrameRun& run_;
  int32_t k_, bw_, bh_, per_row_, count_;
  std::vector<Point> targets_;
  std::vector<int32_t> order_;
  std::vector<imaging::BlockMove> moves_;
  imaging::ScatterScratch scratch_;
};

}  // namespace

// 7: the old slide bursts into small blocks that fly 60 % of the way to
// random targets while, in random order, they turn into the new slide's
// blocks; after a pause they fly back home. Each step is complete. Slides
// 800 pixels wide or more are drawn as fast as drawing allows, but never
// slower than the paced schedule: a frame that falls behind it is left out
// (its blocks still turn).
void Explode(FrameRun& run, int32_t) {
  Blocks blocks(run);
  const double budget = run.duration() / 2.0;
  const bool paced = run.W() < 800;
  const auto frame = [&](int32_t f, double progress, bool last) {
    const bool drawn = last || !run.LateA(progress, budget);
    if (drawn) blocks.Draw(f);
    return !run.PaceA(paced ? progress : 0.0, budget, drawn);
  };
  CopyAll(run, run.p4(), run.dst());
  int32_t e = 0;
  ForEachPosition(1, 30, 1, [&](int32_t f) {
    blocks.Turn(e);
    return frame(f, f / 30.0, f == 30);
  });
  e = Round32(e - blocks.count() / 60.0 - 1);
  run.Pause(300);
  run.StartPhase();
  int32_t count = 0;
  ForEachPosition(30, 0, -1, [&](int32_t f) {
    if (f < 1)
      CopyAll(run, run.p4(), run.source());
    else
      blocks.Turn(e);
    return frame(f, ++count / 30.0, f == 0);
  });
}

}  // namespace lantern::transitions
