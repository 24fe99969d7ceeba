// The pixel-displacement transitions, Ripple and PixelScatter. Both work on a
// copy reduced by k = 2 (slides up to 800 pixels wide) or 4 in each direction:
// P5 holds the reduced old slide, P4 the reduced new one, PicTmp their blend
// for the frame. The blend is captured into a source array S; every pixel of
// the destination array D takes the pixel of S its displacement points at (or
// its own when that lies outside), and D is drawn scaled up onto PicDst.
// Arrays count rows from the bottom, as captured pixel arrays do, so the
// displacements below use that row order; in memory, row 0 is the top.
#include "transitions/displacement.h"

#include <cmath>
#include <optional>
#include <vector>

#include "base/rounding.h"
#include "imaging/resample.h"

namespace lantern::transitions {

namespace {

// The reduced copies and the two arrays of one run.
struct Reduced {
  int32_t k = 0, L = 0, O = 0;
  Surface tmp, p4, p5;  // the top-left L x O of PicTmp, P4, P5
  imaging::PixelArray S, D;

  // S's pixel at column x of row y counted from the bottom.
  uint32_t Source(int32_t x, int32_t y) const {
    return S
        .pixels[static_cast<size_t>(O - 1 - y) * static_cast<size_t>(L) + static_cast<size_t>(x)];
  }
};

Surface TopLeft(const Surface& s, int32_t w, int32_t h) {
  return {s.pixels, w, h, s.stride};
}

// The old slide drawn into P5 at the reduced size, averaged over the area each
// reduced pixel covers (the scaled drawing of a picture through the imaging
// library).
void ReduceOldSlide(FrameRun& run, const Reduced& r) {
  imaging::DecodedImage old;
  if (!old.Resize(run.W(), run.H())) return;
  imaging::Copy(old.view(), 0, 0, run.W(), run.H(), run.dst(), 0, 0);
  imaging::ResampleScratch scratch;
  imaging::DrawPicture(r.p5, {0, 0, r.L, r.O}, old, scratch);
}

// The common preparation; nothing when the width is not a multiple of 4.
std::optional<Reduced> Prepare(FrameRun& run) {
  const int32_t W = run.W(), H = run.H();
  if (W % 4 != 0) return std::nullopt;
  Reduced r;
  r.k = W <= 800 ? 2 : 4;
  r.L = base::Round32(static_cast<double>(W) / r.k);
  r.O = base::Round32(static_cast<double>(H) / r.k);
  r.tmp = TopLeft(run.tmp(), r.L, r.O);
  r.p4 = TopLeft(run.p4(), r.L, r.O);
  r.p5 = TopLeft(run.p5(), r.L, r.O);
  ReduceOldSlide(run, r);
  // The new slide shrunk as a captured array is drawn: the pixels a nearest
  // stretch chooses, taken straight from PicSource.
  run.Stretch(r.p4, 0, 0, r.L, r.O, run.source(), 0, 0, W, H);
  run.MarkPrepared();
  run.StartPhase();
  run.Copy(r.tmp, 0, 0, r.L, r.O, r.p5, 0, 0);
  r.S = imaging::Capture(r.tmp, 0, 0, r.L, r.O);
  r.D = r.S;
  return r;
}

// S = the reduced old slide with the reduced new one blended on at `alpha`.
void Mix(FrameRun& run, Reduced& r, int32_t alpha) {
  run.Copy(r.tmp, 0, 0, r.L, r.O, r.p5, 0, 0);
  run.Blend(r.tmp, 0, 0, r.L, r.O, r.p4, 0, 0, static_cast<uint8_t>(alpha));
  r.S = imaging::Capture(r.tmp, 0, 0, r.L, r.O);
}

void Show(FrameRun& run, const Reduced& r) {
  run.DrawArray(run.dst(), 0, 0, r.L * r.k, r.O * r.k, r.D);
}

// The closing steps, also after an interruption: the new slide, and P5 cleared.
void Finish(FrameRun& run, const Reduced& r) {
  run.Copy(run.dst(), 0, 0, r.L * r.k, r.O * r.k, run.source(), 0, 0);
  run.FillBlack(run.p5());
}

// One frame of scattering: every pixel takes the pixel up to a / 2 away in
// each direction, at random (two draws per pixel, x first; rows from the
// bottom). A source outside the picture on an axis keeps the pixel's own
// coordinate there. Arrays are 24-bit: the fourth byte is not carried.
void Scatter(base::Rnd& rnd, Reduced& r, int32_t a) {
  for (int32_t y = 0; y < r.O; ++y) {
    uint32_t* out = &r.D.pixels[static_cast<size_t>(r.O - 1 - y) * static_cast<size_t>(r.L)];
    for (int32_t x = 0; x < r.L; ++x) {
      int32_t sx = base::Round32((static_cast<double>(rnd.Next()) - 0.5) * a + x);
      int32_t sy = base::Round32((static_cast<double>(rnd.Next()) - 0.5) * a + y);
      if (sx < 0 || sx > r.L - 1) sx = x;
      if (sy < 0 || sy > r.O - 1) sy = y;
      out[x] = r.Source(sx, sy) & 0xFFFFFF;
    }
  }
}

}  // namespace

// 40: 60 frames; the scatter grows to 90 reduced pixels over frames 1-30 and
// shrinks back to 3; from frame 11 the new slide is blended in, alpha 5j - 50.
// The generator is reseeded from the clock every frame. Each frame is
// complete on its own (the whole scaled-up array), so overdue frames are left
// out.
void PixelScatter(FrameRun& run, int32_t) {
  std::optional<Reduced> r = Prepare(run);
  if (!r) return;
  const double budget = std::abs(run.duration() - run.prep_time());
  SweepA(
      run, 1, 60, 1, budget,
      [&](int32_t j) {
        run.ReseedFromClock();
        if (j > 10) Mix(run, *r, 5 * j - 50);
        const int32_t q = (j - 1) % 30 + 1;
        Scatter(run.rnd(), *r, j < 31 ? 3 * q : 93 - 3 * q);
        Show(run, *r);
      },
      [](int32_t j) { return j / 60.0; }, Steps::kWhole);
  Finish(run, *r);
}

namespace {

// What a ripple frame needs per pixel that does not change from frame to
// frame: the direction from the centre (through the angle, with the
// constants the ripple is defined with) and which distance from the centre
// the pixel has. The displacement depends only on the distance, so a frame
// computes it once per distinct distance.
struct RippleMap {
  std::vector<double> cos, sin;  // per pixel, memory order
  std::vector<int32_t> ring;     // per pixel: index into radius
  std::vector<double> radius;    // the distinct distances
};

double Angle(double dx, double dy) {
  if (dx > 0) return std::atan(dy / dx);
  if (dx == 0) return (dy > 0 ? 1 : dy < 0 ? -1 : 0) * 1.57078;
  // Either sign reaches the same point; this one keeps the angle in (-pi, pi].
  return std::atan(dy / dx) + (dy >= 0 ? 3.14156 : -3.14156);
}

RippleMap MapRipple(const Reduced& r) {
  RippleMap m;
  const auto n = static_cast<size_t>(r.L) * static_cast<size_t>(r.O);
  m.cos.resize(n);
  m.sin.resize(n);
  m.ring.resize(n);
  // Ring index by 4 (dx^2 + dy^2): dx and dy are whole or half numbers, so that
  // names each distance exactly; the corners are farthest.
  std::vector<int32_t> rings(static_cast<size_t>(r.L) * r.L + static_cast<size_t>(r.O) * r.O + 1,
                             -1);
  const double cx = r.L * 0.5, cy = r.O * 0.5;
  for (int32_t y = 0; y < r.O; ++y)
    for (int32_t x = 0; x < r.L; ++x) {
      const size_t i =
          static_cast<size_t>(r.O - 1 - y) * static_cast<size_t>(r.L) + static_cast<size_t>(x);
      const double dx = x - cx, dy = y - cy;
      const double theta = Angle(dx, dy);
      m.cos[i] = std::cos(theta);
      m.sin[i] = std::sin(theta);
      const auto key = static_cast<size_t>((2 * x - r.L) * (2 * x - r.L)) +
                       static_cast<size_t>((2 * y - r.O) * (2 * y - r.O));
      if (rings[key] < 0) {
        rings[key] = static_cast<int32_t>(m.radius.size());
        m.radius.push_back(std::sqrt(dx * dx + dy * dy));
      }
      m.ring[i] = rings[key];
    }
  return m;
}

// One ripple frame of amplitude a against the reference radius R.
void RippleFrame(FrameRun& run, Reduced& r, const RippleMap& m, std::vector<double>& moved,
                 int32_t a, int32_t R) {
  moved.resize(m.radius.size());
  for (size_t i = 0; i < m.radius.size(); ++i)
    moved[i] = m.radius[i] + std::sin(m.radius[i] * 6.28312 * a / R - 1) * a;
  const double cx = r.L * 0.5, cy = r.O * 0.5;
  for (int32_t row = 0; row < r.O; ++row) {
    const int32_t y = r.O - 1 - row;
    const size_t at = static_cast<size_t>(row) * static_cast<size_t>(r.L);
    for (int32_t x = 0; x < r.L; ++x) {
      const size_t i = at + static_cast<size_t>(x);
      const double rp = moved[static_cast<size_t>(m.ring[i])];
      const int32_t sx = base::Round32(m.cos[i] * rp + cx);
      const int32_t sy = base::Round32(m.sin[i] * rp + cy);
      const bool inside = sx >= 0 && sx <= r.L - 1 && sy >= 0 && sy <= r.O - 1;
      r.D.pixels[i] = (inside ? r.Source(sx, sy) : r.Source(x, y)) & 0xFFFFFF;
    }
    run.Pump();  // long frames: keep input flowing
  }
}

}  // namespace

// 13: 23 frames of a concentric sine ripple from the centre, its amplitude
// rising from 1 to 12 reduced pixels over frames 1-12 and falling back to 1;
// from frame 5 the new slide is blended in, alpha 13f - 52. Each frame is
// complete on its own. A picture under two reduced pixels high has no ripple
// radius (R would be 0) and is changed without a transition.
void Ripple(FrameRun& run, int32_t) {
  std::optional<Reduced> r = Prepare(run);
  if (!r) return;
  const int32_t R = base::Round32((r->O < r->L ? r->O : r->L) * 0.5);
  if (R == 0) return Finish(run, *r);
  const RippleMap map = MapRipple(*r);
  std::vector<double> moved;
  const double budget = std::abs(run.duration() - run.prep_time() + 1000);
  SweepA(
      run, 1, 23, 1, budget,
      [&](int32_t f) {
        if (f >= 5) Mix(run, *r, 13 * f - 52);
        const int32_t q = (f - 1) % 12 + 1;
        RippleFrame(run, *r, map, moved, f < 13 ? q : 12 - q, R);
        Show(run, *r);
      },
      [](int32_t f) { return f / 23.0; });
  Finish(run, *r);
}

}  // namespace lantern::transitions
