// The reveal transitions traced by angle and radius around the picture's
// centre: CircleIris, TangentCurves, ClockSweep and Rays. Each frame copies a
// whole ring or ray of small blocks; each step adds to what the earlier steps
// drew.
#include <cmath>

#include "base/rounding.h"
#include "imaging/raster.h"
#include "transitions/reveal.h"

namespace lantern::transitions {

using base::Round32;
using reveal::LastStep;
using reveal::Piece;
using reveal::Ratio;

namespace {

// draw(t) for t = first, first + step, ... while t <= last, each angle
// computed from its index so that rounding errors do not add up (an end that
// the steps reach exactly is included).
template <typename Draw>
void ForAngles(double first, double last, double step, Draw&& draw) {
  const auto count = static_cast<int32_t>(std::floor((last - first) / step + 1e-9)) + 1;
  for (int32_t i = 0; i < count; ++i)
    draw(first + i * step);
}

// The centre the round patterns turn about: (round(W / 2), round(H / 2)).
struct Centre {
  int32_t x, y;
  explicit Centre(const FrameRun& run) : x(Round32(run.W() / 2.0)), y(Round32(run.H() / 2.0)) {}
  // The radius that reaches past the corners of a landscape picture.
  int32_t reach() const { return Round32(1.3 * x); }
};

// One ring per frame, radius 0, 4, ... up to the reach (dir 0) or from the
// reach down to 0.
template <typename Ring>
void RingSweep(FrameRun& run, int32_t dir, int32_t reach, Ring&& ring) {
  const int32_t first = dir == 0 ? 0 : reach, end = dir == 0 ? reach : 0;
  const int32_t step = dir == 0 ? 4 : -4;
  SweepA(run, first, LastStep(first, end, step), step, run.duration(), ring,
         [&](int32_t r) { return Ratio(r - first, end - first); });
}

}  // namespace

// 11: a circle of 8 x 8 blocks grows from the centre (dir 0) or shrinks from
// beyond the corners, 4 pixels a frame, 786 blocks a ring. Adds.
void CircleIris(FrameRun& run, int32_t dir) {
  const Centre c(run);
  RingSweep(run, dir, c.reach(), [&](int32_t r) {
    ForAngles(0, 6.284, 0.008, [&](double t) {
      Piece(run, Round32(std::sin(t) * r + c.x), Round32(std::cos(t) * r + c.y), 8, 8);
    });
  });
}

// 12: 12 x 12 blocks along tangent curves, which sweep out from the centre
// (dir 0) or in from beyond the corners, 4 pixels a frame. Blocks whose left
// edge lies outside -12 ... 2 round(W / 2) are not copied: near a quarter
// turn the tangent runs off to far outside the picture. Adds.
void TangentCurves(FrameRun& run, int32_t dir) {
  const Centre c(run);
  RingSweep(run, dir, c.reach(), [&](int32_t r) {
    ForAngles(0, 6.284, 0.004, [&](double t) {
      const double left = std::nearbyint(std::tan(t) * r + c.x - 6);
      if (left < -12 || left > 2 * c.x) return;
      Piece(run, static_cast<int32_t>(left), Round32(std::cos(t) * r + c.y - 6), 12, 12);
    });
  });
}

// 14: a ray of 12 x 12 blocks, 3 pixels apart, turns once round from 12
// o'clock, clockwise (dir 0) or anticlockwise, 0.01 radians a frame: 629
// frames. Adds.
void ClockSweep(FrameRun& run, int32_t dir) {
  const Centre c(run);
  const int32_t reach = c.reach();
  SweepA(
      run, 0, 628, 1, run.duration(),
      [&](int32_t k) {
        const double t = dir == 0 ? -1.57 + k * 0.01 : 4.71 - k * 0.01;
        for (int32_t r = 0; r <= reach; r += 3)
          Piece(run, Round32(std::cos(t) * r + c.x), Round32(std::sin(t) * r + c.y), 12, 12);
      },
      [&](int32_t k) { return (k + 1) / 628.0; });
}

// 18: rings of 20 x 20 blocks every 16 pixels out from the centre; from each
// block a 10-pixel ray in the colour of the new slide at the block's centre
// runs out to the reach, then the block itself is copied; 572 blocks a ring.
// Its budget is a second more than the others'. The pen is 10 wide for the
// whole run and put back to 1 only when it completes: a flag leaves it at 10.
// A block whose centre is off the picture has no colour and draws no ray.
// Adds.
void Rays(FrameRun& run, int32_t) {
  const Centre c(run);
  const int32_t R = c.reach();
  const double half_w = run.W() / 2.0, half_h = run.H() / 2.0;
  run.draw_width() = 10;
  const bool completed = SweepA(
      run, 0, LastStep(0, R, 16), 16, run.duration() + 1000,
      [&](int32_t r) {
        ForAngles(0, 6.29, 0.011, [&](double t) {
          const double s = std::sin(t), co = std::cos(t);
          const int32_t x = Round32(s * r + c.x), y = Round32(co * r + c.y);
          const uint32_t colour = imaging::GetPixel(run.source(), x + 10, y + 10);
          if (colour != imaging::kInvalidColour)
            run.Line(run.dst(), x + 10, y + 10, Round32(s * R + half_w), Round32(co * R + half_h),
                     colour);
          Piece(run, x, y, 20, 20);
        });
      },
      [&](int32_t r) { return Ratio(r, R); });
  if (completed) run.draw_width() = 1;
}

}  // namespace lantern::transitions
