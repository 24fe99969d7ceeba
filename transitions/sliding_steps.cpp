// The step-based sliding transitions: Push, EdgeCover, CornerCover, SplitPush
// and PageFold. Each step moves s pixels (2 from Vista on, else 1) and waits a
// fixed time, so a whole sweep takes about 1.9 s with 1-pixel steps.
#include <algorithm>

#include "base/rounding.h"
#include "transitions/sliding.h"

namespace lantern::transitions {

namespace {

bool Vertical(int32_t dir) {
  return dir == 1 || dir == 3;
}

// The delay per step for a sweep along the width or the height.
int32_t SweepTicks(const FrameRun& run, bool rows) {
  return rows ? StepTicks(19456, run.H()) : StepTicks(19200, run.W());
}

}  // namespace

// 25: the new slide pushes the old one out. Each step shifts the old picture
// on by s, so the strip the shift leaves behind keeps the old slide's edge
// strip until the new slide covers it. Every step is drawn whole from the
// old slide's copy in PicTmp, so a step stands on its own and an overdue one
// can be left out; the pictures are those of shifting PicDst onto itself.
void Push(FrameRun& run, int32_t dir) {
  const Axis axis{run, Vertical(dir)};
  const int32_t n = axis.extent(), s = run.step();
  const Surface &dst = run.dst(), &nw = run.source(), &old = run.tmp();
  run.Copy(old, 0, 0, run.W(), run.H(), dst, 0, 0);
  const int32_t ticks = SweepTicks(run, axis.rows);
  const auto span = [](int32_t len) { return std::max(len, 0); };
  if (dir == 0 || dir == 1) {  // from the left / top: the old slide has moved p + s
    SweepB(
        run, 0, n, s, ticks,
        [&](int32_t p) {
          axis.Copy(dst, p + s, span(n - p - s), old, 0);
          axis.Copy(dst, p, s, old, 0);
          axis.Copy(dst, 0, p, nw, n - p);
        },
        Steps::kWhole);
  } else {  // from the right / bottom: the old slide has moved n - p + s
    SweepB(
        run, n, 0, -s, ticks,
        [&](int32_t p) {
          axis.Copy(dst, 0, span(p - s), old, n - p + s);
          axis.Copy(dst, p - s, s, old, n - s);
          axis.Copy(dst, p, n - p, nw, 0);
        },
        Steps::kWhole);
  }
}

// 23: the new slide slides in over the old one, which stays still.
void EdgeCover(FrameRun& run, int32_t dir) {
  const Axis axis{run, Vertical(dir)};
  const int32_t n = axis.extent();
  const Surface &dst = run.dst(), &nw = run.source();
  SweepB(
      run, 0, n, run.step(), SweepTicks(run, axis.rows),
      [&](int32_t p) {
        if (dir == 0 || dir == 1)
          axis.Copy(dst, 0, p, nw, n - p);
        else
          axis.Copy(dst, n - p, p, nw, 0);
      },
      Steps::kWhole);
}

// 24: the new slide slides in diagonally from a corner; every block keeps the
// picture's aspect ratio.
void CornerCover(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const double r = static_cast<double>(H) / W;
  const Surface &dst = run.dst(), &nw = run.source();
  SweepB(
      run, 0, W, run.step(), StepTicks(19200, W),
      [&](int32_t c) {
        const int32_t h = base::Round32(H - r * c), e = base::Round32(r * c);
        switch (dir) {
          case 0:  // from the top-left
            run.Copy(dst, 0, 0, c, e, nw, W - c, h);
            break;
          case 1:  // top-right
            run.Copy(dst, W - c, 0, c, e, nw, 0, h);
            break;
          case 2:  // bottom-right
            run.Copy(dst, W - c, h, c, e, nw, 0, 0);
            break;
          default:  // bottom-left
            run.Copy(dst, 0, h, c, e, nw, W - c, 0);
            break;
        }
      },
      Steps::kWhole);
}

// 26: a push in two phases that meet in the middle. The old slide is read
// from its copy in PicTmp. Phase 2 runs (one frame, when a flag ended phase 1)
// whatever happened in phase 1.
void SplitPush(FrameRun& run, int32_t dir) {
  const Axis axis{run, Vertical(dir)};
  const int32_t n = axis.extent(), s = run.step();
  const Surface &dst = run.dst(), &nw = run.source(), &old = run.tmp();
  run.Copy(old, 0, 0, run.W(), run.H(), dst, 0, 0);
  const double half = n / 2.0;
  const int32_t steps_to = base::Round32(half);
  const int32_t ticks = SweepTicks(run, axis.rows);
  const bool from_far_side = dir == 0 || dir == 1;  // enters from the right / bottom
  SweepB(
      run, 0, steps_to, s, ticks,
      [&](int32_t a) {
        if (from_far_side) {
          axis.Copy(dst, 0, n - a, old, a);
          axis.Copy(dst, n - a, a, nw, n - 2 * a);
        } else {
          axis.Copy(dst, a, n - a, old, 0);
          axis.Copy(dst, 0, a, nw, a);
        }
      },
      Steps::kWhole);
  SweepB(
      run, 0, steps_to, s, ticks,
      [&](int32_t a) {
        const int32_t less = base::Round32(half - a), more = base::Round32(half + a);
        if (from_far_side) {
          axis.Copy(dst, 0, less, old, less);
          axis.Copy(dst, less, more, nw, 0);
        } else {
          axis.Copy(dst, more, less, old, 2 * a);
          axis.Copy(dst, 0, more, nw, less);
        }
      },
      Steps::kWhole);
}

// 33: the old slide folds down (dir != 0) or to the right like a page; the
// flap is the old slide mirrored and lightened. One pixel per step whatever
// the system. P4 is the white the flap is lightened with and is cleared to
// black again on the way out.
void PageFold(FrameRun& run, int32_t dir) {
  const int32_t W = run.W(), H = run.H();
  const Surface &dst = run.dst(), &nw = run.source(), &flap = run.tmp(), &white = run.p4();
  const bool down = dir != 0;
  run.FillWhite(white);
  if (down)
    run.Stretch(flap, 0, 0, W, H, dst, 0, H - 1, W, -H);
  else
    run.Stretch(flap, 0, 0, W, H, dst, W - 1, 0, -W, H);
  run.Blend(flap, 0, 0, W, H, white, 0, 0, 100);
  const Axis axis{run, down};
  const int32_t n = axis.extent();
  const int32_t ticks = down ? StepTicks(28672, H) : StepTicks(28160, W);
  // Each step uncovers one more line of the new slide; a step drawn after
  // left-out ones uncovers theirs too, so every drawn step is whole.
  int32_t uncovered = 0;
  SweepB(
      run, 0, n + 1, 1, ticks,
      [&](int32_t i) {
        axis.Copy(dst, i, i, flap, n - i);
        if (i > uncovered) {
          axis.Copy(dst, uncovered, i - uncovered, nw, uncovered);
          uncovered = i;
        }
      },
      Steps::kWhole);
  run.FillBlack(white);
}

}  // namespace lantern::transitions
